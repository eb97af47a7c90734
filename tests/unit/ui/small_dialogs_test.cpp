// The sub-area dialog (per side, the page bounds, the halftone restriction),
// the About dialog and the simplex/duplex chooser.
#include <gtest/gtest.h>

#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "platform/dialogs.h"
#include "settings/settings_model.h"
#include "ui/side_choice_dialog.h"
#include "ui_fixture.h"

namespace ui_test {
namespace {

using Strings = std::vector<std::string>;

class SubAreaTest : public DialogTest {
protected:
    // Clicks the side's "Sub Area..." and hands the dialog to `act`.
    void WithSubArea(DialogDriver& main, int button, const std::function<void(DialogDriver&)>& act) {
        bool opened = false;
        Expect("AREABOX", [&](DialogDriver box) {
            opened = true;
            act(box);
            if (box.IsOpen()) box.Escape();
        });
        main.Click(button);
        EXPECT_TRUE(opened);
    }
};

// The third front area on generation 0 exists only in simplex.
struct AreaThreeCase {
    const char* model;
    bool duplex;
    int button;
    bool enabled;
};

TEST_F(SubAreaTest, TheThirdFrontAreaIsOffOnGeneration0InDuplex) {
    for (const AreaThreeCase& row : {AreaThreeCase{kGeneration0, true, 110, false},
                                     AreaThreeCase{kGeneration0, false, 110, true},
                                     AreaThreeCase{kGeneration1, true, 111, true},
                                     AreaThreeCase{kGeneration1, true, 110, true}}) {
        StartAgain();
        ASSERT_TRUE(OpenSource(row.model));
        DialogDriver main = OpenMainDialog();
        if (row.duplex) main.Click(1003);
        WithSubArea(main, row.button, [&](DialogDriver& box) {
            EXPECT_EQ(box.Text(1019), row.button == 110 ? "Front Areas" : "Back Areas");
            for (int id : {1037, 1046, 1049, 1090}) EXPECT_EQ(box.Enabled(id), row.enabled) << row.model << id;
            EXPECT_TRUE(box.Enabled(1036));
        });
    }
}

TEST_F(SubAreaTest, NumbersAreHeldToThePageAndOkStoresTheFocusedOne) {
    ASSERT_TRUE(OpenSource(kGeneration1));
    DialogDriver main = OpenMainDialog();
    WithSubArea(main, 110, [](DialogDriver& box) {
        EXPECT_EQ(box.TextLimit(1038), 3u);
        const std::vector<std::pair<int, const char*>> typed = {
            {1038, "999"}, {1039, "999"}, {1040, "-4"}, {1041, "x"}, {1042, "12"}};
        for (const auto& [id, text] : typed) {
            box.Type(id, text);
            box.Tab();
        }
        EXPECT_EQ(box.Text(1038), "216");
        EXPECT_EQ(box.Text(1039), "431");
        EXPECT_EQ(box.Text(1040), "0");
        EXPECT_EQ(box.Text(1041), "0");
        box.Type(1049, "77");
        box.Click(1035);
        box.Enter();
    });
    const SubAreaRect& area1 = ScanValues.frontAreas[0];
    EXPECT_EQ(std::vector<int32_t>({area1.x, area1.y, area1.w, area1.l}), std::vector<int32_t>({216, 431, 0, 0}));
    EXPECT_EQ(ScanValues.frontAreas[1].x, 12);
    EXPECT_EQ(ScanValues.frontAreas[2].l, 77);
    EXPECT_EQ(FrontArea1.text, std::string("ON"));
    EXPECT_TRUE(ScanValues.backAreas[0].x == 0);
}

// The front halftone restricts the front sub-area halftone; below generation
// 8 the back halftone does too.
struct SubHalftoneCase {
    const char* model;
    const char* backHalftone;
    Strings offered;
};

TEST_F(SubAreaTest, TheSubAreaHalftoneFollowsTheRelatedHalftones) {
    const Strings all = {"None (Binary)",   "Bayer Dither 64", "Bayer Dither 16",
                         "Halftone Dot 32", "Halftone Dot 64", "Error Diffusion"};
    for (const SubHalftoneCase& row :
         {SubHalftoneCase{kGeneration1, "None (Binary)", {"None (Binary)", "Bayer Dither 64"}},
          SubHalftoneCase{kGeneration1, "Bayer Dither 64", {"None (Binary)", "Bayer Dither 64"}},
          SubHalftoneCase{kGeneration8, "Error Diffusion", {"None (Binary)", "Bayer Dither 64"}},
          SubHalftoneCase{kGeneration8, "None (Binary)", {"None (Binary)", "Bayer Dither 64"}}}) {
        StartAgain();
        ASSERT_TRUE(OpenSource(row.model));
        DialogDriver main = OpenMainDialog();
        main.Click(1003);
        main.ChooseItem(1014, row.backHalftone);
        main.ChooseItem(1013, "Bayer Dither 64");
        WithSubArea(main, 110, [&](DialogDriver& box) { EXPECT_EQ(box.Items(1034), row.offered) << row.model; });
    }
    StartAgain();
    ASSERT_TRUE(OpenSource(kGeneration8));
    DialogDriver main = OpenMainDialog();
    main.Click(1003);
    main.ChooseItem(1014, "Error Diffusion");
    WithSubArea(main, 110, [&](DialogDriver& box) { EXPECT_EQ(box.Items(1034), all); });
}

TEST_F(DialogTest, AboutShowsTheVersionAndTheScannerFoundAtOpen) {
    ASSERT_TRUE(OpenSource(kGeneration1, "", 5));
    DialogDriver main = OpenMainDialog();
    Expect("ABOUTBOX", [](DialogDriver box) {
        EXPECT_EQ(box.Text(105), "3.30 ");
        EXPECT_EQ(box.Text(106), "July.23.1998");
        EXPECT_EQ(box.Text(104), "T.S.E.  ");
        EXPECT_EQ(box.Text(107), "ZR-DX73PX       ");
        EXPECT_EQ(box.Text(108), "2.10");
        EXPECT_EQ(box.Text(109), "#5");
        box.Enter();
        EXPECT_FALSE(box.IsOpen());
    });
    main.Click(116);
    EXPECT_EQ(plat::host::UnexpectedModals(), 0u);
}

// How the chooser is left, from a side, after a click; the side it leaves.
struct ChooserCase {
    const char* name;
    const char* side;
    int click;  // 0: none
    std::function<void(DialogDriver&)> leave;
    const char* result;
};
void PrintTo(const ChooserCase& row, std::ostream* out) { *out << row.name; }

const ChooserCase kChooserCases[] = {
    {"OkTakesTheClick", "Simplex", 1001, [](DialogDriver& b) { b.Click(1); }, "Duplex"},
    {"EscTakesTheClick", "Simplex", 1001, [](DialogDriver& b) { b.Escape(); }, "Duplex"},
    {"CloseBoxKeepsTheSide", "Simplex", 1001, [](DialogDriver& b) { b.Close(); }, "Simplex"},
    {"CloseBoxKeepsDuplex", "Duplex", 1000, [](DialogDriver& b) { b.Close(); }, "Duplex"},
    {"OkWithoutAClick", "Duplex", 0, [](DialogDriver& b) { b.Enter(); }, "Duplex"},
};

class SideChooser : public DialogTest, public ::testing::WithParamInterface<ChooserCase> {};

TEST_P(SideChooser, LeavesTheSideAsItWasLeft) {
    const ChooserCase& row = GetParam();
    ASSERT_TRUE(OpenSource(kGeneration1));
    SetSettingText(SideMode, row.side);
    Expect("RYOUMENDLG", [&](DialogDriver box) {
        EXPECT_EQ(box.Checked(1000), std::string(row.side) == "Simplex");
        EXPECT_EQ(box.Checked(1001), std::string(row.side) == "Duplex");
        if (row.click != 0) box.Click(row.click);
        row.leave(box);
        EXPECT_FALSE(box.IsOpen());
    });
    plat::RunModalDialog(kSideChoiceTemplate, nullptr, SideChoiceProc, 0);
    EXPECT_EQ(SideMode.text, std::string(row.result));
}

INSTANTIATE_TEST_SUITE_P(Rows, SideChooser, ::testing::ValuesIn(kChooserCases),
                         [](const ::testing::TestParamInfo<ChooserCase>& row) { return row.param.name; });

}  // namespace
}  // namespace ui_test
