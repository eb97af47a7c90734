// Test and tool hooks of the Linux platform backend: failure injection, the
// manual clock, recorded message boxes and their answers, in-process modules,
// the live block count and the raw layout of memory blocks, and the Windows
// directory. Only tests, the virtual scanner and the tools include this file;
// the data source itself never does. Depends only on platform/platform.h.
#pragma once

#include <cstdint>

#include "platform/platform.h"

// A program that loads KORVEX32.ds with dlopen cannot reach the copy of the
// platform library inside the module. When the main program defines this
// function with default visibility (and links with -rdynamic), every message
// box the module shows is passed to it and its answer returned.
extern "C" int KorvexHostMessageBox(void* owner, const char* text, const char* caption,
                                    uint32_t style);

namespace plat::host {

// Puts every hook back to its state at start: no injected failures, the real
// clock, no recorded message boxes, no handlers or listeners, no in-process
// modules, the Windows directory from the environment.
void ResetHostHooks();

// ---- Failure injection ----------------------------------------------------------
enum class HostService : uint32_t { MemAlloc, MemLock, ProfileWrite, ModuleLoad, Count };

// After `skip` calls of the service succeed, the next `count` calls fail.
void FailNextCalls(HostService service, uint32_t count, uint32_t skip = 0);
// How many calls of the service an injection has made fail so far.
uint32_t InjectedFailures(HostService service);

// ---- Memory blocks -------------------------------------------------------------------
// Every block is a header followed by the data; the handle is the header's
// address. Any module of the process with its own copy of this library reads
// the same header, so a block may be allocated by one and locked or freed by
// another. The header is 16 bytes, four unsigned 32-bit fields in this order.
struct HostBlockHeader {
    uint32_t magic;      // kLiveBlockMagic, or kDeadBlockMagic once freed
    uint32_t size;       // bytes of data after the header
    uint32_t lockCount;  // MemLock minus MemUnlock calls
    uint32_t reserved;   // 0
};
constexpr uint32_t kLiveBlockMagic = 0x4B4D424Cu;  // "KMBL"
constexpr uint32_t kDeadBlockMagic = 0x4B4D4244u;  // "KMBD"
constexpr uint32_t kBlockHeaderSize = 16;
static_assert(sizeof(HostBlockHeader) == kBlockHeaderSize);

// Blocks allocated minus blocks freed through this copy of the library.
int64_t LiveBlockCount();
// Bytes of data in live blocks of this copy of the library, and the most they
// have reached since the last ResetPeakLiveBlockBytes (which starts the peak
// again from the bytes live now).
uint64_t LiveBlockBytes();
uint64_t PeakLiveBlockBytes();
void ResetPeakLiveBlockBytes();
// Calls refused because they named a freed block (double free, lock, unlock or
// size after free) or something that is no block at all.
uint32_t BlockMisuseCount();
// Frees every block held in quarantine (freed blocks are kept, marked dead, so
// that a later call with the same handle is detected).
void DrainBlockQuarantine();

// ---- Clock ---------------------------------------------------------------------------
// While the manual clock runs, TickCount answers its value and SleepMs advances
// it instead of sleeping; each TickCount call also advances it by `stepPerRead`
// so that loops which poll the tick count without sleeping come to an end.
void UseManualClock(uint32_t startValue, uint32_t stepPerRead = 0);
void AdvanceManualClock(uint32_t milliseconds);
void UseRealClock();
bool ManualClockRunning();

// ---- Message boxes -------------------------------------------------------------------
struct RecordedMessageBox {
    WindowHandle owner;
    char text[1024];  // truncated when longer
    char caption[256];
    uint32_t style;
    int answer;
};
constexpr uint32_t kMaxRecordedMessageBoxes = 64;

// Answers a message box; takes precedence over KorvexHostMessageBox.
using MessageBoxHandler = int (*)(WindowHandle owner, const char* text, const char* caption,
                                  uint32_t style);
void SetMessageBoxHandler(MessageBoxHandler handler);
// Message boxes shown since the last clear; the oldest are kept when more than
// kMaxRecordedMessageBoxes were shown (the count still counts them all).
uint32_t MessageBoxCount();
const RecordedMessageBox* RecordedMessageBoxAt(uint32_t index);  // null past the end
void ClearRecordedMessageBoxes();

// ---- Diagnostics ---------------------------------------------------------------------
using DebugOutputListener = void (*)(const char* text);
void SetDebugOutputListener(DebugOutputListener listener);

// ---- Modules -------------------------------------------------------------------------
// Stands a function table in for a Windows module: LoadModule(windowsName)
// answers it without dlopen and FindSymbol asks `lookup`. Names match without
// regard to case; registering a name again replaces its lookup. Answers false
// when the table of in-process modules is full or the name is too long.
using SymbolLookup = void* (*)(const char* symbolName);
bool RegisterInProcessModule(const char* windowsName, SymbolLookup lookup);
void UnregisterInProcessModule(const char* windowsName);

// The shared-object name a Windows module name maps to: lower case, ".dll"
// replaced by ".so", ".so" added when there is no extension. Answers false when
// the name is null, empty or does not fit.
bool MapModuleName(const char* windowsName, char* buffer, uint32_t bufferSize);
// The directory searched first by LoadModule: that of the module (executable or
// shared object) that holds this copy of the platform library.
bool CallerModuleDirectory(char* buffer, uint32_t bufferSize);
// Makes the exported symbols of the shared object that holds this copy of the
// platform library visible to every module of the process, as if it had been
// loaded with RTLD_GLOBAL, and keeps it loaded for the life of the process: a
// plug-in that a program loads privately (a SANE backend) so that the modules
// it loads find its KorvexHostMessageBox. False when it cannot.
bool ShareCallerModuleSymbols();

// ---- Windows directory ---------------------------------------------------------------
// Profile files and LoadModule's second search place live here. Null goes back
// to the environment: $KORVEX_WINDIR, else $HOME/.korvex/windows.
void SetWindowsDirectory(const char* directory);
// The directory in use; false when it cannot be determined or does not fit.
bool WindowsDirectory(char* buffer, uint32_t bufferSize);

}  // namespace plat::host
