// The main of every unit test executable of the Windows build: each test starts
// from the state of a freshly loaded source; the settings file and the virtual
// scanner's scenario are removed from the Windows directory (the Wine prefix's,
// fresh for each test session) before and after the run; the dialog driver
// answers every message box (with its default button unless a test answers)
// and modal dialog, so that no test waits for a click.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/host/dialog_driver.h"
#include "twain/source_state.h"

namespace {

class LoadStateReset : public ::testing::EmptyTestEventListener {
    void OnTestStart(const ::testing::TestInfo&) override {
        plat::host::ResetDialogDriver();
        RestoreLoadState();
    }
};

void RemoveWindowsDirectoryFiles() {
    const char* windowsDirectory = std::getenv("WINDIR");
    if (windowsDirectory == nullptr) return;
    for (const char* name : {"KORVEX32.INI", "vscanner.ini"}) {
        std::remove((std::string(windowsDirectory) + "\\" + name).c_str());
    }
}

}  // namespace

int main(int argc, char** argv) {
    RemoveWindowsDirectoryFiles();
    plat::host::ResetDialogDriver();
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::UnitTest::GetInstance()->listeners().Append(new LoadStateReset);
    const int result = RUN_ALL_TESTS();
    plat::host::ResetDialogDriver();
    RemoveWindowsDirectoryFiles();
    return result;
}
