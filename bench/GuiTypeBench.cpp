// Typing into a large comparison in the window: the time from a key press to
// both panes drawn again, per keystroke, where the rows are the same on both
// sides, in a changed row, and for line breaks and deletions that change the
// alignment.
//
//   ./setup.sh --bench && QT_QPA_PLATFORM=offscreen build/bench/corva_bench_gui_type [LINES]
#include <sys/resource.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "GeneratedPair.h"
#include "launch/CorvatineApp.h"
#include "platform/Output.h"
#include "ui/MainFrame.h"
#include "ui/TextCompareView.h"

namespace {

struct FIGURES {
    double median = 0, p95 = 0, worst = 0;
};

FIGURES Summarise(std::vector<double> times) {
    std::sort(times.begin(), times.end());
    FIGURES f;
    f.median = times[times.size() / 2];
    f.p95 = times[std::min(times.size() - 1, times.size() * 95 / 100)];
    f.worst = times.back();
    return f;
}

// Presses a key in the pane and draws the view: milliseconds.
double Press(corvatine::ui::CTextCompareView& view, QWidget& pane, int key, const QString& text) {
    QElapsedTimer timer;
    timer.start();
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
    QApplication::sendEvent(&pane, &press);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
    QApplication::sendEvent(&pane, &release);
    view.repaint();
    return timer.nsecsElapsed() / 1e6;
}

}  // namespace

int main(int argc, char** argv) {
    const int lines = argc > 1 ? std::atoi(argv[1]) : 1000000;
    QTemporaryDir dir;
    const std::string left = dir.filePath("left.txt").toStdString(),
                      right = dir.filePath("right.txt").toStdString();
    bench::MakeChangedPair(left, right, lines);
    ::setenv("CORVATINE_CONFIG_DIR", dir.path().toLocal8Bit().constData(), 1);

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
    corvatine::ui::CTextPane& pane = view->Pane(0);
    pane.setFocus();
    QApplication::processEvents();

    // Rows in the middle of the pair: one the same on both sides, one changed.
    corvatine::CTextCompareDoc& doc = view->Doc();
    const int middle = doc.Context().VisibleRowCount() / 2;
    int equalRow = middle, changedRow = middle;
    while (doc.GetSide(0).GetLine(equalRow).flags & corvatine::LF_DIFFERENCE) ++equalRow;
    while (!(doc.GetSide(0).GetLine(changedRow).flags & corvatine::LF_CHANGED)) ++changedRow;

    const int keys = 60;
    const auto typeAt = [&](int row) {
        pane.SetCaret({0, row});
        view->EnsureVisible(row);
        view->repaint();
        std::vector<double> times;
        for (int i = 0; i < keys; ++i)
            times.push_back(Press(*view, pane, Qt::Key_A + i % 26, QString(QChar('a' + i % 26))));
        return Summarise(times);
    };
    const FIGURES equal = typeAt(equalRow);
    const FIGURES changed = typeAt(changedRow);
    // Line breaks and deletions change the rows below.
    pane.SetCaret({4, equalRow + 100});
    view->EnsureVisible(equalRow + 100);
    std::vector<double> breaks, deletions;
    for (int i = 0; i < keys / 2; ++i) {
        breaks.push_back(Press(*view, pane, Qt::Key_Return, QStringLiteral("\r")));
        deletions.push_back(Press(*view, pane, Qt::Key_Backspace, QString()));
    }
    const FIGURES lineBreak = Summarise(breaks), deletion = Summarise(deletions);

    // The parts of a keystroke: the document's edit and comparison alone, and
    // drawing the window alone.
    std::vector<double> documentTimes, drawTimes;
    corvatine::CPoint at{0, equalRow + 200};
    for (int i = 0; i < keys; ++i) {
        QElapsedTimer timer;
        timer.start();
        corvatine::CPoint caret;
        doc.ReplaceText(0, at, at, "z", corvatine::CTextCompareObject::kTypingAction, caret);
        documentTimes.push_back(timer.nsecsElapsed() / 1e6);
        at = caret;
        timer.restart();
        view->repaint();
        drawTimes.push_back(timer.nsecsElapsed() / 1e6);
    }
    const FIGURES document = Summarise(documentTimes), drawing = Summarise(drawTimes);

    struct rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("%d lines, 1%% changed: %d differences; milliseconds from key press to both panes drawn\n",
                lines, doc.GetDifferenceCount());
    std::printf("%-36s %8s %8s %8s\n", "", "median", "95%", "worst");
    const auto row = [](const char* name, const FIGURES& f) {
        std::printf("%-36s %8.2f %8.2f %8.2f\n", name, f.median, f.p95, f.worst);
    };
    row("a character in an unchanged row", equal);
    row("a character in a changed row", changed);
    row("Enter (a row added)", lineBreak);
    row("Backspace over a line break", deletion);
    row("of a character: the document alone", document);
    row("of a character: drawing alone", drawing);
    std::printf("peak memory: %.1f MiB\n", usage.ru_maxrss / 1024.0);
    // Each keystroke's budget at 60 frames a second.
    return equal.p95 < 16 && changed.p95 < 16 && lineBreak.p95 < 16 && deletion.p95 < 16 ? 0 : 1;
}
