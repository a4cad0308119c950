// The whole binary comparison in a narrow column beside the panes: every
// difference range as a band of its colour at its place, the part not yet
// listed hatched, the bytes in view as a frame. A click scrolls there.
#pragma once

#include <QWidget>

#include <cstdint>
#include <vector>

#include "binarycompare/BinaryCompareContext.h"

namespace corvatine::ui {

class CBinaryLocationMap : public QWidget {
    Q_OBJECT

public:
    static constexpr int kWidth = 18;

    explicit CBinaryLocationMap(QWidget* parent = nullptr);
    // The ranges of a comparison whose larger side holds total bytes, listed
    // up to listedTo; current is the index of the current difference (-1).
    // The list is the view's, read again at every call.
    void SetRanges(const std::vector<BINARYDIFFERENCE>* ranges, int64_t listedTo, int64_t total, int current);
    // The bytes in view.
    void SetView(int64_t first, int64_t count);
    // The offset a point of the map stands for, and where an offset is drawn.
    int64_t OffsetAt(int y) const;
    int YOf(int64_t offset) const;

signals:
    void offsetClicked(qint64 offset);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    void Band();

    const std::vector<BINARYDIFFERENCE>* m_ranges = nullptr;
    int64_t m_listedTo = 0;
    int64_t m_total = 0;
    int m_current = -1;
    int64_t m_first = 0;
    int64_t m_count = 0;
    // Per pixel row, the byte statuses of the ranges drawn there (bits 2, 4, 8).
    std::vector<uint8_t> m_bands;
};

}  // namespace corvatine::ui
