// Synthetic page content: a deterministic image for each sheet and side, laid
// out in physical units (so the same sheet looks alike at every resolution)
// and delivered in the scanner's pixel conventions. The content is a function
// of the PageRequest alone, so tests can compute the bytes a READ must deliver.
//
// Rendering runs in stages so that later features slot in between them:
// intensity (the document: today synthetic, later an image file) ->
// quantisation (threshold; halftones, brightness and contrast later) ->
// packing (bit order and gray polarity of the scanner) -> encoding (none yet).
#pragma once

#include <cstdint>
#include <vector>

namespace vscan {

struct PageRequest {
    uint8_t generation = 1;   // gray 0 is white on generation 0, black otherwise
    uint32_t sheet = 0;       // the sheet's number over the whole scenario
    uint8_t side = 0x00;      // 0x00 front, 0x80 back
    uint8_t composition = 0;  // 0 bi-level, 1 halftone, 2 gray
    uint8_t bitsPerPixel = 1; // 1, 4 or 8
    uint32_t xResolution = 300;
    uint32_t yResolution = 300;
    uint32_t left = 0;  // window corner, 1/1200 inch
    uint32_t top = 0;
    uint32_t pixelsPerLine = 0;
    uint32_t lines = 0;
    uint32_t sheetWidth = 10200;  // the paper; outside it the scanner sees white
    uint32_t sheetLength = 13200;
    bool mirror = false;
};

uint32_t BytesPerLine(const PageRequest& page);
uint64_t PageBytes(const PageRequest& page);  // lines x bytes per line

// Writes line `line` (0 = top) into `out`, which holds BytesPerLine bytes.
void SynthesizeLine(const PageRequest& page, uint32_t line, uint8_t* out);
// The whole page, top line first, as READ type 0x00 delivers it.
std::vector<uint8_t> SynthesizePage(const PageRequest& page);
// Copies `count` bytes of the page starting at byte `offset` into `out`.
void CopyPageBytes(const PageRequest& page, uint64_t offset, uint32_t count, uint8_t* out);

// The intensity of the document at a physical point (1/1200 inch from the
// sheet's top left corner): 0 black .. 255 white.
uint8_t DocumentIntensity(uint32_t sheet, uint8_t side, uint32_t x, uint32_t y);

}  // namespace vscan
