// The Find and Replace dialogs of the text editor, the repeated search, the
// HTML export command and the language menu, driven as a user drives them.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <fstream>
#include <functional>
#include <memory>
#include <string>

#include "UiTestApp.h"
#include "editor/SyntaxEditor.h"
#include "launch/CorvatineApp.h"
#include "ui/FindReplaceDialog.h"
#include "ui/MainFrame.h"
#include "ui/TextCompareView.h"
#include "ui/TextEditView.h"

using namespace corvatine;
using namespace corvatine::ui;

namespace {

using uitest::AnswerNextDialog;

// Presses OK on the next message box, keeping its text.
void AcceptMessage(QString* text) {
    AnswerNextDialog([text](QWidget* dialog) {
        auto* box = qobject_cast<QMessageBox*>(dialog);
        QVERIFY2(box != nullptr, "a message box");
        *text = box->text();
        box->button(QMessageBox::Ok)->click();
    });
}

template <typename T>
T* Child(QWidget* dialog, const char* name) {
    return dialog->findChild<T*>(QString::fromLatin1(name));
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The lines of a context joined by "\n".
std::string Text(CSyntaxEditContext& context) {
    std::string text;
    for (int line = 0; line < context.GetLineCount(); ++line) {
        if (line > 0) text += '\n';
        text += context.GetLine(line).Characters();
    }
    return text;
}

}  // namespace

class FindDialogTest : public QObject {
    Q_OBJECT

private:
    std::string Write(const std::string& name, const std::string& bytes) {
        return uitest::WriteInto(*m_dir, name, bytes);
    }
    CTextEditView* Open(const std::string& name, const std::string& bytes) {
        auto* view = qobject_cast<CTextEditView*>(m_frame->OpenFile(Write(name, bytes)));
        if (view != nullptr) QTest::qWait(0);
        return view;
    }
    // Opens the dialog of a command and lets answer work in it while it is up.
    void InDialog(Command command, std::function<void(QWidget*)> answer) {
        // A failed check leaves the answer early: the dialog is closed all the same.
        AnswerNextDialog([answer](QWidget* dialog) {
            answer(dialog);
            if (auto* box = qobject_cast<QDialog*>(dialog); box != nullptr && box->isVisible()) box->reject();
        });
        m_frame->Action(command)->trigger();
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

    // The Find dialog starts with the word at the caret; Find Next selects
    // the matches in turn, F3 and Shift+F3 repeat the search, and a text that
    // is not there is told with the dialog's message.
    void FindSelectsMatchesAndTellsWhatIsMissing() {
        CTextEditView* view = Open("find.txt", "alpha beta\ngamma beta delta\nbeta end\n");
        QVERIFY(view != nullptr);
        CTextPane& pane = view->Pane();
        pane.SetCaret({2, 1});  // inside "gamma"
        QVERIFY(m_frame->Action(Command::Find)->isEnabled());
        QString initial, missing;
        bool shot = false;
        InDialog(Command::Find, [&](QWidget* dialog) {
            QCOMPARE(dialog->windowTitle(), QStringLiteral("Find"));
            auto* what = Child<QComboBox>(dialog, "findWhat");
            QVERIFY(what != nullptr && what->isEditable());
            initial = what->currentText();
            what->setEditText(QStringLiteral("beta"));
            Child<QPushButton>(dialog, "findNext")->click();
            QCOMPARE(pane.Anchor(), (CPoint{6, 1}));
            QCOMPARE(pane.Caret(), (CPoint{10, 1}));
            Child<QPushButton>(dialog, "findNext")->click();
            QCOMPARE(pane.Anchor(), (CPoint{0, 2}));
            // Wrapped round to the first line's "beta".
            Child<QPushButton>(dialog, "findNext")->click();
            QCOMPARE(pane.Anchor(), (CPoint{6, 0}));
            QCOMPARE(pane.Caret(), (CPoint{10, 0}));
            const QByteArray folder = qgetenv("CORVATINE_SCREENSHOTS");
            if (!folder.isEmpty()) {
                QDir().mkpath(QString::fromLocal8Bit(folder));
                shot =
                    dialog->grab().save(QString::fromLocal8Bit(folder) + QStringLiteral("/find-dialog.png"));
            }
            what->setEditText(QStringLiteral("zeta"));
            AcceptMessage(&missing);
            Child<QPushButton>(dialog, "findNext")->click();
            what->setEditText(QStringLiteral("beta"));
            Child<QPushButton>(dialog, "cancel")->click();
        });
        QCOMPARE(initial, QStringLiteral("gamma"));
        QCOMPARE(missing, QStringLiteral("Cannot find string\"zeta\""));
        if (!qgetenv("CORVATINE_SCREENSHOTS").isEmpty()) QVERIFY(shot);
        // The selection stayed on the first "beta".
        QCOMPARE(pane.Anchor(), (CPoint{6, 0}));
        const auto history = GetSyntaxEditor().findHistory.Items();
        QVERIFY(std::find(history.begin(), history.end(), "zeta") != history.end());
        // The last search was "zeta": search "beta" again through the dialog first.
        InDialog(Command::Find, [&](QWidget* dialog) {
            QCOMPARE(Child<QComboBox>(dialog, "findWhat")->currentText(), QStringLiteral("beta"));
            Child<QPushButton>(dialog, "findNext")->click();
            Child<QPushButton>(dialog, "cancel")->click();
        });
        QCOMPARE(pane.Anchor(), (CPoint{6, 1}));
        // F3 goes on to the third, Shift+F3 back to the second and the first.
        m_frame->Action(Command::FindNext)->trigger();
        QCOMPARE(pane.Anchor(), (CPoint{0, 2}));
        m_frame->Action(Command::FindPrevious)->trigger();
        QCOMPARE(pane.Anchor(), (CPoint{6, 1}));
        QCOMPARE(pane.Caret(), (CPoint{10, 1}));
        m_frame->Action(Command::FindPrevious)->trigger();
        QCOMPARE(pane.Anchor(), (CPoint{6, 0}));
    }

    // Replace All through the dialog changes every occurrence, and each
    // replacement is one undo step.
    void ReplaceAllIsOneUndo() {
        CTextEditView* view = Open("replace.txt", "one two one\nthree one\n");
        QVERIFY(view != nullptr);
        CSyntaxEditContext& context = view->Pane().Context();
        QVERIFY(!context.CanUndo());
        QString missing;
        InDialog(Command::Replace, [&](QWidget* dialog) {
            QCOMPARE(dialog->windowTitle(), QStringLiteral("Replace"));
            Child<QComboBox>(dialog, "findWhat")->setEditText(QStringLiteral("one"));
            Child<QComboBox>(dialog, "replaceWith")->setEditText(QStringLiteral("1"));
            QVERIFY(Child<QRadioButton>(dialog, "wholeFile")->isChecked());
            Child<QPushButton>(dialog, "replaceAll")->click();
            QCOMPARE(Text(context), std::string("1 two 1\nthree 1\n"));
            // Nothing is left to replace.
            AcceptMessage(&missing);
            Child<QPushButton>(dialog, "replaceAll")->click();
            Child<QPushButton>(dialog, "cancel")->click();
        });
        QCOMPARE(missing, QStringLiteral("Cannot find string \"one\""));
        QCOMPARE(Text(context), std::string("1 two 1\nthree 1\n"));
        QCOMPARE(m_frame->statusBar()->currentMessage(), QStringLiteral("3 occurrences replaced"));
        // Every replacement goes with one undo.
        m_frame->Action(Command::Undo)->trigger();
        QCOMPARE(Text(context), std::string("one two one\nthree one\n"));
        QVERIFY(!context.CanUndo());
    }

    // A regular expression's group goes into the replacement; Replace
    // replaces the match the dialog found, then finds the next one.
    void RegularExpressionReplacesWithItsGroup() {
        CTextEditView* view = Open("set.txt", "name=alpha\nname=beta\nname=gamma\n");
        QVERIFY(view != nullptr);
        CSyntaxEditContext& context = view->Pane().Context();
        InDialog(Command::Replace, [&](QWidget* dialog) {
            auto* regexp = Child<QCheckBox>(dialog, "regularExpression");
            auto* whole = Child<QCheckBox>(dialog, "wholeWord");
            whole->setChecked(true);
            regexp->setChecked(true);
            QVERIFY(!whole->isChecked() && !whole->isEnabled());
            Child<QComboBox>(dialog, "findWhat")->setEditText(QStringLiteral("name=(\\w+)"));
            Child<QComboBox>(dialog, "replaceWith")->setEditText(QStringLiteral("\\1 is set"));
            Child<QPushButton>(dialog, "findNext")->click();
            QCOMPARE(view->Pane().Anchor(), (CPoint{0, 0}));
            QCOMPARE(view->Pane().Caret(), (CPoint{10, 0}));
            Child<QPushButton>(dialog, "replace")->click();
            QCOMPARE(Text(context), std::string("alpha is set\nname=beta\nname=gamma\n"));
            QCOMPARE(view->Pane().Anchor(), (CPoint{0, 1}));
            Child<QPushButton>(dialog, "replaceAll")->click();
            Child<QPushButton>(dialog, "cancel")->click();
        });
        QCOMPARE(Text(context), std::string("alpha is set\nbeta is set\ngamma is set\n"));
    }

    // The export command asks for a file and writes the page there, with the
    // text in its syntax colours.
    void ExportWritesTheColouredPage() {
        CTextEditView* view = Open("main.c", "int main(void) { return a < b && c; }\n");
        QVERIFY(view != nullptr);
        QVERIFY(m_frame->Action(Command::ExportHtml)->isEnabled());
        const std::string target = m_dir->filePath(QStringLiteral("page")).toStdString();
        bool html = false;
        InDialog(Command::ExportHtml, [&](QWidget* dialog) {
            auto* files = qobject_cast<QFileDialog*>(dialog);
            QVERIFY(files != nullptr);
            html = files->nameFilters() ==
                   QStringList({QStringLiteral("HTML Files (*.html)"), QStringLiteral("All Files (*)")});
            uitest::ChooseFile(files, QString::fromStdString(target));
        });
        QVERIFY(html);
        const std::string page = ReadFile(target + ".html");  // the default extension
        QVERIFY2(page.find("<title>main.c</title>") != std::string::npos, page.c_str());
        QVERIFY2(page.find("<span class=\"tk\">int</span>") != std::string::npos, page.c_str());
        QVERIFY2(page.find("&lt;") != std::string::npos && page.find("&amp;&amp;") != std::string::npos,
                 page.c_str());
        QCOMPARE(QtFileFilter("HTML Files (*.html)|*.html|All Files (*.*)|*.*||"),
                 QStringLiteral("HTML Files (*.html);;All Files (*)"));
    }

    // An expression that backtracks without end is told as too complex
    // rather than searched for ever.
    void TooComplexExpressionIsTold() {
        CTextEditView* view = Open("long.txt", std::string(64, 'a') + "\n");
        QVERIFY(view != nullptr);
        QString told;
        InDialog(Command::Find, [&](QWidget* dialog) {
            Child<QCheckBox>(dialog, "regularExpression")->setChecked(true);
            Child<QComboBox>(dialog, "findWhat")->setEditText(QStringLiteral("(a+)+b"));
            AcceptMessage(&told);
            Child<QPushButton>(dialog, "findNext")->click();
            Child<QPushButton>(dialog, "cancel")->click();
        });
        QCOMPARE(told, QStringLiteral("The regular expression is too complex to search with."));
        QVERIFY(!view->Pane().HasSelection());
    }

    // In a comparison the focused side is searched, and replaced in (through
    // the comparison, as text_search_view_tests shows).
    void ComparisonSearchesTheFocusedSide() {
        CTextCompareParams request;
        request.sides[0].path = Write("left.txt", "same\nleft only\n");
        request.sides[1].path = Write("right.txt", "same\nright needle\n");
        auto* view = qobject_cast<CTextCompareView*>(m_frame->OpenRequest(request));
        QVERIFY(view != nullptr);
        QTest::qWait(0);
        view->Pane(1).setFocus();
        QTRY_COMPARE_WITH_TIMEOUT(view->ActiveSide(), 1, 30000);
        m_frame->UpdateCommands();
        QVERIFY(m_frame->Action(Command::Find)->isEnabled());
        QVERIFY(m_frame->Action(Command::Replace)->isEnabled());
        InDialog(Command::Find, [&](QWidget* dialog) {
            Child<QComboBox>(dialog, "findWhat")->setEditText(QStringLiteral("needle"));
            Child<QPushButton>(dialog, "findNext")->click();
            Child<QPushButton>(dialog, "cancel")->click();
        });
        CTextPane& pane = view->Pane(1);
        QVERIFY(pane.HasSelection());
        QCOMPARE(pane.SelectedText(), std::string("needle"));
        QVERIFY(!view->Pane(0).HasSelection());
    }

    // The language menu checks the document's definition; choosing another
    // colours the text with it.
    void LanguageMenuChangesTheDefinition() {
        CTextEditView* view = Open("notes.txt", "int x;\n");
        QVERIFY(view != nullptr);
        CSyntaxEditContext& context = view->Pane().Context();
        CSyntaxEditor& editor = GetSyntaxEditor();
        QCOMPARE(context.GetSyntaxDefinition(), editor.FindDefinitionForExtension("txt"));
        CSyntaxParser* c = editor.FindDefinitionForExtension("c");
        QVERIFY(c != nullptr && c != context.GetSyntaxDefinition());
        auto* menu = m_frame->findChild<QMenu*>(QStringLiteral("languageMenu"));
        QVERIFY(menu != nullptr);
        emit menu->aboutToShow();
        const QString cName = QStringLiteral("language%1").arg(36800 + c->GetLanguageNumber());
        const QString textName =
            QStringLiteral("language%1").arg(36800 + context.GetSyntaxDefinition()->GetLanguageNumber());
        QAction* text = menu->findChild<QAction*>(textName);
        QAction* cItem = menu->findChild<QAction*>(cName);
        QVERIFY(text != nullptr && cItem != nullptr);
        QVERIFY(text->isChecked() && !cItem->isChecked());
        QCOMPARE(cItem->text(), QString::fromStdString(c->GetName()));
        QCOMPARE(cItem->statusTip(), QString::fromStdString("Extensions:" + c->GetExtensions()));
        const QImage before = view->Pane().grab().toImage();
        cItem->trigger();
        QCOMPARE(context.GetSyntaxDefinition(), c);
        QTest::qWait(20);
        QVERIFY(view->Pane().grab().toImage() != before);  // "int" in the keyword colour now
        emit menu->aboutToShow();
        QVERIFY(menu->findChild<QAction*>(cName)->isChecked());
    }
};

QTEST_MAIN(FindDialogTest)
#include "FindDialogTest.moc"
