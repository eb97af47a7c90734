// Fault injection of the virtual scanner.
#include "vscanner/faults.h"

namespace vscan {

FaultList ArmFaults(const std::vector<FaultSetup>& faults) {
    FaultList armed;
    for (const FaultSetup& fault : faults) armed.push_back(ArmedFault{fault, false});
    return armed;
}

const FaultSetup* TakeFeedFault(FaultList& faults, uint32_t sheet) {
    for (ArmedFault& fault : faults) {
        if (fault.fired || fault.setup.sheet != sheet || fault.setup.kind == FaultKind::TransferError)
            continue;
        fault.fired = true;
        return &fault.setup;
    }
    return nullptr;
}

const FaultSetup* TakeTransferFault(FaultList& faults, uint32_t sheet, uint8_t side,
                                   uint64_t begin, uint64_t end) {
    for (ArmedFault& fault : faults) {
        if (fault.fired || fault.setup.kind != FaultKind::TransferError) continue;
        if (fault.setup.sheet != sheet || fault.setup.side != side) continue;
        if (fault.setup.byteOffset < begin || fault.setup.byteOffset >= end) continue;
        fault.fired = true;
        return &fault.setup;
    }
    return nullptr;
}

}  // namespace vscan
