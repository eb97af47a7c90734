// The virtual scanner: the scenario file parser over arbitrary text, and the
// SCSI emulation behind SendASPI32Command over a sequence of arbitrary
// requests (CDBs, flags, lengths and parameter lists).
// Input: a mode byte. Even: the rest is a scenario file's text. Odd: a model
// choice byte, then requests, each: command (below 0x80: SC_EXEC_SCSI_CMD,
// else its low three bits), flags, address (adapter in the top two bits, lun, target),
// sense length, CDB length, buffer length (2 bytes, little-endian), 16 CDB
// bytes, then for an outgoing transfer the buffer's bytes.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "fuzz/fuzz_common.h"
#include "scanner/aspi_defs.h"
#include "vscanner/scenario_file.h"
#include "vscanner/vscanner.h"

namespace {

const char* const kModels[] = {"ZR-DX961s", "ZR-DX83", "ZR-DX73PX", "ZR-DX960", "ZR-DX41"};

void FuzzScenarioText(const uint8_t* data, size_t size) {
    std::string text(reinterpret_cast<const char*>(data), size);
    vscan::Scenario scenario;
    std::string error;
    if (!vscan::ParseScenario(text, scenario, error)) return;
    // What the formatter writes must read back.
    vscan::Scenario again;
    std::string formatted = vscan::FormatScenario(scenario);
    if (!vscan::ParseScenario(formatted, again, error)) {
        std::fprintf(stderr, "formatted scenario does not read back: %s\n%s\n", error.c_str(),
                     formatted.c_str());
        __builtin_trap();
    }
    // Installed without its delay and log file: completion stays in the call
    // and nothing is written.
    scenario.delayMs = 0;
    scenario.logFile.clear();
    vscan::InstallScenario(scenario);
}

void FuzzCommands(fuzz::InputReader input) {
    vscan::Scenario scenario = vscan::DefaultScenario();
    scenario.devices[0].model = kModels[input.Byte() % (sizeof kModels / sizeof kModels[0])];
    scenario.devices.push_back(vscan::MakeDevice(vscan::DeviceKind::Disk, "DISKCO", "D1", 0, 1));
    vscan::InstallScenario(scenario);
    auto send = reinterpret_cast<SendASPI32CommandProc>(vscan::LookupAspiSymbol("SendASPI32Command"));
    if (send == nullptr) __builtin_trap();

    for (int count = 0; count < 64 && input.size != 0; ++count) {
        SRB_ExecSCSICmd request{};
        uint8_t command = input.Byte();
        // An abort request carries a block's address, which fuzzed bytes cannot.
        request.SRB_Cmd = (command & 0x80) != 0 ? static_cast<uint8_t>(command & 0x07) : SC_EXEC_SCSI_CMD;
        if (request.SRB_Cmd == SC_ABORT_SRB) request.SRB_Cmd = SC_EXEC_SCSI_CMD;
        request.SRB_Flags = input.Byte() & static_cast<uint8_t>(~SRB_POSTING & ~SRB_EVENT_NOTIFY);
        uint8_t address = input.Byte();
        request.SRB_HaId = address >> 6;
        request.SRB_Target = address & 0x07;
        request.SRB_Lun = (address >> 3) & 0x07;
        request.SRB_SenseLen = input.Byte();
        request.SRB_CDBLen = input.Byte();
        uint32_t bufLen = input.Word();
        for (uint8_t& byte : request.CDBByte) byte = input.Byte();
        std::vector<uint8_t> buffer(bufLen);
        if ((request.SRB_Flags & SRB_DIR_OUT) != 0) {
            for (uint8_t& byte : buffer) byte = input.Byte();
        }
        request.SRB_BufLen = bufLen;
        request.SRB_BufPointer = bufLen != 0 ? buffer.data() : nullptr;
        send(&request);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::InputReader input{data, size};
    uint8_t mode = input.Byte();
    if ((mode & 1) == 0) {
        FuzzScenarioText(input.data, input.size);
    } else {
        FuzzCommands(input);
    }
    return 0;
}
