// The built KORVEX32.ds under the standard Linux manager's double
// (tests/e2e/standard_manager_double.h): the TWAIN 2 identity, DAT_ENTRYPOINT
// before the open, containers, bitmaps and strip buffers in the manager's
// calloc-style blocks, MSG_XFERREADY by callback and by polling, ShowUI true
// without a dialog anyone could see, and the manager's memory failing or being
// misused. The double's ledger must be empty and clean after every test.
#include "tests/e2e/standard_manager_double.h"

#include "tests/e2e/transfer_cycle.h"
#include "tests/support/counted_blocks.h"

namespace {

TW_UINT16 RegisterThroughDatCallback(TW_IDENTITY* app, KorvexDsmCallbackProc callback, TW_MEMREF) {
    return standard_manager::RegisterCallback(app, callback, 0);
}

class StandardManagerTest : public TransferCycleTest {
protected:
    void SetUp() override {
        TransferCycleTest::SetUp();
        if (HasFatalFailure()) return;
        counted_blocks::Reset();
        ASSERT_TRUE(standard_manager::Load(std::string(KORVEX_BIN_DIR) + "/KORVEX32.ds"));
        dsmEntry = standard_manager::Entry;
        memAllocate = counted_blocks::Allocate;
        memFree = counted_blocks::Free;
        memLock = counted_blocks::Lock;
        memUnlock = counted_blocks::Unlock;
        setCallback = RegisterThroughDatCallback;
        handleBuffers = true;
        app.ProtocolMajor = 2;
        app.ProtocolMinor = 4;
        app.SupportedGroups = DG_CONTROL | DG_IMAGE | DF_APP2;
    }

    void TearDown() override {
        TransferCycleTest::TearDown();
        standard_manager::Unload();
        const counted_blocks::Ledger& blocks = counted_blocks::Blocks();
        EXPECT_TRUE(blocks.lockCounts.empty()) << blocks.lockCounts.size() << " blocks leaked";
        EXPECT_EQ(blocks.doubleFrees, 0);
        EXPECT_EQ(blocks.deadLocks, 0);
        EXPECT_EQ(blocks.unbalancedUnlocks, 0);
        counted_blocks::Reset();
    }

