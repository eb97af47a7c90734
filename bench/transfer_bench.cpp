// Benchmarks of the page transfers against the memory-bandwidth limit: native
// and memory transfer of whole pages through DS_Entry, each beside a memcpy of
// the page's bytes timed in the same iterations; the virtual scanner's READ
// service alone over the same READs; a long batch; the peak of live memory
// blocks per transfer mode and page size; and an open that discovers the
// scanner behind 63 other devices. The scanner keeps each page drawn once
// (repeat pages), so that no iteration measures the simulator's drawing.
#include <benchmark/benchmark.h>

#include <time.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "platform/host/host_hooks.h"
#include "platform/platform.h"
#include "scanner/discovery.h"
#include "scanner/scsi_commands.h"
#include "settings/capability_state.h"
#include "settings/settings_model.h"
#include "transfer/memory_transfer.h"
#include "transfer/native_transfer.h"
#include "transfer/scan_job.h"
#include "twain/dispatch.h"
#include "twain/source_state.h"
#include "vscanner/vscanner.h"

namespace {

// A paper-class 2 model of generation 8: the widest and longest pages.
constexpr const char* kModel = "ZR-DX961s";
constexpr uint8_t kGray = 2;
constexpr uint32_t kStripBuffer = 32768;

// A page to transfer.
// Columns: composition, bits per pixel, dpi, width and length (1/1200 inch),
// the paper size code the sheet reports.
struct PageCase {
    uint8_t composition;
    uint8_t bitsPerPixel;
    uint16_t dpi;
    uint32_t width;
    uint32_t length;
    uint8_t paperCode;
};
constexpr PageCase kA4Bilevel{0, 1, 300, 9922, 14032, 4};
constexpr PageCase kA4Gray4{kGray, 4, 300, 9922, 14032, 4};
constexpr PageCase kA4Gray8{kGray, 8, 300, 9922, 14032, 4};
// The longest page of paper class 2 (431 mm) at the class's width (297 mm).
constexpr PageCase kLongBilevel{0, 1, 200, 14032, 20362, 3};
constexpr PageCase kLongGray8{kGray, 8, 200, 14032, 20362, 3};

enum class Mode { Native, Memory, ReadsOnly };

alignas(4) TW_IDENTITY Application{};

double ThreadCpuSeconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

TW_UINT16 Call(TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg, void* data) {
    return DS_Entry(&Application, dg, dat, msg, data);
}

vscan::DeviceSetup RepeatPageScanner(const PageCase& page, uint32_t sheets) {
    vscan::DeviceSetup scanner = vscan::MakeScanner(kModel, 0, 0);
    scanner.hopper.assign(sheets, vscan::SheetSetup(page.paperCode, page.width, page.length));
    scanner.repeatPages = true;
    return scanner;
}

bool OpenSourceOn(const vscan::Scenario& scenario) {
    RestoreLoadState();
    vscan::InstallScenario(scenario);
    if (!plat::host::RegisterInProcessModule("WNASPI32.DLL", vscan::LookupAspiSymbol)) return false;
    Application = {};
    Application.Id = 1;
    std::strncpy(Application.ProductFamily, "Benchmarks", sizeof Application.ProductFamily - 1);
    alignas(4) TW_IDENTITY source{};
    if (DS_Entry(nullptr, DG_CONTROL, DAT_IDENTITY, MSG_GET, &source) != TWRC_SUCCESS) return false;
    source.Id = 2;
    return Call(DG_CONTROL, DAT_IDENTITY, MSG_OPENDS, &source) == TWRC_SUCCESS;
}

void CloseSource() { Call(DG_CONTROL, DAT_IDENTITY, MSG_CLOSEDS, nullptr); }

// The batch as StartScan leaves it for every sheet of the hopper, one side,
// without indicators: the window set, the image size read, state 600.
bool StartBatch(const PageCase& page) {
    CapabilityState.indicators = 0;
    ScanWindow.xResolution = ScanWindow.yResolution = page.dpi;
    ScanWindow.left = ScanWindow.top = 0;
    ScanWindow.width = ScanWindow.paperWidth = page.width;
    ScanWindow.length = ScanWindow.paperLength = page.length;
    ScanWindow.composition = ScanWindow.backComposition = page.composition;
    ScanWindow.bitsPerPixel = page.bitsPerPixel;
    ScanWindow.compression = 0;
    ScanJob.allPages = kFlagAll;
    ScanJob.duplex = 0;
    ScanJob.pagesTransferred = 0;
    ScanJob.sheetNumber = 0;
    ScanJob.sideCode = kSideFront;
    ScanJob.scanCancel = 0;
    ScanJob.feederEmpty = 0;
    ScanWindow.windowId = kSideFront;
    if (ClearWindows(ScsiTarget) != kScsiGood || SetWindow(ScsiTarget, ScanWindow) != kScsiGood) {
        return false;
    }
    if (ReadImageSize(ScsiTarget, ImageGeometry.pixelsPerLine, ImageGeometry.lines) != kScsiGood) {
        return false;
    }
    ImageGeometry.bytesPerLine = BytesPerScannerLine(ImageGeometry.pixelsPerLine, page.bitsPerPixel);
    ImageGeometry.imageBytes = ImageGeometry.lines * ImageGeometry.bytesPerLine + 2;
    ImageGeometry.remainingBytes = static_cast<int32_t>(ImageGeometry.imageBytes);
    StartMemoryPage();
    SourceState = kStateXferReady;
    return true;
}

bool OpenForBatch(const PageCase& page, uint32_t sheets) {
    vscan::Scenario scenario;
    scenario.devices.push_back(RepeatPageScanner(page, sheets));
    return OpenSourceOn(scenario) && StartBatch(page);
}

uint64_t PageBytes() { return uint64_t{ImageGeometry.lines} * ImageGeometry.bytesPerLine; }

// MSG_ENDXFER; true when another page follows.
bool EndTransfer() {
    TW_PENDINGXFERS pending{0, 0};
    return Call(DG_CONTROL, DAT_PENDINGXFERS, MSG_ENDXFER, &pending) == TWRC_SUCCESS &&
           pending.Count != 0;
}

// One native transfer; the bitmap is freed, as an application does once it
// has used it, after its rows, top-down and cut to the scanner's line, have
// been copied into `received` when one is given.
bool NativePage(std::vector<uint8_t>* received) {
    plat::MemHandle bitmap = nullptr;
    if (Call(DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET, &bitmap) != TWRC_XFERDONE) return false;
    if (received != nullptr) {
        NativeImageLayout layout{};
        const auto* bytes = static_cast<const uint8_t*>(plat::MemLock(bitmap));
        if (bytes == nullptr || !ComputeNativeImageLayout(layout)) return false;
        const uint32_t lines = ImageGeometry.lines, bytesPerLine = ImageGeometry.bytesPerLine;
        received->clear();
        for (uint32_t row = lines; row-- > 0;) {
            const uint8_t* at = bytes + layout.pixelOffset + uint64_t{row} * layout.stride;
            received->insert(received->end(), at, at + bytesPerLine);
        }
        plat::MemUnlock(bitmap);
    }
    plat::MemFree(bitmap);
    return true;
}

// One page of memory strips into the application's page image: each buffer
// of 32768 bytes lies where its lines belong.
bool MemoryPage(std::vector<uint8_t>& image, std::vector<uint8_t>* received) {
    uint64_t offset = 0;
    for (;;) {
        if (offset + kStripBuffer > image.size()) return false;
        TW_IMAGEMEMXFER xfer{};
        xfer.Memory.Flags = TWMF_APPOWNS | TWMF_POINTER;
        xfer.Memory.Length = kStripBuffer;
        xfer.Memory.TheMem = image.data() + offset;
        const TW_UINT16 rc = Call(DG_IMAGE, DAT_IMAGEMEMXFER, MSG_GET, &xfer);
        if (rc != TWRC_SUCCESS && rc != TWRC_XFERDONE) return false;
        offset += xfer.BytesWritten;
        if (rc == TWRC_XFERDONE) break;
    }
    if (offset != PageBytes()) return false;
    if (received != nullptr) received->assign(image.begin(), image.begin() + static_cast<long>(offset));
    return true;
}

// The same READs as a native transfer, into one buffer, and nothing else: the
// virtual scanner's READ service with the command layer that sends them.
bool ReadsOnlyPage(std::vector<uint8_t>& work) {
    uint32_t remaining = static_cast<uint32_t>(ImageGeometry.remainingBytes);
    for (uint64_t offset = 0;; offset += kMaxReadChunk) {
        const uint32_t chunk = std::min(remaining, kMaxReadChunk);
        remaining -= chunk;
        if (offset + chunk > work.size()) return false;
        const ScsiResult result = ReadImage(ScsiTarget, chunk, work.data() + offset);
        if (result == kScsiGood && chunk != 0) continue;
        // The page counts as delivered so that MSG_ENDXFER feeds the next sheet.
        ScanJob.pagesTransferred = 1;
        return IsCheckCondition(result) && SenseSnapshot.endOfMedium != 0;
    }
}

struct PageRunner {
    Mode mode;
    std::vector<uint8_t> buffer;  // the application's page image, or the READ buffer

