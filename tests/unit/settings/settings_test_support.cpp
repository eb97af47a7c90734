// Helpers of the settings tests.
#include "settings_test_support.h"

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/host/host_hooks.h"
#include "platform/platform.h"
#include "scanner/discovery.h"
#include "scanner/model_table.h"
#include "settings/settings_file.h"

namespace settings_test {

int IdentifyModel(const char* name, const char* mechaGray) {
    std::memset(ModelName, 0, sizeof ModelName);
    std::strncpy(ModelName, name, sizeof ModelName - 1);
    std::memset(MechaGray, 0, sizeof MechaGray);
    std::strncpy(MechaGray, mechaGray, sizeof MechaGray - 1);
    return ApplyModel();
}

void SetText(SettingRecord& record, const char* text) { SetSettingText(record, text); }

TempWindowsDirectory::TempWindowsDirectory() {
    char pattern[] = "/tmp/korvex-settings-XXXXXX";
    const char* made = mkdtemp(pattern);
    path_ = made != nullptr ? made : "/tmp";
    plat::host::SetWindowsDirectory(path_.c_str());
}

void TempWindowsDirectory::Use() const { plat::host::SetWindowsDirectory(path_.c_str()); }

TempWindowsDirectory::~TempWindowsDirectory() {
    plat::host::SetWindowsDirectory(nullptr);
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

std::string TempWindowsDirectory::ReadSettingsFile() const {
    std::ifstream file(path_ + "/" + kSettingsFileName, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

void TempWindowsDirectory::WriteSettingsFile(const std::string& text) const {
    std::ofstream file(path_ + "/" + kSettingsFileName, std::ios::binary | std::ios::trunc);
    file << text;
}

std::string ProfileValue(const char* section, const char* key, const char* fallback) {
    char buffer[1024];
    plat::ProfileGetString(section, key, fallback, buffer, sizeof buffer, kSettingsFileName);
    return buffer;
}

}  // namespace settings_test
