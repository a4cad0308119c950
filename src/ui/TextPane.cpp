#include "ui/TextPane.h"

#include <QApplication>
#include <QClipboard>
#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetricsF>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>

#include "editor/EditorOptions.h"
#include "editor/SyntaxEditor.h"
#include "fileio/CodePages.h"
#include "fileio/TextFormat.h"
#include "ui/ActiveColors.h"
#include "ui/OptionFonts.h"
#include "ui/UiText.h"

namespace corvatine::ui {

namespace {

constexpr int kMarginPadding = 6;
constexpr int kTextPadding = 4;
constexpr int kCaretWidth = 2;
constexpr int kBlinkMilliseconds = 530;
// How strongly the caret's line is tinted with the highlight colour.
constexpr int kCurrentLineAlpha = 28;
// Layouts kept beyond the rows in view, above and below.
constexpr int kCacheSlack = 32;
// A wrapping row is never narrower than this many spaces.
constexpr int kNarrowestWrap = 8;

bool IsWordByte(unsigned char c) { return c >= 0x80 || std::isalnum(c) || c == '_'; }

// What the white-space markers are drawn in: the text's colour, faint on the row.
QColor Faint(const QColor& text, const QColor& background) {
    constexpr double kShare = 0.35;
    return QColor::fromRgbF(static_cast<float>(text.redF() * kShare + background.redF() * (1 - kShare)),
                            static_cast<float>(text.greenF() * kShare + background.greenF() * (1 - kShare)),
                            static_cast<float>(text.blueF() * kShare + background.blueF() * (1 - kShare)));
}

}  // namespace

CTextPane::CTextPane(CSyntaxEditContext& context, const CPaneDecorations& decorations, QWidget* parent)
    : QWidget(parent), m_context(&context), m_decorations(decorations) {
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setCursor(Qt::IBeamCursor);
    ReadOptions();
    m_context->AddView(this);
    connect(&m_blink, &QTimer::timeout, this, [this] {
        m_caretOn = !m_caretOn;
        update(RowRect(m_caret.y));
    });
}

CTextPane::~CTextPane() { m_context->RemoveView(this); }

void CTextPane::SetContext(CSyntaxEditContext& context) {
    m_context->RemoveView(this);
    m_context = &context;
    m_context->AddView(this);
    m_marks.clear();
    m_widestStale = true;
    Refresh();
}

// ---- Layouts ----

int CTextPane::Rows() const { return std::min(m_decorations.RowCount(), m_context->GetLineCount()); }

void CTextPane::FollowWidth() const {
    // A long row is laid out as far down as the pane shows.
    m_style.lineHorizon = VisibleLines() + 2;
    const qreal wrap = m_wordWrap ? std::max<qreal>(TextWidth(), kNarrowestWrap * m_spaceAdvance) : 0;
    if (wrap == m_style.wrapWidth) return;
    m_style.wrapWidth = wrap;
    m_rows.clear();
    m_noRow.reset();
}

const CTextRowLayout& CTextPane::RowLayout(int row) const {
    FollowWidth();
    if (row < 0 || row >= m_context->GetLineCount()) {
        if (!m_noRow) m_noRow = std::make_unique<CTextRowLayout>("", std::vector<ROWCOLOR>{}, m_style);
        return *m_noRow;
    }
    const bool coloured = m_decorations.SyntaxColours() && m_context->GetSyntaxDefinition() != nullptr;
    const int state = coloured ? m_context->GetParseState(row - 1) : 0;
    const COLORSCHEME& scheme = ActiveColors();
    const uint64_t revision = ActiveColorsRevision();
    const std::string_view text = m_context->GetLine(row).Characters();
    // A row kept is checked against the text it was laid out from: an edit
    // told or not, a recompare that moved the rows, all come out here.
    const auto it = m_rows.find(row);
    if (it != m_rows.end() && it->second.coloured == coloured && it->second.parseState == state &&
        it->second.colors == revision && it->second.layout->Source() == text)
        return *it->second.layout;
    // The syntax colours as runs of bytes; the editor's text colour is the default.
    const int length = static_cast<int>(text.size());
    std::vector<ROWCOLOR> colors;
    if (coloured) {
        std::vector<COLORBLOCK> blocks;
        m_context->ParseLine(state, row, &blocks);
        for (size_t i = 0; i < blocks.size(); ++i) {
            const int color = blocks[i].color;
            if (color <= 0 || color >= COLORINDEX_COUNT) continue;
            const int from = std::clamp(blocks[i].position, 0, length);
            const int to = i + 1 < blocks.size() ? std::clamp(blocks[i + 1].position, 0, length) : length;
            if (to > from)
                colors.push_back(
                    {from, to, SchemeColor(scheme.editor[color].color), scheme.editor[color].bold != 0});
        }
    }
    NoteLength(row);
    auto layout = std::make_unique<CTextRowLayout>(text, colors, m_style);
    if (it != m_rows.end()) {
        // What the row shares with its text before keeps its pieces: typing
        // at the end of a long line lays out only its last piece again.
        const std::string& before = it->second.layout->Source();
        const size_t shared = std::min(before.size(), text.size());
        const size_t same = static_cast<size_t>(
            std::mismatch(before.begin(), before.begin() + static_cast<std::ptrdiff_t>(shared), text.begin())
                .first -
            before.begin());
        layout->AdoptFrom(*it->second.layout, static_cast<int>(same));
    }
    CACHEDROW& entry = m_rows[row];
    entry.layout = std::move(layout);
    entry.coloured = coloured;
    entry.parseState = state;
    entry.colors = revision;
    return *entry.layout;
}

void CTextPane::Prune(int lastRow) const {
    const int shown = std::max(1, lastRow - m_firstRow + 1);
    const int keep = std::max(kCacheSlack, shown);
    if (static_cast<int>(m_rows.size()) <= shown + 2 * keep) return;
    for (auto it = m_rows.begin(); it != m_rows.end();) {
        const int row = it->first;
        if ((row < m_firstRow - keep || row > lastRow + keep) && row != m_caret.y)
            it = m_rows.erase(it);
        else
            ++it;
    }
}

void CTextPane::NoteLength(int row) const {
    if (!m_widestStale && row >= 0 && row < m_context->GetLineCount())
        m_widest = std::max(m_widest, m_context->GetLine(row).Length());
}

int CTextPane::WidestLength() const {
    if (m_widestStale) {
        // Once for a new text; edits, and the rows laid out, keep it since.
        m_widest = 0;
        const int rows = Rows();
        for (int row = 0; row < rows; ++row) m_widest = std::max(m_widest, m_context->GetLine(row).Length());
        m_widestStale = false;
    }
    return m_widest;
}

void CTextPane::Invalidate(const CPositionAdjuster* adjuster, uint32_t hints, int line) {
    // A row's layout is checked against its text when used: what an edit
    // changes here is which row a layout belongs to, for lines inserted or
    // removed; a changed row keeps its layout to take over what is unchanged.
    // A reset (a recompare) keeps the longest row's length: every edit before
    // it was told row by row, and a row laid out tells its own; the rows are
    // never all read again for it.
    if ((hints & UPDATE_RESET) || line < 0 || !(hints & UPDATE_LINES)) {
        if (!(hints & UPDATE_LINES) && (hints & UPDATE_CHARACTERS) && line >= 0) NoteLength(line);
        return;
    }
    const auto* inserted = dynamic_cast<const CInsertContext*>(adjuster);
    const auto* deleted = dynamic_cast<const CDeleteContext*>(adjuster);
    if (inserted == nullptr && deleted == nullptr) return;
    const CPoint start = adjuster->Start(), end = adjuster->End();
    const int lastChanged = inserted != nullptr ? start.y : end.y;
    const int shift = inserted != nullptr ? end.y - start.y : start.y - end.y;
    std::unordered_map<int, CACHEDROW> moved;
    for (auto& [row, entry] : m_rows) {
        if (row <= start.y)
            moved.emplace(row, std::move(entry));
        else if (row > lastChanged)
            moved.emplace(row + shift, std::move(entry));
    }
    m_rows.swap(moved);
    for (int row = start.y; row <= (inserted != nullptr ? end.y : start.y); ++row) NoteLength(row);
}

// ---- Geometry ----

int CTextPane::MarginWidth() const {
    const int digits = static_cast<int>(std::to_string(std::max(1, m_decorations.MaxLineNumber())).size());
    return static_cast<int>(std::ceil(std::max(digits, 3) * m_digitAdvance)) + 2 * kMarginPadding +
           (m_decorations.HasMoves() ? MoveLinkWidth() : 0);
}

int CTextPane::MoveLinkWidth() const { return std::max(8, m_lineHeight * 3 / 4); }

int CTextPane::TextWidth() const { return std::max(1, width() - MarginWidth() - kTextPadding - kCaretWidth); }

int CTextPane::ScrollStep() const { return std::max(1, static_cast<int>(std::ceil(m_spaceAdvance))); }

int CTextPane::ContentWidth() const {
    m_toldWidth = Widest();
    return m_toldWidth;
}

int CTextPane::Widest() const {
    if (m_wordWrap) return TextWidth();
    // The longest row in spaces is an upper bound for the usual text; rows
    // laid out (those in view) say their own width, and the caret and the
    // part shown now are always within reach.
    qreal widest = WidestLength() * m_style.estimateAdvance;
    for (const auto& [row, entry] : m_rows) widest = std::max(widest, entry.layout->Width());
    if (m_caret.y >= 0 && m_caret.y < Rows()) widest = std::max(widest, RowLayout(m_caret.y).XOf(m_caret.x));
    widest = std::max<qreal>(widest, m_scrollX + TextWidth() - kCaretWidth);
    return static_cast<int>(std::ceil(widest)) + kCaretWidth;
}

int CTextPane::OwnLineCount(int row) const {
    if (!m_wordWrap || row < 0 || row >= Rows() || m_decorations.IsGhost(row)) return 1;
    return RowLayout(row).LineCount();
}

int CTextPane::RowLineCount(int row) const {
    if (!m_wordWrap) return 1;
    return std::max(1, m_decorations.RowLines(row, OwnLineCount(row)));
}

int CTextPane::FirstLineShown() const {
    if (!m_wordWrap || m_firstLine == 0) return 0;
    return std::clamp(m_firstLine, 0, RowLineCount(m_firstRow) - 1);
}

int CTextPane::RowTop(int row) const {
    if (!m_wordWrap) return (row - m_firstRow) * m_lineHeight;
    int y = -FirstLineShown() * m_lineHeight;
    if (row < m_firstRow) return y - (m_firstRow - row) * m_lineHeight;
    for (int r = m_firstRow; r < row; ++r) {
        if (y >= height()) return y + (row - r) * m_lineHeight;
        y += RowLineCount(r) * m_lineHeight;
    }
    return y;
}

int CTextPane::RowAt(int y) const {
    if (!m_wordWrap) return m_firstRow + y / m_lineHeight;
    int top = -FirstLineShown() * m_lineHeight;
    if (y < top) return m_firstRow + (y - top) / m_lineHeight;
    for (int row = m_firstRow;; ++row) {
        if (top >= height()) return row + (y - top) / m_lineHeight;
        const int bottom = top + RowLineCount(row) * m_lineHeight;
        if (y < bottom) return row;
        top = bottom;
    }
}

QRect CTextPane::RowRect(int row) const {
    const int top = RowTop(row);
    const int lines = row >= m_firstRow && top < height() ? RowLineCount(row) : 1;
    return QRect(0, top, width(), lines * m_lineHeight);
}

QRect CTextPane::RowsRect(int first, int last) const {
    if (last < first) std::swap(first, last);
    const QRect top = RowRect(first), bottom = RowRect(last);
    return QRect(QPoint(0, top.top()), QPoint(width() - 1, bottom.bottom()));
}

int CTextPane::VisibleLines() const { return std::max(1, height() / m_lineHeight); }

int CTextPane::VisibleRows() const {
    if (!m_wordWrap) return VisibleLines();
    int rows = 0;
    for (int row = m_firstRow, bottom = RowTop(m_firstRow);; ++row, ++rows) {
        bottom += RowLineCount(row) * m_lineHeight;
        if (bottom > height()) break;
    }
    return std::max(1, rows);
}

int CTextPane::RowsFittingFrom(int row) const {
    if (!m_wordWrap) return VisibleLines();
    int rows = 0;
    for (int lines = 0; row + rows < Rows(); ++rows) {
        lines += RowLineCount(row + rows);
        if (lines > VisibleLines()) break;
    }
    return std::max(1, rows);
}

bool CTextPane::RowInView(int row) const {
    if (!m_wordWrap) return row >= m_firstRow && row < m_firstRow + VisibleRows();
    const QRect rect = RowRect(row);
    return row >= m_firstRow && rect.top() >= 0 && rect.bottom() < height();
}

int CTextPane::LastFirstRow() const {
    // Wrapping, the last row may stand at the top: rows below are not laid
    // out to find how many fit.
    const int rows = Rows();
    return m_wordWrap ? std::max(0, rows - 1) : std::max(0, rows - VisibleRows());
}

std::pair<int, int> CTextPane::ScrollToShow(int row, int line) const {
    const int lines = VisibleLines();
    if (!m_wordWrap) {
        if (row < m_firstRow) return {row, 0};
        if (row >= m_firstRow + lines) return {row - lines + 1, 0};
        return {m_firstRow, 0};
    }
    const int first = FirstLineShown();
    // Above: the line goes to the top (the row's start when that shows it).
    if (row < m_firstRow || (row == m_firstRow && line < first)) return {row, line < lines ? 0 : line};
    // The lines from the first shown to the one asked for.
    int distance = -first;
    for (int r = m_firstRow; r < row && distance < lines; ++r) distance += RowLineCount(r);
    if (distance + line < lines) return {m_firstRow, first};
    // Below: the line becomes the last shown.
    int above = lines - 1;
    if (line >= above) return {row, line - above};
    above -= line;
    for (int r = row - 1; r >= 0; --r) {
        const int band = RowLineCount(r);
        if (band >= above) return {r, band - above};
        above -= band;
    }
    return {0, 0};
}

std::pair<int, int> CTextPane::ScrollToShow(CPoint position) const {
    const int line =
        m_wordWrap && position.y >= 0 && position.y < Rows() && !m_decorations.IsGhost(position.y)
            ? RowLayout(position.y).LineOf(position.x)
            : 0;
    return ScrollToShow(position.y, line);
}

int CTextPane::ScrollXToShow(CPoint position) const {
    if (m_wordWrap) return 0;
    const int x = static_cast<int>(std::lround(RowLayout(position.y).XOf(position.x)));
    const int width = TextWidth();
    // Out of view, the caret comes back a quarter of the width in.
    if (x < m_scrollX) return std::max(0, x - width / 4);
    if (x + kCaretWidth > m_scrollX + width) return x + kCaretWidth - width + width / 4;
    return m_scrollX;
}

QPoint CTextPane::PointOf(CPoint position) const {
    const CTextRowLayout& layout = RowLayout(position.y);
    const qreal x = MarginWidth() + kTextPadding - m_scrollX + layout.XOf(position.x);
    const int line = m_wordWrap ? layout.LineOf(position.x) : 0;
    return QPoint(static_cast<int>(std::lround(x)),
                  RowTop(position.y) + line * m_lineHeight + m_lineHeight / 2);
}

CPoint CTextPane::PositionAt(QPoint point) const {
    const int rows = Rows();
    const int row = std::clamp(RowAt(point.y()), 0, std::max(0, rows - 1));
    const CTextRowLayout& layout = RowLayout(row);
    int line = 0;
    if (m_wordWrap)
        line = std::clamp((point.y() - RowTop(row)) / m_lineHeight, 0, std::max(0, OwnLineCount(row) - 1));
    return {layout.ByteAt(line, point.x() - MarginWidth() - kTextPadding + m_scrollX), row};
}

// ---- Scrolling ----

void CTextPane::SetFirstRow(int row, int line) {
    row = std::max(0, row);
    line = m_wordWrap ? std::max(0, line) : 0;
    if (row == m_firstRow && line == m_firstLine) return;
    const int delta = m_firstRow - row;
    const bool shift = !m_wordWrap && std::abs(delta) < VisibleRows();
    m_firstRow = row;
    m_firstLine = line;
    // A move shorter than the pane shifts the pixels and repaints the strip.
    if (shift)
        scroll(0, delta * m_lineHeight);
    else
        update();
}

void CTextPane::SetScrollX(int x) {
    x = m_wordWrap ? 0 : std::max(0, x);
    if (x == m_scrollX) return;
    m_scrollX = x;
    update();
}

void CTextPane::SetWordWrap(bool on) {
    if (on == m_wordWrap) return;
    m_wordWrap = on;
    m_firstLine = 0;
    m_scrollX = 0;
    m_desiredX = -1;
    FollowWidth();
    update();
}

void CTextPane::SetShowWhiteSpace(bool on) {
    if (on == m_showWhiteSpace) return;
    m_showWhiteSpace = on;
    update();
}

// ---- Painting ----

void CTextPane::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    painter.setFont(m_font);
    const QRect area = event->rect();
    // The rows in the area, and one beside it each way: glyphs may reach a
    // little past their row (an underscore under the last pixel row).
    std::vector<ROWPAINT> rows;
    int row = m_firstRow;
    if (RowTop(row) > area.top() - m_lineHeight && row > 0) --row;
    for (int top = RowTop(row); top <= area.bottom() + m_lineHeight; ++row) {
        const int lines = RowLineCount(row);
        const int bottom = top + lines * m_lineHeight;
        if (bottom > area.top() - m_lineHeight) rows.push_back(PrepareRow(row, top, lines, area));
        top = bottom;
    }
    // Every background first, then the text from the bottom up: no row's
    // background covers what the row above drew past its edge.
    for (const ROWPAINT& paint : rows) PaintBackground(painter, paint, area);
    for (auto it = rows.rbegin(); it != rows.rend(); ++it) PaintText(painter, *it, area);
    Prune(row);
    // Rows wider than the view knew of came into it: its scroll range grows.
    if (!m_wordWrap && Widest() > m_toldWidth)
        QMetaObject::invokeMethod(this, &CTextPane::contentWidthChanged, Qt::QueuedConnection);
}

