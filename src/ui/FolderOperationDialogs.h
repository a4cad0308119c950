// The dialogs of the folder view's file operations: each shows the selected
// items with their count per side and collects the options of its command
// (copy, move and delete; copy to a folder; new folder; set date/time; set
// attributes; rename; compare contents).
#pragma once

#include <QDialog>

#include <vector>

#include "foldercompare/FileOperation.h"

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QDateTimeEdit;
class QLineEdit;
class QRadioButton;
class QVBoxLayout;

namespace corvatine::ui {

// Shows the dialog of whatever command it is given.
class CFolderOperationDialogs : public CFileOperationDialogs {
public:
    explicit CFolderOperationDialogs(QWidget* parent) : m_parent(parent) {}
    bool Confirm(CFileOperation& command, const std::vector<CFolderCompareItem*>& selection) override;

private:
    QWidget* m_parent;
};

// The frame all operation dialogs share: the selection listed with
// "%d File(s), %d Folder(s)" per side, the command's own options, and OK
// (named by the command's verb) and Cancel.
class CFolderOperationDialog : public QDialog {
    Q_OBJECT

public:
    CFolderOperationDialog(QWidget* parent, CFileOperation& command,
                           const std::vector<CFolderCompareItem*>& selection);
    // Takes the options into the command; false (with the dialog kept open)
    // when they are not usable.
    virtual bool Apply() = 0;
    void accept() override;

protected:
    // The options go here, between the list and the buttons.
    QVBoxLayout* Options() { return m_options; }
    // Check boxes "&Left Side" and "&Right Side", each enabled when a
    // selected item has that side.
    void AddSideChecks(uint32_t initial);
    uint32_t SideMask() const;
    // Radio buttons of one side, for commands on one side only.
    void AddSideRadios(int initial);
    int ChosenSide() const;

    CFileOperation& m_command;
    std::vector<CFolderCompareItem*> m_selection;
    QCheckBox* m_sideChecks[2] = {nullptr, nullptr};
    QRadioButton* m_sideRadios[2] = {nullptr, nullptr};

private:
    QVBoxLayout* m_options;
};

// "Copy selected files, folders", "Move selected files, folders" and
// "Delete selected files, folders".
class CFileOperationDialog : public CFolderOperationDialog {
    Q_OBJECT

public:
    CFileOperationDialog(QWidget* parent, CFileOperation& command,
                         const std::vector<CFolderCompareItem*>& selection);
    bool Apply() override;

private:
    QRadioButton* m_toRight = nullptr;
    QRadioButton* m_toLeft = nullptr;
    QCheckBox* m_noConfirmation = nullptr;
    QCheckBox* m_recycleBin = nullptr;
    QCheckBox* m_emptyFolderOnly = nullptr;
};

// "Select Folder": the folder to copy the items of one side into, with the
// folders used before.
class CCopyToFolderDialog : public CFolderOperationDialog {
    Q_OBJECT

public:
    CCopyToFolderDialog(QWidget* parent, CCopyToFolder& command,
                        const std::vector<CFolderCompareItem*>& selection);
    bool Apply() override;

private:
    CCopyToFolder& m_copy;
    QComboBox* m_folder;
    QCheckBox* m_emptyFolderOnly;
};

class CNewFolderDialog : public CFolderOperationDialog {
    Q_OBJECT

public:
    CNewFolderDialog(QWidget* parent, CNewFolder& command, const std::vector<CFolderCompareItem*>& selection);
    bool Apply() override;

private:
    CNewFolder& m_newFolder;
    QLineEdit* m_name;
};

class CRenameDialog : public CFolderOperationDialog {
    Q_OBJECT

public:
    CRenameDialog(QWidget* parent, CRename& command, const std::vector<CFolderCompareItem*>& selection);
    bool Apply() override;

private:
    CRename& m_rename;
    QLineEdit* m_name;
};

class CSetTimeDialog : public CFolderOperationDialog {
    Q_OBJECT

public:
    CSetTimeDialog(QWidget* parent, CSetTime& command, const std::vector<CFolderCompareItem*>& selection);
    bool Apply() override;

private:
    CSetTime& m_setTime;
    QRadioButton* m_fromOtherSide;
    QRadioButton* m_given;
    QDateTimeEdit* m_time;
};

// Each attribute checked is set, cleared is cleared, partly checked is kept.
class CSetAttributesDialog : public CFolderOperationDialog {
    Q_OBJECT

public:
    CSetAttributesDialog(QWidget* parent, CSetAttributes& command,
                         const std::vector<CFolderCompareItem*>& selection);
    bool Apply() override;

private:
    CSetAttributes& m_setAttributes;
    QCheckBox* m_bits[4];
};

class CCompareContentsDialog : public CFolderOperationDialog {
    Q_OBJECT

public:
    CCompareContentsDialog(QWidget* parent, CCompareContents& command,
                           const std::vector<CFolderCompareItem*>& selection);
    bool Apply() override;

private:
    CCompareContents& m_compare;
    QRadioButton* m_methods[3];
};

}  // namespace corvatine::ui
