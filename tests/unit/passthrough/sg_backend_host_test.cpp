// The SCSI generic back end over a fake kernel (the system-call table):
// finding devices in sysfs or by their nodes, the SG_IO header of each
// request, the kernel's host, driver and errno verdicts as ASPI statuses, a
// node that cannot be opened or goes away, a time-out with real threads, and
// the source's device discovery over the back end with good and garbage
// INQUIRY replies; and the built module over this machine's real system.
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <scsi/sg.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <functional>
#include <map>
#include <mutex>
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

using fake_passthrough::ExecBlock;
using fake_passthrough::FakeSystem;
using passthrough::ThreadRole;

// A SCSI generic node of the fake kernel.
struct FakeNode {
    sg_scsi_id id{};  // answered to SG_GET_SCSI_ID
    int openError = 0;
    int version = 30536;
};

struct SgCall {
    sg_io_hdr header;
    std::vector<uint8_t> cdb;
    std::vector<uint8_t> dataOut;
};

constexpr char kSysfs[] = "/sys/class/scsi_generic";

// The kernel the fake system calls see: directories, links and files by path,
// the nodes by their /dev path, and the answer to SG_IO.
struct FakeKernel {
    std::map<std::string, std::vector<std::string>> directories;
    std::map<std::string, std::string> links;
    std::map<std::string, std::string> files;
    std::map<std::string, FakeNode> nodes;
    // Fills the output fields of SG_IO, or answers a negative errno.
    std::function<int(sg_io_hdr&)> sgIo = [](sg_io_hdr&) { return 0; };
    std::vector<SgCall> calls;
    std::map<int, std::string> openFds;
    int nextFd = 10;
    int resets = 0;

    // An sgN of sysfs whose device link ends in `link`, of device type `type`.
    void AddSysfsNode(const std::string& name, const std::string& link, const std::string& type) {
        const std::string base = std::string(kSysfs) + "/" + name;
        directories[kSysfs].push_back(name);
        links[base + "/device"] = link;
        files[base + "/device/type"] = type + "\n";
        nodes["/dev/" + name];
    }
};

FakeKernel* gKernel = nullptr;
std::mutex gKernelMutex;  // the time-out test calls from a worker thread

int FakeOpen(const char* path, int) {
    std::lock_guard<std::mutex> guard(gKernelMutex);
    auto node = gKernel->nodes.find(path);
    if (node == gKernel->nodes.end()) return -ENOENT;
    if (node->second.openError != 0) return -node->second.openError;
    gKernel->openFds[gKernel->nextFd] = path;
    return gKernel->nextFd++;
}

int FakeClose(int fd) {
    std::lock_guard<std::mutex> guard(gKernelMutex);
    return gKernel->openFds.erase(fd) == 1 ? 0 : -EBADF;
}

int FakeIoctl(int fd, unsigned long request, void* argument) {
    std::function<int(sg_io_hdr&)> answer;
    {
        std::lock_guard<std::mutex> guard(gKernelMutex);
        auto open = gKernel->openFds.find(fd);
        if (open == gKernel->openFds.end()) return -EBADF;
        FakeNode& node = gKernel->nodes[open->second];
        switch (request) {
            case SG_GET_VERSION_NUM: *static_cast<int*>(argument) = node.version; return 0;
            case SG_GET_SCSI_ID: *static_cast<sg_scsi_id*>(argument) = node.id; return 0;
            case SG_SCSI_RESET: ++gKernel->resets; return 0;
            case SG_IO: break;
            default: return -ENOTTY;
        }
        auto& header = *static_cast<sg_io_hdr*>(argument);
        SgCall call{header, std::vector<uint8_t>(header.cmdp, header.cmdp + header.cmd_len), {}};
        if (header.dxfer_direction == SG_DXFER_TO_DEV) {
            const auto* data = static_cast<const uint8_t*>(header.dxferp);
            call.dataOut.assign(data, data + header.dxfer_len);
        }
        gKernel->calls.push_back(call);
        answer = gKernel->sgIo;
    }
    return answer(*static_cast<sg_io_hdr*>(argument));
}

int FakeList(const char* path, void (*visit)(void*, const char*), void* context) {
    auto directory = gKernel->directories.find(path);
    if (directory == gKernel->directories.end()) return -ENOENT;
    for (const std::string& name : directory->second) visit(context, name.c_str());
    return 0;
}

