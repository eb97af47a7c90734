// The fuzz targets' temporary Windows directory, input start and block check.
#include "fuzz/fuzz_common.h"

#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/host/host_hooks.h"
#include "twain/source_state.h"

namespace fuzz {

const std::string& UseTempWindowsDirectory() {
    static const std::string directory = [] {
        // Memory-backed when it can be: every profile write renames a file,
        // which a disk file system turns into a flush.
        char inMemory[] = "/dev/shm/korvex_fuzz_XXXXXX";
        char onDisk[] = "/tmp/korvex_fuzz_XXXXXX";
        const char* made = mkdtemp(inMemory);
        if (made == nullptr) made = mkdtemp(onDisk);
        if (made == nullptr) std::abort();
        return std::string(made);
    }();
    plat::host::SetWindowsDirectory(directory.c_str());
    return directory;
}

void StartFromLoadState() {
    RestoreLoadState();
    plat::host::ResetHostHooks();
    UseTempWindowsDirectory();
}

void CheckBlocks(int64_t liveBlocksBefore) {
    const int64_t leaked = plat::host::LiveBlockCount() - liveBlocksBefore;
    if (leaked != 0 || plat::host::BlockMisuseCount() != 0) {
        std::fprintf(stderr, "blocks: %lld leaked, %u misused\n", static_cast<long long>(leaked),
                     plat::host::BlockMisuseCount());
        __builtin_trap();
    }
    plat::host::DrainBlockQuarantine();
}

void WriteWindowsFile(const char* name, const uint8_t* data, size_t size) {
    std::string path = UseTempWindowsDirectory() + "/" + name;
    FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) std::abort();
    if (size != 0 && std::fwrite(data, 1, size, file) != size) std::abort();
    std::fclose(file);
}

}  // namespace fuzz
