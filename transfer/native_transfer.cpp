// DAT_IMAGENATIVEXFER and BuildNativeImage.
#include "transfer/native_transfer.h"

#include <cstring>

#include "scanner/discovery.h"
#include "scanner/model_table.h"
#include "scanner/scan_window.h"
#include "scanner/scanner_messages.h"
#include "settings/capability_state.h"
#include "settings/settings_model.h"
#include "transfer/progress_dialog.h"
#include "transfer/scan_job.h"
#include "twain/app_memory.h"
#include "twain/handlers.h"
#include "twain/source_state.h"
#include "twain/user_interface.h"

SenseSnapshotRecord DeferredSense;

namespace {

constexpr const char* kNativeContext = "General failure in response to DAT_IMAGENATIVEXFER.  ";
constexpr const char* kSwitchOn = "ON";
constexpr uint8_t kGrayComposition = 2;

// The source's own messages (key 0xFF).
constexpr uint8_t kShortOfMemoryAsc = 0x00, kShortOfMemoryAscq = 0x01;
constexpr uint8_t kInvalidModeAsc = 0x02, kInvalidModeAscq = 0x09;

bool TextIs(const SettingRecord& setting, const char* text) {
    return std::strncmp(setting.text, text, sizeof setting.text) == 0;
}

void ShowSourceMessage(plat::WindowHandle owner, uint8_t asc, uint8_t ascq) {
    ShowScannerMessage(owner, kSourceMessageKey, asc, ascq);
}

void PutLittle16(uint8_t* at, uint32_t value) {
    at[0] = static_cast<uint8_t>(value);
    at[1] = static_cast<uint8_t>(value >> 8);
}
void PutLittle32(uint8_t* at, uint32_t value) {
    PutLittle16(at, value);
    PutLittle16(at + 2, value >> 16);
}

// BITMAPINFOHEADER and a gray palette rising from black (TWPF_CHOCOLATE) or
// falling from white.
void WriteHeaderAndPalette(uint8_t* block, const NativeImageLayout& layout) {
    PutLittle32(block + 0, kBitmapInfoHeaderSize);
    PutLittle32(block + 4, ImageGeometry.pixelsPerLine);
    PutLittle32(block + 8, ImageGeometry.lines);
    PutLittle16(block + 12, 1);
    PutLittle16(block + 14, layout.bitCount);
    PutLittle32(block + 32, layout.bitCount == 1 ? 2 : 0);  // biClrUsed
    const bool rising = CapabilityState.pixelFlavor == TWPF_CHOCOLATE;
    const uint32_t step = 255 / (layout.paletteEntries - 1);
    uint8_t* entry = block + kBitmapInfoHeaderSize;
    for (uint32_t i = 0; i < layout.paletteEntries; ++i, entry += 4) {
        const uint32_t level = (rising ? i : layout.paletteEntries - 1 - i) * step;
        entry[0] = entry[1] = entry[2] = static_cast<uint8_t>(level);
    }
}

// The page ended as the scanner ends it: CHECK CONDITION with end of medium.
bool EndedWithEndOfMedium(ScsiResult result) {
    return IsCheckCondition(result) && SenseSnapshot.endOfMedium != 0;
}

// Reads the page into the working block; the result of the READ that ended
// the loop. Every READ stays within the block. A scanner that answers a READ
// of length 0 after the whole image with success instead of end of medium
// ends the loop there, as a page without end of medium.
ScsiResult ReadPage(uint8_t* work, uint32_t workSize) {
    uint32_t remaining = static_cast<uint32_t>(ImageGeometry.remainingBytes);
    uint64_t offset = 0;
    for (;;) {
        const uint32_t chunk = remaining >= kMaxReadChunk ? kMaxReadChunk : remaining;
        remaining -= chunk;
        ImageGeometry.remainingBytes = static_cast<int32_t>(remaining);
        if (chunk != 0 && offset + chunk > workSize) {
            return static_cast<ScsiResult>(kAspiErrorBase + SS_BUFFER_TO_BIG);
        }
        const ScsiResult result =
            ReadImage(ScsiTarget, chunk, chunk != 0 ? work + offset : nullptr);
        offset += kMaxReadChunk;
        ProgressPercentage = PagePercentage(remaining, ImageGeometry.imageBytes);
        // The page counts once, with the READ that asks for its last bytes.
        if (remaining == 0 && chunk != 0) ++ScanJob.pagesTransferred;
        if (result != kScsiGood || chunk == 0) return result;
        ReportProgress(ProgressPercentage);
    }
}

}  // namespace

bool ComputeNativeImageLayout(NativeImageLayout& layout) {
    if (ScanWindow.composition != kGrayComposition) {
        layout.bitCount = 1;
    } else {
        layout.bitCount = ScanWindow.bitsPerPixel == 4 ? 4 : 8;
    }
    layout.paletteEntries = 1u << layout.bitCount;
    const uint64_t stride = (uint64_t{ImageGeometry.bytesPerLine} + 3) / 4 * 4;
    const uint64_t work = stride * ImageGeometry.lines + kBitmapSpareBytes;
    const uint64_t pixelOffset = kBitmapInfoHeaderSize + 4 * layout.paletteEntries;
    const uint64_t block = pixelOffset + work;
    if (block > UINT32_MAX) return false;
    layout.stride = static_cast<uint32_t>(stride);
    layout.pixelOffset = static_cast<uint32_t>(pixelOffset);
    layout.workSize = static_cast<uint32_t>(work);
    layout.blockSize = static_cast<uint32_t>(block);
    return true;
}

