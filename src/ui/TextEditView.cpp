#include "ui/TextEditView.h"

#include <QApplication>
#include <QGridLayout>
#include <QMessageBox>

#include <algorithm>

#include "editor/SyntaxEditor.h"
#include "ui/DialogMessages.h"
#include "ui/Dialogs.h"
#include "ui/FileChangeGate.h"
#include "ui/FindReplaceDialog.h"
#include "ui/UiText.h"

namespace corvatine::ui {

CTextEditView::CTextEditView(const std::string& path, bool readOnly, platform::CMessages& messages,
                             bool fileWatch, QWidget* parent, int codePage)
    : CDocumentView(parent), m_messages(messages), m_watches(fileWatch), m_doc(messages, &m_watches) {
    m_opened = path.empty() || m_doc.Open(path, readOnly, codePage);
    m_decorations = std::make_unique<CEditDecorations>(m_doc.Context());
    m_pane = new CTextPane(m_doc.Context(), *m_decorations, this);
    m_pane->setObjectName(QStringLiteral("editPane"));
    m_finder = std::make_unique<CFindReplace>(m_doc.Context(), &GetSyntaxEditor().findHistory);
    m_vertical = new QScrollBar(Qt::Vertical, this);
    m_horizontal = new QScrollBar(Qt::Horizontal, this);
    auto* layout = new QGridLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_pane, 0, 0);
    layout->addWidget(m_vertical, 0, 1);
    layout->addWidget(m_horizontal, 1, 0);
    connect(m_vertical, &QScrollBar::valueChanged, this, [this](int value) { m_pane->SetFirstRow(value); });
    connect(m_horizontal, &QScrollBar::valueChanged, this, [this](int value) { m_pane->SetScrollX(value); });
    connect(m_pane, &CTextPane::scrollRequested, this,
            [this](int rows) { ScrollTo(m_pane->FirstRow() + rows); });
    connect(m_pane, &CTextPane::horizontalScrollRequested, this,
            [this](int pixels) { m_horizontal->setValue(m_horizontal->value() + pixels); });
    connect(m_pane, &CTextPane::contentWidthChanged, this, [this] { UpdateScrollBars(); });
    connect(m_pane, &CTextPane::caretMoved, this, [this] {
        EnsureCaretVisible();
        emit stateChanged();
    });
    connect(m_pane, &CTextPane::edited, this, [this] {
        UpdateScrollBars();
        emit stateChanged();
    });
    // Changes come through the gate: a save's notices as one, none while
    // the user is asked about the file.
    m_changes = new CFileChangeGate([this](const std::string& changed) { OnFileChanged(changed); }, this);
    m_watches.onChanged = [this](const std::string& changed) { m_changes->Changed(changed); };
    if (m_opened && !path.empty()) m_watches.Watch(path);
    setFocusProxy(m_pane);
    UpdateScrollBars();
}

CTextEditView::~CTextEditView() {
    m_watches.UnwatchAll();
    m_finder.reset();
    delete m_pane;  // it shows the document: it goes before the document does
}

void CTextEditView::resizeEvent(QResizeEvent* event) {
    CDocumentView::resizeEvent(event);
    UpdateScrollBars();
}

void CTextEditView::UpdateScrollBars() {
    // The scroll bar counts rows; wrapping, the last row may stand at the top.
    m_vertical->setRange(0, m_pane->LastFirstRow());
    m_vertical->setPageStep(m_pane->VisibleRows());
    m_horizontal->setVisible(!m_pane->WordWrap());
    if (m_pane->WordWrap()) {
        m_horizontal->setValue(0);
        return;
    }
    m_horizontal->setRange(0, std::max(0, m_pane->ContentWidth() - m_pane->TextWidth()));
    m_horizontal->setPageStep(m_pane->TextWidth());
    m_horizontal->setSingleStep(m_pane->ScrollStep());
}

void CTextEditView::ScrollTo(int row, int line) {
    const QSignalBlocker block(m_vertical);
    m_vertical->setValue(std::clamp(row, 0, m_vertical->maximum()));
    m_pane->SetFirstRow(m_vertical->value(), line);
}

