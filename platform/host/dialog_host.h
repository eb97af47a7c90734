// The window model of the host dialog backend: each dialog built from its
// template with every control's state, the queue of pending messages, and the
// input routines that deliver the messages Windows delivers for a click, a
// keystroke, a selection or a scroll. platform/host/dialog_host.cpp implements
// the platform interface over it; the driver of tests and tools and the
// renderer read and drive it. Depends on platform/dialogs.h and the templates.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/dialogs.h"
#include "platform/host/dialog_templates.h"

namespace plat::host {

enum class ControlKind { PushButton, CheckBox, RadioButton, GroupBox, Static, Icon, Edit, ComboBox,
                         ListBox, ScrollBar, Other };

struct FilledRect {
    int left, top, right, bottom;
    uint32_t colour;  // 0x00BBGGRR
};

struct HostDialog;

struct HostControl {
    HostDialog* dialog = nullptr;
    const ControlTemplate* source = nullptr;
    ControlKind kind = ControlKind::Other;
    int id = 0;
    uint32_t style = 0;
    std::string text;
    bool enabled = true;
    bool visible = true;
    uint32_t check = 0;
    std::vector<std::string> items;  // combo and list boxes
    std::vector<intptr_t> itemData;
    int selection = -1;
    uint32_t textLimit = 30000;  // the default limit of an edit field
    int scrollMin = 0, scrollMax = 100, scrollPos = 0;
    std::vector<FilledRect> fills;  // painted rectangles, oldest first
};

struct HostDialog {
    const DialogTemplate* source = nullptr;
    DialogProc proc = nullptr;
    WindowHandle owner = nullptr;
    std::string caption;
    std::vector<std::unique_ptr<HostControl>> controls;
    bool visible = false;
    bool enabled = true;  // false while a modal dialog it owns runs
    bool modal = false;
    bool ended = false;
    intptr_t result = 0;
    HostControl* focus = nullptr;
    int defaultId = 0;  // DM_GETDEFID: the last default push button of the template
};

// One message delivered to a dialog procedure, for tests that check order.
struct LoggedMessage {
    WindowHandle dialog;
    std::string templateName;
    uint32_t message;
    uintptr_t wParam;
    intptr_t lParam;
};

// A pending message: a posted window message, or a piece of user input that
// the pump steps deliver (or drop) as one message. It is also the host's
// native message: OfferDialogMessage takes a PendingMessage* where Windows
// takes a MSG*, and delivers it when it is addressed to the dialog or one of
// its controls. The record starts with a tag so that an event an application
// made itself (a MSG, or anything else) is not taken for one.
constexpr uint32_t kPendingMessageTag = 0x4B4D5347u;  // "KMSG"

struct PendingMessage {
    PendingMessage() = default;
    PendingMessage(WindowHandle to, uint32_t msg, uintptr_t w, intptr_t l,
                   std::function<void()> userInput = {})
        : target(to), message(msg), wParam(w), lParam(l), input(std::move(userInput)) {}

    uint32_t tag = kPendingMessageTag;
    WindowHandle target = nullptr;  // a dialog or a control
    uint32_t message = 0;
    uintptr_t wParam = 0;
    intptr_t lParam = 0;
    std::function<void()> input;  // set for user input; delivers it when pumped
};

// Handle checks: null when the handle is not a live window of this kind.
HostDialog* AsDialog(WindowHandle window);
HostControl* AsControl(WindowHandle window);
HostControl* FindControl(HostDialog* dialog, int itemId);
WindowHandle HandleOf(HostDialog* dialog);
WindowHandle HandleOf(HostControl* control);
bool IsLive(HostDialog* dialog);
std::vector<HostDialog*> LiveDialogs();  // in creation order

// Message delivery with the Windows side effects (DefDlgProc's answer to
// WM_CLOSE, notifications to the parent).
intptr_t SendToDialog(HostDialog* dialog, uint32_t message, uintptr_t wParam, intptr_t lParam);
void Notify(HostControl* control, uint32_t code);
void Post(PendingMessage message);
// Delivers every pending message addressed to the dialog or its controls.
void DeliverPending(HostDialog* dialog);

// Input as a person gives it; each answers false when the input cannot be given
// (no such control, hidden, disabled, dialog ended or waiting on a modal child).
bool InputClick(HostDialog* dialog, int itemId);
bool InputFocus(HostDialog* dialog, int itemId);
bool InputTab(HostDialog* dialog);
bool InputType(HostDialog* dialog, int itemId, const std::string& text);
bool InputChooseCombo(HostDialog* dialog, int itemId, int index);
bool InputChooseList(HostDialog* dialog, int itemId, int index);
bool InputScroll(HostDialog* dialog, int itemId, uint32_t code, int position);
bool InputEnter(HostDialog* dialog);
bool InputEscape(HostDialog* dialog);
bool InputClose(HostDialog* dialog);
// The repaint that follows user input on Windows: WM_PAINT to a visible dialog.
void RepaintAfterInput(HostDialog* dialog);

// Modal dialogs: a handler drives each one as it opens (first the queue of
// expected dialogs, then the fallback); a dialog a handler leaves open is ended
// with -1 and counted. Without any handler the host presses Esc.
using ModalHandler = std::function<void(WindowHandle dialog)>;
struct ExpectedModal {
    std::string templateName;
    ModalHandler handler;
};
std::deque<ExpectedModal>& ExpectedModals();
std::function<void(WindowHandle dialog, const std::string& templateName)>& ModalFallback();
uint32_t& UnansweredModalCount();
uint32_t& UnexpectedModalCount();

// The message log (off until enabled).
bool& MessageLogEnabled();
std::vector<LoggedMessage>& MessageLog();

// Dialog base units of the host: Arial 9 points at 96 dots per inch.
constexpr int kBaseUnitX = 6;
constexpr int kBaseUnitY = 15;
int DluToPixelsX(int dlu);
int DluToPixelsY(int dlu);

// Destroys every dialog and clears the queue, the hooks and the log.
void ResetHostDialogs();

}  // namespace plat::host
