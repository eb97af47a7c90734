// The Linux back end of the ASPI manager: devices of the SCSI generic driver
// (/dev/sg*), found from /sys/class/scsi_generic (or, without sysfs, by
// asking each /dev/sg* node for its SG_GET_SCSI_ID), requests carried out
// with the SG_IO ioctl. Every system call goes through one table, so tests run
// the back end without hardware; the POSIX thread services of the core live
// here too. The header names no system header.
#pragma once

#include <cstddef>
#include <cstdint>

#include "passthrough/core/backend.h"

namespace passthrough {

// The system calls of the back end. Failures answer the negative errno
// value, so a fake table needs no errno of its own.
struct SgSystemCalls {
    int (*open)(const char* path, int flags);
    int (*close)(int fd);
    int (*ioctl)(int fd, unsigned long request, void* argument);
    // Calls visit(context, name) for each entry of a directory but "." and
    // "..": 0, or the negative errno when the directory cannot be read.
    int (*listDirectory)(const char* path, void (*visit)(void* context, const char* name),
                         void* context);
    // Reads the target of a symbolic link, NUL-terminated, truncated to fit:
    // its length, or the negative errno.
    int (*readLink)(const char* path, char* buffer, size_t capacity);
    // Reads at most capacity - 1 bytes of a small file (a sysfs attribute),
    // NUL-terminated: the length read, or the negative errno.
    int (*readText)(const char* path, char* buffer, size_t capacity);
};

// The real system calls.
const SgSystemCalls& LinuxSystemCalls();

// A back end over `calls`, which must outlive it (as must the table).
BackendOps SgBackend(const SgSystemCalls* calls);

// Threads, one mutex and the monotonic clock of the standard library; Linux
// has no event objects, so SRB_EVENT_NOTIFY is refused.
OsServices PosixOsServices();

}  // namespace passthrough
