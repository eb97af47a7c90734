// MSG_SET and MSG_RESET of every capability: the values accepted and refused,
// what they change in the settings model, and the containers that cannot be
// trusted.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "negotiation_support.h"
#include "platform/host/host_hooks.h"
#include "settings/capability_negotiation.h"
#include "settings/capability_state.h"
#include "settings/settings_model.h"
#include "twain/source_state.h"

namespace captest {
namespace {

constexpr TW_UINT16 kNoReadBack = 0;

// Columns: what the row shows, capability, container kind, container in,
// return code, condition code, capability read back with MSG_GETCURRENT
// (kNoReadBack: none), its expected container.
struct SetRow {
    const char* what;
    TW_UINT16 cap;
    TW_UINT16 conType;
    Bytes in;
    TW_UINT16 rc;
    TW_UINT16 cc;
    TW_UINT16 readBack;
    Bytes out;
};

const std::vector<SetRow>& SetTable() {
    static const std::vector<SetRow> rows = {
        {"count 1", CAP_XFERCOUNT, TWON_ONEVALUE, OneValue(TWTY_INT16, 1), TWRC_SUCCESS, 0,
         CAP_XFERCOUNT, OneValue(TWTY_INT16, 1)},
        {"count 0", CAP_XFERCOUNT, TWON_ONEVALUE, OneValue(TWTY_INT16, 0), TWRC_FAILURE,
         TWCC_BADVALUE, CAP_XFERCOUNT, OneValue(TWTY_INT16, 0xFFFFFFFF)},
        {"count 0 in the low half", CAP_XFERCOUNT, TWON_ONEVALUE, OneValue(TWTY_INT32, 0x10000),
         TWRC_FAILURE, TWCC_BADVALUE, CAP_XFERCOUNT, OneValue(TWTY_INT16, 0xFFFFFFFF)},
        {"count 7", CAP_XFERCOUNT, TWON_ONEVALUE, OneValue(TWTY_INT16, 7), TWRC_SUCCESS, 0,
         CAP_XFERCOUNT, OneValue(TWTY_INT16, 7)},
        {"count as enumeration", CAP_XFERCOUNT, TWON_ENUMERATION, Enum16(TWTY_INT16, {1}, 0, 0),
         TWRC_FAILURE, TWCC_BADCAP, CAP_XFERCOUNT, OneValue(TWTY_INT16, 0xFFFFFFFF)},
        {"group 4", ICAP_COMPRESSION, TWON_ONEVALUE, OneValue(TWTY_UINT16, TWCP_GROUP4),
         TWRC_SUCCESS, 0, ICAP_COMPRESSION, OneValue(TWTY_UINT16, TWCP_GROUP4)},
        {"packbits", ICAP_COMPRESSION, TWON_ONEVALUE, OneValue(TWTY_UINT16, TWCP_PACKBITS),
         TWRC_FAILURE, TWCC_BADVALUE, ICAP_COMPRESSION, OneValue(TWTY_UINT16, TWCP_NONE)},
        {"compression enumeration", ICAP_COMPRESSION, TWON_ENUMERATION,
         Enum16(TWTY_UINT16, {TWCP_NONE}, 0, 0), TWRC_FAILURE, TWCC_BADCAP, kNoReadBack, {}},
        {"gray", ICAP_PIXELTYPE, TWON_ONEVALUE, OneValue(TWTY_UINT16, TWPT_GRAY), TWRC_SUCCESS, 0,
         ICAP_PIXELTYPE, OneValue(TWTY_UINT16, TWPT_GRAY)},
        {"gray sent as INT16", ICAP_PIXELTYPE, TWON_ONEVALUE, OneValue(TWTY_INT16, TWPT_GRAY),
         TWRC_SUCCESS, 0, ICAP_PIXELTYPE, OneValue(TWTY_UINT16, TWPT_GRAY)},
        {"rgb", ICAP_PIXELTYPE, TWON_ONEVALUE, OneValue(TWTY_UINT16, TWPT_RGB), TWRC_FAILURE,
         TWCC_BADVALUE, ICAP_PIXELTYPE, OneValue(TWTY_UINT16, TWPT_BW)},
        {"pixel type range", ICAP_PIXELTYPE, TWON_RANGE, Range(TWTY_UINT16, 0, 1, 1, 0, 0),
         TWRC_FAILURE, TWCC_BADCAP, kNoReadBack, {}},
        {"units inches", ICAP_UNITS, TWON_ONEVALUE, OneValue(TWTY_UINT16, TWUN_INCHES),
         TWRC_SUCCESS, 0, ICAP_UNITS, OneValue(TWTY_UINT16, TWUN_INCHES)},
        {"units centimetres", ICAP_UNITS, TWON_ONEVALUE, OneValue(TWTY_UINT16, 1), TWRC_FAILURE,
         TWCC_BADVALUE, kNoReadBack, {}},
        {"memory", ICAP_XFERMECH, TWON_ONEVALUE, OneValue(TWTY_UINT16, TWSX_MEMORY),
         TWRC_SUCCESS, 0, ICAP_XFERMECH, OneValue(TWTY_UINT16, TWSX_MEMORY)},
        {"file", ICAP_XFERMECH, TWON_ONEVALUE, OneValue(TWTY_UINT16, TWSX_FILE), TWRC_FAILURE,
         TWCC_BADVALUE, ICAP_XFERMECH, OneValue(TWTY_UINT16, TWSX_NATIVE)},
        {"mechanism enumeration ignored", ICAP_XFERMECH, TWON_ENUMERATION,
         Enum16(TWTY_UINT16, {TWSX_MEMORY}, 0, 0), TWRC_SUCCESS, 0, ICAP_XFERMECH,
         OneValue(TWTY_UINT16, TWSX_NATIVE)},
        {"400.5 dpi", ICAP_XRESOLUTION, TWON_ONEVALUE, OneValueFix32(400, 0x8000), TWRC_SUCCESS, 0,
         ICAP_YRESOLUTION, OneValueFix32(400)},
        {"200 dpi as UINT16", ICAP_YRESOLUTION, TWON_ONEVALUE, OneValue(TWTY_UINT16, 200),
         TWRC_SUCCESS, 0, ICAP_XRESOLUTION, OneValueFix32(200)},
        {"250 dpi", ICAP_XRESOLUTION, TWON_ONEVALUE, OneValueFix32(250), TWRC_FAILURE,
         TWCC_BADVALUE, ICAP_XRESOLUTION, OneValueFix32(300)},
        {"resolution range", ICAP_XRESOLUTION, TWON_RANGE, Range(TWTY_FIX32, 100, 400, 1, 300, 300),
         TWRC_FAILURE, TWCC_BADCAP, kNoReadBack, {}},
        {"bit depth 1 while bilevel", ICAP_BITDEPTH, TWON_ONEVALUE, OneValue(TWTY_UINT16, 1),
         TWRC_SUCCESS, 0, ICAP_BITDEPTH, OneValue(TWTY_UINT16, 1)},
        {"bit depth 8 while bilevel", ICAP_BITDEPTH, TWON_ONEVALUE, OneValue(TWTY_UINT16, 8),
         TWRC_FAILURE, TWCC_BADVALUE, kNoReadBack, {}},
        {"bit depth 0x10001 while bilevel", ICAP_BITDEPTH, TWON_ONEVALUE,
         OneValue(TWTY_UINT32, 0x10001), TWRC_FAILURE, TWCC_BADVALUE, kNoReadBack, {}},
        {"bit depth 1.5 while bilevel", ICAP_BITDEPTH, TWON_ONEVALUE, OneValueFix32(1, 0x8000),
         TWRC_FAILURE, TWCC_BADVALUE, kNoReadBack, {}},
        {"bit depth enumeration while bilevel", ICAP_BITDEPTH, TWON_ENUMERATION,
         Enum16(TWTY_UINT16, {1}, 0, 0), TWRC_FAILURE, TWCC_BADVALUE, kNoReadBack, {}},
        {"brightness 500", ICAP_BRIGHTNESS, TWON_ONEVALUE, OneValueFix32(500), TWRC_SUCCESS, 0,
         ICAP_BRIGHTNESS, OneValueFix32(496)},
        {"brightness -1000 as UINT16", ICAP_BRIGHTNESS, TWON_ONEVALUE,
         OneValue(TWTY_UINT16, 0xFC18), TWRC_SUCCESS, 0, ICAP_BRIGHTNESS, OneValueFix32(-1000)},
        {"brightness 1001", ICAP_BRIGHTNESS, TWON_ONEVALUE, OneValueFix32(1001), TWRC_FAILURE,
         TWCC_BADVALUE, ICAP_BRIGHTNESS, OneValueFix32(0)},
        {"brightness -1001", ICAP_BRIGHTNESS, TWON_ONEVALUE, OneValueFix32(-1001), TWRC_FAILURE,
         TWCC_BADVALUE, ICAP_BRIGHTNESS, OneValueFix32(0)},
        {"contrast 1000", ICAP_CONTRAST, TWON_ONEVALUE, OneValueFix32(1000), TWRC_SUCCESS, 0,
         ICAP_CONTRAST, OneValueFix32(1000)},
        {"contrast 2000", ICAP_CONTRAST, TWON_ONEVALUE, OneValueFix32(2000), TWRC_FAILURE,
         TWCC_BADVALUE, ICAP_CONTRAST, OneValueFix32(0)},
        {"contrast range", ICAP_CONTRAST, TWON_RANGE, Range(TWTY_FIX32, 0, 0, 0, 0, 0),
         TWRC_FAILURE, TWCC_BADCAP, kNoReadBack, {}},
        {"k factor 255", ICAP_CCITTKFACTOR, TWON_ONEVALUE, OneValue(TWTY_UINT16, 255),
         TWRC_SUCCESS, 0, ICAP_CCITTKFACTOR, OneValue(TWTY_UINT16, 255)},
        {"k factor 256", ICAP_CCITTKFACTOR, TWON_ONEVALUE, OneValue(TWTY_UINT16, 256),
         TWRC_FAILURE, TWCC_BADVALUE, ICAP_CCITTKFACTOR, OneValue(TWTY_UINT16, 4)},
        {"vanilla", ICAP_PIXELFLAVOR, TWON_ONEVALUE, OneValue(TWTY_UINT16, TWPF_VANILLA),
         TWRC_SUCCESS, 0, ICAP_PIXELFLAVOR, OneValue(TWTY_UINT16, TWPF_VANILLA)},
        {"flavor 2", ICAP_PIXELFLAVOR, TWON_ONEVALUE, OneValue(TWTY_UINT16, 2), TWRC_FAILURE,
         TWCC_BADVALUE, ICAP_PIXELFLAVOR, OneValue(TWTY_UINT16, TWPF_CHOCOLATE)},
        {"feeder off", CAP_FEEDERENABLED, TWON_ONEVALUE, OneValue(TWTY_BOOL, 0), TWRC_SUCCESS, 0,
         CAP_FEEDERENABLED, OneValue(TWTY_BOOL, 0)},
        {"auto feed off", CAP_AUTOFEED, TWON_ONEVALUE, OneValue(TWTY_BOOL, 0), TWRC_SUCCESS, 0,
         CAP_AUTOFEED, OneValue(TWTY_BOOL, 0)},
        {"auto feed enumeration", CAP_AUTOFEED, TWON_ENUMERATION, Enum16(TWTY_BOOL, {0}, 0, 0),
         TWRC_FAILURE, TWCC_BADCAP, CAP_AUTOFEED, OneValue(TWTY_BOOL, 1)},
        {"indicators off", CAP_INDICATORS, TWON_ONEVALUE, OneValue(TWTY_BOOL, 0), TWRC_SUCCESS, 0,
         CAP_INDICATORS, OneValue(TWTY_BOOL, 0)},
        {"0x8123 off", CAP_CUSTOM_8123, TWON_ONEVALUE, OneValue(TWTY_BOOL, 0), TWRC_SUCCESS, 0,
         CAP_CUSTOM_8123, OneValue(TWTY_BOOL, 0)},
        {"0x8124 on", CAP_CUSTOM_8124, TWON_ONEVALUE, OneValue(TWTY_BOOL, 1), TWRC_SUCCESS, 0,
         CAP_CUSTOM_8124, OneValue(TWTY_BOOL, 1)},
        {"physical width", ICAP_PHYSICALWIDTH, TWON_ONEVALUE, OneValueFix32(8), TWRC_FAILURE,
         TWCC_BADCAP, kNoReadBack, {}},
        {"physical height", ICAP_PHYSICALHEIGHT, TWON_ONEVALUE, OneValueFix32(8), TWRC_FAILURE,
         TWCC_BADCAP, kNoReadBack, {}},
        {"feeder loaded", CAP_FEEDERLOADED, TWON_ONEVALUE, OneValue(TWTY_BOOL, 1), TWRC_FAILURE,
         TWCC_BADCAP, kNoReadBack, {}},
        {"unsupported", 0x1000, TWON_ONEVALUE, OneValue(TWTY_BOOL, 1), TWRC_FAILURE, TWCC_BADCAP,
         kNoReadBack, {}},
    };
    return rows;
}

class SetTest : public NegotiationTest {
protected:
    void SetUp() override {
        NegotiationTest::SetUp();
        UseModel("ZR-DX961");
    }
};

TEST_F(SetTest, EveryCapabilityAcceptsOrRefusesAsItsTableRowSays) {
    for (const SetRow& row : SetTable()) {
        SCOPED_TRACE(row.what);
        ResetCapabilityState();
        UseModel("ZR-DX961");
        for (int32_t& level : ScanValues.levels) level = 128;
        Outcome got = Set(row.cap, row.conType, row.in);
        EXPECT_EQ(got.rc, row.rc);
        EXPECT_EQ(got.cc, row.cc);
        if (row.readBack != kNoReadBack) {
            EXPECT_EQ(Ask(MSG_GETCURRENT, row.readBack).bytes, row.out);
        }
    }
}

TEST_F(SetTest, BrightnessAndContrastSetBothSides) {
    ASSERT_EQ(Set(ICAP_BRIGHTNESS, TWON_ONEVALUE, OneValueFix32(500)).rc, TWRC_SUCCESS);
    EXPECT_EQ(ScanValues.levels[kLevelFrontBrightness], 191);
    EXPECT_EQ(ScanValues.levels[kLevelBackBrightness], 191);
    EXPECT_EQ(ScanValues.levels[kLevelFrontContrast], 128);
    ASSERT_EQ(Set(ICAP_CONTRAST, TWON_ONEVALUE, OneValueFix32(-1000)).rc, TWRC_SUCCESS);
    EXPECT_EQ(ScanValues.levels[kLevelFrontContrast], 1);
    EXPECT_EQ(ScanValues.levels[kLevelBackContrast], 1);
    ASSERT_EQ(Set(ICAP_BRIGHTNESS, TWON_ONEVALUE, OneValueFix32(1001)).rc, TWRC_FAILURE);
    EXPECT_EQ(ScanValues.levels[kLevelFrontBrightness], 191);
    EXPECT_EQ(ScanValues.levels[kLevelBackBrightness], 191);
    EXPECT_EQ(static_cast<TW_UINT32>(CapabilityState.brightness.CurrentValue), 500u);
}

TEST_F(SetTest, ResolutionWritesTheResolutionText) {
    ASSERT_EQ(Set(ICAP_XRESOLUTION, TWON_ONEVALUE, OneValueFix32(300, 0x8000)).rc, TWRC_SUCCESS);
    EXPECT_STREQ(Resolution.text, "300 DPI");
    EXPECT_EQ(Ask(MSG_GETCURRENT, ICAP_YRESOLUTION).bytes, OneValueFix32(300));
    ASSERT_EQ(Set(ICAP_YRESOLUTION, TWON_ONEVALUE, OneValueFix32(150)).rc, TWRC_SUCCESS);
    EXPECT_STREQ(Resolution.text, "150 DPI");
    SetSettingText(Resolution, "junk");
    Outcome refused = Set(ICAP_XRESOLUTION, TWON_ONEVALUE, OneValueFix32(250));
    EXPECT_EQ(refused.cc, TWCC_BADVALUE);
    EXPECT_STREQ(Resolution.text, "150 DPI") << "rewritten from the unchanged value";
    // Also after a container that cannot be read at all.
    SetSettingText(Resolution, "junk");
    EXPECT_EQ(Set(ICAP_XRESOLUTION, TWON_RANGE, Range(TWTY_FIX32, 100, 400, 1, 300, 300)).cc,
              TWCC_BADCAP);
    EXPECT_STREQ(Resolution.text, "150 DPI");
}

TEST_F(SetTest, ResolutionTextForEveryValue) {
    // Columns: dots per inch, text.
    const struct {
        TW_INT16 dpi;
        const char* text;
    } rows[] = {{100, "100 DPI"}, {150, "150 DPI"}, {200, "200 DPI"}, {240, "240 DPI"},
                {300, "300 DPI"}, {360, "360 DPI"}, {400, "400 DPI"}, {275, "200 DPI"}};
    for (const auto& row : rows) {
        CapabilityState.resolution.current.items[0] = TW_FIX32{row.dpi, 0};
        CapabilityState.resolution.current.currentIndex = 0;
        UpdateResolutionText();
        EXPECT_STREQ(Resolution.text, row.text) << row.dpi;
    }
}

TEST_F(SetTest, ResolutionEnumerationNarrowsTheChoices) {
    ASSERT_EQ(Set(ICAP_XRESOLUTION, TWON_ENUMERATION, EnumFix32({200, 400}, 1, 0)).rc,
              TWRC_SUCCESS);
    EXPECT_EQ(Ask(MSG_GET, ICAP_YRESOLUTION).bytes, Spare(EnumFix32({200, 400}, 1, 0)));
    EXPECT_STREQ(Resolution.text, "400 DPI");
    // A value outside the narrowed list is refused even though the model has it.
    EXPECT_EQ(Set(ICAP_XRESOLUTION, TWON_ONEVALUE, OneValueFix32(300)).cc, TWCC_BADVALUE);
    ASSERT_EQ(Ask(MSG_RESET, ICAP_XRESOLUTION).rc, TWRC_SUCCESS);
    EXPECT_EQ(Ask(MSG_GET, ICAP_XRESOLUTION).bytes,
              Spare(EnumFix32({100, 150, 200, 240, 300, 360, 400}, 4, 4)));
    EXPECT_STREQ(Resolution.text, "300 DPI");
}

TEST_F(SetTest, EnumerationsAreCheckedAgainstTheSupportedChoices) {
    // Columns: what, container in, condition code (0: accepted).
    const struct {
        const char* what;
        Bytes in;
        TW_UINT16 cc;
    } rows[] = {
        {"gray alone", Enum16(TWTY_UINT16, {TWPT_GRAY}, 0, 0), 0},
        {"both, gray current", Enum16(TWTY_UINT16, {TWPT_BW, TWPT_GRAY}, 1, 0), 0},
        {"rgb item", Enum16(TWTY_UINT16, {TWPT_BW, TWPT_RGB}, 0, 0), TWCC_BADVALUE},
        {"item type INT16", Enum16(TWTY_INT16, {TWPT_BW}, 0, 0), TWCC_BADVALUE},
        {"three items", Enum16(TWTY_UINT16, {TWPT_BW, TWPT_GRAY, TWPT_BW}, 0, 0), TWCC_BADVALUE},
        {"current index equal to the count", Enum16(TWTY_UINT16, {TWPT_BW, TWPT_GRAY}, 2, 0),
         TWCC_BADVALUE},
        {"default index past the items", Enum16(TWTY_UINT16, {TWPT_BW}, 0, 1), TWCC_BADVALUE},
        {"no items", Enum16(TWTY_UINT16, {}, 0, 0), TWCC_BADVALUE},
        {"count past the block", Enum16(TWTY_UINT16, {TWPT_BW, TWPT_GRAY}, 0, 0, 3), TWCC_BADCAP},
        {"huge count", Enum16(TWTY_UINT16, {TWPT_BW}, 0, 0, 0x80000000u), TWCC_BADCAP},
        {"head only", Bytes{4, 0, 1, 0, 0, 0}, TWCC_BADCAP},
    };
    for (const auto& row : rows) {
        ResetCapabilityState();
        SetSettingText(ImageType, "stale");
        Outcome got = Set(ICAP_PIXELTYPE, TWON_ENUMERATION, row.in);
        EXPECT_EQ(got.cc, row.cc) << row.what;
        EXPECT_EQ(got.rc, row.cc == 0 ? TWRC_SUCCESS : TWRC_FAILURE) << row.what;
        if (row.cc != 0) {
            EXPECT_EQ(Ask(MSG_GET, ICAP_PIXELTYPE).bytes,
                      Spare(Enum16(TWTY_UINT16, {TWPT_BW, TWPT_GRAY}, 0, 0))) << row.what;
            // The text follows the unchanged capability, never left stale.
            EXPECT_STREQ(ImageType.text, "Black & White") << row.what;
        }
    }
    ResetCapabilityState();
    ASSERT_EQ(Set(ICAP_PIXELTYPE, TWON_ENUMERATION, Enum16(TWTY_UINT16, {TWPT_BW, TWPT_GRAY}, 1, 0))
                  .rc, TWRC_SUCCESS);
    EXPECT_EQ(Ask(MSG_GET, ICAP_PIXELTYPE).bytes,
              Spare(Enum16(TWTY_UINT16, {TWPT_BW, TWPT_GRAY}, 1, 0)));
    EXPECT_STREQ(ImageType.text, "Gray Scale 8 bit");
}

TEST_F(SetTest, ContainersThatCannotBeReadAreBadCapabilities) {
    const TW_UINT16 oneValueCaps[] = {CAP_XFERCOUNT,   ICAP_COMPRESSION, ICAP_PIXELTYPE,
                                      ICAP_UNITS,      ICAP_XFERMECH,    ICAP_XRESOLUTION,
                                      ICAP_BITDEPTH,   ICAP_BRIGHTNESS,  ICAP_CONTRAST,
                                      ICAP_CCITTKFACTOR, ICAP_PIXELFLAVOR, CAP_FEEDERENABLED,
                                      CAP_AUTOFEED,    CAP_INDICATORS,   CAP_CUSTOM_8123,
                                      CAP_CUSTOM_8124};
    for (TW_UINT16 cap : oneValueCaps) {
        SCOPED_TRACE(testing::Message() << "cap 0x" << std::hex << cap);
        ResetCapabilityState();
        Bytes before = Ask(MSG_GETCURRENT, cap).bytes;
        // A null handle.
        TW_CAPABILITY nullHandle{cap, TWON_ONEVALUE, nullptr};
        alignas(4) TW_IDENTITY app{};
        TripletCall call{&app, DG_CONTROL, DAT_CAPABILITY, MSG_SET, &nullHandle};
        EXPECT_EQ(NegotiateCapability(&call), TWRC_FAILURE);
        EXPECT_EQ(ConditionCode, TWCC_BADCAP);
        // Shorter than a one value.
        EXPECT_EQ(Set(cap, TWON_ONEVALUE, Bytes{4, 0, 1, 0, 0}).cc, TWCC_BADCAP);
        // A string type is not read.
        EXPECT_EQ(Set(cap, TWON_ONEVALUE, OneValue(TWTY_STR32, 1)).cc, TWCC_BADCAP);
        // A block that cannot be locked.
        plat::MemHandle block = plat::MemAlloc(6);
        TW_CAPABILITY unlockable{cap, TWON_ONEVALUE, block};
        call.data = &unlockable;
        plat::host::FailNextCalls(plat::host::HostService::MemLock, 1);
        EXPECT_EQ(NegotiateCapability(&call), TWRC_FAILURE);
        EXPECT_EQ(ConditionCode, TWCC_BADCAP);
        plat::host::ResetHostHooks();
        plat::MemFree(block);
        EXPECT_EQ(Ask(MSG_GETCURRENT, cap).bytes, before) << "value changed";
    }
    // The enumeration-taking capabilities refuse a null enumeration the same way.
    for (TW_UINT16 cap : {ICAP_PIXELTYPE, ICAP_XRESOLUTION, ICAP_XFERMECH}) {
        TW_CAPABILITY nullHandle{cap, TWON_ENUMERATION, nullptr};
        alignas(4) TW_IDENTITY app{};
        TripletCall call{&app, DG_CONTROL, DAT_CAPABILITY, MSG_SET, &nullHandle};
        EXPECT_EQ(NegotiateCapability(&call), TWRC_FAILURE) << cap;
        EXPECT_EQ(ConditionCode, TWCC_BADCAP) << cap;
    }
}

TEST_F(SetTest, PixelTypeAndBitDepthWriteTheImageTypeText) {
    ASSERT_EQ(Set(ICAP_PIXELTYPE, TWON_ONEVALUE, OneValue(TWTY_UINT16, TWPT_GRAY)).rc,
              TWRC_SUCCESS);
    EXPECT_STREQ(ImageType.text, "Gray Scale 8 bit");
    EXPECT_EQ(Ask(MSG_GET, ICAP_BITDEPTH).bytes, Spare(Enum16(TWTY_UINT16, {8, 4}, 0, 0)));

    ASSERT_EQ(Set(ICAP_BITDEPTH, TWON_ONEVALUE, OneValue(TWTY_UINT16, 4)).rc, TWRC_SUCCESS);
    EXPECT_STREQ(ImageType.text, "Gray Scale 4 bit");
    SetSettingText(ImageType, "junk");
    EXPECT_EQ(Set(ICAP_BITDEPTH, TWON_ONEVALUE, OneValue(TWTY_UINT16, 2)).cc, TWCC_BADVALUE);
    EXPECT_STREQ(ImageType.text, "Gray Scale 4 bit") << "rewritten after a bad one value";

    ASSERT_EQ(Set(ICAP_BITDEPTH, TWON_ENUMERATION, Enum16(TWTY_UINT16, {8}, 0, 0)).rc,
              TWRC_SUCCESS);
    EXPECT_STREQ(ImageType.text, "Gray Scale 8 bit");
    EXPECT_EQ(Ask(MSG_GET, ICAP_BITDEPTH).bytes, Spare(Enum16(TWTY_UINT16, {8}, 0, 0)));

    // Back to bilevel: bit depth answers 1 and accepts nothing else.
    SetSettingText(ImageType, "junk");
    EXPECT_EQ(Set(ICAP_PIXELTYPE, TWON_ONEVALUE, OneValue(TWTY_UINT16, TWPT_RGB)).cc,
              TWCC_BADVALUE);
    EXPECT_STREQ(ImageType.text, "Gray Scale 8 bit") << "rewritten after a bad one value";
    ASSERT_EQ(Set(ICAP_PIXELTYPE, TWON_ONEVALUE, OneValue(TWTY_UINT16, TWPT_BW)).rc,
              TWRC_SUCCESS);
    EXPECT_STREQ(ImageType.text, "Black & White");
    EXPECT_EQ(Ask(MSG_GET, ICAP_BITDEPTH).bytes, OneValue(TWTY_UINT16, 1));
    EXPECT_EQ(Set(ICAP_BITDEPTH, TWON_ONEVALUE, OneValue(TWTY_UINT16, 8)).cc, TWCC_BADVALUE);
    EXPECT_EQ(Set(ICAP_BITDEPTH, TWON_ENUMERATION, Enum16(TWTY_UINT16, {8}, 0, 0)).cc,
              TWCC_BADVALUE);
}

TEST_F(SetTest, CompressionLeavesOnlyBilevelUntilPixelTypeIsReset) {
    ASSERT_EQ(Set(ICAP_PIXELTYPE, TWON_ONEVALUE, OneValue(TWTY_UINT16, TWPT_GRAY)).rc,
              TWRC_SUCCESS);
    ASSERT_EQ(Set(ICAP_COMPRESSION, TWON_ONEVALUE, OneValue(TWTY_UINT16, TWCP_GROUP4)).rc,
              TWRC_SUCCESS);
    EXPECT_EQ(Ask(MSG_GET, ICAP_PIXELTYPE).bytes, Spare(Enum16(TWTY_UINT16, {TWPT_BW}, 0, 0)));
    EXPECT_EQ(Set(ICAP_PIXELTYPE, TWON_ONEVALUE, OneValue(TWTY_UINT16, TWPT_GRAY)).cc,
              TWCC_BADVALUE);
    // A refused compression value still leaves the cut in place.
    EXPECT_EQ(Set(ICAP_COMPRESSION, TWON_ONEVALUE, OneValue(TWTY_UINT16, 99)).cc, TWCC_BADVALUE);
    EXPECT_EQ(Ask(MSG_GETCURRENT, ICAP_COMPRESSION).bytes, OneValue(TWTY_UINT16, TWCP_GROUP4));
    ASSERT_EQ(Ask(MSG_RESET, ICAP_PIXELTYPE).rc, TWRC_SUCCESS);
    EXPECT_EQ(Ask(MSG_GET, ICAP_PIXELTYPE).bytes,
              Spare(Enum16(TWTY_UINT16, {TWPT_BW, TWPT_GRAY}, 0, 0)));
    // Choosing no compression again cuts nothing.
    ASSERT_EQ(Set(ICAP_COMPRESSION, TWON_ONEVALUE, OneValue(TWTY_UINT16, TWCP_NONE)).rc,
              TWRC_SUCCESS);
    EXPECT_EQ(Set(ICAP_PIXELTYPE, TWON_ONEVALUE, OneValue(TWTY_UINT16, TWPT_GRAY)).rc,
              TWRC_SUCCESS);
}

TEST_F(SetTest, UncompressedModelsAcceptOnlyNoneAndCutNothing) {
    for (const char* model : {"ZR-DX41", "ZR-DX40"}) {
        ResetCapabilityState();
        UseModel(model);
        EXPECT_EQ(Set(ICAP_COMPRESSION, TWON_ONEVALUE, OneValue(TWTY_UINT16, TWCP_GROUP4)).cc,
                  TWCC_BADVALUE) << model;
        EXPECT_EQ(Set(ICAP_COMPRESSION, TWON_ONEVALUE, OneValue(TWTY_UINT16, TWCP_NONE)).rc,
                  TWRC_SUCCESS) << model;
        EXPECT_EQ(Ask(MSG_GET, ICAP_PIXELTYPE).bytes,
                  Spare(Enum16(TWTY_UINT16, {TWPT_BW, TWPT_GRAY}, 0, 0))) << model;
        EXPECT_EQ(Ask(MSG_GET, ICAP_COMPRESSION).bytes,
                  Spare(Enum16(TWTY_UINT16, {TWCP_NONE}, 0, 0))) << model;
        EXPECT_EQ(CapabilityState.compression.current.numItems, 1u) << "kept";
    }
}

TEST_F(SetTest, FeederDisabledRefusesAutoFeedAndFeederLoaded) {
    ASSERT_EQ(Set(CAP_FEEDERENABLED, TWON_ONEVALUE, OneValue(TWTY_BOOL, 0)).rc, TWRC_SUCCESS);
    for (TW_UINT16 msg : {MSG_GET, MSG_GETCURRENT}) {
        for (TW_UINT16 cap : {CAP_AUTOFEED, CAP_FEEDERLOADED}) {
            Outcome got = Ask(msg, cap);
            EXPECT_EQ(got.rc, TWRC_FAILURE);
            EXPECT_EQ(got.cc, TWCC_BADCAP);
            EXPECT_FALSE(got.hasContainer);
        }
    }
    EXPECT_EQ(Set(CAP_AUTOFEED, TWON_ONEVALUE, OneValue(TWTY_BOOL, 0)).cc, TWCC_BADCAP);
    EXPECT_EQ(CapabilityState.autoFeed, 1);
    ASSERT_EQ(Ask(MSG_RESET, CAP_FEEDERENABLED).rc, TWRC_SUCCESS);
    EXPECT_EQ(Ask(MSG_GETCURRENT, CAP_AUTOFEED).bytes, OneValue(TWTY_BOOL, 1));
}

// Columns: capability, condition code (0: reset), container answered.
struct ResetRow {
    TW_UINT16 cap;
    TW_UINT16 cc;
    Bytes out;
};

TEST_F(SetTest, ResetRestoresTheValueAtLoadAndAnswersIt) {
    const ResetRow rows[] = {
        {CAP_XFERCOUNT, 0, OneValue(TWTY_INT16, 0xFFFFFFFF)},
        {ICAP_COMPRESSION, 0, OneValue(TWTY_UINT16, TWCP_NONE)},
        {ICAP_PIXELTYPE, 0, OneValue(TWTY_UINT16, TWPT_BW)},
        {ICAP_UNITS, 0, OneValue(TWTY_UINT16, TWUN_INCHES)},
        {ICAP_XFERMECH, 0, OneValue(TWTY_UINT16, TWSX_NATIVE)},
        {ICAP_XRESOLUTION, 0, OneValueFix32(300)},
        {ICAP_YRESOLUTION, 0, OneValueFix32(300)},
        {ICAP_BRIGHTNESS, 0, OneValueFix32(0)},
        {ICAP_CONTRAST, 0, OneValueFix32(0)},
        {ICAP_PIXELFLAVOR, 0, OneValue(TWTY_UINT16, TWPF_CHOCOLATE)},
        {CAP_FEEDERENABLED, 0, OneValue(TWTY_BOOL, 1)},
        {CAP_AUTOFEED, 0, OneValue(TWTY_BOOL, 1)},
        {CAP_INDICATORS, 0, OneValue(TWTY_BOOL, 1)},
        {CAP_CUSTOM_8123, 0, OneValue(TWTY_BOOL, 1)},
        {CAP_CUSTOM_8124, TWCC_BADCAP, {}},
        {ICAP_BITDEPTH, TWCC_BADCAP, {}},
        {ICAP_CCITTKFACTOR, TWCC_BADCAP, {}},
        {CAP_FEEDERLOADED, TWCC_BADCAP, {}},
        {ICAP_PHYSICALWIDTH, TWCC_BADCAP, {}},
        {ICAP_PHYSICALHEIGHT, TWCC_BADCAP, {}},
        {0x1000, TWCC_BADCAP, {}},
    };
    for (const ResetRow& row : rows) {
        SCOPED_TRACE(testing::Message() << "cap 0x" << std::hex << row.cap);
        // Move everything away from its value at load.
        ResetCapabilityState();
        UseModel("ZR-DX961");
        ASSERT_EQ(Set(CAP_XFERCOUNT, TWON_ONEVALUE, OneValue(TWTY_INT16, 3)).rc, TWRC_SUCCESS);
        ASSERT_EQ(Set(ICAP_COMPRESSION, TWON_ONEVALUE, OneValue(TWTY_UINT16, TWCP_GROUP32D)).rc,
                  TWRC_SUCCESS);
        ASSERT_EQ(Set(ICAP_XFERMECH, TWON_ONEVALUE, OneValue(TWTY_UINT16, TWSX_MEMORY)).rc,
                  TWRC_SUCCESS);
        ASSERT_EQ(Set(ICAP_XRESOLUTION, TWON_ENUMERATION, EnumFix32({200}, 0, 0)).rc,
                  TWRC_SUCCESS);
        ASSERT_EQ(Set(ICAP_BRIGHTNESS, TWON_ONEVALUE, OneValueFix32(300)).rc, TWRC_SUCCESS);
        ASSERT_EQ(Set(ICAP_CONTRAST, TWON_ONEVALUE, OneValueFix32(-300)).rc, TWRC_SUCCESS);
        ASSERT_EQ(Set(ICAP_PIXELFLAVOR, TWON_ONEVALUE, OneValue(TWTY_UINT16, 1)).rc, TWRC_SUCCESS);
        ASSERT_EQ(Set(ICAP_CCITTKFACTOR, TWON_ONEVALUE, OneValue(TWTY_UINT16, 9)).rc, TWRC_SUCCESS);
        ASSERT_EQ(Set(CAP_AUTOFEED, TWON_ONEVALUE, OneValue(TWTY_BOOL, 0)).rc, TWRC_SUCCESS);
        for (TW_UINT16 cap : {CAP_INDICATORS, CAP_CUSTOM_8123}) {
            ASSERT_EQ(Set(cap, TWON_ONEVALUE, OneValue(TWTY_BOOL, 0)).rc, TWRC_SUCCESS);
        }
        // A disabled feeder would hide CAP_AUTOFEED from MSG_GETCURRENT.
        if (row.cap == CAP_FEEDERENABLED) {
            ASSERT_EQ(Set(CAP_FEEDERENABLED, TWON_ONEVALUE, OneValue(TWTY_BOOL, 0)).rc,
                      TWRC_SUCCESS);
        }
        ASSERT_EQ(Set(CAP_CUSTOM_8124, TWON_ONEVALUE, OneValue(TWTY_BOOL, 1)).rc, TWRC_SUCCESS);

        Outcome got = Ask(MSG_RESET, row.cap);
        EXPECT_EQ(got.rc, row.cc == 0 ? TWRC_SUCCESS : TWRC_FAILURE);
        EXPECT_EQ(got.cc, row.cc);
        EXPECT_EQ(got.bytes, row.out);
        if (row.cc == 0) {
            EXPECT_EQ(got.conType, TWON_ONEVALUE);
            // The restored value is what MSG_GETCURRENT answers from now on.
            EXPECT_EQ(Ask(MSG_GETCURRENT, row.cap).bytes, row.out);
        }
    }
}

TEST_F(SetTest, ResetWritesTheSettingsBack) {
    ASSERT_EQ(Set(ICAP_BRIGHTNESS, TWON_ONEVALUE, OneValueFix32(300)).rc, TWRC_SUCCESS);
    ASSERT_EQ(Set(ICAP_CONTRAST, TWON_ONEVALUE, OneValueFix32(-300)).rc, TWRC_SUCCESS);
    ASSERT_EQ(Ask(MSG_RESET, ICAP_BRIGHTNESS).rc, TWRC_SUCCESS);
    EXPECT_EQ(ScanValues.levels[kLevelFrontBrightness], 128);
    EXPECT_EQ(ScanValues.levels[kLevelBackBrightness], 128);
    EXPECT_NE(ScanValues.levels[kLevelFrontContrast], 128);
    ASSERT_EQ(Ask(MSG_RESET, ICAP_CONTRAST).rc, TWRC_SUCCESS);
    EXPECT_EQ(ScanValues.levels[kLevelBackContrast], 128);

    ASSERT_EQ(Set(ICAP_PIXELTYPE, TWON_ONEVALUE, OneValue(TWTY_UINT16, TWPT_GRAY)).rc,
              TWRC_SUCCESS);
    ASSERT_EQ(Ask(MSG_RESET, ICAP_PIXELTYPE).rc, TWRC_SUCCESS);
    EXPECT_STREQ(ImageType.text, "Black & White");
}

TEST_F(SetTest, ResetWhoseReplyCannotBeAllocatedIsLowMemoryButStillResets) {
    ASSERT_EQ(Set(CAP_XFERCOUNT, TWON_ONEVALUE, OneValue(TWTY_INT16, 3)).rc, TWRC_SUCCESS);
    plat::host::FailNextCalls(plat::host::HostService::MemAlloc, 1);
    Outcome got = Ask(MSG_RESET, CAP_XFERCOUNT);
    EXPECT_EQ(got.rc, TWRC_FAILURE);
    EXPECT_EQ(got.cc, TWCC_LOWMEMORY);
    plat::host::ResetHostHooks();
    EXPECT_EQ(CapabilityState.xferCount, -1);
}

}  // namespace
}  // namespace captest
