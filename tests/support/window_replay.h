// Replays the SET WINDOW lists an end-to-end test found in the virtual
// scanner's command log on an in-process copy of the same scenario, so that
// delivered pages can be compared with the pages the scanner renders for
// exactly those windows. Header-only: the Linux and the Wine end-to-end
// programs link the virtual scanner but not the unit tests' support library.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "scanner/aspi_defs.h"
#include "vscanner/scenario_file.h"
#include "vscanner/vscanner.h"

namespace window_replay {

// SET WINDOW with a 72-byte list, as the command log writes its CDB.
constexpr char kSetWindowCdb[] = "24 00 00 00 00 00 00 00 48 00";

// The bytes of a logged "0a 1b ..." text; stops at the first token that is
// not one byte.
inline std::vector<uint8_t> HexBytes(const std::string& text) {
    std::vector<uint8_t> bytes;
    std::istringstream in(text);
    for (std::string byte; in >> byte && byte.size() == 2;) {
        bytes.push_back(static_cast<uint8_t>(std::stoul(byte, nullptr, 16)));
    }
    return bytes;
}

// Installs `scenarioText` in-process, sends the device at adapter 0, `target`
// the list ("out=...") of every logged SET WINDOW line, and answers the device
// as it then stands.
inline std::optional<vscan::VirtualDevice> ReplayWindows(const std::string& scenarioText,
                                                          uint8_t target,
                                                          const std::vector<std::string>& logged) {
    vscan::Scenario scenario;
    std::string error;
    EXPECT_TRUE(vscan::ParseScenario(scenarioText, scenario, error)) << error;
    vscan::InstallScenario(scenario);
    for (const std::string& line : logged) {
        std::vector<uint8_t> list = HexBytes(line.substr(line.find("out=") + 4));
        SRB_ExecSCSICmd request{};
        request.SRB_Cmd = SC_EXEC_SCSI_CMD;
        request.SRB_Target = target;
        request.SRB_Flags = SRB_DIR_OUT;
        request.SRB_BufLen = static_cast<uint32_t>(list.size());
        request.SRB_BufPointer = list.data();
        request.SRB_SenseLen = SENSE_LEN;
        request.SRB_CDBLen = 10;
        const uint8_t cdb[10] = {0x24, 0, 0, 0, 0, 0, 0, 0, 0x48, 0};
        std::memcpy(request.CDBByte, cdb, sizeof cdb);
        vscan::VsSendASPI32Command(&request);
        EXPECT_EQ(request.SRB_Status, SS_COMP) << line;
    }
    return vscan::DeviceSnapshot(0, target);
}

// The front and back pages of the first `sheets` sheets of `sheetName` the
// model renders for the replayed windows, in the order they are scanned;
// empty when the replay failed.
inline std::vector<std::vector<uint8_t>> DuplexPages(const std::string& scenarioText, uint8_t target,
                                                      const std::vector<std::string>& logged,
                                                      const char* model, const char* sheetName,
                                                      uint32_t sheets) {
    const auto device = ReplayWindows(scenarioText, target, logged);
    if (!device.has_value()) return {};
    std::vector<std::vector<uint8_t>> pages;
    for (uint32_t sheet = 0; sheet < sheets; ++sheet) {
        for (uint8_t side : {uint8_t{0x00}, uint8_t{0x80}}) {
            pages.push_back(vscan::ExpectedPage(model, device->scanner.windows[side ? 1 : 0], sheet,
                                                vscan::MakeSheet(sheetName), side));
        }
    }
    return pages;
}

}  // namespace window_replay
