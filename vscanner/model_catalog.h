// What the virtual scanner knows about the scanners it imitates: the sixteen
// models (paper class, back unit, generation), the vendor identifications they
// report, the paper sizes a feeder can hold with the codes the scanner reports,
// and the largest window each model accepts. Constant tables only.
#pragma once

#include <cstddef>
#include <cstdint>

namespace vscan {

struct ModelInfo {
    const char* name;
    uint8_t family;      // paper class: 0 B4 width, 1 letter width, 2 A3 width
    uint8_t duplex;      // 1: back-side reading unit
    uint8_t generation;  // 0, 1 or 8
};

constexpr size_t kModelCount = 16;
extern const ModelInfo kModels[kModelCount];

constexpr size_t kVendorCount = 3;
extern const char* const kScannerVendors[kVendorCount];  // 8 characters each, blanks kept

struct PaperInfo {
    const char* name;
    uint8_t code;     // the code the scanner reports (only the low 4 bits go out)
    uint32_t width;   // 1/1200 inch
    uint32_t length;  // 1/1200 inch
};

constexpr size_t kPaperCount = 11;
extern const PaperInfo kPapers[kPaperCount];

struct WindowLimit {
    uint8_t generation;  // 0, or 1 for "not 0"
    uint8_t family;      // 0..2, or 3 for "not 0"
    uint32_t maxWidth;   // 1/1200 inch
    uint32_t maxLength;  // 1/1200 inch
};

constexpr size_t kWindowLimitCount = 5;
extern const WindowLimit kWindowLimits[kWindowLimitCount];

const ModelInfo* FindModel(const char* name);   // null when unknown
const PaperInfo* FindPaper(const char* name);   // case-insensitive; null when unknown
bool ModelHasImprinter(const ModelInfo& model);  // generation 8 models whose name ends in 's'
const WindowLimit& WindowLimitFor(const ModelInfo& model);

}  // namespace vscan
