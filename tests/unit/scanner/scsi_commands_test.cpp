// The SCSI command routines as the ASPI manager sees them: request block
// fields and CDBs byte for byte, the result convention and the sense data,
// the decoded replies, the wait with its time-out, and refused transfers.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "platform/host/host_hooks.h"
#include "scanner/discovery.h"
#include "scanner/model_table.h"
#include "scanner/scsi_commands.h"
#include "settings/settings_model.h"
#include "tests/support/fake_aspi.h"

namespace {

using Bytes = std::vector<uint8_t>;

class ScsiCommands : public ::testing::Test {
protected:
    void SetUp() override {
        // No settings file: section "Mecha" reads as its defaults.
        plat::host::SetWindowsDirectory("/nonexistent/korvex-scanner-tests");
        ASSERT_EQ(DiscoverScanner(), 1);
        fake_aspi::SetAdapterCount(3);
        fake_aspi::AddDevice(2, 5, 6, "T.S.E.", "ZR-DX83");
        fake_aspi::ClearRequests();
        ScsiAdapter = 2;
    }
    void TearDown() override {
        fake_aspi::JoinDelayedCompletions();
        plat::host::ResetHostHooks();
    }

    static fake_aspi::RecordedRequest OnlyRequest() {
        const auto requests = fake_aspi::ScsiRequests();
        EXPECT_EQ(requests.size(), 1u);
        return requests.empty() ? fake_aspi::RecordedRequest{} : requests.front();
    }
};

Bytes Cdb(const fake_aspi::RecordedRequest& r) { return Bytes(r.cdb.begin(), r.cdb.end()); }

// Pads a CDB to the 16 bytes of the request block.
Bytes Cdb16(Bytes bytes) {
    bytes.resize(16, 0);
    return bytes;
}

struct CommandCase {
    const char* name;
    std::function<ScsiResult()> issue;
    Bytes cdb;
    uint8_t cdbLength;
    uint8_t flags;
    uint32_t bufLen;
    const SRB_ExecSCSICmd* block;
    bool sendsBuffer = false;  // a buffer travels even with a length of 0
};

uint8_t EndorserBytes[10] = {7, 0, 0, 0, 0, 0, 0, 'A', 'B', 'C'};
uint8_t ImageBuffer[0x100];

TEST_F(ScsiCommands, EachCommandFillsItsBlockAndCdb) {
    const std::vector<CommandCase> cases = {
        {"TestUnitReady", [] { return TestUnitReady(5); }, {0x00, 0, 0, 0, 0, 0}, 6, SRB_DIR_OUT, 0,
         &ProbeRequest},
        {"Inquiry", [] { return Inquiry(5); }, {0x12, 0, 0, 0, 0x60, 0}, 6, SRB_DIR_IN, 96,
         &ProbeRequest},
        {"SetWindow", [] { return SetWindow(5, ScanWindowRecord{}); },
         {0x24, 0, 0, 0, 0, 0, 0, 0, 0x48, 0}, 10, SRB_DIR_OUT, 72, &ScanRequest},
        {"ClearWindows", [] { return ClearWindows(5); }, {0x24, 0, 0, 0, 0, 0, 0, 0, 0, 0}, 10,
         SRB_DIR_OUT, 0, &ScanRequest},
        {"SetSubAreaWindow", [] { return SetSubAreaWindow(5, SubAreaWindowRecord{}); },
         {0xC0, 0, 0, 0, 0, 0, 0, 0, 0x58, 0}, 10, SRB_DIR_OUT, 88, &ScanRequest},
        {"ReadImage", [] { return ReadImage(5, 0x100, ImageBuffer); },
         {0x28, 0, 0x00, 0, 0, 0, 0x00, 0x01, 0x00, 0}, 10, SRB_DIR_IN, 0x100, &ScanRequest},
        {"ReadImage, length 0", [] { return ReadImage(5, 0, nullptr); },
         {0x28, 0, 0x00, 0, 0, 0, 0, 0, 0, 0}, 10, SRB_DIR_IN, 0, &ScanRequest},
        {"ReadImage, length 0 with a scratch block", [] { return ReadImage(5, 0, ImageBuffer); },
         {0x28, 0, 0x00, 0, 0, 0, 0, 0, 0, 0}, 10, SRB_DIR_IN, 0, &ScanRequest, true},
        {"ReadImageSize",
         [] {
             uint32_t w = 0, l = 0;
             return ReadImageSize(5, w, l);
         },
         {0x28, 0, 0x80, 0, 0, 0, 0, 0, 0x10, 0}, 10, SRB_DIR_IN, 16, &ScanRequest},
        {"ReadScannerStatus",
         [] {
             ScannerStatusRecord s{};
             return ReadScannerStatus(5, s);
         },
         {0x28, 0, 0x81, 0, 0, 0, 0, 0, 0x06, 0}, 10, SRB_DIR_IN, 6, &ScanRequest},
        {"SendVendorE1", [] { return SendVendorE1(5); }, {0xE1, 0, 0x05, 0, 0, 0, 0, 0, 0, 0}, 10,
         SRB_DIR_OUT, 0, &ScanRequest},
        {"SendEndorserData", [] { return SendEndorserData(5, 10, EndorserBytes); },
         {0xE4, 0, 0, 0, 0, 0, 0, 0, 0x0A, 0}, 10, SRB_DIR_OUT, 10, &ScanRequest},
    };
    for (const CommandCase& c : cases) {
        SCOPED_TRACE(c.name);
        fake_aspi::ClearRequests();
        EXPECT_EQ(c.issue(), kScsiGood);
        const fake_aspi::RecordedRequest r = OnlyRequest();
        EXPECT_EQ(r.command, SC_EXEC_SCSI_CMD);
        EXPECT_EQ(r.haId, 2);
        EXPECT_EQ(r.target, 5);
        EXPECT_EQ(r.lun, 0);
        EXPECT_EQ(r.flags, c.flags);  // no posting, no event notification
        EXPECT_EQ(r.bufLen, c.bufLen);
        EXPECT_EQ(r.bufferNull, c.bufLen == 0 && !c.sendsBuffer);
        EXPECT_EQ(r.senseLen, 14);
        EXPECT_EQ(r.cdbLen, c.cdbLength);
        EXPECT_EQ(r.postProc, nullptr);
        EXPECT_EQ(Cdb(r), Cdb16(c.cdb));
        EXPECT_EQ(r.block, c.block);
    }
    EXPECT_EQ(fake_aspi::ScsiRequests().back().dataOut, Bytes(EndorserBytes, EndorserBytes + 10));
}

TEST_F(ScsiCommands, ReadImageCarriesTheTwentyFourBitLength) {
    static uint8_t big[0x012345];
    ASSERT_EQ(ReadImage(5, sizeof big, big), kScsiGood);
    const Bytes cdb = Cdb(OnlyRequest());
    EXPECT_EQ(cdb[6], 0x01);
    EXPECT_EQ(cdb[7], 0x23);
    EXPECT_EQ(cdb[8], 0x45);
}

TEST_F(ScsiCommands, TransfersTheCdbCannotNameAreRefusedBeforeTheManager) {
    static uint8_t buffer[16];
    EXPECT_EQ(ReadImage(5, 0x1000000, buffer), kAspiErrorBase + SS_BUFFER_TO_BIG);
    EXPECT_EQ(ReadImage(5, 16, nullptr), kAspiErrorBase + SS_INVALID_SRB);
    EXPECT_EQ(SendEndorserData(5, 7, nullptr), kAspiErrorBase + SS_INVALID_SRB);
    EXPECT_TRUE(fake_aspi::ScsiRequests().empty());
}

TEST_F(ScsiCommands, WithoutAManagerNoCommandIsSent) {
    UnloadAspi();
    EXPECT_EQ(TestUnitReady(5), kAspiErrorBase + SS_FAILED_INIT);
    EXPECT_TRUE(fake_aspi::ScsiRequests().empty());
}

struct ResultCase {
    const char* name;
    fake_aspi::Answer answer;
    ScsiResult result;
    SenseSnapshotRecord sense;
};

fake_aspi::Answer WithSenseBytes(fake_aspi::Answer a) {
    a.sense[2] = 0x03;
    a.sense[12] = 0x3A;
    return a;
}

fake_aspi::Answer TargetStatus(uint8_t status) {
    fake_aspi::Answer a;
    a.targetStatus = status;
    return a;
}

TEST_F(ScsiCommands, ResultConventionAndSense) {
    fake_aspi::Answer eom = fake_aspi::CheckCondition(0x03, 0x00, 0x00);
    eom.sense[2] = 0x40 | 0x03;  // EOM with the sense key below it
    fake_aspi::Answer eomNoSense = fake_aspi::CheckCondition(0x00, 0x00, 0x00);
    eomNoSense.sense[2] = 0x40;  // the end of a page
    fake_aspi::Answer eomShort = eomNoSense;  // with the bytes the READ did not get
    eomShort.sense[0] = 0x80 | 0x70;
    eomShort.sense[3] = 0x01;
    eomShort.sense[6] = 0x02;
    fake_aspi::Answer eomInvalid = eomShort;  // the same field without the valid bit
    eomInvalid.sense[0] = 0x70;
    const std::vector<ResultCase> cases = {
        {"good", fake_aspi::Answer{}, 0x000, {0, 0, 0, 0}},
        {"check condition with SS_ERR", fake_aspi::CheckCondition(0x03, 0x80, 0x0D), 0x204,
         {0x03, 0x80, 0x0D, 0}},
        {"check condition with SS_COMP", fake_aspi::CheckCondition(0x05, 0x24, 0x00, SS_COMP), 0x201,
         {0x05, 0x24, 0x00, 0}},
        {"flags above the sense key", eom, 0x204, {0x03, 0x00, 0x00, 1}},
        {"end of medium", eomNoSense, 0x204, {0x00, 0x00, 0x00, 1}},
        {"end of medium with a residue", eomShort, 0x204, {0x00, 0x00, 0x00, 1, 0x01000002}},
        {"information field not valid", eomInvalid, 0x204, {0x00, 0x00, 0x00, 1, 0}},
        {"no device, sense area ignored", WithSenseBytes(fake_aspi::AspiError(SS_NO_DEVICE)), 0x182,
         {0, 0, 0, 0}},
        {"invalid adapter", fake_aspi::AspiError(SS_INVALID_HA), 0x181, {0, 0, 0, 0}},
        {"busy target", TargetStatus(STATUS_BUSY), 0x008, {0, 0, 0, 0}},
    };
    for (const ResultCase& c : cases) {
        SCOPED_TRACE(c.name);
        SenseSnapshot = {0x0E, 0x0E, 0x0E, 1, 7};
        fake_aspi::QueueAnswer(c.answer);
        const ScsiResult result = TestUnitReady(5);
        EXPECT_EQ(result, c.result);
        EXPECT_EQ(IsCheckCondition(result), (c.result & 0xF00) == 0x200);
        EXPECT_EQ(SenseSnapshot.senseKey, c.sense.senseKey);
        EXPECT_EQ(SenseSnapshot.asc, c.sense.asc);
        EXPECT_EQ(SenseSnapshot.ascq, c.sense.ascq);
        EXPECT_EQ(SenseSnapshot.endOfMedium, c.sense.endOfMedium);
        EXPECT_EQ(SenseSnapshot.residue, c.sense.residue);
    }
}

TEST_F(ScsiCommands, ImageSizeAndStatusRepliesAreDecoded) {
    fake_aspi::QueueAnswer(fake_aspi::Reply(
        {0x00, 0x00, 0x09, 0xB0, 0x00, 0x00, 0x0D, 0xB0, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}));
    uint32_t pixels = 0, lines = 0;
    ASSERT_EQ(ReadImageSize(5, pixels, lines), kScsiGood);
    EXPECT_EQ(pixels, 2480u);
    EXPECT_EQ(lines, 3504u);

    const struct {
        uint8_t byte0;
        uint8_t present;
        uint8_t code;
    } statuses[] = {{0x2C, 0x20, 0x0C}, {0x07, 0x00, 0x07}, {0xFF, 0x20, 0x0F}, {0xD0, 0x00, 0x00}};
    for (const auto& s : statuses) {
        fake_aspi::QueueAnswer(fake_aspi::Reply({s.byte0, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}));
        ScannerStatusRecord status{0x55, 0x55};
        ASSERT_EQ(ReadScannerStatus(5, status), kScsiGood);
        EXPECT_EQ(status.paperPresent, s.present);
        EXPECT_EQ(status.paperSizeCode, s.code);
    }
}

TEST_F(ScsiCommands, FailedRepliesLeaveTheOutputsUntouched) {
    const fake_aspi::Answer failures[] = {fake_aspi::CheckCondition(0x02, 0x04, 0x01),
                                         fake_aspi::AspiError(SS_NO_DEVICE), TargetStatus(STATUS_BUSY)};
    for (fake_aspi::Answer failure : failures) {
        failure.reply = Bytes(16, 0x11);
        fake_aspi::QueueAnswer(failure);
        uint32_t pixels = 1234, lines = 5678;
        EXPECT_NE(ReadImageSize(5, pixels, lines), kScsiGood);
        EXPECT_EQ(pixels, 1234u);
        EXPECT_EQ(lines, 5678u);

        fake_aspi::QueueAnswer(failure);
        ScannerStatusRecord status{0x20, 0x04};
        EXPECT_NE(ReadScannerStatus(5, status), kScsiGood);
        EXPECT_EQ(status.paperPresent, 0x20);
        EXPECT_EQ(status.paperSizeCode, 0x04);
    }
}

TEST_F(ScsiCommands, BackSideRuleMovesSimplexScansToTheBackWindow) {
    const struct {
        const char* back;
        const char* sideMode;
        uint8_t windowId;  // the record's own identifier
        uint8_t expected;  // identifier and side byte on the wire
    } cases[] = {
        {"OFF", "Simplex", 0x00, 0x00}, {"ON", "Simplex", 0x00, 0x80}, {"ON", "Duplex", 0x00, 0x00},
        {"ON", "Duplex", 0x80, 0x80},   {"on", "Simplex", 0x00, 0x00}, {"OFF", "Duplex", 0x80, 0x80},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.back) + " " + c.sideMode + " " + std::to_string(c.windowId));
        std::strcpy(MechaBack, c.back);
        SetSettingText(SideMode, c.sideMode);
        ScanWindowRecord window{};
        window.windowId = c.windowId;
        SubAreaWindowRecord subAreas{};
        subAreas.windowId = c.windowId;
        fake_aspi::ClearRequests();
        ASSERT_EQ(SetWindow(5, window), kScsiGood);
        ASSERT_EQ(SetSubAreaWindow(5, subAreas), kScsiGood);
        uint32_t w = 0, l = 0;
        ASSERT_EQ(ReadImageSize(5, w, l), kScsiGood);
        ASSERT_EQ(ReadImage(5, 0, nullptr), kScsiGood);
        const auto requests = fake_aspi::ScsiRequests();
        ASSERT_EQ(requests.size(), 4u);
        EXPECT_EQ(requests[0].dataOut.at(8), c.expected);
        EXPECT_EQ(requests[1].dataOut.at(8), c.expected);
        // The READs name the back unit only under the rule (the scan job is on
        // its front side).
        const uint8_t side = c.expected == 0x80 && c.windowId == 0x00 ? 0x80 : 0x00;
        EXPECT_EQ(requests[2].cdb[5], side);
        EXPECT_EQ(requests[3].cdb[5], side);
    }
}

