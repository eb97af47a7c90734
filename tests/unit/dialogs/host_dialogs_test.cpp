// The dialog services against what Windows does, run on both builds through
// the dialog driver (the host's window model on Linux, user32 under Wine): the
// numbers of GetDlgItemInt, the combo box prefix search, sorted list boxes with
// item data, text limits, auto buttons, the order of focus and command
// messages, Enter, Esc and the close box, modal dialogs, the pump steps and
// scroll bars. A small recording procedure stands in for the source's own.
// window_model_host_test.cpp holds what only the host's model answers so.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "platform/dialogs.h"
#include "platform/host/dialog_driver.h"
#include "tests/unit/dialogs/dialog_test_support.h"

namespace {

using namespace dialog_test;

// text, signed, value, translated
struct IntRow {
    const char* text;
    bool isSigned;
    uint32_t value;
    bool translated;
};
constexpr IntRow kIntRows[] = {
    {"0012", false, 12, true},   {"", false, 0, false},     {" -5", true, static_cast<uint32_t>(-5), true},
    {"   7", true, 7, true},     {"4294967295", false, 4294967295u, true},
    {"4294967296", false, 0, false},                        {"2147483648", true, 0, false},
    {"-", true, 0, false},       {"-0", true, 0, true},     {"999", true, 999, true},
};

TEST_F(HostDialogs, GetItemIntReadsAsWindowsDocumentsIt) {
    DialogDriver d = Open("DC_SCANDLG");
    for (const IntRow& row : kIntRows) {
        plat::SetItemText(d.Handle(), 1026, row.text);
        bool translated = !row.translated;
        EXPECT_EQ(plat::GetItemInt(d.Handle(), 1026, &translated, row.isSigned), row.value) << '"' << row.text << '"';
        EXPECT_EQ(translated, row.translated) << '"' << row.text << '"';
    }
    EXPECT_EQ(plat::GetItemInt(d.Handle(), 1026, nullptr, true), 999u);
    plat::SetItemInt(d.Handle(), 1026, static_cast<uint32_t>(-5), true);
    EXPECT_EQ(d.Text(1026), "-5");
    plat::SetItemInt(d.Handle(), 1026, static_cast<uint32_t>(-5), false);
    EXPECT_EQ(d.Text(1026), "4294967291");
}

// start after, prefix, index found
struct PrefixRow {
    int startAfter;
    const char* prefix;
    int found;
};
constexpr PrefixRow kPrefixRows[] = {
    {0, "Letter", 6},   // "Letter wide" comes before the search wraps round to "Letter"
    {6, "Letter", 0},   // after it the search wraps to the first item
    {-1, "letter", 0},  // from the top, without regard to case
    {0, "a4", 2},
    {3, "B", 4},
    {4, "B", 5},
    {5, "B6", 5},       // the start item itself is tried last
    {2, "Ledger", plat::CB_ERR},
};

TEST_F(HostDialogs, ComboPrefixSearchStartsAfterTheIndexAndWraps) {
    DialogDriver d = Open("DC_SCANDLG");
    Commands();
    plat::ComboReset(d.Handle(), 1030);
    for (const char* item : {"Letter", "Legal", "A4", "A5", "B5", "B6", "Letter wide"})
        plat::ComboAddString(d.Handle(), 1030, item);
    for (const PrefixRow& row : kPrefixRows) {
        plat::ComboSetSelection(d.Handle(), 1030, 3);
        EXPECT_EQ(plat::ComboSelectPrefix(d.Handle(), 1030, row.startAfter, row.prefix), row.found) << row.prefix;
        EXPECT_EQ(plat::ComboGetSelection(d.Handle(), 1030), row.found == plat::CB_ERR ? 3 : row.found);
    }
    char text[8];
    EXPECT_EQ(plat::ComboGetItemText(d.Handle(), 1030, 6, text, sizeof text), 7u);
    EXPECT_STREQ(text, "Letter ");  // cut to the buffer
    EXPECT_TRUE(Commands().empty()) << "programmatic changes send no notification";
}

TEST_F(HostDialogs, SortedListBoxKeepsItemDataWithItsLine) {
    DialogDriver d = Open("FREESIZEBOX");
    Commands();
    const struct { const char* line; intptr_t slot; } lines[] = {
        {"Receipt : 80 x 200", 0}, {"card : 55 x 91", 1}, {"Photo : 100 x 150", 2}, {"Album : 300 x 300", 3}};
    for (const auto& line : lines) {
        const int at = plat::ListAddString(d.Handle(), 1012, line.line);
        ASSERT_TRUE(plat::ListSetItemData(d.Handle(), 1012, at, line.slot));
    }
    EXPECT_EQ(d.Items(1012), (std::vector<std::string>{"Album : 300 x 300", "card : 55 x 91", "Photo : 100 x 150",
                                                       "Receipt : 80 x 200"}));
    EXPECT_EQ(d.ItemData(1012, 0), 3);
    EXPECT_EQ(d.ItemData(1012, 1), 1);
    EXPECT_EQ(d.ItemData(1012, 3), 0);
    ASSERT_TRUE(d.ChooseIndex(1012, 2));
    // EN_KILLFOCUS of the name field, LBN_SETFOCUS, LBN_SELCHANGE
    EXPECT_EQ(Commands(), (std::vector<std::string>{"1009:512", "1012:4", "1012:1"}));
    plat::ListAddString(d.Handle(), 1012, "B : 60 x 70");  // goes in before the selection
    EXPECT_EQ(plat::ListGetSelection(d.Handle(), 1012), 3);
    EXPECT_EQ(plat::ListDeleteString(d.Handle(), 1012, 3), 4);
    EXPECT_EQ(plat::ListGetSelection(d.Handle(), 1012), plat::LB_ERR);
    EXPECT_EQ(plat::ListGetItemData(d.Handle(), 1012, 3), 0);
    EXPECT_EQ(plat::ListGetItemData(d.Handle(), 1012, 9), plat::LB_ERR);
}

TEST_F(HostDialogs, TextLimitRefusesTheEleventhCharacter) {
    DialogDriver d = Open("FREESIZEBOX");
    plat::SetItemTextLimit(d.Handle(), 1009, 10);
    Commands();
    ASSERT_TRUE(d.Type(1009, "ABCDEFGHIJK"));
    EXPECT_EQ(d.Text(1009), "ABCDEFGHIJ");
    const std::vector<std::string> commands = Commands();
    EXPECT_GE(std::count(commands.begin(), commands.end(), "1009:768"), 10);  // EN_CHANGE per character
    EXPECT_EQ(std::count(commands.begin(), commands.end(), "1009:1281"), 1);  // EN_MAXTEXT once
    plat::SetItemText(d.Handle(), 1009, "a longer text than ten");  // WM_SETTEXT ignores the limit
    EXPECT_EQ(d.Text(1009), "a longer text than ten");
    EXPECT_EQ(Commands(), (std::vector<std::string>{"1009:1024", "1009:768"}));  // EN_UPDATE, EN_CHANGE
}

TEST_F(HostDialogs, AutoRadioButtonChecksItselfAndUnchecksItsGroupBeforeTheClick) {
    DialogDriver d = Open("DC_SCANDLG");
    plat::SetItemCheck(d.Handle(), 1000, plat::BST_CHECKED);
    plat::SetItemCheck(d.Handle(), 1002, plat::BST_CHECKED);
    uint32_t stateAtClick = 99;
    react = [&](WindowHandle dialog, uint32_t message, uintptr_t wParam, intptr_t) -> intptr_t {
        if (message == plat::WM_COMMAND && (wParam & 0xFFFF) == 1001) stateAtClick = plat::GetItemCheck(dialog, 1000);
        return 0;
    };
    ASSERT_TRUE(d.Click(1001));
    EXPECT_EQ(stateAtClick, plat::BST_UNCHECKED);
    EXPECT_TRUE(d.Checked(1001));
    EXPECT_FALSE(d.Checked(1000));
    EXPECT_TRUE(d.Checked(1002)) << "another group";
    // A disabled button of the group is left as it is.
    plat::EnableItem(d.Handle(), 1001, false);
    ASSERT_TRUE(d.Click(1000));
    EXPECT_TRUE(d.Checked(1000));
    EXPECT_TRUE(d.Checked(1001));
    EXPECT_FALSE(d.Click(1001)) << "disabled controls take no input";
}

TEST_F(HostDialogs, AutoCheckBoxToggles) {
    DialogDriver d = Open("OPTIONBOX");
    ASSERT_TRUE(d.Click(1006));
    EXPECT_TRUE(d.Checked(1006));
    ASSERT_TRUE(d.Click(1006));
    EXPECT_FALSE(d.Checked(1006));
    EXPECT_EQ(Commands().back(), "1006:0");
}

TEST_F(HostDialogs, InitDialogGetsTheParameterAndTheFirstTabStop) {
    DialogDriver d = Open("DC_SCANDLG", 1234);
    ASSERT_FALSE(seen.empty());
    EXPECT_EQ(seen.front().message, plat::WM_INITDIALOG);
    EXPECT_EQ(seen.front().lParam, 1234);
    EXPECT_EQ(d.FocusId(), 1020);
    EXPECT_EQ(Commands(), (std::vector<std::string>{"1020:3"}));  // CBN_SETFOCUS
    EXPECT_FALSE(d.IsVisible()) << "the main dialog is created hidden";
    answerInit = false;
    DialogDriver other = Open("AREABOX");
    EXPECT_EQ(other.FocusId(), 0);
}

TEST_F(HostDialogs, LeavingAFieldByClickComesBeforeTheClick) {
    DialogDriver d = Open("DC_SCANDLG");
    ASSERT_TRUE(d.Type(1026, "100"));
    Commands();
    ASSERT_TRUE(d.Click(117));
    EXPECT_EQ(Commands(), (std::vector<std::string>{"1026:512", "117:0"}));
    ASSERT_TRUE(d.Type(1027, "5"));
    Commands();
    ASSERT_TRUE(d.Tab());
    EXPECT_EQ(Commands(), (std::vector<std::string>{"1027:512"}));
}

TEST_F(HostDialogs, EnterEscapeAndTheCloseBox) {
    DialogDriver d = Open("DC_SCANDLG");
    ASSERT_TRUE(d.Type(1026, "0"));
    Commands();
    ASSERT_TRUE(d.Enter());  // the default button, the field keeps the focus
    EXPECT_EQ(Commands(), (std::vector<std::string>{"1:0"}));
    ASSERT_TRUE(d.Escape());
    EXPECT_EQ(Commands(), (std::vector<std::string>{"2:0"}));
    ASSERT_TRUE(d.Close());  // unanswered WM_CLOSE becomes IDCANCEL
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0].message, plat::WM_CLOSE);
    EXPECT_EQ(seen[1].message, plat::WM_COMMAND);
    EXPECT_EQ(seen[1].id, 2);
    seen.clear();
    plat::EnableItem(d.Handle(), 1, false);
    ASSERT_TRUE(d.Type(1026, "1"));
    Commands();
    ASSERT_TRUE(d.Enter());
    EXPECT_TRUE(Commands().empty()) << "a disabled default button takes no Enter";
    DialogDriver more = Open("OPTIONBOX");
    EXPECT_FALSE(more.Close()) << "no close box";
}

