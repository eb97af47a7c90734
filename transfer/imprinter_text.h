// The imprinter's text language and its coding into the bytes the scanner
// receives: plain characters, "##" for a number sign, "#" for the page counter
// (with the stored starting number and step), and the date and time sequences
// "%1d" to "%4d", "%1t" and "%2t". Depends on the settings model's ScanValues.
#pragma once

#include <cstdint>

// The coded bytes of any text, accepted or not, fit in this many bytes.
constexpr uint32_t kEndorserCodedBufferSize = 82;

// The page counter prints seven digits and advances by one digit's step.
constexpr uint32_t kLargestStartingNumber = 9999999;
constexpr int32_t kLargestStep = 9;

// Codes `text` into `coded` (kEndorserCodedBufferSize bytes), followed by a NUL
// when the text is accepted. `printedCount` receives the character positions
// the imprinter prints (-1 when the text is too long), `codedByteCount` the
// coded bytes without the NUL, `success` 1 or 0. A null text or output
// argument is refused without writing through it.
void EncodeEndorserString(const char* text, uint8_t* coded, int32_t* printedCount, uint32_t* codedByteCount,
                          uint32_t* success);
