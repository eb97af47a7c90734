// Native transfer: the bitmap byte for byte against the virtual scanner's page
// for each depth, polarity and model, the progress dialog, and every way a
// transfer fails.
#include <gtest/gtest.h>

#include <cstring>

#include "platform/host/dialog_driver.h"
#include "platform/host/host_hooks.h"
#include "scanner/model_table.h"
#include "scanner/scan_window.h"
#include "settings/settings_model.h"
#include "tests/support/fake_aspi.h"
#include "tests/unit/transfer/transfer_fixture.h"
#include "transfer/progress_dialog.h"
#include "transfer/scan_job.h"
#include "twain/source_state.h"
#include "twain/user_interface.h"

namespace trtest {
namespace {

uint32_t Little32(const Bytes& b, size_t at) {
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | uint32_t{b[at + 3]} << 24;
}

uint8_t Same(uint8_t b) { return b; }
uint8_t Invert(uint8_t b) { return static_cast<uint8_t>(~b); }
uint8_t Reversed(uint8_t b) { return ReverseBits(b); }
uint8_t ReversedInverted(uint8_t b) { return static_cast<uint8_t>(~ReverseBits(b)); }
uint8_t Swapped(uint8_t b) { return static_cast<uint8_t>(b << 4 | b >> 4); }
uint8_t SwappedInverted(uint8_t b) { return static_cast<uint8_t>(~Swapped(b)); }

using NativeTransfer = TransferTest;

// Checks the header, the palette, the rows against the scanner's lines and the
// zero padding and spare bytes.
void ExpectBitmap(const Bytes& bitmap, const Bytes& scannerPage, uint8_t (*convert)(uint8_t),
                  uint16_t bitCount, bool rising) {
    const uint32_t pixels = ImageGeometry.pixelsPerLine;
    const uint32_t lines = ImageGeometry.lines;
    const uint32_t bytesPerLine = ImageGeometry.bytesPerLine;
    const uint32_t stride = (bytesPerLine + 3) / 4 * 4;
    const uint32_t entries = 1u << bitCount;
    ASSERT_EQ(bitmap.size(), 40 + 4 * entries + size_t{lines} * stride + 2);
    EXPECT_EQ(Little32(bitmap, 0), 40u);
    EXPECT_EQ(Little32(bitmap, 4), pixels);
    EXPECT_EQ(Little32(bitmap, 8), lines);
    EXPECT_EQ(bitmap[12] | bitmap[13] << 8, 1);
    EXPECT_EQ(bitmap[14] | bitmap[15] << 8, bitCount);
    for (size_t at : {16, 20, 24, 28, 36}) EXPECT_EQ(Little32(bitmap, at), 0u) << at;
    EXPECT_EQ(Little32(bitmap, 32), bitCount == 1 ? 2u : 0u);
    for (uint32_t i = 0; i < entries; ++i) {
        const uint32_t level = (rising ? i : entries - 1 - i) * (255 / (entries - 1));
        EXPECT_EQ(Little32(bitmap, 40 + 4 * i), level * 0x010101u) << "palette " << i;
    }
    ASSERT_EQ(scannerPage.size(), size_t{lines} * bytesPerLine);
    const std::vector<Bytes> rows = BitmapRowsTopDown(bitmap, bytesPerLine);
    ASSERT_EQ(rows.size(), lines);
    for (uint32_t line = 0; line < lines; ++line) {
        const Bytes scanned(scannerPage.begin() + size_t{line} * bytesPerLine,
                            scannerPage.begin() + size_t{line + 1} * bytesPerLine);
        ASSERT_EQ(rows[line], Transform(scanned, convert)) << "line " << line;
        const size_t padding = 40 + 4 * entries + size_t{lines - 1 - line} * stride + bytesPerLine;
        for (size_t at = padding; at < padding + stride - bytesPerLine; ++at) {
            ASSERT_EQ(bitmap[at], 0) << "padding of line " << line;
        }
    }
    EXPECT_EQ(bitmap[bitmap.size() - 2], 0);
    EXPECT_EQ(bitmap[bitmap.size() - 1], 0);
}

TEST_F(NativeTransfer, LetterPageAtOneBitIsTheScannersPageBitReversedAndInverted) {
    PageSetup setup;  // 1700 x 2200 at 200 dpi, TWPF_CHOCOLATE, Reverse "OFF"
    Start(setup);
    ASSERT_EQ(ImageGeometry.pixelsPerLine, 1700u);
    ASSERT_EQ(ImageGeometry.lines, 2200u);
    ASSERT_EQ(ImageGeometry.bytesPerLine, 213u);
    Bytes bitmap;
    ASSERT_EQ(Native(&bitmap).rc, TWRC_XFERDONE);
    EXPECT_EQ(bitmap.size(), 40u + 8 + 2200 * 216 + 2);
    ExpectBitmap(bitmap, ScannerPage(0, 0), ReversedInverted, 1, true);
    EXPECT_EQ(SourceState, kStateXferReady);
    EXPECT_EQ(ScanJob.pagesTransferred, 1u);
    EXPECT_EQ(ProgressPercentage, 100);
    EXPECT_TRUE(TakeMessages().empty());
}

TEST_F(NativeTransfer, DepthPolarityAndModelChooseTheConversion) {
    // Columns: model, composition, bits, pixel flavor, Reverse, conversion,
    // bitmap depth, palette rising from black.
    struct Case {
        const char* model;
        uint8_t composition;
        uint8_t bits;
        TW_UINT16 flavor;
        bool reverse;
        uint8_t (*convert)(uint8_t);
        uint16_t bitCount;
        bool rising;
    };
    std::vector<Case> cases = {
        {"ZR-DX41", 2, 8, TWPF_CHOCOLATE, false, Same, 8, true},      // generation 1: 0 is black
        {"ZR-DX83", 2, 8, TWPF_CHOCOLATE, false, Invert, 8, true},    // generation 0: 0 is white
        {"ZR-DX961", 2, 8, TWPF_VANILLA, false, Invert, 8, false},
        {"ZR-DX41", 2, 8, TWPF_CHOCOLATE, true, Invert, 8, true},
        {"ZR-DX41", 2, 4, TWPF_CHOCOLATE, false, Swapped, 4, true},
        {"ZR-DX73", 2, 4, TWPF_CHOCOLATE, false, SwappedInverted, 4, true},
        {"ZR-DX961", 0, 1, TWPF_VANILLA, false, Reversed, 1, false},
        {"ZR-DX961", 0, 1, TWPF_CHOCOLATE, true, Reversed, 1, true},
        {"ZR-DX961", 1, 1, TWPF_VANILLA, true, ReversedInverted, 1, false},
    };
    // Black and white with TWPF_CHOCOLATE and Reverse "OFF", on every model.
    for (int i = 0; i < kModelCount; ++i) {
        cases.push_back({ModelTable[i].name, 0, 1, TWPF_CHOCOLATE, false, ReversedInverted, 1, true});
    }
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.model << " composition " << int(c.composition) << "/"
                                        << int(c.bits) << " flavor " << c.flavor << " reverse "
                                        << c.reverse);
        PageSetup setup;
        setup.model = c.model;
        setup.dpi = 100;
        setup.width = 9990;  // 833 pixels: an odd 4-bit line keeps its last half-byte
        setup.length = 3000;
        setup.composition = c.composition;
        setup.bitsPerPixel = c.bits;
        setup.pixelFlavor = c.flavor;
        setup.reverse = c.reverse;
        Start(setup);
        Bytes bitmap;
        ASSERT_EQ(Native(&bitmap).rc, TWRC_XFERDONE);
        ExpectBitmap(bitmap, ScannerPage(0, 0), c.convert, c.bitCount, c.rising);
        NextCase();
    }
}