CTextPane::ROWPAINT CTextPane::PrepareRow(int row, int top, int lines, const QRect& area) const {
    ROWPAINT paint;
    paint.row = row;
    paint.top = top;
    paint.band = lines * m_lineHeight;
    paint.exists = row >= 0 && row < Rows();
    paint.ghost = paint.exists && m_decorations.IsGhost(row);
    paint.background =
        SchemeColor(ActiveColors().RowBackground(paint.exists ? m_decorations.RowColor(row) : TCC_NONE));
    if (!paint.exists || paint.ghost) return paint;
    const CTextRowLayout& layout = RowLayout(row);
    paint.layout = &layout;
    const int length = layout.Length();
    const int margin = MarginWidth();
    paint.origin = QPointF(margin + kTextPadding - m_scrollX, top);
    // The part of the row in view, in the row's coordinates, with a line
    // more each way for glyphs that reach past their row.
    paint.clip = QRectF(QPointF(m_scrollX - kTextPadding, std::max(0, area.top() - m_lineHeight - top)),
                        QPointF(m_scrollX - kTextPadding + width() - margin,
                                std::min(paint.band, area.bottom() + 1 + m_lineHeight - top)));

    // What covers which bytes: the selection over marks over in-line
    // differences, each a run of bytes.
    const std::vector<std::pair<int, int>> highlights = m_decorations.Highlights(row);
    const std::vector<std::pair<int, int>> marks = RowMarks(row, length);
    CPoint selStart = m_anchor, selEnd = m_caret;
    if (selEnd.y < selStart.y || (selEnd.y == selStart.y && selEnd.x < selStart.x))
        std::swap(selStart, selEnd);
    int selFrom = -1, selTo = -1;
    if (HasSelection() && row >= selStart.y && row <= selEnd.y) {
        selFrom = row == selStart.y ? selStart.x : 0;
        selTo = row == selEnd.y ? selEnd.x : length + 1;  // the ending is selected too
    }
    if (highlights.empty() && marks.empty() && selFrom < 0) return paint;
    std::vector<int> cuts = {0, length};
    for (const auto& [from, to] : highlights) {
        cuts.push_back(std::clamp(from, 0, length));
        cuts.push_back(std::clamp(to + 1, 0, length));
    }
    for (const auto& [from, to] : marks) {
        cuts.push_back(std::clamp(from, 0, length));
        cuts.push_back(std::clamp(to, 0, length));
    }
    if (selFrom >= 0) {
        cuts.push_back(std::clamp(selFrom, 0, length));
        cuts.push_back(std::clamp(selTo, 0, length));
    }
    std::sort(cuts.begin(), cuts.end());
    cuts.erase(std::unique(cuts.begin(), cuts.end()), cuts.end());
    for (size_t k = 0; k + 1 < cuts.size(); ++k) {
        const int from = cuts[k];
        COVER cover = COVER_PLAIN;
        if (selFrom >= 0 && from >= selFrom && from < selTo) {
            cover = COVER_SELECTION;
        } else if (std::any_of(marks.begin(), marks.end(),
                               [from](const auto& m) { return from >= m.first && from < m.second; })) {
            cover = COVER_MARK;
        } else if (std::any_of(highlights.begin(), highlights.end(),
                               [from](const auto& h) { return from >= h.first && from <= h.second; })) {
            cover = COVER_DIFFERENCE;
        }
        if (!paint.runs.empty() && paint.runs.back().cover == cover && paint.runs.back().to == from)
            paint.runs.back().to = cuts[k + 1];
        else
            paint.runs.push_back({from, cuts[k + 1], cover});
    }
    // A marked or selected line ending.
    if (selFrom >= 0 && selTo > length)
        paint.ending = COVER_SELECTION;
    else if (!marks.empty() && marks.back().second > length)
        paint.ending = COVER_MARK;
    return paint;
}

