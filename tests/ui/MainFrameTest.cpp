// The window driven as a user drives it: real widgets on the offscreen
// platform, commands through their shortcuts and actions, dialogs answered as
// they come up.
#include <QApplication>
#include <QClipboard>
#include <QDialog>
#include <QDir>
#include <QDockWidget>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QScopeGuard>
#include <QScreen>
#include <QSignalSpy>
#include <QSpinBox>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBrowser>
#include <QTimer>
#include <QUrl>

#include <cstdlib>
#include <fstream>
#include <functional>
#include <memory>
#include <sstream>

#include "UiTestApp.h"
#include "editor/SyntaxEditor.h"
#include "launch/Components.h"
#include "launch/CorvatineApp.h"
#include "launch/ProgramNames.h"
#include "persist/GeneralOptions.h"
#include "platform/MessageQueue.h"
#include "platform/Path.h"
#include "textcompare/TextCompareColors.h"
#include "textcompare/TextCompareOptions.h"
#include "ui/FolderCompareView.h"
#include "ui/HelpWindow.h"
#include "ui/HexCompareView.h"
#include "ui/LocationMap.h"
#include "ui/MainFrame.h"
#include "ui/StartPage.h"
#include "ui/TextCompareView.h"
#include "ui/TextEditView.h"
#include "ui/UiText.h"
#include "ui/WindowPlacement.h"

using namespace corvatine;
using namespace corvatine::ui;

namespace {

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

using uitest::AnswerNextDialog;

void Press(QMessageBox::StandardButton button) {
    AnswerNextDialog([button](QWidget* dialog) {
        auto* box = qobject_cast<QMessageBox*>(dialog);
        QVERIFY2(box != nullptr, "a message box");
        box->button(button)->click();
    });
}

}  // namespace

class MainFrameTest : public QObject {
    Q_OBJECT

private:
    std::string Write(const std::string& name, const std::string& bytes) {
        return uitest::WriteInto(*m_dir, name, bytes);
    }
    CTextCompareView* OpenPair(const std::string& left, const std::string& right,
                               const std::string& leftName = "left.txt",
                               const std::string& rightName = "right.txt") {
        CTextCompareParams request;
        request.sides[0].path = Write(leftName, left);
        request.sides[1].path = Write(rightName, right);
        request.rules = 0;
        auto* view = qobject_cast<CTextCompareView*>(m_frame->OpenRequest(request));
        if (view != nullptr) QTest::qWait(0);
        return view;
    }
    std::string SideText(CTextCompareView& view, int side) {
        std::string text;
        CTextCompareObject& object = view.Doc().GetSide(side);
        for (int row = 0; row < object.GetLineCount(); ++row)
            if (!object.IsGhostRow(row)) text += object.GetLine(row).Text();
        return text;
    }

    std::unique_ptr<QTemporaryDir> m_config;
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<CCorvatineApp> m_app;
    std::unique_ptr<CMainFrame> m_frame;

private slots:
    void initTestCase() {
        m_config = std::make_unique<QTemporaryDir>();
        m_app = uitest::StartTestApp(*m_config);
    }
    void cleanupTestCase() { uitest::StopTestApp(); }

