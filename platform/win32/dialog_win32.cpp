// The Win32 dialog services: a thin pass-through to user32 and gdi32. Dialogs
// come from the resources of the module set with SetResourceModule. The
// procedures have the Windows shape and calling convention, so they are handed
// to user32 as they are. platform/dialogs.h comes before <windows.h>, whose
// macros would otherwise replace the names of its constants.
#include "platform/dialogs.h"
#include "platform/win32/creation_notes.h"

#include <windows.h>

#include <vector>

namespace plat {
namespace {

thread_local win32::DialogCreation Creation = {nullptr, false};

// Notes the template for the length of one creation call.
class CreationNote {
public:
    CreationNote(const char* templateName, bool modal) : saved_(Creation) { Creation = {templateName, modal}; }
    ~CreationNote() { Creation = saved_; }
    CreationNote(const CreationNote&) = delete;
    CreationNote& operator=(const CreationNote&) = delete;

private:
    win32::DialogCreation saved_;
};

HINSTANCE Instance() { return static_cast<HINSTANCE>(ResourceModule()); }
HWND Window(WindowHandle window) { return static_cast<HWND>(window); }
DLGPROC AsDlgProc(DialogProc proc) { return reinterpret_cast<DLGPROC>(proc); }

LRESULT SendItem(WindowHandle dialog, int itemId, UINT message, WPARAM wParam, LPARAM lParam) {
    return SendDlgItemMessageA(Window(dialog), itemId, message, wParam, lParam);
}

// CB_GETLBTEXT and LB_GETTEXT write the whole item whatever the buffer: read
// the length first and copy at most what fits.
uint32_t ReadListText(WindowHandle dialog, int itemId, int index, char* buffer, uint32_t bufferSize,
                      UINT lengthMessage, UINT textMessage) {
    if (buffer == nullptr || bufferSize == 0) return 0;
    buffer[0] = '\0';
    const LRESULT length = SendItem(dialog, itemId, lengthMessage, static_cast<WPARAM>(index), 0);
    if (length < 0) return 0;
    std::vector<char> text(static_cast<size_t>(length) + 1, '\0');
    if (SendItem(dialog, itemId, textMessage, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.data())) < 0)
        return 0;
    uint32_t copied = 0;
    while (copied + 1 < bufferSize && text[copied] != '\0') {
        buffer[copied] = text[copied];
        ++copied;
    }
    buffer[copied] = '\0';
    return copied;
}

}  // namespace

const win32::DialogCreation& win32::DialogBeingCreated() { return Creation; }

WindowHandle CreateModelessDialog(const char* templateName, WindowHandle owner, DialogProc proc,
                                  intptr_t initParam) {
    if (proc == nullptr) return nullptr;
    const CreationNote note(templateName, false);
    return CreateDialogParamA(Instance(), templateName, Window(owner), AsDlgProc(proc), initParam);
}

intptr_t RunModalDialog(const char* templateName, WindowHandle owner, DialogProc proc, intptr_t initParam) {
    if (proc == nullptr) return -1;
    const CreationNote note(templateName, true);
    return DialogBoxParamA(Instance(), templateName, Window(owner), AsDlgProc(proc), initParam);
}

void EndModalDialog(WindowHandle dialog, intptr_t result) { EndDialog(Window(dialog), result); }

void DestroyDialog(WindowHandle dialog) {
    if (dialog != nullptr) DestroyWindow(Window(dialog));
}

void ShowDialog(WindowHandle dialog, bool visible) { ShowWindow(Window(dialog), visible ? SW_SHOW : SW_HIDE); }

bool IsDialogVisible(WindowHandle dialog) { return dialog != nullptr && IsWindowVisible(Window(dialog)) != FALSE; }

intptr_t SendDialogMessage(WindowHandle window, uint32_t message, uintptr_t wParam, intptr_t lParam) {
    return SendMessageA(Window(window), message, wParam, lParam);
}

WindowHandle GetItem(WindowHandle dialog, int itemId) { return GetDlgItem(Window(dialog), itemId); }

int GetItemId(WindowHandle control) { return control != nullptr ? GetDlgCtrlID(Window(control)) : 0; }

