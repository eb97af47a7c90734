// The free paper size dialog "FREESIZEBOX": up to ten named paper sizes of the
// user's own, in millimetres within the model's limits, stored in the settings
// file at each Add and Delete.
#pragma once

#include <cstdint>

#include "platform/dialogs.h"

constexpr const char* kFreeSizeTemplate = "FREESIZEBOX";

intptr_t PLAT_CALLBACK FreeSizeProc(plat::WindowHandle dialog, uint32_t message, uintptr_t wParam,
                                    intptr_t lParam);
