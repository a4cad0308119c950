// The folder comparison view driven as a user drives it: a pair of folders
// opened in the window, rows and statuses read from the model, file
// operations through their commands and dialogs, results checked on disk.
#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QDir>
#include <QFileDialog>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QScrollBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <sys/stat.h>
#include <utime.h>

#include <cstdlib>
#include <fstream>
#include <functional>
#include <memory>
#include <sstream>

#include "UiTestApp.h"
#include "foldercompare/FolderCompareOptions.h"
#include "foldercompare/SyncWizard.h"
#include "launch/Components.h"
#include "launch/CorvatineApp.h"
#include "launch/ProgramNames.h"
#include "platform/MessageQueue.h"
#include "platform/Path.h"
#include "ui/FolderCompareModel.h"
#include "ui/FolderCompareView.h"
#include "ui/HexCompareView.h"
#include "ui/MainFrame.h"
#include "ui/TextCompareView.h"
#include "ui/UiText.h"

using namespace corvatine;
using namespace corvatine::ui;

namespace {

constexpr time_t kTime = 1600000000;  // 2020-09-13 12:26:40 UTC

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool Exists(const std::string& path) {
    struct stat st;
    return ::lstat(path.c_str(), &st) == 0;
}

// The answers still waiting for their dialog; a test that failed early
// leaves none behind for the next.
QObject* Answers() {
    static QObject* answers = new QObject(qApp);
    return answers;
}

using uitest::AnswerNextDialog;

// The events of a double click: press and release, then the second press
// that the system reports as the double click, and its release.
void DoubleClick(QTreeView& tree, const QModelIndex& index) {
    const QPoint at = tree.visualRect(index).center();
    QTest::mouseClick(tree.viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(tree.viewport(), Qt::LeftButton, {}, at);
    QTest::mouseRelease(tree.viewport(), Qt::LeftButton, {}, at);
}

// Clicks the dialog's button as a user does.
void Click(QAbstractButton* button) {
    QVERIFY(button != nullptr);
    QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(5, button->height() / 2));
}

}  // namespace

