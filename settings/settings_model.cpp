// The scan settings model: the setting records, the option lists and their
// load-time contents, ScanValues, the free sizes, the control dependency and
// halftone exclusion tables, the lookups, and the routines that bring the
// model and the capability state into line with each other.
#include "settings/settings_model.h"

#include <cstring>
#include <initializer_list>

#include "platform/dialogs.h"
#include "scanner/model_table.h"
#include "settings/capability_state.h"
#include "twain/identity.h"

SettingRecord PageMode;
SettingRecord SideMode;
SettingRecord ImageType;
SettingRecord Resolution;
SettingRecord PaperSize;
SettingRecord FrontHalftone;
SettingRecord BackHalftone;
SettingRecord FrontBrightness;
SettingRecord BackBrightness;
SettingRecord FrontContrast;
SettingRecord BackContrast;
SettingRecord FrontSubArea;
SettingRecord BackSubArea;
SettingRecord BackSide;
SettingRecord AutoThreshold;
SettingRecord Gamma;
SettingRecord WhiteLevel;
SettingRecord NoiseReduction;
SettingRecord FrontEmphasis;
SettingRecord BackEmphasis;
SettingRecord PaperDetect;
SettingRecord Mirror;
SettingRecord Reverse;
SettingRecord AutoSeparation;
SettingRecord DoubleFeed;
SettingRecord ManualFeed;
SettingRecord ManualFeedKey;
SettingRecord ManualTimeout;
SettingRecord EndorserEnable;
SettingRecord EndorserString;
SettingRecord EndorserStart;
SettingRecord EndorserStep;
SettingRecord EndorserOffset;
SettingRecord MoreBackSide;
SettingRecord FrontSubAreaHalftone;
SettingRecord FrontArea1;
SettingRecord FrontArea2;
SettingRecord FrontArea3;
SettingRecord BackSubAreaHalftone;
SettingRecord BackArea1;
SettingRecord BackArea2;
SettingRecord BackArea3;

char DialogSideText[kSettingTextSize];

OptionItem ImageTypeList[kImageTypeItems + 1];
OptionItem ResolutionList[kResolutionItems + 1];
OptionItem PaperSizeList[kPaperSizeItems + 1];
OptionItem AutoThresholdList[kAutoThresholdItems + 1];
OptionItem WhiteLevelList[kWhiteLevelItems + 1];
OptionItem GammaList[kGammaItems + 1];
OptionItem NoiseReductionList[kNoiseReductionItems + 1];
OptionItem FrontEmphasisList[kEmphasisItems + 1];
OptionItem BackEmphasisList[kEmphasisItems + 1];
OptionItem FrontHalftoneList[kHalftoneItems + 1];
OptionItem BackHalftoneList[kHalftoneItems + 1];
OptionItem FrontSubAreaHalftoneList[kHalftoneItems + 1];
OptionItem BackSubAreaHalftoneList[kHalftoneItems + 1];

ScanValueSet ScanValues;
FreeSize FreeSizeTable[kFreeSizeSlots];
FreeSize FreeSizeDraft;

