// Device discovery: loading the manager, the walk over adapters and targets,
// the accepted vendors, the model identification by product and by section
// "Mecha", the failure messages, and releasing the manager at close.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "platform/host/host_hooks.h"
#include "scanner/discovery.h"
#include "scanner/model_table.h"
#include "scanner/scsi_commands.h"
#include "tests/support/fake_aspi.h"
#include "twain/dispatch.h"
#include "twain/user_interface.h"

namespace {

class Discovery : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/korvex-scanner-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        directory_ = pattern;
        plat::host::ResetHostHooks();
        plat::host::SetWindowsDirectory(directory_.c_str());
        plat::host::ClearRecordedMessageBoxes();
        fake_aspi::Install();
    }
    void TearDown() override {
        UnloadAspi();
        plat::host::ResetHostHooks();
        std::remove((directory_ + "/KORVEX32.INI").c_str());
        std::remove(directory_.c_str());
    }

    void WriteMecha(const std::string& body) {
        std::ofstream(directory_ + "/KORVEX32.INI") << "[Mecha]\n" << body;
    }

    static std::vector<std::pair<int, int>> ProbedTargets() {
        std::vector<std::pair<int, int>> probed;
        for (const auto& r : fake_aspi::ScsiRequests()) probed.emplace_back(r.haId, r.target);
        return probed;
    }

    static void ExpectOneMessage(const char* text) {
        ASSERT_EQ(plat::host::MessageBoxCount(), 1u);
        const plat::host::RecordedMessageBox* box = plat::host::RecordedMessageBoxAt(0);
        EXPECT_STREQ(box->text, text);
        EXPECT_STREQ(box->caption, "Source Message");
        EXPECT_EQ(box->owner, nullptr);
        EXPECT_EQ(box->style, plat::MB_OK | plat::MB_ICONEXCLAMATION | plat::MB_TASKMODAL);
    }

    std::string directory_;
};

TEST_F(Discovery, FindsTheScannerAndKeepsItsIdentification) {
    fake_aspi::SetAdapterCount(2);
    fake_aspi::AddDevice(1, 5, 6, "T.S.E.", "ZR-DX73PX", "2.1a");
    ASSERT_EQ(DiscoverScanner(), 1);
    EXPECT_EQ(ScsiAdapter, 1);
    EXPECT_EQ(ScsiTarget, 5);
    EXPECT_EQ(ScannerCount, 1);
    EXPECT_STREQ(InquiryVendor, "T.S.E.  ");
    EXPECT_STREQ(InquiryProduct, "ZR-DX73PX       ");
    EXPECT_STREQ(InquiryRevision, "2.1a");
    EXPECT_STREQ(ModelName, "ZR-DX73PX");
    EXPECT_STREQ(MechaName, "None");
    EXPECT_STREQ(MechaGray, "OFF");
    EXPECT_STREQ(MechaBack, "OFF");
    EXPECT_EQ(plat::host::MessageBoxCount(), 0u);

    // Eight targets of adapter 0 (its own id included), then adapter 1 up to
    // the scanner; the walk stops there.
    std::vector<std::pair<int, int>> expected;
    for (int t = 0; t < 8; ++t) expected.emplace_back(0, t);
    for (int t = 0; t <= 5; ++t) expected.emplace_back(1, t);
    EXPECT_EQ(ProbedTargets(), expected);
}

TEST_F(Discovery, InvalidAdapterIsLeftAtOnceAndMissingDevicesSkipped) {
    fake_aspi::SetAdapterCount(3);
    fake_aspi::MarkAdapterInvalid(0);
    fake_aspi::AddDevice(1, 4, 3, "T.S.E.", "ZR-DX40");  // not a scanner
    fake_aspi::AddDevice(2, 1, 6, "VANTO", "ZR-DX40");
    ASSERT_EQ(DiscoverScanner(), 1);
    const std::vector<std::pair<int, int>> expected = {
        {0, 0}, {1, 0}, {1, 1}, {1, 2}, {1, 3}, {1, 4}, {1, 5}, {1, 6}, {1, 7}, {2, 0}, {2, 1}};
    EXPECT_EQ(ProbedTargets(), expected);
    EXPECT_EQ(ScsiAdapter, 2);
    EXPECT_EQ(ScsiTarget, 1);
}

