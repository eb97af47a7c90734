// Writing the server's XML documents with pugixml, which escapes every text.
#include "escl/escl_xml.h"

#include <pugixml.hpp>
#include <sstream>

namespace escl {

namespace {

constexpr char kScanNamespace[] = "http://schemas.hp.com/imaging/escl/2011/05/03";
constexpr char kPwgNamespace[] = "http://www.pwg.org/schemas/2010/12/sm";
constexpr char kEsclVersion[] = "2.63";

pugi::xml_node Root(pugi::xml_document& document, const char* name) {
    pugi::xml_node declaration = document.append_child(pugi::node_declaration);
    declaration.append_attribute("version") = "1.0";
    declaration.append_attribute("encoding") = "UTF-8";
    pugi::xml_node root = document.append_child(name);
    root.append_attribute("xmlns:scan") = kScanNamespace;
    root.append_attribute("xmlns:pwg") = kPwgNamespace;
    return root;
}

pugi::xml_node Add(pugi::xml_node parent, const char* name, const std::string& text) {
    pugi::xml_node node = parent.append_child(name);
    node.text().set(text.c_str());
    return node;
}

pugi::xml_node Add(pugi::xml_node parent, const char* name, uint64_t number) {
    return Add(parent, name, std::to_string(number));
}

std::string Text(const pugi::xml_document& document) {
    std::ostringstream out;
    document.save(out, "  ", pugi::format_indent, pugi::encoding_utf8);
    return out.str();
}

void AddInputCaps(pugi::xml_node parent, const char* name, const ScannerDescription& scanner) {
    pugi::xml_node caps = parent.append_child(name);
    Add(caps, "scan:MinWidth", scanner.minWidth);
    Add(caps, "scan:MaxWidth", scanner.maxWidth);
    Add(caps, "scan:MinHeight", scanner.minHeight);
    Add(caps, "scan:MaxHeight", scanner.maxHeight);
    Add(caps, "scan:MaxScanRegions", 1);
    pugi::xml_node profile = caps.append_child("scan:SettingProfiles").append_child("scan:SettingProfile");
    pugi::xml_node modes = profile.append_child("scan:ColorModes");
    Add(modes, "scan:ColorMode", "BlackAndWhite1");
    Add(modes, "scan:ColorMode", "Grayscale8");
    pugi::xml_node formats = profile.append_child("scan:DocumentFormats");
    for (const DocumentFormat format : scanner.formats) Add(formats, "pwg:DocumentFormat", MimeTypeOf(format));
    for (const DocumentFormat format : scanner.formats) Add(formats, "scan:DocumentFormatExt", MimeTypeOf(format));
    pugi::xml_node resolutions =
        profile.append_child("scan:SupportedResolutions").append_child("scan:DiscreteResolutions");
    for (const uint32_t dpi : scanner.resolutions) {
        pugi::xml_node resolution = resolutions.append_child("scan:DiscreteResolution");
        Add(resolution, "scan:XResolution", dpi);
        Add(resolution, "scan:YResolution", dpi);
    }
    Add(profile.append_child("scan:ColorSpaces"), "scan:ColorSpace", "grayscale");
    pugi::xml_node intents = caps.append_child("scan:SupportedIntents");
    Add(intents, "scan:Intent", "Document");
    Add(intents, "scan:Intent", "TextAndGraphic");
    const uint32_t best = scanner.resolutions.empty() ? 0 : scanner.resolutions.back();
    Add(caps, "scan:MaxOpticalXResolution", best);
    Add(caps, "scan:MaxOpticalYResolution", best);
}

}  // namespace

std::string JobPath(uint32_t id) { return "/eSCL/ScanJobs/" + std::to_string(id); }

const char* JobStateName(JobState state) {
    switch (state) {
        case JobState::Pending: return "Pending";
        case JobState::Processing: return "Processing";
        case JobState::Completed: return "Completed";
        case JobState::Canceled: return "Canceled";
        case JobState::Aborted: return "Aborted";
    }
    return "Aborted";
}

const char* AdfStateName(AdfState state) {
    switch (state) {
        case AdfState::Loaded: return "ScannerAdfLoaded";
        case AdfState::Empty: return "ScannerAdfEmpty";
        case AdfState::Jam: return "ScannerAdfJam";
        case AdfState::DoorOpen: return "ScannerAdfDoorOpen";
    }
    return "ScannerAdfEmpty";
}

std::string CapabilitiesXml(const ScannerDescription& scanner) {
    pugi::xml_document document;
    pugi::xml_node root = Root(document, "scan:ScannerCapabilities");
    Add(root, "pwg:Version", kEsclVersion);
    Add(root, "pwg:MakeAndModel", scanner.makeAndModel);
    Add(root, "pwg:SerialNumber", scanner.serialNumber);
    Add(root, "scan:UUID", scanner.uuid);
    pugi::xml_node adf = root.append_child("scan:Adf");
    AddInputCaps(adf, "scan:AdfSimplexInputCaps", scanner);
    if (scanner.duplex) AddInputCaps(adf, "scan:AdfDuplexInputCaps", scanner);
    pugi::xml_node options = adf.append_child("scan:AdfOptions");
    Add(options, "scan:AdfOption", "DetectPaperLoaded");
    if (scanner.duplex) Add(options, "scan:AdfOption", "Duplex");
    return Text(document);
}

std::string StatusXml(ScannerState state, AdfState adf, const std::vector<JobSummary>& jobs) {
    pugi::xml_document document;
    pugi::xml_node root = Root(document, "scan:ScannerStatus");
    Add(root, "pwg:Version", kEsclVersion);
    Add(root, "pwg:State", state == ScannerState::Idle ? "Idle" : "Processing");
    Add(root, "scan:AdfState", AdfStateName(adf));
    if (!jobs.empty()) {
        pugi::xml_node list = root.append_child("scan:Jobs");
        for (const JobSummary& job : jobs) {
            pugi::xml_node info = list.append_child("scan:JobInfo");
            Add(info, "pwg:JobUri", JobPath(job.id));
            Add(info, "pwg:JobUuid", job.uuid);
            Add(info, "scan:Age", job.ageSeconds);
            Add(info, "pwg:ImagesCompleted", job.imagesCompleted);
            Add(info, "pwg:ImagesToTransfer", job.imagesToTransfer);
            Add(info, "pwg:JobState", JobStateName(job.state));
            Add(info.append_child("pwg:JobStateReasons"), "pwg:JobStateReason", job.reason);
        }
    }
    return Text(document);
}

std::string ScanImageInfoXml(const JobSummary& job, const ImageSummary& image) {
    pugi::xml_document document;
    pugi::xml_node root = Root(document, "scan:ScanImageInfo");
    Add(root, "pwg:JobUri", JobPath(job.id));
    Add(root, "pwg:JobUuid", job.uuid);
    Add(root, "scan:ActualWidth", image.width);
    Add(root, "scan:ActualHeight", image.height);
    Add(root, "scan:ActualBytesPerLine", image.bytesPerLine);
    return Text(document);
}

}  // namespace escl