class FolderViewTest : public QObject {
    Q_OBJECT

private:
    std::string Path(const std::string& name) const {
        return m_dir->filePath(QString::fromStdString(name)).toStdString();
    }
    std::string Write(const std::string& name, const std::string& bytes, time_t time = kTime) {
        const std::string path = Path(name);
        QDir().mkpath(QString::fromStdString(platform::PathParentFolder(path)));
        std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
        const struct utimbuf times = {time, time};
        ::utime(path.c_str(), &times);
        return path;
    }
    // Two folders a and b with one pair or orphan of every class.
    void MakeFolders() {
        Write("a/same.txt", "same\n");
        Write("b/same.txt", "same\n");
        Write("a/diff.txt", "the left version\n");
        Write("b/diff.txt", "right\n");
        Write("a/newer.txt", "abcd\n", kTime + 3600);
        Write("b/newer.txt", "abce\n");
        Write("a/only-left.txt", "only on the left\n");
        Write("b/only-right.txt", "only on the right\n");
        Write("a/image.bin", std::string("\x7f"
                                         "ELF\0\0\1\2",
                                         8));
        Write("b/image.bin", std::string("\x7f"
                                         "ELF\0\0\1\2\3",
                                         9));
        Write("a/sub/inner.txt", "inner\n");
        Write("b/sub/inner.txt", "inner\n");
    }
    CFolderCompareView* OpenFolders() {
        CFolderCompareParams request;
        request.sides[0].path = Path("a");
        request.sides[1].path = Path("b");
        auto* view = qobject_cast<CFolderCompareView*>(m_frame->OpenRequest(request));
        if (view == nullptr || !QTest::qWaitFor([view] { return !view->IsBusy(); }, 60000)) return nullptr;
        view->Tree().setFocus();
        return view;
    }
    // The top-level row of a name (either side), or an invalid index.
    static QModelIndex Row(CFolderCompareView& view, const QString& name,
                           const QModelIndex& parent = QModelIndex()) {
        CFolderCompareModel& model = view.Model();
        for (int row = 0; row < model.rowCount(parent); ++row)
            for (int side = 0; side < 2; ++side) {
                const QModelIndex index =
                    model.index(row, CFolderCompareModel::ModelColumn(side, COLUMN_NAME), parent);
                if (index.data().toString() == name) return index.siblingAtColumn(0);
            }
        return QModelIndex();
    }
    static FolderRowClass ClassOfRow(const QModelIndex& index) {
        return static_cast<FolderRowClass>(index.data(CFolderCompareModel::ClassRole).toInt());
    }
    static QStringList Names(CFolderCompareView& view, const QModelIndex& parent = QModelIndex()) {
        QStringList names;
        CFolderCompareModel& model = view.Model();
        for (int row = 0; row < model.rowCount(parent); ++row) {
            QString name = model.index(row, 0, parent).data().toString();
            if (name.isEmpty())
                name = model.index(row, CFolderCompareModel::ModelColumn(1, COLUMN_NAME), parent)
                           .data()
                           .toString();
            names << name;
        }
        return names;
    }
    // Selects one row by clicking it, in the window made active as a click
    // makes it (a dialog may have been active last).
    void ClickRow(CFolderCompareView& view, const QModelIndex& index) {
        m_frame->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_frame.get()));
        QTreeView& tree = view.Tree();
        tree.scrollTo(index);
        const QRect rect = tree.visualRect(index.siblingAtColumn(CFolderCompareModel::kStatusColumn));
        QTest::mouseClick(tree.viewport(), Qt::LeftButton, {}, rect.center());
    }
    QAction* FrameAction(const char* name) const {
        return m_frame->findChild<QAction*>(QString::fromLatin1(name));
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
        static_cast<CFolderCompareOptions&>(AppComponents().Folders()).ResetToDefaults();
        AppComponents().Folders().colors.ApplyScheme(CFolderCompareColors::SCHEME_DEFAULT);
        MakeFolders();
        m_frame = std::make_unique<CMainFrame>(*m_app);
        m_frame->resize(1400, 600);
        m_frame->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_frame.get()));
    }
    void cleanup() {
        qDeleteAll(Answers()->children());
        while (m_frame->ViewCount() > 0) m_frame->CloseView(m_frame->View(0));
        m_frame.reset();
    }

    // Next and previous difference follow the rows as the view shows them:
    // its sorting, and a folder's rows once it is open.
    void DifferencesInDisplayOrder() {
        CFolderCompareView* view = OpenFolders();
        QVERIFY(view != nullptr);
        const auto current = [view] { return view->Tree().currentIndex().siblingAtColumn(0); };
        // The folder not compared yet is a difference too.
        view->Execute(Command::FirstDifference);
        QCOMPARE(current(), Row(*view, "sub"));
        view->Execute(Command::NextDifference);
        QCOMPARE(current(), Row(*view, "diff.txt"));
        view->Execute(Command::LastDifference);
        QCOMPARE(current(), Row(*view, "only-right.txt"));
        view->Execute(Command::NextDifference);
        QCOMPARE(current(), Row(*view, "only-right.txt"));
        view->Execute(Command::PreviousDifference);
        QCOMPARE(current(), Row(*view, "only-left.txt"));

        // Names the other way: the identical file comes before the others.
        view->Tree().sortByColumn(CFolderCompareModel::ModelColumn(0, COLUMN_NAME), Qt::DescendingOrder);
        view->Execute(Command::FirstDifference);
        view->Execute(Command::NextDifference);
        QCOMPARE(current(), Row(*view, "only-right.txt"));
        view->Execute(Command::LastDifference);
        QCOMPARE(current(), Row(*view, "diff.txt"));

        // Open and compared, the identical folder is passed over.
        view->Tree().sortByColumn(CFolderCompareModel::ModelColumn(0, COLUMN_NAME), Qt::AscendingOrder);
        view->Tree().expand(Row(*view, "sub"));
        QTRY_VERIFY_WITH_TIMEOUT(
            !view->IsBusy() && ClassOfRow(Row(*view, "sub")) == FolderRowClass::Identical, 30000);
        view->Execute(Command::FirstDifference);
        QCOMPARE(current(), Row(*view, "diff.txt"));
        view->Execute(Command::PreviousDifference);
        QCOMPARE(current(), Row(*view, "diff.txt"));
    }

    // The rows of the top level, folders first, each with its class; the
    // folder below is not compared until it is opened.
    void RowsAndStatuses() {
        CFolderCompareView* view = OpenFolders();
        QVERIFY(view != nullptr);
        QCOMPARE(view->Title(), QStringLiteral("a : b"));
        QCOMPARE(Names(*view), (QStringList{"sub", "diff.txt", "image.bin", "newer.txt", "only-left.txt",
                                            "only-right.txt", "same.txt"}));
        QCOMPARE(ClassOfRow(Row(*view, "same.txt")), FolderRowClass::Identical);
        QCOMPARE(ClassOfRow(Row(*view, "diff.txt")), FolderRowClass::Different);
        QCOMPARE(ClassOfRow(Row(*view, "newer.txt")), FolderRowClass::LeftNewer);
        QCOMPARE(ClassOfRow(Row(*view, "only-left.txt")), FolderRowClass::LeftOnly);
        QCOMPARE(ClassOfRow(Row(*view, "only-right.txt")), FolderRowClass::RightOnly);
        QCOMPARE(ClassOfRow(Row(*view, "sub")), FolderRowClass::NotCompared);
        // Both sides' columns, the missing side empty.
        const QModelIndex onlyLeft = Row(*view, "only-left.txt");
        CFolderCompareModel& model = view->Model();
        QCOMPARE(
            model.index(onlyLeft.row(), CFolderCompareModel::ModelColumn(0, COLUMN_SIZE)).data().toString(),
            QStringLiteral("17"));
        QCOMPARE(
            model.index(onlyLeft.row(), CFolderCompareModel::ModelColumn(0, COLUMN_TIME)).data().toString(),
            QStringLiteral("2020-09-13 12:26:40"));
        QCOMPARE(model.index(onlyLeft.row(), CFolderCompareModel::ModelColumn(0, COLUMN_EXTENSION))
                     .data()
                     .toString(),
                 QStringLiteral(".txt"));
        QVERIFY(
            model.index(onlyLeft.row(), CFolderCompareModel::ModelColumn(1, COLUMN_NAME)).data().isNull());
        QCOMPARE(
            model.index(onlyLeft.row(), CFolderCompareModel::kStatusColumn).data(Qt::ToolTipRole).toString(),
            QStringLiteral("Left-only"));
        QCOMPARE(
            model.headerData(CFolderCompareModel::ModelColumn(1, COLUMN_TIME), Qt::Horizontal).toString(),
            QStringLiteral("Modified"));
        // The folder not compared yet leaves the whole undecided, and the
        // status bar says how to compare it.
        QCOMPARE(view->StatusText(), QStringLiteral("Not compared: 1 identical, 2 different, 1 left newer, "
                                                    "1 left-only, 1 right-only. 1 folder not compared yet: "
                                                    "open one to compare it, or View > Expand All to compare "
                                                    "everything"));

        // Opening the folder compares it: its row and the rows above follow.
        const QModelIndex sub = Row(*view, "sub");
        QVERIFY(view->Model().hasChildren(sub));
        QCOMPARE(view->Model().rowCount(sub), 0);
        ClickRow(*view, sub);
        QTest::keyClick(&view->Tree(), Qt::Key_Right);
        QTRY_VERIFY_WITH_TIMEOUT(!view->IsBusy(), 30000);
        const QModelIndex opened = Row(*view, "sub");
        QVERIFY(view->Tree().isExpanded(opened));
        QCOMPARE(Names(*view, opened), QStringList{"inner.txt"});
        QCOMPARE(ClassOfRow(Row(*view, "inner.txt", opened)), FolderRowClass::Identical);
        QCOMPARE(ClassOfRow(opened), FolderRowClass::Identical);
        QVERIFY(!view->StatusText().contains(QStringLiteral("not compared yet")));

        // The same request again activates the view.
        CFolderCompareParams request;
        request.CopyFrom(view->Doc().Request());
        QCOMPARE(m_frame->OpenRequest(request), static_cast<CDocumentView*>(view));
        QCOMPARE(m_frame->ViewCount(), 1);
    }

    // A file that is no folder is no folder comparison.
    void AFileIsRefused() {
        CFolderCompareParams request;
        request.sides[0].path = Path("a/same.txt");
        request.sides[1].path = Path("b");
        AnswerNextDialog([](QWidget* dialog) {
            auto* box = qobject_cast<QMessageBox*>(dialog);
            QVERIFY(box != nullptr);
            QVERIFY2(box->text().endsWith(QStringLiteral("': not both are folders")),
                     qPrintable(box->text()));
            box->accept();
        });
        QVERIFY(m_frame->OpenRequest(request) == nullptr);
        QCOMPARE(m_frame->ViewCount(), 0);
    }

    // A double click opens a text pair in a text comparison, a binary pair in
    // the binary view; Ctrl+F12 goes back; Enter opens and closes a folder.
    void OpeningPairs() {
        CFolderCompareView* view = OpenFolders();
        QVERIFY(view != nullptr);
        QTreeView& tree = view->Tree();
        const QModelIndex diff = Row(*view, "diff.txt");
        DoubleClick(tree, diff);
        auto* text = qobject_cast<CTextCompareView*>(m_frame->ActiveView());
        QVERIFY(text != nullptr);
        QCOMPARE(text->Doc().Request().sides[0].path, Path("a/diff.txt"));
        QCOMPARE(text->Doc().Request().sides[1].path, Path("b/diff.txt"));
        QCOMPARE(m_frame->ViewCount(), 2);
        QVERIFY(FrameAction("goToContainingFolder")->isEnabled());
        QTest::keyClick(&text->Pane(0), Qt::Key_F12, Qt::ControlModifier);
        QCOMPARE(m_frame->ActiveView(), static_cast<CDocumentView*>(view));
        QVERIFY(!FrameAction("goToContainingFolder")->isEnabled());

        const QModelIndex image = Row(*view, "image.bin");
        DoubleClick(tree, image);
        QVERIFY(qobject_cast<CHexCompareView*>(m_frame->ActiveView()) != nullptr);
        QCOMPARE(m_frame->ViewCount(), 3);
        // Closing the folder view forgets where the pairs came from: the
        // text comparison then opens the comparison of its files' folders.
        m_frame->CloseView(view);
        m_frame->findChild<QTabWidget*>(QStringLiteral("documents"))->setCurrentWidget(text);
        QCOMPARE(m_frame->ActiveView(), static_cast<CDocumentView*>(text));
        QVERIFY(FrameAction("goToContainingFolder")->isEnabled());
        QTest::keyClick(&text->Pane(0), Qt::Key_F12, Qt::ControlModifier);
        auto* folders = qobject_cast<CFolderCompareView*>(m_frame->ActiveView());
        QVERIFY(folders != nullptr);
        QCOMPARE(folders->Title(), QStringLiteral("a : b"));
        QTRY_VERIFY_WITH_TIMEOUT(!folders->IsBusy(), 30000);
        QCOMPARE(folders->Doc().Request().sides[0].path, Path("a"));
        QCOMPARE(folders->Model().rowCount(), 7);
    }

    void EnterOpensAFolder() {
        CFolderCompareView* view = OpenFolders();
        QVERIFY(view != nullptr);
        ClickRow(*view, Row(*view, "sub"));
        QTest::keyClick(&view->Tree(), Qt::Key_Return);
        QTRY_VERIFY_WITH_TIMEOUT(!view->IsBusy(), 30000);
        QVERIFY(view->Tree().isExpanded(Row(*view, "sub")));
        QTest::keyClick(&view->Tree(), Qt::Key_Return);
        QVERIFY(!view->Tree().isExpanded(Row(*view, "sub")));
    }

    // Copy to Right on a left-only file: the dialog with its texts, then the
    // row is identical and the file is there, byte for byte.
    void CopyALeftOnlyFileToTheRight() {
        CFolderCompareView* view = OpenFolders();
        QVERIFY(view != nullptr);
        ClickRow(*view, Row(*view, "only-left.txt"));
        QCOMPARE(view->SelectedItems().size(), size_t(1));
        QString title, direction, noConfirmation, emptyFolder, counts[2];
        bool toRight = false;
        AnswerNextDialog([&](QWidget* dialog) {
            title = dialog->windowTitle();
            auto* right = dialog->findChild<QRadioButton*>(QStringLiteral("toRight"));
            QVERIFY(right != nullptr);
            direction = right->text();
            toRight = right->isChecked();
            noConfirmation = dialog->findChild<QCheckBox*>(QStringLiteral("noConfirmation"))->text();
            emptyFolder = dialog->findChild<QCheckBox*>(QStringLiteral("emptyFolderOnly"))->text();
            counts[0] = dialog->findChild<QLabel*>(QStringLiteral("leftCount"))->text();
            counts[1] = dialog->findChild<QLabel*>(QStringLiteral("rightCount"))->text();
            Click(dialog->findChild<QPushButton*>(QStringLiteral("ok")));
        });
        QTest::keyClick(&view->Tree(), Qt::Key_Right, Qt::AltModifier);
        QTRY_VERIFY_WITH_TIMEOUT(!view->IsBusy(), 30000);
        QCOMPARE(title, QStringLiteral("Copy selected files, folders"));
        QCOMPARE(direction, QStringLiteral("Copy to &Right"));
        QVERIFY(toRight);
        QCOMPARE(noConfirmation, QStringLiteral("&No confirmation"));
        QCOMPARE(emptyFolder, QStringLiteral("&Create empty folder only if the item is a folder."));
        QCOMPARE(counts[0], QStringLiteral("1 File(s), 0 Folder(s)"));
        QCOMPARE(counts[1], QStringLiteral("0 File(s), 0 Folder(s)"));
        QVERIFY(Exists(Path("b/only-left.txt")));
        QCOMPARE(ReadFile(Path("b/only-left.txt")), ReadFile(Path("a/only-left.txt")));
        const QModelIndex row = Row(*view, "only-left.txt");
        QCOMPARE(ClassOfRow(row), FolderRowClass::Identical);
        QCOMPARE(view->Model().rowCount(), 7);
        // The row stays the selected one.
        QCOMPARE(view->SelectedItems().size(), size_t(1));
        QCOMPARE(view->SelectedItems().front()->GetName(), std::string("only-left.txt"));
    }

    // Copying over a file asks first unless "No confirmation" is checked;
    // No leaves everything as it was.
    void CopyingOverAFileAsks() {
        CFolderCompareView* view = OpenFolders();
        QVERIFY(view != nullptr);
        ClickRow(*view, Row(*view, "diff.txt"));
        QString question;
        const auto copyAnswering = [&](QMessageBox::StandardButton button) {
            AnswerNextDialog([&question, button](QWidget* dialog) {
                AnswerNextDialog([&question, button](QWidget* box) {
                    auto* message = qobject_cast<QMessageBox*>(box);
                    QVERIFY(message != nullptr);
                    question = message->text();
                    message->button(button)->click();
                });
                Click(dialog->findChild<QPushButton*>(QStringLiteral("ok")));
            });
            m_frame->Action(Command::CopyToRight)->trigger();
            QTRY_VERIFY_WITH_TIMEOUT(!view->IsBusy(), 30000);
        };
        copyAnswering(QMessageBox::No);
        QCOMPARE(question, QStringLiteral("1 file(s) on the right side will be replaced.\nReplace them?"));
        QCOMPARE(ReadFile(Path("b/diff.txt")), std::string("right\n"));
        QCOMPARE(ClassOfRow(Row(*view, "diff.txt")), FolderRowClass::Different);
        question.clear();
        copyAnswering(QMessageBox::Yes);
        QVERIFY(!question.isEmpty());
        QCOMPARE(ReadFile(Path("b/diff.txt")), std::string("the left version\n"));
        QCOMPARE(ClassOfRow(Row(*view, "diff.txt")), FolderRowClass::Identical);
    }

    // Delete with the Trash box checked: into the Trash when there is one; when
    // none can be used nothing is deleted and the row stays. Without it the
    // file is gone.
    void DeleteToTheTrash() {
        const QByteArray saved = qgetenv("XDG_DATA_HOME");
        QTemporaryDir data;
        CFolderCompareView* view = OpenFolders();
        QVERIFY(view != nullptr);
        const auto deleteRow = [&](const QString& name, bool recycle) {
            ClickRow(*view, Row(*view, name));
            QString title, recycleText;
            bool leftEnabled = true, rightChecked = false;
            AnswerNextDialog([&](QWidget* dialog) {
                title = dialog->windowTitle();
                leftEnabled = dialog->findChild<QCheckBox*>(QStringLiteral("leftSide"))->isEnabled();
                rightChecked = dialog->findChild<QCheckBox*>(QStringLiteral("rightSide"))->isChecked();
                auto* bin = dialog->findChild<QCheckBox*>(QStringLiteral("recycleBin"));
                recycleText = bin->text();
                bin->setChecked(recycle);
                Click(dialog->findChild<QPushButton*>(QStringLiteral("ok")));
            });
            QTest::keyClick(&view->Tree(), Qt::Key_Delete);
            QTRY_VERIFY_WITH_TIMEOUT(!view->IsBusy(), 30000);
            QCOMPARE(title, QStringLiteral("Delete selected files, folders"));
            QCOMPARE(recycleText, QStringLiteral("Move to the &Trash where possible"));
            QVERIFY(!leftEnabled);
            QVERIFY(rightChecked);
        };

        // A Trash that cannot be made: refused, nothing lost.
        std::ofstream(data.filePath("Trash").toStdString()) << "in the way";
        ::setenv("XDG_DATA_HOME", data.path().toLocal8Bit().constData(), 1);
        QString error;
        AnswerNextDialog([&](QWidget* dialog) {
            // The operation's dialog first; the error comes after the work.
            AnswerNextDialog([&](QWidget* box) {
                auto* message = qobject_cast<QMessageBox*>(box);
                QVERIFY(message != nullptr);
                error = message->text();
                message->accept();
            });
            dialog->findChild<QCheckBox*>(QStringLiteral("recycleBin"))->setChecked(true);
            Click(dialog->findChild<QPushButton*>(QStringLiteral("ok")));
        });
        ClickRow(*view, Row(*view, "only-right.txt"));
        QTest::keyClick(&view->Tree(), Qt::Key_Delete);
        QTRY_VERIFY_WITH_TIMEOUT(!error.isEmpty() && !view->IsBusy(), 30000);
        QVERIFY2(error.startsWith(QStringLiteral("Deleting: 1 item failed.\nonly-right.txt: cannot move ")),
                 qPrintable(error));
        QVERIFY2(error.contains(QStringLiteral("to the Trash")), qPrintable(error));
        QVERIFY(Exists(Path("b/only-right.txt")));
        QCOMPARE(ClassOfRow(Row(*view, "only-right.txt")), FolderRowClass::RightOnly);

        // A Trash that can be used: the file goes there with its info file.
        QVERIFY(QFile::remove(data.filePath("Trash")));
        deleteRow("only-right.txt", true);
        QVERIFY(!Row(*view, "only-right.txt").isValid());
        QVERIFY(!Exists(Path("b/only-right.txt")));
        QCOMPARE(ReadFile(data.filePath("Trash/files/only-right.txt").toStdString()),
                 std::string("only on the right\n"));
        QVERIFY(Exists(data.filePath("Trash/info/only-right.txt.trashinfo").toStdString()));

        // Without the Trash the file is deleted for good.
        Write("b/second.txt", "second\n");
        m_frame->Action(Command::Recompare)->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(!view->IsBusy(), 30000);
        QVERIFY(Row(*view, "second.txt").isValid());
        deleteRow("second.txt", false);
        QVERIFY(!Exists(Path("b/second.txt")));
        QVERIFY(!Exists(data.filePath("Trash/files/second.txt").toStdString()));
        QVERIFY(!Row(*view, "second.txt").isValid());
        if (saved.isNull())
            ::unsetenv("XDG_DATA_HOME");
        else
            ::setenv("XDG_DATA_HOME", saved.constData(), 1);
    }

    // Folders one inside the other: what an operation does on one side would
    // change the other, so none runs; the message says why.
    void NestedFoldersRefuseOperations() {
        CFolderCompareParams request;
        request.sides[0].path = Path("a");
        request.sides[1].path = Path("a/sub");
        auto* view = qobject_cast<CFolderCompareView*>(m_frame->OpenRequest(request));
        QVERIFY(view != nullptr);
        QVERIFY(QTest::qWaitFor([view] { return !view->IsBusy(); }, 60000));
        view->Tree().setFocus();
        QString error;
        AnswerNextDialog([&](QWidget* dialog) {
            AnswerNextDialog([&](QWidget* box) {
                auto* message = qobject_cast<QMessageBox*>(box);
                QVERIFY(message != nullptr);
                error = message->text();
                message->accept();
            });
            Click(dialog->findChild<QPushButton*>(QStringLiteral("ok")));
        });
        ClickRow(*view, Row(*view, "inner.txt"));
        QTest::keyClick(&view->Tree(), Qt::Key_Delete);
        QTRY_VERIFY_WITH_TIMEOUT(!error.isEmpty() && !view->IsBusy(), 30000);
        QCOMPARE(error, QString::fromStdString("Cannot delete: '" + Path("a/sub") + "' lies inside '" +
                                               Path("a") + "'; nothing was changed"));
        QVERIFY(Exists(Path("a/sub/inner.txt")));
    }

    // The View menu's "Show ..." items hide and show classes of rows; folder
    // rows stay; the choice becomes the default.
    void DisplayFilters() {
        CFolderCompareView* view = OpenFolders();
        QVERIFY(view != nullptr);
        QAction* identical = FrameAction("showIdenticalItems");
        QCOMPARE(identical->text(), QStringLiteral("Show identical items"));
        QVERIFY(identical->isChecked());
        identical->trigger();
        QVERIFY(!identical->isChecked());
        QVERIFY(!Row(*view, "same.txt").isValid());
        QVERIFY(Row(*view, "sub").isValid());
        QCOMPARE(AppComponents().Folders().displayFilters, 0x332u);
        FrameAction("showLeftOnlyItems")->trigger();
        FrameAction("showLeftNewerItems")->trigger();
        QCOMPARE(Names(*view), (QStringList{"sub", "diff.txt", "image.bin", "only-right.txt"}));
        QCOMPARE(view->Doc().DisplayFilter(), 0x222u);
        QAction* all = FrameAction("showAllItems");
        QCOMPARE(all->text(), QStringLiteral("Show all items"));
        all->trigger();
        QCOMPARE(view->Model().rowCount(), 7);
        QVERIFY(identical->isChecked());

        // The preset views of the rows' menu set the whole word.
        QTreeView& tree = view->Tree();
        QStringList offered;
        QTimer::singleShot(50, this, [&offered] {
            auto* popup = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            QVERIFY(popup != nullptr);
            for (QAction* action : popup->actions()) offered << action->text();
            for (QAction* action : popup->actions())
                if (action->menu() != nullptr)
                    for (QAction* preset : action->menu()->actions())
                        if (preset->text() == QStringLiteral("Orphans")) preset->trigger();
            popup->close();
        });
        const QPoint at = tree.visualRect(Row(*view, "same.txt")).center();
        QContextMenuEvent menuEvent(QContextMenuEvent::Mouse, at, tree.viewport()->mapToGlobal(at));
        QApplication::sendEvent(tree.viewport(), &menuEvent);
        QVERIFY(offered.contains(QStringLiteral("Copy to &Right")));
        QVERIFY(offered.contains(QStringLiteral("&Views")));
        QCOMPARE(view->Doc().DisplayFilter(), 0x30u);
        QCOMPARE(Names(*view), (QStringList{"sub", "only-left.txt", "only-right.txt"}));
        all->trigger();

        // Hidden rows come back with "Show Hidden Items".
        ClickRow(*view, Row(*view, "diff.txt"));
        FrameAction("hideItems")->trigger();
        QVERIFY(!Row(*view, "diff.txt").isValid());
        FrameAction("showHiddenItems")->trigger();
        QVERIFY(Row(*view, "diff.txt").isValid());
    }

    // Both sides show Name, Size and Modified at equal widths filling the
    // rows, names first; more columns are a right-click away on the header,
    // and a column sized by hand is that size on both sides.
    void ColumnsShareTheWidthEqually() {
        m_frame->resize(1200, 800);
        CFolderCompareView* view = OpenFolders();
        QVERIFY(view != nullptr);
        QTreeView& tree = view->Tree();
        QHeaderView& header = *tree.header();
        const auto sideWidth = [&](int side) {
            int width = 0;
            for (int column = 0; column < kSideColumnCount; ++column)
                width += header.sectionSize(CFolderCompareModel::ModelColumn(side, column));
            return width;
        };
        const auto fits = [&] {
            QTRY_VERIFY(std::abs(sideWidth(0) - sideWidth(1)) <= 1);
            QCOMPARE(sideWidth(0) + sideWidth(1) + header.sectionSize(CFolderCompareModel::kStatusColumn),
                     tree.viewport()->width());
            QCOMPARE(tree.horizontalScrollBar()->maximum(), 0);
        };
        for (int side = 0; side < 2; ++side)
            for (int column = 0; column < kSideColumnCount; ++column)
                QCOMPARE(tree.isColumnHidden(CFolderCompareModel::ModelColumn(side, column)),
                         column != COLUMN_NAME && column != COLUMN_SIZE && column != COLUMN_TIME);
        fits();
        const int nameNeeds = tree.fontMetrics().horizontalAdvance(QStringLiteral("only-right.txt"));
        QVERIFY(header.sectionSize(CFolderCompareModel::ModelColumn(1, COLUMN_NAME)) > nameNeeds);

        // The header's menu adds the CRC column to both sides, remembered.
        QStringList offered;
        QTimer::singleShot(50, this, [&offered] {
            auto* popup = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            QVERIFY(popup != nullptr);
            for (QAction* action : popup->actions()) {
                offered << action->text();
                if (action->text() == QStringLiteral("CRC")) action->trigger();
            }
            popup->close();
        });
        QContextMenuEvent menuEvent(QContextMenuEvent::Mouse, QPoint(10, 5),
                                    header.mapToGlobal(QPoint(10, 5)));
        QApplication::sendEvent(header.viewport(), &menuEvent);
        QCOMPARE(offered, (QStringList{"Size", "Modified", "Extension", "Attributes", "Version", "CRC",
                                       "Type", "Folder"}));
        for (int side = 0; side < 2; ++side)
            QVERIFY(!tree.isColumnHidden(CFolderCompareModel::ModelColumn(side, COLUMN_CRC)));
        QCOMPARE(AppComponents().Folders().showColumns, 0x7u | (1u << COLUMN_CRC));
        fits();

        // Sized by hand on the left: the right follows, the names give way.
        header.resizeSection(CFolderCompareModel::ModelColumn(0, COLUMN_SIZE), 111);
        QCOMPARE(header.sectionSize(CFolderCompareModel::ModelColumn(1, COLUMN_SIZE)), 111);
        QCOMPARE(AppComponents().Folders().widths2.size, 111);
        fits();

        // A narrow window keeps the names readable before the other columns.
        m_frame->resize(560, 500);
        QTRY_VERIFY(tree.viewport()->width() < 500);
        fits();
        QVERIFY(header.sectionSize(CFolderCompareModel::ModelColumn(0, COLUMN_NAME)) >=
                std::min(nameNeeds, sideWidth(0) * 2 / 3));
    }

    // A click on a column's header sorts each level by it, folders first;
    // a second click reverses.
    void SortingByAColumn() {
        CFolderCompareView* view = OpenFolders();
        QVERIFY(view != nullptr);
        QHeaderView* header = view->Tree().header();
        const int section = CFolderCompareModel::ModelColumn(0, COLUMN_SIZE);
        const QPoint at(header->sectionViewportPosition(section) + header->sectionSize(section) / 2,
                        header->height() / 2);
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, at);
        QCOMPARE(header->sortIndicatorSection(), section);
        // Sizes on the left: none (only-right), 5, 5, 8, 17, 17.
        QCOMPARE(Names(*view), (QStringList{"sub", "only-right.txt", "newer.txt", "same.txt", "image.bin",
                                            "diff.txt", "only-left.txt"}));
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, at);
        QCOMPARE(header->sortIndicatorOrder(), Qt::DescendingOrder);
        QCOMPARE(Names(*view), (QStringList{"sub", "diff.txt", "only-left.txt", "image.bin", "newer.txt",
                                            "same.txt", "only-right.txt"}));
        // Back to the names: the comparison's own order.
        const int name = CFolderCompareModel::ModelColumn(0, COLUMN_NAME);
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                          QPoint(header->sectionViewportPosition(name) + 20, header->height() / 2));
        QCOMPARE(Names(*view), (QStringList{"sub", "diff.txt", "image.bin", "newer.txt", "only-left.txt",
                                            "only-right.txt", "same.txt"}));
    }

    // A rescan keeps the open folders and the selection; while it runs the
    // progress shows above the rows.
    void RescanKeepsTheRows() {
        Write("a/sub/deeper/x.txt", "x\n");
        Write("b/sub/deeper/x.txt", "x\n");
        CFolderCompareView* view = OpenFolders();
        QVERIFY(view != nullptr);
        view->Tree().expand(Row(*view, "sub"));
        QTRY_VERIFY_WITH_TIMEOUT(!view->IsBusy(), 30000);
        view->Tree().expand(Row(*view, "deeper", Row(*view, "sub")));
        QTRY_VERIFY_WITH_TIMEOUT(!view->IsBusy(), 30000);
        QVERIFY(Row(*view, "x.txt", Row(*view, "deeper", Row(*view, "sub"))).isValid());
        ClickRow(*view, Row(*view, "newer.txt"));
        Write("b/newer.txt", "abce\n", kTime + 7200);
        view->SetPatience(0);
        // What the window shows while the worker runs.
        bool sawBusy = false, panelShown = false, recompareEnabled = true;
        int rowsWhileBusy = -1;
        const QMetaObject::Connection watch = connect(view, &CDocumentView::stateChanged, this, [&] {
            if (!view->IsBusy() || sawBusy) return;
            sawBusy = true;
            panelShown = view->findChild<QWidget*>(QStringLiteral("progressPanel"))->isVisible();
            rowsWhileBusy = view->Model().rowCount();
            recompareEnabled = m_frame->Action(Command::Recompare)->isEnabled();
        });
        QTest::keyClick(&view->Tree(), Qt::Key_F5);
        QTRY_VERIFY_WITH_TIMEOUT(!view->IsBusy(), 30000);
        disconnect(watch);
        QVERIFY(sawBusy);
        QVERIFY(panelShown);
        QCOMPARE(rowsWhileBusy, 0);
        QVERIFY(!recompareEnabled);
        QVERIFY(!view->findChild<QWidget*>(QStringLiteral("progressPanel"))->isVisible());
        QCOMPARE(ClassOfRow(Row(*view, "newer.txt")), FolderRowClass::RightNewer);
        QVERIFY(view->Tree().isExpanded(Row(*view, "sub")));
        // The open folder is compared again, as when it was opened.
        // Opened below it too, once it is compared.
        const auto deepest = [&] { return Row(*view, "x.txt", Row(*view, "deeper", Row(*view, "sub"))); };
        QTRY_VERIFY_WITH_TIMEOUT(deepest().isValid() && !view->IsBusy(), 30000);
        QVERIFY(view->Tree().isExpanded(Row(*view, "deeper", Row(*view, "sub"))));
        QCOMPARE(ClassOfRow(Row(*view, "sub")), FolderRowClass::Identical);
        QCOMPARE(view->SelectedItems().size(), size_t(1));
        QCOMPARE(view->SelectedItems().front()->GetName(), std::string("newer.txt"));
    }

    // Many files copied with the progress dialog up; Cancel stops it between
    // files, and every row tells the truth about its file either way.
    void ProgressAndCancel() {
        for (int i = 0; i < 300; ++i) Write("a/many/file" + std::to_string(1000 + i), std::string(2000, 'x'));
        QVERIFY(QDir().mkpath(QString::fromStdString(Path("b/many"))));
        CFolderCompareView* view = OpenFolders();
        QVERIFY(view != nullptr);
        const QModelIndex many = Row(*view, "many");
        view->Tree().expand(many);
        QTRY_VERIFY_WITH_TIMEOUT(!view->IsBusy(), 30000);
        view->Tree().setCurrentIndex(Row(*view, "many"));
        view->Tree().selectionModel()->clearSelection();
        const QModelIndex parent = Row(*view, "many");
        QCOMPARE(view->Model().rowCount(parent), 300);
        view->Tree().selectionModel()->select(
            QItemSelection(view->Model().index(0, 0, parent),
                           view->Model().index(299, CFolderCompareModel::kColumnCount - 1, parent)),
            QItemSelectionModel::ClearAndSelect);
        view->SetPatience(0);
        AnswerNextDialog(
            [&](QWidget* dialog) { Click(dialog->findChild<QPushButton*>(QStringLiteral("ok"))); });
        m_frame->Action(Command::CopyToRight)->trigger();
        // The worker's end is told through the event loop, which has not run
        // since: the progress dialog is up.
        QVERIFY(view->IsBusy());
        QWidget* progress = QApplication::activeModalWidget();
        QVERIFY(progress != nullptr);
        QCOMPARE(progress->windowTitle(), QStringLiteral("Processing..."));
        auto* cancel = progress->findChild<QPushButton*>(QStringLiteral("cancel"));
        Click(cancel);
        QVERIFY(!cancel->isEnabled());
        QTRY_VERIFY_WITH_TIMEOUT(!view->IsBusy(), 20000);
        QVERIFY(QApplication::activeModalWidget() == nullptr);
        const QModelIndex after = Row(*view, "many");
        QCOMPARE(view->Model().rowCount(after), 300);
        for (int row = 0; row < view->Model().rowCount(after); ++row) {
            const QModelIndex index = view->Model().index(row, 0, after);
            const std::string name = index.data().toString().toStdString();
            QCOMPARE(ClassOfRow(index),
                     Exists(Path("b/many/" + name)) ? FolderRowClass::Identical : FolderRowClass::LeftOnly);
        }
    }

    // New folder, rename and set attributes from their dialogs.
    void NewFolderRenameAndAttributes() {
        CFolderCompareView* view = OpenFolders();
        QVERIFY(view != nullptr);
        view->Tree().selectionModel()->clearCurrentIndex();
        AnswerNextDialog([](QWidget* dialog) {
            QCOMPARE(dialog->windowTitle(), QStringLiteral("New Folder"));
            dialog->findChild<QLineEdit*>(QStringLiteral("name"))->setText(QStringLiteral("fresh"));
            Click(dialog->findChild<QPushButton*>(QStringLiteral("ok")));
        });
        FrameAction("newFolder")->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(!view->IsBusy(), 30000);
        QVERIFY(platform::IsFolder(Path("a/fresh")));
        QVERIFY(platform::IsFolder(Path("b/fresh")));
        QCOMPARE(ClassOfRow(Row(*view, "fresh")), FolderRowClass::Identical);
        QCOMPARE(view->SelectedItems().front()->GetName(), std::string("fresh"));

        ClickRow(*view, Row(*view, "only-left.txt"));
        AnswerNextDialog([](QWidget* dialog) {
            QCOMPARE(dialog->windowTitle(), QStringLiteral("Rename"));
            dialog->findChild<QLineEdit*>(QStringLiteral("name"))->setText(QStringLiteral("renamed.txt"));
            Click(dialog->findChild<QPushButton*>(QStringLiteral("ok")));
        });
        QTest::keyClick(&view->Tree(), Qt::Key_F2);
        QTRY_VERIFY_WITH_TIMEOUT(!view->IsBusy(), 30000);
        QVERIFY(Exists(Path("a/renamed.txt")));
        QVERIFY(!Exists(Path("a/only-left.txt")));
        QVERIFY(Row(*view, "renamed.txt").isValid());
        QVERIFY(!Row(*view, "only-left.txt").isValid());

        ClickRow(*view, Row(*view, "renamed.txt"));
        AnswerNextDialog([](QWidget* dialog) {
            QCOMPARE(dialog->windowTitle(), QStringLiteral("Set Attributes"));
            dialog->findChild<QCheckBox*>(QStringLiteral("readOnly"))->setCheckState(Qt::Checked);
            Click(dialog->findChild<QPushButton*>(QStringLiteral("ok")));
        });
        FrameAction("setAttributes")->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(!view->IsBusy(), 30000);
        struct stat st;
        QCOMPARE(::stat(Path("a/renamed.txt").c_str(), &st), 0);
        QCOMPARE(st.st_mode & 0222, 0u);
        const QModelIndex renamed = Row(*view, "renamed.txt");
        QCOMPARE(view->Model()
                     .index(renamed.row(), CFolderCompareModel::ModelColumn(0, COLUMN_ATTRIBUTES))
                     .data()
                     .toString(),
                 QStringLiteral("R---"));
    }

    // The filter dialog: an exclude pattern typed, the methods changed; the
    // comparison runs again under them and the pattern is remembered.
    void FiltersAndMethods() {
        CFolderCompareView* view = OpenFolders();
        QVERIFY(view != nullptr);
        AnswerNextDialog([](QWidget* dialog) {
            QCOMPARE(dialog->windowTitle(), QStringLiteral("Filters"));
            dialog->findChild<QComboBox*>(QStringLiteral("fileExclude"))
                ->setEditText(QStringLiteral("only-*"));
            dialog->findChild<QCheckBox*>(QStringLiteral("methodCrc"))->setChecked(true);
            qobject_cast<QDialog*>(dialog)->accept();
        });
        FrameAction("folderFilters")->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(!view->IsBusy(), 30000);
        QCOMPARE(Names(*view), (QStringList{"sub", "diff.txt", "image.bin", "newer.txt", "same.txt"}));
        // By content the newer file is simply different.
        QCOMPARE(ClassOfRow(Row(*view, "newer.txt")), FolderRowClass::Different);
        QCOMPARE(view->Doc().Request().filters.fileFilters.nameExclude, std::string("only-*"));
        const platform::CRecentFileList* recent =
            AppComponents().Folders().recentFilters.Get(CRecentFilters::FILES_EXCLUDE);
        QVERIFY(recent != nullptr && recent->Count() > 0);
        QCOMPARE((*recent)[0], std::string("only-*"));
        // Filtered rows shown on demand, and hidden again.
        QAction* filtered = FrameAction("showFilteredItems");
        filtered->trigger();
        QVERIFY(filtered->isChecked());
        QVERIFY(Row(*view, "only-left.txt").isValid());
        filtered->trigger();
        QVERIFY(!Row(*view, "only-left.txt").isValid());
        // The CRC is known now, and shown.
        const QModelIndex same = Row(*view, "same.txt");
        QVERIFY(!view->Model()
                     .index(same.row(), CFolderCompareModel::ModelColumn(0, COLUMN_CRC))
                     .data()
                     .toString()
                     .isEmpty());
    }

    // The report of every row opened, saved through its dialog, is the
    // report the headless program writes for the same folders.
    void ReportAsTheProgramWritesIt() {
        CFolderCompareView* view = OpenFolders();
        QVERIFY(view != nullptr);
        FrameAction("expandAll")->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(!view->IsBusy(), 30000);
        QVERIFY(view->Tree().isExpanded(Row(*view, "sub")));
        const QString saved = m_dir->filePath(QStringLiteral("window.html"));
        QString heading;
        AnswerNextDialog([&](QWidget* dialog) {
            QCOMPARE(dialog->windowTitle(), QStringLiteral("Folder Comparison Report"));
            QVERIFY(dialog->findChild<QCheckBox*>(QStringLiteral("justVisible"))->isChecked());
            for (QLabel* label : dialog->findChildren<QLabel*>())
                if (label->text().startsWith(QStringLiteral("Generate"))) heading = label->text();
            AnswerNextDialog([&](QWidget* files) {
                auto* fileDialog = qobject_cast<QFileDialog*>(files);
                QVERIFY(fileDialog != nullptr);
                uitest::ChooseFile(fileDialog, saved);
            });
            Click(dialog->findChild<QPushButton*>(QStringLiteral("save")));
            QTRY_VERIFY_WITH_TIMEOUT(!view->IsBusy(), 30000);
            qobject_cast<QDialog*>(dialog)->reject();
        });
        m_frame->Action(Command::Report)->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(saved) && QApplication::activeModalWidget() == nullptr, 30000);
        QCOMPARE(heading, QStringLiteral("Generate Folder Comparison Report (Html Format)"));

        const QString headless = m_dir->filePath(QStringLiteral("program.html"));
        QProcess program;
        program.start(FromPath(platform::JoinPath(platform::ProgramFolder(), kHeadlessProgram)),
                      {QStringLiteral("--no-gui"), QStringLiteral("--report=") + headless,
                       FromPath(Path("a")), FromPath(Path("b"))});
        QVERIFY(program.waitForFinished(20000));
        QCOMPARE(program.exitCode(), 1);
        // Both were written at a time of their own.
        const auto page = [](const QString& path) {
            QString text = QString::fromStdString(ReadFile(path.toStdString()));
            text.replace(QRegularExpression(QStringLiteral("<!--Generated by [^>]*-->")), QString());
            text.replace(QRegularExpression(QStringLiteral("Producted:</b></td>\r\n<td>[^<]*")), QString());
            return text;
        };
        const QString window = page(saved);
        QVERIFY(window.contains(QStringLiteral("inner.txt")));
        QVERIFY(window.contains(QStringLiteral("<td><b>Result:</b></td>\r\n<td>Different</td>")));
        QCOMPARE(window, page(headless));
    }

    // Set Date/Time from the other side makes the times equal; Compare
    // Contents by CRC then finds the contents different.
    void SetTimeAndCompareContents() {
        CFolderCompareView* view = OpenFolders();
        QVERIFY(view != nullptr);
        ClickRow(*view, Row(*view, "newer.txt"));
        AnswerNextDialog([](QWidget* dialog) {
            QCOMPARE(dialog->windowTitle(), QStringLiteral("Set Date/Time"));
            QVERIFY(dialog->findChild<QRadioButton*>(QStringLiteral("rightSide"))->isChecked());
            QVERIFY(dialog->findChild<QRadioButton*>(QStringLiteral("fromOtherSide"))->isChecked());
            Click(dialog->findChild<QPushButton*>(QStringLiteral("ok")));
        });
        FrameAction("setDateTime")->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(!view->IsBusy(), 30000);
        struct stat st;
        QCOMPARE(::stat(Path("b/newer.txt").c_str(), &st), 0);
        QCOMPARE(st.st_mtime, kTime + 3600);
        QCOMPARE(ClassOfRow(Row(*view, "newer.txt")), FolderRowClass::Identical);

        ClickRow(*view, Row(*view, "newer.txt"));
        AnswerNextDialog([](QWidget* dialog) {
            QCOMPARE(dialog->windowTitle(), QStringLiteral("Compare Contents"));
            dialog->findChild<QRadioButton*>(QStringLiteral("crc"))->setChecked(true);
            Click(dialog->findChild<QPushButton*>(QStringLiteral("ok")));
        });
        FrameAction("compareContents")->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(!view->IsBusy(), 30000);
        QCOMPARE(ClassOfRow(Row(*view, "newer.txt")), FolderRowClass::Different);
    }

    // Copy to Folder copies outside the comparison and remembers the folder;
    // Move to Right moves the file across.
    void CopyToFolderAndMove() {
        CFolderCompareView* view = OpenFolders();
        QVERIFY(view != nullptr);
        ClickRow(*view, Row(*view, "diff.txt"));
        const std::string target = Path("elsewhere");
        AnswerNextDialog([&target](QWidget* dialog) {
            QCOMPARE(dialog->windowTitle(), QStringLiteral("Select Folder"));
            dialog->findChild<QComboBox*>(QStringLiteral("folder"))
                ->setEditText(QString::fromStdString(target));
            Click(dialog->findChild<QPushButton*>(QStringLiteral("ok")));
        });
        FrameAction("copyToFolder")->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(!view->IsBusy(), 30000);
        QCOMPARE(ReadFile(target + "/diff.txt"), std::string("the left version\n"));
        const platform::CRecentFileList* recent = AppComponents().Folders().RecentCopyTargets();
        QVERIFY(recent != nullptr && recent->Count() > 0);
        QCOMPARE((*recent)[0], target);
        QCOMPARE(ClassOfRow(Row(*view, "diff.txt")), FolderRowClass::Different);

        ClickRow(*view, Row(*view, "only-left.txt"));
        QString direction;
        AnswerNextDialog([&direction](QWidget* dialog) {
            QCOMPARE(dialog->windowTitle(), QStringLiteral("Move selected files, folders"));
            auto* right = dialog->findChild<QRadioButton*>(QStringLiteral("toRight"));
            direction = right->text();
            QVERIFY(right->isChecked());
            Click(dialog->findChild<QPushButton*>(QStringLiteral("ok")));
        });
        FrameAction("moveItems")->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(!view->IsBusy(), 30000);
        QCOMPARE(direction, QStringLiteral("Move to &Right"));
        QVERIFY(!Exists(Path("a/only-left.txt")));
        QCOMPARE(ReadFile(Path("b/only-left.txt")), std::string("only on the left\n"));
        QCOMPARE(ClassOfRow(Row(*view, "only-left.txt")), FolderRowClass::RightOnly);
    }

    // "Set as Base Folder" compares the row's folders in the same view, and
    // the window knows the new request; "Up One Level" goes back.
    void ChangingTheComparedFolders() {
        CFolderCompareView* view = OpenFolders();
        QVERIFY(view != nullptr);
        ClickRow(*view, Row(*view, "sub"));
        QVERIFY(m_frame->Action(Command::SetBaseFolder)->isEnabled());
        FrameAction("setBaseFolder")->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(!view->IsBusy(), 30000);
        QCOMPARE(view->Title(), QStringLiteral("sub : sub"));
        QCOMPARE(Names(*view), QStringList{"inner.txt"});
        QCOMPARE(view->findChild<QLabel*>(QStringLiteral("leftRoot"))->text(),
                 QString::fromStdString(Path("a/sub")));
        CFolderCompareParams request;
        request.CopyFrom(view->Doc().Request());
        QCOMPARE(m_frame->OpenRequest(request), static_cast<CDocumentView*>(view));
        QCOMPARE(m_frame->ViewCount(), 1);
        FrameAction("upOneLevel")->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(!view->IsBusy(), 30000);
        QCOMPARE(view->Title(), QStringLiteral("a : b"));
        QCOMPARE(view->Model().rowCount(), 7);
    }

    // Synchronize prepares every level, then hands the document to the
    // wizard, which the window has once a wizard is set; what the wizard
    // changed shows after it.
    void SynchronizeHandsThePreparedDocumentToTheWizard() {
        CFolderCompareView* view = OpenFolders();
        QVERIFY(view != nullptr);
        ClickRow(*view, Row(*view, "same.txt"));
        // Without a wizard the command does nothing.
        SetSyncWizardHook(nullptr);
        m_frame->UpdateCommands();
        QVERIFY(!m_frame->Action(Command::Synchronize)->isEnabled());
        int type = -1;
        bool prepared = false;
        SetSyncWizardHook([&](QWidget* parent, CFolderCompareDoc& doc, int chosen) {
            QCOMPARE(parent, static_cast<QWidget*>(view));
            type = chosen;
            CFolderCompareItem* root = doc.Root();
            for (int i = 0; i < root->GetChildCount(); ++i) {
                CFolderCompareItem* child = root->Child(i);
                if (child->GetName() == "sub") prepared = (child->flags & ITEM_CHILDREN_BUILT) != 0;
                if (child->GetName() == "only-left.txt") {
                    // What the wizard does to an entry of its list.
                    FILEOPCONTEXT context;
                    context.settings = &doc.Context().settings;
                    QCOMPARE(child->CopySide(0, false, context), 0);
                }
            }
        });
        ClickRow(*view, Row(*view, "diff.txt"));
        QVERIFY(m_frame->Action(Command::Synchronize)->isEnabled());
        FrameAction("synchronize")->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(!view->IsBusy(), 30000);
        SetSyncWizardHook(nullptr);
        QCOMPARE(type, int(SYNC_UPDATE_RIGHT));
        QVERIFY(prepared);
        QVERIFY(Exists(Path("b/only-left.txt")));
        QCOMPARE(ClassOfRow(Row(*view, "only-left.txt")), FolderRowClass::Identical);
        QCOMPARE(ClassOfRow(Row(*view, "sub")), FolderRowClass::Identical);
    }

    // The window drawn with its rows: each side's cell in the colour of its
    // state from the folder colour table.
    void Screenshot() {
        CFolderCompareView* view = OpenFolders();
        QVERIFY(view != nullptr);
        view->Tree().expand(Row(*view, "sub"));
        QTRY_VERIFY_WITH_TIMEOUT(!view->IsBusy(), 30000);
        view->Tree().selectionModel()->clearSelection();
        view->Tree().selectionModel()->clearCurrentIndex();
        QTest::qWait(50);
        const QByteArray folder = qgetenv("CORVATINE_SCREENSHOTS");
        if (!folder.isEmpty()) {
            QDir().mkpath(QString::fromLocal8Bit(folder));
            QVERIFY(
                m_frame->grab().save(QString::fromLocal8Bit(folder) + QStringLiteral("/folder-view.png")));
        }
        QTreeView& tree = view->Tree();
        const QImage image = tree.viewport()->grab().toImage();
        const CFolderCompareColors& colors = AppComponents().Folders().colors;
        // Near the right end of a cell, past its text.
        const auto cell = [&](const QString& name, int side, const QModelIndex& parent = QModelIndex()) {
            const QModelIndex row = Row(*view, name, parent);
            const QRect rect =
                tree.visualRect(row.siblingAtColumn(CFolderCompareModel::ModelColumn(side, COLUMN_NAME)));
            return image.pixelColor(rect.right() - 3, rect.center().y());
        };
        QCOMPARE(cell("diff.txt", 0), ToQColor(colors.Get(3)));
        QCOMPARE(cell("diff.txt", 1), ToQColor(colors.Get(3)));
        QCOMPARE(cell("same.txt", 0), ToQColor(colors.Get(1)));
        QCOMPARE(cell("only-left.txt", 0), ToQColor(colors.Get(7)));
        QCOMPARE(cell("only-left.txt", 1), ToQColor(colors.Get(10)));
        QCOMPARE(cell("only-right.txt", 1), ToQColor(colors.Get(7)));
        // The newer side only stands out.
        QCOMPARE(cell("newer.txt", 0), ToQColor(colors.Get(3)));
        QCOMPARE(cell("newer.txt", 1), ToQColor(colors.Get(1)));
        QCOMPARE(cell("inner.txt", 0, Row(*view, "sub")), ToQColor(colors.Get(1)));
        // The status column shows each class's icon: not the column's colour
        // in its middle.
        const QRect status =
            tree.visualRect(Row(*view, "diff.txt").siblingAtColumn(CFolderCompareModel::kStatusColumn));
        bool drawn = false;
        for (int x = status.left(); x <= status.right(); ++x)
            drawn = drawn || image.pixelColor(x, status.center().y()) != ToQColor(colors.Get(0));
        QVERIFY(drawn);

        // Grid lines: the bottom of a cell in the line colour, not the row's.
        const QRect same = tree.visualRect(Row(*view, "same.txt").siblingAtColumn(1));
        const QRgb line = tree.palette().color(QPalette::Mid).rgb();
        QVERIFY(image.pixel(same.center().x(), same.bottom()) != line);
        QAction* grid = FrameAction("showGridLines");
        QVERIFY(!grid->isChecked());
        grid->trigger();
        QVERIFY(grid->isChecked());
        QCOMPARE(AppComponents().Folders().showGridLines, 1);
        const QImage lined = tree.viewport()->grab().toImage();
        QCOMPARE(lined.pixel(same.center().x(), same.bottom()), line);
        QCOMPARE(lined.pixel(same.right(), same.center().y()), line);
    }
};

QTEST_MAIN(FolderViewTest)
#include "FolderViewTest.moc"
