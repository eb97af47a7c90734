// Control helpers shared by the dialog procedures.
#include "ui/dialog_controls.h"

#include <cstring>

namespace {

// The item whose whole text equals `text`; CB_ERR when none does.
int FindExactItem(plat::WindowHandle dialog, int comboId, const char* text) {
    const int count = plat::ComboCount(dialog, comboId);
    char item[kSettingTextSize];
    for (int index = 0; index < count; ++index) {
        item[0] = '\0';
        plat::ComboGetItemText(dialog, comboId, index, item, sizeof item);
        if (std::strcmp(item, text) == 0) return index;
    }
    return plat::CB_ERR;
}

}  // namespace

void SelectSettingText(plat::WindowHandle dialog, int comboId, const char* text) {
    char wanted[kSettingTextSize];
    std::memcpy(wanted, text, sizeof wanted);
    wanted[kSettingTextSize - 1] = '\0';
    // The item that shows the setting's very text comes first: a free size
    // named "Letter wide" must not take the place of "Letter".
    const int exact = wanted[0] != '\0' ? FindExactItem(dialog, comboId, wanted) : plat::CB_ERR;
    if (exact != plat::CB_ERR) {
        plat::ComboSetSelection(dialog, comboId, exact);
        return;
    }
    // Every item begins with an empty text; a setting without one (a key the
    // settings file lacks) shows the first item rather than the second.
    if (wanted[0] == '\0' || plat::ComboSelectPrefix(dialog, comboId, 0, wanted) == plat::CB_ERR) {
        plat::ComboSetSelection(dialog, comboId, 0);
    }
}

void ReadComboSetting(plat::WindowHandle dialog, int comboId, SettingRecord& setting) {
    int selected = plat::ComboGetSelection(dialog, comboId);
    if (selected == plat::CB_ERR) selected = 0;
    char text[kSettingTextSize];
    text[0] = '\0';
    if (plat::ComboGetItemText(dialog, comboId, selected, text, sizeof text) == 0) {
        if (plat::ComboCount(dialog, comboId) <= 0) return;
    }
    SetSettingText(setting, text);
}

bool SwitchIsOn(const SettingRecord& setting) {
    return std::strncmp(setting.text, "ON", sizeof setting.text) == 0;
}

void ShowSwitch(plat::WindowHandle dialog, int checkBoxId, const SettingRecord& setting) {
    plat::SetItemCheck(dialog, checkBoxId, SwitchIsOn(setting) ? plat::BST_CHECKED : plat::BST_UNCHECKED);
}

void ReadSwitch(plat::WindowHandle dialog, int checkBoxId, SettingRecord& setting) {
    SetSettingText(setting, plat::GetItemCheck(dialog, checkBoxId) == plat::BST_CHECKED ? "ON" : "OFF");
}

void ShowNumber(plat::WindowHandle dialog, int fieldId, int32_t value, bool isSigned) {
    plat::SetItemInt(dialog, fieldId, static_cast<uint32_t>(value), isSigned);
}

bool ReadSignedNumber(plat::WindowHandle dialog, int fieldId, int32_t& value) {
    bool translated = false;
    const uint32_t number = plat::GetItemInt(dialog, fieldId, &translated, true);
    if (!translated) return false;
    value = static_cast<int32_t>(number);
    return true;
}
