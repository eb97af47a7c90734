// BuildScanWindow and the page-size helpers: the settings or the negotiated
// capabilities become the scan window, the sub-area windows, the scan job's
// page and side flags and the layout frame.
#include "scanner/scan_window_builder.h"

#include <cstring>

#include "platform/dialogs.h"
#include "scanner/discovery.h"
#include "scanner/model_caps.h"
#include "scanner/model_table.h"
#include "scanner/scan_window.h"
#include "scanner/scanner_messages.h"
#include "scanner/scsi_commands.h"
#include "settings/capability_container.h"
#include "settings/capability_state.h"
#include "settings/settings_file.h"
#include "settings/settings_model.h"
#include "transfer/paper_table.h"
#include "transfer/scan_job.h"
#include "twain/identity.h"
#include "twain/image_layout.h"
#include "twain/user_interface.h"
#include "ui/side_choice_dialog.h"

// Columns: composition, pattern. Rows: "None (Binary)", "Bayer Dither 64",
// "Bayer Dither 16", "Halftone Dot 32", "Halftone Dot 64", "Error Diffusion".
const HalftoneCodeRow HalftoneCodeTable[kHalftoneCodeRows] = {
    {0, 0},
    {1, 0},
    {1, 1},
    {1, 2},
    {1, 3},
    {1, 4},
};

// Columns: code on generation not 0, code on generation 0. Rows: "Smooth",
// "None", "Low", "Medium", "High".
const EmphasisCodeRow EmphasisCodeTable[kEmphasisCodeRows] = {
    {0x80, 0x50},
    {0x00, 0x50},
    {0x01, 0x80},
    {0x30, 0x00},
    {0x50, 0x50},
};

