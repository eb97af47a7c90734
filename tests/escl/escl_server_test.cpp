// korvex-escl end to end: the built server over the virtual scanner, driven
// by sane-airscan through scanimage and by an HTTP client, its pages decoded
// and compared with korvex-scan's pages of the same scenario, settings and
// page frame. Every test runs its own server on a free port, in a sandbox.
#include <gtest/gtest.h>
#include <httplib.h>
#include <png.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

namespace {

namespace fs = std::filesystem;

constexpr char kDevice[] = "airscan:e0:Korvex";
// The page frame of every scan: 3.2 by 4 inches, whole 32-pixel groups at
// every resolution used, so that no client crops or pads it.
constexpr char kFrameMm[] = "-x 81.28 -y 101.6";
constexpr char kFrameUnits[] = "<pwg:Width>960</pwg:Width><pwg:Height>1200</pwg:Height>";

struct Gray {
    uint32_t width = 0;
    uint32_t height = 0;
    std::vector<uint8_t> samples;
    bool operator==(const Gray& other) const = default;
};

// Any PNG as 8-bit gray samples (1-bit pages become 0 and 255).
bool DecodePng(const void* bytes, size_t size, Gray& gray) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&image, bytes, size)) return false;
    image.format = PNG_FORMAT_GRAY;
    gray.width = image.width;
    gray.height = image.height;
    gray.samples.resize(PNG_IMAGE_SIZE(image));
    return png_image_finish_read(&image, nullptr, gray.samples.data(), 0, nullptr) != 0;
}

std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool DecodePngFile(const fs::path& path, Gray& gray) {
    const std::string bytes = ReadFile(path);
    return DecodePng(bytes.data(), bytes.size(), gray);
}

