// The shared conditions of the usability rules.
#include "ui/setting_conditions.h"

#include <cstring>

#include "settings/settings_model.h"
#include "ui/dialog_controls.h"

SettingConditions RefreshChoiceIndices() {
    ImageType.currentIndex = FindOptionIndex(ImageType, ImageTypeList);
    AutoThreshold.currentIndex = AutoThreshold.disabled == 1 ? 0 : FindOptionIndex(AutoThreshold, AutoThresholdList);
    FrontHalftone.currentIndex = FindOptionIndex(FrontHalftone, FrontHalftoneList);
    BackHalftone.currentIndex = FindOptionIndex(BackHalftone, BackHalftoneList);
    FrontSubAreaHalftone.currentIndex = FindOptionIndex(FrontSubAreaHalftone, FrontSubAreaHalftoneList);
    BackSubAreaHalftone.currentIndex = FindOptionIndex(BackSubAreaHalftone, BackSubAreaHalftoneList);
    PaperDetect.currentIndex = SwitchIsOn(PaperDetect) ? 1 : 0;
    SideMode.currentIndex = std::strncmp(SideMode.text, "Simplex", sizeof SideMode.text) != 0 ? 1 : 0;
    AutoSeparation.currentIndex = SwitchIsOn(AutoSeparation) ? 1 : 0;

    SettingConditions now{};
    now.bw = ImageType.currentIndex == 0;
    now.at = AutoThreshold.currentIndex == 0;
    now.dx = SideMode.currentIndex == 1;
    now.sep = AutoSeparation.currentIndex == 1;
    now.pd = PaperDetect.currentIndex == 1;
    now.eq = FrontHalftone.currentIndex == BackHalftone.currentIndex;
    return now;
}
