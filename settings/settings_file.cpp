// The settings file: the key table, the validity test, LoadSettings and
// SaveSettings, the endorser section, the free sizes and the Default sequences.
// Every read goes into a bounded buffer; numbers that would make later
// arithmetic overflow are held to safe bounds as they are read.
#include "settings/settings_file.h"

#include <cstdio>
#include <cstring>

#include "platform/platform.h"
#include "scanner/discovery.h"
#include "scanner/model_table.h"

// Columns: section, key, kind, setting record, number, text default, number
// default, generation 8 only.
const SettingsFileKey SettingsFileKeys[kSettingsFileKeys] = {
    {"Image", "Page", SettingValueKind::Text, &PageMode, nullptr, "1 Page", 0, 0},
    {"Image", "Side", SettingValueKind::Side, &SideMode, nullptr, "Simplex", 0, 0},
    {"Image", "Image Type", SettingValueKind::Text, &ImageType, nullptr, "", 0, 0},
    {"Image", "Resolution", SettingValueKind::Text, &Resolution, nullptr, "", 0, 0},
    {"Image", "Paper Size", SettingValueKind::Text, &PaperSize, nullptr, "", 0, 0},
    {"Front Image", "Halftone", SettingValueKind::Text, &FrontHalftone, nullptr, "", 0, 0},
    {"Back Image", "Halftone", SettingValueKind::Text, &BackHalftone, nullptr, "", 0, 0},
    {"Front Image", "Brightness", SettingValueKind::Number, nullptr, &ScanValues.levels[kLevelFrontBrightness], nullptr, 128, 0},
    {"Front Image", "Contrast", SettingValueKind::Number, nullptr, &ScanValues.levels[kLevelFrontContrast], nullptr, 128, 0},
    {"Back Image", "Brightness", SettingValueKind::Number, nullptr, &ScanValues.levels[kLevelBackBrightness], nullptr, 128, 0},
    {"Back Image", "Contrast", SettingValueKind::Number, nullptr, &ScanValues.levels[kLevelBackContrast], nullptr, 128, 0},
    {"Image", "Paper Detect", SettingValueKind::Text, &PaperDetect, nullptr, "OFF", 0, 0},
    {"Image", "Mirror", SettingValueKind::Text, &Mirror, nullptr, "OFF", 0, 0},
    {"Image", "Reverse", SettingValueKind::Text, &Reverse, nullptr, "OFF", 0, 0},
    {"Image", "Automatic Separation", SettingValueKind::Text, &AutoSeparation, nullptr, "OFF", 0, 0},
    {"Image", "Double Feed", SettingValueKind::Text, &DoubleFeed, nullptr, "OFF", 0, 1},
    {"Image", "Manual Feed", SettingValueKind::Text, &ManualFeed, nullptr, "OFF", 0, 1},
    {"Image", "Manual FeedKey", SettingValueKind::Text, &ManualFeedKey, nullptr, "OFF", 0, 1},
    {"Image", "Wait Timeout", SettingValueKind::Number, nullptr, &ScanValues.waitTimeout, nullptr, 10, 1},
    {"Endorser", "Endorser Enable", SettingValueKind::Text, &EndorserEnable, nullptr, "OFF", 0, 1},
    {"Endorser", "Endorser String", SettingValueKind::EndorserText, nullptr, nullptr, "", 0, 1},
    {"Endorser", "Endorser Start", SettingValueKind::StartNumber, nullptr, nullptr, "1", 0, 1},
    {"Endorser", "Endorser Step", SettingValueKind::Number, nullptr, &ScanValues.endorserStep, nullptr, 1, 1},
    {"Endorser", "Endorser Pos", SettingValueKind::Modulo256, nullptr, &ScanValues.endorserOffset, nullptr, 0, 1},
    {"Image", "Automatic Threshold", SettingValueKind::Text, &AutoThreshold, nullptr, "", 0, 0},
    {"Image", "White Level", SettingValueKind::Text, &WhiteLevel, nullptr, "", 0, 0},
    {"Image", "Gamma", SettingValueKind::Text, &Gamma, nullptr, "", 0, 0},
    {"Image", "Noise Reduction", SettingValueKind::Text, &NoiseReduction, nullptr, "", 0, 0},
    {"Front Image", "Emphasis", SettingValueKind::Text, &FrontEmphasis, nullptr, "", 0, 0},
    {"Back Image", "Emphasis", SettingValueKind::Text, &BackEmphasis, nullptr, "", 0, 0},
    {"Front Subarea", "Halftone", SettingValueKind::Text, &FrontSubAreaHalftone, nullptr, "", 0, 0},
    {"Front Subarea", "Area1", SettingValueKind::Text, &FrontArea1, nullptr, "", 0, 0},
    {"Front Subarea", "Area2", SettingValueKind::Text, &FrontArea2, nullptr, "", 0, 0},
    {"Front Subarea", "Area3", SettingValueKind::Text, &FrontArea3, nullptr, "", 0, 0},
    {"Front Subarea", "Area1_X", SettingValueKind::Number, nullptr, &ScanValues.frontAreas[0].x, nullptr, 0, 0},
    {"Front Subarea", "Area1_Y", SettingValueKind::Number, nullptr, &ScanValues.frontAreas[0].y, nullptr, 0, 0},
    {"Front Subarea", "Area1_W", SettingValueKind::Number, nullptr, &ScanValues.frontAreas[0].w, nullptr, 0, 0},
    {"Front Subarea", "Area1_L", SettingValueKind::Number, nullptr, &ScanValues.frontAreas[0].l, nullptr, 0, 0},
    {"Front Subarea", "Area2_X", SettingValueKind::Number, nullptr, &ScanValues.frontAreas[1].x, nullptr, 0, 0},
    {"Front Subarea", "Area2_Y", SettingValueKind::Number, nullptr, &ScanValues.frontAreas[1].y, nullptr, 0, 0},
    {"Front Subarea", "Area2_W", SettingValueKind::Number, nullptr, &ScanValues.frontAreas[1].w, nullptr, 0, 0},
    {"Front Subarea", "Area2_L", SettingValueKind::Number, nullptr, &ScanValues.frontAreas[1].l, nullptr, 0, 0},
    {"Front Subarea", "Area3_X", SettingValueKind::Number, nullptr, &ScanValues.frontAreas[2].x, nullptr, 0, 0},
    {"Front Subarea", "Area3_Y", SettingValueKind::Number, nullptr, &ScanValues.frontAreas[2].y, nullptr, 0, 0},
    {"Front Subarea", "Area3_W", SettingValueKind::Number, nullptr, &ScanValues.frontAreas[2].w, nullptr, 0, 0},
    {"Front Subarea", "Area3_L", SettingValueKind::Number, nullptr, &ScanValues.frontAreas[2].l, nullptr, 0, 0},
    {"Back Subarea", "Halftone", SettingValueKind::Text, &BackSubAreaHalftone, nullptr, "", 0, 0},
    {"Back Subarea", "Area1", SettingValueKind::Text, &BackArea1, nullptr, "", 0, 0},
    {"Back Subarea", "Area2", SettingValueKind::Text, &BackArea2, nullptr, "", 0, 0},
    {"Back Subarea", "Area3", SettingValueKind::Text, &BackArea3, nullptr, "", 0, 0},
    {"Back Subarea", "Area1_X", SettingValueKind::Number, nullptr, &ScanValues.backAreas[0].x, nullptr, 0, 0},
    {"Back Subarea", "Area1_Y", SettingValueKind::Number, nullptr, &ScanValues.backAreas[0].y, nullptr, 0, 0},
    {"Back Subarea", "Area1_W", SettingValueKind::Number, nullptr, &ScanValues.backAreas[0].w, nullptr, 0, 0},
    {"Back Subarea", "Area1_L", SettingValueKind::Number, nullptr, &ScanValues.backAreas[0].l, nullptr, 0, 0},
    {"Back Subarea", "Area2_X", SettingValueKind::Number, nullptr, &ScanValues.backAreas[1].x, nullptr, 0, 0},
    {"Back Subarea", "Area2_Y", SettingValueKind::Number, nullptr, &ScanValues.backAreas[1].y, nullptr, 0, 0},
    {"Back Subarea", "Area2_W", SettingValueKind::Number, nullptr, &ScanValues.backAreas[1].w, nullptr, 0, 0},
    {"Back Subarea", "Area2_L", SettingValueKind::Number, nullptr, &ScanValues.backAreas[1].l, nullptr, 0, 0},
    {"Back Subarea", "Area3_X", SettingValueKind::Number, nullptr, &ScanValues.backAreas[2].x, nullptr, 0, 0},
    {"Back Subarea", "Area3_Y", SettingValueKind::Number, nullptr, &ScanValues.backAreas[2].y, nullptr, 0, 0},
    {"Back Subarea", "Area3_W", SettingValueKind::Number, nullptr, &ScanValues.backAreas[2].w, nullptr, 0, 0},
    {"Back Subarea", "Area3_L", SettingValueKind::Number, nullptr, &ScanValues.backAreas[2].l, nullptr, 0, 0},
};

