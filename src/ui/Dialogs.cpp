#include "ui/Dialogs.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include <ctime>
#include <fstream>

#include "fileio/Bom.h"
#include "fileio/CodePages.h"
#include "fileio/EncodingChoices.h"
#include "fileio/TextFormat.h"
#include "launch/CommandLine.h"
#include "launch/Components.h"
#include "platform/Path.h"
#include "request/CommandLineWords.h"
#include "textcompare/TextCompareDoc.h"
#include "textcompare/TextCompareOptions.h"
#include "ui/ActiveColors.h"
#include "ui/UiText.h"

namespace corvatine::ui {

namespace {

// A path box with a "..." button that browses for a file (or a folder).
QWidget* PathRow(QWidget* parent, QLineEdit* edit, bool save) {
    auto* row = new QWidget(parent);
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(edit, 1);
    auto* browse = new QPushButton(QStringLiteral("..."), row);
    browse->setToolTip(QStringLiteral("Browse"));
    QObject::connect(browse, &QPushButton::clicked, row, [edit, save, row] {
        const QString path = save ? QFileDialog::getSaveFileName(row, QString(), edit->text())
                                  : QFileDialog::getOpenFileName(row, QString(), edit->text());
        if (!path.isEmpty()) edit->setText(path);
    });
    layout->addWidget(browse);
    return row;
}

}  // namespace

// ---- Save As ----

CSaveAsDialog::CSaveAsDialog(QWidget* parent, const QString& title, const std::string& path, int kind,
                             int codePage)
    : QDialog(parent) {
    setWindowTitle(title);
    auto* form = new QFormLayout(this);
    m_path = new QLineEdit(FromPath(path), this);
    m_path->setObjectName(QStringLiteral("path"));
    form->addRow(QStringLiteral("File &name:"), PathRow(this, m_path, true));
    m_encoding = new QComboBox(this);
    m_encoding->setObjectName(QStringLiteral("encoding"));
    const std::vector<ENCODINGCHOICE> choices = GetEncodingChoices();
    for (const ENCODINGCHOICE& choice : choices)
        m_encoding->addItem(FromPath(choice.label), QList<QVariant>{choice.kind, choice.codePage});
    m_encoding->setCurrentIndex(std::max(0, InitialEncodingChoice(choices, kind, codePage)));
    form->addRow(QStringLiteral("&Encoding:"), m_encoding);
    m_endings = new QComboBox(this);
    m_endings->setObjectName(QStringLiteral("lineEndings"));
    for (const char* choice : kLineEndingChoices) m_endings->addItem(QString::fromLatin1(choice));
    form->addRow(QStringLiteral("&Line Endings:"), m_endings);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Save | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, [this] {
        if (!m_path->text().isEmpty()) accept();
    });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    form->addRow(buttons);
}

SAVEASCHOICE CSaveAsDialog::Choice() const {
    SAVEASCHOICE choice;
    choice.path = ToPath(m_path->text());
    const QList<QVariant> encoding = m_encoding->currentData().toList();
    choice.encodingKind = encoding.value(0).toInt();
    choice.codePage = encoding.value(1).toInt();
    choice.style = m_endings->currentIndex();
    return choice;
}

bool CSaveAsDialog::Ask(QWidget* parent, const QString& title, const std::string& path, int kind,
                        int codePage, SAVEASCHOICE& choice) {
    CSaveAsDialog dialog(parent, title, path, kind, codePage);
    if (dialog.exec() != QDialog::Accepted) return false;
    choice = dialog.Choice();
    return true;
}

// ---- Go To Line ----

