// The binary comparison view and the hex editor driven as a user drives them:
// real widgets on the offscreen platform, commands through their keys and
// actions, dialogs answered as they come up, results checked in the models
// and on disk.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileDialog>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QRandomGenerator>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QWheelEvent>

#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <mutex>
#include <sstream>

#include "UiTestApp.h"
#include "binarycompare/BinaryComparer.h"
#include "binarycompare/HexEditOptions.h"
#include "binarycompare/HexSearch.h"
#include "launch/Components.h"
#include "launch/CorvatineApp.h"
#include "platform/MessageQueue.h"
#include "platform/Path.h"
#include "textcompare/TextCompareColors.h"
#include "textcompare/TextCompareOptions.h"
#include "ui/ActiveColors.h"
#include "ui/BinaryLocationMap.h"
#include "ui/FolderCompareView.h"
#include "ui/HexCompareView.h"
#include "ui/HexDialogs.h"
#include "ui/HexEditorView.h"
#include "ui/MainFrame.h"
#include "ui/TextCompareView.h"
#include "ui/UiText.h"

using namespace corvatine;
using namespace corvatine::ui;

namespace {

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

using uitest::AnswerNextDialog;

// Presses a button of the next message box, keeping its text.
void Press(QMessageBox::StandardButton button, QString* text = nullptr) {
    AnswerNextDialog([button, text](QWidget* dialog) {
        auto* box = qobject_cast<QMessageBox*>(dialog);
        QVERIFY2(box != nullptr, "a message box");
        if (text != nullptr) *text = box->text();
        box->button(button)->click();
    });
}

// The left file: 1024 bytes of a pattern. The right one differs at
// [20, 24), 40 and [70, 80) and [600, 610), and has 16 bytes more.
std::string LeftBytes() {
    std::string bytes(1024, '\0');
    for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>((i * 7 + 3) % 251);
    return bytes;
}

std::string RightBytes() {
    std::string bytes = LeftBytes();
    for (size_t i : {20, 21, 22,  23,  40,  70,  71,  72,  73,  74,  75,  76, 77,
                     78, 79, 600, 601, 602, 603, 604, 605, 606, 607, 608, 609})
        bytes[i] = static_cast<char>(~bytes[i]);
    return bytes + std::string("sixteen more bytes").substr(0, 16);
}

const std::vector<BINARYDIFFERENCE> kExpectedRanges = {{20, 24, BYTE_DIFFERENT},
                                                       {40, 41, BYTE_DIFFERENT},
                                                       {70, 80, BYTE_DIFFERENT},
                                                       {600, 610, BYTE_DIFFERENT},
                                                       {1024, 1040, BYTE_RIGHT_ONLY}};

// Bytes written as hex digits ("41 42").
std::string Hex(const char* digits) {
    std::string bytes;
    std::istringstream in(digits);
    for (int byte = 0; in >> std::hex >> byte;) bytes += static_cast<char>(byte);
    return bytes;
}

// A point inside a byte's cell that no glyph covers: its top left corner.
QPoint CellCorner(const QRect& cell) { return cell.topLeft() + QPoint(1, 1); }

}  // namespace

