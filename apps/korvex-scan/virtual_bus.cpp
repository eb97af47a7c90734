// Scenario choice and the scanners of the virtual SCSI bus.
#include "apps/korvex-scan/virtual_bus.h"

#include <cstdio>
#include <filesystem>

#include "vscanner/scenario_catalog.h"
#include "vscanner/scenario_file.h"

void PrintNamedScenarios() {
    for (const vscan::NamedScenario& named : vscan::kNamedScenarios) {
        std::printf("  %-20s %s\n", named.name, named.description);
    }
}

bool InstallScenarioChoice(const std::string& choice, vscan::Scenario& scenario) {
    if (const vscan::NamedScenario* named = vscan::FindNamedScenario(choice.c_str())) {
        scenario = named->build();
    } else {
        std::string text;
        std::string error;
        if (!vscan::ReadTextFile(choice, text)) {
            std::fprintf(stderr,
                         "korvex-scan: --scenario: \"%s\" is neither a scenario name "
                         "(see --list-scenarios) nor a readable file\n",
                         choice.c_str());
            return false;
        }
        // Image files the scenario names are found beside it.
        const std::string directory = std::filesystem::path(choice).parent_path().string();
        if (!vscan::ParseScenario(text, scenario, error, directory)) {
            std::fprintf(stderr, "korvex-scan: %s: %s\n", choice.c_str(), error.c_str());
            return false;
        }
    }
    const std::string path = vscan::DefaultScenarioPath();
    if (!vscan::WriteScenarioFile(path, scenario)) {
        std::fprintf(stderr, "korvex-scan: cannot write the scenario to %s\n", path.c_str());
        return false;
    }
    return true;
}

bool CurrentScenario(vscan::Scenario& scenario) {
    std::string text;
    if (!vscan::ReadTextFile(vscan::DefaultScenarioPath(), text)) {
        scenario = vscan::DefaultScenario();
        return true;
    }
    std::string error;
    if (vscan::ParseScenario(text, scenario, error)) return true;
    std::fprintf(stderr, "korvex-scan: %s: %s\n", vscan::DefaultScenarioPath().c_str(),
                 error.c_str());
    return false;
}

void PrintScanners(const vscan::Scenario& scenario) {
    int shown = 0;
    for (const vscan::DeviceSetup& device : scenario.devices) {
        if (device.kind != vscan::DeviceKind::Scanner) continue;
        std::printf("  adapter %u, target %u: %s (vendor \"%s\", product \"%s\", revision \"%s\"), "
                    "%zu sheet(s) in the hopper\n",
                    static_cast<unsigned>(device.adapter), static_cast<unsigned>(device.target),
                    device.model.c_str(), device.vendor.c_str(), device.product.c_str(),
                    device.revision.c_str(), device.hopper.size());
        ++shown;
    }
    if (shown == 0) std::printf("  no scanner\n");
}
