// The endorser dialog procedure, its field checks and the paper length table.
#include "ui/endorser_dialog.h"

#include <cstdio>
#include <cstring>
#include <initializer_list>

#include "scanner/scanner_messages.h"
#include "settings/settings_file.h"
#include "settings/settings_model.h"
#include "transfer/imprinter_text.h"
#include "ui/dialog_controls.h"

// The code column is not used by the dialog. Columns: paper index, code,
// width (mm), length (mm).
const PaperLengthRow PaperLengthTable[kPaperLengthRows + 1] = {
    {0, 7, 216, 279},    // Letter
    {1, 0, 216, 355},    // Legal
    {2, 16, 279, 431},   // Ledger
    {3, 3, 297, 420},    // A3
    {4, 4, 210, 297},    // A4
    {5, 5, 148, 210},    // A5
    {6, 6, 105, 148},    // A6
    {7, 12, 257, 364},   // B4
    {8, 13, 182, 257},   // B5
    {9, 14, 128, 182},   // B6
    {10, 1, 55, 91},     // Business Card
    {255, 255, 0, 0},
};

namespace {

constexpr int kOkButton = 1;
constexpr int kCancelButton = 2;
constexpr int kDefaultButton = 1126;
constexpr int kEnableBox = 1114;
constexpr int kStringField = 1115;
constexpr int kStartField = 1117;
constexpr int kStepField = 1119;
constexpr int kOffsetField = 1120;

constexpr uint8_t kMsgStartingNumber = 3;
constexpr uint8_t kMsgStepNumber = 4;
constexpr uint8_t kMsgPrintingOffset = 5;
constexpr uint8_t kMsgInvalidText = 6;
constexpr uint8_t kMsgTextTooLong = 7;

constexpr uint32_t kTypedTextSize = 144;  // at most 143 characters and the NUL
// The print position is (offset + 1) steps of 2.4 mm and keeps 20 mm inside the sheet.
constexpr double kOffsetStepMm = 2.4;
constexpr double kOffsetMarginMm = 20.0;
constexpr int kNumberTextSize = 16;

// What the number fields last held; stored only when they pass their checks on
// OK. The text is taken from its field again on OK, when it is coded.
struct PendingEndorser {
    uint32_t start;
    int32_t step;
    int32_t offset;
};
PendingEndorser Pending;

void ShowError(plat::WindowHandle dialog, uint8_t code) {
    ShowScannerMessage(dialog, kSourceMessageKey, kSettingGroup, code);
}

void ShowStartingNumber(plat::WindowHandle dialog) {
    char digits[kNumberTextSize];
    std::snprintf(digits, sizeof digits, "%lu", static_cast<unsigned long>(ScanValues.endorserStart));
    plat::SetItemText(dialog, kStartField, digits);
}

void ReadTypedText(plat::WindowHandle dialog, char (&text)[kTypedTextSize]) {
    text[0] = '\0';
    plat::GetItemText(dialog, kStringField, text, sizeof text);
    text[kTypedTextSize - 1] = '\0';
}

// The number at the start of the starting number field (0 without digits).
uint32_t LeadingDigits(const char* text) {
    uint32_t value = 0;
    for (const char* p = text; *p >= '0' && *p <= '9'; ++p) {
        const uint32_t digit = static_cast<uint32_t>(*p - '0');
        if (value > (UINT32_MAX - digit) / 10) return UINT32_MAX;
        value = value * 10 + digit;
    }
    return value;
}

bool OffsetFitsPaper(int32_t offset) {
    const int index = FindPaperSizeIndex();
    for (const PaperLengthRow& row : PaperLengthTable) {
        if (row.paperIndex == 255) break;
        if (row.paperIndex != index) continue;
        const double room = (static_cast<double>(row.length) - kOffsetMarginMm) -
                            (static_cast<double>(offset) + 1.0) * kOffsetStepMm;
        return room >= 0.0;
    }
    return false;
}

void RestoreDefaults(plat::WindowHandle dialog) {
    RestoreDefaultEndorserSettings();
    ShowEndorserValues(dialog);
    ReadEndorserFields(dialog);
}

}  // namespace

void ShowEndorserValues(plat::WindowHandle dialog) {
    ShowSwitch(dialog, kEnableBox, EndorserEnable);
    char text[kEndorserStringSize];
    std::memcpy(text, ScanValues.endorserString, sizeof text);
    text[kEndorserStringSize - 1] = '\0';
    plat::SetItemText(dialog, kStringField, text);
    ShowStartingNumber(dialog);
    ShowNumber(dialog, kStepField, ScanValues.endorserStep, false);
    ShowNumber(dialog, kOffsetField, ScanValues.endorserOffset, false);
}

