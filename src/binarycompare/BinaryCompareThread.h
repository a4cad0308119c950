// The worker that runs the whole-file test of one binary comparison in the
// background, one pass at a time, and posts the completion message 1074 to
// its window after every pass.
#pragma once

#include <atomic>
#include <memory>
#include <thread>

#include "binarycompare/BinaryCompareContext.h"
#include "platform/Event.h"
#include "platform/MessageQueue.h"

namespace corvatine {

// Whoever hears that a pass ended, on the queue's thread.
class CBinaryCompareTarget : public platform::CMessageTarget {
public:
    virtual void OnPassEnded() = 0;
};

// The worker keeps out of the way of the window at the lowest priority. A
// program that only waits for its result, with nothing else to do, runs it
// at the normal one: at the lowest it would stand still while other programs
// keep the processors busy.
enum class WorkerPriority { LOWEST, NORMAL };

class CBinaryCompareThread {
public:
    explicit CBinaryCompareThread(CBinaryCompareContext& context,
                                  platform::CMessageQueue& queue = platform::UserInterfaceQueue(),
                                  WorkerPriority priority = WorkerPriority::LOWEST)
        : m_context(context), m_queue(queue), m_priority(priority) {}
    // Stops the pass, then ends the worker and waits for it.
    ~CBinaryCompareThread();
    CBinaryCompareThread(const CBinaryCompareThread&) = delete;
    CBinaryCompareThread& operator=(const CBinaryCompareThread&) = delete;

    // Starts (or restarts) the test; window hears when the pass ends.
    // 1, or 0 when the worker cannot be made or a running pass not stopped.
    int Start(CBinaryCompareTarget* window);
    // Asks a running pass to end and waits until the worker is idle; 1.
    int Stop();
    bool HasWorker() const { return m_worker != nullptr; }

private:
    void Run();

    CBinaryCompareContext& m_context;
    platform::CMessageQueue& m_queue;
    const WorkerPriority m_priority;
    std::unique_ptr<std::thread> m_worker;
    std::atomic<int> m_cancel{0};
    std::atomic<CBinaryCompareTarget*> m_window{nullptr};
    platform::CEvent m_start{false, false};
    platform::CEvent m_idle{true, true};
    platform::CEvent m_stop{false, false};
    platform::CEvent m_finished{false, false};
};

}  // namespace corvatine