namespace {

constexpr uint32_t kDotsPerInch = 1200;
constexpr uint8_t kFlagOn = 0x80;
constexpr uint8_t kGrayComposition = 2;
constexpr uint8_t kDoubleFeedOn = 0x10;
constexpr uint8_t kManualFeedByKey = 0x80;
constexpr uint8_t kManualFeedWithoutKey = 0x40;
constexpr uint8_t kFirstManualFeedGeneration = 8;

constexpr const char* kSubBoxSection = "SubBox";
constexpr uint32_t kSubBoxUiSize = 18;  // at most 17 characters

bool TextIs(const SettingRecord& record, const char* text) {
    return std::strncmp(record.text, text, kSettingTextSize) == 0;
}

// A setting whose controls the dialog left enabled and whose text is "ON".
bool SwitchedOn(const SettingRecord& record) { return !record.disabled && TextIs(record, "ON"); }

template <typename Enum>
auto CurrentItem(const Enum& choices) {
    return choices.items[choices.currentIndex < Enum::kSlots ? choices.currentIndex : 0];
}

// Inches of a length in 1/1200 inch, from its low 16 bits.
TW_FIX32 InchesOf(uint32_t dots) {
    return FloatToFix32(static_cast<float>(dots & 0xFFFFu) / static_cast<float>(kDotsPerInch));
}

// 1/1200 inch of a frame edge in inches, the fraction cut; edges left of the
// page's origin give 0.
uint32_t DotsOfFrameEdge(TW_FIX32 inches) {
    double dots = static_cast<double>(Fix32ToFloat(inches)) * kDotsPerInch;
    if (dots <= 0) return 0;
    return dots >= 4294967295.0 ? UINT32_MAX : static_cast<uint32_t>(dots);
}

struct BuildContext {
    plat::WindowHandle owner;
    bool dialogDriven;  // the settings model, not the capabilities, decides
    uint32_t dotsPerInch;
};

void SetImageType(const BuildContext& build) {
    uint8_t composition = kGrayComposition;
    uint8_t bits = 8;
    if (build.dialogDriven) {
        switch (FindOptionIndex(ImageType, ImageTypeList)) {
            case 0:
                composition = 0;
                bits = 1;
                break;
            case 1:
                bits = 4;
                break;
            default:
                break;
        }
    } else if (CurrentItem(CapabilityState.pixelType.current) == TWPT_BW) {
        composition = 0;
        bits = 1;
    } else if (CurrentItem(CapabilityState.bitDepth.current) != 8) {
        bits = 4;
    }
    ScanWindow.composition = composition;
    ScanWindow.backComposition = composition;
    ScanWindow.bitsPerPixel = bits;
}

// The page before detection: the chosen paper with the dialog, else the
// application's layout frame.
void SetPageFromSettingsOrFrame(const BuildContext& build) {
    uint32_t width = 0;
    uint32_t length = 0;
    if (ShowUIFlag == 1) {
        PaperSizeOfIndex(FindPaperSizeIndex(), &width, &length);
    } else {
        width = DotsOfFrameEdge(LayoutFrame.Right);
        length = DotsOfFrameEdge(LayoutFrame.Bottom);
    }
    StorePageSize(width, length, build.dotsPerInch, 0);
}

const HalftoneCodeRow& HalftoneCodeOf(const SettingRecord& setting, const OptionItem* list) {
    unsigned index = FindOptionIndex(setting, list);
    return HalftoneCodeTable[index < kHalftoneCodeRows ? index : 0];
}

void SetHalftone(const SettingRecord& setting, const OptionItem* list, bool dialogDriven,
                 uint8_t& composition, uint32_t& pattern) {
    if (setting.disabled || !dialogDriven) {
        pattern = 0;
        return;
    }
    const HalftoneCodeRow& row = HalftoneCodeOf(setting, list);
    composition = row.composition;
    pattern = row.pattern;
}

// Paper size detection; answers 0 after telling the user why it failed.
int DetectPaperSize(const BuildContext& build) {
    ClearWindows(ScsiTarget);
    if (ReadScannerStatus(ScsiTarget, ScannerStatus) != kScsiGood) {
        ShowScannerMessage(build.owner, SenseSnapshot.senseKey, SenseSnapshot.asc,
                           SenseSnapshot.ascq);
        SendVendorE1(ScsiTarget);
        return 0;
    }
    bool manualFeedInEffect = !ManualFeed.disabled && !TextIs(ManualFeed, "OFF");
    if (!manualFeedInEffect && ScannerStatus.paperPresent == 0) {
        ShowScannerMessage(build.owner, kSourceMessageKey, kSourceGroup, 0x00);
        SendVendorE1(ScsiTarget);
        return 0;
    }
    const PaperRow& paper = FindPaperByScannerCode(ScannerStatus.paperSizeCode);
    StorePageSize(paper.width, paper.length, build.dotsPerInch, 1);
    return 1;
}

void SetFeederOptions(const BuildContext& build) {
    const bool dialog = build.dialogDriven;
    ScanWindow.mirror = dialog && SwitchedOn(Mirror) ? kFlagOn : 0;
    TW_UINT16 compression = CurrentItem(CapabilityState.compression.current);
    ScanWindow.reverseImage = compression != TWCP_NONE && TextIs(Reverse, "ON") ? kFlagOn : 0;
    ScanWindow.autoSeparation = dialog && SwitchedOn(AutoSeparation) ? kFlagOn : 0;
    if (ModelGeneration >= kFirstManualFeedGeneration) {
        ScanWindow.doubleFeed = dialog && SwitchedOn(DoubleFeed) ? kDoubleFeedOn : 0;
        ScanWindow.manualFeed = 0;
        if (dialog && SwitchedOn(ManualFeed)) {
            ScanWindow.manualFeed = TextIs(ManualFeedKey, "ON") ? kManualFeedByKey : kManualFeedWithoutKey;
        }
    }
}

// The list index of a setting the dialog decides, or -1 when the setting is
// disabled or the capabilities decide.
int DialogChoice(const SettingRecord& setting, const OptionItem* list, bool dialogDriven) {
    if (setting.disabled || !dialogDriven) return -1;
    return FindOptionIndex(setting, list);
}

void SetImageProcessing(const BuildContext& build) {
    static constexpr uint8_t kAutoThresholdCodes[] = {0x00, 0x80, 0x81};
    static constexpr uint8_t kWhiteLevelCodes[] = {0x00, 0x80};
    constexpr int kLastNoiseIndex = 5;

    int choice = DialogChoice(AutoThreshold, AutoThresholdList, build.dialogDriven);
    ScanWindow.autoThreshold = choice < 0 ? 0 : choice < 3 ? kAutoThresholdCodes[choice] : 0x82;
    choice = DialogChoice(WhiteLevel, WhiteLevelList, build.dialogDriven);
    ScanWindow.whiteLevel = choice < 0 ? 0 : choice < 2 ? kWhiteLevelCodes[choice] : 0x81;
    choice = DialogChoice(Gamma, GammaList, build.dialogDriven);
    ScanWindow.gamma = choice <= 0 ? 0 : 1;
    choice = DialogChoice(NoiseReduction, NoiseReductionList, build.dialogDriven);
    ScanWindow.noiseReduction =
        static_cast<uint8_t>(choice < 0 ? 0 : choice < kLastNoiseIndex ? choice : kLastNoiseIndex);
}

uint8_t EmphasisCode(const SettingRecord& setting, const OptionItem* list, bool dialogDriven) {
    EmphasisCodeRow row = kEmphasisDisabled;
    if (!setting.disabled) {
        unsigned index = FindOptionIndex(setting, list);
        row = !dialogDriven ? kEmphasisCapabilityDriven
              : index < kEmphasisCodeRows ? EmphasisCodeTable[index]
                                          : kEmphasisDisabled;
    }
    return ModelGeneration != 0 ? row.laterGeneration : row.generation0;
}

// One sub-area: millimetres to 1/1200 inch, cut to the page; all zero when it
// is off, starts beyond the page, or the scan has no dialog.
SubArea BuildSubArea(const SettingRecord& setting, const SubAreaRect& rect, bool dialogDriven) {
    SubArea area{MillimetresToDots(rect.x), MillimetresToDots(rect.y), MillimetresToDots(rect.w),
                 MillimetresToDots(rect.l)};
    const uint32_t pageWidth = ScanWindow.width;
    const uint32_t pageLength = ScanWindow.length;
    if (!SwitchedOn(setting) || area.left > pageWidth || area.top > pageLength || !dialogDriven) {
        return SubArea{0, 0, 0, 0};
    }
    if (static_cast<uint64_t>(area.left) + area.width > pageWidth) area.width = pageWidth - area.left;
    if (static_cast<uint64_t>(area.top) + area.length > pageLength) area.length = pageLength - area.top;
    return area;
}

void SetSubAreas(const BuildContext& build) {
    SettingRecord* const frontSwitches[kSubAreaCount] = {&FrontArea1, &FrontArea2, &FrontArea3};
    SettingRecord* const backSwitches[kSubAreaCount] = {&BackArea1, &BackArea2, &BackArea3};
    for (int i = 0; i < kSubAreaCount; ++i) {
        SubAreaWindow[kFrontSubArea].areas[i] =
            BuildSubArea(*frontSwitches[i], ScanValues.frontAreas[i], build.dialogDriven);
    }
    for (int i = 0; i < kSubAreaCount; ++i) {
        SubAreaWindow[kBackSubArea].areas[i] =
            BuildSubArea(*backSwitches[i], ScanValues.backAreas[i], build.dialogDriven);
    }
    if (ScanWindow.composition == kGrayComposition) return;
    const HalftoneCodeRow& front = HalftoneCodeOf(FrontSubAreaHalftone, FrontSubAreaHalftoneList);
    const HalftoneCodeRow& back = HalftoneCodeOf(BackSubAreaHalftone, BackSubAreaHalftoneList);
    SubAreaWindow[kFrontSubArea].composition = front.composition;
    SubAreaWindow[kFrontSubArea].halftonePattern = front.pattern;
    SubAreaWindow[kBackSubArea].composition = back.composition;
    SubAreaWindow[kBackSubArea].halftonePattern = back.pattern;
}

void SetPageMode(uint8_t mode) {
    ScanWindow.pageMode = mode;
    ScanJob.allPages = mode;
}

// Asks for the side with the chooser, remembering the answer in "SubBox".
void ChooseSide() {
    plat::ProfileGetString(kSubBoxSection, "Side", "Simplex", SideMode.text, kSettingTextSize,
                           kSettingsFileName);
    plat::RunModalDialog(kSideChoiceTemplate, ParentWindow, SideChoiceProc, 0);
    plat::ProfileWriteString(kSubBoxSection, "Side", SideMode.text, kSettingsFileName);
}

// Page mode and duplex: the dialog's choices, or the transfer count with the
// chooser or the custom capabilities without it.
void SetPagesAndSides() {
    const TW_INT16 count = CapabilityState.xferCount;
    if (ShowUIFlag == 1) {
        SetPageMode(TextIs(PageMode, "1 Page") ? 0x00 : kFlagAll);
        ScanJob.duplex = TextIs(SideMode, "Simplex") ? 0 : kFlagAll;
        return;
    }
    SetPageMode(count == 1 ? 0x00 : kFlagAll);
    ScanJob.duplex = 0;
    if (count == 1 || DuplexCapable == 0) return;

    char ui[kSubBoxUiSize];
    plat::ProfileGetString(kSubBoxSection, "UI", "ON", ui, sizeof ui, kSettingsFileName);
    if (std::strcmp(ui, "ON") == 0 && CapabilityState.custom8123 != 0) {
        ChooseSide();
        ScanJob.duplex = TextIs(SideMode, "Simplex") ? 0 : kFlagAll;
        if (ScanJob.duplex != 0 && count == 2) SetPageMode(0x00);
    } else if (CapabilityState.custom8124 != 0) {
        ScanJob.duplex = kFlagAll;
        SetPageMode(count == 2 ? 0x00 : kFlagAll);
    }
}

// Brightness and threshold: 255 - value, never 0; contrast: the value with 0
// sent as 1 and 128 as 0.
void SetLevels(const SettingRecord& brightness, int32_t brightnessValue, const SettingRecord& contrast,
               int32_t contrastValue, uint8_t& brightnessOut, uint8_t& thresholdOut, uint8_t& contrastOut) {
    uint8_t level = 0;
    if (!brightness.disabled) {
        level = static_cast<uint8_t>(~static_cast<uint32_t>(brightnessValue) & 0xFFu);
        if (level == 0) level = 1;
    }
    brightnessOut = level;
    thresholdOut = level;
    uint8_t contrastLevel = 0;
    if (!contrast.disabled) {
        contrastLevel = static_cast<uint8_t>(static_cast<uint32_t>(contrastValue) & 0xFFu);
        if (contrastLevel == 0) {
            contrastLevel = 1;
        } else if (contrastLevel == 128) {
            contrastLevel = 0;
        }
    }
    contrastOut = contrastLevel;
}

}  // namespace

