// The ASPI translation core over a scripted back end: adapters and devices
// from the enumeration, the checks of each request, data direction, the data
// and sense areas, residual counts, the status mapping, completion (polling,
// posting, events), time-outs, abort, reset and a device that goes away.
#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>
#include <string>
#include <vector>

#include "passthrough/core/aspi_manager.h"
#include "scanner/aspi_defs.h"
#include "tests/unit/passthrough/fake_backend.h"

namespace {

using namespace fake_passthrough;
using passthrough::AspiSendCommand;
using passthrough::AspiSupportInfo;

const std::vector<uint8_t> kInquiry = {0x12, 0, 0, 0, 0x60, 0};
const std::vector<uint8_t> kTestUnitReady = {0, 0, 0, 0, 0, 0};
const std::vector<uint8_t> kSetWindow = {0x24, 0, 0, 0, 0, 0, 0, 0, 0x48, 0};

class AspiCore : public ::testing::Test {
protected:
    void SetUp() override {
        backend.AddDevice(0, 0, 0, 0);
        backend.AddDevice(0, 0, 3, 0, 0x00);
    }
    void TearDown() override {
        system.RunAll();
        EXPECT_TRUE(passthrough::DestroyAspiManager(manager, 0));
        EXPECT_EQ(system.maxLockDepth, 1) << "the lock was taken twice";
    }
    passthrough::AspiManager* Manager() {
        if (manager == nullptr)
            manager = passthrough::CreateAspiManager(backend.Ops(), system.Services(), TestConfig());
        return manager;
    }
    // Sends a block and runs the adapter workers: the request is finished.
    uint8_t Run(SRB_ExecSCSICmd& block) {
        const uint32_t answered = AspiSendCommand(Manager(), &block);
        if (answered != SS_PENDING) {
            EXPECT_EQ(block.SRB_Status, answered);
            return block.SRB_Status;
        }
        EXPECT_EQ(block.SRB_Status, SS_PENDING);
        system.Run(ThreadRole::AdapterWorker);
        return block.SRB_Status;
    }

