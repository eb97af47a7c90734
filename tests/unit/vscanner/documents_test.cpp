// Sheets that carry image files, the imprinter's printing, and the window's
// image bytes on their way from SET WINDOW into the rendered page: all through
// scenario files and the scanner's SCSI commands.
#include <gtest/gtest.h>

#include <png.h>
#include <tiffio.h>

#include <cstring>
#include <filesystem>

#include "vscanner/imprinter.h"
#include "vscanner/scenario_file.h"
#include "vscanner/vs_os.h"
#include "vscanner_client.h"

using namespace vstest;

namespace {

constexpr uint8_t kTarget = 2;

std::string Directory() { return vscan::ScenarioDirectory(); }

std::string PathOf(const std::string& name) { return Directory() + "/" + name; }

// A gray PNG without a recorded resolution (so read as 300 dpi).
void WritePng(const std::string& name, uint32_t width, uint32_t height,
              const std::function<uint8_t(uint32_t, uint32_t)>& level) {
    std::vector<uint8_t> pixels;
    for (uint32_t y = 0; y < height; ++y)
        for (uint32_t x = 0; x < width; ++x) pixels.push_back(level(x, y));
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = width;
    image.height = height;
    image.format = PNG_FORMAT_GRAY;
    ASSERT_NE(png_image_write_to_file(&image, PathOf(name).c_str(), 0, pixels.data(), 0, nullptr), 0);
}

// A TIFF of flat gray pages at 100 dpi, one page per level.
void WriteTiff(const std::string& name, uint32_t width, uint32_t height, std::vector<uint8_t> levels) {
    TIFF* tiff = TIFFOpen(PathOf(name).c_str(), "w");
    ASSERT_NE(tiff, nullptr);
    for (uint8_t level : levels) {
        TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, width);
        TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, height);
        TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, 8);
        TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, 1);
        TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISBLACK);
        TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP, height);
        TIFFSetField(tiff, TIFFTAG_XRESOLUTION, 100.0);
        TIFFSetField(tiff, TIFFTAG_YRESOLUTION, 100.0);
        TIFFSetField(tiff, TIFFTAG_RESOLUTIONUNIT, RESUNIT_INCH);
        std::vector<uint8_t> row(width, level);
        for (uint32_t y = 0; y < height; ++y) TIFFWriteScanline(tiff, row.data(), y, 0);
        TIFFWriteDirectory(tiff);
    }
    TIFFClose(tiff);
}

void WriteText(const std::string& name, const std::string& text) {
    FILE* file = std::fopen(PathOf(name).c_str(), "wb");
    ASSERT_NE(file, nullptr);
    std::fwrite(text.data(), 1, text.size(), file);
    std::fclose(file);
}

std::string ScannerScenario(const std::string& model, const std::string& deviceKeys) {
    return "[Device1]\nModel=" + model + "\nTarget=" + std::to_string(kTarget) + "\n" + deviceKeys;
}

vscan::Scenario Parse(const std::string& text) {
    vscan::Scenario scenario;
    std::string error;
    EXPECT_TRUE(vscan::ParseScenario(text, scenario, error, Directory())) << error;
    return scenario;
}

// The whole page of `sheet`'s side, read until EOM.
std::vector<uint8_t> ReadPage(uint8_t sheet, uint8_t side, uint32_t size) {
    const Reply reply = Exec(0, kTarget, ReadCdb(sheet, side, size + 2), {}, size + 2);
    EXPECT_EQ(reply.senseByte2, 0x40) << "EOM";
    EXPECT_EQ(reply.residue, 2u);
    return {reply.data.begin(), reply.data.begin() + size};
}

}  // namespace

