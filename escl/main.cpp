// korvex-escl: an eSCL (AirScan) server in front of the TWAIN source, so that
// any computer on the network scans driverless. It opens the source through
// the source manager like any TWAIN application, serves the eSCL resources
// over HTTP or HTTPS and advertises itself through Avahi when a daemon runs.
#include <CLI/CLI.hpp>

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "escl/dns_sd.h"
#include "escl/http_server.h"
#include "escl/scan_service.h"
#include "platform/platform.h"
#include "vscanner/scenario_catalog.h"
#include "vscanner/scenario_file.h"

namespace {

volatile std::sig_atomic_t StopRequested = 0;

void OnStopSignal(int) { StopRequested = 1; }

// --formats names. Columns: name, document format.
struct FormatName {
    const char* name;
    escl::DocumentFormat format;
};
constexpr FormatName kFormatNames[] = {
    {"jpeg", escl::DocumentFormat::Jpeg},
    {"pdf", escl::DocumentFormat::Pdf},
    {"png", escl::DocumentFormat::Png},
};

// The scenario text for the virtual scanner, written again before each job
// with the job's number so that the scanner reads it afresh: every job finds
// the scenario's sheets in the hopper.
std::string ScenarioText;
uint32_t ScenarioJobs = 0;

bool ReadScenarioChoice(const std::string& choice) {
    vscan::Scenario scenario;
    if (const vscan::NamedScenario* named = vscan::FindNamedScenario(choice.c_str())) {
        scenario = named->build();
    } else {
        std::string text;
        std::string error;
        if (!vscan::ReadTextFile(choice, text)) {
            std::fprintf(stderr, "korvex-escl: --scenario: \"%s\" is neither a scenario name nor a readable file\n",
                         choice.c_str());
            return false;
        }
        if (!vscan::ParseScenario(text, scenario, error, std::filesystem::path(choice).parent_path().string())) {
            std::fprintf(stderr, "korvex-escl: %s: %s\n", choice.c_str(), error.c_str());
            return false;
        }
    }
    ScenarioText = vscan::FormatScenario(scenario);
    return true;
}

bool WriteScenario() {
    const std::string path = vscan::DefaultScenarioPath();
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) return false;
    const std::string text = ScenarioText + "; job " + std::to_string(ScenarioJobs++) + "\n";
    const bool ok = std::fwrite(text.data(), 1, text.size(), file) == text.size();
    return std::fclose(file) == 0 && ok;
}

}  // namespace

// Every message box the source shows reaches this function (the platform layer
// inside the source looks it up in the main program): it is logged, becomes
// the running job's fault when it names one, and is answered OK.
extern "C" __attribute__((visibility("default"))) int KorvexHostMessageBox(void*, const char* text,
                                                                        const char* caption, uint32_t) {
    std::fprintf(stderr, "korvex-escl: message \"%s\": %s\n", caption != nullptr ? caption : "",
                 text != nullptr ? text : "");
    escl::ScanService::NoteSourceMessage(text);
    return plat::IDOK;
}

