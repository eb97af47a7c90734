// The transfer loop of a batch and the two ways a page arrives: a native DIB
// handed over in a memory block, or strips into the application's buffer.
#include "apps/twain_app/page_transfer.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "apps/twain_app/negotiation.h"
#include "apps/twain_app/twain_session.h"
#include "platform/platform.h"

namespace {

enum class PageRead { Done, SourceFailed, SourceCancelled, Malformed };

// A source that keeps answering empty strips without ending the page is not
// waited for any longer than this.
constexpr int kMaxEmptyStrips = 4;
// The memory transfer buffer when the source's preference is unusable.
constexpr uint32_t kDefaultStripBuffer = 32768;
constexpr uint32_t kMaxStripBuffer = 1u << 20;

uint32_t Little32(const uint8_t* bytes) {
    return bytes[0] | (uint32_t{bytes[1]} << 8) | (uint32_t{bytes[2]} << 16) |
           (uint32_t{bytes[3]} << 24);
}

uint16_t Little16(const uint8_t* bytes) { return static_cast<uint16_t>(bytes[0] | (bytes[1] << 8)); }

double FromFix32(const TW_FIX32& fix) { return fix.Whole + fix.Frac / 65536.0; }

void Malformed(const char* what) {
    std::fflush(stdout);
    std::fprintf(stderr, "%s: %s\n", ApplicationName(), what);
}

PageRead ReadNativePage(ScannedPage& page) {
    TW_HANDLE bitmap = nullptr;  // the source writes a whole handle
    const TW_UINT16 result = CallSource(DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET, &bitmap);
    if (result == TWRC_CANCEL) return PageRead::SourceCancelled;
    if (result != TWRC_XFERDONE) return PageRead::SourceFailed;
    const auto* dib = static_cast<const uint8_t*>(plat::MemLock(bitmap));
    const bool ok = dib != nullptr && PageFromDib(dib, plat::MemSize(bitmap), page);
    if (dib != nullptr) plat::MemUnlock(bitmap);
    plat::MemFree(bitmap);
    if (!ok) {
        Malformed("the source delivered a bitmap that does not hold the image it describes");
        return PageRead::Malformed;
    }
    return PageRead::Done;
}

uint32_t StripBufferSize() {
    TW_SETUPMEMXFER setup{};
    if (CallSource(DG_CONTROL, DAT_SETUPMEMXFER, MSG_GET, &setup) != TWRC_SUCCESS) {
        return kDefaultStripBuffer;
    }
    uint32_t size = setup.Preferred;
    if (size < setup.MinBufSize) size = setup.MinBufSize;
    if (size == 0 || size > kMaxStripBuffer) size = kDefaultStripBuffer;
    return size;
}

PageRead ReadMemoryPage(ScannedPage& page, bool minIsWhite, PageSink& sink) {
    std::vector<uint8_t> buffer(StripBufferSize());
    const uint64_t pageBytes = uint64_t{page.BytesPerRow()} * page.length;
    // Coded data is allowed far beyond the raw size (a noisy page codes badly),
    // but not without end.
    const uint64_t codedLimit = 16 * pageBytes + 65536;
    if (codedLimit > PTRDIFF_MAX / 2) {
        Malformed("the source describes a page too large to hold");
        return PageRead::Malformed;
    }
    int emptyStrips = 0;
    for (bool first = true;; first = false) {
        TW_IMAGEMEMXFER strip{};
        strip.Compression = TWON_DONTCARE16;
        strip.BytesPerRow = strip.Columns = strip.Rows = TWON_DONTCARE32;
        strip.XOffset = strip.YOffset = strip.BytesWritten = TWON_DONTCARE32;
        strip.Memory = {TWMF_APPOWNS | TWMF_POINTER, static_cast<TW_UINT32>(buffer.size()), buffer.data()};
        const TW_UINT16 result = CallSource(DG_IMAGE, DAT_IMAGEMEMXFER, MSG_GET, &strip);
        if (result == TWRC_CANCEL) return PageRead::SourceCancelled;
        if (result != TWRC_SUCCESS && result != TWRC_XFERDONE) return PageRead::SourceFailed;
        if (first) page.compression = strip.Compression;
        const uint32_t written = strip.BytesWritten;
        if (written > buffer.size() || strip.Compression != page.compression) {
            Malformed("the source reported a strip its buffer cannot hold");
            return PageRead::Malformed;
        }
        if (page.compression == TWCP_NONE) {
            if (strip.BytesPerRow != page.BytesPerRow() ||
                uint64_t{strip.YOffset} * page.BytesPerRow() != page.data.size() ||
                page.data.size() + written > pageBytes) {
                Malformed("the source delivered a strip outside the page it described");
                return PageRead::Malformed;
            }
        } else if (page.data.size() + written > codedLimit) {
            Malformed("the source's coded page grows beyond any sensible size");
            return PageRead::Malformed;
        }
        page.data.insert(page.data.end(), buffer.begin(), buffer.begin() + written);
        sink.PageProgress(page.number, page.data.size());
        if (result == TWRC_XFERDONE) break;
        if (written == 0 && ++emptyStrips > kMaxEmptyStrips) {
            Malformed("the source keeps delivering empty strips");
            return PageRead::Malformed;
        }
    }
    if (page.compression == TWCP_NONE) {
        // A page the scanner ended early keeps the whole lines it has.
        page.length = static_cast<uint32_t>(page.data.size() / page.BytesPerRow());
        page.data.resize(size_t{page.length} * page.BytesPerRow());
        page.minIsWhite = minIsWhite;
        if (page.length == 0) {
            Malformed("the source ended the page before its first line");
            return PageRead::Malformed;
        }
    } else {
        // T.4 and T.6 code black as 1.
        page.minIsWhite = true;
        page.bitsPerPixel = 1;
    }
    return PageRead::Done;
}

}  // namespace

