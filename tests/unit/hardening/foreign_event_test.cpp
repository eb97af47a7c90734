// MSG_PROCESSEVENT with events the application made itself: the host's
// dialog-message record is told apart by its tag, so a Windows-style MSG that
// names the main dialog, or bytes of any kind, are not the source's event and
// are never read as one; the host's own records still reach the dialog.
#include <gtest/gtest.h>

#include <cstring>

#include "platform/dialogs.h"
#include "platform/host/dialog_driver.h"
#include "platform/host/dialog_host.h"
#include "twain/dispatch.h"
#include "twain/source_state.h"
#include "twain/user_interface.h"

namespace {

// The layout of a Windows MSG: the window first, as in the host's record.
struct ForeignMessage {
    void* window;
    uint32_t message;
    uintptr_t wParam;
    intptr_t lParam;
    uint32_t time;
    int32_t x;
    int32_t y;
};

TEST(ForeignEvents, OnlyTheHostsOwnRecordsAreTakenForDialogMessages) {
    plat::host::ResetDialogDriver();
    TW_IDENTITY app{};
    app.Id = 5;
    TW_IDENTITY source{};
    DS_Entry(nullptr, DG_CONTROL, DAT_IDENTITY, MSG_GET, &source);
    ASSERT_EQ(DS_Entry(&app, DG_CONTROL, DAT_IDENTITY, MSG_OPENDS, &source), TWRC_SUCCESS);
    TW_USERINTERFACE ui{1, 0, nullptr};
    ASSERT_EQ(DS_Entry(&app, DG_CONTROL, DAT_USERINTERFACE, MSG_ENABLEDS, &ui), TWRC_SUCCESS);
    ASSERT_NE(MainDialog, nullptr);

    ForeignMessage windowsStyle{MainDialog, plat::WM_CLOSE, 0, 0, 0, 0, 0};
    alignas(8) unsigned char zeros[64] = {};
    unsigned char dialogHandleFirst[sizeof(void*)];
    std::memcpy(dialogHandleFirst, &MainDialog, sizeof dialogHandleFirst);
    plat::host::PendingMessage elsewhere{nullptr, plat::WM_CLOSE, 0, 0, {}};
    plat::host::PendingMessage toDialog{MainDialog, plat::WM_COMMAND, 0, 0, {}};

    struct Case {
        const char* what;
        void* event;
        TW_UINT16 answer;
    };
    const Case cases[] = {
        // what                                  event               answer
        {"a Windows-style MSG naming the dialog", &windowsStyle,     TWRC_NOTDSEVENT},
        {"bytes starting with the dialog handle", dialogHandleFirst, TWRC_NOTDSEVENT},
        {"zero bytes",                            zeros,             TWRC_NOTDSEVENT},
        {"a host record for no window",           &elsewhere,        TWRC_NOTDSEVENT},
        {"a host record for the dialog",          &toDialog,         TWRC_DSEVENT},
    };
    for (const Case& c : cases) {
        TW_EVENT event{c.event, MSG_XFERREADY};
        EXPECT_EQ(DS_Entry(&app, DG_CONTROL, DAT_EVENT, MSG_PROCESSEVENT, &event), c.answer) << c.what;
        EXPECT_EQ(event.TWMessage, c.answer == TWRC_DSEVENT ? MSG_NULL : MSG_XFERREADY) << c.what;
        EXPECT_EQ(SourceState, kStateEnabled) << c.what;
    }
    DS_Entry(&app, DG_CONTROL, DAT_IDENTITY, MSG_CLOSEDS, nullptr);
    plat::host::ResetDialogDriver();
}

}  // namespace
