// The backend's configuration file korvex.conf: where the source manager and
// the source are, the ASPI manager whose bus lists the scanners, the source's
// ProductName, and the virtual scanner's scenario.
#pragma once

#include <string>

struct BackendConfig {
    std::string sourceDir;    // holds twain_32.so and KORVEX32.ds; empty: the library path
    std::string aspiManager;  // empty: wnaspi32.so in sourceDir
    std::string sourceName;   // empty: the manager's default source
    std::string scenario;     // empty: leave the virtual scanner's scenario alone
};

// Reads the lines "KEY VALUE" of a configuration text ('#' starts a comment).
// False, with the line and the reason in `error`, for an unknown key or a key
// without a value; the lines before it are kept.
bool ParseBackendConfig(const std::string& text, BackendConfig& config, std::string& error);

// Finds korvex.conf as SANE's configuration files are found: in each folder of
// $SANE_CONFIG_DIR (colon-separated; a trailing colon adds the default folder),
// else in . and /etc/sane.d. A missing file leaves the defaults; a bad one is logged.
void ReadBackendConfig(BackendConfig& config);
