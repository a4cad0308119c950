#include "launch/NamedEncodings.h"

#include <algorithm>

#include "fileio/Bom.h"
#include "fileio/EncodingDetect.h"

namespace corvatine {

namespace {

std::string Joined(const std::vector<NAMEDENCODING>& encodings) {
    std::string names;
    for (const NAMEDENCODING& encoding : encodings) names += (names.empty() ? "" : ",") + encoding.name;
    return names;
}

std::string CannotRead(const std::string& name) {
    return "cannot read a file in " + name +
           ": a UTF-16 file is recognised by its byte-order mark alone, which decides its encoding whatever "
           "'--encoding' says; name a code page, UTF-8 or auto";
}

}  // namespace

bool SetRequestEncodings(CCompareParams& request, const std::vector<NAMEDENCODING>& encodings,
                         std::string& error) {
    auto* text = dynamic_cast<CTextCompareParams*>(&request);
    if (text == nullptr || encodings.empty()) return true;
    if (encodings.size() > 2) {
        error = "'--encoding=" + Joined(encodings) +
                "' names more than two encodings: a comparison takes one for both sides, or LEFT,RIGHT";
        return false;
    }
    int32_t codePages[2];
    for (size_t side = 0; side < 2; ++side) {
        const NAMEDENCODING& encoding = encodings[std::min(side, encodings.size() - 1)];
        int codePage = CP_DETECT;
        if (!ReadingCodePage(encoding, codePage)) {
            error = CannotRead(encoding.name);
            return false;
        }
        codePages[side] = codePage == CP_DETECT ? CODEPAGE_DETECT : codePage;
    }
    text->codePages[0] = codePages[0];
    text->codePages[1] = codePages[1];
    return true;
}

bool EditingEncoding(const std::vector<NAMEDENCODING>& encodings, EDITINGENCODING& result,
                     std::string& error) {
    result = EDITINGENCODING();
    if (encodings.empty()) return true;
    if (encodings.size() > 2) {
        error = "'--encoding=" + Joined(encodings) +
                "' names more than two encodings: editing takes one, or READ,SAVE";
        return false;
    }
    const NAMEDENCODING& read = encodings.front();
    if (!ReadingCodePage(read, result.readCodePage)) {
        if (encodings.size() == 2) {
            error = CannotRead(read.name);
            return false;
        }
        result.readCodePage = CP_DETECT;  // UNI16_LE or UNI16_BE alone: saved in
    }
    const NAMEDENCODING& save = encodings.back();
    result.save = save.kind != -1 || save.codePage != CP_DETECT;
    result.saveKind = save.kind;
    result.saveCodePage = save.codePage;
    return true;
}

void ApplySaveEncoding(const EDITINGENCODING& encoding, CSyntaxEditContextEx& context) {
    if (!encoding.save) return;
    const bool same = encoding.saveKind == -1 ? context.GetEncodingKind() == ENCODING_CODEPAGE &&
                                                    context.GetCodePage() == encoding.saveCodePage
                                              : context.GetEncodingKind() == encoding.saveKind;
    if (!same) context.ChangeEncoding(encoding.saveKind, encoding.saveCodePage);
}

}  // namespace corvatine