TEST_F(HostDialogs, DisablingTheFocusedFieldTakesTheFocusAway) {
    DialogDriver d = Open("DC_SCANDLG");
    ASSERT_TRUE(d.Focus(1026));
    Commands();
    plat::EnableItem(d.Handle(), 1026, false);
    EXPECT_EQ(Commands(), (std::vector<std::string>{"1026:512"}));
    EXPECT_EQ(d.FocusId(), 0);
}

TEST_F(HostDialogs, ChoosingAComboItemNotifiesLikeAMouse) {
    DialogDriver d = Open("DC_SCANDLG");
    for (const char* item : {"Black & White", "Gray Scale 8 bit"}) plat::ComboAddString(d.Handle(), 1020, item);
    Commands();
    ASSERT_TRUE(d.ChooseItem(1020, "Gray Scale 8 bit"));
    // The list drops down first; Windows leaves the order of the other three open.
    std::vector<std::string> commands = Commands();
    ASSERT_FALSE(commands.empty());
    EXPECT_EQ(commands.front(), "1020:7");
    std::sort(commands.begin() + 1, commands.end());
    EXPECT_EQ(commands, (std::vector<std::string>{"1020:7", "1020:1", "1020:8", "1020:9"}));
    EXPECT_EQ(d.SelectedText(1020), "Gray Scale 8 bit");
    EXPECT_FALSE(d.ChooseItem(1020, "gray scale 8 bit")) << "the driver names items exactly";
    plat::SetItemText(d.Handle(), 1020, "Black & White");
    EXPECT_EQ(d.SelectedText(1020), "Gray Scale 8 bit") << "WM_SETTEXT does not select in a drop-down list";
    plat::ComboAddString(d.Handle(), 1020, "8");
    plat::ComboSetSelection(d.Handle(), 1020, 2);
    bool translated = false;
    EXPECT_EQ(plat::GetItemInt(d.Handle(), 1020, &translated, false), 8u) << "GetDlgItemInt reads the selected item";
    EXPECT_TRUE(translated);
}

