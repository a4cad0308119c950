// The options dialog driven as a user drives it: opened from the Tools menu,
// values changed through the pages' widgets, confirmed or cancelled, and the
// settings file and the open views checked afterwards.
#include <QAction>
#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>

#include <fstream>
#include <functional>
#include <memory>

#include "UiTestApp.h"
#include "binarycompare/BinaryComparer.h"
#include "binarycompare/HexEditOptions.h"
#include "editor/SyntaxEditor.h"
#include "foldercompare/FolderCompareOptions.h"
#include "launch/Components.h"
#include "platform/Profile.h"
#include "platform/RegistryHive.h"
#include "textcompare/TextCompareOptions.h"
#include "ui/MainFrame.h"
#include "ui/OptionFonts.h"
#include "ui/OptionsDialog.h"
#include "ui/OptionsPages.h"
#include "ui/TextCompareView.h"
#include "ui/TextPane.h"
#include "ui/UiText.h"

using namespace corvatine;
using namespace corvatine::ui;

namespace {

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

enum Page { GENERAL, TEXT, FOLDER, BINARY, EDITOR, HEX };

template <typename T>
T* Find(QWidget* dialog, const char* name) {
    T* widget = dialog->findChild<T*>(QString::fromLatin1(name));
    if (widget == nullptr) qWarning("no widget %s", name);
    return widget;
}

// Shows a page as the user does, by clicking its entry in the list.
void ShowPage(COptionsDialog* dialog, Page page) {
    auto* list = Find<QListWidget>(dialog, "optionPages");
    QListWidgetItem* item = list->item(page);
    list->scrollToItem(item);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(item).center());
}

// Check boxes and radio buttons take a click on their box and text only:
// near the left end.
void Click(QAbstractButton* button) {
    const bool boxed =
        qobject_cast<QCheckBox*>(button) != nullptr || qobject_cast<QRadioButton*>(button) != nullptr;
    QTest::mouseClick(button, Qt::LeftButton, {},
                      boxed ? QPoint(6, button->height() / 2) : button->rect().center());
}

// A spin box given a new value from the keyboard.
void Type(QSpinBox* box, int value) {
    box->setFocus();
    box->selectAll();
    QTest::keyClicks(box, QString::number(value));
    QTest::keyClick(box, Qt::Key_Tab);
}

void Type(QLineEdit* edit, const QString& text) {
    edit->setFocus();
    edit->selectAll();
    QTest::keyClicks(edit, text);
}

// Clicks a colour button and chooses the colour in the dialog it opens.
void ChooseColor(COptionsDialog* dialog, const char* name, const QColor& color) {
    uitest::AnswerNextDialog([color](QWidget* shown) {
        auto* chooser = qobject_cast<QColorDialog*>(shown);
        QVERIFY2(chooser != nullptr, "a colour dialog");
        chooser->setCurrentColor(color);
        chooser->accept();
    });
    Click(Find<CColorButton>(dialog, name));
}

QPushButton* DialogButton(COptionsDialog* dialog, const char* text) {
    for (QPushButton* button : dialog->findChildren<QPushButton*>())
        if (button->text().remove(QLatin1Char('&')) == QLatin1String(text)) return button;
    qWarning("no button %s", text);
    return nullptr;
}

}  // namespace

class OptionsDialogTest : public QObject {
    Q_OBJECT

private:
    std::string SettingsFile() const {
        return m_config->filePath(QStringLiteral("registry.reg")).toStdString();
    }

    // Opens the dialog through the Tools menu and hands it to act while it
    // is shown; act ends it (or leaves it open, which the caller then ends).
    void WithOptions(const std::function<void(COptionsDialog*)>& act) {
        bool reached = false;
        uitest::AnswerNextDialog([&](QWidget* shown) {
            auto* dialog = qobject_cast<COptionsDialog*>(shown);
            QVERIFY2(dialog != nullptr, "the options dialog");
            reached = true;
            act(dialog);
            if (dialog->isVisible()) dialog->reject();
        });
        QAction* options = m_frame->findChild<QAction*>(QStringLiteral("options"));
        QVERIFY(options != nullptr);
        QVERIFY(m_frame->menuBar()->actions().size() > 0);
        options->trigger();
        QVERIFY(reached);
    }

