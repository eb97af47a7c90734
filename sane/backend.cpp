// The SANE entry points of the backend "korvex" (sane_korvex_init ...
// sane_korvex_exit, the names SANE's dll backend looks up). The backend is a
// TWAIN application of KORVEX32.ds through the source manager: one device,
// the scanner the source drives, open at a time; each sane_start transfers
// the batch's next side in memory strips and hands it to sane_read.
#include <sane/sane.h>

#include <atomic>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "apps/twain_app/negotiation.h"
#include "apps/twain_app/page_transfer.h"
#include "apps/twain_app/scan_options.h"
#include "apps/twain_app/twain_session.h"
#include "platform/host/host_hooks.h"
#include "sane/backend_config.h"
#include "sane/bus_devices.h"
#include "sane/frame.h"
#include "sane/options.h"
#include "sane/sane_korvex.h"
#include "sane/scanner_messages.h"
#include "vscanner/scenario_catalog.h"
#include "vscanner/scenario_file.h"

namespace {

constexpr SANE_Int kBuildNumber = 1;
constexpr char kDeviceType[] = "sheetfed scanner";

struct DeviceEntry {
    std::string name;  // "aspi:ADAPTER:TARGET"
    std::string vendor;
    std::string model;
    SANE_Device device;
};

// Where the open device's batch stands.
enum class FrameState {
    None,       // no side started since the open or the last cancel
    Reading,    // a side is being handed to sane_read
    Done,       // the side's last byte has been read
    Cancelled,  // sane_cancel ended a side before its end
};

struct Scanner {
    bool open;
    OptionSet options;
    bool batchRunning;       // the source is enabled and has announced the batch
    bool morePages;          // it holds another side (state 600)
    SANE_Status batchEnd;    // what the next sane_start answers once the batch has ended
    bool batchEnded;
    bool minIsWhite;         // the strips' polarity
    uint32_t pageNumber;
    FrameState state;
    SaneFrame frame;
};

bool Initialized = false;
BackendConfig Config;
std::vector<DeviceEntry> Devices;
std::vector<const SANE_Device*> DeviceList;
Scanner Open{};
// sane_cancel may come asynchronously (scanimage calls it from its SIGINT
// handler): during a start or a read it only asks.
std::atomic<bool> InSourceCall{false};
std::atomic<bool> CancelAsked{false};

std::string ManagerPath() {
    return Config.sourceDir.empty() ? std::string("TWAIN_32.DLL") : Config.sourceDir + "/twain_32.so";
}

std::string AspiPath() {
    if (!Config.aspiManager.empty()) return Config.aspiManager;
    return Config.sourceDir.empty() ? std::string("WNASPI32.DLL") : Config.sourceDir + "/wnaspi32.so";
}

void InstallScenario(const std::string& choice) {
    vscan::Scenario scenario;
    std::string error;
    if (const vscan::NamedScenario* named = vscan::FindNamedScenario(choice.c_str())) {
        scenario = named->build();
    } else {
        std::string text;
        // Image files the scenario names are found beside it.
        const std::string directory = std::filesystem::path(choice).parent_path().string();
        if (!vscan::ReadTextFile(choice, text) || !vscan::ParseScenario(text, scenario, error, directory)) {
            LogLine("scenario \"%s\": %s", choice.c_str(), error.empty() ? "neither a name nor a readable file" : error.c_str());
            return;
        }
    }
    if (!vscan::WriteScenarioFile(vscan::DefaultScenarioPath(), scenario)) {
        LogLine("cannot write the scenario to %s", vscan::DefaultScenarioPath().c_str());
    }
}

// Opens the manager and the source; the status the failure stands for.
SANE_Status OpenTwainSource() {
    ClearScannerMessages();
    if (!LoadSourceManager(ManagerPath().c_str())) return SANE_STATUS_IO_ERROR;
    if (OpenSourceManager() && OpenSource(Config.sourceName.c_str())) return SANE_STATUS_GOOD;
    EndSession();
    return StatusOfScannerMessages(SANE_STATUS_IO_ERROR);
}

// The devices: the scanner the source drives when it opens, named by where
// the bus walk finds it (the source takes the first scanner it identifies).
void FindDevices() {
    Devices.clear();
    if (OpenTwainSource() == SANE_STATUS_GOOD) {
        EndSession();
        const std::vector<BusScanner> scanners = FindBusScanners(AspiPath());
        if (scanners.empty()) {
            LogLine("the source opens, but the bus of %s holds no scanner", AspiPath().c_str());
        } else {
            const BusScanner& first = scanners.front();
            Devices.push_back({"aspi:" + std::to_string(first.adapter) + ":" + std::to_string(first.target),
                               first.vendor, first.product, SANE_Device{}});
        }
    }
    DeviceList.clear();
    for (DeviceEntry& entry : Devices) {
        entry.device = {entry.name.c_str(), entry.vendor.c_str(), entry.model.c_str(), kDeviceType};
        DeviceList.push_back(&entry.device);
    }
    DeviceList.push_back(nullptr);
}

Scanner* ScannerOf(SANE_Handle handle) { return handle == &Open && Open.open ? &Open : nullptr; }

// The source's page frame, the default sheet.
void PageFrameMm(double& widthMm, double& heightMm) {
    TW_IMAGELAYOUT layout{};
    widthMm = heightMm = 0;
    if (CallSource(DG_IMAGE, DAT_IMAGELAYOUT, MSG_GET, &layout) != TWRC_SUCCESS) return;
    widthMm = (layout.Frame.Right.Whole + layout.Frame.Right.Frac / 65536.0) * 25.4;
    heightMm = (layout.Frame.Bottom.Whole + layout.Frame.Bottom.Frac / 65536.0) * 25.4;
}

// Keeps each side as a SANE frame, cut to the requested area.
class FrameSink : public PageSink {
public:
    FrameSink(SaneFrame& frame, const ScanArea& area) : frame_(frame), area_(area) {}
    void PageStarted(uint32_t) override {}
    void PageProgress(uint32_t, uint64_t) override {}
    bool PageDone(const ScannedPage& page) override {
        bool ok = false;
        if (area_.right == 0) {  // an all-zero area: the whole page
            ok = FrameFromPage(page, frame_);
        } else {
            ScannedPage cut = page;
            ok = CropToArea(cut, area_) && FrameFromPage(cut, frame_);
        }
        if (!ok) {
            LogLine("page %u: the scan area holds nothing of the page delivered", static_cast<unsigned>(page.number));
            return false;
        }
        return true;
    }

private:
    SaneFrame& frame_;
    const ScanArea& area_;
};

// Ends the source's part of the batch: pending sides are dropped, the source
// disabled (state 400).
void StopBatch(Scanner& scanner) {
    if (!scanner.batchRunning) return;
    if (scanner.morePages) EndBatch();
    DisableSource();
    scanner.batchRunning = false;
    scanner.morePages = false;
}

// Negotiates the options and enables the source until it announces the batch.
SANE_Status StartBatch(Scanner& scanner, const ScanRequest& request) {
    ClearScannerMessages();
    if (!ApplyScanRequest(request) || !SetCapability(ICAP_XFERMECH, TWTY_UINT16, TWSX_MEMORY) ||
        !SetCapability(ICAP_COMPRESSION, TWTY_UINT16, TWCP_NONE) || !SetCapability(CAP_XFERCOUNT, TWTY_INT16, -1)) {
        return SANE_STATUS_INVAL;
    }
    CapabilityValue flavor{};
    scanner.minIsWhite = GetCurrentCapability(ICAP_PIXELFLAVOR, flavor) && flavor.number == TWPF_VANILLA;
    if (!EnableUntilTransferReady()) return StatusOfScannerMessages(SANE_STATUS_IO_ERROR);
    scanner.batchRunning = true;
    scanner.morePages = true;
    scanner.pageNumber = 0;
    return SANE_STATUS_GOOD;
}

SANE_Status StatusOfBatchEnd(BatchEnd end) {
    switch (end) {
        case BatchEnd::Complete: return SANE_STATUS_GOOD;
        case BatchEnd::ScannerFault: return StatusOfScannerMessages(SANE_STATUS_IO_ERROR);
        case BatchEnd::Cancelled: return SANE_STATUS_CANCELLED;
        case BatchEnd::SinkFailed: return SANE_STATUS_INVAL;
        case BatchEnd::TwainFailure: break;
    }
    return SANE_STATUS_IO_ERROR;
}

// The next side of the batch into the frame (sane_start).
SANE_Status StartSide(Scanner& scanner) {
    // A side not read to its end is still being scanned.
    if (scanner.state == FrameState::Reading && scanner.frame.readAt < scanner.frame.bytes.size()) {
        return SANE_STATUS_DEVICE_BUSY;
    }
    if (scanner.batchEnded) {
        // The batch ended after the last side: the feeder's end, or the fault
        // the source reported while looking for the next sheet.
        scanner.batchEnded = false;
        scanner.state = FrameState::None;
        return scanner.batchEnd;
    }
    ScanRequest request;
    if (!RequestOf(scanner.options, request)) return SANE_STATUS_INVAL;
    if (!scanner.batchRunning) {
        const SANE_Status started = StartBatch(scanner, request);
        if (started != SANE_STATUS_GOOD) return started;
    }
    ClearScannerMessages();
    FrameSink sink(scanner.frame, request.area);
    const PageStep step = TransferNextPage(TransferMechanism::Memory, ++scanner.pageNumber, scanner.minIsWhite, sink);
    scanner.morePages = step.morePages;
    if (step.end != BatchEnd::Complete || !step.kept) {
        const SANE_Status status = StatusOfBatchEnd(step.end);
        StopBatch(scanner);
        scanner.state = FrameState::None;
        return status == SANE_STATUS_GOOD ? SANE_STATUS_IO_ERROR : status;
    }
    if (!step.morePages) {
        scanner.batchEnd = StatusOfScannerMessages(SANE_STATUS_NO_DOCS);
        scanner.batchEnded = true;
        StopBatch(scanner);
    }
    scanner.state = FrameState::Reading;
    return SANE_STATUS_GOOD;
}

// The next bytes of the side (sane_read).
SANE_Status ReadSide(Scanner& scanner, SANE_Byte* data, SANE_Int max_length, SANE_Int* length) {
    switch (scanner.state) {
        case FrameState::None: return SANE_STATUS_INVAL;
        case FrameState::Cancelled: return SANE_STATUS_CANCELLED;
        case FrameState::Done: return SANE_STATUS_EOF;
        case FrameState::Reading: break;
    }
    SaneFrame& frame = scanner.frame;
    const size_t left = frame.bytes.size() - frame.readAt;
    if (left == 0) {
        scanner.state = FrameState::Done;
        return SANE_STATUS_EOF;
    }
    const size_t count = std::min(left, static_cast<size_t>(max_length));
    std::memcpy(data, frame.bytes.data() + frame.readAt, count);
    frame.readAt += count;
    *length = static_cast<SANE_Int>(count);
    return SANE_STATUS_GOOD;
}

// Ends the batch and drops the side (sane_cancel).
void CancelScanner(Scanner& scanner) {
    StopBatch(scanner);
    scanner.batchEnded = false;
    scanner.state = scanner.state == FrameState::Reading ? FrameState::Cancelled : FrameState::None;
    scanner.frame.bytes.clear();
    scanner.frame.readAt = 0;
}

void CloseScanner(Scanner& scanner) {
    StopBatch(scanner);
    EndSession();
    scanner.open = false;
    scanner.frame = SaneFrame{};
}

}  // namespace

