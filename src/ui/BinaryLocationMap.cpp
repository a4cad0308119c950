#include "ui/BinaryLocationMap.h"

#include <QMouseEvent>
#include <QPainter>

#include <algorithm>

#include "ui/ActiveColors.h"

namespace corvatine::ui {

CBinaryLocationMap::CBinaryLocationMap(QWidget* parent) : QWidget(parent) {
    setFixedWidth(kWidth);
    setCursor(Qt::PointingHandCursor);
    setToolTip(QStringLiteral("Every difference of the comparison; click to go there"));
}

void CBinaryLocationMap::SetRanges(const std::vector<BINARYDIFFERENCE>* ranges, int64_t listedTo,
                                   int64_t total, int current) {
    m_ranges = ranges;
    m_listedTo = listedTo;
    m_total = total;
    m_current = current;
    Band();
    update();
}

void CBinaryLocationMap::SetView(int64_t first, int64_t count) {
    if (first == m_first && count == m_count) return;
    m_first = first;
    m_count = count;
    update();
}

int CBinaryLocationMap::YOf(int64_t offset) const {
    if (m_total <= 0) return 0;
    return static_cast<int>(static_cast<long double>(offset) * height() / m_total);
}

int64_t CBinaryLocationMap::OffsetAt(int y) const {
    if (m_total <= 0) return 0;
    const int64_t offset =
        static_cast<int64_t>(static_cast<long double>(y) * m_total / std::max(1, height()));
    return std::clamp<int64_t>(offset, 0, m_total - 1);
}

void CBinaryLocationMap::Band() {
    // Each range marks the pixel rows it covers: many ranges cost one pass,
    // whatever their number.
    m_bands.assign(static_cast<size_t>(std::max(0, height())), 0);
    if (m_bands.empty() || m_ranges == nullptr) return;
    const int last = height() - 1;
    for (const BINARYDIFFERENCE& range : *m_ranges) {
        const int top = std::clamp(YOf(range.start), 0, last);
        const int bottom = std::clamp(YOf(range.end - 1), top, last);
        for (int y = top; y <= bottom; ++y)
            m_bands[static_cast<size_t>(y)] |= static_cast<uint8_t>(range.kind);
    }
}

void CBinaryLocationMap::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    Band();
}

void CBinaryLocationMap::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const COLORSCHEME& colors = ActiveColors();
    painter.fillRect(rect(), SchemeColor(colors.mapBackground));
    const QColor changed = SchemeColor(colors.mapChanged);
    const QColor oneSided = SchemeColor(colors.mapOneSided);
    for (size_t y = 0; y < m_bands.size(); ++y) {
        const uint8_t kinds = m_bands[y];
        if (kinds == 0) continue;
        painter.fillRect(QRect(2, static_cast<int>(y), width() - 4, 1),
                         (kinds & BYTE_DIFFERENT) != 0 ? changed : oneSided);
    }
    if (m_ranges != nullptr && m_current >= 0 && m_current < static_cast<int>(m_ranges->size())) {
        const BINARYDIFFERENCE& range = (*m_ranges)[static_cast<size_t>(m_current)];
        const int top = YOf(range.start);
        const int bottom = std::max(top + 2, YOf(range.end));
        painter.fillRect(
            QRect(2, top, width() - 4, bottom - top),
            SchemeColor(range.kind == BYTE_DIFFERENT ? colors.mapCurrentChanged : colors.mapCurrentOneSided));
    }
    // What is not listed yet.
    if (m_listedTo < m_total) {
        const int top = YOf(m_listedTo);
        painter.fillRect(QRect(2, top, width() - 4, height() - top),
                         QBrush(SchemeColor(colors.mapPending), Qt::BDiagPattern));
    }
    // The bytes in view.
    painter.setPen(SchemeColor(colors.mapFrame));
    const int top = YOf(m_first);
    const int bottom = std::max(top + 3, YOf(m_first + m_count));
    painter.drawRect(QRect(0, top, width() - 1, std::min(bottom, height() - 1) - top));
}

void CBinaryLocationMap::mousePressEvent(QMouseEvent* event) {
    emit offsetClicked(OffsetAt(event->position().toPoint().y()));
}

void CBinaryLocationMap::mouseMoveEvent(QMouseEvent* event) {
    if (event->buttons() & Qt::LeftButton) emit offsetClicked(OffsetAt(event->position().toPoint().y()));
}

}  // namespace corvatine::ui
