#include "shellext/ShellMenuCommand.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

namespace corvatine::shellext {

namespace {

constexpr const char* kItemsFileName = "corvatine-shell-items";

std::string ErrorText(int error) {
    char buffer[256];
    // The GNU form returns the text, which may not be in buffer.
    return strerror_r(error, buffer, sizeof buffer);
}

std::string Absolute(const std::string& path) {
    if (path.empty() || path.front() == '/') return path;
    std::string folder;
    for (size_t size = 256;; size *= 2) {
        std::string buffer(size, '\0');
        if (::getcwd(buffer.data(), size) != nullptr) {
            folder = buffer.c_str();
            break;
        }
        if (errno != ERANGE) return path;
    }
    std::string relative = path;
    while (relative.size() >= 2 && relative.compare(0, 2, "./") == 0) relative.erase(0, 2);
    if (relative == ".") return folder;
    return folder == "/" ? "/" + relative : folder + "/" + relative;
}

// The menu's label of a command code, for the message when the selection
// offers no such command.
const char* CommandName(int code) {
    switch (code) {
        case CMD_SELECT_FIRST: return "Select First Item to Compare";
        case CMD_COMPARE_TO: return "Compare To the first item";
        case CMD_COMPARE_TO_CHOSEN: return "Compare To...";
        case CMD_COMPARE: return "Compare";
        case CMD_COMPARE_TEXT: return "Compare As Text";
        case CMD_COMPARE_BINARY: return "Compare As Binary";
        case CMD_DRAG_COMPARE: return "Compare (drag)";
        case CMD_DRAG_COMPARE_TEXT: return "Compare As Text (drag)";
        default: return "Compare As Binary (drag)";
    }
}

// A desktop-entry Exec argument: quoted when it holds anything but plain
// characters, with the four characters the format escapes.
std::string ExecQuote(const std::string& argument) {
    if (argument.find_first_of(" \t\n\"'\\`$<>~|&;*?#()") == std::string::npos) return argument;
    std::string quoted = "\"";
    for (const char c : argument) {
        if (c == '"' || c == '`' || c == '$' || c == '\\') quoted += '\\';
        quoted += c;
    }
    return quoted + '"';
}

std::string ExecLine(const std::string& program, int code) {
    return ExecQuote(program) + " --shell-menu=" + std::to_string(code) + " -- %F";
}

}  // namespace

std::string RememberedItemsFile() {
    if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime != nullptr && *runtime == '/') {
        std::string folder = runtime;
        if (folder.back() != '/') folder += '/';
        return folder + kItemsFileName;
    }
    std::string folder = ShellConfigFolder();
    if (folder.back() != '/') folder += '/';
    return folder + kItemsFileName;
}

void LoadRememberedItems(const std::string& file) {
    REMEMBEREDITEMS& items = RememberedItems();
    items = REMEMBEREDITEMS{};
    std::ifstream in(file, std::ios::binary);
    if (!in) return;
    std::ostringstream text;
    text << in.rdbuf();
    // "file\0folder\0": paths hold any byte but NUL.
    const std::string content = text.str();
    const size_t first = content.find('\0');
    if (first == std::string::npos) return;
    const size_t second = content.find('\0', first + 1);
    if (second == std::string::npos) return;
    items.file = content.substr(0, first);
    items.folder = content.substr(first + 1, second - first - 1);
}

bool SaveRememberedItems(const std::string& file, std::string& error) {
    const REMEMBEREDITEMS& items = RememberedItems();
    std::string content = items.file;
    content += '\0';
    content += items.folder;
    content += '\0';
    const size_t slash = file.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : file.substr(0, slash);
    if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) {
        error = "cannot create the folder " + folder + ": " + ErrorText(errno);
        return false;
    }
    std::string temporary = file + ".XXXXXX";
    const int fd = ::mkstemp(temporary.data());
    if (fd < 0) {
        error = "cannot write " + file + ": " + ErrorText(errno);
        return false;
    }
    size_t done = 0;
    while (done < content.size()) {
        const ssize_t wrote = ::write(fd, content.data() + done, content.size() - done);
        if (wrote < 0 && errno == EINTR) continue;
        if (wrote <= 0) {
            error = "cannot write " + file + ": " + ErrorText(wrote < 0 ? errno : ENOSPC);
            ::close(fd);
            ::unlink(temporary.c_str());
            return false;
        }
        done += static_cast<size_t>(wrote);
    }
    if (::close(fd) != 0 || ::rename(temporary.c_str(), file.c_str()) != 0) {
        error = "cannot write " + file + ": " + ErrorText(errno);
        ::unlink(temporary.c_str());
        return false;
    }
    return true;
}

