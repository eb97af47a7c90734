// The scan window as the scanner receives it: the SET WINDOW and sub-area
// parameter lists that BuildScanWindow and StartScan send for the page sizes,
// caps, levels and areas of the settings, and for a scan without dialog.
#include <cstring>

#include "scanner/scan_window.h"
#include "scanner/scan_window_builder.h"
#include "settings/capability_container.h"
#include "settings/settings_model.h"
#include "tests/unit/scanjob/batch_fixture.h"
#include "transfer/scan_job.h"
#include "twain/image_layout.h"
#include "twain/user_interface.h"

namespace batchtest {
namespace {

using Bytes = std::vector<uint8_t>;

class ScanWindowTest : public BatchTest {
protected:
    // Builds and starts from the settings (or from the capabilities and the
    // layout frame with showUi 0); answers the front SET WINDOW list.
    Bytes FrontWindow(uint8_t showUi = 1) {
        ShowUIFlag = showUi;
        vscan::ClearCommandLog();
        EXPECT_EQ(BuildScanWindow(nullptr), 1);
        EXPECT_EQ(StartScan(nullptr), 1);
        std::vector<Bytes> windows = DataSentWith(0x24);
        return windows.empty() ? Bytes{} : windows.front();
    }
};

TEST_F(ScanWindowTest, DefaultsOfAGeneration8ModelAtA4And300Dpi) {
    UseModel("ZR-DX961");
    Open();
    SetSettingText(PaperSize, "A4");
    SetSettingText(Resolution, "300 DPI");
    SetSettingText(ImageType, "Black & White");
    // The list in rows of eight bytes.
    const Bytes expected = {
        0, 0, 0, 0, 0, 0, 0x00, 0x40,              // header, descriptor length 64
        0x00, 0, 0x01, 0x2C, 0x01, 0x2C, 0, 0,     // front window, 300 by 300 dpi, left...
        0, 0, 0, 0, 0, 0, 0, 0,                    // ...0, top 0, width...
        0x27, 0x00, 0, 0, 0x36, 0xD0, 0x7F, 0x7F,  // ...9984, length 14032, brightness and threshold 127
        0x00, 0x00, 0x01, 0, 0, 0x00, 0, 0,        // contrast 0, bi-level, 1 bit, pattern 0, no reverse, bit order 0
        0, 0, 0, 0, 0, 0, 0, 0,                    // no compression
        0, 0, 0x00, 0x30, 0x00, 0, 0, 0,           // mirror off, emphasis "Medium", gamma normal
        0, 0, 0x27, 0x00, 0, 0, 0x36, 0xD0,        // paper 9984 by 14032
        0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0,  // double feed, one page, threshold, separation, white, noise, manual feed
    };
    ASSERT_EQ(expected.size(), 72u);
    EXPECT_EQ(FrontWindow(), expected);
    EXPECT_EQ(ScanJob.allPages, 0x00);
    EXPECT_EQ(ScanJob.duplex, 0x00);
}

TEST_F(ScanWindowTest, PageSizesRoundedAndCappedPerModel) {
    struct Row {
        const char* what;
        const char* model;
        const char* hopperPaper;
        const char* paperSize;
        const char* resolution;
        bool detect;
        uint32_t width;   // window and paper width, 1/1200 inch
        uint32_t length;  // window and paper length
    };
    const Row rows[] = {
        // 2480 pixels round up to 2496.
        {"A4 at 300 dpi", "ZR-DX961", "A4", "A4", "300 DPI", false, 9984, 14032},
        // 1728 pixels exceed the 10240 limit: 1706 pixels round down to 1696.
        {"Legal capped, class 1, 200 dpi", "ZR-DX41", "Legal", "Legal", "200 DPI", false, 10176, 16800},
        // 100 by 150 mm convert to 4724 by 7086; 1181 pixels round up to 1184.
        {"free size", "ZR-DX961", "A4", "Card", "300 DPI", false, 4736, 7086},
        // Generation 0, class 0: width capped at 12094, length at 17196 from the
        // settings but 17280 for a detected sheet.
        {"B4 from the settings, generation 0", "ZR-DX83", "B4", "B4", "200 DPI", false, 11904, 17196},
        {"B4 detected, generation 0", "ZR-DX83", "B4", "Letter", "200 DPI", true, 11904, 17197},
        {"A5 detected, generation 8", "ZR-DX961", "A5", "Letter", "300 DPI", true, 7040, 9922},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        UseModel(row.model, {row.hopperPaper});
        Open();
        std::strcpy(FreeSizeTable[0].name, "Card");
        FreeSizeTable[0].width = 100;
        FreeSizeTable[0].length = 150;
        SetSettingText(PaperSize, row.paperSize);
        SetSettingText(Resolution, row.resolution);
        SetSettingText(PaperDetect, row.detect ? "ON" : "OFF");
        Bytes window = FrontWindow();
        ASSERT_EQ(window.size(), 72u);
        EXPECT_EQ(Be32(window, 22), row.width);
        EXPECT_EQ(Be32(window, 26), row.length);
        EXPECT_EQ(Be32(window, 56), row.width);
        EXPECT_EQ(Be32(window, 60), row.length);
        EXPECT_EQ(Fix32Bits(LayoutFrame.Right), Fix32Bits(FloatToFix32(static_cast<float>(row.width) / 1200.0f)));
        EXPECT_EQ(Fix32Bits(LayoutFrame.Bottom), Fix32Bits(FloatToFix32(static_cast<float>(row.length) / 1200.0f)));
        Close();
    }
}

TEST_F(ScanWindowTest, WithoutDialogTheFrameAndCapabilitiesDecide) {
    UseModel("ZR-DX961");
    Open();
    // Settings the dialog would use are ignored.
    SetSettingText(Mirror, "ON");
    SetSettingText(AutoSeparation, "ON");
    SetSettingText(PaperSize, "A5");
    LayoutFrame.Right = FloatToFix32(8.5f);
    LayoutFrame.Bottom = FloatToFix32(11.0f);
    Bytes window = FrontWindow(0);
    ASSERT_EQ(window.size(), 72u);
    // 8.5 inches at 300 dpi: 2550 pixels round up to 2560.
    EXPECT_EQ(Be32(window, 22), 10240u);
    EXPECT_EQ(Be32(window, 26), 13200u);
    EXPECT_EQ(window[50], 0x00) << "mirror";
    EXPECT_EQ(window[51], 0x30) << "emphasis of a scan without dialog";
    EXPECT_EQ(window[65], 0xFF) << "all pages for a transfer count of -1";
    EXPECT_EQ(window[67], 0x00) << "automatic separation";
    EXPECT_EQ(Fix32Bits(LayoutFrame.Right), Fix32Bits(FloatToFix32(10240.0f / 1200.0f)));
}

TEST_F(ScanWindowTest, BrightnessAndContrastBytes) {
    struct Row {
        int32_t brightness;
        int32_t contrast;
        uint8_t brightnessByte;  // also the threshold
        uint8_t contrastByte;
    };
    const Row rows[] = {
        {255, 128, 1, 0},  // 255 - 255 is sent as 1
        {1, 0, 254, 1},    // contrast 0 is sent as 1
        {128, 255, 127, 255},
        {0x1FF, 0x180, 1, 0},  // low 8 bits of out-of-range values
    };
    UseModel("ZR-DX961");
    Open();
    for (const Row& row : rows) {
        SCOPED_TRACE(row.brightness);
        ScanValues.levels[kLevelFrontBrightness] = row.brightness;
        ScanValues.levels[kLevelFrontContrast] = row.contrast;
        Bytes window = FrontWindow();
        ASSERT_EQ(window.size(), 72u);
        EXPECT_EQ(window[30], row.brightnessByte);
        EXPECT_EQ(window[31], row.brightnessByte);
        EXPECT_EQ(window[32], row.contrastByte);
    }
}

TEST_F(ScanWindowTest, SubAreasAreCutToThePage) {
    UseModel("ZR-DX961");
    Open();
    SetSettingText(PaperSize, "A4");
    SetSettingText(Resolution, "300 DPI");
    SetSettingText(FrontSubAreaHalftone, "Bayer Dither 16");
    SetSettingText(FrontArea1, "ON");
    SetSettingText(FrontArea2, "ON");
    SetSettingText(FrontArea3, "ON");
    ScanValues.frontAreas[0] = {10, 20, 30, 40};      // inside the page
    ScanValues.frontAreas[1] = {200, 280, 50, 50};    // runs past the right and bottom edges
    ScanValues.frontAreas[2] = {300, 0, 10, 10};      // starts beyond the page width
    FrontWindow();
    std::vector<Bytes> lists = DataSentWith(0xC0);
    ASSERT_EQ(lists.size(), 1u);
    const Bytes& list = lists.front();
    ASSERT_EQ(list.size(), 88u);
    EXPECT_EQ(list[7], 0x50);
    // Area 1: millimetres to 1/1200 inch, truncated.
    EXPECT_EQ(Be32(list, 14), 472u);
    EXPECT_EQ(Be32(list, 18), 944u);
    EXPECT_EQ(Be32(list, 22), 1417u);
    EXPECT_EQ(Be32(list, 26), 1889u);
    EXPECT_EQ(list[33], 1) << "halftone composition";
    EXPECT_EQ(list[36], 1) << "Bayer Dither 16 pattern";
    // Area 2 ends at the page's edges (9984 by 14032).
    EXPECT_EQ(Be32(list, 50), 9448u);
    EXPECT_EQ(Be32(list, 54), 13228u);
    EXPECT_EQ(Be32(list, 58), 9984u - 9448u);
    EXPECT_EQ(Be32(list, 62), 14032u - 13228u);
    // Area 3 is no area.
    EXPECT_EQ(Bytes(list.begin() + 68, list.begin() + 84), Bytes(16, 0));
}

TEST_F(ScanWindowTest, GrayKeepsItsCompositionAndTheSubAreaHalftones) {
    UseModel("ZR-DX961");
    Open();
    SubAreaWindow[kFrontSubArea].composition = 1;
    SubAreaWindow[kFrontSubArea].halftonePattern = 3;
    SetSettingText(ImageType, "Gray Scale 8 bit");
    SetSettingText(FrontSubAreaHalftone, "None (Binary)");
    FrontHalftone.disabled = 1;  // the dialog disables the halftone for gray
    Bytes window = FrontWindow();
    ASSERT_EQ(window.size(), 72u);
    EXPECT_EQ(window[33], 2);
    EXPECT_EQ(window[34], 8);
    EXPECT_EQ(SubAreaWindow[kFrontSubArea].composition, 1);
    EXPECT_EQ(SubAreaWindow[kFrontSubArea].halftonePattern, 3u);
}

}  // namespace
}  // namespace batchtest
