// Reading a client's ScanSettings: bounds first, then the elements this
// scanner acts on; elements it does not know are passed over, as eSCL asks.
#include "escl/scan_settings.h"

#include <cstring>
#include <pugixml.hpp>

namespace escl {

namespace {

// Document formats. Columns: format, MIME type.
struct FormatRow {
    DocumentFormat format;
    const char* mime;
};
constexpr FormatRow kFormats[] = {
    {DocumentFormat::Jpeg, "image/jpeg"},
    {DocumentFormat::Pdf, "application/pdf"},
    {DocumentFormat::Png, "image/png"},
};

// The name of an element without its namespace prefix.
const char* LocalName(const pugi::xml_node& node) {
    const char* name = node.name();
    const char* colon = std::strrchr(name, ':');
    return colon != nullptr ? colon + 1 : name;
}

bool Named(const pugi::xml_node& node, const char* localName) {
    return std::strcmp(LocalName(node), localName) == 0;
}

// The element's text without surrounding blanks.
std::string TextOf(const pugi::xml_node& node) {
    std::string text = node.child_value();
    const size_t first = text.find_first_not_of(" \t\r\n");
    if (first == std::string::npos) return std::string();
    const size_t last = text.find_last_not_of(" \t\r\n");
    return text.substr(first, last - first + 1);
}

// A decimal number of at most nine digits, nothing else.
bool ReadNumber(const pugi::xml_node& node, uint32_t limit, uint32_t& value) {
    const std::string text = TextOf(node);
    if (text.empty() || text.size() > 9) return false;
    uint32_t number = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') return false;
        number = number * 10 + static_cast<uint32_t>(c - '0');
    }
    if (number > limit) return false;
    value = number;
    return true;
}

// Depth and element count of the whole tree, walked without recursion.
bool WithinBounds(const pugi::xml_document& document) {
    int elements = 0;
    int depth = 1;
    pugi::xml_node node = document.first_child();
    while (node) {
        if (node.type() == pugi::node_element && ++elements > kMaxXmlElements) return false;
        if (node.first_child()) {
            node = node.first_child();
            if (++depth > kMaxXmlDepth) return false;
            continue;
        }
        while (!node.next_sibling()) {
            node = node.parent();
            if (--depth == 0) return true;
        }
        node = node.next_sibling();
    }
    return true;
}

SettingsResult Fail(SettingsResult result, std::string& why, const char* text) {
    why = text;
    return result;
}

SettingsResult ReadRegion(const pugi::xml_node& region, ScanSettings& request, std::string& why) {
    bool units = true;
    uint32_t* fields[4] = {&request.xOffset, &request.yOffset, &request.width, &request.height};
    const char* names[4] = {"XOffset", "YOffset", "Width", "Height"};
    bool seen[4] = {false, false, false, false};
    for (const pugi::xml_node& child : region.children()) {
        if (child.type() != pugi::node_element) continue;
        if (Named(child, "ContentRegionUnits")) {
            const std::string value = TextOf(child);
            const size_t colon = value.rfind(':');
            units = value.substr(colon == std::string::npos ? 0 : colon + 1) == "ThreeHundredthsOfInches";
            continue;
        }
        for (int i = 0; i < 4; ++i) {
            if (!Named(child, names[i])) continue;
            if (!ReadNumber(child, kMaxRegionUnits, *fields[i])) {
                return Fail(SettingsResult::Malformed, why, "a scan region value is not a number of 1/300 inch");
            }
            seen[i] = true;
        }
    }
    if (!units) return Fail(SettingsResult::Unsupported, why, "scan regions are given in 1/300 inch only");
    if (!seen[2] || !seen[3] || request.width == 0 || request.height == 0) {
        return Fail(SettingsResult::Malformed, why, "a scan region needs a width and a height above 0");
    }
    return SettingsResult::Ok;
}

}  // namespace

const char* MimeTypeOf(DocumentFormat format) {
    for (const FormatRow& row : kFormats) {
        if (row.format == format) return row.mime;
    }
    return "application/octet-stream";
}

bool FormatOfMimeType(const std::string& mime, DocumentFormat& format) {
    for (const FormatRow& row : kFormats) {
        if (mime == row.mime) {
            format = row.format;
            return true;
        }
    }
    return false;
}

