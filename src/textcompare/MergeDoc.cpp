#include "textcompare/MergeDoc.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <thread>

#include "fileio/CodePages.h"
#include "fileio/EncodingDetect.h"
#include "fileio/TextFormat.h"
#include "fileio/UniStdioFile.h"
#include "platform/AtomicFile.h"
#include "request/TextRuleWord.h"
#include "textcompare/LineFilter.h"
#include "textcompare/TextRules.h"

namespace corvatine {

namespace {

constexpr const char* kSideNames[3] = {"BASE", "OURS", "THEIRS"};

// Whether a line left in a chunk the user edited still is a conflict marker.
bool IsMarkerLine(std::string_view line) {
    for (const char* marker : {"<<<<<<<", "|||||||", ">>>>>>>"})
        if (line.substr(0, 7) == marker && (line.size() == 7 || line[7] == ' ')) return true;
    return line == "=======";
}

// The lines of text, split at LF, CR LF and CR, into the buffer as a load
// puts them: the last line holds what follows the last ending (often
// nothing) and has none.
void PutLines(CSyntaxEditContextEx& buffer, std::string_view text) {
    buffer.SetLineCount(0);
    size_t start = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\n' && text[i] != '\r') continue;
        const size_t endingLength = text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n' ? 2 : 1;
        buffer.AppendLoadedLine(text.substr(start, i - start), text.substr(i, endingLength));
        i += endingLength - 1;
        start = i + 1;
    }
    buffer.AppendLoadedLine(text.substr(start), std::string_view());
}

// A side's lines as the engine compares them: where the line endings count
// (rules without "ignore line endings"), a line ending in CR LF or CR is
// told apart from the same characters ending in LF.
void GatherMergeLines(CSyntaxEditContextEx& side, uint32_t rules, TEXTLINES& lines, CLineStore& store) {
    GatherComparisonLines(side, rules, lines, store);
    if (rules & RULE_IGNORE_LINE_ENDINGS) return;
    const size_t count = lines.Count();
    bool listed = false;
    for (size_t i = 0; i < count; ++i) {
        const std::string_view ending = side.GetLine(static_cast<int>(i)).Ending();
        if (ending.empty() || ending == "\n") continue;
        if (!listed) {
            // Lines read from the buffer are listed from here on.
            TEXTLINES listedLines;
            listedLines.starts.reserve(count);
            for (size_t j = 0; j < count; ++j) listedLines.starts.push_back(lines.Start(j));
            listedLines.lastIncomplete = lines.lastIncomplete;
            lines = std::move(listedLines);
            listed = true;
        }
        std::string marked(lines.Line(i));
        marked += ending == "\r\n" ? "\r" : "\r\r";
        lines.starts[i] = store.Add(marked).data();
    }
}

bool SameEncoding(const CSyntaxEditContextEx& a, const CSyntaxEditContextEx& b) {
    const int kindA = a.GetEncodingKind() < 0 ? ENCODING_CODEPAGE : a.GetEncodingKind();
    const int kindB = b.GetEncodingKind() < 0 ? ENCODING_CODEPAGE : b.GetEncodingKind();
    return kindA == kindB &&
           (kindA != ENCODING_CODEPAGE || CodePagesEquivalent(a.GetCodePage(), b.GetCodePage()));
}

}  // namespace

CMergeDoc::CMergeDoc() {
    for (auto& side : m_sides) side = std::make_unique<CSyntaxEditContextEx>();
}

