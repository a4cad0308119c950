// The window's colours under a light and a dark desktop palette: the text,
// folder and hex comparisons drawn on the palette's own background with
// differences that stand out and text that reads, a switch of the desktop's
// theme repainting every open view, the reports carrying the scheme drawn
// with, the user's own colours kept, and the choice in the options stored.
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QFileInfo>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeView>

#include <algorithm>
#include <fstream>
#include <memory>
#include <string>

#include "UiTestApp.h"
#include "binarycompare/HexEditOptions.h"
#include "editor/SyntaxEditor.h"
#include "foldercompare/FolderCompareOptions.h"
#include "launch/Components.h"
#include "launch/CorvatineApp.h"
#include "persist/ColorScheme.h"
#include "platform/Profile.h"
#include "platform/RegistryHive.h"
#include "textcompare/TextCompareOptions.h"
#include "ui/ActiveColors.h"
#include "ui/FolderCompareModel.h"
#include "ui/FolderCompareView.h"
#include "ui/HexCompareView.h"
#include "ui/LocationMap.h"
#include "ui/MainFrame.h"
#include "ui/OptionsDialog.h"
#include "ui/TextCompareView.h"

using namespace corvatine;
using namespace corvatine::ui;

namespace {

// GTK's Adwaita in its dark variant, as the GTK platform theme hands it to Qt.
QPalette AdwaitaDark() {
    QPalette palette;
    const QColor window(0x35, 0x35, 0x35), text(0xee, 0xee, 0xec), base(0x2d, 0x2d, 0x2d);
    palette.setColor(QPalette::Window, window);
    palette.setColor(QPalette::WindowText, text);
    palette.setColor(QPalette::Base, base);
    palette.setColor(QPalette::AlternateBase, window);
    palette.setColor(QPalette::Text, text);
    palette.setColor(QPalette::Button, window);
    palette.setColor(QPalette::ButtonText, text);
    palette.setColor(QPalette::PlaceholderText, QColor(0x91, 0x91, 0x90));
    palette.setColor(QPalette::Highlight, QColor(0x15, 0x53, 0x9e));
    palette.setColor(QPalette::HighlightedText, Qt::white);
    return palette;
}

double Luminance(const QColor& color) {
    return RelativeLuminance(RGB(static_cast<unsigned>(color.red()), static_cast<unsigned>(color.green()),
                                 static_cast<unsigned>(color.blue())));
}

double Contrast(const QColor& a, const QColor& b) {
    const double la = Luminance(a), lb = Luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// The strongest contrast of any pixel of the area against the background:
// the cores of the glyphs drawn there, in the colour they were drawn with.
double TextContrast(const QImage& image, const QRect& area, const QColor& background) {
    double best = 1;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            best = std::max(best, Contrast(image.pixelColor(x, y), background));
    return best;
}

using uitest::ScreenshotFolder;

void SaveScreenshot(QWidget& widget, const QString& name) {
    const QString folder = ScreenshotFolder();
    if (!folder.isEmpty()) QVERIFY(widget.grab().save(folder + QLatin1Char('/') + name));
}

// Counts the paint events of a widget.
class CPaintCounter : public QObject {
public:
    int count = 0;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint) ++count;
        return QObject::eventFilter(watched, event);
    }
};

const char* const kLeftC =
    "/* deflate.c -- compress data using the deflation algorithm */\n"
    "#include \"deflate.h\"\n"
    "\n"
    "const char deflate_copyright[] = \" deflate 1.2.11 Copyright 1995-2017 \";\n"
    "\n"
    "local int longest_match(deflate_state *s, IPos cur_match) {\n"
    "    unsigned chain_length = s->max_chain_length; /* max hash chain length */\n"
    "    int best_len = (int)s->prev_length;\n"
    "    if (s->prev_length >= s->good_match) chain_length >>= 2;\n"
    "    return best_len;\n"
    "}\n";
const char* const kRightC =
    "/* deflate.c -- compress data using the deflation algorithm */\n"
    "#include \"deflate.h\"\n"
    "\n"
    "const char deflate_copyright[] = \" deflate 1.3.1 Copyright 1995-2024 \";\n"
    "\n"
    "local uInt longest_match(deflate_state *s, IPos cur_match) {\n"
    "    unsigned chain_length = s->max_chain_length; /* max hash chain length */\n"
    "    int best_len = (int)s->prev_length;\n"
    "    int nice_match = s->nice_match; /* stop if match long enough */\n"
    "    if (s->prev_length >= s->good_match) chain_length >>= 2;\n"
    "    return best_len;\n"
    "}\n";

}  // namespace

