// Capability containers on movable memory blocks, written and read byte by
// byte in TWAIN's packed little-endian layout, and the TW_FIX32 conversions.
#include "settings/capability_container.h"

#include <cstdint>

#include "twain/app_memory.h"

namespace {

// Offsets of the packed layouts.
constexpr TW_UINT32 kItemTypeOffset = 0;
constexpr TW_UINT32 kOneValueItemOffset = 2;
constexpr TW_UINT32 kEnumNumItemsOffset = 2;
constexpr TW_UINT32 kEnumCurrentIndexOffset = 6;
constexpr TW_UINT32 kEnumDefaultIndexOffset = 10;
constexpr TW_UINT32 kRangeMinOffset = 2;
constexpr TW_UINT32 kRangeMaxOffset = 6;
constexpr TW_UINT32 kRangeStepOffset = 10;
constexpr TW_UINT32 kRangeDefaultOffset = 14;
constexpr TW_UINT32 kRangeCurrentOffset = 18;
constexpr TW_UINT32 kFrameSize = 16;

// Room after the enumeration's items, kept for applications that read one
// byte past the last item.
constexpr TW_UINT32 kEnumerationSpare = 1;

void PutLittle(TW_UINT8* at, TW_UINT32 value, TW_UINT32 width) {
    for (TW_UINT32 i = 0; i < width; ++i) at[i] = static_cast<TW_UINT8>(value >> (8 * i));
}

TW_UINT32 GetLittle(const TW_UINT8* at, TW_UINT32 width) {
    TW_UINT32 value = 0;
    for (TW_UINT32 i = 0; i < width; ++i) value |= static_cast<TW_UINT32>(at[i]) << (8 * i);
    return value;
}

// Puts the low `width` bytes of value into *destination, keeping the rest.
void MergeLow(TW_UINT32* destination, TW_UINT32 value, TW_UINT32 width) {
    if (width >= 4) {
        *destination = value;
        return;
    }
    TW_UINT32 mask = (1u << (8 * width)) - 1u;
    *destination = (*destination & ~mask) | (value & mask);
}

// The width in which a one value's item is read: the numeric types (INT8 up
// to FIX32) by their size, 0 for frames, strings and unknown types.
TW_UINT32 OneValueReadWidth(TW_UINT16 itemType) {
    return itemType <= TWTY_FIX32 ? ItemSize(itemType) : 0;
}

// The width of one enumeration item as the reader takes it: string types are
// read one byte per item; 0 for FRAME (read as four fields) and unknown types.
TW_UINT32 EnumerationReadWidth(TW_UINT16 itemType) {
    switch (itemType) {
        case TWTY_STR32:
        case TWTY_STR64:
        case TWTY_STR128:
        case TWTY_STR255:
            return 1;
        default:
            return OneValueReadWidth(itemType);
    }
}

// A locked view of a capability's container block, unlocked when it ends.
class LockedContainer {
public:
    explicit LockedContainer(const TW_CAPABILITY* cap)
        : block_(cap != nullptr ? cap->hContainer : nullptr) {
        if (block_ == nullptr) return;
        bytes_ = static_cast<TW_UINT8*>(AppMemory.lock(block_));
        // A block that does not tell its size is taken to hold what its kind
        // declares; the negotiation reads no more items than it supports.
        if (bytes_ == nullptr) return;
        size_ = AppMemory.size != nullptr ? AppMemory.size(block_) : UINT32_MAX;
    }
    ~LockedContainer() {
        if (bytes_ != nullptr) AppMemory.unlock(block_);
    }
    LockedContainer(const LockedContainer&) = delete;
    LockedContainer& operator=(const LockedContainer&) = delete;