bool CMergeDoc::Load(const std::array<std::string, 3>& paths, std::string& error) {
    m_paths = paths;
    m_baseMissing = false;
    for (int s = 0; s < 3; ++s) m_labels[static_cast<size_t>(s)] = paths[static_cast<size_t>(s)];
    // BASE may be missing (a file both sides added); the other two may not.
    struct stat st {};
    if (::stat(paths[0].c_str(), &st) != 0 && errno == ENOENT) {
        m_baseMissing = true;
        m_sides[0]->SetEncodingKind(ENCODING_CODEPAGE);
        m_sides[0]->SetCodePage(WorkingCodePage());
        m_sides[0]->SetLineEndingStyle(EOL_LF);
        PutLines(*m_sides[0], std::string_view());
    }
    int results[3] = {LOAD_OK, LOAD_OK, LOAD_OK};
    std::string errors[3];
    const auto load = [&](int s) {
        if (s == 0 && m_baseMissing) return;
        const auto i = static_cast<size_t>(s);
        struct stat info {};
        if (::stat(paths[i].c_str(), &info) == 0 && S_ISDIR(info.st_mode)) {
            results[s] = LOAD_FAILED;
            errors[s] = "is a folder";
            return;
        }
        int lossy = 0;
        results[s] = m_sides[i]->LoadTextFile(paths[i], lossy, EOL_KEEP, CP_DETECT, errors[s]);
    };
    // The three files load side by side.
    std::thread loadBase(load, 0), loadTheirs(load, 2);
    load(1);
    loadBase.join();
    loadTheirs.join();
    for (const int s : {0, 1, 2}) {
        const std::string& path = paths[static_cast<size_t>(s)];
        if (results[s] == LOAD_FAILED) {
            error = "cannot read " + std::string(kSideNames[s]) + " '" + path + "': " + errors[s];
            return false;
        }
        if (results[s] == LOAD_BINARY) {
            error =
                std::string(kSideNames[s]) + " '" + path + "' holds binary data: it cannot be merged as text";
            return false;
        }
    }
    return true;
}

bool CMergeDoc::Open(const MERGEREQUEST& request, std::string& error) {
    uint32_t rules = 0;
    if (!ParseTextRuleWords(request.rules, rules, error)) return false;
    if (rules & RULE_IGNORE_LINES_MATCHING_FILTER) {
        error = "the rule 'ignorelinesmatchingfilter' needs a line filter, which a merge does not take";
        return false;
    }
    if (!Load(request.paths, error)) return false;
    constexpr int kLabelSides[3] = {MERGE_SIDE_OURS, MERGE_SIDE_BASE, MERGE_SIDE_THEIRS};
    for (size_t i = 0; i < request.labels.size() && i < 3; ++i) SetLabel(kLabelSides[i], request.labels[i]);
    SetDiff3(request.diff3);
    return Merge(rules, std::string(), error);
}

void CMergeDoc::LoadTexts(const std::array<std::string, 3>& texts) {
    m_baseMissing = false;
    for (size_t s = 0; s < 3; ++s) {
        m_paths[s] = m_labels[s] = kSideNames[s];
        m_sides[s]->SetEncodingKind(ENCODING_CODEPAGE);
        m_sides[s]->SetCodePage(WorkingCodePage());
        const bool crlf = texts[s].find("\r\n") != std::string::npos;
        m_sides[s]->SetLineEndingStyle(crlf ? EOL_CRLF : EOL_LF);
        PutLines(*m_sides[s], texts[s]);
    }
}

bool CMergeDoc::Merge(uint32_t rules, const std::string& lineFilter, std::string& error) {
    const std::unique_ptr<CLineFilter> filter = LineFilterFromRules(rules, lineFilter);
    if (filter != nullptr && !filter->IsValid()) {
        error = "invalid line filter '" + lineFilter + "': " + filter->Error();
        return false;
    }
    CTextCompare engine;
    ApplyRulesToEngine(engine, rules, filter.get(), 4);
    std::array<TEXTLINES, 3> lines;
    std::array<CLineStore, 3> stores;
    for (size_t s = 0; s < 3; ++s) {
        GatherMergeLines(*m_sides[s], rules, lines[s], stores[s]);
        m_lineCounts[s] = static_cast<int>(lines[s].Count());
    }
    DecideEndings();
    m_chunks = MergeLines(engine, lines[0], lines[1], lines[2]);
    m_states.assign(m_chunks.size(), CHUNKSTATE());
    m_history.clear();
    m_undoPosition = m_savedPosition = 0;
    return true;
}

