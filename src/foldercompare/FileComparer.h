// The file comparison component: the external comparison tools a file pair
// can be opened with instead of the program's own comparisons.
#pragma once

#include <string>
#include <vector>

#include "platform/Profile.h"

namespace corvatine {

struct CExternalTool {
    std::string name;
    std::string extensions;  // with their dots, for example ".c;.cpp;.h"
    std::string command;     // the program
    std::string arguments;   // a template holding "%1" (left path) and "%2" (right path)
};

inline constexpr const char* kExternalToolsKey = "Comparisons\\FileComparison\\Settings\\ExternalTools";

class CFileCompareOptions {
public:
    std::vector<CExternalTool> externalTools;

    // "Name%d", "Extensions%d", "Command%d", "Arguments%d" from 1, up to the
    // first absent or empty name; a tool missing any other value is skipped.
    void Load(const platform::CProfile& profile);
    // Replaces the whole key with the tools in list order, numbered from 1.
    void Save(platform::CProfile& profile) const;
};

class CFolderItem;

// How a pair of the folder view opens.
enum PairOpening : int {
    OPEN_NOTHING = 0,    // neither side is present
    OPEN_FOLDERS,        // a folder comparison of the two subfolders
    OPEN_EXTERNAL_TOOL,  // an external tool matches the file pair
    OPEN_BINARY,         // either side is binary
    OPEN_TEXT,
    OPEN_LEFT_ONLY,  // the viewer of the one side present
    OPEN_RIGHT_ONLY,
};

class CFileComparer : public CFileCompareOptions {
public:
    // A folder pair opens as folders; a file pair goes to the first matching
    // external tool (its index in tool), else binary when either side is
    // binary, else text; a one-sided entry opens alone.
    int ChooseOpening(CFolderItem* left, CFolderItem* right, int& tool) const;

    // The first tool whose extensions hold the pair's extension, or -1. Both
    // paths must have the same extension (compared in lower case); the
    // extension is looked for as a piece of the tool's extensions text.
    int FindExternalTool(const std::string& left, const std::string& right) const;

    // The argument words of a tool for a pair: the template split into words
    // as a shell would (without expansion), then "%1" and "%2" replaced in
    // each word by the paths as they are. False for a template whose quotes
    // do not close.
    static bool BuildArguments(const CExternalTool& tool, const std::string& left, const std::string& right,
                               std::vector<std::string>& words);

    // Starts the tool (index, or -1 to find one) for the pair, directly and
    // without waiting. 0 on success, -1 when none matches or it cannot be
    // started (error then says why).
    int RunExternalTool(int index, const std::string& left, const std::string& right,
                        std::string& error) const;
};

}  // namespace corvatine
