// Source modules on dlopen.
#include "dsm/host_modules.h"

#include <dlfcn.h>

namespace dsm {

SourceModule OpenSourceModule(const char* path) {
    if (path == nullptr || path[0] != '/') return nullptr;
    // Each source keeps its own symbols, so two sources (or a source and the
    // manager) never bind to each other's copy of the platform layer.
    return dlopen(path, RTLD_NOW | RTLD_LOCAL);
}

void* FindModuleSymbol(SourceModule module, const char* name) {
    if (module == nullptr || name == nullptr) return nullptr;
    return dlsym(module, name);
}

void CloseSourceModule(SourceModule module) {
    if (module != nullptr) dlclose(module);
}

}  // namespace dsm
