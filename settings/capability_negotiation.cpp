// DG_CONTROL / DAT_CAPABILITY: MSG_GET, MSG_GETCURRENT, MSG_GETDEFAULT,
// MSG_SET and MSG_RESET of the twenty capabilities the source supports.
// Answers are built as containers for the application; containers that the
// application hands over are read through the bounded readers and never
// written.
#include "settings/capability_negotiation.h"

#include <cstring>

#include "platform/platform.h"
#include "scanner/discovery.h"
#include "scanner/model_table.h"
#include "scanner/scsi_commands.h"
#include "settings/capability_container.h"
#include "settings/capability_state.h"
#include "settings/settings_model.h"
#include "twain/source_state.h"

namespace {

constexpr const char kCapsContext[] = "General failure in response to DAT_CAPS.  ";

// Models whose scanner has no compression: only TWCP_NONE is offered.
constexpr const char* kUncompressedModels[] = {"ZR-DX41", "ZR-DX40"};

// Generation from which the scanner is asked whether paper is loaded.
constexpr uint8_t kPaperQueryGeneration = 8;

constexpr TW_INT16 kLevelLimit = 1000;
constexpr TW_INT32 kLevelNeutral = 128;
constexpr TW_INT32 kLevelMin = 1;
constexpr TW_INT32 kLevelMax = 255;

constexpr TW_UINT16 kDefaultCcittKFactor = 256;
constexpr TW_UINT16 kCcittKFactorLimit = 256;
constexpr double kMillimetresPerInch = 25.4;

TW_UINT16 Fail(TW_UINT16 conditionCode) { return FailOperation(conditionCode, kCapsContext); }

// A refusal the application expects in normal use: no failure report.
TW_UINT16 RefuseQuietly(TW_UINT16 conditionCode) {
    ConditionCode = conditionCode;
    return TWRC_FAILURE;
}

TW_UINT16 Answer(TW_UINT16 buildResult) {
    return buildResult == TWCC_SUCCESS ? TWRC_SUCCESS : Fail(buildResult);
}

TW_UINT16 ReplyOneValue(TW_CAPABILITY* cap, TW_UINT16 itemType, TW_UINT32 item) {
    return Answer(BuildOneValue(cap, itemType, item));
}

TW_UINT32 Int16Bits(TW_INT16 value) {
    // Sign-extended, so that applications reading the item as a 32-bit
    // integer see the same number as those reading its low 16 bits.
    return static_cast<TW_UINT32>(static_cast<TW_INT32>(value));
}

TW_UINT16 Low16(TW_UINT32 value) { return static_cast<TW_UINT16>(value & 0xFFFFu); }

bool IsUncompressedModel() {
    for (const char* name : kUncompressedModels) {
        if (std::strcmp(ModelName, name) == 0) return true;
    }
    return false;
}

// An item of a stored enumeration; slot 0 for an index past the slots.
template <typename Enum>
auto ItemAt(const Enum& choices, TW_UINT32 index) {
    return choices.items[index < Enum::kSlots ? index : 0];
}

TW_UINT32 ItemBits(TW_UINT16 item) { return item; }
TW_UINT32 ItemBits(TW_FIX32 item) { return Fix32Bits(item); }

// The comparable key of an item: 16-bit items whole, TW_FIX32 by Whole only.
TW_UINT16 ItemKey(TW_UINT16 item) { return item; }
TW_UINT16 ItemKey(TW_FIX32 item) { return static_cast<TW_UINT16>(item.Whole); }

void StoreKey(TW_UINT16& slot, TW_UINT16 key) { slot = key; }
void StoreKey(TW_FIX32& slot, TW_UINT16 key) { slot = TW_FIX32{static_cast<TW_INT16>(key), 0}; }


// Index of the first of the first `limit` items whose key is `key`, or -1.
template <typename Enum>
int FindKey(const Enum& choices, TW_UINT16 key, TW_UINT32 limit) {
    TW_UINT32 count = choices.ItemCount();
    if (limit < count) count = limit;
    for (TW_UINT32 i = 0; i < count; ++i) {
        if (ItemKey(choices.items[i]) == key) return static_cast<int>(i);
    }
    return -1;
}

template <typename Enum>
TW_UINT16 ReplyCurrentItem(TW_CAPABILITY* cap, const Enum& choices) {
    return ReplyOneValue(cap, choices.itemType, ItemBits(ItemAt(choices, choices.currentIndex)));
}

template <typename Enum>
TW_UINT16 ReplyDefaultItem(TW_CAPABILITY* cap, const Enum& choices) {
    return ReplyOneValue(cap, choices.itemType, ItemBits(ItemAt(choices, choices.defaultIndex)));
}

// On the models without compression the compression enumeration holds
// TWCP_NONE alone, whatever an earlier connection left in it.
void LimitCompressionToModel() {
    if (!IsUncompressedModel()) return;
    CapabilityEnum16& compression = CapabilityState.compression.current;
    compression.numItems = 1;
    compression.currentIndex = 0;
    compression.defaultIndex = 0;
}

bool PixelTypeIsBw() {
    const CapabilityEnum16& pixelType = CapabilityState.pixelType.current;
    return ItemAt(pixelType, pixelType.currentIndex) == TWPT_BW;
}

TW_UINT16 CurrentBitDepth() {
    const CapabilityEnum16& bitDepth = CapabilityState.bitDepth.current;
    return ItemAt(bitDepth, bitDepth.currentIndex);
}

TW_UINT32 LevelBits(TW_INT32 level) { return Fix32Bits(TW_FIX32{LevelToCapability(level), 0}); }

// The model's maximum paper dimension in inches, as TW_FIX32 bits.
TW_UINT32 PhysicalSizeBits(int32_t millimetres) {
    auto inches = static_cast<float>(static_cast<double>(millimetres) / kMillimetresPerInch);
    return Fix32Bits(FloatToFix32(inches));
}

// Asks the scanner of a generation 8 model whether paper is in the feeder;
// older models always answer TRUE.
TW_BOOL QueryFeederLoaded() {
    if (ModelGeneration < kPaperQueryGeneration) return 1;
    ScannerStatusRecord status = {0, 0};
    if (ReadScannerStatus(ScsiTarget, status) == kScsiGood && status.paperPresent != 0) return 1;
    SendVendorE1(ScsiTarget);
    return 0;
}

// ---- MSG_GET, MSG_GETCURRENT, MSG_GETDEFAULT -------------------------------------

TW_UINT16 ReplyBool(TW_CAPABILITY* cap, TW_BOOL value) {
    return ReplyOneValue(cap, TWTY_BOOL, value);
}

TW_UINT16 ReplyLevel(TW_CAPABILITY* cap, CapabilityRange& range, TW_INT32 level, TW_UINT16 msg) {
    switch (msg) {
        case MSG_GET:
            range.CurrentValue = LevelBits(level);
            return Answer(BuildRange(cap, range));
        case MSG_GETCURRENT:
            range.CurrentValue = LevelBits(level);
            return ReplyOneValue(cap, TWTY_FIX32, range.CurrentValue);
        default:
            return ReplyOneValue(cap, TWTY_FIX32, range.DefaultValue);
    }
}

// MSG_GET, MSG_GETCURRENT or MSG_GETDEFAULT of one capability.
TW_UINT16 GetCapability(TW_CAPABILITY* cap, TW_UINT16 msg) {
    CapabilityStateRecord& state = CapabilityState;
    const bool getDefault = msg == MSG_GETDEFAULT;
    const bool getAll = msg == MSG_GET;
    switch (cap->Cap) {
        case CAP_XFERCOUNT:
            return ReplyOneValue(cap, TWTY_INT16, Int16Bits(getDefault ? -1 : state.xferCount));
        case ICAP_COMPRESSION:
            LimitCompressionToModel();
            [[fallthrough]];
        case ICAP_PIXELTYPE:
        case ICAP_UNITS:
        case ICAP_XFERMECH: {
            CapabilityEnum16& choices = cap->Cap == ICAP_COMPRESSION ? state.compression.current
                                        : cap->Cap == ICAP_PIXELTYPE ? state.pixelType.current
                                        : cap->Cap == ICAP_UNITS     ? state.units.current
                                                                     : state.xferMech.current;
            if (getAll) return Answer(BuildEnumeration(cap, choices));
            return getDefault ? ReplyDefaultItem(cap, choices) : ReplyCurrentItem(cap, choices);
        }
        case ICAP_XRESOLUTION:
        case ICAP_YRESOLUTION:
            if (getDefault) return Fail(TWCC_BADCAP);
            if (getAll) return Answer(BuildEnumeration(cap, state.resolution.current));
            return ReplyCurrentItem(cap, state.resolution.current);
        case ICAP_BITDEPTH:
            if (getDefault) return Fail(TWCC_BADCAP);
            if (PixelTypeIsBw()) return ReplyOneValue(cap, TWTY_UINT16, 1);
            if (getAll) return Answer(BuildEnumeration(cap, state.bitDepth.current));
            return ReplyCurrentItem(cap, state.bitDepth.current);
        case ICAP_BRIGHTNESS:
            return ReplyLevel(cap, state.brightness, ScanValues.levels[kLevelFrontBrightness], msg);
        case ICAP_CONTRAST:
            return ReplyLevel(cap, state.contrast, ScanValues.levels[kLevelFrontContrast], msg);
        case ICAP_PHYSICALWIDTH:
            if (!getAll) return Fail(TWCC_BADCAP);
            return ReplyOneValue(cap, TWTY_FIX32, PhysicalSizeBits(MaxPageWidth));
        case ICAP_PHYSICALHEIGHT:
            if (!getAll) return Fail(TWCC_BADCAP);
            return ReplyOneValue(cap, TWTY_FIX32, PhysicalSizeBits(MaxPageLength));
        case ICAP_CCITTKFACTOR:
            return ReplyOneValue(cap, TWTY_UINT16,
                                 getDefault ? kDefaultCcittKFactor : state.ccittKFactor);
        case ICAP_PIXELFLAVOR:
            return ReplyOneValue(cap, TWTY_UINT16, getDefault ? TWPF_CHOCOLATE : state.pixelFlavor);
        case CAP_FEEDERENABLED:
            if (getDefault) return Fail(TWCC_BADCAP);
            return ReplyBool(cap, state.feederEnabled);
        case CAP_FEEDERLOADED:
            if (getDefault) return Fail(TWCC_BADCAP);
            if (state.feederEnabled == 0) return RefuseQuietly(TWCC_BADCAP);
            state.feederLoaded = QueryFeederLoaded();
            return ReplyBool(cap, state.feederLoaded);
        case CAP_AUTOFEED:
            if (getDefault) return Fail(TWCC_BADCAP);
            if (state.feederEnabled == 0) return RefuseQuietly(TWCC_BADCAP);
            return ReplyBool(cap, state.autoFeed);
        case CAP_INDICATORS:
            return ReplyBool(cap, getDefault ? 1 : state.indicators);
        case CAP_CUSTOM_8123:
            return ReplyBool(cap, getDefault ? 1 : state.custom8123);
        case CAP_CUSTOM_8124:
            return ReplyBool(cap, getDefault ? 0 : state.custom8124);
        default:
            return Fail(TWCC_BADCAP);
    }
}

// ---- MSG_SET ---------------------------------------------------------------------

// Reads the application's one value into *value (zero-filled first). False for
// a container of another kind and for one that cannot be read (no block, a
// block that cannot be locked or is too short, an item type that is not
// read): both are bad containers.
bool ReadSetOneValue(const TW_CAPABILITY* cap, TW_UINT32* value) {
    *value = 0;
    return cap->ConType == TWON_ONEVALUE && ReadOneValue(cap, value) != 0;
}

TW_UINT16 RefuseContainer() { return Fail(TWCC_BADCAP); }

// Checks an application's enumeration, whose head has been read, against the
// supported one and, when it passes, copies it into `current`. Answers
// TWRC_SUCCESS, or the failure.
template <typename Enum>
TW_UINT16 SetEnumeration(const TW_CAPABILITY* cap, const EnumerationHead& head, Enum& current,
                         const Enum& supported) {
    // The indices must name an item of the application's own list.
    if (head.itemType != supported.itemType || head.numItems > supported.ItemCount() ||
        head.currentIndex >= head.numItems || head.defaultIndex >= head.numItems) {
        return Fail(TWCC_BADVALUE);
    }
    TW_UINT16 keys[Enum::kSlots] = {};
    for (TW_UINT32 i = 0; i < head.numItems; ++i) {
        TW_UINT32 item = 0;
        if (!ReadEnumerationItem(cap, &item, i)) return RefuseContainer();
        keys[i] = Low16(item);
        if (FindKey(supported, keys[i], Enum::kSlots) < 0) return Fail(TWCC_BADVALUE);
    }
    for (TW_UINT32 i = 0; i < head.numItems; ++i) StoreKey(current.items[i], keys[i]);
    current.numItems = head.numItems;
    current.currentIndex = head.currentIndex;
    current.defaultIndex = head.defaultIndex;
    return TWRC_SUCCESS;
}

// Selects the current item whose key is the one value's low 16 bits.
template <typename Enum>
TW_UINT16 SelectCurrent(Enum& current, TW_UINT32 value, TW_UINT32 limit) {
    int index = FindKey(current, Low16(value), limit);
    if (index < 0) return Fail(TWCC_BADVALUE);
    current.currentIndex = static_cast<TW_UINT32>(index);
    return TWRC_SUCCESS;
}

// Which container a MSG_SET of a choice read; the follow-up steps depend on it.
enum class ContainerRead { None, OneValue, Enumeration };

// A one value or an enumeration against the supported list: the shape shared
// by pixel type, resolution and bit depth.
template <typename Enum>
TW_UINT16 SetChoice(const TW_CAPABILITY* cap, CapabilityEnumPair<Enum>& pair,
                    ContainerRead& read) {
    read = ContainerRead::None;
    if (cap->ConType == TWON_ENUMERATION) {
        EnumerationHead head;
        if (!ReadEnumerationHead(cap, &head)) return RefuseContainer();
        read = ContainerRead::Enumeration;
        return SetEnumeration(cap, head, pair.current, pair.supported);
    }
    TW_UINT32 value;
    if (!ReadSetOneValue(cap, &value)) return RefuseContainer();
    read = ContainerRead::OneValue;
    return SelectCurrent(pair.current, value, Enum::kSlots);
}

TW_UINT16 SetLevel(const TW_CAPABILITY* cap, CapabilityRange& range, int frontIndex,
                   int backIndex) {
    TW_UINT32 value;
    if (!ReadSetOneValue(cap, &value)) return RefuseContainer();
    auto whole = static_cast<TW_INT16>(Low16(value));
    if (whole < -kLevelLimit || whole > kLevelLimit) return Fail(TWCC_BADVALUE);
    range.CurrentValue = Fix32Bits(TW_FIX32{whole, 0});
    ScanValues.levels[frontIndex] = CapabilityToLevel(whole);
    ScanValues.levels[backIndex] = CapabilityToLevel(whole);
    return TWRC_SUCCESS;
}

// A one value stored as it stands (booleans and the custom capabilities).
TW_UINT16 SetStored(const TW_CAPABILITY* cap, TW_UINT16& stored) {
    TW_UINT32 value;
    if (!ReadSetOneValue(cap, &value)) return RefuseContainer();
    stored = Low16(value);
    return TWRC_SUCCESS;
}

TW_UINT16 SetCompression(const TW_CAPABILITY* cap) {
    TW_UINT32 value;
    if (!ReadSetOneValue(cap, &value)) return RefuseContainer();
    CapabilityStateRecord& state = CapabilityState;
    TW_UINT16 result;
    if (IsUncompressedModel()) {
        LimitCompressionToModel();
        result = Low16(value) == TWCP_NONE ? TWRC_SUCCESS : Fail(TWCC_BADVALUE);
    } else {
        result = SelectCurrent(state.compression.current, value, kEnumSlots16);
    }
    // Compressed images are bilevel: the pixel types narrow to the first
    // (TWPT_BW unless the application's own enumeration put another first).
    if (state.compression.current.currentIndex != 0) {
        CapabilityEnum16& pixelType = state.pixelType.current;
        pixelType.numItems = 1;
        pixelType.currentIndex = 0;
        pixelType.defaultIndex = 0;
    }
    return result;
}

TW_UINT16 SetBitDepth(const TW_CAPABILITY* cap) {
    CapabilityStateRecord& state = CapabilityState;
    if (PixelTypeIsBw()) {
        // Any other container or value is a bad value, the whole item
        // compared (a 32-bit 0x10001 or a TW_FIX32 1.5 is not 1); only a
        // container that cannot be read is a bad capability.
        if (cap->ConType != TWON_ONEVALUE) return Fail(TWCC_BADVALUE);
        TW_UINT32 value;
        if (!ReadSetOneValue(cap, &value)) return RefuseContainer();
        return value == 1 ? TWRC_SUCCESS : Fail(TWCC_BADVALUE);
    }
    ContainerRead read;
    TW_UINT16 result = SetChoice(cap, state.bitDepth, read);
    if (result == TWRC_SUCCESS || read == ContainerRead::OneValue) {
        SetSettingTextFromString(ImageType, CurrentBitDepth() == 4 ? kStrGray4 : kStrGray8);
    }
    return result;
}

TW_UINT16 SetCapability(const TW_CAPABILITY* cap) {
    CapabilityStateRecord& state = CapabilityState;
    TW_UINT32 value;
    ContainerRead read;
    switch (cap->Cap) {
        case CAP_XFERCOUNT:
            if (!ReadSetOneValue(cap, &value)) return RefuseContainer();
            if (Low16(value) == 0) return Fail(TWCC_BADVALUE);
            state.xferCount = static_cast<TW_INT16>(Low16(value));
            return TWRC_SUCCESS;
        case ICAP_COMPRESSION:
            return SetCompression(cap);
        case ICAP_PIXELTYPE: {
            // The text follows the capability whatever the container held, so
            // that the scan window never reads a stale image type.
            TW_UINT16 result = SetChoice(cap, state.pixelType, read);
            UpdateImageTypeText();
            return result;
        }
        case ICAP_UNITS:
            if (!ReadSetOneValue(cap, &value)) return RefuseContainer();
            return SelectCurrent(state.units.current, value, 1);
        case ICAP_XFERMECH:
            if (cap->ConType == TWON_ENUMERATION) {
                // Accepted and ignored: the application keeps its choice open.
                EnumerationHead head;
                return ReadEnumerationHead(cap, &head) ? TWRC_SUCCESS : RefuseContainer();
            }
            if (!ReadSetOneValue(cap, &value)) return RefuseContainer();
            return SelectCurrent(state.xferMech.current, value, 2);
        case ICAP_XRESOLUTION:
        case ICAP_YRESOLUTION: {
            TW_UINT16 result = SetChoice(cap, state.resolution, read);
            UpdateResolutionText();
            return result;
        }
        case ICAP_BITDEPTH:
            return SetBitDepth(cap);
        case ICAP_BRIGHTNESS:
            return SetLevel(cap, state.brightness, kLevelFrontBrightness, kLevelBackBrightness);
        case ICAP_CONTRAST:
            return SetLevel(cap, state.contrast, kLevelFrontContrast, kLevelBackContrast);
        case ICAP_CCITTKFACTOR:
            if (!ReadSetOneValue(cap, &value)) return RefuseContainer();
            if (Low16(value) >= kCcittKFactorLimit) return Fail(TWCC_BADVALUE);
            state.ccittKFactor = Low16(value);
            return TWRC_SUCCESS;
        case ICAP_PIXELFLAVOR:
            if (!ReadSetOneValue(cap, &value)) return RefuseContainer();
            if (Low16(value) != TWPF_CHOCOLATE && Low16(value) != TWPF_VANILLA) {
                return Fail(TWCC_BADVALUE);
            }
            state.pixelFlavor = Low16(value);
            return TWRC_SUCCESS;
        case CAP_FEEDERENABLED:
            return SetStored(cap, state.feederEnabled);
        case CAP_AUTOFEED:
            if (state.feederEnabled == 0 || cap->ConType != TWON_ONEVALUE) {
                return RefuseQuietly(TWCC_BADCAP);
            }
            return SetStored(cap, state.autoFeed);
        case CAP_INDICATORS:
            return SetStored(cap, state.indicators);
        case CAP_CUSTOM_8123:
            return SetStored(cap, state.custom8123);
        case CAP_CUSTOM_8124:
            return SetStored(cap, state.custom8124);
        default:
            return Fail(TWCC_BADCAP);
    }
}

// ---- MSG_RESET -------------------------------------------------------------------

template <typename Enum>
void RestoreSupported(CapabilityEnumPair<Enum>& pair) {
    pair.current = pair.supported;
}

// Restores the capability's reset value (for the enumerations: the model's
// supported choices) and answers the restored current value, as
// MSG_GETCURRENT would shape it.
TW_UINT16 ResetCapability(TW_CAPABILITY* cap) {
    CapabilityStateRecord& state = CapabilityState;
    switch (cap->Cap) {
        case CAP_XFERCOUNT:
            state.xferCount = -1;
            return ReplyOneValue(cap, TWTY_INT16, Int16Bits(state.xferCount));
        case ICAP_COMPRESSION:
            RestoreSupported(state.compression);
            LimitCompressionToModel();
            return ReplyCurrentItem(cap, state.compression.current);
        case ICAP_PIXELTYPE:
            RestoreSupported(state.pixelType);
            UpdateImageTypeText();
            return ReplyCurrentItem(cap, state.pixelType.current);
        case ICAP_UNITS:
            RestoreSupported(state.units);
            state.units.current.currentIndex = state.units.current.defaultIndex;
            return ReplyCurrentItem(cap, state.units.current);
        case ICAP_XFERMECH:
            RestoreSupported(state.xferMech);
            state.xferMech.current.currentIndex = state.xferMech.current.defaultIndex;
            return ReplyCurrentItem(cap, state.xferMech.current);
        case ICAP_XRESOLUTION:
        case ICAP_YRESOLUTION:
            RestoreSupported(state.resolution);
            UpdateResolutionText();
            return ReplyCurrentItem(cap, state.resolution.current);
        case ICAP_BRIGHTNESS:
            state.brightness.CurrentValue = state.brightness.DefaultValue;
            ScanValues.levels[kLevelFrontBrightness] = kLevelNeutral;
            ScanValues.levels[kLevelBackBrightness] = kLevelNeutral;
            return ReplyOneValue(cap, TWTY_FIX32, state.brightness.CurrentValue);
        case ICAP_CONTRAST:
            state.contrast.CurrentValue = state.contrast.DefaultValue;
            ScanValues.levels[kLevelFrontContrast] = kLevelNeutral;
            ScanValues.levels[kLevelBackContrast] = kLevelNeutral;
            return ReplyOneValue(cap, TWTY_FIX32, state.contrast.CurrentValue);
        case ICAP_PIXELFLAVOR:
            state.pixelFlavor = TWPF_CHOCOLATE;
            return ReplyOneValue(cap, TWTY_UINT16, state.pixelFlavor);
        case CAP_FEEDERENABLED:
            state.feederEnabled = 1;
            return ReplyBool(cap, state.feederEnabled);
        case CAP_AUTOFEED:
            state.autoFeed = 1;
            return ReplyBool(cap, state.autoFeed);
        case CAP_INDICATORS:
            state.indicators = 1;
            return ReplyBool(cap, state.indicators);
        case CAP_CUSTOM_8123:
            state.custom8123 = 1;
            return ReplyBool(cap, state.custom8123);
        default:
            return Fail(TWCC_BADCAP);
    }
}

}  // namespace

