// CapabilityState: the source's values of its twenty capabilities, kept for
// the whole process. Enumerated capabilities hold two copies: `current`, which
// MSG_GET reports and MSG_SET narrows, and `supported`, which MSG_SET checks
// against and MSG_RESET restores. Negotiation, model setup and the settings
// model read and change these records; this file depends on the container
// types only.
#pragma once

#include "settings/capability_container.h"
#include "twain/twain_types.h"

// The custom capabilities of this source (stored and reported only).
constexpr TW_UINT16 CAP_CUSTOM_8123 = 0x8123;
constexpr TW_UINT16 CAP_CUSTOM_8124 = 0x8124;

template <typename Enum>
struct CapabilityEnumPair {
    Enum current;
    Enum supported;
};

struct CapabilityStateRecord {
    TW_INT16 xferCount;                                   // CAP_XFERCOUNT, TWTY_INT16
    CapabilityEnumPair<CapabilityEnum16> compression;     // ICAP_COMPRESSION
    CapabilityEnumPair<CapabilityEnum16> pixelType;       // ICAP_PIXELTYPE
    CapabilityEnumPair<CapabilityEnum16> units;           // ICAP_UNITS
    CapabilityEnumPair<CapabilityEnum16> xferMech;        // ICAP_XFERMECH
    CapabilityEnumPair<CapabilityEnumFix32> resolution;   // ICAP_XRESOLUTION and ICAP_YRESOLUTION
    CapabilityEnumPair<CapabilityEnum16> bitDepth;        // ICAP_BITDEPTH
    CapabilityRange brightness;                           // ICAP_BRIGHTNESS, TWTY_FIX32
    CapabilityRange contrast;                             // ICAP_CONTRAST, TWTY_FIX32
    TW_UINT16 pixelFlavor;                                // ICAP_PIXELFLAVOR
    TW_UINT16 ccittKFactor;                               // ICAP_CCITTKFACTOR
    TW_BOOL feederEnabled;                                // CAP_FEEDERENABLED
    TW_BOOL feederLoaded;                                 // CAP_FEEDERLOADED, last answer
    TW_BOOL autoFeed;                                     // CAP_AUTOFEED
    TW_BOOL indicators;                                   // CAP_INDICATORS
    TW_BOOL custom8123;                                   // 0x8123
    TW_BOOL custom8124;                                   // 0x8124
};

extern CapabilityStateRecord CapabilityState;

// Restores CapabilityState to its values at load.
void ResetCapabilityState();

// Sets the first `count` items of both resolution copies to the given whole
// dots-per-inch values (fraction 0), the item count to `count` and the current
// and default index to `index` (model setup by paper class).
void SetResolutionChoices(const TW_INT16* dotsPerInch, TW_UINT32 count, TW_UINT32 index);

// Cuts both pixel type copies to TWPT_BW alone.
void RestrictPixelTypeToBw();
