// Highlight All in the text views, Replace inside a text comparison, the
// export of a comparison side, the folder view's detail pane, watching and
// finding, and the binary view's properties and dropped files, driven as a
// user drives them.
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
#include "ui/FolderViewExtras.h"
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

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
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

QString ScreenshotFolder() {
    const QByteArray folder = qgetenv("CORVATINE_SCREENSHOTS");
    if (folder.isEmpty()) return QString();
    QDir().mkpath(QString::fromLocal8Bit(folder));
    return QString::fromLocal8Bit(folder);
}

}  // namespace

class ViewsMoreTest : public QObject {
    Q_OBJECT

private:
    std::string Write(const std::string& name, const std::string& bytes) {
        return uitest::WriteInto(*m_dir, name, bytes);
    }
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
        CFolderComparer& component = GetFolderComparer();
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

QTEST_MAIN(ViewsMoreTest)
#include "ViewsMoreTest.moc"
