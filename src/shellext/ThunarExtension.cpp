// The Thunar module: a ThunarxMenuProvider that shows Corvashell's menu for
// the selected files, for the background of a folder (when Background is
// on) and for one item dragged with the right mouse button onto a folder.
// "Compare To..." asks with a GTK file chooser over Thunar's window.
#include <gio/gio.h>
#include <gtk/gtk.h>
// The plugin functions are declared without C linkage there.
extern "C" {
#include <thunarx/thunarx.h>
}

#include "shellext/GioAdapter.h"

namespace corvatine::shellext {

namespace {

GType g_providerType = 0;

std::string FilePath(ThunarxFileInfo* file) {
    GFile* location = thunarx_file_info_get_location(file);
    std::string path = LocalPath(location);
    if (location != nullptr) g_object_unref(location);
    return path;
}

// A modal GTK file or folder chooser over the file manager's window.
class CGtkChooser : public IItemChooser {
public:
    explicit CGtkChooser(GtkWidget* window) : m_window(window) {
        if (m_window != nullptr)
            g_object_add_weak_pointer(G_OBJECT(m_window), reinterpret_cast<gpointer*>(&m_window));
    }
    ~CGtkChooser() override {
        if (m_window != nullptr)
            g_object_remove_weak_pointer(G_OBJECT(m_window), reinterpret_cast<gpointer*>(&m_window));
    }
    CGtkChooser(const CGtkChooser&) = delete;
    CGtkChooser& operator=(const CGtkChooser&) = delete;

