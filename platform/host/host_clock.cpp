// The tick count and sleeping on Linux: CLOCK_MONOTONIC in milliseconds,
// truncated to 32 bits so that it wraps as GetTickCount does, or a manual
// clock that tests drive.
#include <cerrno>
#include <ctime>

#include "platform/host/host_internal.h"

namespace plat {

namespace {

struct ManualClock {
    bool running;
    uint32_t value;
    uint32_t stepPerRead;
};

ManualClock Clock;

}  // namespace

uint32_t TickCount() {
    if (Clock.running) {
        const uint32_t now = Clock.value;
        Clock.value += Clock.stepPerRead;  // unsigned: wraps at 2^32
        return now;
    }
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    const uint64_t milliseconds =
        static_cast<uint64_t>(now.tv_sec) * 1000u + static_cast<uint64_t>(now.tv_nsec) / 1000000u;
    return static_cast<uint32_t>(milliseconds);
}

void SleepMs(uint32_t milliseconds) {
    if (Clock.running) {
        Clock.value += milliseconds;
        return;
    }
    timespec wait{};
    wait.tv_sec = static_cast<time_t>(milliseconds / 1000u);
    wait.tv_nsec = static_cast<long>(milliseconds % 1000u) * 1000000L;
    // A signal cuts the sleep short: sleep for what is left.
    while (nanosleep(&wait, &wait) != 0 && errno == EINTR) {
    }
}

namespace host {

void UseManualClock(uint32_t startValue, uint32_t stepPerRead) {
    Clock = ManualClock{true, startValue, stepPerRead};
}

void AdvanceManualClock(uint32_t milliseconds) { Clock.value += milliseconds; }

void UseRealClock() { Clock = ManualClock{}; }

bool ManualClockRunning() { return Clock.running; }

void ResetClockHooks() { UseRealClock(); }

}  // namespace host

}  // namespace plat
