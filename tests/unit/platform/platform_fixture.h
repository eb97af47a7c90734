// A fixture for the platform tests: a Windows directory of the test's own. On
// Linux it is a fresh, empty directory per test, removed afterwards, with every
// host hook reset; on Windows it is the Windows directory itself (the Wine
// prefix's, fresh for each test session), and the files a test names are
// removed before and after it.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#if !defined(_WIN32)
// The host's side (platform_fixture_host.cpp): every hook reset and a fresh
// directory made the Windows directory, empty when none could be made; then
// the hooks reset again and the directory removed.
std::string EnterHostWindowsDirectory();
void LeaveHostWindowsDirectory(const std::string& directory);
#endif

class PlatformTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Path of a file in the test's Windows directory.
    std::string PathOf(const std::string& name) const { return windowsDir_ + "/" + name; }
    void WriteFileBytes(const std::string& name, const std::string& bytes);
    std::string ReadFileBytes(const std::string& name) const;
    bool FileExists(const std::string& name) const;
    const std::string& WindowsDir() const { return windowsDir_; }
    // A file the test makes otherwise than with WriteFileBytes, removed with
    // the test's other files.
    void RemoveAfterwards(const std::string& name);

private:
    void RemoveNamedFiles();

    std::string windowsDir_;
    std::vector<std::string> named_;
};
