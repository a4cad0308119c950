#include "textcompare/BackgroundCompare.h"

#include <utility>

#include "textcompare/TextRules.h"

namespace corvatine {

namespace {

constexpr int kTabSize = 4;

}  // namespace

CBackgroundCompare::CBackgroundCompare(platform::CMessageQueue& queue) : m_queue(queue) {}

CBackgroundCompare::~CBackgroundCompare() {
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_stop = true;
        m_waiting = false;
    }
    m_wake.notify_all();
    if (m_worker.joinable()) m_worker.join();
    m_queue.Discard(this);
}

void CBackgroundCompare::Start(std::string left, std::string right, uint32_t rules, std::string lineFilter,
                               uint64_t generation, bool classes) {
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_job.texts[0] = std::move(left);
        m_job.texts[1] = std::move(right);
        m_job.rules = rules;
        m_job.lineFilter = std::move(lineFilter);
        m_job.generation = generation;
        m_job.classes = classes;
        m_waiting = true;
    }
    if (!m_worker.joinable()) m_worker = std::thread([this] { Run(); });
    m_wake.notify_all();
}

bool CBackgroundCompare::IsBusy() const {
    const std::lock_guard<std::mutex> lock(m_mutex);
    return m_waiting || m_running || !m_results.empty();
}

void CBackgroundCompare::Run() {
    for (;;) {
        JOB job;
        {
            std::unique_lock<std::mutex> lock(m_mutex);
            m_wake.wait(lock, [this] { return m_stop || m_waiting; });
            if (m_stop) return;
            job = std::move(m_job);
            m_waiting = false;
            m_running = true;
        }
        const std::unique_ptr<CLineFilter> filter = LineFilterFromRules(job.rules, job.lineFilter);
        CTextCompare engine;
        ApplyRulesToEngine(engine, job.rules, filter.get(), kTabSize);
        CTextSectionCollector collector;
        RESULT result;
        result.generation = job.generation;
        result.hasClasses = job.classes;
        if (job.classes) engine.lineClasses = &result.classes;
        {
            TEXTLINES lines[2];
            CLineStore store;
            for (int f = 0; f < 2; ++f) {
                SplitTextLines(job.texts[f].data(), job.texts[f].size(), lines[f], store);
                // As the sides' lines are gathered where they lie.
                lines[f].lastIncomplete = lines[f].lastIncomplete && MissingFinalEndingCounts(job.rules);
            }
            engine.Run(lines[0], lines[1], collector);
        }
        {
            const std::lock_guard<std::mutex> lock(m_mutex);
            m_running = false;
            if (m_stop) return;
            result.sections = std::move(collector.sections);
            m_results.push_back(std::move(result));
        }
        m_queue.Post(this, &CBackgroundCompare::TakeResults);
    }
}

void CBackgroundCompare::TakeResults() {
    std::vector<RESULT> results;
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        results.swap(m_results);
    }
    for (RESULT& result : results)
        if (onDone) onDone(result.generation, result.sections, result.hasClasses ? &result.classes : nullptr);
}

}  // namespace corvatine
