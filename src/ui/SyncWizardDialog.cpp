#include "ui/SyncWizardDialog.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QCheckBox>
#include <QEventLoop>
#include <QFontDatabase>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QRadioButton>
#include <QStyle>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <mutex>
#include <vector>

#include "foldercompare/FolderCompareDoc.h"
#include "launch/Components.h"
#include "platform/AtomicFile.h"
#include "platform/Output.h"
#include "ui/DialogMessages.h"
#include "ui/UiText.h"

namespace corvatine::ui {

namespace {

// How often the window looks at what a worker has done.
constexpr int kPollMilliseconds = 30;

// A message of the model (lower case, for the command line's "corvatine: ")
// as the first words of a message box.
std::string Sentence(std::string text) {
    if (!text.empty() && text[0] >= 'a' && text[0] <= 'z') text[0] = static_cast<char>(text[0] - 'a' + 'A');
    return text;
}

// "Preparing..., Please wait": an animation and no Cancel, modal while a
// worker does work that the user must not touch the document during.
class CBusyDialog : public QDialog {
public:
    CBusyDialog(QWidget* parent, const QString& title, const QString& text) : QDialog(parent) {
        setWindowTitle(title);
        setObjectName(QStringLiteral("busyDialog"));
        setWindowFlags(windowFlags() & ~Qt::WindowCloseButtonHint);
        setModal(true);
        auto* layout = new QVBoxLayout(this);
        layout->addWidget(new QLabel(text, this));
        auto* animation = new QProgressBar(this);
        animation->setRange(0, 0);
        animation->setTextVisible(false);
        layout->addWidget(animation);
        setMinimumWidth(320);
    }
    // Neither Escape nor the close box ends it: the work does.
    void reject() override {}
};

// Runs work on a worker thread behind the busy dialog; the window goes on
// drawing, but takes no input, until it ends.
void RunOnWorker(QWidget* parent, const QString& title, const QString& text,
                 const std::function<void()>& work) {
    CBusyDialog dialog(parent, title, text);
    std::atomic<bool> done{false};
    std::thread worker([&work, &done] {
        work();
        done = true;
    });
    QEventLoop loop;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&done, &loop] {
        if (done) loop.quit();
    });
    poll.start(kPollMilliseconds);
    dialog.show();
    loop.exec();
    worker.join();
}

// The wizard over a document compared at every level.
bool RunWizard(QWidget* parent, CFolderCompareDoc& doc, int type, std::function<void()> aboutToChange) {
    CSyncWizardDialog wizard(doc, type, parent);
    wizard.aboutToChange = std::move(aboutToChange);
    wizard.exec();
    return wizard.Ran();
}

}  // namespace

// ---- Type page ----

CSyncTypeWizardPage::CSyncTypeWizardPage(CSyncWizardDialog& wizard, int type)
    : QWizardPage(&wizard), m_wizard(wizard), m_types(new QButtonGroup(this)) {
    setTitle(QString::fromLatin1(CSyncTypePage::kHeading));
    auto* layout = new QVBoxLayout(this);
    for (int i = 0; i < kSyncTypeCount; ++i) {
        auto* button = new QRadioButton(QString::fromLatin1(kSyncTypes[i].button), this);
        button->setObjectName(QStringLiteral("syncType%1").arg(i));
        m_types->addButton(button, i);
        layout->addWidget(button);
        auto* description = new QLabel(QString::fromLatin1(kSyncTypes[i].description), this);
        description->setObjectName(QStringLiteral("syncTypeDescription%1").arg(i));
        description->setTextFormat(Qt::PlainText);
        description->setWordWrap(true);
        description->setIndent(style()->pixelMetric(QStyle::PM_ExclusiveIndicatorWidth) +
                               style()->pixelMetric(QStyle::PM_RadioButtonLabelSpacing));
        layout->addWidget(description);
        layout->addSpacing(6);
    }
    layout->addStretch(1);
    SetType(type);
}

int CSyncTypeWizardPage::Type() const { return m_types->checkedId(); }

void CSyncTypeWizardPage::SetType(int type) {
    if (QAbstractButton* button = m_types->button(type >= 0 && type < kSyncTypeCount ? type : 0))
        button->setChecked(true);
}

bool CSyncTypeWizardPage::validatePage() {
    const CFolderCompareDoc& doc = m_wizard.Doc();
    const std::string refusal = SyncRefusal(doc.Context(), doc.RootStatus(), Type());
    if (refusal.empty()) return true;
    CDialogMessages(this).Error(Sentence(refusal));
    return false;
}

