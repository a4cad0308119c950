// The window on a large folder comparison: two folders of 200,000 files each
// (1% of them of another size on the right): how long until the rows are
// drawn, how long sorting them by size, hiding the identical ones and a page
// of scrolling take, and the peak memory of the window against the headless
// program comparing the same folders in the same run.
//
//   ./setup.sh --bench && QT_QPA_PLATFORM=offscreen build/bench/corva_bench_gui_folder [FILES]
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QHeaderView>
#include <QScrollBar>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "launch/CorvatineApp.h"
#include "platform/Output.h"
#include "ui/FolderCompareModel.h"
#include "ui/FolderCompareView.h"
#include "ui/MainFrame.h"

namespace {

// Files "f0000000" ... of one byte on the left; on the right the same, but
// every hundredth two bytes long; all with one time.
bool MakeFolders(const std::string& left, const std::string& right, int files) {
    if (::mkdir(left.c_str(), 0755) != 0 || ::mkdir(right.c_str(), 0755) != 0) return false;
    const struct timespec times[2] = {{1600000000, 0}, {1600000000, 0}};
    for (int i = 0; i < files; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "/f%07d", i);
        for (int side = 0; side < 2; ++side) {
            const std::string path = (side == 0 ? left : right) + name;
            const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            if (fd < 0) return false;
            const bool longer = side == 1 && i % 100 == 0;
            const bool written = ::write(fd, "xx", longer ? 2 : 1) == (longer ? 2 : 1);
            ::futimens(fd, times);
            ::close(fd);
            if (!written) return false;
        }
    }
    return true;
}

// The same files in a tree: 20 folders of 100 folders of files each, one
// file in a hundred of another size on the right.
bool MakeTree(const std::string& left, const std::string& right, int files) {
    const int perFolder = std::max(1, files / 2000);
    const struct timespec times[2] = {{1600000000, 0}, {1600000000, 0}};
    for (const std::string& root : {left, right})
        if (::mkdir(root.c_str(), 0755) != 0) return false;
    int made = 0;
    for (int top = 0; top < 20 && made < files; ++top)
        for (int sub = 0; sub < 100 && made < files; ++sub) {
            char folder[48];
            std::snprintf(folder, sizeof folder, "/t%02d/s%03d", top, sub);
            for (const std::string& root : {left, right}) {
                const std::string path = root + folder;
                (void)::mkdir(path.substr(0, path.rfind('/')).c_str(), 0755);
                if (::mkdir(path.c_str(), 0755) != 0) return false;
            }
            for (int i = 0; i < perFolder && made < files; ++i, ++made)
                for (int side = 0; side < 2; ++side) {
                    char name[32];
                    std::snprintf(name, sizeof name, "/f%05d", i);
                    const std::string path = (side == 0 ? left : right) + folder + name;
                    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
                    if (fd < 0) return false;
                    const bool longer = side == 1 && made % 100 == 0;
                    const bool written = ::write(fd, "xx", longer ? 2 : 1) == (longer ? 2 : 1);
                    ::futimens(fd, times);
                    ::close(fd);
                    if (!written) return false;
                }
        }
    return true;
}

long PeakKilobytes() {
    struct rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

void RunHeadless(const std::string& program, const std::string& left, const std::string& right,
                 double& seconds, long& kilobytes) {
    QElapsedTimer timer;
    timer.start();
    const pid_t pid = fork();
    if (pid == 0) {
        const int null = ::open("/dev/null", O_WRONLY);
        ::dup2(null, STDOUT_FILENO);
        execl(program.c_str(), program.c_str(), "--no-gui", "--quiet", "--format=brief", left.c_str(),
              right.c_str(), nullptr);
        _exit(127);
    }
    int status = 0;
    struct rusage usage {};
    wait4(pid, &status, 0, &usage);
    seconds = timer.nsecsElapsed() / 1e9;
    kilobytes = usage.ru_maxrss;
}

// Lets the window draw what it was asked to.
void Draw(QWidget& widget) {
    widget.repaint();
    QApplication::processEvents();
}

}  // namespace

