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
