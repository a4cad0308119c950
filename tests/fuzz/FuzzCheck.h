// What the fuzz targets share: a property that fails stops the run with a
// message that says which one, so that a crash input explains itself.
#pragma once

#include <stdlib.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>

namespace corvatine::fuzz {

// Aborts with the property's name (and a detail, when given) unless it holds.
inline void Require(bool holds, const char* property, std::string_view detail = {}) {
    if (holds) return;
    std::fprintf(stderr, "fuzz property failed: %s", property);
    if (!detail.empty()) std::fprintf(stderr, " (%.*s)", static_cast<int>(detail.size()), detail.data());
    std::fprintf(stderr, "\n");
    std::abort();
}

// Bytes as printable text for the messages: other bytes as \xHH.
inline std::string Printable(std::string_view bytes, size_t limit = 200) {
    static const char kHex[] = "0123456789abcdef";
    std::string out;
    for (size_t i = 0; i < bytes.size() && i < limit; ++i) {
        const unsigned char c = static_cast<unsigned char>(bytes[i]);
        if (c >= 0x20 && c < 0x7F && c != '\\') {
            out += static_cast<char>(c);
        } else {
            out += "\\x";
            out += kHex[c >> 4];
            out += kHex[c & 0xF];
        }
    }
    if (bytes.size() > limit) out += "...";
    return out;
}

// A folder of this process for the files a target writes, removed at exit.
// The name is never destroyed: the removal runs after static destructors.
inline const std::string& ScratchFolder() {
    static const std::string& folder = *[] {
        auto* path =
            new std::string((std::filesystem::temp_directory_path() / "corvatine-fuzz-XXXXXX").string());
        Require(::mkdtemp(path->data()) != nullptr, "a scratch folder can be made", *path);
        std::atexit([] {
            std::error_code ignored;
            std::filesystem::remove_all(ScratchFolder(), ignored);
        });
        return path;
    }();
    return folder;
}

inline void WriteBytes(const std::string& path, std::string_view bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    Require(static_cast<bool>(out.flush()), "a scratch file can be written", path);
}

inline std::string ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    Require(static_cast<bool>(in), "a scratch file can be read", path);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

}  // namespace corvatine::fuzz
