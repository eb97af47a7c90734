// The simplex/duplex chooser "RYOUMENDLG", which asks for the scanning side
// before a scan without the main dialog. It shows and sets the SideMode text;
// whoever runs it loads and stores that text around it.
#pragma once

#include <cstdint>

#include "platform/dialogs.h"

constexpr const char* kSideChoiceTemplate = "RYOUMENDLG";

intptr_t PLAT_CALLBACK SideChoiceProc(plat::WindowHandle dialog, uint32_t message, uintptr_t wParam,
                                      intptr_t lParam);
