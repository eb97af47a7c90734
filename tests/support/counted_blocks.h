// Memory functions in the manner of the TWAIN Working Group's Linux manager:
// calloc and free, with a lock that returns the handle itself. They keep a
// ledger of the live blocks and their lock counts, so that a test can see
// leaks, double frees and unbalanced locks, and they can be told to fail
// allocations. A lock of a block that is not live answers null (where that
// manager would answer the dangling handle) so that misuse shows.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <map>

#include "twain/twain_types.h"

namespace counted_blocks {

struct Ledger {
    std::map<void*, uint32_t> lockCounts;  // live blocks
    int allocations = 0;
    int doubleFrees = 0;
    int deadLocks = 0;
    int unbalancedUnlocks = 0;
    int allocationsBeforeFailure = -1;  // -1: never fail

    int Misuses() const { return doubleFrees + deadLocks + unbalancedUnlocks; }
};

inline Ledger& Blocks() {
    static Ledger ledger;
    return ledger;
}

inline void Reset() {
    for (auto& [block, locks] : Blocks().lockCounts) std::free(block);
    Blocks() = Ledger{};
}

inline TW_HANDLE Allocate(TW_UINT32 size) {
    Ledger& ledger = Blocks();
    if (ledger.allocationsBeforeFailure == 0) return nullptr;
    if (ledger.allocationsBeforeFailure > 0) --ledger.allocationsBeforeFailure;
    void* block = std::calloc(size != 0 ? size : 1, 1);
    if (block == nullptr) return nullptr;
    ++ledger.allocations;
    ledger.lockCounts[block] = 0;
    return block;
}

inline void Free(TW_HANDLE block) {
    if (block == nullptr) return;
    auto live = Blocks().lockCounts.find(block);
    if (live == Blocks().lockCounts.end()) {
        ++Blocks().doubleFrees;
        return;
    }
    Blocks().lockCounts.erase(live);
    std::free(block);
}

inline TW_MEMREF Lock(TW_HANDLE block) {
    auto live = Blocks().lockCounts.find(block);
    if (live == Blocks().lockCounts.end()) {
        ++Blocks().deadLocks;
        return nullptr;
    }
    ++live->second;
    return block;
}

inline void Unlock(TW_HANDLE block) {
    auto live = Blocks().lockCounts.find(block);
    if (live == Blocks().lockCounts.end() || live->second == 0) {
        ++Blocks().unbalancedUnlocks;
        return;
    }
    --live->second;
}

// The lock count of a live block; -1 for one that is not live.
inline int LockCount(TW_HANDLE block) {
    auto live = Blocks().lockCounts.find(block);
    return live == Blocks().lockCounts.end() ? -1 : static_cast<int>(live->second);
}

}  // namespace counted_blocks
