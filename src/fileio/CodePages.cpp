#include "fileio/CodePages.h"

#include <iconv.h>
#include <langinfo.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <mutex>

namespace corvatine {

namespace {

const std::vector<CODEPAGEDESCRIPTION> kDescriptions = {
    {37, "IBM EBCDIC - U.S./Canada"},
    {437, "OEM - United States"},
    {500, "IBM EBCDIC - International"},
    {708, "Arabic - ASMO 708"},
    {709, "Arabic - ASMO 449+, BCON V4"},
    {710, "Arabic - Transparent Arabic"},
    {720, "Arabic - Transparent ASMO"},
    {737, "OEM - Greek (formerly 437G)"},
    {775, "OEM - Baltic"},
    {850, "OEM - Multilingual Latin I"},
    {852, "OEM - Latin II"},
    {855, "OEM - Cyrillic (primarily Russian)"},
    {857, "OEM - Turkish"},
    {858, "OEM - Multilingual Latin I + Euro symbol"},
    {860, "OEM - Portuguese"},
    {861, "OEM - Icelandic"},
    {862, "OEM - Hebrew"},
    {863, "OEM - Canadian-French"},
    {864, "OEM - Arabic"},
    {865, "OEM - Nordic"},
    {866, "OEM - Russian"},
    {869, "OEM - Modern Greek"},
    {870, "IBM EBCDIC - Multilingual/ROECE (Latin-2)"},
    {874, "ANSI/OEM - Thai"},
    {875, "IBM EBCDIC - Modern Greek"},
    {932, "ANSI/OEM - Japanese, Shift-JIS"},
    {936, "ANSI/OEM - Simplified Chinese (PRC, Singapore)"},
    {949, "ANSI/OEM - Korean (Unified Hangul Code)"},
    {950, "ANSI/OEM - Traditional Chinese (Taiwan; Hong Kong SAR, PRC)"},
    {1026, "IBM EBCDIC - Turkish (Latin-5)"},
    {1047, "IBM EBCDIC - Latin 1/Open System"},
    {1140, "IBM EBCDIC - U.S./Canada (037 + Euro symbol)"},
    {1141, "IBM EBCDIC - Germany (20273 + Euro symbol)"},
    {1142, "IBM EBCDIC - Denmark/Norway (20277 + Euro symbol)"},
    {1143, "IBM EBCDIC - Finland/Sweden (20278 + Euro symbol)"},
    {1144, "IBM EBCDIC - Italy (20280 + Euro symbol)"},
    {1145, "IBM EBCDIC - Latin America/Spain (20284 + Euro symbol)"},
    {1146, "IBM EBCDIC - United Kingdom (20285 + Euro symbol)"},
    {1147, "IBM EBCDIC - France (20297 + Euro symbol)"},
    {1148, "IBM EBCDIC - International (500 + Euro symbol)"},
    {1149, "IBM EBCDIC - Icelandic (20871 + Euro symbol)"},
    {1200, "Unicode UCS-2 Little-Endian (BMP of ISO 10646)"},
    {1201, "Unicode UCS-2 Big-Endian"},
    {1250, "ANSI - Central European"},
    {1251, "ANSI - Cyrillic"},
    {1252, "ANSI - Latin I"},
    {1253, "ANSI - Greek"},
    {1254, "ANSI - Turkish"},
    {1255, "ANSI - Hebrew"},
    {1256, "ANSI - Arabic"},
    {1257, "ANSI - Baltic"},
    {1258, "ANSI/OEM - Vietnamese"},
    {1361, "Korean (Johab)"},
    {10000, "MAC - Roman"},
    {10001, "MAC - Japanese"},
    {10002, "MAC - Traditional Chinese (Big5)"},
    {10003, "MAC - Korean"},
    {10004, "MAC - Arabic"},
    {10005, "MAC - Hebrew"},
    {10006, "MAC - Greek I"},
    {10007, "MAC - Cyrillic"},
    {10008, "MAC - Simplified Chinese (GB 2312)"},
    {10010, "MAC - Romania"},
    {10017, "MAC - Ukraine"},
    {10021, "MAC - Thai"},
    {10029, "MAC - Latin II"},
    {10079, "MAC - Icelandic"},
    {10081, "MAC - Turkish"},
    {10082, "MAC - Croatia"},
    {12000, "Unicode UCS-4 Little-Endian"},
    {12001, "Unicode UCS-4 Big-Endian"},
    {20000, "CNS - Taiwan"},
    {20001, "TCA - Taiwan"},
    {20002, "Eten - Taiwan"},
    {20003, "IBM5550 - Taiwan"},
    {20004, "TeleText - Taiwan"},
    {20005, "Wang - Taiwan"},
    {20105, "IA5 IRV International Alphabet No. 5 (7-bit)"},
    {20106, "IA5 German (7-bit)"},
    {20107, "IA5 Swedish (7-bit)"},
    {20108, "IA5 Norwegian (7-bit)"},
    {20127, "US-ASCII (7-bit)"},
    {20261, "T.61"},
    {20269, "ISO 6937 Non-Spacing Accent"},
    {20273, "IBM EBCDIC - Germany"},
    {20277, "IBM EBCDIC - Denmark/Norway"},
    {20278, "IBM EBCDIC - Finland/Sweden"},
    {20280, "IBM EBCDIC - Italy"},
    {20284, "IBM EBCDIC - Latin America/Spain"},
    {20285, "IBM EBCDIC - United Kingdom"},
    {20290, "IBM EBCDIC - Japanese Katakana Extended"},
    {20297, "IBM EBCDIC - France"},
    {20420, "IBM EBCDIC - Arabic"},
    {20423, "IBM EBCDIC - Greek"},
    {20424, "IBM EBCDIC - Hebrew"},
    {20833, "IBM EBCDIC - Korean Extended"},
    {20838, "IBM EBCDIC - Thai"},
    {20866, "Russian - KOI8-R"},
    {20871, "IBM EBCDIC - Icelandic"},
    {20880, "IBM EBCDIC - Cyrillic (Russian)"},
    {20905, "IBM EBCDIC - Turkish"},
    {20924, "IBM EBCDIC - Latin-1/Open System (1047 + Euro symbol)"},
    {20932, "JIS X 0208-1990 & 0212-1990"},
    {20936, "Simplified Chinese (GB2312)"},
    {21025, "IBM EBCDIC - Cyrillic (Serbian, Bulgarian)"},
    {21027, "Ext Alpha Lowercase"},
    {21866, "Ukrainian (KOI8-U)"},
    {28591, "ISO 8859-1 Latin I"},
    {28592, "ISO 8859-2 Central Europe"},
    {28593, "ISO 8859-3 Latin 3"},
    {28594, "ISO 8859-4 Baltic"},
    {28595, "ISO 8859-5 Cyrillic"},
    {28596, "ISO 8859-6 Arabic"},
    {28597, "ISO 8859-7 Greek"},
    {28598, "ISO 8859-8 Hebrew"},
    {28599, "ISO 8859-9 Latin 5"},
    {28605, "ISO 8859-15 Latin 9"},
    {29001, "Europa 3"},
    {38598, "ISO 8859-8 Hebrew"},
    {50220, "ISO 2022 Japanese with no halfwidth Katakana"},
    {50221, "ISO 2022 Japanese with halfwidth Katakana"},
    {50222, "ISO 2022 Japanese JIS X 0201-1989"},
    {50225, "ISO 2022 Korean"},
    {50227, "ISO 2022 Simplified Chinese"},
    {50229, "ISO 2022 Traditional Chinese"},
    {50930, "Japanese (Katakana) Extended"},
    {50931, "US/Canada and Japanese"},
    {50933, "Korean Extended and Korean"},
    {50935, "Simplified Chinese Extended and Simplified Chinese"},
    {50936, "Simplified Chinese"},
    {50937, "US/Canada and Traditional Chinese"},
    {50939, "Japanese (Latin) Extended and Japanese"},
    {51932, "EUC - Japanese"},
    {51936, "EUC - Simplified Chinese"},
    {51949, "EUC - Korean"},
    {51950, "EUC - Traditional Chinese"},
    {52936, "HZ-GB2312 Simplified Chinese"},
    {54936, "Windows XP: GB18030 Simplified Chinese (4 Byte)"},
    {57002, "ISCII Devanagari"},
    {57003, "ISCII Bengali"},
    {57004, "ISCII Tamil"},
    {57005, "ISCII Telugu"},
    {57006, "ISCII Assamese"},
    {57007, "ISCII Oriya"},
    {57008, "ISCII Kannada"},
    {57009, "ISCII Malayalam"},
    {57010, "ISCII Gujarati"},
    {57011, "ISCII Punjabi"},
    {65000, "Unicode UTF-7"},
    {65001, "Unicode UTF-8"},
};

struct CHARSETNAME {
    int codePage;
    const char* charset;
};

// Byte-oriented code pages and the iconv character sets that carry them.
// UTF-16 and UTF-32 (1200, 1201, 12000, 12001) are left out: a file in them
// is only read through its byte-order mark, never as a code page.
const CHARSETNAME kCharsets[] = {
    {37, "IBM037"},         {437, "IBM437"},        {500, "IBM500"},         {708, "ASMO-708"},
    {737, "CP737"},         {775, "CP775"},         {850, "IBM850"},         {852, "IBM852"},
    {855, "IBM855"},        {857, "IBM857"},        {858, "IBM858"},         {860, "IBM860"},
    {861, "IBM861"},        {862, "IBM862"},        {863, "IBM863"},         {864, "IBM864"},
    {865, "IBM865"},        {866, "IBM866"},        {869, "IBM869"},         {870, "IBM870"},
    {874, "WINDOWS-874"},   {875, "IBM875"},        {932, "WINDOWS-31J"},    {936, "WINDOWS-936"},
    {949, "CP949"},         {950, "BIG5"},          {1026, "IBM1026"},       {1047, "IBM1047"},
    {1140, "IBM1140"},      {1141, "IBM1141"},      {1142, "IBM1142"},       {1143, "IBM1143"},
    {1144, "IBM1144"},      {1145, "IBM1145"},      {1146, "IBM1146"},       {1147, "IBM1147"},
    {1148, "IBM1148"},      {1149, "IBM1149"},      {1250, "WINDOWS-1250"},  {1251, "WINDOWS-1251"},
    {1252, "WINDOWS-1252"}, {1253, "WINDOWS-1253"}, {1254, "WINDOWS-1254"},  {1255, "WINDOWS-1255"},
    {1256, "WINDOWS-1256"}, {1257, "WINDOWS-1257"}, {1258, "WINDOWS-1258"},  {1361, "JOHAB"},
    {10000, "MACINTOSH"},   {10007, "CP10007"},     {10017, "MACUKRAINIAN"}, {10029, "MAC-CENTRALEUROPE"},
    {10079, "MAC-IS"},      {20127, "US-ASCII"},    {20273, "IBM273"},       {20277, "IBM277"},
    {20278, "IBM278"},      {20280, "IBM280"},      {20284, "IBM284"},       {20285, "IBM285"},
    {20290, "IBM290"},      {20297, "IBM297"},      {20420, "IBM420"},       {20423, "IBM423"},
    {20424, "IBM424"},      {20866, "KOI8-R"},      {20871, "IBM871"},       {20880, "IBM880"},
    {20905, "IBM905"},      {20932, "EUC-JP"},      {20936, "GB2312"},       {21025, "IBM1025"},
    {21866, "KOI8-U"},      {28591, "ISO-8859-1"},  {28592, "ISO-8859-2"},   {28593, "ISO-8859-3"},
    {28594, "ISO-8859-4"},  {28595, "ISO-8859-5"},  {28596, "ISO-8859-6"},   {28597, "ISO-8859-7"},
    {28598, "ISO-8859-8"},  {28599, "ISO-8859-9"},  {28603, "ISO-8859-13"},  {28605, "ISO-8859-15"},
    {38598, "ISO-8859-8"},  {50220, "ISO-2022-JP"}, {50225, "ISO-2022-KR"},  {50227, "ISO-2022-CN"},
    {51932, "EUC-JP"},      {51936, "EUC-CN"},      {51949, "EUC-KR"},       {51950, "EUC-TW"},
    {54936, "GB18030"},     {65000, "UTF-7"},       {65001, "UTF-8"},
};

// Character set names of nl_langinfo(CODESET) and their code pages.
const CHARSETNAME kLocaleCharsets[] = {
    {65001, "UTF-8"},      {28591, "ISO-8859-1"}, {28592, "ISO-8859-2"},  {28593, "ISO-8859-3"},
    {28594, "ISO-8859-4"}, {28595, "ISO-8859-5"}, {28596, "ISO-8859-6"},  {28597, "ISO-8859-7"},
    {28598, "ISO-8859-8"}, {28599, "ISO-8859-9"}, {28603, "ISO-8859-13"}, {28605, "ISO-8859-15"},
    {1250, "CP1250"},      {1251, "CP1251"},      {1252, "CP1252"},       {1253, "CP1253"},
    {1254, "CP1254"},      {1255, "CP1255"},      {1256, "CP1256"},       {1257, "CP1257"},
    {20866, "KOI8-R"},     {21866, "KOI8-U"},     {51932, "EUC-JP"},      {51949, "EUC-KR"},
    {51950, "EUC-TW"},     {936, "GBK"},          {20936, "GB2312"},      {54936, "GB18030"},
    {950, "BIG5"},         {932, "SHIFT_JIS"},    {874, "TIS-620"},
};

bool SameCharsetName(const char* a, const char* b) {
    // Compare without case, and without '-' and '_', which locales spell freely.
    for (;;) {
        while (*a == '-' || *a == '_') ++a;
        while (*b == '-' || *b == '_') ++b;
        const char ca = static_cast<char>(*a >= 'a' && *a <= 'z' ? *a - 32 : *a);
        const char cb = static_cast<char>(*b >= 'a' && *b <= 'z' ? *b - 32 : *b);
        if (ca != cb) return false;
        if (ca == '\0') return true;
        ++a;
        ++b;
    }
}

int g_workingCodePage = -1;

}  // namespace

int GetACP() {
    const char* codeset = nl_langinfo(CODESET);
    if (codeset == nullptr) return CP_UTF8;
    for (const CHARSETNAME& entry : kLocaleCharsets)
        if (SameCharsetName(codeset, entry.charset)) return entry.codePage;
    return CP_UTF8;
}

int GetOEMCP() { return GetACP(); }

int WorkingCodePage() { return g_workingCodePage > 0 ? g_workingCodePage : GetACP(); }

void SetWorkingCodePage(int codePage) { g_workingCodePage = codePage; }

bool CodePagesEquivalent(int a, int b) {
    if (a == b) return true;
    auto resolve = [](int cp) {
        return cp == CP_ACP || cp == CP_THREAD_ACP ? GetACP() : cp == CP_OEMCP ? GetOEMCP() : cp;
    };
    return resolve(a) == resolve(b);
}

const char* IconvCharset(int codePage) {
    if (codePage == CP_ACP || codePage == CP_THREAD_ACP)
        codePage = GetACP();
    else if (codePage == CP_OEMCP)
        codePage = GetOEMCP();
    for (const CHARSETNAME& entry : kCharsets)
        if (entry.codePage == codePage) return entry.charset;
    return nullptr;
}

bool IsCodePageSupported(int codePage) {
    // iconv always converts UTF-8, the working code page of nearly every
    // run: asking it would load a conversion module at every start.
    if (const char* charset = IconvCharset(codePage);
        charset != nullptr && std::strcmp(charset, "UTF-8") == 0)
        return true;
    static std::mutex mutex;
    static std::map<int, bool> known;
    std::lock_guard<std::mutex> lock(mutex);
    const auto it = known.find(codePage);
    if (it != known.end()) return it->second;
    bool supported = false;
    if (const char* charset = IconvCharset(codePage)) {
        iconv_t to = iconv_open(charset, "UTF-32LE");
        iconv_t from = iconv_open("UTF-32LE", charset);
        supported = to != reinterpret_cast<iconv_t>(-1) && from != reinterpret_cast<iconv_t>(-1);
        if (to != reinterpret_cast<iconv_t>(-1)) iconv_close(to);
        if (from != reinterpret_cast<iconv_t>(-1)) iconv_close(from);
    }
    known[codePage] = supported;
    return supported;
}

std::string CodePageDescription(int codePage) {
    const auto it = std::lower_bound(kDescriptions.begin(), kDescriptions.end(), codePage,
                                     [](const CODEPAGEDESCRIPTION& d, int cp) { return d.codePage < cp; });
    return it != kDescriptions.end() && it->codePage == codePage ? it->description : "";
}

const std::vector<CODEPAGEDESCRIPTION>& CodePageDescriptions() { return kDescriptions; }

bool IsDoubleByteCodePage(int codePage) {
    return codePage == 932 || codePage == 936 || codePage == 949 || codePage == 950 || codePage == 1361;
}

bool IsLeadByte(int codePage, unsigned char byte) {
    switch (codePage) {
        case 932: return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
        case 936:
        case 949:
        case 950: return byte >= 0x81 && byte <= 0xFE;
        case 1361:
            return (byte >= 0x84 && byte <= 0xD3) || (byte >= 0xD8 && byte <= 0xDE) ||
                   (byte >= 0xE0 && byte <= 0xF9);
        default: return false;
    }
}

int CharacterLength(const char* text, int length, int position, int codePage) {
    const int left = length - position;
    if (left <= 1) return 1;
    const auto* p = reinterpret_cast<const unsigned char*>(text + position);
    if (codePage == CP_UTF8) {
        const unsigned char lead = p[0];
        if (lead < 0x80) return 1;
        const int need = lead >= 0xC2 && lead <= 0xDF   ? 2
                         : lead >= 0xE0 && lead <= 0xEF ? 3
                         : lead >= 0xF0 && lead <= 0xF4 ? 4
                                                        : 0;
        if (need == 0 || need > left) return 1;
        for (int i = 1; i < need; ++i)
            if ((p[i] & 0xC0) != 0x80) return 1;
        return need;
    }
    return IsLeadByte(codePage, p[0]) ? 2 : 1;
}

const std::vector<CODEPAGEINFO>& GetCodePageList() {
    static const std::vector<CODEPAGEINFO> list = [] {
        std::vector<int> numbers;
        for (const CHARSETNAME& entry : kCharsets) numbers.push_back(entry.codePage);
        std::sort(numbers.begin(), numbers.end());
        numbers.erase(std::unique(numbers.begin(), numbers.end()), numbers.end());
        const int acp = GetACP();
        std::vector<CODEPAGEINFO> entries;
        for (int cp : numbers) {
            if (!IsCodePageSupported(cp)) continue;
            std::string name =
                (cp == acp ? "* " : "") + std::to_string(cp) + "\t(" + CodePageDescription(cp) + ")";
            entries.push_back({cp, std::move(name)});
        }
        return entries;
    }();
    return list;
}

}  // namespace corvatine
