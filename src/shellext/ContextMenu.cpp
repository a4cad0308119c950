#include "shellext/ContextMenu.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstring>
#include <cwchar>

namespace corvatine::shellext {

namespace {

constexpr const char* kProgramName = "corvatine";

struct ITEMTEXT {
    const char* flat;
    const char* cascaded;
};
constexpr ITEMTEXT kSubmenu = {"&Corvatine", "&Corvatine"};
constexpr ITEMTEXT kCompare = {"Compare", "&Compare"};
constexpr ITEMTEXT kCompareAs = {"Compare As", "Compare &As"};
constexpr ITEMTEXT kText = {"&Text", "&Text"};
constexpr ITEMTEXT kBinary = {"&Binary", "&Binary"};
constexpr ITEMTEXT kCompareToRemembered = {"Compare To \"%s\"", "&Compare To \"%s\""};
constexpr ITEMTEXT kCompareToRememberedAs = {"Compare To \"%s\" &As", "Compare To \"%s\" &As"};
constexpr ITEMTEXT kSelectFirst = {"Select First Item to Compare", "&Select First Item to Compare"};
constexpr ITEMTEXT kCompareToChosen = {"Compare To...", "Compare &To..."};

// The help text of a command code; null for the drag commands.
const char* HelpFormat(int code) {
    switch (code) {
        case CMD_SELECT_FIRST: return "Select the file or folder as first item to compare using Corvatine";
        case CMD_COMPARE_TO: return "Compare to \"%s\" using Corvatine";
        case CMD_COMPARE_TO_CHOSEN: return "Compare to other file or folder using Corvatine";
        case CMD_COMPARE: return "Compare selected files or folders using Corvatine";
        case CMD_COMPARE_TEXT: return "Compare selected files as text using Corvatine";
        case CMD_COMPARE_BINARY: return "Compare selected files as binary using Corvatine";
        default: return nullptr;
    }
}

// The format with its one "%s" replaced by value.
std::string Format(const char* format, const std::string& value) {
    std::string text = format;
    if (const size_t at = text.find("%s"); at != std::string::npos) text.replace(at, 2, value);
    return text;
}

bool Exists(const std::string& path) {
    struct stat status;
    return !path.empty() && ::stat(path.c_str(), &status) == 0;
}

bool IsFolder(const std::string& path) {
    struct stat status;
    return ::stat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode);
}

// The last component of a path (the folder's name for "/a/b/").
std::string NameOf(std::string path) {
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    const size_t slash = path.rfind('/');
    return slash == std::string::npos || path.size() == 1 ? path : path.substr(slash + 1);
}

// The folder holding a path ("/" for a top-level entry).
std::string FolderOf(std::string path) {
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// Decodes one UTF-8 sequence at text[pos]; an invalid byte stands for itself.
wchar_t DecodeUtf8(const std::string& text, size_t& pos) {
    const auto byte = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(pos);
    int length = lead < 0x80           ? 1
                 : (lead >> 5) == 0x6  ? 2
                 : (lead >> 4) == 0xE  ? 3
                 : (lead >> 3) == 0x1E ? 4
                                       : 0;
    if (length == 0 || pos + static_cast<size_t>(length) > text.size()) {
        ++pos;
        return static_cast<wchar_t>(lead);
    }
    uint32_t code = length == 1 ? lead : lead & (0x7F >> length);
    for (int i = 1; i < length; ++i) {
        if ((byte(pos + static_cast<size_t>(i)) & 0xC0) != 0x80) {
            ++pos;
            return static_cast<wchar_t>(lead);
        }
        code = (code << 6) | (byte(pos + static_cast<size_t>(i)) & 0x3F);
    }
    pos += static_cast<size_t>(length);
    return static_cast<wchar_t>(code);
}

}  // namespace

void CMenuTree::AddItem(const std::string& text, uint32_t id, const std::string& icon) {
    MENUNODE& parent = m_open.empty() ? m_root : *m_open.back();
    parent.children.push_back(MENUNODE{text, icon, id, false, {}});
}

void CMenuTree::BeginSubmenu(const std::string& text, const std::string& icon) {
    MENUNODE& parent = m_open.empty() ? m_root : *m_open.back();
    parent.children.push_back(MENUNODE{text, icon, 0, true, {}});
    m_open.push_back(&parent.children.back());
}

void CMenuTree::EndSubmenu() {
    if (!m_open.empty()) m_open.pop_back();
}

std::string CMenuTree::Dump() const {
    std::string out;
    const auto dump = [&out](const auto& self, const std::vector<MENUNODE>& nodes, int depth) -> void {
        for (const MENUNODE& node : nodes) {
            out.append(static_cast<size_t>(depth) * 2, ' ');
            out += node.text;
            if (node.submenu)
                out += " >";
            else
                out += " [id " + std::to_string(node.id) + "]";
            if (!node.icon.empty()) out += " {" + node.icon + "}";
            out += '\n';
            if (node.submenu) self(self, node.children, depth + 1);
        }
    };
    dump(dump, m_root.children, 0);
    return out;
}

std::string StripAccelerator(const std::string& text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '&') {
            out += text[i];
        } else if (i + 1 < text.size()) {
            out += text[++i];  // the marked letter, or the second '&' of "&&"
        }
    }
    return out;
}

