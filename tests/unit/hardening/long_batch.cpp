// The long run of batches.
#include "tests/unit/hardening/long_batch.h"

#include <malloc.h>

#include <cstdio>
#include <cstring>
#include <random>

#include "platform/host/host_hooks.h"
#include "platform/platform.h"
#include "settings/capability_state.h"
#include "tests/unit/hardening/session_driver.h"
#include "twain/dispatch.h"
#include "twain/source_state.h"
#include "vscanner/vscanner.h"

namespace hardening {

namespace {

constexpr uint32_t kStripBytes = 32768;
constexpr uint32_t kMaxProblems = 8;
constexpr uint32_t kPageBytesBelowFaultOffset = 100000;  // a bilevel Letter page at 100 dpi holds more

uint64_t Fnv1a(const uint8_t* bytes, size_t size) {
    uint64_t hash = 14695981039346656037ull;
    for (size_t i = 0; i < size; ++i) hash = (hash ^ bytes[i]) * 1099511628211ull;
    return hash;
}

class LongRun {
public:
    LongRun(const LongBatchOptions& options, LongBatchReport& report)
        : options_(options), report_(report), random_(options.seed) {
        app_.Id = 51;
        std::strcpy(app_.ProductName, "Long batch");
    }

    bool Open() {
        TW_IDENTITY source{};
        DS_Entry(nullptr, DG_CONTROL, DAT_IDENTITY, MSG_GET, &source);
        InstallBatch(nullptr);
        if (DS_Entry(&app_, DG_CONTROL, DAT_IDENTITY, MSG_OPENDS, &source) != TWRC_SUCCESS) return false;
        return Set(ICAP_PIXELTYPE, TWTY_UINT16, TWPT_BW) && Set(ICAP_XRESOLUTION, TWTY_FIX32, 100) &&
               Set(CAP_XFERCOUNT, TWTY_INT16, 0xFFFF) && Set(CAP_CUSTOM_8123, TWTY_BOOL, 0) &&
               Set(CAP_CUSTOM_8124, TWTY_BOOL, 1);
    }

    void Close() { DS_Entry(&app_, DG_CONTROL, DAT_IDENTITY, MSG_CLOSEDS, nullptr); }

