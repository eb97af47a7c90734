// Page rendering in the scanner's pixel conventions, stage by stage.
#include "vscanner/page_synth.h"

#include <algorithm>
#include <cmath>

#include "vscanner/ccitt_coder.h"
#include "vscanner/halftone.h"
#include "vscanner/imprinter.h"

namespace vscan {

namespace {

constexpr uint8_t kMiddle = 128;
constexpr uint8_t kImprintInk = 0;
constexpr uint32_t kStatisticsStep = 4;  // every 4th pixel of every 4th line
constexpr uint64_t kMaxKeptPageBytes = uint64_t{256} << 20;

// The physical position of pixel `index` at `resolution`, from `origin`.
uint32_t PixelPosition(uint32_t origin, uint32_t index, uint32_t resolution) {
    if (resolution == 0) return origin;
    return origin + static_cast<uint32_t>(static_cast<uint64_t>(index) * 1200u / resolution);
}

// A length in 1/1200 inch as whole pixels, rounded to the nearest.
uint32_t ToPixels(uint32_t units, uint32_t resolution) {
    return static_cast<uint32_t>((static_cast<uint64_t>(units) * resolution + 600) / 1200);
}

uint8_t Clamp(int value) { return static_cast<uint8_t>(std::clamp(value, 0, 255)); }

// Image emphasis: a 3x3 filter, by code and generation. Strength s > 0
// sharpens (v + s x (v - mean of the 8 neighbours) / 2), -1 smooths (the 3x3
// mean), 0 leaves the image alone; unknown codes leave it alone too.
struct EmphasisRow {
    uint8_t generation;  // 0, or 1 for "not 0"
    uint8_t code;
    int8_t strength;
};
// generation, code, strength
constexpr EmphasisRow kEmphasis[] = {
    {1, 0x00, 0},
    {1, 0x01, 1},
    {1, 0x30, 2},
    {1, 0x50, 4},
    {1, 0x80, -1},
    {0, 0x00, 0},
    {0, 0x80, 1},
    {0, 0x50, 4},
};

int EmphasisStrength(uint8_t generation, uint8_t code) {
    const uint8_t family = generation == 0 ? 0 : 1;
    for (const EmphasisRow& row : kEmphasis)
        if (row.generation == family && row.code == code) return row.strength;
    return 0;
}

// Otsu's threshold of a histogram: the level that best separates it into two
// classes (pixels below it black).
uint8_t OtsuThreshold(const uint64_t (&histogram)[256]) {
    double total = 0, sum = 0;
    for (int level = 0; level < 256; ++level) {
        total += static_cast<double>(histogram[level]);
        sum += static_cast<double>(histogram[level]) * level;
    }
    double below = 0, sumBelow = 0, best = -1;
    int bestLevel = kMiddle;
    for (int level = 0; level < 256; ++level) {
        // Splitting before `level`: classes [0, level) and [level, 255].
        if (below > 0 && below < total) {
            const double meanBelow = sumBelow / below;
            const double meanAbove = (sum - sumBelow) / (total - below);
            const double spread = below * (total - below) * (meanBelow - meanAbove) * (meanBelow - meanAbove);
            if (spread > best) {
                best = spread;
                bestLevel = level;
            }
        }
        below += static_cast<double>(histogram[level]);
        sumBelow += static_cast<double>(histogram[level]) * level;
    }
    return static_cast<uint8_t>(bestLevel);
}

// The level below which `fraction` of the histogram's pixels lie.
uint8_t Percentile(const uint64_t (&histogram)[256], double fraction) {
    uint64_t total = 0;
    for (uint64_t count : histogram) total += count;
    const auto wanted = static_cast<uint64_t>(static_cast<double>(total) * fraction);
    uint64_t seen = 0;
    for (int level = 0; level < 256; ++level) {
        seen += histogram[level];
        if (seen > wanted) return static_cast<uint8_t>(level);
    }
    return 255;
}

enum class Method : uint8_t { Threshold, Matrix, Diffusion };

struct Quantiser {
    Method method = Method::Threshold;
    const HalftonePattern* pattern = nullptr;
};

Quantiser QuantiserFor(uint8_t composition, uint16_t patternCode) {
    if (composition != 1) return {};
    const HalftonePattern& pattern = HalftoneFor(patternCode);
    return {pattern.kind == HalftoneKind::ErrorDiffusion ? Method::Diffusion : Method::Matrix, &pattern};
}

bool IsGray(const PageRequest& page) { return page.composition == 2; }

}  // namespace

// Draws a page's lines in order; each stage keeps only the rows it needs.
class PageRenderer {
public:
    explicit PageRenderer(const PageRequest& page) : page_(page) {
        const uint32_t pixels = page.pixelsPerLine;
        for (uint32_t index = 0; index < pixels; ++index)
            columnX_.push_back(PixelPosition(page.left, page.mirror ? pixels - 1 - index : index,
                                             page.xResolution));
        boxWidth_ = page.xResolution == 0 ? 1 : std::max<uint32_t>(1, 1200 / page.xResolution);
        boxLength_ = page.yResolution == 0 ? 1 : std::max<uint32_t>(1, 1200 / page.yResolution);
        emphasis_ = EmphasisStrength(page.generation, page.emphasis);
        noise_ = IsGray(page) ? 0 : std::min<uint32_t>(page.noiseReduction, 5);
        BuildToneTables();
        window_ = QuantiserFor(page.composition, page.halftonePattern);
        area_ = QuantiserFor(page.subAreaComposition, page.subAreaPattern);
        for (const AreaRect& area : page.subAreas) {
            if (area.width == 0 || area.length == 0) continue;
            areas_.push_back({ToPixels(area.left, page.xResolution),
                              ToPixels(area.left + area.width, page.xResolution),
                              ToPixels(area.top, page.yResolution),
                              ToPixels(area.top + area.length, page.yResolution)});
        }
        rawRows_.assign(emphasis_ != 0 ? 3 : 1, Row{UINT32_MAX, std::vector<uint8_t>(pixels)});
        quantRows_.assign(noise_ != 0 ? 2 * noise_ + 3 : 1, Row{UINT32_MAX, std::vector<uint8_t>(pixels)});
        toned_.resize(pixels);
        Restart();
    }