REMEMBEREDITEMS& RememberedItems() {
    static REMEMBEREDITEMS items;
    return items;
}

CCorvashellContextMenu::CCorvashellContextMenu(std::string configFolder)
    : m_configFolder(std::move(configFolder)) {}

HRESULT CCorvashellContextMenu::Initialize(const std::string& folder, const std::vector<std::string>& items) {
    m_settings = ReadShellSettings(m_configFolder.empty() ? ShellConfigFolder() : m_configFolder);
    m_dragMode = false;
    m_rememberedPair = false;
    m_itemCount = 0;
    m_folder = false;
    m_first.clear();
    m_second.clear();
    m_commands.clear();

    // A failed initialisation leaves nothing for a menu to be built from.
    const auto fail = [this](HRESULT result) {
        m_dragMode = false;
        m_itemCount = 0;
        m_first.clear();
        m_second.clear();
        return result;
    };
    if (items.empty()) {
        // The background of a folder.
        if (m_settings.background == 0 || folder.empty()) return fail(E_INVALIDARG);
        m_second = folder;
        m_itemCount = 1;
        m_folder = true;
        return S_OK;
    }
    if (!folder.empty()) {
        // A drag target must be a place in the file system.
        if (folder.front() != '/') return fail(E_FAIL);
        m_second = folder;
        m_dragMode = true;
    }
    m_itemCount = static_cast<int>(std::min<size_t>(items.size(), 3));
    if (m_dragMode) {
        if (items.size() != 1) return fail(E_INVALIDARG);
        m_first = items[0];
        m_folder = IsFolder(m_first);
        return S_OK;
    }
    if (items.size() == 1) {
        m_second = items[0];
        m_folder = IsFolder(m_second);
        return S_OK;
    }
    if (items.size() == 2) {
        m_first = items[0];
        m_second = items[1];
        const bool firstFolder = IsFolder(m_first);
        m_folder = IsFolder(m_second);
        if (firstFolder != m_folder) return fail(E_INVALIDARG);  // a file and a folder
        return S_OK;
    }
    return fail(E_INVALIDARG);
}

namespace {

// Two paths of one entry: equal but for trailing slashes, or the same file.
bool SamePath(std::string a, std::string b) {
    while (a.size() > 1 && a.back() == '/') a.pop_back();
    while (b.size() > 1 && b.back() == '/') b.pop_back();
    if (a == b) return true;
    struct stat first {
    }, second{};
    return ::stat(a.c_str(), &first) == 0 && ::stat(b.c_str(), &second) == 0 &&
           first.st_dev == second.st_dev && first.st_ino == second.st_ino;
}

}  // namespace

const std::string* CCorvashellContextMenu::UsableRemembered() const {
    const std::string& remembered = m_folder ? RememberedItems().folder : RememberedItems().file;
    return Exists(remembered) ? &remembered : nullptr;
}

