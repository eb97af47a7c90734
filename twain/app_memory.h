// The memory blocks the source exchanges with the application: capability
// containers both ways, the native bitmap and the handle buffers of memory
// transfer. They are the platform's movable blocks unless a TWAIN 2 manager
// handed over its own memory functions with DAT_ENTRYPOINT; then every such
// block is allocated, locked, unlocked and freed through the manager, because
// the application frees and locks them with the manager's functions. The
// source's own working storage stays on the platform's blocks.
#pragma once

#include "twain/twain_types.h"

// One record of function pointers; the source calls only through it.
struct ApplicationMemory {
    DSM_MEMALLOCATE allocate;  // zeroed block, or null
    DSM_MEMFREE free;
    DSM_MEMLOCK lock;  // null for a block that cannot be locked
    DSM_MEMUNLOCK unlock;
    // The size of a block, or null where the blocks do not tell it (a
    // manager's): readers then trust the layout the block's kind declares.
    TW_UINT32(TW_CALLINGSTYLE* size)(TW_HANDLE handle);
};

extern ApplicationMemory AppMemory;

// Frees an application block; a null handle is left alone.
inline void FreeAppBlock(TW_HANDLE block) {
    if (block != nullptr) AppMemory.free(block);
}

// The memory functions of a TWAIN 2 manager, which must all be set.
void UseManagerMemory(const TW_ENTRYPOINT& entryPoint);
// Back to the platform's blocks.
void UsePlatformMemory();
// True while the manager's memory functions are in use.
bool UsesManagerMemory();
