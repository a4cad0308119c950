// The message queue of the user-interface thread: posting from any thread,
// waking an event loop, pumping in order.
#include "platform/MessageQueue.h"

#include "platform/Event.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <thread>
#include <vector>

namespace corvatine::platform {
namespace {

class CRecorder : public CMessageTarget {
public:
    void OnDone() { got.push_back("done"); }
    void OnChanged(const std::string& path, int count) { got.push_back(path + ":" + std::to_string(count)); }
    std::vector<std::string> got;
};

TEST(MessageQueueTest, PumpDeliversEveryEventInOrderWithItsArguments) {
    CMessageQueue queue;
    CRecorder recorder, other;
    std::atomic<int> wakes{0};
    queue.SetWakeUp([&] { ++wakes; });
    std::thread poster([&] {
        queue.Post(&recorder, &CRecorder::OnDone);
        // The arguments are copies: the poster's own go away at once.
        std::string path = "/some/path";
        queue.Post(&recorder, &CRecorder::OnChanged, path, 7);
        path = "changed after posting";
        queue.Post(&other, [&other] { other.got.push_back("a call of its own"); });
    });
    poster.join();
    EXPECT_EQ(wakes.load(), 3);
    EXPECT_EQ(queue.Pump(), 3);
    EXPECT_EQ(recorder.got, (std::vector<std::string>{"done", "/some/path:7"}));
    EXPECT_EQ(other.got, (std::vector<std::string>{"a call of its own"}));
    EXPECT_EQ(queue.Pump(), 0);

    // A target that goes away drops what waits for it, and only that.
    queue.SetWakeUp(nullptr);
    queue.Post(&recorder, &CRecorder::OnDone);
    queue.Post(&other, &CRecorder::OnDone);
    EXPECT_EQ(wakes.load(), 3);
    queue.Discard(&recorder);
    EXPECT_EQ(queue.Pump(), 1);
    EXPECT_EQ(recorder.got.size(), 2u);
    EXPECT_EQ(other.got.back(), "done");
}

}  // namespace
}  // namespace corvatine::platform

// A waiter that the event releases may destroy it at once, as a thread that
// hands a request over does with its start event: the setter must not touch
// the event after the waiter can see it signalled (ThreadSanitizer watches).
TEST(EventTest, AReleasedWaiterMayDestroyTheEventAtOnce) {
    int released = 0;
    for (int round = 0; round < 500; ++round) {
        auto event = std::make_unique<corvatine::platform::CEvent>(true, false);
        std::thread setter([raw = event.get()] { raw->Set(); });
        event->Wait();
        // A manual-reset event stays signalled for whoever looks next.
        if (event->TryWait()) ++released;
        event.reset();
        setter.join();
    }
    EXPECT_EQ(released, 500);
}
