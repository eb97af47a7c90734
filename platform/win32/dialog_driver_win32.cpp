// The dialog driver over real user32 dialogs (platform/host/dialog_driver.h):
// the same actions and state queries as over the host's window model, given as
// a person gives them on Windows: clicks through BM_CLICK, keys through the
// dialog manager (IsDialogMessage), typing as WM_CHAR after the field takes the
// focus, list and drop-down items chosen with the mouse; then what is queued
// for the dialog is delivered. Thread-local hooks
// note each dialog as it is created (with its template, from the backend's
// creation note), run the handlers of modal dialogs inside their own message
// loop (from a thread timer, once the dialog is active), keep the message log
// and answer message boxes. What Windows does not record (painted rectangles,
// the controls' templates) answers empty.
#include "platform/host/dialog_driver.h"

#include <windows.h>

#include <deque>
#include <string>
#include <utility>
#include <vector>

#include "platform/win32/creation_notes.h"
#include "platform/win32/message_box_hook.h"

namespace plat::host {
namespace {

struct NotedDialog {
    HWND window;
    std::string templateName;
    bool modal;
    bool handled;  // a modal dialog whose handler has run or is running
};

struct DriverState {
    HHOOK cbtHook = nullptr;
    HHOOK sentHook = nullptr;
    HHOOK takenHook = nullptr;
    std::vector<NotedDialog> dialogs;  // in creation order, until WM_NCDESTROY
    std::deque<ExpectedModal> expected;
    std::function<void(WindowHandle, const std::string&)> fallback;
    uint32_t unexpected = 0;
    uint32_t unanswered = 0;
    HWND pendingModal = nullptr;
    bool logging = false;
    std::vector<LoggedMessage> log;
    std::function<int(const ShownMessageBox&)> answerer;
    std::vector<ShownMessageBox> boxes;
};
thread_local DriverState State;

HWND Window(WindowHandle window) { return static_cast<HWND>(window); }

NotedDialog* Noted(HWND window) {
    for (NotedDialog& dialog : State.dialogs)
        if (dialog.window == window) return &dialog;
    return nullptr;
}

bool IsLogged(UINT message) {
    switch (message) {
        case WM_INITDIALOG:
        case WM_COMMAND:
        case WM_HSCROLL:
        case WM_CLOSE:
        case WM_SHOWWINDOW:
        case WM_PAINT:
        case WM_DESTROY: return true;
        // The source's private messages; the dialog manager's own DM_GETDEFID,
        // DM_SETDEFID and DM_REPOSITION are not the procedures' concern.
        default: return message > DM_REPOSITION && message < 0x8000;
    }
}

void LogMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (!State.logging || !IsLogged(message)) return;
    const NotedDialog* dialog = Noted(window);
    if (dialog == nullptr) return;
    State.log.push_back({window, dialog->templateName, message, wParam, lParam});
}

LRESULT CALLBACK SentProc(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HC_ACTION) {
        const auto* sent = reinterpret_cast<const CWPSTRUCT*>(lParam);
        LogMessage(sent->hwnd, sent->message, sent->wParam, sent->lParam);
        if (sent->message == WM_NCDESTROY) {
            std::erase_if(State.dialogs, [sent](const NotedDialog& dialog) { return dialog.window == sent->hwnd; });
        }
    }
    return CallNextHookEx(State.sentHook, code, wParam, lParam);
}

LRESULT CALLBACK TakenProc(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HC_ACTION && wParam == PM_REMOVE) {
        const auto* taken = reinterpret_cast<const MSG*>(lParam);
        LogMessage(taken->hwnd, taken->message, taken->wParam, taken->lParam);
    }
    return CallNextHookEx(State.takenHook, code, wParam, lParam);
}

// The first of the modal dialog's handlers that applies, run inside its loop.
void CALLBACK RunModalHandler(HWND, UINT, UINT_PTR timer, DWORD) {
    KillTimer(nullptr, timer);
    HWND window = State.pendingModal;
    State.pendingModal = nullptr;
    NotedDialog* noted = Noted(window);
    if (noted == nullptr || !IsWindow(window)) return;
    const std::string name = noted->templateName;
    if (!State.expected.empty() && lstrcmpiA(State.expected.front().templateName.c_str(), name.c_str()) == 0) {
        ModalHandler handler = std::move(State.expected.front().handler);
        State.expected.pop_front();
        handler(window);
    } else {
        if (!State.expected.empty()) ++State.unexpected;
        if (State.fallback) {
            State.fallback(window, name);
        } else {
            DialogDriver(window).Escape();
        }
    }
    // EndDialog hides the dialog at once; one the handler left shown is ended
    // with -1.
    if (IsWindow(window) && IsWindowVisible(window) && IsWindowEnabled(window)) {
        ++State.unanswered;
        EndDialog(window, -1);
    }
}

