// The few operating-system services the virtual scanner's ASPI manager needs
// to complete requests later than the call that sent them: one lock over the
// bus, a background thread, sleeping and a millisecond clock. One file per
// system implements them (vs_threads_posix.cpp, vs_threads_win32.cpp).
#pragma once

#include <cstdint>

namespace vscan {

void BusLock();
void BusUnlock();

struct BusLockGuard {
    BusLockGuard() { BusLock(); }
    ~BusLockGuard() { BusUnlock(); }
    BusLockGuard(const BusLockGuard&) = delete;
    BusLockGuard& operator=(const BusLockGuard&) = delete;
};

// Starts `body` on a background thread unless one runs already; `body` returns
// when StopWorkerThread asks it to (WorkerShouldStop turns true).
void StartWorkerThread(void (*body)());
bool WorkerShouldStop();
void StopWorkerThread();

void SleepMilliseconds(uint32_t milliseconds);
uint64_t MonotonicMilliseconds();

}  // namespace vscan
