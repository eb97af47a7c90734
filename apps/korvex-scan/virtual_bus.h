// korvex-scan's use of the virtual scanner: choosing a scenario (a named one or
// a scenario file) and showing the scanners it puts on the virtual SCSI bus.
#pragma once

#include <string>

#include "vscanner/scenario.h"

// Prints the named scenarios with their descriptions.
void PrintNamedScenarios();

// Reads `choice`, a scenario name or a scenario file, and installs it as the
// virtual scanner's scenario in the Windows directory. False, with the reason
// printed, when it names nothing usable or cannot be written.
bool InstallScenarioChoice(const std::string& choice, vscan::Scenario& scenario);

// The scenario the virtual scanner will read: the installed file, or its
// default when there is none. False when the file does not parse.
bool CurrentScenario(vscan::Scenario& scenario);

// One line per scanner on the bus: adapter, target, model, INQUIRY texts.
void PrintScanners(const vscan::Scenario& scenario);
