// The virtual SCSI bus: host adapters with eight targets each and the devices
// on them, built from a scenario. Carries out one ASPI request at a time
// (the caller holds the bus lock) and fills every field of the request but
// its status, which the ASPI front posts.
#pragma once

#include <cstdint>

#include "scanner/aspi_defs.h"
#include "vscanner/scanner_device.h"
#include "vscanner/scenario.h"

namespace vscan {

constexpr uint8_t kTargetsPerAdapter = 8;
constexpr uint8_t kAdapterScsiId = 7;

void InstallBus(const Scenario& scenario);
const Scenario& InstalledScenario();
uint8_t BusAdapterCount();
// The device at adapter/target, present or vanished; null when none was placed there.
VirtualDevice* FindDevice(uint8_t adapter, uint8_t target);

// Each answers the SRB_Status to post.
uint8_t RunExecScsi(SRB_ExecSCSICmd& request);
uint8_t RunHostAdapterInquiry(SRB_HAInquiry& request);
uint8_t RunGetDeviceType(SRB_GDEVBlock& request);
uint8_t RunResetDevice(SRB_ExecSCSICmd& request);

}  // namespace vscan
