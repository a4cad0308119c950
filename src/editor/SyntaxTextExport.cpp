#include "editor/SyntaxTextExport.h"

#include <unistd.h>

#include <algorithm>
#include <cassert>
#include <cerrno>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>

#include "fileio/CodePages.h"
#include "fileio/Conversion.h"
#include "platform/AtomicFile.h"
#include "platform/LocalTime.h"
#include "platform/Path.h"
#include "platform/Shell.h"

namespace corvatine {

namespace {

constexpr const char* kApplicationTitle = "Corvatine";
constexpr const char* kProgressText = "Processing..., Please wait";

// The span classes of colour indexes 9 to 15, in the order of their rules.
const char* const kColorClasses[] = {"tk", "tf", "tc", "tn", "to", "ts", "tp"};

// Bytes that the text cannot carry into the page as they are: markup,
// tabs, control characters (which HTML does not allow) and every byte from
// 0x80, which is checked to be part of valid UTF-8.
struct SpecialBytes {
    bool table[256] = {};
    constexpr SpecialBytes() {
        for (int c = 0; c < 0x20; ++c) table[c] = true;
        for (int c = 0x7F; c < 0x100; ++c) table[c] = true;
        table[static_cast<unsigned char>('&')] = true;
        table[static_cast<unsigned char>('<')] = true;
        table[static_cast<unsigned char>('>')] = true;
    }
};
constexpr SpecialBytes kSpecial;

// The UTF-8 of U+FFFD, which stands for a byte that is not valid UTF-8.
constexpr std::string_view kReplacementCharacter = "\xEF\xBF\xBD";

// Characters of UTF-8 text: every byte that is not a continuation byte.
int CountCharacters(const char* from, const char* to) {
    int n = 0;
    for (; from < to; ++from) n += (static_cast<unsigned char>(*from) & 0xC0) != 0x80;
    return n;
}

// "#rrggbb" of a colour value (red in the low byte); the value 0 is "0".
std::string HtmlColor(uint32_t color) {
    if (color == 0) return "0";
    char text[8];
    std::snprintf(text, sizeof text, "#%02x%02x%02x", color & 0xFF, (color >> 8) & 0xFF,
                  (color >> 16) & 0xFF);
    return text;
}

}  // namespace

CMemFile::~CMemFile() { std::free(m_data); }

CMemFile::CMemFile(CMemFile&& other) noexcept
    : m_data(other.m_data),
      m_size(other.m_size),
      m_capacity(other.m_capacity),
      m_growth(other.m_growth),
      m_failed(other.m_failed) {
    other.m_data = nullptr;
    other.m_size = other.m_capacity = 0;
}

CMemFile& CMemFile::operator=(CMemFile&& other) noexcept {
    if (this != &other) {
        std::free(m_data);
        m_data = other.m_data;
        m_size = other.m_size;
        m_capacity = other.m_capacity;
        m_growth = other.m_growth;
        m_failed = other.m_failed;
        other.m_data = nullptr;
        other.m_size = other.m_capacity = 0;
    }
    return *this;
}

void CMemFile::Fill(char c, size_t count) {
    if (count > m_capacity - m_size && !Grow(count)) return;
    std::memset(m_data + m_size, c, count);
    m_size += count;
}

bool CMemFile::Grow(size_t needed) {
    if (m_failed) return false;
    if (needed > SIZE_MAX - m_size - m_growth) {
        m_failed = true;
        return false;
    }
    const size_t steps = (m_size + needed + m_growth - 1) / m_growth;
    const size_t capacity = steps * m_growth;
    // realloc moves a large block by remapping its pages, not by copying them.
    char* data = static_cast<char*>(std::realloc(m_data, capacity));
    if (data == nullptr) {
        m_failed = true;
        return false;
    }
    m_data = data;
    m_capacity = capacity;
    return true;
}

CSyntaxTextExport::CSyntaxTextExport(const CSyntaxEditorOptions& options, size_t growth)
    : m_options(options), m_growth(growth) {}

CSyntaxTextExport::~CSyntaxTextExport() {
    if (!m_previewFile.empty()) ::unlink(m_previewFile.c_str());
}

const char* CSyntaxTextExport::ColorClass(int color) {
    return color >= COLORINDEX_KEYWORD && color <= COLORINDEX_PREPROCESSOR
               ? kColorClasses[color - COLORINDEX_KEYWORD]
               : nullptr;
}

bool CSyntaxTextExport::ExportToFile(const std::string& documentName, const std::string& target,
                                     const EXPORTVIEW& view, platform::CProgressSink* progress,
                                     std::string& error) {
    assert(view.context != nullptr);
    m_view = &view;
    m_progress = progress;
    m_documentName = documentName;
    m_replacedBytes = 0;
    if (m_progress) m_progress->Start(0, ExportedLineCount() - 1, kProgressText);

    const CMemFile page = BuildPage();
    bool written = false;
    if (page.Failed()) {
        error = "cannot export " + target + ": " + platform::ErrorText(ENOMEM);
    } else {
        platform::CAtomicFileWriter writer;
        written = writer.Open(target, 0666, error) && writer.Write(page.Data(), page.Size(), error) &&
                  writer.Commit(error);
    }

    if (m_progress) m_progress->Close();
    m_view = nullptr;
    m_progress = nullptr;
    return written;
}

bool CSyntaxTextExport::Preview(const std::string& documentName, const EXPORTVIEW& view,
                                platform::CProgressSink* progress, std::string& error) {
    if (m_previewFile.empty() && !platform::CreateTempFile(".html", m_previewFile, error)) {
        m_previewFile.clear();
        return false;
    }
    if (!ExportToFile(documentName, m_previewFile, view, progress, error)) return false;
    if (!platform::ShellOpen(m_previewFile)) {
        error = "cannot open " + m_previewFile + " with the desktop's handler: xdg-open is not available";
        return false;
    }
    return true;
}

CMemFile CSyntaxTextExport::BuildPage() {
    CMemFile page(m_growth);
    // Text in memory in another code page than UTF-8 is converted, since
    // the page declares UTF-8.
    m_toUtf8.reset();
    if (WorkingCodePage() != CP_UTF8) {
        if (const char* charset = IconvCharset(WorkingCodePage()))
            m_toUtf8 = std::make_unique<CCharsetConverter>(charset, "UTF-8");
        if (m_toUtf8 && !m_toUtf8->IsValid()) m_toUtf8.reset();
    }
    PageHeader(page);
    WriteLines(page);
    PageFooter(page);
    return page;
}

void CSyntaxTextExport::PageHeader(CMemFile& page) {
    const std::string time =
        platform::FormatLocalTime(static_cast<int64_t>(std::time(nullptr)), "%Y-%m-%d %H:%M:%S");
    page.Write("<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.0 Transitional//EN\">\r\n");
    page.Write(std::string("<!--Generated by ") + kApplicationTitle + ", " + time + "-->\r\n");
    page.Write("<html>\r\n<head>\r\n<title>");
    std::string title = platform::PathFileName(m_documentName);
    if (m_toUtf8) {
        std::string converted;
        int lossy = 0;
        m_toUtf8->Convert(title, converted, lossy);
        title = std::move(converted);
    }
    AppendExpanded(page, title);
    m_column = 0;
    m_replacedBytes = 0;  // only the text's count
    page.Write("</title>\r\n");
    // Without it browsers guess the character set, and show other characters than the text's.
    page.Write("<meta http-equiv=\"Content-Type\" content=\"text/html; charset=utf-8\">\r\n");
    const PAGECOLORS& colors = m_view->page;
    page.Write("<style type=\"text/css\">\r\n<!--\r\nbody.hl { background-color:" + colors.background +
               (colors.bodyText.empty() ? "" : "; color:" + colors.bodyText) +
               "; }\r\npre.hl { color:" + colors.text + "; background-color:" + colors.background +
               "; font-family:courier new, helvetica, sans-serif; font-size:8pt; }\r\n");
    const SYNTAXCOLOR* table = m_view->colors != nullptr ? m_view->colors : m_options.colors;
    for (int index = COLORINDEX_KEYWORD; index <= COLORINDEX_PREPROCESSOR; ++index) {
        const SYNTAXCOLOR& color = table[index];
        page.Write(std::string(".") + ColorClass(index) + " { color:" + HtmlColor(color.color) +
                   (color.bold ? "; font-weight:bold; }\r\n" : "; }\r\n"));
    }
    page.Write(".tl { color:" + colors.lineNumbers + "; }\r\n");
    page.Write(
        "//-->\r\n"
        "</style>\r\n"
        "</head>\r\n"
        "<body class=\"hl\">\r\n"
        "<pre class=\"hl\">\r\n");
}

void CSyntaxTextExport::PageFooter(CMemFile& page) { page.Write("</pre></body>\r\n</html>\r\n"); }

int CSyntaxTextExport::ExportedLineCount() const {
    const CSyntaxEditContext& context = *m_view->context;
    const int count = context.GetLineCount();
    if (count == 0 || context.GetLine(count - 1).FullLength() != 0) return count;
    return count == 1 || context.GetLine(count - 2).EndingLength() > 0 ? count - 1 : count;
}

void CSyntaxTextExport::WriteLines(CMemFile& page) {
    const int count = ExportedLineCount();
    if (count == 0) {
        page.Write("Empty");
        return;
    }
    char digits[16];
    const auto width = static_cast<size_t>(std::to_chars(digits, digits + sizeof digits, count).ptr - digits);
    for (int i = 0; i < count; ++i) {
        if (m_lineNumbers) {
            page.Write("<span class=\"tl\">");
            const auto length =
                static_cast<size_t>(std::to_chars(digits, digits + sizeof digits, i + 1).ptr - digits);
            page.Fill(' ', width - length);
            page.Write(digits, length);
            page.Write(" </span>");
        }
        FormatLine(page, i);
        page.Write("\r\n");
        if (m_progress) m_progress->SetPosition(i);
    }
}

void CSyntaxTextExport::FormatLine(CMemFile& page, int line) {
    CSyntaxEditContext& context = *m_view->context;
    m_blocks.clear();
    // From the cached state of the line before, which the previous line's
    // parse left there: each line is parsed once.
    context.ParseLineInOrder(line, &m_blocks);
    m_column = 0;
    const std::string_view text = context.GetLine(line).Characters();
    const int length = static_cast<int>(text.size());

    // Text before the first block, and a line without blocks (plain text),
    // is normal text. Runs of blocks whose colours share a class (or have
    // none) go into one segment.
    int color = COLORINDEX_NORMALTEXT;
    size_t next = 0;
    int from = 0;
    while (from < length) {
        while (next < m_blocks.size() && m_blocks[next].position <= from) color = m_blocks[next++].color;
        const char* const span = ColorClass(color);
        int to = length;
        for (; next < m_blocks.size(); ++next) {
            if (ColorClass(m_blocks[next].color) != span) {
                to = std::min(m_blocks[next].position, length);
                break;
            }
            color = m_blocks[next].color;
        }
        FormatSegment(page, text.substr(static_cast<size_t>(from), static_cast<size_t>(to - from)), color);
        from = to;
    }
}

void CSyntaxTextExport::FormatSegment(CMemFile& page, std::string_view text, int color) {
    if (text.empty()) return;
    const char* const span = ColorClass(color);
    if (span != nullptr) {
        page.Write("<span class=\"");
        page.Write(span, 2);
        page.Write("\">");
    }
    if (m_toUtf8) {
        m_converted.clear();
        int lossy = 0;
        m_toUtf8->Convert(text, m_converted, lossy);
        m_replacedBytes += lossy;
        AppendExpanded(page, m_converted);
    } else {
        AppendExpanded(page, text);
    }
    if (span != nullptr) page.Write("</span>");
}

// The text in UTF-8 with tabs as blanks to the next tab stop, "&", "<" and
// ">" as their entities, other control characters as their pictures
// (U+2400 to U+241F, U+2421 for DEL) and each byte that is not part of valid
// UTF-8 as U+FFFD. Whole runs of other bytes are copied at once.
void CSyntaxTextExport::AppendExpanded(CMemFile& page, std::string_view text) {
    const int tab = m_view->tabSize > 0 ? m_view->tabSize : 1;
    const char* p = text.data();
    const char* const end = p + text.size();
    while (p < end) {
        const char* const run = p;
        while (p < end && !kSpecial.table[static_cast<unsigned char>(*p)]) ++p;
        if (p > run) {
            page.Write(run, static_cast<size_t>(p - run));
            m_column += CountCharacters(run, p);
        }
        if (p == end) break;
        const auto byte = static_cast<unsigned char>(*p);
        if (byte >= 0x80) {
            char32_t code = 0;
            const int n =
                DecodeUtf8(reinterpret_cast<const unsigned char*>(p), static_cast<size_t>(end - p), code);
            if (n > 0) {
                page.Write(p, static_cast<size_t>(n));
                p += n;
            } else {
                page.Write(kReplacementCharacter.data(), kReplacementCharacter.size());
                ++m_replacedBytes;
                ++p;
            }
            ++m_column;
            continue;
        }
        switch (byte) {
            case '&': page.Write("&amp;"); break;
            case '<': page.Write("&lt;"); break;
            case '>': page.Write("&gt;"); break;
            case '\t': {
                const int blanks = tab - m_column % tab;
                page.Fill(' ', static_cast<size_t>(blanks));
                m_column += blanks - 1;
                break;
            }
            default: {
                std::string picture;
                AppendUtf8(picture, byte == 0x7F ? U'\u2421' : static_cast<char32_t>(U'\u2400' + byte));
                page.Write(picture.data(), picture.size());
                break;
            }
        }
        ++m_column;
        ++p;
    }
}

}  // namespace corvatine
