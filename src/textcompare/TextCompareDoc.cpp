#include "textcompare/TextCompareDoc.h"

#include <algorithm>
#include <string>

#include "fileio/CodePages.h"
#include "fileio/TextFormat.h"
#include "fileio/UniStdioFile.h"
#include "platform/Path.h"
#include "textcompare/TextCompareOptions.h"
#include "textcompare/TextRules.h"

namespace corvatine {

namespace {

constexpr int kMergeAction = 1;

// The name a step takes from the edit that began it, by the views' action
// numbers; commands name their own.
std::string ActionName(int action) {
    switch (action) {
        case 2: return "Delete";
        case 3: return "Cut";
        case 4: return "Typing";
        case 5: return "Paste";
        case 8: return "Replace";
        default: return "Edit";
    }
}

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

CTextCompareDoc::CTextCompareDoc(platform::CMessages& messages, CTextComparer& settings, bool trackChanges,
                                 CFileWatchHooks* hooks)
    : m_messages(messages), m_settings(settings), m_hooks(hooks ? hooks : &m_noHooks) {
    m_side[LEFT] = std::make_unique<CTextCompareObject>(trackChanges);
    m_side[RIGHT] = std::make_unique<CTextCompareObject>(trackChanges);
    m_context = std::make_unique<CTextCompareContext>(*m_side[LEFT], *m_side[RIGHT]);
    m_highlightTrivial = settings.highlightTrivialDifferences != 0;
    m_context->SetMovedLines(settings.movedLines);
    for (auto& side : m_side) side->SetEditSink(this);
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

bool CTextCompareDoc::Open(const CTextCompareParams& request, const SIDETEXT* texts) {
    m_request = request;
    m_context->Sections().RemoveAll();
    m_history = CTextCompareHistory();
    m_editSide = -1;
    for (int side = 0; side < 2; ++side) m_names[side].clear();
    if (texts != nullptr) {
        for (int side = 0; side < 2; ++side) {
            if (!texts[side].given) {
                if (!LoadSide(side, m_request.codePages[side] == CODEPAGE_DETECT ? CP_DETECT
                                                                                 : m_request.codePages[side]))
                    return false;
                continue;
            }
            // A text that is no file: in memory, unmodified, this system's endings.
            m_request.sides[side].path.clear();
            m_names[side] = texts[side].name;
            CTextCompareObject& object = *m_side[side];
            object.ResetToNew(EOL_LF);
            int endLine = 0, endChar = 0;
            if (!texts[side].text.empty())
                (void)object.CSyntaxEditContext::InsertTextAt(nullptr, 0, 0, texts[side].text, endLine,
                                                              endChar, 0, false);
            object.ResetEditState();
            object.SetReadOnly((m_request.sides[side].flags & SIDE_READ_ONLY) != 0);
        }
        return Recompare();
    }
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
    ++m_textGeneration;
    m_currentSection = -1;
    m_cleared = false;
    m_dirty = false;
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

bool CTextCompareDoc::ReloadSide(int side) {
    const std::string& path = m_request.sides[side].path;
    {
        // A file that cannot be read leaves the side as it is.
        UniStdioFile probe;
        if (!probe.OpenRead(path)) {
            const FileErrorInfo& info = probe.GetErrorInfo();
            const std::string reason =
                !info.apiName.empty() ? FormatSystemMessage(info.syserrnum) : info.desc;
            m_messages.Error(platform::ReplacePlaceholder(
                platform::ReplacePlaceholder("Cannot open file\n%1\n\n%2", "%1", path), "%2", reason));
            return false;
        }
    }
    ClearForBulkEdit();
    // In the code page it was read in before, unless the request names one.
    const int32_t requested = m_request.codePages[side];
    const int codePage = requested != CODEPAGE_DETECT                           ? requested
                         : m_side[side]->GetEncodingKind() == ENCODING_CODEPAGE ? m_side[side]->GetCodePage()
                                                                                : CP_DETECT;
    const bool loaded = LoadSide(side, codePage);
    m_history.ForgetSide(side);
    if (m_editSide == side) m_editSide = -1;
    SyncModified();
    Recompare();
    return loaded;
}

bool CTextCompareDoc::ReopenSide(int side, int codePage) {
    const int32_t before = m_request.codePages[side];
    m_request.codePages[side] = codePage;
    if (codePage != CODEPAGE_DETECT && !IsCodePageSupported(codePage)) {
        m_messages.Error("Code page " + std::to_string(codePage) + " cannot be converted on this system.");
        m_request.codePages[side] = before;
        return false;
    }
    if (ReloadSide(side)) return true;
    m_request.codePages[side] = before;
    return false;
}

std::vector<int> CTextCompareDoc::FileChangedOnDisk(const std::string& path) {
    std::vector<int> ask;
    for (int side = 0; side < 2; ++side) {
        if (path.empty() || m_request.sides[side].path != path) continue;
        if (m_side[side]->IsModified())
            ask.push_back(side);
        else
            ReloadSide(side);
    }
    return ask;
}

std::string CTextCompareDoc::ChangedOnDiskQuestion(int side) const {
    std::string name = m_request.sides[side].path;
    if (m_request.sides[0].path == m_request.sides[1].path) name += side == LEFT ? " (left)" : " (right)";
    return platform::ReplacePlaceholder(
        "%s is changed on disk, reload it?\n\nYour unsaved edits of this side will be lost.", "%s", name);
}

std::string CTextCompareDoc::ReloadQuestion() const {
    for (int side = 0; side < 2; ++side)
        if (m_side[side]->IsModified())
            return platform::ReplacePlaceholder("%s is changed, reload anyway?", "%s",
                                                m_request.sides[side].path);
    return std::string();
}

bool CTextCompareDoc::IsAutoRecompare() const { return m_settings.autoRecompare != 0; }

void CTextCompareDoc::SetAutoRecompare(bool on) {
    m_settings.autoRecompare = on ? 1 : 0;
    // What was left stale is compared now.
    if (on && HasStaleRows()) Recompare();
}

// ---- Editing and the history ----

void CTextCompareDoc::OpenStep(CTextCompareObject&) { OpenStep(std::string()); }

void CTextCompareDoc::CloseStep(CTextCompareObject&) { CloseStep(); }

void CTextCompareDoc::OpenStep(const std::string& name) { m_history.Open(name); }

void CTextCompareDoc::CloseStep() {
    if (!m_history.Close()) return;
    SyncModified();
    Settle();
}

void CTextCompareDoc::SideEdited(CTextCompareObject& object, TEXTEDIT edit, const EDITROWS& rows, bool record,
                                 int action, bool typing) {
    edit.side = SideOf(object);
    m_editSide = edit.side;
    m_editCaret = edit.caret;
    TrackEdit(rows);
    if (edit.insertion && !m_pendingOrigins.empty()) {
        edit.origins = std::move(m_pendingOrigins);
        m_pendingOrigins.clear();
        object.RestoreOrigins(edit.start.y, edit.origins);
    }
    if (!record) return;
    const bool own = !m_history.IsOpen();
    if (own) OpenStep(ActionName(action));
    m_history.Name(ActionName(action));
    m_history.Record(std::move(edit), typing);
    if (own) CloseStep();
}

void CTextCompareDoc::TrackEdit(const EDITROWS& rows) {
    ++m_textGeneration;
    if (m_cleared) return;
    if (!m_dirty) {
        m_dirty = true;
        m_dirtyFirst = rows.firstRow;
        m_dirtyTail = rows.rowsAfter;
        return;
    }
    m_dirtyFirst = std::min(m_dirtyFirst, rows.firstRow);
    m_dirtyTail = std::min(m_dirtyTail, rows.rowsAfter);
}

void CTextCompareDoc::ClearForBulkEdit() {
    if (!m_cleared) m_context->ClearComparison();
    m_cleared = true;
    m_dirty = false;
    m_currentSection = -1;
}

void CTextCompareDoc::Settle() {
    if (m_cleared || !m_dirty) return;
    m_dirty = false;
    int first = m_dirtyFirst, tail = m_dirtyTail;
    CTextCompareContext& context = *m_context;
    context.WidenToAnchors(first, tail);
    if (!IsAutoRecompare()) {
        context.MarkStale(first, tail);
    } else if (std::max(context.RegionRows(LEFT, first, tail), context.RegionRows(RIGHT, first, tail)) <=
               kLocalCompareRows) {
        context.CompareRegion(m_request.rules, m_request.lineFilter, first, tail);
    } else if (m_background) {
        context.MarkStale(first, tail);
        StartBackgroundCompare();
    } else {
        Recompare();
        return;
    }
    m_currentSection = m_context->Sections().FindSection(m_cursorRow);
}

void CTextCompareDoc::SetBackgroundRecompare(bool on) {
    if (!on) {
        m_background.reset();
        return;
    }
    if (m_background) return;
    m_background = std::make_unique<CBackgroundCompare>();
    m_background->onDone = [this](uint64_t generation, std::vector<TEXTSECTION>& sections,
                                  const TEXTLINECLASSES* classes) {
        BackgroundCompared(generation, sections, classes);
    };
}

bool CTextCompareDoc::IsRecomparing() const { return m_background && m_background->IsBusy(); }

void CTextCompareDoc::StartBackgroundCompare() {
    std::string texts[2];
    for (int side = 0; side < 2; ++side) m_side[side]->WriteComparisonText(&texts[side], m_request.rules);
    m_background->Start(std::move(texts[0]), std::move(texts[1]), m_request.rules, m_request.lineFilter,
                        m_textGeneration, m_context->MovedLines() > 0);
}

void CTextCompareDoc::BackgroundCompared(uint64_t generation, std::vector<TEXTSECTION>& sections,
                                         const TEXTLINECLASSES* classes) {
    // Sections of a text that has changed since fit it no more; the rows
    // still stale are compared again once the user is done.
    if (generation != m_textGeneration || m_cleared) {
        if (!m_cleared && IsAutoRecompare() && HasStaleRows() && !m_background->IsBusy())
            StartBackgroundCompare();
        return;
    }
    if (!HasStaleRows()) return;  // compared since by other means
    m_context->ApplySections(sections, m_request.rules, classes);
    m_currentSection = m_context->Sections().FindSection(m_cursorRow);
    if (onRecompared) onRecompared();
}

bool CTextCompareDoc::ReplaceText(int side, CPoint from, CPoint to, const std::string& text, int action,
                                  CPoint& caret) {
    CTextCompareObject& object = *m_side[side];
    caret = from;
    if (object.IsReadOnly()) return false;
    if (to.y < from.y || (to.y == from.y && to.x < from.x)) std::swap(from, to);
    OpenStep(ActionName(action));
    CPoint real = object.RowToReal(from);
    bool changed = false;
    if (!(from == to) && object.DeleteRange(nullptr, from.y, from.x, to.y, to.x, action)) changed = true;
    if (!text.empty()) {
        // After a deletion the text goes where it began.
        const CPoint at = changed ? object.RealToRow(real) : from;
        int endLine = 0, endChar = 0;
        if (object.InsertTextAt(nullptr, at.y, at.x, text, endLine, endChar, action)) {
            real = object.RowToReal({endChar, endLine});
            changed = true;
        }
    }
    CloseStep();
    caret = object.RealToRow(real);
    return changed;
}

void CTextCompareDoc::BeginBulkStep(const std::string& name) {
    OpenStep(name);
    ClearForBulkEdit();
}

void CTextCompareDoc::EndBulkStep() {
    CloseStep();
    Recompare();
}

std::string CTextCompareDoc::UndoName() const {
    const TEXTSTEP* step = m_history.UndoStep();
    return step != nullptr ? step->name : std::string();
}

std::string CTextCompareDoc::RedoName() const {
    const TEXTSTEP* step = m_history.RedoStep();
    return step != nullptr ? step->name : std::string();
}

bool CTextCompareDoc::ApplyEdit(const TEXTEDIT& edit, bool forward) {
    CTextCompareObject& side = *m_side[edit.side];
    EDITROWS rows;
    if (edit.insertion == forward) {
        CPoint end;
        if (!side.InsertReal(edit.start, edit.text, edit.pieces.empty() ? nullptr : &edit.pieces, end, rows))
            return false;
        side.RestoreOrigins(edit.start.y, edit.origins);
        m_editCaret = end;
    } else {
        // The text must still be what the step left, or the history no
        // longer fits the text.
        std::string current;
        std::vector<int> pieces;
        side.DescribeReal(edit.start, edit.end, current, pieces);
        if (current != edit.text || !side.DeleteReal(edit.start, edit.end, rows)) return false;
        m_editCaret = edit.start;
    }
    m_editSide = edit.side;
    TrackEdit(rows);
    return true;
}

bool CTextCompareDoc::Replay(bool forward) {
    const TEXTSTEP* step = forward ? m_history.RedoStep() : m_history.UndoStep();
    if (step == nullptr) return false;
    const std::vector<TEXTEDIT> edits = step->edits;
    const bool bulk = edits.size() > static_cast<size_t>(kBulkEdits);
    if (bulk) ClearForBulkEdit();
    bool done = true;
    if (forward) {
        for (const TEXTEDIT& edit : edits)
            if (!(done = ApplyEdit(edit, true))) break;
    } else {
        for (auto edit = edits.rbegin(); edit != edits.rend(); ++edit)
            if (!(done = ApplyEdit(*edit, false))) break;
    }
    if (!done) {
        // Rather than damage the text, the history goes.
        m_history.Clear();
        m_editSide = -1;
        SyncModified();
        Recompare();
        return false;
    }
    if (forward)
        m_history.Redone();
    else
        m_history.Undone();
    SyncModified();
    if (bulk || m_cleared)
        Recompare();
    else
        Settle();
    return true;
}

bool CTextCompareDoc::Undo() { return Replay(false); }

bool CTextCompareDoc::Redo() { return Replay(true); }

bool CTextCompareDoc::GetEditCaret(int& side, CPoint& caret) {
    if (m_editSide < 0) return false;
    side = m_editSide;
    CTextCompareObject& object = *m_side[side];
    const int lines = object.GetRealLineCount();
    CPoint real = m_editCaret;
    if (real.y >= lines) real = object.RowToReal({0, object.GetLineCount()});
    caret = object.RealToRow(real);
    caret.x = std::min(caret.x, object.GetLine(std::min(caret.y, object.GetLineCount() - 1)).Length());
    return true;
}

void CTextCompareDoc::SyncModified() {
    for (int side = 0; side < 2; ++side) {
        const bool modified = m_history.IsModified(side);
        if (m_side[side]->IsModified() != modified) m_side[side]->SetModified(modified);
    }
}

std::string CTextCompareDoc::SideName(int side) const {
    const std::string& path = m_request.sides[side].path;
    if (!path.empty()) return platform::PathFileName(path);
    return m_names[side].empty() ? std::string("Untitled") : m_names[side];
}

std::string CTextCompareDoc::GetTitle() const {
    auto name = [this](int side) { return SideName(side) + (m_side[side]->IsModified() ? " *" : ""); };
    return name(LEFT) + " : " + name(RIGHT);
}

std::string CTextCompareDoc::StatusText() const {
    const int count = GetDifferenceCount();
    std::string text;
    if (count == 0)
        text = m_context->Sections().trivialCount > 0 ? "Only line endings differ" : "Identical";
    else if (m_currentSection >= 0 && m_currentSection < count)
        text = "Difference " + std::to_string(m_currentSection + 1) + " of " + std::to_string(count);
    else
        text = std::to_string(count) + (count == 1 ? " difference" : " differences");
    if (m_context->HasStaleRows()) text += " (edited lines not compared: Recompare, F5)";
    return text;
}

bool CTextCompareDoc::SectionIsCurrent(const CTextSection& section) {
    for (int row = section.leftFirstRow; row <= section.leftLastRow; ++row)
        for (int side = 0; side < 2; ++side)
            if (row >= m_side[side]->GetLineCount() || !(m_side[side]->GetLine(row).flags & LF_DIFFERENCE) ||
                (m_side[side]->GetLine(row).flags & LF_STALE))
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

    const bool all = static_cast<int>(sections.size()) == GetDifferenceCount() && sections.size() > 1;
    OpenStep(std::string(all ? "Copy All" : "Copy") + (toRight ? " to Right" : " to Left"));
    ClearForBulkEdit();  // the engine's line numbers are rows again
    // From the last to the first: a copy leaves the lines before it, and so
    // the line numbers of the sections still to come, as they were.
    for (auto section = sections.rbegin(); section != sections.rend(); ++section)
        CopyLines(*section, toRight);
    CloseStep();
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
    if (tLast + 1 < tCount) {
        if (tLast >= tFirst) target.DeleteRange(nullptr, tFirst, 0, tLast + 1, 0, kMergeAction);
        if (!text.empty()) InsertMerged(target, tFirst, 0, text, source, sFirst, sLast, 0);
    } else if (tFirst <= tLast) {
        // The range reaches the target's end: the target ends as the source does.
        const int last = tCount - 1;
        if (text.empty() && sourceEnds && tFirst > 0)
            target.DeleteRange(nullptr, tFirst - 1, target.GetLine(tFirst - 1).Length(), last,
                               target.GetLine(last).Length(), kMergeAction);
        else
            target.DeleteRange(nullptr, tFirst, 0, last, target.GetLine(last).Length(), kMergeAction);
        if (!text.empty()) InsertMerged(target, tFirst, 0, text, source, sFirst, sLast, 0);
    } else if (!text.empty()) {
        // Lines added after the target's last line.
        const int last = tCount - 1;
        const std::string joined = std::string(EndingForStyle(target.GetLineEndingStyle())) + text;
        InsertMerged(target, last, target.GetLine(last).Length(), joined, source, sFirst, sLast, 1);
    }
}

void CTextCompareDoc::InsertMerged(CTextCompareObject& target, int line, int character,
                                   const std::string& text, const CTextCompareObject& source, int first,
                                   int last, int shift) {
    // The rows are real lines while merging: the source's real lines are its rows.
    m_pendingOrigins.clear();
    for (int row = first; row <= last && row < source.GetLineCount(); ++row)
        if (std::unique_ptr<LINEORIGIN> origin = source.OriginOf(source.GetLine(row)))
            m_pendingOrigins.emplace_back(row - first + shift, std::move(origin));
    int endLine = 0, endChar = 0;
    (void)target.InsertTextAt(nullptr, line, character, text, endLine, endChar, kMergeAction);
    m_pendingOrigins.clear();
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

    OpenStep(toRight ? "Insert to Right" : "Insert to Left");
    ClearForBulkEdit();
    std::string text = SourceText(source, sFirst, sLast, target);
    if (!text.empty()) {
        const int tCount = target.GetLineCount();
        if (tLast + 1 < tCount) {
            // Inserted before other lines, the text must end a line.
            // unless only the empty line after a final line ending follows.
            const bool beforeText = tLast + 2 < tCount || target.GetLine(tCount - 1).FullLength() > 0;
            if (beforeText && source.GetLine(sLast).EndingLength() == 0)
                text.append(EndingForStyle(target.GetLineEndingStyle()));
            InsertMerged(target, tLast + 1, 0, text, source, sFirst, sLast, 0);
        } else {
            const int last = tCount - 1;
            text.insert(0, EndingForStyle(target.GetLineEndingStyle()));
            InsertMerged(target, last, target.GetLine(last).Length(), text, source, sFirst, sLast, 1);
        }
    }
    CloseStep();
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
                           m_side[RIGHT]->GetLine(row).Characters(), m_request.rules, m_settings, result);
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

void CTextCompareDoc::SetMovedLines(int lines) { m_context->SetMovedLines(std::max(0, lines)); }

bool CTextCompareDoc::MoveCounterpart(int side, int row, int& otherSide, int& otherRow) const {
    const int index = m_context->FindMove(side, row);
    if (index < 0) return false;
    const TEXTMOVE& move = m_context->Moves()[static_cast<size_t>(index)];
    otherSide = 1 - side;
    otherRow = side == LEFT ? move.rightFirstRow : move.leftFirstRow;
    return true;
}

bool CTextCompareDoc::MoveStartsAt(int side, int row) const {
    const CTextCompareObject& object = *m_side[side];
    if (row < 0 || row >= object.GetLineCount() || !(object.GetLine(row).flags & LF_MOVED)) return false;
    if (row == 0 || !(object.GetLine(row - 1).flags & LF_MOVED)) return true;
    // Two blocks may stand one after the other.
    return m_context->FindMove(side, row) != m_context->FindMove(side, row - 1);
}

void CTextCompareDoc::SwapSides() {
    std::swap(m_side[LEFT], m_side[RIGHT]);
    const int movedLines = m_context->MovedLines();
    m_context = std::make_unique<CTextCompareContext>(*m_side[LEFT], *m_side[RIGHT]);
    m_context->SetMovedLines(movedLines);
    m_request.SwapSides();
    m_history.SwapSides();
    if (m_editSide >= 0) m_editSide = 1 - m_editSide;
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
    source.options = &m_settings;
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
    m_history.MarkSaved(side);
    return true;
}

}  // namespace corvatine
