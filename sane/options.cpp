// The option table of the backend and sane_control_option's rules: ranges are
// clamped and word lists snapped to the nearest item (SANE_INFO_INEXACT),
// strings must be one of the list, inactive options take nothing, and options
// that change others ask for a reload.
#include "sane/options.h"

#include <sane/saneopts.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace {

constexpr SANE_String_Const kModeLineart = SANE_VALUE_SCAN_MODE_LINEART;
constexpr SANE_String_Const kModeGray = SANE_VALUE_SCAN_MODE_GRAY;
constexpr SANE_String_Const kSourceFront = "ADF Front";
constexpr SANE_String_Const kSourceDuplex = "ADF Duplex";
constexpr double kMicrometresPerMm = 1000.0;

// Brightness and contrast are percentages in SANE; the source counts tenths.
constexpr int kSourceUnitsPerPercent = 10;

uint32_t Micrometres(SANE_Word fixedMm) {
    const double mm = SANE_UNFIX(fixedMm);
    return mm <= 0 ? 0 : static_cast<uint32_t>(std::lround(mm * kMicrometresPerMm));
}

SANE_Word FixedMm(uint32_t micrometres) { return SANE_FIX(micrometres / kMicrometresPerMm); }

SANE_Int StringListSize(const std::vector<SANE_String_Const>& list) {
    size_t longest = 0;
    for (SANE_String_Const text : list) {
        if (text != nullptr) longest = std::max(longest, std::strlen(text));
    }
    return static_cast<SANE_Int>(longest + 1);
}

void Describe(SANE_Option_Descriptor& d, SANE_String_Const name, SANE_String_Const title, SANE_String_Const desc,
              SANE_Value_Type type, SANE_Unit unit) {
    d.name = name;
    d.title = title;
    d.desc = desc;
    d.type = type;
    d.unit = unit;
    d.size = type == SANE_TYPE_GROUP ? 0 : static_cast<SANE_Int>(sizeof(SANE_Word));
    d.cap = type == SANE_TYPE_GROUP ? 0 : SANE_CAP_SOFT_SELECT | SANE_CAP_SOFT_DETECT;
    d.constraint_type = SANE_CONSTRAINT_NONE;
    d.constraint.range = nullptr;
}

void Ranged(SANE_Option_Descriptor& d, const SANE_Range& range) {
    d.constraint_type = SANE_CONSTRAINT_RANGE;
    d.constraint.range = &range;
}

bool IsGray(const OptionSet& options) { return options.modes[static_cast<size_t>(options.values[kOptMode])] == kModeGray; }

// The descriptors whose state follows the values: the depth is for gray only,
// the scan area lies within the page.
void UpdateDependents(OptionSet& options) {
    SANE_Option_Descriptor& depth = options.descriptors[kOptDepth];
    if (IsGray(options)) {
        depth.cap &= ~SANE_CAP_INACTIVE;
    } else {
        depth.cap |= SANE_CAP_INACTIVE;
    }
    options.areaX.max = options.values[kOptPageWidth];
    options.areaY.max = options.values[kOptPageHeight];
}

// Clamps into a range and onto its steps.
SANE_Word Constrained(const SANE_Range& range, SANE_Word value) {
    SANE_Word result = std::clamp(value, range.min, range.max);
    if (range.quant > 0) {
        const SANE_Word steps = (result - range.min + range.quant / 2) / range.quant;
        result = std::min(range.max, range.min + steps * range.quant);
    }
    return result;
}

// The item of a word list nearest to `value` (the first of two as near).
SANE_Word Nearest(const std::vector<SANE_Word>& list, SANE_Word value) {
    SANE_Word best = list[1];
    for (size_t i = 1; i < list.size(); ++i) {
        if (std::llabs(int64_t{list[i]} - value) < std::llabs(int64_t{best} - value)) best = list[i];
    }
    return best;
}

