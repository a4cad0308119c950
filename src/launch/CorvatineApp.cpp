#include "launch/CorvatineApp.h"

#include "editor/EditorOptions.h"
#include "fileio/CodePages.h"
#include "platform/AtomicFile.h"
#include "platform/Output.h"
#include "platform/Path.h"
#include "platform/Profile.h"
#include "platform/RegistryHive.h"

namespace corvatine {

namespace {

// Every run holds text in the working code page, the text editor's setting
// DefaultCodePage: read on its own when the editor's settings are not read
// at start, as the editor reads it.
void TakeWorkingCodePage(const platform::CProfile& profile) {
    const int codePage = profile.GetInt(kTextEditorSettingsKey, "DefaultCodePage", GetACP());
    SetWorkingCodePage(IsCodePageSupported(codePage) ? codePage : GetACP());
}

}  // namespace

CCorvatineApp::CCorvatineApp() : components(platform::AppProfile(), generalOptions) {
    components.MakeAppComponents();
}

void CCorvatineApp::InitInstance(platform::COutput& err, ComponentLoading loading) {
    platform::CProfile& profile = platform::AppProfile();
    if (const std::string& warning = profile.Hive().LoadWarning(); !warning.empty())
        err << "corvatine: warning: " << warning << "\n";
    generalOptions.Load(profile);
    installDir = ResolveInstallDir(profile);
    if (loading == ComponentLoading::AtStart)
        components.LoadAll();
    else
        TakeWorkingCodePage(profile);

    recentComparisonFiles =
        std::make_unique<platform::CRecentFileList>("Recent\\Comparisons", "File%d", generalOptions.maxFiles);
    recentComparisonFiles->Load(profile);
    m_err = &err;
}

CRecentComparisonList* CCorvatineApp::RecentComparisons() {
    if (m_recentComparisons || generalOptions.maxComparisons <= 0) return m_recentComparisons.get();
    // Nothing is written into the installation folder: the list lives with
    // the settings.
    m_recentComparisons = std::make_unique<CRecentComparisonList>(
        platform::JoinPath(platform::ConfigFolder(), kRecentComparisonsFile), generalOptions.maxComparisons,
        generalOptions);
    std::string error;
    if (!m_recentComparisons->Load(error) && m_err != nullptr)
        *m_err << "corvatine: warning: " << error << "\n";
    return m_recentComparisons.get();
}

void CCorvatineApp::AddRecentComparison(const CCompareParams& request) {
    if (CRecentComparisonList* list = RecentComparisons()) list->Add(request);
}

void CCorvatineApp::AddRecentComparisonFile(const std::string& path) {
    if (recentComparisonFiles && !path.empty() && platform::PathExists(path))
        recentComparisonFiles->Add(platform::AbsolutePath(path));
}

void CCorvatineApp::WriteOptions(platform::CProfile& profile) const {
    components.Save();
    generalOptions.Save(profile);
}

bool CCorvatineApp::FlushSettings(platform::COutput& err) {
    bool saved = true;
    for (platform::CRegistryHive* hive : {&platform::CurrentUserHive(), &platform::ClassesRootHive()}) {
        if (!hive->IsModified()) continue;
        std::string error;
        if (!hive->Flush(error)) {
            err << "corvatine: " << error << "\n";
            saved = false;
        }
    }
    return saved;
}

bool CCorvatineApp::SaveOptions(platform::COutput& err) {
    WriteOptions(platform::AppProfile());
    return FlushSettings(err);
}

bool CCorvatineApp::ExitInstance(platform::COutput& err) {
    platform::CProfile& profile = platform::AppProfile();
    // The recent lists first, then the options.
    components.SaveRecentLists();
    if (recentComparisonFiles) recentComparisonFiles->Save(profile);
    WriteOptions(profile);

    bool saved = true;
    if (m_recentComparisons && m_recentComparisons->IsModified()) {
        std::string error;
        if (!platform::MakeFolders(platform::ConfigFolder(), 0700, error) ||
            !m_recentComparisons->Save(error)) {
            err << "corvatine: " << error << "\n";
            saved = false;
        }
    }
    return FlushSettings(err) && saved;
}

}  // namespace corvatine
