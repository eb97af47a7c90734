// korvex-render-dialogs: draws dialogs of KORVEX32.ds to PNG files on Linux,
// as built from their templates (every control in its state at creation).
// Usage: korvex-render-dialogs <output directory> [TEMPLATE ...]
// Without template names every dialog of korvex32.rc is drawn, one file each
// (<output directory>/<TEMPLATE>.png).
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
    const std::string directory = argv[1];
    std::error_code made;
    std::filesystem::create_directories(directory, made);
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
        if (korvex::tools::RenderDialogPng(dialog, path, error)) {
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
