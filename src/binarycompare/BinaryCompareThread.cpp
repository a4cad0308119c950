#include "binarycompare/BinaryCompareThread.h"

#include <system_error>

namespace corvatine {

CBinaryCompareThread::~CBinaryCompareThread() {
    Stop();
    if (m_worker) {
        m_stop.Set();
        m_start.Set();
        m_finished.Wait();
        m_worker->join();
    }
}

int CBinaryCompareThread::Start(CBinaryCompareTarget* window) {
    if (m_worker) {
        if (!Stop()) return 0;
    } else {
        try {
            m_worker = std::make_unique<std::thread>([this] { Run(); });
        } catch (const std::system_error&) {
            return 0;
        }
    }
    m_cancel = 0;
    m_window = window;
    // The pass counts as running from the moment it is asked for: were the
    // worker idle until it woke, a Stop right after Start would return at
    // once and the pass would then run against buffers being reopened.
    m_idle.Reset();
    m_stop.Reset();
    m_finished.Reset();
    m_start.Set();
    return 1;
}

int CBinaryCompareThread::Stop() {
    m_cancel = 1;
    m_idle.Wait();
    m_cancel = 0;
    return 1;
}

void CBinaryCompareThread::Run() {
    if (m_priority == WorkerPriority::LOWEST) platform::LowerThreadPriority();
    for (;;) {
        m_start.Wait();
        if (m_stop.TryWait()) break;
        m_idle.Reset();
        m_context.QuickCompare(&m_cancel);
        // Posted before the worker is idle again: once Stop returns nothing
        // more is posted, so a window that goes away after stopping its
        // worker and discarding its events gets no stale one.
        if (CBinaryCompareTarget* window = m_window.load())
            m_queue.Post(window, &CBinaryCompareTarget::OnPassEnded);
        m_idle.Set();
    }
    m_finished.Set();
}

}  // namespace corvatine
