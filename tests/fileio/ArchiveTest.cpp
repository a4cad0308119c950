// CArchive: listings, entry streams, paths through archives, and the limits
// that bound what a hostile archive can cost (set small here).
#include "fileio/Archive.h"

#include <gtest/gtest.h>

#include "fileio/UniMemFile.h"
#include "support/TestSupport.h"

namespace corvatine {
namespace {

void Sh(const std::string& command, const std::string& cwd) {
    const test::ProgramResult result = test::RunProgram("/bin/sh", {"-c", command}, {}, cwd);
    ASSERT_EQ(result.exitStatus, 0) << command << "\n" << result.err;
}

// The tree as "path/" for folders and "path=size" for files, depth first in
// header order.
std::string Dump(const CArchive& archive, int node = 0, const std::string& prefix = {}) {
    std::string text;
    for (const int child : archive.Nodes()[static_cast<size_t>(node)].children) {
        const CArchive::NODE& here = archive.Nodes()[static_cast<size_t>(child)];
        const std::string path = prefix + here.name;
        if (here.folder) {
            text += path + "/\n" + Dump(archive, child, path + "/");
        } else {
            const ARCHIVEENTRY& entry = archive.Entries()[static_cast<size_t>(here.entry)];
            text += path + "=" + std::to_string(entry.size) + "\n";
        }
    }
    return text;
}

TEST(ArchiveTest, ListsATreeAndReadsEntriesAsStreams) {
    test::TempDir dir;
    dir.WriteFile("t/a/b/deep.txt", "deep\n");
    dir.WriteFile("t/top.txt", "top\n");
    Sh("tar -C t -czf t.tar.gz a/b/deep.txt top.txt", dir.Path());  // no folder headers
    int error = -1;
    const std::shared_ptr<CArchive> archive = CArchive::OpenFile(dir / "t.tar.gz", error);
    ASSERT_TRUE(archive) << error;
    EXPECT_EQ(error, 0);
    EXPECT_EQ(archive->ListError(), 0);
    EXPECT_EQ(Dump(*archive), "a/\na/b/\na/b/deep.txt=5\ntop.txt=4\n");
    std::string bytes;
    const int deep = archive->Nodes()[static_cast<size_t>(archive->FindNode("a/b/deep.txt"))].entry;
    ASSERT_TRUE(archive->ReadEntry(deep, bytes, error)) << error;
    EXPECT_EQ(bytes, "deep\n");
    // A cursor goes forward only.
    std::unique_ptr<CArchiveCursor> cursor = archive->NewCursor(error);
    ASSERT_TRUE(cursor);
    ASSERT_TRUE(cursor->MoveTo(1));
    char text[16] = {};
    EXPECT_EQ(cursor->Read(text, sizeof text), 4);
    EXPECT_STREQ(text, "top\n");
    EXPECT_FALSE(cursor->MoveTo(0));
    EXPECT_EQ(cursor->Error(), EINVAL);
}

TEST(ArchiveTest, PathsRunThroughArchivesAndNestedArchives) {
    test::TempDir dir;
    dir.WriteFile("in/inner.txt", "inside\n");
    dir.WriteFile("out/x/readme", "outer\n");
    Sh("cd in && zip -q ../out/x/inner.zip inner.txt && cd .. && tar -C out -cJf o.tar.xz x", dir.Path());
    std::string bytes;
    int error = 0;
    ASSERT_TRUE(CArchive::ReadPath(dir / "o.tar.xz/x/inner.zip/inner.txt", bytes, error)) << error;
    EXPECT_EQ(bytes, "inside\n");
    ASSERT_TRUE(CArchive::ReadPath(dir / "o.tar.xz/x/readme", bytes, error)) << error;
    EXPECT_EQ(bytes, "outer\n");
    EXPECT_FALSE(CArchive::ReadPath(dir / "o.tar.xz/x/missing", bytes, error));
    EXPECT_EQ(error, kArchiveErrorNotFile);
    EXPECT_FALSE(CArchive::ReadPath(dir / "in/inner.txt", bytes, error));
    EXPECT_EQ(error, ENOENT);  // no archive on the way
    EXPECT_TRUE(CArchive::IsInsideArchive(dir / "o.tar.xz/x/readme"));
    EXPECT_FALSE(CArchive::IsInsideArchive(dir / "in/inner.txt"));
    std::string rest;
    const std::shared_ptr<CArchive> nested =
        CArchive::OpenPath(dir / "o.tar.xz/x/inner.zip", rest, error, true);
    ASSERT_TRUE(nested) << error;
    EXPECT_EQ(rest, "");
    EXPECT_EQ(nested->DisplayPath(), dir / "o.tar.xz/x/inner.zip");
    EXPECT_EQ(Dump(*nested), "inner.txt=7\n");

    // The text reader takes such a path as a file that it reads from memory.
    UniMemFile file;
    ASSERT_TRUE(file.OpenRead(dir / "o.tar.xz/x/inner.zip/inner.txt"));
    std::string line;
    ASSERT_TRUE(file.ReadLine(line));
    EXPECT_EQ(line, "inside");
    EXPECT_FALSE(file.OpenRead(dir / "o.tar.xz/x/nothing"));
}

TEST(ArchiveTest, LimitsBoundEntriesMemoryExpansionAndNesting) {
    test::TempDir dir;
    for (int i = 0; i < 20; ++i) dir.WriteFile("many/f" + std::to_string(i), "x");
    dir.WriteFile("one/big", std::string(300000, 'q'));
    Sh("tar -C many -cf many.tar . && tar -C one -czf big.tar.gz big && zip -q -j twice.zip big.tar.gz",
       dir.Path());
    ARCHIVELIMITS limits;
    limits.maxEntries = 10;
    int error = 0;
    std::shared_ptr<CArchive> archive = CArchive::OpenFile(dir / "many.tar", error, limits);
    ASSERT_TRUE(archive);
    EXPECT_EQ(archive->ListError(), kArchiveErrorTooMany);
    EXPECT_EQ(archive->Entries().size(), 10u);

    // Read whole, an entry may not pass the memory limit, whatever its header says.
    limits = ARCHIVELIMITS();
    limits.maxInMemory = 100000;
    archive = CArchive::OpenFile(dir / "big.tar.gz", error, limits);
    ASSERT_TRUE(archive);
    std::string bytes;
    EXPECT_FALSE(archive->ReadEntry(0, bytes, error));
    EXPECT_EQ(error, kArchiveErrorTooLarge);
    EXPECT_TRUE(bytes.empty());

    // 300 kB of one letter from a few hundred compressed bytes.
    limits = ARCHIVELIMITS();
    limits.maxExpansion = 20;
    limits.expansionSlack = 4096;
    archive = CArchive::OpenFile(dir / "big.tar.gz", error, limits);
    ASSERT_TRUE(archive);
    std::unique_ptr<CContentStream> stream = archive->OpenEntry(0, error);
    ASSERT_TRUE(stream) << error;
    char block[65536];
    int64_t n = 0;
    while ((n = stream->Read(block, sizeof block)) > 0) {
    }
    EXPECT_EQ(n, -1);
    EXPECT_EQ(stream->Error(), kArchiveErrorExpansion);
    EXPECT_EQ(ArchiveErrorText(kArchiveErrorExpansion),
              "the archive expands too far (a decompression bomb?)");

    limits = ARCHIVELIMITS();
    limits.maxNesting = 1;
    archive = CArchive::OpenFile(dir / "twice.zip", error, limits);
    ASSERT_TRUE(archive);
    EXPECT_FALSE(archive->OpenNested(0, error));
    EXPECT_EQ(error, kArchiveErrorNesting);
}

TEST(ArchiveTest, NamesAreKeptInsideTheArchiveAndDamageIsTold) {
    test::TempDir dir;
    Sh("python3 -c 'import io, tarfile\n"
       "t = tarfile.open(\"n.tar\", \"w\")\n"
       "for name in [\"/abs/x\", \"../../up\", \"./a/./b/../c\", \"a/c\"]:\n"
       "    i = tarfile.TarInfo(name); i.size = len(name); t.addfile(i, io.BytesIO(name.encode()))\n"
       "t.close()'",
       dir.Path());
    int error = 0;
    const std::shared_ptr<CArchive> archive = CArchive::OpenFile(dir / "n.tar", error);
    ASSERT_TRUE(archive) << error;
    // The later "a/c" replaces the earlier one, as an extraction would.
    EXPECT_EQ(Dump(*archive), "abs/\nabs/x=6\nup=8\na/\na/c=3\n");
    dir.WriteFile("bad.zip", "PK\x03\x04 not really");
    EXPECT_FALSE(CArchive::OpenFile(dir / "bad.zip", error));
    EXPECT_EQ(error, kArchiveErrorDamaged);
    EXPECT_FALSE(CArchive::OpenFile(dir / "nothing.tar", error));
    EXPECT_EQ(error, ENOENT);
    // Only a file that starts as an archive is taken for one by its name.
    EXPECT_TRUE(CArchive::StartsAsArchive(dir / "n.tar"));
    EXPECT_FALSE(CArchive::StartsAsArchive(dir / "bad.zip"));
    dir.WriteFile("text.tar", "just text\n");
    EXPECT_FALSE(CArchive::StartsAsArchive(dir / "text.tar"));
    EXPECT_FALSE(CArchive::StartsAsArchive(dir / "nothing.tar"));
    EXPECT_TRUE(CArchive::IsArchiveName("x/Release-1.0.TAR.GZ"));
    EXPECT_TRUE(CArchive::IsArchiveName("lib.jar"));
    EXPECT_FALSE(CArchive::IsArchiveName("notes.txt"));
    EXPECT_FALSE(CArchive::IsArchiveName(".tar"));
}

}  // namespace
}  // namespace corvatine
