// "Comparison Properties" of a binary comparison: the parameters to change
// (each side's path and read-only box) and what is known of the comparison:
// each file's size and last-write time, the result, and how many ranges and
// bytes differ. And the comparison's plain report.
#pragma once

#include <QDialog>
#include <QString>

#include <cstdint>
#include <string>
#include <vector>

#include "binarycompare/BinaryCompareContext.h"

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

// The report of a binary comparison: "Left: " and "Right: " with the paths,
// a blank line, then the ranges as the command line's --format=ranges
// writes them: "START-END KIND" (offsets in at least eight upper-case hex
// digits, END past the range) and the summary line.
std::string BinaryReportText(const CBinaryCompareParams& params, const std::vector<BINARYDIFFERENCE>& ranges,
                             const int64_t sizes[2]);

}  // namespace corvatine::ui