namespace {

// The option lists as they stand at load. Columns: supported, enabled, string id.
constexpr OptionItem kImageTypeItemsAtLoad[kImageTypeItems + 1] = {
    {1, 1, 2068},  // "Black & White"
    {1, 1, 2070},  // "Gray Scale 4 bit"
    {1, 1, 2069},  // "Gray Scale 8 bit"
    {0, 0, 0},
};
constexpr OptionItem kResolutionItemsAtLoad[kResolutionItems + 1] = {
    {0, 1, 3065},  // "400 DPI"
    {0, 1, 3064},  // "360 DPI"
    {1, 1, 2075},  // "300 DPI"
    {1, 1, 2074},  // "240 DPI"
    {1, 1, 2073},  // "200 DPI"
    {1, 1, 2072},  // "150 DPI"
    {0, 1, 2071},  // "100 DPI"
    {0, 0, 0},
};
constexpr OptionItem kPaperSizeItemsAtLoad[kPaperSizeItems + 1] = {
    {1, 1, 2001},  // "Letter"
    {1, 1, 2002},  // "Legal"
    {0, 1, 3095},  // "Ledger"
    {0, 1, 3063},  // "A3"
    {1, 1, 2003},  // "A4"
    {1, 1, 2004},  // "A5"
    {1, 1, 2005},  // "A6"
    {0, 1, 2006},  // "B4"
    {1, 1, 2007},  // "B5"
    {1, 1, 2008},  // "B6"
    {1, 1, 2000},  // "Business Card"
    {0, 0, 0},
};
constexpr OptionItem kAutoThresholdItemsAtLoad[kAutoThresholdItems + 1] = {
    {1, 1, 2095},  // "None"
    {1, 1, 2096},  // "Mode 1"
    {1, 1, 2097},  // "Mode 2"
    {1, 1, 2098},  // "Mode 3"
    {0, 0, 0},
};
constexpr OptionItem kWhiteLevelItemsAtLoad[kWhiteLevelItems + 1] = {
    {1, 1, 2092},  // "From White Stick"
    {1, 1, 2093},  // "From Paper"
    {1, 1, 2094},  // "Automatic"
    {0, 0, 0},
};
constexpr OptionItem kGammaItemsAtLoad[kGammaItems + 1] = {
    {1, 1, 2099},  // "Normal"
    {1, 1, 2100},  // "For CRT"
    {0, 0, 0},
};
constexpr OptionItem kNoiseReductionItemsAtLoad[kNoiseReductionItems + 1] = {
    {1, 1, 2102},  // "None"
    {1, 1, 2103},  // "1x1"
    {1, 1, 2104},  // "2x2"
    {1, 1, 2105},  // "3x3"
    {1, 1, 2106},  // "4x4"
    {1, 1, 2107},  // "5x5"
    {0, 0, 0},
};
constexpr OptionItem kEmphasisItemsAtLoad[kEmphasisItems + 1] = {
    {1, 1, 2088},  // "Smooth"
    {1, 1, 2087},  // "None"
    {1, 1, 2089},  // "Low"
    {1, 1, 2090},  // "Medium"
    {1, 1, 2091},  // "High"
    {0, 0, 0},
};
constexpr OptionItem kHalftoneItemsAtLoad[kHalftoneItems + 1] = {
    {1, 1, 2076},  // "None (Binary)"
    {1, 1, 2077},  // "Bayer Dither 64"
    {1, 1, 2078},  // "Bayer Dither 16"
    {1, 1, 2079},  // "Halftone Dot 32"
    {1, 1, 2080},  // "Halftone Dot 64"
    {1, 1, 2081},  // "Error Diffusion"
    {0, 0, 0},
};

// Dots per inch of each ResolutionList index.
constexpr int kResolutionDpi[kResolutionItems] = {400, 360, 300, 240, 200, 150, 100};

// String ids of the default choices.
constexpr uint16_t kStrA4 = 2003;
constexpr uint16_t kStr200Dpi = 2073;
constexpr uint16_t kStr300Dpi = 2075;
constexpr uint16_t kStrThresholdNone = 2095;
constexpr uint16_t kStrFromWhiteStick = 2092;
constexpr uint16_t kStrGammaNormal = 2099;
constexpr uint16_t kStrNoiseNone = 2102;
constexpr uint16_t kStrEmphasisMedium = 2090;

constexpr int32_t kNeutralLevel = 128;
constexpr int32_t kDefaultWaitTimeout = 10;

template <int N>
void CopyItems(OptionItem (&list)[N], const OptionItem (&initial)[N]) {
    std::memcpy(list, initial, sizeof list);
}

// Loads a choice text; answers 0 (and an empty text) when the id is absent.
int LoadChoiceText(uint16_t id, char (&text)[kSettingTextSize]) {
    text[0] = '\0';
    return plat::LoadResString(id, text, kSettingTextSize) > 0 ? 1 : 0;
}

// Index of the item whose text is `text`, or -1.
int MatchOptionText(const char* text, const OptionItem* list) {
    if (text == nullptr || list == nullptr) return -1;
    char itemText[kSettingTextSize];
    for (int index = 0; list[index].stringId != 0 && index < 255; ++index) {
        if (!LoadChoiceText(list[index].stringId, itemText)) continue;
        if (std::strncmp(itemText, text, kSettingTextSize) == 0) return index;
    }
    return -1;
}


bool ContainsPixelType(TW_UINT16 pixelType) {
    const CapabilityEnum16& choices = CapabilityState.pixelType.current;
    for (TW_UINT32 i = 0; i < choices.ItemCount(); ++i) {
        if (choices.items[i] == pixelType) return true;
    }
    return false;
}

bool ContainsResolution(int dotsPerInch) {
    const CapabilityEnumFix32& choices = CapabilityState.resolution.current;
    for (TW_UINT32 i = 0; i < choices.ItemCount(); ++i) {
        if (choices.items[i].Whole == dotsPerInch) return true;
    }
    return false;
}

// Makes the first item equal to `value` current; item 0 when none is.
void SelectCurrentItem(CapabilityEnum16& choices, TW_UINT16 value) {
    choices.currentIndex = 0;
    for (TW_UINT32 i = 0; i < choices.ItemCount(); ++i) {
        if (choices.items[i] == value) {
            choices.currentIndex = i;
            return;
        }
    }
}

void SelectCurrentResolution(CapabilityEnumFix32& choices, int dotsPerInch) {
    choices.currentIndex = 0;
    for (TW_UINT32 i = 0; i < choices.ItemCount(); ++i) {
        if (choices.items[i].Whole == dotsPerInch) {
            choices.currentIndex = i;
            return;
        }
    }
}

}  // namespace

