#include "integration/ShellIntegration.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <memory>

#include "platform/Profile.h"
#include "support/TestSupport.h"

namespace corvatine {
namespace {

using corvatine::test::ReadFile;
using corvatine::test::TempDir;

class ShellIntegrationTest : public ::testing::Test {
protected:
    void SetUp() override {
        classesPath = config / "classes.reg";
        library = install.WriteFile("libcorvashell.so", "not really a library");
        Reopen();
        places.installDir = install.Path();
        places.dataHome = data.Path();
        places.nautilusFolder = modules.MakeFolder("nautilus");
        places.thunarFolder = modules.MakeFolder("thunar");
    }

    // The classes hive as a fresh reader sees the file.
    std::string Written() {
        platform::CRegistryHive reader(classesPath, "HKEY_CLASSES_ROOT");
        return reader.Serialize();
    }

    TempDir config, install, data, modules;
    std::string classesPath, library;
    std::unique_ptr<platform::CRegistryHive> hive;
    SHELLPLACES places;

    // A fresh hive on the file, as another run of the program reads it.
    void Reopen() {
        hive = std::make_unique<platform::CRegistryHive>(classesPath, "HKEY_CLASSES_ROOT");
        places.classes = hive.get();
    }
};

TEST_F(ShellIntegrationTest, RegisterWritesTheWholeScriptAndUnregisterRemovesTheHandlers) {
    Reopen();
    EXPECT_EQ(GetShellExtensionState(*hive), 0);
    std::vector<std::string> notes;
    ASSERT_TRUE(RegisterShellExtension(places, &notes));
    EXPECT_EQ(GetShellExtensionState(*hive), 2);
    const std::string clsid = "{6F1B8A3E-4C2D-4E57-9A0B-3D5C7E21F4A8}";
    const std::string typelib = "{B2E4D6F8-1A3C-4B5D-8E7F-90A1B2C3D4E5}";
    const std::string root = "[HKEY_CLASSES_ROOT\\";
    EXPECT_EQ(Written(),
              "Windows Registry Editor Version 5.00\n"
              "\n" +
                  root + "*\\ShellEx\\ContextMenuHandlers\\Corvatine]\n@=\"" + clsid +
                  "\"\n"
                  "\n" +
                  root + "CLSID\\" + clsid +
                  "]\n@=\"CorvashellContextMenu Class\"\n"
                  "\n" +
                  root + "CLSID\\" + clsid + "\\InprocServer32]\n@=\"" + library +
                  "\"\n\"ThreadingModel\"=\"Apartment\"\n"
                  "\n" +
                  root + "CLSID\\" + clsid +
                  "\\ProgID]\n@=\"Corvatine.ShellContextMenu.1\"\n"
                  "\n" +
                  root + "CLSID\\" + clsid +
                  "\\Programmable]\n@=\"\"\n"
                  "\n" +
                  root + "CLSID\\" + clsid + "\\TypeLib]\n@=\"" + typelib +
                  "\"\n"
                  "\n" +
                  root + "CLSID\\" + clsid +
                  "\\VersionIndependentProgID]\n@=\"Corvatine.ShellContextMenu\"\n"
                  "\n" +
                  root +
                  "Corvatine.ShellContextMenu]\n@=\"CorvashellContextMenu Class\"\n"
                  "\n" +
                  root +
                  "Corvatine.ShellContextMenu.1]\n@=\"CorvashellContextMenu Class\"\n"
                  "\n" +
                  root + "Corvatine.ShellContextMenu.1\\CLSID]\n@=\"" + clsid +
                  "\"\n"
                  "\n" +
                  root + "Corvatine.ShellContextMenu\\CLSID]\n@=\"" + clsid +
                  "\"\n"
                  "\n" +
                  root +
                  "Corvatine.ShellContextMenu\\CurVer]\n@=\"Corvatine.ShellContextMenu.1\"\n"
                  "\n" +
                  root + "Directory\\Background\\ShellEx\\ContextMenuHandlers\\Corvatine]\n@=\"" + clsid +
                  "\"\n"
                  "\n" +
                  root + "Folder\\ShellEx\\ContextMenuHandlers\\Corvatine]\n@=\"" + clsid +
                  "\"\n"
                  "\n" +
                  root + "Folder\\ShellEx\\DragDropHandlers\\Corvatine]\n@=\"" + clsid +
                  "\"\n"
                  "\n" +
                  root + "TypeLib\\" + typelib +
                  "\\1.0]\n@=\"Corvashell 1.0 Type Library\"\n"
                  "\n" +
                  root + "TypeLib\\" + typelib + "\\1.0\\0\\win32]\n@=\"" + library +
                  "\"\n"
                  "\n" +
                  root + "TypeLib\\" + typelib +
                  "\\1.0\\FLAGS]\n@=\"0\"\n"
                  "\n" +
                  root + "TypeLib\\" + typelib + "\\1.0\\HELPDIR]\n@=\"" + install.Path() + "\"\n");

    Reopen();
    EXPECT_EQ(GetShellExtensionState(*hive), 2);
    ASSERT_TRUE(UnregisterShellExtension(places, &notes));
    EXPECT_EQ(GetShellExtensionState(*hive), 0);
    // The class registration and the background handler stay.
    Reopen();
    EXPECT_EQ(GetShellExtensionState(*hive), 0);
    std::string value;
    EXPECT_TRUE(hive->GetString("CLSID\\" + clsid + "\\InprocServer32", "", value));
    EXPECT_EQ(value, library);
    EXPECT_TRUE(hive->GetString("Directory\\Background\\ShellEx\\ContextMenuHandlers\\Corvatine", "", value));
    EXPECT_TRUE(hive->KeyExists("Corvatine.ShellContextMenu.1"));
    EXPECT_FALSE(hive->KeyExists("*\\ShellEx\\ContextMenuHandlers\\Corvatine"));
    // The keys are gone: deleting them again fails.
    EXPECT_FALSE(UnregisterShellExtension(places, &notes));
}

TEST_F(ShellIntegrationTest, OneHandlerKeyIsPartlyInstalled) {
    Reopen();
    hive->SetString("Folder\\ShellEx\\DragDropHandlers\\Corvatine", "", kCorvashellClassId);
    EXPECT_EQ(GetShellExtensionState(*hive), 1);
    hive->SetString("*\\ShellEx\\ContextMenuHandlers\\Corvatine", "", kCorvashellClassId);
    EXPECT_EQ(GetShellExtensionState(*hive), 1);
    hive->SetString("Folder\\ShellEx\\ContextMenuHandlers\\Corvatine", "", kCorvashellClassId);
    EXPECT_EQ(GetShellExtensionState(*hive), 2);
    // The background handler alone does not count.
    hive->DeleteKey("Folder");
    hive->DeleteKey("*");
    hive->SetString("Directory\\Background\\ShellEx\\ContextMenuHandlers\\Corvatine", "", kCorvashellClassId);
    EXPECT_EQ(GetShellExtensionState(*hive), 0);
    // Unregistering a partly installed extension deletes what is there.
    hive->SetString("Folder\\ShellEx\\ContextMenuHandlers\\Corvatine", "", kCorvashellClassId);
    EXPECT_FALSE(UnregisterShellExtension(places, nullptr));
    EXPECT_EQ(GetShellExtensionState(*hive), 0);
}

TEST_F(ShellIntegrationTest, MissingLibraryChangesNothing) {
    ASSERT_EQ(std::remove(library.c_str()), 0);
    Reopen();
    std::vector<std::string> notes;
    EXPECT_FALSE(RegisterShellExtension(places, &notes));
    EXPECT_TRUE(notes.empty());
    EXPECT_EQ(GetShellExtensionState(*hive), 0);
    struct stat status;
    EXPECT_NE(::stat(classesPath.c_str(), &status), 0);
    EXPECT_NE(::stat((data / "kio").c_str(), &status), 0);
    EXPECT_NE(::stat((data / "nemo").c_str(), &status), 0);
}

TEST_F(ShellIntegrationTest, MenuFilesOfDolphinAndNemoComeAndGo) {
    Reopen();
    std::vector<std::string> notes;
    ASSERT_TRUE(RegisterShellExtension(places, &notes));
    const std::string dolphin = data / "kio/servicemenus/corvatine-compare-one.desktop";
    const std::string nemo = data / "nemo/actions/corvatine-compare.nemo_action";
    struct stat status;
    ASSERT_EQ(::stat(dolphin.c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 07777, 0755u);  // Dolphin runs only executable service menus
    EXPECT_NE(ReadFile(dolphin).find("Exec=" + install.Path() + "/corvatine --shell-menu=1 -- %F\n"),
              std::string::npos);
    ASSERT_EQ(::stat((data / "kio/servicemenus/corvatine-compare-two.desktop").c_str(), &status), 0);
    ASSERT_EQ(::stat(nemo.c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 07777, 0644u);
    EXPECT_NE(ReadFile(nemo).find("Exec=" + install.Path() + "/corvatine --shell-menu=4 -- %F\n"),
              std::string::npos);
    // A file of the user's own beside them stays.
    const std::string own = data.WriteFile("nemo/actions/mine.nemo_action", "[Nemo Action]\n");

    ASSERT_TRUE(UnregisterShellExtension(places, &notes));
    EXPECT_NE(::stat(dolphin.c_str(), &status), 0);
    EXPECT_NE(::stat(nemo.c_str(), &status), 0);
    EXPECT_EQ(ReadFile(own), "[Nemo Action]\n");
}

TEST_F(ShellIntegrationTest, NotesTellWhereTheModulesAre) {
    Reopen();
    const std::string nautilusModule = modules.WriteFile("nautilus/libcorvashell-nautilus.so", "module");
    std::vector<std::string> notes;
    ASSERT_TRUE(RegisterShellExtension(places, &notes));
    EXPECT_EQ(notes, (std::vector<std::string>{
                         "Dolphin: the service menus are in " + data.Path() + "/kio/servicemenus",
                         "Nemo: the actions are in " + data.Path() + "/nemo/actions",
                         "Nautilus: the module is installed as " + nautilusModule +
                             "; Nautilus loads it from there at its next start",
                         "Thunar: the module is not installed in " + places.thunarFolder +
                             "; Thunar loads modules only from there, not from the home folder, so it comes "
                             "with the system package",
                     }));
}

TEST_F(ShellIntegrationTest, FailureToWriteTheHiveIsTold) {
    // The hive's folder is a file: nothing can be written there.
    const std::string blocked = config.WriteFile("blocked", "");
    platform::CRegistryHive unwritable(blocked + "/hive->reg", "HKEY_CLASSES_ROOT");
    places.classes = &unwritable;
    std::vector<std::string> notes;
    EXPECT_FALSE(RegisterShellExtension(places, &notes));
    ASSERT_EQ(notes.size(), 1u);
    EXPECT_EQ(notes[0].rfind("cannot register the shell extension: ", 0), 0u) << notes[0];
    struct stat status;
    EXPECT_NE(::stat((data / "kio").c_str(), &status), 0);
}

TEST(ShellIntegrationDefaultsTest, TheProgramsOwnHiveInstallDirAndDataFolder) {
    // The test program's configuration folder is a fresh one; InstallDir and
    // the data folder are pointed at temporary folders.
    TempDir install, data;
    install.WriteFile("libcorvashell.so", "x");
    platform::AppProfile().WriteString("", "InstallDir", install.Path());
    corvatine::test::ScopedEnv dataHome("XDG_DATA_HOME", data.Path());
    EXPECT_EQ(GetShellExtensionState(), 0);
    ASSERT_TRUE(RegisterShellExtension());
    EXPECT_EQ(GetShellExtensionState(), 2);
    const std::string written = ReadFile(platform::ConfigFolder() + "/classes.reg");
    EXPECT_NE(written.find("\\InprocServer32]\n@=\"" + install.Path() + "/libcorvashell.so\"\n"),
              std::string::npos)
        << written;
    struct stat status;
    EXPECT_EQ(::stat((data / "nemo/actions/corvatine-compare.nemo_action").c_str(), &status), 0);
    ASSERT_TRUE(UnregisterShellExtension());
    EXPECT_EQ(GetShellExtensionState(), 0);
    EXPECT_NE(::stat((data / "nemo/actions/corvatine-compare.nemo_action").c_str(), &status), 0);
    EXPECT_FALSE(UnregisterShellExtension());
}

TEST(ShellLibraryTest, FoundBesideTheProgramOrInTheLibraryFolder) {
    TempDir prefix;
    const std::string bin = prefix.MakeFolder("bin");
    EXPECT_EQ(FindShellExtensionLibrary(bin), "");
    EXPECT_EQ(FindShellExtensionLibrary(""), "");
    const std::string installed = prefix.WriteFile(std::string(CORVATINE_LIBDIR) + "/libcorvashell.so", "x");
    EXPECT_EQ(FindShellExtensionLibrary(bin), installed);
    const std::string beside = prefix.WriteFile("bin/libcorvashell.so", "x");
    EXPECT_EQ(FindShellExtensionLibrary(bin), beside);
    // A folder of that name is no library.
    TempDir other;
    other.MakeFolder("libcorvashell.so");
    EXPECT_EQ(FindShellExtensionLibrary(other.Path()), "");
}

TEST(ShellLibraryTest, FoundByItsSonameAsThePackageInstallsIt) {
    // The package ships libcorvashell.so.0 -> .so.0.1.0, and no .so link.
    TempDir prefix;
    const std::string bin = prefix.MakeFolder("bin");
    const std::string folder = prefix.MakeFolder(CORVATINE_LIBDIR);
    prefix.WriteFile(std::string(CORVATINE_LIBDIR) + "/libcorvashell.so.0.1.0", "x");
    ASSERT_EQ(::symlink("libcorvashell.so.0.1.0", (folder + "/libcorvashell.so.0").c_str()), 0);
    EXPECT_EQ(FindShellExtensionLibrary(bin), folder + "/libcorvashell.so.0");
    TempDir other;
    other.MakeFolder("libcorvashell.so");
    EXPECT_EQ(FindShellExtensionLibrary(other.Path()), "");
}

}  // namespace
}  // namespace corvatine
