// The wait for paper before the first sheet and the "WAITTYUDLG" procedure.
#include "transfer/wait_dialog.h"

#include "scanner/discovery.h"
#include "scanner/scsi_commands.h"
#include "transfer/scan_job.h"

plat::WindowHandle WaitDialog = nullptr;

namespace {

constexpr uint32_t kMsPerSecond = 1000;
// The tick count is compared by unsigned subtraction: a wait must end before
// the difference can wrap.
constexpr uint32_t kLongestWaitMs = UINT32_MAX - kMsPerSecond;

void DestroyWaitDialog() {
    if (WaitDialog == nullptr) return;
    plat::DestroyDialog(WaitDialog);
    WaitDialog = nullptr;
}

}  // namespace

intptr_t PLAT_CALLBACK WaitDialogProc(plat::WindowHandle dialog, uint32_t message, uintptr_t wParam,
                                      intptr_t) {
    if (message == plat::WM_COMMAND && (wParam & 0xFFFFu) == static_cast<uintptr_t>(plat::IDCANCEL)) {
        ScanJob.waitCancel = 1;
        plat::EnableItem(dialog, plat::IDCANCEL, false);
        return 1;
    }
    return 0;
}

uint32_t WaitTimeoutMs(int32_t seconds) {
    if (seconds <= 0) return 0;
    uint64_t milliseconds = static_cast<uint64_t>(seconds) * kMsPerSecond;
    return milliseconds > kLongestWaitMs ? kLongestWaitMs : static_cast<uint32_t>(milliseconds);
}

int WaitForPaper(plat::WindowHandle owner, uint32_t timeoutMs) {
    const uint32_t start = plat::TickCount();
    for (bool firstPass = true;; firstPass = false) {
        ReadScannerStatus(ScsiTarget, ScannerStatus);
        if (ScannerStatus.paperPresent != 0) break;
        if (firstPass) {
            WaitDialog = plat::CreateModelessDialog(kWaitDialogTemplate, owner, WaitDialogProc, 0);
        }
        if (plat::TickCount() - start > timeoutMs) ScanJob.waitCancel = 1;
        if (ScanJob.waitCancel != 0) {
            ClearWindows(ScsiTarget);
            DestroyWaitDialog();
            return 0;
        }
        // Without a window a pump step would take the application's messages.
        if (WaitDialog != nullptr) plat::PumpOneMessage(WaitDialog);
        if (owner != nullptr) plat::DropOneMessage(owner);
    }
    DestroyWaitDialog();
    return 1;
}
