// Highlight All in the text views, Replace inside a text comparison, and the
// export of a comparison side, driven as a user drives them.
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
using Marks = std::vector<std::pair<CPoint, CPoint>>;

template <typename T>
T* Child(QWidget* dialog, const char* name) {
    return dialog->findChild<T*>(QString::fromLatin1(name));
}

// Every match of a search as the engine finds them one after another with
// the view's own search state: each search starts where the last match ended.
Marks EngineMatches(CSyntaxEditContext& context, const std::string& text, uint32_t flags) {
    Marks matches;
    CFindReplace finder(context);
    CPoint start{0, 0}, position;
    const CPoint end = CFindReplace::TextEnd(context);
    while (!(start == end) && finder.SearchText(text, start, CPoint{0, 0}, end, flags, false, position)) {
        matches.emplace_back(finder.GetLastSearch().matchStart, finder.GetLastSearch().matchEnd);
        start = finder.GetLastSearch().matchEnd;
    }
    return matches;
}

// The page without its second line, which holds the time it was made.
std::string WithoutStamp(const std::string& page) {
    const size_t first = page.find('\n');
    const size_t second = page.find('\n', first + 1);
    if (first == std::string::npos || second == std::string::npos) return page;
    return page.substr(0, first + 1) + page.substr(second + 1);
}

using uitest::ScreenshotFolder;

}  // namespace

class TextSearchViewTest : public QObject, public uitest::CMainFrameFixture {
    Q_OBJECT

private:
    CTextCompareView* Compare(const std::string& left, const std::string& right) {
        CTextCompareParams request;
        request.sides[0].path = Write("left.txt", left);
        request.sides[1].path = Write("right.txt", right);
        auto* view = qobject_cast<CTextCompareView*>(m_frame->OpenRequest(request));
        if (view != nullptr) QTest::qWait(0);
        return view;
    }
    void Focus(CTextCompareView* view, int side) {
        view->Pane(side).setFocus();
        QTRY_COMPARE_WITH_TIMEOUT(view->ActiveSide(), side, 30000);
        m_frame->UpdateCommands();
    }
    // Opens the dialog of a command and lets answer work in it while it is up.
    void InDialog(Command command, std::function<void(QWidget*)> answer) {
        AnswerNextDialog([answer](QWidget* dialog) {
            answer(dialog);
            if (auto* box = qobject_cast<QDialog*>(dialog); box != nullptr && box->isVisible()) box->reject();
        });
        m_frame->Action(command)->trigger();
    }
    // The export of the active document to target (".html" is added).
    void ExportTo(const std::string& target) {
        m_frame->UpdateCommands();
        QVERIFY(m_frame->Action(Command::ExportHtml)->isEnabled());
        InDialog(Command::ExportHtml, [&](QWidget* dialog) {
            auto* files = qobject_cast<QFileDialog*>(dialog);
            QVERIFY(files != nullptr);
            uitest::ChooseFile(files, QString::fromStdString(target));
        });
    }

private slots:
    void initTestCase() { StartApp(); }
    void cleanupTestCase() { StopApp(); }
    void init() {
        m_dir = std::make_unique<QTemporaryDir>();
        NewFrame(QSize(1000, 600));
    }
    void cleanup() { TearDown(); }

