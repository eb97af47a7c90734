// Batches as an application runs them (transfer, then MSG_ENDXFER, until the
// count is 0): the counts, the state and the exact READs and window resets for
// each way a batch ends, the manual-feed wait, faults in mid-batch, and the
// page number across batches and across close and open.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>

#include "platform/host/dialog_driver.h"
#include "platform/host/host_hooks.h"
#include "scanner/discovery.h"
#include "scanner/scanner_messages.h"
#include "scanner/scsi_commands.h"
#include "settings/settings_model.h"
#include "tests/unit/transfer/transfer_fixture.h"
#include "transfer/progress_dialog.h"
#include "transfer/scan_job.h"
#include "twain/dispatch.h"
#include "twain/image_layout.h"
#include "twain/source_state.h"
#include "twain/user_interface.h"

namespace trtest {
namespace {

using PendingTransfers = TransferTest;

// A small page: 832 x 250 black and white, one READ.
PageSetup SmallPage() {
    PageSetup setup;
    setup.dpi = 100;
    setup.width = 9984;
    setup.length = 3000;
    return setup;
}

std::string MessageText(uint8_t key, uint8_t asc, uint8_t ascq) {
    char text[kMessageTextSize];
    char caption[kMessageCaptionSize];
    ComposeScannerMessage(key, asc, ascq, text, caption);
    return text;
}

struct BatchRun {
    std::vector<TW_UINT16> transfers;  // the answer of each native transfer
    std::vector<TW_UINT16> counts;     // the Count of each MSG_ENDXFER
};

struct BatchCase {
    const char* name;
    std::function<void(PageSetup&)> arrange;
    std::function<void(TransferTest&)> afterFirstPage;  // may be empty
    std::vector<TW_UINT16> transfers;
    std::vector<TW_UINT16> counts;
    std::vector<std::string> commands;
};

TEST_F(PendingTransfers, BatchesEndAsTheStateTableSays) {
    const std::string fed = "read 0/00 n eom";
    const std::vector<BatchCase> cases = {
        {"simplex, one page", [](PageSetup& s) { s.sheets = 2; }, {}, {TWRC_XFERDONE}, {0},
         {fed, "clear"}},
        {"duplex, one sheet", [](PageSetup& s) { s.duplex = true; s.sheets = 2; }, {},
         {TWRC_XFERDONE, TWRC_XFERDONE}, {0xFFFF, 0},
         {fed, "read 0/80 0", "read 0/80 n eom", "clear"}},
        {"simplex, every page to an empty hopper",
         [](PageSetup& s) { s.allPages = true; s.sheets = 2; }, {},
         {TWRC_XFERDONE, TWRC_XFERDONE}, {0xFFFF, 0},
         {fed, "read 1/00 0", "read 1/00 n eom", "read 2/00 0 fail"}},
        {"duplex, every page to an empty hopper",
         [](PageSetup& s) { s.allPages = s.duplex = true; s.sheets = 2; }, {},
         {TWRC_XFERDONE, TWRC_XFERDONE, TWRC_XFERDONE, TWRC_XFERDONE}, {0xFFFF, 0xFFFF, 0xFFFF, 0},
         {fed, "read 0/80 0", "read 0/80 n eom", "read 1/00 0", "read 1/00 n eom", "read 1/80 0",
          "read 1/80 n eom", "read 2/00 0 fail"}},
        {"Cancel in the progress dialog",
         [](PageSetup& s) { s.allPages = true; s.sheets = 3; s.indicators = true; },
         [](TransferTest&) { plat::host::DialogDriver(ProgressDialog).Click(plat::IDCANCEL); },
         {TWRC_XFERDONE}, {0}, {fed, "clear"}},
        {"manual feed without a shown dialog ends at the empty hopper",
         [](PageSetup& s) {
             s.allPages = true;
             s.manualSheets = {vscan::MakeSheet("Letter")};
             std::strcpy(ManualFeed.text, "ON");
         },
         {}, {TWRC_XFERDONE}, {0}, {fed, "read 1/00 0 fail"}},
    };
    for (const BatchCase& c : cases) {
        SCOPED_TRACE(c.name);
        PageSetup setup = SmallPage();
        c.arrange(setup);
        Start(setup);
        vscan::ClearCommandLog();
        TakeMessages();
        BatchRun run;
        TW_UINT16 count = 0;
        do {
            run.transfers.push_back(Native(nullptr).rc);
            if (run.transfers.size() == 1 && c.afterFirstPage) c.afterFirstPage(*this);
            const Answer end = EndXfer(&count);
            EXPECT_EQ(end.rc, TWRC_SUCCESS);
            run.counts.push_back(count);
            EXPECT_EQ(SourceState, count != 0 ? kStateXferReady : kStateEnabled);
        } while (count != 0 && run.counts.size() < 10);
        EXPECT_EQ(run.transfers, c.transfers);
        EXPECT_EQ(run.counts, c.counts);
        EXPECT_EQ(ScanCommands(), c.commands);
        EXPECT_EQ(ProgressDialog, nullptr) << "destroyed at the end of the batch";
        NextCase();
    }
}

TEST_F(PendingTransfers, DeferredErrorShowsTheErrorFoundEarlierAndTheNextBatchScans) {
    PageSetup setup = SmallPage();
    setup.allPages = true;
    setup.sheets = 3;
    setup.faults = {{vscan::FaultKind::DoubleFeed, 1}};
    Start(setup);
    TakeMessages();
    ASSERT_EQ(Native(nullptr).rc, TWRC_XFERDONE);
    TW_UINT16 count = 0;
    ASSERT_EQ(EndXfer(&count).rc, TWRC_SUCCESS);
    EXPECT_EQ(count, 0xFFFF);
    EXPECT_TRUE(TakeMessages().empty()) << "not reported at the end of the transfer";
    // A status query in between does not lose the error's sense data.
    ScannerStatusRecord status{};
    ReadScannerStatus(ScsiTarget, status);
    vscan::ClearCommandLog();
    const Answer failed = Native(nullptr);
    EXPECT_EQ(failed.rc, TWRC_FAILURE);
    EXPECT_EQ(failed.cc, TWCC_BUMMER);
    EXPECT_EQ(TakeMessages(), std::vector<std::string>{MessageText(0x03, 0x80, 0x0D)});
    EXPECT_TRUE(ScanCommands().empty()) << "the failed transfer reads nothing";
    ASSERT_EQ(EndXfer(&count).rc, TWRC_SUCCESS);
    EXPECT_EQ(count, 0);
    EXPECT_TRUE(ScanCommands().empty()) << "the batch ends without a window reset";
    // The next batch reads the next sheet.
    PrepareScan();
    Bytes bitmap;
    ASSERT_EQ(Native(&bitmap).rc, TWRC_XFERDONE);
    EXPECT_EQ(ScanJob.pagesTransferred, 1u);
}

TEST_F(PendingTransfers, ScannerFaultsInMidBatchEndTheBatchAndKeepWhatWasDelivered) {
    // Columns: fault, sheet, message of the failed transfer, the next batch scans.
    struct Case {
        vscan::FaultKind kind;
        uint8_t key, asc, ascq;
        bool scansAgain;
    };
    const Case cases[] = {
        {vscan::FaultKind::Jam, 0x03, 0x80, 0x01, true},
        {vscan::FaultKind::TransferError, 0x0B, 0x80, 0x01, true},
        {vscan::FaultKind::Disappear, 0x00, 0x00, 0x00, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(int(c.kind));
        PageSetup setup = SmallPage();
        setup.allPages = true;
        setup.sheets = 3;
        setup.indicators = true;
        setup.faults = {{c.kind, 1, 0x00, 1000}};
        Start(setup);
        TakeMessages();
        Bytes first;
        ASSERT_EQ(Native(&first).rc, TWRC_XFERDONE);
        TW_UINT16 count = 0;
        ASSERT_EQ(EndXfer(&count).rc, TWRC_SUCCESS);
        EXPECT_EQ(count, 0xFFFF);
        const Answer failed = Native(nullptr);
        EXPECT_EQ(failed.rc, TWRC_FAILURE);
        EXPECT_EQ(failed.cc, TWCC_BUMMER);
        EXPECT_EQ(TakeMessages(), std::vector<std::string>{MessageText(c.key, c.asc, c.ascq)});
        EXPECT_EQ(ProgressDialog, nullptr);
        ASSERT_EQ(EndXfer(&count).rc, TWRC_SUCCESS);
        EXPECT_EQ(count, 0);
        EXPECT_EQ(SourceState, kStateEnabled);
        EXPECT_EQ(BitmapRowsTopDown(first, 104).size(), 250u) << "the first page stays whole";
        if (c.scansAgain) {
            PrepareScan();
            EXPECT_EQ(Native(nullptr).rc, TWRC_XFERDONE);
        }
        NextCase();
    }
}

class ManualFeedWait : public PendingTransfers {
protected:
    void StartWaiting(std::vector<vscan::SheetSetup> manualSheets) {
        PageSetup setup = SmallPage();
        setup.allPages = true;
        setup.indicators = true;
        setup.manualSheets = std::move(manualSheets);
        setup.manualFeedPolls = 3;
        Start(setup);
        ShowUIFlag = 1;
        std::strcpy(ManualFeed.text, "ON");
        ScanValues.waitTimeout = 10;
        ASSERT_EQ(Native(nullptr).rc, TWRC_XFERDONE);
        vscan::ClearCommandLog();
    }
    std::string Line(int item) { return plat::host::DialogDriver(ProgressDialog).Text(item); }
};

TEST_F(ManualFeedWait, SheetArrivingStartsTheScanAgain) {
    StartWaiting({vscan::MakeSheet("Letter")});
    TW_UINT16 count = 0;
    ASSERT_EQ(EndXfer(&count).rc, TWRC_SUCCESS);
    EXPECT_EQ(count, 0xFFFF);
    EXPECT_EQ(SourceState, kStateXferReady);
    ASSERT_NE(ProgressDialog, nullptr);
    EXPECT_EQ(Line(kProgressLine1Item), "Now Scanning.");
    EXPECT_EQ(Line(kProgressLine2Item), "Please Wait!");
    EXPECT_EQ(ScanJob.sheetNumber, 0) << "the restarted scan numbers its sheets from 0";
    size_t statusPolls = 0;
    for (const auto& c : vscan::CommandLog()) statusPolls += c.cdb[0] == 0x28 && c.cdb[2] == 0x81;
    EXPECT_EQ(statusPolls, 4u);
    Bytes bitmap;
    ASSERT_EQ(Native(&bitmap).rc, TWRC_XFERDONE);
    const std::vector<Bytes> rows = BitmapRowsTopDown(bitmap, 104);
    Bytes pixels;
    for (const Bytes& row : rows) pixels.insert(pixels.end(), row.begin(), row.end());
    EXPECT_EQ(pixels, Transform(ScannerPage(1, 0), [](uint8_t b) {
                  return static_cast<uint8_t>(~ReverseBits(b));
              })) << "the hand-fed sheet";
}

TEST_F(ManualFeedWait, TimeOutOrCancelEndsTheBatch) {
    for (bool cancel : {false, true}) {
        SCOPED_TRACE(cancel ? "Cancel" : "time-out");
        StartWaiting({});
        // The wait polls without sleeping; each tick count read moves the
        // clock on by a millisecond, through its wrap.
        const uint32_t start = 0xFFFFF000u;
        plat::host::UseManualClock(start, 1);
        if (cancel) {
            // The end of the transfer takes the first message; the wait the Cancel.
            plat::host::DialogDriver progress(ProgressDialog);
            progress.PostClick(kProgressLine1Item);
            progress.PostClick(plat::IDCANCEL);
        }
        TW_UINT16 count = 0xAAAA;
        ASSERT_EQ(EndXfer(&count).rc, TWRC_SUCCESS);
        const uint32_t elapsed = plat::TickCount() - start;
        EXPECT_EQ(count, 0);
        EXPECT_EQ(SourceState, kStateEnabled);
        if (cancel) {
            EXPECT_LT(elapsed, 1000u);
        } else {
            EXPECT_GT(elapsed, 10000u);
            EXPECT_LT(elapsed, 11000u);
        }
        EXPECT_EQ(ScanCommands(), (std::vector<std::string>{"read 1/00 0 fail", "clear"}));
        EXPECT_EQ(ProgressDialog, nullptr);
        plat::host::UseRealClock();
        NextCase();
    }
}

TEST_F(PendingTransfers, PageNumberCountsAcrossBatchesAndAcrossCloseAndOpen) {
    auto layoutPage = [this] {
        TW_IMAGELAYOUT layout{};
        EXPECT_EQ(Call(DG_IMAGE, DAT_IMAGELAYOUT, MSG_GET, &layout).rc, TWRC_SUCCESS);
        return layout.PageNumber;
    };
    PageSetup setup = SmallPage();
    setup.sheets = 5;
    Start(setup);
    std::vector<TW_UINT32> pages;
    // Two one-page batches, then a batch of every page after closing and
    // opening again: the module stays loaded.
    for (int batch = 0; batch < 3; ++batch) {
        if (batch == 2) {
            TW_IDENTITY app{};
            app.Id = 7;
            ASSERT_EQ(DS_Entry(&app, DG_CONTROL, DAT_IDENTITY, MSG_CLOSEDS, nullptr), TWRC_SUCCESS);
            TW_IDENTITY source{};
            DS_Entry(nullptr, DG_CONTROL, DAT_IDENTITY, MSG_GET, &source);
            ASSERT_EQ(DS_Entry(&app, DG_CONTROL, DAT_IDENTITY, MSG_OPENDS, &source), TWRC_SUCCESS);
            setup_.allPages = true;
        }
        if (batch != 0) PrepareScan();
        TW_UINT16 count = 0;
        do {
            pages.push_back(layoutPage());
            ASSERT_EQ(Native(nullptr).rc, TWRC_XFERDONE);
            ASSERT_EQ(EndXfer(&count).rc, TWRC_SUCCESS);
        } while (count != 0 && pages.size() < 10);
    }
    EXPECT_EQ(pages, (std::vector<TW_UINT32>{1, 2, 3, 4, 5}));
}

TEST_F(PendingTransfers, ResetEndsTheBatchFromTransferReadyAndTransferring) {
    for (TW_UINT32 state : {kStateXferReady, kStateTransferring}) {
        PageSetup setup = SmallPage();
        setup.allPages = true;
        setup.sheets = 2;
        setup.indicators = true;
        Start(setup);
        ASSERT_EQ(Native(nullptr).rc, TWRC_XFERDONE);
        ASSERT_NE(ProgressDialog, nullptr);
        SourceState = state;
        vscan::ClearCommandLog();
        TW_PENDINGXFERS pending{0xFFFF, 0};
        EXPECT_EQ(Call(DG_CONTROL, DAT_PENDINGXFERS, MSG_RESET, &pending).rc, TWRC_SUCCESS);
        EXPECT_EQ(+pending.Count, 0);
        EXPECT_EQ(SourceState, kStateEnabled);
        EXPECT_EQ(ScanCommands(), std::vector<std::string>{"clear"});
        EXPECT_EQ(ProgressDialog, nullptr);
        NextCase();
    }
}

}  // namespace
}  // namespace trtest
