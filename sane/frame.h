// A scanned side as a SANE frame: one gray frame, top-down lines, lineart at
// depth 1 with 1 for black, gray at depth 8 with 0 for black (4-bit gray is
// widened to 8 bits: 0..15 become 0, 17, ..., 255).
#pragma once

#include <sane/sane.h>

#include <cstddef>
#include <cstdint>
#include <vector>

#include "apps/twain_app/page_transfer.h"

struct SaneFrame {
    SANE_Parameters parameters{};
    std::vector<uint8_t> bytes;
    size_t readAt = 0;  // bytes already handed to sane_read
};

// False for a page that is compressed or whose data does not hold its lines.
bool FrameFromPage(const ScannedPage& page, SaneFrame& frame);