int CopyOut(const std::map<std::string, std::string>& table, const char* path, char* buffer,
            size_t capacity) {
    auto found = table.find(path);
    if (found == table.end()) return -ENOENT;
    const size_t length = std::min(found->second.size(), capacity - 1);
    std::memcpy(buffer, found->second.data(), length);
    buffer[length] = '\0';
    return static_cast<int>(length);
}

int FakeReadLink(const char* path, char* buffer, size_t capacity) {
    return CopyOut(gKernel->links, path, buffer, capacity);
}

int FakeReadText(const char* path, char* buffer, size_t capacity) {
    return CopyOut(gKernel->files, path, buffer, capacity);
}

constexpr passthrough::SgSystemCalls kFakeCalls = {FakeOpen,     FakeClose,   FakeIoctl,
                                                   FakeList,     FakeReadLink, FakeReadText};

class SgBackend : public ::testing::Test {
protected:
    void SetUp() override {
        gKernel = &kernel;
        kernel.AddSysfsNode("sg0", "../../../devices/pci0000:00/host2/target2:0:5/2:0:5:0", "6");
        kernel.files["/sys/class/scsi_host/host2/proc_name"] = "aic7xxx\n";
    }
    void TearDown() override {
        system.RunAll();
        EXPECT_TRUE(passthrough::DestroyAspiManager(manager, 2000));
        EXPECT_TRUE(kernel.openFds.empty()) << "a device was left open";
        gKernel = nullptr;
    }
    passthrough::AspiManager* Manager() {
        if (manager == nullptr)
            manager = passthrough::CreateAspiManager(passthrough::SgBackend(&kFakeCalls),
                                                     system.Services(), fake_passthrough::TestConfig());
        return manager;
    }
    uint8_t Run(SRB_ExecSCSICmd& block) {
        if (passthrough::AspiSendCommand(Manager(), &block) == SS_PENDING)
            system.Run(ThreadRole::AdapterWorker);
        return block.SRB_Status;
    }
    SRB_ExecSCSICmd TestUnitReady(uint8_t target = 5) {
        return ExecBlock(0, target, SRB_DIR_OUT, {0, 0, 0, 0, 0, 0}, nullptr, 0);
    }

    FakeKernel kernel;
    FakeSystem system;
    passthrough::AspiManager* manager = nullptr;
};

std::string AdapterName(passthrough::AspiManager* manager, uint8_t adapter) {
    SRB_HAInquiry inquiry{};
    inquiry.SRB_Cmd = SC_HA_INQUIRY;
    inquiry.SRB_HaId = adapter;
    if (passthrough::AspiSendCommand(manager, &inquiry) != SS_COMP) return "?";
    return std::string(reinterpret_cast<char*>(inquiry.HA_Identifier), 16);
}

int DeviceType(passthrough::AspiManager* manager, uint8_t adapter, uint8_t target) {
    SRB_GDEVBlock block{};
    block.SRB_Cmd = SC_GET_DEV_TYPE;
    block.SRB_HaId = adapter;
    block.SRB_Target = target;
    return passthrough::AspiSendCommand(manager, &block) == SS_COMP ? block.SRB_DeviceType : -1;
}

