// The Thunar module loaded as Thunar loads it: dlopen, initialise on a
// provider plugin, list its types, and ask its menu provider for the menus
// of a selection, a folder background and a right-drag onto a folder.
#include <gio/gio.h>
#include <gtest/gtest.h>
#include <gtk/gtk.h>
// The plugin functions are declared without C linkage there.
extern "C" {
#include <thunarx/thunarx.h>
}

#include "ModuleTestSupport.h"

namespace corvatine::shellext {
namespace {

using test::FakeFileType;
using test::NewFakeFile;

// Thunar's plugin: a type module that also tells whether it stays loaded.
struct TESTPLUGIN {
    GTypeModule parent;
    gboolean resident;
};

GType TestPluginType() {
    static GType type = 0;
    if (type == 0) {
        // The interface's "resident" property, kept in the instance.
        const GClassInitFunc classInit = [](gpointer klass, gpointer) {
            GObjectClass* objectClass = G_OBJECT_CLASS(klass);
            objectClass->get_property = [](GObject* object, guint, GValue* value, GParamSpec*) {
                g_value_set_boolean(value, reinterpret_cast<TESTPLUGIN*>(object)->resident);
            };
            objectClass->set_property = [](GObject* object, guint, const GValue* value, GParamSpec*) {
                reinterpret_cast<TESTPLUGIN*>(object)->resident = g_value_get_boolean(value);
            };
            g_object_class_override_property(objectClass, 1, "resident");
        };
        const GTypeInfo info = {sizeof(GTypeModuleClass), nullptr, nullptr, classInit, nullptr, nullptr,
                                sizeof(TESTPLUGIN),       0,       nullptr, nullptr};
        type = g_type_register_static(test::AlwaysLoadedModuleType(), "CorvashellTestPlugin", &info,
                                      static_cast<GTypeFlags>(0));
        const GInterfaceInfo plugin = {
            [](gpointer iface, gpointer) {
                auto* p = static_cast<ThunarxProviderPluginIface*>(iface);
                p->get_resident = [](const ThunarxProviderPlugin* self) {
                    return reinterpret_cast<const TESTPLUGIN*>(self)->resident;
                };
                p->set_resident = [](ThunarxProviderPlugin* self, gboolean resident) {
                    reinterpret_cast<TESTPLUGIN*>(self)->resident = resident;
                };
                p->register_type = [](ThunarxProviderPlugin* self, GType parent, const gchar* name,
                                      const GTypeInfo* typeInfo, GTypeFlags flags) {
                    return g_type_module_register_type(G_TYPE_MODULE(self), parent, name, typeInfo, flags);
                };
                p->add_interface = [](ThunarxProviderPlugin* self, GType instance, GType interface,
                                      const GInterfaceInfo* interfaceInfo) {
                    g_type_module_add_interface(G_TYPE_MODULE(self), instance, interface, interfaceInfo);
                };
                p->register_enum = [](ThunarxProviderPlugin* self, const gchar* name,
                                      const GEnumValue* values) {
                    return g_type_module_register_enum(G_TYPE_MODULE(self), name, values);
                };
                p->register_flags = [](ThunarxProviderPlugin* self, const gchar* name,
                                       const GFlagsValue* values) {
                    return g_type_module_register_flags(G_TYPE_MODULE(self), name, values);
                };
            },
            nullptr, nullptr};
        g_type_add_interface_static(type, THUNARX_TYPE_PROVIDER_PLUGIN, &plugin);
    }
    return type;
}

GType ThunarFakeFileType() {
    return FakeFileType(THUNARX_TYPE_FILE_INFO, [](gpointer iface, gpointer) {
        static_cast<ThunarxFileInfoIface*>(iface)->get_location = test::FakeLocation<ThunarxFileInfo>;
    });
}

// The provider's menus, asked as Thunar asks them but without a window,
// which needs a display (the module works without one).
ThunarxMenuProviderIface* Menus(ThunarxMenuProvider* provider) {
    return THUNARX_MENU_PROVIDER_GET_IFACE(provider);
}

// The submenu of an item (a new reference), or null.
ThunarxMenu* SubmenuOf(gpointer item) {
    ThunarxMenu* menu = nullptr;
    g_object_get(item, "menu", &menu, nullptr);
    return menu;
}

// The items as lines "LABEL [TOOLTIP]", submenus with their items indented.
std::string Dump(GList* items, int depth = 0) {
    std::string out;
    for (GList* node = items; node != nullptr; node = node->next) {
        char* label = nullptr;
        char* tip = nullptr;
        g_object_get(node->data, "label", &label, "tooltip", &tip, nullptr);
        out.append(static_cast<size_t>(depth) * 2, ' ');
        out += label != nullptr ? label : "";
        if (tip != nullptr) out += std::string(" [") + tip + "]";
        out += '\n';
        if (ThunarxMenu* menu = SubmenuOf(node->data)) {
            GList* children = thunarx_menu_get_items(menu);
            out += Dump(children, depth + 1);
            g_list_free_full(children, g_object_unref);
            g_object_unref(menu);
        }
        g_free(label);
        g_free(tip);
    }
    return out;
}

ThunarxMenuItem* Find(GList* items, const std::string& wanted) {
    for (GList* node = items; node != nullptr; node = node->next) {
        char* label = nullptr;
        g_object_get(node->data, "label", &label, nullptr);
        const bool match = label != nullptr && wanted == label;
        g_free(label);
        if (match) return THUNARX_MENU_ITEM(g_object_ref(node->data));
        if (ThunarxMenu* menu = SubmenuOf(node->data)) {
            GList* children = thunarx_menu_get_items(menu);
            ThunarxMenuItem* found = Find(children, wanted);
            g_list_free_full(children, g_object_unref);
            g_object_unref(menu);
            if (found != nullptr) return found;
        }
    }
    return nullptr;
}

class ThunarModuleTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        void* handle = ::dlopen(CORVASHELL_THUNAR_MODULE, RTLD_NOW | RTLD_LOCAL);
        ASSERT_NE(handle, nullptr) << ::dlerror();
        auto initialize = reinterpret_cast<void (*)(ThunarxProviderPlugin*)>(
            ::dlsym(handle, "thunar_extension_initialize"));
        auto listTypes =
            reinterpret_cast<void (*)(const GType**, gint*)>(::dlsym(handle, "thunar_extension_list_types"));
        ASSERT_NE(initialize, nullptr);
        ASSERT_NE(listTypes, nullptr);
        ASSERT_NE(::dlsym(handle, "thunar_extension_shutdown"), nullptr);
        plugin = G_OBJECT(g_object_new(TestPluginType(), nullptr));
        ASSERT_TRUE(g_type_module_use(G_TYPE_MODULE(plugin)));
        initialize(THUNARX_PROVIDER_PLUGIN(plugin));
        const GType* types = nullptr;
        gint count = 0;
        listTypes(&types, &count);
        ASSERT_EQ(count, 1);
        providerType = types[0];
    }

