// The Windows side of the SPTI ASPI manager: the real calls of the back end's
// table (CreateFileA, DeviceIoControl, CloseHandle) and the core's thread,
// lock, clock and event services over kernel32. The only file of the module
// that includes Windows headers; it checks the back end's own copies of the
// pass-through records against ntddscsi.h.
#include <windows.h>
#include <winioctl.h>
#include <ntddscsi.h>

#include <cstddef>
#include <cstdlib>

#include "passthrough/spti/spti_backend.h"
#include "passthrough/spti/spti_layout.h"

namespace passthrough {

namespace {

#define SAME_FIELD(ours, theirs, field) \
    static_assert(offsetof(ours, field) == offsetof(theirs, field), #field)
static_assert(sizeof(spti::ScsiPassThrough) == sizeof(SCSI_PASS_THROUGH));
SAME_FIELD(spti::ScsiPassThrough, SCSI_PASS_THROUGH, DataTransferLength);
SAME_FIELD(spti::ScsiPassThrough, SCSI_PASS_THROUGH, DataBufferOffset);
SAME_FIELD(spti::ScsiPassThrough, SCSI_PASS_THROUGH, SenseInfoOffset);
SAME_FIELD(spti::ScsiPassThrough, SCSI_PASS_THROUGH, Cdb);
static_assert(sizeof(spti::ScsiPassThroughDirect) == sizeof(SCSI_PASS_THROUGH_DIRECT));
SAME_FIELD(spti::ScsiPassThroughDirect, SCSI_PASS_THROUGH_DIRECT, DataBuffer);
SAME_FIELD(spti::ScsiPassThroughDirect, SCSI_PASS_THROUGH_DIRECT, SenseInfoOffset);
SAME_FIELD(spti::ScsiPassThroughDirect, SCSI_PASS_THROUGH_DIRECT, Cdb);
static_assert(sizeof(spti::IoScsiCapabilities) == sizeof(IO_SCSI_CAPABILITIES));
SAME_FIELD(spti::IoScsiCapabilities, IO_SCSI_CAPABILITIES, AlignmentMask);
static_assert(spti::kBusInfoBusDataOffset == offsetof(SCSI_ADAPTER_BUS_INFO, BusData));
static_assert(spti::kBusDataSize == sizeof(SCSI_BUS_DATA));
static_assert(spti::kBusDataInquiryOffset == offsetof(SCSI_BUS_DATA, InquiryDataOffset));
static_assert(spti::kInquiryLength == offsetof(SCSI_INQUIRY_DATA, InquiryDataLength));
static_assert(spti::kInquiryNextOffset == offsetof(SCSI_INQUIRY_DATA, NextInquiryDataOffset));
static_assert(spti::kInquiryData == offsetof(SCSI_INQUIRY_DATA, InquiryData));
static_assert(spti::kIoctlScsiPassThrough == IOCTL_SCSI_PASS_THROUGH);
static_assert(spti::kIoctlScsiPassThroughDirect == IOCTL_SCSI_PASS_THROUGH_DIRECT);
static_assert(spti::kIoctlScsiGetInquiryData == IOCTL_SCSI_GET_INQUIRY_DATA);
static_assert(spti::kIoctlScsiGetCapabilities == IOCTL_SCSI_GET_CAPABILITIES);
static_assert(spti::kDataUnspecified == SCSI_IOCTL_DATA_UNSPECIFIED);
static_assert(spti::kErrorFileNotFound == ERROR_FILE_NOT_FOUND);
static_assert(spti::kErrorAccessDenied == ERROR_ACCESS_DENIED);
static_assert(spti::kErrorInvalidHandle == ERROR_INVALID_HANDLE);
static_assert(spti::kErrorNotEnoughMemory == ERROR_NOT_ENOUGH_MEMORY);
static_assert(spti::kErrorCrc == ERROR_CRC);
static_assert(spti::kErrorDevNotExist == ERROR_DEV_NOT_EXIST);
static_assert(spti::kErrorSemTimeout == ERROR_SEM_TIMEOUT);
static_assert(spti::kErrorBusy == ERROR_BUSY);
static_assert(spti::kErrorOperationAborted == ERROR_OPERATION_ABORTED);
static_assert(spti::kErrorBusReset == ERROR_BUS_RESET);
static_assert(spti::kErrorDeviceNotConnected == ERROR_DEVICE_NOT_CONNECTED);
static_assert(spti::kErrorNoSystemResources == ERROR_NO_SYSTEM_RESOURCES);
static_assert(spti::kErrorTimeout == ERROR_TIMEOUT);
static_assert(spti::kErrorDeviceRemoved == ERROR_DEVICE_REMOVED);
#undef SAME_FIELD

intptr_t OpenPort(const char* path, bool queryOnly, uint32_t* error) {
    const HANDLE port = CreateFileA(path, queryOnly ? 0 : GENERIC_READ | GENERIC_WRITE,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                    0, nullptr);
    if (port == INVALID_HANDLE_VALUE) {
        *error = GetLastError();
        return kNoPort;
    }
    return reinterpret_cast<intptr_t>(port);
}

bool ControlPort(intptr_t port, uint32_t code, void* input, uint32_t inputSize, void* output,
                 uint32_t outputSize, uint32_t* returned, uint32_t* error) {
    DWORD bytes = 0;
    if (!DeviceIoControl(reinterpret_cast<HANDLE>(port), code, input, inputSize, output,
                         outputSize, &bytes, nullptr)) {
        *error = GetLastError();
        return false;
    }
    *returned = bytes;
    return true;
}

void ClosePort(intptr_t port) { CloseHandle(reinterpret_cast<HANDLE>(port)); }

const SptiSystemCalls kWindowsCalls{OpenPort, ControlPort, ClosePort};

// ---- Core services ----------------------------------------------------------------------

struct Win32Services {
    HMODULE module;
    CRITICAL_SECTION lock;
    LARGE_INTEGER frequency;
};

Win32Services gServices;

struct ThreadStart {
    HMODULE module;
    void (*body)(void*);
    void* argument;
};

// A thread keeps the module loaded while it runs and lets it go as it ends,
// so that a client's FreeLibrary never pulls the code from under it.
DWORD WINAPI RunThread(LPVOID parameter) {
    ThreadStart start = *static_cast<ThreadStart*>(parameter);
    std::free(parameter);
    start.body(start.argument);
    FreeLibraryAndExitThread(start.module, 0);
}

bool StartThread(void* context, ThreadRole, void (*body)(void*), void* argument) {
    auto& services = *static_cast<Win32Services*>(context);
    auto* start = static_cast<ThreadStart*>(std::malloc(sizeof(ThreadStart)));
    if (start == nullptr) return false;
    HMODULE reference = nullptr;
    if (!GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS,
                            reinterpret_cast<LPCWSTR>(services.module), &reference)) {
        std::free(start);
        return false;
    }
    *start = ThreadStart{reference, body, argument};
    const HANDLE thread = CreateThread(nullptr, 0, RunThread, start, 0, nullptr);
    if (thread == nullptr) {
        std::free(start);
        FreeLibrary(reference);
        return false;
    }
    CloseHandle(thread);
    return true;
}

void Lock(void* context) { EnterCriticalSection(&static_cast<Win32Services*>(context)->lock); }
void Unlock(void* context) { LeaveCriticalSection(&static_cast<Win32Services*>(context)->lock); }

uint64_t MonotonicMs(void* context) {
    const auto& services = *static_cast<Win32Services*>(context);
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    const auto ticks = static_cast<uint64_t>(now.QuadPart);
    const auto perSecond = static_cast<uint64_t>(services.frequency.QuadPart);
    return ticks / perSecond * 1000 + ticks % perSecond * 1000 / perSecond;
}

void SleepMs(void*, uint32_t milliseconds) { Sleep(milliseconds); }

void SignalEvent(void*, void* event) { SetEvent(static_cast<HANDLE>(event)); }

}  // namespace

const SptiSystemCalls& WindowsSystemCalls() { return kWindowsCalls; }

OsServices Win32OsServices(void* module) {
    gServices.module = static_cast<HMODULE>(module);
    InitializeCriticalSection(&gServices.lock);
    QueryPerformanceFrequency(&gServices.frequency);
    return OsServices{&gServices, StartThread, Lock, Unlock, MonotonicMs, SleepMs, SignalEvent};
}

}  // namespace passthrough
