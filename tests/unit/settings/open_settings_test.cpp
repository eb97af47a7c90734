// Opening the source with a prepared KORVEX32.INI against a scripted ASPI
// manager: the model is applied, the settings loaded, the capability indices
// synchronised and the default page frame computed.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "tests/support/fake_aspi.h"
#include "platform/host/host_hooks.h"
#include "scanner/discovery.h"
#include "scanner/model_table.h"
#include "scanner/scan_window.h"
#include "settings/capability_container.h"
#include "settings/capability_state.h"
#include "settings/settings_model.h"
#include "settings_test_support.h"
#include "twain/dispatch.h"
#include "twain/image_layout.h"
#include "twain/source_state.h"

namespace {

using settings_test::TempWindowsDirectory;

class OpenWithSettings : public ::testing::Test {
protected:
    void SetUp() override {
        plat::host::ResetHostHooks();
        windows_.Use();
        fake_aspi::Install();
    }
    void TearDown() override {
        TW_IDENTITY app = App();
        DS_Entry(&app, DG_CONTROL, DAT_IDENTITY, MSG_CLOSEDS, nullptr);
        plat::host::ResetHostHooks();
    }

    static TW_IDENTITY App() {
        alignas(4) TW_IDENTITY app{};
        app.Id = 21;
        std::strcpy(app.Manufacturer, "Maker");
        std::strcpy(app.ProductFamily, "Family");
        return app;
    }

    // MSG_OPENDS as the manager sends it, with the source's Id 9.
    TW_UINT16 Open() {
        TW_IDENTITY app = App();
        alignas(4) TW_IDENTITY source{};
        DS_Entry(nullptr, DG_CONTROL, DAT_IDENTITY, MSG_GET, &source);
        source.Id = 9;
        return DS_Entry(&app, DG_CONTROL, DAT_IDENTITY, MSG_OPENDS, &source);
    }

    TW_UINT16 StatusCondition() {
        TW_IDENTITY app = App();
        TW_STATUS status{};
        EXPECT_EQ(DS_Entry(&app, DG_CONTROL, DAT_STATUS, MSG_GET, &status), TWRC_SUCCESS);
        return status.ConditionCode;
    }

