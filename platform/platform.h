// The operating-system boundary of the data source. Everything outside
// platform/ reaches the OS only through these declarations; no file outside
// platform/ includes an OS header. Two backends implement them: win32/ (a thin
// pass-through to kernel32 and user32) and host/ (Linux, with hooks for tests).
// Dialog services are declared in platform/dialogs.h.
#pragma once

#include <cstdint>

#if defined(_WIN32)
#define PLAT_CALLBACK __stdcall
#else
#define PLAT_CALLBACK
#endif

namespace plat {

using MemHandle = void*;     // a movable memory block (HGLOBAL on Windows)
using WindowHandle = void*;  // a window or dialog (HWND on Windows)
using ModuleHandle = void*;  // a loaded module (HMODULE on Windows)

// ---- Movable memory blocks ---------------------------------------------------
// Blocks are zeroed on allocation. A block handed to the application belongs to
// it; the source manager and the application free it with the same functions.
MemHandle MemAlloc(uint32_t size);  // null when the block cannot be had
void* MemLock(MemHandle block);     // null for a null or dead block
bool MemUnlock(MemHandle block);    // false for a null or dead block, or one not locked
void MemFree(MemHandle block);
uint32_t MemSize(MemHandle block);  // 0 for a null or dead block

// ---- Profile files (Windows private-profile semantics) -----------------------
// `file` is a bare name that lives in the Windows directory. Sections and keys
// match without regard to case. A missing file reads as empty.
uint32_t ProfileGetString(const char* section, const char* key, const char* defaultValue,
                          char* buffer, uint32_t bufferSize, const char* file);
uint32_t ProfileGetInt(const char* section, const char* key, int32_t defaultValue,
                       const char* file);
// A null value deletes the key; a null key deletes the whole section.
bool ProfileWriteString(const char* section, const char* key, const char* value,
                        const char* file);

// ---- Modules -------------------------------------------------------------------
// Windows module names ("WNASPI32.DLL", "TWAIN_32.DLL"); on Linux they map to
// shared objects as the README describes.
ModuleHandle LoadModule(const char* name);
void* FindSymbol(ModuleHandle module, const char* name);
void FreeModule(ModuleHandle module);

// The module the source's resources come from (set at load time).
void SetResourceModule(ModuleHandle module);
ModuleHandle ResourceModule();

// ---- Clock ---------------------------------------------------------------------
uint32_t TickCount();  // milliseconds, wraps at 2^32
void SleepMs(uint32_t milliseconds);

// ---- Strings -------------------------------------------------------------------
// LoadString semantics: copies at most bufferSize - 1 characters and a
// terminator; answers the number of characters copied, 0 when the id is absent.
int LoadResString(uint32_t id, char* buffer, int bufferSize);

// ---- Message boxes -------------------------------------------------------------
int ShowMessageBox(WindowHandle owner, const char* text, const char* caption, uint32_t style);

constexpr uint32_t MB_OK = 0x00000000;
constexpr uint32_t MB_OKCANCEL = 0x00000001;
constexpr uint32_t MB_YESNO = 0x00000004;
constexpr uint32_t MB_ICONHAND = 0x00000010;
constexpr uint32_t MB_ICONQUESTION = 0x00000020;
constexpr uint32_t MB_ICONEXCLAMATION = 0x00000030;
constexpr uint32_t MB_ICONASTERISK = 0x00000040;
constexpr uint32_t MB_APPLMODAL = 0x00000000;
constexpr uint32_t MB_SYSTEMMODAL = 0x00001000;
constexpr uint32_t MB_TASKMODAL = 0x00002000;

constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;
constexpr int IDYES = 6;
constexpr int IDNO = 7;

// ---- Diagnostics -----------------------------------------------------------------
// Passes a diagnostic text to the debugger (OutputDebugString); the host build
// drops it unless a test listens.
void DebugOutput(const char* text);

}  // namespace plat
