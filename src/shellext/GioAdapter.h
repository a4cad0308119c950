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
// "Compare To..." asks; without one the program is started to ask.
struct CMenuSession {
    CCorvashellContextMenu menu;
    std::unique_ptr<IItemChooser> chooser;
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
// starter. A command that starts nothing says why (ReportFailure).
void ActivateItem(GObject* item);

// Tells why a menu command did nothing: as a warning in the file manager's
// log, and as a desktop notification of that summary and reason
// (org.freedesktop.Notifications on the session bus, which GNOME Shell and
// the other desktops' daemons serve), since a user of the menu sees neither
// stderr nor the log.
void ReportFailure(const char* summary, const std::string& reason);

// A unique item name for the file manager's action table.
std::string ItemName(const char* manager, uint32_t offset);

}  // namespace corvatine::shellext
