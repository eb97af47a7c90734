// Records of DAT_IMAGEINFO and DAT_IMAGELAYOUT.
#include "twain/image_layout.h"

#include <cstring>

TW_IMAGEINFO ImageInfoRecord;
TW_IMAGELAYOUT ImageLayoutRecord;
TW_FRAME LayoutFrame;

void ResetImageLayoutState() {
    std::memset(&ImageInfoRecord, 0, sizeof ImageInfoRecord);
    std::memset(&ImageLayoutRecord, 0, sizeof ImageLayoutRecord);
    std::memset(&LayoutFrame, 0, sizeof LayoutFrame);
}