int CMergeDoc::ConflictCount() const {
    int count = 0;
    for (const MERGECHUNK& chunk : m_chunks) count += chunk.kind == MERGE_CONFLICT ? 1 : 0;
    return count;
}

int CMergeDoc::UnresolvedCount() const {
    int count = 0;
    for (int c = 0; c < ChunkCount(); ++c) count += IsUnresolved(c) ? 1 : 0;
    return count;
}

bool CMergeDoc::IsUnresolved(int chunk) const {
    return chunk >= 0 && chunk < ChunkCount() &&
           m_chunks[static_cast<size_t>(chunk)].kind == MERGE_CONFLICT &&
           !m_states[static_cast<size_t>(chunk)].resolved;
}

int CMergeDoc::ConflictNumber(int chunk) const {
    if (chunk < 0 || chunk >= ChunkCount() || m_chunks[static_cast<size_t>(chunk)].kind != MERGE_CONFLICT)
        return 0;
    int number = 0;
    for (int c = 0; c <= chunk; ++c)
        number += m_chunks[static_cast<size_t>(c)].kind == MERGE_CONFLICT ? 1 : 0;
    return number;
}

int CMergeDoc::FindChunk(int chunk, bool forward, bool conflictsOnly) const {
    for (int c = forward ? chunk + 1 : chunk - 1; c >= 0 && c < ChunkCount(); c += forward ? 1 : -1) {
        const int kind = m_chunks[static_cast<size_t>(c)].kind;
        if (conflictsOnly ? kind == MERGE_CONFLICT : kind != MERGE_UNCHANGED) return c;
    }
    return -1;
}

void CMergeDoc::SideRange(int chunk, int side, int& first, int& end) const {
    const MERGECHUNK& c = m_chunks[static_cast<size_t>(chunk)];
    first = side == MERGE_SIDE_BASE ? c.baseFirst : side == MERGE_SIDE_OURS ? c.oursFirst : c.theirsFirst;
    end = side == MERGE_SIDE_BASE ? c.baseEnd : side == MERGE_SIDE_OURS ? c.oursEnd : c.theirsEnd;
}

void CMergeDoc::AppendSide(int side, int first, int end, std::vector<MERGEDLINE>& lines) const {
    for (int i = first; i < end; ++i) lines.push_back({side, i, std::string()});
}

bool CMergeDoc::SameLine(int sideA, int lineA, int sideB, int lineB) const {
    const CSyntaxTextLine& a = m_sides[static_cast<size_t>(sideA)]->GetLine(lineA);
    const CSyntaxTextLine& b = m_sides[static_cast<size_t>(sideB)]->GetLine(lineB);
    return a.Characters() == b.Characters() && a.Ending().empty() == b.Ending().empty();
}

