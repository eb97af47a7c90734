// The settings file: round trips, the validity test, the generation 8 keys,
// the free sizes, the endorser conversions, hand-edited values and the
// Default sequence.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/host/host_hooks.h"
#include "platform/platform.h"
#include "scanner/model_table.h"
#include "settings/settings_file.h"
#include "settings/settings_model.h"
#include "settings_test_support.h"

namespace {

using settings_test::IdentifyModel;
using settings_test::ProfileValue;
using settings_test::SetText;
using settings_test::TempWindowsDirectory;

class SettingsFile : public ::testing::Test {
protected:
    void SetUp() override {
        plat::host::ResetHostHooks();
        windows_.Use();
    }
    void TearDown() override { plat::host::ResetHostHooks(); }

    // Simulates the next open of the source: the load state, the model, the file.
    void Reopen(const char* model) {
        ResetSettingsModelState();
        ASSERT_EQ(IdentifyModel(model), 1);
        LoadSettings();
    }

    TempWindowsDirectory windows_;
};

// Gives every saved setting a value other than its default.
void FillNonDefaultSettings() {
    SetText(PageMode, "All Pages");
    SetText(SideMode, "Duplex");
    std::strcpy(DialogSideText, "Duplex");
    SetText(ImageType, "Gray Scale 8 bit");
    SetText(Resolution, "240 DPI");
    SetText(PaperSize, "B5");
    SetText(FrontHalftone, "Bayer Dither 16");
    SetText(BackHalftone, "Halftone Dot 32");
    ScanValues.levels[kLevelFrontBrightness] = 17;
    ScanValues.levels[kLevelFrontContrast] = 200;
    ScanValues.levels[kLevelBackBrightness] = 1;
    ScanValues.levels[kLevelBackContrast] = 255;
    SetText(PaperDetect, "ON");
    SetText(Mirror, "ON");
    SetText(Reverse, "ON");
    SetText(AutoSeparation, "ON");
    SetText(DoubleFeed, "ON");
    SetText(ManualFeed, "ON");
    SetText(ManualFeedKey, "ON");
    ScanValues.waitTimeout = 300;
    SetText(EndorserEnable, "ON");
    std::strcpy(ScanValues.endorserString, "Batch # of today");
    ScanValues.endorserStart = 9999999;
    ScanValues.endorserStep = 9;
    ScanValues.endorserOffset = 255;
    SetText(AutoThreshold, "Mode 2");
    SetText(WhiteLevel, "Automatic");
    SetText(Gamma, "For CRT");
    SetText(NoiseReduction, "4x4");
    SetText(FrontEmphasis, "High");
    SetText(BackEmphasis, "Low");
    SetText(FrontSubAreaHalftone, "Error Diffusion");
    SetText(BackSubAreaHalftone, "Bayer Dither 64");
    SetText(FrontArea1, "ON");
    SetText(FrontArea2, "OFF");
    SetText(FrontArea3, "ON");
    SetText(BackArea1, "OFF");
    SetText(BackArea2, "ON");
    SetText(BackArea3, "ON");
    for (int side = 0; side < 2; ++side) {
        for (int index = 0; index < 12; ++index) *SubAreaValue(side, index) = side * 100 + index + 1;
    }
}

// Every saved value of the model, as "name=value" lines, for comparisons.
std::vector<std::string> SavedValues() {
    std::vector<std::string> values;
    for (const SettingsFileKey& key : SettingsFileKeys) {
        std::string name = std::string(key.section) + "/" + key.key + "=";
        switch (key.kind) {
            case SettingValueKind::Text:
            case SettingValueKind::Side:
                values.push_back(name + key.record->text);
                break;
            case SettingValueKind::Number:
            case SettingValueKind::Modulo256:
                values.push_back(name + std::to_string(*key.number));
                break;
            case SettingValueKind::EndorserText:
                values.push_back(name + ScanValues.endorserString);
                break;
            case SettingValueKind::StartNumber:
                values.push_back(name + std::to_string(ScanValues.endorserStart));
                break;
        }
    }
    values.push_back(std::string("companion=") + DialogSideText);
    return values;
}

TEST(SettingsFileKeys, LoadOrderIsAPermutationOfTheTable) {
    std::vector<int> seen(kSettingsFileKeys, 0);
    for (uint8_t row : SettingsLoadOrder) {
        ASSERT_LT(row, kSettingsFileKeys);
        ++seen[row];
    }
    for (int count : seen) EXPECT_EQ(count, 1);
    EXPECT_STREQ(SettingsFileKeys[SettingsLoadOrder[2]].key, "Paper Detect");
    EXPECT_STREQ(SettingsFileKeys[kSettingsFileKeys - 1].key, "Area3_L");
    EXPECT_STREQ(SettingsFileKeys[kSettingsFileKeys - 1].section, "Back Subarea");
}

TEST_F(SettingsFile, Generation8RoundTrip) {
    ASSERT_EQ(IdentifyModel("ZR-DX961"), 1);
    FillNonDefaultSettings();
    const std::vector<std::string> saved = SavedValues();
    SaveSettings();

    Reopen("ZR-DX961");
    EXPECT_EQ(SavedValues(), saved);
    EXPECT_EQ(ProfileValue("Inifile", "Name"), "KORVEX32.INI");
    EXPECT_EQ(ProfileValue("Inifile", "Scanner"), "ZR-DX961");
    EXPECT_EQ(ProfileValue("Endorser", "Endorser Start"), "9999999");
    EXPECT_EQ(ProfileValue("Image", "Wait Timeout"), "300");
    EXPECT_EQ(ProfileValue("Front Subarea", "Area2_W"), "7");
    EXPECT_EQ(ProfileValue("Back Subarea", "Area3_L"), "112");
}

TEST_F(SettingsFile, Generation1RoundTripLeavesTheGeneration8KeysAlone) {
    windows_.WriteSettingsFile(
        "[Inifile]\r\nName=KORVEX32.INI\r\nScanner=ZR-DX41\r\n"
        "[Image]\r\nDouble Feed=ON\r\nWait Timeout=42\r\n"
        "[Endorser]\r\nEndorser String=left by another model\r\nEndorser Pos=7\r\n");
    ASSERT_EQ(IdentifyModel("ZR-DX41"), 1);
    LoadSettings();
    EXPECT_STREQ(DoubleFeed.text, "");
    EXPECT_EQ(ScanValues.waitTimeout, 0);
    EXPECT_STREQ(ScanValues.endorserString, "");

    FillNonDefaultSettings();
    SetText(DoubleFeed, "OFF");
    ScanValues.waitTimeout = 5;
    std::strcpy(ScanValues.endorserString, "not saved");
    const std::vector<std::string> saved = SavedValues();
    SaveSettings();
    EXPECT_EQ(ProfileValue("Image", "Double Feed"), "ON");
    EXPECT_EQ(ProfileValue("Image", "Wait Timeout"), "42");
    EXPECT_EQ(ProfileValue("Image", "Manual Feed"), "<missing>");
    EXPECT_EQ(ProfileValue("Endorser", "Endorser String"), "left by another model");
    EXPECT_EQ(ProfileValue("Endorser", "Endorser Enable"), "<missing>");

    Reopen("ZR-DX41");
    for (size_t i = 0; i < saved.size(); ++i) {
        const std::string& line = saved[i];
        // The generation 8 values were neither saved nor loaded.
        if (i < static_cast<size_t>(kSettingsFileKeys) && SettingsFileKeys[i].generation8) continue;
        EXPECT_EQ(SavedValues()[i], line);
    }
}

TEST_F(SettingsFile, AFileOfAnotherModelGivesTheDefaultsButItsFreeSizes) {
    windows_.WriteSettingsFile(
        "[Inifile]\r\nName=KORVEX32.INI\r\nScanner=ZR-DX40\r\n"
        "[Image]\r\nImage Type=Gray Scale 8 bit\r\nResolution=150 DPI\r\nPaper Size=Cheque\r\n"
        "[Front Image]\r\nBrightness=3\r\n"
        "[Free Size]\r\nName1=Cheque\r\nWidth1=160\r\nLength1=80\r\n");
    ASSERT_EQ(IdentifyModel("ZR-DX41"), 1);
    LoadSettings();
    EXPECT_STREQ(ImageType.text, "Black & White");
    EXPECT_STREQ(Resolution.text, "300 DPI");
    EXPECT_STREQ(PaperSize.text, "Letter");
    EXPECT_EQ(ScanValues.levels[kLevelFrontBrightness], 128);
    EXPECT_STREQ(FreeSizeTable[0].name, "Cheque");
    EXPECT_EQ(FreeSizeTable[0].width, 160);
    EXPECT_EQ(FreeSizeTable[0].length, 80);
}

TEST_F(SettingsFile, ValidityNeedsASavedNameAndTheSameModel) {
    struct Case {
        const char* file;
        int valid;
    };
    const Case cases[] = {
        {"[Inifile]\r\nName=KORVEX32.INI\r\nScanner=ZR-DX73\r\n", 1},
        {"[Inifile]\r\nName=anything\r\nScanner=ZR-DX73\r\n", 1},
        {"[Inifile]\r\nName=None\r\nScanner=ZR-DX73\r\n", 0},
        {"[Inifile]\r\nScanner=ZR-DX73\r\n", 0},
        {"[Inifile]\r\nName=KORVEX32.INI\r\nScanner=zr-dx73\r\n", 0},
        {"[Inifile]\r\nName=KORVEX32.INI\r\nScanner=ZR-DX73PX\r\n", 0},
        {"[Inifile]\r\nName=KORVEX32.INI\r\n", 0},
        {"", 0},
    };
    ASSERT_EQ(IdentifyModel("ZR-DX73"), 1);
    for (const Case& c : cases) {
        windows_.WriteSettingsFile(c.file);
        EXPECT_EQ(SettingsFileIsValid(), c.valid) << c.file;
    }
}

TEST_F(SettingsFile, MissingKeysTakeTheirDefaults) {
    windows_.WriteSettingsFile("[Inifile]\r\nName=KORVEX32.INI\r\nScanner=ZR-DX960\r\n");
    ASSERT_EQ(IdentifyModel("ZR-DX960"), 1);
    LoadSettings();
    EXPECT_STREQ(PageMode.text, "1 Page");
    EXPECT_STREQ(SideMode.text, "Simplex");
    EXPECT_STREQ(DialogSideText, "Simplex");
    EXPECT_STREQ(Mirror.text, "OFF");
    EXPECT_STREQ(ManualFeedKey.text, "OFF");
    EXPECT_STREQ(ImageType.text, "");
    EXPECT_STREQ(PaperSize.text, "");
    EXPECT_STREQ(FrontArea1.text, "");
    EXPECT_EQ(ScanValues.levels[kLevelBackContrast], 128);
    EXPECT_EQ(ScanValues.waitTimeout, 10);
    EXPECT_EQ(ScanValues.endorserStart, 1u);
    EXPECT_EQ(ScanValues.endorserStep, 1);
    EXPECT_EQ(ScanValues.endorserOffset, 0);
    EXPECT_EQ(ScanValues.frontAreas[2].l, 0);
    EXPECT_EQ(FindPaperSizeIndex(), 0);
}

TEST_F(SettingsFile, SideLoadsIntoTheSettingAndTheDialogCompanion) {
    windows_.WriteSettingsFile(
        "[Inifile]\r\nName=KORVEX32.INI\r\nScanner=ZR-DX83\r\n[Image]\r\nSide=Duplex\r\n");
    ASSERT_EQ(IdentifyModel("ZR-DX83"), 1);
    LoadSettings();
    EXPECT_STREQ(SideMode.text, "Duplex");
    EXPECT_STREQ(DialogSideText, "Duplex");
}

TEST_F(SettingsFile, EndorserStartAndPositionConversions) {
    struct Case {
        const char* start;
        const char* pos;
        uint32_t expectedStart;
        int32_t expectedPos;
    };
    const Case cases[] = {
        {"0012abc", "300", 12, 44},
        {"  +42", "255", 42, 255},
        {"abc", "256", 0, 0},
        {"", "-1", 0, 255},
        {"99999999999", "0x10", UINT32_MAX, 16},
        {"-1", "12x", UINT32_MAX, 12},
    };
    ASSERT_EQ(IdentifyModel("ZR-DX961s"), 1);
    for (const Case& c : cases) {
        windows_.WriteSettingsFile(std::string("[Inifile]\r\nName=KORVEX32.INI\r\n"
                                               "Scanner=ZR-DX961s\r\n[Endorser]\r\n"
                                               "Endorser Start=") +
                                   c.start + "\r\nEndorser Pos=" + c.pos + "\r\n");
        LoadSettings();
        EXPECT_EQ(ScanValues.endorserStart, c.expectedStart) << c.start;
        EXPECT_EQ(ScanValues.endorserOffset, c.expectedPos) << c.pos;
        ScanValues.endorserStart = 77;
        ScanValues.endorserOffset = 77;
        LoadEndorserSettings();
        EXPECT_EQ(ScanValues.endorserStart, c.expectedStart) << c.start;
        EXPECT_EQ(ScanValues.endorserOffset, c.expectedPos) << c.pos;
    }
}

TEST_F(SettingsFile, FreeSizeKeysAreNumberedOneToTen) {
    windows_.WriteSettingsFile(
        "[Free Size]\r\nName1=First\r\nWidth1=100\r\nLength1=150\r\n"
        "Name10=Tenth\r\nWidth10=210\r\nLength10=99\r\nName11=Eleventh\r\n");
    LoadFreeSizes();
    EXPECT_STREQ(FreeSizeTable[0].name, "First");
    EXPECT_EQ(FreeSizeTable[0].width, 100);
    EXPECT_STREQ(FreeSizeTable[9].name, "Tenth");
    EXPECT_EQ(FreeSizeTable[9].width, 210);
    EXPECT_EQ(FreeSizeTable[9].length, 99);
    EXPECT_STREQ(FreeSizeTable[1].name, "");
    SetText(PaperSize, "Tenth");
    EXPECT_EQ(FindPaperSizeIndex(), 20);

    std::strcpy(FreeSizeTable[1].name, "Second");
    FreeSizeTable[1].width = 60;
    FreeSizeTable[1].length = 70;
    FreeSizeTable[0].name[0] = '\0';
    SaveFreeSizes();
    EXPECT_EQ(ProfileValue("Free Size", "Name1"), "");
    EXPECT_EQ(ProfileValue("Free Size", "Width1"), "100");
    EXPECT_EQ(ProfileValue("Free Size", "Name2"), "Second");
    EXPECT_EQ(ProfileValue("Free Size", "Length2"), "70");
    EXPECT_EQ(ProfileValue("Free Size", "Name10"), "Tenth");
    EXPECT_EQ(ProfileValue("Free Size", "Width5"), "0");
    EXPECT_EQ(ProfileValue("Free Size", "Name11"), "Eleventh");
}

TEST_F(SettingsFile, HandEditedValuesNeverOverflowTheModel) {
    const std::string longText(400, 'Q');
    windows_.WriteSettingsFile(
        "[Inifile]\r\nName=KORVEX32.INI\r\nScanner=ZR-DX961\r\n"
        "[Image]\r\nImage Type=" + longText + "\r\nPaper Size=" + longText +
        "\r\nWait Timeout=99999999\r\n"
        "[Front Image]\r\nBrightness=999\r\nContrast=2147483647\r\n"
        "[Back Image]\r\nBrightness=-2147483648\r\nContrast=0\r\n"
        "[Front Subarea]\r\nArea1_X=4000000000\r\nArea1_W=-7\r\n"
        "[Endorser]\r\nEndorser String=" + longText + "\r\n"
        "[Free Size]\r\nName1=" + longText + "\r\nWidth1=2000000000\r\nLength1=-3\r\n");
    ASSERT_EQ(IdentifyModel("ZR-DX961"), 1);
    LoadSettings();
    EXPECT_EQ(std::string(ImageType.text), longText.substr(0, kSettingTextSize - 1));
    EXPECT_EQ(std::string(ScanValues.endorserString), longText.substr(0, kEndorserStringSize - 1));
    EXPECT_EQ(std::string(FreeSizeTable[0].name), longText.substr(0, kSettingTextSize - 1));
    EXPECT_EQ(FindPaperSizeIndex(), 11) << "the cut name still names the slot";
    // Out-of-range numbers are taken as they are, up to the bounds that keep
    // the later arithmetic in 32 bits.
    EXPECT_EQ(ScanValues.levels[kLevelFrontBrightness], 999);
    EXPECT_EQ(ScanValues.levels[kLevelFrontContrast], 1000000);
    EXPECT_EQ(ScanValues.levels[kLevelBackBrightness], -1000000);
    EXPECT_EQ(ScanValues.levels[kLevelBackContrast], 0);
    EXPECT_EQ(ScanValues.waitTimeout, 2147483);
    EXPECT_EQ(ScanValues.frontAreas[0].x, -100000);  // 4000000000 reads as a negative number
    EXPECT_EQ(ScanValues.frontAreas[0].w, -7);
    EXPECT_EQ(FreeSizeTable[0].width, 100000);
    EXPECT_EQ(FreeSizeTable[0].length, -3);
}

TEST_F(SettingsFile, DefaultWritesTheDefaultsBackUnderTheSavedName) {
    windows_.WriteSettingsFile(
        "; kept\r\n[Inifile]\r\nName=KORVEX32.INI\r\nScanner=ZR-DX41\r\n"
        "[Image]\r\nImage Type=Gray Scale 8 bit\r\nPaper Size=A5\r\n"
        "[Mecha]\r\nName=ZR-DX41\r\nGray=ON\r\n");
    ASSERT_EQ(IdentifyModel("ZR-DX41"), 1);
    LoadSettings();
    ASSERT_STREQ(ImageType.text, "Gray Scale 8 bit");

    RestoreDefaultSettings();
    EXPECT_STREQ(ImageType.text, "Black & White");
    EXPECT_EQ(windows_.ReadSettingsFile(),
              "; kept\r\n"
              "[Inifile]\r\nName=KORVEX32.INI\r\nScanner=ZR-DX41\r\n"
              "[Image]\r\nImage Type=Black & White\r\nPaper Size=Letter\r\n"
              "Page=1 Page\r\nSide=Simplex\r\nResolution=300 DPI\r\n"
              "Paper Detect=OFF\r\nMirror=OFF\r\nReverse=OFF\r\nAutomatic Separation=OFF\r\n"
              "Automatic Threshold=None\r\nWhite Level=From White Stick\r\nGamma=Normal\r\n"
              "Noise Reduction=None\r\n"
              "[Mecha]\r\nName=ZR-DX41\r\nGray=ON\r\n"
              "[Front Image]\r\nHalftone=None (Binary)\r\nBrightness=128\r\nContrast=128\r\n"
              "Emphasis=Medium\r\n"
              "[Back Image]\r\nHalftone=None (Binary)\r\nBrightness=128\r\nContrast=128\r\n"
              "Emphasis=Medium\r\n"
              "[Front Subarea]\r\nHalftone=None (Binary)\r\nArea1=OFF\r\nArea2=OFF\r\nArea3=OFF\r\n"
              "Area1_X=0\r\nArea1_Y=0\r\nArea1_W=0\r\nArea1_L=0\r\n"
              "Area2_X=0\r\nArea2_Y=0\r\nArea2_W=0\r\nArea2_L=0\r\n"
              "Area3_X=0\r\nArea3_Y=0\r\nArea3_W=0\r\nArea3_L=0\r\n"
              "[Back Subarea]\r\nHalftone=None (Binary)\r\nArea1=OFF\r\nArea2=OFF\r\nArea3=OFF\r\n"
              "Area1_X=0\r\nArea1_Y=0\r\nArea1_W=0\r\nArea1_L=0\r\n"
              "Area2_X=0\r\nArea2_Y=0\r\nArea2_W=0\r\nArea2_L=0\r\n"
              "Area3_X=0\r\nArea3_Y=0\r\nArea3_W=0\r\nArea3_L=0\r\n");
}

TEST_F(SettingsFile, EndorserDefaultRewritesOnlyItsSection) {
    windows_.WriteSettingsFile(
        "[Inifile]\r\nName=KORVEX32.INI\r\nScanner=ZR-DX961s\r\n"
        "[Image]\r\nMirror=ON\r\n"
        "[Endorser]\r\nEndorser Enable=ON\r\nEndorser String=Paid #\r\nEndorser Start=500\r\n"
        "Endorser Step=3\r\nEndorser Pos=20\r\n");
    ASSERT_EQ(IdentifyModel("ZR-DX961s"), 1);
    LoadEndorserSettings();
    EXPECT_STREQ(EndorserEnable.text, "ON");
    EXPECT_STREQ(ScanValues.endorserString, "Paid #");
    EXPECT_EQ(ScanValues.endorserStart, 500u);
    EXPECT_EQ(ScanValues.endorserStep, 3);
    EXPECT_EQ(ScanValues.endorserOffset, 20);

    RestoreDefaultEndorserSettings();
    EXPECT_STREQ(EndorserEnable.text, "OFF");
    EXPECT_EQ(ScanValues.endorserStart, 1u);
    EXPECT_EQ(windows_.ReadSettingsFile(),
              "[Inifile]\r\nName=KORVEX32.INI\r\nScanner=ZR-DX961s\r\n"
              "[Image]\r\nMirror=ON\r\n"
              "[Endorser]\r\nEndorser Enable=OFF\r\nEndorser String=\r\nEndorser Start=1\r\n"
              "Endorser Step=1\r\nEndorser Pos=0\r\n");
}

}  // namespace