// ---- Prepare page ----

// The preparation's progress, written by the worker and read by the window.
class CSyncPrepareWizardPage::CProgress : public platform::CProgressSink {
public:
    void Start(int from, int to, const std::string& /*text*/) override {
        first = from;
        last = to;
        position = from;
    }
    void Step() override { ++position; }
    void SetPosition(int at) override { position = at; }
    void Close() override {}
    bool IsCancelled() const override { return stop; }

    std::atomic<int> first{0}, last{0}, position{0};
    std::atomic<bool> stop{false};
};

CSyncPrepareWizardPage::CSyncPrepareWizardPage(CSyncWizardDialog& wizard)
    : QWizardPage(&wizard), m_wizard(wizard), m_poll(new QTimer(this)) {
    setTitle(QString::fromLatin1(CSyncPreparePage::kHeading));
    // What follows changes the folders: there is no going back from it.
    setCommitPage(true);
    setButtonText(QWizard::CommitButton, QStringLiteral("&Synchronize"));
    auto* layout = new QVBoxLayout(this);
    m_progress = new QProgressBar(this);
    m_progress->setObjectName(QStringLiteral("prepareProgress"));
    layout->addWidget(m_progress);
    auto* lists = new QGridLayout;
    const char* names[2] = {"leftList", "rightList"};
    for (int list = 0; list < 2; ++list) {
        m_listLabels[list] = new QLabel(this);
        m_listLabels[list]->setObjectName(QString::fromLatin1(names[list]) + QStringLiteral("Label"));
        m_lists[list] = new QListWidget(this);
        m_lists[list]->setObjectName(QString::fromLatin1(names[list]));
        m_lists[list]->setUniformItemSizes(true);
        m_listLabels[list]->setBuddy(m_lists[list]);
        lists->addWidget(m_listLabels[list], 0, list);
        lists->addWidget(m_lists[list], 1, list);
        connect(m_lists[list], &QListWidget::itemChanged, this,
                [this, list](QListWidgetItem* item) { EntryChecked(list, m_lists[list]->row(item)); });
    }
    layout->addLayout(lists, 1);
    m_summary = new QLabel(this);
    m_summary->setObjectName(QStringLiteral("summary"));
    m_summary->setTextFormat(Qt::PlainText);
    layout->addWidget(m_summary);
    m_skipped = new QLabel(this);
    m_skipped->setObjectName(QStringLiteral("skipped"));
    m_skipped->setTextFormat(Qt::PlainText);
    m_skipped->setWordWrap(true);
    m_skipped->hide();
    layout->addWidget(m_skipped);
    m_noConfirmation = new QCheckBox(QString::fromLatin1(CSyncPreparePage::kNoConfirmationText), this);
    m_noConfirmation->setObjectName(QStringLiteral("noConfirmation"));
    m_useRecycleBin = new QCheckBox(QString::fromLatin1(CSyncPreparePage::kUseRecycleBinText), this);
    m_useRecycleBin->setObjectName(QStringLiteral("useRecycleBin"));
    auto* options = new QHBoxLayout;
    options->addWidget(m_noConfirmation);
    options->addWidget(m_useRecycleBin);
    options->addStretch(1);
    layout->addLayout(options);
    connect(m_poll, &QTimer::timeout, this, [this] { Poll(); });
}

CSyncPrepareWizardPage::~CSyncPrepareWizardPage() { Stop(); }

void CSyncPrepareWizardPage::initializePage() {
    Stop();
    CSyncPreparePage& prepare = m_wizard.Model().preparePage;
    prepare.lists[0].clear();
    prepare.lists[1].clear();
    prepare.skipped.clear();
    m_filling = true;
    for (int list = 0; list < 2; ++list) {
        m_lists[list]->clear();
        m_listLabels[list]->clear();
    }
    m_filling = false;
    m_summary->clear();
    m_skipped->hide();
    m_progress->setRange(0, 0);
    m_progress->setValue(0);
    m_completed = false;
    m_done = false;
    m_sink = std::make_unique<CProgress>();
    CFolderCompareDoc& doc = m_wizard.Doc();
    const int type = m_wizard.TypePageWidget().Type();
    m_wizard.Model().typePage.type = type;
    // The worker only reads the result tree; nothing changes it meanwhile.
    m_worker = std::thread([this, &prepare, root = doc.Root(), type, tolerance = doc.Tolerance()] {
        m_completed = prepare.Prepare(*root, type, tolerance, m_sink.get());
        m_done = true;
    });
    m_poll->start(kPollMilliseconds);
    emit completeChanged();
}

