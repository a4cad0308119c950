// The writer of text files: text of the working code page written in a
// file's own encoding, replacing the file only when the whole text is out.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "fileio/UniFile.h"
#include "platform/AtomicFile.h"
#include "platform/File.h"

namespace corvatine {

// The writer of text files; it also sniffs the byte-order mark of a file. Writing goes to a temporary file
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

    // Opens the file to sniff its mark (DetectBom); lines are read by
    // UniMemFile.
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
    int64_t GetPosition() const override { return m_position; }
    // Writes text of the working code page in the file's encoding.
    bool WriteText(std::string_view text);
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

}  // namespace corvatine
