#include "ui/FindInFilesDialog.h"

#include <QDialogButtonBox>
#include <QFileDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QVBoxLayout>

#include "editor/SyntaxEditor.h"
#include "platform/Path.h"
#include "platform/Profile.h"
#include "platform/RecentFileList.h"
#include "tools/FindInFiles.h"
#include "ui/UiText.h"

namespace corvatine::ui {

namespace {

platform::CRecentFileList RecentFinds() {
    return platform::CRecentFileList(CFindInFilesDlg::kRecentFindKey, "String%d",
                                     CFindInFilesDlg::kRecentSize, platform::CRecentFileList::Match::Text);
}

platform::CRecentFileList RecentFolders() {
    return platform::CRecentFileList(CFindInFilesDlg::kRecentLookInKey, "Folder%d",
                                     CFindInFilesDlg::kRecentSize);
}

QComboBox* EditableCombo(QWidget* parent, const char* name) {
    auto* combo = new QComboBox(parent);
    combo->setObjectName(QString::fromLatin1(name));
    combo->setEditable(true);
    combo->setInsertPolicy(QComboBox::NoInsert);
    combo->setMinimumContentsLength(40);
    return combo;
}

}  // namespace

const CFindInFilesDlg::EXPRESSIONITEM CFindInFilesDlg::kExpressionItems[11] = {
    {"Any Character", ".", false},
    {"Beginning of Line", "^", false},
    {"End of Line", "$", false},
    {"Character in Range", "[]", true},
    {"Character not in Range", "[^]", true},
    {"0 or More Matches", "*", false},
    {"1 or More Matches", "+", false},
    {"0 or Once", "?", false},
    {"Alphabetic Character", "[a-bA-B]", false},
    {"Decimal Digit", "[0-9]", false},
    {"Define a Group", "()", true},
};

CFindInFilesDlg::CFindInFilesDlg(const FINDINFILESCHOICE& start, QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Find in Files"));
    setObjectName(QStringLiteral("findInFilesDialog"));

    m_findWhat = EditableCombo(this, "findWhat");
    platform::CRecentFileList finds = RecentFinds();
    finds.Load(platform::AppProfile());
    for (const std::string& text : finds.Items()) m_findWhat->addItem(QString::fromStdString(text));
    m_findWhat->setEditText(QString::fromStdString(start.findWhat));
    m_expression = new QPushButton(QStringLiteral("&Expression"), this);
    m_expression->setObjectName(QStringLiteral("expression"));
    auto* menu = new QMenu(m_expression);
    menu->setObjectName(QStringLiteral("expressionMenu"));
    for (const EXPRESSIONITEM& item : kExpressionItems)
        connect(menu->addAction(QString::fromLatin1(item.text)), &QAction::triggered, this,
                [this, &item] { InsertToken(item); });
    m_expression->setMenu(menu);

    // The languages' file types, "All Files (*)" first; an entry puts its
    // patterns into the field.
    m_fileTypes = EditableCombo(this, "fileTypes");
    m_fileTypes->addItem(QStringLiteral("All Files (*)"));
    const QStringList filter =
        QString::fromStdString(GetSyntaxEditor().BuildFileFilter(false)).split(QLatin1Char('|'));
    for (qsizetype i = 0; i + 1 < filter.size(); i += 2)
        if (!filter[i].isEmpty()) m_fileTypes->addItem(filter[i]);
    // Every file is "*" here; stored lists may say "*.*", which means the same.
    m_fileTypes->setEditText(
        QString::fromStdString(start.fileTypes.empty() || start.fileTypes == "*.*" ? "*" : start.fileTypes));
    connect(m_fileTypes, &QComboBox::activated, this, [this](int index) {
        const QString description = m_fileTypes->itemText(index);
        const qsizetype open = description.indexOf(QLatin1Char('('));
        const qsizetype close = description.indexOf(QLatin1Char(')'), open + 1);
        if (open >= 0 && close > open) m_fileTypes->setEditText(description.mid(open + 1, close - open - 1));
    });

    m_lookIn = EditableCombo(this, "lookIn");
    platform::CRecentFileList folders = RecentFolders();
    folders.Load(platform::AppProfile());
    for (const std::string& folder : folders.Items()) m_lookIn->addItem(FromPath(folder));
    m_lookIn->setEditText(FromPath(start.lookIn));
    m_browse = new QPushButton(QStringLiteral("&Browse..."), this);
    m_browse->setObjectName(QStringLiteral("browse"));
    connect(m_browse, &QPushButton::clicked, this, [this] { Browse(); });

    m_matchCase = new QCheckBox(QStringLiteral("&Match case"), this);
    m_matchCase->setObjectName(QStringLiteral("matchCase"));
    m_matchCase->setChecked((start.flags & FIF_MATCHCASE) != 0);
    m_subfolders = new QCheckBox(QStringLiteral("L&ook in subfolders"), this);
    m_subfolders->setObjectName(QStringLiteral("subfolders"));
    m_subfolders->setChecked((start.flags & FIF_SUBFOLDERS) != 0);
    m_regExp = new QCheckBox(QStringLiteral("&Regular expression"), this);
    m_regExp->setObjectName(QStringLiteral("regularExpression"));
    m_regExp->setChecked((start.flags & FIF_REGEXP) != 0);

    auto* grid = new QGridLayout;
    const auto label = [this](const QString& text, QWidget* buddy) {
        auto* l = new QLabel(text, this);
        l->setBuddy(buddy);
        return l;
    };
    grid->addWidget(label(QStringLiteral("&Find What:"), m_findWhat), 0, 0);
    grid->addWidget(m_findWhat, 0, 1);
    grid->addWidget(m_expression, 0, 2);
    grid->addWidget(label(QStringLiteral("File &Types:"), m_fileTypes), 1, 0);
    grid->addWidget(m_fileTypes, 1, 1);
    grid->addWidget(label(QStringLiteral("&Look In:"), m_lookIn), 2, 0);
    grid->addWidget(m_lookIn, 2, 1);
    grid->addWidget(m_browse, 2, 2);
    auto* checks = new QVBoxLayout;
    for (QCheckBox* box : {m_matchCase, m_subfolders, m_regExp}) checks->addWidget(box);
    grid->addLayout(checks, 3, 1);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    m_ok = buttons->button(QDialogButtonBox::Ok);
    m_ok->setText(QStringLiteral("Find"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    // A search needs a text and a folder.
    const auto updateOk = [this] {
        m_ok->setEnabled(!m_findWhat->currentText().isEmpty() &&
                         !m_lookIn->currentText().trimmed().isEmpty());
    };
    connect(m_findWhat, &QComboBox::editTextChanged, this, updateOk);
    connect(m_lookIn, &QComboBox::editTextChanged, this, updateOk);
    updateOk();

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addWidget(buttons);
    m_findWhat->setFocus();
}

void CFindInFilesDlg::InsertToken(const EXPRESSIONITEM& item) {
    QLineEdit* edit = m_findWhat->lineEdit();
    edit->insert(QString::fromLatin1(item.inserted));
    if (item.caretInside) edit->setCursorPosition(edit->cursorPosition() - 1);
    m_regExp->setChecked(true);
    m_findWhat->setFocus();
}

void CFindInFilesDlg::Browse() {
    const QString folder =
        QFileDialog::getExistingDirectory(this, QStringLiteral("Look In Folder:"), m_lookIn->currentText());
    if (!folder.isEmpty()) m_lookIn->setEditText(folder);
}

FINDINFILESCHOICE CFindInFilesDlg::Choice() const {
    FINDINFILESCHOICE choice;
    choice.findWhat = m_findWhat->currentText().toStdString();
    choice.fileTypes = m_fileTypes->currentText().trimmed().toStdString();
    if (choice.fileTypes.empty()) choice.fileTypes = "*";
    choice.lookIn = ToPath(m_lookIn->currentText().trimmed());
    // The nodes show the folder joined with "/" to the names below it.
    while (choice.lookIn.size() > 1 && choice.lookIn.back() == '/') choice.lookIn.pop_back();
    choice.flags = (m_subfolders->isChecked() ? FIF_SUBFOLDERS : 0u) |
                   (m_regExp->isChecked() ? FIF_REGEXP : 0u) |
                   (m_matchCase->isChecked() ? FIF_MATCHCASE : 0u);
    return choice;
}

void CFindInFilesDlg::accept() {
    const FINDINFILESCHOICE choice = Choice();
    if (choice.findWhat.empty() || choice.lookIn.empty()) return;
    // The recent lists as the settings hold them now, with the choice first.
    platform::CRecentFileList finds = RecentFinds();
    finds.Load(platform::AppProfile());
    finds.Add(choice.findWhat);
    finds.Save(platform::AppProfile());
    platform::CRecentFileList folders = RecentFolders();
    folders.Load(platform::AppProfile());
    folders.Add(choice.lookIn);
    folders.Save(platform::AppProfile());
    QDialog::accept();
}

bool CFindInFilesDlg::Ask(QWidget* parent, FINDINFILESCHOICE& choice) {
    CFindInFilesDlg dialog(choice, parent);
    if (dialog.exec() != QDialog::Accepted) return false;
    choice = dialog.Choice();
    return true;
}

}  // namespace corvatine::ui