TEST_F(Discovery, SecondScannerIsNeverProbed) {
    fake_aspi::AddDevice(0, 2, 6, "HOLMGARD", "ZR-DX40");
    fake_aspi::AddDevice(0, 3, 6, "HOLMGARD", "ZR-DX961s");
    ASSERT_EQ(DiscoverScanner(), 1);
    EXPECT_EQ(ScsiTarget, 2);
    EXPECT_EQ(fake_aspi::ScsiRequests().size(), 3u);
}

TEST_F(Discovery, VendorIsComparedAsExactlyEightCharacters) {
    const struct {
        std::vector<uint8_t> vendor;
        int accepted;
    } cases[] = {
        {{'T', '.', 'S', '.', 'E', '.', ' ', ' '}, 1},
        {{'H', 'O', 'L', 'M', 'G', 'A', 'R', 'D'}, 1},
        {{'V', 'A', 'N', 'T', 'O', ' ', ' ', ' '}, 1},
        {{'T', '.', 'S', '.', 'E', '.', ' ', 0}, 0},
        {{'T', '.', 'S', '.', 'E', '.', 0, 0}, 0},
        {{'V', 'A', 'N', 'T', 'O', ' ', ' ', 0}, 0},
        {{' ', 'T', '.', 'S', '.', 'E', '.', ' '}, 0},
        {{'t', '.', 's', '.', 'e', '.', ' ', ' '}, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.vendor.begin(), c.vendor.end()));
        fake_aspi::Install();
        std::vector<uint8_t> reply = fake_aspi::InquiryReply(6, "", "ZR-DX82", "1.00");
        std::copy(c.vendor.begin(), c.vendor.end(), reply.begin() + 8);
        fake_aspi::AddRawDevice(0, 0, reply);
        EXPECT_EQ(DiscoverScanner(), c.accepted);
        UnloadAspi();
    }
}

TEST_F(Discovery, PeripheralTypeIsTheLowFiveBits) {
    fake_aspi::AddDevice(0, 0, 0x26, "T.S.E.", "ZR-DX82");  // qualifier bits set
    EXPECT_EQ(DiscoverScanner(), 1);
    UnloadAspi();
    fake_aspi::Install();
    fake_aspi::AddDevice(0, 0, 0x07, "T.S.E.", "ZR-DX82");
    EXPECT_EQ(DiscoverScanner(), 0);
}

TEST_F(Discovery, ModelIsSearchedByProductCutsNineEightSeven) {
    const struct {
        const char* product;
        const char* model;  // empty: not identified
    } cases[] = {
        {"ZR-DX73PX", "ZR-DX73PX"},  {"ZR-DX73", "ZR-DX73"},     {"ZR-DX961s", "ZR-DX961s"},
        {"ZR-DX961", "ZR-DX961"},    {"ZR-DX961X", "ZR-DX961"},  {"ZR-DX7300", "ZR-DX73"},
        {"ZR-DX73PXL", "ZR-DX73PX"}, {"ZR-DXB700", "ZR-DXB700"}, {"ZR-DX99", ""},
        {"ZR-DX7", ""},              {"zr-dx73", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.product);
        fake_aspi::Install();
        fake_aspi::AddDevice(0, 0, 6, "T.S.E.", c.product);
        std::memset(ModelName, 0, sizeof ModelName);
        const int found = DiscoverScanner();
        EXPECT_EQ(found, c.model[0] != '\0' ? 1 : 0);
        EXPECT_STREQ(ModelName, c.model);
        UnloadAspi();
    }
}

TEST_F(Discovery, EveryModelNameIsFoundByItsOwnProduct) {
    for (int row = 0; row < kModelCount; ++row) {
        const std::string name(ModelTable[row].name, strnlen(ModelTable[row].name, 16));
        SCOPED_TRACE(name);
        fake_aspi::Install();
        fake_aspi::AddDevice(0, 0, 6, "T.S.E.", name);
        EXPECT_EQ(DiscoverScanner(), 1);
        EXPECT_EQ(ModelName, name);
        UnloadAspi();
    }
}

