#include "fileio/UniStdioFile.h"

#include <cerrno>

#include "fileio/ByteReadings.h"
#include "fileio/CodePages.h"
#include "fileio/Conversion.h"
#include "platform/Path.h"

namespace corvatine {

struct UniStdioFile::Converters {
    CCharsetConverter converter;
    CCharsetConverter back;  // what a load would read
    int kind;
    int codePage;
    int workingCodePage;
    std::unique_ptr<ByteReadings> bytes;  // for a single-byte code page, once needed
    Converters(const char* to, int k, int cp, int working)
        : converter(CharsetName(working), to),
          back(to, CharsetName(working)),
          kind(k),
          codePage(cp),
          workingCodePage(working) {}
};

UniStdioFile::UniStdioFile() = default;

UniStdioFile::~UniStdioFile() { Close(); }

bool UniStdioFile::OpenCheck(const std::string& path) {
    Close();
    m_lastError.Clear();
    m_fullPath = path;
    m_filename = platform::PathFileName(path);
    if (m_filename.empty() || path.back() == '/') {
        LastError("open", path.empty() ? ENOENT : EISDIR);
        return false;
    }
    return true;
}

bool UniStdioFile::OpenRead(const std::string& path) {
    if (!OpenCheck(path)) return false;
    if (!m_reader.Open(path)) {
        LastError("open", m_reader.LastError());
        Close();
        return false;
    }
    if (!GetFileStatus(m_reader.Descriptor())) {
        Close();
        return false;
    }
    m_lineno = 0;
    m_position = 0;
    return true;
}

bool UniStdioFile::OpenWrite(const std::string& path, const platform::FILEIDENTITY* expected) {
    if (!OpenCheck(path)) return false;
    if (GetFileStatus()) {
        // Nothing to check: a file of any size can be replaced.
    }
    m_lastError.Clear();
    std::string error;
    if (!m_writer.Open(path, 0666, error, expected)) {
        RecordWriterError();
        Close();
        return false;
    }
    m_writing = true;
    m_failed = false;
    m_lineno = 0;
    m_position = 0;
    m_dataOffset = 0;
    m_lossyWritten = 0;
    m_buffer.clear();
    return true;
}

bool UniStdioFile::OpenWriteUtf8(const std::string& path) {
    if (!OpenWrite(path)) return false;
    SetEncodingKind(ENCODING_UTF8);
    return true;
}

void UniStdioFile::RecordWriterError() {
    // A refusal of the writer's own, or a failure that left the old contents
    // aside, is told in its words.
    if (m_writer.LastErrno() == 0 || m_writer.Reason() != platform::ErrorText(m_writer.LastErrno()))
        LastErrorCustom(m_writer.Reason());
    else
        LastError(m_writer.FailedCall(), m_writer.LastErrno());
}

void UniStdioFile::Close() {
    m_reader.Close();
    if (m_writing) m_writer.Abort();  // not committed: the target stays as it was
    m_writing = false;
    m_buffer.clear();
    m_lineno = -1;
    m_statusFetched = StatusFetch::NotYet;
    m_filesize = 0;
    m_dataOffset = 0;
    m_position = 0;
    m_readBom = false;
    m_stats.Reset();
}

bool UniStdioFile::DetectBom() {
    unsigned char head[3] = {0, 0, 0};
    int64_t n = 0;
    if (m_reader.IsOpen() && m_reader.Seek(0)) n = m_reader.Read(head, sizeof head);
    BomInfo bom;
    const bool found = corvatine::DetectBom(head, n > 0 ? static_cast<size_t>(n) : 0, bom);
    SetEncodingKind(bom.kind);
    m_dataOffset = bom.dataOffset;
    m_position = m_dataOffset;
    if (m_reader.IsOpen()) (void)m_reader.Seek(m_dataOffset);
    m_readBom = true;
    return found;
}

bool UniStdioFile::Put(std::string_view bytes) {
    if (!m_writing || m_failed) return false;
    m_buffer.append(bytes);
    m_position += static_cast<int64_t>(bytes.size());
    return m_buffer.size() < kWriteBufferSize || FlushBuffer();
}

bool UniStdioFile::FlushBuffer() {
    if (m_failed) return false;
    std::string error;
    if (!m_buffer.empty() && !m_writer.Write(m_buffer.data(), m_buffer.size(), error)) {
        m_failed = true;
        RecordWriterError();
        return false;
    }
    m_buffer.clear();
    return true;
}

bool UniStdioFile::WriteBom() {
    if (!m_writing || m_position != 0) return false;
    static const char kLe[] = "\xFF\xFE", kBe[] = "\xFE\xFF", kUtf8[] = "\xEF\xBB\xBF";
    std::string_view mark;
    if (m_encoding == ENCODING_UCS2_LE)
        mark = std::string_view(kLe, 2);
    else if (m_encoding == ENCODING_UCS2_BE)
        mark = std::string_view(kBe, 2);
    else if (m_encoding == ENCODING_UTF8)
        mark = std::string_view(kUtf8, 3);
    m_dataOffset = static_cast<int64_t>(mark.size());
    return Put(mark);
}

bool UniStdioFile::WriteText(std::string_view text) {
    const int working = WorkingCodePage();
    if (m_encoding == ENCODING_CODEPAGE && CodePagesEquivalent(m_codePage, working)) return Put(text);
    if (m_encoding == ENCODING_UTF8 && working == CP_UTF8) return Put(text);

    m_conversion.clear();
    if ((m_encoding == ENCODING_UCS2_LE || m_encoding == ENCODING_UCS2_BE) && working == CP_UTF8) {
        // Every UTF-8 byte becomes at most two bytes of UTF-16.
        const int hi = m_encoding == ENCODING_UCS2_BE ? 0 : 1;
        m_conversion.resize(text.size() * 2);
        char* out = m_conversion.data();
        auto unit = [&out, hi](unsigned u) {
            out[hi] = static_cast<char>(u >> 8);
            out[1 - hi] = static_cast<char>(u & 0xFF);
            out += 2;
        };
        const auto* p = reinterpret_cast<const unsigned char*>(text.data());
        const auto* end = p + text.size();
        while (p < end) {
            if (*p < 0x80) {
                unit(*p++);
                continue;
            }
            char32_t c;
            const int length = DecodeUtf8(p, static_cast<size_t>(end - p), c);
            if (length <= 0) {
                unit('?');
                ++m_lossyWritten;
                ++p;
                continue;
            }
            if (c < 0x10000) {
                unit(static_cast<unsigned>(c));
            } else {
                unit(0xD800 + static_cast<unsigned>((c - 0x10000) >> 10));
                unit(0xDC00 + static_cast<unsigned>((c - 0x10000) & 0x3FF));
            }
            p += length;
        }
        m_conversion.resize(static_cast<size_t>(out - m_conversion.data()));
        return Put(m_conversion);
    }

    const char* target = m_encoding == ENCODING_UCS2_LE   ? "UTF-16LE"
                         : m_encoding == ENCODING_UCS2_BE ? "UTF-16BE"
                         : m_encoding == ENCODING_UTF8    ? "UTF-8"
                                                          : CharsetName(m_codePage);
    if (!m_converters || m_converters->kind != m_encoding || m_converters->codePage != m_codePage ||
        m_converters->workingCodePage != working)
        m_converters = std::make_unique<Converters>(target, m_encoding, m_codePage, working);
    const int lossyBefore = m_lossyWritten;
    m_converters->converter.Convert(text, m_conversion, m_lossyWritten);
    // A character a code page holds only as another one (a best fit of
    // iconv's) is lost as much as one written as '?'. The Unicode forms hold
    // every character.
    if (m_lossyWritten == lossyBefore && m_encoding == ENCODING_CODEPAGE) {
        bool same = true;
        if (ConvertsBytewise(m_codePage)) {
            if (!m_converters->bytes)
                m_converters->bytes =
                    std::make_unique<ByteReadings>(ReadEachByte(m_converters->back, m_converters->converter));
            size_t at = 0;
            for (const char b : m_conversion) {
                const std::string& reading = m_converters->bytes->text[static_cast<unsigned char>(b)];
                same = !reading.empty() && text.compare(at, reading.size(), reading) == 0;
                if (!same) break;
                at += reading.size();
            }
            same = same && at == text.size();
        } else {
            m_roundTrip.clear();
            int ignored = 0;
            m_converters->back.Convert(m_conversion, m_roundTrip, ignored);
            same = m_roundTrip == text;
        }
        if (!same) ++m_lossyWritten;
    }
    return Put(m_conversion);
}

bool UniStdioFile::Commit() {
    if (!m_writing) {
        LastError("write", EBADF);
        return false;
    }
    if (!FlushBuffer()) return false;
    std::string error;
    if (!m_writer.Commit(error)) {
        RecordWriterError();
        m_writing = false;
        return false;
    }
    m_writing = false;
    return true;
}

}  // namespace corvatine
