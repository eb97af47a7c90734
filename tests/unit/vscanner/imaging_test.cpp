// The scanner's imaging stages on documents made for each check: halftone
// layouts on flat grays, the tone bytes moving the threshold, white level,
// gamma, emphasis, noise removal, automatic threshold, reverse, and a
// sub-area with its own halftone.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "vscanner/page_synth.h"

namespace {

constexpr uint32_t kPixels = 64;
constexpr uint32_t kLines = 64;

// A document of kPixels x kLines at 300 dpi filled by `level(x, y)`, and a
// page request that scans it pixel for pixel.
vscan::PageRequest PageOf(const std::function<uint8_t(uint32_t, uint32_t)>& level,
                          uint8_t composition = 0, uint8_t bits = 1) {
    auto image = std::make_shared<vscan::DocumentImage>();
    image->width = kPixels;
    image->height = kLines;
    image->xResolution = image->yResolution = 300;
    for (uint32_t y = 0; y < kLines; ++y)
        for (uint32_t x = 0; x < kPixels; ++x) image->intensity.push_back(level(x, y));
    vscan::PageRequest page;
    page.document = image;
    page.composition = composition;
    page.bitsPerPixel = bits;
    page.pixelsPerLine = kPixels;
    page.lines = kLines;
    page.sheetWidth = kPixels * 4;
    page.sheetLength = kLines * 4;
    return page;
}

vscan::PageRequest Flat(uint8_t level, uint8_t composition = 0, uint8_t bits = 1) {
    return PageOf([level](uint32_t, uint32_t) { return level; }, composition, bits);
}

bool Black(const std::vector<uint8_t>& page, uint32_t x, uint32_t y) {
    return ((page[y * (kPixels / 8) + x / 8] >> (x % 8)) & 1) != 0;
}

// The page's first `rows` lines and `columns` pixels as text, '#' black.
std::string Picture(const std::vector<uint8_t>& page, uint32_t columns, uint32_t rows,
                    uint32_t left = 0, uint32_t top = 0) {
    std::string text;
    for (uint32_t y = top; y < top + rows; ++y) {
        for (uint32_t x = left; x < left + columns; ++x) text += Black(page, x, y) ? '#' : '.';
        text += '\n';
    }
    return text;
}

uint32_t BlackCount(const std::vector<uint8_t>& page) {
    uint32_t count = 0;
    for (uint32_t y = 0; y < kLines; ++y)
        for (uint32_t x = 0; x < kPixels; ++x) count += Black(page, x, y) ? 1 : 0;
    return count;
}

}  // namespace

TEST(VScannerImaging, HalftonePatternsLayOutTheirDotsOnAFlatGray) {
    struct Case {
        const char* what;
        uint16_t pattern;
        uint8_t gray;
        uint32_t tile;
        const char* layout;  // the top left tile
        uint32_t blackOfAll;  // black pixels of the whole 64 x 64 page
    };
    const Case cases[] = {
        {"Bayer 4x4 at mid gray: a checkerboard", 1, 128, 4,
         "#.#.\n"
         ".#.#\n"
         "#.#.\n"
         ".#.#\n", 2048},
        {"Bayer 4x4, light gray: a dispersed quarter", 1, 192, 4,
         "#.#.\n"
         "....\n"
         "#.#.\n"
         "....\n", 1024},
        {"Bayer 8x8, dark gray: the eight last cells stay white", 0, 32, 8,
         "########\n"
         "##.###.#\n"
         "########\n"
         ".###.###\n"
         "########\n"
         "##.###.#\n"
         "########\n"
         ".###.###\n", 3584},
        {"Dot 64, light gray: one dot of 8 at the centre", 3, 224, 8,
         "........\n"
         "........\n"
         "........\n"
         "...###..\n"
         "...###..\n"
         "...##...\n"
         "........\n"
         "........\n", 512},
        {"Dot 32, light gray: two dots of 4", 2, 224, 8,
         "........\n"
         ".##.....\n"
         ".##.....\n"
         "........\n"
         "........\n"
         ".....##.\n"
         ".....##.\n"
         "........\n", 512},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        vscan::PageRequest page = Flat(c.gray, 1);
        page.halftonePattern = c.pattern;
        const std::vector<uint8_t> bytes = vscan::SynthesizePage(page);
        EXPECT_EQ(Picture(bytes, c.tile, c.tile), c.layout);
        EXPECT_EQ(Picture(bytes, c.tile, c.tile, c.tile * 3, c.tile * 5), c.layout) << "the pattern repeats";
        EXPECT_EQ(BlackCount(bytes), c.blackOfAll);
    }
}

