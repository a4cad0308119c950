#include "ui/FolderOperationDialogs.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "foldercompare/FolderCompareOptions.h"
#include "launch/Components.h"
#include "platform/FileAttributes.h"
#include "platform/FileFind.h"
#include "request/CompareMethods.h"
#include "ui/UiText.h"

namespace corvatine::ui {

namespace {

// Rows listed at most; a selection of many thousands is counted, not listed.
constexpr int kListedItems = 2000;

bool AnyHasSide(const std::vector<CFolderCompareItem*>& selection, int side) {
    for (const CFolderCompareItem* item : selection)
        if (item->HasSide(side)) return true;
    return false;
}

void Refuse(QWidget* parent, const QString& text) {
    QMessageBox::warning(parent, QApplication::applicationDisplayName(), text);
}

// A name for an entry in a folder: not empty, no separator, not "." or "..".
bool CheckName(QWidget* parent, const QString& name) {
    if (name.isEmpty() || name.contains(QLatin1Char('/')) || name == QLatin1String(".") ||
        name == QLatin1String("..")) {
        Refuse(parent, QStringLiteral("'%1' is not a name for a file or folder.").arg(name));
        return false;
    }
    return true;
}

// Whether a delete goes to the Trash: the choice is kept for the next one.
bool g_useRecycleBin = true;

}  // namespace

bool CFolderOperationDialogs::Confirm(CFileOperation& command,
                                      const std::vector<CFolderCompareItem*>& selection) {
    std::unique_ptr<CFolderOperationDialog> dialog;
    if (auto* copy = dynamic_cast<CCopyToFolder*>(&command))
        dialog = std::make_unique<CCopyToFolderDialog>(m_parent, *copy, selection);
    else if (auto* folder = dynamic_cast<CNewFolder*>(&command))
        dialog = std::make_unique<CNewFolderDialog>(m_parent, *folder, selection);
    else if (auto* time = dynamic_cast<CSetTime*>(&command))
        dialog = std::make_unique<CSetTimeDialog>(m_parent, *time, selection);
    else if (auto* attributes = dynamic_cast<CSetAttributes*>(&command))
        dialog = std::make_unique<CSetAttributesDialog>(m_parent, *attributes, selection);
    else if (auto* rename = dynamic_cast<CRename*>(&command))
        dialog = std::make_unique<CRenameDialog>(m_parent, *rename, selection);
    else if (auto* contents = dynamic_cast<CCompareContents*>(&command))
        dialog = std::make_unique<CCompareContentsDialog>(m_parent, *contents, selection);
    else
        dialog = std::make_unique<CFileOperationDialog>(m_parent, command, selection);
    return dialog->exec() == QDialog::Accepted;
}

// ---- The shared frame ----

CFolderOperationDialog::CFolderOperationDialog(QWidget* parent, CFileOperation& command,
                                               const std::vector<CFolderCompareItem*>& selection)
    : QDialog(parent), m_command(command), m_selection(selection) {
    setObjectName(QStringLiteral("operationDialog"));
    setWindowTitle(FromPath(command.GetDialogTitle()));
    auto* layout = new QVBoxLayout(this);
    auto* list = new QListWidget(this);
    list->setObjectName(QStringLiteral("items"));
    list->setSelectionMode(QAbstractItemView::NoSelection);
    const int listed = std::min(static_cast<int>(selection.size()), kListedItems);
    for (int i = 0; i < listed; ++i) {
        const CFolderCompareItem* item = selection[static_cast<size_t>(i)];
        list->addItem(FromPath(item->RelativePath().empty() ? std::string(".") : item->RelativePath()) +
                      (item->IsFolderPair() ? QStringLiteral("/") : QString()));
    }
    if (static_cast<int>(selection.size()) > listed)
        list->addItem(QStringLiteral("... %1 more").arg(static_cast<int>(selection.size()) - listed));
    list->setMaximumHeight(160);
    layout->addWidget(list);
    auto* counts = new QFormLayout();
    for (int side = 0; side < 2; ++side) {
        auto* count = new QLabel(FromPath(SelectionCountText(selection, side)), this);
        count->setObjectName(side == 0 ? QStringLiteral("leftCount") : QStringLiteral("rightCount"));
        counts->addRow(side == 0 ? QStringLiteral("Left:") : QStringLiteral("Right:"), count);
    }
    layout->addLayout(counts);
    m_options = new QVBoxLayout();
    layout->addLayout(m_options);
    auto* buttons = new QDialogButtonBox(this);
    QPushButton* ok = buttons->addButton(FromPath(command.GetVerb()), QDialogButtonBox::AcceptRole);
    ok->setObjectName(QStringLiteral("ok"));
    ok->setDefault(true);
    buttons->addButton(QDialogButtonBox::Cancel);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}

void CFolderOperationDialog::accept() {
    if (Apply()) QDialog::accept();
}

void CFolderOperationDialog::AddSideChecks(uint32_t initial) {
    auto* row = new QHBoxLayout();
    for (int side = 0; side < 2; ++side) {
        QCheckBox*& check = m_sideChecks[side];
        check = new QCheckBox(FromPath(side == 0 ? kLeftSideText : kRightSideText), this);
        check->setObjectName(side == 0 ? QStringLiteral("leftSide") : QStringLiteral("rightSide"));
        const bool present = AnyHasSide(m_selection, side);
        check->setEnabled(present);
        check->setChecked(present && (initial & (side == 0 ? SIDE_LEFT : SIDE_RIGHT)) != 0);
        row->addWidget(check);
    }
    row->addStretch(1);
    m_options->addLayout(row);
}

uint32_t CFolderOperationDialog::SideMask() const {
    uint32_t mask = 0;
    if (m_sideChecks[0] != nullptr && m_sideChecks[0]->isChecked()) mask |= SIDE_LEFT;
    if (m_sideChecks[1] != nullptr && m_sideChecks[1]->isChecked()) mask |= SIDE_RIGHT;
    return mask;
}

void CFolderOperationDialog::AddSideRadios(int initial) {
    auto* row = new QHBoxLayout();
    auto* group = new QButtonGroup(this);
    for (int side = 0; side < 2; ++side) {
        QRadioButton*& radio = m_sideRadios[side];
        radio = new QRadioButton(FromPath(side == 0 ? kLeftSideText : kRightSideText), this);
        radio->setObjectName(side == 0 ? QStringLiteral("leftSide") : QStringLiteral("rightSide"));
        radio->setEnabled(AnyHasSide(m_selection, side));
        group->addButton(radio);
        row->addWidget(radio);
    }
    int side = initial;
    if (!m_sideRadios[side]->isEnabled() && m_sideRadios[1 - side]->isEnabled()) side = 1 - side;
    m_sideRadios[side]->setChecked(true);
    row->addStretch(1);
    m_options->addLayout(row);
}

int CFolderOperationDialog::ChosenSide() const {
    return m_sideRadios[1] != nullptr && m_sideRadios[1]->isChecked() ? 1 : 0;
}

// ---- Copy, move, delete ----

CFileOperationDialog::CFileOperationDialog(QWidget* parent, CFileOperation& command,
                                           const std::vector<CFolderCompareItem*>& selection)
    : CFolderOperationDialog(parent, command, selection) {
    if (command.kind == FILEOP_DELETE) {
        AddSideChecks(command.sides);
        m_recycleBin = new QCheckBox(FromPath(kUseRecycleBinText), this);
        m_recycleBin->setObjectName(QStringLiteral("recycleBin"));
        m_recycleBin->setChecked(g_useRecycleBin);
        Options()->addWidget(m_recycleBin);
        return;
    }
    const bool move = command.kind == FILEOP_MOVE;
    auto* group = new QButtonGroup(this);
    m_toRight = new QRadioButton(FromPath(move ? kMoveToRightText : kCopyToRightText), this);
    m_toRight->setObjectName(QStringLiteral("toRight"));
    m_toLeft = new QRadioButton(FromPath(move ? kMoveToLeftText : kCopyToLeftText), this);
    m_toLeft->setObjectName(QStringLiteral("toLeft"));
    // A direction needs items on its source side.
    m_toRight->setEnabled(AnyHasSide(selection, 0));
    m_toLeft->setEnabled(AnyHasSide(selection, 1));
    group->addButton(m_toRight);
    group->addButton(m_toLeft);
    const bool right =
        command.sides == 0 ? m_toRight->isEnabled() || !m_toLeft->isEnabled() : !m_toLeft->isEnabled();
    (right ? m_toRight : m_toLeft)->setChecked(true);
    auto* row = new QHBoxLayout();
    row->addWidget(m_toRight);
    row->addWidget(m_toLeft);
    row->addStretch(1);
    Options()->addLayout(row);
    m_noConfirmation = new QCheckBox(FromPath(kNoConfirmationText), this);
    m_noConfirmation->setObjectName(QStringLiteral("noConfirmation"));
    m_noConfirmation->setChecked((command.shellFlags & platform::FOF_NOCONFIRMATION) != 0);
    Options()->addWidget(m_noConfirmation);
    if (!move) {
        m_emptyFolderOnly = new QCheckBox(FromPath(kEmptyFolderOnlyText), this);
        m_emptyFolderOnly->setObjectName(QStringLiteral("emptyFolderOnly"));
        m_emptyFolderOnly->setChecked(command.emptyFolderOnly);
        Options()->addWidget(m_emptyFolderOnly);
    }
}

bool CFileOperationDialog::Apply() {
    if (m_command.kind == FILEOP_DELETE) {
        const uint32_t mask = SideMask();
        if (mask == 0) {
            Refuse(this, QStringLiteral("Choose the side to delete from."));
            return false;
        }
        m_command.sides = mask;
        g_useRecycleBin = m_recycleBin->isChecked();
        if (g_useRecycleBin)
            m_command.shellFlags |= platform::FOF_ALLOWUNDO;
        else
            m_command.shellFlags &= ~platform::FOF_ALLOWUNDO;
        return true;
    }
    m_command.sides = m_toRight->isChecked() ? 0 : 1;
    if (!AnyHasSide(m_selection, static_cast<int>(m_command.sides))) {
        Refuse(this, QStringLiteral("Nothing is selected on that side."));
        return false;
    }
    if (m_noConfirmation->isChecked())
        m_command.shellFlags |= platform::FOF_NOCONFIRMATION;
    else
        m_command.shellFlags &= ~platform::FOF_NOCONFIRMATION;
    if (m_emptyFolderOnly != nullptr) m_command.emptyFolderOnly = m_emptyFolderOnly->isChecked();
    return true;
}

// ---- Copy to folder ----

CCopyToFolderDialog::CCopyToFolderDialog(QWidget* parent, CCopyToFolder& command,
                                         const std::vector<CFolderCompareItem*>& selection)
    : CFolderOperationDialog(parent, command, selection), m_copy(command) {
    AddSideRadios(static_cast<int>(command.sides));
    auto* row = new QHBoxLayout();
    m_folder = new QComboBox(this);
    m_folder->setObjectName(QStringLiteral("folder"));
    m_folder->setEditable(true);
    m_folder->setMinimumContentsLength(40);
    if (const platform::CRecentFileList* recent = AppComponents().Folders().RecentCopyTargets())
        for (int i = 0; i < recent->Count(); ++i) m_folder->addItem(FromPath((*recent)[i]));
    m_folder->setEditText(FromPath(command.targetFolder.empty() && m_folder->count() > 0
                                       ? ToPath(m_folder->itemText(0))
                                       : command.targetFolder));
    auto* label = new QLabel(QStringLiteral("&Folder:"), this);
    label->setBuddy(m_folder);
    row->addWidget(label);
    row->addWidget(m_folder, 1);
    auto* browse = new QPushButton(QStringLiteral("..."), this);
    browse->setToolTip(FromPath(kSelectFolderTitle));
    connect(browse, &QPushButton::clicked, this, [this] {
        const QString path =
            QFileDialog::getExistingDirectory(this, FromPath(kSelectFolderTitle), m_folder->currentText());
        if (!path.isEmpty()) m_folder->setEditText(path);
    });
    row->addWidget(browse);
    Options()->addLayout(row);
    m_emptyFolderOnly = new QCheckBox(FromPath(kEmptyFolderOnlyText), this);
    m_emptyFolderOnly->setObjectName(QStringLiteral("emptyFolderOnly"));
    Options()->addWidget(m_emptyFolderOnly);
}

bool CCopyToFolderDialog::Apply() {
    const std::string folder = ToPath(m_folder->currentText().trimmed());
    if (folder.empty()) {
        Refuse(this, QStringLiteral("Name the folder to copy to."));
        return false;
    }
    m_copy.targetFolder = folder;
    m_copy.sides = static_cast<uint32_t>(ChosenSide());
    m_copy.emptyFolderOnly = m_emptyFolderOnly->isChecked();
    AppComponents().Folders().AddRecentCopyTarget(folder);
    return true;
}

// ---- New folder ----

CNewFolderDialog::CNewFolderDialog(QWidget* parent, CNewFolder& command,
                                   const std::vector<CFolderCompareItem*>& selection)
    : CFolderOperationDialog(parent, command, selection), m_newFolder(command) {
    auto* form = new QFormLayout();
    m_name = new QLineEdit(FromPath(command.name.empty() ? std::string("New Folder") : command.name), this);
    m_name->setObjectName(QStringLiteral("name"));
    m_name->selectAll();
    form->addRow(QStringLiteral("&Name:"), m_name);
    Options()->addLayout(form);
    AddSideChecks(command.sides);
}

bool CNewFolderDialog::Apply() {
    if (!CheckName(this, m_name->text())) return false;
    if (SideMask() == 0) {
        Refuse(this, QStringLiteral("Choose the side to create the folder on."));
        return false;
    }
    m_newFolder.name = ToPath(m_name->text());
    m_newFolder.sides = SideMask();
    return true;
}

// ---- Rename ----

CRenameDialog::CRenameDialog(QWidget* parent, CRename& command,
                             const std::vector<CFolderCompareItem*>& selection)
    : CFolderOperationDialog(parent, command, selection), m_rename(command) {
    auto* form = new QFormLayout();
    const std::string current = selection.empty() ? std::string() : selection.front()->GetName();
    m_name = new QLineEdit(FromPath(command.newName.empty() ? current : command.newName), this);
    m_name->setObjectName(QStringLiteral("name"));
    m_name->selectAll();
    form->addRow(QStringLiteral("&New name:"), m_name);
    Options()->addLayout(form);
    AddSideChecks(command.sides);
}

bool CRenameDialog::Apply() {
    if (!CheckName(this, m_name->text())) return false;
    if (SideMask() == 0) {
        Refuse(this, QStringLiteral("Choose the side to rename."));
        return false;
    }
    m_rename.newName = ToPath(m_name->text());
    m_rename.sides = SideMask();
    return true;
}

// ---- Set date/time ----

CSetTimeDialog::CSetTimeDialog(QWidget* parent, CSetTime& command,
                               const std::vector<CFolderCompareItem*>& selection)
    : CFolderOperationDialog(parent, command, selection), m_setTime(command) {
    AddSideRadios(command.sides == SIDE_RIGHT ? 1 : 0);
    auto* group = new QButtonGroup(this);
    m_fromOtherSide = new QRadioButton(QStringLiteral("&Copy the time of the other side"), this);
    m_fromOtherSide->setObjectName(QStringLiteral("fromOtherSide"));
    m_given = new QRadioButton(QStringLiteral("&Set to:"), this);
    m_given->setObjectName(QStringLiteral("givenTime"));
    group->addButton(m_fromOtherSide);
    group->addButton(m_given);
    m_time = new QDateTimeEdit(QDateTime::currentDateTime(), this);
    m_time->setObjectName(QStringLiteral("time"));
    m_time->setDisplayFormat(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    m_time->setCalendarPopup(true);
    // The newest time of the selection is where one usually starts.
    int64_t newest = 0;
    for (const CFolderCompareItem* item : selection)
        for (const CFolderItem* entry : {item->left, item->right})
            if (entry != nullptr) newest = std::max(newest, entry->GetLastWriteTime());
    if (newest > 0) m_time->setDateTime(QDateTime::fromSecsSinceEpoch(newest));
    (command.copyFromOtherSide ? m_fromOtherSide : m_given)->setChecked(true);
    m_time->setEnabled(!command.copyFromOtherSide);
    connect(m_given, &QRadioButton::toggled, m_time, &QWidget::setEnabled);
    Options()->addWidget(m_fromOtherSide);
    auto* row = new QHBoxLayout();
    row->addWidget(m_given);
    row->addWidget(m_time, 1);
    Options()->addLayout(row);
}

bool CSetTimeDialog::Apply() {
    m_setTime.sides = ChosenSide() == 0 ? SIDE_LEFT : SIDE_RIGHT;
    m_setTime.copyFromOtherSide = m_fromOtherSide->isChecked() ? 1 : 0;
    if (!m_setTime.copyFromOtherSide) {
        const qint64 seconds = m_time->dateTime().toSecsSinceEpoch();
        if (seconds <= 0) {
            Refuse(this, QStringLiteral("Choose a time after 1970."));
            return false;
        }
        m_setTime.time = platform::FileTimeFromUnix(seconds, 0);
    }
    return true;
}

// ---- Set attributes ----

CSetAttributesDialog::CSetAttributesDialog(QWidget* parent, CSetAttributes& command,
                                           const std::vector<CFolderCompareItem*>& selection)
    : CFolderOperationDialog(parent, command, selection), m_setAttributes(command) {
    AddSideChecks(command.sides);
    auto* box =
        new QGroupBox(QStringLiteral("Attributes (checked: set, cleared: clear, partly: keep)"), this);
    auto* layout = new QHBoxLayout(box);
    static const char* const kNames[4] = {"&Read-only", "&Hidden", "&System", "&Archive"};
    static const char* const kObjects[4] = {"readOnly", "hidden", "system", "archive"};
    static const uint32_t kBits[4] = {FILE_ATTRIBUTE_READONLY, FILE_ATTRIBUTE_HIDDEN, FILE_ATTRIBUTE_SYSTEM,
                                      FILE_ATTRIBUTE_ARCHIVE};
    for (int i = 0; i < 4; ++i) {
        m_bits[i] = new QCheckBox(QString::fromLatin1(kNames[i]), box);
        m_bits[i]->setObjectName(QString::fromLatin1(kObjects[i]));
        m_bits[i]->setTristate(true);
        m_bits[i]->setCheckState((command.setMask & kBits[i])     ? Qt::Checked
                                 : (command.clearMask & kBits[i]) ? Qt::Unchecked
                                                                  : Qt::PartiallyChecked);
        layout->addWidget(m_bits[i]);
    }
    Options()->addWidget(box);
}

bool CSetAttributesDialog::Apply() {
    static const uint32_t kBits[4] = {FILE_ATTRIBUTE_READONLY, FILE_ATTRIBUTE_HIDDEN, FILE_ATTRIBUTE_SYSTEM,
                                      FILE_ATTRIBUTE_ARCHIVE};
    uint32_t set = 0, clear = 0;
    for (int i = 0; i < 4; ++i) {
        if (m_bits[i]->checkState() == Qt::Checked) set |= kBits[i];
        if (m_bits[i]->checkState() == Qt::Unchecked) clear |= kBits[i];
    }
    if (SideMask() == 0 || (set == 0 && clear == 0)) {
        Refuse(this, QStringLiteral("Choose a side and an attribute to set or clear."));
        return false;
    }
    m_setAttributes.sides = SideMask();
    m_setAttributes.setMask = set;
    m_setAttributes.clearMask = clear;
    return true;
}

// ---- Compare contents ----

CCompareContentsDialog::CCompareContentsDialog(QWidget* parent, CCompareContents& command,
                                               const std::vector<CFolderCompareItem*>& selection)
    : CFolderOperationDialog(parent, command, selection), m_compare(command) {
    auto* group = new QButtonGroup(this);
    static const char* const kNames[3] = {"&CRC-32", "&Binary content", "&Text content"};
    static const char* const kObjects[3] = {"crc", "binary", "text"};
    static const uint32_t kMethods[3] = {METHOD_CRC, METHOD_BINARY, METHOD_TEXT};
    for (int i = 0; i < 3; ++i) {
        m_methods[i] = new QRadioButton(QString::fromLatin1(kNames[i]), this);
        m_methods[i]->setObjectName(QString::fromLatin1(kObjects[i]));
        m_methods[i]->setChecked(command.method == kMethods[i]);
        group->addButton(m_methods[i]);
        Options()->addWidget(m_methods[i]);
    }
    if (group->checkedButton() == nullptr) m_methods[0]->setChecked(true);
}

bool CCompareContentsDialog::Apply() {
    static const uint32_t kMethods[3] = {METHOD_CRC, METHOD_BINARY, METHOD_TEXT};
    for (int i = 0; i < 3; ++i)
        if (m_methods[i]->isChecked()) m_compare.method = kMethods[i];
    return true;
}

}  // namespace corvatine::ui