void SetDialogCaption(WindowHandle dialog, const char* text) { SetWindowTextA(Window(dialog), text); }

void SetItemText(WindowHandle dialog, int itemId, const char* text) { SetDlgItemTextA(Window(dialog), itemId, text); }

uint32_t GetItemText(WindowHandle dialog, int itemId, char* buffer, uint32_t bufferSize) {
    if (buffer == nullptr || bufferSize == 0) return 0;
    buffer[0] = '\0';
    return GetDlgItemTextA(Window(dialog), itemId, buffer, static_cast<int>(bufferSize));
}

void SetItemInt(WindowHandle dialog, int itemId, uint32_t value, bool isSigned) {
    SetDlgItemInt(Window(dialog), itemId, value, isSigned ? TRUE : FALSE);
}

uint32_t GetItemInt(WindowHandle dialog, int itemId, bool* translated, bool isSigned) {
    BOOL ok = FALSE;
    const UINT value = GetDlgItemInt(Window(dialog), itemId, &ok, isSigned ? TRUE : FALSE);
    if (translated != nullptr) *translated = ok != FALSE;
    return value;
}

void SetItemCheck(WindowHandle dialog, int itemId, uint32_t state) { CheckDlgButton(Window(dialog), itemId, state); }

uint32_t GetItemCheck(WindowHandle dialog, int itemId) { return IsDlgButtonChecked(Window(dialog), itemId); }

void EnableItem(WindowHandle dialog, int itemId, bool enabled) {
    HWND item = GetDlgItem(Window(dialog), itemId);
    if (item != nullptr) EnableWindow(item, enabled ? TRUE : FALSE);
}

bool IsItemEnabled(WindowHandle dialog, int itemId) {
    HWND item = GetDlgItem(Window(dialog), itemId);
    return item != nullptr && IsWindowEnabled(item) != FALSE;
}

void ShowItem(WindowHandle dialog, int itemId, bool visible) {
    HWND item = GetDlgItem(Window(dialog), itemId);
    if (item != nullptr) ShowWindow(item, visible ? SW_SHOW : SW_HIDE);
}

void SetItemTextLimit(WindowHandle dialog, int itemId, uint32_t limit) { SendItem(dialog, itemId, EM_LIMITTEXT, limit, 0); }

void SetItemFocus(WindowHandle dialog, int itemId) {
    HWND item = GetDlgItem(Window(dialog), itemId);
    if (item != nullptr) SetFocus(item);
}

int GetFocusItem(WindowHandle dialog) {
    HWND focus = GetFocus();
    if (focus == nullptr || IsChild(Window(dialog), focus) == FALSE) return 0;
    return GetDlgCtrlID(focus);
}

void SelectAllItemText(WindowHandle dialog, int itemId) { SendItem(dialog, itemId, EM_SETSEL, 0, -1); }

void ComboReset(WindowHandle dialog, int itemId) { SendItem(dialog, itemId, CB_RESETCONTENT, 0, 0); }

int ComboAddString(WindowHandle dialog, int itemId, const char* text) {
    return static_cast<int>(SendItem(dialog, itemId, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text)));
}

int ComboCount(WindowHandle dialog, int itemId) { return static_cast<int>(SendItem(dialog, itemId, CB_GETCOUNT, 0, 0)); }

int ComboSelectPrefix(WindowHandle dialog, int itemId, int startAfter, const char* prefix) {
    return static_cast<int>(SendItem(dialog, itemId, CB_SELECTSTRING, static_cast<WPARAM>(startAfter),
                                     reinterpret_cast<LPARAM>(prefix)));
}

int ComboSetSelection(WindowHandle dialog, int itemId, int index) {
    return static_cast<int>(SendItem(dialog, itemId, CB_SETCURSEL, static_cast<WPARAM>(index), 0));
}

int ComboGetSelection(WindowHandle dialog, int itemId) { return static_cast<int>(SendItem(dialog, itemId, CB_GETCURSEL, 0, 0)); }

uint32_t ComboGetItemText(WindowHandle dialog, int itemId, int index, char* buffer, uint32_t bufferSize) {
    return ReadListText(dialog, itemId, index, buffer, bufferSize, CB_GETLBTEXTLEN, CB_GETLBTEXT);
}