void CMergeDoc::ConflictLines(int chunk, std::vector<MERGEDLINE>& lines) const {
    const MERGECHUNK& c = m_chunks[static_cast<size_t>(chunk)];
    int oursFirst = c.oursFirst, oursEnd = c.oursEnd, theirsFirst = c.theirsFirst, theirsEnd = c.theirsEnd;
    // Without BASE shown, the lines both sides agree on at either end stand
    // outside the markers, as git writes them.
    if (!m_diff3) {
        while (oursFirst < oursEnd && theirsFirst < theirsEnd &&
               SameLine(MERGE_SIDE_OURS, oursFirst, MERGE_SIDE_THEIRS, theirsFirst)) {
            ++oursFirst;
            ++theirsFirst;
        }
        while (oursEnd > oursFirst && theirsEnd > theirsFirst &&
               SameLine(MERGE_SIDE_OURS, oursEnd - 1, MERGE_SIDE_THEIRS, theirsEnd - 1)) {
            --oursEnd;
            --theirsEnd;
        }
    }
    const auto marker = [&](const char* text, int side) {
        const std::string& label = m_labels[static_cast<size_t>(side)];
        lines.push_back({-1, 0, label.empty() ? std::string(text) : std::string(text) + " " + label});
    };
    AppendSide(MERGE_SIDE_OURS, c.oursFirst, oursFirst, lines);
    marker("<<<<<<<", MERGE_SIDE_OURS);
    AppendSide(MERGE_SIDE_OURS, oursFirst, oursEnd, lines);
    if (m_diff3) {
        marker("|||||||", MERGE_SIDE_BASE);
        AppendSide(MERGE_SIDE_BASE, c.baseFirst, c.baseEnd, lines);
    }
    lines.push_back({-1, 0, "======="});
    AppendSide(MERGE_SIDE_THEIRS, theirsFirst, theirsEnd, lines);
    marker(">>>>>>>", MERGE_SIDE_THEIRS);
    AppendSide(MERGE_SIDE_OURS, oursEnd, c.oursEnd, lines);
}

void CMergeDoc::ChunkLines(int chunk, std::vector<MERGEDLINE>& lines) const {
    const MERGECHUNK& c = m_chunks[static_cast<size_t>(chunk)];
    const CHUNKSTATE& state = m_states[static_cast<size_t>(chunk)];
    switch (state.content) {
        case CONTENT_AUTO:
            if (c.kind == MERGE_CONFLICT)
                ConflictLines(chunk, lines);
            else if (c.kind == MERGE_THEIRS)
                AppendSide(MERGE_SIDE_THEIRS, c.theirsFirst, c.theirsEnd, lines);
            else
                AppendSide(MERGE_SIDE_OURS, c.oursFirst, c.oursEnd, lines);
            break;
        case CONTENT_OURS: AppendSide(MERGE_SIDE_OURS, c.oursFirst, c.oursEnd, lines); break;
        case CONTENT_THEIRS: AppendSide(MERGE_SIDE_THEIRS, c.theirsFirst, c.theirsEnd, lines); break;
        case CONTENT_OURS_THEIRS:
            AppendSide(MERGE_SIDE_OURS, c.oursFirst, c.oursEnd, lines);
            AppendSide(MERGE_SIDE_THEIRS, c.theirsFirst, c.theirsEnd, lines);
            break;
        case CONTENT_THEIRS_OURS:
            AppendSide(MERGE_SIDE_THEIRS, c.theirsFirst, c.theirsEnd, lines);
            AppendSide(MERGE_SIDE_OURS, c.oursFirst, c.oursEnd, lines);
            break;
        case CONTENT_BASE: AppendSide(MERGE_SIDE_BASE, c.baseFirst, c.baseEnd, lines); break;
        default:
            for (const std::string& text : state.edited) lines.push_back({-1, 0, text});
            break;
    }
}

int CMergeDoc::ChunkLineCount(int chunk) const {
    const MERGECHUNK& c = m_chunks[static_cast<size_t>(chunk)];
    const CHUNKSTATE& state = m_states[static_cast<size_t>(chunk)];
    const int ours = c.oursEnd - c.oursFirst, theirs = c.theirsEnd - c.theirsFirst;
    switch (state.content) {
        case CONTENT_AUTO:
            if (c.kind == MERGE_CONFLICT) {
                std::vector<MERGEDLINE> lines;
                ConflictLines(chunk, lines);
                return static_cast<int>(lines.size());
            }
            return c.kind == MERGE_THEIRS ? theirs : ours;
        case CONTENT_OURS: return ours;
        case CONTENT_THEIRS: return theirs;
        case CONTENT_OURS_THEIRS:
        case CONTENT_THEIRS_OURS: return ours + theirs;
        case CONTENT_BASE: return c.baseEnd - c.baseFirst;
        default: return static_cast<int>(state.edited.size());
    }
}

