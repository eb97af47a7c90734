// CAP_FEEDERLOADED against the virtual scanner: a generation 8 scanner is
// asked for its paper status, with and without paper in its hopper; an older
// scanner is not asked at all.
#include <fstream>
#include <string>
#include <vector>

#include "tests/e2e/e2e_support.h"

namespace {

constexpr char kStatusReadCdb[] = "cdb=28 00 81 00 00 00 00 00 06 00 ";
constexpr char kVendorE1Cdb[] = "cdb=E1 00 07 00 00 00 00 00 00 00 ";  // mode 7: generation 8

class CapabilityFeederTest : public ManagerTest {
protected:
    void TearDown() override {
        if (source.Id != 0) {
            EXPECT_EQ(CloseSource(source), TWRC_SUCCESS);
        }
        EXPECT_EQ(CloseManager(), TWRC_SUCCESS);
        ManagerTest::TearDown();
    }

    void OpenOn(const std::string& model, const std::string& hopper) {
        logPath = windowsDirectory / "vscanner.log";
        WriteWindowsFile("vscanner.ini", "[Manager]\nCommandLog=" + logPath.string() +
                                             "\n\n[Device0]\nType=Scanner\nAdapter=0\nTarget=0\n"
                                             "Model=" + model + "\nHopper=" + hopper + "\n");
        ASSERT_EQ(OpenManager(), TWRC_SUCCESS);
        ASSERT_EQ(OpenSource(source, kKorvexProductName), TWRC_SUCCESS);
    }

    // The BOOL that MSG_GET of CAP_FEEDERLOADED answers, and the commands it sent.
    TW_UINT32 FeederLoaded(std::vector<std::string>& commands) {
        size_t before = LoggedCommands().size();
        TW_CAPABILITY capability{CAP_FEEDERLOADED, TWON_DONTCARE16, nullptr};
        EXPECT_EQ(Dsm(&source, DG_CONTROL, DAT_CAPABILITY, MSG_GET, &capability), TWRC_SUCCESS);
        EXPECT_EQ(capability.ConType, TWON_ONEVALUE);
        TW_UINT32 item = 0xFFFFFFFF;
        TW_HANDLE block = capability.hContainer;
        if (block != nullptr) {
            auto* bytes = static_cast<const uint8_t*>(memLock(block));
            EXPECT_EQ(bytes[0] | (bytes[1] << 8), TWTY_BOOL);
            item = 0;
            for (int i = 0; i < 4; ++i) item |= static_cast<TW_UINT32>(bytes[2 + i]) << (8 * i);
            memUnlock(block);
            memFree(block);
        }
        std::vector<std::string> all = LoggedCommands();
        commands.assign(all.begin() + static_cast<std::ptrdiff_t>(before), all.end());
        return item;
    }

    std::vector<std::string> LoggedCommands() const {
        std::vector<std::string> lines;
        std::ifstream in(logPath);
        for (std::string line; std::getline(in, line);) lines.push_back(line);
        return lines;
    }

    static bool Names(const std::string& line, const char* cdb) {
        return line.find(cdb) != std::string::npos;
    }

    alignas(4) TW_IDENTITY source{};
    std::filesystem::path logPath;
};

TEST_F(CapabilityFeederTest, Generation8ScannerWithPaperAnswersTrue) {
    OpenOn("ZR-DX961", "Letter,A4");
    std::vector<std::string> commands;
    EXPECT_EQ(FeederLoaded(commands), 1u);
    ASSERT_EQ(commands.size(), 1u);
    EXPECT_TRUE(Names(commands[0], kStatusReadCdb)) << commands[0];
}

TEST_F(CapabilityFeederTest, Generation8ScannerWithoutPaperAnswersFalseAndSendsE1) {
    OpenOn("ZR-DX961", "");
    std::vector<std::string> commands;
    EXPECT_EQ(FeederLoaded(commands), 0u);
    ASSERT_EQ(commands.size(), 2u);
    EXPECT_TRUE(Names(commands[0], kStatusReadCdb)) << commands[0];
    EXPECT_TRUE(Names(commands[1], kVendorE1Cdb)) << commands[1];
}

TEST_F(CapabilityFeederTest, OlderScannerIsNotAsked) {
    OpenOn("ZR-DX73PX", "");
    std::vector<std::string> commands;
    EXPECT_EQ(FeederLoaded(commands), 1u);
    EXPECT_TRUE(commands.empty());
}

}  // namespace
