// The model table, the availability lists A to H, and model setup
// (ApplyModel), which makes the identified model's properties process-wide
// and adjusts the settings model and the capability state to its paper class
// and generation.
#include "scanner/model_table.h"

#include <cstring>

#include "scanner/discovery.h"
#include "settings/capability_state.h"

uint8_t ModelFamily = 0;
uint8_t DuplexCapable = 0;
uint8_t ModelGeneration = 0;
int32_t MinPageWidth = 0;
int32_t MinPageLength = 0;
int32_t MaxPageWidth = 0;
int32_t MaxPageLength = 0;

namespace {

// Availability lists. Columns: setting record, `offered` value.
constexpr AvailabilityEntry kAvailabilityA[] = {
    {&PageMode, 1},
    {&ImageType, 1},
    {&Resolution, 1},
    {&PaperSize, 1},
    {&FrontHalftone, 1},
    {&FrontBrightness, 1},
    {&FrontSubArea, 1},
    {&FrontEmphasis, 1},
    {&Reverse, 1},
    {&FrontSubAreaHalftone, 1},
    {&FrontArea1, 1},
    {&FrontArea2, 1},
    {&FrontArea3, 1},
    {&SideMode, 1},
    {&BackHalftone, 1},
    {&BackBrightness, 1},
    {&FrontContrast, 1},
    {&BackContrast, 1},
    {&BackSubArea, 1},
    {&BackSide, 1},
    {&AutoThreshold, 1},
    {&Gamma, 1},
    {&WhiteLevel, 1},
    {&NoiseReduction, 1},
    {&BackEmphasis, 1},
    {&PaperDetect, 0},
    {&Mirror, 0},
    {&AutoSeparation, 1},
    {&MoreBackSide, 1},
    {&BackSubAreaHalftone, 1},
    {&BackArea1, 1},
    {&BackArea2, 1},
    {&BackArea3, 1},
    {nullptr, 0},
};
constexpr AvailabilityEntry kAvailabilityB[] = {
    {&PageMode, 1},
    {&ImageType, 1},
    {&Resolution, 1},
    {&PaperSize, 1},
    {&FrontHalftone, 1},
    {&FrontBrightness, 1},
    {&FrontSubArea, 1},
    {&FrontEmphasis, 1},
    {&Reverse, 1},
    {&FrontSubAreaHalftone, 1},
    {&FrontArea1, 1},
    {&FrontArea2, 1},
    {&FrontArea3, 1},
    {&SideMode, 0},
    {&BackHalftone, 0},
    {&BackBrightness, 1},
    {&FrontContrast, 1},
    {&BackContrast, 0},
    {&BackSubArea, 0},
    {&BackSide, 0},
    {&AutoThreshold, 1},
    {&Gamma, 1},
    {&WhiteLevel, 1},
    {&NoiseReduction, 1},
    {&BackEmphasis, 0},
    {&PaperDetect, 0},
    {&Mirror, 0},
    {&AutoSeparation, 1},
    {&MoreBackSide, 0},
    {&BackSubAreaHalftone, 0},
    {&BackArea1, 0},
    {&BackArea2, 0},
    {&BackArea3, 0},
    {nullptr, 0},
};
constexpr AvailabilityEntry kAvailabilityC[] = {
    {&PageMode, 1},
    {&ImageType, 1},
    {&Resolution, 1},
    {&PaperSize, 1},
    {&FrontHalftone, 1},
    {&FrontBrightness, 1},
    {&FrontSubArea, 1},
    {&FrontEmphasis, 1},
    {&Reverse, 1},
    {&FrontSubAreaHalftone, 1},
    {&FrontArea1, 1},
    {&FrontArea2, 1},
    {&FrontArea3, 1},
    {&SideMode, 1},
    {&BackHalftone, 1},
    {&BackBrightness, 1},
    {&FrontContrast, 1},
    {&BackContrast, 1},
    {&BackSubArea, 1},
    {&BackSide, 1},
    {&AutoThreshold, 1},
    {&Gamma, 1},
    {&WhiteLevel, 1},
    {&NoiseReduction, 1},
    {&BackEmphasis, 1},
    {&PaperDetect, 1},
    {&Mirror, 1},
    {&AutoSeparation, 1},
    {&MoreBackSide, 1},
    {&BackSubAreaHalftone, 1},
    {&BackArea1, 1},
    {&BackArea2, 1},
    {&BackArea3, 1},
    {nullptr, 0},
};
constexpr AvailabilityEntry kAvailabilityD[] = {
    {&PageMode, 1},
    {&ImageType, 1},
    {&Resolution, 1},
    {&PaperSize, 1},
    {&FrontHalftone, 1},
    {&FrontBrightness, 1},
    {&FrontSubArea, 1},
    {&FrontEmphasis, 1},
    {&Reverse, 1},
    {&FrontSubAreaHalftone, 1},
    {&FrontArea1, 1},
    {&FrontArea2, 1},
    {&FrontArea3, 1},
    {&SideMode, 0},
    {&BackHalftone, 0},
    {&BackBrightness, 0},
    {&FrontContrast, 1},
    {&BackContrast, 0},
    {&BackSubArea, 0},
    {&BackSide, 0},
    {&AutoThreshold, 1},
    {&Gamma, 1},
    {&WhiteLevel, 1},
    {&NoiseReduction, 1},
    {&BackEmphasis, 0},
    {&PaperDetect, 1},
    {&Mirror, 1},
    {&AutoSeparation, 1},
    {&MoreBackSide, 0},
    {&BackSubAreaHalftone, 0},
    {&BackArea1, 0},
    {&BackArea2, 0},
    {&BackArea3, 0},
    {nullptr, 0},
};
constexpr AvailabilityEntry kAvailabilityE[] = {
    {&PageMode, 1},
    {&ImageType, 1},
    {&Resolution, 1},
    {&PaperSize, 1},
    {&FrontHalftone, 1},
    {&FrontBrightness, 1},
    {&FrontSubArea, 1},
    {&FrontEmphasis, 1},
    {&Reverse, 1},
    {&FrontSubAreaHalftone, 1},
    {&FrontArea1, 1},
    {&FrontArea2, 1},
    {&FrontArea3, 1},
    {&SideMode, 1},
    {&BackHalftone, 1},
    {&BackBrightness, 1},
    {&FrontContrast, 1},
    {&BackContrast, 1},
    {&BackSubArea, 1},
    {&BackSide, 1},
    {&AutoThreshold, 1},
    {&Gamma, 1},
    {&WhiteLevel, 1},
    {&NoiseReduction, 1},
    {&BackEmphasis, 1},
    {&PaperDetect, 1},
    {&Mirror, 0},
    {&AutoSeparation, 1},
    {&MoreBackSide, 1},
    {&BackSubAreaHalftone, 1},
    {&BackArea1, 1},
    {&BackArea2, 1},
    {&BackArea3, 1},
    {&DoubleFeed, 1},
    {&ManualFeed, 1},
    {&ManualFeedKey, 1},
    {&ManualTimeout, 1},
    {&EndorserEnable, 1},
    {&EndorserString, 1},
    {&EndorserStart, 1},
    {&EndorserStep, 1},
    {&EndorserOffset, 1},
    {nullptr, 0},
};
constexpr AvailabilityEntry kAvailabilityF[] = {
    {&PageMode, 1},
    {&ImageType, 1},
    {&Resolution, 1},
    {&PaperSize, 1},
    {&FrontHalftone, 1},
    {&FrontBrightness, 1},
    {&FrontSubArea, 1},
    {&FrontEmphasis, 1},
    {&Reverse, 1},
    {&FrontSubAreaHalftone, 1},
    {&FrontArea1, 1},
    {&FrontArea2, 1},
    {&FrontArea3, 1},
    {&SideMode, 0},
    {&BackHalftone, 0},
    {&BackBrightness, 0},
    {&FrontContrast, 1},
    {&BackContrast, 0},
    {&BackSubArea, 0},
    {&BackSide, 0},
    {&AutoThreshold, 1},
    {&Gamma, 1},
    {&WhiteLevel, 1},
    {&NoiseReduction, 1},
    {&BackEmphasis, 0},
    {&PaperDetect, 1},
    {&Mirror, 0},
    {&AutoSeparation, 1},
    {&MoreBackSide, 0},
    {&BackSubAreaHalftone, 0},
    {&BackArea1, 0},
    {&BackArea2, 0},
    {&BackArea3, 0},
    {&DoubleFeed, 1},
    {&ManualFeed, 1},
    {&ManualFeedKey, 1},
    {&ManualTimeout, 1},
    {&EndorserEnable, 1},
    {&EndorserString, 1},
    {&EndorserStart, 1},
    {&EndorserStep, 1},
    {&EndorserOffset, 1},
    {nullptr, 0},
};
constexpr AvailabilityEntry kAvailabilityG[] = {
    {&PageMode, 1},
    {&ImageType, 1},
    {&Resolution, 1},
    {&PaperSize, 1},
    {&FrontHalftone, 1},
    {&FrontBrightness, 1},
    {&FrontSubArea, 1},
    {&FrontEmphasis, 1},
    {&Reverse, 1},
    {&FrontSubAreaHalftone, 1},
    {&FrontArea1, 1},
    {&FrontArea2, 1},
    {&FrontArea3, 1},
    {&SideMode, 1},
    {&BackHalftone, 1},
    {&BackBrightness, 1},
    {&FrontContrast, 0},
    {&BackContrast, 0},
    {&BackSubArea, 1},
    {&BackSide, 1},
    {&AutoThreshold, 0},
    {&Gamma, 0},
    {&WhiteLevel, 0},
    {&NoiseReduction, 0},
    {&BackEmphasis, 1},
    {&PaperDetect, 1},
    {&Mirror, 1},
    {&AutoSeparation, 0},
    {&MoreBackSide, 1},
    {&BackSubAreaHalftone, 1},
    {&BackArea1, 1},
    {&BackArea2, 1},
    {&BackArea3, 0},
    {nullptr, 0},
};
constexpr AvailabilityEntry kAvailabilityH[] = {
    {&PageMode, 1},
    {&ImageType, 1},
    {&Resolution, 1},
    {&PaperSize, 1},
    {&FrontHalftone, 1},
    {&FrontBrightness, 1},
    {&FrontSubArea, 1},
    {&FrontEmphasis, 1},
    {&Reverse, 1},
    {&FrontSubAreaHalftone, 1},
    {&FrontArea1, 1},
    {&FrontArea2, 1},
    {&FrontArea3, 1},
    {&SideMode, 0},
    {&BackHalftone, 0},
    {&BackBrightness, 0},
    {&FrontContrast, 0},
    {&BackContrast, 0},
    {&BackSubArea, 0},
    {&BackSide, 0},
    {&AutoThreshold, 0},
    {&Gamma, 0},
    {&WhiteLevel, 0},
    {&NoiseReduction, 0},
    {&BackEmphasis, 0},
    {&PaperDetect, 1},
    {&Mirror, 1},
    {&AutoSeparation, 0},
    {&MoreBackSide, 0},
    {&BackSubAreaHalftone, 0},
    {&BackArea1, 0},
    {&BackArea2, 0},
    {&BackArea3, 0},
    {nullptr, 0},
};

// Page bounds and resolution choices by paper class.
// Columns: B4 offered, A3 and Ledger offered, maximum width (mm), maximum
// length (mm) on generation 0, on other generations.
struct PaperClassRow {
    uint8_t b4;
    uint8_t a3Ledger;
    int32_t maxWidth;
    int32_t maxLengthGeneration0;
    int32_t maxLengthLater;
};

constexpr PaperClassRow kPaperClasses[] = {
    {1, 0, 256, 364, 431},
    {0, 0, 216, 355, 431},
    {1, 1, 297, 431, 431},
};

constexpr int32_t kMinPageWidth = 55;
constexpr int32_t kMinPageLength = 70;

constexpr TW_INT16 kClass0Resolutions[] = {100, 150, 200};
constexpr TW_INT16 kClass1Resolutions[] = {150, 200, 240, 300};

bool NameEquals(const char (&rowName)[16], const char* name) {
    size_t length = 0;
    while (length < sizeof rowName && name[length] != '\0') ++length;
    if (length == sizeof rowName && name[length] != '\0') return false;
    if (std::memcmp(rowName, name, length) != 0) return false;
    return length == sizeof rowName || rowName[length] == '\0';
}

void SetPaperSupported(uint16_t stringId, uint8_t supported) {
    for (OptionItem* item = PaperSizeList; item->stringId != 0; ++item) {
        if (item->stringId == stringId) item->supported = supported;
    }
}

void ClearEmphasisSupported(OptionItem* list) {
    for (OptionItem* item = list; item->stringId != 0; ++item) {
        if (item->stringId == kStrEmphasisSmooth || item->stringId == kStrEmphasisNone) {
            item->supported = 0;
        }
    }
}

}  // namespace

