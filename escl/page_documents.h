// A scanned page as the document a client asked for: JPEG (libjpeg-turbo), PNG
// (libpng) or PDF (Cairo), each recording the scan resolution. Gray pages are
// 8-bit gray (4-bit pages widened); black and white pages are 1-bit PNG, an
// image mask on a white PDF page, or black and white 8-bit JPEG, which has no
// 1-bit form. Depends on the page record of the TWAIN session layer only.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "apps/twain_app/page_transfer.h"
#include "escl/scan_settings.h"

namespace escl {

// Fills `document`; false with `error` when the page is not one a scanner
// source delivers (compressed, no size, another depth) or the coder failed.
bool EncodePage(const ScannedPage& page, DocumentFormat format, std::vector<uint8_t>& document,
                std::string& error);

// The page's rows as the document carries them: 8 bits per gray sample, or
// 1 bit per pixel with 0 black, most significant bit first; top-down.
struct DocumentRows {
    uint32_t width = 0;
    uint32_t height = 0;
    uint8_t bits = 8;
    uint32_t bytesPerRow = 0;
    std::vector<uint8_t> data;
};
bool RowsOfPage(const ScannedPage& page, DocumentRows& rows, std::string& error);

}  // namespace escl
