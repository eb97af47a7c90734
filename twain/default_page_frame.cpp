// The default page frame of an opened source: the page size of the current
// paper size at the current X resolution, capped for the model, stored in the
// scan window and as the layout frame.
#include "scanner/scan_window_builder.h"
#include "twain/image_layout.h"

void SetDefaultPageFrame(int paperSizeIndex) {
    uint32_t width = 0;
    uint32_t length = 0;
    PaperSizeOfIndex(paperSizeIndex, &width, &length);
    LayoutFrame.Left = TW_FIX32{0, 0};
    LayoutFrame.Top = TW_FIX32{0, 0};
    StorePageSize(width, length, CurrentResolutionDpi(), 1);
}
