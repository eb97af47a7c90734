// DS_Entry: the foreign-application filter, event processing for the main
// dialog, and dispatch of every other triplet through the two tables.
#include "twain/dispatch.h"

#include "platform/dialogs.h"
#include "settings/capability_negotiation.h"
#include "twain/entry_point.h"
#include "twain/handlers.h"
#include "twain/identity.h"
#include "twain/source_state.h"
#include "twain/user_interface.h"

plat::ModuleHandle ModuleInstance = nullptr;

// DG_CONTROL handlers. Columns: DAT, handler.
const DispatchEntry ControlDispatchTable[] = {
    {DAT_IDENTITY, HandleIdentity},
    {DAT_USERINTERFACE, HandleUserInterface},
#if defined(_WIN32)
    {DAT_CAPABILITY, NegotiateCapability},
#else
    {DAT_CAPABILITY, HandleCapabilityLinux},
#endif
    {DAT_STATUS, HandleStatus},
    {DAT_PENDINGXFERS, HandlePendingXfers},
    {DAT_SETUPMEMXFER, HandleSetupMemXfer},
    {DAT_SETUPFILEXFER, HandleSetupFileXfer},
    {DAT_XFERGROUP, HandleXferGroup},
#if !defined(_WIN32)
    {DAT_ENTRYPOINT, HandleEntryPoint},
#endif
    {0, nullptr},
};

// DG_IMAGE handlers. Columns: DAT, handler.
const DispatchEntry ImageDispatchTable[] = {
    {DAT_IMAGEINFO, HandleImageInfo},
    {DAT_IMAGELAYOUT, HandleImageLayout},
    {DAT_IMAGEMEMXFER, HandleImageMemXfer},
    {DAT_IMAGENATIVEXFER, HandleImageNativeXfer},
    {DAT_IMAGEFILEXFER, HandleImageFileXfer},
    {DAT_PALETTE8, HandlePalette8},
    {DAT_GRAYRESPONSE, HandleGrayResponse},
    {DAT_RGBRESPONSE, HandleRgbResponse},
    {DAT_CIECOLOR, HandleCieColor},
    {DAT_JPEGCOMPRESSION, HandleJpegCompression},
    {0, nullptr},
};

TW_UINT16 DispatchByDat(TripletCall* call, const DispatchEntry* table, TW_UINT16 dat) {
    for (const DispatchEntry* row = table; row->handler != nullptr; ++row) {
        if (row->dat == dat) return row->handler(call);
    }
    ConditionCode = TWCC_BADPROTOCOL;
    return TWRC_FAILURE;
}

bool OnModuleLoad(plat::ModuleHandle instance) {
    if (instance == nullptr) return false;
    ModuleInstance = instance;
    plat::SetResourceModule(instance);
    AppIdentity.Id = 0;
    FillSourceIdentity();
    return true;
}

namespace {

// A call from anyone but the connected application is not dispatched. Source
// managers list sources by asking for their identity without an origin: that
// one call is answered in every state; any other call without an origin
// counts as foreign.
bool IsForeignCall(const TW_IDENTITY* origin, TW_UINT32 dataGroup, TW_UINT16 dat, TW_UINT16 msg) {
    if (origin == nullptr) return !(dataGroup == DG_CONTROL && dat == DAT_IDENTITY && msg == MSG_GET);
    return AppIdentity.Id != 0 && origin->Id != AppIdentity.Id;
}

TW_UINT16 ProcessEvent(TW_MEMREF data) {
    DebugTrace("Process event message at source\r\n");
    auto* event = static_cast<TW_EVENT*>(data);
    if (MainDialog != nullptr && event != nullptr && event->pEvent != nullptr &&
        plat::OfferDialogMessage(MainDialog, event->pEvent)) {
        DebugTrace("Process event Message directed to data source dialog\r\n");
        event->TWMessage = MSG_NULL;
        return TWRC_DSEVENT;
    }
    DebugTrace("Process event not ds event\r\n");
    return TWRC_NOTDSEVENT;
}

}  // namespace

extern "C" KORVEX_EXPORT TW_UINT16 TW_CALLINGSTYLE DS_Entry(TW_IDENTITY* origin, TW_UINT32 dataGroup,
                                                            TW_UINT16 dat, TW_UINT16 msg,
                                                            TW_MEMREF data) {
    if (IsForeignCall(origin, dataGroup, dat, msg)) {
        // Refused without touching any state, the condition code included.
        return TWRC_FAILURE;
    }
    if (msg == MSG_PROCESSEVENT) return ProcessEvent(data);
    if (dataGroup != DG_CONTROL && dat != DAT_STATUS) ConditionCode = TWCC_SUCCESS;

    TripletCall call{origin, dataGroup, dat, msg, data};
    switch (dataGroup) {
        case DG_CONTROL:
            return DispatchByDat(&call, ControlDispatchTable, dat);
        case DG_IMAGE:
            return DispatchByDat(&call, ImageDispatchTable, dat);
        default:
            ConditionCode = TWCC_BADPROTOCOL;
            return TWRC_FAILURE;
    }
}