TEST(PagePercentage, TruncatesAsBeforeAndNoLongerOverflowsOnLongPages) {
    // Columns: bytes remaining, page bytes, percentage.
    const std::tuple<int64_t, uint32_t, int32_t> cases[] = {
        {1002, 1002, 0},
        {501, 1002, 50},    // 100 - 50100 / 1002 = 100 - 50
        {1, 1002, 100},     // truncation: the last bytes count as done
        {0, 1002, 100},
        {0, 0, 0},          // no page
        // Above 21474836 bytes left, remaining x 100 no longer fits in 32 bits.
        {30000000, 40000002, 26},  // 100 - 74.99...: truncated
        {1000000000, 2000000002, 51},
    };
    for (const auto& [remaining, total, percentage] : cases) {
        EXPECT_EQ(PagePercentage(remaining, total), percentage) << remaining << " of " << total;
    }
}

TEST_F(NativeTransfer, ProgressDialogPaintsTheBarAndOnlyBatchesCanBeCancelled) {
    // Columns: all pages, duplex, Cancel enabled.
    const std::tuple<bool, bool, bool> cases[] = {
        {false, false, false}, {true, false, true}, {false, true, true}};
    for (const auto& [allPages, duplex, cancellable] : cases) {
        PageSetup setup;
        setup.indicators = true;
        setup.allPages = allPages;
        setup.duplex = duplex;
        setup.sheets = 2;
        Start(setup);
        ASSERT_EQ(Native(nullptr).rc, TWRC_XFERDONE);
        ASSERT_NE(ProgressDialog, nullptr);
        plat::host::DialogDriver progress(ProgressDialog);
        EXPECT_EQ(progress.TemplateName(), "SCANTYUDLG");
        EXPECT_EQ(progress.Enabled(plat::IDCANCEL), cancellable) << allPages << duplex;
        int width = 0, height = 0;
        ASSERT_TRUE(plat::GetItemClientSize(ProgressDialog, kProgressBarItem, &width, &height));
        const auto fills = progress.Fills(kProgressBarItem);
        ASSERT_GE(fills.size(), 4u);
        // The last paint is the whole page: all blue, one pixel inside the edge.
        const auto& done = fills[fills.size() - 2];
        const auto& toDo = fills[fills.size() - 1];
        EXPECT_EQ(done.colour, kProgressDoneColour);
        EXPECT_EQ(std::make_tuple(done.left, done.top, done.right, done.bottom),
                  std::make_tuple(1, 1, width - 1, height - 1));
        EXPECT_EQ(toDo.colour, kProgressToDoColour);
        EXPECT_EQ(toDo.left, width - 1);
        // An earlier paint splits the bar where the percentage says.
        const auto& firstDone = fills[0];
        const auto& firstToDo = fills[1];
        EXPECT_LT(firstDone.right, width - 1);
        EXPECT_EQ(firstToDo.right, width - 1);
        EXPECT_LE(firstToDo.left - firstDone.right, 1);
        if (cancellable) {
            EXPECT_TRUE(progress.Click(plat::IDCANCEL));
            EXPECT_EQ(ScanJob.scanCancel, 1);
            EXPECT_FALSE(progress.Enabled(plat::IDCANCEL));
        }
        NextCase();
    }
}