SANE_Status SetValue(OptionSet& options, SANE_Int option, const void* value, SANE_Int& info) {
    SANE_Option_Descriptor& d = options.descriptors[option];
    SANE_Word word = 0;
    if (d.type == SANE_TYPE_STRING) {
        const auto* text = static_cast<const char*>(value);
        if (strnlen(text, static_cast<size_t>(d.size)) == static_cast<size_t>(d.size)) return SANE_STATUS_INVAL;
        SANE_Word index = -1;
        for (SANE_Word i = 0; d.constraint.string_list[i] != nullptr; ++i) {
            if (std::strcmp(text, d.constraint.string_list[i]) == 0) index = i;
        }
        if (index < 0) return SANE_STATUS_INVAL;
        word = index;
    } else {
        std::memcpy(&word, value, sizeof word);
        SANE_Word adjusted = word;
        if (d.constraint_type == SANE_CONSTRAINT_RANGE) {
            adjusted = Constrained(*d.constraint.range, word);
        } else if (d.constraint_type == SANE_CONSTRAINT_WORD_LIST) {
            std::vector<SANE_Word> list(d.constraint.word_list, d.constraint.word_list + d.constraint.word_list[0] + 1);
            adjusted = Nearest(list, word);
        }
        if (adjusted != word) info |= SANE_INFO_INEXACT;
        word = adjusted;
    }
    if (word == options.values[option]) return SANE_STATUS_GOOD;
    const SANE_Word before = options.values[option];
    options.values[option] = word;
    info |= SANE_INFO_RELOAD_PARAMS;
    switch (option) {
        case kOptMode: info |= SANE_INFO_RELOAD_OPTIONS; break;
        case kOptPageWidth:
        case kOptPageHeight: {
            // An area that took the whole page follows it; any other is cut to it.
            const bool width = option == kOptPageWidth;
            SANE_Word& low = options.values[width ? kOptTlX : kOptTlY];
            SANE_Word& high = options.values[width ? kOptBrX : kOptBrY];
            if (high == before || high > word) high = word;
            low = std::min(low, word);
            info |= SANE_INFO_RELOAD_OPTIONS;
            break;
        }
        default: break;
    }
    UpdateDependents(options);
    return SANE_STATUS_GOOD;
}

}  // namespace