    explicit PageRunner(Mode m) : mode(m), buffer(PageBytes() + 2 * kStripBuffer) {}

    bool Page(std::vector<uint8_t>* received) {
        bool done = false;
        switch (mode) {
            case Mode::Native: done = NativePage(received); break;
            case Mode::Memory: done = MemoryPage(buffer, received); break;
            case Mode::ReadsOnly: done = ReadsOnlyPage(buffer); break;
        }
        return done && EndTransfer();
    }
};

// The first page as the application must see it: the scanner's bytes through
// the page's converter.
bool FirstPageIsRight(PageRunner& runner, const PageCase& page) {
    const auto device = vscan::DeviceSnapshot(ScsiAdapter, ScsiTarget);
    if (!device) return false;
    const std::vector<uint8_t> scanned =
        vscan::ExpectedPage(kModel, device->scanner.windows[0], 0,
                            vscan::SheetSetup(page.paperCode, page.width, page.length), kSideFront);
    if (scanned.size() != PageBytes()) return false;
    std::vector<uint8_t> expected(scanned.size());
    PageRowConverter(false)(scanned.data(), expected.data(), static_cast<uint32_t>(scanned.size()));
    std::vector<uint8_t> received;
    return runner.Page(&received) && received == expected;
}

// Per page: the transfer and MSG_ENDXFER, timed; then, with the timing paused,
// a memcpy of the page's bytes between two buffers already in memory. The
// counters give the page's CPU time as a multiple of that memcpy.
void BM_Transfer(benchmark::State& state, Mode mode, PageCase page) {
    constexpr uint32_t kSheets = 1000;
    if (!OpenForBatch(page, kSheets)) return state.SkipWithError("the batch did not start");
    PageRunner runner(mode);
    if (mode != Mode::ReadsOnly && !FirstPageIsRight(runner, page)) {
        return state.SkipWithError("the first page differs from the scanner's page");
    }
    if (mode == Mode::ReadsOnly && !runner.Page(nullptr)) return state.SkipWithError("READs failed");
    const uint64_t pageBytes = PageBytes();
    std::vector<uint8_t> from(pageBytes, 0x5A), to(pageBytes, 0);
    double pageCpu = 0, copyCpu = 0;
    // Sheets still in the hopper with another behind them: the last sheet's
    // MSG_ENDXFER ends the batch.
    uint32_t followed = kSheets - 2;
    for (auto _ : state) {
        if (followed-- == 0) {
            // A new hopper; its first page is drawn outside the timing.
            state.PauseTiming();
            CloseSource();
            if (!OpenForBatch(page, kSheets) || !runner.Page(nullptr)) {
                return state.SkipWithError("the batch did not start again");
            }
            followed = kSheets - 3;
            state.ResumeTiming();
        }
        const double start = ThreadCpuSeconds();
        const bool ok = runner.Page(nullptr);
        const double transferred = ThreadCpuSeconds();
        state.PauseTiming();
        vscan::ClearCommandLog();
        const double copyStart = ThreadCpuSeconds();
        std::memcpy(to.data(), from.data(), pageBytes);
        benchmark::DoNotOptimize(to.data());
        benchmark::ClobberMemory();
        copyCpu += ThreadCpuSeconds() - copyStart;
        pageCpu += transferred - start;
        state.ResumeTiming();
        if (!ok) {
            state.SkipWithError("a page failed");
            break;
        }
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * pageBytes));
    state.counters["page_bytes"] = static_cast<double>(pageBytes);
    state.counters["memcpy_ms"] = benchmark::Counter(copyCpu * 1e3 / static_cast<double>(state.iterations()));
    state.counters["x_memcpy"] = copyCpu > 0 ? pageCpu / copyCpu : 0;
    CloseSource();
}

