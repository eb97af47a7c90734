// The SCSI command routines, the request blocks and buffers, and the wait for
// a request with its result convention.
#include "scanner/scsi_commands.h"

#include <cstring>

#include "platform/platform.h"
#include "scanner/discovery.h"
#include "scanner/model_table.h"
#include "scanner/parameter_lists.h"
#include "settings/settings_model.h"

SenseSnapshotRecord SenseSnapshot;
ScannerStatusRecord ScannerStatus;
SRB_ExecSCSICmd ProbeRequest;
SRB_ExecSCSICmd ScanRequest;
uint8_t WindowBuffer[kWindowBufferSize];
uint8_t ReplyBuffer[kReplyBufferSize];

namespace {

// Operation codes.
constexpr uint8_t kOpTestUnitReady = 0x00;
constexpr uint8_t kOpInquiry = 0x12;
constexpr uint8_t kOpSetWindow = 0x24;
constexpr uint8_t kOpRead = 0x28;
constexpr uint8_t kOpSubAreaWindow = 0xC0;
constexpr uint8_t kOpVendorE1 = 0xE1;
constexpr uint8_t kOpEndorserData = 0xE4;

// READ data type codes (CDB byte 2).
constexpr uint8_t kReadImageData = 0x00;
constexpr uint8_t kReadImageSize = 0x80;
constexpr uint8_t kReadStatus = 0x81;

constexpr uint8_t kShortCdb = 6;
constexpr uint8_t kLongCdb = 10;

constexpr uint32_t kInquiryLength = 96;
constexpr uint32_t kImageSizeReplyLength = 16;
constexpr uint32_t kStatusReplyLength = 6;

// Mode byte of vendor operation 0xE1, by model generation.
constexpr uint8_t kVendorE1ModeFirstGeneration = 5;
constexpr uint8_t kVendorE1ModeLaterGenerations = 7;

// Sense byte 2: end of medium; byte 0: the information field is valid.
constexpr uint8_t kEndOfMediumBit = 0x40;
constexpr uint8_t kSenseValidBit = 0x80;

// Paper status reply, byte 0.
constexpr uint8_t kPaperPresentBit = 0x20;
constexpr uint8_t kPaperSizeMask = 0x0F;

constexpr const char* kSideModeSimplex = "Simplex";
constexpr const char* kSwitchOn = "ON";

// Reads the status the manager may set at any moment, from another thread,
// while the request runs. The manager writes the status last; the acquire
// load makes the target status, sense area and data it wrote before visible.
uint8_t RequestStatus(const SRB_ExecSCSICmd& request) {
    return __atomic_load_n(&request.SRB_Status, __ATOMIC_ACQUIRE);
}

ScsiResult DecodeFinishedRequest(const SRB_ExecSCSICmd& request) {
    const uint8_t status = RequestStatus(request);
    if (request.SRB_TargStat == STATUS_CHKCOND) {
        SenseSnapshot.senseKey = static_cast<uint8_t>(request.SenseArea[2] & 0x0F);
        SenseSnapshot.asc = request.SenseArea[12];
        SenseSnapshot.ascq = request.SenseArea[13];
        SenseSnapshot.endOfMedium = (request.SenseArea[2] & kEndOfMediumBit) != 0 ? 1 : 0;
        SenseSnapshot.residue =
            (request.SenseArea[0] & kSenseValidBit) != 0 ? GetBigEndian32(request.SenseArea + 3) : 0;
        return static_cast<ScsiResult>(kCheckConditionBase + status);
    }
    if (status != SS_COMP) return static_cast<ScsiResult>(kAspiErrorBase + status);
    return request.SRB_TargStat;
}

// Sleeps in 1 ms steps while the request is pending; true when it finished
// within `bound` milliseconds of the tick count.
bool PollUntilFinished(const SRB_ExecSCSICmd& request, uint32_t bound) {
    const uint32_t start = plat::TickCount();
    while (RequestStatus(request) == SS_PENDING) {
        if (plat::TickCount() - start >= bound) return false;
        plat::SleepMs(1);
    }
    return true;
}

// A request that never finished: ask the manager to abort it and give it a
// moment to settle, so that a late completion does not land in the next
// command that reuses the block.
ScsiResult AbandonRequest(SRB_ExecSCSICmd& request) {
    SRB_Abort abort;
    std::memset(&abort, 0, sizeof abort);
    abort.SRB_Cmd = SC_ABORT_SRB;
    abort.SRB_HaId = request.SRB_HaId;
    abort.SRB_ToAbort = &request;
    if (SendCommandEntry != nullptr) SendCommandEntry(&abort);
    if (PollUntilFinished(request, kAbortGraceMs)) return DecodeFinishedRequest(request);
    return static_cast<ScsiResult>(kAspiErrorBase + SS_ABORTED);
}

// Clears the block and fills the fields every command sets; the CDB follows.
void PrepareRequest(SRB_ExecSCSICmd& request, uint8_t target, uint8_t flags, uint8_t cdbLength,
                    uint8_t* data, uint32_t length) {
    std::memset(&request, 0, sizeof request);
    request.SRB_Cmd = SC_EXEC_SCSI_CMD;
    request.SRB_HaId = ScsiAdapter;
    request.SRB_Flags = flags;
    request.SRB_Target = target;
    request.SRB_BufLen = length;
    request.SRB_BufPointer = data;
    request.SRB_SenseLen = SENSE_LEN;
    request.SRB_CDBLen = cdbLength;
}

ScsiResult Submit(SRB_ExecSCSICmd& request) {
    if (SendCommandEntry == nullptr) {
        SenseSnapshot = {};
        return static_cast<ScsiResult>(kAspiErrorBase + SS_FAILED_INIT);
    }
    SendCommandEntry(&request);
    return WaitForRequest(request);
}

// Refuses a transfer that the 24-bit CDB length cannot name or that has no
// buffer, before anything reaches the manager.
ScsiResult CheckTransfer(uint32_t length, const uint8_t* buffer) {
    if (length > kMaxTransferLength) return static_cast<ScsiResult>(kAspiErrorBase + SS_BUFFER_TO_BIG);
    if (length != 0 && buffer == nullptr) return static_cast<ScsiResult>(kAspiErrorBase + SS_INVALID_SRB);
    return kScsiGood;
}

}  // namespace