void CSyncPrepareWizardPage::Stop() {
    if (!m_worker.joinable()) return;
    m_sink->stop = true;
    m_worker.join();
    m_poll->stop();
}

void CSyncPrepareWizardPage::cleanupPage() {
    Stop();
    QWizardPage::cleanupPage();
}

void CSyncPrepareWizardPage::Poll() {
    if (m_sink) {
        m_progress->setRange(m_sink->first, m_sink->last);
        m_progress->setValue(m_sink->position);
    }
    if (!m_done) return;
    m_worker.join();
    m_poll->stop();
    Prepared(m_completed);
}

void CSyncPrepareWizardPage::Prepared(bool completed) {
    if (!completed) return;  // stopped: the page is being left
    const CSyncPreparePage& prepare = m_wizard.Model().preparePage;
    QStyle* look = style();
    m_filling = true;
    for (int list = 0; list < 2; ++list) {
        const std::string label = prepare.ListLabel(list);
        m_listLabels[list]->setText(FromWorking(label) + QLatin1Char(':'));
        m_listLabels[list]->setVisible(!label.empty());
        m_lists[list]->setVisible(!label.empty());
        for (const SYNCENTRY& entry : prepare.lists[list]) {
            // Names escaped as the command line prints them: one line each.
            auto* item = new QListWidgetItem(
                FromPath(platform::EscapeControls(entry.path) + (entry.isFolder ? "/" : "")), m_lists[list]);
            item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
            item->setCheckState(entry.checked ? Qt::Checked : Qt::Unchecked);
            item->setIcon(look->standardIcon(entry.isFolder ? QStyle::SP_DirIcon : QStyle::SP_FileIcon));
            item->setToolTip(QString::fromLatin1(SyncActionText(entry.action)));
        }
    }
    m_filling = false;
    QStringList summary;
    for (const std::string& line : prepare.SummaryLines()) summary << FromWorking(line);
    if (!prepare.leftovers.empty())
        summary << QStringLiteral("%1: %2")
                       .arg(QString::fromLatin1(CSyncPreparePage::kLeftoversLabel))
                       .arg(prepare.leftovers.size());
    m_summary->setText(summary.join(QLatin1Char('\n')));
    QStringList skipped;
    for (const SYNCSKIPPED& entry : prepare.skipped)
        skipped << QStringLiteral("Skipped '%1' and everything below it: %2")
                       .arg(FromPath(platform::EscapeControls(entry.path)), FromPath(entry.reason));
    m_skipped->setText(skipped.join(QLatin1Char('\n')));
    m_skipped->setVisible(!skipped.isEmpty());
    m_progress->setRange(0, std::max(1, m_sink->last.load()));
    m_progress->setValue(m_progress->maximum());
    emit completeChanged();
}

void CSyncPrepareWizardPage::EntryChecked(int list, int row) {
    if (m_filling || row < 0) return;
    std::vector<SYNCENTRY>& entries = m_wizard.Model().preparePage.lists[list];
    if (row >= static_cast<int>(entries.size())) return;
    const bool checked = m_lists[list]->item(row)->checkState() == Qt::Checked;
    SYNCENTRY& entry = entries[static_cast<size_t>(row)];
    entry.checked = checked;
    // A one-sided folder is deleted only once everything below it is: what is
    // kept keeps the folders above it, and a folder checked takes along what
    // is below it.
    const std::string below = entry.path + "/";
    for (size_t i = 0; i < entries.size(); ++i) {
        const SYNCENTRY& other = entries[i];
        const bool above =
            other.isFolder && entry.path.compare(0, other.path.size() + 1, other.path + "/") == 0;
        const bool under = entry.isFolder && other.path.compare(0, below.size(), below) == 0;
        if ((!checked && above && other.checked) || (checked && under && !other.checked))
            m_lists[list]->item(static_cast<int>(i))->setCheckState(checked ? Qt::Checked : Qt::Unchecked);
    }
}

bool CSyncPrepareWizardPage::isComplete() const { return !m_worker.joinable() && m_completed; }

