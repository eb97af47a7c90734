// Memory transfer: strips against the virtual scanner's page, native and
// memory transfer delivering the same pixels, buffers of every kind and size,
// CCITT strips decoded by libtiff, and a scanner that never ends its page.
#include <gtest/gtest.h>

#include <tiffio.h>

#include <cstring>

#include "platform/host/host_hooks.h"
#include "scanner/discovery.h"
#include "tests/support/fake_aspi.h"
#include "tests/unit/transfer/transfer_fixture.h"
#include "settings/capability_state.h"
#include "transfer/memory_transfer.h"
#include "transfer/progress_dialog.h"
#include "transfer/scan_job.h"
#include "twain/dispatch.h"
#include "twain/source_state.h"
#include "vscanner/tiff_memory.h"

namespace trtest {
namespace {

using MemoryTransfer = TransferTest;

Bytes Concatenate(const std::vector<Strip>& strips) {
    Bytes all;
    for (const Strip& strip : strips) all.insert(all.end(), strip.bytes.begin(), strip.bytes.end());
    return all;
}

PageSetup Gray1728() {
    PageSetup setup;
    setup.width = 10368;  // 1728 pixels at 200 dpi
    setup.composition = 2;
    setup.bitsPerPixel = 8;
    return setup;
}

TEST_F(MemoryTransfer, StripsOfWholeLinesInAnyBufferKind) {
    // Columns: buffer length, flags. Every buffer gets the same strips.
    const std::pair<uint32_t, TW_UINT32> buffers[] = {
        {32768, TWMF_APPOWNS | TWMF_POINTER},
        {65536, TWMF_APPOWNS | TWMF_POINTER},
        {32768, TWMF_APPOWNS | TWMF_HANDLE},
    };
    for (const auto& [length, flags] : buffers) {
        SCOPED_TRACE(testing::Message() << length << " flags " << flags);
        Start(Gray1728());
        ASSERT_EQ(ImageGeometry.lines, 2200u);
        std::vector<Strip> strips;
        do {
            strips.push_back(MemoryStrip(length, flags));
            EXPECT_EQ(SourceState, kStateTransferring);
        } while (strips.back().answer.rc == TWRC_SUCCESS && strips.size() < 200);
        ASSERT_EQ(strips.size(), 123u);  // 122 strips of 18 lines, then 4 lines
        for (size_t i = 0; i < strips.size(); ++i) {
            const TW_IMAGEMEMXFER& x = strips[i].xfer;
            const uint32_t rows = i + 1 < strips.size() ? 18 : 4;
            EXPECT_EQ(strips[i].answer.rc, i + 1 < strips.size() ? TWRC_SUCCESS : TWRC_XFERDONE) << i;
            EXPECT_EQ(+x.Memory.Length, 32768u);
            EXPECT_EQ(+x.Compression, TWCP_NONE);
            EXPECT_EQ(+x.BytesPerRow, 1728u);
            EXPECT_EQ(+x.Columns, 1728u);
            EXPECT_EQ(+x.Rows, rows) << i;
            EXPECT_EQ(+x.XOffset, 0u);
            EXPECT_EQ(+x.YOffset, 18u * i) << i;
            EXPECT_EQ(+x.BytesWritten, rows * 1728) << i;
        }
        // Generation 8, TWPF_CHOCOLATE: gray is copied as the scanner sends it.
        EXPECT_EQ(Concatenate(strips), ScannerPage(0, 0));
        EXPECT_EQ(ScanJob.pagesTransferred, 1u);
        NextCase();
    }
}

TEST_F(MemoryTransfer, SamePixelsAsTheNativeTransfer) {
    // Columns: composition, bits per pixel, model.
    const std::tuple<uint8_t, uint8_t, const char*> cases[] = {
        {0, 1, "ZR-DX961"}, {2, 4, "ZR-DX83"}, {2, 8, "ZR-DX83"}};
    for (const auto& [composition, bits, model] : cases) {
        PageSetup setup;
        setup.model = model;
        setup.composition = composition;
        setup.bitsPerPixel = bits;
        setup.width = 9984;
        setup.length = 6000;
        Start(setup);
        Bytes bitmap;
        ASSERT_EQ(Native(&bitmap).rc, TWRC_XFERDONE);
        const std::vector<Bytes> rows = BitmapRowsTopDown(bitmap, ImageGeometry.bytesPerLine);
        NextCase();

        Start(setup);
        const std::vector<Strip> strips = MemoryPage(20000);
        ASSERT_EQ(strips.back().answer.rc, TWRC_XFERDONE);
        Bytes native;
        for (const Bytes& row : rows) native.insert(native.end(), row.begin(), row.end());
        EXPECT_EQ(Concatenate(strips), native) << int(composition) << "/" << int(bits);
        NextCase();
    }
}

TEST_F(MemoryTransfer, PageOfWholeStripsEndsWithAnEmptyStrip) {
    PageSetup setup = Gray1728();
    setup.length = 216;  // 36 lines: two full strips
    Start(setup);
    vscan::ClearCommandLog();
    const std::vector<Strip> strips = MemoryPage(32768);
    ASSERT_EQ(strips.size(), 3u);
    EXPECT_EQ(strips[2].answer.rc, TWRC_XFERDONE);
    EXPECT_EQ(+strips[2].xfer.Rows, 0u);
    EXPECT_EQ(+strips[2].xfer.YOffset, 36u);
    EXPECT_EQ(+strips[2].xfer.BytesWritten, 0u);
    const auto log = vscan::CommandLog();
    ASSERT_EQ(log.size(), 3u);
    EXPECT_EQ(log[2].cdb[8], 2) << "the last READ asks for the 2 spare bytes";
    EXPECT_EQ(log[2].senseKey, 0x40);
}

TEST_F(MemoryTransfer, BuffersThatCannotHoldAStripAreRefusedWithoutReading) {
    // Columns: compression, buffer length, flags, block behind a handle,
    // condition code (0: accepted).
    struct Case {
        uint8_t compression;
        uint32_t length;
        TW_UINT32 flags;
        uint32_t blockSize;
        TW_UINT16 cc;
    };
    const Case cases[] = {
        {0, 1729, TWMF_POINTER, 0, TWCC_BADVALUE},  // one line of 1728 needs 1730
        {0, 0, TWMF_POINTER, 0, TWCC_BADVALUE},
        {0, 1730, TWMF_POINTER, 0, 0},
        {3, 1, TWMF_POINTER, 0, TWCC_BADVALUE},
        {3, 2, TWMF_POINTER, 0, 0},
        {0, 32768, TWMF_APPOWNS, 0, TWCC_BUMMER},  // neither a handle nor a pointer
        {0, 1730, TWMF_HANDLE, 1729, TWCC_BUMMER},  // Length claims more than the block
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << int(c.compression) << " " << c.length);
        PageSetup setup = Gray1728();
        if (c.compression != 0) {
            setup.composition = 0;
            setup.bitsPerPixel = 1;
            setup.compression = c.compression;
        }
        Start(setup);
        vscan::ClearCommandLog();
        const Strip strip = MemoryStrip(c.length, c.flags, c.blockSize);
        if (c.cc != 0) {
            EXPECT_EQ(strip.answer.rc, TWRC_FAILURE);
            EXPECT_EQ(strip.answer.cc, c.cc);
            EXPECT_TRUE(vscan::CommandLog().empty()) << "nothing read";
            EXPECT_EQ(SourceState, kStateXferReady);
            EXPECT_TRUE(TakeMessages().empty());
            // Nothing was lost: a proper buffer gets the page from its top.
            const Strip next = MemoryStrip(32768);
            EXPECT_NE(next.answer.rc, TWRC_FAILURE);
            EXPECT_EQ(+next.xfer.YOffset, c.compression != 0 ? 0xFFFFFFFFu : 0u);
        } else {
            EXPECT_EQ(strip.answer.rc, TWRC_SUCCESS);
            EXPECT_EQ(+strip.xfer.BytesWritten, c.compression != 0 ? 2u : 1728u);
        }
        NextCase();
    }
}

// Wraps the coded page into a one-strip TIFF, as an application would, and
// decodes it into the scanner's convention (leftmost pixel in bit 0, 1 black).
Bytes DecodeWithLibtiff(const Bytes& coded, uint8_t compression, uint32_t pixels, uint32_t lines) {
    vscan::MemoryTiffFile file;
    TIFF* out = vscan::OpenMemoryTiff(file, "w");
    if (out == nullptr) return {};
    TIFFSetField(out, TIFFTAG_IMAGEWIDTH, pixels);
    TIFFSetField(out, TIFFTAG_IMAGELENGTH, lines);
    TIFFSetField(out, TIFFTAG_BITSPERSAMPLE, 1);
    TIFFSetField(out, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISWHITE);
    TIFFSetField(out, TIFFTAG_FILLORDER, FILLORDER_MSB2LSB);
    TIFFSetField(out, TIFFTAG_ROWSPERSTRIP, lines);
    if (compression == 3) {
        TIFFSetField(out, TIFFTAG_COMPRESSION, COMPRESSION_CCITTFAX4);
    } else {
        TIFFSetField(out, TIFFTAG_COMPRESSION, COMPRESSION_CCITTFAX3);
        TIFFSetField(out, TIFFTAG_GROUP3OPTIONS, compression == 2 ? GROUP3OPT_2DENCODING : 0);
    }
    Bytes raw = coded;
    TIFFWriteRawStrip(out, 0, raw.data(), static_cast<tmsize_t>(raw.size()));
    TIFFClose(out);
    TIFF* in = vscan::OpenMemoryTiff(file, "r");
    if (in == nullptr) return {};
    const uint32_t perLine = (pixels + 7) / 8;
    Bytes page(size_t{perLine} * lines);
    for (uint32_t line = 0; line < lines; ++line) {
        if (TIFFReadScanline(in, page.data() + size_t{line} * perLine, line, 0) < 0) break;
    }
    TIFFClose(in);
    return Transform(page, ReverseBits);
}

TEST_F(MemoryTransfer, CcittStripsCarryTheCodedPageUnchanged) {
    for (uint8_t compression : {uint8_t{1}, uint8_t{2}, uint8_t{3}}) {
        SCOPED_TRACE(int(compression));
        PageSetup setup;  // 1700 x 2200 black and white
        setup.compression = compression;
        setup.indicators = true;
        Start(setup);
        const std::vector<Strip> strips = MemoryPage(16384);
        ASSERT_EQ(strips.back().answer.rc, TWRC_XFERDONE);
        for (const Strip& strip : strips) {
            EXPECT_EQ(+strip.xfer.Compression, TWCP_GROUP31DEOL + compression - 1);
            EXPECT_EQ(+strip.xfer.BytesPerRow, 0u);
            for (TW_UINT32 field : {strip.xfer.Columns, strip.xfer.Rows, strip.xfer.XOffset,
                                    strip.xfer.YOffset}) {
                EXPECT_EQ(field, TWON_DONTCARE32);
            }
        }
        const Bytes coded = Concatenate(strips);
        EXPECT_EQ(coded, ScannerPage(0, 0)) << "the scanner's coded bytes, nothing added";
        vscan::WindowState plain = window_[0];
        plain.compression = 0;
        const Bytes page = vscan::ExpectedPage(setup.model, plain, 0, vscan::MakeSheet("Letter"), 0);
        EXPECT_TRUE(DecodeWithLibtiff(coded, compression, 1700, 2200) == page);
        EXPECT_EQ(ScanJob.pagesTransferred, 1u);
        EXPECT_EQ(ProgressPercentage, 100);
        NextCase();
    }
}

// A scanner that answers every READ with success, past the end of the page:
// the scripted manager stands in for it.
class EndlessScanner : public ::testing::Test {
protected:
    void SetUp() override {
        TW_IDENTITY source{};
        DS_Entry(nullptr, DG_CONTROL, DAT_IDENTITY, MSG_GET, &source);
        source.Id = 3;
        ASSERT_EQ(DS_Entry(&app_, DG_CONTROL, DAT_IDENTITY, MSG_OPENDS, &source), TWRC_SUCCESS);
        ImageGeometry = {800, 10, 100, 1002, 1002};
        SourceState = kStateXferReady;
        fake_aspi::ClearRequests();
    }
    void TearDown() override { DS_Entry(&app_, DG_CONTROL, DAT_IDENTITY, MSG_CLOSEDS, nullptr); }

