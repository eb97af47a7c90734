// korvex-scan: scans a batch with a TWAIN source into files. It chooses the
// source, negotiates the options as capabilities and the page frame, enables
// the source without its dialog (or with it, --show-ui), transfers every page
// natively or in memory strips, writes each side as a TIFF, PNG or BMP file (or
// the batch as one multi-page TIFF) and closes the source. Without an output
// directory it only opens, negotiates, shows what the source holds and closes.
#include <CLI/CLI.hpp>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "apps/korvex-scan/dialog_scan.h"
#include "apps/korvex-scan/page_files.h"
#include "apps/korvex-scan/terminal.h"
#include "apps/korvex-scan/virtual_bus.h"
#include "apps/twain_app/negotiation.h"
#include "apps/twain_app/page_transfer.h"
#include "apps/twain_app/twain_session.h"
#include "platform/platform.h"
#if defined(_WIN32)
#include "platform/win32/message_box_hook.h"
#endif

namespace {

// The exit codes, as --help and the README list them.
constexpr int kExitSuccess = 0;
constexpr int kExitTwainFailure = 1;
constexpr int kExitUsage = 2;
constexpr int kExitScannerFault = 3;
constexpr int kExitOutputError = 4;

// The maximum length of a source's ProductName (TW_STR32 less its terminator).
constexpr size_t kMaxProductName = sizeof(TW_STR32) - 1;

// A progress line is open on the terminal: anything else printed ends it first.
bool ProgressLineOpen = false;

void EndProgressLine() {
    if (!ProgressLineOpen) return;
    std::fputc('\n', stderr);
    ProgressLineOpen = false;
}

void PrintMessageBox(const char* caption, const char* text) {
    EndProgressLine();
    std::printf("Message box \"%s\": %s\n", caption != nullptr ? caption : "",
                text != nullptr ? text : "");
    std::fflush(stdout);
}

}  // namespace

#if !defined(_WIN32)
// Every message box the source shows reaches this function (the platform layer
// inside the source looks it up in the main program); it is printed and
// answered OK. On Windows the source shows real message boxes, which
// --unattended prints and answers.
extern "C" __attribute__((visibility("default"))) int KorvexHostMessageBox(void*, const char* text,
                                                                        const char* caption,
                                                                        uint32_t) {
    PrintMessageBox(caption, text);
    return plat::IDOK;
}
#endif

