// The dialog tests' fixture, its part common to both builds.
#include "ui_fixture.h"

#include <cstring>
#include <fstream>

#include "platform/dialogs.h"
#include "settings/settings_file.h"
#include "settings/settings_model.h"
#include "twain/dispatch.h"
#include "ui/main_dialog.h"

namespace ui_test {

namespace {

TW_IDENTITY Application() {
    alignas(4) TW_IDENTITY app{};
    app.Id = 21;
    std::strcpy(app.Manufacturer, "Maker");
    std::strcpy(app.ProductFamily, "Family");
    std::strcpy(app.ProductName, "Dialog tests");
    return app;
}

}  // namespace

void DialogTest::SetUp() {
    plat::host::ResetDialogDriver();
    windowsDirectory_ = PrepareWindowsDirectory();
    ASSERT_FALSE(windowsDirectory_.empty());
}

void DialogTest::TearDown() {
    plat::host::ResetDialogDriver();
    TW_IDENTITY app = Application();
    DS_Entry(&app, DG_CONTROL, DAT_IDENTITY, MSG_CLOSEDS, nullptr);
    ReleaseWindowsDirectory(windowsDirectory_);
}

bool DialogTest::OpenSource(const char* product, const std::string& settings, int target) {
    if (!settings.empty()) {
        std::ofstream file(windowsDirectory_ + "/" + kSettingsFileName, std::ios::binary | std::ios::trunc);
        file << settings;
    }
    AttachScanner(windowsDirectory_, product, target);
    TW_IDENTITY app = Application();
    alignas(4) TW_IDENTITY source{};
    DS_Entry(nullptr, DG_CONTROL, DAT_IDENTITY, MSG_GET, &source);
    source.Id = 9;
    if (DS_Entry(&app, DG_CONTROL, DAT_IDENTITY, MSG_OPENDS, &source) != TWRC_SUCCESS) return false;
    RefreshAvailability();
    return true;
}

DialogDriver DialogTest::OpenMainDialog() {
    plat::WindowHandle dialog = plat::CreateModelessDialog(kMainDialogTemplate, nullptr, MainDialogProc, 0);
    EXPECT_NE(dialog, nullptr);
    plat::ShowDialog(dialog, true);
    return DialogDriver(dialog);
}

std::string DialogTest::FileValue(const char* section, const char* key) {
    char buffer[512];
    plat::ProfileGetString(section, key, "<missing>", buffer, sizeof buffer, kSettingsFileName);
    return buffer;
}

std::vector<std::string> DialogTest::Messages() {
    std::vector<std::string> texts;
    for (const plat::host::ShownMessageBox& box : plat::host::TakeMessageBoxes()) texts.push_back(box.text);
    return texts;
}

void Expect(const std::string& templateName, std::function<void(DialogDriver)> handler) {
    plat::host::ExpectModal(templateName, std::move(handler));
}

}  // namespace ui_test