#define KORVEX_TRANSFER(name, mode, page) \
    BENCHMARK_CAPTURE(BM_Transfer, name, mode, page)->Unit(benchmark::kMillisecond)->UseRealTime()
KORVEX_TRANSFER(native_a4_bw_300, Mode::Native, kA4Bilevel);
KORVEX_TRANSFER(native_a4_gray4_300, Mode::Native, kA4Gray4);
KORVEX_TRANSFER(native_a4_gray8_300, Mode::Native, kA4Gray8);
KORVEX_TRANSFER(native_long_bw_200, Mode::Native, kLongBilevel);
KORVEX_TRANSFER(native_long_gray8_200, Mode::Native, kLongGray8);
KORVEX_TRANSFER(memory_a4_bw_300, Mode::Memory, kA4Bilevel);
KORVEX_TRANSFER(memory_a4_gray4_300, Mode::Memory, kA4Gray4);
KORVEX_TRANSFER(memory_a4_gray8_300, Mode::Memory, kA4Gray8);
KORVEX_TRANSFER(memory_long_bw_200, Mode::Memory, kLongBilevel);
KORVEX_TRANSFER(memory_long_gray8_200, Mode::Memory, kLongGray8);
KORVEX_TRANSFER(reads_only_a4_bw_300, Mode::ReadsOnly, kA4Bilevel);
KORVEX_TRANSFER(reads_only_a4_gray4_300, Mode::ReadsOnly, kA4Gray4);
KORVEX_TRANSFER(reads_only_a4_gray8_300, Mode::ReadsOnly, kA4Gray8);
KORVEX_TRANSFER(reads_only_long_bw_200, Mode::ReadsOnly, kLongBilevel);
KORVEX_TRANSFER(reads_only_long_gray8_200, Mode::ReadsOnly, kLongGray8);

