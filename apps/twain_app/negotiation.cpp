// MSG_SET and MSG_GETCURRENT of DAT_CAPABILITY with one-value, enumeration and
// range containers, in memory blocks that the application allocates and frees.
#include "apps/twain_app/negotiation.h"

#include <cmath>
#include <cstddef>
#include <cstdio>
#include <cstring>

#include "apps/twain_app/twain_session.h"
#include "platform/platform.h"

namespace {

// A number in 1/65536 units as TW_FIX32.
TW_FIX32 Fix32OfScaled(int32_t scaled) {
    TW_FIX32 fix;
    fix.Whole = static_cast<TW_INT16>(scaled >> 16);
    fix.Frac = static_cast<TW_UINT16>(scaled & 0xFFFF);
    return fix;
}

double FromFix32(TW_UINT32 raw) {
    const auto whole = static_cast<int16_t>(raw & 0xFFFF);
    const auto frac = static_cast<uint16_t>(raw >> 16);
    return whole + frac / 65536.0;
}

// A frame edge rounded down to the 1/65536 inch: rounded to the nearest, a
// sheet of the model's largest size could come out above the source's bound.
TW_FIX32 FrameEdge(double inches) { return Fix32OfScaled(static_cast<int32_t>(std::floor(inches * 65536.0))); }

TW_UINT32 ItemBits(TW_UINT16 itemType, double value) {
    if (itemType == TWTY_FIX32) {
        const TW_FIX32 fix = ToFix32(value);
        TW_UINT32 raw;
        std::memcpy(&raw, &fix, sizeof raw);
        return raw;
    }
    return static_cast<TW_UINT32>(static_cast<int64_t>(value));
}

double ItemValue(TW_UINT16 itemType, TW_UINT32 raw) {
    switch (itemType) {
        case TWTY_FIX32: return FromFix32(raw);
        case TWTY_INT8: return static_cast<int8_t>(raw);
        case TWTY_INT16: return static_cast<int16_t>(raw);
        case TWTY_INT32: return static_cast<int32_t>(raw);
        case TWTY_UINT8: return static_cast<uint8_t>(raw);
        case TWTY_UINT16:
        case TWTY_BOOL: return static_cast<uint16_t>(raw);
        default: return raw;
    }
}

// Width in bytes of one item of an enumeration.
uint32_t ItemWidth(TW_UINT16 itemType) {
    switch (itemType) {
        case TWTY_INT8:
        case TWTY_UINT8: return 1;
        case TWTY_INT16:
        case TWTY_UINT16:
        case TWTY_BOOL: return 2;
        default: return 4;
    }
}

// Reads the current value out of a container the source built.
bool ReadCurrent(TW_UINT16 conType, plat::MemHandle block, CapabilityValue& value) {
    const uint32_t size = plat::MemSize(block);
    const auto* bytes = static_cast<const uint8_t*>(plat::MemLock(block));
    if (bytes == nullptr) return false;
    bool ok = false;
    TW_UINT16 itemType = 0;
    TW_UINT32 raw = 0;
    if (size >= sizeof(TW_UINT16)) std::memcpy(&itemType, bytes, sizeof itemType);
    if (conType == TWON_ONEVALUE && size >= sizeof(TW_ONEVALUE)) {
        std::memcpy(&raw, bytes + offsetof(TW_ONEVALUE, Item), sizeof raw);
        ok = true;
    } else if (conType == TWON_RANGE && size >= sizeof(TW_RANGE)) {
        std::memcpy(&raw, bytes + offsetof(TW_RANGE, CurrentValue), sizeof raw);
        ok = true;
    } else if (conType == TWON_ENUMERATION && size >= offsetof(TW_ENUMERATION, ItemList)) {
        TW_UINT32 count = 0;
        TW_UINT32 current = 0;
        std::memcpy(&count, bytes + offsetof(TW_ENUMERATION, NumItems), sizeof count);
        std::memcpy(&current, bytes + offsetof(TW_ENUMERATION, CurrentIndex), sizeof current);
        const uint64_t at = offsetof(TW_ENUMERATION, ItemList) +
                            uint64_t{current} * ItemWidth(itemType);
        if (current < count && at + ItemWidth(itemType) <= size) {
            std::memcpy(&raw, bytes + at, ItemWidth(itemType));
            ok = true;
        }
    }
    plat::MemUnlock(block);
    value.itemType = itemType;
    value.number = ItemValue(itemType, raw);
    return ok;
}

// Reads every item an enumeration, range or one value holds.
bool ReadChoices(TW_UINT16 conType, plat::MemHandle block, CapabilityChoices& choices) {
    const uint32_t size = plat::MemSize(block);
    const auto* bytes = static_cast<const uint8_t*>(plat::MemLock(block));
    if (bytes == nullptr) return false;
    bool ok = false;
    TW_UINT16 itemType = 0;
    if (size >= sizeof(TW_UINT16)) std::memcpy(&itemType, bytes, sizeof itemType);
    choices.conType = conType;
    choices.itemType = itemType;
    choices.items.clear();
    if (conType == TWON_ONEVALUE && size >= sizeof(TW_ONEVALUE)) {
        TW_UINT32 raw = 0;
        std::memcpy(&raw, bytes + offsetof(TW_ONEVALUE, Item), sizeof raw);
        choices.items.push_back(ItemValue(itemType, raw));
        choices.currentIndex = choices.defaultIndex = 0;
        ok = true;
    } else if (conType == TWON_RANGE && size >= sizeof(TW_RANGE)) {
        const auto field = [&](size_t offset) {
            TW_UINT32 raw = 0;
            std::memcpy(&raw, bytes + offset, sizeof raw);
            return ItemValue(itemType, raw);
        };
        choices.minimum = field(offsetof(TW_RANGE, MinValue));
        choices.maximum = field(offsetof(TW_RANGE, MaxValue));
        choices.step = field(offsetof(TW_RANGE, StepSize));
        choices.defaultValue = field(offsetof(TW_RANGE, DefaultValue));
        choices.currentValue = field(offsetof(TW_RANGE, CurrentValue));
        ok = true;
    } else if (conType == TWON_ENUMERATION && size >= offsetof(TW_ENUMERATION, ItemList)) {
        TW_UINT32 count = 0;
        std::memcpy(&count, bytes + offsetof(TW_ENUMERATION, NumItems), sizeof count);
        std::memcpy(&choices.currentIndex, bytes + offsetof(TW_ENUMERATION, CurrentIndex), sizeof(TW_UINT32));
        std::memcpy(&choices.defaultIndex, bytes + offsetof(TW_ENUMERATION, DefaultIndex), sizeof(TW_UINT32));
        const uint32_t width = ItemWidth(itemType);
        ok = offsetof(TW_ENUMERATION, ItemList) + uint64_t{count} * width <= size;
        for (uint32_t i = 0; ok && i < count; ++i) {
            TW_UINT32 raw = 0;
            std::memcpy(&raw, bytes + offsetof(TW_ENUMERATION, ItemList) + size_t{i} * width, width);
            choices.items.push_back(ItemValue(itemType, raw));
        }
    }
    plat::MemUnlock(block);
    return ok;
}

// Asks for a container with `msg` and reads it with `read`; false (printed)
// when refused or unreadable.
template <typename Read>
bool QueryCapability(TW_UINT16 cap, TW_UINT16 msg, Read read) {
    TW_CAPABILITY capability{cap, TWON_DONTCARE16, nullptr};
    const TW_UINT16 result = CallSource(DG_CONTROL, DAT_CAPABILITY, msg, &capability);
    if (result != TWRC_SUCCESS) return ReportSourceFailure(CapabilityName(cap), result);
    const bool ok = read(capability.ConType, capability.hContainer);
    plat::MemFree(capability.hContainer);
    if (!ok) std::fprintf(stderr, "%s: %s: the source answered an unreadable container\n", ApplicationName(),
                          CapabilityName(cap));
    return ok;
}

}  // namespace

