// Capabilities that talk to the scanner (CAP_FEEDERLOADED) and capability
// values across close and reopen, with a scripted ASPI manager standing in for
// the scanner.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "negotiation_support.h"
#include "platform/host/host_hooks.h"
#include "scanner/discovery.h"
#include "scanner/model_table.h"
#include "settings/capability_state.h"
#include "settings/settings_model.h"
#include "tests/support/fake_aspi.h"
#include "twain/dispatch.h"
#include "twain/source_state.h"

namespace captest {
namespace {

const Bytes kStatusCdb = {0x28, 0x00, 0x81, 0x00, 0x00, 0x00, 0x00, 0x00, 0x06, 0x00};

class ScannerBackedTest : public NegotiationTest {
protected:
    void SetUp() override {
        NegotiationTest::SetUp();
        windowsDir_ = std::filesystem::path(::testing::TempDir()) /
                      ("caps_windir_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
                       "_" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(windowsDir_);
        std::filesystem::create_directories(windowsDir_);
        plat::host::SetWindowsDirectory(windowsDir_.c_str());
    }
    void TearDown() override {
        UnloadAspi();
        NegotiationTest::TearDown();
        std::filesystem::remove_all(windowsDir_);
    }

    static void InstallScanner(const char* model) {
        fake_aspi::Install();
        fake_aspi::AddDevice(0, 0, 6, "T.S.E.", model);
    }

    static Bytes Cdb(const fake_aspi::RecordedRequest& request) {
        return Bytes(request.cdb.begin(), request.cdb.begin() + request.cdbLen);
    }

    std::filesystem::path windowsDir_;
};

TEST_F(ScannerBackedTest, FeederLoadedAsksAGeneration8Scanner) {
    InstallScanner("ZR-DX961");
    ASSERT_EQ(DiscoverScanner(), 1);
    ASSERT_EQ(ApplyModel(), 1);
    ASSERT_EQ(ModelGeneration, 8);

    // Columns: what, scripted answer to the status read, answer, E1 sent.
    const struct {
        const char* what;
        fake_aspi::Answer answer;
        TW_UINT32 loaded;
        bool vendorE1;
    } rows[] = {
        {"paper", fake_aspi::Reply({0x20, 0, 0, 0, 0, 0}), 1, false},
        {"paper and a size code", fake_aspi::Reply({0x27, 0, 0, 0, 0, 0}), 1, false},
        {"no paper", fake_aspi::Reply({0x07, 0, 0, 0, 0, 0}), 0, true},
        {"status read fails", fake_aspi::CheckCondition(0x02, 0x04, 0x00), 0, true},
        {"adapter error", fake_aspi::AspiError(SS_ERR), 0, true},
    };
    for (const auto& row : rows) {
        for (TW_UINT16 msg : {MSG_GET, MSG_GETCURRENT}) {
            SCOPED_TRACE(testing::Message() << row.what << " msg " << msg);
            fake_aspi::ClearRequests();
            fake_aspi::QueueAnswer(row.answer);
            Outcome got = Ask(msg, CAP_FEEDERLOADED);
            EXPECT_EQ(got.rc, TWRC_SUCCESS);
            EXPECT_EQ(got.bytes, OneValue(TWTY_BOOL, row.loaded));
            EXPECT_EQ(CapabilityState.feederLoaded, row.loaded);
            std::vector<fake_aspi::RecordedRequest> sent = fake_aspi::ScsiRequests();
            ASSERT_EQ(sent.size(), row.vendorE1 ? 2u : 1u);
            EXPECT_EQ(Cdb(sent[0]), kStatusCdb);
            if (row.vendorE1) {
                EXPECT_EQ(sent[1].cdb[0], 0xE1);
            }
        }
    }
}

TEST_F(ScannerBackedTest, FeederLoadedIsTrueWithoutAskingOlderScanners) {
    InstallScanner("ZR-DX73PX");
    ASSERT_EQ(DiscoverScanner(), 1);
    ASSERT_EQ(ApplyModel(), 1);
    ASSERT_EQ(ModelGeneration, 1);
    fake_aspi::ClearRequests();
    fake_aspi::QueueAnswer(fake_aspi::Reply({0x00, 0, 0, 0, 0, 0}));
    EXPECT_EQ(Ask(MSG_GET, CAP_FEEDERLOADED).bytes, OneValue(TWTY_BOOL, 1));
    EXPECT_EQ(Ask(MSG_GETCURRENT, CAP_FEEDERLOADED).bytes, OneValue(TWTY_BOOL, 1));
    EXPECT_TRUE(fake_aspi::ScsiRequests().empty());
}

TEST_F(ScannerBackedTest, FeederLoadedAsksNothingWhileTheFeederIsDisabled) {
    InstallScanner("ZR-DX961");
    ASSERT_EQ(DiscoverScanner(), 1);
    ASSERT_EQ(ApplyModel(), 1);
    ASSERT_EQ(Set(CAP_FEEDERENABLED, TWON_ONEVALUE, OneValue(TWTY_BOOL, 0)).rc, TWRC_SUCCESS);
    fake_aspi::ClearRequests();
    EXPECT_EQ(Ask(MSG_GET, CAP_FEEDERLOADED).cc, TWCC_BADCAP);
    EXPECT_TRUE(fake_aspi::ScsiRequests().empty());
}

class ReopenTest : public ScannerBackedTest {
protected:
    TW_UINT16 Open() {
        alignas(4) TW_IDENTITY source{};
        DS_Entry(nullptr, DG_CONTROL, DAT_IDENTITY, MSG_GET, &source);
        source.Id = 2;
        return DS_Entry(&app_, DG_CONTROL, DAT_IDENTITY, MSG_OPENDS, &source);
    }
    TW_UINT16 Close() { return DS_Entry(&app_, DG_CONTROL, DAT_IDENTITY, MSG_CLOSEDS, nullptr); }

