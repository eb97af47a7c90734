// The progress dialog of a batch ("SCANTYUDLG"): its procedure, the private
// message that paints its bar, and the progress of the page being read.
// The dialog lives from the first transfer of a batch (when indicators are on)
// to the end of the batch; closing the source destroys it before the main
// dialog that owns it. Depends on the platform's dialog services, the scan
// job and the capability state.
#pragma once

#include <cstdint>

#include "platform/dialogs.h"

// Percentage (0 to 100) of the current page read so far; reset at the start of
// a batch and of every page.
extern int32_t ProgressPercentage;

// The modeless progress dialog, or null.
extern plat::WindowHandle ProgressDialog;

// Private message (WM_USER + 1001): wParam the percentage, lParam 0.
constexpr uint32_t ProgressMessage = plat::WM_USER + 1001;

// Item ids of the dialog.
constexpr int kProgressLine1Item = 1130;
constexpr int kProgressLine2Item = 1131;
constexpr int kProgressBarItem = 118;

// Bar colours (0x00BBGGRR).
constexpr uint32_t kProgressDoneColour = 0xFF0000;
constexpr uint32_t kProgressToDoColour = 0xFFFFFF;

intptr_t PLAT_CALLBACK ProgressDialogProc(plat::WindowHandle dialog, uint32_t message,
                                          uintptr_t wParam, intptr_t lParam);

// 100 - remaining x 100 / total, truncating, computed without overflow; 0 for
// a total of 0.
int32_t PagePercentage(int64_t remainingBytes, uint32_t totalBytes);

// Creates the dialog, owned by the main dialog, when none exists and
// CAP_INDICATORS is TRUE.
void CreateProgressDialogIfWanted();
// Destroys the dialog if there is one.
void DestroyProgressDialog();
// With CAP_INDICATORS TRUE: paints `percentage` and takes at most one pending
// message of the dialog, translating and dispatching it.
void ReportProgress(int32_t percentage);
// Sets the two status lines from the string table (texts of at most 49 characters).
void SetProgressTexts(uint32_t line1StringId, uint32_t line2StringId);

void ResetProgressState();