// Columns: setting record, its dialog control ids (ended by 0).
const ControlDependencyRow ControlDependencyTable[kControlDependencyRows] = {
    {&PageMode, {1001}},
    {&SideMode, {1003}},
    {&ImageType, {1020, 1050}},
    {&Resolution, {1021, 1051}},
    {&PaperSize, {1030, 1052}},
    {&FrontHalftone, {1013, 1058}},
    {&BackHalftone, {1014, 1059}},
    {&FrontBrightness, {1022, 1026, 1060, 1064, 1067, 1065, 1066}},
    {&BackBrightness, {1024, 1028, 1062, 1077, 1079, 1081, 1083}},
    {&FrontContrast, {1023, 1027, 1061, 1069, 1071, 1092, 1075}},
    {&BackContrast, {1025, 1029, 1063, 1085, 1087, 1073, 1089}},
    {&FrontSubArea, {110}},
    {&BackSubArea, {111}},
    {&BackSide, {1100}},
    {&AutoThreshold, {1015, 1091}},
    {&Gamma, {1017, 1094}},
    {&WhiteLevel, {1016, 1096}},
    {&NoiseReduction, {1031, 1098}},
    {&FrontEmphasis, {1032, 1056}},
    {&BackEmphasis, {1033, 1057}},
    {&PaperDetect, {1005}},
    {&Mirror, {1006}},
    {&Reverse, {1007}},
    {&AutoSeparation, {1008}},
    {&DoubleFeed, {1110}},
    {&ManualFeed, {1111}},
    {&ManualFeedKey, {1129}},
    {&ManualTimeout, {1127, 1115, 1128}},
    {&EndorserEnable, {1114}},
    {&EndorserString, {1123, 1115}},
    {&EndorserStart, {1116, 1117}},
    {&EndorserStep, {1124, 1119}},
    {&EndorserOffset, {1122, 1120}},
    {&MoreBackSide, {1102}},
    {&FrontSubAreaHalftone, {1034, 1053}},
    {&FrontArea1, {1035, 1038, 1039, 1040, 1041, 1068, 1070, 1072, 1074, 1076}},
    {&FrontArea2, {1036, 1042, 1043, 1044, 1045, 1078, 1080, 1082, 1084, 1086}},
    {&FrontArea3, {1037, 1046, 1047, 1048, 1049, 1088, 1090, 1093, 1095, 1097}},
    {&BackSubAreaHalftone, {1034, 1053}},
    {&BackArea1, {1035, 1038, 1039, 1040, 1041, 1068, 1070, 1072, 1074, 1076}},
    {&BackArea2, {1036, 1042, 1043, 1044, 1045, 1078, 1080, 1082, 1084, 1086}},
    {&BackArea3, {1037, 1046, 1047, 1048, 1049, 1088, 1090, 1093, 1095, 1097}},
};

