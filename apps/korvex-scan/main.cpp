// korvex-scan: a command-line TWAIN application. This version lists the
// sources the source manager finds, chooses the virtual scanner's scenario,
// opens the chosen source, negotiates the capabilities the options name and
// shows what the source holds, optionally enables it without its dialog until
// it announces a transfer, and closes it again. The options of the scan
// itself are accepted in their final shape and answered "not yet supported"
// until scanning is built.
#include <CLI/CLI.hpp>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "apps/korvex-scan/negotiation.h"
#include "apps/korvex-scan/twain_session.h"
#include "apps/korvex-scan/virtual_bus.h"
#include "platform/platform.h"
#if defined(_WIN32)
#include "platform/win32/message_box_hook.h"
#else
#include "platform/host/host_hooks.h"
#endif

#if !defined(_WIN32)
// Every message box the source shows reaches this function (the platform layer
// inside the source looks it up in the main program); it is printed and
// answered OK. On Windows the source shows real message boxes, which
// --unattended prints and answers.
extern "C" __attribute__((visibility("default"))) int KorvexHostMessageBox(void*, const char* text,
                                                                        const char* caption,
                                                                        uint32_t) {
    std::printf("Message box \"%s\": %s\n", caption != nullptr ? caption : "",
                text != nullptr ? text : "");
    std::fflush(stdout);
    return plat::IDOK;
}
#endif

namespace {

#if defined(_WIN32)
// --unattended on Windows: the source's message boxes are printed as on Linux
// and answered with their default button.
int PrintAndAnswer(const plat::win32::SeenMessageBox& box, void*) {
    std::printf("Message box \"%s\": %s\n", box.caption, box.text);
    std::fflush(stdout);
    return 0;
}
#endif

constexpr int kExitTwainFailure = 1;
constexpr int kExitUsage = 2;

// The maximum length of a source's ProductName (TW_STR32 less its terminator).
constexpr size_t kMaxProductName = sizeof(TW_STR32) - 1;

struct ScanOptions {
    bool list = false;
    bool listScenarios = false;
    std::string source;
    std::string scenario;
    std::string outputDir;
    std::string format = "bmp";
    int resolution = 0;
    std::string pixelType;
    int bitDepth = 0;
    int brightness = 0;
    int contrast = 0;
    bool duplex = false;
    int count = 0;
    bool showUi = false;
    bool memoryTransfer = false;
    bool unattended = false;
    bool enable = false;
};

// One capability option: which capability, its item type, the value given.
struct Negotiation {
    TW_UINT16 cap;
    TW_UINT16 itemType;
    double value;
};

// The options given, as capabilities in the order a source expects them: the
// pixel type before the bit depth that depends on it.
std::vector<Negotiation> NegotiationsOf(const ScanOptions& options, const CLI::App& app) {
    std::vector<Negotiation> list;
    if (app.count("--pixel-type") > 0) {
        list.push_back({ICAP_PIXELTYPE, TWTY_UINT16,
                        options.pixelType == "gray" ? double{TWPT_GRAY} : double{TWPT_BW}});
    }
    if (app.count("--bit-depth") > 0) list.push_back({ICAP_BITDEPTH, TWTY_UINT16, double(options.bitDepth)});
    if (app.count("--resolution") > 0) {
        list.push_back({ICAP_XRESOLUTION, TWTY_FIX32, double(options.resolution)});
        list.push_back({ICAP_YRESOLUTION, TWTY_FIX32, double(options.resolution)});
    }
    if (app.count("--brightness") > 0) list.push_back({ICAP_BRIGHTNESS, TWTY_FIX32, double(options.brightness)});
    if (app.count("--contrast") > 0) list.push_back({ICAP_CONTRAST, TWTY_FIX32, double(options.contrast)});
    if (app.count("--count") > 0) list.push_back({CAP_XFERCOUNT, TWTY_INT16, double(options.count)});
    return list;
}

bool Negotiate(const std::vector<Negotiation>& negotiations) {
    for (const Negotiation& n : negotiations) {
        if (!SetCapability(n.cap, n.itemType, n.value)) return false;
    }
    for (const Negotiation& n : negotiations) {
        CapabilityValue current{};
        if (!GetCurrentCapability(n.cap, current)) return false;
        std::printf("  %-18s %g\n", CapabilityName(n.cap), current.number);
    }
    return true;
}

// Enables the source without its dialog and polls MSG_PROCESSEVENT for the
// notification the manager holds for the application; then disables it.
bool EnableUntilTransferReady() {
    TW_USERINTERFACE ui{0, 0, nullptr};
    TW_UINT16 result = CallSource(DG_CONTROL, DAT_USERINTERFACE, MSG_ENABLEDS, &ui);
    if (result != TWRC_SUCCESS) return ReportSourceFailure("MSG_ENABLEDS", result);
    // The source announces the transfer while it is enabled; a few polls are
    // plenty, and a source that never announces one must not keep us here.
    constexpr int kPolls = 100;
    bool ready = false;
    for (int poll = 0; poll < kPolls && !ready; ++poll) {
        TW_EVENT event{nullptr, MSG_NULL};
        CallSource(DG_CONTROL, DAT_EVENT, MSG_PROCESSEVENT, &event);
        ready = event.TWMessage == MSG_XFERREADY;
    }
    if (ready) {
        std::printf("Transfer ready (MSG_XFERREADY).\n");
    } else {
        std::fprintf(stderr, "korvex-scan: the source announced no transfer\n");
    }
    result = CallSource(DG_CONTROL, DAT_USERINTERFACE, MSG_DISABLEDS, &ui);
    if (result != TWRC_SUCCESS) return ReportSourceFailure("MSG_DISABLEDS", result);
    return ready;
}

void ShowVirtualBus() {
    vscan::Scenario scenario;
    if (!CurrentScenario(scenario)) return;
    std::printf("Virtual SCSI bus:\n");
    PrintScanners(scenario);
}

int RunSession(const ScanOptions& options, const std::vector<Negotiation>& negotiations) {
    if (!options.scenario.empty()) {
        vscan::Scenario scenario;
        if (!InstallScenarioChoice(options.scenario, scenario)) return kExitUsage;
    }
    if (!LoadSourceManager()) return kExitTwainFailure;
    bool ok = OpenSourceManager();
    if (ok && options.list) {
        ok = ListSources();
    } else if (ok) {
        ShowVirtualBus();
        ok = OpenSource(options.source.c_str());
        if (ok) {
            std::printf("Opened source:\n");
            PrintIdentity(Session.sourceIdentity);
            if (!negotiations.empty()) {
                std::printf("Negotiated:\n");
                ok = Negotiate(negotiations);
            }
            if (ok && options.enable) ok = EnableUntilTransferReady();
            ok = CloseSource() && ok;
        }
        if (ok) std::printf("Closed source.\n");
    }
    ok = (!Session.managerOpen || CloseSourceManager()) && ok;
    EndSession();
    return ok ? 0 : kExitTwainFailure;
}

}  // namespace

