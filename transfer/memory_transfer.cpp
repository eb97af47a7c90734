// DAT_IMAGEMEMXFER, FillMemoryStrip and ReadStrip.
#include "transfer/memory_transfer.h"

#include "platform/platform.h"
#include "scanner/discovery.h"
#include "scanner/scanner_messages.h"
#include "transfer/native_transfer.h"
#include "transfer/progress_dialog.h"
#include "transfer/scan_job.h"
#include "twain/app_memory.h"
#include "twain/handlers.h"
#include "twain/source_state.h"
#include "twain/user_interface.h"

uint32_t MemoryLinePosition = 0;
uint64_t CodedBytesRequested = 0;

namespace {

constexpr const char* kMemoryContext = "General failure in response to DAT_IMAGEINFO.  ";
constexpr uint32_t kStripSpareBytes = 2;

uint32_t UsableLength(uint32_t length) { return length > kMaxReadChunk ? kMaxReadChunk : length; }

// The bytes to read into a buffer of `length` (already cut to 32768); 0 when
// the buffer is too short.
uint32_t StripSize(uint32_t length, bool compressed) {
    if (length < kStripSpareBytes) return 0;
    if (compressed) return length;
    const uint32_t bytesPerLine = ImageGeometry.bytesPerLine;
    if (bytesPerLine == 0) return 0;
    return (length - kStripSpareBytes) / bytesPerLine * bytesPerLine;
}

// A READ answered with success where the page's end was due: after the whole
// uncompressed image, or far beyond any coded size of a compressed one.
bool EndOverdue(uint32_t chunk, bool compressed) {
    if (!compressed) return chunk == 0;
    return CodedBytesRequested > uint64_t{kCodedGrowthBound} * ImageGeometry.imageBytes;
}

// The READ loop of one strip into the working block.
int ReadIntoWorkingBlock(uint8_t* work, uint32_t stripSize, bool compressed, uint32_t& bytesRead) {
    uint32_t toRequest = stripSize;
    uint32_t chunk = kMaxReadChunk;
    uint64_t offset = 0;
    bytesRead = 0;
    do {
        if (toRequest < kMaxReadChunk) chunk = toRequest;
        toRequest = toRequest > kMaxReadChunk ? toRequest - kMaxReadChunk : 0;
        uint32_t remaining = static_cast<uint32_t>(ImageGeometry.remainingBytes);
        if (chunk > remaining) chunk = remaining;
        const ScsiResult result = ReadImage(ScsiTarget, chunk, chunk != 0 ? work + offset : nullptr);
        offset += kMaxReadChunk;
        bytesRead += chunk;
        if (compressed) {
            CodedBytesRequested += chunk;
            ProgressPercentage = 0;
        } else {
            remaining -= chunk;
            ImageGeometry.remainingBytes = static_cast<int32_t>(remaining);
            ProgressPercentage = PagePercentage(remaining, ImageGeometry.imageBytes);
            // The page counts once, with the READ that asks for its last bytes.
            if (remaining == 0 && chunk != 0) ++ScanJob.pagesTransferred;
        }
        if (result != kScsiGood) {
            if (!IsCheckCondition(result) || SenseSnapshot.endOfMedium == 0) {
                ScanJob.feederEmpty = 1;
                return kStripFailed;
            }
            if (compressed) {
                // Coded data ends anywhere: report what the scanner delivered.
                const uint32_t unfilled = SenseSnapshot.residue < chunk ? SenseSnapshot.residue : chunk;
                bytesRead -= unfilled;
                ++ScanJob.pagesTransferred;
                ProgressPercentage = 100;
            }
            ReportProgress(ProgressPercentage);
            return kStripLast;
        }
        if (EndOverdue(chunk, compressed)) {
            ScanJob.feederEmpty = 1;
            return kStripFailed;
        }
        ReportProgress(ProgressPercentage);
    } while (toRequest > 0);
    return kStripMore;
}

}  // namespace

bool MemoryBufferUsable(uint32_t length) {
    return StripSize(UsableLength(length), CurrentCompression() != TWCP_NONE) != 0;
}

int ReadStrip(uint8_t* destination, uint32_t stripSize, uint32_t& bytesRead) {
    const bool compressed = CurrentCompression() != TWCP_NONE;
    plat::MemHandle block = plat::MemAlloc(stripSize + kStripSpareBytes);
    auto* work = static_cast<uint8_t*>(plat::MemLock(block));
    if (work == nullptr) {
        plat::MemFree(block);
        ShowScannerMessage(MainDialog, kSourceMessageKey, 0x00, 0x01);
        bytesRead = 0;
        return kStripNoMemory;
    }
    const int answer = ReadIntoWorkingBlock(work, stripSize, compressed, bytesRead);
    if (answer != kStripFailed) PageRowConverter(compressed)(work, destination, stripSize);
    if (answer != kStripMore) CodedBytesRequested = 0;
    plat::MemUnlock(block);
    plat::MemFree(block);
    return answer;
}

