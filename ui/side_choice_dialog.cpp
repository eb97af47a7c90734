// The simplex/duplex chooser's procedure: OK and Esc take the checked button,
// the close box leaves the side as it was.
#include "ui/side_choice_dialog.h"

#include <cstring>

#include "settings/settings_model.h"
#include "ui/dialog_controls.h"

namespace {

constexpr int kSimplex = 1000;
constexpr int kDuplex = 1001;

void Check(plat::WindowHandle dialog, int id, bool checked) {
    plat::SetItemCheck(dialog, id, checked ? plat::BST_CHECKED : plat::BST_UNCHECKED);
}

}  // namespace

intptr_t PLAT_CALLBACK SideChoiceProc(plat::WindowHandle dialog, uint32_t message, uintptr_t wParam, intptr_t) {
    switch (message) {
        case plat::WM_INITDIALOG: {
            const bool simplex = std::strncmp(SideMode.text, "Simplex", sizeof SideMode.text) == 0;
            Check(dialog, kSimplex, simplex);
            Check(dialog, kDuplex, !simplex);
            return 1;
        }
        case plat::WM_CLOSE:
            plat::EndModalDialog(dialog, plat::IDCANCEL);
            return 1;
        case plat::WM_COMMAND:
            break;
        default:
            return 0;
    }
    const int id = CommandId(wParam);
    if (id == kSimplex || id == kDuplex) {
        const int partner = id == kSimplex ? kDuplex : kSimplex;
        if (plat::GetItemCheck(dialog, id) == plat::BST_CHECKED) Check(dialog, partner, false);
    } else if (id == plat::IDOK || id == plat::IDCANCEL) {
        SetSettingText(SideMode, plat::GetItemCheck(dialog, kSimplex) == plat::BST_CHECKED ? "Simplex" : "Duplex");
        plat::EndModalDialog(dialog, id);
    }
    return 1;
}