TW_UINT16 CurrentCompression() {
    const CapabilityEnum16& choices = CapabilityState.compression.current;
    if (choices.currentIndex >= choices.ItemCount()) return TWCP_NONE;
    return choices.items[choices.currentIndex];
}

RowConverter PageRowConverter(bool compressed) {
    // The scanner's polarity is kept when an odd number of these hold.
    const bool reverse = TextIs(Reverse, kSwitchOn);
    const bool vanilla = CapabilityState.pixelFlavor != TWPF_CHOCOLATE;
    const bool blackIsZero = ModelGeneration != 0 && ScanWindow.composition == kGrayComposition;
    const bool keep = (reverse != vanilla) != blackIsZero;
    return ChooseRowConverter(ScanWindow.composition, ScanWindow.bitsPerPixel, keep, compressed);
}

void ShowDeferredError(plat::WindowHandle owner) {
    ScanJob.deferredError = 0;
    ScanJob.feederEmpty = 1;
    DestroyProgressDialog();
    ShowScannerMessage(owner, DeferredSense.senseKey, DeferredSense.asc, DeferredSense.ascq);
}

plat::MemHandle BuildNativeImage(plat::WindowHandle owner) {
    if (ScanWindow.compression != 0) {
        ShowSourceMessage(owner, kInvalidModeAsc, kInvalidModeAscq);
        return nullptr;
    }
    if (ScanJob.deferredError != 0) {
        ShowDeferredError(owner);
        return nullptr;
    }
    NativeImageLayout layout{};
    plat::MemHandle work = nullptr;
    plat::MemHandle bitmap = nullptr;
    uint8_t* workBytes = nullptr;
    uint8_t* bitmapBytes = nullptr;
    if (ComputeNativeImageLayout(layout)) {
        // The bitmap goes to the application: it is made by the application's
        // memory functions; the working block stays the source's own.
        work = plat::MemAlloc(layout.workSize);
        bitmap = work != nullptr ? AppMemory.allocate(layout.blockSize) : nullptr;
        workBytes = work != nullptr ? static_cast<uint8_t*>(plat::MemLock(work)) : nullptr;
        bitmapBytes = bitmap != nullptr ? static_cast<uint8_t*>(AppMemory.lock(bitmap)) : nullptr;
    }
    auto release = [&] {
        if (workBytes != nullptr) plat::MemUnlock(work);
        if (bitmapBytes != nullptr) AppMemory.unlock(bitmap);
        plat::MemFree(work);
        FreeAppBlock(bitmap);
    };
    if (workBytes == nullptr || bitmapBytes == nullptr) {
        release();
        ShowSourceMessage(owner, kShortOfMemoryAsc, kShortOfMemoryAscq);
        return nullptr;
    }

    // A manager's blocks need not come zeroed: the row padding and the spare
    // bytes must be.
    if (UsesManagerMemory()) std::memset(bitmapBytes, 0, layout.blockSize);
    WriteHeaderAndPalette(bitmapBytes, layout);
    CreateProgressDialogIfWanted();
    const RowConverter convert = PageRowConverter(false);
    const ScsiResult result = ReadPage(workBytes, layout.workSize);
    if (!EndedWithEndOfMedium(result)) {
        ScanJob.feederEmpty = 1;
        release();
        DestroyProgressDialog();
        ShowScannerMessage(owner, SenseSnapshot.senseKey, SenseSnapshot.asc, SenseSnapshot.ascq);
        return nullptr;
    }
    ReportProgress(ProgressPercentage);
    const uint32_t lines = ImageGeometry.lines;
    const uint32_t bytesPerLine = ImageGeometry.bytesPerLine;
    uint8_t* pixels = bitmapBytes + layout.pixelOffset;
    for (uint32_t line = 0; line < lines; ++line) {
        convert(workBytes + uint64_t{line} * bytesPerLine,
                pixels + uint64_t{lines - 1 - line} * layout.stride, bytesPerLine);
    }
    plat::MemUnlock(work);
    plat::MemFree(work);
    AppMemory.unlock(bitmap);
    return bitmap;
}

TW_UINT16 HandleImageNativeXfer(TripletCall* call) {
    if (SourceState != kStateXferReady && SourceState != kStateTransferring) {
        return FailOperation(TWCC_SEQERROR, kNativeContext);
    }
    if (call->msg != MSG_GET) return FailOperation(TWCC_BADPROTOCOL, kNativeContext);
    if (call->data == nullptr) return FailOperation(TWCC_BADVALUE, kNativeContext);
    plat::MemHandle bitmap = BuildNativeImage(ParentWindow);
    if (bitmap != nullptr) {
        // The whole handle: 4 bytes on Win32, 8 on a 64-bit build.
        std::memcpy(call->data, &bitmap, sizeof bitmap);
        return TWRC_XFERDONE;
    }
    DestroyProgressDialog();
    if (ScanJob.scanCancel != 0 && TextIs(ManualFeed, kSwitchOn)) return TWRC_CANCEL;
    return FailOperation(TWCC_BUMMER, kNativeContext);
}
