// The SET WINDOW and sub-area window parameter lists, byte for byte.
#include <gtest/gtest.h>

#include <vector>

#include "scanner/parameter_lists.h"

namespace {

using Bytes = std::vector<uint8_t>;

// Every field distinct, so that a byte taken from the wrong field shows.
ScanWindowRecord SampleWindow() {
    ScanWindowRecord w{};
    w.windowId = kFrontWindowId;
    w.xResolution = 0x0001012C;  // only the low 16 bits travel
    w.yResolution = 600;
    w.left = 0x01020304;
    w.top = 0x05060708;
    w.width = 9984;
    w.length = 14032;
    w.brightness = 0x11;
    w.threshold = 0x12;
    w.contrast = 0x13;
    w.composition = 1;
    w.bitsPerPixel = 1;
    w.halftonePattern = 0x00010003;
    w.reverseImage = 0x80;
    w.bitOrdering = 1;
    w.compression = 3;
    w.compressionArgument = 0x09;
    w.mirror = 0x80;
    w.emphasis = 0x30;
    w.gamma = 1;
    w.paperWidth = 0x0A0B0C0D;
    w.paperLength = 0x0E0F1011;
    w.doubleFeed = 0x10;
    w.pageMode = 0xFF;
    w.autoThreshold = 0x81;
    w.autoSeparation = 0x80;
    w.whiteLevel = 0x81;
    w.noiseReduction = 3;
    w.manualFeed = 0x40;
    w.backComposition = 2;
    w.backBrightness = 0x21;
    w.backThreshold = 0x22;
    w.backContrast = 0x23;
    w.backHalftonePattern = 4;
    w.backEmphasis = 0x50;
    return w;
}

// The front window of SampleWindow on a generation 8 model.
const Bytes kFrontList = {
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x40,  // header, descriptor length 64
    0x00, 0x00, 0x01, 0x2C, 0x02, 0x58,              // id, 0, X and Y resolution
    0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08,  // left, top
    0x00, 0x00, 0x27, 0x00, 0x00, 0x00, 0x36, 0xD0,  // width, length
    0x11, 0x12, 0x13, 0x01, 0x01,                    // brightness .. bits per pixel
    0x00, 0x03, 0x80, 0x00, 0x01, 0x03, 0x09,        // halftone, reverse, bit order, compression
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,  // 42..49
    0x80, 0x30, 0x01, 0x00, 0x00, 0x00,              // mirror, emphasis, gamma, 53..55
    0x0A, 0x0B, 0x0C, 0x0D, 0x0E, 0x0F, 0x10, 0x11,  // paper width and length
    0x10, 0xFF, 0x81, 0x80, 0x81, 0x03, 0x40, 0x00,  // 64..71
};

Bytes Encode(const ScanWindowRecord& w, bool backSideRule, uint8_t generation) {
    uint8_t list[kWindowListLength];
    EncodeWindowList(w, backSideRule, generation, list);
    return Bytes(list, list + sizeof list);
}

TEST(WindowList, FrontWindowByteForByte) {
    ASSERT_EQ(kFrontList.size(), kWindowListLength);
    EXPECT_EQ(Encode(SampleWindow(), false, 8), kFrontList);
}

TEST(WindowList, BackWindowSendsTheBackFields) {
    ScanWindowRecord w = SampleWindow();
    w.windowId = kBackWindowId;
    Bytes expected = kFrontList;
    expected[8] = 0x80;
    expected[30] = 0x21;
    expected[31] = 0x22;
    expected[32] = 0x23;
    expected[33] = 0x02;
    expected[35] = 0x00;
    expected[36] = 0x04;
    expected[51] = 0x50;
    EXPECT_EQ(Encode(w, false, 8), expected);
}

TEST(WindowList, BackSideRuleChangesOnlyTheIdentifier) {
    // The front record keeps its front values on the back-side unit.
    Bytes expected = kFrontList;
    expected[8] = 0x80;
    EXPECT_EQ(Encode(SampleWindow(), true, 8), expected);
}

TEST(WindowList, DoubleFeedAndManualFeedOnlyFromGenerationEight) {
    const struct {
        uint8_t generation;
        uint8_t byte64;
        uint8_t byte70;
    } cases[] = {{0, 0x00, 0x00}, {1, 0x00, 0x00}, {7, 0x00, 0x00}, {8, 0x10, 0x40}, {9, 0x10, 0x40}};
    for (const auto& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.generation));
        const Bytes list = Encode(SampleWindow(), false, c.generation);
        EXPECT_EQ(list[64], c.byte64);
        EXPECT_EQ(list[70], c.byte70);
        Bytes rest = list;
        Bytes expectedRest = kFrontList;
        rest[64] = rest[70] = expectedRest[64] = expectedRest[70] = 0;
        EXPECT_EQ(rest, expectedRest);
    }
}

TEST(SubAreaList, ByteForByte) {
    SubAreaWindowRecord s{};
    s.windowId = kBackWindowId;
    s.areas[0] = {1, 2, 3, 4};
    s.areas[1] = {0x100, 0x200, 0x300, 0x400};
    s.areas[2] = {0x01020304, 0x05060708, 0x090A0B0C, 0x0D0E0F10};
    s.composition = 1;
    s.halftonePattern = 0x00020002;
    uint8_t list[kSubAreaListLength];
    EncodeSubAreaList(s, false, list);

    Bytes expected(88, 0);
    expected[7] = 0x50;
    expected[8] = 0x80;
    const Bytes area1 = {0, 0, 0, 1, 0, 0, 0, 2, 0, 0, 0, 3, 0, 0, 0, 4};
    const Bytes area2 = {0, 0, 1, 0, 0, 0, 2, 0, 0, 0, 3, 0, 0, 0, 4, 0};
    const Bytes area3 = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
    std::copy(area1.begin(), area1.end(), expected.begin() + 14);
    std::copy(area2.begin(), area2.end(), expected.begin() + 50);
    std::copy(area3.begin(), area3.end(), expected.begin() + 68);
    expected[33] = 1;
    expected[36] = 2;
    EXPECT_EQ(Bytes(list, list + sizeof list), expected);

    s.windowId = kFrontWindowId;
    EncodeSubAreaList(s, true, list);
    EXPECT_EQ(list[8], 0x80);
    EncodeSubAreaList(s, false, list);
    EXPECT_EQ(list[8], 0x00);
}

}  // namespace
