// Installing and removing the file manager's context-menu extension. The
// program registers it itself: the class and handler keys of the extension go
// into the classes hive (classes.reg), and the menu files of the file
// managers that start a process per action (Dolphin, Nemo) into the user's
// data folder. The Nautilus and Thunar modules are loaded only from the
// system's module folders, where the package installs them; registering
// tells where they are.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "integration/ClientIntegration.h"
#include "platform/RegistryHive.h"

namespace corvatine {

// The class and type library identifiers of CorvashellContextMenu.
inline constexpr const char* kCorvashellClassId = "{6F1B8A3E-4C2D-4E57-9A0B-3D5C7E21F4A8}";
inline constexpr const char* kCorvashellTypeLibId = "{B2E4D6F8-1A3C-4B5D-8E7F-90A1B2C3D4E5}";

// The three handler keys whose presence makes the state.
inline constexpr const char* kShellHandlerKeys[] = {
    "*\\ShellEx\\ContextMenuHandlers\\Corvatine",
    "Folder\\ShellEx\\ContextMenuHandlers\\Corvatine",
    "Folder\\ShellEx\\DragDropHandlers\\Corvatine",
};

// Where registration reads and writes; the functions without it use the
// program's own: classes.reg of the configuration folder, InstallDir of the
// settings (else the program's folder), and $XDG_DATA_HOME (else
// ~/.local/share).
struct SHELLPLACES {
    platform::CRegistryHive* classes = nullptr;
    std::string installDir;      // holds corvatine
    std::string dataHome;        // the user's data folder
    std::string nautilusFolder;  // where Nautilus loads modules from
    std::string thunarFolder;    // where Thunar loads modules from
};
SHELLPLACES DefaultShellPlaces();

// The library beside the program, else in the library folder of the
// installation (INSTALLDIR/../lib...), by its development name or, as the
// package installs it, by its soname (libcorvashell.so.0); empty when
// neither exists.
std::string FindShellExtensionLibrary(const std::string& installDir);

// 0 none of the three handler keys exists, 2 all three, 1 some.
int GetShellExtensionState();
int GetShellExtensionState(platform::CRegistryHive& classes);

// Writes every key of the extension's registration and installs the Dolphin
// service menus and Nemo actions for the program; true on success. False,
// changing nothing, when the library is not there. Lines for the user (where
// the Nautilus and Thunar modules are, and what failed) go to notes.
bool RegisterShellExtension(std::vector<std::string>* notes = nullptr);
bool RegisterShellExtension(const SHELLPLACES& places, std::vector<std::string>* notes);

// Deletes the three handler keys (the class registration and the
// background handler stay) and the menu files registering installed; true
// when all three keys were there and are deleted.
bool UnregisterShellExtension(std::vector<std::string>* notes = nullptr);
bool UnregisterShellExtension(const SHELLPLACES& places, std::vector<std::string>* notes);

// The context menu as one of the clients of --integrate ("shell"): present
// when the library is installed, integrated when all three handler keys are.
std::unique_ptr<CClientIntegration> MakeShellClientIntegration();

}  // namespace corvatine