TEST(VScannerDocuments, PngDocumentComesBackAtAnotherResolution) {
    // 300 by 240 pixels at 300 dpi (1 by 0.8 inch), a black box from 0.2 to
    // 0.6 inch across and 0.1 to 0.3 inch down.
    WritePng("box.png", 300, 240, [](uint32_t x, uint32_t y) {
        return uint8_t(x >= 60 && x < 180 && y >= 30 && y < 90 ? 0 : 255);
    });
    vscan::InstallScenario(Parse(ScannerScenario("ZR-DX961", "Hopper=@box.png,Letter\n")));
    EXPECT_EQ(Exec(0, kTarget, Cdb10(0x28, 0x81, 0, 6), {}, 6).data[0], 0x20 | 15) << "no standard size";

    WindowFields fields;
    fields.resolution = 200;
    fields.width = 1728;  // 288 pixels: wider than the 1-inch sheet
    fields.length = 960;
    fields.composition = 2;
    fields.bitsPerPixel = 8;
    ASSERT_EQ(Exec(0, kTarget, SetWindowCdb(), WindowList(fields)).status, SS_COMP);
    const std::vector<uint8_t> page = ReadPage(0, 0x00, 288 * 160);
    for (uint32_t y = 0; y < 160; ++y) {
        for (uint32_t x = 0; x < 288; ++x) {
            const bool box = x >= 40 && x < 120 && y >= 20 && y < 60;
            ASSERT_EQ(page[y * 288 + x], box ? 0 : 255) << x << "," << y;
        }
    }
}

TEST(VScannerDocuments, TiffPagesFeedOneSheetEachFrontAndBack) {
    WriteTiff("pages.tif", 100, 150, {30, 130, 230});
    WritePng("back.png", 30, 30, [](uint32_t, uint32_t) { return uint8_t{90}; });
    const vscan::Scenario scenario =
        Parse(ScannerScenario("ZR-DX961", "Hopper=@pages.tif,A4@pages.tif#3|back.png\nManualFeed=@pages.tif#2\n"));
    const vscan::DeviceSetup& device = scenario.devices.at(0);
    ASSERT_EQ(device.hopper.size(), 4u);
    ASSERT_EQ(device.manualSheets.size(), 1u);
    struct Expect {
        const vscan::SheetSetup& sheet;
        uint32_t width, length;
        uint8_t front;
        uint8_t back;
    };
    const Expect expects[] = {
        {device.hopper[0], 1200, 1800, 30, 255},  // no back image: a blank back
        {device.hopper[1], 1200, 1800, 130, 255},
        {device.hopper[2], 1200, 1800, 230, 255},
        {device.hopper[3], 9922, 14032, 230, 90},  // A4: the page stretched over it
        {device.manualSheets[0], 1200, 1800, 130, 255},
    };
    for (const Expect& e : expects) {
        EXPECT_EQ(e.sheet.width, e.width);
        EXPECT_EQ(e.sheet.length, e.length);
        vscan::WindowState window = WindowStateOf(WindowFields{});
        window.composition = 2;
        window.bitsPerPixel = 8;
        window.width = 1200;
        window.length = 1200;
        const std::vector<uint8_t> front = vscan::ExpectedPage("ZR-DX961", window, 0, e.sheet, 0x00);
        EXPECT_EQ(front.at(front.size() / 2), e.front);
        window.id = 0x80;
        const std::vector<uint8_t> back = vscan::ExpectedPage("ZR-DX961", window, 0, e.sheet, 0x80);
        for (const uint8_t level : back) ASSERT_EQ(level, e.back);
    }
    EXPECT_EQ(device.hopper[3].frontFile, PathOf("pages.tif") + "#3");
    EXPECT_EQ(device.hopper[3].backFile, PathOf("back.png") + "#1");

    // The scenario's text names the files, so it reads back to the same sheets.
    const vscan::Scenario again = Parse(vscan::FormatScenario(scenario));
    ASSERT_EQ(again.devices.at(0).hopper.size(), 4u);
    for (size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(again.devices[0].hopper[i].frontFile, device.hopper[i].frontFile);
        EXPECT_EQ(again.devices[0].hopper[i].backFile, device.hopper[i].backFile);
        EXPECT_EQ(again.devices[0].hopper[i].width, device.hopper[i].width);
        EXPECT_EQ(again.devices[0].hopper[i].paperSizeCode, device.hopper[i].paperSizeCode);
    }
}

