#include "textcompare/TextCompareReport.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <memory>
#include <vector>

#include "editor/EditorOptions.h"
#include "fileio/CodePages.h"
#include "fileio/Conversion.h"
#include "platform/LocalTime.h"
#include "platform/Shell.h"
#include "textcompare/ReportFrame.h"
#include "textcompare/StringCompare.h"
#include "textcompare/TextCompareContext.h"
#include "textcompare/TextCompareOptions.h"
#include "textcompare/TextRules.h"

namespace corvatine {

namespace {

constexpr size_t kGrowthStep = 256 * 1024;

// Syntax colour classes by colour index 9 to 15.
const char* const kTokenClasses[] = {"tk", "tf", "tc", "tn", "to", "ts", "tp"};
// Comparison colour classes by colour index 1 to 6.
const char* const kRowClasses[] = {"", "bd", "bt", "bo", "bm", "bdd", "tdd"};

// Appends a character, < > & as their entities.
void AppendMarkupSafe(std::string& out, char c) {
    if (c == '<')
        out += "&lt;";
    else if (c == '>')
        out += "&gt;";
    else if (c == '&')
        out += "&amp;";
    else
        out += c;
}

class CRowWriter {
public:
    CRowWriter(const CTextCompareReport& report, const TEXTREPORTSOURCE& source,
               const std::string& difference, std::string& html)
        : m_report(report), m_source(source), m_differenceStyle(difference), m_html(html) {
        // The page declares UTF-8.
        if (WorkingCodePage() != CP_UTF8)
            m_toUtf8 = std::make_unique<CCharsetConverter>(IconvCharset(WorkingCodePage()), "UTF-8");
    }

