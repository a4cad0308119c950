// The contents of one file viewed or edited as bytes, of any size, without
// loading the file: the open file, a list of pieces that take their bytes
// from the file or from edits, and the log of edit records from which the
// pieces are rebuilt and by which edits are undone.
#pragma once

#include <cstdint>
#include <list>
#include <memory>
#include <string>
#include <vector>

#include "platform/Messages.h"
#include "platform/RandomAccessFile.h"

namespace corvatine {

// Edit operations.
enum HexEditOperation : char {
    HEX_INSERT = 'I',
    HEX_REPLACE = 'R',
    HEX_REPLACE_BACK = '<',  // overwrite growing backwards (backspace in overtype mode)
    HEX_DELETE = 'D',
    HEX_BACKSPACE = 'B',  // delete before the cursor; merged records grow backwards
};

// A stretch of the content: file bytes from an offset, or bytes in memory.
struct HEXPIECE {
    char kind;  // 'f' or 'm'
    int64_t length;
    int64_t fileOffset;     // 'f'
    const uint8_t* memory;  // 'm': inside an edit record's data
};

struct HEXEDITRECORD {
    char operation;
    int64_t length;
    int64_t position;
    std::vector<uint8_t> data;  // the bytes of I, R and <
    int64_t sizeBefore;         // the content size before the record, for undoing R
};

class CHexEditView;
class CHexEditOptions;

// What views are told.
class CHexEditHint {
public:
    virtual ~CHexEditHint() = default;
};

class CHexHint : public CHexEditHint {
public:
    CHexHint(char op, int64_t len, int64_t pos, CHexEditView* by, int record, int isUndo)
        : operation(op), length(len), position(pos), view(by), index(record), undo(isUndo) {}
    char operation;
    int64_t length;
    int64_t position;
    CHexEditView* view;
    int index;  // the new record, or -1 when the edit was merged into the last one
    int undo;
};

class CUndoHint : public CHexEditHint {
public:
    CUndoHint(CHexEditView* by, int record) : view(by), index(record) {}
    CHexEditView* view;
    int index;
};

class CRemoveHint : public CHexEditHint {
public:
    explicit CRemoveHint(int last) : index(last) {}
    int index;  // the last record of the log just discarded
};

// A view of a buffer, told about every change.
class CHexEditView {
public:
    virtual ~CHexEditView() = default;
    virtual void OnUpdate(CHexEditView* sender, int code, const CHexEditHint* hint) = 0;
};

class CHexEditContext {
public:
    explicit CHexEditContext(platform::CMessages& messages);
    virtual ~CHexEditContext() = default;
    CHexEditContext(const CHexEditContext&) = delete;
    CHexEditContext& operator=(const CHexEditContext&) = delete;

    // Saves in place when only existing bytes were overwritten and no backup
    // is kept, else through a temporary file in the target's folder renamed
    // over it. A buffer without a file is written through the atomic writer
    // (a new file gets 0666 less the umask) and then holds that file. False,
    // with a message, keeping the log and the old file.
    virtual bool Save(const std::string& path);
    // The hex editor settings a save follows (BackupFile), read at each
    // save; without them no backup is kept.
    void SetSettings(const CHexEditOptions& settings) { m_settings = &settings; }
    virtual void SetModified(bool modified) { m_modified = modified; }
    virtual void UpdateViews(CHexEditView* sender, int code, const CHexEditHint* hint);
    virtual void Close();
    // One edit, also of a buffer without a file; false on a read-only buffer
    // or for positions outside the content.
    virtual bool Edit(char operation, int64_t position, int64_t length, const uint8_t* data, int typingCount,
                      CHexEditView* view);
    // Undoes the last record; 1, or 0 with nothing to undo. The record is
    // kept for Redo until the next edit, save or close.
    virtual int Undo(CHexEditView* view, int index, int flag);
    // Makes the last undone record again, as a new record of the log; 1, or
    // 0 with nothing to redo.
    virtual int Redo(CHexEditView* view);
    // Read-write, else read-only with a message when writing is refused;
    // false with the message of the reason.
    virtual bool Open(const std::string& path);
    // An entry of an archive (a path that runs through one), read into
    // memory: read-only, with no file behind it; false with the message of
    // the reason.
    bool OpenArchiveEntry(const std::string& path);
    virtual bool IsModified() const { return m_modified; }
    virtual int AddRecord(char operation, int64_t position, int64_t length, const uint8_t* data);
    virtual int RemoveLastRecord();

