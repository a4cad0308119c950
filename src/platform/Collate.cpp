#include "platform/Collate.h"

#include <cwchar>
#include <cwctype>
#include <string>

namespace corvatine::platform {

namespace {

// Invalid bytes map into the low-surrogate range, which no decoded character
// occupies, so they stay distinct from every real character.
constexpr wchar_t kInvalidByteBase = 0xDC00;

std::wstring FoldForCollation(std::string_view text) {
    std::wstring wide;
    wide.reserve(text.size());
    std::mbstate_t state{};
    size_t pos = 0;
    // ASCII is the same character in every locale's character set, and folds
    // as in English except where the locale folds "I" otherwise (Turkish):
    // the common case then needs neither a conversion nor a table.
    const bool asciiFolds = std::towlower(L'I') == L'i';
    while (pos < text.size()) {
        const unsigned char byte = static_cast<unsigned char>(text[pos]);
        if (asciiFolds && byte != 0 && byte < 0x80 && std::mbsinit(&state)) {
            wide += static_cast<wchar_t>(byte >= 'A' && byte <= 'Z' ? byte - 'A' + 'a' : byte);
            ++pos;
            continue;
        }
        wchar_t wc = 0;
        const size_t n = std::mbrtowc(&wc, text.data() + pos, text.size() - pos, &state);
        if (n == static_cast<size_t>(-1) || n == static_cast<size_t>(-2)) {
            wide += static_cast<wchar_t>(kInvalidByteBase + static_cast<unsigned char>(text[pos]));
            state = std::mbstate_t{};
            ++pos;
            continue;
        }
        // An embedded NUL would end the collation; keep it comparable instead.
        if (n == 0) {
            wide += kInvalidByteBase;
            ++pos;
            continue;
        }
        wide += static_cast<wchar_t>(std::towlower(static_cast<wint_t>(wc)));
        pos += n;
    }
    return wide;
}

}  // namespace

int CompareNoCaseCollate(std::string_view a, std::string_view b) {
    const std::wstring wa = FoldForCollation(a);
    const std::wstring wb = FoldForCollation(b);
    return std::wcscoll(wa.c_str(), wb.c_str());
}

std::wstring CollationKeyNoCase(std::string_view text) {
    const std::wstring folded = FoldForCollation(text);
    std::wstring key(folded.size() * 4 + 8, L'\0');
    for (;;) {
        const size_t n = std::wcsxfrm(key.data(), folded.c_str(), key.size());
        if (n < key.size()) {
            key.resize(n);
            return key;
        }
        key.resize(n + 1);
    }
}

}  // namespace corvatine::platform
