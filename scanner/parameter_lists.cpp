// SET WINDOW and sub-area window parameter lists.
#include "scanner/parameter_lists.h"

#include <cstring>

namespace {

// Window descriptor lengths in the list headers (bytes 6..7).
constexpr uint32_t kWindowDescriptorLength = 0x40;
constexpr uint32_t kSubAreaDescriptorLength = 0x50;

// Generation from which the double-feed and manual-feed bytes are sent.
constexpr uint8_t kDoubleFeedGeneration = 8;

// Offsets of the three areas in the sub-area list.
constexpr int kSubAreaOffsets[kSubAreaCount] = {14, 50, 68};

void PutArea(uint8_t* at, const SubArea& area) {
    PutBigEndian32(at, area.left);
    PutBigEndian32(at + 4, area.top);
    PutBigEndian32(at + 8, area.width);
    PutBigEndian32(at + 12, area.length);
}

}  // namespace

void EncodeWindowList(const ScanWindowRecord& window, bool backSideRule, uint8_t generation,
                      uint8_t (&list)[kWindowListLength]) {
    std::memset(list, 0, sizeof list);
    // Fields with a front and a back value follow the record's own side, not
    // the identifier that the back-side rule puts on the wire.
    const bool back = window.windowId != kFrontWindowId;
    const bool doubleFeedModel = generation >= kDoubleFeedGeneration;

    PutBigEndian16(list + 6, kWindowDescriptorLength);
    list[8] = backSideRule ? kBackWindowId : window.windowId;
    PutBigEndian16(list + 10, window.xResolution);
    PutBigEndian16(list + 12, window.yResolution);
    PutBigEndian32(list + 14, window.left);
    PutBigEndian32(list + 18, window.top);
    PutBigEndian32(list + 22, window.width);
    PutBigEndian32(list + 26, window.length);
    list[30] = back ? window.backBrightness : window.brightness;
    list[31] = back ? window.backThreshold : window.threshold;
    list[32] = back ? window.backContrast : window.contrast;
    list[33] = back ? window.backComposition : window.composition;
    list[34] = window.bitsPerPixel;
    PutBigEndian16(list + 35, back ? window.backHalftonePattern : window.halftonePattern);
    list[37] = window.reverseImage;
    PutBigEndian16(list + 38, window.bitOrdering);
    list[40] = window.compression;
    list[41] = window.compressionArgument;
    list[50] = window.mirror;
    list[51] = back ? window.backEmphasis : window.emphasis;
    list[52] = window.gamma;
    PutBigEndian32(list + 56, window.paperWidth);
    PutBigEndian32(list + 60, window.paperLength);
    list[64] = doubleFeedModel ? window.doubleFeed : 0;
    list[65] = window.pageMode;
    list[66] = window.autoThreshold;
    list[67] = window.autoSeparation;
    list[68] = window.whiteLevel;
    list[69] = window.noiseReduction;
    list[70] = doubleFeedModel ? window.manualFeed : 0;
}

void EncodeSubAreaList(const SubAreaWindowRecord& window, bool backSideRule,
                       uint8_t (&list)[kSubAreaListLength]) {
    std::memset(list, 0, sizeof list);
    PutBigEndian16(list + 6, kSubAreaDescriptorLength);
    list[8] = backSideRule ? kBackWindowId : window.windowId;
    for (int i = 0; i < kSubAreaCount; ++i) {
        PutArea(list + kSubAreaOffsets[i], window.areas[i]);
    }
    list[33] = window.composition;
    PutBigEndian16(list + 35, window.halftonePattern);
}