// One batch of range(0) native black-and-white A4 pages at 300 dpi after a
// first page outside the timing; the time per page must not grow with the
// batch. The command log is cleared every 100 pages outside the timing.
void BM_Batch(benchmark::State& state, Mode mode) {
    const auto pages = static_cast<uint32_t>(state.range(0));
    double batchCpu = 0;
    for (auto _ : state) {
        state.PauseTiming();
        if (!OpenForBatch(kA4Bilevel, pages + 2)) return state.SkipWithError("the batch did not start");
        PageRunner runner(mode);
        if (!runner.Page(nullptr)) return state.SkipWithError("the first page failed");
        state.ResumeTiming();
        for (uint32_t page = 0; page < pages; ++page) {
            const double start = ThreadCpuSeconds();
            const bool ok = runner.Page(nullptr);
            batchCpu += ThreadCpuSeconds() - start;
            if (!ok) return state.SkipWithError("a page of the batch failed");
            if (page % 100 == 99) {
                state.PauseTiming();
                vscan::ClearCommandLog();
                state.ResumeTiming();
            }
        }
        state.PauseTiming();
        CloseSource();
        state.ResumeTiming();
    }
    state.counters["pages"] = pages;
    state.counters["us_per_page"] =
        batchCpu * 1e6 / static_cast<double>(pages) / static_cast<double>(state.iterations());
}
BENCHMARK_CAPTURE(BM_Batch, native, Mode::Native)
    ->Arg(100)->Arg(1000)->Arg(10000)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(BM_Batch, memory, Mode::Memory)
    ->Arg(100)->Arg(1000)->Arg(10000)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

