// The three-way merge window, offscreen, driven through its real widgets:
// panes aligned with placeholder rows, colours and the location map, the
// commands by key and by menu, one undo history, editing merged lines,
// saving, the questions on saving and closing with conflicts left, the
// exit status, --auto, and a screenshot of a real conflict.
#include <QAction>
#include <QApplication>
#include <QDir>
#include <QImage>
#include <QLabel>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "ui/MergeView.h"

using namespace corvatine;
using namespace corvatine::ui;

namespace {

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace

class MergeWindowTest : public QObject {
    Q_OBJECT

private:
    std::string Write(const std::string& name, const std::string& bytes) {
        const std::string path = m_dir->filePath(QString::fromStdString(name)).toStdString();
        std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
        return path;
    }
    // Two conflicts (lines 2 and 8), a change of ours alone (line 5, two
    // lines for one) and one of theirs alone (line 11).
    MERGECOMMAND Command() {
        MERGECOMMAND command;
        command.request.paths = {
            Write("base", "1\n2\n3\n4\n5\n6\n7\n8\n9\n10\n11\n12\n"),
            Write("ours", "1\nOURS 2\n3\n4\nours 5a\nours 5b\n6\n7\nOURS 8\n9\n10\n11\n12\n"),
            Write("theirs", "1\nTHEIRS 2\n3\n4\n5\n6\n7\nTHEIRS 8\n9\n10\ntheirs 11\n12\n")};
        command.request.labels = {"ours", "base", "theirs"};
        command.output = m_dir->filePath(QStringLiteral("merged")).toStdString();
        return command;
    }
    // Opens the window on the command, shown at a size of its own; the
    // questions it asks are recorded and answered with answer.
    std::unique_ptr<CMergeWindow> OpenWindow(MERGECOMMAND command) {
        auto window = std::make_unique<CMergeWindow>(std::move(command));
        std::string error;
        if (!window->Open(error)) {
            qWarning("%s", error.c_str());
            return nullptr;
        }
        window->SetAsker([this](const QString& text, QMessageBox::StandardButtons) {
            m_questions.push_back(text);
            return m_answer;
        });
        window->resize(1200, 500);
        window->show();
        if (!QTest::qWaitForWindowExposed(window.get())) return nullptr;
        return window;
    }
    std::string MergedRows(const CMergeWindow& window) {
        std::string rows;
        for (int row = 0; row < window.Doc().RowCount(); ++row) {
            std::string text;
            rows += window.Pane(CMergeDoc::MERGE_COLUMN_MERGED)->RowText(row, text) ? text + "\n" : "~\n";
        }
        return rows;
    }

    std::unique_ptr<QTemporaryDir> m_dir;
    std::vector<QString> m_questions;
    QMessageBox::StandardButton m_answer = QMessageBox::Cancel;

private slots:
    void init() {
        m_dir = std::make_unique<QTemporaryDir>();
        ::setenv("CORVATINE_CONFIG_DIR", m_dir->path().toLocal8Bit().constData(), 1);
        ::setenv("TZ", "UTC", 1);
        m_questions.clear();
        m_answer = QMessageBox::Cancel;
    }

    void opensAlignedOnTheFirstConflict() {
        auto window = OpenWindow(Command());
        QVERIFY(window);
        QCOMPARE(window->Doc().ConflictCount(), 2);
        QCOMPARE(window->CurrentChunk(), window->Doc().FindChunk(-1, true, true));
        QCOMPARE(window->findChild<QLabel*>(QStringLiteral("mergeStatus"))->text(),
                 QStringLiteral("Conflict 1 of 2, 2 unresolved"));
        // Ours' two lines for line 5 stand against a placeholder in THEIRS.
        const CMergeDoc& doc = window->Doc();
        int oursRow = -1;
        std::string text;
        for (int row = 0; row < doc.RowCount(); ++row)
            if (window->Pane(MERGE_SIDE_OURS)->RowText(row, text) && text == "ours 5b") oursRow = row;
        QVERIFY(oursRow > 0);
        QVERIFY(!window->Pane(MERGE_SIDE_THEIRS)->RowText(oursRow, text));
        QVERIFY(window->Pane(MERGE_SIDE_THEIRS)->RowText(oursRow - 1, text));
        QCOMPARE(text, std::string("5"));
        QVERIFY(window->Pane(CMergeDoc::MERGE_COLUMN_MERGED)->RowText(oursRow, text));
        QCOMPARE(text, std::string("ours 5b"));
        // Every column shows the same number of rows: the panes stay level.
        QCOMPARE(doc.RowCount(),
                 doc.ChunkFirstRow(doc.ChunkCount() - 1) + doc.ChunkRowCount(doc.ChunkCount() - 1));
    }

