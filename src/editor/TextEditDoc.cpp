#include "editor/TextEditDoc.h"

#include <unistd.h>

#include "editor/SyntaxEditor.h"
#include "fileio/CodePages.h"
#include "fileio/TextFormat.h"
#include "fileio/UniFile.h"
#include "platform/Path.h"

namespace corvatine {

namespace {

std::string FileMessage(const char* text, const std::string& path, const std::string& reason) {
    return platform::ReplacePlaceholder(platform::ReplacePlaceholder(text, "%1", path), "%2", reason);
}

}  // namespace

CTextEditDoc::CTextEditDoc(platform::CMessages& messages, CFileWatchHooks* hooks)
    : m_messages(messages),
      m_hooks(hooks ? hooks : &m_noHooks),
      m_context(std::make_unique<CSyntaxEditContextEx>(GetSyntaxEditor().trackChanges != 0)) {
    m_context->ResetToNew(EOL_CRLF);
}

bool CTextEditDoc::Open(const std::string& path, bool readOnly, int codePage) {
    m_path = path;
    m_readOnlyAsked = readOnly;
    m_codePageAsked = codePage;
    int lossy = 0;
    std::string& error = m_error;
    error.clear();
    m_hooks->Suspend(path);
    const int result = m_context->LoadTextFile(path, lossy, EOL_KEEP, codePage, error);
    m_hooks->Resume(path);
    m_loadResult = result;
    m_loadedLossy = lossy != 0;
    if (result == LOAD_FAILED) {
        m_messages.Error(FileMessage("Cannot open file\n%1\n\n%2", path, error));
        return false;
    }
    if (result == LOAD_BINARY) {
        m_messages.Error(FileMessage("Cannot open file\n%1\n\n%2", path,
                                     "It holds binary data (NUL characters) and cannot be edited as text."));
        return false;
    }
    // A file the user may not write opens read-only, as the hex editor does.
    m_context->SetReadOnly(readOnly || ::access(path.c_str(), W_OK) != 0);
    return true;
}

bool CTextEditDoc::Reload() { return !m_path.empty() && Open(m_path, m_readOnlyAsked, m_codePageAsked); }

bool CTextEditDoc::Save() { return SaveTo(m_path, EOL_KEEP); }

bool CTextEditDoc::SaveAs(const std::string& path, int encodingKind, int codePage, int style) {
    if (encodingKind != ENCODING_CODEPAGE) m_context->ChangeEncoding(encodingKind, codePage);
    return SaveTo(path, style);
}

bool CTextEditDoc::SaveTo(const std::string& path, int style) {
    std::string& error = m_error;
    error.clear();
    const auto acceptLoss = [&](int line, int count) {
        return m_messages.AskYesNo(SaveLossQuestion(path, line, count)) == platform::ANSWER_YES;
    };
    m_hooks->Suspend(path);
    const bool saved = m_context->SaveTextFile(path, false, error, style, true, acceptLoss);
    m_hooks->Resume(path);
    if (!saved) {
        m_messages.Error(FileMessage("Cannot save file\n%1\n\n%2", path.empty() ? "Untitled" : path, error));
        return false;
    }
    m_path = path;
    // Saved under a name the user may write, the buffer may be edited.
    if (!m_readOnlyAsked) m_context->SetReadOnly(false);
    return true;
}

std::string CTextEditDoc::GetTitle() const {
    return (m_path.empty() ? std::string("Untitled") : platform::PathFileName(m_path)) +
           (m_context->IsModified() ? " *" : "");
}

}  // namespace corvatine
