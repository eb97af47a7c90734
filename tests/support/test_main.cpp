// The main of every unit test executable: each test starts from the state of a
// freshly loaded source, with the host hooks at rest, in a Windows directory
// of its own process so no test touches the user's settings.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "platform/host/host_hooks.h"
#include "tests/support/fake_aspi.h"
#include "twain/source_state.h"

namespace {

class LoadStateReset : public ::testing::EmptyTestEventListener {
    // A scripted ASPI manager with one scanner stands in for WNASPI32.DLL, so
    // that opening the source finds a device; tests may script their own.
    void OnTestStart(const ::testing::TestInfo&) override {
        plat::host::ResetHostHooks();
        RestoreLoadState();
        fake_aspi::InstallWithDefaultScanner();
    }
};

// A fresh, empty Windows directory for this test process, removed at exit.
std::filesystem::path SandboxWindowsDirectory() {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "korvex-unit-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) return {};
    setenv("KORVEX_WINDIR", pattern.c_str(), 1);
    return pattern;
}

}  // namespace

int main(int argc, char** argv) {
    const std::filesystem::path windowsDirectory = SandboxWindowsDirectory();
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::UnitTest::GetInstance()->listeners().Append(new LoadStateReset);
    const int result = RUN_ALL_TESTS();
    std::error_code ignored;
    if (!windowsDirectory.empty()) std::filesystem::remove_all(windowsDirectory, ignored);
    return result;
}
