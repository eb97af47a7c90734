// The driver of the host dialogs: person-like actions over the window model's
// input routines, state queries and the modal dialog hooks.
#include "platform/host/dialog_driver.h"

#include <utility>

#include "platform/host/host_hooks.h"

namespace plat::host {

HostDialog* DialogDriver::Live() const {
    HostDialog* dialog = AsDialog(dialog_);
    return dialog;
}

HostControl* DialogDriver::Control(int itemId) const { return FindControl(Live(), itemId); }

bool DialogDriver::Finish(bool done) {
    if (!done) return false;
    HostDialog* dialog = Live();
    if (dialog != nullptr) {
        DeliverPending(dialog);
        RepaintAfterInput(dialog);
    }
    return true;
}

bool DialogDriver::IsOpen() const {
    HostDialog* dialog = Live();
    return dialog != nullptr && !dialog->ended;
}

bool DialogDriver::IsVisible() const {
    HostDialog* dialog = Live();
    return dialog != nullptr && dialog->visible;
}

std::string DialogDriver::TemplateName() const {
    HostDialog* dialog = Live();
    return dialog != nullptr ? dialog->source->name : std::string();
}

std::string DialogDriver::Caption() const {
    HostDialog* dialog = Live();
    return dialog != nullptr ? dialog->caption : std::string();
}

bool DialogDriver::Click(int itemId) { return Finish(InputClick(Live(), itemId)); }

bool DialogDriver::ChooseItem(int itemId, const std::string& text) {
    HostControl* control = Control(itemId);
    if (control == nullptr) return false;
    for (size_t i = 0; i < control->items.size(); ++i)
        if (control->items[i] == text) return ChooseIndex(itemId, static_cast<int>(i));
    return false;
}

bool DialogDriver::ChooseIndex(int itemId, int index) {
    HostControl* control = Control(itemId);
    if (control == nullptr) return false;
    if (control->kind == ControlKind::ListBox) return Finish(InputChooseList(Live(), itemId, index));
    return Finish(InputChooseCombo(Live(), itemId, index));
}

bool DialogDriver::Type(int itemId, const std::string& text) { return Finish(InputType(Live(), itemId, text)); }
bool DialogDriver::Focus(int itemId) { return Finish(InputFocus(Live(), itemId)); }
bool DialogDriver::Tab() { return Finish(InputTab(Live())); }
bool DialogDriver::Enter() { return Finish(InputEnter(Live())); }
bool DialogDriver::Escape() { return Finish(InputEscape(Live())); }
bool DialogDriver::Close() { return Finish(InputClose(Live())); }

bool DialogDriver::Scroll(int itemId, uint32_t code) {
    HostControl* control = Control(itemId);
    if (control == nullptr) return false;
    return Finish(InputScroll(Live(), itemId, code, control->scrollPos));
}

bool DialogDriver::DragThumb(int itemId, int position) {
    return Finish(InputScroll(Live(), itemId, SB_THUMBTRACK, position));
}

bool DialogDriver::PostClick(int itemId) {
    HostControl* control = Control(itemId);
    if (control == nullptr) return false;
    HostDialog* dialog = Live();
    Post({HandleOf(control), 0, 0, 0, [dialog, itemId] {
              if (IsLive(dialog)) InputClick(dialog, itemId);
          }});
    return true;
}

bool DialogDriver::PostEscape() {
    HostDialog* dialog = Live();
    if (dialog == nullptr) return false;
    Post({dialog_, 0, 0, 0, [dialog] {
              if (IsLive(dialog)) InputEscape(dialog);
          }});
    return true;
}

bool DialogDriver::Exists(int itemId) const { return Control(itemId) != nullptr; }

std::string DialogDriver::Text(int itemId) const {
    HostControl* control = Control(itemId);
    if (control == nullptr) return std::string();
    if (control->kind == ControlKind::ComboBox) return SelectedText(itemId);
    return control->text;
}

bool DialogDriver::Enabled(int itemId) const {
    HostControl* control = Control(itemId);
    return control != nullptr && control->enabled;
}

bool DialogDriver::Visible(int itemId) const {
    HostControl* control = Control(itemId);
    return control != nullptr && control->visible;
}

bool DialogDriver::Checked(int itemId) const {
    HostControl* control = Control(itemId);
    return control != nullptr && control->check == BST_CHECKED;
}

std::vector<std::string> DialogDriver::Items(int itemId) const {
    HostControl* control = Control(itemId);
    return control != nullptr ? control->items : std::vector<std::string>();
}

int DialogDriver::Selection(int itemId) const {
    HostControl* control = Control(itemId);
    return control != nullptr ? control->selection : -1;
}

std::string DialogDriver::SelectedText(int itemId) const {
    HostControl* control = Control(itemId);
    if (control == nullptr || control->selection < 0 ||
        control->selection >= static_cast<int>(control->items.size()))
        return std::string();
    return control->items[static_cast<size_t>(control->selection)];
}

intptr_t DialogDriver::ItemData(int itemId, int index) const {
    HostControl* control = Control(itemId);
    if (control == nullptr || index < 0 || index >= static_cast<int>(control->itemData.size())) return -1;
    return control->itemData[static_cast<size_t>(index)];
}

uint32_t DialogDriver::TextLimit(int itemId) const {
    HostControl* control = Control(itemId);
    return control != nullptr ? control->textLimit : 0;
}

int DialogDriver::FocusId() const { return GetFocusItem(dialog_); }

int DialogDriver::ScrollPosition(int itemId) const {
    HostControl* control = Control(itemId);
    return control != nullptr ? control->scrollPos : 0;
}

int DialogDriver::ScrollMinimum(int itemId) const {
    HostControl* control = Control(itemId);
    return control != nullptr ? control->scrollMin : 0;
}

int DialogDriver::ScrollMaximum(int itemId) const {
    HostControl* control = Control(itemId);
    return control != nullptr ? control->scrollMax : 0;
}

std::vector<FilledRect> DialogDriver::Fills(int itemId) const {
    HostControl* control = Control(itemId);
    return control != nullptr ? control->fills : std::vector<FilledRect>();
}

const ControlTemplate* DialogDriver::ControlSource(int itemId) const {
    HostControl* control = Control(itemId);
    return control != nullptr ? control->source : nullptr;
}

std::vector<DialogDriver> OpenDialogs() {
    std::vector<DialogDriver> out;
    for (HostDialog* dialog : LiveDialogs())
        if (!dialog->ended) out.emplace_back(HandleOf(dialog));
    return out;
}

DialogDriver FindOpenDialog(const std::string& templateName) {
    DialogDriver found;
    for (const DialogDriver& dialog : OpenDialogs())
        if (dialog.TemplateName() == templateName) found = dialog;
    return found;
}

void ExpectModal(const std::string& templateName, std::function<void(DialogDriver)> handler) {
    ExpectedModals().push_back(
        {templateName, [handler = std::move(handler)](WindowHandle dialog) { handler(DialogDriver(dialog)); }});
}

void SetModalFallback(std::function<void(DialogDriver, const std::string&)> handler) {
    if (!handler) {
        ModalFallback() = nullptr;
        return;
    }
    ModalFallback() = [handler = std::move(handler)](WindowHandle dialog, const std::string& name) {
        handler(DialogDriver(dialog), name);
    };
}

uint32_t PendingExpectedModals() { return static_cast<uint32_t>(ExpectedModals().size()); }
uint32_t UnexpectedModals() { return UnexpectedModalCount(); }
uint32_t UnansweredModals() { return UnansweredModalCount(); }

void DeliverAllPending() {
    for (HostDialog* dialog : LiveDialogs()) DeliverPending(dialog);
}

void StartMessageLog() {
    MessageLog().clear();
    MessageLogEnabled() = true;
}

std::vector<LoggedMessage> TakeMessageLog() {
    std::vector<LoggedMessage> out = std::move(MessageLog());
    MessageLog().clear();
    return out;
}

namespace {
std::function<int(const ShownMessageBox&)>& Answerer() {
    static std::function<int(const ShownMessageBox&)> answerer;
    return answerer;
}

int AnswerThroughDriver(WindowHandle, const char* text, const char* caption, uint32_t style) {
    if (!Answerer()) return IDOK;
    return Answerer()({text != nullptr ? text : "", caption != nullptr ? caption : "", style});
}
}  // namespace

void SetMessageBoxAnswerer(std::function<int(const ShownMessageBox&)> answerer) {
    Answerer() = std::move(answerer);
    SetMessageBoxHandler(Answerer() ? AnswerThroughDriver : nullptr);
}

std::vector<ShownMessageBox> TakeMessageBoxes() {
    std::vector<ShownMessageBox> out;
    for (uint32_t i = 0; i < MessageBoxCount(); ++i) {
        const RecordedMessageBox* box = RecordedMessageBoxAt(i);
        if (box == nullptr) break;
        out.push_back({box->text, box->caption, box->style});
    }
    ClearRecordedMessageBoxes();
    return out;
}

void ResetDialogDriver() {
    ResetHostDialogs();
    SetMessageBoxAnswerer(nullptr);
    ClearRecordedMessageBoxes();
}

}  // namespace plat::host
