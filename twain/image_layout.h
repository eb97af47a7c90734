// The image information of the page about to be transferred and the layout
// frame that the application may set.
#pragma once

#include "twain/twain_types.h"

extern TW_IMAGEINFO ImageInfoRecord;
extern TW_IMAGELAYOUT ImageLayoutRecord;
extern TW_FRAME LayoutFrame;

void ResetImageLayoutState();

// Opening: the default page size of the paper size index at the current X
// resolution, stored in the scan window and as the layout frame.
void SetDefaultPageFrame(int paperSizeIndex);
