// The ASPI front of the virtual scanner: support information, the statuses of
// malformed or misdirected requests, adapter and device queries, delayed
// completion, abort and the posting routine.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "vscanner_client.h"

using namespace vstest;

namespace {

vscan::Scenario TwoAdapters() {
    vscan::Scenario scenario;
    scenario.adapterCount = 2;
    scenario.devices.push_back(vscan::MakeScanner("ZR-DX961", 1, 5));
    scenario.devices.push_back(vscan::MakeDevice(vscan::DeviceKind::Disk, "DISKCO  ", "BIGDISK", 0, 0));
    scenario.devices.push_back(vscan::MakeDevice(vscan::DeviceKind::CdRom, "OPTICO  ", "CD-R", 0, 3));
    return scenario;
}

uint8_t WaitForStatus(SRB_ExecSCSICmd& request) {
    for (int i = 0; i < 5000; ++i) {
        const uint8_t status = std::atomic_ref<uint8_t>(request.SRB_Status).load();
        if (status != SS_PENDING) return status;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return SS_PENDING;
}

SRB_ExecSCSICmd TestUnitReadyRequest(uint8_t adapter, uint8_t target) {
    SRB_ExecSCSICmd request{};
    request.SRB_Cmd = SC_EXEC_SCSI_CMD;
    request.SRB_HaId = adapter;
    request.SRB_Target = target;
    request.SRB_Flags = SRB_DIR_OUT;
    request.SRB_SenseLen = SENSE_LEN;
    request.SRB_CDBLen = 6;
    return request;
}

}  // namespace

TEST(VScannerFront, SupportInfoReportsStatusAndAdapterCount) {
    struct Case {
        vscan::ManagerState state;
        uint8_t adapters;
        uint32_t expected;
    };
    const Case cases[] = {
        {vscan::ManagerState::Ready, 2, 0x0102},
        {vscan::ManagerState::Ready, 0, 0xE800},
        {vscan::ManagerState::NotInitialised, 1, 0xE401},
        {vscan::ManagerState::NoAdapters, 1, 0xE801},
    };
    for (const Case& c : cases) {
        vscan::Scenario scenario;
        scenario.state = c.state;
        scenario.adapterCount = c.adapters;
        vscan::InstallScenario(scenario);
        EXPECT_EQ(vscan::VsGetASPI32SupportInfo(), c.expected);
    }
}

TEST(VScannerFront, RequestStatuses) {
    vscan::InstallScenario(TwoAdapters());
    struct Case {
        const char* what;
        uint8_t adapter, target, lun, cdbLength;
        uint32_t bufLen;
        bool nullBuffer;
        uint8_t flags;
        std::vector<uint8_t> cdb;
        uint8_t status, haStatus;
    };
    const std::vector<uint8_t> inquiry = {0x12, 0, 0, 0, 96, 0};
    const Case cases[] = {
        {"adapter past the count", 2, 5, 0, 6, 96, false, SRB_DIR_IN, inquiry, SS_INVALID_HA, 0},
        {"empty target", 1, 4, 0, 6, 96, false, SRB_DIR_IN, inquiry, SS_NO_DEVICE, 0},
        {"target id 8", 1, 8, 0, 6, 96, false, SRB_DIR_IN, inquiry, SS_NO_DEVICE, 0},
        {"logical unit 1", 1, 5, 1, 6, 96, false, SRB_DIR_IN, inquiry, SS_NO_DEVICE, 0},
        {"CDB length 7", 1, 5, 0, 7, 96, false, SRB_DIR_IN, inquiry, SS_INVALID_SRB, 0},
        {"no buffer", 1, 5, 0, 6, 96, true, SRB_DIR_IN, inquiry, SS_INVALID_SRB, 0},
        {"buffer too short", 1, 5, 0, 6, 95, false, SRB_DIR_IN, inquiry, SS_ERR, 0x12},
        {"data-in sent as data-out", 1, 5, 0, 6, 96, false, SRB_DIR_OUT, inquiry, SS_ERR, 0x14},
        {"direction left to the command", 1, 5, 0, 6, 96, false, 0, inquiry, SS_COMP, 0},
        {"a good INQUIRY", 1, 5, 0, 6, 96, false, SRB_DIR_IN, inquiry, SS_COMP, 0},
    };
    for (const Case& c : cases) {
        std::vector<uint8_t> buffer(128);
        SRB_ExecSCSICmd request{};
        request.SRB_Cmd = SC_EXEC_SCSI_CMD;
        request.SRB_HaId = c.adapter;
        request.SRB_Target = c.target;
        request.SRB_Lun = c.lun;
        request.SRB_Flags = c.flags;
        request.SRB_BufLen = c.bufLen;
        request.SRB_BufPointer = c.nullBuffer ? nullptr : buffer.data();
        request.SRB_SenseLen = SENSE_LEN;
        request.SRB_CDBLen = c.cdbLength;
        std::copy(c.cdb.begin(), c.cdb.end(), request.CDBByte);
        EXPECT_EQ(vscan::VsSendASPI32Command(&request), c.status) << c.what;
        EXPECT_EQ(request.SRB_Status, c.status) << c.what;
        EXPECT_EQ(request.SRB_HaStat, c.haStatus) << c.what;
    }
}

TEST(VScannerFront, UnknownRequestAndNullRequest) {
    vscan::InstallScenario(TwoAdapters());
    SRB_Header header{};
    header.SRB_Cmd = 0x42;
    EXPECT_EQ(vscan::VsSendASPI32Command(&header), SS_INVALID_CMD);
    EXPECT_EQ(header.SRB_Status, SS_INVALID_CMD);
    EXPECT_EQ(vscan::VsSendASPI32Command(nullptr), SS_INVALID_SRB);
}

TEST(VScannerFront, NotInitialisedManagerRefusesRequests) {
    vscan::Scenario scenario = TwoAdapters();
    scenario.state = vscan::ManagerState::NotInitialised;
    vscan::InstallScenario(scenario);
    SRB_ExecSCSICmd request = TestUnitReadyRequest(1, 5);
    EXPECT_EQ(vscan::VsSendASPI32Command(&request), SS_FAILED_INIT);
}

TEST(VScannerFront, HostAdapterInquiryAndDeviceTypes) {
    vscan::InstallScenario(TwoAdapters());
    SRB_HAInquiry adapter{};
    adapter.SRB_Cmd = SC_HA_INQUIRY;
    adapter.SRB_HaId = 1;
    EXPECT_EQ(vscan::VsSendASPI32Command(&adapter), SS_COMP);
    EXPECT_EQ(adapter.HA_Count, 2);
    EXPECT_EQ(adapter.HA_SCSI_ID, 7);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(adapter.HA_ManagerId), 16), "ASPI for WIN32  ");
    EXPECT_EQ(adapter.HA_Unique[2], 0x02) << "residual byte counts";
    EXPECT_EQ(adapter.HA_Unique[3], 8);
    adapter.SRB_HaId = 2;
    EXPECT_EQ(vscan::VsSendASPI32Command(&adapter), SS_INVALID_HA);

    struct Case {
        uint8_t adapter, target, status, type;
    };
    const Case cases[] = {
        {1, 5, SS_COMP, 6}, {0, 0, SS_COMP, 0}, {0, 3, SS_COMP, 5}, {0, 1, SS_NO_DEVICE, 0xAA},
        {3, 0, SS_INVALID_HA, 0xAA},
    };
    for (const Case& c : cases) {
        SRB_GDEVBlock device{};
        device.SRB_Cmd = SC_GET_DEV_TYPE;
        device.SRB_HaId = c.adapter;
        device.SRB_Target = c.target;
        device.SRB_DeviceType = 0xAA;
        EXPECT_EQ(vscan::VsSendASPI32Command(&device), c.status);
        EXPECT_EQ(device.SRB_DeviceType, c.type);
    }
}