    void SetUp() override {
        ASSERT_NE(providerType, 0u);
        provider = THUNARX_MENU_PROVIDER(g_object_new(providerType, nullptr));
        argvFile = test::WriteRecordingProgram(install);
        fileA = work.WriteFile("a_file.txt", "a");
        fileB = work.WriteFile("b.txt", "b");
        folder = work.MakeFolder("folder");
        Settings(1, 0);
    }
    void TearDown() override { g_object_unref(provider); }

    void Settings(int cascaded, int background) {
        test::WriteModuleSettings(install.Path(), cascaded, background);
    }

    GList* Files(const std::vector<std::string>& paths) {
        GList* files = nullptr;
        for (const std::string& path : paths)
            files = g_list_append(files, NewFakeFile(ThunarFakeFileType(), path));
        return files;
    }

    static inline GObject* plugin = nullptr;
    static inline GType providerType = 0;
    ThunarxMenuProvider* provider = nullptr;
    corvatine::test::TempDir install, work, runtime;
    // The first item is kept in the runtime folder: a test's own.
    corvatine::test::ScopedEnv runtimeFolder{"XDG_RUNTIME_DIR", runtime.Path()};
    std::string argvFile, fileA, fileB, folder;
};

TEST_F(ThunarModuleTest, TheProviderIsAMenuProviderOfAResidentModule) {
    EXPECT_TRUE(g_type_is_a(providerType, THUNARX_TYPE_MENU_PROVIDER));
    EXPECT_STREQ(g_type_name(providerType), "CorvashellThunarProvider");
    EXPECT_TRUE(thunarx_provider_plugin_get_resident(THUNARX_PROVIDER_PLUGIN(plugin)));
}

TEST_F(ThunarModuleTest, SelectionMenuWithMnemonicsAndCompareStartsTheProgram) {
    GList* files = Files({fileA, fileB});
    GList* items = Menus(provider)->get_file_menu_items(provider, nullptr, files);
    g_list_free_full(files, g_object_unref);
    EXPECT_EQ(Dump(items),
              "_Corvatine\n"
              "  _Compare [Compare selected files or folders using Corvatine]\n"
              "  Compare _As\n"
              "    _Text [Compare selected files as text using Corvatine]\n"
              "    _Binary [Compare selected files as binary using Corvatine]\n");
    ThunarxMenuItem* compare = Find(items, "_Compare");
    ASSERT_NE(compare, nullptr);
    g_list_free_full(items, g_object_unref);
    thunarx_menu_item_activate(compare);
    g_object_unref(compare);
    EXPECT_EQ(test::RecordedArguments(argvFile), (std::vector<std::string>{"-c", fileA, fileB}));
}

