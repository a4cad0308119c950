// Text files in 8-bit code pages, UCS-2 and UTF-8: what their reader
// (fileio/UniMemFile.h) and their writer (fileio/UniStdioFile.h) share.
#pragma once

#include <cstdint>
#include <string>

#include "fileio/Bom.h"
#include "fileio/EncodingDetect.h"
#include "platform/File.h"

namespace corvatine {

// What reading found, reset when a file is opened or closed.
struct TextLineStats {
    int32_t nCR = 0;        // lone CR endings
    int32_t nLF = 0;        // lone LF endings
    int32_t nCRLF = 0;      // CR LF endings
    int32_t nNUL = 0;       // NUL bytes or characters
    int32_t firstNUL = -1;  // byte offset of the first NUL
    int32_t lastNUL = -1;   // byte offset of the last NUL
    int32_t nLossy = 0;     // characters that could not be converted exactly

    void Reset() { *this = TextLineStats(); }
};

// Why the last open or status fetch failed: the failing system call and its
// error number, or a description of a limit of the class.
struct FileErrorInfo {
    std::string apiName;
    int32_t syserrnum = 0;
    std::string desc;

    void Clear() { *this = FileErrorInfo(); }
};

// What every text file does, the reader (UniMemFile) and the writer
// (UniStdioFile) alike: open, recognise the byte-order mark, know its
// encoding, and say why an operation failed.
class UniFile {
public:
    virtual ~UniFile() = default;
    // The reader opens to read lines; the writer to sniff the mark of a file.
    virtual bool OpenRead(const std::string& path) = 0;
    virtual void Close() = 0;
    virtual bool IsOpen() const = 0;
    virtual std::string GetFullPath() const = 0;
    virtual const FileErrorInfo& GetErrorInfo() const = 0;
    virtual bool DetectBom() = 0;
    virtual int GetEncodingKind() const = 0;
    virtual void SetEncodingKind(int kind) = 0;
    virtual int GetCodePage() const = 0;
    virtual void SetCodePage(int codePage) = 0;
    virtual int GetLineNumber() const = 0;
    virtual int64_t GetPosition() const = 0;
    virtual const TextLineStats& GetStats() const = 0;
};

// What every local file shares: its path and status, the error record, the
// encoding and the line-ending statistics.
class UniLocalFile : public UniFile {
public:
    UniLocalFile();

    std::string GetFullPath() const override { return m_fullPath; }
    const FileErrorInfo& GetErrorInfo() const override { return m_lastError; }
    int GetEncodingKind() const override { return m_encoding; }
    void SetEncodingKind(int kind) override;
    int GetCodePage() const override { return m_codePage; }
    void SetCodePage(int codePage) override { m_codePage = codePage; }
    int GetLineNumber() const override { return m_lineno; }
    const TextLineStats& GetStats() const override { return m_stats; }

    int64_t GetFileSize() const { return m_filesize; }
    // What the open file was when opened: a save can tell whether another
    // program changed it since. Unknown for anything but a regular file.
    const platform::FILEIDENTITY& GetIdentity() const { return m_identity; }

protected:
    enum class StatusFetch { NotYet, Fetching, Fetched };

    // Size (and for a new path, the full path) from an open descriptor.
    bool GetFileStatus(int fd);
    // The same from the path, when the file is not open.
    bool GetFileStatus();
    void LastError(const std::string& apiName, int syserrnum);
    void LastErrorCustom(const std::string& desc);
    void ResetState();

    StatusFetch m_statusFetched = StatusFetch::NotYet;
    int64_t m_filesize = 0;
    platform::FILEIDENTITY m_identity;
    std::string m_fullPath;
    std::string m_filename;
    int m_lineno = -1;
    FileErrorInfo m_lastError;
    bool m_readBom = false;
    int m_encoding = ENCODING_CODEPAGE;
    int m_charsize = 1;
    int m_codePage;
    TextLineStats m_stats;
};

// The encoding of a file by its byte-order mark: (kind, working code page).
void SniffEncoding(const std::string& path, int& kind, int& codePage);

// The system's text for an error number, or "?" when it has none.
std::string FormatSystemMessage(int error);

// Creates a new empty file "~SE..." in the temporary folder ($TMPDIR, else
// /tmp) and returns its path; with an extension the name ends in it. Empty on
// failure.
std::string MakeTempFileName(const std::string& extension = std::string());

}  // namespace corvatine