    void Cell(int side, int row, const std::vector<STRINGDIFFERENCE>& differences, int state);

private:
    const CTextCompareReport& m_report;
    const TEXTREPORTSOURCE& m_source;
    const std::string m_differenceStyle;  // of in-line differences
    std::string& m_html;
    std::vector<COLORBLOCK> m_blocks;
    std::unique_ptr<CCharsetConverter> m_toUtf8;
    std::string m_converted;
};

// The content of one side's row: runs cut at the syntax blocks and at the
// in-line differences.
void CRowWriter::Cell(int side, int row, const std::vector<STRINGDIFFERENCE>& differences, int state) {
    CTextCompareObject& buffer = *m_source.sides[side];
    const std::string_view text = buffer.GetLine(row).Characters();
    if (text.empty()) {
        m_html += "&nbsp;";
        return;
    }
    m_blocks.clear();
    if (m_report.syntaxHighlighting && !buffer.IsGhostRow(row)) buffer.ParseLine(state, row, &m_blocks);
    std::vector<int> cuts{0, static_cast<int>(text.size())};
    for (const COLORBLOCK& b : m_blocks) cuts.push_back(b.position);
    for (const STRINGDIFFERENCE& d : differences) {
        const int start = side == 0 ? d.leftStart : d.rightStart;
        const int end = side == 0 ? d.leftEnd : d.rightEnd;
        if (end < start) continue;
        cuts.push_back(start);
        cuts.push_back(end + 1);
    }
    std::sort(cuts.begin(), cuts.end());
    cuts.erase(std::unique(cuts.begin(), cuts.end()), cuts.end());

    size_t block = 0;
    int color = COLORINDEX_NORMALTEXT;
    for (size_t k = 0; k + 1 < cuts.size(); ++k) {
        const int from = cuts[k], to = cuts[k + 1];
        if (from < 0 || to > static_cast<int>(text.size()) || from >= to) continue;
        while (block < m_blocks.size() && m_blocks[block].position <= from) color = m_blocks[block++].color;
        bool inDifference = false;
        for (const STRINGDIFFERENCE& d : differences) {
            const int start = side == 0 ? d.leftStart : d.rightStart;
            const int end = side == 0 ? d.leftEnd : d.rightEnd;
            if (from >= start && from <= end) inDifference = true;
        }
        std::string_view piece = text.substr(static_cast<size_t>(from), static_cast<size_t>(to - from));
        if (m_toUtf8) {
            m_converted.clear();
            int lossy = 0;
            m_toUtf8->Convert(piece, m_converted, lossy);
            piece = m_converted;
        }
        std::string run = CTextCompareReport::Escape(piece);
        if (inDifference) run = "<span style=\"" + m_differenceStyle + "\">" + run + "</span>";
        if (color >= COLORINDEX_KEYWORD && color <= COLORINDEX_PREPROCESSOR)
            run = std::string("<span class=\"") + kTokenClasses[color - COLORINDEX_KEYWORD] + "\">" + run +
                  "</span>";
        m_html += run;
    }
}

std::string ClassAttribute(uint32_t flags, bool highlightTrivial) {
    const int color = RowColor(flags, highlightTrivial);
    return color == TCC_NONE ? std::string() : std::string(" class=\"") + kRowClasses[color] + "\"";
}

}  // namespace

TEXTREPORTCOLORS::TEXTREPORTCOLORS() {
    std::copy(std::begin(CSyntaxEditorOptions::kDefaultColors),
              std::end(CSyntaxEditorOptions::kDefaultColors), syntax);
}

CTextCompareReport::~CTextCompareReport() {
    if (!previewFile.empty()) ::unlink(previewFile.c_str());
}

void CTextCompareReport::ResetSettings() {
    title.clear();
    includeLines = INCLUDE_ALL;
    lineNumbers = 1;
    syntaxHighlighting = 1;
    highlightLineDifferences = 1;
}

void CTextCompareReport::Load(const platform::CProfile& profile) {
    ResetSettings();
    title = profile.GetString(kTextCompareSettingsKey, "ReportTitle", "");
    const int include = profile.GetInt(kTextCompareSettingsKey, "ReportIncludeLines", INCLUDE_ALL);
    includeLines = include >= INCLUDE_ALL && include <= INCLUDE_IDENTICAL ? include : INCLUDE_ALL;
    lineNumbers = profile.GetInt(kTextCompareSettingsKey, "ReportLineNumbers", 1) != 0 ? 1 : 0;
    syntaxHighlighting = profile.GetInt(kTextCompareSettingsKey, "ReportSyntaxHighlighting", 1) != 0 ? 1 : 0;
    highlightLineDifferences =
        profile.GetInt(kTextCompareSettingsKey, "ReportHighlightLineDifferences", 1) != 0 ? 1 : 0;
}

void CTextCompareReport::Save(platform::CProfile& profile) const {
    profile.WriteString(kTextCompareSettingsKey, "ReportTitle", title);
    profile.WriteInt(kTextCompareSettingsKey, "ReportIncludeLines", includeLines);
    profile.WriteInt(kTextCompareSettingsKey, "ReportLineNumbers", lineNumbers);
    profile.WriteInt(kTextCompareSettingsKey, "ReportSyntaxHighlighting", syntaxHighlighting);
    profile.WriteInt(kTextCompareSettingsKey, "ReportHighlightLineDifferences", highlightLineDifferences);
}

// Header texts are the user's file names: they must not open markup.
std::string CTextCompareReport::EscapeMarkup(std::string_view text) {
    std::string out;
    for (const char c : text) AppendMarkupSafe(out, c);
    return out;
}

std::string CTextCompareReport::Escape(std::string_view text) {
    if (text.empty()) return "&nbsp;";
    std::string out;
    out.reserve(text.size() + 16);
    bool leading = true;
    for (const char c : text) {
        if (leading && c == ' ') {
            out += "&nbsp;";
            continue;
        }
        if (leading && c == '\t') {
            out += "&nbsp;&nbsp;&nbsp;&nbsp;";
            continue;
        }
        if (c != ' ' && c != '\t') leading = false;
        AppendMarkupSafe(out, c);
    }
    return out;
}

void CTextCompareReport::Render(const TEXTREPORTSOURCE& source, const TEXTREPORTCOLORS& colors,
                                std::string& html, platform::CProgressSink* progress, int64_t now) const {
    CTextCompareObject& left = *source.sides[0];
    CTextCompareObject& right = *source.sides[1];
    const std::string time = platform::FormatLocalTime(now, "%Y-%m-%d %H:%M:%S");
    const PAGECOLORS& page = colors.page;
    html.reserve(html.size() + kGrowthStep);

    // Header.
    AppendReportHead(html, time, title.empty() ? source.comparisonTitle : title, page);
    for (int index = COLORINDEX_KEYWORD; index <= COLORINDEX_PREPROCESSOR; ++index) {
        const SYNTAXCOLOR& c = colors.syntax[index];
        html += std::string(".") + kTokenClasses[index - COLORINDEX_KEYWORD] +
                " { color:" + HtmlColor(c.color) + (c.bold ? "; font-weight:bold; }" : "; }") + "\r\n";
    }
    html += ".tl { color:" + page.lineNumbers + "; }\r\n";
    for (const int index : {TCC_CHANGED, TCC_ONE_SIDED, TCC_GHOST, TCC_TRIVIAL, TCC_DIFFERENCE}) {
        html += std::string(".") + kRowClasses[index] + " { background-color:" + colors.rows.Html(index) +
                "; }\r\n";
    }
    html += ".tdd { color:" + colors.rows.Html(TCC_DIFFERENCE_TEXT) + "; }\r\n";
    AppendReportBodyStart(html);
    AppendReportSummary(
        html,
        {{"File Comparison:", source.documentTitle},
         {"Left File:", source.paths[0]},
         {"Right File:", source.paths[1]},
         {"Result:", source.differences == 0 ? std::string("Identical")
                                             : std::to_string(source.differences) + " Differences"},
         {"Producted:", time}},
        page);

    // Body.
    const int rows = source.rows;
    if (progress) progress->Start(0, rows - 1, "Generating report");
    if (rows == 0) {
        html += "Empty";
    } else {
        char format[16] = "";
        std::string width;
        if (lineNumbers) {
            const int digits = static_cast<int>(std::to_string(rows).size());
            std::snprintf(format, sizeof format, "%%%dd", digits);
            width = std::to_string(digits) + "em";
            AppendReportFrameStart(html, page, '\'');
            html +=
                "<table width=100% bgcolor='" + page.background +
                "' cellpadding=0 cellspacing=0 border=0 style=\"table-layout: fixed;color:" + page.text +
                ";font-family:courier new, helvetica, sans-serif; font-size:8pt\">\r\n<col style=\"width:";
            html += width;
            html += ";text-align:right;\" /><col width=\"50%\" /><col style=\"width:";
            html += width;
            html += ";text-align:right;\" /><col width=\"50%\" />";
        } else {
            AppendReportFrameStart(html, page, '"');
            html += "<table width=100% bgcolor=\"" + page.background +
                    "\" cellpadding=0 cellspacing=0 border=0 style='table-layout: fixed;color:" + page.text +
                    ";font-family:courier new, helvetica, sans-serif; font-size:8pt'>\r\n<col width=\"50%\" "
                    "/><col width=\"50%\" />";
        }
        CStringCompare compare;
        const CTextCompareOptions defaults;
        const CTextCompareOptions& lineOptions = source.options != nullptr ? *source.options : defaults;
        std::vector<STRINGDIFFERENCE> differences;
        std::string difference = "background-color:" + colors.rows.Html(TCC_DIFFERENCE);
        if (page.tintsCarryText) difference += "; color:" + colors.rows.Html(TCC_DIFFERENCE_TEXT);
        CRowWriter writer(*this, source, difference, html);
        int state[2] = {0, 0};
        char number[32];
        for (int row = 0; row < rows; ++row) {
            const uint32_t flags[2] = {left.GetLine(row).flags, right.GetLine(row).flags};
            const bool different = (flags[0] & LF_DIFFERENCE) != 0;
            const bool included =
                includeLines == INCLUDE_ALL || (includeLines == INCLUDE_DIFFERENT ? different : !different);
            int next[2] = {state[0], state[1]};
            if (syntaxHighlighting)
                for (int f = 0; f < 2; ++f)
                    if (!source.sides[f]->IsGhostRow(row))
                        next[f] = source.sides[f]->ParseLine(state[f], row, nullptr);
            if (included) {
                differences.clear();
                if (highlightLineDifferences && (flags[0] & LF_CHANGED) && (flags[1] & LF_CHANGED))
                    CompareLinesUnderRules(compare, left.GetLine(row).Characters(),
                                           right.GetLine(row).Characters(), source.rules, lineOptions,
                                           differences);
                html += "<tr>\r\n";
                for (int f = 0; f < 2; ++f) {
                    CTextCompareObject& side = *source.sides[f];
                    if (lineNumbers) {
                        html += "<td><span class=\"tl\">";
                        if (!side.IsGhostRow(row)) {
                            std::snprintf(number, sizeof number, format, side.RowToRealLine(row) + 1);
                            html += number;
                        }
                        html += "</span></td>\r\n";
                    }
                    html += "<td" + ClassAttribute(flags[f], source.highlightTrivial) + ">";
                    writer.Cell(f, row, differences, state[f]);
                    html += "</td>\r\n";
                }
                html += "</tr>\r\n";
            }
            state[0] = next[0];
            state[1] = next[1];
            if (progress) progress->Step();
        }
        html += "</table>\r\n</td>\r\n</tr>\r\n</table>\r\n";
    }
    if (progress) progress->Close();

    AppendReportEnd(html);
}

bool CTextCompareReport::Generate(const TEXTREPORTSOURCE& source, const TEXTREPORTCOLORS& colors,
                                  const std::string& path, platform::CProgressSink* progress,
                                  std::string& error) const {
    std::string html;
    Render(source, colors, html, progress, static_cast<int64_t>(std::time(nullptr)));
    return WriteReportFile(path, html, error);
}

bool CTextCompareReport::Copy(const TEXTREPORTSOURCE& source, const TEXTREPORTCOLORS& colors,
                              platform::CProgressSink* progress) const {
    std::string html;
    Render(source, colors, html, progress, static_cast<int64_t>(std::time(nullptr)));
    return platform::CopyTextToClipboard(html);
}

bool CTextCompareReport::Preview(const TEXTREPORTSOURCE& source, const TEXTREPORTCOLORS& colors,
                                 platform::CProgressSink* progress, std::string& error) {
    std::string html;
    Render(source, colors, html, progress, static_cast<int64_t>(std::time(nullptr)));
    return PreviewReportFile(previewFile, html, error);
}

}  // namespace corvatine
