// The virtual scanner's C++ interface for in-process use (unit tests, the CLI):
// install a scenario as the process's virtual SCSI bus, reach the ASPI entry
// points, inspect and clear the command log, look into a scanner's state, and
// compute the page a READ delivers. The module wnaspi32.so / WNASPI32.DLL
// wraps the same code and reads its scenario from a file (scenario_file.h).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "scanner/aspi_defs.h"
#include "vscanner/command_log.h"
#include "vscanner/page_synth.h"
#include "vscanner/scanner_device.h"
#include "vscanner/scenario.h"

namespace vscan {

// Replaces the process's virtual bus (devices, feeders, faults, delay) and
// clears the command log. Requests still pending end with SS_ABORTED.
void InstallScenario(const Scenario& scenario);

// The two ASPI for Win32 entry points of the installed bus.
uint32_t ASPI_CALL VsGetASPI32SupportInfo();
uint32_t ASPI_CALL VsSendASPI32Command(void* request);

struct AspiEntryPoints {
    GetASPI32SupportInfoProc getSupportInfo;
    SendASPI32CommandProc sendCommand;
};
AspiEntryPoints GetAspiEntryPoints();
// GetProcAddress over the entry points: "GetASPI32SupportInfo" and
// "SendASPI32Command", null for any other name (for an in-process module).
void* LookupAspiSymbol(const char* name);

// Requests still pending (delayed completion); 0 once every one is posted.
size_t PendingRequestCount();

// A copy of the state of the device at adapter/target; nothing when no device
// was placed there.
std::optional<VirtualDevice> DeviceSnapshot(uint8_t adapter, uint8_t target);

// The bytes READ type 0x00 delivers for scenario sheet `sheet` and `side`
// under the window `window` of a scanner of `model` (name of the model table;
// unknown names behave as generation 1). The sheet's paper is `sheetSetup`.
std::vector<uint8_t> ExpectedPage(const std::string& model, const WindowState& window,
                                  uint32_t sheet, const SheetSetup& sheetSetup, uint8_t side);
// The bytes READ type 0x00 delivers for `side` of the sheet in the transport
// of `device` (a DeviceSnapshot), with everything the scanner holds: the
// side's window and sub-areas, the imprinter's line, the sheet's documents.
std::vector<uint8_t> ExpectedPage(const VirtualDevice& device, uint8_t side);

}  // namespace vscan
