// libtiff client procedures over a byte vector.
#include "vscanner/tiff_memory.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>

namespace vscan {

namespace {

MemoryTiffFile& FileOf(thandle_t handle) { return *static_cast<MemoryTiffFile*>(handle); }

tmsize_t ReadProc(thandle_t handle, void* buffer, tmsize_t size) {
    MemoryTiffFile& file = FileOf(handle);
    if (size <= 0 || file.position >= file.bytes.size()) return 0;
    const uint64_t count = std::min<uint64_t>(static_cast<uint64_t>(size),
                                              file.bytes.size() - file.position);
    std::memcpy(buffer, file.bytes.data() + file.position, static_cast<size_t>(count));
    file.position += count;
    return static_cast<tmsize_t>(count);
}

tmsize_t WriteProc(thandle_t handle, void* buffer, tmsize_t size) {
    MemoryTiffFile& file = FileOf(handle);
    if (size <= 0) return 0;
    const uint64_t end = file.position + static_cast<uint64_t>(size);
    if (end > file.bytes.size()) file.bytes.resize(static_cast<size_t>(end));
    std::memcpy(file.bytes.data() + file.position, buffer, static_cast<size_t>(size));
    file.position = end;
    return size;
}

toff_t SeekProc(thandle_t handle, toff_t offset, int whence) {
    MemoryTiffFile& file = FileOf(handle);
    uint64_t base = 0;
    if (whence == SEEK_CUR) base = file.position;
    if (whence == SEEK_END) base = file.bytes.size();
    file.position = base + offset;
    return file.position;
}

int CloseProc(thandle_t) { return 0; }

toff_t SizeProc(thandle_t handle) { return FileOf(handle).bytes.size(); }

int MapProc(thandle_t, void**, toff_t*) { return 0; }
void UnmapProc(thandle_t, void*, toff_t) {}

int CollectError(TIFF*, void* user, const char* module, const char* format, va_list args) {
    char text[512];
    std::vsnprintf(text, sizeof text, format, args);
    auto& file = *static_cast<MemoryTiffFile*>(user);
    file.error = std::string(module != nullptr ? module : "libtiff") + ": " + text;
    return 1;
}

int IgnoreWarning(TIFF*, void*, const char*, const char*, va_list) { return 1; }

}  // namespace

TIFF* OpenMemoryTiff(MemoryTiffFile& file, const char* mode) {
    TIFFOpenOptions* options = TIFFOpenOptionsAlloc();
    if (options == nullptr) {
        file.error = "libtiff: out of memory";
        return nullptr;
    }
    TIFFOpenOptionsSetErrorHandlerExtR(options, CollectError, &file);
    TIFFOpenOptionsSetWarningHandlerExtR(options, IgnoreWarning, &file);
    file.position = 0;
    TIFF* tiff = TIFFClientOpenExt("memory", mode, &file, ReadProc, WriteProc, SeekProc, CloseProc,
                                   SizeProc, MapProc, UnmapProc, options);
    TIFFOpenOptionsFree(options);
    return tiff;
}

}  // namespace vscan
