// The text pane's geometry against Qt's own text layout: the positions the
// pane uses (PointOf, the in-line difference boxes, the selection, the caret,
// clicks) are those of a layout of the same text in the same font, for wide,
// fallback and replacement characters, tabs and long lines; the view follows
// the caret sideways; word wrap keeps the rows of a comparison level; the
// white-space markers show. Real widgets on the offscreen platform, the
// editor's font set to DejaVu Sans Mono at 12 px.
#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFontMetricsF>
#include <QImage>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTextLayout>

#include <algorithm>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "UiTestApp.h"
#include "editor/SyntaxEditor.h"
#include "fileio/CodePages.h"
#include "launch/Components.h"
#include "launch/CorvatineApp.h"
#include "textcompare/TextCompareColors.h"
#include "textcompare/TextCompareOptions.h"
#include "ui/ActiveColors.h"
#include "ui/MainFrame.h"
#include "ui/TextCompareView.h"
#include "ui/TextEditView.h"
#include "ui/UiText.h"

using namespace corvatine;
using namespace corvatine::ui;

namespace {

// Rows that drift when a cell width is assumed: 300 columns of C, fallback
// and replacement characters (one invalid byte among them), tabs, a version.
const std::string kLongC =
    "static int deflate_stored(deflate_state *s, int flush) { unsigned min_block = MIN(s->pending_buf_size - "
    "5, "
    "s->w_size); unsigned left, have, last = 0; unsigned used = s->strm->avail_in; do { len = MAX_STORED; "
    "have = (s->bi_valid + 42) >> 3; if (s->strm->avail_out < have) break; have = s->strm->avail_out - have; "
    "}";
const std::string kFallback =
    "Mark Adler <madler@alumni.caltech.edu> \xE2\x80\x94 Paul Marquess <pmqs@cpan.org> \xEF\xBF\xBD bad \xFF "
    "byte \xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E emoji \xF0\x9F\x98\x80 end";
const std::string kTabs = "\tint\tx;\t/* tab */\t\tend\t";
const std::string kVersion = "zlib 1.2.11 and 1.3.1: zlib-1.2.11.tar.gz";

// The first byte of each character, and the end.
std::vector<int> CharacterStarts(const std::string& bytes) {
    std::vector<int> starts;
    for (size_t b = 0; b <= bytes.size(); ++b)
        if (b == bytes.size() || (static_cast<unsigned char>(bytes[b]) & 0xC0) != 0x80)
            starts.push_back(static_cast<int>(b));
    return starts;
}

// A layout of the row made here, as Qt lays out text: the reference.
class CReference {
public:
    CReference(const CTextPane& pane, const std::string& bytes) : m_bytes(bytes) {
        m_layout = std::make_unique<QTextLayout>(
            QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size())), pane.font());
        QTextOption option;
        option.setWrapMode(QTextOption::NoWrap);
        option.setFlags(QTextOption::IncludeTrailingSpaces);
        option.setTabStopDistance(pane.TabSize() *
                                  QFontMetricsF(pane.font()).horizontalAdvance(QLatin1Char(' ')));
        m_layout->setTextOption(option);
        m_layout->beginLayout();
        QTextLine line = m_layout->createLine();
        line.setLineWidth(1e6);
        m_layout->endLayout();
    }
    // The x of a byte position from the row's left edge.
    qreal X(int byte) const {
        const int index = static_cast<int>(QString::fromUtf8(m_bytes.data(), byte).size());
        return m_layout->lineAt(0).cursorToX(index);
    }

private:
    std::string m_bytes;
    std::unique_ptr<QTextLayout> m_layout;
};

// The spans [from, to) of the columns of a band that show a colour between
// its first and last pixel rows (which the current difference's lines take):
// the glyphs drawn over a filled span leave some of its pixels in each column.
std::vector<std::pair<int, int>> Runs(const QImage& image, const QRect& band, const QColor& colour) {
    const auto shows = [&](int x) {
        for (int y = band.top() + 1; y < band.bottom(); ++y)
            if (image.pixelColor(x, y) == colour) return true;
        return false;
    };
    std::vector<std::pair<int, int>> runs;
    for (int x = 0; x < image.width(); ++x) {
        if (!shows(x)) continue;
        int end = x;
        while (end < image.width() && shows(end)) ++end;
        runs.emplace_back(x, end);
        x = end;
    }
    return runs;
}

// The columns whose pixels are all the colour from top to bottom of a band:
// only the caret draws such a bar.
std::vector<int> Bars(const QImage& image, int top, int height, const QColor& colour) {
    std::vector<int> bars;
    for (int x = 0; x < image.width(); ++x) {
        bool all = true;
        for (int y = top; y < top + height && all; ++y) all = image.pixelColor(x, y) == colour;
        if (all) bars.push_back(x);
    }
    return bars;
}