int main(int argc, char** argv) {
    CLI::App app{"Serves a TWAIN scanner to the network as an eSCL (AirScan) scanner.", "korvex-escl"};
    escl::ListenOptions listen;
    escl::ServiceOptions service;
    std::string scenario;
    std::vector<std::string> formats;
    double clientTimeout = 60;
    double documentWait = 10;
    bool simplex = false;
    bool noDnsSd = false;
    std::string serviceName;
    app.add_option("--listen", listen.address, "Address to listen on (default 127.0.0.1; 0.0.0.0 for every network)");
    app.add_option("--port", listen.port, "TCP port (default 8080; 0 picks a free one, printed at start)")
        ->check(CLI::Range(0, 65535));
    app.add_option("--cert", listen.certificate, "Serve HTTPS with this PEM certificate (with --key)")
        ->check(CLI::ExistingFile);
    app.add_option("--key", listen.privateKey, "The PEM private key of --cert")->check(CLI::ExistingFile);
    app.add_option("--source", service.sourceName, "ProductName of the TWAIN source (default: the manager's default)");
    app.add_option("--scenario", scenario,
                   "Virtual scanner scenario (a name or a file); every job starts with its sheets");
    app.add_option("--formats", formats, "Document formats offered: jpeg, pdf, png (default all)")
        ->delimiter(',')
        ->check(CLI::IsMember({"jpeg", "pdf", "png"}));
    app.add_option("--client-timeout", clientTimeout,
                   "Seconds without a request after which a job's client counts as gone (default 60)")
        ->check(CLI::Range(0.05, 86400.0));
    app.add_option("--document-wait", documentWait,
                   "Seconds a page request waits for the scanner before the client is asked to retry (default 10)")
        ->check(CLI::Range(0.05, 600.0));
    app.add_flag("--simplex", simplex, "The scanner has no back unit: offer the front side only");
    app.add_flag("--no-dns-sd", noDnsSd, "Do not advertise the scanner through Avahi");
    app.add_option("--name", serviceName, "The name the scanner is advertised by (default: its make and model)");
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& error) {
        return app.exit(error) == 0 ? 0 : 2;
    }
    if (listen.certificate.empty() != listen.privateKey.empty()) {
        std::fprintf(stderr, "korvex-escl: --cert and --key go together\n");
        return 2;
    }
    if (!formats.empty()) {
        for (const FormatName& row : kFormatNames) {
            for (const std::string& name : formats) {
                if (name == row.name) service.formats.push_back(row.format);
            }
        }
    }
    service.duplex = !simplex;
    service.clientTimeout = std::chrono::milliseconds(static_cast<int64_t>(clientTimeout * 1000));
    service.documentWait = std::chrono::milliseconds(static_cast<int64_t>(documentWait * 1000));
    if (!scenario.empty()) {
        if (!ReadScenarioChoice(scenario)) return 2;
        if (!WriteScenario()) {
            std::fprintf(stderr, "korvex-escl: cannot write %s\n", vscan::DefaultScenarioPath().c_str());
            return 1;
        }
        service.reloadFeeder = [] {
            if (!WriteScenario()) std::fprintf(stderr, "korvex-escl: cannot refill the virtual scanner\n");
        };
    }

    escl::ScanService scanner;
    std::string error;
    if (!scanner.Start(service, error)) {
        std::fprintf(stderr, "korvex-escl: %s\n", error.c_str());
        return 1;
    }
    escl::EsclServer server(scanner);
    int port = 0;
    if (!server.Bind(listen, port, error)) {
        std::fprintf(stderr, "korvex-escl: %s\n", error.c_str());
        return 1;
    }
    const std::string scheme = server.Secure() ? "https" : "http";
    std::printf("korvex-escl: %s on %s://%s:%d/eSCL\n", scanner.Description().makeAndModel.c_str(), scheme.c_str(),
                listen.address.c_str(), port);
    std::fflush(stdout);

    escl::DnsSdAdvertiser advertiser;
    const bool loopback = listen.address.rfind("127.", 0) == 0 || listen.address == "::1" ||
                          listen.address == "localhost";
    if (noDnsSd) {
        std::fprintf(stderr, "korvex-escl: not advertised (--no-dns-sd); clients name the address themselves\n");
    } else if (loopback) {
        // Other computers cannot reach a loopback address: announcing it would mislead them.
        std::fprintf(stderr, "korvex-escl: not advertised: %s serves this computer only (see --listen)\n",
                     listen.address.c_str());
    } else {
        escl::Advertisement advertisement;
        advertisement.serviceName = serviceName.empty() ? scanner.Description().makeAndModel : serviceName;
        advertisement.port = port;
        advertisement.secure = server.Secure();
        advertisement.txt = escl::TxtRecords(scanner.Description());
        std::string why;
        if (!advertiser.Start(advertisement, why)) {
            std::fprintf(stderr, "korvex-escl: no Avahi daemon (%s); serving without DNS-SD at the address above\n",
                         why.c_str());
        }
    }

    std::signal(SIGINT, OnStopSignal);
    std::signal(SIGTERM, OnStopSignal);
    std::atomic<bool> serving{true};
    std::thread watcher([&] {
        while (serving && StopRequested == 0) std::this_thread::sleep_for(std::chrono::milliseconds(100));
        server.Stop();
    });
    const bool served = server.Serve();
    serving = false;
    watcher.join();
    advertiser.Stop();
    scanner.Stop();
    return served || StopRequested != 0 ? 0 : 1;
}
