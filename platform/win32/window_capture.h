// Pictures of real windows on Windows, for the tools that show the dialogs:
// the names of the dialog templates in a module's resources and a capture of
// a shown window, frame included, as a 24-bit BMP file. Depends only on
// platform/platform.h.
#pragma once

#include <string>
#include <vector>

#include "platform/platform.h"

namespace plat::win32 {

// The named dialog templates of the module, in resource order.
std::vector<std::string> DialogTemplateNames(ModuleHandle module);

// Writes what the screen shows of the window (its whole rectangle) to `path`;
// false when it cannot be read or written.
bool CaptureWindowBmp(WindowHandle window, const std::string& path);

// The size of the window's client area in pixels; false for no window.
bool ClientSize(WindowHandle window, int* width, int* height);

}  // namespace plat::win32