int main(int argc, char** argv) {
    const int files = argc > 1 ? std::atoi(argv[1]) : 200000;
    QTemporaryDir dir;
    const std::string left = dir.filePath("a").toStdString(), right = dir.filePath("b").toStdString();
    if (!MakeFolders(left, right, files)) {
        std::perror("corva_bench_gui_folder: cannot make the folders");
        return 2;
    }
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
    corvatine::CFolderCompareParams request;
    request.sides[0].path = left;
    request.sides[1].path = right;
    auto* view = qobject_cast<corvatine::ui::CFolderCompareView*>(frame.OpenRequest(request));
    if (view == nullptr) return 2;
    while (view->IsBusy()) QApplication::processEvents(QEventLoop::WaitForMoreEvents);
    Draw(*view);
    const double firstScreen = timer.nsecsElapsed() / 1e9;
    const int rows = view->Model().rowCount();

    // Sorting by the left size: the header clicked.
    timer.restart();
    view->Tree().sortByColumn(corvatine::ui::CFolderCompareModel::ModelColumn(0, corvatine::ui::COLUMN_SIZE),
                              Qt::AscendingOrder);
    Draw(*view);
    const double sorted = timer.nsecsElapsed() / 1e9;

    // Hiding the identical rows: the level read again.
    timer.restart();
    frame.Action(corvatine::ui::Command::ShowIdenticalItems)->trigger();
    Draw(*view);
    const double filtered = timer.nsecsElapsed() / 1e9;
    const int shown = view->Model().rowCount();
    frame.Action(corvatine::ui::Command::ShowAllItems)->trigger();

    const int pages = 200;
    QScrollBar* scroll = view->Tree().verticalScrollBar();
    timer.restart();
    for (int i = 1; i <= pages; ++i) {
        scroll->setValue(static_cast<int>(static_cast<long long>(scroll->maximum()) * i / pages));
        Draw(*view);
    }
    const double perPage = timer.nsecsElapsed() / 1e6 / pages;
    const long windowKilobytes = PeakKilobytes();
    frame.CloseView(view, false);

    // The same number of files in a tree, opened a level at a time: the
    // first screen, every level compared and opened (Expand All), and the
    // identical rows hidden with their folders.
    const std::string treeLeft = dir.filePath("ta").toStdString(),
                      treeRight = dir.filePath("tb").toStdString();
    if (!MakeTree(treeLeft, treeRight, files)) {
        std::perror("corva_bench_gui_folder: cannot make the trees");
        return 2;
    }
    timer.restart();
    request.sides[0].path = treeLeft;
    request.sides[1].path = treeRight;
    view = qobject_cast<corvatine::ui::CFolderCompareView*>(frame.OpenRequest(request));
    if (view == nullptr) return 2;
    while (view->IsBusy()) QApplication::processEvents(QEventLoop::WaitForMoreEvents);
    Draw(*view);
    const double treeFirst = timer.nsecsElapsed() / 1e9;
    timer.restart();
    frame.Action(corvatine::ui::Command::ExpandAll)->trigger();
    QApplication::processEvents();
    while (view->IsBusy()) QApplication::processEvents(QEventLoop::WaitForMoreEvents);
    Draw(*view);
    const double expanded = timer.nsecsElapsed() / 1e9;
    timer.restart();
    frame.Action(corvatine::ui::Command::ShowIdenticalItems)->trigger();
    Draw(*view);
    const double treeFiltered = timer.nsecsElapsed() / 1e9;
    const long treeKilobytes = PeakKilobytes();

    std::printf("%d files on each side, 1%% of another size: %d rows, %d different\n", files, rows, shown);
    std::printf("%-38s %10s %12s\n", "", "seconds", "peak MiB");
    std::printf("%-38s %10.3f %12.1f\n", "headless comparison (corvatine)", headlessSeconds,
                headlessKilobytes / 1024.0);
    std::printf("%-38s %10.3f %12.1f\n", "window: compared and first screen drawn", firstScreen,
                windowKilobytes / 1024.0);
    std::printf("%-38s %10.3f\n", "window: sorted by size and drawn", sorted);
    std::printf("%-38s %10.3f\n", "window: identical rows hidden", filtered);
    std::printf("%-38s %10.2f ms\n", "window: a page scrolled and drawn", perPage);
    std::printf("memory ratio window / headless: %.2f\n",
                static_cast<double>(windowKilobytes) / headlessKilobytes);
    std::printf("the same files in 2,000 folders of 20 top folders:\n");
    std::printf("%-38s %10.3f\n", "window: top level compared and drawn", treeFirst);
    std::printf("%-38s %10.3f %12.1f\n", "window: Expand All, compared and drawn", expanded,
                treeKilobytes / 1024.0);
    std::printf("%-38s %10.3f\n", "window: identical rows and folders hidden", treeFiltered);
    return 0;
}
