#include "fileio/EncodingDetect.h"

#include <uchardet.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <type_traits>

#include "fileio/CodePages.h"
#include "fileio/Conversion.h"

namespace corvatine {

namespace {

struct CHARSETCODEPAGES {
    const char* charset;
    int codePages[2];  // tried in order: the first that decodes the sample; 0 ends the list
};

// The most common legacy code page, which a detector's verdict of another
// single-byte code page gives way to when that reads the bytes as fewer
// letters.
constexpr int kWesternCodePage = 1252;

// The detector's names and the code pages that read them. A wider code page
// follows where the detector's name is a subset of it that real files
// outgrow: GBK of GB18030 text, UHC of EUC-KR, Latin-1 of Windows-1252
// text that holds bytes Windows-1252 leaves undefined. Two Latin alphabets
// without a code page here (ISO-8859-10 and -16, which the detector also
// names for short Western text) are read in the Western code page, which
// holds most of their letters at the same bytes.
const CHARSETCODEPAGES kDetectorCharsets[] = {
    {"ISO-8859-1", {28591, 0}},
    {"ISO-8859-2", {28592, 0}},
    {"ISO-8859-3", {28593, 0}},
    {"ISO-8859-4", {28594, 0}},
    {"ISO-8859-5", {28595, 0}},
    {"ISO-8859-6", {28596, 0}},
    {"ISO-8859-7", {28597, 0}},
    {"ISO-8859-8", {28598, 0}},
    {"ISO-8859-9", {28599, 0}},
    {"ISO-8859-10", {1252, 28591}},
    {"ISO-8859-11", {874, 0}},
    {"ISO-8859-16", {1252, 28591}},
    {"ISO-8859-13", {28603, 0}},
    {"ISO-8859-15", {28605, 0}},
    {"WINDOWS-1250", {1250, 0}},
    {"WINDOWS-1251", {1251, 0}},
    {"WINDOWS-1252", {1252, 28591}},
    {"WINDOWS-1253", {1253, 0}},
    {"WINDOWS-1254", {1254, 0}},
    {"WINDOWS-1255", {1255, 0}},
    {"WINDOWS-1256", {1256, 0}},
    {"WINDOWS-1257", {1257, 0}},
    {"WINDOWS-1258", {1258, 0}},
    {"KOI8-R", {20866, 0}},
    {"KOI8-U", {21866, 0}},
    {"IBM852", {852, 0}},
    {"IBM855", {855, 0}},
    {"IBM866", {866, 0}},
    {"MAC-CYRILLIC", {10007, 0}},
    {"MAC-CENTRALEUROPE", {10029, 0}},
    {"TIS-620", {874, 0}},
    {"SHIFT_JIS", {932, 0}},
    {"EUC-JP", {51932, 0}},
    {"ISO-2022-JP", {50220, 0}},
    {"GB18030", {936, 54936}},
    {"GBK", {936, 54936}},
    {"GB2312", {936, 54936}},
    {"BIG5", {950, 0}},
    {"EUC-TW", {51950, 0}},
    {"ISO-2022-CN", {50227, 0}},
    {"EUC-KR", {51949, 949}},
    {"UHC", {949, 0}},
    {"ISO-2022-KR", {50225, 0}},
};

bool SameName(std::string_view a, const char* b) {
    if (a.size() != std::strlen(b)) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        const char c = a[i] >= 'a' && a[i] <= 'z' ? static_cast<char>(a[i] - 32) : a[i];
        if (c != b[i]) return false;
    }
    return true;
}

const CHARSETCODEPAGES* FindCharset(std::string_view charset) {
    for (const CHARSETCODEPAGES& entry : kDetectorCharsets)
        if (SameName(charset, entry.charset)) return &entry;
    return nullptr;
}

// The first byte above 0x7F, or end. Blocks of ASCII are passed over a word
// at a time.
const unsigned char* FindNonAscii(const unsigned char* p, const unsigned char* end) {
    constexpr uint64_t kHigh = 0x8080808080808080ULL;
    while (end - p >= 32) {
        uint64_t w[4];
        std::memcpy(w, p, sizeof w);
        if (((w[0] | w[1] | w[2] | w[3]) & kHigh) != 0) break;
        p += 32;
    }
    while (p < end && *p < 0x80) ++p;
    return p;
}

// The code pages of the table that hold a character in one byte each.
bool IsSingleByte(int codePage) {
    for (const int multiByte : {932, 936, 949, 950, 50220, 50225, 50227, 51932, 51949, 51950, 54936})
        if (codePage == multiByte) return false;
    return true;
}

// Characters of natural text beyond ASCII, as single-byte code pages hold
// them: letters of the Latin, Greek, Cyrillic, Hebrew, Arabic and Thai
// blocks; not signs, punctuation, symbols, box drawing, controls.
bool IsLetter(char32_t c) {
    if (c == 0xAA || c == 0xB5 || c == 0xBA) return true;  // ª µ º
    if (c < 0xC0 || c == 0xD7 || c == 0xF7) return false;  // controls, signs, × ÷
    if (c < 0x2B0) return true;                            // Latin-1 letters, Latin Extended, IPA
    if (c < 0x370) return false;                           // modifiers, combining marks
    return c < 0x2000;                                     // then punctuation and symbols
}

// The letters beyond ASCII the bytes read as in the code page, or -1 when a
// byte starts no character of it.
int LettersIn(int codePage, std::string_view bytes) {
    if (!IsCodePageSupported(codePage)) return -1;
    CCharsetConverter converter(IconvCharset(codePage), "UTF-32LE");
    if (!converter.IsValid()) return -1;
    std::string wide;
    int lossy = 0;
    converter.Convert(bytes, wide, lossy);
    if (lossy != 0) return -1;
    int letters = 0;
    for (size_t i = 0; i + 4 <= wide.size(); i += 4) {
        const auto* unit = reinterpret_cast<const unsigned char*>(wide.data() + i);
        const char32_t c =
            static_cast<char32_t>(unit[0] | (unit[1] << 8) | (unit[2] << 16) | (unit[3] << 24));
        letters += c >= 0x80 && IsLetter(c);
    }
    return letters;
}

// Whether [p, end) is valid UTF-8; with cut, a sequence that end cuts short
// counts as valid (end lies inside the file).
bool Utf8Valid(const unsigned char* p, const unsigned char* end, bool cut) {
    for (;;) {
        p = FindNonAscii(p, end);
        if (p == end) return true;
        // A run of sequences; back to the word-wise pass at the next ASCII byte.
        while (p < end && *p >= 0x80) {
            char32_t c;
            const int length = DecodeUtf8(p, static_cast<size_t>(end - p), c);
            if (length < 0 && cut) return true;
            if (length <= 0) return false;
            p += length;
        }
    }
}

}  // namespace