TEST(VScannerFront, DelayedRequestIsPendingThenCompletes) {
    vscan::Scenario scenario = TwoAdapters();
    scenario.delayMs = 20;
    vscan::InstallScenario(scenario);
    std::vector<uint8_t> buffer(96);
    SRB_ExecSCSICmd request{};
    request.SRB_Cmd = SC_EXEC_SCSI_CMD;
    request.SRB_HaId = 1;
    request.SRB_Target = 5;
    request.SRB_Flags = SRB_DIR_IN;
    request.SRB_BufLen = 96;
    request.SRB_BufPointer = buffer.data();
    request.SRB_SenseLen = SENSE_LEN;
    request.SRB_CDBLen = 6;
    const uint8_t cdb[6] = {0x12, 0, 0, 0, 96, 0};
    std::copy(cdb, cdb + 6, request.CDBByte);
    EXPECT_EQ(vscan::VsSendASPI32Command(&request), SS_PENDING);
    EXPECT_EQ(vscan::PendingRequestCount(), 1u);
    EXPECT_EQ(WaitForStatus(request), SS_COMP);
    EXPECT_EQ(buffer[0], 0x06);
    EXPECT_EQ(vscan::PendingRequestCount(), 0u);
    // The worker ends with the last request; the next one starts it again.
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
    request.SRB_Status = 0xFF;
    EXPECT_EQ(vscan::VsSendASPI32Command(&request), SS_PENDING);
    EXPECT_EQ(WaitForStatus(request), SS_COMP);
}

