// The dialog driver of tests and tools: act on a dialog the way a person does
// (click, choose, type, leave a field, Enter, Esc, scroll, close), answer modal
// dialogs and message boxes as they open, and read every control's state. Two
// implementations: platform/host/dialog_driver.cpp over the host's window model
// (each action delivers its messages at once and then the messages they posted,
// followed by the repaint Windows would send), and
// platform/win32/dialog_driver_win32.cpp over real user32 dialogs (the same
// input as window messages and focus changes, then the thread's queue
// delivered). The Post... variants only queue the input for the pump steps of
// the source's wait loops. Painted rectangles and control templates are known
// on the host only.
//
//   DialogDriver main(mainDialog);
//   ExpectModal("FREESIZEBOX", [](DialogDriver box) {
//       box.Type(1009, "Receipt");
//       box.Tab();
//       box.Click(112);
//       box.Click(IDCANCEL);
//   });
//   main.Click(114);
//
// Depends on platform/dialogs.h and the host window model's records.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/dialogs.h"
#include "platform/host/dialog_host.h"

namespace plat::host {

class DialogDriver {
public:
    explicit DialogDriver(WindowHandle dialog = nullptr) : dialog_(dialog) {}

    WindowHandle Handle() const { return dialog_; }
    // The dialog exists and has not been ended.
    bool IsOpen() const;
    bool IsVisible() const;
    std::string TemplateName() const;
    std::string Caption() const;

    // ---- Actions; false when the input cannot be given -------------------------
    bool Click(int itemId);                        // button, check box, radio button
    bool ChooseItem(int itemId, const std::string& text);  // combo or list box, exact text
    bool ChooseIndex(int itemId, int index);
    bool Type(int itemId, const std::string& text);  // replaces the field's text
    bool Focus(int itemId);                        // click into a field
    bool Tab();                                    // focus to the next tab stop
    bool Enter();
    bool Escape();
    bool Close();                                  // the caption's close box
    bool Scroll(int itemId, uint32_t code);        // SB_LINELEFT ... SB_PAGERIGHT
    bool DragThumb(int itemId, int position);      // SB_THUMBTRACK, SB_THUMBPOSITION
    // Queued for PumpOneMessage / DropOneMessage instead of delivered now.
    bool PostClick(int itemId);
    bool PostEscape();

    // ---- State -------------------------------------------------------------------
    bool Exists(int itemId) const;
    std::string Text(int itemId) const;
    bool Enabled(int itemId) const;
    bool Visible(int itemId) const;
    bool Checked(int itemId) const;
    std::vector<std::string> Items(int itemId) const;
    int Selection(int itemId) const;
    std::string SelectedText(int itemId) const;  // empty without a selection
    intptr_t ItemData(int itemId, int index) const;
    uint32_t TextLimit(int itemId) const;
    int FocusId() const;  // 0 when no control has the focus
    int ScrollPosition(int itemId) const;
    int ScrollMinimum(int itemId) const;
    int ScrollMaximum(int itemId) const;
    std::vector<FilledRect> Fills(int itemId) const;
    const ControlTemplate* ControlSource(int itemId) const;

private:
    HostDialog* Live() const;
    HostControl* Control(int itemId) const;
    bool Finish(bool done);

    WindowHandle dialog_;
};

// The open dialogs, oldest first, and the newest open one made from a template.
std::vector<DialogDriver> OpenDialogs();
DialogDriver FindOpenDialog(const std::string& templateName);

// Answers the next modal dialog, which must come from `templateName`; handlers
// are used in the order they were given. A dialog that comes unexpected goes to
// the fallback (or gets Esc) and is counted.
void ExpectModal(const std::string& templateName, std::function<void(DialogDriver)> handler);
void SetModalFallback(std::function<void(DialogDriver, const std::string& templateName)> handler);
uint32_t PendingExpectedModals();
uint32_t UnexpectedModals();
uint32_t UnansweredModals();  // dialogs a handler left open (ended with -1)

// Message boxes (recorded by the host backend, see host_hooks.h): an answerer
// that sees each box's text and caption; without one every box answers IDOK.
struct ShownMessageBox {
    std::string text;
    std::string caption;
    uint32_t style;
};
void SetMessageBoxAnswerer(std::function<int(const ShownMessageBox&)> answerer);
// The boxes shown since the last call, oldest first.
std::vector<ShownMessageBox> TakeMessageBoxes();

// Delivers the queued messages of every open dialog (the application's loop).
void DeliverAllPending();

// Records every message delivered to a dialog procedure from now on.
void StartMessageLog();
std::vector<LoggedMessage> TakeMessageLog();

// Destroys every dialog and forgets queued messages, handlers, the log, the
// message box answerer and the recorded message boxes.
void ResetDialogDriver();

}  // namespace plat::host
