// The main settings dialog: initialisation, reading back, the usability rules,
// the brightness and contrast scroll bars and fields, and the commands.
#include "ui/main_dialog.h"

#include <cstring>
#include <initializer_list>

#include "scanner/model_table.h"
#include "settings/settings_file.h"
#include "settings/settings_model.h"
#include "twain/identity.h"
#include "twain/user_interface.h"
#include "ui/dialog_controls.h"
#include "ui/free_size_dialog.h"
#include "ui/halftone_restriction.h"
#include "ui/about_dialog.h"
#include "ui/more_settings.h"
#include "ui/setting_conditions.h"
#include "ui/sub_area_dialog.h"

namespace {

// Control ids of DC_SCANDLG.
constexpr int kScanButton = 1;
constexpr int kCancelButton = 2;
constexpr int kFrontSubAreaButton = 110;
constexpr int kBackSubAreaButton = 111;
constexpr int kFreeSizeButton = 114;
constexpr int kMoreButton = 115;
constexpr int kAboutButton = 116;
constexpr int kDefaultButton = 117;
constexpr int kOnePage = 1000;
constexpr int kAllPages = 1001;
constexpr int kSimplex = 1002;
constexpr int kDuplex = 1003;
constexpr int kFrontHalftoneCombo = 1013;
constexpr int kBackHalftoneCombo = 1014;
constexpr int kImageTypeCombo = 1020;
constexpr int kResolutionCombo = 1021;
constexpr int kPaperSizeCombo = 1030;
constexpr int kFirstLevelScroll = 1022;  // + level index 0..3
constexpr int kFirstLevelField = 1026;   // + level index 0..3
constexpr int kLevelCount = 4;

constexpr uint32_t kStrMainCaption = 3062;
constexpr uint32_t kStrSetButton = 3060;
constexpr uint32_t kLevelFieldLimit = 3;
constexpr int kLevelMinimum = 1;
constexpr int kLevelMaximum = 255;

// Generation 0 takes brightness and contrast in five steps.
// Columns: highest position of the band, value.
struct LevelStep {
    int upTo;
    int32_t value;
};
constexpr LevelStep kGeneration0Steps[] = {
    {50, 48},
    {101, 88},
    {152, 128},
    {203, 168},
    {0x7FFFFFFF, 208},
};
constexpr int32_t kLowestStep = 48;
constexpr int32_t kHighestStep = 208;
constexpr int32_t kStepDistance = 40;
constexpr int32_t kPageDistance = 10;

// The combo boxes read back into their settings, in reading order.
struct ComboSetting {
    int comboId;
    SettingRecord* setting;
};
const ComboSetting kMainCombos[] = {
    {kImageTypeCombo, &ImageType},       {kResolutionCombo, &Resolution},
    {kPaperSizeCombo, &PaperSize},       {kFrontHalftoneCombo, &FrontHalftone},
    {kBackHalftoneCombo, &BackHalftone},
};

bool LevelIndexOf(int controlId, int first, int& index) {
    index = controlId - first;
    return index >= 0 && index < kLevelCount;
}

int32_t SnapToStep(int32_t value) {
    for (const LevelStep& step : kGeneration0Steps) {
        if (value <= step.upTo) return step.value;
    }
    return kHighestStep;
}

int32_t HoldLevel(int32_t value) {
    if (ModelGeneration == 0) return SnapToStep(value);
    if (value < kLevelMinimum) return kLevelMinimum;
    if (value > kLevelMaximum) return kLevelMaximum;
    return value;
}

void ShowLevelThumbs(plat::WindowHandle dialog) {
    for (int i = 0; i < kLevelCount; ++i) {
        if (plat::IsItemEnabled(dialog, kFirstLevelScroll + i)) {
            plat::ScrollSetPosition(dialog, kFirstLevelScroll + i, ScanValues.levels[i]);
        }
    }
}

// Takes the typed value of level field i: a number is snapped or held to
// range, anything else brings the stored value back (held to range too, so
// that a hand-edited settings file cannot keep a value off the scale).
void AcceptLevelField(plat::WindowHandle dialog, int i, bool thumbOnlyWhenEnabled) {
    const int fieldId = kFirstLevelField + i;
    int32_t typed = ScanValues.levels[i];
    ReadSignedNumber(dialog, fieldId, typed);
    const int32_t value = HoldLevel(typed);
    ShowNumber(dialog, fieldId, value, true);
    ScanValues.levels[i] = value;
    if (!thumbOnlyWhenEnabled || plat::IsItemEnabled(dialog, kFirstLevelScroll + i)) {
        plat::ScrollSetPosition(dialog, kFirstLevelScroll + i, value);
    }
}

// A value from a hand-edited settings file may lie outside the scale; it is
// brought onto the scale before it moves.
int32_t ScrolledLevel(int32_t stored, uint32_t code, int position) {
    const int32_t value = HoldLevel(stored);
    if (ModelGeneration == 0) {
        switch (code) {
            case plat::SB_LINELEFT:
            case plat::SB_PAGELEFT:
                return value > kLowestStep ? value - kStepDistance : value;
            case plat::SB_LINERIGHT:
            case plat::SB_PAGERIGHT:
                return value < kHighestStep ? value + kStepDistance : value;
            case plat::SB_THUMBTRACK:
                return SnapToStep(position);
            default:
                return value;
        }
    }
    switch (code) {
        case plat::SB_LINELEFT:
            return value != kLevelMinimum ? value - 1 : value;
        case plat::SB_LINERIGHT:
            return value != kLevelMaximum ? value + 1 : value;
        case plat::SB_PAGELEFT:
            return value - kPageDistance < kLevelMinimum ? kLevelMinimum : value - kPageDistance;
        case plat::SB_PAGERIGHT:
            return value + kPageDistance > kLevelMaximum ? kLevelMaximum : value + kPageDistance;
        case plat::SB_THUMBTRACK:
            return position;
        default:
            return value;
    }
}

void OnLevelScroll(plat::WindowHandle dialog, uintptr_t wParam, intptr_t lParam) {
    int i = 0;
    if (!LevelIndexOf(plat::GetItemId(reinterpret_cast<plat::WindowHandle>(lParam)), kFirstLevelScroll, i)) return;
    const uint32_t code = static_cast<uint32_t>(wParam & 0xFFFF);
    const int position = static_cast<int16_t>((wParam >> 16) & 0xFFFF);
    const int32_t value = ScrolledLevel(ScanValues.levels[i], code, position);
    ScanValues.levels[i] = value;
    const int fieldId = kFirstLevelField + i;
    plat::ScrollSetPosition(dialog, kFirstLevelScroll + i, value);
    ShowNumber(dialog, fieldId, value, false);
    if (plat::GetFocusItem(dialog) != fieldId) plat::SetItemFocus(dialog, fieldId);
    plat::SelectAllItemText(dialog, fieldId);
    ApplyMainDialogRules(dialog);
}

void CheckPair(plat::WindowHandle dialog, int first, int second, const SettingRecord& setting,
               const char* firstText) {
    const bool firstChosen =
        std::strncmp(setting.text, firstText, sizeof setting.text) == 0 || setting.disabled == 1;
    plat::SetItemCheck(dialog, first, firstChosen ? plat::BST_CHECKED : plat::BST_UNCHECKED);
    plat::SetItemCheck(dialog, second, firstChosen ? plat::BST_UNCHECKED : plat::BST_CHECKED);
}

// A radio button's click: the partner is unchecked when the button is checked.
void UncheckPartner(plat::WindowHandle dialog, int button, int partner) {
    if (plat::GetItemCheck(dialog, button) == plat::BST_CHECKED) {
        plat::SetItemCheck(dialog, partner, plat::BST_UNCHECKED);
    }
}

void SetDialogSideText(const char* text) {
    std::memset(DialogSideText, 0, sizeof DialogSideText);
    std::strncpy(DialogSideText, text, sizeof DialogSideText - 1);
}

void FillPaperSizeCombo(plat::WindowHandle dialog) {
    FillOptionCombo(dialog, kPaperSizeCombo, PaperSizeList);
    for (const FreeSize& size : FreeSizeTable) {
        if (size.name[0] == '\0') continue;
        char name[kSettingTextSize];
        std::memcpy(name, size.name, sizeof name);
        name[kSettingTextSize - 1] = '\0';
        plat::ComboAddString(dialog, kPaperSizeCombo, name);
    }
}

void ReadAndApply(plat::WindowHandle dialog) {
    ReadMainDialog(dialog);
    ApplyMainDialogRules(dialog);
}

void RestrictBoth(plat::WindowHandle dialog) {
    RestrictBackHalftone(dialog);
    RestrictFrontHalftone(dialog);
}

void RunSubAreaDialog(plat::WindowHandle dialog, uint16_t side) {
    SubAreaSide = side;
    plat::RunModalDialog(kSubAreaTemplate, dialog, SubAreaProc, 0);
    ReadAndApply(dialog);
    RestrictBoth(dialog);
}

void RestoreDefaults(plat::WindowHandle dialog) {
    RestoreDefaultSettings();
    ShowMainDialogValues(dialog);
    SyncCapabilityIndices();
    ApplyMainDialogRules(dialog);
}

void Scan(plat::WindowHandle dialog) {
    for (int i = 0; i < kLevelCount; ++i) AcceptLevelField(dialog, i, true);
    ReadAndApply(dialog);
    SaveSettings();
    SyncCapabilityIndices();
    StartScanFromMainDialog(dialog);
}

void OnCommand(plat::WindowHandle dialog, int id, uint32_t code) {
    int level = 0;
    if (LevelIndexOf(id, kFirstLevelField, level)) {
        if (code == plat::EN_KILLFOCUS) AcceptLevelField(dialog, level, false);
        ApplyMainDialogRules(dialog);
        return;
    }
    switch (id) {
        case kOnePage:
            UncheckPartner(dialog, kOnePage, kAllPages);
            ReadAndApply(dialog);
            break;
        case kAllPages:
            UncheckPartner(dialog, kAllPages, kOnePage);
            ReadAndApply(dialog);
            break;
        case kSimplex:
            UncheckPartner(dialog, kSimplex, kDuplex);
            SetDialogSideText("Simplex");
            ReadAndApply(dialog);
            RestrictBoth(dialog);
            break;
        case kDuplex:
            UncheckPartner(dialog, kDuplex, kSimplex);
            if (std::strcmp(DialogSideText, "Simplex") == 0) {
                SetSettingTextFromString(BackSubAreaHalftone, kStrHalftoneNone);
            }
            SetDialogSideText("Duplex");
            ReadAndApply(dialog);
            RestrictBoth(dialog);
            break;
        case kFrontHalftoneCombo:
            RestrictBackHalftone(dialog);
            ReadAndApply(dialog);
            break;
        case kBackHalftoneCombo:
            RestrictFrontHalftone(dialog);
            ReadAndApply(dialog);
            break;
        case kImageTypeCombo:
        case kResolutionCombo:
        case kPaperSizeCombo:
            ReadAndApply(dialog);
            break;
        case kFrontSubAreaButton:
            RunSubAreaDialog(dialog, kSubAreaFront);
            break;
        case kBackSubAreaButton:
            RunSubAreaDialog(dialog, kSubAreaBack);
            break;
        case kFreeSizeButton:
            plat::RunModalDialog(kFreeSizeTemplate, dialog, FreeSizeProc, 0);
            RefillPaperSizeCombo(dialog);
            ReadMainDialog(dialog);
            break;
        case kMoreButton:
            plat::RunModalDialog(ModelGeneration >= 8 ? kMoreSettings961Template : kMoreSettingsTemplate, dialog,
                                 MoreSettingsProc, 0);
            ReadAndApply(dialog);
            break;
        case kAboutButton:
            plat::RunModalDialog(kAboutTemplate, dialog, AboutProc, 0);
            break;
        case kDefaultButton:
            RestoreDefaults(dialog);
            break;
        case kScanButton:
            Scan(dialog);
            break;
        case kCancelButton:
            RequestCloseFromMainDialog();
            break;
        default:
            break;
    }
}

}  // namespace

