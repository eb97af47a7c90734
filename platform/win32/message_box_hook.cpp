// The thread-local CBT hook that answers message boxes (message_box_hook.h).
// A message box is a dialog of class "#32770" whose text is the static control
// 0xFFFF, made by user32. The box is activated before its dialog procedure has filled in the
// text and hidden the buttons it does not use, so the hook only notes it and
// starts a thread timer; the box's own message loop then runs the timer, which
// reads the box and posts the click of the chosen button, so that the box ends
// as if a person had pressed it.
#include "platform/win32/message_box_hook.h"
#include "platform/win32/creation_notes.h"

#include <windows.h>

#include <cstring>

namespace plat::win32 {
namespace {

constexpr int kMessageBoxTextId = 0xFFFF;

struct HookState {
    HHOOK hook = nullptr;
    HWND createdBox = nullptr;  // the message box created last, until it is activated
    HWND pendingBox = nullptr;
    MessageBoxAnswerer answerer = nullptr;
    void* context = nullptr;
};
thread_local HookState State;

// A message box is made by user32 from its own template: a "#32770" window
// created for no module or for user32, unlike the dialogs of a module's
// resources, which may have a static control 0xFFFF as well.
bool IsMessageBoxBeingCreated(HWND window, const CREATESTRUCTA& create) {
    char className[16];
    if (GetClassNameA(window, className, sizeof className) == 0) return false;
    if (std::strcmp(className, "#32770") != 0 || (create.style & WS_CHILD) != 0) return false;
    return create.hInstance == nullptr || create.hInstance == GetModuleHandleA("user32.dll");
}

bool HasButton(HWND box, int id) {
    HWND button = GetDlgItem(box, id);
    return button != nullptr && IsWindowVisible(button);
}

// Button rows of the MB_OK ... MB_RETRYCANCEL styles, by the ids they show.
uint32_t ButtonStyle(HWND box) {
    if (HasButton(box, IDABORT)) return MB_ABORTRETRYIGNORE;
    if (HasButton(box, IDYES)) return HasButton(box, IDCANCEL) ? MB_YESNOCANCEL : MB_YESNO;
    if (HasButton(box, IDRETRY)) return MB_RETRYCANCEL;
    if (HasButton(box, IDCANCEL)) return MB_OKCANCEL;
    return MB_OK;
}

// The icon by the shared system icon the box shows.
uint32_t IconStyle(HWND box) {
    struct IconRow {
        LPCSTR icon;
        uint32_t style;
    };
    // icon, style
    static const IconRow kIcons[] = {
        {IDI_HAND, MB_ICONHAND},
        {IDI_QUESTION, MB_ICONQUESTION},
        {IDI_EXCLAMATION, MB_ICONEXCLAMATION},
        {IDI_ASTERISK, MB_ICONASTERISK},
    };
    HWND child = GetWindow(box, GW_CHILD);
    for (; child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
        const LRESULT shown = SendMessageA(child, STM_GETICON, 0, 0);
        if (shown == 0) continue;
        for (const IconRow& row : kIcons) {
            if (reinterpret_cast<HICON>(shown) == LoadIconA(nullptr, row.icon)) return row.style;
        }
    }
    return 0;
}

// The button Enter presses: the box's default one, else the first of its row.
int DefaultButton(HWND box) {
    const LRESULT defaultId = SendMessageA(box, DM_GETDEFID, 0, 0);
    if (HIWORD(defaultId) == DC_HASDEFID && HasButton(box, LOWORD(defaultId))) return LOWORD(defaultId);
    switch (ButtonStyle(box)) {
        case MB_ABORTRETRYIGNORE: return IDABORT;
        case MB_YESNO:
        case MB_YESNOCANCEL: return IDYES;
        case MB_RETRYCANCEL: return IDRETRY;
        default: return IDOK;
    }
}

void ReadBox(HWND box, SeenMessageBox& seen) {
    std::memset(&seen, 0, sizeof seen);
    GetDlgItemTextA(box, kMessageBoxTextId, seen.text, sizeof seen.text);
    GetWindowTextA(box, seen.caption, sizeof seen.caption);
    // A box this module's ShowMessageBox shows has its style noted; another
    // module's (the source's, seen by an application) is read back.
    if (MessageBoxBeingShown(&seen.style)) return;
    seen.style = ButtonStyle(box) | IconStyle(box);
    if ((GetWindowLongA(box, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0) seen.style |= MB_SYSTEMMODAL;
}

void CALLBACK AnswerPendingBox(HWND, UINT, UINT_PTR timer, DWORD) {
    KillTimer(nullptr, timer);
    HWND box = State.pendingBox;
    State.pendingBox = nullptr;
    if (box == nullptr || !IsWindow(box) || State.answerer == nullptr) return;
    SeenMessageBox seen;
    ReadBox(box, seen);
    int button = State.answerer(seen, State.context);
    if (button == 0) button = DefaultButton(box);
    PostMessageA(box, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(box, button)));
}

LRESULT CALLBACK CbtProc(int code, WPARAM wParam, LPARAM lParam) {
    HWND window = reinterpret_cast<HWND>(wParam);
    if (code == HCBT_CREATEWND) {
        if (IsMessageBoxBeingCreated(window, *reinterpret_cast<const CBT_CREATEWNDA*>(lParam)->lpcs)) {
            State.createdBox = window;
        }
    } else if (code == HCBT_ACTIVATE && window == State.createdBox && State.answerer != nullptr) {
        State.createdBox = nullptr;
        State.pendingBox = window;
        SetTimer(nullptr, 0, 1, &AnswerPendingBox);
    }
    return CallNextHookEx(State.hook, code, wParam, lParam);
}

}  // namespace

bool AnswerMessageBoxes(MessageBoxAnswerer answerer, void* context) {
    State.answerer = answerer;
    State.context = context;
    if (State.hook == nullptr) {
        State.hook = SetWindowsHookExA(WH_CBT, CbtProc, nullptr, GetCurrentThreadId());
    }
    return State.hook != nullptr;
}

void StopAnsweringMessageBoxes() {
    if (State.hook != nullptr) UnhookWindowsHookEx(State.hook);
    State = HookState{};
}

}  // namespace plat::win32
