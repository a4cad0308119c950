#include "fileio/EncodingChoices.h"

#include <cstdlib>

#include "fileio/Bom.h"
#include "fileio/CodePages.h"

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

}  // namespace corvatine