// Rows of SettingsFileKeys in reading order: page, side and the switches, the
// generation 8 image keys, image type, resolution and paper size, the levels,
// the image processing lists, emphasis, halftones, the sub-areas, and last the
// endorser.
const uint8_t SettingsLoadOrder[kSettingsFileKeys] = {
    0,  1,  11, 12, 13, 14, 15, 16, 17, 18, 2,  3,  4,  7,  8,  9,  10, 24, 25, 26, 27,
    28, 29, 5,  6,  30, 31, 32, 33, 34, 35, 36, 37, 38, 39, 40, 41, 42, 43, 44, 45, 46,
    47, 48, 49, 50, 51, 52, 53, 54, 55, 56, 57, 58, 59, 60, 61, 19, 21, 22, 23, 20,
};

namespace {

constexpr const char* kSectionInifile = "Inifile";
constexpr const char* kSectionEndorser = "Endorser";
constexpr const char* kSectionFreeSize = "Free Size";
constexpr const char* kKeyName = "Name";
constexpr const char* kKeyScanner = "Scanner";
constexpr const char* kNoSettings = "None";

// Bounds that keep later arithmetic within 32 bits: the level conversion to
// capability values multiplies by 1000, millimetres are multiplied by 12000,
// the wait timeout by 1000.
constexpr int32_t kLevelBound = 1000000;
constexpr int32_t kMillimetreBound = 100000;
constexpr int32_t kWaitTimeoutBound = 2147483;

constexpr int kNumberTextSize = 32;

int32_t Clamp(int32_t value, int32_t low, int32_t high) {
    if (value < low) return low;
    if (value > high) return high;
    return value;
}

int32_t ReadNumber(const char* section, const char* key, int32_t fallback) {
    return static_cast<int32_t>(plat::ProfileGetInt(section, key, fallback, kSettingsFileName));
}

void ReadText(const char* section, const char* key, const char* fallback, char* buffer,
              uint32_t size) {
    buffer[0] = '\0';
    plat::ProfileGetString(section, key, fallback, buffer, size, kSettingsFileName);
    buffer[size - 1] = '\0';
}

void WriteText(const char* section, const char* key, const char* value) {
    plat::ProfileWriteString(section, key, value, kSettingsFileName);
}

void WriteNumber(const char* section, const char* key, long value) {
    char text[kNumberTextSize];
    std::snprintf(text, sizeof text, "%ld", value);
    WriteText(section, key, text);
}

// Decimal conversion of the leading digits: white space and a sign may lead,
// conversion stops at the first other character, no digits give 0, a value
// beyond 32 bits saturates; a minus sign negates modulo 2^32.
uint32_t LeadingUnsigned(const char* text) {
    const char* p = text;
    while (*p == ' ' || *p == '\t' || *p == '\n' || *p == '\r' || *p == '\f' || *p == '\v') ++p;
    bool negative = false;
    if (*p == '+' || *p == '-') negative = *p++ == '-';
    uint32_t value = 0;
    bool saturated = false;
    for (; *p >= '0' && *p <= '9'; ++p) {
        uint32_t digit = static_cast<uint32_t>(*p - '0');
        if (value > (UINT32_MAX - digit) / 10) saturated = true;
        if (!saturated) value = value * 10 + digit;
    }
    if (saturated) return UINT32_MAX;
    return negative ? 0u - value : value;
}

// Bounds a number read for the value it lands in.
int32_t BoundNumber(const int32_t* target, int32_t value) {
    for (const int32_t& level : ScanValues.levels) {
        if (target == &level) return Clamp(value, -kLevelBound, kLevelBound);
    }
    if (target == &ScanValues.waitTimeout) return Clamp(value, 0, kWaitTimeoutBound);
    const int32_t* areasBegin = &ScanValues.frontAreas[0].x;
    const int32_t* areasEnd = &ScanValues.backAreas[2].l + 1;
    if (target >= areasBegin && target < areasEnd) {
        return Clamp(value, -kMillimetreBound, kMillimetreBound);
    }
    return value;
}

void ReadKey(const SettingsFileKey& entry) {
    switch (entry.kind) {
        case SettingValueKind::Text:
            ReadText(entry.section, entry.key, entry.textDefault, entry.record->text,
                     kSettingTextSize);
            break;
        case SettingValueKind::Side:
            ReadText(entry.section, entry.key, entry.textDefault, entry.record->text,
                     kSettingTextSize);
            std::memcpy(DialogSideText, entry.record->text, sizeof DialogSideText);
            break;
        case SettingValueKind::Number:
            *entry.number = BoundNumber(entry.number,
                                        ReadNumber(entry.section, entry.key, entry.numberDefault));
            break;
        case SettingValueKind::EndorserText:
            ReadText(entry.section, entry.key, entry.textDefault, ScanValues.endorserString,
                     sizeof ScanValues.endorserString);
            break;
        case SettingValueKind::StartNumber: {
            char text[kNumberTextSize];
            ReadText(entry.section, entry.key, entry.textDefault, text, sizeof text);
            ScanValues.endorserStart = LeadingUnsigned(text);
            break;
        }
        case SettingValueKind::Modulo256:
            *entry.number = static_cast<int32_t>(
                static_cast<uint32_t>(ReadNumber(entry.section, entry.key, entry.numberDefault)) %
                256u);
            break;
    }
}

void WriteKey(const SettingsFileKey& entry) {
    switch (entry.kind) {
        case SettingValueKind::Text:
        case SettingValueKind::Side: {
            char text[kSettingTextSize];
            std::memcpy(text, entry.record->text, sizeof text);
            text[kSettingTextSize - 1] = '\0';
            WriteText(entry.section, entry.key, text);
            break;
        }
        case SettingValueKind::Number:
        case SettingValueKind::Modulo256:
            WriteNumber(entry.section, entry.key, *entry.number);
            break;
        case SettingValueKind::EndorserText: {
            char text[kEndorserStringSize];
            std::memcpy(text, ScanValues.endorserString, sizeof text);
            text[kEndorserStringSize - 1] = '\0';
            WriteText(entry.section, entry.key, text);
            break;
        }
        case SettingValueKind::StartNumber:
            WriteNumber(entry.section, entry.key, static_cast<int32_t>(ScanValues.endorserStart));
            break;
    }
}

bool KeyApplies(const SettingsFileKey& entry) {
    return entry.generation8 == 0 || ModelGeneration >= 8;
}

const SettingsFileKey& EndorserKey(const char* key) {
    for (const SettingsFileKey& entry : SettingsFileKeys) {
        if (std::strcmp(entry.section, kSectionEndorser) == 0 && std::strcmp(entry.key, key) == 0) {
            return entry;
        }
    }
    return SettingsFileKeys[0];
}

void WriteInifileIdentity() {
    char model[sizeof ModelName];
    std::memcpy(model, ModelName, sizeof model);
    model[sizeof model - 1] = '\0';
    WriteText(kSectionInifile, kKeyName, kSettingsFileName);
    WriteText(kSectionInifile, kKeyScanner, model);
}

constexpr const char* kEndorserLoadOrder[] = {
    "Endorser Enable", "Endorser Start", "Endorser Step", "Endorser Pos", "Endorser String",
};
constexpr const char* kEndorserSaveOrder[] = {
    "Endorser Enable", "Endorser String", "Endorser Start", "Endorser Step", "Endorser Pos",
};

}  // namespace

