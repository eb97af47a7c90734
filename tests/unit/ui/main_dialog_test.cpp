// The main settings dialog as a user meets it: what it shows when it opens,
// which controls each choice enables on generation 0 and on generations 1 and
// 8, the brightness and contrast scales, the halftone restriction, and the
// settings file after Scan and after Default.
#include <gtest/gtest.h>

#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "settings/settings_model.h"
#include "twain/identity.h"
#include "twain/user_interface.h"
#include "ui_fixture.h"

namespace ui_test {
namespace {

using Strings = std::vector<std::string>;

const Strings kAllHalftones = {"None (Binary)",   "Bayer Dither 64", "Bayer Dither 16",
                               "Halftone Dot 32", "Halftone Dot 64", "Error Diffusion"};

class MainDialogTest : public DialogTest {};

TEST_F(MainDialogTest, OpensWithTheSettingsOfTheFileAndRecordsItself) {
    ASSERT_TRUE(OpenSource(kGeneration1,
                           "[Inifile]\nName=KORVEX32.INI\nScanner=ZR-DX73PX\n"
                           "[Image]\nImage Type=Gray Scale 8 bit\nResolution=240 DPI\nPaper Size=Legal\n"
                           "Side=Duplex\nPage=All Pages\n[Front Image]\nBrightness=77\n[Back Image]\nContrast=200\n"));
    DialogDriver main = OpenMainDialog();
    EXPECT_EQ(MainDialog, main.Handle());
    EXPECT_EQ(main.Caption(), "Orvantica TWAIN Driver (32bit)");
    EXPECT_EQ(main.Text(1), "Scan");
    EXPECT_EQ(main.SelectedText(1020), "Gray Scale 8 bit");
    EXPECT_EQ(main.SelectedText(1021), "240 DPI");
    EXPECT_EQ(main.SelectedText(1030), "Legal");
    EXPECT_TRUE(main.Checked(1001));
    EXPECT_TRUE(main.Checked(1003));
    EXPECT_FALSE(main.Checked(1002));
    EXPECT_EQ(main.Items(1021), (Strings{"300 DPI", "240 DPI", "200 DPI", "150 DPI"}));
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(main.TextLimit(1026 + i), 3u);
        EXPECT_EQ(main.ScrollMinimum(1022 + i), 1);
        EXPECT_EQ(main.ScrollMaximum(1022 + i), 255);
    }
    EXPECT_EQ(main.Text(1026), "77");
    EXPECT_EQ(main.ScrollPosition(1022), 77);
    EXPECT_EQ(main.Text(1029), "200");
    EXPECT_EQ(main.ScrollPosition(1025), 200);
}

TEST_F(MainDialogTest, TheLegacyHostSeesSetOnTheDefaultButton) {
    ASSERT_TRUE(OpenSource(kGeneration1));
    LegacyHostFlag = 1;
    EXPECT_EQ(OpenMainDialog().Text(1), "Set");
}

// A hand-edited file: texts no item shows select the first item, which the
// dialog then holds; values off the scale are brought onto it at Scan.
TEST_F(MainDialogTest, UnknownTextsAndValuesOffTheScaleFromAHandEditedFile) {
    ASSERT_TRUE(OpenSource(kGeneration1,
                           "[Inifile]\nName=KORVEX32.INI\nScanner=ZR-DX73PX\n"
                           "[Image]\nImage Type=Colour\nResolution=\nPaper Size=A very long paper size name "
                           "beyond any field\n[Front Image]\nHalftone=Pattern 9\nBrightness=-40\nContrast=9999\n"));
    DialogDriver main = OpenMainDialog();
    EXPECT_EQ(ImageType.text, std::string("Black & White"));
    EXPECT_EQ(Resolution.text, std::string("300 DPI"));
    EXPECT_EQ(PaperSize.text, std::string("Letter"));
    EXPECT_EQ(FrontHalftone.text, std::string("None (Binary)"));
    main.Click(1);
    EXPECT_EQ(main.Text(1026), "1");
    EXPECT_EQ(main.Text(1027), "255");
    EXPECT_EQ(FileValue("Front Image", "Brightness"), "1");
    EXPECT_EQ(FileValue("Front Image", "Contrast"), "255");
}

// One user action and the controls it leaves enabled and disabled.
struct RuleCase {
    const char* name;
    const char* model;
    const char* settings;  // the settings file before opening
    std::function<void(DialogDriver&)> act;
    std::vector<int> enabled;
    std::vector<int> disabled;
};
void PrintTo(const RuleCase& row, std::ostream* out) { *out << row.name; }

const char* const kGrayOnGeneration0 = "[Mecha]\nGray=ON\n";

void Choose(DialogDriver& main, int id, const char* text) { EXPECT_TRUE(main.ChooseItem(id, text)) << text; }

void SetMoreSwitch(DialogDriver& main, const char* templateName, int box) {
    Expect(templateName, [box](DialogDriver more) {
        more.Click(box);
        more.Click(1);
    });
    main.Click(115);
}

void ChooseMoreItem(DialogDriver& main, const char* templateName, int combo, const char* text) {
    Expect(templateName, [combo, text](DialogDriver more) {
        EXPECT_TRUE(more.ChooseItem(combo, text));
        more.Click(1);
    });
    main.Click(115);
}

// Controls: 1013/1014 halftones, 1022/1023 front brightness and contrast,
// 1024/1025 back, 110/111 Sub Area buttons, 1100 back group, 1030 paper size.
const RuleCase kRuleCases[] = {
    {"BwSimplexG1", kGeneration1, "", [](DialogDriver&) {},
     {1013, 1022, 1023, 110, 1030}, {1014, 1024, 1025, 111, 1100}},
    {"GraySimplexG1", kGeneration1, "", [](DialogDriver& m) { Choose(m, 1020, "Gray Scale 8 bit"); },
     {1022, 1023}, {1013, 1014, 110, 111}},
    {"BwDuplexG1", kGeneration1, "", [](DialogDriver& m) { m.Click(1003); },
     {1013, 1014, 1022, 1024, 1025, 110, 111, 1100}, {}},
    {"MixedHalftonesDuplexG1", kGeneration1, "",
     [](DialogDriver& m) {
         m.Click(1003);
         Choose(m, 1013, "Bayer Dither 16");
     },
     {110, 111}, {}},
    {"ThresholdModeG1", kGeneration1, "", [](DialogDriver& m) { ChooseMoreItem(m, "OPTIONBOX", 1015, "Mode 1"); },
     {}, {1013, 1022, 1023, 110}},
    {"SeparationG1", kGeneration1, "", [](DialogDriver& m) { SetMoreSwitch(m, "OPTIONBOX", 1008); },
     {1013, 1022}, {110}},
    {"PaperDetectG1", kGeneration1, "", [](DialogDriver& m) { SetMoreSwitch(m, "OPTIONBOX", 1005); },
     {1030}, {}},
    {"PaperDetectG8", kGeneration8, "", [](DialogDriver& m) { SetMoreSwitch(m, "OPTIONBOX961", 1005); },
     {1030}, {}},
    {"BwSimplexG0", kGeneration0, "", [](DialogDriver&) {}, {1013, 1022, 110, 1030}, {1014, 1024, 111, 1100}},
    {"GrayG0", kGeneration0, kGrayOnGeneration0, [](DialogDriver& m) { Choose(m, 1020, "Gray Scale 8 bit"); },
     {}, {1013, 1022, 110}},
    {"BwDuplexG0", kGeneration0, "", [](DialogDriver& m) { m.Click(1003); }, {1014, 1024, 110, 111, 1100}, {}},
    {"MixedHalftonesDuplexG0", kGeneration0, "",
     [](DialogDriver& m) {
         m.Click(1003);
         Choose(m, 1013, "Bayer Dither 16");
     },
     {1013, 1014}, {110, 111}},
    {"SameHalftonesDuplexG0", kGeneration0, "",
     [](DialogDriver& m) {
         m.Click(1003);
         Choose(m, 1013, "Bayer Dither 16");
         Choose(m, 1014, "Bayer Dither 16");
     },
     {110, 111}, {}},
    {"MixedHalftonesSimplexG0", kGeneration0, "", [](DialogDriver& m) { Choose(m, 1013, "Bayer Dither 16"); },
     {110}, {}},
    {"PaperDetectG0", kGeneration0, "", [](DialogDriver& m) { SetMoreSwitch(m, "OPTIONBOX", 1005); },
     {}, {1030}},
};

class MainDialogRules : public DialogTest, public ::testing::WithParamInterface<RuleCase> {};

TEST_P(MainDialogRules, EnablesTheControlsItsChoicesAllow) {
    const RuleCase& row = GetParam();
    ASSERT_TRUE(OpenSource(row.model, row.settings));
    DialogDriver main = OpenMainDialog();
    row.act(main);
    for (int id : row.enabled) EXPECT_TRUE(main.Enabled(id)) << id;
    for (int id : row.disabled) EXPECT_FALSE(main.Enabled(id)) << id;
    EXPECT_EQ(plat::host::UnexpectedModals(), 0u);
}

INSTANTIATE_TEST_SUITE_P(Rows, MainDialogRules, ::testing::ValuesIn(kRuleCases),
                         [](const ::testing::TestParamInfo<RuleCase>& row) { return row.param.name; });

// One way of changing the front brightness and the value it gives.
struct LevelCase {
    const char* name;
    const char* model;
    int32_t start;
    std::function<void(DialogDriver&)> act;
    int32_t expected;
};
void PrintTo(const LevelCase& row, std::ostream* out) { *out << row.name; }

void TypeAndLeave(DialogDriver& main, const char* text) {
    main.Type(1026, text);
    main.Tab();
}

const LevelCase kLevelCases[] = {
    {"G0Type100", kGeneration0, 128, [](DialogDriver& m) { TypeAndLeave(m, "100"); }, 88},
    {"G0TypeMinus5", kGeneration0, 128, [](DialogDriver& m) { TypeAndLeave(m, "-5"); }, 48},
    {"G0Type250", kGeneration0, 128, [](DialogDriver& m) { TypeAndLeave(m, "250"); }, 208},
    {"G0TypeLetters", kGeneration0, 168, [](DialogDriver& m) { TypeAndLeave(m, "x"); }, 168},
    {"G0Drag150", kGeneration0, 128, [](DialogDriver& m) { m.DragThumb(1022, 150); }, 128},
    {"G0Drag51", kGeneration0, 128, [](DialogDriver& m) { m.DragThumb(1022, 51); }, 88},
    {"G0Drag204", kGeneration0, 128, [](DialogDriver& m) { m.DragThumb(1022, 204); }, 208},
    {"G0RightAtTop", kGeneration0, 208, [](DialogDriver& m) { m.Scroll(1022, plat::SB_LINERIGHT); }, 208},
    {"G0PageRight", kGeneration0, 128, [](DialogDriver& m) { m.Scroll(1022, plat::SB_PAGERIGHT); }, 168},
    {"G0LeftAtBottom", kGeneration0, 48, [](DialogDriver& m) { m.Scroll(1022, plat::SB_LINELEFT); }, 48},
    {"G0LineLeft", kGeneration0, 88, [](DialogDriver& m) { m.Scroll(1022, plat::SB_LINELEFT); }, 48},
    {"G1Type0", kGeneration1, 128, [](DialogDriver& m) { TypeAndLeave(m, "0"); }, 1},
    {"G1Type999", kGeneration1, 128, [](DialogDriver& m) { TypeAndLeave(m, "999"); }, 255},
    {"G1TypeLetters", kGeneration1, 77, [](DialogDriver& m) { TypeAndLeave(m, "ab"); }, 77},
    {"G1TypeEmpty", kGeneration1, 77, [](DialogDriver& m) { TypeAndLeave(m, ""); }, 77},
    {"G1PageLeftAt5", kGeneration1, 5, [](DialogDriver& m) { m.Scroll(1022, plat::SB_PAGELEFT); }, 1},
    {"G1PageRightAt250", kGeneration1, 250, [](DialogDriver& m) { m.Scroll(1022, plat::SB_PAGERIGHT); }, 255},
    {"G1LineRightAtTop", kGeneration1, 255, [](DialogDriver& m) { m.Scroll(1022, plat::SB_LINERIGHT); }, 255},
    {"G1LineLeft", kGeneration1, 100, [](DialogDriver& m) { m.Scroll(1022, plat::SB_LINELEFT); }, 99},
    {"G1Drag77", kGeneration1, 128, [](DialogDriver& m) { m.DragThumb(1022, 77); }, 77},
    {"G1ScanWith0", kGeneration1, 128,
     [](DialogDriver& m) {
         m.Type(1026, "0");
         m.Enter();
     },
     1},
};

class MainDialogLevels : public DialogTest, public ::testing::WithParamInterface<LevelCase> {};

TEST_P(MainDialogLevels, FieldThumbAndArrowsAgree) {
    const LevelCase& row = GetParam();
    const std::string model = row.model;
    ASSERT_TRUE(OpenSource(row.model, "[Inifile]\nName=KORVEX32.INI\nScanner=" + model + "\n[Front Image]\nBrightness=" +
                                          std::to_string(row.start) + "\n"));
    DialogDriver main = OpenMainDialog();
    row.act(main);
    EXPECT_EQ(ScanValues.levels[kLevelFrontBrightness], row.expected);
    EXPECT_EQ(main.Text(1026), std::to_string(row.expected));
    EXPECT_EQ(main.ScrollPosition(1022), row.expected);
}

INSTANTIATE_TEST_SUITE_P(Rows, MainDialogLevels, ::testing::ValuesIn(kLevelCases),
                         [](const ::testing::TestParamInfo<LevelCase>& row) { return row.param.name; });

TEST_F(MainDialogTest, ScrollingPutsTheFocusInTheValueField) {
    ASSERT_TRUE(OpenSource(kGeneration1));
    DialogDriver main = OpenMainDialog();
    main.Scroll(1022, plat::SB_LINERIGHT);
    EXPECT_EQ(main.FocusId(), 1026);
    EXPECT_EQ(main.Text(1026), "129");
}

TEST_F(MainDialogTest, HalftoneChoicesRestrictTheOtherSideBelowGeneration8) {
    ASSERT_TRUE(OpenSource(kGeneration1));
    DialogDriver main = OpenMainDialog();
    main.Click(1003);
    Choose(main, 1013, "Bayer Dither 16");
    EXPECT_EQ(main.Items(1014), (Strings{"None (Binary)", "Bayer Dither 16"}));
    EXPECT_EQ(main.SelectedText(1014), "None (Binary)");
    Choose(main, 1013, "None (Binary)");
    EXPECT_EQ(main.Items(1014), kAllHalftones);
}

TEST_F(MainDialogTest, OnGeneration8TheFrontHalftoneLeavesTheBackFree) {
    ASSERT_TRUE(OpenSource(kGeneration8));
    DialogDriver main = OpenMainDialog();
    main.Click(1003);
    Choose(main, 1013, "Bayer Dither 16");
    EXPECT_EQ(main.Items(1014), kAllHalftones);
}

TEST_F(MainDialogTest, GoingToDuplexResetsTheBackSubAreaHalftoneOnlyFromSimplex) {
    ASSERT_TRUE(OpenSource(kGeneration1));
    DialogDriver main = OpenMainDialog();
    SetSettingText(BackSubAreaHalftone, "Error Diffusion");
    main.Click(1003);
    EXPECT_EQ(BackSubAreaHalftone.text, std::string("None (Binary)"));
    SetSettingText(BackSubAreaHalftone, "Error Diffusion");
    main.Click(1003);
    EXPECT_EQ(BackSubAreaHalftone.text, std::string("Error Diffusion"));
}

TEST_F(MainDialogTest, ScanStoresTheDialogInTheSettingsFile) {
    ASSERT_TRUE(OpenSource(kGeneration8));
    DialogDriver main = OpenMainDialog();
    Choose(main, 1020, "Gray Scale 4 bit");
    Choose(main, 1021, "400 DPI");
    Choose(main, 1030, "A3");
    main.Click(1001);
    main.Click(1003);
    main.Type(1028, "40");
    main.Click(1);
    EXPECT_EQ(FileValue("Inifile", "Name"), "KORVEX32.INI");
    EXPECT_EQ(FileValue("Inifile", "Scanner"), "ZR-DX961s");
    EXPECT_EQ(FileValue("Image", "Image Type"), "Gray Scale 4 bit");
    EXPECT_EQ(FileValue("Image", "Resolution"), "400 DPI");
    EXPECT_EQ(FileValue("Image", "Paper Size"), "A3");
    EXPECT_EQ(FileValue("Image", "Page"), "All Pages");
    EXPECT_EQ(FileValue("Image", "Side"), "Duplex");
    EXPECT_EQ(FileValue("Back Image", "Brightness"), "40");
    EXPECT_EQ(FileValue("Image", "Wait Timeout"), "10");
}

TEST_F(MainDialogTest, DefaultRestoresAndStoresTheDefaults) {
    ASSERT_TRUE(OpenSource(kGeneration1,
                           "[Inifile]\nName=KORVEX32.INI\nScanner=ZR-DX73PX\n"
                           "[Image]\nImage Type=Gray Scale 8 bit\nPaper Size=Legal\nSide=Duplex\n"
                           "[Front Image]\nBrightness=77\n"));
    DialogDriver main = OpenMainDialog();
    main.Click(117);
    EXPECT_EQ(main.SelectedText(1020), "Black & White");
    EXPECT_EQ(main.SelectedText(1030), "Letter");
    EXPECT_TRUE(main.Checked(1002));
    EXPECT_EQ(main.Text(1026), "128");
    EXPECT_FALSE(main.Enabled(1100));
    EXPECT_EQ(FileValue("Inifile", "Name"), "KORVEX32.INI");
    EXPECT_EQ(FileValue("Image", "Image Type"), "Black & White");
    EXPECT_EQ(FileValue("Image", "Paper Size"), "Letter");
    EXPECT_EQ(FileValue("Image", "Side"), "Simplex");
    EXPECT_EQ(FileValue("Front Image", "Brightness"), "128");
}

}  // namespace
}  // namespace ui_test