void BuildOptions(OptionSet& options, const ScanOffer& offer, double widthMm, double heightMm) {
    options.modes.clear();
    if (offer.blackAndWhite) options.modes.push_back(kModeLineart);
    if (offer.gray) options.modes.push_back(kModeGray);
    options.modes.push_back(nullptr);
    options.sources = {kSourceFront};
    if (offer.duplexAvailable) options.sources.push_back(kSourceDuplex);
    options.sources.push_back(nullptr);
    options.resolutions.assign(1, static_cast<SANE_Word>(offer.resolutions.size()));
    for (uint16_t dpi : offer.resolutions) options.resolutions.push_back(dpi);
    options.depths.assign(1, static_cast<SANE_Word>(offer.grayDepths.size()));
    for (uint16_t bits : offer.grayDepths) options.depths.push_back(bits);
    // A model without gray keeps the depth inactive at lineart's one bit.
    if (offer.grayDepths.empty()) options.depths = {1, 1};
    options.brightness = {offer.brightnessMin / kSourceUnitsPerPercent, offer.brightnessMax / kSourceUnitsPerPercent, 1};
    options.contrast = {offer.contrastMin / kSourceUnitsPerPercent, offer.contrastMax / kSourceUnitsPerPercent, 1};
    options.pageWidth = {FixedMm(offer.minSheetWidth), FixedMm(offer.maxSheetWidth), 0};
    options.pageHeight = {FixedMm(offer.minSheetLength), FixedMm(offer.maxSheetLength), 0};
    options.areaX = {0, options.pageWidth.max, 0};
    options.areaY = {0, options.pageHeight.max, 0};

    SANE_Option_Descriptor* d = options.descriptors;
    Describe(d[kOptCount], SANE_NAME_NUM_OPTIONS, SANE_TITLE_NUM_OPTIONS, SANE_DESC_NUM_OPTIONS, SANE_TYPE_INT,
             SANE_UNIT_NONE);
    d[kOptCount].cap = SANE_CAP_SOFT_DETECT;
    Describe(d[kOptModeGroup], "", SANE_TITLE_SCAN_MODE, "", SANE_TYPE_GROUP, SANE_UNIT_NONE);
    Describe(d[kOptMode], SANE_NAME_SCAN_MODE, SANE_TITLE_SCAN_MODE, SANE_DESC_SCAN_MODE, SANE_TYPE_STRING,
             SANE_UNIT_NONE);
    d[kOptMode].size = StringListSize(options.modes);
    d[kOptMode].constraint_type = SANE_CONSTRAINT_STRING_LIST;
    d[kOptMode].constraint.string_list = options.modes.data();
    Describe(d[kOptDepth], SANE_NAME_BIT_DEPTH, SANE_TITLE_BIT_DEPTH,
             "Bits per gray sample the scanner delivers; 4-bit gray reaches the application as 8 bits "
             "with 16 levels.",
             SANE_TYPE_INT, SANE_UNIT_BIT);
    d[kOptDepth].constraint_type = SANE_CONSTRAINT_WORD_LIST;
    d[kOptDepth].constraint.word_list = options.depths.data();
    Describe(d[kOptResolution], SANE_NAME_SCAN_RESOLUTION, SANE_TITLE_SCAN_RESOLUTION, SANE_DESC_SCAN_RESOLUTION,
             SANE_TYPE_INT, SANE_UNIT_DPI);
    d[kOptResolution].constraint_type = SANE_CONSTRAINT_WORD_LIST;
    d[kOptResolution].constraint.word_list = options.resolutions.data();
    Describe(d[kOptSource], SANE_NAME_SCAN_SOURCE, SANE_TITLE_SCAN_SOURCE,
             "ADF Duplex scans both sides of every sheet; a scanner without a back unit scans the fronts only.",
             SANE_TYPE_STRING, SANE_UNIT_NONE);
    d[kOptSource].size = StringListSize(options.sources);
    d[kOptSource].constraint_type = SANE_CONSTRAINT_STRING_LIST;
    d[kOptSource].constraint.string_list = options.sources.data();

    Describe(d[kOptEnhancementGroup], "", SANE_I18N("Enhancement"), "", SANE_TYPE_GROUP, SANE_UNIT_NONE);
    Describe(d[kOptBrightness], SANE_NAME_BRIGHTNESS, SANE_TITLE_BRIGHTNESS, SANE_DESC_BRIGHTNESS, SANE_TYPE_INT,
             SANE_UNIT_PERCENT);
    Ranged(d[kOptBrightness], options.brightness);
    Describe(d[kOptContrast], SANE_NAME_CONTRAST, SANE_TITLE_CONTRAST, SANE_DESC_CONTRAST, SANE_TYPE_INT,
             SANE_UNIT_PERCENT);
    Ranged(d[kOptContrast], options.contrast);

    Describe(d[kOptGeometryGroup], "", SANE_I18N("Geometry"), "", SANE_TYPE_GROUP, SANE_UNIT_NONE);
    Describe(d[kOptPageWidth], SANE_NAME_PAGE_WIDTH, SANE_TITLE_PAGE_WIDTH, SANE_DESC_PAGE_WIDTH, SANE_TYPE_FIXED,
             SANE_UNIT_MM);
    Ranged(d[kOptPageWidth], options.pageWidth);
    Describe(d[kOptPageHeight], SANE_NAME_PAGE_HEIGHT, SANE_TITLE_PAGE_HEIGHT, SANE_DESC_PAGE_HEIGHT,
             SANE_TYPE_FIXED, SANE_UNIT_MM);
    Ranged(d[kOptPageHeight], options.pageHeight);
    Describe(d[kOptTlX], SANE_NAME_SCAN_TL_X, SANE_TITLE_SCAN_TL_X, SANE_DESC_SCAN_TL_X, SANE_TYPE_FIXED, SANE_UNIT_MM);
    Ranged(d[kOptTlX], options.areaX);
    Describe(d[kOptTlY], SANE_NAME_SCAN_TL_Y, SANE_TITLE_SCAN_TL_Y, SANE_DESC_SCAN_TL_Y, SANE_TYPE_FIXED, SANE_UNIT_MM);
    Ranged(d[kOptTlY], options.areaY);
    Describe(d[kOptBrX], SANE_NAME_SCAN_BR_X, SANE_TITLE_SCAN_BR_X, SANE_DESC_SCAN_BR_X, SANE_TYPE_FIXED, SANE_UNIT_MM);
    Ranged(d[kOptBrX], options.areaX);
    Describe(d[kOptBrY], SANE_NAME_SCAN_BR_Y, SANE_TITLE_SCAN_BR_Y, SANE_DESC_SCAN_BR_Y, SANE_TYPE_FIXED, SANE_UNIT_MM);
    Ranged(d[kOptBrY], options.areaY);

    SANE_Word* v = options.values;
    std::fill(v, v + kOptionCount, 0);
    v[kOptCount] = kOptionCount;
    v[kOptMode] = static_cast<SANE_Word>(options.modes.size() - 2);  // gray when offered
    v[kOptDepth] = Nearest(options.depths, 8);
    v[kOptResolution] = options.resolutions[0] > 0 ? Nearest(options.resolutions, offer.defaultResolution) : 0;
    v[kOptPageWidth] = Constrained(options.pageWidth, SANE_FIX(widthMm));
    v[kOptPageHeight] = Constrained(options.pageHeight, SANE_FIX(heightMm));
    v[kOptBrX] = v[kOptPageWidth];
    v[kOptBrY] = v[kOptPageHeight];
    UpdateDependents(options);
}

