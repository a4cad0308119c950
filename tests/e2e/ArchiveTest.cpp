// "corvatine A.tar.xz B.tar.xz": archives compared as folders, in every
// format read, against diff -rq on the trees they were made from; archives
// inside folders and inside archives (--archives=open); hostile archives that
// must give an error or a listed entry and never write anything.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <nlohmann/json.hpp>
#include <set>
#include <sstream>

#include "support/TestSupport.h"

namespace corvatine {
namespace {

using Json = nlohmann::json;
namespace fs = std::filesystem;

test::ProgramResult Shell(const std::string& command, const std::string& cwd) {
    return test::RunProgram("/bin/sh", {"-c", command}, {}, cwd);
}

void Sh(const std::string& command, const std::string& cwd) {
    const test::ProgramResult result = Shell(command, cwd);
    ASSERT_EQ(result.exitStatus, 0) << command << "\n" << result.err;
}

// The lines of a text, with every occurrence of from replaced by to.
std::multiset<std::string> Lines(const std::string& text, const std::string& from = {},
                                 const std::string& to = {}) {
    std::multiset<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        if (!from.empty())
            for (size_t at = line.find(from); at != std::string::npos; at = line.find(from, at + to.size()))
                line.replace(at, from.size(), to);
        lines.insert(line);
    }
    return lines;
}

// A line of diff -rq about the trees from and to renamed: each path that
// starts with a tree's name (after a space) starts with the new name.
std::string Renamed(std::string line, const std::vector<std::pair<std::string, std::string>>& names) {
    std::string out;
    for (size_t at = 0; at < line.size();) {
        bool replaced = false;
        if (at > 0 && line[at - 1] == ' ')
            for (const auto& [from, to] : names)
                if (line.compare(at, from.size(), from) == 0 && at + from.size() < line.size() &&
                    (line[at + from.size()] == '/' || line[at + from.size()] == ':')) {
                    out += to;
                    at += from.size();
                    replaced = true;
                    break;
                }
        if (!replaced) out += line[at++];
    }
    return out;
}

// Two trees with every kind of difference diff -rq reports: a changed file,
// one changed at the same size, a binary one, files and folders on one side
// only, an empty file, names with spaces and dots.
void MakeTrees(const test::TempDir& dir, bool withFolders = true) {
    const std::string sub = withFolders ? "src/" : "";
    dir.WriteFile("a/README", "hello\n");
    dir.WriteFile("b/README", "hello\n");
    dir.WriteFile("a/" + sub + "main.c", "int main(void) { return 0; }\n");
    dir.WriteFile("b/" + sub + "main.c", "int main(void) { return 1; }\n");
    dir.WriteFile("a/" + sub + "same.h", "#define X 1\n");
    dir.WriteFile("b/" + sub + "same.h", "#define X 1\n");
    dir.WriteFile("a/data.bin", std::string("\x00\x01\x02\xff", 4) + std::string(70000, 'z'));
    dir.WriteFile("b/data.bin", std::string("\x00\x01\x02\xfe", 4) + std::string(70000, 'z'));
    dir.WriteFile("a/empty", "");
    dir.WriteFile("b/empty", "");
    dir.WriteFile("a/left only.txt", "only left\n");
    dir.WriteFile("b/.right-only", "only right\n");
    if (withFolders) {
        dir.WriteFile("a/docs/guide.md", "# Guide\n");
        dir.WriteFile("b/docs/guide.md", "# Guide\n");
        dir.WriteFile("b/docs/new/page.md", "new\n");
        dir.WriteFile("a/old/gone.txt", "gone\n");
    }
}

struct FORMAT {
    const char* name;     // the archive's ending
    const char* command;  // makes $OUT from the folder $IN (a path below the test folder)
    bool folders;         // the format keeps folders
};

const FORMAT kFormats[] = {
    {".tar", "tar -C $IN -cf $OUT .", true},
    {".tar.gz", "tar -C $IN -czf $OUT .", true},
    {".tgz", "tar -C $IN -czf $OUT .", true},
    {".tar.bz2", "tar -C $IN -cjf $OUT .", true},
    {".tar.xz", "tar -C $IN -cJf $OUT .", true},
    {".tar.zst", "tar -C $IN --zstd -cf $OUT .", true},
    {".zip", "cd $IN && zip -qr -X $OUT .", true},
    {".jar", "cd $IN && zip -qr -X $OUT .", true},
    {".7z", "bsdtar -C $IN --format 7zip -cf $OUT .", true},
    {".cpio", "cd $IN && find . | cpio --quiet -o -H newc > $OUT", true},
    {".ar", "cd $IN && find . -maxdepth 1 -type f -print0 | xargs -0 ar rc $OUT", false},
};

std::string Substitute(std::string command, const std::string& in, const std::string& out) {
    for (size_t at; (at = command.find("$IN")) != std::string::npos;) command.replace(at, 3, in);
    for (size_t at; (at = command.find("$OUT")) != std::string::npos;) command.replace(at, 4, out);
    return command;
}

// Our brief lines for two archives and diff -rq's for the trees they were
// made from (named for the archives), under a method.
void ExpectSameAsDiff(const test::TempDir& dir, const std::string& left, const std::string& right,
                      const std::string& leftTree, const std::string& rightTree, const std::string& method) {
    const test::ProgramResult ours =
        test::RunCorvatine({"-c", "/t:folder", "/m:" + method, "--format=brief", left, right}, dir.Path());
    const test::ProgramResult diff =
        test::RunProgram("/usr/bin/diff", {"-rq", leftTree, rightTree}, {}, dir.Path());
    ASSERT_EQ(diff.exitStatus, 1) << diff.err;
    EXPECT_EQ(ours.exitStatus, 1) << left << " " << method << "\n" << ours.err;
    std::multiset<std::string> expected;
    for (const std::string& line : Lines(diff.out))
        expected.insert(Renamed(line, {{leftTree, left}, {rightTree, right}}));
    EXPECT_EQ(Lines(ours.out), expected) << left << " by " << method << "\n" << ours.out << ours.err;
}

TEST(ArchiveTest, EveryFormatComparesAsDiffDoesOnTheTreesItWasMadeFrom) {
    for (const FORMAT& format : kFormats) {
        SCOPED_TRACE(format.name);
        test::TempDir dir;
        MakeTrees(dir, format.folders);
        const std::string left = std::string("left") + format.name,
                          right = std::string("right") + format.name;
        Sh(Substitute(format.command, dir / "a", dir / left), dir.Path());
        Sh(Substitute(format.command, dir / "b", dir / right), dir.Path());
        // The trees themselves are the oracle's input, not the archives: they
        // are renamed so that no path of ours can be theirs.
        fs::rename(dir / "a", dir / "ta");
        fs::rename(dir / "b", dir / "tb");
        for (const char* method : {"binary", "crc", "text"}) {
            SCOPED_TRACE(method);
            ExpectSameAsDiff(dir, left, right, "ta", "tb", method);
        }
    }
}

TEST(ArchiveTest, AnArchiveAgainstAFolderAndTheSameArchiveTwice) {
    test::TempDir dir;
    MakeTrees(dir);
    Sh("tar -C a -cJf a.tar.xz . && tar -C b -czf b.tgz .", dir.Path());
    ExpectSameAsDiff(dir, "a.tar.xz", "b", "a", "b", "binary");
    ExpectSameAsDiff(dir, "a", "b.tgz", "a", "b", "text");
    // An archive against the folder it was made from is identical, by content.
    test::ProgramResult result =
        test::RunCorvatine({"-c", "/t:folder", "/m:binary", "a.tar.xz", "a"}, dir.Path());
    EXPECT_EQ(result.exitStatus, 0) << result.out << result.err;
    // A folder inside an archive is a root as well.
    result = test::RunCorvatine({"-c", "/t:folder", "/m:binary", "--format=brief", "a.tar.xz/src", "b/src"},
                                dir.Path());
    EXPECT_EQ(result.exitStatus, 1) << result.err;
    EXPECT_EQ(result.out, "Files a.tar.xz/src/main.c and b/src/main.c differ\n");
}

// Pairs are compared in the left archive's order; entries the right one
// holds in another order take further passes, and hard links share data.
TEST(ArchiveTest, ArchivesWhoseEntriesComeInOtherOrders) {
    test::TempDir dir;
    MakeTrees(dir);
    for (int i = 0; i < 30; ++i) {
        const std::string name = "many/f" + std::to_string(i);
        dir.WriteFile("a/" + name, std::to_string(i) + "\n");
        dir.WriteFile("b/" + name, std::to_string(i % 7 == 0 ? -i : i) + "\n");
    }
    Sh("ln a/README a/hardlink && ln b/src/main.c b/hardlink && "
       "(cd a && find . -type f | sort | tar -cjf ../a.tar.bz2 -T -) && "
       "(cd b && find . -type f | sort -r | tar -cJf ../b.tar.xz -T -) && "
       "(cd b && find . -type f | shuf --random-source=/dev/zero | zip -q -X ../b.zip -@)",
       dir.Path());
    fs::rename(dir / "a", dir / "ta");
    fs::rename(dir / "b", dir / "tb");
    for (const char* method : {"binary", "text", "crc"}) {
        SCOPED_TRACE(method);
        ExpectSameAsDiff(dir, "a.tar.bz2", "b.tar.xz", "ta", "tb", method);
        ExpectSameAsDiff(dir, "b.zip", "a.tar.bz2", "tb", "ta", method);
    }
}

TEST(ArchiveTest, TheTreeShowsTheArchivesOwnSizesTimesAndLinks) {
    test::TempDir dir;
    dir.WriteFile("a/f.txt", "12345");
    dir.WriteFile("b/f.txt", "12345");
    ASSERT_TRUE(test::SetFileTimes(dir / "a/f.txt", 1600000000));
    ASSERT_TRUE(test::SetFileTimes(dir / "b/f.txt", 1700000000));
    fs::create_symlink("/etc/passwd", dir / "a/link");
    fs::create_symlink("/etc/hostname", dir / "b/link");
    Sh("tar -C a -cf a.tar . && tar -C b -cf b.tar .", dir.Path());
    const test::ProgramResult result = test::RunCorvatine(
        {"-c", "/t:folder", "/m:time|size", "--format=json", "a.tar", "b.tar"}, dir.Path(), {"TZ=UTC"});
    ASSERT_EQ(result.exitStatus, 1) << result.err;
    const Json json = Json::parse(result.out);
    bool sawFile = false, sawLink = false;
    for (const Json& item : json["items"]) {
        if (item["path"] == "f.txt") {
            sawFile = true;
            EXPECT_EQ(item["left"]["size"], 5);
            EXPECT_EQ(item["left"]["lastWriteText"], "2020-09-13 12:26:40");
            EXPECT_EQ(item["right"]["lastWriteText"], "2023-11-14 22:13:20");
            EXPECT_EQ(item["status"], 4);  // the times differ
        }
        if (item["path"] == "link") {
            sawLink = true;
            EXPECT_EQ(item["left"]["attributes"].get<int>() & 0x400, 0x400);  // a link, never followed
            EXPECT_EQ(item["left"]["size"], std::string("/etc/passwd").size());
        }
    }
    EXPECT_TRUE(sawFile && sawLink) << result.out;
    // By content, links compare by what they name.
    const test::ProgramResult content =
        test::RunCorvatine({"-c", "/t:folder", "/m:binary", "--format=brief", "a.tar", "b.tar"}, dir.Path());
    EXPECT_EQ(content.out, "Files a.tar/link and b.tar/link differ\n") << content.err;
}

// Archives inside the compared folders, and an archive inside an archive,
// read as folders with --archives=open; a Debian package by its data member.
TEST(ArchiveTest, ArchivesInsideFoldersAndArchivesOpenAsFolders) {
    test::TempDir dir;
    MakeTrees(dir);
    Sh("mkdir -p l r && tar -C a -czf l/pkg.tar.gz . && tar -C b -czf r/pkg.tar.gz .", dir.Path());
    // Nested: a zip and a 7z (formats that seek) inside each tarball.
    Sh("mkdir -p nl nr && (cd a && zip -qr -X ../nl/inner.zip .) && (cd b && zip -qr -X ../nr/inner.zip .) "
       "&& "
       "bsdtar -C a --format 7zip -cf nl/inner.7z . && bsdtar -C b --format 7zip -cf nr/inner.7z . && "
       "tar -C nl -cJf l/outer.tar.xz . && tar -C nr -cJf r/outer.tar.xz .",
       dir.Path());
    // Without the option the archives are files that differ.
    test::ProgramResult result =
        test::RunCorvatine({"-c", "/t:folder", "/m:binary", "--format=brief", "l", "r"}, dir.Path());
    EXPECT_EQ(Lines(result.out), Lines("Files l/outer.tar.xz and r/outer.tar.xz differ\n"
                                       "Files l/pkg.tar.gz and r/pkg.tar.gz differ\n"))
        << result.err;
    result = test::RunCorvatine(
        {"-c", "/t:folder", "/m:binary", "--format=brief", "--archives=open", "l", "r"}, dir.Path());
    EXPECT_EQ(result.exitStatus, 1) << result.err;
    const test::ProgramResult diff = test::RunProgram("/usr/bin/diff", {"-rq", "a", "b"}, {}, dir.Path());
    std::multiset<std::string> expected;
    for (const char* root : {"pkg.tar.gz", "outer.tar.xz/inner.zip", "outer.tar.xz/inner.7z"})
        for (const std::string& line : Lines(diff.out))
            expected.insert(
                Renamed(line, {{"a", "l/" + std::string(root)}, {"b", "r/" + std::string(root)}}));
    EXPECT_EQ(Lines(result.out), expected) << result.out;
    // The tree shows the archives as folders, with their entries below.
    result = test::RunCorvatine({"-c", "/t:folder", "/m:binary", "--archives=open", "l", "r"}, dir.Path());
    EXPECT_NE(result.out.find(" pkg.tar.gz/\n"), std::string::npos) << result.out;
    EXPECT_NE(result.out.find("   inner.zip/\n"), std::string::npos) << result.out;
    result = test::RunCorvatine({"--archives=shut", "l", "r"}, dir.Path());
    EXPECT_EQ(result.exitStatus, 2);
    EXPECT_NE(result.err.find("'--archives'"), std::string::npos) << result.err;
}

TEST(ArchiveTest, ADebianPackageComparesByItsDataMember) {
    test::TempDir dir;
    MakeTrees(dir);
    for (const char* side : {"a", "b"}) {
        const std::string s = side;
        Sh("mkdir -p deb" + s + " && cd deb" + s + " && printf '2.0\\n' > debian-binary && " +
               "printf 'Package: x\\n' > control && tar -cJf control.tar.xz control && tar -C ../" + s +
               " -cJf data.tar.xz . && ar rc ../" + s + ".deb debian-binary control.tar.xz data.tar.xz",
           dir.Path());
    }
    ExpectSameAsDiff(dir, "a.deb", "b.deb", "a", "b", "binary");
}

// Synchronisation and file operations never write into an archive, nor
// extract one.
TEST(ArchiveTest, SynchronisationAndFileOperationsRefuseArchiveSides) {
    test::TempDir dir;
    MakeTrees(dir);
    Sh("tar -C a -czf a.tgz . && cp -r b b-before", dir.Path());
    test::ProgramResult result =
        test::RunCorvatine({"--sync=mirror-right", "--yes", "a.tgz", "b"}, dir.Path());
    EXPECT_EQ(result.exitStatus, 2);
    EXPECT_NE(result.err.find("'a.tgz' is an archive, which is read-only here; nothing was changed"),
              std::string::npos)
        << result.err;
    result = test::RunCorvatine({"--op=delete:left:src/main.c", "a.tgz", "b"}, dir.Path());
    EXPECT_EQ(result.exitStatus, 2) << result.out;
    EXPECT_NE(result.err.find("a.tgz/src/main.c: lies inside an archive, which is read-only here"),
              std::string::npos)
        << result.err;
    result = test::RunCorvatine({"--op=copy:left-to-right:src/main.c", "a.tgz", "b"}, dir.Path());
    EXPECT_EQ(result.exitStatus, 2) << result.out;
    EXPECT_EQ(test::RunProgram("/usr/bin/diff", {"-r", "b", "b-before"}, {}, dir.Path()).exitStatus, 0);
    result =
        test::RunCorvatine({"--sync=update-right", "--yes", "--archives=open", "b", "b-before"}, dir.Path());
    EXPECT_EQ(result.exitStatus, 2);
    EXPECT_NE(result.err.find("archives are read as folders"), std::string::npos) << result.err;
}

// What a file in the test folder looks like: every path below it.
std::set<std::string> Listing(const std::string& root) {
    std::set<std::string> paths;
    for (const auto& entry : fs::recursive_directory_iterator(root)) paths.insert(entry.path().string());
    return paths;
}

// Archives made to harm whoever extracts them: nothing is ever written, each
// gives a clear error or lists its entries where they are harmless.
TEST(ArchiveTest, HostileArchivesGiveErrorsOrListedEntriesAndWriteNothing) {
    test::TempDir dir;
    dir.WriteFile("canary/keep.txt", "untouched\n");
    dir.WriteFile("plain/ok.txt", "fine\n");
    const char* script = R"PY(
import io, os, sys, tarfile, zipfile
def add(tar, name, data=b"", kind=tarfile.REGTYPE, link="", size=None):
    info = tarfile.TarInfo(name)
    info.type = kind
    info.linkname = link
    info.size = len(data) if size is None else size
    tar.addfile(info, io.BytesIO(data) if kind == tarfile.REGTYPE else None)
with tarfile.open("escape.tar", "w", format=tarfile.GNU_FORMAT) as tar:
    add(tar, "/abs/evil.txt", b"absolute\n")
    add(tar, "../../canary/keep.txt", b"overwritten\n")
    add(tar, "a/../../../escape.txt", b"up\n")
    add(tar, "up", kind=tarfile.SYMTYPE, link="../../canary")
    add(tar, "passwd", kind=tarfile.SYMTYPE, link="/etc/passwd")
    add(tar, "hard", kind=tarfile.LNKTYPE, link="/etc/passwd")
    add(tar, "up/keep.txt", b"through the link\n")
# Declares 10 GB and holds a few bytes.
with open("huge.tar", "wb") as f:
    info = tarfile.TarInfo("huge.bin"); info.size = 10 * 1024**3
    f.write(info.tobuf(format=tarfile.GNU_FORMAT)); f.write(b"x" * 4096)
# Cut short in the middle of an entry.
with tarfile.open("full.tar", "w") as tar:
    add(tar, "big.bin", os.urandom(200000))
open("truncated.tar", "wb").write(open("full.tar", "rb").read()[:100000])
open("garbage.tar.gz", "wb").write(b"\x1f\x8b\x08\x00" + os.urandom(3000))
# 1 GB of zeros in a zip of a megabyte.
with zipfile.ZipFile("bomb.zip", "w", zipfile.ZIP_DEFLATED, compresslevel=9) as z:
    with z.open("zeros.bin", "w", force_zip64=True) as out:
        block = bytes(1 << 20)
        for _ in range(1024): out.write(block)
)PY";
    Sh("python3 -c '" + std::string(script) + "'", dir.Path());
    // 4 GB of zeros in a tarball of a few hundred kilobytes, made as a stream.
    Sh("python3 -c 'import sys, tarfile\n"
       "class Zeros:\n"
       "    def read(self, n): return bytes(n)\n"
       "t = tarfile.open(fileobj=sys.stdout.buffer, mode=\"w|\")\n"
       "i = tarfile.TarInfo(\"zeros.bin\"); i.size = 4 << 30\n"
       "t.addfile(i, Zeros()); t.close()' | zstd -q -1 > bomb.tar.zst",
       dir.Path());
    Sh("cp bomb.zip bomb2.zip && cp escape.tar escape2.tar", dir.Path());
    const std::set<std::string> before = Listing(dir.Path());

