// Where the main dialog's Scan and Cancel commands hand over to the scan job
// and to the source manager notifications.
#include "ui/main_dialog.h"

void StartScanFromMainDialog(plat::WindowHandle /*dialog*/) {
    // Seam: the scan window, the scan start and the transfer-ready notification follow here.
}

void RequestCloseFromMainDialog() {
    // Seam: the close-source request to the source manager follows here.
}