bool PageFromDib(const uint8_t* dib, uint32_t size, ScannedPage& page) {
    constexpr uint32_t kInfoHeaderSize = 40;
    if (dib == nullptr || size < kInfoHeaderSize) return false;
    const uint32_t headerSize = Little32(dib);
    const auto width = static_cast<int32_t>(Little32(dib + 4));
    const auto height = static_cast<int32_t>(Little32(dib + 8));
    const uint16_t bits = Little16(dib + 14);
    const uint32_t colorsUsed = Little32(dib + 32);
    if (headerSize < kInfoHeaderSize || headerSize > size || Little16(dib + 12) != 1 ||
        Little32(dib + 16) != 0 || width <= 0 || height == 0 || height == INT32_MIN ||
        (bits != 1 && bits != 4 && bits != 8)) {
        return false;
    }
    const uint32_t colors = colorsUsed == 0 ? 1u << bits : colorsUsed;
    if (colors < 2 || colors > (1u << bits)) return false;
    const uint32_t lines = static_cast<uint32_t>(height < 0 ? -height : height);
    const uint64_t stride = (uint64_t(width) * bits + 31) / 32 * 4;
    const uint64_t pixelsAt = uint64_t{headerSize} + 4 * colors;
    // Within the block, so the page also fits in this process's memory.
    if (pixelsAt + stride * lines > size) return false;

    // A gray palette: whichever end is brighter says the polarity (the green
    // byte of each BGR entry stands for its level).
    const uint8_t* palette = dib + headerSize;
    page.minIsWhite = palette[1] > palette[4 * (colors - 1) + 1];
    page.width = static_cast<uint32_t>(width);
    page.length = lines;
    page.bitsPerPixel = bits;
    page.compression = TWCP_NONE;
    const uint32_t rowBytes = page.BytesPerRow();
    page.data.resize(size_t{rowBytes} * lines);
    for (uint32_t row = 0; row < lines; ++row) {
        const uint32_t stored = height > 0 ? lines - 1 - row : row;
        std::memcpy(page.data.data() + size_t{row} * rowBytes,
                    dib + static_cast<size_t>(pixelsAt + stride * stored), rowBytes);
    }
    return true;
}

