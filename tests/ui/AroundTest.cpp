// The window around its documents, driven as a user drives it: the start
// page, the comparison list pane, printing and print preview, full-screen
// mode, and files and folders dropped on the window.
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

namespace {

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Lines "line N" with every seventh changed on the right.
std::string Lines(int count, bool right) {
    std::string text;
    for (int i = 1; i <= count; ++i)
        text += (right && i % 7 == 0 ? "changed " : "line ") + std::to_string(i) + "\n";
    return text;
}

int PdfPages(const std::string& pdf) {
    int pages = 0;
    for (size_t at = pdf.find("/Type /Page"); at != std::string::npos; at = pdf.find("/Type /Page", at + 1))
        if (pdf.compare(at, 12, "/Type /Pages") != 0) ++pages;
    return pages;
}

}  // namespace

class AroundTest : public QObject {
    Q_OBJECT

private:
    std::string Write(const std::string& name, const std::string& bytes) {
        return uitest::WriteInto(*m_dir, name, bytes);
    }
    CDocumentView* Compare(const std::string& left, const std::string& right) {
        CTextCompareParams request;
        request.sides[0].path = Write(left, "one\ntwo\n");
        request.sides[1].path = Write(right, "one\n2\n");
        request.rules = 0;
        return m_frame->OpenRequest(request);
    }
    CTextCompareView* ActiveText() { return qobject_cast<CTextCompareView*>(m_frame->ActiveView()); }
    void CloseAllViews() {
        // Closed without asking: what a test left modified is dropped.
        while (m_frame->ViewCount() > 0) m_frame->CloseView(m_frame->View(0), false);
    }
    void NewFrame() {
        m_frame = std::make_unique<CMainFrame>(*m_app);
        m_frame->resize(1100, 650);
        m_frame->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_frame.get()));
    }
    // Drags the paths over the widget of the frame and drops them there.
    void Drop(QWidget* target, const QStringList& paths) {
        QMimeData data;
        QList<QUrl> urls;
        for (const QString& path : paths) urls << QUrl::fromLocalFile(path);
        data.setUrls(urls);
        QWidget* receiver = target->window();
        const QPointF at = target->mapTo(receiver, target->rect().center());
        QDragEnterEvent enter(at.toPoint(), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(receiver, &enter);
        QVERIFY(enter.isAccepted());
        QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(receiver, &drop);
        QVERIFY(drop.isAccepted());
    }
    // Drops straight on a dialog (it runs its own loop).
    static void DropOn(QWidget* dialog, const QStringList& paths) {
        QMimeData data;
        QList<QUrl> urls;
        for (const QString& path : paths) urls << QUrl::fromLocalFile(path);
        data.setUrls(urls);
        // The drop goes where the drag last entered.
        QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(dialog, &enter);
        QVERIFY(enter.isAccepted());
        QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(dialog, &drop);
        QVERIFY(drop.isAccepted());
    }
    QAction* FrameAction(const char* name) { return m_frame->findChild<QAction*>(QString::fromLatin1(name)); }

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
        GetTextComparer().ResetToDefaults();
        m_app->generalOptions.windowFullScreen = 0;
        m_app->generalOptions.showLeftPane = 1;
        QVERIFY(m_app->RecentComparisons() != nullptr);
        m_app->RecentComparisons()->RemoveAll();
        NewFrame();
    }
    void cleanup() {
        CloseAllViews();
        m_frame.reset();
    }

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

    // A comparison printed to a PDF file: as many pages as its rows fill,
    // side by side or each side on its own pages.
    void PrintsAComparisonToPdf() {
        QVERIFY(!FrameAction("print")->isEnabled());  // nothing to print
        CTextCompareParams request;
        request.sides[0].path = Write("print-left.txt", Lines(150, false));
        request.sides[1].path = Write("print-right.txt", Lines(140, true));
        request.rules = 0;
        auto* view = qobject_cast<CTextCompareView*>(m_frame->OpenRequest(request));
        QVERIFY(view != nullptr);
        QVERIFY(m_frame->findChild<QAction*>(QStringLiteral("print"))->isEnabled());
        const int rows = view->Doc().Context().VisibleRowCount();
        QCOMPARE(rows, 150);

        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setPageSize(QPageSize(QPageSize::A4));
        const QString pdf = m_dir->filePath(QStringLiteral("both.pdf"));
        printer.setOutputFileName(pdf);
        auto job = CTextPrintJob::ForView(view, PRINT_SIDE_BY_SIDE);
        QVERIFY(job != nullptr);
        const int perPage = job->RowsPerPage(printer);
        QVERIFY2(perPage > 40 && perPage < 150, qPrintable(QString::number(perPage)));
        const int pages = (rows + perPage - 1) / perPage;
        QCOMPARE(job->PageCount(printer), pages);
        QCOMPARE(job->Print(printer), pages);
        const std::string bytes = ReadFile(pdf.toStdString());
        QVERIFY(bytes.size() > 2000);
        QCOMPARE(bytes.substr(0, 5), std::string("%PDF-"));
        QCOMPARE(PdfPages(bytes), pages);

        // Each side alone: the left file's pages, then the right file's.
        auto each = CTextPrintJob::ForView(view, PRINT_EACH_SIDE);
        const int eachPages = (150 + perPage - 1) / perPage + (140 + perPage - 1) / perPage;
        QCOMPARE(each->PageCount(printer), eachPages);
        // A page range prints only those pages.
        printer.setOutputFileName(m_dir->filePath(QStringLiteral("range.pdf")));
        printer.setPrintRange(QPrinter::PageRange);
        printer.setFromTo(2, 2);
        QCOMPARE(each->Print(printer), 1);
        QCOMPARE(PdfPages(ReadFile(m_dir->filePath(QStringLiteral("range.pdf")).toStdString())), 1);
        // Progress is told before each page; false stops the job there.
        printer.setFromTo(0, 0);
        printer.setPrintRange(QPrinter::AllPages);
        printer.setOutputFileName(m_dir->filePath(QStringLiteral("stopped.pdf")));
        std::vector<std::pair<int, int>> told;
        const auto stopAtSecond = [&told](int done, int total) {
            told.emplace_back(done, total);
            return done < 1;
        };
        QCOMPARE(each->Print(printer, stopAtSecond), 1);
        QCOMPARE(told, (std::vector<std::pair<int, int>>{{0, eachPages}, {1, eachPages}}));

        // File > Print... through its dialog, on the frame's printer.
        QPrinter& framePrinter = m_frame->Printer();
        framePrinter.setOutputFormat(QPrinter::PdfFormat);
        framePrinter.setPageSize(QPageSize(QPageSize::A4));
        const QString printed = m_dir->filePath(QStringLiteral("printed.pdf"));
        framePrinter.setOutputFileName(printed);
        bool asked = false;
        uitest::AnswerNextDialog([&asked](QWidget* dialog) {
            asked = qobject_cast<QPrintDialog*>(dialog) != nullptr;
            qobject_cast<QDialog*>(dialog)->accept();
        });
        QTest::keyClick(&view->Pane(0), Qt::Key_P, Qt::ControlModifier);
        QVERIFY(asked);
        QCOMPARE(PdfPages(ReadFile(printed.toStdString())), job->PageCount(framePrinter));

        // A line longer than its column wraps onto the lines below: one page
        // more for a page full of short lines and a long one.
        std::string wrapped = Lines(perPage - 1, false);
        const std::string words = "a long line that goes on and on ";
        std::string longLine;
        while (longLine.size() < 400) longLine += words;
        CTextCompareParams wrapRequest;
        wrapRequest.sides[0].path = Write("wrap-left.txt", wrapped + longLine + "\n");
        wrapRequest.sides[1].path = Write("wrap-right.txt", wrapped + "short\n");
        wrapRequest.rules = 0;
        CDocumentView* wrapView = m_frame->OpenRequest(wrapRequest);
        QVERIFY(wrapView != nullptr);
        QCOMPARE(CTextPrintJob::ForView(wrapView, PRINT_SIDE_BY_SIDE)->PageCount(printer), 2);
        QCOMPARE(CTextPrintJob::ForView(wrapView, PRINT_RIGHT_SIDE)->PageCount(printer), 1);

        // The editor prints its one file; the start page nothing.
        QVERIFY(m_frame->OpenFile(Write("edited.txt", Lines(perPage + 1, false))) != nullptr);
        QVERIFY(FrameAction("print")->isEnabled());
        printer.setPrintRange(QPrinter::AllPages);
        printer.setFromTo(0, 0);
        printer.setOutputFileName(m_dir->filePath(QStringLiteral("edited.pdf")));
        QCOMPARE(m_frame->PrintActiveView(printer, PRINT_SIDE_BY_SIDE), 2);
        QCOMPARE(PdfPages(ReadFile(m_dir->filePath(QStringLiteral("edited.pdf")).toStdString())), 2);
        m_frame->ShowStartPage();
        QVERIFY(!FrameAction("print")->isEnabled());
        QVERIFY(!FrameAction("printPreview")->isEnabled());
        QCOMPARE(m_frame->PrintActiveView(printer, PRINT_SIDE_BY_SIDE), 0);
    }

    // The names of both files are on the printed pages.
    void PrintedPagesNameTheFiles() {
        const QString pdftotext = QStandardPaths::findExecutable(QStringLiteral("pdftotext"));
        if (pdftotext.isEmpty()) QSKIP("pdftotext (poppler-utils) is not installed");
        CTextCompareParams request;
        request.sides[0].path = Write("named-left.txt", Lines(10, false));
        request.sides[1].path = Write("named-right.txt", Lines(10, true));
        request.rules = 0;
        CDocumentView* view = m_frame->OpenRequest(request);
        QVERIFY(view != nullptr);
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(m_dir->filePath(QStringLiteral("named.pdf")));
        QCOMPARE(m_frame->PrintActiveView(printer, PRINT_SIDE_BY_SIDE), 1);
        QProcess text;
        text.start(pdftotext, {printer.outputFileName(), QStringLiteral("-")});
        QVERIFY(text.waitForFinished(20000));
        const QString out = QString::fromUtf8(text.readAllStandardOutput());
        QVERIFY2(out.contains(QStringLiteral("named-left.txt")), qPrintable(out));
        QVERIFY2(out.contains(QStringLiteral("named-right.txt")), qPrintable(out));
        QVERIFY(out.contains(QStringLiteral("Page 1 of 1")));
    }

    // Print Preview shows the pages the print takes, one or two at a time as
    // it was last left (PreviewPages).
    void PrintPreviewShowsThePagesAndRemembersTheView() {
        CTextCompareParams request;
        request.sides[0].path =
            Write("preview-left.txt", "a line long enough to wrap in its column: " + std::string(80, '=') +
                                          " and its end\n" + Lines(200, false));
        request.sides[1].path = Write("preview-right.txt", Lines(200, true));
        request.rules = 0;
        auto* view = qobject_cast<CTextCompareView*>(m_frame->OpenRequest(request));
        QVERIFY(view != nullptr);
        m_frame->Printer().setPageSize(QPageSize(QPageSize::A4));
        m_frame->Printer().setPrintRange(QPrinter::AllPages);
        const int pages = CTextPrintJob::ForView(view, PRINT_SIDE_BY_SIDE)->PageCount(m_frame->Printer());
        QVERIFY(pages >= 3);
        m_app->generalOptions.previewPages = 0;
        int shown = -1;
        QPrintPreviewWidget::ViewMode mode = QPrintPreviewWidget::AllPagesView;
        uitest::AnswerNextDialog([&](QWidget* dialog) {
            auto* preview = dialog->findChild<QPrintPreviewWidget*>();
            QVERIFY(preview != nullptr);
            shown = preview->pageCount();
            mode = preview->viewMode();
            dialog->resize(900, 700);
            QTest::qWait(100);
            const QByteArray folder = qgetenv("CORVATINE_SCREENSHOTS");
            if (!folder.isEmpty()) {
                QDir().mkpath(QString::fromLocal8Bit(folder));
                QVERIFY(dialog->grab().save(QString::fromLocal8Bit(folder) +
                                            QStringLiteral("/print-preview.png")));
            }
            preview->setViewMode(QPrintPreviewWidget::FacingPagesView);
            qobject_cast<QDialog*>(dialog)->reject();
        });
        FrameAction("printPreview")->trigger();
        QCOMPARE(shown, pages);
        QCOMPARE(mode, QPrintPreviewWidget::SinglePageView);
        QCOMPARE(m_app->generalOptions.previewPages, 2);
        uitest::AnswerNextDialog([&](QWidget* dialog) {
            mode = dialog->findChild<QPrintPreviewWidget*>()->viewMode();
            qobject_cast<QDialog*>(dialog)->reject();
        });
        FrameAction("printPreview")->trigger();
        QCOMPARE(mode, QPrintPreviewWidget::FacingPagesView);
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

    // One file dropped opens New Comparison with it on the left; a second
    // dropped on the dialog fills the right, and OK compares them.
    void DroppingOneFileThenAnother() {
        const std::string left = Write("drop-left.txt", "one\n");
        const std::string right = Write("drop-right.txt", "two\n");
        QString leftShown, rightShown;
        uitest::AnswerNextDialog([&](QWidget* dialog) {
            QVERIFY(qobject_cast<CNewComparisonDialog*>(dialog) != nullptr);
            auto* leftBox = dialog->findChild<QComboBox*>(QStringLiteral("leftPath"));
            auto* rightBox = dialog->findChild<QComboBox*>(QStringLiteral("rightPath"));
            leftShown = leftBox->currentText();
            rightShown = rightBox->currentText();
            DropOn(dialog, {QString::fromStdString(right)});
            QCOMPARE(rightBox->currentText(), QString::fromStdString(right));
            dialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
        });
        Drop(m_frame->centralWidget(), {QString::fromStdString(left)});
        QTRY_VERIFY(ActiveText() != nullptr);
        QCOMPARE(leftShown, QString::fromStdString(left));
        QCOMPARE(rightShown, QString());
        QCOMPARE(ActiveText()->Doc().Request().sides[0].path, left);
        QCOMPARE(ActiveText()->Doc().Request().sides[1].path, right);
    }

    // Two items dropped are compared as the command line compares them.
    void DroppingTwoItemsCompares() {
        // Two text files: a text comparison.
        const std::string a = Write("two-a.txt", "same\nold\n"), b = Write("two-b.txt", "same\nnew\n");
        Drop(m_frame->centralWidget(), {QString::fromStdString(a), QString::fromStdString(b)});
        QTRY_VERIFY(ActiveText() != nullptr);
        QCOMPARE(ActiveText()->Doc().Request().sides[1].path, b);
        QCOMPARE(ActiveText()->Doc().GetDifferenceCount(), 1);
        // Two binary files: a binary comparison.
        const std::string x = Write("x.bin", std::string("\x00\x01\x02", 3));
        const std::string y = Write("y.bin", std::string("\x00\x07\x02", 3));
        Drop(m_frame->centralWidget(), {QString::fromStdString(x), QString::fromStdString(y)});
        QTRY_VERIFY(qobject_cast<CHexCompareView*>(m_frame->ActiveView()) != nullptr);
        // Two folders: a folder comparison.
        QDir(m_dir->path()).mkpath(QStringLiteral("l/sub"));
        QDir(m_dir->path()).mkpath(QStringLiteral("r"));
        Write("l/same.txt", "a\n");
        Write("r/same.txt", "b\n");
        Drop(m_frame->centralWidget(),
             {m_dir->filePath(QStringLiteral("l")), m_dir->filePath(QStringLiteral("r"))});
        QTRY_VERIFY(qobject_cast<CFolderCompareView*>(m_frame->ActiveView()) != nullptr);
        QCOMPARE(m_frame->ActiveView()->Title(), QStringLiteral("l : r"));
        // A file and a folder: the file against its namesake in the folder.
        Drop(m_frame->centralWidget(),
             {m_dir->filePath(QStringLiteral("l/same.txt")), m_dir->filePath(QStringLiteral("r"))});
        QTRY_VERIFY(ActiveText() != nullptr);
        QCOMPARE(ActiveText()->Doc().Request().sides[1].path,
                 m_dir->filePath(QStringLiteral("r/same.txt")).toStdString());
        // ... refused with the reason when the folder has none.
        QString message;
        uitest::AnswerNextDialog([&message](QWidget* dialog) {
            auto* box = qobject_cast<QMessageBox*>(dialog);
            QVERIFY(box != nullptr);
            message = box->text();
            box->button(QMessageBox::Ok)->click();
        });
        const int views = m_frame->ViewCount();
        Drop(m_frame->centralWidget(), {QString::fromStdString(a), m_dir->filePath(QStringLiteral("r"))});
        QTRY_VERIFY(!message.isEmpty());
        QCOMPARE(message,
                 QStringLiteral("The folder \"%1\" holds no file named \"two-a.txt\" to compare with \"%2\".")
                     .arg(m_dir->filePath(QStringLiteral("r")), QString::fromStdString(a)));
        QCOMPARE(m_frame->ViewCount(), views);
    }

    // Only local files and folders are taken: a web address is refused.
    void DraggingAWebAddressIsRefused() {
        QMimeData data;
        data.setUrls({QUrl(QStringLiteral("https://example.org/a.txt"))});
        QDragEnterEvent enter(QPoint(20, 20), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(m_frame.get(), &enter);
        QVERIFY(!enter.isAccepted());
    }

    // A comparison file dropped opens its comparison.
    void DroppingAComparisonFileOpensIt() {
        CTextCompareParams request;
        request.sides[0].path = Write("saved-left.txt", "1\n");
        request.sides[1].path = Write("saved-right.txt", "2\n");
        CompareParamsList list;
        list.push_back(request.Clone());
        std::string error;
        const std::string file = m_dir->filePath(QStringLiteral("pair.cmp")).toStdString();
        QVERIFY(CComparisonFile::WriteComparisons(file, list, -1, error));
        Drop(m_frame->centralWidget(), {QString::fromStdString(file)});
        QTRY_VERIFY(ActiveText() != nullptr);
        QCOMPARE(ActiveText()->Doc().Request().sides[1].path, request.sides[1].path);
    }

    // A file dropped on a pane replaces that side; a modified side is
    // offered for saving first, and the tab stays where it was.
    void DroppingAFileOnAPaneReplacesThatSide() {
        CDocumentView* first = Compare("pane-left.txt", "pane-right.txt");
        QVERIFY(first != nullptr);
        auto* view = qobject_cast<CTextCompareView*>(first);
        const std::string other = Write("pane-other.txt", "one\ntwo\n");
        view->Pane(1).setFocus();
        QVERIFY(view->Pane(1).TypeText("x"));
        QVERIFY(view->Doc().GetSide(1).IsModified());
        QString question;
        uitest::AnswerNextDialog([&question](QWidget* dialog) {
            auto* box = qobject_cast<QMessageBox*>(dialog);
            QVERIFY(box != nullptr);
            question = box->text();
            box->button(QMessageBox::No)->click();
        });
        Drop(&view->Pane(1), {QString::fromStdString(other)});
        QTRY_VERIFY(ActiveText() != nullptr && ActiveText() != view);
        QVERIFY(question.contains(QStringLiteral("pane-right.txt")));
        QCOMPARE(m_frame->ViewCount(), 1);
        CTextCompareView* replaced = ActiveText();
        QCOMPARE(replaced->Doc().Request().sides[0].path,
                 m_dir->filePath(QStringLiteral("pane-left.txt")).toStdString());
        QCOMPARE(replaced->Doc().Request().sides[1].path, other);
        QVERIFY(replaced->Doc().IsIdentical());
        // The given-up edit never reached the file.
        QCOMPARE(ReadFile(m_dir->filePath(QStringLiteral("pane-right.txt")).toStdString()),
                 std::string("one\n2\n"));

        // Unmodified: replaced at once, on the left this time.
        Drop(&replaced->Pane(0), {QString::fromStdString(Write("pane-new.txt", "zero\n"))});
        QTRY_VERIFY(ActiveText() != nullptr && ActiveText() != replaced);
        QCOMPARE(ActiveText()->Doc().Request().sides[0].path,
                 m_dir->filePath(QStringLiteral("pane-new.txt")).toStdString());
        QCOMPARE(ActiveText()->Doc().Request().sides[1].path, other);
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

QTEST_MAIN(AroundTest)
#include "AroundTest.moc"
#include "platform/Output.h"