    // Escaping names are listed where an extraction that keeps to its folder
    // puts them; links are listed as links and never followed.
    test::ProgramResult result = test::RunCorvatine(
        {"-c", "/t:folder", "/m:binary", "--format=json", "escape.tar", "plain"}, dir.Path());
    EXPECT_EQ(result.exitStatus, 1) << result.err;
    std::set<std::string> paths;
    const Json escaped = Json::parse(result.out);
    for (const Json& item : escaped["items"])
        if (!item["left"].is_null()) paths.insert(item["path"].get<std::string>());
    EXPECT_EQ(paths, (std::set<std::string>{"abs", "abs/evil.txt", "canary", "canary/keep.txt", "escape.txt",
                                            "up", "up/keep.txt", "passwd", "hard"}))
        << result.out;
    // "up/keep.txt" is no entry through the link "up": a folder of the name
    // takes the link's place, as it would on disk. A hard link to a path
    // outside has no content: compared by content it is an error, named.
    result = test::RunCorvatine({"-c", "/t:folder", "/m:crc", "--format=brief", "escape.tar", "escape2.tar"},
                                dir.Path());
    EXPECT_EQ(result.exitStatus, 2) << result.out;
    EXPECT_NE(result.err.find("escape.tar/hard': no such file in the archive"), std::string::npos)
        << result.err;
    EXPECT_EQ(result.err.find("escape.tar/passwd"), std::string::npos) << result.err;