uint32_t CurrentResolutionDpi() {
    const CapabilityEnumFix32& choices = CapabilityState.resolution.current;
    if (choices.currentIndex >= choices.numItems || choices.currentIndex >= choices.kSlots) return 0;
    TW_INT16 whole = choices.items[choices.currentIndex].Whole;
    return whole > 0 ? static_cast<uint32_t>(whole) : 0;
}

void PaperSizeOfIndex(int paperSizeIndex, uint32_t* width, uint32_t* length) {
    const PaperRow* paper = FindPaperByIndex(paperSizeIndex);
    if (paper == nullptr &&
        (paperSizeIndex < kFirstFreeSizeIndex || paperSizeIndex >= kFirstFreeSizeIndex + kFreeSizeSlots)) {
        paper = &StandardPaperTable[0];
    }
    if (paper != nullptr) {
        *width = paper->width;
        *length = paper->length;
        return;
    }
    const FreeSize& size = FreeSizeTable[paperSizeIndex - kFirstFreeSizeIndex];
    *width = MillimetresToDots(size.width);
    *length = MillimetresToDots(size.length);
}

void StorePageSize(uint32_t width, uint32_t length, uint32_t dotsPerInch, int detected) {
    width = CapPageWidth(RoundPageWidth(width, dotsPerInch), dotsPerInch);
    length = CapPageLength(length, detected);
    ScanWindow.paperWidth = width;
    ScanWindow.paperLength = length;
    ScanWindow.width = width;
    ScanWindow.length = length;
    LayoutFrame.Right = InchesOf(width);
    LayoutFrame.Bottom = InchesOf(length);
}