// The key packs the related halftone indices a + 256 b + 65536 c.
// Columns: key, allowed halftone indices (ended by 255).
const HalftoneExclusionRow HalftoneExclusionTable[kHalftoneExclusionRows + 1] = {
    {0x000000, {0, 1, 2, 3, 4, 5, 255}},
    {0x000001, {0, 1, 255}},
    {0x000100, {0, 1, 255}},
    {0x000101, {0, 1, 255}},
    {0x010000, {0, 1, 255}},
    {0x010001, {0, 1, 255}},
    {0x010100, {0, 1, 255}},
    {0x010101, {0, 1, 255}},
    {0x000002, {0, 2, 255}},
    {0x000200, {0, 2, 255}},
    {0x000202, {0, 2, 255}},
    {0x020000, {0, 2, 255}},
    {0x020002, {0, 2, 255}},
    {0x020200, {0, 2, 255}},
    {0x020202, {0, 2, 255}},
    {0x000003, {0, 3, 255}},
    {0x000300, {0, 3, 255}},
    {0x000303, {0, 3, 255}},
    {0x030000, {0, 3, 255}},
    {0x030003, {0, 3, 255}},
    {0x030300, {0, 3, 255}},
    {0x030303, {0, 3, 255}},
    {0x000004, {0, 4, 255}},
    {0x000400, {0, 4, 255}},
    {0x000404, {0, 4, 255}},
    {0x040000, {0, 4, 255}},
    {0x040004, {0, 4, 255}},
    {0x040400, {0, 4, 255}},
    {0x040404, {0, 4, 255}},
    {0x000005, {0, 5, 255}},
    {0x000500, {0, 5, 255}},
    {0x000505, {0, 5, 255}},
    {0x050000, {0, 5, 255}},
    {0x050005, {0, 5, 255}},
    {0x050500, {0, 5, 255}},
    {0x050505, {0, 5, 255}},
    {kHalftoneKeyEnd, {255}},
};

int ResolutionDpi(unsigned index) {
    return index < static_cast<unsigned>(kResolutionItems) ? kResolutionDpi[index] : 100;
}

int32_t* SubAreaValue(int side, int index) {
    if (index < 0 || index >= 12) return nullptr;
    SubAreaRect* rects = nullptr;
    if (side == 0) rects = ScanValues.frontAreas;
    if (side == 1) rects = ScanValues.backAreas;
    if (rects == nullptr) return nullptr;
    SubAreaRect& rect = rects[index / 4];
    switch (index % 4) {
        case 0: return &rect.x;
        case 1: return &rect.y;
        case 2: return &rect.w;
        default: return &rect.l;
    }
}

void ResetFreeSizeDraft() {
    std::memset(&FreeSizeDraft, 0, sizeof FreeSizeDraft);
    std::strcpy(FreeSizeDraft.name, "User");
    FreeSizeDraft.width = 216;
    FreeSizeDraft.length = 279;
}

const HalftoneExclusionRow* FindHalftoneExclusion(uint32_t key) {
    for (const HalftoneExclusionRow& row : HalftoneExclusionTable) {
        if (row.key == kHalftoneKeyEnd) break;
        if (row.key == key) return &row;
    }
    return nullptr;
}

int ApplyHalftoneExclusion(uint32_t key, OptionItem* list) {
    const HalftoneExclusionRow* row = FindHalftoneExclusion(key);
    if (row == nullptr || list == nullptr) return 0;
    for (int i = 0; i < kHalftoneItems; ++i) list[i].enabled = 0;
    for (uint8_t allowed : row->allowed) {
        if (allowed == kHalftoneIndexEnd) break;
        if (allowed < kHalftoneItems) list[allowed].enabled = 1;
    }
    return 1;
}

uint8_t FindOptionIndex(const SettingRecord& record, const OptionItem* list) {
    char text[kSettingTextSize];
    std::memcpy(text, record.text, sizeof text);
    text[kSettingTextSize - 1] = '\0';
    int index = MatchOptionText(text, list);
    return static_cast<uint8_t>(index < 0 ? 0 : index);
}

int FindPaperSizeIndexOf(const char* text) {
    if (text == nullptr) return 0;
    int standard = MatchOptionText(text, PaperSizeList);
    if (standard >= 0) return standard;
    // An empty text (the key was missing) is Letter, not the first unused
    // slot: an unused slot has an empty name and no size to scan.
    if (text[0] == '\0') return 0;
    for (int slot = 0; slot < kFreeSizeSlots; ++slot) {
        if (std::strncmp(FreeSizeTable[slot].name, text, kSettingTextSize) == 0) {
            return kFirstFreeSizeIndex + slot;
        }
    }
    return 0;
}

int FindPaperSizeIndex() {
    char text[kSettingTextSize];
    std::memcpy(text, PaperSize.text, sizeof text);
    text[kSettingTextSize - 1] = '\0';
    return FindPaperSizeIndexOf(text);
}

