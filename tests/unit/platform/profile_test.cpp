// Private-profile files on the host backend: where Wine's kernel32 answers
// otherwise than Windows documents it, and what Linux adds to the Windows
// semantics (case-sensitive file systems, the Windows directory from a hook,
// the environment or the home directory, refusals of writes that would break
// the file, injected failures, files too large or not files at all).
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "platform/platform.h"
#include "platform/host/host_hooks.h"
#include "tests/unit/platform/profile_fixture.h"

namespace {

// A list cut inside a name still ends in two terminators. (Wine's kernel32
// writes only the first one.)
TEST_F(ProfileTest, ListCutInsideANameEndsInTwoTerminators) {
    WriteFileBytes(kIni, "[one]\r\na=1\r\n[two]\r\n[three]\r\n");
    char buffer[8];
    std::memset(buffer, 'x', sizeof buffer);
    const uint32_t n = plat::ProfileGetString(nullptr, "x", "d", buffer, 7, kIni);
    EXPECT_EQ(n, 5u);
    EXPECT_EQ(std::string(buffer, 7), std::string("one\0t\0\0", 7));
}

// Writes leave every other line as it was, blanks and blank lines included,
// and follow the file's line endings. (Wine's kernel32 rewrites the file in its
// own form: keys without leading blanks, no blank lines, CR LF endings.)
TEST_F(ProfileTest, WriteKeepsEveryOtherLineByteForByte) {
    const std::string original =
        "; header comment\r\n"
        "[Scan]\r\n"
        "  Resolution = 300 DPI\r\n"
        "; keep me\r\n"
        "Paper=A4\r\n"
        "\r\n"
        "[Other]\r\n"
        "x=1\r\n";
    WriteFileBytes(kIni, original);
    ASSERT_TRUE(plat::ProfileWriteString("scan", "RESOLUTION", "400 DPI", kIni));
    ASSERT_TRUE(plat::ProfileWriteString("Scan", "Added", "new", kIni));
    ASSERT_TRUE(plat::ProfileWriteString("Fresh", "k", "v", kIni));
    EXPECT_EQ(ReadFileBytes(kIni),
              "; header comment\r\n"
              "[Scan]\r\n"
              "  Resolution=400 DPI\r\n"
              "; keep me\r\n"
              "Paper=A4\r\n"
              "Added=new\r\n"
              "\r\n"
              "[Other]\r\n"
              "x=1\r\n"
              "[Fresh]\r\n"
              "k=v\r\n");
}

TEST_F(ProfileTest, WriteFollowsTheFileLineEndings) {
    WriteFileBytes(kIni, "[A]\nk=1");  // LF endings, last line unterminated
    ASSERT_TRUE(plat::ProfileWriteString("A", "j", "2", kIni));
    EXPECT_EQ(ReadFileBytes(kIni), "[A]\nk=1\nj=2\n");
    WriteFileBytes(kIni, "[A]");
    ASSERT_TRUE(plat::ProfileWriteString("B", "j", "2", kIni));
    EXPECT_EQ(ReadFileBytes(kIni), "[A]\r\n[B]\r\nj=2\r\n");
}

TEST_F(ProfileTest, FileNameMatchesWithoutRegardToCase) {
    WriteFileBytes("korvex32.ini", "[A]\nk=v\n");
    EXPECT_EQ(Get("A", "k", "d"), "d");  // kIni is another file
    char buffer[8];
    plat::ProfileGetString("A", "k", "d", buffer, sizeof buffer, "KORVEX32.INI");
    EXPECT_STREQ(buffer, "v");
    ASSERT_TRUE(plat::ProfileWriteString("A", "k", "w", "KORVEX32.INI"));
    EXPECT_EQ(ReadFileBytes("korvex32.ini"), "[A]\nk=w\n");
    EXPECT_FALSE(FileExists("KORVEX32.INI"));
}

TEST_F(ProfileTest, FirstWriteCreatesDirectoryAndFile) {
    const std::string nested = WindowsDir() + "/deeper/windows";
    plat::host::SetWindowsDirectory(nested.c_str());
    ASSERT_TRUE(plat::ProfileWriteString("App", "key", "", kIni));
    plat::host::SetWindowsDirectory(WindowsDir().c_str());
    EXPECT_EQ(ReadFileBytes(std::string("deeper/windows/") + kIni), "[App]\r\nkey=\r\n");
}

TEST_F(ProfileTest, RefusesWritesThatWouldBreakTheFile) {
    WriteFileBytes(kIni, "[A]\r\nk=1\r\n");
    EXPECT_FALSE(plat::ProfileWriteString(nullptr, "k", "v", kIni));
    EXPECT_FALSE(plat::ProfileWriteString("A", "k", "two\r\nlines", kIni));
    EXPECT_FALSE(plat::ProfileWriteString("A\n[B]", "k", "v", kIni));
    EXPECT_FALSE(plat::ProfileWriteString("A", "k=j", "v", kIni));
    EXPECT_FALSE(plat::ProfileWriteString("A", "[k]", "v", kIni));
    EXPECT_FALSE(plat::ProfileWriteString("A", "  ", "v", kIni));
    EXPECT_FALSE(plat::ProfileWriteString("", "k", "v", kIni));
    EXPECT_FALSE(plat::ProfileWriteString("A", "k", "v", nullptr));
    EXPECT_EQ(ReadFileBytes(kIni), "[A]\r\nk=1\r\n");
}

TEST_F(ProfileTest, InjectedWriteFailureLeavesTheFile) {
    WriteFileBytes(kIni, "[A]\r\nk=1\r\n");
    plat::host::FailNextCalls(plat::host::HostService::ProfileWrite, 1, 1);
    EXPECT_TRUE(plat::ProfileWriteString("A", "k", "2", kIni));
    EXPECT_FALSE(plat::ProfileWriteString("A", "k", "3", kIni));
    EXPECT_TRUE(plat::ProfileWriteString("A", "j", "4", kIni));
    EXPECT_EQ(plat::host::InjectedFailures(plat::host::HostService::ProfileWrite), 1u);
    EXPECT_EQ(ReadFileBytes(kIni), "[A]\r\nk=2\r\nj=4\r\n");
}

}  // namespace

