// Start and stop of the program: the settings and the components that hold
// them for the whole run.
#pragma once

#include <memory>
#include <string>

#include "launch/Components.h"
#include "persist/GeneralOptions.h"
#include "persist/RecentComparisonList.h"
#include "platform/Output.h"
#include "platform/RecentFileList.h"

namespace corvatine {

// When a run reads its components: the window reads them all at start-up;
// a command-line run reads each when it first needs it.
enum class ComponentLoading { AtStart, OnFirstUse };

class CCorvatineApp {
public:
    CCorvatineApp();

    // Selects the settings root, loads the general options, resolves the
    // installation folder, then loads the components (all of them, or none
    // yet) and the recent comparison files. A settings file that could not
    // be used is reported on err; the defaults are used then.
    void InitInstance(platform::COutput& err, ComponentLoading loading = ComponentLoading::AtStart);

    // The components read, then the general options, write their settings
    // back and the settings files are saved; values of components the run
    // did not read stay as they were. False, with the reason on err, when a
    // file could not be saved; it is then left as it was.
    bool ExitInstance(platform::COutput& err);

    // The options of the components read and the general options are written and
    // the settings files saved, as the options dialog does when confirmed.
    // False, with the reason on err, when a file could not be saved.
    bool SaveOptions(platform::COutput& err);

    // Records a comparison that is being made in the recent comparisons list
    // (the list decides whether it is kept).
    void AddRecentComparison(const CCompareParams& request);
    // The recent comparisons list, "MRU.cmp" in the configuration folder,
    // read on first use so that runs which compare nothing do not read it;
    // null when MaxComparisons is 0.
    CRecentComparisonList* RecentComparisons();
    // Adds a comparison file to the recent comparison files list when its
    // path is not empty and exists; the list keeps absolute paths.
    void AddRecentComparisonFile(const std::string& path);

    CGeneralOptions generalOptions;
    // The settings objects of the run, handed to the documents and requests
    // that need them; AppComponents gives them too.
    CComponents components;
    std::string installDir;
    // Recent comparison files, "Recent\Comparisons", MaxFiles entries.
    std::unique_ptr<platform::CRecentFileList> recentComparisonFiles;

private:
    // Writes the options of the components read and the general options into the profile.
    void WriteOptions(platform::CProfile& profile) const;
    // Saves the settings files that hold changes.
    static bool FlushSettings(platform::COutput& err);

    std::unique_ptr<CRecentComparisonList> m_recentComparisons;
    platform::COutput* m_err = nullptr;  // where a list that cannot be read is reported
};

}  // namespace corvatine