void FillOptionCombo(plat::WindowHandle dialog, int comboId, const OptionItem* list) {
    if (dialog == nullptr || list == nullptr) return;
    plat::ComboReset(dialog, comboId);
    char text[kSettingTextSize];
    for (int index = 0; list[index].stringId != 0; ++index) {
        if (list[index].supported != 1 || list[index].enabled != 1) continue;
        if (!LoadChoiceText(list[index].stringId, text)) continue;
        plat::ComboAddString(dialog, comboId, text);
    }
}

void EnableControl(plat::WindowHandle dialog, int controlId, int state) {
    if (dialog == nullptr || plat::GetItem(dialog, controlId) == nullptr) return;
    plat::EnableItem(dialog, controlId, state != 0);
}

void EnableSettingControls(plat::WindowHandle dialog, SettingRecord& record, int requested) {
    for (const ControlDependencyRow& row : ControlDependencyTable) {
        if (row.record != &record) continue;
        int state = (record.available != 0 && record.offered != 0 && requested != 0) ? 1 : 0;
        record.disabled = state ? 0 : 1;
        for (uint16_t id : row.controls) {
            if (id == 0) break;
            EnableControl(dialog, id, state);
        }
        return;
    }
}

void RefreshAvailability() {
    uint8_t pagesAndSides = 0;
    if (CapabilityState.xferCount != 1 && CapabilityState.feederEnabled != 0) pagesAndSides = 1;
    PageMode.available = pagesAndSides;
    SideMode.available = pagesAndSides;

    for (SettingRecord* record :
         {&ImageType, &Resolution, &PaperSize, &FrontHalftone, &BackHalftone, &FrontBrightness,
          &BackBrightness, &FrontContrast, &BackContrast, &FrontSubArea, &BackSubArea, &BackSide,
          &AutoThreshold, &Gamma, &WhiteLevel, &NoiseReduction, &FrontEmphasis, &BackEmphasis,
          &Mirror, &Reverse, &AutoSeparation, &MoreBackSide, &FrontSubAreaHalftone,
          &BackSubAreaHalftone, &FrontArea1, &FrontArea2, &FrontArea3, &BackArea1, &BackArea2,
          &BackArea3}) {
        record->available = 1;
    }
    PaperDetect.available = LegacyHostFlag != 0 ? 0 : 1;

    if (ModelGeneration >= 8) {
        for (SettingRecord* record :
             {&DoubleFeed, &ManualFeed, &ManualFeedKey, &ManualTimeout, &EndorserEnable,
              &EndorserString, &EndorserStart, &EndorserStep, &EndorserOffset}) {
            record->available = 1;
        }
    }

    bool gray = ContainsPixelType(TWPT_GRAY);
    ImageTypeList[0].supported = ContainsPixelType(TWPT_BW) ? 1 : 0;
    ImageTypeList[1].supported = (gray && ModelGeneration != 0) ? 1 : 0;
    ImageTypeList[2].supported = gray ? 1 : 0;

    for (int index = 0; index < kResolutionItems; ++index) {
        ResolutionList[index].supported = ContainsResolution(kResolutionDpi[index]) ? 1 : 0;
    }
}

void SyncCapabilityIndices() {
    uint8_t imageIndex = FindOptionIndex(ImageType, ImageTypeList);
    ImageType.currentIndex = imageIndex;
    SelectCurrentItem(CapabilityState.pixelType.current, imageIndex == 0 ? TWPT_BW : TWPT_GRAY);
    SelectCurrentItem(CapabilityState.bitDepth.current, imageIndex == 1 ? 4 : 8);

    uint8_t resolutionIndex = FindOptionIndex(Resolution, ResolutionList);
    Resolution.currentIndex = resolutionIndex;
    SelectCurrentResolution(CapabilityState.resolution.current, ResolutionDpi(resolutionIndex));
}

void SetSettingTextFromString(SettingRecord& record, uint16_t id) {
    LoadChoiceText(id, record.text);
}

void SetSettingText(SettingRecord& record, const char* text) {
    std::memset(record.text, 0, sizeof record.text);
    if (text == nullptr) return;
    for (size_t i = 0; i + 1 < sizeof record.text && text[i] != '\0'; ++i) record.text[i] = text[i];
}

