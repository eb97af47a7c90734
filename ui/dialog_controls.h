// Control helpers shared by the source's dialog procedures: selecting a
// setting's text in a combo box, reading a combo box or a check box back into
// a setting, and the pieces of a WM_COMMAND. Depends on the settings model and
// the platform's dialog services.
#pragma once

#include <cstdint>

#include "platform/dialogs.h"
#include "settings/settings_model.h"

// The control id and the notification code of a WM_COMMAND.
inline int CommandId(uintptr_t wParam) { return static_cast<int>(wParam & 0xFFFF); }
inline uint32_t CommandCode(uintptr_t wParam) { return static_cast<uint32_t>((wParam >> 16) & 0xFFFF); }

// Selects the item that shows exactly `text`; without one, the item that
// begins with it (letters compared without regard to case), searching from the
// second item down and wrapping round to the first; the first item when none
// does or the text is empty.
void SelectSettingText(plat::WindowHandle dialog, int comboId, const char* text);

// The setting takes the text of the combo box's selected item, or of its first
// item when none is selected; an empty combo box leaves the text as it is.
void ReadComboSetting(plat::WindowHandle dialog, int comboId, SettingRecord& setting);

// A switch setting is on exactly when its text is "ON".
bool SwitchIsOn(const SettingRecord& setting);
// Checks the box when the switch is on, unchecks it otherwise.
void ShowSwitch(plat::WindowHandle dialog, int checkBoxId, const SettingRecord& setting);
// The switch becomes "ON" when the box is checked, else "OFF".
void ReadSwitch(plat::WindowHandle dialog, int checkBoxId, SettingRecord& setting);

// Writes a number into a field, signed or unsigned.
void ShowNumber(plat::WindowHandle dialog, int fieldId, int32_t value, bool isSigned);
// Reads a field as a signed integer; false when it does not hold a number.
bool ReadSignedNumber(plat::WindowHandle dialog, int fieldId, int32_t& value);
