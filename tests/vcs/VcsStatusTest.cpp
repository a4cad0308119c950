// The readers of the clients' machine-readable status outputs, on records as
// git 2.39, hg 6.3 and svn 1.14 print them, and on malformed ones.
#include "vcs/VcsStatus.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace corvatine::vcs {
namespace {

using namespace std::string_literals;

std::string GitDump(const std::string& output) {
    std::vector<VCSCHANGE> changes;
    std::string error;
    EXPECT_TRUE(ParseGitStatus(output, changes, error)) << error;
    return DumpChanges(changes);
}

TEST(GitStatusTest, EachRecordKindBecomesOneChange) {
    const std::string output =
        "# branch.oid 0123\0"s
        "1 .M N... 100644 100644 100644 aaaa aaaa mod.txt\0"s
        "1 M. N... 100644 100644 100644 aaaa bbbb staged.txt\0"s
        "1 A. N... 000000 100644 100644 0000 bbbb new file.txt\0"s
        "1 AM N... 000000 100644 100644 0000 bbbb added then changed.txt\0"s
        "1 D. N... 100644 000000 000000 aaaa 0000 gone.txt\0"s
        "1 .D N... 100644 100644 000000 aaaa aaaa missing.txt\0"s
        "1 .T N... 100644 100644 120000 aaaa aaaa link\0"s
        "2 R. N... 100644 100644 100644 aaaa aaaa R100 new name.txt\0old name.txt\0"s
        "2 C. N... 100644 100644 100644 aaaa aaaa C75 copy.txt\0orig.txt\0"s
        "u UU N... 100644 100644 100644 100644 aaaa bbbb cccc both.txt\0"s
        "u AA N... 000000 100644 100644 100644 0000 bbbb cccc added both.txt\0"s
        "u UD N... 100644 100644 000000 100644 aaaa bbbb 0000 they deleted.txt\0"s
        "1 .M S.M. 160000 160000 160000 aaaa aaaa module\0"s
        "? untracked.txt\0"s
        "! ignored.o\0"s;
    std::vector<VCSCHANGE> changes;
    std::string error;
    ASSERT_TRUE(ParseGitStatus(output, changes, error)) << error;
    EXPECT_EQ(DumpChanges(changes),
              "M mod.txt\n"
              "M staged.txt\n"
              "A new file.txt\n"
              "A added then changed.txt\n"
              "D gone.txt\n"
              "D missing.txt\n"
              "T link\n"
              "R old name.txt -> new name.txt\n"
              "C orig.txt -> copy.txt\n"
              "U both.txt\n"
              "U added both.txt\n"
              "U they deleted.txt\n"
              "M module\n"
              "? untracked.txt\n");
    ASSERT_EQ(changes.size(), 14u);
    EXPECT_EQ(changes[0].staged, '.');
    EXPECT_EQ(changes[0].unstaged, 'M');
    EXPECT_EQ(changes[1].staged, 'M');
    // The stages a conflict holds, from their modes.
    EXPECT_EQ(changes[9].stages, 0x7);
    EXPECT_EQ(changes[10].stages, 0x6);
    EXPECT_EQ(changes[11].stages, 0x3);
    EXPECT_TRUE(changes[12].submodule);
    EXPECT_FALSE(changes[0].submodule);
}

TEST(GitStatusTest, PathsKeepBlanksAndControlCharactersWhichTheLineEscapes) {
    EXPECT_EQ(GitDump("? a\tb\nc\0"s), "? a\\tb\\nc\n");
    EXPECT_EQ(GitDump("1 .M N... 100644 100644 100644 aaaa aaaa  lead\0"s), "M  lead\n");
    EXPECT_EQ(GitDump(""), "");
}

TEST(GitStatusTest, MalformedRecordsAreRefusedNamingThem) {
    const std::vector<std::string> cases = {
        "X what\0"s,
        "1 .M N... 100644\0"s,
        "2 R. N... 100644 100644 100644 aaaa aaaa R100 new.txt\0"s,  // no original path
        "u UU N... 100644 1006\0"s,
    };
    for (const std::string& output : cases) {
        std::vector<VCSCHANGE> changes;
        std::string error;
        EXPECT_FALSE(ParseGitStatus(output, changes, error)) << output;
        EXPECT_EQ(error.rfind("unexpected git status record '", 0), 0u) << error;
    }
}

std::string HgDump(const std::string& output) {
    std::vector<VCSCHANGE> changes;
    std::string error;
    EXPECT_TRUE(ParseHgStatus(output, changes, error)) << error;
    return DumpChanges(changes);
}

TEST(HgStatusTest, CopiesWhoseSourceIsRemovedAreRenames) {
    EXPECT_EQ(HgDump("M a.txt\0A b2.txt\0  b.txt\0A c2.txt\0  c.txt\0R b.txt\0! e.txt\0? u.txt\0A n.txt\0"s),
              "M a.txt\nR b.txt -> b2.txt\nC c.txt -> c2.txt\nD e.txt\n? u.txt\nA n.txt\n");
    // The removal may come first.
    EXPECT_EQ(HgDump("R old\0A new\0  old\0"s), "R old -> new\n");
    EXPECT_EQ(HgDump("C clean\0I ignored\0"s), "");
}

TEST(HgStatusTest, MalformedRecordsAreRefused) {
    for (const std::string& output : {"  source first\0"s, "Z what\0"s, "M\0"s, "M a\0  b\0  c\0"s}) {
        std::vector<VCSCHANGE> changes;
        std::string error;
        EXPECT_FALSE(ParseHgStatus(output, changes, error)) << output;
        EXPECT_EQ(error.rfind("unexpected hg status record", 0), 0u) << error;
    }
}

TEST(HgStatusTest, UnresolvedFilesBecomeConflicted) {
    std::vector<VCSCHANGE> changes;
    std::string error;
    ASSERT_TRUE(ParseHgStatus("M f.txt\0M g.txt\0"s, changes, error));
    ASSERT_TRUE(ApplyHgUnresolved(
        R"([{"mergestatus": "U", "path": "f.txt"}, {"mergestatus": "R", "path": "g.txt"},
            {"mergestatus": "U", "path": "h.txt"}])",
        changes, error))
        << error;
    EXPECT_EQ(DumpChanges(changes), "U f.txt\nM g.txt\nU h.txt\n");
    EXPECT_FALSE(ApplyHgUnresolved("not json", changes, error));
    EXPECT_EQ(error, "unexpected output of hg resolve --list: no JSON list");
    EXPECT_FALSE(ApplyHgUnresolved(R"([{"mergestatus": "U"}])", changes, error));
}

