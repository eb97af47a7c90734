// The message table and ShowScannerMessage: texts, captions, the generic text
// with its code, and the message box's owner and style.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "platform/host/host_hooks.h"
#include "platform/platform.h"
#include "scanner/scanner_messages.h"

namespace {

// The texts the string table must hold for the messages.
// Columns: string id, text.
struct ExpectedString {
    uint32_t id;
    const char* text;
};

const ExpectedString kExpectedStrings[] = {
    {3000, "No sense !"},
    {3001, "Scanner is not ready."},
    {3002, "Scanner is becoming ready."},
    {3003, "Scanner Door is open! Please close the door."},
    {3004, "Scanner Door is open! Please close the door."},
    {3073, "Scanner Door is open! Please close the door."},
    {3075, "Scanner Door is open! Please close the door."},
    {3005, "No Paper !"},
    {3006, "Jam ocuured. Please open the door and remove the paper."},
    {3007, "Jam ocuured. Please open the door and remove the paper."},
    {3008, "Jam ocuured. Please open the door and remove the paper."},
    {3009, "Paper exists in Scanner yet.\nPlease open the door and remove the paper."},
    {3076, "Jam ocuured. Please open the door and remove the paper."},
    {3077, "Jam ocuured. Please open the door and remove the paper."},
    {3078, "Jam ocuured. Please open the door and remove the paper."},
    {3079, "Jam ocuured. Please open the door and remove the paper."},
    {3080, "Skew error occured!!"},
    {3081, "Minimum Media error!!"},
    {3082, "Media Length error!!"},
    {3083, "Double Feed error!!"},
    {3084, "Barcode error!!"},
    {3010, "Parameter error occured in Scanner."},
    {3011, "DMA error ocuured in Scanner."},
    {3012, "Command error ocuured in Scanner."},
    {3085, "Internal Communication error."},
    {3013, "RAM error occured in Scanner."},
    {3014, "EEPROM error occured in Scanner."},
    {3015, "SCSI parity error occured."},
    {3016, "Short of light within regular temperature. Lamp may be broken."},
    {3017, "Paper Detect error occured."},
    {3018, "Short of light out of regular temperature."},
    {3019, "Hopper error occured."},
    {3021, "Paper detect sensor error occured."},
    {3086, "Deskew error."},
    {3022, "Parameter List Length error occured."},
    {3023, "Scanner received invalid command operation code."},
    {3024, "Scanner detected invalid field in command descriptor block."},
    {3025, "Logical unit is not supported."},
    {3026, "Scanner detected invalid field in parameter list."},
    {3027, "Too many windows was specified."},
    {3028, "Invalid Combination of windows was specified."},
    {3029, "Short of memory to read the current area."},
    {3030, "No Back Unit !"},
    {3087, "No numbering unit."},
    {3088, "Pointer position error."},
    {3031, "Scanner detected invalid bits in identifiy massage."},
    {3032, "Unit attention !"},
    {3033, "Synchronous Data Transfer error occured."},
    {3034, "Message error occuerd."},
    {3035, "Invalid message error occured."},
    {3037, "Image transfer error occured."},
    {3038, "Microcode downloading and saveing was failed. \nPlease call service man."},
    {3039, "EEPROM write error occured in Scanner."},
    {3040, "No Paper !"},
    {3041, "Short of Memory !"},
    {3049, "Load Library error !!"},
    {3050, "GetSupportInfo Adress error !!"},
    {3051, "GetASPICommand Adress error !!"},
    {3052, "No ASPI managers were found !!"},
    {3053, "ASPI for Windows does not support this mode !!"},
    {3054, "An ASPI manager which does not support Windows is resident !!"},
    {3055, "ASPI for Windows is not initialized !!"},
    {3056, "No Target Device !!"},
    {3057, "Scanner is busy."},
    {3042, "The same \"Name\" has already existed ! "},
    {3043, "Name, Width, or Length is invalid !"},
    {3044, "Click the Paper Size you want to delete !"},
    {3068, "Starting Number is over the limit or it is used besides a number.\n(Range 0 - 9999999)"},
    {3069, "Step Number is over the limit or it is used besides a number.\n(Range 0 - 9)"},
    {3070, "Printing Offset is over the limit or it is used besides a number."},
    {3071, "Endorser String include invalid charcter or invalid escape sequence."},
    {3072, "Endorser String is over 72 charcters. "},
    {3089, "Invalid Wait time values.\n(Range: 1 - 300)"},
    {3094, "Invalid Image data Transfer mode error."},
    {3045, "Scanner Message"},
    {3046, "Source Message"},
    {3047, "Free Size Setting Message"},
    {3096, "Setting Error Message"},
    {3048, "Scanner Error ocurred ! \nError Code(SenseKey,ASC,ASCQ) ="},
};

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

TEST(MessageStrings, StringTableHoldsEveryMessageText) {
    for (const ExpectedString& s : kExpectedStrings) {
        char text[kMessageTextSize];
        EXPECT_GT(plat::LoadResString(s.id, text, sizeof text), 0) << s.id;
        EXPECT_STREQ(text, s.text) << s.id;
    }
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