    // "&Highlight All" in a comparison marks every match in both panes, the
    // same ranges the engine finds, drawn in the mark colour; a new search,
    // Escape and an edit clear the marks.
    void HighlightAllMarksEveryMatchInBothPanes() {
        CTextCompareView* view =
            Compare("alpha beta\nbeta gamma beta\nsame line\n", "beta\nsame line\nx Beta beta\nbetabeta\n");
        QVERIFY(view != nullptr);
        Focus(view, 1);
        bool shot = false;
        InDialog(Command::Find, [&](QWidget* dialog) {
            auto* highlight = Child<QPushButton>(dialog, "highlightAll");
            QVERIFY(highlight != nullptr);
            QCOMPARE(highlight->text(), QStringLiteral("&Highlight All"));
            Child<QComboBox>(dialog, "findWhat")->setEditText(QString());
            QVERIFY(!highlight->isEnabled());
            Child<QComboBox>(dialog, "findWhat")->setEditText(QStringLiteral("beta"));
            Child<QCheckBox>(dialog, "matchCase")->setChecked(true);
            QVERIFY(highlight->isEnabled());
            highlight->click();
            QVERIFY(!dialog->isVisible());  // the marks are shown, the dialog is done
        });
        for (int side = 0; side < 2; ++side) {
            CTextPane& pane = view->Pane(side);
            const Marks engine = EngineMatches(pane.Context(), "beta", FIND_MATCH_CASE);
            QCOMPARE(pane.Marks(), engine);
        }
        // "Beta" does not count with "Match &case"; rows are the panes' own.
        const CTextCompareObject& right = view->Doc().GetSide(1);
        QCOMPARE(static_cast<int>(view->Pane(1).Marks().size()), 4);
        QCOMPARE(static_cast<int>(view->Pane(0).Marks().size()), 3);
        const int row = view->Pane(1).Marks()[1].first.y;
        QCOMPARE(std::string(right.GetLine(row).Characters()), std::string("x Beta beta"));
        QCOMPARE(view->Pane(1).Marks()[1].first.x, 7);
        // The search itself selected the first match of the focused side.
        QCOMPARE(view->Pane(1).SelectedText(), std::string("beta"));

        // Drawn: the marked cells in the mark colour, the unmarked "Beta" not.
        CTextPane& pane = view->Pane(1);
        pane.SetCaret({0, row});  // away from the selection
        QTest::qWait(20);
        const QImage image = pane.grab().toImage();
        const QPoint marked = pane.PointOf({8, row});
        const QPoint plain = pane.PointOf({3, row});
        const QColor mark = SchemeColor(ActiveColors().markBackground);
        // The top edge of the cell: background, never a glyph.
        QCOMPARE(image.pixelColor(marked.x() + 1, marked.y() - pane.LineHeight() / 2 + 1), mark);
        QVERIFY(image.pixelColor(plain.x() + 1, plain.y() - pane.LineHeight() / 2 + 1) != mark);
        const QString folder = ScreenshotFolder();
        if (!folder.isEmpty()) shot = view->grab().save(folder + QStringLiteral("/highlight-all.png"));
        if (!folder.isEmpty()) QVERIFY(shot);

        // Escape clears the pane it is pressed in.
        pane.setFocus();
        QTest::keyClick(&pane, Qt::Key_Escape);
        QVERIFY(pane.Marks().empty());
        QVERIFY(!view->Pane(0).Marks().empty());
        QTest::qWait(20);
        QVERIFY(pane.grab().toImage().pixelColor(marked.x() + 1, marked.y() - pane.LineHeight() / 2 + 1) !=
                mark);
        // A new search clears both.
        InDialog(Command::Find, [&](QWidget* dialog) {
            Child<QComboBox>(dialog, "findWhat")->setEditText(QStringLiteral("beta"));
            Child<QPushButton>(dialog, "highlightAll")->click();
        });
        QVERIFY(!view->Pane(0).Marks().empty() && !pane.Marks().empty());
        InDialog(Command::Find, [&](QWidget* dialog) {
            Child<QComboBox>(dialog, "findWhat")->setEditText(QStringLiteral("same"));
            Child<QPushButton>(dialog, "findNext")->click();
            Child<QPushButton>(dialog, "cancel")->click();
        });
        QVERIFY(view->Pane(0).Marks().empty() && pane.Marks().empty());
        // An edit clears them too.
        InDialog(Command::Find, [&](QWidget* dialog) {
            Child<QComboBox>(dialog, "findWhat")->setEditText(QStringLiteral("line"));
            Child<QPushButton>(dialog, "highlightAll")->click();
        });
        QCOMPARE(static_cast<int>(pane.Marks().size()), 1);
        pane.SetCaret({0, 0});
        QVERIFY(pane.TypeText("z"));
        QVERIFY(view->Pane(0).Marks().empty() && pane.Marks().empty());
    }