QColor CaretColour() { return ToQColor(GetSyntaxEditor().colors[COLORINDEX_NORMALTEXT].color); }

using uitest::ScreenshotFolder;

}  // namespace

class TextPaneTest : public QObject {
    Q_OBJECT

private:
    std::string Write(const std::string& name, const std::string& bytes) {
        return uitest::WriteInto(*m_dir, name, bytes);
    }
    CTextEditView* Edit(const std::string& bytes) {
        auto* view = qobject_cast<CTextEditView*>(m_frame->OpenFile(Write("rows.txt", bytes)));
        if (view != nullptr) QTest::qWait(0);
        return view;
    }
    CTextCompareView* Compare(const std::string& left, const std::string& right) {
        CTextCompareParams request;
        request.sides[0].path = Write("left.txt", left);
        request.sides[1].path = Write("right.txt", right);
        request.rules = 0;
        auto* view = qobject_cast<CTextCompareView*>(m_frame->OpenRequest(request));
        if (view != nullptr) QTest::qWait(0);
        return view;
    }
    void Focus(CTextPane& pane) {
        m_frame->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_frame.get()));
        pane.setFocus();
        QTRY_VERIFY(pane.hasFocus());
    }
    QAction* Action(const char* name) { return m_frame->findChild<QAction*>(QString::fromLatin1(name)); }
    void Save(const QImage& image, const char* name) {
        const QString folder = ScreenshotFolder();
        if (!folder.isEmpty()) QVERIFY(image.save(folder + QLatin1Char('/') + QString::fromLatin1(name)));
    }

    std::unique_ptr<QTemporaryDir> m_config;
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<CCorvatineApp> m_app;
    std::unique_ptr<CMainFrame> m_frame;

