// Native transfer: one page as a packed device-independent bitmap in one
// movable block that becomes the application's, read from the scanner in
// chunks of at most 32768 bytes; and what both transfers share: the page's
// converter, the current compression and the error deferred by the end of the
// previous transfer. Depends on the scan job, the scan window, the SCSI
// commands, the settings and the capability state.
#pragma once

#include <cstdint>

#include "platform/platform.h"
#include "scanner/scsi_commands.h"
#include "transfer/row_converters.h"
#include "twain/twain_types.h"

// The largest single READ of image data.
constexpr uint32_t kMaxReadChunk = 32768;

// Bitmap layout constants.
constexpr uint32_t kBitmapInfoHeaderSize = 40;
constexpr uint32_t kBitmapSpareBytes = 2;

// The layout of the bitmap of the current page; false when its size does not
// fit in 32 bits.
struct NativeImageLayout {
    uint16_t bitCount;        // 1, 4 or 8
    uint32_t paletteEntries;  // 2, 16 or 256
    uint32_t stride;          // bytesPerLine rounded up to a multiple of 4
    uint32_t pixelOffset;     // 40 + palette bytes
    uint32_t blockSize;       // pixelOffset + lines x stride + 2
    uint32_t workSize;        // lines x stride + 2
};
bool ComputeNativeImageLayout(NativeImageLayout& layout);

// The sense data of the error found when testing for the next page, kept
// until the next transfer shows it.
extern SenseSnapshotRecord DeferredSense;

// The current ICAP_COMPRESSION value.
TW_UINT16 CurrentCompression();
// The converter of the current page, for a compressed memory strip or not.
RowConverter PageRowConverter(bool compressed);
// The deferred error ends the batch: clears the flag, marks the feeder empty,
// destroys the progress dialog and shows the error owned by `owner`.
void ShowDeferredError(plat::WindowHandle owner);

// Reads the current side into a new bitmap and answers its unlocked handle, or
// null after the user has been told why.
plat::MemHandle BuildNativeImage(plat::WindowHandle owner);
