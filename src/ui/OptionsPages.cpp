#include "ui/OptionsPages.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QFileDialog>
#include <QFontDatabase>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPainter>
#include <QPixmap>
#include <QSpinBox>
#include <QVBoxLayout>

#include <algorithm>

#include "binarycompare/BinaryComparer.h"
#include "binarycompare/HexEditOptions.h"
#include "editor/SyntaxEditor.h"
#include "launch/Components.h"
#include "ui/OptionFonts.h"
#include "ui/UiText.h"

namespace corvatine::ui {

namespace {

constexpr int kSwatchWidth = 36;
constexpr int kSwatchHeight = 14;
constexpr int kMinimumFontHeight = 6;
constexpr int kMaximumFontHeight = 96;
constexpr int kNumberWidth = 120;  // a spin box for a small number

QCheckBox* AddCheck(QLayout* layout, QWidget* parent, const char* text, const char* name) {
    auto* box = new QCheckBox(QString::fromUtf8(text), parent);
    box->setObjectName(QString::fromLatin1(name));
    layout->addWidget(box);
    return box;
}

// A row of a line edit and its "Browse..." button that picks a program.
QWidget* ProgramRow(QLineEdit* edit, QWidget* parent) {
    auto* row = new QWidget(parent);
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(edit, 1);
    auto* browse = new QPushButton(QStringLiteral("Browse..."), row);
    QObject::connect(browse, &QPushButton::clicked, edit, [edit, parent] {
        const QString path =
            QFileDialog::getOpenFileName(parent, QStringLiteral("Choose a Program"), edit->text());
        if (!path.isEmpty()) edit->setText(path);
    });
    layout->addWidget(browse);
    return row;
}

}  // namespace

// ---- State ----

COptionsState::COptionsState(const CGeneralOptions& general)
    : m_general(general),
      m_text(AppComponents().Text()),
      m_textColors(AppComponents().Text().colors),
      m_folders(AppComponents().Folders()),
      m_folderColors(AppComponents().Folders().colors),
      m_binary(AppComponents().Binary()),
      m_editor(GetSyntaxEditor()),
      m_hex(AppComponents().Hex()),
      m_colorScheme(AppComponents().ColorSchemeChoice()) {}

void COptionsState::Restore(CGeneralOptions& general) const {
    general = m_general;
    static_cast<CTextCompareOptions&>(AppComponents().Text()) = m_text;
    AppComponents().Text().colors = m_textColors;
    static_cast<CFolderCompareOptions&>(AppComponents().Folders()) = m_folders;
    AppComponents().Folders().colors = m_folderColors;
    static_cast<CBinaryCompareOptions&>(AppComponents().Binary()) = m_binary;
    static_cast<CSyntaxEditorOptions&>(GetSyntaxEditor()) = m_editor;
    static_cast<CHexEditOptions&>(AppComponents().Hex()) = m_hex;
    AppComponents().ColorSchemeChoice() = m_colorScheme;
}

// ---- Controls ----

CColorButton::CColorButton(const QString& name, QWidget* parent) : QPushButton(parent) {
    setObjectName(name);
    setAutoDefault(false);
    connect(this, &QPushButton::clicked, this, [this] {
        QColorDialog dialog(m_color, this);
        dialog.setWindowTitle(QStringLiteral("Choose a Colour"));
        if (dialog.exec() == QDialog::Accepted) SetColor(dialog.selectedColor());
    });
}

void CColorButton::SetColor(const QColor& color) {
    m_color = color;
    QPixmap swatch(kSwatchWidth, kSwatchHeight);
    swatch.fill(color);
    QPainter painter(&swatch);
    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawRect(0, 0, kSwatchWidth - 1, kSwatchHeight - 1);
    painter.end();
    setIcon(QIcon(swatch));
    setIconSize(swatch.size());
    setToolTip(color.name());
}

CFontChooser::CFontChooser(bool fixedPitch, bool allowDefault, QWidget* parent)
    : QWidget(parent), m_allowDefault(allowDefault) {
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    m_face = new QComboBox(this);
    m_face->setObjectName(QStringLiteral("fontFace"));
    if (allowDefault) m_face->addItem(QStringLiteral("(Default)"));
    for (const QString& family : QFontDatabase::families())
        if (!fixedPitch || QFontDatabase::isFixedPitch(family)) m_face->addItem(family);
    m_height = new QSpinBox(this);
    m_height->setObjectName(QStringLiteral("fontHeight"));
    m_height->setRange(kMinimumFontHeight, kMaximumFontHeight);
    m_height->setSuffix(QStringLiteral(" px"));
    m_bold = new QCheckBox(QStringLiteral("Bold"), this);
    m_bold->setObjectName(QStringLiteral("fontBold"));
    layout->addWidget(m_face, 1);
    layout->addWidget(m_height);
    layout->addWidget(m_bold);
    if (allowDefault)
        connect(m_face, &QComboBox::currentIndexChanged, this, [this](int index) {
            m_height->setEnabled(index != 0);
            m_bold->setEnabled(index != 0);
        });
}

void CFontChooser::SetFontText(const std::string& text, const QFont& fallback) {
    const QFont font = FontFromText(text, fallback);
    // A face this system lacks stays chosen: the settings may travel.
    QString face = FromPath(text).section(QLatin1Char('|'), 0, 0);
    if (face.isEmpty()) face = font.family();
    int index = m_face->findText(face, Qt::MatchFixedString);
    if (m_allowDefault && text.empty()) index = 0;
    if (index < 0) {
        m_face->addItem(face);
        index = m_face->count() - 1;
    }
    m_face->setCurrentIndex(index);
    m_height->setValue(font.pixelSize() > 0 ? font.pixelSize() : QFontInfo(font).pixelSize());
    m_bold->setChecked(font.bold());
    m_height->setEnabled(!(m_allowDefault && index == 0));
    m_bold->setEnabled(m_height->isEnabled());
}

std::string CFontChooser::FontText() const {
    if (m_allowDefault && m_face->currentIndex() == 0) return std::string();
    return ToPath(m_face->currentText()) + "|" + std::to_string(m_height->value()) + "|" +
           (m_bold->isChecked() ? "700" : "400") + "|0|0";
}

// ---- General ----

COptGeneralPage::COptGeneralPage(CGeneralOptions& options, QWidget* parent)
    : COptionsPage(parent), m_options(options) {
    setObjectName(QStringLiteral("generalPage"));
    auto* layout = new QGridLayout(this);

    auto* window = new QGroupBox(QStringLiteral("Window"), this);
    auto* windowLayout = new QVBoxLayout(window);
    m_switches[SHOW_START_PAGE] = AddCheck(windowLayout, window, "Show the &start page", "showStartPage");
    m_switches[SHOW_LEFT_PANE] =
        AddCheck(windowLayout, window, "Show the &left pane (recent comparisons)", "showLeftPane");
    m_switches[TABBED_DOCUMENTS] = AddCheck(windowLayout, window, "&Tabbed documents", "tabbedDocuments");
    m_switches[SHOW_LONG_TITLE] =
        AddCheck(windowLayout, window, "Long document titles (full &paths)", "showLongTitle");
    m_switches[ESC_TO_CLOSE] = AddCheck(windowLayout, window, "The &Escape key closes", "escToClose");
    // The scheme of every view and report; the colours set on the other
    // pages are the default scheme, and stay stored whatever is chosen.
    auto* schemeRow = new QHBoxLayout;
    auto* schemeLabel = new QLabel(QStringLiteral("Co&lours:"), window);
    m_colorScheme = new QComboBox(window);
    m_colorScheme->setObjectName(QStringLiteral("windowColorScheme"));
    m_colorScheme->addItem(QStringLiteral("Default"), COLORSCHEME_DEFAULT);
    m_colorScheme->addItem(QStringLiteral("Follow the desktop"), COLORSCHEME_DESKTOP);
    m_colorScheme->setToolTip(QStringLiteral(
        "Default: the colours of the comparison and editor pages (on a dark desktop, while "
        "they are unchanged, the desktop's).\nFollow the desktop: the desktop's background and "
        "text, light or dark, with the differences as tints and coloured text."));
    schemeLabel->setBuddy(m_colorScheme);
    schemeRow->addWidget(schemeLabel);
    schemeRow->addWidget(m_colorScheme, 1);
    windowLayout->addLayout(schemeRow);
    layout->addWidget(window, 0, 0);

    auto* sizes = new QGroupBox(QStringLiteral("Recent lists"), this);
    auto* sizesLayout = new QFormLayout(sizes);
    const struct {
        const char* text;
        const char* name;
        int maximum;
    } kSizes[SIZE_COUNT] = {{"Recent files of each side:", "maxMRU", 1000},
                            {"Recent comparison files:", "maxFiles", 15},
                            {"Recent comparisons:", "maxComparisons", 1000},
                            {"Recent pairs:", "maxPairs", 1000}};
    for (int i = 0; i < SIZE_COUNT; ++i) {
        m_sizes[i] = new QSpinBox(sizes);
        m_sizes[i]->setObjectName(QString::fromLatin1(kSizes[i].name));
        m_sizes[i]->setRange(0, kSizes[i].maximum);
        sizesLayout->addRow(QString::fromLatin1(kSizes[i].text), m_sizes[i]);
    }
    // The lists are made at start-up with these sizes.
    auto* later = new QLabel(QStringLiteral("New sizes take effect at the next start."), sizes);
    later->setEnabled(false);
    sizesLayout->addRow(later);
    layout->addWidget(sizes, 0, 1);

    auto* recorded = new QGroupBox(QStringLiteral("Recent comparisons"), this);
    auto* recordedLayout = new QVBoxLayout(recorded);
    m_switches[SAVE_FOLDER] =
        AddCheck(recordedLayout, recorded, "Save &folder comparisons", "saveFolderComparisons");
    m_switches[SAVE_PROJECT] =
        AddCheck(recordedLayout, recorded, "Save &project comparisons", "saveProjectComparisons");
    m_switches[SAVE_TEXT] =
        AddCheck(recordedLayout, recorded, "Save te&xt comparisons", "saveTextComparisons");
    m_switches[SAVE_BINARY] =
        AddCheck(recordedLayout, recorded, "Save &binary comparisons", "saveBinaryComparisons");
    m_switches[NO_DUPLICATE_PAIRS] = AddCheck(
        recordedLayout, recorded, "A pair in either order is the same &comparison", "noDuplicatePairs");
    layout->addWidget(recorded, 1, 0);

    auto* startup = new QGroupBox(QStringLiteral("Start-up and files"), this);
    auto* startupLayout = new QVBoxLayout(startup);
    m_switches[LOAD_LAST_FOLDER] =
        AddCheck(startupLayout, startup, "Load the last folder c&omparison", "loadLastFolderComparison");
    m_switches[LOAD_LAST_FILE] =
        AddCheck(startupLayout, startup, "Load the last file comp&arison", "loadLastFileComparison");
    m_switches[FILE_WATCH] =
        AddCheck(startupLayout, startup, "&Detect when a file is changed by another program", "fileWatch");
    startupLayout->addStretch(1);
    layout->addWidget(startup, 1, 1);

    auto* editors = new QGroupBox(QStringLiteral("External editors"), this);
    auto* editorsLayout = new QFormLayout(editors);
    m_textEditor = new QLineEdit(editors);
    m_textEditor->setObjectName(QStringLiteral("externalTextEditor"));
    m_binaryEditor = new QLineEdit(editors);
    m_binaryEditor->setObjectName(QStringLiteral("externalBinaryEditor"));
    editorsLayout->addRow(QStringLiteral("Te&xt files:"), ProgramRow(m_textEditor, this));
    editorsLayout->addRow(QStringLiteral("B&inary files:"), ProgramRow(m_binaryEditor, this));
    layout->addWidget(editors, 2, 0, 1, 2);
    layout->setRowStretch(3, 1);
}

int* COptGeneralPage::SwitchField(int which) const {
    CGeneralOptions& o = m_options;
    int* const fields[SWITCH_COUNT] = {&o.showStartPage,
                                       &o.showLeftPane,
                                       &o.tabbedDocuments,
                                       &o.showLongTitle,
                                       &o.escToClose,
                                       &o.loadLastFolderComparison,
                                       &o.loadLastFileComparison,
                                       &o.saveFolderComparisons,
                                       &o.saveProjectComparisons,
                                       &o.saveTextComparisons,
                                       &o.saveBinaryComparisons,
                                       &o.noDuplicatePairs,
                                       &o.fileWatch};
    return fields[which];
}

int* COptGeneralPage::SizeField(int which) const {
    CGeneralOptions& o = m_options;
    int* const fields[SIZE_COUNT] = {&o.maxMRU, &o.maxFiles, &o.maxComparisons, &o.maxPairs};
    return fields[which];
}

void COptGeneralPage::Load() {
    for (int i = 0; i < SWITCH_COUNT; ++i) m_switches[i]->setChecked(*SwitchField(i) != 0);
    for (int i = 0; i < SIZE_COUNT; ++i) m_sizes[i]->setValue(*SizeField(i));
    m_textEditor->setText(FromPath(m_options.externalTextEditor));
    m_binaryEditor->setText(FromPath(m_options.externalBinaryEditor));
    m_colorScheme->setCurrentIndex(
        std::max(0, m_colorScheme->findData(AppComponents().ColorSchemeChoice().scheme)));
}

bool COptGeneralPage::Apply() {
    for (int i = 0; i < SWITCH_COUNT; ++i) *SwitchField(i) = m_switches[i]->isChecked() ? 1 : 0;
    for (int i = 0; i < SIZE_COUNT; ++i) *SizeField(i) = m_sizes[i]->value();
    m_options.externalTextEditor = ToPath(m_textEditor->text().trimmed());
    m_options.externalBinaryEditor = ToPath(m_binaryEditor->text().trimmed());
    AppComponents().ColorSchemeChoice().scheme = m_colorScheme->currentData().toInt();
    return true;
}

// ---- Binary comparison ----

COptBinaryComparePage::COptBinaryComparePage(QWidget* parent) : COptionsPage(parent) {
    setObjectName(QStringLiteral("binaryComparePage"));
    auto* layout = new QVBoxLayout(this);
    auto* group = new QGroupBox(QStringLiteral("Binary comparisons"), this);
    auto* groupLayout = new QVBoxLayout(group);
    m_autoRecompare =
        AddCheck(groupLayout, group, "&Automatic recompare after every edit", "binaryAutoRecompare");
    layout->addWidget(group);
    layout->addStretch(1);
}

void COptBinaryComparePage::Load() {
    m_autoRecompare->setChecked(AppComponents().Binary().autoRecompare != 0);
}

bool COptBinaryComparePage::Apply() {
    AppComponents().Binary().autoRecompare = m_autoRecompare->isChecked() ? 1 : 0;
    return true;
}

// ---- Editor ----

namespace {

// The entries of the colour table the editor page offers.
struct EDITORCOLOR {
    int index;
    const char* text;
    const char* name;
};
constexpr EDITORCOLOR kEditorColors[] = {
    {COLORINDEX_NORMALTEXT, "Normal", "colorNormal"},
    {COLORINDEX_KEYWORD, "Keywords", "colorKeywords"},
    {COLORINDEX_FUNCNAME, "Function Names", "colorFunctionNames"},
    {COLORINDEX_COMMENT, "Comments", "colorComments"},
    {COLORINDEX_NUMBER, "Numbers", "colorNumbers"},
    {COLORINDEX_STRING, "Strings", "colorStrings"},
    {COLORINDEX_OPERATOR, "Operators", "colorOperators"},
    {COLORINDEX_PREPROCESSOR, "Preprocessors", "colorPreprocessors"},
};

}  // namespace

COptEditorPage::COptEditorPage(QWidget* parent) : COptionsPage(parent) {
    setObjectName(QStringLiteral("editorPage"));
    auto* layout = new QVBoxLayout(this);

    auto* text = new QGroupBox(QStringLiteral("Text"), this);
    auto* textLayout = new QFormLayout(text);
    m_font = new CFontChooser(true, false, text);
    m_font->setObjectName(QStringLiteral("editorFont"));
    textLayout->addRow(QStringLiteral("&Font:"), m_font);
    m_tabSize = new QSpinBox(text);
    m_tabSize->setObjectName(QStringLiteral("tabSize"));
    m_tabSize->setRange(1, CSyntaxEditorOptions::kMaxTabSize);
    m_tabSize->setMaximumWidth(kNumberWidth);
    textLayout->addRow(QStringLiteral("&Tab size:"), m_tabSize);
    m_trackChanges = new QCheckBox(QStringLiteral("Mark the lines changed since loading and saving"), text);
    m_trackChanges->setObjectName(QStringLiteral("trackChanges"));
    textLayout->addRow(QString(), m_trackChanges);
    layout->addWidget(text);

    auto* colors = new QGroupBox(QStringLiteral("Colours"), this);
    auto* grid = new QGridLayout(colors);
    int row = 0;
    for (const EDITORCOLOR& entry : kEditorColors) {
        grid->addWidget(new QLabel(QString::fromLatin1(entry.text), colors), row, 0);
        auto* button = new CColorButton(QString::fromLatin1(entry.name), colors);
        grid->addWidget(button, row, 1);
        m_colors.push_back(button);
        auto* bold = new QCheckBox(QStringLiteral("Bold"), colors);
        bold->setObjectName(QString::fromLatin1(entry.name) + QStringLiteral("Bold"));
        grid->addWidget(bold, row, 2);
        m_bold.push_back(bold);
        if (row == 0) {
            // "Normal" is the text and its background.
            m_background = new CColorButton(QStringLiteral("colorBackground"), colors);
            grid->addWidget(new QLabel(QStringLiteral("Background"), colors), row, 3);
            grid->addWidget(m_background, row, 4);
        }
        ++row;
    }
    grid->setColumnStretch(5, 1);
    layout->addWidget(colors);
    layout->addStretch(1);
}

void COptEditorPage::Load() {
    const CSyntaxEditor& editor = GetSyntaxEditor();
    m_font->SetFontText(editor.font, QFontDatabase::systemFont(QFontDatabase::FixedFont));
    m_loadedFont = m_font->FontText();
    m_tabSize->setValue(editor.tabSize);
    m_trackChanges->setChecked(editor.trackChanges != 0);
    for (size_t i = 0; i < m_colors.size(); ++i) {
        m_colors[i]->SetColor(ToQColor(editor.colors[kEditorColors[i].index].color));
        m_bold[i]->setChecked(editor.colors[kEditorColors[i].index].bold != 0);
    }
    m_background->SetColor(ToQColor(editor.colors[COLORINDEX_BKGND].color));
}

bool COptEditorPage::Apply() {
    CSyntaxEditor& editor = GetSyntaxEditor();
    if (const std::string chosen = m_font->FontText(); chosen != m_loadedFont) editor.font = chosen;
    editor.tabSize = m_tabSize->value();
    editor.trackChanges = m_trackChanges->isChecked() ? 1 : 0;
    for (size_t i = 0; i < m_colors.size(); ++i) {
        editor.colors[kEditorColors[i].index].color = ToColorRef(m_colors[i]->Color());
        editor.colors[kEditorColors[i].index].bold = m_bold[i]->isChecked() ? 1 : 0;
    }
    // Every block of text is drawn on the background.
    editor.colors[COLORINDEX_BKGND].color = ToColorRef(m_background->Color());
    editor.colors[COLORINDEX_BLOCKBKGND].color = editor.colors[COLORINDEX_BKGND].color;
    return true;
}

// ---- Hex editor ----

namespace {

constexpr const char* kHexColorTexts[CHexEditOptions::kColorCount] = {"Text", "Background", "Selected text",
                                                                      "Selection", "Changed bytes"};
constexpr const char* kHexColorNames[CHexEditOptions::kColorCount] = {
    "hexColorText", "hexColorBackground", "hexColorSelectedText", "hexColorSelection", "hexColorChanged"};
constexpr int kMinimumRowSize = 4;
constexpr int kMaximumRowSize = 1024;
constexpr int kMinimumGroupSize = 2;

}  // namespace

COptHexEditorPage::COptHexEditorPage(QWidget* parent) : COptionsPage(parent) {
    setObjectName(QStringLiteral("hexEditorPage"));
    auto* layout = new QVBoxLayout(this);

    auto* rows = new QGroupBox(QStringLiteral("Layout"), this);
    auto* rowsLayout = new QFormLayout(rows);
    m_rowSize = new QSpinBox(rows);
    m_rowSize->setObjectName(QStringLiteral("rowSize"));
    m_rowSize->setRange(kMinimumRowSize, kMaximumRowSize);
    m_rowSize->setMaximumWidth(kNumberWidth);
    rowsLayout->addRow(QStringLiteral("&Bytes per row:"), m_rowSize);
    m_groupSize = new QSpinBox(rows);
    m_groupSize->setObjectName(QStringLiteral("groupSize"));
    m_groupSize->setRange(kMinimumGroupSize, kMaximumRowSize);
    m_groupSize->setMaximumWidth(kNumberWidth);
    rowsLayout->addRow(QStringLiteral("Bytes per &group:"), m_groupSize);
    m_upperCase = new QCheckBox(QStringLiteral("&Upper-case hexadecimal digits"), rows);
    m_upperCase->setObjectName(QStringLiteral("showUppercase"));
    rowsLayout->addRow(QString(), m_upperCase);
    m_decimalAddresses = new QCheckBox(QStringLiteral("&Decimal addresses"), rows);
    m_decimalAddresses->setObjectName(QStringLiteral("showDecimalAddresses"));
    rowsLayout->addRow(QString(), m_decimalAddresses);
    m_characterArea = new QCheckBox(QStringLiteral("Show the &character column"), rows);
    m_characterArea->setObjectName(QStringLiteral("showCharacterArea"));
    rowsLayout->addRow(QString(), m_characterArea);
    m_backup = new QCheckBox(QStringLiteral("&Keep the previous file as a .bak backup when saving"), rows);
    m_backup->setObjectName(QStringLiteral("backupFile"));
    rowsLayout->addRow(QString(), m_backup);
    m_font = new CFontChooser(true, false, rows);
    m_font->setObjectName(QStringLiteral("hexFont"));
    rowsLayout->addRow(QStringLiteral("&Font:"), m_font);
    layout->addWidget(rows);

    auto* colors = new QGroupBox(QStringLiteral("Colours"), this);
    auto* grid = new QGridLayout(colors);
    for (int i = 0; i < CHexEditOptions::kColorCount; ++i) {
        grid->addWidget(new QLabel(QString::fromLatin1(kHexColorTexts[i]), colors), i, 0);
        auto* button = new CColorButton(QString::fromLatin1(kHexColorNames[i]), colors);
        grid->addWidget(button, i, 1);
        m_colors.push_back(button);
    }
    grid->setColumnStretch(2, 1);
    layout->addWidget(colors);
    layout->addStretch(1);
}

void COptHexEditorPage::Load() {
    const CHexEditor& hex = AppComponents().Hex();
    m_rowSize->setValue(std::clamp(hex.rowSize, kMinimumRowSize, kMaximumRowSize));
    m_groupSize->setValue(std::max(kMinimumGroupSize, hex.groupSize));
    m_upperCase->setChecked(hex.showUppercase != 0);
    m_decimalAddresses->setChecked(hex.showDecimalAddresses != 0);
    m_characterArea->setChecked(hex.showCharacterArea != 0);
    m_backup->setChecked(hex.backupFile != 0);
    m_font->SetFontText(CHexEditOptions::FontText(hex.ansiFont),
                        QFontDatabase::systemFont(QFontDatabase::FixedFont));
    for (int i = 0; i < CHexEditOptions::kColorCount; ++i)
        m_colors[static_cast<size_t>(i)]->SetColor(ToQColor(hex.colors[i + 1]));
}

bool COptHexEditorPage::Apply() {
    if (m_groupSize->value() > m_rowSize->value()) {
        QMessageBox::warning(this, QStringLiteral("Options"),
                             QStringLiteral("A group cannot hold more bytes than a row."));
        m_groupSize->setFocus();
        return false;
    }
    CHexEditor& hex = AppComponents().Hex();
    hex.rowSize = m_rowSize->value();
    hex.groupSize = m_groupSize->value();
    hex.showUppercase = m_upperCase->isChecked() ? 1 : 0;
    hex.showDecimalAddresses = m_decimalAddresses->isChecked() ? 1 : 0;
    hex.showCharacterArea = m_characterArea->isChecked() ? 1 : 0;
    hex.backupFile = m_backup->isChecked() ? 1 : 0;
    HEXFONT font = hex.ansiFont;
    if (CHexEditOptions::ParseFont(m_font->FontText(), font)) {
        font.charset = hex.ansiFont.charset;
        hex.ansiFont = font;
    }
    for (int i = 0; i < CHexEditOptions::kColorCount; ++i)
        hex.colors[i + 1] = ToColorRef(m_colors[static_cast<size_t>(i)]->Color());
    return true;
}

}  // namespace corvatine::ui
