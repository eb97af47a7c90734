// The source-wide state of the TWAIN interface: the condition code, the TWAIN
// state, the failure report and the diagnostic trace, and the routine that
// restores every subsystem's records to their state at load.
#pragma once

#include "twain/twain_types.h"

// The TWAIN condition code left behind by the last failing operation; DAT_STATUS
// reads and resets it.
extern TW_UINT16 ConditionCode;

// The TWAIN state times 100: 300 loaded, 400 open, 500 enabled, 600 transfer
// ready, 700 transferring.
extern TW_UINT32 SourceState;

constexpr TW_UINT32 kStateLoaded = 300;
constexpr TW_UINT32 kStateOpen = 400;
constexpr TW_UINT32 kStateEnabled = 500;
constexpr TW_UINT32 kStateXferReady = 600;
constexpr TW_UINT32 kStateTransferring = 700;

// Size of the composed failure text, terminator included.
constexpr int kFailureTextSize = 180;

// Composes the context text and the description of the condition code, as
// ReportFailure does; the text is diagnostic only.
void ComposeFailureText(const char* context, TW_UINT16 conditionCode,
                        char (&text)[kFailureTextSize]);
void ReportFailure(const char* context, TW_UINT16 conditionCode);

// The failure pattern of every handler: store the condition code, report the
// context text, answer TWRC_FAILURE.
TW_UINT16 FailOperation(TW_UINT16 conditionCode, const char* context);

// The diagnostic trace sink. Texts go nowhere unless the build defines
// KORVEX_DIAGNOSTICS, which routes them to the debugger.
void DebugTrace(const char* text);

// Restores every record of every subsystem to its state right after load.
void RestoreLoadState();
