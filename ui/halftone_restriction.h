// The halftone exclusivity rule applied to one halftone combo box each: the
// back and front halftones of the main dialog and the front and back sub-area
// halftones of the sub-area dialog. Each refills its combo box with the
// halftones that may be combined with the related ones and reselects the
// setting's text, which it never changes.
#pragma once

#include "platform/dialogs.h"

void RestrictBackHalftone(plat::WindowHandle dialog);
void RestrictFrontHalftone(plat::WindowHandle dialog);
void RestrictFrontSubAreaHalftone(plat::WindowHandle dialog);
void RestrictBackSubAreaHalftone(plat::WindowHandle dialog);
