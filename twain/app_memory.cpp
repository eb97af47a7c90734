// The application memory record and its two settings: the platform's movable
// blocks (the default) and a TWAIN 2 manager's memory functions.
#include "twain/app_memory.h"

#include "platform/platform.h"

namespace {

TW_HANDLE TW_CALLINGSTYLE PlatformAllocate(TW_UINT32 size) { return plat::MemAlloc(size); }
void TW_CALLINGSTYLE PlatformFree(TW_HANDLE block) { plat::MemFree(block); }
TW_MEMREF TW_CALLINGSTYLE PlatformLock(TW_HANDLE block) { return plat::MemLock(block); }
void TW_CALLINGSTYLE PlatformUnlock(TW_HANDLE block) { plat::MemUnlock(block); }
TW_UINT32 TW_CALLINGSTYLE PlatformSize(TW_HANDLE block) { return plat::MemSize(block); }

constexpr ApplicationMemory kPlatformMemory = {PlatformAllocate, PlatformFree, PlatformLock,
                                               PlatformUnlock, PlatformSize};

}  // namespace

ApplicationMemory AppMemory = kPlatformMemory;

void UseManagerMemory(const TW_ENTRYPOINT& entryPoint) {
    AppMemory = {entryPoint.DSM_MemAllocate, entryPoint.DSM_MemFree, entryPoint.DSM_MemLock,
                 entryPoint.DSM_MemUnlock, nullptr};
}

void UsePlatformMemory() { AppMemory = kPlatformMemory; }

bool UsesManagerMemory() { return AppMemory.allocate != kPlatformMemory.allocate; }
