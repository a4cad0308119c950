#include "app/FrontEnd.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <memory>
#include <nlohmann/json.hpp>
#include <string>

#include "app/CompareAction.h"
#include "app/EditAction.h"
#include "app/FindInFilesAction.h"
#include "app/FrontEndOptions.h"
#include "app/InfoAction.h"
#include "app/IntegrationAction.h"
#include "app/JsonOutput.h"
#include "app/MergeAction.h"
#include "app/ShellMenuAction.h"
#include "app/VcsAction.h"
#include "app/WindowLauncher.h"
#include "editor/SyntaxEditor.h"
#include "fileio/ContentType.h"
#include "launch/CommandLine.h"
#include "launch/CompareToChosen.h"
#include "launch/CorvatineApp.h"
#include "launch/NamedEncodings.h"
#include "launch/ProgramNames.h"
#include "persist/ComparisonFile.h"
#include "platform/AtomicFile.h"
#include "platform/File.h"
#include "platform/LocalTime.h"
#include "platform/Output.h"
#include "request/CompareParams.h"

namespace corvatine {

namespace {

using Json = nlohmann::ordered_json;

const char kUsage[] =
    "Usage: corvatine [OPTION]... [LEFT [RIGHT]]\n"
    "Compare two files or two folders, open one file, or merge three (--merge).\n"
    "\n"
    "With two paths the program compares them: as folders when both are folders,\n"
    "else as text when both files hold text, else as binary (also when -t:text\n"
    "named them). A folder named against a file stands for the file of the same\n"
    "name in that folder. With one path it opens the file; only regular files\n"
    "are opened; a folder inside a version-control working copy shows its\n"
    "changes (--vcs). A comparison file (FILE.cmp, written by\n"
    "--save-comparison) runs each comparison it holds in turn, each under a line\n"
    "\"Comparison N of M: TITLE\"; the exit status is the highest of theirs.\n"
    "Every comparison run is kept in the recent comparisons list (MRU.cmp beside\n"
    "the settings, at most MaxComparisons entries).\n"
    "\n"
    "Two text files are compared line by line under the rules and shown side\n"
    "by side, as a unified diff or as JSON; differences can be copied from one\n"
    "side to the other and saved, and an HTML report written. Two folders are\n"
    "paired entry by entry, level by level, and compared by the methods (-m:);\n"
    "the result is shown as a tree, as diff -rq's lines or as JSON. Two binary\n"
    "files are compared byte by byte, position by position, and their differing\n"
    "ranges listed. A text file named for editing (-e FILE, or one path) is\n"
    "loaded and described, and can be saved in another encoding or with other\n"
    "line endings or written as a syntax-coloured HTML page; a binary file is\n"
    "shown as a hex dump or searched.\n"
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
    "The following apply only when the kind above was given before them, or when\n"
    "no -t: is given at all and the paths are of their kind (rules and the line\n"
    "filter: text files; methods and filters: folders):\n"
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
    "Front-end options (each applies only where it says; one given for a\n"
    "comparison or file it does nothing for is an error):\n"
    "  --print-request         print the parsed request as JSON and exit\n"
    "  --format=FORMAT         text comparison: side (the default), unified or json;\n"
    "                          folder comparison: tree (the default), brief or json;\n"
    "                          binary comparison: ranges (the default) or json;\n"
    "                          editing: info (JSON, the default: encoding, line\n"
    "                          endings, lines, and lossy: whether characters were\n"
    "                          read with loss or, held as UTF-8, are no valid\n"
    "                          UTF-8 (invalidBytes counts those bytes)), text,\n"
    "                          or syntax\n"
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
    "  --archives=open         folders: read the archives found in them (tar, also\n"
    "                          gzip, bzip2, xz or zstd compressed, zip, jar, 7z,\n"
    "                          cpio, ar, and a Debian package's data) as folders,\n"
    "                          nested ones too; an archive named on the command\n"
    "                          line always is one. Nothing is extracted to disk,\n"
    "                          and nothing inside can be changed or synchronized\n"
    "  --sync=TYPE             folders: synchronize them: update-right (0),\n"
    "                          update-left (1), bidirectional (2), mirror-right (3)\n"
    "                          or mirror-left (4); see below\n"
    "  --dry-run               sync and --op: print what would be done and change\n"
    "                          nothing\n"
    "  --trash                 sync and --op delete: move deleted entries to the\n"
    "                          Trash of their volume (fail where there is none)\n"
    "  --max-delete=N          sync and --op delete: refuse, changing nothing, to\n"
    "                          delete more than N entries (files, links and\n"
    "                          folders, each counted)\n"
    "  --op=OPERATION          folders: change the trees before showing the\n"
    "                          result (several run in order; ITEM is a path below\n"
    "                          the compared folders, '.' the folders themselves):\n"
    "                            copy:left-to-right:ITEM, copy:right-to-left:ITEM\n"
    "                            move:left-to-right:ITEM, move:right-to-left:ITEM\n"
    "                            delete:left|right|both:ITEM\n"
    "                            rename:left|right|both:ITEM=NEWNAME\n"
    "                            new-folder:left|right|both:ITEM=NAME (in ITEM)\n"
    "                            set-time:left|right:ITEM[=YYYY-MM-DDTHH:MM:SS]\n"
    "                              (local time; without one, the other side's)\n"
    "                            set-attributes:left|right|both:ITEM=+r|-r\n"
    "                            copy-to-folder:left|right:ITEM=TARGET\n"
    "                            compare-contents:ITEM=crc|binary|text\n"
    "                          the first '=' ends ITEM; with --dry-run each is\n"
    "                          printed as \"ITEM - WHAT\" (a delete with what it\n"
    "                          takes) and nothing is changed; a file and a\n"
    "                          folder of one name are two items: each takes the\n"
    "                          one with an entry on its side (a delete, both)\n"
    "                          and copies or moves nothing over the other kind\n"
    "  --report=FILE           also write the comparison as an HTML report\n"
    "  --copy=DIRECTION[:LIST] copy differences left-to-right or right-to-left\n"
    "                          before showing the result; LIST is 1-based\n"
    "                          difference numbers as numbered before any copy,\n"
    "                          separated by commas (none, or 'all': every one)\n"
    "  --save                  save the side that --copy changed; editing: save\n"
    "                          the file that --replace changed\n"
    "  --yes                   answer Yes to questions (else No without a terminal);\n"
    "                          of folder comparisons only --sync asks\n"
    "  --quiet                 print nothing; only the exit status tells\n"
    "  --encoding=ENCODING     text comparison and editing: the encoding a file\n"
    "                          without byte-order mark is read in (a mark always\n"
    "                          decides): auto (the default: UTF-8 when the bytes\n"
    "                          are valid UTF-8, else the encoding uchardet\n"
    "                          recognises, else the working code page, which\n"
    "                          is the locale's unless set), UTF-8 or a code page\n"
    "                          number (437, 1252, 28591, 65001 ...);\n"
    "                          a comparison takes one for both sides or LEFT,RIGHT\n"
    "                          and saves each side in what it was read in;\n"
    "                          editing takes READ or READ,SAVE: the file is saved\n"
    "                          in SAVE, else in READ (auto: what it was read in);\n"
    "                          SAVE may also be UNI16_LE or UNI16_BE, and so may\n"
    "                          READ alone, which then chooses only SAVE (UTF-8 is\n"
    "                          saved with a byte-order mark, 65001 without); the\n"
    "                          window opens with it too\n"
    "  --line-endings=STYLE    editing: keep, crlf, cr or lf\n"
    "  --save-as=PATH          editing: save the file there\n"
    "  --export=FILE           editing: write the text to FILE as an HTML page\n"
    "                          (UTF-8) in the editor's colours of its language,\n"
    "                          chosen by the file's whole name or else its\n"
    "                          extension (the languages are listed below), tabs\n"
    "                          expanded to every 4th column, control characters\n"
    "                          as their symbols (U+2400...), bytes that are no\n"
    "                          valid UTF-8 as U+FFFD (counted in a warning); FILE\n"
    "                          is replaced only once the page is complete, and\n"
    "                          never when it is the file exported\n"
    "  --line-numbers=on|off   --export: number the lines (default on)\n"
    "  --find=STRING           hex editing: print the offset of every match: =text,\n"
    "                          ~text (without case) or hexadecimal digits; opens\n"
    "                          a text file as hex too (text is searched by --search)\n"
    "  --search=TEXT           text editing: print each line with matches once, as\n"
    "                          LINE:COLUMN[,COLUMN...]: line, 1-based, a COLUMN\n"
    "                          for each match, counting bytes of the line as held\n"
    "                          in memory (the working code page, normally UTF-8)\n"
    "                          as the editor's positions do; a line longer than\n"
    "                          160 bytes is cut to the 160 around its first match\n"
    "                          (40 before it), with '...' where it was cut;\n"
    "                          exit 0 when found, 1 when not, 2 on trouble (a\n"
    "                          malformed expression is named with what is wrong)\n"
    "  --regex                 --search: TEXT is a regular expression (the editor's:\n"
    "                          . ^ $ < > [] () {} * + @ # ? | and \\ escapes; \\n\n"
    "                          matches a line break, and a repeated one, as \\n+,\n"
    "                          as many as follow; @ and # repeat as few as\n"
    "                          possible: \\# and \\@ are the characters)\n"
    "  --match-case            --search: letters must match in case\n"
    "  --whole-word            --search: only whole words, not next to a letter,\n"
    "                          digit or '_' of any script (not with --regex)\n"
    "  --up                    --search: the last match first, up to the first\n"
    "  --replace=TEXT          --search: replace every match (with --regex \\0 to \\9\n"
    "                          insert groups, \\U \\L \\E \\u \\l change case), tell\n"
    "                          how many on stderr and print the new text, or save\n"
    "                          it with --save (or --save-as) and print nothing\n"
    "  --watch                 text and binary comparisons: keep running and\n"
    "                          compare again whenever another program changes\n"
    "                          either file, until interrupted\n"
    "  --save-comparison=FILE  also write the comparison being run (or every\n"
    "                          comparison of a .cmp file run) as a comparison\n"
    "                          file, with absolute paths\n"
    "  --recent                print the recent comparisons, most recent first: one\n"
    "                          line per entry of number, last compared time, kind,\n"
    "                          title, left and right path, separated by tabs\n"
    "                          (backslash, tab, line breaks and other control\n"
    "                          characters in them escaped as \\\\, \\t, \\n, \\r, \\ooo;\n"
    "                          --format=json for JSON), and exit\n"
    "  --recent=N              run recent comparison N again\n"
    "  --info                  describe the one path named as JSON: name, path,\n"
    "                          isFolder, size, attributes, last write time (100 ns\n"
    "                          units since 1601, and as text), content type (1 text,\n"
    "                          2 binary, -1 unknown), CRC-32, and the version\n"
    "                          resource of Windows program files\n"
    "  --find-in-files=TEXT    search the files of the one folder named for TEXT,\n"
    "                          line by line (see below); with it:\n"
    "  --types=PATTERNS        the files searched: wildcard patterns separated by\n"
    "                          ';', matched without regard to case (default *.*,\n"
    "                          every file)\n"
    "  --subfolders            search the subfolders too, after each folder's files\n"
    "  --regex                 --find-in-files: TEXT is a classic regular\n"
    "                          expression (see below)\n"
    "  --match-case            --find-in-files: letters match only in the same case\n"
    "  --compare-to-chosen PATH\n"
    "                          ask in the window which file (or folder, when PATH\n"
    "                          is one) to compare PATH with, then compare the\n"
    "                          two, as a file manager's Compare To... does; a\n"
    "                          cancelled choice ends the program with status 0;\n"
    "                          without a display, or with --no-gui, it is\n"
    "                          trouble (status 2)\n"
    "  --shell-menu=CODE       run context-menu command CODE on the paths (for file\n"
    "                          managers that start a program per menu action):\n"
    "                          1 select the first item, 2 compare it with the\n"
    "                          path, 3 compare the path with one chosen in the\n"
    "                          window (--compare-to-chosen), 4 compare the two\n"
    "                          paths, 5 and 6 as 2 (one path) or 4 (two) as text\n"
    "                          or binary, 7 to 9 the dragged path and the target\n"
    "                          folder, plain, as text or as binary; the first item\n"
    "                          is kept in $XDG_RUNTIME_DIR/corvatine-shell-items;\n"
    "                          trouble is also shown with zenity or kdialog when\n"
    "                          stderr is no terminal and a display is there\n"
    "  --integrate=LIST        make the clients of LIST (names joined by ',':\n"
    "                          shell, git, svn, hg, tortoisesvn, tortoisecvs; see\n"
    "                          below) start this program to compare (git: also\n"
    "                          to merge)\n"
    "  --unintegrate=LIST      put the clients' previous settings back\n"
    "  --integration-status    print one line per client: its name, whether it is\n"
    "                          installed (configured), and whether it is integrated\n"
    "  --resolve               for git mergetool: the first path is a merged file\n"
    "                          with conflict markers; exit 0 when it was saved with\n"
    "                          no marker line left, else 1 (see below)\n"
    "  --merge                 merge BASE OURS THEIRS three ways (see below)\n"
    "  --output=FILE           merge: write the merged text to FILE, replaced\n"
    "                          atomically keeping its owner and mode (default:\n"
    "                          standard output); the window saves there, or\n"
    "                          without it into OURS\n"
    "  --diff3                 merge: conflicts also show BASE's lines after a\n"
    "                          '|||||||' marker\n"
    "  --label=LABEL           merge: the label of a conflict marker, given up to\n"
    "                          three times: OURS, BASE, THEIRS (as git merge-file\n"
    "                          -L); the paths by default\n"
    "  --rules=RULES           merge: text rules as -r: takes them, joined by '|'\n"
    "                          or ',' (ias, isd, ite, ils, its, icc, ieol, ibl);\n"
    "                          none by default: lines equal byte for byte\n"
    "  --auto                  merge window: save and exit at once, without\n"
    "                          showing the window, when the merge is clean\n"
    "  --vcs                   show the changes of the git, Mercurial or Subversion\n"
    "                          working copy that holds the one folder named (the\n"
    "                          current folder without one); see below\n"
    "  --gui                   open the window even where it would not open\n"
    "  --no-gui                never open the window: run headless\n"
    "  --help                  show this text and exit\n"
    "  --version               show the version, copyright and licence and exit\n"
    "\n"
    "GNU diff's options: with any of the following the run is headless and is\n"
    "diff's: two files, or two folders, are compared and written byte for byte\n"
    "as GNU diff writes them (its normal format unless one below chooses\n"
    "another), with diff's exit status: 0 same, 1 different, 2 trouble.\n"
    "Where diff places an ambiguous line elsewhere, the output still applies\n"
    "with patch and changes no more lines. Short options may be bundled (-ruN).\n"
    "  -u, -U N, --unified[=N]\n"
    "                          unified format, N lines of context (default 3)\n"
    "  -C N, --context-diff[=N]\n"
    "                          context format (diff's -c and --context, whose\n"
    "                          names are this program's own: -c compares,\n"
    "                          --context=N sets the unified format's context)\n"
    "  --normal                normal format\n"
    "  -y, --side-by-side      two columns\n"
    "  -W N, --width=N         -y: columns of the output (default 130)\n"
    "  -q, --brief             only whether files differ\n"
    "  -s, --report-identical-files\n"
    "                          say when two files are the same\n"
    "  -r, --recursive         compare subfolders too (-r:RULES stays the rules)\n"
    "  -N, --new-file          a file missing on one side is compared as empty\n"
    "  -a, --text              compare every file as text\n"
    "  -w, --ignore-all-space  ignore all white space\n"
    "  -b, --ignore-space-change\n"
    "                          ignore changes in the amount of white space\n"
    "  -i, --ignore-case       ignore case\n"
    "  -B, --ignore-blank-lines\n"
    "                          ignore changes whose lines are all blank\n"
    "  -E, --ignore-tab-expansion\n"
    "                          ignore changes due to tab expansion (tabs of 8)\n"
    "  -Z, --ignore-trailing-space\n"
    "                          ignore white space at line end\n"
    "  --strip-trailing-cr     drop the carriage return before each line feed\n"
    "  -I RE, --ignore-matching-lines=RE\n"
    "                          ignore changes whose lines all match RE (a basic\n"
    "                          regular expression, as grep's)\n"
    "  --label=L, -L L         a header's name instead of the path, twice: left,\n"
    "                          right (with --merge the merge's labels)\n"
    "  --color[=WHEN]          colour the output: never, always or auto (the\n"
    "                          default without WHEN: on a terminal)\n"
    "  -x PAT, --exclude=PAT   leave out files and folders whose names match PAT\n"
    "  -X FILE, --exclude-from=FILE\n"
    "                          leave out names that match a pattern of FILE's\n"
    "                          lines\n"
    "Where a letter is both diff's and this program's, the program's form wins\n"
    "because comparison files, the context menu and the version-control\n"
    "settings pass it: -c is compare, not diff's context format; -e edit, -h\n"
    "help; -r:, -t:, -m: ... with a colon are this program's, -r alone diff's.\n"
    "--width=N, --color=WHEN and --context=N keep this program's meaning (the\n"
    "side format's width and colours, the unified format's context) unless\n"
    "another of diff's options is given; then --width and --color are diff's.\n"
    "Subversion's diff-cmd call (-u -L LEFT -L RIGHT FILE FILE) opens the window\n"
    "when a display is there and --no-gui is not given, as before; headless it\n"
    "is diff -u with those labels. git's external diff call (GIT_EXTERNAL_DIFF,\n"
    "git diff --ext-diff: PATH OLD-FILE OLD-HEX OLD-MODE NEW-FILE NEW-HEX\n"
    "NEW-MODE) compares OLD-FILE with NEW-FILE: in the window with a display,\n"
    "else as a unified diff labelled a/PATH and b/PATH (or in the format diff's\n"
    "options given with it choose), and ends 0 unless in trouble, as git needs.\n"
    "\n"
    "The side format shows each row's line numbers (blank on a row that stands\n"
    "opposite lines the other side lacks) and a marker between the columns:\n"
    "'|' changed, '<' left only, '>' right only, '~' a trivial difference\n"
    "(line endings, or lines the rules ignore), '{' a line of a block that moved\n"
    "elsewhere and '}' one of the block where it arrived (blocks of at least 3\n"
    "lines that are not blank, equal under the rules; the setting MovedLines of\n"
    "Comparisons\\FileComparison\\TextComparison\\Settings sets the least, 0 finds\n"
    "none), in the terminal's character set.\n"
    "The unified format writes each line in the encoding of the file it comes\n"
    "from, as diff does, so that patch applies it: an 8-bit file's lines byte\n"
    "for byte, a Unicode file's in UTF-8. The json format gives\n"
    "identical, differences, trivial, rows, the sections (kind 2, or 1 and 3\n"
    "for one-sided edits; rows and engine lines 0-based, [first, last]) and\n"
    "the moves (kind \"moved\": the rows and lines of the block on each side),\n"
    "each row's line flags (0x1000000 ghost row, 0x2000000 changed,\n"
    "0x4000000 trivial, 0x8000000 opposite a ghost row, 0x40000000 moved).\n"
    "\n"
    "A binary comparison's ranges format lists each range of differing bytes as\n"
    "START-END KIND: offsets in hexadecimal (at least eight digits), END\n"
    "exclusive (00000098-00000099 is the one byte at 0x98); KIND is different,\n"
    "left-only or right-only (bytes past the end of the other file); then \"N\n"
    "ranges, B bytes differ; left L bytes, right R bytes\", or \"identical: N\n"
    "bytes\". The json format gives state, leftSize, rightSize and ranges, each\n"
    "[start, end, kind] in decimal, end exclusive, kind 2 different, 4 left\n"
    "only, 8 right only.\n"
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
    "A synchronization compares every level, then lists what it will do as\n"
    "\"Copy to Right: N Files\", \"Delete on Right: N Files, M Folders\" ... each\n"
    "followed by its paths (control characters in names escaped as --recent\n"
    "does), then any temporary copies that an interrupted run left, which go\n"
    "first; update copies newer and one-sided files to the target, never\n"
    "replacing newer ones nor deleting; bidirectional copies each way the newer\n"
    "and one-sided files; mirror makes the target equal to the source, deleting\n"
    "what the source lacks, but never a folder that holds entries the filters\n"
    "leave out, and putting a file where the target has a folder of its name\n"
    "(or the reverse) in one step: the copy is made first, then the entry in\n"
    "the way goes (an update skips such a name). Empty one-sided folders are\n"
    "not copied. The plan, the question, --max-delete and the log count the\n"
    "same entries, files and folders apart. All copies come before any delete,\n"
    "and nothing is deleted whose copy failed or that changed since the\n"
    "comparison (a folder that holds more than it did is kept). Each entry\n"
    "done prints \"PATH - Copying from left to right\" (or another action) and\n"
    "\"OK\" or \"ERROR!\" (the reason on stderr), and the run ends with\n"
    "\"Finished!\" or, after Ctrl+C, SIGTERM or SIGHUP, \"Aborted!\". Without a\n"
    "terminal to ask, a synchronization that changes anything needs --yes.\n"
    "Nothing is changed when a folder is missing or unreadable, one folder lies\n"
    "inside the other (--op refuses that too), a mirror's source holds no files\n"
    "while its target is not empty, or --max-delete refuses. What could not be\n"
    "compared is skipped with all below it. Files are copied to a temporary name\n"
    "(.corvatine-XXXXXX.NAME) and renamed into place, keeping times, permissions\n"
    "and holes; each folder changed is synced to disk once at the end; a file\n"
    "changed since the scan is not replaced. A symbolic link is an entry of its\n"
    "own, as with rsync -a: copied when its text differs, deleted as a link,\n"
    "never followed. A move that has to copy deletes its source only once the\n"
    "copy is on disk. Exit status 0 when every entry succeeded, else 2.\n"
    "\n"
    "A search in files prints \"Searching for \"TEXT\" in DIR ...\", then each file\n"
    "with hits, indented by two blanks, and below it each hit line, by four, as\n"
    "\"(LINE): TEXT\" (LINE right-aligned in four columns), and ends with \"N\n"
    "occurrence(s) have been found.\", \"Cannot find the string \"TEXT\".\" or,\n"
    "after Ctrl+C, \"Canceled\". For each pattern of --types in turn the\n"
    "matching regular files of a folder are searched, in the order the file\n"
    "system lists them (a file that several patterns match, once); subfolders\n"
    "come after the folder's files (a link to a\n"
    "folder is followed unless it leads back up). Files are read as bytes:\n"
    "carriage returns are dropped, a line ends after its line feed or at 65,535\n"
    "bytes (the rest is the next line), and lines are numbered so; a line is a\n"
    "hit when it holds TEXT, ASCII letters in either case unless --match-case.\n"
    "With --match-case and --format=grep the lines printed are those of\n"
    "grep -rn TEXT DIR but for carriage returns (which grep keeps and which end\n"
    "no line here), lines longer than 65,535 bytes, links (which grep -r does\n"
    "not follow) and binary files (which grep only names). --format=json prints\n"
    "one object: search, files (each path and its lines, each line number and\n"
    "text), summary, occurrences and canceled. Files that cannot be read and\n"
    "folders that cannot be entered are passed over silently. A regular\n"
    "expression (--regex) is of the classic kind: '.' any character, '^' and '$'\n"
    "the start and end of the line, [SET] and [^SET] with ranges, '*', '+', '?',\n"
    "'|', (GROUP) (at most 9), '\\C' the character C; a line is a hit when it\n"
    "holds TEXT or the expression matches it. An expression is matched in one\n"
    "pass over a line, however its repetitions nest. One that is not well\n"
    "formed is refused, naming what is wrong. Exit status 0 when something was\n"
    "found, 1 when nothing was, 2 when the expression is not well formed, the\n"
    "folder cannot be searched or the search was canceled.\n"
    "\n"
    "A three-way merge, corvatine --merge [OPTION]... BASE OURS THEIRS, compares\n"
    "BASE with OURS and with THEIRS line by line. A change made on one side only is\n"
    "taken, and so is the same change made on both; changes of both sides that\n"
    "overlap or touch (insertions at one place included) are a conflict, as git\n"
    "merge-file decides. A conflict is written with git's markers: '<<<<<<<\n"
    "OURS-LABEL', OURS's lines, with --diff3 '||||||| BASE-LABEL' and BASE's lines,\n"
    "'=======', THEIRS's lines, '>>>>>>> THEIRS-LABEL'; without --diff3 the lines\n"
    "both sides share at either end of a conflict stand outside the markers. Each\n"
    "file is read in its own encoding and line endings; the merged text is written\n"
    "in OURS's encoding and line endings (refused, exit 2, when a line cannot be\n"
    "written in that encoding). A BASE that does not exist counts as empty, as a\n"
    "file both sides added (a note on stderr says so). --format=json describes the\n"
    "merge instead of printing it: clean, conflicts, baseMissing and the chunks,\n"
    "each with its kind (unchanged, ours, theirs, both, conflict) and its lines in\n"
    "base, ours, theirs and merged, 0-based [first, end). With a display (and\n"
    "without --format or --no-gui) the merge window opens instead: OURS, the merged\n"
    "text and THEIRS side by side (F8 next conflict, Alt+Left take ours, Alt+Right\n"
    "take theirs, F2 edit the merged lines, Ctrl+S save; the Merge menu lists every\n"
    "command). Exit status 0 when no conflict is left (in the window: when the\n"
    "merged file was saved so), 1 when conflicts remain, 2 on trouble.\n"
    "\n"
    "Version-control clients (--integrate, --unintegrate): git sets, with\n"
    "git config --global, diff.tool and merge.tool to corvatine,\n"
    "difftool.corvatine.cmd to 'PROGRAM \"$LOCAL\" \"$REMOTE\"',\n"
    "mergetool.corvatine.cmd to 'PROGRAM --merge \"$BASE\" \"$LOCAL\" \"$REMOTE\"\n"
    "--output=\"$MERGED\"' and mergetool.corvatine.trustExitCode to true: git\n"
    "mergetool merges the three versions in the merge window (headless without\n"
    "a display), and git takes the file as resolved only when the merge ends with\n"
    "no conflict left (exit 0). The earlier two-way form 'PROGRAM --resolve -ro:2\n"
    "\"$MERGED\" \"$REMOTE\"' (the file with its markers against the other\n"
    "version) still works when set by hand.\n"
    "svn writes diff-cmd in [helpers] of ~/.subversion/config (svn's -u and\n"
    "-L LABEL arguments are ignored, the two files compared); hg writes\n"
    "'extdiff =' in [extensions] (unless extdiff is on already) and\n"
    "cmd.corvatine in [extdiff] of ~/.hgrc, for 'hg corvatine'. svn and hg are\n"
    "changed only when their program is on PATH and that file exists; git only\n"
    "when git is on PATH. tortoisesvn and tortoisecvs write the clients' keys in\n"
    "registry.reg, only when they have a comparison program configured. The\n"
    "previous settings are kept in registry.reg under Integration\\Git,\n"
    "Integration\\Subversion, Integration\\Mercurial, Integration\\TortoiseSVN\n"
    "and Integration\\TortoiseCVS, and --unintegrate puts them back exactly\n"
    "(values that did not exist are removed again). Files are edited line by\n"
    "line, keeping comments and order, and replaced atomically.\n"
    "PROGRAM is the installation folder's corvatine (InstallDir).\n"
    "shell registers the file managers' context menu: the extension's keys in\n"
    "classes.reg and the Dolphin and Nemo menu files in the user's data folder\n"
    "(the Nautilus and Thunar modules come with the package); it needs\n"
    "libcorvashell.so installed with the program. --unintegrate=shell removes\n"
    "the three menu handler keys and those files.\n"
    "\n"
    "The version-control view (--vcs DIR, or DIR alone when a working copy holds\n"
    "it and its client, git, hg or svn, is installed) asks the client for the\n"
    "changes (git status --porcelain=v2, hg status --print0 --copies and hg\n"
    "resolve --list, svn status --xml) and prints one line per changed entry,\n"
    "sorted by path below the working copy's root: 'M PATH' modified, 'T PATH'\n"
    "type changed, 'A PATH' added, 'D PATH' deleted (or missing), 'R OLD -> NEW'\n"
    "renamed, 'C OLD -> NEW' copied, '? PATH' untracked (ignored entries are left\n"
    "out), 'U PATH' conflicted; control characters escaped as --recent does.\n"
    "--format=json prints vcs, root, clean and the changes (status, statusName,\n"
    "path, originalPath, for git the index and workTree letters of git status).\n"
    "The window lists them as a tree or flat, filtered by status; opening one\n"
    "compares the committed version (read-only, fetched into a private folder\n"
    "under $XDG_RUNTIME_DIR and never written back) with the working file, and a\n"
    "conflicted git or Mercurial file opens the three-way merge of its base,\n"
    "ours and theirs, saved into the working file. Revert asks first and moves\n"
    "the working file to the Trash before the client restores it.\n"
    "Exit status 0 when nothing changed, 1 when something did, 2 on trouble.\n"
    "'git difftool --dir-diff' with the tool corvatine compares the two trees it\n"
    "makes as one folder comparison; a file of the working tree's side is a link\n"
    "into the working tree there, and saving it writes the working tree's file.\n"
    "Elsewhere a file opened from a folder comparison whose symbolic link leads\n"
    "out of both compared folders opens read-only: saving never writes through it.\n"
    "\n"
    "With a display (WAYLAND_DISPLAY or DISPLAY set) and none of the options\n"
    "above but --recent=N and --vcs, the program opens its window instead, on the files,\n"
    "folders or comparison file named, and waits until it is closed.\n"
    "\n"
    "Exit status: 0 identical (or done), 1 differences found, 2 trouble (for\n"
    "folders also when a file could not be compared).\n";

// The paragraph of the usage text that lists the languages, made from the
// editor's definitions so that it names what the program knows: each with
// its whole file names and extensions.
std::string LanguagesParagraph() {
    const CSyntaxEditor& editor = GetSyntaxEditor();
    std::string list;
    for (int i = 0; i < editor.GetDefinitionCount(); ++i) {
        const CSyntaxParser* definition = editor.GetDefinition(i);
        std::string patterns = definition->GetFileNames();
        if (!patterns.empty() && !definition->GetExtensions().empty()) patterns += ",";
        patterns += definition->GetExtensions();
        for (size_t at = patterns.find(','); at != std::string::npos; at = patterns.find(',', at + 2))
            patterns.replace(at, 1, ", ");
        if (!list.empty()) list += "; ";
        list += definition->GetName() + " (" + patterns + ")";
    }
    const std::string text =
        "Languages colour a file's text and give -r:ic the comments to leave out; a "
        "file's whole name chooses its language, else its extension: " +
        list + ".";
    // Wrapped at 79 columns, as the rest of the text.
    std::string wrapped;
    size_t lineStart = 0;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find(' ', start);
        if (end == std::string::npos) end = text.size();
        const std::string_view word(text.data() + start, end - start);
        if (wrapped.size() > lineStart && wrapped.size() - lineStart + 1 + word.size() > 79) {
            wrapped += "\n";
            lineStart = wrapped.size();
        } else if (wrapped.size() > lineStart) {
            wrapped += " ";
        }
        wrapped += word;
        start = end + 1;
    }
    return wrapped + "\n";
}

// The usage text with the languages before the exit status.
std::string UsageText() {
    std::string usage = kUsage;
    const size_t exit = usage.find("\nExit status:");
    usage.insert(exit + 1, LanguagesParagraph() + "\n");
    return usage;
}

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
        Json encodings = Json::array();
        for (const int32_t codePage : text->codePages)
            encodings.push_back(codePage == CODEPAGE_DETECT ? std::string("auto") : std::to_string(codePage));
        json["encodings"] = std::move(encodings);
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

Json CommandLineToJson(const CCommandLine& commandLine, const CCompareParams* request) {
    Json json;
    json["action"] = commandLine.action;
    json["kind"] = commandLine.kind;
    json["pathCount"] = commandLine.pathCount;
    Json paths = Json::array();
    for (int i = 0; i < commandLine.pathCount; ++i) paths.push_back(commandLine.paths[i]);
    json["paths"] = std::move(paths);
    json["readOnly"] = {commandLine.readOnly[0] != 0, commandLine.readOnly[1] != 0};
    json["request"] = request != nullptr ? RequestToJson(*request) : Json(nullptr);
    return json;
}

const char* KindName(int32_t kind) {
    switch (kind) {
        case COMPARE_FOLDER: return "folder";
        case COMPARE_TEXT: return "text";
        case COMPARE_BINARY: return "binary";
        default: return "none";
    }
}

std::string LastComparedText(const CCompareParams& request) {
    return request.lastComparedTime == 0
               ? std::string("-")
               : platform::FormatLocalTime(request.lastComparedTime, "%Y-%m-%d %H:%M:%S");
}

// A field of a tab-separated line: tabs, line breaks, other control
// characters and backslashes escaped, so that every entry stays one line of
// the same fields.
std::string Field(std::string_view text) { return platform::EscapeControls(text); }

// Writes the requests as a comparison file for --save-comparison, with
// absolute paths so that it opens from any folder, and adds the file to the
// recent comparison files.
bool SaveComparisons(CCorvatineApp& app, const std::vector<const CCompareParams*>& requests,
                     const std::string& path, platform::COutput& err) {
    CompareParamsList list;
    for (const CCompareParams* request : requests) list.push_back(StoredCopy(*request));
    std::string error;
    if (!CComparisonFile::WriteComparisons(path, list, -1, error)) {
        Trouble(err, "cannot save the comparison: " + error);
        return false;
    }
    app.AddRecentComparisonFile(path);
    return true;
}

// The open-request operation of the headless program: the comparison is
// recorded in the recent comparisons list, then run and printed.
int OpenRequest(CCorvatineApp& app, const CCompareParams& request, const FRONTENDOPTIONS& options,
                platform::COutput& out, platform::COutput& err) {
    app.AddRecentComparison(request);
    return RunCompareRequest(app.components, request, options, out, err);
}

// A request that names something to compare: a kind and both paths.
bool IsComplete(const CCompareParams& request) {
    return request.kind != COMPARE_NONE && !request.sides[0].path.empty() && !request.sides[1].path.empty();
}

RunKind RunKindOf(const CCompareParams& request) {
    switch (request.kind) {
        case COMPARE_TEXT: return RunKind::TextComparison;
        case COMPARE_BINARY: return RunKind::BinaryComparison;
        default: return RunKind::FolderComparison;
    }
}

int CompareOne(CCorvatineApp& app, const CCompareParams& named, const FRONTENDOPTIONS& options,
               platform::COutput& out, platform::COutput& err) {
    if (IsComplete(named) && options.CheckApplicable(RunKindOf(named), err) != EXIT_SAME) return EXIT_TROUBLE;
    const std::unique_ptr<CCompareParams> request = named.Clone();
    std::string error;
    if (!SetRequestEncodings(*request, options.encodings, error)) return Trouble(err, error);
    if (!options.saveComparison.empty() && IsComplete(*request) &&
        !SaveComparisons(app, {request.get()}, options.saveComparison, err))
        return EXIT_TROUBLE;
    return OpenRequest(app, *request, options, out, err);
}

// Opening a comparison file: every comparison in it is run in turn under a
// heading; the exit status is the highest of theirs.
int OpenComparisonFile(CCorvatineApp& app, const std::string& path, const FRONTENDOPTIONS& options,
                       platform::COutput& out, platform::COutput& err) {
    CompareParamsList list;
    std::string error;
    if (!CComparisonFile::ReadComparisons(path, list, error)) return Trouble(err, error);
    if (list.empty()) return Trouble(err, "'" + path + "' holds no comparison that can be opened");
    if (list.size() > 1) {
        const char* single = options.watch             ? "--watch"
                             : !options.report.empty() ? "--report"
                             : !options.copy.empty()   ? "--copy"
                                                       : nullptr;
        if (single != nullptr)
            return Trouble(err, std::string(single) + " works on one comparison, and '" + path + "' holds " +
                                    std::to_string(list.size()));
    }
    // Each word must do something for some comparison of the file.
    std::vector<RunKind> runs;
    for (const auto& request : list) runs.push_back(RunKindOf(*request));
    if (const std::string word = options.FirstInapplicable(runs); !word.empty())
        return Trouble(err, "'" + word + "' does not apply to any comparison in '" + path + "'");
    if (!options.saveComparison.empty()) {
        std::vector<const CCompareParams*> requests;
        for (const auto& request : list) requests.push_back(request.get());
        if (!SaveComparisons(app, requests, options.saveComparison, err)) return EXIT_TROUBLE;
    }
    for (const auto& request : list)
        if (!SetRequestEncodings(*request, options.encodings, error)) return Trouble(err, error);
    int status = EXIT_SAME;
    bool opened = false;
    for (size_t i = 0; i < list.size(); ++i) {
        if (!options.quiet) {
            out << "Comparison " << i + 1 << " of " << list.size() << ": " << list[i]->GetTitle() << "\n";
            out.Flush();
        }
        const int result = OpenRequest(app, *list[i], options, out, err);
        opened = opened || result != EXIT_TROUBLE;
        status = std::max(status, result);
    }
    if (opened) app.AddRecentComparisonFile(path);
    return status;
}

// --recent: the recent comparisons list, most recent first; --recent=N runs
// entry N.
int RunRecent(CCorvatineApp& app, const FRONTENDOPTIONS& options, platform::COutput& out,
              platform::COutput& err) {
    const CRecentComparisonList* list = app.RecentComparisons();
    const int count = list != nullptr ? list->Count() : 0;
    if (options.recentEntry > 0) {
        if (options.recentEntry > count)
            return Trouble(err, "there is no recent comparison " + std::to_string(options.recentEntry) +
                                    ": the list holds " + std::to_string(count));
        // Running the entry moves it in the list: work on a copy.
        const std::unique_ptr<CCompareParams> request = (*list)[options.recentEntry - 1].Clone();
        return CompareOne(app, *request, options, out, err);
    }
    const std::string format = options.format.empty() ? "list" : options.format;
    if (format != "list" && format != "json")
        return Trouble(err, "invalid value '" + format + "' for '--format' of --recent: list or json");
    if (format == "json") {
        Json entries = Json::array();
        for (int i = 0; i < count; ++i) {
            const CCompareParams& request = (*list)[i];
            Json entry = RequestToJson(request);
            entry["lastComparedTime"] = LastComparedText(request);
            entries.push_back(std::move(entry));
        }
        out << DumpJson(entries) << "\n";
    } else {
        for (int i = 0; i < count; ++i) {
            const CCompareParams& request = (*list)[i];
            out << i + 1 << '\t' << LastComparedText(request) << '\t' << KindName(request.kind) << '\t'
                << Field(request.GetTitle()) << '\t' << Field(request.sides[0].path) << '\t'
                << Field(request.sides[1].path) << "\n";
        }
    }
    out.Flush();
    return out.Failed() ? Trouble(err, "cannot write the output: " + platform::ErrorText(out.Error()))
                        : EXIT_SAME;
}

// A folder comparison of files compares the folders that hold them: says so,
// and says when both are the same folder, which is then compared with itself.
void TellFoldersReplacingFiles(const CCommandLine& commandLine, platform::COutput& err) {
    bool replaced = false;
    for (int i = 0; i < commandLine.pathCount; ++i) {
        if (commandLine.paths[i] == commandLine.namedPaths[i]) continue;
        replaced = true;
        err << "corvatine: '" << commandLine.namedPaths[i] << "' is no folder: comparing the folder '"
            << commandLine.paths[i] << "' that holds it\n";
    }
    if (replaced && commandLine.pathCount == 2 &&
        platform::IsSameFile(commandLine.paths[0], commandLine.paths[1]))
        err << "corvatine: both paths stand for the folder '" << commandLine.paths[0]
            << "': it is compared with itself\n";
}

// --compare-to-chosen asks in the window, which a headless run does not have:
// the arguments are checked, then the reason is told.
int RefuseCompareToChosen(const std::vector<std::string>& arguments, platform::COutput& err) {
    CHOSENCOMPARISON parsed;
    std::string error;
    if (!ParseCompareToChosen(arguments, parsed, error))
        return Trouble(err, error + "\nTry 'corvatine --help' for more information.");
    return Trouble(err,
                   std::string(kCompareToChosenWord) + " asks in the window what '" + parsed.path +
                       "' is compared with, and " +
                       (HasDisplay() ? "--no-gui keeps the window closed"
                                     : "there is no display (neither WAYLAND_DISPLAY nor DISPLAY is set)"));
}

// The comparison the command line names: every path must exist, and files
// named as text that hold binary data take no option of text alone.
int RunCompareAction(CCorvatineApp& app, const CCommandLine& commandLine, const FRONTENDOPTIONS& options,
                     platform::COutput& out, platform::COutput& err) {
    // A folder comparison takes the folder of a path that is none: a path
    // that does not exist at all is told as such.
    for (int i = 0; i < commandLine.pathCount; ++i)
        if (::access(commandLine.namedPaths[i].c_str(), F_OK) != 0 && errno == ENOENT)
            return Trouble(err,
                           "cannot open '" + commandLine.namedPaths[i] + "': " + platform::ErrorText(ENOENT));
    if (commandLine.kindNamed == CCommandLine::KIND_TEXT && commandLine.kind == CCommandLine::KIND_BINARY) {
        // Named as text but holding binary data, the files are compared as
        // binary: what only a text comparison does cannot be done.
        const std::string word = options.FirstInapplicable(RunKind::BinaryComparison);
        if (!word.empty()) {
            const std::string& binary =
                IsTextFile(commandLine.paths[0]) ? commandLine.paths[1] : commandLine.paths[0];
            return Trouble(err, "cannot compare '" + binary +
                                    "' as text: Binary files cannot be compared as text.\n'" + word +
                                    "' does not apply to a binary comparison");
        }
    }
    if (commandLine.kind == CCommandLine::KIND_FOLDER) TellFoldersReplacingFiles(commandLine, err);
    return CompareOne(app, *commandLine.BuildRequest(), options, out, err);
}

int RunCommand(CCorvatineApp& app, std::vector<std::string> arguments, platform::COutput& out,
               platform::COutput& err) {
    const std::vector<std::string> named = arguments;
    FRONTENDOPTIONS options;
    std::string error;
    if (!options.Extract(arguments, error))
        return Trouble(err, error + "\nTry 'corvatine --help' for more information.");

    if (options.help) {
        out << UsageText();
        return EXIT_SAME;
    }
    if (options.version) {
        out << kHeadlessProgram << " " << kProgramVersion << "\n"
            << kCopyrightNotice << "\n"
            << kLicenceNotice << "\n";
        return EXIT_SAME;
    }
    if (options.compareToChosen) return RefuseCompareToChosen(named, err);
    if (options.hasShellMenu) return RunShellMenuAction(options.shellMenu, arguments, err);
    if (options.merge) return RunMergeAction(options, arguments, out, err);
    // The merge's own words name no comparison.
    for (const char* word : {"output", "diff3", "label", "auto", "rules"})
        if (std::find(options.given.begin(), options.given.end(), word) != options.given.end())
            return Trouble(err, "'--" + std::string(word) + "' applies only to --merge");

    CCommandLine commandLine;
    commandLine.Parse(arguments, app.components.ForCommandLine());
    if (!commandLine.UnknownLongOptions().empty())
        return Trouble(err, "unrecognized option '" + commandLine.UnknownLongOptions().front() +
                                "'\nTry 'corvatine --help' for more information.");
    for (const std::string& extra : commandLine.ExtraPaths())
        err << "corvatine: warning: ignoring '" << extra << "': only two paths are compared\n";

    if (options.hasFindInFiles) {
        if (commandLine.pathCount != 1 || commandLine.action == CCommandLine::ACTION_COMPARE)
            return Trouble(err,
                           "--find-in-files needs one folder to search\nTry 'corvatine --help' for more "
                           "information.");
        if (options.CheckApplicable(RunKind::FindInFiles, err) != EXIT_SAME) return EXIT_TROUBLE;
        return RunFindInFilesAction(commandLine.namedPaths[0], options, out, err);
    }

    if (options.info) {
        if (commandLine.pathCount != 1)
            return Trouble(err,
                           "--info needs exactly one path\nTry 'corvatine --help' for more information.");
        return RunInfoAction(commandLine.paths[0], out, err);
    }

    if (!options.integrate.empty() || !options.unintegrate.empty() || options.integrationStatus) {
        if (commandLine.pathCount > 0)
            return Trouble(
                err,
                "--integrate, --unintegrate and --integration-status take no paths\nTry 'corvatine "
                "--help' for more information.");
        return RunIntegrationAction(options, app.installDir, out, err);
    }

    if (options.printRequest) {
        std::unique_ptr<CCompareParams> request;
        if (commandLine.action == CCommandLine::ACTION_COMPARE) {
            request = commandLine.BuildRequest();
            if (!SetRequestEncodings(*request, options.encodings, error)) return Trouble(err, error);
        }
        out << DumpJson(CommandLineToJson(commandLine, request.get())) << "\n";
        return EXIT_SAME;
    }

    if (options.vcs) {
        if (commandLine.pathCount > 1 || commandLine.action == CCommandLine::ACTION_COMPARE)
            return Trouble(err,
                           "--vcs takes at most one folder\nTry 'corvatine --help' for more information.");
        return RunVcsAction(commandLine.pathCount == 1 ? commandLine.namedPaths[0] : std::string("."),
                            options, out, err);
    }
    // A lone folder inside a working copy shows its changes.
    if (commandLine.action == CCommandLine::ACTION_EDIT && commandLine.pathCount == 1 &&
        commandLine.kindNamed == CCommandLine::KIND_NONE && IsVersionControlFolder(commandLine.namedPaths[0]))
        return RunVcsAction(commandLine.namedPaths[0], options, out, err);

    if (options.recent) {
        if (commandLine.pathCount > 0)
            return Trouble(err, "--recent takes no paths\nTry 'corvatine --help' for more information.");
        return RunRecent(app, options, out, err);
    }

    const bool comparing = commandLine.action == CCommandLine::ACTION_COMPARE ||
                           (commandLine.action == CCommandLine::ACTION_OPEN && commandLine.pathCount == 1);
    if (!options.saveComparison.empty() && !comparing)
        return Trouble(err,
                       "--save-comparison saves a comparison: name two files or folders, or a .cmp file");

    switch (commandLine.action) {
        case CCommandLine::ACTION_HELP: out << UsageText(); return EXIT_SAME;
        case CCommandLine::ACTION_COMPARE: return RunCompareAction(app, commandLine, options, out, err);
        case CCommandLine::ACTION_EDIT: return RunEditAction(app.components, commandLine, options, out, err);
        case CCommandLine::ACTION_OPEN:
            if (commandLine.pathCount == 1)
                return OpenComparisonFile(app, commandLine.paths[0], options, out, err);
            [[fallthrough]];
        default:
            return Trouble(err, "no files or folders named\nTry 'corvatine --help' for more information.");
    }
}

}  // namespace

int RunFrontEnd(const std::vector<std::string>& arguments, platform::COutput& out, platform::COutput& err) {
    CCorvatineApp app;
    // A run reads the components it uses, and writes back only those.
    app.InitInstance(err, ComponentLoading::OnFirstUse);
    const int status = RunCommand(app, arguments, out, err);
    // A settings file that cannot be saved is reported, but the result of
    // the work stands.
    app.ExitInstance(err);
    return status;
}

}  // namespace corvatine
