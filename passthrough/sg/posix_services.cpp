// The core's operating-system services on Linux, from the standard library:
// detached threads, one mutex, the steady clock and sleeping.
#include <chrono>
#include <mutex>
#include <thread>

#include "passthrough/sg/sg_backend.h"

namespace passthrough {

namespace {

std::mutex gManagerMutex;

bool StartThread(void*, ThreadRole, void (*body)(void*), void* argument) {
    std::thread thread(body, argument);
    thread.detach();
    return true;
}

void Lock(void*) { gManagerMutex.lock(); }
void Unlock(void*) { gManagerMutex.unlock(); }

uint64_t MonotonicMs(void*) {
    return static_cast<uint64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                     std::chrono::steady_clock::now().time_since_epoch())
                                     .count());
}

void SleepMs(void*, uint32_t milliseconds) {
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

}  // namespace

OsServices PosixOsServices() {
    return OsServices{nullptr, StartThread, Lock, Unlock, MonotonicMs, SleepMs, nullptr};
}

}  // namespace passthrough
