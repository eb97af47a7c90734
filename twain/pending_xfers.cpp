// DAT_PENDINGXFERS: MSG_GET, MSG_RESET, and MSG_ENDXFER, which decides after
// every page whether another follows (the back side, the next sheet, or a
// sheet the user feeds by hand) and moves the scan job to it.
#include <cstdint>
#include <cstring>

#include "platform/dialogs.h"
#include "scanner/discovery.h"
#include "scanner/scsi_commands.h"
#include "settings/capability_state.h"
#include "settings/settings_model.h"
#include "transfer/memory_transfer.h"
#include "transfer/native_transfer.h"
#include "transfer/progress_dialog.h"
#include "transfer/scan_job.h"
#include "transfer/wait_dialog.h"
#include "twain/handlers.h"
#include "twain/identity.h"
#include "twain/source_state.h"
#include "twain/user_interface.h"

namespace {

constexpr const char* kPendingContext = "General failure in response to DAT_PENDINGXFER.  ";
constexpr const char* kSwitchOn = "ON";

constexpr TW_UINT16 kMorePending = 0xFFFF;
constexpr uint32_t kScratchBlockSize = 100;

// Sense of an empty feeder: NOT READY, medium not present.
constexpr uint8_t kNoPaperKey = 0x03;
constexpr uint8_t kNoPaperAsc = 0x3A;

// Status texts of the progress dialog.
constexpr uint32_t kStrNowWaiting = 3090;
constexpr uint32_t kStrSetPaper = 3091;
constexpr uint32_t kStrNowScanning = 3092;
constexpr uint32_t kStrPleaseWait = 3093;

enum class NextPage { Follows, NoPaper };

TW_UINT16 AnotherPage(TW_PENDINGXFERS& pending) {
    SourceState = kStateXferReady;
    pending.Count = kMorePending;
    return TWRC_SUCCESS;
}

TW_UINT16 EndBatch(TW_PENDINGXFERS& pending) {
    SourceState = kStateEnabled;
    pending.Count = 0;
    DestroyProgressDialog();
    return TWRC_SUCCESS;
}

TW_UINT16 ClearAndEndBatch(TW_PENDINGXFERS& pending) {
    ClearWindows(ScsiTarget);
    return EndBatch(pending);
}

void AdvanceJob() {
    if (ScanJob.duplex != 0 && ScanJob.sideCode == kSideFront) {
        ScanJob.sideCode = kSideBack;
    } else {
        ScanJob.sideCode = kSideFront;
        ++ScanJob.sheetNumber;
    }
    ++ScanJob.pageNumber;
}

bool BatchIsDone() {
    if (ScanJob.scanCancel != 0) return true;
    if (ScanJob.allPages != 0) return false;
    return ScanJob.duplex == 0 || ScanJob.sheetNumber >= 1;
}

// Asks the scanner with a READ of length 0 whether the next side can be read.
// An error other than an empty feeder is kept for the next transfer to show.
NextPage TestForNextPage() {
    ImageGeometry.remainingBytes = static_cast<int32_t>(ImageGeometry.imageBytes);
    ProgressPercentage = 0;
    StartMemoryPage();
    plat::MemHandle scratch = plat::MemAlloc(kScratchBlockSize);
    auto* bytes = static_cast<uint8_t*>(plat::MemLock(scratch));
    // The READ moves no data, so a scratch block that cannot be had is no
    // reason to skip the test and announce a page the feeder may not hold.
    uint8_t unused[1] = {};
    NextPage next = NextPage::Follows;
    const ScsiResult result = ReadImage(ScsiTarget, 0, bytes != nullptr ? bytes : unused);
    if (result != kScsiGood) {
        if (IsCheckCondition(result) && SenseSnapshot.senseKey == kNoPaperKey &&
            SenseSnapshot.asc == kNoPaperAsc) {
            next = NextPage::NoPaper;
        } else {
            ScanJob.deferredError = 1;
            DeferredSense = SenseSnapshot;
        }
    }
    if (bytes != nullptr) plat::MemUnlock(scratch);
    plat::MemFree(scratch);
    return next;
}

// Waits for the user to put a sheet on the feeder, pumping only the progress
// dialog and keeping the main dialog's input away; true when a new batch
// started on the sheet.
bool WaitForManualSheet() {
    const uint32_t timeout = WaitTimeoutMs(ScanValues.waitTimeout);
    const uint32_t start = plat::TickCount();
    SetProgressTexts(kStrNowWaiting, kStrSetPaper);
    for (;;) {
        if (plat::TickCount() - start > timeout) ScanJob.scanCancel = 1;
        if (ScanJob.scanCancel != 0) {
            ClearWindows(ScsiTarget);
            SetProgressTexts(kStrNowScanning, kStrPleaseWait);
            return false;
        }
        ReadScannerStatus(ScsiTarget, ScannerStatus);
        if (ScannerStatus.paperPresent != 0) {
            SetProgressTexts(kStrNowScanning, kStrPleaseWait);
            if (StartScan(nullptr) == 1) return true;
            ClearWindows(ScsiTarget);
            return false;
        }
        if (ProgressDialog != nullptr) plat::PumpOneMessage(ProgressDialog);
        if (MainDialog != nullptr) plat::DropOneMessage(MainDialog);
    }
}

TW_UINT16 EndTransfer(TW_PENDINGXFERS& pending) {
    if (SourceState != kStateXferReady && SourceState != kStateTransferring) {
        DestroyProgressDialog();
        return FailOperation(TWCC_SEQERROR, kPendingContext);
    }
    if (ScanJob.pagesTransferred == 0 || ScanJob.feederEmpty != 0) return EndBatch(pending);
    AdvanceJob();
    ReportProgress(0);
    if (BatchIsDone()) return ClearAndEndBatch(pending);
    if (TestForNextPage() == NextPage::Follows) return AnotherPage(pending);

    const bool manualFeedAllowed = ShowUIFlag != 0 || LegacyHostFlag != 0;
    if (!manualFeedAllowed || std::strncmp(ManualFeed.text, kSwitchOn, sizeof ManualFeed.text) != 0) {
        return EndBatch(pending);
    }
    return WaitForManualSheet() ? AnotherPage(pending) : EndBatch(pending);
}

TW_UINT16 ResetTransfers(TW_PENDINGXFERS& pending) {
    const bool transferring = SourceState == kStateXferReady || SourceState == kStateTransferring;
    TW_UINT16 answer = TWRC_SUCCESS;
    if (transferring) {
        SourceState = kStateEnabled;
        pending.Count = 0;
    } else {
        answer = FailOperation(TWCC_SEQERROR, kPendingContext);
    }
    ClearWindows(ScsiTarget);
    DestroyProgressDialog();
    StartMemoryPage();
    return answer;
}

}  // namespace

TW_UINT16 HandlePendingXfers(TripletCall* call) {
    auto* pending = static_cast<TW_PENDINGXFERS*>(call->data);
    switch (call->msg) {
        case MSG_GET:
            if (SourceState < kStateOpen || SourceState > kStateTransferring) {
                return FailOperation(TWCC_SEQERROR, kPendingContext);
            }
            if (pending == nullptr) return FailOperation(TWCC_BADVALUE, kPendingContext);
            pending->Count = 0;
            return TWRC_SUCCESS;
        case MSG_ENDXFER:
            if (pending == nullptr) return FailOperation(TWCC_BADVALUE, kPendingContext);
            return EndTransfer(*pending);
        case MSG_RESET:
            if (pending == nullptr) return FailOperation(TWCC_BADVALUE, kPendingContext);
            return ResetTransfers(*pending);
        default:
            return FailOperation(TWCC_BADPROTOCOL, kPendingContext);
    }
}
