#include "integration/ShellIntegration.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "platform/AtomicFile.h"
#include "platform/Path.h"
#include "platform/Profile.h"
#include "shellext/ShellMenuCommand.h"

#ifndef CORVATINE_LIBDIR
#define CORVATINE_LIBDIR "lib"
#endif
#ifndef CORVATINE_SHELL_SONAME
#define CORVATINE_SHELL_SONAME "libcorvashell.so.0"
#endif
#ifndef CORVATINE_NAUTILUS_DIR
#define CORVATINE_NAUTILUS_DIR "/usr/lib/x86_64-linux-gnu/nautilus/extensions-4"
#endif
#ifndef CORVATINE_THUNAR_DIR
#define CORVATINE_THUNAR_DIR "/usr/lib/x86_64-linux-gnu/thunarx-3"
#endif

namespace corvatine {

namespace {

constexpr const char* kLibraryName = "libcorvashell.so";
constexpr const char* kLibrarySoname = CORVATINE_SHELL_SONAME;
constexpr const char* kProgramName = "corvatine";
constexpr const char* kClassName = "CorvashellContextMenu Class";
constexpr const char* kProgId = "Corvatine.ShellContextMenu.1";
constexpr const char* kIndependentProgId = "Corvatine.ShellContextMenu";
constexpr const char* kBackgroundHandlerKey =
    "Directory\\Background\\ShellEx\\ContextMenuHandlers\\Corvatine";
constexpr const char* kNautilusModule = "libcorvashell-nautilus.so";
constexpr const char* kThunarModule = "libcorvashell-thunar.so";

std::string DolphinFolder(const std::string& dataHome) {
    return platform::JoinPath(platform::JoinPath(dataHome, "kio"), "servicemenus");
}

std::string NemoFolder(const std::string& dataHome) {
    return platform::JoinPath(platform::JoinPath(dataHome, "nemo"), "actions");
}

bool IsRegularFile(const std::string& path) {
    struct stat status;
    return ::stat(path.c_str(), &status) == 0 && S_ISREG(status.st_mode);
}

// Writes the menu files into folder; the Dolphin files must be executable
// for Dolphin to trust them in the user's folder.
bool WriteMenuFiles(const std::string& folder, const std::vector<shellext::MENUFILE>& files, mode_t mode,
                    std::string& error) {
    if (!platform::MakeFolders(folder, 0755, error)) return false;
    for (const shellext::MENUFILE& file : files) {
        const std::string path = platform::JoinPath(folder, file.name);
        if (!platform::WriteFileAtomically(path, file.text, mode, error)) return false;
        if (::chmod(path.c_str(), mode) != 0) {
            error = "cannot set the permissions of " + path + ": " + platform::ErrorText(errno);
            return false;
        }
    }
    return true;
}

// Removes the menu files of the list from folder; false with error for one
// that exists and cannot be removed.
bool RemoveMenuFiles(const std::string& folder, const std::vector<shellext::MENUFILE>& files,
                     std::string& error) {
    bool removed = true;
    for (const shellext::MENUFILE& file : files) {
        const std::string path = platform::JoinPath(folder, file.name);
        if (::unlink(path.c_str()) != 0 && errno != ENOENT) {
            error = "cannot remove " + path + ": " + platform::ErrorText(errno);
            removed = false;
        }
    }
    return removed;
}

void Note(std::vector<std::string>* notes, std::string line) {
    if (notes != nullptr) notes->push_back(std::move(line));
}

// Where the file manager's package installs the module, said for the user.
void NoteModule(std::vector<std::string>* notes, const char* manager, const std::string& folder,
                const char* module) {
    const std::string path = platform::JoinPath(folder, module);
    if (IsRegularFile(path))
        Note(notes, std::string(manager) + ": the module is installed as " + path + "; " + manager +
                        " loads it from there at its next start");
    else
        Note(notes, std::string(manager) + ": the module is not installed in " + folder + "; " + manager +
                        " loads modules only from there, not from the home folder, so it comes with the "
                        "system package");
}

}  // namespace

SHELLPLACES DefaultShellPlaces() {
    SHELLPLACES places;
    places.classes = &platform::ClassesRootHive();
    places.installDir = platform::AppProfile().GetString("", "InstallDir", "");
    if (places.installDir.empty()) places.installDir = platform::ProgramFolder();
    if (const char* data = std::getenv("XDG_DATA_HOME"); data != nullptr && *data == '/') {
        places.dataHome = data;
    } else {
        const char* home = std::getenv("HOME");
        places.dataHome = platform::JoinPath(
            platform::JoinPath(home != nullptr && *home != '\0' ? home : "/", ".local"), "share");
    }
    places.nautilusFolder = CORVATINE_NAUTILUS_DIR;
    places.thunarFolder = CORVATINE_THUNAR_DIR;
    return places;
}

std::string FindShellExtensionLibrary(const std::string& installDir) {
    if (installDir.empty()) return {};
    // The build leaves the development link beside the program; the package
    // installs only the library under its soname (and the versioned file it
    // links to), without the link.
    const std::string folders[2] = {
        installDir, platform::JoinPath(platform::PathParentFolder(installDir), CORVATINE_LIBDIR)};
    for (const std::string& folder : folders)
        for (const char* name : {kLibraryName, kLibrarySoname}) {
            const std::string path = platform::JoinPath(folder, name);
            if (IsRegularFile(path)) return path;
        }
    return {};
}

int GetShellExtensionState(platform::CRegistryHive& classes) {
    int present = 0;
    for (const char* key : kShellHandlerKeys)
        if (classes.KeyExists(key)) ++present;
    return present == 0 ? 0 : present == 3 ? 2 : 1;
}

int GetShellExtensionState() { return GetShellExtensionState(platform::ClassesRootHive()); }

bool RegisterShellExtension(const SHELLPLACES& places, std::vector<std::string>* notes) {
    const std::string library = FindShellExtensionLibrary(places.installDir);
    if (library.empty() || places.classes == nullptr) return false;

    platform::CRegistryHive& classes = *places.classes;
    const std::string classKey = std::string("CLSID\\") + kCorvashellClassId;
    classes.SetString(kProgId, "", kClassName);
    classes.SetString(std::string(kProgId) + "\\CLSID", "", kCorvashellClassId);
    classes.SetString(kIndependentProgId, "", kClassName);
    classes.SetString(std::string(kIndependentProgId) + "\\CLSID", "", kCorvashellClassId);
    classes.SetString(std::string(kIndependentProgId) + "\\CurVer", "", kProgId);
    classes.SetString(classKey, "", kClassName);
    classes.SetString(classKey + "\\ProgID", "", kProgId);
    classes.SetString(classKey + "\\VersionIndependentProgID", "", kIndependentProgId);
    // A key without values is not kept in the hive file: an empty default
    // value keeps "Programmable".
    classes.SetString(classKey + "\\Programmable", "", "");
    classes.SetString(classKey + "\\InprocServer32", "", library);
    classes.SetString(classKey + "\\InprocServer32", "ThreadingModel", "Apartment");
    classes.SetString(classKey + "\\TypeLib", "", kCorvashellTypeLibId);
    for (const char* key : kShellHandlerKeys) classes.SetString(key, "", kCorvashellClassId);
    classes.SetString(kBackgroundHandlerKey, "", kCorvashellClassId);
    // The type library, as a registered one is kept.
    const std::string typeLibKey = std::string("TypeLib\\") + kCorvashellTypeLibId + "\\1.0";
    classes.SetString(typeLibKey, "", "Corvashell 1.0 Type Library");
    classes.SetString(typeLibKey + "\\0\\win32", "", library);
    classes.SetString(typeLibKey + "\\FLAGS", "", "0");
    classes.SetString(typeLibKey + "\\HELPDIR", "", platform::PathParentFolder(library));
    std::string error;
    if (!classes.Flush(error)) {
        Note(notes, "cannot register the shell extension: " + error);
        return false;
    }

    const std::string program = platform::JoinPath(places.installDir, kProgramName);
    bool written = true;
    if (!WriteMenuFiles(DolphinFolder(places.dataHome), shellext::DolphinServiceMenus(program), 0755,
                        error)) {
        Note(notes, "Dolphin: " + error);
        written = false;
    } else {
        Note(notes, "Dolphin: the service menus are in " + DolphinFolder(places.dataHome));
    }
    if (!WriteMenuFiles(NemoFolder(places.dataHome), shellext::NemoActions(program), 0644, error)) {
        Note(notes, "Nemo: " + error);
        written = false;
    } else {
        Note(notes, "Nemo: the actions are in " + NemoFolder(places.dataHome));
    }
    NoteModule(notes, "Nautilus", places.nautilusFolder, kNautilusModule);
    NoteModule(notes, "Thunar", places.thunarFolder, kThunarModule);
    return written;
}

bool RegisterShellExtension(std::vector<std::string>* notes) {
    return RegisterShellExtension(DefaultShellPlaces(), notes);
}

bool UnregisterShellExtension(const SHELLPLACES& places, std::vector<std::string>* notes) {
    if (places.classes == nullptr) return false;
    platform::CRegistryHive& classes = *places.classes;
    // A key that is not there cannot be deleted: that deletion fails.
    bool allDeleted = true;
    for (const char* key : kShellHandlerKeys) {
        if (!classes.KeyExists(key)) {
            allDeleted = false;
            continue;
        }
        classes.DeleteKey(key);
    }
    std::string error;
    if (!classes.Flush(error)) {
        Note(notes, "cannot unregister the shell extension: " + error);
        return false;
    }
    const std::string program = platform::JoinPath(places.installDir, kProgramName);
    if (!RemoveMenuFiles(DolphinFolder(places.dataHome), shellext::DolphinServiceMenus(program), error)) {
        Note(notes, "Dolphin: " + error);
        allDeleted = false;
    }
    if (!RemoveMenuFiles(NemoFolder(places.dataHome), shellext::NemoActions(program), error)) {
        Note(notes, "Nemo: " + error);
        allDeleted = false;
    }
    return allDeleted;
}

bool UnregisterShellExtension(std::vector<std::string>* notes) {
    return UnregisterShellExtension(DefaultShellPlaces(), notes);
}

namespace {

class CShellClientIntegration : public CClientIntegration {
public:
    std::string Name() const override { return "shell"; }
    std::string ClientName() const override { return "the file manager's context menu"; }
    bool IsConfigured() override { return !FindShellExtensionLibrary(m_places.installDir).empty(); }
    std::string NotConfiguredReason() override {
        return std::string("the shell extension library (") + kLibraryName + " or " + kLibrarySoname +
               ") is installed neither beside the program in " + m_places.installDir + " nor in " +
               platform::JoinPath(platform::PathParentFolder(m_places.installDir), CORVATINE_LIBDIR);
    }
    std::string StateText() override { return IsConfigured() ? "installed" : "not installed"; }
    bool IsIntegrated() override { return GetShellExtensionState(*m_places.classes) == 2; }
    bool SetIntegration(bool on) override {
        m_notes.clear();
        const bool done =
            on ? RegisterShellExtension(m_places, &m_notes) : UnregisterShellExtension(m_places, &m_notes);
        if (done) return true;
        std::string reason;
        for (const std::string& note : m_notes) reason += (reason.empty() ? "" : "; ") + note;
        return Fail(reason.empty() ? std::string("the settings could not be changed") : reason);
    }

private:
    // Read once: the settings' InstallDir and the user's folders.
    const SHELLPLACES m_places = DefaultShellPlaces();
};

}  // namespace

std::unique_ptr<CClientIntegration> MakeShellClientIntegration() {
    return std::make_unique<CShellClientIntegration>();
}

}  // namespace corvatine