    // True when `length` bytes from `offset` lie inside the locked block.
    bool Holds(uint64_t offset, uint64_t length) const {
        return bytes_ != nullptr && offset + length <= size_;
    }
    const TW_UINT8* At(TW_UINT32 offset) const { return bytes_ + offset; }

private:
    TW_HANDLE block_;
    TW_UINT8* bytes_ = nullptr;
    TW_UINT32 size_ = 0;
};

// Allocates a zeroed block of `size` bytes, locks it and hands it to fill;
// on success the block becomes the capability's container of kind conType.
template <typename Fill>
TW_UINT16 HandOver(TW_CAPABILITY* cap, TW_UINT32 size, TW_UINT16 conType, Fill fill) {
    TW_HANDLE block = AppMemory.allocate(size);
    if (block == nullptr) return TWCC_LOWMEMORY;
    auto* bytes = static_cast<TW_UINT8*>(AppMemory.lock(block));
    if (bytes == nullptr) {
        // An unwritten block must not reach the application as a reply.
        FreeAppBlock(block);
        return TWCC_LOWMEMORY;
    }
    // Every byte is written: the spare byte too, whoever allocated the block.
    for (TW_UINT32 i = 0; i < size; ++i) bytes[i] = 0;
    fill(bytes);
    AppMemory.unlock(block);
    cap->hContainer = block;
    cap->ConType = conType;
    return TWCC_SUCCESS;
}

// The 32-bit image of one stored item.
TW_UINT32 StoredItemBits(TW_UINT16 item) { return item; }
TW_UINT32 StoredItemBits(TW_FIX32 item) { return Fix32Bits(item); }

// A failed enumeration or range leaves no handle behind for the application
// to free.
TW_UINT16 ClearOnFailure(TW_CAPABILITY* cap, TW_UINT16 result) {
    if (result != TWCC_SUCCESS) cap->hContainer = nullptr;
    return result;
}

template <typename Enum>
TW_UINT16 BuildEnumerationOf(TW_CAPABILITY* cap, const Enum& source) {
    if (cap == nullptr) return TWCC_BUMMER;
    TW_UINT32 width = OneValueReadWidth(source.itemType);
    if (width == 0 || width > sizeof(source.items[0]) || source.numItems > Enum::kSlots) {
        return ClearOnFailure(cap, TWCC_BUMMER);
    }
    TW_UINT32 size = ItemSize(source.itemType) * source.numItems + kEnumerationHeadSize +
                     kEnumerationSpare;
    TW_UINT16 result = HandOver(cap, size, TWON_ENUMERATION, [&](TW_UINT8* bytes) {
        PutLittle(bytes + kItemTypeOffset, source.itemType, 2);
        PutLittle(bytes + kEnumNumItemsOffset, source.numItems, 4);
        PutLittle(bytes + kEnumCurrentIndexOffset, source.currentIndex, 4);
        PutLittle(bytes + kEnumDefaultIndexOffset, source.defaultIndex, 4);
        for (TW_UINT32 i = 0; i < source.numItems; ++i) {
            PutLittle(bytes + kEnumerationHeadSize + i * width, StoredItemBits(source.items[i]),
                      width);
        }
    });
    return ClearOnFailure(cap, result);
}

}  // namespace

TW_UINT32 ItemSize(TW_UINT16 itemType) {
    switch (itemType) {
        case TWTY_INT8:
        case TWTY_UINT8:
            return 1;
        case TWTY_INT16:
        case TWTY_UINT16:
        case TWTY_BOOL:
            return 2;
        case TWTY_INT32:
        case TWTY_UINT32:
        case TWTY_FIX32:
            return 4;
        case TWTY_FRAME:
            return 16;
        case TWTY_STR32:
            return 34;
        case TWTY_STR64:
            return 66;
        case TWTY_STR128:
            return 130;
        case TWTY_STR255:
            return 256;
        default:
            return 2;
    }
}

TW_UINT16 BuildOneValue(TW_CAPABILITY* cap, TW_UINT16 itemType, TW_UINT32 item) {
    if (cap == nullptr) return TWCC_BUMMER;
    return HandOver(cap, kOneValueSize, TWON_ONEVALUE, [&](TW_UINT8* bytes) {
        PutLittle(bytes + kItemTypeOffset, itemType, 2);
        PutLittle(bytes + kOneValueItemOffset, item, 4);
    });
}

TW_UINT16 BuildEnumeration(TW_CAPABILITY* cap, const CapabilityEnum16& source) {
    return BuildEnumerationOf(cap, source);
}

TW_UINT16 BuildEnumeration(TW_CAPABILITY* cap, const CapabilityEnumFix32& source) {
    return BuildEnumerationOf(cap, source);
}

