// DG_CONTROL / DAT_CAPABILITY: negotiation of the source's capabilities.
#pragma once

#include "twain/dispatch.h"

TW_UINT16 NegotiateCapability(TripletCall* call);
