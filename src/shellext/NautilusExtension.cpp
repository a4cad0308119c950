// The Nautilus module: a NautilusMenuProvider that shows Corvashell's menu
// for the selected files and, when Background is on, for the background of
// a folder. Nautilus 43 draws its menus with GTK 4, which this module does
// not link: "Compare To..." starts the program, which asks with a chooser of
// its own (corvatine --compare-to-chosen ITEM).
#include <gio/gio.h>
#include <glib-object.h>
// The module entry points are declared without C linkage there.
extern "C" {
#include <nautilus-extension.h>
}

#include "shellext/GioAdapter.h"

namespace corvatine::shellext {

namespace {

GType g_providerType = 0;

std::string FilePath(NautilusFileInfo* file) {
    GFile* location = nautilus_file_info_get_location(file);
    std::string path = LocalPath(location);
    if (location != nullptr) g_object_unref(location);
    return path;
}

void OnActivate(NautilusMenuItem* item, gpointer) { ActivateItem(G_OBJECT(item)); }

// The tree's nodes as Nautilus items; accelerators have no place there.
GList* ToItems(const std::vector<MENUNODE>& nodes, const std::shared_ptr<CMenuSession>& session,
               int& submenus) {
    GList* items = nullptr;
    for (const MENUNODE& node : nodes) {
        const std::string label = StripAccelerator(node.text);
        const char* icon = node.icon.empty() ? nullptr : node.icon.c_str();
        if (node.submenu) {
            const std::string name = "Corvashell::Submenu::" + std::to_string(submenus++);
            NautilusMenuItem* item = nautilus_menu_item_new(name.c_str(), label.c_str(), nullptr, icon);
            NautilusMenu* menu = nautilus_menu_new();
            GList* children = ToItems(node.children, session, submenus);
            for (GList* child = children; child != nullptr; child = child->next)
                nautilus_menu_append_item(menu, NAUTILUS_MENU_ITEM(child->data));
            g_list_free(children);
            nautilus_menu_item_set_submenu(item, menu);  // takes the menu
            items = g_list_append(items, item);
            continue;
        }
        char help[1024] = "";
        (void)session->menu.GetCommandString(node.id, GCS_HELPTEXTA, help, sizeof help);
        const std::string name = ItemName("Nautilus", node.id);
        NautilusMenuItem* item =
            nautilus_menu_item_new(name.c_str(), label.c_str(), help[0] != '\0' ? help : nullptr, icon);
        AttachSession(G_OBJECT(item), session, node.id);
        g_signal_connect(item, "activate", G_CALLBACK(OnActivate), nullptr);
        items = g_list_append(items, item);
    }
    return items;
}

GList* MenuFor(const std::string& folder, const std::vector<std::string>& paths) {
    CMenuTree tree;
    const std::shared_ptr<CMenuSession> session = BuildMenu(folder, paths, tree);
    if (!session) return nullptr;
    int submenus = 0;
    return ToItems(tree.Items(), session, submenus);
}

GList* GetFileItems(NautilusMenuProvider*, GList* files) {
    std::vector<std::string> paths;
    for (GList* file = files; file != nullptr; file = file->next) {
        std::string path = FilePath(NAUTILUS_FILE_INFO(file->data));
        if (path.empty()) return nullptr;  // not in the local file system
        paths.push_back(std::move(path));
    }
    return MenuFor({}, paths);
}

GList* GetBackgroundItems(NautilusMenuProvider*, NautilusFileInfo* folder) {
    const std::string path = FilePath(folder);
    if (path.empty()) return nullptr;
    return MenuFor(path, {});
}

void InitMenuProvider(gpointer iface, gpointer) {
    auto* provider = static_cast<NautilusMenuProviderInterface*>(iface);
    provider->get_file_items = GetFileItems;
    provider->get_background_items = GetBackgroundItems;
}

}  // namespace

}  // namespace corvatine::shellext

extern "C" {

__attribute__((visibility("default"))) void nautilus_module_initialize(GTypeModule* module) {
    using namespace corvatine::shellext;
    static const GTypeInfo info = {sizeof(GObjectClass), nullptr, nullptr, nullptr, nullptr, nullptr,
                                   sizeof(GObject),      0,       nullptr, nullptr};
    g_providerType = g_type_module_register_type(module, G_TYPE_OBJECT, "CorvashellNautilusProvider", &info,
                                                 static_cast<GTypeFlags>(0));
    static const GInterfaceInfo menuProvider = {InitMenuProvider, nullptr, nullptr};
    g_type_module_add_interface(module, g_providerType, NAUTILUS_TYPE_MENU_PROVIDER, &menuProvider);
}

__attribute__((visibility("default"))) void nautilus_module_shutdown(void) {}

__attribute__((visibility("default"))) void nautilus_module_list_types(const GType** types, int* count) {
    *types = &corvatine::shellext::g_providerType;
    *count = 1;
}

}  // extern "C"