TEST_F(HostDialogs, ScrollBarsSendTheirCodesAndKeepTheRange) {
    DialogDriver d = Open("DC_SCANDLG");
    plat::ScrollSetRange(d.Handle(), 1022, 1, 255);
    plat::ScrollSetPosition(d.Handle(), 1022, 300);
    EXPECT_EQ(plat::ScrollGetPosition(d.Handle(), 1022), 255);
    seen.clear();
    ASSERT_TRUE(d.DragThumb(1022, 150));
    ASSERT_EQ(seen.size(), 3u);
    EXPECT_EQ(seen[0].id, static_cast<int>(plat::SB_THUMBTRACK));
    EXPECT_EQ(seen[0].code, 150u);
    EXPECT_EQ(seen[1].id, static_cast<int>(plat::SB_THUMBPOSITION));
    EXPECT_EQ(seen[1].code, 150u);
    EXPECT_EQ(seen[2].id, static_cast<int>(plat::SB_ENDSCROLL));
    EXPECT_EQ(seen[2].code, 0u) << "only the thumb codes carry a position";
    EXPECT_EQ(plat::GetItemId(reinterpret_cast<WindowHandle>(seen[0].lParam)), 1022);
    EXPECT_EQ(d.ScrollPosition(1022), 255) << "Windows leaves moving the thumb to the procedure";
    seen.clear();
    plat::ScrollSetPosition(d.Handle(), 1023, 60);
    ASSERT_TRUE(d.Scroll(1023, plat::SB_PAGELEFT));
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0].id, static_cast<int>(plat::SB_PAGELEFT));
    EXPECT_EQ(seen[0].code, 0u);
}