QColor CTextPane::CoverColor(const COLORSCHEME& colors, int cover) {
    return SchemeColor(cover == COVER_SELECTION ? colors.selection
                       : cover == COVER_MARK    ? colors.markBackground
                                                : colors.compare.Get(TCC_DIFFERENCE));
}

QColor CTextPane::CurrentLineColor() const {
    QColor color = palette().color(QPalette::Highlight);
    color.setAlpha(kCurrentLineAlpha);
    return color;
}

void CTextPane::PaintBackground(QPainter& painter, const ROWPAINT& paint, const QRect& area) {
    const int margin = MarginWidth();
    const int row = paint.row, top = paint.top, band = paint.band;
    const QRect rowArea(margin, top, width() - margin, band);
    const COLORSCHEME& colors = ActiveColors();
    // The margin with the line number.
    painter.fillRect(QRect(0, top, margin, band), SchemeColor(colors.margin));
    // The caret's line stands out in the pane that has the focus.
    const bool current = row == m_caret.y && hasFocus() && !HasSelection();
    const int number = paint.exists ? m_decorations.LineNumber(row) : -1;
    if (number >= 0) {
        painter.setPen(SchemeColor(current ? colors.Text() : colors.lineNumber));
        painter.drawText(QRect(0, top, margin - kMarginPadding, m_lineHeight),
                         Qt::AlignRight | Qt::AlignVCenter, QString::number(number));
    }
    if (paint.exists && m_decorations.MoveLink(row)) PaintMoveLink(painter, top);
    // The row's background: its comparison colour, a ghost row shaded.
    painter.fillRect(rowArea, paint.background);
    if (paint.ghost) painter.fillRect(rowArea, QBrush(SchemeColor(colors.ghostHatch), Qt::BDiagPattern));
    if (current) painter.fillRect(rowArea, CurrentLineColor());
    if (!paint.exists || paint.ghost) return;
    // The current difference: a bar beside the text and lines above and
    // below, under the glyphs (an underscore stays seen).
    const auto [currentFirst, currentLast] = m_decorations.CurrentRows();
    if (currentFirst >= 0 && row >= currentFirst && row <= currentLast) {
        const QColor mark = SchemeColor(colors.currentMark);
        painter.fillRect(QRect(margin, top, 3, band), mark);
        if (row == currentFirst) painter.fillRect(QRect(margin, top, width() - margin, 1), mark);
        if (row == currentLast) painter.fillRect(QRect(margin, top + band - 1, width() - margin, 1), mark);
    }
    if (paint.runs.empty() && paint.ending == COVER_PLAIN) return;
    // The boxes of in-line differences, the marks and the selection.
    const CTextRowLayout& layout = *paint.layout;
    painter.save();
    painter.setClipRect(rowArea.intersected(area));
    for (const ROWRUN& run : paint.runs) {
        if (run.cover == COVER_PLAIN) continue;
        for (const QRectF& rect : layout.RangeRects(run.from, run.to, paint.clip))
            painter.fillRect(rect.translated(paint.origin), CoverColor(colors, run.cover));
    }
    // A marked or selected line ending is one space wide after the text.
    const int length = layout.Length();
    if (paint.ending != COVER_PLAIN && layout.EndsBefore(paint.clip.right())) {
        const QRectF ending(layout.XOf(length), layout.LineOf(length) * m_lineHeight, m_spaceAdvance,
                            m_lineHeight);
        painter.fillRect(ending.translated(paint.origin), CoverColor(colors, paint.ending));
    }
    painter.restore();
}

