// The source's user interface as the TWAIN interface sees it: the modeless
// main dialog, the ShowUI flag and the parent window of the last enable
// (DAT_USERINTERFACE itself is declared in twain/handlers.h).
#pragma once

#include "platform/platform.h"
#include "twain/twain_types.h"

extern plat::WindowHandle MainDialog;
extern plat::WindowHandle ParentWindow;
extern TW_UINT8 ShowUIFlag;

// Closing with a main dialog: stops the scanner and destroys the dialogs.
void ReleaseScanDialogs();

void ResetUserInterfaceState();
