// The host (Linux) dialog services: dialogs built from the templates of
// korvex32.rc, every control's state kept here, and the messages Windows sends
// delivered to the same dialog procedures in the same order. What Windows does
// and this file copies:
// - creation: the controls, WM_INITDIALOG (wParam the first tab stop), the
//   focus on the first visible enabled tab stop when the procedure answers
//   TRUE, then WM_SHOWWINDOW and WM_PAINT when the dialog is visible (modal
//   dialogs always are);
// - WM_SETTEXT on an edit field notifies EN_UPDATE and EN_CHANGE, as does each
//   typed character; a character beyond the text limit gives EN_MAXTEXT;
// - focus changes notify EN_KILLFOCUS / CBN_KILLFOCUS / LBN_KILLFOCUS of the
//   old control before EN_SETFOCUS / CBN_SETFOCUS / LBN_SETFOCUS of the new;
//   disabling or hiding the focused control takes the focus away;
// - an auto check box toggles and an auto radio button checks itself and
//   unchecks the other visible, enabled auto radio buttons of its group (up to
//   the next control with WS_GROUP) before BN_CLICKED;
// - Enter clicks the focused push button, else the default button when it is
//   enabled, else sends IDOK; Esc sends IDCANCEL; WM_CLOSE that the procedure
//   leaves unanswered posts IDCANCEL when the Cancel button is missing or
//   enabled (DefDlgProc);
// - CB_SELECTSTRING and the sorted list box compare without regard to case;
//   WM_SETTEXT leaves a drop-down list unchanged;
// - destroying a dialog destroys the dialogs it owns before its WM_DESTROY.
// GetDlgItemInt: the Win32 documentation says leading blanks are skipped, a
// minus sign is read only for signed numbers, and non-numeric characters or a
// value beyond INT_MIN..INT_MAX (signed) or UINT_MAX (unsigned) are errors
// (translated FALSE, result 0); an empty field is an error too. Wine's user32
// (and ReactOS) parse with strtol and so accept trailing characters ("12a"
// reads 12); its conformance tests do not cover the case, so the documented
// behaviour is the one kept here: "12a" is not a number, nor are trailing
// blanks or a plus sign.
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>

#include "platform/dialogs.h"
#include "platform/host/dialog_host.h"

