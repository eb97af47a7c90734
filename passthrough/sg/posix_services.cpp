// The core's operating-system services on Linux, over POSIX threads: detached
// threads (a failed start is reported, not thrown), one mutex, the monotonic
// clock and sleeping.
#include <pthread.h>
#include <time.h>

#include <cstdlib>

#include "passthrough/sg/sg_backend.h"

namespace passthrough {

namespace {

pthread_mutex_t gManagerMutex = PTHREAD_MUTEX_INITIALIZER;

struct ThreadStart {
    void (*body)(void*);
    void* argument;
};

void* ThreadMain(void* pointer) {
    const ThreadStart start = *static_cast<ThreadStart*>(pointer);
    std::free(pointer);
    start.body(start.argument);
    return nullptr;
}

bool StartThread(void*, ThreadRole, void (*body)(void*), void* argument) {
    auto* start = static_cast<ThreadStart*>(std::malloc(sizeof(ThreadStart)));
    if (start == nullptr) return false;
    *start = ThreadStart{body, argument};
    pthread_attr_t attributes;
    if (pthread_attr_init(&attributes) != 0) {
        std::free(start);
        return false;
    }
    pthread_attr_setdetachstate(&attributes, PTHREAD_CREATE_DETACHED);
    pthread_t thread;
    const int result = pthread_create(&thread, &attributes, ThreadMain, start);
    pthread_attr_destroy(&attributes);
    if (result != 0) std::free(start);
    return result == 0;
}

void Lock(void*) { pthread_mutex_lock(&gManagerMutex); }
void Unlock(void*) { pthread_mutex_unlock(&gManagerMutex); }

uint64_t MonotonicMs(void*) {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<uint64_t>(now.tv_sec) * 1000u + static_cast<uint64_t>(now.tv_nsec) / 1000000u;
}

void SleepMs(void*, uint32_t milliseconds) {
    timespec wait{static_cast<time_t>(milliseconds / 1000),
                  static_cast<long>(milliseconds % 1000) * 1000000L};
    while (nanosleep(&wait, &wait) != 0) {
    }
}

}  // namespace

OsServices PosixOsServices() {
    return OsServices{nullptr, StartThread, Lock, Unlock, MonotonicMs, SleepMs, nullptr};
}

}  // namespace passthrough
