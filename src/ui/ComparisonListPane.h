// The recent comparisons as the window lists them: the left pane with its
// filter box, and the helpers the start page shares with it (the icon of a
// comparison's kind, its row text and whether it matches a filter).
#pragma once

#include <QIcon>
#include <QString>
#include <QWidget>

#include "request/CompareParams.h"

class QLineEdit;
class QListWidget;
class QListWidgetItem;

namespace corvatine {
class CRecentComparisonList;
}

namespace corvatine::ui {

// The icon of a comparison of this kind: a folder, a text or a binary file.
QIcon ComparisonKindIcon(const QWidget& widget, int kind);
// "left : right" with the full paths.
QString ComparisonPaths(const CCompareParams& request);
// The tooltip of an entry: the paths and when they were last compared.
QString ComparisonToolTip(const CCompareParams& request);
// Whether the entry's title or paths contain the text, without regard to
// case; an empty text matches every entry.
bool ComparisonMatches(const CCompareParams& request, const QString& text);

// The left pane: the recent comparisons, most recent first, narrowed by the
// filter box. A click or Enter opens an entry; Delete or the context menu's
// "Remove" takes the selected entries out of the list.
class CComparisonListPane : public QWidget {
    Q_OBJECT

public:
    // The list may be null (no recent comparisons are kept); it must outlive
    // the pane.
    CComparisonListPane(CRecentComparisonList* list, QWidget* parent = nullptr);

    // Shows the list as it is now, keeping the filter.
    void Reload();
    // Narrows the rows to the entries that match.
    void SetFilter(const QString& text);
    // The list index of each row shown, top to bottom.
    std::vector<int> ShownEntries() const;
    // Takes the entries of the selected rows out of the list.
    void RemoveSelected();

    QLineEdit& FilterBox() { return *m_filter; }
    QListWidget& Rows() { return *m_rows; }

signals:
    // The entry at this index of the list is to be opened.
    void openEntry(int index);
    // Entries were removed from the list.
    void entriesRemoved();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void ShowMenu(const QPoint& at);
    int EntryOf(const QListWidgetItem* item) const;

    CRecentComparisonList* m_list;
    QLineEdit* m_filter;
    QListWidget* m_rows;
};

}  // namespace corvatine::ui
