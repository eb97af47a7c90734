// korvex-scan's capability negotiation: each option the user gave becomes a
// MSG_SET of one capability, and the value the source then holds is read back
// with MSG_GETCURRENT and printed.
#pragma once

#include "twain/twain_types.h"

// The value of a capability as the application sees it.
struct CapabilityValue {
    TW_UINT16 itemType;
    double number;  // TW_FIX32 converted, integers as they are
};

// Sets a one-value capability; false (with the codes printed) when refused.
bool SetCapability(TW_UINT16 cap, TW_UINT16 itemType, double value);
// Reads the current value; false (with the codes printed) when refused.
bool GetCurrentCapability(TW_UINT16 cap, CapabilityValue& value);

const char* CapabilityName(TW_UINT16 cap);
