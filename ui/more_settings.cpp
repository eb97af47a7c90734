// The More Settings dialog procedure, shared by both variants, and the
// usability rules of its settings.
#include "ui/more_settings.h"

#include <cstring>
#include <initializer_list>

#include "scanner/discovery.h"
#include "scanner/model_table.h"
#include "scanner/scanner_messages.h"
#include "settings/settings_model.h"
#include "ui/dialog_controls.h"
#include "ui/endorser_dialog.h"
#include "ui/setting_conditions.h"

namespace {

constexpr int kOkButton = 1;
constexpr int kCancelButton = 2;
constexpr int kEndorserButton = 1113;
constexpr int kTimeoutField = 1115;
constexpr int kWaitForKeyBox = 1129;

constexpr int32_t kShortestWait = 1;
constexpr int32_t kLongestWait = 300;
constexpr uint8_t kMsgInvalidWaitTime = 8;

// The product identification's ninth character on the models with an imprinter.
constexpr int kImprinterSuffixPosition = 8;
constexpr char kImprinterSuffix = 's';

// Columns: control id, setting; the switches of both variants, then those of
// generation 8.
struct ControlSetting {
    int id;
    SettingRecord* setting;
};
const ControlSetting kSwitches[] = {
    {1005, &PaperDetect},
    {1006, &Mirror},
    {1007, &Reverse},
    {1008, &AutoSeparation},
};
const ControlSetting kGeneration8Switches[] = {
    {1110, &DoubleFeed},
    {1111, &ManualFeed},
    {kWaitForKeyBox, &ManualFeedKey},
};

// Columns: combo box id, setting, option list.
struct ComboList {
    int id;
    SettingRecord* setting;
    const OptionItem* list;
};
const ComboList kCombos[] = {
    {1015, &AutoThreshold, AutoThresholdList},
    {1016, &WhiteLevel, WhiteLevelList},
    {1017, &Gamma, GammaList},
    {1031, &NoiseReduction, NoiseReductionList},
    {1032, &FrontEmphasis, FrontEmphasisList},
    {1033, &BackEmphasis, BackEmphasisList},
};

// The controls whose every notification reads the dialog and applies the rules.
constexpr int kReadingControls[] = {1005, 1006, 1007, 1008, 1015, 1017, 1031, 1032, 1033, 1110, 1111};

// The last accepted timeout of the open dialog; stored only on OK.
int32_t PendingWaitTimeout = 0;

bool IsGeneration8() { return ModelGeneration >= 8; }

bool ModelCarriesImprinter() {
    return std::strlen(InquiryProduct) > kImprinterSuffixPosition &&
           InquiryProduct[kImprinterSuffixPosition] == kImprinterSuffix;
}

// Manual feed off: the wait-for-key switch goes off with its controls.
void ApplyManualFeedRule(plat::WindowHandle dialog) {
    const bool manualFeed = SwitchIsOn(ManualFeed);
    EnableSettingControls(dialog, ManualFeedKey, manualFeed);
    EnableSettingControls(dialog, ManualTimeout, manualFeed);
    if (!manualFeed) {
        plat::SetItemCheck(dialog, kWaitForKeyBox, plat::BST_UNCHECKED);
        SetSettingText(ManualFeedKey, "OFF");
    }
}

// A halftone is in use on a side when its own index is not 0, or when the
// side's sub-areas are in use with a sub-area halftone.
bool SubAreasInUse(const SettingRecord& button, const SettingRecord& a1, const SettingRecord& a2,
                   const SettingRecord& a3) {
    return button.disabled == 0 && (SwitchIsOn(a1) || SwitchIsOn(a2) || SwitchIsOn(a3));
}

bool IsReadingControl(int id) {
    for (int control : kReadingControls) {
        if (control == id) return true;
    }
    return false;
}

void ReadAndApply(plat::WindowHandle dialog) {
    ReadMoreSettings(dialog);
    ApplyMoreSettingsRules(dialog);
}

void OnCommand(plat::WindowHandle dialog, int id, uint32_t code) {
    if (IsReadingControl(id)) {
        ReadAndApply(dialog);
        return;
    }
    switch (id) {
        case kOkButton:
            if (CheckWaitTimeout(dialog) == 0) return;
            if (IsGeneration8()) ScanValues.waitTimeout = PendingWaitTimeout;
            ReadMoreSettings(dialog);
            plat::EndModalDialog(dialog, kOkButton);
            return;
        case kCancelButton:
            plat::EndModalDialog(dialog, kCancelButton);
            return;
        case kEndorserButton:
            plat::RunModalDialog(kEndorserTemplate, dialog, EndorserProc, 0);
            ReadAndApply(dialog);
            return;
        case kTimeoutField:
            if (code == plat::EN_KILLFOCUS && CheckWaitTimeout(dialog) == 0) return;
            ReadAndApply(dialog);
            return;
        default:
            return;
    }
}

}  // namespace

