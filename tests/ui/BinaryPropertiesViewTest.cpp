// The binary view's properties, files dropped on its panes, and its
// report, driven as a user drives them.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QMimeData>
#include <QProcess>
#include <QPushButton>
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
#include "launch/CorvatineApp.h"
#include "ui/ActiveColors.h"
#include "ui/BinaryPropertiesDialog.h"
#include "ui/FindReplaceDialog.h"
#include "ui/FolderCompareModel.h"
#include "ui/FolderCompareView.h"
#include "ui/HexCompareView.h"
#include "ui/MainFrame.h"
#include "ui/TextCompareView.h"
#include "ui/TextEditView.h"

using namespace corvatine;
using namespace corvatine::ui;

namespace {

using uitest::AnswerNextDialog;

template <typename T>
T* Child(QWidget* dialog, const char* name) {
    return dialog->findChild<T*>(QString::fromLatin1(name));
}

}  // namespace

class BinaryPropertiesViewTest : public QObject, public uitest::CMainFrameFixture {
    Q_OBJECT

private:
    std::string Path(const std::string& name) const {
        return m_dir->filePath(QString::fromStdString(name)).toStdString();
    }
    CHexCompareView* CompareBinary(const std::string& left, const std::string& right) {
        CBinaryCompareParams request;
        request.sides[0].path = Write("left.bin", left);
        request.sides[1].path = Write("right.bin", right);
        auto* view = qobject_cast<CHexCompareView*>(m_frame->OpenRequest(request));
        if (view != nullptr && !QTest::qWaitFor([view] { return BinaryListed(view); }, 20000)) return nullptr;
        return view;
    }
    static bool BinaryListed(CHexCompareView* view) {
        return view->Doc().State() != BINARY_COMPARING && view->Differences().Complete();
    }

private slots:
    void initTestCase() { StartApp(); }
    void cleanupTestCase() { StopApp(); }
    void init() {
        m_dir = std::make_unique<QTemporaryDir>();
        NewFrame(QSize(1000, 600));
    }
    void cleanup() { TearDown(); }

    // "Comparison Properties" shows both files' sizes and times, the result
    // and the differing ranges and bytes; OK applies a read-only box at once
    // and loads a side whose path was changed.
    void BinaryComparisonProperties() {
        CHexCompareView* view = CompareBinary("ABCDEFGH", "AXCDEYYHZZ");
        QVERIFY(view != nullptr);
        m_frame->UpdateCommands();
        QAction* properties = m_frame->Action(Command::ComparisonProperties);
        QVERIFY(properties->isEnabled());
        QCOMPARE(properties->statusTip(), QStringLiteral("Show the properties of the current comparison"));
        const std::string other = Write("other.bin", "ABCDEFGH");
        QString sizes[2], time, result, differences;
        AnswerNextDialog([&](QWidget* dialog) {
            QCOMPARE(dialog->windowTitle(), QStringLiteral("Comparison Properties"));
            sizes[0] = Child<QLabel>(dialog, "leftSize")->text();
            sizes[1] = Child<QLabel>(dialog, "rightSize")->text();
            time = Child<QLabel>(dialog, "rightTime")->text();
            result = Child<QLabel>(dialog, "result")->text();
            differences = Child<QLabel>(dialog, "differences")->text();
            QCOMPARE(Child<QLineEdit>(dialog, "leftPath")->text(),
                     QString::fromStdString(view->Doc().Params().sides[0].path));
            QVERIFY(!Child<QCheckBox>(dialog, "rightReadOnly")->isChecked());
            Child<QCheckBox>(dialog, "rightReadOnly")->setChecked(true);
            Child<QLineEdit>(dialog, "leftPath")->setText(QString::fromStdString(other));
            static_cast<QDialog*>(dialog)->accept();
        });
        properties->trigger();
        QCOMPARE(sizes[0], QStringLiteral("8 bytes"));
        QCOMPARE(sizes[1], QStringLiteral("10 bytes"));
        QCOMPARE(time, FileTimeText(view->Doc().Params().sides[1].path));
        QVERIFY(time.startsWith(QStringLiteral("20")));
        QCOMPARE(result, QStringLiteral("Different"));
        // B/X, F G/Y Y, and the two bytes only the right has.
        QCOMPARE(differences, QStringLiteral("3 ranges, 5 bytes"));
        QVERIFY(view->Doc().Side(1).IsReadOnly());
        QVERIFY((view->Doc().Params().sides[1].flags & SIDE_READ_ONLY) != 0);
        QCOMPARE(view->Doc().Params().sides[0].path, other);
        QTRY_VERIFY_WITH_TIMEOUT(BinaryListed(view), 20000);
        QCOMPARE(view->Differences().Ranges().size(), size_t{3});
        QVERIFY(view->Doc().Side(1).IsReadOnly());  // kept across the load
    }