    void Batch() {
        const bool memory = report_.batches % 2 == 1;
        vscan::FaultSetup fault;
        const bool faulty = random_() % 100 < options_.faultPercent;
        uint32_t expected = options_.sheetsPerBatch * 2;
        if (faulty) {
            static const vscan::FaultKind kKinds[] = {vscan::FaultKind::Jam, vscan::FaultKind::DoubleFeed,
                                                      vscan::FaultKind::TransferError};
            fault.kind = kKinds[random_() % 3];
            fault.sheet = 1 + static_cast<uint32_t>(random_() % (options_.sheetsPerBatch - 1));
            fault.side = random_() % 2 == 0 ? 0x00 : 0x80;
            fault.byteOffset = static_cast<uint32_t>(random_() % kPageBytesBelowFaultOffset);
            expected = fault.sheet * 2;
            if (fault.kind == vscan::FaultKind::TransferError && fault.side == 0x80) ++expected;
            ++report_.faultsPlanned;
        }
        InstallBatch(faulty ? &fault : nullptr);
        // Sampled between batches, once the last batch's scanner (with the
        // pages it drew) is gone: only what lasts from batch to batch is held.
        if (report_.pagesDelivered / options_.residentEvery != sampledUpTo_) {
            sampledUpTo_ = report_.pagesDelivered / options_.residentEvery;
            report_.resident.push_back({report_.pagesDelivered, ResidentBytes()});
        }
        plat::host::ClearRecordedMessageBoxes();
        ++report_.batches;

        char problem[160] = "";
        if (!Set(ICAP_XFERMECH, TWTY_UINT16, memory ? TWSX_MEMORY : TWSX_NATIVE)) {
            std::snprintf(problem, sizeof problem, "the transfer mechanism was refused");
        }
        TW_USERINTERFACE ui{0, 0, nullptr};
        if (problem[0] == '\0' && DS_Entry(&app_, DG_CONTROL, DAT_USERINTERFACE, MSG_ENABLEDS, &ui) != TWRC_SUCCESS) {
            std::snprintf(problem, sizeof problem, "the batch did not start");
        }
        uint32_t pages = 0;
        TW_UINT16 failedTransfer = TWRC_SUCCESS;
        TW_UINT16 condition = TWCC_SUCCESS;
        TW_PENDINGXFERS pending{0xFFFF, 0};
        while (problem[0] == '\0' && pending.Count != 0 && pages <= expected) {
            const TW_UINT16 rc = memory ? MemoryPage(pages) : NativePage(pages);
            if (rc == TWRC_XFERDONE) {
                ++pages;
            } else {
                failedTransfer = rc;
                TW_STATUS status{};
                DS_Entry(&app_, DG_CONTROL, DAT_STATUS, MSG_GET, &status);
                condition = status.ConditionCode;
            }
            if (DS_Entry(&app_, DG_CONTROL, DAT_PENDINGXFERS, MSG_ENDXFER, &pending) != TWRC_SUCCESS) {
                std::snprintf(problem, sizeof problem, "MSG_ENDXFER failed after page %u", pages);
            }
            if (failedTransfer != TWRC_SUCCESS && pending.Count != 0) {
                std::snprintf(problem, sizeof problem, "the batch went on after a failed transfer");
            }
        }
        DS_Entry(&app_, DG_CONTROL, DAT_USERINTERFACE, MSG_DISABLEDS, &ui);
        report_.pagesDelivered += pages;

        const bool messageShown = plat::host::MessageBoxCount() != 0;
        if (problem[0] == '\0') {
            if (pages != expected) {
                std::snprintf(problem, sizeof problem, "%u pages instead of %u", pages, expected);
            } else if (wrongPage_ != 0) {
                std::snprintf(problem, sizeof problem, "page %u differs from the first of its side", wrongPage_ - 1);
            } else if (faulty && (failedTransfer != TWRC_FAILURE || condition != TWCC_BUMMER || !messageShown)) {
                std::snprintf(problem, sizeof problem, "fault %u at sheet %u: answer %u, condition %u, %s message",
                              static_cast<unsigned>(fault.kind), fault.sheet, failedTransfer, condition,
                              messageShown ? "a" : "no");
            } else if (!faulty && (failedTransfer != TWRC_SUCCESS || messageShown)) {
                std::snprintf(problem, sizeof problem, "a clean batch failed or showed a message");
            }
        }
        wrongPage_ = 0;
        if (problem[0] != '\0') {
            ++report_.wrongBatches;
            if (report_.problems.size() < kMaxProblems) {
                report_.problems.push_back("batch " + std::to_string(report_.batches) + ": " + problem);
            }
        } else if (faulty) {
            ++report_.faultsMet;
        } else if (afterFault_) {
            ++report_.batchesRestarted;
        }
        afterFault_ = faulty;
    }

private:
    void InstallBatch(const vscan::FaultSetup* fault) {
        vscan::Scenario scenario;
        vscan::DeviceSetup scanner = vscan::MakeScanner("ZR-DX961", 0, 0);
        scanner.hopper.assign(options_.sheetsPerBatch, vscan::MakeSheet("Letter"));
        scanner.repeatPages = true;
        if (fault != nullptr) scanner.faults.push_back(*fault);
        scenario.devices.push_back(scanner);
        vscan::InstallScenario(scenario);
        vscan::ClearCommandLog();
    }

