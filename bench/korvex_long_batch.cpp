// korvex_long_batch: ten thousand pages (by default) through one open source
// against the in-process virtual scanner, duplex batches of every page with
// native and memory transfers alternating and faults at seeded random
// sheets. Prints pages delivered, faults met, batches restarted, resident
// memory every 500 pages and leaked blocks; exits 1 when a batch went wrong, a
// block leaked or resident memory grew by 1 MiB or more after the warm-up.
// Usage: korvex_long_batch [--pages N] [--seed S] [--sheets-per-batch N] [--fault-percent P]
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "platform/host/host_hooks.h"
#include "tests/unit/hardening/long_batch.h"

namespace {

constexpr uint32_t kWarmUpPages = 1000;
constexpr uint64_t kAllowedGrowth = 1u << 20;

bool ParseArguments(int argc, char** argv, hardening::LongBatchOptions& options) {
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string name = argv[i];
        const uint32_t value = static_cast<uint32_t>(std::strtoul(argv[i + 1], nullptr, 10));
        if (name == "--pages") options.pages = value;
        else if (name == "--seed") options.seed = value;
        else if (name == "--sheets-per-batch" && value >= 2) options.sheetsPerBatch = value;
        else if (name == "--fault-percent" && value <= 100) options.faultPercent = value;
        else return false;
    }
    return argc % 2 == 1;
}

}  // namespace

int main(int argc, char** argv) {
    hardening::LongBatchOptions options;
    if (!ParseArguments(argc, argv, options)) {
        std::fprintf(stderr, "usage: %s [--pages N] [--seed S] [--sheets-per-batch N] [--fault-percent P]\n",
                     argv[0]);
        return 2;
    }
    // Settings live in a Windows directory of the run's own.
    std::string directory = (std::filesystem::temp_directory_path() / "korvex-long-XXXXXX").string();
    if (mkdtemp(directory.data()) == nullptr) return 2;
    plat::host::SetWindowsDirectory(directory.c_str());

    const hardening::LongBatchReport report = hardening::RunLongBatch(options);
    std::filesystem::remove_all(directory);

    std::printf("pages delivered   %u\n", report.pagesDelivered);
    std::printf("batches           %u\n", report.batches);
    std::printf("faults planned    %u\n", report.faultsPlanned);
    std::printf("faults met        %u (each ended its batch with a message and a failed transfer)\n",
                report.faultsMet);
    std::printf("batches restarted %u (scanned after a fault)\n", report.batchesRestarted);
    std::printf("wrong batches     %u\n", report.wrongBatches);
    for (const std::string& problem : report.problems) std::printf("  %s\n", problem.c_str());
    std::printf("leaked blocks     %lld\n", static_cast<long long>(report.leakedBlocks));
    uint64_t warm = 0;
    uint64_t highest = 0;
    std::printf("resident memory\n");
    for (const hardening::ResidentSample& sample : report.resident) {
        std::printf("  %6u pages %8llu KiB\n", sample.pages, static_cast<unsigned long long>(sample.bytes / 1024));
        if (sample.pages <= kWarmUpPages) warm = sample.bytes;
        if (sample.pages > kWarmUpPages && sample.bytes > highest) highest = sample.bytes;
    }
    const uint64_t growth = highest > warm ? highest - warm : 0;
    std::printf("growth after %u pages: %llu KiB\n", kWarmUpPages, static_cast<unsigned long long>(growth / 1024));
    const bool good = report.wrongBatches == 0 && report.leakedBlocks == 0 && growth < kAllowedGrowth &&
                      report.faultsMet == report.faultsPlanned;
    std::printf("%s\n", good ? "PASS" : "FAIL");
    return good ? 0 : 1;
}
