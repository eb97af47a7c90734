// The scan job: the record of the running batch (ScanJob), the size of the
// coming image (ImageGeometry) and StartScan, which prepares the scanner for
// the first image of a batch. The transfers and the pending-transfer handler
// advance the record; the scan window builder sets its page and side flags.
#pragma once

#include <cstdint>

#include "platform/platform.h"

struct ScanJobRecord {
    uint32_t pagesTransferred;  // pages whose last bytes were read in this batch
    uint8_t sheetNumber;        // sheet being read, named in every image READ
    uint8_t sideCode;           // 0x00 front, 0x80 back, named in every image READ
    uint8_t scanCancel;         // progress Cancel, or a timed-out wait between pages
    uint8_t waitCancel;         // wait dialog Cancel, or the wait timed out
    uint8_t feederEmpty;        // a transfer failed: the batch ends at the next end of transfer
    uint8_t deferredError;      // the next transfer shows the error found testing for a page
    uint8_t allPages;           // 0xFF every sheet in the feeder, 0 one sheet
    uint8_t duplex;             // 0xFF both sides of each sheet, 0 one side
    uint32_t pageNumber;        // 1 at load, never reset by a batch
};

struct ImageGeometryRecord {
    uint32_t pixelsPerLine;  // from the scanner's image size report
    uint32_t lines;          // from the scanner's image size report
    uint32_t bytesPerLine;   // bytes of one scanner line
    uint32_t imageBytes;     // lines x bytesPerLine + 2
    int32_t remainingBytes;  // bytes of the current image not yet read
};

constexpr uint8_t kSideFront = 0x00;
constexpr uint8_t kSideBack = 0x80;
constexpr uint8_t kFlagAll = 0xFF;

extern ScanJobRecord ScanJob;
extern ImageGeometryRecord ImageGeometry;

// Bytes of one scanner line of pixelsPerLine pixels at bitsPerPixel (1, 4 or 8).
uint32_t BytesPerScannerLine(uint32_t pixelsPerLine, uint8_t bitsPerPixel);

// Prepares the scanner for the first image of a batch: readiness, the wait for
// paper of a manual-feed batch, the windows, the image size and information,
// the imprinter text. Failures are shown with `owner` when one is given.
// Answers 1 when the first image can be read, else 0.
int StartScan(plat::WindowHandle owner);

// Restores ScanJob and ImageGeometry to their state at load.
void ResetScanJobState();
