#include "PeFiles.h"

#include <cstring>

namespace corvatine::test {

namespace {

void Put16(std::vector<uint8_t>& out, size_t at, uint32_t value) {
    out[at] = static_cast<uint8_t>(value);
    out[at + 1] = static_cast<uint8_t>(value >> 8);
}
void Put32(std::vector<uint8_t>& out, size_t at, uint32_t value) {
    for (int i = 0; i < 4; ++i) out[at + static_cast<size_t>(i)] = static_cast<uint8_t>(value >> (8 * i));
}
void Append16(std::vector<uint8_t>& out, uint32_t value) {
    out.push_back(static_cast<uint8_t>(value));
    out.push_back(static_cast<uint8_t>(value >> 8));
}
void Pad4(std::vector<uint8_t>& out) {
    while (out.size() % 4 != 0) out.push_back(0);
}

}  // namespace

bool HaveMingwTools() {
    for (const char* tool : {"x86_64-w64-mingw32-windres", "x86_64-w64-mingw32-ld"})
        if (RunProgram("/bin/sh", {"-c", std::string("command -v ") + tool}).exitStatus != 0) return false;
    return true;
}

std::string BuildPeImage(const TempDir& dir, const std::string& name, const std::string& resourceScript) {
    const std::string rc = dir.WriteFile(name + ".rc", resourceScript);
    const std::string object = dir / (name + ".o");
    const std::string image = dir / name;
    if (RunProgram("/usr/bin/env", {"x86_64-w64-mingw32-windres", "--preprocessor=cpp", "-c", "65001", rc,
                                    "-O", "coff", "-o", object})
            .exitStatus != 0)
        return {};
    if (RunProgram("/usr/bin/env", {"x86_64-w64-mingw32-ld", "-o", image, object, "--entry=0"}).exitStatus !=
        0)
        return {};
    return image;
}

std::vector<uint8_t> EncodeVersionNode(const VersionNode& node) {
    std::vector<uint8_t> out(6, 0);
    for (const char c : node.key) Append16(out, static_cast<unsigned char>(c));
    Append16(out, 0);
    Pad4(out);
    uint32_t valueLength = 0;
    if (node.text) {
        for (const char c : node.textValue) Append16(out, static_cast<unsigned char>(c));
        Append16(out, 0);
        valueLength = static_cast<uint32_t>(node.textValue.size() + 1);  // in 16-bit words
    } else {
        out.insert(out.end(), node.binaryValue.begin(), node.binaryValue.end());
        valueLength = static_cast<uint32_t>(node.binaryValue.size());
    }
    for (const VersionNode& child : node.children) {
        Pad4(out);
        const std::vector<uint8_t> bytes = EncodeVersionNode(child);
        out.insert(out.end(), bytes.begin(), bytes.end());
    }
    Put16(out, 0, static_cast<uint32_t>(out.size()));
    Put16(out, 2, valueLength);
    Put16(out, 4, node.text ? 1 : 0);
    return out;
}

std::vector<uint8_t> FixedFileInfo(uint32_t versionMS, uint32_t versionLS) {
    std::vector<uint8_t> info(52, 0);
    Put32(info, 0, 0xFEEF04BD);
    Put32(info, 4, 0x00010000);
    Put32(info, 8, versionMS);
    Put32(info, 12, versionLS);
    return info;
}

std::vector<uint8_t> BuildPe32Image(const std::vector<uint8_t>& versionBlock) {
    constexpr uint32_t kPeOffset = 0x80, kOptionalSize = 224, kSectionRva = 0x1000, kSectionFile = 0x200;
    // Resource section: root (type) directory, name directory, language
    // directory, each with one id entry, then the data entry and the block.
    std::vector<uint8_t> rsrc(16 + 8 + 16 + 8 + 16 + 8 + 16, 0);
    Put16(rsrc, 14, 1);
    Put32(rsrc, 16, 16);                // RT_VERSION
    Put32(rsrc, 20, 0x80000000u | 24);  // -> name directory
    Put16(rsrc, 24 + 14, 1);
    Put32(rsrc, 40, 1);                 // name id 1
    Put32(rsrc, 44, 0x80000000u | 48);  // -> language directory
    Put16(rsrc, 48 + 14, 1);
    Put32(rsrc, 64, 0x0409);
    Put32(rsrc, 68, 72);  // -> data entry
    const uint32_t blockAt = static_cast<uint32_t>(rsrc.size());
    Put32(rsrc, 72, kSectionRva + blockAt);
    Put32(rsrc, 76, static_cast<uint32_t>(versionBlock.size()));
    rsrc.insert(rsrc.end(), versionBlock.begin(), versionBlock.end());

    std::vector<uint8_t> image(kSectionFile + rsrc.size(), 0);
    image[0] = 'M';
    image[1] = 'Z';
    Put32(image, 0x3C, kPeOffset);
    std::memcpy(&image[kPeOffset], "PE\0\0", 4);
    const size_t coff = kPeOffset + 4;
    Put16(image, coff, 0x14C);  // i386
    Put16(image, coff + 2, 1);  // one section
    Put16(image, coff + 16, kOptionalSize);
    const size_t optional = coff + 20;
    Put16(image, optional, 0x10B);    // PE32
    Put32(image, optional + 92, 16);  // data directories
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

}  // namespace corvatine::test
