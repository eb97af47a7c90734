// The scan window builder: turns the settings model (when the source shows its
// dialog or serves the legacy host) or the negotiated capabilities (otherwise)
// into the scan window, the two sub-area windows and the scan job's page and
// side flags, asks the scanner for the paper size when detection is on, and
// keeps the layout frame in line with the page. Also the page-size helpers that
// the default page frame at open and the scan job's paper detection share.
#pragma once

#include <cstdint>

#include "platform/platform.h"

// Halftone choice to composition and pattern, by the halftone list index.
struct HalftoneCodeRow {
    uint8_t composition;
    uint32_t pattern;
};
constexpr int kHalftoneCodeRows = 6;
extern const HalftoneCodeRow HalftoneCodeTable[kHalftoneCodeRows];

// Image emphasis codes by the emphasis list index, for generation not 0 and 0.
struct EmphasisCodeRow {
    uint8_t laterGeneration;
    uint8_t generation0;
};
constexpr int kEmphasisCodeRows = 5;
extern const EmphasisCodeRow EmphasisCodeTable[kEmphasisCodeRows];
// Codes of a scan without dialog ("Medium") and of a disabled setting.
constexpr EmphasisCodeRow kEmphasisCapabilityDriven = {0x30, 0x00};
constexpr EmphasisCodeRow kEmphasisDisabled = {0x00, 0x00};

// The whole dots per inch of the current resolution capability; 0 when the
// enumeration names no item.
uint32_t CurrentResolutionDpi();

// The page size (1/1200 inch, before rounding and caps) of a paper size index:
// a standard paper row, a free size, or Letter for an index that is neither.
void PaperSizeOfIndex(int paperSizeIndex, uint32_t* width, uint32_t* length);

// Rounds the width to whole 32-pixel groups at dotsPerInch and applies the
// model caps (detected: the length limit for paper detected by the scanner),
// then stores the page in the scan window and as the layout frame's Right and
// Bottom.
void StorePageSize(uint32_t width, uint32_t length, uint32_t dotsPerInch, int detected);

// Builds the windows for the coming scan; the owner (may be null) owns the
// messages of paper detection. Answers 1 when the windows are ready, 0 when
// paper detection failed or found no paper (the user has been told).
int BuildScanWindow(plat::WindowHandle owner);
