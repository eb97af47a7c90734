// A whole batch of the Windows build through Wine's manager: enabled without
// the dialog, MSG_XFERREADY taken from the application's loop through
// MSG_PROCESSEVENT, both sides of a sheet natively and of the next in memory,
// disabled and closed. Each page is compared byte for byte with the page the
// virtual scanner renders for the windows the source sent (the same code the
// Linux build's end-to-end tests compare with), replayed in-process.
#include <string>
#include <vector>

#include "platform/host/dialog_driver.h"
#include "platform/win32/app_window.h"
#include "tests/support/window_replay.h"
#include "tests/win32/e2e/wine_twain_app.h"
#include "vscanner/vscanner.h"

namespace {

using Bytes = std::vector<uint8_t>;

constexpr char kDevice[] = "[Device scanner]\nAdapter=0\nTarget=3\nModel=ZR-DX961\nHopper=Letter,Letter,Letter\n";
constexpr uint32_t kNotificationWaitMs = 10000;

class WineTransfer : public WineTwainTest {
protected:
    // Batches of one sheet read on both sides (a transfer count of 2, duplex
    // chosen without the side chooser) in 8-bit gray at 100 dpi.
    void OpenAndNegotiate() {
        ASSERT_EQ(OpenManager(), TWRC_SUCCESS);
        ASSERT_EQ(OpenSource(source, kKorvexProductName), TWRC_SUCCESS);
        ASSERT_EQ(SetOneValue(source, ICAP_PIXELTYPE, TWTY_UINT16, TWPT_GRAY), TWRC_SUCCESS);
        ASSERT_EQ(SetOneValue(source, ICAP_BITDEPTH, TWTY_UINT16, 8), TWRC_SUCCESS);
        ASSERT_EQ(SetOneValue(source, ICAP_XRESOLUTION, TWTY_FIX32, 100), TWRC_SUCCESS);
        ASSERT_EQ(SetOneValue(source, CAP_XFERCOUNT, TWTY_INT16, 2), TWRC_SUCCESS);
        ASSERT_EQ(SetOneValue(source, 0x8123, TWTY_BOOL, 0), TWRC_SUCCESS);
        ASSERT_EQ(SetOneValue(source, 0x8124, TWTY_BOOL, 1), TWRC_SUCCESS);
    }

    // Enables the source without its dialog; its MSG_XFERREADY arrives through
    // the application's loop.
    void Enable(TW_UINT16 mechanism) {
        ASSERT_EQ(SetOneValue(source, ICAP_XFERMECH, TWTY_UINT16, mechanism), TWRC_SUCCESS);
        TakeSourceMessages();
        TW_USERINTERFACE ui{0, 0, window};
        ASSERT_EQ(Dsm(&source, DG_CONTROL, DAT_USERINTERFACE, MSG_ENABLEDS, &ui), TWRC_SUCCESS);
        ExpectOnlyXferReady();
    }

    void ExpectOnlyXferReady() {
        std::vector<TW_UINT16> seen;
        ASSERT_TRUE(PumpUntil(
            [&] {
                for (TW_UINT16 message : TakeSourceMessages()) seen.push_back(message);
                return !seen.empty();
            },
            kNotificationWaitMs));
        EXPECT_EQ(seen, std::vector<TW_UINT16>{MSG_XFERREADY});
    }

    void Disable() {
        TW_USERINTERFACE ui{0, 0, window};
        EXPECT_EQ(Dsm(&source, DG_CONTROL, DAT_USERINTERFACE, MSG_DISABLEDS, &ui), TWRC_SUCCESS);
    }

    // Transfers pages until MSG_ENDXFER answers 0; each page top line first.
    std::vector<Bytes> TransferBatch(bool memory) {
        std::vector<Bytes> pages;
        TW_PENDINGXFERS pending{0xFFFF, 0};
        while (pending.Count != 0 && pages.size() < 4) {
            ReadImageInfo();
            EXPECT_EQ(pixels, 864u);
            EXPECT_EQ(lines, 1100u);
            pages.push_back(memory ? MemoryPage() : NativePage());
            EXPECT_EQ(Dsm(&source, DG_CONTROL, DAT_PENDINGXFERS, MSG_ENDXFER, &pending), TWRC_SUCCESS);
        }
        EXPECT_EQ(+pending.Count, 0);
        return pages;
    }

    void ReadImageInfo() {
        TW_IMAGEINFO info{};
        EXPECT_EQ(Dsm(&source, DG_IMAGE, DAT_IMAGEINFO, MSG_GET, &info), TWRC_SUCCESS);
        EXPECT_EQ(+info.BitsPerPixel, 8);
        pixels = static_cast<uint32_t>(info.ImageWidth);
        lines = static_cast<uint32_t>(info.ImageLength);
    }

    // The bitmap's rows, bottom-up after the header and the 256-entry palette.
    Bytes NativePage() {
        TW_HANDLE bitmap = nullptr;
        EXPECT_EQ(Dsm(&source, DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET, &bitmap), TWRC_XFERDONE);
        if (bitmap == nullptr) return {};
        const uint32_t stride = (pixels + 3) / 4 * 4;
        const size_t pixelArea = 40 + 1024;
        Bytes page;
        const auto* bytes = static_cast<const uint8_t*>(plat::MemLock(bitmap));
        if (bytes != nullptr && plat::MemSize(bitmap) >= pixelArea + size_t{stride} * lines) {
            for (uint32_t row = lines; row-- > 0;) {
                const uint8_t* line = bytes + pixelArea + size_t{row} * stride;
                page.insert(page.end(), line, line + pixels);
            }
        }
        plat::MemUnlock(bitmap);
        plat::MemFree(bitmap);
        return page;
    }

