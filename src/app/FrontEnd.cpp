#include "app/FrontEnd.h"

#include <nlohmann/json.hpp>
#include <ostream>

#include "app/CommandLine.h"
#include "app/CompareAction.h"
#include "app/CompareParams.h"
#include "app/CorvatineApp.h"
#include "app/EditAction.h"
#include "app/FrontEndOptions.h"
#include "app/InfoAction.h"

#ifndef CORVATINE_VERSION
#define CORVATINE_VERSION "0.0.0"
#endif

namespace corvatine {

namespace {

using Json = nlohmann::ordered_json;

const char kUsage[] =
    "Usage: corvatine [OPTION]... [LEFT [RIGHT]]\n"
    "Compare two files or two folders, or open one file.\n"
    "\n"
    "With two paths the program compares them: as folders when both are folders,\n"
    "else as text when both files hold text, else as binary. A folder named\n"
    "against a file stands for the file of the same name in that folder. With one\n"
    "path it opens the file (a .cmp path opens its comparisons).\n"
    "\n"
    "Two text files are compared line by line under the rules and shown side\n"
    "by side, as a unified diff or as JSON; differences can be copied from one\n"
    "side to the other and saved, and an HTML report written. Two folders are\n"
    "paired entry by entry, level by level, and compared by the methods (-m:);\n"
    "the result is shown as a tree, as diff -rq's lines or as JSON. Two binary\n"
    "files are compared byte by byte, position by position, and their differing\n"
    "ranges listed. A text file named for editing (-e FILE, or one path) is\n"
    "loaded and described, and can be saved in another encoding or with other\n"
    "line endings; a binary file is shown as a hex dump or searched.\n"
    "\n"
    "Options start with '-' or '/'. An argument that starts with '/' is a path when\n"
    "it names an existing file or folder or matches no option. '--' ends the\n"
    "options; '--word' reads like '-word'.\n"
    "\n"
    "  -c, -compare            compare the two paths\n"
    "  -e, -edit               open the path in an editor\n"
    "  -h, -help, -?           show this text\n"
    "  -ro, -readonly          both sides read-only\n"
    "  -ro:LIST                read-only sides: 1 left, 2 right (1|2 for both)\n"
    "  -t:KIND, -type:KIND     text (t), binary (b) or folder (f)\n"
    "\n"
    "The following apply only when the kind above was given before them:\n"
    "  -r:RULES, -rule:RULES   text rules, joined by '|':\n"
    "      ignoreallspace (ias), ignorespacedifferences (isd),\n"
    "      ignoretabexpansion (ite), ignoreleadingspace (ils),\n"
    "      ignoretrailingspace (its), ignorecase (icc), ignorelineendings (ieol),\n"
    "      ignoreblanklines (ibl), ignorecomments (ic),\n"
    "      ignorelinesmatchingfilter (ilmf)\n"
    "  -lf:re=REGEXP, -linefilter:regexp=REGEXP\n"
    "                          text line filter (GNU regular expression)\n"
    "  -m:METHODS, -method:METHODS\n"
    "                          folder methods, joined by '|': type, time, size,\n"
    "      attributes (attr), version (ver), crc32 (crc), binary (bin), text (txt)\n"
    "  -ff:ITEMS, -filefilter:ITEMS\n"
    "                          file filter items, joined by '|':\n"
    "      nameinclude=PATTERNS (ni=), nameexclude=PATTERNS (ne=),\n"
    "      timefrom=MM-DD-YYYY (tf=), timeto=MM-DD-YYYY (tt=),\n"
    "      sizemin=BYTES (si=), sizemax=BYTES (sa=),\n"
    "      attributesexclude=LETTERS (ae=, letters r a s h),\n"
    "      typeexclude=TYPES (te=, text;binary;directory or t;b;d)\n"
    "  -df:ITEMS, -folderfilter:ITEMS\n"
    "                          folder filter items: ni=, ne=, ae= as above\n"
    "  -o:asf, -option:autoscansubfolders\n"
    "                          scan all subfolders of a folder comparison\n"
    "\n"
    "Rules, methods, filters and line filter not given are taken from the settings,\n"
    "kept in registry.reg in $CORVATINE_CONFIG_DIR, else $XDG_CONFIG_HOME/corvatine,\n"
    "else ~/.config/corvatine.\n"
    "Unknown single-dash options, and values an option does not know, are ignored.\n"
    "\n"
    "Front-end options:\n"
    "  --print-request         print the parsed request as JSON and exit\n"
    "  --format=FORMAT         text comparison: side (the default), unified or json;\n"
    "                          folder comparison: tree (the default), brief or json;\n"
    "                          binary comparison: ranges (the default) or json;\n"
    "                          editing: info (JSON, the default), text, or syntax\n"
    "                          (each line's parse state and colour blocks); hex\n"
    "                          (a hex dump, the default for binary files)\n"
    "  --width=N               side: columns of the output (default: the\n"
    "                          terminal's width, else 160)\n"
    "  --color=WHEN            side: colour changed rows and in-line differences:\n"
    "                          auto (on a terminal, unless NO_COLOR is set),\n"
    "                          always or never\n"
    "  --context=N             unified: lines of context (default 3)\n"
    "  --show=VIEW             folder tree: the rows shown: all, different-and-orphans,\n"
    "                          different, all-but-orphans, orphans, left-only,\n"
    "                          right-only, left-newer, right-newer,\n"
    "                          left-newer-and-left-only, right-newer-and-right-only\n"
    "                          or identical (default: the stored DisplayFilters)\n"
    "  --report=FILE           also write the comparison as an HTML report\n"
    "  --copy=DIRECTION[:LIST] copy differences left-to-right or right-to-left\n"
    "                          before showing the result; LIST is 1-based\n"
    "                          difference numbers as numbered before any copy,\n"
    "                          separated by commas (none, or 'all': every one)\n"
    "  --save                  save the side that --copy changed\n"
    "  --yes                   answer Yes to questions (else No without a terminal)\n"
    "  --quiet                 print nothing; only the exit status tells\n"
    "  --encoding=ENCODING     editing: UNI16_LE, UNI16_BE, UTF-8 or a code page\n"
    "                          number (437, 1252, 65001 ...) to save the file in\n"
    "  --line-endings=STYLE    editing: keep, crlf, cr or lf\n"
    "  --save-as=PATH          editing: save the file there\n"
    "  --find=STRING           hex: print the offset of every match: =text,\n"
    "                          ~text (without case) or hexadecimal digits\n"
    "  --watch                 text and binary comparisons: keep running and\n"
    "                          compare again whenever another program changes\n"
    "                          either file, until interrupted\n"
    "  --info                  describe the one path named as JSON: name, path,\n"
    "                          isFolder, size, attributes, last write time (100 ns\n"
    "                          units since 1601, and as text), content type (1 text,\n"
    "                          2 binary, -1 unknown), CRC-32, and the version\n"
    "                          resource of Windows program files\n"
    "  --help                  show this text and exit\n"
    "  --version               show the version and exit\n"
    "\n"
    "The side format shows each row's line numbers (blank on a row that stands\n"
    "opposite lines the other side lacks) and a marker between the columns:\n"
    "'|' changed, '<' left only, '>' right only, '~' a trivial difference\n"
    "(line endings, or lines the rules ignore). The json format gives\n"
    "identical, differences, trivial, rows, the sections (kind 2, or 1 and 3\n"
    "for one-sided edits; rows and engine lines 0-based, [first, last]) and\n"
    "each row's line flags (0x1000000 ghost row, 0x2000000 changed,\n"
    "0x4000000 trivial, 0x8000000 opposite a ghost row).\n"
    "\n"
    "A folder tree row shows a status (identical, different, left-only,\n"
    "right-only, left-newer, right-newer, same-path, error), each side's size and\n"
    "last write time, and the name indented below its folder. Every level is\n"
    "compared before anything is printed. The json format lists the whole tree:\n"
    "each item's path, status (0 not compared, 1 identical, 2 same path,\n"
    "4 different, 6 could not be compared), difference bits (0x100 type, 0x1000\n"
    "time, 0x4000 size, 0x10000 attributes, 0x20000 version, 0x1000000 CRC),\n"
    "content result (1 equal, 4 different, 6 unreadable) and both sides.\n"
    "\n"
    "Exit status: 0 identical (or done), 1 differences found, 2 trouble (for\n"
    "folders also when a file could not be compared).\n";

Json FiltersToJson(const CComboFilters& filters) {
    const CFileFilters& f = filters.fileFilters;
    const CFolderFilters& d = filters.folderFilters;
    Json files = {{"nameInclude", f.nameInclude}, {"nameExclude", f.nameExclude},
                  {"matchCase", f.matchCase},     {"timeFrom", f.timeFrom},
                  {"timeTo", f.timeTo},           {"sizeMin", f.sizeMin},
                  {"sizeMax", f.sizeMax},         {"attributesExclude", f.attributesExclude},
                  {"typeExclude", f.typeExclude}};
    Json folders = {{"nameInclude", d.nameInclude},
                    {"nameExclude", d.nameExclude},
                    {"matchCase", d.matchCase},
                    {"attributesExclude", d.attributesExclude}};
    return Json{{"files", std::move(files)}, {"folders", std::move(folders)}};
}

Json RequestToJson(const CCompareParams& request) {
    Json json;
    json["kind"] = request.kind;
    json["title"] = request.GetTitle();
    Json sides = Json::array();
    for (const COMPARESIDE& side : request.sides)
        sides.push_back({{"path", side.path}, {"flags", side.flags}});
    json["sides"] = std::move(sides);
    if (const auto* text = dynamic_cast<const CTextCompareParams*>(&request)) {
        json["rules"] = text->rules;
        json["lineFilter"] = text->lineFilter;
    }
    if (const auto* folder = dynamic_cast<const CFolderCompareParams*>(&request)) {
        json["methods"] = folder->methods;
        json["options"] = folder->options;
        json["filters"] = FiltersToJson(folder->filters);
    }
    json["commandLine"] = request.GetCommandLine(false, true);
    json["commandLineLong"] = request.GetCommandLine(false, false);
    return json;
}

Json CommandLineToJson(const CCommandLine& commandLine) {
    Json json;
    json["action"] = commandLine.action;
    json["kind"] = commandLine.kind;
    json["pathCount"] = commandLine.pathCount;
    Json paths = Json::array();
    for (int i = 0; i < commandLine.pathCount; ++i) paths.push_back(commandLine.paths[i]);
    json["paths"] = std::move(paths);
    json["readOnly"] = {commandLine.readOnly[0] != 0, commandLine.readOnly[1] != 0};
    json["request"] = commandLine.action == CCommandLine::ACTION_COMPARE
                          ? RequestToJson(*commandLine.BuildRequest())
                          : Json(nullptr);
    return json;
}

// Paths are bytes; JSON text is UTF-8. Invalid sequences print as U+FFFD
// rather than failing the whole output.
std::string Dump(const Json& json) { return json.dump(2, ' ', false, Json::error_handler_t::replace); }

int RunCommand(std::vector<std::string> arguments, std::ostream& out, std::ostream& err) {
    FRONTENDOPTIONS options;
    std::string error;
    if (!options.Extract(arguments, error))
        return Trouble(err, error + "\nTry 'corvatine --help' for more information.");

    if (options.help) {
        out << kUsage;
        return EXIT_SAME;
    }
    if (options.version) {
        out << "corvatine " << CORVATINE_VERSION << "\n";
        return EXIT_SAME;
    }

    CCommandLine commandLine;
    commandLine.Parse(arguments);
    if (!commandLine.UnknownLongOptions().empty())
        return Trouble(err, "unrecognized option '" + commandLine.UnknownLongOptions().front() +
                                "'\nTry 'corvatine --help' for more information.");

    if (options.info) {
        if (commandLine.pathCount != 1)
            return Trouble(err,
                           "--info needs exactly one path\nTry 'corvatine --help' for more information.");
        return RunInfoAction(commandLine.paths[0], out, err);
    }

    if (options.printRequest) {
        out << Dump(CommandLineToJson(commandLine)) << "\n";
        return EXIT_SAME;
    }

    switch (commandLine.action) {
        case CCommandLine::ACTION_HELP: out << kUsage; return EXIT_SAME;
        case CCommandLine::ACTION_COMPARE: return RunCompareAction(commandLine, options, out, err);
        case CCommandLine::ACTION_EDIT: return RunEditAction(commandLine, options, out, err);
        case CCommandLine::ACTION_OPEN:
            if (commandLine.pathCount == 1)
                return Trouble(err, "cannot open '" + commandLine.paths[0] +
                                        "': comparison files are not available in this version");
            [[fallthrough]];
        default:
            return Trouble(err, "no files or folders named\nTry 'corvatine --help' for more information.");
    }
}

}  // namespace

int RunFrontEnd(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err) {
    CCorvatineApp app;
    app.InitInstance(err);
    const int status = RunCommand(arguments, out, err);
    // A settings file that cannot be saved is reported, but the result of
    // the work stands.
    app.ExitInstance(err);
    return status;
}

}  // namespace corvatine
