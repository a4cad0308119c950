#include "binarycompare/HexEditContext.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "binarycompare/HexEditOptions.h"
#include "fileio/Archive.h"
#include "fileio/UniFile.h"
#include "platform/AtomicFile.h"
#include "platform/Path.h"

namespace corvatine {

namespace {

constexpr size_t kCopyBlock = 16384;

uint64_t NextRevision() {
    static std::atomic<uint64_t> last{0};
    return ++last;
}

bool ParentExists(const std::string& path) {
    const std::string parent = platform::PathParentFolder(path);
    return parent.empty() || platform::IsFolder(parent);
}

// Why a file could not be opened for viewing, after its path.
std::string OpenFailureText(const std::string& path, int error) {
    switch (error) {
        case ENOENT:
            return ParentExists(path) ? "\rdoes not exist"
                                      : "\ris an invalid file name or the drive/path does not exist";
        case ENAMETOOLONG:
        case ENOTDIR:
        case ELOOP: return "\ris an invalid file name or the drive/path does not exist";
        case EMFILE:
        case ENFILE: return "\r- too many files already open";
        case EISDIR: return "\ris a directory";
        case EINVAL: return "\ris a special file";  // a fifo, device or socket
        case EACCES:
        case EPERM: return "\rcannot be used (reason unknown)";
        case EIO: return "\r- hardware error";
        case EBUSY:
        case ETXTBSY: return "\ris in use";
        default: return "\rcould not be opened (reason unknown)";
    }
}

// Why a file could not be opened for writing, after "File \"path\"".
std::string CreateFailureText(const std::string& path, int error) {
    switch (error) {
        case ENOENT:
        case ENAMETOOLONG:
        case ENOTDIR:
        case ELOOP: return "\ris an invalid file name";
        case EMFILE:
        case ENFILE: return "\r- too many files already open";
        case EISDIR: return "\ris a directory";
        case EACCES:
        case EPERM:
        case EROFS: {
            struct stat info {};
            if (::stat(path.c_str(), &info) != 0) return "\rcannot be created";
            if (!S_ISREG(info.st_mode)) return "\ris a special file";
            if ((info.st_mode & S_IWUSR) == 0 || error == EROFS) return "\ris a read only file";
            return "\rcannot be used (reason unknown)";
        }
        case ENOSPC:
        case EDQUOT: return "\r- directory is full";
        case EIO: return "\r- hardware error";
        case EBUSY:
        case ETXTBSY: return "\ris in use";
        default: return "\rcould not be opened (reason unknown)";
    }
}

std::string WriteErrorText(int error) {
    std::string text = error == EBUSY || error == ETXTBSY ? "File locked error" : "Error writing file";
    if (error == EIO) text += "\r- hardware error";
    if (error == ENOSPC || error == EDQUOT) text += "\r- disk full";
    return text;
}

}  // namespace

CHexEditContext::CHexEditContext(platform::CMessages& messages)
    : m_messages(messages), m_revision(NextRevision()) {
    m_log.reserve(128);
}

void CHexEditContext::AddView(CHexEditView* view) {
    if (std::find(m_views.begin(), m_views.end(), view) == m_views.end()) m_views.push_back(view);
}

void CHexEditContext::RemoveView(CHexEditView* view) {
    m_views.erase(std::remove(m_views.begin(), m_views.end(), view), m_views.end());
}

void CHexEditContext::UpdateViews(CHexEditView* sender, int code, const CHexEditHint* hint) {
    for (CHexEditView* view : m_views) view->OnUpdate(sender, code, hint);
}

void CHexEditContext::Close() {
    m_file.Close();
    m_identity = platform::FILEIDENTITY();
    m_log.clear();
    m_redo.clear();
    m_pieces.clear();
    m_base.clear();
    m_hasBase = false;
    m_retained.clear();
    m_size = 0;
    m_revision = NextRevision();
    m_readOnly = m_openedReadOnly = false;
    m_lastView = nullptr;
    SetModified(false);
}

bool CHexEditContext::Open(const std::string& path) {
    Close();
    m_openedReadOnly = false;
    if (m_file.Open(path, platform::CRandomAccessFile::READ_WRITE)) {
        m_readOnly = false;
    } else {
        const int error = m_file.LastError();
        const bool writeRefused = error == EACCES || error == EPERM || error == EROFS || error == ETXTBSY;
        if (!writeRefused || !m_file.Open(path, platform::CRandomAccessFile::READ_ONLY)) {
            const int reason = writeRefused ? m_file.LastError() : error;
            m_messages.Error(path + OpenFailureText(path, reason));
            return false;
        }
        m_readOnly = m_openedReadOnly = true;
        m_messages.Inform(platform::ReplacePlaceholder(
            "%s is in use or is read only).\r\rIt can be opened as read only (no changes possible).", "%s",
            path));
    }
    TakeIdentity();
    Rebuild();
    return true;
}

bool CHexEditContext::OpenArchiveEntry(const std::string& path) {
    Close();
    std::string bytes;
    int error = 0;
    if (!CArchive::ReadPath(path, bytes, error)) {
        const std::string reason = ArchiveErrorText(error);
        m_messages.Error(path + "\n\n" + (reason.empty() ? platform::ErrorText(error) : reason));
        return false;
    }
    // The buffer's own edit, not an override's: a document loads its sides
    // under the lock its edits take.
    if (!bytes.empty() && !CHexEditContext::Edit(HEX_INSERT, 0, static_cast<int64_t>(bytes.size()),
                                                 reinterpret_cast<const uint8_t*>(bytes.data()), 0, nullptr))
        return false;
    DropHistory();
    SetModified(false);
    m_readOnly = m_openedReadOnly = true;
    return true;
}

void CHexEditContext::TakeIdentity() {
    m_identity = platform::FILEIDENTITY();  // equal to no file's, should the status not be read
    if (IsOpen()) (void)m_file.Identity(m_identity);
}

bool CHexEditContext::IsFileUnchanged() const {
    if (!IsOpen()) return true;
    platform::FILEIDENTITY open, named;
    return m_file.Identity(open) && open == m_identity && platform::GetFileIdentity(GetPath(), named) &&
           named == m_identity;
}

int CHexEditContext::AddRecord(char operation, int64_t position, int64_t length, const uint8_t* data) {
    HEXEDITRECORD record{operation, length, position, {}, m_size};
    if (operation == HEX_INSERT || operation == HEX_REPLACE || operation == HEX_REPLACE_BACK) {
        record.data.reserve(static_cast<size_t>(std::max<int64_t>(length, kMergeLimit)));
        record.data.assign(data, data + length);
    }
    m_log.push_back(std::move(record));
    return static_cast<int>(m_log.size()) - 1;
}

int CHexEditContext::RemoveLastRecord() {
    if (!m_log.empty()) m_log.pop_back();
    return 1;
}

bool CHexEditContext::Edit(char operation, int64_t position, int64_t length, const uint8_t* data,
                           int typingCount, CHexEditView* view) {
    // A buffer without a file (an empty side of a comparison) takes edits too.
    if (m_readOnly || length <= 0 || position < 0 || position > m_size) return false;
    const bool deletes = operation == HEX_DELETE || operation == HEX_BACKSPACE;
    if (deletes && position + length > m_size) return false;
    if (operation == HEX_REPLACE_BACK && position + length > m_size) return false;
    if (!deletes && data == nullptr) return false;
    m_redo.clear();

    // Merging: the typing count decides, but a record never grows past its
    // limit, never takes another operation, and only continues where it ends.
    int index = -1;
    int64_t hintLength = length;
    char hintOperation = operation;
    bool merged = false;
    if (!m_log.empty() && ((typingCount % 2 == 1 && length == 1) || typingCount > 0)) {
        HEXEDITRECORD& last = m_log.back();
        const bool grows = last.length + length < kMergeLimit;
        if (last.operation == operation) {
            switch (operation) {
                case HEX_DELETE:
                    if (grows && position == last.position) {
                        last.length += length;
                        merged = true;
                    }
                    break;
                case HEX_BACKSPACE:
                    if (grows && position + length == last.position) {
                        last.position = position;
                        last.length += length;
                        merged = true;
                    }
                    break;
                case HEX_REPLACE_BACK:
                    if (grows && position + length == last.position) {
                        last.data.insert(last.data.begin(), data, data + length);
                        last.position = position;
                        last.length += length;
                        merged = true;
                    }
                    break;
                default:  // insert or overwrite
                    if (grows && position == last.position + last.length) {
                        last.data.insert(last.data.end(), data, data + length);
                        last.length += length;
                        merged = true;
                    } else if (typingCount % 2 == 1 && length == 1 &&
                               position == last.position + last.length - 1) {
                        // The second digit of a byte: the record's last byte changes.
                        last.data.back() = data[0];
                        hintOperation = HEX_REPLACE;
                        hintLength = 1;
                        merged = true;
                    }
            }
        }
    }
    if (!merged) index = AddRecord(operation, position, length, data);
    m_lastView = view;
    Rebuild();

    const CHexHint hint(hintOperation, hintLength, position, view, index, 0);
    SetModified(true);
    UpdateViews(nullptr, 0, &hint);
    return true;
}

int CHexEditContext::Undo(CHexEditView* view, int index, int flag) {
    (void)flag;
    if (m_log.empty()) return 0;
    const CUndoHint undoHint(view, index);
    UpdateViews(nullptr, 0, &undoHint);
    const HEXEDITRECORD& last = m_log.back();
    char reverse = HEX_REPLACE;
    if (last.operation == HEX_INSERT) reverse = HEX_DELETE;
    if (last.operation == HEX_DELETE || last.operation == HEX_BACKSPACE) reverse = HEX_INSERT;
    const CHexHint hint(reverse, last.length, last.position, view, static_cast<int>(m_log.size()) - 1, 1);
    HEXEDITRECORD undone = last;
    RemoveLastRecord();
    m_redo.push_back(std::move(undone));
    if (m_log.empty()) SetModified(false);
    // The size follows from the rebuilt pieces: an overwrite that extended
    // the content shrinks back to the previous end.
    Rebuild();
    UpdateViews(nullptr, 0, &hint);
    return 1;
}

int CHexEditContext::Redo(CHexEditView* view) {
    if (m_redo.empty()) return 0;
    HEXEDITRECORD record = std::move(m_redo.back());
    m_redo.pop_back();
    // Appended as a new record, as the edit itself was: a document that
    // follows the records of its sides sees it.
    const int index = AddRecord(record.operation, record.position, record.length, record.data.data());
    m_lastView = view;
    Rebuild();
    const CHexHint hint(record.operation, record.length, record.position, view, index, 0);
    SetModified(true);
    UpdateViews(nullptr, 0, &hint);
    return 1;
}

std::list<HEXPIECE>::iterator CHexEditContext::SplitAt(int64_t position) {
    int64_t at = 0;
    for (auto it = m_pieces.begin(); it != m_pieces.end(); ++it) {
        if (position == at) return it;
        if (position < at + it->length) {
            const int64_t within = position - at;
            HEXPIECE second = *it;
            second.length -= within;
            if (second.kind == 'f')
                second.fileOffset += within;
            else
                second.memory += within;
            it->length = within;
            return m_pieces.insert(std::next(it), second);
        }
        at += it->length;
    }
    return m_pieces.end();
}

void CHexEditContext::RemoveRange(int64_t position, int64_t length) {
    auto first = SplitAt(position);
    int64_t left = length;
    while (first != m_pieces.end() && left > 0) {
        if (first->length <= left) {
            left -= first->length;
            first = m_pieces.erase(first);
        } else {
            first->length -= left;
            if (first->kind == 'f')
                first->fileOffset += left;
            else
                first->memory += left;
            left = 0;
        }
    }
}

void CHexEditContext::Rebuild() {
    m_pieces.clear();
    if (m_hasBase) {
        m_pieces = m_base;
    } else {
        const int64_t fileLength = IsOpen() ? m_file.Length() : 0;
        if (fileLength > 0) m_pieces.push_back({'f', fileLength, 0, nullptr});
    }
    for (const HEXEDITRECORD& record : m_log) {
        switch (record.operation) {
            case HEX_REPLACE:
            case HEX_REPLACE_BACK: RemoveRange(record.position, record.length); [[fallthrough]];
            case HEX_INSERT: {
                auto at = SplitAt(record.position);
                m_pieces.insert(at, {'m', record.length, 0, record.data.data()});
                break;
            }
            default: RemoveRange(record.position, record.length);
        }
    }
    int64_t total = 0;
    for (const HEXPIECE& piece : m_pieces) total += piece.length;
    m_size = total;
    m_revision = NextRevision();
}

int64_t CHexEditContext::Read(uint8_t* destination, int64_t count, int64_t offset,
                              platform::CRandomAccessFile* file) {
    if (file == nullptr) file = &m_file;
    int64_t at = 0, copied = 0;
    for (const HEXPIECE& piece : m_pieces) {
        if (copied >= count) break;
        if (offset + copied >= at + piece.length) {
            at += piece.length;
            continue;
        }
        const int64_t within = offset + copied - at;
        const int64_t take = std::min(piece.length - within, count - copied);
        if (piece.kind == 'm') {
            std::memcpy(destination + copied, piece.memory + within, static_cast<size_t>(take));
        } else {
            const int64_t n =
                file->ReadAt(destination + copied, static_cast<size_t>(take), piece.fileOffset + within);
            if (n > 0) copied += n;
            if (n != take) return copied;
            at += piece.length;
            continue;
        }
        copied += take;
        at += piece.length;
    }
    return copied;
}

bool CHexEditContext::WriteRange(const std::string& path, int64_t from, int64_t to, bool append) {
    platform::CRandomAccessFile out;
    if (!out.Create(path, append, false)) {
        m_messages.Error("File \"" + path + "\"" + CreateFailureText(path, out.LastError()));
        return false;
    }
    std::vector<uint8_t> buffer(kCopyBlock);
    for (int64_t at = from; at < to;) {
        const int64_t n =
            Read(buffer.data(), std::min<int64_t>(static_cast<int64_t>(kCopyBlock), to - at), at);
        if (n <= 0 || !out.Write(buffer.data(), static_cast<size_t>(n))) {
            const int error = n <= 0 ? (m_file.LastError() != 0 ? m_file.LastError() : EIO) : out.LastError();
            out.Close();
            if (!append) ::unlink(path.c_str());
            m_messages.Error(WriteErrorText(error));
            return false;
        }
        at += n;
    }
    if (!out.Sync()) {
        const int error = out.LastError();
        out.Close();
        if (!append) ::unlink(path.c_str());
        m_messages.Error(WriteErrorText(error));
        return false;
    }
    return true;
}

bool CHexEditContext::IsInPlace() const {
    int64_t at = 0;
    for (const HEXPIECE& piece : m_pieces) {
        if (piece.kind == 'f' && piece.fileOffset != at) return false;
        at += piece.length;
    }
    return at == m_file.Length();
}

bool CHexEditContext::SaveInPlace() {
    if (!IsFileUnchanged()) {
        m_messages.Error("cannot write " + GetPath() +
                         ": it was changed by another program since it was read");
        return false;
    }
    int64_t at = 0;
    for (const HEXPIECE& piece : m_pieces) {
        if (piece.kind == 'm' && !m_file.WriteAt(piece.memory, static_cast<size_t>(piece.length), at))
            return ReportWriteError(m_file.LastError());
        at += piece.length;
    }
    if (!m_file.Sync()) return ReportWriteError(m_file.LastError());
    return true;
}

bool CHexEditContext::ReportWriteError(int error) {
    m_messages.Error(WriteErrorText(error));
    return false;
}

bool CHexEditContext::SaveReplacing(const std::string& path) {
    // The buffer's own file must still be what was read.
    platform::FILEIDENTITY named;
    const bool ownFile = IsOpen() && platform::GetFileIdentity(path, named) &&
                         named.device == m_identity.device && named.inode == m_identity.inode;
    platform::CAtomicFileWriter writer;
    std::string folder = platform::PathParentFolder(path);
    if (folder.empty()) folder = ".";
    writer.NameTemporaries(
        [&folder](int n) {
            char name[32];
            std::snprintf(name, sizeof name, "~HE%03d.tmp", n);
            return platform::JoinPath(folder, name);
        },
        1000);
    std::string error;
    if (!writer.Open(path, 0666, error,
                     ownFile || platform::PathsEqual(path, GetPath()) ? &m_identity : nullptr)) {
        const std::string& temporary = writer.FailedTemporary();
        if (temporary.empty())
            m_messages.Error(error);
        else if (writer.LastErrno() != EEXIST)  // every name taken: no message
            m_messages.Error("File \"" + temporary + "\"" + CreateFailureText(temporary, writer.LastErrno()));
        return false;
    }
    // Written in place (a file with other names, or whose owner a new file
    // cannot take), the file cannot be read while it is written: the new
    // contents are gathered in a temporary file first.
    std::string gathered;
    if (writer.InPlace() && ownFile) {
        gathered = MakeTempFileName();
        if (gathered.empty() || !WriteRange(gathered, 0, m_size, false)) {
            if (!gathered.empty()) ::unlink(gathered.c_str());
            return false;
        }
    }
    bool written = true;
    if (!gathered.empty()) {
        written = platform::CopyFileContents(gathered, writer, error);
        ::unlink(gathered.c_str());
    } else {
        std::vector<uint8_t> buffer(kCopyBlock);
        for (int64_t at = 0; written && at < m_size;) {
            const int64_t n =
                Read(buffer.data(), std::min<int64_t>(static_cast<int64_t>(kCopyBlock), m_size - at), at);
            if (n <= 0) {
                error = WriteErrorText(m_file.LastError() != 0 ? m_file.LastError() : EIO);
                written = false;
                break;
            }
            written = writer.Write(buffer.data(), static_cast<size_t>(n), error);
            at += n;
        }
    }
    // The writer abandons its file when it goes without a commit.
    if (written && KeepsBackup() && platform::NameExists(writer.Target()) &&
        !KeepBackup(writer.Target(), writer.InPlace()))
        return false;
    if (!written || !writer.Commit(error)) {
        m_messages.Error(error);
        return false;
    }
    return OpenSaved(path);
}

bool CHexEditContext::KeepsBackup() const { return m_settings != nullptr && m_settings->backupFile != 0; }

bool CHexEditContext::KeepBackup(const std::string& target, bool copy) {
    const std::string backup = target + ".bak";
    if (platform::NameExists(backup) && ::unlink(backup.c_str()) != 0) {
        m_messages.Error("Could not remove previous backup file\r \"" + backup + "\"");
        return false;
    }
    // The old file under a second name, which the new one then replaces; a
    // file written in place (or where links are not made) is copied.
    std::string error;
    if ((copy || ::link(target.c_str(), backup.c_str()) != 0) && !platform::CopyFile(target, backup, error)) {
        m_messages.Error("Could not create backup file\r \"" + backup + "\"");
        return false;
    }
    return true;
}

bool CHexEditContext::OpenSaved(const std::string& path) {
    // The saved file takes the place of the old one.
    m_file.Close();
    if (m_file.Open(path, platform::CRandomAccessFile::READ_WRITE)) {
        m_readOnly = m_openedReadOnly = false;
        return true;
    }
    m_readOnly = m_openedReadOnly = true;
    return m_file.Open(path, platform::CRandomAccessFile::READ_ONLY);
}

bool CHexEditContext::Save(const std::string& path) {
    bool saved;
    if (!IsOpen()) {
        saved = SaveReplacing(path);
    } else if (m_readOnly && platform::PathsEqual(path, m_file.Path())) {
        m_messages.Error("File \"" + path + "\"\ris a read only file");
        return false;
    } else {
        const bool inPlace = !KeepsBackup() && platform::PathsEqual(path, m_file.Path()) && IsInPlace();
        saved = inPlace ? SaveInPlace() : SaveReplacing(path);
    }
    if (!saved) return false;
    FinishSave();
    return true;
}

void CHexEditContext::DropHistory() {
    for (HEXEDITRECORD& record : m_log) m_retained.push_back(std::move(record.data));
    m_log.clear();
    m_redo.clear();
    m_base = m_pieces;
    m_hasBase = true;
}

void CHexEditContext::FinishSave() {
    // The saved file is the one the pieces now refer to.
    TakeIdentity();
    const CRemoveHint hint(static_cast<int>(m_log.size()) - 1);
    UpdateViews(nullptr, 0, &hint);
    m_log.clear();
    m_redo.clear();
    m_base.clear();
    m_hasBase = false;
    m_retained.clear();
    Rebuild();
    SetModified(false);
}

void CBinaryEditContext::SetModified(bool modified) {
    CHexEditContext::SetModified(modified);
    documentModified = modified;
}

void CBinaryEditContext::UpdateViews(CHexEditView* sender, int code, const CHexEditHint* hint) {
    CHexEditContext::UpdateViews(sender, code, hint);
    ++frameUpdates;
}

}  // namespace corvatine