namespace plat::host {
namespace {

constexpr uint32_t kWsVisible = 0x10000000;
constexpr uint32_t kWsDisabled = 0x08000000;
constexpr uint32_t kWsBorder = 0x00800000;
constexpr uint32_t kWsSysMenu = 0x00080000;
constexpr uint32_t kWsGroup = 0x00020000;
constexpr uint32_t kWsTabStop = 0x00010000;
constexpr uint32_t kButtonTypeMask = 0x000F;
constexpr uint32_t kLbsNotify = 0x0001;
constexpr uint32_t kLbsSort = 0x0002;
constexpr uint32_t kSsTypeMask = 0x001F;
constexpr uint32_t kSsIcon = 0x0003;

struct Registry {
    std::vector<std::unique_ptr<HostDialog>> live;
    // Destroyed dialogs stay allocated while any procedure runs, so that one
    // that destroys its own dialog returns through valid frames; they are
    // freed when the next dialog is made outside every procedure.
    std::vector<std::unique_ptr<HostDialog>> destroyed;
    int procedureDepth = 0;
    std::deque<PendingMessage> queue;
    std::deque<ExpectedModal> expected;
    std::function<void(WindowHandle, const std::string&)> fallback;
    uint32_t unanswered = 0;
    uint32_t unexpected = 0;
    bool logEnabled = false;
    std::vector<LoggedMessage> log;
};

Registry& State() {
    static Registry registry;
    return registry;
}

bool StartsWithNoCase(const std::string& text, const std::string& prefix) {
    if (prefix.size() > text.size()) return false;
    return EqualNoCase(std::string_view(text).substr(0, prefix.size()), prefix);
}

int CompareNoCase(const std::string& a, const std::string& b) {
    const size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i) {
        const int ca = std::tolower(static_cast<unsigned char>(a[i]));
        const int cb = std::tolower(static_cast<unsigned char>(b[i]));
        if (ca != cb) return ca < cb ? -1 : 1;
    }
    if (a.size() == b.size()) return 0;
    return a.size() < b.size() ? -1 : 1;
}

ControlKind KindOf(const ControlTemplate& source) {
    const uint32_t style = source.style;
    if (source.className == "Button") {
        switch (style & kButtonTypeMask) {
            case 0x0: case 0x1: return ControlKind::PushButton;
            case 0x2: case 0x3: case 0x5: case 0x6: return ControlKind::CheckBox;
            case 0x4: case 0x9: return ControlKind::RadioButton;
            case 0x7: return ControlKind::GroupBox;
            default: return ControlKind::Other;
        }
    }
    if (source.className == "Static")
        return (style & kSsTypeMask) == kSsIcon ? ControlKind::Icon : ControlKind::Static;
    if (source.className == "Edit") return ControlKind::Edit;
    if (source.className == "ComboBox") return ControlKind::ComboBox;
    if (source.className == "ListBox") return ControlKind::ListBox;
    if (source.className == "ScrollBar") return ControlKind::ScrollBar;
    return ControlKind::Other;
}

bool IsAutoRadio(const HostControl* control) {
    return control->kind == ControlKind::RadioButton && (control->style & kButtonTypeMask) == 0x9;
}
bool IsAutoCheck(const HostControl* control) {
    return control->kind == ControlKind::CheckBox && (control->style & kButtonTypeMask) == 0x3;
}
bool IsDefaultButton(const HostControl* control) {
    return control->kind == ControlKind::PushButton && (control->style & kButtonTypeMask) == 0x1;
}

void CopyOut(const std::string& text, char* buffer, uint32_t bufferSize, uint32_t& copied) {
    copied = 0;
    if (buffer == nullptr || bufferSize == 0) return;
    copied = static_cast<uint32_t>(std::min<size_t>(text.size(), bufferSize - 1));
    std::memcpy(buffer, text.data(), copied);
    buffer[copied] = '\0';
}

// The text WM_GETTEXT answers: a drop-down list's selected item, else the
// control's own text.
const std::string& DisplayedText(const HostControl* control) {
    static const std::string kNone;
    if (control->kind != ControlKind::ComboBox) return control->text;
    return control->selection >= 0 ? control->items[static_cast<size_t>(control->selection)] : kNone;
}

// Sets an edit field's text as WM_SETTEXT does (with its notifications).
void SetEditText(HostControl* control, const std::string& text) {
    control->text = text;
    Notify(control, EN_UPDATE);
    Notify(control, EN_CHANGE);
}

void SetFocusTo(HostDialog* dialog, HostControl* next) {
    HostControl* previous = dialog->focus;
    if (previous == next) return;
    dialog->focus = next;
    if (previous != nullptr) {
        if (previous->kind == ControlKind::Edit) Notify(previous, EN_KILLFOCUS);
        else if (previous->kind == ControlKind::ComboBox) Notify(previous, CBN_KILLFOCUS);
        else if (previous->kind == ControlKind::ListBox && (previous->style & kLbsNotify) != 0)
            Notify(previous, LBN_KILLFOCUS);
    }
    if (!IsLive(dialog) || dialog->focus != next || next == nullptr) return;
    if (next->kind == ControlKind::Edit) Notify(next, EN_SETFOCUS);
    else if (next->kind == ControlKind::ComboBox) Notify(next, CBN_SETFOCUS);
    else if (next->kind == ControlKind::ListBox && (next->style & kLbsNotify) != 0)
        Notify(next, LBN_SETFOCUS);
}

bool CanTakeInput(const HostControl* control) {
    return control->enabled && control->visible;
}

HostControl* FirstTabStop(HostDialog* dialog) {
    for (auto& control : dialog->controls)
        if ((control->style & kWsTabStop) != 0 && CanTakeInput(control.get())) return control.get();
    return nullptr;
}

void Log(HostDialog* dialog, uint32_t message, uintptr_t wParam, intptr_t lParam) {
    Registry& state = State();
    if (!state.logEnabled) return;
    state.log.push_back({HandleOf(dialog), dialog->source->name, message, wParam, lParam});
}

void Show(HostDialog* dialog, bool visible) {
    if (dialog->visible == visible) return;
    dialog->visible = visible;
    SendToDialog(dialog, WM_SHOWWINDOW, visible ? 1u : 0u, 0);
    if (visible && IsLive(dialog)) SendToDialog(dialog, WM_PAINT, 0, 0);
}

HostDialog* Create(const char* templateName, WindowHandle owner, DialogProc proc, intptr_t initParam,
                   bool modal) {
    if (State().procedureDepth == 0) State().destroyed.clear();
    const DialogTemplate* source = FindDialogTemplate(templateName);
    if (source == nullptr || proc == nullptr) return nullptr;
    auto dialog = std::make_unique<HostDialog>();
    dialog->source = source;
    dialog->proc = proc;
    dialog->owner = owner;
    dialog->caption = source->caption;
    dialog->modal = modal;
    for (const ControlTemplate& control : source->controls) {
        auto made = std::make_unique<HostControl>();
        made->dialog = dialog.get();
        made->source = &control;
        made->kind = KindOf(control);
        made->id = control.id;
        made->style = control.style;
        made->text = control.text;
        made->enabled = (control.style & kWsDisabled) == 0;
        made->visible = (control.style & kWsVisible) != 0;
        if (IsDefaultButton(made.get())) dialog->defaultId = control.id;
        dialog->controls.push_back(std::move(made));
    }
    HostDialog* raw = dialog.get();
    State().live.push_back(std::move(dialog));
    HostControl* first = FirstTabStop(raw);
    const intptr_t answer = SendToDialog(raw, WM_INITDIALOG, reinterpret_cast<uintptr_t>(first), initParam);
    if (!IsLive(raw)) return nullptr;
    if (answer != 0 && !raw->ended) SetFocusTo(raw, FirstTabStop(raw));
    if (IsLive(raw) && ((source->style & kWsVisible) != 0 || modal)) Show(raw, true);
    return IsLive(raw) ? raw : nullptr;
}

void Destroy(HostDialog* dialog) {
    Registry& state = State();
    if (!IsLive(dialog)) return;
    for (HostDialog* other : LiveDialogs())
        if (other->owner == HandleOf(dialog)) Destroy(other);
    if (!IsLive(dialog)) return;
    SendToDialog(dialog, WM_DESTROY, 0, 0);
    auto found = std::find_if(state.live.begin(), state.live.end(),
                              [dialog](const auto& entry) { return entry.get() == dialog; });
    if (found == state.live.end()) return;
    state.destroyed.push_back(std::move(*found));
    state.live.erase(found);
    state.queue.erase(std::remove_if(state.queue.begin(), state.queue.end(),
                                     [](const PendingMessage& message) {
                                         return AsDialog(message.target) == nullptr &&
                                                AsControl(message.target) == nullptr;
                                     }),
                      state.queue.end());
}

bool Usable(HostDialog* dialog) {
    return dialog != nullptr && IsLive(dialog) && !dialog->ended && dialog->enabled;
}

HostControl* UsableControl(HostDialog* dialog, int itemId) {
    if (!Usable(dialog)) return nullptr;
    HostControl* control = FindControl(dialog, itemId);
    if (control == nullptr || !CanTakeInput(control)) return nullptr;
    return control;
}

void UncheckRadioGroup(HostControl* clicked) {
    HostDialog* dialog = clicked->dialog;
    auto& controls = dialog->controls;
    size_t index = 0;
    while (controls[index].get() != clicked) ++index;
    size_t start = index;
    while (start > 0 && (controls[start]->style & kWsGroup) == 0) --start;
    for (size_t i = start; i < controls.size(); ++i) {
        HostControl* other = controls[i].get();
        if (i > start && (other->style & kWsGroup) != 0) break;
        if (other != clicked && IsAutoRadio(other) && CanTakeInput(other)) other->check = BST_UNCHECKED;
    }
}

}  // namespace