namespace {

#if defined(_WIN32)
// --unattended on Windows: the source's message boxes are printed as on Linux
// and answered with their default button.
int PrintAndAnswer(const plat::win32::SeenMessageBox& box, void*) {
    PrintMessageBox(box.caption, box.text);
    return 0;
}
#endif

// Paper sizes for --paper. Columns: name, width in millimetres, length in
// millimetres.
struct PaperSize {
    const char* name;
    double widthMm;
    double lengthMm;
};
constexpr PaperSize kPaperSizes[] = {
    {"letter", 215.9, 279.4},
    {"legal", 215.9, 355.6},
    {"ledger", 279.4, 431.8},
    {"a3", 297.0, 420.0},
    {"a4", 210.0, 297.0},
    {"a5", 148.0, 210.0},
    {"a6", 105.0, 148.0},
    {"b4", 257.0, 364.0},
    {"b5", 182.0, 257.0},
    {"b6", 128.0, 182.0},
};

// --compression names. Columns: name, ICAP_COMPRESSION value.
struct CompressionName {
    const char* name;
    TW_UINT16 value;
};
constexpr CompressionName kCompressions[] = {
    {"none", TWCP_NONE},
    {"g3", TWCP_GROUP31DEOL},
    {"g3-2d", TWCP_GROUP32D},
    {"g4", TWCP_GROUP4},
};

struct ScanOptions {
    bool list = false;
    bool listScenarios = false;
    std::string source;
    std::string scenario;
    std::string outputDir;
#if defined(KORVEX_SCAN_HAVE_TIFF)
    std::string format = "tiff";
#else
    std::string format = "bmp";
#endif
    std::string prefix = "scan";
    bool multiPage = false;
    int resolution = 0;
    std::string pixelType;
    int bitDepth = 0;
    int brightness = 0;
    int contrast = 0;
    bool duplex = false;
    int count = 0;
    std::string paper;
    double pageWidthMm = 0;
    double pageLengthMm = 0;
    bool memoryTransfer = false;
    std::string compression = "none";
    bool showUi = false;
    std::vector<std::string> uiActions;
    std::string uiScript;
    bool unattended = false;
    bool enable = false;
};

// One capability option: which capability, its item type, the value given.
struct Negotiation {
    TW_UINT16 cap;
    TW_UINT16 itemType;
    double value;
};

TW_UINT16 CompressionValue(const std::string& name) {
    for (const CompressionName& row : kCompressions) {
        if (name == row.name) return row.value;
    }
    return TWCP_NONE;
}

bool Scanning(const ScanOptions& options) { return !options.outputDir.empty(); }

// The options given, as capabilities in the order a source expects them: the
// pixel type before the bit depth and the compression that depend on it. A
// scan also names its transfer mechanism and, without the dialog, its sides.
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
    if (Scanning(options) || app.count("--mem") > 0) {
        list.push_back({ICAP_XFERMECH, TWTY_UINT16,
                        options.memoryTransfer ? double{TWSX_MEMORY} : double{TWSX_NATIVE}});
    }
    if (app.count("--compression") > 0) {
        list.push_back({ICAP_COMPRESSION, TWTY_UINT16, double(CompressionValue(options.compression))});
    }
    // Without its dialog the source asks with its side chooser while 0x8123
    // is TRUE; a command line has decided already, through 0x8124.
    if ((Scanning(options) && !options.showUi) || app.count("--duplex") > 0) {
        list.push_back({kCapSideChooser, TWTY_BOOL, 0});
        list.push_back({kCapDuplex, TWTY_BOOL, options.duplex ? 1.0 : 0.0});
    }
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

// The page frame the options ask for, in millimetres; false when none.
bool PageFrameOf(const ScanOptions& options, double& widthMm, double& lengthMm) {
    for (const PaperSize& paper : kPaperSizes) {
        if (options.paper == paper.name) {
            widthMm = paper.widthMm;
            lengthMm = paper.lengthMm;
            return true;
        }
    }
    widthMm = options.pageWidthMm;
    lengthMm = options.pageLengthMm;
    return widthMm > 0;
}

bool NegotiateFrame(const ScanOptions& options) {
    double widthMm = 0;
    double lengthMm = 0;
    if (!PageFrameOf(options, widthMm, lengthMm)) return true;
    if (!SetPageFrame(widthMm / 25.4, lengthMm / 25.4)) return false;
    std::printf("  %-18s %g x %g mm\n", "DAT_IMAGELAYOUT", widthMm, lengthMm);
    return true;
}

// Enables the source without its dialog until it announces the transfer.
bool EnableAndAnnounce() {
    if (!EnableUntilTransferReady()) return false;
    std::printf("Transfer ready (MSG_XFERREADY).\n");
    return true;
}

// Writes each page as it arrives and shows the progress on a terminal.
class FileSink : public PageSink {
public:
    FileSink(const ScanOptions& options, PageFormat format, bool sidesKnown)
        : options_(options), format_(format), sidesKnown_(sidesKnown),
          showProgress_(ErrorStreamIsTerminal()) {}

    void PageStarted(uint32_t number) override { PageProgress(number, 0); }

    void PageProgress(uint32_t number, uint64_t bytes) override {
        if (!showProgress_) return;
        std::fprintf(stderr, "\rScanning %s: %llu bytes ", PageLabel(number).c_str(),
                     static_cast<unsigned long long>(bytes));
        std::fflush(stderr);
        ProgressLineOpen = true;
    }

