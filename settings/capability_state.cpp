// The process-wide CapabilityState and its values at load.
#include "settings/capability_state.h"

#include <initializer_list>

namespace {

constexpr TW_FIX32 Dpi(TW_INT16 whole) { return TW_FIX32{whole, 0}; }

// Columns: items, item type, item count, current index, default index.
constexpr CapabilityEnum16 kCompressionChoices = {
    {TWCP_NONE, TWCP_GROUP31DEOL, TWCP_GROUP32D, TWCP_GROUP4}, TWTY_UINT16, 4, 0, 0};
constexpr CapabilityEnum16 kPixelTypeChoices = {
    {TWPT_BW, TWPT_GRAY, 0, 0}, TWTY_UINT16, 2, 0, 0};
constexpr CapabilityEnum16 kUnitsChoices = {
    {TWUN_INCHES, 0, 0, 0}, TWTY_UINT16, 1, 0, 0};
constexpr CapabilityEnum16 kXferMechChoices = {
    {TWSX_NATIVE, TWSX_MEMORY, 0, 0}, TWTY_UINT16, 2, 0, 0};
constexpr CapabilityEnumFix32 kResolutionChoices = {
    {Dpi(100), Dpi(150), Dpi(200), Dpi(240), Dpi(300), Dpi(360), Dpi(400), Dpi(0)},
    TWTY_FIX32, 7, 4, 4};
constexpr CapabilityEnum16 kBitDepthChoices = {
    {8, 4, 0, 0}, TWTY_UINT16, 2, 0, 0};

// Columns: item type, minimum, maximum, step, default, current.
constexpr CapabilityRange kLevelRange = {
    TWTY_FIX32, Fix32Bits(TW_FIX32{-1000, 0}), Fix32Bits(TW_FIX32{1000, 0}),
    Fix32Bits(TW_FIX32{8, 0}), Fix32Bits(TW_FIX32{0, 0}), Fix32Bits(TW_FIX32{0, 0})};

// The values at load.
constexpr CapabilityStateRecord kInitialCapabilityState = {
    -1,                                          // xferCount
    {kCompressionChoices, kCompressionChoices},  // compression
    {kPixelTypeChoices, kPixelTypeChoices},      // pixelType
    {kUnitsChoices, kUnitsChoices},              // units
    {kXferMechChoices, kXferMechChoices},        // xferMech
    {kResolutionChoices, kResolutionChoices},    // resolution
    {kBitDepthChoices, kBitDepthChoices},        // bitDepth
    kLevelRange,                                 // brightness
    kLevelRange,                                 // contrast
    TWPF_CHOCOLATE,                              // pixelFlavor
    4,                                           // ccittKFactor
    1,                                           // feederEnabled
    1,                                           // feederLoaded
    1,                                           // autoFeed
    1,                                           // indicators
    1,                                           // custom8123
    0,                                           // custom8124
};

}  // namespace

CapabilityStateRecord CapabilityState = kInitialCapabilityState;

void ResetCapabilityState() { CapabilityState = kInitialCapabilityState; }

void SetResolutionChoices(const TW_INT16* dotsPerInch, TW_UINT32 count, TW_UINT32 index) {
    if (dotsPerInch == nullptr || count == 0 || count > kEnumSlotsFix32 || index >= count) return;
    for (CapabilityEnumFix32* copy : {&CapabilityState.resolution.current,
                                      &CapabilityState.resolution.supported}) {
        for (TW_UINT32 i = 0; i < count; ++i) copy->items[i] = TW_FIX32{dotsPerInch[i], 0};
        copy->numItems = count;
        copy->currentIndex = index;
        copy->defaultIndex = index;
    }
}

void RestrictPixelTypeToBw() {
    for (CapabilityEnum16* copy : {&CapabilityState.pixelType.current,
                                   &CapabilityState.pixelType.supported}) {
        copy->items[0] = TWPT_BW;
        copy->numItems = 1;
        copy->currentIndex = 0;
        copy->defaultIndex = 0;
    }
}
