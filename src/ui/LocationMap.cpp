#include "ui/LocationMap.h"

#include <QMouseEvent>
#include <QPainter>

#include <algorithm>

#include "textcompare/TextCompareDoc.h"
#include "ui/ActiveColors.h"

namespace corvatine::ui {

CLocationMap::CLocationMap(CTextCompareDoc& doc, QWidget* parent) : QWidget(parent), m_doc(doc) {
    setFixedWidth(kWidth);
    setCursor(Qt::PointingHandCursor);
    setToolTip(QStringLiteral("Every difference of the comparison; click to go there"));
}

int CLocationMap::Rows() const { return std::max(1, m_doc.Context().VisibleRowCount()); }

void CLocationMap::SetView(int firstRow, int rows) {
    if (firstRow == m_firstRow && rows == m_rows) return;
    m_firstRow = firstRow;
    m_rows = rows;
    update();
}

int CLocationMap::YOf(int row) const {
    return static_cast<int>(static_cast<int64_t>(row) * height() / Rows());
}

int CLocationMap::RowAt(int y) const {
    return std::clamp(static_cast<int>(static_cast<int64_t>(y) * Rows() / std::max(1, height())), 0,
                      Rows() - 1);
}

const QPixmap& CLocationMap::Bands() {
    const COLORSCHEME& colors = ActiveColors();
    const uint64_t revision = ActiveColorsRevision();
    const QColor changed = SchemeColor(colors.mapChanged);
    const QColor oneSided = SchemeColor(colors.mapOneSided);
    const uint64_t generation = m_doc.Context().Generation();
    const qreal ratio = devicePixelRatioF();
    const QSize size = this->size() * ratio;
    if (!m_bands.isNull() && m_bands.size() == size && m_bandsGeneration == generation &&
        m_bandsColors == revision)
        return m_bands;
    m_bands = QPixmap(size);
    m_bands.setDevicePixelRatio(ratio);
    m_bands.fill(SchemeColor(colors.mapBackground));
    QPainter painter(&m_bands);
    // Many sections fall on one pixel row: each run of rows of one colour is
    // filled once.
    int runTop = -1, runBottom = -1;
    const QColor* runColor = nullptr;
    const auto flush = [&] {
        if (runColor != nullptr)
            painter.fillRect(QRect(2, runTop, width() - 4, runBottom - runTop), *runColor);
    };
    for (const CTextSection& section : m_doc.Sections().Sections()) {
        const QColor* color = section.kind == 1 || section.kind == 3 ? &oneSided : &changed;
        const int top = YOf(section.leftFirstRow);
        const int bottom = std::max(top + 2, YOf(section.leftLastRow + 1));
        if (color == runColor && top <= runBottom) {
            runBottom = std::max(runBottom, bottom);
            continue;
        }
        flush();
        runTop = top;
        runBottom = bottom;
        runColor = color;
    }
    flush();
    m_bandsGeneration = generation;
    m_bandsColors = revision;
    return m_bands;
}

void CLocationMap::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.drawPixmap(0, 0, Bands());
    // The current difference stands out.
    const COLORSCHEME& colors = ActiveColors();
    CTextSection current;
    if (m_doc.Sections().GetSection(m_doc.GetCurrentSection(), current)) {
        const bool oneSided = current.kind == 1 || current.kind == 3;
        const int top = YOf(current.leftFirstRow);
        const int bottom = std::max(top + 2, YOf(current.leftLastRow + 1));
        painter.fillRect(QRect(2, top, width() - 4, bottom - top),
                         SchemeColor(oneSided ? colors.mapCurrentOneSided : colors.mapCurrentChanged));
    }
    // The rows in view.
    painter.setPen(SchemeColor(colors.mapFrame));
    const int top = YOf(m_firstRow);
    const int bottom = std::max(top + 3, YOf(m_firstRow + m_rows));
    painter.drawRect(QRect(0, top, width() - 1, std::min(bottom, height() - 1) - top));
}

void CLocationMap::mousePressEvent(QMouseEvent* event) {
    emit rowClicked(RowAt(event->position().toPoint().y()));
}

void CLocationMap::mouseMoveEvent(QMouseEvent* event) {
    if (event->buttons() & Qt::LeftButton) emit rowClicked(RowAt(event->position().toPoint().y()));
}

}  // namespace corvatine::ui