TEST_F(ScsiCommands, VendorE1ModeFollowsTheGeneration) {
    for (uint8_t generation : std::initializer_list<uint8_t>{0, 1, 8}) {
        ModelGeneration = generation;
        fake_aspi::ClearRequests();
        ASSERT_EQ(SendVendorE1(5), kScsiGood);
        EXPECT_EQ(OnlyRequest().cdb[2], generation == 0 ? 5 : 7) << int(generation);
    }
}

TEST_F(ScsiCommands, SetWindowSendsFeedBytesOnlyFromGenerationEight) {
    ScanWindowRecord window{};
    window.doubleFeed = 0x10;
    window.manualFeed = 0x80;
    for (uint8_t generation : std::initializer_list<uint8_t>{0, 1, 8}) {
        ModelGeneration = generation;
        fake_aspi::ClearRequests();
        ASSERT_EQ(SetWindow(5, window), kScsiGood);
        const Bytes sent = OnlyRequest().dataOut;
        ASSERT_EQ(sent.size(), 72u);
        EXPECT_EQ(sent[64], generation >= 8 ? 0x10 : 0x00);
        EXPECT_EQ(sent[70], generation >= 8 ? 0x80 : 0x00);
    }
}

TEST_F(ScsiCommands, APendingRequestIsPolledUntilTheManagerFinishesIt) {
    fake_aspi::Answer late = fake_aspi::Reply({0x27, 0, 0, 0, 0, 0});
    late.completion = fake_aspi::Completion::Delayed;
    late.delayMs = 20;
    fake_aspi::QueueAnswer(late);
    ScannerStatusRecord status{};
    EXPECT_EQ(ReadScannerStatus(5, status), kScsiGood);
    EXPECT_EQ(status.paperPresent, 0x20);
    EXPECT_EQ(status.paperSizeCode, 7);
}