// ---- The window model ------------------------------------------------------------

HostDialog* AsDialog(WindowHandle window) {
    for (auto& dialog : State().live)
        if (dialog.get() == window) return dialog.get();
    return nullptr;
}

HostControl* AsControl(WindowHandle window) {
    if (window == nullptr) return nullptr;
    for (auto& dialog : State().live)
        for (auto& control : dialog->controls)
            if (control.get() == window) return control.get();
    return nullptr;
}

HostControl* FindControl(HostDialog* dialog, int itemId) {
    if (dialog == nullptr) return nullptr;
    const int wanted = itemId & 0xFFFF;
    for (auto& control : dialog->controls)
        if (control->id == wanted) return control.get();
    return nullptr;
}

WindowHandle HandleOf(HostDialog* dialog) { return static_cast<WindowHandle>(dialog); }
WindowHandle HandleOf(HostControl* control) { return static_cast<WindowHandle>(control); }

bool IsLive(HostDialog* dialog) { return dialog != nullptr && AsDialog(HandleOf(dialog)) == dialog; }

std::vector<HostDialog*> LiveDialogs() {
    std::vector<HostDialog*> out;
    for (auto& dialog : State().live) out.push_back(dialog.get());
    return out;
}

intptr_t SendToDialog(HostDialog* dialog, uint32_t message, uintptr_t wParam, intptr_t lParam) {
    if (!IsLive(dialog)) return 0;
    Log(dialog, message, wParam, lParam);
    ++State().procedureDepth;
    const intptr_t answer = dialog->proc(HandleOf(dialog), message, wParam, lParam);
    --State().procedureDepth;
    if (message == WM_CLOSE && answer == 0 && IsLive(dialog)) {
        HostControl* cancel = FindControl(dialog, IDCANCEL);
        if (cancel == nullptr || cancel->enabled)
            Post({HandleOf(dialog), WM_COMMAND, static_cast<uintptr_t>(IDCANCEL),
                  reinterpret_cast<intptr_t>(cancel), nullptr});
    }
    return answer;
}

void Notify(HostControl* control, uint32_t code) {
    HostDialog* dialog = control->dialog;
    if (!IsLive(dialog)) return;
    const uintptr_t wParam = (static_cast<uintptr_t>(code & 0xFFFF) << 16) | static_cast<uintptr_t>(control->id & 0xFFFF);
    SendToDialog(dialog, WM_COMMAND, wParam, reinterpret_cast<intptr_t>(control));
}

void Post(PendingMessage message) { State().queue.push_back(std::move(message)); }

