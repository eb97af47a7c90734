// What the Windows backend notes while it makes a dialog or shows a message
// box, for a driver that watches the thread's windows (the dialog driver of the
// tests, the message-box hook): the template of the dialog being created and
// whether it runs modal, and the style a message box was asked with, which the
// box itself does not show in full. Each note holds only during the call that
// sets it. Depends on nothing.
#pragma once

#include <cstdint>

namespace plat::win32 {

struct DialogCreation {
    const char* templateName;  // null outside CreateModelessDialog and RunModalDialog
    bool modal;
};
const DialogCreation& DialogBeingCreated();

// The style of the message box ShowMessageBox is showing; false outside it.
bool MessageBoxBeingShown(uint32_t* style);

}  // namespace plat::win32