// Peak of live memory blocks above what was live before, over one transfer of
// an 8-bit gray page at 300 dpi, A4 wide and range(0)/4 A4 lengths long, as a
// multiple of the page's bytes.
void BM_PeakMemory(benchmark::State& state, Mode mode) {
    const PageCase page{kGray, 8, 300, 9922, static_cast<uint32_t>(14032 * state.range(0) / 4), 4};
    if (!OpenForBatch(page, 4)) return state.SkipWithError("the batch did not start");
    PageRunner runner(mode);
    uint64_t peak = 0;
    for (auto _ : state) {
        plat::host::ResetPeakLiveBlockBytes();
        const uint64_t before = plat::host::LiveBlockBytes();
        if (!runner.Page(nullptr)) return state.SkipWithError("the page failed");
        peak = std::max(peak, plat::host::PeakLiveBlockBytes() - before);
    }
    const double pageBytes = static_cast<double>(ImageGeometry.lines) * ImageGeometry.bytesPerLine;
    state.counters["page_bytes"] = pageBytes;
    state.counters["peak_bytes"] = static_cast<double>(peak);
    state.counters["x_page"] = static_cast<double>(peak) / pageBytes;
    CloseSource();
}
BENCHMARK_CAPTURE(BM_PeakMemory, native, Mode::Native)
    ->Arg(1)->Arg(2)->Arg(4)->Arg(6)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_PeakMemory, memory, Mode::Memory)
    ->Arg(1)->Arg(2)->Arg(4)->Arg(6)->Iterations(1)->Unit(benchmark::kMillisecond);

// MSG_OPENDS with discovery over 8 host adapters of 8 targets, every target a
// disk except the last, the scanner, on a bus that answers at once; the
// source is closed again outside the timing. x_budget is the open's time as
// a fraction of 5 ms.
void BM_OpenWithDiscovery(benchmark::State& state) {
    vscan::Scenario scenario;
    scenario.adapterCount = 8;
    for (uint8_t adapter = 0; adapter < 8; ++adapter) {
        for (uint8_t target = 0; target < 8; ++target) {
            if (adapter == 7 && target == 7) {
                scenario.devices.push_back(vscan::MakeScanner(kModel, adapter, target));
            } else {
                scenario.devices.push_back(vscan::MakeDevice(vscan::DeviceKind::Disk, "DISKCO",
                                                             "FIXED DISK", adapter, target));
            }
        }
    }
    double openCpu = 0;
    for (auto _ : state) {
        state.PauseTiming();
        RestoreLoadState();
        vscan::InstallScenario(scenario);
        if (!plat::host::RegisterInProcessModule("WNASPI32.DLL", vscan::LookupAspiSymbol)) {
            return state.SkipWithError("no in-process ASPI module");
        }
        alignas(4) TW_IDENTITY source{};
        DS_Entry(nullptr, DG_CONTROL, DAT_IDENTITY, MSG_GET, &source);
        source.Id = 2;
        state.ResumeTiming();
        const double start = ThreadCpuSeconds();
        const TW_UINT16 rc = Call(DG_CONTROL, DAT_IDENTITY, MSG_OPENDS, &source);
        openCpu += ThreadCpuSeconds() - start;
        state.PauseTiming();
        const bool found = ScsiAdapter == 7 && ScsiTarget == 7;
        CloseSource();
        state.ResumeTiming();
        if (rc != TWRC_SUCCESS || !found) return state.SkipWithError("the scanner at 7/7 was not opened");
    }
    state.counters["x_budget"] = openCpu / static_cast<double>(state.iterations()) / 5e-3;
}
BENCHMARK(BM_OpenWithDiscovery)->Unit(benchmark::kMicrosecond)->UseRealTime();

}  // namespace