void CTextPane::PaintText(QPainter& painter, const ROWPAINT& paint, const QRect& area) {
    if (!paint.exists) return;
    const COLORSCHEME& colors = ActiveColors();
    const QColor normal = SchemeColor(colors.Text());
    const int margin = MarginWidth();
    if (paint.ghost) {
        // Typing here makes the row a line: the caret shows where it starts.
        if (paint.row == m_caret.y && hasFocus() && m_caretOn)
            painter.fillRect(QRect(margin + kTextPadding - m_scrollX - kCaretWidth / 2, paint.top,
                                   kCaretWidth, m_lineHeight),
                             normal);
        return;
    }
    const CTextRowLayout& layout = *paint.layout;
    // The text over the text area; the selection, the marks and the in-line
    // differences in their own colours (their backgrounds again under them,
    // so that no glyph is drawn twice).
    painter.save();
    painter.setClipRect(QRect(margin, area.top(), width() - margin, area.height()));
    QList<QTextLayout::FormatRange> recoloured;
    for (const ROWRUN& run : paint.runs) {
        if (run.cover == COVER_PLAIN) continue;
        QTextCharFormat format;
        format.setBackground(CoverColor(colors, run.cover));
        format.setForeground(SchemeColor(run.cover == COVER_SELECTION ? colors.selectionText
                                         : run.cover == COVER_MARK
                                             ? colors.markText
                                             : colors.compare.Get(TCC_DIFFERENCE_TEXT)));
        const int from = layout.IndexOf(run.from);
        recoloured.append({from, layout.IndexOf(run.to) - from, format});
    }
    painter.setPen(normal);
    layout.Draw(painter, paint.origin, paint.clip, recoloured);
    if (m_showWhiteSpace)
        PaintWhiteSpace(painter, paint.row, layout, paint.origin, paint.clip, normal, paint.background);
    painter.restore();

    // The caret, on the boundary the layout gives.
    if (paint.row == m_caret.y && hasFocus() && m_caretOn) {
        const QPoint at = PointOf(m_caret);
        painter.fillRect(
            QRect(at.x() - kCaretWidth / 2, at.y() - m_lineHeight / 2, kCaretWidth, m_lineHeight), normal);
    }
}