    void coloursTellTheChunksApartAndTheMapShowsConflicts() {
        auto window = OpenWindow(Command());
        QVERIFY(window);
        const CMergeDoc& doc = window->Doc();
        const MERGECOLORS& colors = window->Colors();
        const QImage image = window->Pane(MERGE_SIDE_OURS)->grab().toImage();
        const auto colourOfChunk = [&](int kind) {
            for (int c = 0; c < doc.ChunkCount(); ++c)
                if (doc.Chunks()[static_cast<size_t>(c)].kind == kind) {
                    const QRect rect = window->Pane(MERGE_SIDE_OURS)->RowRect(doc.ChunkFirstRow(c));
                    return image.pixelColor(rect.right() - 3, rect.center().y());
                }
            return QColor();
        };
        QCOMPARE(colourOfChunk(MERGE_CONFLICT), colors.conflict);
        QCOMPARE(colourOfChunk(MERGE_OURS), colors.ours);
        QCOMPARE(colourOfChunk(MERGE_THEIRS), colors.theirs);
        QVERIFY(colors.ours != colors.theirs && colors.conflict != colors.both);
        // The map: a conflict's band is red across the whole width.
        CMergeMap* map = window->Map();
        const QImage bands = map->grab().toImage();
        const int conflict = doc.FindChunk(-1, true, true);
        const int y = map->YOf(doc.ChunkFirstRow(conflict)) + 1;
        const QColor band = bands.pixelColor(2, y);
        QVERIFY2(band.red() > 200 && band.green() < 100, qPrintable(band.name()));
        // Resolved, it is no longer red.
        window->Take(CONTENT_OURS);
        const QColor after = map->grab().toImage().pixelColor(2, y);
        QVERIFY2(!(after.red() > 200 && after.green() < 100), qPrintable(after.name()));
    }

