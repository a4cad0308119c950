#include "app/FolderAction.h"

#include <cerrno>
#include <cstdio>
#include <nlohmann/json.hpp>
#include <vector>

#include "app/JsonOutput.h"
#include "app/SyncAction.h"
#include "app/TerminalProgress.h"
#include "foldercompare/FolderCompareDoc.h"
#include "foldercompare/FolderCompareOptions.h"
#include "foldercompare/FolderRowClass.h"
#include "persist/ColorScheme.h"
#include "platform/AtomicFile.h"
#include "platform/Output.h"
#include "platform/Path.h"

namespace corvatine {

namespace {

using Json = nlohmann::ordered_json;

// Why the sides of an item could not be read: "left side: Permission
// denied", both sides joined by "; "; empty when both were read.
std::string ReadErrorNote(const CFolderCompareItem& item) {
    std::string note;
    for (int side = 0; side < 2; ++side) {
        const CFolderItem* entry = item.Side(side);
        if (entry == nullptr || entry->readError == 0) continue;
        if (!note.empty()) note += "; ";
        note += side == 0 ? "left side: " : "right side: ";
        note += ReadErrorText(entry->readError);
    }
    return note;
}

std::string SideColumns(const CFolderItem* entry) {
    char text[64];
    if (entry == nullptr) {
        std::snprintf(text, sizeof text, "%15s %-19s", "-", "-");
    } else {
        const std::string size = entry->IsFolder() ? std::string("<folder>") : entry->GetSizeText();
        std::snprintf(text, sizeof text, "%15s %-19s", size.c_str(), entry->GetLastWriteTimeText().c_str());
    }
    return text;
}

void WriteTree(const CFolderCompareDoc& doc, platform::COutput& out) {
    char head[160];
    std::snprintf(head, sizeof head, "%-12s%15s %-19s %15s %-19s %s\n", "STATUS", "LEFT SIZE",
                  "LEFT MODIFIED", "RIGHT SIZE", "RIGHT MODIFIED", "NAME");
    out << head;
    for (const FOLDERREPORTROW& row : doc.VisibleRows()) {
        const CFolderCompareItem& item = *row.item;
        char status[16];
        std::snprintf(status, sizeof status, "%-12s", ClassWord(ClassOf(item, doc.Tolerance())));
        out << status << SideColumns(item.left) << " " << SideColumns(item.right) << " "
            << std::string(2 * static_cast<size_t>(row.level), ' ')
            << platform::EscapeControls(item.GetName()) << (item.IsFolderPair() ? "/" : "");
        if (item.status == STATUS_ERROR)
            if (const std::string note = ReadErrorNote(item); !note.empty()) out << "  (" << note << ")";
        out << "\n";
    }
}

// diff -rq's lines: differing file pairs, and each one-sided entry once (a
// one-sided folder without its contents).
void WriteBrief(const CFolderCompareItem& item, platform::COutput& out) {
    for (const CFolderCompareItem& child : item.Children()) {
        if (child.IsFilteredOut()) continue;
        if (child.IsOrphan()) {
            const CFolderItem* entry = child.left != nullptr ? child.left : child.right;
            out << "Only in " << platform::EscapeControls(entry->GetContainingFolder()) << ": "
                << platform::EscapeControls(entry->GetName()) << "\n";
            continue;
        }
        if (child.IsFolderPair()) {
            WriteBrief(child, out);
        } else if (child.status == STATUS_DIFFERENT) {
            out << "Files " << platform::EscapeControls(child.left->GetFullPath()) << " and "
                << platform::EscapeControls(child.right->GetFullPath()) << " differ\n";
        }
    }
}

Json SideJson(const CFolderItem* entry) {
    if (entry == nullptr) return Json(nullptr);
    Json side{{"name", entry->GetName()},
              {"size", entry->GetSize()},
              {"lastWriteTime", entry->GetLastWriteFileTime()},
              {"lastWriteText", entry->GetLastWriteTimeText()},
              {"attributes", entry->attributes}};
    if (entry->readError != 0) side["error"] = ReadErrorText(entry->readError);
    return side;
}

void AddJsonItems(const CFolderCompareItem& item, Json& items) {
    for (const CFolderCompareItem& child : item.Children()) {
        items.push_back({{"path", child.RelativePath()},
                         {"isFolder", child.IsFolderPair()},
                         {"status", child.status},
                         {"difference", child.difference},
                         {"content", child.content},
                         {"left", SideJson(child.left)},
                         {"right", SideJson(child.right)},
                         {"flags", child.flags}});
        AddJsonItems(child, items);
    }
}

// An entry that could not be read, with the reason.
struct READERROR {
    std::string path;
    std::string reason;
};

// True when the item could not be compared; adds the entries that could not
// be read for it.
bool AddReadErrors(const CFolderCompareItem& item, std::vector<READERROR>& errors) {
    if (item.status != STATUS_ERROR) return false;
    for (const CFolderItem* entry : {item.left, item.right})
        if (entry != nullptr && entry->readError != 0)
            errors.push_back({entry->GetFullPath(), ReadErrorText(entry->readError)});
    return true;
}

// What could not be read, the root first, then the tree in order
// (filtered-out items are not compared). True when any item, the root
// included, could not be compared.
bool CollectReadErrors(const CFolderCompareItem& item, std::vector<READERROR>& errors) {
    bool any = item.parent == nullptr && AddReadErrors(item, errors);
    for (const CFolderCompareItem& child : item.Children()) {
        if (child.IsFilteredOut()) continue;
        if (AddReadErrors(child, errors)) any = true;
        if (CollectReadErrors(child, errors)) any = true;
    }
    return any;
}

}  // namespace

int RunFolderCompare(CComponents& components, const CFolderCompareParams& request,
                     const FRONTENDOPTIONS& options, platform::COutput& out, platform::COutput& err) {
    const std::string format = options.format.empty() ? "tree" : options.format;
    if (format != "tree" && format != "brief" && format != "json")
        return Trouble(
            err, "invalid value '" + format + "' for '--format' of a folder comparison: tree, brief or json");
    CFolderCompareDocEx doc(components.Folders(), components.Text());
    if (!options.show.empty()) {
        uint32_t word = 0;
        if (!FindDisplayFilterPreset(options.show, word)) {
            std::string names;
            for (const DISPLAYFILTERPRESET& preset : kDisplayFilterPresets)
                names += std::string(names.empty() ? "" : ", ") + preset.name;
            return Trouble(err, "invalid value '" + options.show + "' for '--show': " + names);
        }
        doc.SetDisplayFilter(word, false);  // for this run only
    }

    if (const int status = CheckFolderOperations(options, err); status != EXIT_SAME) return status;

    CFolderCompareParams opened;
    opened.CopyFrom(request);
    if (!options.archives.empty()) {
        if (options.archives != "open")
            return Trouble(err, "invalid value '" + options.archives + "' for '--archives': open");
        opened.options |= FOLDER_OPTION_OPEN_ARCHIVES;
    }
    CTerminalProgress progress(err);
    if (!doc.Open(opened, &progress)) {
        const CFolderCompareContext& context = doc.Context();
        if (context.buildError != 0)
            return Trouble(err, "cannot read '" + request.sides[context.buildErrorSide].path +
                                    "': " + ReadErrorText(context.buildError));
        return Trouble(err, "cannot compare '" + request.sides[0].path + "' and '" + request.sides[1].path +
                                "': not both are folders");
    }
    // Whatever the depth of the comparison, nothing printed stays "not compared".
    doc.PrepareAllLevels(&progress);
    if (doc.Root() == nullptr) return Trouble(err, "nothing to compare: neither folder exists");
    if (!options.sync.empty()) return RunFolderSync(doc, options, out, err);
    if (!options.operations.empty() && options.dryRun) return ApplyFolderOperations(doc, options, out, err);
    const int operationStatus =
        options.operations.empty() ? EXIT_SAME : ApplyFolderOperations(doc, options, out, err);

    if (!options.report.empty()) {
        std::string error;
        if (!components.Folders().report.Generate(doc.ReportSource(), components.ColorScheme().FolderReport(),
                                                  options.report, &progress, error))
            return Trouble(err, "cannot write the report: " + error);
    }

    std::vector<READERROR> readErrors;
    const bool errors = CollectReadErrors(*doc.Root(), readErrors);
    for (const READERROR& error : readErrors)
        err << "corvatine: cannot read '" << platform::EscapeControls(error.path) << "': " << error.reason
            << "\n";
    const uint32_t rootStatus = doc.RootStatus();
    const int status = errors || rootStatus == STATUS_ERROR || rootStatus == STATUS_NOT_COMPARED
                           ? EXIT_TROUBLE
                       : rootStatus == STATUS_IDENTICAL || rootStatus == STATUS_SAME_PATH ? EXIT_SAME
                                                                                          : EXIT_DIFFERENT;
    if (options.quiet) return operationStatus != EXIT_SAME ? operationStatus : status;
    if (format == "json") {
        Json items = Json::array();
        AddJsonItems(*doc.Root(), items);
        Json errorList = Json::array();
        for (const READERROR& error : readErrors)
            errorList.push_back({{"path", error.path}, {"reason", error.reason}});
        const Json json{
            {"rootStatus", rootStatus}, {"items", std::move(items)}, {"errors", std::move(errorList)}};
        out << DumpJson(json) << "\n";
    } else if (format == "brief") {
        WriteBrief(*doc.Root(), out);
    } else {
        WriteTree(doc, out);
    }
    out.Flush();
    if (out.Failed()) return Trouble(err, "cannot write the output: " + platform::ErrorText(out.Error()));
    return operationStatus != EXIT_SAME ? operationStatus : status;
}

}  // namespace corvatine
