// The free paper size dialog opened from the main dialog's "Free Size...":
// the model's limits, Add and Delete with their messages, the list, the
// button states, the settings file, and the main dialog's paper sizes after it.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "settings/settings_model.h"
#include "ui_fixture.h"

namespace ui_test {
namespace {

using Strings = std::vector<std::string>;

const char* const kFileWithSizes =
    "[Free Size]\nName1=Receipt\nWidth1=80\nLength1=200\nName3=Letter wide\nWidth3=216\nLength3=300\n";

class FreeSizeTest : public DialogTest {
protected:
    // Runs "Free Size..." and hands the dialog to `act`, which may leave it open.
    void WithFreeSizes(DialogDriver& main, const std::function<void(DialogDriver&)>& act) {
        bool opened = false;
        Expect("FREESIZEBOX", [&](DialogDriver box) {
            opened = true;
            act(box);
            if (box.IsOpen()) box.Click(2);
        });
        main.Click(114);
        EXPECT_TRUE(opened);
    }

    static void Enter(DialogDriver& box, const char* name, const char* width, const char* length) {
        box.Type(1009, name);
        box.Type(1010, width);
        box.Type(1011, length);
        box.Tab();
    }
};

TEST_F(FreeSizeTest, ShowsTheLimitsAndHoldsTypedSizesToThem) {
    ASSERT_TRUE(OpenSource(kGeneration0));
    DialogDriver main = OpenMainDialog();
    WithFreeSizes(main, [](DialogDriver& box) {
        EXPECT_EQ(box.Text(1108) + " x " + box.Text(1109), "55 x 70");
        EXPECT_EQ(box.Text(1103) + " x " + box.Text(1104), "216 x 355");
        EXPECT_EQ(box.Text(1009), "User");
        EXPECT_EQ(box.Text(1010), "216");
        EXPECT_EQ(box.Text(1011), "279");
        Enter(box, "ABCDEFGHIJKL", "20", "999");
        EXPECT_EQ(box.Text(1009), "ABCDEFGHIJ");
        EXPECT_EQ(box.Text(1010), "55");
        EXPECT_EQ(box.Text(1011), "355");
        Enter(box, "Slip", "x", "");
        EXPECT_EQ(box.Text(1010), "55");
        EXPECT_EQ(box.Text(1011), "355");
    });
    EXPECT_TRUE(Messages().empty());
}

TEST_F(FreeSizeTest, AddAndDeleteKeepTheListAndTheFileInStep) {
    ASSERT_TRUE(OpenSource(kGeneration1, kFileWithSizes));
    DialogDriver main = OpenMainDialog();
    WithFreeSizes(main, [](DialogDriver& box) {
        EXPECT_EQ(box.Items(1012), (Strings{"Letter wide : 216 x 300", "Receipt : 80 x 200"}));
        EXPECT_EQ(box.ItemData(1012, 0), 2);
        EXPECT_EQ(box.ItemData(1012, 1), 0);

        Enter(box, "Receipt", "90", "100");
        box.Click(112);
        EXPECT_EQ(Messages(), Strings{"The same \"Name\" has already existed ! "});
        Enter(box, "receipt", "90", "100");
        box.Click(112);
        EXPECT_TRUE(Messages().empty());
        EXPECT_EQ(box.Items(1012),
                  (Strings{"Letter wide : 216 x 300", "Receipt : 80 x 200", "receipt : 90 x 100"}));
        EXPECT_EQ(FileValue("Free Size", "Name2"), "receipt");
        EXPECT_EQ(FileValue("Free Size", "Width2"), "90");

        box.Click(113);
        EXPECT_EQ(Messages(), Strings{"Click the Paper Size you want to delete !"});
        box.ChooseItem(1012, "Receipt : 80 x 200");
        box.Click(113);
        EXPECT_EQ(box.Items(1012), (Strings{"Letter wide : 216 x 300", "receipt : 90 x 100"}));
        EXPECT_EQ(FileValue("Free Size", "Name1"), "");
        EXPECT_EQ(FileValue("Free Size", "Length1"), "0");

        box.Type(1009, "");
        box.Tab();
        box.Click(112);
        EXPECT_EQ(Messages(), Strings{"Name, Width, or Length is invalid !"});
    });
    const Strings sizes = main.Items(1030);
    EXPECT_EQ(Strings(sizes.end() - 2, sizes.end()), (Strings{"receipt", "Letter wide"}));
}

// Add is the default button: Enter adds what is typed in the focused field.
TEST_F(FreeSizeTest, EnterAddsWhatTheFocusedFieldHolds) {
    ASSERT_TRUE(OpenSource(kGeneration1));
    DialogDriver main = OpenMainDialog();
    WithFreeSizes(main, [](DialogDriver& box) {
        box.Type(1009, "Cheque");
        box.Enter();
        EXPECT_EQ(box.Items(1012), Strings{"Cheque : 216 x 279"});
    });
}

TEST_F(FreeSizeTest, TheButtonsFollowTheFreeSlots) {
    std::string file = "[Free Size]\n";
    for (int n = 1; n <= 10; ++n) {
        file += "Name" + std::to_string(n) + "=Size" + std::to_string(n) + "\nWidth" + std::to_string(n) +
                "=100\nLength" + std::to_string(n) + "=100\n";
    }
    ASSERT_TRUE(OpenSource(kGeneration1, file));
    DialogDriver main = OpenMainDialog();
    WithFreeSizes(main, [](DialogDriver& box) {
        EXPECT_FALSE(box.Enabled(112));
        EXPECT_TRUE(box.Enabled(113));
        for (int n = 0; n < 10; ++n) {
            box.ChooseIndex(1012, 0);
            box.Click(113);
        }
        EXPECT_TRUE(box.Items(1012).empty());
        EXPECT_TRUE(box.Enabled(112));
        EXPECT_FALSE(box.Enabled(113));
    });
}

// A chosen free size that is deleted falls back to the model's standard size.
struct FallbackCase {
    const char* model;
    const char* fallback;
};

TEST_F(FreeSizeTest, ADeletedChoiceFallsBackToTheStandardSize) {
    for (const FallbackCase& row : {FallbackCase{kGeneration1, "Letter"}, FallbackCase{kGeneration0PaperClass0, "A4"}}) {
        StartAgain();
        ASSERT_TRUE(OpenSource(row.model, kFileWithSizes));
        DialogDriver main = OpenMainDialog();
        main.ChooseItem(1030, "Receipt");
        WithFreeSizes(main, [](DialogDriver& box) {
            box.ChooseItem(1012, "Receipt : 80 x 200");
            box.Click(113);
        });
        EXPECT_EQ(main.SelectedText(1030), row.fallback) << row.model;
        EXPECT_EQ(PaperSize.text, std::string(row.fallback)) << row.model;
    }
}

// "Letter wide" begins with "Letter" and comes later in the list; the chosen
// Letter stays Letter when the dialog opens and after the free sizes change.
TEST_F(FreeSizeTest, AFreeSizeBeginningWithAStandardNameDoesNotReplaceIt) {
    ASSERT_TRUE(OpenSource(kGeneration1, std::string("[Inifile]\nName=KORVEX32.INI\nScanner=ZR-DX73PX\n"
                                                     "[Image]\nPaper Size=Letter\n") + kFileWithSizes));
    DialogDriver main = OpenMainDialog();
    EXPECT_EQ(main.SelectedText(1030), "Letter");
    WithFreeSizes(main, [](DialogDriver&) {});
    EXPECT_EQ(main.SelectedText(1030), "Letter");
    EXPECT_EQ(PaperSize.text, std::string("Letter"));
}

}  // namespace
}  // namespace ui_test
