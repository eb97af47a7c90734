// The transfer test fixture.
#include "tests/unit/transfer/transfer_fixture.h"

#include <cstdio>
#include <cstring>

#include "platform/dialogs.h"
#include "platform/host/dialog_driver.h"
#include "platform/host/host_hooks.h"
#include "scanner/discovery.h"
#include "scanner/scan_window.h"
#include "scanner/scsi_commands.h"
#include "settings/capability_state.h"
#include "settings/settings_model.h"
#include "transfer/scan_job.h"
#include "twain/dispatch.h"
#include "twain/image_layout.h"
#include "twain/source_state.h"

namespace trtest {

namespace {

TW_IDENTITY& App() {
    static TW_IDENTITY app = [] {
        TW_IDENTITY identity{};
        identity.Id = 7;
        std::strcpy(identity.ProductName, "Transfer Test");
        return identity;
    }();
    return app;
}

}  // namespace

void TransferTest::SetUp() {
    liveBlocksAtStart_ = plat::host::LiveBlockCount();
    plat::host::ResetDialogDriver();
}

void TransferTest::TearDown() {
    TW_IDENTITY& app = App();
    DS_Entry(&app, DG_CONTROL, DAT_IDENTITY, MSG_CLOSEDS, nullptr);
    plat::host::ResetDialogDriver();
    EXPECT_EQ(plat::host::LiveBlockCount(), liveBlocksAtStart_) << "blocks leaked";
    EXPECT_EQ(plat::host::BlockMisuseCount(), 0u);
    plat::host::UnregisterInProcessModule("WNASPI32.DLL");
}

void TransferTest::NextCase() {
    TearDown();
    plat::host::ResetHostHooks();
    RestoreLoadState();
    SetUp();
}

void TransferTest::Start(const PageSetup& setup) {
    setup_ = setup;
    scenario_ = vscan::Scenario{};
    vscan::DeviceSetup scanner = vscan::MakeScanner(setup.model, 0, 0);
    scanner.hopper.assign(setup.sheets, vscan::MakeSheet("Letter"));
    scanner.faults = setup.faults;
    scanner.manualSheets = setup.manualSheets;
    scanner.manualFeedPolls = setup.manualFeedPolls;
    scenario_.devices.push_back(scanner);
    vscan::InstallScenario(scenario_);
    ASSERT_TRUE(plat::host::RegisterInProcessModule("WNASPI32.DLL", vscan::LookupAspiSymbol));

    TW_IDENTITY source{};
    DS_Entry(nullptr, DG_CONTROL, DAT_IDENTITY, MSG_GET, &source);
    source.Id = 3;
    ASSERT_EQ(DS_Entry(&App(), DG_CONTROL, DAT_IDENTITY, MSG_OPENDS, &source), TWRC_SUCCESS);
    PrepareScan();
}

void TransferTest::PrepareScan() {
    const PageSetup& s = setup_;
    CapabilityState.pixelFlavor = s.pixelFlavor;
    CapabilityState.indicators = s.indicators ? 1 : 0;
    CapabilityEnum16& compression = CapabilityState.compression.current;
    compression.items[0] = s.compression == 0 ? TWCP_NONE : static_cast<TW_UINT16>(TWCP_GROUP31DEOL + s.compression - 1);
    compression.numItems = 1;
    compression.currentIndex = 0;
    std::strcpy(Reverse.text, s.reverse ? "ON" : "OFF");

    ScanWindow.xResolution = ScanWindow.yResolution = s.dpi;
    ScanWindow.left = ScanWindow.top = 0;
    ScanWindow.width = ScanWindow.paperWidth = s.width;
    ScanWindow.length = ScanWindow.paperLength = s.length;
    ScanWindow.composition = ScanWindow.backComposition = s.composition;
    ScanWindow.bitsPerPixel = s.bitsPerPixel;
    ScanWindow.compression = s.compression;
    ScanWindow.compressionArgument = 0;
    ScanJob.allPages = s.allPages ? kFlagAll : 0;
    ScanJob.duplex = s.duplex ? kFlagAll : 0;
    std::strcpy(SideMode.text, s.duplex ? "Duplex" : "Simplex");

    ScanJob.pagesTransferred = 0;
    ScanJob.sheetNumber = 0;
    ScanJob.sideCode = 0;
    ScanJob.scanCancel = 0;
    ScanJob.feederEmpty = 0;
    ASSERT_EQ(ClearWindows(ScsiTarget), kScsiGood);
    ScanWindow.windowId = kSideFront;
    ASSERT_EQ(SetWindow(ScsiTarget, ScanWindow), kScsiGood);
    if (s.duplex) {
        ScanWindow.windowId = kSideBack;
        ASSERT_EQ(SetWindow(ScsiTarget, ScanWindow), kScsiGood);
    }
    ASSERT_EQ(ReadImageSize(ScsiTarget, ImageGeometry.pixelsPerLine, ImageGeometry.lines), kScsiGood);
    ImageGeometry.bytesPerLine = BytesPerScannerLine(ImageGeometry.pixelsPerLine, s.bitsPerPixel);
    ImageGeometry.imageBytes = ImageGeometry.lines * ImageGeometry.bytesPerLine + 2;
    ImageGeometry.remainingBytes = static_cast<int32_t>(ImageGeometry.imageBytes);
    const auto device = vscan::DeviceSnapshot(0, 0);
    ASSERT_TRUE(device.has_value());
    window_[0] = device->scanner.windows[0];
    window_[1] = device->scanner.windows[1];
    SourceState = kStateXferReady;
}

Answer TransferTest::Call(TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg, void* data) {
    const TW_UINT16 rc = DS_Entry(&App(), dg, dat, msg, data);
    TW_STATUS status{};
    DS_Entry(&App(), DG_CONTROL, DAT_STATUS, MSG_GET, &status);
    return {rc, status.ConditionCode};
}

Answer TransferTest::Native(Bytes* bitmap) {
    plat::MemHandle handle = nullptr;
    const Answer answer = Call(DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET, &handle);
    if (handle != nullptr) {
        EXPECT_EQ(answer.rc, TWRC_XFERDONE);
        const uint32_t size = plat::MemSize(handle);
        auto* bytes = static_cast<const uint8_t*>(plat::MemLock(handle));
        EXPECT_NE(bytes, nullptr);
        if (bitmap != nullptr && bytes != nullptr) bitmap->assign(bytes, bytes + size);
        EXPECT_TRUE(plat::MemUnlock(handle));
        EXPECT_FALSE(plat::MemUnlock(handle)) << "the bitmap is handed over unlocked";
        plat::MemFree(handle);
    }
    return answer;
}

Strip TransferTest::MemoryStrip(uint32_t length, TW_UINT32 flags, uint32_t blockSize) {
    Strip strip;
    Bytes buffer(length + 64, 0xCC);
    plat::MemHandle block = nullptr;
    strip.xfer.Memory.Flags = flags;
    strip.xfer.Memory.Length = length;
    if ((flags & TWMF_HANDLE) != 0) {
        block = plat::MemAlloc(blockSize != 0 ? blockSize : length);
        strip.xfer.Memory.TheMem = block;
    } else {
        strip.xfer.Memory.TheMem = buffer.data();
    }
    strip.answer = Call(DG_IMAGE, DAT_IMAGEMEMXFER, MSG_GET, &strip.xfer);
    const uint8_t* bytes = buffer.data();
    if (block != nullptr) bytes = static_cast<const uint8_t*>(plat::MemLock(block));
    if (strip.answer.rc != TWRC_FAILURE) {
        EXPECT_LE(+strip.xfer.BytesWritten, length);
        strip.bytes.assign(bytes, bytes + strip.xfer.BytesWritten);
    }
    if (block != nullptr) {
        EXPECT_TRUE(plat::MemUnlock(block));
        EXPECT_FALSE(plat::MemUnlock(block)) << "the application's block is left unlocked";
        plat::MemFree(block);
    } else {
        for (uint32_t i = length; i < buffer.size(); ++i) {
            EXPECT_EQ(buffer[i], 0xCC) << "written past the buffer at " << i;
            if (buffer[i] != 0xCC) break;
        }
    }
    return strip;
}

std::vector<Strip> TransferTest::MemoryPage(uint32_t length, uint32_t limit) {
    std::vector<Strip> strips;
    do {
        strips.push_back(MemoryStrip(length));
    } while (strips.back().answer.rc == TWRC_SUCCESS && strips.size() < limit);
    return strips;
}

Answer TransferTest::EndXfer(TW_UINT16* count) {
    TW_PENDINGXFERS pending{0x1234, 0};
    const Answer answer = Call(DG_CONTROL, DAT_PENDINGXFERS, MSG_ENDXFER, &pending);
    if (count != nullptr) *count = pending.Count;
    return answer;
}

Bytes TransferTest::ScannerPage(uint32_t sheet, uint8_t side) const {
    return vscan::ExpectedPage(setup_.model, window_[side != 0 ? 1 : 0], sheet,
                               vscan::MakeSheet("Letter"), side);
}

std::vector<std::string> TransferTest::ScanCommands() {
    std::vector<std::string> commands;
    for (const vscan::LoggedCommand& c : vscan::CommandLog()) {
        if (c.cdb.size() < 10) continue;
        const uint32_t length = uint32_t{c.cdb[6]} << 16 | c.cdb[7] << 8 | c.cdb[8];
        char text[64];
        if (c.cdb[0] == 0x24 && length == 0) {
            commands.push_back("clear");
        } else if (c.cdb[0] == 0x28 && c.cdb[2] == 0x00) {
            std::snprintf(text, sizeof text, "read %u/%02X %s%s", c.cdb[4], c.cdb[5],
                          length == 0 ? "0" : "n", c.senseKey == 0x40   ? " eom"
                                                   : c.asc != 0 ? " fail"
                                                                : "");
            // The chunks of a page collapse into one entry.
            if (commands.empty() || commands.back() != text) commands.push_back(text);
        }
    }
    return commands;
}

std::vector<std::string> TransferTest::TakeMessages() {
    std::vector<std::string> texts;
    for (const auto& box : plat::host::TakeMessageBoxes()) texts.push_back(box.text);
    return texts;
}

std::vector<Bytes> BitmapRowsTopDown(const Bytes& bitmap, uint32_t bytesPerLine) {
    std::vector<Bytes> rows;
    if (bitmap.size() < 40) return rows;
    const uint32_t height = bitmap[8] | bitmap[9] << 8 | bitmap[10] << 16 | uint32_t{bitmap[11]} << 24;
    const uint32_t bitCount = bitmap[14];
    const uint32_t pixelOffset = 40 + 4 * (1u << bitCount);
    const uint32_t stride = (bytesPerLine + 3) / 4 * 4;
    for (uint32_t row = height; row-- > 0;) {
        const size_t at = pixelOffset + size_t{row} * stride;
        if (at + stride > bitmap.size()) return {};
        rows.emplace_back(bitmap.begin() + at, bitmap.begin() + at + bytesPerLine);
    }
    return rows;
}

uint8_t ReverseBits(uint8_t byte) {
    uint8_t reversed = 0;
    for (int bit = 0; bit < 8; ++bit) {
        if (byte & (1u << bit)) reversed = static_cast<uint8_t>(reversed | (0x80u >> bit));
    }
    return reversed;
}

Bytes Transform(const Bytes& bytes, uint8_t (*convert)(uint8_t)) {
    Bytes out(bytes.size());
    for (size_t i = 0; i < bytes.size(); ++i) out[i] = convert(bytes[i]);
    return out;
}

}  // namespace trtest