TW_FIX32 ToFix32(double value) { return Fix32OfScaled(static_cast<int32_t>(std::lround(value * 65536.0))); }

bool SetCapability(TW_UINT16 cap, TW_UINT16 itemType, double value) {
    TW_CAPABILITY capability{cap, TWON_ONEVALUE, plat::MemAlloc(sizeof(TW_ONEVALUE))};
    auto* one = static_cast<TW_ONEVALUE*>(plat::MemLock(capability.hContainer));
    if (one == nullptr) {
        plat::MemFree(capability.hContainer);
        std::fprintf(stderr, "%s: no memory for a capability container\n", ApplicationName());
        return false;
    }
    one->ItemType = itemType;
    one->Item = ItemBits(itemType, value);
    plat::MemUnlock(capability.hContainer);
    const TW_UINT16 result = CallSource(DG_CONTROL, DAT_CAPABILITY, MSG_SET, &capability);
    plat::MemFree(capability.hContainer);
    if (result != TWRC_SUCCESS) return ReportSourceFailure(CapabilityName(cap), result);
    return true;
}

bool GetCurrentCapability(TW_UINT16 cap, CapabilityValue& value) {
    return QueryCapability(cap, MSG_GETCURRENT, [&value](TW_UINT16 conType, plat::MemHandle block) {
        return ReadCurrent(conType, block, value);
    });
}

