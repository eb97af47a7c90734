// StartScan: readiness, the wait for paper of a manual-feed batch with its
// paper size detection, the windows, the image size, the image information
// and the imprinter data of a new batch.
#include <cstring>

#include "scanner/discovery.h"
#include "scanner/model_table.h"
#include "scanner/scan_window.h"
#include "scanner/scan_window_builder.h"
#include "scanner/scanner_messages.h"
#include "scanner/scsi_commands.h"
#include "settings/capability_state.h"
#include "settings/settings_model.h"
#include "transfer/imprinter_text.h"
#include "transfer/memory_transfer.h"
#include "transfer/paper_table.h"
#include "transfer/progress_dialog.h"
#include "transfer/scan_job.h"
#include "transfer/wait_dialog.h"
#include "twain/image_layout.h"
#include "twain/user_interface.h"

namespace {

// TEST UNIT READY: the scanner is not ready after this many CHECK CONDITION
// answers in a row.
constexpr int kNotReadyAttempts = 4;
// A scanner that has gone away answers ASPI errors without CHECK CONDITION;
// after this many of them the readiness test gives up with "No Target Device !!".
constexpr int kDeviceErrorAttempts = 16;
constexpr uint8_t kNoTargetDevice = 0x09;
constexpr uint8_t kShortOfMemory = 0x01;
// The scanner's "Image transfer error occured." for an image size of no bytes.
constexpr uint8_t kTransferErrorKey = 0x0B;
constexpr uint8_t kTransferErrorAsc = 0x80;
constexpr uint8_t kTransferErrorAscq = 0x01;
// The endorser messages of a stored text that does not code.
constexpr uint8_t kEndorserInvalid = 0x06;
constexpr uint8_t kEndorserTooLong = 0x07;

constexpr uint8_t kGrayComposition = 2;
constexpr uint32_t kImageSizeExtraBytes = 2;
constexpr uint32_t kImprinterHeaderBytes = 7;
// The imprinter suffix letter, the ninth character of the product id.
constexpr int kImprinterSuffixPosition = 8;
constexpr char kImprinterSuffix = 's';

bool TextIs(const SettingRecord& record, const char* text) {
    return std::strncmp(record.text, text, kSettingTextSize) == 0;
}

template <typename Enum>
auto CurrentItem(const Enum& choices) {
    return choices.items[choices.currentIndex < Enum::kSlots ? choices.currentIndex : 0];
}

bool MemoryTransferChosen() { return CurrentItem(CapabilityState.xferMech.current) == TWSX_MEMORY; }

void ShowMessage(plat::WindowHandle owner, uint8_t key, uint8_t asc, uint8_t ascq) {
    if (owner != nullptr) ShowScannerMessage(owner, key, asc, ascq);
}

// Shows a failed command's sense data when there is an owner; answers 0.
int CommandFailed(plat::WindowHandle owner) {
    ShowMessage(owner, SenseSnapshot.senseKey, SenseSnapshot.asc, SenseSnapshot.ascq);
    return 0;
}

int WaitUntilReady(plat::WindowHandle owner) {
    int notReady = 0;
    int deviceErrors = 0;
    for (;;) {
        ScsiResult result = TestUnitReady(ScsiTarget);
        if (result == kScsiGood) return 1;
        if (!IsCheckCondition(result)) {
            notReady = 0;
            if (++deviceErrors >= kDeviceErrorAttempts) {
                ShowMessage(owner, kSourceMessageKey, kSourceGroup, kNoTargetDevice);
                return 0;
            }
        } else if (++notReady >= kNotReadyAttempts) {
            return CommandFailed(owner);
        }
    }
}

// The scanner's compression type and argument for the negotiated compression;
// only memory transfers carry compressed data.
void SetCompression() {
    ScanWindow.compression = 0;
    ScanWindow.compressionArgument = 0;
    if (!MemoryTransferChosen()) return;
    switch (CurrentItem(CapabilityState.compression.current)) {
        case TWCP_GROUP31DEOL:
            ScanWindow.compression = 1;
            break;
        case TWCP_GROUP32D:
            ScanWindow.compression = 2;
            ScanWindow.compressionArgument = static_cast<uint8_t>(CapabilityState.ccittKFactor & 0xFFu);
            break;
        case TWCP_GROUP4:
            ScanWindow.compression = 3;
            break;
        default:
            break;
    }
}

bool AnyAreaOn(const SettingRecord& area1, const SettingRecord& area2, const SettingRecord& area3) {
    return !TextIs(area1, "OFF") || !TextIs(area2, "OFF") || !TextIs(area3, "OFF");
}

// Completes the windows and sends the front, the back and the sub-areas.
int SendWindows(plat::WindowHandle owner) {
    ScanWindow.windowId = kFrontWindowId;
    ScanWindow.left = 0;
    ScanWindow.top = 0;
    SetCompression();
    ScanWindow.bitOrdering = ModelGeneration == 0 && ScanWindow.composition == kGrayComposition ? 1 : 0;

    if (SetWindow(ScsiTarget, ScanWindow) != kScsiGood) return CommandFailed(owner);
    if (ScanJob.duplex != 0) {
        ScanWindow.windowId = kBackWindowId;
        if (SetWindow(ScsiTarget, ScanWindow) != kScsiGood) return CommandFailed(owner);
    }
    if (!FrontSubArea.disabled && AnyAreaOn(FrontArea1, FrontArea2, FrontArea3)) {
        SubAreaWindow[kFrontSubArea].windowId = kFrontWindowId;
        if (SetSubAreaWindow(ScsiTarget, SubAreaWindow[kFrontSubArea]) != kScsiGood) return CommandFailed(owner);
    }
    if (!BackSubArea.disabled && AnyAreaOn(BackArea1, BackArea2, BackArea3)) {
        SubAreaWindow[kBackSubArea].windowId = kBackWindowId;
        if (SetSubAreaWindow(ScsiTarget, SubAreaWindow[kBackSubArea]) != kScsiGood) return CommandFailed(owner);
    }
    return 1;
}

bool ManualFeedWaitApplies(plat::WindowHandle owner) {
    return owner != nullptr && !ManualFeed.disabled && TextIs(ManualFeed, "ON") && ShowUIFlag == 1 &&
           ProgressDialog == nullptr;
}

// The wait for the user to lay paper on the feeder, with paper size detection
// once it is there. Answers 0 after a failed window or a cancelled wait.
int WaitForManualFeed(plat::WindowHandle owner) {
    const uint32_t dotsPerInch = ScanWindow.xResolution;
    ScanJob.waitCancel = 0;
    if (!SendWindows(owner)) return 0;
    if (!WaitForPaper(owner, WaitTimeoutMs(ScanValues.waitTimeout))) return 0;
    if (!PaperDetect.disabled && TextIs(PaperDetect, "ON") && ShowUIFlag == 1) {
        const PaperRow& paper = FindPaperByScannerCode(ScannerStatus.paperSizeCode);
        StorePageSize(paper.width, paper.length, dotsPerInch, 1);
    }
    return 1;
}

// Takes the scanner's image size when the page it describes can be held: a
// byte count that is not zero and fits the signed count of remaining bytes.
int AcceptImageSize(plat::WindowHandle owner, uint32_t pixelsPerLine, uint32_t lines) {
    const uint32_t bytesPerLine = BytesPerScannerLine(pixelsPerLine, ScanWindow.bitsPerPixel);
    const uint64_t pageBytes = static_cast<uint64_t>(lines) * bytesPerLine;
    if (pageBytes == 0) {
        ShowMessage(owner, kTransferErrorKey, kTransferErrorAsc, kTransferErrorAscq);
        return 0;
    }
    if (pageBytes + kImageSizeExtraBytes > INT32_MAX || pixelsPerLine > INT32_MAX) {
        ShowMessage(owner, kSourceMessageKey, kSourceGroup, kShortOfMemory);
        return 0;
    }
    ImageGeometry.pixelsPerLine = pixelsPerLine;
    ImageGeometry.lines = lines;
    ImageGeometry.bytesPerLine = bytesPerLine;
    ImageGeometry.imageBytes = static_cast<uint32_t>(pageBytes + kImageSizeExtraBytes);
    ImageGeometry.remainingBytes = static_cast<int32_t>(ImageGeometry.imageBytes);
    return 1;
}

void FillImageInfo() {
    const bool gray = ScanWindow.composition == kGrayComposition;
    const TW_INT16 bits = !gray ? 1 : ScanWindow.bitsPerPixel == 4 ? 4 : 8;
    TW_IMAGEINFO& info = ImageInfoRecord;
    std::memset(&info, 0, sizeof info);
    info.XResolution = TW_FIX32{static_cast<TW_INT16>(ScanWindow.xResolution & 0xFFFFu), 0};
    info.YResolution = TW_FIX32{static_cast<TW_INT16>(ScanWindow.yResolution & 0xFFFFu), 0};
    info.ImageWidth = static_cast<TW_INT32>(ImageGeometry.pixelsPerLine);
    info.ImageLength = static_cast<TW_INT32>(ImageGeometry.lines);
    info.SamplesPerPixel = 1;
    info.BitsPerSample[0] = bits;
    info.BitsPerPixel = bits;
    info.Planar = 0;
    info.PixelType = gray ? TWPT_GRAY : TWPT_BW;
    info.Compression = !gray && MemoryTransferChosen() ? CurrentItem(CapabilityState.compression.current)
                                                        : static_cast<TW_UINT16>(TWCP_NONE);
}

bool HasImprinter() { return InquiryProduct[kImprinterSuffixPosition] == kImprinterSuffix; }

// The imprinter data: the printing offset, six zero bytes and the coded text.
// A stored text that does not code is refused with the endorser dialog's
// message: the scanner never receives a partly coded text.
int SendImprinterText(plat::WindowHandle owner) {
    uint8_t block[kImprinterHeaderBytes + kEndorserCodedBufferSize] = {};
    block[0] = static_cast<uint8_t>(static_cast<uint32_t>(ScanValues.endorserOffset) & 0xFFu);
    char text[kEndorserStringSize];
    std::memcpy(text, ScanValues.endorserString, sizeof text);
    text[kEndorserStringSize - 1] = '\0';
    int32_t printed = 0;
    uint32_t codedBytes = 0;
    uint32_t success = 0;
    EncodeEndorserString(text, block + kImprinterHeaderBytes, &printed, &codedBytes, &success);
    if (success != 1 || codedBytes > kEndorserCodedBufferSize) {
        ShowMessage(owner, kSourceMessageKey, kSettingGroup, printed == -1 ? kEndorserTooLong : kEndorserInvalid);
        return 0;
    }
    if (SendEndorserData(ScsiTarget, kImprinterHeaderBytes + codedBytes, block) != kScsiGood) {
        return CommandFailed(owner);
    }
    return 1;
}

}  // namespace

int StartScan(plat::WindowHandle owner) {
    ScanJob.pagesTransferred = 0;
    ScanJob.sheetNumber = 0;
    ScanJob.sideCode = kSideFront;
    ScanJob.scanCancel = 0;
    ScanJob.feederEmpty = 0;
    ProgressPercentage = 0;
    MemoryLinePosition = 0;

    if (!WaitUntilReady(owner)) return 0;
    if (ManualFeedWaitApplies(owner) && !WaitForManualFeed(owner)) return 0;
    ClearWindows(ScsiTarget);
    if (!SendWindows(owner)) return 0;

    uint32_t pixelsPerLine = 0;
    uint32_t lines = 0;
    if (ReadImageSize(ScsiTarget, pixelsPerLine, lines) != kScsiGood) return CommandFailed(owner);
    if (!AcceptImageSize(owner, pixelsPerLine, lines)) return 0;
    FillImageInfo();

    if (HasImprinter() && TextIs(EndorserEnable, "ON") && !SendImprinterText(owner)) return 0;
    return 1;
}