void InitMainDialogControls(plat::WindowHandle dialog) {
    char text[kSettingTextSize];
    if (plat::LoadResString(kStrMainCaption, text, sizeof text) > 0) plat::SetDialogCaption(dialog, text);
    for (int i = 0; i < kLevelCount; ++i) {
        plat::SetItemTextLimit(dialog, kFirstLevelField + i, kLevelFieldLimit);
        plat::ScrollSetRange(dialog, kFirstLevelScroll + i, kLevelMinimum, kLevelMaximum);
    }
    FillOptionCombo(dialog, kImageTypeCombo, ImageTypeList);
    FillOptionCombo(dialog, kResolutionCombo, ResolutionList);
    FillPaperSizeCombo(dialog);
    FillOptionCombo(dialog, kFrontHalftoneCombo, FrontHalftoneList);
    FillOptionCombo(dialog, kBackHalftoneCombo, BackHalftoneList);
    for (SettingRecord* setting :
         {&PageMode, &SideMode, &Resolution, &PaperSize, &FrontHalftone, &BackHalftone, &FrontBrightness,
          &BackBrightness, &FrontContrast, &BackContrast, &FrontSubArea, &BackSubArea}) {
        EnableSettingControls(dialog, *setting, 1);
    }
    if (LegacyHostFlag == 1 && plat::LoadResString(kStrSetButton, text, sizeof text) > 0) {
        plat::SetItemText(dialog, kScanButton, text);
    }
}

