#include "shellext/GioAdapter.h"

#include "shellext/ProcessStarter.h"
#include "shellext/ShellMenuCommand.h"

namespace corvatine::shellext {

namespace {

constexpr const char* kSessionKey = "corvashell-session";
constexpr const char* kOffsetKey = "corvashell-offset";

}  // namespace

std::string LocalPath(GFile* location) {
    if (location == nullptr) return {};
    char* path = g_file_get_path(location);
    std::string result = path != nullptr ? path : "";
    g_free(path);
    return result;
}

std::shared_ptr<CMenuSession> BuildMenu(const std::string& folder, const std::vector<std::string>& items,
                                        CMenuTree& tree) {
    auto session = std::make_shared<CMenuSession>();
    // The first item lives in a file shared by every file manager and the
    // menus that start a program, so that it outlasts a restart.
    LoadRememberedItems(RememberedItemsFile());
    if (session->menu.Initialize(folder, items) != S_OK) return nullptr;
    if (session->menu.QueryContextMenu(tree, 0, 0xFFFF, 0) <= 0) return nullptr;
    return session;
}

void AttachSession(GObject* item, const std::shared_ptr<CMenuSession>& session, uint32_t offset) {
    g_object_set_data_full(item, kSessionKey, new std::shared_ptr<CMenuSession>(session),
                           [](gpointer data) { delete static_cast<std::shared_ptr<CMenuSession>*>(data); });
    g_object_set_data(item, kOffsetKey, GUINT_TO_POINTER(offset));
}

void ActivateItem(GObject* item) {
    auto* session = static_cast<std::shared_ptr<CMenuSession>*>(g_object_get_data(item, kSessionKey));
    if (session == nullptr || !*session) return;
    // Kept alive here: Thunar's chooser runs a loop in which the menu, and
    // with it the item, may go.
    const std::shared_ptr<CMenuSession> owned = *session;
    const uint32_t offset = GPOINTER_TO_UINT(g_object_get_data(item, kOffsetKey));
    CSpawnStarter starter;
    if (owned->menu.CommandAt(offset) == CMD_SELECT_FIRST) {
        // Another file manager may have chosen the other kind's item meanwhile.
        const std::string file = RememberedItemsFile();
        LoadRememberedItems(file);
        (void)owned->menu.InvokeCommand(offset, starter, owned->chooser.get());
        std::string error;
        if (!SaveRememberedItems(file, error)) ReportFailure("Corvatine cannot keep the first item", error);
        return;
    }
    if (owned->menu.InvokeCommand(offset, starter, owned->chooser.get()) == E_FAIL)
        ReportFailure("Corvatine cannot compare", owned->menu.FailureText(starter.LastError()));
}

void ReportFailure(const char* summary, const std::string& reason) {
    g_warning("Corvatine: %s", reason.c_str());
    GDBusConnection* bus = g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, nullptr);
    if (bus == nullptr) return;  // no session bus: the log is all there is
    GVariantBuilder actions, hints;
    g_variant_builder_init(&actions, G_VARIANT_TYPE("as"));
    g_variant_builder_init(&hints, G_VARIANT_TYPE("a{sv}"));
    // Notify(app_name, replaces_id, app_icon, summary, body, actions, hints,
    // expire_timeout); without a callback no reply is waited for.
    g_dbus_connection_call(bus, "org.freedesktop.Notifications", "/org/freedesktop/Notifications",
                           "org.freedesktop.Notifications", "Notify",
                           g_variant_new("(susssasa{sv}i)", "Corvatine", 0u, "corvatine", summary,
                                         reason.c_str(), &actions, &hints, -1),
                           nullptr, G_DBUS_CALL_FLAGS_NONE, -1, nullptr, nullptr, nullptr);
    // The message leaves before the connection may go.
    (void)g_dbus_connection_flush_sync(bus, nullptr, nullptr);
    g_object_unref(bus);
}

std::string ItemName(const char* manager, uint32_t offset) {
    return std::string(manager) + "::Corvashell::" + std::to_string(offset);
}

}  // namespace corvatine::shellext
