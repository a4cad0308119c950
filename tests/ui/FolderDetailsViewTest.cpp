// The folder view's detail pane, the watch on the compared folders, and
// finding a row by its name, driven as a user drives them.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QHeaderView>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QMimeData>
#include <QProcess>
#include <QPushButton>
#include <QScrollBar>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeView>

#include <sys/stat.h>
#include <utime.h>

#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "MainFrameFixture.h"
#include "UiTestApp.h"
#include "editor/FindReplace.h"
#include "foldercompare/FileInfo.h"
#include "foldercompare/FolderCompareOptions.h"
#include "launch/Components.h"
#include "launch/CorvatineApp.h"
#include "ui/ActiveColors.h"
#include "ui/BinaryPropertiesDialog.h"
#include "ui/FindReplaceDialog.h"
#include "ui/FolderCompareModel.h"
#include "ui/FolderCompareView.h"
#include "ui/FolderDetailPane.h"
#include "ui/FolderWatcher.h"
#include "ui/HexCompareView.h"
#include "ui/MainFrame.h"
#include "ui/TextCompareView.h"
#include "ui/TextEditView.h"

using namespace corvatine;
using namespace corvatine::ui;

namespace {

using uitest::AnswerNextDialog;

using uitest::ScreenshotFolder;

}  // namespace

class FolderDetailsViewTest : public QObject, public uitest::CMainFrameFixture {
    Q_OBJECT

private:
    std::string Path(const std::string& name) const {
        return m_dir->filePath(QString::fromStdString(name)).toStdString();
    }
    std::string Put(const std::string& name, const std::string& bytes) {
        const std::string path = Path(name);
        QDir().mkpath(QFileInfo(QString::fromStdString(path)).absolutePath());
        std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
        const struct utimbuf times = {1700000000, 1700000000};
        ::utime(path.c_str(), &times);
        return path;
    }
    CFolderCompareView* OpenFolders() {
        CFolderCompareParams request;
        request.sides[0].path = Path("a");
        request.sides[1].path = Path("b");
        auto* view = qobject_cast<CFolderCompareView*>(m_frame->OpenRequest(request));
        if (view == nullptr || !QTest::qWaitFor([view] { return !view->IsBusy(); }, 10000)) return nullptr;
        view->Tree().setFocus();
        return view;
    }

private slots:
    void initTestCase() { StartApp(); }
    void cleanupTestCase() { StopApp(); }
    void init() {
        m_dir = std::make_unique<QTemporaryDir>();
        NewFrame(QSize(1000, 600));
    }
    void cleanup() { TearDown(); }

