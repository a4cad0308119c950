#include "ui/TextPrinter.h"

#include <QFontDatabase>
#include <QFontMetricsF>
#include <QPainter>
#include <QPrinter>
#include <QRegularExpression>

#include <algorithm>
#include <cmath>

#include "ui/TextCompareView.h"
#include "ui/TextEditView.h"
#include "ui/UiText.h"

namespace corvatine::ui {

namespace {

constexpr double kFontPoints = 8.0;
// Header: the title line and the column titles, a rule and a gap, in lines.
constexpr double kHeaderLines = 2.8;
constexpr int kColumnGapCells = 2;
constexpr int kTabCells = 4;

// The row's text as printed, one character a cell: tabs as blanks up to the
// next stop, control characters as '?'; marked: the characters inside the
// byte ranges.
QString Printable(std::string_view bytes, const std::vector<std::pair<int, int>>& ranges,
                  std::vector<char>& marked) {
    QString out;
    marked.clear();
    const int length = static_cast<int>(bytes.size());
    for (int at = 0; at < length;) {
        // One character: its bytes in UTF-8.
        const unsigned char lead = static_cast<unsigned char>(bytes[static_cast<size_t>(at)]);
        int size = lead < 0x80 ? 1 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
        size = std::min(size, length - at);
        const bool inside = std::any_of(ranges.begin(), ranges.end(), [at](const auto& range) {
            return at >= range.first && at <= range.second;
        });
        if (lead == '\t') {
            const int next = (static_cast<int>(out.size()) / kTabCells + 1) * kTabCells;
            while (out.size() < next) {
                out += QLatin1Char(' ');
                marked.push_back(inside);
            }
        } else {
            QString character = QString::fromUtf8(bytes.data() + at, size);
            if (lead < 0x20) character = QStringLiteral("?");
            out += character;
            marked.resize(static_cast<size_t>(out.size()), inside);
        }
        at += size;
    }
    return out;
}

}  // namespace

QStringList PrintLayoutNames() {
    return {QStringLiteral("Both sides side by side"), QStringLiteral("Left side"),
            QStringLiteral("Right side"), QStringLiteral("Each side")};
}

CTextPrintJob::~CTextPrintJob() = default;

bool CTextPrintJob::CanPrint(const CDocumentView* view) {
    return qobject_cast<const CTextCompareView*>(view) != nullptr ||
           qobject_cast<const CTextEditView*>(view) != nullptr;
}

std::unique_ptr<CTextPrintJob> CTextPrintJob::ForView(CDocumentView* view, int layout) {
    std::unique_ptr<CTextPrintJob> job(new CTextPrintJob);
    if (auto* compare = qobject_cast<CTextCompareView*>(view)) {
        job->m_title = compare->Title();
        job->m_title.remove(QRegularExpression(QStringLiteral(" \\*$")));
        for (int side = 0; side < 2; ++side) {
            job->m_owned.push_back(std::make_unique<CSideDecorations>(*compare, side));
            job->m_columns.push_back({FromPath(compare->Doc().Request().sides[side].path),
                                      &compare->Doc().GetSide(side), job->m_owned.back().get()});
        }
        switch (layout) {
            case PRINT_LEFT_SIDE: job->AddPart({0}, true); break;
            case PRINT_RIGHT_SIDE: job->AddPart({1}, true); break;
            case PRINT_EACH_SIDE:
                job->AddPart({0}, true);
                job->AddPart({1}, true);
                break;
            default: job->AddPart({0, 1}, false); break;
        }
        return job;
    }
    if (auto* edit = qobject_cast<CTextEditView*>(view)) {
        job->m_title = FromPath(edit->Doc().GetTitle());
        job->m_owned.push_back(std::make_unique<CEditDecorations>(edit->Doc().Context()));
        job->m_columns.push_back(
            {FromPath(edit->Doc().GetPath()), &edit->Doc().Context(), job->m_owned.back().get()});
        job->AddPart({0}, false);
        return job;
    }
    return nullptr;
}

void CTextPrintJob::AddPart(std::vector<int> columns, bool skipGhosts) {
    PART part;
    const COLUMN& first = m_columns[static_cast<size_t>(columns.front())];
    const int rows = std::min(first.decorations->RowCount(), first.context->GetLineCount());
    for (int row = 0; row < rows; ++row)
        if (!skipGhosts || !first.decorations->IsGhost(row)) part.rows.push_back(row);
    part.columns = std::move(columns);
    m_parts.push_back(std::move(part));
}

CTextPrintJob::METRICS CTextPrintJob::Measure(QPrinter& printer) const {
    METRICS metrics;
    metrics.font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    metrics.font.setPointSizeF(kFontPoints);
    const QFontMetricsF font(metrics.font, &printer);
    metrics.lineHeight = font.lineSpacing();
    metrics.ascent = font.ascent();
    metrics.charWidth = font.horizontalAdvance(QLatin1Char('M'));
    const QRect area = printer.pageLayout().paintRectPixels(printer.resolution());
    metrics.width = area.width();
    metrics.height = area.height();
    const double body = metrics.height - kHeaderLines * metrics.lineHeight;
    metrics.rowsPerPage = std::max(1, static_cast<int>(std::floor(body / metrics.lineHeight)));
    return metrics;
}

int CTextPrintJob::RowsPerPage(QPrinter& printer) const { return Measure(printer).rowsPerPage; }

double CTextPrintJob::ColumnWidth(const METRICS& metrics, const PART& part) const {
    const int columns = static_cast<int>(part.columns.size());
    const double gap = columns > 1 ? kColumnGapCells * metrics.charWidth : 0;
    return (metrics.width - gap * (columns - 1)) / columns;
}

namespace {

double Gutter(const CPaneDecorations& decorations, double charWidth) {
    const int digits = static_cast<int>(QString::number(std::max(1, decorations.MaxLineNumber())).size());
    return (digits + 1) * charWidth;
}

}  // namespace

int CTextPrintJob::CellsPerLine(const METRICS& metrics, const COLUMN& column, double width) const {
    const double text = width - Gutter(*column.decorations, metrics.charWidth);
    return std::max(1, static_cast<int>(std::floor(text / metrics.charWidth)));
}

int CTextPrintJob::RowLines(const METRICS& metrics, const PART& part, int row) const {
    const double width = ColumnWidth(metrics, part);
    int lines = 1;
    std::vector<char> marked;
    for (int c : part.columns) {
        const COLUMN& column = m_columns[static_cast<size_t>(c)];
        if (row >= column.context->GetLineCount() || column.decorations->IsGhost(row)) continue;
        const int cells =
            static_cast<int>(Printable(column.context->GetLine(row).Characters(), {}, marked).size());
        const int perLine = CellsPerLine(metrics, column, width);
        lines = std::max(lines, (cells + perLine - 1) / perLine);
    }
    return std::min(lines, metrics.rowsPerPage);
}

std::vector<CTextPrintJob::PAGE> CTextPrintJob::Paginate(const METRICS& metrics) const {
    std::vector<PAGE> pages;
    for (size_t p = 0; p < m_parts.size(); ++p) {
        const PART& part = m_parts[p];
        const int count = static_cast<int>(part.rows.size());
        PAGE page{p, 0, 0};
        int used = 0;
        for (int i = 0; i < count; ++i) {
            const int lines = RowLines(metrics, part, part.rows[static_cast<size_t>(i)]);
            if (used + lines > metrics.rowsPerPage && page.last > page.first) {
                pages.push_back(page);
                page = PAGE{p, i, i};
                used = 0;
            }
            page.last = i + 1;
            used += lines;
        }
        pages.push_back(page);  // an empty part still has its page
    }
    return pages;
}

int CTextPrintJob::PageCount(QPrinter& printer) const {
    return static_cast<int>(Paginate(Measure(printer)).size());
}

int CTextPrintJob::Print(QPrinter& printer, const Progress& progress) const {
    const METRICS metrics = Measure(printer);
    const std::vector<PAGE> layout = Paginate(metrics);
    const int pages = static_cast<int>(layout.size());
    int from = 1, to = pages;
    if (printer.fromPage() > 0) {
        from = std::max(1, printer.fromPage());
        to = std::min(pages, printer.toPage() > 0 ? printer.toPage() : pages);
    }
    QPainter painter;
    if (!painter.begin(&printer)) return 0;
    painter.setFont(metrics.font);
    int printed = 0;
    for (int page = from; page <= to; ++page) {
        if (progress && !progress(printed, to - from + 1)) {
            painter.end();
            printer.abort();
            return printed;
        }
        if (printed > 0) printer.newPage();
        PaintPage(painter, metrics, layout[static_cast<size_t>(page - 1)], page, pages);
        ++printed;
    }
    painter.end();
    return printed;
}

void CTextPrintJob::PaintPage(QPainter& painter, const METRICS& metrics, const PAGE& page, int number,
                              int pages) const {
    const PART& part = m_parts[page.part];
    const double line = metrics.lineHeight;
    // The header: the title and the page, then each column's file.
    QFont bold = metrics.font;
    bold.setBold(true);
    painter.setPen(SchemeColor(m_paper.Text()));
    painter.setFont(bold);
    painter.drawText(QRectF(0, 0, metrics.width, line), Qt::AlignLeft | Qt::AlignVCenter, m_title);
    painter.setFont(metrics.font);
    painter.drawText(QRectF(0, 0, metrics.width, line), Qt::AlignRight | Qt::AlignVCenter,
                     QStringLiteral("Page %1 of %2").arg(number).arg(pages));
    const int columns = static_cast<int>(part.columns.size());
    const double gap = columns > 1 ? kColumnGapCells * metrics.charWidth : 0;
    const double columnWidth = ColumnWidth(metrics, part);
    for (int c = 0; c < columns; ++c) {
        const QRectF titleArea(c * (columnWidth + gap), line, columnWidth, line);
        painter.drawText(
            titleArea, Qt::AlignLeft | Qt::AlignVCenter,
            painter.fontMetrics().elidedText(m_columns[static_cast<size_t>(part.columns[c])].title,
                                             Qt::ElideMiddle, static_cast<int>(columnWidth)));
    }
    const double rule = 2.2 * line;
    painter.setPen(QPen(SchemeColor(m_paper.lineNumber), 0));
    painter.drawLine(QPointF(0, rule), QPointF(metrics.width, rule));

    double top = kHeaderLines * line;
    for (int i = page.first; i < page.last; ++i) {
        const int row = part.rows[static_cast<size_t>(i)];
        const int lines = RowLines(metrics, part, row);
        for (int c = 0; c < columns; ++c) {
            const double left = c * (columnWidth + gap);
            painter.save();
            painter.setClipRect(QRectF(left, top, columnWidth, lines * line));
            PaintRow(painter, metrics, m_columns[static_cast<size_t>(part.columns[c])], row, left, top,
                     columnWidth, lines);
            painter.restore();
        }
        top += lines * line;
    }
}

void CTextPrintJob::PaintRow(QPainter& painter, const METRICS& metrics, const COLUMN& column, int row,
                             double left, double top, double width, int lines) const {
    const CPaneDecorations& decorations = *column.decorations;
    const double gutter = Gutter(decorations, metrics.charWidth);
    const QRectF textArea(left + gutter, top, width - gutter, lines * metrics.lineHeight);

    // Paper is white: the colours are the stored tables', whatever the desktop.
    const int color = decorations.RowColor(row);
    if (color != TCC_NONE) painter.fillRect(textArea, SchemeColor(m_paper.RowBackground(color)));
    if (decorations.IsGhost(row)) {
        painter.fillRect(textArea, QBrush(SchemeColor(m_paper.ghostHatch), Qt::BDiagPattern));
        return;
    }
    const int number = decorations.LineNumber(row);
    if (number >= 0) {
        painter.setPen(SchemeColor(m_paper.lineNumber));
        painter.drawText(QRectF(left, top, gutter - metrics.charWidth / 2, metrics.lineHeight),
                         Qt::AlignRight | Qt::AlignVCenter, QString::number(number));
    }

    // The text line after line, in runs cut at the in-line differences,
    // which are drawn in their own colours.
    std::vector<char> marked;
    const QString text =
        Printable(column.context->GetLine(row).Characters(), decorations.Highlights(row), marked);
    const int perLine = CellsPerLine(metrics, column, width);
    const QFontMetricsF font(painter.font());
    for (int lineIndex = 0; lineIndex < lines; ++lineIndex) {
        const int lineStart = lineIndex * perLine;
        const int lineEnd = std::min(static_cast<int>(text.size()), lineStart + perLine);
        const double y = top + lineIndex * metrics.lineHeight;
        double x = textArea.left();
        for (int from = lineStart; from < lineEnd;) {
            int to = from + 1;
            while (to < lineEnd && marked[static_cast<size_t>(to)] == marked[static_cast<size_t>(from)]) ++to;
            const QString piece = text.mid(from, to - from);
            const double pieceWidth = font.horizontalAdvance(piece);
            QColor pen = SchemeColor(m_paper.Text());
            if (marked[static_cast<size_t>(from)] != 0) {
                painter.fillRect(QRectF(x, y, pieceWidth, metrics.lineHeight),
                                 SchemeColor(m_paper.compare.Get(TCC_DIFFERENCE)));
                pen = SchemeColor(m_paper.compare.Get(TCC_DIFFERENCE_TEXT));
            }
            painter.setPen(pen);
            painter.drawText(QPointF(x, y + metrics.ascent), piece);
            x += pieceWidth;
            from = to;
        }
    }
}

}  // namespace corvatine::ui
