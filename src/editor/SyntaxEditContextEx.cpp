#include "editor/SyntaxEditContextEx.h"

#include <cerrno>

#include "editor/SyntaxEditor.h"
#include "fileio/CodePages.h"
#include "fileio/TextFormat.h"
#include "fileio/UniFile.h"

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

    m_filePath.clear();
    m_fileIdentity = platform::FILEIDENTITY();
    UniMemFile file;
    if (!file.OpenRead(path)) {
        ErrorText(file.GetErrorInfo(), error);
        ResetToNew(EOL_CRLF);
        return LOAD_FAILED;
    }
    if (!file.DetectBom()) file.SetCodePage(codePage);

    ReleaseAll();
    ReserveLines(kInitialLineRoom);
    std::string text, ending;
    std::string previousEnding = "\n";
    for (;;) {
        const bool more = file.ReadLine(text, ending);
        if (file.GetStats().nNUL != 0) {
            m_loadStats = file.GetStats();
            ReleaseAll();
            file.Close();
            ResetToNew(EOL_CRLF);
            return LOAD_BINARY;
        }
        if (!more && previousEnding.empty()) break;
        text += ending;
        InsertLine(text.data(), static_cast<int>(text.size()));
        previousEnding = ending;
        if (!more) break;
    }

    const TextLineStats stats = file.GetStats();
    m_loadStats = stats;
    if (style != EOL_KEEP) {
        SetLineEndingStyle(style);
    } else {
        const int c = stats.nCRLF, l = stats.nLF, r = stats.nCR;
        if (c >= l)
            SetLineEndingStyle(c < r ? EOL_CR : EOL_CRLF);
        else
            SetLineEndingStyle(l >= r ? EOL_LF : EOL_CR);
    }
    m_initialized = true;
    ResetEditState();
    NotifyViews(nullptr, nullptr, UPDATE_RESET, -1);

    const int kinds = (stats.nCRLF > 0) + (stats.nLF > 0) + (stats.nCR > 0);
    m_encodingKind = file.GetEncodingKind();
    m_codePage = file.GetCodePage();
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
                                        bool clearModified) {
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
        if (path == m_filePath || (platform::GetFileIdentity(path, now) && now.device == m_fileIdentity.device &&
                                   now.inode == m_fileIdentity.inode))
            expected = &m_fileIdentity;
    }

    UniStdioFile file;
    file.SetEncodingKind(m_encodingKind < 0 ? ENCODING_CODEPAGE : m_encodingKind);
    file.SetCodePage(m_codePage);
    if (!file.OpenWrite(path, expected)) {
        ErrorText(file.GetErrorInfo(), error);
        return false;
    }
    bool ok = file.WriteBom();
    std::string text;
    const std::string_view ending = EndingForStyle(style);
    for (int i = 0; ok && i < GetLineCount(); ++i) {
        const CSyntaxTextLine& line = GetLine(i);
        text.assign(line.Characters());
        if (i + 1 < GetLineCount()) text.append(style == EOL_KEEP ? line.Ending() : ending);
        ok = file.WriteText(text);
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

}  // namespace corvatine
