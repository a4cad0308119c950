#include "editor/MultiByteCase.h"

#include <locale.h>

#include <cwctype>
#include <map>
#include <memory>
#include <mutex>

#include "fileio/CodePages.h"
#include "fileio/Conversion.h"

namespace corvatine {

namespace {

// Numbers of bytes that start no valid UTF-8 sequence lie above every code point.
constexpr char32_t kRawByte = 0x110000;

locale_t UnicodeLocale() {
    static const locale_t locale = ::newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(nullptr));
    return locale;
}

char32_t UnicodeUpper(char32_t c) {
    const locale_t locale = UnicodeLocale();
    return static_cast<char32_t>(locale ? ::towupper_l(static_cast<wint_t>(c), locale)
                                        : std::towupper(static_cast<wint_t>(c)));
}

char32_t UnicodeLower(char32_t c) {
    const locale_t locale = UnicodeLocale();
    return static_cast<char32_t>(locale ? ::towlower_l(static_cast<wint_t>(c), locale)
                                        : std::towlower(static_cast<wint_t>(c)));
}

bool IsSurrogate(char32_t c) { return c >= 0xD800 && c <= 0xDFFF; }

int ResolveCodePage(int codePage) {
    if (codePage == CP_ACP || codePage == CP_THREAD_ACP) return GetACP();
    if (codePage == CP_OEMCP) return GetOEMCP();
    return codePage;
}

}  // namespace

const CMultiByteCase& CMultiByteCase::For(int codePage) {
    // Searches ask once a line: the last answer of the thread comes first.
    thread_local int lastCodePage = -1;
    thread_local const CMultiByteCase* last = nullptr;
    if (codePage == lastCodePage && last != nullptr) return *last;
    const int asked = codePage;
    static std::mutex mutex;
    static std::map<int, std::unique_ptr<CMultiByteCase>> cache;
    codePage = ResolveCodePage(codePage);
    const std::lock_guard<std::mutex> lock(mutex);
    std::unique_ptr<CMultiByteCase>& entry = cache[codePage];
    if (!entry) entry.reset(new CMultiByteCase(codePage));
    lastCodePage = asked;
    last = entry.get();
    return *entry;
}

CMultiByteCase::CMultiByteCase(int codePage)
    : m_codePage(codePage), m_utf8(codePage == CP_UTF8), m_doubleByte(IsDoubleByteCodePage(codePage)) {
    for (char32_t c = 0; c < 256; ++c) {
        m_upper[c] = c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c;
        m_lower[c] = c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c;
        m_unicode[c] = c < 0x80 ? c : 0;
    }
    if (m_utf8 || m_doubleByte) return;
    // An 8-bit code page: its letters through Unicode and back.
    const char* charset = IconvCharset(codePage);
    if (charset == nullptr) return;
    CCharsetConverter decode(charset, "UTF-32LE");
    CCharsetConverter encode("UTF-32LE", charset);
    if (!decode.IsValid() || !encode.IsValid()) return;
    const auto toByte = [&](char32_t c, char32_t& byte) {
        std::string in(4, '\0');
        for (int i = 0; i < 4; ++i) in[static_cast<size_t>(i)] = static_cast<char>((c >> (8 * i)) & 0xFF);
        std::string out;
        int lossy = 0;
        encode.Convert(in, out, lossy);
        if (lossy != 0 || out.size() != 1) return false;
        byte = static_cast<unsigned char>(out[0]);
        return true;
    };
    for (char32_t b = 0x80; b < 256; ++b) {
        std::string wide;
        int lossy = 0;
        decode.Convert(std::string(1, static_cast<char>(b)), wide, lossy);
        if (lossy != 0 || wide.size() != 4) continue;
        char32_t c = 0;
        for (int i = 3; i >= 0; --i) c = (c << 8) | static_cast<unsigned char>(wide[static_cast<size_t>(i)]);
        m_unicode[b] = c;
        char32_t byte = 0;
        if (toByte(UnicodeUpper(c), byte)) m_upper[b] = byte;
        if (toByte(UnicodeLower(c), byte)) m_lower[b] = byte;
    }
}

int CMultiByteCase::DecodeWide(const char* text, int length, int position, char32_t& code) const {
    const auto* p = reinterpret_cast<const unsigned char*>(text + position);
    if (m_utf8) {
        const int n = DecodeUtf8(p, static_cast<size_t>(length - position), code);
        if (n > 0) return n;
        code = kRawByte + p[0];
        return 1;
    }
    if (m_doubleByte && position + 1 < length && IsLeadByte(m_codePage, p[0])) {
        code = (static_cast<char32_t>(p[0]) << 8) | p[1];
        return 2;
    }
    code = p[0];
    return 1;
}

void CMultiByteCase::Encode(std::string& out, char32_t code) const {
    if (m_utf8) {
        if (code >= kRawByte)
            out += static_cast<char>(code - kRawByte);
        else
            AppendUtf8(out, code);
    } else if (code > 0xFF) {
        out += static_cast<char>(code >> 8);
        out += static_cast<char>(code & 0xFF);
    } else {
        out += static_cast<char>(code);
    }
}

