#include "foldercompare/TreeWorkers.h"

#include <algorithm>

namespace corvatine {

namespace {

// How many tasks of other calls a waiting thread may have open inside one
// another; beyond it the thread only waits, which keeps its stack bounded.
constexpr int kMaxNesting = 8;
thread_local int t_nesting = 0;

}  // namespace

CTreeWorkers::CTreeWorkers(int helpers) : m_owner(std::this_thread::get_id()) {
    for (int i = 0; i < helpers; ++i) m_helpers.emplace_back([this] { HelperLoop(); });
}

CTreeWorkers::~CTreeWorkers() {
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_stop = true;
    }
    m_changed.notify_all();
    for (std::thread& helper : m_helpers) helper.join();
}

int CTreeWorkers::DefaultHelpers() {
    const int processors = static_cast<int>(std::thread::hardware_concurrency());
    return std::clamp(processors - 1, 0, kMaxHelpers);
}

void CTreeWorkers::Run(int count, const std::function<void(int, bool)>& task) {
    const bool onOwner = std::this_thread::get_id() == m_owner;
    if (m_helpers.empty() || count <= 1) {
        for (int index = 0; index < count; ++index) task(index, onOwner);
        return;
    }
    GROUP group;
    group.task = &task;
    group.count = count;
    std::unique_lock<std::mutex> lock(m_mutex);
    m_open.push_back(&group);
    m_changed.notify_all();
    while (group.next < group.count) {
        const int index = group.next++;
        if (group.next == group.count) m_open.erase(std::find(m_open.begin(), m_open.end(), &group));
        ++group.running;
        lock.unlock();
        task(index, onOwner);
        lock.lock();
        --group.running;
    }
    while (group.running > 0) {
        if (t_nesting < kMaxNesting && RunOne(lock)) continue;
        m_changed.wait(lock);
    }
}

bool CTreeWorkers::RunOne(std::unique_lock<std::mutex>& lock) {
    if (m_open.empty()) return false;
    // The oldest group is the nearest the root: its tasks are the largest.
    GROUP* group = m_open.front();
    const int index = group->next++;
    if (group->next == group->count) m_open.erase(m_open.begin());
    ++group->running;
    ++t_nesting;
    lock.unlock();
    (*group->task)(index, std::this_thread::get_id() == m_owner);
    lock.lock();
    --t_nesting;
    --group->running;
    m_changed.notify_all();
    return true;
}

void CTreeWorkers::HelperLoop() {
    std::unique_lock<std::mutex> lock(m_mutex);
    while (!m_stop) {
        if (!RunOne(lock)) m_changed.wait(lock);
    }
}

}  // namespace corvatine
