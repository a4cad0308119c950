#include "shellext/GioAdapter.h"

#include <thread>

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
    const uint32_t offset = GPOINTER_TO_UINT(g_object_get_data(item, kOffsetKey));
    // The outcome is not reported back to the file manager, as the shell
    // does not rely on it either.
    const auto invoke = [](std::shared_ptr<CMenuSession> owned, uint32_t at) {
        CSpawnStarter starter;
        if (owned->menu.CommandAt(at) == CMD_SELECT_FIRST) {
            // Another file manager may have chosen the other kind's item meanwhile.
            const std::string file = RememberedItemsFile();
            LoadRememberedItems(file);
            (void)owned->menu.InvokeCommand(at, starter, owned->chooser.get());
            std::string error;
            if (!SaveRememberedItems(file, error)) g_warning("Corvashell: %s", error.c_str());
            return;
        }
        (void)owned->menu.InvokeCommand(at, starter, owned->chooser.get());
    };
    if ((*session)->chooserIsProgram && (*session)->menu.CommandAt(offset) == CMD_COMPARE_TO_CHOSEN)
        std::thread(invoke, *session, offset).detach();
    else
        invoke(*session, offset);
}

std::string ItemName(const char* manager, uint32_t offset) {
    return std::string(manager) + "::Corvashell::" + std::to_string(offset);
}

}  // namespace corvatine::shellext
