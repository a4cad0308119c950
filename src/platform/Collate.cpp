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
    while (pos < text.size()) {
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

}  // namespace corvatine::platform
