// The scanner's CCITT coder: a bi-level page coded as T.4 one-dimensional,
// T.4 two-dimensional or T.6, the way the scanner's hardware coder sends it.
// The coding itself is libtiff's; builds without libtiff (the Win32 module)
// have no coder, and their scanners refuse compressed windows.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace vscan {

// The window's compression type byte.
constexpr uint8_t kCompressionNone = 0;
constexpr uint8_t kCompressionGroup3OneD = 1;
constexpr uint8_t kCompressionGroup3TwoD = 2;  // the argument is the K factor
constexpr uint8_t kCompressionGroup4 = 3;

// The largest K factor the coder honours; larger ones (and 0) code as this.
constexpr uint8_t kMaxKFactor = 4;

bool CcittCoderAvailable();

// Writes line `line` (0 = top) of the page, in the scanner's bi-level
// convention (leftmost pixel in bit 0, a set bit black), into `out`.
using BilevelLineSource = std::function<void(uint32_t line, uint8_t* out)>;

// Codes a page of `pixelsPerLine` by `lines` pixels. On success `coded`
// holds the coded bytes; on failure `error` says why.
bool EncodeCcittPage(uint8_t compression, uint8_t kFactor, uint32_t pixelsPerLine, uint32_t lines,
                     const BilevelLineSource& source, std::vector<uint8_t>& coded,
                     std::string& error);

}  // namespace vscan
