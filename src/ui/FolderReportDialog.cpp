#include "ui/FolderReportDialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "foldercompare/FolderCompareOptions.h"
#include "launch/Components.h"
#include "ui/FolderCompareView.h"
#include "ui/UiText.h"

namespace corvatine::ui {

namespace {

// The columns of the check list; the name is always there.
enum ReportColumn { REPORT_NAME, REPORT_SIZE, REPORT_TIME, REPORT_VERSION };

QString RowSetText(const char* name) {
    QString text = QString::fromLatin1(name);
    if (!text.isEmpty()) text[0] = text[0].toUpper();
    return text;
}

}  // namespace

CFolderReportDialog::CFolderReportDialog(QWidget* parent, CFolderCompareView& view)
    : QDialog(parent), m_view(view) {
    setObjectName(QStringLiteral("folderReportDialog"));
    setWindowTitle(QStringLiteral("Folder Comparison Report"));
    const CFolderCompareReport& report = AppComponents().Folders().report;
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("Generate Folder Comparison Report (Html Format)"), this));
    auto* form = new QFormLayout();
    m_rows = new QComboBox(this);
    m_rows->setObjectName(QStringLiteral("includeFiles"));
    for (const FOLDERREPORTROWSET& set : kFolderReportRowSets) {
        m_rows->addItem(RowSetText(set.name), set.word);
        if (set.word == report.rowFilter) m_rows->setCurrentIndex(m_rows->count() - 1);
    }
    form->addRow(QStringLiteral("&Include Files:"), m_rows);
    layout->addLayout(form);
    m_justVisible = new QCheckBox(QStringLiteral("&Just visible items in comparison views"), this);
    m_justVisible->setObjectName(QStringLiteral("justVisible"));
    m_justVisible->setChecked(report.justVisibleItems != 0);
    // The row set chooses among all items; the view's rows are what they are.
    m_rows->setEnabled(!m_justVisible->isChecked());
    connect(m_justVisible, &QCheckBox::toggled, m_rows,
            [this](bool visible) { m_rows->setEnabled(!visible); });
    layout->addWidget(m_justVisible);
    auto* columnsLabel = new QLabel(QStringLiteral("C&olumns:"), this);
    layout->addWidget(columnsLabel);
    m_columns = new QListWidget(this);
    m_columns->setObjectName(QStringLiteral("columns"));
    const struct {
        const char* name;
        bool checked;
    } columns[] = {{"Name", true},
                   {"Size", report.includeSize != 0},
                   {"Time", report.includeTime != 0},
                   {"Version", report.includeVersion != 0}};
    for (const auto& column : columns) {
        auto* item = new QListWidgetItem(QString::fromLatin1(column.name), m_columns);
        item->setFlags(Qt::ItemIsUserCheckable | Qt::ItemIsEnabled);
        item->setCheckState(column.checked ? Qt::Checked : Qt::Unchecked);
    }
    m_columns->item(REPORT_NAME)->setFlags(Qt::ItemIsUserCheckable);  // always on
    m_columns->setMaximumHeight(m_columns->sizeHintForRow(0) * 4 + 2 * m_columns->frameWidth() + 4);
    columnsLabel->setBuddy(m_columns);
    layout->addWidget(m_columns);
    auto* titleForm = new QFormLayout();
    m_title = new QComboBox(this);
    m_title->setObjectName(QStringLiteral("title"));
    m_title->setEditable(true);
    m_title->addItems({view.Title(), QStringLiteral("Folder Comparison")});
    m_title->setEditText(report.title.empty() ? view.Title() : FromPath(report.title));
    titleForm->addRow(QStringLiteral("&Report Title:"), m_title);
    layout->addLayout(titleForm);

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* save = buttons->addButton(QStringLiteral("&Save..."), QDialogButtonBox::ActionRole);
    save->setObjectName(QStringLiteral("save"));
    QPushButton* copy = buttons->addButton(QStringLiteral("&Copy"), QDialogButtonBox::ActionRole);
    copy->setObjectName(QStringLiteral("copy"));
    QPushButton* preview = buttons->addButton(QStringLiteral("&Preview"), QDialogButtonBox::ActionRole);
    preview->setObjectName(QStringLiteral("preview"));
    buttons->addButton(QStringLiteral("Close"), QDialogButtonBox::RejectRole);
    connect(save, &QPushButton::clicked, this, &CFolderReportDialog::Save);
    connect(copy, &QPushButton::clicked, this, [this] {
        StoreSettings();
        m_view.RunReport(CFolderCompareView::ReportAction::Copy, std::string());
    });
    connect(preview, &QPushButton::clicked, this, [this] {
        StoreSettings();
        m_view.RunReport(CFolderCompareView::ReportAction::Preview, std::string());
    });
    connect(buttons, &QDialogButtonBox::rejected, this, [this] {
        StoreSettings();
        reject();
    });
    layout->addWidget(buttons);
}

void CFolderReportDialog::StoreSettings() {
    CFolderCompareReport& report = AppComponents().Folders().report;
    report.rowFilter = m_rows->currentData().toUInt();
    report.justVisibleItems = m_justVisible->isChecked() ? 1 : 0;
    report.includeSize = m_columns->item(REPORT_SIZE)->checkState() == Qt::Checked ? 1 : 0;
    report.includeTime = m_columns->item(REPORT_TIME)->checkState() == Qt::Checked ? 1 : 0;
    report.includeVersion = m_columns->item(REPORT_VERSION)->checkState() == Qt::Checked ? 1 : 0;
    // The comparison's own title is no title of the next comparison.
    const QString title = m_title->currentText();
    report.title = title == m_view.Title() ? std::string() : ToPath(title);
}

void CFolderReportDialog::Save() {
    StoreSettings();
    QString name = m_title->currentText();
    name.replace(QStringLiteral(" : "), QStringLiteral("-"));
    QFileDialog dialog(this, QString(), name + QStringLiteral(".html"));
    dialog.setObjectName(QStringLiteral("reportFile"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setNameFilters({QStringLiteral("HTML Files (*.html)"), QStringLiteral("All Files (*)")});
    dialog.setDefaultSuffix(QStringLiteral("html"));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return;
    m_view.RunReport(CFolderCompareView::ReportAction::Save, ToPath(dialog.selectedFiles().front()));
}

}  // namespace corvatine::ui
