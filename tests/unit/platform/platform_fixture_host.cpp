// The host side of the platform tests' fixture: the sandboxed Windows
// directory of each test, set through the host backend's hook.
#include <cstdlib>
#include <filesystem>

#include "platform/host/host_hooks.h"
#include "tests/unit/platform/platform_fixture.h"

std::string EnterHostWindowsDirectory() {
    plat::host::ResetHostHooks();
    std::string pattern = (std::filesystem::temp_directory_path() / "korvex-platform-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) return {};
    plat::host::SetWindowsDirectory(pattern.c_str());
    return pattern;
}

void LeaveHostWindowsDirectory(const std::string& directory) {
    plat::host::ResetHostHooks();
    std::error_code ignored;
    std::filesystem::remove_all(directory, ignored);
}
