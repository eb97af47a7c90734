// The exports of the Windows ASPI manager module, WNASPI32.DLL: one manager
// over the SPTI back end with the default time-outs, made when the module is
// loaded. A client's FreeLibrary unloads the module only once the manager's
// threads have ended (each holds a reference on it), so the manager is then
// idle and is destroyed at once; at process exit nothing is left to tidy.
#include <windows.h>

#include "passthrough/core/aspi_manager.h"
#include "passthrough/spti/spti_backend.h"
#include "scanner/aspi_defs.h"

namespace {

passthrough::AspiManager* gManager = nullptr;

}  // namespace

extern "C" {

BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID reserved) {
    if (reason == DLL_PROCESS_ATTACH) {
        DisableThreadLibraryCalls(module);
        gManager = passthrough::CreateAspiManager(
            passthrough::SptiBackend(&passthrough::WindowsSystemCalls()),
            passthrough::Win32OsServices(module), passthrough::ManagerConfig{});
    } else if (reason == DLL_PROCESS_DETACH && reserved == nullptr) {
        passthrough::DestroyAspiManager(gManager, 0);
        gManager = nullptr;
    }
    return TRUE;
}

uint32_t ASPI_CALL GetASPI32SupportInfo() { return passthrough::AspiSupportInfo(gManager); }

uint32_t ASPI_CALL SendASPI32Command(void* request) {
    return passthrough::AspiSendCommand(gManager, request);
}

}  // extern "C"
