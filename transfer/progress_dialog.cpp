// The progress dialog, its painted bar and the page percentage.
#include "transfer/progress_dialog.h"

#include "settings/capability_state.h"
#include "transfer/scan_job.h"
#include "twain/user_interface.h"

int32_t ProgressPercentage = 0;
plat::WindowHandle ProgressDialog = nullptr;

namespace {

constexpr const char* kProgressTemplate = "SCANTYUDLG";
constexpr int kStatusTextSize = 50;

// Fills the bar's client area, one pixel inside its edge: done from the left,
// still to do from the right.
void PaintBar(plat::WindowHandle dialog, int32_t percentage) {
    int width = 0;
    int height = 0;
    if (!plat::GetItemClientSize(dialog, kProgressBarItem, &width, &height)) return;
    const int left = 1;
    const int top = 1;
    const int right = width - 1;
    const int bottom = height - 1;
    if (right <= left || bottom <= top) return;
    if (percentage < 0) percentage = 0;
    if (percentage > 100) percentage = 100;
    const int inner = right - left;
    int doneRight = left + inner * percentage / 100;
    if (doneRight > right) doneRight = right;
    int toDoLeft = right - inner * (100 - percentage) / 100;
    if (toDoLeft < left) toDoLeft = left;
    plat::FillItemRect(dialog, kProgressBarItem, left, top, doneRight, bottom, kProgressDoneColour);
    plat::FillItemRect(dialog, kProgressBarItem, toDoLeft, top, right, bottom, kProgressToDoColour);
}

}  // namespace

intptr_t PLAT_CALLBACK ProgressDialogProc(plat::WindowHandle dialog, uint32_t message,
                                          uintptr_t wParam, intptr_t) {
    switch (message) {
        case plat::WM_INITDIALOG:
            // A one-page batch cannot be cancelled.
            if (ScanJob.allPages == 0 && ScanJob.duplex == 0) {
                plat::EnableItem(dialog, plat::IDCANCEL, false);
                return 1;
            }
            return 0;
        case plat::WM_COMMAND:
            if ((wParam & 0xFFFF) != static_cast<uintptr_t>(plat::IDCANCEL)) return 0;
            ScanJob.scanCancel = 1;
            plat::EnableItem(dialog, plat::IDCANCEL, false);
            return 1;
        case ProgressMessage:
            PaintBar(dialog, static_cast<int32_t>(wParam));
            return 1;
        default:
            return 0;
    }
}

int32_t PagePercentage(int64_t remainingBytes, uint32_t totalBytes) {
    if (totalBytes == 0) return 0;
    return static_cast<int32_t>(100 - remainingBytes * 100 / totalBytes);
}

void CreateProgressDialogIfWanted() {
    if (ProgressDialog != nullptr || CapabilityState.indicators == 0) return;
    ProgressDialog = plat::CreateModelessDialog(kProgressTemplate, MainDialog, ProgressDialogProc, 0);
}

void DestroyProgressDialog() {
    if (ProgressDialog == nullptr) return;
    plat::DestroyDialog(ProgressDialog);
    ProgressDialog = nullptr;
}

void ReportProgress(int32_t percentage) {
    if (CapabilityState.indicators == 0 || ProgressDialog == nullptr) return;
    plat::SendDialogMessage(ProgressDialog, ProgressMessage, static_cast<uintptr_t>(percentage), 0);
    plat::PumpOneMessage(ProgressDialog);
}

void SetProgressTexts(uint32_t line1StringId, uint32_t line2StringId) {
    if (ProgressDialog == nullptr) return;
    char text[kStatusTextSize];
    plat::LoadResString(line1StringId, text, kStatusTextSize);
    plat::SetItemText(ProgressDialog, kProgressLine1Item, text);
    plat::LoadResString(line2StringId, text, kStatusTextSize);
    plat::SetItemText(ProgressDialog, kProgressLine2Item, text);
}

void ResetProgressState() {
    ProgressPercentage = 0;
    ProgressDialog = nullptr;
}