    // A fresh read of the settings file, as the next start of the program reads it.
    struct STORED {
        platform::CRegistryHive hive;
        platform::CProfile profile;
        explicit STORED(const std::string& path)
            : hive(path, "HKEY_CURRENT_USER"), profile(hive, platform::kSettingsRoot) {}
    };

    std::unique_ptr<QTemporaryDir> m_config;
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<CCorvatineApp> m_app;
    std::unique_ptr<CMainFrame> m_frame;

private slots:
    void initTestCase() {
        m_config = std::make_unique<QTemporaryDir>();
        m_dir = std::make_unique<QTemporaryDir>();
        m_app = uitest::StartTestApp(*m_config);
        m_frame = std::make_unique<CMainFrame>(*m_app);
        m_frame->resize(1000, 600);
        m_frame->show();
    }
    void cleanupTestCase() {
        m_frame.reset();
        uitest::StopTestApp();
    }

    // Changed on every page and confirmed: the settings file holds the new
    // values, and the dialog opened again shows them.
    void OkWritesEveryPage() {
        WithOptions([&](COptionsDialog* dialog) {
            QCOMPARE(dialog->PageCount(), 7);
            const QStringList titles = {QStringLiteral("General"),
                                        QStringLiteral("Text Comparison"),
                                        QStringLiteral("Folder Comparison"),
                                        QStringLiteral("Binary Comparison"),
                                        QStringLiteral("Editor"),
                                        QStringLiteral("Hex Editor"),
                                        QStringLiteral("Integration")};
            for (int i = 0; i < dialog->PageCount(); ++i) QCOMPARE(dialog->Page(i)->Title(), titles[i]);

            ShowPage(dialog, GENERAL);
            QCOMPARE(dialog->CurrentPage()->objectName(), QStringLiteral("generalPage"));
            auto* startPage = Find<QCheckBox>(dialog, "showStartPage");
            QVERIFY(startPage->isChecked());
            Click(startPage);
            Click(Find<QCheckBox>(dialog, "noDuplicatePairs"));
            Click(Find<QCheckBox>(dialog, "fileWatch"));
            Type(Find<QSpinBox>(dialog, "maxFiles"), 7);
            Type(Find<QSpinBox>(dialog, "maxPairs"), 250);
            Type(Find<QLineEdit>(dialog, "externalTextEditor"), QStringLiteral("/usr/bin/vi"));

            ShowPage(dialog, TEXT);
            Click(Find<QCheckBox>(dialog, "ruleIgnoreCase"));
            Click(Find<QCheckBox>(dialog, "ruleIgnoreEOLs"));  // on by default
            Click(Find<QRadioButton>(dialog, "wordLevel"));
            auto* wordBreak = Find<QComboBox>(dialog, "wordBreak");
            wordBreak->setFocus();
            QTest::keyClick(wordBreak, Qt::Key_Down);  // punctuation to custom
            QCOMPARE(wordBreak->currentIndex(), 2);
            Type(Find<QLineEdit>(dialog, "customWordBreak"), QStringLiteral("-/"));
            Type(Find<QComboBox>(dialog, "lineFilter")->lineEdit(), QStringLiteral("^#"));
            Click(Find<QPushButton>(dialog, "addPreset"));  // a preset of the line filter typed
            ChooseColor(dialog, "colorChanged", QColor(0x12, 0x34, 0x56));

            ShowPage(dialog, FOLDER);
            Click(Find<QCheckBox>(dialog, "methodCRC"));
            Click(Find<QCheckBox>(dialog, "methodTime"));
            Type(Find<QSpinBox>(dialog, "smallTimeToIgnore"), 5);
            Type(Find<QLineEdit>(dialog, "fileExclude"), QStringLiteral("*.o;*.obj"));
            Click(Find<QCheckBox>(dialog, "columnCRC"));
            ChooseColor(dialog, "folderColor7", QColor(0xaa, 0xbb, 0xcc));
            QCOMPARE(Find<QComboBox>(dialog, "colorScheme")->currentText(), QStringLiteral("Custom"));

            ShowPage(dialog, BINARY);
            Click(Find<QCheckBox>(dialog, "binaryAutoRecompare"));

            ShowPage(dialog, EDITOR);
            Type(Find<QSpinBox>(dialog, "tabSize"), 8);
            Click(Find<QCheckBox>(dialog, "colorCommentsBold"));
            ChooseColor(dialog, "colorKeywords", QColor(0x80, 0x10, 0x20));

            ShowPage(dialog, HEX);
            Type(Find<QSpinBox>(dialog, "rowSize"), 32);
            Type(Find<QSpinBox>(dialog, "groupSize"), 8);
            Click(Find<QCheckBox>(dialog, "showUppercase"));
            ChooseColor(dialog, "hexColorChanged", QColor(0x00, 0x99, 0x00));

            Click(DialogButton(dialog, "OK"));
            QVERIFY(!dialog->isVisible());
            QCOMPARE(dialog->result(), int(QDialog::Accepted));
        });

        STORED stored(SettingsFile());
        const platform::CProfile& p = stored.profile;
        QCOMPARE(p.GetInt("Settings", "ShowStartPage", -1), 0);
        QCOMPARE(p.GetInt("Settings", "NoDuplicatePairs", -1), 1);
        QCOMPARE(p.GetInt("Settings", "MaxFiles", -1), 7);
        QCOMPARE(p.GetInt("Settings", "MaxPairs", -1), 250);
        QCOMPARE(p.GetString("Settings", "ExternalTextEditor", ""), std::string("/usr/bin/vi"));
        QCOMPARE(p.GetInt("Comparisons\\FileComparison\\Settings", "FileWatch", -1), 0);

        QCOMPARE(p.GetInt(kDefaultRulesKey, "IgnoreCase", -1), 1);
        QCOMPARE(p.GetInt(kDefaultRulesKey, "IgnoreEOLs", -1), 0);
        QCOMPARE(p.GetString(kDefaultRulesKey, "LineFilter", ""), std::string("^#"));
        QCOMPARE(p.GetString(kPresetLineFiltersKey, "Filter1", ""), std::string("^#"));
        QCOMPARE(p.GetString(kPresetLineFiltersKey, "Name1", ""), std::string("New filter"));
        QCOMPARE(p.GetInt(kTextCompareSettingsKey, "DetailLevel", -1), 0);
        QCOMPARE(p.GetInt(kTextCompareSettingsKey, "WordBreak", -1), 2);
        QCOMPARE(p.GetString(kTextCompareSettingsKey, "CustomWordBreak", ""), std::string("-/"));
        QCOMPARE(p.GetInt(kTextCompareColorsKey, "Color1", -1), 0x563412);

        QCOMPARE(p.GetInt(kDefaultMethodsKey, "CompareCRC", -1), 1);
        QCOMPARE(p.GetInt(kDefaultMethodsKey, "CompareLMTime", -1), 0);
        QCOMPARE(p.GetInt(kMethodsKey, "SmallTimeToIgnore", -1), 5);
        QCOMPARE(p.GetString(kDefaultFileFiltersKey, "NameExclude", "?"), std::string("*.o;*.obj"));
        QCOMPARE(p.GetInt(kFolderSettingsKey, "ShowColumns", -1),
                 0x7 | (1 << 6));  // CRC added to the default three
        QCOMPARE(p.GetInt(kFolderCompareColorsKey, "Color7", -1), 0xccbbaa);

        QCOMPARE(p.GetInt(kBinaryCompareSettingsKey, "AutoRecompare", -1), 0);

        QCOMPARE(p.GetInt(kTextEditorSettingsKey, "TabSize", -1), 8);
        QCOMPARE(p.GetInt(kTextEditorColorsKey, "Bold12", -1), 1);  // comments, entry 11
        QCOMPARE(p.GetInt(kTextEditorColorsKey, "Color10", -1), 0x201080);

        QCOMPARE(p.GetInt(kHexEditSettingsKey, "RowSize", -1), 32);
        QCOMPARE(p.GetInt(kHexEditSettingsKey, "GroupSize", -1), 8);
        QCOMPARE(p.GetInt(kHexEditSettingsKey, "ShowUppercase", -1), 0);
        QCOMPARE(p.GetInt(kHexEditColorsKey, "Color5", -1), 0x009900);

        // Opened again, the pages show what was stored.
        WithOptions([&](COptionsDialog* dialog) {
            QVERIFY(!Find<QCheckBox>(dialog, "showStartPage")->isChecked());
            QVERIFY(!Find<QCheckBox>(dialog, "fileWatch")->isChecked());
            QCOMPARE(Find<QSpinBox>(dialog, "maxFiles")->value(), 7);
            QCOMPARE(Find<QLineEdit>(dialog, "externalTextEditor")->text(), QStringLiteral("/usr/bin/vi"));
            QVERIFY(Find<QCheckBox>(dialog, "ruleIgnoreCase")->isChecked());
            QVERIFY(!Find<QCheckBox>(dialog, "ruleIgnoreEOLs")->isChecked());
            QVERIFY(Find<QRadioButton>(dialog, "wordLevel")->isChecked());
            QCOMPARE(Find<QLineEdit>(dialog, "customWordBreak")->text(), QStringLiteral("-/"));
            QCOMPARE(Find<QComboBox>(dialog, "lineFilter")->currentText(), QStringLiteral("^#"));
            QCOMPARE(Find<CColorButton>(dialog, "colorChanged")->Color(), QColor(0x12, 0x34, 0x56));
            QVERIFY(Find<QCheckBox>(dialog, "methodCRC")->isChecked());
            QVERIFY(!Find<QCheckBox>(dialog, "methodTime")->isChecked());
            QCOMPARE(Find<QSpinBox>(dialog, "smallTimeToIgnore")->value(), 5);
            QCOMPARE(Find<QLineEdit>(dialog, "fileExclude")->text(), QStringLiteral("*.o;*.obj"));
            QVERIFY(Find<QCheckBox>(dialog, "columnCRC")->isChecked());
            QCOMPARE(Find<QComboBox>(dialog, "colorScheme")->currentText(), QStringLiteral("Custom"));
            QVERIFY(!Find<QCheckBox>(dialog, "binaryAutoRecompare")->isChecked());
            QCOMPARE(Find<QSpinBox>(dialog, "tabSize")->value(), 8);
            QVERIFY(Find<QCheckBox>(dialog, "colorCommentsBold")->isChecked());
            QCOMPARE(Find<CColorButton>(dialog, "colorKeywords")->Color(), QColor(0x80, 0x10, 0x20));
            QCOMPARE(Find<QSpinBox>(dialog, "rowSize")->value(), 32);
            QCOMPARE(Find<QSpinBox>(dialog, "groupSize")->value(), 8);
            QVERIFY(!Find<QCheckBox>(dialog, "showUppercase")->isChecked());
            QCOMPARE(Find<CColorButton>(dialog, "hexColorChanged")->Color(), QColor(0x00, 0x99, 0x00));
            Click(DialogButton(dialog, "Cancel"));
        });
    }

