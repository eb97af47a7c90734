// Turning an uncompressed page into SANE's pixel conventions.
#include "sane/frame.h"

bool FrameFromPage(const ScannedPage& page, SaneFrame& frame) {
    const uint32_t fromBytes = page.BytesPerRow();
    if (page.compression != TWCP_NONE || page.width == 0 || page.length == 0 ||
        page.data.size() < uint64_t{fromBytes} * page.length ||
        (page.bitsPerPixel != 1 && page.bitsPerPixel != 4 && page.bitsPerPixel != 8)) {
        return false;
    }
    const bool lineart = page.bitsPerPixel == 1;
    SANE_Parameters& parameters = frame.parameters;
    parameters.format = SANE_FRAME_GRAY;
    parameters.last_frame = SANE_TRUE;
    parameters.depth = lineart ? 1 : 8;
    parameters.pixels_per_line = static_cast<SANE_Int>(page.width);
    parameters.lines = static_cast<SANE_Int>(page.length);
    const uint32_t toBytes = lineart ? fromBytes : page.width;
    parameters.bytes_per_line = static_cast<SANE_Int>(toBytes);
    frame.readAt = 0;
    if (lineart || page.bitsPerPixel == 8) {
        frame.bytes.assign(page.data.begin(), page.data.begin() + static_cast<ptrdiff_t>(size_t{fromBytes} * page.length));
        // Lineart wants 1 for black; gray wants 0 for black.
        if (page.minIsWhite != lineart) {
            for (uint8_t& byte : frame.bytes) byte = static_cast<uint8_t>(~byte);
        }
        return true;
    }
    frame.bytes.assign(size_t{toBytes} * page.length, 0);
    for (uint32_t y = 0; y < page.length; ++y) {
        const uint8_t* from = page.data.data() + size_t{y} * fromBytes;
        uint8_t* to = frame.bytes.data() + size_t{y} * toBytes;
        for (uint32_t x = 0; x < page.width; ++x) {
            uint8_t level = static_cast<uint8_t>(x % 2 == 0 ? from[x / 2] >> 4 : from[x / 2] & 0x0F);
            if (page.minIsWhite) level = static_cast<uint8_t>(15 - level);
            to[x] = static_cast<uint8_t>(level * 17);
        }
    }
    return true;
}
