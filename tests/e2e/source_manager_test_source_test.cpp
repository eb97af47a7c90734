// The manager with a second source beside KORVEX32.ds: a minimal test source
// that notifies from inside its own calls, as real sources do, and can be made
// to refuse closing.
#include <filesystem>

#include "tests/e2e/e2e_support.h"

namespace {

constexpr char kTestSourceName[] = "Korvex Test Source";

class TestSourceManagerTest : public ManagerTest {
protected:
    void SetUp() override {
        ManagerTest::SetUp();
        if (HasFatalFailure()) return;
        std::filesystem::path sources = windowsDirectory / "twain_32";
        std::filesystem::create_directories(sources);
        std::filesystem::create_symlink(KORVEX_TEST_SOURCE, sources / "KorvexTestSource.ds");
        ASSERT_EQ(OpenManager(), TWRC_SUCCESS);
        ASSERT_EQ(OpenSource(testSource, kTestSourceName), TWRC_SUCCESS);
    }

    TW_UINT16 ProcessEvent(TW_IDENTITY& source, TW_UINT16& twMessage) {
        int windowMessage = 0;
        TW_EVENT event{&windowMessage, MSG_NULL};
        TW_UINT16 result = Dsm(&source, DG_CONTROL, DAT_EVENT, MSG_PROCESSEVENT, &event);
        twMessage = event.TWMessage;
        return result;
    }

    TW_UINT16 Enable(TW_IDENTITY& source) {
        TW_USERINTERFACE ui{0, 0, nullptr};
        return Dsm(&source, DG_CONTROL, DAT_USERINTERFACE, MSG_ENABLEDS, &ui);
    }

    TW_UINT16 SetRefuseClose(TW_UINT32 refuse) {
        return Dsm(&testSource, DG_CONTROL, DAT_XFERGROUP, MSG_SET, &refuse);
    }

    alignas(4) TW_IDENTITY testSource{};
};

// What a callback saw, and what the manager answered when the callback tried
// to close the source from inside the source's own call.
struct ReentryLog {
    DSMENTRYPROC dsmEntry;
    TW_IDENTITY* app;
    TW_IDENTITY* source;
    int calls;
    TW_UINT16 msg;
    TW_UINT16 closeResult;
    TW_UINT16 closeCondition;
};

TW_UINT16 TryClosingFromCallback(TW_IDENTITY*, TW_IDENTITY*, TW_UINT32, TW_UINT16, TW_UINT16 msg,
                                 TW_MEMREF refCon) {
    auto* log = static_cast<ReentryLog*>(refCon);
    ++log->calls;
    log->msg = msg;
    log->closeResult =
        log->dsmEntry(log->app, nullptr, DG_CONTROL, DAT_IDENTITY, MSG_CLOSEDS, log->source);
    TW_STATUS status{};
    log->dsmEntry(log->app, nullptr, DG_CONTROL, DAT_STATUS, MSG_GET, &status);
    log->closeCondition = status.ConditionCode;
    return TWRC_SUCCESS;
}

}  // namespace

TEST_F(TestSourceManagerTest, NotificationFromInsideACallArrivesWithTheNextProcessEvent) {
    ASSERT_EQ(Enable(testSource), TWRC_SUCCESS);
    TW_UINT16 twMessage = MSG_NULL;
    EXPECT_EQ(ProcessEvent(testSource, twMessage), TWRC_NOTDSEVENT);
    EXPECT_EQ(twMessage, MSG_XFERREADY);
    EXPECT_EQ(ProcessEvent(testSource, twMessage), TWRC_NOTDSEVENT);
    EXPECT_EQ(twMessage, MSG_NULL);

    TW_USERINTERFACE ui{0, 0, nullptr};
    ASSERT_EQ(Dsm(&testSource, DG_CONTROL, DAT_USERINTERFACE, MSG_DISABLEDS, &ui), TWRC_SUCCESS);
    EXPECT_EQ(ProcessEvent(testSource, twMessage), TWRC_NOTDSEVENT);
    EXPECT_EQ(twMessage, MSG_CLOSEDSREQ);
    EXPECT_EQ(CloseSource(testSource), TWRC_SUCCESS);
}

TEST_F(TestSourceManagerTest, CallbackRunsInsideTheSourceCallAndCannotCloseIt) {
    ReentryLog log{dsmEntry, &app, &testSource, 0, MSG_NULL, TWRC_SUCCESS, TWCC_SUCCESS};
    ASSERT_EQ(setCallback(&app, TryClosingFromCallback, &log), TWRC_SUCCESS);
    ASSERT_EQ(Enable(testSource), TWRC_SUCCESS);
    EXPECT_EQ(log.calls, 1);
    EXPECT_EQ(log.msg, MSG_XFERREADY);
    EXPECT_EQ(log.closeResult, TWRC_FAILURE);
    EXPECT_EQ(log.closeCondition, TWCC_SEQERROR);

    // Outside the source's call the close goes through.
    ASSERT_EQ(setCallback(&app, nullptr, nullptr), TWRC_SUCCESS);
    EXPECT_EQ(CloseSource(testSource), TWRC_SUCCESS);
}

TEST_F(TestSourceManagerTest, TwoSourcesOpenAtOnceKeepTheirOwnIdsAndNotifications) {
    alignas(4) TW_IDENTITY korvex{};
    ASSERT_EQ(OpenSource(korvex, kKorvexProductName), TWRC_SUCCESS);
    EXPECT_NE(+korvex.Id, +testSource.Id);

    for (TW_IDENTITY* source : {&korvex, &testSource}) {
        alignas(4) TW_IDENTITY reported{};
        ASSERT_EQ(Dsm(source, DG_CONTROL, DAT_IDENTITY, MSG_GET, &reported), TWRC_SUCCESS);
        EXPECT_EQ(+reported.Id, +source->Id);
        EXPECT_EQ(Str32(reported.ProductName), Str32(source->ProductName));
    }

    // The test source's notification waits with the test source only.
    ASSERT_EQ(Enable(testSource), TWRC_SUCCESS);
    TW_UINT16 twMessage = MSG_NULL;
    EXPECT_EQ(ProcessEvent(korvex, twMessage), TWRC_NOTDSEVENT);
    EXPECT_EQ(twMessage, MSG_NULL);
    EXPECT_EQ(ProcessEvent(testSource, twMessage), TWRC_NOTDSEVENT);
    EXPECT_EQ(twMessage, MSG_XFERREADY);

    EXPECT_EQ(CloseSource(korvex), TWRC_SUCCESS);
    EXPECT_EQ(CloseSource(testSource), TWRC_SUCCESS);
    EXPECT_EQ(CloseManager(), TWRC_SUCCESS);
}

TEST_F(TestSourceManagerTest, ASourceThatRefusesToCloseStaysOpen) {
    ASSERT_EQ(SetRefuseClose(1), TWRC_SUCCESS);
    EXPECT_EQ(CloseSource(testSource), TWRC_FAILURE);
    EXPECT_EQ(ConditionOf(nullptr), TWCC_BUMMER);
    EXPECT_EQ(CloseManager(), TWRC_FAILURE);
    EXPECT_EQ(ConditionOf(nullptr), TWCC_SEQERROR);

    // Still a destination, and closes once it agrees.
    ASSERT_EQ(SetRefuseClose(0), TWRC_SUCCESS);
    EXPECT_EQ(CloseSource(testSource), TWRC_SUCCESS);
    EXPECT_EQ(CloseManager(), TWRC_SUCCESS);
}
