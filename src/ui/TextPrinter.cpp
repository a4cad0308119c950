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

// The row's text as printed: tabs as blanks up to the next stop, control
// characters as '?'; cell counts on from the cells before.
QString Printable(std::string_view bytes, int& cell) {
    const QString text = QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size()));
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        if (c == QLatin1Char('\t')) {
            const int next = (cell / kTabCells + 1) * kTabCells;
            out += QString(next - cell, QLatin1Char(' '));
            cell = next;
            continue;
        }
        out += c.unicode() < 0x20 ? QLatin1Char('?') : c;
        if (!c.isLowSurrogate()) ++cell;
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

int CTextPrintJob::PageCount(QPrinter& printer) const {
    const int rowsPerPage = RowsPerPage(printer);
    int pages = 0;
    for (const PART& part : m_parts)
        pages += std::max(1, (static_cast<int>(part.rows.size()) + rowsPerPage - 1) / rowsPerPage);
    return pages;
}

int CTextPrintJob::Print(QPrinter& printer, const Progress& progress) const {
    const METRICS metrics = Measure(printer);
    const int pages = PageCount(printer);
    int from = 1, to = pages;
    if (printer.fromPage() > 0) {
        from = std::max(1, printer.fromPage());
        to = std::min(pages, printer.toPage() > 0 ? printer.toPage() : pages);
    }
    QPainter painter;
    if (!painter.begin(&printer)) return 0;
    painter.setFont(metrics.font);
    int page = 0, printed = 0;
    for (const PART& part : m_parts) {
        const int count = static_cast<int>(part.rows.size());
        for (int first = 0; first < count || (first == 0 && count == 0); first += metrics.rowsPerPage) {
            ++page;
            if (page >= from && page <= to) {
                if (progress && !progress(printed, to - from + 1)) {
                    painter.end();
                    printer.abort();
                    return printed;
                }
                if (printed > 0) printer.newPage();
                PaintPage(painter, metrics, part, first, page, pages);
                ++printed;
            }
            if (count == 0) break;
        }
    }
    painter.end();
    return printed;
}

void CTextPrintJob::PaintPage(QPainter& painter, const METRICS& metrics, const PART& part, int firstRow,
                              int page, int pages) const {
    const double line = metrics.lineHeight;
    // The header: the title and the page, then each column's file.
    QFont bold = metrics.font;
    bold.setBold(true);
    painter.setPen(Qt::black);
    painter.setFont(bold);
    painter.drawText(QRectF(0, 0, metrics.width, line), Qt::AlignLeft | Qt::AlignVCenter, m_title);
    painter.setFont(metrics.font);
    painter.drawText(QRectF(0, 0, metrics.width, line), Qt::AlignRight | Qt::AlignVCenter,
                     QStringLiteral("Page %1 of %2").arg(page).arg(pages));
    const int columns = static_cast<int>(part.columns.size());
    const double gap = columns > 1 ? kColumnGapCells * metrics.charWidth : 0;
    const double columnWidth = (metrics.width - gap * (columns - 1)) / columns;
    for (int c = 0; c < columns; ++c) {
        const QRectF titleArea(c * (columnWidth + gap), line, columnWidth, line);
        painter.drawText(
            titleArea, Qt::AlignLeft | Qt::AlignVCenter,
            painter.fontMetrics().elidedText(m_columns[static_cast<size_t>(part.columns[c])].title,
                                             Qt::ElideMiddle, static_cast<int>(columnWidth)));
    }
    const double rule = 2.2 * line;
    painter.setPen(QPen(Qt::darkGray, 0));
    painter.drawLine(QPointF(0, rule), QPointF(metrics.width, rule));

    const double top = kHeaderLines * line;
    const int last = std::min(static_cast<int>(part.rows.size()), firstRow + metrics.rowsPerPage);
    for (int c = 0; c < columns; ++c) {
        const COLUMN& column = m_columns[static_cast<size_t>(part.columns[c])];
        const double left = c * (columnWidth + gap);
        painter.save();
        painter.setClipRect(QRectF(left, top, columnWidth, metrics.height - top));
        for (int i = firstRow; i < last; ++i)
            PaintRow(painter, metrics, column, part.rows[static_cast<size_t>(i)], left,
                     top + (i - firstRow) * line, columnWidth);
        painter.restore();
    }
}

void CTextPrintJob::PaintRow(QPainter& painter, const METRICS& metrics, const COLUMN& column, int row,
                             double left, double top, double width) const {
    const CPaneDecorations& decorations = *column.decorations;
    const int digits = static_cast<int>(QString::number(std::max(1, decorations.MaxLineNumber())).size());
    const double gutter = (digits + 1) * metrics.charWidth;
    const QRectF textArea(left + gutter, top, width - gutter, metrics.lineHeight);

    QColor background = decorations.RowBackground(row);
    if (background.isValid()) painter.fillRect(textArea, background);
    if (decorations.IsGhost(row)) {
        if (!background.isValid()) background = Qt::white;
        painter.fillRect(textArea, QBrush(background.darker(115), Qt::BDiagPattern));
        return;
    }
    const int number = decorations.LineNumber(row);
    if (number >= 0) {
        painter.setPen(Qt::darkGray);
        painter.drawText(QRectF(left, top, gutter - metrics.charWidth / 2, metrics.lineHeight),
                         Qt::AlignRight | Qt::AlignVCenter, QString::number(number));
    }

    // The text in pieces cut at the in-line differences, which are drawn in
    // their own colours.
    const std::string_view text = column.context->GetLine(row).Characters();
    const int length = static_cast<int>(text.size());
    const std::vector<std::pair<int, int>> highlights = decorations.Highlights(row);
    std::vector<int> cuts = {0, length};
    for (const auto& [from, to] : highlights) {
        cuts.push_back(std::clamp(from, 0, length));
        cuts.push_back(std::clamp(to + 1, 0, length));
    }
    std::sort(cuts.begin(), cuts.end());
    cuts.erase(std::unique(cuts.begin(), cuts.end()), cuts.end());
    const QFontMetricsF font(painter.font());
    double x = textArea.left();
    int cell = 0;
    for (size_t i = 0; i + 1 < cuts.size(); ++i) {
        const int from = cuts[i], to = cuts[i + 1];
        const QString piece =
            Printable(text.substr(static_cast<size_t>(from), static_cast<size_t>(to - from)), cell);
        const double pieceWidth = font.horizontalAdvance(piece);
        const bool highlighted = std::any_of(highlights.begin(), highlights.end(), [from](const auto& range) {
            return from >= range.first && from <= range.second;
        });
        QColor pen = Qt::black;
        if (highlighted) {
            if (decorations.HighlightBackground().isValid())
                painter.fillRect(QRectF(x, top, pieceWidth, metrics.lineHeight),
                                 decorations.HighlightBackground());
            if (decorations.HighlightText().isValid()) pen = decorations.HighlightText();
        }
        painter.setPen(pen);
        painter.drawText(QPointF(x, top + metrics.ascent), piece);
        x += pieceWidth;
        if (x > textArea.right()) break;
    }
}

}  // namespace corvatine::ui
