// Printing from the window: Print to a PDF file, the pages' headers, and
// Print Preview, driven as a user drives them.
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

namespace {

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

class MainFramePrintingTest : public QObject, public uitest::CMainFrameFixture {
    Q_OBJECT

private slots:
    void initTestCase() { StartApp(); }
    void cleanupTestCase() { StopApp(); }
    void init() { SetUp(); }
    void cleanup() { TearDown(); }

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
};

QTEST_MAIN(MainFramePrintingTest)
#include "MainFramePrintingTest.moc"