TEST(VScannerImaging, ErrorDiffusionKeepsTheMeanGrayWithoutARepeatingTile) {
    for (const uint8_t gray : {uint8_t{64}, uint8_t{128}, uint8_t{200}}) {
        vscan::PageRequest page = Flat(gray, 1);
        page.halftonePattern = 4;
        const std::vector<uint8_t> bytes = vscan::SynthesizePage(page);
        const double expected = (255.0 - gray) / 255.0 * kPixels * kLines;
        EXPECT_NEAR(BlackCount(bytes), expected, kPixels * kLines * 0.02) << int{gray};
        EXPECT_EQ(vscan::SynthesizePage(page), bytes) << "deterministic";
    }
    vscan::PageRequest white = Flat(255, 1);
    white.halftonePattern = 4;
    EXPECT_EQ(BlackCount(vscan::SynthesizePage(white)), 0u);
}

TEST(VScannerImaging, ToneBytesMoveTheThresholdAndTheGrayLevels) {
    struct Case {
        const char* what;
        uint8_t composition, bits;
        uint8_t brightness, threshold, contrast, gamma, whiteLevel;
        uint8_t documentGray;
        int expected;  // bi-level: 1 black, 0 white; gray: the level sent
    };
    const Case cases[] = {
        {"default threshold, just below the middle", 0, 1, 0, 0, 0, 0, 0, 127, 1},
        {"default threshold, the middle", 0, 1, 0, 0, 0, 0, 0, 128, 0},
        {"threshold 100, just below", 0, 1, 0, 100, 0, 0, 0, 99, 1},
        {"threshold 100, at it", 0, 1, 0, 100, 0, 0, 0, 100, 0},
        {"brightness alone does not move a bi-level threshold", 0, 1, 20, 0, 0, 0, 0, 127, 1},
        {"contrast 255 spreads 114 to 100", 0, 1, 0, 100, 255, 0, 0, 114, 0},
        {"contrast 255 spreads 113 below 100", 0, 1, 0, 100, 255, 0, 0, 113, 1},
        {"gray: neutral bytes keep the level", 2, 8, 0, 0, 0, 0, 0, 77, 77},
        {"gray: brightness 100 lightens by 28", 2, 8, 100, 100, 0, 0, 0, 100, 128},
        {"gray: brightness 200 darkens by 72", 2, 8, 200, 200, 0, 0, 0, 100, 28},
        {"gray: contrast 64 halves the distance from the middle", 2, 8, 0, 0, 64, 0, 0, 0, 64},
        {"gray: CRT gamma lifts 64 to 136", 2, 8, 0, 0, 0, 1, 0, 64, 136},
        {"gray 4 bit: brightness 100 on 100", 2, 4, 100, 100, 0, 0, 0, 100, 8},
        {"gray: white level from a flat paper makes it white", 2, 8, 0, 0, 0, 0, 0x80, 200, 255},
        {"gray: white stick keeps the paper gray", 2, 8, 0, 0, 0, 0, 0x00, 200, 200},
        {"gray: automatic white level skips a dark paper", 2, 8, 0, 0, 0, 0, 0x81, 100, 100},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        vscan::PageRequest page = Flat(c.documentGray, c.composition, c.bits);
        page.brightness = c.brightness;
        page.threshold = c.threshold;
        page.contrast = c.contrast;
        page.gamma = c.gamma;
        page.whiteLevel = c.whiteLevel;
        const std::vector<uint8_t> bytes = vscan::SynthesizePage(page);
        int level = bytes[0];
        if (c.composition == 0) level = bytes[0] & 1;
        if (c.bits == 4) level = bytes[0] & 0x0F;
        EXPECT_EQ(level, c.expected);
        for (uint8_t byte : bytes) ASSERT_EQ(byte, bytes[0]) << "the page stays flat";
    }
}

