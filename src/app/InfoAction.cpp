#include "app/InfoAction.h"

#include <nlohmann/json.hpp>

#include "app/FrontEndOptions.h"
#include "app/JsonOutput.h"
#include "foldercompare/FolderItem.h"
#include "platform/AtomicFile.h"
#include "platform/FileFind.h"
#include "platform/Output.h"
#include "platform/Path.h"

namespace corvatine {

int RunInfoAction(const std::string& path, platform::COutput& out, platform::COutput& err) {
    platform::FINDDATA data;
    int error = 0;
    if (path != "/" && !platform::FindEntry(path, data, &error))
        return Trouble(err, "cannot read '" + path + "': " + platform::ErrorText(error));

    std::unique_ptr<CFolderItem> entry;
    if (platform::IsFolder(path))
        entry = std::make_unique<CFolder>();
    else
        entry = std::make_unique<CFolderItem>();
    if (!entry->Refresh(path)) return Trouble(err, "cannot read '" + path + "': the entry has gone");
    // Read first, so that the attribute text shows the encoding class the
    // content type determined.
    if (!entry->IsFolder()) entry->ReadVersion();
    entry->GetContentType();
    entry->GetCRC();

    using Json = nlohmann::ordered_json;
    Json json;
    json["name"] = entry->GetName();
    json["path"] = entry->GetFullPath();
    json["isFolder"] = entry->IsFolder();
    json["size"] = entry->GetSize();
    json["sizeText"] = entry->GetSizeText();
    json["attributes"] = entry->attributes;
    json["attributesText"] = entry->GetAttributeText();
    json["lastWriteTime"] = entry->GetLastWriteFileTime();
    json["lastWriteText"] = entry->GetLastWriteTimeText();
    json["contentType"] = entry->GetContentType();
    json["crc"] = entry->GetCRC();
    json["crcText"] = entry->GetCRCText();
    uint32_t versionMS, versionLS;
    entry->GetFileVersion(versionMS, versionLS);
    json["version"] = {versionMS, versionLS};
    json["versionText"] = entry->GetVersionText();
    out << DumpJson(json) << "\n";
    return EXIT_SAME;
}

}  // namespace corvatine
