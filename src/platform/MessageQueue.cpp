#include "platform/MessageQueue.h"

#include <sched.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>

namespace corvatine::platform {

void CMessageQueue::Post(CMessageTarget* target, std::function<void()> deliver) {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_messages.push_back({target, std::move(deliver)});
    }
    Posted();
}

void CMessageQueue::Posted() {
    m_posted.notify_one();
    std::function<void()> wakeUp;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        wakeUp = m_wakeUp;
    }
    if (wakeUp) wakeUp();
}

void CMessageQueue::SetWakeUp(std::function<void()> wakeUp) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_wakeUp = std::move(wakeUp);
}

bool CMessageQueue::Get(MESSAGE& message, std::chrono::milliseconds timeout) {
    std::unique_lock<std::mutex> lock(m_mutex);
    if (!m_posted.wait_for(lock, timeout, [this] { return !m_messages.empty(); })) return false;
    message = std::move(m_messages.front());
    m_messages.pop_front();
    return true;
}

int CMessageQueue::Pump() {
    int count = 0;
    MESSAGE message;
    while (Get(message, std::chrono::milliseconds(0))) {
        message.Deliver();
        ++count;
    }
    return count;
}

void CMessageQueue::Discard(const CMessageTarget* target) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_messages.erase(std::remove_if(m_messages.begin(), m_messages.end(),
                                    [target](const MESSAGE& m) { return m.target == target; }),
                     m_messages.end());
}

CMessageQueue& UserInterfaceQueue() {
    static CMessageQueue queue;
    return queue;
}

void LowerThreadPriority() {
    struct sched_param param {};
    // SCHED_IDLE where allowed, else the weakest nice value for this thread.
    if (::sched_setscheduler(0, SCHED_IDLE, &param) != 0)
        ::setpriority(PRIO_PROCESS, static_cast<id_t>(::gettid()), 19);
}

}  // namespace corvatine::platform
