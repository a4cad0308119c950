#include "app/IntegrationAction.h"

#include <cerrno>
#include <memory>

#include "integration/ShellIntegration.h"
#include "integration/VcsIntegration.h"
#include "platform/AtomicFile.h"
#include "platform/FileLock.h"
#include "platform/Output.h"
#include "platform/Path.h"
#include "platform/RegistryHive.h"

namespace corvatine {

namespace {

// The clients' words, as --help and the messages name them.
std::string TargetWords(const std::vector<std::unique_ptr<CClientIntegration>>& clients) {
    std::string words;
    for (size_t i = 0; i < clients.size(); ++i) words += (i == 0 ? "" : ", ") + clients[i]->Name();
    return words;
}

struct STEP {
    CClientIntegration* client;
    bool on;
};

bool AddSteps(const std::vector<std::string>& lists, bool on,
              const std::vector<std::unique_ptr<CClientIntegration>>& clients, std::vector<STEP>& steps,
              platform::COutput& err) {
    for (const std::string& list : lists) {
        if (list.find_first_not_of(',') == std::string::npos) {
            Trouble(err, std::string("option '--") + (on ? "" : "un") +
                             "integrate' needs a list of clients: " + TargetWords(clients));
            return false;
        }
        size_t start = 0;
        while (start <= list.size()) {
            size_t end = list.find(',', start);
            if (end == std::string::npos) end = list.size();
            const std::string name = list.substr(start, end - start);
            start = end + 1;
            if (name.empty()) continue;
            CClientIntegration* found = nullptr;
            for (const auto& client : clients)
                if (client->Name() == name) found = client.get();
            if (found == nullptr) {
                Trouble(err, "unknown integration target '" + name + "' for '--" + (on ? "" : "un") +
                                 "integrate': " + TargetWords(clients));
                return false;
            }
            for (const STEP& step : steps) {
                if (step.client == found && step.on != on) {
                    Trouble(err, "'" + name + "' is named both to integrate and to unintegrate");
                    return false;
                }
            }
            steps.push_back({found, on});
        }
    }
    return true;
}

// A line of a text file that is a conflict marker git leaves.
bool HoldsConflictMarkers(const std::string& text) {
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        const std::string_view line(text.data() + start, end - start);
        for (const char* marker : {"<<<<<<<", ">>>>>>>"})
            if (line.substr(0, 7) == marker && (line.size() == 7 || line[7] == ' ' || line[7] == '\r'))
                return true;
        start = end + 1;
    }
    return false;
}

}  // namespace

int RunIntegrationAction(const FRONTENDOPTIONS& options, const std::string& installDir,
                         platform::COutput& out, platform::COutput& err) {
    platform::CRegistryHive& hive = platform::CurrentUserHive();
    auto clients = MakeClientIntegrations(hive, IntegrationProgramPath(installDir));
    clients.insert(clients.begin(), MakeShellClientIntegration());
    std::vector<STEP> steps;
    if (!AddSteps(options.integrate, true, clients, steps, err) ||
        !AddSteps(options.unintegrate, false, clients, steps, err))
        return EXIT_TROUBLE;

    int status = EXIT_SAME;
    for (const STEP& step : steps) {
        CClientIntegration& client = *step.client;
        const std::string verb = step.on ? "integrate with " : "unintegrate from ";
        // Another run may switch the same client at the same time: the lock is
        // held from reading the client's settings and their backups to writing
        // both, and what another run wrote meanwhile is read first.
        platform::CFileLock lock;
        std::string error;
        constexpr mode_t kSettingsFolderMode = 0700;
        if (!platform::MakeFolders(platform::ConfigFolder(), kSettingsFolderMode, error) ||
            !lock.Lock(platform::SettingsLockPath(platform::ConfigFolder()), error) ||
            !hive.TakeInChanges(error)) {
            status = Trouble(err, "cannot " + verb + client.ClientName() + ": " + error);
            continue;
        }
        if (!client.IsConfigured()) {
            status =
                Trouble(err, "cannot " + verb + client.ClientName() + ": " + client.NotConfiguredReason());
            continue;
        }
        if (step.on ? client.IsIntegrated() : !client.HasIntegration()) {
            if (!options.quiet)
                out << client.Name() << ": " << (step.on ? "already integrated" : "not integrated") << "\n";
            continue;
        }
        if (!client.SetIntegration(step.on)) {
            status = Trouble(err, "cannot " + verb + client.ClientName() + ": " + client.LastError());
            continue;
        }
        if (!options.quiet) {
            out << client.Name() << ": " << (step.on ? "integrated" : "unintegrated") << "\n";
            for (const std::string& note : client.Notes()) out << "  " << note << "\n";
        }
    }
    if (options.integrationStatus) {
        for (const auto& client : clients) {
            out << client->Name() << ": " << client->StateText()
                << ", integrated: " << (client->IsIntegrated() ? "yes" : "no") << "\n";
        }
    }
    out.Flush();
    return status;
}

bool TakeClientArguments(std::vector<std::string>& arguments, RESOLVEWATCH& watch, std::string& error) {
    std::vector<std::string> rest;
    bool optionsEnded = false;
    for (size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (!optionsEnded && argument == "--") optionsEnded = true;
        if (!optionsEnded && argument == "-L" && i + 1 < arguments.size()) {
            ++i;  // the label: the panes show the paths
            continue;
        }
        if (!optionsEnded && argument == "--resolve") {
            watch.active = true;
            continue;
        }
        rest.push_back(argument);
    }
    arguments = std::move(rest);
    if (!watch.active) return true;

    // The merged file is the first path: an argument that is no option, or
    // one after "--", or one starting with '/' that names something.
    optionsEnded = false;
    for (const std::string& argument : arguments) {
        if (!optionsEnded && argument == "--") {
            optionsEnded = true;
            continue;
        }
        const bool option = !optionsEnded && !argument.empty() &&
                            (argument[0] == '-' || (argument[0] == '/' && !platform::PathExists(argument)));
        if (!option) {
            watch.merged = argument;
            break;
        }
    }
    if (watch.merged.empty()) {
        error = "--resolve needs the merged file and the version to compare it with";
        return false;
    }
    if (!platform::GetFileIdentity(watch.merged, watch.before)) {
        error = "cannot open '" + watch.merged + "': " + platform::ErrorText(errno);
        return false;
    }
    return true;
}

int ResolveStatus(const RESOLVEWATCH& watch, int status, platform::COutput& err) {
    if (!watch.active || status == EXIT_TROUBLE) return status;
    platform::FILEIDENTITY now;
    if (!platform::GetFileIdentity(watch.merged, now))
        return Trouble(err, "cannot open '" + watch.merged + "': " + platform::ErrorText(errno));
    if (now == watch.before) {
        err << "corvatine: '" << watch.merged << "' was not saved: the conflict is not resolved\n";
        return EXIT_DIFFERENT;
    }
    std::string text, error;
    bool missing = false;
    if (!platform::ReadWholeFile(watch.merged, text, missing, error)) return Trouble(err, error);
    if (HoldsConflictMarkers(text)) {
        err << "corvatine: '" << watch.merged << "' still holds conflict markers\n";
        return EXIT_DIFFERENT;
    }
    return EXIT_SAME;
}

}  // namespace corvatine
