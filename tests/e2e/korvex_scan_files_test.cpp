// korvex-scan scanning into files through the built source and the virtual
// scanner module: every format, native and memory transfer, CCITT pages kept
// as coded, read back with libtiff and libpng (BMP by hand) and compared pixel
// by pixel with the pages the virtual scanner renders for the windows the
// source sent; and how a batch ends when the scanner jams, the disk fills or
// the options are wrong.
#include <png.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <tiffio.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <csignal>
#include <cstring>
#include <fstream>
#include <iterator>

#include "tests/e2e/scanner_fixture.h"
#include "tests/support/window_replay.h"
#include "vscanner/vscanner.h"

namespace {

namespace fs = std::filesystem;
using Levels = std::vector<uint8_t>;  // one intensity per pixel, 0 black, 255 white

constexpr char kModel[] = "ZR-DX961";
constexpr char kDevice[] = "[Device scanner]\nAdapter=0\nTarget=3\nModel=ZR-DX961\n";

struct FilePage {
    uint32_t width = 0;
    uint32_t length = 0;
    uint32_t bits = 0;
    double xResolution = 0;
    uint16_t compression = 0;   // TIFF only
    std::vector<uint8_t> raw;   // a CCITT TIFF's strip as stored
    Levels levels;
};

// Pixels of rows packed most significant bits first, as intensities; `inverted`
// when the samples count from white.
Levels Expand(const uint8_t* rows, uint32_t width, uint32_t length, uint32_t bits, size_t stride,
              bool inverted) {
    Levels levels;
    levels.reserve(size_t{width} * length);
    const uint32_t maximum = (1u << bits) - 1;
    for (uint32_t line = 0; line < length; ++line) {
        const uint8_t* row = rows + line * stride;
        for (uint32_t x = 0; x < width; ++x) {
            const uint64_t bit = uint64_t{x} * bits;
            const uint32_t sample = (row[bit / 8] >> (8 - bits - bit % 8)) & maximum;
            const uint32_t level = sample * 255 / maximum;
            levels.push_back(static_cast<uint8_t>(inverted ? 255 - level : level));
        }
    }
    return levels;
}

// The scanner's bytes as intensities: bi-level leftmost pixel in bit 0 with a
// set bit black, 4-bit gray leftmost in the low half, gray 0 black.
Levels ScannerLevels(const std::vector<uint8_t>& page, uint32_t width, uint32_t length, uint32_t bits) {
    std::vector<uint8_t> rows(page);
    for (uint8_t& byte : rows) {
        if (bits == 1) {
            uint8_t reversed = 0;
            for (int i = 0; i < 8; ++i) reversed = static_cast<uint8_t>(reversed | (((byte >> i) & 1) << (7 - i)));
            byte = static_cast<uint8_t>(~reversed);
        } else if (bits == 4) {
            byte = static_cast<uint8_t>((byte << 4) | (byte >> 4));
        }
    }
    return Expand(rows.data(), width, length, bits, (size_t{width} * bits + 7) / 8, false);
}

std::vector<FilePage> ReadTiff(const fs::path& path) {
    std::vector<FilePage> pages;
    TIFF* tiff = TIFFOpen(path.c_str(), "r");
    if (tiff == nullptr) return pages;
    do {
        FilePage page;
        uint16_t bits = 0, photometric = 0, unit = 0;
        float xResolution = 0;
        TIFFGetField(tiff, TIFFTAG_IMAGEWIDTH, &page.width);
        TIFFGetField(tiff, TIFFTAG_IMAGELENGTH, &page.length);
        TIFFGetField(tiff, TIFFTAG_BITSPERSAMPLE, &bits);
        TIFFGetField(tiff, TIFFTAG_PHOTOMETRIC, &photometric);
        TIFFGetField(tiff, TIFFTAG_COMPRESSION, &page.compression);
        TIFFGetField(tiff, TIFFTAG_XRESOLUTION, &xResolution);
        TIFFGetField(tiff, TIFFTAG_RESOLUTIONUNIT, &unit);
        page.bits = bits;
        page.xResolution = unit == RESUNIT_INCH ? xResolution : 0;
        if (page.compression != COMPRESSION_NONE) {
            page.raw.resize(TIFFRawStripSize(tiff, 0));
            TIFFReadRawStrip(tiff, 0, page.raw.data(), static_cast<tmsize_t>(page.raw.size()));
        }
        const auto stride = static_cast<size_t>(TIFFScanlineSize(tiff));
        std::vector<uint8_t> rows(stride * page.length);
        for (uint32_t line = 0; line < page.length; ++line) {
            TIFFReadScanline(tiff, rows.data() + line * stride, line, 0);
        }
        page.levels = Expand(rows.data(), page.width, page.length, bits, stride,
                             photometric == PHOTOMETRIC_MINISWHITE);
        pages.push_back(std::move(page));
    } while (TIFFReadDirectory(tiff));
    TIFFClose(tiff);
    return pages;
}

std::vector<uint8_t> FileBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

uint32_t Big32(const uint8_t* bytes) {
    return (uint32_t{bytes[0]} << 24) | (uint32_t{bytes[1]} << 16) | (uint32_t{bytes[2]} << 8) | bytes[3];
}

uint32_t Little32(const uint8_t* bytes) {
    return bytes[0] | (uint32_t{bytes[1]} << 8) | (uint32_t{bytes[2]} << 16) | (uint32_t{bytes[3]} << 24);
}

FilePage ReadPng(const fs::path& path) {
    FilePage page;
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str())) return page;
    image.format = PNG_FORMAT_GRAY;
    page.width = image.width;
    page.length = image.height;
    page.levels.resize(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, page.levels.data(), 0, nullptr)) page.levels.clear();
    const std::vector<uint8_t> bytes = FileBytes(path);
    page.bits = bytes.size() > 24 ? bytes[24] : 0;  // IHDR's bit depth
    static constexpr char kPhys[] = "pHYs";
    const auto at = std::search(bytes.begin(), bytes.end(), kPhys, kPhys + 4);
    if (bytes.end() - at >= 13 && at[12] == 1) page.xResolution = Big32(&at[4]) * 0.0254;
    return page;
}

