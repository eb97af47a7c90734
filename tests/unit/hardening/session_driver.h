// An application's whole session with the source, in-process against the
// virtual scanner: open, negotiate duplex black and white at 100 dpi on a
// frame three inches square, read capabilities, a batch of one sheet transferred natively, a batch of every
// remaining sheet in memory strips, close. It records what each call answered
// and every page's bytes, so that a session run under injected faults can be
// compared with a clean one. Used by the hardening tests and the hostile
// scanner fuzz target; needs only the host backend's hooks, no test framework.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "twain/twain_types.h"
#include "vscanner/scenario.h"

namespace hardening {

using Bytes = std::vector<uint8_t>;

// How each batch starts: MSG_ENABLEDS without the dialog, or with it and the
// user's Scan button pressed through the application's message loop (which
// saves the settings first).
enum class BatchStart : uint8_t { WithoutDialog, FromDialog };

enum class Step : uint8_t { Open, Negotiate, Query, Enable, Transfer, EndTransfer, Disable, Close, Done };
const char* StepName(Step step);

struct Page {
    bool memory = false;  // delivered in strips
    Bytes bytes;          // native: the whole bitmap block; memory: the strips in order
};

struct SessionOutcome {
    Step failedAt = Step::Done;  // Done: every call answered as a clean session does
    TW_UINT16 rc = TWRC_SUCCESS;
    TW_UINT16 cc = TWCC_SUCCESS;
    std::vector<Page> pages;
    std::vector<std::string> messages;  // message boxes shown, in order
    bool closed = false;                // the source is back in the loaded state
    // Answers no source may give, whatever the scanner did: a transfer done
    // without its image, an image unlike its own image information, a strip
    // past its buffer, a failure without a condition code, a capability
    // answered without its container.
    std::vector<std::string> wrongAnswers;
};

// The scanner every session uses: a duplex model, `sheets` Letter sheets.
vscan::DeviceSetup SessionScanner(uint32_t sheets, bool repeatPages = true);

// Installs `scanner` as the bus (with the manager stand-in) and runs the
// session; on the first call that fails it cleans up as an application would
// (reset the transfers, disable, close) and stops. The application's
// containers are allocated before `arm` is called, and the pages are read
// without locking, so an injected fault armed there hits the source alone.
SessionOutcome RunSession(const vscan::DeviceSetup& scanner, void (*arm)() = nullptr,
                          BatchStart start = BatchStart::WithoutDialog);

// The same session over whatever ASPI manager the caller registered.
SessionOutcome RunSessionOnInstalledBus(void (*arm)() = nullptr,
                                        BatchStart start = BatchStart::WithoutDialog);

// Registers "TWAIN_32.DLL" as a source manager that takes every notification.
void RegisterManagerStandIn();
// A TW_ONEVALUE container of the application's, 6 bytes: item type, item.
plat::MemHandle OneValueContainer(TW_UINT16 itemType, TW_UINT32 item);

}  // namespace hardening
