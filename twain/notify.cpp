// The notifications to the source manager. A TWAIN 2 manager that handed over
// its DSM_Entry with DAT_ENTRYPOINT is called through it: that is the manager
// the application opened. Otherwise the manager's library "TWAIN_32.DLL" is
// loaded around each call and released after it; when it or its entry point
// cannot be found the notification is simply not sent.
#include "twain/notify.h"

#include "platform/platform.h"
#include "twain/entry_point.h"
#include "twain/identity.h"
#include "twain/source_state.h"
#include "twain/twain_types.h"

namespace {

constexpr const char* kManagerModule = "TWAIN_32.DLL";
constexpr const char* kManagerEntry = "DSM_Entry";

void SendToManager(TW_UINT16 msg) {
    if (ManagerEntry != nullptr) {
        ManagerEntry(&SourceIdentity, &AppIdentity, DG_CONTROL, DAT_NULL, msg, nullptr);
        return;
    }
    plat::ModuleHandle manager = plat::LoadModule(kManagerModule);
    if (manager == nullptr) return;
    auto entry = reinterpret_cast<DSMENTRYPROC>(plat::FindSymbol(manager, kManagerEntry));
    if (entry != nullptr) entry(&SourceIdentity, &AppIdentity, DG_CONTROL, DAT_NULL, msg, nullptr);
    plat::FreeModule(manager);
}

}  // namespace

void NotifyXferReady() {
    DebugTrace("function  NotifyXferReady\r\n");
    SourceState = kStateXferReady;
    SendToManager(MSG_XFERREADY);
}

void NotifyCloseDSReq() { SendToManager(MSG_CLOSEDSREQ); }
