#include "editor/SyntaxEditContextEx.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>

#include "editor/SyntaxEditor.h"
#include "fileio/CodePages.h"
#include "fileio/TextFormat.h"
#include "fileio/UniStdioFile.h"

namespace corvatine {

namespace {

constexpr int kInitialLineRoom = 500;

// The reason an open failed, as the error record tells it.
void ErrorText(const FileErrorInfo& info, std::string& error) {
    if (!info.apiName.empty())
        error = FormatSystemMessage(info.syserrnum);
    else if (!info.desc.empty())
        error = info.desc;
}

}  // namespace

CSyntaxEditContextEx::CSyntaxEditContextEx(bool trackChanges)
    : CSyntaxEditContext(trackChanges), m_codePage(WorkingCodePage()) {}

int CSyntaxEditContextEx::LoadTextFile(const std::string& path, int& lossy, int style, int codePage,
                                       std::string& error) {
    SetSyntaxDefinition(GetSyntaxEditor().FindDefinitionForPath(path));
    m_loadStats.Reset();
    m_loadEncoding = DETECTEDENCODING();

    m_filePath.clear();
    m_fileIdentity = platform::FILEIDENTITY();
    UniMemFile file;
    if (!file.OpenRead(path)) {
        ErrorText(file.GetErrorInfo(), error);
        ResetToNew(EOL_CRLF);
        return LOAD_FAILED;
    }
    return LoadOpened(file, path, lossy, style, codePage);
}

int CSyntaxEditContextEx::LoadTextBytes(const std::string& name, std::string_view bytes, int& lossy,
                                        int style, int codePage) {
    SetSyntaxDefinition(GetSyntaxEditor().FindDefinitionForPath(name));
    m_loadStats.Reset();
    m_loadEncoding = DETECTEDENCODING();
    m_filePath.clear();
    m_fileIdentity = platform::FILEIDENTITY();
    UniMemFile file;
    if (!file.OpenBytes(name, bytes)) {
        ResetToNew(EOL_CRLF);
        return LOAD_FAILED;
    }
    const int result = LoadOpened(file, std::string(), lossy, style, codePage);
    return result;
}

int CSyntaxEditContextEx::LoadOpened(UniMemFile& file, const std::string& path, int& lossy, int style,
                                     int codePage) {
    // The line vector and the loaded text sized from the file, so that
    // neither grows by copying while it is read; the lines get an eighth
    // more room for the placeholder rows a comparison adds. Counted first,
    // the pass also tells the detection where the ASCII ends.
    const int64_t lines = file.CountLineFeeds() + 1;
    m_loadEncoding = file.DetectEncoding(codePage);

    ReleaseAll();
    ReserveLines(static_cast<int>(
        std::min<int64_t>(std::max<int64_t>(lines + lines / 8, kInitialLineRoom), INT32_MAX)));
    // A file in the working code page: its lines go from the file into the
    // loaded text without a copy between, or, when loads may borrow, stay in
    // the file's view, which the buffer then keeps.
    const bool inPlace = file.ReadsInPlace();
    const bool borrow = inPlace && m_loadInPlace;
    bool sharing = false;  // lines borrow the file's view: at most a last line is copied
    bool reserved = false;
    const auto reserve = [&] {
        if (!reserved)
            ReserveLoadedText(static_cast<size_t>(file.GetFileSize()) + static_cast<size_t>(lines));
        reserved = true;
    };
    if (!borrow) reserve();
    std::string text, ending;
    std::string previousEnding = "\n";
    for (bool endedLine = true; inPlace;) {
        // Lines that end in line feeds alone go a block at a time.
        std::string_view block;
        int64_t blockLines = 0;
        if (file.ReadLineFeedBlock(block, blockLines)) {
            if (borrow) {
                if (!sharing) KeepLoadedText(file.ShareView());
                sharing = true;
                BorrowLoadedLines(block);
            } else {
                AppendLoadedLines(block);
            }
            endedLine = true;
            continue;
        }
        // Lines read one by one are copied.
        if (!sharing) reserve();
        std::string_view characters, end;
        const bool more = file.ReadLineInPlace(characters, end);
        if (file.GetStats().nNUL != 0) {
            m_loadStats = file.GetStats();
            ReleaseAll();
            file.Close();
            ResetToNew(EOL_CRLF);
            return LOAD_BINARY;
        }
        if (!more && !endedLine) break;
        AppendLoadedLine(characters, end);
        endedLine = !end.empty();
        if (!more) break;
    }
    while (!inPlace) {
        const bool more = file.ReadLine(text, ending);
        if (file.GetStats().nNUL != 0) {
            m_loadStats = file.GetStats();
            ReleaseAll();
            file.Close();
            ResetToNew(EOL_CRLF);
            return LOAD_BINARY;
        }
        if (!more && previousEnding.empty()) break;
        std::unique_ptr<LINEORIGIN> origin;
        if (!file.LossyLineBytes().empty())
            origin = std::make_unique<LINEORIGIN>(
                LINEORIGIN{file.LossyLineBytes(), text, file.LineHasOtherForm()});
        AppendLoadedLine(text, ending);
        if (origin) GetLine(GetLineCount() - 1).SetOrigin(std::move(origin));
        previousEnding = ending;
        if (!more) break;
    }

    const TextLineStats stats = file.GetStats();
    m_loadStats = stats;
    if (style != EOL_KEEP) {
        SetLineEndingStyle(style);
    } else {
        const int c = stats.nCRLF, l = stats.nLF, r = stats.nCR;
        // A text without any ending takes this system's, LF, for the lines
        // given to it.
        if (c == 0 && l == 0 && r == 0)
            SetLineEndingStyle(EOL_LF);
        else if (c >= l)
            SetLineEndingStyle(c < r ? EOL_CR : EOL_CRLF);
        else
            SetLineEndingStyle(l >= r ? EOL_LF : EOL_CR);
    }
    m_initialized = true;
    ResetEditState();
    NotifyViews(nullptr, nullptr, UPDATE_RESET, -1);

    const int kinds = (stats.nCRLF > 0) + (stats.nLF > 0) + (stats.nCR > 0);
    m_encodingKind = m_readEncodingKind = file.GetEncodingKind();
    m_codePage = m_readCodePage = file.GetCodePage();
    m_filePath = path;
    m_fileIdentity = file.GetIdentity();
    if (stats.nLossy > 0) lossy = 1;
    file.Close();
    OnAfterLoad();
    return kinds <= 1 ? LOAD_OK : LOAD_MIXED;
}

void CSyntaxEditContextEx::ChangeEncoding(int kind, int codePage) {
    if (kind == -1) {
        m_encodingKind = ENCODING_CODEPAGE;
        m_codePage = codePage;
    } else if (kind != m_encodingKind) {
        m_encodingKind = kind;
    } else {
        return;
    }
    SetModified(true);
}

void CSyntaxEditContextEx::ChangeLineEndingStyle(int style) {
    if (style == EOL_KEEP || style == m_lineEndingStyle) return;
    SetLineEndingStyle(style);
    ApplyLineEndingStyle();
    SetModified(true);
}

bool CSyntaxEditContextEx::SaveTextFile(const std::string& path, bool inPlace, std::string& error, int style,
                                        bool clearModified, const LossCheck& acceptLoss) {
    // Writing in place and through a temporary file are the same here: the
    // new file always replaces the target in one step once complete.
    (void)inPlace;
    if (path.empty()) {
        error = FormatSystemMessage(ENOENT);
        return false;
    }
    // "Current setting" keeps each line's own ending: a style chosen for the
    // buffer has already been given to its lines (ApplyLineEndingStyle), and
    // a file nobody edited is written back exactly as it was read.

    // The file the buffer came from must still be what was read; another
    // file at the path, or this one under another name, counts as well.
    const platform::FILEIDENTITY* expected = nullptr;
    if (m_fileIdentity.IsKnown()) {
        platform::FILEIDENTITY now;
        if (path == m_filePath || (platform::GetFileIdentity(path, now) &&
                                   now.device == m_fileIdentity.device && now.inode == m_fileIdentity.inode))
            expected = &m_fileIdentity;
    }

    UniStdioFile file;
    const int kind = m_encodingKind < 0 ? ENCODING_CODEPAGE : m_encodingKind;
    file.SetEncodingKind(kind);
    file.SetCodePage(m_codePage);
    if (!file.OpenWrite(path, expected)) {
        ErrorText(file.GetErrorInfo(), error);
        return false;
    }
    // A file with several links, or an owner a new file cannot take, is
    // written in place: lines that lie in its view get their own copy
    // before its bytes change.
    if (file.WritesInPlace()) CopyBorrowedText();
    bool ok = file.WriteBom();
    const std::string_view ending = EndingForStyle(style);
    // A code page file's lines end in the bytes CR and LF, which is where
    // the reader breaks them, whatever the code page calls those bytes; the
    // line itself is converted alone, so that a stateful code page shifts
    // back before the ending as it does when the line is read.
    const auto writeEnding = [&](std::string_view lineEnding) {
        return kind == ENCODING_CODEPAGE ? file.WriteRaw(lineEnding) : file.WriteText(lineEnding);
    };
    int lossyLines = 0, firstLossyLine = -1;
    int fileLine = -1;  // lines as the file numbers them: a comparison's ghost rows hold nothing
    for (int i = 0; ok && i < GetLineCount(); ++i) {
        const CSyntaxTextLine& line = GetLine(i);
        if ((line.flags & LF_GHOST) == 0) ++fileLine;
        const std::string_view lineEnding =
            i + 1 < GetLineCount() ? (style == EOL_KEEP ? line.Ending() : ending) : std::string_view();
        // Lines read with loss go back as they were read.
        if (const std::string* bytes = BytesAsRead(line)) {
            ok = file.WriteRaw(*bytes) && writeEnding(lineEnding);
            continue;
        }
        const int lossyBefore = file.LossyWritten();
        ok = file.WriteText(line.Characters()) && writeEnding(lineEnding);
        // A line whose characters were read exactly loses nothing.
        if ((line.Origin() != nullptr && !line.Origin()->otherForm) || file.LossyWritten() != lossyBefore) {
            if (lossyLines++ == 0) firstLossyLine = fileLine;
        }
    }
    if (ok && lossyLines > 0 && !(acceptLoss && acceptLoss(firstLossyLine, lossyLines))) {
        file.Close();  // the target stays as it was
        error = "line " + std::to_string(firstLossyLine + 1) + " cannot be saved exactly";
        if (lossyLines > 1) error += " (nor " + std::to_string(lossyLines - 1) + " more)";
        return false;
    }
    if (!ok || !file.Commit()) {
        ErrorText(file.GetErrorInfo(), error);
        file.Close();
        return false;
    }
    m_lossySaved = file.LossyWritten();
    file.Close();
    m_filePath = path;
    (void)platform::GetFileIdentity(path, m_fileIdentity);
    if (clearModified) MarkSaved();
    return true;
}

const std::string* CSyntaxEditContextEx::BytesAsRead(const CSyntaxTextLine& line) const {
    const LINEORIGIN* origin = line.Origin();
    const int kind = m_encodingKind < 0 ? ENCODING_CODEPAGE : m_encodingKind;
    if (origin == nullptr || line.Characters() != origin->characters) return nullptr;
    // The bytes are written as they are only in the encoding they are in.
    const int bytesKind = origin->kind >= 0 ? origin->kind : m_readEncodingKind;
    const int bytesCodePage = origin->kind >= 0 ? origin->codePage : m_readCodePage;
    if (kind != bytesKind) return nullptr;
    if (kind == ENCODING_CODEPAGE && !CodePagesEquivalent(m_codePage, bytesCodePage)) return nullptr;
    return &origin->bytes;
}

std::unique_ptr<LINEORIGIN> CSyntaxEditContextEx::OriginOf(const CSyntaxTextLine& line) const {
    const LINEORIGIN* origin = line.Origin();
    if (origin == nullptr) return nullptr;
    auto copy = std::make_unique<LINEORIGIN>(*origin);
    if (copy->kind < 0) {
        copy->kind = m_readEncodingKind;
        copy->codePage = m_readCodePage;
    }
    return copy;
}

std::string SaveLossQuestion(const std::string& path, int line, int count) {
    std::string text = path + "\nLine " + std::to_string(line + 1);
    if (count > 1) text += " and " + std::to_string(count - 1) + (count == 2 ? " more line" : " more lines");
    return text +
           " cannot be saved exactly: characters that were not read exactly, or that the encoding cannot "
           "represent, would be written as '?'.\nSave anyway?";
}

}  // namespace corvatine
