// The SPTI back end over its table of Windows calls: the units of every
// storage port, opening one, carrying out one exchange with a pass-through
// request and reading how it went. No operating-system header: the calls are
// in the table, the records in spti_layout.h.
#include "passthrough/spti/spti_backend.h"

#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "passthrough/spti/spti_layout.h"

namespace passthrough {

namespace {

using namespace spti;

constexpr uint8_t kCheckCondition = 0x02;
// The reply of IOCTL_SCSI_GET_INQUIRY_DATA is read into this much room: a
// port with eight buses of sixteen targets of eight units fits.
constexpr uint32_t kInquiryReplyRoom = 65536;
// Room for sense data in every request: the largest SenseInfoLength there is,
// so that a port that writes all it may still writes into the request.
constexpr uint32_t kSenseRoom = 256;
// The data of a buffered request begin on a boundary the adapter accepts,
// counted from the start of the system's buffer: at least 16 bytes, up to a
// page (larger alignment masks are not honoured).
constexpr uint32_t kBufferedDataAlignment = 16;
constexpr uint32_t kLargestAlignment = 4096;

// What a failed pass-through request says about the exchange, by its Win32
// error. Any other error is a HostError.
struct ErrorMapping {
    uint32_t error;
    TransportStatus transport;
};
// Win32 error               transport status
constexpr ErrorMapping kErrorMappings[] = {
    {kErrorFileNotFound,       TransportStatus::DeviceGone},
    {kErrorInvalidHandle,      TransportStatus::DeviceGone},
    {kErrorDevNotExist,        TransportStatus::DeviceGone},
    {kErrorNoSuchDevice,       TransportStatus::DeviceGone},
    {kErrorDeviceNotConnected, TransportStatus::DeviceGone},
    {kErrorDeviceRemoved,      TransportStatus::DeviceGone},
    {kErrorSemTimeout,         TransportStatus::Timeout},
    {kErrorTimeout,            TransportStatus::Timeout},
    {kErrorOperationAborted,   TransportStatus::Aborted},
    {kErrorBusReset,           TransportStatus::BusReset},
    {kErrorBusy,               TransportStatus::Busy},
    {kErrorNotEnoughMemory,    TransportStatus::Busy},
    {kErrorNoSystemResources,  TransportStatus::Busy},
    {kErrorCrc,                TransportStatus::ParityError},
};

TransportStatus TransportOfError(uint32_t error) {
    for (const ErrorMapping& row : kErrorMappings) {
        if (row.error == error) return row.transport;
    }
    return TransportStatus::HostError;
}

const SptiSystemCalls& Calls(void* context) {
    return *static_cast<const SptiSystemCalls*>(context);
}

uint32_t ReadLe32(const uint8_t* bytes) {
    return uint32_t{bytes[0]} | uint32_t{bytes[1]} << 8 | uint32_t{bytes[2]} << 16 |
           uint32_t{bytes[3]} << 24;
}

void PortPath(uint32_t port, char (&path)[kDeviceNodeLength]) {
    std::snprintf(path, sizeof path, "\\\\.\\Scsi%u:", static_cast<unsigned>(port));
}

// The devices found so far, in the caller's array.
struct DeviceList {
    DeviceEntry* entries;
    uint32_t capacity;
    uint32_t count;
};

bool Listed(const DeviceList& list, const DeviceAddress& address) {
    for (uint32_t i = 0; i < list.count; ++i) {
        const DeviceAddress& other = list.entries[i].address;
        if (other.host == address.host && other.channel == address.channel &&
            other.id == address.id && other.lun == address.lun) {
            return true;
        }
    }
    return false;
}

// One SCSI_INQUIRY_DATA record whose INQUIRY data lie inside the port's
// answer. Units the port lists without a device behind them (peripheral
// qualifier 1 or 3) are left out. Units a class driver has claimed stay:
// whether their port passes requests on is the port's decision, and a
// refusal comes back as a host error.
void AddUnit(DeviceList& list, uint32_t port, uint8_t initiatorId, const uint8_t* record) {
    const uint8_t firstByte = record[kInquiryData];
    if ((firstByte >> 5) != 0) return;
    const DeviceAddress address{port, record[kInquiryPathId], record[kInquiryTargetId],
                                record[kInquiryLun]};
    if (list.count >= list.capacity || Listed(list, address)) return;
    DeviceEntry& entry = list.entries[list.count++];
    entry = DeviceEntry{};
    entry.address = address;
    entry.deviceType = static_cast<uint8_t>(firstByte & 0x1F);
    entry.adapterScsiId = initiatorId;
    PortPath(port, entry.node);
    std::snprintf(entry.adapterName, sizeof entry.adapterName, "SPTI Scsi%u:",
                  static_cast<unsigned>(port));
}

// Reads the reply of IOCTL_SCSI_GET_INQUIRY_DATA, `size` bytes, trusting no
// count, length or offset in it: a record that does not lie wholly inside the
// reply (its INQUIRY data included) ends its bus's chain, a record without
// INQUIRY data is passed over, and a chain ends after the number of units its
// bus announced, so a looping chain ends too.
void ParseInquiryReply(DeviceList& list, uint32_t port, const uint8_t* reply, uint32_t size) {
    if (size < kBusInfoBusDataOffset) return;
    const uint32_t buses = reply[0];
    for (uint32_t bus = 0; bus < buses; ++bus) {
        const uint32_t at = kBusInfoBusDataOffset + bus * kBusDataSize;
        if (at > size || size - at < kBusDataSize) break;
        const uint32_t units = reply[at + kBusDataLogicalUnits];
        const uint8_t initiatorId = reply[at + kBusDataInitiatorId];
        uint32_t offset = ReadLe32(reply + at + kBusDataInquiryOffset);
        for (uint32_t unit = 0; unit < units && offset != 0; ++unit) {
            if (offset > size || size - offset < kInquiryData) break;
            const uint8_t* record = reply + offset;
            const uint32_t inquiryLength = ReadLe32(record + kInquiryLength);
            if (inquiryLength > size - offset - kInquiryData) break;
            if (inquiryLength > 0) AddUnit(list, port, initiatorId, record);
            offset = ReadLe32(record + kInquiryNextOffset);
        }
    }
}

int32_t Enumerate(void* context, DeviceEntry* entries, uint32_t capacity) {
    const SptiSystemCalls& calls = Calls(context);
    auto* reply = static_cast<uint8_t*>(std::malloc(kInquiryReplyRoom));
    if (reply == nullptr) return -1;
    DeviceList list{entries, entries != nullptr ? capacity : 0, 0};
    for (uint32_t port = 0; port < kSptiMaxPorts; ++port) {
        char path[kDeviceNodeLength];
        PortPath(port, path);
        // A user who may not send commands to the port still sees its units;
        // opening one for requests then fails, and the core says so per device.
        uint32_t error = 0;
        intptr_t handle = calls.openPort(path, false, &error);
        if (handle == kNoPort && error == kErrorAccessDenied) {
            handle = calls.openPort(path, true, &error);
        }
        if (handle == kNoPort) continue;
        uint32_t returned = 0;
        if (calls.deviceIoControl(handle, kIoctlScsiGetInquiryData, nullptr, 0, reply,
                                  kInquiryReplyRoom, &returned, &error)) {
            ParseInquiryReply(list, port, reply,
                              returned < kInquiryReplyRoom ? returned : kInquiryReplyRoom);
        }
        calls.closeHandle(handle);
    }
    std::free(reply);
    return static_cast<int32_t>(list.count);
}

// An opened unit: its port's handle, its address on the port and what the
// adapter asks of a buffer it moves data into directly.
struct SptiDevice {
    intptr_t port;
    uint8_t pathId;
    uint8_t targetId;
    uint8_t lun;
    bool directAllowed;  // false when the adapter did not say its alignment
    uint32_t alignmentMask;
};

bool Open(void* context, const DeviceEntry& entry, DeviceHandle* handle) {
    const SptiSystemCalls& calls = Calls(context);
    uint32_t error = 0;
    const intptr_t port = calls.openPort(entry.node, false, &error);
    if (port == kNoPort) return false;
    auto* device = static_cast<SptiDevice*>(std::calloc(1, sizeof(SptiDevice)));
    if (device == nullptr) {
        calls.closeHandle(port);
        return false;
    }
    device->port = port;
    device->pathId = static_cast<uint8_t>(entry.address.channel);
    device->targetId = static_cast<uint8_t>(entry.address.id);
    device->lun = static_cast<uint8_t>(entry.address.lun);
    IoScsiCapabilities capabilities{};
    uint32_t returned = 0;
    if (calls.deviceIoControl(port, kIoctlScsiGetCapabilities, nullptr, 0, &capabilities,
                              sizeof capabilities, &returned, &error) &&
        returned >= offsetof(IoScsiCapabilities, AlignmentMask) + sizeof(uint32_t)) {
        device->directAllowed = true;
        device->alignmentMask = capabilities.AlignmentMask;
    }
    *handle = reinterpret_cast<DeviceHandle>(device);
    return true;
}

void Close(void* context, DeviceHandle handle) {
    auto* device = reinterpret_cast<SptiDevice*>(handle);
    if (device == nullptr) return;
    Calls(context).closeHandle(device->port);
    std::free(device);
}

// The port counts time-outs in whole seconds; at least one.
uint32_t TimeoutSeconds(uint32_t milliseconds) {
    const uint32_t seconds = milliseconds / 1000 + (milliseconds % 1000 != 0 ? 1 : 0);
    return seconds > 0 ? seconds : 1;
}

uint8_t DataInOf(DataDirection direction) {
    switch (direction) {
        case DataDirection::In: return kDataIn;
        case DataDirection::Out: return kDataOut;
        case DataDirection::None: break;
    }
    return kDataUnspecified;
}

// The fields both forms of the request share.
template <typename Record>
void FillRequest(Record& request, const SptiDevice& device, const ScsiExchange& exchange,
                 uint32_t senseOffset) {
    request.Length = sizeof(Record);
    request.PathId = device.pathId;
    request.TargetId = device.targetId;
    request.Lun = device.lun;
    request.CdbLength = exchange.cdbLength;
    std::memcpy(request.Cdb, exchange.cdb, exchange.cdbLength);
    request.SenseInfoLength = exchange.senseCapacity;
    request.SenseInfoOffset = senseOffset;
    request.DataIn = DataInOf(exchange.direction);
    request.DataTransferLength = exchange.dataLength;
    request.TimeOutValue = TimeoutSeconds(exchange.timeoutMs);
}

// Reads a finished request: the target's status, how much moved, and the
// sense data of a CHECK CONDITION, no more than the caller has room for
// whatever length the port reports.
template <typename Record>
uint32_t ReadOutcome(const Record& request, const uint8_t* senseArea, const ScsiExchange& exchange,
                     ScsiOutcome& outcome) {
    const uint32_t moved = request.DataTransferLength < exchange.dataLength
                               ? request.DataTransferLength
                               : exchange.dataLength;
    outcome.transport = TransportStatus::Ok;
    outcome.scsiStatus = request.ScsiStatus;
    outcome.residual = exchange.dataLength - moved;
    outcome.senseLength = 0;
    if (request.ScsiStatus == kCheckCondition) {
        const uint8_t length = request.SenseInfoLength < exchange.senseCapacity
                                   ? request.SenseInfoLength
                                   : exchange.senseCapacity;
        std::memcpy(exchange.sense, senseArea, length);
        outcome.senseLength = length;
    }
    return moved;
}

// The request with the data in the caller's buffer.
struct DirectRequest {
    ScsiPassThroughDirect request;
    uint8_t sense[kSenseRoom];
};

void ExecuteDirect(const SptiSystemCalls& calls, const SptiDevice& device,
                   const ScsiExchange& exchange, ScsiOutcome& outcome) {
    DirectRequest direct{};
    FillRequest(direct.request, device, exchange, offsetof(DirectRequest, sense));
    direct.request.DataBuffer = exchange.data;
    uint32_t returned = 0;
    uint32_t error = 0;
    if (!calls.deviceIoControl(device.port, kIoctlScsiPassThroughDirect, &direct,
                               sizeof direct, &direct, sizeof direct, &returned, &error)) {
        outcome.transport = TransportOfError(error);
        return;
    }
    ReadOutcome(direct.request, direct.sense, exchange, outcome);
}

uint32_t BufferedDataOffset(const SptiDevice& device) {
    uint32_t alignment = kBufferedDataAlignment;
    if (device.alignmentMask >= alignment && device.alignmentMask < kLargestAlignment) {
        alignment = device.alignmentMask + 1;
    }
    const uint32_t end = sizeof(ScsiPassThrough) + kSenseRoom;
    return (end + alignment - 1) / alignment * alignment;
}

// The request with the data after it, copied through the system's buffer.
void ExecuteBuffered(const SptiSystemCalls& calls, const SptiDevice& device,
                     const ScsiExchange& exchange, ScsiOutcome& outcome) {
    const uint32_t dataOffset = BufferedDataOffset(device);
    const uint64_t total = uint64_t{dataOffset} + exchange.dataLength;
    if (total > UINT32_MAX) return;
    auto* buffer = static_cast<uint8_t*>(std::calloc(1, static_cast<size_t>(total)));
    if (buffer == nullptr) {
        outcome.transport = TransportStatus::Busy;
        return;
    }
    ScsiPassThrough request{};
    const uint32_t senseOffset = sizeof(ScsiPassThrough);
    FillRequest(request, device, exchange, senseOffset);
    request.DataBufferOffset = dataOffset;
    std::memcpy(buffer, &request, sizeof request);
    if (exchange.direction == DataDirection::Out && exchange.dataLength > 0) {
        std::memcpy(buffer + dataOffset, exchange.data, exchange.dataLength);
    }
    uint32_t returned = 0;
    uint32_t error = 0;
    const auto size = static_cast<uint32_t>(total);
    if (!calls.deviceIoControl(device.port, kIoctlScsiPassThrough, buffer, size, buffer, size,
                               &returned, &error)) {
        outcome.transport = TransportOfError(error);
    } else {
        std::memcpy(&request, buffer, sizeof request);
        const uint32_t moved = ReadOutcome(request, buffer + senseOffset, exchange, outcome);
        if (exchange.direction == DataDirection::In && moved > 0) {
            std::memcpy(exchange.data, buffer + dataOffset, moved);
        }
    }
    std::free(buffer);
}

void Execute(void* context, DeviceHandle handle, const ScsiExchange& exchange,
             ScsiOutcome& outcome) {
    outcome = ScsiOutcome{TransportStatus::HostError, 0, exchange.dataLength, 0};
    const auto* device = reinterpret_cast<const SptiDevice*>(handle);
    const bool dataAgrees = exchange.dataLength == 0
                                ? exchange.direction == DataDirection::None
                                : exchange.direction != DataDirection::None &&
                                      exchange.data != nullptr;
    if (device == nullptr || exchange.cdb == nullptr || exchange.cdbLength == 0 ||
        exchange.cdbLength > 16 || !dataAgrees ||
        (exchange.senseCapacity > 0 && exchange.sense == nullptr)) {
        return;
    }
    const bool aligned = (reinterpret_cast<uintptr_t>(exchange.data) & device->alignmentMask) == 0;
    if (exchange.dataLength > kSptiBufferedLimit && device->directAllowed && aligned) {
        ExecuteDirect(Calls(context), *device, exchange, outcome);
    } else {
        ExecuteBuffered(Calls(context), *device, exchange, outcome);
    }
}

}  // namespace

BackendOps SptiBackend(const SptiSystemCalls* calls) {
    BackendOps ops{};
    ops.context = const_cast<SptiSystemCalls*>(calls);
    ops.enumerate = Enumerate;
    ops.open = Open;
    ops.execute = Execute;
    // A device reset through the port would be a reset of the whole bus, the
    // disks on it too: SC_RESET_DEV is answered as a host error instead.
    ops.reset = nullptr;
    ops.close = Close;
    return ops;
}

}  // namespace passthrough
