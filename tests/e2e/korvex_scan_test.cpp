// korvex-scan run as a user runs it without scanning: listing, opening,
// negotiating and closing the built source, its failure report by code names,
// its help and its usage errors (korvex_scan_files_test.cpp scans).
#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <string>

#include "tests/e2e/e2e_support.h"

namespace {

struct RunResult {
    int exitCode;
    std::string output;  // stdout and stderr together
};

class KorvexScanTest : public ManagerTest {
protected:
    void SetUp() override {
        ManagerTest::SetUp();
        if (!std::filesystem::exists(program)) GTEST_SKIP() << "korvex-scan is not built";
    }

    RunResult Run(const std::string& arguments) {
        std::string command = "'" + program.string() + "' " + arguments + " 2>&1";
        RunResult result{-1, {}};
        FILE* pipe = popen(command.c_str(), "r");
        if (pipe == nullptr) return result;
        std::array<char, 256> chunk{};
        while (std::fgets(chunk.data(), static_cast<int>(chunk.size()), pipe) != nullptr) {
            result.output += chunk.data();
        }
        int status = pclose(pipe);
        result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        return result;
    }

    std::filesystem::path program = std::filesystem::path(KORVEX_BIN_DIR) / "korvex-scan";
};

}  // namespace

TEST_F(KorvexScanTest, ListsTheSourcesWithTheirIdentity) {
    RunResult run = Run("--list");
    EXPECT_EQ(run.exitCode, 0) << run.output;
    EXPECT_NE(run.output.find(kKorvexProductName), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("Tessaly Scanning Equipment"), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("3.30 (July.23.1998)"), std::string::npos) << run.output;
}

TEST_F(KorvexScanTest, OpensAndClosesTheChosenSource) {
    RunResult run = Run(std::string("--source '") + kKorvexProductName + "'");
    EXPECT_EQ(run.exitCode, 0) << run.output;
    EXPECT_NE(run.output.find("Opened source:"), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("Id:"), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("Closed source."), std::string::npos) << run.output;
}

TEST_F(KorvexScanTest, NamesTheCodesOfAFailure) {
    RunResult run = Run("--source 'No Such Scanner'");
    EXPECT_EQ(run.exitCode, 1) << run.output;
    EXPECT_NE(run.output.find("MSG_OPENDS failed: TWRC_FAILURE, TWCC_NODS"), std::string::npos)
        << run.output;
}

TEST_F(KorvexScanTest, HelpNamesTheFormatsAndExitCodesAndBadOptionsAreUsageErrors) {
    RunResult help = Run("--help");
    EXPECT_EQ(help.exitCode, 0) << help.output;
    for (const char* text : {"--output-dir", "tiff (the default), png or bmp", "--multi-page", "--show-ui", "--ui-script",
                             "  3  the scanner ended the batch", "  4  an output file"}) {
        EXPECT_NE(help.output.find(text), std::string::npos) << text;
    }
    for (const char* arguments : {"--format gif", "--mode color", "--paper a0", "--multi-page",
                                  "--source 'A name much longer than thirty-three characters'"}) {
        SCOPED_TRACE(arguments);
        EXPECT_EQ(Run(arguments).exitCode, 2);
    }
}

TEST_F(KorvexScanTest, ChosenScenarioShowsItsScannerAndNegotiatesTheOptions) {
    RunResult run = Run("--scenario duplex-a4 --pixel-type gray --bit-depth 8 --resolution 200 "
                        "--count -1");
    EXPECT_EQ(run.exitCode, 0) << run.output;
    EXPECT_NE(run.output.find("adapter 1, target 5: ZR-DX961 "), std::string::npos) << run.output;
    for (const char* line : {"ICAP_PIXELTYPE     1", "ICAP_BITDEPTH      8",
                             "ICAP_XRESOLUTION   200", "CAP_XFERCOUNT      -1"}) {
        EXPECT_NE(run.output.find(line), std::string::npos) << line << "\n" << run.output;
    }
}

// The ZR-DX961 takes sheets up to 297 mm wide: A3 is its largest page, and a
// millimetre more is refused.
TEST_F(KorvexScanTest, PageFrameOfTheModelsLargestWidthIsTakenAndOneBeyondRefused) {
    RunResult run = Run("--scenario duplex-a4 --paper a3");
    EXPECT_EQ(run.exitCode, 0) << run.output;
    EXPECT_NE(run.output.find("DAT_IMAGELAYOUT    297 x 420 mm"), std::string::npos) << run.output;
    run = Run("--scenario duplex-a4 --page-width 298 --page-height 420");
    EXPECT_EQ(run.exitCode, 1) << run.output;
    EXPECT_NE(run.output.find("DAT_IMAGELAYOUT MSG_SET failed: TWRC_FAILURE, TWCC_BADVALUE"), std::string::npos)
        << run.output;
}

TEST_F(KorvexScanTest, ScenarioWithoutScannerShowsTheSourcesMessage) {
    RunResult run = Run("--scenario no-scanner");
    EXPECT_EQ(run.exitCode, 1) << run.output;
    EXPECT_NE(run.output.find("no scanner"), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("MSG_OPENDS failed: TWRC_FAILURE, TWCC_BADPROTOCOL"),
              std::string::npos)
        << run.output;
    EXPECT_EQ(Run("--scenario no-such-scenario").exitCode, 2);
}

TEST_F(KorvexScanTest, EnablesWithoutTheDialogUntilTheTransferIsAnnounced) {
    RunResult run = Run("--scenario simplex-letter --count 1 --enable");
    EXPECT_EQ(run.exitCode, 0) << run.output;
    EXPECT_NE(run.output.find("Transfer ready (MSG_XFERREADY)."), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("Closed source."), std::string::npos) << run.output;

    RunResult notReady = Run("--scenario never-ready --count 1 --enable");
    EXPECT_EQ(notReady.exitCode, 1) << notReady.output;
    EXPECT_NE(notReady.output.find("Message box \"Scanner Message\": "), std::string::npos) << notReady.output;
    EXPECT_NE(notReady.output.find("MSG_ENABLEDS failed: TWRC_FAILURE, TWCC_SEQERROR"), std::string::npos)
        << notReady.output;
    EXPECT_EQ(notReady.output.find("MSG_XFERREADY"), std::string::npos) << notReady.output;
}
