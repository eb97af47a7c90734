// Builders of scenario records and the default scenario.
#include "vscanner/scenario.h"

#include "vscanner/model_catalog.h"

namespace vscan {

DeviceSpec MakeScanner(const std::string& model, uint8_t adapter, uint8_t target) {
    DeviceSpec spec;
    spec.adapter = adapter;
    spec.target = target;
    spec.kind = DeviceKind::Scanner;
    spec.vendor = kScannerVendors[0];
    spec.product = model;
    spec.revision = "1.00";
    spec.model = model;
    return spec;
}

DeviceSpec MakeDevice(DeviceKind kind, const std::string& vendor, const std::string& product,
                      uint8_t adapter, uint8_t target) {
    DeviceSpec spec;
    spec.adapter = adapter;
    spec.target = target;
    spec.kind = kind;
    spec.vendor = vendor;
    spec.product = product;
    spec.revision = "1.0 ";
    return spec;
}

SheetSpec MakeSheet(const std::string& paperName) {
    const PaperInfo* paper = FindPaper(paperName.c_str());
    if (paper == nullptr) paper = &kPapers[0];
    return SheetSpec{paper->code, paper->width, paper->length};
}

Scenario DefaultScenario() {
    Scenario scenario;
    DeviceSpec scanner = MakeScanner("ZR-DX961s", 0, 0);
    for (int i = 0; i < 3; ++i) scanner.hopper.push_back(MakeSheet("Letter"));
    scenario.devices.push_back(scanner);
    return scenario;
}

}  // namespace vscan
