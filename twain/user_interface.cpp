// The main dialog's records and their release at close.
#include "twain/user_interface.h"

#include "platform/dialogs.h"
#include "scanner/discovery.h"
#include "scanner/scsi_commands.h"
#include "transfer/progress_dialog.h"

plat::WindowHandle MainDialog = nullptr;
plat::WindowHandle ParentWindow = nullptr;
TW_UINT8 ShowUIFlag = 0;

void ReleaseScanDialogs() {
    ClearWindows(ScsiTarget);
    ScannerCount = 0;
    // The progress dialog first: the main dialog owns it.
    DestroyProgressDialog();
    plat::DestroyDialog(MainDialog);
    MainDialog = nullptr;
}

void ResetUserInterfaceState() {
    MainDialog = nullptr;
    ParentWindow = nullptr;
    ShowUIFlag = 0;
}
