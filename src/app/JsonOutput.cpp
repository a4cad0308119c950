#include "app/JsonOutput.h"

#include "fileio/Conversion.h"

namespace corvatine {

namespace {

using Json = nlohmann::ordered_json;

// The library writes only valid UTF-8. Bytes outside a valid sequence go
// through it as U+0001 and two hex digits, a U+0001 of the text as U+0001
// and 'L'; the escapes are made from them after the dump.
constexpr char kMark = '\x01';

bool Mark(std::string& text) {
    bool marked = false;
    std::string out;
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    const auto* end = p + text.size();
    for (const auto* at = p; at < end;) {
        char32_t c;
        const int length = *at < 0x80 ? 1 : DecodeUtf8(at, static_cast<size_t>(end - at), c);
        if (length > 0 && *at != kMark) {
            out.append(reinterpret_cast<const char*>(at), static_cast<size_t>(length));
            at += length;
            continue;
        }
        static const char kHex[] = "0123456789abcdef";
        out += kMark;
        if (*at == kMark) {
            out += 'L';
        } else {
            out += kHex[*at >> 4];
            out += kHex[*at & 15];
        }
        marked = true;
        ++at;
    }
    if (marked) text = std::move(out);
    return marked;
}

bool MarkAll(Json& json) {
    bool marked = false;
    if (json.is_string()) {
        marked = Mark(json.get_ref<std::string&>());
    } else if (json.is_structured()) {
        for (Json& item : json) marked = MarkAll(item) || marked;
    }
    return marked;
}

}  // namespace

std::string DumpJson(const nlohmann::ordered_json& json, int indent) {
    Json copy = json;
    if (!MarkAll(copy)) return json.dump(indent, ' ', false, Json::error_handler_t::replace);
    const std::string text = copy.dump(indent, ' ', false, Json::error_handler_t::replace);
    // Backslashes occur only in escapes, inside strings.
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\') {
            out += text[i];
            continue;
        }
        if (text.compare(i, 6, "\\u0001") == 0 && i + 6 < text.size()) {
            if (text[i + 6] == 'L') {
                out += "\\u0001";
                i += 6;
            } else {
                out += "\\udc";
                out.append(text, i + 6, 2);
                i += 7;
            }
            continue;
        }
        out += text[i];
        out += text[++i];  // the escaped character: "\\" must not start a match
    }
    return out;
}

}  // namespace corvatine