CGoToLineDialog::CGoToLineDialog(QWidget* parent, int current, int lines)
    : QDialog(parent), m_current(current), m_lines(lines) {
    setWindowTitle(QStringLiteral("Go To Line"));
    auto* layout = new QGridLayout(this);
    m_line = new QSpinBox(this);
    m_line->setObjectName(QStringLiteral("line"));
    m_range = new QLabel(this);
    m_relative = new QCheckBox(QStringLiteral("&Relative"), this);
    m_relative->setObjectName(QStringLiteral("relative"));
    auto* label = new QLabel(QStringLiteral("&Go To Line:"), this);
    label->setBuddy(m_line);
    layout->addWidget(label, 0, 0);
    layout->addWidget(m_line, 0, 1);
    layout->addWidget(m_range, 0, 2);
    layout->addWidget(m_relative, 1, 1, 1, 2);
    const auto range = [this] {
        const bool relative = m_relative->isChecked();
        const int low = relative ? 1 - m_current : 1, high = relative ? m_lines - m_current : m_lines;
        m_line->setRange(low, high);
        m_range->setText(QStringLiteral("(%1 - %2)").arg(low).arg(high));
    };
    range();
    m_line->setValue(current);
    connect(m_relative, &QCheckBox::toggled, this, [this, range](bool relative) {
        const int line = Line();
        range();
        m_line->setValue(relative ? line - m_current : line);
    });
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons, 2, 0, 1, 3);
    m_line->selectAll();
}

int CGoToLineDialog::Line() const {
    return m_relative->isChecked() ? m_current + m_line->value() : m_line->value();
}

int CGoToLineDialog::Ask(QWidget* parent, int current, int lines) {
    CGoToLineDialog dialog(parent, current, lines);
    return dialog.exec() == QDialog::Accepted ? std::clamp(dialog.Line(), 1, lines) : 0;
}

// ---- Reopen with Encoding ----

CReopenEncodingDialog::CReopenEncodingDialog(QWidget* parent, const QString& path, int kind, int codePage)
    : QDialog(parent) {
    setWindowTitle(QStringLiteral("Reopen with Encoding"));
    auto* layout = new QVBoxLayout(this);
    auto* file = new QLabel(path, this);
    file->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(file);
    auto* label = new QLabel(QStringLiteral("Read the file &as:"), this);
    m_encoding = new QComboBox(this);
    m_encoding->setObjectName(QStringLiteral("encoding"));
    label->setBuddy(m_encoding);
    m_encoding->addItem(QStringLiteral("Detect automatically"), CODEPAGE_DETECT);
    m_encoding->addItem(QStringLiteral("UTF-8"), CP_UTF8);
    for (const CODEPAGEINFO& entry : GetCodePageList())
        if (entry.codePage != CP_UTF8)
            m_encoding->addItem(FromPath(entry.name).replace(QLatin1Char('\t'), QLatin1Char(' ')),
                                entry.codePage);
    const int current = m_encoding->findData(codePage);
    m_encoding->setCurrentIndex(current >= 0 ? current : 0);
    layout->addWidget(label);
    layout->addWidget(m_encoding);
    if (kind != ENCODING_CODEPAGE) {
        auto* bom = new QLabel(
            QStringLiteral("The file starts with a byte-order mark, which names its encoding."), this);
        bom->setWordWrap(true);
        layout->addWidget(bom);
    }
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}

int CReopenEncodingDialog::CodePage() const { return m_encoding->currentData().toInt(); }

bool CReopenEncodingDialog::Ask(QWidget* parent, const QString& path, int kind, int codePage, int& chosen) {
    CReopenEncodingDialog dialog(parent, path, kind, codePage);
    if (dialog.exec() != QDialog::Accepted) return false;
    chosen = dialog.CodePage();
    return true;
}

// ---- Command Line ----

