// Capability negotiation as an application meets it through the source
// manager: containers sent with MSG_SET and received from the GET messages,
// every one allocated, locked and freed with the manager's memory functions.
#include <cstring>
#include <vector>

#include "tests/e2e/e2e_support.h"

namespace {

class CapabilityNegotiationTest : public ManagerTest {
protected:
    void SetUp() override {
        ManagerTest::SetUp();
        ASSERT_EQ(OpenManager(), TWRC_SUCCESS);
        ASSERT_EQ(OpenSource(source, kKorvexProductName), TWRC_SUCCESS);
    }
    void TearDown() override {
        if (source.Id != 0) {
            EXPECT_EQ(CloseSource(source), TWRC_SUCCESS);
        }
        EXPECT_EQ(CloseManager(), TWRC_SUCCESS);
        ManagerTest::TearDown();
    }

    // A TW_ONEVALUE built by the application in a manager block.
    TW_HANDLE OneValue(TW_UINT16 itemType, TW_UINT32 item) {
        TW_HANDLE block = memAllocate(6);
        auto* bytes = static_cast<uint8_t*>(memLock(block));
        bytes[0] = static_cast<uint8_t>(itemType);
        bytes[1] = static_cast<uint8_t>(itemType >> 8);
        for (int i = 0; i < 4; ++i) bytes[2 + i] = static_cast<uint8_t>(item >> (8 * i));
        memUnlock(block);
        return block;
    }

    TW_UINT16 SetOneValue(TW_UINT16 cap, TW_UINT16 itemType, TW_UINT32 item) {
        TW_CAPABILITY capability{cap, TWON_ONEVALUE, OneValue(itemType, item)};
        TW_UINT16 rc = Dsm(&source, DG_CONTROL, DAT_CAPABILITY, MSG_SET, &capability);
        memFree(capability.hContainer);
        return rc;
    }

    // The container a GET message answers, copied; the block is freed.
    std::vector<uint8_t> Get(TW_UINT16 msg, TW_UINT16 cap, TW_UINT16* conType = nullptr) {
        TW_CAPABILITY capability{cap, TWON_DONTCARE16, nullptr};
        EXPECT_EQ(Dsm(&source, DG_CONTROL, DAT_CAPABILITY, msg, &capability), TWRC_SUCCESS)
            << "cap " << cap << " msg " << msg;
        if (conType != nullptr) *conType = capability.ConType;
        std::vector<uint8_t> bytes;
        if (capability.hContainer == nullptr) return bytes;
        uint32_t size = plat::MemSize(capability.hContainer);
        auto* data = static_cast<const uint8_t*>(memLock(capability.hContainer));
        bytes.assign(data, data + size);
        memUnlock(capability.hContainer);
        memFree(capability.hContainer);
        return bytes;
    }

    static std::vector<uint8_t> OneValueBytes(TW_UINT16 itemType, TW_UINT32 item) {
        std::vector<uint8_t> bytes = {static_cast<uint8_t>(itemType),
                                      static_cast<uint8_t>(itemType >> 8)};
        for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<uint8_t>(item >> (8 * i)));
        return bytes;
    }

    alignas(4) TW_IDENTITY source{};
};

TEST_F(CapabilityNegotiationTest, NegotiatedValuesReadBackAndEveryContainerIsFreed) {
    ASSERT_EQ(SetOneValue(ICAP_XRESOLUTION, TWTY_FIX32, 200), TWRC_SUCCESS);
    ASSERT_EQ(SetOneValue(ICAP_PIXELTYPE, TWTY_UINT16, TWPT_GRAY), TWRC_SUCCESS);
    ASSERT_EQ(SetOneValue(ICAP_BITDEPTH, TWTY_UINT16, 4), TWRC_SUCCESS);
    ASSERT_EQ(SetOneValue(ICAP_BRIGHTNESS, TWTY_FIX32, 500), TWRC_SUCCESS);
    ASSERT_EQ(SetOneValue(CAP_XFERCOUNT, TWTY_INT16, 2), TWRC_SUCCESS);

    EXPECT_EQ(Get(MSG_GETCURRENT, ICAP_XRESOLUTION), OneValueBytes(TWTY_FIX32, 200));
    EXPECT_EQ(Get(MSG_GETCURRENT, ICAP_YRESOLUTION), OneValueBytes(TWTY_FIX32, 200));
    EXPECT_EQ(Get(MSG_GETCURRENT, ICAP_PIXELTYPE), OneValueBytes(TWTY_UINT16, TWPT_GRAY));
    EXPECT_EQ(Get(MSG_GETCURRENT, ICAP_BITDEPTH), OneValueBytes(TWTY_UINT16, 4));
    // 500 is kept as the settings level 191, which reads back as 496.
    EXPECT_EQ(Get(MSG_GETCURRENT, ICAP_BRIGHTNESS), OneValueBytes(TWTY_FIX32, 496));
    EXPECT_EQ(Get(MSG_GETCURRENT, CAP_XFERCOUNT), OneValueBytes(TWTY_INT16, 2));

    TW_UINT16 conType = 0;
    std::vector<uint8_t> depths = Get(MSG_GET, ICAP_BITDEPTH, &conType);
    EXPECT_EQ(conType, TWON_ENUMERATION);
    EXPECT_EQ(depths, (std::vector<uint8_t>{4, 0, 2, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0,
                                            8, 0, 4, 0, 0}));
    std::vector<uint8_t> brightness = Get(MSG_GET, ICAP_BRIGHTNESS, &conType);
    EXPECT_EQ(conType, TWON_RANGE);
    EXPECT_EQ(brightness.size(), 22u);

    // Refusals reach the application with their condition code.
    EXPECT_EQ(SetOneValue(CAP_XFERCOUNT, TWTY_INT16, 0), TWRC_FAILURE);
    EXPECT_EQ(ConditionOf(&source), TWCC_BADVALUE);
    TW_CAPABILITY query{ICAP_PIXELTYPE, TWON_DONTCARE16, nullptr};
    EXPECT_EQ(Dsm(&source, DG_CONTROL, DAT_CAPABILITY, MSG_QUERYSUPPORT, &query), TWRC_FAILURE);
    EXPECT_EQ(ConditionOf(&source), TWCC_BADPROTOCOL);
    EXPECT_EQ(static_cast<TW_HANDLE>(query.hContainer), nullptr);

    // MSG_RESET answers the restored value in a container the application frees.
    EXPECT_EQ(Get(MSG_RESET, CAP_XFERCOUNT), OneValueBytes(TWTY_INT16, 0xFFFFFFFF));
    EXPECT_TRUE(ShownMessageBoxes().empty());
}

}  // namespace
