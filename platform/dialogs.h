// Dialog services of the platform boundary: dialogs built from the module's
// templates, the item operations the dialog procedures use, and the two
// message-pump steps of the wait loops. Procedures keep the Windows shape and
// receive the Windows messages below. Depends only on platform/platform.h.
#pragma once

#include <cstdint>

#include "platform/platform.h"

namespace plat {

using DialogProc = intptr_t(PLAT_CALLBACK*)(WindowHandle dialog, uint32_t message, uintptr_t wParam,
                                             intptr_t lParam);

// ---- Windows messages and notification codes delivered to procedures ---------
constexpr uint32_t WM_DESTROY = 0x0002;
constexpr uint32_t WM_PAINT = 0x000F;
constexpr uint32_t WM_CLOSE = 0x0010;
constexpr uint32_t WM_SHOWWINDOW = 0x0018;
constexpr uint32_t WM_INITDIALOG = 0x0110;
constexpr uint32_t WM_COMMAND = 0x0111;
constexpr uint32_t WM_HSCROLL = 0x0114;
constexpr uint32_t WM_USER = 0x0400;

constexpr uint32_t BN_CLICKED = 0;
constexpr uint32_t CBN_SELCHANGE = 1;
constexpr uint32_t CBN_DBLCLK = 2;
constexpr uint32_t CBN_SETFOCUS = 3;
constexpr uint32_t CBN_KILLFOCUS = 4;
constexpr uint32_t CBN_EDITCHANGE = 5;
constexpr uint32_t CBN_DROPDOWN = 7;
constexpr uint32_t CBN_CLOSEUP = 8;
constexpr uint32_t CBN_SELENDOK = 9;
constexpr uint32_t LBN_SELCHANGE = 1;
constexpr uint32_t LBN_DBLCLK = 2;
constexpr uint32_t LBN_SETFOCUS = 4;
constexpr uint32_t LBN_KILLFOCUS = 5;
constexpr uint32_t EN_SETFOCUS = 0x0100;
constexpr uint32_t EN_KILLFOCUS = 0x0200;
constexpr uint32_t EN_CHANGE = 0x0300;
constexpr uint32_t EN_UPDATE = 0x0400;
constexpr uint32_t EN_MAXTEXT = 0x0501;

constexpr uint32_t SB_LINELEFT = 0;
constexpr uint32_t SB_LINERIGHT = 1;
constexpr uint32_t SB_PAGELEFT = 2;
constexpr uint32_t SB_PAGERIGHT = 3;
constexpr uint32_t SB_THUMBPOSITION = 4;
constexpr uint32_t SB_THUMBTRACK = 5;
constexpr uint32_t SB_LEFT = 6;
constexpr uint32_t SB_RIGHT = 7;
constexpr uint32_t SB_ENDSCROLL = 8;

constexpr uint32_t BST_UNCHECKED = 0;
constexpr uint32_t BST_CHECKED = 1;

constexpr int CB_ERR = -1;
constexpr int LB_ERR = -1;

// ---- Dialog life cycle -----------------------------------------------------------
// Create a modeless dialog from the named template; null when it cannot be made.
WindowHandle CreateModelessDialog(const char* templateName, WindowHandle owner, DialogProc proc,
                                  intptr_t initParam);
// Run a modal dialog to its end; answers the EndModalDialog result, -1 on failure.
intptr_t RunModalDialog(const char* templateName, WindowHandle owner, DialogProc proc,
                        intptr_t initParam);
void EndModalDialog(WindowHandle dialog, intptr_t result);
void DestroyDialog(WindowHandle dialog);
void ShowDialog(WindowHandle dialog, bool visible);
bool IsDialogVisible(WindowHandle dialog);
intptr_t SendDialogMessage(WindowHandle window, uint32_t message, uintptr_t wParam,
                           intptr_t lParam);

// ---- Items -----------------------------------------------------------------------
WindowHandle GetItem(WindowHandle dialog, int itemId);
void SetItemText(WindowHandle dialog, int itemId, const char* text);
uint32_t GetItemText(WindowHandle dialog, int itemId, char* buffer, uint32_t bufferSize);
void SetItemInt(WindowHandle dialog, int itemId, uint32_t value, bool isSigned);
// GetDlgItemInt semantics; *translated tells whether the text was a number.
uint32_t GetItemInt(WindowHandle dialog, int itemId, bool* translated, bool isSigned);
void SetItemCheck(WindowHandle dialog, int itemId, uint32_t state);
uint32_t GetItemCheck(WindowHandle dialog, int itemId);
// The dialog's own caption (SetWindowText on the dialog).
void SetDialogCaption(WindowHandle dialog, const char* text);
// The control id of a control window (GetDlgCtrlID); 0 for anything else.
int GetItemId(WindowHandle control);
void EnableItem(WindowHandle dialog, int itemId, bool enabled);
bool IsItemEnabled(WindowHandle dialog, int itemId);
void ShowItem(WindowHandle dialog, int itemId, bool visible);
void SetItemTextLimit(WindowHandle dialog, int itemId, uint32_t limit);
void SetItemFocus(WindowHandle dialog, int itemId);
// The id of the dialog's control that has the keyboard focus; 0 when none has.
int GetFocusItem(WindowHandle dialog);
// Selects the whole text of an edit field (EM_SETSEL 0, -1).
void SelectAllItemText(WindowHandle dialog, int itemId);

// ---- Combo boxes (drop-down lists) -------------------------------------------------
void ComboReset(WindowHandle dialog, int itemId);
int ComboAddString(WindowHandle dialog, int itemId, const char* text);
int ComboCount(WindowHandle dialog, int itemId);
// CB_SELECTSTRING: prefix search without regard to case, starting after
// startAfter (-1 searches from the top) and wrapping; selects and answers the
// index found, CB_ERR when none.
int ComboSelectPrefix(WindowHandle dialog, int itemId, int startAfter, const char* prefix);
int ComboSetSelection(WindowHandle dialog, int itemId, int index);
int ComboGetSelection(WindowHandle dialog, int itemId);
uint32_t ComboGetItemText(WindowHandle dialog, int itemId, int index, char* buffer,
                          uint32_t bufferSize);

// ---- List boxes -------------------------------------------------------------------
void ListReset(WindowHandle dialog, int itemId);
int ListAddString(WindowHandle dialog, int itemId, const char* text);  // sorted lists insert in order
int ListCount(WindowHandle dialog, int itemId);
int ListDeleteString(WindowHandle dialog, int itemId, int index);
bool ListSetItemData(WindowHandle dialog, int itemId, int index, intptr_t data);
intptr_t ListGetItemData(WindowHandle dialog, int itemId, int index);
int ListSetSelection(WindowHandle dialog, int itemId, int index);
int ListGetSelection(WindowHandle dialog, int itemId);
uint32_t ListGetItemText(WindowHandle dialog, int itemId, int index, char* buffer,
                         uint32_t bufferSize);

// ---- Scroll bars (scroll bar controls) ------------------------------------------------
void ScrollSetRange(WindowHandle dialog, int itemId, int minimum, int maximum);
void ScrollSetPosition(WindowHandle dialog, int itemId, int position);
int ScrollGetPosition(WindowHandle dialog, int itemId);

// ---- Message pump steps -----------------------------------------------------------------
// The dialog-message test of MSG_PROCESSEVENT: offers the application's native
// message (a MSG on Windows) to the dialog; true when the dialog took it.
bool OfferDialogMessage(WindowHandle dialog, void* nativeMessage);
// Take one pending message of the window (or its children), translate and
// dispatch it; false when none was pending.
bool PumpOneMessage(WindowHandle window);
// Remove one pending message addressed to the window or its children and drop it.
bool DropOneMessage(WindowHandle window);

// ---- Painting ------------------------------------------------------------------------------
// Fill a rectangle of an item's client area with a solid colour (0x00BBGGRR).
void FillItemRect(WindowHandle dialog, int itemId, int left, int top, int right, int bottom,
                  uint32_t colour);
// The item's client size in pixels.
bool GetItemClientSize(WindowHandle dialog, int itemId, int* width, int* height);

}  // namespace plat
