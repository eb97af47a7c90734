// The few operating-system services the virtual scanner needs: one lock over
// the bus, a background thread that completes delayed requests, sleeping, a
// millisecond clock, and the directory the scenario file lives in. One file
// per system implements them (vs_os_posix.cpp, vs_os_win32.cpp).
#pragma once

#include <cstdint>
#include <string>

namespace vscan {

void BusLock();
void BusUnlock();

struct BusLockGuard {
    BusLockGuard() { BusLock(); }
    ~BusLockGuard() { BusUnlock(); }
    BusLockGuard(const BusLockGuard&) = delete;
    BusLockGuard& operator=(const BusLockGuard&) = delete;
};

// Starts `body` on a background thread. A thread started before must have
// finished its body (or be about to): it is joined first. `body` returns when
// its work is done, or when StopWorkerThread asks it to (WorkerShouldStop).
void StartWorkerThread(void (*body)());
bool WorkerShouldStop();
void StopWorkerThread();

void SleepMilliseconds(uint32_t milliseconds);
uint64_t MonotonicMilliseconds();

// $KORVEX_WINDIR when set; else $HOME/.korvex/windows on Linux, $WINDIR on
// Windows. Empty when none of them is set.
std::string ScenarioDirectory();
// The separator between a directory and a file name.
char PathSeparator();
// The process's working directory; empty when it cannot be had.
std::string CurrentDirectory();
// Whether `path` names a file without reference to a directory.
bool IsAbsolutePath(const std::string& path);

}  // namespace vscan
