// "Folder Comparison Report": which rows and columns the report lists and its
// title, and saving, copying or previewing it.
#pragma once

#include <QDialog>

class QCheckBox;
class QComboBox;
class QListWidget;

namespace corvatine::ui {

class CFolderCompareView;

class CFolderReportDialog : public QDialog {
    Q_OBJECT

public:
    CFolderReportDialog(QWidget* parent, CFolderCompareView& view);
    // The choices go to the folder comparison component for the next report.
    void StoreSettings();

private:
    void Save();

    CFolderCompareView& m_view;
    QComboBox* m_rows;
    QCheckBox* m_justVisible;
    QListWidget* m_columns;
    QComboBox* m_title;
};

}  // namespace corvatine::ui
