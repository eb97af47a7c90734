// Synthetic pages: the scanner's pixel conventions, determinism, and that
// pages of different sheets and sides differ.
#include <gtest/gtest.h>

#include "vscanner/page_synth.h"

namespace {

vscan::PageRequest Page(uint8_t composition, uint8_t bits, uint8_t generation = 1) {
    vscan::PageRequest page;
    page.generation = generation;
    page.composition = composition;
    page.bitsPerPixel = bits;
    page.xResolution = 300;
    page.yResolution = 300;
    page.pixelsPerLine = 301;
    page.lines = 200;
    return page;
}

// Line `line` of the whole page.
std::vector<uint8_t> LineOf(const vscan::PageRequest& page, uint32_t line) {
    const std::vector<uint8_t> bytes = vscan::SynthesizePage(page);
    const size_t perLine = vscan::BytesPerLine(page);
    return {bytes.begin() + static_cast<long>(line * perLine), bytes.begin() + static_cast<long>((line + 1) * perLine)};
}

// The intensity the document has under pixel (x, y) of `page`.
uint8_t Intensity(const vscan::PageRequest& page, uint32_t x, uint32_t y) {
    return vscan::DocumentIntensity(page.sheet, page.side, x * 1200 / page.xResolution,
                                    y * 1200 / page.yResolution);
}

}  // namespace

TEST(VScannerPage, BytesPerLineFollowTheComposition) {
    struct Case {
        uint8_t composition, bits;
        uint32_t pixels, bytes;
    };
    const Case cases[] = {{0, 1, 1001, 126}, {1, 1, 1001, 126}, {2, 4, 1001, 501}, {2, 8, 1001, 1001}};
    for (const Case& c : cases) {
        vscan::PageRequest page = Page(c.composition, c.bits);
        page.pixelsPerLine = c.pixels;
        EXPECT_EQ(vscan::BytesPerLine(page), c.bytes);
        EXPECT_EQ(vscan::PageBytes(page), uint64_t{c.bytes} * page.lines);
    }
}

TEST(VScannerPage, PixelConventions) {
    const vscan::PageRequest bilevel = Page(0, 1);
    const vscan::PageRequest gray4 = Page(2, 4);
    const vscan::PageRequest gray8 = Page(2, 8);
    const vscan::PageRequest gray8Gen0 = Page(2, 8, 0);
    const vscan::PageRequest gray4Gen0 = Page(2, 4, 0);
    std::vector<uint8_t> b(vscan::BytesPerLine(bilevel)), g4(vscan::BytesPerLine(gray4)),
        g8(vscan::BytesPerLine(gray8)), g8z(g8.size()), g4z(g4.size());
    int blackSeen = 0;
    for (uint32_t y = 0; y < 200; y += 7) {
        b = LineOf(bilevel, y);
        g4 = LineOf(gray4, y);
        g8 = LineOf(gray8, y);
        g8z = LineOf(gray8Gen0, y);
        g4z = LineOf(gray4Gen0, y);
        for (uint32_t x = 0; x < 301; ++x) {
            const uint8_t level = Intensity(gray8, x, y);
            const bool black = ((b[x / 8] >> (x % 8)) & 1) != 0;  // bit 0 is the leftmost pixel
            EXPECT_EQ(black, level < 128) << x << "," << y;
            blackSeen += black ? 1 : 0;
            EXPECT_EQ(g8[x], level);                    // 0 is black
            EXPECT_EQ(g8z[x], 255 - level);             // generation 0: 0 is white
            const uint8_t nibble = x % 2 == 0 ? (g4[x / 2] & 0x0F) : (g4[x / 2] >> 4);
            EXPECT_EQ(nibble, level >> 4);              // leftmost pixel in the low half
            const uint8_t nibbleGen0 = x % 2 == 0 ? (g4z[x / 2] & 0x0F) : (g4z[x / 2] >> 4);
            EXPECT_EQ(nibbleGen0, 15 - (level >> 4));
        }
        EXPECT_EQ(b.back() >> 5, 0) << "padding bits after the last pixel stay 0";
        EXPECT_EQ(g4.back() >> 4, 0);
    }
    EXPECT_GT(blackSeen, 0);
}

TEST(VScannerPage, OutsideTheSheetIsWhite) {
    vscan::PageRequest page = Page(2, 8);
    page.sheetWidth = 400;  // 100 pixels at 300 dpi
    page.sheetLength = 400;
    std::vector<uint8_t> line(vscan::BytesPerLine(page));
    line = LineOf(page, 150);
    for (uint8_t value : line) EXPECT_EQ(value, 255);
    line = LineOf(page, 37);
    for (uint32_t x = 100; x < 301; ++x) EXPECT_EQ(line[x], 255);
}

TEST(VScannerPage, ContentIsDeterministicAndDiffersBySheetAndSide) {
    vscan::PageRequest page = Page(0, 1);
    page.lines = 600;
    const auto first = vscan::SynthesizePage(page);
    EXPECT_EQ(vscan::SynthesizePage(page), first);
    vscan::PageRequest back = page;
    back.side = 0x80;
    vscan::PageRequest next = page;
    next.sheet = 1;
    EXPECT_NE(vscan::SynthesizePage(back), first);
    EXPECT_NE(vscan::SynthesizePage(next), first);
    // The page is not symmetric top to bottom, so a page turned upside down is caught.
    const size_t perLine = vscan::BytesPerLine(page);
    std::vector<uint8_t> upsideDown;
    for (size_t line = page.lines; line-- > 0;)
        upsideDown.insert(upsideDown.end(), first.begin() + static_cast<long>(line * perLine),
                          first.begin() + static_cast<long>((line + 1) * perLine));
    EXPECT_NE(upsideDown, first);
}
