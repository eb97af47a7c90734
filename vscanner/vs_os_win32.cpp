// Operating-system services of the virtual scanner on Windows, where the cross
// compiler's standard library has no threads: kernel32 directly.
#include <windows.h>

#include <cstdlib>

#include "vscanner/vs_os.h"

namespace vscan {

namespace {
CRITICAL_SECTION gBusSection;
bool gSectionReady = false;
HANDLE gWorker = nullptr;
volatile LONG gStop = 0;
void (*gBody)() = nullptr;

CRITICAL_SECTION& BusSection() {
    if (!gSectionReady) {
        InitializeCriticalSection(&gBusSection);
        gSectionReady = true;
    }
    return gBusSection;
}

DWORD WINAPI WorkerMain(LPVOID) {
    gBody();
    return 0;
}

struct WorkerJoiner {
    ~WorkerJoiner() { StopWorkerThread(); }
} gJoiner;
}  // namespace

void BusLock() { EnterCriticalSection(&BusSection()); }
void BusUnlock() { LeaveCriticalSection(&BusSection()); }

void StartWorkerThread(void (*body)()) {
    if (gWorker != nullptr) {
        WaitForSingleObject(gWorker, INFINITE);
        CloseHandle(gWorker);
    }
    InterlockedExchange(&gStop, 0);
    gBody = body;
    gWorker = CreateThread(nullptr, 0, WorkerMain, nullptr, 0, nullptr);
}

bool WorkerShouldStop() { return InterlockedCompareExchange(&gStop, 0, 0) != 0; }

void StopWorkerThread() {
    if (gWorker == nullptr) return;
    InterlockedExchange(&gStop, 1);
    // The worker ends by itself once no request is pending, so at unload it has
    // normally gone; at process detach the loader lock keeps a running thread
    // from ending, and a bounded wait keeps the unload from hanging.
    WaitForSingleObject(gWorker, 200);
    CloseHandle(gWorker);
    gWorker = nullptr;
}

void SleepMilliseconds(uint32_t milliseconds) { Sleep(milliseconds); }

uint64_t MonotonicMilliseconds() { return GetTickCount64(); }

std::string ScenarioDirectory() {
    if (const char* windir = std::getenv("KORVEX_WINDIR"); windir != nullptr && *windir != '\0')
        return windir;
    if (const char* system = std::getenv("WINDIR"); system != nullptr && *system != '\0')
        return system;
    return {};
}

char PathSeparator() { return '\\'; }

std::string CurrentDirectory() {
    char path[MAX_PATH];
    const DWORD length = GetCurrentDirectoryA(MAX_PATH, path);
    return length > 0 && length < MAX_PATH ? std::string(path, length) : std::string();
}

bool IsAbsolutePath(const std::string& path) {
    if (path.size() >= 2 && path[1] == ':') return true;
    return !path.empty() && (path[0] == '\\' || path[0] == '/');
}

}  // namespace vscan
