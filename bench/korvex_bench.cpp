// Benchmarks of the paths a production driver runs most, all in-process: one
// page read through the SCSI command layer from the virtual scanner, a
// resolution round trip through DS_Entry, and the settings file. Every
// benchmark checks what it measured and stops with an error when it is wrong.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "platform/host/host_hooks.h"
#include "platform/platform.h"
#include "scanner/discovery.h"
#include "scanner/scsi_commands.h"
#include "settings/settings_file.h"
#include "settings/settings_model.h"
#include "transfer/row_converters.h"
#include "twain/dispatch.h"
#include "twain/source_state.h"
#include "vscanner/vscanner.h"

namespace {

constexpr const char* kModel = "ZR-DX961s";
constexpr uint32_t kChunkSize = 32768;
constexpr uint32_t kSheetsPerScenario = 50;
constexpr uint32_t kResolution = 300;

alignas(4) TW_IDENTITY Application{};

// Seconds taken by `work`, on the steady clock.
template <typename Work>
double SecondsOf(Work&& work) {
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// One scanner at adapter 0, target 0, with a hopper of Letter sheets.
vscan::Scenario LetterScenario() {
    vscan::DeviceSetup scanner = vscan::MakeScanner(kModel, 0, 0);
    scanner.hopper.assign(kSheetsPerScenario, vscan::MakeSheet("Letter"));
    vscan::Scenario scenario;
    scenario.devices.push_back(scanner);
    return scenario;
}

// Puts the source back to its state at load, installs the virtual scanner as
// WNASPI32.DLL and opens the source as an application would.
bool OpenSource() {
    RestoreLoadState();
    vscan::InstallScenario(LetterScenario());
    if (!plat::host::RegisterInProcessModule("WNASPI32.DLL", vscan::LookupAspiSymbol)) return false;
    Application = {};
    Application.Id = 1;
    std::strncpy(Application.Manufacturer, "Korvex", sizeof Application.Manufacturer - 1);
    std::strncpy(Application.ProductFamily, "Benchmarks", sizeof Application.ProductFamily - 1);
    alignas(4) TW_IDENTITY source{};
    if (DS_Entry(nullptr, DG_CONTROL, DAT_IDENTITY, MSG_GET, &source) != TWRC_SUCCESS) return false;
    source.Id = 2;
    return DS_Entry(&Application, DG_CONTROL, DAT_IDENTITY, MSG_OPENDS, &source) == TWRC_SUCCESS;
}

void CloseSource() { DS_Entry(&Application, DG_CONTROL, DAT_IDENTITY, MSG_CLOSEDS, nullptr); }

// A Letter page (8.5 by 11 inches, in 1/1200 inch) at 300 dpi on the front.
ScanWindowRecord LetterWindow(uint8_t composition, uint8_t bitsPerPixel) {
    ScanWindowRecord window{};
    window.windowId = kFrontWindowId;
    window.xResolution = kResolution;
    window.yResolution = kResolution;
    window.width = 10200;
    window.length = 13200;
    window.paperWidth = 10200;
    window.paperLength = 13200;
    window.brightness = 128;
    window.threshold = 128;
    window.contrast = 128;
    window.composition = composition;
    window.bitsPerPixel = bitsPerPixel;
    return window;
}

// Reads the page of sheet 0 into `page` in READs of kChunkSize until the
// scanner ends it with CHECK CONDITION and end-of-medium; answers the bytes
// delivered (the last READ's shortfall is in the sense information field), or
// nothing when a READ fails otherwise or the page outgrows the buffer.
std::optional<uint64_t> ReadPage(std::vector<uint8_t>& page) {
    for (uint64_t offset = 0; offset + kChunkSize <= page.size(); offset += kChunkSize) {
        const ScsiResult result = ReadImage(ScsiTarget, kChunkSize, page.data() + offset);
        if (result == kScsiGood) continue;
        const uint8_t* sense = ScanRequest.SenseArea;
        if (!IsCheckCondition(result) || SenseSnapshot.senseKey != 0 ||
            SenseSnapshot.endOfMedium == 0 || (sense[0] & 0x80) == 0) {
            return std::nullopt;
        }
        const uint32_t shortfall = (uint32_t{sense[3]} << 24) | (uint32_t{sense[4]} << 16) |
                                   (uint32_t{sense[5]} << 8) | sense[6];
        if (shortfall > kChunkSize) return std::nullopt;
        return offset + kChunkSize - shortfall;
    }
    return std::nullopt;
}

// SET WINDOW, the page read to its end, and SET WINDOW without a list, which
// sends the sheet out so that the next page is the next sheet of the hopper.
std::optional<uint64_t> ScanOnePage(const ScanWindowRecord& window, std::vector<uint8_t>& page) {
    if (SetWindow(ScsiTarget, window) != kScsiGood) return std::nullopt;
    const std::optional<uint64_t> bytes = ReadPage(page);
    if (ClearWindows(ScsiTarget) != kScsiGood) return std::nullopt;
    return bytes;
}

void BM_ReadPage(benchmark::State& state, uint8_t composition, uint8_t bitsPerPixel) {
    if (!OpenSource()) return state.SkipWithError("the source did not open");
    const ScanWindowRecord window = LetterWindow(composition, bitsPerPixel);

    // The first sheet is checked byte for byte against the virtual scanner's page.
    if (SetWindow(ScsiTarget, window) != kScsiGood) return state.SkipWithError("SET WINDOW failed");
    const std::optional<vscan::VirtualDevice> device = vscan::DeviceSnapshot(ScsiAdapter, ScsiTarget);
    if (!device) return state.SkipWithError("no virtual scanner at the source's target");
    const std::vector<uint8_t> expected = vscan::ExpectedPage(
        kModel, device->scanner.windows[0], 0, vscan::MakeSheet("Letter"), kFrontWindowId);
    std::vector<uint8_t> page(expected.size() + kChunkSize);
    const std::optional<uint64_t> first = ScanOnePage(window, page);
    if (first != expected.size() || std::memcmp(page.data(), expected.data(), expected.size()) != 0) {
        return state.SkipWithError("the first page differs from the scanner's page");
    }

    uint32_t sheetsLeft = kSheetsPerScenario - 1;
    for (auto _ : state) {
        if (sheetsLeft == 0) {
            state.PauseTiming();
            vscan::InstallScenario(LetterScenario());
            sheetsLeft = kSheetsPerScenario;
            state.ResumeTiming();
        }
        --sheetsLeft;
        if (ScanOnePage(window, page) != expected.size()) {
            state.SkipWithError("a page ended early, late or with an error");
            break;
        }
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * expected.size()));
    state.counters["page_bytes"] = static_cast<double>(expected.size());
    CloseSource();
}
BENCHMARK_CAPTURE(BM_ReadPage, bilevel_300dpi, uint8_t{0}, uint8_t{1})->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_ReadPage, gray8_300dpi, uint8_t{2}, uint8_t{8})->Unit(benchmark::kMillisecond);