// Runs a shell command; answers its exit status and its output.
int RunCommand(const std::string& command, std::string& output) {
    output.clear();
    FILE* pipe = popen((command + " 2>&1").c_str(), "r");
    if (pipe == nullptr) return -1;
    char buffer[4096];
    size_t got = 0;
    while ((got = fread(buffer, 1, sizeof buffer, pipe)) > 0) output.append(buffer, got);
    const int status = pclose(pipe);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// ScanSettings for the feeder; the region is the common frame unless given
// (x, y, width, height in 1/300 inch).
std::string ScanSettings(const std::string& mode, const std::string& format, int dpi, bool duplex,
                         const std::string& region = "") {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?><scan:ScanSettings "
           "xmlns:scan=\"http://schemas.hp.com/imaging/escl/2011/05/03\" "
           "xmlns:pwg=\"http://www.pwg.org/schemas/2010/12/sm\"><pwg:Version>2.0</pwg:Version>"
           "<pwg:ScanRegions><pwg:ScanRegion><pwg:ContentRegionUnits>escl:ThreeHundredthsOfInches"
           "</pwg:ContentRegionUnits>" +
           (region.empty() ? "<pwg:XOffset>0</pwg:XOffset><pwg:YOffset>0</pwg:YOffset>" + std::string(kFrameUnits)
                           : region) +
           "</pwg:ScanRegion></pwg:ScanRegions><pwg:InputSource>Feeder</pwg:InputSource><scan:ColorMode>" + mode +
           "</scan:ColorMode><pwg:DocumentFormat>" + format + "</pwg:DocumentFormat><scan:XResolution>" +
           std::to_string(dpi) + "</scan:XResolution><scan:YResolution>" + std::to_string(dpi) +
           "</scan:YResolution><scan:Duplex>" + (duplex ? "true" : "false") + "</scan:Duplex></scan:ScanSettings>";
}

class EsclServerTest : public ::testing::Test {
protected:
    void SetUp() override {
        const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
        dir_ = fs::temp_directory_path() / ("korvex-escl-" + std::to_string(getpid()) + "-" + test->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_ / "server");
        fs::create_directories(dir_ / "sane");
        std::ofstream(dir_ / "sane" / "dll.conf") << "airscan\n";
    }

    void TearDown() override {
        StopServer();
        if (!HasFailure()) fs::remove_all(dir_);
    }

    // Starts korvex-escl on a free port with these arguments.
    void StartServer(const std::string& arguments) {
        const std::string command = "echo $$; exec env KORVEX_WINDIR=" + (dir_ / "server").string() + " " +
                                    KORVEX_BIN_DIR "/korvex-escl --port 0 --no-dns-sd " + arguments + " 2>" +
                                    (dir_ / "server.log").string();
        server_ = popen(command.c_str(), "r");
        ASSERT_NE(server_, nullptr);
        char line[512];
        ASSERT_NE(fgets(line, sizeof line, server_), nullptr);
        pid_ = std::stoi(line);
        ASSERT_NE(fgets(line, sizeof line, server_), nullptr) << ReadFile(dir_ / "server.log");
        const std::string text = line;
        const size_t end = text.rfind("/eSCL");
        const size_t colon = text.rfind(':', end);
        ASSERT_NE(end, std::string::npos) << text;
        port_ = std::stoi(text.substr(colon + 1, end - colon - 1));
        std::ofstream(dir_ / "sane" / "airscan.conf")
            << "[devices]\n\"Korvex\" = http://127.0.0.1:" << port_ << "/eSCL, eSCL\n[options]\ndiscovery = disable\n";
    }

    // Stops the server; it must end cleanly (under the sanitizers: without a finding).
    void StopServer() {
        if (server_ == nullptr) return;
        kill(pid_, SIGTERM);
        const int status = pclose(server_);
        server_ = nullptr;
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << ServerLog();
    }

    std::string ServerLog() const { return ReadFile(dir_ / "server.log"); }

    int Scanimage(const std::string& arguments, std::string& output) const {
        return RunCommand("SANE_CONFIG_DIR=" + (dir_ / "sane").string() + " " KORVEX_SCANIMAGE " " + arguments, output);
    }

    // scanimage's batch into dir/NAME%d.png; answers its pages in order.
    std::vector<Gray> ScanimageBatch(const std::string& name, const std::string& arguments, std::string& output,
                                     int& status) const {
        const fs::path pages = dir_ / name;
        fs::create_directories(pages);
        status = Scanimage("-d " + std::string(kDevice) + " " + arguments + " --format=png --batch=" +
                               (pages / "p%d.png").string(),
                           output);
        std::vector<Gray> decoded;
        for (int n = 1; fs::exists(pages / ("p" + std::to_string(n) + ".png")); ++n) {
            decoded.emplace_back();
            EXPECT_TRUE(DecodePngFile(pages / ("p" + std::to_string(n) + ".png"), decoded.back()));
        }
        return decoded;
    }

    // korvex-scan's pages of the same scenario and settings, in page order.
    std::vector<Gray> KorvexScanPages(const std::string& scenario, const std::string& arguments, bool duplex) const {
        const fs::path out = dir_ / ("korvex-scan-" + std::to_string(runs_++));
        fs::create_directories(out / "windows");
        std::string output;
        RunCommand("KORVEX_WINDIR=" + (out / "windows").string() + " " KORVEX_BIN_DIR "/korvex-scan --scenario " + scenario +
                " --format png --page-width 81.28 --page-height 101.6 " + (duplex ? "--duplex " : "") + arguments +
                " -o " + out.string(),
            output);
        std::vector<Gray> pages;
        for (uint32_t n = 1;; ++n) {
            char name[40];
            if (duplex) {
                std::snprintf(name, sizeof name, "scan-%04u-%s.png", (n + 1) / 2, n % 2 == 1 ? "front" : "back");
            } else {
                std::snprintf(name, sizeof name, "scan-%04u.png", n);
            }
            Gray page;
            if (!DecodePngFile(out / name, page)) break;
            pages.push_back(std::move(page));
        }
        EXPECT_FALSE(pages.empty()) << output;
        return pages;
    }

    httplib::Client Client() const {
        httplib::Client client("127.0.0.1", port_);
        client.set_read_timeout(20, 0);
        return client;
    }

    // Every page of a job until NextDocument answers 404, as PNG decoded.
    std::vector<Gray> FetchPngPages(const std::string& location) const {
        httplib::Client client = Client();
        std::vector<Gray> pages;
        for (;;) {
            const httplib::Result page = client.Get(location + "/NextDocument");
            if (!page || page->status != 200) {
                EXPECT_TRUE(page && page->status == 404);
                return pages;
            }
            EXPECT_EQ(page->get_header_value("Content-Type"), "image/png");
            pages.emplace_back();
            EXPECT_TRUE(DecodePng(page->body.data(), page->body.size(), pages.back()));
        }
    }

    // POSTs the settings; answers the job's path ("" when refused).
    std::string CreateJob(const std::string& settings, int expectedStatus = 201) const {
        httplib::Client client = Client();
        const httplib::Result created = client.Post("/eSCL/ScanJobs", settings, "text/xml");
        EXPECT_TRUE(created);
        if (!created) return std::string();
        EXPECT_EQ(created->status, expectedStatus) << created->body;
        const std::string location = created->get_header_value("Location");
        const size_t path = location.find("/eSCL/");
        return created->status == 201 && path != std::string::npos ? location.substr(path) : std::string();
    }

    std::string Status() const {
        httplib::Client client = Client();
        const httplib::Result status = client.Get("/eSCL/ScannerStatus");
        return status && status->status == 200 ? status->body : std::string();
    }

    // Polls ScannerStatus until it holds `text`, for at most five seconds.
    bool StatusShows(const std::string& text) const {
        for (int poll = 0; poll < 250; ++poll) {
            if (Status().find(text) != std::string::npos) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return false;
    }

    fs::path dir_;
    FILE* server_ = nullptr;
    int pid_ = 0;
    int port_ = 0;
    mutable int runs_ = 0;
};

TEST_F(EsclServerTest, ScanimageListsTheScannerAndScansBothSourcesLikeKorvexScan) {
    StartServer("--scenario default");
    std::string output;
    ASSERT_EQ(Scanimage("-L", output), 0) << output;
    EXPECT_NE(output.find(kDevice), std::string::npos) << output;
    ASSERT_EQ(Scanimage("-d " + std::string(kDevice) + " -A", output), 0) << output;
    EXPECT_NE(output.find("--source ADF|ADF Duplex"), std::string::npos) << output;
    EXPECT_NE(output.find("--resolution 100|150|200|240|300|360|400dpi"), std::string::npos) << output;
    EXPECT_NE(output.find("--mode Gray"), std::string::npos) << output;
    for (const int dpi : {200, 300}) {
        for (const bool duplex : {false, true}) {
            const std::string settings = "--resolution " + std::to_string(dpi);
            int status = 0;
            const std::vector<Gray> served =
                ScanimageBatch("scan-" + std::to_string(dpi) + (duplex ? "-duplex" : ""),
                               "--source '" + std::string(duplex ? "ADF Duplex" : "ADF") + "' " + kFrameMm + " " +
                                   settings,
                               output, status);
            EXPECT_EQ(status, 0) << output;
            const std::vector<Gray> expected =
                KorvexScanPages("default", "--pixel-type gray --bit-depth 8 " + settings, duplex);
            ASSERT_EQ(served.size(), duplex ? 6u : 3u) << dpi << " dpi: " << output;
            ASSERT_EQ(served.size(), expected.size());
            for (size_t page = 0; page < served.size(); ++page) {
                EXPECT_EQ(served[page].width, expected[page].width);
                EXPECT_TRUE(served[page] == expected[page]) << dpi << " dpi, page " << page + 1;
            }
        }
    }
}

TEST_F(EsclServerTest, BlackAndWhitePagesRegionsAndEveryFormatOverHttp) {
    StartServer("--scenario default");
    for (const int dpi : {200, 300}) {
        const std::string bw = CreateJob(ScanSettings("BlackAndWhite1", "image/png", dpi, true));
        ASSERT_FALSE(bw.empty());
        const std::vector<Gray> served = FetchPngPages(bw);
        const std::vector<Gray> expected =
            KorvexScanPages("default", "--pixel-type bw --resolution " + std::to_string(dpi), true);
        ASSERT_EQ(served.size(), 6u);
        ASSERT_EQ(served.size(), expected.size());
        for (size_t page = 0; page < served.size(); ++page) {
            EXPECT_TRUE(served[page] == expected[page]) << dpi << " dpi, page " << page + 1;
        }
    }

    httplib::Client client = Client();
    // JPEG records the resolution in its JFIF header (units 1: dots per inch).
    const std::string jpeg = CreateJob(ScanSettings("Grayscale8", "image/jpeg", 300, false));
    httplib::Result page = client.Get(jpeg + "/NextDocument");
    ASSERT_TRUE(page && page->status == 200);
    EXPECT_EQ(page->get_header_value("Content-Type"), "image/jpeg");
    ASSERT_GT(page->body.size(), 20u);
    EXPECT_EQ(page->body.substr(0, 4), "\xFF\xD8\xFF\xE0");
    EXPECT_EQ(page->body.substr(6, 5), std::string("JFIF\0", 5));
    EXPECT_EQ(page->body.substr(13, 5), std::string("\x01\x01\x2C\x01\x2C", 5));
    const httplib::Result info = client.Get(jpeg + "/ScanImageInfo");
    ASSERT_TRUE(info && info->status == 200);
    EXPECT_NE(info->body.find("<scan:ActualWidth>960</scan:ActualWidth>"), std::string::npos) << info->body;
    EXPECT_NE(info->body.find("<scan:ActualHeight>1200</scan:ActualHeight>"), std::string::npos) << info->body;
    // Cancelled mid-batch: no further page, and the scanner takes the next job.
    const httplib::Result cancelled = client.Delete(jpeg);
    ASSERT_TRUE(cancelled);
    EXPECT_EQ(cancelled->status, 200);
    page = client.Get(jpeg + "/NextDocument");
    ASSERT_TRUE(page);
    EXPECT_EQ(page->status, 404);
    ASSERT_TRUE(StatusShows("JobCanceledByUser"));

    // A region away from the corner is the same part of the page scanned to its far corner.
    const auto firstPage = [&](const std::string& region) {
        const std::string job = CreateJob(ScanSettings("Grayscale8", "image/png", 200, false, region));
        const httplib::Result got = client.Get(job + "/NextDocument");
        Gray gray;
        EXPECT_TRUE(got && got->status == 200 && DecodePng(got->body.data(), got->body.size(), gray));
        client.Delete(job);
        EXPECT_TRUE(StatusShows("<pwg:State>Idle</pwg:State>"));
        return gray;
    };
    const Gray whole = firstPage("<pwg:XOffset>0</pwg:XOffset><pwg:YOffset>0</pwg:YOffset>"
                                 "<pwg:Width>1440</pwg:Width><pwg:Height>1500</pwg:Height>");
    const Gray part = firstPage("<pwg:XOffset>480</pwg:XOffset><pwg:YOffset>300</pwg:YOffset>"
                                "<pwg:Width>960</pwg:Width><pwg:Height>1200</pwg:Height>");
    ASSERT_EQ(whole.width, 960u);
    ASSERT_EQ(whole.height, 1000u);
    Gray cut;
    cut.width = 640;
    cut.height = 800;
    for (uint32_t y = 200; y < 1000; ++y) {
        cut.samples.insert(cut.samples.end(), whole.samples.begin() + y * 960 + 320, whole.samples.begin() + y * 960 + 960);
    }
    EXPECT_TRUE(part == cut) << part.width << " x " << part.height;

    // A job cancelled as soon as it is made ends without holding the scanner.
    const std::string dropped = CreateJob(ScanSettings("Grayscale8", "image/png", 200, true));
    ASSERT_TRUE(client.Delete(dropped));
    ASSERT_TRUE(StatusShows("<pwg:State>Idle</pwg:State>")) << ServerLog();

    // PDF: the page is as large as the frame scanned (3.2 by 4 inches).
    const std::string pdf = CreateJob(ScanSettings("BlackAndWhite1", "application/pdf", 200, false));
    page = client.Get(pdf + "/NextDocument");
    ASSERT_TRUE(page && page->status == 200);
    EXPECT_EQ(page->get_header_value("Content-Type"), "application/pdf");
    EXPECT_EQ(page->body.substr(0, 5), "%PDF-");
    EXPECT_NE(page->body.find("/MediaBox [ 0 0 230.4 288 ]"), std::string::npos);
    client.Delete(pdf);
}

TEST_F(EsclServerTest, SecondClientIsToldBusyAndServedAfterTheFirst) {
    StartServer("--scenario default");
    const std::string first = "SANE_CONFIG_DIR=" + (dir_ / "sane").string() + " " KORVEX_SCANIMAGE " -d " + kDevice +
                              " --source 'ADF Duplex' --resolution 400 " + kFrameMm + " --format=png --batch=" +
                              (dir_ / "first-%d.png").string() + " >" + (dir_ / "first.log").string() + " 2>&1";
    FILE* firstRun = popen(first.c_str(), "r");
    ASSERT_NE(firstRun, nullptr);
    ASSERT_TRUE(StatusShows("<pwg:State>Processing</pwg:State>")) << ServerLog();
    // eSCL's busy answer, with the time to come back after.
    httplib::Client client = Client();
    const httplib::Result busy = client.Post("/eSCL/ScanJobs", ScanSettings("Grayscale8", "image/png", 200, false),
                                             "text/xml");
    ASSERT_TRUE(busy);
    EXPECT_EQ(busy->status, 503);
    EXPECT_EQ(busy->get_header_value("Retry-After"), "2");
    // A second scanimage meanwhile retries until the scanner is free.
    std::string output;
    int status = 0;
    const std::vector<Gray> second = ScanimageBatch("second", "--source 'ADF Duplex' --resolution 200 " +
                                                                  std::string(kFrameMm),
                                                    output, status);
    EXPECT_EQ(status, 0) << output;
    EXPECT_EQ(second.size(), 6u) << output;
    EXPECT_EQ(pclose(firstRun), 0) << ReadFile(dir_ / "first.log");
    EXPECT_TRUE(fs::exists(dir_ / "first-6.png")) << ReadFile(dir_ / "first.log");
    EXPECT_FALSE(fs::exists(dir_ / "first-7.png"));
}

// Each fault ends its job with the pages scanned before it, as korvex-scan
// writes them; the scanner's state and the job's reason say why, scanimage
// reports it, and the next job (the hopper loaded again) scans again.
TEST_F(EsclServerTest, ScannerFaultsEndTheJobWithItsPagesAndTheNextJobScans) {
    struct Fault {
        const char* scenario;
        size_t pages;
        const char* client;  // scanimage's words for the end
        const char* adf;
        const char* reason;
    };
    const Fault faults[] = {
        {"jam", 2, "Document feeder jammed", "ScannerAdfJam", "MediaJam"},
        {"double-feed", 2, "Document feeder jammed", "ScannerAdfJam", "MultipleFeedDetected"},
        {"door-open", 0, "Scanner cover is open", "ScannerAdfDoorOpen", "CoverOpen"},
        {"vanishing", 2, "Error during device I/O", "ScannerAdfLoaded", "AbortedBySystem"},
    };
    for (const Fault& fault : faults) {
        SCOPED_TRACE(fault.scenario);
        StartServer(std::string("--scenario ") + fault.scenario);
        std::vector<Gray> expected;
        if (fault.pages > 0) expected = KorvexScanPages(fault.scenario, "--pixel-type gray --resolution 200", true);
        ASSERT_EQ(expected.size(), fault.pages);
        for (const char* run : {"first", "next"}) {
            std::string output;
            int status = 0;
            const std::vector<Gray> served =
                ScanimageBatch(std::string(fault.scenario) + "-" + run,
                               "--source 'ADF Duplex' --resolution 200 " + std::string(kFrameMm), output, status);
            EXPECT_NE(output.find(fault.client), std::string::npos) << run << ": " << output;
            ASSERT_EQ(served.size(), fault.pages) << run << ": " << output;
            for (size_t page = 0; page < served.size(); ++page) EXPECT_TRUE(served[page] == expected[page]) << run;
            const std::string state = Status();
            EXPECT_NE(state.find(std::string("<scan:AdfState>") + fault.adf + "<"), std::string::npos) << state;
            EXPECT_NE(state.find("<pwg:JobState>Aborted</pwg:JobState>"), std::string::npos) << state;
            EXPECT_NE(state.find(std::string("<pwg:JobStateReason>") + fault.reason + "<"), std::string::npos)
                << state;
        }
        StopServer();
    }
}

TEST_F(EsclServerTest, ClientThatDisappearsTimesOutAndTheNextJobScans) {
    StartServer("--scenario default --client-timeout 0.3");
    const std::string abandoned = CreateJob(ScanSettings("Grayscale8", "image/png", 200, true));
    httplib::Client client = Client();
    const httplib::Result page = client.Get(abandoned + "/NextDocument");
    ASSERT_TRUE(page && page->status == 200);
    ASSERT_TRUE(StatusShows("<pwg:JobStateReason>JobTimedOut</pwg:JobStateReason>")) << ServerLog();
    EXPECT_TRUE(StatusShows("<pwg:State>Idle</pwg:State>"));
    const std::string next = CreateJob(ScanSettings("Grayscale8", "image/png", 200, true));
    ASSERT_FALSE(next.empty());
    EXPECT_EQ(FetchPngPages(next).size(), 6u);
}

TEST_F(EsclServerTest, HostileRequestsAreRefusedAndTheServerServesOn) {
    StartServer("--scenario default --formats png");
    struct Request {
        const char* method;
        std::string path;
        std::string body;
        int status;
    };
    std::string deep;
    for (int i = 0; i < 10000; ++i) deep += "<a>";  // within the size bound, far beyond the depth
    const Request requests[] = {
        {"GET", "/eSCL/Nothing", "", 404},
        {"GET", "/../../etc/passwd", "", 404},
        {"GET", "/eSCL/ScanJobs/7/NextDocument", "", 404},
        {"GET", "/eSCL/ScanJobs/99999999999999999999/NextDocument", "", 404},
        {"GET", "/eSCL/ScanJobs/-1/ScanImageInfo", "", 404},
        {"DELETE", "/eSCL/ScanJobs/12", "", 404},
        {"POST", "/eSCL/ScanJobs", "", 400},
        {"POST", "/eSCL/ScanJobs", "<scan:ScanSettings><scan:ColorMode>", 400},
        {"POST", "/eSCL/ScanJobs", "<scan:ScanSettings>" + deep, 400},
        {"POST", "/eSCL/ScanJobs", std::string(100000, '<'), 413},
        {"POST", "/eSCL/ScanJobs", ScanSettings("RGB24", "image/png", 200, false), 409},
        {"POST", "/eSCL/ScanJobs", ScanSettings("Grayscale8", "image/png", 201, false), 409},
        {"POST", "/eSCL/ScanJobs", ScanSettings("Grayscale8", "image/jpeg", 200, false), 409},
    };
    httplib::Client client = Client();
    for (const Request& request : requests) {
        const std::string method = request.method;
        const httplib::Result result = method == "GET"      ? client.Get(request.path)
                                       : method == "DELETE" ? client.Delete(request.path)
                                                            : client.Post(request.path, request.body, "text/xml");
        ASSERT_TRUE(result) << method << " " << request.path;
        EXPECT_EQ(result->status, request.status) << method << " " << request.path << ": " << result->body;
    }
    EXPECT_NE(Status().find("<pwg:State>Idle</pwg:State>"), std::string::npos);
    const std::string job = CreateJob(ScanSettings("Grayscale8", "image/png", 200, false));
    EXPECT_EQ(FetchPngPages(job).size(), 3u);
}

TEST_F(EsclServerTest, ServesHttpsWithTheGivenCertificate) {
    const std::string cert = (dir_ / "cert.pem").string();
    const std::string key = (dir_ / "key.pem").string();
    std::string output;
    ASSERT_EQ(RunCommand("openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj /CN=localhost -keyout " + key +
                             " -out " + cert,
                         output),
              0)
        << output;
    // A key without its certificate, or one that is not a key, is refused at start.
    EXPECT_EQ(RunCommand(KORVEX_BIN_DIR "/korvex-escl --key " + key, output), 2) << output;
    EXPECT_EQ(RunCommand("KORVEX_WINDIR=" + (dir_ / "server").string() + " " KORVEX_BIN_DIR
                         "/korvex-escl --port 0 --no-dns-sd --cert " + cert + " --key " + cert,
                         output),
              1)
        << output;
    StartServer("--scenario default --cert " + cert + " --key " + key);
    httplib::SSLClient secure("127.0.0.1", port_);
    secure.enable_server_certificate_verification(false);
    const httplib::Result capabilities = secure.Get("/eSCL/ScannerCapabilities");
    ASSERT_TRUE(capabilities);
    EXPECT_EQ(capabilities->status, 200);
    EXPECT_NE(capabilities->body.find("<scan:AdfDuplexInputCaps>"), std::string::npos);
    // Plain HTTP gets no answer from an HTTPS server.
    EXPECT_FALSE(Client().Get("/eSCL/ScannerCapabilities"));
}

}  // namespace