TW_INT16 LevelToCapability(TW_INT32 level) {
    if (level < kLevelMin) level = kLevelMin;
    if (level > kLevelMax) level = kLevelMax;
    return static_cast<TW_INT16>((5 * level - 640) * 200 / 127);
}

TW_INT32 CapabilityToLevel(TW_INT16 value) {
    return static_cast<TW_INT32>(value) * 127 / 1000 + kLevelNeutral;
}

void UpdateImageTypeText() {
    uint16_t id = kStrBlackWhite;
    if (!PixelTypeIsBw()) id = CurrentBitDepth() == 4 ? kStrGray4 : kStrGray8;
    SetSettingTextFromString(ImageType, id);
}

void UpdateResolutionText() {
    const CapabilityEnumFix32& resolution = CapabilityState.resolution.current;
    int dpi = ItemAt(resolution, resolution.currentIndex).Whole;
    // Values without a list item are shown as 200 DPI.
    constexpr unsigned k200DpiIndex = 4;
    unsigned index = k200DpiIndex;
    for (unsigned i = 0; i < static_cast<unsigned>(kResolutionItems); ++i) {
        if (ResolutionDpi(i) == dpi) index = i;
    }
    SetSettingTextFromString(Resolution, ResolutionList[index].stringId);
}

TW_UINT16 NegotiateCapability(TripletCall* call) {
    if (call == nullptr) return Fail(TWCC_BADPROTOCOL);
    TW_UINT16 msg = call->msg;
    if (msg < MSG_GET || msg > MSG_RESET || msg == MSG_GETFIRST || msg == MSG_GETNEXT) {
        return Fail(TWCC_BADPROTOCOL);
    }
    auto* cap = static_cast<TW_CAPABILITY*>(call->data);
    if (cap == nullptr) return Fail(TWCC_BADVALUE);
    switch (msg) {
        case MSG_SET:
            return SetCapability(cap);
        case MSG_RESET:
            return ResetCapability(cap);
        default:
            return GetCapability(cap, msg);
    }
}
