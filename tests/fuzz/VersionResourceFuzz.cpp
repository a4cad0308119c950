// Fuzz target: the version resource of Windows program files. The first
// byte chooses what the rest is: a whole file, or (odd first byte) a version
// information block that is put into a well-formed PE32 image, so that the
// block's own parse gets the fuzzer's attention. Nothing may be read outside
// the bytes (AddressSanitizer watches), and what is read must lie in range:
// the block is the image's block up to its own length, every queried value is
// a piece of the block, the strings are UTF-8 without NUL, and the file
// version reader answers as the block does.
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "FuzzCheck.h"
#include "foldercompare/FileVersion.h"
#include "platform/VersionResource.h"

using corvatine::CFileVersion;
using corvatine::fuzz::Printable;
using corvatine::fuzz::Require;

namespace {

void Put16(std::vector<uint8_t>& out, size_t at, uint32_t value) {
    out[at] = static_cast<uint8_t>(value);
    out[at + 1] = static_cast<uint8_t>(value >> 8);
}

void Put32(std::vector<uint8_t>& out, size_t at, uint32_t value) {
    for (size_t i = 0; i < 4; ++i) out[at + i] = static_cast<uint8_t>(value >> (8 * i));
}

// A PE32 image with one resource section: the version type, name 1,
// language 0x0409, and the block as the resource's data.
std::vector<uint8_t> ImageWithBlock(std::string_view block) {
    constexpr uint32_t kPeOffset = 0x80, kOptionalSize = 224, kSectionRva = 0x1000, kSectionFile = 0x200;
    std::vector<uint8_t> rsrc(88, 0);
    Put16(rsrc, 14, 1);
    Put32(rsrc, 16, 16);
    Put32(rsrc, 20, 0x80000000u | 24);
    Put16(rsrc, 24 + 14, 1);
    Put32(rsrc, 40, 1);
    Put32(rsrc, 44, 0x80000000u | 48);
    Put16(rsrc, 48 + 14, 1);
    Put32(rsrc, 64, 0x0409);
    Put32(rsrc, 68, 72);
    Put32(rsrc, 72, kSectionRva + static_cast<uint32_t>(rsrc.size()));
    Put32(rsrc, 76, static_cast<uint32_t>(block.size()));
    rsrc.insert(rsrc.end(), block.begin(), block.end());

    std::vector<uint8_t> image(kSectionFile + rsrc.size(), 0);
    image[0] = 'M';
    image[1] = 'Z';
    Put32(image, 0x3C, kPeOffset);
    std::memcpy(&image[kPeOffset], "PE\0\0", 4);
    const size_t coff = kPeOffset + 4;
    Put16(image, coff, 0x14C);
    Put16(image, coff + 2, 1);
    Put16(image, coff + 16, kOptionalSize);
    const size_t optional = coff + 20;
    Put16(image, optional, 0x10B);
    Put32(image, optional + 92, 16);
    Put32(image, optional + 96 + 2 * 8, kSectionRva);
    Put32(image, optional + 96 + 2 * 8 + 4, static_cast<uint32_t>(rsrc.size()));
    const size_t section = optional + kOptionalSize;
    std::memcpy(&image[section], ".rsrc", 5);
    Put32(image, section + 8, static_cast<uint32_t>(rsrc.size()));
    Put32(image, section + 12, kSectionRva);
    Put32(image, section + 16, static_cast<uint32_t>(rsrc.size()));
    Put32(image, section + 20, kSectionFile);
    std::memcpy(&image[kSectionFile], rsrc.data(), rsrc.size());
    return image;
}

bool IsUtf8WithoutNul(const std::string& text) {
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    for (size_t i = 0; i < text.size();) {
        const unsigned c = p[i];
        if (c == 0) return false;
        const size_t length = c < 0x80                ? 1
                              : c >= 0xC2 && c < 0xE0 ? 2
                              : c >= 0xE0 && c < 0xF0 ? 3
                              : c >= 0xF0 && c < 0xF5 ? 4
                                                      : 0;
        if (length == 0 || i + length > text.size()) return false;
        uint32_t value = length == 1 ? c : length == 2 ? c & 0x1F : length == 3 ? c & 0x0F : c & 0x07;
        for (size_t k = 1; k < length; ++k) {
            if ((p[i + k] & 0xC0) != 0x80) return false;
            value = (value << 6) | (p[i + k] & 0x3F);
        }
        const uint32_t least = length == 1 ? 0 : length == 2 ? 0x80 : length == 3 ? 0x800 : 0x10000;
        if (value < least || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) return false;
        i += length;
    }
    return true;
}

// The value lies in the block.
bool PieceOf(const std::vector<uint8_t>& block, const std::vector<uint8_t>& value) {
    if (value.empty() || value.size() > block.size()) return value.empty();
    for (size_t at = 0; at + value.size() <= block.size(); ++at)
        if (std::memcmp(block.data() + at, value.data(), value.size()) == 0) return true;
    return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    const bool wrapped = (data[0] & 1) != 0;
    const std::string_view rest(reinterpret_cast<const char*>(data) + 1, size - 1);
    const std::vector<uint8_t> image =
        wrapped ? ImageWithBlock(rest) : std::vector<uint8_t>(rest.begin(), rest.end());
    const std::string path = corvatine::fuzz::ScratchFolder() + "/image.exe";
    corvatine::fuzz::WriteBytes(path,
                                std::string_view(reinterpret_cast<const char*>(image.data()), image.size()));

    std::vector<uint8_t> block;
    int error = -1;
    const bool found = corvatine::platform::GetFileVersionInfo(path, block, &error);
    Require(error == 0, "a readable file reports no failure");
    Require(found == !block.empty(), "a block is read exactly when one is found");
    Require(corvatine::platform::GetFileVersionInfoSize(path) == block.size(), "the size is the block's");
    if (found) {
        const uint32_t length = static_cast<uint32_t>(block[0] | (block[1] << 8));
        Require(block.size() >= 6 && block.size() <= 0xFFFF && block.size() <= length,
                "a block is no longer than it says");
    }
    if (wrapped) {
        // The block as given, up to its own length; none below six bytes.
        const size_t length =
            rest.size() >= 2 ? static_cast<uint8_t>(rest[0]) | (static_cast<uint8_t>(rest[1]) << 8) : 0;
        const bool expected = rest.size() >= 6 && length >= 6;
        Require(found == expected, "the block of a well-formed image is found", Printable(rest.substr(0, 8)));
        if (found)
            Require(block == std::vector<uint8_t>(
                                 rest.begin(),
                                 rest.begin() + static_cast<std::ptrdiff_t>(std::min(length, rest.size()))),
                    "the block is the image's block up to its own length");
    }

    CFileVersion version;
    int versionError = -1;
    Require(version.Read(path, &versionError) == found && versionError == 0,
            "the file version is there exactly when the block is");
    std::vector<uint8_t> value;
    const bool fixed = corvatine::platform::VerQueryValue(block, "\\", value);
    Require(!fixed || PieceOf(block, value), "the fixed information lies in the block");
    Require(version.hasFixedInfo == (fixed && value.size() == sizeof(corvatine::VS_FIXEDFILEINFO)),
            "the fixed information is read when it has its size");
    if (version.hasFixedInfo)
        Require(std::memcmp(&version.fixedInfo, value.data(), value.size()) == 0,
                "the fixed information is the block's");
    const bool translated =
        corvatine::platform::VerQueryValue(block, "\\VarFileInfo\\Translation", value) && value.size() >= 4;
    Require(!translated || PieceOf(block, value), "the translations lie in the block");
    for (size_t i = 0; i < version.strings.size(); ++i) {
        Require(IsUtf8WithoutNul(version.strings[i]), "a string is UTF-8 without NUL",
                Printable(version.strings[i]));
        Require(translated || version.strings[i].empty(), "strings come only with a translation");
    }
    if (!translated) Require(version.language == 0 && version.codePage == 0, "no translation, no language");

    // Paths made of the block's own bytes, and of its first key's parts.
    for (const std::string_view query :
         {std::string_view("\\StringFileInfo"), std::string_view("\\\\VarFileInfo\\"), rest.substr(0, 24),
          std::string_view("VS_VERSION_INFO")}) {
        if (corvatine::platform::VerQueryValue(block, query, value))
            Require(!value.empty() && PieceOf(block, value), "a queried value lies in the block",
                    Printable(query));
        std::string text;
        if (corvatine::platform::VerQueryString(block, query, text))
            Require(IsUtf8WithoutNul(text), "a queried string is UTF-8 without NUL", Printable(text));
    }
    return 0;
}
