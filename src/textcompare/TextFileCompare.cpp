#include "textcompare/TextFileCompare.h"

#include "fileio/CodePages.h"
#include "fileio/TextFormat.h"
#include "fileio/UniFile.h"
#include "textcompare/TextCompareContext.h"

namespace corvatine {

int CompareTextFiles(const std::string& left, const std::string& right, uint32_t rules,
                     const std::string& lineFilter) {
    CTextCompareObject sides[2];
    const std::string* paths[2] = {&left, &right};
    for (int side = 0; side < 2; ++side) {
        int lossy = 0;
        std::string error;
        const int loaded = sides[side].LoadTextFile(*paths[side], lossy, EOL_KEEP, CP_DETECT, error);
        if (loaded == LOAD_FAILED) return TEXT_FILES_NOT_COMPARED;
        if (loaded == LOAD_BINARY) return TEXT_FILES_NOT_TEXT;
    }
    CTextCompareContext context(sides[0], sides[1]);
    if (!context.Compare(rules, lineFilter)) return TEXT_FILES_NOT_COMPARED;
    return context.IsIdentical() ? TEXT_FILES_EQUAL : TEXT_FILES_DIFFERENT;
}

int CompareTextBytes(const std::string& leftName, std::string_view left, const std::string& rightName,
                     std::string_view right, uint32_t rules, const std::string& lineFilter) {
    CTextCompareObject sides[2];
    const std::string* names[2] = {&leftName, &rightName};
    const std::string_view bytes[2] = {left, right};
    for (int side = 0; side < 2; ++side) {
        int lossy = 0;
        const int loaded = sides[side].LoadTextBytes(*names[side], bytes[side], lossy, EOL_KEEP, CP_DETECT);
        if (loaded == LOAD_FAILED) return TEXT_FILES_NOT_COMPARED;
        if (loaded == LOAD_BINARY) return TEXT_FILES_NOT_TEXT;
    }
    CTextCompareContext context(sides[0], sides[1]);
    if (!context.Compare(rules, lineFilter)) return TEXT_FILES_NOT_COMPARED;
    return context.IsIdentical() ? TEXT_FILES_EQUAL : TEXT_FILES_DIFFERENT;
}

}  // namespace corvatine
