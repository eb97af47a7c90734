// Memory transfer: a page delivered in strips of whole lines (or of coded
// bytes with a compression) into buffers the application supplies, read from
// the scanner and converted one strip at a time; and the position of the next
// strip within the current page. Depends on the native transfer's shared
// routines, the scan job and the SCSI commands.
#pragma once

#include <cstdint>

#include "twain/twain_types.h"

// Lines of the current page already delivered in strips; reported as the
// strip's YOffset, reset at the start of a batch and of every page.
extern uint32_t MemoryLinePosition;

// Coded bytes asked for so far on the current compressed page. CCITT coding
// grows a page at worst about fivefold, so a scanner that goes on answering
// READs with success far beyond that is taken to have lost the page's end.
extern uint64_t CodedBytesRequested;
constexpr uint32_t kCodedGrowthBound = 8;

// ReadStrip's answers.
constexpr int kStripMore = 0;       // more strips of this page follow
constexpr int kStripLast = 1;       // the page ended with this strip
constexpr int kStripFailed = -1;    // the READ failed; the sense data tell why
constexpr int kStripNoMemory = -2;  // no working block; "Short of Memory !" shown

// Fills one application buffer; TWRC_SUCCESS, TWRC_XFERDONE or TWRC_FAILURE.
// The buffer must already be usable (MemoryBufferUsable).
TW_UINT16 FillMemoryStrip(TW_IMAGEMEMXFER& xfer);
// Reads one strip of `stripSize` bytes into `destination` and converts it.
int ReadStrip(uint8_t* destination, uint32_t stripSize, uint32_t& bytesRead);

// True when a buffer of `length` bytes (at most 32768 are used) holds at
// least one strip: a whole line and the 2 spare bytes without compression, 2
// bytes with one.
bool MemoryBufferUsable(uint32_t length);

// A new page: the line position and the coded byte count start again.
void StartMemoryPage();
void ResetMemoryTransferState();