    TempWindowsDirectory windows_;
};

double Inches(TW_FIX32 value) { return Fix32ToFloat(value); }

TEST_F(OpenWithSettings, Generation8ModelLoadsItsSavedSettings) {
    fake_aspi::AddDevice(0, 3, 6, "T.S.E.", "ZR-DX961s");
    windows_.WriteSettingsFile(
        "[Inifile]\r\nName=KORVEX32.INI\r\nScanner=ZR-DX961s\r\n"
        "[Image]\r\nImage Type=Gray Scale 4 bit\r\nResolution=200 DPI\r\nPaper Size=A3\r\n"
        "Double Feed=ON\r\nWait Timeout=25\r\n"
        "[Endorser]\r\nEndorser Start=0012abc\r\nEndorser Pos=300\r\n");

    ASSERT_EQ(Open(), TWRC_SUCCESS);
    EXPECT_EQ(StatusCondition(), TWCC_SUCCESS);
    EXPECT_EQ(SourceState, kStateOpen);
    TW_IDENTITY app = App();
    alignas(4) TW_IDENTITY identity{};
    ASSERT_EQ(DS_Entry(&app, DG_CONTROL, DAT_IDENTITY, MSG_GET, &identity), TWRC_SUCCESS);
    EXPECT_EQ(identity.Id, 9u);
    EXPECT_STREQ(identity.ProductName, "Orvantica DX Series (32 bit)");

    EXPECT_STREQ(ModelName, "ZR-DX961s");
    EXPECT_EQ(ModelGeneration, 8);
    EXPECT_STREQ(DoubleFeed.text, "ON");
    EXPECT_EQ(ScanValues.waitTimeout, 25);
    EXPECT_EQ(ScanValues.endorserStart, 12u);
    EXPECT_EQ(ScanValues.endorserOffset, 44);

    // Gray 4 bit at 200 DPI in the capabilities.
    const CapabilityStateRecord& caps = CapabilityState;
    EXPECT_EQ(caps.pixelType.current.items[caps.pixelType.current.currentIndex], TWPT_GRAY);
    EXPECT_EQ(caps.bitDepth.current.items[caps.bitDepth.current.currentIndex], 4);
    EXPECT_EQ(caps.resolution.current.items[caps.resolution.current.currentIndex].Whole, 200);

    // A3 at 200 DPI: 14032 gives 2338 pixels, rounded to 2368 (14208), above
    // the limit 14064, so 2336 pixels (14016); the length stays 19843.
    EXPECT_EQ(ScanWindow.paperWidth, 14016u);
    EXPECT_EQ(ScanWindow.width, 14016u);
    EXPECT_EQ(ScanWindow.paperLength, 19843u);
    EXPECT_EQ(ScanWindow.length, 19843u);
    EXPECT_EQ(LayoutFrame.Left.Whole, 0);
    EXPECT_EQ(LayoutFrame.Top.Whole, 0);
    EXPECT_NEAR(Inches(LayoutFrame.Right), 11.68, 0.001);
    EXPECT_NEAR(Inches(LayoutFrame.Bottom), 19843.0 / 1200.0, 0.001);
}

TEST_F(OpenWithSettings, Generation0ModelWithoutSettingsTakesTheDefaults) {
    fake_aspi::AddDevice(0, 0, 6, "T.S.E.", "ZR-DX83");
    windows_.WriteSettingsFile(
        "[Inifile]\r\nName=KORVEX32.INI\r\nScanner=ZR-DX961s\r\n"
        "[Image]\r\nImage Type=Gray Scale 8 bit\r\n"
        "[Free Size]\r\nName1=Ticket\r\nWidth1=100\r\nLength1=150\r\n");

    ASSERT_EQ(Open(), TWRC_SUCCESS);
    EXPECT_EQ(StatusCondition(), TWCC_SUCCESS);
    EXPECT_EQ(ModelGeneration, 0);
    EXPECT_EQ(ModelFamily, 0);
    EXPECT_STREQ(ImageType.text, "Black & White");
    EXPECT_STREQ(Resolution.text, "200 DPI");
    EXPECT_STREQ(PaperSize.text, "Letter");
    EXPECT_STREQ(FreeSizeTable[0].name, "Ticket");
    EXPECT_EQ(CapabilityState.pixelType.current.numItems, 1u);
    EXPECT_EQ(CapabilityState.resolution.current.currentIndex, 2u);

    // Letter at 200 DPI: 1700 pixels rounded to 1728 (10368).
    EXPECT_EQ(ScanWindow.paperWidth, 10368u);
    EXPECT_EQ(ScanWindow.paperLength, 13200u);
    EXPECT_NEAR(Inches(LayoutFrame.Right), 8.64, 0.001);
    EXPECT_NEAR(Inches(LayoutFrame.Bottom), 11.0, 0.001);
}

TEST_F(OpenWithSettings, AFreeSizeBecomesTheDefaultFrame) {
    fake_aspi::AddDevice(0, 0, 6, "T.S.E.", "ZR-DX83");
    windows_.WriteSettingsFile(
        "[Inifile]\r\nName=KORVEX32.INI\r\nScanner=ZR-DX83\r\n"
        "[Image]\r\nResolution=150 DPI\r\nPaper Size=Ticket\r\n"
        "[Free Size]\r\nName1=Other\r\nWidth1=50\r\nLength1=50\r\n"
        "Name2=Ticket\r\nWidth2=100\r\nLength2=150\r\n");

    ASSERT_EQ(Open(), TWRC_SUCCESS);
    // 100 by 150 mm: 4724 by 7086; 590 pixels at 150 DPI rounded to 608 (4864).
    EXPECT_EQ(ScanWindow.paperWidth, 4864u);
    EXPECT_EQ(ScanWindow.paperLength, 7086u);
}

}  // namespace
