// The eSCL server's request parsing: arbitrary bytes as the body of a POST to
// /eSCL/ScanJobs. A request taken must keep the bounds the server relies on;
// the same bytes as the scanner's name must come back out of the capabilities
// document unchanged (text is escaped, never spliced in).
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <pugixml.hpp>
#include <string>

#include "escl/escl_xml.h"
#include "escl/scan_settings.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    escl::ScanSettings request;
    std::string why;
    const escl::SettingsResult result =
        escl::ParseScanSettings(reinterpret_cast<const char*>(data), size, request, why);
    if (result == escl::SettingsResult::Ok) {
        if (!why.empty() || request.xResolution != request.yResolution ||
            request.xResolution > escl::kMaxResolution || request.width > escl::kMaxRegionUnits ||
            request.height > escl::kMaxRegionUnits || (request.width == 0) != (request.height == 0)) {
            __builtin_trap();
        }
    } else if (why.empty()) {
        __builtin_trap();
    }

    // pugixml keeps text up to a zero byte, and XML 1.0 has no control characters.
    std::string name(reinterpret_cast<const char*>(data), strnlen(reinterpret_cast<const char*>(data), size));
    for (char& c : name) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = ' ';
    }
    const size_t first = name.find_first_not_of(' ');
    name = first == std::string::npos ? std::string() : name.substr(first, name.find_last_not_of(' ') - first + 1);
    escl::ScannerDescription scanner;
    scanner.makeAndModel = name;
    scanner.resolutions = {200};
    scanner.formats = {escl::DocumentFormat::Png};
    pugi::xml_document document;
    const std::string text = escl::CapabilitiesXml(scanner);
    if (!document.load_buffer(text.data(), text.size(), pugi::parse_default | pugi::parse_ws_pcdata)) __builtin_trap();
    if (name != document.child("scan:ScannerCapabilities").child_value("pwg:MakeAndModel")) __builtin_trap();
    return 0;
}
