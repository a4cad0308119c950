#include "app/CorvatineApp.h"

#include <ostream>

#include "binarycompare/BinaryComparer.h"
#include "binarycompare/HexEditOptions.h"
#include "editor/SyntaxEditor.h"
#include "foldercompare/FileComparer.h"
#include "foldercompare/FolderCompareOptions.h"
#include "platform/Profile.h"
#include "textcompare/TextCompareOptions.h"

namespace corvatine {

void CCorvatineApp::InitInstance(std::ostream& err) {
    platform::CProfile& profile = platform::AppProfile();
    if (const std::string& warning = profile.Hive().LoadWarning(); !warning.empty())
        err << "corvatine: warning: " << warning << "\n";
    generalOptions.Load(profile);
    installDir = ResolveInstallDir(profile);
    GetSyntaxEditor().Load(profile);
    GetTextComparer().Load(profile);
    GetTextComparer().CreateRecentLists(profile, generalOptions.maxMRU, generalOptions.maxPairs);
    GetFolderComparer().Load(profile);
    GetFolderComparer().LoadFilterLists(profile);
    GetFolderComparer().CreateRecentLists(profile, generalOptions.maxMRU, generalOptions.maxPairs);
    GetFileComparer().Load(profile);
    GetBinaryComparer().Load(profile, generalOptions.maxMRU, generalOptions.maxPairs);
    GetHexEditor().Load(profile);
}

bool CCorvatineApp::ExitInstance(std::ostream& err) {
    platform::CProfile& profile = platform::AppProfile();
    GetSyntaxEditor().Save(profile);
    GetTextComparer().SaveRecentLists(profile);
    GetTextComparer().Save(profile);
    GetFolderComparer().Save(profile);
    GetFolderComparer().SaveFilterLists(profile);
    GetFolderComparer().SaveRecentLists(profile);
    GetFileComparer().Save(profile);
    GetBinaryComparer().SaveRecentLists(profile);
    GetBinaryComparer().Save(profile);
    GetHexEditor().Save(profile);
    generalOptions.Save(profile);

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

}  // namespace corvatine
