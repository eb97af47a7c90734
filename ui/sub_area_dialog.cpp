// The sub-area dialog procedure: one dialog for both sides, the side chosen by
// SubAreaSide.
#include "ui/sub_area_dialog.h"

#include <cstring>

#include "scanner/model_table.h"
#include "settings/settings_model.h"
#include "ui/dialog_controls.h"
#include "ui/halftone_restriction.h"

uint16_t SubAreaSide = kSubAreaFront;

namespace {

constexpr int kOkButton = 1;
constexpr int kCancelButton = 2;
constexpr int kSideTitle = 1019;
constexpr int kHalftoneCombo = 1034;
constexpr int kFirstEnableBox = 1035;  // + area 0..2
constexpr int kFirstField = 1038;      // + value index 0..11
constexpr int kFieldCount = 12;
constexpr int kAreaCount = 3;
constexpr uint32_t kFieldLimit = 3;

// Columns: title string, sub-area halftone, the area switches, the halftone
// restriction of the side.
struct SubAreaSideRow {
    uint16_t titleId;
    SettingRecord* halftone;
    SettingRecord* areas[kAreaCount];
    void (*restrict)(plat::WindowHandle);
};
const SubAreaSideRow kSides[] = {
    {2108, &FrontSubAreaHalftone, {&FrontArea1, &FrontArea2, &FrontArea3}, RestrictFrontSubAreaHalftone},
    {2109, &BackSubAreaHalftone, {&BackArea1, &BackArea2, &BackArea3}, RestrictBackSubAreaHalftone},
};

const SubAreaSideRow& CurrentSide() { return kSides[SubAreaSide == kSubAreaBack ? 1 : 0]; }

int ShownSide() { return SubAreaSide == kSubAreaBack ? 1 : 0; }

bool IsDuplex() { return std::strncmp(SideMode.text, "Simplex", sizeof SideMode.text) != 0; }

void ReadBack(plat::WindowHandle dialog) {
    const SubAreaSideRow& side = CurrentSide();
    ReadComboSetting(dialog, kHalftoneCombo, *side.halftone);
    for (int area = 0; area < kAreaCount; ++area) ReadSwitch(dialog, kFirstEnableBox + area, *side.areas[area]);
}

// Even indices are horizontal (X, width), odd ones vertical (Y, length). A
// number is held to the page; anything else brings the stored value back,
// held to the page as well (a settings file edited by hand may hold any).
void AcceptField(plat::WindowHandle dialog, int index) {
    int32_t* stored = SubAreaValue(ShownSide(), index);
    if (stored == nullptr) return;
    const int32_t maximum = index % 2 == 0 ? MaxPageWidth : MaxPageLength;
    int32_t value = *stored;
    ReadSignedNumber(dialog, kFirstField + index, value);
    if (value < 0) value = 0;
    if (value > maximum) value = maximum;
    ShowNumber(dialog, kFirstField + index, value, true);
    *stored = value;
}

void Initialise(plat::WindowHandle dialog) {
    SideMode.currentIndex = IsDuplex() ? 1 : 0;
    for (int i = 0; i < kFieldCount; ++i) plat::SetItemTextLimit(dialog, kFirstField + i, kFieldLimit);
    const SubAreaSideRow& side = CurrentSide();
    EnableSettingControls(dialog, *side.halftone, 1);
    EnableSettingControls(dialog, *side.areas[0], 1);
    EnableSettingControls(dialog, *side.areas[1], 1);
    const bool thirdOff = ShownSide() == 0 && ModelGeneration == 0 && IsDuplex();
    EnableSettingControls(dialog, *side.areas[2], thirdOff ? 0 : 1);
    for (int i = 0; i < kFieldCount; ++i) {
        const int32_t* value = SubAreaValue(ShownSide(), i);
        ShowNumber(dialog, kFirstField + i, value != nullptr ? *value : 0, false);
    }
    for (int area = 0; area < kAreaCount; ++area) ShowSwitch(dialog, kFirstEnableBox + area, *side.areas[area]);
    side.restrict(dialog);
    char title[kSettingTextSize];
    if (plat::LoadResString(side.titleId, title, sizeof title) > 0) plat::SetItemText(dialog, kSideTitle, title);
}

}  // namespace

intptr_t PLAT_CALLBACK SubAreaProc(plat::WindowHandle dialog, uint32_t message, uintptr_t wParam, intptr_t) {
    switch (message) {
        case plat::WM_INITDIALOG:
            Initialise(dialog);
            return 1;
        case plat::WM_COMMAND:
            break;
        default:
            return 0;
    }
    const int id = CommandId(wParam);
    if (id == kHalftoneCombo) {
        ReadBack(dialog);
        CurrentSide().restrict(dialog);
    } else if (id >= kFirstField && id < kFirstField + kFieldCount) {
        if (CommandCode(wParam) == plat::EN_KILLFOCUS) AcceptField(dialog, id - kFirstField);
    } else if (id == kOkButton) {
        // OK is the default button: the field that still has the focus counts
        // as if it had been left.
        const int focus = plat::GetFocusItem(dialog);
        if (focus >= kFirstField && focus < kFirstField + kFieldCount) AcceptField(dialog, focus - kFirstField);
        ReadBack(dialog);
        plat::EndModalDialog(dialog, kOkButton);
    } else if (id == kCancelButton) {
        plat::EndModalDialog(dialog, kCancelButton);
    }
    return 1;
}
