// Long work of a folder comparison on a worker thread: a scan, the
// preparation of all levels, file operations, a report. The worker reports
// into a progress object that the window's thread reads; Cancel is a flag the
// worker tests between items.
#pragma once

#include <QDialog>
#include <QWidget>

#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "foldercompare/FileOperation.h"
#include "platform/Progress.h"

class QLabel;
class QProgressBar;
class QPushButton;
class QTimer;

namespace corvatine::ui {

class CFolderWorkProgress : public platform::CProgressSink, public CFileProcessSink {
public:
    struct SNAPSHOT {
        int first = 0;
        int last = 0;
        int position = 0;
        bool ranged = false;  // a range was given: else the work shows as busy
        std::string text;
        std::string detail;
    };
    struct FAILURE {
        std::string name;
        std::string error;
    };

    // Scans and reports.
    void Start(int first, int last, const std::string& text) override;
    void Step() override;
    void SetPosition(int position) override;
    void Close() override {}
    bool IsCancelled() const override { return m_cancel; }

    // File operations.
    void Started(int count) override;
    void ItemStarting(int index, const std::string& name, const std::string& detail) override;
    void ItemDone(int index, const std::string& name, int result, const std::string& error) override;

    // From the window's thread: the worker stops before its next item.
    void Cancel();
    // Also told when cancelled (a runner with its own flag); set before the
    // worker starts.
    std::function<void()> onCancel;

    SNAPSHOT Snapshot() const;
    std::vector<FAILURE> Failures() const;

private:
    mutable std::mutex m_mutex;
    SNAPSHOT m_state;
    std::vector<FAILURE> m_failures;
    std::atomic<bool> m_cancel{false};
};

// One piece of work on its own thread.
class CFolderWork {
public:
    // The work returns false when it did not complete (cancelled, failed).
    using Work = std::function<bool(CFolderWorkProgress&)>;

    // Starts the worker; prepare runs first on the calling thread (to set
    // up what Cancel tells), finished on the worker's thread as its last act.
    CFolderWork(Work work, std::function<void()> finished,
                const std::function<void(CFolderWorkProgress&)>& prepare = {});
    // Cancels what is still running and waits for the worker.
    ~CFolderWork();
    CFolderWork(const CFolderWork&) = delete;
    CFolderWork& operator=(const CFolderWork&) = delete;

    // Waits at most that long; true when the work has ended.
    bool WaitFor(int milliseconds);
    // Waits for the end and joins the thread.
    void Join();
    bool IsDone() const;
    bool Completed() const { return m_completed; }
    CFolderWorkProgress& Progress() { return m_progress; }

private:
    CFolderWorkProgress m_progress;
    mutable std::mutex m_mutex;
    std::condition_variable m_ended;
    bool m_done = false;
    std::atomic<bool> m_completed{false};
    std::thread m_thread;
};

// Shows a worker's progress: a message, the current item, a bar (a busy bar
// without a range) and Cancel, refreshed while the work runs.
class CFolderProgressPanel : public QWidget {
    Q_OBJECT

public:
    explicit CFolderProgressPanel(QWidget* parent = nullptr);
    // Follows the progress until Detach; cancel shows the Cancel button.
    void Attach(CFolderWorkProgress* progress, const QString& message, bool cancel);
    void Detach();
    void Refresh();
    QPushButton* CancelButton() const { return m_cancel; }

private:
    CFolderWorkProgress* m_progress = nullptr;
    QLabel* m_message;
    QLabel* m_detail;
    QProgressBar* m_bar;
    QPushButton* m_cancel;
    QTimer* m_timer;
    QString m_fixedMessage;
};

// The progress dialog of a worker: modal over the window, its Close does
// what Cancel does (when it has Cancel) and it is closed by its owner when
// the work ends.
class CFolderProgressDialog : public QDialog {
    Q_OBJECT

public:
    CFolderProgressDialog(QWidget* parent, const QString& title, bool cancel);
    CFolderProgressPanel& Panel() { return *m_panel; }

    void reject() override;

private:
    CFolderProgressPanel* m_panel;
    bool m_cancel;
};

}  // namespace corvatine::ui
