// Fault injection: the faults of a scenario, each firing once, looked up when
// a sheet is fed or a page is read.
#pragma once

#include <cstdint>
#include <vector>

#include "vscanner/scenario.h"

namespace vscan {

struct ArmedFault {
    FaultSetup setup;
    bool fired = false;
};

using FaultList = std::vector<ArmedFault>;

FaultList ArmFaults(const std::vector<FaultSetup>& faults);
// The first unfired jam, double feed or disappearance of `sheet`, marked fired;
// null when there is none.
const FaultSetup* TakeFeedFault(FaultList& faults, uint32_t sheet);
// The first unfired transfer error of `sheet` and `side` whose byte lies in
// [begin, end), marked fired; null when there is none.
const FaultSetup* TakeTransferFault(FaultList& faults, uint32_t sheet, uint8_t side,
                                   uint64_t begin, uint64_t end);

}  // namespace vscan
