#include "ui/TextRowLayout.h"

#include <QPainter>
#include <QTextOption>

#include <algorithm>
#include <cmath>
#include <string>

#include "fileio/CodePages.h"
#include "fileio/Conversion.h"

namespace corvatine::ui {

namespace {

// Wide enough for any piece's line: a line that does not wrap is never cut.
constexpr qreal kNoWrapWidth = 1e6;
constexpr char16_t kReplacement = 0xFFFD;
constexpr char16_t kZeroWidthJoiner = 0x200D;

// Control characters show as their pictures (U+2400 on), so that a stray
// byte is seen and takes room.
char32_t Shown(char32_t code) {
    if (code == '\t') return code;
    if (code < 0x20) return 0x2400 + code;
    if (code == 0x7F) return 0x2421;
    return code;
}

bool PlainByte(unsigned char c) { return c == '\t' || (c >= 0x20 && c < 0x7F); }

// A character that must not start a piece: it belongs to the one before.
bool Joined(const QString& text, int index) {
    const QChar c = text.at(index);
    if (c.isLowSurrogate() || c.unicode() == kZeroWidthJoiner) return true;
    if (index > 0 && text.at(index - 1).unicode() == kZeroWidthJoiner) return true;
    if (c.isHighSurrogate() && index + 1 < text.size())
        return QChar::isMark(QChar::surrogateToUcs4(c, text.at(index + 1)));
    return c.isMark();
}

QTextLayout::FormatRange Clipped(const QTextLayout::FormatRange& range, int start, int length) {
    const int from = std::max(range.start, start), to = std::min(range.start + range.length, start + length);
    return {from - start, std::max(0, to - from), range.format};
}

}  // namespace

qreal CCharacterAdvances::Of(QChar c) {
    const auto it = m_advances.find(c.unicode());
    if (it != m_advances.end()) return it->second;
    qreal advance = -1;
    switch (c.script()) {
        case QChar::Script_Common:
        case QChar::Script_Latin:
        case QChar::Script_Greek:
        case QChar::Script_Cyrillic:
        case QChar::Script_Han:
        case QChar::Script_Hiragana:
        case QChar::Script_Katakana:
        case QChar::Script_Hangul:
            if (!c.isSurrogate() && !c.isMark() && c.category() != QChar::Other_Format &&
                c.category() != QChar::Other_Control)
                advance = m_metrics.horizontalAdvance(c);
            break;
        default: break;
    }
    m_advances.emplace(c.unicode(), advance);
    return advance;
}

CTextRowLayout::CTextRowLayout(std::string_view text, const std::vector<ROWCOLOR>& colors,
                               const ROWSTYLE& style)
    : m_style(style), m_source(text) {
    BuildText(text);
    for (const ROWCOLOR& color : colors) {
        const int from = IndexOf(color.from), to = IndexOf(color.to);
        if (to <= from) continue;
        QTextCharFormat format;
        if (color.color.isValid()) format.setForeground(color.color);
        if (color.bold) format.setFontWeight(QFont::Bold);
        m_formats.append({from, to - from, format});
    }
    CutPieces();
}

CTextRowLayout::~CTextRowLayout() = default;

void CTextRowLayout::BuildText(std::string_view text) {
    m_length = static_cast<int>(text.size());
    const bool utf8 = m_style.codePage == CP_UTF8;
    if (utf8 && std::all_of(text.begin(), text.end(),
                            [](char c) { return PlainByte(static_cast<unsigned char>(c)); })) {
        m_text = QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
        return;
    }
    m_indexOfByte.assign(static_cast<size_t>(m_length) + 1, 0);
    m_byteOfIndex.reserve(static_cast<size_t>(m_length) + 1);
    if (utf8) {
        // Straight into the characters: never more UTF-16 units than bytes.
        m_text.resize(m_length);
        QChar* out = m_text.data();
        int units = 0;
        const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
        for (int at = 0; at < m_length;) {
            const int size = CharacterLength(text.data(), m_length, at, CP_UTF8);
            char32_t code = bytes[at];
            if (code >= 0x80 && DecodeUtf8(bytes + at, static_cast<size_t>(m_length - at), code) != size)
                code = kReplacement;  // no valid sequence
            code = Shown(code);
            for (int b = at; b < at + size; ++b) m_indexOfByte[static_cast<size_t>(b)] = units;
            if (QChar::requiresSurrogates(code)) {
                out[units++] = QChar(QChar::highSurrogate(code));
                out[units++] = QChar(QChar::lowSurrogate(code));
                m_byteOfIndex.insert(m_byteOfIndex.end(), 2, at);
            } else {
                out[units++] = QChar(static_cast<char16_t>(code));
                m_byteOfIndex.push_back(at);
            }
            at += size;
        }
        m_text.resize(units);
    } else {
        // Another code page: each character through the conversion, control
        // bytes as pictures.
        CCharsetConverter converter(IconvCharset(m_style.codePage), "UTF-8");
        std::string converted;
        m_text.reserve(m_length);
        for (int at = 0; at < m_length;) {
            const int size = CharacterLength(text.data(), m_length, at, m_style.codePage);
            const unsigned char c = static_cast<unsigned char>(text[static_cast<size_t>(at)]);
            QString shown;
            if (size == 1 && (c < 0x20 || c == 0x7F)) {
                const char32_t code = Shown(c);
                shown = QString::fromUcs4(&code, 1);
            } else {
                converted.clear();
                int lossy = 0;
                if (converter.IsValid())
                    converter.Convert(text.substr(static_cast<size_t>(at), static_cast<size_t>(size)),
                                      converted, lossy);
                shown = QString::fromUtf8(converted.data(), static_cast<qsizetype>(converted.size()));
                if (shown.isEmpty()) shown = QString(QChar(kReplacement));
            }
            const int index = static_cast<int>(m_text.size());
            for (int b = at; b < at + size; ++b) m_indexOfByte[static_cast<size_t>(b)] = index;
            m_byteOfIndex.insert(m_byteOfIndex.end(), static_cast<size_t>(shown.size()), at);
            m_text += shown;
            at += size;
        }
    }
    m_indexOfByte[static_cast<size_t>(m_length)] = static_cast<int>(m_text.size());
    m_byteOfIndex.push_back(m_length);
}

int CTextRowLayout::IndexOf(int byte) const {
    byte = std::clamp(byte, 0, m_length);
    return m_indexOfByte.empty() ? byte : m_indexOfByte[static_cast<size_t>(byte)];
}

int CTextRowLayout::ByteOf(int index) const {
    index = std::clamp(index, 0, static_cast<int>(m_text.size()));
    return m_byteOfIndex.empty() ? index : m_byteOfIndex[static_cast<size_t>(index)];
}

// ---- Pieces ----

void CTextRowLayout::CutPieces() {
    const int count = static_cast<int>(m_text.size());
    if (count <= kPieceLength) {
        m_pieces.emplace_back();
        m_pieces.back().length = count;
        return;
    }
    // Without wrapping, tabs stand on the row's stops only when their piece
    // starts on one: a piece ends after a tab where it can, and a piece that
    // starts elsewhere ends before its first tab, which then stands alone.
    // Wrapping, each visual line has stops of its own, and a piece ends after
    // a blank where it can, where a line would break anyway.
    const auto lastOf = [this](int from, int to, bool blanks) {
        for (int i = to - 1; i >= from; --i) {
            const QChar c = m_text.at(i);
            if (c == QLatin1Char('\t') || (blanks && c == QLatin1Char(' '))) return i;
        }
        return -1;
    };
    bool onStop = true;
    for (int start = 0; start < count;) {
        PIECE piece;
        piece.start = start;
        if (!Wrapping() && !onStop && m_text.at(start) == QLatin1Char('\t')) {
            piece.length = 1;
            piece.loneTab = true;
            m_pieces.push_back(std::move(piece));
            onStop = true;
            ++start;
            continue;
        }
        int end = std::min(count, start + kPieceLength);
        while (end < count && end > start + 1 && Joined(m_text, end)) --end;
        bool nextOnStop = false;
        if (end < count) {
            if (Wrapping()) {
                const int blank = lastOf(start + kPieceLength / 2, end, true);
                if (blank >= 0) end = blank + 1;
            } else if (onStop) {
                const int tab = lastOf(start + kPieceLength / 2, end, false);
                if (tab >= 0) {
                    end = tab + 1;
                    nextOnStop = true;
                }
            }
        }
        if (!Wrapping() && !onStop) {
            const int tab = static_cast<int>(m_text.indexOf(QLatin1Char('\t'), start));
            if (tab >= 0 && tab < end) end = tab;
        }
        piece.length = end - start;
        m_pieces.push_back(std::move(piece));
        onStop = nextOnStop;
        start = end;
    }
}

int CTextRowLayout::PieceOf(int index) const {
    const auto it = std::upper_bound(m_pieces.begin(), m_pieces.end(), index,
                                     [](int i, const PIECE& piece) { return i < piece.start; });
    return std::max(0, static_cast<int>(it - m_pieces.begin()) - 1);
}

int CTextRowLayout::EstimatedLines(const PIECE& piece) const {
    const qreal width = piece.length * std::max(m_style.estimateAdvance, m_style.fixedAdvance);
    return std::max(1, static_cast<int>(std::ceil(width / m_style.wrapWidth)));
}

void CTextRowLayout::Place(int k) const {
    k = std::min(k, static_cast<int>(m_pieces.size()) - 1);
    for (int i = m_placed; i <= k; ++i) {
        Measure(i - 1);
        const PIECE& before = m_pieces[static_cast<size_t>(i - 1)];
        PIECE& piece = m_pieces[static_cast<size_t>(i)];
        if (Wrapping())
            piece.firstLine = before.firstLine + before.lines;
        else
            piece.x = before.x + before.width;
        m_placed = i + 1;
    }
}

void CTextRowLayout::Measure(int k) const {
    PIECE& piece = m_pieces[static_cast<size_t>(k)];
    if (Wrapping() ? piece.lines >= 0 : piece.width >= 0) return;
    if (!Wrapping() && !piece.loneTab) {
        // Without shaping where the characters allow: printable ASCII in a
        // font of one width (bold alike), else each character's own advance
        // where no bold changes it.
        const QStringView text = QStringView(m_text).mid(piece.start, piece.length);
        qreal width =
            m_style.fixedAdvance > 0 ? FixedWidth(text, m_style.fixedAdvance, m_style.tabDistance) : -1;
        if (width < 0 && m_style.advances) {
            const QList<QTextLayout::FormatRange> formats = FormatsOf(piece);
            if (std::none_of(formats.begin(), formats.end(),
                             [](const auto& f) { return f.format.fontWeight() > QFont::Normal; }))
                width = SummedWidth(text, *m_style.advances, m_style.tabDistance);
        }
        if (width >= 0) {
            piece.width = width;
            piece.measuredFast = true;
            return;
        }
    }
    LaidOut(k);
}

QList<QTextLayout::FormatRange> CTextRowLayout::FormatsOf(const PIECE& piece) const {
    QList<QTextLayout::FormatRange> formats;
    for (const QTextLayout::FormatRange& format : m_formats) {
        const QTextLayout::FormatRange local = Clipped(format, piece.start, piece.length);
        if (local.length > 0) formats.append(local);
    }
    return formats;
}

void CTextRowLayout::AdoptFrom(CTextRowLayout& previous, int sameBytes) {
    const int same = IndexOf(std::min(sameBytes, m_length));
    int adopted = 0;
    while (adopted < static_cast<int>(m_pieces.size()) && adopted < previous.m_placed) {
        PIECE& mine = m_pieces[static_cast<size_t>(adopted)];
        PIECE& theirs = previous.m_pieces[static_cast<size_t>(adopted)];
        const bool measured = Wrapping() ? theirs.lines >= 0 : theirs.width >= 0;
        if (!measured || mine.start != theirs.start || mine.length != theirs.length ||
            mine.loneTab != theirs.loneTab || mine.start + mine.length > same ||
            FormatsOf(mine) != previous.FormatsOf(theirs))
            break;
        mine.x = theirs.x;
        mine.firstLine = theirs.firstLine;
        mine.width = theirs.width;
        mine.lines = theirs.lines;
        mine.measuredFast = theirs.measuredFast;
        mine.layout = std::move(theirs.layout);
        ++adopted;
    }
    m_placed = std::max(m_placed, adopted);
}

QTextLayout& CTextRowLayout::LaidOut(int k) const {
    PIECE& piece = m_pieces[static_cast<size_t>(k)];
    if (piece.layout) return *piece.layout;
    QTextOption option;
    option.setTextDirection(Qt::LeftToRight);
    option.setTabStopDistance(m_style.tabDistance);
    option.setWrapMode(Wrapping() ? QTextOption::WrapAtWordBoundaryOrAnywhere : QTextOption::NoWrap);
    if (!Wrapping()) option.setFlags(QTextOption::IncludeTrailingSpaces);
    if (piece.loneTab) {
        // To the row's next stop, counted in the layout's 1/64 pixels.
        Place(k);
        const qint64 x = std::llround(piece.x * 64),
                     stop = std::max<qint64>(1, std::llround(m_style.tabDistance * 64));
        option.setTabs(
            {QTextOption::Tab(static_cast<qreal>((x / stop + 1) * stop - x) / 64, QTextOption::LeftTab)});
    }
    auto layout = std::make_unique<QTextLayout>(m_text.mid(piece.start, piece.length), m_style.font);
    layout->setTextOption(option);
    layout->setCacheEnabled(true);
    layout->setFormats(FormatsOf(piece));
    layout->beginLayout();
    int lines = 0;
    qreal widest = 0;
    for (;;) {
        QTextLine line = layout->createLine();
        if (!line.isValid()) break;
        line.setLineWidth(Wrapping() ? m_style.wrapWidth : kNoWrapWidth);
        // Every baseline at the same height, whatever font a line's glyphs come from.
        line.setPosition(QPointF(0, lines * m_style.lineHeight + m_style.ascent - line.ascent()));
        widest = std::max(widest, line.cursorToX(line.textStart() + line.textLength()));
        ++lines;
    }
    layout->endLayout();
    piece.lines = std::max(1, lines);
    if (!Wrapping() && piece.measuredFast && piece.width != widest) {
        // The layout disagrees with the fast measure: the pieces after move.
        m_placed = std::min(m_placed, k + 1);
    }
    piece.width = widest;
    piece.measuredFast = false;
    piece.layout = std::move(layout);
    return *piece.layout;
}

int CTextRowLayout::PiecesLaidOut() const {
    return static_cast<int>(std::count_if(m_pieces.begin(), m_pieces.end(),
                                          [](const PIECE& piece) { return piece.layout != nullptr; }));
}

std::pair<int, int> CTextRowLayout::PieceOfLine(int line) const {
    line = std::max(0, line);
    const int count = static_cast<int>(m_pieces.size());
    for (int k = 0; k < count; ++k) {
        Place(k);
        LaidOut(k);
        const PIECE& piece = m_pieces[static_cast<size_t>(k)];
        if (line < piece.firstLine + piece.lines || k + 1 == count)
            return {k, std::min(line - piece.firstLine, piece.lines - 1)};
    }
    return {0, 0};
}

int CTextRowLayout::PieceAtX(qreal x) const {
    // The placed pieces first, then on until one reaches past x.
    const auto end = m_pieces.begin() + m_placed;
    const auto it = std::upper_bound(m_pieces.begin(), end, x,
                                     [](qreal value, const PIECE& piece) { return value < piece.x; });
    int k = std::max(0, static_cast<int>(it - m_pieces.begin()) - 1);
    const int count = static_cast<int>(m_pieces.size());
    while (k + 1 < count && k + 1 >= m_placed) {
        Place(k + 1);
        if (m_pieces[static_cast<size_t>(k + 1)].x > x) break;
        ++k;
    }
    return k;
}

// ---- Geometry ----

int CTextRowLayout::LineCount() const {
    if (!Wrapping()) return 1;
    // The pieces are laid out as far as a pane's height can show; the lines
    // of the rest are estimated.
    int lines = 0;
    for (int k = 0; k < static_cast<int>(m_pieces.size()); ++k) {
        const PIECE& piece = m_pieces[static_cast<size_t>(k)];
        if (piece.lines < 0 && lines < m_style.lineHorizon) {
            Place(k);
            LaidOut(k);
        }
        lines += piece.lines >= 0 ? piece.lines : EstimatedLines(piece);
    }
    return lines;
}

int CTextRowLayout::LineOf(int byte) const {
    if (!Wrapping()) return 0;
    const int index = IndexOf(byte);
    const int k = PieceOf(index);
    Place(k);
    const PIECE& piece = m_pieces[static_cast<size_t>(k)];
    QTextLayout& layout = LaidOut(k);
    QTextLine line = layout.lineForTextPosition(index - piece.start);
    if (!line.isValid()) line = layout.lineAt(layout.lineCount() - 1);
    return piece.firstLine + line.lineNumber();
}

qreal CTextRowLayout::XOf(int byte) const {
    const int index = IndexOf(byte);
    const int k = PieceOf(index);
    Place(k);
    QTextLayout& layout = LaidOut(k);
    const PIECE& piece = m_pieces[static_cast<size_t>(k)];
    QTextLine line = layout.lineForTextPosition(index - piece.start);
    if (!line.isValid()) line = layout.lineAt(layout.lineCount() - 1);
    return piece.x + line.cursorToX(index - piece.start);
}

int CTextRowLayout::ByteAt(int line, qreal x) const {
    if (!Wrapping()) {
        const int k = PieceAtX(x);
        QTextLayout& layout = LaidOut(k);
        const PIECE& piece = m_pieces[static_cast<size_t>(k)];
        const int local = layout.lineAt(0).xToCursor(x - piece.x, QTextLine::CursorBetweenCharacters);
        return ByteOf(piece.start + local);
    }
    const auto [k, number] = PieceOfLine(line);
    const PIECE& piece = m_pieces[static_cast<size_t>(k)];
    QTextLayout& layout = *piece.layout;
    const QTextLine visual = layout.lineAt(number);
    int local = visual.xToCursor(x, QTextLine::CursorBetweenCharacters);
    const int end = visual.textStart() + visual.textLength();
    const bool last = k + 1 == static_cast<int>(m_pieces.size()) && number + 1 == layout.lineCount();
    if (!last && local >= end && visual.textLength() > 0) local = layout.previousCursorPosition(end);
    return ByteOf(piece.start + local);
}

std::pair<int, int> CTextRowLayout::LineBytes(int line) const {
    if (!Wrapping()) return {0, m_length};
    const auto [k, number] = PieceOfLine(line);
    const PIECE& piece = m_pieces[static_cast<size_t>(k)];
    const QTextLine visual = piece.layout->lineAt(number);
    return {ByteOf(piece.start + visual.textStart()),
            ByteOf(piece.start + visual.textStart() + visual.textLength())};
}

qreal CTextRowLayout::LineEndX(int line) const {
    if (!Wrapping()) return XOf(m_length);
    const auto [k, number] = PieceOfLine(line);
    const PIECE& piece = m_pieces[static_cast<size_t>(k)];
    const QTextLine visual = piece.layout->lineAt(number);
    return visual.cursorToX(visual.textStart() + visual.textLength());
}

qreal CTextRowLayout::Width() const {
    if (m_pieces.size() == 1) LaidOut(0);
    qreal width = 0;
    for (const PIECE& piece : m_pieces)
        width += piece.width >= 0 ? piece.width
                                  : piece.length * std::max(m_style.estimateAdvance, m_style.fixedAdvance);
    return width;
}

bool CTextRowLayout::EndsBefore(qreal x) const {
    if (Wrapping()) return true;
    const int k = PieceAtX(x);
    if (k + 1 < static_cast<int>(m_pieces.size())) return false;
    Measure(k);
    const PIECE& piece = m_pieces[static_cast<size_t>(k)];
    return piece.x + piece.width <= x;
}

int CTextRowLayout::NextPosition(int byte) const {
    const int index = IndexOf(byte);
    if (index >= m_text.size()) return m_length;
    const int k = PieceOf(index);
    const PIECE& piece = m_pieces[static_cast<size_t>(k)];
    return ByteOf(piece.start + LaidOut(k).nextCursorPosition(index - piece.start));
}

int CTextRowLayout::PreviousPosition(int byte) const {
    const int index = IndexOf(byte);
    if (index <= 0) return 0;
    const int k = PieceOf(index - 1);
    const PIECE& piece = m_pieces[static_cast<size_t>(k)];
    return ByteOf(piece.start + LaidOut(k).previousCursorPosition(index - piece.start));
}

std::vector<QRectF> CTextRowLayout::RangeRects(int from, int to, const QRectF& clip) const {
    std::vector<QRectF> rects;
    if (from >= to) return rects;
    const qreal height = m_style.lineHeight;
    if (!Wrapping()) {
        // Only the part in the clip is measured: a long row costs no more.
        from = std::max(from, PreviousPosition(ByteAt(0, clip.left())));
        to = std::min(to, NextPosition(ByteAt(0, clip.right())));
        if (from >= to) return rects;
        const qreal left = XOf(from), right = XOf(to);
        if (right > left) rects.emplace_back(left, 0, right - left, height);
        return rects;
    }
    const int top = std::max(0, static_cast<int>(std::floor(clip.top() / height)));
    const int bottom = static_cast<int>(std::ceil(clip.bottom() / height));
    const int first = IndexOf(from), last = IndexOf(to);
    for (int line = top; line < bottom; ++line) {
        const auto [k, number] = PieceOfLine(line);
        const PIECE& piece = m_pieces[static_cast<size_t>(k)];
        if (piece.firstLine + number != line) break;  // past the row's last line
        const QTextLine visual = piece.layout->lineAt(number);
        const int start = visual.textStart(), end = start + visual.textLength();
        const int a = std::max(first - piece.start, start), b = std::min(last - piece.start, end);
        if (b <= a) continue;
        const qreal left = visual.cursorToX(a), right = visual.cursorToX(b);
        if (right > left) rects.emplace_back(left, line * height, right - left, height);
    }
    return rects;
}

void CTextRowLayout::Draw(QPainter& painter, QPointF origin, const QRectF& clip,
                          const QList<QTextLayout::FormatRange>& selections) const {
    int first = 0, last = 0;
    if (!Wrapping()) {
        first = PieceAtX(clip.left());
        last = PieceAtX(clip.right());
    } else {
        first = PieceOfLine(static_cast<int>(std::floor(clip.top() / m_style.lineHeight))).first;
        last = PieceOfLine(static_cast<int>(std::ceil(clip.bottom() / m_style.lineHeight))).first;
    }
    for (int k = first; k <= last; ++k) {
        Place(k);
        QTextLayout& layout = LaidOut(k);
        const PIECE& piece = m_pieces[static_cast<size_t>(k)];
        QList<QTextLayout::FormatRange> local;
        for (const QTextLayout::FormatRange& selection : selections) {
            const QTextLayout::FormatRange part = Clipped(selection, piece.start, piece.length);
            if (part.length > 0) local.append(part);
        }
        const QPointF at = origin + QPointF(piece.x, piece.firstLine * m_style.lineHeight);
        layout.draw(&painter, at, local, clip.translated(origin));
    }
}

qreal CTextRowLayout::FixedWidth(QStringView text, qreal advance, qreal tabDistance) {
    // In the layout's own units, 1/64 pixel, as it adds advances and finds
    // the next tab stop; -1 for a character that is not printable ASCII.
    const qint64 step = std::llround(advance * 64),
                 stop = std::max<qint64>(1, std::llround(tabDistance * 64));
    qint64 x = 0;
    for (const QChar c : text) {
        if (c == QLatin1Char('\t'))
            x = (x / stop + 1) * stop;
        else if (c.unicode() >= 0x20 && c.unicode() < 0x7F)
            x += step;
        else
            return -1;
    }
    return static_cast<qreal>(x) / 64;
}

qreal CTextRowLayout::SummedWidth(QStringView text, CCharacterAdvances& advances, qreal tabDistance) {
    const qint64 stop = std::max<qint64>(1, std::llround(tabDistance * 64));
    qint64 x = 0;
    for (const QChar c : text) {
        if (c == QLatin1Char('\t')) {
            x = (x / stop + 1) * stop;
            continue;
        }
        const qreal advance = advances.Of(c);
        if (advance < 0) return -1;
        x += std::llround(advance * 64);
    }
    return static_cast<qreal>(x) / 64;
}

qreal CTextRowLayout::FixedAdvance(const QFont& font, qreal tabDistance) {
    // Every printable ASCII character, in both weights, laid out as rows
    // are; then tabs among them, against the sum made without a layout.
    QString ascii;
    for (char16_t c = 0x20; c < 0x7F; ++c) ascii += QChar(c);
    const QString tabbed = QStringLiteral("\tab\tabc\tabcdefg\t\t;x\tlonger than a stop\t!");
    qreal advance = 0;
    for (const bool bold : {false, true}) {
        for (const QString& text : {ascii, tabbed}) {
            QTextLayout layout(text, font);
            QTextOption option;
            option.setWrapMode(QTextOption::NoWrap);
            option.setFlags(QTextOption::IncludeTrailingSpaces);
            option.setTabStopDistance(tabDistance);
            layout.setTextOption(option);
            if (bold) {
                QTextCharFormat format;
                format.setFontWeight(QFont::Bold);
                layout.setFormats({{0, static_cast<int>(text.size()), format}});
            }
            layout.beginLayout();
            QTextLine line = layout.createLine();
            line.setLineWidth(kNoWrapWidth);
            layout.endLayout();
            if (advance == 0) advance = line.cursorToX(1);
            for (int i = 1; i <= text.size(); ++i)
                if (line.cursorToX(i) != FixedWidth(QStringView(text).left(i), advance, tabDistance))
                    return 0;
        }
    }
    return advance;
}

}  // namespace corvatine::ui
