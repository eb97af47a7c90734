// The sub-area dialog's Esc, on the host only: under Wine, EndDialog hides the
// box while the edit being typed in still has the focus, and its EN_KILLFOCUS
// then stores the number that was never left (the back width reads 50).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "settings/settings_model.h"
#include "ui_fixture.h"

namespace ui_test {
namespace {

TEST_F(DialogTest, SubAreaEscKeepsWhatWasLeftAndTheHalftoneButNotTheSwitches) {
    ASSERT_TRUE(OpenSource(kGeneration1));
    DialogDriver main = OpenMainDialog();
    main.Click(1003);
    bool opened = false;
    Expect("AREABOX", [&](DialogDriver box) {
        opened = true;
        box.Type(1043, "30");
        box.Tab();
        box.ChooseItem(1034, "Halftone Dot 32");
        box.Click(1036);
        box.Type(1044, "50");
        box.Escape();
    });
    main.Click(111);
    EXPECT_TRUE(opened);
    EXPECT_EQ(ScanValues.backAreas[1].y, 30);
    EXPECT_EQ(ScanValues.backAreas[1].w, 0);
    EXPECT_EQ(BackSubAreaHalftone.text, std::string("Halftone Dot 32"));
    EXPECT_EQ(BackArea2.text, std::string("OFF"));
    EXPECT_EQ(main.Items(1014), (std::vector<std::string>{"None (Binary)", "Halftone Dot 32"}));
}

}  // namespace
}  // namespace ui_test
