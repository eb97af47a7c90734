// The scan request of an eSCL client: the ScanSettings document of a POST to
// /eSCL/ScanJobs read into a plain record, with bounds on the document's size,
// depth and element count so that a hostile client costs little. Depends on
// pugixml only; knows nothing of TWAIN or HTTP.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace escl {

enum class ColorMode : uint8_t { BlackAndWhite1, Grayscale8 };
enum class DocumentFormat : uint8_t { Jpeg, Pdf, Png };

// Bounds on a request: bytes of the body, nesting of elements, elements in all.
constexpr size_t kMaxRequestBytes = 64 * 1024;
constexpr int kMaxXmlDepth = 16;
constexpr int kMaxXmlElements = 512;
// Geometry and resolutions above these are nonsense for any scanner.
constexpr uint32_t kMaxRegionUnits = 300 * 100;  // 100 inches in 1/300 inch
constexpr uint32_t kMaxResolution = 9600;

struct ScanSettings {
    ColorMode colorMode = ColorMode::Grayscale8;
    DocumentFormat format = DocumentFormat::Jpeg;
    bool formatGiven = false;
    bool duplex = false;
    uint32_t xResolution = 0;  // dots per inch; 0 when the client named none
    uint32_t yResolution = 0;
    // The scan region in 1/300 inch from the top left corner; width 0 when
    // the client named none.
    uint32_t xOffset = 0;
    uint32_t yOffset = 0;
    uint32_t width = 0;
    uint32_t height = 0;
};

enum class SettingsResult : uint8_t {
    Ok,
    Malformed,    // not a ScanSettings document, or beyond the bounds: HTTP 400
    Unsupported,  // well formed, but asks for what this scanner cannot do: HTTP 409
};

// Reads `size` bytes of `body`. On failure `why` says what was wrong, in a
// sentence fit for the response.
SettingsResult ParseScanSettings(const char* body, size_t size, ScanSettings& request, std::string& why);

// The MIME type of a format, and the format of a MIME type (false when unknown).
const char* MimeTypeOf(DocumentFormat format);
bool FormatOfMimeType(const std::string& mime, DocumentFormat& format);

}  // namespace escl
