// The application window and its message loop (app_window.h).
#include "platform/win32/app_window.h"

#include <windows.h>

namespace plat::win32 {
namespace {

constexpr const char* kWindowClass = "KorvexApplicationWindow";

bool RegisterWindowClass() {
    static bool registered = false;
    if (registered) return true;
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = DefWindowProcA;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    windowClass.lpszClassName = kWindowClass;
    registered = RegisterClassA(&windowClass) != 0;
    return registered;
}

struct CaptionSearch {
    const char* caption;
    HWND found;
};

BOOL CALLBACK MatchCaption(HWND window, LPARAM context) {
    auto* search = reinterpret_cast<CaptionSearch*>(context);
    char className[16];
    char text[256];
    if (IsWindowVisible(window) && GetClassNameA(window, className, sizeof className) > 0 &&
        lstrcmpA(className, "#32770") == 0 && GetWindowTextA(window, text, sizeof text) >= 0 &&
        (search->caption == nullptr || lstrcmpA(text, search->caption) == 0)) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

void Deliver(MSG& message, MessageFilter filter, void* context) {
    if (filter != nullptr && filter(&message, context)) return;
    TranslateMessage(&message);
    DispatchMessageA(&message);
}

}  // namespace

WindowHandle CreateApplicationWindow(const char* title) {
    if (!RegisterWindowClass()) return nullptr;
    HWND window = CreateWindowExA(0, kWindowClass, title != nullptr ? title : "", WS_OVERLAPPEDWINDOW,
                                  CW_USEDEFAULT, CW_USEDEFAULT, 640, 480, nullptr, nullptr,
                                  GetModuleHandleA(nullptr), nullptr);
    if (window != nullptr) {
        ShowWindow(window, SW_SHOW);
        UpdateWindow(window);
    }
    return window;
}

void DestroyApplicationWindow(WindowHandle window) {
    if (window != nullptr) DestroyWindow(static_cast<HWND>(window));
}

bool PumpApplicationMessage(uint32_t timeoutMs, MessageFilter filter, void* context) {
    MSG message;
    if (!PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (MsgWaitForMultipleObjects(0, nullptr, FALSE, timeoutMs, QS_ALLINPUT) != WAIT_OBJECT_0) {
            return false;
        }
        if (!PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) return false;
    }
    if (message.message == WM_QUIT) return false;
    Deliver(message, filter, context);
    return true;
}

void PumpPendingMessages(MessageFilter filter, void* context) {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) return;
        Deliver(message, filter, context);
    }
}

WindowHandle FindThreadDialog(const char* caption) {
    CaptionSearch search{caption, nullptr};
    EnumThreadWindows(GetCurrentThreadId(), MatchCaption, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

}  // namespace plat::win32