    bool Set(TW_UINT16 cap, TW_UINT16 itemType, TW_UINT32 item) {
        plat::MemHandle block = OneValueContainer(itemType, item);
        TW_CAPABILITY capability{cap, TWON_ONEVALUE, block};
        const TW_UINT16 rc = DS_Entry(&app_, DG_CONTROL, DAT_CAPABILITY, MSG_SET, &capability);
        plat::MemFree(block);
        return rc == TWRC_SUCCESS;
    }

    // Compares a page with the first of its side delivered the same way.
    void Check(bool memory, uint32_t page, uint64_t hash) {
        uint64_t& reference = reference_[memory ? 1 : 0][page % 2];
        if (reference == 0) reference = hash;
        if (hash != reference && wrongPage_ == 0) wrongPage_ = page + 1;
    }

    TW_UINT16 NativePage(uint32_t page) {
        plat::MemHandle bitmap = nullptr;
        const TW_UINT16 rc = DS_Entry(&app_, DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET, &bitmap);
        if (bitmap == nullptr) return rc == TWRC_XFERDONE ? TWRC_FAILURE : rc;
        const auto* bytes = static_cast<const uint8_t*>(plat::MemLock(bitmap));
        Check(false, page, Fnv1a(bytes, plat::MemSize(bitmap)));
        plat::MemUnlock(bitmap);
        plat::MemFree(bitmap);
        return rc;
    }

    TW_UINT16 MemoryPage(uint32_t page) {
        uint64_t hash = 14695981039346656037ull;
        TW_UINT16 rc = TWRC_SUCCESS;
        while (rc == TWRC_SUCCESS) {
            TW_IMAGEMEMXFER xfer{};
            xfer.Memory = {TWMF_APPOWNS | TWMF_POINTER, kStripBytes, strip_};
            rc = DS_Entry(&app_, DG_IMAGE, DAT_IMAGEMEMXFER, MSG_GET, &xfer);
            if (rc == TWRC_SUCCESS || rc == TWRC_XFERDONE) hash ^= Fnv1a(strip_, xfer.BytesWritten) + xfer.YOffset;
        }
        if (rc == TWRC_XFERDONE) Check(true, page, hash);
        return rc;
    }

    const LongBatchOptions& options_;
    LongBatchReport& report_;
    std::mt19937 random_;
    TW_IDENTITY app_{};
    uint64_t reference_[2][2] = {};  // [memory][side]
    uint32_t wrongPage_ = 0;         // 1 + the first page unlike its reference
    uint32_t sampledUpTo_ = 0;  // pages delivered / residentEvery at the last sample
    bool afterFault_ = false;
    uint8_t strip_[kStripBytes];
};

}  // namespace

uint64_t ResidentBytes() {
    // Freed blocks the host keeps to catch their later use, and freed heap the
    // allocator keeps, would fake or hide growth.
    plat::host::DrainBlockQuarantine();
    malloc_trim(0);
    FILE* file = std::fopen("/proc/self/statm", "r");
    if (file == nullptr) return 0;
    unsigned long long size = 0, resident = 0;
    const int read = std::fscanf(file, "%llu %llu", &size, &resident);
    std::fclose(file);
    return read == 2 ? resident * 4096ull : 0;
}

LongBatchReport RunLongBatch(const LongBatchOptions& options) {
    LongBatchReport report;
    const int64_t liveBlocks = plat::host::LiveBlockCount();
    RegisterManagerStandIn();
    plat::host::RegisterInProcessModule("WNASPI32.DLL", vscan::LookupAspiSymbol);
    {
        LongRun run(options, report);
        if (!run.Open()) {
            report.problems.emplace_back("the source did not open");
            ++report.wrongBatches;
        } else {
            while (report.pagesDelivered < options.pages) run.Batch();
            run.Close();
        }
    }
    plat::host::UnregisterInProcessModule("TWAIN_32.DLL");
    plat::host::UnregisterInProcessModule("WNASPI32.DLL");
    report.leakedBlocks = plat::host::LiveBlockCount() - liveBlocks;
    return report;
}

}  // namespace hardening
