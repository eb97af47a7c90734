// The scanner's window and sub-area parameters of the coming scan: the records
// that the scan window builder fills from the settings and the scan job
// completes, and that SET WINDOW and the sub-area window command send.
#pragma once

#include <cstdint>

// Window identifiers: the front and the back-side reading unit.
constexpr uint8_t kFrontWindowId = 0x00;
constexpr uint8_t kBackWindowId = 0x80;

// The window of one side; geometry in 1/1200 inch, resolutions in dots per inch.
struct ScanWindowRecord {
    uint8_t windowId;  // 0x00 front, 0x80 back
    uint32_t xResolution;
    uint32_t yResolution;
    uint32_t left;
    uint32_t top;
    uint32_t width;
    uint32_t length;
    uint8_t brightness;
    uint8_t threshold;
    uint8_t contrast;
    uint8_t composition;  // 0 bi-level, 1 halftone, 2 gray scale
    uint8_t bitsPerPixel;  // 1, 4 or 8
    uint32_t halftonePattern;  // sent as 16 bits
    uint8_t reverseImage;      // 0x80: negative image
    uint16_t bitOrdering;
    uint8_t compression;
    uint8_t compressionArgument;
    uint8_t mirror;    // 0x80: mirror image
    uint8_t emphasis;  // front image emphasis code
    uint8_t gamma;     // 0 normal, 1 CRT
    uint32_t paperWidth;
    uint32_t paperLength;
    uint8_t doubleFeed;      // 0x10: double-feed detection (generation 8)
    uint8_t pageMode;        // 0x00 one page, 0xFF all pages
    uint8_t autoThreshold;   // 0x00, 0x80, 0x81, 0x82
    uint8_t autoSeparation;  // 0x80: on
    uint8_t whiteLevel;      // 0x00 white stick, 0x80 paper, 0x81 automatic
    uint8_t noiseReduction;  // 0 none, 1..5
    uint8_t manualFeed;      // 0x00 off, 0x80 by the scanner's key, 0x40 without it
    uint8_t backComposition;
    uint8_t backBrightness;
    uint8_t backThreshold;
    uint8_t backContrast;
    uint32_t backHalftonePattern;
    uint8_t backEmphasis;
};

// One rectangle of a sub-area window; all zero means the area is not used.
struct SubArea {
    uint32_t left;
    uint32_t top;
    uint32_t width;
    uint32_t length;
};

constexpr int kSubAreaCount = 3;

// The sub-areas of one side with their own halftone.
struct SubAreaWindowRecord {
    uint8_t windowId;  // 0x00 front, 0x80 back
    SubArea areas[kSubAreaCount];
    uint8_t composition;  // 0 or 1
    uint32_t halftonePattern;
};

// Indices into SubAreaWindow.
constexpr int kFrontSubArea = 0;
constexpr int kBackSubArea = 1;

extern ScanWindowRecord ScanWindow;
extern SubAreaWindowRecord SubAreaWindow[2];

// All fields zero, as at load.
void ResetScanWindowState();
