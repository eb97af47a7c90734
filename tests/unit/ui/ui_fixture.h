// The fixture of the dialog tests: a source opened on a scanner model of the
// test's choice, in a Windows directory of its own, with the main dialog made
// the way enabling makes it; every dialog is then driven the way a person
// uses it, through the dialog driver and the message box hooks.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "platform/host/dialog_driver.h"

namespace ui_test {

using plat::host::DialogDriver;

// Scanner models by generation.
constexpr const char* kGeneration0 = "ZR-DX73";     // letter width, duplex
constexpr const char* kGeneration0PaperClass0 = "ZR-DX83";  // B4 width, duplex
constexpr const char* kGeneration1 = "ZR-DX73PX";   // letter width, duplex
constexpr const char* kGeneration8 = "ZR-DX961s";   // A3 width, duplex, imprinter
constexpr const char* kGeneration8Plain = "ZR-DX961";  // without the imprinter

class DialogTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Opens the source on a scanner with this product identification at
    // `target`; `settings` is written to the settings file first. False when
    // the source did not open.
    bool OpenSource(const char* product, const std::string& settings = "", int target = 0);
    // Closes the source and starts from a fresh Windows directory, for the
    // next row of a table run inside one test.
    void StartAgain() {
        TearDown();
        SetUp();
    }
    // Makes the main dialog as enabling does, shown.
    DialogDriver OpenMainDialog();

    // The value of a key of the settings file.
    static std::string FileValue(const char* section, const char* key);
    // The texts of the message boxes shown since the last call.
    static std::vector<std::string> Messages();
    std::string windowsDirectory_;
};

// Answers the next modal dialog from `templateName` with `handler`.
void Expect(const std::string& templateName, std::function<void(DialogDriver)> handler);

// The platform's side of the fixture (ui_fixture_host.cpp, ui_fixture_win32.cpp):
// an empty Windows directory for the source ("" when there is none), the
// directory given back after the test, and a scanner of this product
// identification at `target` on adapter 0 for the next open.
std::string PrepareWindowsDirectory();
void ReleaseWindowsDirectory(const std::string& windowsDirectory);
void AttachScanner(const std::string& windowsDirectory, const char* product, int target);

}  // namespace ui_test
