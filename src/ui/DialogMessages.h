// Questions, information and errors as message boxes of the window.
#pragma once

#include <QWidget>

#include <functional>

#include "platform/Messages.h"

namespace corvatine::ui {

class CDialogMessages : public platform::CMessages {
public:
    explicit CDialogMessages(QWidget* parent = nullptr) : m_parent(parent) {}
    void SetParent(QWidget* parent) { m_parent = parent; }

    int AskYesNo(const std::string& text) override;
    void Inform(const std::string& text) override;
    void Error(const std::string& text) override;
    void Status(const std::string& text) override;

    // Where status texts go (the frame's status bar).
    std::function<void(const QString&)> onStatus;

private:
    QWidget* m_parent;
};

// The desktop's message texts use carriage returns as line breaks too.
QString MessageText(const std::string& text);

// "Save changes to %1?" before a document with unsaved edits closes, with
// Yes, No and Cancel; the button chosen.
int AskSaveChanges(QWidget* parent, const std::string& path);

}  // namespace corvatine::ui