void CTextPane::PaintWhiteSpace(QPainter& painter, int row, const CTextRowLayout& layout, QPointF origin,
                                const QRectF& clip, const QColor& textColor, const QColor& background) {
    const QColor faint = Faint(textColor, background);
    const CSyntaxTextLine& line = m_context->GetLine(row);
    const std::string_view text = line.Characters();
    const int length = static_cast<int>(text.size());
    // Only the bytes in view are looked at.
    int from = 0, to = length;
    if (!m_wordWrap) {
        from = layout.PreviousPosition(layout.ByteAt(0, clip.left()));
        to = layout.NextPosition(layout.ByteAt(0, clip.right()));
    } else {
        from = layout.LineBytes(static_cast<int>(clip.top()) / m_lineHeight).first;
        to = layout.LineBytes(static_cast<int>(clip.bottom()) / m_lineHeight).second;
    }
    int trailing = length;
    while (trailing > 0 && (text[static_cast<size_t>(trailing - 1)] == ' ' ||
                            text[static_cast<size_t>(trailing - 1)] == '\t'))
        --trailing;
    painter.setPen(QPen(faint, 1));
    painter.setBrush(faint);
    for (int byte = from; byte < to; ++byte) {
        const char c = text[static_cast<size_t>(byte)];
        if (c != '\t' && !(c == ' ' && byte >= trailing)) continue;
        const std::vector<QRectF> rects = layout.RangeRects(byte, byte + 1, clip);
        if (rects.empty()) continue;
        const QRectF cell = rects.front().translated(origin);
        const qreal middle = cell.top() + m_lineHeight / 2.0;
        if (c == ' ') {
            // A trailing blank: a dot in the middle of its cell.
            painter.fillRect(QRectF(cell.center().x() - 1, middle - 1, 2, 2), faint);
            continue;
        }
        // A tab: an arrow across its width.
        const qreal left = cell.left() + 2, right = cell.right() - 2;
        if (right - left < 3) continue;
        const qreal head = std::min<qreal>(3, (right - left) / 2);
        painter.drawLine(QPointF(left, middle), QPointF(right, middle));
        painter.drawLine(QPointF(right - head, middle - head), QPointF(right, middle));
        painter.drawLine(QPointF(right - head, middle + head), QPointF(right, middle));
    }
    // The line ending, named, after the text: CR LF, LF and CR told apart.
    const std::string_view ending = line.Ending();
    if (ending.empty() || !layout.EndsBefore(clip.right())) return;
    const QString name = ending == "\r\n" ? QStringLiteral("CRLF")
                         : ending == "\n" ? QStringLiteral("LF")
                                          : QStringLiteral("CR");
    QFont small = m_font;
    small.setPixelSize(std::max(6, QFontInfo(m_font).pixelSize() * 2 / 3));
    painter.setFont(small);
    const QRectF at(origin.x() + layout.XOf(length) + 2, origin.y() + layout.LineOf(length) * m_lineHeight,
                    QFontMetricsF(small).horizontalAdvance(name) + 4, m_lineHeight);
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(at.adjusted(0, 2, 0, -2));
    painter.drawText(at, Qt::AlignCenter, name);
    painter.setFont(m_font);
}

