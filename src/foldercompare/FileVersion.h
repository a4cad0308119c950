// The version resource of a program file: its fixed file information and the
// strings of the translation that suits the user's language.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace corvatine {

// VS_FIXEDFILEINFO: 13 words, 52 bytes.
struct VS_FIXEDFILEINFO {
    uint32_t dwSignature;  // 0xFEEF04BD
    uint32_t dwStrucVersion;
    uint32_t dwFileVersionMS;
    uint32_t dwFileVersionLS;
    uint32_t dwProductVersionMS;
    uint32_t dwProductVersionLS;
    uint32_t dwFileFlagsMask;
    uint32_t dwFileFlags;
    uint32_t dwFileOS;
    uint32_t dwFileType;
    uint32_t dwFileSubtype;
    uint32_t dwFileDateMS;
    uint32_t dwFileDateLS;
};
static_assert(sizeof(VS_FIXEDFILEINFO) == 52);

class CFileVersion {
public:
    enum StringIndex {
        COMPANY_NAME,
        FILE_DESCRIPTION,
        FILE_VERSION,
        INTERNAL_NAME,
        LEGAL_COPYRIGHT,
        ORIGINAL_FILE_NAME,
        PRODUCT_NAME,
        PRODUCT_VERSION,
        COMMENTS,
        LEGAL_TRADEMARKS,
        PRIVATE_BUILD,
        SPECIAL_BUILD,
        STRING_COUNT
    };
    static const char* const kStringNames[STRING_COUNT];

    VS_FIXEDFILEINFO fixedInfo{};
    std::array<std::string, STRING_COUNT> strings;
    bool hasFixedInfo = false;
    uint16_t language = 0;  // the translation whose strings were read
    uint16_t codePage = 0;

    // Reads the file's version resource. False when it has none (every field
    // stays empty), or when the block cannot be read; then error, when given,
    // holds the errno value of a failure to look at, open or read the file
    // (0 when the file simply has no version resource).
    bool Read(const std::string& path, int* error = nullptr);
    void Clear() { *this = CFileVersion(); }

    // The translation to take from a list of (language, code page) pairs for
    // a user's language: the same language; else the same primary language
    // (low byte); else a neutral one (language 0, or low byte 0); else
    // English (low byte 9); else the first. -1 for an empty list.
    static int ChooseTranslation(const uint16_t* pairs, int count, uint16_t userLanguage);
};

}  // namespace corvatine
