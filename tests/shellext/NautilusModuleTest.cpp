// The Nautilus module loaded as Nautilus loads it: dlopen, initialise on a
// type module, list its types, and ask its menu provider for menus.
#include <gtest/gtest.h>

#include "ModuleTestSupport.h"

extern "C" {
#include <nautilus-extension.h>
}

namespace corvatine::shellext {
namespace {

using test::FakeFileType;
using test::NewFakeFile;

GType NautilusFakeFileType() {
    return FakeFileType(NAUTILUS_TYPE_FILE_INFO, [](gpointer iface, gpointer) {
        static_cast<NautilusFileInfoInterface*>(iface)->get_location = test::FakeLocation<NautilusFileInfo>;
    });
}

// The items as lines "LABEL [TIP]", submenus with their items indented.
std::string Dump(GList* items, int depth = 0) {
    std::string out;
    for (GList* node = items; node != nullptr; node = node->next) {
        char* label = nullptr;
        char* tip = nullptr;
        NautilusMenu* menu = nullptr;
        g_object_get(node->data, "label", &label, "tip", &tip, "menu", &menu, nullptr);
        out.append(static_cast<size_t>(depth) * 2, ' ');
        out += label != nullptr ? label : "";
        if (tip != nullptr) out += std::string(" [") + tip + "]";
        out += '\n';
        if (menu != nullptr) {
            GList* children = nautilus_menu_get_items(menu);
            out += Dump(children, depth + 1);
            nautilus_menu_item_list_free(children);
            g_object_unref(menu);
        }
        g_free(label);
        g_free(tip);
    }
    return out;
}

// The item of a label, searched through the submenus; a new reference.
NautilusMenuItem* Find(GList* items, const std::string& wanted) {
    for (GList* node = items; node != nullptr; node = node->next) {
        char* label = nullptr;
        NautilusMenu* menu = nullptr;
        g_object_get(node->data, "label", &label, "menu", &menu, nullptr);
        const bool match = label != nullptr && wanted == label;
        g_free(label);
        if (match) {
            if (menu != nullptr) g_object_unref(menu);
            return NAUTILUS_MENU_ITEM(g_object_ref(node->data));
        }
        if (menu != nullptr) {
            GList* children = nautilus_menu_get_items(menu);
            NautilusMenuItem* found = Find(children, wanted);
            nautilus_menu_item_list_free(children);
            g_object_unref(menu);
            if (found != nullptr) return found;
        }
    }
    return nullptr;
}

class NautilusModuleTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        handle = ::dlopen(CORVASHELL_NAUTILUS_MODULE, RTLD_NOW | RTLD_LOCAL);
        ASSERT_NE(handle, nullptr) << ::dlerror();
        auto initialize =
            reinterpret_cast<void (*)(GTypeModule*)>(::dlsym(handle, "nautilus_module_initialize"));
        auto listTypes =
            reinterpret_cast<void (*)(const GType**, int*)>(::dlsym(handle, "nautilus_module_list_types"));
        ASSERT_NE(initialize, nullptr);
        ASSERT_NE(listTypes, nullptr);
        ASSERT_NE(::dlsym(handle, "nautilus_module_shutdown"), nullptr);
        auto* module = G_TYPE_MODULE(g_object_new(test::AlwaysLoadedModuleType(), nullptr));
        ASSERT_TRUE(g_type_module_use(module));
        initialize(module);
        const GType* types = nullptr;
        int count = 0;
        listTypes(&types, &count);
        ASSERT_EQ(count, 1);
        providerType = types[0];
    }

    void SetUp() override {
        ASSERT_NE(providerType, 0u);
        provider = NAUTILUS_MENU_PROVIDER(g_object_new(providerType, nullptr));
        argvFile = test::WriteRecordingProgram(install);
        fileA = work.WriteFile("a file.txt", "a");
        fileB = work.WriteFile("b.txt", "b");
        folder = work.MakeFolder("folder");
        Settings(1, 0);
    }
    void TearDown() override { g_object_unref(provider); }

    void Settings(int cascaded, int background) {
        test::WriteModuleSettings(install.Path(), cascaded, background);
    }