std::string_view CMergeDoc::LineCharacters(const MERGEDLINE& line) const {
    if (line.side < 0) return line.text;
    return m_sides[static_cast<size_t>(line.side)]->GetLine(line.line).Characters();
}

void CMergeDoc::DecideEndings() {
    const CSyntaxEditContextEx& ours = *m_sides[MERGE_SIDE_OURS];
    std::string_view kind;
    bool mixed = false;
    for (int i = 0; i < ours.GetLineCount() && !mixed; ++i) {
        const std::string_view ending = ours.GetLine(i).Ending();
        if (ending.empty()) continue;
        if (kind.empty()) kind = ending;
        mixed = ending != kind;
    }
    m_keepOwnEndings = mixed || kind.empty();
    m_newEnding = mixed ? EndingForStyle(ours.GetLineEndingStyle()) : kind;
    if (!kind.empty()) return;
    // OURS has no ending at all (one line, or none): the other files' kind.
    m_newEnding = "\n";
    for (const int side : {MERGE_SIDE_THEIRS, MERGE_SIDE_BASE}) {
        const CSyntaxEditContextEx& other = *m_sides[static_cast<size_t>(side)];
        for (int i = 0; i < other.GetLineCount(); ++i) {
            if (other.GetLine(i).Ending().empty()) continue;
            m_newEnding = other.GetLine(i).Ending();
            return;
        }
    }
}

std::string_view CMergeDoc::LineEnding(const MERGEDLINE& line) const {
    if (line.side < 0) return m_newEnding;
    const std::string_view own = m_sides[static_cast<size_t>(line.side)]->GetLine(line.line).Ending();
    // OURS's lines keep their own endings; the others take OURS's kind,
    // unless OURS mixes kinds or has none to give.
    if (own.empty() || line.side == MERGE_SIDE_OURS || m_keepOwnEndings) return own;
    return m_newEnding;
}

bool CMergeDoc::Apply(int chunk, CHUNKSTATE state) {
    if (chunk < 0 || chunk >= ChunkCount()) return false;
    CHUNKSTATE& current = m_states[static_cast<size_t>(chunk)];
    if (current == state) return false;
    // A step undone and then replaced by another cannot be redone.
    m_history.resize(static_cast<size_t>(m_undoPosition));
    if (m_savedPosition > m_undoPosition) m_savedPosition = -1;
    m_history.push_back({chunk, current, state});
    ++m_undoPosition;
    current = std::move(state);
    return true;
}

bool CMergeDoc::Take(int chunk, int content) {
    if (content < CONTENT_OURS || content > CONTENT_BASE) return false;
    return Apply(chunk, CHUNKSTATE{content, true, {}});
}

bool CMergeDoc::Edit(int chunk, std::vector<std::string> lines) {
    bool markers = false;
    for (const std::string& line : lines) markers = markers || IsMarkerLine(line);
    return Apply(chunk, CHUNKSTATE{CONTENT_EDITED, !markers, std::move(lines)});
}

bool CMergeDoc::MarkResolved(int chunk, bool resolved) {
    if (chunk < 0 || chunk >= ChunkCount() || m_chunks[static_cast<size_t>(chunk)].kind != MERGE_CONFLICT)
        return false;
    CHUNKSTATE state = m_states[static_cast<size_t>(chunk)];
    state.resolved = resolved;
    return Apply(chunk, std::move(state));
}

bool CMergeDoc::Undo(int& chunk) {
    if (!CanUndo()) return false;
    const STEP& step = m_history[static_cast<size_t>(--m_undoPosition)];
    m_states[static_cast<size_t>(step.chunk)] = step.before;
    chunk = step.chunk;
    return true;
}

bool CMergeDoc::Redo(int& chunk) {
    if (!CanRedo()) return false;
    const STEP& step = m_history[static_cast<size_t>(m_undoPosition++)];
    m_states[static_cast<size_t>(step.chunk)] = step.after;
    chunk = step.chunk;
    return true;
}

