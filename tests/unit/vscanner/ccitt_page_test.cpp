// Compressed pages: what a compressed window's READs deliver, wrapped into a
// TIFF with the options docs/virtual-scanner.md names and decoded by libtiff,
// is the uncompressed page of the same window; the page ends (EOM) after the
// last coded byte.
#include <gtest/gtest.h>

#include <tiffio.h>

#include "vscanner/ccitt_coder.h"
#include "vscanner/tiff_memory.h"
#include "vscanner_client.h"

using namespace vstest;

namespace {

constexpr uint8_t kHa = 0;
constexpr uint8_t kTarget = 3;

uint8_t ReverseBits(uint8_t value) {
    uint8_t reversed = 0;
    for (int bit = 0; bit < 8; ++bit) reversed = static_cast<uint8_t>(reversed | ((value >> bit) & 1) << (7 - bit));
    return reversed;
}

// READs of 32768 bytes until EOM, as the source's memory transfer makes them.
std::vector<uint8_t> ReadToEndOfMedium() {
    std::vector<uint8_t> page;
    for (int reads = 0; reads < 10000; ++reads) {
        const Reply reply = Exec(kHa, kTarget, ReadCdb(0, 0x00, 32768), {}, 32768);
        const uint32_t delivered = 32768 - reply.residue;
        page.insert(page.end(), reply.data.begin(), reply.data.begin() + delivered);
        if (reply.status == SS_COMP) continue;
        EXPECT_EQ(reply.senseByte2, 0x40) << "the page ends with EOM";
        return page;
    }
    ADD_FAILURE() << "no EOM";
    return page;
}

// Wraps the coded page into a one-strip TIFF, as an application would, and
// decodes it into the scanner's bi-level convention (bit 0 leftmost, 1 black).
std::vector<uint8_t> DecodeWithLibtiff(const std::vector<uint8_t>& coded, uint8_t compression,
                                       uint32_t pixels, uint32_t lines) {
    vscan::MemoryTiffFile file;
    TIFF* out = vscan::OpenMemoryTiff(file, "w");
    if (out == nullptr) return {};
    TIFFSetField(out, TIFFTAG_IMAGEWIDTH, pixels);
    TIFFSetField(out, TIFFTAG_IMAGELENGTH, lines);
    TIFFSetField(out, TIFFTAG_BITSPERSAMPLE, 1);
    TIFFSetField(out, TIFFTAG_SAMPLESPERPIXEL, 1);
    TIFFSetField(out, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISWHITE);
    TIFFSetField(out, TIFFTAG_FILLORDER, FILLORDER_MSB2LSB);
    TIFFSetField(out, TIFFTAG_ROWSPERSTRIP, lines);
    if (compression == vscan::kCompressionGroup4) {
        TIFFSetField(out, TIFFTAG_COMPRESSION, COMPRESSION_CCITTFAX4);
        TIFFSetField(out, TIFFTAG_GROUP4OPTIONS, 0);
    } else {
        TIFFSetField(out, TIFFTAG_COMPRESSION, COMPRESSION_CCITTFAX3);
        TIFFSetField(out, TIFFTAG_GROUP3OPTIONS,
                     compression == vscan::kCompressionGroup3TwoD ? GROUP3OPT_2DENCODING : 0);
    }
    std::vector<uint8_t> raw = coded;
    TIFFWriteRawStrip(out, 0, raw.data(), static_cast<tmsize_t>(raw.size()));
    TIFFClose(out);

    TIFF* in = vscan::OpenMemoryTiff(file, "r");
    if (in == nullptr) return {};
    const uint32_t perLine = (pixels + 7) / 8;
    std::vector<uint8_t> page(static_cast<size_t>(perLine) * lines);
    for (uint32_t line = 0; line < lines; ++line) {
        if (TIFFReadScanline(in, page.data() + static_cast<size_t>(line) * perLine, line, 0) < 0) {
            ADD_FAILURE() << "line " << line << ": " << file.error;
            break;
        }
    }
    TIFFClose(in);
    for (uint8_t& byte : page) byte = ReverseBits(byte);
    return page;
}

}  // namespace

TEST(VScannerCcitt, CodedPagesDecodeToTheUncompressedPage) {
    struct Case {
        const char* what;
        uint8_t compression, argument, composition, reverse;
        uint16_t resolution;
        uint32_t width;  // 1/1200 inch
    };
    const Case cases[] = {
        {"G3 1D, Letter width at 200 dpi", 1, 0, 0, 0, 200, 10176},
        {"G3 2D, K 1", 2, 1, 0, 0, 300, 9984},
        {"G3 2D, K 2", 2, 2, 0, 0, 200, 10176},
        {"G3 2D, K 4", 2, 4, 0, 0, 400, 9920},
        {"G3 2D, K 7 codes as K 4", 2, 7, 0, 0, 300, 9984},
        {"G4", 3, 0, 0, 0, 300, 9984},
        {"G4, reversed before coding", 3, 0, 0, 0x80, 300, 9984},
        {"G4, halftone, width not a whole byte", 3, 0, 1, 0, 150, 9992},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        vscan::Scenario scenario;
        vscan::DeviceSetup scanner = vscan::MakeScanner("ZR-DX961", kHa, kTarget);
        scanner.hopper = {vscan::MakeSheet("Letter")};
        scenario.devices.push_back(scanner);
        vscan::InstallScenario(scenario);

        WindowFields fields;
        fields.id = 0x00;
        fields.resolution = c.resolution;
        fields.width = c.width;
        fields.length = 13200;
        fields.composition = c.composition;
        fields.compression = c.compression;
        fields.compressionArgument = c.argument;
        fields.reverse = c.reverse;
        ASSERT_EQ(Exec(kHa, kTarget, SetWindowCdb(), WindowList(fields)).status, SS_COMP);
        const std::vector<uint8_t> coded = ReadToEndOfMedium();

        WindowFields plain = fields;
        plain.compression = 0;
        const std::vector<uint8_t> expected =
            vscan::ExpectedPage("ZR-DX961", WindowStateOf(plain), 0, vscan::MakeSheet("Letter"), 0x00);
        uint32_t pixels = 0, lines = 0;
        vscan::ImageSizeFromWindow(WindowStateOf(plain), pixels, lines);
        ASSERT_FALSE(expected.empty());
        if (c.composition == 0) {
            EXPECT_LT(coded.size(), expected.size() / 4) << "the page is coded, not sent raw";
        }
        EXPECT_EQ(coded, vscan::ExpectedPage("ZR-DX961", WindowStateOf(fields), 0,
                                             vscan::MakeSheet("Letter"), 0x00));
        EXPECT_TRUE(DecodeWithLibtiff(coded, c.compression, pixels, lines) == expected);
    }
}
