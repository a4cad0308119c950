// Changes of watched files as the user is to hear of them: the notices one
// save raises settle into one, and notices of a file that come while the
// user answers a question about it are taken as answered by it.
#pragma once

#include <QObject>
#include <QTimer>

#include <functional>
#include <string>
#include <vector>

namespace corvatine::ui {

class CFileChangeGate : public QObject {
    Q_OBJECT

public:
    // How long a file must stay unchanged before its change is told.
    static constexpr int kSettleMilliseconds = 150;

    CFileChangeGate(std::function<void(const std::string& path)> handler, QObject* parent);
    // A watched file changed.
    void Changed(const std::string& path);

private:
    void Flush();

    std::function<void(const std::string&)> m_handler;
    QTimer m_timer;
    std::vector<std::string> m_pending;
    bool m_handling = false;
};

}  // namespace corvatine::ui
