// The scan request of an application that scans without the source's dialog
// (the SANE backend, the eSCL server): one plain record of what to scan, put
// to the open source by negotiation, and one record of what the open source
// offers, read from its capabilities. Lengths are micrometres, measured from
// the top left corner of the sheet.
#pragma once

#include <cstdint>
#include <vector>

#include "apps/twain_app/page_transfer.h"
#include "twain/twain_types.h"

// A rectangle on the sheet, in micrometres; right and bottom are exclusive.
struct ScanArea {
    uint32_t left = 0;
    uint32_t top = 0;
    uint32_t right = 0;
    uint32_t bottom = 0;
};

struct ScanRequest {
    TW_UINT16 pixelType = TWPT_GRAY;  // TWPT_BW or TWPT_GRAY
    uint16_t bitDepth = 8;            // 1 with TWPT_BW; 4 or 8 with TWPT_GRAY
    uint16_t resolution = 200;        // dots per inch, both directions
    int16_t brightness = 0;           // the source's scale: -1000..1000, 0 neutral
    int16_t contrast = 0;
    bool duplex = false;              // both sides of every sheet
    // The sheet, which the source takes as its page frame; 0 by 0 keeps the
    // source's own page size.
    uint32_t sheetWidth = 0;
    uint32_t sheetLength = 0;
    // The part of the sheet the application keeps (CropToArea); all zero
    // keeps the whole page.
    ScanArea area;
};

// What the open source offers.
struct ScanOffer {
    std::vector<uint16_t> resolutions;  // dots per inch, in the source's order
    uint16_t defaultResolution = 0;     // the source's current one
    bool blackAndWhite = false;
    bool gray = false;
    std::vector<uint16_t> grayDepths;   // bits per gray pixel, in the source's order
    int16_t brightnessMin = 0, brightnessMax = 0, brightnessStep = 1;
    int16_t contrastMin = 0, contrastMax = 0, contrastStep = 1;
    // The sheet sizes the source accepts as a page frame, bounds included.
    uint32_t minSheetWidth = 0, minSheetLength = 0;
    uint32_t maxSheetWidth = 0, maxSheetLength = 0;
    // The source decides simplex or duplex by the scanner's back unit; the
    // application cannot ask for it, so both are offered.
    bool duplexAvailable = true;
};

// The smallest page frame the source takes: it must be wider than 55 mm and
// longer than 70 mm; these are the first tenths of a millimetre beyond.
constexpr uint32_t kMinSheetWidthUm = 55100;
constexpr uint32_t kMinSheetLengthUm = 70100;

// Reads the open source's offer. Leaves the source's pixel type and bit depth
// as they were. False (with the failure printed) when a capability is refused.
bool ReadScanOffer(ScanOffer& offer);

// Negotiates the request with the open source (state 400): pixel type, bit
// depth, resolution, brightness, contrast, simplex or duplex without the side
// chooser, and the sheet as the page frame. False (with the failure printed)
// at the first refusal.
bool ApplyScanRequest(const ScanRequest& request);

// Cuts an uncompressed page to `area`, converted to pixels at the page's
// resolution and clipped to the page; false when nothing of the page is left.
bool CropToArea(ScannedPage& page, const ScanArea& area);
