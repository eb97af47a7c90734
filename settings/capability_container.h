// TWAIN capability containers: the source's stored forms of enumerated and
// ranged capability values, the builders that hand TW_ONEVALUE,
// TW_ENUMERATION and TW_RANGE blocks to the application, the readers of the
// containers an application sends, and the TW_FIX32 conversions.
// Containers are the application's memory blocks (twain/app_memory.h: the
// platform's movable blocks, or a TWAIN 2 manager's), written and read byte by
// byte in TWAIN's packed little-endian layout. Depends on the TWAIN types and
// the application memory record only.
#pragma once

#include "twain/twain_types.h"

// Packed layout of the containers, in bytes.
constexpr TW_UINT32 kOneValueSize = 6;
constexpr TW_UINT32 kRangeSize = 22;
constexpr TW_UINT32 kEnumerationHeadSize = 14;

// Slots of the stored enumerations: four 16-bit items or eight TW_FIX32 items.
constexpr TW_UINT32 kEnumSlots16 = 4;
constexpr TW_UINT32 kEnumSlotsFix32 = 8;

// A stored enumeration: the item array followed by a header that mirrors the
// head of TW_ENUMERATION.
template <typename Item, TW_UINT32 Slots>
struct CapabilityEnum {
    Item items[Slots];
    TW_UINT16 itemType;
    TW_UINT32 numItems;
    TW_UINT32 currentIndex;
    TW_UINT32 defaultIndex;

    static constexpr TW_UINT32 kSlots = Slots;

    // The items in use: the stored count, never past the slots.
    TW_UINT32 ItemCount() const { return numItems < Slots ? numItems : Slots; }
};

using CapabilityEnum16 = CapabilityEnum<TW_UINT16, kEnumSlots16>;
using CapabilityEnumFix32 = CapabilityEnum<TW_FIX32, kEnumSlotsFix32>;

// A stored range: a TW_RANGE kept whole. For TWTY_FIX32 ranges each 32-bit
// value carries Whole in its low half and Frac in its high half.
using CapabilityRange = TW_RANGE;

// The 32-bit image of a TW_FIX32 as it stands in a one value or a range:
// Whole in the low 16 bits, Frac in the high 16 bits.
constexpr TW_UINT32 Fix32Bits(TW_FIX32 value) {
    return static_cast<TW_UINT32>(static_cast<TW_UINT16>(value.Whole)) |
           (static_cast<TW_UINT32>(value.Frac) << 16);
}
constexpr TW_FIX32 Fix32FromBits(TW_UINT32 bits) {
    return TW_FIX32{static_cast<TW_INT16>(static_cast<TW_UINT16>(bits & 0xFFFFu)),
                    static_cast<TW_UINT16>(bits >> 16)};
}

// Size in bytes of one item of a TWAIN item type (2 for unknown types).
TW_UINT32 ItemSize(TW_UINT16 itemType);

// Hands a TW_ONEVALUE to the application. Answers 0, or TWCC_LOWMEMORY when
// no block could be allocated (the capability is then left unchanged).
TW_UINT16 BuildOneValue(TW_CAPABILITY* cap, TW_UINT16 itemType, TW_UINT32 item);

// Hand a TW_ENUMERATION or TW_RANGE to the application. Answer 0, or
// TWCC_LOWMEMORY when no block could be had (the capability is then left with
// a null hContainer and its ConType unchanged); an enumeration whose header
// does not fit its item array is answered with TWCC_BUMMER, unbuilt.
TW_UINT16 BuildEnumeration(TW_CAPABILITY* cap, const CapabilityEnum16& source);
TW_UINT16 BuildEnumeration(TW_CAPABILITY* cap, const CapabilityEnumFix32& source);
TW_UINT16 BuildRange(TW_CAPABILITY* cap, const CapabilityRange& source);

// Replaces the low bytes of *destination with the one value's item, as many
// as its item type is wide (1, 2 or 4); the other bytes keep their contents,
// so callers compare only the width they expect. Answers 1 when the item was
// read; 0, destination untouched, when the container is missing, cannot be
// locked, is shorter than a TW_ONEVALUE or has an item type that is not read.
int ReadOneValue(const TW_CAPABILITY* cap, TW_UINT32* destination);

// The head of an application's TW_ENUMERATION.
struct EnumerationHead {
    TW_UINT16 itemType;
    TW_UINT32 numItems;
    TW_UINT32 currentIndex;
    TW_UINT32 defaultIndex;
};

// Reads the head of the enumeration in cap. Answers 1 when the block holds
// the head and all NumItems items, 0 otherwise (missing or unlockable block,
// a block too short for the head or for its item count).
int ReadEnumerationHead(const TW_CAPABILITY* cap, EnumerationHead* head);

// Replaces the low bytes of *destination with item `index` of the enumeration
// in cap (1, 2 or 4 bytes by the item type; one byte for the string types).
// The frame form reads a TWTY_FRAME item. Answer 1 when the item lies inside
// the block, 0 otherwise (destination untouched).
int ReadEnumerationItem(const TW_CAPABILITY* cap, TW_UINT32* destination, TW_UINT32 index);
int ReadEnumerationItem(const TW_CAPABILITY* cap, TW_FRAME* destination, TW_UINT32 index);

// TW_FIX32 conversions; FloatToFix32 rounds halves upward for values of 0 and
// above and toward zero below 0.
TW_FIX32 FloatToFix32(float value);
float Fix32ToFloat(TW_FIX32 value);