TEST_F(Discovery, OpenLoadsTheManagerAndCloseReleasesIt) {
    fake_aspi::AddDevice(0, 3, 6, "VANTO", "ZR-DX961s");
    alignas(4) TW_IDENTITY app{};
    app.Id = 7;
    alignas(4) TW_IDENTITY source{};
    ASSERT_EQ(DS_Entry(nullptr, DG_CONTROL, DAT_IDENTITY, MSG_GET, &source), TWRC_SUCCESS);
    source.Id = 2;
    ASSERT_EQ(DS_Entry(&app, DG_CONTROL, DAT_IDENTITY, MSG_OPENDS, &source), TWRC_SUCCESS);
    EXPECT_NE(AspiModule, nullptr);
    EXPECT_EQ(ScsiTarget, 3);
    EXPECT_STREQ(ModelName, "ZR-DX961s");
    ASSERT_EQ(DS_Entry(&app, DG_CONTROL, DAT_IDENTITY, MSG_CLOSEDS, nullptr), TWRC_SUCCESS);
    EXPECT_EQ(AspiModule, nullptr);
    EXPECT_EQ(SendCommandEntry, nullptr);
}

TEST_F(Discovery, FailedDiscoveryFailsTheOpenWithBadProtocol) {
    alignas(4) TW_IDENTITY app{};
    app.Id = 7;
    alignas(4) TW_IDENTITY source{};
    source.Id = 2;
    ASSERT_EQ(DS_Entry(&app, DG_CONTROL, DAT_IDENTITY, MSG_OPENDS, &source), TWRC_FAILURE);
    ExpectOneMessage("No Target Device !!");
    TW_STATUS status{};
    ASSERT_EQ(DS_Entry(&app, DG_CONTROL, DAT_STATUS, MSG_GET, &status), TWRC_SUCCESS);
    EXPECT_EQ(status.ConditionCode, TWCC_BADPROTOCOL);
}

TEST_F(Discovery, ForcedNamesAreCheckedAgainstTheProduct) {
    const struct {
        const char* forced;
        const char* product;
        int accepted;
        const char* model;
    } cases[] = {
        {"ZR-DX73", "ZR-DX73PX", 0, "ZR-DX73"},
        {"ZR-DX73", "ZR-DX73", 1, "ZR-DX73"},
        {"ZR-DX73", "ZR-DX7300", 1, "ZR-DX73"},
        {"ZR-DX73PX", "ZR-DX73PX", 1, "ZR-DX73PX"},
        {"ZR-DX73PX", "ZR-DX73", 0, "ZR-DX73PX"},
        {"ZR-DX41", "ZR-DX41XYZ", 1, "ZR-DX41"},
        {"ZR-DX41", "ZR-DX40", 0, "ZR-DX41"},
        {"ZR-DX961", "ZR-DX961s", 0, "ZR-DX961"},
        {"ZR-DX961", "ZR-DX961", 1, "ZR-DX961"},
        {"ZR-DX960s", "ZR-DX960s", 1, "ZR-DX960s"},
        {"ZR-DX960s", "ZR-DX960", 0, "ZR-DX960s"},
        {"ZR-DXB700", "ANYTHING", 1, "ZR-DXB700"},
        {"ZR-DXB600", "ZR-DX40", 1, "ZR-DXB600"},
        {"Search", "ZR-DX40", 1, "ZR-DX40"},
        {"None", "ZR-DX40", 1, "ZR-DX40"},
        {"ZR-DX99", "ZR-DX40", 1, "previous"},  // no name matches: accepted, model unchanged
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.forced) + " on " + c.product);
        WriteMecha(std::string("Name=") + c.forced + "\n");
        std::strcpy(ModelName, "previous");
        std::snprintf(InquiryProduct, sizeof InquiryProduct, "%-16s", c.product);
        EXPECT_EQ(IdentifyModel(), c.accepted);
        EXPECT_STREQ(ModelName, c.model);
    }
}

TEST_F(Discovery, ForcedNameThatFailsItsCheckLetsTheWalkGoOn) {
    WriteMecha("Name=ZR-DX73\n");
    fake_aspi::AddDevice(0, 1, 6, "T.S.E.", "ZR-DX73PX");
    fake_aspi::AddDevice(0, 4, 6, "T.S.E.", "ZR-DX73");
    ASSERT_EQ(DiscoverScanner(), 1);
    EXPECT_EQ(ScsiTarget, 4);
    EXPECT_STREQ(ModelName, "ZR-DX73");
    EXPECT_STREQ(InquiryProduct, "ZR-DX73         ");
}

