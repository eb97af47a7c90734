// The platform interface as the data source uses it, run against both
// backends (Linux, and kernel32 and user32 under Wine) with the same expected
// answers: memory blocks, modules, the module's string table, the clock and
// the answer of a message box nobody clicks.
#include <gtest/gtest.h>

#include <cstring>

#include "platform/platform.h"

namespace {

TEST(PlatformMemory, BlocksAreZeroedSizedAndLockedInNestingPairs) {
    plat::MemHandle block = plat::MemAlloc(100);
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(plat::MemSize(block), 100u);
    auto* bytes = static_cast<unsigned char*>(plat::MemLock(block));
    ASSERT_NE(bytes, nullptr);
    for (int i = 0; i < 100; ++i) ASSERT_EQ(bytes[i], 0) << i;
    std::memset(bytes, 0xA5, 100);
    // A second lock of a movable block answers the same, unmoved data.
    EXPECT_EQ(plat::MemLock(block), bytes);
    EXPECT_TRUE(plat::MemUnlock(block));
    EXPECT_TRUE(plat::MemUnlock(block));
    EXPECT_FALSE(plat::MemUnlock(block)) << "a block that is not locked";
    bytes = static_cast<unsigned char*>(plat::MemLock(block));
    ASSERT_NE(bytes, nullptr);
    EXPECT_EQ(bytes[99], 0xA5);
    EXPECT_TRUE(plat::MemUnlock(block));
    plat::MemFree(block);
}

TEST(PlatformMemory, NullHandlesAreHarmless) {
    EXPECT_EQ(plat::MemLock(nullptr), nullptr);
    EXPECT_FALSE(plat::MemUnlock(nullptr));
    EXPECT_EQ(plat::MemSize(nullptr), 0u);
    plat::MemFree(nullptr);
}

// The virtual scanner's ASPI manager stands beside the test in both builds.
TEST(PlatformModules, LoadsByWindowsNameAndFindsExports) {
    plat::ModuleHandle aspi = plat::LoadModule("WNASPI32.DLL");
    ASSERT_NE(aspi, nullptr);
    EXPECT_NE(plat::FindSymbol(aspi, "GetASPI32SupportInfo"), nullptr);
    EXPECT_NE(plat::FindSymbol(aspi, "SendASPI32Command"), nullptr);
    EXPECT_EQ(plat::FindSymbol(aspi, "NoSuchExport"), nullptr);
    EXPECT_EQ(plat::FindSymbol(aspi, nullptr), nullptr);
    EXPECT_EQ(plat::FindSymbol(nullptr, "SendASPI32Command"), nullptr);
    plat::FreeModule(aspi);
    for (const char* name : {"", "NOSUCHMODULE.DLL"}) {
        EXPECT_EQ(plat::LoadModule(name), nullptr) << name;
    }
    EXPECT_EQ(plat::LoadModule(nullptr), nullptr);
    plat::FreeModule(nullptr);
}

TEST(PlatformStrings, IdentityStringsOfTheRealScript) {
    struct Case {
        uint32_t id;
        const char* text;
    } const cases[] = {
        {0, "Tessaly Scanning Equipment"},
        {1, "Orvantica High Speed Scanner"},
        {3, "July.23.1998"},
        {4, "3"},
        {5, "30"},
        {3059, "Orvantica DX Series (32 bit)"},
    };
    for (const Case& c : cases) {
        char buffer[128];
        const int n = plat::LoadResString(c.id, buffer, sizeof buffer);
        EXPECT_EQ(n, static_cast<int>(std::strlen(c.text))) << c.id;
        EXPECT_STREQ(buffer, c.text) << c.id;
    }
}

TEST(PlatformStrings, TruncationAndAbsentIds) {
    char buffer[8];
    EXPECT_EQ(plat::LoadResString(0, buffer, 8), 7);
    EXPECT_STREQ(buffer, "Tessaly");
    EXPECT_EQ(plat::LoadResString(0, buffer, 1), 0);
    EXPECT_STREQ(buffer, "");
    std::strcpy(buffer, "stale");
    EXPECT_EQ(plat::LoadResString(2, buffer, 8), 0);  // absent: empty text
    EXPECT_STREQ(buffer, "");
    EXPECT_EQ(plat::LoadResString(65535, buffer, 8), 0);
    EXPECT_EQ(plat::LoadResString(0, buffer, 0), 0);
    EXPECT_EQ(plat::LoadResString(0, nullptr, 8), 0);
    EXPECT_EQ(plat::LoadResString(0, buffer, -3), 0);
}

TEST(PlatformClock, TickCountFollowsSleep) {
    const uint32_t start = plat::TickCount();
    plat::SleepMs(40);
    // The Windows tick count moves in steps of 10 to 16 ms.
    const uint32_t elapsed = plat::TickCount() - start;
    EXPECT_GE(elapsed, 24u);
    EXPECT_LT(elapsed, 10000u);
}

// Without a person every box takes its default button, the first one: the host
// backend answers it, on Windows the test's message-box hook presses it.
TEST(PlatformMessageBoxes, AnUnattendedBoxAnswersItsFirstButton) {
    EXPECT_EQ(plat::ShowMessageBox(nullptr, "Ready?", "Source Message", plat::MB_OK), plat::IDOK);
    EXPECT_EQ(plat::ShowMessageBox(nullptr, "Go on?", "Source Message", plat::MB_OKCANCEL), plat::IDOK);
    EXPECT_EQ(plat::ShowMessageBox(nullptr, "Scan?", "Scanner Message",
                                   plat::MB_YESNO | plat::MB_ICONQUESTION | plat::MB_TASKMODAL),
              plat::IDYES);
}

}  // namespace
