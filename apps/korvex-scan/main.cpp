// korvex-scan: a command-line TWAIN application. This version lists the
// sources the source manager finds and opens and closes the chosen one; the
// scanning options are accepted in their final shape and answered "not yet
// supported" until scanning is built.
#include <CLI/CLI.hpp>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "apps/korvex-scan/twain_session.h"
#include "platform/platform.h"
#if !defined(_WIN32)
#include "platform/host/host_hooks.h"
#endif

#if !defined(_WIN32)
// Every message box the source shows reaches this function (the platform layer
// inside the source looks it up in the main program); it is printed and
// answered OK. On Windows the source shows real message boxes.
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

constexpr int kExitTwainFailure = 1;
constexpr int kExitUsage = 2;

// The maximum length of a source's ProductName (TW_STR32 less its terminator).
constexpr size_t kMaxProductName = sizeof(TW_STR32) - 1;

struct ScanOptions {
    bool list = false;
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
};

int RunOpenClose(const ScanOptions& options) {
    if (!LoadSourceManager()) return kExitTwainFailure;
    bool ok = OpenSourceManager();
    if (ok && options.list) {
        ok = ListSources();
    } else if (ok) {
        ok = OpenSource(options.source.c_str());
        if (ok) {
            std::printf("Opened source:\n");
            PrintIdentity(Session.sourceIdentity);
            ok = CloseSource();
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
    app.add_option("--source", options.source,
                   "ProductName of the source to use (default: the manager's default source)");

    std::vector<CLI::Option*> scanning;
    scanning.push_back(app.add_option("--scenario", options.scenario,
                                      "Virtual-scanner scenario file to scan from")
                           ->check(CLI::ExistingFile));
    scanning.push_back(
        app.add_option("--output-dir", options.outputDir, "Directory the page files are written to"));
    scanning.push_back(app.add_option("--format", options.format, "Page file format")
                           ->check(CLI::IsMember({"bmp", "tiff"})));
    scanning.push_back(app.add_option("--resolution", options.resolution, "Resolution in DPI")
                           ->check(CLI::PositiveNumber));
    scanning.push_back(app.add_option("--pixel-type", options.pixelType, "Pixel type")
                           ->check(CLI::IsMember({"bw", "gray"})));
    scanning.push_back(app.add_option("--bit-depth", options.bitDepth, "Bits per pixel")
                           ->check(CLI::PositiveNumber));
    scanning.push_back(app.add_option("--brightness", options.brightness, "Brightness")
                           ->check(CLI::Range(-1000, 1000)));
    scanning.push_back(app.add_option("--contrast", options.contrast, "Contrast")
                           ->check(CLI::Range(-1000, 1000)));
    scanning.push_back(app.add_flag("--duplex", options.duplex, "Scan both sides of each sheet"));
    scanning.push_back(app.add_option("--count", options.count, "Pages to transfer (-1: all)")
                           ->check(CLI::Range(-1, 32767)));
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
    return RunOpenClose(options);
}
