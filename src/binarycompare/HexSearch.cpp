#include "binarycompare/HexSearch.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cwctype>

#include "fileio/Conversion.h"

namespace corvatine {

namespace {

constexpr int64_t kWindowExtra = 32767;
constexpr int64_t kCheckStep = 131072;       // 128 KiB
constexpr int64_t kWideStepFrom = 8388608;   // 8 MiB
constexpr int64_t kWideCheckStep = 2097152;  // 2 MiB

using ByteMap = std::array<uint8_t, 256>;

ByteMap IdentityMap() {
    ByteMap map{};
    for (int i = 0; i < 256; ++i) map[static_cast<size_t>(i)] = static_cast<uint8_t>(i);
    return map;
}

ByteMap AsciiUpperMap() {
    ByteMap map = IdentityMap();
    for (int c = 'a'; c <= 'z'; ++c) map[static_cast<size_t>(c)] = static_cast<uint8_t>(c - 'a' + 'A');
    return map;
}

// EBCDIC letters to their capitals, through the code page's characters.
const ByteMap& EbcdicUpperMap() {
    static const ByteMap map = [] {
        ByteMap m = IdentityMap();
        CCharsetConverter decode("IBM037", "UTF-32LE");
        CCharsetConverter encode("UTF-32LE", "IBM037");
        if (!decode.IsValid() || !encode.IsValid()) return m;
        for (int b = 0; b < 256; ++b) {
            std::string wide;
            int lossy = 0;
            decode.Convert(std::string(1, static_cast<char>(b)), wide, lossy);
            if (lossy != 0 || wide.size() != 4) continue;
            char32_t c = static_cast<unsigned char>(wide[0]) | (static_cast<unsigned char>(wide[1]) << 8) |
                         (static_cast<char32_t>(static_cast<unsigned char>(wide[2])) << 16);
            const char32_t upper = static_cast<char32_t>(std::towupper(static_cast<wint_t>(c)));
            if (upper == c) continue;
            std::string in(4, '\0');
            for (int i = 0; i < 4; ++i)
                in[static_cast<size_t>(i)] = static_cast<char>((upper >> (8 * i)) & 0xFF);
            std::string out;
            encode.Convert(in, out, lossy);
            if (lossy == 0 && out.size() == 1) m[static_cast<size_t>(b)] = static_cast<uint8_t>(out[0]);
        }
        return m;
    }();
    return map;
}

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// The text's characters as the charset's bytes; false when some were dropped.
bool EncodeText(const std::string& text, int charset, std::vector<uint8_t>& out) {
    out.clear();
    if (charset == SEARCH_CODEPAGE) {
        out.assign(text.begin(), text.end());
        return true;
    }
    bool complete = true;
    CCharsetConverter ebcdic("UTF-8", "IBM037");
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    size_t at = 0;
    while (at < text.size()) {
        char32_t c = 0;
        const int length = DecodeUtf8(p + at, text.size() - at, c);
        if (length <= 0) {  // not a character of the text's encoding
            complete = false;
            ++at;
            continue;
        }
        if (charset == SEARCH_UNICODE) {
            std::string units;
            AppendUtf16(units, c, false);
            out.insert(out.end(), units.begin(), units.end());
        } else {
            std::string bytes;
            int lossy = 0;
            ebcdic.Convert(text.substr(at, static_cast<size_t>(length)), bytes, lossy);
            if (lossy != 0 || !ebcdic.IsValid())
                complete = false;
            else
                out.insert(out.end(), bytes.begin(), bytes.end());
        }
        at += static_cast<size_t>(length);
    }
    return complete;
}

const char* NotFoundText(const HEXSEARCH& search, bool forward) {
    const bool unicode = search.text && search.charset == SEARCH_UNICODE;
    const bool ebcdic = search.text && search.charset == SEARCH_EBCDIC;
    if (forward) {
        if (search.caseInsensitive)
            return unicode  ? "Search text not found (case insensitive Unicode search)"
                   : ebcdic ? "Search text not found (case-insensitive EBCDIC search)"
                            : "Search text not found (case insensitive search)";
        return unicode  ? "Search text not found (forward Unicode search)"
               : ebcdic ? "Search text not found (forward EBCDIC search)"
                        : "Search text not found (forward search)";
    }
    if (search.caseInsensitive)
        return unicode  ? "Search text not found (insensitive backward Unicode search)"
               : ebcdic ? "Search text not found (insensitive backward EBCDIC search)"
                        : "Search text not found (case insensitive backward search)";
    return unicode  ? "Search text not found (backward Unicode search)"
           : ebcdic ? "Search text not found (backward EBCDIC search)"
                    : "Search text not found (backward search)";
}

// The check points of a long search: every 128 KiB from the start, every
// 2 MiB once 16 MiB lie behind.
class CCheckPoints {
public:
    CCheckPoints(int64_t start) : m_start(start), m_next((start / kCheckStep + 1) * kCheckStep) {}
    bool Passed(int64_t distance) {
        if (distance < m_next - m_start) return false;
        const int64_t wideFrom = (m_start / kWideStepFrom + 2) * kWideStepFrom;
        while (m_next - m_start <= distance) m_next += m_next >= wideFrom ? kWideCheckStep : kCheckStep;
        return true;
    }

private:
    int64_t m_start;
    int64_t m_next;
};

}  // namespace

bool ParseHexSearch(const std::string& text, int charset, HEXSEARCH& search, platform::CMessages& messages) {
    search = HEXSEARCH();
    search.charset = charset;
    if (text.size() >= 2 && (text[0] == '=' || text[0] == '~')) {
        search.text = true;
        search.caseInsensitive = text[0] == '~';
        const std::string body = text.substr(1);
        if (!EncodeText(body, charset, search.pattern)) {
            if (charset == SEARCH_UNICODE)
                messages.Inform("Invalid Unicode search characters ignored\rsearching for \"" + body + "\"");
            else if (charset == SEARCH_EBCDIC)
                messages.Inform("Invalid EBCDIC search characters ignored\rsearching for \"" + body + "\"");
        }
    } else {
        search.charset = SEARCH_CODEPAGE;
        int pending = -1;
        bool any = false;
        for (const char c : text) {
            const int value = HexValue(c);
            if (value < 0) continue;
            any = true;
            if (pending < 0) {
                pending = value;
            } else {
                search.pattern.push_back(static_cast<uint8_t>(pending * 16 + value));
                pending = -1;
            }
        }
        if (pending >= 0) search.pattern.push_back(static_cast<uint8_t>(pending));
        if (!any) {
            messages.Inform("There is no search text");
            return false;
        }
    }
    if (search.pattern.empty()) {
        messages.Inform("Empty search sequence");
        return false;
    }
    return true;
}

int64_t FindInBuffer(CHexEditContext& buffer, const HEXSEARCH& search, int64_t start, bool forward,
                     platform::CMessages& messages, const std::function<bool()>& escapePressed) {
    const int64_t length = static_cast<int64_t>(search.pattern.size());
    const int64_t size = buffer.GetSize();
    if (length == 0) {
        messages.Inform("Empty search sequence");
        return -1;
    }
    if (length > size) {
        messages.Inform("Search byte sequence is longer than the file");
        return -1;
    }
    if (length > kMaxSearchPattern) {
        messages.Inform("Search byte sequence is too long");
        return -1;
    }
    // Case-insensitive searches compare upper-cased bytes; EBCDIC has its own capitals.
    static const ByteMap identity = IdentityMap();
    static const ByteMap ascii = AsciiUpperMap();
    const ByteMap& fold = !search.caseInsensitive                          ? identity
                          : search.text && search.charset == SEARCH_EBCDIC ? EbcdicUpperMap()
                                                                           : ascii;
    std::vector<uint8_t> pattern(search.pattern.size());
    for (size_t i = 0; i < pattern.size(); ++i) pattern[i] = fold[search.pattern[i]];

    // Bad-character skips for scanning forwards and backwards.
    std::array<int64_t, 256> skipForward, skipBackward;
    skipForward.fill(length);
    skipBackward.fill(length);
    for (int64_t i = 0; i + 1 < length; ++i) skipForward[pattern[static_cast<size_t>(i)]] = length - 1 - i;
    for (int64_t i = length - 1; i > 0; --i) skipBackward[pattern[static_cast<size_t>(i)]] = i;

    const int64_t windowSize = std::min(length + kWindowExtra, size);
    std::vector<uint8_t> window(static_cast<size_t>(windowSize));
    auto matchesAt = [&](int64_t at) {
        for (int64_t j = length - 1; j >= 0; --j)
            if (fold[window[static_cast<size_t>(at + j)]] != pattern[static_cast<size_t>(j)]) return false;
        return true;
    };
    CCheckPoints checks(start);
    auto aborted = [&](int64_t distance) {
        if (!escapePressed || !checks.Passed(distance) || !escapePressed()) return false;
        if (messages.AskYesNo("Abort search?") != platform::ANSWER_YES) return false;
        messages.Status("Search aborted");
        return true;
    };

    if (forward) {
        for (int64_t from = std::max<int64_t>(start, 0); from + length <= size;) {
            const int64_t count = buffer.Read(window.data(), std::min(windowSize, size - from), from);
            if (count < length) break;
            for (int64_t at = 0; at + length <= count;) {
                if (matchesAt(at)) return from + at;
                at += skipForward[fold[window[static_cast<size_t>(at + length - 1)]]];
            }
            from += count - (length - 1);
            if (aborted(from - start)) return -1;
        }
    } else {
        for (int64_t end = std::min(size, start - 1 + length); end - length >= 0;) {
            const int64_t from = std::max<int64_t>(0, end - windowSize);
            const int64_t count = buffer.Read(window.data(), end - from, from);
            if (count != end - from) break;
            for (int64_t at = count - length; at >= 0;) {
                if (matchesAt(at)) return from + at;
                at -= skipBackward[fold[window[static_cast<size_t>(at)]]];
            }
            if (from == 0) break;
            end = from + length - 1;
            if (aborted(start - end)) return -1;
        }
    }
    messages.Inform(NotFoundText(search, forward));
    return -1;
}

std::string GoToRangeText(int64_t size, bool upperCase) {
    char text[48];
    std::snprintf(text, sizeof text, upperCase ? "(0 - %#llX)" : "(0 - %#llx)",
                  static_cast<unsigned long long>(size));
    return text;
}

std::string GoToHexText(int64_t address, bool upperCase) {
    char text[32];
    std::snprintf(text, sizeof text, upperCase ? "%llX" : "%llx", static_cast<unsigned long long>(address));
    return text;
}

std::string GoToDecimalText(int64_t address) { return std::to_string(address); }

bool ConfirmJumpToEnd(int64_t address, platform::CMessages& messages) {
    return messages.AskYesNo("Attempt to jump to invalid address " + std::to_string(address) +
                             "\rJump to EOF instead and continue?") == platform::ANSWER_YES;
}

}  // namespace corvatine
