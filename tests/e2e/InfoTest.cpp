// "corvatine --info PATH": one entry as the folder comparison sees it.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <nlohmann/json.hpp>

#include "support/TestSupport.h"

namespace corvatine {
namespace {

using Json = nlohmann::ordered_json;

Json Info(const std::string& path, const std::string& cwd = {}) {
    const test::ProgramResult result = test::RunCorvatine({"--info", path}, cwd);
    EXPECT_EQ(result.exitStatus, 0) << result.err;
    EXPECT_EQ(result.err, "");
    return Json::parse(result.out);
}

TEST(InfoTest, DescribesAFile) {
    test::TempDir dir;
    const std::string path = dir.WriteFile("check.txt", "123456789");
    ASSERT_TRUE(test::SetFileTimes(path, 1700000000, 500000000));
    ASSERT_EQ(::chmod(path.c_str(), 0444), 0);
    const Json json = Info(path);
    std::vector<std::string> keys;
    for (const auto& item : json.items()) keys.push_back(item.key());
    EXPECT_EQ(keys, (std::vector<std::string>{"name", "path", "isFolder", "size", "sizeText", "attributes",
                                              "attributesText", "lastWriteTime", "lastWriteText",
                                              "contentType", "crc", "crcText", "version", "versionText"}));
    EXPECT_EQ(json["name"], "check.txt");
    EXPECT_EQ(json["path"], path);
    EXPECT_EQ(json["isFolder"], false);
    EXPECT_EQ(json["size"], 9);
    EXPECT_EQ(json["sizeText"], "9");
    EXPECT_EQ(json["attributes"], 1);
    EXPECT_EQ(json["attributesText"], "R---");
    EXPECT_EQ(json["lastWriteTime"], (1700000000ull + 11644473600ull) * 10000000ull + 5000000ull);
    EXPECT_EQ(json["lastWriteText"], "2023-11-14 22:13:20");  // the tests run in UTC
    EXPECT_EQ(json["contentType"], 1);
    EXPECT_EQ(json["crc"], 0xCBF43926u);
    EXPECT_EQ(json["crcText"], "CBF43926");
    EXPECT_EQ(json["version"], Json::array({0, 0}));
    EXPECT_EQ(json["versionText"], "0,0,0,0");
}

TEST(InfoTest, DescribesFoldersBinariesAndLinks) {
    test::TempDir dir;
    dir.WriteFile("sub/.hidden.bin", std::string(5000, 'x') + '\0');
    const Json folder = Info("sub", dir.Path());
    EXPECT_EQ(folder["isFolder"], true);
    EXPECT_EQ(folder["sizeText"], "");
    EXPECT_EQ(folder["attributes"], 0x10);
    EXPECT_EQ(folder["contentType"], -1);
    EXPECT_EQ(folder["crc"], 0);

    const Json binary = Info(dir / "sub/.hidden.bin");
    EXPECT_EQ(binary["contentType"], 2);
    EXPECT_EQ(binary["sizeText"], "5,001");
    EXPECT_EQ(binary["attributesText"], "---H");

    const Json utf16 = Info(dir.WriteFile("wide.txt", std::string("\xFF\xFE"
                                                                  "a\0",
                                                                  4)));
    EXPECT_EQ(utf16["contentType"], 1);
    EXPECT_EQ(utf16["attributesText"], "----L");

    ASSERT_EQ(::symlink("sub", (dir / "link").c_str()), 0);
    const Json link = Info(dir / "link");
    EXPECT_EQ(link["isFolder"], true);
    EXPECT_EQ(link["attributes"], 0x410);

    const Json root = Info("/");
    EXPECT_EQ(root["isFolder"], true);
    EXPECT_EQ(root["lastWriteTime"], 0);  // a root is not read
}

TEST(InfoTest, MissingPathsAndMisuseAreTrouble) {
    test::TempDir dir;
    test::ProgramResult result = test::RunCorvatine({"--info", dir / "missing"});
    EXPECT_EQ(result.exitStatus, 2);
    EXPECT_EQ(result.out, "");
    EXPECT_NE(result.err.find("missing': No such file or directory"), std::string::npos) << result.err;

    result = test::RunCorvatine({"--info"});
    EXPECT_EQ(result.exitStatus, 2);
    EXPECT_NE(result.err.find("--info needs exactly one path"), std::string::npos) << result.err;
    result = test::RunCorvatine({"--info", dir.Path(), dir.Path()});
    EXPECT_EQ(result.exitStatus, 2);
    result = test::RunCorvatine({"--info=x"});
    EXPECT_EQ(result.exitStatus, 2);
    EXPECT_NE(result.err.find("takes no value"), std::string::npos) << result.err;
}

}  // namespace
}  // namespace corvatine