    bool PageDone(const ScannedPage& page) override {
        EndProgressLine();
        std::string error;
        const std::string path = options_.multiPage ? BatchPath() : PagePath(page.number);
        const bool ok = options_.multiPage ? batchFile_.Append(page, path, error)
                                           : WritePageFile(page, format_, path, error);
        if (!ok) {
            std::fflush(stdout);
            std::fprintf(stderr, "%s: cannot write %s: %s\n", ApplicationName(),
                         PageLabel(page.number).c_str(), error.c_str());
            return false;
        }
        std::printf("%s: %s (%u x %u pixels, %u bit%s, %g dpi%s)\n", PageLabel(page.number).c_str(),
                    path.c_str(), static_cast<unsigned>(page.width), static_cast<unsigned>(page.length),
                    static_cast<unsigned>(page.bitsPerPixel), page.bitsPerPixel == 1 ? "" : "s",
                    page.xResolution, page.compression == TWCP_NONE ? "" : ", CCITT as scanned");
        std::fflush(stdout);
        return true;
    }

    // Puts the multi-page file in place; false when that failed.
    bool Finish() {
        if (!options_.multiPage) return true;
        std::string error;
        const uint32_t pages = batchFile_.Finish(error);
        if (!error.empty()) {
            std::fprintf(stderr, "%s: cannot write %s\n", ApplicationName(), error.c_str());
            return false;
        }
        if (pages > 0) std::printf("Batch: %s (%u page%s)\n", BatchPath().c_str(), pages, pages == 1 ? "" : "s");
        return true;
    }

private:
    // "page 3 (sheet 2, front)" when the sides are known, else "page 3".
    std::string PageLabel(uint32_t number) const {
        std::string label = "page " + std::to_string(number);
        if (sidesKnown_ && options_.duplex) {
            label += " (sheet " + std::to_string((number + 1) / 2) + (number % 2 == 1 ? ", front)" : ", back)");
        }
        return label;
    }

    std::string PagePath(uint32_t number) const {
        char name[64];
        if (sidesKnown_ && options_.duplex) {
            std::snprintf(name, sizeof name, "-%04u-%s.", (number + 1) / 2, number % 2 == 1 ? "front" : "back");
        } else {
            std::snprintf(name, sizeof name, "-%04u.", number);
        }
        return (std::filesystem::path(options_.outputDir) / (options_.prefix + name + FileExtension(format_)))
            .string();
    }

    std::string BatchPath() const {
        return (std::filesystem::path(options_.outputDir) / (options_.prefix + ".tif")).string();
    }

