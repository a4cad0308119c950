#include "app/VcsAction.h"

#include <nlohmann/json.hpp>

#include "app/JsonOutput.h"
#include "platform/AtomicFile.h"
#include "platform/Path.h"
#include "vcs/WorkingCopy.h"

namespace corvatine {

namespace {

using Json = nlohmann::ordered_json;

// The front end's words the version-control view takes.
bool AppliesToVcs(const std::string& word) { return word == "vcs" || word == "format" || word == "quiet"; }

Json ChangesToJson(const vcs::CWorkingCopy& copy, const std::vector<vcs::VCSCHANGE>& changes) {
    Json entries = Json::array();
    for (const vcs::VCSCHANGE& change : changes) {
        Json entry;
        entry["status"] = std::string(1, static_cast<char>(change.status));
        entry["statusName"] = vcs::ChangeStatusName(change.status);
        entry["path"] = change.path;
        if (!change.originalPath.empty()) entry["originalPath"] = change.originalPath;
        if (copy.Kind() == vcs::VcsKind::Git) {
            entry["index"] = std::string(1, change.staged == ' ' ? '.' : change.staged);
            entry["workTree"] = std::string(1, change.unstaged == ' ' ? '.' : change.unstaged);
        }
        if (change.submodule) entry["submodule"] = true;
        entries.push_back(std::move(entry));
    }
    Json json;
    json["vcs"] = vcs::VcsProgram(copy.Kind());
    json["root"] = copy.Root();
    json["clean"] = changes.empty();
    json["changes"] = std::move(entries);
    return json;
}

}  // namespace

bool IsVersionControlFolder(const std::string& folder) {
    if (!platform::IsFolder(folder)) return false;
    vcs::WORKINGCOPY copy;
    std::string error;
    return vcs::FindWorkingCopy(folder, copy, error) == vcs::FindResult::Found;
}

int RunVcsAction(const std::string& folder, const FRONTENDOPTIONS& options, platform::COutput& out,
                 platform::COutput& err) {
    for (const std::string& word : options.given)
        if (!AppliesToVcs(word))
            return Trouble(err, "'--" + word + "' does not apply to the version-control view");
    const std::string format = options.format.empty() ? "list" : options.format;
    if (format != "list" && format != "json")
        return Trouble(
            err, "invalid value '" + format + "' for '--format' of the version-control view: list or json");
    vcs::WORKINGCOPY found;
    std::string error;
    switch (vcs::FindWorkingCopy(folder, found, error)) {
        case vcs::FindResult::Found: break;
        case vcs::FindResult::None:
            return Trouble(err, "'" + folder + "' is in no git, Mercurial or Subversion working copy");
        default: return Trouble(err, error);
    }
    const vcs::CWorkingCopy copy(found);
    std::vector<vcs::VCSCHANGE> changes;
    if (!copy.ReadStatus(changes, error)) return Trouble(err, error);
    if (!options.quiet) {
        if (format == "json")
            out << DumpJson(ChangesToJson(copy, changes)) << "\n";
        else
            out << vcs::DumpChanges(changes);
        out.Flush();
        if (out.Failed()) return Trouble(err, "cannot write the output: " + platform::ErrorText(out.Error()));
    }
    return changes.empty() ? EXIT_SAME : EXIT_DIFFERENT;
}

}  // namespace corvatine