int SettingsFileIsValid() {
    char name[kSettingTextSize];
    char scanner[kSettingTextSize];
    ReadText(kSectionInifile, kKeyName, kNoSettings, name, sizeof name);
    ReadText(kSectionInifile, kKeyScanner, kNoSettings, scanner, sizeof scanner);
    if (std::strcmp(name, kNoSettings) == 0) return 0;
    return std::strncmp(scanner, ModelName, sizeof scanner) == 0 ? 1 : 0;
}

void LoadSettings() {
    if (SettingsFileIsValid()) {
        for (uint8_t row : SettingsLoadOrder) {
            const SettingsFileKey& entry = SettingsFileKeys[row];
            if (KeyApplies(entry)) ReadKey(entry);
        }
    } else {
        SetDefaultSettings();
    }
    LoadFreeSizes();
    ResetFreeSizeDraft();
}

void SaveSettings() {
    WriteInifileIdentity();
    for (const SettingsFileKey& entry : SettingsFileKeys) {
        if (KeyApplies(entry)) WriteKey(entry);
    }
}

void LoadEndorserSettings() {
    if (!SettingsFileIsValid()) {
        SetDefaultEndorserSettings();
        return;
    }
    for (const char* key : kEndorserLoadOrder) ReadKey(EndorserKey(key));
}

