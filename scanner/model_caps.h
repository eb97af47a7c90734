// The model caps: the largest page width and length, in 1/1200 inch, that the
// identified model scans, and the page-width rounding to whole groups of 32
// pixels. Used by the default page frame at open, the scan window builder and
// the paper detection of the scan job. Depends on the model table.
#pragma once

#include <cstdint>

struct ModelCapsRow {
    uint8_t laterGeneration;   // 1: generation not 0; 0: generation 0
    uint8_t family;            // paper class; 255 matches any class
    uint32_t widthLimit;       // 1/1200 inch
    uint32_t lengthLimit;      // paper from the settings or the layout frame
    uint32_t detectedLengthLimit;  // paper size detected by the scanner
};

constexpr uint8_t kAnyFamily = 255;
constexpr int kModelCapsRows = 5;
extern const ModelCapsRow ModelCapsTable[kModelCapsRows];

// The row for the identified model's generation and paper class.
const ModelCapsRow& CurrentModelCaps();

// Rounds a width up to a whole number of 32-pixel groups at dotsPerInch:
// ((width x R / 1200 + 31) rounded down to a multiple of 32) x 1200 / R.
uint32_t RoundPageWidth(uint32_t width, uint32_t dotsPerInch);
// Cuts a width above the model's limit to the largest whole number of 32-pixel
// groups within the limit; other widths pass unchanged.
uint32_t CapPageWidth(uint32_t width, uint32_t dotsPerInch);
// Cuts a length to the model's limit for paper from the settings or the frame
// (detected 0) or for paper detected by the scanner (detected 1).
uint32_t CapPageLength(uint32_t length, int detected);

// Millimetres to 1/1200 inch (value x 12000 / 254, truncated); negative values
// give 0 and values beyond 32 bits saturate.
uint32_t MillimetresToDots(int32_t millimetres);
