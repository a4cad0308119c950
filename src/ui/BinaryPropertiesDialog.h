// "Comparison Properties" of a binary comparison: the parameters to change
// (each side's path and read-only box) and what is known of the comparison:
// each file's size and last-write time, the result, and how many ranges and
// bytes differ.
#pragma once

#include <QDialog>
#include <QString>

#include <cstdint>

#include "request/CompareParams.h"

class QCheckBox;
class QLineEdit;

namespace corvatine::ui {

// The comparison as the view knows it when the dialog comes up.
struct BINARYSUMMARY {
    QString result;             // "Identical", "Different", "Comparing...", ...
    int64_t sizes[2] = {0, 0};  // the sides' contents, edits included
    int64_t ranges = 0;         // differing ranges listed
    int64_t bytes = 0;          // bytes in them
    bool complete = true;       // the list covers the whole files
};

class CBinaryPropertiesDialog : public QDialog {
    Q_OBJECT

public:
    CBinaryPropertiesDialog(QWidget* parent, const CBinaryCompareParams& params,
                            const BINARYSUMMARY& summary);
    // The parameters as the dialog leaves them.
    CBinaryCompareParams Params() const;

private:
    CBinaryCompareParams m_params;
    QLineEdit* m_path[2];
    QCheckBox* m_readOnly[2];
};

// The text of a file's last-write time, or empty when it cannot be read.
QString FileTimeText(const std::string& path);

}  // namespace corvatine::ui
