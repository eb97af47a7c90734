// What the dialog tests share: a recording procedure that stands in for the
// source's own, the notifications it saw, and a fixture that opens dialogs
// through the platform interface with the dialog driver reset around each test.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "platform/dialogs.h"
#include "platform/host/dialog_driver.h"

namespace dialog_test {

using plat::WindowHandle;
using plat::host::DialogDriver;

struct Seen {
    uint32_t message;
    int id;
    uint32_t code;
    intptr_t lParam;
};

inline std::vector<Seen> seen;
inline std::function<intptr_t(WindowHandle, uint32_t, uintptr_t, intptr_t)> react;
inline bool answerInit = true;

inline intptr_t PLAT_CALLBACK RecordingProc(WindowHandle dialog, uint32_t message, uintptr_t wParam, intptr_t lParam) {
    if (message == plat::WM_INITDIALOG || message == plat::WM_COMMAND || message == plat::WM_HSCROLL ||
        message == plat::WM_CLOSE)
        seen.push_back({message, static_cast<int>(wParam & 0xFFFF), static_cast<uint32_t>(wParam >> 16), lParam});
    if (react) {
        const intptr_t answer = react(dialog, message, wParam, lParam);
        if (answer != 0) return answer;
    }
    return message == plat::WM_INITDIALOG ? (answerInit ? 1 : 0) : 0;
}

// The notifications seen since the last call, as "id:code" texts.
inline std::vector<std::string> Commands() {
    std::vector<std::string> out;
    for (const Seen& s : seen)
        if (s.message == plat::WM_COMMAND) out.push_back(std::to_string(s.id) + ":" + std::to_string(s.code));
    seen.clear();
    return out;
}

class HostDialogs : public ::testing::Test {
protected:
    void SetUp() override {
        plat::host::ResetDialogDriver();
        seen.clear();
        react = nullptr;
        answerInit = true;
    }
    void TearDown() override { plat::host::ResetDialogDriver(); }

    DialogDriver Open(const char* name, intptr_t param = 0) {
        WindowHandle dialog = plat::CreateModelessDialog(name, nullptr, RecordingProc, param);
        EXPECT_NE(dialog, nullptr) << name;
        return DialogDriver(dialog);
    }
};

}  // namespace dialog_test
