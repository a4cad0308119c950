// The merge window on a large merge: a base of LINES lines (1,000,000 by
// default) and two edits of it with 1% of the lines changed each, some
// changes of both sides meeting (conflicts). How long until the first
// screen is drawn (files read, merged, rows aligned, panes painted), how long
// going to the next conflict and drawing takes, taking a side there, and the
// window's peak memory against the headless merge of the same files in the
// same run. Goal: the first screen in under a second.
//
//   ./setup.sh --bench && QT_QPA_PLATFORM=offscreen build/bench/corva_bench_gui_merge [LINES]
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "ui/MergeView.h"

namespace {

void MakeMerge(const std::string& folder, int lines) {
    std::mt19937 random(20261210);
    std::ofstream base(folder + "/base"), ours(folder + "/ours"), theirs(folder + "/theirs");
    for (int i = 0; i < lines; ++i) {
        const std::string line =
            "line " + std::to_string(i) + " of the text, value " + std::to_string(random() % 1000000);
        base << line << "\n";
        const unsigned roll = random() % 200;
        ours << (roll == 0 || roll == 2 ? "ours " + line : line) << "\n";
        theirs << (roll == 1 || roll == 2 ? "theirs " + line : line) << "\n";
    }
}

// Wall seconds and peak memory (KiB) of the headless merge.
std::pair<double, long> Headless(const std::string& program, const std::string& folder) {
    QElapsedTimer timer;
    timer.start();
    const pid_t pid = ::fork();
    if (pid == 0) {
        const std::string out = folder + "/headless";
        std::freopen(out.c_str(), "w", stdout);
        ::unsetenv("DISPLAY");
        ::unsetenv("WAYLAND_DISPLAY");
        ::execl(program.c_str(), program.c_str(), "--merge", (folder + "/base").c_str(),
                (folder + "/ours").c_str(), (folder + "/theirs").c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    int status = 0;
    rusage usage{};
    ::wait4(pid, &status, 0, &usage);
    return {timer.nsecsElapsed() / 1e9, usage.ru_maxrss};
}

}  // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    const int lines = argc > 1 ? std::atoi(argv[1]) : 1000000;
    QTemporaryDir dir;
    const std::string folder = dir.path().toStdString();
    ::setenv("CORVATINE_CONFIG_DIR", folder.c_str(), 1);
    MakeMerge(folder, lines);

    QElapsedTimer timer;
    timer.start();
    corvatine::MERGECOMMAND command;
    command.request.paths = {folder + "/base", folder + "/ours", folder + "/theirs"};
    command.output = folder + "/merged";
    corvatine::ui::CMergeWindow window(command);
    std::string error;
    if (!window.Open(error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 2;
    }
    window.show();
    QApplication::processEvents();
    (void)window.grab();
    const double first = timer.nsecsElapsed() / 1e6;

    timer.restart();
    const int steps = 50;
    for (int i = 0; i < steps; ++i) {
        window.NextConflict();
        (void)window.grab();
    }
    const double next = timer.nsecsElapsed() / 1e6 / steps;
    timer.restart();
    for (int i = 0; i < steps; ++i) {
        window.Take(corvatine::CONTENT_OURS_THEIRS);
        window.NextConflict();
        (void)window.grab();
    }
    const double take = timer.nsecsElapsed() / 1e6 / steps;
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    const auto [headlessSeconds, headlessPeak] =
        Headless(QCoreApplication::applicationDirPath().toStdString() + "/../corvatine", folder);

    std::printf("merge window, %d lines, %d conflicts\n", lines, window.Doc().ConflictCount());
    std::printf("  first screen drawn          %8.1f ms   (headless merge %.1f ms)\n", first,
                headlessSeconds * 1000);
    std::printf("  next conflict, drawn        %8.2f ms\n", next);
    std::printf("  take both, next, drawn      %8.2f ms\n", take);
    std::printf("  peak memory                 %8.1f MiB  (headless %.1f MiB, ratio %.2f)\n",
                usage.ru_maxrss / 1024.0, headlessPeak / 1024.0,
                static_cast<double>(usage.ru_maxrss) / static_cast<double>(headlessPeak));
    return first < 1000 ? 0 : 1;
}
