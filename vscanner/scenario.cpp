// Builders of scenario records and the default scenario.
#include "vscanner/scenario.h"

#include "vscanner/model_catalog.h"

namespace vscan {

DeviceSetup MakeScanner(const std::string& model, uint8_t adapter, uint8_t target) {
    DeviceSetup setup;
    setup.adapter = adapter;
    setup.target = target;
    setup.kind = DeviceKind::Scanner;
    setup.vendor = kScannerVendors[0];
    setup.product = model;
    setup.revision = "1.00";
    setup.model = model;
    return setup;
}

DeviceSetup MakeDevice(DeviceKind kind, const std::string& vendor, const std::string& product,
                      uint8_t adapter, uint8_t target) {
    DeviceSetup setup;
    setup.adapter = adapter;
    setup.target = target;
    setup.kind = kind;
    setup.vendor = vendor;
    setup.product = product;
    setup.revision = "1.0 ";
    return setup;
}

SheetSetup MakeSheet(const std::string& paperName) {
    const PaperInfo* paper = FindPaper(paperName.c_str());
    if (paper == nullptr) paper = &kPapers[0];
    return SheetSetup{paper->code, paper->width, paper->length};
}

Scenario DefaultScenario() {
    Scenario scenario;
    DeviceSetup scanner = MakeScanner("ZR-DX961s", 0, 0);
    for (int i = 0; i < 3; ++i) scanner.hopper.push_back(MakeSheet("Letter"));
    scenario.devices.push_back(scanner);
    return scenario;
}

}  // namespace vscan
