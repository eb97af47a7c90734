// Opening the source against the virtual scanner: the source walks the SCSI
// buses of the scenario written into the sandboxed Windows directory and
// accepts the scanner where it stands; a missing ASPI manager, a bus without a
// scanner, a scanner of another vendor and a manager that is not initialised
// each fail the open with TWCC_BADPROTOCOL after their message.
#include <filesystem>
#include <string>
#include <vector>

#include "tests/e2e/scanner_fixture.h"

namespace {

using ScannerDiscoveryTest = ScannerScenarioTest;

constexpr char kInquiryCdb[] = "cdb=12 00 00 00 60 00 ";

const char kBusWithScannerAt1_5[] =
    "[Device disk]\nType=Disk\nAdapter=0\nTarget=0\nVendor=DISKCO\nProduct=BIGDISK\n\n"
    "[Device cdrom]\nType=CdRom\nAdapter=0\nTarget=2\nVendor=OPTICO\nProduct=CD-R\n\n"
    "[Device other scanner]\nAdapter=0\nTarget=6\nVendor=OTHERCO\nModel=ZR-DX41\n\n"
    "[Device scanner]\nAdapter=1\nTarget=5\nModel=ZR-DX961s\nHopper=Letter,Letter\n";

TEST_F(ScannerDiscoveryTest, OpensTheScannerOnAdapter1Target5) {
    WriteScenario("Adapters=2\n", kBusWithScannerAt1_5);
    ASSERT_EQ(OpenManager(), TWRC_SUCCESS);
    alignas(4) TW_IDENTITY source{};
    ASSERT_EQ(OpenSource(source, kKorvexProductName), TWRC_SUCCESS);
    EXPECT_TRUE(ShownMessageBoxes().empty());

    // INQUIRY went to every target of adapter 0, then to adapter 1 up to the
    // scanner, and no further.
    std::vector<std::string> probes;
    for (const std::string& line : LoggedCommands()) {
        if (line.find(kInquiryCdb) != std::string::npos) probes.push_back(line.substr(0, 11));
    }
    const std::vector<std::string> expected = {
        "ha=0 tgt=0 ", "ha=0 tgt=1 ", "ha=0 tgt=2 ", "ha=0 tgt=3 ", "ha=0 tgt=4 ", "ha=0 tgt=5 ",
        "ha=0 tgt=6 ", "ha=0 tgt=7 ", "ha=1 tgt=0 ", "ha=1 tgt=1 ", "ha=1 tgt=2 ", "ha=1 tgt=3 ",
        "ha=1 tgt=4 ", "ha=1 tgt=5 "};
    EXPECT_EQ(probes, expected);
    const std::vector<std::string> lines = LoggedCommands();
    ASSERT_FALSE(lines.empty());
    EXPECT_NE(lines.back().find("status=01 targ=00"), std::string::npos) << lines.back();

    EXPECT_EQ(CloseSource(source), TWRC_SUCCESS);
    EXPECT_EQ(CloseManager(), TWRC_SUCCESS);
}

TEST_F(ScannerDiscoveryTest, OpensTheDefaultScenarioWithoutAScenarioFile) {
    ASSERT_EQ(OpenManager(), TWRC_SUCCESS);
    alignas(4) TW_IDENTITY source{};
    ASSERT_EQ(OpenSource(source, kKorvexProductName), TWRC_SUCCESS);
    EXPECT_TRUE(ShownMessageBoxes().empty());
    EXPECT_EQ(CloseSource(source), TWRC_SUCCESS);
    // A second open finds the scanner again.
    ASSERT_EQ(OpenSource(source, kKorvexProductName), TWRC_SUCCESS);
    EXPECT_EQ(CloseSource(source), TWRC_SUCCESS);
    EXPECT_EQ(CloseManager(), TWRC_SUCCESS);
}

// Every request stays pending for a while: the source polls each one to its end.
TEST_F(ScannerDiscoveryTest, OpensWhenEveryRequestStaysPending) {
    WriteScenario("Adapters=2\nDelayMs=2\n", kBusWithScannerAt1_5);
    ASSERT_EQ(OpenManager(), TWRC_SUCCESS);
    alignas(4) TW_IDENTITY source{};
    ASSERT_EQ(OpenSource(source, kKorvexProductName), TWRC_SUCCESS);
    EXPECT_TRUE(ShownMessageBoxes().empty());
    EXPECT_EQ(CloseSource(source), TWRC_SUCCESS);
    EXPECT_EQ(CloseManager(), TWRC_SUCCESS);
}

TEST_F(ScannerDiscoveryTest, FailedOpensShowTheirMessageAndAnswerBadProtocol) {
    struct Case {
        const char* what;
        bool sourceWithoutManager;  // a copy of the source with no ASPI module beside it
        const char* manager;
        const char* devices;
        const char* message;
    };
    const Case cases[] = {
        {"no ASPI module", true, "", "", "Load Library error !!"},
        {"no scanner", false, "Adapters=2\n",
         "[Device disk]\nType=Disk\nAdapter=1\nTarget=5\nVendor=DISKCO\nProduct=ZR-DX961s\n",
         "No Target Device !!"},
        {"foreign vendor", false, "Adapters=2\n",
         "[Device scanner]\nAdapter=1\nTarget=5\nModel=ZR-DX961s\nVendor=OTHERCO\n",
         "No Target Device !!"},
        {"scanner whose product is no model", false, "Adapters=1\n",
         "[Device scanner]\nAdapter=0\nTarget=0\nModel=ZR-DX961s\nProduct=ZR-DX999\n",
         "No Target Device !!"},
        {"manager not initialised", false, "Adapters=2\nState=NotInitialised\n", kBusWithScannerAt1_5,
         "ASPI for Windows is not initialized !!"},
        {"scenario file that does not parse", false, "Adapters=two\n", kBusWithScannerAt1_5,
         "ASPI for Windows is not initialized !!"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TearDown();
        SetUp();
        if (c.sourceWithoutManager) {
            std::filesystem::create_directories(windowsDirectory / "twain_32");
            std::filesystem::copy_file(std::filesystem::path(KORVEX_BIN_DIR) / "KORVEX32.ds",
                                       windowsDirectory / "twain_32" / "KORVEX32.ds");
        } else {
            WriteScenario(c.manager, c.devices);
        }
        ASSERT_EQ(OpenManager(), TWRC_SUCCESS);
        alignas(4) TW_IDENTITY source{};
        EXPECT_EQ(OpenSource(source, kKorvexProductName), TWRC_FAILURE);
        EXPECT_EQ(ConditionOf(nullptr), TWCC_BADPROTOCOL);
        ASSERT_EQ(ShownMessageBoxes().size(), 1u);
        EXPECT_EQ(ShownMessageBoxes()[0].text, c.message);
        EXPECT_EQ(ShownMessageBoxes()[0].caption, "Source Message");
        EXPECT_EQ(CloseManager(), TWRC_SUCCESS);
    }
}

}  // namespace