bool CSyncPrepareWizardPage::validatePage() {
    CSyncPreparePage& prepare = m_wizard.Model().preparePage;
    prepare.noConfirmation = m_noConfirmation->isChecked();
    prepare.useRecycleBin = m_useRecycleBin->isChecked();
    if (prepare.noConfirmation || prepare.CheckedCount() == 0) return true;
    return CDialogMessages(this).AskYesNo(prepare.ConfirmationText()) == platform::ANSWER_YES;
}

// ---- Process page ----

// The run's log, written by the worker and taken by the window.
class CSyncProcessWizardPage::CLog : public CSyncLog {
public:
    explicit CLog(const std::function<void(int)>& afterEntry) : m_afterEntry(afterEntry) {}
    void Started(int entries) override { count = entries; }
    void AddLine(const std::string& line) override {
        const std::lock_guard<std::mutex> lock(mutex);
        lines.push_back(line);
    }
    void SetStatus(const std::string& text) override {
        const std::lock_guard<std::mutex> lock(mutex);
        status = text;
    }
    void SetPosition(int at) override {
        position = at;
        if (m_afterEntry) m_afterEntry(at);
    }
    // Why it failed, under its "ERROR!".
    void Failed(const SYNCENTRY& /*entry*/, const std::string& reason) override {
        ++failures;
        AddLine("    " + reason);
    }
    void RunFailed(const std::string& reason) override {
        ++failures;
        AddLine(reason);
    }

    std::mutex mutex;
    std::vector<std::string> lines;  // not yet shown
    std::string status;
    std::atomic<int> count{0}, position{0}, failures{0};

private:
    const std::function<void(int)>& m_afterEntry;
};

CSyncProcessWizardPage::CSyncProcessWizardPage(CSyncWizardDialog& wizard)
    : QWizardPage(&wizard), m_wizard(wizard), m_poll(new QTimer(this)) {
    setTitle(QString::fromLatin1(CSyncProcessPage::kHeading));
    setFinalPage(true);
    setButtonText(QWizard::FinishButton, QString::fromLatin1(CSyncProcessPage::kCloseButton));
    auto* layout = new QVBoxLayout(this);
    m_action = new QLabel(this);
    m_action->setObjectName(QStringLiteral("action"));
    m_action->setTextFormat(Qt::PlainText);
    layout->addWidget(m_action);
    m_progress = new QProgressBar(this);
    m_progress->setObjectName(QStringLiteral("processProgress"));
    layout->addWidget(m_progress);
    m_log = new QPlainTextEdit(this);
    m_log->setObjectName(QStringLiteral("log"));
    m_log->setReadOnly(true);
    m_log->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_log->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    layout->addWidget(m_log, 1);
    m_status = new QLabel(this);
    m_status->setObjectName(QStringLiteral("status"));
    m_status->setTextFormat(Qt::PlainText);
    QFont bold = m_status->font();
    bold.setBold(true);
    m_status->setFont(bold);
    layout->addWidget(m_status);
    connect(m_poll, &QTimer::timeout, this, [this] { Poll(); });
}

CSyncProcessWizardPage::~CSyncProcessWizardPage() { Stop(); }

void CSyncProcessWizardPage::Stop() {
    if (!m_worker.joinable()) return;
    m_cancel = true;
    m_worker.join();
    m_poll->stop();
    m_wizard.Doc().CompleteAfterChanges();
}

void CSyncProcessWizardPage::initializePage() {
    CSyncPreparePage& prepare = m_wizard.Model().preparePage;
    m_ran = true;
    m_cancel = false;
    m_done = false;
    m_log->clear();
    m_status->clear();
    m_action->clear();
    m_progress->setRange(0, std::max(1, prepare.CheckedCount() + static_cast<int>(prepare.leftovers.size())));
    m_progress->setValue(0);
    if (m_wizard.aboutToChange) m_wizard.aboutToChange();
    m_relay = std::make_unique<CLog>(m_wizard.afterEntry);
    CFolderCompareDoc& doc = m_wizard.Doc();
    m_worker = std::thread([this, &prepare, &settings = doc.Context().settings] {
        m_wizard.Model().processPage.Run(prepare, settings, m_cancel, *m_relay);
        m_done = true;
    });
    m_poll->start(kPollMilliseconds);
    emit completeChanged();
}

