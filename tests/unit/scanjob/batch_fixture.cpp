// Helpers of the batch start tests.
#include "tests/unit/scanjob/batch_fixture.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "platform/host/dialog_driver.h"
#include "platform/host/host_hooks.h"
#include "twain/dispatch.h"
#include "twain/source_state.h"

namespace batchtest {

const char* const kTestUnitReady = "00 00 00 00 00 00";
const char* const kClearWindows = "24 00 00 00 00 00 00 00 00 00";
const char* const kSetWindowFront = "24 00 00 00 00 00 00 00 48 00 id=00";
const char* const kSetWindowBack = "24 00 00 00 00 00 00 00 48 00 id=80";
const char* const kReadImageSize = "28 00 80 00 00 00 00 00 10 00";
const char* const kReadStatus = "28 00 81 00 00 00 00 00 06 00";

std::vector<Notification> Notifications;

namespace {

constexpr uint8_t kSetWindowOpcode = 0x24;
constexpr uint8_t kSubAreaOpcode = 0xC0;
constexpr size_t kWindowIdOffset = 8;

TW_UINT16 TW_CALLINGSTYLE RecordingDsmEntry(TW_IDENTITY* origin, TW_IDENTITY* dest, TW_UINT32 dg,
                                            TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data) {
    Notifications.push_back({origin != nullptr ? origin->Id : 0u,
                                        dest != nullptr ? dest->Id : 0u, dg, dat, msg,
                                        data == nullptr});
    return TWRC_SUCCESS;
}

void* LookupManagerSymbol(const char* name) {
    return std::strcmp(name, "DSM_Entry") == 0 ? reinterpret_cast<void*>(&RecordingDsmEntry) : nullptr;
}

}  // namespace

std::vector<std::string> Commands() {
    std::vector<std::string> lines;
    for (const vscan::LoggedCommand& entry : vscan::CommandLog()) {
        std::string line;
        char hex[4];
        for (uint8_t byte : entry.cdb) {
            std::snprintf(hex, sizeof hex, line.empty() ? "%02X" : " %02X", byte);
            line += hex;
        }
        const uint8_t opcode = entry.cdb.empty() ? 0 : entry.cdb[0];
        if ((opcode == kSetWindowOpcode || opcode == kSubAreaOpcode) &&
            entry.dataOut.size() > kWindowIdOffset) {
            std::snprintf(hex, sizeof hex, "%02X", entry.dataOut[kWindowIdOffset]);
            line += std::string(" id=") + hex;
        }
        lines.push_back(line);
    }
    return lines;
}

std::vector<std::vector<uint8_t>> DataSentWith(uint8_t opcode) {
    std::vector<std::vector<uint8_t>> lists;
    for (const vscan::LoggedCommand& entry : vscan::CommandLog()) {
        if (!entry.cdb.empty() && entry.cdb[0] == opcode && !entry.dataOut.empty()) {
            lists.push_back(entry.dataOut);
        }
    }
    return lists;
}

uint32_t Be32(const std::vector<uint8_t>& list, size_t at) {
    return static_cast<uint32_t>(list.at(at)) << 24 | static_cast<uint32_t>(list.at(at + 1)) << 16 |
           static_cast<uint32_t>(list.at(at + 2)) << 8 | list.at(at + 3);
}

void BatchTest::SetUp() {
    plat::host::ResetDialogDriver();
    Notifications.clear();
    // Each test starts without a settings file: the model's defaults.
    std::error_code ignored;
    std::filesystem::remove(std::filesystem::path(std::getenv("KORVEX_WINDIR")) / "KORVEX32.INI", ignored);
    plat::host::RegisterInProcessModule("TWAIN_32.DLL", LookupManagerSymbol);
    app.Id = 31;
    std::strcpy(app.Manufacturer, "Maker");
    std::strcpy(app.ProductFamily, "Family");
}

void BatchTest::TearDown() {
    Close();
    plat::host::ResetDialogDriver();
    plat::host::UnregisterInProcessModule("TWAIN_32.DLL");
    plat::host::UseRealClock();
}

void BatchTest::UseScanner(vscan::DeviceSetup scanner) {
    vscan::Scenario scenario;
    scenario.devices.push_back(std::move(scanner));
    vscan::InstallScenario(scenario);
    plat::host::RegisterInProcessModule("WNASPI32.DLL", vscan::LookupAspiSymbol);
}

void BatchTest::UseModel(const char* model, std::vector<std::string> hopper) {
    vscan::DeviceSetup scanner = vscan::MakeScanner(model, 0, 0);
    for (const std::string& paper : hopper) scanner.hopper.push_back(vscan::MakeSheet(paper));
    UseScanner(scanner);
}

void BatchTest::Open() {
    alignas(4) TW_IDENTITY source{};
    DS_Entry(nullptr, DG_CONTROL, DAT_IDENTITY, MSG_GET, &source);
    source.Id = 7;
    ASSERT_EQ(DS_Entry(&app, DG_CONTROL, DAT_IDENTITY, MSG_OPENDS, &source), TWRC_SUCCESS);
    vscan::ClearCommandLog();
}

TW_UINT16 BatchTest::Enable(bool showUi) {
    TW_USERINTERFACE ui{static_cast<TW_BOOL>(showUi ? 1 : 0), 0, nullptr};
    return DS_Entry(&app, DG_CONTROL, DAT_USERINTERFACE, MSG_ENABLEDS, &ui);
}

TW_UINT16 BatchTest::Disable() {
    TW_USERINTERFACE ui{0, 0, nullptr};
    return DS_Entry(&app, DG_CONTROL, DAT_USERINTERFACE, MSG_DISABLEDS, &ui);
}

TW_UINT16 BatchTest::Close() { return DS_Entry(&app, DG_CONTROL, DAT_IDENTITY, MSG_CLOSEDS, nullptr); }

TW_UINT16 BatchTest::StatusCondition() {
    TW_STATUS status{};
    DS_Entry(&app, DG_CONTROL, DAT_STATUS, MSG_GET, &status);
    return status.ConditionCode;
}

std::vector<std::string> BatchTest::TakeMessages() {
    std::vector<std::string> texts;
    for (const plat::host::ShownMessageBox& box : plat::host::TakeMessageBoxes()) texts.push_back(box.text);
    return texts;
}

}  // namespace batchtest
