// The settings model: option lists and their texts, the lookups, the halftone
// exclusion table, the availability refresh, the control enabling and the
// synchronisation of the capability indices.
#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "platform/dialogs.h"
#include "platform/platform.h"
#include "scanner/model_table.h"
#include "settings/capability_state.h"
#include "settings/settings_model.h"
#include "settings_test_support.h"
#include "twain/identity.h"

namespace {

using settings_test::IdentifyModel;
using settings_test::SetText;

std::vector<std::string> ListTexts(const OptionItem* list) {
    std::vector<std::string> texts;
    for (int i = 0; list[i].stringId != 0; ++i) {
        char text[kSettingTextSize] = "";
        plat::LoadResString(list[i].stringId, text, sizeof text);
        texts.emplace_back(text);
    }
    return texts;
}

std::vector<int> SupportedFlags(const OptionItem* list) {
    std::vector<int> flags;
    for (int i = 0; list[i].stringId != 0; ++i) flags.push_back(list[i].supported);
    return flags;
}

// Every list in order, with its texts as the dialogs and the settings file use them.
TEST(OptionLists, HoldTheirChoicesInOrderWithTheStringTableTexts) {
    struct Case {
        const OptionItem* list;
        std::vector<std::string> texts;
    };
    const std::vector<std::string> halftones = {"None (Binary)",   "Bayer Dither 64",
                                                "Bayer Dither 16", "Halftone Dot 32",
                                                "Halftone Dot 64", "Error Diffusion"};
    const std::vector<std::string> emphasis = {"Smooth", "None", "Low", "Medium", "High"};
    const Case cases[] = {
        {ImageTypeList, {"Black & White", "Gray Scale 4 bit", "Gray Scale 8 bit"}},
        {ResolutionList,
         {"400 DPI", "360 DPI", "300 DPI", "240 DPI", "200 DPI", "150 DPI", "100 DPI"}},
        {PaperSizeList,
         {"Letter", "Legal", "Ledger", "A3", "A4", "A5", "A6", "B4", "B5", "B6", "Business Card"}},
        {AutoThresholdList, {"None", "Mode 1", "Mode 2", "Mode 3"}},
        {WhiteLevelList, {"From White Stick", "From Paper", "Automatic"}},
        {GammaList, {"Normal", "For CRT"}},
        {NoiseReductionList, {"None", "1x1", "2x2", "3x3", "4x4", "5x5"}},
        {FrontEmphasisList, emphasis},
        {BackEmphasisList, emphasis},
        {FrontHalftoneList, halftones},
        {BackHalftoneList, halftones},
        {FrontSubAreaHalftoneList, halftones},
        {BackSubAreaHalftoneList, halftones},
    };
    for (const Case& c : cases) EXPECT_EQ(ListTexts(c.list), c.texts);
}

TEST(OptionLists, LoadStateRestoresListsChangedInPlace) {
    ASSERT_EQ(IdentifyModel("ZR-DX83"), 1);
    ASSERT_EQ(FrontEmphasisList[0].supported, 0);
    ApplyHalftoneExclusion(0x000002, BackHalftoneList);
    ResetSettingsModelState();
    EXPECT_EQ(FrontEmphasisList[0].supported, 1);
    EXPECT_EQ(BackHalftoneList[1].enabled, 1);
}

TEST(FindOptionIndex, MatchesWholeTextsAndFallsBackToTheFirstItem) {
    struct Case {
        const char* text;
        const OptionItem* list;
        int expected;
    };
    const Case cases[] = {
        {"", ImageTypeList, 0},
        {"", ResolutionList, 0},  // an empty resolution scans at 400 DPI
        {"", AutoThresholdList, 0},
        {"", FrontEmphasisList, 0},  // "Smooth"
        {"Gray Scale 8 bit", ImageTypeList, 2},
        {"Gray Scale 4 bit", ImageTypeList, 1},
        {"gray scale 8 bit", ImageTypeList, 0},  // case matters
        {"Gray Scale 8", ImageTypeList, 0},      // a prefix names nothing
        {"300 DPI", ResolutionList, 2},
        {"100 DPI", ResolutionList, 6},  // not supported, still found
        {"Medium", FrontEmphasisList, 3},
        {"Error Diffusion", BackSubAreaHalftoneList, 5},
        {"5x5", NoiseReductionList, 5},
        {"Ledger", PaperSizeList, 2},
    };
    for (const Case& c : cases) {
        SettingRecord record{};
        SetText(record, c.text);
        EXPECT_EQ(FindOptionIndex(record, c.list), c.expected) << '"' << c.text << '"';
    }
}

TEST(FindOptionIndex, ReadsNoFurtherThanTheRecordOnAnUnterminatedText) {
    SettingRecord record{};
    std::memset(record.text, 'A', sizeof record.text);
    EXPECT_EQ(FindOptionIndex(record, PaperSizeList), 0);
}

TEST(FindPaperSizeIndex, StandardSizesThenFreeSizesInSlotOrder) {
    std::strcpy(FreeSizeTable[0].name, "Cheque");
    std::strcpy(FreeSizeTable[3].name, "Legal");  // shadowed by the standard size
    std::strcpy(FreeSizeTable[4].name, "Slip");
    std::strcpy(FreeSizeTable[7].name, "Slip");  // the first slot of a name wins
    std::strcpy(FreeSizeTable[9].name, "Last");
    struct Case {
        const char* text;
        int expected;
    };
    const Case cases[] = {
        {"Letter", 0}, {"A3", 3},        {"A4", 4},     {"Business Card", 10},
        {"Legal", 1},  {"Cheque", 11},   {"Slip", 15},  {"Last", 20},
        {"", 0},       {"Unknown", 0},   {"cheque", 0},
    };
    for (const Case& c : cases) {
        SetText(PaperSize, c.text);
        EXPECT_EQ(FindPaperSizeIndex(), c.expected) << '"' << c.text << '"';
    }
}

// Unused slots have empty names and no size; an empty paper size text (the
// key was missing) gives Letter rather than such a slot.
TEST(FindPaperSizeIndex, AnEmptyTextIsLetterNotAnUnusedSlot) {
    std::strcpy(FreeSizeTable[0].name, "Used");
    SetText(PaperSize, "");
    EXPECT_EQ(FindPaperSizeIndex(), 0);
}

// Every key of three halftone indices 0..5: a row exists exactly when all
// non-zero indices are the same pattern k, and it allows 0 and k (all six for
// the key 0).
TEST(HalftoneExclusionTable, HoldsARowForEveryKeyOfOnePatternOnly) {
    int rows = 0;
    for (uint32_t a = 0; a < 6; ++a) {
        for (uint32_t b = 0; b < 6; ++b) {
            for (uint32_t c = 0; c < 6; ++c) {
                uint32_t key = a + 256 * b + 65536 * c;
                std::set<uint32_t> patterns;
                for (uint32_t index : {a, b, c}) {
                    if (index != 0) patterns.insert(index);
                }
                const HalftoneExclusionRow* row = FindHalftoneExclusion(key);
                if (patterns.size() > 1) {
                    EXPECT_EQ(row, nullptr) << std::hex << key;
                    continue;
                }
                ASSERT_NE(row, nullptr) << std::hex << key;
                ++rows;
                std::vector<int> allowed;
                for (uint8_t index : row->allowed) {
                    if (index == kHalftoneIndexEnd) break;
                    allowed.push_back(index);
                }
                if (patterns.empty()) {
                    EXPECT_EQ(allowed, (std::vector<int>{0, 1, 2, 3, 4, 5}));
                } else {
                    EXPECT_EQ(allowed, (std::vector<int>{0, static_cast<int>(*patterns.begin())}))
                        << std::hex << key;
                }
            }
        }
    }
    EXPECT_EQ(rows, kHalftoneExclusionRows);
    EXPECT_EQ(HalftoneExclusionTable[kHalftoneExclusionRows].key, kHalftoneKeyEnd);
    EXPECT_EQ(FindHalftoneExclusion(kHalftoneKeyEnd), nullptr);
}

TEST(HalftoneExclusion, AMatchRestrictsTheListAndAMixedKeyLeavesItAlone) {
    ASSERT_EQ(ApplyHalftoneExclusion(0x000002, BackHalftoneList), 1);
    EXPECT_EQ(ListTexts(BackHalftoneList).size(), 6u);
    std::vector<int> enabled;
    for (int i = 0; i < kHalftoneItems; ++i) enabled.push_back(BackHalftoneList[i].enabled);
    EXPECT_EQ(enabled, (std::vector<int>{1, 0, 1, 0, 0, 0}));

    // Front at 2 and front sub-area at 3: no row, the previous offer stays.
    EXPECT_EQ(ApplyHalftoneExclusion(0x000302, BackHalftoneList), 0);
    for (int i = 0; i < kHalftoneItems; ++i) EXPECT_EQ(BackHalftoneList[i].enabled, enabled[i]);

    ASSERT_EQ(ApplyHalftoneExclusion(0, BackHalftoneList), 1);
    for (int i = 0; i < kHalftoneItems; ++i) EXPECT_EQ(BackHalftoneList[i].enabled, 1);
}

TEST(ControlDependencyTable, HasOneRowPerSettingWithTerminatedIds) {
    std::set<const SettingRecord*> records;
    for (const ControlDependencyRow& row : ControlDependencyTable) {
        ASSERT_NE(row.record, nullptr);
        records.insert(row.record);
        EXPECT_NE(row.controls[0], 0) << "a row without controls";
        EXPECT_EQ(row.controls[kMaxSettingControls - 1], 0) << "ids must end with 0";
    }
    EXPECT_EQ(records.size(), static_cast<size_t>(kControlDependencyRows));
    EXPECT_EQ(ControlDependencyTable[0].record, &PageMode);
    EXPECT_EQ(ControlDependencyTable[kControlDependencyRows - 1].record, &BackArea3);
}

TEST(EnableSettingControls, TheEffectiveStateNeedsAvailableOfferedAndRequested) {
    struct Case {
        uint8_t available;
        uint8_t offered;
        int requested;
        uint8_t disabled;
    };
    const Case cases[] = {
        {1, 1, 1, 0}, {1, 0, 1, 1}, {0, 1, 1, 1}, {1, 1, 0, 1}, {0, 0, 0, 1},
    };
    for (const Case& c : cases) {
        Mirror.available = c.available;
        Mirror.offered = c.offered;
        Mirror.disabled = 7;
        EnableSettingControls(nullptr, Mirror, c.requested);
        EXPECT_EQ(Mirror.disabled, c.disabled);
    }
}

TEST(EnableSettingControls, ARecordOutsideTheTableIsLeftAlone) {
    SettingRecord stray{};
    stray.disabled = 7;
    EnableSettingControls(nullptr, stray, 1);
    EXPECT_EQ(stray.disabled, 7);
}

TEST(EnableSettingControls, ASettingTheModelDoesNotOfferIsDisabled) {
    ASSERT_EQ(IdentifyModel("ZR-DX40"), 1);  // no back unit
    RefreshAvailability();
    EnableSettingControls(nullptr, BackHalftone, 1);
    EXPECT_EQ(BackHalftone.disabled, 1);
    EnableSettingControls(nullptr, BackBrightness, 1);  // offered on this model
    EXPECT_EQ(BackBrightness.disabled, 0);
}

TEST(RefreshAvailability, TransferCountOneDisablesPageAndSide) {
    struct Case {
        TW_INT16 xferCount;
        TW_BOOL feederEnabled;
        uint8_t available;
    };
    const Case cases[] = {{1, 1, 0}, {1, 0, 0}, {-1, 1, 1}, {-1, 0, 0}, {5, 1, 1}};
    for (const Case& c : cases) {
        CapabilityState.xferCount = c.xferCount;
        CapabilityState.feederEnabled = c.feederEnabled;
        RefreshAvailability();
        EXPECT_EQ(PageMode.available, c.available) << c.xferCount << ' ' << c.feederEnabled;
        EXPECT_EQ(SideMode.available, c.available);
    }
}

TEST(RefreshAvailability, LegacyHostLosesPaperDetection) {
    RefreshAvailability();
    EXPECT_EQ(PaperDetect.available, 1);
    LegacyHostFlag = 1;
    RefreshAvailability();
    EXPECT_EQ(PaperDetect.available, 0);
    EXPECT_EQ(Mirror.available, 1);
}

TEST(RefreshAvailability, TheGeneration8GroupOnlyOnGeneration8) {
    SettingRecord* const group[] = {&DoubleFeed,     &ManualFeed,     &ManualFeedKey,
                                    &ManualTimeout,  &EndorserEnable, &EndorserString,
                                    &EndorserStart,  &EndorserStep,   &EndorserOffset};
    ASSERT_EQ(IdentifyModel("ZR-DX73PX"), 1);
    RefreshAvailability();
    for (SettingRecord* record : group) EXPECT_EQ(record->available, 0);
    ASSERT_EQ(IdentifyModel("ZR-DX960"), 1);
    RefreshAvailability();
    for (SettingRecord* record : group) EXPECT_EQ(record->available, 1);
}

TEST(RefreshAvailability, ImageTypesFollowThePixelTypesAndTheGeneration) {
    struct Case {
        const char* model;
        const char* mechaGray;
        std::vector<int> supported;  // B&W, gray 4, gray 8
    };
    const Case cases[] = {
        {"ZR-DX83", "OFF", {1, 0, 0}},
        {"ZR-DX83", "ON", {1, 0, 1}},  // gray 4 bit never on generation 0
        {"ZR-DX41", "OFF", {1, 1, 1}},
        {"ZR-DX961", "OFF", {1, 1, 1}},
    };
    for (const Case& c : cases) {
        ResetCapabilityState();
        ASSERT_EQ(IdentifyModel(c.model, c.mechaGray), 1);
        RefreshAvailability();
        EXPECT_EQ(SupportedFlags(ImageTypeList), c.supported) << c.model << ' ' << c.mechaGray;
    }
}

TEST(RefreshAvailability, ResolutionItemsComeFromTheEnumeration) {
    struct Case {
        const char* model;
        std::vector<int> supported;  // 400, 360, 300, 240, 200, 150, 100
    };
    const Case cases[] = {
        {"ZR-DX83", {0, 0, 0, 0, 1, 1, 1}},
        {"ZR-DX41", {0, 0, 1, 1, 1, 1, 0}},
        {"ZR-DX961", {1, 1, 1, 1, 1, 1, 1}},
    };
    for (const Case& c : cases) {
        ResetCapabilityState();
        ASSERT_EQ(IdentifyModel(c.model), 1);
        RefreshAvailability();
        EXPECT_EQ(SupportedFlags(ResolutionList), c.supported) << c.model;
    }
    // An application that narrowed the enumeration narrows the list.
    CapabilityState.resolution.current.numItems = 2;  // 100, 150
    RefreshAvailability();
    EXPECT_EQ(SupportedFlags(ResolutionList), (std::vector<int>{0, 0, 0, 0, 0, 1, 1}));
}

TEST(SyncCapabilityIndices, PixelTypeBitDepthAndResolutionFollowTheTexts) {
    struct Case {
        const char* imageType;
        const char* resolution;
        TW_UINT32 pixelIndex;
        TW_UINT32 bitDepthIndex;
        TW_UINT32 resolutionIndex;
    };
    // Enumerations at load: pixel types BW, GRAY; bit depths 8, 4; resolutions
    // 100, 150, 200, 240, 300, 360, 400.
    const Case cases[] = {
        {"Black & White", "300 DPI", 0, 0, 4},
        {"Gray Scale 4 bit", "100 DPI", 1, 1, 0},
        {"Gray Scale 8 bit", "400 DPI", 1, 0, 6},
        {"", "", 0, 0, 6},  // empty texts are the first items: B&W and 400 DPI
    };
    for (const Case& c : cases) {
        SetText(ImageType, c.imageType);
        SetText(Resolution, c.resolution);
        SyncCapabilityIndices();
        EXPECT_EQ(CapabilityState.pixelType.current.currentIndex, c.pixelIndex) << c.imageType;
        EXPECT_EQ(CapabilityState.bitDepth.current.currentIndex, c.bitDepthIndex) << c.imageType;
        EXPECT_EQ(CapabilityState.resolution.current.currentIndex, c.resolutionIndex)
            << c.resolution;
    }
    EXPECT_EQ(ImageType.currentIndex, 0);
    EXPECT_EQ(Resolution.currentIndex, 0);
}

TEST(SyncCapabilityIndices, ValuesTheModelLacksSelectTheFirstItem) {
    ASSERT_EQ(IdentifyModel("ZR-DX83"), 1);  // B&W only; 100, 150, 200
    SetText(ImageType, "Gray Scale 8 bit");
    SetText(Resolution, "300 DPI");
    SyncCapabilityIndices();
    EXPECT_EQ(CapabilityState.pixelType.current.currentIndex, 0u);
    EXPECT_EQ(CapabilityState.resolution.current.currentIndex, 0u);
    // The supported copies are not touched.
    EXPECT_EQ(CapabilityState.resolution.supported.currentIndex, 2u);
}

TEST(SetDefaultSettings, DependOnThePaperClassAndLeaveTheGeneration8GroupAlone) {
    ASSERT_EQ(IdentifyModel("ZR-DX82"), 1);
    SetText(DoubleFeed, "ON");
    ScanValues.waitTimeout = 77;
    ScanValues.endorserStart = 5;
    SetDefaultSettings();
    EXPECT_STREQ(Resolution.text, "200 DPI");
    EXPECT_STREQ(PaperSize.text, "Letter");
    EXPECT_STREQ(ImageType.text, "Black & White");
    EXPECT_STREQ(FrontEmphasis.text, "Medium");
    EXPECT_STREQ(BackSubAreaHalftone.text, "None (Binary)");
    EXPECT_STREQ(WhiteLevel.text, "From White Stick");
    EXPECT_STREQ(SideMode.text, "Simplex");
    EXPECT_STREQ(DialogSideText, "Simplex");
    EXPECT_STREQ(BackArea3.text, "OFF");
    EXPECT_EQ(ScanValues.levels[kLevelBackContrast], 128);
    EXPECT_STREQ(DoubleFeed.text, "ON");
    EXPECT_EQ(ScanValues.waitTimeout, 77);
    EXPECT_EQ(ScanValues.endorserStart, 5u);

    ASSERT_EQ(IdentifyModel("ZR-DX960s"), 1);
    SetDefaultSettings();
    EXPECT_STREQ(Resolution.text, "300 DPI");
    EXPECT_STREQ(DoubleFeed.text, "OFF");
    EXPECT_STREQ(EndorserEnable.text, "OFF");
    EXPECT_EQ(ScanValues.waitTimeout, 10);
    EXPECT_EQ(ScanValues.endorserStart, 1u);
    EXPECT_EQ(ScanValues.endorserStep, 1);
    EXPECT_STREQ(FreeSizeDraft.name, "User");
    EXPECT_EQ(FreeSizeDraft.width, 216);
    EXPECT_EQ(FreeSizeDraft.length, 279);
}

}  // namespace

