// An event as threads wait on it: signalled or not, reset by hand or by the
// one waiter it releases.
#pragma once

#include <condition_variable>
#include <mutex>

namespace corvatine::platform {

class CEvent {
public:
    CEvent(bool manualReset, bool signalled) : m_manual(manualReset), m_signalled(signalled) {}

    void Set() {
        // Notified under the lock: a waiter it releases may destroy the
        // event as soon as it sees it signalled.
        std::lock_guard<std::mutex> lock(m_mutex);
        m_signalled = true;
        if (m_manual)
            m_changed.notify_all();
        else
            m_changed.notify_one();
    }
    void Reset() {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_signalled = false;
    }
    // Waits until signalled; an auto-reset event is reset by the wait.
    void Wait() {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_changed.wait(lock, [this] { return m_signalled; });
        if (!m_manual) m_signalled = false;
    }
    // True when signalled now (an auto-reset event is then reset).
    bool TryWait() {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (!m_signalled) return false;
        if (!m_manual) m_signalled = false;
        return true;
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_manual;
    bool m_signalled;
};

}  // namespace corvatine::platform
