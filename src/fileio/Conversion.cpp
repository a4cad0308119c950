#include "fileio/Conversion.h"

#include <iconv.h>

#include <cerrno>

namespace corvatine {

namespace {

const iconv_t kInvalid = reinterpret_cast<iconv_t>(-1);
constexpr const char* kWide = "UTF-32LE";

void AppendUnit(std::string& out, unsigned unit, bool bigEndian) {
    const char hi = static_cast<char>(unit >> 8), lo = static_cast<char>(unit & 0xFF);
    if (bigEndian) {
        out += hi;
        out += lo;
    } else {
        out += lo;
        out += hi;
    }
}

void AppendWide(std::string& out, char32_t c) {
    for (int i = 0; i < 4; ++i) out += static_cast<char>((c >> (8 * i)) & 0xFF);
}

}  // namespace

void AppendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

int DecodeUtf8(const unsigned char* p, size_t available, char32_t& c) {
    const unsigned char lead = p[0];
    int length;
    char32_t minimum;
    if (lead < 0x80) {
        c = lead;
        return 1;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        c = lead & 0x1F;
        minimum = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        c = lead & 0x0F;
        minimum = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        c = lead & 0x07;
        minimum = 0x10000;
    } else {
        return 0;
    }
    for (int i = 1; i < length; ++i) {
        if (static_cast<size_t>(i) >= available) return -1;
        if ((p[i] & 0xC0) != 0x80) return 0;
        c = (c << 6) | (p[i] & 0x3F);
    }
    if (c < minimum || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return 0;
    return length;
}

void AppendUtf16(std::string& out, char32_t c, bool bigEndian) {
    if (c < 0x10000) {
        AppendUnit(out, static_cast<unsigned>(c), bigEndian);
    } else {
        c -= 0x10000;
        AppendUnit(out, 0xD800 + static_cast<unsigned>(c >> 10), bigEndian);
        AppendUnit(out, 0xDC00 + static_cast<unsigned>(c & 0x3FF), bigEndian);
    }
}

CCharsetConverter::CCharsetConverter(const char* fromCharset, const char* toCharset) {
    if (fromCharset == nullptr || toCharset == nullptr) return;
    iconv_t decode = iconv_open(kWide, fromCharset);
    iconv_t encode = iconv_open(toCharset, kWide);
    if (decode == kInvalid || encode == kInvalid) {
        if (decode != kInvalid) iconv_close(decode);
        if (encode != kInvalid) iconv_close(encode);
        return;
    }
    m_decode = decode;
    m_encode = encode;
    // The question mark as the target spells it (0x6F in EBCDIC).
    std::string wide;
    AppendWide(wide, U'?');
    char* in = wide.data();
    size_t inLeft = wide.size();
    char buffer[16];
    char* outPtr = buffer;
    size_t outLeft = sizeof buffer;
    if (iconv(encode, &in, &inLeft, &outPtr, &outLeft) != static_cast<size_t>(-1))
        m_questionMark.assign(buffer, static_cast<size_t>(outPtr - buffer));
    else
        m_questionMark = "?";
}

CCharsetConverter::~CCharsetConverter() {
    if (m_decode) iconv_close(static_cast<iconv_t>(m_decode));
    if (m_encode) iconv_close(static_cast<iconv_t>(m_encode));
}

void CCharsetConverter::Convert(std::string_view input, std::string& out, int& lossy) {
    if (!IsValid()) {
        lossy += static_cast<int>(input.size());
        for (size_t i = 0; i < input.size(); ++i) out += '?';
        return;
    }
    const iconv_t decode = static_cast<iconv_t>(m_decode);
    const iconv_t encode = static_cast<iconv_t>(m_encode);

    // Step 1: the source into UTF-32; a byte that starts no valid character
    // becomes a question mark.
    iconv(decode, nullptr, nullptr, nullptr, nullptr);
    m_wide.clear();
    char* in = const_cast<char*>(input.data());
    size_t inLeft = input.size();
    char buffer[4096];
    while (inLeft > 0) {
        char* outPtr = buffer;
        size_t outLeft = sizeof buffer;
        const size_t result = iconv(decode, &in, &inLeft, &outPtr, &outLeft);
        const int error = errno;
        m_wide.append(buffer, static_cast<size_t>(outPtr - buffer));
        if (result != static_cast<size_t>(-1)) break;
        if (error == E2BIG) continue;
        // EILSEQ or EINVAL (cut short at the end): skip one byte.
        AppendWide(m_wide, U'?');
        ++lossy;
        ++in;
        --inLeft;
    }
    {
        char* outPtr = buffer;
        size_t outLeft = sizeof buffer;
        iconv(decode, nullptr, nullptr, &outPtr, &outLeft);
        m_wide.append(buffer, static_cast<size_t>(outPtr - buffer));
    }

    // Step 2: UTF-32 into the target; a character it cannot hold becomes its
    // question mark.
    iconv(encode, nullptr, nullptr, nullptr, nullptr);
    in = m_wide.data();
    inLeft = m_wide.size();
    while (inLeft > 0) {
        char* outPtr = buffer;
        size_t outLeft = sizeof buffer;
        const size_t result = iconv(encode, &in, &inLeft, &outPtr, &outLeft);
        const int error = errno;
        out.append(buffer, static_cast<size_t>(outPtr - buffer));
        if (result != static_cast<size_t>(-1)) break;
        if (error == E2BIG) continue;
        out += m_questionMark;
        ++lossy;
        const size_t skip = inLeft < 4 ? inLeft : 4;
        in += skip;
        inLeft -= skip;
    }
    char* outPtr = buffer;
    size_t outLeft = sizeof buffer;
    iconv(encode, nullptr, nullptr, &outPtr, &outLeft);  // back to the initial shift state
    out.append(buffer, static_cast<size_t>(outPtr - buffer));
}

}  // namespace corvatine