// The helpers on a real dialog: the main settings dialog built from its template.
class OnMainDialog : public ::testing::Test {
protected:
    static intptr_t PLAT_CALLBACK IgnoreMessages(plat::WindowHandle, uint32_t, uintptr_t,
                                                 intptr_t) {
        return 0;
    }
    void SetUp() override {
        dialog_ = plat::CreateModelessDialog("DC_SCANDLG", nullptr, IgnoreMessages, 0);
        ASSERT_NE(dialog_, nullptr);
    }
    void TearDown() override { plat::DestroyDialog(dialog_); }

    std::vector<std::string> ComboTexts(int id) {
        std::vector<std::string> texts;
        for (int i = 0; i < plat::ComboCount(dialog_, id); ++i) {
            char text[kSettingTextSize] = "";
            plat::ComboGetItemText(dialog_, id, i, text, sizeof text);
            texts.emplace_back(text);
        }
        return texts;
    }

    plat::WindowHandle dialog_ = nullptr;
};

TEST_F(OnMainDialog, FillOptionComboListsSupportedAndEnabledItemsOnly) {
    plat::ComboAddString(dialog_, 1021, "left over");
    ResolutionList[3].enabled = 0;
    FillOptionCombo(dialog_, 1021, ResolutionList);
    EXPECT_EQ(ComboTexts(1021), (std::vector<std::string>{"300 DPI", "200 DPI", "150 DPI"}));

    for (OptionItem* item = ImageTypeList; item->stringId != 0; ++item) item->supported = 0;
    FillOptionCombo(dialog_, 1020, ImageTypeList);
    EXPECT_EQ(plat::ComboCount(dialog_, 1020), 0);
}

