// A minimal data source for the source manager's tests: it opens and closes,
// reports its condition, and notifies the manager from inside its own calls
// the way a real source does. MSG_ENABLEDS sends MSG_XFERREADY, MSG_DISABLEDS
// sends MSG_CLOSEDSREQ, and DAT_XFERGROUP / MSG_SET with a TW_UINT32 of 1 makes
// it refuse MSG_CLOSEDS until set back to 0.
#include <dlfcn.h>

#include <cstdio>
#include <cstring>

#include "twain/twain_types.h"

namespace {

TW_IDENTITY Self;
TW_IDENTITY Application;
bool Open = false;
bool RefuseClose = false;
TW_UINT16 Condition = TWCC_SUCCESS;

void FillIdentity(TW_IDENTITY& identity) {
    std::memset(&identity, 0, sizeof identity);
    identity.Version.MajorNum = 1;
    identity.Version.Language = TWLG_USA;
    identity.Version.Country = TWCY_USA;
    std::snprintf(identity.Version.Info, sizeof identity.Version.Info, "test");
    identity.ProtocolMajor = 1;
    identity.ProtocolMinor = 5;
    identity.SupportedGroups = DG_CONTROL | DG_IMAGE;
    std::snprintf(identity.Manufacturer, sizeof identity.Manufacturer, "Korvex");
    std::snprintf(identity.ProductFamily, sizeof identity.ProductFamily, "Test sources");
    std::snprintf(identity.ProductName, sizeof identity.ProductName, "Korvex Test Source");
}

TW_UINT16 Fail(TW_UINT16 condition) {
    Condition = condition;
    return TWRC_FAILURE;
}

// Notifies through the manager the application already holds.
void Notify(TW_UINT16 msg) {
    void* manager = dlopen("twain_32.so", RTLD_NOW | RTLD_NOLOAD);
    if (manager == nullptr) return;
    auto entry = reinterpret_cast<DSMENTRYPROC>(dlsym(manager, "DSM_Entry"));
    if (entry != nullptr) entry(&Self, &Application, DG_CONTROL, DAT_NULL, msg, nullptr);
    dlclose(manager);
}

__attribute__((constructor)) void Load() { FillIdentity(Self); }

}  // namespace

extern "C" __attribute__((visibility("default"))) TW_UINT16 DS_Entry(TW_IDENTITY* origin,
                                                                     TW_UINT32 dataGroup,
                                                                     TW_UINT16 dat, TW_UINT16 msg,
                                                                     TW_MEMREF data) {
    if (msg == MSG_PROCESSEVENT) return TWRC_NOTDSEVENT;
    if (dataGroup != DG_CONTROL) return Fail(TWCC_BADPROTOCOL);
    switch (dat) {
        case DAT_IDENTITY:
            if (msg == MSG_GET && data != nullptr) {
                std::memcpy(data, &Self, sizeof Self);
                return TWRC_SUCCESS;
            }
            if (msg == MSG_OPENDS && data != nullptr && origin != nullptr) {
                if (Open) return Fail(TWCC_SEQERROR);
                std::memcpy(&Application, origin, sizeof Application);
                std::memcpy(&Self, data, sizeof Self);
                Open = true;
                return TWRC_SUCCESS;
            }
            if (msg == MSG_CLOSEDS) {
                if (!Open) return Fail(TWCC_SEQERROR);
                if (RefuseClose) return Fail(TWCC_BUMMER);
                Open = false;
                return TWRC_SUCCESS;
            }
            return Fail(TWCC_BADPROTOCOL);
        case DAT_STATUS: {
            if (msg != MSG_GET || data == nullptr) return Fail(TWCC_BADPROTOCOL);
            TW_STATUS status{Condition, 0};
            std::memcpy(data, &status, sizeof status);
            Condition = TWCC_SUCCESS;
            return TWRC_SUCCESS;
        }
        case DAT_USERINTERFACE:
            if (msg == MSG_ENABLEDS) Notify(MSG_XFERREADY);
            else if (msg == MSG_DISABLEDS) Notify(MSG_CLOSEDSREQ);
            else return Fail(TWCC_BADPROTOCOL);
            return TWRC_SUCCESS;
        case DAT_XFERGROUP: {
            if (msg != MSG_SET || data == nullptr) return Fail(TWCC_BADPROTOCOL);
            TW_UINT32 refuse = 0;
            std::memcpy(&refuse, data, sizeof refuse);
            RefuseClose = refuse != 0;
            return TWRC_SUCCESS;
        }
        default:
            return Fail(TWCC_BADPROTOCOL);
    }
}
