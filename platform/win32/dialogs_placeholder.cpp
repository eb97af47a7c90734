// Until the Win32 dialog services exist (#4).
#include "platform/dialogs.h"

namespace plat {
bool OfferDialogMessage(WindowHandle, void*) { return false; }
void DestroyDialog(WindowHandle) {}
WindowHandle GetItem(WindowHandle, int) { return nullptr; }
void EnableItem(WindowHandle, int, bool) {}
void ComboReset(WindowHandle, int) {}
int ComboAddString(WindowHandle, int, const char*) { return CB_ERR; }
}  // namespace plat
