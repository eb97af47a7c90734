// The model caps table and the page size rounding and capping built on it.
#include "scanner/model_caps.h"

#include "scanner/model_table.h"

// Columns: generation not 0, paper class, width limit, length limit for paper
// from settings or frame, length limit for detected paper (1/1200 inch).
const ModelCapsRow ModelCapsTable[kModelCapsRows] = {
    {1, 2, 14064, 786420, 786420},
    {1, 1, 10240, 20400, 20400},
    {1, 0, 12096, 20400, 20400},
    {0, kAnyFamily, 10240, 16800, 16800},
    {0, 0, 12094, 17196, 17280},
};

namespace {
constexpr uint64_t kDotsPerInch = 1200;
constexpr uint64_t kPixelGroup = 32;
}  // namespace

const ModelCapsRow& CurrentModelCaps() {
    uint8_t later = ModelGeneration != 0 ? 1 : 0;
    // Generation 0 letter-width and A3 models share a row; match the exact
    // class first so that generation 0, class 0 takes its own.
    for (const ModelCapsRow& row : ModelCapsTable) {
        if (row.laterGeneration == later && row.family == ModelFamily) return row;
    }
    for (const ModelCapsRow& row : ModelCapsTable) {
        if (row.laterGeneration == later && row.family == kAnyFamily) return row;
    }
    return ModelCapsTable[0];
}

uint32_t RoundPageWidth(uint32_t width, uint32_t dotsPerInch) {
    if (dotsPerInch == 0) return width;
    uint64_t pixels = static_cast<uint64_t>(width) * dotsPerInch / kDotsPerInch + (kPixelGroup - 1);
    pixels -= pixels % kPixelGroup;
    uint64_t rounded = pixels * kDotsPerInch / dotsPerInch;
    return rounded > UINT32_MAX ? UINT32_MAX : static_cast<uint32_t>(rounded);
}

uint32_t CapPageWidth(uint32_t width, uint32_t dotsPerInch) {
    uint32_t limit = CurrentModelCaps().widthLimit;
    if (width <= limit) return width;
    if (dotsPerInch == 0) return limit;
    uint64_t pixels = static_cast<uint64_t>(dotsPerInch) * limit / kDotsPerInch;
    pixels -= pixels % kPixelGroup;
    return static_cast<uint32_t>(pixels * kDotsPerInch / dotsPerInch);
}

uint32_t CapPageLength(uint32_t length, int detected) {
    const ModelCapsRow& caps = CurrentModelCaps();
    uint32_t limit = detected ? caps.detectedLengthLimit : caps.lengthLimit;
    return length > limit ? limit : length;
}

uint32_t MillimetresToDots(int32_t millimetres) {
    if (millimetres <= 0) return 0;
    uint64_t dots = static_cast<uint64_t>(millimetres) * 12000 / 254;
    return dots > UINT32_MAX ? UINT32_MAX : static_cast<uint32_t>(dots);
}