    // MSG_GET-like query of a capability: the container's bytes as the
    // application reads them through the manager's lock, freed afterwards.
    std::vector<uint8_t> Query(TW_UINT16 msg, TW_UINT16 cap, size_t size) {
        TW_CAPABILITY capability{cap, TWON_DONTCARE16, nullptr};
        EXPECT_EQ(Dsm(&source, DG_CONTROL, DAT_CAPABILITY, msg, &capability), TWRC_SUCCESS);
        if (capability.hContainer == nullptr) return {};
        EXPECT_EQ(counted_blocks::LockCount(capability.hContainer), 0) << "handed over unlocked";
        const auto* bytes = static_cast<const uint8_t*>(memLock(capability.hContainer));
        std::vector<uint8_t> container(bytes, bytes + size);
        memUnlock(capability.hContainer);
        memFree(capability.hContainer);
        return container;
    }
};

TEST_F(StandardManagerTest, DuplexCycleWithTheDialogAskedForAndHandleBuffers) {
    // The sample application enables with ShowUI true and no parent window:
    // the batch is scanned as without the dialog, and the answer says so.
    ExpectDuplexCycle(1, TWRC_CHECKSTATUS);
    EXPECT_TRUE(standard_manager::Seen().entryPointSent);
    EXPECT_EQ(standard_manager::Seen().entryPointResult, TWRC_SUCCESS);
    EXPECT_EQ(standard_manager::Seen().notifications, 2);
}

TEST_F(StandardManagerTest, IdentityContainersPollingAndTheManagersMemoryFailing) {
    ASSERT_EQ(OpenManager(), TWRC_SUCCESS);
    const std::vector<TW_IDENTITY> listed = ListSources();
    ASSERT_EQ(listed.size(), 1u);
    EXPECT_EQ(listed[0].ProtocolMajor, 2);
    EXPECT_EQ(listed[0].ProtocolMinor, 4);
    EXPECT_EQ(TW_UINT32{listed[0].SupportedGroups}, DG_CONTROL | DG_IMAGE | DF_DS2);
    WriteScenario("Adapters=1\n", kDevice);
    ASSERT_EQ(OpenSource(source, kKorvexProductName), TWRC_SUCCESS);
    EXPECT_EQ(standard_manager::Seen().entryPointResult, TWRC_SUCCESS);

    // Containers as the application reads them at the handle itself.
    const std::vector<uint8_t> resolutions = {
        7, 0, 7, 0, 0, 0, 4, 0, 0, 0, 4, 0, 0, 0,  // FIX32, 7 items, current and default 4
        100, 0, 0, 0, 150, 0, 0, 0, 200, 0, 0, 0, 240, 0, 0, 0,
        44, 1, 0, 0, 104, 1, 0, 0, 144, 1, 0, 0};
    EXPECT_EQ(Query(MSG_GET, ICAP_XRESOLUTION, 14 + 7 * 4), resolutions);
    EXPECT_EQ(Query(MSG_GET, CAP_UICONTROLLABLE, 6), (std::vector<uint8_t>{6, 0, 1, 0, 0, 0}));
    // A container the application made with the manager's functions is read,
    // also while the application holds it locked.
    TW_HANDLE gray = memAllocate(6);
    auto* bytes = static_cast<uint8_t*>(memLock(gray));
    bytes[0] = TWTY_UINT16;
    bytes[2] = TWPT_GRAY;
    TW_CAPABILITY set{ICAP_PIXELTYPE, TWON_ONEVALUE, gray};
    EXPECT_EQ(Dsm(&source, DG_CONTROL, DAT_CAPABILITY, MSG_SET, &set), TWRC_SUCCESS);
    EXPECT_EQ(counted_blocks::LockCount(gray), 1) << "the source's lock is released";
    memUnlock(gray);
    EXPECT_EQ(Query(MSG_GETCURRENT, ICAP_PIXELTYPE, 6), (std::vector<uint8_t>{4, 0, 1, 0, 0, 0}));
    // The application frees its container and sends it again: refused, not read.
    memFree(gray);
    EXPECT_EQ(Dsm(&source, DG_CONTROL, DAT_CAPABILITY, MSG_SET, &set), TWRC_FAILURE);
    EXPECT_EQ(ConditionOf(&source), TWCC_BADCAP);
    EXPECT_EQ(counted_blocks::Blocks().deadLocks, 1);
    counted_blocks::Blocks().deadLocks = 0;
    // No block from the manager: no container, a clear code.
    counted_blocks::Blocks().allocationsBeforeFailure = 0;
    TW_CAPABILITY query{ICAP_PIXELTYPE, TWON_DONTCARE16, nullptr};
    EXPECT_EQ(Dsm(&source, DG_CONTROL, DAT_CAPABILITY, MSG_GET, &query), TWRC_FAILURE);
    EXPECT_EQ(ConditionOf(&source), TWCC_LOWMEMORY);
    EXPECT_EQ(TW_HANDLE{query.hContainer}, nullptr);  // a packed field: compare a copy
    // Once open, the functions stay those the open began with.
    TW_ENTRYPOINT late{sizeof(TW_ENTRYPOINT), standard_manager::Entry, counted_blocks::Allocate,
                       counted_blocks::Free, counted_blocks::Lock, counted_blocks::Unlock};
    EXPECT_EQ(Dsm(&source, DG_CONTROL, DAT_ENTRYPOINT, MSG_SET, &late), TWRC_FAILURE);
    EXPECT_EQ(ConditionOf(&source), TWCC_SEQERROR);

    // Without a callback the application polls: the manager answers its next
    // MSG_PROCESSEVENT with the notification.
    counted_blocks::Blocks().allocationsBeforeFailure = -1;
    TW_USERINTERFACE ui{0, 0, nullptr};
    ASSERT_EQ(Dsm(&source, DG_CONTROL, DAT_USERINTERFACE, MSG_ENABLEDS, &ui), TWRC_SUCCESS);
    TW_EVENT event{nullptr, MSG_NULL};
    EXPECT_EQ(Dsm(&source, DG_CONTROL, DAT_EVENT, MSG_PROCESSEVENT, &event), TWRC_DSEVENT);
    EXPECT_EQ(event.TWMessage, MSG_XFERREADY);
    event.TWMessage = MSG_NULL;
    EXPECT_EQ(Dsm(&source, DG_CONTROL, DAT_EVENT, MSG_PROCESSEVENT, &event), TWRC_NOTDSEVENT);
    // The bitmap cannot be had from the manager: the user is told, nothing leaks.
    counted_blocks::Blocks().allocationsBeforeFailure = 0;
    TW_HANDLE bitmap = nullptr;
    EXPECT_EQ(Dsm(&source, DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET, &bitmap), TWRC_FAILURE);
    EXPECT_EQ(ConditionOf(&source), TWCC_BUMMER);
    EXPECT_EQ(bitmap, nullptr);
    ASSERT_EQ(ShownMessageBoxes().size(), 1u);
    EXPECT_EQ(ShownMessageBoxes()[0].text, "Short of Memory !");
    TW_PENDINGXFERS pending{};
    EXPECT_EQ(Dsm(&source, DG_CONTROL, DAT_PENDINGXFERS, MSG_RESET, &pending), TWRC_SUCCESS);
    Disable();
}

}  // namespace