private slots:
    void initTestCase() {
        m_config = std::make_unique<QTemporaryDir>();
        m_app = uitest::StartTestApp(*m_config);
    }
    void cleanupTestCase() { uitest::StopTestApp(); }

    void init() {
        m_dir = std::make_unique<QTemporaryDir>();
        AppComponents().Text().ResetToDefaults();
        GetSyntaxEditor().font = "DejaVu Sans Mono|12|400|0|0";
        GetSyntaxEditor().tabSize = 4;
        m_frame = std::make_unique<CMainFrame>(*m_app);
        m_frame->resize(1600, 900);
        m_frame->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_frame.get()));
    }
    void cleanup() {
        while (m_frame->ViewCount() > 0) m_frame->CloseView(m_frame->View(0), false);
        m_frame.reset();
    }

    // PointOf answers the layout's own cursor position of every character
    // boundary, and a point just inside either edge of a character is that
    // edge's position.
    void PositionsAreTheLayoutsOwn() {
        const std::string rows[] = {kLongC, kFallback, kTabs, kVersion};
        CTextEditView* view = Edit(kLongC + "\n" + kFallback + "\n" + kTabs + "\n" + kVersion + "\n");
        QVERIFY(view != nullptr);
        CTextPane& pane = view->Pane();
        for (int row = 0; row < 4; ++row) {
            const CReference reference(pane, rows[row]);
            const int left = pane.PointOf({0, row}).x();
            const std::vector<int> starts = CharacterStarts(rows[row]);
            for (size_t i = 0; i < starts.size(); ++i) {
                const int byte = starts[i];
                const int expected = left + qRound(reference.X(byte));
                const QPoint at = pane.PointOf({byte, row});
                QVERIFY2(std::abs(at.x() - expected) <= 1,
                         qPrintable(QStringLiteral("row %1 byte %2: %3, the layout %4")
                                        .arg(row)
                                        .arg(byte)
                                        .arg(at.x())
                                        .arg(expected)));
                if (i + 1 == starts.size()) continue;
                const int next = left + qRound(reference.X(starts[i + 1]));
                if (next - expected < 5) continue;  // too narrow to aim inside
                QCOMPARE(pane.PositionAt(QPoint(expected + 1, at.y())), (CPoint{byte, row}));
                QCOMPARE(pane.PositionAt(QPoint(next - 2, at.y())), (CPoint{starts[i + 1], row}));
            }
        }
    }

    // Control characters show as their pictures and take room; with a
    // working code page other than UTF-8 the bytes are that code page's
    // characters, laid out as such.
    void ControlCharactersAndOtherCodePages() {
        CTextEditView* view =
            Edit(std::string("a\x01"
                             "b\x7F"
                             "c\x1B"
                             "d\n"));
        QVERIFY(view != nullptr);
        CTextPane& pane = view->Pane();
        const CReference pictures(pane,
                                  "a\xE2\x90\x81"
                                  "b\xE2\x90\xA1"
                                  "c\xE2\x90\x9B"
                                  "d");
        const int origin = pane.PointOf({0, 0}).x();
        const int bytes[] = {0, 1, 2, 3, 4, 5, 6, 7};
        const int shown[] = {0, 1, 4, 5, 8, 9, 12, 13};  // the same characters as pictures, in UTF-8
        for (int i = 0; i < 8; ++i)
            QVERIFY(std::abs(pane.PointOf({bytes[i], 0}).x() - (origin + qRound(pictures.X(shown[i])))) <= 1);
        QVERIFY(pane.PointOf({2, 0}).x() - pane.PointOf({1, 0}).x() > 3);
        m_frame->CloseView(view, false);

        const int codePage = WorkingCodePage();
        SetWorkingCodePage(1252);
        view = Edit("caf\xE9 \x80 na\xEFve\n");
        SetWorkingCodePage(codePage);
        QVERIFY(view != nullptr);
        CTextPane& latin = view->Pane();
        const CReference reference(latin, "caf\xC3\xA9 \xE2\x82\xAC na\xC3\xAFve");
        const int left = latin.PointOf({0, 0}).x();
        // c a f é ␠ € ␠ n a ï v e, a byte each here, in UTF-8 from these bytes on.
        const int utf8[] = {0, 1, 2, 3, 5, 6, 9, 10, 11, 12, 14, 15, 16};
        for (int byte = 0; byte <= 12; ++byte)
            QVERIFY2(std::abs(latin.PointOf({byte, 0}).x() - (left + qRound(reference.X(utf8[byte])))) <= 1,
                     qPrintable(QString::number(byte)));
        QCOMPARE(latin.Context().GetLine(0).Length(), 12);
    }

    // Clicks with the mouse at the edges of characters put the caret there,
    // up to column 103 and past the fallback characters.
    void ClicksAtGlyphEdgesGiveTheColumn() {
        CTextEditView* view = Edit(kLongC + "\n" + kFallback + "\n" + kTabs + "\n");
        QVERIFY(view != nullptr);
        CTextPane& pane = view->Pane();
        const std::pair<int, std::string> targets[] = {{0, kLongC}, {1, kFallback}, {2, kTabs}};
        for (const auto& [row, bytes] : targets) {
            const CReference reference(pane, bytes);
            const int left = pane.PointOf({0, row}).x();
            const int y = pane.RowRect(row).center().y();
            const std::vector<int> starts = CharacterStarts(bytes);
            for (size_t i = 0; i + 1 < starts.size(); ++i) {
                const int from = left + qRound(reference.X(starts[i]));
                const int to = left + qRound(reference.X(starts[i + 1]));
                if (to >= pane.width() || to - from < 5 || (row == 0 && i != 103 && i % 17 != 0)) continue;
                QTest::mouseClick(&pane, Qt::LeftButton, {}, QPoint(from + 1, y));
                QCOMPARE(pane.Caret(), (CPoint{starts[i], row}));
                QTest::mouseClick(&pane, Qt::LeftButton, {}, QPoint(to - 2, y));
                QCOMPARE(pane.Caret(), (CPoint{starts[i + 1], row}));
            }
        }
    }

    // The in-line difference boxes and the selection are filled from the
    // layout's positions of their ends: nothing of a character is left out.
    void BoxesAndSelectionStandOnTheLayout() {
        const std::string prefix =
            "Paul Marquess <pmqs@cpan.org> \xE2\x80\x94 \xE6\x97\xA5\xE6\x9C\xAC \xF0\x9F\x98\x80 "
            "\xEF\xBF\xBD zlib ";
        const std::string left = "same\n" + prefix + "1.2.11 written by Jean-loup Gailly\nsame\n";
        const std::string right = "same\n" + prefix + "1.3.1 written by Jean-loup Gailly and\nsame\n";
        CTextCompareView* view = Compare(left, right);
        QVERIFY(view != nullptr);
        const std::vector<STRINGDIFFERENCE> differences = view->Doc().LineDifferences(1);
        QVERIFY(!differences.empty());
        for (int side = 0; side < 2; ++side) {
            CTextPane& pane = view->Pane(side);
            const std::string bytes(view->Doc().GetSide(side).GetLine(1).Characters());
            const CReference reference(pane, bytes);
            const int origin = pane.PointOf({0, 1}).x();
            const QRect band = pane.RowRect(1);
            QImage image = pane.grab().toImage();
            Save(image, side == 0 ? "pane-boxes-left.png" : "pane-boxes-right.png");
            const QColor box = SchemeColor(ActiveColors().compare.Get(TCC_DIFFERENCE));
            std::vector<std::pair<int, int>> expected;
            for (const STRINGDIFFERENCE& d : differences) {
                const int from = side == 0 ? d.leftStart : d.rightStart,
                          last = side == 0 ? d.leftEnd : d.rightEnd;
                if (last < from) continue;
                expected.emplace_back(origin + qRound(reference.X(from)),
                                      origin + qRound(reference.X(last + 1)));
            }
            const std::vector<std::pair<int, int>> boxes = Runs(image, band, box);
            QCOMPARE(boxes.size(), expected.size());
            for (size_t i = 0; i < boxes.size(); ++i) {
                QVERIFY2(std::abs(boxes[i].first - expected[i].first) <= 1 &&
                             std::abs(boxes[i].second - expected[i].second) <= 1,
                         qPrintable(QStringLiteral("side %1 box %2: [%3, %4), the layout [%5, %6)")
                                        .arg(side)
                                        .arg(i)
                                        .arg(boxes[i].first)
                                        .arg(boxes[i].second)
                                        .arg(expected[i].first)
                                        .arg(expected[i].second)));
            }

            // The selection of the difference and what follows it.
            const int from = side == 0 ? differences.front().leftStart : differences.front().rightStart;
            const int to = static_cast<int>(bytes.size()) - 4;
            pane.Select({from, 1}, {to, 1});
            image = pane.grab().toImage();
            Save(image, side == 0 ? "pane-selection-left.png" : "pane-selection-right.png");
            // The selection in the scheme's colour (the desktop's, made readable
            // under its text); a bar beside the text left out.
            std::vector<std::pair<int, int>> selected =
                Runs(image, band, SchemeColor(ActiveColors().selection));
            selected.erase(std::remove_if(selected.begin(), selected.end(),
                                          [origin](const auto& run) { return run.second <= origin; }),
                           selected.end());
            QCOMPARE(selected.size(), size_t{1});
            QVERIFY(std::abs(selected[0].first - (origin + qRound(reference.X(from)))) <= 1);
            QVERIFY(std::abs(selected[0].second - (origin + qRound(reference.X(to)))) <= 1);
        }
    }

    // End on a long line scrolls the view so that the caret shows; typing
    // there shows the character with the caret after it.
    void EndScrollsAndTheCaretStandsAfterTyping() {
        CTextEditView* view = Edit("short\n" + kLongC + "\n");
        QVERIFY(view != nullptr);
        CTextPane& pane = view->Pane();
        Focus(pane);
        pane.SetCaret({0, 1});
        QTest::keyClick(&pane, Qt::Key_End);
        QCOMPARE(pane.Caret(), (CPoint{static_cast<int>(kLongC.size()), 1}));
        QTest::keyClicks(&pane, "W");
        QCOMPARE(pane.Caret(), (CPoint{static_cast<int>(kLongC.size()) + 1, 1}));
        pane.SetCaret(pane.Caret());  // the caret is on for a while now, whatever its blinking did
        const CReference reference(pane, kLongC + "W");
        const int origin = pane.PointOf({0, 1}).x();
        const int caret = pane.PointOf(pane.Caret()).x();
        QVERIFY(caret > pane.MarginWidth() && caret < pane.width());
        QVERIFY(std::abs(caret - (origin + qRound(reference.X(static_cast<int>(kLongC.size()) + 1)))) <= 1);
        const QRect band = pane.RowRect(1);
        const QImage image = pane.grab().toImage();
        Save(image, "pane-typed-at-end.png");
        const std::vector<int> bars = Bars(image, band.top(), band.height(), CaretColour());
        QVERIFY(!bars.empty());
        // The bar stands at the end of the W, not over it.
        const int w = origin + qRound(reference.X(static_cast<int>(kLongC.size())));
        for (int x : bars)
            QVERIFY2(x >= caret - 1 && x <= caret + 1 && x > w + 3, qPrintable(QString::number(x)));

        // Typing in the middle of a long line, past the right edge at first.
        pane.SetCaret({200, 1});
        QTest::keyClicks(&pane, "!");
        const CReference typed(pane, std::string(view->Doc().Context().GetLine(1).Characters()));
        const int at = pane.PointOf(pane.Caret()).x();
        QVERIFY(at > pane.MarginWidth() && at < pane.width());
        QVERIFY(std::abs(at - (pane.PointOf({0, 1}).x() + qRound(typed.X(201)))) <= 1);
        // Home scrolls back.
        QTest::keyClick(&pane, Qt::Key_Home);
        QCOMPARE(pane.PointOf({0, 1}).x(), pane.PointOf({0, 0}).x());
        QVERIFY(pane.PointOf({0, 1}).x() > pane.MarginWidth());
    }

    // The sideways scroll reaches the end of the widest row, one far below
    // the view too, and a wider row a reload brings into view.
    void TheScrollRangeReachesTheWidestRow() {
        std::string rows;
        for (int i = 0; i < 300; ++i) rows += "row " + std::to_string(i) + "\n";
        CTextEditView* view = Edit(rows + kLongC + "\n");
        QVERIFY(view != nullptr);
        CTextPane& pane = view->Pane();
        QScrollBar* bar = nullptr;
        for (QScrollBar* b : view->findChildren<QScrollBar*>())
            if (b->orientation() == Qt::Horizontal) bar = b;
        QVERIFY(bar != nullptr);
        const qreal width = CReference(pane, kLongC).X(static_cast<int>(kLongC.size()));
        QVERIFY(bar->maximum() + pane.TextWidth() >= width);

        const std::string wider = kLongC + " " + kLongC;
        uitest::WriteInto(*m_dir, "rows.txt", "short\n" + wider + "\n");
        view->Execute(Command::Reload);
        pane.repaint();
        QTRY_VERIFY(bar->maximum() + pane.TextWidth() >=
                    CReference(pane, wider).X(static_cast<int>(wider.size())));
    }

    // In a comparison both panes scroll sideways together, after the caret.
    void BothPanesFollowTheCaretSideways() {
        CTextCompareView* view = Compare("a\n" + kLongC + "\n", "a\n" + kLongC + " changed\n");
        QVERIFY(view != nullptr);
        CTextPane& left = view->Pane(0);
        CTextPane& right = view->Pane(1);
        Focus(left);
        left.SetCaret({0, 1});
        QTest::keyClick(&left, Qt::Key_End);
        const int caret = left.PointOf(left.Caret()).x();
        QVERIFY(caret > left.MarginWidth() && caret < left.width());
        // The same text stands at the same place on both sides.
        QCOMPARE(right.PointOf({250, 1}).x() - right.MarginWidth(),
                 left.PointOf({250, 1}).x() - left.MarginWidth());
        // Typing there, the comparison made again, the caret stays in view.
        QTest::keyClicks(&left, "!x");
        QCOMPARE(left.Caret(), (CPoint{static_cast<int>(kLongC.size()) + 2, 1}));
        const int typed = left.PointOf(left.Caret()).x();
        QVERIFY2(typed > left.MarginWidth() && typed < left.width(), qPrintable(QString::number(typed)));
    }

    // Up and Down keep the caret's x, not its byte or a cell count.
    void UpAndDownKeepTheX() {
        const std::string wide =
            "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E \xF0\x9F\x98\x80 \xE2\x80\x94\xE2\x80\x94 tail";
        CTextEditView* view = Edit("abcdefghijklmnopqrstuvwxyz0123456789\n" + wide + "\n");
        QVERIFY(view != nullptr);
        CTextPane& pane = view->Pane();
        Focus(pane);
        pane.SetCaret({8, 0});
        const int x = pane.PointOf({8, 0}).x();
        QTest::keyClick(&pane, Qt::Key_Down);
        const CReference reference(pane, wide);
        const int origin = pane.PointOf({0, 1}).x();
        // The nearest boundary of the row below.
        int best = 0;
        for (int byte : CharacterStarts(wide))
            if (std::abs(origin + reference.X(byte) - x) < std::abs(origin + reference.X(best) - x))
                best = byte;
        QCOMPARE(pane.Caret(), (CPoint{best, 1}));
        QTest::keyClick(&pane, Qt::Key_Up);
        QCOMPARE(pane.Caret(), (CPoint{8, 0}));
    }

    // Word Wrap from the View menu: rows wrap at the pane's width, the rows of
    // both sides stay level, the horizontal scroll bar goes, Down moves by a
    // visual line and clicks work on every one; the choice is remembered.
    void WrappedRowsStayLevel() {
        std::string longLeft;
        for (int i = 0; i < 40; ++i) longLeft += "word" + std::to_string(i) + " \xE2\x80\x94 ";
        CTextCompareView* view = Compare("one\n" + longLeft + "\nthree\nfour\n", "one\nshort\nthree\nfour\n");
        QVERIFY(view != nullptr);
        QAction* wrap = Action("wordWrap");
        QVERIFY(wrap != nullptr);
        QVERIFY(wrap->isCheckable());
        QVERIFY(!wrap->isChecked());
        wrap->trigger();
        QVERIFY(wrap->isChecked());
        QCOMPARE(GetSyntaxEditor().wordWrap, 1);
        CTextPane& left = view->Pane(0);
        CTextPane& right = view->Pane(1);
        QTest::qWait(0);
        const int lines = left.RowRect(1).height() / left.LineHeight();
        QVERIFY(lines > 1);
        for (int row = 0; row < 4; ++row) QCOMPARE(right.RowRect(row), left.RowRect(row));
        QCOMPARE(right.RowRect(2).top(), left.RowRect(1).bottom() + 1);
        // Every visual line holds text within the pane.
        QVERIFY(left.PointOf({static_cast<int>(longLeft.size()), 1}).x() < left.width());
        QVERIFY(left.PointOf({static_cast<int>(longLeft.size()), 1}).y() >
                left.RowRect(1).top() + left.LineHeight());
        for (QScrollBar* bar : view->findChildren<QScrollBar*>())
            if (bar->orientation() == Qt::Horizontal) QVERIFY(!bar->isVisible());
        const QImage image = view->grab().toImage();
        Save(image, "pane-wrapped.png");

        // Down from the first visual line of the long row stays in the row.
        Focus(left);
        left.SetCaret({5, 1});
        const QPoint first = left.PointOf(left.Caret());
        QTest::keyClick(&left, Qt::Key_Down);
        QCOMPARE(left.Caret().y, 1);
        const QPoint second = left.PointOf(left.Caret());
        QCOMPARE(second.y(), first.y() + left.LineHeight());
        QVERIFY(std::abs(second.x() - first.x()) < 8);
        // A click on the second visual line lands there.
        QTest::mouseClick(&left, Qt::LeftButton, {}, QPoint(first.x(), first.y() + left.LineHeight()));
        QCOMPARE(left.Caret(), (CPoint{left.Caret().x, 1}));
        QCOMPARE(left.PointOf(left.Caret()).y(), first.y() + left.LineHeight());
        QVERIFY(left.Caret().x > 5);

        wrap->trigger();
        QCOMPARE(GetSyntaxEditor().wordWrap, 0);
        QCOMPARE(left.RowRect(1).height(), left.LineHeight());
    }

    // Wrapped, a row taller than the pane is laid out only as far as it is
    // seen, and the view follows the caret down its visual lines.
    void ATallWrappedRowScrollsWithinItself() {
        std::string line;
        while (line.size() < 300000) line += "wrapped words \xE2\x80\x94 ";
        CTextEditView* view = Edit("first\n" + line + "\nlast\n");
        QVERIFY(view != nullptr);
        Action("wordWrap")->trigger();
        CTextPane& pane = view->Pane();
        QVERIFY(pane.WordWrap());
        pane.repaint();
        QVERIFY(pane.RowLineCount(1) > 10 * pane.VisibleLines());
        QVERIFY(pane.RowLayout(1).PiecesLaidOut() <= 8);
        Focus(pane);
        pane.SetCaret({0, 1});
        for (int i = 0; i < 3; ++i) QTest::keyClick(&pane, Qt::Key_PageDown);
        QCOMPARE(pane.Caret().y, 1);
        QCOMPARE(pane.FirstRow(), 1);
        QVERIFY(pane.FirstLine() > 0);
        const QPoint caret = pane.PointOf(pane.Caret());
        QVERIFY(caret.y() > 0 && caret.y() < pane.height());
        QVERIFY(caret.x() > pane.MarginWidth() && caret.x() < pane.width());
        // The caret's visual line, three pages down from the row's first.
        QCOMPARE(pane.RowLayout(1).LineOf(pane.Caret().x), 3 * pane.VisibleLines());
        // Up from there and back: the same place.
        const CPoint down = pane.Caret();
        QTest::keyClick(&pane, Qt::Key_Up);
        QTest::keyClick(&pane, Qt::Key_Down);
        QCOMPARE(pane.Caret(), down);
        QTest::keyClick(&pane, Qt::Key_Home);
        QCOMPARE(pane.FirstLine(), 0);
        Action("wordWrap")->trigger();
    }

    // Show White Space marks tabs, trailing blanks and each kind of line
    // ending, and moves no character.
    void WhiteSpaceMarkersShow() {
        CTextEditView* view = Edit("a\tb  \r\nlf line\ncr line\rlast");
        QVERIFY(view != nullptr);
        CTextPane& pane = view->Pane();
        QAction* show = Action("showWhiteSpace");
        QVERIFY(show != nullptr);
        QVERIFY(show->isCheckable());
        const QPoint before = pane.PointOf({3, 0});
        const QImage plain = pane.grab().toImage();
        show->trigger();
        QVERIFY(show->isChecked());
        QCOMPARE(GetSyntaxEditor().showWhiteSpace, 1);
        QCOMPARE(pane.PointOf({3, 0}), before);
        const QImage marked = pane.grab().toImage();
        Save(marked, "pane-white-space.png");
        // What differs, by row and place.
        const auto changed = [&](const QRect& area) {
            for (int y = area.top(); y <= area.bottom(); ++y)
                for (int x = area.left(); x <= area.right(); ++x)
                    if (plain.pixelColor(x, y) != marked.pixelColor(x, y)) return true;
            return false;
        };
        const auto span = [&](int row, int from, int to) {
            const QRect band = pane.RowRect(row);
            return QRect(QPoint(pane.PointOf({from, row}).x(), band.top()),
                         QPoint(pane.PointOf({to, row}).x() - 1, band.bottom()));
        };
        QVERIFY(changed(span(0, 1, 2)));   // the tab
        QVERIFY(!changed(span(0, 0, 1)));  // "a"
        QVERIFY(changed(span(0, 3, 5)));   // the trailing blanks
        // After the text: the endings, each its own, and none after the last line.
        const auto ending = [&](int row, int length) {
            const QRect band = pane.RowRect(row);
            const int x = pane.PointOf({length, row}).x();
            return marked.copy(QRect(x, band.top(), 40, band.height()));
        };
        const QImage crlf = ending(0, 5), lf = ending(1, 7), cr = ending(2, 7);
        QVERIFY(crlf != lf && lf != cr && crlf != cr);
        QVERIFY(!changed(span(3, 0, 4).adjusted(0, 0, 40, 0)));
        QVERIFY(changed(QRect(pane.PointOf({7, 1}).x(), pane.RowRect(1).top(), 40, pane.LineHeight())));
        show->trigger();
        QCOMPARE(GetSyntaxEditor().showWhiteSpace, 0);
    }

    // A line of 300,000 characters: laid out only where it is looked at, and
    // End reaches its end with the caret in view.
    // A block that moved is drawn in the moved colour, its first row's
    // margin shows a link, and a click on the link or Go to Moved Block
    // takes the caret to the other block.
    void MovedBlocksShowAndLink() {
        std::string a, b;
        for (int i = 0; i < 12; ++i) a += "a " + std::to_string(i) + "\n";
        for (int i = 0; i < 12; ++i) b += "b " + std::to_string(i) + "\n";
        const std::string block = "void moved() {\n    first();\n    second();\n}\n";
        CTextCompareView* view = Compare(block + a + "only left\n" + b, a + b + block);
        QVERIFY(view != nullptr);
        QCOMPARE(view->Doc().Context().Moves().size(), size_t{1});
        const TEXTMOVE move = view->Doc().Context().Moves()[0];
        CTextPane& left = view->Pane(0);
        CTextPane& right = view->Pane(1);
        left.repaint();
        const QImage image = left.grab().toImage();
        const auto pixel = [&](const QImage& from, const CTextPane& pane, int row) {
            return from.pixelColor(pane.width() - 20, pane.RowRect(row).center().y());
        };
        QCOMPARE(pixel(image, left, move.leftFirstRow + 1), ToQColor(ActiveColors().moved));
        const int oneSided = move.leftLastRow + 13;  // "only left"
        QCOMPARE(pixel(image, left, oneSided), ToQColor(ActiveColors().RowBackground(TCC_ONE_SIDED)));
        QVERIFY(ActiveColors().moved != ActiveColors().RowBackground(TCC_ONE_SIDED));
        // The link: something drawn in the margin's left part of the block's
        // first row, nothing there on the next.
        const auto inked = [&](int row) {
            const QRect rect = left.RowRect(row);
            const QColor margin = image.pixelColor(1, rect.top() + 1);
            int count = 0;
            for (int x = 0; x < 12; ++x)
                for (int y = rect.top(); y <= rect.bottom(); ++y) count += image.pixelColor(x, y) != margin;
            return count;
        };
        QVERIFY(inked(move.leftFirstRow) > 4);
        QCOMPARE(inked(move.leftFirstRow + 1), 0);
        Save(image, "moved-block.png");

        // A click on the link: the caret goes to the right pane's block.
        Focus(left);
        QTest::mouseClick(&left, Qt::LeftButton, {}, QPoint(6, left.RowRect(move.leftFirstRow).center().y()));
        QTRY_VERIFY(right.hasFocus());
        QCOMPARE(right.Caret(), (CPoint{0, move.rightFirstRow}));
        QVERIFY(right.RowInView(move.rightFirstRow));
        QVERIFY(view->StatusText().contains(QStringLiteral("moved here from line 1 on the left")));
        // And back with the command, which a row that did not move disables.
        QAction* go = Action("goToMovedBlock");
        QVERIFY(go != nullptr);
        m_frame->UpdateCommands();
        QVERIFY(go->isEnabled());
        go->trigger();
        QTRY_VERIFY(left.hasFocus());
        QCOMPARE(left.Caret(), (CPoint{0, move.leftFirstRow}));
        left.SetCaret({0, oneSided});
        m_frame->UpdateCommands();
        QVERIFY(!go->isEnabled());

        // Typed into, the block moves no more; the margin keeps its width
        // (the text does not jump sideways) till the pair is compared whole.
        const int margin = left.MarginWidth();
        Focus(right);
        right.SetCaret({0, move.rightFirstRow + 1});
        QTest::keyClicks(&right, "x");
        QTRY_VERIFY(view->Doc().Context().Moves().empty());
        QCOMPARE(left.MarginWidth(), margin);
        QVERIFY(!view->Doc().MoveStartsAt(0, move.leftFirstRow));
    }

    void ALongLineIsLaidOutWhereSeen() {
        std::string line;
        while (line.size() < 300000) line += "0123456789 abcdefghij\t";
        line.resize(300000);
        CTextEditView* view = Edit("first\n" + line + "\nlast\n");
        QVERIFY(view != nullptr);
        CTextPane& pane = view->Pane();
        pane.repaint();
        const CTextRowLayout& layout = pane.RowLayout(1);
        QVERIFY(layout.PieceCount() > 100);
        QVERIFY(layout.PiecesLaidOut() <= 2);
        Focus(pane);
        pane.SetCaret({0, 1});
        QTest::keyClick(&pane, Qt::Key_End);
        pane.repaint();
        QCOMPARE(pane.Caret(), (CPoint{300000, 1}));
        const int caret = pane.PointOf(pane.Caret()).x();
        QVERIFY(caret > pane.MarginWidth() && caret < pane.width());
        QVERIFY(pane.RowLayout(1).PiecesLaidOut() <= 4);
        // The tail stands where a layout of the tail alone puts it, tabs too.
        const int from = 299000 - 299000 % 22;  // a tab stop starts each 22 bytes
        const CReference tail(pane, line.substr(static_cast<size_t>(from)));
        const int start = pane.PointOf({from, 1}).x();
        for (int byte = from; byte <= 300000; byte += 7)
            QVERIFY(std::abs(pane.PointOf({byte, 1}).x() - (start + qRound(tail.X(byte - from)))) <= 1);
        QTest::keyClick(&pane, Qt::Key_Home);
        QCOMPARE(pane.Caret(), (CPoint{0, 1}));

        // Characters from other fonts: End measures the pieces before from
        // the characters' advances, and typing there keeps them.
        std::string other;
        while (other.size() < 300000)
            other += "na\xC3\xAFve \xE2\x80\x94 \xE6\x97\xA5\xE6\x9C\xAC caf\xC3\xA9 ";
        m_frame->CloseView(view, false);
        view = Edit("first\n" + other + "\nlast\n");
        QVERIFY(view != nullptr);
        CTextPane& wide = view->Pane();
        Focus(wide);
        wide.SetCaret({0, 1});
        QTest::keyClick(&wide, Qt::Key_End);
        QTest::keyClicks(&wide, "x");
        wide.repaint();
        const int end = static_cast<int>(other.size()) + 1;
        QCOMPARE(wide.Caret(), (CPoint{end, 1}));
        QVERIFY(wide.RowLayout(1).PiecesLaidOut() <= 4);
        const int at = wide.PointOf(wide.Caret()).x();
        QVERIFY(at > wide.MarginWidth() && at < wide.width());
        // The last characters where a layout of them alone puts them.
        const std::string text(view->Doc().Context().GetLine(1).Characters());
        int last = end - 40;
        while ((static_cast<unsigned char>(text[static_cast<size_t>(last)]) & 0xC0) == 0x80) ++last;
        const CReference ending(wide, text.substr(static_cast<size_t>(last)));
        QVERIFY(std::abs(at - (wide.PointOf({last, 1}).x() + qRound(ending.X(end - last)))) <= 1);
    }
};

QTEST_MAIN(TextPaneTest)
#include "TextPaneTest.moc"
