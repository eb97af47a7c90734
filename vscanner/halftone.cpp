// Halftone threshold matrices.
#include "vscanner/halftone.h"

namespace vscan {

namespace {

// Bayer's ordered dither, 8 by 8: 64 levels dispersed over the cell.
constexpr uint8_t kBayer8[64] = {
     0, 32,  8, 40,  2, 34, 10, 42,
    48, 16, 56, 24, 50, 18, 58, 26,
    12, 44,  4, 36, 14, 46,  6, 38,
    60, 28, 52, 20, 62, 30, 54, 22,
     3, 35, 11, 43,  1, 33,  9, 41,
    51, 19, 59, 27, 49, 17, 57, 25,
    15, 47,  7, 39, 13, 45,  5, 37,
    63, 31, 55, 23, 61, 29, 53, 21,
};

// Bayer's ordered dither, 4 by 4: 16 levels.
constexpr uint8_t kBayer4[16] = {
     0,  8,  2, 10,
    12,  4, 14,  6,
     3, 11,  1,  9,
    15,  7, 13,  5,
};

// Two clustered dots on a 45-degree screen in an 8 by 8 cell, growing one
// pixel in each dot per level: 32 levels.
constexpr uint8_t kDot32[64] = {
    12,  5,  6, 13, 17, 23, 24, 18,
     4,  0,  1,  7, 22, 29, 30, 25,
    11,  3,  2,  8, 21, 28, 31, 26,
    15, 10,  9, 14, 16, 20, 27, 19,
    17, 23, 24, 18, 12,  5,  6, 13,
    22, 29, 30, 25,  4,  0,  1,  7,
    21, 28, 31, 26, 11,  3,  2,  8,
    16, 20, 27, 19, 15, 10,  9, 14,
};

// One clustered dot in an 8 by 8 cell, growing from the centre: 64 levels.
constexpr uint8_t kDot64[64] = {
    62, 57, 48, 36, 37, 49, 58, 63,
    56, 47, 35, 21, 22, 38, 50, 59,
    46, 34, 20, 10, 11, 23, 39, 51,
    33, 19,  9,  3,  0,  4, 12, 24,
    32, 18,  8,  2,  1,  5, 13, 25,
    45, 31, 17,  7,  6, 14, 26, 40,
    55, 44, 30, 16, 15, 27, 41, 52,
    61, 54, 43, 29, 28, 42, 53, 60,
};

}  // namespace

// code, name, kind, size, levels, matrix
const HalftonePattern kHalftones[kHalftoneCount] = {
    {0, "Bayer dither 8x8", HalftoneKind::Matrix, 8, 64, kBayer8},
    {1, "Bayer dither 4x4", HalftoneKind::Matrix, 4, 16, kBayer4},
    {2, "Halftone dot 32", HalftoneKind::Matrix, 8, 32, kDot32},
    {3, "Halftone dot 64", HalftoneKind::Matrix, 8, 64, kDot64},
    {4, "Error diffusion", HalftoneKind::ErrorDiffusion, 0, 0, nullptr},
};

const HalftonePattern& HalftoneFor(uint16_t code) {
    return code < kHalftoneCount ? kHalftones[code] : kHalftones[0];
}

}  // namespace vscan