    TW_IDENTITY app_{1, {}, 1, 5, DG_CONTROL | DG_IMAGE, "Maker", "Family", "Product"};
};

TEST_F(ReopenTest, ApplicationValuesSurviveAndTheOpenRewritesTheSettingsOnes) {
    InstallScanner("ZR-DX961");
    ASSERT_EQ(Open(), TWRC_SUCCESS);
    ASSERT_EQ(Set(CAP_XFERCOUNT, TWON_ONEVALUE, OneValue(TWTY_INT16, 5)).rc, TWRC_SUCCESS);
    ASSERT_EQ(Set(ICAP_XFERMECH, TWON_ONEVALUE, OneValue(TWTY_UINT16, TWSX_MEMORY)).rc,
              TWRC_SUCCESS);
    ASSERT_EQ(Set(ICAP_PIXELFLAVOR, TWON_ONEVALUE, OneValue(TWTY_UINT16, 1)).rc, TWRC_SUCCESS);
    ASSERT_EQ(Set(ICAP_CCITTKFACTOR, TWON_ONEVALUE, OneValue(TWTY_UINT16, 9)).rc, TWRC_SUCCESS);
    ASSERT_EQ(Set(CAP_INDICATORS, TWON_ONEVALUE, OneValue(TWTY_BOOL, 0)).rc, TWRC_SUCCESS);
    ASSERT_EQ(Set(ICAP_PIXELTYPE, TWON_ONEVALUE, OneValue(TWTY_UINT16, TWPT_GRAY)).rc,
              TWRC_SUCCESS);
    ASSERT_EQ(Set(ICAP_BITDEPTH, TWON_ONEVALUE, OneValue(TWTY_UINT16, 4)).rc, TWRC_SUCCESS);
    ASSERT_EQ(Set(ICAP_XRESOLUTION, TWON_ONEVALUE, OneValueFix32(150)).rc, TWRC_SUCCESS);
    ASSERT_EQ(Close(), TWRC_SUCCESS);

    // A letter-width model this time: the open applies its resolutions and
    // the settings (none saved: the defaults) set the current choices again.
    InstallScanner("ZR-DX73PX");
    ASSERT_EQ(Open(), TWRC_SUCCESS);
    EXPECT_EQ(Ask(MSG_GETCURRENT, CAP_XFERCOUNT).bytes, OneValue(TWTY_INT16, 5));
    EXPECT_EQ(Ask(MSG_GETCURRENT, ICAP_XFERMECH).bytes, OneValue(TWTY_UINT16, TWSX_MEMORY));
    EXPECT_EQ(Ask(MSG_GETCURRENT, ICAP_PIXELFLAVOR).bytes, OneValue(TWTY_UINT16, 1));
    EXPECT_EQ(Ask(MSG_GETCURRENT, ICAP_CCITTKFACTOR).bytes, OneValue(TWTY_UINT16, 9));
    EXPECT_EQ(Ask(MSG_GETCURRENT, CAP_INDICATORS).bytes, OneValue(TWTY_BOOL, 0));

    EXPECT_EQ(Ask(MSG_GET, ICAP_XRESOLUTION).bytes, Spare(EnumFix32({150, 200, 240, 300}, 3, 3)));
    EXPECT_EQ(Ask(MSG_GETCURRENT, ICAP_PIXELTYPE).bytes, OneValue(TWTY_UINT16, TWPT_BW));
    CapabilityState.pixelType.current.currentIndex = 1;
    EXPECT_EQ(Ask(MSG_GETCURRENT, ICAP_BITDEPTH).bytes, OneValue(TWTY_UINT16, 8));
    ASSERT_EQ(Close(), TWRC_SUCCESS);
}

TEST_F(ReopenTest, FirstGenerationModelWithoutGrayKeepsOnlyBilevel) {
    InstallScanner("ZR-DX83");
    ASSERT_EQ(Open(), TWRC_SUCCESS);
    EXPECT_EQ(Ask(MSG_GET, ICAP_PIXELTYPE).bytes, Spare(Enum16(TWTY_UINT16, {TWPT_BW}, 0, 0)));
    EXPECT_EQ(Set(ICAP_PIXELTYPE, TWON_ONEVALUE, OneValue(TWTY_UINT16, TWPT_GRAY)).cc,
              TWCC_BADVALUE);
    // MSG_RESET restores the model's own choices, not those at load.
    ASSERT_EQ(Ask(MSG_RESET, ICAP_PIXELTYPE).rc, TWRC_SUCCESS);
    EXPECT_EQ(Ask(MSG_GET, ICAP_PIXELTYPE).bytes, Spare(Enum16(TWTY_UINT16, {TWPT_BW}, 0, 0)));
    ASSERT_EQ(Close(), TWRC_SUCCESS);
}

}  // namespace
}  // namespace captest
