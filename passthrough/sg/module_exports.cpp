// The exports of the Linux ASPI manager module, wnaspi32.so: one manager over
// the SCSI generic back end, made at the first call, with the default time-outs.
// At unload it waits briefly for its threads and closes the devices.
#include <mutex>

#include "passthrough/core/aspi_manager.h"
#include "passthrough/sg/sg_backend.h"
#include "scanner/aspi_defs.h"

namespace {

constexpr uint32_t kUnloadWaitMs = 2000;

std::mutex gCreateMutex;
passthrough::AspiManager* gManager = nullptr;

passthrough::AspiManager* Manager() {
    std::lock_guard<std::mutex> guard(gCreateMutex);
    if (gManager == nullptr) {
        gManager = passthrough::CreateAspiManager(
            passthrough::SgBackend(&passthrough::LinuxSystemCalls()), passthrough::PosixOsServices(),
            passthrough::ManagerConfig{});
    }
    return gManager;
}

struct Unloader {
    ~Unloader() { passthrough::DestroyAspiManager(gManager, kUnloadWaitMs); }
} gUnloader;

}  // namespace

extern "C" {

__attribute__((visibility("default"))) uint32_t GetASPI32SupportInfo() {
    return passthrough::AspiSupportInfo(Manager());
}

__attribute__((visibility("default"))) uint32_t SendASPI32Command(void* request) {
    return passthrough::AspiSendCommand(Manager(), request);
}

}  // extern "C"
