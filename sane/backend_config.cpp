// Finding and reading korvex.conf.
#include "sane/backend_config.h"

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "sane/scanner_messages.h"

namespace {

// SANE's own default folders, searched in this order.
constexpr char kDefaultConfigDir[] = ".:/etc/sane.d";
constexpr char kConfigName[] = "korvex.conf";

// Keys of korvex.conf. Columns: key, the field it sets.
struct ConfigKey {
    const char* key;
    std::string BackendConfig::*field;
};
const ConfigKey kConfigKeys[] = {
    {"source-dir", &BackendConfig::sourceDir},
    {"aspi", &BackendConfig::aspiManager},
    {"source", &BackendConfig::sourceName},
    {"scenario", &BackendConfig::scenario},
};

std::string Trimmed(const std::string& text) {
    const size_t first = text.find_first_not_of(" \t\r");
    if (first == std::string::npos) return std::string();
    return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

bool ReadFile(const std::string& path, std::string& text) {
    std::ifstream file(path, std::ios::binary);
    if (!file) return false;
    std::ostringstream content;
    content << file.rdbuf();
    text = content.str();
    return true;
}

}  // namespace

bool ParseBackendConfig(const std::string& text, BackendConfig& config, std::string& error) {
    std::istringstream lines(text);
    std::string line;
    for (int number = 1; std::getline(lines, line); ++number) {
        line = Trimmed(line.substr(0, line.find('#')));
        if (line.empty()) continue;
        const size_t gap = line.find_first_of(" \t");
        const std::string key = line.substr(0, gap);
        const std::string value = gap == std::string::npos ? std::string() : Trimmed(line.substr(gap));
        const ConfigKey* found = nullptr;
        for (const ConfigKey& row : kConfigKeys) {
            if (key == row.key) found = &row;
        }
        if (found == nullptr || value.empty()) {
            error = "line " + std::to_string(number) + ": " +
                    (found == nullptr ? "unknown key \"" + key + "\"" : "\"" + key + "\" needs a value");
            return false;
        }
        config.*(found->field) = value;
    }
    return true;
}

void ReadBackendConfig(BackendConfig& config) {
    std::string folders;
    const char* fromEnvironment = std::getenv("SANE_CONFIG_DIR");
    if (fromEnvironment == nullptr) {
        folders = kDefaultConfigDir;
    } else {
        folders = fromEnvironment;
        if (!folders.empty() && folders.back() == ':') folders += kDefaultConfigDir;
    }
    std::istringstream list(folders);
    std::string folder;
    while (std::getline(list, folder, ':')) {
        if (folder.empty()) continue;
        const std::string path = folder + "/" + kConfigName;
        std::string text;
        if (!ReadFile(path, text)) continue;
        std::string error;
        if (!ParseBackendConfig(text, config, error)) LogLine("%s: %s", path.c_str(), error.c_str());
        return;
    }
}
