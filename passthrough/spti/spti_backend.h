// The Windows back end of the ASPI manager: host adapters are the storage
// ports \\.\Scsi0: ... \\.\Scsi63:, their units come from
// IOCTL_SCSI_GET_INQUIRY_DATA, and requests are carried out with
// IOCTL_SCSI_PASS_THROUGH_DIRECT, or IOCTL_SCSI_PASS_THROUGH through the
// system's buffer for small transfers and for buffers the adapter cannot
// reach directly. The three Windows calls go through one table, so tests run
// the back end without hardware. The header names no system header.
#pragma once

#include <cstdint>

#include "passthrough/core/backend.h"

namespace passthrough {

// The Windows calls of the back end. Failures come back with the Win32
// error code, so a fake table needs no GetLastError of its own.
struct SptiSystemCalls {
    // Opens a port (a path such as "\\.\Scsi0:"), shared, for synchronous
    // requests: for reading and writing, or with `queryOnly` for the
    // requests that need no access (the inquiry data): the handle, or kNoPort
    // with the error.
    intptr_t (*openPort)(const char* path, bool queryOnly, uint32_t* error);
    // DeviceIoControl on an opened port, waiting for the answer: true with
    // the number of bytes returned, or false with the error.
    bool (*deviceIoControl)(intptr_t port, uint32_t code, void* input, uint32_t inputSize,
                            void* output, uint32_t outputSize, uint32_t* returned,
                            uint32_t* error);
    void (*closeHandle)(intptr_t port);
};

constexpr intptr_t kNoPort = -1;
// Ports \\.\Scsi0: to \\.\Scsi63: are looked at; numbers may have gaps.
constexpr uint32_t kSptiMaxPorts = 64;
// Transfers up to this length go through the system's buffer.
constexpr uint32_t kSptiBufferedLimit = 16384;

// The real calls (kernel32), on Windows only.
const SptiSystemCalls& WindowsSystemCalls();

// A back end over `calls`, which must outlive it.
BackendOps SptiBackend(const SptiSystemCalls* calls);

// Threads (each holding a reference on the module that runs them), a
// critical section, a monotonic clock and event objects of kernel32; on
// Windows only. `module` is the module whose code the threads run.
OsServices Win32OsServices(void* module);

}  // namespace passthrough