class ColourSchemeTest : public QObject {
    Q_OBJECT

private:
    std::string Write(const std::string& name, const std::string& bytes) {
        const QString path = m_dir->filePath(QString::fromStdString(name));
        QDir().mkpath(QFileInfo(path).absolutePath());
        std::ofstream(path.toStdString(), std::ios::binary | std::ios::trunc) << bytes;
        return path.toStdString();
    }
    CTextCompareView* CompareC() {
        CTextCompareParams request;
        request.sides[0].path = Write("left/deflate.c", kLeftC);
        request.sides[1].path = Write("right/deflate.c", kRightC);
        request.rules = 0;
        auto* view = qobject_cast<CTextCompareView*>(m_frame->OpenRequest(request));
        if (view == nullptr) return nullptr;
        // The caret's line is tinted in the focused pane; the rows read here
        // show their scheme colours untinted.
        view->Pane(0).clearFocus();
        view->Pane(1).clearFocus();
        QTest::qWait(20);
        return view;
    }
    CFolderCompareView* CompareFolders() {
        Write("a/same.txt", "same\n");
        Write("b/same.txt", "same\n");
        Write("a/diff.txt", "left\n");
        Write("b/diff.txt", "right side\n");
        Write("a/only-left.txt", "x\n");
        Write("b/only-right.txt", "y\n");
        CFolderCompareParams request;
        request.sides[0].path = m_dir->filePath(QStringLiteral("a")).toStdString();
        request.sides[1].path = m_dir->filePath(QStringLiteral("b")).toStdString();
        auto* view = qobject_cast<CFolderCompareView*>(m_frame->OpenRequest(request));
        if (view == nullptr || !QTest::qWaitFor([view] { return !view->IsBusy(); }, 60000)) return nullptr;
        QTest::qWait(20);
        return view;
    }
    CHexCompareView* CompareBinary() {
        std::string left(600, '\0'), right;
        for (size_t i = 0; i < left.size(); ++i) left[i] = static_cast<char>(i * 7);
        right = left;
        right.replace(40, 8, "CHANGED!");
        right.erase(300, 16);
        CBinaryCompareParams request;
        request.sides[0].path = Write("left.bin", left);
        request.sides[1].path = Write("right.bin", right);
        auto* view = qobject_cast<CHexCompareView*>(m_frame->OpenRequest(request));
        if (view == nullptr ||
            !QTest::qWaitFor(
                [view] { return view->Doc().State() != BINARY_COMPARING && view->Differences().Complete(); },
                20000))
            return nullptr;
        QTest::qWait(20);
        return view;
    }
    // The row of a pane where a text stands.
    static int RowOf(CTextCompareView& view, int side, const std::string& text) {
        const CTextCompareObject& object = view.Doc().GetSide(side);
        for (int row = 0; row < object.GetLineCount(); ++row)
            if (std::string(object.GetLine(row).Characters()).find(text) != std::string::npos) return row;
        return -1;
    }
    // Far right on a row, beyond its text.
    static QColor RowPixel(const QImage& image, const CTextPane& pane, int row) {
        return image.pixelColor(pane.width() - 20, pane.RowRect(row).center().y());
    }
    static QRect TextArea(const CTextPane& pane, int row) {
        const QRect rect = pane.RowRect(row);
        return QRect(pane.MarginWidth() + 2, rect.top() + 1, 300, rect.height() - 2);
    }
    void UseDefaultColours() {
        AppComponents().Text().colors.ResetToDefaults();
        AppComponents().Folders().colors.ApplyScheme(CFolderCompareColors::SCHEME_DEFAULT);
        std::copy(std::begin(CSyntaxEditorOptions::kDefaultColors),
                  std::end(CSyntaxEditorOptions::kDefaultColors), GetSyntaxEditor().colors);
        const CHexEditOptions hex;
        std::copy(std::begin(hex.colors), std::end(hex.colors), AppComponents().Hex().colors);
        AppComponents().ColorSchemeChoice().scheme = COLORSCHEME_DEFAULT;
    }

