#include "app/WindowLauncher.h"

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>

#include "app/FrontEndOptions.h"
#include "launch/CompareToChosen.h"
#include "platform/AtomicFile.h"
#include "platform/Output.h"
#include "platform/Path.h"

extern char** environ;

namespace corvatine {

namespace {

// The command line's own ways of asking for help (any case, "-" or "/").
bool AsksForHelp(const std::string& argument) {
    if (argument.size() < 2 || (argument[0] != '-' && argument[0] != '/')) return false;
    std::string word = argument.substr(argument[1] == '-' ? 2 : 1);
    std::transform(word.begin(), word.end(), word.begin(), [](unsigned char c) { return std::tolower(c); });
    return word == "h" || word == "help" || word == "?";
}

// The window's process while this one waits for it.
volatile sig_atomic_t g_window = 0;

// Whoever ends this process ends the window with it.
void PassOn(int signal) {
    if (g_window > 0) ::kill(static_cast<pid_t>(g_window), signal);
}

}  // namespace

bool HasDisplay() {
    for (const char* name : {"WAYLAND_DISPLAY", "DISPLAY"}) {
        const char* value = std::getenv(name);
        if (value != nullptr && *value != '\0') return true;
    }
    return false;
}

FACECHOICE ChooseFace(const std::vector<std::string>& arguments) {
    FACECHOICE choice;
    bool forbidden = false, help = false, optionsEnded = false;
    for (const std::string& argument : arguments) {
        if (!optionsEnded && argument == "--gui") {
            choice.forced = true;
            continue;
        }
        if (!optionsEnded && argument == "--no-gui") {
            forbidden = true;
            continue;
        }
        if (argument == "--") optionsEnded = true;
        if (!optionsEnded && AsksForHelp(argument)) help = true;
        choice.arguments.push_back(argument);
    }
    if (forbidden) {
        if (choice.forced) choice.trouble = "--gui and --no-gui exclude each other";
        return choice;
    }

    // The front end's words make a headless run; only --recent=N names a
    // comparison for the window, and --encoding how it reads its files.
    FRONTENDOPTIONS options;
    std::vector<std::string> rest = choice.arguments;
    std::string error;
    std::string headless = options.Extract(rest, error) ? std::string() : "--";
    // A merge opens its window with its own words.
    const auto mergeWord = [&](const std::string& word) {
        return options.merge && (word == "merge" || word == "output" || word == "diff3" || word == "label" ||
                                 word == "auto" || word == "rules");
    };
    // The version-control view opens in the window too, and so does the
    // chooser of --compare-to-chosen.
    for (const std::string& word : options.given)
        if (headless.empty() && !(word == "recent" && options.recentEntry > 0) && word != "encoding" &&
            word != "vcs" && word != "compare-to-chosen" && !mergeWord(word))
            headless = "--" + word;
    if (help && headless.empty()) headless = "help";

    // --compare-to-chosen is for the window only: its arguments are checked
    // here, where the trouble can still be told, and a window that cannot
    // open is trouble rather than a headless run.
    if (options.compareToChosen && headless.empty()) {
        CHOSENCOMPARISON parsed;
        if (!ParseCompareToChosen(choice.arguments, parsed, error)) {
            choice.trouble = error + "\nTry 'corvatine --help' for more information.";
            return choice;
        }
        if (HasDisplay()) choice.forced = true;
    }

    if (choice.forced) {
        if (!headless.empty())
            choice.trouble = headless == "--" || headless == "help"
                                 ? "--gui opens the window: give no options of the command-line front end"
                                 : "--gui opens the window, which '" + headless + "' does not apply to";
        else if (!HasDisplay())
            choice.trouble =
                "cannot open the window: no display (neither WAYLAND_DISPLAY nor DISPLAY is set)";
        choice.window = choice.trouble.empty();
        return choice;
    }
    choice.window = headless.empty() && HasDisplay();
    return choice;
}

int RunWindow(const FACECHOICE& choice, platform::COutput& err) {
    const std::string program = platform::JoinPath(platform::ProgramFolder(), kWindowProgram);
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& argument : choice.arguments) argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    pid_t pid = 0;
    const int started = ::posix_spawn(&pid, program.c_str(), nullptr, nullptr, argv.data(), environ);
    if (started != 0) {
        if (!choice.forced) return -1;  // a build without the window: the headless face serves
        err << "corvatine: cannot open the window: " << program << ": " << platform::ErrorText(started)
            << "\n";
        return 2;
    }
    // Waiting keeps this process standing for the window, so that a program
    // that started this one (a version-control client) waits until it closes.
    g_window = pid;
    struct sigaction passOn {};
    passOn.sa_handler = PassOn;
    ::sigemptyset(&passOn.sa_mask);
    struct sigaction previous[3];
    const int signals[3] = {SIGINT, SIGTERM, SIGHUP};
    for (int i = 0; i < 3; ++i) ::sigaction(signals[i], &passOn, &previous[i]);
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    for (int i = 0; i < 3; ++i) ::sigaction(signals[i], &previous[i], nullptr);
    g_window = 0;
    if (WIFEXITED(status)) return WEXITSTATUS(status);
    // The toolkit aborts when it cannot reach the display.
    if (WIFSIGNALED(status) && WTERMSIG(status) == SIGABRT && !choice.forced) return -1;
    const int signal = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
    if (signal == SIGINT || signal == SIGTERM || signal == SIGHUP) return 128 + signal;
    err << "corvatine: the window could not be opened or ended abnormally (signal " << signal << ")\n";
    return 2;
}

}  // namespace corvatine