    const ScanOptions& options_;
    PageFormat format_;
    bool sidesKnown_;
    bool showProgress_;
    MultiPageTiff batchFile_;
};

PageFormat FormatOf(const std::string& name) {
    if (name == "tiff") return PageFormat::Tiff;
    if (name == "png") return PageFormat::Png;
    return PageFormat::Bmp;
}

// The output directory exists (it is made when missing) and takes files.
bool OutputDirectoryWritable(const std::string& directory) {
    std::error_code code;
    std::filesystem::create_directories(directory, code);
    if (!code && !std::filesystem::is_directory(directory, code)) {
        code = std::make_error_code(std::errc::not_a_directory);
    }
    if (!code) {
        const std::filesystem::path probe = std::filesystem::path(directory) / ".korvex-scan-probe";
        std::FILE* file = std::fopen(probe.string().c_str(), "wb");
        if (file == nullptr) {
            code = std::error_code(errno, std::generic_category());
        } else {
            std::fclose(file);
            std::filesystem::remove(probe, code);
        }
    }
    if (!code) return true;
    std::fprintf(stderr, "%s: cannot write to the output directory %s: %s\n", ApplicationName(),
                 directory.c_str(), code.message().c_str());
    return false;
}

int ExitCodeOf(const BatchResult& batch) {
    switch (batch.end) {
        case BatchEnd::Complete: return kExitSuccess;
        case BatchEnd::Cancelled:
            std::printf("The batch was cancelled.\n");
            return kExitSuccess;
        case BatchEnd::ScannerFault:
            std::fprintf(stderr, "%s: the scanner ended the batch; %u page%s written\n", ApplicationName(),
                         static_cast<unsigned>(batch.pagesKept), batch.pagesKept == 1 ? "" : "s");
            return kExitScannerFault;
        case BatchEnd::SinkFailed: return kExitOutputError;
        case BatchEnd::TwainFailure: break;
    }
    return kExitTwainFailure;
}

// The scan proper, with the source open and negotiated.
int Scan(const ScanOptions& options, const std::vector<std::string>& script) {
    const TransferMechanism mechanism =
        options.memoryTransfer ? TransferMechanism::Memory : TransferMechanism::Native;
    FileSink sink(options, FormatOf(options.format), !options.showUi);
    const uint32_t maxPages = options.count > 0 ? static_cast<uint32_t>(options.count) : 0;
    int exitCode = kExitSuccess;
    if (options.showUi) {
        const DialogOutcome outcome = RunDialog(script, [&] { return TransferBatch(mechanism, sink, maxPages); });
        if (outcome.usage) {
            exitCode = kExitUsage;
        } else if (!outcome.ok) {
            exitCode = kExitTwainFailure;
        } else {
            exitCode = ExitCodeOf(outcome.lastBatch);
            if (outcome.closed && outcome.batches == 0) std::printf("The dialog was closed without a scan.\n");
        }
    } else if (!EnableAndAnnounce()) {
        exitCode = kExitTwainFailure;
    } else {
        exitCode = ExitCodeOf(TransferBatch(mechanism, sink, maxPages));
        if (!DisableSource() && exitCode == kExitSuccess) exitCode = kExitTwainFailure;
    }
    if (!sink.Finish() && exitCode == kExitSuccess) exitCode = kExitOutputError;
    return exitCode;
}

void ShowVirtualBus() {
    vscan::Scenario scenario;
    if (!CurrentScenario(scenario)) return;
    std::printf("Virtual SCSI bus:\n");
    PrintScanners(scenario);
}

int RunSession(const ScanOptions& options, const std::vector<Negotiation>& negotiations,
               const std::vector<std::string>& script) {
    if (!options.scenario.empty()) {
        vscan::Scenario scenario;
        if (!InstallScenarioChoice(options.scenario, scenario)) return kExitUsage;
    }
    if (!(options.showUi ? LoadDialogSession() : LoadSourceManager())) return kExitTwainFailure;
    int exitCode = kExitSuccess;
    bool ok = OpenSourceManager();
    if (ok && options.list) {
        ok = ListSources();
    } else if (ok) {
        ShowVirtualBus();
        ok = OpenSource(options.source.c_str());
        if (ok) {
            std::printf("Opened source:\n");
            PrintIdentity(Session.sourceIdentity);
            std::printf("Negotiated:\n");
            ok = Negotiate(negotiations) && (options.showUi || NegotiateFrame(options));
            if (ok && Scanning(options)) {
                exitCode = Scan(options, script);
            } else if (ok && options.enable) {
                ok = EnableAndAnnounce() && DisableSource();
            }
            ok = CloseSource() && ok;
        }
        if (ok) std::printf("Closed source.\n");
    }
    ok = (!Session.managerOpen || CloseSourceManager()) && ok;
    EndSession();
    if (exitCode != kExitSuccess) return exitCode;
    return ok ? kExitSuccess : kExitTwainFailure;
}

// Checks that options fit together; false (with the reason printed) otherwise.
bool OptionsFit(const ScanOptions& options, const CLI::App& app) {
    const char* problem = nullptr;
    std::string formatProblem;
    if (options.source.size() > kMaxProductName) {
        problem = "--source: a ProductName has at most 32 characters";
    } else if (!FormatAvailable(FormatOf(options.format))) {
        formatProblem = "--format " + options.format + ": this build writes BMP files only";
    } else if (options.multiPage && options.format != "tiff") {
        problem = "--multi-page needs --format tiff";
    } else if (options.compression != "none" && !options.memoryTransfer) {
        problem = "--compression needs memory transfer (--mem)";
    } else if (options.compression != "none" && options.format != "tiff") {
        problem = "--compression: CCITT pages are written as TIFF only (--format tiff)";
    } else if (options.compression != "none" && options.pixelType == "gray") {
        problem = "--compression: CCITT coding is for black and white pages (--pixel-type bw)";
    } else if (!options.paper.empty() && app.count("--page-width") + app.count("--page-height") > 0) {
        problem = "--paper and --page-width/--page-height name the page twice";
    } else if ((app.count("--page-width") > 0) != (app.count("--page-height") > 0)) {
        problem = "--page-width and --page-height go together";
    } else if (options.showUi && (!options.paper.empty() || app.count("--page-width") > 0)) {
        problem = "--show-ui: the page size is chosen in the dialog";
    } else if (options.showUi && app.count("--duplex") > 0) {
        problem = "--show-ui: simplex or duplex is chosen in the dialog";
    } else if ((options.showUi || options.multiPage || !options.uiActions.empty() ||
                !options.uiScript.empty()) &&
               options.outputDir.empty()) {
        problem = "--show-ui, --ui, --ui-script and --multi-page scan: name an --output-dir";
    } else if ((!options.uiActions.empty() || !options.uiScript.empty()) && !options.showUi) {
        problem = "--ui and --ui-script drive the dialog of --show-ui";
    } else if (!options.outputDir.empty() && (options.list || options.enable)) {
        problem = "--output-dir scans: it does not go with --list or --enable";
    }
    if (problem == nullptr && formatProblem.empty()) return true;
    std::fprintf(stderr, "korvex-scan: %s\n", problem != nullptr ? problem : formatProblem.c_str());
    return false;
}

// The names of a table's rows, for an option's check and its help.
template <typename Row, size_t N>
std::vector<std::string> NamesOf(const Row (&table)[N]) {
    std::vector<std::string> names;
    for (const Row& row : table) names.emplace_back(row.name);
    return names;
}

std::string Joined(const std::vector<std::string>& names) {
    std::string text;
    for (const std::string& name : names) text += (text.empty() ? "" : ", ") + name;
    return text;
}

constexpr char kFooter[] = R"(Without --output-dir korvex-scan opens the source, negotiates the options,
prints what the source then holds and closes it. With --output-dir it scans
the batch: pages are written as PREFIX-0001.EXT, PREFIX-0002.EXT, ... or, with
--duplex, PREFIX-0001-front.EXT, PREFIX-0001-back.EXT, ...; --multi-page writes
PREFIX.tif. Each file is written under NAME.part and renamed when complete.
Progress goes to standard error when it is a terminal. Every message box of
the source is printed.

Exit status:
  0  success (also a batch cancelled in the source's dialog)
  1  TWAIN failure: the manager or the source refused an operation
  2  usage error: bad options, a scenario or dialog script that cannot be used
  3  the scanner ended the batch (jam, double feed, ...); pages already
     transferred are written
  4  an output file or directory cannot be written; pages written before stay
)";

}  // namespace

