// The fixture of the transfer tests: the source opened in-process against the
// virtual scanner, a scan prepared for a window the test describes, the
// application's side of DAT_IMAGENATIVEXFER, DAT_IMAGEMEMXFER and
// DAT_PENDINGXFERS, and the bytes the virtual scanner produces for the window.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "twain/twain_types.h"
#include "vscanner/vscanner.h"

namespace trtest {

using Bytes = std::vector<uint8_t>;

struct PageSetup {
    std::string model = "ZR-DX961";
    uint16_t dpi = 200;
    uint32_t width = 10200;   // window, 1/1200 inch
    uint32_t length = 13200;
    uint8_t composition = 0;  // 0 black and white, 2 gray
    uint8_t bitsPerPixel = 1;
    uint8_t compression = 0;  // window compression type, with ICAP_COMPRESSION to match
    bool duplex = false;
    bool allPages = false;
    uint32_t sheets = 1;      // Letter sheets in the hopper
    TW_UINT16 pixelFlavor = TWPF_CHOCOLATE;
    bool reverse = false;
    bool indicators = false;
    std::vector<vscan::FaultSetup> faults;
    std::vector<vscan::SheetSetup> manualSheets;  // fed by hand once the hopper is empty
    uint32_t manualFeedPolls = 1;
};

struct Answer {
    TW_UINT16 rc = 0;
    TW_UINT16 cc = 0;
};

// One memory strip as the application received it.
struct Strip {
    Answer answer;
    TW_IMAGEMEMXFER xfer{};
    Bytes bytes;  // the BytesWritten bytes of the buffer
};

class TransferTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Installs the scenario, opens the source and prepares the batch: the
    // windows sent, the image size read, state 600.
    void Start(const PageSetup& setup);
    // Ends the case of a table: closes the source, checks that nothing leaked
    // and starts again from the state at load.
    void NextCase();
    // Prepares the scanner and the job for the window again, as a new batch.
    void PrepareScan();

    Answer Call(TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg, void* data);
    // A native transfer; the bitmap's bytes when one was handed over (freed).
    Answer Native(Bytes* bitmap);
    // A buffer of `length` bytes; with TWMF_HANDLE the block holds `blockSize`
    // bytes (0: `length`).
    Strip MemoryStrip(uint32_t length, TW_UINT32 flags = TWMF_APPOWNS | TWMF_POINTER,
                      uint32_t blockSize = 0);
    // Strips until one does not answer TWRC_SUCCESS (at most `limit`).
    std::vector<Strip> MemoryPage(uint32_t length, uint32_t limit = 1000);
    Answer EndXfer(TW_UINT16* count);

    // The bytes the scanner delivers for scenario sheet `sheet` and `side`
    // under the window set at the start.
    Bytes ScannerPage(uint32_t sheet, uint8_t side) const;

    // Window resets ("clear") and image READs ("read sheet/side", "0" for a
    // length of 0 or "n", then "eom" or "fail" for a CHECK CONDITION) since the
    // command log was cleared; the READs of one page collapse into one entry
    // and its last.
    static std::vector<std::string> ScanCommands();

    // Message boxes shown since the last call: their texts.
    std::vector<std::string> TakeMessages();

    PageSetup setup_;
    vscan::Scenario scenario_;
    vscan::WindowState window_[2];

private:
    int64_t liveBlocksAtStart_ = 0;
};

// Rows of a packed bitmap, top line first, each cut to `bytesPerLine`.
std::vector<Bytes> BitmapRowsTopDown(const Bytes& bitmap, uint32_t bytesPerLine);

uint8_t ReverseBits(uint8_t byte);
Bytes Transform(const Bytes& bytes, uint8_t (*convert)(uint8_t));

}  // namespace trtest
