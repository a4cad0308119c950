#include "platform/MappedViews.h"

#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstring>

namespace corvatine::platform {

namespace {

// A slot is claimed by setting busy, filled, and published by storing its
// start last; the handler reads only published slots. Everything here is
// lock-free, as a signal handler needs.
struct SLOT {
    std::atomic<bool> busy{false};
    std::atomic<uintptr_t> start{0};
    std::atomic<size_t> length{0};
    char path[4096]{};
};

constexpr int kSlots = 64;
// Constant-initialised, so that the slots' pages stay untouched until used:
// a loop clearing them at start-up would make all 256 KiB resident.
constinit SLOT g_slots[kSlots];

void WriteAll(const char* text) {
    size_t left = std::strlen(text);
    while (left > 0) {
        const ssize_t n = ::write(STDERR_FILENO, text, left);
        if (n <= 0) return;
        text += n;
        left -= static_cast<size_t>(n);
    }
}

void OnFault(int signal, siginfo_t* info, void*) {
    const auto address = reinterpret_cast<uintptr_t>(info->si_addr);
    for (const SLOT& slot : g_slots) {
        const uintptr_t start = slot.start.load(std::memory_order_acquire);
        if (start == 0 || address < start || address - start >= slot.length.load(std::memory_order_relaxed))
            continue;
        WriteAll("corvatine: ");
        WriteAll(slot.path);
        WriteAll(": the file was cut short by another program while it was being read\n");
        ::_exit(2);
    }
    // Not a view's: the default action, when the fault happens again on return.
    struct sigaction action {};
    action.sa_handler = SIG_DFL;
    ::sigemptyset(&action.sa_mask);
    ::sigaction(signal, &action, nullptr);
}

}  // namespace

CMappedViewRecord::CMappedViewRecord(const void* start, size_t length, const std::string& path) {
    if (start == nullptr || length == 0) return;
    for (int i = 0; i < kSlots; ++i) {
        SLOT& slot = g_slots[i];
        bool expected = false;
        if (!slot.busy.compare_exchange_strong(expected, true, std::memory_order_acquire)) continue;
        const size_t n = std::min(path.size(), sizeof slot.path - 1);
        std::memcpy(slot.path, path.data(), n);
        slot.path[n] = '\0';
        slot.length.store(length, std::memory_order_relaxed);
        slot.start.store(reinterpret_cast<uintptr_t>(start), std::memory_order_release);
        m_slot = i;
        return;
    }
}

CMappedViewRecord::~CMappedViewRecord() {
    if (m_slot < 0) return;
    SLOT& slot = g_slots[m_slot];
    slot.start.store(0, std::memory_order_release);
    slot.busy.store(false, std::memory_order_release);
}

void ReportFaultsInMappedViews() {
    static const bool installed = [] {
        struct sigaction action {};
        action.sa_sigaction = OnFault;
        action.sa_flags = SA_SIGINFO;
        ::sigemptyset(&action.sa_mask);
        return ::sigaction(SIGBUS, &action, nullptr) == 0;
    }();
    (void)installed;
}

}  // namespace corvatine::platform
