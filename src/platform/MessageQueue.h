// The message queue of the user-interface thread: any thread posts, the
// main thread takes the messages in order and hands them to their windows.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <string>

namespace corvatine::platform {

// Window messages keep their numbers.
inline constexpr unsigned kWmUser = 0x400;

// Whatever receives messages.
class CMessageTarget {
public:
    virtual ~CMessageTarget() = default;
    virtual void OnMessage(unsigned message, uint64_t wParam, int64_t lParam) = 0;
    // A message that carries a text (a path); by default the text is dropped.
    virtual void OnTextMessage(unsigned message, const std::string& text) { (void)message, (void)text; }
};

struct MESSAGE {
    CMessageTarget* target;
    unsigned message;
    uint64_t wParam;
    int64_t lParam;
    std::string text;  // for messages that carry a path
    bool hasText = false;

    // Hands the message to its target.
    void Deliver() const;
};

class CMessageQueue {
public:
    void Post(CMessageTarget* target, unsigned message, uint64_t wParam, int64_t lParam);
    void PostText(CMessageTarget* target, unsigned message, const std::string& text);
    // Takes the next message, waiting up to the timeout; false when none came.
    bool Get(MESSAGE& message, std::chrono::milliseconds timeout);
    // Hands every waiting message to its target; returns how many there were.
    int Pump();
    // Forgets the messages of a target that goes away.
    void Discard(const CMessageTarget* target);
    // Called after every post, on the posting thread: a window system's event
    // loop is woken with it and pumps the queue on its own thread. Empty to
    // stop.
    void SetWakeUp(std::function<void()> wakeUp);

private:
    void Posted();

    std::mutex m_mutex;
    std::condition_variable m_posted;
    std::deque<MESSAGE> m_messages;
    std::function<void()> m_wakeUp;
};

// The queue of the user-interface thread.
CMessageQueue& UserInterfaceQueue();

// Runs the calling thread at the lowest priority the system allows it.
void LowerThreadPriority();

}  // namespace corvatine::platform