const AvailabilityEntry* const AvailabilityLists[kAvailabilityLists] = {
    kAvailabilityA, kAvailabilityB, kAvailabilityC, kAvailabilityD,
    kAvailabilityE, kAvailabilityF, kAvailabilityG, kAvailabilityH,
};

// Columns: name, paper class, back unit, generation, availability list.
const ModelRow ModelTable[kModelCount + 1] = {
    {"ZR-DX41", 1, 1, 1, kAvailabilityA},
    {"ZR-DX40", 1, 0, 1, kAvailabilityB},
    {"ZR-DX73PX", 1, 1, 1, kAvailabilityC},
    {"ZR-DX72PX", 1, 0, 1, kAvailabilityD},
    {"ZR-DX83PX", 0, 1, 1, kAvailabilityC},
    {"ZR-DX82PX", 0, 0, 1, kAvailabilityD},
    {"ZR-DX961", 2, 1, 8, kAvailabilityE},
    {"ZR-DX960", 2, 0, 8, kAvailabilityF},
    {"ZR-DX961s", 2, 1, 8, kAvailabilityE},
    {"ZR-DX960s", 2, 0, 8, kAvailabilityF},
    {"ZR-DX73", 1, 1, 0, kAvailabilityG},
    {"ZR-DX72", 1, 0, 0, kAvailabilityH},
    {"ZR-DX83", 0, 1, 0, kAvailabilityG},
    {"ZR-DX82", 0, 0, 0, kAvailabilityH},
    {"ZR-DXB700", 1, 1, 1, kAvailabilityC},
    {"ZR-DXB600", 0, 1, 1, kAvailabilityC},
    {"", 0, 0, 0, nullptr},
};