TEST_F(ThunarModuleTest, AProgramThatDoesNotStartIsToldInANotification) {
    test::CNotificationServer server;
    if (!server.Up()) GTEST_SKIP() << "no dbus-daemon for a session bus of the test's own";
    corvatine::test::TempDir empty;
    test::WriteModuleSettings(empty.Path(), 1, 0);
    GList* files = Files({fileA, fileB});
    GList* items = Menus(provider)->get_file_menu_items(provider, nullptr, files);
    g_list_free_full(files, g_object_unref);
    ThunarxMenuItem* compare = Find(items, "_Compare");
    ASSERT_NE(compare, nullptr);
    g_list_free_full(items, g_object_unref);
    thunarx_menu_item_activate(compare);
    g_object_unref(compare);
    const std::string reason = "cannot start " + (empty / "corvatine") + ": No such file or directory";
    EXPECT_EQ(server.Next(), "Corvatine|corvatine|Corvatine cannot compare|" + reason);
    EXPECT_EQ(server.warnings, (std::vector<std::string>{"Corvatine: " + reason}));
}

TEST_F(ThunarModuleTest, RightDragOneFileOntoAFolder) {
    Settings(0, 0);
    GList* files = Files({fileA});
    GObject* target = NewFakeFile(ThunarFakeFileType(), folder);
    GList* items = Menus(provider)->get_dnd_menu_items(provider, nullptr, THUNARX_FILE_INFO(target), files);
    EXPECT_EQ(Dump(items),
              "Compare\n"
              "Compare As\n"
              "  _Text\n"
              "  _Binary\n");
    ThunarxMenuItem* binary = Find(items, "_Binary");
    ASSERT_NE(binary, nullptr);
    g_list_free_full(items, g_object_unref);
    thunarx_menu_item_activate(binary);
    g_object_unref(binary);
    EXPECT_EQ(test::RecordedArguments(argvFile),
              (std::vector<std::string>{"-c", fileA, folder, "/t:binary"}));

    // Two dragged items: nothing.
    GList* two = Files({fileA, fileB});
    EXPECT_EQ(Menus(provider)->get_dnd_menu_items(provider, nullptr, THUNARX_FILE_INFO(target), two),
              nullptr);
    g_list_free_full(two, g_object_unref);
    g_list_free_full(files, g_object_unref);
    g_object_unref(target);
}

TEST_F(ThunarModuleTest, UnderscoresOfANameAreNoMnemonics) {
    Settings(0, 0);
    GList* files = Files({fileA});
    GList* items = Menus(provider)->get_file_menu_items(provider, nullptr, files);
    g_list_free_full(files, g_object_unref);
    ThunarxMenuItem* select = Find(items, "Select First Item to Compare");
    ASSERT_NE(select, nullptr);
    thunarx_menu_item_activate(select);
    g_object_unref(select);
    g_list_free_full(items, g_object_unref);
    // Kept where every file manager and the next start of Thunar find it.
    EXPECT_EQ(corvatine::test::ReadFile(runtime / "corvatine-shell-items"), fileA + std::string("\0\0", 2));

    files = Files({fileB});
    items = Menus(provider)->get_file_menu_items(provider, nullptr, files);
    g_list_free_full(files, g_object_unref);
    char* label = nullptr;
    ASSERT_NE(items, nullptr);
    g_object_get(items->data, "label", &label, nullptr);
    EXPECT_STREQ(label, "Compare To \"a__file.txt\"");
    g_free(label);
    g_list_free_full(items, g_object_unref);
}

TEST_F(ThunarModuleTest, BackgroundMenuOnlyWhenSwitchedOn) {
    GObject* background = NewFakeFile(ThunarFakeFileType(), folder);
    EXPECT_EQ(Menus(provider)->get_folder_menu_items(provider, nullptr, THUNARX_FILE_INFO(background)),
              nullptr);
    Settings(1, 1);
    GList* items = Menus(provider)->get_folder_menu_items(provider, nullptr, THUNARX_FILE_INFO(background));
    EXPECT_EQ(Dump(items),
              "_Corvatine\n"
              "  _Select First Item to Compare [Select the file or folder as first item to compare using "
              "Corvatine]\n"
              "  Compare _To... [Compare to other file or folder using Corvatine]\n");
    g_list_free_full(items, g_object_unref);
    g_object_unref(background);
}

}  // namespace
}  // namespace corvatine::shellext
