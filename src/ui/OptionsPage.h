// One page of the options dialog. The dialog loads every page when it opens
// and applies them all, in the order they were added, when it is confirmed;
// a cancelled dialog changes nothing.
#pragma once

#include <QString>
#include <QWidget>

namespace corvatine::ui {

class COptionsPage : public QWidget {
public:
    using QWidget::QWidget;

    // The page's name in the dialog's page list.
    [[nodiscard]] virtual QString Title() const = 0;
    // Fills the controls from the settings the page edits.
    virtual void Load() = 0;
    // Stores the controls back into the settings (the dialog saves them
    // afterwards). False, after telling the user why, when a value cannot be
    // taken; the dialog then stays open on that page.
    [[nodiscard]] virtual bool Apply() = 0;
};

}  // namespace corvatine::ui
