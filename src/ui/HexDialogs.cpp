#include "ui/HexDialogs.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>

#include <cstdlib>

#include "binarycompare/BinaryCompareDoc.h"
#include "binarycompare/HexEditOptions.h"
#include "launch/Components.h"
#include "ui/DialogMessages.h"
#include "ui/UiText.h"

namespace corvatine::ui {

HEXFINDCHOICE& LastHexFind() {
    static HEXFINDCHOICE last;
    return last;
}

// ---- Find ----

CHexFindDialog::CHexFindDialog(QWidget* parent, const HEXFINDCHOICE& initial) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Find"));
    auto* layout = new QGridLayout(this);
    auto* label = new QLabel(QStringLiteral("Fi&nd what:"), this);
    m_text = new QComboBox(this);
    m_text->setObjectName(QStringLiteral("findText"));
    m_text->setEditable(true);
    m_text->setInsertPolicy(QComboBox::NoInsert);
    for (const std::string& recent : AppComponents().Hex().RecentFind().Items())
        m_text->addItem(FromWorking(recent));
    m_text->setEditText(FromWorking(initial.text));
    m_text->setMinimumContentsLength(30);
    label->setBuddy(m_text);
    layout->addWidget(label, 0, 0);
    layout->addWidget(m_text, 0, 1, 1, 2);
    auto* hint = new QLabel(
        QStringLiteral("Hex digits find bytes; =text finds text with its case, ~text without."), this);
    hint->setWordWrap(true);
    layout->addWidget(hint, 1, 1, 1, 2);

    auto* charsetLabel = new QLabel(QStringLiteral("&Characters:"), this);
    m_charset = new QComboBox(this);
    m_charset->setObjectName(QStringLiteral("charset"));
    m_charset->addItem(QStringLiteral("Code page"), SEARCH_CODEPAGE);
    m_charset->addItem(QStringLiteral("Unicode"), SEARCH_UNICODE);
    m_charset->addItem(QStringLiteral("EBCDIC"), SEARCH_EBCDIC);
    m_charset->setCurrentIndex(std::max(0, m_charset->findData(initial.charset)));
    charsetLabel->setBuddy(m_charset);
    layout->addWidget(charsetLabel, 2, 0);
    layout->addWidget(m_charset, 2, 1);

    auto* direction = new QGroupBox(QStringLiteral("Direction"), this);
    auto* directions = new QHBoxLayout(direction);
    m_up = new QRadioButton(QStringLiteral("&Up"), direction);
    m_up->setObjectName(QStringLiteral("up"));
    m_down = new QRadioButton(QStringLiteral("&Down"), direction);
    m_down->setObjectName(QStringLiteral("down"));
    (initial.forward ? m_down : m_up)->setChecked(true);
    directions->addWidget(m_up);
    directions->addWidget(m_down);
    layout->addWidget(direction, 3, 1, 1, 2);

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* find = buttons->addButton(QStringLiteral("&Find Next"), QDialogButtonBox::AcceptRole);
    find->setDefault(true);
    buttons->addButton(QDialogButtonBox::Cancel);
    connect(buttons, &QDialogButtonBox::accepted, this, [this] {
        if (!m_text->currentText().isEmpty()) accept();
    });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons, 4, 0, 1, 3);
    m_text->lineEdit()->selectAll();
    m_text->setFocus();
}

HEXFINDCHOICE CHexFindDialog::Choice() const {
    HEXFINDCHOICE choice;
    choice.text = ToWorking(m_text->currentText());
    choice.charset = m_charset->currentData().toInt();
    choice.forward = m_down->isChecked();
    return choice;
}

bool CHexFindDialog::Ask(QWidget* parent, HEXFINDCHOICE& choice) {
    CHexFindDialog dialog(parent, choice);
    if (dialog.exec() != QDialog::Accepted) return false;
    choice = dialog.Choice();
    AppComponents().Hex().AddRecentFind(choice.text);
    return true;
}

// ---- Go To ----

CHexGoToDialog::CHexGoToDialog(QWidget* parent, int64_t size, int64_t current, bool upperCase)
    : QDialog(parent), m_upperCase(upperCase) {
    setWindowTitle(QStringLiteral("Go To"));
    auto* layout = new QGridLayout(this);
    m_hex = new QLineEdit(FromWorking(GoToHexText(current, upperCase)), this);
    m_hex->setObjectName(QStringLiteral("hexAddress"));
    m_hex->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9A-Fa-f]{0,16}")), m_hex));
    m_decimal = new QLineEdit(FromWorking(GoToDecimalText(current)), this);
    m_decimal->setObjectName(QStringLiteral("decimalAddress"));
    m_decimal->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]{0,19}")), m_decimal));
    m_range = new QLabel(FromWorking(GoToRangeText(size, upperCase)), this);
    m_range->setObjectName(QStringLiteral("range"));
    auto* hexLabel = new QLabel(QStringLiteral("&Hexadecimal:"), this);
    hexLabel->setBuddy(m_hex);
    auto* decimalLabel = new QLabel(QStringLiteral("&Decimal:"), this);
    decimalLabel->setBuddy(m_decimal);
    layout->addWidget(hexLabel, 0, 0);
    layout->addWidget(m_hex, 0, 1);
    layout->addWidget(decimalLabel, 1, 0);
    layout->addWidget(m_decimal, 1, 1);
    layout->addWidget(m_range, 2, 1);
    // Each box shows the address the other one holds, while it is typed.
    connect(m_hex, &QLineEdit::textEdited, this, [this](const QString& text) {
        const QSignalBlocker block(m_decimal);
        m_decimal->setText(text.isEmpty() ? QString()
                                          : FromWorking(GoToDecimalText(static_cast<int64_t>(
                                                std::strtoull(text.toLatin1().constData(), nullptr, 16)))));
    });
    connect(m_decimal, &QLineEdit::textEdited, this, [this](const QString& text) {
        const QSignalBlocker block(m_hex);
        m_hex->setText(text.isEmpty()
                           ? QString()
                           : FromWorking(GoToHexText(static_cast<int64_t>(std::strtoull(
                                                         text.toLatin1().constData(), nullptr, 10)),
                                                     m_upperCase)));
    });
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, [this] {
        if (Address() >= 0) accept();
    });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons, 3, 0, 1, 2);
    m_hex->selectAll();
    m_hex->setFocus();
}