void ListReset(WindowHandle dialog, int itemId) { SendItem(dialog, itemId, LB_RESETCONTENT, 0, 0); }

int ListAddString(WindowHandle dialog, int itemId, const char* text) {
    return static_cast<int>(SendItem(dialog, itemId, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text)));
}

int ListCount(WindowHandle dialog, int itemId) { return static_cast<int>(SendItem(dialog, itemId, LB_GETCOUNT, 0, 0)); }

int ListDeleteString(WindowHandle dialog, int itemId, int index) {
    return static_cast<int>(SendItem(dialog, itemId, LB_DELETESTRING, static_cast<WPARAM>(index), 0));
}

bool ListSetItemData(WindowHandle dialog, int itemId, int index, intptr_t data) {
    return SendItem(dialog, itemId, LB_SETITEMDATA, static_cast<WPARAM>(index), data) != LB_ERR;
}

intptr_t ListGetItemData(WindowHandle dialog, int itemId, int index) {
    return SendItem(dialog, itemId, LB_GETITEMDATA, static_cast<WPARAM>(index), 0);
}

int ListSetSelection(WindowHandle dialog, int itemId, int index) {
    return static_cast<int>(SendItem(dialog, itemId, LB_SETCURSEL, static_cast<WPARAM>(index), 0));
}

int ListGetSelection(WindowHandle dialog, int itemId) { return static_cast<int>(SendItem(dialog, itemId, LB_GETCURSEL, 0, 0)); }

uint32_t ListGetItemText(WindowHandle dialog, int itemId, int index, char* buffer, uint32_t bufferSize) {
    return ReadListText(dialog, itemId, index, buffer, bufferSize, LB_GETTEXTLEN, LB_GETTEXT);
}

void ScrollSetRange(WindowHandle dialog, int itemId, int minimum, int maximum) {
    HWND item = GetDlgItem(Window(dialog), itemId);
    if (item != nullptr) SetScrollRange(item, SB_CTL, minimum, maximum, TRUE);
}

void ScrollSetPosition(WindowHandle dialog, int itemId, int position) {
    HWND item = GetDlgItem(Window(dialog), itemId);
    if (item != nullptr) SetScrollPos(item, SB_CTL, position, TRUE);
}

int ScrollGetPosition(WindowHandle dialog, int itemId) {
    HWND item = GetDlgItem(Window(dialog), itemId);
    return item != nullptr ? GetScrollPos(item, SB_CTL) : 0;
}

bool OfferDialogMessage(WindowHandle dialog, void* nativeMessage) {
    if (dialog == nullptr || nativeMessage == nullptr) return false;
    return IsDialogMessageA(Window(dialog), static_cast<MSG*>(nativeMessage)) != FALSE;
}

bool PumpOneMessage(WindowHandle window) {
    MSG message;
    if (PeekMessageA(&message, Window(window), 0, 0, PM_REMOVE) == FALSE) return false;
    TranslateMessage(&message);
    DispatchMessageA(&message);
    return true;
}

bool DropOneMessage(WindowHandle window) {
    MSG message;
    return PeekMessageA(&message, Window(window), 0, 0, PM_REMOVE) != FALSE;
}

void FillItemRect(WindowHandle dialog, int itemId, int left, int top, int right, int bottom, uint32_t colour) {
    HWND item = GetDlgItem(Window(dialog), itemId);
    if (item == nullptr) return;
    HDC dc = GetDC(item);
    if (dc == nullptr) return;
    HBRUSH brush = CreateSolidBrush(colour);
    if (brush != nullptr) {
        const RECT area = {left, top, right, bottom};
        FillRect(dc, &area, brush);
        DeleteObject(brush);
    }
    ReleaseDC(item, dc);
}

bool GetItemClientSize(WindowHandle dialog, int itemId, int* width, int* height) {
    HWND item = GetDlgItem(Window(dialog), itemId);
    RECT area;
    if (item == nullptr || width == nullptr || height == nullptr || GetClientRect(item, &area) == FALSE) return false;
    *width = area.right - area.left;
    *height = area.bottom - area.top;
    return true;
}

}  // namespace plat
