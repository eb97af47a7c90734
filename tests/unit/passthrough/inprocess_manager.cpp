// The two ASPI entry points over the registered manager.
#include "tests/unit/passthrough/inprocess_manager.h"

#include <cstring>

#include "platform/host/host_hooks.h"
#include "scanner/aspi_defs.h"

namespace fake_passthrough {

namespace {

passthrough::AspiManager* gInstalled = nullptr;

uint32_t ASPI_CALL SupportInfo() { return passthrough::AspiSupportInfo(gInstalled); }
uint32_t ASPI_CALL SendCommand(void* request) {
    return passthrough::AspiSendCommand(gInstalled, request);
}

void* Lookup(const char* name) {
    if (std::strcmp(name, "GetASPI32SupportInfo") == 0) return reinterpret_cast<void*>(&SupportInfo);
    if (std::strcmp(name, "SendASPI32Command") == 0) return reinterpret_cast<void*>(&SendCommand);
    return nullptr;
}

}  // namespace

bool InstallInProcessManager(passthrough::AspiManager* manager) {
    gInstalled = manager;
    return plat::host::RegisterInProcessModule("WNASPI32.DLL", Lookup);
}

}  // namespace fake_passthrough
