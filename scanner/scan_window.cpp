// The process-wide scan window and sub-area window records.
#include "scanner/scan_window.h"

#include <cstring>

ScanWindowRecord ScanWindow;
SubAreaWindowRecord SubAreaWindow[2];

void ResetScanWindowState() {
    std::memset(&ScanWindow, 0, sizeof ScanWindow);
    std::memset(SubAreaWindow, 0, sizeof SubAreaWindow);
}