LRESULT CALLBACK CbtProc(int code, WPARAM wParam, LPARAM lParam) {
    HWND window = reinterpret_cast<HWND>(wParam);
    if (code == HCBT_CREATEWND) {
        const win32::DialogCreation& creation = win32::DialogBeingCreated();
        const auto* create = reinterpret_cast<const CBT_CREATEWNDA*>(lParam);
        // The dialog itself, not its controls: a window without a parent style of child.
        if (creation.templateName != nullptr && (create->lpcs->style & WS_CHILD) == 0 &&
            Noted(window) == nullptr) {
            State.dialogs.push_back({window, creation.templateName, creation.modal, false});
        }
    } else if (code == HCBT_ACTIVATE) {
        NotedDialog* noted = Noted(window);
        if (noted != nullptr && noted->modal && !noted->handled) {
            noted->handled = true;
            State.pendingModal = window;
            SetTimer(nullptr, 0, 1, &RunModalHandler);
        }
    }
    return CallNextHookEx(State.cbtHook, code, wParam, lParam);
}

int RecordAndAnswer(const win32::SeenMessageBox& box, void*) {
    const ShownMessageBox shown{box.text, box.caption, box.style};
    State.boxes.push_back(shown);
    return State.answerer ? State.answerer(shown) : 0;
}

void EnsureHooks() {
    const DWORD thread = GetCurrentThreadId();
    if (State.cbtHook == nullptr) State.cbtHook = SetWindowsHookExA(WH_CBT, CbtProc, nullptr, thread);
    if (State.sentHook == nullptr) State.sentHook = SetWindowsHookExA(WH_CALLWNDPROC, SentProc, nullptr, thread);
    if (State.takenHook == nullptr) State.takenHook = SetWindowsHookExA(WH_GETMESSAGE, TakenProc, nullptr, thread);
    win32::AnswerMessageBoxes(&RecordAndAnswer, nullptr);
}

bool HasStyle(HWND window, LONG style) { return (GetWindowLongA(window, GWL_STYLE) & style) == style; }

std::string ClassOf(HWND window) {
    char name[32] = "";
    GetClassNameA(window, name, sizeof name);
    return name;
}

bool IsCombo(HWND control) { return lstrcmpiA(ClassOf(control).c_str(), "ComboBox") == 0; }
bool IsList(HWND control) { return lstrcmpiA(ClassOf(control).c_str(), "ListBox") == 0; }

std::string WindowText(HWND window) {
    const int length = GetWindowTextLengthA(window);
    std::string text(static_cast<size_t>(length > 0 ? length : 0) + 1, '\0');
    const int copied = GetWindowTextA(window, text.data(), static_cast<int>(text.size()));
    text.resize(static_cast<size_t>(copied > 0 ? copied : 0));
    return text;
}

std::string ItemText(HWND control, int index) {
    const bool combo = IsCombo(control);
    const LRESULT length = SendMessageA(control, combo ? CB_GETLBTEXTLEN : LB_GETTEXTLEN, index, 0);
    if (length < 0) return std::string();
    std::string text(static_cast<size_t>(length) + 1, '\0');
    SendMessageA(control, combo ? CB_GETLBTEXT : LB_GETTEXT, index, reinterpret_cast<LPARAM>(text.data()));
    text.resize(static_cast<size_t>(length));
    return text;
}

// A keystroke as the dialog manager of an application's loop takes it.
void PressKey(HWND dialog, WPARAM key) {
    HWND focus = GetFocus();
    MSG message{};
    message.hwnd = focus != nullptr && IsChild(dialog, focus) ? focus : dialog;
    message.message = WM_KEYDOWN;
    message.wParam = key;
    message.lParam = 1;
    message.time = GetMessageTime();
    IsDialogMessageA(dialog, &message);
}

// A left click at a point of a window's client area.
void ClickAt(HWND window, int x, int y) {
    const LPARAM at = MAKELPARAM(x, y);
    SendMessageA(window, WM_MOUSEMOVE, 0, at);
    SendMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON, at);
    SendMessageA(window, WM_LBUTTONUP, 0, at);
}