    // Copies logical bytes from the offset; file selects the handle for file
    // pieces (the buffer's own by default). Returns the number copied.
    int64_t Read(uint8_t* destination, int64_t count, int64_t offset,
                 platform::CRandomAccessFile* file = nullptr);
    // Writes logical bytes [from, to) to a file, created or appended to.
    bool WriteRange(const std::string& path, int64_t from, int64_t to, bool append);
    void Rebuild();
    // Forgets the undo history but keeps the contents as they are now: the
    // current pieces become the base that later edits apply to. The buffer
    // stays modified when it was.
    void DropHistory();

    int64_t GetSize() const { return m_size; }
    bool IsReadOnly() const { return m_readOnly; }
    // The read-only flag a document asks for; a file that could only be
    // opened for reading stays read-only.
    void SetReadOnly(bool readOnly) { m_readOnly = readOnly || m_openedReadOnly; }
    bool IsOpen() const { return m_file.IsOpen(); }
    const std::string& GetPath() const { return m_file.Path(); }
    // The file as it was opened or last saved, which the file pieces refer to.
    const platform::FILEIDENTITY& FileIdentity() const { return m_identity; }
    // Whether the open file is still that file, and its path still names it:
    // the same size and last write time. True without a file.
    bool IsFileUnchanged() const;
    CHexEditView* LastEditingView() const { return m_lastView; }
    int RecordCount() const { return static_cast<int>(m_log.size()); }
    bool CanRedo() const { return !m_redo.empty(); }
    // The record that Redo makes again.
    const HEXEDITRECORD& NextRedo() const { return m_redo.back(); }
    // Forgets the undone records.
    void ClearRedo() { m_redo.clear(); }
    const HEXEDITRECORD& Record(int index) const { return m_log[static_cast<size_t>(index)]; }
    const std::list<HEXPIECE>& Pieces() const { return m_pieces; }
    // Changes whenever the pieces are built again (every edit, undo, open,
    // save and close); never the same for two buildings, in any buffer.
    uint64_t Revision() const { return m_revision; }
    bool simpleUndo = true;

    void AddView(CHexEditView* view);
    void RemoveView(CHexEditView* view);

    // The record capacity: typing merges into a record while it holds fewer
    // than this many bytes.
    static constexpr int64_t kMergeLimit = 5;

protected:
    platform::CMessages& m_messages;
    const CHexEditOptions* m_settings = nullptr;
    bool KeepsBackup() const;

private:
    bool IsInPlace() const;
    bool SaveInPlace();
    // Writes the whole content through the atomic writer: the file keeps its
    // owner, mode and links, and the buffer's own file is not written when
    // another program changed it since.
    bool SaveReplacing(const std::string& path);
    // Keeps the file at target as target + ".bak" (replacing an older
    // backup) before the save replaces it, copied when copy is set; false
    // with the message.
    bool KeepBackup(const std::string& target, bool copy);
    // Makes the file just saved the buffer's file, read-only when it can only be read.
    bool OpenSaved(const std::string& path);
    void FinishSave();
    void TakeIdentity();
    std::list<HEXPIECE>::iterator SplitAt(int64_t position);
    void RemoveRange(int64_t position, int64_t length);
    bool ReportWriteError(int error);

    bool m_modified = false;
    platform::CRandomAccessFile m_file;
    platform::FILEIDENTITY m_identity;
    bool m_readOnly = false;
    bool m_openedReadOnly = false;
    int64_t m_size = 0;
    uint64_t m_revision = 0;
    CHexEditView* m_lastView = nullptr;
    std::vector<HEXEDITRECORD> m_log;
    std::vector<HEXEDITRECORD> m_redo;  // undone records, the last undone last
    std::list<HEXPIECE> m_pieces;
    // After DropHistory: the pieces the log applies to, and the bytes of the
    // dropped records they still show.
    std::list<HEXPIECE> m_base;
    bool m_hasBase = false;
    std::vector<std::vector<uint8_t>> m_retained;
    std::vector<CHexEditView*> m_views;
};

// The hex editor's buffer: its document follows the modified flag.
class CBinaryEditContext : public CHexEditContext {
public:
    using CHexEditContext::CHexEditContext;
    void SetModified(bool modified) override;
    void UpdateViews(CHexEditView* sender, int code, const CHexEditHint* hint) override;
    bool documentModified = false;
    int frameUpdates = 0;  // refreshes of the document's frame
};

}  // namespace corvatine
