// Text files in 8-bit code pages, UCS-2 and UTF-8: opened, recognised by
// their byte-order mark, read line by line into 8-bit text of the working
// code page, and written back in their own encoding.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "fileio/Bom.h"
#include "fileio/EncodingDetect.h"
#include "platform/AtomicFile.h"
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

class UniFile {
public:
    virtual ~UniFile() = default;
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
    // Reads the next line into text and its ending (CR LF, CR, LF or empty).
    virtual bool ReadLine(std::string& text, std::string& ending) = 0;
    virtual bool ReadLine(std::string& text) = 0;
    virtual int GetLineNumber() const = 0;
    virtual int64_t GetPosition() const = 0;
    // Writes text of the working code page in the file's encoding.
    virtual bool WriteText(std::string_view text) = 0;
    virtual const TextLineStats& GetStats() const = 0;
};

// What every local file shares.
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
    // Size (and for a new path, the full path) from an open descriptor.
    bool GetFileStatus(int fd);
    // The same from the path, when the file is not open.
    bool GetFileStatus();
    void LastError(const std::string& apiName, int syserrnum);
    void LastErrorCustom(const std::string& desc);
    void ResetState();

    int m_statusFetched = 0;  // 0 not yet, -1 while fetching, 1 fetched
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

// Reads a file through a read-only memory map of the whole file.
class UniMemFile : public UniLocalFile {
public:
    // Pages already read are given back to the system in steps of this size,
    // so that a large file is not held twice (mapped and as lines).
    static constexpr int64_t kReleaseStep = 16 << 20;
    // Bytes of whole lines handed out at once by ReadLineFeedBlock.
    static constexpr int64_t kLineFeedBlock = 1 << 20;

    // The largest file the reader takes: offsets in the statistics are 32-bit.
    static constexpr int64_t kMaxFileSize = (int64_t{1} << 31) - 1;

    // Tests hand out blocks of lines of fewer bytes.
    explicit UniMemFile(int64_t lineFeedBlock = kLineFeedBlock);
    ~UniMemFile() override;
    UniMemFile(const UniMemFile&) = delete;
    UniMemFile& operator=(const UniMemFile&) = delete;

    // A path that runs through an archive ("a.tar.xz/src/main.c") reads
    // the entry into memory: there is no file to write back to.
    bool OpenRead(const std::string& path) override;
    // Opens for reading and writing through a shared map (not used to save).
    bool OpenWrite(const std::string& path);
    // Reads bytes that no file holds; name stands for the file's name.
    bool OpenBytes(const std::string& name, std::string_view bytes);
    void Close() override;
    bool IsOpen() const override { return m_fd >= 0 || m_inMemory; }
    bool DetectBom() override;
    // DetectBom, then for a file without a mark the code page it is read in:
    // codePage, or with CP_DETECT the one its bytes call for (see
    // corvatine::DetectEncoding). Says what was decided and why.
    DETECTEDENCODING DetectEncoding(int codePage);
    bool ReadLine(std::string& text, std::string& ending) override;
    bool ReadLine(std::string& text) override;
    int64_t GetPosition() const override { return m_current - m_base; }
    bool WriteText(std::string_view) override { return false; }
    // The file's bytes of the characters (not the ending) of the line read
    // last, when it could not be converted exactly, or when its characters
    // would be written back as other bytes; else empty.
    const std::string& LossyLineBytes() const { return m_lossyLineBytes; }
    // Whether the line read last has its characters exactly and only their
    // bytes have another form (a redundant shift sequence, one of two codes
    // of a character): it counts as no loss.
    bool LineHasOtherForm() const { return m_otherForm; }
    // Whether the file's bytes are the text's characters (a code page equal
    // to the working one): then lines can be read where they lie.
    bool ReadsInPlace() const;
    // The next line's characters and ending as they lie in the file, valid
    // until the next read; only when ReadsInPlace. False at the end.
    bool ReadLineInPlace(std::string_view& text, std::string_view& ending);
    // The line feed bytes from the read position to the end: the number of
    // lines to come, near enough to size what they are read into. Counted
    // before DetectEncoding, the same pass spares it a look for bytes above
    // 0x7F.
    int64_t CountLineFeeds() const;
    // When the rest of the file breaks its lines at line feeds alone and
    // holds no NUL (and ReadsInPlace): the next whole lines as they lie in
    // the file, about a block of bytes of them (all of them once the view is
    // shared: no pages are given back then), each ending in its line feed,
    // and how many there are; valid until the next read. False when lines
    // are to be read one by one, and at the end.
    bool ReadLineFeedBlock(std::string_view& block, int64_t& lines);
    // A share in the read-only view of the file: the view stays mapped while
    // any share lives, after Close too, so that what was read can be used
    // where it lies. Pages read are then no longer given back. Null for an
    // empty file and for one opened for writing.
    std::shared_ptr<const void> ShareView();

private:
    bool Open(const std::string& path, bool write);
    bool ReadLineAsIs(std::string& text, std::string& ending);
    bool NextLineAsIs(std::string_view& text, std::string_view& ending);
    void FindWhetherOnlyLineFeeds();
    bool ReadLineUnicode(std::string& text, std::string& ending);
    bool ReadLineConverted(std::string& text, std::string& ending);
    // Takes the ending at p (the end of a converted line's bytes), or the end.
    bool EndConvertedLine(const unsigned char* p, std::string& ending, bool otherForm);
    void RecordNul(const unsigned char* at);
    void ReleaseConsumed();
    void AppendConverted(std::string& text, char32_t c);

