// Synthetic page content: a deterministic image for each sheet and side, laid
// out in physical units (so the same sheet looks alike at every resolution)
// and delivered in the scanner's pixel conventions. The content is a function
// of the PageRequest alone, so tests can compute the bytes a READ must deliver.
//
// Rendering runs in stages so that later features slot in between them:
// intensity (the document: today synthetic, later an image file) ->
// quantisation (threshold; halftones, brightness and contrast later) ->
// packing (bit order and gray polarity of the scanner) -> encoding (the CCITT
// coder for a compressed window).
#pragma once

#include <cstdint>
#include <string>
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
    uint8_t compression = 0;          // 0 none, 1 G3 1D, 2 G3 2D, 3 G4 (bi-level only)
    uint8_t compressionArgument = 0;  // the K factor of G3 2D

    bool operator==(const PageRequest&) const = default;
};

uint32_t BytesPerLine(const PageRequest& page);
uint64_t PageBytes(const PageRequest& page);  // lines x bytes per line, uncompressed

// Writes line `line` (0 = top) into `out`, which holds BytesPerLine bytes.
void SynthesizeLine(const PageRequest& page, uint32_t line, uint8_t* out);
// The whole page as READ type 0x00 delivers it: the lines top first, or the
// CCITT-coded page (empty when the coder fails or the build has none).
std::vector<uint8_t> SynthesizePage(const PageRequest& page);

// The bytes of one side as the scanner's READs deliver them. An uncompressed
// page is drawn line by line as the READs ask for it (reading forward is the
// fast path); a compressed page is coded whole when the stream is made.
class PageStream {
public:
    explicit PageStream(const PageRequest& page);
    const PageRequest& Request() const { return page_; }
    // False when a compressed page could not be coded (`Error` says why).
    bool Ready() const { return ready_; }
    const std::string& Error() const { return error_; }
    uint64_t Size() const;
    // Copies `count` bytes starting at byte `offset` into `out`; the caller
    // keeps offset + count within Size().
    void Copy(uint64_t offset, uint32_t count, uint8_t* out);

private:
    PageRequest page_;
    bool ready_ = true;
    std::string error_;
    std::vector<uint8_t> coded_;
    std::vector<uint8_t> line_;
    uint32_t lineNumber_ = UINT32_MAX;  // the line held in line_
};

// The intensity of the document at a physical point (1/1200 inch from the
// sheet's top left corner): 0 black .. 255 white.
uint8_t DocumentIntensity(uint32_t sheet, uint8_t side, uint32_t x, uint32_t y);

}  // namespace vscan
