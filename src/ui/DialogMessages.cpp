#include "ui/DialogMessages.h"

#include <QApplication>
#include <QMessageBox>

#include "ui/UiText.h"

namespace corvatine::ui {

QString MessageText(const std::string& text) {
    QString message = FromPath(text);
    message.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return message;
}

int AskSaveChanges(QWidget* parent, const std::string& path) {
    return QMessageBox::question(parent, QApplication::applicationDisplayName(),
                                 MessageText(platform::ReplacePlaceholder("Save changes to %1?", "%1",
                                                                          path.empty() ? "Untitled" : path)),
                                 QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, QMessageBox::Yes);
}

int CDialogMessages::AskYesNo(const std::string& text) {
    const auto answer =
        QMessageBox::question(m_parent, QApplication::applicationDisplayName(), MessageText(text),
                              QMessageBox::Yes | QMessageBox::No, QMessageBox::No);
    return answer == QMessageBox::Yes ? platform::ANSWER_YES : platform::ANSWER_NO;
}

void CDialogMessages::Inform(const std::string& text) {
    QMessageBox::information(m_parent, QApplication::applicationDisplayName(), MessageText(text));
}

void CDialogMessages::Error(const std::string& text) {
    QMessageBox::critical(m_parent, QApplication::applicationDisplayName(), MessageText(text));
}

void CDialogMessages::Status(const std::string& text) {
    if (onStatus) onStatus(MessageText(text));
}

}  // namespace corvatine::ui