    void init() {
        m_dir = std::make_unique<QTemporaryDir>();
        AppComponents().Text().ResetToDefaults();
        m_frame = std::make_unique<CMainFrame>(*m_app);
        m_frame->resize(1000, 600);
        m_frame->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_frame.get()));
    }
    void cleanup() {
        // Closed without asking: what a test left modified is dropped.
        while (m_frame->ViewCount() > 0) m_frame->CloseView(m_frame->View(0), false);
        m_frame.reset();
    }

    // The first window fits the screen's available area, centred: a
    // 1400x900 screen with a panel, and the test platform's own screen.
    void FirstWindowFitsTheAvailableArea() {
        const QRect area(0, 27, 1400, 873);  // below a 27-pixel panel
        const QRect placed = FitWindowToArea(QSize(1200, 800), area);
        QCOMPARE(placed.size(), QSize(1200, 800));
        QVERIFY(area.contains(placed));
        QCOMPARE(placed.left(), 100);
        QVERIFY(placed.top() - area.top() >= kFrameAllowanceHeight / 2);
        // Too large for a small screen: cut to it, the frame's room kept.
        const QRect small(0, 0, 1024, 700);
        const QRect cut = FitWindowToArea(QSize(1200, 800), small);
        QCOMPARE(cut.size(), QSize(1024 - kFrameAllowanceWidth, 700 - kFrameAllowanceHeight));
        QVERIFY(small.contains(cut));
        QCOMPARE(cut.top(), kFrameAllowanceHeight);
        QCOMPARE(cut.center().x(), small.center().x());

        CMainFrame frame(*m_app);
        const QRect available = frame.screen()->availableGeometry();
        QVERIFY2(available.contains(frame.geometry()), qPrintable(QStringLiteral("%1x%2+%3+%4 outside %5x%6")
                                                                      .arg(frame.width())
                                                                      .arg(frame.height())
                                                                      .arg(frame.x())
                                                                      .arg(frame.y())
                                                                      .arg(available.width())
                                                                      .arg(available.height())));
        QCOMPARE(frame.geometry().size(), FitWindowToArea(QSize(1200, 800), available).size());
    }

    // Help > About names the version, the copyright and the licence.
    void AboutNamesTheLicence() {
        QString shown;
        AnswerNextDialog([&shown](QWidget* dialog) {
            auto* box = qobject_cast<QMessageBox*>(dialog);
            QVERIFY2(box != nullptr, "a message box");
            shown = box->text();
            box->accept();
        });
        auto* about = m_frame->findChild<QAction*>(QStringLiteral("about"));
        QVERIFY(about != nullptr);
        about->trigger();
        QVERIFY2(shown.contains(QStringLiteral("Licensed under the MIT licence")), qPrintable(shown));
        QVERIFY(shown.contains(QStringLiteral("Corvatine ") + QString::fromUtf8(kProgramVersion)));
        QVERIFY(shown.contains(QStringLiteral("Copyright 2026 Corvatine maintainers")));
    }

    // Open a pair, Next Difference, Copy to Right, Save Right File: the right
    // file is then the left one, byte for byte.
    void CopyToRightAndSave() {
        CTextCompareView* view = OpenPair("one\r\ntwo\r\nthree\r\n", "one\r\n2\r\nthree\r\n");
        QVERIFY(view != nullptr);
        QCOMPARE(view->Doc().GetDifferenceCount(), 1);
        QCOMPARE(m_frame->windowTitle(), QStringLiteral("left.txt : right.txt - Corvatine"));
        CTextPane& left = view->Pane(0);
        left.setFocus();
        QTest::keyClick(&left, Qt::Key_Down, Qt::AltModifier);
        QCOMPARE(view->Doc().GetCurrentSection(), 0);
        QCOMPARE(left.Caret().y, 1);
        QTest::keyClick(&left, Qt::Key_Right, Qt::AltModifier);
        QVERIFY(view->Doc().IsIdentical());
        QCOMPARE(view->Title(), QStringLiteral("left.txt : right.txt *"));
        QVERIFY(m_frame->Action(Command::SaveRight)->isEnabled());
        QTest::keyClick(&left, Qt::Key_2, Qt::ControlModifier | Qt::AltModifier);
        QCOMPARE(ReadFile(view->Doc().Request().sides[1].path),
                 ReadFile(view->Doc().Request().sides[0].path));
        QCOMPARE(view->Title(), QStringLiteral("left.txt : right.txt"));
        QVERIFY(m_frame->findChild<QLabel*>(QStringLiteral("statusText"))->text().startsWith("Identical"));
    }

    // Typing into a ghost row makes it a real line of that side; undo puts
    // both panes back as they were.
    void TypingIntoAGhostRowAndUndo() {
        CTextCompareView* view = OpenPair("a\nextra\nb\n", "a\nb\n");
        QVERIFY(view != nullptr);
        CTextPane& right = view->Pane(1);
        QVERIFY(view->Doc().GetSide(1).IsGhostRow(1));
        right.setFocus();
        right.SetCaret({0, 1});
        QTest::keyClicks(&right, "extra");
        QVERIFY(!view->Doc().GetSide(1).IsGhostRow(1));
        QCOMPARE(QString::fromStdString(SideText(*view, 1)), QStringLiteral("a\nextra\nb\n"));
        QTRY_VERIFY(view->Doc().IsIdentical());  // the comparison follows the edit

        QTest::keyClick(&right, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(SideText(*view, 1), std::string("a\nb\n"));
        QCOMPARE(SideText(*view, 0), std::string("a\nextra\nb\n"));
        QCOMPARE(view->Doc().GetDifferenceCount(), 1);
        QVERIFY(view->Doc().GetSide(1).IsGhostRow(1));

        // Undo put the caret where the text was taken out: at the start of
        // the line after the placeholder row.
        QCOMPARE(right.Caret(), (CPoint{0, 2}));
        // A merge is undone as one step too.
        QTest::keyClick(&right, Qt::Key_Home, Qt::AltModifier);
        QTest::keyClick(&right, Qt::Key_Right, Qt::AltModifier);
        QVERIFY(view->Doc().IsIdentical());
        QCOMPARE(m_frame->Action(Command::Undo)->text(), QStringLiteral("&Undo Copy to Right"));
        QTest::keyClick(&right, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(SideText(*view, 1), std::string("a\nb\n"));
        QCOMPARE(view->Doc().GetDifferenceCount(), 1);
    }

    // One history for the comparison, whatever pane has the focus: a copy
    // made from the left pane is undone from there, typing on either side
    // and the copies go back in the order they were made, each named.
    void OneUndoHistoryForTheComparison() {
        CTextCompareView* view = OpenPair("same\nleft\nsame\n", "same\nright\nsame\n");
        QVERIFY(view != nullptr);
        CTextPane& left = view->Pane(0);
        CTextPane& right = view->Pane(1);
        left.setFocus();
        QTest::keyClick(&left, Qt::Key_Home, Qt::AltModifier);
        QTest::keyClick(&left, Qt::Key_Right, Qt::AltModifier);  // copy to the right
        QVERIFY(view->Doc().IsIdentical());
        m_frame->UpdateCommands();
        QVERIFY(m_frame->Action(Command::Undo)->isEnabled());
        QCOMPARE(m_frame->Action(Command::Undo)->text(), QStringLiteral("&Undo Copy to Right"));
        right.setFocus();
        right.SetCaret({0, 0});
        QTest::keyClicks(&right, "R:");
        left.setFocus();
        left.SetCaret({0, 2});
        QTest::keyClicks(&left, "L:");
        QCOMPARE(SideText(*view, 0), std::string("same\nleft\nL:same\n"));
        QCOMPARE(SideText(*view, 1), std::string("R:same\nleft\nsame\n"));
        m_frame->UpdateCommands();
        QCOMPARE(m_frame->Action(Command::Undo)->text(), QStringLiteral("&Undo Typing"));
        QTest::keyClick(&left, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(SideText(*view, 0), std::string("same\nleft\nsame\n"));
        QTest::keyClick(&left, Qt::Key_Z,
                        Qt::ControlModifier);  // the right side's typing, from the left pane
        QCOMPARE(SideText(*view, 1), std::string("same\nleft\nsame\n"));
        m_frame->UpdateCommands();
        QCOMPARE(m_frame->Action(Command::Undo)->text(), QStringLiteral("&Undo Copy to Right"));
        QTest::keyClick(&left, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(SideText(*view, 1), std::string("same\nright\nsame\n"));
        QCOMPARE(view->Title(), QStringLiteral("left.txt : right.txt"));
        m_frame->UpdateCommands();
        QVERIFY(!m_frame->Action(Command::Undo)->isEnabled());
        QCOMPARE(m_frame->Action(Command::Redo)->text(), QStringLiteral("&Redo Copy to Right"));
        QTest::keyClick(&left, Qt::Key_Y, Qt::ControlModifier);
        QVERIFY(view->Doc().IsIdentical());
        QCOMPARE(view->Title(), QStringLiteral("left.txt : right.txt *"));
    }

    // Automatic Recompare off: what was typed stays marked as not compared
    // until Recompare; on again, it is compared at once.
    void AutomaticRecompareOffLeavesEditedRowsStale() {
        CTextCompareView* view = OpenPair("a\nb\nc\n", "a\nb\nc\n");
        QVERIFY(view != nullptr);
        m_frame->UpdateCommands();
        QAction* automatic = m_frame->Action(Command::AutoRecompare);
        QVERIFY(automatic->isEnabled());
        QVERIFY(automatic->isChecked());
        automatic->trigger();
        m_frame->UpdateCommands();
        QVERIFY(!automatic->isChecked());
        CTextPane& left = view->Pane(0);
        left.setFocus();
        left.SetCaret({1, 1});
        QTest::keyClicks(&left, "x");
        QVERIFY(view->Doc().HasStaleRows());
        QVERIFY(view->Doc().GetSide(0).GetLine(1).flags & LF_STALE);
        auto* status = m_frame->findChild<QLabel*>(QStringLiteral("statusText"));
        QVERIFY(status->text().contains(QStringLiteral("F5")));
        QTest::keyClick(&left, Qt::Key_F5);
        QVERIFY(!view->Doc().HasStaleRows());
        QCOMPARE(view->Doc().GetDifferenceCount(), 1);
        automatic->trigger();
        QTest::keyClicks(&left, "y");
        QVERIFY(!view->Doc().HasStaleRows());
        QCOMPARE(view->Doc().GetDifferenceCount(), 1);
        QCOMPARE(SideText(*view, 0), std::string("a\nbxy\nc\n"));
    }

    // Every command is enabled exactly where it acts: in a text comparison
    // the folder view's commands are grey, Automatic Recompare is there and
    // checked as Options has it, and Go To Containing Folder opens the
    // comparison of the folders that hold the two files.
    void CommandsAreEnabledWhereTheyAct() {
        QDir().mkpath(m_dir->filePath(QStringLiteral("one")));
        QDir().mkpath(m_dir->filePath(QStringLiteral("two")));
        const std::string left = Write("one/a.txt", "a\n"), right = Write("one/b.txt", "bb\n");
        // Named from a terminal in their folder, as "corvatine a.txt b.txt".
        const QString here = QDir::currentPath();
        QDir::setCurrent(m_dir->filePath(QStringLiteral("one")));
        std::string error;
        const bool opened = m_frame->OpenCommandLine({"a.txt", "b.txt"}, error);
        const auto back = qScopeGuard([here] { QDir::setCurrent(here); });
        QVERIFY2(opened, error.c_str());
        QTRY_VERIFY(qobject_cast<CTextCompareView*>(m_frame->ActiveView()) != nullptr);
        m_frame->UpdateCommands();
        for (Command command :
             {Command::ShowIdenticalItems, Command::ShowDifferentItems, Command::ShowAllItems,
              Command::ShowHiddenItems, Command::ExpandAll, Command::CollapseAll, Command::CopyToFolder,
              Command::Synchronize, Command::UpOneLevel})
            QVERIFY2(!m_frame->Action(command)->isEnabled(), qPrintable(m_frame->Action(command)->text()));
        QVERIFY(m_frame->Action(Command::AutoRecompare)->isEnabled());
        QVERIFY(m_frame->Action(Command::AutoRecompare)->isChecked());
        QAction* containing = m_frame->Action(Command::GoToContainingFolder);
        QVERIFY(containing->isEnabled());
        containing->trigger();
        auto* folders = qobject_cast<CFolderCompareView*>(m_frame->ActiveView());
        QVERIFY(folders != nullptr);
        QTRY_VERIFY_WITH_TIMEOUT(!folders->IsBusy(), 20000);
        QCOMPARE(QString::fromStdString(folders->Doc().Request().sides[0].path),
                 QString::fromStdString(platform::PathParentFolder(left)));
        QCOMPARE(QString::fromStdString(folders->Doc().Request().sides[1].path),
                 QString::fromStdString(platform::PathParentFolder(right)));
        QVERIFY(!folders->Title().contains(QStringLiteral("Untitled")));
        QCOMPARE(folders->Doc().RootStatus(), STATUS_SAME_PATH);  // the folder with itself

        // Text from the clipboard has no folder: the command is grey.
        QApplication::clipboard()->setText(QStringLiteral("pasted\n"));
        m_frame->findChild<QAction*>(QStringLiteral("compareClipboardWithEmpty"))->trigger();
        QTRY_VERIFY(qobject_cast<CTextCompareView*>(m_frame->ActiveView()) != nullptr);
        m_frame->UpdateCommands();
        QVERIFY(!containing->isEnabled());
    }

    // The window comes back at the place and size it was left, with the
    // comparison list as wide as it was; maximised stays maximised. With no
    // document open, the start page stands where the documents were.
    void TheWindowIsAsItWasLeft() {
        CGeneralOptions& options = m_app->generalOptions;
        QVERIFY(options.leftPaneSize < 250);  // the documents get the room first
        QCOMPARE(m_frame->ComparisonListBar()->width(), options.leftPaneSize);
        QVERIFY(m_frame->EmptyPage()->isVisible());
        CTextCompareView* view = OpenPair("a\n", "b\n");
        QVERIFY(view != nullptr);
        QVERIFY(!m_frame->EmptyPage()->isVisible());
        QVERIFY(m_frame->CloseView(view, false));
        QVERIFY(m_frame->EmptyPage()->isVisible());

        m_frame->resize(700, 500);
        m_frame->move(40, 30);
        m_frame->resizeDocks({m_frame->ComparisonListBar()}, {230}, Qt::Horizontal);
        QTRY_VERIFY(m_frame->ComparisonListBar()->width() > options.leftPaneSize);
        const int listWidth = m_frame->ComparisonListBar()->width();
        const QRect left = m_frame->geometry();
        QVERIFY(m_frame->close());
        QCOMPARE(options.windowSizeCX, 700);
        QCOMPARE(options.windowSizeCY, 500);
        QCOMPARE(options.windowMaximized, 0);
        QCOMPARE(options.leftPaneSize, listWidth);

        m_frame = std::make_unique<CMainFrame>(*m_app);
        m_frame->ShowWindow();
        QVERIFY(QTest::qWaitForWindowExposed(m_frame.get()));
        QCOMPARE(m_frame->geometry(), left);
        QTRY_COMPARE(m_frame->ComparisonListBar()->width(), listWidth);
        m_frame->showMaximized();
        QTRY_VERIFY(m_frame->isMaximized());
        QVERIFY(m_frame->close());
        QCOMPARE(options.windowMaximized, 1);
        QCOMPARE(options.windowSizeCX, 700);  // the size it has when not maximised
        m_frame = std::make_unique<CMainFrame>(*m_app);
        m_frame->ShowWindow();
        QTRY_VERIFY(m_frame->isMaximized());
        options = CGeneralOptions();
    }

    // A dialog of fixed content is fixed in size, wide enough for its whole
    // title with the program's name, and offers no minimise or maximise.
    void DialogsFitTheirTitlesAndContent() {
        CTextCompareView* view = OpenPair("a\nb\n", "a\nc\n");
        QVERIFY(view != nullptr);
        bool seen = false;
        AnswerNextDialog([&seen](QWidget* dialog) {
            seen = true;
            const Qt::WindowFlags flags = dialog->windowFlags();
            QVERIFY(!(flags & Qt::WindowMinimizeButtonHint));
            QVERIFY(!(flags & Qt::WindowMaximizeButtonHint));
            QCOMPARE(dialog->minimumSize(), dialog->maximumSize());
            QFont bold = QApplication::font("QMdiSubWindowTitleBar");
            bold.setBold(true);
            const int title = QFontMetrics(bold).horizontalAdvance(
                dialog->windowTitle() + QStringLiteral(" — ") + QGuiApplication::applicationDisplayName());
            QVERIFY2(dialog->width() > title, qPrintable(dialog->windowTitle()));
            static_cast<QDialog*>(dialog)->reject();
        });
        m_frame->Action(Command::GoToLine)->trigger();
        QVERIFY(seen);
        // One with a list keeps its size free, and still no minimise button.
        seen = false;
        bool resizable = false, minimisable = true;
        AnswerNextDialog([&](QWidget* dialog) {
            seen = true;
            minimisable = (dialog->windowFlags() & Qt::WindowMinimizeButtonHint) != 0;
            resizable = dialog->minimumSize() != dialog->maximumSize();
            static_cast<QDialog*>(dialog)->reject();
        });
        m_frame->findChild<QAction*>(QStringLiteral("options"))->trigger();
        QVERIFY(resizable);
        QVERIFY(!minimisable);
        QVERIFY(seen);
    }

    // F1 opens the user guide on the page of the view at hand; the guide's
    // contents list every key of the window, read from its menus.
    void F1OpensTheGuideOfTheView() {
        QVERIFY(!GuideFolder().isEmpty());
        CTextCompareView* view = OpenPair("a\n", "b\n");
        QVERIFY(view != nullptr);
        view->Pane(0).setFocus();
        QTest::keyClick(&view->Pane(0), Qt::Key_F1);
        auto* guide = m_frame->findChild<CHelpWindow*>();
        QVERIFY(guide != nullptr);
        QCOMPARE(guide->Page(), QStringLiteral("text-comparison.html"));
        const QString text = guide->Browser().toPlainText();
        QVERIFY(text.startsWith(QStringLiteral("Contents")));
        QVERIFY(text.contains(QStringLiteral("Text comparison")));
        QVERIFY2(
            text.contains(QStringLiteral("Alt+Down")) && text.contains(QStringLiteral("Next Difference")),
            qPrintable(text));
        // The contents page: every entry of the menus that has a key.
        guide->Browser().anchorClicked(QUrl(QStringLiteral("index.html")));
        QCOMPARE(guide->Page(), QStringLiteral("index.html"));
        const QString all = guide->Browser().toPlainText();
        int keys = 0;
        for (const QMenu* menu : m_frame->menuBar()->findChildren<QMenu*>())
            for (const QAction* action : menu->actions()) {
                if (action->shortcut().isEmpty() || action->menu() != nullptr) continue;
                ++keys;
                const QString key = action->shortcut().toString(QKeySequence::NativeText);
                QVERIFY2(all.contains(key + QLatin1Char('\t')) || all.contains(key + QLatin1Char(' ')) ||
                             all.contains(key + QLatin1Char('\n')),
                         qPrintable(key));
            }
        QVERIFY(keys > 30);
        guide->close();
    }

    void NavigationAndLineDifferences() {
        CTextCompareView* view =
            OpenPair("same\nold words here\nsame\nx\n", "same\nnew words here\nsame\ny\n");
        QVERIFY(view != nullptr);
        QCOMPARE(view->Doc().GetDifferenceCount(), 2);
        CTextPane& left = view->Pane(0);
        left.setFocus();
        QTest::keyClick(&left, Qt::Key_End, Qt::AltModifier);
        QCOMPARE(view->Doc().GetCurrentSection(), 1);
        QCOMPARE(left.Caret().y, 3);
        QTest::keyClick(&left, Qt::Key_Home, Qt::AltModifier);
        QCOMPARE(view->Doc().GetCurrentSection(), 0);
        QTest::keyClick(&left, Qt::Key_Up, Qt::AltModifier);  // nothing before the first
        QCOMPARE(view->Doc().GetCurrentSection(), 0);
        // The in-line difference of the row is selected on both sides.
        left.SetCaret({0, 1});
        QTest::keyClick(&left, Qt::Key_F4);
        QCOMPARE(QString::fromStdString(view->Pane(0).SelectedText()), QStringLiteral("old"));
        QCOMPARE(QString::fromStdString(view->Pane(1).SelectedText()), QStringLiteral("new"));
        QTest::keyClick(&left, Qt::Key_Down, Qt::ControlModifier | Qt::AltModifier);
        QCOMPARE(view->Doc().GetCursorRow(), 3);
        QTest::keyClick(&left, Qt::Key_Down, Qt::ControlModifier | Qt::AltModifier);
        QVERIFY(m_frame->statusBar()->currentMessage().contains(QStringLiteral("No next line difference")));
    }

    void ClosingAModifiedDocumentAsks() {
        CTextCompareView* view = OpenPair("a\n", "b\n");
        QVERIFY(view != nullptr);
        view->Pane(1).setFocus();
        view->Pane(1).SetCaret({0, 0});
        QTest::keyClicks(&view->Pane(1), "typed ");
        Press(QMessageBox::Cancel);
        QVERIFY(!m_frame->CloseView(view));
        QCOMPARE(m_frame->ViewCount(), 1);
        Press(QMessageBox::No);
        QVERIFY(m_frame->CloseView(view));
        QCOMPARE(m_frame->ViewCount(), 0);
        QCOMPARE(ReadFile(m_dir->filePath("right.txt").toStdString()), std::string("b\n"));
    }

    // Another program writes a file: a side without edits is loaded again
    // quietly; a side with edits is asked about by its own name, and either
    // way the other side's edits stay.
    void AFileChangedBehindTheWindow() {
        CTextCompareView* view = OpenPair("a\n", "a\n");
        QVERIFY(view != nullptr);
        QVERIFY(view->Doc().IsIdentical());
        QTest::qWait(100);
        Write("right.txt", "a\nmore\n");
        QTRY_COMPARE_WITH_TIMEOUT(view->Doc().GetDifferenceCount(), 1, 20000);

        view->Pane(0).setFocus();
        QTest::keyClicks(&view->Pane(0), "x");
        QString question;
        const auto answer = [&question](QMessageBox::StandardButton button) {
            AnswerNextDialog([&question, button](QWidget* dialog) {
                auto* box = qobject_cast<QMessageBox*>(dialog);
                if (box == nullptr) return;
                question = box->text();
                box->button(button)->click();
            });
        };
        Write("right.txt", "a\nmore\nand more\n");
        QTRY_COMPARE_WITH_TIMEOUT(SideText(*view, 1), std::string("a\nmore\nand more\n"), 20000);
        QCOMPARE(SideText(*view, 0), std::string("xa\n"));  // the left side's edit stays
        QVERIFY(question.isEmpty());
        QCOMPARE(m_frame->Action(Command::Undo)->text(), QStringLiteral("&Undo Typing"));

        // The left file changes while the left side has an edit: the question
        // names the left file; No keeps the edit.
        answer(QMessageBox::No);
        Write("left.txt", "changed\n");
        QTRY_VERIFY_WITH_TIMEOUT(!question.isEmpty(), 20000);
        QCOMPARE(question, FromPath(view->Doc().Request().sides[0].path) +
                               QStringLiteral(" is changed on disk, reload it?\n\nYour unsaved edits of this "
                                              "side will be lost."));
        QCOMPARE(SideText(*view, 0), std::string("xa\n"));
        QCOMPARE(SideText(*view, 1), std::string("a\nmore\nand more\n"));

        // Yes loads it and only it.
        view->Pane(1).setFocus();
        QTest::keyClicks(&view->Pane(1), "y");
        question.clear();
        answer(QMessageBox::Yes);
        Write("left.txt", "changed again\n");
        QTRY_COMPARE_WITH_TIMEOUT(SideText(*view, 0), std::string("changed again\n"), 20000);
        QVERIFY(question.contains(QStringLiteral("left.txt")));
        QCOMPARE(SideText(*view, 1), std::string("ya\nmore\nand more\n"));
        QVERIFY(view->Doc().GetSide(1).IsModified());
        QVERIFY(!view->Doc().GetSide(0).IsModified());

        // Reload (Ctrl+F5) with edits of one's own asks in its own words.
        question.clear();
        answer(QMessageBox::No);
        m_frame->Action(Command::Reload)->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(!question.isEmpty(), 20000);
        QVERIFY(question.endsWith(QStringLiteral("is changed, reload anyway?")));
        QVERIFY(!question.contains(QStringLiteral("on disk")));
    }

    void TheTextEditor() {
        const std::string path = Write("notes.txt", "one\ntwo\nthree\n");
        auto* view = qobject_cast<CTextEditView*>(m_frame->OpenFile(path));
        QVERIFY(view != nullptr);
        QCOMPARE(view->Title(), QStringLiteral("notes.txt"));
        CTextPane& pane = view->Pane();
        pane.setFocus();
        AnswerNextDialog([](QWidget* dialog) {
            auto* line = dialog->findChild<QSpinBox*>(QStringLiteral("line"));
            QVERIFY(line != nullptr);
            line->setValue(3);
            qobject_cast<QDialog*>(dialog)->accept();
        });
        QTest::keyClick(&pane, Qt::Key_G, Qt::ControlModifier);
        QCOMPARE(pane.Caret().y, 2);
        // The window is active again once the dialog is gone: its keys work.
        m_frame->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_frame.get()));
        QTest::keyClicks(&pane, "3: ");
        QCOMPARE(view->Title(), QStringLiteral("notes.txt *"));
        const auto line3 = [view] { return QString::fromStdString(view->Doc().Context().GetLine(2).Text()); };
        QCOMPARE(line3(), QStringLiteral("3: three\n"));
        QVERIFY(view->Doc().Context().CanUndo());
        QVERIFY(m_frame->Action(Command::Undo)->isEnabled());
        QTest::keyClick(&pane, Qt::Key_Z, Qt::ControlModifier);  // what was typed at once goes at once
        QCOMPARE(line3(), QStringLiteral("three\n"));
        QTest::keyClick(&pane, Qt::Key_Y, Qt::ControlModifier);
        QCOMPARE(line3(), QStringLiteral("3: three\n"));
        QTest::keyClick(&pane, Qt::Key_S, Qt::ControlModifier);
        QCOMPARE(QString::fromStdString(ReadFile(path)), QStringLiteral("one\ntwo\n3: three\n"));
        QCOMPARE(m_frame->findChild<QLabel*>(QStringLiteral("statusText"))->text(),
                 QStringLiteral("Ln 3, Col 4"));
    }

    // Every language is coloured by its own parser: a Python keyword in the
    // keyword colour, its comment in the comment colour.
    void OtherLanguagesAreColoured() {
        const std::string path = Write("greet.py", "def greet():  # say hello\n    return 1\n");
        auto* view = qobject_cast<CTextEditView*>(m_frame->OpenFile(path));
        QVERIFY(view != nullptr);
        QTest::qWait(20);
        CTextPane& pane = view->Pane();
        const QImage image = pane.grab().toImage();
        const QByteArray folder = qgetenv("CORVATINE_SCREENSHOTS");
        if (!folder.isEmpty()) {
            QDir().mkpath(QString::fromLocal8Bit(folder));
            QVERIFY(image.save(QString::fromLocal8Bit(folder) + QStringLiteral("/python-editor.png")));
        }
        const QRect row = pane.RowRect(0);
        const auto& colors = GetSyntaxEditor().colors;
        // The share of a row's pixels near a colour, left and right of the middle.
        const auto near = [&](const QColor& colour, int from, int to) {
            int count = 0;
            for (int x = from; x < to; ++x) {
                for (int y = row.top(); y <= row.bottom(); ++y) {
                    const QColor p = image.pixelColor(x, y);
                    if (std::abs(p.red() - colour.red()) + std::abs(p.green() - colour.green()) +
                            std::abs(p.blue() - colour.blue()) <
                        60)
                        ++count;
                }
            }
            return count;
        };
        const QColor keyword = ToQColor(colors[COLORINDEX_KEYWORD].color);
        const QColor comment = ToQColor(colors[COLORINDEX_COMMENT].color);
        const int middle = image.width() / 3;
        QVERIFY(near(keyword, 0, middle) > 0);
        QVERIFY(near(comment, middle / 2, image.width()) > 0);
        QCOMPARE(near(comment, 0, middle / 4), 0);  // "def" is no comment
    }

    // Binary files open in the binary comparison view.
    void ABinaryComparisonOpensOnce() {
        CBinaryCompareParams request;
        request.sides[0].path = Write("a.bin", std::string("\0\1\2", 3));
        request.sides[1].path = Write("b.bin", std::string("\0\1\3", 3));
        auto* view = qobject_cast<CHexCompareView*>(m_frame->OpenRequest(request));
        QVERIFY(view != nullptr);
        // Opening the same request again activates it.
        QCOMPARE(m_frame->OpenRequest(request), view);
        QCOMPARE(m_frame->ViewCount(), 1);
    }

    // The window on a sample pair, drawn and looked at: a changed row has the
    // changed colour, a ghost row the ghost colour.
    void Screenshot() {
        CTextCompareView* view = OpenPair(
            "#include <stdio.h>\n"
            "\n"
            "/* Greets the world. */\n"
            "int main(void) {\n"
            "    puts(\"hello\");\n"
            "    return 0;\n"
            "}\n"
            "\n"
            "static int unused(int x) {\n"
            "    return x * 2;\n"
            "}\n",
            "#include <stdio.h>\n"
            "\n"
            "/* Greets the whole world. */\n"
            "int main(void) {\n"
            "    puts(\"hello, world\");\n"
            "    fflush(stdout);\n"
            "    return 0;\n"
            "}\n",
            "hello-1.c", "hello-2.c");
        QVERIFY(view != nullptr);
        // The second difference (the changed lines) is the current one: the
        // comparison opened on the first.
        QCOMPARE(view->Doc().GetCurrentSection(), 0);
        QTest::keyClick(&view->Pane(0), Qt::Key_Down, Qt::AltModifier);
        QTest::qWait(50);
        const QImage window = m_frame->grab().toImage();
        const QByteArray folder = qgetenv("CORVATINE_SCREENSHOTS");
        if (!folder.isEmpty()) {
            QDir().mkpath(QString::fromLocal8Bit(folder));
            QVERIFY(window.save(QString::fromLocal8Bit(folder) + QStringLiteral("/text-comparison.png")));
        }
        const CTextCompareColors& colors = AppComponents().Text().colors;
        CTextPane& left = view->Pane(0);
        const QImage pane = left.grab().toImage();
        // Far right on the row, beyond its text.
        const auto pixel = [&pane, &left](int row) {
            return pane.pixelColor(left.width() - 20, left.RowRect(row).center().y());
        };
        // A changed row that is not the caret's (which the focus tints).
        QCOMPARE(pixel(2), ToQColor(colors.Get(TCC_CHANGED)));
        QCOMPARE(pixel(0), ToQColor(GetSyntaxEditor().colors[COLORINDEX_BKGND].color));
        QVERIFY(view->Doc().GetSide(0).IsGhostRow(5));
        bool ghost = false;
        for (int x = left.width() - 40; x < left.width() - 10; ++x)
            ghost =
                ghost || pane.pixelColor(x, left.RowRect(5).center().y()) == ToQColor(colors.Get(TCC_GHOST));
        QVERIFY(ghost);
        // The map shows the difference where it is.
        const QImage map = view->Map().grab().toImage();
        QVERIFY(map.pixelColor(CLocationMap::kWidth / 2, view->Map().YOf(4) + 1) !=
                view->Map().palette().color(QPalette::Base));
    }
};

QTEST_MAIN(MainFrameTest)
#include "MainFrameTest.moc"