bool CMultiByteCase::FromCode(unsigned code, char32_t& number) const {
    if (m_utf8) {
        if (code > 0x10FFFF || IsSurrogate(code)) return false;
    } else if (code > 0xFF && !(m_doubleByte && code <= 0xFFFF && IsLeadByte(m_codePage, code >> 8))) {
        return false;
    }
    number = code;
    return true;
}

char32_t CMultiByteCase::UpperWide(char32_t code) const {
    if (m_utf8) {
        if (code >= kRawByte) return code;
        const char32_t upper = UnicodeUpper(code);
        return IsSurrogate(upper) ? code : upper;
    }
    return code < 256 ? m_upper[code] : code;
}

char32_t CMultiByteCase::LowerWide(char32_t code) const {
    if (m_utf8) {
        if (code >= kRawByte) return code;
        const char32_t lower = UnicodeLower(code);
        return IsSurrogate(lower) ? code : lower;
    }
    return code < 256 ? m_lower[code] : code;
}

char32_t CMultiByteCase::Unicode(char32_t code) const {
    if (m_utf8) return code < kRawByte ? code : 0;
    return code < 256 ? m_unicode[code] : 0;
}

bool CMultiByteCase::IsLetter(char32_t code) const {
    if (code < 0x80) return (code | 0x20) >= 'a' && (code | 0x20) <= 'z';
    const char32_t c = Unicode(code);
    const locale_t locale = UnicodeLocale();
    return c != 0 &&
           (locale ? ::iswalpha_l(static_cast<wint_t>(c), locale) : std::iswalpha(static_cast<wint_t>(c)));
}

bool CMultiByteCase::IsUpper(char32_t code) const {
    if (code < 0x80) return code >= 'A' && code <= 'Z';
    const char32_t c = Unicode(code);
    const locale_t locale = UnicodeLocale();
    return c != 0 &&
           (locale ? ::iswupper_l(static_cast<wint_t>(c), locale) : std::iswupper(static_cast<wint_t>(c)));
}

bool CMultiByteCase::IsLower(char32_t code) const {
    if (code < 0x80) return code >= 'a' && code <= 'z';
    const char32_t c = Unicode(code);
    const locale_t locale = UnicodeLocale();
    return c != 0 &&
           (locale ? ::iswlower_l(static_cast<wint_t>(c), locale) : std::iswlower(static_cast<wint_t>(c)));
}

bool CMultiByteCase::IsWordCharacter(char32_t code) const {
    if (code < 0x80)
        return (code >= '0' && code <= '9') || ((code | 0x20) >= 'a' && (code | 0x20) <= 'z') || code == '_';
    const char32_t c = Unicode(code);
    if (c == 0) return true;
    const locale_t locale = UnicodeLocale();
    return locale ? ::iswalnum_l(static_cast<wint_t>(c), locale) != 0
                  : std::iswalnum(static_cast<wint_t>(c)) != 0;
}

bool CMultiByteCase::WordCharacterAt(const char* text, int length, int position) const {
    if (position < 0 || position >= length) return false;
    char32_t code = 0;
    Decode(text, length, position, code);
    return IsWordCharacter(code);
}

bool CMultiByteCase::WordCharacterBefore(const char* text, int length, int position) const {
    if (position <= 0 || position > length) return false;
    const auto byte = static_cast<unsigned char>(text[position - 1]);
    if (byte < 0x80) return IsWordCharacter(byte);
    if (m_utf8) {
        // Back over continuation bytes to the lead byte of a sequence that
        // ends here; otherwise the byte is a character of its own.
        for (int start = position - 1; start >= 0 && start >= position - 4; --start) {
            const auto lead = static_cast<unsigned char>(text[start]);
            if ((lead & 0xC0) == 0x80) continue;
            char32_t code = 0;
            if (Decode(text, length, start, code) == position - start) return IsWordCharacter(code);
            break;
        }
        return IsWordCharacter(kRawByte + byte);
    }
    // A double-byte code page cannot be read backwards: its lead and trail
    // bytes overlap, and characters beyond ASCII count as word characters.
    if (m_doubleByte) return true;
    return IsWordCharacter(byte);
}

std::string CMultiByteCase::UpperSameLength(std::string_view text) const {
    std::string out;
    out.reserve(text.size());
    const int length = static_cast<int>(text.size());
    std::string encoded;
    for (int i = 0; i < length;) {
        const auto byte = static_cast<unsigned char>(text[static_cast<size_t>(i)]);
        if (byte < 0x80) {
            out += static_cast<char>(m_upper[byte]);
            ++i;
            continue;
        }
        char32_t code = 0;
        const int n = Decode(text.data(), length, i, code);
        const char32_t upper = Upper(code);
        encoded.clear();
        if (upper != code) Encode(encoded, upper);
        if (upper != code && encoded.size() == static_cast<size_t>(n))
            out += encoded;
        else
            out.append(text.data() + i, static_cast<size_t>(n));
        i += n;
    }
    return out;
}

}  // namespace corvatine
