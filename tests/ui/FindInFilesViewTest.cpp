// Find in files in the window: searches started through the dialog and the
// command, the results tree compared with what the worker itself reports, a
// double-click opening the editor at the hit's line, a stop during a long
// search, and the settings' recent lists.
#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QDialogButtonBox>
#include <QDir>
#include <QDockWidget>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "UiTestApp.h"
#include "launch/CorvatineApp.h"
#include "platform/Event.h"
#include "platform/Profile.h"
#include "platform/RecentFileList.h"
#include "tools/FindInFiles.h"
#include "ui/FindInFilesDialog.h"
#include "ui/FindResultsPane.h"
#include "ui/MainFrame.h"
#include "ui/TextEditView.h"

using namespace corvatine;
using namespace corvatine::ui;

namespace {

using Nodes = std::vector<std::pair<int, std::string>>;

void WriteFile(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

// What the worker reports for a request, gathered on the calling thread.
class CCollector : public CFindInFilesWindow {
public:
    void OnFindResult(int level, const std::string& text) override { nodes.emplace_back(level, text); }
    void OnFindEnded() override {}
    Nodes nodes;
};

Nodes WorkerNodes(const FINDINFILESCHOICE& choice) {
    CCollector collector;
    FINDINFILESREQUEST request;
    request.flags = choice.flags;
    request.findWhat = choice.findWhat;
    request.fileTypes = choice.fileTypes;
    request.lookIn = choice.lookIn;
    request.window = &collector;
    platform::CEvent stop(true, false);
    CFindInFiles search;
    (void)search.Run(request, stop);
    return collector.nodes;
}

// The tree's nodes in the order they were added: each root, its files with
// their lines, its summary.
void Gather(const QTreeWidgetItem* item, Nodes& nodes) {
    nodes.emplace_back(item->data(0, CFindResultsPane::kLevelRole).toInt(),
                       item->data(0, CFindResultsPane::kTextRole).toByteArray().toStdString());
    for (int i = 0; i < item->childCount(); ++i) Gather(item->child(i), nodes);
}

// The nodes as text, for the messages of failed comparisons.
QString Show(const Nodes& nodes) {
    std::string text;
    for (const auto& [level, node] : nodes)
        text += std::to_string(level) + " " + node + (node.ends_with('\n') ? "" : "\n");
    return QString::fromStdString(text);
}

Nodes TreeNodes(const QTreeWidget& tree) {
    Nodes nodes;
    for (int i = 0; i < tree.topLevelItemCount(); ++i) Gather(tree.topLevelItem(i), nodes);
    return nodes;
}

// The answers still waiting for their dialog.
QObject* Answers() {
    static QObject* answers = new QObject(qApp);
    return answers;
}

// Answers the next modal dialog when it comes up.
void AnswerNextDialog(std::function<void(QWidget*)> answer) {
    auto* timer = new QTimer(Answers());
    auto attempts = std::make_shared<int>(0);
    QObject::connect(timer, &QTimer::timeout, timer, [timer, answer, attempts] {
        QWidget* dialog = QApplication::activeModalWidget();
        if (dialog == nullptr && ++*attempts < 400) return;
        timer->stop();
        timer->deleteLater();
        if (dialog != nullptr) answer(dialog);
    });
    timer->start(5);
}

// Types into an editable combo as a user does.
void TypeInto(QComboBox* combo, const QString& text) {
    combo->lineEdit()->selectAll();
    QTest::keyClick(combo->lineEdit(), Qt::Key_Delete);
    QTest::keyClicks(combo->lineEdit(), text);
}

// Opens the context menu of the results and chooses an item of it.
void ChooseFromContextMenu(QTreeWidget& tree, const QString& text) {
    bool chosen = false;
    QTimer::singleShot(50, [&] {
        QWidget* popup = QApplication::activePopupWidget();
        auto* menu = qobject_cast<QMenu*>(popup);
        if (menu == nullptr) return;
        for (QAction* action : menu->actions())
            if (action->text() == text) {
                chosen = true;
                menu->close();
                action->trigger();
            }
        if (!chosen) menu->close();
    });
    QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(10, 10),
                            tree.viewport()->mapToGlobal(QPoint(10, 10)));
    QCoreApplication::sendEvent(tree.viewport(), &event);
    QVERIFY(chosen);
}

// Clicks a button (a check box on its box) as a user does.
void Click(QAbstractButton* button) {
    QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(5, button->height() / 2));
}

