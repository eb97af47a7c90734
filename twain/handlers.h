// The operation handlers of the two dispatch tables that live in twain/.
// Identity is in identity.h; capabilities are negotiated in settings/.
#pragma once

#include "twain/dispatch.h"

// DG_CONTROL
TW_UINT16 HandleUserInterface(TripletCall* call);
TW_UINT16 HandleStatus(TripletCall* call);
TW_UINT16 HandlePendingXfers(TripletCall* call);
TW_UINT16 HandleSetupMemXfer(TripletCall* call);
TW_UINT16 HandleSetupFileXfer(TripletCall* call);
TW_UINT16 HandleXferGroup(TripletCall* call);
#if !defined(_WIN32)
// DAT_CAPABILITY on Linux: CAP_UICONTROLLABLE, then NegotiateCapability.
TW_UINT16 HandleCapabilityLinux(TripletCall* call);
#endif

// DG_IMAGE
TW_UINT16 HandleImageInfo(TripletCall* call);
TW_UINT16 HandleImageLayout(TripletCall* call);
TW_UINT16 HandleImageMemXfer(TripletCall* call);
TW_UINT16 HandleImageNativeXfer(TripletCall* call);
TW_UINT16 HandleImageFileXfer(TripletCall* call);
TW_UINT16 HandlePalette8(TripletCall* call);
TW_UINT16 HandleGrayResponse(TripletCall* call);
TW_UINT16 HandleRgbResponse(TripletCall* call);
TW_UINT16 HandleCieColor(TripletCall* call);
TW_UINT16 HandleJpegCompression(TripletCall* call);
