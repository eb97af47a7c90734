// MSG_GET, MSG_GETCURRENT and MSG_GETDEFAULT of every capability, and the
// messages and capabilities the source refuses.
#include <gtest/gtest.h>

#include "negotiation_support.h"
#include "platform/host/host_hooks.h"
#include "settings/capability_negotiation.h"
#include "settings/capability_state.h"
#include "settings/settings_model.h"
#include "twain/source_state.h"

namespace captest {
namespace {

constexpr TW_UINT16 kUnsupportedCap = 0x1000;  // CAP_AUTHOR

// Columns: capability, message, return code, condition code, container out
// (empty: none).
struct GetRow {
    TW_UINT16 cap;
    TW_UINT16 msg;
    TW_UINT16 rc;
    TW_UINT16 cc;
    Bytes out;
};

Bytes Failed() { return {}; }

// The replies of a generation 8, A3-width model at load (brightness and
// contrast 128 on both sides).
const std::vector<GetRow>& ReplyTable() {
    static const std::vector<GetRow> rows = {
        {CAP_XFERCOUNT, MSG_GET, TWRC_SUCCESS, 0, OneValue(TWTY_INT16, 0xFFFFFFFF)},
        {CAP_XFERCOUNT, MSG_GETCURRENT, TWRC_SUCCESS, 0, OneValue(TWTY_INT16, 0xFFFFFFFF)},
        {CAP_XFERCOUNT, MSG_GETDEFAULT, TWRC_SUCCESS, 0, OneValue(TWTY_INT16, 0xFFFFFFFF)},
        {ICAP_COMPRESSION, MSG_GET, TWRC_SUCCESS, 0,
         Spare(Enum16(TWTY_UINT16, {TWCP_NONE, TWCP_GROUP31DEOL, TWCP_GROUP32D, TWCP_GROUP4}, 0, 0))},
        {ICAP_COMPRESSION, MSG_GETCURRENT, TWRC_SUCCESS, 0, OneValue(TWTY_UINT16, TWCP_NONE)},
        {ICAP_COMPRESSION, MSG_GETDEFAULT, TWRC_SUCCESS, 0, OneValue(TWTY_UINT16, TWCP_NONE)},
        {ICAP_PIXELTYPE, MSG_GET, TWRC_SUCCESS, 0,
         Spare(Enum16(TWTY_UINT16, {TWPT_BW, TWPT_GRAY}, 0, 0))},
        {ICAP_PIXELTYPE, MSG_GETCURRENT, TWRC_SUCCESS, 0, OneValue(TWTY_UINT16, TWPT_BW)},
        {ICAP_PIXELTYPE, MSG_GETDEFAULT, TWRC_SUCCESS, 0, OneValue(TWTY_UINT16, TWPT_BW)},
        {ICAP_UNITS, MSG_GET, TWRC_SUCCESS, 0, Spare(Enum16(TWTY_UINT16, {TWUN_INCHES}, 0, 0))},
        {ICAP_UNITS, MSG_GETCURRENT, TWRC_SUCCESS, 0, OneValue(TWTY_UINT16, TWUN_INCHES)},
        {ICAP_UNITS, MSG_GETDEFAULT, TWRC_SUCCESS, 0, OneValue(TWTY_UINT16, TWUN_INCHES)},
        {ICAP_XFERMECH, MSG_GET, TWRC_SUCCESS, 0,
         Spare(Enum16(TWTY_UINT16, {TWSX_NATIVE, TWSX_MEMORY}, 0, 0))},
        {ICAP_XFERMECH, MSG_GETCURRENT, TWRC_SUCCESS, 0, OneValue(TWTY_UINT16, TWSX_NATIVE)},
        {ICAP_XFERMECH, MSG_GETDEFAULT, TWRC_SUCCESS, 0, OneValue(TWTY_UINT16, TWSX_NATIVE)},
        {ICAP_XRESOLUTION, MSG_GET, TWRC_SUCCESS, 0,
         Spare(EnumFix32({100, 150, 200, 240, 300, 360, 400}, 4, 4))},
        {ICAP_XRESOLUTION, MSG_GETCURRENT, TWRC_SUCCESS, 0, OneValueFix32(300)},
        {ICAP_XRESOLUTION, MSG_GETDEFAULT, TWRC_FAILURE, TWCC_BADCAP, Failed()},
        {ICAP_YRESOLUTION, MSG_GET, TWRC_SUCCESS, 0,
         Spare(EnumFix32({100, 150, 200, 240, 300, 360, 400}, 4, 4))},
        {ICAP_YRESOLUTION, MSG_GETCURRENT, TWRC_SUCCESS, 0, OneValueFix32(300)},
        {ICAP_YRESOLUTION, MSG_GETDEFAULT, TWRC_FAILURE, TWCC_BADCAP, Failed()},
        {ICAP_BITDEPTH, MSG_GET, TWRC_SUCCESS, 0, OneValue(TWTY_UINT16, 1)},
        {ICAP_BITDEPTH, MSG_GETCURRENT, TWRC_SUCCESS, 0, OneValue(TWTY_UINT16, 1)},
        {ICAP_BITDEPTH, MSG_GETDEFAULT, TWRC_FAILURE, TWCC_BADCAP, Failed()},
        {ICAP_BRIGHTNESS, MSG_GET, TWRC_SUCCESS, 0, Range(TWTY_FIX32, -1000, 1000, 8, 0, 0)},
        {ICAP_BRIGHTNESS, MSG_GETCURRENT, TWRC_SUCCESS, 0, OneValueFix32(0)},
        {ICAP_BRIGHTNESS, MSG_GETDEFAULT, TWRC_SUCCESS, 0, OneValueFix32(0)},
        {ICAP_CONTRAST, MSG_GET, TWRC_SUCCESS, 0, Range(TWTY_FIX32, -1000, 1000, 8, 0, 0)},
        {ICAP_CONTRAST, MSG_GETCURRENT, TWRC_SUCCESS, 0, OneValueFix32(0)},
        {ICAP_CONTRAST, MSG_GETDEFAULT, TWRC_SUCCESS, 0, OneValueFix32(0)},
        {ICAP_PHYSICALWIDTH, MSG_GET, TWRC_SUCCESS, 0, OneValueFix32(11, 45411)},
        {ICAP_PHYSICALWIDTH, MSG_GETCURRENT, TWRC_FAILURE, TWCC_BADCAP, Failed()},
        {ICAP_PHYSICALWIDTH, MSG_GETDEFAULT, TWRC_FAILURE, TWCC_BADCAP, Failed()},
        {ICAP_PHYSICALHEIGHT, MSG_GET, TWRC_SUCCESS, 0, OneValueFix32(16, 63472)},
        {ICAP_PHYSICALHEIGHT, MSG_GETCURRENT, TWRC_FAILURE, TWCC_BADCAP, Failed()},
        {ICAP_PHYSICALHEIGHT, MSG_GETDEFAULT, TWRC_FAILURE, TWCC_BADCAP, Failed()},
        {ICAP_CCITTKFACTOR, MSG_GET, TWRC_SUCCESS, 0, OneValue(TWTY_UINT16, 4)},
        {ICAP_CCITTKFACTOR, MSG_GETCURRENT, TWRC_SUCCESS, 0, OneValue(TWTY_UINT16, 4)},
        {ICAP_CCITTKFACTOR, MSG_GETDEFAULT, TWRC_SUCCESS, 0, OneValue(TWTY_UINT16, 256)},
        {ICAP_PIXELFLAVOR, MSG_GET, TWRC_SUCCESS, 0, OneValue(TWTY_UINT16, TWPF_CHOCOLATE)},
        {ICAP_PIXELFLAVOR, MSG_GETCURRENT, TWRC_SUCCESS, 0, OneValue(TWTY_UINT16, TWPF_CHOCOLATE)},
        {ICAP_PIXELFLAVOR, MSG_GETDEFAULT, TWRC_SUCCESS, 0, OneValue(TWTY_UINT16, TWPF_CHOCOLATE)},
        {CAP_FEEDERENABLED, MSG_GET, TWRC_SUCCESS, 0, OneValue(TWTY_BOOL, 1)},
        {CAP_FEEDERENABLED, MSG_GETCURRENT, TWRC_SUCCESS, 0, OneValue(TWTY_BOOL, 1)},
        {CAP_FEEDERENABLED, MSG_GETDEFAULT, TWRC_FAILURE, TWCC_BADCAP, Failed()},
        {CAP_FEEDERLOADED, MSG_GETDEFAULT, TWRC_FAILURE, TWCC_BADCAP, Failed()},
        {CAP_AUTOFEED, MSG_GET, TWRC_SUCCESS, 0, OneValue(TWTY_BOOL, 1)},
        {CAP_AUTOFEED, MSG_GETCURRENT, TWRC_SUCCESS, 0, OneValue(TWTY_BOOL, 1)},
        {CAP_AUTOFEED, MSG_GETDEFAULT, TWRC_FAILURE, TWCC_BADCAP, Failed()},
        {CAP_INDICATORS, MSG_GET, TWRC_SUCCESS, 0, OneValue(TWTY_BOOL, 1)},
        {CAP_INDICATORS, MSG_GETCURRENT, TWRC_SUCCESS, 0, OneValue(TWTY_BOOL, 1)},
        {CAP_INDICATORS, MSG_GETDEFAULT, TWRC_SUCCESS, 0, OneValue(TWTY_BOOL, 1)},
        {CAP_CUSTOM_8123, MSG_GET, TWRC_SUCCESS, 0, OneValue(TWTY_BOOL, 1)},
        {CAP_CUSTOM_8123, MSG_GETCURRENT, TWRC_SUCCESS, 0, OneValue(TWTY_BOOL, 1)},
        {CAP_CUSTOM_8123, MSG_GETDEFAULT, TWRC_SUCCESS, 0, OneValue(TWTY_BOOL, 1)},
        {CAP_CUSTOM_8124, MSG_GET, TWRC_SUCCESS, 0, OneValue(TWTY_BOOL, 0)},
        {CAP_CUSTOM_8124, MSG_GETCURRENT, TWRC_SUCCESS, 0, OneValue(TWTY_BOOL, 0)},
        {CAP_CUSTOM_8124, MSG_GETDEFAULT, TWRC_SUCCESS, 0, OneValue(TWTY_BOOL, 0)},
        {kUnsupportedCap, MSG_GET, TWRC_FAILURE, TWCC_BADCAP, Failed()},
        {kUnsupportedCap, MSG_GETCURRENT, TWRC_FAILURE, TWCC_BADCAP, Failed()},
        {kUnsupportedCap, MSG_GETDEFAULT, TWRC_FAILURE, TWCC_BADCAP, Failed()},
    };
    return rows;
}

class GetTest : public NegotiationTest {};

TEST_F(GetTest, EveryCapabilityAnswersItsTableRow) {
    UseModel("ZR-DX961");
    for (const GetRow& row : ReplyTable()) {
        SCOPED_TRACE(testing::Message() << "cap 0x" << std::hex << row.cap << " msg " << row.msg);
        Outcome got = Ask(row.msg, row.cap);
        EXPECT_EQ(got.rc, row.rc);
        EXPECT_EQ(got.cc, row.cc);
        EXPECT_EQ(got.hasContainer, !row.out.empty());
        EXPECT_EQ(got.bytes, row.out);
        if (!row.out.empty()) {
            TW_UINT16 expectedKind = row.out.size() == 6    ? TWON_ONEVALUE
                                     : row.out.size() == 22 ? TWON_RANGE
                                                            : TWON_ENUMERATION;
            EXPECT_EQ(got.conType, expectedKind);
        }
    }
}

TEST_F(GetTest, MessagesOutsideGetSetAndResetAreBadProtocol) {
    UseModel("ZR-DX961");
    for (TW_UINT16 msg : {MSG_NULL, MSG_GETFIRST, MSG_GETNEXT, MSG_QUERYSUPPORT,
                          static_cast<TW_UINT16>(9), MSG_XFERREADY}) {
        for (TW_UINT16 cap : {CAP_XFERCOUNT, ICAP_PIXELTYPE, kUnsupportedCap}) {
            Outcome got = Ask(msg, cap);
            EXPECT_EQ(got.rc, TWRC_FAILURE) << msg;
            EXPECT_EQ(got.cc, TWCC_BADPROTOCOL) << msg;
            EXPECT_FALSE(got.hasContainer) << msg;
        }
    }
}

TEST_F(GetTest, NullCapabilityIsRefusedForEveryMessage) {
    for (TW_UINT16 msg : {MSG_GET, MSG_GETCURRENT, MSG_GETDEFAULT, MSG_SET, MSG_RESET}) {
        alignas(4) TW_IDENTITY app{};
        TripletCall call{&app, DG_CONTROL, DAT_CAPABILITY, msg, nullptr};
        EXPECT_EQ(NegotiateCapability(&call), TWRC_FAILURE) << msg;
        EXPECT_EQ(ConditionCode, TWCC_BADVALUE) << msg;
    }
}

TEST_F(GetTest, PhysicalSizesFollowThePaperClass) {
    // Columns: model, width Whole, width Frac, height Whole, height Frac.
    const struct {
        const char* model;
        TW_INT16 widthWhole;
        TW_UINT16 widthFrac;
        TW_INT16 heightWhole;
        TW_UINT16 heightFrac;
    } rows[] = {
        {"ZR-DX961", 11, 45411, 16, 63472},   // A3 width, 297 by 431 mm
        {"ZR-DX73PX", 8, 33026, 16, 63472},   // letter width, 216 by 431 mm
        {"ZR-DX72", 8, 33026, 13, 63988},     // letter width, generation 0: 216 by 355 mm
        {"ZR-DX83PX", 10, 5160, 16, 63472},   // B4 width, 256 by 431 mm
        {"ZR-DX83", 10, 5160, 14, 21673},     // B4 width, generation 0: 256 by 364 mm
    };
    for (const auto& row : rows) {
        UseModel(row.model);
        EXPECT_EQ(Ask(MSG_GET, ICAP_PHYSICALWIDTH).bytes,
                  OneValueFix32(row.widthWhole, row.widthFrac)) << row.model;
        EXPECT_EQ(Ask(MSG_GET, ICAP_PHYSICALHEIGHT).bytes,
                  OneValueFix32(row.heightWhole, row.heightFrac)) << row.model;
    }
}

TEST_F(GetTest, BrightnessAndContrastAreScaledFromTheFrontSide) {
    UseModel("ZR-DX961");
    // Columns: settings level, capability value.
    const struct {
        int32_t level;
        TW_INT16 value;
    } rows[] = {{1, -1000}, {128, 0}, {255, 1000}, {200, 566}, {191, 496}, {64, -503}};
    for (const auto& row : rows) {
        ScanValues.levels[kLevelFrontBrightness] = row.level;
        ScanValues.levels[kLevelFrontContrast] = row.level;
        ScanValues.levels[kLevelBackBrightness] = 17;
        ScanValues.levels[kLevelBackContrast] = 17;
        EXPECT_EQ(Ask(MSG_GETCURRENT, ICAP_BRIGHTNESS).bytes, OneValueFix32(row.value)) << row.level;
        EXPECT_EQ(Ask(MSG_GETCURRENT, ICAP_CONTRAST).bytes, OneValueFix32(row.value)) << row.level;
        EXPECT_EQ(Ask(MSG_GET, ICAP_BRIGHTNESS).bytes,
                  Range(TWTY_FIX32, -1000, 1000, 8, 0, row.value)) << row.level;
        // The range's current value is kept, the default stays 0.
        EXPECT_EQ(static_cast<TW_UINT32>(CapabilityState.brightness.CurrentValue),
                  static_cast<TW_UINT32>(static_cast<TW_UINT16>(row.value)));
        EXPECT_EQ(Ask(MSG_GETDEFAULT, ICAP_CONTRAST).bytes, OneValueFix32(0)) << row.level;
    }
}

TEST_F(GetTest, UncompressedModelDropsACompressionLeftByAnEarlierModel) {
    UseModel("ZR-DX73PX");
    ASSERT_EQ(Set(ICAP_COMPRESSION, TWON_ONEVALUE, OneValue(TWTY_UINT16, TWCP_GROUP4)).rc,
              TWRC_SUCCESS);
    UseModel("ZR-DX41");
    EXPECT_EQ(Ask(MSG_GETCURRENT, ICAP_COMPRESSION).bytes, OneValue(TWTY_UINT16, TWCP_NONE));
    EXPECT_EQ(CapabilityState.compression.current.currentIndex, 0u);
}

TEST_F(GetTest, ReplyThatCannotBeAllocatedIsLowMemory) {
    UseModel("ZR-DX961");
    for (TW_UINT16 cap : {CAP_XFERCOUNT, ICAP_PIXELTYPE, ICAP_BRIGHTNESS, ICAP_XRESOLUTION}) {
        for (TW_UINT16 msg : {MSG_GET, MSG_GETCURRENT}) {
            plat::host::FailNextCalls(plat::host::HostService::MemAlloc, 1);
            Outcome got = Ask(msg, cap);
            EXPECT_EQ(got.rc, TWRC_FAILURE) << cap;
            EXPECT_EQ(got.cc, TWCC_LOWMEMORY) << cap;
            EXPECT_FALSE(got.hasContainer) << cap;
            plat::host::ResetHostHooks();
        }
    }
}

}  // namespace
}  // namespace captest