void ClickFind(CFindInFilesDlg* dialog) {
    auto* buttons = dialog->findChild<QDialogButtonBox*>();
    QAbstractButton* find = buttons->button(QDialogButtonBox::Ok);
    QTest::mouseClick(find, Qt::LeftButton);
}

}  // namespace

class FindInFilesViewTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_config;
    std::unique_ptr<CCorvatineApp> m_app;
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<CMainFrame> m_frame;

    std::string Root() const { return m_dir->path().toStdString(); }
    QAction* FindAction() const { return m_frame->findChild<QAction*>(QStringLiteral("findInFiles")); }

    // The small tree: hits in .cpp and .h files, in the folder and below it.
    void MakeTree() {
        QDir(m_dir->path()).mkpath(QStringLiteral("sub/deeper"));
        WriteFile(Root() + "/a.cpp", "int x;\nint needle = 1;\nint y;\nint z;\n// Needle again\nneedle();\n");
        WriteFile(Root() + "/b.h", "#pragma once\nvoid needle();\n");
        WriteFile(Root() + "/notes.txt", "a needle in a text file\n");
        WriteFile(Root() + "/sub/c.cpp", "nothing here\n");
        WriteFile(Root() + "/sub/deeper/d.cpp", "one\ntwo needle\n");
    }

    // Runs the command with the dialog filled by fill, and waits for the end.
    void Search(const std::function<void(CFindInFilesDlg*)>& fill) {
        bool answered = false;
        AnswerNextDialog([&](QWidget* widget) {
            auto* dialog = qobject_cast<CFindInFilesDlg*>(widget);
            QVERIFY(dialog != nullptr);
            fill(dialog);
            answered = true;
            ClickFind(dialog);
        });
        FindAction()->trigger();
        QVERIFY(answered);
        QTRY_VERIFY_WITH_TIMEOUT(!m_frame->FindResults()->IsRunning(), 20000);
        QCOMPARE(FindAction()->text(), QStringLiteral("Find in Files..."));
    }