namespace {
bool BelongsTo(const PendingMessage& message, HostDialog* dialog) {
    if (message.target == HandleOf(dialog)) return true;
    HostControl* control = AsControl(message.target);
    return control != nullptr && control->dialog == dialog;
}

void Deliver(PendingMessage message) {
    if (message.input) {
        message.input();
        return;
    }
    if (HostDialog* dialog = AsDialog(message.target)) {
        SendToDialog(dialog, message.message, message.wParam, message.lParam);
    }
}

bool TakeOne(WindowHandle window, bool deliver) {
    HostDialog* dialog = AsDialog(window);
    if (dialog == nullptr) {
        HostControl* control = AsControl(window);
        if (control == nullptr) return false;
        dialog = control->dialog;
    }
    auto& queue = State().queue;
    for (auto it = queue.begin(); it != queue.end(); ++it) {
        const bool match = AsDialog(window) != nullptr ? BelongsTo(*it, dialog) : it->target == window;
        if (!match) continue;
        PendingMessage message = std::move(*it);
        queue.erase(it);
        if (deliver) Deliver(std::move(message));
        return true;
    }
    return false;
}
}  // namespace

void DeliverPending(HostDialog* dialog) {
    while (IsLive(dialog) && TakeOne(HandleOf(dialog), true)) {
    }
}

// ---- Input ---------------------------------------------------------------------------

bool InputFocus(HostDialog* dialog, int itemId) {
    HostControl* control = UsableControl(dialog, itemId);
    if (control == nullptr || control->kind == ControlKind::Static || control->kind == ControlKind::Icon ||
        control->kind == ControlKind::GroupBox)
        return false;
    SetFocusTo(dialog, control);
    return true;
}

bool InputClick(HostDialog* dialog, int itemId) {
    HostControl* control = UsableControl(dialog, itemId);
    if (control == nullptr) return false;
    if (control->kind != ControlKind::PushButton && control->kind != ControlKind::CheckBox &&
        control->kind != ControlKind::RadioButton)
        return false;
    SetFocusTo(dialog, control);
    if (!IsLive(dialog)) return true;
    if (IsAutoCheck(control)) {
        control->check = control->check == BST_CHECKED ? BST_UNCHECKED : BST_CHECKED;
    } else if (IsAutoRadio(control)) {
        control->check = BST_CHECKED;
        UncheckRadioGroup(control);
    }
    Notify(control, BN_CLICKED);
    return true;
}

bool InputTab(HostDialog* dialog) {
    if (!Usable(dialog)) return false;
    auto& controls = dialog->controls;
    size_t start = 0;
    for (size_t i = 0; i < controls.size(); ++i)
        if (controls[i].get() == dialog->focus) start = i + 1;
    for (size_t step = 0; step < controls.size(); ++step) {
        HostControl* candidate = controls[(start + step) % controls.size()].get();
        if ((candidate->style & kWsTabStop) != 0 && CanTakeInput(candidate)) {
            SetFocusTo(dialog, candidate);
            return true;
        }
    }
    return false;
}

bool InputType(HostDialog* dialog, int itemId, const std::string& text) {
    HostControl* control = UsableControl(dialog, itemId);
    if (control == nullptr || control->kind != ControlKind::Edit) return false;
    SetFocusTo(dialog, control);
    if (!IsLive(dialog) || FindControl(dialog, itemId) != control) return true;
    // The click into the field selects its whole text; the first character
    // replaces it, each further one is appended.
    bool replaced = false;
    for (char c : text) {
        const size_t kept = replaced ? control->text.size() : 0;
        if (kept >= control->textLimit) {
            Notify(control, EN_MAXTEXT);
            continue;
        }
        control->text = (replaced ? control->text : std::string()) + c;
        replaced = true;
        Notify(control, EN_UPDATE);
        Notify(control, EN_CHANGE);
        if (!IsLive(dialog)) return true;
    }
    if (!replaced && !control->text.empty()) SetEditText(control, std::string());
    return true;
}

bool InputChooseCombo(HostDialog* dialog, int itemId, int index) {
    HostControl* control = UsableControl(dialog, itemId);
    if (control == nullptr || control->kind != ControlKind::ComboBox || index < 0 ||
        index >= static_cast<int>(control->items.size()))
        return false;
    SetFocusTo(dialog, control);
    if (!IsLive(dialog)) return true;
    Notify(control, CBN_DROPDOWN);
    if (!IsLive(dialog)) return true;
    control->selection = index;
    Notify(control, CBN_SELCHANGE);
    if (!IsLive(dialog)) return true;
    Notify(control, CBN_SELENDOK);
    if (!IsLive(dialog)) return true;
    Notify(control, CBN_CLOSEUP);
    return true;
}

bool InputChooseList(HostDialog* dialog, int itemId, int index) {
    HostControl* control = UsableControl(dialog, itemId);
    if (control == nullptr || control->kind != ControlKind::ListBox || index < 0 ||
        index >= static_cast<int>(control->items.size()))
        return false;
    SetFocusTo(dialog, control);
    if (!IsLive(dialog)) return true;
    control->selection = index;
    if ((control->style & kLbsNotify) != 0) Notify(control, LBN_SELCHANGE);
    return true;
}