    void keysAndMenusRunTheCommands() {
        auto window = OpenWindow(Command());
        QVERIFY(window);
        QApplication::setActiveWindow(window.get());
        window->Pane(CMergeDoc::MERGE_COLUMN_MERGED)->setFocus();
        // Every command has a menu entry and a key.
        for (const char* name : {"nextConflict", "previousConflict", "nextChange", "previousChange",
                                 "takeOurs", "takeTheirs", "takeOursThenTheirs", "takeTheirsThenOurs",
                                 "takeBase", "markResolved", "undo", "redo", "save"}) {
            QAction* action = window->Action(name);
            QVERIFY2(action != nullptr, name);
            QVERIFY2(!action->shortcut().isEmpty(), name);
            bool inMenu = false;
            for (QAction* menu : window->menuBar()->actions())
                if (menu->menu() != nullptr && menu->menu()->actions().contains(action)) inMenu = true;
            QVERIFY2(inMenu, name);
        }
        // Alt+Right takes theirs for the first conflict.
        QTest::keyClick(window->Pane(CMergeDoc::MERGE_COLUMN_MERGED), Qt::Key_Right, Qt::AltModifier);
        QCOMPARE(window->Doc().UnresolvedCount(), 1);
        QCOMPARE(window->findChild<QLabel*>(QStringLiteral("mergeStatus"))->text(),
                 QStringLiteral("Conflict 1 of 2, 1 unresolved"));
        // F8 goes to the next conflict; Ctrl+Alt+Left takes ours, then theirs.
        QTest::keyClick(window->Pane(CMergeDoc::MERGE_COLUMN_MERGED), Qt::Key_F8);
        QCOMPARE(window->Doc().ConflictNumber(window->CurrentChunk()), 2);
        QTest::keyClick(window->Pane(CMergeDoc::MERGE_COLUMN_MERGED), Qt::Key_Left,
                        Qt::ControlModifier | Qt::AltModifier);
        QCOMPARE(window->Doc().UnresolvedCount(), 0);
        // Alt+Up, Alt+Down walk every change; the menu's action does the same.
        const int second = window->CurrentChunk();
        QTest::keyClick(window->Pane(CMergeDoc::MERGE_COLUMN_MERGED), Qt::Key_Down, Qt::AltModifier);
        QCOMPARE(window->Doc().Chunks()[static_cast<size_t>(window->CurrentChunk())].kind, int(MERGE_THEIRS));
        window->Action("previousChange")->trigger();
        QCOMPARE(window->CurrentChunk(), second);
        std::string text;
        QCOMPARE(MergedRows(*window),
                 std::string(
                     "1\nTHEIRS 2\n3\n4\nours 5a\nours 5b\n6\n7\nOURS 8\nTHEIRS 8\n9\n10\ntheirs 11\n12\n"));
        // One history: Ctrl+Z twice undoes both takes, Ctrl+Y redoes one.
        QTest::keyClick(window->Pane(CMergeDoc::MERGE_COLUMN_MERGED), Qt::Key_Z, Qt::ControlModifier);
        QTest::keyClick(window->Pane(CMergeDoc::MERGE_COLUMN_MERGED), Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(window->Doc().UnresolvedCount(), 2);
        QVERIFY(!window->Action("undo")->isEnabled());
        QTest::keyClick(window->Pane(CMergeDoc::MERGE_COLUMN_MERGED), Qt::Key_Y, Qt::ControlModifier);
        QCOMPARE(window->Doc().UnresolvedCount(), 1);
        // Take base, and theirs then ours, by their actions.
        window->GoToChunk(window->Doc().FindChunk(-1, true, true));
        window->Action("takeBase")->trigger();
        window->NextConflict();
        window->Action("takeTheirsThenOurs")->trigger();
        QCOMPARE(MergedRows(*window),
                 std::string("1\n2\n3\n4\nours 5a\nours 5b\n6\n7\nTHEIRS 8\nOURS 8\n9\n10\ntheirs 11\n12\n"));
    }

    void editingMergedLinesInPlaceIsOneStep() {
        auto window = OpenWindow(Command());
        QVERIFY(window);
        window->EditChunk();
        QPlainTextEdit* editor = window->ChunkEditor();
        QVERIFY(editor->isVisible());
        QVERIFY(editor->toPlainText().startsWith(QStringLiteral("<<<<<<< ours\nOURS 2\n")));
        editor->selectAll();
        QTest::keyClicks(editor, QStringLiteral("both, by hand"));
        QTest::keyClick(editor, Qt::Key_Return, Qt::ControlModifier);
        QVERIFY(!editor->isVisible());
        QCOMPARE(window->Doc().UnresolvedCount(), 1);
        std::string text;
        QVERIFY(window->Pane(CMergeDoc::MERGE_COLUMN_MERGED)->RowText(1, text));
        QCOMPARE(text, std::string("both, by hand"));
        QVERIFY(window->Undo());
        QCOMPARE(window->Doc().UnresolvedCount(), 2);
        // Typing in the merged pane edits there: a click on the conflict's
        // line "OURS 2", then text, goes in at that line's start.
        CMergePane* merged = window->Pane(CMergeDoc::MERGE_COLUMN_MERGED);
        const int conflict = window->Doc().FindChunk(-1, true, true);
        const QRect second = merged->RowRect(window->Doc().ChunkFirstRow(conflict) + 1);
        QTest::mouseClick(merged, Qt::LeftButton, {}, second.center());
        QTest::keyClicks(merged, QStringLiteral("x"));
        QVERIFY(window->ChunkEditor()->isVisible());
        QTest::keyClick(window->ChunkEditor(), Qt::Key_Return, Qt::ControlModifier);
        QVERIFY(window->Pane(CMergeDoc::MERGE_COLUMN_MERGED)
                    ->RowText(window->Doc().ChunkFirstRow(conflict) + 1, text));
        QCOMPARE(text, std::string("xOURS 2"));
        QCOMPARE(window->Doc().UnresolvedCount(), 2);  // the markers are still there
        QVERIFY(window->Undo());
        // Escape drops what was typed.
        window->EditChunk();
        QTest::keyClicks(window->ChunkEditor(), QStringLiteral("dropped"));
        QTest::keyClick(window->ChunkEditor(), Qt::Key_Escape);
        QCOMPARE(window->Doc().UnresolvedCount(), 2);
        QVERIFY(!window->Doc().CanRedo() || window->Doc().UnresolvedCount() == 2);
    }

    void savingAndClosingAskWithTheNumberLeftAndTheExitStatusFollows() {
        auto window = OpenWindow(Command());
        QVERIFY(window);
        const std::string merged = window->SavePath();
        QCOMPARE(window->ExitStatus(), 1);
        // Saving with two conflicts asks, naming them; Cancel writes nothing.
        QVERIFY(!window->Save());
        QCOMPARE(m_questions.size(), size_t(1));
        QVERIFY2(m_questions[0].startsWith(QStringLiteral("2 conflicts are not resolved")),
                 qPrintable(m_questions[0]));
        QVERIFY(!QFile::exists(QString::fromStdString(merged)));
        m_answer = QMessageBox::Save;
        QVERIFY(window->Save());
        QVERIFY(ReadFile(merged).find("<<<<<<< ours\nOURS 2\n=======\nTHEIRS 2\n>>>>>>> theirs\n") !=
                std::string::npos);
        QCOMPARE(window->ExitStatus(), 1);
        // Closing with conflicts left asks again; No keeps the window.
        m_questions.clear();
        m_answer = QMessageBox::No;
        QVERIFY(!window->close());
        QCOMPARE(m_questions.size(), size_t(1));
        QVERIFY2(m_questions[0].contains(QStringLiteral("2 conflicts are not resolved")),
                 qPrintable(m_questions[0]));
        // Resolved and saved: no question, exit 0, the file has no markers.
        window->Take(CONTENT_OURS);
        window->NextConflict();
        window->Take(CONTENT_THEIRS);
        m_questions.clear();
        QVERIFY(window->Save());
        QVERIFY(m_questions.empty());
        QCOMPARE(ReadFile(merged),
                 std::string("1\nOURS 2\n3\n4\nours 5a\nours 5b\n6\n7\nTHEIRS 8\n9\n10\ntheirs 11\n12\n"));
        QCOMPARE(window->ExitStatus(), 0);
        QVERIFY(window->close());
        QVERIFY(m_questions.empty());
    }

    void aSaveThatFailsSaysWhyAndLeavesTheStatus() {
        MERGECOMMAND command = Command();
        command.output = m_dir->filePath(QStringLiteral("no-such-folder/merged")).toStdString();
        auto window = OpenWindow(command);
        QVERIFY(window);
        window->Take(CONTENT_OURS);
        window->NextConflict();
        window->Take(CONTENT_OURS);
        QVERIFY(!window->Save());
        QCOMPARE(m_questions.size(), size_t(1));
        QVERIFY2(m_questions[0].startsWith(QStringLiteral("Cannot save the merge: ")) &&
                     m_questions[0].contains(QStringLiteral("no-such-folder/merged")),
                 qPrintable(m_questions[0]));
        QCOMPARE(window->ExitStatus(), 1);
    }

    void closingUnsavedAsksToSave() {
        auto window = OpenWindow(Command());
        QVERIFY(window);
        window->Take(CONTENT_OURS);
        m_answer = QMessageBox::Cancel;
        QVERIFY(!window->close());
        QVERIFY2(m_questions.back().contains(QStringLiteral("1 conflict is not resolved")),
                 qPrintable(m_questions.back()));
        m_answer = QMessageBox::Discard;
        QVERIFY(window->close());
        QCOMPARE(window->ExitStatus(), 1);  // nothing was saved
    }

    void baseShowsBesideOrInsteadOfTheMergedPane() {
        auto window = OpenWindow(Command());
        QVERIFY(window);
        QVERIFY(!window->Pane(MERGE_SIDE_BASE)->isVisible());
        window->Action("showBaseBeside")->trigger();
        QVERIFY(window->Pane(MERGE_SIDE_BASE)->isVisible());
        QVERIFY(window->Pane(CMergeDoc::MERGE_COLUMN_MERGED)->isVisible());
        window->Action("showBaseInstead")->trigger();
        QVERIFY(window->Pane(MERGE_SIDE_BASE)->isVisible());
        QVERIFY(!window->Pane(CMergeDoc::MERGE_COLUMN_MERGED)->isVisible());
        std::string text;
        QVERIFY(window->Pane(MERGE_SIDE_BASE)->RowText(1, text));
        QCOMPARE(text, std::string("2"));
    }

    void autoSavesACleanMergeWithoutTheWindow() {
        MERGECOMMAND command = Command();
        const std::string output = command.output;
        const std::vector<std::string> arguments = {"--merge",
                                                    command.request.paths[0],
                                                    command.request.paths[1],
                                                    command.request.paths[0],
                                                    "--output=" + output,
                                                    "--auto"};
        // OURS against an unchanged THEIRS: clean.
        QCOMPARE(RunMergeWindow(arguments), 0);
        QCOMPARE(ReadFile(output), ReadFile(command.request.paths[1]));
        QVERIFY(QApplication::topLevelWidgets().isEmpty() ||
                std::none_of(QApplication::topLevelWidgets().begin(), QApplication::topLevelWidgets().end(),
                             [](QWidget* w) { return w->isVisible(); }));
        QCOMPARE(RunMergeWindow({"--merge", "missing-ours", "b", "c", "--auto"}), 2);
    }

    // Text stays readable on every colour of both schemes (contrast 4.5:1).
    void bothColourSchemesKeepTextReadable() {
        const auto luminance = [](const QColor& c) {
            const auto channel = [](double v) {
                return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
            };
            return 0.2126 * channel(c.redF()) + 0.7152 * channel(c.greenF()) + 0.0722 * channel(c.blueF());
        };
        for (const bool dark : {false, true}) {
            const MERGECOLORS colors = MergeColors(dark);
            for (const QColor& background :
                 {colors.ours, colors.theirs, colors.both, colors.conflict, colors.resolved}) {
                const double a = luminance(colors.text), b = luminance(background);
                const double ratio = (std::max(a, b) + 0.05) / (std::min(a, b) + 0.05);
                QVERIFY2(ratio >= 4.5, qPrintable(background.name() + QStringLiteral(" %1").arg(ratio)));
            }
            QVERIFY(colors.ours != colors.theirs && colors.theirs != colors.both &&
                    colors.both != colors.conflict);
        }
    }

    void keysAndTheMapScrollAllPanesTogether() {
        MERGECOMMAND command = Command();
        std::string many;
        for (int i = 0; i < 300; ++i) many += "line " + std::to_string(i) + "\n";
        command.request.paths = {Write("base", many), Write("ours", "ours first\n" + many),
                                 Write("theirs", many + "theirs last\n")};
        auto window = OpenWindow(command);
        QVERIFY(window);
        CMergePane* ours = window->Pane(MERGE_SIDE_OURS);
        ours->setFocus();
        QCOMPARE(window->FirstRow(), 0);
        QTest::keyClick(ours, Qt::Key_PageDown);
        const int page = window->FirstRow();
        QVERIFY(page > 5);
        QTest::keyClick(ours, Qt::Key_End, Qt::ControlModifier);
        QCOMPARE(window->FirstRow(), window->Doc().RowCount() - window->VisibleRows());
        // Every pane draws the same rows: the row at the top of THEIRS is
        // the one at the top of OURS.
        std::string top;
        QVERIFY(window->Pane(MERGE_SIDE_THEIRS)->RowText(window->FirstRow(), top));
        QCOMPARE(window->Pane(MERGE_SIDE_THEIRS)->RowAt(0), ours->RowAt(0));
        // A click on the map's top goes back to the start.
        QTest::mouseClick(window->Map(), Qt::LeftButton, {}, QPoint(5, 1));
        QCOMPARE(window->FirstRow(), 0);
        QTest::keyClick(ours, Qt::Key_Down);
        QCOMPARE(window->FirstRow(), 1);
    }

    // A real conflict of jq's history, drawn offscreen and saved as a PNG.
    void screenshotOfARealConflict() {
        const std::string data =
            std::string(CORVATINE_SOURCE_DIR) + "/tests/e2e/data/merge3/fe33150b-c_builtin_c/";
        MERGECOMMAND command;
        command.request.paths = {data + "base", data + "ours", data + "theirs"};
        command.output = m_dir->filePath(QStringLiteral("builtin.c")).toStdString();
        auto window = OpenWindow(command);
        QVERIFY(window);
        QVERIFY(window->Doc().ConflictCount() > 0);
        const QImage shot = window->grab().toImage();
        QVERIFY(!shot.isNull());
        const char* folder = std::getenv("CORVATINE_SCREENSHOTS");
        if (folder != nullptr) {
            QDir().mkpath(QString::fromLocal8Bit(folder));
            QVERIFY(shot.save(QString::fromLocal8Bit(folder) + QStringLiteral("/merge-window.png")));
        }
        // The conflict's rows are in view and coloured.
        const CMergeDoc& doc = window->Doc();
        const QRect row = window->Pane(MERGE_SIDE_OURS)->RowRect(doc.ChunkFirstRow(window->CurrentChunk()));
        QVERIFY(row.top() >= 0 && row.bottom() < window->Pane(MERGE_SIDE_OURS)->height());
    }
};

QTEST_MAIN(MergeWindowTest)
#include "MergeWindowTest.moc"
