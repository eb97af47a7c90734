// The scan job records and the sheet and side that image READs name.
#include "transfer/scan_job.h"

#include <cstring>

#include "scanner/scsi_commands.h"

// pageNumber starts at 1 when the module is loaded.
ScanJobRecord ScanJob{0, 0, 0, 0, 0, 0, 0, 0, 0, 1};
ImageGeometryRecord ImageGeometry;

uint32_t BytesPerScannerLine(uint32_t pixelsPerLine, uint8_t bitsPerPixel) {
    switch (bitsPerPixel) {
        case 1:
            return pixelsPerLine / 8 + (pixelsPerLine % 8 != 0 ? 1 : 0);
        case 4:
            return pixelsPerLine / 2 + (pixelsPerLine % 2);
        default:
            return pixelsPerLine;
    }
}

uint8_t CurrentSheetNumber() { return ScanJob.sheetNumber; }
uint8_t CurrentSideCode() { return ScanJob.sideCode; }

void ResetScanJobState() {
    std::memset(&ScanJob, 0, sizeof ScanJob);
    ScanJob.pageNumber = 1;
    std::memset(&ImageGeometry, 0, sizeof ImageGeometry);
}