namespace {

// Sets an environment variable for one scope and puts the old value back.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value) : name_(name) {
        const char* old = std::getenv(name);
        hadOld_ = old != nullptr;
        if (hadOld_) old_ = old;
        if (value != nullptr) {
            setenv(name, value, 1);
        } else {
            unsetenv(name);
        }
    }
    ~ScopedEnv() {
        if (hadOld_) {
            setenv(name_, old_.c_str(), 1);
        } else {
            unsetenv(name_);
        }
    }

private:
    const char* name_;
    bool hadOld_ = false;
    std::string old_;
};

std::string CurrentWindowsDirectory() {
    char buffer[4096];
    return plat::host::WindowsDirectory(buffer, sizeof buffer) ? buffer : "<none>";
}

TEST_F(ProfileTest, WindowsDirectoryComesFromHookEnvironmentOrHome) {
    EXPECT_EQ(CurrentWindowsDirectory(), WindowsDir());
    plat::host::SetWindowsDirectory(nullptr);
    {
        ScopedEnv windir("KORVEX_WINDIR", "/tmp/korvex-windir-test");
        EXPECT_EQ(CurrentWindowsDirectory(), "/tmp/korvex-windir-test");
    }
    {
        ScopedEnv windir("KORVEX_WINDIR", nullptr);
        ScopedEnv home("HOME", "/home/someone");
        EXPECT_EQ(CurrentWindowsDirectory(), "/home/someone/.korvex/windows");
    }
    {
        ScopedEnv windir("KORVEX_WINDIR", WindowsDir().c_str());
        ASSERT_TRUE(plat::ProfileWriteString("Env", "k", "v", kIni));
    }
    EXPECT_EQ(ReadFileBytes(kIni), "[Env]\r\nk=v\r\n");
    char small[4];
    EXPECT_FALSE(plat::host::WindowsDirectory(small, sizeof small));
}

}  // namespace

namespace {

TEST_F(ProfileTest, OversizedFileIsNeitherReadNorReplaced) {
    const std::string huge = "[A]\r\nk=1\r\n" + std::string(16u * 1024u * 1024u, ';');
    WriteFileBytes(kIni, huge);
    EXPECT_EQ(plat::ProfileGetInt("A", "k", 9, kIni), 9u);
    EXPECT_FALSE(plat::ProfileWriteString("A", "k", "2", kIni));
    EXPECT_EQ(ReadFileBytes(kIni).size(), huge.size());
}

TEST_F(ProfileTest, DirectoryInPlaceOfTheFileIsNotReplaced) {
    std::filesystem::create_directory(PathOf(kIni));
    EXPECT_EQ(Get("A", "k", "d"), "d");
    EXPECT_FALSE(plat::ProfileWriteString("A", "k", "2", kIni));
    EXPECT_TRUE(std::filesystem::is_directory(PathOf(kIni)));
}

}  // namespace
