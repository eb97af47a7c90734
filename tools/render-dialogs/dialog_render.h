// Renders a host dialog's current state to a PNG file: the frame with its
// caption, every visible control as Windows draws it in outline (buttons,
// check and radio marks, group frames, fields with their texts, combo and list
// boxes with their items and selection, scroll bars with the thumb, painted
// rectangles of the progress bar), disabled controls greyed and the focused
// control marked, at the template's layout in the dialog base units Windows
// computes for the template's font, so that a picture has the size of the
// real dialog. Uses Cairo and the Liberation Sans font (metric-compatible
// with Arial, the font Wine draws for it).
#pragma once

#include <string>

#include "platform/platform.h"

namespace korvex::tools {

// Answers false with `error` set when the window is no open host dialog or the
// file cannot be written.
bool RenderDialogPng(plat::WindowHandle dialog, const std::string& path, std::string& error);

// The dialog base units of an open host dialog's font, in pixels ({0, 0} for
// anything else): x is the average character width, y the line height.
struct DialogBaseUnits {
    int x, y;
};
DialogBaseUnits BaseUnitsOf(plat::WindowHandle dialog);
// The dialog's client size in pixels at those units; false for no host dialog.
bool ClientSizeOf(plat::WindowHandle dialog, int& width, int& height);

// Writes a 24-bit bottom-up BMP file (what korvex-dialog-shots captures on
// Windows) as PNG; false with `error` set for any other file.
bool ConvertBmpToPng(const std::string& bmpPath, const std::string& pngPath, std::string& error);

// Frees the font and drawing caches that Cairo and fontconfig keep for the
// process (for leak checkers; call last).
void ReleaseRendererCaches();

}  // namespace korvex::tools
