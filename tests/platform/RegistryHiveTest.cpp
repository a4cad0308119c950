#include "platform/RegistryHive.h"

#include <dirent.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <fstream>
#include <thread>

#include "platform/AtomicFile.h"
#include "platform/Path.h"
#include "platform/SysCalls.h"
#include "support/TestSupport.h"

namespace corvatine::platform {
namespace {

std::vector<std::string> FolderEntries(const std::string& folder) {
    std::vector<std::string> names;
    if (DIR* dir = ::opendir(folder.c_str())) {
        while (dirent* e = ::readdir(dir))
            if (std::string(e->d_name) != "." && std::string(e->d_name) != "..") names.push_back(e->d_name);
        ::closedir(dir);
    }
    std::sort(names.begin(), names.end());
    return names;
}

// Replaces some system calls for the lifetime of the object.
class ScopedSysCalls {
public:
    ScopedSysCalls() : m_saved(SysCalls()) {}
    ~ScopedSysCalls() { SysCalls() = m_saved; }

private:
    SYSCALLS m_saved;
};

// The bytes this process has read so far (rchar of /proc/self/io).
uint64_t BytesRead() {
    std::ifstream io("/proc/self/io");
    std::string name;
    uint64_t value = 0;
    while (io >> name >> value)
        if (name == "rchar:") return value;
    ADD_FAILURE() << "no rchar in /proc/self/io";
    return 0;
}

// A settings file of count values in one key, in the order and spelling the
// hive writes.
std::string ManyValues(int count) {
    std::string text = "Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\Many]\n";
    for (int i = 0; i < count; ++i) {
        const std::string n = std::to_string(i);
        text += i % 2 ? "\"Text" + n + "\"=\"value " + n + "\"\n" : "\"Number" + n + "\"=dword:0000002a\n";
    }
    return text;
}

class RegistryHiveTest : public ::testing::Test {
protected:
    std::string FilePath() const { return dir / "registry.reg"; }
    CRegistryHive NewHive() const { return CRegistryHive(FilePath(), "HKEY_CURRENT_USER"); }