// A TW_ONEVALUE container of a FIX32 whole number, as the application allocates it.
plat::MemHandle Fix32Container(TW_INT16 whole) {
    plat::MemHandle block = plat::MemAlloc(sizeof(TW_ONEVALUE));
    auto* value = static_cast<TW_ONEVALUE*>(plat::MemLock(block));
    if (value == nullptr) return block;
    value->ItemType = TWTY_FIX32;
    value->Item = static_cast<TW_UINT16>(whole);  // Whole in the low half, Frac 0
    plat::MemUnlock(block);
    return block;
}

// MSG_SET of ICAP_XRESOLUTION (alternately 200 and 300 dpi) and MSG_GETCURRENT,
// whose answer must be the value just set; beside a DAT_STATUS call.
void BM_ResolutionRoundTrip(benchmark::State& state) {
    if (!OpenSource()) return state.SkipWithError("the source did not open");
    const int64_t blocksAtStart = plat::host::LiveBlockCount();
    TW_INT16 dpi = 300;
    // The baseline, before and after the loop: DAT_STATUS, the cheapest triplet.
    constexpr int kStatusCalls = 20000;
    const auto statusCalls = [] {
        TW_STATUS status{};
        for (int i = 0; i < kStatusCalls; ++i) {
            DS_Entry(&Application, DG_CONTROL, DAT_STATUS, MSG_GET, &status);
            benchmark::DoNotOptimize(status);
        }
    };
    double statusSeconds = SecondsOf(statusCalls);
    const auto loopStart = std::chrono::steady_clock::now();
    for (auto _ : state) {
        dpi = dpi == 300 ? 200 : 300;
        plat::MemHandle sent = Fix32Container(dpi);
        TW_CAPABILITY set{ICAP_XRESOLUTION, TWON_ONEVALUE, sent};
        const TW_UINT16 setRc = DS_Entry(&Application, DG_CONTROL, DAT_CAPABILITY, MSG_SET, &set);
        plat::MemFree(sent);

        TW_CAPABILITY current{ICAP_XRESOLUTION, TWON_DONTCARE16, nullptr};
        const TW_UINT16 getRc =
            DS_Entry(&Application, DG_CONTROL, DAT_CAPABILITY, MSG_GETCURRENT, &current);
        TW_ONEVALUE answer{};
        if (const void* data = plat::MemLock(current.hContainer)) {
            std::memcpy(&answer, data, sizeof answer);
            plat::MemUnlock(current.hContainer);
        }
        plat::MemFree(current.hContainer);
        if (setRc != TWRC_SUCCESS || getRc != TWRC_SUCCESS || current.ConType != TWON_ONEVALUE ||
            answer.ItemType != TWTY_FIX32 || answer.Item != static_cast<TW_UINT16>(dpi)) {
            state.SkipWithError("MSG_GETCURRENT did not answer the resolution just set");
            break;
        }
    }
    const double tripSeconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - loopStart).count() /
        static_cast<double>(state.iterations());
    statusSeconds = (statusSeconds + SecondsOf(statusCalls)) / (2.0 * kStatusCalls);
    if (plat::host::LiveBlockCount() != blocksAtStart) state.SkipWithError("memory blocks leaked");
    state.counters["x_status_call"] = statusSeconds > 0 ? tripSeconds / statusSeconds : 0;
    CloseSource();
}
BENCHMARK(BM_ResolutionRoundTrip);

