#include "ui/FolderWork.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <chrono>

#include "ui/UiText.h"

namespace corvatine::ui {

// ---- Progress ----

void CFolderWorkProgress::Start(int first, int last, const std::string& text) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_state.first = first;
    m_state.last = last;
    m_state.position = first;
    m_state.ranged = last > first;
    m_state.text = text;
}

void CFolderWorkProgress::Step() {
    std::lock_guard<std::mutex> lock(m_mutex);
    ++m_state.position;
}

void CFolderWorkProgress::SetPosition(int position) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_state.position = position;
}

void CFolderWorkProgress::Started(int count) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_state.first = 0;
    m_state.last = count;
    m_state.position = 0;
    m_state.ranged = count > 0;
}

void CFolderWorkProgress::ItemStarting(int index, const std::string& name, const std::string& detail) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_state.position = index;
    m_state.text = name;
    m_state.detail = detail;
}

void CFolderWorkProgress::ItemDone(int index, const std::string& name, int result, const std::string& error) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_state.position = index + 1;
    if (result != 0) m_failures.push_back({name, error});
}

void CFolderWorkProgress::Cancel() {
    m_cancel = true;
    if (onCancel) onCancel();
}

CFolderWorkProgress::SNAPSHOT CFolderWorkProgress::Snapshot() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_state;
}

std::vector<CFolderWorkProgress::FAILURE> CFolderWorkProgress::Failures() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_failures;
}

// ---- Worker ----

CFolderWork::CFolderWork(Work work, std::function<void()> finished,
                         const std::function<void(CFolderWorkProgress&)>& prepare) {
    if (prepare) prepare(m_progress);
    m_thread = std::thread([this, work = std::move(work), finished = std::move(finished)] {
        m_completed = work(m_progress);
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_done = true;
        }
        m_ended.notify_all();
        if (finished) finished();
    });
}

CFolderWork::~CFolderWork() {
    if (!IsDone()) m_progress.Cancel();
    Join();
}

bool CFolderWork::WaitFor(int milliseconds) {
    std::unique_lock<std::mutex> lock(m_mutex);
    return m_ended.wait_for(lock, std::chrono::milliseconds(milliseconds), [this] { return m_done; });
}

void CFolderWork::Join() {
    if (m_thread.joinable()) m_thread.join();
}

bool CFolderWork::IsDone() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_done;
}

// ---- Panel ----

CFolderProgressPanel::CFolderProgressPanel(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("progressPanel"));
    auto* layout = new QVBoxLayout(this);
    m_message = new QLabel(this);
    m_message->setObjectName(QStringLiteral("progressMessage"));
    m_detail = new QLabel(this);
    m_detail->setObjectName(QStringLiteral("progressDetail"));
    m_detail->setTextFormat(Qt::PlainText);
    m_bar = new QProgressBar(this);
    m_bar->setObjectName(QStringLiteral("progressBar"));
    m_cancel = new QPushButton(QStringLiteral("Cancel"), this);
    m_cancel->setObjectName(QStringLiteral("cancel"));
    layout->addWidget(m_message);
    layout->addWidget(m_detail);
    auto* row = new QHBoxLayout();
    row->addWidget(m_bar, 1);
    row->addWidget(m_cancel);
    layout->addLayout(row);
    m_timer = new QTimer(this);
    m_timer->setInterval(50);
    connect(m_timer, &QTimer::timeout, this, &CFolderProgressPanel::Refresh);
    connect(m_cancel, &QPushButton::clicked, this, [this] {
        // Once asked, the button has done its part.
        m_cancel->setEnabled(false);
        if (m_progress != nullptr) m_progress->Cancel();
    });
}

void CFolderProgressPanel::Attach(CFolderWorkProgress* progress, const QString& message, bool cancel) {
    m_progress = progress;
    m_fixedMessage = message;
    m_message->setText(message);
    m_detail->clear();
    m_bar->setRange(0, 0);
    m_cancel->setVisible(cancel);
    m_cancel->setEnabled(true);
    Refresh();
    m_timer->start();
}

void CFolderProgressPanel::Detach() {
    m_timer->stop();
    m_progress = nullptr;
}

void CFolderProgressPanel::Refresh() {
    if (m_progress == nullptr) return;
    const CFolderWorkProgress::SNAPSHOT state = m_progress->Snapshot();
    if (state.ranged) {
        m_bar->setRange(state.first, state.last);
        m_bar->setValue(std::clamp(state.position, state.first, state.last));
    } else {
        m_bar->setRange(0, 0);  // a busy bar: the animation
    }
    QString detail = FromPath(state.text);
    if (!state.detail.empty()) detail += QLatin1Char('\n') + FromPath(state.detail);
    m_detail->setText(detail);
}

// ---- Dialog ----

CFolderProgressDialog::CFolderProgressDialog(QWidget* parent, const QString& title, bool cancel)
    : QDialog(parent), m_cancel(cancel) {
    setObjectName(QStringLiteral("progressDialog"));
    setWindowTitle(title);
    setWindowFlag(Qt::WindowCloseButtonHint, false);
    setWindowModality(Qt::WindowModal);
    auto* layout = new QVBoxLayout(this);
    m_panel = new CFolderProgressPanel(this);
    layout->addWidget(m_panel);
    resize(420, sizeHint().height());
}

void CFolderProgressDialog::reject() {
    // Escape is Cancel when there is one; the owner closes the dialog.
    if (m_cancel && m_panel->CancelButton()->isEnabled()) m_panel->CancelButton()->click();
}

}  // namespace corvatine::ui