CCommandLineDialog::CCommandLineDialog(QWidget* parent, const CCompareParams& request)
    : QDialog(parent), m_request(request.Clone()) {
    setWindowTitle(QStringLiteral("Command Line"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("Command line scripts for the active comparison"), this));
    m_text = new QPlainTextEdit(this);
    m_text->setObjectName(QStringLiteral("commandLine"));
    m_text->setReadOnly(true);
    layout->addWidget(m_text);
    m_abbreviated = new QCheckBox(QStringLiteral("&Abbreviated"), this);
    m_abbreviated->setChecked(true);
    m_fullPath = new QCheckBox(QStringLiteral("&Full Path"), this);
    layout->addWidget(m_abbreviated);
    layout->addWidget(m_fullPath);
    connect(m_abbreviated, &QCheckBox::toggled, this, &CCommandLineDialog::Regenerate);
    connect(m_fullPath, &QCheckBox::toggled, this, &CCommandLineDialog::Regenerate);
    auto* buttons = new QDialogButtonBox(this);
    QPushButton* copy = buttons->addButton(QStringLiteral("&Copy"), QDialogButtonBox::ActionRole);
    QPushButton* save = buttons->addButton(QStringLiteral("&Save..."), QDialogButtonBox::ActionRole);
    buttons->addButton(QDialogButtonBox::Close);
    connect(copy, &QPushButton::clicked, this, [this] {
        if (!Text().isEmpty()) QApplication::clipboard()->setText(Text());
    });
    connect(save, &QPushButton::clicked, this, [this] {
        const QString path = QFileDialog::getSaveFileName(this, QString(), QString(),
                                                          QStringLiteral("Bat Files (*.bat);;All Files (*)"));
        if (path.isEmpty()) return;
        std::ofstream file(ToPath(path), std::ios::binary | std::ios::trunc);
        file << Text().toStdString();
        if (!file)
            QMessageBox::critical(this, QApplication::applicationDisplayName(),
                                  QStringLiteral("Cannot create file \"%1\".").arg(path));
    });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    Regenerate();
}

void CCommandLineDialog::Regenerate() {
    m_text->setPlainText(
        FromPath(m_request->GetCommandLine(m_fullPath->isChecked(), m_abbreviated->isChecked())));
}

QString CCommandLineDialog::Text() const { return m_text->toPlainText(); }

void CCommandLineDialog::Run(QWidget* parent, const CCompareParams& request) {
    CCommandLineDialog dialog(parent, request);
    dialog.exec();
}

// ---- Text comparison report ----

CTextReportDialog::CTextReportDialog(QWidget* parent, CTextCompareDoc& doc) : QDialog(parent), m_doc(doc) {
    setWindowTitle(QStringLiteral("Text Comparison Report"));
    const CTextCompareReport& report = AppComponents().Text().report;
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("Generate Text Comparison Report (Html Format)"), this));
    auto* form = new QFormLayout();
    m_include = new QComboBox(this);
    m_include->addItems(
        {QStringLiteral("All lines"), QStringLiteral("Just different"), QStringLiteral("Just identical")});
    m_include->setCurrentIndex(std::clamp(report.includeLines, 0, 2));
    form->addRow(QStringLiteral("&Include Lines:"), m_include);
    m_title = new QComboBox(this);
    m_title->setEditable(true);
    m_title->addItems({FromPath(doc.Request().GetTitle()), QStringLiteral("File Comparison")});
    if (!report.title.empty()) m_title->setEditText(FromPath(report.title));
    form->addRow(QStringLiteral("&Report Title:"), m_title);
    layout->addLayout(form);
    m_lineNumbers = new QCheckBox(QStringLiteral("I&nclude line numbers"), this);
    m_lineNumbers->setChecked(report.lineNumbers != 0);
    m_syntax = new QCheckBox(QStringLiteral("S&yntax highlighting"), this);
    m_syntax->setChecked(report.syntaxHighlighting != 0);
    m_lineDifferences = new QCheckBox(QStringLiteral("&Highlight line differences"), this);
    m_lineDifferences->setChecked(report.highlightLineDifferences != 0);
    layout->addWidget(m_lineNumbers);
    layout->addWidget(m_syntax);
    layout->addWidget(m_lineDifferences);
    auto* buttons = new QDialogButtonBox(this);
    connect(buttons->addButton(QStringLiteral("&Save..."), QDialogButtonBox::ActionRole),
            &QPushButton::clicked, this, &CTextReportDialog::Save);
    connect(buttons->addButton(QStringLiteral("&Copy"), QDialogButtonBox::ActionRole), &QPushButton::clicked,
            this, &CTextReportDialog::Copy);
    connect(buttons->addButton(QStringLiteral("&Preview"), QDialogButtonBox::ActionRole),
            &QPushButton::clicked, this, &CTextReportDialog::Preview);
    buttons->addButton(QDialogButtonBox::Close);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}