void SaveEndorserSettings() {
    WriteInifileIdentity();
    for (const char* key : kEndorserSaveOrder) WriteKey(EndorserKey(key));
}

void LoadFreeSizes() {
    char key[16];
    for (int slot = 0; slot < kFreeSizeSlots; ++slot) {
        FreeSize& size = FreeSizeTable[slot];
        std::snprintf(key, sizeof key, "Name%d", slot + 1);
        ReadText(kSectionFreeSize, key, "", size.name, sizeof size.name);
        std::snprintf(key, sizeof key, "Width%d", slot + 1);
        size.width = Clamp(ReadNumber(kSectionFreeSize, key, 0), -kMillimetreBound, kMillimetreBound);
        std::snprintf(key, sizeof key, "Length%d", slot + 1);
        size.length = Clamp(ReadNumber(kSectionFreeSize, key, 0), -kMillimetreBound, kMillimetreBound);
    }
}

void SaveFreeSizes() {
    char key[16];
    for (int slot = 0; slot < kFreeSizeSlots; ++slot) {
        const FreeSize& size = FreeSizeTable[slot];
        char name[kSettingTextSize];
        std::memcpy(name, size.name, sizeof name);
        name[kSettingTextSize - 1] = '\0';
        std::snprintf(key, sizeof key, "Name%d", slot + 1);
        WriteText(kSectionFreeSize, key, name);
        std::snprintf(key, sizeof key, "Width%d", slot + 1);
        WriteNumber(kSectionFreeSize, key, size.width);
        std::snprintf(key, sizeof key, "Length%d", slot + 1);
        WriteNumber(kSectionFreeSize, key, size.length);
    }
}

void RestoreDefaultSettings() {
    WriteText(kSectionInifile, kKeyName, kNoSettings);
    LoadSettings();
    SaveSettings();
}

void RestoreDefaultEndorserSettings() {
    WriteText(kSectionInifile, kKeyName, kNoSettings);
    LoadEndorserSettings();
    SaveEndorserSettings();
}