// SaveSettings of the whole model (alternately 200 and 300 dpi); the file is
// read back, outside the timing, after every save, and that read of one key
// is the baseline.
void BM_SaveSettings(benchmark::State& state) {
    if (!OpenSource()) return state.SkipWithError("the source did not open");
    bool low = false;
    double saveSeconds = 0, readSeconds = 0;
    for (auto _ : state) {
        low = !low;
        saveSeconds += SecondsOf([&] {
            SetSettingText(Resolution, low ? "200 DPI" : "300 DPI");
            SaveSettings();
        });
        state.PauseTiming();
        char saved[32] = {};
        readSeconds += SecondsOf([&] {
            plat::ProfileGetString("Image", "Resolution", "", saved, sizeof saved, kSettingsFileName);
        });
        const bool written = std::strcmp(saved, low ? "200 DPI" : "300 DPI") == 0;
        state.ResumeTiming();
        if (!written) {
            state.SkipWithError("the settings file does not hold the saved resolution");
            break;
        }
    }
    state.counters["x_key_read"] = readSeconds > 0 ? saveSeconds / readSeconds : 0;
    CloseSource();
}
BENCHMARK(BM_SaveSettings)->Unit(benchmark::kMicrosecond);

// LoadSettings of a file saved for the connected model: the resolution changed
// in the model before each load must come back as saved.
void BM_LoadSettings(benchmark::State& state) {
    if (!OpenSource()) return state.SkipWithError("the source did not open");
    SetSettingText(Resolution, "200 DPI");
    SaveSettings();
    double loadSeconds = 0, readSeconds = 0;
    for (auto _ : state) {
        loadSeconds += SecondsOf([] {
            SetSettingText(Resolution, "400 DPI");
            LoadSettings();
        });
        // The baseline, outside the timing: one key read from the same file.
        state.PauseTiming();
        char saved[32] = {};
        readSeconds += SecondsOf([&] {
            plat::ProfileGetString("Image", "Resolution", "", saved, sizeof saved, kSettingsFileName);
        });
        state.ResumeTiming();
        if (std::strcmp(Resolution.text, "200 DPI") != 0) {
            state.SkipWithError("LoadSettings did not read the saved resolution");
            break;
        }
    }
    state.counters["x_key_read"] = readSeconds > 0 ? loadSeconds / readSeconds : 0;
    CloseSource();
}
BENCHMARK(BM_LoadSettings)->Unit(benchmark::kMicrosecond);

