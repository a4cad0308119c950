// Files in legacy encodings through the program: read in the encoding their
// bytes call for or the one --encoding names, shown in the terminal's
// characters, saved back in their own bytes.
#include <gtest/gtest.h>
#include <unistd.h>

#include <nlohmann/json.hpp>

#include "support/EncodingSamples.h"
#include "support/TestSupport.h"

namespace corvatine {
namespace {

using Json = nlohmann::json;

class EncodingTest : public ::testing::Test {
protected:
    test::ProgramResult Run(const std::vector<std::string>& arguments) {
        return test::RunCorvatine(arguments, m_dir.Path(),
                                  {"CORVATINE_CONFIG_DIR=" + m_config.Path(), "NO_COLOR=", "TZ=UTC"});
    }
    std::string Latin1(const std::string& text) { return test::Iconv(m_dir, text, "ISO-8859-1"); }

    test::TempDir m_dir;
    test::TempDir m_config;
};

// The same German text, once in Latin-1 with CR LF and once in UTF-8 with a
// changed last word: only that line differs, shown in UTF-8 either side.
TEST_F(EncodingTest, ALatin1PairIsShownInItsCharacters) {
    m_dir.WriteFile("left.txt", Latin1("Gr\u00fc\u00dfe aus K\u00f6ln\r\nna\u00efve fa\u00e7ade\r\n"));
    m_dir.WriteFile("right.txt", "Gr\u00fc\u00dfe aus K\u00f6ln\r\nna\u00efve Fa\u00e7ade\r\n");
    test::ProgramResult result = Run({"--width=50", "left.txt", "right.txt"});
    EXPECT_EQ(result.exitStatus, 1) << result.err;
    EXPECT_EQ(result.out,
              "1 Gr\u00fc\u00dfe aus K\u00f6ln          1 Gr\u00fc\u00dfe aus K\u00f6ln\n"
              "2 na\u00efve fa\u00e7ade          | 2 na\u00efve Fa\u00e7ade\n");
    EXPECT_EQ(result.err, "");

    // The unified diff writes each line in its file's bytes, as diff does.
    result = Run({"--format=unified", "left.txt", "right.txt"});
    EXPECT_EQ(result.exitStatus, 1) << result.err;
    EXPECT_NE(result.out.find("@@ -1,2 +1,2 @@\n Gr\xFC\xDF"
                              "e aus K\xF6ln\r\n-na\xEFve fa\xE7"
                              "ade\r\n+na\u00efve Fa\u00e7ade\r\n"),
              std::string::npos)
        << result.out;
}

// Both files in Latin-1: the hunks and their bytes are GNU diff's, and patch
// applies them.
TEST_F(EncodingTest, UnifiedOutputOfALatin1PairIsDiffs) {
    const std::string left = Latin1(test::kGerman);
    std::string right = left;
    right.replace(right.find("Walde"), 5, "W\xE4ldern");
    m_dir.WriteFile("left.txt", left);
    m_dir.WriteFile("right.txt", right);
    const test::ProgramResult ours = Run({"--format=unified", "left.txt", "right.txt"});
    const test::ProgramResult theirs =
        test::RunProgram("/usr/bin/diff", {"-u", "left.txt", "right.txt"}, {}, m_dir.Path());
    ASSERT_EQ(ours.exitStatus, 1) << ours.err;
    const auto hunks = [](const std::string& out) { return out.substr(out.find("@@")); };
    EXPECT_TRUE(hunks(ours.out) == hunks(theirs.out)) << ours.out;
    m_dir.WriteFile("change.diff", ours.out);
    const test::ProgramResult patch = test::RunProgram(
        "/usr/bin/patch", {"-s", "-o", "patched.txt", "left.txt", "change.diff"}, {}, m_dir.Path());
    EXPECT_EQ(patch.exitStatus, 0) << patch.err;
    EXPECT_TRUE(test::ReadFile(m_dir / "patched.txt") == right);
}

// Many hunks of Latin-1 lines with mixed endings and no final one: each
// written line in its file's bytes, the hunks as diff's.
TEST_F(EncodingTest, UnifiedOutputOfManyLatin1HunksIsDiffs) {
    std::string left, right;
    for (int i = 0; i < 400; ++i) {
        const std::string line =
            "Gr\xFC\xDF"
            "e " +
            std::to_string(i) + " aus K\xF6ln";
        const std::string ending = i % 7 == 0 ? "\r\n" : "\n";
        left += line + ending;
        if (i % 23 == 5) continue;  // removed
        if (i % 31 == 9)
            right += "neu \xE4\xF6\xFC " + line + ending;  // changed
        else
            right += line + ending;
        if (i % 37 == 11) right += "eingef\xFCgt\n";  // added
    }
    left += "Schlu\xDF";
    right += "Schlu\xDF!";
    m_dir.WriteFile("left.txt", left);
    m_dir.WriteFile("right.txt", right);
    const test::ProgramResult ours = Run({"--format=unified", "left.txt", "right.txt"});
    const test::ProgramResult theirs =
        test::RunProgram("/usr/bin/diff", {"-u", "left.txt", "right.txt"}, {}, m_dir.Path());
    ASSERT_EQ(ours.exitStatus, 1) << ours.err;
    const auto hunks = [](const std::string& out) { return out.substr(out.find("@@")); };
    EXPECT_TRUE(hunks(ours.out) == hunks(theirs.out)) << ours.out;
}

TEST_F(EncodingTest, LegacyPairsOfOtherScripts) {
    const struct {
        const char* text;
        const char* charset;
    } kCases[] = {{test::kJapanese, "SHIFT_JIS"}, {test::kRussian, "KOI8-R"}, {test::kFrench, "CP1252"}};
    for (const auto& c : kCases) {
        m_dir.WriteFile("left.txt", test::Iconv(m_dir, c.text, c.charset));
        m_dir.WriteFile("right.txt", c.text);
        const test::ProgramResult result = Run({"--format=json", "left.txt", "right.txt"});
        EXPECT_EQ(result.exitStatus, 0) << c.charset << ": " << result.err << result.out;
    }
}

// --encoding names the code page both sides, or each side, are read in; a
// byte-order mark still decides.
TEST_F(EncodingTest, TheEncodingOptionChoosesWhatFilesAreReadIn) {
    m_dir.WriteFile("left.txt", Latin1("caf\u00e9\n"));
    m_dir.WriteFile("right.txt", "caf\u00e9\n");
    // Read as Latin-1, the UTF-8 file's two bytes are two letters.
    test::ProgramResult result = Run({"--width=40", "--encoding=28591", "left.txt", "right.txt"});
    EXPECT_EQ(result.exitStatus, 1) << result.err;
    EXPECT_EQ(result.out, "1 caf\u00e9             | 1 caf\u00c3\u00a9\n");
    result = Run({"--width=40", "--encoding=28591,UTF-8", "left.txt", "right.txt"});
    EXPECT_EQ(result.exitStatus, 0) << result.err;
    result = Run({"--width=40", "--encoding=1251,auto", "left.txt", "right.txt"});
    EXPECT_EQ(result.exitStatus, 1) << result.err;
    EXPECT_EQ(result.out, "1 caf\u0439             | 1 caf\u00e9\n");

    m_dir.WriteFile("marked.txt",
                    "\xEF\xBB\xBF"
                    "caf\u00e9\n");
    result = Run({"--width=40", "--encoding=28591", "marked.txt", "left.txt"});
    EXPECT_EQ(result.exitStatus, 0) << result.out;
    EXPECT_EQ(result.out, "1 caf\u00e9               1 caf\u00e9\n");
}

TEST_F(EncodingTest, WhatCannotBeHonouredIsTold) {
    m_dir.WriteFile("a.txt", "a\n");
    m_dir.WriteFile("b.txt", "b\n");
    m_dir.MakeFolder("d1");
    m_dir.MakeFolder("d2");
    m_dir.WriteFile("bin", std::string("\0\1", 2));
    const struct {
        std::vector<std::string> arguments;
        std::string message;
    } kCases[] = {
        {{"--encoding=latin1", "a.txt", "b.txt"},
         "unknown encoding 'latin1'; use auto, UNI16_LE, UNI16_BE, UTF-8 or a code page this system "
         "converts\n"
         "Try 'corvatine --help' for more information."},
        {{"--encoding=1252,", "a.txt", "b.txt"},
         "unknown encoding ''; use auto, UNI16_LE, UNI16_BE, UTF-8 or a code page this system converts\n"
         "Try 'corvatine --help' for more information."},
        {{"--encoding=1252,1252,1252", "a.txt", "b.txt"},
         "'--encoding=1252,1252,1252' names more than two encodings: a comparison takes one for both sides, "
         "or "
         "LEFT,RIGHT"},
        {{"--encoding=UNI16_LE", "a.txt", "b.txt"},
         "cannot read a file in UNI16_LE: a UTF-16 file is recognised by its byte-order mark alone, which "
         "decides its encoding whatever '--encoding' says; name a code page, UTF-8 or auto"},
        {{"--encoding=1252", "d1", "d2"}, "'--encoding' does not apply to a folder comparison"},
        {{"--encoding=1252", "-c", "/t:b", "a.txt", "b.txt"},
         "'--encoding' does not apply to a binary comparison"},
        {{"--encoding=1252", "-e", "bin"}, "'--encoding' does not apply to editing a binary file"},
        {{"--encoding=1252,1251,1250", "-e", "a.txt"},
         "'--encoding=1252,1251,1250' names more than two encodings: editing takes one, or READ,SAVE"},
        {{"--encoding=UNI16_LE,1252", "-e", "a.txt"},
         "cannot read a file in UNI16_LE: a UTF-16 file is recognised by its byte-order mark alone, which "
         "decides its encoding whatever '--encoding' says; name a code page, UTF-8 or auto"},
        {{"--encoding=UNI16_BE", "-e", "a.txt", "--search=a"},
         "'--encoding=UNI16_BE' chooses what the file is saved in, and --search without --replace saves "
         "nothing"},
    };
    for (const auto& c : kCases) {
        const test::ProgramResult result = Run(c.arguments);
        EXPECT_EQ(result.exitStatus, 2) << c.message;
        EXPECT_EQ(result.err, "corvatine: " + c.message + "\n");
        EXPECT_EQ(result.out, "");
    }
}

// The request carries the code pages, and its command line reproduces them.
TEST_F(EncodingTest, TheRequestCarriesTheEncodings) {
    m_dir.WriteFile("a.txt", "a\n");
    m_dir.WriteFile("b.txt", "b\n");
    test::ProgramResult result = Run({"--print-request", "--encoding=28591,auto", "a.txt", "b.txt"});
    ASSERT_EQ(result.exitStatus, 0) << result.err;
    const Json request = Json::parse(result.out)["request"];
    EXPECT_EQ(request["encodings"], Json::array({"28591", "auto"}));
    EXPECT_EQ(request["commandLine"],
              "corvatine -c /t:t \"a.txt\" \"b.txt\" /r:\"ieol\" --encoding=28591,auto");
    result = Run({"--print-request", "a.txt", "b.txt"});
    EXPECT_EQ(Json::parse(result.out)["request"]["encodings"], Json::array({"auto", "auto"}));
    result = Run({"--print-request", "--encoding=UTF-8", "a.txt", "b.txt"});
    EXPECT_EQ(Json::parse(result.out)["request"]["encodings"], Json::array({"65001", "65001"}));

    // Comparison files do not keep them: the file written is the one written
    // without.
    ASSERT_EQ(Run({"--quiet", "--encoding=1252", "--save-comparison=with.cmp", "a.txt", "b.txt"}).exitStatus,
              1);
    ASSERT_EQ(Run({"--quiet", "--save-comparison=without.cmp", "a.txt", "b.txt"}).exitStatus, 1);
    EXPECT_EQ(test::ReadFile(m_dir / "with.cmp"), test::ReadFile(m_dir / "without.cmp"));
    // Run from a comparison file, a comparison takes them.
    m_dir.WriteFile("a.txt", Latin1("caf\u00e9\n"));
    m_dir.WriteFile("b.txt", "caf\u00e9\n");
    result = Run({"--width=40", "--encoding=28591", "with.cmp"});
    EXPECT_EQ(result.exitStatus, 1) << result.err;
    EXPECT_NE(result.out.find("1 caf\u00e9             | 1 caf\u00c3\u00a9\n"), std::string::npos)
        << result.out;
}

// With a display, --encoding goes to the window, which opens the comparison
// with it or tells what it cannot do.
TEST_F(EncodingTest, TheWindowTakesTheEncodings) {
    const std::string window = test::CorvatineProgram() + "-gui";
    if (::access(window.c_str(), X_OK) != 0) GTEST_SKIP() << "built without the window";
    m_dir.WriteFile("a.txt", "a\n");
    m_dir.WriteFile("b.txt", "b\n");
    m_dir.MakeFolder("d1");
    m_dir.MakeFolder("d2");
    const auto run = [&](const std::vector<std::string>& arguments) {
        std::vector<std::string> all = {"-s", "TERM", "3", test::CorvatineProgram()};
        all.insert(all.end(), arguments.begin(), arguments.end());
        return test::RunProgram(
            "/usr/bin/timeout", all,
            {"DISPLAY=:0", "QT_QPA_PLATFORM=offscreen", "CORVATINE_CONFIG_DIR=" + m_config.Path()},
            m_dir.Path());
    };
    test::ProgramResult result = run({"--encoding=28591,1252", "a.txt", "b.txt"});
    EXPECT_EQ(result.exitStatus, 124) << result.err;  // open until ended
    EXPECT_EQ(result.out, "");
    result = run({"--encoding=1252", "d1", "d2"});
    EXPECT_EQ(result.exitStatus, 2);
    EXPECT_NE(result.err.find("corvatine: '--encoding' applies to text comparisons and text files only\n"),
              std::string::npos)
        << result.err;
    result = run({"--encoding=UNI16_BE", "a.txt", "b.txt"});
    EXPECT_EQ(result.exitStatus, 2);
    EXPECT_NE(result.err.find("corvatine: cannot read a file in UNI16_BE"), std::string::npos) << result.err;
}

// A side saved after a copy keeps its code page and line endings; what the
// code page lacks is asked about first.
TEST_F(EncodingTest, ACopySavedIntoALatin1SideStaysLatin1) {
    std::string text = test::kGerman;
    const std::string right = m_dir.WriteFile("right.txt", Latin1(text));
    text.replace(text.find("Walde"), 5, "W\u00e4ldern");
    m_dir.WriteFile("left.txt", text);
    test::ProgramResult result = Run({"--copy=left-to-right", "--save", "--quiet", "left.txt", "right.txt"});
    EXPECT_EQ(result.exitStatus, 0) << result.err;
    EXPECT_TRUE(test::ReadFile(right) == Latin1(text)) << test::ReadFile(right);

    text.replace(text.find("Hauch"), 5, "\u20ac");
    m_dir.WriteFile("left.txt", text);
    result = Run({"--copy=left-to-right", "--save", "--quiet", "left.txt", "right.txt"});
    EXPECT_EQ(result.exitStatus, 2);
    EXPECT_NE(result.err.find("Line 1 cannot be saved exactly"), std::string::npos) << result.err;
    result = Run({"--copy=left-to-right", "--save", "--quiet", "--yes", "left.txt", "right.txt"});
    EXPECT_EQ(result.exitStatus, 0) << result.err;
    text.replace(text.find("\u20ac"), 3, "?");
    EXPECT_TRUE(test::ReadFile(right) == Latin1(text)) << test::ReadFile(right);
}

// Editing: the file is read in the encoding its bytes call for, printed in
// UTF-8, saved back byte for byte; --encoding reads and saves in its code
// page.
TEST_F(EncodingTest, EditingKeepsTheFilesEncoding) {
    const std::string koi8 = test::Iconv(m_dir, test::kRussian, "KOI8-R");
    m_dir.WriteFile("koi8.txt", koi8);
    test::ProgramResult result = Run({"-e", "koi8.txt"});
    ASSERT_EQ(result.exitStatus, 0) << result.err;
    Json info = Json::parse(result.out);
    EXPECT_EQ(info["codePage"], 20866);
    EXPECT_EQ(info["encodingSource"], "detected");
    EXPECT_EQ(info["detectedCharset"], "KOI8-R");
    EXPECT_EQ(info["lossy"], false);
    EXPECT_EQ(Run({"-e", "koi8.txt", "--format=text"}).out, test::kRussian);
    ASSERT_EQ(Run({"-e", "koi8.txt", "--save-as=copy.txt"}).exitStatus, 0);
    EXPECT_TRUE(test::ReadFile(m_dir / "copy.txt") == koi8);

    // A search finds the words as they read.
    result = Run({"-e", "koi8.txt", "--search=\u041e\u0431\u043b\u043e\u043d\u0441\u043a\u0438\u0445"});
    EXPECT_EQ(result.exitStatus, 0) << result.err;
    EXPECT_EQ(result.out.substr(0, 6), "2:39: ");

    // Asked for, a code page is read and saved in; UTF-8 is then written.
    result = Run({"-e", "koi8.txt", "--encoding=1251", "--format=text"});
    EXPECT_EQ(result.exitStatus, 0) << result.err;
    EXPECT_NE(result.out, test::kRussian);
    ASSERT_EQ(Run({"-e", "koi8.txt", "--encoding=1251", "--save-as=same.txt"}).exitStatus, 0);
    EXPECT_TRUE(test::ReadFile(m_dir / "same.txt") == koi8);
    ASSERT_EQ(Run({"-e", "koi8.txt", "--encoding=20866", "--save-as=also.txt"}).exitStatus, 0);
    EXPECT_TRUE(test::ReadFile(m_dir / "also.txt") == koi8);
    // READ,SAVE: read in one, saved in the other.
    ASSERT_EQ(Run({"-e", "koi8.txt", "--encoding=auto,1251", "--save-as=cp1251.txt"}).exitStatus, 0);
    EXPECT_TRUE(test::ReadFile(m_dir / "cp1251.txt") == test::Iconv(m_dir, test::kRussian, "CP1251"));
    ASSERT_EQ(Run({"-e", "cp1251.txt", "--encoding=1251,65001", "--save-as=back.txt"}).exitStatus, 0);
    EXPECT_EQ(test::ReadFile(m_dir / "back.txt"), test::kRussian);

    // UTF-8 names the form with a mark for saving; 65001 the one without.
    m_dir.WriteFile("u8.txt", test::kRussian);
    ASSERT_EQ(Run({"-e", "u8.txt", "--encoding=UTF-8", "--save-as=bom.txt"}).exitStatus, 0);
    EXPECT_EQ(test::ReadFile(m_dir / "bom.txt"), "\xEF\xBB\xBF" + std::string(test::kRussian));
    ASSERT_EQ(Run({"-e", "bom.txt", "--encoding=65001", "--save-as=plain.txt"}).exitStatus, 0);
    EXPECT_EQ(test::ReadFile(m_dir / "plain.txt"), test::kRussian);
}

}  // namespace
}  // namespace corvatine
