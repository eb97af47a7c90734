// Starting a batch through the source manager with the built KORVEX32.ds and
// the virtual scanner module: enabling without the dialog announces the
// transfer, both through MSG_PROCESSEVENT and through the callback; a scanner
// that never becomes ready refuses the enable; the main dialog's close box
// reaches the application as MSG_CLOSEDSREQ.
#include <string>

#include "platform/dialogs.h"
#include "platform/host/dialog_host.h"
#include "tests/e2e/scanner_fixture.h"

namespace {

struct CallbackLog {
    std::vector<TW_UINT16> messages;
    TW_UINT32 originId = 0;
};

TW_UINT16 RecordNotification(TW_IDENTITY* origin, TW_IDENTITY*, TW_UINT32, TW_UINT16, TW_UINT16 msg,
                             TW_MEMREF refCon) {
    auto* log = static_cast<CallbackLog*>(refCon);
    log->messages.push_back(msg);
    log->originId = origin->Id;
    return TWRC_SUCCESS;
}

class BatchStartTest : public ScannerScenarioTest {
protected:
    void SetUp() override {
        ScannerScenarioTest::SetUp();
        if (HasFatalFailure()) return;
        // Without the side chooser: the scan starts simplex at once.
        WriteWindowsFile("KORVEX32.INI", "[SubBox]\nUI=OFF\n");
    }

    void OpenWith(const std::string& device) {
        WriteScenario("", "[Device1]\nModel=ZR-DX961\n" + device);
        ASSERT_EQ(OpenManager(), TWRC_SUCCESS);
        ASSERT_EQ(OpenSource(source, kKorvexProductName), TWRC_SUCCESS);
    }

    TW_UINT16 Enable(TW_BOOL showUi) {
        TW_USERINTERFACE ui{showUi, 0, nullptr};
        return Dsm(&source, DG_CONTROL, DAT_USERINTERFACE, MSG_ENABLEDS, &ui);
    }

    // MSG_PROCESSEVENT with an event record; answers the TWMessage.
    TW_UINT16 ProcessEvent(void* nativeMessage, TW_UINT16 expectedResult) {
        TW_EVENT event{nativeMessage, MSG_NULL};
        EXPECT_EQ(Dsm(&source, DG_CONTROL, DAT_EVENT, MSG_PROCESSEVENT, &event), expectedResult);
        return event.TWMessage;
    }

    std::vector<std::string> LoggedCdbs() const {
        std::vector<std::string> cdbs;
        for (const std::string& line : LoggedCommands()) {
            const size_t at = line.find("cdb=");
            const size_t end = line.find(" status=");
            if (at != std::string::npos && end != std::string::npos) cdbs.push_back(line.substr(at + 4, end - at - 4));
        }
        return cdbs;
    }

    alignas(4) TW_IDENTITY source{};
};

TEST_F(BatchStartTest, EnableWithoutDialogAnnouncesTheTransferAtTheNextEvent) {
    OpenWith("Hopper=Letter\n");
    const size_t commandsAtOpen = LoggedCdbs().size();
    ASSERT_EQ(Enable(0), TWRC_SUCCESS);
    EXPECT_EQ(ProcessEvent(nullptr, TWRC_NOTDSEVENT), MSG_XFERREADY);
    EXPECT_EQ(ProcessEvent(nullptr, TWRC_NOTDSEVENT), MSG_NULL) << "delivered once";
    std::vector<std::string> cdbs = LoggedCdbs();
    EXPECT_EQ(std::vector<std::string>(cdbs.begin() + static_cast<long>(commandsAtOpen), cdbs.end()),
              (std::vector<std::string>{"00 00 00 00 00 00", "24 00 00 00 00 00 00 00 00 00",
                                        "24 00 00 00 00 00 00 00 48 00", "28 00 80 00 00 00 00 00 10 00"}));
    EXPECT_TRUE(ShownMessageBoxes().empty());
    TW_USERINTERFACE ui{0, 0, nullptr};
    EXPECT_EQ(Dsm(&source, DG_CONTROL, DAT_USERINTERFACE, MSG_DISABLEDS, &ui), TWRC_SUCCESS);
    EXPECT_EQ(CloseSource(source), TWRC_SUCCESS);
}

TEST_F(BatchStartTest, EnableWithoutDialogAnnouncesTheTransferThroughTheCallback) {
    CallbackLog log;
    ASSERT_EQ(OpenManager(), TWRC_SUCCESS);
    ASSERT_EQ(setCallback(&app, RecordNotification, &log), TWRC_SUCCESS);
    WriteScenario("", "[Device1]\nModel=ZR-DX961\nHopper=Letter\n");
    ASSERT_EQ(OpenSource(source, kKorvexProductName), TWRC_SUCCESS);
    ASSERT_EQ(Enable(0), TWRC_SUCCESS);
    EXPECT_EQ(log.messages, std::vector<TW_UINT16>{MSG_XFERREADY});
    EXPECT_EQ(log.originId, +source.Id);
    EXPECT_EQ(ProcessEvent(nullptr, TWRC_NOTDSEVENT), MSG_NULL) << "not also through the event";
}

TEST_F(BatchStartTest, NeverReadyRefusesTheEnableAndTheCloseBoxRequestsAClose) {
    OpenWith("NeverReady=ON\n");
    ASSERT_EQ(Enable(0), TWRC_FAILURE);
    EXPECT_EQ(ConditionOf(&source), TWCC_SEQERROR);
    EXPECT_EQ(ProcessEvent(nullptr, TWRC_NOTDSEVENT), MSG_NULL) << "no transfer announced";
    ASSERT_EQ(ShownMessageBoxes().size(), 1u);
    EXPECT_EQ(ShownMessageBoxes()[0].text, "Scanner is becoming ready.");
    EXPECT_EQ(ShownMessageBoxes()[0].caption, "Scanner Message");
    // The box was owned by the hidden main dialog, which still exists in state
    // 400. On Linux a native message is the host platform's pending-message
    // record: the close box's WM_CLOSE, offered through MSG_PROCESSEVENT.
    void* mainDialog = ShownMessageBoxes()[0].owner;
    ASSERT_NE(mainDialog, nullptr);
    plat::host::PendingMessage close{mainDialog, plat::WM_CLOSE, 0, 0, {}};
    EXPECT_EQ(ProcessEvent(&close, TWRC_DSEVENT), MSG_CLOSEDSREQ);
    EXPECT_EQ(CloseSource(source), TWRC_SUCCESS);
}

}  // namespace
