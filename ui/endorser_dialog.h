// The endorser dialog "NUMBERINGBOX": whether the imprinter prints, its text,
// the page counter's starting number and step, and the printing offset along
// the sheet, each checked before it is stored.
#pragma once

#include <cstdint>

#include "platform/dialogs.h"

constexpr const char* kEndorserTemplate = "NUMBERINGBOX";

intptr_t PLAT_CALLBACK EndorserProc(plat::WindowHandle dialog, uint32_t message, uintptr_t wParam,
                                    intptr_t lParam);

void ShowEndorserValues(plat::WindowHandle dialog);
// The switch at once; the three numbers into the pending values.
void ReadEndorserFields(plat::WindowHandle dialog);
// Each answers 1 when its field is acceptable; otherwise it has shown its
// message and put the stored value back, and answers 0.
int CheckStartingNumber(plat::WindowHandle dialog);
int CheckStepNumber(plat::WindowHandle dialog);
int CheckPrintingOffset(plat::WindowHandle dialog);
// OK: stores what passes its check; 1 when the dialog may close.
int ConfirmEndorser(plat::WindowHandle dialog);

// Standard paper sizes in millimetres, in the order of the paper size list.
struct PaperLengthRow {
    uint8_t paperIndex;  // 255 ends the table
    uint8_t code;
    uint32_t width;
    uint32_t length;
};
constexpr int kPaperLengthRows = 11;
extern const PaperLengthRow PaperLengthTable[kPaperLengthRows + 1];
