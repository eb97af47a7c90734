// The long run of batches in short: a few hundred pages with a fault in about
// half the batches. bench/korvex_long_batch runs the full ten thousand.
#include <gtest/gtest.h>

#include "tests/unit/hardening/long_batch.h"

namespace hardening {
namespace {

TEST(LongBatch, EveryFaultEndsItsBatchWithItsMessageAndTheNextBatchScans) {
    LongBatchOptions options;
    options.pages = 300;
    options.sheetsPerBatch = 10;
    options.faultPercent = 50;
    options.seed = 7;
    const LongBatchReport report = RunLongBatch(options);
    for (const std::string& problem : report.problems) ADD_FAILURE() << problem;
    EXPECT_EQ(report.wrongBatches, 0u);
    EXPECT_GE(report.pagesDelivered, options.pages);
    EXPECT_GT(report.faultsPlanned, 3u);
    EXPECT_EQ(report.faultsMet, report.faultsPlanned);
    EXPECT_GT(report.batchesRestarted, 0u);
    EXPECT_EQ(report.leakedBlocks, 0);
}

}  // namespace
}  // namespace hardening