    // Cancel leaves the settings file as it was, byte for byte, and the
    // settings in force as they were.
    void CancelChangesNothing() {
        const std::string before = ReadFile(SettingsFile());
        QVERIFY(!before.empty());
        WithOptions([&](COptionsDialog* dialog) {
            ShowPage(dialog, GENERAL);
            Type(Find<QSpinBox>(dialog, "maxFiles"), 3);
            ShowPage(dialog, TEXT);
            Click(Find<QCheckBox>(dialog, "ruleIgnoreBlankLines"));
            ChooseColor(dialog, "colorChanged", QColor(0xff, 0x00, 0xff));
            ShowPage(dialog, HEX);
            Type(Find<QSpinBox>(dialog, "rowSize"), 64);
            Click(DialogButton(dialog, "Cancel"));
            QCOMPARE(dialog->result(), int(QDialog::Rejected));
        });
        QCOMPARE(ReadFile(SettingsFile()), before);
        QCOMPARE(m_app->generalOptions.maxFiles, 7);
        QCOMPARE(AppComponents().Text().rules & RULE_IGNORE_BLANK_LINES, 0u);
        QCOMPARE(AppComponents().Text().colors.Get(TCC_CHANGED), 0x563412u);
        QCOMPARE(AppComponents().Hex().rowSize, 32);
    }