void ShowMainDialogValues(plat::WindowHandle dialog) {
    for (int i = 0; i < kLevelCount; ++i) ShowNumber(dialog, kFirstLevelField + i, ScanValues.levels[i], false);
    ShowLevelThumbs(dialog);
    CheckPair(dialog, kOnePage, kAllPages, PageMode, "1 Page");
    CheckPair(dialog, kSimplex, kDuplex, SideMode, "Simplex");
    for (const ComboSetting& combo : kMainCombos) SelectSettingText(dialog, combo.comboId, combo.setting->text);
}

void ReadMainDialog(plat::WindowHandle dialog) {
    SetSettingText(PageMode, plat::GetItemCheck(dialog, kOnePage) == plat::BST_CHECKED ? "1 Page" : "All Pages");
    SetSettingText(SideMode, plat::GetItemCheck(dialog, kSimplex) == plat::BST_CHECKED ? "Simplex" : "Duplex");
    for (const ComboSetting& combo : kMainCombos) ReadComboSetting(dialog, combo.comboId, *combo.setting);
}

void ApplyMainDialogRules(plat::WindowHandle dialog) {
    const SettingConditions now = RefreshChoiceIndices();
    const bool generation0 = ModelGeneration == 0;
    const bool subAreas = now.bw && !now.sep && now.at;

    EnableSettingControls(dialog, FrontHalftone, now.bw && now.at);
    for (SettingRecord* setting : {&FrontBrightness, &FrontContrast}) {
        EnableSettingControls(dialog, *setting, generation0 ? now.bw : now.at);
    }
    EnableSettingControls(dialog, BackHalftone, now.bw && now.dx && now.at);
    for (SettingRecord* setting : {&BackBrightness, &BackContrast}) {
        EnableSettingControls(dialog, *setting, now.dx && now.at);
    }
    EnableSettingControls(dialog, FrontSubArea, subAreas && (!generation0 || !now.dx || now.eq));
    EnableSettingControls(dialog, BackSubArea, subAreas && now.dx && (!generation0 || now.eq));
    EnableSettingControls(dialog, BackSide, now.dx);
    if (generation0) EnableSettingControls(dialog, PaperSize, !now.pd);
    EnableSettingControls(dialog, FrontArea3, !generation0 || !now.dx);
    for (SettingRecord* setting : {&FrontSubAreaHalftone, &FrontArea1, &FrontArea2, &BackSubAreaHalftone,
                                   &BackArea1, &BackArea2, &BackArea3}) {
        EnableSettingControls(dialog, *setting, 1);
    }
    ShowLevelThumbs(dialog);
    ApplyMoreSettingsRules(dialog);
    ApplyMoreSettingsRules(dialog);
}

