// Private-profile reading and writing with the Windows semantics the settings
// file relies on, run against both backends: the Linux one and kernel32 (under
// Wine) must give the same answers.
#include <string>

#include "platform/platform.h"
#include "tests/unit/platform/profile_fixture.h"

namespace {

const std::string kSample =
    "; settings written by hand\r\n"
    "orphan=before any section\r\n"
    "[Scan]\r\n"
    "Resolution = 300 DPI  \r\n"
    "Quoted=\"  padded  \"\r\n"
    "Single='x'\r\n"
    "Lone=\"\r\n"
    "NoValue\r\n"
    "Empty=\r\n"
    "Count=0012abc\r\n"
    "\r\n"
    "  [ Mecha ]  \r\n"
    "Gray=1\r\n"
    "[scan]\r\n"
    "Late=hidden by the first [Scan]\r\n";

TEST_F(ProfileTest, ReadsValuesAsWindowsDoes) {
    WriteFileBytes(kIni, kSample);
    struct Case {
        const char* section;
        const char* key;
        const char* expected;
    } const cases[] = {
        {"Scan", "Resolution", "300 DPI"},       // blanks around the value trimmed
        {"SCAN", "resolution", "300 DPI"},       // case of section and key ignored
        {"  Scan ", " Resolution", "300 DPI"},   // caller's names trimmed
        {"Scan", "Quoted", "  padded  "},        // one pair of quotes stripped
        {"Scan", "Single", "x"},
        {"Scan", "Lone", "\""},                  // a lone quote stays
        {"Scan", "NoValue", "default"},          // a line without '=' is no key
        {"Scan", "Empty", ""},
        {"Mecha", "Gray", "1"},                  // blanks around the section name
        {"Scan", "Late", "default"},             // only the first section of a name
        {"Scan", "orphan", "default"},           // keys before any section are never found
        {"Scan", "Missing", "default"},
        {"Nowhere", "Gray", "default"},
        {"Scan", "; settings written by hand", "default"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Get(c.section, c.key), c.expected) << c.section << "/" << c.key;
    }
}

TEST_F(ProfileTest, DefaultsAndTruncation) {
    WriteFileBytes(kIni, kSample);
    uint32_t count = 0;
    EXPECT_EQ(Get("Scan", "Resolution", "x", 4, &count), "300");
    EXPECT_EQ(count, 3u);
    EXPECT_EQ(Get("Scan", "Resolution", "x", 8, &count), "300 DPI");
    EXPECT_EQ(count, 7u);
    EXPECT_EQ(Get("Scan", "Resolution", "x", 1, &count), "");
    EXPECT_EQ(count, 0u);
    EXPECT_EQ(Get("Scan", "Missing", "long default  ", 6, &count), "long ");
    EXPECT_EQ(Get("Scan", "Missing", "trail   ", 256, &count), "trail");
    EXPECT_EQ(Get("Scan", "Missing", nullptr, 256, &count), "");
    EXPECT_EQ(count, 0u);

    char untouched[4] = {'k', 'e', 'e', 'p'};
    EXPECT_EQ(plat::ProfileGetString("Scan", "Resolution", "d", untouched, 0, kIni), 0u);
    EXPECT_EQ(untouched[0], 'k');
    EXPECT_EQ(plat::ProfileGetString("Scan", "Resolution", "d", nullptr, 10, kIni), 0u);
}

TEST_F(ProfileTest, MissingOrUnnamedFileReadsAsEmpty) {
    char buffer[32];
    EXPECT_EQ(plat::ProfileGetString("Scan", "Key", "dflt", buffer, sizeof buffer, "NONE.INI"), 4u);
    EXPECT_STREQ(buffer, "dflt");
    EXPECT_EQ(plat::ProfileGetString("Scan", "Key", "dflt", buffer, sizeof buffer, nullptr), 4u);
    EXPECT_EQ(plat::ProfileGetString("Scan", "Key", "dflt", buffer, sizeof buffer, ""), 4u);
    EXPECT_EQ(plat::ProfileGetInt("Scan", "Key", 17, "NONE.INI"), 17u);
}

TEST_F(ProfileTest, IntegersFollowTheWin32Conversion) {
    struct Case {
        const char* value;  // null: the key is absent
        int32_t defaultValue;
        uint32_t expected;
    } const cases[] = {
        {nullptr, 5, 5},
        {nullptr, -1, 4294967295u},
        {"", 9, 9},  // an empty value answers the default
        {"0012abc", 1, 12},
        {"-5", 1, 4294967291u},
        {"+7", 1, 7},
        {"  7", 1, 7},
        {"B12", 1, 0},
        {"42A9", 1, 42},
        {"4294967296", 1, 0},  // modulo 2^32
        {"4294967297", 1, 1},
        {"-4294967297", 1, 4294967295u},
        {"0x1F", 1, 31},
        {"0X1F", 1, 0},  // prefixes are lower case only
        {"0b101", 1, 5},
        {"\"8\"", 1, 8},  // quotes stripped first
        {"300 DPI", 1, 300},
    };
    for (const Case& c : cases) {
        if (c.value != nullptr) {
            WriteFileBytes(kIni, std::string("[S]\r\nK=") + c.value + "\r\n");
        } else {
            WriteFileBytes(kIni, "[S]\r\nOther=3\r\n");
        }
        EXPECT_EQ(plat::ProfileGetInt("S", "k", c.defaultValue, kIni), c.expected)
            << (c.value != nullptr ? c.value : "(absent)");
    }
}

TEST_F(ProfileTest, ListsSectionsAndKeys) {
    WriteFileBytes(kIni, "[one]\r\na=1\r\n;c=2\r\nb\r\nlonger=3\r\n[two]\r\n[three]\r\n");
    char buffer[64];
    uint32_t n = plat::ProfileGetString(nullptr, "x", "d", buffer, sizeof buffer, kIni);
    EXPECT_EQ(std::string(buffer, n + 1), std::string("one\0two\0three\0\0", 15));
    n = plat::ProfileGetString("ONE", nullptr, "d", buffer, sizeof buffer, kIni);
    EXPECT_EQ(std::string(buffer, n + 1), std::string("a\0longer\0\0", 10));
    // A list that does not fit is cut and still ends in two terminators.
    n = plat::ProfileGetString(nullptr, "x", "d", buffer, 10, kIni);
    EXPECT_EQ(n, 8u);
    EXPECT_EQ(std::string(buffer, 10), std::string("one\0two\0\0\0", 10));
}

TEST_F(ProfileTest, DeletesKeysAndSections) {
    WriteFileBytes(kIni, "[App1]\r\nkey1=a\r\nkey2=b\r\n[App2]\r\nkey3=c\r\n[App3]\r\nkey4=d\r\n");
    ASSERT_TRUE(plat::ProfileWriteString("App1", "KEY2", nullptr, kIni));
    EXPECT_EQ(ReadFileBytes(kIni), "[App1]\r\nkey1=a\r\n[App2]\r\nkey3=c\r\n[App3]\r\nkey4=d\r\n");
    ASSERT_TRUE(plat::ProfileWriteString("App1", "key2", nullptr, kIni));  // already gone
    ASSERT_TRUE(plat::ProfileWriteString("app2", nullptr, "ignored", kIni));
    EXPECT_EQ(ReadFileBytes(kIni), "[App1]\r\nkey1=a\r\n[App3]\r\nkey4=d\r\n");
    ASSERT_TRUE(plat::ProfileWriteString("App3", "key4", nullptr, kIni));
    EXPECT_EQ(ReadFileBytes(kIni), "[App1]\r\nkey1=a\r\n[App3]\r\n");
    // Deleting from a file that does not exist creates nothing.
    ASSERT_TRUE(plat::ProfileWriteString("S", "k", nullptr, "NONE.INI"));
    ASSERT_TRUE(plat::ProfileWriteString("S", nullptr, nullptr, "NONE.INI"));
    EXPECT_FALSE(FileExists("NONE.INI"));
}

TEST_F(ProfileTest, LongLinesAreReadWhole) {
    const std::string longValue(100000, 'v');
    WriteFileBytes(kIni, "[A]\r\nk=" + longValue + "\r\nafter=1\r\n");
    EXPECT_EQ(plat::ProfileGetInt("A", "after", 0, kIni), 1u);
    std::string buffer(200000, '\0');
    const uint32_t n = plat::ProfileGetString("A", "k", "", buffer.data(), 64, kIni);
    EXPECT_EQ(n, 63u);
    EXPECT_EQ(buffer.substr(0, 64), std::string(63, 'v') + '\0');
}

}  // namespace
