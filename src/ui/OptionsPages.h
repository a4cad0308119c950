// The pages of the options dialog and the small controls they share. Each
// page edits the settings of one component of the process and leaves the
// saving to the dialog.
#pragma once

#include <QPushButton>

#include <string>
#include <vector>

#include "binarycompare/BinaryComparer.h"
#include "binarycompare/HexEditOptions.h"
#include "editor/EditorOptions.h"
#include "foldercompare/FolderCompareOptions.h"
#include "persist/ColorScheme.h"
#include "persist/GeneralOptions.h"
#include "textcompare/TextCompareOptions.h"
#include "ui/OptionsPage.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QRadioButton;
class QSpinBox;
class QTableWidget;

namespace corvatine::ui {

// The settings the pages edit, as they stood: a dialog that is cancelled
// after some pages applied puts them back.
class COptionsState {
public:
    explicit COptionsState(const CGeneralOptions& general);
    void Restore(CGeneralOptions& general) const;

private:
    CGeneralOptions m_general;
    CTextCompareOptions m_text;
    CTextCompareColors m_textColors;
    CFolderCompareOptions m_folders;
    CFolderCompareColors m_folderColors;
    CBinaryCompareOptions m_binary;
    CSyntaxEditorOptions m_editor;
    CHexEditOptions m_hex;
    CColorSchemeOptions m_colorScheme;
};

// A button that shows a colour and lets the user choose another.
class CColorButton : public QPushButton {
    Q_OBJECT

public:
    CColorButton(const QString& name, QWidget* parent);
    QColor Color() const { return m_color; }
    void SetColor(const QColor& color);

private:
    QColor m_color;
};

// A font as the settings hold it: a face (or the default font), a height in
// pixels and a bold switch.
class CFontChooser : public QWidget {
    Q_OBJECT

public:
    // fixedPitch lists only fixed-pitch faces; allowDefault offers
    // "(Default)", which is the empty text.
    CFontChooser(bool fixedPitch, bool allowDefault, QWidget* parent);
    void SetFontText(const std::string& text, const QFont& fallback);
    std::string FontText() const;
    QComboBox& Face() const { return *m_face; }
    QSpinBox& Height() const { return *m_height; }
    QCheckBox& Bold() const { return *m_bold; }

private:
    QComboBox* m_face;
    QSpinBox* m_height;
    QCheckBox* m_bold;
    bool m_allowDefault;
};

// What the user sets of the general options: start page, left pane, tabs,
// long titles, recent list sizes, external editors, the last comparison at
// start-up, which comparisons are recorded, and the file watch.
class COptGeneralPage : public COptionsPage {
    Q_OBJECT

public:
    COptGeneralPage(CGeneralOptions& options, QWidget* parent = nullptr);
    QString Title() const override { return QStringLiteral("General"); }
    void Load() override;
    [[nodiscard]] bool Apply() override;

private:
    enum Switch {
        SHOW_START_PAGE,
        SHOW_LEFT_PANE,
        TABBED_DOCUMENTS,
        SHOW_LONG_TITLE,
        ESC_TO_CLOSE,
        LOAD_LAST_FOLDER,
        LOAD_LAST_FILE,
        SAVE_FOLDER,
        SAVE_PROJECT,
        SAVE_TEXT,
        SAVE_BINARY,
        NO_DUPLICATE_PAIRS,
        FILE_WATCH,
        SWITCH_COUNT
    };
    enum Size { MAX_MRU, MAX_FILES, MAX_COMPARISONS, MAX_PAIRS, SIZE_COUNT };
    int* SwitchField(int which) const;
    int* SizeField(int which) const;

