// The SCSI generic back end: devices listed from sysfs (each sgN's device
// link names host:channel:id:lun) or, without sysfs, by SG_GET_SCSI_ID on
// each /dev/sgN; each exchange one SG_IO ioctl, whose host and driver status
// are translated into the core's transport statuses. All system calls go
// through the SgSystemCalls table.
#include "passthrough/sg/sg_backend.h"

#include <dirent.h>
#include <fcntl.h>
#include <scsi/sg.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace passthrough {

namespace {

constexpr const char kSysfsClass[] = "/sys/class/scsi_generic";
constexpr const char kDeviceDirectory[] = "/dev";
constexpr int kMinimumSgVersion = 30000;  // the SG_IO interface
constexpr uint8_t kUnknownDeviceType = 0x1F;
constexpr uint8_t kAssumedAdapterId = 7;
constexpr uint32_t kMaxNodes = 256;
constexpr uint32_t kNameLength = 32;
constexpr uint32_t kPathLength = 256;

// A code of the kernel and the transport status it stands for.
struct CodeRow {
    int code;
    TransportStatus transport;
};

// The host adapter's verdict (sg_io_hdr host_status, the kernel's DID_ codes).
// host_status  transport
constexpr CodeRow kHostStatusTable[] = {
    {0x00, TransportStatus::Ok},                // DID_OK
    {0x01, TransportStatus::SelectionTimeout},  // DID_NO_CONNECT
    {0x02, TransportStatus::Busy},              // DID_BUS_BUSY
    {0x03, TransportStatus::Timeout},           // DID_TIME_OUT
    {0x04, TransportStatus::SelectionTimeout},  // DID_BAD_TARGET
    {0x05, TransportStatus::Aborted},           // DID_ABORT
    {0x06, TransportStatus::ParityError},       // DID_PARITY
    {0x07, TransportStatus::HostError},         // DID_ERROR
    {0x08, TransportStatus::BusReset},          // DID_RESET
    {0x09, TransportStatus::PhaseError},        // DID_BAD_INTR
    {0x0A, TransportStatus::HostError},         // DID_PASSTHROUGH
    {0x0B, TransportStatus::HostError},         // DID_SOFT_ERROR
    {0x0C, TransportStatus::Busy},              // DID_IMM_RETRY
    {0x0D, TransportStatus::Busy},              // DID_REQUEUE
    {0x0E, TransportStatus::BusReset},          // DID_TRANSPORT_DISRUPTED
    {0x0F, TransportStatus::SelectionTimeout},  // DID_TRANSPORT_FAILFAST
};

// The driver's verdict (sg_io_hdr driver_status, low four bits) where it
// overrides a host status of DID_OK; the others (sense, soft, media) do not.
// driver_status  transport
constexpr CodeRow kDriverStatusTable[] = {
    {0x01, TransportStatus::Busy},       // DRIVER_BUSY
    {0x04, TransportStatus::HostError},  // DRIVER_ERROR
    {0x05, TransportStatus::HostError},  // DRIVER_INVALID
    {0x06, TransportStatus::Timeout},    // DRIVER_TIMEOUT
    {0x07, TransportStatus::HostError},  // DRIVER_HARD
};

// A failed ioctl, by errno.
// errno      transport
constexpr CodeRow kErrnoTable[] = {
    {ENODEV,    TransportStatus::DeviceGone},
    {ENXIO,     TransportStatus::DeviceGone},
    {EBUSY,     TransportStatus::Busy},
    {EAGAIN,    TransportStatus::Busy},
    {ETIMEDOUT, TransportStatus::Timeout},
};

template <size_t N>
TransportStatus Translate(const CodeRow (&table)[N], int code, TransportStatus otherwise) {
    for (const CodeRow& row : table) {
        if (row.code == code) return row.transport;
    }
    return otherwise;
}

// ---- The real system calls -------------------------------------------------------------

int RealOpen(const char* path, int flags) {
    const int fd = ::open(path, flags);
    return fd < 0 ? -errno : fd;
}

int RealClose(int fd) { return ::close(fd) < 0 ? -errno : 0; }

int RealIoctl(int fd, unsigned long request, void* argument) {
    const int result = ::ioctl(fd, request, argument);
    return result < 0 ? -errno : result;
}

int RealListDirectory(const char* path, void (*visit)(void*, const char*), void* context) {
    DIR* directory = ::opendir(path);
    if (directory == nullptr) return -errno;
    while (const dirent* entry = ::readdir(directory)) {
        if (std::strcmp(entry->d_name, ".") == 0 || std::strcmp(entry->d_name, "..") == 0) continue;
        visit(context, entry->d_name);
    }
    ::closedir(directory);
    return 0;
}

int RealReadLink(const char* path, char* buffer, size_t capacity) {
    if (capacity == 0) return -EINVAL;
    const ssize_t length = ::readlink(path, buffer, capacity - 1);
    if (length < 0) return -errno;
    buffer[length] = '\0';
    return static_cast<int>(length);
}

int RealReadText(const char* path, char* buffer, size_t capacity) {
    if (capacity == 0) return -EINVAL;
    const int fd = ::open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0) return -errno;
    const ssize_t length = ::read(fd, buffer, capacity - 1);
    const int error = errno;
    ::close(fd);
    if (length < 0) return -error;
    buffer[length] = '\0';
    return static_cast<int>(length);
}

