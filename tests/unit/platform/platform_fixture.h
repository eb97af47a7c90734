// A fixture for the platform tests: every hook reset and a fresh, empty
// Windows directory per test, removed afterwards.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "platform/host/host_hooks.h"

class PlatformTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Path of a file in the test's Windows directory.
    std::string PathOf(const std::string& name) const { return windowsDir_ + "/" + name; }
    void WriteFileBytes(const std::string& name, const std::string& bytes) const;
    std::string ReadFileBytes(const std::string& name) const;
    bool FileExists(const std::string& name) const;
    const std::string& WindowsDir() const { return windowsDir_; }

private:
    std::string windowsDir_;
};
