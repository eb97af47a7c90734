// The row converters. They work on sixteen bytes at a time, so that a page
// is converted at memory speed: the bit reversal by a nibble table shuffle
// where the processor has SSSE3, the others (and the bit reversal without
// SSSE3) by exchanges within the bytes of a word, sixteen bytes wide with
// SSE2 and eight without; the last bytes of a row one by one.
#include "transfer/row_converters.h"

#include <cstring>

#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
#include <immintrin.h>
#define KORVEX_NIBBLE_SHUFFLE 1
#endif

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

#if defined(KORVEX_NIBBLE_SHUFFLE)
// Bit reversal by table look-up of both nibbles, sixteen bytes per shuffle
// (SSSE3, found at run time): the low nibble's entry is its reversal moved to
// the high half, the high nibble's entry its reversal in the low half. The
// inverted tables invert each half, which inverts the whole byte.
struct NibbleTables {
    uint8_t fromLow[16];
    uint8_t fromHigh[16];
};

constexpr NibbleTables ReversalTables(bool inverted) {
    NibbleTables tables{};
    for (uint32_t nibble = 0; nibble < 16; ++nibble) {
        uint32_t reversed = 0;
        for (uint32_t bit = 0; bit < 4; ++bit) reversed |= ((nibble >> bit) & 1u) << (3 - bit);
        tables.fromLow[nibble] = static_cast<uint8_t>((reversed << 4) ^ (inverted ? 0xF0u : 0u));
        tables.fromHigh[nibble] = static_cast<uint8_t>(reversed ^ (inverted ? 0x0Fu : 0u));
    }
    return tables;
}

constexpr NibbleTables kReversal = ReversalTables(false);
constexpr NibbleTables kReversalInverted = ReversalTables(true);

bool HasNibbleShuffle() {
    static const bool present = [] {
        __builtin_cpu_init();
        return __builtin_cpu_supports("ssse3") != 0;
    }();
    return present;
}

// Sixteen bytes from `from` reversed into `to`.
__attribute__((target("ssse3"))) inline void ReverseBlockByShuffle(const NibbleTables& tables,
                                                                   const uint8_t* from, uint8_t* to) {
    const __m128i fromLow = _mm_loadu_si128(reinterpret_cast<const __m128i*>(tables.fromLow));
    const __m128i fromHigh = _mm_loadu_si128(reinterpret_cast<const __m128i*>(tables.fromHigh));
    const __m128i lowNibbles = _mm_set1_epi8(0x0F);
    const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from));
    const __m128i low = _mm_and_si128(bytes, lowNibbles);
    const __m128i high = _mm_and_si128(_mm_srli_epi16(bytes, 4), lowNibbles);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(to),
                     _mm_or_si128(_mm_shuffle_epi8(fromLow, low), _mm_shuffle_epi8(fromHigh, high)));
}

// Converts the whole row; the last bytes of a row that is not a multiple of
// sixteen go through a block of their own, never beyond either row's end.
__attribute__((target("ssse3"))) void ReverseBitsByShuffle(const NibbleTables& tables,
                                                           const uint8_t* source,
                                                           uint8_t* destination, uint32_t count) {
    uint32_t done = 0;
    for (; count - done >= 16; done += 16) ReverseBlockByShuffle(tables, source + done, destination + done);
    if (done == count) return;
    uint8_t last[16] = {};
    std::memcpy(last, source + done, count - done);
    ReverseBlockByShuffle(tables, last, last);
    std::memcpy(destination + done, last, count - done);
}
#endif

// Converts the row by shuffle where the processor has it; false otherwise.
bool ReversedByShuffle(bool inverted, const uint8_t* source, uint8_t* destination, uint32_t count) {
#if defined(KORVEX_NIBBLE_SHUFFLE)
    if (HasNibbleShuffle()) {
        ReverseBitsByShuffle(inverted ? kReversalInverted : kReversal, source, destination, count);
        return true;
    }
#else
    (void)inverted, (void)source, (void)destination, (void)count;
#endif
    return false;
}

}  // namespace

void CopyRow(const uint8_t* source, uint8_t* destination, uint32_t count) {
    if (count != 0) std::memcpy(destination, source, count);
}

void CopyRowInverted(const uint8_t* source, uint8_t* destination, uint32_t count) {
    ConvertWordWide<Invert<Block>, Invert<uint64_t>>(source, destination, count);
}

void CopyRowBitReversed(const uint8_t* source, uint8_t* destination, uint32_t count) {
    if (ReversedByShuffle(false, source, destination, count)) return;
    ConvertWordWide<ReverseBitsOfEachByte<Block>, ReverseBitsOfEachByte<uint64_t>>(source, destination,
                                                                                  count);
}

void CopyRowBitReversedInverted(const uint8_t* source, uint8_t* destination, uint32_t count) {
    if (ReversedByShuffle(true, source, destination, count)) return;
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
