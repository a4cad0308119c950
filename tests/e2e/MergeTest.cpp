// corvatine --merge BASE OURS THEIRS through the program: exit statuses,
// markers, labels, --diff3, --output replacing a file in place of its owner
// and mode, --format=json, encodings and line endings, a missing or empty
// base, bad input; and git merge-file and GNU diff3 -m as oracles on random
// edits.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <random>
#include <string>
#include <vector>

#include "platform/Path.h"
#include "platform/Shell.h"
#include "support/TestSupport.h"

namespace corvatine {
namespace {

class MergeTest : public ::testing::Test {
protected:
    test::TempDir dir;
    std::string settings = dir.MakeFolder("settings");
    std::vector<std::string> env = {"CORVATINE_CONFIG_DIR=" + settings, "TZ=UTC", "LC_ALL=C.UTF-8"};

    test::ProgramResult Corvatine(const std::vector<std::string>& arguments) {
        return test::RunCorvatine(arguments, dir.Path(), env);
    }
    // Writes base, ours and theirs as b, o and t and merges them.
    test::ProgramResult Merge(const std::string& base, const std::string& ours, const std::string& theirs,
                              std::vector<std::string> extra = {}) {
        dir.WriteFile("b", base);
        dir.WriteFile("o", ours);
        dir.WriteFile("t", theirs);
        std::vector<std::string> arguments = {"--merge", "b", "o", "t"};
        arguments.insert(arguments.end(), extra.begin(), extra.end());
        return Corvatine(arguments);
    }
    test::ProgramResult Tool(const std::string& name, const std::vector<std::string>& arguments) {
        const std::string path = platform::FindProgram(name);
        EXPECT_FALSE(path.empty()) << name << " is not installed";
        return test::RunProgram(path, arguments, env, dir.Path());
    }
    // git merge-file -p on the files b, o and t.
    test::ProgramResult GitMergeFile() { return Tool("git", {"merge-file", "-p", "o", "b", "t"}); }
};

TEST_F(MergeTest, CleanMergeGoesToStandardOutputWithExitZero) {
    const auto result = Merge("a\nb\nc\nd\ne\n", "A\nb\nc\nd\ne\n", "a\nb\nc\nd\nE\n");
    EXPECT_EQ(result.exitStatus, 0) << result.err;
    EXPECT_EQ(result.out, "A\nb\nc\nd\nE\n");
    EXPECT_EQ(result.err, "");
}

TEST_F(MergeTest, ConflictsAreMarkedWithThePathsAsLabelsAndExitOne) {
    const auto result = Merge("a\nb\nc\n", "a\nours\nc\n", "a\ntheirs\nc\n");
    EXPECT_EQ(result.exitStatus, 1) << result.err;
    EXPECT_EQ(result.out, "a\n<<<<<<< o\nours\n=======\ntheirs\n>>>>>>> t\nc\n");
    EXPECT_EQ(result.out, GitMergeFile().out);
}

TEST_F(MergeTest, LabelsAndDiff3AreGitsLabelsAndBaseSection) {
    const auto result = Merge("a\nb\nc\n", "a\nours\nc\n", "a\ntheirs\nc\n",
                              {"--diff3", "--label=MINE", "--label=OLD", "--label=YOURS"});
    EXPECT_EQ(result.exitStatus, 1) << result.err;
    EXPECT_EQ(result.out, "a\n<<<<<<< MINE\nours\n||||||| OLD\nb\n=======\ntheirs\n>>>>>>> YOURS\nc\n");
    const auto git =
        Tool("git", {"merge-file", "-p", "--diff3", "-L", "MINE", "-L", "OLD", "-L", "YOURS", "o", "b", "t"});
    EXPECT_EQ(result.out, git.out);
}

TEST_F(MergeTest, OutputReplacesTheFileKeepingItsModeAndNothingGoesToStandardOutput) {
    const std::string merged = dir.WriteFile("merged.txt", "old contents\n");
    ASSERT_EQ(::chmod(merged.c_str(), 0640), 0);
    struct stat before {};
    ASSERT_EQ(::stat(merged.c_str(), &before), 0);
    const auto result = Merge("a\nb\nc\n", "a\nB\nc\n", "a\nb\nc\nd\n", {"--output=merged.txt"});
    EXPECT_EQ(result.exitStatus, 0) << result.err;
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(test::ReadFile(merged), "a\nB\nc\nd\n");
    struct stat after {};
    ASSERT_EQ(::stat(merged.c_str(), &after), 0);
    EXPECT_EQ(after.st_mode & 07777, 0640u);
    EXPECT_EQ(after.st_uid, before.st_uid);
    EXPECT_EQ(after.st_gid, before.st_gid);
    // A conflict is written too, with its markers, and exits 1.
    const auto conflict = Merge("a\n", "x\n", "y\n", {"--output=merged.txt"});
    EXPECT_EQ(conflict.exitStatus, 1);
    EXPECT_EQ(test::ReadFile(merged), "<<<<<<< o\nx\n=======\ny\n>>>>>>> t\n");
}

// OURS with a second hard link is written in place (keeping the link): the
// merged text, which it is read from, must not change under the write.
TEST_F(MergeTest, OursAsTheOutputWithTwoLinksIsWrittenWhole) {
    std::string base, ours, theirs, both;
    for (int i = 0; i < 40000; ++i) {
        const std::string line = "line " + std::to_string(i) + " of a file larger than the write buffer\n";
        base += line;
        ours += i % 100 == 0 ? "ours " + line : line;
        theirs += i % 100 == 50 ? "theirs " + line : line;
        both += i % 100 == 0 ? "ours " + line : i % 100 == 50 ? "theirs " + line : line;
    }
    dir.WriteFile("b", base);
    const std::string o = dir.WriteFile("o", ours);
    dir.WriteFile("t", theirs);
    ASSERT_EQ(::link(o.c_str(), (dir / "link").c_str()), 0);
    const auto result = Corvatine({"--merge", "b", "o", "t", "--output=o"});
    EXPECT_EQ(result.exitStatus, 0) << result.err;
    EXPECT_TRUE(test::ReadFile(o) == both) << "the merged file is damaged";
    EXPECT_TRUE(test::ReadFile(dir / "link") == both) << "the link was broken";
}

TEST_F(MergeTest, AnOutputThatCannotBeWrittenIsTroubleAndLeavesItAlone) {
    dir.MakeFolder("locked");
    const std::string target = dir.WriteFile("locked/merged.txt", "keep me\n");
    ASSERT_EQ(::chmod(target.c_str(), 0444), 0);
    const auto result = Merge("a\n", "a\nb\n", "a\n", {"--output=locked/merged.txt"});
    if (::geteuid() != 0) {
        EXPECT_EQ(result.exitStatus, 2);
        EXPECT_NE(result.err.find("locked/merged.txt"), std::string::npos) << result.err;
        EXPECT_EQ(test::ReadFile(target), "keep me\n");
    }
}

TEST_F(MergeTest, JsonDescribesEveryChunkWithItsLines) {
    const auto result = Merge("1\n2\n3\n4\n5\n", "1\nX\n3\n4\n5\n", "1\nY\n3\n4\n5\n6\n", {"--format=json"});
    EXPECT_EQ(result.exitStatus, 1) << result.err;
    const auto json = nlohmann::json::parse(result.out);
    EXPECT_EQ(json["clean"], false);
    EXPECT_EQ(json["conflicts"], 1);
    const auto& chunks = json["chunks"];
    ASSERT_EQ(chunks.size(), 4u) << result.out;
    EXPECT_EQ(chunks[0]["kind"], "unchanged");
    EXPECT_EQ(chunks[1]["kind"], "conflict");
    EXPECT_EQ(chunks[1]["base"], nlohmann::json::array({1, 2}));
    EXPECT_EQ(chunks[1]["ours"], nlohmann::json::array({1, 2}));
    EXPECT_EQ(chunks[1]["theirs"], nlohmann::json::array({1, 2}));
    EXPECT_EQ(chunks[1]["merged"], nlohmann::json::array({1, 6}));  // five lines with markers
    EXPECT_EQ(chunks[3]["kind"], "theirs");
    EXPECT_EQ(chunks[3]["theirs"], nlohmann::json::array({5, 6}));
    EXPECT_EQ(chunks[3]["merged"], nlohmann::json::array({9, 10}));
}

TEST_F(MergeTest, AMissingOrEmptyBaseMergesAsAFileBothSidesAdded) {
    dir.WriteFile("o", "same\nours\n");
    dir.WriteFile("t", "same\ntheirs\n");
    const auto missing = Corvatine({"--merge", "no-such-base", "o", "t"});
    EXPECT_EQ(missing.exitStatus, 1) << missing.err;
    EXPECT_EQ(missing.out, "same\n<<<<<<< o\nours\n=======\ntheirs\n>>>>>>> t\n");
    EXPECT_EQ(missing.err,
              "corvatine: BASE 'no-such-base' does not exist: merged as a file both sides added\n");
    const auto empty = Merge("", "same\nours\n", "same\nours\n");
    EXPECT_EQ(empty.exitStatus, 0);
    EXPECT_EQ(empty.out, "same\nours\n");
}

TEST_F(MergeTest, BadInputIsTroubleNamingTheFile) {
    dir.WriteFile("b", "a\n");
    dir.WriteFile("o", "a\n");
    dir.WriteFile("bin", std::string("a\0b\n", 4));
    struct CASE {
        std::vector<std::string> arguments;
        std::string err;
    };
    const CASE cases[] = {
        {{"--merge", "b", "o", "missing"}, "corvatine: cannot read THEIRS 'missing': "},
        {{"--merge", "b", "bin", "o"},
         "corvatine: OURS 'bin' holds binary data: it cannot be merged as text\n"},
        {{"--merge", "b", "o"}, "corvatine: --merge needs three files: BASE OURS THEIRS (2 given)\n"},
        {{"--merge", "b", "o", "o", "b"},
         "corvatine: --merge needs three files: BASE OURS THEIRS (4 given)\n"},
        {{"--merge", "b", "o", "o", "--format=side"},
         "corvatine: invalid value 'side' for '--format' of --merge: text or json\n"},
        {{"--merge", "b", "o", "o", "--rules=nosuch"}, "corvatine: unknown text rule 'nosuch'\n"},
        {{"--merge", "b", "o", "o", "--width=80"},
         "corvatine: '--width' does not apply to a three-way merge\n"},
        {{"--merge", "b", "o", "o", "--label=1", "--label=2", "--label=3", "--label=4"},
         "corvatine: option '--label' is given at most three times: OURS, BASE, THEIRS\n"},
        {{"b", "o", "--diff3"}, "corvatine: '--diff3' applies only to --merge\n"},
        {{"--merge", ".", "o", "o"}, "corvatine: cannot read BASE '.': is a folder\n"},
    };
    for (const CASE& c : cases) {
        SCOPED_TRACE(c.arguments.back());
        const auto result = Corvatine(c.arguments);
        EXPECT_EQ(result.exitStatus, 2);
        EXPECT_EQ(result.err.substr(0, c.err.size()), c.err) << result.err;
        EXPECT_EQ(result.out, "");
    }
}

// UTF-16 LE with a byte-order mark, of characters below U+10000.
std::string Utf16Le(const std::u32string& text) {
    std::string bytes = "\xFF\xFE";
    for (const char32_t c : text) {
        bytes += static_cast<char>(c & 0xFF);
        bytes += static_cast<char>((c >> 8) & 0xFF);
    }
    return bytes;
}

TEST_F(MergeTest, EachFileIsReadInItsEncodingAndTheMergeWrittenInOurs) {
    // OURS in UTF-16 LE with CR LF, BASE and THEIRS in UTF-8 with LF.
    dir.WriteFile("b", "caf\xC3\xA9\nb\nc\nd\n");
    dir.WriteFile("o", Utf16Le(U"caf\u00E9\r\nOURS\r\nc\r\nd\r\n"));
    dir.WriteFile("t", "caf\xC3\xA9\nb\nc\nD theirs \xE2\x82\xAC\n");
    const auto result = Corvatine({"--merge", "b", "o", "t", "--rules=ieol", "--output=m"});
    EXPECT_EQ(result.exitStatus, 0) << result.err;
    EXPECT_EQ(test::ReadFile(dir / "m"), Utf16Le(U"caf\u00E9\r\nOURS\r\nc\r\nD theirs \u20AC\r\n"));
    // The same bytes to standard output.
    const auto printed = Corvatine({"--merge", "b", "o", "t", "--rules=ieol"});
    EXPECT_EQ(printed.out, test::ReadFile(dir / "m"));
    // Without the rule every line's ending changed on one side: all of
    // OURS's changes against THEIRS's changes of the same lines.
    EXPECT_EQ(Corvatine({"--merge", "b", "o", "t"}).exitStatus, 1);
}

TEST_F(MergeTest, CrLfFilesMergeInCrLfWithAMissingFinalEndingKept) {
    const auto result = Merge("a\r\nb\r\nc\r\nd", "A\r\nb\r\nc\r\nd", "a\r\nb\r\nc\r\nd\r\ne\r\n");
    EXPECT_EQ(result.exitStatus, 0) << result.err;
    EXPECT_EQ(result.out, "A\r\nb\r\nc\r\nd\r\ne\r\n");
    EXPECT_EQ(result.out, GitMergeFile().out);
    const auto kept = Merge("a\r\nb", "A\r\nb", "a\r\nb");
    EXPECT_EQ(kept.out, "A\r\nb");
}

TEST_F(MergeTest, LinesTheEncodingCannotHoldAreTroubleNotQuestionMarks) {
    // OURS in Latin-1 (detected as a legacy code page), THEIRS adds a euro
    // sign that Latin-1 lacks... and a Chinese character no single-byte
    // code page holds.
    dir.WriteFile("b", "a\nb\n");
    dir.WriteFile("o", "\xE9t\xE9\nb\n");
    dir.WriteFile("t", "a\nb\n\xE4\xB8\xAD\n");
    const auto result = Corvatine({"--merge", "b", "o", "t", "--output=m"});
    if (result.exitStatus == 2) {
        EXPECT_NE(result.err.find("cannot be written in OURS's encoding"), std::string::npos) << result.err;
        EXPECT_FALSE(platform::PathExists(dir / "m"));
    } else {
        // The detector read OURS as something that holds it.
        EXPECT_EQ(result.exitStatus, 0) << result.err;
        EXPECT_EQ(test::ReadFile(dir / "m").find('?'), std::string::npos);
    }
}

// With a display the merge opens its window (here offscreen); --auto saves a
// clean merge at once and exits 0 without showing it.
TEST_F(MergeTest, WithADisplayAutoSavesACleanMergeThroughTheWindow) {
    const std::string window =
        platform::JoinPath(platform::PathParentFolder(test::CorvatineProgram()), "corvatine-gui");
    if (!platform::PathExists(window)) GTEST_SKIP() << "the window is not built";
    env.push_back("DISPLAY=:99");
    env.push_back("QT_QPA_PLATFORM=offscreen");
    const auto result = Merge("a\nb\nc\nd\n", "A\nb\nc\nd\n", "a\nb\nc\nD\n", {"--output=m", "--auto"});
    EXPECT_EQ(result.exitStatus, 0) << result.err;
    EXPECT_EQ(test::ReadFile(dir / "m"), "A\nb\nc\nD\n");
    // The window reads the same words: bad input is trouble there too.
    const auto bad = Corvatine({"--merge", "b", "missing", "t", "--auto"});
    EXPECT_EQ(bad.exitStatus, 2);
    EXPECT_NE(bad.err.find("cannot read OURS 'missing'"), std::string::npos) << bad.err;
}

// ---- Oracles ---------------------------------------------------------------

std::string Join(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) text += line + "\n";
    return text;
}

// Random edits of one base by two sides that change different lines, with
// at least one line between them: the merge is clean and holds both.
TEST_F(MergeTest, RandomNonOverlappingEditsMergeCleanlyIntoBoth) {
    std::mt19937 random(20240611);
    for (int round = 0; round < 40; ++round) {
        SCOPED_TRACE(round);
        const int count = 20 + static_cast<int>(random() % 200);
        std::vector<std::string> base;
        for (int i = 0; i < count; ++i) base.push_back("line " + std::to_string(i) + " of the base");
        std::vector<std::string> ours, theirs, both;
        int fresh = 0;
        for (int i = 0; i < count;) {
            const unsigned roll = random() % 10;
            if (roll < 6 || i == 0) {  // a line nobody changes keeps edits apart
                for (auto* side : {&ours, &theirs, &both}) side->push_back(base[static_cast<size_t>(i)]);
                ++i;
                continue;
            }
            const bool toOurs = roll < 8;
            const int removed = std::min(count - i, static_cast<int>(random() % 3));
            const int added = static_cast<int>(random() % 3) + (removed == 0 ? 1 : 0);
            std::vector<std::string> lines;
            for (int k = 0; k < added; ++k)
                lines.push_back((toOurs ? "ours " : "theirs ") + std::to_string(fresh++));
            auto& changed = toOurs ? ours : theirs;
            auto& kept = toOurs ? theirs : ours;
            changed.insert(changed.end(), lines.begin(), lines.end());
            both.insert(both.end(), lines.begin(), lines.end());
            for (int k = 0; k < removed; ++k) kept.push_back(base[static_cast<size_t>(i + k)]);
            i += removed;
            // Then an unchanged line, when there is one.
            if (i < count) {
                for (auto* side : {&ours, &theirs, &both}) side->push_back(base[static_cast<size_t>(i)]);
                ++i;
            }
        }
        const auto result = Merge(Join(base), Join(ours), Join(theirs));
        EXPECT_EQ(result.exitStatus, 0) << result.err;
        EXPECT_EQ(result.out, Join(both));
        EXPECT_EQ(GitMergeFile().out, Join(both)) << "the test's own expectation";
    }
}

// Random edits from a small alphabet of lines, so that lines repeat and
// edits overlap: where git merges cleanly the result is git's byte for
// byte; where git finds a conflict so does the program. Where GNU diff3 -m
// merges cleanly, so does the program, with diff3's result.
TEST_F(MergeTest, RandomOverlappingEditsAgreeWithGitMergeFileAndDiff3) {
    std::mt19937 random(77);
    const auto edit = [&](const std::vector<std::string>& base) {
        std::vector<std::string> side;
        for (const std::string& line : base) {
            const unsigned roll = random() % 20;
            if (roll == 0) continue;                                                               // deleted
            if (roll == 1) side.push_back(std::string(1, static_cast<char>('a' + random() % 6)));  // inserted
            side.push_back(roll == 2 ? std::string(1, static_cast<char>('A' + random() % 3)) : line);
        }
        return side;
    };
    int conflicts = 0, clean = 0;
    for (int round = 0; round < 90; ++round) {
        SCOPED_TRACE(round);
        std::vector<std::string> base;
        const int count = 10 + static_cast<int>(random() % 40);
        for (int i = 0; i < count; ++i) base.push_back(std::string(1, static_cast<char>('a' + random() % 6)));
        const std::vector<std::string> ours = edit(base), theirs = edit(base);
        // Every third round in CR LF, every fifth without a final line ending.
        const auto join = [&](const std::vector<std::string>& lines) {
            std::string text;
            for (const std::string& line : lines) text += line + (round % 3 == 0 ? "\r\n" : "\n");
            if (round % 5 == 0 && !text.empty()) text.resize(text.size() - (round % 3 == 0 ? 2 : 1));
            return text;
        };
        const auto result = Merge(join(base), join(ours), join(theirs));
        const auto git = GitMergeFile();
        ASSERT_GE(git.exitStatus, 0);
        if (git.exitStatus == 0) {
            ++clean;
            EXPECT_EQ(result.exitStatus, 0) << join(base) << "--\n" << join(ours) << "--\n" << join(theirs);
            EXPECT_EQ(result.out, git.out);
        } else {
            ++conflicts;
            EXPECT_EQ(result.exitStatus, 1) << git.out << "\n--\n" << result.out;
        }
        const auto diff3 = Tool("diff3", {"-m", "o", "b", "t"});
        if (diff3.exitStatus == 0) {
            EXPECT_EQ(result.exitStatus, 0);
            EXPECT_EQ(result.out, diff3.out);
        }
    }
    // Both outcomes were tried.
    EXPECT_GT(conflicts, 5);
    EXPECT_GT(clean, 5);
}

// Files of real merges (tests/e2e/data/merge3): where git merges cleanly
// the result is git's byte for byte; where git finds conflicts so does the
// program, with --diff3 too.
TEST_F(MergeTest, RealMergesAgreeWithGitMergeFile) {
    const std::string data = std::string(CORVATINE_SOURCE_DIR) + "/tests/e2e/data/merge3";
    std::vector<std::string> cases;
    for (const auto& entry : std::filesystem::directory_iterator(data))
        if (entry.is_directory()) cases.push_back(entry.path().filename().string());
    std::sort(cases.begin(), cases.end());
    int conflicted = 0, clean = 0;
    for (const std::string& name : cases) {
        SCOPED_TRACE(name);
        const auto result =
            Merge(test::ReadFile(data + "/" + name + "/base"), test::ReadFile(data + "/" + name + "/ours"),
                  test::ReadFile(data + "/" + name + "/theirs"));
        const auto git = GitMergeFile();
        if (git.exitStatus == 0) {
            ++clean;
            EXPECT_EQ(result.exitStatus, 0) << result.err;
            EXPECT_EQ(result.out, git.out);
        } else {
            ++conflicted;
            EXPECT_EQ(result.exitStatus, 1) << result.err;
            EXPECT_EQ(Corvatine({"--merge", "b", "o", "t", "--diff3"}).exitStatus, 1);
            // The lines outside the conflicts are git's.
            EXPECT_EQ(result.out.substr(0, result.out.find("<<<<<<<")),
                      git.out.substr(0, git.out.find("<<<<<<<")));
        }
    }
    EXPECT_GE(clean, 3);
    EXPECT_GE(conflicted, 3);
}

}  // namespace
}  // namespace corvatine