int main(int argc, char** argv) {
    ScanOptions options;
    CLI::App app{"Scans a batch of pages with a TWAIN source into files.", "korvex-scan"};
    std::string footer = kFooter;
    footer += "\n";
    footer += DialogScriptHelp();
#if !defined(KORVEX_SCAN_HAVE_TIFF)
    footer += "\nThis build writes BMP files only (no libtiff or libpng for it).\n";
#endif
    app.footer(footer);
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

    const char* negotiationGroup = "Scan settings (negotiated with the source)";
    app.add_option("--resolution", options.resolution, "Resolution in DPI")
        ->check(CLI::PositiveNumber)
        ->group(negotiationGroup);
    app.add_option("--pixel-type,--mode", options.pixelType, "Pixel type")
        ->check(CLI::IsMember({"bw", "gray"}))
        ->group(negotiationGroup);
    app.add_option("--bit-depth,--depth", options.bitDepth, "Bits per pixel (gray: 4 or 8)")
        ->check(CLI::PositiveNumber)
        ->group(negotiationGroup);
    app.add_option("--brightness", options.brightness, "Brightness")
        ->check(CLI::Range(-1000, 1000))
        ->group(negotiationGroup);
    app.add_option("--contrast", options.contrast, "Contrast")
        ->check(CLI::Range(-1000, 1000))
        ->group(negotiationGroup);
    app.add_option("--count", options.count, "Pages (sides) to transfer (-1: all, the default)")
        ->check(CLI::Range(-1, 32767) & !CLI::IsMember({0}))
        ->group(negotiationGroup);
    app.add_flag("--duplex", options.duplex, "Scan both sides of each sheet (default: the front)")
        ->group(negotiationGroup);
    app.add_option("--paper", options.paper, "Page size: " + Joined(NamesOf(kPaperSizes)))
        ->check(CLI::IsMember(NamesOf(kPaperSizes)))
        ->group(negotiationGroup);
    app.add_option("--page-width,-x", options.pageWidthMm, "Page width in millimetres")
        ->check(CLI::PositiveNumber)
        ->group(negotiationGroup);
    app.add_option("--page-height,-y", options.pageLengthMm, "Page length in millimetres")
        ->check(CLI::PositiveNumber)
        ->group(negotiationGroup);
    app.add_flag("--mem", options.memoryTransfer, "Memory transfer in strips instead of native bitmaps")
        ->group(negotiationGroup);
    app.add_option("--compression", options.compression,
                   "CCITT coding with memory transfer: none, g3 (T.4 1D), g3-2d (T.4 2D), g4 (T.6)")
        ->check(CLI::IsMember(NamesOf(kCompressions)))
        ->group(negotiationGroup);

    const char* outputGroup = "Output";
    app.add_option("--output-dir,-o", options.outputDir,
                   "Scan the batch into this directory (made when missing)")
        ->group(outputGroup);
#if defined(KORVEX_SCAN_HAVE_TIFF)
    const char* formats = "Page file format: tiff (the default), png or bmp";
#else
    const char* formats = "Page file format: bmp (this build writes no tiff or png)";
#endif
    app.add_option("--format", options.format, formats)
        ->check(CLI::IsMember({"bmp", "tiff", "png"}))
        ->group(outputGroup);
    app.add_option("--prefix", options.prefix, "Start of the file names (default: scan)")
        ->check([](const std::string& value) {
            return value.empty() || value.find_first_of("/\\") != std::string::npos
                       ? std::string("a file name without directories")
                       : std::string();
        })
        ->group(outputGroup);
    app.add_flag("--multi-page", options.multiPage, "Write the whole batch into one TIFF file")
        ->group(outputGroup);

    const char* dialogGroup = "The source's dialog";
    app.add_flag("--show-ui", options.showUi,
                 "Scan with the source's own dialog (on Linux driven by --ui / --ui-script)")
        ->group(dialogGroup);
    app.add_option("--ui", options.uiActions, "One action of the dialog script (repeatable)")
        ->group(dialogGroup);
    app.add_option("--ui-script", options.uiScript, "A file of dialog script actions, one a line")
        ->group(dialogGroup);

    app.add_flag("--enable", options.enable,
                 "Without --output-dir: enable the source without its dialog, wait for "
                 "MSG_XFERREADY, then disable it");

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& error) {
        // --help and friends exit 0; every usage error exits 2.
        return app.exit(error) == 0 ? kExitSuccess : kExitUsage;
    }
    if (!OptionsFit(options, app)) return kExitUsage;
    if (options.listScenarios) {
        PrintNamedScenarios();
        return kExitSuccess;
    }
    std::vector<std::string> script;
    if (options.showUi) {
        std::string error;
        if (!CollectDialogScript(options.uiActions, options.uiScript, script, error)) {
            std::fprintf(stderr, "korvex-scan: %s\n", error.c_str());
            return kExitUsage;
        }
    }
    if (Scanning(options) && !OutputDirectoryWritable(options.outputDir)) return kExitOutputError;
#if defined(_WIN32)
    if (options.unattended && !plat::win32::AnswerMessageBoxes(&PrintAndAnswer, nullptr)) {
        std::fprintf(stderr, "korvex-scan: cannot answer message boxes unattended\n");
        return kExitTwainFailure;
    }
#endif
    return RunSession(options, NegotiationsOf(options, app), script);
}