void CTextReportDialog::StoreSettings() {
    CTextCompareReport& report = AppComponents().Text().report;
    report.includeLines = m_include->currentIndex();
    report.lineNumbers = m_lineNumbers->isChecked() ? 1 : 0;
    report.syntaxHighlighting = m_syntax->isChecked() ? 1 : 0;
    report.highlightLineDifferences = m_lineDifferences->isChecked() ? 1 : 0;
    report.title = ToPath(m_title->currentText());
}

void CTextReportDialog::Save() {
    StoreSettings();
    QString name = m_title->currentText();
    name.replace(QStringLiteral(" : "), QStringLiteral("-"));
    const QString path = QFileDialog::getSaveFileName(this, QString(), name + QStringLiteral(".html"),
                                                      QStringLiteral("HTML Files (*.html);;All Files (*)"));
    if (path.isEmpty()) return;
    std::string error;
    if (!AppComponents().Text().report.Generate(m_doc.ReportSource(), ActiveColors().TextReport(),
                                                ToPath(path), nullptr, error))
        QMessageBox::critical(this, QApplication::applicationDisplayName(), FromPath(error));
}

void CTextReportDialog::Copy() {
    StoreSettings();
    std::string html;
    AppComponents().Text().report.Render(m_doc.ReportSource(), ActiveColors().TextReport(), html, nullptr,
                                         static_cast<int64_t>(std::time(nullptr)));
    QApplication::clipboard()->setText(QString::fromUtf8(html.data(), static_cast<qsizetype>(html.size())));
}

void CTextReportDialog::Preview() {
    StoreSettings();
    std::string error;
    if (!AppComponents().Text().report.Preview(m_doc.ReportSource(), ActiveColors().TextReport(), nullptr,
                                               error))
        QMessageBox::critical(this, QApplication::applicationDisplayName(), FromPath(error));
}

void CTextReportDialog::Run(QWidget* parent, CTextCompareDoc& doc) {
    CTextReportDialog dialog(parent, doc);
    dialog.exec();
}

// ---- New Comparison ----