// ---- Row converters -------------------------------------------------------------
// One Letter page of 8-bit gray at 300 dpi (2560 x 3300 bytes) converted line by
// line from a scanner buffer into bitmap rows, as a native transfer does; the
// first line is checked against the byte-by-byte definition.
void BM_ConvertPage(benchmark::State& state, RowConverter convert, uint8_t (*reference)(uint8_t)) {
    constexpr uint32_t kBytesPerLine = 2560;
    constexpr uint32_t kLines = 3300;
    std::vector<uint8_t> source(size_t{kBytesPerLine} * kLines);
    for (size_t i = 0; i < source.size(); ++i) source[i] = static_cast<uint8_t>(i * 131 + i / 977);
    std::vector<uint8_t> rows(source.size());
    convert(source.data(), rows.data(), kBytesPerLine);
    for (uint32_t i = 0; i < kBytesPerLine; ++i) {
        if (rows[i] != reference(source[i])) return state.SkipWithError("a converted byte is wrong");
    }
    for (auto _ : state) {
        for (uint32_t line = 0; line < kLines; ++line) {
            convert(source.data() + size_t{line} * kBytesPerLine,
                    rows.data() + size_t{kLines - 1 - line} * kBytesPerLine, kBytesPerLine);
        }
        benchmark::DoNotOptimize(rows.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * source.size()));
}

uint8_t ReverseBitsOneByOne(uint8_t byte) {
    uint8_t reversed = 0;
    for (int bit = 0; bit < 8; ++bit) reversed = static_cast<uint8_t>(reversed | ((byte >> bit) & 1) << (7 - bit));
    return reversed;
}

BENCHMARK_CAPTURE(BM_ConvertPage, copy, CopyRow, [](uint8_t b) { return b; })
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_ConvertPage, inverted, CopyRowInverted,
                  [](uint8_t b) { return static_cast<uint8_t>(~b); })
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_ConvertPage, bit_reversed_inverted, CopyRowBitReversedInverted,
                  [](uint8_t b) { return static_cast<uint8_t>(~ReverseBitsOneByOne(b)); })
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_ConvertPage, nibble_swapped, CopyRowNibbleSwapped,
                  [](uint8_t b) { return static_cast<uint8_t>(b << 4 | b >> 4); })
    ->Unit(benchmark::kMillisecond);

}  // namespace

// The source reads and writes KORVEX32.INI in a Windows directory of its own,
// removed at exit, so that no run touches the user's settings.
int main(int argc, char** argv) {
    std::string directory = (std::filesystem::temp_directory_path() / "korvex-bench-XXXXXX").string();
    if (mkdtemp(directory.data()) == nullptr) return 1;
    plat::host::SetWindowsDirectory(directory.c_str());

    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();

    std::error_code ignored;
    std::filesystem::remove_all(directory, ignored);
    return 0;
}
