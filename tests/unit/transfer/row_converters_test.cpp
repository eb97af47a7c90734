// The row converters against a plain per-byte version, on every byte value at
// every alignment and odd length.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "transfer/row_converters.h"

namespace {

uint8_t ReverseBits(uint8_t byte) {
    uint8_t reversed = 0;
    for (int bit = 0; bit < 8; ++bit) {
        if (byte & (1u << bit)) reversed = static_cast<uint8_t>(reversed | (0x80u >> bit));
    }
    return reversed;
}
uint8_t SwapNibbles(uint8_t byte) { return static_cast<uint8_t>((byte << 4) | (byte >> 4)); }

struct ConverterCase {
    const char* name;
    RowConverter converter;
    uint8_t (*reference)(uint8_t);
};

const ConverterCase kConverters[] = {
    {"CopyRow", CopyRow, [](uint8_t b) { return b; }},
    {"CopyRowInverted", CopyRowInverted, [](uint8_t b) { return static_cast<uint8_t>(~b); }},
    {"CopyRowBitReversed", CopyRowBitReversed, ReverseBits},
    {"CopyRowBitReversedInverted", CopyRowBitReversedInverted,
     [](uint8_t b) { return static_cast<uint8_t>(~ReverseBits(b)); }},
    {"CopyRowNibbleSwapped", CopyRowNibbleSwapped, SwapNibbles},
    {"CopyRowNibbleSwappedInverted", CopyRowNibbleSwappedInverted,
     [](uint8_t b) { return static_cast<uint8_t>(~SwapNibbles(b)); }},
};

TEST(RowConverters, MatchThePerByteVersionAtEveryOffsetAndLength) {
    // Every byte value, repeated with a shift so that each value meets each
    // position within a word.
    std::vector<uint8_t> source(600);
    for (size_t i = 0; i < source.size(); ++i) source[i] = static_cast<uint8_t>(i * 7 + i / 256);
    constexpr uint8_t kGuard = 0xA5;
    for (const ConverterCase& c : kConverters) {
        for (uint32_t offset = 0; offset < 8; ++offset) {
            for (uint32_t count : {0u, 1u, 7u, 8u, 9u, 15u, 17u, 213u, 256u, 263u, 591u}) {
                std::vector<uint8_t> out(count + 16, kGuard);
                c.converter(source.data() + offset, out.data() + 3, count);
                for (uint32_t i = 0; i < count; ++i) {
                    ASSERT_EQ(out[3 + i], c.reference(source[offset + i]))
                        << c.name << " offset " << offset << " count " << count << " byte " << i;
                }
                for (uint32_t i : {0u, 1u, 2u}) EXPECT_EQ(out[i], kGuard) << c.name;
                for (uint32_t i = count + 3; i < out.size(); ++i) {
                    ASSERT_EQ(out[i], kGuard) << c.name << " wrote past " << count;
                }
            }
        }
    }
}

}  // namespace