void InitMoreSettingsControls(plat::WindowHandle dialog) {
    for (const ComboList& combo : kCombos) FillOptionCombo(dialog, combo.id, combo.list);
    for (SettingRecord* setting : {&AutoThreshold, &Gamma, &WhiteLevel, &NoiseReduction, &FrontEmphasis,
                                   &BackEmphasis, &PaperDetect, &Mirror, &Reverse, &AutoSeparation}) {
        EnableSettingControls(dialog, *setting, 1);
    }
    if (!IsGeneration8()) return;
    EnableSettingControls(dialog, DoubleFeed, 1);
    EnableSettingControls(dialog, ManualFeed, 1);
    ApplyManualFeedRule(dialog);
    plat::EnableItem(dialog, kEndorserButton, ModelCarriesImprinter());
}

void ShowMoreSettingsValues(plat::WindowHandle dialog) {
    for (const ControlSetting& box : kSwitches) ShowSwitch(dialog, box.id, *box.setting);
    if (IsGeneration8()) {
        for (const ControlSetting& box : kGeneration8Switches) ShowSwitch(dialog, box.id, *box.setting);
    }
    for (const ComboList& combo : kCombos) SelectSettingText(dialog, combo.id, combo.setting->text);
    if (IsGeneration8()) ShowNumber(dialog, kTimeoutField, ScanValues.waitTimeout, false);
}

void ReadMoreSettings(plat::WindowHandle dialog) {
    for (const ControlSetting& box : kSwitches) ReadSwitch(dialog, box.id, *box.setting);
    if (IsGeneration8()) {
        for (const ControlSetting& box : kGeneration8Switches) ReadSwitch(dialog, box.id, *box.setting);
    }
    for (const ComboList& combo : kCombos) ReadComboSetting(dialog, combo.id, *combo.setting);
}

void ApplyMoreSettingsRules(plat::WindowHandle dialog) {
    const SettingConditions now = RefreshChoiceIndices();
    const bool generation0 = ModelGeneration == 0;
    const bool frontAreas = SubAreasInUse(FrontSubArea, FrontArea1, FrontArea2, FrontArea3);
    const bool backAreas = SubAreasInUse(BackSubArea, BackArea1, BackArea2, BackArea3);
    const bool frontHalftoning =
        FrontHalftone.currentIndex != 0 || (frontAreas && FrontSubAreaHalftone.currentIndex != 0);
    const bool backHalftoning = BackHalftone.currentIndex != 0 || (backAreas && BackSubAreaHalftone.currentIndex != 0);

    EnableSettingControls(dialog, PaperDetect, 1);
    EnableSettingControls(dialog, Mirror, 1);
    if (IsGeneration8()) {
        EnableSettingControls(dialog, DoubleFeed, 1);
        EnableSettingControls(dialog, ManualFeed, 1);
        ApplyManualFeedRule(dialog);
    }
    EnableSettingControls(dialog, AutoSeparation, now.bw && now.at);
    EnableSettingControls(dialog, FrontEmphasis, generation0 ? now.bw : now.at);
    EnableSettingControls(dialog, BackEmphasis, now.dx && (generation0 ? now.bw : now.at));
    EnableSettingControls(dialog, AutoThreshold, now.bw && !now.sep);
    EnableSettingControls(dialog, Gamma, !now.bw || (now.at && (frontHalftoning || (now.dx && backHalftoning))));
    EnableSettingControls(dialog, NoiseReduction,
                          now.bw && !now.sep && now.at && !frontHalftoning && (!now.dx || !backHalftoning));
    EnableSettingControls(dialog, MoreBackSide, now.dx);
    EnableSettingControls(dialog, WhiteLevel, now.at);
}

int CheckWaitTimeout(plat::WindowHandle dialog) {
    if (!IsGeneration8()) return 1;
    int32_t typed = 0;
    if (!ReadSignedNumber(dialog, kTimeoutField, typed) || typed < kShortestWait || typed > kLongestWait) {
        ShowScannerMessage(dialog, kSourceMessageKey, kSettingGroup, kMsgInvalidWaitTime);
        ShowNumber(dialog, kTimeoutField, ScanValues.waitTimeout, false);
        return 0;
    }
    PendingWaitTimeout = typed;
    return 1;
}

intptr_t PLAT_CALLBACK MoreSettingsProc(plat::WindowHandle dialog, uint32_t message, uintptr_t wParam,
                                        intptr_t) {
    switch (message) {
        case plat::WM_INITDIALOG:
            PendingWaitTimeout = ScanValues.waitTimeout;
            InitMoreSettingsControls(dialog);
            ShowMoreSettingsValues(dialog);
            ReadMoreSettings(dialog);
            ApplyMoreSettingsRules(dialog);
            ApplyMoreSettingsRules(dialog);
            return 1;
        case plat::WM_COMMAND:
            OnCommand(dialog, CommandId(wParam), CommandCode(wParam));
            return 1;
        default:
            return 0;
    }
}
