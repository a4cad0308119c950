// Code pages: their numbers, names and descriptions, which of them this
// system can convert, and the working code page in which all text in memory
// is held.
#pragma once

#include <string>
#include <vector>

namespace corvatine {

constexpr int CP_ACP = 0;         // the system ANSI code page
constexpr int CP_OEMCP = 1;       // the OEM code page
constexpr int CP_THREAD_ACP = 3;  // the ANSI code page of the thread's locale
constexpr int CP_UTF8 = 65001;

// The code page of the locale's character set (LC_CTYPE): UTF-8 is 65001,
// ISO-8859-1 is 28591 and so on. A character set without a number, and the
// plain C locale (which names no character set of its own), give 65001.
int GetACP();
// Linux has no separate console code page: the same as GetACP().
int GetOEMCP();

// The code page of the text in memory; GetACP() until set (the editor setting
// "DefaultCodePage" sets it at start).
int WorkingCodePage();
void SetWorkingCodePage(int codePage);

// Equal, or equal after mapping 0 and 3 to GetACP() and 1 to GetOEMCP().
bool CodePagesEquivalent(int a, int b);

// The iconv name of a code page, or nullptr when the number is unknown here.
// 0, 1 and 3 are resolved first.
const char* IconvCharset(int codePage);

// True when text can be converted to and from the code page.
bool IsCodePageSupported(int codePage);

// The standard description of a code page number ("OEM - United States" for
// 437), or an empty text for a number the built-in table does not hold.
std::string CodePageDescription(int codePage);

struct CODEPAGEINFO {
    int codePage;
    std::string name;  // "437\t(OEM - United States)"; "* " in front for the system code page
};

// Every byte-oriented code page this system can convert, by number.
const std::vector<CODEPAGEINFO>& GetCodePageList();

// Double-byte code pages: a lead byte and the byte after it form one character.
bool IsDoubleByteCodePage(int codePage);
bool IsLeadByte(int codePage, unsigned char byte);

// The length in bytes of the character that starts at text[position] in the
// code page: a UTF-8 sequence, a lead and trail byte, or one byte (also for
// bytes that start no valid character). At least 1, at most what is left.
int CharacterLength(const char* text, int length, int position, int codePage);

// The built-in table of standard descriptions, by number.
struct CODEPAGEDESCRIPTION {
    int codePage;
    const char* description;
};
const std::vector<CODEPAGEDESCRIPTION>& CodePageDescriptions();

}  // namespace corvatine
