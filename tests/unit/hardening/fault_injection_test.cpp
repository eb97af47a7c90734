// Faults at the platform boundary, one at a time: the N-th memory allocation,
// lock, settings write or module load of a whole session fails, for every N
// until the session no longer reaches an N-th call. Each session must end with
// its answer (a condition code, and the scanner's memory message where a page
// could not be delivered), deliver only pages identical to a clean session's,
// close, leave no block behind, and a clean session straight after must scan
// as if nothing had happened.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "platform/host/host_hooks.h"
#include "tests/unit/hardening/session_driver.h"

namespace hardening {
namespace {

using plat::host::HostService;

constexpr uint32_t kSheets = 3;
constexpr uint32_t kMaxRounds = 4000;
constexpr char kShortOfMemory[] = "Short of Memory !";

HostService ArmedService = HostService::MemAlloc;
uint32_t ArmedSkip = 0;

void Arm() { plat::host::FailNextCalls(ArmedService, 1, ArmedSkip); }

bool Shown(const SessionOutcome& outcome, const char* text) {
    return std::find(outcome.messages.begin(), outcome.messages.end(), text) != outcome.messages.end();
}

// Pages delivered before the fault are the clean session's; a page cut short
// by a failed transfer is not compared.
void ExpectCleanPages(const SessionOutcome& outcome, const SessionOutcome& clean) {
    size_t compared = outcome.pages.size();
    if (outcome.failedAt == Step::Transfer && compared != 0) --compared;
    ASSERT_LE(compared, clean.pages.size());
    for (size_t i = 0; i < compared; ++i) {
        EXPECT_EQ(outcome.pages[i].memory, clean.pages[i].memory) << "page " << i;
        EXPECT_TRUE(outcome.pages[i].bytes == clean.pages[i].bytes) << "page " << i << " differs";
    }
    if (outcome.failedAt == Step::Done) {
        EXPECT_EQ(outcome.pages.size(), clean.pages.size());
    }
}

// The answer a failure must give, by the service that failed and the step.
void ExpectAnswer(HostService service, const SessionOutcome& outcome) {
    if (outcome.failedAt == Step::Done) return;
    EXPECT_EQ(outcome.rc, TWRC_FAILURE);
    EXPECT_NE(outcome.cc, TWCC_SUCCESS) << "a failure without its condition code";
    const bool memory = service == HostService::MemAlloc || service == HostService::MemLock;
    if (memory && outcome.failedAt == Step::Transfer) {
        EXPECT_EQ(outcome.cc, TWCC_BUMMER);
        EXPECT_TRUE(Shown(outcome, kShortOfMemory))
            << "page " << outcome.pages.size() << ": " << (outcome.messages.empty() ? "no message" : outcome.messages[0]);
    } else if (memory && (outcome.failedAt == Step::Query || outcome.failedAt == Step::Enable)) {
        EXPECT_EQ(outcome.cc, TWCC_LOWMEMORY);
    } else if (outcome.failedAt == Step::Open) {
        EXPECT_FALSE(outcome.messages.empty()) << "the open fails without telling the user why";
    }
}

struct Injection {
    HostService service;
    BatchStart start;
};

class FaultInjectionTest : public ::testing::TestWithParam<Injection> {};

TEST_P(FaultInjectionTest, EveryCallFailingInTurnEndsWithItsAnswerAndLeavesTheSourceUsable) {
    const HostService service = GetParam().service;
    const BatchStart start = GetParam().start;
    const SessionOutcome clean = RunSession(SessionScanner(kSheets), nullptr, start);
    ASSERT_EQ(clean.failedAt, Step::Done) << StepName(clean.failedAt) << " cc " << clean.cc;
    ASSERT_TRUE(clean.wrongAnswers.empty()) << clean.wrongAnswers[0];
    ASSERT_GE(clean.pages.size(), 2u);

    uint32_t round = 0;
    for (; round < kMaxRounds; ++round) {
        SCOPED_TRACE("call " + std::to_string(round + 1));
        const int64_t liveBlocks = plat::host::LiveBlockCount();
        const uint32_t injectedBefore = plat::host::InjectedFailures(service);
        ArmedService = service;
        ArmedSkip = round;
        const SessionOutcome outcome = RunSession(SessionScanner(kSheets), Arm, start);
        if (plat::host::InjectedFailures(service) == injectedBefore) {
            // The session made fewer calls than that: it ran clean.
            EXPECT_EQ(outcome.failedAt, Step::Done);
            ExpectCleanPages(outcome, clean);
            break;
        }
        SCOPED_TRACE(std::string("failed at ") + StepName(outcome.failedAt));
        ExpectAnswer(service, outcome);
        ExpectCleanPages(outcome, clean);
        EXPECT_TRUE(outcome.wrongAnswers.empty()) << outcome.wrongAnswers[0];
        EXPECT_EQ(plat::host::LiveBlockCount(), liveBlocks) << "blocks leaked";
        EXPECT_EQ(plat::host::BlockMisuseCount(), 0u);

        const SessionOutcome after = RunSession(SessionScanner(kSheets), nullptr, start);
        EXPECT_EQ(after.failedAt, Step::Done) << "the next session failed at " << StepName(after.failedAt);
        ExpectCleanPages(after, clean);
        if (::testing::Test::HasFailure()) break;
    }
    EXPECT_LT(round, kMaxRounds) << "the session never ran out of calls to fail";
    EXPECT_GT(round, 0u) << "the session never calls the service";
    RecordProperty("calls", static_cast<int>(round));
}

std::string InjectionName(const ::testing::TestParamInfo<Injection>& param) {
    static const char* const kServiceNames[] = {"MemAlloc", "MemLock", "ProfileWrite", "ModuleLoad"};
    return std::string(kServiceNames[static_cast<uint32_t>(param.param.service)]) +
           (param.param.start == BatchStart::FromDialog ? "FromDialog" : "WithoutDialog");
}

// Settings are written only when the dialog's Scan button saves them.
INSTANTIATE_TEST_SUITE_P(Services, FaultInjectionTest,
                         ::testing::Values(Injection{HostService::MemAlloc, BatchStart::WithoutDialog},
                                           Injection{HostService::MemAlloc, BatchStart::FromDialog},
                                           Injection{HostService::MemLock, BatchStart::WithoutDialog},
                                           Injection{HostService::MemLock, BatchStart::FromDialog},
                                           Injection{HostService::ProfileWrite, BatchStart::FromDialog},
                                           Injection{HostService::ModuleLoad, BatchStart::WithoutDialog}),
                         InjectionName);

}  // namespace
}  // namespace hardening
