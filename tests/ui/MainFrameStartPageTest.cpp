// The window's start page, the comparison list pane beside the documents,
// Compare To... with a chooser, and full-screen mode, driven as a user
// drives them.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDockWidget>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMessageBox>
#include <QMimeData>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <QUrl>

#include <fstream>
#include <memory>

#include "MainFrameFixture.h"
#include "UiTestApp.h"
#include "launch/CorvatineApp.h"
#include "persist/ComparisonFile.h"
#include "platform/Profile.h"
#include "textcompare/TextCompareOptions.h"
#include "ui/ComparisonListPane.h"
#include "ui/Dialogs.h"
#include "ui/FolderCompareView.h"
#include "ui/HexCompareView.h"
#include "ui/MainFrame.h"
#include "ui/StartPage.h"
#include "ui/TextCompareView.h"
#include "ui/TextPrinter.h"
#include "ui/UiText.h"

using namespace corvatine;
using namespace corvatine::ui;

class MainFrameStartPageTest : public QObject, public uitest::CMainFrameFixture {
    Q_OBJECT

private slots:
    void initTestCase() { StartApp(); }
    void cleanupTestCase() { StopApp(); }
    void init() { SetUp(); }
    void cleanup() { TearDown(); }

    // The start page lists the comparisons made before, the latest first;
    // a click opens the pair of that row, and the page follows the list.
    void StartPageListsAndOpensRecentComparisons() {
        QVERIFY(Compare("a.txt", "b.txt") != nullptr);
        QVERIFY(Compare("c.txt", "d.txt") != nullptr);
        CloseAllViews();
        FrameAction("startPageCommand")->trigger();
        CStartPage* page = m_frame->StartPage();
        QVERIFY(page != nullptr);
        QCOMPARE(m_frame->ActiveView(), page);
        QCOMPARE(m_frame->windowTitle(), QStringLiteral("Start Page - Corvatine"));
        QTreeWidget& recent = page->Recent();
        QCOMPARE(recent.topLevelItemCount(), 2);
        QCOMPARE(recent.topLevelItem(0)->text(0), QStringLiteral("c.txt : d.txt"));
        QCOMPARE(recent.topLevelItem(1)->text(0), QStringLiteral("a.txt : b.txt"));
        QCOMPARE(recent.topLevelItem(1)->text(1), m_dir->filePath(QStringLiteral("a.txt")));

        QTreeWidgetItem* older = recent.topLevelItem(1);
        QTest::mouseClick(recent.viewport(), Qt::LeftButton, {}, recent.visualItemRect(older).center());
        CTextCompareView* view = ActiveText();
        QVERIFY(view != nullptr);
        QCOMPARE(view->Doc().Request().sides[0].path, m_dir->filePath(QStringLiteral("a.txt")).toStdString());
        QCOMPARE(view->Doc().Request().sides[1].path, m_dir->filePath(QStringLiteral("b.txt")).toStdString());
        // Opened again, the pair moved first, and a new pair appears on top
        // without a restart.
        QTRY_COMPARE(recent.topLevelItem(0)->text(0), QStringLiteral("a.txt : b.txt"));
        QVERIFY(Compare("e.txt", "f.txt") != nullptr);
        QTRY_COMPARE(recent.topLevelItemCount(), 3);
        QCOMPARE(recent.topLevelItem(0)->text(0), QStringLiteral("e.txt : f.txt"));

        // "Start Page" again activates the open page instead of a second one.
        const int views = m_frame->ViewCount();
        FrameAction("startPageCommand")->trigger();
        QCOMPARE(m_frame->ViewCount(), views);
        QCOMPARE(m_frame->ActiveView(), page);
    }

