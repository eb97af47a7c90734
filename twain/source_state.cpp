// ConditionCode, SourceState, the failure report and the load-state reset.
#include "twain/source_state.h"

#include <cstring>

#include "platform/platform.h"
#include "scanner/discovery.h"
#include "scanner/model_table.h"
#include "scanner/scan_window.h"
#include "scanner/scsi_commands.h"
#include "settings/capability_state.h"
#include "settings/settings_model.h"
#include "transfer/memory_transfer.h"
#include "transfer/progress_dialog.h"
#include "transfer/scan_job.h"
#include "twain/entry_point.h"
#include "twain/identity.h"
#include "twain/image_layout.h"
#include "twain/user_interface.h"

TW_UINT16 ConditionCode = TWCC_SUCCESS;
TW_UINT32 SourceState = kStateLoaded;

namespace {

// The description appended to a failure text, by condition code.
// Columns: condition code, description.
struct ConditionDescription {
    TW_UINT16 code;
    const char* text;
};

constexpr ConditionDescription kConditionDescriptions[] = {
    {TWCC_SUCCESS, "Success message from detailed error request ??"},
    {TWCC_BUMMER, "Bummer error."},
    {TWCC_LOWMEMORY, "Low Memory Condition encountered, free up some memory and try again."},
    {TWCC_NODS, "No Data Source found error."},
    {TWCC_MAXCONNECTIONS, "Source is connected to max possible apps."},
    {TWCC_OPERATIONERROR, "An operation error just occurred."},
    {TWCC_BADCAP, "Bad capabilities error."},
    {TWCC_BADPROTOCOL, "Bad protocol error."},
    {TWCC_BADVALUE, "Bad value error."},
    {TWCC_SEQERROR, "DG DAT MSG is out of expected sequence."},
};

constexpr const char* kUnknownCondition = "Unknown Error value in condition code.";

const char* DescribeCondition(TW_UINT16 code) {
    for (const ConditionDescription& row : kConditionDescriptions) {
        if (row.code == code) return row.text;
    }
    return kUnknownCondition;
}

// Appends src to the terminated text in dst without passing its end.
template <int N>
void AppendBounded(char (&dst)[N], const char* src) {
    size_t used = std::strlen(dst);
    size_t room = N - 1 - used;
    size_t add = std::strlen(src);
    if (add > room) add = room;
    std::memcpy(dst + used, src, add);
    dst[used + add] = '\0';
}

}  // namespace

void ComposeFailureText(const char* context, TW_UINT16 conditionCode,
                        char (&text)[kFailureTextSize]) {
    text[0] = '\0';
    AppendBounded(text, context != nullptr ? context : "");
    AppendBounded(text, DescribeCondition(conditionCode));
}

void ReportFailure(const char* context, TW_UINT16 conditionCode) {
    char text[kFailureTextSize];
    ComposeFailureText(context, conditionCode, text);
    DebugTrace(text);
}

TW_UINT16 FailOperation(TW_UINT16 conditionCode, const char* context) {
    ConditionCode = conditionCode;
    ReportFailure(context, conditionCode);
    return TWRC_FAILURE;
}

void DebugTrace([[maybe_unused]] const char* text) {
#if defined(KORVEX_DIAGNOSTICS)
    plat::DebugOutput(text);
#endif
}

void RestoreLoadState() {
    ConditionCode = TWCC_SUCCESS;
    SourceState = kStateLoaded;
    ResetIdentityState();
    ResetEntryPointState();
    ResetImageLayoutState();
    ResetUserInterfaceState();
    ResetCapabilityState();
    ResetDiscoveryState();
    ResetScsiCommandState();
    ResetScanWindowState();
    ResetModelTableState();
    ResetSettingsModelState();
    ResetScanJobState();
    ResetProgressState();
    ResetMemoryTransferState();
}