    // Line `line` in the scanner's packing; lines are drawn fastest in order.
    void Render(uint32_t line, uint8_t* out) {
        if (line < nextLine_) Restart();
        nextLine_ = line + 1;
        const uint32_t bytes = BytesPerLine(page_);
        std::fill(out, out + bytes, uint8_t{0});
        if (IsGray(page_)) {
            RenderGray(line, out);
            return;
        }
        const uint32_t last = page_.lines - 1;
        while (quantisedNext_ <= std::min(last, line + (noise_ != 0 ? noise_ + 1 : 0))) Quantise(quantisedNext_++);
        const uint8_t* row = QuantisedRow(line);
        uint32_t runEnd = 0;  // the end of the black run the pixel is in
        uint32_t runLength = 0;
        for (uint32_t pixel = 0; pixel < page_.pixelsPerLine; ++pixel) {
            bool black = row[pixel] != 0;
            if (noise_ != 0 && black) {
                if (runEnd <= pixel) {
                    runEnd = pixel;
                    while (runEnd < page_.pixelsPerLine && row[runEnd] != 0) ++runEnd;
                    runLength = runEnd - pixel;
                }
                // A pixel of a run wider than a speck is in none.
                if (row[pixel] == 1 && runLength <= noise_ && IsSpeck(pixel, line)) black = false;
            }
            out[pixel / 8] |= static_cast<uint8_t>((black != page_.reverse ? 1u : 0u) << (pixel % 8));
        }
    }

private:
    struct Row {
        uint32_t line;
        std::vector<uint8_t> values;
    };
    struct AreaPixels {
        uint32_t left, right, top, bottom;  // pixels, right and bottom exclusive
    };

    void Restart() {
        nextLine_ = 0;
        quantisedNext_ = 0;
        for (Row& row : rawRows_) row.line = UINT32_MAX;
        for (Row& row : quantRows_) row.line = UINT32_MAX;
        errorThis_.assign(page_.pixelsPerLine + 2, 0);
        errorNext_.assign(page_.pixelsPerLine + 2, 0);
    }