    // What the pages say is said as on Linux: no "environment", no colour
    // entry that colours nothing.
    void PagesSpeakPlainly() {
        WithOptions([&](COptionsDialog* dialog) {
            QStringList texts;
            for (const QLabel* label : dialog->findChildren<QLabel*>()) texts << label->text();
            for (const QAbstractButton* button : dialog->findChildren<QAbstractButton*>())
                texts << button->text();
            const QString all = texts.join(QLatin1Char('\n'));
            for (const char* word : {"environment", "unused", "Colour 5", "Colour 6", "recycle"})
                QVERIFY2(!all.contains(QLatin1String(word), Qt::CaseInsensitive), word);
            QVERIFY(all.contains(QStringLiteral("&Detect when a file is changed by another program")));
            QVERIFY(all.contains(QStringLiteral("Text of items that could not be compared")));
            // Looked at from their page, which need not be the page shown.
            QWidget* page = Find<QWidget>(dialog, "folderComparePage");
            for (const char* hidden : {"folderColor5", "folderColor6"})
                QVERIFY2(!Find<QPushButton>(dialog, hidden)->isVisibleTo(page), hidden);
            QVERIFY(Find<QPushButton>(dialog, "folderColor9")->isVisibleTo(page));
            Click(DialogButton(dialog, "Cancel"));
        });
    }