ScsiResult WaitForRequest(SRB_ExecSCSICmd& request) {
    SenseSnapshot = {};
    if (!PollUntilFinished(request, kRequestTimeoutMs)) return AbandonRequest(request);
    return DecodeFinishedRequest(request);
}

bool BackSideRuleHolds() {
    return std::strncmp(MechaBack, kSwitchOn, sizeof MechaBack) == 0 &&
           std::strncmp(SideMode.text, kSideModeSimplex, sizeof SideMode.text) == 0;
}

ScsiResult TestUnitReady(uint8_t target) {
    PrepareRequest(ProbeRequest, target, SRB_DIR_OUT, kShortCdb, nullptr, 0);
    ProbeRequest.CDBByte[0] = kOpTestUnitReady;
    return Submit(ProbeRequest);
}

ScsiResult Inquiry(uint8_t target) {
    // A device that sends fewer bytes must not leave another target's
    // identification behind.
    std::memset(InquiryBuffer, 0, sizeof InquiryBuffer);
    PrepareRequest(ProbeRequest, target, SRB_DIR_IN, kShortCdb, InquiryBuffer, kInquiryLength);
    ProbeRequest.CDBByte[0] = kOpInquiry;
    ProbeRequest.CDBByte[4] = static_cast<uint8_t>(kInquiryLength);
    return Submit(ProbeRequest);
}

ScsiResult SetWindow(uint8_t target, const ScanWindowRecord& window) {
    PrepareRequest(ScanRequest, target, SRB_DIR_OUT, kLongCdb, WindowBuffer, kWindowListLength);
    uint8_t list[kWindowListLength];
    EncodeWindowList(window, BackSideRuleHolds(), ModelGeneration, list);
    std::memcpy(WindowBuffer, list, sizeof list);
    ScanRequest.CDBByte[0] = kOpSetWindow;
    PutBigEndian24(ScanRequest.CDBByte + 6, kWindowListLength);
    return Submit(ScanRequest);
}

ScsiResult ClearWindows(uint8_t target) {
    PrepareRequest(ScanRequest, target, SRB_DIR_OUT, kLongCdb, nullptr, 0);
    ScanRequest.CDBByte[0] = kOpSetWindow;
    return Submit(ScanRequest);
}