private slots:
    void initTestCase() {
        m_config = std::make_unique<QTemporaryDir>();
        m_app = uitest::StartTestApp(*m_config);
    }
    void cleanupTestCase() { uitest::StopTestApp(); }

    void init() {
        m_dir = std::make_unique<QTemporaryDir>();
        m_frame = std::make_unique<CMainFrame>(*m_app);
        m_frame->resize(1100, 700);
        m_frame->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_frame.get()));
    }
    void cleanup() {
        m_frame.reset();
        m_dir.reset();
    }

    // Every file is "*", as a Linux user writes it, and it finds files
    // without an extension too.
    void AllFilesIncludeNamesWithoutADot() {
        WriteFile(Root() + "/Makefile", "needle:\n");
        WriteFile(Root() + "/x.c", "needle\n");
        Search([&](CFindInFilesDlg* dialog) {
            QCOMPARE(dialog->FileTypes()->currentText(), QStringLiteral("*"));
            TypeInto(dialog->FindWhat(), QStringLiteral("needle"));
            TypeInto(dialog->LookIn(), m_dir->path());
        });
        const Nodes nodes = TreeNodes(*m_frame->FindResults());
        QVERIFY2(Show(nodes).contains(QString::fromStdString(Root() + "/Makefile")), qPrintable(Show(nodes)));
        QVERIFY(Show(nodes).contains(QString::fromStdString(Root() + "/x.c")));
    }

    // A search through the dialog lists what the worker reports, in its
    // order and on its levels; the text and folder join the recent lists.
    void searchListsFilesAndHits() {
        MakeTree();
        QCOMPARE(FindAction()->shortcut(), QKeySequence(QStringLiteral("Ctrl+Shift+F")));
        Search([&](CFindInFilesDlg* dialog) {
            QCOMPARE(dialog->FileTypes()->currentText(), QStringLiteral("*"));
            QCOMPARE(dialog->FileTypes()->itemText(0), QStringLiteral("All Files (*)"));
            QVERIFY(dialog->FileTypes()->count() > 10);
            TypeInto(dialog->FindWhat(), QStringLiteral("needle"));
            TypeInto(dialog->FileTypes(), QStringLiteral("*.cpp;*.h"));
            TypeInto(dialog->LookIn(), m_dir->path());
            Click(dialog->Subfolders());
            Click(dialog->MatchCase());
            QVERIFY(dialog->MatchCase()->isChecked());
        });
        CFindResultsPane& pane = *m_frame->FindResults();
        QVERIFY(pane.isVisible());
        const Nodes nodes = TreeNodes(pane);
        FINDINFILESCHOICE choice{"needle", "*.cpp;*.h", Root(), FIF_SUBFOLDERS | FIF_MATCHCASE};
        QCOMPARE(Show(nodes), Show(WorkerNodes(choice)));
        const Nodes expected = {
            {FIND_LEVEL_ROOT, "Searching for \"needle\" in " + Root() + " ..."},
            {FIND_LEVEL_FILE, Root() + "/a.cpp"},
            {FIND_LEVEL_LINE, "(   2): int needle = 1;\n"},
            {FIND_LEVEL_LINE, "(   6): needle();\n"},
            {FIND_LEVEL_FILE, Root() + "/b.h"},
            {FIND_LEVEL_LINE, "(   2): void needle();\n"},
            {FIND_LEVEL_FILE, Root() + "/sub/deeper/d.cpp"},
            {FIND_LEVEL_LINE, "(   2): two needle\n"},
            {FIND_LEVEL_SUMMARY, "4 occurrence(s) have been found.\n"},
        };
        QCOMPARE(Show(nodes), Show(expected));
        // The tree's shape: the files and the summary under the root, the lines under their file.
        QCOMPARE(pane.topLevelItemCount(), 1);
        QTreeWidgetItem* root = pane.topLevelItem(0);
        QCOMPARE(root->childCount(), 4);
        QCOMPARE(root->child(0)->childCount(), 2);
        QCOMPARE(root->child(0)->child(1)->text(0), QStringLiteral("(   6): needle();"));
        QVERIFY(root->isExpanded() && root->child(0)->isExpanded());

        platform::CRecentFileList finds(CFindInFilesDlg::kRecentFindKey, "String%d",
                                        CFindInFilesDlg::kRecentSize, platform::CRecentFileList::Match::Text);
        finds.Load(platform::AppProfile());
        QVERIFY(!finds.Items().empty());
        QCOMPARE(finds[0], std::string("needle"));
        platform::CRecentFileList folders(CFindInFilesDlg::kRecentLookInKey, "Folder%d",
                                          CFindInFilesDlg::kRecentSize);
        folders.Load(platform::AppProfile());
        QVERIFY(!folders.Items().empty());
        QCOMPARE(folders[0], Root());

        // A second search: a second root, the dialog starting from the last
        // choice and offering the recent texts; nothing found.
        Search([&](CFindInFilesDlg* dialog) {
            QCOMPARE(dialog->FindWhat()->currentText(), QStringLiteral("needle"));
            QCOMPARE(dialog->FindWhat()->itemText(0), QStringLiteral("needle"));
            QCOMPARE(dialog->LookIn()->itemText(0), m_dir->path());
            QVERIFY(dialog->Subfolders()->isChecked());
            // An entry of the types list puts its patterns into the field.
            dialog->FileTypes()->setCurrentIndex(0);
            emit dialog->FileTypes()->activated(0);
            QCOMPARE(dialog->FileTypes()->currentText(), QStringLiteral("*"));
            TypeInto(dialog->FindWhat(), QStringLiteral("haystack"));
        });
        QCOMPARE(pane.topLevelItemCount(), 2);
        QTreeWidgetItem* second = pane.topLevelItem(1);
        QCOMPARE(second->childCount(), 1);
        QCOMPARE(second->child(0)->text(0), QStringLiteral("Cannot find the string \"haystack\"."));

        const QByteArray folder = qgetenv("CORVATINE_SCREENSHOTS");
        if (!folder.isEmpty()) {
            QDir().mkpath(QString::fromLocal8Bit(folder));
            QVERIFY(
                m_frame->grab().save(QString::fromLocal8Bit(folder) + QStringLiteral("/find-in-files.png")));
        }
        // A file node's row is drawn with text on it.
        const QImage image = pane.viewport()->grab().toImage();
        const QRect row = pane.visualItemRect(root->child(0));
        bool dark = false;
        for (int x = row.left(); x < row.right() && !dark; ++x)
            dark = qGray(image.pixel(x, row.center().y())) < 128;
        QVERIFY(dark);
    }

    // A double-click on a hit line opens the file in the editor with the
    // caret at the start of the line and the line in the middle of the view.
    void doubleClickOpensEditorAtLine() {
        std::string text;
        for (int i = 1; i <= 300; ++i)
            text += i == 150 ? "the target line\n" : "line " + std::to_string(i) + "\n";
        WriteFile(Root() + "/long.txt", text);
        Search([&](CFindInFilesDlg* dialog) {
            TypeInto(dialog->FindWhat(), QStringLiteral("target"));
            TypeInto(dialog->LookIn(), m_dir->path());
        });
        CFindResultsPane& pane = *m_frame->FindResults();
        QTreeWidgetItem* root = pane.topLevelItem(pane.topLevelItemCount() - 1);
        QCOMPARE(root->childCount(), 2);
        QTreeWidgetItem* hit = root->child(0)->child(0);
        QCOMPARE(hit->text(0), QStringLiteral("( 150): the target line"));
        QCOMPARE(m_frame->ViewCount(), 0);
        pane.scrollToItem(hit);
        const QPoint at = pane.visualItemRect(hit).center();
        QTest::mouseClick(pane.viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(pane.viewport(), Qt::LeftButton, {}, at);
        QCOMPARE(m_frame->ViewCount(), 1);
        auto* editor = qobject_cast<CTextEditView*>(m_frame->ActiveView());
        QVERIFY(editor != nullptr);
        QCOMPARE(editor->Doc().GetPath(), Root() + "/long.txt");
        QCOMPARE(editor->Pane().Caret().y, 149);
        QCOMPARE(editor->Pane().Caret().x, 0);
        const int visible = editor->Pane().VisibleRows();
        QVERIFY(visible > 2);
        QCOMPARE(editor->Pane().FirstRow(), 149 - visible / 2);

        // A file node opens its file at the top; the summary is no file: nothing opens.
        auto* whole = qobject_cast<CTextEditView*>(pane.OpenNode(root->child(0)));
        QVERIFY(whole != nullptr);
        QCOMPARE(m_frame->ViewCount(), 2);
        QCOMPARE(whole->Pane().Caret().y, 0);
        QCOMPARE(whole->Pane().FirstRow(), 0);
        QVERIFY(pane.OpenNode(root->child(1)) == nullptr);
        QCOMPARE(m_frame->ViewCount(), 2);
    }

    // The command reads "Stop Find in Files" while a search runs and stops
    // it: the search ends with "Canceled".
    void stopCancelsLongSearch() {
        // Many files of hits on every line: far more nodes than the worker
        // may hand over before the window takes them, so it is still busy.
        std::string lines;
        for (int i = 0; i < 2000; ++i) lines += "hit " + std::to_string(i) + "\n";
        for (int i = 0; i < 100; ++i) WriteFile(Root() + "/f" + std::to_string(i) + ".txt", lines);
        AnswerNextDialog([&](QWidget* widget) {
            auto* dialog = qobject_cast<CFindInFilesDlg*>(widget);
            QVERIFY(dialog != nullptr);
            TypeInto(dialog->FindWhat(), QStringLiteral("hit"));
            TypeInto(dialog->LookIn(), m_dir->path());
            ClickFind(dialog);
        });
        FindAction()->trigger();
        CFindResultsPane& pane = *m_frame->FindResults();
        QVERIFY(pane.IsRunning());
        QCOMPARE(FindAction()->text(), QStringLiteral("Stop Find in Files"));
        // The window goes on meanwhile, taking nodes as they come.
        QElapsedTimer waited;
        waited.start();
        while ((pane.topLevelItemCount() == 0 || pane.topLevelItem(0)->childCount() == 0) &&
               waited.elapsed() < 20000)
            QCoreApplication::processEvents();
        QVERIFY(pane.IsRunning());
        FindAction()->trigger();
        QVERIFY(!pane.IsRunning());
        QCOMPARE(FindAction()->text(), QStringLiteral("Find in Files..."));
        QTreeWidgetItem* root = pane.topLevelItem(pane.topLevelItemCount() - 1);
        QTreeWidgetItem* last = root->child(root->childCount() - 1);
        QCOMPARE(last->data(0, CFindResultsPane::kLevelRole).toInt(), int(FIND_LEVEL_SUMMARY));
        QCOMPARE(last->text(0), QStringLiteral("Canceled"));
        int hits = 0;
        for (int i = 0; i + 1 < root->childCount(); ++i) hits += root->child(i)->childCount();
        QVERIFY(hits > 0);
        QVERIFY(hits < 100 * 2000);

        // "Clear" of the context menu empties the tree.
        QVERIFY(pane.topLevelItemCount() > 0);
        ChooseFromContextMenu(pane, QStringLiteral("Clear"));
        QCOMPARE(pane.topLevelItemCount(), 0);
    }

    // "New Find..." of the context menu asks for a search as the command does.
    void contextMenuStartsNewFind() {
        MakeTree();
        CFindResultsPane& pane = *m_frame->FindResults();
        bool answered = false;
        AnswerNextDialog([&](QWidget* widget) {
            auto* dialog = qobject_cast<CFindInFilesDlg*>(widget);
            QVERIFY(dialog != nullptr);
            TypeInto(dialog->FindWhat(), QStringLiteral("pragma"));
            TypeInto(dialog->LookIn(), m_dir->path());
            answered = true;
            ClickFind(dialog);
        });
        ChooseFromContextMenu(pane, QStringLiteral("New Find..."));
        QVERIFY(answered);
        QTRY_VERIFY_WITH_TIMEOUT(!pane.IsRunning(), 20000);
        QTreeWidgetItem* root = pane.topLevelItem(pane.topLevelItemCount() - 1);
        QCOMPARE(root->childCount(), 2);
        QCOMPARE(root->child(0)->child(0)->text(0), QStringLiteral("(   1): #pragma once"));
    }

    // A window closed while its search runs stops the search first.
    void closingDuringSearchStopsIt() {
        std::string lines;
        for (int i = 0; i < 2000; ++i) lines += "hit " + std::to_string(i) + "\n";
        for (int i = 0; i < 50; ++i) WriteFile(Root() + "/f" + std::to_string(i) + ".txt", lines);
        QVERIFY(m_frame->FindResults()->StartFind({"hit", "*.*", Root(), 0}));
        QVERIFY(m_frame->FindResults()->IsRunning());
        QCoreApplication::processEvents();
        m_frame.reset();
        QCoreApplication::processEvents();
    }

    // A regular expression built with the Expression menu, which ticks the
    // box and leaves the caret inside brackets.
    void regularExpressionSearch() {
        WriteFile(Root() + "/ids.txt", "id42 first\nid second\nidx third\nxid7\nID9 upper\n");
        Search([&](CFindInFilesDlg* dialog) {
            TypeInto(dialog->FindWhat(), QStringLiteral("id"));
            QVERIFY(!dialog->RegularExpression()->isChecked());
            QMenu* menu = dialog->ExpressionButton()->menu();
            QVERIFY(menu != nullptr);
            const auto choose = [menu](const QString& text) {
                for (QAction* action : menu->actions())
                    if (action->text() == text) action->trigger();
            };
            choose(QStringLiteral("Character in Range"));
            QCOMPARE(dialog->FindWhat()->currentText(), QStringLiteral("id[]"));
            QVERIFY(dialog->RegularExpression()->isChecked());
            QTest::keyClicks(dialog->FindWhat()->lineEdit(), QStringLiteral("0-9"));
            dialog->FindWhat()->lineEdit()->end(false);
            choose(QStringLiteral("1 or More Matches"));
            QCOMPARE(dialog->FindWhat()->currentText(), QStringLiteral("id[0-9]+"));
            dialog->FindWhat()->lineEdit()->home(false);
            choose(QStringLiteral("Beginning of Line"));
            QCOMPARE(dialog->FindWhat()->currentText(), QStringLiteral("^id[0-9]+"));
            TypeInto(dialog->LookIn(), m_dir->path());
        });
        CFindResultsPane& pane = *m_frame->FindResults();
        QTreeWidgetItem* root = pane.topLevelItem(pane.topLevelItemCount() - 1);
        Nodes nodes;
        Gather(root, nodes);
        const Nodes expected = {
            {FIND_LEVEL_ROOT, "Searching for \"^id[0-9]+\" in " + Root() + " ..."},
            {FIND_LEVEL_FILE, Root() + "/ids.txt"},
            {FIND_LEVEL_LINE, "(   1): id42 first\n"},
            {FIND_LEVEL_LINE, "(   5): ID9 upper\n"},
            {FIND_LEVEL_SUMMARY, "2 occurrence(s) have been found.\n"},
        };
        QCOMPARE(Show(nodes), Show(expected));
        QCOMPARE(Show(nodes), Show(WorkerNodes({"^id[0-9]+", "*.*", Root(), FIF_REGEXP})));
    }
};

QTEST_MAIN(FindInFilesViewTest)
#include "FindInFilesViewTest.moc"
