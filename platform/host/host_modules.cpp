// Loading modules on Linux. LoadModule takes a Windows module name and maps it
// to a shared object: lower case, ".dll" replaced by ".so" (".so" added when
// the name has no extension), so "WNASPI32.DLL" becomes "wnaspi32.so" and
// "TWAIN_32.DLL" "twain_32.so". The shared object is searched for in order:
//   1. the directory of the module that calls: the shared object or executable
//      that holds this copy of the platform library (for the data source, the
//      directory of KORVEX32.ds);
//   2. the Windows directory ($KORVEX_WINDIR, else $HOME/.korvex/windows);
//   3. the system's dlopen search (LD_LIBRARY_PATH, the run path, ld.so.cache).
// In 1 and 2 a file whose name matches without regard to case is taken when
// none has the exact name. A name holding '/' is loaded as the path it is.
// Modules registered in-process (tests) are answered before any search.
#include <dlfcn.h>
#include <dirent.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/host/host_internal.h"

namespace plat {

namespace {

struct InProcessModule {
    char mappedName[64];  // empty when the slot is free
    host::SymbolLookup lookup;
};

constexpr uint32_t kMaxInProcessModules = 16;
InProcessModule InProcessModules[kMaxInProcessModules];

ModuleHandle ResourceModuleHandle = nullptr;

InProcessModule* InProcessFromHandle(ModuleHandle module) {
    for (InProcessModule& entry : InProcessModules) {
        if (module == &entry) return &entry;
    }
    return nullptr;
}

InProcessModule* FindInProcess(const char* mappedName) {
    for (InProcessModule& entry : InProcessModules) {
        if (entry.mappedName[0] != '\0' && std::strcmp(entry.mappedName, mappedName) == 0) {
            return &entry;
        }
    }
    return nullptr;
}

const char* BaseName(const char* name) {
    const char* base = name;
    for (const char* p = name; *p != '\0'; ++p) {
        if (*p == '\\' || *p == ':') base = p + 1;
    }
    return base;
}

bool IsRegularFile(const char* path) {
    struct stat info{};
    return stat(path, &info) == 0 && S_ISREG(info.st_mode);
}

ModuleHandle OpenSharedObject(const char* path) {
    void* handle = dlopen(path, RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
        const char* reason = dlerror();
        DebugOutput("LoadModule: ");
        DebugOutput(reason != nullptr ? reason : path);
        DebugOutput("\n");
    }
    return handle;
}

// Loads `fileName` from `directory`, matching the name without regard to case
// when no file has it exactly.
ModuleHandle LoadFromDirectory(const char* directory, const char* fileName) {
    char path[host::kMaxPath];
    int written = std::snprintf(path, sizeof path, "%s/%s", directory, fileName);
    if (written <= 0 || static_cast<size_t>(written) >= sizeof path) return nullptr;
    if (IsRegularFile(path)) return OpenSharedObject(path);
    DIR* listing = opendir(directory);
    if (listing == nullptr) return nullptr;
    bool found = false;
    while (const dirent* entry = readdir(listing)) {
        if (strcasecmp(entry->d_name, fileName) == 0) {
            std::snprintf(path, sizeof path, "%s/%s", directory, entry->d_name);
            found = IsRegularFile(path);
            if (found) break;
        }
    }
    closedir(listing);
    return found ? OpenSharedObject(path) : nullptr;
}

}  // namespace

ModuleHandle LoadModule(const char* name) {
    if (name == nullptr || name[0] == '\0') return nullptr;
    if (host::InjectedFailureDue(host::HostService::ModuleLoad)) return nullptr;
    if (std::strchr(name, '/') != nullptr) return OpenSharedObject(name);

    char mapped[256];
    if (!host::MapModuleName(BaseName(name), mapped, sizeof mapped)) return nullptr;
    if (InProcessModule* entry = FindInProcess(mapped)) return entry;

    char directory[host::kMaxPath];
    if (host::CallerModuleDirectory(directory, sizeof directory)) {
        if (ModuleHandle module = LoadFromDirectory(directory, mapped)) return module;
    }
    if (host::WindowsDirectory(directory, sizeof directory)) {
        if (ModuleHandle module = LoadFromDirectory(directory, mapped)) return module;
    }
    void* handle = dlopen(mapped, RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) dlerror();  // clear the pending error
    return handle;
}

void* FindSymbol(ModuleHandle module, const char* name) {
    if (module == nullptr || name == nullptr) return nullptr;
    if (InProcessModule* entry = InProcessFromHandle(module)) {
        return entry->lookup != nullptr ? entry->lookup(name) : nullptr;
    }
    return dlsym(module, name);
}

void FreeModule(ModuleHandle module) {
    if (module == nullptr || InProcessFromHandle(module) != nullptr) return;
    dlclose(module);
}

void SetResourceModule(ModuleHandle module) { ResourceModuleHandle = module; }

ModuleHandle ResourceModule() { return ResourceModuleHandle; }

namespace host {

bool MapModuleName(const char* windowsName, char* buffer, uint32_t bufferSize) {
    if (windowsName == nullptr || windowsName[0] == '\0' || buffer == nullptr) return false;
    const size_t length = std::strlen(windowsName);
    if (length + 4 > bufferSize) return false;  // room for ".so" and the terminator
    for (size_t i = 0; i <= length; ++i) {
        const char c = windowsName[i];
        buffer[i] = c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
    }
    const char* dot = std::strrchr(buffer, '.');
    if (dot == nullptr) {
        std::memcpy(buffer + length, ".so", 4);
    } else if (std::strcmp(dot, ".dll") == 0) {
        std::memcpy(buffer + length - 4, ".so", 4);
    }
    return true;
}

bool CallerModuleDirectory(char* buffer, uint32_t bufferSize) {
    if (buffer == nullptr || bufferSize == 0) return false;
    char path[PATH_MAX];
    Dl_info info{};
    const bool located = dladdr(&ResourceModuleHandle, &info) != 0 &&
                         info.dli_fname != nullptr && std::strchr(info.dli_fname, '/') != nullptr;
    if (located) {
        if (realpath(info.dli_fname, path) == nullptr) return false;
    } else {
        // The executable, whose name dladdr may answer without a directory.
        const ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
        if (length <= 0) return false;
        path[length] = '\0';
    }
    char* slash = std::strrchr(path, '/');
    if (slash == nullptr) return false;
    *(slash == path ? slash + 1 : slash) = '\0';
    return CopyBounded(buffer, bufferSize, path);
}

bool ShareCallerModuleSymbols() {
    Dl_info info{};
    if (dladdr(&ResourceModuleHandle, &info) == 0 || info.dli_fname == nullptr) return false;
    // Never closed: modules that found a symbol through it may keep using it.
    return dlopen(info.dli_fname, RTLD_NOW | RTLD_NOLOAD | RTLD_GLOBAL) != nullptr;
}

bool RegisterInProcessModule(const char* windowsName, SymbolLookup lookup) {
    char mapped[sizeof InProcessModule::mappedName];
    if (!MapModuleName(windowsName, mapped, sizeof mapped)) return false;
    InProcessModule* entry = FindInProcess(mapped);
    for (uint32_t i = 0; entry == nullptr && i < kMaxInProcessModules; ++i) {
        if (InProcessModules[i].mappedName[0] == '\0') entry = &InProcessModules[i];
    }
    if (entry == nullptr) return false;
    std::memcpy(entry->mappedName, mapped, sizeof mapped);
    entry->lookup = lookup;
    return true;
}

void UnregisterInProcessModule(const char* windowsName) {
    char mapped[sizeof InProcessModule::mappedName];
    if (!MapModuleName(windowsName, mapped, sizeof mapped)) return;
    if (InProcessModule* entry = FindInProcess(mapped)) *entry = InProcessModule{};
}

void ResetModuleHooks() {
    for (InProcessModule& entry : InProcessModules) entry = InProcessModule{};
}

}  // namespace host

}  // namespace plat