bool GetCapabilityChoices(TW_UINT16 cap, CapabilityChoices& choices) {
    return QueryCapability(cap, MSG_GET, [&choices](TW_UINT16 conType, plat::MemHandle block) {
        return ReadChoices(conType, block, choices);
    });
}

bool SetPageFrame(double widthInches, double heightInches) {
    TW_IMAGELAYOUT layout{};
    layout.Frame.Left = ToFix32(0);
    layout.Frame.Top = ToFix32(0);
    layout.Frame.Right = FrameEdge(widthInches);
    layout.Frame.Bottom = FrameEdge(heightInches);
    layout.DocumentNumber = layout.PageNumber = layout.FrameNumber = TWON_DONTCARE32;
    const TW_UINT16 result = CallSource(DG_IMAGE, DAT_IMAGELAYOUT, MSG_SET, &layout);
    if (result != TWRC_SUCCESS) return ReportSourceFailure("DAT_IMAGELAYOUT MSG_SET", result);
    return true;
}

const char* CapabilityName(TW_UINT16 cap) {
    switch (cap) {
        case CAP_XFERCOUNT: return "CAP_XFERCOUNT";
        case ICAP_PIXELTYPE: return "ICAP_PIXELTYPE";
        case ICAP_XRESOLUTION: return "ICAP_XRESOLUTION";
        case ICAP_YRESOLUTION: return "ICAP_YRESOLUTION";
        case ICAP_BITDEPTH: return "ICAP_BITDEPTH";
        case ICAP_BRIGHTNESS: return "ICAP_BRIGHTNESS";
        case ICAP_CONTRAST: return "ICAP_CONTRAST";
        case ICAP_XFERMECH: return "ICAP_XFERMECH";
        case ICAP_COMPRESSION: return "ICAP_COMPRESSION";
        case ICAP_PIXELFLAVOR: return "ICAP_PIXELFLAVOR";
        case ICAP_PHYSICALWIDTH: return "ICAP_PHYSICALWIDTH";
        case ICAP_PHYSICALHEIGHT: return "ICAP_PHYSICALHEIGHT";
        case kCapSideChooser: return "side chooser (0x8123)";
        case kCapDuplex: return "duplex (0x8124)";
        default: return "capability";
    }
}