TW_UINT16 BuildRange(TW_CAPABILITY* cap, const CapabilityRange& source) {
    if (cap == nullptr) return TWCC_BUMMER;
    TW_UINT16 result = HandOver(cap, kRangeSize, TWON_RANGE, [&](TW_UINT8* bytes) {
        PutLittle(bytes + kItemTypeOffset, source.ItemType, 2);
        PutLittle(bytes + kRangeMinOffset, source.MinValue, 4);
        PutLittle(bytes + kRangeMaxOffset, source.MaxValue, 4);
        PutLittle(bytes + kRangeStepOffset, source.StepSize, 4);
        PutLittle(bytes + kRangeDefaultOffset, source.DefaultValue, 4);
        PutLittle(bytes + kRangeCurrentOffset, source.CurrentValue, 4);
    });
    return ClearOnFailure(cap, result);
}

int ReadOneValue(const TW_CAPABILITY* cap, TW_UINT32* destination) {
    if (destination == nullptr) return 0;
    LockedContainer container(cap);
    if (!container.Holds(0, kOneValueSize)) return 0;
    TW_UINT32 width = OneValueReadWidth(static_cast<TW_UINT16>(GetLittle(container.At(0), 2)));
    if (width == 0) return 0;
    MergeLow(destination, GetLittle(container.At(kOneValueItemOffset), width), width);
    return 1;
}

int ReadEnumerationHead(const TW_CAPABILITY* cap, EnumerationHead* head) {
    if (head == nullptr) return 0;
    LockedContainer container(cap);
    if (!container.Holds(0, kEnumerationHeadSize)) return 0;
    EnumerationHead read;
    read.itemType = static_cast<TW_UINT16>(GetLittle(container.At(kItemTypeOffset), 2));
    read.numItems = GetLittle(container.At(kEnumNumItemsOffset), 4);
    read.currentIndex = GetLittle(container.At(kEnumCurrentIndexOffset), 4);
    read.defaultIndex = GetLittle(container.At(kEnumDefaultIndexOffset), 4);
    uint64_t itemBytes = static_cast<uint64_t>(read.numItems) * ItemSize(read.itemType);
    if (!container.Holds(kEnumerationHeadSize, itemBytes)) return 0;
    *head = read;
    return 1;
}

int ReadEnumerationItem(const TW_CAPABILITY* cap, TW_UINT32* destination, TW_UINT32 index) {
    if (destination == nullptr) return 0;
    LockedContainer container(cap);
    if (!container.Holds(0, kEnumerationHeadSize)) return 0;
    TW_UINT32 width = EnumerationReadWidth(static_cast<TW_UINT16>(GetLittle(container.At(0), 2)));
    if (width == 0) return 0;
    uint64_t offset = kEnumerationHeadSize + static_cast<uint64_t>(index) * width;
    if (!container.Holds(offset, width)) return 0;
    MergeLow(destination, GetLittle(container.At(static_cast<TW_UINT32>(offset)), width), width);
    return 1;
}

int ReadEnumerationItem(const TW_CAPABILITY* cap, TW_FRAME* destination, TW_UINT32 index) {
    if (destination == nullptr) return 0;
    LockedContainer container(cap);
    if (!container.Holds(0, kEnumerationHeadSize)) return 0;
    if (GetLittle(container.At(0), 2) != TWTY_FRAME) return 0;
    uint64_t offset = kEnumerationHeadSize + static_cast<uint64_t>(index) * kFrameSize;
    if (!container.Holds(offset, kFrameSize)) return 0;
    auto at = static_cast<TW_UINT32>(offset);
    destination->Left = Fix32FromBits(GetLittle(container.At(at), 4));
    destination->Top = Fix32FromBits(GetLittle(container.At(at + 4), 4));
    destination->Right = Fix32FromBits(GetLittle(container.At(at + 8), 4));
    destination->Bottom = Fix32FromBits(GetLittle(container.At(at + 12), 4));
    return 1;
}

TW_FIX32 FloatToFix32(float value) {
    double scaled = static_cast<double>(value) * 65536.0 + 0.5;
    // Values beyond the TW_FIX32 range saturate instead of overflowing.
    TW_INT32 n;
    if (scaled != scaled) {
        n = 0;
    } else if (scaled <= -2147483648.0) {
        n = INT32_MIN;
    } else if (scaled >= 2147483647.0) {
        n = INT32_MAX;
    } else {
        n = static_cast<TW_INT32>(scaled);
    }
    return TW_FIX32{static_cast<TW_INT16>(n >> 16), static_cast<TW_UINT16>(n & 0xFFFF)};
}

float Fix32ToFloat(TW_FIX32 value) {
    return static_cast<float>(static_cast<double>(value.Whole) +
                              static_cast<double>(value.Frac) / 65536.0);
}