TEST_F(ScsiCommands, ARequestThatNeverFinishesIsAbortedAfterTheBound) {
    // Start just below the wrap of the tick count: the bound is measured with
    // unsigned subtraction.
    const uint32_t start = 0xFFFFF000u;
    struct {
        const char* name;
        fake_aspi::Completion completion;
        uint32_t elapsedAtLeast;
    } cases[] = {
        {"manager settles the abort", fake_aspi::Completion::Never, kRequestTimeoutMs},
        {"manager ignores the abort", fake_aspi::Completion::Ignored, kRequestTimeoutMs + kAbortGraceMs},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        plat::host::UseManualClock(start);
        fake_aspi::ClearRequests();
        fake_aspi::Answer stuck;
        stuck.completion = c.completion;
        fake_aspi::QueueAnswer(stuck);
        EXPECT_EQ(ReadImage(5, 0, nullptr), kAspiErrorBase + SS_ABORTED);
        const uint32_t elapsed = plat::TickCount() - start;
        EXPECT_GE(elapsed, c.elapsedAtLeast);
        EXPECT_LT(elapsed, c.elapsedAtLeast + 10);
        const auto& requests = fake_aspi::Requests();
        ASSERT_EQ(requests.size(), 2u);
        EXPECT_EQ(requests[1].command, SC_ABORT_SRB);
        EXPECT_EQ(requests[1].haId, 2);
        EXPECT_EQ(requests[1].aborted, static_cast<const void*>(&ScanRequest));
        EXPECT_EQ(SenseSnapshot.senseKey, 0);
    }
}

TEST_F(ScsiCommands, ACommandAfterAFailureStartsWithCleanSense) {
    fake_aspi::QueueAnswer(fake_aspi::CheckCondition(0x03, 0x3A, 0x00));
    ASSERT_EQ(ReadImage(5, 0, nullptr), 0x204);
    ASSERT_EQ(SenseSnapshot.senseKey, 0x03);
    ASSERT_EQ(ClearWindows(5), kScsiGood);
    EXPECT_EQ(SenseSnapshot.senseKey, 0);
    EXPECT_EQ(SenseSnapshot.asc, 0);
}

}  // namespace