    // Stage 1: the document under the line, the imprinter's ink, white level.
    void DrawDocumentRow(uint32_t line, uint8_t* out, bool whiteLevel) const {
        const uint32_t y = PixelPosition(page_.top, line, page_.yResolution);
        for (uint32_t pixel = 0; pixel < page_.pixelsPerLine; ++pixel) {
            const uint32_t x = columnX_[pixel];
            uint8_t value = 255;
            if (x < page_.sheetWidth && y < page_.sheetLength) {
                value = page_.document ? SampleDocument(*page_.document, page_.sheetWidth, page_.sheetLength,
                                                        x, y, boxWidth_, boxLength_)
                                       : DocumentIntensity(page_.sheet, page_.side, x, y);
            }
            out[pixel] = value;
        }
        DrawImprint(y, out);
        if (whiteLevel)
            for (uint32_t pixel = 0; pixel < page_.pixelsPerLine; ++pixel) out[pixel] = whiteGain_[out[pixel]];
    }

    void DrawImprint(uint32_t y, uint8_t* out) const {
        if (page_.imprint.empty() || y < page_.imprintOffset || y >= page_.sheetLength) return;
        const uint32_t along = y - page_.imprintOffset;
        const uint64_t character = along / kImprintAdvance;
        if (character >= page_.imprint.size()) return;
        const uint32_t column = along % kImprintAdvance / kImprintDot;
        const char glyph = page_.imprint[static_cast<size_t>(character)];
        const uint32_t topEdge = kImprintHeadX + kFontRows * kImprintDot;  // the glyphs' top faces right
        for (uint32_t pixel = 0; pixel < page_.pixelsPerLine; ++pixel) {
            const uint32_t x = columnX_[pixel];
            if (x < kImprintHeadX || x >= topEdge || x >= page_.sheetWidth) continue;
            const uint32_t row = (topEdge - 1 - x) / kImprintDot;
            if (GlyphDot(glyph, column, row)) out[pixel] = kImprintInk;
        }
    }

    const uint8_t* RawRow(uint32_t line) {
        Row& row = rawRows_[line % rawRows_.size()];
        if (row.line != line) {
            DrawDocumentRow(line, row.values.data(), useWhiteGain_);
            row.line = line;
        }
        return row.values.data();
    }

    // Stages 2 to 4: emphasis, gamma and contrast, into toned_.
    void ToneRow(uint32_t line) {
        const uint32_t pixels = page_.pixelsPerLine;
        if (emphasis_ == 0) {
            const uint8_t* raw = RawRow(line);
            for (uint32_t pixel = 0; pixel < pixels; ++pixel) toned_[pixel] = tone_[raw[pixel]];
            return;
        }
        const uint32_t last = page_.lines - 1;
        const uint8_t* rows[3] = {RawRow(line == 0 ? 0 : line - 1), nullptr, nullptr};
        rows[2] = RawRow(std::min(last, line + 1));
        rows[1] = RawRow(line);
        for (uint32_t pixel = 0; pixel < pixels; ++pixel) {
            const uint32_t left = pixel == 0 ? 0 : pixel - 1;
            const uint32_t right = std::min(pixels - 1, pixel + 1);
            int sum = 0;
            for (const uint8_t* row : rows) sum += row[left] + row[pixel] + row[right];
            const int centre = rows[1][pixel];
            const int value = emphasis_ < 0 ? (sum + 4) / 9 : centre + emphasis_ * (centre - (sum - centre) / 8) / 2;
            toned_[pixel] = tone_[Clamp(value)];
        }
    }

    void RenderGray(uint32_t line, uint8_t* out) {
        ToneRow(line);
        const bool eight = page_.bitsPerPixel == 8;
        const uint8_t maxLevel = eight ? 255 : 15;
        // Generation 0 sends 0 for white; the reverse bit inverts once more.
        const bool invert = (page_.generation == 0) != page_.reverse;
        for (uint32_t pixel = 0; pixel < page_.pixelsPerLine; ++pixel) {
            const uint8_t value = bright_[toned_[pixel]];
            uint8_t level = eight ? value : static_cast<uint8_t>(value >> 4);
            if (invert) level = static_cast<uint8_t>(maxLevel - level);
            if (eight) {
                out[pixel] = level;
            } else {
                out[pixel / 2] |= static_cast<uint8_t>(pixel % 2 == 0 ? level : level << 4);
            }
        }
    }

    const Quantiser& QuantiserAt(uint32_t pixel, uint32_t line) const {
        const uint32_t column = page_.mirror ? page_.pixelsPerLine - 1 - pixel : pixel;
        for (const AreaPixels& area : areas_)
            if (column >= area.left && column < area.right && line >= area.top && line < area.bottom)
                return area_;
        return window_;
    }