void CTextEditView::Centre(int row) { ScrollTo(row - m_pane->VisibleRows() / 2); }

FINDTARGET CTextEditView::FindTarget() {
    FINDTARGET target;
    target.pane = m_pane;
    target.finder = m_finder.get();
    target.centre = [this](int row) { Centre(row); };
    return target;
}

void CTextEditView::EnsureVisible(int row) {
    // Below the view, as much of the row as fits comes up.
    const int lines = std::min(m_pane->RowLineCount(row), m_pane->VisibleLines());
    const auto [first, line] = m_pane->ScrollToShow(row, row < m_pane->FirstRow() ? 0 : lines - 1);
    if (first != m_pane->FirstRow() || line != m_pane->FirstLine()) ScrollTo(first, line);
}

void CTextEditView::EnsureCaretVisible() {
    const CPoint caret = m_pane->Caret();
    const auto [row, line] = m_pane->ScrollToShow(caret);
    if (row != m_pane->FirstRow() || line != m_pane->FirstLine()) ScrollTo(row, line);
    if (m_pane->WordWrap()) return;
    const int x = m_pane->ScrollXToShow(caret);
    if (x == m_horizontal->value()) return;
    if (x > m_horizontal->maximum()) m_horizontal->setMaximum(x);
    m_horizontal->setValue(x);
}

void CTextEditView::ReadOptions() {
    m_pane->ReadOptions();
    Refresh();
}

void CTextEditView::Refresh() {
    m_pane->Refresh();
    UpdateScrollBars();
    emit stateChanged();
}

QString CTextEditView::Title() const { return FromPath(m_doc.GetTitle()); }

QString CTextEditView::StatusText() const {
    const CPoint caret = m_pane->Caret();
    return QStringLiteral("Ln %1, Col %2").arg(caret.y + 1).arg(caret.x + 1);
}

bool CTextEditView::IsEnabled(Command command) const {
    const CSyntaxEditContextEx& context = m_doc.Context();
    switch (command) {
        case Command::Save: return m_doc.IsModified() || m_doc.GetPath().empty();
        case Command::SaveAs:
        case Command::Reload:
        case Command::SelectAll:
        case Command::GoToLine:
        case Command::Find:
        case Command::FindNext:
        case Command::FindPrevious:
        case Command::ExportHtml:
        case Command::PreviewHtml: return true;
        case Command::Replace: return !context.IsReadOnly();
        case Command::Undo: return context.CanUndo();
        case Command::Redo: return context.CanRedo();
        case Command::Cut: return m_pane->HasSelection() && !context.IsReadOnly();
        case Command::Copy: return m_pane->HasSelection();
        case Command::Paste: return !context.IsReadOnly();
        case Command::WordWrap:
        case Command::ShowWhiteSpace: return true;
        case Command::ReopenWithEncoding: return !m_doc.GetPath().empty();
        default: return false;
    }
}

bool CTextEditView::IsChecked(Command command) const {
    switch (command) {
        case Command::WordWrap: return GetSyntaxEditor().wordWrap != 0;
        case Command::ShowWhiteSpace: return GetSyntaxEditor().showWhiteSpace != 0;
        default: return false;
    }
}

QString CTextEditView::UndoText() const { return FromPath(m_doc.Context().GetUndoMenuText()); }
QString CTextEditView::RedoText() const { return FromPath(m_doc.Context().GetRedoMenuText()); }

