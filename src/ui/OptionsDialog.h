// The options dialog: a list of pages on the left, the chosen page on the
// right, and OK, Cancel and Apply. Confirming applies every page in the order
// the pages were added, writes the settings and saves them; a page that
// refuses its values keeps the dialog open on it. Cancel changes nothing.
#pragma once

#include <QDialog>

#include <functional>
#include <vector>

#include "ui/OptionsPage.h"

class QListWidget;
class QStackedWidget;
class QDialogButtonBox;

namespace corvatine::ui {

class COptionsDialog : public QDialog {
    Q_OBJECT

public:
    explicit COptionsDialog(QWidget* parent = nullptr);

    // The dialog takes the page; it is loaded when added.
    void AddPage(COptionsPage* page);
    int PageCount() const { return static_cast<int>(m_pages.size()); }
    COptionsPage* Page(int index) const { return m_pages[static_cast<size_t>(index)]; }
    // The page shown.
    COptionsPage* CurrentPage() const;
    void ShowPage(int index);

    // Writes and saves the settings once every page has applied; false
    // (after telling the user) when they could not be saved.
    std::function<bool()> onSave;

    // Applies every page, then saves; false, on the page that refused or
    // with the settings unsaved, when that failed.
    bool ApplyAll();

public slots:
    void accept() override;

signals:
    // The settings were applied and saved: the open views take them.
    void applied();

private:
    QListWidget* m_list;
    QStackedWidget* m_stack;
    QDialogButtonBox* m_buttons;
    std::vector<COptionsPage*> m_pages;
};

}  // namespace corvatine::ui
