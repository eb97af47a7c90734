// DG_CONTROL / DAT_CAPABILITY: negotiation of the source's twenty
// capabilities over CapabilityState, carrying the values an application sets
// into the settings model (image type, resolution, brightness, contrast).
#pragma once

#include "twain/dispatch.h"

TW_UINT16 NegotiateCapability(TripletCall* call);

// The ImageType text for the current pixel type and bit depth.
void UpdateImageTypeText();
// The Resolution text for the current resolution's whole dots per inch.
void UpdateResolutionText();

// Brightness and contrast between the settings scale (1..255, 128 neutral)
// and the capability scale (-1000..1000, 0 neutral).
TW_INT16 LevelToCapability(TW_INT32 level);
TW_INT32 CapabilityToLevel(TW_INT16 value);