TEST(VScannerDocuments, ImageFilesThatCannotBeUsedAreNamedInTheError) {
    WriteTiff("three.tif", 10, 10, {1, 2, 3});
    WriteText("notes.png", "not an image at all");
    WritePng("whole.png", 20, 20, [](uint32_t, uint32_t) { return uint8_t{128}; });
    std::string truncated;
    {
        FILE* file = std::fopen(PathOf("whole.png").c_str(), "rb");
        ASSERT_NE(file, nullptr);
        char buffer[4096];
        truncated.assign(buffer, std::fread(buffer, 1, sizeof buffer, file));
        std::fclose(file);
    }
    WriteText("cut.png", truncated.substr(0, truncated.size() / 2));
    struct Case {
        const char* hopper;
        const char* mentions;
    };
    const Case cases[] = {
        {"@missing.png", "missing.png\": cannot be opened"},
        {"@notes.png", "notes.png\": is neither a PNG nor a TIFF file"},
        {"@/dev/null", "/dev/null\": is not a regular file"},
        {"@cut.png", "cut.png\""},
        {"@three.tif#4", "three.tif\": has 3 page(s), not page 4"},
        {"@three.tif#x", "three.tif\": bad page number"},
        {"Letter@", "names no file"},
        {"@whole.png|whole.png|whole.png", "at most one back image"},
    };
    for (const Case& c : cases) {
        vscan::Scenario scenario;
        std::string error;
        EXPECT_FALSE(vscan::ParseScenario(ScannerScenario("ZR-DX961", std::string("Hopper=") + c.hopper + "\n"),
                                          scenario, error, Directory()))
            << c.hopper;
        EXPECT_NE(error.find("line 4: "), std::string::npos) << error;
        EXPECT_NE(error.find(c.mentions), std::string::npos) << error << " / " << c.hopper;
    }
}

TEST(VScannerDocuments, ImprinterPrintsItsTextWithTheCounterAdvancingByTheStep) {
    vscan::InstallScenario(Parse(ScannerScenario(
        "ZR-DX961s", "Hopper=Letter,Letter,Letter\nClock=2026-12-08 09:30:05\n")));
    WindowFields fields;  // 1 inch wide, 8-bit gray at 300 dpi
    fields.width = 1200;
    fields.length = 13200;
    fields.composition = 2;
    fields.bitsPerPixel = 8;
    ASSERT_EQ(Exec(0, kTarget, SetWindowCdb(), WindowList(fields)).status, SS_COMP);
    // Offset 10 mm; "No.", the counter from 5 by 3, " ", %2d, " ", %2t.
    std::vector<uint8_t> data = {10, 0, 0, 0, 0, 0, 0, 'N', 'o', '.', 0x1B, 0x00};
    for (char c : std::string("00000053")) data.push_back(static_cast<uint8_t>(c));
    for (uint8_t byte : {uint8_t{' '}, uint8_t{0x1B}, uint8_t{0x11}, uint8_t{' '}, uint8_t{0x1B}, uint8_t{0x21}})
        data.push_back(byte);
    ASSERT_EQ(Exec(0, kTarget, Cdb10(0xE4, 0, 0, static_cast<uint32_t>(data.size())), data).status, SS_COMP);

    // Reads the line back dot by dot: each character a quarter turn clockwise,
    // running down the page from the offset.
    const uint32_t offset = 10 * 12000 / 254;
    auto readText = [&](const std::vector<uint8_t>& page, size_t count) {
        std::string text;
        for (size_t k = 0; k < count; ++k) {
            uint8_t columns[vscan::kFontColumns] = {};
            for (uint32_t column = 0; column < vscan::kFontColumns; ++column) {
                for (uint32_t row = 0; row < vscan::kFontRows; ++row) {
                    const uint32_t y = offset + static_cast<uint32_t>(k) * vscan::kImprintAdvance +
                                       column * vscan::kImprintDot + vscan::kImprintDot / 2;
                    const uint32_t x = vscan::kImprintHeadX +
                                       (static_cast<uint32_t>(vscan::kFontRows) - row) * vscan::kImprintDot -
                                       vscan::kImprintDot / 2;
                    if (page[(y / 4) * 300 + x / 4] < 8) columns[column] |= static_cast<uint8_t>(1u << row);
                }
            }
            char found = '?';
            for (size_t glyph = 0; glyph < vscan::kFontGlyphCount; ++glyph)
                if (std::memcmp(vscan::kFont5x7[glyph], columns, sizeof columns) == 0)
                    found = static_cast<char>(vscan::kFontFirst + glyph);
            text += found;
        }
        return text;
    };
    const uint32_t size = 300 * 3300;
    EXPECT_EQ(readText(ReadPage(0, 0x00, size), 32), "No.0000005 2026/12/08 09:30:05  ");
    const std::vector<uint8_t> second = ReadPage(1, 0x00, size);
    EXPECT_EQ(readText(second, 30), "No.0000008 2026/12/08 09:30:05");
    EXPECT_TRUE(vscan::ExpectedPage(*vscan::DeviceSnapshot(0, kTarget), 0x00) == second);

    // The next batch sends no imprinter data: nothing is printed.
    ASSERT_EQ(Exec(0, kTarget, SetWindowCdb(0)).status, SS_COMP);
    ASSERT_EQ(Exec(0, kTarget, SetWindowCdb(), WindowList(fields)).status, SS_COMP);
    EXPECT_EQ(readText(ReadPage(0, 0x00, size), 3), "   ");
}

