// A comparison the window has no view of its own for yet (binary files):
// the headless program runs it in the background and its result is shown
// as read-only text.
#pragma once

#include <QPlainTextEdit>
#include <QProcess>

#include <memory>

#include "request/CompareParams.h"
#include "ui/DocumentView.h"

namespace corvatine::ui {

class CResultView : public CDocumentView {
    Q_OBJECT

public:
    CResultView(const CCompareParams& request, QWidget* parent = nullptr);
    ~CResultView() override;

    // The result so far ("Comparing..." until the program is done).
    QString Text() const { return m_text->toPlainText(); }
    bool IsRunning() const { return m_process.state() != QProcess::NotRunning; }

    QString Title() const override;
    QString StatusText() const override { return m_status; }
    bool IsEnabled(Command command) const override;
    void Execute(Command command) override;
    bool CanClose() override { return true; }

signals:
    void finished();

private:
    void Run();

    std::unique_ptr<CCompareParams> m_request;
    QPlainTextEdit* m_text;
    QProcess m_process;
    QString m_status;
};

}  // namespace corvatine::ui
