// The About dialog procedure.
#include "ui/about_dialog.h"

#include <cstdio>

#include "scanner/discovery.h"
#include "ui/dialog_controls.h"

namespace {

constexpr int kVendorText = 104;
constexpr int kVersionText = 105;
constexpr int kVersionInfoText = 106;
constexpr int kProductText = 107;
constexpr int kRevisionText = 108;
constexpr int kTargetText = 109;

constexpr uint32_t kStrVersionInfo = 3;
constexpr uint32_t kStrMajorVersion = 4;
constexpr uint32_t kStrMinorVersion = 5;
constexpr int kTextSize = 64;

void ShowIdentity(plat::WindowHandle dialog) {
    char major[kTextSize] = "";
    char minor[kTextSize] = "";
    plat::LoadResString(kStrMajorVersion, major, sizeof major);
    plat::LoadResString(kStrMinorVersion, minor, sizeof minor);
    char text[kTextSize * 2 + 4];
    std::snprintf(text, sizeof text, "%s.%s ", major, minor);
    plat::SetItemText(dialog, kVersionText, text);

    char info[kTextSize] = "";
    plat::LoadResString(kStrVersionInfo, info, sizeof info);
    plat::SetItemText(dialog, kVersionInfoText, info);

    plat::SetItemText(dialog, kVendorText, InquiryVendor);
    plat::SetItemText(dialog, kProductText, InquiryProduct);
    plat::SetItemText(dialog, kRevisionText, InquiryRevision);
    std::snprintf(text, sizeof text, "#%u", static_cast<unsigned>(ScsiTarget));
    plat::SetItemText(dialog, kTargetText, text);
}

}  // namespace

intptr_t PLAT_CALLBACK AboutProc(plat::WindowHandle dialog, uint32_t message, uintptr_t wParam, intptr_t) {
    if (message == plat::WM_INITDIALOG) {
        ShowIdentity(dialog);
        return 1;
    }
    if (message == plat::WM_COMMAND && (CommandId(wParam) == plat::IDOK || CommandId(wParam) == plat::IDCANCEL)) {
        plat::EndModalDialog(dialog, CommandId(wParam));
        return 1;
    }
    return 0;
}