void RefillPaperSizeCombo(plat::WindowHandle dialog) {
    FillPaperSizeCombo(dialog);
    SelectSettingText(dialog, kPaperSizeCombo, PaperSize.text);
    char wanted[kSettingTextSize];
    std::memcpy(wanted, PaperSize.text, sizeof wanted);
    wanted[kSettingTextSize - 1] = '\0';
    char shown[kSettingTextSize];
    shown[0] = '\0';
    plat::ComboGetItemText(dialog, kPaperSizeCombo, plat::ComboGetSelection(dialog, kPaperSizeCombo), shown,
                           sizeof shown);
    // A size that is gone falls back to Letter, or A4 where Ledger and A3 are
    // not offered (paper class 0).
    if (std::strcmp(shown, wanted) != 0) {
        plat::ComboSetSelection(dialog, kPaperSizeCombo, ModelFamily != 0 ? 0 : 2);
    }
}

intptr_t PLAT_CALLBACK MainDialogProc(plat::WindowHandle dialog, uint32_t message, uintptr_t wParam,
                                      intptr_t lParam) {
    switch (message) {
        case plat::WM_INITDIALOG:
            MainDialog = dialog;
            InitMainDialogControls(dialog);
            ShowMainDialogValues(dialog);
            ReadMainDialog(dialog);
            ApplyMainDialogRules(dialog);
            RestrictBoth(dialog);
            return 1;
        case plat::WM_HSCROLL:
            OnLevelScroll(dialog, wParam, lParam);
            return 1;
        case plat::WM_COMMAND:
            OnCommand(dialog, CommandId(wParam), CommandCode(wParam));
            return 1;
        case plat::WM_CLOSE:
            RequestCloseFromMainDialog();
            return 1;
        default:
            return 0;
    }
}