ScsiResult SetSubAreaWindow(uint8_t target, const SubAreaWindowRecord& window) {
    PrepareRequest(ScanRequest, target, SRB_DIR_OUT, kLongCdb, WindowBuffer, kSubAreaListLength);
    uint8_t list[kSubAreaListLength];
    EncodeSubAreaList(window, BackSideRuleHolds(), list);
    std::memcpy(WindowBuffer, list, sizeof list);
    ScanRequest.CDBByte[0] = kOpSubAreaWindow;
    PutBigEndian24(ScanRequest.CDBByte + 6, kSubAreaListLength);
    return Submit(ScanRequest);
}

ScsiResult ReadImage(uint8_t target, uint32_t length, uint8_t* buffer) {
    const ScsiResult refused = CheckTransfer(length, buffer);
    if (refused != kScsiGood) {
        SenseSnapshot = {};
        return refused;
    }
    // A zero-length READ still carries the caller's buffer: the test for the
    // next page sends one with a scratch block.
    PrepareRequest(ScanRequest, target, SRB_DIR_IN, kLongCdb, buffer, length);
    ScanRequest.CDBByte[0] = kOpRead;
    ScanRequest.CDBByte[2] = kReadImageData;
    ScanRequest.CDBByte[4] = CurrentSheetNumber();
    ScanRequest.CDBByte[5] = BackSideRuleHolds() ? kBackWindowId : CurrentSideCode();
    PutBigEndian24(ScanRequest.CDBByte + 6, length);
    return Submit(ScanRequest);
}

ScsiResult ReadImageSize(uint8_t target, uint32_t& pixelsPerLine, uint32_t& lines) {
    PrepareRequest(ScanRequest, target, SRB_DIR_IN, kLongCdb, ReplyBuffer, kImageSizeReplyLength);
    ScanRequest.CDBByte[0] = kOpRead;
    ScanRequest.CDBByte[2] = kReadImageSize;
    ScanRequest.CDBByte[5] = BackSideRuleHolds() ? kBackWindowId : kFrontWindowId;
    PutBigEndian24(ScanRequest.CDBByte + 6, kImageSizeReplyLength);
    const ScsiResult result = Submit(ScanRequest);
    if (result == kScsiGood) {
        pixelsPerLine = GetBigEndian32(ReplyBuffer);
        lines = GetBigEndian32(ReplyBuffer + 4);
    }
    return result;
}

ScsiResult ReadScannerStatus(uint8_t target, ScannerStatusRecord& status) {
    PrepareRequest(ScanRequest, target, SRB_DIR_IN, kLongCdb, ReplyBuffer, kStatusReplyLength);
    ScanRequest.CDBByte[0] = kOpRead;
    ScanRequest.CDBByte[2] = kReadStatus;
    PutBigEndian24(ScanRequest.CDBByte + 6, kStatusReplyLength);
    const ScsiResult result = Submit(ScanRequest);
    if (result == kScsiGood) {
        status.paperPresent = static_cast<uint8_t>(ReplyBuffer[0] & kPaperPresentBit);
        status.paperSizeCode = static_cast<uint8_t>(ReplyBuffer[0] & kPaperSizeMask);
    }
    return result;
}

ScsiResult SendVendorE1(uint8_t target) {
    PrepareRequest(ScanRequest, target, SRB_DIR_OUT, kLongCdb, nullptr, 0);
    ScanRequest.CDBByte[0] = kOpVendorE1;
    ScanRequest.CDBByte[2] = ModelGeneration != 0 ? kVendorE1ModeLaterGenerations
                                                           : kVendorE1ModeFirstGeneration;
    return Submit(ScanRequest);
}

ScsiResult SendEndorserData(uint8_t target, uint32_t length, const uint8_t* data) {
    const ScsiResult refused = CheckTransfer(length, data);
    if (refused != kScsiGood) {
        SenseSnapshot = {};
        return refused;
    }
    // The manager only reads an outgoing buffer.
    PrepareRequest(ScanRequest, target, SRB_DIR_OUT, kLongCdb,
                   length != 0 ? const_cast<uint8_t*>(data) : nullptr, length);
    ScanRequest.CDBByte[0] = kOpEndorserData;
    PutBigEndian24(ScanRequest.CDBByte + 6, length);
    return Submit(ScanRequest);
}

void ResetScsiCommandState() {
    SenseSnapshot = {};
    ScannerStatus = {};
    std::memset(&ProbeRequest, 0, sizeof ProbeRequest);
    std::memset(&ScanRequest, 0, sizeof ScanRequest);
    std::memset(WindowBuffer, 0, sizeof WindowBuffer);
    std::memset(ReplyBuffer, 0, sizeof ReplyBuffer);
}