TEST_F(SgBackend, DevicesComeFromSysfsOrElseFromTheirNodes) {
    kernel.AddSysfsNode("sg1", "../../../0:0:0:0", "0");
    kernel.AddSysfsNode("sg2", "../../../host0", "6");  // no address: passed over
    kernel.AddSysfsNode("sg3", "3:0:1:0", "garbage");
    kernel.directories[kSysfs].insert(kernel.directories[kSysfs].end(), {"sg", "sgx", "sda"});
    kernel.files["/sys/class/scsi_host/host0/proc_name"] = "ahci\n";
    EXPECT_EQ(passthrough::AspiSupportInfo(Manager()), uint32_t{SS_COMP} << 8 | 3);
    EXPECT_EQ(AdapterName(manager, 0), "ahci            ");
    EXPECT_EQ(AdapterName(manager, 1), "aic7xxx         ");
    EXPECT_EQ(AdapterName(manager, 2), "scsi            ");
    EXPECT_EQ(DeviceType(manager, 0, 0), 0);
    EXPECT_EQ(DeviceType(manager, 1, 5), 6);
    EXPECT_EQ(DeviceType(manager, 2, 1), 0x1F);
    EXPECT_TRUE(kernel.openFds.empty()) << "listing opens nothing";

    // Without sysfs each node is asked; one that cannot be opened is not seen.
    kernel.directories.erase(kSysfs);
    kernel.directories["/dev"] = {"sg0", "sg1", "sda", "sgx"};
    kernel.nodes["/dev/sg1"].id = sg_scsi_id{4, 0, 2, 0, 6, 1, 1, {0, 0}};
    kernel.nodes["/dev/sg0"].openError = EACCES;
    EXPECT_EQ(passthrough::AspiSupportInfo(Manager()), uint32_t{SS_COMP} << 8 | 1);
    EXPECT_EQ(DeviceType(manager, 0, 2), 6);
    EXPECT_TRUE(kernel.openFds.empty());

    kernel.directories.clear();
    EXPECT_EQ(passthrough::AspiSupportInfo(Manager()), uint32_t{SS_FAILED_INIT} << 8);
}

TEST_F(SgBackend, SgIoHeaderCarriesTheRequest) {
    struct Case {
        uint8_t flags;
        std::vector<uint8_t> cdb;
        uint32_t length;
        int direction;
    };
    const Case cases[] = {
        {SRB_DIR_IN, {0x12, 0, 0, 0, 0x60, 0}, 96, SG_DXFER_FROM_DEV},
        {SRB_DIR_OUT, {0x24, 0, 0, 0, 0, 0, 0, 0, 0x48, 0}, 72, SG_DXFER_TO_DEV},
        {SRB_DIR_OUT, {0, 0, 0, 0, 0, 0}, 0, SG_DXFER_NONE},
        {SRB_DIR_IN, {0xA8, 0, 0, 0, 0, 0, 0, 0, 0, 0x10, 0, 0}, 16, SG_DXFER_FROM_DEV},
    };
    for (const Case& c : cases) {
        kernel.calls.clear();
        std::vector<uint8_t> buffer(128);
        for (size_t i = 0; i < buffer.size(); ++i) buffer[i] = static_cast<uint8_t>(3 * i);
        SRB_ExecSCSICmd block = ExecBlock(0, 5, c.flags, c.cdb, c.length ? buffer.data() : nullptr,
                                          c.length);
        ASSERT_EQ(Run(block), SS_COMP);
        ASSERT_EQ(kernel.calls.size(), 1u);
        const SgCall& call = kernel.calls[0];
        EXPECT_EQ(call.header.interface_id, 'S');
        EXPECT_EQ(call.header.dxfer_direction, c.direction);
        EXPECT_EQ(call.header.dxfer_len, c.length);
        EXPECT_EQ(call.header.dxferp != nullptr, c.length > 0);
        EXPECT_EQ(call.cdb, c.cdb);
        EXPECT_EQ(call.header.mx_sb_len, 255);
        EXPECT_EQ(call.header.timeout, 100u);
        if (c.direction == SG_DXFER_TO_DEV) {
            EXPECT_EQ(call.dataOut, std::vector<uint8_t>(buffer.begin(), buffer.begin() + c.length));
        }
    }
}

