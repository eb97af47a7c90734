// Answering message boxes without a person, on Windows: a thread-local CBT hook
// sees every message box the thread opens (the source's included, since it runs
// on the application's thread), reports its text, caption and style and
// presses the button the answerer names. Used by the Windows tests and by
// korvex-scan's unattended runs. Depends only on platform/platform.h.
#pragma once

#include <cstdint>

#include "platform/platform.h"

namespace plat::win32 {

struct SeenMessageBox {
    char text[1024];  // truncated when longer
    char caption[256];
    // The MB_* style: as asked for when this module's ShowMessageBox shows
    // the box; for a box of another module read back from the box: the
    // buttons, the icon and MB_SYSTEMMODAL (a topmost box), while MB_TASKMODAL
    // cannot be told apart from MB_APPLMODAL on a shown box and reads as 0.
    uint32_t style;
};

// Answers a box: the IDOK ... IDNO of the button to press, or 0 for the box's
// default button (what Enter presses).
using MessageBoxAnswerer = int (*)(const SeenMessageBox& box, void* context);

// Installs the hook on the calling thread; false when it cannot be installed.
// Installing again replaces the answerer.
bool AnswerMessageBoxes(MessageBoxAnswerer answerer, void* context);
void StopAnsweringMessageBoxes();

}  // namespace plat::win32
