// The scenario file: an INI text (docs/virtual-scanner.md describes every
// section and key) that the CLI and tests write and the ASPI module reads,
// from "vscanner.ini" in the Windows directory.
#pragma once

#include <string>

#include "vscanner/scenario.h"

namespace vscan {

constexpr const char* kScenarioFileName = "vscanner.ini";

// Parses `text`; on failure answers false and says why in `error` (with the
// line number, and the file when an image file cannot be read). Keys and
// section names match without regard to case. Image files named by a
// relative path are looked for in `baseDirectory` (the scenario file's
// directory), or in the working directory when it is empty; the image files
// are read here, so the scenario holds their pages.
bool ParseScenario(const std::string& text, Scenario& scenario, std::string& error,
                   const std::string& baseDirectory = "");
// The text of `scenario`; parsing it gives the same scenario back.
std::string FormatScenario(const Scenario& scenario);

bool ReadTextFile(const std::string& path, std::string& text);
bool WriteScenarioFile(const std::string& path, const Scenario& scenario);

// $KORVEX_WINDIR, else $HOME/.korvex/windows (on Windows: $KORVEX_WINDIR, else
// $WINDIR), with the scenario file name appended.
std::string DefaultScenarioPath();

}  // namespace vscan