    // At start-up the page comes when it is on and the command line opened
    // nothing.
    void StartPageAtStartUp() {
        std::string error;
        QVERIFY(m_frame->StartUp({}, error));
        QVERIFY(m_frame->StartPage() != nullptr);
        QCOMPARE(m_frame->ViewCount(), 1);
        CloseAllViews();

        const std::string left = Write("start-a.txt", "1\n"), right = Write("start-b.txt", "2\n");
        QVERIFY(m_frame->StartUp({left, right}, error));
        QCOMPARE(m_frame->ViewCount(), 1);
        QVERIFY(m_frame->StartPage() == nullptr);
        QVERIFY(ActiveText() != nullptr);
        CloseAllViews();

        m_app->generalOptions.showStartPage = 0;
        QVERIFY(m_frame->StartUp({}, error));
        QCOMPARE(m_frame->ViewCount(), 0);
        m_app->generalOptions.showStartPage = 1;
        // A command line that is not understood opens nothing and says why.
        QVERIFY(!m_frame->StartUp({"--no-such-option"}, error));
        QCOMPARE(error, std::string("unrecognized option '--no-such-option'"));
        QCOMPARE(m_frame->ViewCount(), 0);
    }

    // A file manager's Compare To...: a chooser of files for a file, of
    // folders for a folder, titled with the item's name and opening in its
    // folder; the pair chosen opens, a cancelled choice opens nothing.
    void CompareToChosenAsksAndCompares() {
        const std::string left = Write("left.txt", "one\ntwo\n"), right = Write("right.txt", "one\n2\n");
        QString title, folder;
        bool filesOnly = false;
        uitest::AnswerNextDialog([&](QWidget* dialog) {
            auto* files = qobject_cast<QFileDialog*>(dialog);
            QVERIFY(files != nullptr);
            title = files->windowTitle();
            folder = files->directory().absolutePath();
            filesOnly = files->fileMode() == QFileDialog::ExistingFile;
            QCOMPARE(files->parentWidget(), m_frame.get());
            uitest::ChooseFile(files, FromPath(right));
        });
        bool cancelled = true;
        QVERIFY(m_frame->CompareToChosen({left, false}, cancelled) != nullptr);
        QVERIFY(!cancelled);
        QCOMPARE(title, QStringLiteral("Compare \"left.txt\" To"));
        QCOMPARE(folder, m_dir->path());
        QVERIFY(filesOnly);
        QVERIFY(ActiveText() != nullptr);
        QCOMPARE(ActiveText()->Doc().Request().sides[0].path, left);
        QCOMPARE(ActiveText()->Doc().Request().sides[1].path, right);
        CloseAllViews();

        // Cancelled: no comparison, and none in the recent list.
        const int recent = m_app->RecentComparisons()->Count();
        uitest::AnswerNextDialog([](QWidget* dialog) { qobject_cast<QDialog*>(dialog)->reject(); });
        QVERIFY(m_frame->CompareToChosen({left, false}, cancelled) == nullptr);
        QVERIFY(cancelled);
        QCOMPARE(m_frame->ViewCount(), 0);
        QCOMPARE(m_app->RecentComparisons()->Count(), recent);

        const QDir dir(m_dir->path());
        QVERIFY(dir.mkpath(QStringLiteral("old/sub")) && dir.mkpath(QStringLiteral("new")));
        const std::string oldFolder = ToPath(dir.filePath(QStringLiteral("old")));
        const std::string newFolder = ToPath(dir.filePath(QStringLiteral("new")));
        bool foldersOnly = false;
        uitest::AnswerNextDialog([&](QWidget* dialog) {
            auto* files = qobject_cast<QFileDialog*>(dialog);
            QVERIFY(files != nullptr);
            title = files->windowTitle();
            foldersOnly = files->fileMode() == QFileDialog::Directory;
            uitest::ChooseFile(files, FromPath(newFolder));
        });
        CDocumentView* view = m_frame->CompareToChosen({oldFolder, true}, cancelled);
        QVERIFY(qobject_cast<CFolderCompareView*>(view) != nullptr);
        QCOMPARE(title, QStringLiteral("Compare \"old\" To"));
        QVERIFY(foldersOnly);
        const CCompareParams& opened = (*m_app->RecentComparisons())[0];
        QCOMPARE(opened.kind, COMPARE_FOLDER);
        QCOMPARE(opened.sides[0].path, oldFolder);
        QCOMPARE(opened.sides[1].path, newFolder);
    }