std::string SvnEntry(const std::string& path, const std::string& attributes) {
    return "<entry path=\"" + path + "\"><wc-status " + attributes + "></wc-status></entry>\n";
}

TEST(SvnStatusTest, ItemsMapToStatusesAndAMoveIsOneRename) {
    const std::string xml =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<status>\n<target path=\".\">\n" +
        SvnEntry("a.txt", "item=\"modified\" props=\"none\"") +
        SvnEntry("b.txt", "item=\"deleted\" moved-to=\"b2.txt\" props=\"none\"") +
        SvnEntry("b2.txt", "item=\"added\" moved-from=\"b.txt\" copied=\"true\"") +
        SvnEntry("c.txt", "item=\"deleted\" props=\"none\"") + SvnEntry("gone.txt", "item=\"missing\"") +
        SvnEntry("n.txt", "item=\"added\" props=\"none\"") +
        SvnEntry("p.txt", "item=\"normal\" props=\"modified\"") +
        SvnEntry("q.txt", "item=\"conflicted\" props=\"none\"") +
        SvnEntry("r.txt", "item=\"normal\" props=\"none\" tree-conflicted=\"true\"") +
        SvnEntry("s.txt", "item=\"replaced\" props=\"none\"") + SvnEntry("t", "item=\"obstructed\"") +
        SvnEntry("u &amp; v.txt", "item=\"unversioned\"") + SvnEntry("x", "item=\"external\"") +
        SvnEntry("y", "item=\"ignored\"") + "</target>\n</status>\n";
    std::vector<VCSCHANGE> changes;
    std::string error;
    ASSERT_TRUE(ParseSvnStatus(xml, changes, error)) << error;
    EXPECT_EQ(DumpChanges(changes),
              "M a.txt\nR b.txt -> b2.txt\nD c.txt\nD gone.txt\nA n.txt\nM p.txt\nU q.txt\nU r.txt\nM s.txt\n"
              "T t\n? u & v.txt\n");
}

TEST(SvnStatusTest, MalformedXmlIsRefused) {
    std::vector<VCSCHANGE> changes;
    std::string error;
    EXPECT_FALSE(ParseSvnStatus("<status><target>", changes, error));
    EXPECT_EQ(error.rfind("unexpected output of svn status --xml: ", 0), 0u) << error;
    EXPECT_FALSE(ParseSvnStatus("<other/>", changes, error));
    EXPECT_EQ(error, "unexpected output of svn status --xml: no <status> element");
    EXPECT_FALSE(ParseSvnStatus("<status><target><entry path=\"a\"/></target></status>", changes, error));
    EXPECT_EQ(error, "unexpected output of svn status --xml: an entry without path or wc-status");
}

TEST(ChangeStatusTest, SortingIsByPathBytesAndBitsAreDistinct) {
    std::vector<VCSCHANGE> changes(3);
    changes[0].path = "b";
    changes[1].path = "B";
    changes[2].path = "a/z";
    SortChanges(changes);
    EXPECT_EQ(changes[0].path, "B");
    EXPECT_EQ(changes[1].path, "a/z");
    uint32_t all = 0;
    for (const ChangeStatus status : kChangeStatuses) {
        EXPECT_EQ(all & StatusBit(status), 0u);
        all |= StatusBit(status);
        EXPECT_STRNE(ChangeStatusName(status), "");
    }
    EXPECT_EQ(all, kAllStatuses);
}

}  // namespace
}  // namespace corvatine::vcs