constexpr SgSystemCalls kLinuxCalls = {RealOpen,          RealClose,    RealIoctl,
                                       RealListDirectory, RealReadLink, RealReadText};

// ---- Enumeration -----------------------------------------------------------------------

// The names "sg" followed by digits in a directory listing.
struct NodeNames {
    char names[kMaxNodes][kNameLength];
    uint32_t count;
};

void CollectSgName(void* context, const char* name) {
    auto& nodes = *static_cast<NodeNames*>(context);
    if (std::strncmp(name, "sg", 2) != 0 || name[2] == '\0') return;
    for (const char* p = name + 2; *p != '\0'; ++p) {
        if (*p < '0' || *p > '9') return;
    }
    if (nodes.count == kMaxNodes || std::strlen(name) >= kNameLength) return;
    std::strcpy(nodes.names[nodes.count++], name);
}

bool ParseUnsigned(const char*& text, uint32_t& value) {
    if (*text < '0' || *text > '9') return false;
    uint64_t number = 0;
    while (*text >= '0' && *text <= '9') {
        number = number * 10 + static_cast<uint64_t>(*text++ - '0');
        if (number > 0xFFFFFFFFu) return false;
    }
    value = static_cast<uint32_t>(number);
    return true;
}

// "H:C:T:L", the last component of the sgN/device link.
bool ParseAddress(const char* link, DeviceAddress& address) {
    const char* text = std::strrchr(link, '/');
    text = text != nullptr ? text + 1 : link;
    return ParseUnsigned(text, address.host) && *text++ == ':' &&
           ParseUnsigned(text, address.channel) && *text++ == ':' &&
           ParseUnsigned(text, address.id) && *text++ == ':' && ParseUnsigned(text, address.lun) &&
           *text == '\0';
}

// A sysfs attribute without its line end; empty when it cannot be read.
void ReadAttribute(const SgSystemCalls& calls, const char* path, char* buffer, size_t capacity) {
    if (calls.readText(path, buffer, capacity) < 0) buffer[0] = '\0';
    buffer[std::strcspn(buffer, "\r\n")] = '\0';
}

// Fills one entry from sysfs; false when the node's address cannot be read.
bool DescribeFromSysfs(const SgSystemCalls& calls, const char* name, DeviceEntry& entry) {
    char path[kPathLength];
    char text[kPathLength];
    std::snprintf(path, sizeof path, "%s/%s/device", kSysfsClass, name);
    if (calls.readLink(path, text, sizeof text) < 0 || !ParseAddress(text, entry.address)) {
        return false;
    }
    std::snprintf(path, sizeof path, "%s/%s/device/type", kSysfsClass, name);
    ReadAttribute(calls, path, text, sizeof text);
    char* end = nullptr;
    const unsigned long type = std::strtoul(text, &end, 10);
    entry.deviceType = end != text && type <= kUnknownDeviceType ? static_cast<uint8_t>(type)
                                                                 : kUnknownDeviceType;
    std::snprintf(path, sizeof path, "/sys/class/scsi_host/host%u/proc_name", entry.address.host);
    ReadAttribute(calls, path, text, sizeof text);
    const char* adapterName = text[0] != '\0' ? text : "scsi";
    std::snprintf(entry.adapterName, sizeof entry.adapterName, "%.*s",
                  static_cast<int>(kAdapterNameLength), adapterName);
    return true;
}

