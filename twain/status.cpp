// DAT_STATUS: reports the condition code of the last failure once.
#include "twain/handlers.h"
#include "twain/source_state.h"

TW_UINT16 HandleStatus(TripletCall* call) {
    constexpr const char* kContext = "General failure in response to DAT_STATUS.  ";
    if (call->msg != MSG_GET) return FailOperation(TWCC_BADPROTOCOL, kContext);
    if (call->data == nullptr) return FailOperation(TWCC_BADVALUE, kContext);
    auto* status = static_cast<TW_STATUS*>(call->data);
    status->ConditionCode = ConditionCode;
    status->Reserved = 0;
    ConditionCode = TWCC_SUCCESS;
    return TWRC_SUCCESS;
}