const ModelRow* FindModelRow(const char* name) {
    if (name == nullptr) return nullptr;
    for (const ModelRow& row : ModelTable) {
        if (row.name[0] == '\0') break;
        if (NameEquals(row.name, name)) return &row;
    }
    return nullptr;
}

int ApplyModel() {
    const ModelRow* row = FindModelRow(ModelName);
    if (row == nullptr) return 0;

    ModelFamily = row->family;
    DuplexCapable = row->duplexCapable;
    ModelGeneration = row->generation;

    for (const AvailabilityEntry* entry = row->availability; entry->record != nullptr; ++entry) {
        entry->record->offered = entry->offered;
    }

    MinPageWidth = kMinPageWidth;
    MinPageLength = kMinPageLength;

    const PaperClassRow& paperClass = kPaperClasses[ModelFamily];
    SetPaperSupported(kStrB4, paperClass.b4);
    SetPaperSupported(kStrA3, paperClass.a3Ledger);
    SetPaperSupported(kStrLedger, paperClass.a3Ledger);
    MaxPageWidth = paperClass.maxWidth;
    MaxPageLength = ModelGeneration == 0 ? paperClass.maxLengthGeneration0 : paperClass.maxLengthLater;
    if (ModelFamily == 0) SetResolutionChoices(kClass0Resolutions, 3, 2);
    if (ModelFamily == 1) SetResolutionChoices(kClass1Resolutions, 4, 3);

    if (ModelGeneration == 0 && std::strncmp(MechaGray, "ON", sizeof MechaGray) != 0) RestrictPixelTypeToBw();
    if (ModelGeneration == 0) {
        ClearEmphasisSupported(FrontEmphasisList);
        ClearEmphasisSupported(BackEmphasisList);
    }
    return 1;
}

void ResetModelTableState() {
    ModelFamily = 0;
    DuplexCapable = 0;
    ModelGeneration = 0;
    MinPageWidth = 0;
    MinPageLength = 0;
    MaxPageWidth = 0;
    MaxPageLength = 0;
}
