// Shared between the files of the Linux platform backend, never included
// outside platform/host: the failure-injection check and the per-file resets
// that ResetHostHooks calls.
#pragma once

#include <cstdint>

#include "platform/host/host_hooks.h"

namespace plat::host {

// True when an injected failure is due for this call of the service.
bool InjectedFailureDue(HostService service);

void ResetFaultInjection();
void ResetClockHooks();
void ResetMessageHooks();
void ResetModuleHooks();
void ResetWindowsDirectory();

// The path of a bare file name in the Windows directory. A name that holds a
// '/' is taken as a path as it stands. When no file has the exact name, one
// whose name matches without regard to case is used (Windows file names are
// not case-sensitive). False when the name is empty or the path does not fit.
bool WindowsFilePath(const char* name, char* path, uint32_t pathSize);
// Creates the Windows directory and its parents when missing.
bool CreateWindowsDirectory();

constexpr uint32_t kMaxPath = 4096;

// Copies src into dst (bufferSize bytes) with a terminator; false when it does
// not fit, leaving dst terminated and empty.
bool CopyBounded(char* dst, uint32_t bufferSize, const char* src);

}  // namespace plat::host
