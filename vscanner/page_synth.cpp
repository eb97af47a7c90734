// Deterministic page synthesis in the scanner's pixel conventions.
#include "vscanner/page_synth.h"

#include <algorithm>

#include "vscanner/ccitt_coder.h"

namespace vscan {

namespace {

// The physical position of pixel `index` at `resolution`, from `origin`.
uint32_t PixelPosition(uint32_t origin, uint32_t index, uint32_t resolution) {
    if (resolution == 0) return origin;
    return origin + static_cast<uint32_t>(static_cast<uint64_t>(index) * 1200u / resolution);
}

uint8_t IntensityAt(const PageRequest& page, uint32_t pixel, uint32_t line) {
    const uint32_t column = page.mirror ? page.pixelsPerLine - 1 - pixel : pixel;
    const uint32_t x = PixelPosition(page.left, column, page.xResolution);
    const uint32_t y = PixelPosition(page.top, line, page.yResolution);
    if (x >= page.sheetWidth || y >= page.sheetLength) return 255;
    return DocumentIntensity(page.sheet, page.side, x, y);
}

// Bi-level and halftone: a plain threshold at the middle of the scale.
bool IsBlack(uint8_t intensity) { return intensity < 128; }

// Gray levels as the scanner sends them: 0 black, except on generation 0.
uint8_t GrayLevel(const PageRequest& page, uint8_t intensity, uint8_t maxLevel) {
    const uint8_t level = maxLevel == 255 ? intensity : static_cast<uint8_t>(intensity >> 4);
    return page.generation == 0 ? static_cast<uint8_t>(maxLevel - level) : level;
}

}  // namespace

uint8_t DocumentIntensity(uint32_t sheet, uint8_t side, uint32_t x, uint32_t y) {
    // A black frame a tenth of an inch in from the edges of a page area, text-like
    // bars in bands a sixth of an inch high, and a horizontal gray ramp; the bar
    // positions depend on the sheet and side so that pages differ.
    const uint32_t band = y / 200;
    const uint32_t inBand = y % 200;
    if (x >= 120 && x < 144) return 0;
    if (y >= 120 && y < 144) return 0;
    if (inBand >= 60 && inBand < 140) {
        const uint32_t seed = sheet * 7919u + (side != 0 ? 104729u : 0u) + band * 31u;
        const uint32_t barWidth = 96 + (seed % 5) * 48;
        const uint32_t gap = 72 + (seed / 5 % 3) * 24;
        const uint32_t period = barWidth + gap;
        const uint32_t phase = (x + seed * 13u) % period;
        if (x >= 300 && phase < barWidth && (band + sheet + (side != 0 ? 1u : 0u)) % 4 != 3) return 16;
    }
    if (inBand < 40) return static_cast<uint8_t>(255 - (x / 48) % 256);
    return 240;
}

uint32_t BytesPerLine(const PageRequest& page) {
    if (page.composition == 2 && page.bitsPerPixel == 8) return page.pixelsPerLine;
    if (page.composition == 2 && page.bitsPerPixel == 4)
        return static_cast<uint32_t>((static_cast<uint64_t>(page.pixelsPerLine) + 1) / 2);
    return static_cast<uint32_t>((static_cast<uint64_t>(page.pixelsPerLine) + 7) / 8);
}

uint64_t PageBytes(const PageRequest& page) {
    return static_cast<uint64_t>(BytesPerLine(page)) * page.lines;
}

void SynthesizeLine(const PageRequest& page, uint32_t line, uint8_t* out) {
    const uint32_t bytes = BytesPerLine(page);
    std::fill(out, out + bytes, uint8_t{0});
    for (uint32_t pixel = 0; pixel < page.pixelsPerLine; ++pixel) {
        const uint8_t intensity = IntensityAt(page, pixel, line);
        if (page.composition == 2 && page.bitsPerPixel == 8) {
            out[pixel] = GrayLevel(page, intensity, 255);
        } else if (page.composition == 2 && page.bitsPerPixel == 4) {
            const uint8_t level = GrayLevel(page, intensity, 15);
            out[pixel / 2] |= static_cast<uint8_t>((pixel % 2 == 0) ? level : level << 4);
        } else if (IsBlack(intensity)) {
            out[pixel / 8] |= static_cast<uint8_t>(1u << (pixel % 8));
        }
    }
}

std::vector<uint8_t> SynthesizePage(const PageRequest& page) {
    PageStream stream(page);
    if (!stream.Ready()) return {};
    std::vector<uint8_t> bytes(static_cast<size_t>(stream.Size()));
    for (uint64_t offset = 0; offset < bytes.size();) {
        const uint32_t count = static_cast<uint32_t>(std::min<uint64_t>(bytes.size() - offset, 1u << 20));
        stream.Copy(offset, count, bytes.data() + offset);
        offset += count;
    }
    return bytes;
}

PageStream::PageStream(const PageRequest& page) : page_(page), line_(BytesPerLine(page)) {
    if (page.compression == kCompressionNone) return;
    ready_ = EncodeCcittPage(
        page.compression, page.compressionArgument, page.pixelsPerLine, page.lines,
        [this](uint32_t line, uint8_t* out) { SynthesizeLine(page_, line, out); }, coded_, error_);
}

uint64_t PageStream::Size() const {
    if (page_.compression != kCompressionNone) return coded_.size();
    return PageBytes(page_);
}

void PageStream::Copy(uint64_t offset, uint32_t count, uint8_t* out) {
    if (page_.compression != kCompressionNone) {
        std::copy_n(coded_.data() + offset, count, out);
        return;
    }
    const uint32_t perLine = static_cast<uint32_t>(line_.size());
    uint32_t copied = 0;
    while (copied < count) {
        const uint64_t position = offset + copied;
        const uint32_t line = static_cast<uint32_t>(position / perLine);
        const uint32_t within = static_cast<uint32_t>(position % perLine);
        if (line != lineNumber_) {
            SynthesizeLine(page_, line, line_.data());
            lineNumber_ = line;
        }
        const uint32_t take = std::min(perLine - within, count - copied);
        std::copy_n(line_.data() + within, take, out + copied);
        copied += take;
    }
}

}  // namespace vscan