TEST(VScannerFront, AbortEndsAPendingRequestOnce) {
    vscan::Scenario scenario = TwoAdapters();
    scenario.delayMs = 60000;
    vscan::InstallScenario(scenario);
    SRB_ExecSCSICmd request = TestUnitReadyRequest(1, 5);
    ASSERT_EQ(vscan::VsSendASPI32Command(&request), SS_PENDING);
    SRB_Abort abort{};
    abort.SRB_Cmd = SC_ABORT_SRB;
    abort.SRB_HaId = 1;
    abort.SRB_ToAbort = &request;
    EXPECT_EQ(vscan::VsSendASPI32Command(&abort), SS_COMP);
    EXPECT_EQ(request.SRB_Status, SS_ABORTED);
    EXPECT_EQ(vscan::PendingRequestCount(), 0u);
    EXPECT_EQ(vscan::VsSendASPI32Command(&abort), SS_ABORT_FAIL);
    EXPECT_TRUE(vscan::CommandLog().empty());
}

TEST(VScannerFront, InstallingAScenarioAbortsPendingRequests) {
    vscan::Scenario scenario = TwoAdapters();
    scenario.delayMs = 60000;
    vscan::InstallScenario(scenario);
    SRB_ExecSCSICmd request = TestUnitReadyRequest(1, 5);
    ASSERT_EQ(vscan::VsSendASPI32Command(&request), SS_PENDING);
    vscan::InstallScenario(TwoAdapters());
    EXPECT_EQ(request.SRB_Status, SS_ABORTED);
    EXPECT_EQ(vscan::PendingRequestCount(), 0u);
}

namespace {
std::atomic<void*> gPosted{nullptr};
std::atomic<uint8_t> gStatusWhenPosted{0};
void ASPI_CALL RecordPost(void* request) {
    gStatusWhenPosted = static_cast<SRB_ExecSCSICmd*>(request)->SRB_Status;
    gPosted = request;
}
}  // namespace

TEST(VScannerFront, PostingRoutineRunsAfterTheStatusIsSet) {
    vscan::InstallScenario(TwoAdapters());
    gPosted = nullptr;
    SRB_ExecSCSICmd request = TestUnitReadyRequest(1, 5);
    request.SRB_Flags = SRB_DIR_OUT | SRB_POSTING;
    request.SRB_PostProc = reinterpret_cast<void*>(&RecordPost);
    EXPECT_EQ(vscan::VsSendASPI32Command(&request), SS_COMP);
    EXPECT_EQ(gPosted.load(), &request);
    EXPECT_EQ(gStatusWhenPosted.load(), SS_COMP);
}
