// The row converters. They work on eight bytes at a time, so that a page is
// converted at memory speed, and finish the last bytes one by one.
#include "transfer/row_converters.h"

#include <cstring>

namespace {

constexpr uint64_t kRepeat(uint8_t byte) { return 0x0101010101010101ull * byte; }

// Every byte of the word with its bits reversed, by three exchanges within
// each byte: single bits, bit pairs, nibbles.
constexpr uint64_t ReverseBitsOfEachByte(uint64_t word) {
    word = ((word >> 1) & kRepeat(0x55)) | ((word & kRepeat(0x55)) << 1);
    word = ((word >> 2) & kRepeat(0x33)) | ((word & kRepeat(0x33)) << 2);
    return ((word >> 4) & kRepeat(0x0F)) | ((word & kRepeat(0x0F)) << 4);
}

constexpr uint64_t SwapNibblesOfEachByte(uint64_t word) {
    return ((word >> 4) & kRepeat(0x0F)) | ((word & kRepeat(0x0F)) << 4);
}

template <uint64_t (*Transform)(uint64_t)>
void ConvertWordWide(const uint8_t* source, uint8_t* destination, uint32_t count) {
    uint32_t done = 0;
    for (; count - done >= sizeof(uint64_t); done += sizeof(uint64_t)) {
        uint64_t word;
        std::memcpy(&word, source + done, sizeof word);
        word = Transform(word);
        std::memcpy(destination + done, &word, sizeof word);
    }
    for (; done < count; ++done) {
        destination[done] = static_cast<uint8_t>(Transform(source[done]));
    }
}

constexpr uint64_t Invert(uint64_t word) { return ~word; }
constexpr uint64_t ReverseInvert(uint64_t word) { return ~ReverseBitsOfEachByte(word); }
constexpr uint64_t SwapInvert(uint64_t word) { return ~SwapNibblesOfEachByte(word); }

}  // namespace

void CopyRow(const uint8_t* source, uint8_t* destination, uint32_t count) {
    if (count != 0) std::memcpy(destination, source, count);
}

void CopyRowInverted(const uint8_t* source, uint8_t* destination, uint32_t count) {
    ConvertWordWide<Invert>(source, destination, count);
}

void CopyRowBitReversed(const uint8_t* source, uint8_t* destination, uint32_t count) {
    ConvertWordWide<ReverseBitsOfEachByte>(source, destination, count);
}

void CopyRowBitReversedInverted(const uint8_t* source, uint8_t* destination, uint32_t count) {
    ConvertWordWide<ReverseInvert>(source, destination, count);
}

void CopyRowNibbleSwapped(const uint8_t* source, uint8_t* destination, uint32_t count) {
    ConvertWordWide<SwapNibblesOfEachByte>(source, destination, count);
}

void CopyRowNibbleSwappedInverted(const uint8_t* source, uint8_t* destination, uint32_t count) {
    ConvertWordWide<SwapInvert>(source, destination, count);
}

RowConverter ChooseRowConverter(uint8_t composition, uint8_t bitsPerPixel, bool keepPolarity,
                                bool compressed) {
    constexpr uint8_t kGray = 2;
    if (composition != kGray) {
        if (compressed) return CopyRow;
        return keepPolarity ? CopyRowBitReversed : CopyRowBitReversedInverted;
    }
    if (bitsPerPixel == 4) return keepPolarity ? CopyRowNibbleSwapped : CopyRowNibbleSwappedInverted;
    return keepPolarity ? CopyRow : CopyRowInverted;
}
