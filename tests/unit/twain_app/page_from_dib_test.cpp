// The application's reading of a native transfer's DIB: rows come out top
// first whichever way the bitmap is stored, the palette says the polarity,
// and a bitmap whose header, palette or rows do not fit its block is refused
// rather than read past its end.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "apps/twain_app/page_transfer.h"

namespace {

void Put32(std::vector<uint8_t>& dib, size_t at, uint32_t value) {
    for (int i = 0; i < 4; ++i) dib[at + i] = static_cast<uint8_t>(value >> (8 * i));
}

// A gray DIB of `width` x `lines` pixels; row r (as stored) holds bytes r*16+i.
std::vector<uint8_t> MakeDib(int32_t width, int32_t height, uint16_t bits, bool whiteFirst = false) {
    const uint32_t colors = 1u << bits;
    const uint32_t lines = static_cast<uint32_t>(height < 0 ? -height : height);
    const uint32_t stride = (static_cast<uint32_t>(width) * bits + 31) / 32 * 4;
    std::vector<uint8_t> dib(40 + 4 * colors + stride * lines + 2, 0);
    Put32(dib, 0, 40);
    Put32(dib, 4, static_cast<uint32_t>(width));
    Put32(dib, 8, static_cast<uint32_t>(height));
    dib[12] = 1;
    dib[14] = static_cast<uint8_t>(bits);
    for (uint32_t i = 0; i < colors; ++i) {
        const auto level = static_cast<uint8_t>((whiteFirst ? colors - 1 - i : i) * 255 / (colors - 1));
        dib[40 + 4 * i] = dib[41 + 4 * i] = dib[42 + 4 * i] = level;
    }
    for (uint32_t row = 0; row < lines; ++row) {
        for (uint32_t i = 0; i < stride; ++i) dib[40 + 4 * colors + row * stride + i] = static_cast<uint8_t>(row * 16 + i);
    }
    return dib;
}

TEST(PageFromDib, RowsComeTopFirstAndThePaletteGivesThePolarity) {
    struct Case {
        const char* name;
        std::vector<uint8_t> dib;
        uint32_t width, length, bits;
        bool minIsWhite;
        std::vector<uint8_t> rows;
    };
    const Case cases[] = {
        // Bottom-up: the last stored row is the top one.
        {"8-bit bottom-up", MakeDib(3, 2, 8), 3, 2, 8, false, {16, 17, 18, 0, 1, 2}},
        {"8-bit top-down", MakeDib(3, -2, 8), 3, 2, 8, false, {0, 1, 2, 16, 17, 18}},
        // 12 pixels of 1 bit take 2 bytes of a 4-byte stride.
        {"1-bit white first", MakeDib(12, 2, 1, true), 12, 2, 1, true, {16, 17, 0, 1}},
        {"4-bit", MakeDib(5, 1, 4), 5, 1, 4, false, {0, 1, 2}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScannedPage page;
        ASSERT_TRUE(PageFromDib(c.dib.data(), static_cast<uint32_t>(c.dib.size()), page));
        EXPECT_EQ(page.width, c.width);
        EXPECT_EQ(page.length, c.length);
        EXPECT_EQ(page.bitsPerPixel, c.bits);
        EXPECT_EQ(page.minIsWhite, c.minIsWhite);
        EXPECT_EQ(page.data, c.rows);
    }
}

TEST(PageFromDib, RefusesABitmapThatDoesNotFitItsBlock) {
    struct Case {
        const char* name;
        size_t at;       // a field to change, or SIZE_MAX for none
        uint32_t value;
        size_t cutBytes;  // bytes missing from the end of the block
    };
    const std::vector<uint8_t> good = MakeDib(64, 8, 8);
    const size_t spare = 2;
    const Case cases[] = {
        {"rows past the block", SIZE_MAX, 0, spare + 1},
        {"header larger than the block", 0, 0x10000, 0},
        {"header smaller than BITMAPINFOHEADER", 0, 12, 0},
        {"no width", 4, 0, 0},
        {"no height", 8, 0, 0},
        {"height INT32_MIN", 8, 0x80000000u, 0},
        {"rows beyond a huge height", 8, 0x7FFFFFFFu, 0},
        {"width whose rows overflow 32 bits", 4, 0x7FFFFFFFu, 0},
        {"24 bits per pixel", 14, 24, 0},
        {"compressed", 16, 1, 0},
        {"more colours than the depth has", 32, 257, 0},
        {"one colour", 32, 1, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<uint8_t> dib = good;
        if (c.at != SIZE_MAX) {
            if (c.at == 14) {
                dib[14] = static_cast<uint8_t>(c.value);
            } else {
                Put32(dib, c.at, c.value);
            }
        }
        dib.resize(dib.size() - c.cutBytes);
        ScannedPage page;
        EXPECT_FALSE(PageFromDib(dib.data(), static_cast<uint32_t>(dib.size()), page));
    }
    ScannedPage page;
    EXPECT_FALSE(PageFromDib(nullptr, 100, page));
    EXPECT_TRUE(PageFromDib(good.data(), static_cast<uint32_t>(good.size() - spare), page))
        << "the spare bytes after the rows are not needed";
}

}  // namespace
