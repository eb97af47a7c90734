// The exports of the Linux ASPI manager module, wnaspi32.so: one manager over
// the SCSI generic back end with the default time-outs, made at the first
// call. The module is linked never to be unloaded (-z nodelete), so a worker
// still waiting in the kernel when the source releases the module finds its
// code and its manager in place; the process's end closes the devices.
#include <pthread.h>

#include "passthrough/core/aspi_manager.h"
#include "passthrough/sg/sg_backend.h"

namespace {

pthread_once_t gCreateOnce = PTHREAD_ONCE_INIT;
passthrough::AspiManager* gManager = nullptr;

void CreateManager() {
    gManager = passthrough::CreateAspiManager(passthrough::SgBackend(&passthrough::LinuxSystemCalls()),
                                              passthrough::PosixOsServices(),
                                              passthrough::ManagerConfig{});
}

passthrough::AspiManager* Manager() {
    pthread_once(&gCreateOnce, CreateManager);
    return gManager;
}

}  // namespace

extern "C" {

__attribute__((visibility("default"))) uint32_t GetASPI32SupportInfo() {
    return passthrough::AspiSupportInfo(Manager());
}

__attribute__((visibility("default"))) uint32_t SendASPI32Command(void* request) {
    return passthrough::AspiSendCommand(Manager(), request);
}

}  // extern "C"