    // Stage 5: threshold or halftone, in line order (error diffusion carries
    // its error down the page). A black pixel is 1 when thresholded, 2 when
    // halftoned (noise removal leaves halftone dots alone).
    void Quantise(uint32_t line) {
        ToneRow(line);
        Row& row = quantRows_[line % quantRows_.size()];
        row.line = line;
        std::swap(errorThis_, errorNext_);
        std::fill(errorNext_.begin(), errorNext_.end(), 0);
        const bool areasOnLine = std::any_of(areas_.begin(), areas_.end(), [line](const AreaPixels& area) {
            return line >= area.top && line < area.bottom;
        });
        if (!areasOnLine && window_.method == Method::Threshold) {
            for (uint32_t pixel = 0; pixel < page_.pixelsPerLine; ++pixel)
                row.values[pixel] = toned_[pixel] < thresholdLevel_ ? 1 : 0;
            return;
        }
        for (uint32_t pixel = 0; pixel < page_.pixelsPerLine; ++pixel) {
            const Quantiser& quantiser = areasOnLine ? QuantiserAt(pixel, line) : window_;
            const uint8_t value = toned_[pixel];
            uint8_t black = 0;
            switch (quantiser.method) {
                case Method::Threshold: black = value < thresholdLevel_ ? 1 : 0; break;
                case Method::Matrix: black = MatrixBlack(*quantiser.pattern, bright_[value], pixel, line) ? 2 : 0; break;
                case Method::Diffusion: {
                    // Floyd and Steinberg: 7/16 right, 3/16 below left, 5/16 below, 1/16 below right.
                    const int level = bright_[value] + errorThis_[pixel + 1] / 16;
                    black = level < kMiddle ? 2 : 0;
                    const int error = level - (black != 0 ? 0 : 255);
                    errorThis_[pixel + 2] += error * 7;
                    errorNext_[pixel] += error * 3;
                    errorNext_[pixel + 1] += error * 5;
                    errorNext_[pixel + 2] += error;
                    break;
                }
            }
            row.values[pixel] = black;
        }
    }

    const uint8_t* QuantisedRow(uint32_t line) const {
        return quantRows_[line % quantRows_.size()].values.data();
    }

    bool BlackAt(int64_t pixel, int64_t line) const {
        if (pixel < 0 || line < 0 || pixel >= page_.pixelsPerLine || line >= page_.lines) return false;
        return QuantisedRow(static_cast<uint32_t>(line))[pixel] != 0;
    }

    // Stage 6, noise removal: a black pixel goes white when it lies in an
    // n x n box whose surrounding ring of pixels is all white, that is in a
    // speck of at most n x n pixels.
    bool IsSpeck(uint32_t pixel, uint32_t line) const {
        const int64_t n = noise_;
        for (int64_t boxTop = int64_t{line} - n + 1; boxTop <= line; ++boxTop) {
            for (int64_t boxLeft = int64_t{pixel} - n + 1; boxLeft <= pixel; ++boxLeft) {
                bool ringWhite = true;
                for (int64_t i = -1; i <= n && ringWhite; ++i) {
                    ringWhite = !BlackAt(boxLeft + i, boxTop - 1) && !BlackAt(boxLeft + i, boxTop + n) &&
                                !BlackAt(boxLeft - 1, boxTop + i) && !BlackAt(boxLeft + n, boxTop + i);
                }
                if (ringWhite) return true;
            }
        }
        return false;
    }

    // The page's histogram (before white level) from a sparse grid of pixels.
    void Histogram(uint64_t (&histogram)[256]) const {
        std::vector<uint8_t> row(page_.pixelsPerLine);
        for (uint32_t line = 0; line < page_.lines; line += kStatisticsStep) {
            DrawDocumentRow(line, row.data(), false);
            for (uint32_t pixel = 0; pixel < page_.pixelsPerLine; pixel += kStatisticsStep) ++histogram[row[pixel]];
        }
    }