TEST(VScannerDocuments, WindowImageBytesReachTheRenderedPage) {
    vscan::InstallScenario(Parse(ScannerScenario("ZR-DX961", "Hopper=Letter\n")));
    WindowFields fields;
    fields.width = 2400;
    fields.length = 2400;
    fields.composition = 1;
    std::vector<uint8_t> list = WindowList(fields);
    list[30] = 90;     // brightness
    list[31] = 100;    // threshold
    list[32] = 200;    // contrast
    list[36] = 3;      // halftone: dot 64
    list[37] = 0x80;   // reverse
    list[50] = 0x80;   // mirror
    list[51] = 0x30;   // emphasis: medium
    list[52] = 1;      // gamma: CRT
    list[66] = 0x80;   // automatic threshold
    list[68] = 0x80;   // white level from the paper
    list[69] = 2;      // noise reduction
    ASSERT_EQ(Exec(0, kTarget, SetWindowCdb(), WindowList(fields)).status, SS_COMP);
    ASSERT_EQ(Exec(0, kTarget, SetWindowCdb(), list).status, SS_COMP);
    ASSERT_EQ(Exec(0, kTarget, SubAreaCdb(), SubAreaList(0x00, 120, 240, 600, 600, 1)).status, SS_COMP);
    const std::vector<uint8_t> delivered = ReadPage(0, 0x00, 75 * 600);

    vscan::PageRequest expected;
    expected.composition = 1;
    expected.pixelsPerLine = 600;
    expected.lines = 600;
    expected.brightness = 90;
    expected.threshold = 100;
    expected.contrast = 200;
    expected.halftonePattern = 3;
    expected.reverse = true;
    expected.mirror = true;
    expected.emphasis = 0x30;
    expected.gamma = 1;
    expected.autoThreshold = 0x80;
    expected.whiteLevel = 0x80;
    expected.noiseReduction = 2;
    expected.subAreas[0] = vscan::AreaRect{120, 240, 600, 600};
    expected.subAreaComposition = 1;
    const std::vector<uint8_t> page = vscan::SynthesizePage(expected);
    EXPECT_TRUE(delivered == page);
    EXPECT_TRUE(vscan::ExpectedPage(*vscan::DeviceSnapshot(0, kTarget), 0x00) == page);
    expected.halftonePattern = 0;
    EXPECT_FALSE(vscan::SynthesizePage(expected) == page) << "the bytes make a difference";
}

TEST(VScannerDocuments, RepeatedPagesAreDrawnOnceAndCopied) {
    for (const bool repeat : {false, true}) {
        vscan::InstallScenario(Parse(ScannerScenario(
            "ZR-DX961", std::string("Hopper=Letter,Letter,Letter\nRepeatPages=") + (repeat ? "ON" : "OFF") + "\n")));
        WindowFields fields;
        fields.width = 2400;
        fields.length = 2400;
        ASSERT_EQ(Exec(0, kTarget, SetWindowCdb(), WindowList(fields)).status, SS_COMP);
        const std::vector<uint8_t> first = ReadPage(0, 0x00, 75 * 600);
        EXPECT_EQ(first, vscan::ExpectedPage("ZR-DX961", WindowStateOf(fields), 0, vscan::MakeSheet("Letter"), 0x00));
        for (uint8_t sheet = 1; sheet < 3; ++sheet)
            EXPECT_EQ(ReadPage(sheet, 0x00, 75 * 600) == first, repeat) << int{sheet};
        EXPECT_EQ(vscan::DeviceSnapshot(0, kTarget)->scanner.drawnPages.size(), repeat ? 1u : 0u);
    }
}
