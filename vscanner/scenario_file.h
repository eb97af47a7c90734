// The scenario file: an INI text (docs/virtual-scanner.md describes every
// section and key) that the CLI and tests write and the ASPI module reads,
// from "vscanner.ini" in the Windows directory.
#pragma once

#include <string>

#include "vscanner/scenario.h"

namespace vscan {

constexpr const char* kScenarioFileName = "vscanner.ini";

// Parses `text`; on failure answers false and says why in `error` (with the
// line number). Keys and section names match without regard to case.
bool ParseScenario(const std::string& text, Scenario& scenario, std::string& error);
// The text of `scenario`; parsing it gives the same scenario back.
std::string FormatScenario(const Scenario& scenario);

bool ReadTextFile(const std::string& path, std::string& text);
bool WriteScenarioFile(const std::string& path, const Scenario& scenario);

// $KORVEX_WINDIR, else $HOME/.korvex/windows (on Windows: $KORVEX_WINDIR, else
// $WINDIR), with the scenario file name appended.
std::string DefaultScenarioPath();

}  // namespace vscan