    // Damage is a clear error naming the archive, exit status 2.
    struct CASE {
        const char* archive;
        const char* reason;
    };
    for (const CASE& hostile :
         {CASE{"huge.tar", "damaged, truncated"}, CASE{"truncated.tar", "damaged, truncated"},
          CASE{"bomb.tar.zst", "expands too far"}}) {
        SCOPED_TRACE(hostile.archive);
        result = test::RunCorvatine({"-c", "/t:folder", "/m:binary", hostile.archive, "plain"}, dir.Path());
        EXPECT_EQ(result.exitStatus, 2) << result.out << result.err;
        EXPECT_NE(result.err.find(hostile.reason), std::string::npos) << result.out << result.err;
        EXPECT_NE(result.err.find(hostile.archive), std::string::npos) << result.err;
    }
    // A file that only has an archive's name is no archive: a folder
    // comparison takes the folder that holds it, and says so.
    result = test::RunCorvatine({"-c", "/t:folder", "--format=brief", "garbage.tar.gz", "plain"}, dir.Path());
    EXPECT_NE(result.err.find("'garbage.tar.gz' is no folder: comparing the folder '.' that holds it"),
              std::string::npos)
        << result.err;
    // A zip bomb lists harmlessly; read by content it stops with the error.
    result = test::RunCorvatine({"-c", "/t:folder", "/m:binary", "bomb.zip", "bomb2.zip"}, dir.Path());
    EXPECT_EQ(result.exitStatus, 2) << result.out << result.err;
    EXPECT_NE(result.err.find("bomb.zip/zeros.bin': the archive expands too far"), std::string::npos)
        << result.err;
    EXPECT_EQ(Listing(dir.Path()), before);
    EXPECT_EQ(test::ReadFile(dir / "canary/keep.txt"), "untouched\n");
}

}  // namespace
}  // namespace corvatine