FilePage ReadBmp(const fs::path& path) {
    FilePage page;
    const std::vector<uint8_t> bytes = FileBytes(path);
    if (bytes.size() < 54 || bytes[0] != 'B' || bytes[1] != 'M') return page;
    page.width = Little32(&bytes[18]);
    page.length = Little32(&bytes[22]);
    page.bits = bytes[28];
    page.xResolution = Little32(&bytes[38]) * 0.0254;
    const uint32_t pixelsAt = Little32(&bytes[10]);
    const size_t stride = (size_t{page.width} * page.bits + 31) / 32 * 4;
    if (pixelsAt + stride * page.length > bytes.size()) return page;
    // Rows bottom-up, samples through the gray palette.
    std::vector<uint8_t> rows(stride * page.length);
    for (uint32_t line = 0; line < page.length; ++line) {
        std::memcpy(&rows[line * stride], &bytes[pixelsAt + (page.length - 1 - line) * stride], stride);
    }
    Levels samples = Expand(rows.data(), page.width, page.length, page.bits, stride, false);
    const uint32_t maximum = (1u << page.bits) - 1;
    for (uint8_t& level : samples) level = bytes[54 + 4 * (level * maximum / 255) + 1];
    page.levels = std::move(samples);
    return page;
}

struct RunResult {
    int exitCode = -1;
    std::string output;  // stdout and stderr together
};

class KorvexScanFilesTest : public ScannerScenarioTest {
protected:
    void SetUp() override {
        ScannerScenarioTest::SetUp();
        if (HasFatalFailure()) return;
        if (!fs::exists(program)) GTEST_SKIP() << "korvex-scan is not built";
        output = windowsDirectory / "pages";
    }

