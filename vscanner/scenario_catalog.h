// Ready-made scenarios by name, for the CLI ("korvex-scan --scenario jam") and
// for people trying the source without writing a scenario file.
#pragma once

#include <cstddef>

#include "vscanner/scenario.h"

namespace vscan {

struct NamedScenario {
    const char* name;
    const char* description;
    Scenario (*build)();
};

constexpr size_t kNamedScenarioCount = 17;
extern const NamedScenario kNamedScenarios[kNamedScenarioCount];

// Null when no scenario has that name (matched exactly).
const NamedScenario* FindNamedScenario(const char* name);

}  // namespace vscan
