// The wait for paper before the first sheet of a manual-feed batch: the
// "WAITTYUDLG" dialog, its procedure and the loop that polls the scanner's
// paper status while pumping the dialog's messages.
#pragma once

#include <cstdint>

#include "platform/dialogs.h"

constexpr const char* kWaitDialogTemplate = "WAITTYUDLG";

// The wait dialog while it exists; null otherwise.
extern plat::WindowHandle WaitDialog;

intptr_t PLAT_CALLBACK WaitDialogProc(plat::WindowHandle dialog, uint32_t message, uintptr_t wParam,
                                      intptr_t lParam);

// Milliseconds of a wait time in seconds from the settings; values beyond what
// the tick count can measure are held to the longest measurable wait.
uint32_t WaitTimeoutMs(int32_t seconds);

// Polls the paper status until the feeder holds paper (1), or until the user
// cancels or `timeoutMs` of the tick count have passed (0, windows cleared).
// The dialog, owned by `owner`, appears at the first poll without paper; the
// owner's own input is dropped meanwhile. Never sleeps.
int WaitForPaper(plat::WindowHandle owner, uint32_t timeoutMs);
