// DAT_IMAGEINFO, DAT_IMAGELAYOUT and the refused DAT_IMAGEFILEXFER.
#include <cstring>

#include "scanner/model_table.h"
#include "settings/capability_container.h"
#include "transfer/scan_job.h"
#include "twain/handlers.h"
#include "twain/image_layout.h"
#include "twain/source_state.h"
#include "twain/user_interface.h"

namespace {

constexpr const char* kImageInfoContext = "General failure in transfer.  ";
constexpr const char* kLayoutContext = "General failure in response to DAT_IMAGEINFO.  ";

// The smallest page, 55 by 70 mm, in inches; a frame must be larger.
constexpr double kMinFrameWidth = 2.1653543307086616;
constexpr double kMinFrameLength = 2.7559055118110236;
constexpr float kMillimetresPerInch = 25.4f;

// Letter, for a page whose resolution is not known yet.
constexpr double kDefaultFrameWidth = 8.5;
constexpr double kDefaultFrameLength = 11.0;

TW_FIX32 FrameEdge(TW_INT32 pixels, TW_FIX32 resolution, double fallback) {
    const double dotsPerInch = Fix32ToFloat(resolution);
    const double inches = dotsPerInch == 0.0 ? fallback : pixels / dotsPerInch;
    return FloatToFix32(static_cast<float>(inches));
}

TW_UINT16 GetLayout(TW_IMAGELAYOUT& layout) {
    if (ShowUIFlag == 1) {
        ImageLayoutRecord.Frame.Left = TW_FIX32{0, 0};
        ImageLayoutRecord.Frame.Top = TW_FIX32{0, 0};
        ImageLayoutRecord.Frame.Right = FrameEdge(ImageInfoRecord.ImageWidth,
                                                  ImageInfoRecord.XResolution, kDefaultFrameWidth);
        ImageLayoutRecord.Frame.Bottom = FrameEdge(
            ImageInfoRecord.ImageLength, ImageInfoRecord.YResolution, kDefaultFrameLength);
    } else {
        ImageLayoutRecord.Frame = LayoutFrame;
    }
    ImageLayoutRecord.DocumentNumber = 1;
    ImageLayoutRecord.PageNumber = ScanJob.pageNumber;
    ImageLayoutRecord.FrameNumber = 1;
    std::memcpy(&layout, &ImageLayoutRecord, sizeof layout);
    return TWRC_SUCCESS;
}

// Only a frame at the page's corner, larger than the smallest page and no
// larger than the model's largest, is taken; its right and bottom edges are kept.
TW_UINT16 SetLayout(const TW_IMAGELAYOUT& layout) {
    const float left = Fix32ToFloat(layout.Frame.Left);
    const float top = Fix32ToFloat(layout.Frame.Top);
    const float right = Fix32ToFloat(layout.Frame.Right);
    const float bottom = Fix32ToFloat(layout.Frame.Bottom);
    const float maxWidth = static_cast<float>(MaxPageWidth) / kMillimetresPerInch;
    const float maxLength = static_cast<float>(MaxPageLength) / kMillimetresPerInch;
    const bool accepted = left == 0.0f && top == 0.0f && right > kMinFrameWidth &&
                          right <= maxWidth && bottom > kMinFrameLength && bottom <= maxLength;
    if (!accepted) return FailOperation(TWCC_BADVALUE, kLayoutContext);
    LayoutFrame.Right = layout.Frame.Right;
    LayoutFrame.Bottom = layout.Frame.Bottom;
    return TWRC_SUCCESS;
}

}  // namespace

TW_UINT16 HandleImageInfo(TripletCall* call) {
    if (SourceState != kStateXferReady) return FailOperation(TWCC_SEQERROR, kImageInfoContext);
    if (call->msg != MSG_GET) return FailOperation(TWCC_BADPROTOCOL, kImageInfoContext);
    if (call->data == nullptr) return FailOperation(TWCC_BADVALUE, kImageInfoContext);
    std::memcpy(call->data, &ImageInfoRecord, sizeof ImageInfoRecord);
    return TWRC_SUCCESS;
}

TW_UINT16 HandleImageLayout(TripletCall* call) {
    if (call->msg != MSG_GET && call->msg != MSG_SET) {
        return FailOperation(TWCC_BADPROTOCOL, kLayoutContext);
    }
    auto* layout = static_cast<TW_IMAGELAYOUT*>(call->data);
    if (layout == nullptr) return FailOperation(TWCC_BADVALUE, kLayoutContext);
    return call->msg == MSG_GET ? GetLayout(*layout) : SetLayout(*layout);
}

TW_UINT16 HandleImageFileXfer(TripletCall*) { return FailOperation(TWCC_BADPROTOCOL, kLayoutContext); }
