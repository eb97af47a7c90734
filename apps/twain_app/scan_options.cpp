// Reading the source's offer from its capabilities, negotiating a scan
// request, and cutting the delivered page to the requested area.
#include "apps/twain_app/scan_options.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <utility>

#include "apps/twain_app/negotiation.h"
#include "apps/twain_app/twain_session.h"

namespace {

constexpr double kMicrometresPerInch = 25400.0;

std::vector<uint16_t> WholeItems(const CapabilityChoices& choices) {
    std::vector<uint16_t> items;
    for (double item : choices.items) items.push_back(static_cast<uint16_t>(item));
    return items;
}

// The model's largest sheet side: the source reports whole millimetres as
// inches, which are rounded back to the millimetre.
bool PhysicalSize(TW_UINT16 cap, uint32_t& micrometres) {
    CapabilityChoices choices{};
    if (!GetCapabilityChoices(cap, choices) || choices.items.empty()) return false;
    micrometres = static_cast<uint32_t>(std::lround(choices.items[0] * 25.4)) * 1000;
    return true;
}

bool ReadRange(TW_UINT16 cap, int16_t& minimum, int16_t& maximum, int16_t& step) {
    CapabilityChoices choices{};
    if (!GetCapabilityChoices(cap, choices)) return false;
    if (choices.conType != TWON_RANGE) {
        std::fprintf(stderr, "%s: %s: the source offers no range\n", ApplicationName(), CapabilityName(cap));
        return false;
    }
    minimum = static_cast<int16_t>(choices.minimum);
    maximum = static_cast<int16_t>(choices.maximum);
    step = static_cast<int16_t>(choices.step > 0 ? choices.step : 1);
    return true;
}

// The pixel types the source offers (its enumeration), and the gray depths,
// which it lists only while the current pixel type is gray.
bool ReadPixelTypes(ScanOffer& offer) {
    CapabilityChoices types{};
    if (!GetCapabilityChoices(ICAP_PIXELTYPE, types)) return false;
    for (double type : types.items) {
        if (type == TWPT_BW) offer.blackAndWhite = true;
        if (type == TWPT_GRAY) offer.gray = true;
    }
    if (!offer.gray) return true;
    CapabilityValue current{};
    if (!GetCurrentCapability(ICAP_PIXELTYPE, current)) return false;
    const bool wasGray = current.number == TWPT_GRAY;
    if (!wasGray && !SetCapability(ICAP_PIXELTYPE, TWTY_UINT16, TWPT_GRAY)) return false;
    CapabilityChoices depths{};
    bool ok = GetCapabilityChoices(ICAP_BITDEPTH, depths);
    if (ok) offer.grayDepths = WholeItems(depths);
    // Back to the pixel type the source held.
    if (!wasGray) ok = SetCapability(ICAP_PIXELTYPE, TWTY_UINT16, current.number) && ok;
    return ok;
}

// A length on the sheet as a pixel position at `dpi`, truncated.
uint32_t Pixels(uint32_t micrometres, double dpi) {
    return static_cast<uint32_t>(micrometres * dpi / kMicrometresPerInch);
}

// Samples of 1 or 4 bits, the leftmost in the most significant bits.
uint8_t Sample(const uint8_t* row, uint32_t x, uint16_t bits) {
    const uint32_t bit = x * bits;
    const uint32_t shift = 8 - bits - bit % 8;
    return static_cast<uint8_t>((row[bit / 8] >> shift) & ((1u << bits) - 1));
}

void PutSample(uint8_t* row, uint32_t x, uint16_t bits, uint8_t value) {
    const uint32_t bit = x * bits;
    const uint32_t shift = 8 - bits - bit % 8;
    row[bit / 8] = static_cast<uint8_t>(row[bit / 8] | (value << shift));
}

}  // namespace

