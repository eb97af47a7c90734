// Operations that the source does not carry out yet. Each answers
// TWRC_FAILURE with TWCC_BADPROTOCOL until its handler is written; the file
// shrinks as they are.
#include "twain/handlers.h"
#include "twain/source_state.h"

namespace {
TW_UINT16 NotBuilt(TripletCall*) {
    ConditionCode = TWCC_BADPROTOCOL;
    return TWRC_FAILURE;
}
}  // namespace

TW_UINT16 HandlePendingXfers(TripletCall* call) { return NotBuilt(call); }
TW_UINT16 HandleSetupMemXfer(TripletCall* call) { return NotBuilt(call); }
TW_UINT16 HandleSetupFileXfer(TripletCall* call) { return NotBuilt(call); }
TW_UINT16 HandleXferGroup(TripletCall* call) { return NotBuilt(call); }
TW_UINT16 HandleImageInfo(TripletCall* call) { return NotBuilt(call); }
TW_UINT16 HandleImageLayout(TripletCall* call) { return NotBuilt(call); }
TW_UINT16 HandleImageMemXfer(TripletCall* call) { return NotBuilt(call); }
TW_UINT16 HandleImageNativeXfer(TripletCall* call) { return NotBuilt(call); }
TW_UINT16 HandleImageFileXfer(TripletCall* call) { return NotBuilt(call); }
TW_UINT16 HandlePalette8(TripletCall* call) { return NotBuilt(call); }
TW_UINT16 HandleGrayResponse(TripletCall* call) { return NotBuilt(call); }
TW_UINT16 HandleRgbResponse(TripletCall* call) { return NotBuilt(call); }
TW_UINT16 HandleCieColor(TripletCall* call) { return NotBuilt(call); }
TW_UINT16 HandleJpegCompression(TripletCall* call) { return NotBuilt(call); }