int main(int argc, char** argv) {
    ScanOptions options;
    CLI::App app{"Scans pages with a TWAIN source through the TWAIN source manager.",
                 "korvex-scan"};
    app.add_flag("--list", options.list, "List the sources the source manager finds and exit");
    app.add_flag("--list-scenarios", options.listScenarios,
                 "List the virtual scanner's named scenarios and exit");
    app.add_option("--source", options.source,
                   "ProductName of the source to use (default: the manager's default source)");
    app.add_flag("--unattended", options.unattended,
                 "Print the source's message boxes and answer them without waiting for a click "
                 "(always so on Linux)");
    app.add_option("--scenario", options.scenario,
                   "Virtual-scanner scenario: a name from --list-scenarios or a scenario file; "
                   "installed in the Windows directory for this and later runs");

    const char* negotiationGroup = "Capabilities (negotiated with the source)";
    app.add_option("--resolution", options.resolution, "Resolution in DPI")
        ->check(CLI::PositiveNumber)
        ->group(negotiationGroup);
    app.add_option("--pixel-type", options.pixelType, "Pixel type")
        ->check(CLI::IsMember({"bw", "gray"}))
        ->group(negotiationGroup);
    app.add_option("--bit-depth", options.bitDepth, "Bits per pixel")
        ->check(CLI::PositiveNumber)
        ->group(negotiationGroup);
    app.add_option("--brightness", options.brightness, "Brightness")
        ->check(CLI::Range(-1000, 1000))
        ->group(negotiationGroup);
    app.add_option("--contrast", options.contrast, "Contrast")
        ->check(CLI::Range(-1000, 1000))
        ->group(negotiationGroup);
    app.add_option("--count", options.count, "Pages to transfer (-1: all)")
        ->check(CLI::Range(-1, 32767))
        ->group(negotiationGroup);

    app.add_flag("--enable", options.enable,
                 "Enable the source without its dialog, wait for MSG_XFERREADY, then disable it");

    std::vector<CLI::Option*> scanning;
    scanning.push_back(
        app.add_option("--output-dir", options.outputDir, "Directory the page files are written to"));
    scanning.push_back(app.add_option("--format", options.format, "Page file format")
                           ->check(CLI::IsMember({"bmp", "tiff"})));
    scanning.push_back(app.add_flag("--duplex", options.duplex, "Scan both sides of each sheet"));
    scanning.push_back(app.add_flag("--show-ui", options.showUi, "Show the source's own dialog"));
    scanning.push_back(app.add_flag("--mem", options.memoryTransfer,
                                    "Memory transfer in strips instead of native bitmaps"));
    for (CLI::Option* option : scanning) option->group("Scanning (not yet supported)");

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& error) {
        // --help and friends exit 0; every usage error exits 2.
        return app.exit(error) == 0 ? 0 : kExitUsage;
    }

    if (options.source.size() > kMaxProductName) {
        std::fprintf(stderr, "korvex-scan: --source: a ProductName has at most %zu characters\n",
                     kMaxProductName);
        return kExitUsage;
    }
    for (const CLI::Option* option : scanning) {
        if (option->count() > 0) {
            std::fprintf(stderr, "korvex-scan: %s is not yet supported\n",
                         option->get_name().c_str());
            return kExitUsage;
        }
    }
    if (options.listScenarios) {
        PrintNamedScenarios();
        return 0;
    }
#if defined(_WIN32)
    if (options.unattended && !plat::win32::AnswerMessageBoxes(&PrintAndAnswer, nullptr)) {
        std::fprintf(stderr, "korvex-scan: cannot answer message boxes unattended\n");
        return kExitTwainFailure;
    }
#endif
    return RunSession(options, NegotiationsOf(options, app));
}
