// A long run of batches through DS_Entry against the in-process virtual
// scanner: one open source, duplex batches of every page, native and memory
// transfers alternating from batch to batch, and scanner faults (jams, double
// feeds, transfer errors) at seeded random sheets. Each batch's pages are
// counted and compared with the first clean page of their side and
// mechanism; every fault must end its batch with a message and a failed
// transfer, and the next batch must scan. Run in short by the hardening tests
// and in full by bench/korvex_long_batch.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace hardening {

struct LongBatchOptions {
    uint32_t pages = 10000;           // stops at the first batch end past this
    uint32_t sheetsPerBatch = 50;
    uint32_t seed = 1;
    uint32_t faultPercent = 40;       // chance that a batch meets a fault
    uint32_t residentEvery = 500;     // pages between resident-memory samples
};

// Taken at the end of the first batch past each step.
struct ResidentSample {
    uint32_t pages;
    uint64_t bytes;
};

struct LongBatchReport {
    uint32_t pagesDelivered = 0;
    uint32_t batches = 0;
    uint32_t faultsPlanned = 0;
    uint32_t faultsMet = 0;          // ended their batch with a message and a failed transfer
    uint32_t batchesRestarted = 0;   // batches after a fault that scanned
    uint32_t wrongBatches = 0;
    int64_t leakedBlocks = 0;
    std::vector<ResidentSample> resident;
    std::vector<std::string> problems;  // the first few wrong batches, described
};

LongBatchReport RunLongBatch(const LongBatchOptions& options);

// Resident memory of this process in bytes, once the host's quarantine of
// freed blocks is drained and the allocator has given back the freed heap it
// kept (0 when it cannot be read).
uint64_t ResidentBytes();

}  // namespace hardening
