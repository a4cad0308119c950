// The front end's own options: words that start with "--" and are matched
// before the option table of the command line.
#pragma once

#include <string>
#include <vector>

#include "fileio/EncodingChoices.h"
#include "platform/Output.h"

namespace corvatine {

// Exit statuses of the program, as diff and cmp have them.
enum ExitStatus : int { EXIT_SAME = 0, EXIT_DIFFERENT = 1, EXIT_TROUBLE = 2 };

// Prints "corvatine: " and the message on err; returns EXIT_TROUBLE.
int Trouble(platform::COutput& err, const std::string& message);

// What a run of the program does, as far as the front end's words care.
enum class RunKind {
    TextComparison,
    BinaryComparison,
    FolderComparison,
    TextEditing,
    HexEditing,
    FindInFiles,
    Merge
};

// "a text comparison", "editing a binary file" ...
const char* RunKindText(RunKind run);

struct FRONTENDOPTIONS {
    bool printRequest = false;
    bool help = false;
    bool version = false;
    std::string format;  // empty: the default of the action
    // Text comparison and edit: the names of --encoding, checked; empty without it.
    std::vector<NAMEDENCODING> encodings;
    std::string lineEndings;  // edit: "keep", "crlf", "cr", "lf"
    std::string saveAs;       // edit: where to save
    bool hasSaveAs = false;
    std::string exportTo;                 // edit: where to write the syntax-coloured HTML page
    std::string lineNumbers;              // export: "on" or "off"; empty: on
    int width = 0;                        // side: the output width; 0 the terminal's or 160
    std::string color = "auto";           // auto, always or never
    int context = 3;                      // unified: lines of context
    std::string report;                   // the HTML report's path
    std::string copy;                     // "left-to-right[:LIST]" or "right-to-left[:LIST]"
    bool save = false;                    // save the side a copy changed
    bool yes = false;                     // answer questions with yes
    bool quiet = false;                   // no output, only the exit status
    bool info = false;                    // describe the one path named as JSON
    std::string show;                     // folder: the preset view of the rows shown
    std::string archives;                 // folder: "open" reads archives in the folders as folders
    std::string sync;                     // folder: the synchronisation type
    bool dryRun = false;                  // sync: print what would be done, change nothing
    bool trash = false;                   // sync and operations: deleted entries go to the Trash
    long maxDelete = -1;                  // sync: refuse a plan that deletes more files; -1 no limit
    std::vector<std::string> operations;  // folder: "--op" values, in order
    std::string find;                     // hex: what to search for
    bool hasFind = false;
    std::string search;  // edit: the text or expression to find
    bool hasSearch = false;
    std::string replace;  // edit: what replaces every match
    bool hasReplace = false;
    bool regex = false;          // edit, find in files: the text is a regular expression
    bool matchCase = false;      // edit, find in files: letters match only in the same case
    bool wholeWord = false;      // edit: only whole words
    bool up = false;             // edit: search backwards
    bool watch = false;          // compare again whenever a file changes
    std::string saveComparison;  // write the requests run to this comparison file
    bool recent = false;         // the recent comparisons list
    int recentEntry = 0;         // run this entry (from 1); 0 prints the list
    std::string findInFiles;     // search the files of a folder for this text
    bool hasFindInFiles = false;
    std::string types;  // find in files: the wildcard patterns of the files searched
    bool hasTypes = false;
    bool subfolders = false;  // find in files: search the subfolders too
    std::string shellMenu;    // the context-menu command code to run on the paths
    bool hasShellMenu = false;
    std::vector<std::string> integrate;    // --integrate lists of clients, in order
    std::vector<std::string> unintegrate;  // --unintegrate lists
    bool integrationStatus = false;        // print each client's integration
    bool merge = false;                    // a three-way merge of BASE OURS THEIRS
    std::string output;                    // merge: where the merged text goes; empty: stdout
    bool hasOutput = false;
    bool diff3 = false;               // merge: conflicts also show BASE's lines
    std::vector<std::string> labels;  // merge: marker labels OURS, BASE, THEIRS in turn
    bool autoMerge = false;           // merge window: save and exit at once when clean
    std::string rules;                // merge: text rule words joined by '|' or ','
    bool vcs = false;                 // the changes of the working copy of the folder named
    bool compareToChosen = false;     // the window asks what the one path is compared with

    std::vector<std::string> given;  // the words given, without "--", in order

    // Takes the front end's words out of the arguments (up to a lone "--")
    // and leaves the rest. False, with error set, for a word of the front end
    // given a value it does not take or without the value it needs.
    bool Extract(std::vector<std::string>& arguments, std::string& error);

    // The first word given that does nothing for the run (for any of the
    // runs), as "--word"; empty when every word applies.
    std::string FirstInapplicable(RunKind run) const { return FirstInapplicable(std::vector<RunKind>{run}); }
    std::string FirstInapplicable(const std::vector<RunKind>& runs) const;
    // Trouble naming that word, or EXIT_SAME when every word applies.
    int CheckApplicable(RunKind run, platform::COutput& err) const;
};

}  // namespace corvatine