void ReadEndorserFields(plat::WindowHandle dialog) {
    ReadSwitch(dialog, kEnableBox, EndorserEnable);
    char digits[kNumberTextSize];
    digits[0] = '\0';
    plat::GetItemText(dialog, kStartField, digits, sizeof digits);
    Pending.start = LeadingDigits(digits);
    bool translated = false;
    Pending.step = static_cast<int32_t>(plat::GetItemInt(dialog, kStepField, &translated, true));
    Pending.offset = static_cast<int32_t>(plat::GetItemInt(dialog, kOffsetField, &translated, true));
}

int CheckStartingNumber(plat::WindowHandle dialog) {
    char digits[kNumberTextSize];
    digits[0] = '\0';
    const uint32_t length = plat::GetItemText(dialog, kStartField, digits, sizeof digits);
    bool valid = length > 0 && length < sizeof digits - 1;
    for (uint32_t i = 0; valid && i < length; ++i) valid = digits[i] >= '0' && digits[i] <= '9';
    if (valid && LeadingDigits(digits) <= kLargestStartingNumber) return 1;
    ShowError(dialog, kMsgStartingNumber);
    ShowStartingNumber(dialog);
    return 0;
}

int CheckStepNumber(plat::WindowHandle dialog) {
    int32_t step = 0;
    if (ReadSignedNumber(dialog, kStepField, step) && step >= 0 && step <= kLargestStep) return 1;
    ShowError(dialog, kMsgStepNumber);
    ShowNumber(dialog, kStepField, ScanValues.endorserStep, false);
    return 0;
}

int CheckPrintingOffset(plat::WindowHandle dialog) {
    int32_t offset = 0;
    if (ReadSignedNumber(dialog, kOffsetField, offset) && OffsetFitsPaper(offset)) return 1;
    ShowError(dialog, kMsgPrintingOffset);
    ShowNumber(dialog, kOffsetField, ScanValues.endorserOffset, false);
    return 0;
}

int ConfirmEndorser(plat::WindowHandle dialog) {
    if (plat::GetItemCheck(dialog, kEnableBox) != plat::BST_CHECKED) return 1;
    ReadEndorserFields(dialog);
    if (CheckStartingNumber(dialog) == 0) return 0;
    ScanValues.endorserStart = Pending.start;
    if (CheckStepNumber(dialog) == 0) return 0;
    ScanValues.endorserStep = Pending.step;
    if (CheckPrintingOffset(dialog) == 0) return 0;
    ScanValues.endorserOffset = Pending.offset;

    char text[kTypedTextSize];
    ReadTypedText(dialog, text);
    uint8_t coded[kEndorserCodedBufferSize];
    int32_t printed = 0;
    uint32_t codedBytes = 0;
    uint32_t success = 0;
    EncodeEndorserString(text, coded, &printed, &codedBytes, &success);
    if (success == 0) {
        ShowError(dialog, printed == -1 ? kMsgTextTooLong : kMsgInvalidText);
        char stored[kEndorserStringSize];
        std::memcpy(stored, ScanValues.endorserString, sizeof stored);
        stored[kEndorserStringSize - 1] = '\0';
        plat::SetItemText(dialog, kStringField, stored);
        return 0;
    }
    std::memset(ScanValues.endorserString, 0, sizeof ScanValues.endorserString);
    std::memcpy(ScanValues.endorserString, text, std::strlen(text));
    return 1;
}

intptr_t PLAT_CALLBACK EndorserProc(plat::WindowHandle dialog, uint32_t message, uintptr_t wParam, intptr_t) {
    switch (message) {
        case plat::WM_INITDIALOG:
            for (SettingRecord* setting :
                 {&EndorserEnable, &EndorserString, &EndorserStart, &EndorserStep, &EndorserOffset}) {
                EnableSettingControls(dialog, *setting, 1);
            }
            ShowEndorserValues(dialog);
            ReadEndorserFields(dialog);
            return 1;
        case plat::WM_COMMAND:
            break;
        default:
            return 0;
    }
    const int id = CommandId(wParam);
    const uint32_t code = CommandCode(wParam);
    switch (id) {
        case kEnableBox:
        case kStringField:
            ReadEndorserFields(dialog);
            break;
        case kStartField:
            ReadEndorserFields(dialog);
            if (code == plat::EN_KILLFOCUS) CheckStartingNumber(dialog);
            break;
        case kStepField:
            ReadEndorserFields(dialog);
            if (code == plat::EN_KILLFOCUS) CheckStepNumber(dialog);
            break;
        case kOffsetField:
            ReadEndorserFields(dialog);
            if (code == plat::EN_KILLFOCUS) CheckPrintingOffset(dialog);
            break;
        case kOkButton:
            if (ConfirmEndorser(dialog) == 1) plat::EndModalDialog(dialog, kOkButton);
            break;
        case kDefaultButton:
            RestoreDefaults(dialog);
            break;
        case kCancelButton:  // Esc: the dialog is left only through OK
        default:
            break;
    }
    return 1;
}