SANE_Status ControlOption(OptionSet& options, SANE_Int option, SANE_Action action, void* value, SANE_Int* info) {
    SANE_Int noted = 0;
    if (info != nullptr) *info = 0;
    if (option < 0 || option >= kOptionCount) return SANE_STATUS_INVAL;
    const SANE_Option_Descriptor& d = options.descriptors[option];
    if (d.type == SANE_TYPE_GROUP || !SANE_OPTION_IS_ACTIVE(d.cap)) return SANE_STATUS_INVAL;
    if (action == SANE_ACTION_GET_VALUE) {
        if (value == nullptr) return SANE_STATUS_INVAL;
        if (d.type == SANE_TYPE_STRING) {
            std::strcpy(static_cast<char*>(value), d.constraint.string_list[options.values[option]]);
        } else {
            std::memcpy(value, &options.values[option], sizeof(SANE_Word));
        }
        return SANE_STATUS_GOOD;
    }
    if (action != SANE_ACTION_SET_VALUE || !SANE_OPTION_IS_SETTABLE(d.cap) || value == nullptr) {
        return SANE_STATUS_INVAL;
    }
    const SANE_Status status = SetValue(options, option, value, noted);
    if (info != nullptr) *info = noted;
    return status;
}

bool RequestOf(const OptionSet& options, ScanRequest& request) {
    const SANE_Word* v = options.values;
    request = ScanRequest{};
    request.pixelType = IsGray(options) ? TWPT_GRAY : TWPT_BW;
    request.bitDepth = static_cast<uint16_t>(IsGray(options) ? v[kOptDepth] : 1);
    request.resolution = static_cast<uint16_t>(v[kOptResolution]);
    request.brightness = static_cast<int16_t>(v[kOptBrightness] * kSourceUnitsPerPercent);
    request.contrast = static_cast<int16_t>(v[kOptContrast] * kSourceUnitsPerPercent);
    request.duplex = options.sources[static_cast<size_t>(v[kOptSource])] == kSourceDuplex;
    request.sheetWidth = Micrometres(v[kOptPageWidth]);
    request.sheetLength = Micrometres(v[kOptPageHeight]);
    // The corners in either order.
    request.area.left = Micrometres(std::min(v[kOptTlX], v[kOptBrX]));
    request.area.right = Micrometres(std::max(v[kOptTlX], v[kOptBrX]));
    request.area.top = Micrometres(std::min(v[kOptTlY], v[kOptBrY]));
    request.area.bottom = Micrometres(std::max(v[kOptTlY], v[kOptBrY]));
    const bool empty = request.area.left >= request.area.right || request.area.top >= request.area.bottom;
    // The whole sheet is the whole page as the source delivers it.
    if (request.area.left == 0 && request.area.top == 0 && request.area.right == request.sheetWidth &&
        request.area.bottom == request.sheetLength) {
        request.area = ScanArea{};
    }
    return !empty;
}

SANE_Parameters EstimatedParameters(const OptionSet& options) {
    ScanRequest request;
    RequestOf(options, request);
    if (request.area.right == 0) request.area = {0, 0, request.sheetWidth, request.sheetLength};
    SANE_Parameters parameters{};
    parameters.format = SANE_FRAME_GRAY;
    parameters.last_frame = SANE_TRUE;
    parameters.depth = request.pixelType == TWPT_GRAY ? 8 : 1;
    const double dpi = request.resolution;
    const auto pixels = [dpi](uint32_t from, uint32_t to) {
        return to > from ? static_cast<SANE_Int>((to - from) * dpi / 25400.0) : 0;
    };
    parameters.pixels_per_line = pixels(request.area.left, request.area.right);
    parameters.lines = pixels(request.area.top, request.area.bottom);
    parameters.bytes_per_line =
        parameters.depth == 8 ? parameters.pixels_per_line : (parameters.pixels_per_line + 7) / 8;
    return parameters;
}