bool CMergeDoc::WriteMerged(const LineWriter& write) const {
    // A line is written once the next one is known: a last line of a side
    // that has no ending gets one when anything follows it.
    bool pending = false;
    int pendingSide = -1, pendingLine = 0;
    std::string_view pendingCharacters, pendingEnding;
    const std::string_view oursEnding = m_newEnding;
    const auto put = [&](int side, int line, std::string_view characters, std::string_view ending) {
        if (pending) {
            const std::string_view ended = pendingEnding.empty() ? oursEnding : pendingEnding;
            if (!write(pendingSide, pendingLine, pendingCharacters, ended)) return false;
        }
        pending = true;
        pendingSide = side;
        pendingLine = line;
        pendingCharacters = characters;
        pendingEnding = ending;
        return true;
    };
    std::vector<MERGEDLINE> lines;
    for (int c = 0; c < ChunkCount(); ++c) {
        lines.clear();
        const CHUNKSTATE& state = m_states[static_cast<size_t>(c)];
        const MERGECHUNK& chunk = m_chunks[static_cast<size_t>(c)];
        // Most chunks are a side's lines: those go out without a list.
        if (state.content == CONTENT_AUTO && chunk.kind != MERGE_CONFLICT) {
            const int side = chunk.kind == MERGE_THEIRS ? MERGE_SIDE_THEIRS : MERGE_SIDE_OURS;
            int first = 0, end = 0;
            SideRange(c, side, first, end);
            for (int i = first; i < end; ++i) {
                const MERGEDLINE line{side, i, std::string()};
                if (!put(side, i, LineCharacters(line), LineEnding(line))) return false;
            }
            continue;
        }
        ChunkLines(c, lines);
        for (const MERGEDLINE& line : lines) {
            // Lines of their own live in the list only: they are written now.
            if (line.side < 0) {
                if (!put(-1, 0, std::string_view(), std::string_view())) return false;
                pending = false;
                if (!write(-1, 0, line.text, oursEnding)) return false;
                continue;
            }
            if (!put(line.side, line.line, LineCharacters(line), LineEnding(line))) return false;
        }
    }
    if (pending && !write(pendingSide, pendingLine, pendingCharacters, pendingEnding)) return false;
    return true;
}

namespace {

// Writes the merged text into an open file in the encoding set on it. The
// first line whose characters the encoding cannot represent stops it.
bool WriteMergedToFile(const CMergeDoc& doc, UniStdioFile& file, std::string& error) {
    const CSyntaxEditContextEx& ours = doc.Side(MERGE_SIDE_OURS);
    const bool codePage = file.GetEncodingKind() == ENCODING_CODEPAGE;
    bool ok = file.WriteBom();
    int written = 0;
    bool lossy = false;
    const bool done =
        ok && doc.WriteMerged([&](int side, int line, std::string_view characters, std::string_view ending) {
            ++written;
            if (side >= 0 && SameEncoding(doc.Side(side), ours)) {
                // Lines read with loss go back as the bytes they were read from.
                if (const std::string* bytes = doc.Side(side).BytesAsRead(doc.Side(side).GetLine(line))) {
                    ok = file.WriteRaw(*bytes) && (codePage ? file.WriteRaw(ending) : file.WriteText(ending));
                    return ok;
                }
            }
            const int before = file.LossyWritten();
            ok = file.WriteText(characters) && (codePage ? file.WriteRaw(ending) : file.WriteText(ending));
            if (ok && file.LossyWritten() != before) {
                lossy = true;
                return false;
            }
            return ok;
        });
    if (lossy) {
        error =
            "line " + std::to_string(written) + " of the merged text cannot be written in OURS's encoding";
        return false;
    }
    if (!done || !ok) {
        std::string reason;
        const FileErrorInfo& info = file.GetErrorInfo();
        reason = !info.desc.empty() ? info.desc : FormatSystemMessage(info.syserrnum);
        error = "cannot write '" + file.GetFullPath() + "': " + reason;
        return false;
    }
    return true;
}

bool OpenForMerged(const CMergeDoc& doc, UniStdioFile& file, const std::string& path, std::string& error) {
    const CSyntaxEditContextEx& ours = doc.Side(MERGE_SIDE_OURS);
    file.SetEncodingKind(ours.GetEncodingKind() < 0 ? ENCODING_CODEPAGE : ours.GetEncodingKind());
    file.SetCodePage(ours.GetCodePage());
    if (file.OpenWrite(path)) return true;
    const FileErrorInfo& info = file.GetErrorInfo();
    error = "cannot write '" + path +
            "': " + (!info.desc.empty() ? info.desc : FormatSystemMessage(info.syserrnum));
    return false;
}

}  // namespace