bool InputScroll(HostDialog* dialog, int itemId, uint32_t code, int position) {
    HostControl* control = UsableControl(dialog, itemId);
    if (control == nullptr || control->kind != ControlKind::ScrollBar) return false;
    const int clamped = std::clamp(position, control->scrollMin, std::max(control->scrollMin, control->scrollMax));
    // Only the thumb codes carry a position in the high word; the others carry 0.
    const auto send = [&](uint32_t sent) {
        const bool thumb = sent == SB_THUMBTRACK || sent == SB_THUMBPOSITION;
        const uint32_t high = thumb ? static_cast<uint32_t>(clamped) & 0xFFFF : 0;
        const uintptr_t wParam = (static_cast<uintptr_t>(high) << 16) | sent;
        SendToDialog(dialog, WM_HSCROLL, wParam, reinterpret_cast<intptr_t>(control));
    };
    if (code == SB_THUMBTRACK || code == SB_THUMBPOSITION) {
        send(SB_THUMBTRACK);
        if (IsLive(dialog)) send(SB_THUMBPOSITION);
    } else {
        send(code);
    }
    if (IsLive(dialog)) send(SB_ENDSCROLL);
    return true;
}

bool InputEnter(HostDialog* dialog) {
    if (!Usable(dialog)) return false;
    HostControl* focus = dialog->focus;
    if (focus != nullptr && focus->kind == ControlKind::PushButton) {
        Notify(focus, BN_CLICKED);
        return true;
    }
    if (dialog->defaultId != 0) {
        HostControl* button = FindControl(dialog, dialog->defaultId);
        if (button != nullptr && !button->enabled) return true;
        const uintptr_t wParam = static_cast<uintptr_t>(dialog->defaultId & 0xFFFF);
        SendToDialog(dialog, WM_COMMAND, wParam, reinterpret_cast<intptr_t>(button));
        return true;
    }
    SendToDialog(dialog, WM_COMMAND, static_cast<uintptr_t>(IDOK),
                 reinterpret_cast<intptr_t>(FindControl(dialog, IDOK)));
    return true;
}

bool InputEscape(HostDialog* dialog) {
    if (!Usable(dialog)) return false;
    SendToDialog(dialog, WM_COMMAND, static_cast<uintptr_t>(IDCANCEL),
                 reinterpret_cast<intptr_t>(FindControl(dialog, IDCANCEL)));
    return true;
}

bool InputClose(HostDialog* dialog) {
    if (!Usable(dialog) || (dialog->source->style & kWsSysMenu) == 0) return false;
    SendToDialog(dialog, WM_CLOSE, 0, 0);
    DeliverPending(dialog);
    return true;
}

void RepaintAfterInput(HostDialog* dialog) {
    if (IsLive(dialog) && dialog->visible && !dialog->ended) SendToDialog(dialog, WM_PAINT, 0, 0);
}

std::deque<ExpectedModal>& ExpectedModals() { return State().expected; }
std::function<void(WindowHandle, const std::string&)>& ModalFallback() { return State().fallback; }
uint32_t& UnansweredModalCount() { return State().unanswered; }
uint32_t& UnexpectedModalCount() { return State().unexpected; }
bool& MessageLogEnabled() { return State().logEnabled; }
std::vector<LoggedMessage>& MessageLog() { return State().log; }

int DluToPixelsX(int dlu) { return dlu * kBaseUnitX / 4; }
int DluToPixelsY(int dlu) { return dlu * kBaseUnitY / 8; }

void ResetHostDialogs() {
    Registry& state = State();
    while (!state.live.empty()) {
        HostDialog* last = state.live.back().get();
        last->ended = true;
        Destroy(last);
    }
    state.destroyed.clear();
    state.procedureDepth = 0;
    state.queue.clear();
    state.expected.clear();
    state.fallback = nullptr;
    state.unanswered = 0;
    state.unexpected = 0;
    state.logEnabled = false;
    state.log.clear();
}

}  // namespace plat::host

// ---- The platform interface ------------------------------------------------------------

