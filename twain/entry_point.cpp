// DAT_ENTRYPOINT: checks the manager's record and switches the blocks
// exchanged with the application to the manager's memory functions.
#include "twain/entry_point.h"

#include <cstring>

#include "twain/app_memory.h"
#include "twain/source_state.h"

DSMENTRYPROC ManagerEntry = nullptr;

namespace {

constexpr const char* kEntryPointContext = "General failure in response to DAT_ENTRYPOINT.  ";

}  // namespace

TW_UINT16 HandleEntryPoint(TripletCall* call) {
    if (call->msg != MSG_SET) return FailOperation(TWCC_BADPROTOCOL, kEntryPointContext);
    // Only before the open: blocks already handed over were made by the
    // functions in use, and must be freed by the same ones.
    if (SourceState != kStateLoaded) return FailOperation(TWCC_SEQERROR, kEntryPointContext);
    if (call->data == nullptr) return FailOperation(TWCC_BADVALUE, kEntryPointContext);
    TW_UINT32 size = 0;
    std::memcpy(&size, call->data, sizeof size);
    // A longer record of a later version starts with the same fields.
    if (size < sizeof(TW_ENTRYPOINT)) return FailOperation(TWCC_BADVALUE, kEntryPointContext);
    TW_ENTRYPOINT entryPoint;
    std::memcpy(&entryPoint, call->data, sizeof entryPoint);
    if (entryPoint.DSM_Entry == nullptr || entryPoint.DSM_MemAllocate == nullptr ||
        entryPoint.DSM_MemFree == nullptr || entryPoint.DSM_MemLock == nullptr ||
        entryPoint.DSM_MemUnlock == nullptr) {
        return FailOperation(TWCC_BADVALUE, kEntryPointContext);
    }
    ManagerEntry = entryPoint.DSM_Entry;
    UseManagerMemory(entryPoint);
    return TWRC_SUCCESS;
}

void ForgetManagerEntryPoints() {
    ManagerEntry = nullptr;
    UsePlatformMemory();
}

void ResetEntryPointState() { ForgetManagerEntryPoints(); }
