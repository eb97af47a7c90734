// Capability containers: their packed bytes, their sizes, the readers' bounds
// and the TW_FIX32 conversions.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "platform/host/host_hooks.h"
#include "platform/platform.h"
#include "settings/capability_container.h"

namespace {

using plat::host::HostService;

class ContainerTest : public ::testing::Test {
protected:
    void SetUp() override {
        plat::host::ResetHostHooks();
        liveAtStart_ = plat::host::LiveBlockCount();
        misusesAtStart_ = plat::host::BlockMisuseCount();
    }
    void TearDown() override {
        for (plat::MemHandle block : owned_) plat::MemFree(block);
        EXPECT_EQ(plat::host::LiveBlockCount(), liveAtStart_);
        EXPECT_EQ(plat::host::BlockMisuseCount(), misusesAtStart_ + expectedMisuses_);
        plat::host::ResetHostHooks();
    }

    // The container's bytes; the block is freed at the end of the test.
    std::vector<uint8_t> Bytes(const TW_CAPABILITY& cap) {
        owned_.push_back(static_cast<plat::MemHandle>(cap.hContainer));
        uint32_t size = plat::MemSize(cap.hContainer);
        auto* data = static_cast<const uint8_t*>(plat::MemLock(cap.hContainer));
        std::vector<uint8_t> bytes(data, data + size);
        plat::MemUnlock(cap.hContainer);
        return bytes;
    }

    // An application's container holding exactly these bytes.
    TW_CAPABILITY Container(TW_UINT16 conType, const std::vector<uint8_t>& bytes) {
        plat::MemHandle block = plat::MemAlloc(static_cast<uint32_t>(bytes.size()));
        owned_.push_back(block);
        if (!bytes.empty()) std::memcpy(plat::MemLock(block), bytes.data(), bytes.size());
        if (!bytes.empty()) plat::MemUnlock(block);
        return TW_CAPABILITY{ICAP_PIXELTYPE, conType, block};
    }

