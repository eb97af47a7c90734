// What only the host's window model answers so: where Wine's user32 (under
// which the Windows build's dialog tests run) answers otherwise, and what
// Windows keeps no record of. Each test names Wine's answer.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/dialogs.h"
#include "platform/host/dialog_driver.h"
#include "tests/unit/dialogs/dialog_test_support.h"

namespace {

using namespace dialog_test;

// Wine's GetDlgItemInt reads the leading number and ignores what follows it,
// takes a sign for an unsigned number, and refuses both ends of the signed
// range.
TEST_F(HostDialogs, GetItemIntRefusesTrailingTextSignsAndOnlyWhatDoesNotFit) {
    // text, signed, value, translated
    struct IntRow {
        const char* text;
        bool isSigned;
        uint32_t value;
        bool translated;
    };
    constexpr IntRow kRows[] = {
        {"12a", false, 0, false},  {" -5", false, 0, false}, {"12 ", true, 0, false},
        {"+3", true, 0, false},    {"2147483647", true, 2147483647u, true},
        {"-2147483648", true, 0x80000000u, true},
    };
    DialogDriver d = Open("DC_SCANDLG");
    for (const IntRow& row : kRows) {
        plat::SetItemText(d.Handle(), 1026, row.text);
        bool translated = !row.translated;
        EXPECT_EQ(plat::GetItemInt(d.Handle(), 1026, &translated, row.isSigned), row.value) << '"' << row.text << '"';
        EXPECT_EQ(translated, row.translated) << '"' << row.text << '"';
    }
}

// Wine's CB_SELECTSTRING finds nothing for an empty prefix.
TEST_F(HostDialogs, AnEmptyPrefixMatchesTheNextItem) {
    DialogDriver d = Open("DC_SCANDLG");
    for (const char* item : {"Letter", "Legal", "A4"}) plat::ComboAddString(d.Handle(), 1030, item);
    EXPECT_EQ(plat::ComboSelectPrefix(d.Handle(), 1030, 0, ""), 1);
}

// Wine's edit field also notifies EN_CHANGE for the character it refuses.
TEST_F(HostDialogs, TheRefusedCharacterChangesNothing) {
    DialogDriver d = Open("FREESIZEBOX");
    plat::SetItemTextLimit(d.Handle(), 1009, 10);
    Commands();
    ASSERT_TRUE(d.Type(1009, "ABCDEFGHIJK"));
    const std::vector<std::string> commands = Commands();
    EXPECT_EQ(std::count(commands.begin(), commands.end(), "1009:768"), 10);
}

// Under Wine a clicked push button takes the focus but does not become the
// default button, and Enter still presses the default one.
TEST_F(HostDialogs, AFocusedPushButtonTakesEnter) {
    DialogDriver d = Open("DC_SCANDLG");
    ASSERT_TRUE(d.Click(117));
    Commands();
    ASSERT_TRUE(d.Enter());
    EXPECT_EQ(Commands(), (std::vector<std::string>{"117:0"}));
}

// Wine notifies CBN_SELENDOK and CBN_CLOSEUP before CBN_SELCHANGE.
TEST_F(HostDialogs, AChosenComboItemNotifiesInTheOrderOfAMouse) {
    DialogDriver d = Open("DC_SCANDLG");
    for (const char* item : {"Black & White", "Gray Scale 8 bit"}) plat::ComboAddString(d.Handle(), 1020, item);
    Commands();
    ASSERT_TRUE(d.ChooseItem(1020, "Gray Scale 8 bit"));
    EXPECT_EQ(Commands(), (std::vector<std::string>{"1020:7", "1020:1", "1020:9", "1020:8"}));
}

// On Windows a click repaints its button, a paint the next pump step takes.
TEST_F(HostDialogs, APumpStepLeavesNothingBehindAClick) {
    DialogDriver main = Open("DC_SCANDLG");
    DialogDriver wait(plat::CreateModelessDialog("WAITTYUDLG", main.Handle(), RecordingProc, 0));
    ASSERT_TRUE(wait.PostClick(2));
    EXPECT_TRUE(plat::PumpOneMessage(wait.Handle()));
    EXPECT_FALSE(plat::PumpOneMessage(wait.Handle()));
}

// Windows keeps no record of painted rectangles; its dialog base units come
// from the font it finds for the template.
TEST_F(HostDialogs, TheProgressBarIsRecordedAsFilledRectangles) {
    DialogDriver progress = Open("SCANTYUDLG");
    int width = 0, height = 0;
    ASSERT_TRUE(plat::GetItemClientSize(progress.Handle(), 118, &width, &height));
    EXPECT_EQ(width, 140 * plat::host::kBaseUnitX / 4 - 4);
    EXPECT_EQ(height, 10 * plat::host::kBaseUnitY / 8 - 4);
    plat::FillItemRect(progress.Handle(), 118, 1, 1, 41, 14, 0xFF0000);
    plat::FillItemRect(progress.Handle(), 118, 41, 1, 206, 14, 0xFFFFFF);
    const std::vector<plat::host::FilledRect> fills = progress.Fills(118);
    ASSERT_EQ(fills.size(), 2u);
    EXPECT_EQ(fills[0].right, 41);
    EXPECT_EQ(fills[0].colour, 0xFF0000u);
    EXPECT_EQ(fills[1].colour, 0xFFFFFFu);
}

}  // namespace