bool IsValidUtf8(const unsigned char* data, size_t size) { return Utf8Valid(data, data + size, false); }

int CodePageOfCharset(std::string_view charset) {
    const CHARSETCODEPAGES* entry = FindCharset(charset);
    if (entry == nullptr) return 0;
    for (const int codePage : entry->codePages)
        if (codePage != 0 && IsCodePageSupported(codePage)) return codePage;
    return 0;
}

int GuessCodePage(const unsigned char* data, size_t size, std::string& charset) {
    charset.clear();
    const unsigned char* end = data + size;
    const unsigned char* first = FindNonAscii(data, end);
    if (first == end) return 0;
    // From the start of that line.
    const unsigned char* from = first;
    while (from > data && from[-1] != '\n') --from;
    const unsigned char* to = end;
    if (static_cast<size_t>(end - from) > kDetectSampleBytes) {
        to = from + kDetectSampleBytes;
        const unsigned char* cut = to;
        while (cut > first && cut[-1] != '\n') --cut;
        if (cut == first) {
            cut = to;
            while (cut > first && cut[-1] >= 0x30) --cut;
        }
        if (cut > first) to = cut;
    }
    const std::string_view sample(reinterpret_cast<const char*>(from), static_cast<size_t>(to - from));

    const std::unique_ptr<std::remove_pointer_t<uchardet_t>, void (*)(uchardet_t)> detector(uchardet_new(),
                                                                                            uchardet_delete);
    if (!detector) return 0;
    if (uchardet_handle_data(detector.get(), sample.data(), sample.size()) != 0) return 0;
    uchardet_data_end(detector.get());
    const char* name = uchardet_get_charset(detector.get());
    if (name == nullptr || *name == '\0') return 0;
    charset = name;
    const CHARSETCODEPAGES* entry = FindCharset(charset);
    if (entry == nullptr) return 0;
    for (const int codePage : entry->codePages) {
        if (codePage == 0) break;
        const int letters = LettersIn(codePage, sample);
        if (letters < 0) continue;
        // A few lines give the detector little to go on, and it may name a
        // code page that makes signs of Western letters ("na\xEFve" read in
        // IBM852 is "na\u00B4ve"). A single-byte code page gives way to
        // the Western one when that reads more of the bytes as letters.
        if (IsSingleByte(codePage) && codePage != kWesternCodePage &&
            LettersIn(kWesternCodePage, sample) > letters)
            return kWesternCodePage;
        return codePage;
    }
    return 0;
}

DETECTEDENCODING DetectEncoding(const unsigned char* data, size_t size, int codePage, size_t knownAscii) {
    DETECTEDENCODING result;
    const int fallback = codePage == CP_DETECT ? WorkingCodePage() : codePage;
    BomInfo bom;
    if (DetectBom(data, size, bom)) {
        result.kind = bom.kind;
        result.codePage = fallback;
        result.source = ENCODING_FROM_BOM;
        return result;
    }
    result.kind = ENCODING_CODEPAGE;
    result.codePage = fallback;
    if (codePage != CP_DETECT) return result;  // ENCODING_FROM_REQUEST

    const unsigned char* end = data + size;
    const unsigned char* first = FindNonAscii(data + std::min(knownAscii, size), end);
    if (first == end) {
        // Plain ASCII reads the same in the working code page.
        result.source = ENCODING_FROM_BYTES;
        return result;
    }
    // UTF-8 as far as the check reaches: a legacy encoding shows in its
    // first characters, and a longer check would cost every UTF-8 file.
    const bool whole = static_cast<size_t>(end - first) <= kUtf8CheckBytes;
    if (Utf8Valid(first, whole ? end : first + kUtf8CheckBytes, !whole)) {
        result.codePage = CP_UTF8;
        result.source = ENCODING_FROM_BYTES;
        return result;
    }
    const int guessed = GuessCodePage(data, size, result.charset);
    if (guessed != 0) {
        result.codePage = guessed;
        result.source = ENCODING_FROM_DETECTOR;
    } else {
        result.source = ENCODING_FROM_FALLBACK;
    }
    return result;
}

}  // namespace corvatine
