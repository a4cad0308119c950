#include "fileio/EncodingChoices.h"

#include <cstdlib>

#include "fileio/Bom.h"
#include "fileio/CodePages.h"
#include "fileio/EncodingDetect.h"

namespace corvatine {

std::vector<ENCODINGCHOICE> GetEncodingChoices() {
    std::vector<ENCODINGCHOICE> choices = {
        {"UNI16_LE", ENCODING_UCS2_LE, -1},
        {"UNI16_BE", ENCODING_UCS2_BE, -1},
        {"UTF-8", ENCODING_UTF8, -1},
    };
    for (const CODEPAGEINFO& entry : GetCodePageList()) choices.push_back({entry.name, -1, entry.codePage});
    return choices;
}

int InitialEncodingChoice(const std::vector<ENCODINGCHOICE>& choices, int kind, int codePage) {
    if (kind >= ENCODING_UCS2_LE && kind <= ENCODING_UTF8) {
        for (size_t i = 0; i < choices.size(); ++i)
            if (choices[i].kind == kind) return static_cast<int>(i);
    }
    if (codePage == -1) codePage = WorkingCodePage();
    for (size_t i = 0; i < choices.size(); ++i)
        if (choices[i].kind == -1 && choices[i].codePage == codePage) return static_cast<int>(i);
    return -1;
}

int FindEncodingChoice(const std::vector<ENCODINGCHOICE>& choices, const std::string& name) {
    for (size_t i = 0; i < choices.size(); ++i)
        if (choices[i].kind != -1 && choices[i].label == name) return static_cast<int>(i);
    if (name.empty() || name.find_first_not_of("0123456789") != std::string::npos || name.size() > 6)
        return -1;
    const int codePage = std::atoi(name.c_str());
    for (size_t i = 0; i < choices.size(); ++i)
        if (choices[i].kind == -1 && choices[i].codePage == codePage) return static_cast<int>(i);
    return -1;
}

std::string EncodingName(int kind, int codePage) {
    switch (kind) {
        case ENCODING_UCS2_LE: return "UTF-16 LE";
        case ENCODING_UCS2_BE: return "UTF-16 BE";
        case ENCODING_UTF8: return "UTF-8 with BOM";
        default: break;
    }
    if (codePage == CP_UTF8 || (codePage == CP_ACP && GetACP() == CP_UTF8)) return "UTF-8";
    const char* charset = IconvCharset(codePage);
    return charset != nullptr ? std::string(charset) : "code page " + std::to_string(codePage);
}

std::string LineEndingsName(int style, int crlf, int lf, int cr) {
    if ((crlf > 0) + (lf > 0) + (cr > 0) > 1) return "Mixed";
    if (crlf + lf + cr == 0) return "None";
    switch (style) {
        case 1: return "CRLF";
        case 2: return "CR";
        default: return "LF";
    }
}

bool ParseEncodingNames(const std::string& list, std::vector<NAMEDENCODING>& encodings, std::string& error) {
    encodings.clear();
    std::vector<ENCODINGCHOICE> choices;  // made when a name needs them: it asks iconv of every code page
    size_t start = 0;
    for (;;) {
        const size_t comma = list.find(',', start);
        const std::string name =
            list.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
        NAMEDENCODING encoding;
        encoding.name = name;
        if (name == "auto") {
            encoding.kind = -1;
            encoding.codePage = CP_DETECT;
        } else {
            if (choices.empty()) choices = GetEncodingChoices();
            const int found = FindEncodingChoice(choices, name);
            if (found < 0) {
                error = "unknown encoding '" + name +
                        "'; use auto, UNI16_LE, UNI16_BE, UTF-8 or a code page this system converts";
                return false;
            }
            encoding.kind = choices[static_cast<size_t>(found)].kind;
            encoding.codePage = choices[static_cast<size_t>(found)].codePage;
        }
        encodings.push_back(encoding);
        if (comma == std::string::npos) return true;
        start = comma + 1;
    }
}

bool ReadingCodePage(const NAMEDENCODING& encoding, int& codePage) {
    if (encoding.kind == ENCODING_UCS2_LE || encoding.kind == ENCODING_UCS2_BE) return false;
    codePage = encoding.kind == ENCODING_UTF8 ? CP_UTF8 : encoding.codePage;
    return true;
}

}  // namespace corvatine
