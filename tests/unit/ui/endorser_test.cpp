// The endorser dialog: every field check with its message and the stored
// value put back, the printing offset against a standard and a free paper
// size, OK with the endorser off, Esc, and Default.
#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "platform/dialogs.h"
#include "settings/settings_model.h"
#include "ui/endorser_dialog.h"
#include "ui_fixture.h"

namespace ui_test {
namespace {

using Strings = std::vector<std::string>;

const char* const kStoredEndorser =
    "[Inifile]\nName=KORVEX32.INI\nScanner=ZR-DX961s\n[Image]\nPaper Size=A4\n"
    "[Free Size]\nName1=Receipt\nWidth1=80\nLength1=200\n"
    "[Endorser]\nEndorser Enable=ON\nEndorser String=Page #\nEndorser Start=5\nEndorser Step=2\nEndorser Pos=3\n";

const char* const kBadStart =
    "Starting Number is over the limit or it is used besides a number.\n(Range 0 - 9999999)";
const char* const kBadStep = "Step Number is over the limit or it is used besides a number.\n(Range 0 - 9)";
const char* const kBadOffset = "Printing Offset is over the limit or it is used besides a number.";
const char* const kBadText = "Endorser String include invalid charcter or invalid escape sequence.";
const char* const kLongText = "Endorser String is over 72 charcters. ";

// One field typed and OK pressed: the message, whether the dialog closed, and
// what the field then shows.
struct EndorserCase {
    const char* name;
    const char* paper;
    int field;
    std::string typed;
    const char* message;  // null: accepted and closed
    std::string shown;
};
void PrintTo(const EndorserCase& row, std::ostream* out) { *out << row.name; }

const EndorserCase kEndorserCases[] = {
    {"SeventyTwoCharacters", "A4", 1115, std::string(72, 'x'), nullptr, std::string(72, 'x')},
    {"SeventyThreeCharacters", "A4", 1115, std::string(73, 'x'), kLongText, "Page #"},
    {"SecondCounter", "A4", 1115, "A#B#", kBadText, "Page #"},
    {"FourStamps", "A4", 1115, "%1d%2d%1t%2t", kBadText, "Page #"},
    {"EmptyText", "A4", 1115, "", kBadText, "Page #"},
    {"LeadingZeros", "A4", 1117, "0012", nullptr, "0012"},
    {"LetterAfterDigits", "A4", 1117, "12a", kBadStart, "5"},
    {"EmptyStart", "A4", 1117, "", kBadStart, "5"},
    {"TenMillion", "A4", 1117, "10000000", kBadStart, "5"},
    {"StepNine", "A4", 1119, "9", nullptr, "9"},
    {"StepTen", "A4", 1119, "10", kBadStep, "2"},
    {"StepMinusOne", "A4", 1119, "-1", kBadStep, "2"},
    {"OffsetLetters", "A4", 1120, "x", kBadOffset, "3"},
    {"OffsetA4Last", "A4", 1120, "114", nullptr, "114"},
    {"OffsetA4Past", "A4", 1120, "115", kBadOffset, "3"},
    {"OffsetLetterLast", "Letter", 1120, "106", nullptr, "106"},
    {"OffsetLetterPast", "Letter", 1120, "107", kBadOffset, "3"},
    {"OffsetBusinessCard", "Business Card", 1120, "29", kBadOffset, "3"},
    {"OffsetNegative", "A4", 1120, "-4", nullptr, "-4"},
    {"OffsetOnAFreeSize", "Receipt", 1120, "0", kBadOffset, "3"},
};

class EndorserChecks : public DialogTest, public ::testing::WithParamInterface<EndorserCase> {};

TEST_P(EndorserChecks, RefuseWithTheirMessageAndPutTheStoredValueBack) {
    const EndorserCase& row = GetParam();
    ASSERT_TRUE(OpenSource(kGeneration8, kStoredEndorser));
    SetSettingText(PaperSize, row.paper);
    bool closed = false;
    Expect("NUMBERINGBOX", [&](DialogDriver box) {
        box.Type(row.field, row.typed);
        box.Enter();
        closed = !box.IsOpen();
        if (!closed) {
            EXPECT_EQ(box.Text(row.field), row.shown);
        }
        while (box.IsOpen()) plat::EndModalDialog(box.Handle(), 1);
    });
    plat::RunModalDialog(kEndorserTemplate, nullptr, EndorserProc, 0);
    EXPECT_EQ(closed, row.message == nullptr);
    EXPECT_EQ(Messages(), row.message != nullptr ? Strings{row.message} : Strings{});
    if (row.message != nullptr) {
        EXPECT_EQ(ScanValues.endorserString, std::string("Page #"));
        EXPECT_EQ(ScanValues.endorserStart, 5u);
    }
}

INSTANTIATE_TEST_SUITE_P(Rows, EndorserChecks, ::testing::ValuesIn(kEndorserCases),
                         [](const ::testing::TestParamInfo<EndorserCase>& row) { return row.param.name; });

class EndorserTest : public DialogTest {};

TEST_F(EndorserTest, OpensFromMoreSettingsAndStoresWhatPassesOnOk) {
    ASSERT_TRUE(OpenSource(kGeneration8, kStoredEndorser));
    DialogDriver main = OpenMainDialog();
    Expect("OPTIONBOX961", [](DialogDriver more) {
        Expect("NUMBERINGBOX", [](DialogDriver box) {
            EXPECT_TRUE(box.Checked(1114));
            EXPECT_EQ(box.Text(1115), "Page #");
            EXPECT_EQ(box.Text(1117) + "/" + box.Text(1119) + "/" + box.Text(1120), "5/2/3");
            box.Type(1115, "No. # %1d");
            box.Type(1117, "0042");
            box.Type(1119, "3");
            box.Type(1120, "12");
            box.Escape();
            EXPECT_TRUE(box.IsOpen());
            box.Enter();
        });
        more.Click(1113);
        more.Click(1);
    });
    main.Click(115);
    EXPECT_EQ(ScanValues.endorserString, std::string("No. # %1d"));
    EXPECT_EQ(ScanValues.endorserStart, 42u);
    EXPECT_EQ(ScanValues.endorserStep, 3);
    EXPECT_EQ(ScanValues.endorserOffset, 12);
    EXPECT_EQ(plat::host::UnexpectedModals(), 0u);
}

TEST_F(EndorserTest, LeavingAFieldChecksItAtOnce) {
    ASSERT_TRUE(OpenSource(kGeneration8, kStoredEndorser));
    Expect("NUMBERINGBOX", [](DialogDriver box) {
        box.Type(1119, "12");
        box.Tab();
        EXPECT_EQ(box.Text(1119), "2");
        box.Enter();
    });
    plat::RunModalDialog(kEndorserTemplate, nullptr, EndorserProc, 0);
    EXPECT_EQ(Messages(), Strings{kBadStep});
}

TEST_F(EndorserTest, WithTheEndorserOffOkClosesWithoutAnyCheck) {
    ASSERT_TRUE(OpenSource(kGeneration8, kStoredEndorser));
    Expect("NUMBERINGBOX", [](DialogDriver box) {
        box.Click(1114);
        box.Type(1115, "");
        box.Type(1117, "abc");
        box.Enter();
        EXPECT_FALSE(box.IsOpen());
    });
    plat::RunModalDialog(kEndorserTemplate, nullptr, EndorserProc, 0);
    EXPECT_TRUE(Messages().empty());
    EXPECT_EQ(EndorserEnable.text, std::string("OFF"));
    EXPECT_EQ(ScanValues.endorserString, std::string("Page #"));
}

TEST_F(EndorserTest, DefaultShowsAndStoresTheDefaults) {
    ASSERT_TRUE(OpenSource(kGeneration8, kStoredEndorser));
    Expect("NUMBERINGBOX", [](DialogDriver box) {
        box.Click(1126);
        EXPECT_FALSE(box.Checked(1114));
        EXPECT_EQ(box.Text(1115), "");
        EXPECT_EQ(box.Text(1117) + "/" + box.Text(1119) + "/" + box.Text(1120), "1/1/0");
        box.Enter();
    });
    plat::RunModalDialog(kEndorserTemplate, nullptr, EndorserProc, 0);
    EXPECT_EQ(FileValue("Inifile", "Name"), "KORVEX32.INI");
    EXPECT_EQ(FileValue("Endorser", "Endorser Enable"), "OFF");
    EXPECT_EQ(FileValue("Endorser", "Endorser String"), "");
    EXPECT_EQ(FileValue("Endorser", "Endorser Start"), "1");
    EXPECT_EQ(FileValue("Endorser", "Endorser Pos"), "0");
}

// A hand-edited file with a starting number its seven digits cannot hold: the
// dialog shows it and OK refuses it until the user types one that fits.
TEST_F(EndorserTest, AStoredStartingNumberTooLargeIsShownAndRefused) {
    std::string file = kStoredEndorser;
    file.replace(file.find("Endorser Start=5"), 16, "Endorser Start=123456789");
    ASSERT_TRUE(OpenSource(kGeneration8, file));
    Expect("NUMBERINGBOX", [](DialogDriver box) {
        EXPECT_EQ(box.Text(1117), "123456789");
        box.Enter();
        EXPECT_TRUE(box.IsOpen());
        box.Type(1117, "7");
        box.Enter();
        EXPECT_FALSE(box.IsOpen());
    });
    plat::RunModalDialog(kEndorserTemplate, nullptr, EndorserProc, 0);
    EXPECT_EQ(Messages(), Strings{kBadStart});
    EXPECT_EQ(ScanValues.endorserStart, 7u);
}

}  // namespace
}  // namespace ui_test
