// The text and folder comparison pages of the options dialog.
#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QRadioButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QVBoxLayout>

#include "foldercompare/FolderCompareOptions.h"
#include "launch/Components.h"
#include "request/CompareMethods.h"
#include "request/TextRuleWord.h"
#include "textcompare/LineFilter.h"
#include "textcompare/TextCompareOptions.h"
#include "ui/FolderCompareModel.h"
#include "ui/OptionFonts.h"
#include "ui/OptionsPages.h"
#include "ui/UiText.h"

namespace corvatine::ui {

namespace {

struct BITCHOICE {
    uint32_t bit;
    const char* text;
    const char* name;
};

constexpr BITCHOICE kRules[] = {
    {RULE_IGNORE_ALL_SPACE, "Ignore &all white space", "ruleIgnoreAllSpace"},
    {RULE_IGNORE_SPACE_DIFFERENCES, "Ignore differences in the a&mount of white space",
     "ruleIgnoreSpaceDifferences"},
    {RULE_IGNORE_TAB_EXPANSION, "Ignore &tab expansion", "ruleIgnoreTabExpansion"},
    {RULE_IGNORE_LEADING_SPACE, "Ignore l&eading white space", "ruleIgnoreLeadingSpace"},
    {RULE_IGNORE_TRAILING_SPACE, "Ignore trailin&g white space", "ruleIgnoreTrailingSpace"},
    {RULE_IGNORE_CASE, "Ignore &case", "ruleIgnoreCase"},
    {RULE_IGNORE_LINE_ENDINGS, "Ignore line e&ndings", "ruleIgnoreEOLs"},
    {RULE_IGNORE_BLANK_LINES, "Ignore &blank lines", "ruleIgnoreBlankLines"},
    {RULE_IGNORE_COMMENTS, "Ignore c&omments", "ruleIgnoreComments"},
    {RULE_IGNORE_LINES_MATCHING_FILTER, "Ignore lines matching the line &filter",
     "ruleIgnoreLinesMatchingFilter"},
};

constexpr const char* kTextColorTexts[TCC_COUNT] = {"Changed lines",       "Trivial differences",
                                                    "One-sided lines",     "Ghost lines",
                                                    "In-line differences", "Text of in-line differences"};
constexpr const char* kTextColorNames[TCC_COUNT] = {"colorChanged", "colorTrivial",    "colorOneSided",
                                                    "colorGhost",   "colorDifference", "colorDifferenceText"};

// "Word break" choices by the stored value: none, punctuation, the custom characters.
constexpr int kWordBreakNone = 0;
constexpr int kWordBreakCustom = 2;

// Tells the user why an expression cannot be taken; false when it cannot.
bool CheckExpression(QWidget* page, const std::string& expression, const QString& what) {
    if (expression.empty()) return true;
    const CLineFilter filter(expression);
    if (filter.IsValid()) return true;
    QMessageBox::warning(page, QStringLiteral("Options"),
                         QStringLiteral("%1 \"%2\" is no valid regular expression: %3")
                             .arg(what, FromWorking(expression), FromWorking(filter.Error())));
    return false;
}

}  // namespace

// ---- Text comparison ----

COptTextComparePage::COptTextComparePage(QWidget* parent) : COptionsPage(parent) {
    setObjectName(QStringLiteral("textComparePage"));
    auto* layout = new QGridLayout(this);

    auto* rules = new QGroupBox(QStringLiteral("Default rules"), this);
    auto* rulesLayout = new QVBoxLayout(rules);
    for (int i = 0; i < kRuleCount; ++i) {
        m_rules[i] = new QCheckBox(QString::fromLatin1(kRules[i].text), rules);
        m_rules[i]->setObjectName(QString::fromLatin1(kRules[i].name));
        rulesLayout->addWidget(m_rules[i]);
    }
    rulesLayout->addStretch(1);
    layout->addWidget(rules, 0, 0);

    auto* display = new QGroupBox(QStringLiteral("Display"), this);
    auto* displayLayout = new QVBoxLayout(display);
    const BITCHOICE kSwitches[SWITCH_COUNT] = {
        {0, "&Syntax highlighting", "highlightSyntax"},
        {0, "Automatic &recompare after edits", "textAutoRecompare"},
        {0, "&Jump to the first difference on opening", "jumpToFirstDifference"},
        {0, "Highlight &in-line differences", "highlightLineDifferences"},
        {0, "Highlight tri&vial differences", "highlightTrivialDifferences"},
        {0, "In-line differences search the f&ull text", "lineDifferenceFullTextSearch"},
    };
    for (int i = 0; i < SWITCH_COUNT; ++i) {
        m_switches[i] = new QCheckBox(QString::fromLatin1(kSwitches[i].text), display);
        m_switches[i]->setObjectName(QString::fromLatin1(kSwitches[i].name));
        displayLayout->addWidget(m_switches[i]);
    }
    auto* detail = new QHBoxLayout();
    m_wordLevel = new QRadioButton(QStringLiteral("&Word level"), display);
    m_wordLevel->setObjectName(QStringLiteral("wordLevel"));
    m_characterLevel = new QRadioButton(QStringLiteral("C&haracter level"), display);
    m_characterLevel->setObjectName(QStringLiteral("characterLevel"));
    detail->addWidget(new QLabel(QStringLiteral("Detail level:"), display));
    detail->addWidget(m_wordLevel);
    detail->addWidget(m_characterLevel);
    detail->addStretch(1);
    displayLayout->addLayout(detail);
    auto* wordBreak = new QHBoxLayout();
    m_wordBreak = new QComboBox(display);
    m_wordBreak->setObjectName(QStringLiteral("wordBreak"));
    m_wordBreak->addItems({QStringLiteral("None"), QStringLiteral("Punctuation"), QStringLiteral("Custom:")});
    m_customBreak = new QLineEdit(display);
    m_customBreak->setObjectName(QStringLiteral("customWordBreak"));
    connect(m_wordBreak, &QComboBox::currentIndexChanged, m_customBreak,
            [this](int index) { m_customBreak->setEnabled(index == kWordBreakCustom); });
    wordBreak->addWidget(new QLabel(QStringLiteral("Word break:"), display));
    wordBreak->addWidget(m_wordBreak);
    wordBreak->addWidget(m_customBreak, 1);
    displayLayout->addLayout(wordBreak);
    auto* moved = new QHBoxLayout();
    m_movedLines = new QSpinBox(display);
    m_movedLines->setObjectName(QStringLiteral("movedLines"));
    m_movedLines->setRange(0, 100000);
    m_movedLines->setSpecialValueText(QStringLiteral("Off"));
    m_movedLines->setSuffix(QStringLiteral(" lines"));
    m_movedLines->setToolTip(
        QStringLiteral("Blocks of at least this many lines that are not blank, deleted in one place and "
                       "inserted in another, are shown as moved"));
    auto* movedLabel = new QLabel(QStringLiteral("Show &moved blocks of at least:"), display);
    movedLabel->setBuddy(m_movedLines);
    moved->addWidget(movedLabel);
    moved->addWidget(m_movedLines);
    moved->addStretch(1);
    displayLayout->addLayout(moved);
    displayLayout->addStretch(1);
    layout->addWidget(display, 0, 1);

    auto* filter = new QGroupBox(QStringLiteral("Line filter"), this);
    auto* filterLayout = new QGridLayout(filter);
    m_lineFilter = new QComboBox(filter);
    m_lineFilter->setObjectName(QStringLiteral("lineFilter"));
    m_lineFilter->setEditable(true);
    m_lineFilter->setInsertPolicy(QComboBox::NoInsert);
    auto* filterLabel = new QLabel(QStringLiteral("&Default line filter:"), filter);
    filterLabel->setBuddy(m_lineFilter);
    filterLayout->addWidget(filterLabel, 0, 0);
    filterLayout->addWidget(m_lineFilter, 0, 1, 1, 3);
    m_presets = new QTableWidget(0, 2, filter);
    m_presets->setObjectName(QStringLiteral("presetLineFilters"));
    m_presets->setHorizontalHeaderLabels({QStringLiteral("Preset"), QStringLiteral("Expression")});
    m_presets->horizontalHeader()->setStretchLastSection(true);
    m_presets->verticalHeader()->hide();
    m_presets->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_presets->setSelectionMode(QAbstractItemView::SingleSelection);
    filterLayout->addWidget(m_presets, 1, 0, 3, 3);
    auto* add = new QPushButton(QStringLiteral("&Add"), filter);
    add->setObjectName(QStringLiteral("addPreset"));
    auto* remove = new QPushButton(QStringLiteral("Re&move"), filter);
    remove->setObjectName(QStringLiteral("removePreset"));
    auto* use = new QPushButton(QStringLiteral("&Use"), filter);
    use->setObjectName(QStringLiteral("usePreset"));
    use->setToolTip(QStringLiteral("Make the chosen preset the default line filter"));
    filterLayout->addWidget(add, 1, 3);
    filterLayout->addWidget(remove, 2, 3);
    filterLayout->addWidget(use, 3, 3);
    connect(add, &QPushButton::clicked, this, [this] { AddPreset(); });
    connect(remove, &QPushButton::clicked, this, [this] {
        if (m_presets->currentRow() >= 0) m_presets->removeRow(m_presets->currentRow());
    });
    connect(use, &QPushButton::clicked, this, [this] { UsePreset(); });
    layout->addWidget(filter, 1, 0);

    auto* colors = new QGroupBox(QStringLiteral("Colours"), this);
    auto* colorsLayout = new QGridLayout(colors);
    for (int i = 0; i < TCC_COUNT; ++i) {
        colorsLayout->addWidget(new QLabel(QString::fromLatin1(kTextColorTexts[i]), colors), i, 0);
        auto* button = new CColorButton(QString::fromLatin1(kTextColorNames[i]), colors);
        colorsLayout->addWidget(button, i, 1);
        m_colors.push_back(button);
    }
    colorsLayout->setColumnStretch(2, 1);
    layout->addWidget(colors, 1, 1);
}

void COptTextComparePage::AddPreset() {
    const int row = m_presets->rowCount();
    m_presets->insertRow(row);
    m_presets->setItem(row, 0, new QTableWidgetItem(QStringLiteral("New filter")));
    m_presets->setItem(row, 1, new QTableWidgetItem(m_lineFilter->currentText()));
    m_presets->setCurrentCell(row, 0);
    m_presets->editItem(m_presets->item(row, 0));
}

void COptTextComparePage::UsePreset() {
    const int row = m_presets->currentRow();
    if (row < 0 || m_presets->item(row, 1) == nullptr) return;
    m_lineFilter->setEditText(m_presets->item(row, 1)->text());
}

void COptTextComparePage::Load() {
    const CTextComparer& text = AppComponents().Text();
    for (int i = 0; i < kRuleCount; ++i) m_rules[i]->setChecked((text.rules & kRules[i].bit) != 0);
    const int switches[SWITCH_COUNT] = {text.highlightSyntax,
                                        text.autoRecompare,
                                        text.jumpToFirstDifference,
                                        text.highlightLineDifferences,
                                        text.highlightTrivialDifferences,
                                        text.lineDifferenceFullTextSearch};
    for (int i = 0; i < SWITCH_COUNT; ++i) m_switches[i]->setChecked(switches[i] != 0);
    (text.detailLevel == 0 ? m_wordLevel : m_characterLevel)->setChecked(true);
    m_movedLines->setValue(text.movedLines);
    m_wordBreak->setCurrentIndex(text.wordBreak == 1 || text.wordBreak == kWordBreakCustom ? text.wordBreak
                                                                                           : kWordBreakNone);
    m_customBreak->setText(FromWorking(text.customWordBreak));
    m_customBreak->setEnabled(m_wordBreak->currentIndex() == kWordBreakCustom);

    m_lineFilter->clear();
    if (const platform::CRecentFileList* recent = text.RecentLineFilters())
        for (int i = 0; i < recent->Count(); ++i) m_lineFilter->addItem(FromWorking((*recent)[i]));
    m_lineFilter->setEditText(FromWorking(text.lineFilter));
    m_presets->setRowCount(0);
    for (const PRESET_LINE_FILTER& preset : text.presetLineFilters) {
        const int row = m_presets->rowCount();
        m_presets->insertRow(row);
        m_presets->setItem(row, 0, new QTableWidgetItem(FromWorking(preset.name)));
        m_presets->setItem(row, 1, new QTableWidgetItem(FromWorking(preset.expression)));
    }
    for (int i = 0; i < TCC_COUNT; ++i)
        m_colors[static_cast<size_t>(i)]->SetColor(ToQColor(text.colors.Get(i + 1)));
}

bool COptTextComparePage::Apply() {
    // Nothing is taken unless every expression compiles.
    const std::string lineFilter = ToWorking(m_lineFilter->currentText());
    if (!CheckExpression(this, lineFilter, QStringLiteral("The line filter"))) {
        m_lineFilter->setFocus();
        return false;
    }
    std::vector<PRESET_LINE_FILTER> presets;
    for (int row = 0; row < m_presets->rowCount(); ++row) {
        const QTableWidgetItem* name = m_presets->item(row, 0);
        const QTableWidgetItem* expression = m_presets->item(row, 1);
        PRESET_LINE_FILTER preset{name ? ToWorking(name->text()) : std::string(),
                                  expression ? ToWorking(expression->text()) : std::string()};
        if (!CheckExpression(this, preset.expression,
                             QStringLiteral("The preset \"%1\"").arg(FromWorking(preset.name)))) {
            m_presets->setCurrentCell(row, 1);
            return false;
        }
        // A preset without an expression is not kept.
        if (!preset.expression.empty()) presets.push_back(std::move(preset));
    }

    CTextComparer& text = AppComponents().Text();
    uint32_t rules = text.rules & ~kAllTextRules;
    for (int i = 0; i < kRuleCount; ++i)
        if (m_rules[i]->isChecked()) rules |= kRules[i].bit;
    text.rules = rules;
    int* const switches[SWITCH_COUNT] = {&text.highlightSyntax,
                                         &text.autoRecompare,
                                         &text.jumpToFirstDifference,
                                         &text.highlightLineDifferences,
                                         &text.highlightTrivialDifferences,
                                         &text.lineDifferenceFullTextSearch};
    for (int i = 0; i < SWITCH_COUNT; ++i) *switches[i] = m_switches[i]->isChecked() ? 1 : 0;
    text.detailLevel = m_wordLevel->isChecked() ? 0 : 1;
    text.movedLines = m_movedLines->value();
    text.wordBreak = m_wordBreak->currentIndex();
    text.customWordBreak = ToWorking(m_customBreak->text());
    text.lineFilter = lineFilter;
    text.presetLineFilters = std::move(presets);
    for (int i = 0; i < TCC_COUNT; ++i)
        text.colors.Set(i + 1, ToColorRef(m_colors[static_cast<size_t>(i)]->Color()));
    return true;
}

// ---- Folder comparison ----

namespace {

constexpr BITCHOICE kMethods[] = {
    {METHOD_TYPE, "Content &type (text or binary)", "methodType"},
    {METHOD_TIME, "Last &write time", "methodTime"},
    {METHOD_SIZE, "&Size", "methodSize"},
    {METHOD_ATTRIBUTES, "&Attributes", "methodAttributes"},
    {METHOD_VERSION, "&Version", "methodVersion"},
    {METHOD_CRC, "&CRC-32", "methodCRC"},
    {METHOD_BINARY, "&Binary content", "methodBinary"},
    {METHOD_TEXT, "Te&xt content (text comparison rules)", "methodText"},
};

// What each entry of the folder colour table marks in the view.
constexpr const char* kFolderColorTexts[CFolderCompareColors::kCount] = {
    "Status column", "Identical or older items", "Items not compared", "Different newer items",
    "Text of different newer items",
    // Two colours nothing draws with (the report defines a class for the
    // second that no cell carries): kept in the settings, not offered.
    nullptr, nullptr, "Items on one side only", "Items that could not be compared",
    "Text of items that could not be compared", "Missing side"};

constexpr const char* kPatternTexts[4] = {
    "Files to &include:", "Files to e&xclude:", "Folders to i&nclude:", "Folders to exc&lude:"};
constexpr const char* kPatternNames[4] = {"fileInclude", "fileExclude", "folderInclude", "folderExclude"};

constexpr int kSchemeCustom = 2;
constexpr int kMaximumSmallTime = 24 * 60 * 60;

}  // namespace

COptFolderComparePage::COptFolderComparePage(QWidget* parent) : COptionsPage(parent) {
    setObjectName(QStringLiteral("folderComparePage"));
    auto* layout = new QGridLayout(this);

    auto* methods = new QGroupBox(QStringLiteral("Default methods"), this);
    auto* methodsLayout = new QVBoxLayout(methods);
    for (int i = 0; i < kMethodCount; ++i) {
        m_methods[i] = new QCheckBox(QString::fromLatin1(kMethods[i].text), methods);
        m_methods[i]->setObjectName(QString::fromLatin1(kMethods[i].name));
        methodsLayout->addWidget(m_methods[i]);
    }
    auto* smallTime = new QHBoxLayout();
    m_smallTime = new QSpinBox(methods);
    m_smallTime->setObjectName(QStringLiteral("smallTimeToIgnore"));
    m_smallTime->setRange(0, kMaximumSmallTime);
    m_smallTime->setSuffix(QStringLiteral(" s"));
    auto* smallTimeLabel = new QLabel(QStringLiteral("Times equal &within:"), methods);
    smallTimeLabel->setBuddy(m_smallTime);
    smallTime->addWidget(smallTimeLabel);
    smallTime->addWidget(m_smallTime);
    smallTime->addStretch(1);
    methodsLayout->addLayout(smallTime);
    m_ignoreFolderDifferences =
        new QCheckBox(QStringLiteral("Folders are not compared by time or attributes"), methods);
    m_ignoreFolderDifferences->setObjectName(QStringLiteral("ignoreFolderDifferences"));
    methodsLayout->addWidget(m_ignoreFolderDifferences);
    m_autoScan = new QCheckBox(QStringLiteral("Scan all subfolders a&utomatically"), methods);
    m_autoScan->setObjectName(QStringLiteral("autoScanFolders"));
    methodsLayout->addWidget(m_autoScan);
    methodsLayout->addStretch(1);
    layout->addWidget(methods, 0, 0);

    auto* colors = new QGroupBox(QStringLiteral("Colours"), this);
    auto* colorsLayout = new QGridLayout(colors);
    m_scheme = new QComboBox(colors);
    m_scheme->setObjectName(QStringLiteral("colorScheme"));
    m_scheme->addItems({QStringLiteral("Default"), QStringLiteral("Alternative"), QStringLiteral("Custom")});
    auto* schemeLabel = new QLabel(QStringLiteral("Sc&heme:"), colors);
    schemeLabel->setBuddy(m_scheme);
    colorsLayout->addWidget(schemeLabel, 0, 0);
    colorsLayout->addWidget(m_scheme, 0, 1);
    for (int i = 0; i < CFolderCompareColors::kCount; ++i) {
        auto* button = new CColorButton(QStringLiteral("folderColor%1").arg(i), colors);
        if (kFolderColorTexts[i] != nullptr) {
            colorsLayout->addWidget(new QLabel(QString::fromLatin1(kFolderColorTexts[i]), colors), i + 1, 0);
            colorsLayout->addWidget(button, i + 1, 1);
        } else {
            button->hide();
        }
        connect(button, &QPushButton::clicked, m_scheme,
                [this] { m_scheme->setCurrentIndex(kSchemeCustom); });
        m_colors.push_back(button);
    }
    connect(m_scheme, &QComboBox::activated, this, [this](int scheme) {
        if (scheme == kSchemeCustom) return;
        CFolderCompareColors table;
        table.ApplyScheme(scheme);
        for (int i = 0; i < CFolderCompareColors::kCount; ++i)
            m_colors[static_cast<size_t>(i)]->SetColor(ToQColor(table.Get(i)));
    });
    layout->addWidget(colors, 0, 1, 2, 1);

    auto* filters = new QGroupBox(QStringLiteral("Default filters"), this);
    auto* filtersLayout = new QFormLayout(filters);
    for (int i = 0; i < 4; ++i) {
        m_patterns[i] = new QLineEdit(filters);
        m_patterns[i]->setObjectName(QString::fromLatin1(kPatternNames[i]));
        m_patterns[i]->setPlaceholderText(i % 2 == 0 ? QStringLiteral("*") : QString());
        filtersLayout->addRow(QString::fromLatin1(kPatternTexts[i]), m_patterns[i]);
    }
    layout->addWidget(filters, 1, 0);

    auto* view = new QGroupBox(QStringLiteral("View"), this);
    auto* viewLayout = new QGridLayout(view);
    viewLayout->addWidget(new QLabel(QStringLiteral("Columns of new comparisons:"), view), 0, 0, 1, 4);
    for (int i = 0; i < kColumnCount; ++i) {
        m_columns[i] = new QCheckBox(CFolderCompareModel::ColumnTitle(COLUMN_SIZE + i), view);
        m_columns[i]->setObjectName(QStringLiteral("column") +
                                    CFolderCompareModel::ColumnTitle(COLUMN_SIZE + i));
        viewLayout->addWidget(m_columns[i], 1 + i / 4, i % 4);
    }
    m_gridLines = new QCheckBox(QStringLiteral("Show &grid lines"), view);
    m_gridLines->setObjectName(QStringLiteral("folderGridLines"));
    viewLayout->addWidget(m_gridLines, 3, 0, 1, 2);
    m_folderWatch = new QCheckBox(QStringLiteral("Watch the compared folders for changes"), view);
    m_folderWatch->setObjectName(QStringLiteral("folderWatch"));
    viewLayout->addWidget(m_folderWatch, 3, 2, 1, 2);
    m_font = new CFontChooser(false, true, view);
    m_font->setObjectName(QStringLiteral("folderFont"));
    auto* fontLabel = new QLabel(QStringLiteral("&Font:"), view);
    fontLabel->setBuddy(&m_font->Face());
    viewLayout->addWidget(fontLabel, 4, 0);
    viewLayout->addWidget(m_font, 4, 1, 1, 3);
    layout->addWidget(view, 2, 0, 1, 2);
    layout->setRowStretch(3, 1);
}

void COptFolderComparePage::Load() {
    const CFolderComparer& folders = AppComponents().Folders();
    for (int i = 0; i < kMethodCount; ++i) m_methods[i]->setChecked((folders.methods & kMethods[i].bit) != 0);
    m_smallTime->setValue(folders.smallTimeToIgnore);
    m_ignoreFolderDifferences->setChecked(folders.ignoreFolderDifferences != 0);
    m_autoScan->setChecked(folders.autoScanFolders != 0);
    const CFileFilters& files = folders.filters.fileFilters;
    const CFolderFilters& subfolders = folders.filters.folderFilters;
    const std::string* patterns[4] = {&files.nameInclude, &files.nameExclude, &subfolders.nameInclude,
                                      &subfolders.nameExclude};
    for (int i = 0; i < 4; ++i) m_patterns[i]->setText(FromPath(*patterns[i]));
    int scheme = kSchemeCustom;
    for (const int candidate :
         {CFolderCompareColors::SCHEME_DEFAULT, CFolderCompareColors::SCHEME_ALTERNATIVE}) {
        CFolderCompareColors table;
        table.ApplyScheme(candidate);
        bool same = true;
        for (int i = 0; i < CFolderCompareColors::kCount; ++i)
            same = same && table.Get(i) == folders.colors.Get(i);
        if (same) {
            scheme = candidate;
            break;
        }
    }
    m_scheme->setCurrentIndex(scheme);
    for (int i = 0; i < CFolderCompareColors::kCount; ++i)
        m_colors[static_cast<size_t>(i)]->SetColor(ToQColor(folders.colors.Get(i)));
    for (int i = 0; i < kColumnCount; ++i)
        m_columns[i]->setChecked((folders.showColumns & (1u << (COLUMN_SIZE + i))) != 0);
    m_gridLines->setChecked(folders.showGridLines != 0);
    m_folderWatch->setChecked(folders.folderWatch != 0);
    m_font->SetFontText(folders.font, font());
}

bool COptFolderComparePage::Apply() {
    CFolderComparer& folders = AppComponents().Folders();
    uint32_t methods = folders.methods & ~kAllCompareMethods;
    for (int i = 0; i < kMethodCount; ++i)
        if (m_methods[i]->isChecked()) methods |= kMethods[i].bit;
    folders.methods = methods;
    folders.smallTimeToIgnore = m_smallTime->value();
    folders.ignoreFolderDifferences = m_ignoreFolderDifferences->isChecked() ? 1 : 0;
    folders.autoScanFolders = m_autoScan->isChecked() ? 1 : 0;
    // An empty include list would leave nothing to compare: it means all.
    const auto pattern = [this](int i) {
        const std::string text = ToPath(m_patterns[i]->text().trimmed());
        return text.empty() && i % 2 == 0 ? std::string("*") : text;
    };
    folders.filters.fileFilters.nameInclude = pattern(0);
    folders.filters.fileFilters.nameExclude = pattern(1);
    folders.filters.folderFilters.nameInclude = pattern(2);
    folders.filters.folderFilters.nameExclude = pattern(3);
    for (int i = 0; i < CFolderCompareColors::kCount; ++i)
        folders.colors.Set(i, ToColorRef(m_colors[static_cast<size_t>(i)]->Color()));
    uint32_t columns = folders.showColumns;
    for (int i = 0; i < kColumnCount; ++i) {
        const uint32_t bit = 1u << (COLUMN_SIZE + i);
        columns = m_columns[i]->isChecked() ? columns | bit : columns & ~bit;
    }
    folders.showColumns = columns;
    folders.showGridLines = m_gridLines->isChecked() ? 1 : 0;
    folders.folderWatch = m_folderWatch->isChecked() ? 1 : 0;
    folders.font = m_font->FontText();
    return true;
}

}  // namespace corvatine::ui
