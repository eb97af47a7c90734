// The transfer cycle of an application, shared by the tests that run it
// through our source manager and through the standard manager's double: open,
// negotiate, enable without the dialog, MSG_XFERREADY, image information and
// layout, every page of a duplex batch natively and again in memory, disable,
// close. Each page is compared with the page the virtual scanner renders for
// the windows the source sent, replayed in-process.
#pragma once

#include <string>
#include <vector>

#include "tests/e2e/scanner_fixture.h"
#include "tests/support/window_replay.h"
#include "vscanner/vscanner.h"


using Bytes = std::vector<uint8_t>;

inline constexpr char kDevice[] =
    "[Device scanner]\nAdapter=0\nTarget=3\nModel=ZR-DX961\nHopper=Letter,Letter,Letter\n";

inline std::vector<TW_UINT16> Notifications;

inline TW_UINT16 RecordNotification(TW_IDENTITY*, TW_IDENTITY*, TW_UINT32, TW_UINT16, TW_UINT16 msg,
                             TW_MEMREF) {
    Notifications.push_back(msg);
    return TWRC_SUCCESS;
}

class TransferCycleTest : public ScannerScenarioTest {
protected:
    void TearDown() override {
        if (source.Id != 0) {
            EXPECT_EQ(CloseSource(source), TWRC_SUCCESS);
            EXPECT_EQ(CloseManager(), TWRC_SUCCESS);
        }
        ManagerTest::TearDown();
    }

    TW_UINT16 SetOneValue(TW_UINT16 cap, TW_UINT16 itemType, TW_UINT32 item) {
        TW_HANDLE block = memAllocate(6);
        auto* bytes = static_cast<uint8_t*>(memLock(block));
        bytes[0] = static_cast<uint8_t>(itemType);
        bytes[1] = static_cast<uint8_t>(itemType >> 8);
        for (int i = 0; i < 4; ++i) bytes[2 + i] = static_cast<uint8_t>(item >> (8 * i));
        memUnlock(block);
        TW_CAPABILITY capability{cap, TWON_ONEVALUE, block};
        const TW_UINT16 rc = Dsm(&source, DG_CONTROL, DAT_CAPABILITY, MSG_SET, &capability);
        memFree(block);
        return rc;
    }

    // Opens the source and negotiates batches of one sheet read on both sides
    // (a transfer count of 2 with duplex chosen without the side chooser) in
    // 8-bit gray at 100 dpi.
    void OpenAndNegotiate() {
        ASSERT_EQ(OpenManager(), TWRC_SUCCESS);
        ASSERT_EQ(OpenSource(source, kKorvexProductName), TWRC_SUCCESS);
        ASSERT_EQ(setCallback(&app, RecordNotification, nullptr), TWRC_SUCCESS);
        ASSERT_EQ(SetOneValue(ICAP_PIXELTYPE, TWTY_UINT16, TWPT_GRAY), TWRC_SUCCESS);
        ASSERT_EQ(SetOneValue(ICAP_BITDEPTH, TWTY_UINT16, 8), TWRC_SUCCESS);
        ASSERT_EQ(SetOneValue(ICAP_XRESOLUTION, TWTY_FIX32, 100), TWRC_SUCCESS);
        ASSERT_EQ(SetOneValue(CAP_XFERCOUNT, TWTY_INT16, 2), TWRC_SUCCESS);
        ASSERT_EQ(SetOneValue(0x8123, TWTY_BOOL, 0), TWRC_SUCCESS);
        ASSERT_EQ(SetOneValue(0x8124, TWTY_BOOL, 1), TWRC_SUCCESS);
    }

    // Enables the source for a batch of `mechanism`, by default without its
    // dialog; the source scans at once and announces the transfer.
    void Enable(TW_UINT16 mechanism, TW_BOOL showUI = 0, TW_UINT16 answer = TWRC_SUCCESS) {
        ASSERT_EQ(SetOneValue(ICAP_XFERMECH, TWTY_UINT16, mechanism), TWRC_SUCCESS);
        Notifications.clear();
        TW_USERINTERFACE ui{showUI, 0, parentWindow};
        ASSERT_EQ(Dsm(&source, DG_CONTROL, DAT_USERINTERFACE, MSG_ENABLEDS, &ui), answer);
        EXPECT_EQ(Notifications, std::vector<TW_UINT16>{MSG_XFERREADY});
    }

    void Disable() {
        TW_USERINTERFACE ui{0, 0, parentWindow};
        EXPECT_EQ(Dsm(&source, DG_CONTROL, DAT_USERINTERFACE, MSG_DISABLEDS, &ui), TWRC_SUCCESS);
    }

    // The layout's page number, which counts on from page to page.
    TW_UINT32 ExpectImageInfoAndLayout() {
        TW_IMAGEINFO info{};
        EXPECT_EQ(Dsm(&source, DG_IMAGE, DAT_IMAGEINFO, MSG_GET, &info), TWRC_SUCCESS);
        EXPECT_EQ(+info.XResolution.Whole, 100);
        EXPECT_EQ(+info.ImageWidth, 864);  // Letter rounded up to 32-pixel groups
        EXPECT_EQ(+info.ImageLength, 1100);
        EXPECT_EQ(+info.BitsPerPixel, 8);
        EXPECT_EQ(+info.PixelType, TWPT_GRAY);
        pixels = static_cast<uint32_t>(info.ImageWidth);
        lines = static_cast<uint32_t>(info.ImageLength);
        TW_IMAGELAYOUT layout{};
        EXPECT_EQ(Dsm(&source, DG_IMAGE, DAT_IMAGELAYOUT, MSG_GET, &layout), TWRC_SUCCESS);
        EXPECT_EQ(+layout.Frame.Left.Whole, 0);
        EXPECT_EQ(+layout.Frame.Right.Whole, 8);
        EXPECT_EQ(+layout.Frame.Bottom.Whole, 11);
        return layout.PageNumber;
    }