CNewComparisonDialog::CNewComparisonDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("New Comparison"));
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout();
    const CTextComparer& text = AppComponents().Text();
    for (int side = 0; side < 2; ++side) {
        m_paths[side] = new QComboBox(this);
        m_paths[side]->setEditable(true);
        m_paths[side]->setObjectName(side == 0 ? QStringLiteral("leftPath") : QStringLiteral("rightPath"));
        m_paths[side]->setMinimumContentsLength(50);
        if (const platform::CRecentFileList* recent = text.RecentFiles(side))
            for (int i = 0; i < recent->Count(); ++i) m_paths[side]->addItem(FromPath((*recent)[i]));
        m_paths[side]->setEditText(QString());
        auto* row = new QWidget(this);
        auto* rowLayout = new QHBoxLayout(row);
        rowLayout->setContentsMargins(0, 0, 0, 0);
        rowLayout->addWidget(m_paths[side], 1);
        for (const bool folder : {false, true}) {
            auto* browse =
                new QPushButton(folder ? QStringLiteral("Folder...") : QStringLiteral("File..."), row);
            connect(browse, &QPushButton::clicked, this, [this, side, folder] {
                const QString current = m_paths[side]->currentText();
                const QString path = folder ? QFileDialog::getExistingDirectory(this, QString(), current)
                                            : QFileDialog::getOpenFileName(this, QString(), current);
                if (!path.isEmpty()) m_paths[side]->setEditText(path);
            });
            rowLayout->addWidget(browse);
        }
        form->addRow(side == 0 ? QStringLiteral("&Left:") : QStringLiteral("&Right:"), row);
    }
    m_kind = new QComboBox(this);
    m_kind->setObjectName(QStringLiteral("kind"));
    m_kind->addItems({QStringLiteral("Automatic"), QStringLiteral("Text"), QStringLiteral("Binary"),
                      QStringLiteral("Folder")});
    form->addRow(QStringLiteral("&Compare as:"), m_kind);
    layout->addLayout(form);

    static const char* const kRuleLabels[10] = {"Ignore &all white space",
                                                "Ignore differences in the a&mount of white space",
                                                "Ignore &tab expansion",
                                                "Ignore l&eading white space",
                                                "Ignore trailin&g white space",
                                                "Ignore &case",
                                                "Ignore line e&ndings",
                                                "Ignore &blank lines",
                                                "Ignore c&omments",
                                                "Ignore lines matching the line &filter"};
    auto* rules = new QGroupBox(QStringLiteral("Text rules"), this);
    auto* grid = new QGridLayout(rules);
    for (int i = 0; i < 10; ++i) {
        m_rules[i] = new QCheckBox(QString::fromLatin1(kRuleLabels[i]), rules);
        m_rules[i]->setChecked((text.rules & cmdline::kRuleWords[i].bit) != 0);
        grid->addWidget(m_rules[i], i / 2, i % 2);
    }
    m_lineFilter = new QComboBox(rules);
    m_lineFilter->setEditable(true);
    if (const platform::CRecentFileList* recent = text.RecentLineFilters())
        for (int i = 0; i < recent->Count(); ++i) m_lineFilter->addItem(FromWorking((*recent)[i]));
    m_lineFilter->setEditText(FromWorking(text.lineFilter));
    grid->addWidget(new QLabel(QStringLiteral("Line filter (regular expression):"), rules), 5, 0);
    grid->addWidget(m_lineFilter, 5, 1);
    layout->addWidget(rules);
    connect(m_kind, &QComboBox::currentIndexChanged, this,
            [rules](int kind) { rules->setEnabled(kind == 0 || kind == 1); });

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, [this] {
        if (Request()) accept();
    });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}

void CNewComparisonDialog::SetPaths(const QString& left, const QString& right) {
    m_paths[0]->setEditText(left);
    m_paths[1]->setEditText(right);
}

void CNewComparisonDialog::SetKind(int kind) { m_kind->setCurrentIndex(kind); }

std::unique_ptr<CCompareParams> CNewComparisonDialog::Request() const {
    const std::string left = ToPath(m_paths[0]->currentText()), right = ToPath(m_paths[1]->currentText());
    if (left.empty() || right.empty()) return nullptr;
    // The arguments the command line would be given for these choices.
    std::vector<std::string> arguments = {"-c"};
    static const char* const kKinds[4] = {"", "/t:t", "/t:b", "/t:f"};
    if (m_kind->currentIndex() > 0) arguments.push_back(kKinds[m_kind->currentIndex()]);
    if (m_kind->currentIndex() <= 1) {
        std::string rules;
        for (int i = 0; i < 10; ++i) {
            if (!m_rules[i]->isChecked()) continue;
            if (!rules.empty()) rules += '|';
            rules += cmdline::kRuleWords[i].shortWord;
        }
        if (!rules.empty()) arguments.push_back("/r:" + rules);
        const std::string filter = ToWorking(m_lineFilter->currentText());
        if (!filter.empty()) arguments.push_back("/lf:re=" + filter);
    }
    arguments.push_back("--");
    arguments.push_back(left);
    arguments.push_back(right);
    CCommandLine commandLine;
    commandLine.Parse(arguments, AppComponents().ForCommandLine());
    std::unique_ptr<CCompareParams> request = commandLine.BuildRequest();
    if (auto* text = dynamic_cast<CTextCompareParams*>(request.get())) {
        uint32_t rules = 0;
        for (int i = 0; i < 10; ++i)
            if (m_rules[i]->isChecked()) rules |= cmdline::kRuleWords[i].bit;
        text->rules = rules;  // also no rule at all, which the command line cannot say
    }
    return request;
}

}  // namespace corvatine::ui
