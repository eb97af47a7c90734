// korvex-dialog-shots.exe: pictures of the real dialogs of the Windows build.
// Each dialog template of the program's resources (the same korvex32.rc that
// KORVEX32.ds carries) is created, shown and captured, frame included, as
// <output directory>\<TEMPLATE>.bmp; one line per dialog gives its client
// size in pixels ("TEMPLATE WIDTHxHEIGHT"). Usage:
//   korvex-dialog-shots <output directory> [TEMPLATE ...]
// scripts/dialog-pictures.sh runs it under Wine and Xvfb.
#include <cstdio>
#include <string>
#include <vector>

#include "platform/dialogs.h"
#include "platform/win32/app_window.h"
#include "platform/win32/window_capture.h"

namespace {

intptr_t PLAT_CALLBACK TemplateOnlyProc(plat::WindowHandle, uint32_t message, uintptr_t, intptr_t) {
    return message == plat::WM_INITDIALOG ? 1 : 0;
}

// Lets the dialog paint itself before the screen is read.
void LetItPaint() {
    for (int round = 0; round < 10; ++round) {
        plat::win32::PumpPendingMessages(nullptr, nullptr);
        plat::SleepMs(20);
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s <output directory> [TEMPLATE ...]\n", argv[0]);
        return 2;
    }
    const std::string directory = argv[1];
    std::vector<std::string> names(argv + 2, argv + argc);
    if (names.empty()) names = plat::win32::DialogTemplateNames(plat::ResourceModule());
    int failures = 0;
    for (const std::string& name : names) {
        plat::WindowHandle dialog = plat::CreateModelessDialog(name.c_str(), nullptr, TemplateOnlyProc, 0);
        if (dialog == nullptr) {
            std::fprintf(stderr, "%s: no such dialog template\n", name.c_str());
            ++failures;
            continue;
        }
        plat::ShowDialog(dialog, true);
        LetItPaint();
        int width = 0, height = 0;
        plat::win32::ClientSize(dialog, &width, &height);
        const std::string path = directory + "\\" + name + ".bmp";
        if (plat::win32::CaptureWindowBmp(dialog, path)) {
            std::printf("%s %dx%d\n", name.c_str(), width, height);
        } else {
            std::fprintf(stderr, "%s: cannot capture into %s\n", name.c_str(), path.c_str());
            ++failures;
        }
        plat::DestroyDialog(dialog);
    }
    return failures == 0 ? 0 : 1;
}
