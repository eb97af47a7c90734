// korvex-render-ui: draws every dialog of the source's user interface as a
// user meets it, filled by its own procedure (after WM_INITDIALOG), for one
// model of each generation: 0 (ZR-DX73), 1 (ZR-DX73PX) and 8 (ZR-DX961s).
// The settings are the defaults, with one free paper size, in a private
// Windows directory; no scanner is needed.
// Usage: korvex-render-ui <output directory>
// Writes <output directory>/g<generation>-<TEMPLATE>[-<variant>].png.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "platform/dialogs.h"
#include "platform/host/dialog_driver.h"
#include "platform/host/host_hooks.h"
#include "platform/platform.h"
#include "scanner/discovery.h"
#include "scanner/model_table.h"
#include "settings/settings_file.h"
#include "settings/settings_model.h"
#include "tools/render-dialogs/dialog_render.h"
#include "twain/source_state.h"
#include "ui/about_dialog.h"
#include "ui/endorser_dialog.h"
#include "ui/free_size_dialog.h"
#include "ui/main_dialog.h"
#include "ui/more_settings.h"
#include "ui/side_choice_dialog.h"
#include "ui/sub_area_dialog.h"

namespace {

// Columns: model, generation, target id.
struct RenderedModel {
    const char* name;
    int generation;
    uint8_t target;
};
constexpr RenderedModel kModels[] = {
    {"ZR-DX73", 0, 2},
    {"ZR-DX73PX", 1, 4},
    {"ZR-DX961s", 8, 5},
};

void CopyPadded(char* field, size_t size, const char* text) {
    std::memset(field, ' ', size - 1);
    field[size - 1] = '\0';
    std::memcpy(field, text, std::min(std::strlen(text), size - 1));
}

// The state opening the source on this model leaves behind.
bool IdentifyAs(const RenderedModel& model) {
    RestoreLoadState();
    std::strncpy(ModelName, model.name, sizeof ModelName - 1);
    CopyPadded(InquiryVendor, sizeof InquiryVendor, "T.S.E.");
    CopyPadded(InquiryProduct, sizeof InquiryProduct, model.name);
    CopyPadded(InquiryRevision, sizeof InquiryRevision, "1.00");
    ScsiTarget = model.target;
    if (ApplyModel() != 1) return false;
    LoadSettings();
    std::strcpy(FreeSizeTable[0].name, "Receipt");
    FreeSizeTable[0].width = 80;
    FreeSizeTable[0].length = 200;
    SyncCapabilityIndices();
    RefreshAvailability();
    return true;
}

int Render(plat::WindowHandle dialog, const std::string& path) {
    std::string error;
    if (!korvex::tools::RenderDialogPng(dialog, path, error)) {
        std::fprintf(stderr, "%s: %s\n", path.c_str(), error.c_str());
        return 1;
    }
    std::printf("%s\n", path.c_str());
    return 0;
}

// Makes and shows the dialog as its caller would (modeless here, so that it
// can be drawn after its procedure has filled it), draws it and closes it.
int Draw(plat::DialogProc proc, const char* templateName, plat::WindowHandle owner, const std::string& path) {
    plat::WindowHandle dialog = plat::CreateModelessDialog(templateName, owner, proc, 0);
    if (dialog == nullptr) {
        std::fprintf(stderr, "%s: no such dialog template\n", templateName);
        return 1;
    }
    plat::ShowDialog(dialog, true);
    const int failed = Render(dialog, path);
    plat::DestroyDialog(dialog);
    return failed;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <output directory>\n", argv[0]);
        return 2;
    }
    const std::string directory = argv[1];
    std::error_code made;
    std::filesystem::create_directories(directory, made);
    std::string windows = (std::filesystem::temp_directory_path() / "korvex-render-ui-XXXXXX").string();
    if (mkdtemp(windows.data()) == nullptr) {
        std::fprintf(stderr, "no temporary Windows directory\n");
        return 1;
    }
    plat::host::SetWindowsDirectory(windows.c_str());

    int failures = 0;
    for (const RenderedModel& model : kModels) {
        if (!IdentifyAs(model)) {
            std::fprintf(stderr, "%s: not in the model table\n", model.name);
            ++failures;
            continue;
        }
        const std::string prefix = directory + "/g" + std::to_string(model.generation) + "-";
        plat::WindowHandle main = plat::CreateModelessDialog(kMainDialogTemplate, nullptr, MainDialogProc, 0);
        if (main == nullptr) {
            ++failures;
            continue;
        }
        plat::ShowDialog(main, true);
        failures += Render(main, prefix + kMainDialogTemplate + ".png");
        const char* more = model.generation >= 8 ? kMoreSettings961Template : kMoreSettingsTemplate;
        failures += Draw(MoreSettingsProc, more, main, prefix + more + ".png");
        failures += Draw(FreeSizeProc, kFreeSizeTemplate, main, prefix + kFreeSizeTemplate + ".png");
        if (model.generation >= 8) {
            failures += Draw(EndorserProc, kEndorserTemplate, main, prefix + kEndorserTemplate + ".png");
        }
        SubAreaSide = kSubAreaFront;
        failures += Draw(SubAreaProc, kSubAreaTemplate, main, prefix + kSubAreaTemplate + "-front.png");
        // The back's "Sub Area..." is usable in duplex only.
        plat::host::DialogDriver(main).Click(1003);
        SubAreaSide = kSubAreaBack;
        failures += Draw(SubAreaProc, kSubAreaTemplate, main, prefix + kSubAreaTemplate + "-back.png");
        failures += Draw(AboutProc, kAboutTemplate, main, prefix + kAboutTemplate + ".png");
        failures += Draw(SideChoiceProc, kSideChoiceTemplate, nullptr, prefix + kSideChoiceTemplate + ".png");
        plat::DestroyDialog(main);
    }
    korvex::tools::ReleaseRendererCaches();
    plat::host::SetWindowsDirectory(nullptr);
    std::filesystem::remove_all(windows, made);
    return failures == 0 ? 0 : 1;
}
