// What an edit context tells the views that show it.
#pragma once

#include <cstdint>
#include <string>

namespace corvatine {

// A position in a buffer: x is the character, y the line.
struct CPoint {
    int x = 0;
    int y = 0;
    bool operator==(const CPoint& other) const { return x == other.x && y == other.y; }
};

// Hint bits of a change notice.
enum UpdateHint : uint32_t {
    UPDATE_CHARACTERS = 0x0001,   // characters of lines changed
    UPDATE_LINES = 0x0002,        // lines were inserted or removed
    UPDATE_SINGLE_LINE = 0x0100,  // only the given line changed
    UPDATE_MARKS = 0x0200,        // only marks or revisions changed
    UPDATE_RESET = 0x1000,        // everything was reset
};

// Moves a view's points (caret, selection, anchors) across one edit.
class CPositionAdjuster {
public:
    CPositionAdjuster(CPoint start, CPoint end) : m_start(start), m_end(end) {}
    virtual ~CPositionAdjuster() = default;
    virtual void Adjust(CPoint& point) const = 0;
    CPoint Start() const { return m_start; }
    CPoint End() const { return m_end; }

protected:
    CPoint m_start;
    CPoint m_end;
};

// After text was inserted from start to end.
class CInsertContext : public CPositionAdjuster {
public:
    using CPositionAdjuster::CPositionAdjuster;
    void Adjust(CPoint& point) const override {
        if (point.y < m_start.y) return;
        if (point.y > m_start.y) {
            point.y += m_end.y - m_start.y;
        } else if (point.x > m_start.x) {
            point.y = m_end.y;
            point.x = m_end.x + (point.x - m_start.x);
        }
    }
};

// After the text from start to end was deleted.
class CDeleteContext : public CPositionAdjuster {
public:
    using CPositionAdjuster::CPositionAdjuster;
    void Adjust(CPoint& point) const override {
        if (point.y < m_start.y) return;
        if (point.y > m_end.y) {
            point.y -= m_end.y - m_start.y;
        } else if (point.y == m_end.y && point.x >= m_end.x) {
            point.y = m_start.y;
            point.x = m_start.x + (point.x - m_end.x);
        } else if (!(point.y == m_start.y && point.x < m_start.x)) {
            point = m_start;
        }
    }
};

// A view of an edit context.
class CSyntaxTextView {
public:
    virtual ~CSyntaxTextView() = default;
    // The context changed: hints say how, line says from where (-1: all).
    virtual void UpdateView(CSyntaxTextView* source, const CPositionAdjuster* adjuster, uint32_t hints,
                            int line) = 0;
    // The syntax definition changed; colouring must be read again.
    virtual void OnSyntaxDefinitionChanged() {}
    // An undo group was closed; its last record had this action and text.
    virtual void OnUndoGroupClosed(int action, const std::string& text) {
        (void)action;
        (void)text;
    }
};

}  // namespace corvatine
