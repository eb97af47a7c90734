// The records and codes of the Windows SCSI pass-through interface that the
// SPTI back end exchanges with the storage port drivers, written out here so
// that the back end and its tests build without Windows headers. They follow
// the layouts of ntddscsi.h field for field (natural alignment, pointer-sized
// fields pointer-sized); spti_os_win32.cpp checks them against the real
// header. Multi-byte fields are little-endian, as the system writes them.
#pragma once

#include <cstddef>
#include <cstdint>

namespace passthrough::spti {

// ---- Device I/O control codes (FILE_DEVICE_CONTROLLER, METHOD_BUFFERED) ------------
constexpr uint32_t kIoctlScsiPassThrough = 0x0004D004;        // IOCTL_SCSI_PASS_THROUGH
constexpr uint32_t kIoctlScsiGetInquiryData = 0x0004100C;     // IOCTL_SCSI_GET_INQUIRY_DATA
constexpr uint32_t kIoctlScsiGetCapabilities = 0x00041010;    // IOCTL_SCSI_GET_CAPABILITIES
constexpr uint32_t kIoctlScsiPassThroughDirect = 0x0004D014;  // IOCTL_SCSI_PASS_THROUGH_DIRECT

// ---- SCSI_PASS_THROUGH(_DIRECT).DataIn ------------------------------------------------
constexpr uint8_t kDataOut = 0;          // SCSI_IOCTL_DATA_OUT
constexpr uint8_t kDataIn = 1;           // SCSI_IOCTL_DATA_IN
constexpr uint8_t kDataUnspecified = 2;  // SCSI_IOCTL_DATA_UNSPECIFIED

// SCSI_PASS_THROUGH: the data travel in the same buffer, DataBufferOffset
// bytes after the record's start.
struct ScsiPassThrough {
    uint16_t Length;
    uint8_t ScsiStatus;
    uint8_t PathId;
    uint8_t TargetId;
    uint8_t Lun;
    uint8_t CdbLength;
    uint8_t SenseInfoLength;
    uint8_t DataIn;
    uint32_t DataTransferLength;
    uint32_t TimeOutValue;  // seconds
    uintptr_t DataBufferOffset;
    uint32_t SenseInfoOffset;
    uint8_t Cdb[16];
};

// SCSI_PASS_THROUGH_DIRECT: the port locks the caller's buffer and the
// adapter moves the data into it directly.
struct ScsiPassThroughDirect {
    uint16_t Length;
    uint8_t ScsiStatus;
    uint8_t PathId;
    uint8_t TargetId;
    uint8_t Lun;
    uint8_t CdbLength;
    uint8_t SenseInfoLength;
    uint8_t DataIn;
    uint32_t DataTransferLength;
    uint32_t TimeOutValue;  // seconds
    void* DataBuffer;
    uint32_t SenseInfoOffset;
    uint8_t Cdb[16];
};

// IO_SCSI_CAPABILITIES, the reply of IOCTL_SCSI_GET_CAPABILITIES.
struct IoScsiCapabilities {
    uint32_t Length;
    uint32_t MaximumTransferLength;
    uint32_t MaximumPhysicalPages;
    uint32_t SupportedAsynchronousEvents;
    uint32_t AlignmentMask;
    uint8_t TaggedQueuing;
    uint8_t AdapterScansDown;
    uint8_t AdapterUsesPio;
};

// The reply of IOCTL_SCSI_GET_INQUIRY_DATA, read byte by byte: a
// SCSI_ADAPTER_BUS_INFO (NumberOfBuses, then one SCSI_BUS_DATA per bus), and
// per bus a chain of SCSI_INQUIRY_DATA records. Offsets count from the start
// of the reply; a next offset of 0 ends a chain.
constexpr uint32_t kBusInfoBusDataOffset = 4;  // BusData[0] in SCSI_ADAPTER_BUS_INFO
constexpr uint32_t kBusDataSize = 8;           // SCSI_BUS_DATA
constexpr uint32_t kBusDataLogicalUnits = 0;   // NumberOfLogicalUnits
constexpr uint32_t kBusDataInitiatorId = 1;    // InitiatorBusId
constexpr uint32_t kBusDataInquiryOffset = 4;  // InquiryDataOffset
constexpr uint32_t kInquiryPathId = 0;
constexpr uint32_t kInquiryTargetId = 1;
constexpr uint32_t kInquiryLun = 2;
constexpr uint32_t kInquiryLength = 4;      // InquiryDataLength (byte 3 is DeviceClaimed)
constexpr uint32_t kInquiryNextOffset = 8;  // NextInquiryDataOffset
constexpr uint32_t kInquiryData = 12;       // the unit's INQUIRY reply as the port saw it

// ---- Win32 error codes the back end tells apart (ERROR_...) ------------------------------
constexpr uint32_t kErrorFileNotFound = 2;
constexpr uint32_t kErrorAccessDenied = 5;
constexpr uint32_t kErrorInvalidHandle = 6;
constexpr uint32_t kErrorNotEnoughMemory = 8;
constexpr uint32_t kErrorCrc = 23;
constexpr uint32_t kErrorDevNotExist = 55;
constexpr uint32_t kErrorSemTimeout = 121;
constexpr uint32_t kErrorBusy = 170;
constexpr uint32_t kErrorNoSuchDevice = 433;
constexpr uint32_t kErrorOperationAborted = 995;
constexpr uint32_t kErrorBusReset = 1111;
constexpr uint32_t kErrorDeviceNotConnected = 1167;
constexpr uint32_t kErrorNoSystemResources = 1450;
constexpr uint32_t kErrorTimeout = 1460;
constexpr uint32_t kErrorDeviceRemoved = 1617;

}  // namespace passthrough::spti
