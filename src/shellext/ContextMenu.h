// Corvashell: the file manager's context-menu extension. CCorvashellContextMenu
// adds comparison commands to the menu of files, folders and folder
// backgrounds, and to the menu of a right-drag onto a folder; each command
// starts the program with a command line naming the two items to compare.
//
// The library links nothing of the program: the two meet only through the
// settings file (registry.reg of the configuration folder) and the command
// line. The shell's interfaces are replaced by the small ones below, which
// the file-manager adapters (Nautilus, Thunar, the process entry behind
// "corvatine --shell-menu") implement.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#define CORVASHELL_API __attribute__((visibility("default")))

namespace corvatine::shellext {

// Results, with the values of the shell's HRESULTs.
using HRESULT = int32_t;
inline constexpr HRESULT S_OK = 0;
inline constexpr HRESULT E_FAIL = static_cast<HRESULT>(0x80004005u);
inline constexpr HRESULT E_INVALIDARG = static_cast<HRESULT>(0x80070057u);

// QueryContextMenu flags: only the default item is asked for.
inline constexpr uint32_t CMF_DEFAULTONLY = 0x1;

// GetCommandString request types (ANSI and wide-character forms).
inline constexpr uint32_t GCS_VERBA = 0x0;
inline constexpr uint32_t GCS_HELPTEXTA = 0x1;
inline constexpr uint32_t GCS_VALIDATEA = 0x2;
inline constexpr uint32_t GCS_UNICODE = 0x4;
inline constexpr uint32_t GCS_VERBW = GCS_VERBA | GCS_UNICODE;
inline constexpr uint32_t GCS_HELPTEXTW = GCS_HELPTEXTA | GCS_UNICODE;
inline constexpr uint32_t GCS_VALIDATEW = GCS_VALIDATEA | GCS_UNICODE;

// Command codes of the menu items.
enum CommandCode : int {
    CMD_SELECT_FIRST = 1,  // remember the selected item as first item
    CMD_COMPARE_TO = 2,    // the remembered first item against the selected item
    CMD_COMPARE_TO_CHOSEN = 3,
    CMD_COMPARE = 4,  // the two selected items
    CMD_COMPARE_TEXT = 5,
    CMD_COMPARE_BINARY = 6,
    CMD_DRAG_COMPARE = 7,  // the dragged item against the target folder
    CMD_DRAG_COMPARE_TEXT = 8,
    CMD_DRAG_COMPARE_BINARY = 9,
};

// The two menu bitmaps, as icon names: 201 marks the compare items (and the
// cascaded submenu), 202 "Select First Item to Compare".
inline constexpr const char* kIconCompare = "corvatine-compare";     // bitmap 201
inline constexpr const char* kIconSelectFirst = "corvatine-select";  // bitmap 202

// Receives the menu as QueryContextMenu builds it: items and submenus in
// order, items within the submenu opened last.
class IMenuBuilder {
public:
    virtual ~IMenuBuilder() = default;
    // A command item; icon is empty or one of the names above.
    virtual void AddItem(const std::string& text, uint32_t id, const std::string& icon) = 0;
    virtual void BeginSubmenu(const std::string& text, const std::string& icon) = 0;
    virtual void EndSubmenu() = 0;
};

// A menu as a tree, the builder the adapters and tests use.
struct MENUNODE {
    std::string text;
    std::string icon;
    uint32_t id = 0;  // command items only
    bool submenu = false;
    std::vector<MENUNODE> children;
};

class CORVASHELL_API CMenuTree : public IMenuBuilder {
public:
    void AddItem(const std::string& text, uint32_t id, const std::string& icon) override;
    void BeginSubmenu(const std::string& text, const std::string& icon) override;
    void EndSubmenu() override;

