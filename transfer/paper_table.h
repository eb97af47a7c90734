// The standard paper table: for each standard item of the paper size list its
// width and length in 1/1200 inch and the code by which the scanner reports a
// detected paper of that size. Constant data; depends on nothing.
#pragma once

#include <cstdint>

struct PaperRow {
    uint8_t index;         // position in the paper size list
    uint8_t scannerCode;   // paper size code of the scanner's status report
    uint32_t width;        // 1/1200 inch
    uint32_t length;       // 1/1200 inch
};

constexpr uint8_t kPaperTableEnd = 255;
constexpr int kStandardPaperRows = 11;

// The eleven standard sizes followed by the end row (index and code 255).
extern const PaperRow StandardPaperTable[kStandardPaperRows + 1];

// The row of a paper size index; null for an index no row holds (a free size).
const PaperRow* FindPaperByIndex(int index);
// The row of a detected paper code; the first row (Letter) when no row has it.
const PaperRow& FindPaperByScannerCode(uint8_t code);
