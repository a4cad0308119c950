// Files and folders dropped on the window and on the New Comparison dialog,
// driven as a user drives them.
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

class MainFrameDropsTest : public QObject, public uitest::CMainFrameFixture {
    Q_OBJECT

private:
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

private slots:
    void initTestCase() { StartApp(); }
    void cleanupTestCase() { StopApp(); }
    void init() { SetUp(); }
    void cleanup() { TearDown(); }

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
};

QTEST_MAIN(MainFrameDropsTest)
#include "MainFrameDropsTest.moc"
