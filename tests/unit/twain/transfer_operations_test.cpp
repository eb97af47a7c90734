// The small operations of both tables as an application sees them: the
// (state, triplet) -> (return code, condition code) table, null data, the
// response tables' bound, and the layout's worked examples.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "scanner/model_table.h"
#include "settings/capability_container.h"
#include "settings/capability_state.h"
#include "transfer/scan_job.h"
#include "twain/dispatch.h"
#include "twain/image_layout.h"
#include "twain/source_state.h"
#include "twain/user_interface.h"

namespace {

TW_IDENTITY App() {
    alignas(4) TW_IDENTITY app{};
    app.Id = 7;
    return app;
}

struct Answer {
    TW_UINT16 rc;
    TW_UINT16 cc;
};

Answer Call(TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg, void* data) {
    TW_IDENTITY app = App();
    ConditionCode = TWCC_SUCCESS;
    const TW_UINT16 rc = DS_Entry(&app, dg, dat, msg, data);
    return {rc, ConditionCode};
}

TEST(TransferOperations, AnswerByStateAndMessage) {
    // Columns: state, data group, DAT, message, return code, condition code.
    struct Case {
        TW_UINT32 state;
        TW_UINT32 dg;
        TW_UINT16 dat;
        TW_UINT16 msg;
        TW_UINT16 rc;
        TW_UINT16 cc;
    };
    const Case cases[] = {
        {400, DG_CONTROL, DAT_SETUPMEMXFER, MSG_GET, TWRC_SUCCESS, TWCC_SUCCESS},
        {600, DG_CONTROL, DAT_SETUPMEMXFER, MSG_SET, TWRC_FAILURE, TWCC_BADPROTOCOL},
        {700, DG_CONTROL, DAT_SETUPMEMXFER, MSG_GET, TWRC_FAILURE, TWCC_SEQERROR},
        {300, DG_CONTROL, DAT_SETUPMEMXFER, MSG_SET, TWRC_FAILURE, TWCC_SEQERROR},
        {500, DG_CONTROL, DAT_SETUPFILEXFER, MSG_GET, TWRC_FAILURE, TWCC_BADPROTOCOL},
        {700, DG_CONTROL, DAT_SETUPFILEXFER, MSG_GET, TWRC_FAILURE, TWCC_SEQERROR},
        {600, DG_CONTROL, DAT_XFERGROUP, MSG_GETCURRENT, TWRC_SUCCESS, TWCC_SUCCESS},
        {400, DG_CONTROL, DAT_XFERGROUP, MSG_SET, TWRC_SUCCESS, TWCC_SUCCESS},
        {400, DG_CONTROL, DAT_XFERGROUP, MSG_GETFIRST, TWRC_FAILURE, TWCC_BADPROTOCOL},
        {700, DG_CONTROL, DAT_XFERGROUP, MSG_GET, TWRC_FAILURE, TWCC_SEQERROR},
        {500, DG_CONTROL, DAT_PENDINGXFERS, MSG_GET, TWRC_SUCCESS, TWCC_SUCCESS},
        {300, DG_CONTROL, DAT_PENDINGXFERS, MSG_GET, TWRC_FAILURE, TWCC_SEQERROR},
        {500, DG_CONTROL, DAT_PENDINGXFERS, MSG_ENDXFER, TWRC_FAILURE, TWCC_SEQERROR},
        {400, DG_CONTROL, DAT_PENDINGXFERS, MSG_RESET, TWRC_FAILURE, TWCC_SEQERROR},
        {600, DG_CONTROL, DAT_PENDINGXFERS, MSG_SET, TWRC_FAILURE, TWCC_BADPROTOCOL},
        {600, DG_IMAGE, DAT_IMAGEINFO, MSG_GET, TWRC_SUCCESS, TWCC_SUCCESS},
        {600, DG_IMAGE, DAT_IMAGEINFO, MSG_SET, TWRC_FAILURE, TWCC_BADPROTOCOL},
        {700, DG_IMAGE, DAT_IMAGEINFO, MSG_GET, TWRC_FAILURE, TWCC_SEQERROR},
        {500, DG_IMAGE, DAT_IMAGEINFO, MSG_SET, TWRC_FAILURE, TWCC_SEQERROR},
        {300, DG_IMAGE, DAT_IMAGELAYOUT, MSG_GET, TWRC_SUCCESS, TWCC_SUCCESS},
        {400, DG_IMAGE, DAT_IMAGELAYOUT, MSG_GETDEFAULT, TWRC_FAILURE, TWCC_BADPROTOCOL},
        {400, DG_IMAGE, DAT_IMAGELAYOUT, MSG_RESET, TWRC_FAILURE, TWCC_BADPROTOCOL},
        {600, DG_IMAGE, DAT_IMAGEFILEXFER, MSG_GET, TWRC_FAILURE, TWCC_BADPROTOCOL},
        {400, DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET, TWRC_FAILURE, TWCC_SEQERROR},
        {600, DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_SET, TWRC_FAILURE, TWCC_BADPROTOCOL},
        {600, DG_IMAGE, DAT_IMAGEMEMXFER, MSG_SET, TWRC_FAILURE, TWCC_BADPROTOCOL},
        {400, DG_IMAGE, DAT_PALETTE8, MSG_SET, TWRC_SUCCESS, TWCC_SUCCESS},
        {600, DG_IMAGE, DAT_PALETTE8, MSG_GET, TWRC_FAILURE, TWCC_BADPROTOCOL},
        {700, DG_IMAGE, DAT_PALETTE8, MSG_RESET, TWRC_FAILURE, TWCC_SEQERROR},
        {300, DG_IMAGE, DAT_GRAYRESPONSE, MSG_SET, TWRC_SUCCESS, TWCC_SUCCESS},
        {700, DG_IMAGE, DAT_RGBRESPONSE, MSG_RESET, TWRC_SUCCESS, TWCC_SUCCESS},
        {300, DG_IMAGE, DAT_JPEGCOMPRESSION, MSG_GET, TWRC_SUCCESS, TWCC_SUCCESS},
        {700, DG_IMAGE, DAT_CIECOLOR, MSG_GET, TWRC_SUCCESS, TWCC_SUCCESS},
    };
    for (const Case& c : cases) {
        SourceState = c.state;
        alignas(8) uint8_t data[512] = {};
        const Answer answer = Call(c.dg, c.dat, c.msg, data);
        EXPECT_EQ(answer.rc, c.rc) << c.state << " dat " << c.dat << " msg " << c.msg;
        EXPECT_EQ(answer.cc, c.cc) << c.state << " dat " << c.dat << " msg " << c.msg;
        EXPECT_EQ(SourceState, c.state) << "dat " << c.dat << " msg " << c.msg;
    }
}

TEST(TransferOperations, NullDataIsRefusedWhereSomethingIsWritten) {
    SourceState = kStateXferReady;
    const std::pair<TW_UINT32, TW_UINT16> writers[] = {
        {DG_CONTROL, DAT_SETUPMEMXFER}, {DG_CONTROL, DAT_XFERGROUP}, {DG_CONTROL, DAT_PENDINGXFERS},
        {DG_IMAGE, DAT_IMAGEINFO},      {DG_IMAGE, DAT_IMAGELAYOUT}, {DG_IMAGE, DAT_IMAGENATIVEXFER},
        {DG_IMAGE, DAT_IMAGEMEMXFER},
    };
    for (const auto& [dg, dat] : writers) {
        const Answer answer = Call(dg, dat, MSG_GET, nullptr);
        EXPECT_EQ(answer.rc, TWRC_FAILURE) << dat;
        EXPECT_EQ(answer.cc, TWCC_BADVALUE) << dat;
    }
    for (TW_UINT16 dat : {DAT_GRAYRESPONSE, DAT_RGBRESPONSE, DAT_CIECOLOR}) {
        EXPECT_EQ(Call(DG_IMAGE, dat, MSG_GET, nullptr).rc, TWRC_SUCCESS) << dat;
    }
}

TEST(TransferOperations, ResponseTablesAreReadNoFurtherThanTheBitDepthAllows) {
    // Columns: bit depth, entries the table holds (2 to the power of the
    // depth, of which at most 16 are read). The sanitizer build catches a read
    // past the table.
    const std::pair<TW_UINT16, size_t> cases[] = {{1, 2}, {4, 16}, {8, 16}};
    for (const auto& [depth, entries] : cases) {
        CapabilityEnum16& depths = CapabilityState.bitDepth.current;
        depths.items[0] = depth;
        depths.numItems = 1;
        depths.currentIndex = 0;
        std::vector<TW_ELEMENT8> table(entries, TW_ELEMENT8{1, 2, 3, 4});
        for (TW_UINT16 dat : {DAT_GRAYRESPONSE, DAT_RGBRESPONSE}) {
            EXPECT_EQ(Call(DG_IMAGE, dat, MSG_SET, table.data()).rc, TWRC_SUCCESS) << depth;
        }
        EXPECT_EQ(table[0].Channel1, 2) << "nothing is written";
    }
}

TW_FIX32 Fix(double value) { return FloatToFix32(static_cast<float>(value)); }

TEST(ImageLayout, GetWithTheDialogShownDerivesTheFrameFromTheImage) {
    // Columns: X and Y resolution, width, length, expected right and bottom.
    struct Case {
        TW_INT16 xRes, yRes;
        TW_INT32 width, length;
        double right, bottom;
    };
    const Case cases[] = {
        {200, 200, 1696, 2200, 8.48, 11.0},
        {0, 0, 0, 0, 8.5, 11.0},  // before the first scan
        {300, 0, 2496, 3508, 8.32, 11.0},
    };
    ShowUIFlag = 1;
    ScanJob.pageNumber = 5;
    for (const Case& c : cases) {
        ImageInfoRecord.XResolution = TW_FIX32{c.xRes, 0};
        ImageInfoRecord.YResolution = TW_FIX32{c.yRes, 0};
        ImageInfoRecord.ImageWidth = c.width;
        ImageInfoRecord.ImageLength = c.length;
        TW_IMAGELAYOUT layout;
        std::memset(&layout, 0xEE, sizeof layout);
        ASSERT_EQ(Call(DG_IMAGE, DAT_IMAGELAYOUT, MSG_GET, &layout).rc, TWRC_SUCCESS);
        EXPECT_EQ(Fix32Bits(layout.Frame.Left), 0u);
        EXPECT_EQ(Fix32Bits(layout.Frame.Top), 0u);
        EXPECT_EQ(Fix32Bits(layout.Frame.Right), Fix32Bits(Fix(c.right))) << c.width;
        EXPECT_EQ(Fix32Bits(layout.Frame.Bottom), Fix32Bits(Fix(c.bottom))) << c.length;
        EXPECT_EQ(+layout.DocumentNumber, 1u);
        EXPECT_EQ(+layout.PageNumber, 5u);
        EXPECT_EQ(+layout.FrameNumber, 1u);
    }
}

TEST(ImageLayout, SetChecksTheFrameAndGetWithoutDialogReturnsIt) {
    MaxPageWidth = 216;
    MaxPageLength = 355;
    ShowUIFlag = 0;
    LayoutFrame = {TW_FIX32{0, 0}, TW_FIX32{0, 0}, TW_FIX32{8, 0x8000}, TW_FIX32{11, 0}};
    // Columns: left, top, right, bottom (TW_FIX32 whole and fraction), accepted.
    struct Case {
        TW_FIX32 left, top, right, bottom;
        bool accepted;
    };
    const Case cases[] = {
        {{0, 0}, {0, 0}, {8, 0x8000}, {11, 0}, true},     // 8.5 in is 215.9 mm
        {{0, 0}, {0, 0}, {2, 10836}, {11, 0}, false},     // 55 mm, just below the strict bound
        {{0, 0}, {0, 0}, {2, 10837}, {11, 0}, true},      // just above it
        {{0, 0}, {0, 0}, {8, 0}, {2, 49538}, false},      // 70 mm long, just below
        {{0, 0x8000}, {0, 0}, {8, 0}, {11, 0}, false},    // Left 0.5
        {{0, 0}, {1, 0}, {8, 0}, {11, 0}, false},         // Top 1
        {{0, 0}, {0, 0}, {8, 0x8200}, {11, 0}, false},    // wider than 216 mm
        {{0, 0}, {0, 0}, {4, 0}, {13, 0xF000}, true},     // 13.94 in, within 355 mm
        {{0, 0}, {0, 0}, {4, 0}, {14, 0}, false},         // 355.6 mm
    };
    for (const Case& c : cases) {
        const TW_FRAME before = LayoutFrame;
        TW_IMAGELAYOUT layout{};
        layout.Frame = {c.left, c.top, c.right, c.bottom};
        const Answer answer = Call(DG_IMAGE, DAT_IMAGELAYOUT, MSG_SET, &layout);
        SCOPED_TRACE(testing::Message() << c.right.Whole << "+" << c.right.Frac << " x "
                                        << c.bottom.Whole << "+" << c.bottom.Frac);
        if (c.accepted) {
            EXPECT_EQ(answer.rc, TWRC_SUCCESS);
            EXPECT_EQ(Fix32Bits(LayoutFrame.Right), Fix32Bits(c.right));
            EXPECT_EQ(Fix32Bits(LayoutFrame.Bottom), Fix32Bits(c.bottom));
        } else {
            EXPECT_EQ(answer.rc, TWRC_FAILURE);
            EXPECT_EQ(answer.cc, TWCC_BADVALUE);
            EXPECT_EQ(std::memcmp(&LayoutFrame, &before, sizeof before), 0);
        }
        TW_IMAGELAYOUT got{};
        ASSERT_EQ(Call(DG_IMAGE, DAT_IMAGELAYOUT, MSG_GET, &got).rc, TWRC_SUCCESS);
        EXPECT_EQ(std::memcmp(&got.Frame, &LayoutFrame, sizeof got.Frame), 0);
    }
}

}  // namespace