void SetDefaultEndorserSettings() {
    SetSettingText(EndorserEnable, "OFF");
    ScanValues.endorserStart = 1;
    ScanValues.endorserStep = 1;
    ScanValues.endorserOffset = 0;
    std::memset(ScanValues.endorserString, 0, sizeof ScanValues.endorserString);
}

void SetDefaultSettings() {
    SetSettingText(PageMode, "1 Page");
    SetSettingText(SideMode, "Simplex");
    std::memset(DialogSideText, 0, sizeof DialogSideText);
    std::strcpy(DialogSideText, "Simplex");
    SetSettingTextFromString(ImageType, kStrBlackWhite);
    SetSettingTextFromString(Resolution, ModelFamily != 0 ? kStr300Dpi : kStr200Dpi);

    char regional[kSettingTextSize];
    LoadChoiceText(kStrRegionalPaper, regional);
    SetSettingTextFromString(PaperSize, std::strcmp(regional, "A4") == 0 ? kStrA4 : kStrLetter);

    for (SettingRecord* record :
         {&FrontHalftone, &BackHalftone, &FrontSubAreaHalftone, &BackSubAreaHalftone}) {
        SetSettingTextFromString(*record, kStrHalftoneNone);
    }
    for (int32_t& level : ScanValues.levels) level = kNeutralLevel;
    for (SettingRecord* record : {&PaperDetect, &Mirror, &Reverse, &AutoSeparation}) {
        SetSettingText(*record, "OFF");
    }
    if (ModelGeneration >= 8) {
        for (SettingRecord* record : {&DoubleFeed, &ManualFeed, &ManualFeedKey}) {
            SetSettingText(*record, "OFF");
        }
        ScanValues.waitTimeout = kDefaultWaitTimeout;
        SetDefaultEndorserSettings();
    }
    SetSettingTextFromString(AutoThreshold, kStrThresholdNone);
    SetSettingTextFromString(WhiteLevel, kStrFromWhiteStick);
    SetSettingTextFromString(Gamma, kStrGammaNormal);
    SetSettingTextFromString(NoiseReduction, kStrNoiseNone);
    SetSettingTextFromString(FrontEmphasis, kStrEmphasisMedium);
    SetSettingTextFromString(BackEmphasis, kStrEmphasisMedium);
    for (SettingRecord* record :
         {&FrontArea1, &FrontArea2, &FrontArea3, &BackArea1, &BackArea2, &BackArea3}) {
        SetSettingText(*record, "OFF");
    }
    std::memset(ScanValues.frontAreas, 0, sizeof ScanValues.frontAreas);
    std::memset(ScanValues.backAreas, 0, sizeof ScanValues.backAreas);
    ResetFreeSizeDraft();
}

void ResetSettingsModelState() {
    // The dependency table names every setting once.
    for (const ControlDependencyRow& row : ControlDependencyTable) {
        std::memset(row.record, 0, sizeof *row.record);
    }
    std::memset(DialogSideText, 0, sizeof DialogSideText);
    CopyItems(ImageTypeList, kImageTypeItemsAtLoad);
    CopyItems(ResolutionList, kResolutionItemsAtLoad);
    CopyItems(PaperSizeList, kPaperSizeItemsAtLoad);
    CopyItems(AutoThresholdList, kAutoThresholdItemsAtLoad);
    CopyItems(WhiteLevelList, kWhiteLevelItemsAtLoad);
    CopyItems(GammaList, kGammaItemsAtLoad);
    CopyItems(NoiseReductionList, kNoiseReductionItemsAtLoad);
    CopyItems(FrontEmphasisList, kEmphasisItemsAtLoad);
    CopyItems(BackEmphasisList, kEmphasisItemsAtLoad);
    CopyItems(FrontHalftoneList, kHalftoneItemsAtLoad);
    CopyItems(BackHalftoneList, kHalftoneItemsAtLoad);
    CopyItems(FrontSubAreaHalftoneList, kHalftoneItemsAtLoad);
    CopyItems(BackSubAreaHalftoneList, kHalftoneItemsAtLoad);
    std::memset(&ScanValues, 0, sizeof ScanValues);
    std::memset(FreeSizeTable, 0, sizeof FreeSizeTable);
    std::memset(&FreeSizeDraft, 0, sizeof FreeSizeDraft);
}

namespace {
// The option lists hold their load-time items before anything else runs.
[[maybe_unused]] const bool kModelAtLoad = (ResetSettingsModelState(), true);
}  // namespace