    std::vector<plat::MemHandle> owned_;
    int64_t liveAtStart_ = 0;
    uint32_t misusesAtStart_ = 0;
    uint32_t expectedMisuses_ = 0;
};

TEST(ItemSizeTest, EveryItemType) {
    // Columns: item type, size in bytes.
    const struct {
        TW_UINT16 type;
        TW_UINT32 size;
    } rows[] = {
        {TWTY_INT8, 1},   {TWTY_UINT8, 1},   {TWTY_INT16, 2},   {TWTY_UINT16, 2},
        {TWTY_BOOL, 2},   {TWTY_INT32, 4},   {TWTY_UINT32, 4},  {TWTY_FIX32, 4},
        {TWTY_FRAME, 16}, {TWTY_STR32, 34},  {TWTY_STR64, 66},  {TWTY_STR128, 130},
        {TWTY_STR255, 256}, {13, 2},         {0xFFFF, 2},
    };
    for (const auto& row : rows) EXPECT_EQ(ItemSize(row.type), row.size) << row.type;
}

TEST(Fix32Test, FromFloat) {
    // Columns: value, Whole, Frac.
    const struct {
        float value;
        TW_INT16 whole;
        TW_UINT16 frac;
    } rows[] = {
        {1.5f, 1, 0x8000},     {1.0f, 1, 0},         {8.5f, 8, 0x8000},
        {-0.25f, -1, 0xC001},  {0.0f, 0, 0},         {300.0f, 300, 0},
        {-1000.0f, -1000, 1},  // the added half moves every negative value toward zero
        {297.0f / 25.4f, 11, 45411},
        {1e9f, 32767, 0xFFFF},  {-1e9f, -32768, 0},  // saturated, never overflowing
    };
    for (const auto& row : rows) {
        TW_FIX32 fix = FloatToFix32(row.value);
        EXPECT_EQ(fix.Whole, row.whole) << row.value;
        EXPECT_EQ(fix.Frac, row.frac) << row.value;
    }
}

TEST(Fix32Test, ToFloat) {
    EXPECT_FLOAT_EQ(Fix32ToFloat(TW_FIX32{-2, 0x8000}), -1.5f);
    EXPECT_FLOAT_EQ(Fix32ToFloat(TW_FIX32{1, 0x8000}), 1.5f);
    EXPECT_FLOAT_EQ(Fix32ToFloat(TW_FIX32{300, 0}), 300.0f);
}

TEST(Fix32Test, BitsPutWholeLowAndFracHigh) {
    EXPECT_EQ(Fix32Bits(TW_FIX32{-1, 0xC001}), 0xC001FFFFu);
    TW_FIX32 back = Fix32FromBits(0xC001FFFFu);
    EXPECT_EQ(back.Whole, -1);
    EXPECT_EQ(back.Frac, 0xC001);
}

TEST_F(ContainerTest, OneValueIsSixPackedBytes) {
    TW_CAPABILITY cap{CAP_XFERCOUNT, 0, nullptr};
    ASSERT_EQ(BuildOneValue(&cap, TWTY_INT16, 0xFFFFFFFFu), TWCC_SUCCESS);
    EXPECT_EQ(cap.ConType, TWON_ONEVALUE);
    EXPECT_EQ(Bytes(cap), (std::vector<uint8_t>{0x01, 0x00, 0xFF, 0xFF, 0xFF, 0xFF}));
}

TEST_F(ContainerTest, EnumerationOfSevenFix32IsFortyThreeBytes) {
    CapabilityEnumFix32 resolutions = {
        {{100, 0}, {150, 0}, {200, 0}, {240, 0}, {300, 0x8000}, {360, 0}, {400, 0}, {0, 0}},
        TWTY_FIX32, 7, 4, 2};
    TW_CAPABILITY cap{ICAP_XRESOLUTION, 0, nullptr};
    ASSERT_EQ(BuildEnumeration(&cap, resolutions), TWCC_SUCCESS);
    EXPECT_EQ(cap.ConType, TWON_ENUMERATION);
    std::vector<uint8_t> expected = {0x07, 0x00, 7, 0, 0, 0, 4, 0, 0, 0, 2, 0, 0, 0,
                                     100, 0, 0, 0, 150, 0, 0, 0, 200, 0, 0, 0, 240, 0, 0, 0,
                                     0x2C, 0x01, 0x00, 0x80, 0x68, 0x01, 0, 0, 0x90, 0x01, 0, 0,
                                     0};
    EXPECT_EQ(Bytes(cap), expected);
}

TEST_F(ContainerTest, EnumerationOfUInt16) {
    CapabilityEnum16 compression = {{0, 3, 4, 5}, TWTY_UINT16, 4, 3, 0};
    TW_CAPABILITY cap{ICAP_COMPRESSION, 0, nullptr};
    ASSERT_EQ(BuildEnumeration(&cap, compression), TWCC_SUCCESS);
    EXPECT_EQ(Bytes(cap), (std::vector<uint8_t>{4, 0, 4, 0, 0, 0, 3, 0, 0, 0, 0, 0, 0, 0,
                                                0, 0, 3, 0, 4, 0, 5, 0, 0}));
}

TEST_F(ContainerTest, EnumerationWithMoreItemsThanSlotsIsNotBuilt) {
    CapabilityEnum16 broken = {{0, 1, 2, 3}, TWTY_UINT16, 5, 0, 0};
    TW_CAPABILITY cap{ICAP_COMPRESSION, 0, nullptr};
    EXPECT_EQ(BuildEnumeration(&cap, broken), TWCC_BUMMER);
    EXPECT_EQ(static_cast<TW_HANDLE>(cap.hContainer), nullptr);
    EXPECT_EQ(cap.ConType, 0);
}

TEST_F(ContainerTest, RangeIsTwentyTwoPackedBytes) {
    CapabilityRange range = {TWTY_FIX32, 0x0000FC18u, 1000, 8, 0, 0x0000023Au};
    TW_CAPABILITY cap{ICAP_BRIGHTNESS, 0, nullptr};
    ASSERT_EQ(BuildRange(&cap, range), TWCC_SUCCESS);
    EXPECT_EQ(cap.ConType, TWON_RANGE);
    EXPECT_EQ(Bytes(cap), (std::vector<uint8_t>{7, 0, 0x18, 0xFC, 0, 0, 0xE8, 0x03, 0, 0, 8, 0,
                                                0, 0, 0, 0, 0, 0, 0x3A, 0x02, 0, 0}));
}

TEST_F(ContainerTest, AllocationOrLockFailureIsReportedAndLeavesNoBlock) {
    CapabilityEnum16 pixelTypes = {{0, 1, 0, 0}, TWTY_UINT16, 2, 0, 0};
    CapabilityRange range = {TWTY_FIX32, 0, 0, 0, 0, 0};
    for (HostService service : {HostService::MemAlloc, HostService::MemLock}) {
        for (int builder = 0; builder < 3; ++builder) {
            plat::host::FailNextCalls(service, 1);
            // A one value keeps whatever handle was there; the others clear it.
            TW_CAPABILITY cap{ICAP_PIXELTYPE, 0x55, builder == 0 ? nullptr : &range};
            TW_UINT16 result = builder == 0   ? BuildOneValue(&cap, TWTY_UINT16, 1)
                               : builder == 1 ? BuildEnumeration(&cap, pixelTypes)
                                              : BuildRange(&cap, range);
            EXPECT_EQ(result, TWCC_LOWMEMORY) << builder;
            EXPECT_EQ(static_cast<TW_HANDLE>(cap.hContainer), nullptr) << builder;
            EXPECT_EQ(cap.ConType, 0x55) << builder;
            plat::host::ResetHostHooks();
        }
    }
}

TEST_F(ContainerTest, OneValueReadChangesOnlyItsOwnWidth) {
    // Columns: item type, item bytes, expected destination (start 0xAAAAAAAA).
    const struct {
        TW_UINT16 type;
        uint32_t expected;
    } rows[] = {
        {TWTY_INT8, 0xAAAAAA78u},  {TWTY_UINT8, 0xAAAAAA78u},  {TWTY_INT16, 0xAAAA5678u},
        {TWTY_UINT16, 0xAAAA5678u}, {TWTY_BOOL, 0xAAAA5678u},  {TWTY_INT32, 0x12345678u},
        {TWTY_UINT32, 0x12345678u}, {TWTY_FIX32, 0x12345678u},
    };
    for (const auto& row : rows) {
        TW_CAPABILITY cap = Container(
            TWON_ONEVALUE, {static_cast<uint8_t>(row.type), 0, 0x78, 0x56, 0x34, 0x12});
        TW_UINT32 destination = 0xAAAAAAAAu;
        EXPECT_EQ(ReadOneValue(&cap, &destination), 1) << row.type;
        EXPECT_EQ(destination, row.expected) << row.type;
    }
}

TEST_F(ContainerTest, OneValueThatCannotBeReadLeavesDestination) {
    TW_UINT32 destination = 0xAAAAAAAAu;
    TW_CAPABILITY empty{ICAP_PIXELTYPE, TWON_ONEVALUE, nullptr};
    EXPECT_EQ(ReadOneValue(&empty, &destination), 0);
    EXPECT_EQ(ReadOneValue(nullptr, &destination), 0);
    TW_CAPABILITY shortBlock = Container(TWON_ONEVALUE, {4, 0, 1, 0, 0});
    EXPECT_EQ(ReadOneValue(&shortBlock, &destination), 0);
    TW_CAPABILITY frame = Container(TWON_ONEVALUE, {TWTY_FRAME, 0, 1, 0, 0, 0});
    EXPECT_EQ(ReadOneValue(&frame, &destination), 0);
    TW_CAPABILITY good = Container(TWON_ONEVALUE, {4, 0, 1, 0, 0, 0});
    plat::host::FailNextCalls(HostService::MemLock, 1);
    EXPECT_EQ(ReadOneValue(&good, &destination), 0);
    EXPECT_EQ(destination, 0xAAAAAAAAu);
    TW_CAPABILITY freed = Container(TWON_ONEVALUE, {4, 0, 1, 0, 0, 0});
    plat::MemFree(freed.hContainer);
    owned_.pop_back();
    EXPECT_EQ(ReadOneValue(&freed, &destination), 0);
    EXPECT_EQ(destination, 0xAAAAAAAAu);
    expectedMisuses_ = 1;  // the lock after free, refused by the platform
    plat::host::DrainBlockQuarantine();
}

TEST_F(ContainerTest, EnumerationHeadMustFitItsBlock) {
    // UINT16 items; head claims three items.
    std::vector<uint8_t> head = {4, 0, 3, 0, 0, 0, 1, 0, 0, 0, 2, 0, 0, 0};
    std::vector<uint8_t> full = head;
    full.insert(full.end(), {0, 0, 1, 0, 2, 0});
    TW_CAPABILITY fits = Container(TWON_ENUMERATION, full);
    EnumerationHead read{};
    ASSERT_EQ(ReadEnumerationHead(&fits, &read), 1);
    EXPECT_EQ(read.itemType, TWTY_UINT16);
    EXPECT_EQ(read.numItems, 3u);
    EXPECT_EQ(read.currentIndex, 1u);
    EXPECT_EQ(read.defaultIndex, 2u);

    std::vector<uint8_t> cut(full.begin(), full.end() - 1);
    TW_CAPABILITY tooShort = Container(TWON_ENUMERATION, cut);
    EXPECT_EQ(ReadEnumerationHead(&tooShort, &read), 0);

    std::vector<uint8_t> huge = full;
    huge[2] = 0xFF, huge[3] = 0xFF, huge[4] = 0xFF, huge[5] = 0x7F;
    TW_CAPABILITY overflowing = Container(TWON_ENUMERATION, huge);
    EXPECT_EQ(ReadEnumerationHead(&overflowing, &read), 0);

    TW_CAPABILITY headless = Container(TWON_ENUMERATION, {4, 0, 0, 0});
    EXPECT_EQ(ReadEnumerationHead(&headless, &read), 0);
}

TEST_F(ContainerTest, EnumerationItemsAreReadInsideTheBlockOnly) {
    TW_CAPABILITY cap = Container(TWON_ENUMERATION, {7, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                                                     0x2C, 0x01, 0x00, 0x80, 0xC8, 0, 0, 0});
    TW_UINT32 item = 0;
    ASSERT_EQ(ReadEnumerationItem(&cap, &item, 0), 1);
    EXPECT_EQ(item, 0x8000012Cu);
    ASSERT_EQ(ReadEnumerationItem(&cap, &item, 1), 1);
    EXPECT_EQ(item, 200u);
    item = 0xAAAAAAAAu;
    EXPECT_EQ(ReadEnumerationItem(&cap, &item, 2), 0);
    EXPECT_EQ(ReadEnumerationItem(&cap, &item, 0x40000000u), 0);
    EXPECT_EQ(item, 0xAAAAAAAAu);

    TW_CAPABILITY bools = Container(TWON_ENUMERATION, {6, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                                                       1, 0});
    item = 0xAAAAAAAAu;
    ASSERT_EQ(ReadEnumerationItem(&bools, &item, 0), 1);
    EXPECT_EQ(item, 0xAAAA0001u);
}

TEST_F(ContainerTest, FrameItemsAreReadFieldByField) {
    std::vector<uint8_t> bytes = {8, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    bytes.insert(bytes.end(), {1, 0, 0, 0x80, 2, 0, 0, 0, 0xFF, 0xFF, 0, 0x40, 4, 0, 0, 0});
    TW_CAPABILITY cap = Container(TWON_ENUMERATION, bytes);
    TW_FRAME frame{};
    ASSERT_EQ(ReadEnumerationItem(&cap, &frame, 0), 1);
    EXPECT_EQ(frame.Left.Whole, 1);
    EXPECT_EQ(frame.Left.Frac, 0x8000);
    EXPECT_EQ(frame.Top.Whole, 2);
    EXPECT_EQ(frame.Right.Whole, -1);
    EXPECT_EQ(frame.Right.Frac, 0x4000);
    EXPECT_EQ(frame.Bottom.Whole, 4);
    EXPECT_EQ(ReadEnumerationItem(&cap, &frame, 1), 0);
}

}  // namespace
