// Fuzz target: the settings file (registry.reg). The input is the file. A
// file that cannot be parsed is put aside with a warning that names it and
// leaves the hive empty; a file that can be parsed writes out as text that
// reads back to the same keys, value names and values, and writes out the
// same again. Values set with any bytes in their names and texts survive a
// write and a read as well.
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "FuzzCheck.h"
#include "platform/RegistryHive.h"

using corvatine::fuzz::Printable;
using corvatine::fuzz::Require;
using corvatine::platform::CRegistryHive;

namespace {

constexpr const char* kRoot = "HKEY_CURRENT_USER";
constexpr const char* kEmptyHive = "Windows Registry Editor Version 5.00\n";

// The key paths, below the root, of the key lines of a written file.
std::vector<std::string> WrittenKeys(const std::string& text) {
    std::vector<std::string> keys;
    const std::string open = std::string("[") + kRoot;
    size_t pos = 0;
    while (pos < text.size()) {
        size_t end = text.find('\n', pos);
        if (end == std::string::npos) end = text.size();
        const std::string_view line(text.data() + pos, end - pos);
        if (line.substr(0, open.size()) == open && line.back() == ']') {
            std::string_view path = line.substr(open.size(), line.size() - open.size() - 1);
            if (!path.empty() && path[0] == '\\') path.remove_prefix(1);
            keys.emplace_back(path);
        }
        pos = end + 1;
    }
    return keys;
}

// Both hives hold the same values under a key, in the same order.
void RequireSameKey(CRegistryHive& a, CRegistryHive& b, const std::string& key) {
    Require(a.HasValues(key) && b.HasValues(key) && a.KeyExists(key) && b.KeyExists(key),
            "a written key holds values on both sides", Printable(key));
    const std::vector<std::string> names = a.ValueNames(key);
    Require(names == b.ValueNames(key), "a key's value names read back in order", Printable(key));
    for (const std::string& name : names) {
        uint32_t da = 0, db = 0;
        std::string sa, sb;
        const bool isDword = a.GetDword(key, name, da);
        Require(isDword == b.GetDword(key, name, db) && da == db, "a dword reads back", Printable(name));
        const bool isString = a.GetString(key, name, sa);
        Require(isString == b.GetString(key, name, sb) && sa == sb, "a string reads back", Printable(name));
        Require(isDword != isString, "a value is a dword or a string", Printable(name));
    }
}

void RemoveSetAside(const std::string& folder) {
    std::error_code ignored;
    for (const auto& entry : std::filesystem::directory_iterator(folder, ignored))
        if (entry.path().filename().string().rfind("registry.reg.bad", 0) == 0)
            std::filesystem::remove(entry.path(), ignored);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::string& folder = corvatine::fuzz::ScratchFolder();
    const std::string path = folder + "/registry.reg";
    corvatine::fuzz::WriteBytes(path, input);

    CRegistryHive first(path, kRoot);
    const std::string warning = first.LoadWarning();
    if (!warning.empty()) {
        Require(
            warning.find(path) != std::string::npos && warning.find("cannot be parsed") != std::string::npos,
            "a refusal names the file and says why", warning);
        Require(first.Serialize() == kEmptyHive, "a refused file leaves the hive empty");
        Require(!std::filesystem::exists(path) && std::filesystem::exists(path + ".bad"),
                "a refused file is put aside");
        RemoveSetAside(folder);
        return 0;
    }

    const std::string written = first.Serialize();
    Require(written.rfind(kEmptyHive, 0) == 0, "a written file starts with its header");
    const std::string again = folder + "/again.reg";
    corvatine::fuzz::WriteBytes(again, written);
    CRegistryHive second(again, kRoot);
    Require(second.LoadWarning().empty(), "what is written reads back", second.LoadWarning());
    Require(second.Serialize() == written, "what is read back writes out the same");
    const std::vector<std::string> keys = WrittenKeys(written);
    for (const std::string& key : keys) RequireSameKey(first, second, key);

    // Any bytes in a value's name and text: the second half of the input as
    // a name and a text, set in the first key read (or a new one).
    const std::string key = keys.empty() ? std::string("Fuzz\\Values") : keys.front();
    const std::string name(input.substr(input.size() / 2, input.size() / 4));
    const std::string text(input.substr(input.size() / 2 + input.size() / 4));
    second.SetString(key, name, text);
    second.SetDword(key, text, static_cast<uint32_t>(size));
    const std::string changed = second.Serialize();
    corvatine::fuzz::WriteBytes(again, changed);
    CRegistryHive third(again, kRoot);
    Require(third.LoadWarning().empty(), "values set with any bytes read back", third.LoadWarning());
    Require(third.Serialize() == changed, "values set with any bytes write out the same");
    for (const std::string& k : WrittenKeys(changed)) RequireSameKey(second, third, k);
    return 0;
}
