// Printing of text documents: the rows of a text comparison (both sides side
// by side, or each side alone) or of the editor, laid out in pages from the
// models' rows with line numbers, the comparison's colours and a header that
// names the files and counts the pages.
#pragma once

#include <QFont>
#include <QString>

#include <functional>
#include <memory>
#include <vector>

#include "ui/ActiveColors.h"

class QPainter;
class QPagedPaintDevice;
class QPrinter;

namespace corvatine {
class CSyntaxEditContext;
}

namespace corvatine::ui {

class CDocumentView;
class CPaneDecorations;

// How a text comparison is printed.
enum PrintLayout : int {
    PRINT_SIDE_BY_SIDE = 0,  // both sides in two columns, row against row
    PRINT_LEFT_SIDE = 1,     // the left file's lines alone
    PRINT_RIGHT_SIDE = 2,    // the right file's lines alone
    PRINT_EACH_SIDE = 3,     // the left file's pages, then the right file's
};

class CTextPrintJob {
public:
    // The job for the view, or null when it holds no printable text (only
    // text comparisons and the text editor print). The layout applies to
    // comparisons. The view must outlive the job.
    static std::unique_ptr<CTextPrintJob> ForView(CDocumentView* view, int layout);
    // Whether ForView makes a job for the view; cheap, for enabling commands.
    static bool CanPrint(const CDocumentView* view);
    ~CTextPrintJob();

    // The lines of text that fit on one page of the printer; a row longer
    // than its column wraps onto more lines.
    int RowsPerPage(QPrinter& printer) const;
    // The pages the whole document takes on the printer.
    int PageCount(QPrinter& printer) const;
    // Told before each page is printed: its position among the pages to
    // print and their number; false stops the printing there.
    using Progress = std::function<bool(int done, int total)>;
    // Prints the pages of the printer's page range (every page when none is
    // set); the number of pages printed, 0 when the printer could not start.
    // Stopped by progress, the job is aborted and the pages so far counted.
    int Print(QPrinter& printer, const Progress& progress = nullptr) const;

    // The title printed at the top of every page.
    const QString& Title() const { return m_title; }

private:
    struct COLUMN {
        QString title;
        const CSyntaxEditContext* context;
        const CPaneDecorations* decorations;
    };
    // Pages with one or two columns that show the same rows.
    struct PART {
        std::vector<int> columns;
        std::vector<int> rows;
    };
    struct METRICS {
        QFont font;
        double lineHeight;
        double ascent;
        double charWidth;
        double width;
        double height;
        int rowsPerPage;
    };

    // Rows [first, last) of a part on one page.
    struct PAGE {
        size_t part;
        int first;
        int last;
    };

    CTextPrintJob() = default;
    void AddPart(std::vector<int> columns, bool skipGhosts);
    METRICS Measure(QPrinter& printer) const;
    double ColumnWidth(const METRICS& metrics, const PART& part) const;
    // The character cells of a column's text on one printed line.
    int CellsPerLine(const METRICS& metrics, const COLUMN& column, double width) const;
    // The printed lines a row takes: long lines wrap, in every column the
    // same number, at most a page.
    int RowLines(const METRICS& metrics, const PART& part, int row) const;
    std::vector<PAGE> Paginate(const METRICS& metrics) const;
    void PaintPage(QPainter& painter, const METRICS& metrics, const PAGE& page, int number, int pages) const;
    // Paints a row over lines printed lines.
    void PaintRow(QPainter& painter, const METRICS& metrics, const COLUMN& column, int row, double left,
                  double top, double width, int lines) const;

    QString m_title;
    std::vector<COLUMN> m_columns;
    std::vector<PART> m_parts;
    // The decorations the job made for the view's sides.
    std::vector<std::unique_ptr<CPaneDecorations>> m_owned;
    // The colours on paper.
    COLORSCHEME m_paper = PaperColors();
};

// The choices of a print layout for the dialogs: "Both sides side by side",
// "Left side", "Right side", "Each side".
QStringList PrintLayoutNames();

}  // namespace corvatine::ui
