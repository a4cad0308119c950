#include "ui/TextCompareView.h"

#include <QApplication>
#include <QGridLayout>
#include <QMenu>
#include <QMessageBox>

#include <algorithm>

#include "editor/SyntaxEditor.h"
#include "fileio/Archive.h"
#include "fileio/EncodingChoices.h"
#include "fileio/TextFormat.h"
#include "launch/Components.h"
#include "platform/Path.h"
#include "textcompare/TextCompareColors.h"
#include "textcompare/TextCompareOptions.h"
#include "ui/DialogMessages.h"
#include "ui/Dialogs.h"
#include "ui/FileChangeGate.h"
#include "ui/FindReplaceDialog.h"
#include "ui/LocationMap.h"
#include "ui/MainFrame.h"
#include "ui/UiText.h"

namespace corvatine::ui {

// ---- CSideDecorations ----

int CSideDecorations::RowCount() const { return m_view.m_doc.Context().VisibleRowCount(); }

int CSideDecorations::RowColor(int row) const {
    const CTextCompareObject& side = m_view.m_doc.GetSide(m_side);
    if (row >= side.GetLineCount()) return TCC_NONE;
    return corvatine::RowColor(side.GetLine(row).flags,
                               AppComponents().Text().highlightTrivialDifferences != 0, true);
}

bool CSideDecorations::HasMoves() const { return m_view.m_doc.Context().FoundMoves(); }

bool CSideDecorations::MoveLink(int row) const { return m_view.m_doc.MoveStartsAt(m_side, row); }

bool CSideDecorations::IsGhost(int row) const { return m_view.m_doc.GetSide(m_side).IsGhostRow(row); }

int CSideDecorations::LineNumber(int row) const {
    CTextCompareObject& side = m_view.m_doc.GetSide(m_side);
    return side.IsGhostRow(row) ? -1 : side.RowToRealLine(row) + 1;
}

int CSideDecorations::MaxLineNumber() const { return m_view.m_doc.GetSide(m_side).GetRealLineCount(); }

std::vector<std::pair<int, int>> CSideDecorations::Highlights(int row) const {
    std::vector<std::pair<int, int>> ranges;
    if (!AppComponents().Text().highlightLineDifferences) return ranges;
    CTextCompareDoc& doc = m_view.m_doc;
    if (row >= doc.GetSide(0).GetLineCount() || row >= doc.GetSide(1).GetLineCount()) return ranges;
    if (!(doc.GetSide(0).GetLine(row).flags & LF_CHANGED) ||
        !(doc.GetSide(1).GetLine(row).flags & LF_CHANGED))
        return ranges;
    for (const STRINGDIFFERENCE& d : doc.LineDifferences(row))
        ranges.emplace_back(m_side == 0 ? d.leftStart : d.rightStart, m_side == 0 ? d.leftEnd : d.rightEnd);
    return ranges;
}

bool CSideDecorations::SyntaxColours() const { return AppComponents().Text().highlightSyntax != 0; }

int CSideDecorations::RowLines(int row, int ownLines) const {
    const CTextPane* other = m_view.m_pane[1 - m_side];
    return other != nullptr ? std::max(ownLines, other->OwnLineCount(row)) : ownLines;
}

std::pair<int, int> CSideDecorations::CurrentRows() const {
    CTextSection section;
    if (!m_view.m_doc.Sections().GetSection(m_view.m_doc.GetCurrentSection(), section)) return {-1, -1};
    return m_side == 0 ? std::pair{section.leftFirstRow, section.leftLastRow}
                       : std::pair{section.rightFirstRow, section.rightLastRow};
}

// ---- CTextCompareView ----

CTextCompareView::CTextCompareView(const CTextCompareParams& request, platform::CMessages& messages,
                                   bool fileWatch, QWidget* parent, const SIDETEXT* texts)
    : CDocumentView(parent),
      m_messages(messages),
      m_watches(fileWatch),
      m_doc(messages, AppComponents().Text(), AppComponents().Editor().trackChanges != 0, &m_watches) {
    m_opened = m_doc.Open(request, texts);
    // Edits too large to compare where they are are compared on a worker.
    m_doc.SetBackgroundRecompare(true);
    m_doc.onRecompared = [this] { Refresh(); };
    for (int side = 0; side < 2; ++side) {
        m_decorations[side] = std::make_unique<CSideDecorations>(*this, side);
        m_pane[side] = new CTextPane(m_doc.GetSide(side), *m_decorations[side], this);
        m_pane[side]->setObjectName(side == 0 ? QStringLiteral("leftPane") : QStringLiteral("rightPane"));
        m_pane[side]->SetEditing(this);
        connect(m_pane[side], &CTextPane::scrollRequested, this,
                [this](int rows) { ScrollTo(m_firstRow + rows); });
        connect(m_pane[side], &CTextPane::horizontalScrollRequested, this,
                [this](int pixels) { m_horizontal->setValue(m_horizontal->value() + pixels); });
        connect(m_pane[side], &CTextPane::contentWidthChanged, this, [this] { UpdateScrollBars(); });
        connect(m_pane[side], &CTextPane::focused, this, [this, side] {
            m_activeSide = side;
            emit stateChanged();
        });
        connect(m_pane[side], &CTextPane::caretMoved, this, [this, side] {
            m_activeSide = side;
            const CPoint caret = m_pane[side]->Caret();
            const int before = m_doc.GetCurrentSection();
            m_doc.SetCursor(caret.y, caret.x);
            EnsureCaretVisible(side);
            if (m_doc.GetCurrentSection() != before) {
                m_pane[1 - side]->update();
                m_pane[side]->update();
                m_map->update();
            }
            emit stateChanged();
        });
        connect(m_pane[side], &CTextPane::edited, this, [this] { Refresh(); });
        connect(m_pane[side], &CTextPane::moveLinkClicked, this,
                [this, side](int row) { FollowMove(side, row); });
        m_pane[side]->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(m_pane[side], &QWidget::customContextMenuRequested, this,
                [this, side](const QPoint& at) { ShowContextMenu(side, at); });
        m_header[side] = new CPaneHeader(this);
        m_header[side]->setObjectName(side == 0 ? QStringLiteral("leftHeader")
                                                : QStringLiteral("rightHeader"));
        connect(m_header[side], &CPaneHeader::encodingClicked, this,
                [this, side] { ReopenWithEncoding(side); });
    }
    m_map = new CLocationMap(m_doc, this);
    m_map->setObjectName(QStringLiteral("locationMap"));
    connect(m_map, &CLocationMap::rowClicked, this,
            [this](int row) { ScrollTo(row - m_pane[0]->VisibleRows() / 2); });
    m_vertical = new QScrollBar(Qt::Vertical, this);
    m_horizontal = new QScrollBar(Qt::Horizontal, this);
    connect(m_vertical, &QScrollBar::valueChanged, this, [this](int value) { ScrollTo(value); });
    // Both panes keep one sideways offset, in pixels.
    connect(m_horizontal, &QScrollBar::valueChanged, this, [this](int value) {
        for (CTextPane* pane : m_pane) pane->SetScrollX(value);
    });
    auto* layout = new QGridLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    layout->addWidget(m_header[0], 0, 0);
    layout->addWidget(m_header[1], 0, 1);
    layout->addWidget(m_pane[0], 1, 0);
    layout->addWidget(m_pane[1], 1, 1);
    layout->addWidget(m_vertical, 1, 2);
    layout->addWidget(m_map, 1, 3);
    layout->addWidget(m_horizontal, 2, 0, 1, 2);
    layout->setRowStretch(1, 1);

    // Changes come through the gate: a save's notices as one, none while
    // the user is asked about the same file.
    m_changes = new CFileChangeGate([this](const std::string& path) { OnFileChanged(path); }, this);
    m_watches.onChanged = [this](const std::string& path) { m_changes->Changed(path); };
    if (m_opened) {
        for (int side = 0; side < 2; ++side) m_watches.Watch(request.sides[side].path);
        if (AppComponents().Text().jumpToFirstDifference && m_doc.FirstDifference()) AfterNavigation(true);
    }
    setFocusProxy(m_pane[0]);
    connect(this, &CDocumentView::stateChanged, this, [this] { UpdateHeaders(); });
    UpdateHeaders();
    UpdateScrollBars();
}

CTextCompareView::~CTextCompareView() {
    m_watches.UnwatchAll();
    // The panes and the map show the document: they go before it does.
    delete m_map;
    for (CTextPane* pane : m_pane) delete pane;
}

void CTextCompareView::resizeEvent(QResizeEvent* event) {
    CDocumentView::resizeEvent(event);
    UpdateScrollBars();
}

void CTextCompareView::UpdateScrollBars() {
    // The scroll bar counts rows; wrapping, the last row may stand at the top.
    const int visible = m_pane[0]->VisibleRows();
    m_vertical->setRange(0, m_pane[0]->LastFirstRow());
    m_vertical->setPageStep(visible);
    const bool wrapping = m_pane[0]->WordWrap();
    m_horizontal->setVisible(!wrapping);
    if (wrapping) {
        m_horizontal->setValue(0);
    } else {
        const int content = std::max(m_pane[0]->ContentWidth(), m_pane[1]->ContentWidth());
        const int shown = std::min(m_pane[0]->TextWidth(), m_pane[1]->TextWidth());
        m_horizontal->setRange(0, std::max(0, content - shown));
        m_horizontal->setPageStep(shown);
        m_horizontal->setSingleStep(m_pane[0]->ScrollStep());
    }
    m_map->SetView(m_firstRow, visible);
}

void CTextCompareView::ScrollTo(int row, int line) {
    row = std::clamp(row, 0, std::max(0, m_vertical->maximum()));
    if (line < 0) line = row == m_pane[0]->FirstRow() ? m_pane[0]->FirstLine() : 0;
    m_firstRow = row;
    for (CTextPane* pane : m_pane) pane->SetFirstRow(row, line);
    const QSignalBlocker block(m_vertical);
    m_vertical->setValue(row);
    m_map->SetView(row, m_pane[0]->VisibleRows());
}

void CTextCompareView::EnsureVisible(int row, int lastRow) {
    const CTextPane& pane = *m_pane[0];
    if (lastRow < row) lastRow = row;
    if (pane.RowInView(row) && pane.RowInView(lastRow)) return;
    // A difference is shown whole when it fits, with a little context above.
    const int fitting = pane.RowsFittingFrom(row);
    const int context = std::min(3, std::max(0, (fitting - (lastRow - row + 1)) / 2));
    ScrollTo(lastRow - row + 1 <= fitting ? row - context : row, 0);
}

void CTextCompareView::EnsureCaretVisible(int side) {
    const CTextPane& pane = *m_pane[side];
    const CPoint caret = pane.Caret();
    const auto [row, line] = pane.ScrollToShow(caret);
    if (row != pane.FirstRow() || line != pane.FirstLine()) ScrollTo(row, line);
    if (pane.WordWrap()) return;
    const int x = pane.ScrollXToShow(caret);
    if (x == m_horizontal->value()) return;
    if (x > m_horizontal->maximum()) m_horizontal->setMaximum(x);
    m_horizontal->setValue(x);
}

void CTextCompareView::Centre(int row) { ScrollTo(row - m_pane[0]->VisibleRows() / 2); }

void CTextCompareView::UpdateHeaders() {
    QString paths[2];
    for (int side = 0; side < 2; ++side) {
        const std::string& path = m_doc.Request().sides[side].path;
        paths[side] = FromPath(path.empty() ? m_doc.SideName(side) : path);
    }
    for (int side = 0; side < 2; ++side) {
        CTextCompareObject& object = m_doc.GetSide(side);
        const TextLineStats& stats = object.GetLoadStats();
        m_header[side]->SetSide(
            paths[side], m_doc.IsSideReadOnly(side), object.IsModified(),
            FromPath(EncodingName(object.GetEncodingKind(), object.GetCodePage())),
            FromPath(LineEndingsName(object.GetLineEndingStyle(), stats.nCRLF, stats.nLF, stats.nCR)),
            CPaneHeader::DistinctFolder(paths[side], paths[1 - side]));
    }
}

void CTextCompareView::ReopenWithEncoding(int side) {
    CTextCompareObject& object = m_doc.GetSide(side);
    const std::string& path = m_doc.Request().sides[side].path;
    if (path.empty()) return;
    int codePage = CODEPAGE_DETECT;
    if (!CReopenEncodingDialog::Ask(this, FromPath(path), object.GetEncodingKind(), object.GetCodePage(),
                                    codePage))
        return;
    // The side's edits go with it: asked first, in the Reload command's words.
    if (object.IsModified() && m_messages.AskYesNo(platform::ReplacePlaceholder(
                                   "%s is changed, reload anyway?", "%s", path)) != platform::ANSWER_YES)
        return;
    m_doc.ReopenSide(side, codePage);
    Refresh();
}

void CTextCompareView::ShowContextMenu(int side, const QPoint& at) {
    CTextPane& pane = *m_pane[side];
    pane.setFocus(Qt::PopupFocusReason);
    m_activeSide = side;
    // A click outside the selection puts the caret there first, so that the
    // commands work on what was clicked.
    const CPoint clicked = pane.PositionAt(at);
    CPoint from = pane.Anchor(), to = pane.Caret();
    if (to.y < from.y || (to.y == from.y && to.x < from.x)) std::swap(from, to);
    const bool inSelection = pane.HasSelection() &&
                             !(clicked.y < from.y || (clicked.y == from.y && clicked.x < from.x)) &&
                             !(clicked.y > to.y || (clicked.y == to.y && clicked.x > to.x));
    if (!inSelection) pane.SetCaret(clicked);
    auto* frame = qobject_cast<CMainFrame*>(window());
    if (frame == nullptr) return;
    frame->UpdateCommands();
    QMenu menu(this);
    menu.addAction(frame->Action(side == 0 ? Command::CopyToRight : Command::CopyToLeft));
    menu.addAction(frame->Action(side == 0 ? Command::CopyToRightAndAdvance : Command::CopyToLeftAndAdvance));
    menu.addSeparator();
    for (Command command : {Command::Undo, Command::Redo}) menu.addAction(frame->Action(command));
    menu.addSeparator();
    for (Command command : {Command::Cut, Command::Copy, Command::Paste, Command::SelectAll})
        menu.addAction(frame->Action(command));
    menu.addSeparator();
    menu.addAction(frame->Action(Command::GoToLine));
    menu.addAction(frame->Action(Command::GoToMovedBlock));
    menu.exec(pane.mapToGlobal(at));
}

void CTextCompareView::ReadOptions() {
    for (CTextPane* pane : m_pane) pane->ReadOptions();
    Refresh();
}

void CTextCompareView::Refresh() {
    // The rows changed: the marks of a search stand elsewhere now.
    for (CTextPane* pane : m_pane) {
        pane->ClearMarks();
        pane->Refresh();
    }
    UpdateScrollBars();
    ScrollTo(m_firstRow);
    m_map->update();
    emit stateChanged();
}

// ---- What the frame asks ----

QString CTextCompareView::Title() const { return FromPath(m_doc.GetTitle()); }

QString CTextCompareView::StatusText() const {
    CTextCompareObject& side = m_doc.GetSide(m_activeSide);
    const CPoint caret = m_pane[m_activeSide]->Caret();
    const int line = side.RowToRealLine(caret.y) + 1;
    QString moved;
    const int index = m_doc.Context().FindMove(m_activeSide, caret.y);
    if (index >= 0) {
        const TEXTMOVE& move = m_doc.Context().Moves()[static_cast<size_t>(index)];
        moved = m_activeSide == 0 ? QStringLiteral("    Lines %1-%2 moved to line %3 on the right")
                                        .arg(move.leftFirst + 1)
                                        .arg(move.leftLast + 1)
                                        .arg(move.rightFirst + 1)
                                  : QStringLiteral("    Lines %1-%2 moved here from line %3 on the left")
                                        .arg(move.rightFirst + 1)
                                        .arg(move.rightLast + 1)
                                        .arg(move.leftFirst + 1);
    }
    return QString::fromStdString(m_doc.StatusText()) + moved +
           QStringLiteral("    Ln %1, Col %2").arg(line).arg(caret.x + 1);
}

bool CTextCompareView::IsEnabled(Command command) const {
    CTextCompareDoc& doc = m_doc;
    const bool differences = doc.GetDifferenceCount() > 0;
    const int side = m_activeSide;
    switch (command) {
        case Command::Save: return doc.GetSide(side).IsModified();
        case Command::SaveLeft: return doc.GetSide(0).IsModified();
        case Command::SaveRight: return doc.GetSide(1).IsModified();
        case Command::Undo: return doc.CanUndo();
        case Command::Redo: return doc.CanRedo();
        case Command::Cut: return m_pane[side]->HasSelection() && !doc.GetSide(side).IsReadOnly();
        case Command::Paste:
        case Command::Replace: return !doc.GetSide(side).IsReadOnly();
        case Command::Copy: return m_pane[side]->HasSelection();
        case Command::CopyToLeft:
        case Command::CopyToLeftAndAdvance:
        case Command::InsertToLeft:
        case Command::CopyAllToLeft: return differences && !doc.IsSideReadOnly(0);
        case Command::CopyToRight:
        case Command::CopyToRightAndAdvance:
        case Command::InsertToRight:
        case Command::CopyAllToRight: return differences && !doc.IsSideReadOnly(1);
        case Command::FirstDifference:
        case Command::PreviousDifference:
        case Command::NextDifference:
        case Command::LastDifference:
        case Command::NextLineDifference:
        case Command::PreviousLineDifference:
        case Command::SelectLineDifference: return differences;
        case Command::GoToMovedBlock: {
            int otherSide = 0, otherRow = 0;
            return doc.MoveCounterpart(side, m_pane[side]->Caret().y, otherSide, otherRow);
        }
        // The commands of the hex views.
        case Command::SaveAs:
        case Command::Reload:
        case Command::SelectAll:
        case Command::GoToLine:
        case Command::Recompare:
        case Command::AutoRecompare:
        case Command::QuickMergeMode:
        case Command::WordLevel:
        case Command::CharacterLevel:
        case Command::WordWrap:
        case Command::ShowWhiteSpace:
        case Command::SwapSides:
        case Command::Report:
        case Command::GenerateCommandLine:
        case Command::Find:
        case Command::FindNext:
        case Command::FindPrevious:
        case Command::ExportHtml:
        case Command::PreviewHtml: return true;
        case Command::ReopenWithEncoding: return !doc.Request().sides[side].path.empty();
        // Only what this view acts on: the folder and hex views' commands are not.
        default: return false;
    }
}

bool CTextCompareView::IsChecked(Command command) const {
    switch (command) {
        case Command::WordWrap: return GetSyntaxEditor().wordWrap != 0;
        case Command::ShowWhiteSpace: return GetSyntaxEditor().showWhiteSpace != 0;
        case Command::QuickMergeMode: return AppComponents().Text().mergeMode != 0;
        case Command::AutoRecompare: return m_doc.IsAutoRecompare();
        case Command::WordLevel: return AppComponents().Text().detailLevel == 0;
        case Command::CharacterLevel: return AppComponents().Text().detailLevel != 0;
        default: return false;
    }
}

QString CTextCompareView::UndoText() const {
    const std::string name = m_doc.UndoName();
    return QStringLiteral("&Undo") + (name.empty() ? QString() : QLatin1Char(' ') + FromPath(name)) +
           QStringLiteral("\tCtrl+Z");
}

QString CTextCompareView::RedoText() const {
    const std::string name = m_doc.RedoName();
    return QStringLiteral("&Redo") + (name.empty() ? QString() : QLatin1Char(' ') + FromPath(name)) +
           QStringLiteral("\tCtrl+Y");
}

FINDTARGET CTextCompareView::FindTarget() {
    CSyntaxEditContext& context = m_pane[m_activeSide]->Context();
    // The search state belongs to the text shown: a new one after the sides were swapped.
    if (m_findContext[m_activeSide] != &context || !m_finder[m_activeSide]) {
        m_finder[m_activeSide] = std::make_unique<CFindReplace>(context, &GetSyntaxEditor().findHistory);
        m_findContext[m_activeSide] = &context;
    }
    m_findSide = m_activeSide;
    FINDTARGET target;
    target.pane = m_pane[m_activeSide];
    target.finder = m_finder[m_activeSide].get();
    target.other = m_pane[1 - m_activeSide];
    target.editing = this;
    target.centre = [this](int row) { Centre(row); };
    return target;
}

void CTextCompareView::Execute(Command command) {
    CTextPane& pane = *m_pane[m_activeSide];
    switch (command) {
        case Command::Save: SaveSide(m_activeSide, false); break;
        case Command::SaveAs: SaveSide(m_activeSide, true); break;
        case Command::SaveLeft: SaveSide(0, false); break;
        case Command::SaveRight: SaveSide(1, false); break;
        case Command::Reload:
            if (ReloadAsked()) {
                m_doc.Reload();
                Refresh();
            }
            break;
        case Command::Undo:
        case Command::Redo:
            if (command == Command::Undo ? m_doc.Undo() : m_doc.Redo()) {
                Refresh();
                ShowEditCaret();
            } else {
                Refresh();
                QApplication::beep();
            }
            break;
        case Command::AutoRecompare:
            m_doc.SetAutoRecompare(!m_doc.IsAutoRecompare());
            Refresh();
            break;
        case Command::ReopenWithEncoding: ReopenWithEncoding(m_activeSide); break;
        case Command::Cut: pane.CutSelection(); break;
        case Command::Copy: pane.CopySelection(); break;
        case Command::Paste: pane.Paste(); break;
        case Command::SelectAll: pane.SelectAll(); break;
        case Command::GoToLine: GoToLine(); break;
        case Command::Recompare:
            m_doc.Recompare();
            Refresh();
            break;
        case Command::Report: CTextReportDialog::Run(this, m_doc); break;
        case Command::GenerateCommandLine: CCommandLineDialog::Run(this, m_doc.Request()); break;
        case Command::Find:
        case Command::Replace:
            CFindReplaceDialog::Run(this, FindTarget(), command == Command::Replace);
            break;
        case Command::FindNext:
        case Command::FindPrevious: FindAgain(this, FindTarget(), command == Command::FindPrevious); break;
        case Command::ExportHtml:
        case Command::PreviewHtml: {
            const std::unique_ptr<CSyntaxEditContext> text = RealText(m_activeSide);
            const std::string& name = m_doc.Request().sides[m_activeSide].path;
            if (command == Command::ExportHtml)
                ExportHtml(this, *text, name);
            else
                PreviewHtml(this, *text, name);
            break;
        }
        default:
            if (!ExecuteMerge(command, pane)) ExecuteDisplay(command);
            break;
    }
    emit stateChanged();
}

// Go To Line: the caret to the start of the real line asked for.
void CTextCompareView::GoToLine() {
    CTextPane& pane = *m_pane[m_activeSide];
    CTextCompareObject& side = m_doc.GetSide(m_activeSide);
    const int current = side.RowToRealLine(pane.Caret().y) + 1;
    const int line = CGoToLineDialog::Ask(this, current, std::max(1, side.GetRealLineCount()));
    if (line > 0) {
        const int row = side.RealLineToRow(line - 1);
        pane.SetCaret({0, row});
        Centre(row);
        pane.setFocus();
    }
}

// The commands of the Merge menu: copies across, the differences and moves.
// False for a command that is none of them.
bool CTextCompareView::ExecuteMerge(Command command, CTextPane& pane) {
    switch (command) {
        case Command::CopyToLeft: Merge(false, AppComponents().Text().mergeMode != 0); break;
        case Command::CopyToRight: Merge(true, AppComponents().Text().mergeMode != 0); break;
        case Command::CopyToLeftAndAdvance: Merge(false, true); break;
        case Command::CopyToRightAndAdvance: Merge(true, true); break;
        case Command::InsertToLeft:
        case Command::InsertToRight:
            if (m_doc.GetCurrentSection() >= 0) {
                m_doc.InsertSection(m_doc.GetCurrentSection(), command == Command::InsertToRight);
                Refresh();
            }
            break;
        case Command::CopyAllToLeft:
        case Command::CopyAllToRight:
            m_doc.CopyAll(command == Command::CopyAllToRight);
            Refresh();
            break;
        case Command::FirstDifference: AfterNavigation(m_doc.FirstDifference()); break;
        case Command::PreviousDifference: AfterNavigation(m_doc.PreviousDifference()); break;
        case Command::NextDifference: AfterNavigation(m_doc.NextDifference()); break;
        case Command::LastDifference: AfterNavigation(m_doc.LastDifference()); break;
        case Command::NextLineDifference:
            m_doc.SetCursor(pane.Caret().y, pane.Caret().x);
            if (m_doc.NextLineDifference()) ShowLineDifference();
            break;
        case Command::PreviousLineDifference:
            m_doc.SetCursor(pane.Caret().y, pane.Caret().x);
            if (m_doc.PreviousLineDifference()) ShowLineDifference();
            break;
        case Command::SelectLineDifference: {
            // The in-line difference at or after the caret on its row.
            const CPoint caret = pane.Caret();
            m_doc.SetCursor(caret.y, 0);
            for (const STRINGDIFFERENCE& d : m_doc.LineDifferences(caret.y)) {
                const int end = m_activeSide == 0 ? d.leftEnd : d.rightEnd;
                if (end + 1 < caret.x) continue;
                for (int side = 0; side < 2; ++side)
                    m_pane[side]->Select({side == 0 ? d.leftStart : d.rightStart, caret.y},
                                         {(side == 0 ? d.leftEnd : d.rightEnd) + 1, caret.y});
                break;
            }
            break;
        }
        case Command::GoToMovedBlock:
            if (!FollowMove(m_activeSide, pane.Caret().y)) QApplication::beep();
            break;
        default: return false;
    }
    return true;
}

// What the view shows: the merge mode, the level of detail, wrapping, white
// space and the order of the sides.
void CTextCompareView::ExecuteDisplay(Command command) {
    switch (command) {
        case Command::QuickMergeMode:
            AppComponents().Text().mergeMode = AppComponents().Text().mergeMode ? 0 : 1;
            break;
        case Command::WordLevel:
        case Command::CharacterLevel:
            AppComponents().Text().detailLevel = command == Command::CharacterLevel ? 1 : 0;
            Refresh();
            break;
        case Command::WordWrap:
            GetSyntaxEditor().wordWrap = GetSyntaxEditor().wordWrap != 0 ? 0 : 1;
            ReadOptions();
            break;
        case Command::ShowWhiteSpace:
            GetSyntaxEditor().showWhiteSpace = GetSyntaxEditor().showWhiteSpace != 0 ? 0 : 1;
            ReadOptions();
            break;
        case Command::SwapSides:
            m_doc.SwapSides();
            for (int side = 0; side < 2; ++side) m_pane[side]->SetContext(m_doc.GetSide(side));
            Refresh();
            break;
        default: break;
    }
}

void CTextCompareView::Merge(bool toRight, bool advance) {
    if (m_doc.GetCurrentSection() < 0) {
        const CPoint caret = m_pane[m_activeSide]->Caret();
        m_doc.SetCursor(caret.y, caret.x);
    }
    if (m_doc.GetCurrentSection() < 0) {
        QApplication::beep();
        return;
    }
    const int result =
        advance ? m_doc.CopyAndAdvance(toRight) : m_doc.CopySection(m_doc.GetCurrentSection(), toRight);
    Refresh();
    if (result == CTextCompareDoc::MERGE_DONE && advance) AfterNavigation(m_doc.GetCurrentSection() >= 0);
}

void CTextCompareView::AfterNavigation(bool found) {
    if (!found) {
        QApplication::beep();
        return;
    }
    CTextSection section;
    if (!m_doc.Sections().GetSection(m_doc.GetCurrentSection(), section)) return;
    for (int side = 0; side < 2; ++side) {
        const QSignalBlocker block(m_pane[side]);
        m_pane[side]->SetCaret({0, side == 0 ? section.leftFirstRow : section.rightFirstRow});
    }
    EnsureVisible(section.leftFirstRow, section.leftLastRow);
    for (CTextPane* pane : m_pane) pane->update();
    m_map->update();
    emit stateChanged();
}

bool CTextCompareView::Replace(CTextPane& pane, CPoint from, CPoint to, const std::string& text, int action,
                               CPoint& caret) {
    const int side = &pane == m_pane[0] ? 0 : 1;
    return m_doc.ReplaceText(side, from, to, text, action, caret);
}

void CTextCompareView::ShowEditCaret() {
    int side = 0;
    CPoint caret;
    if (!m_doc.GetEditCaret(side, caret)) return;
    m_pane[side]->SetCaret(caret);
    EnsureVisible(caret.y);
}

std::unique_ptr<CSyntaxEditContext> CTextCompareView::RealText(int side) {
    CTextCompareObject& object = m_doc.GetSide(side);
    std::string text;
    for (int row = 0; row < object.GetLineCount(); ++row) {
        if (object.IsGhostRow(row)) continue;
        const CSyntaxTextLine& line = object.GetLine(row);
        text += line.Characters();
        text += line.Ending();
    }
    auto context = std::make_unique<CSyntaxEditContext>();
    context->ResetToNew(object.GetLineEndingStyle());
    int endLine = 0, endChar = 0;
    (void)context->InsertTextAt(nullptr, 0, 0, text, endLine, endChar, 0, false);
    context->SetSyntaxDefinition(object.GetSyntaxDefinition());
    return context;
}

CPoint CTextCompareView::ToText(CPoint row) { return m_doc.GetSide(m_findSide).RowToReal(row); }

void CTextCompareView::Begin(const std::string& name) { m_doc.BeginBulkStep(name); }

void CTextCompareView::End() {
    m_doc.EndBulkStep();
    Refresh();
}

CPoint CTextCompareView::ToRow(CPoint text) {
    return {text.x, m_doc.GetSide(m_findSide).RealLineToRow(text.y)};
}

bool CTextCompareView::FollowMove(int side, int row) {
    int otherSide = 0, otherRow = 0;
    if (!m_doc.MoveCounterpart(side, row, otherSide, otherRow)) return false;
    CTextPane& other = *m_pane[otherSide];
    m_activeSide = otherSide;
    other.setFocus(Qt::OtherFocusReason);
    other.SetCaret({0, otherRow});
    EnsureVisible(otherRow);
    for (CTextPane* pane : m_pane) pane->update();
    emit stateChanged();
    return true;
}

void CTextCompareView::ShowLineDifference() {
    const STRINGDIFFERENCE& d = m_doc.GetLineDifference();
    const int row = m_doc.GetCursorRow();
    for (int side = 0; side < 2; ++side) {
        const QSignalBlocker block(m_pane[side]);
        m_pane[side]->Select({side == 0 ? d.leftStart : d.rightStart, row},
                             {(side == 0 ? d.leftEnd : d.rightEnd) + 1, row});
    }
    EnsureVisible(row);
    emit stateChanged();
}

bool CTextCompareView::SaveSide(int side, bool choosePath) {
    CTextCompareObject& buffer = m_doc.GetSide(side);
    std::string path = m_doc.Request().sides[side].path;
    // An entry of an archive has no file to write back to.
    if (choosePath || path.empty() || CArchive::IsInsideArchive(path)) {
        SAVEASCHOICE choice;
        if (!CSaveAsDialog::Ask(
                this, side == 0 ? QStringLiteral("Save Left File As") : QStringLiteral("Save Right File As"),
                path, buffer.GetEncodingKind(), buffer.GetCodePage(), choice))
            return false;
        if (choice.encodingKind != 0) buffer.ChangeEncoding(choice.encodingKind, choice.codePage);
        if (choice.style != 0) buffer.ChangeLineEndingStyle(choice.style);
        path = choice.path;
    }
    const bool saved = m_doc.SaveSide(side, path);
    if (saved) {
        m_watches.Watch(path);
        emit stateChanged();
    }
    return saved;
}

bool CTextCompareView::ReloadAsked() {
    const std::string question = m_doc.ReloadQuestion();
    return question.empty() || m_messages.AskYesNo(question) == platform::ANSWER_YES;
}

void CTextCompareView::OnFileChanged(const std::string& path) {
    // Sides without edits were loaded again; each with edits is asked about.
    for (const int side : m_doc.FileChangedOnDisk(path)) {
        Refresh();
        if (m_messages.AskYesNo(m_doc.ChangedOnDiskQuestion(side)) == platform::ANSWER_YES)
            m_doc.ReloadSide(side);
    }
    Refresh();
}

bool CTextCompareView::CanClose() {
    for (int side = 0; side < 2; ++side) {
        if (!m_doc.GetSide(side).IsModified()) continue;
        const std::string& path = m_doc.Request().sides[side].path;
        const int answer = AskSaveChanges(this, path.empty() ? m_doc.SideName(side) : path);
        if (answer == QMessageBox::Cancel) return false;
        if (answer == QMessageBox::Yes && !SaveSide(side, false)) return false;
    }
    return true;
}

}  // namespace corvatine::ui