TEST(VScannerImaging, AutomaticThresholdFindsFaintTextOnLightPaper) {
    // Text strokes of level 150 on paper of 220: below a fixed middle threshold
    // nothing is black.
    auto faint = [](uint32_t x, uint32_t) { return uint8_t(x % 8 < 2 ? 150 : 220); };
    struct Case {
        uint8_t mode, threshold;
        bool strokesBlack;
    };
    const Case cases[] = {{0x00, 0, false}, {0x80, 0, true}, {0x81, 0, true}, {0x81, 100, false},
                          {0x82, 0, true}};
    for (const Case& c : cases) {
        vscan::PageRequest page = PageOf(faint);
        page.autoThreshold = c.mode;
        page.threshold = c.threshold;
        const std::vector<uint8_t> bytes = vscan::SynthesizePage(page);
        EXPECT_EQ(Black(bytes, 0, 5), c.strokesBlack) << std::hex << int{c.mode} << " " << int{c.threshold};
        EXPECT_FALSE(Black(bytes, 4, 5)) << "the paper stays white";
    }
}

TEST(VScannerImaging, EmphasisSharpensOrSmoothsAnEdge) {
    // Left half 64, right half 192; the edge lies between pixels 31 and 32.
    auto edge = [](uint32_t x, uint32_t) { return uint8_t(x < 32 ? 64 : 192); };
    struct Case {
        uint8_t generation, code;
        int atEdge;   // pixel 31
        int inside;   // pixel 10
    };
    const Case cases[] = {
        {1, 0x00, 64, 64},  // none
        {1, 0x50, 0, 64},   // high: 64 + 4 x (64 - 112) / 2 clamps at 0
        {1, 0x30, 16, 64},  // medium: 64 + 2 x (64 - 112) / 2
        {1, 0x80, 107, 64}, // smooth: the 3x3 mean (6 x 64 + 3 x 192) / 9
        {0, 0x00, 64, 64},  // generation 0 "none"
        {0, 0x50, 0, 64},   // generation 0 "high"
    };
    for (const Case& c : cases) {
        vscan::PageRequest page = PageOf(edge, 2, 8);
        page.generation = c.generation;
        page.emphasis = c.code;
        const std::vector<uint8_t> bytes = vscan::SynthesizePage(page);
        const int polarity = c.generation == 0 ? 255 : 0;  // generation 0 sends 0 for white
        EXPECT_EQ(std::abs(polarity - bytes[20 * kPixels + 31]), c.atEdge) << int{c.generation} << "/" << int{c.code};
        EXPECT_EQ(std::abs(polarity - bytes[20 * kPixels + 10]), c.inside);
    }
}

TEST(VScannerImaging, NoiseRemovalErasesSpecksUpToItsSizeAndKeepsStrokes) {
    // A 1x1 dot, a 3x3 blot, a 2x4 blot and a stroke 1 pixel wide, 40 long.
    auto specks = [](uint32_t x, uint32_t y) {
        const bool dot = x == 5 && y == 5;
        const bool blot = x >= 20 && x < 23 && y >= 20 && y < 23;
        const bool tall = x >= 40 && x < 42 && y >= 4 && y < 8;
        const bool stroke = x == 50 && y >= 10 && y < 50;
        return uint8_t(dot || blot || tall || stroke ? 0 : 255);
    };
    struct Case {
        uint8_t size;
        bool dot, blot, tall, stroke;  // still black afterwards
    };
    const Case cases[] = {{0, true, true, true, true},  {1, false, true, true, true},
                          {2, false, true, true, true}, {3, false, false, true, true},
                          {4, false, false, false, true}, {5, false, false, false, true}};
    for (const Case& c : cases) {
        vscan::PageRequest page = PageOf(specks);
        page.noiseReduction = c.size;
        const std::vector<uint8_t> bytes = vscan::SynthesizePage(page);
        EXPECT_EQ(Black(bytes, 5, 5), c.dot) << int{c.size};
        EXPECT_EQ(Black(bytes, 21, 21), c.blot) << int{c.size};
        EXPECT_EQ(Black(bytes, 41, 7), c.tall) << int{c.size};
        EXPECT_EQ(Black(bytes, 50, 30), c.stroke) << int{c.size};
    }
}