bool CMergeDoc::Save(const std::string& path, std::string& error) {
    UniStdioFile file;
    if (!OpenForMerged(*this, file, path, error)) return false;
    // A file with several links (or an owner a new file cannot take) is
    // written in place: lines that lie in a loaded file's view, which may be
    // that file, get their own copy before its bytes change.
    if (file.WritesInPlace())
        for (auto& side : m_sides) side->CopyBorrowedText();
    if (!WriteMergedToFile(*this, file, error)) {
        file.Close();  // the target stays as it was
        return false;
    }
    if (!file.Commit()) {
        const FileErrorInfo& info = file.GetErrorInfo();
        error = "cannot write '" + path +
                "': " + (!info.desc.empty() ? info.desc : FormatSystemMessage(info.syserrnum));
        file.Close();
        return false;
    }
    file.Close();
    m_savedPosition = m_undoPosition;
    return true;
}

bool CMergeDoc::WriteBytes(const ByteSink& put, std::string& error) const {
    const CSyntaxEditContextEx& ours = *m_sides[MERGE_SIDE_OURS];
    // Text in the working code page is its own bytes.
    if ((ours.GetEncodingKind() <= ENCODING_CODEPAGE &&
         CodePagesEquivalent(ours.GetCodePage(), WorkingCodePage())) ||
        (ours.GetEncodingKind() == ENCODING_UTF8 && WorkingCodePage() == 65001)) {
        std::string buffer;
        if (ours.GetEncodingKind() == ENCODING_UTF8) buffer = "\xEF\xBB\xBF";
        constexpr size_t kPiece = 1 << 16;
        bool ok = WriteMerged([&](int side, int line, std::string_view characters, std::string_view ending) {
            const std::string* raw = side >= 0 && SameEncoding(Side(side), ours)
                                         ? Side(side).BytesAsRead(Side(side).GetLine(line))
                                         : nullptr;
            buffer += raw != nullptr ? std::string_view(*raw) : characters;
            buffer += ending;
            if (buffer.size() < kPiece) return true;
            const bool taken = put(buffer);
            buffer.clear();
            return taken;
        });
        ok = ok && (buffer.empty() || put(buffer));
        if (!ok) error = "cannot write the merged text";
        return ok;
    }
    // Any other encoding goes through the file writer, into a temporary file.
    const std::string temporary = MakeTempFileName();
    if (temporary.empty()) {
        error = "cannot make a temporary file: " + FormatSystemMessage(errno);
        return false;
    }
    UniStdioFile file;
    bool ok = OpenForMerged(*this, file, temporary, error) && WriteMergedToFile(*this, file, error);
    if (ok && !file.Commit()) {
        error = "cannot write '" + temporary + "'";
        ok = false;
    }
    file.Close();
    std::string bytes;
    bool missing = false;
    if (ok) ok = platform::ReadWholeFile(temporary, bytes, missing, error);
    ::unlink(temporary.c_str());
    if (ok && !put(bytes)) {
        error = "cannot write the merged text";
        ok = false;
    }
    return ok;
}

