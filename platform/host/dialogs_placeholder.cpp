// Until the host dialog services exist (#4): no dialog is ever created, so
// these are never reached with a real window.
#include "platform/dialogs.h"

namespace plat {
bool OfferDialogMessage(WindowHandle, void*) { return false; }
void DestroyDialog(WindowHandle) {}
}  // namespace plat