PageStep TransferNextPage(TransferMechanism mechanism, uint32_t number, bool minIsWhite, PageSink& sink) {
    PageStep step;
    TW_IMAGEINFO info{};
    TW_UINT16 result = CallSource(DG_IMAGE, DAT_IMAGEINFO, MSG_GET, &info);
    if (result != TWRC_SUCCESS) {
        ReportSourceFailure("DAT_IMAGEINFO", result);
        EndBatch();
        step.end = BatchEnd::TwainFailure;
        return step;
    }
    ScannedPage page;
    page.number = number;
    page.width = info.ImageWidth > 0 ? static_cast<uint32_t>(info.ImageWidth) : 0;
    page.length = info.ImageLength > 0 ? static_cast<uint32_t>(info.ImageLength) : 0;
    page.bitsPerPixel = static_cast<uint16_t>(info.BitsPerPixel);
    page.xResolution = FromFix32(info.XResolution);
    page.yResolution = FromFix32(info.YResolution);

    sink.PageStarted(number);
    PageRead read = PageRead::Malformed;
    if (mechanism == TransferMechanism::Native) {
        read = ReadNativePage(page);
    } else if (page.width == 0 || page.length == 0 ||
               (page.bitsPerPixel != 1 && page.bitsPerPixel != 4 && page.bitsPerPixel != 8)) {
        Malformed("the source describes an image without size or with an unknown depth");
    } else {
        read = ReadMemoryPage(page, minIsWhite, sink);
    }
    switch (read) {
        case PageRead::Done:
            sink.PageProgress(number, page.data.size());
            step.kept = sink.PageDone(page);
            if (!step.kept) step.end = BatchEnd::SinkFailed;
            break;
        case PageRead::SourceCancelled: step.end = BatchEnd::Cancelled; break;
        case PageRead::SourceFailed: {
            const TW_UINT16 condition = SourceCondition();
            ReportFailureWithCondition(mechanism == TransferMechanism::Native ? "DAT_IMAGENATIVEXFER"
                                                                              : "DAT_IMAGEMEMXFER",
                                       TWRC_FAILURE, condition);
            // TWCC_BUMMER is the source's answer to a scanner error, which
            // it has shown as a message.
            step.end = condition == TWCC_BUMMER ? BatchEnd::ScannerFault : BatchEnd::TwainFailure;
            break;
        }
        case PageRead::Malformed: step.end = BatchEnd::TwainFailure; break;
    }
    TW_PENDINGXFERS pending{};
    result = CallSource(DG_CONTROL, DAT_PENDINGXFERS, MSG_ENDXFER, &pending);
    if (result != TWRC_SUCCESS) {
        ReportSourceFailure("MSG_ENDXFER", result);
        step.end = BatchEnd::TwainFailure;
        return step;
    }
    step.morePages = pending.Count != 0;
    return step;
}

bool EndBatch() {
    TW_PENDINGXFERS pending{};
    const TW_UINT16 result = CallSource(DG_CONTROL, DAT_PENDINGXFERS, MSG_RESET, &pending);
    return result == TWRC_SUCCESS || ReportSourceFailure("MSG_RESET", result);
}

BatchResult TransferBatch(TransferMechanism mechanism, PageSink& sink, uint32_t maxPages) {
    BatchResult batch;
    bool minIsWhite = false;
    if (mechanism == TransferMechanism::Memory) {
        CapabilityValue flavor{};
        if (GetCurrentCapability(ICAP_PIXELFLAVOR, flavor)) minIsWhite = flavor.number == TWPF_VANILLA;
    }
    for (uint32_t number = 1;; ++number) {
        const PageStep step = TransferNextPage(mechanism, number, minIsWhite, sink);
        if (step.kept) ++batch.pagesKept;
        batch.end = step.end;
        if (!step.morePages) return batch;
        // A source may scan on past the count the application asked for.
        if (batch.end != BatchEnd::Complete || batch.pagesKept == maxPages) {
            EndBatch();
            return batch;
        }
    }
}
