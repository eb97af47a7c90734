// Reading and writing scenario files.
#include "vscanner/scenario_file.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <map>
#include <sstream>
#include <vector>

#include "vscanner/model_catalog.h"
#include "vscanner/vs_os.h"

namespace vscan {

namespace {

std::string Lower(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

std::string Trim(const std::string& text) {
    size_t begin = 0;
    size_t end = text.size();
    while (begin < end && std::isspace(static_cast<unsigned char>(text[begin]))) ++begin;
    while (end > begin && std::isspace(static_cast<unsigned char>(text[end - 1]))) --end;
    return text.substr(begin, end - begin);
}

// A value in double quotes keeps its blanks.
std::string Unquote(const std::string& value) {
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
        return value.substr(1, value.size() - 2);
    return value;
}

std::vector<std::string> Split(const std::string& text, char separator) {
    std::vector<std::string> parts;
    std::string part;
    std::istringstream stream(text);
    while (std::getline(stream, part, separator)) parts.push_back(Trim(part));
    return parts;
}

bool ParseNumber(const std::string& text, uint64_t max, uint64_t& value) {
    if (text.empty() || text.size() > 10) return false;
    value = 0;
    for (char c : text) {
        if (!std::isdigit(static_cast<unsigned char>(c))) return false;
        value = value * 10 + static_cast<uint64_t>(c - '0');
    }
    return value <= max;
}

template <typename T>
bool ParseInto(const std::string& text, uint64_t max, T& out) {
    uint64_t value = 0;
    if (!ParseNumber(text, max, value)) return false;
    out = static_cast<T>(value);
    return true;
}

bool ParseSwitch(const std::string& text, bool& out) {
    const std::string value = Lower(text);
    if (value == "on" || value == "1" || value == "yes") {
        out = true;
        return true;
    }
    if (value == "off" || value == "0" || value == "no") {
        out = false;
        return true;
    }
    return false;
}

// A paper: a name ("A4") or "code:width:length" in 1/1200 inch.
bool ParsePaper(const std::string& text, SheetSetup& sheet) {
    if (const PaperInfo* paper = FindPaper(text.c_str())) {
        sheet.paperSizeCode = paper->code;
        sheet.width = paper->width;
        sheet.length = paper->length;
        return true;
    }
    const std::vector<std::string> parts = Split(text, ':');
    return parts.size() == 3 && ParseInto(parts[0], 255, sheet.paperSizeCode) &&
           ParseInto(parts[1], 0xFFFFFFFFu, sheet.width) &&
           ParseInto(parts[2], 0xFFFFFFFFu, sheet.length) && sheet.width > 0 && sheet.length > 0;
}

// Where the sheets' image files are looked for, the files read so far (a
// file named again is not decoded again), and what was wrong with one.
struct SheetContext {
    std::string baseDirectory;
    std::map<std::string, std::vector<DocumentPage>> files;
    std::string error;
};

// One side's image: "path" or "path#page" (pages from 1). `pages` receives
// the pages named: one, or every page of the file when `allPages` and no
// page is given.
bool ParseSide(const std::string& text, bool allPages, SheetContext& context,
               std::vector<DocumentPage>& pages, std::vector<std::string>& names) {
    std::string path = text;
    uint32_t page = 0;
    const size_t hash = text.rfind('#');
    if (hash != std::string::npos) {
        path = Trim(text.substr(0, hash));
        if (!ParseInto(text.substr(hash + 1), 0xFFFFu, page) || page == 0) {
            context.error = "image file \"" + path + "\": bad page number \"" + text.substr(hash + 1) + "\"";
            return false;
        }
    }
    if (path.empty()) {
        context.error = "an image sheet names no file";
        return false;
    }
    if (!IsAbsolutePath(path)) {
        const std::string base = context.baseDirectory.empty() ? CurrentDirectory() : context.baseDirectory;
        if (!base.empty()) path = base + PathSeparator() + path;
    }
    auto known = context.files.find(path);
    if (known == context.files.end()) {
        std::vector<DocumentPage> loaded;
        if (!LoadDocumentPages(path, loaded, context.error)) return false;
        known = context.files.emplace(path, std::move(loaded)).first;
    }
    const std::vector<DocumentPage>& filePages = known->second;
    if (page > filePages.size()) {
        context.error = "image file \"" + path + "\": has " + std::to_string(filePages.size()) +
                        " page(s), not page " + std::to_string(page);
        return false;
    }
    const uint32_t first = page == 0 ? 1 : page;
    const uint32_t last = page == 0 && allPages ? static_cast<uint32_t>(filePages.size()) : first;
    for (uint32_t number = first; number <= last; ++number) {
        pages.push_back(filePages[number - 1]);
        names.push_back(path + "#" + std::to_string(number));
    }
    return true;
}

// The paper an image lays out at its own resolution, with the code of the
// standard paper within a tenth of an inch of it (15, no standard code, else).
void PaperOfImage(const DocumentImage& image, SheetSetup& sheet) {
    const auto units = [](uint32_t pixels, double resolution) {
        const double value = std::min(pixels * 1200.0 / resolution + 0.5, 4294967295.0);
        return std::max<uint32_t>(1, static_cast<uint32_t>(value));
    };
    sheet.width = units(image.width, image.xResolution);
    sheet.length = units(image.height, image.yResolution);
    sheet.paperSizeCode = 15;
    for (const PaperInfo& paper : kPapers) {
        const auto near = [](uint32_t a, uint32_t b) { return (a > b ? a - b : b - a) <= 120; };
        if (near(paper.width, sheet.width) && near(paper.length, sheet.length)) sheet.paperSizeCode = paper.code;
    }
}

// A sheet: a paper, or "[paper]@front[|back]" with image files for its sides
// (without a paper the sheet has the front image's size). A front file
// without a page number and without a back side gives one sheet per page.
bool ParseSheetItem(const std::string& item, SheetContext& context, std::vector<SheetSetup>& sheets) {
    const size_t at = item.find('@');
    SheetSetup sheet;
    if (at == std::string::npos) {
        if (!ParsePaper(item, sheet)) return false;
        sheets.push_back(sheet);
        return true;
    }
    const std::string paper = Trim(item.substr(0, at));
    if (!paper.empty() && !ParsePaper(paper, sheet)) return false;
    const std::vector<std::string> sides = Split(item.substr(at + 1), '|');
    if (sides.empty()) {
        context.error = "an image sheet names no file";
        return false;
    }
    if (sides.size() > 2) {
        context.error = "a sheet has a front and at most one back image: " + item;
        return false;
    }
    std::vector<DocumentPage> fronts, backs;
    std::vector<std::string> frontNames, backNames;
    if (!ParseSide(sides[0], sides.size() == 1, context, fronts, frontNames)) return false;
    if (sides.size() == 2 && !ParseSide(sides[1], false, context, backs, backNames)) return false;
    for (size_t i = 0; i < fronts.size(); ++i) {
        SheetSetup imaged = sheet;
        if (paper.empty()) PaperOfImage(*fronts[i], imaged);
        imaged.front = fronts[i];
        imaged.frontFile = frontNames[i];
        if (!backs.empty()) {
            imaged.back = backs[0];
            imaged.backFile = backNames[0];
        }
        sheets.push_back(imaged);
    }
    return true;
}

bool ParseSheets(const std::string& text, SheetContext& context, std::vector<SheetSetup>& sheets) {
    sheets.clear();
    if (text.empty()) return true;
    for (const std::string& item : Split(text, ',')) {
        if (!ParseSheetItem(item, context, sheets)) return false;
    }
    return true;
}

// "YYYY-MM-DD HH:MM:SS".
bool ParseClock(const std::string& text, ScannerClock& clock) {
    unsigned year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
    char tail = 0;
    if (std::sscanf(text.c_str(), "%4u-%2u-%2u %2u:%2u:%2u%c", &year, &month, &day, &hour, &minute,
                    &second, &tail) != 6)
        return false;
    if (year < 1900 || month < 1 || month > 12 || day < 1 || day > 31 || hour > 23 || minute > 59 ||
        second > 59)
        return false;
    clock = ScannerClock{static_cast<uint16_t>(year), static_cast<uint8_t>(month), static_cast<uint8_t>(day),
                         static_cast<uint8_t>(hour), static_cast<uint8_t>(minute), static_cast<uint8_t>(second)};
    return true;
}

bool ParseSheetFaults(const std::string& text, FaultKind kind, std::vector<FaultSetup>& faults) {
    if (text.empty()) return true;
    for (const std::string& item : Split(text, ',')) {
        FaultSetup fault;
        fault.kind = kind;
        if (!ParseInto(item, 0xFFFFFFFFu, fault.sheet)) return false;
        faults.push_back(fault);
    }
    return true;
}

// "sheet:side:offset" with side "front" or "back".
bool ParseTransferFaults(const std::string& text, std::vector<FaultSetup>& faults) {
    if (text.empty()) return true;
    for (const std::string& item : Split(text, ',')) {
        const std::vector<std::string> parts = Split(item, ':');
        FaultSetup fault;
        fault.kind = FaultKind::TransferError;
        if (parts.size() != 3 || !ParseInto(parts[0], 0xFFFFFFFFu, fault.sheet) ||
            !ParseInto(parts[2], 0xFFFFFFFFu, fault.byteOffset))
            return false;
        const std::string side = Lower(parts[1]);
        if (side == "front") {
            fault.side = 0x00;
        } else if (side == "back") {
            fault.side = 0x80;
        } else {
            return false;
        }
        faults.push_back(fault);
    }
    return true;
}

struct PendingDevice {
    DeviceSetup setup;
    bool vendorGiven = false;
    bool productGiven = false;
    bool revisionGiven = false;
};

bool ApplyManagerKey(Scenario& scenario, const std::string& key, const std::string& value) {
    if (key == "adapters") return ParseInto(value, 255, scenario.adapterCount);
    if (key == "delayms") return ParseInto(value, 600000, scenario.delayMs);
    if (key == "commandlog") {
        scenario.logFile = value;
        return true;
    }
    if (key == "state") {
        const std::string state = Lower(value);
        if (state == "ready") {
            scenario.state = ManagerState::Ready;
        } else if (state == "notinitialised" || state == "notinitialized") {
            scenario.state = ManagerState::NotInitialised;
        } else if (state == "noadapters") {
            scenario.state = ManagerState::NoAdapters;
        } else {
            return false;
        }
        return true;
    }
    return false;
}

bool ApplyDeviceKey(PendingDevice& device, const std::string& key, const std::string& value,
                    SheetContext& sheets) {
    DeviceSetup& setup = device.setup;
    if (key == "type") {
        const std::string kind = Lower(value);
        if (kind == "scanner") {
            setup.kind = DeviceKind::Scanner;
        } else if (kind == "disk") {
            setup.kind = DeviceKind::Disk;
        } else if (kind == "cdrom") {
            setup.kind = DeviceKind::CdRom;
        } else {
            return false;
        }
        return true;
    }
    if (key == "adapter") return ParseInto(value, 255, setup.adapter);
    if (key == "target") return ParseInto(value, 7, setup.target);
    if (key == "model") {
        setup.model = value;
        return true;
    }
    if (key == "vendor") {
        setup.vendor = value;
        device.vendorGiven = true;
        return value.size() <= 8;
    }
    if (key == "product") {
        setup.product = value;
        device.productGiven = true;
        return value.size() <= 16;
    }
    if (key == "revision") {
        setup.revision = value;
        device.revisionGiven = true;
        return value.size() <= 4;
    }
    if (key == "notready") return ParseInto(value, 0xFFFFFFFFu, setup.notReadyPolls);
    if (key == "notreadysense") {
        const std::string kind = Lower(value);
        if (kind == "becomingready") {
            setup.notReadyKind = NotReadyKind::BecomingReady;
        } else if (kind == "dooropen") {
            setup.notReadyKind = NotReadyKind::DoorOpen;
        } else if (kind == "notready") {
            setup.notReadyKind = NotReadyKind::NotReady;
        } else {
            return false;
        }
        return true;
    }
    if (key == "neverready") return ParseSwitch(value, setup.neverReady);
    if (key == "hopper") return ParseSheets(value, sheets, setup.hopper);
    if (key == "manualfeed") return ParseSheets(value, sheets, setup.manualSheets);
    if (key == "clock") return ParseClock(value, setup.clock);
    if (key == "repeatpages") return ParseSwitch(value, setup.repeatPages);
    if (key == "manualfeedpolls") return ParseInto(value, 0xFFFFFFFFu, setup.manualFeedPolls);
    if (key == "jam") return ParseSheetFaults(value, FaultKind::Jam, setup.faults);
    if (key == "doublefeed") return ParseSheetFaults(value, FaultKind::DoubleFeed, setup.faults);
    if (key == "disappear") return ParseSheetFaults(value, FaultKind::Disappear, setup.faults);
    if (key == "transfererror") return ParseTransferFaults(value, setup.faults);
    return false;
}

void FinishDevice(PendingDevice& device, Scenario& scenario) {
    DeviceSetup& setup = device.setup;
    if (setup.kind == DeviceKind::Scanner) {
        if (!device.vendorGiven) setup.vendor = kScannerVendors[0];
        // INQUIRY has 16 bytes for the product: a longer model name is cut there,
        // as a Product key of that length would have to be.
        if (!device.productGiven) setup.product = setup.model.substr(0, 16);
        if (!device.revisionGiven) setup.revision = "1.00";
    }
    scenario.devices.push_back(setup);
}

std::string LineError(size_t line, const std::string& what) {
    return "line " + std::to_string(line) + ": " + what;
}

std::string JoinSheets(const std::vector<SheetSetup>& sheets) {
    std::string text;
    for (const SheetSetup& sheet : sheets) {
        if (!text.empty()) text += ",";
        std::string name;
        for (const PaperInfo& paper : kPapers) {
            if (paper.code == sheet.paperSizeCode && paper.width == sheet.width &&
                paper.length == sheet.length)
                name = paper.name;
        }
        text += !name.empty() ? name
                              : std::to_string(sheet.paperSizeCode) + ":" +
                                    std::to_string(sheet.width) + ":" +
                                    std::to_string(sheet.length);
        if (!sheet.frontFile.empty()) text += "@" + sheet.frontFile;
        if (!sheet.backFile.empty()) text += "|" + sheet.backFile;
    }
    return text;
}

std::string JoinFaultSheets(const std::vector<FaultSetup>& faults, FaultKind kind) {
    std::string text;
    for (const FaultSetup& fault : faults) {
        if (fault.kind != kind) continue;
        if (!text.empty()) text += ",";
        if (kind == FaultKind::TransferError) {
            text += std::to_string(fault.sheet) + (fault.side == 0x80 ? ":back:" : ":front:") +
                    std::to_string(fault.byteOffset);
        } else {
            text += std::to_string(fault.sheet);
        }
    }
    return text;
}

const char* KindName(DeviceKind kind) {
    switch (kind) {
        case DeviceKind::Disk: return "Disk";
        case DeviceKind::CdRom: return "CdRom";
        case DeviceKind::Scanner: break;
    }
    return "Scanner";
}

const char* NotReadyName(NotReadyKind kind) {
    switch (kind) {
        case NotReadyKind::DoorOpen: return "DoorOpen";
        case NotReadyKind::NotReady: return "NotReady";
        case NotReadyKind::BecomingReady: break;
    }
    return "BecomingReady";
}

const char* StateName(ManagerState state) {
    switch (state) {
        case ManagerState::NotInitialised: return "NotInitialised";
        case ManagerState::NoAdapters: return "NoAdapters";
        case ManagerState::Ready: break;
    }
    return "Ready";
}

}  // namespace

bool ParseScenario(const std::string& text, Scenario& scenario, std::string& error,
                   const std::string& baseDirectory) {
    scenario = Scenario{};
    enum class Section { None, Manager, Device } section = Section::None;
    std::vector<PendingDevice> devices;
    SheetContext sheets{baseDirectory, {}, {}};
    std::istringstream stream(text);
    std::string raw;
    size_t lineNumber = 0;
    while (std::getline(stream, raw)) {
        ++lineNumber;
        const std::string line = Trim(raw);
        if (line.empty() || line[0] == ';' || line[0] == '#') continue;
        if (line.front() == '[') {
            if (line.back() != ']') {
                error = LineError(lineNumber, "unterminated section name");
                return false;
            }
            const std::string name = Lower(Trim(line.substr(1, line.size() - 2)));
            if (name == "manager") {
                section = Section::Manager;
            } else if (name.rfind("device", 0) == 0) {
                section = Section::Device;
                devices.emplace_back();
            } else {
                error = LineError(lineNumber, "unknown section [" + name + "]");
                return false;
            }
            continue;
        }
        const size_t equals = line.find('=');
        if (equals == std::string::npos) {
            error = LineError(lineNumber, "expected key=value");
            return false;
        }
        const std::string key = Lower(Trim(line.substr(0, equals)));
        const std::string value = Unquote(Trim(line.substr(equals + 1)));
        bool accepted = false;
        sheets.error.clear();
        if (section == Section::Manager) {
            accepted = ApplyManagerKey(scenario, key, value);
        } else if (section == Section::Device) {
            accepted = ApplyDeviceKey(devices.back(), key, value, sheets);
        }
        if (!accepted) {
            error = LineError(lineNumber, !sheets.error.empty() ? sheets.error
                                                                : "unknown key or bad value: " + line);
            return false;
        }
    }
    for (PendingDevice& device : devices) {
        for (const DeviceSetup& placed : scenario.devices) {
            if (placed.adapter == device.setup.adapter && placed.target == device.setup.target) {
                error = "two devices at adapter " + std::to_string(device.setup.adapter) +
                        ", target " + std::to_string(device.setup.target);
                return false;
            }
        }
        FinishDevice(device, scenario);
    }
    return true;
}

std::string FormatScenario(const Scenario& scenario) {
    std::ostringstream out;
    out << "[Manager]\n";
    out << "Adapters=" << static_cast<unsigned>(scenario.adapterCount) << "\n";
    out << "State=" << StateName(scenario.state) << "\n";
    out << "DelayMs=" << scenario.delayMs << "\n";
    if (!scenario.logFile.empty()) out << "CommandLog=" << scenario.logFile << "\n";
    int index = 1;
    for (const DeviceSetup& setup : scenario.devices) {
        out << "\n[Device" << index++ << "]\n";
        out << "Type=" << KindName(setup.kind) << "\n";
        out << "Adapter=" << static_cast<unsigned>(setup.adapter) << "\n";
        out << "Target=" << static_cast<unsigned>(setup.target) << "\n";
        if (!setup.model.empty()) out << "Model=" << setup.model << "\n";
        out << "Vendor=\"" << setup.vendor << "\"\n";
        out << "Product=\"" << setup.product << "\"\n";
        out << "Revision=\"" << setup.revision << "\"\n";
        if (setup.kind != DeviceKind::Scanner) continue;
        out << "NotReady=" << setup.notReadyPolls << "\n";
        out << "NotReadySense=" << NotReadyName(setup.notReadyKind) << "\n";
        out << "NeverReady=" << (setup.neverReady ? "ON" : "OFF") << "\n";
        out << "Hopper=" << JoinSheets(setup.hopper) << "\n";
        out << "ManualFeed=" << JoinSheets(setup.manualSheets) << "\n";
        out << "ManualFeedPolls=" << setup.manualFeedPolls << "\n";
        if (!(setup.clock == ScannerClock{})) {
            char clock[32];
            std::snprintf(clock, sizeof clock, "%04u-%02u-%02u %02u:%02u:%02u", unsigned{setup.clock.year},
                          unsigned{setup.clock.month}, unsigned{setup.clock.day}, unsigned{setup.clock.hour},
                          unsigned{setup.clock.minute}, unsigned{setup.clock.second});
            out << "Clock=" << clock << "\n";
        }
        if (setup.repeatPages) out << "RepeatPages=ON\n";
        const std::pair<const char*, FaultKind> faultKeys[] = {
            {"Jam", FaultKind::Jam},
            {"DoubleFeed", FaultKind::DoubleFeed},
            {"Disappear", FaultKind::Disappear},
            {"TransferError", FaultKind::TransferError},
        };
        for (const auto& [key, kind] : faultKeys) {
            const std::string list = JoinFaultSheets(setup.faults, kind);
            if (!list.empty()) out << key << "=" << list << "\n";
        }
    }
    return out.str();
}

bool ReadTextFile(const std::string& path, std::string& text) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    std::ostringstream content;
    content << in.rdbuf();
    text = content.str();
    return true;
}

bool WriteScenarioFile(const std::string& path, const Scenario& scenario) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out) return false;
    out << FormatScenario(scenario);
    return static_cast<bool>(out);
}

std::string DefaultScenarioPath() {
    const std::string directory = ScenarioDirectory();
    if (directory.empty()) return kScenarioFileName;
    return directory + PathSeparator() + kScenarioFileName;
}

}  // namespace vscan