    // A page that refuses its values keeps the dialog open on it, with
    // nothing written; a later Cancel puts back what the pages before it took.
    void RefusingPageKeepsTheDialogOpen() {
        const std::string before = ReadFile(SettingsFile());
        WithOptions([&](COptionsDialog* dialog) {
            ShowPage(dialog, GENERAL);
            Type(Find<QSpinBox>(dialog, "maxComparisons"), 11);
            ShowPage(dialog, TEXT);
            Type(Find<QComboBox>(dialog, "lineFilter")->lineEdit(), QStringLiteral("a\\(b"));
            ShowPage(dialog, BINARY);

            QString told;
            uitest::AnswerNextDialog([&told](QWidget* shown) {
                auto* box = qobject_cast<QMessageBox*>(shown);
                QVERIFY2(box != nullptr, "a message box");
                told = box->text();
                box->button(QMessageBox::Ok)->click();
            });
            Click(DialogButton(dialog, "OK"));
            QVERIFY(dialog->isVisible());
            QVERIFY(
                told.startsWith(QStringLiteral("The line filter \"a\\(b\" is no valid regular expression")));
            QCOMPARE(dialog->CurrentPage()->objectName(), QStringLiteral("textComparePage"));
            QCOMPARE(ReadFile(SettingsFile()), before);

            // The hex page refuses a group larger than a row.
            Type(Find<QComboBox>(dialog, "lineFilter")->lineEdit(), QStringLiteral("a\\(b\\)"));
            ShowPage(dialog, HEX);
            Type(Find<QSpinBox>(dialog, "groupSize"), 40);
            ShowPage(dialog, GENERAL);
            told.clear();
            uitest::AnswerNextDialog([&told](QWidget* shown) {
                auto* box = qobject_cast<QMessageBox*>(shown);
                QVERIFY2(box != nullptr, "a message box");
                told = box->text();
                box->button(QMessageBox::Ok)->click();
            });
            Click(DialogButton(dialog, "OK"));
            QVERIFY(dialog->isVisible());
            QCOMPARE(told, QStringLiteral("A group cannot hold more bytes than a row."));
            QCOMPARE(dialog->CurrentPage()->objectName(), QStringLiteral("hexEditorPage"));
            QCOMPARE(ReadFile(SettingsFile()), before);
            Click(DialogButton(dialog, "Cancel"));
        });
        QCOMPARE(ReadFile(SettingsFile()), before);
        QCOMPARE(m_app->generalOptions.maxComparisons, 100);
        QCOMPARE(AppComponents().Text().lineFilter, std::string("^#"));
    }