TEST_F(SgBackend, KernelVerdictsBecomeAspiStatuses) {
    struct Case {
        int error;  // the ioctl's errno, 0 when it succeeds
        uint16_t hostStatus, driverStatus;
        uint8_t scsiStatus;
        int resid;
        uint8_t status, haStatus, targetStatus;
        uint32_t bufLen;  // the residual count reported
    };
    const Case cases[] = {
        {0, 0x00, 0x00, 0x00, 60, SS_COMP, passthrough::HASTAT_OK, 0, 60},
        {0, 0x00, 0x00, 0x00, -4, SS_COMP, passthrough::HASTAT_OK, 0, 0},
        {0, 0x00, 0x00, 0x00, 5000, SS_COMP, passthrough::HASTAT_OK, 0, 96},
        {0, 0x00, 0x08, 0x02, 0, SS_ERR, passthrough::HASTAT_OK, 2, 0},      // DRIVER_SENSE
        {0, 0x00, 0x00, 0x08, 96, SS_ERR, passthrough::HASTAT_OK, 8, 96},    // BUSY
        {0, 0x01, 0x00, 0x00, 96, SS_ERR, passthrough::HASTAT_SEL_TO, 0, 96},
        {0, 0x03, 0x00, 0x00, 96, SS_ERR, passthrough::HASTAT_COMMAND_TIMEOUT, 0, 96},
        {0, 0x00, 0x06, 0x00, 96, SS_ERR, passthrough::HASTAT_COMMAND_TIMEOUT, 0, 96},
        {0, 0x08, 0x00, 0x00, 96, SS_ERR, passthrough::HASTAT_BUS_RESET, 0, 96},
        {0, 0x02, 0x00, 0x00, 96, SS_ASPI_IS_BUSY, passthrough::HASTAT_OK, 0, 96},
        {0, 0x06, 0x00, 0x00, 96, SS_ERR, passthrough::HASTAT_PARITY_ERROR, 0, 96},
        {0, 0x07, 0x00, 0x00, 96, SS_ERR, passthrough::HASTAT_BUS_FREE, 0, 96},
        {0, 0x42, 0x00, 0x00, 96, SS_ERR, passthrough::HASTAT_BUS_FREE, 0, 96},
        {0, 0x00, 0x04, 0x00, 96, SS_ERR, passthrough::HASTAT_BUS_FREE, 0, 96},
        {EBUSY, 0, 0, 0, 0, SS_ASPI_IS_BUSY, passthrough::HASTAT_OK, 0, 96},
        {EINVAL, 0, 0, 0, 0, SS_ERR, passthrough::HASTAT_BUS_FREE, 0, 96},
        {ENOMEM, 0, 0, 0, 0, SS_ERR, passthrough::HASTAT_BUS_FREE, 0, 96},
        {ENODEV, 0, 0, 0, 0, SS_NO_DEVICE, passthrough::HASTAT_SEL_TO, 0, 96},  // last: gone
    };
    const uint8_t sense[18] = {0x70, 0, 0x05, 0, 0, 0, 0, 10, 0, 0, 0, 0, 0x24, 0x01, 0, 0, 0, 0};
    for (const Case& c : cases) {
        kernel.sgIo = [&](sg_io_hdr& header) {
            if (c.error != 0) return -c.error;
            header.host_status = c.hostStatus;
            header.driver_status = c.driverStatus;
            header.status = c.scsiStatus;
            header.resid = c.resid;
            if (c.scsiStatus == STATUS_CHKCOND) {
                std::memcpy(header.sbp, sense, sizeof sense);
                header.sb_len_wr = sizeof sense;
            }
            return 0;
        };
        uint8_t buffer[96];
        SRB_ExecSCSICmd block = ExecBlock(0, 5, SRB_DIR_IN | SRB_ENABLE_RESIDUAL_COUNT,
                                          {0x12, 0, 0, 0, 0x60, 0}, buffer, 96);
        const std::string row = std::to_string(c.error) + "/" + std::to_string(c.hostStatus) + "/" +
                                std::to_string(c.driverStatus) + "/" + std::to_string(c.scsiStatus);
        EXPECT_EQ(Run(block), c.status) << row;
        EXPECT_EQ(block.SRB_HaStat, c.haStatus) << row;
        EXPECT_EQ(block.SRB_TargStat, c.targetStatus) << row;
        EXPECT_EQ(block.SRB_BufLen, c.bufLen) << row;
        if (c.scsiStatus == STATUS_CHKCOND) {
            EXPECT_EQ(std::memcmp(block.SenseArea, sense, SENSE_LEN), 0) << row;
        }
    }
    // The device went away: refused at once, the kernel is not asked again.
    const size_t asked = kernel.calls.size();
    SRB_ExecSCSICmd block = TestUnitReady();
    EXPECT_EQ(passthrough::AspiSendCommand(Manager(), &block), SS_NO_DEVICE);
    EXPECT_EQ(kernel.calls.size(), asked);
}