    // Started with --compare-to-chosen, the window stays hidden behind the
    // chooser: cancelled, the program ends at once with 0 and shows nothing,
    // not even the start page; chosen, the window has the comparison.
    void CompareToChosenAtStartUp() {
        const std::string left = Write("left.txt", "1\n"), right = Write("right.txt", "2\n");
        m_frame = std::make_unique<CMainFrame>(*m_app);  // not shown, as the program starts it
        QWidget* parent = m_frame.get();
        uitest::AnswerNextDialog([&parent](QWidget* dialog) {
            parent = dialog->parentWidget();
            qobject_cast<QDialog*>(dialog)->reject();
        });
        std::string error;
        QVERIFY(m_frame->StartUp({"--compare-to-chosen", left}, error));
        QCOMPARE(m_frame->EndedAtStart(), 0);
        QCOMPARE(m_frame->ViewCount(), 0);
        QVERIFY(m_frame->StartPage() == nullptr);
        QVERIFY(parent == nullptr);  // alone on the screen, not over a hidden window
        QVERIFY(!m_frame->isVisible());

        uitest::AnswerNextDialog([&right](QWidget* dialog) {
            uitest::ChooseFile(qobject_cast<QFileDialog*>(dialog), FromPath(right));
        });
        QVERIFY(m_frame->StartUp({"--compare-to-chosen", "--", left}, error));
        QCOMPARE(m_frame->EndedAtStart(), -1);
        QCOMPARE(m_frame->ViewCount(), 1);
        QVERIFY(ActiveText() != nullptr);
        QCOMPARE(ActiveText()->Doc().Request().sides[1].path, right);
        CloseAllViews();

        // An item that is gone by the time the window starts: said in a
        // message box too, since a file manager shows no stderr.
        QString told;
        uitest::AnswerNextDialog([&told](QWidget* dialog) {
            auto* box = qobject_cast<QMessageBox*>(dialog);
            QVERIFY(box != nullptr);
            told = box->text();
            box->accept();
        });
        const std::string gone = ToPath(m_dir->filePath(QStringLiteral("gone.txt")));
        QVERIFY(!m_frame->StartUp({"--compare-to-chosen", gone}, error));
        QCOMPARE(error, "cannot open '" + gone + "': No such file or directory");
        QCOMPARE(told, FromPath(error));
        QCOMPARE(m_frame->ViewCount(), 0);
    }

    // "Show this page at start-up" writes ShowStartPage; the page's own
    // commands open the frame's dialogs.
    void StartPageCheckBoxAndCommands() {
        CStartPage* page = m_frame->ShowStartPage();
        QVERIFY(page->ShowAtStartUp().isChecked());
        const QPoint box(6, page->ShowAtStartUp().height() / 2);  // on the box, not beside its text
        QTest::mouseClick(&page->ShowAtStartUp(), Qt::LeftButton, {}, box);
        QCOMPARE(m_app->generalOptions.showStartPage, 0);
        m_app->generalOptions.Save(platform::AppProfile());
        QCOMPARE(platform::AppProfile().GetInt("Settings", "ShowStartPage", -1), 0);
        QTest::mouseClick(&page->ShowAtStartUp(), Qt::LeftButton, {}, box);
        QCOMPARE(m_app->generalOptions.showStartPage, 1);

        int kind = -1;
        uitest::AnswerNextDialog([&kind](QWidget* dialog) {
            QVERIFY(qobject_cast<CNewComparisonDialog*>(dialog) != nullptr);
            kind = dialog->findChild<QComboBox*>(QStringLiteral("kind"))->currentIndex();
            qobject_cast<QDialog*>(dialog)->reject();
        });
        page->findChild<QPushButton*>(QStringLiteral("newFolderComparison"))->click();
        QCOMPARE(kind, 3);
    }