bool RunShellMenuCommand(int code, const std::vector<std::string>& paths, const std::string& configFolder,
                         const std::string& itemsFile, IProgramStarter& starter, IItemChooser* chooser,
                         std::string& error) {
    if (code < CMD_SELECT_FIRST || code > CMD_DRAG_COMPARE_BINARY) {
        error = "the command code must be 1 to 9, not " + std::to_string(code);
        return false;
    }
    std::vector<std::string> absolute;
    for (const std::string& path : paths) absolute.push_back(Absolute(path));
    std::string folder;
    if (code >= CMD_DRAG_COMPARE) {
        if (absolute.size() != 2) {
            error = "a drag command names the dragged item and the target folder";
            return false;
        }
        folder = absolute.back();
        absolute.pop_back();
    } else if (absolute.empty()) {
        error = "no file or folder named";
        return false;
    }

    LoadRememberedItems(itemsFile);
    CCorvashellContextMenu menu(configFolder);
    if (menu.Initialize(folder, absolute) != S_OK) {
        error = code >= CMD_DRAG_COMPARE
                    ? "only one dragged file or folder is compared with the target folder"
                    : "the selection cannot be compared: select one or two files, or one or two folders";
        return false;
    }
    CMenuTree tree;
    const HRESULT count = menu.QueryContextMenu(tree, 0, 0xFFFF, 0);
    uint32_t offset = 0;
    while (offset < static_cast<uint32_t>(count) && menu.CommandAt(offset) != code) ++offset;
    if (offset == static_cast<uint32_t>(count)) {
        error = std::string("\"") + CommandName(code) + "\" is not offered for this selection";
        if (code == CMD_COMPARE_TO ||
            ((code == CMD_COMPARE_TEXT || code == CMD_COMPARE_BINARY) && absolute.size() == 1))
            error += " (no first item of its kind is selected, or it no longer exists)";
        return false;
    }
    const HRESULT result = menu.InvokeCommand(offset, starter, chooser);
    if (code == CMD_SELECT_FIRST) return SaveRememberedItems(itemsFile, error);
    if (result != S_OK) {
        error = menu.FailureText(starter.LastError());
        return false;
    }
    return true;
}

std::vector<MENUFILE> DolphinServiceMenus(const std::string& program) {
    const auto action = [&](const char* id, const char* name, int code) {
        return std::string("\n[Desktop Action ") + id + "]\nName=" + name + "\nIcon=" + kIconCompare +
               "\nExec=" + ExecLine(program, code) + "\n";
    };
    // One item selected, and two: each offers only what its menu offers.
    std::string one =
        "[Desktop Entry]\nType=Service\nMimeType=all/all;\nX-KDE-ServiceTypes=KonqPopupMenu/Plugin\n"
        "X-KDE-Submenu=Corvatine\nX-KDE-MaxNumberOfUrls=1\n"
        "Actions=corvatineCompareTo;corvatineCompareToText;corvatineCompareToBinary;"
        "corvatineSelectFirst;corvatineCompareToChosen;\n";
    one += action("corvatineCompareTo", "Compare To First Item", CMD_COMPARE_TO);
    one += action("corvatineCompareToText", "Compare To First Item As Text", CMD_COMPARE_TEXT);
    one += action("corvatineCompareToBinary", "Compare To First Item As Binary", CMD_COMPARE_BINARY);
    one += action("corvatineSelectFirst", "Select First Item to Compare", CMD_SELECT_FIRST);
    one += action("corvatineCompareToChosen", "Compare To...", CMD_COMPARE_TO_CHOSEN);
    std::string two =
        "[Desktop Entry]\nType=Service\nMimeType=all/all;\nX-KDE-ServiceTypes=KonqPopupMenu/Plugin\n"
        "X-KDE-Submenu=Corvatine\nX-KDE-MinNumberOfUrls=2\nX-KDE-MaxNumberOfUrls=2\n"
        "Actions=corvatineCompare;corvatineCompareText;corvatineCompareBinary;\n";
    two += action("corvatineCompare", "Compare", CMD_COMPARE);
    two += action("corvatineCompareText", "Compare As Text", CMD_COMPARE_TEXT);
    two += action("corvatineCompareBinary", "Compare As Binary", CMD_COMPARE_BINARY);
    return {{"corvatine-compare-one.desktop", one}, {"corvatine-compare-two.desktop", two}};
}

std::vector<MENUFILE> NemoActions(const std::string& program) {
    const auto action = [&](const char* file, const char* name, int code, const char* selection) {
        // Nemo shows the comment as the item's help, as the extension's
        // help texts.
        const char* comment =
            code == CMD_COMPARE_TO     ? "Compare to the first item using Corvatine"
            : code == CMD_SELECT_FIRST ? "Select the file or folder as first item to compare using Corvatine"
            : code == CMD_COMPARE_TO_CHOSEN ? "Compare to other file or folder using Corvatine"
            : code == CMD_COMPARE           ? "Compare selected files or folders using Corvatine"
            : code == CMD_COMPARE_TEXT      ? "Compare selected files as text using Corvatine"
                                            : "Compare selected files as binary using Corvatine";
        return MENUFILE{file, std::string("[Nemo Action]\nName=") + name + "\nComment=" + comment +
                                  "\nExec=" + ExecLine(program, code) + "\nIcon-Name=" + kIconCompare +
                                  "\nSelection=" + selection + "\nExtensions=any;\n"};
    };
    return {
        action("corvatine-select-first.nemo_action", "Select First Item to Compare", CMD_SELECT_FIRST, "s"),
        action("corvatine-compare-to.nemo_action", "Compare To First Item", CMD_COMPARE_TO, "s"),
        action("corvatine-compare-to-chosen.nemo_action", "Compare To...", CMD_COMPARE_TO_CHOSEN, "s"),
        action("corvatine-compare.nemo_action", "Compare", CMD_COMPARE, "m"),
        action("corvatine-compare-text.nemo_action", "Compare As Text", CMD_COMPARE_TEXT, "m"),
        action("corvatine-compare-binary.nemo_action", "Compare As Binary", CMD_COMPARE_BINARY, "m")};
}

}  // namespace corvatine::shellext
