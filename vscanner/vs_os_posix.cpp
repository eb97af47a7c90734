// Operating-system services of the virtual scanner on Linux: the standard
// thread library and the environment.
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <mutex>
#include <thread>

#include <unistd.h>

#include "vscanner/vs_os.h"

namespace vscan {

namespace {
std::recursive_mutex gBusMutex;
std::thread gWorker;
std::atomic<bool> gStop{false};

// Joins the worker when the module is unloaded or the process ends.
struct WorkerJoiner {
    ~WorkerJoiner() { StopWorkerThread(); }
} gJoiner;
}  // namespace

void BusLock() { gBusMutex.lock(); }
void BusUnlock() { gBusMutex.unlock(); }

void StartWorkerThread(void (*body)()) {
    if (gWorker.joinable()) gWorker.join();
    gStop = false;
    gWorker = std::thread(body);
}

bool WorkerShouldStop() { return gStop.load(); }

void StopWorkerThread() {
    if (!gWorker.joinable()) return;
    gStop = true;
    gWorker.join();
}

void SleepMilliseconds(uint32_t milliseconds) {
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

uint64_t MonotonicMilliseconds() {
    return static_cast<uint64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                     std::chrono::steady_clock::now().time_since_epoch())
                                     .count());
}

std::string ScenarioDirectory() {
    if (const char* windir = std::getenv("KORVEX_WINDIR"); windir != nullptr && *windir != '\0')
        return windir;
    if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0')
        return std::string(home) + "/.korvex/windows";
    return {};
}

char PathSeparator() { return '/'; }

std::string CurrentDirectory() {
    char path[4096];
    return getcwd(path, sizeof path) != nullptr ? std::string(path) : std::string();
}

bool IsAbsolutePath(const std::string& path) { return !path.empty() && path[0] == '/'; }

}  // namespace vscan