TEST_F(OnMainDialog, EnableSettingControlsSwitchesEveryControlOfTheRow) {
    ASSERT_EQ(IdentifyModel("ZR-DX83"), 1);  // front contrast not offered
    RefreshAvailability();
    EnableSettingControls(dialog_, FrontBrightness, 1);
    EnableSettingControls(dialog_, FrontContrast, 1);
    for (int id : {1022, 1026, 1060, 1064, 1067, 1065, 1066}) {
        EXPECT_TRUE(plat::IsItemEnabled(dialog_, id)) << id;
    }
    for (int id : {1023, 1027, 1061, 1069, 1071, 1092, 1075}) {
        EXPECT_FALSE(plat::IsItemEnabled(dialog_, id)) << id;
    }
    EXPECT_EQ(FrontContrast.disabled, 1);

    EnableSettingControls(dialog_, FrontBrightness, 0);
    EXPECT_FALSE(plat::IsItemEnabled(dialog_, 1022));
    // Controls of other dialogs are skipped.
    DoubleFeed.available = DoubleFeed.offered = 1;
    EnableSettingControls(dialog_, DoubleFeed, 0);
    EXPECT_EQ(DoubleFeed.disabled, 1);
    EXPECT_EQ(plat::GetItem(dialog_, 1110), nullptr);
}
