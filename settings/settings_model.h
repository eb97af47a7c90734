// The scan settings model: one SettingRecord per user-visible setting, the
// option lists that give each list setting its choices, the numeric values
// beside them (ScanValues), the user's free paper sizes, the table of dialog
// controls per setting and the halftone exclusion table, with the lookups and
// helpers that the dialogs, the negotiation and the scan window builder share.
// Depends on the platform layer (strings, dialog items) and on the capability
// state and model values it reads; never on the dialogs themselves.
#pragma once

#include <cstdint>

#include "platform/platform.h"

// One setting. `text` holds the current choice as the dialogs show it.
struct SettingRecord {
    uint8_t available;     // the current connection allows it (RefreshAvailability)
    uint8_t offered;       // the connected model has it (ApplyModel)
    uint8_t disabled;      // its dialog controls are disabled (EnableSettingControls)
    uint8_t currentIndex;  // cache of the last lookup of `text` in its list
    char text[32];
};

constexpr int kSettingTextSize = 32;

// One choice of a list setting; a list ends with an item whose stringId is 0.
struct OptionItem {
    uint8_t supported;  // exists for this model and connection
    uint8_t enabled;    // may be picked now (cleared only by the halftone rule)
    uint16_t stringId;  // string table id of the choice's text
};

// ---- The setting records, in the order of the control dependency table ---------
extern SettingRecord PageMode;
extern SettingRecord SideMode;
extern SettingRecord ImageType;
extern SettingRecord Resolution;
extern SettingRecord PaperSize;
extern SettingRecord FrontHalftone;
extern SettingRecord BackHalftone;
extern SettingRecord FrontBrightness;
extern SettingRecord BackBrightness;
extern SettingRecord FrontContrast;
extern SettingRecord BackContrast;
extern SettingRecord FrontSubArea;
extern SettingRecord BackSubArea;
extern SettingRecord BackSide;
extern SettingRecord AutoThreshold;
extern SettingRecord Gamma;
extern SettingRecord WhiteLevel;
extern SettingRecord NoiseReduction;
extern SettingRecord FrontEmphasis;
extern SettingRecord BackEmphasis;
extern SettingRecord PaperDetect;
extern SettingRecord Mirror;
extern SettingRecord Reverse;
extern SettingRecord AutoSeparation;
extern SettingRecord DoubleFeed;
extern SettingRecord ManualFeed;
extern SettingRecord ManualFeedKey;
extern SettingRecord ManualTimeout;
extern SettingRecord EndorserEnable;
extern SettingRecord EndorserString;
extern SettingRecord EndorserStart;
extern SettingRecord EndorserStep;
extern SettingRecord EndorserOffset;
extern SettingRecord MoreBackSide;
extern SettingRecord FrontSubAreaHalftone;
extern SettingRecord FrontArea1;
extern SettingRecord FrontArea2;
extern SettingRecord FrontArea3;
extern SettingRecord BackSubAreaHalftone;
extern SettingRecord BackArea1;
extern SettingRecord BackArea2;
extern SettingRecord BackArea3;

// The side last chosen with the main dialog's Simplex/Duplex buttons.
extern char DialogSideText[kSettingTextSize];

// ---- Option lists (item counts without the terminating item) ---------------------
constexpr int kImageTypeItems = 3;
constexpr int kResolutionItems = 7;
constexpr int kPaperSizeItems = 11;
constexpr int kAutoThresholdItems = 4;
constexpr int kWhiteLevelItems = 3;
constexpr int kGammaItems = 2;
constexpr int kNoiseReductionItems = 6;
constexpr int kEmphasisItems = 5;
constexpr int kHalftoneItems = 6;

extern OptionItem ImageTypeList[kImageTypeItems + 1];
extern OptionItem ResolutionList[kResolutionItems + 1];
extern OptionItem PaperSizeList[kPaperSizeItems + 1];
extern OptionItem AutoThresholdList[kAutoThresholdItems + 1];
extern OptionItem WhiteLevelList[kWhiteLevelItems + 1];
extern OptionItem GammaList[kGammaItems + 1];
extern OptionItem NoiseReductionList[kNoiseReductionItems + 1];
extern OptionItem FrontEmphasisList[kEmphasisItems + 1];
extern OptionItem BackEmphasisList[kEmphasisItems + 1];
extern OptionItem FrontHalftoneList[kHalftoneItems + 1];
extern OptionItem BackHalftoneList[kHalftoneItems + 1];
extern OptionItem FrontSubAreaHalftoneList[kHalftoneItems + 1];
extern OptionItem BackSubAreaHalftoneList[kHalftoneItems + 1];

// String ids of choices that code refers to by name.
constexpr uint16_t kStrLetter = 2001;
constexpr uint16_t kStrB4 = 2006;
constexpr uint16_t kStrBlackWhite = 2068;
constexpr uint16_t kStrGray8 = 2069;
constexpr uint16_t kStrGray4 = 2070;
constexpr uint16_t kStrHalftoneNone = 2076;
constexpr uint16_t kStrEmphasisSmooth = 2088;
constexpr uint16_t kStrEmphasisNone = 2087;
constexpr uint16_t kStrRegionalPaper = 3058;
constexpr uint16_t kStrA3 = 3063;
constexpr uint16_t kStrLedger = 3095;

