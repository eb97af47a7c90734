// Message boxes recorded and answered, and the debugger output listener.
#include <string>
#include <vector>

#include "platform/platform.h"
#include "platform/host/host_hooks.h"
#include "tests/unit/platform/platform_fixture.h"

namespace {

class MessagesTest : public PlatformTest {};

int AnswerNo(plat::WindowHandle, const char*, const char*, uint32_t) { return plat::IDNO; }

TEST_F(MessagesTest, RecordsEveryMessageBox) {
    int owner = 0;
    EXPECT_EQ(plat::ShowMessageBox(&owner, "Paper jam", "Scanner Message", plat::MB_OK | plat::MB_ICONHAND),
              plat::IDOK);
    plat::host::SetMessageBoxHandler(&AnswerNo);
    EXPECT_EQ(plat::ShowMessageBox(nullptr, "Continue?", "Source Message", plat::MB_YESNO), plat::IDNO);
    ASSERT_EQ(plat::host::MessageBoxCount(), 2u);
    const plat::host::RecordedMessageBox* first = plat::host::RecordedMessageBoxAt(0);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->owner, &owner);
    EXPECT_STREQ(first->text, "Paper jam");
    EXPECT_STREQ(first->caption, "Scanner Message");
    EXPECT_EQ(first->style, plat::MB_OK | plat::MB_ICONHAND);
    EXPECT_EQ(first->answer, plat::IDOK);
    EXPECT_EQ(plat::host::RecordedMessageBoxAt(1)->answer, plat::IDNO);
    EXPECT_EQ(plat::host::RecordedMessageBoxAt(2), nullptr);
    plat::host::ClearRecordedMessageBoxes();
    EXPECT_EQ(plat::host::MessageBoxCount(), 0u);
}

TEST_F(MessagesTest, DefaultAnswerIsTheFirstButton) {
    EXPECT_EQ(plat::ShowMessageBox(nullptr, "t", "c", plat::MB_OKCANCEL), plat::IDOK);
    EXPECT_EQ(plat::ShowMessageBox(nullptr, "t", "c", plat::MB_YESNO | plat::MB_ICONQUESTION), plat::IDYES);
}

TEST_F(MessagesTest, LongAndNullTextsAreSafe) {
    const std::string longText(5000, 'x');
    plat::ShowMessageBox(nullptr, longText.c_str(), nullptr, plat::MB_OK);
    const plat::host::RecordedMessageBox* record = plat::host::RecordedMessageBoxAt(0);
    ASSERT_NE(record, nullptr);
    EXPECT_EQ(std::string(record->text), longText.substr(0, sizeof record->text - 1));
    EXPECT_STREQ(record->caption, "");
}

TEST_F(MessagesTest, KeepsTheOldestWhenFull) {
    for (uint32_t i = 0; i < plat::host::kMaxRecordedMessageBoxes + 5; ++i) {
        plat::ShowMessageBox(nullptr, std::to_string(i).c_str(), "c", plat::MB_OK);
    }
    EXPECT_EQ(plat::host::MessageBoxCount(), plat::host::kMaxRecordedMessageBoxes + 5);
    EXPECT_STREQ(plat::host::RecordedMessageBoxAt(0)->text, "0");
    EXPECT_EQ(plat::host::RecordedMessageBoxAt(plat::host::kMaxRecordedMessageBoxes), nullptr);
}

std::vector<std::string> Heard;
void Listen(const char* text) { Heard.emplace_back(text); }

TEST_F(MessagesTest, DebugOutputReachesOnlyAListener) {
    Heard.clear();
    plat::DebugOutput("dropped");
    plat::host::SetDebugOutputListener(&Listen);
    plat::DebugOutput("heard");
    plat::DebugOutput(nullptr);
    ASSERT_EQ(Heard.size(), 1u);
    EXPECT_EQ(Heard[0], "heard");
}

}  // namespace