    FakeSystem system;
    FakeBackend backend;
    passthrough::AspiManager* manager = nullptr;
};

TEST_F(AspiCore, AdaptersFollowHostAndChannelAndTheManagerSaysWhenThereAreNone) {
    backend.devices.clear();
    backend.AddDevice(5, 0, 12, 0, 6, "far");
    backend.AddDevice(2, 1, 0, 0, 6, "second");
    backend.AddDevice(2, 0, 4, 0, 5, "first");
    backend.AddDevice(2, 0, 300, 0);  // no ASPI target id can name it
    EXPECT_EQ(AspiSupportInfo(Manager()), uint32_t{SS_COMP} << 8 | 3);

    const char* names[] = {"first           ", "second          ", "far             "};
    const uint8_t targets[] = {8, 8, 13};
    for (uint8_t ha = 0; ha < 4; ++ha) {
        SRB_HAInquiry inquiry{};
        inquiry.SRB_Cmd = SC_HA_INQUIRY;
        inquiry.SRB_HaId = ha;
        const uint32_t status = AspiSendCommand(Manager(), &inquiry);
        if (ha == 3) {
            EXPECT_EQ(status, SS_INVALID_HA);
            continue;
        }
        ASSERT_EQ(status, SS_COMP);
        EXPECT_EQ(inquiry.HA_Count, 3);
        EXPECT_EQ(inquiry.HA_SCSI_ID, 7);
        EXPECT_EQ(std::string(reinterpret_cast<char*>(inquiry.HA_ManagerId), 16), "ASPI for WIN32  ");
        EXPECT_EQ(std::string(reinterpret_cast<char*>(inquiry.HA_Identifier), 16), names[ha]);
        const uint8_t unique[8] = {0, 0, 0x02, targets[ha], 0x00, 0x00, 0x01, 0x00};
        EXPECT_EQ(std::memcmp(inquiry.HA_Unique, unique, sizeof unique), 0) << int{ha};
    }
    struct DeviceType {
        uint8_t ha, target;
        uint8_t status, type;
    };
    const DeviceType types[] = {
        {0, 4, SS_COMP, 5}, {2, 12, SS_COMP, 6}, {0, 0, SS_NO_DEVICE, 0}, {3, 0, SS_INVALID_HA, 0}};
    for (const DeviceType& row : types) {
        SRB_GDEVBlock block{};
        block.SRB_Cmd = SC_GET_DEV_TYPE;
        block.SRB_HaId = row.ha;
        block.SRB_Target = row.target;
        EXPECT_EQ(AspiSendCommand(Manager(), &block), row.status);
        EXPECT_EQ(block.SRB_DeviceType, row.type);
    }

    backend.devices.clear();
    EXPECT_EQ(AspiSupportInfo(Manager()), uint32_t{SS_NO_ADAPTERS} << 8);
    backend.enumerateFailure = 1;
    EXPECT_EQ(AspiSupportInfo(Manager()), uint32_t{SS_FAILED_INIT} << 8);
    uint8_t buffer[96];
    SRB_ExecSCSICmd block = ExecBlock(0, 0, SRB_DIR_IN, kInquiry, buffer, 96);
    EXPECT_EQ(Run(block), SS_FAILED_INIT);
    EXPECT_EQ(AspiSupportInfo(nullptr), uint32_t{SS_FAILED_INIT} << 8);
}

TEST_F(AspiCore, MalformedRequestsAreRefusedBeforeReachingTheDevice) {
    uint8_t buffer[96];
    auto post = reinterpret_cast<void*>(+[](void*) {});
    struct Case {
        const char* what;
        void (*change)(SRB_ExecSCSICmd&, void*);
        uint8_t status;
    };
    const Case cases[] = {
        {"adapter past the count", [](SRB_ExecSCSICmd& b, void*) { b.SRB_HaId = 1; }, SS_INVALID_HA},
        {"unknown command", [](SRB_ExecSCSICmd& b, void*) { b.SRB_Cmd = 0x07; }, SS_INVALID_CMD},
        {"CDB length 7", [](SRB_ExecSCSICmd& b, void*) { b.SRB_CDBLen = 7; }, SS_INVALID_SRB},
        {"CDB length 0", [](SRB_ExecSCSICmd& b, void*) { b.SRB_CDBLen = 0; }, SS_INVALID_SRB},
        {"data without buffer", [](SRB_ExecSCSICmd& b, void*) { b.SRB_BufPointer = nullptr; },
         SS_INVALID_SRB},
        {"both directions", [](SRB_ExecSCSICmd& b, void*) { b.SRB_Flags = SRB_DIR_IN | SRB_DIR_OUT; },
         SS_INVALID_SRB},
        {"data without direction", [](SRB_ExecSCSICmd& b, void*) { b.SRB_Flags = 0; }, SS_INVALID_SRB},
        {"posting and event",
         [](SRB_ExecSCSICmd& b, void* p) {
             b.SRB_Flags |= SRB_POSTING | SRB_EVENT_NOTIFY;
             b.SRB_PostProc = p;
         },
         SS_INVALID_SRB},
        {"posting without routine", [](SRB_ExecSCSICmd& b, void*) { b.SRB_Flags |= SRB_POSTING; },
         SS_INVALID_SRB},
        {"more than the adapter takes", [](SRB_ExecSCSICmd& b, void*) { b.SRB_BufLen = 65537; },
         SS_BUFFER_TO_BIG},
        {"no device at the target", [](SRB_ExecSCSICmd& b, void*) { b.SRB_Target = 1; }, SS_NO_DEVICE},
        {"no device at the LUN", [](SRB_ExecSCSICmd& b, void*) { b.SRB_Lun = 1; }, SS_NO_DEVICE},
    };
    for (const Case& c : cases) {
        SRB_ExecSCSICmd block = ExecBlock(0, 0, SRB_DIR_IN, kInquiry, buffer, sizeof buffer);
        c.change(block, post);
        EXPECT_EQ(AspiSendCommand(Manager(), &block), c.status) << c.what;
        EXPECT_EQ(block.SRB_Status, c.status) << c.what;
    }
    EXPECT_EQ(AspiSendCommand(Manager(), nullptr), SS_INVALID_SRB);
    system.RunAll();
    EXPECT_TRUE(backend.exchanges.empty());
    EXPECT_TRUE(backend.opened.empty());
}

TEST_F(AspiCore, DataTravelsTheWayTheFlagsSayAndResidualIsReportedOnRequest) {
    struct Case {
        uint8_t flags;
        uint32_t length;
        size_t replyBytes;
        DataDirection direction;
        uint32_t bufLenAfter;
    };
    const Case cases[] = {
        {SRB_DIR_IN, 96, 36, DataDirection::In, 96},
        {SRB_DIR_IN | SRB_ENABLE_RESIDUAL_COUNT, 96, 36, DataDirection::In, 60},
        {SRB_DIR_IN | SRB_ENABLE_RESIDUAL_COUNT, 96, 96, DataDirection::In, 0},
        {SRB_DIR_OUT | SRB_ENABLE_RESIDUAL_COUNT, 72, 0, DataDirection::Out, 0},
        {SRB_DIR_OUT, 0, 0, DataDirection::None, 0},
        {SRB_DIR_IN, 0, 0, DataDirection::None, 0},
    };
    for (const Case& c : cases) {
        backend.exchanges.clear();
        std::vector<uint8_t> buffer(128, 0xEE);
        for (size_t i = 0; i < buffer.size(); ++i)
            if (c.direction == DataDirection::Out) buffer[i] = static_cast<uint8_t>(i);
        Answer answer;
        for (size_t i = 0; i < c.replyBytes; ++i) answer.reply.push_back(static_cast<uint8_t>(i + 1));
        backend.answers.push_back(answer);
        SRB_ExecSCSICmd block = ExecBlock(0, 0, c.flags, c.length > 0 ? kSetWindow : kTestUnitReady,
                                          c.length > 0 ? buffer.data() : nullptr, c.length);
        ASSERT_EQ(Run(block), SS_COMP);
        ASSERT_EQ(backend.exchanges.size(), 1u);
        const Exchange& exchange = backend.exchanges[0];
        EXPECT_EQ(exchange.direction, c.direction);
        EXPECT_EQ(exchange.dataLength, c.length);
        EXPECT_EQ(exchange.timeoutMs, 100u);
        EXPECT_EQ(exchange.cdb.size(), block.SRB_CDBLen);
        EXPECT_EQ(block.SRB_BufLen, c.bufLenAfter);
        EXPECT_EQ(block.SRB_HaStat, passthrough::HASTAT_OK);
        EXPECT_EQ(block.SRB_TargStat, STATUS_GOOD);
        if (c.direction == DataDirection::Out) {
            EXPECT_EQ(exchange.dataOut,
                      std::vector<uint8_t>(buffer.begin(), buffer.begin() + c.length));
        } else {
            // What came in is delivered; the rest of the caller's buffer keeps its bytes.
            for (size_t i = 0; i < buffer.size(); ++i)
                ASSERT_EQ(buffer[i], i < c.replyBytes ? i + 1 : 0xEE) << i;
        }
    }
}

TEST_F(AspiCore, SenseDataFillsAtMostTheCallersSenseArea) {
    std::vector<uint8_t> sense(18);
    for (size_t i = 0; i < sense.size(); ++i) sense[i] = static_cast<uint8_t>(0xA0 + i);
    struct Case {
        uint8_t senseLen;
        size_t senseBytes;
        size_t copied;
        uint8_t haStatus;
    };
    const Case cases[] = {
        {14, 18, 14, passthrough::HASTAT_OK},  // more sense than fits
        {16, 8, 8, passthrough::HASTAT_OK},    // less than the area: the rest is cleared
        {0, 18, 0, passthrough::HASTAT_OK},
        {14, 0, 0, passthrough::HASTAT_REQUEST_SENSE_FAILED},
    };
    for (const Case& c : cases) {
        // The block sits in a larger record so that a write past SenseLen shows.
        struct {
            SRB_ExecSCSICmd block;
            uint8_t after[32];
        } record;
        std::memset(&record, 0x5A, sizeof record);
        uint8_t buffer[6];
        record.block = ExecBlock(0, 0, SRB_DIR_IN, {0x28, 0, 0x81, 0, 0, 0, 0, 0, 6, 0}, buffer, 6);
        std::memset(record.block.SenseArea, 0x5A, sizeof record.block.SenseArea);
        record.block.SRB_SenseLen = c.senseLen;
        backend.answers.push_back(
            CheckCondition(std::vector<uint8_t>(sense.begin(), sense.begin() + c.senseBytes)));
        ASSERT_EQ(Run(record.block), SS_ERR);
        EXPECT_EQ(record.block.SRB_TargStat, STATUS_CHKCOND);
        EXPECT_EQ(record.block.SRB_HaStat, c.haStatus);
        const uint8_t* area =
            reinterpret_cast<const uint8_t*>(&record) + offsetof(SRB_ExecSCSICmd, SenseArea);
        for (size_t i = 0; i < sizeof record.block.SenseArea + sizeof record.after; ++i) {
            const uint8_t expected = i < c.copied ? sense[i] : i < c.senseLen ? 0x00 : 0x5A;
            ASSERT_EQ(area[i], expected) << "SenseLen " << int{c.senseLen} << " byte " << i;
        }
    }
}

TEST_F(AspiCore, TransportAndTargetStatusesMapToAspiStatuses) {
    using passthrough::TransportStatus;
    struct Case {
        TransportStatus transport;
        uint8_t scsiStatus;
        uint8_t status, haStatus, targetStatus;
    };
    const Case cases[] = {
        {TransportStatus::Ok, STATUS_GOOD, SS_COMP, passthrough::HASTAT_OK, STATUS_GOOD},
        {TransportStatus::Ok, STATUS_BUSY, SS_ERR, passthrough::HASTAT_OK, STATUS_BUSY},
        {TransportStatus::Ok, 0x18, SS_ERR, passthrough::HASTAT_OK, 0x18},
        {TransportStatus::SelectionTimeout, 0, SS_ERR, passthrough::HASTAT_SEL_TO, 0},
        {TransportStatus::Timeout, 0, SS_ERR, passthrough::HASTAT_COMMAND_TIMEOUT, 0},
        {TransportStatus::Aborted, 0, SS_ABORTED, passthrough::HASTAT_OK, 0},
        {TransportStatus::BusReset, STATUS_CHKCOND, SS_ERR, passthrough::HASTAT_BUS_RESET, 0},
        {TransportStatus::Busy, 0, SS_ASPI_IS_BUSY, passthrough::HASTAT_OK, 0},
        {TransportStatus::DataOverrun, 0, SS_ERR, passthrough::HASTAT_DO_DU, 0},
        {TransportStatus::PhaseError, 0, SS_ERR, passthrough::HASTAT_PHASE_ERR, 0},
        {TransportStatus::ParityError, 0, SS_ERR, passthrough::HASTAT_PARITY_ERROR, 0},
        {TransportStatus::HostError, 0, SS_ERR, passthrough::HASTAT_BUS_FREE, 0},
        // Last: the device is refused from then on.
        {TransportStatus::DeviceGone, 0, SS_NO_DEVICE, passthrough::HASTAT_SEL_TO, 0},
    };
    for (const Case& c : cases) {
        Answer answer;
        answer.transport = c.transport;
        answer.scsiStatus = c.scsiStatus;
        backend.answers.push_back(answer);
        SRB_ExecSCSICmd block = ExecBlock(0, 0, SRB_DIR_OUT, kTestUnitReady, nullptr, 0);
        block.SRB_HaStat = 0x77;
        EXPECT_EQ(Run(block), c.status) << int(c.transport) << "/" << int{c.scsiStatus};
        EXPECT_EQ(block.SRB_HaStat, c.haStatus) << int(c.transport);
        EXPECT_EQ(block.SRB_TargStat, c.targetStatus) << int(c.transport);
    }
}

TEST_F(AspiCore, DeviceThatWentAwayIsRefusedUntilFoundAgain) {
    Answer gone;
    gone.transport = TransportStatus::DeviceGone;
    backend.answers = {gone};
    SRB_ExecSCSICmd first = ExecBlock(0, 0, SRB_DIR_OUT, kTestUnitReady, nullptr, 0);
    SRB_ExecSCSICmd queued = first;
    ASSERT_EQ(AspiSendCommand(Manager(), &first), SS_PENDING);
    ASSERT_EQ(AspiSendCommand(Manager(), &queued), SS_PENDING);
    system.Run(ThreadRole::AdapterWorker);
    EXPECT_EQ(first.SRB_Status, SS_NO_DEVICE);
    EXPECT_EQ(queued.SRB_Status, SS_NO_DEVICE);
    SRB_ExecSCSICmd later = ExecBlock(0, 0, SRB_DIR_OUT, kTestUnitReady, nullptr, 0);
    EXPECT_EQ(AspiSendCommand(Manager(), &later), SS_NO_DEVICE);
    EXPECT_EQ(backend.exchanges.size(), 1u);
    // The other device on the adapter is not affected.
    SRB_ExecSCSICmd other = ExecBlock(0, 3, SRB_DIR_OUT, kTestUnitReady, nullptr, 0);
    EXPECT_EQ(Run(other), SS_COMP);

    // Plugged in again: the next client's support information finds it.
    EXPECT_EQ(AspiSupportInfo(Manager()), uint32_t{SS_COMP} << 8 | 1);
    EXPECT_EQ(backend.closes, 2u);
    EXPECT_EQ(Run(later), SS_COMP);
}

// A posting routine that checks the block is finished when it is called.
std::vector<uint8_t> gPostedStatuses;
void ASPI_CALL RecordPosting(void* request) {
    gPostedStatuses.push_back(static_cast<SRB_ExecSCSICmd*>(request)->SRB_Status);
}

TEST_F(AspiCore, CompletionIsPolledPostedOrSignalledInOrderOfArrival) {
    gPostedStatuses.clear();
    int event = 0;
    SRB_ExecSCSICmd polled = ExecBlock(0, 0, SRB_DIR_OUT, kTestUnitReady, nullptr, 0);
    SRB_ExecSCSICmd posted = polled;
    posted.SRB_Flags |= SRB_POSTING;
    posted.SRB_PostProc = reinterpret_cast<void*>(&RecordPosting);
    SRB_ExecSCSICmd signalled = polled;
    signalled.SRB_Flags |= SRB_EVENT_NOTIFY;
    signalled.SRB_PostProc = &event;
    SRB_ExecSCSICmd* blocks[] = {&polled, &posted, &signalled};
    for (SRB_ExecSCSICmd* block : blocks) ASSERT_EQ(AspiSendCommand(Manager(), block), SS_PENDING);
    EXPECT_EQ(system.Waiting(ThreadRole::AdapterWorker), 1u);  // one worker for the adapter
    for (SRB_ExecSCSICmd* block : blocks) EXPECT_EQ(block->SRB_Status, SS_PENDING);
    system.Run(ThreadRole::AdapterWorker);
    for (SRB_ExecSCSICmd* block : blocks) EXPECT_EQ(block->SRB_Status, SS_COMP);
    EXPECT_EQ(gPostedStatuses, std::vector<uint8_t>{SS_COMP});
    EXPECT_EQ(system.signalledEvents, std::vector<void*>{&event});
    ASSERT_EQ(backend.exchanges.size(), 3u);

    FakeSystem noEvents;
    noEvents.eventSupport = false;
    passthrough::AspiManager* other =
        passthrough::CreateAspiManager(backend.Ops(), noEvents.Services(), TestConfig());
    EXPECT_EQ(AspiSendCommand(other, &signalled), SS_INVALID_SRB);
    EXPECT_TRUE(passthrough::DestroyAspiManager(other, 0));
}

TEST_F(AspiCore, RequestThatOutlivesItsDeadlineEndsAndItsLateAnswerIsDropped) {
    uint8_t hungBuffer[16];
    uint8_t queuedBuffer[16];
    std::memset(hungBuffer, 0xEE, sizeof hungBuffer);
    std::memset(queuedBuffer, 0xEE, sizeof queuedBuffer);
    SRB_ExecSCSICmd hung = ExecBlock(0, 0, SRB_DIR_IN | SRB_ENABLE_RESIDUAL_COUNT,
                                     {0x28, 0, 0x80, 0, 0, 0, 0, 0, 16, 0}, hungBuffer, 16);
    SRB_ExecSCSICmd queued = hung;
    queued.SRB_BufPointer = queuedBuffer;
    const uint64_t start = system.now;
    uint64_t endedAt = 0;
    Answer late = CheckCondition({0x70, 0, 0x06});
    late.reply.assign(16, 0x11);
    late.during = [&] {
        system.Run(ThreadRole::Watchdog);  // the device does not answer while time passes
        endedAt = system.now;
        EXPECT_EQ(hung.SRB_Status, SS_ERR);
        EXPECT_EQ(hung.SRB_HaStat, passthrough::HASTAT_COMMAND_TIMEOUT);
        EXPECT_EQ(queued.SRB_Status, SS_ERR);
        EXPECT_EQ(queued.SRB_HaStat, passthrough::HASTAT_TIMEOUT);
    };
    backend.answers = {late};
    ASSERT_EQ(AspiSendCommand(Manager(), &hung), SS_PENDING);
    ASSERT_EQ(AspiSendCommand(Manager(), &queued), SS_PENDING);
    system.Run(ThreadRole::AdapterWorker);
    EXPECT_GE(endedAt, start + 150);
    EXPECT_LT(endedAt, start + 150 + 10 + 1);
    // The late answer reached neither the buffer, nor the sense area, nor the counts.
    EXPECT_EQ(std::vector<uint8_t>(hungBuffer, hungBuffer + 16), std::vector<uint8_t>(16, 0xEE));
    EXPECT_EQ(hung.SenseArea[0], 0);
    EXPECT_EQ(hung.SRB_BufLen, 16u);
    EXPECT_EQ(hung.SRB_TargStat, STATUS_GOOD);
    EXPECT_EQ(backend.exchanges.size(), 1u);
    // The adapter works on.
    SRB_ExecSCSICmd next = ExecBlock(0, 0, SRB_DIR_OUT, kTestUnitReady, nullptr, 0);
    EXPECT_EQ(Run(next), SS_COMP);
}

TEST_F(AspiCore, AbortEndsQueuedAndRunningRequests) {
    SRB_ExecSCSICmd running = ExecBlock(0, 0, SRB_DIR_OUT, kTestUnitReady, nullptr, 0);
    SRB_ExecSCSICmd queued = running;
    auto abort = [this](void* target) {
        SRB_Abort block{};
        block.SRB_Cmd = SC_ABORT_SRB;
        block.SRB_ToAbort = target;
        const uint32_t status = AspiSendCommand(Manager(), &block);
        EXPECT_EQ(block.SRB_Status, status);
        return status;
    };
    Answer answer;
    answer.during = [&] {
        EXPECT_EQ(abort(&queued), SS_COMP);
        EXPECT_EQ(queued.SRB_Status, SS_ABORTED);
        EXPECT_EQ(abort(&running), SS_COMP);
        EXPECT_EQ(running.SRB_Status, SS_ABORTED);
        EXPECT_EQ(abort(&running), SS_ABORT_FAIL);  // already ended
    };
    backend.answers = {answer};
    ASSERT_EQ(AspiSendCommand(Manager(), &running), SS_PENDING);
    ASSERT_EQ(AspiSendCommand(Manager(), &queued), SS_PENDING);
    system.Run(ThreadRole::AdapterWorker);
    EXPECT_EQ(running.SRB_Status, SS_ABORTED);
    EXPECT_EQ(backend.exchanges.size(), 1u);  // the queued one never reached the device
    EXPECT_EQ(abort(nullptr), SS_ABORT_FAIL);
    EXPECT_EQ(abort(&running), SS_ABORT_FAIL);
}

TEST_F(AspiCore, ResetGoesThroughTheAdapterQueue) {
    backend.resetAnswers = {TransportStatus::Ok, TransportStatus::Busy};
    SRB_ExecSCSICmd reset{};
    reset.SRB_Cmd = SC_RESET_DEV;
    reset.SRB_Target = 3;
    EXPECT_EQ(Run(reset), SS_COMP);
    EXPECT_EQ(Run(reset), SS_ASPI_IS_BUSY);
    reset.SRB_Target = 4;
    EXPECT_EQ(Run(reset), SS_NO_DEVICE);
    EXPECT_EQ(backend.resets, 2u);
}

TEST_F(AspiCore, ClosingEndsWhatIsPendingAndFreesTheDevices) {
    SRB_ExecSCSICmd block = ExecBlock(0, 0, SRB_DIR_OUT, kTestUnitReady, nullptr, 0);
    EXPECT_EQ(Run(block), SS_COMP);
    SRB_ExecSCSICmd pending = block;
    ASSERT_EQ(AspiSendCommand(Manager(), &pending), SS_PENDING);
    // A worker that has not ended keeps the manager.
    EXPECT_FALSE(passthrough::DestroyAspiManager(manager, 5));
    EXPECT_EQ(pending.SRB_Status, SS_ABORTED);
    system.RunAll();
    EXPECT_TRUE(passthrough::DestroyAspiManager(manager, 0));
    manager = nullptr;
    EXPECT_EQ(backend.closes, 1u);
    EXPECT_EQ(backend.exchanges.size(), 1u);

    system.refuseThreads = true;
    EXPECT_EQ(Run(block), SS_ASPI_IS_BUSY);
}

}  // namespace
