// The platform tests' fixture: a scratch Windows directory per test.
#include "tests/unit/platform/platform_fixture.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

void PlatformTest::SetUp() {
    plat::host::ResetHostHooks();
    std::string pattern = (std::filesystem::temp_directory_path() / "korvex-platform-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    windowsDir_ = pattern;
    plat::host::SetWindowsDirectory(windowsDir_.c_str());
}

void PlatformTest::TearDown() {
    plat::host::ResetHostHooks();
    std::error_code ignored;
    std::filesystem::remove_all(windowsDir_, ignored);
}

void PlatformTest::WriteFileBytes(const std::string& name, const std::string& bytes) const {
    std::ofstream out(PathOf(name), std::ios::binary);
    out << bytes;
}

std::string PlatformTest::ReadFileBytes(const std::string& name) const {
    std::ifstream in(PathOf(name), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool PlatformTest::FileExists(const std::string& name) const {
    return std::filesystem::exists(PathOf(name));
}
