// One row of text laid out by Qt's text layout: the glyph positions that the
// drawing, the in-line difference boxes, the selection, the caret and
// hit-testing of a text pane all read, so that what is measured is what is
// drawn, whatever the font, its fallbacks, tabs and wide characters.
//
// Positions in and out are bytes of the row's text (the model's positions);
// the row maps them to the characters it shows. A row longer than
// kPieceLength characters is laid out in pieces of at most that many, each
// when it is first needed, so a very long line costs only the part that is
// looked at (and, for a position far along it, the widths of the pieces
// before; a piece of printable ASCII in a font whose ASCII is of one width is
// measured without shaping).
#pragma once

#include <QColor>
#include <QFont>
#include <QFontMetricsF>
#include <QList>
#include <QRectF>
#include <QString>
#include <QStringView>
#include <QTextLayout>

#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

class QPainter;

namespace corvatine::ui {

// The advances of single characters of a font, fallback fonts included, as
// its layouts give them: a piece of text made only of characters whose
// advance does not depend on their neighbours is measured from them
// without being shaped. Its layout, once made, has the last word.
class CCharacterAdvances {
public:
    explicit CCharacterAdvances(const QFont& font) : m_metrics(font) {}
    // -1 for a character shaped with its neighbours (marks, joiners,
    // surrogates, scripts that join or reorder).
    qreal Of(QChar c);

private:
    QFontMetricsF m_metrics;
    std::unordered_map<char16_t, qreal> m_advances;
};

// What every row of a pane is laid out with.
struct ROWSTYLE {
    QFont font;
    // Tab stops every tabDistance pixels: the tab size times the advance of a space.
    qreal tabDistance = 32;
    // Rows wrap at this width; 0: they do not wrap.
    qreal wrapWidth = 0;
    // Every visual line is lineHeight tall with its baseline ascent down.
    int lineHeight = 16;
    int ascent = 12;
    // > 0: every printable ASCII character advances exactly this much, in
    // the regular and the bold weight (measured from a layout; 0: not so).
    qreal fixedAdvance = 0;
    // The width taken for a character of a piece not measured yet.
    qreal estimateAdvance = 8;
    // Shared by the rows of a pane; none: every piece is shaped to be measured.
    std::shared_ptr<CCharacterAdvances> advances;
    // Wrapping: the visual lines of a long row laid out before the rest is
    // estimated (a pane's height shows no more).
    int lineHorizon = 200;
    // The code page of the row's bytes.
    int codePage = 65001;
};

// A run of the row's text in a colour: bytes [from, to).
struct ROWCOLOR {
    int from = 0;
    int to = 0;
    QColor color;
    bool bold = false;
};

class CTextRowLayout {
public:
    // The longest piece laid out at once.
    static constexpr int kPieceLength = 2048;

    CTextRowLayout(std::string_view text, const std::vector<ROWCOLOR>& colors, const ROWSTYLE& style);
    ~CTextRowLayout();

    // The bytes the row was laid out from.
    const std::string& Source() const { return m_source; }
    // Takes over the pieces of previous, the same row before an edit laid out
    // with the same style, that lie in the first sameBytes bytes both share
    // and are cut and coloured alike: their measures and layouts stay.
    void AdoptFrom(CTextRowLayout& previous, int sameBytes);
    CTextRowLayout(const CTextRowLayout&) = delete;
    CTextRowLayout& operator=(const CTextRowLayout&) = delete;

    // The characters shown: tabs as tabs, control characters as their
    // pictures, bytes that are no character as U+FFFD.
    const QString& Text() const { return m_text; }
    // Bytes of the row's text.
    int Length() const { return m_length; }
    // The index in Text() of the character that holds the byte (Text().size()
    // for the end), and the first byte of the character at an index.
    int IndexOf(int byte) const;
    int ByteOf(int index) const;
    // The first byte of the character that holds the byte.
    int CharacterStart(int byte) const { return ByteOf(IndexOf(byte)); }