    // Apply saves and keeps the dialog open; the open comparison takes a
    // new changed-line colour and the editor's tab size at once.
    void OpenViewsTakeTheNewOptions() {
        CTextCompareParams request;
        request.sides[0].path = uitest::WriteInto(*m_dir, "left.txt", "same\nold line\nsame\n\tx\n");
        request.sides[1].path = uitest::WriteInto(*m_dir, "right.txt", "same\nnew line\nsame\n\tx\n");
        request.rules = 0;
        auto* view = qobject_cast<CTextCompareView*>(m_frame->OpenRequest(request));
        QVERIFY(view != nullptr);
        QTest::qWait(20);
        CTextPane& pane = view->Pane(0);
        // Far right on the row, beyond its text.
        const auto pixel = [&pane](int row) {
            const QImage image = pane.grab().toImage();
            return image.pixelColor(pane.width() - 20, pane.RowRect(row).center().y());
        };
        QCOMPARE(pixel(1), ToQColor(AppComponents().Text().colors.Get(TCC_CHANGED)));
        QCOMPARE(pane.TabSize(), 8);

        const QColor green(0x20, 0xc0, 0x40);
        WithOptions([&](COptionsDialog* dialog) {
            ShowPage(dialog, TEXT);
            ChooseColor(dialog, "colorChanged", green);
            ShowPage(dialog, EDITOR);
            Type(Find<QSpinBox>(dialog, "tabSize"), 3);
            QVERIFY(pixel(1) != green);
            Click(DialogButton(dialog, "Apply"));
            QVERIFY(dialog->isVisible());
            QTest::qWait(20);
            QCOMPARE(pixel(1), green);
            QCOMPARE(pane.TabSize(), 3);
            STORED stored(SettingsFile());
            QCOMPARE(stored.profile.GetInt(kTextCompareColorsKey, "Color1", -1), 0x40c020);

            // Cancel after Apply keeps what Apply saved.
            Click(DialogButton(dialog, "Cancel"));
        });
        QCOMPARE(AppComponents().Text().colors.Get(TCC_CHANGED), 0x40c020u);
        QCOMPARE(GetSyntaxEditor().tabSize, 3);
        QVERIFY(m_frame->CloseView(view));
    }

    // The HTML export of an editor lays out tabs with the editor's tab size.
    void ExportTakesTheTabSize() {
        QCOMPARE(GetSyntaxEditor().tabSize, 3);
        CDocumentView* view = m_frame->OpenFile(uitest::WriteInto(*m_dir, "tabs.txt", "a\tx\n"));
        QVERIFY(view != nullptr);
        const std::string target = m_dir->filePath(QStringLiteral("tabs.html")).toStdString();
        uitest::AnswerNextDialog([&](QWidget* shown) {
            auto* files = qobject_cast<QFileDialog*>(shown);
            QVERIFY2(files != nullptr, "a file dialog");
            uitest::ChooseFile(files, QString::fromStdString(target));
        });
        m_frame->Action(Command::ExportHtml)->trigger();
        const std::string page = ReadFile(target);
        QVERIFY2(page.find("a  x") != std::string::npos, page.c_str());
        QVERIFY2(page.find("a   x") == std::string::npos, page.c_str());
        QVERIFY(m_frame->CloseView(view));
    }