TW_UINT16 FillMemoryStrip(TW_IMAGEMEMXFER& xfer) {
    if (ScanJob.deferredError != 0) {
        ShowDeferredError(MainDialog);
        return TWRC_FAILURE;
    }
    const TW_UINT32 flags = xfer.Memory.Flags;
    uint8_t* destination = nullptr;
    if ((flags & TWMF_HANDLE) != 0) {
        destination = static_cast<uint8_t*>(AppMemory.lock(xfer.Memory.TheMem));
    } else if ((flags & TWMF_POINTER) != 0) {
        destination = static_cast<uint8_t*>(xfer.Memory.TheMem);
    }
    if (destination == nullptr) return TWRC_FAILURE;

    xfer.Memory.Length = UsableLength(xfer.Memory.Length);
    const TW_UINT16 compression = CurrentCompression();
    const bool compressed = compression != TWCP_NONE;
    // A handle's block bounds the strip even where Length claims more (when
    // the blocks tell their size: a manager's do not, Length is taken then).
    uint32_t capacity = xfer.Memory.Length;
    if ((flags & TWMF_HANDLE) != 0 && AppMemory.size != nullptr &&
        AppMemory.size(xfer.Memory.TheMem) < capacity) {
        capacity = AppMemory.size(xfer.Memory.TheMem);
    }
    const uint32_t stripSize = StripSize(capacity, compressed);
    if (stripSize == 0) {
        if ((flags & TWMF_HANDLE) != 0) AppMemory.unlock(xfer.Memory.TheMem);
        return TWRC_FAILURE;
    }
    CreateProgressDialogIfWanted();
    uint32_t bytesRead = 0;
    const int answer = ReadStrip(destination, stripSize, bytesRead);
    if ((flags & TWMF_HANDLE) != 0) AppMemory.unlock(xfer.Memory.TheMem);
    if (answer < 0) {
        DestroyProgressDialog();
        if (answer == kStripFailed) {
            ShowScannerMessage(MainDialog, SenseSnapshot.senseKey, SenseSnapshot.asc,
                               SenseSnapshot.ascq);
        }
        return TWRC_FAILURE;
    }
    xfer.Compression = compression;
    if (compressed) {
        xfer.BytesPerRow = 0;
        xfer.Columns = xfer.Rows = xfer.XOffset = xfer.YOffset = TWON_DONTCARE32;
        xfer.BytesWritten = bytesRead;
    } else {
        const uint32_t bytesPerLine = ImageGeometry.bytesPerLine;
        xfer.BytesPerRow = bytesPerLine;
        xfer.Columns = ImageGeometry.pixelsPerLine;
        xfer.Rows = bytesRead / bytesPerLine;
        xfer.XOffset = 0;
        xfer.YOffset = MemoryLinePosition;
        // Whole lines only: the page's 2 spare bytes are not image data.
        xfer.BytesWritten = xfer.Rows * bytesPerLine;
        MemoryLinePosition += xfer.Rows;
    }
    return answer == kStripLast ? TWRC_XFERDONE : TWRC_SUCCESS;
}

void StartMemoryPage() {
    MemoryLinePosition = 0;
    CodedBytesRequested = 0;
}

void ResetMemoryTransferState() { StartMemoryPage(); }

TW_UINT16 HandleImageMemXfer(TripletCall* call) {
    if (call->msg != MSG_GET) return FailOperation(TWCC_BADPROTOCOL, kMemoryContext);
    auto* xfer = static_cast<TW_IMAGEMEMXFER*>(call->data);
    if (xfer == nullptr) return FailOperation(TWCC_BADVALUE, kMemoryContext);
    // Nothing to read before a scan has sized the page.
    if (ImageGeometry.bytesPerLine == 0) return FailOperation(TWCC_SEQERROR, kMemoryContext);
    // A buffer too short for one strip would only ever get empty strips.
    if (!MemoryBufferUsable(xfer->Memory.Length)) return FailOperation(TWCC_BADVALUE, kMemoryContext);
    const TW_UINT16 answer = FillMemoryStrip(*xfer);
    if (answer == TWRC_SUCCESS || answer == TWRC_XFERDONE) {
        SourceState = kStateTransferring;
        return answer;
    }
    ConditionCode = TWCC_BUMMER;
    return TWRC_FAILURE;
}