TEST_F(Discovery, MechaValuesAreReadWithTheirLimit) {
    WriteMecha("Name=Search\nGray=ON\nBack=ON\n");
    std::snprintf(InquiryProduct, sizeof InquiryProduct, "%-16s", "ZR-DX83");
    EXPECT_EQ(IdentifyModel(), 1);
    EXPECT_STREQ(MechaGray, "ON");
    EXPECT_STREQ(MechaBack, "ON");

    WriteMecha("Name=ZR-DXB700-and-a-long-tail\nGray=ONONONONONONONONONONON\n");
    EXPECT_EQ(IdentifyModel(), 1);
    EXPECT_STREQ(MechaName, "ZR-DXB700-and-a-l");  // 17 characters
    EXPECT_STREQ(MechaGray, "ONONONONONONONONO");
    EXPECT_STREQ(MechaBack, "OFF");
}

TEST_F(Discovery, ShortInquiryReplyDoesNotInheritTheLastTarget) {
    fake_aspi::AddDevice(0, 0, 3, "HOLMGARD", "ZR-DX40");  // a processor: passed over
    fake_aspi::AddRawDevice(0, 1, {0x06, 0, 0, 0, 0, 0, 0, 0});
    EXPECT_EQ(DiscoverScanner(), 0);
    EXPECT_EQ(InquiryVendor[0], '\0');
    ExpectOneMessage("No Target Device !!");
}

TEST_F(Discovery, FailuresShowTheirMessage) {
    struct Case {
        const char* name;
        void (*setup)();
        const char* text;
        bool moduleKept;
    };
    const Case cases[] = {
        {"module load fails", [] { plat::host::FailNextCalls(plat::host::HostService::ModuleLoad, 1); },
         "Load Library error !!", false},
        {"no support info", [] { fake_aspi::HideSymbol("GetASPI32SupportInfo"); },
         "GetSupportInfo Adress error !!", false},
        {"no send command", [] { fake_aspi::HideSymbol("SendASPI32Command"); },
         "GetASPICommand Adress error !!", false},
        {"not initialised", [] { fake_aspi::SetSupportInfo((SS_FAILED_INIT << 8) | 1); },
         "ASPI for Windows is not initialized !!", true},
        {"no adapters", [] { fake_aspi::SetSupportInfo((SS_COMP << 8) | 0); }, "No Target Device !!",
         true},
        {"foreign vendor", [] { fake_aspi::AddDevice(0, 0, 6, "ACME", "ZR-DX40"); },
         "No Target Device !!", true},
        {"unknown product", [] { fake_aspi::AddDevice(0, 0, 6, "T.S.E.", "ZR-QQ12"); },
         "No Target Device !!", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fake_aspi::Install();
        plat::host::ClearRecordedMessageBoxes();
        c.setup();
        EXPECT_EQ(DiscoverScanner(), 0);
        ExpectOneMessage(c.text);
        EXPECT_EQ(ScannerCount, 0);
        EXPECT_EQ(AspiModule != nullptr, c.moduleKept);
        UnloadAspi();
    }
}

TEST_F(Discovery, ASecondOpenReusesTheLoadedManager) {
    fake_aspi::AddDevice(0, 0, 6, "T.S.E.", "ZR-DX82");
    ASSERT_EQ(DiscoverScanner(), 1);
    const plat::ModuleHandle module = AspiModule;
    plat::host::FailNextCalls(plat::host::HostService::ModuleLoad, 1);
    EXPECT_EQ(DiscoverScanner(), 1);
    EXPECT_EQ(AspiModule, module);
    EXPECT_EQ(fake_aspi::SupportInfoCalls(), 2u);
    EXPECT_EQ(plat::host::InjectedFailures(plat::host::HostService::ModuleLoad), 0u);
    EXPECT_EQ(plat::host::MessageBoxCount(), 0u);
}

TEST_F(Discovery, ReleasingTheDialogsClearsTheWindowsAndTheCount) {
    fake_aspi::AddDevice(0, 6, 6, "T.S.E.", "ZR-DX82");
    ASSERT_EQ(DiscoverScanner(), 1);
    fake_aspi::ClearRequests();
    ReleaseScanDialogs();
    EXPECT_EQ(ScannerCount, 0);
    const auto requests = fake_aspi::ScsiRequests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].target, 6);
    EXPECT_EQ(requests[0].cdb[0], 0x24);
    EXPECT_EQ(requests[0].bufLen, 0u);
}

}  // namespace