    TW_UINT16 Call(TW_UINT16 dat, void* data) {
        return DS_Entry(&app_, DG_IMAGE, dat, MSG_GET, data);
    }
    static size_t Reads() {
        size_t reads = 0;
        for (const auto& r : fake_aspi::ScsiRequests()) reads += r.cdb[0] == 0x28 ? 1 : 0;
        return reads;
    }

    TW_IDENTITY app_{7, {}, 0, 0, 0, {}, {}, {}};
};

TEST_F(EndlessScanner, NativeTransferStopsAfterOneEmptyRead) {
    plat::MemHandle handle = nullptr;
    EXPECT_EQ(Call(DAT_IMAGENATIVEXFER, &handle), TWRC_FAILURE);
    EXPECT_EQ(ConditionCode, TWCC_BUMMER);
    EXPECT_EQ(handle, nullptr);
    EXPECT_EQ(Reads(), 2u) << "the page, then one READ of length 0";
    EXPECT_EQ(ScanJob.feederEmpty, 1);
}

TEST_F(EndlessScanner, MemoryTransferStopsAtTheFirstStripPastThePage) {
    Bytes buffer(32768);
    TW_IMAGEMEMXFER xfer{};
    xfer.Memory = {TWMF_APPOWNS | TWMF_POINTER, 32768, buffer.data()};
    EXPECT_EQ(Call(DAT_IMAGEMEMXFER, &xfer), TWRC_SUCCESS);
    EXPECT_EQ(+xfer.Rows, 10u);
    EXPECT_EQ(Call(DAT_IMAGEMEMXFER, &xfer), TWRC_FAILURE);
    EXPECT_EQ(ConditionCode, TWCC_BUMMER);
    EXPECT_EQ(Reads(), 2u);
    EXPECT_EQ(ScanJob.feederEmpty, 1);
}

TEST_F(EndlessScanner, CompressedStripsStopBeyondAnyCodedSize) {
    CapabilityEnum16& compression = CapabilityState.compression.current;
    compression.items[0] = TWCP_GROUP4;
    compression.numItems = 1;
    compression.currentIndex = 0;
    Bytes buffer(1000);
    TW_IMAGEMEMXFER xfer{};
    TW_UINT16 rc = TWRC_SUCCESS;
    int strips = 0;
    for (; rc == TWRC_SUCCESS && strips < 100; ++strips) {
        xfer.Memory = {TWMF_APPOWNS | TWMF_POINTER, 1000, buffer.data()};
        rc = Call(DAT_IMAGEMEMXFER, &xfer);
    }
    EXPECT_EQ(rc, TWRC_FAILURE);
    // More than 8 x 1002 coded bytes, at 1000 a strip.
    EXPECT_EQ(strips, 9);
}

}  // namespace
}  // namespace trtest
