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

}  // namespace escl