TEST_F(SgBackend, NodeThatCannotBeUsedAnswersNoDevice) {
    struct Case {
        int openError;
        int version;
    };
    for (const Case& c : {Case{EACCES, 30536}, Case{ENOENT, 30536}, Case{0, 20134}}) {
        kernel.nodes["/dev/sg0"].openError = c.openError;
        kernel.nodes["/dev/sg0"].version = c.version;
        SRB_ExecSCSICmd block = TestUnitReady();
        EXPECT_EQ(Run(block), SS_NO_DEVICE) << c.openError << "/" << c.version;
        EXPECT_TRUE(kernel.calls.empty());
        EXPECT_TRUE(kernel.openFds.empty()) << "a node that is no SG_IO node is closed again";
    }
    kernel.nodes["/dev/sg0"] = FakeNode{};
    SRB_ExecSCSICmd block = TestUnitReady();
    EXPECT_EQ(Run(block), SS_COMP);
    SRB_ExecSCSICmd reset{};
    reset.SRB_Cmd = SC_RESET_DEV;
    reset.SRB_Target = 5;
    EXPECT_EQ(Run(reset), SS_COMP);
    EXPECT_EQ(kernel.resets, 1);
}

// Real threads: a kernel that does not return is outwaited by the watchdog,
// and the caller polling the block sees the time-out within the deadline.
TEST_F(SgBackend, HungIoctlEndsAtTheDeadlineWithRealThreads) {
    std::mutex mutex;
    std::condition_variable released;
    bool release = false;
    kernel.sgIo = [&](sg_io_hdr& header) {
        std::unique_lock<std::mutex> lock(mutex);
        released.wait_for(lock, std::chrono::seconds(5), [&] { return release; });
        header.status = 0;
        return 0;
    };
    passthrough::ManagerConfig config = fake_passthrough::TestConfig();
    config.requestTimeoutMs = 20;
    config.watchdogGraceMs = 20;
    config.watchdogPeriodMs = 2;
    passthrough::AspiManager* threaded = passthrough::CreateAspiManager(
        passthrough::SgBackend(&kFakeCalls), passthrough::PosixOsServices(), config);
    uint8_t buffer[16] = {};
    SRB_ExecSCSICmd block =
        ExecBlock(0, 5, SRB_DIR_IN, {0x28, 0, 0x80, 0, 0, 0, 0, 0, 16, 0}, buffer, 16);
    const auto start = std::chrono::steady_clock::now();
    ASSERT_EQ(passthrough::AspiSendCommand(threaded, &block), SS_PENDING);
    while (__atomic_load_n(&block.SRB_Status, __ATOMIC_ACQUIRE) == SS_PENDING &&
           std::chrono::steady_clock::now() - start < std::chrono::seconds(3)) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    const auto elapsed = std::chrono::steady_clock::now() - start;
    EXPECT_EQ(block.SRB_Status, SS_ERR);
    EXPECT_EQ(block.SRB_HaStat, passthrough::HASTAT_COMMAND_TIMEOUT);
    // 20 + 20 ms, less the part of a millisecond the manager's clock drops.
    EXPECT_GE(elapsed, std::chrono::milliseconds(39));
    EXPECT_LT(elapsed, std::chrono::seconds(2));
    // A manager whose worker is stuck cannot go yet; once the kernel returns it can.
    EXPECT_FALSE(passthrough::DestroyAspiManager(threaded, 5));
    {
        std::lock_guard<std::mutex> lock(mutex);
        release = true;
    }
    released.notify_all();
    EXPECT_TRUE(passthrough::DestroyAspiManager(threaded, 2000));
}

std::vector<uint8_t> InquiryReply(const char* vendor, const char* product) {
    std::vector<uint8_t> reply(96, ' ');
    reply[0] = 0x06;
    reply[1] = 0;
    reply[2] = 0x02;
    reply[3] = 0x02;
    reply[4] = 91;
    std::memcpy(&reply[8], vendor, std::min<size_t>(8, std::strlen(vendor)));
    std::memcpy(&reply[16], product, std::min<size_t>(16, std::strlen(product)));
    std::memcpy(&reply[32], "1.00", 4);
    return reply;
}

