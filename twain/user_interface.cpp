// The main dialog's records and their release at close.
#include "twain/user_interface.h"

#include "platform/dialogs.h"

plat::WindowHandle MainDialog = nullptr;
plat::WindowHandle ParentWindow = nullptr;
TW_UINT8 ShowUIFlag = 0;

void ReleaseScanDialogs() {
    // TODO(#3): send ClearWindows to the scanner and set ScannerCount to 0 first.
    plat::DestroyDialog(MainDialog);
    MainDialog = nullptr;
}

void ResetUserInterfaceState() {
    MainDialog = nullptr;
    ParentWindow = nullptr;
    ShowUIFlag = 0;
}
