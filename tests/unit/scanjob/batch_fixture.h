// Helpers of the batch start tests: the source opened in-process against the
// virtual scanner, the SCSI commands it sent as the command log records them,
// the message boxes it showed, and a stand-in source manager that records the
// notifications.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "twain/twain_types.h"
#include "vscanner/vscanner.h"

namespace batchtest {

// One logged command: its CDB in hexadecimal, followed for the window
// commands by " id=" and the window identifier of the parameter list.
std::vector<std::string> Commands();
// The data sent with the logged commands of this operation code, in order.
std::vector<std::vector<uint8_t>> DataSentWith(uint8_t opcode);
// Big-endian 32-bit value at `at` of a parameter list.
uint32_t Be32(const std::vector<uint8_t>& list, size_t at);

// The CDBs of the commands the source sends, as Commands() shows them.
extern const char* const kTestUnitReady;
extern const char* const kClearWindows;
extern const char* const kSetWindowFront;
extern const char* const kSetWindowBack;
extern const char* const kReadImageSize;
extern const char* const kReadStatus;

struct Notification {
    TW_UINT32 originId;
    TW_UINT32 destinationId;
    TW_UINT32 dataGroup;
    TW_UINT16 dat;
    TW_UINT16 msg;
    bool dataNull;
};

class BatchTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Installs one scanner of `model` (empty hopper unless given) as the bus.
    void UseScanner(vscan::DeviceSetup scanner);
    void UseModel(const char* model, std::vector<std::string> hopper = {"Letter"});
    // MSG_OPENDS from the test application; asserts success.
    void Open();
    TW_UINT16 Enable(bool showUi);
    TW_UINT16 Disable();
    TW_UINT16 Close();
    TW_UINT16 StatusCondition();
    // Texts of the message boxes shown since the last call.
    std::vector<std::string> TakeMessages();

    alignas(4) TW_IDENTITY app{};
};

// What the stand-in manager received since the test started.
extern std::vector<Notification> Notifications;

}  // namespace batchtest