    Bytes MemoryPage() {
        Bytes page;
        Bytes buffer(32768);
        TW_UINT16 rc = TWRC_SUCCESS;
        for (int strips = 0; rc == TWRC_SUCCESS && strips < 1000; ++strips) {
            TW_IMAGEMEMXFER xfer{};
            xfer.Memory = {TWMF_APPOWNS | TWMF_POINTER, 32768, buffer.data()};
            rc = Dsm(&source, DG_IMAGE, DAT_IMAGEMEMXFER, MSG_GET, &xfer);
            EXPECT_EQ(xfer.YOffset * pixels, page.size());
            page.insert(page.end(), buffer.begin(), buffer.begin() + xfer.BytesWritten);
        }
        EXPECT_EQ(rc, TWRC_XFERDONE);
        return page;
    }

    // The pages the virtual scanner renders for the SET WINDOW lists the
    // source sent: the same scenario in-process, the logged lists sent to it.
    std::vector<Bytes> ScannerPages() {
        return window_replay::DuplexPages(std::string("[Manager]\nAdapters=1\n\n") + kDevice, 3,
                                          LoggedWith(window_replay::kSetWindowCdb), "ZR-DX961",
                                          "Letter", 2);
    }

    TW_IDENTITY source{};
    uint32_t pixels = 0;
    uint32_t lines = 0;
};

TEST_F(WineTransfer, DuplexBatchNativelyAndInMemoryDeliversTheScannersPages) {
    WriteScenario("Adapters=1\n", kDevice);
    OpenAndNegotiate();
    Enable(TWSX_NATIVE);
    const std::vector<Bytes> native = TransferBatch(false);
    Disable();
    Enable(TWSX_MEMORY);
    const std::vector<Bytes> memory = TransferBatch(true);
    Disable();
    EXPECT_EQ(CloseSource(source), TWRC_SUCCESS);
    for (const RecordedBox& box : TakeMessageBoxes()) ADD_FAILURE() << box.caption << ": " << box.text;

    const std::vector<Bytes> expected = ScannerPages();
    ASSERT_EQ(expected.size(), 4u);
    ASSERT_EQ(native.size(), 2u);
    ASSERT_EQ(memory.size(), 2u);
    for (size_t page = 0; page < 2; ++page) {
        EXPECT_TRUE(native[page] == expected[page]) << "native page " << page;
        EXPECT_TRUE(memory[page] == expected[2 + page]) << "memory page " << page;
    }
}

// With its dialog shown the source scans when the user presses Scan in the
// real main dialog, which takes its messages from the application's loop.
TEST_F(WineTransfer, ScanInTheShownDialogAnnouncesTheBatch) {
    WriteScenario("Adapters=1\n", kDevice);
    OpenAndNegotiate();
    ASSERT_EQ(SetOneValue(source, ICAP_XFERMECH, TWTY_UINT16, TWSX_NATIVE), TWRC_SUCCESS);
    TW_USERINTERFACE ui{1, 0, window};
    ASSERT_EQ(Dsm(&source, DG_CONTROL, DAT_USERINTERFACE, MSG_ENABLEDS, &ui), TWRC_SUCCESS);
    plat::WindowHandle shown = nullptr;
    ASSERT_TRUE(PumpUntil([&] { return (shown = plat::win32::FindThreadDialog(nullptr)) != nullptr; },
                          kNotificationWaitMs));
    plat::host::DialogDriver mainDialog(shown);
    EXPECT_EQ(mainDialog.Caption(), "Orvantica TWAIN Driver (32bit)");
    EXPECT_TRUE(TakeSourceMessages().empty()) << "nothing is announced before Scan";
    ASSERT_TRUE(mainDialog.Click(1));  // Scan
    ExpectOnlyXferReady();

    // The first page is the scanner's front of sheet 0 at the settings the dialog held.
    ReadImageInfo();
    const Bytes page = NativePage();
    TW_PENDINGXFERS pending{};
    EXPECT_EQ(Dsm(&source, DG_CONTROL, DAT_PENDINGXFERS, MSG_RESET, &pending), TWRC_SUCCESS);
    EXPECT_EQ(+pending.Count, 0);
    TW_USERINTERFACE off{0, 0, window};
    EXPECT_EQ(Dsm(&source, DG_CONTROL, DAT_USERINTERFACE, MSG_DISABLEDS, &off), TWRC_SUCCESS);
    EXPECT_EQ(CloseSource(source), TWRC_SUCCESS);
    for (const RecordedBox& box : TakeMessageBoxes()) ADD_FAILURE() << box.caption << ": " << box.text;

    const std::vector<Bytes> expected = ScannerPages();
    ASSERT_FALSE(expected.empty());
    EXPECT_FALSE(page.empty());
    EXPECT_TRUE(page == expected[0]) << "front of sheet 0";
}

}  // namespace