    int m_fd = -1;
    bool m_inMemory = false;                    // opened from bytes, without a file
    unsigned char* m_base = nullptr;            // the mapped view
    std::shared_ptr<void> m_view;               // unmaps the view when the last share goes
    bool m_viewShared = false;                  // shares handed out: the pages stay
    const unsigned char* m_data = nullptr;      // after the byte-order mark
    const unsigned char* m_current = nullptr;   // the read position
    const unsigned char* m_released = nullptr;  // pages before this were given back
    bool m_writable = false;
    std::string m_lossyLineBytes;
    std::string m_roundTrip;  // a converted line converted back
    bool m_otherForm = false;
    int64_t m_lineFeedBlock;
    int m_onlyLineFeeds = -1;  // the 8-bit text breaks only at LF and has no NUL: 1; 0 no; -1 not known
    // The line feeds CountLineFeeds counted last, and from where: a block
    // of all the rest from there holds as many.
    mutable const unsigned char* m_countedFrom = nullptr;
    mutable int64_t m_countedFeeds = 0;
    mutable const unsigned char* m_asciiUpTo = nullptr;  // where that count met the first byte above 0x7F
    struct Converters;
    std::unique_ptr<Converters> m_converters;
};

// Sniffs byte-order marks and writes files. Writing goes to a temporary file
// beside the target that replaces it only on Commit, so that a failed save
// never damages the target; output is buffered and every write is checked.
class UniStdioFile : public UniLocalFile {
public:
    // Bytes gathered before they are written out.
    static constexpr size_t kWriteBufferSize = 1 << 16;

    UniStdioFile();
    ~UniStdioFile() override;
    UniStdioFile(const UniStdioFile&) = delete;
    UniStdioFile& operator=(const UniStdioFile&) = delete;

    bool OpenRead(const std::string& path) override;
    // Prepares to replace the file (see CAtomicFileWriter::Open): with
    // expected, only while it is still that file.
    bool OpenWrite(const std::string& path, const platform::FILEIDENTITY* expected = nullptr);
    bool OpenWriteUtf8(const std::string& path);
    // Whether the open target is written in place rather than replaced
    // (see CAtomicFileWriter): its old bytes change as it is written.
    bool WritesInPlace() const { return m_writing && m_writer.InPlace(); }
    void Close() override;
    bool IsOpen() const override { return m_reader.IsOpen() || m_writing; }
    bool DetectBom() override;
    bool ReadLine(std::string&, std::string&) override { return false; }
    bool ReadLine(std::string&) override { return false; }
    int64_t GetPosition() const override { return m_position; }
    bool WriteText(std::string_view text) override;
    // Writes bytes already in the file's encoding, as they are.
    bool WriteRaw(std::string_view bytes) { return Put(bytes); }
    // Writes the byte-order mark of the encoding kind (nothing for kind 0).
    bool WriteBom();
    // Writes out what is buffered and puts the new file in the target's
    // place. False, with the error record set, when any write failed.
    bool Commit();

    // Characters that the file's encoding could not represent while writing;
    // they were written as question marks.
    int LossyWritten() const { return m_lossyWritten; }

private:
    bool OpenCheck(const std::string& path);
    bool Put(std::string_view bytes);
    bool FlushBuffer();
    void RecordWriterError();

    platform::InputFile m_reader;
    platform::CAtomicFileWriter m_writer;
    bool m_writing = false;
    bool m_failed = false;
    int64_t m_position = 0;
    int64_t m_dataOffset = 0;
    std::string m_buffer;      // output waiting to be written
    std::string m_conversion;  // the reusable conversion buffer
    std::string m_roundTrip;   // the conversion converted back
    int m_lossyWritten = 0;
    struct Converters;
    std::unique_ptr<Converters> m_converters;
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
