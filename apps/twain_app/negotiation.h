// The capability negotiation of a TWAIN application: each setting it wants becomes a
// MSG_SET of one capability, and the value the source then holds is read back
// with MSG_GETCURRENT and printed.
#pragma once

#include <cstdint>
#include <vector>

#include "twain/twain_types.h"

// The source's custom capabilities that decide simplex or duplex for a scan
// without its dialog: 0x8123 TRUE lets the source ask the user with its side
// chooser; with it FALSE, 0x8124 TRUE scans both sides.
constexpr TW_UINT16 kCapSideChooser = 0x8123;
constexpr TW_UINT16 kCapDuplex = 0x8124;

// The value of a capability as the application sees it.
struct CapabilityValue {
    TW_UINT16 itemType;
    double number;  // TW_FIX32 converted, integers as they are
};

// Sets a one-value capability; false (with the codes printed) when refused.
bool SetCapability(TW_UINT16 cap, TW_UINT16 itemType, double value);
// Reads the current value; false (with the codes printed) when refused.
bool GetCurrentCapability(TW_UINT16 cap, CapabilityValue& value);

// What MSG_GET of a capability offers: the items of an enumeration (with its
// current and default index), the bounds of a range, or a one value as a
// single item. Numbers as CapabilityValue holds them.
struct CapabilityChoices {
    TW_UINT16 conType = 0;
    TW_UINT16 itemType = 0;
    std::vector<double> items;  // enumeration or one value
    uint32_t currentIndex = 0;
    uint32_t defaultIndex = 0;
    double minimum = 0, maximum = 0, step = 0, defaultValue = 0, currentValue = 0;  // range
};

// MSG_GET of a capability; false (with the codes printed) when refused or
// answered with a container that cannot be read.
bool GetCapabilityChoices(TW_UINT16 cap, CapabilityChoices& choices);

// The page frame of a scan without the source's dialog (DAT_IMAGELAYOUT
// MSG_SET): from the top left corner, in inches, rounded down to the source's
// fixed-point steps.
bool SetPageFrame(double widthInches, double heightInches);

TW_FIX32 ToFix32(double value);
const char* CapabilityName(TW_UINT16 cap);
