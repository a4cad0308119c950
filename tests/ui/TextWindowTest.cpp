// The text comparison window as a user of other compare tools looks at it
// first: a header above each pane, the status of the comparison, the panes'
// context menu, and finding and going to lines in the middle of the view.
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <fstream>
#include <memory>
#include <string>

#include "UiTestApp.h"
#include "launch/Components.h"
#include "launch/CorvatineApp.h"
#include "textcompare/TextCompareOptions.h"
#include "ui/FileChangeGate.h"
#include "ui/MainFrame.h"
#include "ui/PaneHeader.h"
#include "ui/TextCompareView.h"

using namespace corvatine;
using namespace corvatine::ui;

namespace {

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Many numbered lines, one of them different on the right.
std::string Numbered(int lines, int changed = -1) {
    std::string text;
    for (int i = 1; i <= lines; ++i) text += (i == changed ? "changed " : "line ") + std::to_string(i) + "\n";
    return text;
}

}  // namespace

class TextWindowTest : public QObject {
    Q_OBJECT

private:
    std::string Write(const std::string& name, const std::string& bytes) {
        const std::string path = m_dir->filePath(QString::fromStdString(name)).toStdString();
        QDir().mkpath(QFileInfo(QString::fromStdString(path)).absolutePath());
        std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
        return path;
    }
    CTextCompareView* OpenPair(const std::string& leftName, const std::string& left,
                               const std::string& rightName, const std::string& right) {
        CTextCompareParams request;
        request.sides[0].path = Write(leftName, left);
        request.sides[1].path = Write(rightName, right);
        request.rules = 0;
        auto* view = qobject_cast<CTextCompareView*>(m_frame->OpenRequest(request));
        if (view != nullptr) QTest::qWait(0);
        return view;
    }
    // The label of the status bar the view fills.
    QString Status() {
        m_frame->UpdateCommands();
        return m_frame->findChild<QLabel*>(QStringLiteral("statusText"))->text();
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
        while (m_frame->ViewCount() > 0) m_frame->CloseView(m_frame->View(0), false);
        m_frame.reset();
    }

    // The notices one save raises are told once; notices of the file that
    // come while it is being dealt with (a question open) are not told again,
    // those of another file are.
    void ChangesOfAFileAreToldOncePerSave() {
        std::vector<std::string> told;
        CFileChangeGate* gate = nullptr;
        gate = new CFileChangeGate(
            [&](const std::string& path) {
                told.push_back(path);
                if (path != "a") return;
                // As a question's own event loop does, while more notices come.
                gate->Changed("a");
                gate->Changed("b");
                QTest::qWait(CFileChangeGate::kSettleMilliseconds * 2);
            },
            m_frame.get());
        for (int i = 0; i < 3; ++i) gate->Changed("a");
        QVERIFY(told.empty());  // not before the file settled
        QTRY_COMPARE(told, (std::vector<std::string>{"a", "b"}));
        QTest::qWait(CFileChangeGate::kSettleMilliseconds * 2);
        QCOMPARE(told.size(), size_t{2});
        delete gate;
    }

    // Two files of one name in different folders: each header shows its
    // whole path, elided in the middle when narrow, with its encoding and
    // line endings; a read-only side and a modified one say so.
    void HeadersTellTheSidesApart() {
        const std::string deep = "a/rather/long/folder/name/that/goes/on/and/on/";
        CTextCompareView* view = OpenPair("release-1/" + deep + "deflate.c", "one\r\ntwo\r\n",
                                          "release-2/" + deep + "deflate.c", "one\ntwo\nthree\n");
        QVERIFY(view != nullptr);
        CPaneHeader& left = view->Header(0);
        CPaneHeader& right = view->Header(1);
        QCOMPARE(left.Path(), QString::fromStdString(view->Doc().Request().sides[0].path));
        QVERIFY(left.Details().contains(QStringLiteral("UTF-8")));
        QVERIFY(left.Details().contains(QStringLiteral("CRLF")));
        QVERIFY(right.Details().contains(QStringLiteral("LF")));
        QVERIFY(!right.Details().contains(QStringLiteral("CRLF")));
        // Narrow, the middle of the folders goes, never the file's name, nor
        // the folder that tells the two apart.
        m_frame->resize(900, 400);
        QTest::qWait(20);
        const QString shown = left.ShownPath();
        QVERIFY(shown.contains(QChar(0x2026)));
        QVERIFY(shown.endsWith(QStringLiteral("/deflate.c")));
        QVERIFY(shown.contains(QStringLiteral("release-1")));
        QVERIFY(right.ShownPath().contains(QStringLiteral("release-2")));

        view->Doc().SetSideReadOnly(1, true);
        view->Pane(0).setFocus();
        view->Pane(0).SetCaret({0, 0});
        QTest::keyClicks(&view->Pane(0), "x");
        QVERIFY(left.Path().endsWith(QStringLiteral(" *")));
        QVERIFY(right.Details().contains(QStringLiteral("Read-only")));
    }

