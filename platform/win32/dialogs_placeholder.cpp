// Until the Win32 dialog services exist (#4).
#include "platform/dialogs.h"

namespace plat {
bool OfferDialogMessage(WindowHandle, void*) { return false; }
void DestroyDialog(WindowHandle) {}
}  // namespace plat
