// Renders a host dialog's current state to a PNG file: the frame with its
// caption, every visible control as Windows draws it in outline (buttons,
// check and radio marks, group frames, fields with their texts, combo and list
// boxes with their items and selection, scroll bars with the thumb, painted
// rectangles of the progress bar), disabled controls greyed and the focused
// control marked, at the template's layout in the host's dialog base units.
// Uses Cairo and the Liberation Sans font (metric-compatible with Arial).
#pragma once

#include <string>

#include "platform/platform.h"

namespace korvex::tools {

// Answers false with `error` set when the window is no open host dialog or the
// file cannot be written.
bool RenderDialogPng(plat::WindowHandle dialog, const std::string& path, std::string& error);

// Frees the font and drawing caches that Cairo and fontconfig keep for the
// process (for leak checkers; call last).
void ReleaseRendererCaches();

}  // namespace korvex::tools
