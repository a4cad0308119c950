// What the GLib-based file-manager modules (Nautilus, Thunar) share: one menu
// session per context menu, kept alive by the menu items that can run its
// commands, and the paths of the files the file manager hands over.
#pragma once

#include <gio/gio.h>

#include <memory>
#include <string>
#include <vector>

#include "shellext/ContextMenu.h"

namespace corvatine::shellext {

// The extension object of one context menu and the chooser its
// "Compare To..." asks.
struct CMenuSession {
    CCorvashellContextMenu menu;
    std::unique_ptr<IItemChooser> chooser;
    // The chooser is another program (zenity, kdialog): "Compare To..." then
    // runs on a thread of its own, so that the file manager's windows stay
    // alive while the dialog is open.
    bool chooserIsProgram = false;
};

// The local path of a location; empty when it has none (a remote location).
std::string LocalPath(GFile* location);

// Initialises a session for the folder and items and builds its menu into
// tree; null when the extension offers nothing for them.
std::shared_ptr<CMenuSession> BuildMenu(const std::string& folder, const std::vector<std::string>& items,
                                        CMenuTree& tree);

// Attaches the session to a menu item (any GObject), which then keeps it
// alive; SessionOf gives it back. The command offset is kept with it.
void AttachSession(GObject* item, const std::shared_ptr<CMenuSession>& session, uint32_t offset);

// Runs the command of an item made by AttachSession with the production
// starter.
void ActivateItem(GObject* item);

// A unique item name for the file manager's action table.
std::string ItemName(const char* manager, uint32_t offset);

}  // namespace corvatine::shellext