SettingsResult ParseScanSettings(const char* body, size_t size, ScanSettings& request, std::string& why) {
    request = ScanSettings{};
    if (body == nullptr || size == 0) return Fail(SettingsResult::Malformed, why, "the request has no ScanSettings");
    if (size > kMaxRequestBytes) return Fail(SettingsResult::Malformed, why, "the ScanSettings are too long");
    // XML has no zero character; pugixml would end a text at one.
    if (std::memchr(body, 0, size) != nullptr) {
        return Fail(SettingsResult::Malformed, why, "the ScanSettings hold a zero byte");
    }
    pugi::xml_document document;
    // No entity expansion beyond the five predefined ones, no DOCTYPE processing.
    const pugi::xml_parse_result parsed =
        document.load_buffer(body, size, pugi::parse_default & ~pugi::parse_doctype, pugi::encoding_utf8);
    if (!parsed) return Fail(SettingsResult::Malformed, why, "the ScanSettings are not well-formed XML");
    if (!WithinBounds(document)) {
        return Fail(SettingsResult::Malformed, why, "the ScanSettings nest too deep or hold too many elements");
    }
    const pugi::xml_node root = document.document_element();
    if (!root || !Named(root, "ScanSettings")) {
        return Fail(SettingsResult::Malformed, why, "the document is not ScanSettings");
    }
    bool regionSeen = false;
    bool extFormat = false;
    for (const pugi::xml_node& child : root.children()) {
        if (child.type() != pugi::node_element) continue;
        if (Named(child, "ScanRegions")) {
            for (const pugi::xml_node& region : child.children()) {
                if (region.type() != pugi::node_element || !Named(region, "ScanRegion")) continue;
                if (regionSeen) return Fail(SettingsResult::Unsupported, why, "one scan region only");
                regionSeen = true;
                const SettingsResult result = ReadRegion(region, request, why);
                if (result != SettingsResult::Ok) return result;
            }
        } else if (Named(child, "InputSource")) {
            if (TextOf(child) != "Feeder") {
                return Fail(SettingsResult::Unsupported, why, "this scanner has a feeder only (InputSource Feeder)");
            }
        } else if (Named(child, "ColorMode")) {
            const std::string mode = TextOf(child);
            if (mode == "BlackAndWhite1") {
                request.colorMode = ColorMode::BlackAndWhite1;
            } else if (mode == "Grayscale8") {
                request.colorMode = ColorMode::Grayscale8;
            } else {
                return Fail(SettingsResult::Unsupported, why, "color modes are BlackAndWhite1 and Grayscale8");
            }
        } else if (Named(child, "DocumentFormat") || Named(child, "DocumentFormatExt")) {
            // DocumentFormatExt is the precise one where a client sends both.
            const bool ext = Named(child, "DocumentFormatExt");
            if (extFormat && !ext) continue;
            DocumentFormat format{};
            if (!FormatOfMimeType(TextOf(child), format)) {
                return Fail(SettingsResult::Unsupported, why,
                            "document formats are image/jpeg, application/pdf and image/png");
            }
            request.format = format;
            request.formatGiven = true;
            extFormat = extFormat || ext;
        } else if (Named(child, "XResolution") || Named(child, "YResolution")) {
            uint32_t& field = Named(child, "XResolution") ? request.xResolution : request.yResolution;
            if (!ReadNumber(child, kMaxResolution, field) || field == 0) {
                return Fail(SettingsResult::Malformed, why, "a resolution is not a number of dots per inch");
            }
        } else if (Named(child, "Duplex")) {
            const std::string value = TextOf(child);
            if (value == "true" || value == "1") {
                request.duplex = true;
            } else if (value == "false" || value == "0") {
                request.duplex = false;
            } else {
                return Fail(SettingsResult::Malformed, why, "Duplex is true or false");
            }
        }
    }
    if (request.xResolution != request.yResolution && request.xResolution != 0 && request.yResolution != 0) {
        return Fail(SettingsResult::Unsupported, why, "the resolutions across and along the page must be equal");
    }
    if (request.xResolution == 0) request.xResolution = request.yResolution;
    if (request.yResolution == 0) request.yResolution = request.xResolution;
    return SettingsResult::Ok;
}

}  // namespace escl
