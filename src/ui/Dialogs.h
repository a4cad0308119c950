// The dialogs of the window: New Comparison, Save As with its encoding and
// line endings, Go To Line, the text comparison report and the command line
// of a comparison.
#pragma once

#include <QDialog>

#include <memory>
#include <string>

#include "request/CompareParams.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QLabel;
class QPlainTextEdit;
class QSpinBox;

namespace corvatine {
class CTextCompareDoc;
}

namespace corvatine::ui {

struct SAVEASCHOICE {
    std::string path;
    int encodingKind = 0;  // 1-3, or -1 with a code page; 0 keeps the file's
    int codePage = -1;
    int style = 0;  // line endings: 0 keeps each line's own
};

// A path with the encoding and line endings to save in.
class CSaveAsDialog : public QDialog {
    Q_OBJECT

public:
    CSaveAsDialog(QWidget* parent, const QString& title, const std::string& path, int kind, int codePage);
    SAVEASCHOICE Choice() const;
    // Shows the dialog; false when it was cancelled.
    static bool Ask(QWidget* parent, const QString& title, const std::string& path, int kind, int codePage,
                    SAVEASCHOICE& choice);

private:
    QLineEdit* m_path;
    QComboBox* m_encoding;
    QComboBox* m_endings;
};

// "Go To Line" with the valid range and "&Relative".
class CGoToLineDialog : public QDialog {
    Q_OBJECT

public:
    CGoToLineDialog(QWidget* parent, int current, int lines);
    // The line chosen (1-based, made absolute).
    int Line() const;
    // Shows the dialog; the chosen line, or 0 when cancelled.
    static int Ask(QWidget* parent, int current, int lines);

private:
    int m_current;
    int m_lines;
    QSpinBox* m_line;
    QCheckBox* m_relative;
    QLabel* m_range;
};

// "Reopen with Encoding": the encoding a file without a byte-order mark is
// read in again, or automatic detection.
class CReopenEncodingDialog : public QDialog {
    Q_OBJECT

public:
    // codePage: the one the file was read in; kind: its Unicode kind, when
    // a byte-order mark named it (the dialog then says that it wins).
    CReopenEncodingDialog(QWidget* parent, const QString& path, int kind, int codePage);
    // The code page chosen; CODEPAGE_DETECT for automatic detection.
    int CodePage() const;
    // Shows the dialog; false when cancelled.
    static bool Ask(QWidget* parent, const QString& path, int kind, int codePage, int& chosen);

private:
    QComboBox* m_encoding;
};

// "Command Line": the line that reproduces the comparison, to copy or save.
class CCommandLineDialog : public QDialog {
    Q_OBJECT

public:
    CCommandLineDialog(QWidget* parent, const CCompareParams& request);
    QString Text() const;
    static void Run(QWidget* parent, const CCompareParams& request);

private:
    void Regenerate();

    std::unique_ptr<CCompareParams> m_request;
    QPlainTextEdit* m_text;
    QCheckBox* m_abbreviated;
    QCheckBox* m_fullPath;
};

// "Text Comparison Report": its settings, and saving, copying or previewing it.
class CTextReportDialog : public QDialog {
    Q_OBJECT

public:
    CTextReportDialog(QWidget* parent, CTextCompareDoc& doc);
    static void Run(QWidget* parent, CTextCompareDoc& doc);

private:
    void StoreSettings();
    void Save();
    void Copy();
    void Preview();

    CTextCompareDoc& m_doc;
    QComboBox* m_include;
    QCheckBox* m_lineNumbers;
    QCheckBox* m_syntax;
    QCheckBox* m_lineDifferences;
    QComboBox* m_title;
};

// "New Comparison": two paths with the recent lists, the kind, and for text
// the rules and the line filter. It builds the request the command line
// would build.
class CNewComparisonDialog : public QDialog {
    Q_OBJECT

public:
    explicit CNewComparisonDialog(QWidget* parent);
    void SetPaths(const QString& left, const QString& right);
    void SetKind(int kind);  // 0 automatic, 1 text, 2 binary, 3 folder
    // The request, as the command line builds it from the same choices;
    // null when a path is missing.
    std::unique_ptr<CCompareParams> Request() const;

private:
    QComboBox* m_paths[2];
    QComboBox* m_kind;
    QCheckBox* m_rules[10];
    QComboBox* m_lineFilter;
};

}  // namespace corvatine::ui