void CSyncProcessWizardPage::Poll() {
    // Read before the log, so that the last lines are shown with the end.
    const bool done = m_done;
    std::vector<std::string> lines;
    std::string status;
    {
        const std::lock_guard<std::mutex> lock(m_relay->mutex);
        lines.swap(m_relay->lines);
        status = m_relay->status;
    }
    if (!lines.empty()) {
        QStringList text;
        for (const std::string& line : lines) text << FromPath(line);
        m_log->appendPlainText(text.join(QLatin1Char('\n')));
    }
    m_action->setText(FromWorking(status));
    m_progress->setValue(m_relay->position);
    if (done) Ended();
}

void CSyncProcessWizardPage::Ended() {
    m_worker.join();
    m_poll->stop();
    // The tree of the comparison as a fresh one would have it; the views
    // rebuild from it.
    m_wizard.Doc().CompleteAfterChanges();
    const CSyncProcessPage& process = m_wizard.Model().processPage;
    m_action->clear();
    QString status = FromWorking(process.Status());
    if (const int failures = m_relay->failures; failures > 0)
        status += QStringLiteral("   %1 of %2 failed: see the log").arg(failures).arg(m_relay->count.load());
    m_status->setText(status);
    if (!process.WasAborted()) m_progress->setValue(m_progress->maximum());
    m_wizard.setOption(QWizard::NoCancelButton, true);
    emit completeChanged();
}

bool CSyncProcessWizardPage::isComplete() const { return m_ran && !m_worker.joinable(); }

void CSyncProcessWizardPage::Cancel() {
    if (!m_worker.joinable()) return;
    m_cancel = true;
    if (QAbstractButton* cancel = m_wizard.button(QWizard::CancelButton)) cancel->setEnabled(false);
}

QString CSyncProcessWizardPage::LogText() const { return m_log->toPlainText(); }

QString CSyncProcessWizardPage::StatusText() const { return m_status->text(); }

// ---- The wizard ----

CSyncWizardDialog::CSyncWizardDialog(CFolderCompareDoc& doc, int type, QWidget* parent)
    : QWizard(parent), m_doc(doc), m_model(type) {
    setObjectName(QStringLiteral("syncWizard"));
    setWindowTitle(QString::fromLatin1(m_model.Title()));
    setWizardStyle(QWizard::ModernStyle);
    setOption(QWizard::NoBackButtonOnStartPage, true);
    m_typePage = new CSyncTypeWizardPage(*this, type);
    m_preparePage = new CSyncPrepareWizardPage(*this);
    m_processPage = new CSyncProcessWizardPage(*this);
    setPage(TypePage, m_typePage);
    setPage(PreparePage, m_preparePage);
    setPage(ProcessPage, m_processPage);
    resize(720, 560);
}

CSyncWizardDialog::~CSyncWizardDialog() {
    // The workers use the model, which goes before the pages do.
    m_preparePage->Stop();
    m_processPage->Stop();
}

void CSyncWizardDialog::reject() {
    if (m_processPage->IsRunning()) {
        m_processPage->Cancel();
        return;
    }
    m_preparePage->Stop();
    QWizard::reject();
}

// ---- The command ----

bool RunSyncWizard(QWidget* parent, CFolderCompareDoc& doc, int type, std::function<void()> aboutToChange) {
    if (aboutToChange) aboutToChange();
    RunOnWorker(parent, QStringLiteral("Preparing"), QStringLiteral("Preparing..., Please wait"),
                [&doc] { doc.Context().PrepareAllLevels(nullptr); });
    if (doc.onRebuild) doc.onRebuild();
    return RunWizard(parent, doc, type, std::move(aboutToChange));
}

bool RunSyncWizard(QWidget* parent, const CFolderCompareParams& request, int type) {
    CFolderCompareDocEx doc(AppComponents().Folders(), AppComponents().Text());
    bool opened = false;
    RunOnWorker(parent, QStringLiteral("Preparing"), QStringLiteral("Preparing..., Please wait"),
                [&doc, &request, &opened] { opened = doc.Open(request) && doc.PrepareAllLevels(); });
    if (!opened) {
        const CFolderCompareContext& context = doc.Context();
        CDialogMessages(parent).Error(context.buildError != 0
                                          ? "Cannot read '" + request.sides[context.buildErrorSide].path +
                                                "': " + ReadErrorText(context.buildError)
                                          : "Cannot compare '" + request.sides[0].path + "' and '" +
                                                request.sides[1].path + "': not both are folders");
        return false;
    }
    return RunWizard(parent, doc, type, {});
}

}  // namespace corvatine::ui
