// The platform tests' fixture: a Windows directory per test.
#include "tests/unit/platform/platform_fixture.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

void PlatformTest::SetUp() {
#if defined(_WIN32)
    const char* windowsDirectory = std::getenv("WINDIR");
    ASSERT_NE(windowsDirectory, nullptr);
    windowsDir_ = windowsDirectory;
#else
    windowsDir_ = EnterHostWindowsDirectory();
    ASSERT_FALSE(windowsDir_.empty());
#endif
}

void PlatformTest::TearDown() {
#if defined(_WIN32)
    RemoveNamedFiles();
#else
    LeaveHostWindowsDirectory(windowsDir_);
#endif
}

void PlatformTest::RemoveAfterwards(const std::string& name) {
    named_.push_back(name);
#if defined(_WIN32)
    std::error_code ignored;
    std::filesystem::remove(PathOf(name), ignored);
#endif
}

void PlatformTest::RemoveNamedFiles() {
    for (const std::string& name : named_) {
        std::error_code ignored;
        std::filesystem::remove(PathOf(name), ignored);
    }
    named_.clear();
}

void PlatformTest::WriteFileBytes(const std::string& name, const std::string& bytes) {
    named_.push_back(name);
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
