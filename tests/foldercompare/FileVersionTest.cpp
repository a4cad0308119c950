// The version resource of Windows program files: images built by the mingw
// tools, images put together here, and damaged images.
#include "foldercompare/FileVersion.h"

#include <gtest/gtest.h>

#include "PeFiles.h"
#include "foldercompare/FolderItem.h"
#include "platform/VersionResource.h"

namespace corvatine {
namespace {

const char kScript[] =
    "1 VERSIONINFO\n"
    "FILEVERSION 1,2,3,4\n"
    "PRODUCTVERSION 5,6,7,8\n"
    "BEGIN\n"
    "  BLOCK \"StringFileInfo\"\n"
    "  BEGIN\n"
    "    BLOCK \"040904B0\"\n"
    "    BEGIN\n"
    "      VALUE \"CompanyName\", \"Brasko Test\\0\"\n"
    "      VALUE \"FileVersion\", \"1.2.3.4\\0\"\n"
    "      VALUE \"SpecialBuild\", \"nightly\\0\"\n"
    "    END\n"
    "    BLOCK \"040704B0\"\n"
    "    BEGIN\n"
    "      VALUE \"CompanyName\", \"Brasko Pr\xC3\xBC"
    "fung \xF0\x9F\x98\x80\\0\"\n"
    "    END\n"
    "  END\n"
    "  BLOCK \"VarFileInfo\"\n"
    "  BEGIN\n"
    "    VALUE \"Translation\", 0x0409, 1200, 0x0407, 1200\n"
    "  END\n"
    "END\n";

std::vector<uint8_t> SimpleBlock(uint32_t ms, uint32_t ls) {
    test::VersionNode root{"VS_VERSION_INFO", false, "", test::FixedFileInfo(ms, ls), {}};
    test::VersionNode strings{"StringFileInfo", false, "", {}, {}};
    test::VersionNode table{"000004B0", false, "", {}, {}};
    table.children.push_back({"ProductName", true, "Hand Made", {}, {}});
    table.children.push_back({"Comments", true, "PE32", {}, {}});
    strings.children.push_back(table);
    test::VersionNode var{"VarFileInfo", false, "", {}, {}};
    var.children.push_back({"Translation", false, "", {0x00, 0x00, 0xB0, 0x04}, {}});
    root.children = {strings, var};
    return test::EncodeVersionNode(root);
}

std::string WriteImage(const test::TempDir& dir, const std::string& name, const std::vector<uint8_t>& bytes) {
    return dir.WriteFile(name, std::string(bytes.begin(), bytes.end()));
}

TEST(FileVersionTest, ReadsImagesOfTheMingwTools) {
    if (!test::HaveMingwTools()) GTEST_SKIP() << "the mingw-w64 binutils are not installed";
    test::TempDir dir;
    const std::string image = test::BuildPeImage(dir, "tool.exe", kScript);
    ASSERT_FALSE(image.empty());

    test::ScopedEnv english("LANG", "en_US.UTF-8");
    CFileVersion version;
    ASSERT_TRUE(version.Read(image));
    ASSERT_TRUE(version.hasFixedInfo);
    EXPECT_EQ(version.fixedInfo.dwSignature, 0xFEEF04BDu);
    EXPECT_EQ(version.fixedInfo.dwFileVersionMS, 0x00010002u);
    EXPECT_EQ(version.fixedInfo.dwFileVersionLS, 0x00030004u);
    EXPECT_EQ(version.fixedInfo.dwProductVersionMS, 0x00050006u);
    EXPECT_EQ(version.language, 0x0409);
    EXPECT_EQ(version.codePage, 1200);
    EXPECT_EQ(version.strings[CFileVersion::COMPANY_NAME], "Brasko Test");
    EXPECT_EQ(version.strings[CFileVersion::FILE_VERSION], "1.2.3.4");
    EXPECT_EQ(version.strings[CFileVersion::SPECIAL_BUILD], "nightly");
    EXPECT_EQ(version.strings[CFileVersion::PRODUCT_NAME], "");

    // A German user gets the German table, with characters beyond 16 bits intact.
    test::ScopedEnv german("LANG", "de_AT.UTF-8");
    ASSERT_TRUE(version.Read(image));
    EXPECT_EQ(version.language, 0x0407);
    EXPECT_EQ(version.strings[CFileVersion::COMPANY_NAME],
              "Brasko Pr\xC3\xBC"
              "fung \xF0\x9F\x98\x80");
    EXPECT_EQ(version.strings[CFileVersion::FILE_VERSION], "");

    CFolderItem entry;
    ASSERT_TRUE(entry.Refresh(image));
    EXPECT_TRUE(entry.ReadVersion());
    EXPECT_EQ(entry.GetVersionText(), "1,2,3,4");
    EXPECT_NE(entry.valid & FILE_VALID_VERSION, 0u);
}

TEST(FileVersionTest, ReadsHandMade32BitImages) {
    test::TempDir dir;
    const std::string image =
        WriteImage(dir, "old.dll", test::BuildPe32Image(SimpleBlock(0x00070008, 0x0009000A)));
    CFileVersion version;
    ASSERT_TRUE(version.Read(image));
    EXPECT_EQ(version.fixedInfo.dwFileVersionMS, 0x00070008u);
    EXPECT_EQ(version.language, 0);  // the neutral table is the only one
    EXPECT_EQ(version.strings[CFileVersion::PRODUCT_NAME], "Hand Made");
    EXPECT_EQ(version.strings[CFileVersion::COMMENTS], "PE32");

    CFolderItem entry;
    ASSERT_TRUE(entry.Refresh(image));
    entry.ReadVersion();
    EXPECT_EQ(entry.GetVersionText(), "7,8,9,10");
}

TEST(FileVersionTest, OtherFilesHaveNoVersion) {
    test::TempDir dir;
    CFileVersion version;
    for (const std::string& bytes : {std::string(), std::string("MZ"), std::string("plain text\n"),
                                     std::string(4096, '\0'), std::string("MZ") + std::string(62, '\xFF')}) {
        EXPECT_FALSE(version.Read(dir.WriteFile("f", bytes)));
        EXPECT_FALSE(version.hasFixedInfo);
    }
    EXPECT_FALSE(version.Read(dir.Path()));
    EXPECT_FALSE(version.Read(dir / "missing"));
    EXPECT_EQ(platform::GetFileVersionInfoSize(dir / "missing"), 0u);

    CFolderItem entry;
    ASSERT_TRUE(entry.Refresh(dir.WriteFile("none.exe", "MZ")));
    EXPECT_FALSE(entry.ReadVersion());
    EXPECT_EQ(entry.GetVersionText(), "0,0,0,0");
}

// Every byte of an image damaged in turn, and every truncation: the reader
// must never read outside what it holds (the sanitizer build checks).
TEST(FileVersionTest, DamagedImagesNeverCrash) {
    test::TempDir dir;
    const std::vector<uint8_t> good = test::BuildPe32Image(SimpleBlock(0x00010000, 0));
    const std::string path = dir / "damaged.exe";
    int readable = 0;
    for (size_t at = 0; at < good.size(); ++at) {
        for (const uint8_t value : {uint8_t{0x00}, uint8_t{0xFF}, uint8_t{0x7F}}) {
            std::vector<uint8_t> bytes = good;
            bytes[at] = value;
            WriteImage(dir, "damaged.exe", bytes);
            CFileVersion version;
            if (version.Read(path)) ++readable;
        }
        WriteImage(dir, "damaged.exe",
                   std::vector<uint8_t>(good.begin(), good.begin() + static_cast<long>(at)));
        CFileVersion version;
        EXPECT_FALSE(version.Read(path)) << "truncated at " << at;
    }
    EXPECT_GT(readable, 0);
}

TEST(FileVersionTest, ChoosesTheTranslationForTheUser) {
    const uint16_t pairs[] = {0x0000, 1200, 0x0809, 1252, 0x0407, 1200, 0x0409, 1252};
    EXPECT_EQ(CFileVersion::ChooseTranslation(pairs, 4, 0x0409), 3);  // the same language
    EXPECT_EQ(CFileVersion::ChooseTranslation(pairs, 4, 0x0C09), 1);  // the same primary language
    EXPECT_EQ(CFileVersion::ChooseTranslation(pairs, 4, 0x040C), 0);  // neutral
    const uint16_t noNeutral[] = {0x0407, 1200, 0x0809, 1252};
    EXPECT_EQ(CFileVersion::ChooseTranslation(noNeutral, 2, 0x040C), 1);  // English
    const uint16_t foreign[] = {0x0411, 932, 0x0407, 1252};
    EXPECT_EQ(CFileVersion::ChooseTranslation(foreign, 2, 0x040C), 0);  // the first
    EXPECT_EQ(CFileVersion::ChooseTranslation(foreign, 0, 0x040C), -1);
}

}  // namespace
}  // namespace corvatine
