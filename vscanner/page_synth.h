// Page content: a deterministic image for each sheet and side, laid out in
// physical units (so the same sheet looks alike at every resolution) and
// delivered in the scanner's pixel conventions. The content is a function of
// the PageRequest alone, so tests can compute the bytes a READ must deliver.
//
// Rendering runs in stages, each documented in docs/virtual-scanner.md:
// document intensity (synthetic, or an image file; the imprinter's line) ->
// white level -> image emphasis -> gamma -> contrast -> brightness and
// threshold, halftone (also per sub-area) -> noise removal -> reverse ->
// packing (bit order and gray polarity of the scanner) -> CCITT coding.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "vscanner/document_image.h"

namespace vscan {

struct AreaRect {
    uint32_t left = 0;  // 1/1200 inch from the window's corner
    uint32_t top = 0;
    uint32_t width = 0;
    uint32_t length = 0;

    bool operator==(const AreaRect&) const = default;
};

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

    // Image processing: the window's bytes. Brightness, threshold and contrast
    // 0 mean the scanner's default (the middle of the scale).
    uint8_t brightness = 0;
    uint8_t threshold = 0;
    uint8_t contrast = 0;
    uint16_t halftonePattern = 0;
    bool reverse = false;
    uint8_t gamma = 0;          // 0 normal, 1 CRT
    uint8_t autoThreshold = 0;  // 0x00 off, 0x80, 0x81, 0x82
    uint8_t whiteLevel = 0;     // 0x00 white stick, 0x80 from the paper, 0x81 automatic
    uint8_t noiseReduction = 0; // 0 off, 1..5: specks up to n x n removed
    uint8_t emphasis = 0;       // the generation's emphasis code

    // Sub-areas with their own bi-level or halftone composition (bi-level and
    // halftone windows only); an all-zero rectangle is no area.
    std::array<AreaRect, 3> subAreas{};
    uint8_t subAreaComposition = 0;
    uint16_t subAreaPattern = 0;

    std::string imprint;         // the line the imprinter prints on this side; empty: none
    uint32_t imprintOffset = 0;  // 1/1200 inch from the sheet's leading edge

    DocumentPage document;  // null: the synthetic document

    bool operator==(const PageRequest&) const = default;
};

uint32_t BytesPerLine(const PageRequest& page);
uint64_t PageBytes(const PageRequest& page);  // lines x bytes per line, uncompressed

// The whole page as READ type 0x00 delivers it: the lines top first, or the
// CCITT-coded page (empty when the coder fails or the build has none).
std::vector<uint8_t> SynthesizePage(const PageRequest& page);

class PageRenderer;

// The bytes of one side as the scanner's READs deliver them. An uncompressed
// page is drawn line by line as the READs ask for it (reading forward is the
// fast path); a compressed page is coded whole when the stream is made.
class PageStream {
public:
    // With `keepWhole` an uncompressed page is drawn whole at once and kept,
    // so that the stream can serve the same page again and again by copying.
    explicit PageStream(const PageRequest& page, bool keepWhole = false);
    ~PageStream();
    PageStream(const PageStream&) = delete;
    PageStream& operator=(const PageStream&) = delete;

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
    std::unique_ptr<PageRenderer> renderer_;
    bool ready_ = true;
    std::string error_;
    bool whole_ = false;        // bytes_ holds the whole page
    std::vector<uint8_t> bytes_;  // the coded page, or the whole page kept
    std::vector<uint8_t> line_;
    uint32_t lineNumber_ = UINT32_MAX;  // the line held in line_
};

// The intensity of the synthetic document at a physical point (1/1200 inch
// from the sheet's top left corner): 0 black .. 255 white.
uint8_t DocumentIntensity(uint32_t sheet, uint8_t side, uint32_t x, uint32_t y);

// The intensity of an image document laid over a sheet of `sheetWidth` by
// `sheetLength` (1/1200 inch) at the point (x, y): the mean of the image
// pixels under the box from (x, y) to (x + boxWidth, y + boxLength).
uint8_t SampleDocument(const DocumentImage& image, uint32_t sheetWidth, uint32_t sheetLength,
                       uint32_t x, uint32_t y, uint32_t boxWidth, uint32_t boxLength);

}  // namespace vscan
