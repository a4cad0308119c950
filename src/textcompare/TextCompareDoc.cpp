#include "textcompare/TextCompareDoc.h"

#include <algorithm>
#include <string>

#include "editor/SyntaxEditor.h"
#include "fileio/CodePages.h"
#include "fileio/TextFormat.h"
#include "fileio/UniFile.h"
#include "platform/Path.h"
#include "textcompare/TextCompareOptions.h"
#include "textcompare/TextRules.h"

namespace corvatine {

namespace {

constexpr int kMergeAction = 1;

const char kCannotMerge[] = "Cannot merge differences.\n\nPlease recompare the files before continuing.";

// The ending the target gives merged lines: its style when it has line
// endings of its own (so that it keeps them); else, as a file without any
// ending has no style to speak of, none, and the source's endings are kept.
std::string_view TargetEnding(const CTextCompareObject& target) {
    for (int i = 0; i < target.GetLineCount(); ++i)
        if (target.GetLine(i).EndingLength() > 0) return EndingForStyle(target.GetLineEndingStyle());
    return {};
}

}  // namespace

CTextCompareDoc::CTextCompareDoc(platform::CMessages& messages, CFileWatchHooks* hooks)
    : m_messages(messages), m_hooks(hooks ? hooks : &m_noHooks) {
    const bool track = GetSyntaxEditor().trackChanges != 0;
    m_side[LEFT] = std::make_unique<CTextCompareObject>(track);
    m_side[RIGHT] = std::make_unique<CTextCompareObject>(track);
    m_context = std::make_unique<CTextCompareContext>(*m_side[LEFT], *m_side[RIGHT]);
    m_highlightTrivial = GetTextComparer().highlightTrivialDifferences != 0;
    WatchEdits();
}

void CTextCompareDoc::WatchEdits() {
    for (auto& side : m_side) side->onEdited = [this] { RequestAutoRecompare(); };
}

void CTextCompareDoc::SetLoadInPlace(bool inPlace) {
    for (auto& side : m_side) side->SetLoadInPlace(inPlace);
}

bool CTextCompareDoc::LoadSide(int side, int codePage) {
    const std::string& path = m_request.sides[side].path;
    int lossy = 0;
    std::string error;
    m_hooks->Suspend(path);
    const int result = m_side[side]->LoadTextFile(path, lossy, EOL_KEEP, codePage, error);
    m_hooks->Resume(path);
    if (result == LOAD_FAILED) {
        m_messages.Error(platform::ReplacePlaceholder(
            platform::ReplacePlaceholder("Cannot open file\n%1\n\n%2", "%1", path), "%2", error));
        return false;
    }
    if (result == LOAD_BINARY) {
        m_context->Sections().binary = true;
        m_messages.Inform("Binary files cannot be compared as text.");
        return false;
    }
    m_side[side]->SetReadOnly((m_request.sides[side].flags & SIDE_READ_ONLY) != 0);
    return true;
}

bool CTextCompareDoc::Open(const CTextCompareParams& request) {
    m_request = request;
    m_context->Sections().RemoveAll();
    // A side without a byte-order mark is read in the code page the request
    // names, else in the one its bytes call for. Sides read in different code
    // pages compare as they are: both are held in the working code page.
    for (int side = 0; side < 2; ++side) {
        const int32_t codePage = m_request.codePages[side];
        if (codePage != CODEPAGE_DETECT && !IsCodePageSupported(codePage)) {
            m_messages.Error(platform::ReplacePlaceholder(
                platform::ReplacePlaceholder("Cannot open file\n%1\n\n%2", "%1", m_request.sides[side].path),
                "%2", "Code page " + std::to_string(codePage) + " cannot be converted on this system."));
            return false;
        }
        if (!LoadSide(side, codePage == CODEPAGE_DETECT ? CP_DETECT : codePage)) return false;
    }
    return Recompare();
}

bool CTextCompareDoc::Recompare() {
    m_currentSection = -1;
    m_recomparePending = false;
    if (!m_context->Compare(m_request.rules, m_request.lineFilter)) {
        m_messages.Error("An error occurred while comparing the files.");
        return false;
    }
    return true;
}

bool CTextCompareDoc::Reload() {
    CTextCompareParams request = m_request;
    return Open(request);
}

bool CTextCompareDoc::RequestAutoRecompare() {
    if (m_merging || !GetTextComparer().autoRecompare) return false;
    m_recomparePending = true;
    return true;
}

bool CTextCompareDoc::ProcessPendingRecompare() {
    if (!m_recomparePending) return false;
    return Recompare();
}

std::string CTextCompareDoc::GetTitle() const {
    auto name = [this](int side) {
        const std::string& path = m_request.sides[side].path;
        return (path.empty() ? std::string("Untitled") : platform::PathFileName(path)) +
               (m_side[side]->IsModified() ? " *" : "");
    };
    return name(LEFT) + " : " + name(RIGHT);
}

bool CTextCompareDoc::SectionIsCurrent(const CTextSection& section) {
    for (int row = section.leftFirstRow; row <= section.leftLastRow; ++row)
        for (int side = 0; side < 2; ++side)
            if (row >= m_side[side]->GetLineCount() || !(m_side[side]->GetLine(row).flags & LF_DIFFERENCE))
                return false;
    return true;
}

// The source's lines first..last, each ended as the target ends its lines.
// A last line that lacks an ending stays without one.
std::string CTextCompareDoc::SourceText(CTextCompareObject& source, int first, int last,
                                        const CTextCompareObject& target) {
    std::string text;
    const std::string_view ending = TargetEnding(target);
    const std::string_view sourceStyle = EndingForStyle(source.GetLineEndingStyle());
    for (int i = first; i <= last; ++i) {
        const CSyntaxTextLine& line = source.GetLine(i);
        text.append(line.Characters());
        if (line.EndingLength() == 0 && i >= source.GetLineCount() - 1) continue;
        text.append(!ending.empty() ? ending : line.EndingLength() > 0 ? line.Ending() : sourceStyle);
    }
    return text;
}

// The sections to merge, each checked: it exists and still matches the
// lines; and the target side may be changed. MERGE_DONE when all is well.
int CTextCompareDoc::CheckMerge(std::vector<int> indexes, bool toRight, std::vector<CTextSection>& sections) {
    std::sort(indexes.begin(), indexes.end());
    indexes.erase(std::unique(indexes.begin(), indexes.end()), indexes.end());
    sections.clear();
    for (const int index : indexes) {
        CTextSection section;
        if (!m_context->Sections().GetSection(index, section)) return MERGE_NO_SECTION;
        if (!SectionIsCurrent(section)) {
            m_messages.Error(kCannotMerge);
            return MERGE_STALE;
        }
        sections.push_back(section);
    }
    if (IsSideReadOnly(toRight ? RIGHT : LEFT)) {
        m_messages.Error(std::string("Cannot copy: the ") + (toRight ? "right" : "left") +
                         " side is read-only.");
        return MERGE_READ_ONLY;
    }
    return MERGE_DONE;
}

int CTextCompareDoc::CopySections(std::vector<int> indexes, bool toRight) {
    std::vector<CTextSection> sections;
    if (const int result = CheckMerge(std::move(indexes), toRight, sections); result != MERGE_DONE)
        return result;
    if (sections.empty()) return MERGE_DONE;

    m_merging = true;
    m_context->ClearComparison();  // the engine's line numbers are rows again
    CTextCompareObject& target = *m_side[toRight ? RIGHT : LEFT];
    target.OpenUndoGroup(false);
    // From the last to the first: a copy leaves the lines before it, and so
    // the line numbers of the sections still to come, as they were.
    for (auto section = sections.rbegin(); section != sections.rend(); ++section)
        CopyLines(*section, toRight);
    target.CloseUndoGroup(nullptr);
    m_merging = false;
    Recompare();
    return MERGE_DONE;
}

// Replaces the target's lines of a section by the source's, on the real
// text alone.
void CTextCompareDoc::CopyLines(const CTextSection& section, bool toRight) {
    CTextCompareObject& source = *m_side[toRight ? LEFT : RIGHT];
    CTextCompareObject& target = *m_side[toRight ? RIGHT : LEFT];
    const int sFirst = toRight ? section.leftFirst : section.rightFirst;
    const int sLast = toRight ? section.leftLast : section.rightLast;
    const int tFirst = toRight ? section.rightFirst : section.leftFirst;
    const int tLast = toRight ? section.rightLast : section.leftLast;

    const std::string text = SourceText(source, sFirst, sLast, target);
    const int tCount = target.GetLineCount();
    const bool sourceEnds =
        sLast >= source.GetLineCount() - 1 ||
        (sLast == source.GetLineCount() - 2 && source.GetLine(sLast + 1).FullLength() == 0);
    int endLine = 0, endChar = 0;
    if (tLast + 1 < tCount) {
        if (tLast >= tFirst) target.DeleteRange(nullptr, tFirst, 0, tLast + 1, 0, kMergeAction);
        if (!text.empty()) target.InsertTextAt(nullptr, tFirst, 0, text, endLine, endChar, kMergeAction);
    } else if (tFirst <= tLast) {
        // The range reaches the target's end: the target ends as the source does.
        const int last = tCount - 1;
        if (text.empty() && sourceEnds && tFirst > 0)
            target.DeleteRange(nullptr, tFirst - 1, target.GetLine(tFirst - 1).Length(), last,
                               target.GetLine(last).Length(), kMergeAction);
        else
            target.DeleteRange(nullptr, tFirst, 0, last, target.GetLine(last).Length(), kMergeAction);
        if (!text.empty()) target.InsertTextAt(nullptr, tFirst, 0, text, endLine, endChar, kMergeAction);
    } else if (!text.empty()) {
        // Lines added after the target's last line.
        const int last = tCount - 1;
        const std::string joined = std::string(EndingForStyle(target.GetLineEndingStyle())) + text;
        target.InsertTextAt(nullptr, last, target.GetLine(last).Length(), joined, endLine, endChar,
                            kMergeAction);
    }
}

int CTextCompareDoc::InsertSection(int index, bool toRight) {
    std::vector<CTextSection> sections;
    if (const int result = CheckMerge({index}, toRight, sections); result != MERGE_DONE) return result;
    const CTextSection& section = sections.front();
    const int sourceSide = toRight ? LEFT : RIGHT, targetSide = toRight ? RIGHT : LEFT;
    CTextCompareObject& source = *m_side[sourceSide];
    CTextCompareObject& target = *m_side[targetSide];
    const int sFirst = toRight ? section.leftFirst : section.rightFirst;
    const int sLast = toRight ? section.leftLast : section.rightLast;
    const int tLast = toRight ? section.rightLast : section.leftLast;

    m_merging = true;
    m_context->ClearComparison();
    std::string text = SourceText(source, sFirst, sLast, target);
    int endLine = 0, endChar = 0;
    if (!text.empty()) {
        const int tCount = target.GetLineCount();
        if (tLast + 1 < tCount) {
            // Inserted before other lines, the text must end a line.
            // unless only the empty line after a final line ending follows.
            const bool beforeText = tLast + 2 < tCount || target.GetLine(tCount - 1).FullLength() > 0;
            if (beforeText && source.GetLine(sLast).EndingLength() == 0)
                text.append(EndingForStyle(target.GetLineEndingStyle()));
            target.InsertTextAt(nullptr, tLast + 1, 0, text, endLine, endChar, kMergeAction);
        } else {
            const int last = tCount - 1;
            text.insert(0, EndingForStyle(target.GetLineEndingStyle()));
            target.InsertTextAt(nullptr, last, target.GetLine(last).Length(), text, endLine, endChar,
                                kMergeAction);
        }
    }
    m_merging = false;
    Recompare();
    return MERGE_DONE;
}

int CTextCompareDoc::CopyAll(bool toRight) {
    std::vector<int> all(static_cast<size_t>(GetDifferenceCount()));
    for (size_t k = 0; k < all.size(); ++k) all[k] = static_cast<int>(k);
    return CopySections(std::move(all), toRight);
}

int CTextCompareDoc::CopyAndAdvance(bool toRight) {
    const int result = CopySection(m_currentSection < 0 ? 0 : m_currentSection, toRight);
    if (result == MERGE_DONE) NextDifference();
    return result;
}

bool CTextCompareDoc::Undo(int side) {
    // Merges were made on the real text alone; so is their undo.
    m_context->ClearComparison();
    CPoint position;
    const bool done = m_side[side]->Undo(nullptr, position);
    Recompare();
    return done;
}

bool CTextCompareDoc::Redo(int side) {
    m_context->ClearComparison();
    CPoint position;
    const bool done = m_side[side]->Redo(nullptr, position);
    Recompare();
    return done;
}

void CTextCompareDoc::SetCursor(int row, int character) {
    m_hasLineDifference = false;
    m_cursorRow = row;
    m_cursorChar = character;
    m_currentSection = m_context->Sections().FindSection(row);
}

bool CTextCompareDoc::SelectSection(int index) {
    CTextSection section;
    if (!m_context->Sections().GetSection(index, section)) return false;
    m_currentSection = index;
    m_cursorRow = section.leftFirstRow;
    m_cursorChar = 0;
    m_hasLineDifference = false;
    return true;
}

bool CTextCompareDoc::FirstDifference() { return SelectSection(m_context->Sections().FirstDifference()); }
bool CTextCompareDoc::LastDifference() { return SelectSection(m_context->Sections().LastDifference()); }

bool CTextCompareDoc::NextDifference() {
    CTextSection current;
    const int from = m_context->Sections().GetSection(m_currentSection, current) ? current.leftLastRow + 1
                                                                                 : m_cursorRow + 1;
    return SelectSection(m_context->Sections().NextDifference(from));
}

bool CTextCompareDoc::PreviousDifference() {
    CTextSection current;
    const int from = m_context->Sections().GetSection(m_currentSection, current) ? current.leftFirstRow - 1
                                                                                 : m_cursorRow - 1;
    return SelectSection(m_context->Sections().PreviousDifference(from));
}

std::vector<STRINGDIFFERENCE> CTextCompareDoc::LineDifferences(int row) {
    std::vector<STRINGDIFFERENCE> result;
    for (int side = 0; side < 2; ++side)
        if (row < 0 || row >= m_side[side]->GetLineCount() || m_side[side]->IsGhostRow(row)) return result;
    CStringCompare compare;
    CompareLinesUnderRules(compare, m_side[LEFT]->GetLine(row).Characters(),
                           m_side[RIGHT]->GetLine(row).Characters(), m_request.rules, result);
    return result;
}

void CTextCompareDoc::SelectLineDifference(int row, const STRINGDIFFERENCE& difference) {
    m_cursorRow = row;
    m_cursorChar = difference.leftStart;
    m_lineDifference = difference;
    m_hasLineDifference = true;
    m_currentSection = m_context->Sections().FindSection(row);
}

bool CTextCompareDoc::NextLineDifference() {
    const int rows = std::min(m_side[LEFT]->GetLineCount(), m_side[RIGHT]->GetLineCount());
    for (int row = std::max(m_cursorRow, 0); row < rows; ++row) {
        if (!(m_side[LEFT]->GetLine(row).flags & LF_CHANGED)) continue;
        for (const STRINGDIFFERENCE& d : LineDifferences(row)) {
            // On the cursor's row only what lies after it (or at it, when
            // nothing is selected yet) counts.
            if (row == m_cursorRow &&
                (m_hasLineDifference ? d.leftStart <= m_cursorChar : d.leftStart < m_cursorChar))
                continue;
            SelectLineDifference(row, d);
            return true;
        }
    }
    m_messages.Status("No next line difference");
    return false;
}

bool CTextCompareDoc::PreviousLineDifference() {
    for (int row = m_cursorRow; row >= 0; --row) {
        if (row >= m_side[LEFT]->GetLineCount() || !(m_side[LEFT]->GetLine(row).flags & LF_CHANGED)) continue;
        const std::vector<STRINGDIFFERENCE> differences = LineDifferences(row);
        for (auto d = differences.rbegin(); d != differences.rend(); ++d) {
            if (row == m_cursorRow && d->leftStart >= m_cursorChar) continue;
            SelectLineDifference(row, *d);
            return true;
        }
    }
    m_messages.Status("No previous line difference");
    return false;
}

void CTextCompareDoc::SwapSides() {
    std::swap(m_side[LEFT], m_side[RIGHT]);
    m_context = std::make_unique<CTextCompareContext>(*m_side[LEFT], *m_side[RIGHT]);
    m_request.SwapSides();
    Recompare();
}

void CTextCompareDoc::SetSideReadOnly(int side, bool readOnly) {
    uint32_t& flags = m_request.sides[side].flags;
    flags = readOnly ? (flags | SIDE_READ_ONLY) : (flags & ~SIDE_READ_ONLY);
    m_side[side]->SetReadOnly(readOnly);
}

TEXTREPORTSOURCE CTextCompareDoc::ReportSource() {
    TEXTREPORTSOURCE source;
    for (int side = 0; side < 2; ++side) {
        source.sides[side] = m_side[side].get();
        source.paths[side] = m_request.sides[side].path;
    }
    source.rows = m_context->VisibleRowCount();
    source.comparisonTitle = m_request.GetTitle();
    source.documentTitle = GetTitle();
    source.differences = GetDifferenceCount();
    source.rules = m_request.rules;
    source.highlightTrivial = m_highlightTrivial;
    return source;
}

bool CTextCompareDoc::SaveSide(int side, const std::string& path) {
    const std::string target = path.empty() ? m_request.sides[side].path : path;
    std::string error;
    m_hooks->Suspend(target);
    const auto acceptLoss = [&](int line, int count) {
        return m_messages.AskYesNo(SaveLossQuestion(target, line, count)) == platform::ANSWER_YES;
    };
    const bool saved = m_side[side]->SaveTextFile(target, false, error, EOL_KEEP, true, acceptLoss);
    m_hooks->Resume(target);
    if (!saved) {
        m_messages.Error(platform::ReplacePlaceholder(
            platform::ReplacePlaceholder("Cannot save file\n%1\n\n%2", "%1", target), "%2", error));
        return false;
    }
    m_request.sides[side].path = target;
    return true;
}

}  // namespace corvatine