int BuildScanWindow(plat::WindowHandle owner) {
    BuildContext build{owner, ShowUIFlag == 1 || LegacyHostFlag == 1, 0};
    SetImageType(build);

    build.dotsPerInch = build.dialogDriven
                            ? static_cast<uint32_t>(ResolutionDpi(FindOptionIndex(Resolution, ResolutionList)))
                            : CurrentResolutionDpi();
    ScanWindow.xResolution = build.dotsPerInch;
    ScanWindow.yResolution = build.dotsPerInch;

    SetPageFromSettingsOrFrame(build);
    SetHalftone(FrontHalftone, FrontHalftoneList, build.dialogDriven, ScanWindow.composition,
                ScanWindow.halftonePattern);
    SetHalftone(BackHalftone, BackHalftoneList, build.dialogDriven, ScanWindow.backComposition,
                ScanWindow.backHalftonePattern);
    if (build.dialogDriven && SwitchedOn(PaperDetect) && !DetectPaperSize(build)) return 0;

    SetFeederOptions(build);
    SetImageProcessing(build);
    ScanWindow.emphasis = EmphasisCode(FrontEmphasis, FrontEmphasisList, build.dialogDriven);
    ScanWindow.backEmphasis = EmphasisCode(BackEmphasis, BackEmphasisList, build.dialogDriven);
    SetSubAreas(build);
    SetPagesAndSides();
    SetLevels(FrontBrightness, ScanValues.levels[kLevelFrontBrightness], FrontContrast,
              ScanValues.levels[kLevelFrontContrast], ScanWindow.brightness, ScanWindow.threshold,
              ScanWindow.contrast);
    SetLevels(BackBrightness, ScanValues.levels[kLevelBackBrightness], BackContrast,
              ScanValues.levels[kLevelBackContrast], ScanWindow.backBrightness, ScanWindow.backThreshold,
              ScanWindow.backContrast);
    return 1;
}
