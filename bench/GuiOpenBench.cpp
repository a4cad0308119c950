// The window on a large comparison: how long until the first screen is drawn,
// how long a page of scrolling takes, and the peak memory of the window
// against the headless program comparing the same pair in the same run. Then
// a line of 300,000 characters in the editor, ASCII with tabs and text with
// other characters: drawing it, End and typing there, and Home.
//
//   ./setup.sh --bench && QT_QPA_PLATFORM=offscreen build/bench/corva_bench_gui [LINES]
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <string>
#include <utility>

#include "GeneratedPair.h"
#include "launch/CorvatineApp.h"
#include "platform/Output.h"
#include "ui/MainFrame.h"
#include "ui/TextCompareView.h"
#include "ui/TextEditView.h"

namespace {

// A file of short lines with one of 300,000 characters among them, built
// from unit.
std::string LongLineFile(const std::string& path, const std::string& unit) {
    std::ofstream out(path);
    for (int i = 0; i < 10; ++i) out << "short line " << i << "\n";
    std::string line;
    while (line.size() < 300000) line += unit;
    out << line << "\n";
    for (int i = 0; i < 1000; ++i) out << "short line " << i << "\n";
    return path;
}

double ThreadMilliseconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) / 1e6;
}

double Milliseconds(QElapsedTimer& timer) {
    const double ms = timer.nsecsElapsed() / 1e6;
    timer.restart();
    return ms;
}

long PeakKilobytes(int who) {
    struct rusage usage {};
    getrusage(who, &usage);
    return usage.ru_maxrss;
}

// The headless program on the pair: its wall time and peak memory.
void RunHeadless(const std::string& program, const std::string& left, const std::string& right,
                 double& seconds, long& kilobytes) {
    QElapsedTimer timer;
    timer.start();
    const pid_t pid = fork();
    if (pid == 0) {
        execl(program.c_str(), program.c_str(), "--no-gui", "--quiet", left.c_str(), right.c_str(), nullptr);
        _exit(127);
    }
    int status = 0;
    struct rusage usage {};
    wait4(pid, &status, 0, &usage);
    seconds = timer.nsecsElapsed() / 1e9;
    kilobytes = usage.ru_maxrss;
}

}  // namespace

int main(int argc, char** argv) {
    const int lines = argc > 1 ? std::atoi(argv[1]) : 200000;
    QTemporaryDir dir;
    const std::string left = dir.filePath("left.txt").toStdString(),
                      right = dir.filePath("right.txt").toStdString();
    bench::MakeChangedPair(left, right, lines);
    ::setenv("CORVATINE_CONFIG_DIR", dir.path().toLocal8Bit().constData(), 1);
    const std::string program =
        QFileInfo(QString::fromLocal8Bit(argv[0])).absolutePath().toStdString() + "/../corvatine";

    double headlessSeconds = 0;
    long headlessKilobytes = 0;
    RunHeadless(program, left, right, headlessSeconds, headlessKilobytes);

    QElapsedTimer timer;
    timer.start();
    QApplication application(argc, argv);
    corvatine::CCorvatineApp app;
    corvatine::platform::CStringOutput warnings;
    app.InitInstance(warnings);
    corvatine::ui::CMainFrame frame(app);
    frame.resize(1400, 900);
    frame.show();
    corvatine::CTextCompareParams request;
    request.sides[0].path = left;
    request.sides[1].path = right;
    auto* view = qobject_cast<corvatine::ui::CTextCompareView*>(frame.OpenRequest(request));
    if (view == nullptr) return 2;
    // The first screen: everything drawn that was asked to be.
    view->repaint();
    QApplication::processEvents();
    const double firstScreen = timer.nsecsElapsed() / 1e9;

    // Paging through: each step scrolls both panes and draws them.
    // The processor time of this thread too: on a busy machine the steadier figure.
    const int pages = 200;
    timer.restart();
    const double cpuBefore = ThreadMilliseconds();
    for (int i = 1; i <= pages; ++i) {
        view->EnsureVisible((lines / pages) * i);
        view->repaint();
    }
    const double perPage = timer.nsecsElapsed() / 1e6 / pages;
    const double cpuPerPage = (ThreadMilliseconds() - cpuBefore) / pages;
    const long windowKilobytes = PeakKilobytes(RUSAGE_SELF);

    std::printf("%d lines, 1%% changed: %d differences\n", lines, view->Doc().GetDifferenceCount());
    std::printf("%-34s %10s %12s\n", "", "seconds", "peak MiB");
    std::printf("%-34s %10.3f %12.1f\n", "headless comparison (corvatine)", headlessSeconds,
                headlessKilobytes / 1024.0);
    std::printf("%-34s %10.3f %12.1f\n", "window: first screen drawn", firstScreen, windowKilobytes / 1024.0);
    std::printf("%-34s %10.2f ms (processor %.2f ms)\n", "window: a page scrolled and drawn", perPage,
                cpuPerPage);
    std::printf("memory ratio window / headless: %.2f\n",
                static_cast<double>(windowKilobytes) / headlessKilobytes);

    // The long line: opened and drawn, End, a character typed there, Home.
    std::printf("\na line of 300,000 characters in the editor (ms)   open+draw      End   typing     Home\n");
    const std::pair<const char*, std::string> units[] = {
        {"ASCII with tabs", "deflate_stored(s, flush);\t"},
        {"other characters", "na\xC3\xAFve \xE2\x80\x94 \xE6\x97\xA5\xE6\x9C\xAC caf\xC3\xA9 "}};
    int file = 0;
    for (const auto& [name, unit] : units) {
        const std::string path =
            LongLineFile(dir.filePath(QStringLiteral("long%1.txt").arg(file++)).toStdString(), unit);
        timer.restart();
        auto* editor = qobject_cast<corvatine::ui::CTextEditView*>(frame.OpenFile(path));
        if (editor == nullptr) return 2;
        corvatine::ui::CTextPane& pane = editor->Pane();
        pane.SetCaret({0, 10});
        editor->repaint();
        QApplication::processEvents();
        const double open = Milliseconds(timer);
        pane.SetCaret({1 << 30, 10});
        editor->repaint();
        const double end = Milliseconds(timer);
        pane.TypeText("x");
        editor->repaint();
        const double typing = Milliseconds(timer);
        pane.SetCaret({0, 10});
        editor->repaint();
        const double home = Milliseconds(timer);
        std::printf("  %-46s %9.1f %8.1f %8.1f %8.1f\n", name, open, end, typing, home);
        frame.CloseView(editor, false);
    }
    return 0;
}