// ---- Caret and selection ----

CPoint CTextPane::Clamp(CPoint position) const {
    const int rows = std::max(1, Rows());
    position.y = std::clamp(position.y, 0, rows - 1);
    const int length = position.y < m_context->GetLineCount() ? m_context->GetLine(position.y).Length() : 0;
    position.x = std::clamp(position.x, 0, length);
    return position;
}

CPoint CTextPane::LineEnd(int row) const { return Clamp({1 << 30, row}); }

CPoint CTextPane::BufferEnd() const { return Clamp({1 << 30, 1 << 30}); }

CPoint CTextPane::StepLeft(CPoint position, bool cluster) const {
    if (position.x == 0) return position.y == 0 ? position : LineEnd(position.y - 1);
    const CTextRowLayout& layout = RowLayout(position.y);
    if (cluster) return {layout.PreviousPosition(position.x), position.y};
    const int start = layout.CharacterStart(position.x);
    return {start < position.x ? start : layout.ByteOf(layout.IndexOf(position.x) - 1), position.y};
}

CPoint CTextPane::StepRight(CPoint position, bool cluster) const {
    if (position.x >= LineEnd(position.y).x)
        return position == BufferEnd() ? position : CPoint{0, position.y + 1};
    const CTextRowLayout& layout = RowLayout(position.y);
    if (cluster) return {layout.NextPosition(position.x), position.y};
    const int index = layout.IndexOf(position.x);
    return {layout.ByteOf(index + (layout.Text().at(index).isHighSurrogate() ? 2 : 1)), position.y};
}

CPoint CTextPane::WordLeft(CPoint position) const {
    if (position.x == 0) return StepLeft(position, true);
    const std::string_view text = m_context->GetLine(position.y).Characters();
    int x = position.x;
    while (x > 0 && !IsWordByte(static_cast<unsigned char>(text[static_cast<size_t>(x - 1)]))) --x;
    while (x > 0 && IsWordByte(static_cast<unsigned char>(text[static_cast<size_t>(x - 1)]))) --x;
    return {x, position.y};
}

CPoint CTextPane::WordRight(CPoint position) const {
    const std::string_view text = m_context->GetLine(position.y).Characters();
    const int length = static_cast<int>(text.size());
    if (position.x >= length) return StepRight(position, true);
    int x = position.x;
    while (x < length && IsWordByte(static_cast<unsigned char>(text[static_cast<size_t>(x)]))) ++x;
    while (x < length && !IsWordByte(static_cast<unsigned char>(text[static_cast<size_t>(x)]))) ++x;
    return {x, position.y};
}

void CTextPane::SetCaret(CPoint caret, bool extendSelection) { MoveCaret(caret, extendSelection); }

void CTextPane::Select(CPoint anchor, CPoint caret) {
    m_anchor = Clamp(anchor);
    MoveCaret(caret, true);
}

void CTextPane::MoveCaret(CPoint to, bool extend, bool keepX) {
    const CPoint old = m_caret, oldAnchor = m_anchor;
    m_caret = Clamp(to);
    if (!extend) m_anchor = m_caret;
    if (!keepX) m_desiredX = -1;
    RestartBlink();
    // Repaint what the selection covered before and covers now.
    update(RowsRect(std::min({old.y, oldAnchor.y, m_caret.y, m_anchor.y}),
                    std::max({old.y, oldAnchor.y, m_caret.y, m_anchor.y})));
    emit caretMoved();
}

void CTextPane::SelectAll() { Select({0, 0}, BufferEnd()); }

std::string CTextPane::SelectedText() const {
    if (!HasSelection()) return std::string();
    CPoint start = m_anchor, end = m_caret;
    if (end.y < start.y || (end.y == start.y && end.x < start.x)) std::swap(start, end);
    std::string text;
    m_context->ExtractText(start.y, start.x, end.y, end.x, text, CSyntaxEditContext::kOwnEndings);
    return text;
}

void CTextPane::RestartBlink() {
    m_caretOn = true;
    if (hasFocus()) m_blink.start(kBlinkMilliseconds);
}

// ---- Editing ----

bool CTextPane::DeleteSelection(int action) {
    if (!HasSelection() || m_context->IsReadOnly()) return false;
    CPoint start = m_anchor, end = m_caret;
    if (end.y < start.y || (end.y == start.y && end.x < start.x)) std::swap(start, end);
    CPoint caret = start;
    const bool deleted = m_editing != nullptr
                             ? m_editing->Replace(*this, start, end, std::string(), action, caret)
                             : m_context->DeleteRange(this, start.y, start.x, end.y, end.x, action);
    if (!deleted) return false;
    MoveCaret(caret, false);
    emit edited();
    return true;
}

bool CTextPane::TypeText(const std::string& text, int action) {
    if (m_context->IsReadOnly()) return false;
    if (m_editing != nullptr) {
        CPoint start = m_anchor, end = m_caret;
        if (end.y < start.y || (end.y == start.y && end.x < start.x)) std::swap(start, end);
        CPoint caret;
        if (!m_editing->Replace(*this, start, end, text, action, caret)) return false;
        MoveCaret(caret, false);
        emit edited();
        return true;
    }
    // Characters typed one after another are one step for undo; a line
    // break ends the step.
    const bool merge = action == kActionTyping && !HasSelection() && m_caret == m_typedEnd &&
                       m_context->GetUndoPosition() == m_typedUndo &&
                       text.find_first_of("\r\n") == std::string::npos;
    m_context->OpenUndoGroup(merge);
    if (HasSelection()) DeleteSelection(action);
    CPoint caret;
    const bool typed = m_context->InsertTextAt(this, m_caret.y, m_caret.x, text, caret.y, caret.x, action);
    m_context->CloseUndoGroup(this);
    if (!typed) return false;
    MoveCaret(caret, false);
    m_typedEnd = m_caret;
    m_typedUndo = m_context->GetUndoPosition();
    emit edited();
    return true;
}

