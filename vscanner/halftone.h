// The scanner's halftone patterns: four ordered threshold matrices (Bayer
// dither 8x8 and 4x4, clustered dots of 32 and 64 levels) and error
// diffusion. Constant tables; page_synth.cpp applies them.
#pragma once

#include <cstddef>
#include <cstdint>

namespace vscan {

// The window's halftone pattern code (bytes 35..36).
enum class HalftoneKind : uint8_t { Matrix, ErrorDiffusion };

struct HalftonePattern {
    uint16_t code;
    const char* name;
    HalftoneKind kind;
    uint8_t size;     // the matrix is size x size (0 for error diffusion)
    uint8_t levels;   // thresholds 0..levels-1
    const uint8_t* matrix;  // row-major, size x size
};

constexpr size_t kHalftoneCount = 5;
extern const HalftonePattern kHalftones[kHalftoneCount];

// The pattern of `code`; codes above 4 dither as Bayer 8x8 (code 0).
const HalftonePattern& HalftoneFor(uint16_t code);

// A matrix cell's decision. Cells turn black in the order of their numbers
// as the gray darkens: a pixel is black when its darkness (255 - intensity)
// reaches the cell's step, (2 x cell + 1) x 128 / levels. So the clustered
// dots grow from their centres, and white stays white.
inline bool MatrixBlack(const HalftonePattern& pattern, uint8_t intensity, uint32_t x, uint32_t y) {
    const uint8_t cell = pattern.matrix[(y % pattern.size) * pattern.size + x % pattern.size];
    return (255u - intensity) * pattern.levels >= (2u * cell + 1u) * 128u;
}

}  // namespace vscan
