// Loading a source module by its path and finding its entry point: the source
// manager's only use of the operating system outside the platform layer, whose
// LoadModule maps Windows module names rather than taking paths.
#pragma once

#include <cstddef>

namespace dsm {

using SourceModule = void*;

// Loads the module at an absolute path; null when it cannot be loaded.
SourceModule OpenSourceModule(const char* path);
void* FindModuleSymbol(SourceModule module, const char* name);
void CloseSourceModule(SourceModule module);

}  // namespace dsm
