// Transferring a batch: after MSG_XFERREADY every page is read natively (a DIB
// in a memory block) or in memory strips (uncompressed or CCITT-coded), turned
// into one page record and handed to a page sink, with MSG_ENDXFER after each
// until the source answers Count 0. Independent of what the sink does with the
// pages (files, a SANE frame, an HTTP response).
#pragma once

#include <cstdint>
#include <vector>

#include "twain/twain_types.h"

// One side of one sheet as the source delivered it.
struct ScannedPage {
    uint32_t number = 0;  // 1 for the batch's first page
    uint32_t width = 0;   // pixels
    uint32_t length = 0;  // lines
    uint16_t bitsPerPixel = 0;  // 1, 4 or 8
    bool minIsWhite = false;    // sample value 0 is white (else black)
    double xResolution = 0;
    double yResolution = 0;
    TW_UINT16 compression = TWCP_NONE;  // or TWCP_GROUP31DEOL, TWCP_GROUP32D, TWCP_GROUP4
    // Uncompressed: top-down rows of BytesPerRow() bytes, the leftmost pixel
    // in the most significant bits. Compressed: the coded bytes, most
    // significant bit first, a set bit black.
    std::vector<uint8_t> data;

    uint32_t BytesPerRow() const { return static_cast<uint32_t>((uint64_t{width} * bitsPerPixel + 7) / 8); }
};

// What an application does with the pages.
class PageSink {
public:
    virtual ~PageSink() = default;
    // A page's transfer starts; `bytes` of it have arrived so far as it goes on.
    virtual void PageStarted(uint32_t number) = 0;
    virtual void PageProgress(uint32_t number, uint64_t bytes) = 0;
    // False when the page could not be kept; the batch then stops.
    virtual bool PageDone(const ScannedPage& page) = 0;
};

enum class TransferMechanism { Native, Memory };

enum class BatchEnd {
    Complete,      // the source answered Count 0 after the last page
    ScannerFault,  // a transfer failed with the scanner's message; the batch ended there
    Cancelled,     // the source's Cancel button
    SinkFailed,    // the sink could not keep a page
    TwainFailure,  // a triplet the batch needs was refused
};

struct BatchResult {
    BatchEnd end = BatchEnd::Complete;
    uint32_t pagesKept = 0;
};

// Runs the batch the source announced with MSG_XFERREADY, at most `maxPages`
// pages when it is above 0 (the rest are reset). Failures are printed with
// their codes; the source is left in state 500.
BatchResult TransferBatch(TransferMechanism mechanism, PageSink& sink, uint32_t maxPages = 0);

// One page of the announced batch (state 600): its image information, its
// transfer into the sink, and MSG_ENDXFER. `minIsWhite` is the polarity of
// memory strips (ICAP_PIXELFLAVOR TWPF_VANILLA). `end` is Complete when the
// page was kept; `morePages` tells whether the source holds another (state
// 600) or has ended the batch (state 500).
struct PageStep {
    BatchEnd end = BatchEnd::Complete;
    bool kept = false;
    bool morePages = false;
};
PageStep TransferNextPage(TransferMechanism mechanism, uint32_t number, bool minIsWhite, PageSink& sink);

// Ends a batch with pages still pending (MSG_RESET, state 500); false (with
// the failure printed) when refused.
bool EndBatch();

// Reads a packed DIB (BITMAPINFOHEADER, palette, rows) of `size` bytes into
// `page` (geometry, polarity and top-down rows); false when it is malformed or
// of a kind a scanner source does not send.
bool PageFromDib(const uint8_t* dib, uint32_t size, ScannedPage& page);
