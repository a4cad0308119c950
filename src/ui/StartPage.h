// The start page: a document tab with the recent comparisons and the ways to
// begin a new one, shown at start-up while ShowStartPage is on.
#pragma once

#include "ui/DocumentView.h"

class QCheckBox;
class QTreeWidget;
class QTreeWidgetItem;

namespace corvatine {
class CGeneralOptions;
class CRecentComparisonList;
}  // namespace corvatine

namespace corvatine::ui {

class CStartPage : public CDocumentView {
    Q_OBJECT

public:
    // The list may be null (no recent comparisons are kept); it and the
    // options must outlive the page.
    CStartPage(CRecentComparisonList* list, CGeneralOptions& options, QWidget* parent = nullptr);

    // Shows the list as it is now.
    void Reload();
    QTreeWidget& Recent() { return *m_recent; }
    QCheckBox& ShowAtStartUp() { return *m_showAtStartUp; }

    QString Title() const override { return QStringLiteral("Start Page"); }
    QString StatusText() const override { return QString(); }
    bool IsEnabled(Command) const override { return false; }
    void Execute(Command) override {}
    bool CanClose() override { return true; }

signals:
    // The entry at this index of the recent comparisons list is to be opened.
    void openEntry(int index);
    // A new comparison of this kind (1 text, 2 binary, 3 folder) is to be chosen.
    void newComparison(int kind);
    void openFile();
    void openComparisonFile();

private:
    CRecentComparisonList* m_list;
    CGeneralOptions& m_options;
    QTreeWidget* m_recent;
    QCheckBox* m_showAtStartUp;
};

}  // namespace corvatine::ui
