// The reader of text files: a whole file through a read-only memory map,
// read line by line into 8-bit text of the working code page.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "fileio/EncodingDetect.h"
#include "fileio/UniFile.h"

namespace corvatine {

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
    // Reads bytes that no file holds; name stands for the file's name.
    bool OpenBytes(const std::string& name, std::string_view bytes);
    void Close() override;
    bool IsOpen() const override { return m_fd >= 0 || m_inMemory; }
    bool DetectBom() override;
    // DetectBom, then for a file without a mark the code page it is read in:
    // codePage, or with CP_DETECT the one its bytes call for (see
    // corvatine::DetectEncoding). Says what was decided and why.
    DETECTEDENCODING DetectEncoding(int codePage);
    // Reads the next line into text and its ending (CR LF, CR, LF or empty).
    bool ReadLine(std::string& text, std::string& ending);
    bool ReadLine(std::string& text);
    int64_t GetPosition() const override { return m_current - m_base; }
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
    // empty file.
    std::shared_ptr<const void> ShareView();

private:
    enum class EntryOpen { Opened, Failed, NoSuchEntry };
    // For a path that runs through an archive: its entry read into memory.
    EntryOpen OpenArchiveEntry(const std::string& path);
    // Maps the open regular file read-only.
    bool MapFile();
    // Reads the open pipe or device to its end into an anonymous map.
    bool ReadUnmappable();
    // Maps a copy of bytes (nothing when empty).
    bool MapCopy(std::string_view bytes);
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
    std::string m_lossyLineBytes;
    std::string m_roundTrip;  // a converted line converted back
    bool m_otherForm = false;
    int64_t m_lineFeedBlock;
    // Whether the rest of the 8-bit text breaks only at LF and has no NUL.
    enum class LineBreaks { Unknown, OnlyLineFeeds, Mixed };
    LineBreaks m_lineBreaks = LineBreaks::Unknown;
    // The line feeds CountLineFeeds counted last, and from where: a block
    // of all the rest from there holds as many.
    mutable const unsigned char* m_countedFrom = nullptr;
    mutable int64_t m_countedFeeds = 0;
    mutable const unsigned char* m_asciiUpTo = nullptr;  // where that count met the first byte above 0x7F
    struct Converters;
    std::unique_ptr<Converters> m_converters;
};

}  // namespace corvatine