    GList* FileItems(const std::vector<std::string>& paths) {
        GList* files = nullptr;
        for (const std::string& path : paths)
            files = g_list_append(files, NewFakeFile(NautilusFakeFileType(), path));
        GList* items = nautilus_menu_provider_get_file_items(provider, files);
        g_list_free_full(files, g_object_unref);
        return items;
    }

    static inline void* handle = nullptr;
    static inline GType providerType = 0;
    NautilusMenuProvider* provider = nullptr;
    corvatine::test::TempDir install, work, runtime;
    // The first item is kept in the runtime folder: a test's own.
    corvatine::test::ScopedEnv runtimeFolder{"XDG_RUNTIME_DIR", runtime.Path()};
    std::string argvFile, fileA, fileB, folder;
};

TEST_F(NautilusModuleTest, TheProviderIsAMenuProvider) {
    EXPECT_TRUE(g_type_is_a(providerType, NAUTILUS_TYPE_MENU_PROVIDER));
    EXPECT_STREQ(g_type_name(providerType), "CorvashellNautilusProvider");
}

TEST_F(NautilusModuleTest, TwoFilesGiveTheCascadedMenuAndCompareStartsTheProgram) {
    GList* items = FileItems({fileA, fileB});
    EXPECT_EQ(Dump(items),
              "Corvatine\n"
              "  Compare [Compare selected files or folders using Corvatine]\n"
              "  Compare As\n"
              "    Text [Compare selected files as text using Corvatine]\n"
              "    Binary [Compare selected files as binary using Corvatine]\n");
    NautilusMenuItem* text = Find(items, "Text");
    ASSERT_NE(text, nullptr);
    nautilus_menu_item_list_free(items);  // the item keeps what it needs
    nautilus_menu_item_activate(text);
    g_object_unref(text);
    EXPECT_EQ(test::RecordedArguments(argvFile), (std::vector<std::string>{"-c", fileA, fileB, "/t:text"}));
}

TEST_F(NautilusModuleTest, FlatMenuAndTheFirstItemAcrossMenus) {
    Settings(0, 0);
    GList* items = FileItems({fileA});
    EXPECT_EQ(Dump(items),
              "Select First Item to Compare [Select the file or folder as first item to compare using "
              "Corvatine]\n"
              "Compare To... [Compare to other file or folder using Corvatine]\n");
    NautilusMenuItem* select = Find(items, "Select First Item to Compare");
    ASSERT_NE(select, nullptr);
    nautilus_menu_item_activate(select);
    g_object_unref(select);
    nautilus_menu_item_list_free(items);

    items = FileItems({fileB});
    EXPECT_EQ(Dump(items),
              "Compare To \"a file.txt\" [Compare to \"" + fileA +
                  "\" using Corvatine]\n"
                  "Compare To \"a file.txt\" As\n"
                  "  Text [Compare selected files as text using Corvatine]\n"
                  "  Binary [Compare selected files as binary using Corvatine]\n"
                  "Select First Item to Compare [Select the file or folder as first item to compare using "
                  "Corvatine]\n"
                  "Compare To... [Compare to other file or folder using Corvatine]\n");
    NautilusMenuItem* compare = Find(items, "Compare To \"a file.txt\"");
    ASSERT_NE(compare, nullptr);
    nautilus_menu_item_activate(compare);
    g_object_unref(compare);
    nautilus_menu_item_list_free(items);
    EXPECT_EQ(test::RecordedArguments(argvFile), (std::vector<std::string>{"-c", fileA, fileB}));
}

TEST_F(NautilusModuleTest, TheFirstItemIsKeptInTheRuntimeFileSharedWithOtherProcesses) {
    GList* items = FileItems({fileA});
    NautilusMenuItem* select = Find(items, "Select First Item to Compare");
    ASSERT_NE(select, nullptr);
    nautilus_menu_item_activate(select);
    g_object_unref(select);
    nautilus_menu_item_list_free(items);
    EXPECT_EQ(corvatine::test::ReadFile(runtime / "corvatine-shell-items"), fileA + std::string("\0\0", 2));

    // Another file manager (or this one after a restart) chose b.txt: the
    // next menu reads it from the file.
    runtime.WriteFile("corvatine-shell-items", fileB + std::string("\0\0", 2));
    const auto offered = [&](const std::string& path) {
        GList* menu = FileItems({path});
        NautilusMenuItem* found = Find(menu, "Compare To \"b.txt\"");
        if (found != nullptr) g_object_unref(found);
        nautilus_menu_item_list_free(menu);
        return found != nullptr;
    };
    EXPECT_TRUE(offered(fileA));
    // Not offered on the first item itself.
    EXPECT_FALSE(offered(fileB));
}