    // A comparison opens on its first difference and the status bar counts.
    void TheStatusCountsTheDifferences() {
        CTextCompareView* view = OpenPair("l.txt", "a\nb\nc\nd\ne\n", "r.txt", "a\nB\nc\nD\ne\n");
        QVERIFY(view != nullptr);
        QCOMPARE(view->Doc().GetCurrentSection(), 0);
        QVERIFY(Status().startsWith(QStringLiteral("Difference 1 of 2")));
        QTest::keyClick(&view->Pane(0), Qt::Key_Down, Qt::AltModifier);
        QVERIFY(Status().startsWith(QStringLiteral("Difference 2 of 2")));
        view->Pane(0).SetCaret({0, 2});
        QVERIFY(Status().startsWith(QStringLiteral("2 differences")));
    }

    // The pane's context menu offers the copy to the other side, the
    // clipboard and Go To Line; a right click puts the caret on what was
    // clicked, and the copy works on that difference.
    void TheContextMenuCopiesWhatWasClicked() {
        CTextCompareView* view =
            OpenPair("l.txt", "a\nleft 1\nb\nleft 2\nc\n", "r.txt", "a\nright 1\nb\nright 2\nc\n");
        QVERIFY(view != nullptr);
        QCOMPARE(view->Doc().GetCurrentSection(), 0);
        CTextPane& right = view->Pane(1);
        QStringList entries;
        QAction* copy = nullptr;
        QTimer::singleShot(50, [&] {
            auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            QVERIFY(menu != nullptr);
            for (QAction* action : menu->actions()) {
                if (action->isSeparator()) continue;
                entries << action->text();
                if (action->objectName() == QStringLiteral("copyToLeft")) copy = action;
            }
            menu->close();
        });
        const QPoint point = right.RowRect(3).center();
        QContextMenuEvent event(QContextMenuEvent::Mouse, point, right.mapToGlobal(point));
        QApplication::sendEvent(&right, &event);
        QVERIFY(entries.contains(QStringLiteral("Copy to &Left")));
        QVERIFY(entries.contains(QStringLiteral("&Paste")));
        QVERIFY(entries.contains(QStringLiteral("&Go To Line...")));
        QVERIFY(!entries.contains(QStringLiteral("Copy to &Right")));
        QCOMPARE(right.Caret().y, 3);
        QCOMPARE(view->Doc().GetCurrentSection(), 1);
        QVERIFY(copy != nullptr && copy->isEnabled());
        copy->trigger();
        view->Doc().SaveSide(0);
        QCOMPARE(ReadFile(view->Doc().Request().sides[0].path), std::string("a\nleft 1\nb\nright 2\nc\n"));
    }

    // File > Reopen with Encoding reads the active side again in the code
    // page chosen; the header says which, the other side keeps its edits.
    void ASideIsReopenedInAnotherEncoding() {
        CTextCompareView* view =
            OpenPair("latin1.txt", "caf\xe9 cr\xe8me\nna\xefve\n", "utf8.txt", "caf\xc3\xa9 cr\xc3\xa8me\n");
        QVERIFY(view != nullptr);
        view->Pane(1).setFocus();
        view->Pane(1).SetCaret({0, 0});
        QTest::keyClicks(&view->Pane(1), "x");
        view->Pane(0).setFocus();
        m_frame->UpdateCommands();
        QVERIFY(m_frame->Action(Command::ReopenWithEncoding)->isEnabled());
        const auto choose = [](int codePage) {
            uitest::AnswerNextDialog([codePage](QWidget* dialog) {
                auto* encoding = dialog->findChild<QComboBox*>(QStringLiteral("encoding"));
                QVERIFY(encoding != nullptr);
                const int index = encoding->findData(codePage);
                QVERIFY(index >= 0);
                encoding->setCurrentIndex(index);
                qobject_cast<QDialog*>(dialog)->accept();
            });
        };
        choose(1251);  // Cyrillic: the same bytes read otherwise
        m_frame->Action(Command::ReopenWithEncoding)->trigger();
        QCOMPARE(QString::fromStdString(view->Doc().GetSide(0).GetLine(0).Text()),
                 QStringLiteral("caf\u0439 cr\u0438me\n"));
        QVERIFY(view->Header(0).Details().contains(QStringLiteral("1251")));
        choose(28591);
        m_frame->Action(Command::ReopenWithEncoding)->trigger();
        QCOMPARE(QString::fromStdString(view->Doc().GetSide(0).GetLine(0).Text()),
                 QStringLiteral("caf\u00e9 cr\u00e8me\n"));
        QVERIFY(view->Header(0).Details().contains(QStringLiteral("ISO-8859-1")));
        // The right side keeps its edit.
        QCOMPARE(QString::fromStdString(view->Doc().GetSide(1).GetLine(0).Text()),
                 QStringLiteral("xcaf\u00e9 cr\u00e8me\n"));
        QVERIFY(view->Doc().GetSide(1).IsModified());
        // Unchanged, the side keeps its bytes.
        QVERIFY(!view->Doc().GetSide(0).IsModified());
        QCOMPARE(ReadFile(view->Doc().Request().sides[0].path), std::string("caf\xe9 cr\xe8me\nna\xefve\n"));
    }