    void BuildToneTables() {
        uint64_t histogram[256] = {};
        const bool needStatistics = page_.whiteLevel == 0x80 || page_.whiteLevel == 0x81 ||
                                    (!IsGray(page_) && page_.autoThreshold >= 0x80 && page_.autoThreshold <= 0x82);
        if (needStatistics) Histogram(histogram);
        // White level: from the paper, the page's brightest percent becomes white;
        // automatic does so only for a light paper (its white at least 128).
        const uint8_t paperWhite = needStatistics ? std::max<uint8_t>(1, Percentile(histogram, 0.99)) : 255;
        useWhiteGain_ = page_.whiteLevel == 0x80 || (page_.whiteLevel == 0x81 && paperWhite >= kMiddle);
        for (int level = 0; level < 256; ++level)
            whiteGain_[level] = useWhiteGain_ ? Clamp((level * 255 + paperWhite / 2) / paperWhite) : static_cast<uint8_t>(level);

        for (int level = 0; level < 256; ++level) {
            double value = level;
            if (page_.gamma == 1) value = 255.0 * std::pow(value / 255.0, 1.0 / 2.2);
            if (page_.contrast != 0) value = kMiddle + (value - kMiddle) * page_.contrast / 128.0;
            tone_[level] = Clamp(static_cast<int>(std::lround(value)));
            bright_[level] = page_.brightness == 0 ? static_cast<uint8_t>(level)
                                                   : Clamp(level + kMiddle - page_.brightness);
        }

        thresholdLevel_ = page_.threshold == 0 ? kMiddle : page_.threshold;
        if (IsGray(page_) || page_.autoThreshold < 0x80 || page_.autoThreshold > 0x82) return;
        uint64_t toned[256] = {};
        for (int level = 0; level < 256; ++level) toned[tone_[whiteGain_[level]]] += histogram[level];
        if (page_.autoThreshold == 0x82) {
            thresholdLevel_ = static_cast<uint8_t>((Percentile(toned, 0.01) + Percentile(toned, 0.99) + 1) / 2);
            return;
        }
        int level = OtsuThreshold(toned);
        if (page_.autoThreshold == 0x81 && page_.threshold != 0) level += page_.threshold - kMiddle;
        thresholdLevel_ = Clamp(level);
    }