TEST_F(HostDialogs, ModalDialogsRunThroughTheirHandler) {
    DialogDriver main = Open("DC_SCANDLG");
    react = [](WindowHandle dialog, uint32_t message, uintptr_t wParam, intptr_t) -> intptr_t {
        if (message == plat::WM_COMMAND && (wParam & 0xFFFF) <= 2) plat::EndModalDialog(dialog, 40 + static_cast<intptr_t>(wParam & 0xFFFF));
        return 0;
    };
    bool ownerTookClick = true;
    plat::host::ExpectModal("ABOUTBOX", [&](DialogDriver about) {
        EXPECT_TRUE(about.IsVisible());
        ownerTookClick = main.Click(116);
        about.Click(1);
    });
    EXPECT_EQ(plat::RunModalDialog("ABOUTBOX", main.Handle(), RecordingProc, 0), 41);
    EXPECT_FALSE(ownerTookClick) << "the owner is disabled while the modal dialog runs";
    EXPECT_TRUE(main.Click(116));
    EXPECT_EQ(plat::host::PendingExpectedModals(), 0u);

    // Without a handler the host presses Esc.
    EXPECT_EQ(plat::RunModalDialog("RYOUMENDLG", main.Handle(), RecordingProc, 0), 42);
    // A handler that leaves the dialog open ends it with -1.
    plat::host::ExpectModal("AREABOX", [](DialogDriver) {});
    react = nullptr;
    EXPECT_EQ(plat::RunModalDialog("AREABOX", main.Handle(), RecordingProc, 0), -1);
    EXPECT_EQ(plat::host::UnansweredModals(), 1u);
    EXPECT_EQ(plat::RunModalDialog("NO_SUCH_DIALOG", main.Handle(), RecordingProc, 0), -1);
}

TEST_F(HostDialogs, PumpStepsTakeOrDropOnePendingMessage) {
    DialogDriver main = Open("DC_SCANDLG");
    DialogDriver wait(plat::CreateModelessDialog("WAITTYUDLG", main.Handle(), RecordingProc, 0));
    EXPECT_TRUE(wait.IsVisible()) << "the wait dialog shows itself";
    Commands();
    ASSERT_TRUE(main.PostClick(1));
    ASSERT_TRUE(wait.PostClick(2));
    EXPECT_TRUE(Commands().empty()) << "posted input waits in the queue";
    EXPECT_TRUE(plat::PumpOneMessage(wait.Handle()));
    EXPECT_EQ(Commands(), (std::vector<std::string>{"2:0"}));
    EXPECT_TRUE(plat::DropOneMessage(main.Handle()));
    EXPECT_FALSE(plat::DropOneMessage(main.Handle()));
    EXPECT_TRUE(Commands().empty()) << "the dropped click never arrives";
}

