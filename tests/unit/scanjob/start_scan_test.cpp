// Starting a batch against the virtual scanner: the exact SCSI commands of
// the scan window builder and StartScan, the imprinter data, the readiness
// bounds, the image size checks and the wait for paper with the driven clock.
#include <algorithm>
#include <cstring>
#include <functional>

#include "platform/host/dialog_driver.h"
#include "platform/host/host_hooks.h"
#include "scanner/discovery.h"
#include "scanner/scan_window.h"
#include "scanner/scan_window_builder.h"
#include "settings/capability_state.h"
#include "settings/settings_model.h"
#include "tests/support/fake_aspi.h"
#include "tests/unit/scanjob/batch_fixture.h"
#include "transfer/progress_dialog.h"
#include "transfer/scan_job.h"
#include "transfer/wait_dialog.h"
#include "twain/image_layout.h"
#include "twain/user_interface.h"

namespace batchtest {
namespace {

constexpr const char* kSubAreaFront = "C0 00 00 00 00 00 00 00 58 00 id=00";
constexpr const char* kSubAreaBack = "C0 00 00 00 00 00 00 00 58 00 id=80";
constexpr int kDuplexButton = 1003;
constexpr const char* kVendorE1Mode7 = "E1 00 07 00 00 00 00 00 00 00";

using StringList = std::vector<std::string>;

class StartScanTest : public BatchTest {
protected:
    // The Scan button's road after the dialog was read: the settings decide.
    int BuildAndStart(plat::WindowHandle owner) {
        ShowUIFlag = 1;
        vscan::ClearCommandLog();
        return BuildScanWindow(owner) == 1 && StartScan(owner) == 1 ? 1 : 0;
    }
};

TEST_F(StartScanTest, CommandSequences) {
    struct Row {
        const char* what;
        const char* model;
        std::vector<std::string> hopper;
        bool neverReady;
        std::function<void()> settings;
        int result;
        StringList commands;
        StringList messages;
    };
    const char* const kImprint = "E4 00 00 00 00 00 00 00 13 00";
    const Row rows[] = {
        {"simplex without sub-areas", "ZR-DX961", {"Letter"}, false, [] {}, 1,
         {kTestUnitReady, kClearWindows, kSetWindowFront, kReadImageSize}, {}},
        {"duplex", "ZR-DX961", {"Letter"}, false, [] { SetSettingText(SideMode, "Duplex"); }, 1,
         {kTestUnitReady, kClearWindows, kSetWindowFront, kSetWindowBack, kReadImageSize}, {}},
        {"front sub-area", "ZR-DX961", {"Letter"}, false,
         [] {
             SetSettingText(FrontArea1, "ON");
             ScanValues.frontAreas[0] = {10, 10, 50, 50};
         },
         1, {kTestUnitReady, kClearWindows, kSetWindowFront, kSubAreaFront, kReadImageSize}, {}},
        {"back sub-area in duplex", "ZR-DX961", {"Letter"}, false,
         [] {
             // Duplex chosen in the dialog, whose rules then allow the back areas.
             ASSERT_TRUE(plat::host::DialogDriver(MainDialog).Click(kDuplexButton));
             SetSettingText(BackArea2, "ON");
             ScanValues.backAreas[1] = {0, 0, 20, 20};
         },
         1, {kTestUnitReady, kClearWindows, kSetWindowFront, kSetWindowBack, kSubAreaBack, kReadImageSize},
         {}},
        {"paper detection", "ZR-DX961", {"A4"}, false, [] { SetSettingText(PaperDetect, "ON"); }, 1,
         {kClearWindows, kReadStatus, kTestUnitReady, kClearWindows, kSetWindowFront, kReadImageSize}, {}},
        {"paper detection without paper", "ZR-DX961", {}, false, [] { SetSettingText(PaperDetect, "ON"); },
         0, {kClearWindows, kReadStatus, kVendorE1Mode7}, {"No Paper !"}},
        {"imprinter with the endorser on", "ZR-DX961s", {"Letter"}, false,
         [] {
             SetSettingText(EndorserEnable, "ON");
             std::strcpy(ScanValues.endorserString, "AB#");
         },
         1, {kTestUnitReady, kClearWindows, kSetWindowFront, kReadImageSize, kImprint}, {}},
        {"endorser on without an imprinter", "ZR-DX961", {"Letter"}, false,
         [] { SetSettingText(EndorserEnable, "ON"); }, 1,
         {kTestUnitReady, kClearWindows, kSetWindowFront, kReadImageSize}, {}},
        {"not ready", "ZR-DX961", {"Letter"}, true, [] {}, 0,
         {kTestUnitReady, kTestUnitReady, kTestUnitReady, kTestUnitReady},
         {"Scanner is becoming ready."}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        vscan::DeviceSetup scanner = vscan::MakeScanner(row.model, 0, 0);
        for (const std::string& paper : row.hopper) scanner.hopper.push_back(vscan::MakeSheet(paper));
        scanner.neverReady = row.neverReady;
        UseScanner(scanner);
        Open();
        ASSERT_EQ(Enable(true), TWRC_SUCCESS);
        row.settings();
        EXPECT_EQ(BuildAndStart(MainDialog), row.result);
        EXPECT_EQ(Commands(), row.commands);
        EXPECT_EQ(TakeMessages(), row.messages);
        Close();
    }
    // Between pages StartScan runs without an owner, and shows nothing.
    vscan::DeviceSetup scanner = vscan::MakeScanner("ZR-DX961", 0, 0);
    scanner.neverReady = true;
    UseScanner(scanner);
    Open();
    EXPECT_EQ(StartScan(nullptr), 0);
    EXPECT_EQ(Commands().size(), 4u);
    EXPECT_EQ(TakeMessages(), StringList{});
}

TEST_F(StartScanTest, ImprinterDataCarriesTheOffsetAndTheCodedText) {
    UseModel("ZR-DX961s");
    Open();
    SetSettingText(EndorserEnable, "ON");
    std::strcpy(ScanValues.endorserString, "AB#");
    ScanValues.endorserStart = 123;
    ScanValues.endorserStep = 1;
    ScanValues.endorserOffset = 0x105;  // only the low 8 bits are sent
    ASSERT_EQ(BuildAndStart(nullptr), 1);
    const std::vector<uint8_t> expected = {0x05, 0, 0, 0, 0, 0, 0, 'A', 'B', 0x1B, 0x00,
                                           '0', '0', '0', '0', '1', '2', '3', '1'};
    EXPECT_EQ(DataSentWith(0xE4), std::vector<std::vector<uint8_t>>{expected});
}

TEST_F(StartScanTest, AnEndorserTextThatDoesNotCodeIsNeverSent) {
    struct Row {
        const char* what;
        std::string text;
        const char* message;
    };
    const Row rows[] = {
        {"a grave accent", "AB`C", "Endorser String include invalid charcter or invalid escape sequence."},
        {"two counters", "#A#", "Endorser String include invalid charcter or invalid escape sequence."},
        // Written by hand: longer than any accepted text and than the block.
        {"255 characters", std::string(255, 'X'), "Endorser String is over 72 charcters. "},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        UseModel("ZR-DX961s");
        Open();
        ASSERT_EQ(Enable(true), TWRC_SUCCESS);
        SetSettingText(EndorserEnable, "ON");
        std::snprintf(ScanValues.endorserString, sizeof ScanValues.endorserString, "%s", row.text.c_str());
        EXPECT_EQ(BuildAndStart(MainDialog), 0);
        EXPECT_TRUE(DataSentWith(0xE4).empty());
        EXPECT_EQ(TakeMessages(), StringList{row.message});
        // Once the text is mended the next Scan works.
        std::strcpy(ScanValues.endorserString, "OK");
        EXPECT_EQ(BuildAndStart(MainDialog), 1);
        EXPECT_EQ(DataSentWith(0xE4).size(), 1u);
        Close();
    }
}

// The scripted manager: every command GOOD unless an answer is queued.
class ScriptedStartTest : public StartScanTest {
protected:
    void SetUp() override {
        StartScanTest::SetUp();
        fake_aspi::InstallWithDefaultScanner();
        Open();
        ASSERT_EQ(Enable(true), TWRC_SUCCESS);
        fake_aspi::ClearRequests();
    }
    // SCSI operation codes of the requests since the last clear.
    std::vector<uint8_t> Opcodes() {
        std::vector<uint8_t> codes;
        for (const fake_aspi::RecordedRequest& request : fake_aspi::ScsiRequests()) codes.push_back(request.cdb[0]);
        return codes;
    }
};

TEST_F(ScriptedStartTest, AScannerThatHasGoneAwayEndsTheReadinessTest) {
    // Sixteen ASPI errors without CHECK CONDITION, interleaved with fewer than
    // four not-ready answers each time, end the test: it cannot loop forever.
    for (int i = 0; i < 16; ++i) {
        fake_aspi::QueueAnswer(fake_aspi::CheckCondition(2, 4, 1));
        fake_aspi::QueueAnswer(fake_aspi::CheckCondition(2, 4, 1));
        fake_aspi::QueueAnswer(fake_aspi::CheckCondition(2, 4, 1));
        fake_aspi::QueueAnswer(fake_aspi::AspiError(SS_NO_DEVICE));
    }
    EXPECT_EQ(StartScan(MainDialog), 0);
    EXPECT_EQ(Opcodes(), std::vector<uint8_t>(64, 0x00)) << "TEST UNIT READY only";
    EXPECT_EQ(TakeMessages(), StringList{"No Target Device !!"});
}

TEST_F(ScriptedStartTest, ImageSizesAreCheckedBeforeAnyTransfer) {
    struct Row {
        const char* what;
        const char* imageType;
        uint32_t pixels;
        uint32_t lines;
        int result;
        uint32_t bytesPerLine;
        uint32_t imageBytes;
        StringList messages;
    };
    const Row rows[] = {
        {"gray 4 bit, odd width", "Gray Scale 4 bit", 1001, 3, 1, 501, 1505, {}},
        {"black and white, odd width", "Black & White", 1001, 3, 1, 126, 380, {}},
        {"gray 8 bit", "Gray Scale 8 bit", 1001, 3, 1, 1001, 3005, {}},
        {"no lines", "Gray Scale 8 bit", 1728, 0, 0, 0, 0, {"Image transfer error occured."}},
        {"no pixels", "Black & White", 0, 2200, 0, 0, 0, {"Image transfer error occured."}},
        {"beyond 32 bits", "Gray Scale 8 bit", 0x10000, 0x10000, 0, 0, 0, {"Short of Memory !"}},
        {"beyond the signed count", "Gray Scale 8 bit", 0x8000, 0x10000, 0, 0, 0, {"Short of Memory !"}},
        {"largest page", "Gray Scale 8 bit", 0x7FFF, 0x10000, 1, 0x7FFF, 0x7FFF0002, {}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        SetSettingText(ImageType, row.imageType);
        std::memset(&ImageGeometry, 0, sizeof ImageGeometry);
        ASSERT_EQ(BuildScanWindow(MainDialog), 1);
        std::vector<uint8_t> reply(16, 0);
        for (int i = 0; i < 4; ++i) {
            reply[i] = static_cast<uint8_t>(row.pixels >> (24 - 8 * i));
            reply[4 + i] = static_cast<uint8_t>(row.lines >> (24 - 8 * i));
        }
        // TEST UNIT READY, the window reset and SET WINDOW answer GOOD.
        for (int i = 0; i < 3; ++i) fake_aspi::QueueAnswer(fake_aspi::Answer{});
        fake_aspi::QueueAnswer(fake_aspi::Reply(reply));
        EXPECT_EQ(StartScan(MainDialog), row.result);
        EXPECT_EQ(TakeMessages(), row.messages);
        EXPECT_EQ(ImageGeometry.bytesPerLine, row.bytesPerLine);
        EXPECT_EQ(ImageGeometry.imageBytes, row.imageBytes);
        EXPECT_EQ(ImageGeometry.remainingBytes, static_cast<int32_t>(row.imageBytes));
    }
}

TEST(WaitTimeout, HeldWithinWhatTheTickCountMeasures) {
    EXPECT_EQ(WaitTimeoutMs(10), 10000u);
    EXPECT_EQ(WaitTimeoutMs(300), 300000u);
    EXPECT_EQ(WaitTimeoutMs(0), 0u);
    EXPECT_EQ(WaitTimeoutMs(-5), 0u);
    // A hand-edited settings file: no overflow, the longest measurable wait.
    EXPECT_EQ(WaitTimeoutMs(INT32_MAX), UINT32_MAX - 1000u);
    EXPECT_EQ(WaitTimeoutMs(4294967), UINT32_MAX - 1000u);
    EXPECT_EQ(WaitTimeoutMs(4294966), 4294966000u);
}

class ManualFeedTest : public StartScanTest {
protected:
    // A generation 8 scanner with an empty hopper and manual feed on, enabled
    // with its dialog.
    void Prepare(std::vector<vscan::SheetSetup> manualSheets, uint32_t pollsPerSheet) {
        vscan::DeviceSetup scanner = vscan::MakeScanner("ZR-DX961", 0, 0);
        scanner.manualSheets = std::move(manualSheets);
        scanner.manualFeedPolls = pollsPerSheet;
        UseScanner(scanner);
        Open();
        ASSERT_EQ(Enable(true), TWRC_SUCCESS);
        SetSettingText(ManualFeed, "ON");
    }
    static size_t Count(const StringList& list, const char* command) {
        return static_cast<size_t>(std::count(list.begin(), list.end(), command));
    }
};

TEST_F(ManualFeedTest, WaitsForTheSheetThenDetectsItsSize) {
    Prepare({vscan::MakeSheet("A5")}, 5);
    SetSettingText(PaperDetect, "ON");
    SetSettingText(PaperSize, "Letter");
    SetSettingText(Resolution, "300 DPI");
    // Build without detection (the manual feed is in effect, paper or not),
    // then wait: the status polls end when the sheet arrives.
    ShowUIFlag = 1;
    ASSERT_EQ(BuildScanWindow(MainDialog), 1);
    vscan::ClearCommandLog();
    ASSERT_EQ(StartScan(MainDialog), 1);
    StringList commands = Commands();
    ASSERT_GE(commands.size(), 4u);
    EXPECT_EQ(commands[0], kTestUnitReady);
    EXPECT_EQ(commands[1], kSetWindowFront);
    EXPECT_GE(Count(commands, kReadStatus), 2u);
    EXPECT_EQ(StringList(commands.end() - 3, commands.end()),
              (StringList{kClearWindows, kSetWindowFront, kReadImageSize}));
    EXPECT_EQ(WaitDialog, nullptr);
    EXPECT_EQ(plat::host::FindOpenDialog(kWaitDialogTemplate).Handle(), nullptr);
    // A5 (code 5): 6992 at 300 dpi is 1748 pixels, rounded up to 1760.
    std::vector<uint8_t> window = DataSentWith(0x24).back();
    EXPECT_EQ(Be32(window, 22), 7040u);
    EXPECT_EQ(Be32(window, 26), 9922u);
    EXPECT_EQ(ScanJob.waitCancel, 0);
}

TEST_F(ManualFeedTest, TimesOutThroughATickWrap) {
    Prepare({}, 1);
    constexpr uint32_t kStep = 7;
    plat::host::UseManualClock(0xFFFFF000u, kStep);
    EXPECT_EQ(BuildAndStart(MainDialog), 0);
    // Just over 10000 ms of the tick count, which wrapped through zero.
    const uint32_t elapsed = plat::TickCount() - 0xFFFFF000u;
    EXPECT_GT(elapsed, 10000u);
    EXPECT_LT(elapsed, 10000u + 8 * kStep);
    EXPECT_LT(plat::TickCount(), 0x00010000u);
    EXPECT_EQ(ScanJob.waitCancel, 1);
    EXPECT_EQ(TakeMessages(), StringList{}) << "a time-out is no error";
    StringList commands = Commands();
    EXPECT_EQ(commands.back(), kClearWindows);
    EXPECT_GT(Count(commands, kReadStatus), 100u);
    EXPECT_EQ(WaitDialog, nullptr);
    EXPECT_TRUE(plat::host::OpenDialogs().size() == 1) << "only the main dialog is left";
}

TEST_F(ManualFeedTest, CancelEndsTheWait) {
    Prepare({}, 1);
    plat::host::UseManualClock(0, 1);
    // The Cancel button: it sets the flag and disables itself.
    WaitDialog = plat::CreateModelessDialog(kWaitDialogTemplate, MainDialog, WaitDialogProc, 0);
    plat::host::DialogDriver wait(WaitDialog);
    ASSERT_TRUE(wait.Click(plat::IDCANCEL));
    EXPECT_EQ(ScanJob.waitCancel, 1);
    EXPECT_FALSE(wait.Enabled(plat::IDCANCEL));
    plat::DestroyDialog(WaitDialog);
    WaitDialog = nullptr;
    // The loop reads the flag after its next poll: one poll, the windows
    // reset, the dialog gone, long before any time-out.
    vscan::ClearCommandLog();
    EXPECT_EQ(WaitForPaper(MainDialog, 10000), 0);
    EXPECT_EQ(Commands(), (StringList{kReadStatus, kClearWindows}));
    EXPECT_EQ(WaitDialog, nullptr);
    EXPECT_EQ(TakeMessages(), StringList{});
}

TEST_F(ManualFeedTest, NoWaitWhileABatchRunsOrWithoutTheDialog) {
    Prepare({}, 1);
    // Between pages the batch's own wait applies, not this one.
    plat::WindowHandle progress = plat::CreateModelessDialog(kWaitDialogTemplate, MainDialog, WaitDialogProc, 0);
    ProgressDialog = progress;
    EXPECT_EQ(BuildAndStart(MainDialog), 1);
    ProgressDialog = nullptr;
    plat::DestroyDialog(progress);
    EXPECT_EQ(Count(Commands(), kReadStatus), 0u);
    // Without a dialog the capabilities decide and the feed setting is not
    // read: the scan starts at once, and the first READ finds the empty hopper.
    ASSERT_EQ(Disable(), TWRC_SUCCESS);
    CapabilityState.custom8123 = 0;
    vscan::ClearCommandLog();
    EXPECT_EQ(Enable(false), TWRC_SUCCESS);
    EXPECT_EQ(Count(Commands(), kReadStatus), 0u);
    EXPECT_EQ(WaitDialog, nullptr);
}

}  // namespace
}  // namespace batchtest
