// The six row converters that turn scanner lines into the bytes the
// application receives, and the choice among them. Each converter writes
// every destination byte from the source byte at the same position; source
// and destination must not overlap. Depends on nothing but the standard
// library.
#pragma once

#include <cstdint>

using RowConverter = void (*)(const uint8_t* source, uint8_t* destination, uint32_t count);

void CopyRow(const uint8_t* source, uint8_t* destination, uint32_t count);
void CopyRowInverted(const uint8_t* source, uint8_t* destination, uint32_t count);
// Bit 7 becomes bit 0 and so on.
void CopyRowBitReversed(const uint8_t* source, uint8_t* destination, uint32_t count);
void CopyRowBitReversedInverted(const uint8_t* source, uint8_t* destination, uint32_t count);
// The two 4-bit halves exchanged.
void CopyRowNibbleSwapped(const uint8_t* source, uint8_t* destination, uint32_t count);
void CopyRowNibbleSwappedInverted(const uint8_t* source, uint8_t* destination, uint32_t count);

// The converter for an image of `composition` (2 gray, anything else black
// and white) and `bitsPerPixel`. `keepPolarity` is true when the scanner's
// polarity already is the application's; `compressed` black and white data
// passes unchanged.
RowConverter ChooseRowConverter(uint8_t composition, uint8_t bitsPerPixel, bool keepPolarity,
                                bool compressed);
