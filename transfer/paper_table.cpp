// The standard paper table and its two lookups.
#include "transfer/paper_table.h"

// Columns: paper size list index, scanner code, width, length (1/1200 inch).
const PaperRow StandardPaperTable[kStandardPaperRows + 1] = {
    {0, 7, 10200, 13200},    // Letter
    {1, 0, 10200, 16800},    // Legal
    {2, 16, 13200, 20400},   // Ledger
    {3, 3, 14032, 19843},    // A3
    {4, 4, 9922, 14032},     // A4
    {5, 5, 6992, 9922},      // A5
    {6, 6, 4961, 6992},      // A6
    {7, 12, 12142, 17197},   // B4
    {8, 13, 8599, 12142},    // B5
    {9, 14, 6048, 8599},     // B6
    {10, 1, 2599, 4300},     // Business Card
    {kPaperTableEnd, kPaperTableEnd, 0, 0},
};

const PaperRow* FindPaperByIndex(int index) {
    for (const PaperRow& row : StandardPaperTable) {
        if (row.index == kPaperTableEnd) break;
        if (row.index == index) return &row;
    }
    return nullptr;
}

const PaperRow& FindPaperByScannerCode(uint8_t code) {
    for (const PaperRow& row : StandardPaperTable) {
        if (row.index == kPaperTableEnd) break;
        if (row.scannerCode == code) return row;
    }
    return StandardPaperTable[0];
}