    // Transfers pages until MSG_ENDXFER answers 0; each page top line first.
    std::vector<Bytes> TransferBatch(bool memory) {
        std::vector<Bytes> pages;
        TW_PENDINGXFERS pending{0xFFFF, 0};
        TW_UINT32 firstPageNumber = 0;
        while (pending.Count != 0 && pages.size() < 4) {
            const TW_UINT32 pageNumber = ExpectImageInfoAndLayout();
            if (pages.empty()) firstPageNumber = pageNumber;
            EXPECT_EQ(pageNumber, firstPageNumber + pages.size());
            pages.push_back(memory ? MemoryPage() : NativePage());
            EXPECT_EQ(Dsm(&source, DG_CONTROL, DAT_PENDINGXFERS, MSG_ENDXFER, &pending), TWRC_SUCCESS);
        }
        EXPECT_EQ(+pending.Count, 0);
        return pages;
    }

    Bytes NativePage() {
        TW_HANDLE bitmap = nullptr;
        EXPECT_EQ(Dsm(&source, DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET, &bitmap), TWRC_XFERDONE);
        if (bitmap == nullptr) return {};
        const auto* bytes = static_cast<const uint8_t*>(memLock(bitmap));
        const uint32_t stride = (pixels + 3) / 4 * 4;
        const size_t pixelArea = 40 + 1024;
        Bytes page;
        for (uint32_t row = lines; row-- > 0;) {
            const uint8_t* line = bytes + pixelArea + size_t{row} * stride;
            page.insert(page.end(), line, line + pixels);
        }
        memUnlock(bitmap);
        memFree(bitmap);
        return page;
    }

    // Strips into a buffer of the application's, or with handleBuffers into a
    // block of the manager's passed as a handle.
    Bytes MemoryPage() {
        Bytes page;
        Bytes buffer(32768);
        TW_HANDLE block = handleBuffers ? memAllocate(32768) : nullptr;
        TW_UINT16 rc = TWRC_SUCCESS;
        for (int strips = 0; rc == TWRC_SUCCESS && strips < 1000; ++strips) {
            TW_IMAGEMEMXFER xfer{};
            xfer.Memory = handleBuffers ? TW_MEMORY{TWMF_APPOWNS | TWMF_HANDLE, 32768, block}
                                        : TW_MEMORY{TWMF_APPOWNS | TWMF_POINTER, 32768, buffer.data()};
            rc = Dsm(&source, DG_IMAGE, DAT_IMAGEMEMXFER, MSG_GET, &xfer);
            EXPECT_EQ(xfer.YOffset * pixels, page.size());
            const auto* strip = handleBuffers ? static_cast<const uint8_t*>(memLock(block))
                                              : buffer.data();
            if (strip != nullptr) page.insert(page.end(), strip, strip + xfer.BytesWritten);
            if (handleBuffers) memUnlock(block);
        }
        if (block != nullptr) memFree(block);
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

    // One duplex sheet natively (enabled with `nativeShowUI`, which the source
    // answers with `nativeEnableAnswer`), one in memory, each page compared
    // with the scanner's; no message box on the way.
    void ExpectDuplexCycle(TW_BOOL nativeShowUI, TW_UINT16 nativeEnableAnswer) {
        WriteScenario("Adapters=1\n", kDevice);
        OpenAndNegotiate();
        Enable(TWSX_NATIVE, nativeShowUI, nativeEnableAnswer);
        const std::vector<Bytes> native = TransferBatch(false);
        Disable();
        Enable(TWSX_MEMORY);
        const std::vector<Bytes> memory = TransferBatch(true);
        Disable();
        EXPECT_EQ(CloseSource(source), TWRC_SUCCESS);
        source.Id = 0;
        EXPECT_EQ(CloseManager(), TWRC_SUCCESS);
        for (const ShownMessageBox& box : ShownMessageBoxes()) {
            ADD_FAILURE() << box.caption << ": " << box.text;
        }

        // The first batch reads both sides of sheet 0, the second those of
        // sheet 1 (the third sheet stays in the hopper). Generation 8 sends
        // gray with 0 black, as TWPF_CHOCOLATE wants it: the pages arrive as
        // the scanner renders them.
        const std::vector<Bytes> expected = ScannerPages();
        ASSERT_EQ(expected.size(), 4u);
        ASSERT_EQ(native.size(), 2u);
        ASSERT_EQ(memory.size(), 2u);
        for (size_t page = 0; page < 2; ++page) {
            EXPECT_TRUE(native[page] == expected[page]) << "native page " << page;
            EXPECT_TRUE(memory[page] == expected[2 + page]) << "memory page " << page;
        }
    }

    alignas(4) TW_IDENTITY source{};
    bool handleBuffers = false;
    uint32_t pixels = 0;
    uint32_t lines = 0;
};