// Fills one entry by asking the node itself; false when it cannot be opened
// or is no SCSI generic node.
bool DescribeFromNode(const SgSystemCalls& calls, const char* node, DeviceEntry& entry) {
    const int fd = calls.open(node, O_RDWR | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return false;
    sg_scsi_id id{};
    const bool known = calls.ioctl(fd, SG_GET_SCSI_ID, &id) >= 0 && id.host_no >= 0 &&
                       id.channel >= 0 && id.scsi_id >= 0 && id.lun >= 0;
    calls.close(fd);
    if (!known) return false;
    entry.address = DeviceAddress{static_cast<uint32_t>(id.host_no), static_cast<uint32_t>(id.channel),
                                  static_cast<uint32_t>(id.scsi_id), static_cast<uint32_t>(id.lun)};
    entry.deviceType = static_cast<uint8_t>(id.scsi_type & kUnknownDeviceType);
    std::snprintf(entry.adapterName, sizeof entry.adapterName, "scsi");
    return true;
}

int32_t Enumerate(void* context, DeviceEntry* entries, uint32_t capacity) {
    const SgSystemCalls& calls = *static_cast<const SgSystemCalls*>(context);
    auto* nodes = static_cast<NodeNames*>(std::calloc(1, sizeof(NodeNames)));
    if (nodes == nullptr) return -1;
    const bool fromSysfs = calls.listDirectory(kSysfsClass, CollectSgName, nodes) == 0;
    if (!fromSysfs) {
        nodes->count = 0;
        if (calls.listDirectory(kDeviceDirectory, CollectSgName, nodes) != 0) {
            std::free(nodes);
            return -1;
        }
    }
    uint32_t filled = 0;
    for (uint32_t n = 0; n < nodes->count && filled < capacity; ++n) {
        DeviceEntry& entry = entries[filled];
        entry = DeviceEntry{};
        entry.adapterScsiId = kAssumedAdapterId;
        std::snprintf(entry.node, sizeof entry.node, "%s/%s", kDeviceDirectory, nodes->names[n]);
        const bool described = fromSysfs ? DescribeFromSysfs(calls, nodes->names[n], entry)
                                         : DescribeFromNode(calls, entry.node, entry);
        if (described) ++filled;
    }
    std::free(nodes);
    return static_cast<int32_t>(filled);
}

// ---- Devices ---------------------------------------------------------------------------

bool Open(void* context, const DeviceEntry& entry, DeviceHandle* handle) {
    const SgSystemCalls& calls = *static_cast<const SgSystemCalls*>(context);
    // SG_IO blocks whatever O_NONBLOCK says; the flag only keeps open() from
    // waiting for a node held exclusively.
    const int fd = calls.open(entry.node, O_RDWR | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return false;
    int version = 0;
    if (calls.ioctl(fd, SG_GET_VERSION_NUM, &version) < 0 || version < kMinimumSgVersion) {
        calls.close(fd);
        return false;
    }
    *handle = fd;
    return true;
}

int DirectionCode(DataDirection direction) {
    switch (direction) {
        case DataDirection::In: return SG_DXFER_FROM_DEV;
        case DataDirection::Out: return SG_DXFER_TO_DEV;
        case DataDirection::None: break;
    }
    return SG_DXFER_NONE;
}

void Execute(void* context, DeviceHandle handle, const ScsiExchange& exchange, ScsiOutcome& outcome) {
    const SgSystemCalls& calls = *static_cast<const SgSystemCalls*>(context);
    sg_io_hdr_t io{};
    io.interface_id = 'S';
    io.dxfer_direction = DirectionCode(exchange.direction);
    io.cmd_len = exchange.cdbLength;
    io.mx_sb_len = exchange.senseCapacity;
    io.dxfer_len = exchange.dataLength;
    io.dxferp = exchange.dataLength > 0 ? exchange.data : nullptr;
    io.cmdp = const_cast<uint8_t*>(exchange.cdb);
    io.sbp = exchange.sense;
    io.timeout = exchange.timeoutMs;
    outcome = ScsiOutcome{TransportStatus::HostError, 0, exchange.dataLength, 0};
    const int result = calls.ioctl(static_cast<int>(handle), SG_IO, &io);
    if (result < 0) {
        outcome.transport = Translate(kErrnoTable, -result, TransportStatus::HostError);
        return;
    }
    outcome.transport = Translate(kHostStatusTable, io.host_status, TransportStatus::HostError);
    if (outcome.transport == TransportStatus::Ok) {
        outcome.transport = Translate(kDriverStatusTable, io.driver_status & 0x0F, TransportStatus::Ok);
    }
    outcome.scsiStatus = io.status;
    // resid may be negative (an overrun some drivers report so) or garbage.
    if (io.resid < 0) {
        outcome.residual = 0;
    } else if (static_cast<uint32_t>(io.resid) < exchange.dataLength) {
        outcome.residual = static_cast<uint32_t>(io.resid);
    }
    outcome.senseLength =
        io.sb_len_wr < exchange.senseCapacity ? io.sb_len_wr : exchange.senseCapacity;
}

TransportStatus Reset(void* context, DeviceHandle handle) {
    const SgSystemCalls& calls = *static_cast<const SgSystemCalls*>(context);
    int kind = SG_SCSI_RESET_DEVICE;
    const int result = calls.ioctl(static_cast<int>(handle), SG_SCSI_RESET, &kind);
    return result < 0 ? Translate(kErrnoTable, -result, TransportStatus::HostError)
                      : TransportStatus::Ok;
}

void Close(void* context, DeviceHandle handle) {
    const SgSystemCalls& calls = *static_cast<const SgSystemCalls*>(context);
    calls.close(static_cast<int>(handle));
}

}  // namespace

const SgSystemCalls& LinuxSystemCalls() { return kLinuxCalls; }

BackendOps SgBackend(const SgSystemCalls* calls) {
    return BackendOps{const_cast<SgSystemCalls*>(calls), Enumerate, Open, Execute, Reset, Close};
}

}  // namespace passthrough