HRESULT CCorvashellContextMenu::QueryContextMenu(IMenuBuilder& builder, uint32_t firstId, uint32_t lastId,
                                                 uint32_t flags) {
    m_commands.clear();
    m_rememberedPair = false;
    if ((flags & CMF_DEFAULTONLY) != 0) return 0;

    // The menu as entries first: a submenu opens with its text and closes
    // with code -1; a command is its texts and code.
    struct ENTRY {
        ITEMTEXT text;
        int code;  // 0 opens a submenu, -1 closes it
        const char* icon;
    };
    std::vector<ENTRY> entries;
    const auto command = [&](ITEMTEXT text, int code, const char* icon) {
        entries.push_back({text, code, icon});
    };
    const auto submenu = [&](ITEMTEXT text, int textCode, int binaryCode) {
        entries.push_back({text, 0, kIconCompare});
        command(kText, textCode, nullptr);
        command(kBinary, binaryCode, nullptr);
        entries.push_back({{}, -1, nullptr});
    };

    std::string rememberedName;
    if (m_dragMode && m_itemCount == 1) {
        command(kCompare, CMD_DRAG_COMPARE, kIconCompare);
        if (!m_folder) submenu(kCompareAs, CMD_DRAG_COMPARE_TEXT, CMD_DRAG_COMPARE_BINARY);
    } else if (!m_dragMode && m_itemCount == 2) {
        command(kCompare, CMD_COMPARE, kIconCompare);
        if (!m_folder) submenu(kCompareAs, CMD_COMPARE_TEXT, CMD_COMPARE_BINARY);
    } else if (!m_dragMode && m_itemCount == 1) {
        // Comparing the first item with itself is not offered.
        if (const std::string* remembered = UsableRemembered();
            remembered != nullptr && !SamePath(*remembered, m_second)) {
            m_rememberedPair = true;
            // An "&" of the name is a letter of it, not an accelerator mark.
            for (const char c : NameOf(*remembered))
                rememberedName += c == '&' ? std::string("&&") : std::string(1, c);
            command(kCompareToRemembered, CMD_COMPARE_TO, kIconCompare);
            if (!m_folder) submenu(kCompareToRememberedAs, CMD_COMPARE_TEXT, CMD_COMPARE_BINARY);
        }
        command(kSelectFirst, CMD_SELECT_FIRST, kIconSelectFirst);
        command(kCompareToChosen, CMD_COMPARE_TO_CHOSEN, kIconCompare);
    }

    const size_t needed = static_cast<size_t>(
        std::count_if(entries.begin(), entries.end(), [](const ENTRY& e) { return e.code > 0; }));
    if (needed == 0 || lastId < firstId || lastId - firstId + 1 < needed) {
        m_rememberedPair = false;
        return 0;
    }

    const bool cascaded = m_settings.cascaded != 0;
    if (cascaded) builder.BeginSubmenu(kSubmenu.cascaded, kIconCompare);
    for (const ENTRY& entry : entries) {
        if (entry.code == -1) {
            builder.EndSubmenu();
            continue;
        }
        const std::string text = Format(cascaded ? entry.text.cascaded : entry.text.flat, rememberedName);
        const std::string icon = cascaded || entry.icon == nullptr ? std::string() : entry.icon;
        if (entry.code == 0) {
            builder.BeginSubmenu(text, icon);
        } else {
            builder.AddItem(text, firstId + static_cast<uint32_t>(m_commands.size()), icon);
            m_commands.push_back(entry.code);
        }
    }
    if (cascaded) builder.EndSubmenu();
    return static_cast<HRESULT>(m_commands.size());
}

int CCorvashellContextMenu::CommandAt(uint32_t offset) const {
    return offset < m_commands.size() ? m_commands[offset] : 0;
}

HRESULT CCorvashellContextMenu::GetCommandString(uint32_t offset, uint32_t type, void* buffer,
                                                 size_t size) const {
    if (offset >= m_commands.size()) return E_INVALIDARG;
    if (type == GCS_VALIDATEA || type == GCS_VALIDATEW) return S_OK;
    if (type != GCS_HELPTEXTA && type != GCS_HELPTEXTW) return E_INVALIDARG;  // verbs and the unknown
    if (m_dragMode) return E_INVALIDARG;
    const char* format = HelpFormat(m_commands[offset]);
    if (format == nullptr || buffer == nullptr || size == 0) return E_INVALIDARG;
    const std::string& remembered = m_folder ? RememberedItems().folder : RememberedItems().file;
    const std::string text = Format(format, remembered);

    if (type == GCS_HELPTEXTA) {
        // Cut before a character that does not fit whole.
        size_t length = std::min(text.size(), size - 1);
        if (length < text.size())
            while (length > 0 && (static_cast<unsigned char>(text[length]) & 0xC0) == 0x80) --length;
        char* out = static_cast<char*>(buffer);
        std::memcpy(out, text.data(), length);
        out[length] = '\0';
        return S_OK;
    }
    // The wide form holds the text converted from the working code page,
    // UTF-8.
    wchar_t* out = static_cast<wchar_t*>(buffer);
    size_t written = 0;
    for (size_t pos = 0; pos < text.size() && written + 1 < size;) out[written++] = DecodeUtf8(text, pos);
    out[written] = L'\0';
    return S_OK;
}

