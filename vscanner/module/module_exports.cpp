// The exported entry points of the virtual ASPI manager module (wnaspi32.so on
// Linux, WNASPI32.DLL on Windows). The module takes no arguments, so it reads
// its scenario from the scenario file in the Windows directory: on the first
// call, and again whenever GetASPI32SupportInfo finds that the file's path or
// text has changed (a source opens the manager with that call). An unchanged
// file keeps the scanner's state (feeder, faults) from one open to the next.
// Without a file it runs the default scenario; a file that does not parse
// gives a manager that is not initialised, so the mistake is seen at once.
#include <string>

#include "vscanner/scenario_file.h"
#include "vscanner/vs_os.h"
#include "vscanner/vscanner.h"

namespace {

bool gLoaded = false;
std::string gLoadedPath;
std::string gLoadedText;

void LoadScenarioFromFile(bool onlyWhenChanged) {
    const std::string path = vscan::DefaultScenarioPath();
    std::string text;
    const bool present = vscan::ReadTextFile(path, text);
    if (!present) text.clear();
    if (gLoaded && onlyWhenChanged && path == gLoadedPath && text == gLoadedText) return;
    vscan::Scenario scenario = vscan::DefaultScenario();
    if (present) {
        std::string error;
        if (!vscan::ParseScenario(text, scenario, error, vscan::ScenarioDirectory())) {
            scenario = vscan::Scenario{};
            scenario.state = vscan::ManagerState::NotInitialised;
        }
    }
    vscan::InstallScenario(scenario);
    gLoaded = true;
    gLoadedPath = path;
    gLoadedText = text;
}

}  // namespace

extern "C" {

#if defined(_WIN32)
#define VSCANNER_EXPORT
#else
#define VSCANNER_EXPORT __attribute__((visibility("default")))
#endif

VSCANNER_EXPORT uint32_t ASPI_CALL GetASPI32SupportInfo() {
    {
        vscan::BusLockGuard guard;
        LoadScenarioFromFile(true);
    }
    return vscan::VsGetASPI32SupportInfo();
}

VSCANNER_EXPORT uint32_t ASPI_CALL SendASPI32Command(void* request) {
    {
        vscan::BusLockGuard guard;
        if (!gLoaded) LoadScenarioFromFile(false);
    }
    return vscan::VsSendASPI32Command(request);
}

}  // extern "C"