TEST_F(NativeTransfer, WithoutIndicatorsThereIsNoProgressDialog) {
    Start(PageSetup{});
    plat::host::StartMessageLog();
    ASSERT_EQ(Native(nullptr).rc, TWRC_XFERDONE);
    EXPECT_EQ(ProgressDialog, nullptr);
    EXPECT_TRUE(plat::host::OpenDialogs().empty());
    EXPECT_TRUE(plat::host::TakeMessageLog().empty());
}

TEST_F(NativeTransfer, FailuresShowTheirMessageFreeEverythingAndAnswerBummer) {
    // Columns: what goes wrong, the message shown, the feeder marked empty.
    struct Case {
        const char* name;
        void (*arrange)();
        const char* message;
        bool feederEmpty;
    };
    const Case cases[] = {
        {"compression", [] { ScanWindow.compression = 3; }, "Invalid Image data Transfer mode error.",
         false},
        {"working block", [] { plat::host::FailNextCalls(plat::host::HostService::MemAlloc, 1); },
         "Short of Memory !", false},
        {"bitmap block",
         [] { plat::host::FailNextCalls(plat::host::HostService::MemAlloc, 1, 1); },
         "Short of Memory !", false},
        {"bitmap lock", [] { plat::host::FailNextCalls(plat::host::HostService::MemLock, 1, 1); },
         "Short of Memory !", false},
        {"page too large for 32 bits",
         [] {
             ImageGeometry.lines = 0x10000;
             ImageGeometry.bytesPerLine = 0x10000;
         },
         "Short of Memory !", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Start(PageSetup{});
        TakeMessages();
        c.arrange();
        plat::MemHandle handle = reinterpret_cast<plat::MemHandle>(0x1);
        EXPECT_EQ(Call(DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET, &handle).rc, TWRC_FAILURE);
        EXPECT_EQ(handle, reinterpret_cast<plat::MemHandle>(0x1));
        EXPECT_EQ(ConditionCode, TWCC_SUCCESS) << "DAT_STATUS read and cleared it";
        EXPECT_EQ(TakeMessages(), std::vector<std::string>{c.message});
        EXPECT_EQ(ScanJob.feederEmpty, c.feederEmpty ? 1 : 0);
        NextCase();
    }
}

TEST_F(NativeTransfer, FailureAfterCancelInAManualFeedBatchAnswersCancel) {
    for (const char* manualFeed : {"ON", "OFF"}) {
        SCOPED_TRACE(manualFeed);
        PageSetup setup;
        setup.allPages = true;
        setup.indicators = true;
        setup.faults = {{vscan::FaultKind::TransferError, 0, 0x00, 100000}};
        Start(setup);
        std::strcpy(ManualFeed.text, manualFeed);
        // The progress dialog exists from an earlier page; Cancel is pressed
        // while this one is read.
        CreateProgressDialogIfWanted();
        plat::host::DialogDriver(ProgressDialog).PostClick(plat::IDCANCEL);
        const Answer answer = Native(nullptr);
        EXPECT_EQ(ScanJob.scanCancel, 1);
        if (std::strcmp(manualFeed, "ON") == 0) {
            EXPECT_EQ(answer.rc, TWRC_CANCEL);
            EXPECT_EQ(answer.cc, TWCC_SUCCESS);
        } else {
            EXPECT_EQ(answer.rc, TWRC_FAILURE);
            EXPECT_EQ(answer.cc, TWCC_BUMMER);
        }
        EXPECT_EQ(ProgressDialog, nullptr);
        NextCase();
    }
}

}  // namespace
}  // namespace trtest
