// The CCITT coder over libtiff's fax codecs. The page is written as a one-image
// TIFF file in memory and the coded bytes are taken from its strips:
//   type 1: T.4 one-dimensional, an EOL before every line, one strip;
//   type 2: T.4 two-dimensional, an EOL and tag bit before every line; each
//           run of K lines (one 1D line, K - 1 2D lines) is one strip, so the
//           K factor is the argument's (libtiff alone would take it from the
//           resolution); a strip ends on a byte boundary, so fill bits may
//           precede an EOL there, which T.4 allows;
//   type 3: T.6, one strip ending with EOFB.
// libtiff writes no RTC. Bits are most significant first, a 1 codes black.
#include "vscanner/ccitt_coder.h"

#include "vscanner/tiff_memory.h"

namespace vscan {

namespace {

uint8_t ReverseBits(uint8_t value) {
    value = static_cast<uint8_t>((value & 0xF0) >> 4 | (value & 0x0F) << 4);
    value = static_cast<uint8_t>((value & 0xCC) >> 2 | (value & 0x33) << 2);
    return static_cast<uint8_t>((value & 0xAA) >> 1 | (value & 0x55) << 1);
}

bool WriteCodedImage(TIFF* tiff, uint8_t compression, uint32_t rowsPerStrip,
                     uint32_t pixelsPerLine, uint32_t lines, const BilevelLineSource& source) {
    const bool group4 = compression == kCompressionGroup4;
    TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, pixelsPerLine);
    TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, lines);
    TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, 1);
    TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, 1);
    TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISWHITE);
    TIFFSetField(tiff, TIFFTAG_FILLORDER, FILLORDER_MSB2LSB);
    TIFFSetField(tiff, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(tiff, TIFFTAG_COMPRESSION, group4 ? COMPRESSION_CCITTFAX4 : COMPRESSION_CCITTFAX3);
    if (group4) {
        TIFFSetField(tiff, TIFFTAG_GROUP4OPTIONS, 0);
    } else {
        TIFFSetField(tiff, TIFFTAG_GROUP3OPTIONS,
                     compression == kCompressionGroup3TwoD ? GROUP3OPT_2DENCODING : 0);
    }
    // Above 150 lines per inch libtiff's 2D coder allows runs of 4 lines.
    TIFFSetField(tiff, TIFFTAG_XRESOLUTION, 200.0);
    TIFFSetField(tiff, TIFFTAG_YRESOLUTION, 200.0);
    TIFFSetField(tiff, TIFFTAG_RESOLUTIONUNIT, RESUNIT_INCH);
    TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP, rowsPerStrip);
    std::vector<uint8_t> row((static_cast<size_t>(pixelsPerLine) + 7) / 8);
    for (uint32_t line = 0; line < lines; ++line) {
        source(line, row.data());
        for (uint8_t& byte : row) byte = ReverseBits(byte);
        if (TIFFWriteScanline(tiff, row.data(), line, 0) < 0) return false;
    }
    return true;
}

bool ReadStrips(MemoryTiffFile& file, std::vector<uint8_t>& coded) {
    TIFF* tiff = OpenMemoryTiff(file, "r");
    if (tiff == nullptr) return false;
    uint64_t* byteCounts = nullptr;
    bool ok = TIFFGetField(tiff, TIFFTAG_STRIPBYTECOUNTS, &byteCounts) == 1;
    const uint32_t strips = TIFFNumberOfStrips(tiff);
    for (uint32_t strip = 0; ok && strip < strips; ++strip) {
        const size_t start = coded.size();
        coded.resize(start + static_cast<size_t>(byteCounts[strip]));
        const tmsize_t size = static_cast<tmsize_t>(byteCounts[strip]);
        ok = size == 0 || TIFFReadRawStrip(tiff, strip, coded.data() + start, size) == size;
    }
    TIFFClose(tiff);
    return ok;
}

}  // namespace

bool CcittCoderAvailable() { return true; }

bool EncodeCcittPage(uint8_t compression, uint8_t kFactor, uint32_t pixelsPerLine, uint32_t lines,
                     const BilevelLineSource& source, std::vector<uint8_t>& coded,
                     std::string& error) {
    coded.clear();
    if (compression < kCompressionGroup3OneD || compression > kCompressionGroup4 ||
        pixelsPerLine == 0 || lines == 0) {
        error = "no CCITT coding for this page";
        return false;
    }
    uint32_t rowsPerStrip = lines;
    if (compression == kCompressionGroup3TwoD)
        rowsPerStrip = kFactor == 0 || kFactor > kMaxKFactor ? kMaxKFactor : kFactor;

    MemoryTiffFile file;
    TIFF* tiff = OpenMemoryTiff(file, "w");
    if (tiff == nullptr) {
        error = file.error;
        return false;
    }
    const bool written = WriteCodedImage(tiff, compression, rowsPerStrip, pixelsPerLine, lines, source);
    TIFFClose(tiff);
    if (!written || !ReadStrips(file, coded)) {
        error = file.error.empty() ? "the CCITT coder failed" : file.error;
        coded.clear();
        return false;
    }
    return true;
}

}  // namespace vscan