    // Runs korvex-scan; with `fileSizeLimit` its files cannot grow beyond it.
    RunResult Run(const std::vector<std::string>& arguments, rlim_t fileSizeLimit = RLIM_INFINITY) {
        RunResult result;
        int channel[2];
        if (pipe(channel) != 0) return result;
        const pid_t child = fork();
        if (child == 0) {
            dup2(channel[1], 1);
            dup2(channel[1], 2);
            close(channel[0]);
            rlimit limit{fileSizeLimit, fileSizeLimit};
            setrlimit(RLIMIT_FSIZE, &limit);
            std::signal(SIGXFSZ, SIG_IGN);  // a write past the limit fails instead
            std::vector<char*> argv{const_cast<char*>(program.c_str())};
            for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
            argv.push_back(nullptr);
            execv(program.c_str(), argv.data());
            _exit(127);
        }
        close(channel[1]);
        std::array<char, 4096> chunk{};
        for (ssize_t got; (got = read(channel[0], chunk.data(), chunk.size())) > 0;) {
            result.output.append(chunk.data(), static_cast<size_t>(got));
        }
        close(channel[0]);
        int status = 0;
        waitpid(child, &status, 0);
        result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        return result;
    }

    RunResult Scan(const std::string& hopper, std::vector<std::string> arguments,
                   rlim_t fileSizeLimit = RLIM_INFINITY) {
        WriteScenario("Adapters=1\n", std::string(kDevice) + hopper);
        for (const char* fixed : {"--resolution", "100", "-o"}) arguments.emplace_back(fixed);
        arguments.push_back(output.string());
        return Run(arguments, fileSizeLimit);
    }

    // The pages the scanner renders (top line first, in its conventions) for
    // the windows the source set, sheet by sheet and side by side.
    std::vector<std::vector<uint8_t>> ScannerPages(uint32_t sheets, bool duplex, bool uncoded = false) {
        const auto device = window_replay::ReplayWindows(
            std::string("[Manager]\nAdapters=1\n\n") + kDevice, 3,
            LoggedWith(window_replay::kSetWindowCdb));
        std::vector<std::vector<uint8_t>> pages;
        if (!device.has_value()) return pages;
        for (uint32_t sheet = 0; sheet < sheets; ++sheet) {
            for (uint8_t side : {uint8_t{0x00}, uint8_t{0x80}}) {
                if (side != 0 && !duplex) continue;
                vscan::WindowState window = device->scanner.windows[side ? 1 : 0];
                if (uncoded) window.compression = 0;
                pages.push_back(vscan::ExpectedPage(kModel, window, sheet, vscan::MakeSheet("Letter"), side));
            }
        }
        return pages;
    }

    std::vector<std::string> FilesWritten() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(output)) names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    fs::path program = fs::path(KORVEX_BIN_DIR) / "korvex-scan";
    fs::path output;
};

// Letter at 100 dpi: 850 pixels rounded up to whole 32-pixel groups.
constexpr uint32_t kWidth = 864;
constexpr uint32_t kLength = 1100;

