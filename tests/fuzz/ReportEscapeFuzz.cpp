// Fuzz target: the escaping of text in the HTML reports. The input is the
// text. Neither escape leaves a raw "<" or ">", and every "&" begins one of
// the entities it writes; unescaped, the markup escape gives the text back,
// and the cell escape gives it back with each leading blank as no-break
// spaces (one for a space, four for a tab) and an empty text as one.
#include <cstdint>
#include <string>
#include <string_view>

#include "FuzzCheck.h"
#include "textcompare/TextCompareReport.h"

using corvatine::CTextCompareReport;
using corvatine::fuzz::Printable;
using corvatine::fuzz::Require;

namespace {

constexpr std::string_view kNoBreakSpace = "\xC2\xA0";

// The entities the escapes write, back to their characters (a no-break
// space in UTF-8); false at a raw "<", ">" or an "&" that begins none.
bool Unescape(std::string_view html, std::string& text) {
    static const struct {
        std::string_view entity, character;
    } kEntities[] = {{"&lt;", "<"}, {"&gt;", ">"}, {"&amp;", "&"}, {"&nbsp;", kNoBreakSpace}};
    text.clear();
    for (size_t i = 0; i < html.size();) {
        if (html[i] == '<' || html[i] == '>') return false;
        if (html[i] != '&') {
            text += html[i++];
            continue;
        }
        bool known = false;
        for (const auto& e : kEntities) {
            if (html.substr(i, e.entity.size()) == e.entity) {
                text += e.character;
                i += e.entity.size();
                known = true;
                break;
            }
        }
        if (!known) return false;
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    std::string back;

    const std::string markup = CTextCompareReport::EscapeMarkup(text);
    Require(Unescape(markup, back), "markup has no raw < > & but its entities", Printable(markup));
    Require(markup.find("&nbsp;") == std::string::npos, "markup writes no no-break space", Printable(text));
    Require(back == text, "markup unescapes to the text", Printable(text));

    const std::string cell = CTextCompareReport::Escape(text);
    Require(Unescape(cell, back), "a cell has no raw < > & but its entities", Printable(cell));
    std::string expected;
    size_t lead = 0;
    for (; lead < text.size() && (text[lead] == ' ' || text[lead] == '\t'); ++lead)
        for (int k = text[lead] == '\t' ? 4 : 1; k > 0; --k) expected += kNoBreakSpace;
    expected += text.substr(lead);
    if (text.empty()) expected = kNoBreakSpace;
    Require(back == expected, "a cell unescapes to the text with its leading blanks as no-break spaces",
            Printable(text));
    return 0;
}
