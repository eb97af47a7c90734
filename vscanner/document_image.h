// A document taken from an image file: one page of a PNG or TIFF file,
// decoded to 8-bit intensity (0 black .. 255 white) with its resolution, so
// the scanner can lay it on a sheet at its physical size and sample it at any
// window resolution. Decoding is libpng's and libtiff's; builds without them
// (the Win32 module) cannot load image files.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace vscan {

struct DocumentImage {
    uint32_t width = 0;   // pixels
    uint32_t height = 0;  // pixels
    double xResolution = 0;  // dots per inch
    double yResolution = 0;
    std::vector<uint8_t> intensity;  // width x height, top row first
};

using DocumentPage = std::shared_ptr<const DocumentImage>;

// The resolution assumed for a file that does not record one.
constexpr double kDefaultImageResolution = 300.0;

bool ImageFilesSupported();

// Every page of the PNG or TIFF file at `path` (a PNG has one). False with
// `error` naming the file when it cannot be read or decoded.
bool LoadDocumentPages(const std::string& path, std::vector<DocumentPage>& pages,
                       std::string& error);

}  // namespace vscan