namespace plat {
using namespace plat::host;

WindowHandle CreateModelessDialog(const char* templateName, WindowHandle owner, DialogProc proc,
                                  intptr_t initParam) {
    return HandleOf(Create(templateName, owner, proc, initParam, false));
}

intptr_t RunModalDialog(const char* templateName, WindowHandle owner, DialogProc proc,
                        intptr_t initParam) {
    HostDialog* ownerDialog = AsDialog(owner);
    const bool ownerWasEnabled = ownerDialog != nullptr && ownerDialog->enabled;
    if (ownerDialog != nullptr) ownerDialog->enabled = false;
    HostDialog* dialog = Create(templateName, owner, proc, initParam, true);
    if (dialog == nullptr) {
        if (ownerDialog != nullptr && IsLive(ownerDialog)) ownerDialog->enabled = ownerWasEnabled;
        return -1;
    }
    const std::string name = dialog->source->name;
    DeliverPending(dialog);
    if (IsLive(dialog) && !dialog->ended) {
        auto& expected = ExpectedModals();
        if (!expected.empty() && EqualNoCase(expected.front().templateName, name)) {
            ModalHandler handler = std::move(expected.front().handler);
            expected.pop_front();
            handler(HandleOf(dialog));
        } else if (ModalFallback()) {
            if (!expected.empty()) ++UnexpectedModalCount();
            ModalFallback()(HandleOf(dialog), name);
        } else {
            if (!expected.empty()) ++UnexpectedModalCount();
            InputEscape(dialog);
        }
        DeliverPending(dialog);
    }
    intptr_t result = -1;
    if (IsLive(dialog)) {
        if (dialog->ended) {
            result = dialog->result;
        } else {
            ++UnansweredModalCount();
            dialog->ended = true;
        }
        Destroy(dialog);
    }
    if (ownerDialog != nullptr && IsLive(ownerDialog)) ownerDialog->enabled = ownerWasEnabled;
    return result;
}

void EndModalDialog(WindowHandle dialog, intptr_t result) {
    HostDialog* found = AsDialog(dialog);
    if (found == nullptr || found->ended) return;
    found->ended = true;
    found->result = result;
    found->visible = false;
}

void DestroyDialog(WindowHandle dialog) {
    if (HostDialog* found = AsDialog(dialog)) Destroy(found);
}

void ShowDialog(WindowHandle dialog, bool visible) {
    if (HostDialog* found = AsDialog(dialog)) Show(found, visible);
}

bool IsDialogVisible(WindowHandle dialog) {
    HostDialog* found = AsDialog(dialog);
    return found != nullptr && found->visible;
}

intptr_t SendDialogMessage(WindowHandle window, uint32_t message, uintptr_t wParam, intptr_t lParam) {
    if (HostDialog* dialog = AsDialog(window)) return SendToDialog(dialog, message, wParam, lParam);
    return 0;
}

WindowHandle GetItem(WindowHandle dialog, int itemId) { return HandleOf(FindControl(AsDialog(dialog), itemId)); }

int GetItemId(WindowHandle control) {
    HostControl* found = AsControl(control);
    return found != nullptr ? found->id : 0;
}

void SetDialogCaption(WindowHandle dialog, const char* text) {
    if (HostDialog* found = AsDialog(dialog)) found->caption = text != nullptr ? text : "";
}

void SetItemText(WindowHandle dialog, int itemId, const char* text) {
    HostControl* control = FindControl(AsDialog(dialog), itemId);
    if (control == nullptr) return;
    const std::string value = text != nullptr ? text : "";
    if (control->kind == ControlKind::Edit) {
        SetEditText(control, value);
    } else if (control->kind != ControlKind::ComboBox) {
        // A drop-down list has no edit part: WM_SETTEXT answers CB_ERR and
        // changes nothing, so a procedure selects an item by CB_SELECTSTRING.
        control->text = value;
    }
}

uint32_t GetItemText(WindowHandle dialog, int itemId, char* buffer, uint32_t bufferSize) {
    HostControl* control = FindControl(AsDialog(dialog), itemId);
    uint32_t copied = 0;
    if (control == nullptr) {
        CopyOut(std::string(), buffer, bufferSize, copied);
        return 0;
    }
    CopyOut(DisplayedText(control), buffer, bufferSize, copied);
    return copied;
}

void SetItemInt(WindowHandle dialog, int itemId, uint32_t value, bool isSigned) {
    char text[16];
    if (isSigned) std::snprintf(text, sizeof text, "%d", static_cast<int32_t>(value));
    else std::snprintf(text, sizeof text, "%u", value);
    SetItemText(dialog, itemId, text);
}

uint32_t GetItemInt(WindowHandle dialog, int itemId, bool* translated, bool isSigned) {
    if (translated != nullptr) *translated = false;
    HostControl* control = FindControl(AsDialog(dialog), itemId);
    if (control == nullptr) return 0;
    const std::string& text = DisplayedText(control);
    size_t pos = 0;
    while (pos < text.size() && text[pos] == ' ') ++pos;
    bool negative = false;
    if (isSigned && pos < text.size() && text[pos] == '-') {
        negative = true;
        ++pos;
    }
    if (pos == text.size()) return 0;
    uint64_t value = 0;
    for (; pos < text.size(); ++pos) {
        const char c = text[pos];
        if (c < '0' || c > '9') return 0;
        value = value * 10 + static_cast<uint64_t>(c - '0');
        if (value > 0xFFFFFFFFull) return 0;
    }
    if (isSigned && value > (negative ? 0x80000000ull : 0x7FFFFFFFull)) return 0;
    if (translated != nullptr) *translated = true;
    return negative ? static_cast<uint32_t>(0u - static_cast<uint32_t>(value)) : static_cast<uint32_t>(value);
}

void SetItemCheck(WindowHandle dialog, int itemId, uint32_t state) {
    HostControl* control = FindControl(AsDialog(dialog), itemId);
    if (control != nullptr && (control->kind == ControlKind::CheckBox || control->kind == ControlKind::RadioButton))
        control->check = state;
}

uint32_t GetItemCheck(WindowHandle dialog, int itemId) {
    HostControl* control = FindControl(AsDialog(dialog), itemId);
    return control != nullptr ? control->check : BST_UNCHECKED;
}

void EnableItem(WindowHandle dialog, int itemId, bool enabled) {
    HostDialog* found = AsDialog(dialog);
    HostControl* control = FindControl(found, itemId);
    if (control == nullptr) return;
    control->enabled = enabled;
    if (!enabled && found->focus == control) SetFocusTo(found, nullptr);
}

bool IsItemEnabled(WindowHandle dialog, int itemId) {
    HostControl* control = FindControl(AsDialog(dialog), itemId);
    return control != nullptr && control->enabled;
}

void ShowItem(WindowHandle dialog, int itemId, bool visible) {
    HostDialog* found = AsDialog(dialog);
    HostControl* control = FindControl(found, itemId);
    if (control == nullptr) return;
    control->visible = visible;
    if (!visible && found->focus == control) SetFocusTo(found, nullptr);
}

void SetItemTextLimit(WindowHandle dialog, int itemId, uint32_t limit) {
    HostControl* control = FindControl(AsDialog(dialog), itemId);
    // EM_LIMITTEXT 0 restores the largest limit.
    if (control != nullptr) control->textLimit = limit == 0 ? 0x7FFFFFFEu : limit;
}

void SetItemFocus(WindowHandle dialog, int itemId) {
    HostDialog* found = AsDialog(dialog);
    HostControl* control = FindControl(found, itemId);
    if (control != nullptr) SetFocusTo(found, control);
}

int GetFocusItem(WindowHandle dialog) {
    HostDialog* found = AsDialog(dialog);
    return found != nullptr && found->focus != nullptr ? GetItemId(HandleOf(found->focus)) : 0;
}

void SelectAllItemText(WindowHandle, int) {}

void ComboReset(WindowHandle dialog, int itemId) {
    HostControl* control = FindControl(AsDialog(dialog), itemId);
    if (control == nullptr) return;
    control->items.clear();
    control->itemData.clear();
    control->selection = -1;
}

int ComboAddString(WindowHandle dialog, int itemId, const char* text) {
    HostControl* control = FindControl(AsDialog(dialog), itemId);
    if (control == nullptr || control->kind != ControlKind::ComboBox || text == nullptr) return CB_ERR;
    control->items.push_back(text);
    control->itemData.push_back(0);
    return static_cast<int>(control->items.size()) - 1;
}

int ComboCount(WindowHandle dialog, int itemId) {
    HostControl* control = FindControl(AsDialog(dialog), itemId);
    return control != nullptr ? static_cast<int>(control->items.size()) : CB_ERR;
}

int ComboSelectPrefix(WindowHandle dialog, int itemId, int startAfter, const char* prefix) {
    HostControl* control = FindControl(AsDialog(dialog), itemId);
    if (control == nullptr || prefix == nullptr) return CB_ERR;
    const int count = static_cast<int>(control->items.size());
    if (count == 0) return CB_ERR;
    const int first = (startAfter < 0 || startAfter >= count) ? 0 : startAfter + 1;
    for (int step = 0; step < count; ++step) {
        const int index = (first + step) % count;
        if (StartsWithNoCase(control->items[static_cast<size_t>(index)], prefix)) {
            control->selection = index;
            return index;
        }
    }
    return CB_ERR;
}

int ComboSetSelection(WindowHandle dialog, int itemId, int index) {
    HostControl* control = FindControl(AsDialog(dialog), itemId);
    if (control == nullptr) return CB_ERR;
    if (index < 0 || index >= static_cast<int>(control->items.size())) {
        control->selection = -1;
        return CB_ERR;
    }
    control->selection = index;
    return index;
}

int ComboGetSelection(WindowHandle dialog, int itemId) {
    HostControl* control = FindControl(AsDialog(dialog), itemId);
    return control != nullptr ? control->selection : CB_ERR;
}

uint32_t ComboGetItemText(WindowHandle dialog, int itemId, int index, char* buffer, uint32_t bufferSize) {
    HostControl* control = FindControl(AsDialog(dialog), itemId);
    uint32_t copied = 0;
    if (control == nullptr || index < 0 || index >= static_cast<int>(control->items.size())) {
        CopyOut(std::string(), buffer, bufferSize, copied);
        return 0;
    }
    CopyOut(control->items[static_cast<size_t>(index)], buffer, bufferSize, copied);
    return copied;
}

void ListReset(WindowHandle dialog, int itemId) { ComboReset(dialog, itemId); }

int ListAddString(WindowHandle dialog, int itemId, const char* text) {
    HostControl* control = FindControl(AsDialog(dialog), itemId);
    if (control == nullptr || control->kind != ControlKind::ListBox || text == nullptr) return LB_ERR;
    size_t at = control->items.size();
    if ((control->style & kLbsSort) != 0) {
        at = 0;
        while (at < control->items.size() && CompareNoCase(control->items[at], text) < 0) ++at;
    }
    control->items.insert(control->items.begin() + static_cast<std::ptrdiff_t>(at), text);
    control->itemData.insert(control->itemData.begin() + static_cast<std::ptrdiff_t>(at), 0);
    if (control->selection >= static_cast<int>(at)) ++control->selection;
    return static_cast<int>(at);
}

int ListCount(WindowHandle dialog, int itemId) { return ComboCount(dialog, itemId); }

int ListDeleteString(WindowHandle dialog, int itemId, int index) {
    HostControl* control = FindControl(AsDialog(dialog), itemId);
    if (control == nullptr || index < 0 || index >= static_cast<int>(control->items.size())) return LB_ERR;
    control->items.erase(control->items.begin() + index);
    control->itemData.erase(control->itemData.begin() + index);
    if (control->selection == index) control->selection = -1;
    else if (control->selection > index) --control->selection;
    return static_cast<int>(control->items.size());
}

bool ListSetItemData(WindowHandle dialog, int itemId, int index, intptr_t data) {
    HostControl* control = FindControl(AsDialog(dialog), itemId);
    if (control == nullptr || index < 0 || index >= static_cast<int>(control->itemData.size())) return false;
    control->itemData[static_cast<size_t>(index)] = data;
    return true;
}

intptr_t ListGetItemData(WindowHandle dialog, int itemId, int index) {
    HostControl* control = FindControl(AsDialog(dialog), itemId);
    if (control == nullptr || index < 0 || index >= static_cast<int>(control->itemData.size())) return LB_ERR;
    return control->itemData[static_cast<size_t>(index)];
}

int ListSetSelection(WindowHandle dialog, int itemId, int index) { return ComboSetSelection(dialog, itemId, index); }
int ListGetSelection(WindowHandle dialog, int itemId) { return ComboGetSelection(dialog, itemId); }

uint32_t ListGetItemText(WindowHandle dialog, int itemId, int index, char* buffer, uint32_t bufferSize) {
    return ComboGetItemText(dialog, itemId, index, buffer, bufferSize);
}

void ScrollSetRange(WindowHandle dialog, int itemId, int minimum, int maximum) {
    HostControl* control = FindControl(AsDialog(dialog), itemId);
    if (control == nullptr) return;
    control->scrollMin = minimum;
    control->scrollMax = maximum;
    control->scrollPos = std::clamp(control->scrollPos, minimum, std::max(minimum, maximum));
}

void ScrollSetPosition(WindowHandle dialog, int itemId, int position) {
    HostControl* control = FindControl(AsDialog(dialog), itemId);
    if (control == nullptr) return;
    control->scrollPos = std::clamp(position, control->scrollMin, std::max(control->scrollMin, control->scrollMax));
}

int ScrollGetPosition(WindowHandle dialog, int itemId) {
    HostControl* control = FindControl(AsDialog(dialog), itemId);
    return control != nullptr ? control->scrollPos : 0;
}

bool OfferDialogMessage(WindowHandle dialog, void* nativeMessage) {
    HostDialog* found = AsDialog(dialog);
    if (found == nullptr || nativeMessage == nullptr) return false;
    // Only the tag is read from a record that may not be the host's.
    uint32_t tag = 0;
    std::memcpy(&tag, nativeMessage, sizeof tag);
    if (tag != kPendingMessageTag) return false;
    auto* message = static_cast<PendingMessage*>(nativeMessage);
    if (!BelongsTo(*message, found)) return false;
    Deliver(*message);
    return true;
}

bool PumpOneMessage(WindowHandle window) { return TakeOne(window, true); }
bool DropOneMessage(WindowHandle window) { return TakeOne(window, false); }

void FillItemRect(WindowHandle dialog, int itemId, int left, int top, int right, int bottom, uint32_t colour) {
    HostControl* control = FindControl(AsDialog(dialog), itemId);
    if (control == nullptr) return;
    constexpr size_t kKeptFills = 256;
    if (control->fills.size() >= kKeptFills) control->fills.erase(control->fills.begin());
    control->fills.push_back({left, top, right, bottom, colour});
}

bool GetItemClientSize(WindowHandle dialog, int itemId, int* width, int* height) {
    HostControl* control = FindControl(AsDialog(dialog), itemId);
    if (control == nullptr || width == nullptr || height == nullptr) return false;
    // A bordered control of a dialog gets a sunken client edge of two pixels.
    const int edge = (control->style & kWsBorder) != 0 ? 4 : 0;
    *width = std::max(0, DluToPixelsX(control->source->cx) - edge);
    *height = std::max(0, DluToPixelsY(control->source->cy) - edge);
    return true;
}

}  // namespace plat