TEST_F(NautilusModuleTest, CompareToStartsTheProgramToAskWithNoDialogProgram) {
    // A zenity and a kdialog on PATH leave a mark if anything runs them.
    corvatine::test::TempDir bin;
    for (const char* name : {"zenity", "kdialog"}) {
        const std::string decoy = bin.WriteFile(name, "#!/bin/sh\n: > \"$0.ran\"\n");
        ASSERT_EQ(::chmod(decoy.c_str(), 0755), 0);
    }
    corvatine::test::ScopedEnv path("PATH", bin.Path() + ":/usr/bin:/bin");
    for (const std::string& item : {fileA, folder}) {
        ::unlink(argvFile.c_str());
        GList* items = FileItems({item});
        NautilusMenuItem* compareTo = Find(items, "Compare To...");
        ASSERT_NE(compareTo, nullptr);
        nautilus_menu_item_list_free(items);
        nautilus_menu_item_activate(compareTo);
        g_object_unref(compareTo);
        EXPECT_EQ(test::RecordedArguments(argvFile), (std::vector<std::string>{"--compare-to-chosen", item}));
    }
    struct stat status;
    EXPECT_NE(::stat((bin / "zenity.ran").c_str(), &status), 0);
    EXPECT_NE(::stat((bin / "kdialog.ran").c_str(), &status), 0);
}

TEST_F(NautilusModuleTest, AProgramThatDoesNotStartIsToldInANotification) {
    test::CNotificationServer server;
    if (!server.Up()) GTEST_SKIP() << "no dbus-daemon for a session bus of the test's own";
    // InstallDir names a folder without the program.
    corvatine::test::TempDir empty;
    test::WriteModuleSettings(empty.Path(), 1, 0);
    GList* items = FileItems({fileA});
    NautilusMenuItem* compareTo = Find(items, "Compare To...");
    ASSERT_NE(compareTo, nullptr);
    nautilus_menu_item_list_free(items);
    nautilus_menu_item_activate(compareTo);
    const std::string reason = "cannot start " + (empty / "corvatine") + ": No such file or directory";
    EXPECT_EQ(server.Next(), "Corvatine|corvatine|Corvatine cannot compare|" + reason);
    EXPECT_EQ(server.warnings, (std::vector<std::string>{"Corvatine: " + reason}));

    // No InstallDir at all.
    test::WriteModuleSettings("", 1, 0);
    nautilus_menu_item_activate(compareTo);
    g_object_unref(compareTo);
    EXPECT_EQ(server.Next(),
              "Corvatine|corvatine|Corvatine cannot compare|the program is not found: the settings hold no "
              "InstallDir (running corvatine once records it)");
}

TEST_F(NautilusModuleTest, NothingForAFileAndAFolderOrOnTheBackgroundByDefault) {
    EXPECT_EQ(FileItems({fileA, folder}), nullptr);
    GObject* background = NewFakeFile(NautilusFakeFileType(), folder);
    EXPECT_EQ(nautilus_menu_provider_get_background_items(provider, NAUTILUS_FILE_INFO(background)), nullptr);
    Settings(1, 1);
    GList* items = nautilus_menu_provider_get_background_items(provider, NAUTILUS_FILE_INFO(background));
    EXPECT_EQ(Dump(items),
              "Corvatine\n"
              "  Select First Item to Compare [Select the file or folder as first item to compare using "
              "Corvatine]\n"
              "  Compare To... [Compare to other file or folder using Corvatine]\n");
    nautilus_menu_item_list_free(items);
    g_object_unref(background);
}

}  // namespace
}  // namespace corvatine::shellext
