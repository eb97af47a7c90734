// The ASPI translation core: the device and adapter tables built from a back
// end's enumeration, the checks of each request, the per-adapter queues and
// their workers, the watchdog, abort, and the mapping of a back end's outcome
// to SRB_Status, SRB_HaStat and SRB_TargStat. Depends on no operating-system
// header: threads, the lock and the clock come from OsServices.
#include "passthrough/core/aspi_manager.h"

#include <atomic>
#include <cstdlib>
#include <cstring>

#include "scanner/aspi_defs.h"

namespace passthrough {

namespace {

constexpr uint32_t kMaxDevices = 256;
constexpr uint32_t kMaxAdapters = 255;  // the count travels in 8 bits
constexpr uint8_t kMinTargets = 8;
constexpr uint8_t kSenseCapacity = 255;
constexpr uint8_t kResidualSupported = 0x02;  // HA_Unique byte 2, bit 1
constexpr const char kManagerId[] = "ASPI for WIN32";

// What a back end's transport status becomes in the request block. A target
// that answered (Ok) ends SS_COMP only with status GOOD, else SS_ERR.
struct TransportRow {
    TransportStatus transport;
    uint8_t srbStatus;
    uint8_t haStatus;
};
// transport                          SRB_Status       SRB_HaStat
constexpr TransportRow kTransportTable[] = {
    {TransportStatus::Ok,               SS_COMP,         HASTAT_OK},
    {TransportStatus::SelectionTimeout, SS_ERR,          HASTAT_SEL_TO},
    {TransportStatus::DeviceGone,       SS_NO_DEVICE,    HASTAT_SEL_TO},
    {TransportStatus::Timeout,          SS_ERR,          HASTAT_COMMAND_TIMEOUT},
    {TransportStatus::Aborted,          SS_ABORTED,      HASTAT_OK},
    {TransportStatus::BusReset,         SS_ERR,          HASTAT_BUS_RESET},
    {TransportStatus::Busy,             SS_ASPI_IS_BUSY, HASTAT_OK},
    {TransportStatus::DataOverrun,      SS_ERR,          HASTAT_DO_DU},
    {TransportStatus::PhaseError,       SS_ERR,          HASTAT_PHASE_ERR},
    {TransportStatus::ParityError,      SS_ERR,          HASTAT_PARITY_ERROR},
    {TransportStatus::HostError,        SS_ERR,          HASTAT_BUS_FREE},
};

static_assert(sizeof kTransportTable / sizeof kTransportTable[0] ==
                  static_cast<size_t>(TransportStatus::HostError) + 1,
              "one row per transport status");

// A value the table does not know (a faulty back end) counts as a host error,
// the last row.
const TransportRow& RowOf(TransportStatus transport) {
    for (const TransportRow& row : kTransportTable) {
        if (row.transport == transport) return row;
    }
    return kTransportTable[sizeof kTransportTable / sizeof kTransportTable[0] - 1];
}

enum class JobKind : uint8_t { Execute, Reset };

// One accepted SC_EXEC_SCSI_CMD or SC_RESET_DEV. `request` is the caller's
// block until its status is posted, then null: a worker still carrying out an
// abandoned job writes only into the job's own copies.
struct Job {
    JobKind kind;
    SRB_ExecSCSICmd* request;
    uint32_t device;  // index into the device table
    uint8_t flags;
    void* postProc;
    uint8_t callerSenseLength;
    uint8_t* callerBuffer;
    uint64_t deadline;
    uint8_t cdb[16];
    uint8_t sense[kSenseCapacity];
    uint8_t* data;  // the private copy of the data area; null without data
    ScsiExchange exchange;
    ScsiOutcome outcome;
    bool openFailed;
    Job* next;
};

struct DeviceSlot {
    DeviceEntry entry;
    uint8_t adapter;
    uint8_t target;
    uint8_t lun;
    bool opened;
    bool gone;  // the device went away during a request; refused from then on
    DeviceHandle handle;
};

struct AdapterRecord {
    AspiManager* manager;
    uint32_t host;
    uint32_t channel;
    uint8_t scsiId;
    uint8_t targetCount;
    char name[kAdapterNameLength + 1];
    Job* queueHead;  // accepted, not yet started
    Job* queueTail;
    Job* running;    // the job the worker carries out now
    bool workerRunning;
};

enum class ManagerState : uint8_t { NotEnumerated, Ready, FailedInit };

// What is written into a finished block after its other fields: its status,
// then the client's posting routine or event.
struct Posting {
    void* request;
    uint8_t status;
    uint8_t flags;
    void* postProc;
};

}  // namespace

struct AspiManager {
    BackendOps backend;
    OsServices os;
    ManagerConfig config;
    ManagerState state;
    uint32_t deviceCount;
    uint32_t adapterCount;
    uint32_t runningThreads;  // workers and watchdog that have not ended
    bool watchdogRunning;
    DeviceSlot devices[kMaxDevices];
    AdapterRecord adapters[kMaxAdapters];
    DeviceEntry scratch[kMaxDevices];
};

namespace {

struct LockGuard {
    explicit LockGuard(AspiManager& manager) : os(manager.os) { os.lock(os.context); }
    ~LockGuard() { os.unlock(os.context); }
    LockGuard(const LockGuard&) = delete;
    LockGuard& operator=(const LockGuard&) = delete;
    const OsServices& os;
};

using PostRoutine = void(ASPI_CALL*)(void*);

// Stores the status with release order, so that a client that polls it sees
// the data, sense and statuses written before; the block is the client's
// again after the store and is not read.
void Post(const OsServices& os, const Posting& posting) {
    auto* header = static_cast<SRB_Header*>(posting.request);
    std::atomic_ref<uint8_t>(header->SRB_Status).store(posting.status, std::memory_order_release);
    if (posting.postProc == nullptr) return;
    if ((posting.flags & SRB_POSTING) != 0) {
        reinterpret_cast<PostRoutine>(posting.postProc)(posting.request);
    } else if ((posting.flags & SRB_EVENT_NOTIFY) != 0 && os.signalEvent != nullptr) {
        os.signalEvent(os.context, posting.postProc);
    }
}

void FreeJob(Job* job) {
    std::free(job->data);
    std::free(job);
}

// Ends a job that did not finish (aborted, timed out): its block gets only the
// statuses, and the job lets go of it.
Posting Abandon(Job& job, uint8_t status, uint8_t haStatus) {
    job.request->SRB_HaStat = haStatus;
    job.request->SRB_TargStat = STATUS_GOOD;
    Posting posting{job.request, status, job.flags, job.postProc};
    job.request = nullptr;
    return posting;
}

// Copies a finished job's results into its block, all but the status.
Posting Finish(Job& job) {
    SRB_ExecSCSICmd& request = *job.request;
    const ScsiOutcome& outcome = job.outcome;
    uint8_t status = SS_COMP;
    uint8_t haStatus = HASTAT_OK;
    uint8_t targetStatus = STATUS_GOOD;
    if (job.openFailed) {
        status = SS_NO_DEVICE;
    } else {
        const TransportRow& row = RowOf(outcome.transport);
        status = row.srbStatus;
        haStatus = row.haStatus;
        if (outcome.transport == TransportStatus::Ok) {
            targetStatus = outcome.scsiStatus;
            if (targetStatus != STATUS_GOOD) status = SS_ERR;
        }
    }
    if (job.kind == JobKind::Execute) {
        const uint32_t length = job.exchange.dataLength;
        const uint32_t residual = outcome.residual < length ? outcome.residual : length;
        if (job.exchange.direction == DataDirection::In && length - residual > 0) {
            std::memcpy(job.callerBuffer, job.data, length - residual);
        }
        if ((job.flags & SRB_ENABLE_RESIDUAL_COUNT) != 0) request.SRB_BufLen = residual;
        if (targetStatus == STATUS_CHKCOND) {
            // The sense area is SRB_SenseLen bytes long; nothing past it is written.
            const uint8_t senseBytes = outcome.senseLength < job.callerSenseLength
                                           ? outcome.senseLength
                                           : job.callerSenseLength;
            std::memset(request.SenseArea, 0, job.callerSenseLength);
            std::memcpy(request.SenseArea, job.sense, senseBytes);
            if (outcome.senseLength == 0) haStatus = HASTAT_REQUEST_SENSE_FAILED;
        }
    }
    request.SRB_HaStat = haStatus;
    request.SRB_TargStat = targetStatus;
    Posting posting{job.request, status, job.flags, job.postProc};
    job.request = nullptr;
    return posting;
}

bool Pending(const AdapterRecord& adapter) {
    return adapter.queueHead != nullptr ||
           (adapter.running != nullptr && adapter.running->request != nullptr);
}

// Takes `job` out of its adapter's queue; false when it is not queued there.
bool Unqueue(AdapterRecord& adapter, Job* job) {
    Job** link = &adapter.queueHead;
    Job* previous = nullptr;
    while (*link != nullptr && *link != job) {
        previous = *link;
        link = &(*link)->next;
    }
    if (*link == nullptr) return false;
    *link = job->next;
    if (adapter.queueTail == job) adapter.queueTail = previous;
    return true;
}

// Carries out one adapter's queue in order; ends when it is empty.
void AdapterWorker(void* argument) {
    AdapterRecord& adapter = *static_cast<AdapterRecord*>(argument);
    AspiManager& manager = *adapter.manager;
    for (;;) {
        Job* job = nullptr;
        DeviceSlot* device = nullptr;
        {
            LockGuard guard(manager);
            job = adapter.queueHead;
            if (job == nullptr) {
                adapter.workerRunning = false;
                --manager.runningThreads;
                return;
            }
            adapter.queueHead = job->next;
            if (adapter.queueHead == nullptr) adapter.queueTail = nullptr;
            adapter.running = job;
            device = &manager.devices[job->device];
        }
        // Only this worker opens or uses its adapter's devices while it runs;
        // the tables are rebuilt only when no thread runs.
        if (!device->opened && !device->gone) {
            DeviceHandle handle = 0;
            if (manager.backend.open(manager.backend.context, device->entry, &handle)) {
                device->handle = handle;
                device->opened = true;
            }
        }
        ScsiOutcome& outcome = job->outcome;
        outcome = ScsiOutcome{TransportStatus::HostError, STATUS_GOOD, job->exchange.dataLength, 0};
        if (device->gone) {
            outcome.transport = TransportStatus::DeviceGone;  // found gone by an earlier request
        } else if (!device->opened) {
            job->openFailed = true;
        } else if (job->kind == JobKind::Reset) {
            outcome.transport = manager.backend.reset != nullptr
                                    ? manager.backend.reset(manager.backend.context, device->handle)
                                    : TransportStatus::HostError;
        } else {
            manager.backend.execute(manager.backend.context, device->handle, job->exchange, outcome);
        }
        Posting posting{};
        {
            LockGuard guard(manager);
            if (outcome.transport == TransportStatus::DeviceGone) device->gone = true;
            adapter.running = nullptr;
            if (job->request != nullptr) posting = Finish(*job);
        }
        if (posting.request != nullptr) Post(manager.os, posting);
        FreeJob(job);
    }
}

// Ends requests past their deadline, one at a time; ends when none is pending.
void Watchdog(void* argument) {
    AspiManager& manager = *static_cast<AspiManager*>(argument);
    for (;;) {
        Posting posting{};
        Job* unqueued = nullptr;
        {
            LockGuard guard(manager);
            const uint64_t now = manager.os.monotonicMs(manager.os.context);
            bool pending = false;
            for (uint32_t a = 0; a < manager.adapterCount && posting.request == nullptr; ++a) {
                AdapterRecord& adapter = manager.adapters[a];
                pending = pending || Pending(adapter);
                Job* running = adapter.running;
                if (running != nullptr && running->request != nullptr && running->deadline <= now) {
                    posting = Abandon(*running, SS_ERR, HASTAT_COMMAND_TIMEOUT);
                    break;
                }
                for (Job* job = adapter.queueHead; job != nullptr; job = job->next) {
                    if (job->deadline > now) continue;
                    Unqueue(adapter, job);
                    posting = Abandon(*job, SS_ERR, HASTAT_TIMEOUT);
                    unqueued = job;
                    break;
                }
            }
            if (posting.request == nullptr && !pending) {
                manager.watchdogRunning = false;
                --manager.runningThreads;
                return;
            }
        }
        if (posting.request != nullptr) {
            Post(manager.os, posting);
            if (unqueued != nullptr) FreeJob(unqueued);
            continue;
        }
        manager.os.sleepMs(manager.os.context, manager.config.watchdogPeriodMs);
    }
}

// A worker runs while its adapter has requests queued or running; the
// watchdog touches no table but under the lock, so it may run on.
bool InFlight(const AspiManager& manager) {
    for (uint32_t a = 0; a < manager.adapterCount; ++a) {
        if (manager.adapters[a].workerRunning) return true;
    }
    return false;
}

void CloseDevices(AspiManager& manager) {
    for (uint32_t d = 0; d < manager.deviceCount; ++d) {
        DeviceSlot& device = manager.devices[d];
        if (device.opened) manager.backend.close(manager.backend.context, device.handle);
        device.opened = false;
    }
}

bool AddressBefore(const DeviceAddress& a, const DeviceAddress& b) {
    if (a.host != b.host) return a.host < b.host;
    if (a.channel != b.channel) return a.channel < b.channel;
    if (a.id != b.id) return a.id < b.id;
    return a.lun < b.lun;
}

// Builds the device and adapter tables afresh: adapters numbered from 0 in
// the order of (host, channel), devices in the order of (id, LUN) within them.
// Only called when no request is in flight.
void Enumerate(AspiManager& manager) {
    CloseDevices(manager);
    manager.deviceCount = 0;
    manager.adapterCount = 0;
    const int32_t found = manager.backend.enumerate(manager.backend.context, manager.scratch,
                                                    kMaxDevices);
    if (found < 0) {
        manager.state = ManagerState::FailedInit;
        return;
    }
    manager.state = ManagerState::Ready;
    const uint32_t count =
        static_cast<uint32_t>(found) < kMaxDevices ? static_cast<uint32_t>(found) : kMaxDevices;
    for (uint32_t i = 0; i < count; ++i) {
        const DeviceEntry& entry = manager.scratch[i];
        // ASPI names a target and a LUN in one byte each.
        if (entry.address.id > 0xFF || entry.address.lun > 0xFF) continue;
        uint32_t at = manager.deviceCount++;
        while (at > 0 && AddressBefore(entry.address, manager.devices[at - 1].entry.address)) {
            manager.devices[at] = manager.devices[at - 1];
            --at;
        }
        manager.devices[at] = DeviceSlot{};
        manager.devices[at].entry = entry;
        manager.devices[at].entry.node[kDeviceNodeLength - 1] = '\0';
        manager.devices[at].entry.adapterName[kAdapterNameLength] = '\0';
    }
    uint32_t kept = 0;
    for (uint32_t d = 0; d < manager.deviceCount; ++d) {
        DeviceSlot device = manager.devices[d];
        const DeviceAddress& address = device.entry.address;
        AdapterRecord* adapter =
            manager.adapterCount > 0 ? &manager.adapters[manager.adapterCount - 1] : nullptr;
        if (adapter == nullptr || adapter->host != address.host ||
            adapter->channel != address.channel) {
            if (manager.adapterCount == kMaxAdapters) continue;
            adapter = &manager.adapters[manager.adapterCount++];
            *adapter = AdapterRecord{};
            adapter->manager = &manager;
            adapter->host = address.host;
            adapter->channel = address.channel;
            adapter->scsiId = device.entry.adapterScsiId;
            adapter->targetCount = kMinTargets;
            static_assert(sizeof adapter->name == sizeof device.entry.adapterName);
            std::memcpy(adapter->name, device.entry.adapterName, sizeof adapter->name);
        }
        if (address.id >= adapter->targetCount) {
            adapter->targetCount = static_cast<uint8_t>(address.id < 0xFF ? address.id + 1 : 0xFF);
        }
        device.adapter = static_cast<uint8_t>(manager.adapterCount - 1);
        device.target = static_cast<uint8_t>(address.id);
        device.lun = static_cast<uint8_t>(address.lun);
        manager.devices[kept++] = device;
    }
    manager.deviceCount = kept;
}

uint8_t ManagerStatus(const AspiManager& manager) {
    if (manager.state == ManagerState::FailedInit) return SS_FAILED_INIT;
    return manager.adapterCount == 0 ? SS_NO_ADAPTERS : SS_COMP;
}

// The index of the device at (adapter, target, LUN), or kMaxDevices.
uint32_t FindDevice(const AspiManager& manager, uint8_t adapter, uint8_t target, uint8_t lun) {
    for (uint32_t d = 0; d < manager.deviceCount; ++d) {
        const DeviceSlot& device = manager.devices[d];
        if (device.adapter == adapter && device.target == target && device.lun == lun) return d;
    }
    return kMaxDevices;
}

void FillBlanks(uint8_t* field, uint32_t size, const char* text) {
    std::memset(field, ' ', size);
    const size_t length = std::strlen(text);
    std::memcpy(field, text, length < size ? length : size);
}

uint8_t HostAdapterInquiry(const AspiManager& manager, SRB_HAInquiry& request) {
    if (request.SRB_HaId >= manager.adapterCount) return SS_INVALID_HA;
    const AdapterRecord& adapter = manager.adapters[request.SRB_HaId];
    request.HA_Count = static_cast<uint8_t>(manager.adapterCount);
    request.HA_SCSI_ID = adapter.scsiId;
    FillBlanks(request.HA_ManagerId, sizeof request.HA_ManagerId, kManagerId);
    FillBlanks(request.HA_Identifier, sizeof request.HA_Identifier, adapter.name);
    std::memset(request.HA_Unique, 0, sizeof request.HA_Unique);
    request.HA_Unique[2] = kResidualSupported;
    request.HA_Unique[3] = adapter.targetCount;
    const uint32_t maxLength = manager.config.maxTransferLength;
    for (int i = 0; i < 4; ++i) request.HA_Unique[4 + i] = static_cast<uint8_t>(maxLength >> (8 * i));
    return SS_COMP;
}

uint8_t GetDeviceType(const AspiManager& manager, SRB_GDEVBlock& request) {
    if (request.SRB_HaId >= manager.adapterCount) return SS_INVALID_HA;
    const uint32_t d = FindDevice(manager, request.SRB_HaId, request.SRB_Target, request.SRB_Lun);
    if (d == kMaxDevices) return SS_NO_DEVICE;
    request.SRB_DeviceType = manager.devices[d].entry.deviceType;
    return SS_COMP;
}

bool ValidCdbLength(uint8_t length) {
    return length == 6 || length == 10 || length == 12 || length == 16;
}

// The checks of a request block that need no device, for SC_EXEC_SCSI_CMD
// and SC_RESET_DEV: SS_COMP when it may go on.
uint8_t CheckRequest(const AspiManager& manager, const SRB_ExecSCSICmd& request, JobKind kind) {
    if (request.SRB_HaId >= manager.adapterCount) return SS_INVALID_HA;
    const uint8_t flags = request.SRB_Flags;
    const bool posting = (flags & SRB_POSTING) != 0;
    const bool event = (flags & SRB_EVENT_NOTIFY) != 0;
    if ((posting || event) && request.SRB_PostProc == nullptr) return SS_INVALID_SRB;
    if (posting && event) return SS_INVALID_SRB;
    if (event && manager.os.signalEvent == nullptr) return SS_INVALID_SRB;
    if (kind == JobKind::Reset) return SS_COMP;
    if (!ValidCdbLength(request.SRB_CDBLen)) return SS_INVALID_SRB;
    const uint8_t direction = flags & (SRB_DIR_IN | SRB_DIR_OUT);
    if (direction == (SRB_DIR_IN | SRB_DIR_OUT)) return SS_INVALID_SRB;
    if (request.SRB_BufLen > 0) {
        // Without a direction the manager cannot know which way the data goes.
        if (request.SRB_BufPointer == nullptr || direction == 0) return SS_INVALID_SRB;
        if (request.SRB_BufLen > manager.config.maxTransferLength) return SS_BUFFER_TO_BIG;
    }
    return SS_COMP;
}

Job* MakeJob(const AspiManager& manager, SRB_ExecSCSICmd& request, JobKind kind, uint32_t device) {
    auto* job = static_cast<Job*>(std::calloc(1, sizeof(Job)));
    if (job == nullptr) return nullptr;
    job->kind = kind;
    job->request = &request;
    job->device = device;
    job->flags = request.SRB_Flags;
    job->postProc = request.SRB_PostProc;
    job->deadline = manager.os.monotonicMs(manager.os.context) + manager.config.requestTimeoutMs +
                    manager.config.watchdogGraceMs;
    if (kind == JobKind::Reset) return job;
    const uint32_t length = request.SRB_BufLen;
    if (length > 0) {
        job->data = static_cast<uint8_t*>(std::calloc(length, 1));
        if (job->data == nullptr) {
            std::free(job);
            return nullptr;
        }
    }
    std::memcpy(job->cdb, request.CDBByte, sizeof job->cdb);
    job->callerSenseLength = request.SRB_SenseLen;
    job->callerBuffer = request.SRB_BufPointer;
    ScsiExchange& exchange = job->exchange;
    exchange.cdb = job->cdb;
    exchange.cdbLength = request.SRB_CDBLen;
    exchange.direction = length == 0 ? DataDirection::None
                         : (request.SRB_Flags & SRB_DIR_IN) != 0 ? DataDirection::In
                                                                 : DataDirection::Out;
    exchange.data = job->data;
    exchange.dataLength = length;
    if (exchange.direction == DataDirection::Out) {
        std::memcpy(job->data, request.SRB_BufPointer, length);
    }
    exchange.sense = job->sense;
    exchange.senseCapacity = kSenseCapacity;
    exchange.timeoutMs = manager.config.requestTimeoutMs;
    return job;
}

// Accepts an SC_EXEC_SCSI_CMD or SC_RESET_DEV into its adapter's queue.
uint8_t Submit(AspiManager& manager, SRB_ExecSCSICmd& request, JobKind kind) {
    const uint8_t checked = CheckRequest(manager, request, kind);
    if (checked != SS_COMP) return checked;
    const uint8_t lun = kind == JobKind::Execute ? request.SRB_Lun : 0;
    const uint32_t device = FindDevice(manager, request.SRB_HaId, request.SRB_Target, lun);
    if (device == kMaxDevices || manager.devices[device].gone) return SS_NO_DEVICE;
    Job* job = MakeJob(manager, request, kind, device);
    if (job == nullptr) return SS_ASPI_IS_BUSY;
    AdapterRecord& adapter = manager.adapters[request.SRB_HaId];
    if (!adapter.workerRunning) {
        if (!manager.os.startThread(manager.os.context, ThreadRole::AdapterWorker, AdapterWorker,
                                    &adapter)) {
            FreeJob(job);
            return SS_ASPI_IS_BUSY;
        }
        adapter.workerRunning = true;
        ++manager.runningThreads;
    }
    request.SRB_HaStat = HASTAT_OK;
    request.SRB_TargStat = STATUS_GOOD;
    request.SRB_Status = SS_PENDING;
    if (adapter.queueTail != nullptr) {
        adapter.queueTail->next = job;
    } else {
        adapter.queueHead = job;
    }
    adapter.queueTail = job;
    // Without a watchdog the request still runs, bounded by the back end's time-out.
    if (!manager.watchdogRunning &&
        manager.os.startThread(manager.os.context, ThreadRole::Watchdog, Watchdog, &manager)) {
        manager.watchdogRunning = true;
        ++manager.runningThreads;
    }
    return SS_PENDING;
}

// SC_ABORT_SRB: a request still queued or running ends as SS_ABORTED at once
// (a running one may still reach the device; its answer is dropped).
uint8_t Abort(AspiManager& manager, const SRB_Abort& abort, Posting& aborted, Job*& unqueued) {
    auto* target = static_cast<SRB_ExecSCSICmd*>(abort.SRB_ToAbort);
    if (target == nullptr) return SS_ABORT_FAIL;
    for (uint32_t a = 0; a < manager.adapterCount; ++a) {
        AdapterRecord& adapter = manager.adapters[a];
        if (adapter.running != nullptr && adapter.running->request == target) {
            aborted = Abandon(*adapter.running, SS_ABORTED, HASTAT_OK);
            return SS_COMP;
        }
        for (Job* job = adapter.queueHead; job != nullptr; job = job->next) {
            if (job->request != target) continue;
            Unqueue(adapter, job);
            aborted = Abandon(*job, SS_ABORTED, HASTAT_OK);
            unqueued = job;
            return SS_COMP;
        }
    }
    return SS_ABORT_FAIL;
}

}  // namespace

AspiManager* CreateAspiManager(const BackendOps& backend, const OsServices& os,
                               const ManagerConfig& config) {
    auto* manager = static_cast<AspiManager*>(std::calloc(1, sizeof(AspiManager)));
    if (manager == nullptr) return nullptr;
    manager->backend = backend;
    manager->os = os;
    manager->config = config;
    manager->state = ManagerState::NotEnumerated;
    return manager;
}

bool DestroyAspiManager(AspiManager* manager, uint32_t waitMs) {
    if (manager == nullptr) return true;
    for (;;) {
        Posting posting{};
        Job* unqueued = nullptr;
        {
            LockGuard guard(*manager);
            for (uint32_t a = 0; a < manager->adapterCount && posting.request == nullptr; ++a) {
                AdapterRecord& adapter = manager->adapters[a];
                if (adapter.running != nullptr && adapter.running->request != nullptr) {
                    posting = Abandon(*adapter.running, SS_ABORTED, HASTAT_OK);
                } else if (adapter.queueHead != nullptr) {
                    unqueued = adapter.queueHead;
                    Unqueue(adapter, unqueued);
                    posting = Abandon(*unqueued, SS_ABORTED, HASTAT_OK);
                }
            }
        }
        if (posting.request == nullptr) break;
        Post(manager->os, posting);
        if (unqueued != nullptr) FreeJob(unqueued);
    }
    for (uint32_t waited = 0;; ++waited) {
        {
            LockGuard guard(*manager);
            if (manager->runningThreads == 0) break;
        }
        if (waited >= waitMs) return false;
        manager->os.sleepMs(manager->os.context, 1);
    }
    CloseDevices(*manager);
    std::free(manager);
    return true;
}

uint32_t AspiSupportInfo(AspiManager* manager) {
    if (manager == nullptr) return static_cast<uint32_t>(SS_FAILED_INIT) << 8;
    LockGuard guard(*manager);
    if (!InFlight(*manager)) Enumerate(*manager);
    return static_cast<uint32_t>(ManagerStatus(*manager)) << 8 | manager->adapterCount;
}

uint32_t AspiSendCommand(AspiManager* manager, void* request) {
    if (request == nullptr) return SS_INVALID_SRB;
    auto* header = static_cast<SRB_Header*>(request);
    if (manager == nullptr) {
        header->SRB_Status = SS_FAILED_INIT;
        return SS_FAILED_INIT;
    }
    Posting aborted{};
    Job* unqueued = nullptr;
    uint8_t status = SS_INVALID_CMD;
    {
        LockGuard guard(*manager);
        if (manager->state == ManagerState::NotEnumerated) Enumerate(*manager);
        status = ManagerStatus(*manager);
        if (status == SS_COMP) {
            switch (header->SRB_Cmd) {
                case SC_HA_INQUIRY:
                    status = HostAdapterInquiry(*manager, *static_cast<SRB_HAInquiry*>(request));
                    break;
                case SC_GET_DEV_TYPE:
                    status = GetDeviceType(*manager, *static_cast<SRB_GDEVBlock*>(request));
                    break;
                case SC_EXEC_SCSI_CMD:
                case SC_RESET_DEV:
                    // The device reset block keeps the target, the statuses and the
                    // posting routine where the execute block has them.
                    status = Submit(*manager, *static_cast<SRB_ExecSCSICmd*>(request),
                                    header->SRB_Cmd == SC_RESET_DEV ? JobKind::Reset
                                                                    : JobKind::Execute);
                    if (status == SS_PENDING) return SS_PENDING;
                    break;
                case SC_ABORT_SRB:
                    status = Abort(*manager, *static_cast<SRB_Abort*>(request), aborted, unqueued);
                    break;
                default: status = SS_INVALID_CMD; break;
            }
        }
    }
    if (aborted.request != nullptr) Post(manager->os, aborted);
    if (unqueued != nullptr) FreeJob(unqueued);
    header->SRB_Status = status;
    return status;
}

}  // namespace passthrough
