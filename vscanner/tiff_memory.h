// A TIFF file held in memory, opened through libtiff's client interface:
// the CCITT coder writes its one-image files here, and tests wrap coded
// pages into one to decode them. libtiff's messages are collected into the
// file's error text instead of going to the process's stderr.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include <tiffio.h>

namespace vscan {

struct MemoryTiffFile {
    std::vector<uint8_t> bytes;
    uint64_t position = 0;
    std::string error;  // libtiff's last error message
};

// `mode` as for TIFFOpen ("w", "r"). Null when libtiff refuses; the reason is
// in file.error. Close with TIFFClose; `file` must outlive the handle.
TIFF* OpenMemoryTiff(MemoryTiffFile& file, const char* mode);

}  // namespace vscan