TEST(VScannerImaging, ReverseAndMirrorInvertAndTurnEachLine) {
    auto ramp = [](uint32_t x, uint32_t y) { return uint8_t((x * 4 + y) % 256); };
    for (const auto& [composition, bits] : {std::pair{0, 1}, std::pair{2, 4}, std::pair{2, 8}}) {
        for (const uint8_t generation : {uint8_t{0}, uint8_t{1}}) {
            vscan::PageRequest page = PageOf(ramp, uint8_t(composition), uint8_t(bits));
            page.generation = generation;
            const std::vector<uint8_t> plain = vscan::SynthesizePage(page);
            page.reverse = true;
            const std::vector<uint8_t> reversed = vscan::SynthesizePage(page);
            ASSERT_EQ(reversed.size(), plain.size());
            for (size_t i = 0; i < plain.size(); ++i) ASSERT_EQ(reversed[i], uint8_t(~plain[i])) << i;
            page.reverse = false;
            page.mirror = true;
            const std::vector<uint8_t> mirrored = vscan::SynthesizePage(page);
            const uint32_t perLine = vscan::BytesPerLine(page);
            for (uint32_t y = 0; y < kLines; y += 9) {
                for (uint32_t x = 0; x < kPixels; ++x) {
                    auto pixel = [&](const std::vector<uint8_t>& p, uint32_t at) {
                        if (bits == 8) return int{p[y * perLine + at]};
                        if (bits == 4) return (p[y * perLine + at / 2] >> (at % 2 * 4)) & 0x0F;
                        return (p[y * perLine + at / 8] >> (at % 8)) & 1;
                    };
                    ASSERT_EQ(pixel(mirrored, x), pixel(plain, kPixels - 1 - x)) << x << "," << y;
                }
            }
        }
    }
}

TEST(VScannerImaging, SubAreaHasItsOwnHalftone) {
    // A flat mid gray: the bi-level window leaves it white, the area (pixels
    // 8..23 by lines 16..31) dithers it with Bayer 4x4.
    vscan::PageRequest page = Flat(128, 0);
    page.subAreas[1] = vscan::AreaRect{32, 64, 64, 64};  // 1/1200 inch: 8, 16, 16, 16 pixels
    page.subAreaComposition = 1;
    page.subAreaPattern = 1;
    const std::vector<uint8_t> bytes = vscan::SynthesizePage(page);
    for (uint32_t y = 0; y < kLines; ++y) {
        for (uint32_t x = 0; x < kPixels; ++x) {
            const bool inside = x >= 8 && x < 24 && y >= 16 && y < 32;
            ASSERT_EQ(Black(bytes, x, y), inside && (x + y) % 2 == 0) << x << "," << y;
        }
    }
    // A halftone window with a bi-level area: the area is the white one.
    page.composition = 1;
    page.halftonePattern = 1;
    page.subAreaComposition = 0;
    const std::vector<uint8_t> inverse = vscan::SynthesizePage(page);
    EXPECT_FALSE(Black(inverse, 8, 16));
    EXPECT_TRUE(Black(inverse, 0, 0));
    // Mirrored, the area covers the same part of the document.
    page.mirror = true;
    const std::vector<uint8_t> mirrored = vscan::SynthesizePage(page);
    EXPECT_FALSE(Black(mirrored, kPixels - 1 - 8, 16));
    EXPECT_FALSE(Black(mirrored, kPixels - 1 - 23, 30));
}
