// The Win32 backend of platform/platform.h: a thin pass-through to kernel32
// and user32. platform.h comes before windows.h, whose macros of the same
// names (MB_OK, IDOK, ...) are removed again below so that the plat::
// constants stay usable.
#include "platform/platform.h"
#include "platform/win32/creation_notes.h"

#include <windows.h>

#include <cstring>

#undef MB_OK
#undef MB_OKCANCEL
#undef MB_YESNO
#undef MB_ICONHAND
#undef MB_ICONQUESTION
#undef MB_ICONEXCLAMATION
#undef MB_ICONASTERISK
#undef MB_APPLMODAL
#undef MB_SYSTEMMODAL
#undef MB_TASKMODAL
#undef IDOK
#undef IDCANCEL
#undef IDYES
#undef IDNO
#undef LoadModule
#undef FreeModule

namespace plat {

namespace {

ModuleHandle ResourceModuleHandle = nullptr;
thread_local bool ShowingMessageBox = false;
thread_local uint32_t ShownMessageBoxStyle = 0;

// The module that holds this code, for resources when none was set.
HMODULE OwnModule() {
    HMODULE module = nullptr;
    GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCSTR>(&ResourceModuleHandle), &module);
    return module;
}


}  // namespace

// ---- Movable memory blocks ---------------------------------------------------------

MemHandle MemAlloc(uint32_t size) { return GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size); }

void* MemLock(MemHandle block) { return block != nullptr ? GlobalLock(block) : nullptr; }

bool MemUnlock(MemHandle block) {
    if (block == nullptr) return false;
    // GlobalUnlock answers FALSE both when the last lock goes (no error) and
    // when the block was not locked (ERROR_NOT_LOCKED).
    SetLastError(NO_ERROR);
    return GlobalUnlock(block) != FALSE || GetLastError() == NO_ERROR;
}

void MemFree(MemHandle block) {
    if (block != nullptr) GlobalFree(block);
}

uint32_t MemSize(MemHandle block) {
    return block != nullptr ? static_cast<uint32_t>(GlobalSize(block)) : 0;
}

// ---- Profile files ------------------------------------------------------------------

// A null file name would make Windows read WIN.INI; here it reads as a
// missing file, as on Linux.
uint32_t ProfileGetString(const char* section, const char* key, const char* defaultValue,
                          char* buffer, uint32_t bufferSize, const char* file) {
    if (buffer == nullptr || bufferSize == 0) return 0;
    if (file == nullptr) file = "";
    return GetPrivateProfileStringA(section, key, defaultValue, buffer, bufferSize, file);
}

uint32_t ProfileGetInt(const char* section, const char* key, int32_t defaultValue,
                       const char* file) {
    if (file == nullptr) return static_cast<uint32_t>(defaultValue);
    return GetPrivateProfileIntA(section, key, defaultValue, file);
}

bool ProfileWriteString(const char* section, const char* key, const char* value,
                        const char* file) {
    if (section == nullptr || file == nullptr) return false;
    return WritePrivateProfileStringA(section, key, value, file) != FALSE;
}

// ---- Modules --------------------------------------------------------------------------

ModuleHandle LoadModule(const char* name) {
    if (name == nullptr || name[0] == '\0') return nullptr;
    return LoadLibraryA(name);
}

void* FindSymbol(ModuleHandle module, const char* name) {
    if (module == nullptr || name == nullptr) return nullptr;
    FARPROC procedure = GetProcAddress(static_cast<HMODULE>(module), name);
    void* address = nullptr;
    static_assert(sizeof address == sizeof procedure);
    std::memcpy(&address, &procedure, sizeof address);
    return address;
}

void FreeModule(ModuleHandle module) {
    if (module != nullptr) FreeLibrary(static_cast<HMODULE>(module));
}

void SetResourceModule(ModuleHandle module) { ResourceModuleHandle = module; }

ModuleHandle ResourceModule() {
    return ResourceModuleHandle != nullptr ? ResourceModuleHandle : OwnModule();
}

// ---- Clock ----------------------------------------------------------------------------

uint32_t TickCount() { return GetTickCount(); }

void SleepMs(uint32_t milliseconds) { Sleep(milliseconds); }

// ---- Strings --------------------------------------------------------------------------

int LoadResString(uint32_t id, char* buffer, int bufferSize) {
    if (buffer == nullptr || bufferSize <= 0) return 0;
    buffer[0] = '\0';
    if (id > 0xFFFF) return 0;
    return LoadStringA(static_cast<HINSTANCE>(ResourceModule()), id, buffer, bufferSize);
}

// ---- Message boxes --------------------------------------------------------------------

int ShowMessageBox(WindowHandle owner, const char* text, const char* caption, uint32_t style) {
    const bool outerShowing = ShowingMessageBox;
    const uint32_t outerStyle = ShownMessageBoxStyle;
    ShowingMessageBox = true;
    ShownMessageBoxStyle = style;
    const int answer = MessageBoxA(static_cast<HWND>(owner), text != nullptr ? text : "",
                                   caption != nullptr ? caption : "", style);
    ShowingMessageBox = outerShowing;
    ShownMessageBoxStyle = outerStyle;
    return answer;
}

bool win32::MessageBoxBeingShown(uint32_t* style) {
    if (ShowingMessageBox && style != nullptr) *style = ShownMessageBoxStyle;
    return ShowingMessageBox;
}

// ---- Diagnostics ----------------------------------------------------------------------

void DebugOutput(const char* text) {
    if (text != nullptr) OutputDebugStringA(text);
}

}  // namespace plat
