// The free paper size dialog procedure: the entry fields, the sorted list of
// defined sizes with their slot numbers, Add and Delete.
#include "ui/free_size_dialog.h"

#include <cstdio>
#include <cstring>

#include "scanner/model_table.h"
#include "scanner/scanner_messages.h"
#include "settings/settings_file.h"
#include "settings/settings_model.h"
#include "ui/dialog_controls.h"

namespace {

constexpr int kAddButton = 112;
constexpr int kDeleteButton = 113;
constexpr int kCloseButton = 2;
constexpr int kNameField = 1009;
constexpr int kWidthField = 1010;
constexpr int kLengthField = 1011;
constexpr int kSizeList = 1012;
constexpr int kMaxWidthText = 1103;
constexpr int kMaxLengthText = 1104;
constexpr int kMinWidthText = 1108;
constexpr int kMinLengthText = 1109;

constexpr uint32_t kNameLimit = 10;
constexpr uint32_t kSizeLimit = 3;

constexpr uint8_t kMsgSameName = 0;
constexpr uint8_t kMsgInvalidSize = 1;
constexpr uint8_t kMsgNothingChosen = 2;

constexpr int kLineSize = 64;

void ShowError(plat::WindowHandle dialog, uint8_t code) {
    ShowScannerMessage(dialog, kSourceMessageKey, kFreeSizeGroup, code);
}

bool SlotUsed(const FreeSize& size) { return size.name[0] != '\0'; }

void UpdateButtons(plat::WindowHandle dialog) {
    int used = 0;
    for (const FreeSize& size : FreeSizeTable) used += SlotUsed(size) ? 1 : 0;
    plat::EnableItem(dialog, kAddButton, used < kFreeSizeSlots);
    plat::EnableItem(dialog, kDeleteButton, used > 0);
}

void ShowDraft(plat::WindowHandle dialog) {
    char name[kSettingTextSize];
    std::memcpy(name, FreeSizeDraft.name, sizeof name);
    name[kSettingTextSize - 1] = '\0';
    plat::SetItemText(dialog, kNameField, name);
    ShowNumber(dialog, kWidthField, FreeSizeDraft.width, false);
    ShowNumber(dialog, kLengthField, FreeSizeDraft.length, false);
}

void FillSizeList(plat::WindowHandle dialog) {
    plat::ListReset(dialog, kSizeList);
    for (int slot = 0; slot < kFreeSizeSlots; ++slot) {
        const FreeSize& size = FreeSizeTable[slot];
        if (!SlotUsed(size)) continue;
        char line[kLineSize];
        std::snprintf(line, sizeof line, "%.31s : %ld x %ld", size.name, static_cast<long>(size.width),
                      static_cast<long>(size.length));
        const int index = plat::ListAddString(dialog, kSizeList, line);
        if (index >= 0) plat::ListSetItemData(dialog, kSizeList, index, slot);
    }
}

void Refill(plat::WindowHandle dialog) {
    ShowDraft(dialog);
    FillSizeList(dialog);
}

void AcceptName(plat::WindowHandle dialog) {
    char name[kNameLimit + 1];
    name[0] = '\0';
    plat::GetItemText(dialog, kNameField, name, sizeof name);
    std::memset(FreeSizeDraft.name, 0, sizeof FreeSizeDraft.name);
    std::memcpy(FreeSizeDraft.name, name, std::strlen(name));
}

// A number is held to the model's limits; anything else brings the draft's
// value back.
void AcceptSize(plat::WindowHandle dialog, int fieldId, int32_t& draft, int32_t minimum, int32_t maximum) {
    int32_t value = draft;
    if (ReadSignedNumber(dialog, fieldId, value)) {
        if (value < minimum) value = minimum;
        if (value > maximum) value = maximum;
    }
    ShowNumber(dialog, fieldId, value, true);
    draft = value;
}

void AcceptField(plat::WindowHandle dialog, int fieldId) {
    if (fieldId == kNameField) AcceptName(dialog);
    if (fieldId == kWidthField) AcceptSize(dialog, kWidthField, FreeSizeDraft.width, MinPageWidth, MaxPageWidth);
    if (fieldId == kLengthField) {
        AcceptSize(dialog, kLengthField, FreeSizeDraft.length, MinPageLength, MaxPageLength);
    }
}

void Add(plat::WindowHandle dialog) {
    // Add is the default button: what is typed in the field that still has
    // the focus counts as if the field had been left.
    const int focus = plat::GetFocusItem(dialog);
    if (focus == kNameField || focus == kWidthField || focus == kLengthField) AcceptField(dialog, focus);

    if (FreeSizeDraft.name[0] == '\0' || FreeSizeDraft.width == 0 || FreeSizeDraft.length == 0) {
        ShowError(dialog, kMsgInvalidSize);
        return;
    }
    FreeSize* freeSlot = nullptr;
    for (FreeSize& size : FreeSizeTable) {
        if (!SlotUsed(size)) {
            freeSlot = &size;
            break;
        }
    }
    if (freeSlot == nullptr) return;
    for (const FreeSize& size : FreeSizeTable) {
        if (std::strncmp(size.name, FreeSizeDraft.name, sizeof size.name) == 0) {
            ShowError(dialog, kMsgSameName);
            return;
        }
    }
    *freeSlot = FreeSizeDraft;
    SaveFreeSizes();
    Refill(dialog);
}

void Delete(plat::WindowHandle dialog) {
    const int line = plat::ListGetSelection(dialog, kSizeList);
    if (line == plat::LB_ERR) {
        ShowError(dialog, kMsgNothingChosen);
        return;
    }
    const intptr_t slot = plat::ListGetItemData(dialog, kSizeList, line);
    plat::ListDeleteString(dialog, kSizeList, line);
    if (slot >= 0 && slot < kFreeSizeSlots) {
        FreeSizeTable[slot] = FreeSize{};
        SaveFreeSizes();
    }
    Refill(dialog);
}

}  // namespace

intptr_t PLAT_CALLBACK FreeSizeProc(plat::WindowHandle dialog, uint32_t message, uintptr_t wParam, intptr_t) {
    switch (message) {
        case plat::WM_INITDIALOG:
            ShowNumber(dialog, kMaxWidthText, MaxPageWidth, true);
            ShowNumber(dialog, kMaxLengthText, MaxPageLength, true);
            ShowNumber(dialog, kMinWidthText, MinPageWidth, true);
            ShowNumber(dialog, kMinLengthText, MinPageLength, true);
            plat::SetItemTextLimit(dialog, kNameField, kNameLimit);
            plat::SetItemTextLimit(dialog, kWidthField, kSizeLimit);
            plat::SetItemTextLimit(dialog, kLengthField, kSizeLimit);
            plat::EnableItem(dialog, kAddButton, false);
            plat::EnableItem(dialog, kDeleteButton, false);
            Refill(dialog);
            return 1;
        case plat::WM_COMMAND:
            break;
        default:
            UpdateButtons(dialog);
            return 0;
    }
    const int id = CommandId(wParam);
    const uint32_t code = CommandCode(wParam);
    switch (id) {
        case kNameField:
        case kWidthField:
        case kLengthField:
            if (code == plat::EN_KILLFOCUS) AcceptField(dialog, id);
            break;
        case kAddButton:
            Add(dialog);
            UpdateButtons(dialog);
            break;
        case kDeleteButton:
            Delete(dialog);
            UpdateButtons(dialog);
            break;
        case kCloseButton:
            plat::EndModalDialog(dialog, kCloseButton);
            break;
        default:
            break;
    }
    return 1;
}