TEST_F(HostDialogs, DestroyedDialogsAreSafeToName) {
    DialogDriver d = Open("ABOUTBOX");
    plat::SetItemText(d.Handle(), 109, "#5");
    EXPECT_EQ(d.Text(109), "#5");
    plat::DestroyDialog(d.Handle());
    EXPECT_EQ(plat::GetItem(d.Handle(), 109), nullptr);
    plat::SetItemText(d.Handle(), 109, "gone");
    char text[8] = "x";
    EXPECT_EQ(plat::GetItemText(d.Handle(), 109, text, sizeof text), 0u);
    EXPECT_STREQ(text, "");
    EXPECT_FALSE(d.Click(1));
    plat::DestroyDialog(d.Handle());
    EXPECT_EQ(plat::CreateModelessDialog("DC_SCANDLG", nullptr, nullptr, 0), nullptr);
}

TEST_F(HostDialogs, MessageBoxesAreAnsweredAndRecorded) {
    DialogDriver d = Open("NUMBERINGBOX");
    plat::host::SetMessageBoxAnswerer([](const plat::host::ShownMessageBox& box) {
        return box.caption == "Question" ? plat::IDNO : plat::IDOK;
    });
    EXPECT_EQ(plat::ShowMessageBox(d.Handle(), "Sure?", "Question", plat::MB_YESNO), plat::IDNO);
    EXPECT_EQ(plat::ShowMessageBox(d.Handle(), "Step Number is over the limit", "Setting Error Message",
                                   plat::MB_OK | plat::MB_ICONEXCLAMATION | plat::MB_TASKMODAL),
              plat::IDOK);
    const std::vector<plat::host::ShownMessageBox> boxes = plat::host::TakeMessageBoxes();
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[1].caption, "Setting Error Message");
    EXPECT_EQ(boxes[1].style, plat::MB_OK | plat::MB_ICONEXCLAMATION | plat::MB_TASKMODAL);
    EXPECT_TRUE(plat::host::TakeMessageBoxes().empty());
}

TEST_F(HostDialogs, PrivateMessagesReachTheProcedureAndTheLogKeepsTheOrder) {
    DialogDriver progress = Open("SCANTYUDLG");
    plat::host::StartMessageLog();
    constexpr uint32_t kProgressMessage = plat::WM_USER + 1001;
    plat::SendDialogMessage(progress.Handle(), kProgressMessage, 40, 0);
    plat::ShowDialog(progress.Handle(), false);
    plat::ShowDialog(progress.Handle(), true);
    plat::host::DeliverAllPending();  // Windows paints when the loop next runs
    plat::DestroyDialog(progress.Handle());
    const std::vector<plat::host::LoggedMessage> log = plat::host::TakeMessageLog();
    std::vector<uint32_t> messages;
    for (const plat::host::LoggedMessage& entry : log) messages.push_back(entry.message);
    EXPECT_EQ(messages, (std::vector<uint32_t>{kProgressMessage, plat::WM_SHOWWINDOW, plat::WM_SHOWWINDOW,
                                               plat::WM_PAINT, plat::WM_DESTROY}));
    EXPECT_EQ(log.front().wParam, 40u);
    EXPECT_EQ(log.front().templateName, "SCANTYUDLG");
}

TEST_F(HostDialogs, OwnedDialogsAreDestroyedBeforeTheirOwnerHearsOfIt) {
    DialogDriver main = Open("DC_SCANDLG");
    plat::CreateModelessDialog("SCANTYUDLG", main.Handle(), RecordingProc, 0);
    plat::host::StartMessageLog();
    plat::DestroyDialog(main.Handle());
    std::vector<std::string> destroyed;
    for (const plat::host::LoggedMessage& entry : plat::host::TakeMessageLog())
        if (entry.message == plat::WM_DESTROY) destroyed.push_back(entry.templateName);
    EXPECT_EQ(destroyed, (std::vector<std::string>{"SCANTYUDLG", "DC_SCANDLG"}));
    EXPECT_TRUE(plat::host::OpenDialogs().empty());
}

TEST_F(HostDialogs, AProcedureMayDestroyItsOwnDialogWhileHandlingAClick) {
    DialogDriver wait = Open("WAITTYUDLG");
    react = [](WindowHandle dialog, uint32_t message, uintptr_t wParam, intptr_t) -> intptr_t {
        if (message == plat::WM_COMMAND && (wParam & 0xFFFF) == 2) plat::DestroyDialog(dialog);
        return 0;
    };
    EXPECT_TRUE(wait.Click(2));
    EXPECT_FALSE(wait.IsOpen());
    EXPECT_TRUE(plat::host::OpenDialogs().empty());
}

}  // namespace