    // Fonts as the settings hold them, and the editor's font chosen on its page.
    void Fonts() {
        const QFont fallback(QStringLiteral("DejaVu Sans"), 9);
        const QFont font = FontFromText("DejaVu Sans Mono|17|700|1|0", fallback);
        QCOMPARE(font.family(), QStringLiteral("DejaVu Sans Mono"));
        QCOMPARE(font.pixelSize(), 17);
        QVERIFY(font.bold());
        QVERIFY(font.italic());
        QCOMPARE(FontText(font), std::string("DejaVu Sans Mono|17|700|1|0"));
        QCOMPARE(FontFromText("DejaVu Sans Mono|17", fallback), fallback);
        QCOMPARE(FontFromText("DejaVu Sans Mono|x|400|0|0", fallback), fallback);
        QCOMPARE(FontFromText("", fallback), fallback);
        // A face the system lacks keeps the fallback's face, with the size asked.
        const QFont missing = FontFromText("No Such Face|20|400|0|0", fallback);
        QCOMPARE(missing.family(), fallback.family());
        QCOMPARE(missing.pixelSize(), 20);

        // Untouched, the editor's default font stays the default.
        QCOMPARE(GetSyntaxEditor().font, std::string());
        WithOptions([&](COptionsDialog* dialog) {
            ShowPage(dialog, EDITOR);
            Click(DialogButton(dialog, "OK"));
        });
        QCOMPARE(GetSyntaxEditor().font, std::string());
        WithOptions([&](COptionsDialog* dialog) {
            ShowPage(dialog, EDITOR);
            auto* face = Find<QComboBox>(Find<QWidget>(dialog, "editorFont"), "fontFace");
            face->setCurrentIndex(face->findText(QStringLiteral("DejaVu Sans Mono")));
            QVERIFY(face->currentIndex() >= 0);
            Type(Find<QSpinBox>(Find<QWidget>(dialog, "editorFont"), "fontHeight"), 18);
            Click(DialogButton(dialog, "OK"));
        });
        QCOMPARE(GetSyntaxEditor().font, std::string("DejaVu Sans Mono|18|400|0|0"));
        STORED stored(SettingsFile());
        QCOMPARE(stored.profile.GetString(kTextEditorSettingsKey, "Font", ""),
                 std::string("DejaVu Sans Mono|18|400|0|0"));
    }

    // The dialog drawn and looked at.
    void Screenshot() {
        WithOptions([&](COptionsDialog* dialog) {
            ShowPage(dialog, TEXT);
            QTest::qWait(20);
            const QImage image = dialog->grab().toImage();
            QVERIFY(image.width() >= 800);
            // The chosen changed-line colour is on its swatch.
            auto* button = Find<CColorButton>(dialog, "colorChanged");
            const QImage swatch = button->grab().toImage();
            QCOMPARE(swatch.pixelColor(button->width() / 2, button->height() / 2), QColor(0x20, 0xc0, 0x40));
            const QByteArray folder = qgetenv("CORVATINE_SCREENSHOTS");
            if (!folder.isEmpty()) {
                const QString shots = QString::fromLocal8Bit(folder);
                QDir().mkpath(shots);
                QVERIFY(image.save(shots + QStringLiteral("/options.png")));
                // Every other page too.
                for (const Page page : {GENERAL, FOLDER, BINARY, EDITOR, HEX}) {
                    ShowPage(dialog, page);
                    QTest::qWait(20);
                    QVERIFY(dialog->grab().save(shots + QStringLiteral("/options-%1.png").arg(page)));
                }
            }
            Click(DialogButton(dialog, "Cancel"));
        });
    }
};

QTEST_MAIN(OptionsDialogTest)
#include "OptionsDialogTest.moc"
