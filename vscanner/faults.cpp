// Fault injection of the virtual scanner.
#include "vscanner/faults.h"

namespace vscan {

FaultList ArmFaults(const std::vector<FaultSpec>& faults) {
    FaultList armed;
    for (const FaultSpec& fault : faults) armed.push_back(ArmedFault{fault, false});
    return armed;
}

const FaultSpec* TakeFeedFault(FaultList& faults, uint32_t sheet) {
    for (ArmedFault& fault : faults) {
        if (fault.fired || fault.spec.sheet != sheet || fault.spec.kind == FaultKind::TransferError)
            continue;
        fault.fired = true;
        return &fault.spec;
    }
    return nullptr;
}

const FaultSpec* TakeTransferFault(FaultList& faults, uint32_t sheet, uint8_t side,
                                   uint64_t begin, uint64_t end) {
    for (ArmedFault& fault : faults) {
        if (fault.fired || fault.spec.kind != FaultKind::TransferError) continue;
        if (fault.spec.sheet != sheet || fault.spec.side != side) continue;
        if (fault.spec.byteOffset < begin || fault.spec.byteOffset >= end) continue;
        fault.fired = true;
        return &fault.spec;
    }
    return nullptr;
}

}  // namespace vscan
