// The memory functions of the manager: the platform layer's movable blocks,
// so that a block a source allocated is locked, unlocked and freed here.
#include "dsm/dsm_api.h"
#include "platform/platform.h"

extern "C" TW_HANDLE DSM_MemAllocate(TW_UINT32 size) { return plat::MemAlloc(size); }

extern "C" void DSM_MemFree(TW_HANDLE block) {
    if (block != nullptr) plat::MemFree(block);
}

extern "C" TW_MEMREF DSM_MemLock(TW_HANDLE block) { return plat::MemLock(block); }

extern "C" void DSM_MemUnlock(TW_HANDLE block) { plat::MemUnlock(block); }