extern "C" {

SANE_Status sane_korvex_init(SANE_Int* version_code, SANE_Auth_Callback) {
    if (version_code != nullptr) *version_code = SANE_VERSION_CODE(SANE_CURRENT_MAJOR, 0, kBuildNumber);
    if (Initialized) return SANE_STATUS_GOOD;
    SetApplicationName("korvex");
    Config = BackendConfig{};
    ReadBackendConfig(Config);
    // The source's platform layer looks for KorvexHostMessageBox among the
    // process's global symbols; SANE's dll backend loads this module privately.
    if (!plat::host::ShareCallerModuleSymbols()) LogLine("the source's messages cannot reach the backend");
    if (!Config.scenario.empty()) InstallScenario(Config.scenario);
    Initialized = true;
    return SANE_STATUS_GOOD;
}

void sane_korvex_exit() {
    if (Open.open) CloseScanner(Open);
    Devices.clear();
    DeviceList.clear();
    Initialized = false;
}

SANE_Status sane_korvex_get_devices(const SANE_Device*** device_list, SANE_Bool) {
    if (!Initialized || device_list == nullptr) return SANE_STATUS_INVAL;
    // The open device's session is the process's only one: keep its list.
    if (!Open.open) FindDevices();
    *device_list = DeviceList.data();
    return SANE_STATUS_GOOD;
}

SANE_Status sane_korvex_open(SANE_String_Const name, SANE_Handle* handle) {
    if (!Initialized || handle == nullptr) return SANE_STATUS_INVAL;
    *handle = nullptr;
    if (Open.open) return SANE_STATUS_DEVICE_BUSY;
    FindDevices();
    const bool any = name == nullptr || name[0] == '\0';
    bool known = false;
    for (const DeviceEntry& entry : Devices) known = known || any || entry.name == name;
    if (!known) return SANE_STATUS_INVAL;
    const SANE_Status opened = OpenTwainSource();
    if (opened != SANE_STATUS_GOOD) return opened;
    ScanOffer offer;
    if (!ReadScanOffer(offer) || offer.resolutions.empty() || (!offer.gray && !offer.blackAndWhite)) {
        LogLine("the source's capabilities cannot be read");
        EndSession();
        return SANE_STATUS_IO_ERROR;
    }
    Open = Scanner{};
    double widthMm = 0;
    double heightMm = 0;
    PageFrameMm(widthMm, heightMm);
    BuildOptions(Open.options, offer, widthMm, heightMm);
    Open.open = true;
    *handle = &Open;
    return SANE_STATUS_GOOD;
}

void sane_korvex_close(SANE_Handle handle) {
    if (Scanner* scanner = ScannerOf(handle)) CloseScanner(*scanner);
}

const SANE_Option_Descriptor* sane_korvex_get_option_descriptor(SANE_Handle handle, SANE_Int option) {
    Scanner* scanner = ScannerOf(handle);
    if (scanner == nullptr || option < 0 || option >= kOptionCount) return nullptr;
    return &scanner->options.descriptors[option];
}

SANE_Status sane_korvex_control_option(SANE_Handle handle, SANE_Int option, SANE_Action action, void* value,
                                       SANE_Int* info) {
    if (info != nullptr) *info = 0;
    Scanner* scanner = ScannerOf(handle);
    if (scanner == nullptr) return SANE_STATUS_INVAL;
    // Values hold for the whole batch.
    if (action != SANE_ACTION_GET_VALUE && (scanner->batchRunning || scanner->state == FrameState::Reading)) {
        return SANE_STATUS_DEVICE_BUSY;
    }
    return ControlOption(scanner->options, option, action, value, info);
}

SANE_Status sane_korvex_get_parameters(SANE_Handle handle, SANE_Parameters* parameters) {
    Scanner* scanner = ScannerOf(handle);
    if (scanner == nullptr || parameters == nullptr) return SANE_STATUS_INVAL;
    const bool started = scanner->state == FrameState::Reading || scanner->state == FrameState::Done;
    *parameters = started ? scanner->frame.parameters : EstimatedParameters(scanner->options);
    return SANE_STATUS_GOOD;
}

SANE_Status sane_korvex_start(SANE_Handle handle) {
    Scanner* scanner = ScannerOf(handle);
    if (scanner == nullptr) return SANE_STATUS_INVAL;
    CancelAsked = false;
    InSourceCall = true;
    const SANE_Status status = StartSide(*scanner);
    InSourceCall = false;
    if (!CancelAsked.exchange(false)) return status;
    CancelScanner(*scanner);
    return SANE_STATUS_CANCELLED;
}

SANE_Status sane_korvex_read(SANE_Handle handle, SANE_Byte* data, SANE_Int max_length, SANE_Int* length) {
    if (length != nullptr) *length = 0;
    Scanner* scanner = ScannerOf(handle);
    if (scanner == nullptr || data == nullptr || length == nullptr || max_length < 0) return SANE_STATUS_INVAL;
    InSourceCall = true;
    const SANE_Status status = ReadSide(*scanner, data, max_length, length);
    InSourceCall = false;
    if (!CancelAsked.exchange(false)) return status;
    CancelScanner(*scanner);
    *length = 0;
    return SANE_STATUS_CANCELLED;
}

void sane_korvex_cancel(SANE_Handle handle) {
    Scanner* scanner = ScannerOf(handle);
    if (scanner == nullptr) return;
    // From a signal handler or another thread while a call is under way: the
    // call ends the batch when it returns.
    if (InSourceCall) {
        CancelAsked = true;
        return;
    }
    CancelScanner(*scanner);
}

SANE_Status sane_korvex_set_io_mode(SANE_Handle handle, SANE_Bool non_blocking) {
    Scanner* scanner = ScannerOf(handle);
    if (scanner == nullptr || scanner->state != FrameState::Reading) return SANE_STATUS_INVAL;
    // A side is in memory once sane_start answers: reads never wait.
    return non_blocking == SANE_FALSE ? SANE_STATUS_GOOD : SANE_STATUS_UNSUPPORTED;
}

SANE_Status sane_korvex_get_select_fd(SANE_Handle handle, SANE_Int* fd) {
    if (ScannerOf(handle) == nullptr || fd == nullptr) return SANE_STATUS_INVAL;
    return SANE_STATUS_UNSUPPORTED;
}

}  // extern "C"
