// korvex-render-dialogs: draws dialogs of KORVEX32.ds to PNG files on Linux,
// as built from their templates (every control in its state at creation).
// Usage: korvex-render-dialogs <output directory> [TEMPLATE ...]
// Without template names every dialog of korvex32.rc is drawn, one file each
// (<output directory>/<TEMPLATE>.png). Two helpers of scripts/dialog-pictures.sh:
//   korvex-render-dialogs --client-sizes   one "TEMPLATE WIDTHxHEIGHT" line per dialog
//   korvex-render-dialogs --png IN.bmp OUT.png   a capture of the Windows build as PNG
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/dialogs.h"
#include "platform/host/dialog_host.h"
#include "platform/host/dialog_templates.h"
#include "tools/render-dialogs/dialog_render.h"

namespace {
intptr_t PLAT_CALLBACK TemplateOnlyProc(plat::WindowHandle, uint32_t message, uintptr_t, intptr_t) {
    return message == plat::WM_INITDIALOG ? 1 : 0;
}
}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s <output directory> [TEMPLATE ...]\n", argv[0]);
        return 2;
    }
    const std::string first = argv[1];
    if (first == "--png") {
        std::string error;
        if (argc == 4 && korvex::tools::ConvertBmpToPng(argv[2], argv[3], error)) return 0;
        std::fprintf(stderr, "%s\n", argc == 4 ? error.c_str() : "usage: --png IN.bmp OUT.png");
        return argc == 4 ? 1 : 2;
    }
    const bool sizesOnly = first == "--client-sizes";
    const std::string directory = first;
    std::error_code made;
    if (!sizesOnly) std::filesystem::create_directories(directory, made);
    std::vector<std::string> names;
    for (int i = 2; i < argc; ++i) names.push_back(argv[i]);
    if (names.empty())
        for (const plat::host::DialogTemplate& dialog : plat::host::ModuleDialogTemplates()) names.push_back(dialog.name);
    if (names.empty()) {
        std::fprintf(stderr, "no dialog templates in the resource script\n");
        return 1;
    }
    int failures = 0;
    for (const std::string& name : names) {
        plat::WindowHandle dialog = plat::CreateModelessDialog(name.c_str(), nullptr, TemplateOnlyProc, 0);
        if (dialog == nullptr) {
            std::fprintf(stderr, "%s: no such dialog template\n", name.c_str());
            ++failures;
            continue;
        }
        const std::string path = directory + "/" + name + ".png";
        std::string error;
        int width = 0, height = 0;
        if (sizesOnly && korvex::tools::ClientSizeOf(dialog, width, height)) {
            std::printf("%s %dx%d\n", name.c_str(), width, height);
        } else if (sizesOnly) {
            ++failures;
        } else if (korvex::tools::RenderDialogPng(dialog, path, error)) {
            std::printf("%s\n", path.c_str());
        } else {
            std::fprintf(stderr, "%s: %s\n", name.c_str(), error.c_str());
            ++failures;
        }
        plat::DestroyDialog(dialog);
    }
    korvex::tools::ReleaseRendererCaches();
    return failures == 0 ? 0 : 1;
}
