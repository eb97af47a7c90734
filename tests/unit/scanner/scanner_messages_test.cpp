// The message table and ShowScannerMessage: texts, captions, the generic text
// with its code, and the message box's owner and style.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "platform/host/host_hooks.h"
#include "platform/platform.h"
#include "scanner/scanner_messages.h"

namespace {

const char* const kGeneric = "Scanner Error ocurred ! \nError Code(SenseKey,ASC,ASCQ) =";

TEST(MessageTable, RowsAreUniqueAndEndWithAnEmptyRow) {
    EXPECT_EQ(MessageTable[kMessageRowCount].stringId, 0u);
    std::set<uint32_t> codes;
    std::set<uint32_t> ids;
    for (int i = 0; i < kMessageRowCount; ++i) {
        const MessageRow& row = MessageTable[i];
        EXPECT_NE(row.stringId, 0u) << i;
        EXPECT_TRUE(codes.insert(row.code).second) << "code repeated at row " << i;
        EXPECT_TRUE(ids.insert(row.stringId).second) << "string repeated at row " << i;
        EXPECT_GE(row.stringId, 3000u);
        EXPECT_LE(row.stringId, 3096u);
    }
    // First, last and a few rows whose place the table's order fixes.
    EXPECT_EQ(MessageTable[0].code, 0x000000u);
    EXPECT_EQ(MessageTable[6].stringId, 3075u);
    EXPECT_EQ(MessageTable[51].code, 0x040C80u);
    EXPECT_EQ(MessageTable[kMessageRowCount - 1].code, 0xFF0209u);
}

struct MessageCase {
    uint8_t key, asc, ascq;
    std::string text;
    const char* caption;
};

class ShowMessage : public ::testing::Test {
protected:
    void SetUp() override { plat::host::ClearRecordedMessageBoxes(); }
};

TEST_F(ShowMessage, TextCaptionStyleAndOwner) {
    const MessageCase cases[] = {
        {0x03, 0x80, 0x0D, "Double Feed error!!", "Scanner Message"},
        {0x00, 0x00, 0x00, "No sense !", "Scanner Message"},
        {0x02, 0x04, 0x82, "Scanner Door is open! Please close the door.", "Scanner Message"},
        {0x03, 0x80, 0x04, "Paper exists in Scanner yet.\nPlease open the door and remove the paper.",
         "Scanner Message"},
        {0x05, 0x24, 0x05, std::string(kGeneric) + "5, 24, 05 H", "Scanner Message"},
        {0x0B, 0x00, 0x0A, std::string(kGeneric) + "b, 00, 0a H", "Scanner Message"},
        {0xFF, 0x00, 0x00, "No Paper !", "Source Message"},
        {0xFF, 0x00, 0x09, "No Target Device !!", "Source Message"},
        {0xFF, 0x01, 0x01, "Name, Width, or Length is invalid !", "Free Size Setting Message"},
        {0xFF, 0x02, 0x08, "Invalid Wait time values.\n(Range: 1 - 300)", "Setting Error Message"},
        {0xFF, 0x01, 0x05, std::string(kGeneric) + "ff, 01, 05 H", "Free Size Setting Message"},
        {0xFF, 0x03, 0x00, std::string(kGeneric) + "ff, 03, 00 H", "Free Size Setting Message"},
        {0xFF, 0x00, 0x0B, std::string(kGeneric) + "ff, 00, 0b H", "Source Message"},
    };
    int ownerTag = 0;
    plat::WindowHandle owner = &ownerTag;
    for (const MessageCase& c : cases) {
        SCOPED_TRACE(c.text);
        plat::host::ClearRecordedMessageBoxes();
        ShowScannerMessage(owner, c.key, c.asc, c.ascq);
        ASSERT_EQ(plat::host::MessageBoxCount(), 1u);
        const plat::host::RecordedMessageBox* box = plat::host::RecordedMessageBoxAt(0);
        EXPECT_EQ(box->text, c.text);
        EXPECT_STREQ(box->caption, c.caption);
        EXPECT_EQ(box->style, plat::MB_OK | plat::MB_ICONEXCLAMATION | plat::MB_TASKMODAL);
        EXPECT_EQ(box->owner, owner);
    }
}

TEST_F(ShowMessage, NoOwnerIsPassedOn) {
    ShowScannerMessage(nullptr, 0xFF, 0x00, 0x02);
    ASSERT_EQ(plat::host::MessageBoxCount(), 1u);
    EXPECT_EQ(plat::host::RecordedMessageBoxAt(0)->owner, nullptr);
    EXPECT_STREQ(plat::host::RecordedMessageBoxAt(0)->text, "Load Library error !!");
}

TEST_F(ShowMessage, CodesSharingATextAreEachFoundByTheirOwnRow) {
    for (uint8_t ascq : std::initializer_list<uint8_t>{0x01, 0x02, 0x03, 0x06, 0x07, 0x08, 0x09}) {
        char text[kMessageTextSize];
        char caption[kMessageCaptionSize];
        ComposeScannerMessage(0x03, 0x80, ascq, text, caption);
        EXPECT_STREQ(text, "Jam ocuured. Please open the door and remove the paper.") << int(ascq);
    }
    // 03 80 05 has no row: the generic text, not a neighbour's.
    char text[kMessageTextSize];
    char caption[kMessageCaptionSize];
    ComposeScannerMessage(0x03, 0x80, 0x05, text, caption);
    EXPECT_EQ(std::string(text), std::string(kGeneric) + "3, 80, 05 H");
}

}  // namespace
