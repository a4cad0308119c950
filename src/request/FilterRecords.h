// The file and folder filter records that every folder comparison request
// carries, and the text forms in which settings and dialogs hold their fields.
// Whether an entry is excluded is decided by the folder comparison's filters
// (foldercompare/Filters.h), which apply these records.
#pragma once

#include <cstdint>
#include <string>

namespace corvatine {

// Bits of CFileFilters::typeExclude.
enum FilterType : uint32_t {
    FILTER_TYPE_TEXT = 0x1,
    FILTER_TYPE_BINARY = 0x2,
    FILTER_TYPE_DIRECTORY = 0x4,  // stored and compared; excludes nothing
};

class CFileFilters {
public:
    std::string nameInclude = "*";   // wildcard patterns separated by ";"
    std::string nameExclude;         // wildcard patterns separated by ";"
    uint32_t matchCase = 0;          // carried and compared; patterns always ignore case
    int64_t timeFrom = 0;            // seconds since 1970; 0 is no lower bound
    int64_t timeTo = 0;              // seconds since 1970; 0 is no upper bound
    uint64_t sizeMin = 0;            // bytes; 0 is no lower bound
    uint64_t sizeMax = 0;            // bytes; 0 is no upper bound
    uint32_t attributesExclude = 0;  // FILE_ATTRIBUTE_READONLY, _HIDDEN, _SYSTEM, _ARCHIVE
    uint32_t typeExclude = 0;        // FilterType bits

    void Reset() { *this = CFileFilters(); }
    // Pattern lists compare without regard to case under the locale's
    // collation; every other field compares exactly.
    bool Differs(const CFileFilters& other) const;
    bool Equals(const CFileFilters& other) const { return !Differs(other); }
};

class CFolderFilters {
public:
    std::string nameInclude = "*";
    std::string nameExclude;
    uint32_t matchCase = 0;
    uint32_t attributesExclude = 0;

    void Reset() { *this = CFolderFilters(); }
    bool Differs(const CFolderFilters& other) const;
    bool Equals(const CFolderFilters& other) const { return !Differs(other); }
};

// What a folder comparison request carries: entries with the directory
// attribute go to the folder filter, all others to the file filter.
class CComboFilters {
public:
    CFileFilters fileFilters;
    CFolderFilters folderFilters;

    void Reset() { *this = CComboFilters(); }
    bool Differs(const CComboFilters& other) const {
        return fileFilters.Differs(other.fileFilters) || folderFilters.Differs(other.folderFilters);
    }
    bool Equals(const CComboFilters& other) const { return !Differs(other); }
};

// Time form "%Y-%m-%d" of the local day; empty for 0 (no bound).
std::string FilterTimeToText(int64_t time);
// Local midnight of a "%Y-%m-%d" day; 0 (no bound) for an empty or malformed text.
int64_t FilterTimeFromText(const std::string& text);

// Attribute form: the letters R, A, S, H in that order for read-only, archive,
// system, hidden.
std::string FilterAttributesToText(uint32_t attributes);
// Each upper-case letter R, H, S or A found anywhere sets its bit.
uint32_t FilterAttributesFromText(const std::string& text);

// Type form: "Text", "Binary", "Directory" joined by ";".
std::string FilterTypesToText(uint32_t types);
// Each ";"-separated piece that is exactly "Text", "Binary" or "Directory"
// sets its bit; case matters.
uint32_t FilterTypesFromText(const std::string& text);

// Size form: a decimal integer.
std::string FilterSizeToText(uint64_t size);
// The value of the leading decimal digits (0 when there are none); saturates
// at the largest value.
uint64_t FilterSizeFromText(const std::string& text);

}  // namespace corvatine
