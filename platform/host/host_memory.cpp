// Movable memory blocks of the Linux backend. A block is a HostBlockHeader
// followed by its data, allocated with malloc; the handle is the header's
// address, so every module of the process that links a copy of this library
// agrees on a block. Freed blocks are marked dead and kept in a bounded
// quarantine before their memory is released, so that a second free or a lock
// after free is refused instead of touching released memory.
#include <cstdlib>
#include <cstring>

#include "platform/host/host_internal.h"

namespace plat {

namespace {

using host::HostBlockHeader;
using host::kBlockHeaderSize;
using host::kDeadBlockMagic;
using host::kLiveBlockMagic;

// Freed blocks wait here, oldest first, until the count or the byte budget is
// exceeded; then the oldest is released.
constexpr uint32_t kQuarantineSlots = 256;
constexpr uint64_t kQuarantineBytes = 32u * 1024u * 1024u;

struct Quarantine {
    HostBlockHeader* blocks[kQuarantineSlots];
    uint32_t first;  // index of the oldest entry
    uint32_t count;
    uint64_t bytes;
};

Quarantine FreedBlocks;
int64_t LiveBlocks = 0;
// Bytes of data in live blocks, and the most they have reached since the last
// reset of the peak (for memory measurements of the transfers).
uint64_t LiveBytes = 0;
uint64_t PeakLiveBytes = 0;
uint32_t BlockMisuses = 0;

void ReleaseOldestQuarantined() {
    HostBlockHeader* oldest = FreedBlocks.blocks[FreedBlocks.first];
    FreedBlocks.blocks[FreedBlocks.first] = nullptr;
    FreedBlocks.first = (FreedBlocks.first + 1) % kQuarantineSlots;
    --FreedBlocks.count;
    FreedBlocks.bytes -= oldest->size;
    std::free(oldest);
}

void QuarantineBlock(HostBlockHeader* header) {
    while (FreedBlocks.count > 0 && (FreedBlocks.count == kQuarantineSlots ||
                                     FreedBlocks.bytes + header->size > kQuarantineBytes)) {
        ReleaseOldestQuarantined();
    }
    if (header->size > kQuarantineBytes) {
        // Too large to keep: released at once.
        std::free(header);
        return;
    }
    FreedBlocks.blocks[(FreedBlocks.first + FreedBlocks.count) % kQuarantineSlots] = header;
    ++FreedBlocks.count;
    FreedBlocks.bytes += header->size;
}

void ReportMisuse(const char* what) {
    ++BlockMisuses;
    DebugOutput(what);
}

// The header of a live block, or null (with the misuse counted) for a dead
// block or something that is not a block.
HostBlockHeader* LiveHeader(MemHandle block, const char* operation) {
    if (block == nullptr) return nullptr;
    auto* header = static_cast<HostBlockHeader*>(block);
    if (header->magic == kLiveBlockMagic) return header;
    ReportMisuse(header->magic == kDeadBlockMagic ? operation : "memory block: not a block\n");
    return nullptr;
}

// Releases the quarantine when this copy of the library is unloaded: the
// quarantine holds the only reference to freed blocks, and a module unloaded
// with blocks in it would leave them behind for good.
struct QuarantineReleaseAtUnload {
    ~QuarantineReleaseAtUnload() {
        while (FreedBlocks.count > 0) ReleaseOldestQuarantined();
    }
} ReleaseAtUnload;

}  // namespace

MemHandle MemAlloc(uint32_t size) {
    if (host::InjectedFailureDue(host::HostService::MemAlloc)) return nullptr;
    if (size > UINT32_MAX - kBlockHeaderSize) return nullptr;
    void* memory = std::calloc(1, size_t{size} + kBlockHeaderSize);
    if (memory == nullptr) return nullptr;
    auto* header = static_cast<HostBlockHeader*>(memory);
    header->magic = kLiveBlockMagic;
    header->size = size;
    header->lockCount = 0;
    header->reserved = 0;
    ++LiveBlocks;
    LiveBytes += size;
    if (LiveBytes > PeakLiveBytes) PeakLiveBytes = LiveBytes;
    return header;
}

void* MemLock(MemHandle block) {
    HostBlockHeader* header = LiveHeader(block, "memory block: lock after free\n");
    if (header == nullptr) return nullptr;
    if (host::InjectedFailureDue(host::HostService::MemLock)) return nullptr;
    if (header->lockCount < UINT32_MAX) ++header->lockCount;
    return reinterpret_cast<unsigned char*>(header) + kBlockHeaderSize;
}

bool MemUnlock(MemHandle block) {
    HostBlockHeader* header = LiveHeader(block, "memory block: unlock after free\n");
    if (header == nullptr || header->lockCount == 0) return false;
    --header->lockCount;
    return true;
}

void MemFree(MemHandle block) {
    HostBlockHeader* header = LiveHeader(block, "memory block: freed twice\n");
    if (header == nullptr) return;
    header->magic = kDeadBlockMagic;
    header->lockCount = 0;
    --LiveBlocks;
    LiveBytes -= header->size;
    QuarantineBlock(header);
}

uint32_t MemSize(MemHandle block) {
    HostBlockHeader* header = LiveHeader(block, "memory block: size after free\n");
    return header != nullptr ? header->size : 0;
}

namespace host {

int64_t LiveBlockCount() { return LiveBlocks; }

uint64_t LiveBlockBytes() { return LiveBytes; }

uint64_t PeakLiveBlockBytes() { return PeakLiveBytes; }

void ResetPeakLiveBlockBytes() { PeakLiveBytes = LiveBytes; }

uint32_t BlockMisuseCount() { return BlockMisuses; }

void DrainBlockQuarantine() {
    while (FreedBlocks.count > 0) ReleaseOldestQuarantined();
}

}  // namespace host

}  // namespace plat
