// Where the main dialog's Scan and Cancel commands hand over to the scan job
// and to the source manager notifications.
#include "ui/main_dialog.h"

// Seam: the scan window, the scan start and the transfer-ready notification follow here.
void StartScanFromMainDialog(plat::WindowHandle) {}

// Seam: the close-source request to the source manager follows here.
void RequestCloseFromMainDialog() {}