TEST_F(SgBackend, SourceDiscoveryAcceptsAScannerAndRejectsGarbageInquiryData) {
    std::vector<uint8_t> noise(96);
    for (size_t i = 0; i < noise.size(); ++i) noise[i] = static_cast<uint8_t>(i * 37 + 11);
    noise[0] = 0x06;
    std::vector<uint8_t> noisyProduct = InquiryReply("T.S.E.  ", "");
    for (size_t i = 16; i < 32; ++i) noisyProduct[i] = static_cast<uint8_t>(0x80 + i);
    noisyProduct[20] = 0;  // a NUL inside the product identification
    struct Case {
        const char* what;
        std::vector<uint8_t> reply;
        size_t delivered;  // bytes the device sends; the rest is residue
        int found;
        const char* model;
    };
    const Case cases[] = {
        {"a scanner", InquiryReply("T.S.E.  ", "ZR-DX961s"), 96, 1, "ZR-DX961s"},
        {"a short reply", InquiryReply("T.S.E.  ", "ZR-DX961s"), 36, 1, "ZR-DX961s"},
        {"noise", noise, 96, 0, ""},
        {"a product that is no model", noisyProduct, 96, 0, ""},
        {"five bytes", InquiryReply("T.S.E.  ", "ZR-DX961s"), 5, 0, ""},
        {"nothing", {}, 0, 0, ""},
    };
    for (const Case& c : cases) {
        kernel.sgIo = [&](sg_io_hdr& header) {
            const size_t length = std::min<size_t>(c.delivered, header.dxfer_len);
            if (length > 0) std::memcpy(header.dxferp, c.reply.data(), length);
            header.resid = static_cast<int>(header.dxfer_len - length);
            return 0;
        };
        passthrough::AspiManager* discovery =
            passthrough::CreateAspiManager(passthrough::SgBackend(&kFakeCalls),
                                           passthrough::PosixOsServices(), passthrough::ManagerConfig{});
        ASSERT_TRUE(fake_passthrough::InstallInProcessManager(discovery));
        plat::host::ClearRecordedMessageBoxes();
        ResetDiscoveryState();
        EXPECT_EQ(DiscoverScanner(), c.found) << c.what;
        if (c.found == 1) {
            EXPECT_EQ(ScsiTarget, 5) << c.what;
            EXPECT_STREQ(ModelName, c.model) << c.what;
            EXPECT_EQ(plat::host::MessageBoxCount(), 0u) << c.what;
        } else {
            ASSERT_EQ(plat::host::MessageBoxCount(), 1u) << c.what;
            EXPECT_STREQ(plat::host::RecordedMessageBoxAt(0)->text, "No Target Device !!") << c.what;
        }
        UnloadAspi();
        EXPECT_TRUE(passthrough::DestroyAspiManager(discovery, 2000));
    }
}

// The built wnaspi32.so over the real system calls: whatever devices this
// machine has, its answers agree with each other, and it unloads cleanly.
TEST(SgModule, BuiltModuleAnswersOverThisMachinesSystem) {
    char self[4096];
    const ssize_t length = readlink("/proc/self/exe", self, sizeof self - 1);
    ASSERT_GT(length, 0);
    std::string path(self, static_cast<size_t>(length));
    path = path.substr(0, path.rfind('/')) + "/passthrough/wnaspi32.so";
    void* module = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(module, nullptr) << dlerror();
    auto supportInfo =
        reinterpret_cast<GetASPI32SupportInfoProc>(dlsym(module, "GetASPI32SupportInfo"));
    auto send = reinterpret_cast<SendASPI32CommandProc>(dlsym(module, "SendASPI32Command"));
    ASSERT_NE(supportInfo, nullptr);
    ASSERT_NE(send, nullptr);
    const uint32_t info = supportInfo();
    const uint8_t status = static_cast<uint8_t>(info >> 8);
    const uint8_t count = static_cast<uint8_t>(info);
    EXPECT_TRUE((status == SS_COMP && count > 0) || (status == SS_NO_ADAPTERS && count == 0) ||
                (status == SS_FAILED_INIT && count == 0))
        << std::hex << info;
    EXPECT_EQ(send(nullptr), SS_INVALID_SRB);
    SRB_HAInquiry inquiry{};
    inquiry.SRB_Cmd = SC_HA_INQUIRY;
    inquiry.SRB_HaId = count;  // one past the last adapter
    EXPECT_EQ(send(&inquiry), status == SS_COMP ? SS_INVALID_HA : status);
    EXPECT_EQ(dlclose(module), 0);
}

}  // namespace
