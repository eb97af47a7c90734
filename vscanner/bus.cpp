// The virtual SCSI bus and the checks every request passes before a device
// sees it.
#include "vscanner/bus.h"

#include <cstring>
#include <memory>
#include <vector>

#include "vscanner/command_log.h"

namespace vscan {

namespace {

constexpr uint8_t kHaStatusOk = 0x00;
constexpr uint8_t kHaStatusDataOverrun = 0x12;
constexpr uint8_t kHaStatusPhaseError = 0x14;
constexpr uint32_t kMaxTransferLength = 0x00100000;

Scenario gScenario;
std::vector<std::unique_ptr<VirtualDevice>> gDevices;

bool ValidCdbLength(uint8_t length) { return length == 6 || length == 10 || length == 12; }

void LogRequest(const SRB_ExecSCSICmd& request, const ScsiExchange* exchange,
                const std::vector<uint8_t>& dataOut, uint8_t status) {
    LoggedCommand entry;
    entry.adapter = request.SRB_HaId;
    entry.target = request.SRB_Target;
    entry.lun = request.SRB_Lun;
    const uint8_t cdbLength = request.SRB_CDBLen <= 16 ? request.SRB_CDBLen : 16;
    entry.cdb.assign(request.CDBByte, request.CDBByte + cdbLength);
    entry.dataOut = dataOut;
    entry.aspiStatus = status;
    if (exchange != nullptr) {
        entry.bytesIn = exchange->bytesIn;
        entry.targetStatus = exchange->targetStatus;
        if (exchange->targetStatus == STATUS_CHKCOND) {
            entry.senseKey = exchange->sense[2];
            entry.asc = exchange->sense[12];
            entry.ascq = exchange->sense[13];
        }
    }
    AppendLoggedCommand(entry);
}

}  // namespace

void InstallBus(const Scenario& scenario) {
    gScenario = scenario;
    gDevices.clear();
    for (const DeviceSetup& setup : scenario.devices) {
        auto device = std::make_unique<VirtualDevice>();
        InitDevice(*device, setup);
        gDevices.push_back(std::move(device));
    }
    SetCommandLogFile(scenario.logFile);
}

const Scenario& InstalledScenario() { return gScenario; }

uint8_t BusAdapterCount() { return gScenario.adapterCount; }

VirtualDevice* FindDevice(uint8_t adapter, uint8_t target) {
    for (auto& device : gDevices) {
        if (device->setup.adapter == adapter && device->setup.target == target) return device.get();
    }
    return nullptr;
}

uint8_t RunExecScsi(SRB_ExecSCSICmd& request) {
    request.SRB_HaStat = kHaStatusOk;
    request.SRB_TargStat = STATUS_GOOD;
    if (request.SRB_HaId >= BusAdapterCount()) return SS_INVALID_HA;
    if (!ValidCdbLength(request.SRB_CDBLen) ||
        (request.SRB_BufLen > 0 && request.SRB_BufPointer == nullptr)) {
        LogRequest(request, nullptr, {}, SS_INVALID_SRB);
        return SS_INVALID_SRB;
    }
    VirtualDevice* device =
        request.SRB_Target < kTargetsPerAdapter ? FindDevice(request.SRB_HaId, request.SRB_Target)
                                                : nullptr;
    if (device == nullptr || !device->present || request.SRB_Lun != 0) {
        LogRequest(request, nullptr, {}, SS_NO_DEVICE);
        return SS_NO_DEVICE;
    }

    const DataPhase phase = DataPhaseOf(request.CDBByte);
    const uint8_t direction = request.SRB_Flags & (SRB_DIR_IN | SRB_DIR_OUT);
    const bool eitherWay = direction == 0 || direction == (SRB_DIR_IN | SRB_DIR_OUT);
    std::vector<uint8_t> dataOut;
    if (phase.length > 0) {
        const uint8_t wanted = phase.direction == DataDirection::In ? SRB_DIR_IN : SRB_DIR_OUT;
        if (!eitherWay && direction != wanted) {
            request.SRB_HaStat = kHaStatusPhaseError;
            LogRequest(request, nullptr, {}, SS_ERR);
            return SS_ERR;
        }
        if (phase.length > request.SRB_BufLen || phase.length > kMaxTransferLength) {
            request.SRB_HaStat = kHaStatusDataOverrun;
            LogRequest(request, nullptr, {}, SS_ERR);
            return SS_ERR;
        }
        if (phase.direction == DataDirection::Out)
            dataOut.assign(request.SRB_BufPointer, request.SRB_BufPointer + phase.length);
    }

    ScsiExchange exchange;
    exchange.cdb = request.CDBByte;
    exchange.cdbLength = request.SRB_CDBLen;
    exchange.buffer = request.SRB_BufPointer;
    exchange.bufferLength = request.SRB_BufLen;
    ExecuteCommand(*device, exchange);
    if (exchange.deviceGone) {
        LogRequest(request, nullptr, dataOut, SS_NO_DEVICE);
        return SS_NO_DEVICE;
    }
    request.SRB_TargStat = exchange.targetStatus;
    if ((request.SRB_Flags & SRB_ENABLE_RESIDUAL_COUNT) != 0 && phase.direction == DataDirection::In)
        request.SRB_BufLen = phase.length - exchange.bytesIn;
    uint8_t status = SS_COMP;
    if (exchange.targetStatus == STATUS_CHKCOND) {
        const size_t senseRoom = sizeof request.SenseArea;
        const size_t count = request.SRB_SenseLen < senseRoom ? request.SRB_SenseLen : senseRoom;
        std::memcpy(request.SenseArea, exchange.sense, count < kSenseBytes ? count : kSenseBytes);
        status = SS_ERR;
    }
    LogRequest(request, &exchange, dataOut, status);
    return status;
}

uint8_t RunHostAdapterInquiry(SRB_HAInquiry& request) {
    if (request.SRB_HaId >= BusAdapterCount()) return SS_INVALID_HA;
    request.HA_Count = BusAdapterCount();
    request.HA_SCSI_ID = kAdapterScsiId;
    std::memset(request.HA_ManagerId, ' ', sizeof request.HA_ManagerId);
    std::memcpy(request.HA_ManagerId, "ASPI for WIN32", 14);
    std::memset(request.HA_Identifier, ' ', sizeof request.HA_Identifier);
    std::memcpy(request.HA_Identifier, "KORVEX VSCSI", 12);
    std::memset(request.HA_Unique, 0, sizeof request.HA_Unique);
    request.HA_Unique[2] = 0x02;  // bit 1: residual byte counts supported
    request.HA_Unique[3] = kTargetsPerAdapter;
    request.HA_Unique[4] = static_cast<uint8_t>(kMaxTransferLength);
    request.HA_Unique[5] = static_cast<uint8_t>(kMaxTransferLength >> 8);
    request.HA_Unique[6] = static_cast<uint8_t>(kMaxTransferLength >> 16);
    request.HA_Unique[7] = static_cast<uint8_t>(kMaxTransferLength >> 24);
    return SS_COMP;
}

uint8_t RunGetDeviceType(SRB_GDEVBlock& request) {
    if (request.SRB_HaId >= BusAdapterCount()) return SS_INVALID_HA;
    VirtualDevice* device =
        request.SRB_Target < kTargetsPerAdapter ? FindDevice(request.SRB_HaId, request.SRB_Target)
                                                : nullptr;
    if (device == nullptr || !device->present || request.SRB_Lun != 0) return SS_NO_DEVICE;
    switch (device->setup.kind) {
        case DeviceKind::Scanner: request.SRB_DeviceType = 0x06; break;
        case DeviceKind::Disk: request.SRB_DeviceType = 0x00; break;
        case DeviceKind::CdRom: request.SRB_DeviceType = 0x05; break;
    }
    return SS_COMP;
}

uint8_t RunResetDevice(SRB_ExecSCSICmd& request) {
    if (request.SRB_HaId >= BusAdapterCount()) return SS_INVALID_HA;
    VirtualDevice* device =
        request.SRB_Target < kTargetsPerAdapter ? FindDevice(request.SRB_HaId, request.SRB_Target)
                                                : nullptr;
    if (device == nullptr || !device->present) return SS_NO_DEVICE;
    DropWindows(device->scanner);
    std::memset(device->scanner.lastSense, 0, sizeof device->scanner.lastSense);
    return SS_COMP;
}

}  // namespace vscan