bool ReadScanOffer(ScanOffer& offer) {
    offer = ScanOffer{};
    CapabilityChoices resolutions{};
    if (!GetCapabilityChoices(ICAP_XRESOLUTION, resolutions)) return false;
    offer.resolutions = WholeItems(resolutions);
    CapabilityValue resolution{};
    if (!GetCurrentCapability(ICAP_XRESOLUTION, resolution)) return false;
    offer.defaultResolution = static_cast<uint16_t>(resolution.number);
    if (!ReadPixelTypes(offer)) return false;
    if (!ReadRange(ICAP_BRIGHTNESS, offer.brightnessMin, offer.brightnessMax, offer.brightnessStep) ||
        !ReadRange(ICAP_CONTRAST, offer.contrastMin, offer.contrastMax, offer.contrastStep)) {
        return false;
    }
    offer.minSheetWidth = kMinSheetWidthUm;
    offer.minSheetLength = kMinSheetLengthUm;
    return PhysicalSize(ICAP_PHYSICALWIDTH, offer.maxSheetWidth) &&
           PhysicalSize(ICAP_PHYSICALHEIGHT, offer.maxSheetLength);
}

bool ApplyScanRequest(const ScanRequest& request) {
    // The pixel type first: the bit depths the source takes depend on it.
    if (!SetCapability(ICAP_PIXELTYPE, TWTY_UINT16, request.pixelType)) return false;
    if (request.pixelType == TWPT_GRAY && !SetCapability(ICAP_BITDEPTH, TWTY_UINT16, request.bitDepth)) {
        return false;
    }
    if (!SetCapability(ICAP_XRESOLUTION, TWTY_FIX32, request.resolution) ||
        !SetCapability(ICAP_YRESOLUTION, TWTY_FIX32, request.resolution) ||
        !SetCapability(ICAP_BRIGHTNESS, TWTY_FIX32, request.brightness) ||
        !SetCapability(ICAP_CONTRAST, TWTY_FIX32, request.contrast)) {
        return false;
    }
    // No side chooser: the request has decided.
    if (!SetCapability(kCapSideChooser, TWTY_BOOL, 0) ||
        !SetCapability(kCapDuplex, TWTY_BOOL, request.duplex ? 1 : 0)) {
        return false;
    }
    if (request.sheetWidth == 0 && request.sheetLength == 0) return true;
    return SetPageFrame(request.sheetWidth / kMicrometresPerInch, request.sheetLength / kMicrometresPerInch);
}

bool CropToArea(ScannedPage& page, const ScanArea& area) {
    if (area.left == 0 && area.top == 0 && area.right == 0 && area.bottom == 0) return true;
    if (page.compression != TWCP_NONE || page.data.size() < uint64_t{page.BytesPerRow()} * page.length) {
        return false;
    }
    const uint32_t left = Pixels(area.left, page.xResolution);
    const uint32_t top = Pixels(area.top, page.yResolution);
    const uint32_t right = std::min(Pixels(area.right, page.xResolution), page.width);
    const uint32_t bottom = std::min(Pixels(area.bottom, page.yResolution), page.length);
    if (left >= right || top >= bottom) return false;
    const uint32_t fromBytes = page.BytesPerRow();
    page.width = right - left;
    page.length = bottom - top;
    const uint32_t toBytes = page.BytesPerRow();
    std::vector<uint8_t> cut(size_t{toBytes} * page.length, 0);
    for (uint32_t y = 0; y < page.length; ++y) {
        const uint8_t* from = page.data.data() + size_t{top + y} * fromBytes;
        uint8_t* to = cut.data() + size_t{y} * toBytes;
        if (page.bitsPerPixel == 8) {
            std::memcpy(to, from + left, page.width);
            continue;
        }
        for (uint32_t x = 0; x < page.width; ++x) {
            PutSample(to, x, page.bitsPerPixel, Sample(from, left + x, page.bitsPerPixel));
        }
    }
    page.data = std::move(cut);
    return true;
}
