// The sub-area dialog "AREABOX": for the side that the main dialog chose, the
// sub-area halftone and up to three rectangles, in millimetres from the top
// left corner of the page, each with its own switch.
#pragma once

#include <cstdint>

#include "platform/dialogs.h"

constexpr const char* kSubAreaTemplate = "AREABOX";

constexpr uint16_t kSubAreaFront = 0;
constexpr uint16_t kSubAreaBack = 1;

// The side the next sub-area dialog shows: kSubAreaFront or kSubAreaBack.
extern uint16_t SubAreaSide;

intptr_t PLAT_CALLBACK SubAreaProc(plat::WindowHandle dialog, uint32_t message, uintptr_t wParam,
                                   intptr_t lParam);