    // The left pane: a click opens an entry, the filter narrows the rows,
    // Delete removes entries, and the saved list no longer holds them.
    void ComparisonListOpensFiltersAndRemoves() {
        QVERIFY(Compare("alpha.txt", "beta.txt") != nullptr);
        QVERIFY(Compare("gamma.txt", "delta.txt") != nullptr);
        CloseAllViews();
        CComparisonListPane* pane = m_frame->ComparisonList();
        QVERIFY(pane != nullptr && pane->isVisible());
        QListWidget& rows = pane->Rows();
        QTRY_COMPARE(rows.count(), 2);
        QCOMPARE(rows.item(0)->text(), QStringLiteral("gamma.txt : delta.txt"));

        QTest::keyClicks(&pane->FilterBox(), QStringLiteral("ALPHA"));
        QCOMPARE(rows.count(), 1);
        QCOMPARE(rows.item(0)->text(), QStringLiteral("alpha.txt : beta.txt"));
        // Enter in the filter box opens the entry it leaves.
        QTest::keyClick(&pane->FilterBox(), Qt::Key_Return);
        QVERIFY(ActiveText() != nullptr);
        QCOMPARE(ActiveText()->Doc().Request().sides[0].path,
                 m_dir->filePath(QStringLiteral("alpha.txt")).toStdString());
        CloseAllViews();
        pane->FilterBox().clear();
        QTRY_COMPARE(rows.count(), 2);
        QCOMPARE(rows.item(0)->text(), QStringLiteral("alpha.txt : beta.txt"));

        // A click on a row opens it.
        QTest::mouseClick(rows.viewport(), Qt::LeftButton, {}, rows.visualItemRect(rows.item(1)).center());
        QVERIFY(ActiveText() != nullptr);
        QCOMPARE(ActiveText()->Doc().Request().sides[1].path,
                 m_dir->filePath(QStringLiteral("delta.txt")).toStdString());
        QTRY_COMPARE(rows.item(0)->text(), QStringLiteral("gamma.txt : delta.txt"));

        // Delete takes the selected entry out of the list and the file.
        rows.setCurrentRow(1);
        QCOMPARE(rows.currentItem()->text(), QStringLiteral("alpha.txt : beta.txt"));
        QTest::keyClick(&rows, Qt::Key_Delete);
        QCOMPARE(rows.count(), 1);
        QCOMPARE(m_app->RecentComparisons()->Count(), 1);
        QCOMPARE(m_app->RecentComparisons()->operator[](0).GetTitle(), std::string("gamma.txt : delta.txt"));
        platform::CStringOutput err;
        QVERIFY(m_app->ExitInstance(err));
        const std::string saved = ReadFile(m_app->RecentComparisons()->Path());
        QVERIFY(saved.find("delta.txt") != std::string::npos);
        QVERIFY(saved.find("alpha.txt") == std::string::npos);

        // The context menu's "Remove" does the same.
        QString offered;
        auto* timer = new QTimer(this);
        connect(timer, &QTimer::timeout, this, [timer, &offered] {
            auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            if (menu == nullptr) return;
            timer->stop();
            timer->deleteLater();
            for (QAction* action : menu->actions()) offered += action->text() + QLatin1Char(';');
            for (QAction* action : menu->actions())
                if (action->text() == QStringLiteral("&Remove")) action->trigger();
            menu->close();
        });
        timer->start(5);
        const QPoint at = rows.visualItemRect(rows.item(0)).center();
        QContextMenuEvent menuEvent(QContextMenuEvent::Mouse, at, rows.viewport()->mapToGlobal(at));
        QApplication::sendEvent(rows.viewport(), &menuEvent);
        QCOMPARE(offered, QStringLiteral("&Open;&Remove;"));
        QCOMPARE(m_app->RecentComparisons()->Count(), 0);
        QCOMPARE(rows.count(), 0);

        // The View menu hides and shows the pane, and ShowLeftPane follows.
        QAction* toggle = FrameAction("showComparisonList");
        QVERIFY(toggle->isChecked());
        toggle->trigger();
        QVERIFY(!m_frame->ComparisonListBar()->isVisible());
        QCOMPARE(m_app->generalOptions.showLeftPane, 0);
        toggle->trigger();
        QVERIFY(m_frame->ComparisonListBar()->isVisible());
        QCOMPARE(m_app->generalOptions.showLeftPane, 1);
        // Its own close button hides it too.
        QVERIFY(m_frame->ComparisonListBar()->close());
        QCOMPARE(m_app->generalOptions.showLeftPane, 0);
        QVERIFY(!toggle->isChecked());
    }