// Delivers what is queued for a dialog and its controls, as the
// application's loop would; the thread's other messages (a source manager's
// notification among them) stay for the application's own loop.
void DeliverDialogMessages(HWND dialog) {
    MSG message;
    while (IsWindow(dialog) && PeekMessageA(&message, dialog, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

}  // namespace

// ---- The dialog ----------------------------------------------------------------------

bool DialogDriver::Finish(bool done) {
    if (done) DeliverDialogMessages(Window(dialog_));
    return done;
}

bool DialogDriver::IsOpen() const { return dialog_ != nullptr && IsWindow(Window(dialog_)) != FALSE; }

bool DialogDriver::IsVisible() const { return IsOpen() && IsWindowVisible(Window(dialog_)) != FALSE; }

std::string DialogDriver::TemplateName() const {
    const NotedDialog* noted = IsOpen() ? Noted(Window(dialog_)) : nullptr;
    return noted != nullptr ? noted->templateName : std::string();
}

std::string DialogDriver::Caption() const { return IsOpen() ? WindowText(Window(dialog_)) : std::string(); }

namespace {

// The control that takes input: it exists, is shown (its own style; the dialog
// may be hidden) and enabled, and so is its dialog.
HWND InputControl(WindowHandle dialog, int itemId) {
    if (dialog == nullptr || !IsWindow(Window(dialog)) || !IsWindowEnabled(Window(dialog))) return nullptr;
    HWND control = GetDlgItem(Window(dialog), itemId);
    if (control == nullptr || !HasStyle(control, WS_VISIBLE) || !IsWindowEnabled(control)) return nullptr;
    return control;
}

}  // namespace

bool DialogDriver::Click(int itemId) {
    HWND control = InputControl(dialog_, itemId);
    if (control == nullptr) return false;
    SendMessageA(control, BM_CLICK, 0, 0);
    return Finish(true);
}

bool DialogDriver::ChooseItem(int itemId, const std::string& text) {
    const std::vector<std::string> items = Items(itemId);
    for (size_t i = 0; i < items.size(); ++i)
        if (items[i] == text) return ChooseIndex(itemId, static_cast<int>(i));
    return false;
}

bool DialogDriver::ChooseIndex(int itemId, int index) {
    HWND control = InputControl(dialog_, itemId);
    if (control == nullptr || index < 0) return false;
    HWND list = control;
    if (IsCombo(control)) {
        if (index >= SendMessageA(control, CB_GETCOUNT, 0, 0)) return false;
        COMBOBOXINFO info{};
        info.cbSize = sizeof info;
        if (!GetComboBoxInfo(control, &info) || info.hwndList == nullptr) return false;
        if (GetFocus() != control) SetFocus(control);
        SendMessageA(control, CB_SHOWDROPDOWN, TRUE, 0);
        list = info.hwndList;
    } else if (!IsList(control) || index >= SendMessageA(control, LB_GETCOUNT, 0, 0)) {
        return false;
    }
    SendMessageA(list, LB_SETTOPINDEX, index, 0);
    RECT item{};
    if (SendMessageA(list, LB_GETITEMRECT, index, reinterpret_cast<LPARAM>(&item)) == LB_ERR) return false;
    ClickAt(list, (item.left + item.right) / 2, (item.top + item.bottom) / 2);
    return Finish(true);
}

bool DialogDriver::Type(int itemId, const std::string& text) {
    HWND control = InputControl(dialog_, itemId);
    if (control == nullptr) return false;
    if (GetFocus() != control) SetFocus(control);
    SendMessageA(control, EM_SETSEL, 0, -1);
    if (text.empty()) SendMessageA(control, WM_CHAR, VK_BACK, 1);
    for (char c : text) SendMessageA(control, WM_CHAR, static_cast<unsigned char>(c), 1);
    return Finish(true);
}

bool DialogDriver::Focus(int itemId) {
    HWND control = InputControl(dialog_, itemId);
    if (control == nullptr) return false;
    SetFocus(control);
    return Finish(true);
}

bool DialogDriver::Tab() {
    if (!IsOpen() || !IsWindowEnabled(Window(dialog_))) return false;
    PressKey(Window(dialog_), VK_TAB);
    return Finish(true);
}

bool DialogDriver::Enter() {
    if (!IsOpen() || !IsWindowEnabled(Window(dialog_))) return false;
    PressKey(Window(dialog_), VK_RETURN);
    return Finish(true);
}

bool DialogDriver::Escape() {
    if (!IsOpen() || !IsWindowEnabled(Window(dialog_))) return false;
    PressKey(Window(dialog_), VK_ESCAPE);
    return Finish(true);
}

bool DialogDriver::Close() {
    if (!IsOpen() || !IsWindowEnabled(Window(dialog_)) || !HasStyle(Window(dialog_), WS_SYSMENU)) return false;
    SendMessageA(Window(dialog_), WM_SYSCOMMAND, SC_CLOSE, 0);
    return Finish(true);
}

bool DialogDriver::Scroll(int itemId, uint32_t code) {
    HWND control = InputControl(dialog_, itemId);
    if (control == nullptr) return false;
    SendMessageA(Window(dialog_), WM_HSCROLL, MAKEWPARAM(code, 0), reinterpret_cast<LPARAM>(control));
    SendMessageA(Window(dialog_), WM_HSCROLL, MAKEWPARAM(SB_ENDSCROLL, 0), reinterpret_cast<LPARAM>(control));
    return Finish(true);
}

bool DialogDriver::DragThumb(int itemId, int position) {
    HWND control = InputControl(dialog_, itemId);
    if (control == nullptr) return false;
    const auto at = static_cast<WORD>(position);
    for (WORD code : {WORD{SB_THUMBTRACK}, WORD{SB_THUMBPOSITION}}) {
        SendMessageA(Window(dialog_), WM_HSCROLL, MAKEWPARAM(code, at), reinterpret_cast<LPARAM>(control));
    }
    SendMessageA(Window(dialog_), WM_HSCROLL, MAKEWPARAM(SB_ENDSCROLL, 0), reinterpret_cast<LPARAM>(control));
    return Finish(true);
}

bool DialogDriver::PostClick(int itemId) {
    HWND control = IsOpen() ? GetDlgItem(Window(dialog_), itemId) : nullptr;
    return control != nullptr && PostMessageA(control, BM_CLICK, 0, 0) != FALSE;
}

// Esc as the keyboard queues it: a self-pumped loop without the dialog manager
// hands it to the focused control as it is.
bool DialogDriver::PostEscape() {
    if (!IsOpen()) return false;
    HWND focus = GetFocus();
    HWND target = focus != nullptr && IsChild(Window(dialog_), focus) ? focus : Window(dialog_);
    return PostMessageA(target, WM_KEYDOWN, VK_ESCAPE, 1) != FALSE;
}

// ---- State -----------------------------------------------------------------------------

bool DialogDriver::Exists(int itemId) const { return IsOpen() && GetDlgItem(Window(dialog_), itemId) != nullptr; }

std::string DialogDriver::Text(int itemId) const {
    HWND control = IsOpen() ? GetDlgItem(Window(dialog_), itemId) : nullptr;
    if (control == nullptr) return std::string();
    if (IsCombo(control)) return SelectedText(itemId);
    return WindowText(control);
}

bool DialogDriver::Enabled(int itemId) const {
    HWND control = IsOpen() ? GetDlgItem(Window(dialog_), itemId) : nullptr;
    return control != nullptr && IsWindowEnabled(control) != FALSE;
}

bool DialogDriver::Visible(int itemId) const {
    HWND control = IsOpen() ? GetDlgItem(Window(dialog_), itemId) : nullptr;
    return control != nullptr && HasStyle(control, WS_VISIBLE);
}

bool DialogDriver::Checked(int itemId) const {
    return IsOpen() && IsDlgButtonChecked(Window(dialog_), itemId) == BST_CHECKED;
}

std::vector<std::string> DialogDriver::Items(int itemId) const {
    std::vector<std::string> items;
    HWND control = IsOpen() ? GetDlgItem(Window(dialog_), itemId) : nullptr;
    if (control == nullptr || (!IsCombo(control) && !IsList(control))) return items;
    const LRESULT count = SendMessageA(control, IsCombo(control) ? CB_GETCOUNT : LB_GETCOUNT, 0, 0);
    for (int i = 0; i < count; ++i) items.push_back(ItemText(control, i));
    return items;
}

int DialogDriver::Selection(int itemId) const {
    HWND control = IsOpen() ? GetDlgItem(Window(dialog_), itemId) : nullptr;
    if (control == nullptr) return -1;
    if (IsCombo(control)) return static_cast<int>(SendMessageA(control, CB_GETCURSEL, 0, 0));
    if (IsList(control)) return static_cast<int>(SendMessageA(control, LB_GETCURSEL, 0, 0));
    return -1;
}

std::string DialogDriver::SelectedText(int itemId) const {
    const int selection = Selection(itemId);
    if (selection < 0) return std::string();
    return ItemText(GetDlgItem(Window(dialog_), itemId), selection);
}

intptr_t DialogDriver::ItemData(int itemId, int index) const {
    HWND control = IsOpen() ? GetDlgItem(Window(dialog_), itemId) : nullptr;
    if (control == nullptr || index < 0) return -1;
    if (IsCombo(control)) return SendMessageA(control, CB_GETITEMDATA, index, 0);
    if (IsList(control)) return SendMessageA(control, LB_GETITEMDATA, index, 0);
    return -1;
}

uint32_t DialogDriver::TextLimit(int itemId) const {
    HWND control = IsOpen() ? GetDlgItem(Window(dialog_), itemId) : nullptr;
    return control != nullptr ? static_cast<uint32_t>(SendMessageA(control, EM_GETLIMITTEXT, 0, 0)) : 0;
}

int DialogDriver::FocusId() const { return IsOpen() ? GetFocusItem(dialog_) : 0; }

int DialogDriver::ScrollPosition(int itemId) const {
    HWND control = IsOpen() ? GetDlgItem(Window(dialog_), itemId) : nullptr;
    return control != nullptr ? GetScrollPos(control, SB_CTL) : 0;
}

int DialogDriver::ScrollMinimum(int itemId) const {
    HWND control = IsOpen() ? GetDlgItem(Window(dialog_), itemId) : nullptr;
    int minimum = 0, maximum = 0;
    if (control != nullptr) GetScrollRange(control, SB_CTL, &minimum, &maximum);
    return minimum;
}

int DialogDriver::ScrollMaximum(int itemId) const {
    HWND control = IsOpen() ? GetDlgItem(Window(dialog_), itemId) : nullptr;
    int minimum = 0, maximum = 0;
    if (control != nullptr) GetScrollRange(control, SB_CTL, &minimum, &maximum);
    return maximum;
}

// Windows keeps no record of what was painted.
std::vector<FilledRect> DialogDriver::Fills(int) const { return {}; }
const ControlTemplate* DialogDriver::ControlSource(int) const { return nullptr; }

// ---- The thread's dialogs and the hooks -------------------------------------------------

std::vector<DialogDriver> OpenDialogs() {
    EnsureHooks();
    std::vector<DialogDriver> open;
    for (const NotedDialog& dialog : State.dialogs)
        if (IsWindow(dialog.window)) open.emplace_back(dialog.window);
    return open;
}

DialogDriver FindOpenDialog(const std::string& templateName) {
    DialogDriver found;
    for (const DialogDriver& dialog : OpenDialogs())
        if (dialog.TemplateName() == templateName) found = dialog;
    return found;
}

void ExpectModal(const std::string& templateName, std::function<void(DialogDriver)> handler) {
    EnsureHooks();
    State.expected.push_back(
        {templateName, [handler = std::move(handler)](WindowHandle dialog) { handler(DialogDriver(dialog)); }});
}

void SetModalFallback(std::function<void(DialogDriver, const std::string&)> handler) {
    EnsureHooks();
    if (!handler) {
        State.fallback = nullptr;
        return;
    }
    State.fallback = [handler = std::move(handler)](WindowHandle dialog, const std::string& name) {
        handler(DialogDriver(dialog), name);
    };
}

uint32_t PendingExpectedModals() { return static_cast<uint32_t>(State.expected.size()); }
uint32_t UnexpectedModals() { return State.unexpected; }
uint32_t UnansweredModals() { return State.unanswered; }

void SetMessageBoxAnswerer(std::function<int(const ShownMessageBox&)> answerer) {
    EnsureHooks();
    State.answerer = std::move(answerer);
}

std::vector<ShownMessageBox> TakeMessageBoxes() {
    std::vector<ShownMessageBox> boxes;
    boxes.swap(State.boxes);
    return boxes;
}

void DeliverAllPending() {
    std::vector<HWND> windows;
    for (const NotedDialog& dialog : State.dialogs) windows.push_back(dialog.window);
    for (HWND window : windows) DeliverDialogMessages(window);
}

void StartMessageLog() {
    EnsureHooks();
    State.log.clear();
    State.logging = true;
}

std::vector<LoggedMessage> TakeMessageLog() {
    std::vector<LoggedMessage> log;
    log.swap(State.log);
    return log;
}

void ResetDialogDriver() {
    EnsureHooks();
    const std::vector<NotedDialog> dialogs = State.dialogs;
    for (auto it = dialogs.rbegin(); it != dialogs.rend(); ++it) {
        if (IsWindow(it->window)) DestroyWindow(it->window);
    }
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
    }
    State.dialogs.clear();
    State.expected.clear();
    State.fallback = nullptr;
    State.unexpected = 0;
    State.unanswered = 0;
    State.pendingModal = nullptr;
    State.logging = false;
    State.log.clear();
    State.answerer = nullptr;
    State.boxes.clear();
}

}  // namespace plat::host
