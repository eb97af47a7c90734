// The More Settings dialogs "OPTIONBOX" (generations 0 and 1) and
// "OPTIONBOX961" (generation 8, with the feeder switches, the manual feed
// timeout and the Endorser button), and the usability rules of their
// settings, which the main dialog also runs after each of its changes.
#pragma once

#include <cstdint>

#include "platform/dialogs.h"

constexpr const char* kMoreSettingsTemplate = "OPTIONBOX";
constexpr const char* kMoreSettings961Template = "OPTIONBOX961";

intptr_t PLAT_CALLBACK MoreSettingsProc(plat::WindowHandle dialog, uint32_t message, uintptr_t wParam,
                                        intptr_t lParam);

void InitMoreSettingsControls(plat::WindowHandle dialog);
void ShowMoreSettingsValues(plat::WindowHandle dialog);
// Copies the check boxes and combo boxes into the settings (not the timeout).
void ReadMoreSettings(plat::WindowHandle dialog);
// Enables and disables the More Settings controls by the current choices and
// sets their settings' `disabled` flags; on a dialog without those controls
// only the flags change.
void ApplyMoreSettingsRules(plat::WindowHandle dialog);
// 1 when the timeout field holds 1 to 300 seconds (always on generations
// below 8); otherwise tells the user, restores the stored timeout, answers 0.
int CheckWaitTimeout(plat::WindowHandle dialog);