    // File > New Comparison from Clipboard: the clipboard's text against an
    // empty side to paste into, saved where the user says; or against a file.
    void TheClipboardIsComparedWithAnEmptySideOrAFile() {
        QApplication::clipboard()->setText(QStringLiteral("one\ntwo\n"));
        auto* view = qobject_cast<CTextCompareView*>(m_frame->CompareClipboard(false));
        QVERIFY(view != nullptr);
        QCOMPARE(view->Title(), QStringLiteral("Clipboard : Untitled"));
        QCOMPARE(view->Doc().GetDifferenceCount(), 1);
        QCOMPARE(view->Header(0).Path(), QStringLiteral("Clipboard"));
        CTextPane& right = view->Pane(1);
        right.setFocus();
        right.SetCaret({0, 0});
        QTest::keyClick(&right, Qt::Key_V, Qt::ControlModifier);
        QVERIFY(view->Doc().IsIdentical());
        QCOMPARE(view->Title(), QStringLiteral("Clipboard : Untitled *"));
        const std::string saved = m_dir->filePath(QStringLiteral("pasted.txt")).toStdString();
        uitest::AnswerNextDialog([&saved](QWidget* dialog) {
            auto* path = dialog->findChild<QLineEdit*>(QStringLiteral("path"));
            if (path != nullptr) path->setText(QString::fromStdString(saved));
            auto* files = qobject_cast<QFileDialog*>(dialog);
            if (files != nullptr)
                uitest::ChooseFile(files, QString::fromStdString(saved));
            else
                qobject_cast<QDialog*>(dialog)->accept();
        });
        m_frame->Action(Command::SaveRight)->trigger();
        QCOMPARE(ReadFile(saved), std::string("one\ntwo\n"));
        QCOMPARE(view->Title(), QStringLiteral("Clipboard : pasted.txt"));

        const std::string file = Write("file.txt", "one\n2\n");
        uitest::AnswerNextDialog([&file](QWidget* dialog) {
            uitest::ChooseFile(qobject_cast<QFileDialog*>(dialog), QString::fromStdString(file));
        });
        auto* withFile = qobject_cast<CTextCompareView*>(m_frame->CompareClipboard(true));
        QVERIFY(withFile != nullptr);
        QCOMPARE(withFile->Title(), QStringLiteral("Clipboard : file.txt"));
        QCOMPARE(withFile->Doc().GetDifferenceCount(), 1);
    }

    // A match the Find dialog finds stands in the middle of the view, and the
    // dialog gets out of its way; Go To Line does the same for its line.
    void FoundLinesStandInTheMiddle() {
        CTextCompareView* view = OpenPair("l.txt", Numbered(2000), "r.txt", Numbered(2000, 1500));
        QVERIFY(view != nullptr);
        CTextPane& left = view->Pane(0);
        left.setFocus();
        left.SetCaret({0, 0});
        const auto middle = [&](int row) {
            const int first = view->FirstRow(), rows = left.VisibleRows();
            return row >= first + rows / 2 - 2 && row <= first + rows / 2 + 2;
        };
        bool found = false, clear = false;
        uitest::AnswerNextDialog([&](QWidget* dialog) {
            dialog->findChild<QComboBox*>(QStringLiteral("findWhat"))
                ->setEditText(QStringLiteral("line 1234"));
            // The dialog where the match will be.
            dialog->move(left.mapToGlobal(QPoint(0, left.height() / 2 - 10)));
            dialog->findChild<QPushButton*>(QStringLiteral("findNext"))->click();
            found = left.Caret().y == 1233 && middle(1233);
            const QRect row(left.mapToGlobal(left.RowRect(1233).topLeft()), left.RowRect(1233).size());
            clear = !dialog->frameGeometry().intersects(row);
            qobject_cast<QDialog*>(dialog)->reject();
        });
        m_frame->Action(Command::Find)->trigger();
        QVERIFY(found);
        QVERIFY(clear);

        uitest::AnswerNextDialog([](QWidget* dialog) {
            dialog->findChild<QSpinBox*>(QStringLiteral("line"))->setValue(321);
            qobject_cast<QDialog*>(dialog)->accept();
        });
        m_frame->Action(Command::GoToLine)->trigger();
        QCOMPARE(left.Caret().y, 320);
        QVERIFY(middle(320));
        // The line gone to stands out from the rows around it, once the
        // window is active again after the dialog.
        m_frame->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_frame.get()));
        left.setFocus();
        QTRY_VERIFY(left.hasFocus());
        const QImage image = left.grab().toImage();
        const auto pixel = [&](int row) {
            return image.pixelColor(left.width() - 20, left.RowRect(row).center().y());
        };
        QVERIFY(pixel(320) != pixel(319));
        QCOMPARE(pixel(319), pixel(321));
    }
};

QTEST_MAIN(TextWindowTest)
#include "TextWindowTest.moc"