    // In the editor, an expression without case marks what the engine finds,
    // and a pattern joined over a line break marks across it.
    void HighlightAllInTheEditorFollowsTheSearchFlags() {
        auto* view = qobject_cast<CTextEditView*>(
            m_frame->OpenFile(Write("notes.txt", "Key = 1\nkey=22\nno k here\nKEY =333\n")));
        QVERIFY(view != nullptr);
        QTest::qWait(0);
        InDialog(Command::Find, [&](QWidget* dialog) {
            Child<QCheckBox>(dialog, "regularExpression")->setChecked(true);
            Child<QComboBox>(dialog, "findWhat")->setEditText(QStringLiteral("key *= *\\d+"));
            Child<QPushButton>(dialog, "highlightAll")->click();
        });
        CTextPane& pane = view->Pane();
        const Marks engine = EngineMatches(pane.Context(), "key *= *\\d+", FIND_REGEXP);
        QCOMPARE(pane.Marks(), engine);
        QCOMPARE(pane.Marks(), (Marks{{{0, 0}, {7, 0}}, {{0, 1}, {6, 1}}, {{0, 3}, {8, 3}}}));
        InDialog(Command::Find, [&](QWidget* dialog) {
            Child<QCheckBox>(dialog, "regularExpression")->setChecked(true);
            Child<QComboBox>(dialog, "findWhat")->setEditText(QStringLiteral("2\\nno"));
            Child<QPushButton>(dialog, "highlightAll")->click();
        });
        QCOMPARE(pane.Marks(), (Marks{{{5, 1}, {2, 2}}}));
        // An empty match steps on: one at each line's start, none repeated,
        // none at the end of the text.
        QCOMPARE(FindAllMatches(pane.Context(), "^", FIND_REGEXP),
                 (Marks{{{0, 0}, {0, 0}}, {{0, 1}, {0, 1}}, {{0, 2}, {0, 2}}, {{0, 3}, {0, 3}}}));
    }

    // Replace All on the focused right side of a comparison with placeholder
    // rows edits the real lines through the document: the comparison is made
    // again, the side is modified, one Undo takes back every replacement, and
    // the saved file holds the replacements.
    void ReplaceAllOnTheRightSideSavesTheFile() {
        CTextCompareView* view =
            Compare("one\ntwo\nthree\nfour\nfoo end\n", "one\nfoo x foo\nfour\nfoo end\n");
        QVERIFY(view != nullptr);
        Focus(view, 1);
        QVERIFY(m_frame->Action(Command::Replace)->isEnabled());
        QVERIFY(view->Doc().GetDifferenceCount() > 0);
        InDialog(Command::Replace, [&](QWidget* dialog) {
            QCOMPARE(dialog->windowTitle(), QStringLiteral("Replace"));
            Child<QComboBox>(dialog, "findWhat")->setEditText(QStringLiteral("foo"));
            Child<QComboBox>(dialog, "replaceWith")->setEditText(QStringLiteral("bar"));
            QVERIFY(Child<QPushButton>(dialog, "replaceAll")->isEnabled());
            Child<QPushButton>(dialog, "replaceAll")->click();
            Child<QPushButton>(dialog, "cancel")->click();
        });
        CTextCompareObject& right = view->Doc().GetSide(1);
        QVERIFY(right.IsModified());
        QVERIFY(!view->Doc().GetSide(0).IsModified());
        // The comparison was made again: the last lines differ now.
        QVERIFY(view->Doc().GetDifferenceCount() > 0);
        m_frame->UpdateCommands();
        QVERIFY(m_frame->Action(Command::SaveRight)->isEnabled());
        m_frame->Action(Command::SaveRight)->trigger();
        const std::string path = view->Doc().Request().sides[1].path;
        QCOMPARE(ReadFile(path), std::string("one\nbar x bar\nfour\nbar end\n"));
        QVERIFY(!right.IsModified());
        QCOMPARE(m_frame->statusBar()->currentMessage(), QStringLiteral("3 occurrences replaced"));
        // Every replacement goes with one undo, named by the command.
        m_frame->UpdateCommands();
        QCOMPARE(m_frame->Action(Command::Undo)->text(), QStringLiteral("&Undo Replace All"));
        m_frame->Action(Command::Undo)->trigger();
        QVERIFY(right.IsModified());
        m_frame->Action(Command::SaveRight)->trigger();
        QCOMPARE(ReadFile(path), std::string("one\nfoo x foo\nfour\nfoo end\n"));
    }

