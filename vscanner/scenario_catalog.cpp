// The ready-made scenarios.
#include "vscanner/scenario_catalog.h"

#include <cstring>
#include <string>

namespace vscan {

namespace {

Scenario WithScanner(const std::string& model, const std::string& paper, int sheets,
                     uint8_t adapter = 0, uint8_t target = 0) {
    Scenario scenario;
    scenario.adapterCount = static_cast<uint8_t>(adapter + 1);
    DeviceSetup scanner = MakeScanner(model, adapter, target);
    for (int i = 0; i < sheets; ++i) scanner.hopper.push_back(MakeSheet(paper));
    scenario.devices.push_back(scanner);
    return scenario;
}

Scenario WithFault(FaultKind kind, uint32_t sheet, uint32_t byteOffset = 0) {
    Scenario scenario = WithScanner("ZR-DX961", "Letter", 3);
    scenario.devices[0].faults.push_back(FaultSetup{kind, sheet, 0x00, byteOffset});
    return scenario;
}

Scenario DuplexA4() {
    Scenario scenario = WithScanner("ZR-DX961", "A4", 5, 1, 5);
    scenario.devices.push_back(MakeDevice(DeviceKind::Disk, "DISKCO", "BIGDISK", 0, 0));
    return scenario;
}

Scenario SimplexLetter() { return WithScanner("ZR-DX40", "Letter", 3); }
Scenario FirstGenerationB4() { return WithScanner("ZR-DX83", "B4", 2); }

Scenario ManualFeed() {
    Scenario scenario = WithScanner("ZR-DX961s", "Letter", 0);
    scenario.devices[0].manualSheets = {MakeSheet("Letter"), MakeSheet("Letter")};
    scenario.devices[0].manualFeedPolls = 50;
    return scenario;
}

Scenario Jam() { return WithFault(FaultKind::Jam, 1); }
Scenario DoubleFeed() { return WithFault(FaultKind::DoubleFeed, 1); }
Scenario TransferError() { return WithFault(FaultKind::TransferError, 0, 40000); }
Scenario Vanishing() { return WithFault(FaultKind::Disappear, 1); }

Scenario BecomingReady() {
    Scenario scenario = WithScanner("ZR-DX961", "Letter", 3);
    scenario.devices[0].notReadyPolls = 2;
    return scenario;
}

Scenario DoorOpen() {
    Scenario scenario = WithScanner("ZR-DX961", "Letter", 3);
    scenario.devices[0].notReadyPolls = 6;
    scenario.devices[0].notReadyKind = NotReadyKind::DoorOpen;
    return scenario;
}

Scenario NeverReady() {
    Scenario scenario = WithScanner("ZR-DX961", "Letter", 3);
    scenario.devices[0].neverReady = true;
    scenario.devices[0].notReadyKind = NotReadyKind::NotReady;
    return scenario;
}

Scenario NoScanner() {
    Scenario scenario;
    scenario.devices.push_back(MakeDevice(DeviceKind::Disk, "DISKCO", "BIGDISK", 0, 0));
    scenario.devices.push_back(MakeDevice(DeviceKind::CdRom, "OPTICO", "CD-R", 0, 3));
    return scenario;
}

Scenario ForeignVendor() {
    Scenario scenario = WithScanner("ZR-DX961", "Letter", 3);
    scenario.devices[0].vendor = "OTHERCO";
    return scenario;
}

Scenario NotInitialised() {
    Scenario scenario = DefaultScenario();
    scenario.state = ManagerState::NotInitialised;
    return scenario;
}

Scenario Slow() {
    Scenario scenario = DefaultScenario();
    scenario.delayMs = 5;
    return scenario;
}

Scenario RepeatPages() {
    Scenario scenario = DefaultScenario();
    scenario.devices[0].hopper.assign(100, MakeSheet("Letter"));
    scenario.devices[0].repeatPages = true;
    return scenario;
}

}  // namespace

// name, description, builder
const NamedScenario kNamedScenarios[kNamedScenarioCount] = {
    {"default", "ZR-DX961s (duplex, imprinter) at 0:0, three Letter sheets", DefaultScenario},
    {"duplex-a4", "ZR-DX961 at adapter 1 target 5 behind a disk, five A4 sheets", DuplexA4},
    {"simplex-letter", "ZR-DX40 (no back unit) at 0:0, three Letter sheets", SimplexLetter},
    {"gen0-b4", "ZR-DX83 (first generation) at 0:0, two B4 sheets", FirstGenerationB4},
    {"manual-feed", "ZR-DX961s with an empty hopper; two Letter sheets arrive, 50 polls apart", ManualFeed},
    {"jam", "ZR-DX961, three Letter sheets; the second jams", Jam},
    {"double-feed", "ZR-DX961, three Letter sheets; the second is a double feed", DoubleFeed},
    {"transfer-error", "ZR-DX961, three Letter sheets; the first page breaks off at byte 40000", TransferError},
    {"vanishing", "ZR-DX961, three Letter sheets; the scanner disappears at the second", Vanishing},
    {"becoming-ready", "ZR-DX961, not ready for two polls", BecomingReady},
    {"door-open", "ZR-DX961 with its door open for six polls", DoorOpen},
    {"never-ready", "ZR-DX961 that never becomes ready", NeverReady},
    {"no-scanner", "a disk and a CD-ROM drive, no scanner", NoScanner},
    {"foreign-vendor", "a ZR-DX961 that reports another vendor", ForeignVendor},
    {"not-initialised", "an ASPI manager that is not initialised", NotInitialised},
    {"slow", "the default scanner; every request stays pending 5 ms", Slow},
    {"repeat-pages", "the default scanner with 100 Letter sheets, each page drawn once and copied", RepeatPages},
};

const NamedScenario* FindNamedScenario(const char* name) {
    if (name == nullptr) return nullptr;
    for (const NamedScenario& entry : kNamedScenarios) {
        if (std::strcmp(entry.name, name) == 0) return &entry;
    }
    return nullptr;
}

}  // namespace vscan
