// The ASPI front of the virtual scanner: the two entry points, the checks of a
// request's command code, delayed completion with a background worker, and
// abort. Once a request's status is posted the manager never touches it again.
#include <algorithm>
#include <atomic>
#include <vector>

#include "vscanner/bus.h"
#include "vscanner/vs_os.h"
#include "vscanner/vscanner.h"

namespace vscan {

namespace {

struct PendingRequest {
    SRB_ExecSCSICmd* request;
    uint64_t due;
};

std::vector<PendingRequest> gPending;
bool gWorkerRunning = false;  // a worker thread serves gPending; guarded by the bus lock

using PostRoutine = void(ASPI_CALL*)(void*);

// Sets the status last, with release order, then calls the posting routine
// read beforehand: after the store the request belongs to the caller again.
void PostStatus(SRB_ExecSCSICmd& request, uint8_t status) {
    const bool posting = (request.SRB_Flags & SRB_POSTING) != 0;
    PostRoutine routine = reinterpret_cast<PostRoutine>(request.SRB_PostProc);
    void* address = &request;
    std::atomic_ref<uint8_t>(request.SRB_Status).store(status, std::memory_order_release);
    if (posting && routine != nullptr) routine(address);
}

void CompleteDueRequests() {
    const uint64_t now = MonotonicMilliseconds();
    while (!gPending.empty() && gPending.front().due <= now) {
        SRB_ExecSCSICmd* request = gPending.front().request;
        gPending.erase(gPending.begin());
        PostStatus(*request, RunExecScsi(*request));
    }
}

// Completes requests as they fall due and ends when none is left, so that no
// thread outlives the requests (a module unloaded later finds none running).
void WorkerBody() {
    while (!WorkerShouldStop()) {
        {
            BusLockGuard guard;
            CompleteDueRequests();
            if (gPending.empty()) {
                gWorkerRunning = false;
                return;
            }
        }
        SleepMilliseconds(1);
    }
    BusLockGuard guard;
    gWorkerRunning = false;
}

uint8_t Abort(SRB_Abort& abort) {
    auto* target = static_cast<SRB_ExecSCSICmd*>(abort.SRB_ToAbort);
    auto found = std::find_if(gPending.begin(), gPending.end(),
                              [target](const PendingRequest& p) { return p.request == target; });
    if (target == nullptr || found == gPending.end()) return SS_ABORT_FAIL;
    gPending.erase(found);
    target->SRB_HaStat = 0;
    target->SRB_TargStat = 0;
    PostStatus(*target, SS_ABORTED);
    return SS_COMP;
}

uint8_t ManagerStatus() {
    switch (InstalledScenario().state) {
        case ManagerState::NotInitialised: return SS_FAILED_INIT;
        case ManagerState::NoAdapters: return SS_NO_ADAPTERS;
        case ManagerState::Ready: break;
    }
    return BusAdapterCount() == 0 ? SS_NO_ADAPTERS : SS_COMP;
}

}  // namespace

void InstallScenario(const Scenario& scenario) {
    BusLockGuard guard;
    // Requests of the old bus end as aborted, so that no caller polls forever.
    std::vector<PendingRequest> dropped;
    dropped.swap(gPending);
    for (const PendingRequest& pending : dropped) PostStatus(*pending.request, SS_ABORTED);
    InstallBus(scenario);
    ClearCommandLog();
}

uint32_t ASPI_CALL VsGetASPI32SupportInfo() {
    BusLockGuard guard;
    return static_cast<uint32_t>(ManagerStatus()) << 8 | BusAdapterCount();
}

uint32_t ASPI_CALL VsSendASPI32Command(void* request) {
    if (request == nullptr) return SS_INVALID_SRB;
    BusLockGuard guard;
    auto* header = static_cast<SRB_Header*>(request);
    if (ManagerStatus() != SS_COMP) {
        header->SRB_Status = ManagerStatus();
        return header->SRB_Status;
    }
    uint8_t status = SS_INVALID_CMD;
    switch (header->SRB_Cmd) {
        case SC_HA_INQUIRY:
            status = RunHostAdapterInquiry(*static_cast<SRB_HAInquiry*>(request));
            break;
        case SC_GET_DEV_TYPE:
            status = RunGetDeviceType(*static_cast<SRB_GDEVBlock*>(request));
            break;
        case SC_ABORT_SRB: status = Abort(*static_cast<SRB_Abort*>(request)); break;
        case SC_RESET_DEV: status = RunResetDevice(*static_cast<SRB_ExecSCSICmd*>(request)); break;
        case SC_EXEC_SCSI_CMD: {
            auto& exec = *static_cast<SRB_ExecSCSICmd*>(request);
            const uint32_t delay = InstalledScenario().delayMs;
            if (delay > 0 || !gPending.empty()) {
                exec.SRB_Status = SS_PENDING;
                gPending.push_back(PendingRequest{&exec, MonotonicMilliseconds() + delay});
                if (!gWorkerRunning) {
                    gWorkerRunning = true;
                    StartWorkerThread(WorkerBody);
                }
                return SS_PENDING;
            }
            status = RunExecScsi(exec);
            PostStatus(exec, status);
            return status;
        }
        default: break;
    }
    header->SRB_Status = status;
    return status;
}

AspiEntryPoints GetAspiEntryPoints() { return {VsGetASPI32SupportInfo, VsSendASPI32Command}; }

void* LookupAspiSymbol(const char* name) {
    if (name == nullptr) return nullptr;
    const std::string wanted = name;
    if (wanted == "GetASPI32SupportInfo") return reinterpret_cast<void*>(&VsGetASPI32SupportInfo);
    if (wanted == "SendASPI32Command") return reinterpret_cast<void*>(&VsSendASPI32Command);
    return nullptr;
}

size_t PendingRequestCount() {
    BusLockGuard guard;
    return gPending.size();
}

std::optional<VirtualDevice> DeviceSnapshot(uint8_t adapter, uint8_t target) {
    BusLockGuard guard;
    if (VirtualDevice* device = FindDevice(adapter, target)) return *device;
    return std::nullopt;
}

std::vector<uint8_t> ExpectedPage(const std::string& model, const WindowState& window,
                                  uint32_t sheet, const SheetSetup& sheetSetup, uint8_t side) {
    VirtualDevice device;
    DeviceSetup setup;
    setup.model = model;
    InitDevice(device, setup);
    return SynthesizePage(
        PageForWindow(device.scanner, window, FedSheet{sheetSetup, sheet}, side));
}

std::vector<uint8_t> ExpectedPage(const VirtualDevice& device, uint8_t side) {
    const ScannerRuntime& scanner = device.scanner;
    return SynthesizePage(PageForWindow(scanner, scanner.windows[side == 0x80 ? 1 : 0],
                                        scanner.feeder.transport, side, device.setup.repeatPages));
}

}  // namespace vscan
