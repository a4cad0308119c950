#include "foldercompare/Filters.h"

#include "fileio/CodePages.h"
#include "foldercompare/FileInfo.h"
#include "platform/FileAttributes.h"
#include "platform/FileFind.h"
#include "platform/Wildcard.h"

namespace corvatine {

namespace {

platform::CharacterSet NameCharacterSet() {
    const int codePage = GetACP();
    if (codePage == 65001) return platform::CharacterSet::Utf8;
    return IsDoubleByteCodePage(codePage) ? platform::CharacterSet::DoubleByte
                                          : platform::CharacterSet::SingleByte;
}

// The parts of the file test that an enumeration record can answer.
bool IsFileExcludedByRecord(const CFileFilters& filter, std::string_view name, platform::FILETIME lastWrite,
                            uint64_t size, uint32_t attributes) {
    if (IsNameExcluded(filter.nameInclude, filter.nameExclude, name)) return true;
    if (filter.timeFrom != 0 || filter.timeTo != 0) {
        const int64_t seconds = platform::FileTimeToUnixSeconds(lastWrite);
        if (filter.timeFrom != 0 && seconds < filter.timeFrom) return true;
        if (filter.timeTo != 0 && seconds > filter.timeTo) return true;
    }
    if (filter.sizeMin != 0 && size < filter.sizeMin) return true;
    if (filter.sizeMax != 0 && size > filter.sizeMax) return true;
    return filter.attributesExclude != 0 && (filter.attributesExclude & attributes) != 0;
}

}  // namespace

bool MatchesPatternList(std::string_view list, std::string_view name) {
    const platform::CharacterSet set = NameCharacterSet();
    while (!list.empty()) {
        const size_t end = list.find(';');
        const std::string_view pattern = list.substr(0, end);
        if (!pattern.empty() && platform::WildcardMatch(pattern, name, set)) return true;
        if (end == std::string_view::npos) break;
        list.remove_prefix(end + 1);
    }
    return false;
}

bool IsNameExcluded(std::string_view include, std::string_view exclude, std::string_view name) {
    if (!include.empty() && include != "*" && !MatchesPatternList(include, name)) return true;
    return !exclude.empty() && MatchesPatternList(exclude, name);
}

bool IsExcluded(const CFileFilters& filter, CFileInfoEx& entry) {
    if (entry.AttributeTest(FILE_ATTRIBUTE_DIRECTORY)) return false;
    if (IsFileExcludedByRecord(filter, entry.GetName(), entry.lastWriteTime, entry.GetSize(),
                               entry.attributes))
        return true;
    if (filter.typeExclude == 0) return false;
    const int type = entry.GetContentType();
    // A file that cannot be read stays in, so that the comparison tells it
    // rather than leaving it out unseen.
    if (type == FILE_CONTENT_UNKNOWN && entry.readError != 0) return false;
    return type == FILE_CONTENT_UNKNOWN || (filter.typeExclude & static_cast<uint32_t>(type)) != 0;
}

bool IsExcluded(const CFileFilters& filter, const platform::FINDDATA& data) {
    if (data.attributes & FILE_ATTRIBUTE_DIRECTORY) return false;
    return IsFileExcludedByRecord(filter, data.name, data.lastWriteTime, data.Size(), data.attributes);
}

bool IsExcluded(const CFolderFilters& filter, CFileInfoEx& entry) {
    if (!entry.AttributeTest(FILE_ATTRIBUTE_DIRECTORY)) return false;
    return IsNameExcluded(filter.nameInclude, filter.nameExclude, entry.GetName()) ||
           (filter.attributesExclude & entry.attributes) != 0;
}

bool IsExcluded(const CFolderFilters& filter, const platform::FINDDATA& data) {
    if (!(data.attributes & FILE_ATTRIBUTE_DIRECTORY)) return false;
    return IsNameExcluded(filter.nameInclude, filter.nameExclude, data.name) ||
           (filter.attributesExclude & data.attributes) != 0;
}

bool IsExcluded(const CComboFilters& filter, CFileInfoEx& entry) {
    return entry.AttributeTest(FILE_ATTRIBUTE_DIRECTORY) ? IsExcluded(filter.folderFilters, entry)
                                                         : IsExcluded(filter.fileFilters, entry);
}

bool IsExcluded(const CComboFilters& filter, const platform::FINDDATA& data) {
    return (data.attributes & FILE_ATTRIBUTE_DIRECTORY) ? IsExcluded(filter.folderFilters, data)
                                                        : IsExcluded(filter.fileFilters, data);
}

}  // namespace corvatine
