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
    void OnMessage(unsigned message, uint64_t wParam, int64_t) override {
        got.push_back(std::to_string(message) + ":" + std::to_string(wParam));
    }
    void OnTextMessage(unsigned message, const std::string& text) override {
        got.push_back(std::to_string(message) + ":" + text);
    }
    std::vector<std::string> got;
};

TEST(MessageQueueTest, PumpDeliversEveryMessageInOrderWithItsText) {
    CMessageQueue queue;
    CRecorder recorder;
    std::atomic<int> wakes{0};
    queue.SetWakeUp([&] { ++wakes; });
    std::thread poster([&] {
        queue.Post(&recorder, 1074, 7, 0);
        queue.PostText(&recorder, 1445, "/some/path");
    });
    poster.join();
    EXPECT_EQ(wakes.load(), 2);
    EXPECT_EQ(queue.Pump(), 2);
    EXPECT_EQ(recorder.got, (std::vector<std::string>{"1074:7", "1445:/some/path"}));
    EXPECT_EQ(queue.Pump(), 0);

    queue.SetWakeUp(nullptr);
    queue.Post(&recorder, 1, 0, 0);
    EXPECT_EQ(wakes.load(), 2);
    queue.Discard(&recorder);
    EXPECT_EQ(queue.Pump(), 0);
}

}  // namespace
}  // namespace corvatine::platform

// A waiter that the event releases may destroy it at once, as a thread that
// hands a request over does with its start event: the setter must not touch
// the event after the waiter can see it signalled (ThreadSanitizer watches).
TEST(EventTest, AReleasedWaiterMayDestroyTheEventAtOnce) {
    for (int round = 0; round < 500; ++round) {
        auto event = std::make_unique<corvatine::platform::CEvent>(true, false);
        std::thread setter([raw = event.get()] { raw->Set(); });
        event->Wait();
        event.reset();
        setter.join();
    }
}