    // A file dropped on the right pane replaces the right side; the left
    // keeps its contents; the comparison is made again.
    void DroppedFileReplacesTheSide() {
        CHexCompareView* view = CompareBinary("same bytes", "other byte");
        QVERIFY(view != nullptr);
        QVERIFY(view->Differences().Ranges().size() > 0);
        const std::string dropped = Write("dropped.bin", "same bytes");
        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(QString::fromStdString(dropped))});
        const QPoint at = view->Pane(1).geometry().center();
        QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(view, &enter);
        QVERIFY(enter.isAccepted());
        QDropEvent drop(QPointF(at), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(view, &drop);
        QVERIFY(drop.isAccepted());
        QCOMPARE(view->Doc().Params().sides[1].path, dropped);
        QTRY_VERIFY_WITH_TIMEOUT(BinaryListed(view), 20000);
        QVERIFY(view->Differences().Ranges().empty());
        QCOMPARE(view->Doc().State(), static_cast<int>(BINARY_IDENTICAL));
        QVERIFY(view->Title().contains(QStringLiteral("dropped.bin")));
        // A folder is not taken as a side: it goes on to the window, which
        // offers a new comparison with it, and the side stays as it was.
        QMimeData folder;
        folder.setUrls({QUrl::fromLocalFile(m_dir->path())});
        QDragEnterEvent folderEnter(at, Qt::CopyAction, &folder, Qt::LeftButton, Qt::NoModifier);
        folderEnter.ignore();
        QApplication::sendEvent(view, &folderEnter);
        QVERIFY(folderEnter.isAccepted());  // by the window, not the view
        QDropEvent folderDrop(QPointF(at), Qt::CopyAction, &folder, Qt::LeftButton, Qt::NoModifier);
        bool offered = false;
        AnswerNextDialog([&](QWidget* dialog) {
            offered = qobject_cast<QDialog*>(dialog) != nullptr;
            static_cast<QDialog*>(dialog)->reject();
        });
        QApplication::sendEvent(view, &folderDrop);
        QTRY_VERIFY_WITH_TIMEOUT(offered, 30000);
        QCOMPARE(view->Doc().Params().sides[1].path, dropped);
    }

    // The report of a binary comparison names both files and lists the
    // ranges as the command line's --format=ranges does: the two agree
    // byte for byte, for a pair that differs and for one that does not.
    void BinaryReportListsTheRangesAsTheCommandLine() {
        const std::pair<std::string, std::string> pairs[] = {
            {std::string("\x00\x01\x02\x03head", 8) + std::string(300, 'x') + "tail",
             std::string("\x00\x09\x02\x03HEAD", 8) + std::string(300, 'x')},
            {"same", "same"}};
        int made = 0;
        for (const auto& [left, right] : pairs) {
            CHexCompareView* view = CompareBinary(left, right);
            QVERIFY(view != nullptr);
            m_frame->UpdateCommands();
            QAction* report = m_frame->Action(Command::Report);
            QVERIFY(report->isEnabled());
            const std::string target = Path("report" + std::to_string(++made) + ".txt");
            AnswerNextDialog([&](QWidget* dialog) {
                auto* files = qobject_cast<QFileDialog*>(dialog);
                QVERIFY(files != nullptr);
                QCOMPARE(files->windowTitle(), QStringLiteral("Report"));
                uitest::ChooseFile(files, QString::fromStdString(target));
            });
            report->trigger();
            const std::string written = ReadFile(target);
            const std::string head = "Left: " + view->Doc().Params().sides[0].path +
                                     "\nRight: " + view->Doc().Params().sides[1].path + "\n\n";
            QVERIFY2(written.rfind(head, 0) == 0, written.c_str());

            QProcess program;
            program.start(QCoreApplication::applicationDirPath() + QStringLiteral("/corvatine"),
                          {QStringLiteral("-t:b"), QString::fromStdString(view->Doc().Params().sides[0].path),
                           QString::fromStdString(view->Doc().Params().sides[1].path)});
            QVERIFY(program.waitForFinished(20000));
            QCOMPARE(program.exitCode(), left == right ? 0 : 1);
            const std::string expected = program.readAllStandardOutput().toStdString();
            QVERIFY(!expected.empty());
            QCOMPARE(written.substr(head.size()), expected);
            m_frame->CloseView(view);
        }
    }
};

QTEST_MAIN(BinaryPropertiesViewTest)
#include "BinaryPropertiesViewTest.moc"
