// The line difference engine on a worker thread: a text comparison whose
// edits touched too many rows to compare them where they are is compared
// whole while the window goes on, and the result comes back to the
// user-interface thread.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/MessageQueue.h"
#include "textcompare/TextCompare.h"

namespace corvatine {

class CBackgroundCompare : public platform::CMessageTarget {
public:
    explicit CBackgroundCompare(platform::CMessageQueue& queue = platform::UserInterfaceQueue());
    // Waits for a comparison that is running; one not begun is dropped.
    ~CBackgroundCompare() override;
    CBackgroundCompare(const CBackgroundCompare&) = delete;
    CBackgroundCompare& operator=(const CBackgroundCompare&) = delete;

    // Compares two texts as each side's comparison text is written (lines
    // under the rules, joined by "\n"). A comparison that is running goes
    // on; this one follows it, in place of any other waiting. generation
    // comes back with the result; with classes, the classes of the lines
    // too (for moves).
    void Start(std::string left, std::string right, uint32_t rules, std::string lineFilter,
               uint64_t generation, bool classes = false);
    // Whether a comparison runs or waits.
    bool IsBusy() const;

    // Called on the queue's thread with each result, in the order started.
    // classes is null unless they were asked for.
    std::function<void(uint64_t generation, std::vector<TEXTSECTION>& sections,
                       const TEXTLINECLASSES* classes)>
        onDone;

private:
    // On the queue's thread: hands the finished results to onDone.
    void TakeResults();

    struct JOB {
        std::string texts[2];
        uint32_t rules = 0;
        std::string lineFilter;
        uint64_t generation = 0;
        bool classes = false;
    };
    struct RESULT {
        uint64_t generation = 0;
        std::vector<TEXTSECTION> sections;
        bool hasClasses = false;
        TEXTLINECLASSES classes;
    };
    void Run();

    platform::CMessageQueue& m_queue;
    mutable std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_stop = false;
    bool m_waiting = false;  // a job waits in m_job
    bool m_running = false;
    JOB m_job;
    // Finished results, in order, until the queue's thread takes them.
    std::vector<RESULT> m_results;
    std::thread m_worker;
};

}  // namespace corvatine
