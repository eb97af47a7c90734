// The model table and model setup, the model caps with the page rounding, and
// the standard paper table.
#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "scanner/model_caps.h"
#include "scanner/model_table.h"
#include "settings/capability_state.h"
#include "settings/settings_model.h"
#include "settings_test_support.h"
#include "transfer/paper_table.h"

namespace {

using settings_test::IdentifyModel;

TEST(ModelTable, HoldsTheSixteenModelsInDiscoveryOrder) {
    const char* const discoveryOrder[kModelCount] = {
        "ZR-DX41",  "ZR-DX40",  "ZR-DX73PX", "ZR-DX72PX", "ZR-DX83PX", "ZR-DX82PX",
        "ZR-DX961", "ZR-DX960", "ZR-DX961s", "ZR-DX960s", "ZR-DX73",   "ZR-DX72",
        "ZR-DX83",  "ZR-DX82",  "ZR-DXB700", "ZR-DXB600"};
    std::set<std::string> names;
    for (int row = 0; row < kModelCount; ++row) {
        std::string name(ModelTable[row].name, strnlen(ModelTable[row].name, 16));
        EXPECT_EQ(name, discoveryOrder[row]) << "row " << row;
        names.insert(name);
        EXPECT_NE(ModelTable[row].availability, nullptr);
    }
    EXPECT_EQ(names.size(), static_cast<size_t>(kModelCount));
    EXPECT_EQ(ModelTable[kModelCount].name[0], '\0');
}

TEST(ModelTable, EveryListOffersTheCommonSettings) {
    SettingRecord* const common[] = {&PageMode,     &ImageType,     &Resolution,
                                     &PaperSize,    &FrontHalftone, &FrontBrightness,
                                     &FrontSubArea, &FrontEmphasis, &Reverse,
                                     &FrontSubAreaHalftone, &FrontArea1, &FrontArea2,
                                     &FrontArea3};
    for (const AvailabilityEntry* list : AvailabilityLists) {
        std::set<const SettingRecord*> named;
        for (const AvailabilityEntry* entry = list; entry->record != nullptr; ++entry) {
            EXPECT_TRUE(named.insert(entry->record).second) << "a setting named twice";
        }
        for (SettingRecord* record : common) EXPECT_EQ(named.count(record), 1u);
    }
}

std::vector<int> ResolutionWholes() {
    std::vector<int> values;
    const CapabilityEnumFix32& choices = CapabilityState.resolution.supported;
    for (TW_UINT32 i = 0; i < choices.numItems; ++i) values.push_back(choices.items[i].Whole);
    return values;
}

TEST(ApplyModel, SetsThePaperClassBoundsResolutionsAndPixelTypes) {
    struct Case {
        const char* model;
        const char* mechaGray;
        uint8_t family, duplex, generation;
        int32_t maxWidth, maxLength;
        uint8_t b4, a3, ledger;
        std::vector<int> resolutions;
        TW_UINT32 resolutionIndex;
        TW_UINT32 pixelTypes;
        uint8_t smooth;  // "Smooth" and "None" of the emphasis lists
    };
    const Case cases[] = {
        {"ZR-DX83", "OFF", 0, 1, 0, 256, 364, 1, 0, 0, {100, 150, 200}, 2, 1, 0},
        {"ZR-DX83", "ON", 0, 1, 0, 256, 364, 1, 0, 0, {100, 150, 200}, 2, 2, 0},
        {"ZR-DX72", "OFF", 1, 0, 0, 216, 355, 0, 0, 0, {150, 200, 240, 300}, 3, 1, 0},
        {"ZR-DX40", "OFF", 1, 0, 1, 216, 431, 0, 0, 0, {150, 200, 240, 300}, 3, 2, 1},
        {"ZR-DXB600", "OFF", 0, 1, 1, 256, 431, 1, 0, 0, {100, 150, 200}, 2, 2, 1},
        {"ZR-DX961s", "OFF", 2, 1, 8, 297, 431, 1, 1, 1,
         {100, 150, 200, 240, 300, 360, 400}, 4, 2, 1},
    };
    for (const Case& c : cases) {
        ResetCapabilityState();
        ResetSettingsModelState();
        ASSERT_EQ(IdentifyModel(c.model, c.mechaGray), 1) << c.model;
        SCOPED_TRACE(std::string(c.model) + " Gray=" + c.mechaGray);
        EXPECT_EQ(ModelFamily, c.family);
        EXPECT_EQ(DuplexCapable, c.duplex);
        EXPECT_EQ(ModelGeneration, c.generation);
        EXPECT_EQ(MinPageWidth, 55);
        EXPECT_EQ(MinPageLength, 70);
        EXPECT_EQ(MaxPageWidth, c.maxWidth);
        EXPECT_EQ(MaxPageLength, c.maxLength);
        EXPECT_EQ(PaperSizeList[7].supported, c.b4);
        EXPECT_EQ(PaperSizeList[3].supported, c.a3);
        EXPECT_EQ(PaperSizeList[2].supported, c.ledger);
        EXPECT_EQ(ResolutionWholes(), c.resolutions);
        EXPECT_EQ(CapabilityState.resolution.current.numItems, c.resolutions.size());
        EXPECT_EQ(CapabilityState.resolution.current.currentIndex, c.resolutionIndex);
        EXPECT_EQ(CapabilityState.resolution.current.defaultIndex, c.resolutionIndex);
        EXPECT_EQ(CapabilityState.pixelType.current.numItems, c.pixelTypes);
        EXPECT_EQ(CapabilityState.pixelType.supported.numItems, c.pixelTypes);
        for (const OptionItem* list : {FrontEmphasisList, BackEmphasisList}) {
            EXPECT_EQ(list[0].supported, c.smooth);
            EXPECT_EQ(list[1].supported, c.smooth);
            EXPECT_EQ(list[2].supported, 1);
        }
    }
}

TEST(ApplyModel, WritesTheOfferedFlagsOfTheModelsList) {
    ASSERT_EQ(IdentifyModel("ZR-DX40"), 1);
    EXPECT_EQ(BackBrightness.offered, 1);
    EXPECT_EQ(SideMode.offered, 0);
    EXPECT_EQ(BackSide.offered, 0);
    EXPECT_EQ(PaperDetect.offered, 0);
    EXPECT_EQ(DoubleFeed.offered, 0);

    ASSERT_EQ(IdentifyModel("ZR-DX961s"), 1);
    for (SettingRecord* record : {&DoubleFeed, &ManualFeed, &ManualFeedKey, &ManualTimeout,
                                  &EndorserEnable, &EndorserString, &EndorserStart,
                                  &EndorserStep, &EndorserOffset, &SideMode, &PaperDetect}) {
        EXPECT_EQ(record->offered, 1);
    }
    EXPECT_EQ(Mirror.offered, 0);

    ASSERT_EQ(IdentifyModel("ZR-DX83"), 1);
    EXPECT_EQ(FrontContrast.offered, 0);
    EXPECT_EQ(BackArea2.offered, 1);
    EXPECT_EQ(BackArea3.offered, 0);
    EXPECT_EQ(Mirror.offered, 1);
    // Not named by list G: kept from the previous model.
    EXPECT_EQ(DoubleFeed.offered, 1);
}

TEST(ApplyModel, AnUnknownNameChangesNothing) {
    ASSERT_EQ(IdentifyModel("ZR-DX41"), 1);
    const CapabilityStateRecord capabilities = CapabilityState;
    OptionItem paper[kPaperSizeItems + 1];
    std::memcpy(paper, PaperSizeList, sizeof paper);
    const uint8_t sideOffered = SideMode.offered;
    for (const char* name : {"", "ZR-DX9", "ZR-DX83 ", "zr-dx83", "ZR-DX961s2"}) {
        EXPECT_EQ(IdentifyModel(name), 0) << '"' << name << '"';
        EXPECT_EQ(ModelFamily, 1);
        EXPECT_EQ(ModelGeneration, 1);
        EXPECT_EQ(MaxPageWidth, 216);
        EXPECT_EQ(SideMode.offered, sideOffered);
        EXPECT_EQ(std::memcmp(paper, PaperSizeList, sizeof paper), 0);
        EXPECT_EQ(std::memcmp(&capabilities, &CapabilityState, sizeof capabilities), 0);
    }
}

TEST(ModelCaps, RoundingAndCapsOfTheDefaultAndDetectedPage) {
    ASSERT_EQ(IdentifyModel("ZR-DX961"), 1);
    // A4 at 300 DPI: 2480 pixels round up to 2496.
    EXPECT_EQ(RoundPageWidth(9922, 300), 9984u);
    EXPECT_EQ(CapPageWidth(9984, 300), 9984u);

    ASSERT_EQ(IdentifyModel("ZR-DX73PX"), 1);  // generation 1, letter width
    // Legal at 200 DPI: 10368 exceeds 10240 and becomes 1696 pixels.
    EXPECT_EQ(RoundPageWidth(10200, 200), 10368u);
    EXPECT_EQ(CapPageWidth(10368, 200), 10176u);
    EXPECT_EQ(CapPageLength(16800, 0), 16800u);

    ASSERT_EQ(IdentifyModel("ZR-DX82"), 1);  // generation 0, B4 width
    EXPECT_EQ(CapPageLength(17197, 0), 17196u);
    EXPECT_EQ(CapPageLength(17197, 1), 17197u);
    EXPECT_EQ(CurrentModelCaps().widthLimit, 12094u);

    ASSERT_EQ(IdentifyModel("ZR-DX72"), 1);  // generation 0, letter width
    EXPECT_EQ(CurrentModelCaps().widthLimit, 10240u);
    EXPECT_EQ(CapPageLength(20000, 1), 16800u);
}

TEST(ModelCaps, MillimetresAndExtremeWidthsStayInRange) {
    EXPECT_EQ(MillimetresToDots(100), 4724u);
    EXPECT_EQ(MillimetresToDots(150), 7086u);
    EXPECT_EQ(MillimetresToDots(0), 0u);
    EXPECT_EQ(MillimetresToDots(-5), 0u);
    EXPECT_EQ(MillimetresToDots(INT32_MAX), UINT32_MAX);  // saturates, no overflow
    EXPECT_EQ(RoundPageWidth(UINT32_MAX, 400), UINT32_MAX);
    EXPECT_EQ(RoundPageWidth(1000, 0), 1000u);
    ASSERT_EQ(IdentifyModel("ZR-DX961"), 1);
    EXPECT_EQ(CapPageWidth(UINT32_MAX, 400), 14016u);  // 4688 pixels cut to 4672
}

TEST(StandardPaperTable, FindsRowsByIndexAndByScannerCode) {
    ASSERT_EQ(StandardPaperTable[kStandardPaperRows].index, kPaperTableEnd);
    ASSERT_EQ(StandardPaperTable[kStandardPaperRows].scannerCode, kPaperTableEnd);
    std::set<int> codes;
    for (int row = 0; row < kStandardPaperRows; ++row) {
        EXPECT_EQ(StandardPaperTable[row].index, row);
        EXPECT_EQ(FindPaperByIndex(row), &StandardPaperTable[row]);
        codes.insert(StandardPaperTable[row].scannerCode);
    }
    EXPECT_EQ(codes.size(), static_cast<size_t>(kStandardPaperRows));
    EXPECT_EQ(FindPaperByIndex(11), nullptr);
    EXPECT_EQ(FindPaperByIndex(255), nullptr);
    EXPECT_EQ(FindPaperByScannerCode(4).width, 9922u);
    EXPECT_EQ(FindPaperByScannerCode(12).length, 17197u);
    EXPECT_EQ(FindPaperByScannerCode(9).index, 0) << "an unknown code is Letter";
    EXPECT_EQ(FindPaperByScannerCode(255).index, 0);
}

}  // namespace
