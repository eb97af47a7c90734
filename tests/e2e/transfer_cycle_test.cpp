// The whole cycle of an application through our source manager and the built
// KORVEX32.ds against the virtual scanner module (tests/e2e/transfer_cycle.h),
// and a jam in the middle of a batch.
#include "tests/e2e/transfer_cycle.h"

namespace {

TEST_F(TransferCycleTest, DuplexBatchNativelyAndInMemoryDeliversTheScannersPages) {
    ExpectDuplexCycle(0, TWRC_SUCCESS);
}

TEST_F(TransferCycleTest, JamInMidBatchFailsOnePageEndsTheBatchAndTheNextBatchScans) {
    WriteScenario("Adapters=1\n", std::string(kDevice) + "Jam=1\n");
    OpenAndNegotiate();
    ASSERT_EQ(SetOneValue(CAP_XFERCOUNT, TWTY_INT16, 0xFFFF), TWRC_SUCCESS);
    ASSERT_EQ(SetOneValue(0x8124, TWTY_BOOL, 0), TWRC_SUCCESS);
    Enable(TWSX_NATIVE);
    ExpectImageInfoAndLayout();
    const Bytes first = NativePage();
    EXPECT_EQ(first.size(), size_t{pixels} * lines);
    TW_PENDINGXFERS pending{0, 0};
    ASSERT_EQ(Dsm(&source, DG_CONTROL, DAT_PENDINGXFERS, MSG_ENDXFER, &pending), TWRC_SUCCESS);
    EXPECT_EQ(pending.Count, 0xFFFF) << "the jam is found and kept for the next transfer";
    EXPECT_TRUE(ShownMessageBoxes().empty());

    TW_HANDLE bitmap = nullptr;
    EXPECT_EQ(Dsm(&source, DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET, &bitmap), TWRC_FAILURE);
    EXPECT_EQ(ConditionOf(&source), TWCC_BUMMER);
    ASSERT_EQ(ShownMessageBoxes().size(), 1u);
    EXPECT_EQ(ShownMessageBoxes()[0].caption, "Scanner Message");
    ASSERT_EQ(Dsm(&source, DG_CONTROL, DAT_PENDINGXFERS, MSG_ENDXFER, &pending), TWRC_SUCCESS);
    EXPECT_EQ(pending.Count, 0);
    Disable();

    // The jammed sheet was cleared from the transport: the next batch reads
    // the sheet after it.
    Enable(TWSX_NATIVE);
    ExpectImageInfoAndLayout();
    EXPECT_EQ(NativePage().size(), size_t{pixels} * lines);
    ASSERT_EQ(Dsm(&source, DG_CONTROL, DAT_PENDINGXFERS, MSG_ENDXFER, &pending), TWRC_SUCCESS);
    EXPECT_EQ(pending.Count, 0) << "the hopper is empty";
    Disable();
    EXPECT_EQ(ShownMessageBoxes().size(), 1u);
}

}  // namespace