// Dots per inch of a ResolutionList index; indices past the list give 100.
int ResolutionDpi(unsigned index);

// ---- Numeric values -------------------------------------------------------------
struct SubAreaRect {
    int32_t x;  // millimetres from the left edge of the page
    int32_t y;  // millimetres from the top edge
    int32_t w;
    int32_t l;
};

constexpr int kLevelFrontBrightness = 0;
constexpr int kLevelFrontContrast = 1;
constexpr int kLevelBackBrightness = 2;
constexpr int kLevelBackContrast = 3;
constexpr int kEndorserStringSize = 256;

struct ScanValueSet {
    int32_t levels[4];            // brightness and contrast 1..255, by the kLevel... index
    SubAreaRect frontAreas[3];
    SubAreaRect backAreas[3];
    int32_t waitTimeout;          // manual feed wait, seconds
    uint32_t endorserStart;       // endorser starting number
    int32_t endorserStep;
    int32_t endorserOffset;       // printing offset, kept modulo 256
    char endorserString[kEndorserStringSize];
};

extern ScanValueSet ScanValues;

// The side's twelve sub-area values in dialog order (X, Y, W, L of areas 1 to 3);
// side 0 front, 1 back; index 0..11. Null for anything else.
int32_t* SubAreaValue(int side, int index);

// ---- Free paper sizes ---------------------------------------------------------------
struct FreeSize {
    char name[kSettingTextSize];  // empty: unused slot
    int32_t width;                // millimetres
    int32_t length;               // millimetres
};

constexpr int kFreeSizeSlots = 10;
constexpr int kFirstFreeSizeIndex = kPaperSizeItems;  // paper size index of slot 0

extern FreeSize FreeSizeTable[kFreeSizeSlots];
extern FreeSize FreeSizeDraft;

// Sets FreeSizeDraft to "User", 216 by 279 millimetres.
void ResetFreeSizeDraft();

// ---- Control dependency and halftone exclusion tables ------------------------------
constexpr int kMaxSettingControls = 11;  // ids of the largest row, terminator included

struct ControlDependencyRow {
    SettingRecord* record;
    uint16_t controls[kMaxSettingControls];  // ended by 0
};

constexpr int kControlDependencyRows = 42;
extern const ControlDependencyRow ControlDependencyTable[kControlDependencyRows];

constexpr uint32_t kHalftoneKeyEnd = 0xFFFFFFFF;
constexpr uint8_t kHalftoneIndexEnd = 255;

struct HalftoneExclusionRow {
    uint32_t key;
    uint8_t allowed[7];  // allowed halftone indices, ended by 255
};

constexpr int kHalftoneExclusionRows = 36;
extern const HalftoneExclusionRow HalftoneExclusionTable[kHalftoneExclusionRows + 1];

// The row for a key; null when no row holds it (a key mixing two patterns).
const HalftoneExclusionRow* FindHalftoneExclusion(uint32_t key);
// Applies the row for key to a halftone list: every item disabled, then the
// allowed ones enabled. Answers 1 on a match, 0 (flags untouched) without one.
int ApplyHalftoneExclusion(uint32_t key, OptionItem* list);

// ---- Operations -----------------------------------------------------------------------
// Index of the item whose text equals the record's text; 0 when none does.
uint8_t FindOptionIndex(const SettingRecord& record, const OptionItem* list);
// Index of the current PaperSize text: 0 to 10 standard, 11 to 20 free, 0 when
// nothing matches.
int FindPaperSizeIndex();
// Index of a paper size text as FindPaperSizeIndex computes it.
int FindPaperSizeIndexOf(const char* text);
// Fills a combo box with the supported and enabled items of the list, in order.
void FillOptionCombo(plat::WindowHandle dialog, int comboId, const OptionItem* list);
// Enables the setting's controls when it is available, offered and requested;
// records the outcome in `disabled`.
void EnableSettingControls(plat::WindowHandle dialog, SettingRecord& record, int requested);
// Enables or disables one control; ids the dialog lacks are skipped.
void EnableControl(plat::WindowHandle dialog, int controlId, int state);
// Recomputes `available` and the supported choices from the connection.
void RefreshAvailability();
// Brings the capabilities' current pixel type, bit depth and X resolution into
// line with the ImageType and Resolution texts.
void SyncCapabilityIndices();
// Sets the defaults of a source without saved settings (the generation 8
// group only on generation 8 models).
void SetDefaultSettings();

// Sets the endorser defaults: "OFF", starting number 1, step 1, offset 0, no text.
void SetDefaultEndorserSettings();
// Copies text into a setting text, cut to fit.
void SetSettingText(SettingRecord& record, const char* text);
// The record's text becomes the string table's text `id` (empty when absent).
void SetSettingTextFromString(SettingRecord& record, uint16_t id);

void ResetSettingsModelState();
