// Message boxes and debugger output on Linux. Nothing is drawn: each message
// box is recorded and answered by the test's handler, else by the program's
// KorvexHostMessageBox, else as if the user pressed the default button.
// Debugger output is dropped unless a listener is set.
#include <dlfcn.h>

#include <cstring>

#include "platform/host/host_internal.h"

namespace plat {

namespace {

using ProgramMessageBox = int (*)(void*, const char*, const char*, uint32_t);

struct MessageHooks {
    host::MessageBoxHandler handler;
    host::DebugOutputListener debugListener;
    uint32_t shown;  // message boxes since the last clear
    host::RecordedMessageBox recorded[host::kMaxRecordedMessageBoxes];
};

MessageHooks Hooks;

// The main program's KorvexHostMessageBox, looked up once.
bool ProgramHandlerLooked = false;
ProgramMessageBox ProgramHandler = nullptr;

ProgramMessageBox FindProgramHandler() {
    if (!ProgramHandlerLooked) {
        ProgramHandlerLooked = true;
        void* symbol = dlsym(RTLD_DEFAULT, "KorvexHostMessageBox");
        if (symbol != nullptr) std::memcpy(&ProgramHandler, &symbol, sizeof symbol);
    }
    return ProgramHandler;
}

void CopyTruncated(char* dst, size_t size, const char* src) {
    if (src == nullptr) src = "";
    size_t length = std::strlen(src);
    if (length >= size) length = size - 1;
    std::memcpy(dst, src, length);
    dst[length] = '\0';
}

// The answer of pressing Enter: the first button of the box.
int DefaultButton(uint32_t style) {
    constexpr uint32_t kButtonMask = 0x0000000F;
    constexpr uint32_t kAbortRetryIgnore = 2;
    constexpr uint32_t kYesNoCancel = 3;
    constexpr uint32_t kRetryCancel = 5;
    constexpr int kIdAbort = 3;
    constexpr int kIdRetry = 4;
    switch (style & kButtonMask) {
        case kAbortRetryIgnore: return kIdAbort;
        case kYesNoCancel:
        case MB_YESNO: return IDYES;
        case kRetryCancel: return kIdRetry;
        default: return IDOK;
    }
}

}  // namespace

int ShowMessageBox(WindowHandle owner, const char* text, const char* caption, uint32_t style) {
    int answer;
    if (Hooks.handler != nullptr) {
        answer = Hooks.handler(owner, text != nullptr ? text : "", caption != nullptr ? caption : "",
                               style);
    } else if (ProgramMessageBox program = FindProgramHandler(); program != nullptr) {
        answer = program(owner, text != nullptr ? text : "", caption != nullptr ? caption : "",
                         style);
    } else {
        answer = DefaultButton(style);
    }
    if (Hooks.shown < host::kMaxRecordedMessageBoxes) {
        host::RecordedMessageBox& record = Hooks.recorded[Hooks.shown];
        record.owner = owner;
        CopyTruncated(record.text, sizeof record.text, text);
        CopyTruncated(record.caption, sizeof record.caption, caption);
        record.style = style;
        record.answer = answer;
    }
    if (Hooks.shown < UINT32_MAX) ++Hooks.shown;
    return answer;
}

void DebugOutput(const char* text) {
    if (Hooks.debugListener != nullptr && text != nullptr) Hooks.debugListener(text);
}

namespace host {

void SetMessageBoxHandler(MessageBoxHandler handler) { Hooks.handler = handler; }

uint32_t MessageBoxCount() { return Hooks.shown; }

const RecordedMessageBox* RecordedMessageBoxAt(uint32_t index) {
    if (index >= Hooks.shown || index >= kMaxRecordedMessageBoxes) return nullptr;
    return &Hooks.recorded[index];
}

void ClearRecordedMessageBoxes() { Hooks.shown = 0; }

void SetDebugOutputListener(DebugOutputListener listener) { Hooks.debugListener = listener; }

void ResetMessageHooks() {
    Hooks.handler = nullptr;
    Hooks.debugListener = nullptr;
    Hooks.shown = 0;
}

}  // namespace host

}  // namespace plat
