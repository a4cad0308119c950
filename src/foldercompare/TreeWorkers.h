// Helper threads for the comparison of a folder tree: sibling subtrees are
// independent (each item and its entries belong to one subtree), so they can
// be compared on several threads while the result stays what one thread
// would make.
#pragma once

#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace corvatine {

class CTreeWorkers {
public:
    // Starts the given number of helper threads (none: every task runs on
    // the calling thread).
    explicit CTreeWorkers(int helpers);
    ~CTreeWorkers();
    CTreeWorkers(const CTreeWorkers&) = delete;
    CTreeWorkers& operator=(const CTreeWorkers&) = delete;

    // Helpers worth starting on this machine: one fewer than its processors,
    // at most kMaxHelpers.
    static int DefaultHelpers();
    static constexpr int kMaxHelpers = 3;

    // Runs task(index, onOwner) for every index below count and returns when
    // all have ended. Tasks run on the calling thread and on helpers that are
    // free, in no fixed order; onOwner tells a task that it runs on the
    // thread that made this object. A caller that waits for a helper's task
    // runs tasks of other calls meanwhile. Tasks may call Run themselves.
    void Run(int count, const std::function<void(int, bool)>& task);

private:
    struct GROUP {
        const std::function<void(int, bool)>* task = nullptr;
        int count = 0;
        int next = 0;     // the first index not yet taken
        int running = 0;  // taken and not yet ended
    };

    // Takes one index of an open group and runs it, the lock released
    // meanwhile; false when no group has one left. Called with the lock held.
    bool RunOne(std::unique_lock<std::mutex>& lock);
    void HelperLoop();

    std::mutex m_mutex;
    std::condition_variable m_changed;  // a group opened, a task ended, or stop
    std::vector<GROUP*> m_open;         // groups with indexes not yet taken, oldest first
    bool m_stop = false;
    std::thread::id m_owner;
    std::vector<std::thread> m_helpers;
};

}  // namespace corvatine
