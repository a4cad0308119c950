// The synchronisation wizard of a folder comparison: the type page, the
// prepare page with the two check-boxed lists, and the process page with its
// log. Preparing and synchronising run on worker threads with progress and
// Cancel; the window goes on drawing meanwhile.
#pragma once

#include <QWizard>
#include <QWizardPage>

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <thread>

#include "foldercompare/SyncWizard.h"
#include "request/CompareParams.h"

class QButtonGroup;
class QCheckBox;
class QLabel;
class QListWidget;
class QPlainTextEdit;
class QProgressBar;
class QTimer;

namespace corvatine {
class CFolderCompareDoc;
}

namespace corvatine::ui {

class CSyncWizardDialog;

// "Select Type of Synchronization": the five types with their descriptions.
class CSyncTypeWizardPage : public QWizardPage {
public:
    CSyncTypeWizardPage(CSyncWizardDialog& wizard, int type);
    int Type() const;
    void SetType(int type);
    // Refuses (with the reason shown) what the guards of the type refuse.
    bool validatePage() override;

private:
    CSyncWizardDialog& m_wizard;
    QButtonGroup* m_types;
};

// "Prepare for Synchronization": what each side gets, collected on a worker,
// each entry with a check box; the summary and the options.
class CSyncPrepareWizardPage : public QWizardPage {
public:
    explicit CSyncPrepareWizardPage(CSyncWizardDialog& wizard);
    ~CSyncPrepareWizardPage() override;

    void initializePage() override;
    // Leaving the page (Back) stops the preparation.
    void cleanupPage() override;
    bool isComplete() const override;
    // Asks before anything changes unless "No confirmation" is set.
    bool validatePage() override;

    bool IsPreparing() const { return m_worker.joinable(); }
    // Stops the preparation and waits for its worker.
    void Stop();
    // The list acting on a side (0 left, 1 right), as shown.
    QListWidget* List(int list) const { return m_lists[list]; }

private:
    class CProgress;

    void Poll();
    void Prepared(bool completed);
    // An entry's check box changed: it follows into the model's entry, and
    // a one-sided folder goes only when everything below it goes.
    void EntryChecked(int list, int row);

    CSyncWizardDialog& m_wizard;
    QProgressBar* m_progress;
    QLabel* m_listLabels[2];
    QListWidget* m_lists[2];
    QLabel* m_summary;
    QLabel* m_skipped;
    QCheckBox* m_noConfirmation;
    QCheckBox* m_useRecycleBin;
    QTimer* m_poll;
    std::unique_ptr<CProgress> m_sink;
    std::thread m_worker;
    std::atomic<bool> m_done{false};
    bool m_completed = false;
    bool m_filling = false;
};

// "Synchronizing...": the log of the run on a worker, the current action,
// progress, and at the end "Finished!" or "Aborted!".
class CSyncProcessWizardPage : public QWizardPage {
public:
    explicit CSyncProcessWizardPage(CSyncWizardDialog& wizard);
    ~CSyncProcessWizardPage() override;

    void initializePage() override;
    bool isComplete() const override;

    bool IsRunning() const { return m_worker.joinable(); }
    bool HasRun() const { return m_ran; }
    // Asks the worker to stop before the next entry.
    void Cancel();
    // Stops the run and waits for it (the wizard is going away); the
    // document is brought up to date.
    void Stop();
    QString LogText() const;
    QString StatusText() const;

private:
    class CLog;

    void Poll();
    void Ended();

    CSyncWizardDialog& m_wizard;
    QLabel* m_action;
    QProgressBar* m_progress;
    QPlainTextEdit* m_log;
    QLabel* m_status;
    QTimer* m_poll;
    std::unique_ptr<CLog> m_relay;
    std::thread m_worker;
    std::atomic<bool> m_cancel{false};
    std::atomic<bool> m_done{false};
    bool m_ran = false;
};

class CSyncWizardDialog : public QWizard {
    Q_OBJECT

public:
    enum PageId { TypePage, PreparePage, ProcessPage };

    // The document must be compared at every level (RunSyncWizard sees to
    // it) and stays untouched by anything else while the wizard is open.
    CSyncWizardDialog(CFolderCompareDoc& doc, int type, QWidget* parent = nullptr);
    ~CSyncWizardDialog() override;

    CFolderCompareDoc& Doc() { return m_doc; }
    CSyncWizard& Model() { return m_model; }
    CSyncTypeWizardPage& TypePageWidget() { return *m_typePage; }
    CSyncPrepareWizardPage& PreparePageWidget() { return *m_preparePage; }
    CSyncProcessWizardPage& ProcessPageWidget() { return *m_processPage; }
    // Whether a run started (the trees may have changed).
    bool Ran() const { return m_processPage->HasRun(); }

    // Called on the window's thread before a worker starts changing the
    // result tree: the views let go of what they hold of it. The document's
    // onRebuild follows when the tree is whole again.
    std::function<void()> aboutToChange;
    // For tests: called on the worker after each entry of the run with the
    // number done so far.
    std::function<void(int)> afterEntry;

    // Cancel while preparing stops and closes; while synchronising it asks
    // the worker to stop and waits for the run to end there.
    void reject() override;

private:
    CFolderCompareDoc& m_doc;
    CSyncWizard m_model;
    CSyncTypeWizardPage* m_typePage;
    CSyncPrepareWizardPage* m_preparePage;
    CSyncProcessWizardPage* m_processPage;
};

// The synchronisation command on a folder comparison document: compares
// every level first ("Preparing..., Please wait", on a worker), then runs
// the wizard with the type preselected. aboutToChange as in the wizard.
// True when a run started.
bool RunSyncWizard(QWidget* parent, CFolderCompareDoc& doc, int type = SYNC_UPDATE_RIGHT,
                   std::function<void()> aboutToChange = {});

// The same for a folder comparison that no document holds yet: one is
// opened for the request (on a worker), synchronised and discarded.
bool RunSyncWizard(QWidget* parent, const CFolderCompareParams& request, int type = SYNC_UPDATE_RIGHT);

}  // namespace corvatine::ui