int64_t CHexGoToDialog::Address() const {
    const QString text = m_hex->text();
    if (text.isEmpty()) return -1;
    const unsigned long long value = std::strtoull(text.toLatin1().constData(), nullptr, 16);
    return value > static_cast<unsigned long long>(INT64_MAX) ? -1 : static_cast<int64_t>(value);
}

int64_t CHexGoToDialog::Ask(QWidget* parent, int64_t size, int64_t current, bool upperCase) {
    CHexGoToDialog dialog(parent, size, current, upperCase);
    return dialog.exec() == QDialog::Accepted ? dialog.Address() : -1;
}

// ---- Save changes ----

CSaveSidesDialog::CSaveSidesDialog(QWidget* parent, const std::string& title, const std::string paths[2],
                                   const bool modified[2])
    : QDialog(parent) {
    setWindowTitle(QApplication::applicationDisplayName());
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(MessageText(platform::ReplacePlaceholder(
                                     "Save changes to %1?", "%1", title.empty() ? "Untitled" : title)),
                                 this));
    for (int side = 0; side < 2; ++side) {
        const QString name = FromPath(paths[side].empty() ? std::string("Untitled") : paths[side]);
        const QString label = (side == 0 ? QStringLiteral("&Left: ") : QStringLiteral("&Right: ")) + name +
                              (modified[side] ? QStringLiteral("  (modified)") : QString());
        m_sides[side] = new QCheckBox(label, this);
        m_sides[side]->setObjectName(side == 0 ? QStringLiteral("saveLeft") : QStringLiteral("saveRight"));
        m_sides[side]->setChecked(modified[side]);
        m_sides[side]->setEnabled(modified[side]);
        layout->addWidget(m_sides[side]);
    }
    auto* buttons = new QDialogButtonBox(this);
    QPushButton* save = buttons->addButton(QStringLiteral("&Save"), QDialogButtonBox::AcceptRole);
    save->setObjectName(QStringLiteral("save"));
    save->setDefault(true);
    QPushButton* all = buttons->addButton(QStringLiteral("Save &All"), QDialogButtonBox::ActionRole);
    all->setObjectName(QStringLiteral("saveAll"));
    QPushButton* none = buttons->addButton(QStringLiteral("&Don't Save"), QDialogButtonBox::DestructiveRole);
    none->setObjectName(QStringLiteral("dontSave"));
    QPushButton* cancel = buttons->addButton(QDialogButtonBox::Cancel);
    cancel->setObjectName(QStringLiteral("cancel"));
    connect(save, &QPushButton::clicked, this, [this] { done(CBinaryCompareDoc::SAVE_CHOSEN + 1); });
    connect(all, &QPushButton::clicked, this, [this] { done(CBinaryCompareDoc::SAVE_ALL + 1); });
    connect(none, &QPushButton::clicked, this, [this] { done(CBinaryCompareDoc::SAVE_NONE + 1); });
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    layout->addWidget(buttons);
}

bool CSaveSidesDialog::SaveSide(int side) const { return m_sides[side]->isChecked(); }

int CSaveSidesDialog::Ask(QWidget* parent, const std::string& title, const std::string paths[2],
                          const bool modified[2], bool& saveLeft, bool& saveRight) {
    CSaveSidesDialog dialog(parent, title, paths, modified);
    // The dialog's result is the choice plus one: 0 is a rejected dialog.
    const int result = dialog.exec();
    if (result <= 0) return CBinaryCompareDoc::SAVE_CANCEL;
    saveLeft = dialog.SaveSide(0);
    saveRight = dialog.SaveSide(1);
    return result - 1;
}

// ---- Searching ----

namespace {

bool g_searching = false;

// While a search runs: input waits, Escape is noted.
class CSearchInput : public QObject {
public:
    bool eventFilter(QObject* watched, QEvent* event) override {
        switch (event->type()) {
            case QEvent::KeyPress:
                if (static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) escape = true;
                return true;
            case QEvent::KeyRelease:
            case QEvent::ShortcutOverride:
            case QEvent::MouseButtonPress:
            case QEvent::MouseButtonRelease:
            case QEvent::MouseButtonDblClick:
            case QEvent::Wheel:
            case QEvent::Close: return true;  // the window stays while the search reads its buffer
            default: return QObject::eventFilter(watched, event);
        }
    }
    bool escape = false;
};

}  // namespace

bool HexSearchRunning() { return g_searching; }

int64_t SearchHexBuffer(CHexEditContext& buffer, const HEXSEARCH& search, int64_t start, bool forward,
                        platform::CMessages& messages) {
    CSearchInput input;
    g_searching = true;
    const int64_t found = FindInBuffer(buffer, search, start, forward, messages, [&input] {
        // At each check point: paint, and see whether Escape was pressed.
        // Other input waits; the messages of the search take input again.
        qApp->installEventFilter(&input);
        QApplication::processEvents(QEventLoop::AllEvents, 20);
        qApp->removeEventFilter(&input);
        const bool escape = input.escape;
        input.escape = false;
        return escape;
    });
    g_searching = false;
    return found;
}

}  // namespace corvatine::ui