    // F11 switches full screen on and off and stores it; a new start comes
    // up as it was left.
    void FullScreenTogglesAndIsRestored() {
        QVERIFY(!(m_frame->windowState() & Qt::WindowFullScreen));
        QTest::keyClick(m_frame.get(), Qt::Key_F11);
        QVERIFY(m_frame->windowState() & Qt::WindowFullScreen);
        QVERIFY(FrameAction("fullScreen")->isChecked());
        QCOMPARE(m_app->generalOptions.windowFullScreen, 1);

        // Restart: settings written, read again by a new run.
        platform::CStringOutput err;
        QVERIFY(m_app->ExitInstance(err));
        m_frame.reset();
        m_app = uitest::StartTestApp(*m_config);
        QCOMPARE(m_app->generalOptions.windowFullScreen, 1);
        NewFrame();
        QVERIFY(m_frame->windowState() & Qt::WindowFullScreen);
        QVERIFY(FrameAction("fullScreen")->isChecked());

        QTest::keyClick(m_frame.get(), Qt::Key_F11);
        QVERIFY(!(m_frame->windowState() & Qt::WindowFullScreen));
        QCOMPARE(m_app->generalOptions.windowFullScreen, 0);
        QVERIFY(m_app->ExitInstance(err));
        m_frame.reset();
        m_app = uitest::StartTestApp(*m_config);
        NewFrame();
        QVERIFY(!(m_frame->windowState() & Qt::WindowFullScreen));
    }

    // The start page beside the comparison list: a picture for the docs.
    void Screenshot() {
        QVERIFY(Compare("hello-1.c", "hello-2.c") != nullptr);
        QVERIFY(Compare("notes-old.txt", "notes-new.txt") != nullptr);
        CloseAllViews();
        CStartPage* page = m_frame->ShowStartPage();
        QTRY_COMPARE(page->Recent().topLevelItemCount(), 2);
        QTRY_COMPARE(m_frame->ComparisonList()->Rows().count(), 2);
        QTest::qWait(50);
        const QImage shot = m_frame->grab().toImage();
        // The pane stands left of the page, and each shows the rows in text.
        const QRect pane = m_frame->ComparisonListBar()->geometry();
        QVERIFY(pane.right() < page->mapTo(m_frame.get(), QPoint(0, 0)).x());
        const QRect row =
            m_frame->ComparisonList()->Rows().visualItemRect(m_frame->ComparisonList()->Rows().item(0));
        const QPoint rowAt =
            m_frame->ComparisonList()->Rows().viewport()->mapTo(m_frame.get(), row.topLeft());
        int dark = 0;
        for (int x = rowAt.x(); x < rowAt.x() + row.width(); ++x)
            for (int y = rowAt.y(); y < rowAt.y() + row.height(); ++y)
                if (qGray(shot.pixel(x, y)) < 100) ++dark;
        QVERIFY2(dark > 20, qPrintable(QString::number(dark)));
        const QByteArray folder = qgetenv("CORVATINE_SCREENSHOTS");
        if (!folder.isEmpty()) {
            QDir().mkpath(QString::fromLocal8Bit(folder));
            QVERIFY(shot.save(QString::fromLocal8Bit(folder) + QStringLiteral("/start-page.png")));
        }
    }
};

QTEST_MAIN(MainFrameStartPageTest)
#include "MainFrameStartPageTest.moc"
