// Load-time start-up of KORVEX32.ds: DllMain on Windows, a constructor on
// Linux. It only remembers the module and fills the source's identity.
#include "twain/dispatch.h"

#if defined(_WIN32)

extern "C" int __stdcall DllMain(void* instance, unsigned long reason, void*) {
    constexpr unsigned long kProcessAttach = 1;
    if (instance == nullptr) return 0;
    if (reason == kProcessAttach) OnModuleLoad(instance);
    return 1;
}

#else

namespace {
int ModuleAnchor;
}

__attribute__((constructor)) static void LoadKorvexModule() {
    // The host platform identifies the module by any address inside it.
    OnModuleLoad(&ModuleAnchor);
}

#endif
