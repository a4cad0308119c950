#include "request/FilterRecords.h"

#include <limits>

#include "platform/Collate.h"
#include "platform/FileAttributes.h"
#include "platform/LocalTime.h"

namespace corvatine {

namespace {

bool PatternListsDiffer(const std::string& a, const std::string& b) {
    return !platform::EqualNoCaseCollate(a, b);
}

}  // namespace

bool CFileFilters::Differs(const CFileFilters& other) const {
    return PatternListsDiffer(nameInclude, other.nameInclude) ||
           PatternListsDiffer(nameExclude, other.nameExclude) || matchCase != other.matchCase ||
           timeFrom != other.timeFrom || timeTo != other.timeTo || sizeMin != other.sizeMin ||
           sizeMax != other.sizeMax || attributesExclude != other.attributesExclude ||
           typeExclude != other.typeExclude;
}

bool CFolderFilters::Differs(const CFolderFilters& other) const {
    return PatternListsDiffer(nameInclude, other.nameInclude) ||
           PatternListsDiffer(nameExclude, other.nameExclude) || matchCase != other.matchCase ||
           attributesExclude != other.attributesExclude;
}

std::string FilterTimeToText(int64_t time) {
    if (time == 0) return std::string();
    return platform::FormatLocalTime(time, "%Y-%m-%d");
}

int64_t FilterTimeFromText(const std::string& text) {
    int date[3];
    int64_t seconds = 0;
    return platform::SplitDecimalParts(text, '-', date, 3) &&
                   platform::LocalMidnight(date[0], date[1], date[2], seconds)
               ? seconds
               : 0;
}

std::string FilterAttributesToText(uint32_t attributes) {
    std::string text;
    if (attributes & FILE_ATTRIBUTE_READONLY) text += 'R';
    if (attributes & FILE_ATTRIBUTE_ARCHIVE) text += 'A';
    if (attributes & FILE_ATTRIBUTE_SYSTEM) text += 'S';
    if (attributes & FILE_ATTRIBUTE_HIDDEN) text += 'H';
    return text;
}

uint32_t FilterAttributesFromText(const std::string& text) {
    uint32_t attributes = 0;
    for (char c : text) {
        switch (c) {
            case 'R': attributes |= FILE_ATTRIBUTE_READONLY; break;
            case 'H': attributes |= FILE_ATTRIBUTE_HIDDEN; break;
            case 'S': attributes |= FILE_ATTRIBUTE_SYSTEM; break;
            case 'A': attributes |= FILE_ATTRIBUTE_ARCHIVE; break;
            default: break;
        }
    }
    return attributes;
}

std::string FilterTypesToText(uint32_t types) {
    std::string text;
    auto add = [&text](const char* name) {
        if (!text.empty()) text += ';';
        text += name;
    };
    if (types & FILTER_TYPE_TEXT) add("Text");
    if (types & FILTER_TYPE_BINARY) add("Binary");
    if (types & FILTER_TYPE_DIRECTORY) add("Directory");
    return text;
}

uint32_t FilterTypesFromText(const std::string& text) {
    uint32_t types = 0;
    size_t pos = 0;
    while (pos <= text.size()) {
        size_t end = text.find(';', pos);
        if (end == std::string::npos) end = text.size();
        const std::string piece = text.substr(pos, end - pos);
        if (piece == "Text")
            types |= FILTER_TYPE_TEXT;
        else if (piece == "Binary")
            types |= FILTER_TYPE_BINARY;
        else if (piece == "Directory")
            types |= FILTER_TYPE_DIRECTORY;
        pos = end + 1;
    }
    return types;
}

std::string FilterSizeToText(uint64_t size) { return std::to_string(size); }

uint64_t FilterSizeFromText(const std::string& text) {
    constexpr uint64_t kMax = std::numeric_limits<uint64_t>::max();
    uint64_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') break;
        const uint64_t digit = static_cast<uint64_t>(c - '0');
        if (value > (kMax - digit) / 10) return kMax;
        value = value * 10 + digit;
    }
    return value;
}

}  // namespace corvatine
