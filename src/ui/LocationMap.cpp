#include "ui/LocationMap.h"

#include <QMouseEvent>
#include <QPainter>

#include <algorithm>

#include "textcompare/TextCompareColors.h"
#include "textcompare/TextCompareDoc.h"
#include "textcompare/TextCompareOptions.h"
#include "ui/UiText.h"

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

void CLocationMap::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), palette().color(QPalette::Base));
    const CTextCompareColors& colors = GetTextComparer().colors;
    const int current = m_doc.GetCurrentSection();
    const CTextSectionList& sections = m_doc.Sections();
    for (int i = 0; i < sections.GetCount(); ++i) {
        CTextSection section;
        if (!sections.GetSection(i, section)) continue;
        const int color = section.kind == 1 || section.kind == 3 ? TCC_ONE_SIDED : TCC_CHANGED;
        const int top = YOf(section.leftFirstRow);
        const int bottom = std::max(top + 2, YOf(section.leftLastRow + 1));
        const QRect band(2, top, width() - 4, bottom - top);
        painter.fillRect(band, ToQColor(colors.Get(color)).darker(i == current ? 160 : 110));
    }
    // The rows in view.
    painter.setPen(palette().color(QPalette::Text));
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