bool CTextPane::CopySelection() {
    if (!HasSelection()) return false;
    QApplication::clipboard()->setText(FromWorking(SelectedText()));
    return true;
}

bool CTextPane::CutSelection() {
    if (!HasSelection() || m_context->IsReadOnly()) return false;
    CopySelection();
    return DeleteSelection(kActionCut);
}

bool CTextPane::Paste() {
    const QString text = QApplication::clipboard()->text();
    if (text.isEmpty()) return false;
    // The buffer's own line ending for every line break of the clipboard.
    QString normal = text;
    normal.replace(QStringLiteral("\r\n"), QStringLiteral("\n"))
        .replace(QLatin1Char('\r'), QLatin1Char('\n'));
    const std::string ending(EndingForStyle(m_context->GetLineEndingStyle()));
    std::string converted;
    const QStringList pieces = normal.split(QLatin1Char('\n'));
    for (qsizetype i = 0; i < pieces.size(); ++i) {
        if (i > 0) converted += ending;
        converted += ToWorking(pieces[i]);
    }
    return TypeText(converted, kActionPaste);
}

// ---- Input ----

void CTextPane::keyPressEvent(QKeyEvent* event) {
    const bool shift = event->modifiers() & Qt::ShiftModifier;
    const bool control = event->modifiers() & Qt::ControlModifier;
    const bool alt = event->modifiers() & Qt::AltModifier;
    // Up and Down go by visual lines and keep to the x they started from.
    const auto vertical = [&](int steps) {
        const int rows = std::max(1, Rows());
        int row = std::clamp(m_caret.y, 0, rows - 1);
        int line = m_wordWrap ? RowLayout(row).LineOf(m_caret.x) : 0;
        if (m_desiredX < 0) m_desiredX = RowLayout(m_caret.y).XOf(m_caret.x);
        if (!m_wordWrap) {
            row = std::clamp(row + steps, 0, rows - 1);
        } else {
            for (int i = 0; i < std::abs(steps); ++i) {
                if (steps > 0 && line + 1 < OwnLineCount(row)) {
                    ++line;
                } else if (steps > 0 && row + 1 < rows) {
                    ++row;
                    line = 0;
                } else if (steps < 0 && line > 0) {
                    --line;
                } else if (steps < 0 && row > 0) {
                    --row;
                    line = OwnLineCount(row) - 1;
                }
            }
        }
        MoveCaret({RowLayout(row).ByteAt(line, m_desiredX), row}, shift, true);
    };
    if (alt) {
        event->ignore();  // the view's commands
        return;
    }
    switch (event->key()) {
        case Qt::Key_Left: MoveCaret(control ? WordLeft(m_caret) : StepLeft(m_caret, true), shift); return;
        case Qt::Key_Right: MoveCaret(control ? WordRight(m_caret) : StepRight(m_caret, true), shift); return;
        case Qt::Key_Up: vertical(-1); return;
        case Qt::Key_Down: vertical(1); return;
        case Qt::Key_PageUp: vertical(-VisibleLines()); return;
        case Qt::Key_PageDown: vertical(VisibleLines()); return;
        case Qt::Key_Home: MoveCaret(control ? CPoint{0, 0} : CPoint{0, m_caret.y}, shift); return;
        case Qt::Key_End: MoveCaret(control ? BufferEnd() : LineEnd(m_caret.y), shift); return;
        default: break;
    }
    if (event->matches(QKeySequence::SelectAll)) return SelectAll();
    if (event->matches(QKeySequence::Copy)) {
        CopySelection();
        return;
    }
    if (event->matches(QKeySequence::Cut)) {
        if (!CutSelection()) QApplication::beep();
        return;
    }
    if (event->matches(QKeySequence::Paste)) {
        if (!Paste()) QApplication::beep();
        return;
    }
    if (control) {
        event->ignore();
        return;
    }
    if (event->key() == Qt::Key_Escape && !m_marks.empty()) {
        ClearMarks();
        return;
    }
    switch (event->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
            if (!TypeText(std::string(EndingForStyle(m_context->GetLineEndingStyle())))) QApplication::beep();
            return;
        case Qt::Key_Backspace:
        case Qt::Key_Delete: {
            if (m_context->IsReadOnly()) {
                QApplication::beep();
                return;
            }
            if (!HasSelection()) {
                const CPoint other =
                    event->key() == Qt::Key_Backspace ? StepLeft(m_caret, false) : StepRight(m_caret, false);
                if (other == m_caret) return;
                m_anchor = other;
            }
            DeleteSelection(kActionTyping);
            return;
        }
        case Qt::Key_Tab:
            if (!TypeText("\t")) QApplication::beep();
            return;
        default: break;
    }
    const QString text = event->text();
    if (!text.isEmpty() && text.at(0).isPrint()) {
        if (!TypeText(ToWorking(text))) QApplication::beep();
        return;
    }
    QWidget::keyPressEvent(event);
}

bool CTextPane::focusNextPrevChild(bool) { return false; }  // Tab is a character here

void CTextPane::PaintMoveLink(QPainter& painter, int top) const {
    // A bent arrow in the margin's left part: "this block went, or came, elsewhere".
    const int size = MoveLinkWidth();
    const qreal x = kMarginPadding / 2.0, y = top + (m_lineHeight - size) / 2.0;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    QPen pen(SchemeColor(ActiveColors().Text()));
    pen.setWidthF(std::max(1.2, size / 8.0));
    painter.setPen(pen);
    const qreal head = size * 0.3;
    QPainterPath path;
    path.moveTo(x + size * 0.15, y + size * 0.15);
    path.lineTo(x + size * 0.15, y + size * 0.6);
    path.lineTo(x + size * 0.85, y + size * 0.6);
    painter.drawPath(path);
    painter.drawLine(QPointF(x + size * 0.85, y + size * 0.6),
                     QPointF(x + size * 0.85 - head, y + size * 0.6 - head));
    painter.drawLine(QPointF(x + size * 0.85, y + size * 0.6),
                     QPointF(x + size * 0.85 - head, y + size * 0.6 + head));
    painter.restore();
}