    // Replace replaces the match the dialog selected on the real line behind
    // the row, after placeholder rows, and finds the next one.
    void ReplaceOneAfterPlaceholderRows() {
        CTextCompareView* view = Compare("a\nb\nc\nd\nkey 1\n", "a\nkey 2\nd\nkey 3\n");
        QVERIFY(view != nullptr);
        Focus(view, 1);
        InDialog(Command::Replace, [&](QWidget* dialog) {
            Child<QComboBox>(dialog, "findWhat")->setEditText(QStringLiteral("key"));
            Child<QComboBox>(dialog, "replaceWith")->setEditText(QStringLiteral("lock"));
            view->Pane(1).SetCaret({0, view->Doc().GetSide(1).RealLineToRow(2)});
            Child<QPushButton>(dialog, "findNext")->click();  // "key 3"
            QCOMPARE(view->Pane(1).SelectedText(), std::string("key"));
            Child<QPushButton>(dialog, "replace")->click();
            // On to "key 2", wrapped round.
            QCOMPARE(view->Pane(1).SelectedText(), std::string("key"));
            QCOMPARE(view->Doc().GetSide(1).RowToRealLine(view->Pane(1).Caret().y), 1);
            Child<QPushButton>(dialog, "cancel")->click();
        });
        m_frame->Action(Command::SaveRight)->trigger();
        QCOMPARE(ReadFile(view->Doc().Request().sides[1].path), std::string("a\nkey 2\nd\nlock 3\n"));
        QCOMPARE(ReadFile(view->Doc().Request().sides[0].path), std::string("a\nb\nc\nd\nkey 1\n"));
    }

    // The export of a comparison side shows the file's lines only: the page
    // equals the export of the same file opened in the editor.
    void SideExportHasNoPlaceholderRows() {
        const std::string right = "int main() {\n    return a < b && c;\n}\n/* end */\n";
        CTextCompareView* view =
            Compare("int main() {\n    int x = 0;\n    int y = 1;\n    return a < b && c;\n}\n", right);
        QVERIFY(view != nullptr);
        QVERIFY(view->Doc().GetSide(1).GetLineCount() > view->Doc().GetSide(1).GetRealLineCount());
        Focus(view, 1);
        const std::string sidePage = m_dir->filePath(QStringLiteral("side")).toStdString();
        ExportTo(sidePage);
        if (QTest::currentTestFailed()) return;
        const std::string fromSide = ReadFile(sidePage + ".html");
        QVERIFY(!fromSide.empty());

        QVERIFY(m_frame->OpenFile(view->Doc().Request().sides[1].path) != nullptr);
        QTest::qWait(0);
        QVERIFY(qobject_cast<CTextEditView*>(m_frame->ActiveView()) != nullptr);
        const std::string editorPage = m_dir->filePath(QStringLiteral("editor")).toStdString();
        ExportTo(editorPage);
        if (QTest::currentTestFailed()) return;
        const std::string fromEditor = ReadFile(editorPage + ".html");
        QVERIFY(fromEditor.find("<span class=\"tl\">4 </span>") != std::string::npos);
        QCOMPARE(WithoutStamp(fromSide), WithoutStamp(fromEditor));
    }
};

QTEST_MAIN(TextSearchViewTest)
#include "TextSearchViewTest.moc"
