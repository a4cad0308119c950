#include "ui/ResultView.h"

#include <QFontDatabase>
#include <QVBoxLayout>

#include "launch/ProgramNames.h"
#include "platform/Path.h"
#include "ui/Dialogs.h"
#include "ui/SyncWizardDialog.h"
#include "ui/UiText.h"

namespace corvatine::ui {

CResultView::CResultView(const CCompareParams& request, QWidget* parent)
    : CDocumentView(parent), m_request(request.Clone()) {
    m_text = new QPlainTextEdit(this);
    m_text->setObjectName(QStringLiteral("result"));
    m_text->setReadOnly(true);
    m_text->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_text->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_text);
    setFocusProxy(m_text);
    connect(&m_process, &QProcess::finished, this, [this](int status, QProcess::ExitStatus how) {
        const QString output = QString::fromLocal8Bit(m_process.readAllStandardOutput());
        const QString errors = QString::fromLocal8Bit(m_process.readAllStandardError());
        m_text->setPlainText(output + errors);
        m_status = how != QProcess::NormalExit ? QStringLiteral("The comparison ended abnormally")
                   : status == 0               ? QStringLiteral("Identical")
                   : status == 1               ? QStringLiteral("Different")
                                               : QStringLiteral("Trouble: see the text");
        emit stateChanged();
        emit finished();
    });
    Run();
}

CResultView::~CResultView() {
    if (m_process.state() != QProcess::NotRunning) {
        m_process.kill();
        m_process.waitForFinished(2000);
    }
}

void CResultView::Run() {
    m_text->setPlainText(QStringLiteral("Comparing..."));
    m_status = QStringLiteral("Comparing...");
    // The program beside the window, headless, on exactly this request.
    QStringList arguments = {QStringLiteral("--no-gui")};
    for (const std::string& argument : m_request->GetArguments(true)) arguments << FromPath(argument);
    m_process.start(FromPath(platform::JoinPath(platform::ProgramFolder(), kHeadlessProgram)), arguments);
}

QString CResultView::Title() const { return FromPath(m_request->GetTitle()); }

bool CResultView::IsEnabled(Command command) const {
    return command == Command::Copy || command == Command::SelectAll ||
           (command == Command::Reload && m_process.state() == QProcess::NotRunning) ||
           command == Command::GenerateCommandLine ||
           (command == Command::Synchronize && m_request->kind == COMPARE_FOLDER &&
            m_process.state() == QProcess::NotRunning);
}

void CResultView::Execute(Command command) {
    switch (command) {
        case Command::Copy: m_text->copy(); break;
        case Command::SelectAll: m_text->selectAll(); break;
        case Command::Reload: Run(); break;
        case Command::GenerateCommandLine: CCommandLineDialog::Run(this, *m_request); break;
        case Command::Synchronize:
            // The result shown is the program's: it runs again on the changed folders.
            if (RunSyncWizard(this, static_cast<const CFolderCompareParams&>(*m_request))) Run();
            break;
        default: break;
    }
    emit stateChanged();
}

}  // namespace corvatine::ui
