// Hands a widget's events to a function first; true from it eats the event.
// The hook lives as long as the widget it watches.
#pragma once

#include <QEvent>
#include <QObject>

#include <functional>

namespace corvatine::ui {

class CEventHook : public QObject {
public:
    CEventHook(QObject* watched, std::function<bool(QEvent*)> hook)
        : QObject(watched), m_hook(std::move(hook)) {
        watched->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject*, QEvent* event) override { return m_hook(event); }

private:
    std::function<bool(QEvent*)> m_hook;
};

}  // namespace corvatine::ui
