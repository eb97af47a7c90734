// The seam between the ASPI translation core and a pass-through back end (the
// Linux SCSI generic driver, the Windows SCSI pass-through interface), and the
// few operating-system services the core needs. Plain records and function
// tables only: no operating-system header, so the core builds on every target
// and tests replace any entry.
#pragma once

#include <cstdint>

namespace passthrough {

// ---- Devices ------------------------------------------------------------------------

// Where the operating system puts a device: its host (bus adapter), channel,
// target id and logical unit.
struct DeviceAddress {
    uint32_t host;
    uint32_t channel;
    uint32_t id;
    uint32_t lun;
};

constexpr uint32_t kDeviceNodeLength = 64;
constexpr uint32_t kAdapterNameLength = 16;

// One device a back end found. `node` is the back end's own name for it (a
// device path), used only to open it; the handle is had at the first request.
struct DeviceEntry {
    DeviceAddress address;
    uint8_t deviceType;                       // peripheral device type, INQUIRY byte 0 AND 0x1F
    uint8_t adapterScsiId;                    // the host adapter's own id on the bus (7 when unknown)
    char node[kDeviceNodeLength];             // NUL-terminated
    char adapterName[kAdapterNameLength + 1]; // the host adapter's driver name, NUL-terminated
};

// A back end's handle of an opened device.
using DeviceHandle = intptr_t;

// ---- One SCSI exchange --------------------------------------------------------------

enum class DataDirection : uint8_t { None, In, Out };

struct ScsiExchange {
    const uint8_t* cdb;
    uint8_t cdbLength;          // 6, 10, 12 or 16
    DataDirection direction;    // None when dataLength is 0
    uint8_t* data;              // dataLength bytes; null when dataLength is 0
    uint32_t dataLength;
    uint8_t* sense;             // room for senseCapacity bytes of sense data
    uint8_t senseCapacity;
    uint32_t timeoutMs;         // the back end asks the system to end the command after this long
};

// How the exchange went below the target: the back end's own codes, already
// translated into this one list. The core turns them into ASPI statuses.
enum class TransportStatus : uint8_t {
    Ok,                // the target answered; its status byte is in scsiStatus
    SelectionTimeout,  // no answer from the target id (not there, powered off)
    DeviceGone,        // the device node went away (unplugged, driver unbound)
    Timeout,           // the command took longer than its time-out and was ended
    Aborted,           // the command was aborted below the core
    BusReset,          // a bus or device reset ended the command
    Busy,              // the adapter or driver could not take the command now
    DataOverrun,       // the target offered more data than the buffer holds
    PhaseError,        // the target left the protocol (unexpected bus free, phase)
    ParityError,       // the transfer was corrupted on the bus
    HostError,         // any other failure of the adapter, driver or system call
};

struct ScsiOutcome {
    TransportStatus transport;
    uint8_t scsiStatus;    // the target's status byte (0 GOOD, 2 CHECK CONDITION, 8 BUSY ...)
    uint32_t residual;     // bytes of dataLength not transferred (at most dataLength)
    uint8_t senseLength;   // bytes of sense data written (at most senseCapacity)
};

// What a back end supplies. `context` is handed back on every call. Every
// entry may be called from any thread; calls for one device never overlap
// except `reset` with `execute`.
struct BackendOps {
    void* context;
    // Fills at most `capacity` entries with the devices present now and
    // answers how many it filled; answers -1 when the system cannot be asked
    // at all (the manager is then not initialised).
    int32_t (*enumerate)(void* context, DeviceEntry* entries, uint32_t capacity);
    // Opens a device of the last enumeration; false when it cannot be opened
    // (no permission, gone).
    bool (*open)(void* context, const DeviceEntry& entry, DeviceHandle* handle);
    // Runs one exchange to completion and fills `outcome` (every field). It
    // must return: the system's time-out of the exchange bounds it.
    void (*execute)(void* context, DeviceHandle handle, const ScsiExchange& exchange,
                    ScsiOutcome& outcome);
    // Resets the device (SCSI bus device reset); null when the back end cannot.
    TransportStatus (*reset)(void* context, DeviceHandle handle);
    void (*close)(void* context, DeviceHandle handle);
};

// ---- Operating-system services ------------------------------------------------------

// Which thread the core starts, so that a test scheduler can tell them apart.
enum class ThreadRole : uint8_t {
    AdapterWorker,  // carries out one adapter's queued requests, in order; ends when none is left
    Watchdog,       // ends requests that outlive their deadline; ends when none is pending
};

struct OsServices {
    void* context;
    // Starts body(argument) on a new thread that nobody joins; false when no
    // thread could be started.
    bool (*startThread)(void* context, ThreadRole role, void (*body)(void*), void* argument);
    // One lock over the manager's records; never held while a command runs or
    // a client's posting routine is called, and never taken twice by one
    // thread, so it need not be recursive.
    void (*lock)(void* context);
    void (*unlock)(void* context);
    uint64_t (*monotonicMs)(void* context);
    void (*sleepMs)(void* context, uint32_t milliseconds);
    // Signals the client's event object of SRB_EVENT_NOTIFY; null where the
    // system has no such objects (such requests are then refused).
    void (*signalEvent)(void* context, void* event);
};

}  // namespace passthrough
