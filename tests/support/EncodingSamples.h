// Text in the languages of legacy code pages, for tests of reading and
// writing them: written here in UTF-8 and put into a code page by iconv.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "support/TestSupport.h"

namespace corvatine::test {

inline constexpr char kFrench[] =
    "Le c\u0153ur a ses raisons que la raison ne conna\u00eet point \u2014 \u00ab on le sait en mille "
    "choses \u00bb.\r\nO\u00f9 est l\u2019\u00e9t\u00e9 ? D\u00e9j\u00e0 pass\u00e9, h\u00e9las\u2026 "
    "\u00c7a co\u00fbte 5 \u20ac \u00e0 peine.\r\n";
inline constexpr char kGerman[] =
    "\u00dcber allen Gipfeln ist Ruh, in allen Wipfeln sp\u00fcrest du kaum einen Hauch.\r\n"
    "Die V\u00f6gelein schweigen im Walde. Warte nur, balde ruhest du auch. Gr\u00f6\u00dfe, "
    "Ma\u00df und Fu\u00df.\r\n";
inline constexpr char kRussian[] =
    "\u0412\u0441\u0435 \u0441\u0447\u0430\u0441\u0442\u043b\u0438\u0432\u044b\u0435 "
    "\u0441\u0435\u043c\u044c\u0438 \u043f\u043e\u0445\u043e\u0436\u0438 \u0434\u0440\u0443\u0433 "
    "\u043d\u0430 \u0434\u0440\u0443\u0433\u0430, \u043a\u0430\u0436\u0434\u0430\u044f "
    "\u043d\u0435\u0441\u0447\u0430\u0441\u0442\u043b\u0438\u0432\u0430\u044f \u0441\u0435\u043c\u044c\u044f "
    "\u043d\u0435\u0441\u0447\u0430\u0441\u0442\u043b\u0438\u0432\u0430 "
    "\u043f\u043e-\u0441\u0432\u043e\u0435\u043c\u0443.\n"
    "\u0412\u0441\u0451 \u0441\u043c\u0435\u0448\u0430\u043b\u043e\u0441\u044c \u0432 "
    "\u0434\u043e\u043c\u0435 "
    "\u041e\u0431\u043b\u043e\u043d\u0441\u043a\u0438\u0445. \u0416\u0435\u043d\u0430 "
    "\u0443\u0437\u043d\u0430\u043b\u0430, \u0447\u0442\u043e \u043c\u0443\u0436 \u0431\u044b\u043b \u0432 "
    "\u0441\u0432\u044f\u0437\u0438 \u0441 \u0431\u044b\u0432\u0448\u0435\u044e \u0432 \u0438\u0445 "
    "\u0434\u043e\u043c\u0435 \u0444\u0440\u0430\u043d\u0446\u0443\u0436\u0435\u043d\u043a\u043e\u044e.\n";
inline constexpr char kJapanese[] =
    "\u543e\u8f29\u306f\u732b\u3067\u3042\u308b\u3002\u540d\u524d\u306f\u307e\u3060\u7121\u3044\u3002\n"
    "\u3069\u3053\u3067\u751f\u308c\u305f\u304b\u3068\u3093\u3068\u898b\u5f53\u304c\u3064\u304b\u306c\u3002"
    "\u4f55\u3067\u3082\u8584\u6697\u3044\u3058\u3081\u3058\u3081\u3057\u305f\u6240\u3067"
    "\u30cb\u30e3\u30fc\u30cb\u30e3\u30fc\u6ce3\u3044\u3066\u3044\u305f\u4e8b\u3060\u3051\u306f"
    "\u8a18\u61b6\u3057\u3066\u3044\u308b\u3002\n";

inline constexpr char kChinese[] =
    "\u5b66\u800c\u65f6\u4e60\u4e4b\uff0c\u4e0d\u4ea6\u8bf4\u4e4e\uff1f\u6709\u670b\u81ea\u8fdc"
    "\u65b9\u6765\uff0c\u4e0d\u4ea6\u4e50\u4e4e\uff1f\u4eba\u4e0d\u77e5\u800c\u4e0d\u6120\uff0c"
    "\u4e0d\u4ea6\u541b\u5b50\u4e4e\uff1f\n\u4e09\u4eba\u884c\uff0c\u5fc5\u6709\u6211\u5e08"
    "\u7109\u3002\u62e9\u5176\u5584\u8005\u800c\u4ece\u4e4b\uff0c\u5176\u4e0d\u5584\u8005\u800c"
    "\u6539\u4e4b\u3002\n";

// The text in a character set, by iconv.
inline std::string Iconv(const test::TempDir& dir, const std::string& text, const std::string& charset) {
    const std::string source = dir.WriteFile("iconv-source", text);
    const test::ProgramResult result =
        test::RunProgram("/usr/bin/iconv", {"-f", "UTF-8", "-t", charset, source});
    EXPECT_EQ(result.exitStatus, 0) << charset << ": " << result.err;
    return result.out;
}

}  // namespace corvatine::test
