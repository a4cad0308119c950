// The filters and methods of one folder comparison: the file filter ("File
// Filters": by name, date, size, attributes and type), the folder filter, and
// the comparison methods, with the preset and recent pattern lists.
#pragma once

#include <QDialog>

#include "request/CompareParams.h"

class QCheckBox;
class QComboBox;
class QDateEdit;
class QPushButton;
class QSpinBox;

namespace corvatine::ui {

class CFolderFilterDialog : public QDialog {
    Q_OBJECT

public:
    CFolderFilterDialog(QWidget* parent, const CFolderCompareParams& request);
    // Puts the filters, methods and scan option chosen into the request, and
    // the pattern lists typed into the recent lists.
    void Apply(CFolderCompareParams& request) const;

private:
    enum PatternList { FILES_INCLUDE, FILES_EXCLUDE, FOLDERS_INCLUDE, FOLDERS_EXCLUDE, PATTERN_LISTS };
    QWidget* FilePage();
    QWidget* FolderPage();
    QWidget* MethodPage();
    // A pattern list's box with its recent entries, its presets button and
    // the button that picks patterns from what the folders hold.
    QWidget* PatternRow(PatternList list, const std::string& value);
    void PickPatterns(PatternList list);
    // Stores the filters and methods as the defaults of new comparisons.
    void SaveAsDefault();
    void Fill(CFolderCompareParams& request) const;

    CFolderCompareParams m_request;
    QComboBox* m_patterns[PATTERN_LISTS] = {};
    QCheckBox* m_useFrom;
    QCheckBox* m_useTo;
    QDateEdit* m_from;
    QDateEdit* m_to;
    QCheckBox* m_useMinimum;
    QCheckBox* m_useMaximum;
    QSpinBox* m_minimum;
    QSpinBox* m_maximum;
    QCheckBox* m_fileAttributes[4];
    QCheckBox* m_folderAttributes[4];
    QCheckBox* m_types[2];
    QCheckBox* m_methods[8];
    QCheckBox* m_scanAll;
};

}  // namespace corvatine::ui
