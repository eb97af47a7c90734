// The dialog tests' fixture on Windows: the system's Windows directory (under
// Wine the prefix's C:\windows, fresh per test run), cleared of the settings
// file and the scenario before and after each test, and the virtual scanner's
// WNASPI32.DLL beside the test program playing the scanner its scenario names.
#include <cstdio>
#include <cstdlib>
#include <fstream>

#include "settings/settings_file.h"
#include "ui_fixture.h"

namespace ui_test {

namespace {

constexpr const char* kScenarioFileName = "vscanner.ini";

std::string WindowsFile(const std::string& windowsDirectory, const char* name) {
    return windowsDirectory + "\\" + name;
}

void RemoveTestFiles(const std::string& windowsDirectory) {
    for (const char* name : {kSettingsFileName, kScenarioFileName}) std::remove(WindowsFile(windowsDirectory, name).c_str());
}

}  // namespace

// WINDIR names the directory GetWindowsDirectory answers, where the source
// keeps its settings file and the virtual scanner looks for its scenario.
std::string PrepareWindowsDirectory() {
    const char* directory = std::getenv("WINDIR");
    if (directory == nullptr || *directory == '\0') return {};
    RemoveTestFiles(directory);
    return directory;
}

void ReleaseWindowsDirectory(const std::string& windowsDirectory) { RemoveTestFiles(windowsDirectory); }

// The virtual scanner keeps its state while its scenario's text stays the same,
// so every scenario is numbered anew: each test meets a scanner as fresh as
// the scripted one of the host.
void AttachScanner(const std::string& windowsDirectory, const char* product, int target) {
    static unsigned attached = 0;
    std::ofstream file(WindowsFile(windowsDirectory, kScenarioFileName), std::ios::binary | std::ios::trunc);
    file << "; dialog test scanner " << ++attached << "\n[Manager]\nAdapters=1\n\n[Device1]\nAdapter=0\nTarget=" << target
         << "\nModel=" << product << "\nVendor=T.S.E.\nProduct=" << product << "\nRevision=2.10\n";
}

}  // namespace ui_test
