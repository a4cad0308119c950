#include "foldercompare/FileVersion.h"

#include <cstdio>
#include <cstring>
#include <vector>

#include "platform/Locale.h"
#include "platform/VersionResource.h"

namespace corvatine {

const char* const CFileVersion::kStringNames[STRING_COUNT] = {
    "CompanyName", "FileDescription", "FileVersion", "InternalName",    "LegalCopyright", "OriginalFileName",
    "ProductName", "ProductVersion",  "Comments",    "LegalTrademarks", "PrivateBuild",   "SpecialBuild",
};

int CFileVersion::ChooseTranslation(const uint16_t* pairs, int count, uint16_t userLanguage) {
    if (count <= 0) return -1;
    auto language = [&](int i) { return pairs[2 * i]; };
    for (int i = 0; i < count; ++i)
        if (language(i) == userLanguage) return i;
    for (int i = 0; i < count; ++i)
        if ((language(i) & 0xFF) == (userLanguage & 0xFF)) return i;
    for (int i = 0; i < count; ++i)
        if (language(i) == 0 || (language(i) & 0xFF) == 0) return i;
    for (int i = 0; i < count; ++i)
        if ((language(i) & 0xFF) == 9) return i;
    return 0;
}

bool CFileVersion::Read(const std::string& path, int* error) {
    Clear();
    std::vector<uint8_t> block;
    // The block read once: an empty one is no version information.
    int failure = 0;
    const bool found = platform::GetFileVersionInfo(path, block, &failure);
    if (error != nullptr) *error = failure;
    if (!found) return false;

    std::vector<uint8_t> value;
    if (platform::VerQueryValue(block, "\\", value) && value.size() == sizeof fixedInfo) {
        uint32_t words[13];
        for (size_t i = 0; i < 13; ++i)
            words[i] = static_cast<uint32_t>(value[4 * i]) | (static_cast<uint32_t>(value[4 * i + 1]) << 8) |
                       (static_cast<uint32_t>(value[4 * i + 2]) << 16) |
                       (static_cast<uint32_t>(value[4 * i + 3]) << 24);
        std::memcpy(&fixedInfo, words, sizeof fixedInfo);
        hasFixedInfo = true;
    }

    if (platform::VerQueryValue(block, "\\VarFileInfo\\Translation", value) && value.size() >= 4) {
        const int count = static_cast<int>(value.size() / 4);
        std::vector<uint16_t> pairs(static_cast<size_t>(count) * 2);
        for (size_t i = 0; i < pairs.size(); ++i)
            pairs[i] = static_cast<uint16_t>(value[2 * i] | (value[2 * i + 1] << 8));
        const int chosen = ChooseTranslation(pairs.data(), count, platform::UserDefaultLanguage());
        language = pairs[2 * static_cast<size_t>(chosen)];
        codePage = pairs[2 * static_cast<size_t>(chosen) + 1];
        char prefix[40];
        std::snprintf(prefix, sizeof prefix, "\\StringFileInfo\\%04X%04X\\", language, codePage);
        for (int i = 0; i < STRING_COUNT; ++i) {
            std::string text;
            if (platform::VerQueryString(block, std::string(prefix) + kStringNames[i], text))
                strings[static_cast<size_t>(i)] = std::move(text);
        }
    }
    return true;
}

}  // namespace corvatine