    // The detail pane shows both sides of the current pair; the version,
    // CRC-32 and type it reads from the files once they are known.
    void FolderDetailPaneShowsTheCurrentPair() {
        const std::string left = Put("a/notes.txt", "left text\n");
        const std::string right = Put("b/notes.txt", "the right text, longer\n");
        Put("a/data.bin", std::string("\x01\x00\x02\x00", 4));
        Put("b/data.bin", std::string("\x01\x00\x02\x00", 4));
        Put("b/only.txt", "right only\n");
        CFolderCompareView* view = OpenFolders();
        QVERIFY(view != nullptr);
        CFolderDetailPane& details = view->Details();
        QVERIFY(details.isVisible());
        // Every title shows whole, also where the kept width is narrower.
        const QHeaderView* header = details.horizontalHeader();
        for (int column = 0; column < header->count(); ++column) {
            const QString title = details.horizontalHeaderItem(column)->text();
            QVERIFY2(header->sectionSize(column) > header->fontMetrics().horizontalAdvance(title),
                     qPrintable(title));
        }

        view->SelectPaths({"notes.txt"});
        QCOMPARE(details.Text(0, COLUMN_NAME), QStringLiteral("notes.txt"));
        QCOMPARE(details.Text(1, COLUMN_NAME), QStringLiteral("notes.txt"));
        QCOMPARE(details.Text(0, COLUMN_SIZE), QStringLiteral("10"));
        QCOMPARE(details.Text(1, COLUMN_SIZE), QStringLiteral("23"));
        CFolderCompareItem* item = view->Model().Item(view->Tree().currentIndex());
        QVERIFY(item != nullptr);
        QCOMPARE(details.Text(0, COLUMN_TIME), QString::fromStdString(item->Side(0)->GetLastWriteTimeText()));
        QVERIFY(!details.Text(0, COLUMN_TIME).isEmpty());
        QCOMPARE(details.Text(1, COLUMN_FOLDER), QString::fromStdString(Path("b")));
        QTRY_VERIFY_WITH_TIMEOUT(!details.IsReading(), 30000);
        QCOMPARE(details.Text(0, COLUMN_CRC), QString::number(ComputeFileCrc(left), 16).toUpper());
        QCOMPARE(details.Text(1, COLUMN_CRC), QString::number(ComputeFileCrc(right), 16).toUpper());
        QVERIFY(details.Text(0, COLUMN_CRC) != details.Text(1, COLUMN_CRC));
        QCOMPARE(details.Text(0, COLUMN_TYPE), QStringLiteral("Text"));

        view->SelectPaths({"data.bin"});
        QTRY_VERIFY_WITH_TIMEOUT(!details.IsReading(), 30000);
        QCOMPARE(details.Text(0, COLUMN_NAME), QStringLiteral("data.bin"));
        QCOMPARE(details.Text(1, COLUMN_TYPE), QStringLiteral("Binary"));

        // An orphan: its side only; the other row stays empty.
        view->SelectPaths({"only.txt"});
        QTRY_VERIFY_WITH_TIMEOUT(!details.IsReading(), 30000);
        QCOMPARE(details.Text(0, COLUMN_NAME), QString());
        QCOMPARE(details.Text(0, COLUMN_CRC), QString());
        QCOMPARE(details.Text(1, COLUMN_NAME), QStringLiteral("only.txt"));
        QCOMPARE(details.Text(1, COLUMN_EXTENSION), QStringLiteral(".txt"));

        view->SelectPaths({"notes.txt"});
        QTRY_VERIFY_WITH_TIMEOUT(!details.IsReading(), 30000);
        const QString folder = ScreenshotFolder();
        if (!folder.isEmpty()) QVERIFY(view->grab().save(folder + QStringLiteral("/folder-details.png")));
        // Both rows show whole, with the scroll bar of columns wider than the pane.
        details.resize(300, details.height());
        QTRY_VERIFY(details.horizontalScrollBar()->maximum() > 0);
        QTRY_VERIFY(details.rowViewportPosition(1) + details.rowHeight(1) <= details.viewport()->height());
        details.resize(4000, details.height());
        QTRY_COMPARE(details.horizontalScrollBar()->maximum(), 0);
        QVERIFY(details.rowViewportPosition(1) + details.rowHeight(1) <= details.viewport()->height());
    }

    // With "FolderWatch" on, a file another program writes into a compared
    // folder (below the roots too) offers Refresh; Refresh scans again and
    // shows the new file. Off, nothing is watched.
    void FolderWatchOffersRefresh() {
        Put("a/sub/one.txt", "one\n");
        Put("b/sub/one.txt", "one\n");
        Put("a/top.txt", "top\n");
        CFolderComparer& component = AppComponents().Folders();
        const int before = component.folderWatch;
        component.folderWatch = 0;
        CFolderCompareView* quiet = OpenFolders();
        QVERIFY(quiet != nullptr);
        QVERIFY(quiet->Watcher().Folders().empty());
        m_frame->CloseView(quiet);

        component.folderWatch = 1;
        CFolderCompareView* view = OpenFolders();
        component.folderWatch = before;
        QVERIFY(view != nullptr);
        const std::vector<std::string>& folders = view->Watcher().Folders();
        QVERIFY(std::find(folders.begin(), folders.end(), Path("a")) != folders.end());
        QVERIFY(std::find(folders.begin(), folders.end(), Path("b")) != folders.end());
        QVERIFY(std::find(folders.begin(), folders.end(), Path("b/sub")) != folders.end());
        QVERIFY(!view->ChangedOnDisk());
        auto* bar = view->findChild<QWidget*>(QStringLiteral("folderChangedBar"));
        QVERIFY(bar != nullptr && !bar->isVisible());

        Put("b/new.txt", "new\n");
        QTRY_VERIFY_WITH_TIMEOUT(view->ChangedOnDisk(), 30000);
        QVERIFY(bar->isVisible());
        QCOMPARE(view->StatusText(), QStringLiteral("Files in the compared folders were changed."));
        auto* refresh = view->findChild<QPushButton*>(QStringLiteral("folderRefresh"));
        QVERIFY(refresh != nullptr);
        QTest::mouseClick(refresh, Qt::LeftButton);
        QVERIFY(QTest::qWaitFor([view] { return !view->IsBusy(); }, 10000));
        QVERIFY(!view->ChangedOnDisk());
        QVERIFY(view->Model().IndexOfPath("new.txt").isValid());
        // Watched again after the scan, the folders below the roots too.
        Put("a/sub/later.txt", "later\n");
        QTRY_VERIFY_WITH_TIMEOUT(view->ChangedOnDisk(), 30000);
    }

