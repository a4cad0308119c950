// The main frame's printing: Print, Print Preview and Page Setup of the
// active document.
#include <QComboBox>
#include <QFormLayout>
#include <QMenu>
#include <QPageSetupDialog>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QProgressDialog>
#include <QStyle>
#include <QToolBar>

#include "ui/MainFrame.h"
#include "ui/TextCompareView.h"
#include "ui/TextPrinter.h"
#include "ui/UiText.h"

namespace corvatine::ui {

void CMainFrame::CreatePrintCommands(QMenu* file) {
    file->addSeparator();
    struct COMMAND {
        const char* name;
        const char* text;
        const char* keys;
        const char* tip;
        void (CMainFrame::*slot)();
    };
    static const COMMAND kCommands[3] = {
        {"print", "&Print...", "Ctrl+P", "Print the active document", &CMainFrame::Print},
        {"printPreview", "Print Pre&view", "", "Show the pages as they will be printed",
         &CMainFrame::PrintPreview},
        {"pageSetup", "Page Set&up...", "", "Choose the paper, its orientation and margins",
         &CMainFrame::PageSetup},
    };
    for (int i = 0; i < 3; ++i) {
        QAction* action = file->addAction(QString::fromLatin1(kCommands[i].text));
        action->setObjectName(QString::fromLatin1(kCommands[i].name));
        action->setShortcut(QKeySequence(QString::fromLatin1(kCommands[i].keys)));
        action->setStatusTip(QString::fromLatin1(kCommands[i].tip));
        connect(action, &QAction::triggered, this, kCommands[i].slot);
        m_printCommands[i] = action;
    }
    m_printCommands[0]->setIcon(style()->standardIcon(QStyle::SP_FileIcon));
}

void CMainFrame::UpdatePrintCommands(CDocumentView* view) {
    const bool printable = CTextPrintJob::CanPrint(view);
    for (int i = 0; i < 2; ++i)
        if (m_printCommands[i] != nullptr) m_printCommands[i]->setEnabled(printable);
}

int CMainFrame::PrintActiveView(QPrinter& printer, int layout) {
    const std::unique_ptr<CTextPrintJob> job = CTextPrintJob::ForView(ActiveView(), layout);
    return job ? job->Print(printer) : 0;
}

void CMainFrame::Print() {
    CDocumentView* view = ActiveView();
    const std::unique_ptr<CTextPrintJob> job = CTextPrintJob::ForView(view, m_printLayout);
    if (!job) return;
    QPrintDialog dialog(&m_printer, this);
    dialog.setWindowTitle(QStringLiteral("Print"));
    dialog.setMinMax(1, job->PageCount(m_printer));
    QComboBox* layout = nullptr;
    if (qobject_cast<CTextCompareView*>(view) != nullptr) {
        auto* tab = new QWidget;
        tab->setWindowTitle(QStringLiteral("Comparison"));
        auto* form = new QFormLayout(tab);
        layout = new QComboBox(tab);
        layout->setObjectName(QStringLiteral("printLayout"));
        layout->addItems(PrintLayoutNames());
        layout->setCurrentIndex(m_printLayout);
        form->addRow(QStringLiteral("&Print:"), layout);
        dialog.setOptionTabs({tab});
    }
    if (dialog.exec() != QDialog::Accepted) return;
    if (layout != nullptr) m_printLayout = layout->currentIndex();
    // Many pages take a while: their progress is shown, with Cancel.
    QProgressDialog progress(QStringLiteral("Printing..."), QStringLiteral("Cancel"), 0, 1, this);
    progress.setWindowTitle(QStringLiteral("Print"));
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(500);
    const std::unique_ptr<CTextPrintJob> chosen = CTextPrintJob::ForView(view, m_printLayout);
    const int printed = chosen->Print(m_printer, [&progress](int done, int total) {
        progress.setMaximum(total);
        progress.setValue(done);
        progress.setLabelText(QStringLiteral("Printing page %1 of %2...").arg(done + 1).arg(total));
        return !progress.wasCanceled();
    });
    if (progress.wasCanceled()) return;
    if (printed == 0)
        m_messages.Error("The document could not be printed on \"" + ToPath(m_printer.printerName()) + "\"" +
                         (m_printer.outputFileName().isEmpty()
                              ? std::string(".")
                              : " (\"" + ToPath(m_printer.outputFileName()) + "\")."));
}

void CMainFrame::PrintPreview() {
    if (!CTextPrintJob::CanPrint(ActiveView())) return;
    QPrintPreviewDialog dialog(&m_printer, this);
    dialog.setWindowTitle(QStringLiteral("Print Preview"));
    auto* preview = dialog.findChild<QPrintPreviewWidget*>();
    connect(&dialog, &QPrintPreviewDialog::paintRequested, this,
            [this](QPrinter* printer) { PrintActiveView(*printer, m_printLayout); });
    if (qobject_cast<CTextCompareView*>(ActiveView()) != nullptr && preview != nullptr) {
        if (auto* bar = dialog.findChild<QToolBar*>()) {
            auto* layout = new QComboBox(bar);
            layout->setObjectName(QStringLiteral("printLayout"));
            layout->addItems(PrintLayoutNames());
            layout->setCurrentIndex(m_printLayout);
            bar->addSeparator();
            bar->addWidget(layout);
            connect(layout, &QComboBox::currentIndexChanged, this, [this, preview](int chosen) {
                m_printLayout = chosen;
                preview->updatePreview();
            });
        }
    }
    // One page at a time, or two facing pages, as the preview was left.
    if (preview != nullptr)
        preview->setViewMode(m_app.generalOptions.previewPages == 2 ? QPrintPreviewWidget::FacingPagesView
                                                                    : QPrintPreviewWidget::SinglePageView);
    dialog.exec();
    if (preview != nullptr)
        m_app.generalOptions.previewPages =
            preview->viewMode() == QPrintPreviewWidget::FacingPagesView ? 2 : 1;
}

void CMainFrame::PageSetup() {
    QPageSetupDialog dialog(&m_printer, this);
    dialog.setWindowTitle(QStringLiteral("Page Setup"));
    dialog.exec();
}

}  // namespace corvatine::ui
