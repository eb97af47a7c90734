// The imprinter of the models that carry one: the coded text it receives with
// vendor operation 0xE4 turned into the line it prints on a sheet (literal
// characters, the page counter, date and time stamps from the scanner's
// clock), and the 5 by 7 dot font it prints with. Constant tables and pure
// functions; page_synth.cpp draws the line onto the sheet.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace vscan {

// The scanner's clock, set by the scenario; it does not run, so stamps are
// the same on every sheet and every run.
struct ScannerClock {
    uint16_t year = 2000;
    uint8_t month = 1;   // 1..12
    uint8_t day = 1;     // 1..31
    uint8_t hour = 0;
    uint8_t minute = 0;
    uint8_t second = 0;

    bool operator==(const ScannerClock&) const = default;
};

// The imprinter data as received: byte 0 the printing offset (millimetres
// from the sheet's leading edge), bytes 1..6 reserved, the coded text from
// byte 7. `sheetsPrinted` sheets have passed since the data arrived; the
// counter shows start + sheetsPrinted x step (modulo 10^7).
std::string ImprinterLine(const std::vector<uint8_t>& data, uint32_t sheetsPrinted,
                          const ScannerClock& clock);

// The font: one glyph per character 0x20..0x7E, five columns left to right,
// bit 0 of a column the top dot. Other characters print as blanks.
constexpr size_t kFontFirst = 0x20;
constexpr size_t kFontGlyphCount = 95;
constexpr size_t kFontColumns = 5;
constexpr size_t kFontRows = 7;
extern const uint8_t kFont5x7[kFontGlyphCount][kFontColumns];
bool GlyphDot(char character, uint32_t column, uint32_t row);

// Where the imprinter prints, in 1/1200 inch: the line runs along the sheet
// (down the page) from the printing offset, each character turned a quarter
// turn clockwise (its top towards the right-hand edge) in a cell of
// kImprintAdvance along the sheet; dots are kImprintDot square. The head
// prints the glyphs' top row kImprintHeadX + 6 dots from the sheet's left edge.
constexpr uint32_t kImprintDot = 20;
constexpr uint32_t kImprintAdvance = 6 * kImprintDot;
constexpr uint32_t kImprintHeadX = 240;

}  // namespace vscan