    test::TempDir dir;
};

TEST_F(RegistryHiveTest, EveryValueTypeRoundTrips) {
    const std::string tricky = std::string("quote \" back \\ tab\t line\nfeed \r nul ") + '\0' + " \x7f end";
    {
        CRegistryHive hive = NewHive();
        hive.SetDword("Software\\Brasko\\Corvatine\\Settings", "Zero", 0);
        hive.SetDword("Software\\Brasko\\Corvatine\\Settings", "Max", 0xFFFFFFFFu);
        hive.SetString("Software\\Brasko\\Corvatine\\Settings", "Empty", "");
        hive.SetString("Software\\Brasko\\Corvatine\\Settings", "Tricky", tricky);
        hive.SetString("Software\\Brasko\\Corvatine\\Settings", "Utf8",
                       "Gr\xC3\xBC\xC3\x9F"
                       "e \xE2\x82\xAC");
        hive.SetString("Software\\Brasko\\Corvatine", "", "the default value");
        hive.SetString("Software\\Brasko\\Corvatine", "Name \"with\" quotes", "x");
        std::string error;
        ASSERT_TRUE(hive.Flush(error)) << error;
    }
    CRegistryHive hive = NewHive();
    uint32_t number = 1;
    std::string text;
    ASSERT_TRUE(hive.GetDword("Software\\Brasko\\Corvatine\\Settings", "Zero", number));
    EXPECT_EQ(number, 0u);
    ASSERT_TRUE(hive.GetDword("Software\\Brasko\\Corvatine\\Settings", "Max", number));
    EXPECT_EQ(number, 0xFFFFFFFFu);
    ASSERT_TRUE(hive.GetString("Software\\Brasko\\Corvatine\\Settings", "Empty", text));
    EXPECT_EQ(text, "");
    ASSERT_TRUE(hive.GetString("Software\\Brasko\\Corvatine\\Settings", "Tricky", text));
    EXPECT_EQ(text, tricky);
    ASSERT_TRUE(hive.GetString("Software\\Brasko\\Corvatine\\Settings", "Utf8", text));
    EXPECT_EQ(text,
              "Gr\xC3\xBC\xC3\x9F"
              "e \xE2\x82\xAC");
    ASSERT_TRUE(hive.GetString("Software\\Brasko\\Corvatine", "", text));
    EXPECT_EQ(text, "the default value");
    ASSERT_TRUE(hive.GetString("Software\\Brasko\\Corvatine", "Name \"with\" quotes", text));
    // A type mismatch is no value.
    EXPECT_FALSE(hive.GetString("Software\\Brasko\\Corvatine\\Settings", "Max", text));
    EXPECT_FALSE(hive.GetDword("Software\\Brasko\\Corvatine\\Settings", "Empty", number));
    EXPECT_TRUE(hive.LoadWarning().empty());

    const std::string file = test::ReadFile(FilePath());
    EXPECT_EQ(file.rfind("Windows Registry Editor Version 5.00\n", 0), 0u);
    EXPECT_NE(
        file.find("[HKEY_CURRENT_USER\\Software\\Brasko\\Corvatine\\Settings]\n\"Zero\"=dword:00000000\n"
                  "\"Max\"=dword:ffffffff\n"),
        std::string::npos)
        << file;
    EXPECT_NE(file.find("@=\"the default value\""), std::string::npos);
    EXPECT_NE(file.find("\"quote \\\" back \\\\ tab\\x09 line\\x0afeed"), std::string::npos) << file;
    // Every value stays on its own line.
    for (size_t at = file.find('\n'); at != std::string::npos && at + 1 < file.size();
         at = file.find('\n', at + 1)) {
        const char next = file[at + 1];
        EXPECT_TRUE(next == '"' || next == '@' || next == '[' || next == '\n') << file.substr(at, 40);
    }
}

TEST_F(RegistryHiveTest, ASettingsFileThatIsAFifoIsNotWaitedOn) {
    ASSERT_EQ(::mkfifo(FilePath().c_str(), 0600), 0);
    CRegistryHive hive = NewHive();
    uint32_t value = 0;
    EXPECT_FALSE(hive.GetDword("K", "v", value));
    EXPECT_NE(hive.LoadWarning().find(FilePath() + ": not a regular file"), std::string::npos)
        << hive.LoadWarning();
}

TEST_F(RegistryHiveTest, WholeFilesAreReadUpToTheirLimit) {
    const std::string path = dir.WriteFile("data", std::string(70000, 'x'));
    std::string bytes, error;
    bool missing = true;
    ASSERT_TRUE(ReadWholeFile(path, bytes, missing, error, 70000)) << error;
    EXPECT_EQ(bytes.size(), 70000u);
    EXPECT_FALSE(missing);
    EXPECT_FALSE(ReadWholeFile(path, bytes, missing, error, 69999));
    EXPECT_EQ(error, "cannot read " + path + ": larger than 69999 bytes");
    EXPECT_TRUE(bytes.empty());
    EXPECT_FALSE(ReadWholeFile(dir.Path(), bytes, missing, error));
    EXPECT_NE(error.find("not a regular file"), std::string::npos) << error;
    EXPECT_FALSE(ReadWholeFile(dir / "none", bytes, missing, error));
    EXPECT_TRUE(missing);
}

TEST_F(RegistryHiveTest, NamesIgnoreCaseAndKeepTheFirstSpelling) {
    CRegistryHive hive = NewHive();
    hive.SetDword("Software\\Brasko\\Corvatine\\Settings", "MaxFiles", 10);
    hive.SetDword("SOFTWARE\\brasko\\corvatine\\SETTINGS", "maxfiles", 12);
    uint32_t value = 0;
    ASSERT_TRUE(hive.GetDword("software\\BRASKO\\Corvatine\\settings\\", "MAXFILES", value));
    EXPECT_EQ(value, 12u);
    EXPECT_EQ(hive.ValueNames("Software\\Brasko\\Corvatine\\Settings"), std::vector<std::string>{"MaxFiles"});
    const std::string text = hive.Serialize();
    EXPECT_NE(
        text.find("[HKEY_CURRENT_USER\\Software\\Brasko\\Corvatine\\Settings]\n\"MaxFiles\"=dword:0000000c"),
        std::string::npos)
        << text;
}

TEST_F(RegistryHiveTest, LookupsFollowEveryChange) {
    CRegistryHive hive = NewHive();
    const std::string key = "Software\\Brasko\\Corvatine\\Settings";
    uint32_t value = 0;
    std::string text;
    EXPECT_FALSE(hive.GetDword(key, "A", value));  // the key is missing
    EXPECT_FALSE(hive.HasValues(key));
    hive.SetDword(key, "A", 1);  // and now made
    ASSERT_TRUE(hive.GetDword(key, "A", value));
    EXPECT_EQ(value, 1u);
    EXPECT_TRUE(hive.HasValues("\\software\\BRASKO\\\\corvatine\\settings\\"));
    hive.SetString(key + "\\Sub", "B", "b");
    EXPECT_TRUE(hive.HasSubkeys(key));
    EXPECT_TRUE(hive.HasSubkeys(""));
    EXPECT_FALSE(hive.HasSubkeys(key + "\\Sub"));
    ASSERT_TRUE(hive.GetString(key + "\\sub", "b", text));
    EXPECT_EQ(text, "b");
    hive.DeleteKey(key);  // the key looked up last goes
    EXPECT_FALSE(hive.GetDword(key, "A", value));
    EXPECT_FALSE(hive.GetString(key + "\\Sub", "B", text));
    EXPECT_FALSE(hive.HasValues(key));
    EXPECT_FALSE(hive.HasSubkeys(""));
    hive.SetDword(key, "A", 2);
    ASSERT_TRUE(hive.GetDword(key, "a", value));
    EXPECT_EQ(value, 2u);
    EXPECT_EQ(hive.ValueNames(key), std::vector<std::string>{"A"});

    // Another program's file read at Flush replaces what was looked up.
    std::string error;
    ASSERT_TRUE(hive.Flush(error)) << error;
    CRegistryHive other = NewHive();
    other.SetDword(key, "A", 3);
    other.SetDword(key, "C", 4);
    ASSERT_TRUE(other.Flush(error)) << error;
    hive.SetDword("Elsewhere", "D", 5);
    ASSERT_TRUE(hive.Flush(error)) << error;
    ASSERT_TRUE(hive.GetDword(key, "A", value));
    EXPECT_EQ(value, 3u);
    EXPECT_TRUE(hive.GetDword(key, "C", value));
}

TEST_F(RegistryHiveTest, DeletingAKeyTakesItsSubkeysOnly) {
    CRegistryHive hive = NewHive();
    hive.SetDword("A\\B", "v", 1);
    hive.SetDword("A\\B\\C", "v", 2);
    hive.SetDword("A\\BC", "v", 3);
    hive.SetDword("A", "v", 4);
    hive.DeleteKey("a\\b");
    uint32_t value = 0;
    EXPECT_FALSE(hive.GetDword("A\\B", "v", value));
    EXPECT_FALSE(hive.GetDword("A\\B\\C", "v", value));
    EXPECT_FALSE(hive.KeyExists("A\\B"));
    EXPECT_TRUE(hive.GetDword("A\\BC", "v", value));
    EXPECT_TRUE(hive.GetDword("A", "v", value));
    hive.DeleteValue("A", "V");
    EXPECT_FALSE(hive.GetDword("A", "v", value));
    EXPECT_TRUE(hive.KeyExists("A"));  // A\BC is still below it
}

TEST_F(RegistryHiveTest, ReadsHandWrittenFiles) {
    dir.WriteFile("registry.reg",
                  "; written by hand\r\n"
                  "[HKEY_CURRENT_USER\\Software\\Brasko\\Corvatine\\Settings]\r\n"
                  "  \"MaxFiles\" = dword:f  \r\n"
                  "\r\n"
                  "[hkey_current_user\\Software\\Brasko\\Corvatine\\Settings]\n"
                  "\"Editor\"=\"vi\"\n");
    CRegistryHive hive = NewHive();
    uint32_t value = 0;
    ASSERT_TRUE(hive.GetDword("Software\\Brasko\\Corvatine\\Settings", "MaxFiles", value));
    EXPECT_EQ(value, 15u);
    std::string text;
    ASSERT_TRUE(hive.GetString("Software\\Brasko\\Corvatine\\Settings", "editor", text));
    EXPECT_EQ(text, "vi");
    EXPECT_TRUE(hive.LoadWarning().empty());
}

TEST_F(RegistryHiveTest, ADamagedFileIsKeptAside) {
    const std::string damaged[] = {
        "\"Orphan\"=dword:1\n",
        "[HKEY_CURRENT_USER\\Software]\n\"v\"=dword:123456789\n",
        "[HKEY_CURRENT_USER\\Software]\n\"v\"=dword:xyz\n",
        "[HKEY_CURRENT_USER\\Software]\n\"v\"=\"unterminated\n",
        "[HKEY_CURRENT_USER\\Software]\n\"v\"=hex:01,02\n",
        "[HKEY_CURRENT_USER\\Software]\n\"v\"=\"bad \\q escape\"\n",
        "[HKEY_LOCAL_MACHINE\\Software]\n\"v\"=dword:1\n",
        "[HKEY_CURRENT_USER\\Software\n",
        std::string("\x00\x01\x02 binary garbage", 18),
    };
    int n = 0;
    for (const std::string& text : damaged) {
        dir.WriteFile("registry.reg", text);
        CRegistryHive hive = NewHive();
        EXPECT_FALSE(hive.KeyExists("Software")) << text;
        const std::string aside = FilePath() + (n == 0 ? ".bad" : ".bad." + std::to_string(n));
        EXPECT_NE(hive.LoadWarning().find(FilePath()), std::string::npos) << hive.LoadWarning();
        EXPECT_NE(hive.LoadWarning().find(aside), std::string::npos) << hive.LoadWarning();
        EXPECT_EQ(test::ReadFile(aside), text);
        EXPECT_FALSE(NameExists(FilePath()));
        // The defaults are written as a new file; what was kept aside stays.
        hive.SetDword("Software", "v", 1);
        std::string error;
        EXPECT_TRUE(hive.Flush(error)) << error;
        EXPECT_EQ(test::ReadFile(aside), text);
        ++n;
    }
}

TEST_F(RegistryHiveTest, KeepingAsideNeverReplacesAKeptFile) {
    dir.WriteFile("x.bad", "first");
    dir.WriteFile("x.bad.1", "second");
    dir.WriteFile("x", "third");
    std::string error;
    EXPECT_EQ(KeepAside(dir / "x", error), dir / "x.bad.2");
    EXPECT_EQ(test::ReadFile(dir / "x.bad"), "first");
    EXPECT_EQ(test::ReadFile(dir / "x.bad.1"), "second");
    EXPECT_EQ(test::ReadFile(dir / "x.bad.2"), "third");
    EXPECT_FALSE(NameExists(dir / "x"));

    EXPECT_EQ(KeepAside(dir / "missing", error), "");
    EXPECT_EQ(error, "cannot move " + dir / "missing" + " to " + dir / "missing.bad" +
                         ": No such file or directory");
}

TEST_F(RegistryHiveTest, AFileThatCannotBeReadIsNeverReplaced) {
    dir.MakeFolder("registry.reg");  // exists, but reads fail
    CRegistryHive hive = NewHive();
    hive.SetDword("Software", "v", 1);
    EXPECT_NE(hive.LoadWarning().find("registry.reg"), std::string::npos);
    std::string error;
    EXPECT_FALSE(hive.Flush(error));
    EXPECT_NE(error.find("not saved"), std::string::npos) << error;
    EXPECT_TRUE(IsFolder(FilePath()));
}

TEST_F(RegistryHiveTest, NothingIsWrittenWhenNothingChanged) {
    dir.WriteFile("registry.reg", "[HKEY_CURRENT_USER\\K]\n\"v\"=dword:00000001\n");
    CRegistryHive hive = NewHive();
    hive.SetDword("k", "V", 1);
    EXPECT_FALSE(hive.IsModified());
    std::string error;
    ASSERT_TRUE(hive.Flush(error));
    EXPECT_EQ(test::ReadFile(FilePath()), "[HKEY_CURRENT_USER\\K]\n\"v\"=dword:00000001\n");
}

TEST_F(RegistryHiveTest, FailedWritesLeaveTheOldFileIntact) {
    const std::string old = "[HKEY_CURRENT_USER\\K]\n\"v\"=dword:00000001\n";
    struct Fault {
        const char* what;
        void (*install)();
        const char* reason;
    };
    static int writes;
    const Fault faults[] = {
        {"read-only folder", [] { SysCalls().mkostemp = [](char*, int) { return errno = EROFS, -1; }; },
         "Read-only file system"},
        {"disk full",
         [] { SysCalls().write = [](int, const void*, size_t) -> ssize_t { return errno = ENOSPC, -1; }; },
         "No space left on device"},
        {"short writes, then full",
         [] {
             writes = 0;
             SysCalls().write = [](int fd, const void* data, size_t size) -> ssize_t {
                 if (++writes > 3) return errno = ENOSPC, -1;
                 return RealSysCalls().write(fd, data, size < 7 ? size : 7);
             };
         },
         "No space left on device"},
        {"a write that moves nothing",
         [] { SysCalls().write = [](int, const void*, size_t) -> ssize_t { return 0; }; },
         "No space left on device"},
        {"sync fails", [] { SysCalls().fsync = [](int) { return errno = EIO, -1; }; }, "Input/output error"},
        {"rename fails",
         [] { SysCalls().rename = [](const char*, const char*) { return errno = EXDEV, -1; }; },
         "Invalid cross-device link"},
    };
    for (const Fault& fault : faults) {
        dir.WriteFile("registry.reg", old);
        CRegistryHive hive = NewHive();
        hive.SetString("K", "long", std::string(5000, 'x'));
        std::string error;
        {
            ScopedSysCalls scoped;
            fault.install();
            EXPECT_FALSE(hive.Flush(error)) << fault.what;
        }
        EXPECT_NE(error.find(fault.reason), std::string::npos) << fault.what << ": " << error;
        EXPECT_NE(error.find(dir.Path()), std::string::npos) << error;
        EXPECT_EQ(test::ReadFile(FilePath()), old) << fault.what;
        EXPECT_EQ(FolderEntries(dir.Path()), (std::vector<std::string>{"registry.reg", "settings.lock"}))
            << fault.what;
        // The change is still pending and goes out once writing works again.
        EXPECT_TRUE(hive.IsModified());
        ASSERT_TRUE(hive.Flush(error)) << error;
        EXPECT_NE(test::ReadFile(FilePath()).find(std::string(5000, 'x')), std::string::npos);
    }
}

TEST_F(RegistryHiveTest, ReadOnlyFolderForOrdinaryUsers) {
    if (::geteuid() == 0) GTEST_SKIP() << "permissions do not bind root";
    dir.WriteFile("registry.reg", "[HKEY_CURRENT_USER\\K]\n\"v\"=dword:00000001\n");
    ASSERT_EQ(::chmod(dir.Path().c_str(), 0555), 0);
    CRegistryHive hive = NewHive();
    hive.SetDword("K", "v", 2);
    std::string error;
    EXPECT_FALSE(hive.Flush(error));
    EXPECT_NE(error.find("Permission denied"), std::string::npos) << error;
    ::chmod(dir.Path().c_str(), 0755);
    EXPECT_EQ(test::ReadFile(FilePath()), "[HKEY_CURRENT_USER\\K]\n\"v\"=dword:00000001\n");
}

TEST_F(RegistryHiveTest, ALargeKeyKeepsItsOrderAndSpelling) {
    const std::string text = ManyValues(20000);
    dir.WriteFile("registry.reg", text);
    CRegistryHive hive = NewHive();
    EXPECT_TRUE(hive.Serialize() == text);
    EXPECT_EQ(hive.ValueNames("many").size(), 20000u);
    EXPECT_EQ(hive.ValueNames("MANY")[19999], "Text19999");
    uint32_t number = 0;
    std::string value;
    EXPECT_TRUE(hive.GetDword("Many", "NUMBER19998", number));
    EXPECT_EQ(number, 42u);
    EXPECT_TRUE(hive.GetString("Many", "text1", value));
    EXPECT_EQ(value, "value 1");
    EXPECT_FALSE(hive.GetString("Many", "Number0", value));  // a number is no string

    // Another spelling of a name changes the value in its place; a new name
    // goes last; a deleted one leaves the others in order.
    hive.SetString("many", "TEXT1", "changed");
    hive.SetDword("Many", "Added", 7);
    hive.DeleteValue("MANY", "number0");
    std::string error;
    ASSERT_TRUE(hive.Flush(error)) << error;
    std::string expected = text;
    const std::string text1 = "\"Text1\"=\"value 1\"\n", number0 = "\"Number0\"=dword:0000002a\n";
    expected.replace(expected.find(text1), text1.size(), "\"Text1\"=\"changed\"\n");
    expected.erase(expected.find(number0), number0.size());
    expected += "\"Added\"=dword:00000007\n";
    // Compared whole but not printed whole: the text is long.
    const std::string written = test::ReadFile(FilePath());
    EXPECT_TRUE(written == expected) << written.substr(0, 300);

    // A file that names a value twice keeps the first spelling, in its first
    // place, with the last value.
    dir.WriteFile("registry.reg",
                  "[HKEY_CURRENT_USER\\K]\n\"Name\"=dword:1\n\"Other\"=dword:2\n\"NAME\"=\"last\"\n");
    CRegistryHive twice = NewHive();
    EXPECT_EQ(twice.ValueNames("K"), (std::vector<std::string>{"Name", "Other"}));
    EXPECT_TRUE(twice.GetString("K", "name", value));
    EXPECT_EQ(value, "last");
}

// The file is read once: a save reads it again only when another program
// replaced it meanwhile.
TEST_F(RegistryHiveTest, ASaveReadsTheFileAgainOnlyWhenItWasReplaced) {
    const std::string text = ManyValues(20000);
    dir.WriteFile("registry.reg", text);
    CRegistryHive hive = NewHive();
    uint64_t before = BytesRead();
    hive.Load();
    EXPECT_GE(BytesRead() - before, text.size());

    hive.SetDword("Many", "Mine", 1);
    std::string error;
    before = BytesRead();
    ASSERT_TRUE(hive.Flush(error)) << error;
    EXPECT_LT(BytesRead() - before, text.size() / 10);  // written, not read
    hive.SetDword("Many", "Mine", 2);
    before = BytesRead();
    ASSERT_TRUE(hive.Flush(error)) << error;  // what it wrote itself is not read again either
    EXPECT_LT(BytesRead() - before, text.size() / 10);

    CRegistryHive other = NewHive();
    other.SetDword("Many", "Theirs", 3);
    ASSERT_TRUE(other.Flush(error)) << error;
    hive.SetDword("Many", "Mine", 4);
    before = BytesRead();
    ASSERT_TRUE(hive.Flush(error)) << error;
    EXPECT_GE(BytesRead() - before, text.size());
    CRegistryHive reader = NewHive();
    uint32_t value = 0;
    EXPECT_TRUE(reader.GetDword("Many", "Theirs", value));
    EXPECT_EQ(value, 3u);
    EXPECT_TRUE(reader.GetDword("Many", "Mine", value));
    EXPECT_EQ(value, 4u);
}

TEST_F(RegistryHiveTest, ANewFileIsPrivateAndAnOldFileKeepsItsPermissions) {
    CRegistryHive hive = NewHive();
    hive.SetDword("K", "v", 1);
    std::string error;
    ASSERT_TRUE(hive.Flush(error));
    struct stat st;
    ASSERT_EQ(::stat(FilePath().c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);

    ASSERT_EQ(::chmod(FilePath().c_str(), 0640), 0);
    hive.SetDword("K", "v", 2);
    ASSERT_TRUE(hive.Flush(error));
    ASSERT_EQ(::stat(FilePath().c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
}

TEST_F(RegistryHiveTest, TwoWritersKeepEachOthersValues) {
    CRegistryHive first = NewHive();
    CRegistryHive second = NewHive();
    first.SetDword("K", "first", 1);
    second.SetDword("K", "second", 2);
    second.SetDword("Other", "x", 3);
    std::string error;
    ASSERT_TRUE(first.Flush(error));
    ASSERT_TRUE(second.Flush(error));  // reads what first wrote, then adds its own
    CRegistryHive reader = NewHive();
    uint32_t value = 0;
    EXPECT_TRUE(reader.GetDword("K", "first", value));
    EXPECT_TRUE(reader.GetDword("K", "second", value));
    EXPECT_TRUE(reader.GetDword("Other", "x", value));

    // A deletion is a change like any other.
    first.DeleteKey("Other");
    ASSERT_TRUE(first.Flush(error));
    CRegistryHive again = NewHive();
    EXPECT_FALSE(again.KeyExists("Other"));
    EXPECT_TRUE(again.GetDword("K", "second", value));
}

TEST_F(RegistryHiveTest, ConcurrentWritersNeverTearTheFile) {
    std::atomic<bool> done{false};
    std::atomic<int> torn{0};
    std::thread reader([&] {
        while (!done) {
            CRegistryHive hive = NewHive();
            hive.Load();
            if (!hive.LoadWarning().empty()) ++torn;
        }
    });
    std::vector<std::thread> writers;
    for (int w = 0; w < 2; ++w) {
        writers.emplace_back([&, w] {
            for (int i = 0; i < 40; ++i) {
                CRegistryHive hive = NewHive();
                hive.SetString("K" + std::to_string(w), "v" + std::to_string(i),
                               std::string(3000, char('a' + w)));
                std::string error;
                EXPECT_TRUE(hive.Flush(error)) << error;
            }
        });
    }
    for (std::thread& t : writers) t.join();
    done = true;
    reader.join();
    EXPECT_EQ(torn.load(), 0);
    CRegistryHive hive = NewHive();
    EXPECT_EQ(hive.ValueNames("K0").size(), 40u);
    EXPECT_EQ(hive.ValueNames("K1").size(), 40u);
    EXPECT_EQ(FolderEntries(dir.Path()), (std::vector<std::string>{"registry.reg", "settings.lock"}));
}

TEST(ConfigFolderTest, FromTheEnvironment) {
    {
        test::ScopedEnv config("CORVATINE_CONFIG_DIR", "/cfg/here");
        EXPECT_EQ(ConfigFolder(), "/cfg/here");
    }
    test::ScopedEnv config("CORVATINE_CONFIG_DIR", "");
    {
        test::ScopedEnv xdg("XDG_CONFIG_HOME", "/xdg");
        EXPECT_EQ(ConfigFolder(), "/xdg/corvatine");
    }
    test::ScopedEnv xdg("XDG_CONFIG_HOME", "relative/ignored");
    test::ScopedEnv home("HOME", "/home/u");
    EXPECT_EQ(ConfigFolder(), "/home/u/.config/corvatine");
}

}  // namespace
}  // namespace corvatine::platform
