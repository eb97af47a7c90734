// Opening the built source through the manager against the virtual scanner
// with a prepared KORVEX32.INI: the identified model and the saved settings
// show in what the source reports.
#include <cstring>
#include <string>
#include <vector>

#include "tests/e2e/e2e_support.h"

namespace {

class OpenWithSettingsFile : public ManagerTest {
protected:
    void TearDown() override {
        if (source.Id != 0) {
            EXPECT_EQ(CloseSource(source), TWRC_SUCCESS);
        }
        EXPECT_EQ(CloseManager(), TWRC_SUCCESS);
        ManagerTest::TearDown();
    }

    void OpenOn(const std::string& model, const std::string& settings) {
        WriteWindowsFile("vscanner.ini",
                         "[Device0]\nType=Scanner\nAdapter=0\nTarget=2\nModel=" + model + "\n");
        WriteWindowsFile("KORVEX32.INI", settings);
        ASSERT_EQ(OpenManager(), TWRC_SUCCESS);
        ASSERT_EQ(OpenSource(source, kKorvexProductName), TWRC_SUCCESS);
        EXPECT_EQ(ConditionOf(&source), TWCC_SUCCESS);
        EXPECT_NE(source.Id, 0u);
        EXPECT_EQ(Str32(source.ProductName), kKorvexProductName);
        EXPECT_EQ(source.Version.MajorNum, 3);
        EXPECT_EQ(source.Version.MinorNum, 30);
    }

    // The item of a one-value reply to MSG_GETCURRENT or MSG_GET.
    TW_UINT32 OneValueItem(TW_UINT16 msg, TW_UINT16 cap) {
        TW_CAPABILITY capability{cap, TWON_DONTCARE16, nullptr};
        EXPECT_EQ(Dsm(&source, DG_CONTROL, DAT_CAPABILITY, msg, &capability), TWRC_SUCCESS);
        EXPECT_EQ(capability.ConType, TWON_ONEVALUE);
        if (capability.hContainer == nullptr) return 0xFFFFFFFF;
        auto* bytes = static_cast<const uint8_t*>(memLock(capability.hContainer));
        TW_UINT32 item = 0;
        for (int i = 0; i < 4; ++i) item |= static_cast<TW_UINT32>(bytes[2 + i]) << (8 * i);
        memUnlock(capability.hContainer);
        memFree(capability.hContainer);
        return item;
    }

    // NumItems of the enumeration MSG_GET answers.
    TW_UINT32 EnumerationCount(TW_UINT16 cap) {
        TW_CAPABILITY capability{cap, TWON_DONTCARE16, nullptr};
        EXPECT_EQ(Dsm(&source, DG_CONTROL, DAT_CAPABILITY, MSG_GET, &capability), TWRC_SUCCESS);
        EXPECT_EQ(capability.ConType, TWON_ENUMERATION);
        if (capability.hContainer == nullptr) return 0;
        auto* bytes = static_cast<const uint8_t*>(memLock(capability.hContainer));
        TW_UINT32 count = 0;
        for (int i = 0; i < 4; ++i) count |= static_cast<TW_UINT32>(bytes[2 + i]) << (8 * i);
        memUnlock(capability.hContainer);
        memFree(capability.hContainer);
        return count;
    }

    alignas(4) TW_IDENTITY source{};
};

TEST_F(OpenWithSettingsFile, Generation8ScannerTakesItsSavedSettings) {
    OpenOn("ZR-DX961s",
           "[Inifile]\r\nName=KORVEX32.INI\r\nScanner=ZR-DX961s\r\n"
           "[Image]\r\nImage Type=Gray Scale 4 bit\r\nResolution=240 DPI\r\nPaper Size=A3\r\n");
    if (HasFatalFailure()) return;
    EXPECT_EQ(OneValueItem(MSG_GETCURRENT, ICAP_XRESOLUTION), 240u);
    EXPECT_EQ(OneValueItem(MSG_GETCURRENT, ICAP_PIXELTYPE), TWPT_GRAY);
    EXPECT_EQ(OneValueItem(MSG_GETCURRENT, ICAP_BITDEPTH), 4u);
    EXPECT_EQ(EnumerationCount(ICAP_XRESOLUTION), 7u);
    // 297 mm wide: 11.69 inches.
    EXPECT_EQ(OneValueItem(MSG_GET, ICAP_PHYSICALWIDTH) & 0xFFFF, 11u);
    EXPECT_TRUE(ShownMessageBoxes().empty());
}

TEST_F(OpenWithSettingsFile, Generation0ScannerIgnoresSettingsOfAnotherModel) {
    OpenOn("ZR-DX83",
           "[Inifile]\r\nName=KORVEX32.INI\r\nScanner=ZR-DX961s\r\n"
           "[Image]\r\nImage Type=Gray Scale 8 bit\r\nResolution=300 DPI\r\n");
    if (HasFatalFailure()) return;
    // The defaults of a B4-width first-generation model: black and white at
    // 200 DPI, the only pixel type without "Gray" = "ON" in section "Mecha".
    EXPECT_EQ(OneValueItem(MSG_GETCURRENT, ICAP_XRESOLUTION), 200u);
    EXPECT_EQ(OneValueItem(MSG_GETCURRENT, ICAP_PIXELTYPE), TWPT_BW);
    EXPECT_EQ(EnumerationCount(ICAP_PIXELTYPE), 1u);
    EXPECT_EQ(EnumerationCount(ICAP_XRESOLUTION), 3u);
    EXPECT_EQ(OneValueItem(MSG_GET, ICAP_PHYSICALWIDTH) & 0xFFFF, 10u);  // 256 mm
    EXPECT_TRUE(ShownMessageBoxes().empty());
}

}  // namespace
