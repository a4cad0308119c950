// Conversions between code pages and Unicode forms.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace corvatine {

// Appends the UTF-8 form of a code point (which must be a scalar value).
void AppendUtf8(std::string& out, char32_t c);

// Decodes one UTF-8 sequence strictly (no overlong forms, no surrogates,
// nothing above U+10FFFF). Returns its length (1 to 4) and sets c, 0 when the
// bytes at p are not a valid sequence, or -1 when a valid beginning is cut
// short by the end of the data.
int DecodeUtf8(const unsigned char* p, size_t available, char32_t& c);

// Appends a code point as UTF-16 units in the given byte order, as a
// surrogate pair above U+FFFF.
void AppendUtf16(std::string& out, char32_t c, bool bigEndian);

// A one-way converter between two iconv character sets. Input that is not
// valid in the source and characters that the target cannot represent each
// become one question mark of the target and count as lossy.
class CCharsetConverter {
public:
    CCharsetConverter(const char* fromCharset, const char* toCharset);
    ~CCharsetConverter();
    CCharsetConverter(const CCharsetConverter&) = delete;
    CCharsetConverter& operator=(const CCharsetConverter&) = delete;

    bool IsValid() const { return m_decode != nullptr && m_encode != nullptr; }

    // Converts all of in and appends the result to out; lossy grows by the
    // number of replaced characters. Every call starts from the initial shift
    // state.
    void Convert(std::string_view in, std::string& out, int& lossy);

private:
    void* m_decode = nullptr;  // source to UTF-32
    void* m_encode = nullptr;  // UTF-32 to target
    std::string m_questionMark;
    std::string m_wide;
};

}  // namespace corvatine
