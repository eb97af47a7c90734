// DAT_USERINTERFACE and the manager notifications: the state rules, the main
// dialog created once and reused, a scan without dialog with and without the
// side chooser, a scanner that never becomes ready, the Scan and Cancel
// commands, and the release of the dialogs at close.
#include "platform/host/dialog_driver.h"
#include "platform/host/host_hooks.h"
#include "settings/capability_state.h"
#include "settings/settings_file.h"
#include "settings/settings_model.h"
#include "tests/unit/scanjob/batch_fixture.h"
#include "transfer/scan_job.h"
#include "twain/dispatch.h"
#include "twain/notify.h"
#include "twain/source_state.h"
#include "twain/user_interface.h"

namespace batchtest {
namespace {

using StringList = std::vector<std::string>;

constexpr int kScanButton = 1;
constexpr int kCancelButton = 2;
constexpr int kChooserSimplex = 1000;
constexpr int kChooserDuplex = 1001;

std::vector<TW_UINT16> NotifiedMessages() {
    std::vector<TW_UINT16> messages;
    for (const Notification& n : Notifications) messages.push_back(n.msg);
    return messages;
}

class UserInterfaceTest : public BatchTest {};

TEST_F(UserInterfaceTest, StateRules) {
    UseModel("ZR-DX961");
    Open();
    TW_USERINTERFACE ui{1, 0, nullptr};
    // Columns: state before, message, rc, condition code, state after.
    const struct {
        TW_UINT32 state;
        TW_UINT16 msg;
        TW_UINT16 rc;
        TW_UINT16 cc;
        TW_UINT32 after;
    } rows[] = {
        {kStateOpen, MSG_DISABLEDS, TWRC_FAILURE, TWCC_SEQERROR, kStateOpen},
        {kStateOpen, MSG_ENABLEDSUIONLY, TWRC_FAILURE, TWCC_BADPROTOCOL, kStateOpen},
        {kStateOpen, MSG_ENABLEDS, TWRC_SUCCESS, TWCC_SUCCESS, kStateEnabled},
        {kStateEnabled, MSG_ENABLEDS, TWRC_FAILURE, TWCC_SEQERROR, kStateEnabled},
        {kStateEnabled, MSG_DISABLEDS, TWRC_SUCCESS, TWCC_SUCCESS, kStateOpen},
        {kStateXferReady, MSG_DISABLEDS, TWRC_SUCCESS, TWCC_SUCCESS, kStateOpen},
        {kStateTransferring, MSG_DISABLEDS, TWRC_SUCCESS, TWCC_SUCCESS, kStateOpen},
        {kStateXferReady, MSG_ENABLEDS, TWRC_FAILURE, TWCC_SEQERROR, kStateXferReady},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::Message() << row.state << " 0x" << std::hex << row.msg);
        SourceState = row.state;
        EXPECT_EQ(DS_Entry(&app, DG_CONTROL, DAT_USERINTERFACE, row.msg, &ui), row.rc);
        EXPECT_EQ(StatusCondition(), row.cc);
        EXPECT_EQ(SourceState, row.after);
    }
    SourceState = kStateOpen;
    EXPECT_EQ(DS_Entry(&app, DG_CONTROL, DAT_USERINTERFACE, MSG_ENABLEDS, nullptr), TWRC_FAILURE);
    EXPECT_EQ(StatusCondition(), TWCC_BADVALUE);
    EXPECT_EQ(SourceState, kStateOpen);
    EXPECT_TRUE(Notifications.empty());
}

TEST_F(UserInterfaceTest, TheMainDialogIsCreatedOnceAndReused) {
    UseModel("ZR-DX961");
    Open();
    int parent = 0;
    TW_USERINTERFACE ui{1, 0, &parent};
    ASSERT_EQ(DS_Entry(&app, DG_CONTROL, DAT_USERINTERFACE, MSG_ENABLEDS, &ui), TWRC_SUCCESS);
    plat::WindowHandle first = MainDialog;
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(ParentWindow, &parent);
    EXPECT_EQ(ShowUIFlag, 1);
    EXPECT_TRUE(plat::IsDialogVisible(first));
    ASSERT_EQ(Disable(), TWRC_SUCCESS);
    EXPECT_EQ(MainDialog, first);
    EXPECT_FALSE(plat::IsDialogVisible(first));
    // A scan without dialog keeps it hidden; enabling with it shows the same one.
    CapabilityState.custom8123 = 0;
    ASSERT_EQ(Enable(false), TWRC_SUCCESS);
    EXPECT_EQ(ShowUIFlag, 0);
    EXPECT_FALSE(plat::IsDialogVisible(first));
    ASSERT_EQ(Disable(), TWRC_SUCCESS);
    ASSERT_EQ(Enable(true), TWRC_SUCCESS);
    EXPECT_EQ(MainDialog, first);
    EXPECT_EQ(ShowUIFlag, 1);
    EXPECT_TRUE(plat::IsDialogVisible(first));
    EXPECT_EQ(plat::host::OpenDialogs().size(), 1u);
}

TEST_F(UserInterfaceTest, WithoutDialogTheScanStartsAndTheTransferIsAnnounced) {
    UseModel("ZR-DX961");
    Open();
    CapabilityState.custom8123 = 0;
    ASSERT_EQ(Enable(false), TWRC_SUCCESS);
    EXPECT_EQ(SourceState, kStateXferReady);
    ASSERT_EQ(Notifications.size(), 1u);
    const Notification& n = Notifications.front();
    EXPECT_EQ(n.originId, 7u) << "the source's own identity";
    EXPECT_EQ(n.destinationId, app.Id);
    EXPECT_EQ(n.dataGroup, DG_CONTROL);
    EXPECT_EQ(n.dat, DAT_NULL);
    EXPECT_EQ(n.msg, MSG_XFERREADY);
    EXPECT_TRUE(n.dataNull);
    EXPECT_EQ(Commands(), (StringList{kTestUnitReady, kClearWindows, kSetWindowFront, kReadImageSize}));
}

TEST_F(UserInterfaceTest, NeverReadyScannerRefusesTheEnable) {
    vscan::DeviceSetup scanner = vscan::MakeScanner("ZR-DX961", 0, 0);
    scanner.neverReady = true;
    UseScanner(scanner);
    Open();
    CapabilityState.custom8123 = 0;
    EXPECT_EQ(Enable(false), TWRC_FAILURE);
    EXPECT_EQ(StatusCondition(), TWCC_SEQERROR);
    EXPECT_EQ(SourceState, kStateOpen);
    EXPECT_TRUE(Notifications.empty());
    const uint32_t shown = plat::host::MessageBoxCount();
    ASSERT_EQ(shown, 1u);
    const plat::host::RecordedMessageBox* box = plat::host::RecordedMessageBoxAt(0);
    EXPECT_STREQ(box->text, "Scanner is becoming ready.");
    EXPECT_STREQ(box->caption, "Scanner Message");
    EXPECT_EQ(box->owner, MainDialog) << "owned by the hidden dialog";
    EXPECT_NE(MainDialog, nullptr);
}

TEST_F(UserInterfaceTest, TheChooserAsksForTheSideBeforeAScanWithoutDialog) {
    UseModel("ZR-DX961");
    Open();
    ASSERT_EQ(CapabilityState.xferCount, -1);
    ASSERT_NE(CapabilityState.custom8123, 0);
    plat::ProfileWriteString("SubBox", "Side", "Simplex", kSettingsFileName);
    plat::host::ExpectModal("RYOUMENDLG", [](plat::host::DialogDriver chooser) {
        EXPECT_TRUE(chooser.Checked(kChooserSimplex)) << "the side stored in SubBox";
        chooser.Click(kChooserDuplex);
        chooser.Click(plat::IDOK);
    });
    ASSERT_EQ(Enable(false), TWRC_SUCCESS);
    EXPECT_EQ(plat::host::PendingExpectedModals(), 0u);
    EXPECT_STREQ(SideMode.text, "Duplex");
    char stored[32];
    plat::ProfileGetString("SubBox", "Side", "", stored, sizeof stored, kSettingsFileName);
    EXPECT_STREQ(stored, "Duplex");
    EXPECT_EQ(ScanJob.duplex, 0xFF);
    EXPECT_EQ(ScanJob.allPages, 0xFF);
    EXPECT_EQ(Commands(),
              (StringList{kTestUnitReady, kClearWindows, kSetWindowFront, kSetWindowBack, kReadImageSize}));
    EXPECT_EQ(NotifiedMessages(), std::vector<TW_UINT16>{MSG_XFERREADY});

    // "UI" OFF: no chooser; custom capability 0x8124 asks for duplex, and a
    // transfer count of 2 makes it one sheet.
    ASSERT_EQ(Disable(), TWRC_SUCCESS);
    plat::ProfileWriteString("SubBox", "UI", "OFF", kSettingsFileName);
    CapabilityState.custom8124 = 1;
    CapabilityState.xferCount = 2;
    ASSERT_EQ(Enable(false), TWRC_SUCCESS);
    EXPECT_EQ(plat::host::UnexpectedModals(), 0u);
    EXPECT_EQ(ScanJob.duplex, 0xFF);
    EXPECT_EQ(ScanJob.allPages, 0x00);
}

TEST_F(UserInterfaceTest, ScanAndCancelInTheDialog) {
    UseModel("ZR-DX961");
    Open();
    ASSERT_EQ(Enable(true), TWRC_SUCCESS);
    plat::host::DialogDriver main(MainDialog);
    ASSERT_TRUE(main.Click(kScanButton));
    EXPECT_EQ(SourceState, kStateXferReady);
    EXPECT_EQ(NotifiedMessages(), std::vector<TW_UINT16>{MSG_XFERREADY});
    EXPECT_TRUE(main.IsVisible()) << "the dialog stays open";

    ASSERT_TRUE(main.Click(kCancelButton));
    ASSERT_TRUE(main.Close());
    EXPECT_EQ(NotifiedMessages(), (std::vector<TW_UINT16>{MSG_XFERREADY, MSG_CLOSEDSREQ, MSG_CLOSEDSREQ}));
    EXPECT_EQ(SourceState, kStateXferReady) << "a close request changes no state";
    EXPECT_TRUE(main.IsOpen());
}

TEST_F(UserInterfaceTest, ANotificationWithoutManagerIsNotSent) {
    UseModel("ZR-DX961");
    Open();
    plat::host::UnregisterInProcessModule("TWAIN_32.DLL");
    SourceState = kStateEnabled;
    NotifyXferReady();
    NotifyCloseDSReq();
    EXPECT_EQ(SourceState, kStateXferReady);
    EXPECT_TRUE(Notifications.empty());
    EXPECT_EQ(plat::host::MessageBoxCount(), 0u);
}

TEST_F(UserInterfaceTest, CloseInState600ReleasesTheDialogsAndTheScanner) {
    UseModel("ZR-DX961");
    Open();
    ASSERT_EQ(Enable(true), TWRC_SUCCESS);
    ASSERT_TRUE(plat::host::DialogDriver(MainDialog).Click(kScanButton));
    ASSERT_EQ(SourceState, kStateXferReady);
    vscan::ClearCommandLog();
    ASSERT_EQ(Close(), TWRC_SUCCESS);
    EXPECT_EQ(SourceState, kStateLoaded);
    EXPECT_EQ(MainDialog, nullptr);
    EXPECT_TRUE(plat::host::OpenDialogs().empty());
    EXPECT_EQ(Commands(), StringList{kClearWindows});
    // The next open period creates a new dialog and scans again.
    Open();
    CapabilityState.custom8123 = 0;
    EXPECT_EQ(Enable(false), TWRC_SUCCESS);
    EXPECT_NE(MainDialog, nullptr);
}

}  // namespace
}  // namespace batchtest
