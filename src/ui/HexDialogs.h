// The dialogs of the hex views: Find (bytes or text, in a character set,
// either way), Go To an address in hex or decimal, and the question before a
// binary comparison with unsaved sides closes; and the search itself, which
// keeps the window painted and stops on Escape.
#pragma once

#include <QDialog>

#include <cstdint>
#include <string>

#include "binarycompare/HexEditContext.h"
#include "binarycompare/HexSearch.h"
#include "platform/Messages.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QRadioButton;

namespace corvatine::ui {

// What the Find dialog asks for: the find box's text (with its leading "="
// or "~" for text), the character set of a text search and the direction.
struct HEXFINDCHOICE {
    std::string text;
    int charset = SEARCH_CODEPAGE;
    bool forward = true;
};

// The last search of any hex view, which Find Next and Find Previous repeat.
HEXFINDCHOICE& LastHexFind();

class CHexFindDialog : public QDialog {
    Q_OBJECT

public:
    CHexFindDialog(QWidget* parent, const HEXFINDCHOICE& initial);
    HEXFINDCHOICE Choice() const;
    // Shows the dialog; false when it was cancelled. The text joins the
    // hex editor's recent search strings.
    static bool Ask(QWidget* parent, HEXFINDCHOICE& choice);

private:
    QComboBox* m_text;
    QComboBox* m_charset;
    QRadioButton* m_up;
    QRadioButton* m_down;
};

class CHexGoToDialog : public QDialog {
    Q_OBJECT

public:
    CHexGoToDialog(QWidget* parent, int64_t size, int64_t current, bool upperCase);
    // The address typed; -1 when there is none.
    int64_t Address() const;
    // Shows the dialog; the address, or -1 when cancelled.
    static int64_t Ask(QWidget* parent, int64_t size, int64_t current, bool upperCase);

private:
    bool m_upperCase;
    QLineEdit* m_hex;
    QLineEdit* m_decimal;
    QLabel* m_range;
};

// "Save changes to %1?" before a binary comparison closes: both paths, the
// modified ones chosen. Its result is a CBinaryCompareDoc::SaveChoice.
class CSaveSidesDialog : public QDialog {
    Q_OBJECT

public:
    CSaveSidesDialog(QWidget* parent, const std::string& title, const std::string paths[2],
                     const bool modified[2]);
    bool SaveSide(int side) const;
    static int Ask(QWidget* parent, const std::string& title, const std::string paths[2],
                   const bool modified[2], bool& saveLeft, bool& saveRight);

private:
    QCheckBox* m_sides[2];
};

// Searches a buffer from start (see FindInBuffer). While it runs the window
// is painted and Escape asks whether to stop; other input waits. The match,
// or -1 with the message shown.
int64_t SearchHexBuffer(CHexEditContext& buffer, const HEXSEARCH& search, int64_t start, bool forward,
                        platform::CMessages& messages);

// Whether a search runs (a view then leaves its buffer alone).
bool HexSearchRunning();

}  // namespace corvatine::ui
