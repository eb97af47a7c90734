// The SCSI generic manager against the kernel's scsi_debug module, the real
// driver stack without hardware: INQUIRY with its residual, TEST UNIT READY,
// an unknown operation's CHECK CONDITION and sense data, and the source's
// discovery walking the bus (scsi_debug's vendor is not one the source takes).
// Skipped where no scsi_debug device has an sg node the user may open (the
// module is not loaded, cannot be, or the nodes are root's).
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "passthrough/core/aspi_manager.h"
#include "passthrough/sg/sg_backend.h"
#include "platform/host/host_hooks.h"
#include "scanner/aspi_defs.h"
#include "scanner/discovery.h"
#include "tests/unit/passthrough/fake_backend.h"
#include "tests/unit/passthrough/inprocess_manager.h"

namespace {

namespace fs = std::filesystem;
using fake_passthrough::ExecBlock;

// The /dev/sgN of the first scsi_debug device the user can open; empty when none.
std::string ScsiDebugNode(std::string& why) {
    std::error_code error;
    fs::directory_iterator classes("/sys/class/scsi_generic", error);
    if (error) {
        why = "no /sys/class/scsi_generic (no SCSI generic driver)";
        return {};
    }
    why = "no scsi_debug device (modprobe scsi_debug loads one)";
    for (const fs::directory_entry& entry : classes) {
        std::string model;
        std::getline(std::ifstream(entry.path() / "device" / "model"), model);
        if (model.rfind("scsi_debug", 0) != 0) continue;
        const std::string node = "/dev/" + entry.path().filename().string();
        if (fs::exists(node)) {
            if (access(node.c_str(), R_OK | W_OK) == 0) return node;
            why = node + " of scsi_debug exists but this user may not open it";
        }
    }
    return {};
}

uint8_t Execute(passthrough::AspiManager* manager, SRB_ExecSCSICmd& block) {
    if (passthrough::AspiSendCommand(manager, &block) == SS_PENDING) {
        for (int waited = 0; waited < 10000; ++waited) {
            if (__atomic_load_n(&block.SRB_Status, __ATOMIC_ACQUIRE) != SS_PENDING) break;
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    }
    return block.SRB_Status;
}

TEST(ScsiDebug, SourceAndManagerOverTheKernelsSgDriver) {
    std::string why;
    if (ScsiDebugNode(why).empty()) GTEST_SKIP() << "skipped: " << why;

    passthrough::AspiManager* manager = passthrough::CreateAspiManager(
        passthrough::SgBackend(&passthrough::LinuxSystemCalls()), passthrough::PosixOsServices(),
        passthrough::ManagerConfig{});
    const uint32_t info = passthrough::AspiSupportInfo(manager);
    ASSERT_EQ(info >> 8, SS_COMP);
    // Find the scsi_debug device through ASPI, by its INQUIRY reply.
    const std::vector<uint8_t> inquiry = {0x12, 0, 0, 0, 96, 0};
    int foundAdapter = -1, foundTarget = -1;
    for (uint8_t ha = 0; ha < (info & 0xFF) && foundAdapter < 0; ++ha) {
        for (uint8_t target = 0; target < 16; ++target) {
            uint8_t reply[96] = {};
            SRB_ExecSCSICmd block =
                ExecBlock(ha, target, SRB_DIR_IN | SRB_ENABLE_RESIDUAL_COUNT, inquiry, reply, 96);
            if (Execute(manager, block) != SS_COMP) continue;
            if (std::memcmp(reply + 16, "scsi_debug", 10) != 0) continue;
            EXPECT_LT(block.SRB_BufLen, 96u) << "scsi_debug sends fewer bytes than asked";
            foundAdapter = ha;
            foundTarget = target;
            break;
        }
    }
    ASSERT_GE(foundAdapter, 0) << "the scsi_debug device is not reachable through ASPI";
    const auto ha = static_cast<uint8_t>(foundAdapter);
    const auto target = static_cast<uint8_t>(foundTarget);

    // The first command may meet the unit attention of the device's reset.
    const std::vector<uint8_t> testUnitReady(6, 0);
    uint8_t ready = SS_ERR;
    for (int attempt = 0; attempt < 2 && ready != SS_COMP; ++attempt) {
        SRB_ExecSCSICmd block = ExecBlock(ha, target, SRB_DIR_OUT, testUnitReady, nullptr, 0);
        ready = Execute(manager, block);
    }
    EXPECT_EQ(ready, SS_COMP);

    const std::vector<uint8_t> vendorOperation = {0xC0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    SRB_ExecSCSICmd refused = ExecBlock(ha, target, SRB_DIR_OUT, vendorOperation, nullptr, 0);
    EXPECT_EQ(Execute(manager, refused), SS_ERR);
    EXPECT_EQ(refused.SRB_TargStat, STATUS_CHKCOND);
    EXPECT_EQ(refused.SenseArea[2] & 0x0F, 0x05) << "ILLEGAL REQUEST";
    EXPECT_EQ(refused.SenseArea[12], 0x20) << "invalid command operation code";

    // The source walks the same bus and passes the device over.
    ASSERT_TRUE(fake_passthrough::InstallInProcessManager(manager));
    plat::host::ClearRecordedMessageBoxes();
    ResetDiscoveryState();
    if (DiscoverScanner() == 1) {
        EXPECT_FALSE(ScsiAdapter == ha && ScsiTarget == target) << "scsi_debug taken for a scanner";
    } else {
        ASSERT_EQ(plat::host::MessageBoxCount(), 1u);
        EXPECT_STREQ(plat::host::RecordedMessageBoxAt(0)->text, "No Target Device !!");
    }
    UnloadAspi();
    EXPECT_TRUE(passthrough::DestroyAspiManager(manager, 2000));
    }

}  // namespace
