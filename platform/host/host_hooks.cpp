// Failure injection of the Linux backend (every service that can fail asks
// InjectedFailureDue first, as SQLite's OS layer routes calls through one
// table) and the reset of every hook.
#include <cstring>

#include "platform/host/host_internal.h"

namespace plat::host {

namespace {

struct FaultPlan {
    uint32_t skip;      // calls that still succeed before failures start
    uint32_t failures;  // calls that fail after those
    uint32_t injected;  // calls made to fail so far
};

constexpr uint32_t kServiceCount = static_cast<uint32_t>(HostService::Count);
FaultPlan FaultPlans[kServiceCount];

}  // namespace

void FailNextCalls(HostService service, uint32_t count, uint32_t skip) {
    const uint32_t index = static_cast<uint32_t>(service);
    if (index >= kServiceCount) return;
    FaultPlans[index].skip = skip;
    FaultPlans[index].failures = count;
}

uint32_t InjectedFailures(HostService service) {
    const uint32_t index = static_cast<uint32_t>(service);
    return index < kServiceCount ? FaultPlans[index].injected : 0;
}

bool InjectedFailureDue(HostService service) {
    const uint32_t index = static_cast<uint32_t>(service);
    if (index >= kServiceCount) return false;
    FaultPlan& plan = FaultPlans[index];
    if (plan.failures == 0) return false;
    if (plan.skip > 0) {
        --plan.skip;
        return false;
    }
    --plan.failures;
    ++plan.injected;
    return true;
}

void ResetFaultInjection() {
    for (FaultPlan& plan : FaultPlans) plan = FaultPlan{};
}

bool CopyBounded(char* dst, uint32_t bufferSize, const char* src) {
    if (dst == nullptr || bufferSize == 0) return false;
    const size_t length = std::strlen(src);
    if (length >= bufferSize) {
        dst[0] = '\0';
        return false;
    }
    std::memcpy(dst, src, length + 1);
    return true;
}

void ResetHostHooks() {
    ResetFaultInjection();
    ResetClockHooks();
    ResetMessageHooks();
    ResetModuleHooks();
    ResetWindowsDirectory();
}

}  // namespace plat::host