void CTextPane::mousePressEvent(QMouseEvent* event) {
    setFocus(Qt::MouseFocusReason);
    if (event->button() != Qt::LeftButton) return;
    // A click on a moved block's link follows it.
    const QPoint point = event->position().toPoint();
    if (m_decorations.HasMoves() && point.x() < MarginWidth()) {
        const int row = PositionAt(point).y;
        if (m_decorations.MoveLink(row)) {
            emit moveLinkClicked(row);
            return;
        }
    }
    MoveCaret(PositionAt(event->position().toPoint()), event->modifiers() & Qt::ShiftModifier);
}

void CTextPane::mouseMoveEvent(QMouseEvent* event) {
    if (!(event->buttons() & Qt::LeftButton)) return;
    const QPoint point = event->position().toPoint();
    // Dragging past an edge scrolls.
    if (point.y() < 0) emit scrollRequested(-1);
    if (point.y() > height()) emit scrollRequested(1);
    MoveCaret(PositionAt(point), true);
}

void CTextPane::mouseDoubleClickEvent(QMouseEvent* event) {
    const CPoint at = PositionAt(event->position().toPoint());
    const std::string_view text = m_context->GetLine(at.y).Characters();
    int from = at.x, to = at.x;
    while (from > 0 && IsWordByte(static_cast<unsigned char>(text[static_cast<size_t>(from - 1)]))) --from;
    while (to < static_cast<int>(text.size()) &&
           IsWordByte(static_cast<unsigned char>(text[static_cast<size_t>(to)])))
        ++to;
    Select({from, at.y}, {to, at.y});
}

void CTextPane::wheelEvent(QWheelEvent* event) {
    const QPoint steps = event->angleDelta() / 120;
    if (steps.y() != 0) emit scrollRequested(-steps.y() * 3);
    if (steps.x() != 0) emit horizontalScrollRequested(-steps.x() * 3 * ScrollStep());
    event->accept();
}

void CTextPane::focusInEvent(QFocusEvent* event) {
    QWidget::focusInEvent(event);
    RestartBlink();
    update(RowRect(m_caret.y));
    emit focused();
}

void CTextPane::focusOutEvent(QFocusEvent* event) {
    QWidget::focusOutEvent(event);
    m_blink.stop();
    update(RowRect(m_caret.y));
}

// ---- The model ----

void CTextPane::UpdateView(CSyntaxTextView* source, const CPositionAdjuster* adjuster, uint32_t hints,
                           int line) {
    (void)source;
    m_marks.clear();
    if (adjuster != nullptr) {
        adjuster->Adjust(m_caret);
        adjuster->Adjust(m_anchor);
    }
    m_caret = Clamp(m_caret);
    m_anchor = Clamp(m_anchor);
    Invalidate(adjuster, hints, line);
    update();
}

void CTextPane::OnSyntaxDefinitionChanged() {
    m_rows.clear();
    update();
}

void CTextPane::Refresh() {
    // The layouts kept are checked against their rows' text when used.
    m_caret = Clamp(m_caret);
    m_anchor = Clamp(m_anchor);
    update();
}

void CTextPane::ReadOptions() {
    const CSyntaxEditor& editor = GetSyntaxEditor();
    m_font = FontFromText(editor.font, QFontDatabase::systemFont(QFontDatabase::FixedFont));
    setFont(m_font);
    const QFontMetrics metrics(m_font);
    const QFontMetricsF exact(m_font);
    m_lineHeight = std::max(1, metrics.lineSpacing());
    m_tabSize = std::clamp(editor.tabSize, 1, CSyntaxEditorOptions::kMaxTabSize);
    m_spaceAdvance = std::max<qreal>(1, exact.horizontalAdvance(QLatin1Char(' ')));
    m_digitAdvance = 1;
    for (char digit = '0'; digit <= '9'; ++digit)
        m_digitAdvance = std::max(m_digitAdvance, exact.horizontalAdvance(QLatin1Char(digit)));
    m_style = ROWSTYLE();
    m_style.font = m_font;
    m_style.tabDistance = m_tabSize * m_spaceAdvance;
    m_style.lineHeight = m_lineHeight;
    m_style.ascent = metrics.ascent();
    m_style.fixedAdvance = CTextRowLayout::FixedAdvance(m_font, m_style.tabDistance);
    // For rows not laid out: the widest of the usual letters.
    m_style.estimateAdvance = m_style.fixedAdvance;
    if (m_style.estimateAdvance <= 0)
        for (const char c : {'M', 'W', 'm', 'w', '@'})
            m_style.estimateAdvance =
                std::max(m_style.estimateAdvance, exact.horizontalAdvance(QLatin1Char(c)));
    m_style.advances = std::make_shared<CCharacterAdvances>(m_font);
    m_style.codePage = WorkingCodePage();
    m_wordWrap = editor.wordWrap != 0;
    m_showWhiteSpace = editor.showWhiteSpace != 0;
    if (m_wordWrap) m_scrollX = 0;
    if (!m_wordWrap) m_firstLine = 0;
    m_desiredX = -1;
    m_noRow.reset();
    m_rows.clear();
    FollowWidth();
    update();
}

// ---- Marks ----

void CTextPane::SetMarks(std::vector<MARK> marks) {
    m_marks = std::move(marks);
    update();
}

void CTextPane::ClearMarks() {
    if (m_marks.empty()) return;
    m_marks.clear();
    update();
}

std::vector<std::pair<int, int>> CTextPane::RowMarks(int row, int length) const {
    std::vector<std::pair<int, int>> ranges;
    // The marks are in order and apart: their ends are in order too.
    auto it = std::lower_bound(m_marks.begin(), m_marks.end(), row,
                               [](const MARK& mark, int y) { return mark.second.y < y; });
    for (; it != m_marks.end() && it->first.y <= row; ++it) {
        const int from = it->first.y == row ? it->first.x : 0;
        const int to = it->second.y == row ? it->second.x : length + 1;
        if (to > from) ranges.emplace_back(from, to);
    }
    return ranges;
}

}  // namespace corvatine::ui
