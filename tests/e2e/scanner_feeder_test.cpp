// The feeder query behind CAP_FEEDERLOADED, end to end: a generation 8 scanner
// is asked for its paper status (READ type 0x81) and, without paper, told so
// with vendor operation 0xE1 mode 7; sheets laid on the feeder by hand show up
// at a later query; other generations answer TRUE without asking.
#include <string>
#include <vector>

#include "tests/e2e/scanner_fixture.h"

namespace {

class ScannerFeederTest : public ScannerScenarioTest {
protected:
    void Open(const std::string& device) {
        WriteScenario("Adapters=1\n", "[Device scanner]\nAdapter=0\nTarget=3\n" + device);
        ASSERT_EQ(OpenManager(), TWRC_SUCCESS);
        ASSERT_EQ(OpenSource(source, kKorvexProductName), TWRC_SUCCESS);
    }
    void TearDown() override {
        if (source.Id != 0) {
            EXPECT_EQ(CloseSource(source), TWRC_SUCCESS);
        }
        EXPECT_EQ(CloseManager(), TWRC_SUCCESS);
        ManagerTest::TearDown();
    }

    // CAP_FEEDERLOADED's current value from MSG_GET.
    TW_UINT32 FeederLoaded() {
        TW_CAPABILITY capability{CAP_FEEDERLOADED, TWON_DONTCARE16, nullptr};
        EXPECT_EQ(Dsm(&source, DG_CONTROL, DAT_CAPABILITY, MSG_GET, &capability), TWRC_SUCCESS);
        if (capability.hContainer == nullptr) return 0xFFFFFFFF;
        const auto* bytes = static_cast<const uint8_t*>(memLock(capability.hContainer));
        const TW_UINT32 item = bytes[2] | (bytes[3] << 8) | (bytes[4] << 16) |
                               (static_cast<TW_UINT32>(bytes[5]) << 24);
        memUnlock(capability.hContainer);
        memFree(capability.hContainer);
        return item;
    }

    alignas(4) TW_IDENTITY source{};
};

constexpr char kStatusRead[] = "28 00 81 00 00 00 00 00 06 00";
constexpr char kVendorE1Mode7[] = "E1 00 07 00 00 00 00 00 00 00";

TEST_F(ScannerFeederTest, PaperInTheHopperAnswersTrue) {
    Open("Model=ZR-DX961s\nHopper=A4\n");
    EXPECT_EQ(FeederLoaded(), 1u);
    const std::vector<std::string> reads = LoggedWith(kStatusRead);
    ASSERT_EQ(reads.size(), 1u);
    EXPECT_NE(reads[0].find("ha=0 tgt=3 "), std::string::npos);
    EXPECT_NE(reads[0].find("status=01 targ=00"), std::string::npos);
    EXPECT_TRUE(LoggedWith(kVendorE1Mode7).empty());
    EXPECT_TRUE(ShownMessageBoxes().empty());
}

TEST_F(ScannerFeederTest, EmptyHopperAnswersFalseAndSendsTheVendorOperation) {
    Open("Model=ZR-DX960\nHopper=\n");
    EXPECT_EQ(FeederLoaded(), 0u);
    EXPECT_EQ(LoggedWith(kStatusRead).size(), 1u);
    EXPECT_EQ(LoggedWith(kVendorE1Mode7).size(), 1u);
}

TEST_F(ScannerFeederTest, ASheetLaidOnTheFeederShowsAtTheNextQuery) {
    Open("Model=ZR-DX961\nHopper=\nManualFeed=Letter\nManualFeedPolls=1\n");
    EXPECT_EQ(FeederLoaded(), 0u);
    EXPECT_EQ(FeederLoaded(), 1u);
    EXPECT_EQ(LoggedWith(kStatusRead).size(), 2u);
    EXPECT_EQ(LoggedWith(kVendorE1Mode7).size(), 1u);
}

TEST_F(ScannerFeederTest, OtherGenerationsAnswerTrueWithoutAsking) {
    Open("Model=ZR-DX73PX\nHopper=\n");
    EXPECT_EQ(FeederLoaded(), 1u);
    EXPECT_TRUE(LoggedWith(kStatusRead).empty());
}

}  // namespace
