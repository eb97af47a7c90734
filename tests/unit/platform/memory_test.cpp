// Movable memory blocks: zeroed, lock counts, misuse after free detected,
// blocks shared between copies of the platform library, the peak of live bytes.
#include <cstdlib>
#include <cstring>

#include "platform/platform.h"
#include "platform/host/host_hooks.h"
#include "tests/unit/platform/platform_fixture.h"

namespace {

using plat::host::HostBlockHeader;

class MemoryTest : public PlatformTest {};

TEST_F(MemoryTest, BlocksAreZeroedAndSized) {
    const int64_t before = plat::host::LiveBlockCount();
    plat::MemHandle block = plat::MemAlloc(4096);
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(plat::host::LiveBlockCount(), before + 1);
    EXPECT_EQ(plat::MemSize(block), 4096u);
    auto* bytes = static_cast<unsigned char*>(plat::MemLock(block));
    ASSERT_NE(bytes, nullptr);
    for (uint32_t i = 0; i < 4096; ++i) ASSERT_EQ(bytes[i], 0) << i;
    EXPECT_EQ(reinterpret_cast<uintptr_t>(bytes) % 16, 0u);
    plat::MemUnlock(block);
    plat::MemFree(block);
    EXPECT_EQ(plat::host::LiveBlockCount(), before);
}

// The peak of live bytes follows allocations and frees, and a reset starts it
// from the bytes live now.
TEST_F(MemoryTest, PeakOfLiveBytes) {
    const uint64_t before = plat::host::LiveBlockBytes();
    plat::host::ResetPeakLiveBlockBytes();
    plat::MemHandle first = plat::MemAlloc(1000);
    plat::MemHandle second = plat::MemAlloc(3000);
    plat::MemFree(first);
    plat::MemHandle third = plat::MemAlloc(500);
    EXPECT_EQ(plat::host::LiveBlockBytes(), before + 3500);
    EXPECT_EQ(plat::host::PeakLiveBlockBytes(), before + 4000);
    plat::MemFree(second);
    plat::MemFree(third);
    EXPECT_EQ(plat::host::LiveBlockBytes(), before);
    EXPECT_EQ(plat::host::PeakLiveBlockBytes(), before + 4000);
    plat::host::ResetPeakLiveBlockBytes();
    EXPECT_EQ(plat::host::PeakLiveBlockBytes(), before);
}

TEST_F(MemoryTest, EmptyBlockIsAValidHandle) {
    plat::MemHandle block = plat::MemAlloc(0);
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(plat::MemSize(block), 0u);
    EXPECT_NE(plat::MemLock(block), nullptr);
    plat::MemFree(block);
}

TEST_F(MemoryTest, LockCountsNest) {
    plat::MemHandle block = plat::MemAlloc(8);
    auto* header = static_cast<HostBlockHeader*>(block);
    void* first = plat::MemLock(block);
    void* second = plat::MemLock(block);
    EXPECT_EQ(first, second);
    EXPECT_EQ(header->lockCount, 2u);
    EXPECT_TRUE(plat::MemUnlock(block));
    EXPECT_TRUE(plat::MemUnlock(block));
    EXPECT_FALSE(plat::MemUnlock(block));  // not locked
    EXPECT_EQ(header->lockCount, 0u);
    plat::MemFree(block);
}

TEST_F(MemoryTest, MisuseAfterFreeIsRefused) {
    plat::MemHandle block = plat::MemAlloc(64);
    plat::MemFree(block);
    const uint32_t misuses = plat::host::BlockMisuseCount();
    const int64_t live = plat::host::LiveBlockCount();
    plat::MemFree(block);
    EXPECT_EQ(plat::MemLock(block), nullptr);
    EXPECT_FALSE(plat::MemUnlock(block));
    EXPECT_EQ(plat::MemSize(block), 0u);
    EXPECT_EQ(plat::host::BlockMisuseCount(), misuses + 4);
    EXPECT_EQ(plat::host::LiveBlockCount(), live);  // the second free counted nothing
}

TEST_F(MemoryTest, NullHandlesAreHarmless) {
    const uint32_t misuses = plat::host::BlockMisuseCount();
    plat::MemFree(nullptr);
    EXPECT_EQ(plat::MemLock(nullptr), nullptr);
    EXPECT_FALSE(plat::MemUnlock(nullptr));
    EXPECT_EQ(plat::MemSize(nullptr), 0u);
    EXPECT_EQ(plat::host::BlockMisuseCount(), misuses);
}

TEST_F(MemoryTest, ImpossibleSizesAreRefused) {
    EXPECT_EQ(plat::MemAlloc(UINT32_MAX), nullptr);
    EXPECT_EQ(plat::MemAlloc(UINT32_MAX - plat::host::kBlockHeaderSize + 1), nullptr);
}

TEST_F(MemoryTest, BlockOfAnotherModuleIsShared) {
    // Another copy of the library lays a block out the same way.
    auto* foreign = static_cast<HostBlockHeader*>(std::calloc(1, plat::host::kBlockHeaderSize + 10));
    foreign->magic = plat::host::kLiveBlockMagic;
    foreign->size = 10;
    auto* data = static_cast<char*>(plat::MemLock(foreign));
    ASSERT_EQ(data, reinterpret_cast<char*>(foreign) + plat::host::kBlockHeaderSize);
    std::memcpy(data, "shared", 7);
    EXPECT_EQ(foreign->lockCount, 1u);
    EXPECT_EQ(plat::MemSize(foreign), 10u);
    plat::MemUnlock(foreign);

    // And a block of ours is readable by it.
    plat::MemHandle ours = plat::MemAlloc(3);
    const auto* header = static_cast<const HostBlockHeader*>(ours);
    EXPECT_EQ(header->magic, plat::host::kLiveBlockMagic);
    EXPECT_EQ(header->size, 3u);
    plat::MemFree(ours);
    EXPECT_EQ(header->magic, plat::host::kDeadBlockMagic);  // still in quarantine

    plat::MemFree(foreign);  // freed with the same allocator
    plat::host::DrainBlockQuarantine();
}

TEST_F(MemoryTest, SomethingThatIsNoBlockIsRefused) {
    HostBlockHeader fake{0x12345678u, 4, 0, 0};
    const uint32_t misuses = plat::host::BlockMisuseCount();
    EXPECT_EQ(plat::MemLock(&fake), nullptr);
    plat::MemFree(&fake);
    EXPECT_EQ(plat::host::BlockMisuseCount(), misuses + 2);
}

TEST_F(MemoryTest, InjectedFailures) {
    plat::host::FailNextCalls(plat::host::HostService::MemAlloc, 2, 1);
    plat::MemHandle first = plat::MemAlloc(8);
    EXPECT_NE(first, nullptr);
    EXPECT_EQ(plat::MemAlloc(8), nullptr);
    EXPECT_EQ(plat::MemAlloc(8), nullptr);
    plat::MemHandle fourth = plat::MemAlloc(8);
    EXPECT_NE(fourth, nullptr);
    EXPECT_EQ(plat::host::InjectedFailures(plat::host::HostService::MemAlloc), 2u);

    plat::host::FailNextCalls(plat::host::HostService::MemLock, 1);
    EXPECT_EQ(plat::MemLock(first), nullptr);
    EXPECT_EQ(static_cast<HostBlockHeader*>(first)->lockCount, 0u);
    EXPECT_NE(plat::MemLock(first), nullptr);
    plat::MemFree(first);
    plat::MemFree(fourth);
}

TEST_F(MemoryTest, QuarantineIsBoundedAndDrains) {
    const int64_t before = plat::host::LiveBlockCount();
    for (int i = 0; i < 2000; ++i) plat::MemFree(plat::MemAlloc(1024));
    plat::MemFree(plat::MemAlloc(64u * 1024u * 1024u));  // larger than the quarantine
    EXPECT_EQ(plat::host::LiveBlockCount(), before);
    plat::host::DrainBlockQuarantine();
}

}  // namespace
