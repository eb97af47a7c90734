// The main settings dialog "DC_SCANDLG": its procedure, the routines that fill
// it from the settings model and read it back, and its usability rules, which
// also run on the hidden dialog of a scan without user interface. The Scan and
// Cancel commands end in the two routines declared last, which the TWAIN
// interface defines in twain/user_interface.cpp.
#pragma once

#include <cstdint>

#include "platform/dialogs.h"

constexpr const char* kMainDialogTemplate = "DC_SCANDLG";

intptr_t PLAT_CALLBACK MainDialogProc(plat::WindowHandle dialog, uint32_t message, uintptr_t wParam,
                                      intptr_t lParam);

// Fills the combo boxes, limits the fields, sets the caption and the scroll
// ranges, and enables the controls of the dialog's settings.
void InitMainDialogControls(plat::WindowHandle dialog);
// Shows the settings' texts and the brightness and contrast values.
void ShowMainDialogValues(plat::WindowHandle dialog);
// Copies the radio buttons and the combo boxes' texts into the settings.
void ReadMainDialog(plat::WindowHandle dialog);
// Enables and disables the settings' controls by the current choices and sets
// the `disabled` flags that the scan window and the other dialogs read.
void ApplyMainDialogRules(plat::WindowHandle dialog);
// Refills the paper size list after the free sizes changed; a chosen size that
// is gone falls back to the model's standard size.
void RefillPaperSizeCombo(plat::WindowHandle dialog);

// After Scan has saved the settings and synchronised the capabilities: builds
// the scan window, starts the scanner and announces the transfer.
void StartScanFromMainDialog(plat::WindowHandle dialog);
// Cancel and the close box: asks the application to close the source.
void RequestCloseFromMainDialog();
