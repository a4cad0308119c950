// The text editor document: one file in an edit context, loaded, reloaded and
// saved in its own encoding and line endings, with the user told of what
// fails and asked before anything is lost.
#pragma once

#include <memory>
#include <string>

#include "editor/SyntaxEditContextEx.h"
#include "fileio/DocumentWatches.h"
#include "platform/Messages.h"

namespace corvatine {

class CTextEditDoc {
public:
    // With hooks, the file watcher is told around the document's own loads
    // and saves.
    explicit CTextEditDoc(platform::CMessages& messages, CFileWatchHooks* hooks = nullptr);
    CTextEditDoc(const CTextEditDoc&) = delete;
    CTextEditDoc& operator=(const CTextEditDoc&) = delete;

    // Loads a file (read-only when asked); without a byte-order mark it is
    // read in codePage, or with CP_DETECT in the encoding its bytes call for
    // (CSyntaxEditContextEx::LoadTextFile). False, with the user told, when
    // it cannot be read or holds binary data; the buffer is then empty.
    bool Open(const std::string& path, bool readOnly = false, int codePage = CP_DETECT);
    // Loads the file again, in the code page it was opened with; its unsaved
    // edits are lost.
    bool Reload();

    // Saves to the document's file in its encoding and line endings.
    bool Save();
    // Saves to another path, in an encoding (kind 1-3 with code page -1, or
    // kind -1 with a code page; kind 0 keeps the buffer's) and with a line
    // ending style (0 keeps each line's own); the document is that file from
    // then on. False with the reason told.
    bool SaveAs(const std::string& path, int encodingKind, int codePage, int style);

    // The file name ("Untitled" without a file), " *" when modified.
    std::string GetTitle() const;
    const std::string& GetPath() const { return m_path; }
    bool IsModified() const { return m_context->IsModified(); }
    bool IsReadOnly() const { return m_context->IsReadOnly(); }
    // What the last open or save said: the loader's result (LOAD_...), whether
    // the load lost characters, and the reason it or a save failed.
    int LoadResult() const { return m_loadResult; }
    bool LoadedLossy() const { return m_loadedLossy; }
    const std::string& LastError() const { return m_error; }
    CSyntaxEditContextEx& Context() { return *m_context; }
    const CSyntaxEditContextEx& Context() const { return *m_context; }

private:
    bool SaveTo(const std::string& path, int style);

    platform::CMessages& m_messages;
    CFileWatchHooks m_noHooks;
    CFileWatchHooks* m_hooks;
    std::unique_ptr<CSyntaxEditContextEx> m_context;
    std::string m_path;
    bool m_readOnlyAsked = false;
    int m_codePageAsked = CP_DETECT;
    int m_loadResult = 0;
    bool m_loadedLossy = false;
    std::string m_error;
};

}  // namespace corvatine
