// The dialog of a search in files: what to find, the file types, the folder
// and the options, with the recent texts and folders kept in the settings.
#pragma once

#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QPushButton>

#include <string>

namespace corvatine::ui {

// What the dialog was left with.
struct FINDINFILESCHOICE {
    std::string findWhat;
    std::string fileTypes = "*.*";
    std::string lookIn;
    unsigned flags = 0;  // FindInFilesFlags
};

class CFindInFilesDlg : public QDialog {
    Q_OBJECT

public:
    // The recent lists of the settings, the choice as the fields' start.
    CFindInFilesDlg(const FINDINFILESCHOICE& start, QWidget* parent = nullptr);

    // The settings' section of the recent texts and of the recent folders.
    static constexpr const char* kRecentFindKey = "Components\\TextEditor\\Recent\\Find";
    static constexpr const char* kRecentLookInKey = "Components\\TextEditor\\Recent\\LookIn";
    static constexpr int kRecentSize = 16;

    FINDINFILESCHOICE Choice() const;
    // Shows the dialog; on OK the choice is filled and the text and folder
    // go to their recent lists. False when canceled.
    static bool Ask(QWidget* parent, FINDINFILESCHOICE& choice);

    // The tokens of the Expression menu: the item's text, what it inserts,
    // and whether the caret goes back one place (inside the brackets).
    struct EXPRESSIONITEM {
        const char* text;
        const char* inserted;
        bool caretInside;
    };
    static const EXPRESSIONITEM kExpressionItems[11];

    QComboBox* FindWhat() const { return m_findWhat; }
    QComboBox* FileTypes() const { return m_fileTypes; }
    QComboBox* LookIn() const { return m_lookIn; }
    QPushButton* ExpressionButton() const { return m_expression; }
    QCheckBox* MatchCase() const { return m_matchCase; }
    QCheckBox* Subfolders() const { return m_subfolders; }
    QCheckBox* RegularExpression() const { return m_regExp; }

    void accept() override;

private:
    void InsertToken(const EXPRESSIONITEM& item);
    void Browse();

    QComboBox* m_findWhat;
    QPushButton* m_expression;
    QComboBox* m_fileTypes;
    QComboBox* m_lookIn;
    QPushButton* m_browse;
    QCheckBox* m_matchCase;
    QCheckBox* m_subfolders;
    QCheckBox* m_regExp;
    QPushButton* m_ok;
};

}  // namespace corvatine::ui
