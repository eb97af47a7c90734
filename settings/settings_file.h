// The settings file KORVEX32.INI: reading it into the settings model at open,
// writing the model back on Scan and Default, the endorser section and the
// user's free paper sizes. Works through the platform's profile-file services
// only; the "Mecha" and "SubBox" sections belong to the scanner layer.
#pragma once

#include <cstdint>

#include "settings/settings_model.h"

// The settings file, by its bare name (it lives in the Windows directory).
constexpr const char* kSettingsFileName = "KORVEX32.INI";

// Kinds of value a settings key holds.
enum class SettingValueKind : uint8_t {
    Text,            // a setting's text
    Side,            // the SideMode text, also loaded into DialogSideText
    Number,          // a signed number
    EndorserText,    // the endorser text, up to 255 characters
    StartNumber,     // an unsigned number stored as decimal text
    Modulo256,       // a number kept modulo 256
};

// One key of the settings file written by SaveSettings.
struct SettingsFileKey {
    const char* section;
    const char* key;
    SettingValueKind kind;
    SettingRecord* record;      // Text and Side keys
    int32_t* number;            // Number and Modulo256 keys
    const char* textDefault;    // Text, Side, EndorserText and StartNumber keys when missing
    int32_t numberDefault;      // Number and Modulo256 keys when the key is missing
    uint8_t generation8;        // 1: read and written on generation 8 models only
};

constexpr int kSettingsFileKeys = 62;
// The keys from "Page" to "Back Subarea" "Area3_L", in the order SaveSettings
// writes them.
extern const SettingsFileKey SettingsFileKeys[kSettingsFileKeys];
// The order in which LoadSettings reads them (indices into SettingsFileKeys).
extern const uint8_t SettingsLoadOrder[kSettingsFileKeys];

// 1 when the file holds settings saved for the identified model.
int SettingsFileIsValid();
// Reads the whole file into the model, or sets the defaults; then the free
// sizes, and FreeSizeDraft is reset.
void LoadSettings();
// Writes "Inifile" and every key from "Page" to "Back Subarea" "Area3_L".
void SaveSettings();
void LoadEndorserSettings();
void SaveEndorserSettings();
void LoadFreeSizes();
void SaveFreeSizes();
// The main dialog's Default: marks the file as holding no saved settings,
// loads the defaults and saves them.
void RestoreDefaultSettings();
// The endorser dialog's Default: the same for the endorser section.
void RestoreDefaultEndorserSettings();
