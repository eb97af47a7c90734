// The imprinter text coder: the coded bytes, the printed positions and the
// verdict for plain texts, the counter, the stamps and the limits, and that no
// text or stored counter value writes past the coded buffer.
#include <gtest/gtest.h>

#include <cstring>
#include <ostream>
#include <string>

#include "settings/settings_model.h"
#include "transfer/imprinter_text.h"

namespace {

struct CodingCase {
    const char* name;
    std::string text;
    uint32_t start;
    int32_t step;
    std::string coded;  // the coded bytes, without the NUL
    int32_t printed;
    uint32_t success;
};
void PrintTo(const CodingCase& row, std::ostream* out) { *out << row.name; }

const std::string kEsc = "\x1B";
const std::string kCounter123 = kEsc + std::string("\0", 1) + "00001231";

const CodingCase kCodingCases[] = {
    {"CounterAfterText", "ABCD#", 123, 1, "ABCD" + kCounter123, 11, 1},
    {"DoubleNumberSign", "##5", 1, 1, "#5", 2, 1},
    {"NumberSignPairThenCounter", "###", 123, 1, "#" + kCounter123, 8, 1},
    {"PercentWithoutSequence", "%5d", 1, 1, "%5d", 3, 1},
    {"SequenceIsCaseSensitive", "%1D", 1, 1, "%1D", 3, 1},
    {"PercentAtTheEnd", "50%", 1, 1, "50%", 3, 1},
    {"EveryStamp", "%1d%2d%3d", 1, 1, kEsc + "\x10" + kEsc + "\x11" + kEsc + "\x12", 26, 1},
    {"TimeStamps", "%4d%1t%2t", 1, 1, kEsc + "\x13" + kEsc + "\x20" + kEsc + "\x21", 26, 1},
    {"FourStamps", "%1d%2d%3d%1t", 1, 1, kEsc + "\x10" + kEsc + "\x11" + kEsc + "\x12" + kEsc + "\x20", 31, 0},
    {"CounterCountsAsASequence", "#%1d%2d%3d", 5, 2,
     kEsc + std::string("\0", 1) + "00000052" + kEsc + "\x10" + kEsc + "\x11" + kEsc + "\x12", 33, 0},
    {"SecondCounter", "A#B#", 123, 1, "A" + kCounter123 + "B", 9, 0},
    {"LargestCounter", "#", 9999999, 9, kEsc + std::string("\0", 1) + "99999999", 7, 1},
    {"Empty", "", 1, 1, "", 0, 0},
    {"GraveAccent", "AB`C", 1, 1, "AB", 2, 0},
    {"AboveTilde", "A\x7F", 1, 1, "A", 1, 0},
    {"HighCharacter", "A\xE9", 1, 1, "A", 1, 0},
    {"ControlCharacter", "A\tB", 1, 1, "A", 1, 0},
    {"LowerCaseAndBraces", "ab{|}~", 1, 1, "ab{|}~", 6, 1},
    {"SeventyTwo", std::string(72, 'x'), 1, 1, std::string(72, 'x'), 72, 1},
    {"SeventyThree", std::string(73, 'x'), 1, 1, std::string(73, 'x'), -1, 0},
    {"SixtyFivePlusCounter", std::string(65, 'x') + "#", 123, 1, std::string(65, 'x') + kCounter123, 72, 1},
    {"StampPastTheLimit", std::string(70, 'x') + "%4d", 1, 1, std::string(70, 'x') + kEsc + "\x13", -1, 0},
    // A hand-edited settings file: a counter that its digits cannot hold is refused.
    {"StartingNumberTooLarge", "AB#", 10000000, 1, "AB", 2, 0},
    {"StepTooLarge", "AB#", 1, 10, "AB", 2, 0},
    {"NegativeStep", "AB#", 1, -1, "AB", 2, 0},
};

class ImprinterText : public ::testing::TestWithParam<CodingCase> {};

TEST_P(ImprinterText, CodesTheTextAndStopsWhereItMust) {
    const CodingCase& row = GetParam();
    ScanValues.endorserStart = row.start;
    ScanValues.endorserStep = row.step;
    uint8_t coded[kEndorserCodedBufferSize + 8];
    std::memset(coded, 0xEE, sizeof coded);
    int32_t printed = 99;
    uint32_t count = 99;
    uint32_t success = 99;
    EncodeEndorserString(row.text.c_str(), coded, &printed, &count, &success);
    EXPECT_EQ(printed, row.printed);
    EXPECT_EQ(success, row.success);
    ASSERT_EQ(count, row.coded.size());
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(coded), count), row.coded);
    if (row.success == 1) {
        EXPECT_EQ(coded[count], 0);
    }
    for (size_t i = kEndorserCodedBufferSize; i < sizeof coded; ++i) EXPECT_EQ(coded[i], 0xEE) << i;
}

INSTANTIATE_TEST_SUITE_P(Rows, ImprinterText, ::testing::ValuesIn(kCodingCases),
                         [](const ::testing::TestParamInfo<CodingCase>& row) { return row.param.name; });

// The most bytes any text can make: 72 printed positions and then the counter.
TEST(ImprinterTextBounds, TheLongestRefusedTextFillsTheBufferExactly) {
    ScanValues.endorserStep = 9;
    uint8_t coded[kEndorserCodedBufferSize + 8];
    std::memset(coded, 0xEE, sizeof coded);
    int32_t printed = 0;
    uint32_t count = 0;
    uint32_t success = 1;
    ScanValues.endorserStart = 7;
    const std::string text = std::string(72, 'x') + "#x";
    EncodeEndorserString(text.c_str(), coded, &printed, &count, &success);
    EXPECT_EQ(count, kEndorserCodedBufferSize);
    EXPECT_EQ(printed, -1);
    EXPECT_EQ(success, 0u);
    for (size_t i = kEndorserCodedBufferSize; i < sizeof coded; ++i) EXPECT_EQ(coded[i], 0xEE) << i;
}

TEST(ImprinterTextBounds, NullArgumentsWriteNothing) {
    uint8_t coded[kEndorserCodedBufferSize] = {};
    int32_t printed = 5;
    uint32_t count = 5;
    uint32_t success = 5;
    EncodeEndorserString(nullptr, coded, &printed, &count, &success);
    EXPECT_EQ(success, 0u);
    EXPECT_EQ(count, 0u);
    EncodeEndorserString("AB", nullptr, &printed, &count, &success);
    EXPECT_EQ(success, 0u);
    EncodeEndorserString("AB", coded, nullptr, nullptr, nullptr);
    EXPECT_EQ(coded[0], 0);
}

}  // namespace
