// The dialog tests' fixture on the host: a fresh Windows directory per test,
// and the scripted ASPI manager playing the scanner.
#include <cstdlib>
#include <filesystem>

#include "platform/host/host_hooks.h"
#include "tests/support/fake_aspi.h"
#include "ui_fixture.h"

namespace ui_test {

std::string PrepareWindowsDirectory() {
    std::string pattern = (std::filesystem::temp_directory_path() / "korvex-ui-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) return {};
    plat::host::SetWindowsDirectory(pattern.c_str());
    fake_aspi::Install();
    return pattern;
}

void ReleaseWindowsDirectory(const std::string& windowsDirectory) {
    plat::host::SetWindowsDirectory(nullptr);
    std::error_code ignored;
    std::filesystem::remove_all(windowsDirectory, ignored);
}

void AttachScanner(const std::string&, const char* product, int target) {
    fake_aspi::AddDevice(0, static_cast<uint8_t>(target), 6, "T.S.E.", product, "2.10");
}

}  // namespace ui_test
