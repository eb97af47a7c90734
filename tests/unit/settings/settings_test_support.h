// Helpers of the settings tests: identifying a model as discovery would, and a
// private Windows directory for the settings file.
#pragma once

#include <cstdint>
#include <string>

#include "settings/settings_model.h"

namespace settings_test {

// Sets ModelName and MechaGray as discovery does and applies the model row;
// answers ApplyModel's result.
int IdentifyModel(const char* name, const char* mechaGray = "OFF");

// Sets a setting's text.
void SetText(SettingRecord& record, const char* text);

// A fresh temporary Windows directory for the lifetime of the object; the
// platform uses it from construction and after each Use().
class TempWindowsDirectory {
public:
    TempWindowsDirectory();
    ~TempWindowsDirectory();
    TempWindowsDirectory(const TempWindowsDirectory&) = delete;
    TempWindowsDirectory& operator=(const TempWindowsDirectory&) = delete;

    // Makes the directory the Windows directory again (after a hook reset).
    void Use() const;

    // The settings file's full text; empty when it does not exist.
    std::string ReadSettingsFile() const;
    void WriteSettingsFile(const std::string& text) const;

private:
    std::string path_;
};

// The value of a key as the platform reads it back from the settings file.
std::string ProfileValue(const char* section, const char* key, const char* fallback = "<missing>");

}  // namespace settings_test
