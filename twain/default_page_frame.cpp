// The default page frame of an opened source: the page size of the current
// paper size at the current X resolution, capped for the model, stored in the
// scan window and as the layout frame.
#include "scanner/model_caps.h"
#include "scanner/scan_window.h"
#include "settings/capability_container.h"
#include "settings/capability_state.h"
#include "settings/settings_model.h"
#include "transfer/paper_table.h"
#include "twain/image_layout.h"

namespace {

// The whole part of the current resolution; 0 when the enumeration is empty.
uint32_t CurrentXResolution() {
    const CapabilityEnumFix32& choices = CapabilityState.resolution.current;
    if (choices.currentIndex >= choices.numItems || choices.currentIndex >= choices.kSlots) return 0;
    TW_INT16 whole = choices.items[choices.currentIndex].Whole;
    return whole > 0 ? static_cast<uint32_t>(whole) : 0;
}

// Inches of a length in 1/1200 inch, from its low 16 bits.
TW_FIX32 InchesOf(uint32_t dots) {
    return FloatToFix32(static_cast<float>(dots & 0xFFFFu) / 1200.0f);
}

}  // namespace

void SetDefaultPageFrame(int paperSizeIndex) {
    uint32_t dotsPerInch = CurrentXResolution();
    uint32_t width = 0;
    uint32_t length = 0;
    if (const PaperRow* paper = FindPaperByIndex(paperSizeIndex)) {
        width = paper->width;
        length = paper->length;
    } else if (paperSizeIndex >= kFirstFreeSizeIndex &&
               paperSizeIndex < kFirstFreeSizeIndex + kFreeSizeSlots) {
        const FreeSize& size = FreeSizeTable[paperSizeIndex - kFirstFreeSizeIndex];
        width = MillimetresToDots(size.width);
        length = MillimetresToDots(size.length);
    } else {
        width = StandardPaperTable[0].width;
        length = StandardPaperTable[0].length;
    }
    width = CapPageWidth(RoundPageWidth(width, dotsPerInch), dotsPerInch);
    length = CapPageLength(length, 1);

    ScanWindow.paperWidth = width;
    ScanWindow.paperLength = length;
    ScanWindow.width = width;
    ScanWindow.length = length;
    LayoutFrame.Left = TW_FIX32{0, 0};
    LayoutFrame.Top = TW_FIX32{0, 0};
    LayoutFrame.Right = InchesOf(width);
    LayoutFrame.Bottom = InchesOf(length);
}