std::string CCorvashellContextMenu::ProgramPath() const {
    if (m_settings.installDir.empty()) return {};
    std::string program = m_settings.installDir;
    if (program.back() != '/') program += '/';
    return program + kProgramName;
}

std::string CCorvashellContextMenu::FailureText(int error) const {
    if (m_settings.installDir.empty())
        return "the program is not found: the settings hold no InstallDir (running corvatine once records "
               "it)";
    std::string text = "cannot start " + ProgramPath();
    if (error != 0) {
        char buffer[256];
        // The GNU form returns the text, which may not be in buffer.
        text += std::string(": ") + strerror_r(error, buffer, sizeof buffer);
    }
    return text;
}

HRESULT CCorvashellContextMenu::StartProgram(const std::vector<std::string>& arguments,
                                             IProgramStarter& starter) const {
    // Without InstallDir there is nothing to start; FailureText says so.
    if (m_settings.installDir.empty()) return E_FAIL;
    return starter.Start(ProgramPath(), arguments) ? S_OK : E_FAIL;
}

HRESULT CCorvashellContextMenu::Start(const std::string& left, const std::string& right, const char* type,
                                      IProgramStarter& starter) const {
    std::vector<std::string> arguments = {"-c", left, right};
    if (type != nullptr) arguments.push_back(type);
    return StartProgram(arguments, starter);
}

HRESULT CCorvashellContextMenu::InvokeCommand(uint32_t offset, IProgramStarter& starter,
                                              IItemChooser* chooser) {
    // A verb given by name has a non-zero high word: not one of ours.
    if ((offset >> 16) != 0 || offset >= m_commands.size()) return E_INVALIDARG;
    // The program is looked up now: InstallDir may have been written since
    // the menu was built.
    const SHELLSETTINGS now =
        ReadShellSettings(m_configFolder.empty() ? ShellConfigFolder() : m_configFolder);
    m_settings.installDir = now.installDir;
    std::string& remembered = m_folder ? RememberedItems().folder : RememberedItems().file;
    const int code = m_commands[offset];
    switch (code) {
        case CMD_SELECT_FIRST: remembered = m_second; return S_OK;
        case CMD_COMPARE_TO: return Start(remembered, m_second, nullptr, starter);
        case CMD_COMPARE_TO_CHOSEN: {
            // Without a chooser of the file manager's, the program asks.
            if (chooser == nullptr) return StartProgram({"--compare-to-chosen", m_second}, starter);
            CHOOSEREQUEST request;
            request.folder = m_folder;
            if (m_folder) {
                request.title = "Select Folder to Compare";
                request.startFolder = m_second;
            } else {
                request.title = "Select File to Compare";
                request.filterName = "All Files (*.*)";
                request.startFolder = FolderOf(m_second);
            }
            std::string chosen;
            if (!chooser->Choose(request, chosen) || chosen.empty()) return S_OK;
            return Start(m_second, chosen, nullptr, starter);
        }
        case CMD_COMPARE: return Start(m_first, m_second, nullptr, starter);
        case CMD_COMPARE_TEXT:
        case CMD_COMPARE_BINARY: {
            const char* type = code == CMD_COMPARE_TEXT ? "/t:text" : "/t:binary";
            return m_rememberedPair ? Start(remembered, m_second, type, starter)
                                    : Start(m_first, m_second, type, starter);
        }
        case CMD_DRAG_COMPARE: return Start(m_first, m_second, nullptr, starter);
        case CMD_DRAG_COMPARE_TEXT: return Start(m_first, m_second, "/t:text", starter);
        case CMD_DRAG_COMPARE_BINARY: return Start(m_first, m_second, "/t:binary", starter);
        default: return E_INVALIDARG;
    }
}

}  // namespace corvatine::shellext