    const PageRequest& page_;
    std::vector<uint32_t> columnX_;  // the physical x under each delivered pixel
    uint32_t boxWidth_ = 1;
    uint32_t boxLength_ = 1;
    int emphasis_ = 0;
    uint32_t noise_ = 0;
    bool useWhiteGain_ = false;
    uint8_t whiteGain_[256] = {};
    uint8_t tone_[256] = {};    // gamma and contrast
    uint8_t bright_[256] = {};  // brightness (gray and halftone)
    uint8_t thresholdLevel_ = kMiddle;
    Quantiser window_;
    Quantiser area_;
    std::vector<AreaPixels> areas_;
    std::vector<Row> rawRows_;
    std::vector<Row> quantRows_;
    std::vector<uint8_t> toned_;
    std::vector<int> errorThis_;  // sixteenths, offset by one pixel
    std::vector<int> errorNext_;
    uint32_t nextLine_ = 0;
    uint32_t quantisedNext_ = 0;
};

uint8_t DocumentIntensity(uint32_t sheet, uint8_t side, uint32_t x, uint32_t y) {
    // A black frame a tenth of an inch in from the edges of a page area, text-like
    // bars in bands a sixth of an inch high, and a horizontal gray ramp; the bar
    // positions depend on the sheet and side so that pages differ.
    const uint32_t band = y / 200;
    const uint32_t inBand = y % 200;
    if (x >= 120 && x < 144) return 0;
    if (y >= 120 && y < 144) return 0;
    if (inBand >= 60 && inBand < 140) {
        const uint32_t seed = sheet * 7919u + (side != 0 ? 104729u : 0u) + band * 31u;
        const uint32_t barWidth = 96 + (seed % 5) * 48;
        const uint32_t gap = 72 + (seed / 5 % 3) * 24;
        const uint32_t period = barWidth + gap;
        const uint32_t phase = (x + seed * 13u) % period;
        if (x >= 300 && phase < barWidth && (band + sheet + (side != 0 ? 1u : 0u)) % 4 != 3) return 16;
    }
    if (inBand < 40) return static_cast<uint8_t>(255 - (x / 48) % 256);
    return 240;
}

uint8_t SampleDocument(const DocumentImage& image, uint32_t sheetWidth, uint32_t sheetLength,
                       uint32_t x, uint32_t y, uint32_t boxWidth, uint32_t boxLength) {
    if (image.width == 0 || image.height == 0 || sheetWidth == 0 || sheetLength == 0) return 255;
    auto span = [](uint32_t from, uint32_t size, uint32_t sheet, uint32_t pixels, uint32_t& first, uint32_t& end) {
        first = static_cast<uint32_t>(std::min<uint64_t>(uint64_t{from} * pixels / sheet, pixels - 1));
        end = static_cast<uint32_t>(std::min<uint64_t>((uint64_t{from} + size) * pixels / sheet, pixels));
        end = std::max(end, first + 1);
    };
    uint32_t x0 = 0, x1 = 0, y0 = 0, y1 = 0;
    span(x, boxWidth, sheetWidth, image.width, x0, x1);
    span(y, boxLength, sheetLength, image.height, y0, y1);
    uint64_t sum = 0;
    for (uint32_t row = y0; row < y1; ++row) {
        const uint8_t* pixels = image.intensity.data() + static_cast<size_t>(row) * image.width;
        for (uint32_t column = x0; column < x1; ++column) sum += pixels[column];
    }
    const uint64_t count = uint64_t{x1 - x0} * (y1 - y0);
    return static_cast<uint8_t>((sum + count / 2) / count);
}

uint32_t BytesPerLine(const PageRequest& page) {
    if (page.composition == 2 && page.bitsPerPixel == 8) return page.pixelsPerLine;
    if (page.composition == 2 && page.bitsPerPixel == 4)
        return static_cast<uint32_t>((static_cast<uint64_t>(page.pixelsPerLine) + 1) / 2);
    return static_cast<uint32_t>((static_cast<uint64_t>(page.pixelsPerLine) + 7) / 8);
}

uint64_t PageBytes(const PageRequest& page) {
    return static_cast<uint64_t>(BytesPerLine(page)) * page.lines;
}

std::vector<uint8_t> SynthesizePage(const PageRequest& page) {
    PageStream stream(page);
    if (!stream.Ready()) return {};
    std::vector<uint8_t> bytes(static_cast<size_t>(stream.Size()));
    for (uint64_t offset = 0; offset < bytes.size();) {
        const uint32_t count = static_cast<uint32_t>(std::min<uint64_t>(bytes.size() - offset, 1u << 20));
        stream.Copy(offset, count, bytes.data() + offset);
        offset += count;
    }
    return bytes;
}

PageStream::PageStream(const PageRequest& page, bool keepWhole)
    : page_(page), renderer_(std::make_unique<PageRenderer>(page_)), line_(BytesPerLine(page)) {
    if (page.compression != kCompressionNone) {
        whole_ = true;
        ready_ = EncodeCcittPage(
            page.compression, page.compressionArgument, page.pixelsPerLine, page.lines,
            [this](uint32_t line, uint8_t* out) { renderer_->Render(line, out); }, bytes_, error_);
        return;
    }
    // A page too large to keep is drawn as it is read, like any other.
    if (!keepWhole || PageBytes(page) > kMaxKeptPageBytes) return;
    whole_ = true;
    bytes_.resize(static_cast<size_t>(PageBytes(page)));
    for (uint32_t line = 0; line < page.lines; ++line)
        renderer_->Render(line, bytes_.data() + static_cast<size_t>(line) * line_.size());
}

PageStream::~PageStream() = default;

uint64_t PageStream::Size() const { return whole_ ? bytes_.size() : PageBytes(page_); }

void PageStream::Copy(uint64_t offset, uint32_t count, uint8_t* out) {
    if (whole_) {
        std::copy_n(bytes_.data() + offset, count, out);
        return;
    }
    const uint32_t perLine = static_cast<uint32_t>(line_.size());
    uint32_t copied = 0;
    while (copied < count) {
        const uint64_t position = offset + copied;
        const uint32_t line = static_cast<uint32_t>(position / perLine);
        const uint32_t within = static_cast<uint32_t>(position % perLine);
        if (line != lineNumber_) {
            renderer_->Render(line, line_.data());
            lineNumber_ = line;
        }
        const uint32_t take = std::min(perLine - within, count - copied);
        std::copy_n(line_.data() + within, take, out + copied);
        copied += take;
    }
}

}  // namespace vscan
