// The scanners on the SCSI bus of an ASPI manager, found as the source finds
// its scanner: INQUIRY of every target of every host adapter, keeping the
// devices of peripheral type 6.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct BusScanner {
    uint8_t adapter;
    uint8_t target;
    std::string vendor;   // INQUIRY vendor identification, trailing blanks cut
    std::string product;  // INQUIRY product identification, trailing blanks cut
};

// Walks the bus of the ASPI manager `aspiManager` (a path, or a Windows module
// name for the platform's search). Empty when it cannot be loaded or reports
// no adapters; the reason is logged.
std::vector<BusScanner> FindBusScanners(const std::string& aspiManager);