    const std::vector<MENUNODE>& Items() const { return m_root.children; }
    // One line per node, indented by two blanks per submenu level:
    // "TEXT [id N] {ICON}" for items, "TEXT > {ICON}" for submenus.
    std::string Dump() const;

private:
    MENUNODE m_root{"", "", 0, true, {}};
    std::vector<MENUNODE*> m_open;  // submenus being filled, innermost last
};

// "&Compare &As" -> "Compare As": the text without its accelerator marks,
// "&&" standing for one "&".
CORVASHELL_API std::string StripAccelerator(const std::string& text);

// Starts the program without waiting for it.
class IProgramStarter {
public:
    virtual ~IProgramStarter() = default;
    // arguments excludes the program itself; false when it could not start.
    virtual bool Start(const std::string& program, const std::vector<std::string>& arguments) = 0;
    // errno of the last failed start, 0 after a success or when unknown.
    virtual int LastError() const { return 0; }
};

// Asks the user for the second item of "Compare To..." inside the file
// manager, when the file manager's own toolkit can; without one the program
// is started to ask (--compare-to-chosen).
struct CHOOSEREQUEST {
    bool folder = false;      // a folder browser, else an open-file dialog
    std::string title;        // "Select Folder to Compare" or "Select File to Compare"
    std::string startFolder;  // where the dialog opens
    std::string filterName;   // files: "All Files (*.*)", every file
};

class IItemChooser {
public:
    virtual ~IItemChooser() = default;
    // True with the chosen path; false when the user cancelled or no dialog
    // could be shown.
    virtual bool Choose(const CHOOSEREQUEST& request, std::string& chosen) = 0;
};

// The settings the extension reads, with their defaults.
struct SHELLSETTINGS {
    uint32_t cascaded = 1;    // the commands in a submenu "&Corvatine"
    uint32_t background = 0;  // commands on a folder background
    std::string installDir;   // empty: the program cannot be found
};

// The configuration folder: $CORVATINE_CONFIG_DIR, else
// $XDG_CONFIG_HOME/corvatine, else ~/.config/corvatine.
CORVASHELL_API std::string ShellConfigFolder();

// Reads Cascaded and Background of Integration\Shell and InstallDir of the
// settings root from the per-user hive text (a registry export). A file that
// is missing, cannot be read or is damaged gives the defaults, as the
// program itself then uses them; a value of the wrong type or, for the two
// switches, other than 0 or 1 gives its default.
CORVASHELL_API SHELLSETTINGS ReadShellSettings(const std::string& configFolder);
CORVASHELL_API SHELLSETTINGS ParseShellSettings(const std::string& hiveText);

// The remembered first items: process-wide, shared by every menu of the
// process, lost when the library is unloaded (or kept in a file by the
// process entry, see ShellMenuCommand.h). Not locked: menus are built on one
// thread.
struct REMEMBEREDITEMS {
    std::string file;
    std::string folder;
};
CORVASHELL_API REMEMBEREDITEMS& RememberedItems();

class CORVASHELL_API CCorvashellContextMenu {
public:
    // configFolder holds registry.reg; empty: ShellConfigFolder() at each
    // initialisation.
    explicit CCorvashellContextMenu(std::string configFolder = {});

    // folder: the drag target (with items) or the folder whose background
    // was clicked (without items); empty when neither. items: the selected
    // or dragged paths. S_OK, E_INVALIDARG for a selection the extension
    // does not handle, E_FAIL when the target folder has no file-system path.
    HRESULT Initialize(const std::string& folder, const std::vector<std::string>& items);

    // Builds the menu into builder, numbering command items from firstId; the
    // number of identifiers used (0 with CMF_DEFAULTONLY, or when they do not
    // fit up to lastId).
    HRESULT QueryContextMenu(IMenuBuilder& builder, uint32_t firstId, uint32_t lastId, uint32_t flags);

    // The help text of the item at offset (identifier - firstId) into buffer:
    // size bytes for the ANSI request, size wchar_t for the wide one,
    // truncated and terminated.
    HRESULT GetCommandString(uint32_t offset, uint32_t type, void* buffer, size_t size) const;

    // Runs the command at offset; chooser answers "Compare To..." (null: the
    // program is started as "corvatine --compare-to-chosen ITEM" and asks
    // itself). S_OK when the command ran (or the user cancelled),
    // E_INVALIDARG for an offset that names no item, E_FAIL when the program
    // could not be found or started.
    HRESULT InvokeCommand(uint32_t offset, IProgramStarter& starter, IItemChooser* chooser);
    // Why the last InvokeCommand that returned E_FAIL started nothing: the
    // settings name no InstallDir, or the program there did not start
    // (error: the starter's errno, 0 when unknown).
    std::string FailureText(int error) const;

    // The command code at offset; 0 when none.
    int CommandAt(uint32_t offset) const;
    const SHELLSETTINGS& Settings() const { return m_settings; }

private:
    HRESULT Start(const std::string& left, const std::string& right, const char* type,
                  IProgramStarter& starter) const;
    HRESULT StartProgram(const std::vector<std::string>& arguments, IProgramStarter& starter) const;
    // InstallDir's corvatine; empty without InstallDir.
    std::string ProgramPath() const;
    // The remembered item of the selection's kind, when it still exists.
    const std::string* UsableRemembered() const;

    std::string m_configFolder;
    SHELLSETTINGS m_settings;
    bool m_dragMode = false;
    bool m_rememberedPair = false;
    bool m_folder = false;
    int m_itemCount = 0;
    std::string m_first;          // the first selected item, or the dragged item
    std::string m_second;         // the single selected item, the second one, or the target folder
    std::vector<int> m_commands;  // command code by identifier offset
};

}  // namespace corvatine::shellext