    bool Choose(const CHOOSEREQUEST& request, std::string& chosen) override {
        GtkWindow* parent = m_window != nullptr && GTK_IS_WINDOW(m_window) ? GTK_WINDOW(m_window) : nullptr;
        GtkWidget* dialog = gtk_file_chooser_dialog_new(
            request.title.c_str(), parent,
            request.folder ? GTK_FILE_CHOOSER_ACTION_SELECT_FOLDER : GTK_FILE_CHOOSER_ACTION_OPEN, "_Cancel",
            GTK_RESPONSE_CANCEL, "_Open", GTK_RESPONSE_ACCEPT, nullptr);
        GtkFileChooser* fileChooser = GTK_FILE_CHOOSER(dialog);
        gtk_file_chooser_set_local_only(fileChooser, TRUE);
        if (!request.startFolder.empty())
            gtk_file_chooser_set_current_folder(fileChooser, request.startFolder.c_str());
        if (!request.filterName.empty()) {
            GtkFileFilter* filter = gtk_file_filter_new();
            gtk_file_filter_set_name(filter, request.filterName.c_str());
            gtk_file_filter_add_pattern(filter, "*");
            gtk_file_chooser_add_filter(fileChooser, filter);
        }
        bool accepted = false;
        if (gtk_dialog_run(GTK_DIALOG(dialog)) == GTK_RESPONSE_ACCEPT) {
            if (char* path = gtk_file_chooser_get_filename(fileChooser)) {
                chosen = path;
                accepted = true;
                g_free(path);
            }
        }
        gtk_widget_destroy(dialog);
        return accepted;
    }

private:
    GtkWidget* m_window;
};

void OnActivate(ThunarxMenuItem* item, gpointer) { ActivateItem(G_OBJECT(item)); }

GList* ToItems(const std::vector<MENUNODE>& nodes, const std::shared_ptr<CMenuSession>& session,
               int& submenus) {
    GList* items = nullptr;
    for (const MENUNODE& node : nodes) {
        // Thunar's menus take GTK mnemonics, "_" where the menu has "&".
        std::string label;
        for (size_t i = 0; i < node.text.size(); ++i) {
            const char c = node.text[i];
            if (c == '_') {
                label += "__";
            } else if (c == '&' && i + 1 < node.text.size()) {
                label += node.text[i + 1] == '&' ? "&" : "_";
                if (node.text[i + 1] == '&') ++i;
            } else if (c != '&') {
                label += c;
            }
        }
        const char* icon = node.icon.empty() ? nullptr : node.icon.c_str();
        if (node.submenu) {
            const std::string name = "Corvashell::Submenu::" + std::to_string(submenus++);
            ThunarxMenuItem* item = thunarx_menu_item_new(name.c_str(), label.c_str(), nullptr, icon);
            ThunarxMenu* menu = thunarx_menu_new();
            GList* children = ToItems(node.children, session, submenus);
            for (GList* child = children; child != nullptr; child = child->next) {
                thunarx_menu_append_item(menu, THUNARX_MENU_ITEM(child->data));
                g_object_unref(child->data);
            }
            g_list_free(children);
            thunarx_menu_item_set_menu(item, menu);
            g_object_unref(menu);
            items = g_list_append(items, item);
            continue;
        }
        char help[1024] = "";
        (void)session->menu.GetCommandString(node.id, GCS_HELPTEXTA, help, sizeof help);
        const std::string name = ItemName("Thunar", node.id);
        ThunarxMenuItem* item =
            thunarx_menu_item_new(name.c_str(), label.c_str(), help[0] != '\0' ? help : nullptr, icon);
        AttachSession(G_OBJECT(item), session, node.id);
        g_signal_connect(item, "activate", G_CALLBACK(OnActivate), nullptr);
        items = g_list_append(items, item);
    }
    return items;
}

GList* MenuFor(GtkWidget* window, const std::string& folder, const std::vector<std::string>& paths) {
    CMenuTree tree;
    const std::shared_ptr<CMenuSession> session = BuildMenu(folder, paths, tree);
    if (!session) return nullptr;
    session->chooser = std::make_unique<CGtkChooser>(window);
    int submenus = 0;
    return ToItems(tree.Items(), session, submenus);
}

bool PathsOf(GList* files, std::vector<std::string>& paths) {
    for (GList* file = files; file != nullptr; file = file->next) {
        std::string path = FilePath(THUNARX_FILE_INFO(file->data));
        if (path.empty()) return false;  // not in the local file system
        paths.push_back(std::move(path));
    }
    return true;
}

GList* GetFileMenuItems(ThunarxMenuProvider*, GtkWidget* window, GList* files) {
    std::vector<std::string> paths;
    return PathsOf(files, paths) ? MenuFor(window, {}, paths) : nullptr;
}

GList* GetFolderMenuItems(ThunarxMenuProvider*, GtkWidget* window, ThunarxFileInfo* folder) {
    const std::string path = FilePath(folder);
    return path.empty() ? nullptr : MenuFor(window, path, {});
}

GList* GetDndMenuItems(ThunarxMenuProvider*, GtkWidget* window, ThunarxFileInfo* folder, GList* files) {
    const std::string target = FilePath(folder);
    std::vector<std::string> paths;
    if (target.empty() || !PathsOf(files, paths)) return nullptr;
    return MenuFor(window, target, paths);
}

void InitMenuProvider(gpointer iface, gpointer) {
    auto* provider = static_cast<ThunarxMenuProviderIface*>(iface);
    provider->get_file_menu_items = GetFileMenuItems;
    provider->get_folder_menu_items = GetFolderMenuItems;
    provider->get_dnd_menu_items = GetDndMenuItems;
}

}  // namespace

}  // namespace corvatine::shellext

extern "C" {

__attribute__((visibility("default"))) void thunar_extension_initialize(ThunarxProviderPlugin* plugin) {
    using namespace corvatine::shellext;
    // The module holds state of the process (the remembered items): Thunar
    // must not unload it.
    thunarx_provider_plugin_set_resident(plugin, TRUE);
    static const GTypeInfo info = {sizeof(GObjectClass), nullptr, nullptr, nullptr, nullptr, nullptr,
                                   sizeof(GObject),      0,       nullptr, nullptr};
    g_providerType = thunarx_provider_plugin_register_type(plugin, G_TYPE_OBJECT, "CorvashellThunarProvider",
                                                           &info, static_cast<GTypeFlags>(0));
    static const GInterfaceInfo menuProvider = {InitMenuProvider, nullptr, nullptr};
    thunarx_provider_plugin_add_interface(plugin, g_providerType, THUNARX_TYPE_MENU_PROVIDER, &menuProvider);
}

__attribute__((visibility("default"))) void thunar_extension_shutdown(void) {}

__attribute__((visibility("default"))) void thunar_extension_list_types(const GType** types, gint* count) {
    *types = &corvatine::shellext::g_providerType;
    *count = 1;
}

}  // extern "C"
