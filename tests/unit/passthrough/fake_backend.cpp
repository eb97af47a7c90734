// The scripted back end and the deterministic operating-system services.
#include "tests/unit/passthrough/fake_backend.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace fake_passthrough {

struct SystemCalls {
    static FakeSystem& Of(void* context) { return *static_cast<FakeSystem*>(context); }
    static bool StartThread(void* context, ThreadRole role, void (*body)(void*), void* argument) {
        FakeSystem& system = Of(context);
        if (system.refuseThreads) return false;
        system.threads_.push_back({role, body, argument});
        return true;
    }
    static void Lock(void* context) {
        FakeSystem& system = Of(context);
        system.maxLockDepth = std::max(system.maxLockDepth, ++system.lockDepth);
    }
    static void Unlock(void* context) { --Of(context).lockDepth; }
    static uint64_t Now(void* context) { return Of(context).now; }
    static void Sleep(void* context, uint32_t milliseconds) { Of(context).now += milliseconds; }
    static void Signal(void* context, void* event) { Of(context).signalledEvents.push_back(event); }
};

passthrough::OsServices FakeSystem::Services() {
    return {this,
            SystemCalls::StartThread,
            SystemCalls::Lock,
            SystemCalls::Unlock,
            SystemCalls::Now,
            SystemCalls::Sleep,
            eventSupport ? SystemCalls::Signal : nullptr};
}

void FakeSystem::Run(ThreadRole role) {
    for (;;) {
        auto found = std::find_if(threads_.begin(), threads_.end(),
                                  [role](const Thread& t) { return t.role == role; });
        if (found == threads_.end()) return;
        const Thread thread = *found;
        threads_.erase(found);
        thread.body(thread.argument);
    }
}

void FakeSystem::RunAll() {
    while (!threads_.empty()) {
        Run(ThreadRole::AdapterWorker);
        Run(ThreadRole::Watchdog);
    }
}

size_t FakeSystem::Waiting(ThreadRole role) const {
    return static_cast<size_t>(std::count_if(threads_.begin(), threads_.end(),
                                             [role](const Thread& t) { return t.role == role; }));
}

Answer CheckCondition(std::vector<uint8_t> sense) {
    Answer answer;
    answer.scsiStatus = STATUS_CHKCOND;
    answer.sense = std::move(sense);
    return answer;
}

namespace {

FakeBackend& Of(void* context) { return *static_cast<FakeBackend*>(context); }

int32_t Enumerate(void* context, DeviceEntry* entries, uint32_t capacity) {
    FakeBackend& backend = Of(context);
    if (backend.enumerateFailure != 0) return -1;
    const size_t count = std::min<size_t>(capacity, backend.devices.size());
    std::copy_n(backend.devices.begin(), count, entries);
    return static_cast<int32_t>(count);
}

bool Open(void* context, const DeviceEntry& entry, passthrough::DeviceHandle* handle) {
    FakeBackend& backend = Of(context);
    const std::string node = entry.node;
    if (std::find(backend.refusedNodes.begin(), backend.refusedNodes.end(), node) !=
        backend.refusedNodes.end())
        return false;
    backend.opened.push_back(node);
    *handle = static_cast<passthrough::DeviceHandle>(backend.opened.size());
    return true;
}

void Execute(void* context, passthrough::DeviceHandle, const passthrough::ScsiExchange& exchange,
             passthrough::ScsiOutcome& outcome) {
    FakeBackend& backend = Of(context);
    Exchange recorded{std::vector<uint8_t>(exchange.cdb, exchange.cdb + exchange.cdbLength),
                      exchange.direction,
                      exchange.dataLength,
                      {},
                      exchange.senseCapacity,
                      exchange.timeoutMs};
    if (exchange.direction == DataDirection::Out)
        recorded.dataOut.assign(exchange.data, exchange.data + exchange.dataLength);
    backend.exchanges.push_back(recorded);
    Answer answer;
    if (!backend.answers.empty()) {
        answer = backend.answers.front();
        backend.answers.pop_front();
    }
    if (answer.during) answer.during();
    uint32_t moved = 0;
    if (exchange.direction == DataDirection::In) {
        moved = static_cast<uint32_t>(std::min<size_t>(answer.reply.size(), exchange.dataLength));
        std::copy_n(answer.reply.begin(), moved, exchange.data);
    } else if (exchange.direction == DataDirection::Out) {
        moved = exchange.dataLength;
    }
    const size_t senseBytes = std::min<size_t>(answer.sense.size(), exchange.senseCapacity);
    std::copy_n(answer.sense.begin(), senseBytes, exchange.sense);
    outcome.transport = answer.transport;
    outcome.scsiStatus = answer.scsiStatus;
    outcome.residual = answer.residual >= 0 ? static_cast<uint32_t>(answer.residual)
                                            : exchange.dataLength - moved;
    outcome.senseLength = static_cast<uint8_t>(senseBytes);
}

TransportStatus Reset(void* context, passthrough::DeviceHandle) {
    FakeBackend& backend = Of(context);
    const size_t index = backend.resets++;
    return index < backend.resetAnswers.size() ? backend.resetAnswers[index] : TransportStatus::Ok;
}

void Close(void* context, passthrough::DeviceHandle) { ++Of(context).closes; }

}  // namespace

passthrough::BackendOps FakeBackend::Ops() { return {this, Enumerate, Open, Execute, Reset, Close}; }

void FakeBackend::AddDevice(uint32_t host, uint32_t channel, uint32_t id, uint32_t lun, uint8_t type,
                            const char* adapterName) {
    DeviceEntry entry{};
    entry.address = {host, channel, id, lun};
    entry.deviceType = type;
    entry.adapterScsiId = 7;
    std::snprintf(entry.node, sizeof entry.node, "node-%u:%u:%u:%u", host, channel, id, lun);
    std::snprintf(entry.adapterName, sizeof entry.adapterName, "%s", adapterName);
    devices.push_back(entry);
}

passthrough::ManagerConfig TestConfig() {
    passthrough::ManagerConfig config;
    config.requestTimeoutMs = 100;
    config.watchdogGraceMs = 50;
    config.watchdogPeriodMs = 10;
    config.maxTransferLength = 65536;
    return config;
}

SRB_ExecSCSICmd ExecBlock(uint8_t adapter, uint8_t target, uint8_t flags, std::vector<uint8_t> cdb,
                          uint8_t* buffer, uint32_t length) {
    SRB_ExecSCSICmd block;
    std::memset(&block, 0, sizeof block);
    block.SRB_Cmd = SC_EXEC_SCSI_CMD;
    block.SRB_HaId = adapter;
    block.SRB_Flags = flags;
    block.SRB_Target = target;
    block.SRB_BufLen = length;
    block.SRB_BufPointer = buffer;
    block.SRB_SenseLen = SENSE_LEN;
    block.SRB_CDBLen = static_cast<uint8_t>(cdb.size());
    std::copy(cdb.begin(), cdb.end(), block.CDBByte);
    return block;
}

}  // namespace fake_passthrough
