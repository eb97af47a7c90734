// The About dialog "ABOUTBOX": the source's version and the identity of the
// connected scanner as its INQUIRY reported it at open.
#pragma once

#include <cstdint>

#include "platform/dialogs.h"

constexpr const char* kAboutTemplate = "ABOUTBOX";

intptr_t PLAT_CALLBACK AboutProc(plat::WindowHandle dialog, uint32_t message, uintptr_t wParam,
                                 intptr_t lParam);