    CGeneralOptions& m_options;
    QCheckBox* m_switches[SWITCH_COUNT] = {};
    QSpinBox* m_sizes[SIZE_COUNT] = {};
    QLineEdit* m_textEditor;
    QLineEdit* m_binaryEditor;
    QComboBox* m_colorScheme;
};

// Text comparisons: the default rules, the line filter with its presets,
// what is highlighted, the in-line detail level and word break, the colours.
class COptTextComparePage : public COptionsPage {
    Q_OBJECT

public:
    explicit COptTextComparePage(QWidget* parent = nullptr);
    QString Title() const override { return QStringLiteral("Text Comparison"); }
    void Load() override;
    [[nodiscard]] bool Apply() override;

private:
    static constexpr int kRuleCount = 10;
    enum Switch {
        HIGHLIGHT_SYNTAX,
        AUTO_RECOMPARE,
        JUMP_TO_FIRST,
        HIGHLIGHT_LINE_DIFFERENCES,
        HIGHLIGHT_TRIVIAL,
        FULL_TEXT_SEARCH,
        SWITCH_COUNT
    };
    void AddPreset();
    void UsePreset();

    QCheckBox* m_rules[kRuleCount] = {};
    QCheckBox* m_switches[SWITCH_COUNT] = {};
    QComboBox* m_lineFilter;
    QTableWidget* m_presets;
    QRadioButton* m_wordLevel;
    QRadioButton* m_characterLevel;
    QComboBox* m_wordBreak;
    QSpinBox* m_movedLines;
    QLineEdit* m_customBreak;
    std::vector<CColorButton*> m_colors;
};

// Folder comparisons: the default methods and their options, the default
// filters, the colours, the columns of new comparisons and the view.
class COptFolderComparePage : public COptionsPage {
    Q_OBJECT

public:
    explicit COptFolderComparePage(QWidget* parent = nullptr);
    QString Title() const override { return QStringLiteral("Folder Comparison"); }
    void Load() override;
    [[nodiscard]] bool Apply() override;

private:
    static constexpr int kMethodCount = 8;
    static constexpr int kColumnCount = 8;  // the columns beside the name

    QCheckBox* m_methods[kMethodCount] = {};
    QSpinBox* m_smallTime;
    QCheckBox* m_ignoreFolderDifferences;
    QCheckBox* m_autoScan;
    QLineEdit* m_patterns[4] = {};  // files include, exclude; folders include, exclude
    QComboBox* m_scheme;
    std::vector<CColorButton*> m_colors;
    QCheckBox* m_columns[kColumnCount] = {};
    QCheckBox* m_gridLines;
    QCheckBox* m_folderWatch;
    CFontChooser* m_font;
};

// Binary comparisons.
class COptBinaryComparePage : public COptionsPage {
    Q_OBJECT

public:
    explicit COptBinaryComparePage(QWidget* parent = nullptr);
    QString Title() const override { return QStringLiteral("Binary Comparison"); }
    void Load() override;
    [[nodiscard]] bool Apply() override;

private:
    QCheckBox* m_autoRecompare;
};

// The text editor: the font, the tab size and the syntax colours.
class COptEditorPage : public COptionsPage {
    Q_OBJECT

public:
    explicit COptEditorPage(QWidget* parent = nullptr);
    QString Title() const override { return QStringLiteral("Editor"); }
    void Load() override;
    [[nodiscard]] bool Apply() override;

private:
    CFontChooser* m_font;
    // What the chooser showed on loading: an untouched chooser leaves the
    // setting as it was (the default font stays the default).
    std::string m_loadedFont;
    QSpinBox* m_tabSize;
    QCheckBox* m_trackChanges;
    CColorButton* m_background;
    std::vector<CColorButton*> m_colors;  // by entry of kEditorColors
    std::vector<QCheckBox*> m_bold;
};

// The hex editor: bytes per row and group, case, addresses, the character
// column, backups, the font and the colours.
class COptHexEditorPage : public COptionsPage {
    Q_OBJECT

public:
    explicit COptHexEditorPage(QWidget* parent = nullptr);
    QString Title() const override { return QStringLiteral("Hex Editor"); }
    void Load() override;
    [[nodiscard]] bool Apply() override;

private:
    QSpinBox* m_rowSize;
    QSpinBox* m_groupSize;
    QCheckBox* m_upperCase;
    QCheckBox* m_decimalAddresses;
    QCheckBox* m_characterArea;
    QCheckBox* m_backup;
    CFontChooser* m_font;
    std::vector<CColorButton*> m_colors;
};

}  // namespace corvatine::ui
