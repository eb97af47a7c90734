// The row converters. They work on sixteen bytes at a time (eight without
// SSE2), so that a page is converted at memory speed, and finish the last
// bytes one by one.
#include "transfer/row_converters.h"

#include <cstring>

namespace {

constexpr uint64_t kRepeat(uint8_t byte) { return 0x0101010101010101ull * byte; }

// The widest word the compiler's target handles in one register: sixteen
// bytes where SSE2 is there (every x86-64), else eight. The transforms work
// on a word in place, so no vector crosses a call by value.
#if defined(__SSE2__)
using Block = uint64_t __attribute__((vector_size(16)));
#else
using Block = uint64_t;
#endif

// Every byte of the word with its bits reversed, by three exchanges within
// each byte: single bits, bit pairs, nibbles.
template <typename Word>
void ReverseBitsOfEachByte(Word& word) {
    word = ((word >> 1) & kRepeat(0x55)) | ((word & kRepeat(0x55)) << 1);
    word = ((word >> 2) & kRepeat(0x33)) | ((word & kRepeat(0x33)) << 2);
    word = ((word >> 4) & kRepeat(0x0F)) | ((word & kRepeat(0x0F)) << 4);
}

template <typename Word>
void SwapNibblesOfEachByte(Word& word) {
    word = ((word >> 4) & kRepeat(0x0F)) | ((word & kRepeat(0x0F)) << 4);
}

template <typename Word>
void Invert(Word& word) {
    word = ~word;
}
template <typename Word>
void ReverseInvert(Word& word) {
    ReverseBitsOfEachByte(word);
    word = ~word;
}
template <typename Word>
void SwapInvert(Word& word) {
    SwapNibblesOfEachByte(word);
    word = ~word;
}

// Whole blocks first, then the last bytes one by one (as the low byte of a
// word, whose other bytes are dropped).
template <void (*BlockTransform)(Block&), void (*WordTransform)(uint64_t&)>
void ConvertWordWide(const uint8_t* source, uint8_t* destination, uint32_t count) {
    uint32_t done = 0;
    for (; count - done >= sizeof(Block); done += sizeof(Block)) {
        Block block;
        std::memcpy(&block, source + done, sizeof block);
        BlockTransform(block);
        std::memcpy(destination + done, &block, sizeof block);
    }
    for (; done < count; ++done) {
        uint64_t word = source[done];
        WordTransform(word);
        destination[done] = static_cast<uint8_t>(word);
    }
}

}  // namespace

void CopyRow(const uint8_t* source, uint8_t* destination, uint32_t count) {
    if (count != 0) std::memcpy(destination, source, count);
}

void CopyRowInverted(const uint8_t* source, uint8_t* destination, uint32_t count) {
    ConvertWordWide<Invert<Block>, Invert<uint64_t>>(source, destination, count);
}

void CopyRowBitReversed(const uint8_t* source, uint8_t* destination, uint32_t count) {
    ConvertWordWide<ReverseBitsOfEachByte<Block>, ReverseBitsOfEachByte<uint64_t>>(source, destination, count);
}

void CopyRowBitReversedInverted(const uint8_t* source, uint8_t* destination, uint32_t count) {
    ConvertWordWide<ReverseInvert<Block>, ReverseInvert<uint64_t>>(source, destination, count);
}

void CopyRowNibbleSwapped(const uint8_t* source, uint8_t* destination, uint32_t count) {
    ConvertWordWide<SwapNibblesOfEachByte<Block>, SwapNibblesOfEachByte<uint64_t>>(source, destination, count);
}

void CopyRowNibbleSwappedInverted(const uint8_t* source, uint8_t* destination, uint32_t count) {
    ConvertWordWide<SwapInvert<Block>, SwapInvert<uint64_t>>(source, destination, count);
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
