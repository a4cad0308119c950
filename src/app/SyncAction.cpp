#include "app/SyncAction.h"

#include <unistd.h>

#include <cstdio>
#include <memory>
#include <vector>

#include "app/ConsoleMessages.h"
#include "app/TerminalProgress.h"
#include "foldercompare/FileOperation.h"
#include "foldercompare/FolderCompareOptions.h"
#include "foldercompare/FolderItemLookup.h"
#include "foldercompare/SyncWizard.h"
#include "platform/AtomicFile.h"
#include "platform/FileAttributes.h"
#include "platform/LocalTime.h"
#include "platform/Output.h"
#include "platform/Terminal.h"
#include "request/CompareMethods.h"

namespace corvatine {

namespace {

// One --op value, understood.
struct OPERATION {
    std::string text;  // as given
    std::string verb;  // "copy", "delete" ...
    std::string path;  // the item, below the roots; "." the roots
    std::unique_ptr<CFileOperation> command;
    // The sides whose entry it acts on (SIDE_LEFT, SIDE_RIGHT): of two rows of
    // one name (a file on one side, a folder on the other), the row it means.
    uint32_t sides = SIDE_BOTH;
};

// "left" 1, "right" 2, "both" 3 (both only when allowed); 0 for anything else.
uint32_t SideMaskWord(const std::string& word, bool bothAllowed) {
    if (word == "left") return SIDE_LEFT;
    if (word == "right") return SIDE_RIGHT;
    if (word == "both" && bothAllowed) return SIDE_BOTH;
    return 0;
}

// A local time "YYYY-MM-DDTHH:MM:SS" as a file time; false when it is no
// such time (a day that does not exist included) or before 1970.
bool ParseLocalTime(const std::string& text, FILETIME& time) {
    int year, month, day, hour, minute, second, length = 0;
    if (std::sscanf(text.c_str(), "%4d-%2d-%2dT%2d:%2d:%2d%n", &year, &month, &day, &hour, &minute, &second,
                    &length) != 6 ||
        static_cast<size_t>(length) != text.size())
        return false;
    int64_t seconds = 0;
    if (!platform::LocalDateTime(year, month, day, hour, minute, second, seconds)) return false;
    time = platform::FileTimeFromUnix(seconds, 0);
    return true;
}

// "+r", "-r", "+h-s" ...: the attribute bits to set and to clear.
bool ParseAttributeChange(const std::string& text, uint32_t& set, uint32_t& clear) {
    set = clear = 0;
    if (text.empty() || (text[0] != '+' && text[0] != '-')) return false;
    bool adding = true;
    for (const char c : text) {
        uint32_t bit = 0;
        switch (c) {
            case '+': adding = true; continue;
            case '-': adding = false; continue;
            case 'r': bit = FILE_ATTRIBUTE_READONLY; break;
            case 'h': bit = FILE_ATTRIBUTE_HIDDEN; break;
            case 's': bit = FILE_ATTRIBUTE_SYSTEM; break;
            default: return false;
        }
        (adding ? set : clear) |= bit;
    }
    return set != 0 || clear != 0;
}

// The parts of an --op value after its verb.
struct OperationParts {
    std::string sides;  // "left", "both", "left-to-right" ...; empty for compare-contents
    std::string value;  // after '='
    bool hasValue = false;
};

// Splits "VERB:SIDES:ITEM[=VALUE]" (compare-contents has no sides) into the
// operation's text, verb and item and the other parts.
bool SplitOperation(const std::string& text, OPERATION& operation, OperationParts& parts,
                    std::string& error) {
    operation.text = text;
    const size_t colon = text.find(':');
    operation.verb = text.substr(0, colon);
    std::string rest;
    if (colon == std::string::npos) {
        error = "no item";
        return false;
    }
    if (operation.verb == "compare-contents") {
        rest = text.substr(colon + 1);
    } else {
        const size_t second = text.find(':', colon + 1);
        if (second == std::string::npos) {
            error = "no sides or no item";
            return false;
        }
        parts.sides = text.substr(colon + 1, second - colon - 1);
        rest = text.substr(second + 1);
    }
    const size_t equals = rest.find('=');
    parts.hasValue = equals != std::string::npos;
    operation.path = rest.substr(0, equals);
    parts.value = parts.hasValue ? rest.substr(equals + 1) : std::string();
    if (operation.path.empty()) {
        error = "no item (\".\" names the compared folders)";
        return false;
    }
    return true;
}

bool NoValue(const OperationParts& parts, std::string& error) {
    if (!parts.hasValue) return true;
    error = "takes no value";
    return false;
}

bool NeedsValue(const OperationParts& parts, const char* what, std::string& error) {
    if (parts.hasValue && !parts.value.empty()) return true;
    error = std::string("needs ") + what + " after '='";
    return false;
}

// The sides left, right or both; 0 with error for anything else.
uint32_t EitherOrBothSides(const OperationParts& parts, std::string& error) {
    const uint32_t mask = SideMaskWord(parts.sides, true);
    if (mask == 0) error = "sides must be left, right or both";
    return mask;
}

// The side left or right; 0 with error for anything else.
uint32_t OneSide(const OperationParts& parts, std::string& error) {
    const uint32_t side = SideMaskWord(parts.sides, false);
    if (side == 0) error = "side must be left or right";
    return side;
}

bool ParseCopyOrMove(const OperationParts& parts, bool, OPERATION& operation, std::string& error) {
    const std::string& sides = parts.sides;
    if (sides != "left-to-right" && sides != "right-to-left") {
        error = "sides must be left-to-right or right-to-left";
        return false;
    }
    if (!NoValue(parts, error)) return false;
    operation.command = std::make_unique<CFileOperation>(operation.verb == "copy" ? FILEOP_COPY : FILEOP_MOVE,
                                                         sides == "left-to-right" ? 0u : 1u);
    operation.sides = sides == "left-to-right" ? SIDE_LEFT : SIDE_RIGHT;
    return true;
}

bool ParseDelete(const OperationParts& parts, bool trash, OPERATION& operation, std::string& error) {
    const uint32_t mask = EitherOrBothSides(parts, error);
    if (mask == 0 || !NoValue(parts, error)) return false;
    operation.command = std::make_unique<CFileOperation>(FILEOP_DELETE, mask);
    operation.sides = mask;
    if (trash) operation.command->shellFlags |= platform::FOF_ALLOWUNDO;
    return true;
}

// rename and new-folder: the name is the value.
bool ParseNaming(const OperationParts& parts, bool, OPERATION& operation, std::string& error) {
    const uint32_t mask = EitherOrBothSides(parts, error);
    if (mask == 0 || !NeedsValue(parts, "a name", error)) return false;
    const std::string& value = parts.value;
    if (value.find('/') != std::string::npos || value == "." || value == "..") {
        error = "'" + value + "' is not a name";
        return false;
    }
    operation.sides = mask;
    if (operation.verb == "rename")
        operation.command = std::make_unique<CRename>(mask, value);
    else
        operation.command = std::make_unique<CNewFolder>(mask, value);
    return true;
}

bool ParseSetTime(const OperationParts& parts, bool, OPERATION& operation, std::string& error) {
    const uint32_t side = OneSide(parts, error);
    if (side == 0) return false;
    operation.sides = side;
    auto command = std::make_unique<CSetTime>(side);
    command->copyFromOtherSide = parts.hasValue ? 0 : 1;
    if (parts.hasValue && !ParseLocalTime(parts.value, command->time)) {
        error = "'" + parts.value + "' is not a local time YYYY-MM-DDTHH:MM:SS";
        return false;
    }
    operation.command = std::move(command);
    return true;
}

bool ParseSetAttributes(const OperationParts& parts, bool, OPERATION& operation, std::string& error) {
    const uint32_t mask = EitherOrBothSides(parts, error);
    if (mask == 0) return false;
    operation.sides = mask;
    auto command = std::make_unique<CSetAttributes>(mask);
    if (!parts.hasValue || !ParseAttributeChange(parts.value, command->setMask, command->clearMask)) {
        error = "needs the attributes to change after '=': +r or -r";
        return false;
    }
    operation.command = std::move(command);
    return true;
}

bool ParseCopyToFolder(const OperationParts& parts, bool, OPERATION& operation, std::string& error) {
    const uint32_t side = OneSide(parts, error);
    if (side == 0 || !NeedsValue(parts, "a target folder", error)) return false;
    operation.command = std::make_unique<CCopyToFolder>(side == SIDE_LEFT ? 0u : 1u, parts.value);
    operation.sides = side;
    return true;
}

bool ParseCompareContents(const OperationParts& parts, bool, OPERATION& operation, std::string& error) {
    uint32_t method = 0;
    if (parts.value == "crc") method = METHOD_CRC;
    if (parts.value == "binary") method = METHOD_BINARY;
    if (parts.value == "text") method = METHOD_TEXT;
    if (method == 0) {
        error = "needs the method after '=': crc, binary or text";
        return false;
    }
    operation.command = std::make_unique<CCompareContents>(method);
    return true;
}

// The verbs of --op and how the rest of each is understood.
struct OperationVerb {
    const char* verb;
    bool (*parse)(const OperationParts& parts, bool trash, OPERATION& operation, std::string& error);
};

constexpr OperationVerb kOperationVerbs[] = {
    {"copy", ParseCopyOrMove},
    {"move", ParseCopyOrMove},
    {"delete", ParseDelete},
    {"rename", ParseNaming},
    {"new-folder", ParseNaming},
    {"set-time", ParseSetTime},
    {"set-attributes", ParseSetAttributes},
    {"copy-to-folder", ParseCopyToFolder},
    {"compare-contents", ParseCompareContents},
};

// Understands one --op value; false with error saying what is wrong.
bool ParseOperation(const std::string& text, bool trash, OPERATION& operation, std::string& error) {
    OperationParts parts;
    if (!SplitOperation(text, operation, parts, error)) return false;
    for (const OperationVerb& verb : kOperationVerbs)
        if (operation.verb == verb.verb) return verb.parse(parts, trash, operation, error);
    error = "unknown operation '" + operation.verb +
            "': copy, move, delete, rename, new-folder, set-time, set-attributes, copy-to-folder or "
            "compare-contents";
    return false;
}

bool HasSide(const CFolderCompareItem& item, uint32_t sides) {
    return ((sides & SIDE_LEFT) && item.Side(0) != nullptr) ||
           ((sides & SIDE_RIGHT) && item.Side(1) != nullptr);
}

// The rows at a '/'-separated path below the roots ("." the roots) that an
// operation on sides acts on: a file and a folder of one name are two rows,
// and a delete takes each that has an entry on its sides; the others take
// the first such row. When no row of that name has one, the first row of the
// name (whose operation then says what is missing); empty when there is none.
std::vector<CFolderCompareItem*> RowsOfOperation(CFolderCompareItem& root, const OPERATION& operation) {
    const std::vector<CFolderCompareItem*> rows = FindItems(root, operation.path);
    if (rows.empty()) return {};
    std::vector<CFolderCompareItem*> chosen;
    for (CFolderCompareItem* row : rows)
        if (row == &root || HasSide(*row, operation.sides)) chosen.push_back(row);
    if (chosen.empty()) chosen.push_back(rows.front());
    if (operation.verb != "delete") chosen.resize(1);
    return chosen;
}

// The lists of the prepare page: each summary line, then its entries (names
// escaped, so that none can forge a line of the plan), then the leftovers of
// interrupted runs that go first.
void PrintPlan(const CSyncPreparePage& page, platform::COutput& out) {
    const std::vector<std::string> lines = page.SummaryLines();
    size_t line = 0;
    for (int list = 0; list < 2; ++list) {
        if (page.ListLabel(list).empty()) continue;
        out << lines[line++] << "\n";
        for (const SYNCENTRY& entry : page.lists[list])
            out << "  " << platform::EscapeControls(entry.path) << (entry.isFolder ? "/" : "") << "\n";
    }
    if (!page.leftovers.empty()) {
        out << CSyncPreparePage::kLeftoversLabel << ": " << page.leftovers.size() << "\n";
        for (const SYNCENTRY& entry : page.leftovers)
            out << "  " << platform::EscapeControls(entry.path) << (entry.isFolder ? "/" : "") << "\n";
    }
}

// The entries below an entry of a tree (a link is one entry), files and
// folders apart, and the entry itself.
void CountEntries(const CFolderItem& entry, SYNCCOUNT& count) {
    if (!entry.IsFolder() || entry.IsLink()) {
        ++count.files;
        return;
    }
    ++count.folders;
    if (const CFolderItems* children = static_cast<const CFolder&>(entry).Children())
        for (int i = 0; i < children->GetCount(); ++i) CountEntries(*(*children)[i], count);
}

// The process page's log on the terminal: the log lines on out, why an
// entry failed on err.
class CConsoleSyncLog : public CSyncLog {
public:
    CConsoleSyncLog(platform::COutput& out, platform::COutput& err) : m_out(out), m_err(err) {}
    void AddLine(const std::string& line) override {
        m_out << line << "\n";
        if (line == "OK" || line == "ERROR!") m_out.Flush();
    }
    void Failed(const SYNCENTRY& entry, const std::string& reason) override {
        m_err << "corvatine: " << platform::EscapeControls(entry.path) << ": "
              << platform::EscapeControls(reason) << "\n";
    }
    void RunFailed(const std::string& reason) override {
        m_err << "corvatine: " << platform::EscapeControls(reason) << "\n";
    }

private:
    platform::COutput& m_out;
    platform::COutput& m_err;
};

}  // namespace

int CheckFolderOperations(const FRONTENDOPTIONS& options, platform::COutput& err) {
    for (const std::string& text : options.operations) {
        OPERATION operation;
        std::string error;
        if (!ParseOperation(text, options.trash, operation, error))
            return Trouble(err, "invalid operation '--op=" + text + "': " + error);
    }
    if (!options.operations.empty() && !options.sync.empty())
        return Trouble(err, "'--op' and '--sync' cannot be given together");
    return EXIT_SAME;
}

int ApplyFolderOperations(CFolderCompareDoc& doc, const FRONTENDOPTIONS& options, platform::COutput& out,
                          platform::COutput& err) {
    std::vector<OPERATION> operations(options.operations.size());
    for (size_t i = 0; i < operations.size(); ++i) {
        std::string error;
        if (!ParseOperation(options.operations[i], options.trash, operations[i], error))
            return Trouble(err, "invalid operation '--op=" + options.operations[i] + "': " + error);
    }
    // What is done on one side of nested folders also changes the other.
    for (const OPERATION& operation : operations)
        if (operation.verb != "compare-contents")
            if (const std::string refusal = NestedRootsRefusal(doc.Context(), "cannot " + operation.verb);
                !refusal.empty())
                return Trouble(err, refusal);
    // The deletes, counted before anything is done.
    SYNCCOUNT deletes;
    for (const OPERATION& operation : operations) {
        if (operation.verb != "delete") continue;
        for (const CFolderCompareItem* item : RowsOfOperation(*doc.Root(), operation))
            for (int side = 0; side < 2; ++side)
                if ((operation.command->sides & (side == 0 ? SIDE_LEFT : SIDE_RIGHT)) &&
                    item->Side(side) != nullptr)
                    CountEntries(*item->Side(side), deletes);
    }
    if (options.maxDelete >= 0 && deletes.Entries() > options.maxDelete)
        return Trouble(err, "the operations would delete " + deletes.Text() + ", more than --max-delete=" +
                                std::to_string(options.maxDelete) + "; nothing was changed");
    if (options.dryRun) {
        // What each would do, and nothing done.
        int status = EXIT_SAME;
        for (const OPERATION& operation : operations) {
            const std::vector<CFolderCompareItem*> items = RowsOfOperation(*doc.Root(), operation);
            if (items.empty()) {
                status = Trouble(err, "cannot " + operation.verb + " '" +
                                          platform::EscapeControls(operation.path) +
                                          "': no such item in the comparison");
                continue;
            }
            out << platform::EscapeControls(operation.path) << " - " << operation.command->GetDetailText();
            if (operation.verb == "delete") {
                SYNCCOUNT count;
                for (const CFolderCompareItem* item : items)
                    for (int side = 0; side < 2; ++side)
                        if ((operation.command->sides & (side == 0 ? SIDE_LEFT : SIDE_RIGHT)) &&
                            item->Side(side) != nullptr)
                            CountEntries(*item->Side(side), count);
                out << ": " << count.Text() << (options.trash ? " to the Trash" : "");
            }
            out << "\n";
        }
        out << "Nothing was changed (--dry-run)\n";
        out.Flush();
        return status;
    }
    int status = EXIT_SAME;
    platform::CTouchedFolders touched;
    const std::atomic<bool>& interrupted = platform::CatchInterrupt();
    for (OPERATION& operation : operations) {
        if (interrupted) {
            status = Trouble(err, "interrupted before '--op=" + operation.text + "'");
            break;
        }
        const std::vector<CFolderCompareItem*> items = RowsOfOperation(*doc.Root(), operation);
        if (items.empty()) {
            status =
                Trouble(err, "cannot " + operation.verb + " '" + platform::EscapeControls(operation.path) +
                                 "': no such item in the comparison");
            continue;
        }
        bool applied = true;
        // Rows of one name are apart in the tree: one done does not touch the other.
        for (CFolderCompareItem* item : items) {
            FILEOPCONTEXT context;
            context.settings = &doc.Context().settings;
            context.touched = &touched;
            context.cancel = &interrupted;
            if (operation.command->Apply(*item, context) != 0) {
                status = Trouble(err, "cannot " + operation.verb + " '" +
                                          platform::EscapeControls(operation.path) +
                                          "': " + platform::EscapeControls(context.error));
                applied = false;
            }
        }
        if (!applied) continue;
        if (const auto* copy = dynamic_cast<const CCopyToFolder*>(operation.command.get()))
            doc.Settings().AddRecentCopyTarget(copy->targetFolder);
    }
    platform::ReleaseInterrupt();
    if (std::string error; !touched.Sync(error)) status = Trouble(err, error);
    CTerminalProgress progress(err);
    doc.CompleteAfterChanges(&progress);
    return status;
}

int RunFolderSync(CFolderCompareDoc& doc, const FRONTENDOPTIONS& options, platform::COutput& out,
                  platform::COutput& err) {
    const int type = FindSyncType(options.sync);
    if (type < 0)
        return Trouble(err, "invalid value '" + options.sync +
                                "' for '--sync': update-right, update-left, bidirectional, mirror-right or "
                                "mirror-left (or 0 to 4)");
    const CFolderCompareContext& context = doc.Context();
    if (const std::string refusal = SyncRefusal(context, doc.RootStatus(), type); !refusal.empty())
        return Trouble(err, refusal);

    CSyncWizard wizard(type);
    CSyncPreparePage& prepare = wizard.preparePage;
    prepare.useRecycleBin = options.trash;
    prepare.noConfirmation = true;
    CTerminalProgress progress(err);
    if (!prepare.Prepare(*doc.Root(), type, doc.Tolerance(), &progress))
        return Trouble(err, "the synchronization was not prepared; nothing was changed");
    for (const SYNCSKIPPED& skipped : prepare.skipped)
        err << "corvatine: skipped '" << platform::EscapeControls(skipped.path)
            << "' and everything below it: " << platform::EscapeControls(skipped.reason) << "\n";
    const int skippedStatus = prepare.skipped.empty() ? EXIT_SAME : EXIT_TROUBLE;
    if (const SYNCCOUNT deletes = prepare.DeleteCount();
        options.maxDelete >= 0 && deletes.Entries() > options.maxDelete) {
        PrintPlan(prepare, out);
        out.Flush();
        return Trouble(err, "the synchronization would delete " + deletes.Text() +
                                ", more than --max-delete=" + std::to_string(options.maxDelete) +
                                "; nothing was changed");
    }
    if (options.dryRun || (prepare.CheckedCount() == 0 && prepare.leftovers.empty())) {
        PrintPlan(prepare, out);
        if (!options.dryRun) out << CSyncProcessPage::kFinished << "\n";
        out.Flush();
        return skippedStatus;
    }
    if (!options.yes) {
        PrintPlan(prepare, out);
        out.Flush();
        if (!platform::IsTerminal(STDIN_FILENO))
            return Trouble(err,
                           "nothing was changed: without a terminal to ask, a synchronization needs --yes");
        CConsoleMessages messages(err, false);
        if (messages.AskYesNo(prepare.ConfirmationText()) != platform::ANSWER_YES)
            return Trouble(err, "nothing was changed");
    }

    CConsoleSyncLog log(out, err);
    const std::atomic<bool>& interrupted = platform::CatchInterrupt();
    const int failures = wizard.processPage.Run(prepare, context.settings, interrupted, log);
    platform::ReleaseInterrupt();
    out << wizard.processPage.Status() << "\n";
    out.Flush();
    if (out.Failed()) return Trouble(err, "cannot write the output: " + platform::ErrorText(out.Error()));
    return failures > 0 || wizard.processPage.WasAborted() ? EXIT_TROUBLE : skippedStatus;
}

}  // namespace corvatine