TEST_F(KorvexScanFilesTest, EveryFormatAndTransferGivesTheScannersPages) {
    struct Case {
        const char* name;
        std::vector<std::string> options;
        bool duplex;
        uint32_t bits;
        std::vector<std::string> files;
    };
    const Case cases[] = {
        {"native gray tiff, duplex", {"--pixel-type", "gray", "--format", "tiff", "--duplex"}, true, 8,
         {"scan-0001-back.tif", "scan-0001-front.tif", "scan-0002-back.tif", "scan-0002-front.tif"}},
        {"memory gray 4-bit png", {"--pixel-type", "gray", "--bit-depth", "4", "--format", "png", "--mem"}, false, 4,
         {"scan-0001.png", "scan-0002.png"}},
        {"native black and white png", {"--pixel-type", "bw", "--format", "png"}, false, 1,
         {"scan-0001.png", "scan-0002.png"}},
        {"memory black and white bmp", {"--pixel-type", "bw", "--format", "bmp", "--mem"}, false, 1,
         {"scan-0001.bmp", "scan-0002.bmp"}},
        {"native gray bmp", {"--pixel-type", "gray", "--format", "bmp"}, false, 8, {"scan-0001.bmp", "scan-0002.bmp"}},
        {"memory gray tiff", {"--pixel-type", "gray", "--mem", "--prefix", "memory"}, false, 8,
         {"memory-0001.tif", "memory-0002.tif"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove_all(output);
        const RunResult run = Scan("Hopper=Letter,Letter\n", c.options);
        ASSERT_EQ(run.exitCode, 0) << run.output;
        ASSERT_EQ(FilesWritten(), c.files) << run.output;
        const auto expected = ScannerPages(2, c.duplex);
        ASSERT_EQ(expected.size(), c.files.size());
        // File names sort back before front; the pages come front first.
        for (size_t page = 0; page < expected.size(); ++page) {
            const size_t file = c.duplex ? (page ^ 1) : page;
            const fs::path path = output / c.files[file];
            const FilePage read = path.extension() == ".tif" ? ReadTiff(path).at(0)
                                  : path.extension() == ".png" ? ReadPng(path) : ReadBmp(path);
            EXPECT_EQ(read.width, kWidth) << path;
            EXPECT_EQ(read.length, kLength) << path;
            EXPECT_EQ(read.bits, c.bits) << path;
            EXPECT_NEAR(read.xResolution, 100.0, 0.01) << path;
            EXPECT_TRUE(read.levels == ScannerLevels(expected[page], kWidth, kLength, c.bits)) << path;
        }
    }
}

TEST_F(KorvexScanFilesTest, CcittPagesAreWrappedAsCodedAndDecodeToTheScannersPages) {
    struct Case {
        const char* compression;
        uint16_t tiffCompression;
        bool multiPage;
    };
    for (const Case& c : {Case{"g3", COMPRESSION_CCITTFAX3, false}, Case{"g3-2d", COMPRESSION_CCITTFAX3, true},
                          Case{"g4", COMPRESSION_CCITTFAX4, true}}) {
        SCOPED_TRACE(c.compression);
        fs::remove_all(output);
        std::vector<std::string> options{"--pixel-type", "bw", "--mem", "--compression", c.compression};
        if (c.multiPage) options.emplace_back("--multi-page");
        const RunResult run = Scan("Hopper=Letter,Letter\n", options);
        ASSERT_EQ(run.exitCode, 0) << run.output;
        std::vector<FilePage> pages;
        for (const std::string& name : FilesWritten()) {
            for (FilePage& page : ReadTiff(output / name)) pages.push_back(std::move(page));
        }
        const auto coded = ScannerPages(2, false);
        const auto uncoded = ScannerPages(2, false, true);
        ASSERT_EQ(pages.size(), 2u) << run.output;
        for (size_t page = 0; page < pages.size(); ++page) {
            EXPECT_EQ(pages[page].compression, c.tiffCompression);
            EXPECT_TRUE(pages[page].raw == coded[page]) << "the strip is the scanner's code, page " << page;
            EXPECT_TRUE(pages[page].levels == ScannerLevels(uncoded[page], kWidth, kLength, 1)) << "page " << page;
        }
    }
}

TEST_F(KorvexScanFilesTest, JamEndsTheBatchWithThePagesBeforeItWritten) {
    for (const char* multiPage : {"", "--multi-page"}) {
        SCOPED_TRACE(multiPage);
        fs::remove_all(output);
        std::vector<std::string> options{"--pixel-type", "gray"};
        if (multiPage[0] != '\0') options.emplace_back(multiPage);
        const RunResult run = Scan("Hopper=Letter,Letter,Letter\nJam=1\n", options);
        EXPECT_EQ(run.exitCode, 3) << run.output;
        EXPECT_NE(run.output.find("Message box \"Scanner Message\": "), std::string::npos) << run.output;
        EXPECT_NE(run.output.find("the scanner ended the batch; 1 page written"), std::string::npos) << run.output;
        const std::string file = multiPage[0] != '\0' ? "scan.tif" : "scan-0001.tif";
        ASSERT_EQ(FilesWritten(), std::vector<std::string>{file});
        const auto pages = ReadTiff(output / file);
        ASSERT_EQ(pages.size(), 1u);
        EXPECT_TRUE(pages[0].levels == ScannerLevels(ScannerPages(1, false)[0], kWidth, kLength, 8));
    }
}

TEST_F(KorvexScanFilesTest, FullDiskKeepsTheWrittenPagesAndLeavesNoPartialFile) {
    // A gray page is 950400 bytes. The limit holds for each file: one page
    // file does not fit in the first case, the second page of a batch file
    // in the second.
    struct Case {
        const char* option;
        rlim_t limit;
        std::vector<std::string> files;
        size_t pages;
    };
    for (const Case& c : {Case{"--format", 500000, {}, 0}, Case{"--multi-page", 1400000, {"scan.tif"}, 1}}) {
        SCOPED_TRACE(c.option);
        fs::remove_all(output);
        std::vector<std::string> options{"--pixel-type", "gray", c.option};
        if (c.option == std::string("--format")) options.emplace_back("tiff");
        const RunResult run = Scan("Hopper=Letter,Letter,Letter\n", options, c.limit);
        EXPECT_EQ(run.exitCode, 4) << run.output;
        EXPECT_NE(run.output.find(c.files.empty() ? "scan-0001.tif: File too large" : "scan.tif: page 2: File too large"),
                  std::string::npos)
            << run.output;
        ASSERT_EQ(FilesWritten(), c.files) << run.output;
        if (c.pages == 0) continue;
        const auto pages = ReadTiff(output / c.files[0]);
        ASSERT_EQ(pages.size(), c.pages);
        EXPECT_TRUE(pages[0].levels == ScannerLevels(ScannerPages(1, false)[0], kWidth, kLength, 8));
    }
}

TEST_F(KorvexScanFilesTest, BadInputIsRefusedWithItsOwnExitCodeAndNothingWritten) {
    WriteWindowsFile("missing-image.ini", "[Manager]\nAdapters=1\n\n[Device1]\nModel=ZR-DX961\nHopper=@nowhere.png\n");
    WriteWindowsFile("a-file", "");
    struct Case {
        std::vector<std::string> arguments;
        int exitCode;
        const char* message;
    };
    const std::string scenario = (windowsDirectory / "missing-image.ini").string();
    const std::string notADirectory = (windowsDirectory / "a-file" / "pages").string();
    const Case cases[] = {
        {{"--format", "png", "--multi-page", "-o", output.string()}, 2, "--multi-page needs --format tiff"},
        {{"--compression", "g4", "-o", output.string()}, 2, "--compression needs memory transfer"},
        {{"--format", "gif"}, 2, "--format"},
        {{"--count", "0"}, 2, "--count"},
        {{"--ui", "click Scan", "-o", output.string()}, 2, "--ui and --ui-script drive the dialog"},
        {{"--scenario", scenario, "-o", output.string()}, 2, "nowhere.png"},
        {{"-o", notADirectory}, 4, notADirectory.c_str()},
        {{"--show-ui", "--ui", "click Nothing", "-o", output.string()}, 2, "no control \"Nothing\""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.arguments.front() + " " + c.arguments.back());
        const RunResult run = Run(c.arguments);
        EXPECT_EQ(run.exitCode, c.exitCode) << run.output;
        EXPECT_NE(run.output.find(c.message), std::string::npos) << run.output;
        EXPECT_TRUE(!fs::exists(output) || fs::is_empty(output)) << run.output;
    }
}

TEST_F(KorvexScanFilesTest, DialogScriptChoosesTheSettingsScansAndDrawsTheDialog) {
    WriteScenario("Adapters=1\n", std::string(kDevice) + "Hopper=Letter,Letter\n");
    const fs::path picture = windowsDirectory / "dialog.png";
    const RunResult run = Run({"--show-ui", "-o", output.string(), "--ui", "choose \"Image Type\" Gray Scale 8 bit",
                               "--ui", "choose Resolution 100 DPI", "--ui", "click Duplex", "--ui",
                               "render " + picture.string(), "--ui", "click Scan", "--ui", "close"});
    ASSERT_EQ(run.exitCode, 0) << run.output;
    // One sheet (the dialog's "1 Page"), both sides, as the dialog set them.
    ASSERT_EQ(FilesWritten(), (std::vector<std::string>{"scan-0001.tif", "scan-0002.tif"})) << run.output;
    const auto expected = ScannerPages(1, true);
    for (size_t page = 0; page < 2; ++page) {
        const auto read = ReadTiff(output / FilesWritten()[page]);
        ASSERT_EQ(read.size(), 1u);
        EXPECT_TRUE(read[0].levels == ScannerLevels(expected[page], kWidth, kLength, 8)) << page;
    }
    if (run.output.find("drawn to") != std::string::npos) {
        const FilePage drawn = ReadPng(picture);
        EXPECT_GT(drawn.width, 300u);
        EXPECT_GT(drawn.length, 200u);
    }
}

}  // namespace
