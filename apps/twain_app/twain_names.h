// Names of TWAIN return and condition codes, for messages to the user.
#pragma once

#include "twain/twain_types.h"

// "TWRC_FAILURE", or "TWRC_<number>" for a code outside the table; the text
// lives until the next call for an unknown code.
const char* ReturnCodeName(TW_UINT16 code);
// "TWCC_BADPROTOCOL", or "TWCC_<number>" likewise.
const char* ConditionCodeName(TW_UINT16 code);
