// The message queue of the user-interface thread: any thread posts, the
// main thread takes the messages in order and hands them to their windows.
#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <type_traits>
#include <utility>

namespace corvatine::platform {

// Whatever receives events from worker threads. The queue holds the target
// of each event, so that a target that goes away can drop what still waits
// for it.
class CMessageTarget {
public:
    virtual ~CMessageTarget() = default;
};

// One event: the call that hands it to its target, on the queue's thread.
struct MESSAGE {
    CMessageTarget* target = nullptr;
    std::function<void()> deliver;

    // Hands the event to its target.
    void Deliver() const {
        if (target != nullptr && deliver) deliver();
    }
};

class CMessageQueue {
public:
    // Posts an event for target: deliver runs on the thread that takes it.
    void Post(CMessageTarget* target, std::function<void()> deliver);
    // Posts a call of one of the target's own handlers, with its arguments
    // copied: queue.Post(doc, &CDoc::OnDone) or (watch, &CWatch::OnChanged, path).
    template <class Target, class... Parameters, class... Arguments>
    void Post(Target* target, void (Target::*handler)(Parameters...), Arguments&&... arguments) {
        Post(static_cast<CMessageTarget*>(target),
             [target, handler, ... copied = std::decay_t<Arguments>(std::forward<Arguments>(arguments))] {
                 (target->*handler)(copied...);
             });
    }
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