void CTextEditView::Execute(Command command) {
    CSyntaxEditContextEx& context = m_doc.Context();
    switch (command) {
        case Command::Save: Save(false); break;
        case Command::SaveAs: Save(true); break;
        case Command::Reload:
            if (!m_doc.GetPath().empty() &&
                (!m_doc.IsModified() ||
                 m_messages.AskYesNo(platform::ReplacePlaceholder(
                     "%s is changed, reload anyway?", "%s", m_doc.GetPath())) == platform::ANSWER_YES)) {
                m_doc.Reload();
                Refresh();
            }
            break;
        case Command::ReopenWithEncoding: {
            int codePage = CODEPAGE_DETECT;
            if (!CReopenEncodingDialog::Ask(this, FromPath(m_doc.GetPath()), context.GetEncodingKind(),
                                            context.GetCodePage(), codePage))
                break;
            if (m_doc.IsModified() &&
                m_messages.AskYesNo(platform::ReplacePlaceholder("%s is changed, reload anyway?", "%s",
                                                                 m_doc.GetPath())) != platform::ANSWER_YES)
                break;
            m_doc.Open(m_doc.GetPath(), m_doc.IsReadOnly(),
                       codePage == CODEPAGE_DETECT ? CP_DETECT : codePage);
            Refresh();
            break;
        }
        case Command::Undo:
        case Command::Redo: {
            CPoint position;
            if (command == Command::Undo ? context.Undo(m_pane, position) : context.Redo(m_pane, position))
                m_pane->SetCaret(position);
            Refresh();
            break;
        }
        case Command::Cut: m_pane->CutSelection(); break;
        case Command::Copy: m_pane->CopySelection(); break;
        case Command::Paste: m_pane->Paste(); break;
        case Command::SelectAll: m_pane->SelectAll(); break;
        case Command::GoToLine: {
            const int line = CGoToLineDialog::Ask(this, m_pane->Caret().y + 1, context.GetLineCount());
            if (line > 0) {
                m_pane->SetCaret({0, line - 1});
                Centre(line - 1);
                m_pane->setFocus();
            }
            break;
        }
        case Command::Find:
        case Command::Replace:
            CFindReplaceDialog::Run(this, FindTarget(), command == Command::Replace);
            Refresh();
            break;
        case Command::FindNext:
        case Command::FindPrevious: FindAgain(this, FindTarget(), command == Command::FindPrevious); break;
        case Command::WordWrap:
            GetSyntaxEditor().wordWrap = GetSyntaxEditor().wordWrap != 0 ? 0 : 1;
            ReadOptions();
            break;
        case Command::ShowWhiteSpace:
            GetSyntaxEditor().showWhiteSpace = GetSyntaxEditor().showWhiteSpace != 0 ? 0 : 1;
            ReadOptions();
            break;
        case Command::ExportHtml: ExportHtml(this, m_pane->Context(), DocumentName()); break;
        case Command::PreviewHtml: PreviewHtml(this, m_pane->Context(), DocumentName()); break;
        default: break;
    }
    emit stateChanged();
}

std::string CTextEditView::DocumentName() const {
    return m_doc.GetPath().empty() ? m_doc.GetTitle() : m_doc.GetPath();
}

bool CTextEditView::Save(bool choosePath) {
    bool saved;
    if (choosePath || m_doc.GetPath().empty()) {
        SAVEASCHOICE choice;
        const CSyntaxEditContextEx& context = m_doc.Context();
        if (!CSaveAsDialog::Ask(this, QStringLiteral("Save As"), m_doc.GetPath(), context.GetEncodingKind(),
                                context.GetCodePage(), choice))
            return false;
        m_watches.Unwatch(m_doc.GetPath());
        saved = m_doc.SaveAs(choice.path, choice.encodingKind, choice.codePage, choice.style);
        m_watches.Watch(m_doc.GetPath());
    } else {
        saved = m_doc.Save();
    }
    emit stateChanged();
    return saved;
}

void CTextEditView::OnFileChanged(const std::string& path) {
    if (m_doc.GetPath().empty()) return;
    // Without edits the file is read again quietly.
    if (m_doc.IsModified() && m_messages.AskYesNo(platform::ReplacePlaceholder(
                                  "%s is changed on disk, reload it?\n\nYour unsaved edits will be lost.",
                                  "%s", path)) != platform::ANSWER_YES)
        return;
    m_doc.Reload();
    Refresh();
}

bool CTextEditView::CanClose() {
    if (!m_doc.IsModified()) return true;
    const int answer = AskSaveChanges(this, m_doc.GetPath());
    if (answer == QMessageBox::Cancel) return false;
    return answer == QMessageBox::No || Save(false);
}

}  // namespace corvatine::ui
