#include "ui/FolderFilterDialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <limits>
#include <set>

#include "foldercompare/FilterPresets.h"
#include "foldercompare/FolderCompareOptions.h"
#include "launch/Components.h"
#include "platform/FileAttributes.h"
#include "platform/LocalTime.h"
#include "request/CompareMethods.h"
#include "ui/UiText.h"

namespace corvatine::ui {

namespace {

// The attribute bits a filter excludes by, in the order R, A, S, H.
constexpr uint32_t kAttributeBits[4] = {FILE_ATTRIBUTE_READONLY, FILE_ATTRIBUTE_ARCHIVE,
                                        FILE_ATTRIBUTE_SYSTEM, FILE_ATTRIBUTE_HIDDEN};
constexpr const char* kAttributeNames[4] = {"&Read-only", "&Archive", "S&ystem", "&Hidden"};

struct METHODINFO {
    uint32_t bit;
    const char* text;
    const char* name;
};
constexpr METHODINFO kMethods[8] = {
    {METHOD_TYPE, "Content &type (text or binary)", "methodType"},
    {METHOD_TIME, "Last &write time", "methodTime"},
    {METHOD_SIZE, "&Size", "methodSize"},
    {METHOD_ATTRIBUTES, "&Attributes", "methodAttributes"},
    {METHOD_VERSION, "&Version resource", "methodVersion"},
    {METHOD_CRC, "&CRC-32", "methodCrc"},
    {METHOD_BINARY, "&Binary content", "methodBinary"},
    {METHOD_TEXT, "Te&xt content", "methodText"},
};

constexpr const char* kPatternNames[4] = {"fileInclude", "fileExclude", "folderInclude", "folderExclude"};

const CPresetFilterList& Presets(int list) {
    const CPresetFilters& presets = AppComponents().Folders().presetFilters;
    switch (list) {
        case 0: return presets.filesInclude;
        case 1: return presets.filesExclude;
        case 2: return presets.foldersInclude;
        default: return presets.foldersExclude;
    }
}

QDate DateOf(int64_t time) {
    int year = 0, month = 0, day = 0;
    if (time > 0 && platform::LocalDate(time, year, month, day)) return QDate(year, month, day);
    return QDate::currentDate();
}

}  // namespace

CFolderFilterDialog::CFolderFilterDialog(QWidget* parent, const CFolderCompareParams& request)
    : QDialog(parent) {
    setObjectName(QStringLiteral("filterDialog"));
    setWindowTitle(QStringLiteral("Filters"));
    m_request.CopyFrom(request);
    auto* layout = new QVBoxLayout(this);
    auto* pages = new QTabWidget(this);
    pages->addTab(FilePage(), QStringLiteral("File Filters"));
    pages->addTab(FolderPage(), QStringLiteral("Folder Filters"));
    pages->addTab(MethodPage(), QStringLiteral("Comparison Methods"));
    layout->addWidget(pages);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    QPushButton* defaults =
        buttons->addButton(QStringLiteral("Save as &Default"), QDialogButtonBox::ActionRole);
    defaults->setObjectName(QStringLiteral("saveAsDefault"));
    defaults->setToolTip(QStringLiteral("Use these filters and methods for new folder comparisons"));
    connect(defaults, &QPushButton::clicked, this, &CFolderFilterDialog::SaveAsDefault);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}

QWidget* CFolderFilterDialog::PatternRow(PatternList list, const std::string& value) {
    auto* row = new QWidget(this);
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    QComboBox*& box = m_patterns[list];
    box = new QComboBox(row);
    box->setObjectName(QString::fromLatin1(kPatternNames[list]));
    box->setEditable(true);
    box->setMinimumContentsLength(32);
    box->setInsertPolicy(QComboBox::NoInsert);
    if (const platform::CRecentFileList* recent =
            AppComponents().Folders().recentFilters.Get(static_cast<CRecentFilters::List>(list)))
        for (int i = 0; i < recent->Count(); ++i) box->addItem(FromWorking((*recent)[i]));
    box->setEditText(FromWorking(value));
    layout->addWidget(box, 1);
    // The presets of the list: "%s (%s)" each, "No Preset Filters" when none.
    auto* presets = new QPushButton(QStringLiteral("Presets"), row);
    presets->setObjectName(QString::fromLatin1(kPatternNames[list]) + QStringLiteral("Presets"));
    auto* menu = new QMenu(presets);
    const CPresetFilterList& preset = Presets(list);
    for (const PRESET_FILE_FILTER& item : preset.items) {
        QAction* action = menu->addAction(FromWorking(CPresetFilterList::MenuText(item)));
        const QString filter = FromWorking(item.filter);
        connect(action, &QAction::triggered, box, [box, filter] { box->setEditText(filter); });
    }
    if (preset.items.empty())
        menu->addAction(QString::fromLatin1(CPresetFilterList::kEmptyMenuText))->setEnabled(false);
    presets->setMenu(menu);
    layout->addWidget(presets);
    auto* pick = new QPushButton(QStringLiteral("Pick..."), row);
    pick->setToolTip(list <= FILES_EXCLUDE
                         ? QStringLiteral("Pick extensions of the files in the compared folders")
                         : QStringLiteral("Pick names of the folders in the compared folders"));
    connect(pick, &QPushButton::clicked, this, [this, list] { PickPatterns(list); });
    layout->addWidget(pick);
    return row;
}

QWidget* CFolderFilterDialog::FilePage() {
    const CFileFilters& filters = m_request.filters.fileFilters;
    auto* page = new QWidget(this);
    auto* layout = new QVBoxLayout(page);

    auto* names = new QGroupBox(QStringLiteral("Filter by Name"), page);
    auto* nameForm = new QFormLayout(names);
    nameForm->addRow(QStringLiteral("&Include:"), PatternRow(FILES_INCLUDE, filters.nameInclude));
    nameForm->addRow(QStringLiteral("&Exclude:"), PatternRow(FILES_EXCLUDE, filters.nameExclude));
    layout->addWidget(names);

    auto* dates = new QGroupBox(QStringLiteral("Filter by Date"), page);
    auto* dateGrid = new QGridLayout(dates);
    m_useFrom = new QCheckBox(QStringLiteral("&From:"), dates);
    m_useFrom->setObjectName(QStringLiteral("useFrom"));
    m_from = new QDateEdit(DateOf(filters.timeFrom), dates);
    m_from->setObjectName(QStringLiteral("from"));
    m_useTo = new QCheckBox(QStringLiteral("&To:"), dates);
    m_useTo->setObjectName(QStringLiteral("useTo"));
    m_to = new QDateEdit(DateOf(filters.timeTo), dates);
    m_to->setObjectName(QStringLiteral("to"));
    for (QDateEdit* edit : {m_from, m_to}) {
        edit->setCalendarPopup(true);
        edit->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
        edit->setMinimumDate(QDate(1970, 1, 2));
    }
    m_useFrom->setChecked(filters.timeFrom != 0);
    m_useTo->setChecked(filters.timeTo != 0);
    m_from->setEnabled(m_useFrom->isChecked());
    m_to->setEnabled(m_useTo->isChecked());
    connect(m_useFrom, &QCheckBox::toggled, m_from, &QWidget::setEnabled);
    connect(m_useTo, &QCheckBox::toggled, m_to, &QWidget::setEnabled);
    dateGrid->addWidget(m_useFrom, 0, 0);
    dateGrid->addWidget(m_from, 0, 1);
    dateGrid->addWidget(m_useTo, 0, 2);
    dateGrid->addWidget(m_to, 0, 3);
    layout->addWidget(dates);

    // Sizes in kilobytes; a cleared box is no bound.
    auto* sizes = new QGroupBox(QStringLiteral("Filter by Size"), page);
    auto* sizeGrid = new QGridLayout(sizes);
    m_useMinimum = new QCheckBox(QStringLiteral("&Minimum:"), sizes);
    m_useMinimum->setObjectName(QStringLiteral("useMinimum"));
    m_useMaximum = new QCheckBox(QStringLiteral("Ma&ximum:"), sizes);
    m_useMaximum->setObjectName(QStringLiteral("useMaximum"));
    m_minimum = new QSpinBox(sizes);
    m_minimum->setObjectName(QStringLiteral("minimum"));
    m_maximum = new QSpinBox(sizes);
    m_maximum->setObjectName(QStringLiteral("maximum"));
    for (QSpinBox* box : {m_minimum, m_maximum}) {
        box->setRange(0, std::numeric_limits<int>::max());
        box->setSuffix(QStringLiteral(" KB"));
    }
    const auto kilobytes = [](uint64_t bytes) {
        return static_cast<int>(
            std::min<uint64_t>(SizeBoundToKilobytes(bytes), std::numeric_limits<int>::max()));
    };
    m_minimum->setValue(kilobytes(filters.sizeMin));
    m_maximum->setValue(kilobytes(filters.sizeMax));
    m_useMinimum->setChecked(filters.sizeMin != 0);
    m_useMaximum->setChecked(filters.sizeMax != 0);
    m_minimum->setEnabled(m_useMinimum->isChecked());
    m_maximum->setEnabled(m_useMaximum->isChecked());
    connect(m_useMinimum, &QCheckBox::toggled, m_minimum, &QWidget::setEnabled);
    connect(m_useMaximum, &QCheckBox::toggled, m_maximum, &QWidget::setEnabled);
    sizeGrid->addWidget(m_useMinimum, 0, 0);
    sizeGrid->addWidget(m_minimum, 0, 1);
    sizeGrid->addWidget(m_useMaximum, 0, 2);
    sizeGrid->addWidget(m_maximum, 0, 3);
    layout->addWidget(sizes);

    auto* attributes = new QGroupBox(QStringLiteral("Exclude Files with Attributes"), page);
    auto* attributeRow = new QHBoxLayout(attributes);
    for (int i = 0; i < 4; ++i) {
        m_fileAttributes[i] = new QCheckBox(QString::fromLatin1(kAttributeNames[i]), attributes);
        m_fileAttributes[i]->setChecked((filters.attributesExclude & kAttributeBits[i]) != 0);
        attributeRow->addWidget(m_fileAttributes[i]);
    }
    layout->addWidget(attributes);

    auto* types = new QGroupBox(QStringLiteral("Exclude Files of Type"), page);
    auto* typeRow = new QHBoxLayout(types);
    m_types[0] = new QCheckBox(QStringLiteral("Te&xt"), types);
    m_types[0]->setObjectName(QStringLiteral("excludeText"));
    m_types[1] = new QCheckBox(QStringLiteral("&Binary"), types);
    m_types[1]->setObjectName(QStringLiteral("excludeBinary"));
    m_types[0]->setChecked((filters.typeExclude & FILTER_TYPE_TEXT) != 0);
    m_types[1]->setChecked((filters.typeExclude & FILTER_TYPE_BINARY) != 0);
    typeRow->addWidget(m_types[0]);
    typeRow->addWidget(m_types[1]);
    typeRow->addStretch(1);
    layout->addWidget(types);
    layout->addStretch(1);
    return page;
}

QWidget* CFolderFilterDialog::FolderPage() {
    const CFolderFilters& filters = m_request.filters.folderFilters;
    auto* page = new QWidget(this);
    auto* layout = new QVBoxLayout(page);
    auto* names = new QGroupBox(QStringLiteral("Filter by Name"), page);
    auto* form = new QFormLayout(names);
    form->addRow(QStringLiteral("&Include:"), PatternRow(FOLDERS_INCLUDE, filters.nameInclude));
    form->addRow(QStringLiteral("&Exclude:"), PatternRow(FOLDERS_EXCLUDE, filters.nameExclude));
    layout->addWidget(names);
    auto* attributes = new QGroupBox(QStringLiteral("Exclude Folders with Attributes"), page);
    auto* row = new QHBoxLayout(attributes);
    for (int i = 0; i < 4; ++i) {
        m_folderAttributes[i] = new QCheckBox(QString::fromLatin1(kAttributeNames[i]), attributes);
        m_folderAttributes[i]->setChecked((filters.attributesExclude & kAttributeBits[i]) != 0);
        row->addWidget(m_folderAttributes[i]);
    }
    layout->addWidget(attributes);
    layout->addStretch(1);
    return page;
}

QWidget* CFolderFilterDialog::MethodPage() {
    auto* page = new QWidget(this);
    auto* layout = new QVBoxLayout(page);
    for (int i = 0; i < 8; ++i) {
        m_methods[i] = new QCheckBox(QString::fromLatin1(kMethods[i].text), page);
        m_methods[i]->setObjectName(QString::fromLatin1(kMethods[i].name));
        m_methods[i]->setChecked((m_request.methods & kMethods[i].bit) != 0);
        layout->addWidget(m_methods[i]);
    }
    m_scanAll = new QCheckBox(QStringLiteral("Compare all s&ubfolders at once"), page);
    m_scanAll->setObjectName(QStringLiteral("scanAll"));
    m_scanAll->setChecked((m_request.options & FOLDER_OPTION_AUTO_SCAN) != 0);
    layout->addWidget(m_scanAll);
    layout->addStretch(1);
    return page;
}

void CFolderFilterDialog::PickPatterns(PatternList list) {
    const bool folders = list >= FOLDERS_INCLUDE;
    std::set<std::string> found;
    for (const COMPARESIDE& side : m_request.sides)
        if (!side.path.empty())
            for (std::string& pattern : PatternsInUse(side.path, folders, true))
                found.insert(std::move(pattern));
    QDialog dialog(this);
    dialog.setWindowTitle(folders ? QStringLiteral("Folder Names") : QStringLiteral("File Extensions"));
    auto* layout = new QVBoxLayout(&dialog);
    auto* names = new QListWidget(&dialog);
    names->setObjectName(QStringLiteral("patterns"));
    for (const std::string& pattern : found) {
        auto* item = new QListWidgetItem(FromWorking(pattern), names);
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(Qt::Unchecked);
    }
    layout->addWidget(names);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    layout->addWidget(buttons);
    if (dialog.exec() != QDialog::Accepted) return;
    std::vector<std::string> picked;
    for (int i = 0; i < names->count(); ++i)
        if (names->item(i)->checkState() == Qt::Checked) picked.push_back(ToWorking(names->item(i)->text()));
    if (!picked.empty()) m_patterns[list]->setEditText(FromWorking(JoinPatterns(picked)));
}

void CFolderFilterDialog::Fill(CFolderCompareParams& request) const {
    CFileFilters& files = request.filters.fileFilters;
    files.nameInclude = ToWorking(m_patterns[FILES_INCLUDE]->currentText());
    files.nameExclude = ToWorking(m_patterns[FILES_EXCLUDE]->currentText());
    files.timeFrom =
        m_useFrom->isChecked() ? FilterTimeFromText(m_from->date().toString(Qt::ISODate).toStdString()) : 0;
    files.timeTo =
        m_useTo->isChecked() ? FilterTimeFromText(m_to->date().toString(Qt::ISODate).toStdString()) : 0;
    files.sizeMin =
        KilobytesToSizeBound(static_cast<uint64_t>(m_minimum->value()), m_useMinimum->isChecked());
    files.sizeMax =
        KilobytesToSizeBound(static_cast<uint64_t>(m_maximum->value()), m_useMaximum->isChecked());
    files.attributesExclude = 0;
    for (int i = 0; i < 4; ++i)
        if (m_fileAttributes[i]->isChecked()) files.attributesExclude |= kAttributeBits[i];
    // The directory type is carried as it was: it excludes nothing.
    files.typeExclude &= FILTER_TYPE_DIRECTORY;
    if (m_types[0]->isChecked()) files.typeExclude |= FILTER_TYPE_TEXT;
    if (m_types[1]->isChecked()) files.typeExclude |= FILTER_TYPE_BINARY;
    CFolderFilters& folders = request.filters.folderFilters;
    folders.nameInclude = ToWorking(m_patterns[FOLDERS_INCLUDE]->currentText());
    folders.nameExclude = ToWorking(m_patterns[FOLDERS_EXCLUDE]->currentText());
    folders.attributesExclude = 0;
    for (int i = 0; i < 4; ++i)
        if (m_folderAttributes[i]->isChecked()) folders.attributesExclude |= kAttributeBits[i];
    request.methods = 0;
    for (int i = 0; i < 8; ++i)
        if (m_methods[i]->isChecked()) request.methods |= kMethods[i].bit;
    if (m_scanAll->isChecked())
        request.options |= FOLDER_OPTION_AUTO_SCAN;
    else
        request.options &= ~FOLDER_OPTION_AUTO_SCAN;
}

void CFolderFilterDialog::Apply(CFolderCompareParams& request) const {
    Fill(request);
    // What was typed is offered again next time; the include-all list is no
    // choice worth remembering.
    CRecentFilters& recent = AppComponents().Folders().recentFilters;
    for (int list = 0; list < PATTERN_LISTS; ++list) {
        const std::string text = ToWorking(m_patterns[list]->currentText());
        if (text != "*") recent.Add(static_cast<CRecentFilters::List>(list), text);
    }
}

void CFolderFilterDialog::SaveAsDefault() {
    CFolderCompareParams request;
    request.CopyFrom(m_request);
    Fill(request);
    CFolderComparer& folders = AppComponents().Folders();
    folders.filters = request.filters;
    folders.methods = request.methods;
    folders.autoScanFolders = (request.options & FOLDER_OPTION_AUTO_SCAN) != 0 ? 1 : 0;
}

}  // namespace corvatine::ui