    std::unique_ptr<QTemporaryDir> m_config;
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<CCorvatineApp> m_app;
    std::unique_ptr<CMainFrame> m_frame;
    QPalette m_light;

private slots:
    void initTestCase() {
        m_config = std::make_unique<QTemporaryDir>();
        m_app = uitest::StartTestApp(*m_config);
        m_light = QApplication::palette();
        QVERIFY(!DesktopPalette(m_light).IsDark());
    }
    void cleanupTestCase() { uitest::StopTestApp(); }
    void init() {
        m_dir = std::make_unique<QTemporaryDir>();
        QApplication::setPalette(m_light);
        UseDefaultColours();
        m_frame = std::make_unique<CMainFrame>(*m_app);
        m_frame->resize(1600, 700);
        m_frame->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_frame.get()));
    }
    void cleanup() {
        while (m_frame->ViewCount() > 0) m_frame->CloseView(m_frame->View(0), false);
        m_frame.reset();
        QApplication::setPalette(m_light);
    }

    // Under a light palette the built-in tables draw, as they always did.
    void ALightPaletteKeepsTheDefaultTables() {
        CTextCompareView* view = CompareC();
        QVERIFY(view != nullptr);
        QCOMPARE(ActiveColors().kind, static_cast<int>(COLORSCHEME_DEFAULT));
        CTextPane& pane = view->Pane(0);
        const QImage image = pane.grab().toImage();
        QCOMPARE(RowPixel(image, pane, RowOf(*view, 0, "deflate 1.2.11")),
                 ToQColor(AppComponents().Text().colors.Get(TCC_CHANGED)));
        QCOMPARE(RowPixel(image, pane, RowOf(*view, 0, "best_len =")),
                 ToQColor(GetSyntaxEditor().colors[COLORINDEX_BKGND].color));
        SaveScreenshot(*m_frame, QStringLiteral("colours-text-light.png"));
    }

    // A dark palette with no colours of the user's own: the panes are dark,
    // a changed row stands apart from an unchanged one, and every text reads.
    void ADarkPaletteDarkensTheTextComparison() {
        QApplication::setPalette(AdwaitaDark());
        CTextCompareView* view = CompareC();
        QVERIFY(view != nullptr);
        QCOMPARE(ActiveColors().kind, static_cast<int>(COLORSCHEME_DESKTOP));
        QTest::qWait(20);
        SaveScreenshot(*m_frame, QStringLiteral("colours-text-dark.png"));
        for (int side = 0; side < 2; ++side) {
            CTextPane& pane = view->Pane(side);
            const QImage image = pane.grab().toImage();
            const int plain = RowOf(*view, side, "best_len =");
            const int changed = RowOf(*view, side, "deflate 1.");
            const int comment = RowOf(*view, side, "/* deflate.c");
            QVERIFY(plain >= 0 && changed >= 0 && comment >= 0);
            const QColor plainBackground = RowPixel(image, pane, plain);
            const QColor changedBackground = RowPixel(image, pane, changed);
            QVERIFY2(Luminance(plainBackground) < 0.05, qPrintable(plainBackground.name()));
            QVERIFY2(Luminance(changedBackground) < 0.1, qPrintable(changedBackground.name()));
            QVERIFY(changedBackground != plainBackground);
            QVERIFY(Contrast(changedBackground, plainBackground) > 1.1);
            // The text of a plain row, of a changed one and of a comment reads.
            QVERIFY(TextContrast(image, TextArea(pane, plain), plainBackground) >= kMinimumContrast);
            QVERIFY(TextContrast(image, TextArea(pane, changed), changedBackground) >= kMinimumContrast);
            QVERIFY(TextContrast(image, TextArea(pane, comment), plainBackground) >= kMinimumContrast);
            // The margin of line numbers is dark too, its numbers read.
            const QRect margin(0, pane.RowRect(plain).top(), pane.MarginWidth(), pane.LineHeight());
            const QColor marginColour = image.pixelColor(1, margin.center().y());
            QVERIFY(Luminance(marginColour) < 0.05);
            QVERIFY(TextContrast(image, margin, marginColour) >= kMinimumContrast);
        }
        // The one-sided line on the right and the ghost row opposite it.
        CTextPane& right = view->Pane(1);
        const int added = RowOf(*view, 1, "nice_match");
        const QImage image = right.grab().toImage();
        const QColor addedBackground = RowPixel(image, right, added);
        QVERIFY(addedBackground != RowPixel(image, right, RowOf(*view, 1, "best_len =")));
        QVERIFY(TextContrast(image, TextArea(right, added), addedBackground) >= kMinimumContrast);
        QVERIFY(RowPixel(view->Pane(0).grab().toImage(), view->Pane(0), added) != addedBackground);
        // The location map is dark with its bands.
        const QImage map = view->Map().grab().toImage();
        QVERIFY(Luminance(map.pixelColor(1, map.height() - 2)) < 0.05);
    }

    // The desktop's theme switched while the program runs: every open view
    // paints again, in the new colours, and back.
    void SwitchingThePaletteRepaints() {
        CHexCompareView* hex = CompareBinary();
        QVERIFY(hex != nullptr);
        // The text comparison opened last is the one shown.
        CTextCompareView* text = CompareC();
        QVERIFY(text != nullptr);
        QTest::qWait(20);
        CTextPane& pane = text->Pane(0);
        CPaintCounter counter;
        pane.installEventFilter(&counter);
        const int plain = RowOf(*text, 0, "best_len =");
        const QColor light = RowPixel(pane.grab().toImage(), pane, plain);
        QVERIFY(Luminance(light) > 0.8);
        const uint64_t revision = ActiveColorsRevision();

        QApplication::setPalette(AdwaitaDark());
        QTRY_VERIFY(counter.count > 0);
        QVERIFY(ActiveColorsRevision() != revision);
        // The row kept from before is coloured again, not drawn from its old layout.
        const QImage dark = pane.grab().toImage();
        QVERIFY(Luminance(RowPixel(dark, pane, plain)) < 0.05);
        QVERIFY(TextContrast(dark, TextArea(pane, plain), RowPixel(dark, pane, plain)) >= kMinimumContrast);
        QVERIFY(Luminance(hex->Pane(0).grab().toImage().pixelColor(hex->Pane(0).width() - 5, 5)) < 0.05);

        counter.count = 0;
        // A light palette of the desktop's own (setting back the style's
        // unresolved default tells the widgets of no change).
        QPalette desktopLight = m_light;
        desktopLight.setColor(QPalette::Base, QColor(0xfe, 0xfe, 0xfe));
        QApplication::setPalette(desktopLight);
        QTRY_VERIFY(counter.count > 0);
        QVERIFY(Luminance(RowPixel(pane.grab().toImage(), pane, plain)) > 0.8);
    }

    // The folder comparison: coloured text on the palette's own background.
    void ADarkPaletteDarkensTheFolderComparison() {
        QApplication::setPalette(AdwaitaDark());
        CFolderCompareView* view = CompareFolders();
        QVERIFY(view != nullptr);
        view->Tree().expandAll();
        // No row selected or current: the cells show their own colours.
        view->Tree().clearSelection();
        view->Tree().setCurrentIndex(QModelIndex());
        QTest::qWait(20);
        SaveScreenshot(*m_frame, QStringLiteral("colours-folder-dark.png"));
        CFolderCompareModel& model = view->Model();
        const QImage image = view->Tree().viewport()->grab().toImage();
        int checked = 0;
        for (int row = 0; row < model.rowCount(QModelIndex()); ++row) {
            for (int side = 0; side < 2; ++side) {
                const QModelIndex index =
                    model.index(row, CFolderCompareModel::ModelColumn(side, COLUMN_NAME), QModelIndex());
                if (index.data().toString().isEmpty()) continue;
                const QColor background = index.data(Qt::BackgroundRole).value<QColor>();
                const QColor foreground = index.data(Qt::ForegroundRole).value<QColor>();
                QVERIFY2(Luminance(background) < 0.05, qPrintable(index.data().toString()));
                QVERIFY2(Contrast(foreground, background) >= kMinimumContrast,
                         qPrintable(index.data().toString()));
                // As drawn: the cell's background, and its text reads on it.
                const QRect cell = view->Tree().visualRect(index);
                QVERIFY(cell.isValid());
                const QColor drawn = image.pixelColor(cell.right() - 2, cell.center().y());
                QCOMPARE(drawn, background);
                QVERIFY(TextContrast(image, cell.adjusted(0, 1, 0, -1), drawn) >= kMinimumContrast);
                ++checked;
            }
        }
        QVERIFY(checked >= 4);
        // A different pair is told by its text colour.
        const auto textOf = [&](const QString& name) {
            for (int row = 0; row < model.rowCount(QModelIndex()); ++row)
                for (int side = 0; side < 2; ++side) {
                    const QModelIndex index =
                        model.index(row, CFolderCompareModel::ModelColumn(side, COLUMN_NAME), QModelIndex());
                    if (index.data().toString() == name)
                        return index.data(Qt::ForegroundRole).value<QColor>();
                }
            return QColor();
        };
        QVERIFY(textOf(QStringLiteral("diff.txt")) != textOf(QStringLiteral("same.txt")));
        QVERIFY(textOf(QStringLiteral("only-left.txt")) != textOf(QStringLiteral("same.txt")));
        QApplication::setPalette(m_light);
        QTest::qWait(20);
        SaveScreenshot(*m_frame, QStringLiteral("colours-folder-light.png"));
    }

    // The hex comparison: dark cells, different bytes on a tint, readable.
    void ADarkPaletteDarkensTheHexComparison() {
        QApplication::setPalette(AdwaitaDark());
        CHexCompareView* view = CompareBinary();
        QVERIFY(view != nullptr);
        SaveScreenshot(*m_frame, QStringLiteral("colours-hex-dark.png"));
        CHexPane& left = view->Pane(0);
        left.SetCaret(200);  // away from the differences
        QTest::qWait(20);
        const QImage image = left.grab().toImage();
        const QRect equal = left.HexCellRect(8);
        const QRect different = left.HexCellRect(42);
        const QColor equalBackground = image.pixelColor(equal.topLeft() + QPoint(1, 1));
        const QColor differentBackground = image.pixelColor(different.topLeft() + QPoint(1, 1));
        QVERIFY2(Luminance(equalBackground) < 0.05, qPrintable(equalBackground.name()));
        QVERIFY(differentBackground != equalBackground);
        QVERIFY(TextContrast(image, equal, equalBackground) >= kMinimumContrast);
        QVERIFY(TextContrast(image, different, differentBackground) >= kMinimumContrast);
        QApplication::setPalette(m_light);
        QTest::qWait(20);
        SaveScreenshot(*m_frame, QStringLiteral("colours-hex-light.png"));
    }

    // The report written from the window carries the colours it draws with.
    void TheReportCarriesTheScheme() {
        QApplication::setPalette(AdwaitaDark());
        CTextCompareView* view = CompareC();
        QVERIFY(view != nullptr);
        const COLORSCHEME& scheme = ActiveColors();
        QVERIFY(scheme.dark);
        QApplication::clipboard()->clear();
        uitest::AnswerNextDialog([](QWidget* dialog) {
            for (QPushButton* button : dialog->findChildren<QPushButton*>())
                if (button->text() == QStringLiteral("&Copy")) button->click();
            qobject_cast<QDialog*>(dialog)->reject();
        });
        m_frame->Action(Command::Report)->trigger();
        const std::string html = QApplication::clipboard()->text().toStdString();
        QVERIFY(!html.empty());
        const std::string base = HtmlColorOf(scheme.Background());
        const std::string text = HtmlColorOf(scheme.Text());
        QVERIFY(html.find("body.hl { background-color:" + base + "; color:" + text + "; }") !=
                std::string::npos);
        QVERIFY(html.find(".bd { background-color:" + HtmlColorOf(scheme.compare.Get(TCC_CHANGED)) + "; }") !=
                std::string::npos);
        QVERIFY(html.find(".tc { color:" + HtmlColorOf(scheme.editor[COLORINDEX_COMMENT].color) + "; }") !=
                std::string::npos);
        QVERIFY(html.find("color:" + text + ";font-family") != std::string::npos);
        QVERIFY(html.find("#ffffff") == std::string::npos);
        const QString folder = ScreenshotFolder();
        if (!folder.isEmpty())
            std::ofstream((folder + QStringLiteral("/colours-report-dark.html")).toStdString()) << html;
    }

    // Colours the user set stay theirs: a dark palette does not replace them
    // under the default choice, the desktop's scheme is drawn only when
    // chosen, and neither is written into the stored tables.
    void TheUsersColoursStayTheirs() {
        const uint32_t own = RGB(0x20, 0x60, 0xa0);
        AppComponents().Text().colors.Set(TCC_CHANGED, own);
        QApplication::setPalette(AdwaitaDark());
        CTextCompareView* view = CompareC();
        QVERIFY(view != nullptr);
        CTextPane& pane = view->Pane(0);
        const int changed = RowOf(*view, 0, "deflate 1.2.11");
        QCOMPARE(ActiveColors().kind, static_cast<int>(COLORSCHEME_DEFAULT));
        QCOMPARE(RowPixel(pane.grab().toImage(), pane, changed), ToQColor(own));

        AppComponents().ColorSchemeChoice().scheme = COLORSCHEME_DESKTOP;
        view->ReadOptions();
        QCOMPARE(ActiveColors().kind, static_cast<int>(COLORSCHEME_DESKTOP));
        QCOMPARE(RowPixel(pane.grab().toImage(), pane, changed),
                 ToQColor(ActiveColors().compare.Get(TCC_CHANGED)));
        QVERIFY(RowPixel(pane.grab().toImage(), pane, changed) != ToQColor(own));
        QCOMPARE(AppComponents().Text().colors.Get(TCC_CHANGED), own);

        platform::CStringOutput error;
        QVERIFY(m_app->SaveOptions(error));
        platform::CRegistryHive hive(m_config->filePath(QStringLiteral("registry.reg")).toStdString(),
                                     "HKEY_CURRENT_USER");
        platform::CProfile profile(hive, platform::kSettingsRoot);
        QCOMPARE(profile.GetInt(kTextCompareColorsKey, "Color1", -1), static_cast<int>(own));
        QCOMPARE(profile.GetInt("Settings", "ColorScheme", -1), 1);
    }

    // "Colours" on the General page chooses the scheme and is stored.
    void TheOptionsChooseTheScheme() {
        CTextCompareView* view = CompareC();
        QVERIFY(view != nullptr);
        QCOMPARE(ActiveColors().kind, static_cast<int>(COLORSCHEME_DEFAULT));
        bool reached = false;
        uitest::AnswerNextDialog([&](QWidget* shown) {
            auto* dialog = qobject_cast<COptionsDialog*>(shown);
            QVERIFY2(dialog != nullptr, "the options dialog");
            reached = true;
            auto* scheme = dialog->findChild<QComboBox*>(QStringLiteral("windowColorScheme"));
            if (scheme != nullptr && scheme->currentIndex() == 0 &&
                scheme->itemText(1) == QStringLiteral("Follow the desktop")) {
                scheme->setCurrentIndex(1);
                for (QPushButton* button : dialog->findChildren<QPushButton*>())
                    if (button->text().remove(QLatin1Char('&')) == QStringLiteral("OK")) button->click();
            }
            if (dialog->isVisible()) dialog->reject();
        });
        m_frame->findChild<QAction*>(QStringLiteral("options"))->trigger();
        QVERIFY(reached);
        QCOMPARE(AppComponents().ColorSchemeChoice().scheme, static_cast<int>(COLORSCHEME_DESKTOP));
        QCOMPARE(ActiveColors().kind, static_cast<int>(COLORSCHEME_DESKTOP));
        // Stored, and read back as the next start reads it.
        platform::CRegistryHive hive(m_config->filePath(QStringLiteral("registry.reg")).toStdString(),
                                     "HKEY_CURRENT_USER");
        platform::CProfile profile(hive, platform::kSettingsRoot);
        CColorSchemeOptions loaded;
        loaded.Load(profile);
        QCOMPARE(loaded.scheme, static_cast<int>(COLORSCHEME_DESKTOP));
        // Under the light palette the desktop scheme is light, its tints the drawn rows.
        CTextPane& pane = view->Pane(0);
        const int changed = RowOf(*view, 0, "deflate 1.2.11");
        QTest::qWait(20);
        QCOMPARE(RowPixel(pane.grab().toImage(), pane, changed),
                 ToQColor(ActiveColors().compare.Get(TCC_CHANGED)));
        QVERIFY(!ActiveColors().dark);
    }
};

QTEST_MAIN(ColourSchemeTest)
#include "ColourSchemeTest.moc"
