// The whole comparison in a narrow column beside the panes: every difference
// as a band of its colour at its place, the rows in view as a frame. A click
// scrolls there.
#pragma once

#include <QPixmap>
#include <QWidget>

#include <cstdint>

namespace corvatine {
class CTextCompareDoc;
}

namespace corvatine::ui {

class CLocationMap : public QWidget {
    Q_OBJECT

public:
    static constexpr int kWidth = 18;

    explicit CLocationMap(CTextCompareDoc& doc, QWidget* parent = nullptr);
    // The rows in view.
    void SetView(int firstRow, int rows);
    // The row a point of the map stands for.
    int RowAt(int y) const;
    // The vertical extent of a row on the map.
    int YOf(int row) const;

signals:
    void rowClicked(int row);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    int Rows() const;
    // The bands of every difference, drawn again only when the comparison,
    // the size or the colours changed.
    const QPixmap& Bands();

    CTextCompareDoc& m_doc;
    QPixmap m_bands;
    uint64_t m_bandsGeneration = 0;
    uint64_t m_bandsColors = 0;  // the revision of the colour scheme they were drawn in
    int m_firstRow = 0;
    int m_rows = 0;
};

}  // namespace corvatine::ui