bool CMergeDoc::MergedBytes(std::string& bytes, std::string& error) const {
    bytes.clear();
    return WriteBytes(
        [&](std::string_view piece) {
            bytes += piece;
            return true;
        },
        error);
}

void CMergeDoc::AlignRows(bool withBase) {
    m_rowStarts.assign(1, 0);
    m_rowStarts.reserve(m_chunks.size() + 1);
    m_mergedStarts.assign(1, 0);
    m_mergedStarts.reserve(m_chunks.size() + 1);
    for (int c = 0; c < ChunkCount(); ++c) {
        const MERGECHUNK& chunk = m_chunks[static_cast<size_t>(c)];
        const int merged = ChunkLineCount(c);
        m_mergedStarts.push_back(m_mergedStarts.back() + merged);
        int rows = std::max({chunk.oursEnd - chunk.oursFirst, chunk.theirsEnd - chunk.theirsFirst, merged});
        if (withBase) rows = std::max(rows, chunk.baseEnd - chunk.baseFirst);
        m_rowStarts.push_back(m_rowStarts.back() + rows);
    }
}

int CMergeDoc::ChunkAtRow(int row) const {
    if (m_chunks.empty() || m_rowStarts.size() != m_chunks.size() + 1) return -1;
    // The last chunk whose first row is at most row.
    const auto after = std::upper_bound(m_rowStarts.begin(), m_rowStarts.end() - 1, row);
    return std::max(0, static_cast<int>(after - m_rowStarts.begin()) - 1);
}

int CMergeDoc::LineAtRow(int column, int row) const {
    const int c = ChunkAtRow(row);
    if (c < 0 || row < 0 || row >= RowCount()) return -1;
    const int offset = row - ChunkFirstRow(c);
    if (column == MERGE_COLUMN_MERGED) return offset < ChunkLineCount(c) ? offset : -1;
    int first = 0, end = 0;
    SideRange(c, column, first, end);
    return first + offset < end ? first + offset : -1;
}

bool CMergeDoc::MergedLineAtRow(int row, MERGEDLINE& line) const {
    const int offset = LineAtRow(MERGE_COLUMN_MERGED, row);
    if (offset < 0) return false;
    const int c = ChunkAtRow(row);
    const MERGECHUNK& chunk = m_chunks[static_cast<size_t>(c)];
    const CHUNKSTATE& state = m_states[static_cast<size_t>(c)];
    // A side's lines as they are: no list needed.
    if (state.content == CONTENT_AUTO && chunk.kind != MERGE_CONFLICT) {
        line.side = chunk.kind == MERGE_THEIRS ? MERGE_SIDE_THEIRS : MERGE_SIDE_OURS;
        line.line = (chunk.kind == MERGE_THEIRS ? chunk.theirsFirst : chunk.oursFirst) + offset;
        line.text.clear();
        return true;
    }
    std::vector<MERGEDLINE> lines;
    ChunkLines(c, lines);
    line = std::move(lines[static_cast<size_t>(offset)]);
    return true;
}

std::string CMergeDoc::Dump() const {
    std::string out;
    int merged = 0;
    for (int c = 0; c < ChunkCount(); ++c) {
        std::string line = DumpMergeChunks({m_chunks[static_cast<size_t>(c)]});
        line.pop_back();
        const int count = ChunkLineCount(c);
        const CHUNKSTATE& state = m_states[static_cast<size_t>(c)];
        out += line + " merged " + std::to_string(merged) + "-" + std::to_string(merged + count);
        if (m_chunks[static_cast<size_t>(c)].kind == MERGE_CONFLICT)
            out += state.resolved ? " resolved" : " unresolved";
        if (state.content != CONTENT_AUTO) out += " content " + std::to_string(state.content);
        out += "\n";
        merged += count;
    }
    return out;
}

}  // namespace corvatine
