// The More Settings dialogs opened from the main dialog's "More...": which
// settings each choice leaves usable, the generation 8 feeder switches and
// Endorser button, and the manual feed timeout.
#include <gtest/gtest.h>

#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "settings/settings_model.h"
#include "ui_fixture.h"

namespace ui_test {
namespace {

// A choice made in the main dialog, then one in More Settings, and the
// controls of More Settings it leaves enabled and disabled.
struct MoreRuleCase {
    const char* name;
    const char* model;
    const char* settings;
    std::function<void(DialogDriver&)> inMain;
    std::function<void(DialogDriver&)> inMore;
    std::vector<int> enabled;
    std::vector<int> disabled;
};
void PrintTo(const MoreRuleCase& row, std::ostream* out) { *out << row.name; }

void Nothing(DialogDriver&) {}

// Controls: 1015 threshold, 1016 white level, 1017 gamma, 1031 noise
// reduction, 1032/1033 emphasis, 1008 separation, 1102 back group.
const MoreRuleCase kMoreRuleCases[] = {
    {"PlainBwG1", kGeneration1, "", Nothing, Nothing, {1015, 1016, 1031, 1008, 1032}, {1017, 1033, 1102}},
    {"GrayG1", kGeneration1, "", [](DialogDriver& m) { m.ChooseItem(1020, "Gray Scale 8 bit"); }, Nothing,
     {1017, 1032}, {1015, 1008, 1031}},
    {"HalftoneG1", kGeneration1, "", [](DialogDriver& m) { m.ChooseItem(1013, "Error Diffusion"); }, Nothing,
     {1017}, {1031}},
    {"SeparationG1", kGeneration1, "", Nothing, [](DialogDriver& o) { o.Click(1008); }, {1016}, {1015, 1031}},
    {"ThresholdG1", kGeneration1, "", Nothing, [](DialogDriver& o) { o.ChooseItem(1015, "Mode 2"); }, {1015},
     {1016, 1032, 1008, 1031}},
    {"DuplexG1", kGeneration1, "", [](DialogDriver& m) { m.Click(1003); }, Nothing, {1033, 1102}, {}},
    // An unused back sub-area halftone is no halftoning.
    {"UnusedBackSubAreaG1", kGeneration1,
     "[Inifile]\nName=KORVEX32.INI\nScanner=ZR-DX73PX\n[Image]\nSide=Duplex\n"
     "[Back Subarea]\nHalftone=Bayer Dither 64\nArea1=OFF\n",
     Nothing, Nothing, {1031}, {1017}},
    {"UsedBackSubAreaG1", kGeneration1,
     "[Inifile]\nName=KORVEX32.INI\nScanner=ZR-DX73PX\n[Image]\nSide=Duplex\n"
     "[Back Subarea]\nHalftone=Bayer Dither 64\nArea2=ON\n",
     Nothing, Nothing, {1017}, {1031}},
    {"BwG0", kGeneration0, "[Mecha]\nGray=ON\n", Nothing, Nothing, {1032}, {1033}},
    {"GrayG0", kGeneration0, "[Mecha]\nGray=ON\n", [](DialogDriver& m) { m.ChooseItem(1020, "Gray Scale 8 bit"); },
     Nothing, {}, {1032}},
};

class MoreSettingsRules : public DialogTest, public ::testing::WithParamInterface<MoreRuleCase> {};

TEST_P(MoreSettingsRules, LeaveUsableWhatTheChoicesAllow) {
    const MoreRuleCase& row = GetParam();
    ASSERT_TRUE(OpenSource(row.model, row.settings));
    DialogDriver main = OpenMainDialog();
    row.inMain(main);
    bool opened = false;
    Expect("OPTIONBOX", [&](DialogDriver more) {
        opened = true;
        row.inMore(more);
        for (int id : row.enabled) EXPECT_TRUE(more.Enabled(id)) << id;
        for (int id : row.disabled) EXPECT_FALSE(more.Enabled(id)) << id;
        more.Click(1);
    });
    main.Click(115);
    EXPECT_TRUE(opened);
}

INSTANTIATE_TEST_SUITE_P(Rows, MoreSettingsRules, ::testing::ValuesIn(kMoreRuleCases),
                         [](const ::testing::TestParamInfo<MoreRuleCase>& row) { return row.param.name; });

class MoreSettingsTest : public DialogTest {
protected:
    // Runs "More..." on a generation 8 model and hands the dialog to `act`.
    void WithMore961(const std::function<void(DialogDriver&)>& act) {
        DialogDriver main = OpenMainDialog();
        bool opened = false;
        Expect("OPTIONBOX961", [&](DialogDriver more) {
            opened = true;
            act(more);
            if (more.IsOpen()) more.Escape();
        });
        main.Click(115);
        EXPECT_TRUE(opened);
    }
};

TEST_F(MoreSettingsTest, ManualFeedGovernsTheWaitSwitchAndTheTimeout) {
    ASSERT_TRUE(OpenSource(kGeneration8, "[Inifile]\nName=KORVEX32.INI\nScanner=ZR-DX961s\n"
                                         "[Image]\nManual Feed=OFF\nManual FeedKey=ON\nWait Timeout=25\n"));
    WithMore961([](DialogDriver& more) {
        EXPECT_FALSE(more.Checked(1129));
        EXPECT_FALSE(more.Enabled(1129));
        EXPECT_FALSE(more.Enabled(1115));
        EXPECT_EQ(more.Text(1115), "25");
        EXPECT_EQ(ManualFeedKey.text, std::string("OFF"));
        more.Click(1111);
        EXPECT_TRUE(more.Enabled(1129));
        EXPECT_TRUE(more.Enabled(1115));
        more.Click(1129);
        more.Click(1);
    });
    EXPECT_EQ(ManualFeed.text, std::string("ON"));
    EXPECT_EQ(ManualFeedKey.text, std::string("ON"));
}

TEST_F(MoreSettingsTest, TheEndorserButtonNeedsTheImprinterModel) {
    ASSERT_TRUE(OpenSource(kGeneration8));
    WithMore961([](DialogDriver& more) { EXPECT_TRUE(more.Enabled(1113)); });
}

TEST_F(MoreSettingsTest, NoEndorserButtonWithoutTheImprinter) {
    ASSERT_TRUE(OpenSource(kGeneration8Plain));
    WithMore961([](DialogDriver& more) { EXPECT_FALSE(more.Enabled(1113)); });
}

// A timeout typed and confirmed with Enter: what the field and the stored
// timeout then hold, and whether the dialog stayed open with the message.
struct TimeoutCase {
    const char* typed;
    const char* shown;
    int32_t stored;
    bool refused;
};
const TimeoutCase kTimeoutCases[] = {
    {"0", "10", 10, true},   {"301", "10", 10, true}, {"abc", "10", 10, true}, {"", "10", 10, true},
    {"-5", "10", 10, true},  {"300", "300", 300, false}, {"1", "1", 1, false},
};

TEST_F(MoreSettingsTest, TheTimeoutIsStoredOnlyWithinOneTo300Seconds) {
    ASSERT_TRUE(OpenSource(kGeneration8, "[Inifile]\nName=KORVEX32.INI\nScanner=ZR-DX961s\n"
                                         "[Image]\nManual Feed=ON\n"));
    for (const TimeoutCase& row : kTimeoutCases) {
        ScanValues.waitTimeout = 10;
        bool stayedOpen = false;
        WithMore961([&](DialogDriver& more) {
            more.Type(1115, row.typed);
            more.Enter();
            stayedOpen = more.IsOpen();
            EXPECT_EQ(more.Text(1115), row.shown) << row.typed;
        });
        EXPECT_EQ(stayedOpen, row.refused) << row.typed;
        EXPECT_EQ(ScanValues.waitTimeout, row.stored) << row.typed;
        const std::vector<std::string> expected =
            row.refused ? std::vector<std::string>{"Invalid Wait time values.\n(Range: 1 - 300)"}
                        : std::vector<std::string>{};
        EXPECT_EQ(Messages(), expected) << row.typed;
    }
}

TEST_F(MoreSettingsTest, EscKeepsTheHandledChangesButNotTheTimeout) {
    ASSERT_TRUE(OpenSource(kGeneration8, "[Inifile]\nName=KORVEX32.INI\nScanner=ZR-DX961s\n"
                                         "[Image]\nManual Feed=ON\n"));
    WithMore961([](DialogDriver& more) {
        more.Click(1110);
        more.Type(1115, "45");
        more.Tab();
        more.Escape();
    });
    EXPECT_EQ(DoubleFeed.text, std::string("ON"));
    EXPECT_EQ(ScanValues.waitTimeout, 10);
}

}  // namespace
}  // namespace ui_test