    // Visual lines: 1 without wrapping. Where a long row has pieces not laid
    // out yet, their lines are estimated.
    int LineCount() const;
    // The visual line a position stands on (a position where a line wraps
    // stands at the start of the next).
    int LineOf(int byte) const;
    // The x of a position on its visual line, from the row's left edge.
    qreal XOf(int byte) const;
    // The position nearest to x on a visual line: the nearer edge of the
    // character under x. On a wrapped line that is not the row's last, its
    // end stands before its last character, so that the position stays on
    // the line.
    int ByteAt(int line, qreal x) const;
    // The bytes [first, end) of a visual line.
    std::pair<int, int> LineBytes(int line) const;
    // The x where a visual line's text ends.
    qreal LineEndX(int line) const;
    // The width of the row without wrapping; pieces not measured yet are estimated.
    qreal Width() const;
    // Whether the row's text ends left of x (always so when wrapping). Only
    // the pieces up to x are measured.
    bool EndsBefore(qreal x) const;
    // The boundaries of characters as the layout's cursor moves over them
    // (a cluster of combining characters or an emoji sequence is one step).
    int NextPosition(int byte) const;
    int PreviousPosition(int byte) const;

    // Rectangles covering the bytes [from, to) in the row's coordinates (a
    // visual line's top is line * lineHeight), one a visual line, for the
    // part of the row in clip.
    std::vector<QRectF> RangeRects(int from, int to, const QRectF& clip) const;

    // Draws the part of the row in clip (row coordinates) with the row's top
    // left corner at origin. selections are ranges of Text() drawn in their
    // format over the row's own colours, in order.
    void Draw(QPainter& painter, QPointF origin, const QRectF& clip,
              const QList<QTextLayout::FormatRange>& selections) const;

    // The row's pieces (1 for a row of up to kPieceLength characters) and
    // how many are laid out: for tests and measurements.
    int PieceCount() const { return static_cast<int>(m_pieces.size()); }
    int PiecesLaidOut() const;

    // The advance of every printable ASCII character of the font, in the
    // regular and the bold weight, when it is one and tabs stop where
    // FixedWidth says; else 0.
    static qreal FixedAdvance(const QFont& font, qreal tabDistance);
    // The width of printable ASCII and tabs from a tab stop, each character
    // advancing advance: what the layout makes of it, without one. -1 for
    // any other character.
    static qreal FixedWidth(QStringView text, qreal advance, qreal tabDistance);
    // The same with each character's own advance; -1 when a character has
    // none of its own.
    static qreal SummedWidth(QStringView text, CCharacterAdvances& advances, qreal tabDistance);

private:
    struct PIECE {
        int start = 0;  // the piece's characters in m_text
        int length = 0;
        qreal x = 0;        // without wrapping: where the piece starts on the row
        int firstLine = 0;  // wrapping: the row's visual line it starts on
        qreal width = -1;   // its width once measured
        int lines = -1;     // its visual lines once laid out
        bool measuredFast = false;
        // A tab standing off the tab stops (after a piece cut without one):
        // laid out alone with a stop of its own, so that the tab ends on the
        // row's next stop.
        bool loneTab = false;
        std::unique_ptr<QTextLayout> layout;
    };

    void BuildText(std::string_view text);
    void CutPieces();
    int PieceOf(int index) const;
    QList<QTextLayout::FormatRange> FormatsOf(const PIECE& piece) const;
    // Places the pieces up to k (their x, or their first line): the pieces
    // before are measured.
    void Place(int k) const;
    void Measure(int k) const;
    QTextLayout& LaidOut(int k) const;
    int EstimatedLines(const PIECE& piece) const;
    bool Wrapping() const { return m_style.wrapWidth > 0; }
    // The piece and its visual line that hold a row's visual line; -1 beyond the last.
    std::pair<int, int> PieceOfLine(int line) const;
    // The first piece that reaches past x (the last one when none does).
    int PieceAtX(qreal x) const;

    ROWSTYLE m_style;
    std::string m_source;
    QString m_text;
    int m_length = 0;
    // Empty when bytes and indexes are the same (printable ASCII, tabs).
    std::vector<int> m_indexOfByte;
    std::vector<int> m_byteOfIndex;
    QList<QTextLayout::FormatRange> m_formats;
    mutable std::vector<PIECE> m_pieces;
    mutable int m_placed = 1;  // the pieces whose x or first line is known
};

}  // namespace corvatine::ui
