// DAT_ENTRYPOINT (the Linux build only): which records are refused with which
// code, and that the blocks handed to the application come from the functions
// of an accepted record and from the platform otherwise.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "platform/platform.h"
#include "tests/support/counted_blocks.h"
#include "twain/dispatch.h"
#include "twain/source_state.h"

namespace {

TW_UINT16 TW_CALLINGSTYLE IgnoreNotification(TW_IDENTITY*, TW_IDENTITY*, TW_UINT32, TW_UINT16,
                                             TW_UINT16, TW_MEMREF) {
    return TWRC_SUCCESS;
}

TW_ENTRYPOINT CountedEntryPoint() {
    return TW_ENTRYPOINT{sizeof(TW_ENTRYPOINT), IgnoreNotification, counted_blocks::Allocate,
                         counted_blocks::Free, counted_blocks::Lock, counted_blocks::Unlock};
}

// The application's identity, as the manager passes it before the open.
TW_IDENTITY* App() {
    alignas(4) static TW_IDENTITY app{};
    app.Id = 1;
    return &app;
}

TW_UINT16 Status() {
    TW_STATUS status{};
    EXPECT_EQ(DS_Entry(App(), DG_CONTROL, DAT_STATUS, MSG_GET, &status), TWRC_SUCCESS);
    return status.ConditionCode;
}

// MSG_GET of the pixel types: the container's handle (the caller frees it).
TW_HANDLE PixelTypes() {
    TW_CAPABILITY cap{ICAP_PIXELTYPE, TWON_DONTCARE16, nullptr};
    EXPECT_EQ(DS_Entry(App(), DG_CONTROL, DAT_CAPABILITY, MSG_GET, &cap), TWRC_SUCCESS);
    return cap.hContainer;
}

struct RefusedRecord {
    const char* what;
    TW_UINT16 msg;
    void (*spoil)(TW_ENTRYPOINT&);
    TW_UINT16 condition;
};

// Columns: what, message, how the record is spoiled, condition code.
const RefusedRecord kRefusedRecords[] = {
    {"MSG_GET", MSG_GET, [](TW_ENTRYPOINT&) {}, TWCC_BADPROTOCOL},
    {"Size 0", MSG_SET, [](TW_ENTRYPOINT& e) { e.Size = 0; }, TWCC_BADVALUE},
    {"one byte short", MSG_SET, [](TW_ENTRYPOINT& e) { e.Size = sizeof e - 1; }, TWCC_BADVALUE},
    {"no DSM_Entry", MSG_SET, [](TW_ENTRYPOINT& e) { e.DSM_Entry = nullptr; }, TWCC_BADVALUE},
    {"no allocate", MSG_SET, [](TW_ENTRYPOINT& e) { e.DSM_MemAllocate = nullptr; }, TWCC_BADVALUE},
    {"no free", MSG_SET, [](TW_ENTRYPOINT& e) { e.DSM_MemFree = nullptr; }, TWCC_BADVALUE},
    {"no lock", MSG_SET, [](TW_ENTRYPOINT& e) { e.DSM_MemLock = nullptr; }, TWCC_BADVALUE},
    {"no unlock", MSG_SET, [](TW_ENTRYPOINT& e) { e.DSM_MemUnlock = nullptr; }, TWCC_BADVALUE},
};

TEST(EntryPoint, RefusedRecordsLeaveThePlatformsBlocks) {
    counted_blocks::Reset();
    EXPECT_EQ(DS_Entry(App(), DG_CONTROL, DAT_ENTRYPOINT, MSG_SET, nullptr), TWRC_FAILURE);
    EXPECT_EQ(Status(), TWCC_BADVALUE) << "a null record";
    for (const RefusedRecord& row : kRefusedRecords) {
        TW_ENTRYPOINT record = CountedEntryPoint();
        row.spoil(record);
        EXPECT_EQ(DS_Entry(App(), DG_CONTROL, DAT_ENTRYPOINT, row.msg, &record), TWRC_FAILURE)
            << row.what;
        EXPECT_EQ(Status(), row.condition) << row.what;
    }
    TW_HANDLE container = PixelTypes();
    EXPECT_EQ(plat::MemSize(container), 14u + 2 * 2 + 1) << "a platform block";
    plat::MemFree(container);
    EXPECT_EQ(counted_blocks::Blocks().allocations, 0);
}

TEST(EntryPoint, AcceptedRecordHandsOverTheManagersBlocks) {
    counted_blocks::Reset();
    // A longer record of a later version is read as far as this one goes.
    std::vector<uint8_t> longer(sizeof(TW_ENTRYPOINT) + 8, 0);
    TW_ENTRYPOINT record = CountedEntryPoint();
    record.Size = static_cast<TW_UINT32>(longer.size());
    std::memcpy(longer.data(), &record, sizeof record);
    ASSERT_EQ(DS_Entry(App(), DG_CONTROL, DAT_ENTRYPOINT, MSG_SET, longer.data()), TWRC_SUCCESS);

    TW_HANDLE container = PixelTypes();
    ASSERT_EQ(counted_blocks::LockCount(container), 0) << "a block of the manager's, unlocked";
    const auto* bytes = static_cast<const uint8_t*>(container);  // its lock answers the handle
    EXPECT_EQ(std::vector<uint8_t>(bytes, bytes + 18),
              (std::vector<uint8_t>{4, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0}));
    counted_blocks::Free(container);
    EXPECT_TRUE(counted_blocks::Blocks().lockCounts.empty());

    counted_blocks::Blocks().allocationsBeforeFailure = 0;
    TW_CAPABILITY cap{ICAP_PIXELTYPE, TWON_DONTCARE16, nullptr};
    EXPECT_EQ(DS_Entry(App(), DG_CONTROL, DAT_CAPABILITY, MSG_GET, &cap), TWRC_FAILURE);
    EXPECT_EQ(Status(), TWCC_LOWMEMORY);
    EXPECT_EQ(TW_HANDLE{cap.hContainer}, nullptr);  // a packed field: compare a copy
    EXPECT_EQ(counted_blocks::Blocks().Misuses(), 0);
    counted_blocks::Reset();
}

}  // namespace