class BinaryViewTest : public QObject {
    Q_OBJECT

private:
    std::string Write(const std::string& name, const std::string& bytes) {
        return uitest::WriteInto(*m_dir, name, bytes);
    }
    CHexCompareView* OpenPair(const std::string& left, const std::string& right,
                              const std::string& leftName = "left.bin",
                              const std::string& rightName = "right.bin") {
        CBinaryCompareParams request;
        request.sides[0].path = Write(leftName, left);
        request.sides[1].path = Write(rightName, right);
        return qobject_cast<CHexCompareView*>(m_frame->OpenRequest(request));
    }
    // The worker's pass is over and every range is listed.
    static bool Listed(CHexCompareView* view) {
        return view->Doc().State() != BINARY_COMPARING && view->Differences().Complete();
    }
    static std::vector<BINARYDIFFERENCE> ModelRanges(CHexCompareView* view) {
        std::vector<BINARYDIFFERENCE> list;
        view->Doc().Context().BuildDifferenceList(list, -1, -1);
        return list;
    }
    static std::string Contents(CHexEditContext& buffer) {
        std::string bytes(static_cast<size_t>(buffer.GetSize()), '\0');
        buffer.Read(reinterpret_cast<uint8_t*>(bytes.data()), buffer.GetSize(), 0);
        return bytes;
    }
    QString Status() const { return m_frame->findChild<QLabel*>(QStringLiteral("statusText"))->text(); }
    // After a dialog the window is active again: its keys reach their actions.
    void Reactivate() {
        m_frame->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_frame.get()));
    }
    void SaveScreenshot(const QImage& image, const QString& name) {
        const QByteArray folder = qgetenv("CORVATINE_SCREENSHOTS");
        if (folder.isEmpty()) return;
        QDir().mkpath(QString::fromLocal8Bit(folder));
        QVERIFY(image.save(QString::fromLocal8Bit(folder) + QLatin1Char('/') + name));
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
        AppComponents().Hex().ResetToDefaults();
        AppComponents().Text().ResetToDefaults();
        AppComponents().Binary().autoRecompare = 1;
        LastHexFind() = HEXFINDCHOICE();
        // The panes take the whole width: their text columns are checked.
        m_app->generalOptions.showLeftPane = 0;
        m_frame = std::make_unique<CMainFrame>(*m_app);
        m_frame->resize(1400, 640);
        m_frame->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_frame.get()));
    }
    void cleanup() {
        // Closed without asking: what a test left modified is dropped.
        while (m_frame->ViewCount() > 0) m_frame->CloseView(m_frame->View(0), false);
        m_frame.reset();
    }

    // Two files with scattered differences: the ranges are listed as the
    // context lists them, every byte is coloured by its status, the map
    // shows them, and Next, Previous, First and Last Difference visit them.
    void ScatteredDifferencesAreColouredAndVisited() {
        CHexCompareView* view = OpenPair(LeftBytes(), RightBytes());
        QVERIFY(view != nullptr);
        QCOMPARE(m_frame->windowTitle(), QStringLiteral("left.bin : right.bin - Corvatine"));
        QTRY_VERIFY_WITH_TIMEOUT(Listed(view), 20000);
        QCOMPARE(view->Differences().Ranges(), kExpectedRanges);
        QCOMPARE(view->Differences().Ranges(), ModelRanges(view));
        QTRY_VERIFY_WITH_TIMEOUT(
            Status().startsWith(QStringLiteral("Different    Diff: 5    Left: 0x0 (0)    OVR")), 30000);
        // The statuses the panes colour by are the context's, byte for byte.
        std::vector<int> statuses;
        view->ByteStatuses(0, 1040, statuses);
        for (int64_t offset = 0; offset < 1040; ++offset)
            QCOMPARE(statuses[static_cast<size_t>(offset)], view->Doc().Context().GetByteStatus(offset));

        CHexPane& left = view->Pane(0);
        CHexPane& right = view->Pane(1);
        left.setFocus();
        QTest::keyClick(&left, Qt::Key_Down, Qt::AltModifier);
        QCOMPARE(view->CurrentDifference(), 0);
        QCOMPARE(left.Caret(), 20);
        QCOMPARE(right.Selection(), (std::pair<int64_t, int64_t>(20, 24)));
        QTest::qWait(50);
        SaveScreenshot(m_frame->grab().toImage(), QStringLiteral("binary-view.png"));

        const CTextCompareColors& colors = AppComponents().Text().colors;
        const QColor changed = ToQColor(colors.Get(TCC_CHANGED));
        const QImage leftImage = left.grab().toImage();
        const QImage rightImage = right.grab().toImage();
        // Different bytes, in both panes and both columns; an equal byte keeps the background.
        for (int64_t offset : {40, 70, 79}) {
            QCOMPARE(leftImage.pixelColor(CellCorner(left.HexCellRect(offset))), changed);
            QCOMPARE(rightImage.pixelColor(CellCorner(right.HexCellRect(offset))), changed);
            QCOMPARE(leftImage.pixelColor(CellCorner(left.TextCellRect(offset))), changed);
        }
        QCOMPARE(leftImage.pixelColor(CellCorner(left.HexCellRect(50))), left.Color(2));
        // The current difference is selected.
        QCOMPARE(leftImage.pixelColor(CellCorner(left.HexCellRect(21))), left.Color(4));
        // The map shows the ranges where they are, and the rows in view.
        const QImage map = view->Map().grab().toImage();
        QVERIFY(map.pixelColor(CBinaryLocationMap::kWidth / 2, view->Map().YOf(605)) !=
                view->Map().palette().color(QPalette::Base));
        QCOMPARE(map.pixelColor(CBinaryLocationMap::kWidth / 2, view->Map().YOf(900)),
                 view->Map().palette().color(QPalette::Base));

        QTest::keyClick(&left, Qt::Key_Down, Qt::AltModifier);
        QCOMPARE(left.Caret(), 40);
        QTest::keyClick(&left, Qt::Key_Down, Qt::AltModifier);
        QCOMPARE(left.Caret(), 70);
        QTest::keyClick(&left, Qt::Key_Up, Qt::AltModifier);
        QCOMPARE(left.Caret(), 40);
        QCOMPARE(view->CurrentDifference(), 1);
        QTest::keyClick(&left, Qt::Key_End, Qt::AltModifier);
        QCOMPARE(view->CurrentDifference(), 4);
        // The right side's own bytes: the left pane's caret stands at its end.
        QCOMPARE(left.Caret(), 1024);
        QCOMPARE(right.Selection(), (std::pair<int64_t, int64_t>(1024, 1040)));
        QVERIFY(view->FirstRow() > 0);
        QTest::keyClick(&left, Qt::Key_Down, Qt::AltModifier);  // nothing after the last
        QCOMPARE(view->CurrentDifference(), 4);
        // Where the right side has bytes the left has none: one-sided there,
        // the placeholder colour here.
        QTest::qWait(20);
        const QImage tailLeft = left.grab().toImage();
        const QImage tailRight = right.grab().toImage();
        QCOMPARE(tailLeft.pixelColor(CellCorner(left.HexCellRect(1030))).rgb(),
                 SchemeColor(ActiveColors().CurrentBackground(TCC_GHOST)).rgb());
        QCOMPARE(SchemeColor(ActiveColors().CurrentBackground(TCC_GHOST)).rgb(),
                 ToQColor(colors.Get(TCC_GHOST)).darker(115).rgb());
        QCOMPARE(tailRight.pixelColor(CellCorner(right.HexCellRect(1030))), right.Color(4));  // selected
        QTest::keyClick(&left, Qt::Key_Home, Qt::AltModifier);
        QCOMPARE(left.Caret(), 20);
        QCOMPARE(view->CurrentDifference(), 0);
    }

    // A difference copied to the right and saved is on disk as expected; the
    // right side's own tail copied to the left makes the files the same for
    // cmp; undo and redo go through the edits of both sides.
    void CopyingDifferencesAndSaving() {
        CHexCompareView* view = OpenPair(LeftBytes(), RightBytes());
        QVERIFY(view != nullptr);
        QTRY_VERIFY_WITH_TIMEOUT(Listed(view), 20000);
        CHexPane& left = view->Pane(0);
        left.setFocus();
        QTest::keyClick(&left, Qt::Key_Down, Qt::AltModifier);
        QVERIFY(m_frame->Action(Command::CopyToRight)->isEnabled());
        QTest::keyClick(&left, Qt::Key_Right, Qt::AltModifier);
        QCOMPARE(view->ActiveSide(), 1);
        QCOMPARE(view->Pane(1).Selection(), (std::pair<int64_t, int64_t>(20, 24)));
        QCOMPARE(view->Title(), QStringLiteral("left.bin : right.bin *"));
        std::string expected = RightBytes();
        expected.replace(20, 4, LeftBytes().substr(20, 4));
        QCOMPARE(Contents(view->Doc().Side(1)), expected);
        QTRY_VERIFY_WITH_TIMEOUT(Listed(view), 20000);
        QCOMPARE(view->Differences().Ranges().size(), size_t(4));
        QCOMPARE(view->Differences().Ranges(), ModelRanges(view));

        QTest::keyClick(&view->Pane(1), Qt::Key_2, Qt::ControlModifier | Qt::AltModifier);
        QCOMPARE(ReadFile(view->Doc().Params().sides[1].path), expected);
        QCOMPARE(view->Title(), QStringLiteral("left.bin : right.bin"));

        // Every difference copied: left to right, and the right's tail to the left.
        for (int i = 0; i < 3; ++i) {
            QTest::keyClick(&view->Pane(1), Qt::Key_Home, Qt::AltModifier);
            QTRY_COMPARE_WITH_TIMEOUT(view->CurrentDifference(), 0, 30000);
            QTest::keyClick(&view->Pane(1), Qt::Key_Right, Qt::AltModifier);
            QTRY_VERIFY_WITH_TIMEOUT(Listed(view), 20000);
        }
        QCOMPARE(view->Differences().Ranges().size(), size_t(1));
        QTest::keyClick(&view->Pane(1), Qt::Key_End, Qt::AltModifier);
        QCOMPARE(view->CurrentDifference(), 0);
        QVERIFY(!m_frame->Action(Command::CopyToRight)->isEnabled());  // the left has none of those bytes
        QVERIFY(m_frame->Action(Command::CopyToLeft)->isEnabled());
        QTest::keyClick(&view->Pane(1), Qt::Key_Left, Qt::AltModifier);
        QTRY_VERIFY_WITH_TIMEOUT(Listed(view), 20000);
        QVERIFY(view->Differences().Ranges().empty());
        QTRY_VERIFY_WITH_TIMEOUT(Status().startsWith(QStringLiteral("Identical    Diff: 0")), 30000);

        // Undo takes back the last edit of the comparison (the left side's),
        // redo makes it again.
        QTest::keyClick(&view->Pane(1), Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(view->Doc().Side(0).GetSize(), 1024);
        QCOMPARE(view->ActiveSide(), 0);
        QCOMPARE(view->Pane(0).Caret(), 1024);
        QTest::keyClick(&view->Pane(0), Qt::Key_Y, Qt::ControlModifier);
        QCOMPARE(view->Doc().Side(0).GetSize(), 1040);

        QTest::keyClick(&view->Pane(0), Qt::Key_1, Qt::ControlModifier | Qt::AltModifier);
        QTest::keyClick(&view->Pane(0), Qt::Key_2, Qt::ControlModifier | Qt::AltModifier);
        QVERIFY(!view->Doc().IsModified());
        QProcess cmp;
        cmp.start(QStringLiteral("cmp"), {FromPath(view->Doc().Params().sides[0].path),
                                          FromPath(view->Doc().Params().sides[1].path)});
        QVERIFY(cmp.waitForFinished(60000));
        QCOMPARE(cmp.exitCode(), 0);
        QCOMPARE(ReadFile(view->Doc().Params().sides[0].path), LeftBytes() + RightBytes().substr(1024));
    }

    // Typing into a side recolours at once; closing asks about both sides
    // and saves the ones chosen.
    void EditingASideAndClosing() {
        CHexCompareView* view = OpenPair(LeftBytes(), RightBytes());
        QVERIFY(view != nullptr);
        QTRY_VERIFY_WITH_TIMEOUT(Listed(view), 20000);
        CHexPane& right = view->Pane(1);
        right.setFocus();
        right.SetCaret(40);
        const QString digits = QString::asprintf("%02X", static_cast<unsigned char>(LeftBytes()[40]));
        auto* rightHeader = view->findChild<QLabel*>(QStringLiteral("rightHeader"));
        QVERIFY(rightHeader != nullptr && !rightHeader->text().contains(QLatin1Char('*')));
        QTest::keyClicks(&right, digits);
        QCOMPARE(right.Caret(), 41);
        // The side's header says at once that it holds unsaved bytes.
        QVERIFY(rightHeader->text().endsWith(QLatin1Char('*')));
        QVERIFY(!view->findChild<QLabel*>(QStringLiteral("leftHeader"))->text().contains(QLatin1Char('*')));
        QTRY_VERIFY_WITH_TIMEOUT(Listed(view), 20000);
        QCOMPARE(view->Differences().Ranges().size(), size_t(4));
        QTest::qWait(20);
        QCOMPARE(right.grab().toImage().pixelColor(CellCorner(right.HexCellRect(40))), right.Color(2));
        // The typed byte shows in the changed-bytes colour (red by default).
        const QImage typed = right.grab().toImage();
        bool red = false;
        const QRect cell = right.HexCellRect(40);
        for (int x = cell.left(); x <= cell.right(); ++x)
            for (int y = cell.top(); y <= cell.bottom(); ++y) {
                const QColor pixel = typed.pixelColor(x, y);
                red = red || (pixel.red() > 200 && pixel.green() < 90 && pixel.blue() < 90);
            }
        QVERIFY(red);

        view->Pane(0).setFocus();
        view->Pane(0).SetCaret(0);
        QTest::keyClicks(&view->Pane(0), "00");
        QVERIFY(view->Doc().Side(0).IsModified());
        // Only the right side is chosen: it is saved, the left is not, and the view closes.
        AnswerNextDialog([](QWidget* dialog) {
            auto* leftBox = dialog->findChild<QCheckBox*>(QStringLiteral("saveLeft"));
            QVERIFY(leftBox != nullptr && leftBox->isChecked());
            leftBox->setChecked(false);
            dialog->findChild<QPushButton*>(QStringLiteral("save"))->click();
        });
        const std::string leftPath = view->Doc().Params().sides[0].path;
        const std::string rightPath = view->Doc().Params().sides[1].path;
        QVERIFY(m_frame->CloseView(view));
        QCOMPARE(m_frame->ViewCount(), 0);
        QCOMPARE(ReadFile(leftPath), LeftBytes());
        std::string expected = RightBytes();
        expected[40] = LeftBytes()[40];
        QCOMPARE(ReadFile(rightPath), expected);
    }

    // The hex editor (a binary file named with -e): overwrite and insert in
    // both columns, backspace and delete, undo and redo, saved.
    void TheHexEditor() {
        const std::string tail = LeftBytes().substr(0, 600);
        const std::string path = Write("hex.bin", Hex("00 01 02 03 41 42 43 44") + tail);
        std::string error;
        QVERIFY(m_frame->OpenCommandLine({"-e", path}, error));
        auto* view = qobject_cast<CHexEditorView*>(m_frame->ActiveView());
        QVERIFY(view != nullptr);
        QCOMPARE(view->Title(), QStringLiteral("hex.bin"));
        CHexPane& pane = view->Pane();
        pane.setFocus();
        QTest::keyClicks(&pane, "4142");  // overwrite two bytes
        QCOMPARE(Contents(view->Buffer()), Hex("41 42 02 03 41 42 43 44") + tail);
        QCOMPARE(pane.Caret(), 2);
        QCOMPARE(view->Buffer().RecordCount(), 1);  // typed at once: one record
        QTest::keyClick(&pane, Qt::Key_Insert);
        QVERIFY(Status().endsWith(QStringLiteral("INS")));
        QTest::keyClicks(&pane, "ff");
        QCOMPARE(Contents(view->Buffer()), Hex("41 42 FF 02 03 41 42 43 44") + tail);
        QTest::keyClick(&pane, Qt::Key_Tab);  // to the characters
        QVERIFY(pane.InTextColumn());
        QTest::keyClicks(&pane, "xy");
        QCOMPARE(Contents(view->Buffer()), Hex("41 42 FF 78 79 02 03 41 42 43 44") + tail);
        QTest::keyClick(&pane, Qt::Key_Backspace);
        QCOMPARE(Contents(view->Buffer()), Hex("41 42 FF 78 02 03 41 42 43 44") + tail);
        QTest::keyClick(&pane, Qt::Key_Delete);
        const std::string edited = Hex("41 42 FF 78 03 41 42 43 44") + tail;
        QCOMPARE(Contents(view->Buffer()), edited);
        QTest::keyClick(&pane, Qt::Key_Insert);  // overwrite again
        QVERIFY(Status().endsWith(QStringLiteral("OVR")));
        QTest::keyClick(&pane, Qt::Key_End, Qt::ControlModifier);
        QTest::keyClicks(&pane, "!");  // past the end it appends
        QCOMPARE(Contents(view->Buffer()), edited + "!");
        QCOMPARE(view->Title(), QStringLiteral("hex.bin *"));
        // Edited bytes show in the changed colour.
        pane.SetCaret(3);
        QTest::qWait(20);
        SaveScreenshot(m_frame->grab().toImage(), QStringLiteral("hex-editor.png"));

        QTest::keyClick(&pane, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(Contents(view->Buffer()), edited);
        QCOMPARE(pane.Caret(), static_cast<int64_t>(edited.size()));
        QTest::keyClick(&pane, Qt::Key_Z, Qt::ControlModifier);  // the Delete
        QCOMPARE(Contents(view->Buffer()), Hex("41 42 FF 78 02 03 41 42 43 44") + tail);
        QTest::keyClick(&pane, Qt::Key_Y, Qt::ControlModifier);
        QCOMPARE(Contents(view->Buffer()), edited);
        QVERIFY(m_frame->Action(Command::Redo)->isEnabled());
        QTest::keyClick(&pane, Qt::Key_Y, Qt::ControlModifier);
        QCOMPARE(Contents(view->Buffer()), edited + "!");
        QVERIFY(!m_frame->Action(Command::Redo)->isEnabled());
        QTest::keyClick(&pane, Qt::Key_S, Qt::ControlModifier);
        QCOMPARE(ReadFile(path), edited + "!");
        QCOMPARE(view->Title(), QStringLiteral("hex.bin"));
        QVERIFY(!m_frame->Action(Command::Undo)->isEnabled());
        QCOMPARE(m_frame->Action(Command::GoToLine)->text(), QStringLiteral("&Go To Address..."));
    }

    // The hex editor's options shape the panes: bytes per row, groups, the
    // case of the digits, decimal offsets, no character column. Both panes
    // of a comparison scroll together.
    void OptionsAndScrollingTogether() {
        CHexEditor& options = AppComponents().Hex();
        options.rowSize = 8;
        options.groupSize = 2;
        options.showUppercase = 0;
        options.showCharacterArea = 0;
        options.showDecimalAddresses = 1;
        CHexCompareView* view = OpenPair(LeftBytes(), RightBytes());
        QVERIFY(view != nullptr);
        QTRY_VERIFY_WITH_TIMEOUT(Listed(view), 20000);
        CHexPane& left = view->Pane(0);
        QCOMPARE(left.BytesPerRow(), 8);
        QCOMPARE(left.RowCount(), int64_t(1040 / 8 + 1));
        const int cell = left.HexCellRect(1).left() - left.HexCellRect(0).left();
        QCOMPARE(left.HexCellRect(2).left() - left.HexCellRect(1).left(), cell + cell / 3);  // a group ends
        QCOMPARE(left.HexCellRect(8).top() - left.HexCellRect(0).top(), left.LineHeight());
        left.setFocus();
        QTest::keyClick(&left, Qt::Key_Tab);
        QVERIFY(!left.InTextColumn());  // there is no character column
        left.Select(20, 23);
        QCOMPARE(left.SelectionText(), QStringLiteral("8f 96 9d"));

        // The wheel over either pane moves both, the scroll bar and the map with them.
        QWheelEvent wheel(QPointF(10, 10), left.mapToGlobal(QPointF(10, 10)), QPoint(), QPoint(0, -120),
                          Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(&view->Pane(1), &wheel);
        QCOMPARE(view->FirstRow(), 3);
        QCOMPARE(left.FirstRow(), 3);
        QCOMPARE(view->Pane(1).FirstRow(), 3);
        QTest::keyClick(&left, Qt::Key_End, Qt::ControlModifier);
        QCOMPARE(left.Caret(), 1024);
        QCOMPARE(view->Pane(1).FirstRow(), left.FirstRow());
        QVERIFY(left.FirstRow() >= 1024 / 8 - left.VisibleRows());
    }

    // Find bytes and text (with and without case), again forwards and
    // backwards, the message when nothing is found, and Go To in hex and
    // decimal, beyond the end after the question.
    void SearchAndGoTo() {
        std::string bytes(3000, '\0');
        bytes.replace(100, 6, "needle");
        bytes.replace(1500, 4, "\xDE\xAD\xBE\xEF");
        bytes.replace(2000, 6, "needle");
        bytes.replace(2500, 6, "NEEDLE");
        const std::string path = Write("haystack.bin", bytes);
        auto* view = qobject_cast<CHexEditorView*>(m_frame->OpenFile(path));
        QVERIFY(view != nullptr);
        CHexPane& pane = view->Pane();
        pane.setFocus();
        const auto find = [](const QString& text, bool down) {
            AnswerNextDialog([text, down](QWidget* dialog) {
                auto* box = dialog->findChild<QComboBox*>(QStringLiteral("findText"));
                QVERIFY(box != nullptr);
                box->setEditText(text);
                dialog->findChild<QRadioButton*>(down ? QStringLiteral("down") : QStringLiteral("up"))
                    ->setChecked(true);
                qobject_cast<QDialog*>(dialog)->accept();
            });
        };
        find(QStringLiteral("de ad be ef"), true);
        QTest::keyClick(&pane, Qt::Key_F, Qt::ControlModifier);
        QCOMPARE(pane.Selection(), (std::pair<int64_t, int64_t>(1500, 1504)));
        QCOMPARE(pane.Caret(), 1500);
        QVERIFY(!pane.InTextColumn());
        QVERIFY(view->Pane().RowRect(1500 / 16).intersects(pane.rect()));  // scrolled into view

        Reactivate();
        pane.SetCaret(0);
        find(QStringLiteral("=needle"), true);
        QTest::keyClick(&pane, Qt::Key_F, Qt::ControlModifier);
        QCOMPARE(pane.Caret(), 100);
        QVERIFY(pane.InTextColumn());
        Reactivate();
        QTest::keyClick(&pane, Qt::Key_F3);
        QCOMPARE(pane.Caret(), 2000);
        QString message;
        Press(QMessageBox::Ok, &message);
        QTest::keyClick(&pane, Qt::Key_F3);  // the capitals are no match with case
        QCOMPARE(message, QStringLiteral("Search text not found (forward search)"));
        QCOMPARE(pane.Caret(), 2000);

        Reactivate();
        find(QStringLiteral("~needle"), true);
        QTest::keyClick(&pane, Qt::Key_F, Qt::ControlModifier);
        QCOMPARE(pane.Caret(), 2500);
        Reactivate();
        QTest::keyClick(&pane, Qt::Key_F3, Qt::ShiftModifier);
        QCOMPARE(pane.Caret(), 2000);
        QTest::keyClick(&pane, Qt::Key_F3, Qt::ShiftModifier);
        QCOMPARE(pane.Caret(), 100);
        QCOMPARE(AppComponents().Hex().RecentFind()[0], std::string("~needle"));
        Reactivate();

        // Go To: the boxes follow each other; the range is the content's.
        AnswerNextDialog([](QWidget* dialog) {
            auto* hex = dialog->findChild<QLineEdit*>(QStringLiteral("hexAddress"));
            auto* decimal = dialog->findChild<QLineEdit*>(QStringLiteral("decimalAddress"));
            QVERIFY(hex != nullptr && decimal != nullptr);
            QCOMPARE(dialog->findChild<QLabel*>(QStringLiteral("range"))->text(),
                     QStringLiteral("(0 - 0XBB8)"));
            hex->selectAll();
            QTest::keyClicks(hex, "1F4");
            QCOMPARE(decimal->text(), QStringLiteral("500"));
            decimal->selectAll();
            QTest::keyClicks(decimal, "512");
            QCOMPARE(hex->text(), QStringLiteral("200"));
            qobject_cast<QDialog*>(dialog)->accept();
        });
        QTest::keyClick(&pane, Qt::Key_G, Qt::ControlModifier);
        QCOMPARE(pane.Caret(), 512);
        QVERIFY(!pane.HasSelection());
        Reactivate();

        AnswerNextDialog([](QWidget* dialog) {
            auto* hex = dialog->findChild<QLineEdit*>(QStringLiteral("hexAddress"));
            hex->selectAll();
            QTest::keyClicks(hex, "FFFF");
            qobject_cast<QDialog*>(dialog)->accept();
            Press(QMessageBox::Yes);
        });
        QTest::keyClick(&pane, Qt::Key_G, Qt::ControlModifier);
        QCOMPARE(pane.Caret(), 3000);
    }

    // A long search keeps the window painted and stops on Escape once the
    // user agrees.
    void ASearchStopsOnEscape() {
        const std::string path = Write("zeros.bin", "");
        std::filesystem::resize_file(path, int64_t(16) << 20);
        auto* view = qobject_cast<CHexEditorView*>(m_frame->OpenFile(path));
        QVERIFY(view != nullptr);
        CHexPane& pane = view->Pane();
        pane.setFocus();
        pane.SetCaret(5);
        LastHexFind().text = "=absent";
        // Escape comes while the search runs: the search lets the window's
        // events through at its check points.
        QTimer::singleShot(0, &pane, [&pane] {
            QCoreApplication::postEvent(&pane,
                                        new QKeyEvent(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier));
        });
        QString question;
        Press(QMessageBox::Yes, &question);
        QTest::keyClick(&pane, Qt::Key_F3);
        QCOMPARE(question, QStringLiteral("Abort search?"));
        QCOMPARE(m_frame->statusBar()->currentMessage(), QStringLiteral("Search aborted"));
        QCOMPARE(pane.Caret(), 5);
        QVERIFY(!pane.HasSelection());
    }

    // Searching and Go To work the same in a comparison, on the active side.
    void SearchInAComparison() {
        CHexCompareView* view = OpenPair(LeftBytes(), RightBytes());
        QVERIFY(view != nullptr);
        QTRY_VERIFY_WITH_TIMEOUT(Listed(view), 20000);
        view->Pane(1).setFocus();
        AnswerNextDialog([](QWidget* dialog) {
            dialog->findChild<QComboBox*>(QStringLiteral("findText"))
                ->setEditText(QStringLiteral("=sixteen"));
            qobject_cast<QDialog*>(dialog)->accept();
        });
        QTest::keyClick(&view->Pane(1), Qt::Key_F, Qt::ControlModifier);
        QCOMPARE(view->Pane(1).Selection(), (std::pair<int64_t, int64_t>(1024, 1031)));
        Reactivate();
        AnswerNextDialog([](QWidget* dialog) {
            auto* decimal = dialog->findChild<QLineEdit*>(QStringLiteral("decimalAddress"));
            decimal->selectAll();
            QTest::keyClicks(decimal, "600");
            qobject_cast<QDialog*>(dialog)->accept();
        });
        QTest::keyClick(&view->Pane(1), Qt::Key_G, Qt::ControlModifier);
        QCOMPARE(view->Pane(1).Caret(), 600);
        QCOMPARE(view->CurrentDifference(), 3);  // the caret stands in that difference
    }

    // Swapping the sides, saving a side under a new name, Reload after an
    // edit (asked first), and a file changed by another program.
    void SwapSaveAsReloadAndOutsideChanges() {
        CHexCompareView* view = OpenPair(LeftBytes(), RightBytes());
        QVERIFY(view != nullptr);
        QTRY_VERIFY_WITH_TIMEOUT(Listed(view), 20000);
        const std::string leftPath = view->Doc().Params().sides[0].path;
        const std::string rightPath = view->Doc().Params().sides[1].path;
        m_frame->Action(Command::SwapSides)->trigger();
        QCOMPARE(view->Doc().Params().sides[0].path, rightPath);
        QCOMPARE(view->Title(), QStringLiteral("right.bin : left.bin"));
        QCOMPARE(view->Differences().Ranges().back(), (BINARYDIFFERENCE{1024, 1040, BYTE_LEFT_ONLY}));
        QCOMPARE(view->Differences().Ranges(), ModelRanges(view));
        QVERIFY(
            view->findChild<QLabel*>(QStringLiteral("leftHeader"))->text().startsWith(FromPath(rightPath)));
        QCOMPARE(Contents(view->Pane(0).Buffer()), RightBytes());
        m_frame->Action(Command::SwapSides)->trigger();
        QCOMPARE(view->Doc().Params().sides[0].path, leftPath);

        // Save Left File As: the side takes the new name.
        view->Pane(0).setFocus();
        view->Pane(0).SetCaret(1);
        QTest::keyClicks(&view->Pane(0), "ab");
        const std::string copy = m_dir->filePath(QStringLiteral("copy.bin")).toStdString();
        AnswerNextDialog([copy](QWidget* dialog) {
            auto* files = qobject_cast<QFileDialog*>(dialog);
            QVERIFY2(files != nullptr, "a file dialog");
            QCOMPARE(files->windowTitle(), QStringLiteral("Save As"));
            uitest::ChooseFile(files, FromPath(copy));
        });
        m_frame->Action(Command::SaveLeftAs)->trigger();
        std::string expected = LeftBytes();
        expected[1] = '\xAB';
        QCOMPARE(ReadFile(copy), expected);
        QCOMPARE(ReadFile(leftPath), LeftBytes());
        QCOMPARE(view->Doc().Params().sides[0].path, copy);
        QCOMPARE(view->Title(), QStringLiteral("copy.bin : right.bin"));
        Reactivate();

        // Reload discards an unsaved edit once the user agrees.
        view->Pane(1).setFocus();
        view->Pane(1).SetCaret(0);
        QTest::keyClicks(&view->Pane(1), "00");
        QVERIFY(view->Doc().Side(1).IsModified());
        QString question;
        Press(QMessageBox::Yes, &question);
        QTest::keyClick(&view->Pane(1), Qt::Key_F5, Qt::ControlModifier);
        QCOMPARE(question, FromPath(rightPath) + QStringLiteral(" is changed, reload anyway?"));
        QVERIFY(!view->Doc().IsModified());
        QCOMPARE(Contents(view->Doc().Side(1)), RightBytes());
        Reactivate();

        // Another program writes the right file: the view shows it.
        QTRY_VERIFY_WITH_TIMEOUT(Listed(view), 20000);
        QTest::qWait(100);
        Write("right.bin", expected);
        QTRY_COMPARE_WITH_TIMEOUT(Contents(view->Doc().Side(1)), expected, 30000);
        QTRY_VERIFY_WITH_TIMEOUT(Listed(view) && view->Differences().Ranges().empty(), 20000);
        QTRY_VERIFY_WITH_TIMEOUT(Status().startsWith(QStringLiteral("Identical")), 30000);
    }

    // Typing, inserting and deleting at random places of both sides: after
    // each edit the list, cut back and listed again from the edit on, is
    // the context's list of the whole files.
    void TheListFollowsEdits() {
        CHexCompareView* view = OpenPair(LeftBytes(), RightBytes());
        QVERIFY(view != nullptr);
        QTRY_VERIFY_WITH_TIMEOUT(Listed(view), 20000);
        QRandomGenerator random(20240611);
        for (int step = 0; step < 60; ++step) {
            const int side = random.bounded(2);
            CHexPane& pane = view->Pane(side);
            pane.setFocus();
            const int64_t size = pane.Buffer().GetSize();
            // Mostly where a range begins or ends, where a list cut back
            // wrongly would show.
            const std::vector<BINARYDIFFERENCE>& ranges = view->Differences().Ranges();
            int64_t at = random.bounded(static_cast<int>(size + 1));
            if (!ranges.empty() && random.bounded(3) != 0) {
                const BINARYDIFFERENCE& range = ranges[random.bounded(static_cast<int>(ranges.size()))];
                const int64_t near[] = {range.start - 1, range.start, range.end - 1, range.end};
                at = std::clamp<int64_t>(near[random.bounded(4)], 0, size);
            }
            pane.SetCaret(at);
            switch (random.bounded(4)) {
                case 0: QTest::keyClicks(&pane, QString::asprintf("%02X", random.bounded(256))); break;
                case 1:
                    pane.SetInsertMode(true);
                    QTest::keyClicks(&pane, QStringLiteral("00"));
                    pane.SetInsertMode(false);
                    break;
                case 2:
                    pane.Select(pane.Caret(), std::min(size, pane.Caret() + random.bounded(1, 40)));
                    QTest::keyClick(&pane, Qt::Key_Delete);
                    break;
                default: {
                    // The other side's bytes over this one's: a difference goes.
                    view->Pane(1 - side).Select(pane.Caret(), pane.Caret() + random.bounded(1, 20));
                    QTest::keyClick(&view->Pane(1 - side), side == 1 ? Qt::Key_Right : Qt::Key_Left,
                                    Qt::AltModifier);
                }
            }
            QTRY_VERIFY_WITH_TIMEOUT(Listed(view), 20000);
            QCOMPARE(view->Differences().Ranges(), ModelRanges(view));
        }
    }

    // Next Difference before the list reaches the next difference waits for
    // it, and says so.
    void NavigationWaitsForTheListing() {
        constexpr int64_t kSize = int64_t(64) << 20;
        CBinaryCompareParams request;
        for (int side = 0; side < 2; ++side) {
            request.sides[side].path = Write(side == 0 ? "zeros-left.bin" : "zeros-right.bin", "");
            std::filesystem::resize_file(request.sides[side].path, kSize);
        }
        {
            std::fstream right(request.sides[1].path, std::ios::binary | std::ios::in | std::ios::out);
            right.seekp(kSize - 1);
            right.put('\x01');
        }
        auto* view = qobject_cast<CHexCompareView*>(m_frame->OpenRequest(request));
        QVERIFY(view != nullptr);
        QTRY_VERIFY_WITH_TIMEOUT(Listed(view), 60000);
        QCOMPARE(view->Differences().Ranges(),
                 (std::vector<BINARYDIFFERENCE>{{kSize - 1, kSize, BYTE_DIFFERENT}}));
        // Without a recompare after edits, an edit at the start lists everything again.
        m_frame->Action(Command::AutoRecompare)->trigger();
        QVERIFY(!view->Doc().AutoRecompare());
        CHexPane& left = view->Pane(0);
        left.setFocus();
        QTest::keyClicks(&left, "00");
        QVERIFY(!view->Differences().Complete());
        QTest::keyClick(&left, Qt::Key_Down, Qt::AltModifier);
        QVERIFY2(Status().contains(QStringLiteral("Looking for the difference...")), qPrintable(Status()));
        QCOMPARE(left.Caret(), 1);
        QTRY_COMPARE_WITH_TIMEOUT(left.Caret(), kSize - 1, 60000);
        QCOMPARE(view->CurrentDifference(), 0);
        QVERIFY(view->FirstRow() > 0);
        QVERIFY(!Status().contains(QStringLiteral("Looking for the difference...")));
        m_frame->Action(Command::AutoRecompare)->trigger();
    }

    // Two text files compared as binary open as text; binary files do not.
    void GoToTextComparison() {
        CHexCompareView* view = OpenPair("one\ntwo\n", "one\n2\n");
        QVERIFY(view != nullptr);
        m_frame->Action(Command::GoToTextComparison)->trigger();
        QCOMPARE(m_frame->ViewCount(), 2);
        QVERIFY(qobject_cast<CTextCompareView*>(m_frame->ActiveView()) != nullptr);

        CHexCompareView* binary = OpenPair(LeftBytes(), RightBytes(), "a.bin", "b.bin");
        QVERIFY(binary != nullptr);
        QString message;
        Press(QMessageBox::Ok, &message);
        m_frame->Action(Command::GoToTextComparison)->trigger();
        QCOMPARE(message, QStringLiteral("Binary files can not compare as binary."));
        QCOMPARE(m_frame->ViewCount(), 3);

        // The folders that hold the two files, compared.
        QCOMPARE(m_frame->Action(Command::GoToContainingFolder)->shortcut(),
                 QKeySequence(QStringLiteral("Ctrl+F12")));
        m_frame->Action(Command::GoToContainingFolder)->trigger();
        QCOMPARE(m_frame->ViewCount(), 4);
        auto* folders = qobject_cast<CFolderCompareView*>(m_frame->ActiveView());
        QVERIFY(folders != nullptr);
        QCOMPARE(folders->Title(), FromPath(platform::PathFileName(m_dir->path().toStdString())) +
                                       QStringLiteral(" : ") +
                                       FromPath(platform::PathFileName(m_dir->path().toStdString())));
        QTRY_VERIFY_WITH_TIMEOUT(!folders->IsBusy(), 20000);
    }

    // Two files of a gigabyte open at once; while the worker compares, the
    // window paints and takes keys, shows the worker's progress, and
    // Cancel stops the pass half-way; closing half-way ends it too.
    void LargeFilesStayResponsive() {
        constexpr int64_t kSize = int64_t(1) << 30;
        CBinaryCompareParams request;
        for (int side = 0; side < 2; ++side) {
            request.sides[side].path = Write(side == 0 ? "big-left.bin" : "big-right.bin", "");
            std::filesystem::resize_file(request.sides[side].path, kSize);  // sparse: no disk, all zeros
        }
        auto* view = qobject_cast<CHexCompareView*>(m_frame->OpenRequest(request));
        QVERIFY(view != nullptr);
        QCOMPARE(view->Doc().State(), BINARY_COMPARING);
        QCOMPARE(view->Pane(0).RowCount(), kSize / 16 + 1);

        // The worker reads under the edit lock a chunk at a time: held here,
        // the pass waits between two chunks, half-way.
        std::unique_lock<std::mutex> lock(view->Doc().Context().Compare().editLock, std::defer_lock);
        QDeadlineTimer deadline(120000);
        for (;;) {
            lock.lock();
            if (view->Doc().Context().Progress() > 0 || deadline.hasExpired()) break;
            lock.unlock();
            QTest::qWait(2);
        }
        const int64_t progress = view->Doc().Context().Progress();
        QVERIFY(progress > 0 && progress < kSize);
        QCOMPARE(view->Doc().State(), BINARY_COMPARING);
        // The window goes on: it polls the worker, paints and moves the caret.
        QTRY_VERIFY2(Status().startsWith(QStringLiteral("Comparing... ")), qPrintable(Status()));
        auto* bar = view->findChild<QWidget*>(QStringLiteral("progressBar"));
        QVERIFY(bar != nullptr);
        QTRY_VERIFY(bar->isVisible());
        // The worker publishes a chunk's progress after it lets go of the
        // lock, so the figure settles only once it waits on the lock; the bar
        // shows it at the window's next poll of the worker.
        const int64_t settled = view->Doc().Context().Progress();
        QVERIFY(settled >= progress && settled < kSize);
        QTRY_COMPARE(view->findChild<QProgressBar*>()->value(),
                     static_cast<int>(view->Doc().Context().Progress() * 100 / kSize));
        view->Pane(0).setFocus();
        QTest::keyClick(&view->Pane(0), Qt::Key_PageDown);
        QVERIFY(view->Pane(0).Caret() > 0);
        QTest::keyClick(&view->Pane(0), Qt::Key_End, Qt::ControlModifier);
        QCOMPARE(view->Pane(0).Caret(), kSize);
        QCOMPARE(view->FirstRow(), kSize / 16 + 1 - view->Pane(0).VisibleRows());
        // The pane paints while the worker waits: its rows of zeros show, so
        // the picture holds more than one colour.
        const QImage painted = view->Pane(0).grab().toImage();
        QVERIFY(!painted.isNull());
        bool drawn = false;
        for (int y = 0; y < painted.height() && !drawn; y += 2)
            for (int x = 0; x < painted.width() && !drawn; ++x)
                drawn = painted.pixel(x, y) != painted.pixel(0, 0);
        QVERIFY(drawn);
        QCOMPARE(view->Doc().State(), BINARY_COMPARING);

        lock.unlock();
        QTest::mouseClick(view->findChild<QPushButton*>(QStringLiteral("cancelComparison")), Qt::LeftButton);
        QVERIFY(view->IsCancelled());
        QVERIFY(view->Doc().State() != BINARY_COMPARING);
        QVERIFY(view->Doc().Context().Progress() < kSize);
        QTRY_VERIFY(!view->IsBusy());
        QVERIFY(!view->Differences().Complete());  // nothing is listed after a cancel
        QVERIFY(!bar->isVisible());
        QVERIFY(Status().startsWith(QStringLiteral("Comparison cancelled")));

        // Recompare, and close half-way.
        QTest::keyClick(&view->Pane(0), Qt::Key_F5);
        QCOMPARE(view->Doc().State(), BINARY_COMPARING);
        QVERIFY(!view->IsCancelled());
        QTRY_VERIFY_WITH_TIMEOUT(view->Doc().Context().Progress() > 0, 120000);
        QVERIFY(m_frame->CloseView(view));
        QCOMPARE(m_frame->ViewCount(), 0);
        QTest::qWait(50);  // the stopped pass's message finds no view
    }
};

QTEST_MAIN(BinaryViewTest)
#include "BinaryViewTest.moc"
