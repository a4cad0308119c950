#include "fileio/ByteReadings.h"

#include "fileio/CodePages.h"

namespace corvatine {

const char* CharsetName(int codePage) {
    const char* charset = IconvCharset(codePage);
    return charset ? charset : "";
}

bool ConvertsBytewise(int codePage) {
    if (codePage == CP_ACP || codePage == CP_THREAD_ACP) codePage = GetACP();
    if (codePage == CP_OEMCP) codePage = GetOEMCP();
    if (IsDoubleByteCodePage(codePage)) return false;
    switch (codePage) {
        case 20932:  // EUC-JP
        case 20936:  // GB2312
        case 50220:  // ISO-2022-JP
        case 50225:  // ISO-2022-KR
        case 50227:  // ISO-2022-CN
        case 51932:  // EUC-JP
        case 51936:  // EUC-CN
        case 51949:  // EUC-KR
        case 51950:  // EUC-TW
        case 54936:  // GB18030
        case 65000:  // UTF-7
        case CP_UTF8: return false;
        default: return true;
    }
}

ByteReadings ReadEachByte(CCharsetConverter& read, CCharsetConverter& write) {
    ByteReadings readings;
    for (int b = 0; b < 256; ++b) {
        const std::string byte(1, static_cast<char>(b));
        std::string text, back;
        int lossy = 0;
        read.Convert(byte, text, lossy);
        if (lossy != 0) continue;
        write.Convert(text, back, lossy);
        const auto at = static_cast<size_t>(b);
        readings.text[at] = text;
        readings.exact[at] = lossy == 0 && back == byte;
        readings.plain[at] = !text.empty() && text.find_first_of("\r\n") == std::string::npos;
        readings.same[at] = readings.plain[at] && text == byte;
    }
    return readings;
}

}  // namespace corvatine
