// DG_CONTROL / DAT_USERINTERFACE: MSG_ENABLEDS and MSG_DISABLEDS, the main
// dialog's records, its Scan and Cancel commands' hand-over to the scan job
// and the manager notifications, and the dialogs' release at close.
#include "twain/user_interface.h"

#include "platform/dialogs.h"
#include "scanner/discovery.h"
#include "scanner/scan_window_builder.h"
#include "scanner/scsi_commands.h"
#include "settings/capability_container.h"
#include "settings/capability_negotiation.h"
#include "settings/settings_model.h"
#include "transfer/progress_dialog.h"
#include "transfer/scan_job.h"
#include "twain/entry_point.h"
#include "twain/handlers.h"
#include "twain/notify.h"
#include "twain/source_state.h"
#include "ui/main_dialog.h"

plat::WindowHandle MainDialog = nullptr;
plat::WindowHandle ParentWindow = nullptr;
TW_UINT8 ShowUIFlag = 0;

namespace {

constexpr const char* kUserInterfaceContext = "General failure in response to DAT_USERINTERFACE.  ";
constexpr const char* kEnableContext = "General failure in response to MSG_ENABLEDS.  ";
constexpr const char* kDisableContext = "General failure in response to MSG_DISABLEDS.  ";
[[maybe_unused]] constexpr const char* kCapabilityContext =
    "General failure in response to DAT_CAPS.  ";

// Whether the main dialog can be shown to someone. On Linux a TWAIN 2 manager
// (it sent DAT_ENTRYPOINT) means an application of its own: nothing draws the
// host dialogs or drives them, so ShowUI true scans as without the dialog.
// Under our own manager the host dialog driver of the program (korvex-scan
// --show-ui, the tests) works the dialog.
bool MainDialogCanBeShown() {
#if defined(_WIN32)
    return true;
#else
    return ManagerEntry == nullptr;
#endif
}

TW_UINT16 EnableSource(const TW_USERINTERFACE& request) {
    if (SourceState != kStateOpen) return FailOperation(TWCC_SEQERROR, kEnableContext);
    ParentWindow = request.hParent;
    if (MainDialog == nullptr) {
        MainDialog = plat::CreateModelessDialog(kMainDialogTemplate, ParentWindow, MainDialogProc, 0);
        if (MainDialog == nullptr) return FailOperation(TWCC_LOWMEMORY, kEnableContext);
    }
    if (request.ShowUI != 0 && MainDialogCanBeShown()) {
        ShowUIFlag = 1;
        plat::ShowDialog(MainDialog, true);
        SourceState = kStateEnabled;
        return TWRC_SUCCESS;
    }
    ShowUIFlag = 0;
    ReadMainDialog(MainDialog);
    ApplyMainDialogRules(MainDialog);
    if (BuildScanWindow(MainDialog) != 1 || StartScan(MainDialog) != 1) {
        // The failing step has told the user why.
        ConditionCode = TWCC_SEQERROR;
        return TWRC_FAILURE;
    }
    SourceState = kStateEnabled;
    NotifyXferReady();
    // A dialog asked for and not shown: the scan runs, the answer says so.
    return request.ShowUI != 0 ? TWRC_CHECKSTATUS : TWRC_SUCCESS;
}

TW_UINT16 DisableSource() {
    if (SourceState < kStateEnabled || SourceState > kStateTransferring) {
        return FailOperation(TWCC_SEQERROR, kDisableContext);
    }
    plat::ShowDialog(MainDialog, false);
    SourceState = kStateOpen;
    return TWRC_SUCCESS;
}

}  // namespace

TW_UINT16 HandleUserInterface(TripletCall* call) {
    switch (call->msg) {
        case MSG_DISABLEDS:
            return DisableSource();
        case MSG_ENABLEDS:
            if (call->data == nullptr) return FailOperation(TWCC_BADVALUE, kEnableContext);
            RefreshAvailability();
            return EnableSource(*static_cast<const TW_USERINTERFACE*>(call->data));
        default:
            return FailOperation(TWCC_BADPROTOCOL, kUserInterfaceContext);
    }
}

#if !defined(_WIN32)
TW_UINT16 HandleCapabilityLinux(TripletCall* call) {
    auto* cap = static_cast<TW_CAPABILITY*>(call->data);
    const bool query =
        call->msg == MSG_GET || call->msg == MSG_GETCURRENT || call->msg == MSG_GETDEFAULT;
    if (cap == nullptr || cap->Cap != CAP_UICONTROLLABLE || !query) {
        return NegotiateCapability(call);
    }
    // TRUE: every batch can run without the dialog (the standard managers'
    // applications always get one so, see MainDialogCanBeShown).
    const TW_UINT16 condition = BuildOneValue(cap, TWTY_BOOL, 1);
    if (condition != TWCC_SUCCESS) return FailOperation(condition, kCapabilityContext);
    return TWRC_SUCCESS;
}
#endif

void StartScanFromMainDialog(plat::WindowHandle dialog) {
    if (BuildScanWindow(dialog) != 1) return;
    if (StartScan(dialog) == 1) NotifyXferReady();
}

void RequestCloseFromMainDialog() { NotifyCloseDSReq(); }

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