    // Ctrl+F finds a row by a part of its name, opening its folder; F3 and
    // Shift+F3 go on and back, round the ends; a name not there is told.
    void FindInTheFolderView() {
        Put("a/sub/deep_target.txt", "x\n");
        Put("b/sub/deep_target.txt", "y\n");
        Put("a/alpha.txt", "a\n");
        Put("b/Target.c", "c\n");
        CFolderCompareView* view = OpenFolders();
        QVERIFY(view != nullptr);
        m_frame->Action(Command::ExpandAll)->trigger();
        QVERIFY(QTest::qWaitFor([view] { return !view->IsBusy(); }, 10000));
        view->Tree().collapseAll();
        m_frame->UpdateCommands();
        QVERIFY(m_frame->Action(Command::Find)->isEnabled());
        const QModelIndex deep = view->Model().IndexOfPath("sub/deep_target.txt");
        const QModelIndex top = view->Model().IndexOfPath("Target.c");
        QVERIFY(deep.isValid() && top.isValid());
        QString label;
        AnswerNextDialog([&label](QWidget* dialog) {
            auto* input = qobject_cast<QInputDialog*>(dialog);
            QVERIFY(input != nullptr);
            QCOMPARE(input->windowTitle(), QStringLiteral("Find"));
            label = input->labelText();
            input->setTextValue(QStringLiteral("target"));
            input->accept();
        });
        m_frame->Action(Command::Find)->trigger();
        QCOMPARE(label, QStringLiteral("&Find What:"));
        QCOMPARE(view->Tree().currentIndex().siblingAtColumn(0), deep);
        QVERIFY(view->Tree().isExpanded(deep.parent()));
        QCOMPARE(view->Details().Text(0, COLUMN_NAME), QStringLiteral("deep_target.txt"));
        m_frame->Action(Command::FindNext)->trigger();
        QCOMPARE(view->Tree().currentIndex().siblingAtColumn(0), top);
        m_frame->Action(Command::FindNext)->trigger();  // round the end
        QCOMPARE(view->Tree().currentIndex().siblingAtColumn(0), deep);
        m_frame->Action(Command::FindPrevious)->trigger();  // and back round the start
        QCOMPARE(view->Tree().currentIndex().siblingAtColumn(0), top);

        QString told;
        AnswerNextDialog([&told](QWidget* dialog) {
            auto* input = qobject_cast<QInputDialog*>(dialog);
            QVERIFY(input != nullptr);
            input->setTextValue(QStringLiteral("missing"));
            input->accept();
            // The message comes once the dialog is gone.
            AnswerNextDialog([&told](QWidget* message) {
                auto* box = qobject_cast<QMessageBox*>(message);
                QVERIFY(box != nullptr);
                told = box->text();
                box->accept();
            });
        });
        m_frame->Action(Command::Find)->trigger();
        QCOMPARE(told, QStringLiteral("Cannot find string\"missing\""));
        QCOMPARE(view->Tree().currentIndex().siblingAtColumn(0), top);
    }
};

QTEST_MAIN(FolderDetailsViewTest)
#include "FolderDetailsViewTest.moc"
