// The main of every unit test executable of the Windows build: each test starts
// from the state of a freshly loaded source; the settings file and the virtual
// scanner's scenario are removed from the Windows directory (the Wine prefix's,
// fresh for each test session) before and after the run; every message box is
// answered with its default button so that no test waits for a click.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/win32/message_box_hook.h"
#include "twain/source_state.h"

namespace {

class LoadStateReset : public ::testing::EmptyTestEventListener {
    void OnTestStart(const ::testing::TestInfo&) override { RestoreLoadState(); }
};

void RemoveWindowsDirectoryFiles() {
    const char* windowsDirectory = std::getenv("WINDIR");
    if (windowsDirectory == nullptr) return;
    for (const char* name : {"KORVEX32.INI", "vscanner.ini"}) {
        std::remove((std::string(windowsDirectory) + "\\" + name).c_str());
    }
}

int PressDefault(const plat::win32::SeenMessageBox&, void*) { return 0; }

}  // namespace

int main(int argc, char** argv) {
    RemoveWindowsDirectoryFiles();
    plat::win32::AnswerMessageBoxes(&PressDefault, nullptr);
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::UnitTest::GetInstance()->listeners().Append(new LoadStateReset);
    const int result = RUN_ALL_TESTS();
    plat::win32::StopAnsweringMessageBoxes();
    RemoveWindowsDirectoryFiles();
    return result;
}
