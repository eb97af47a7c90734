// The sources the manager can offer: every *.ds module found in the source
// directories, with the identity it answers, listed in a fixed table.
#pragma once

#include "dsm/host_modules.h"
#include "twain/twain_types.h"

constexpr int kMaxSources = 32;
constexpr int kMaxSourcePath = 1024;

// One source found on disk: the module's path and the identity it reported.
struct SourceEntry {
    char path[kMaxSourcePath];
    TW_IDENTITY identity;
};

extern SourceEntry SourceList[kMaxSources];
extern int SourceCount;

// The directories searched, in order: <Windows directory>/twain_32, then the
// directory of twain_32.so. A directory that does not exist is skipped, and
// one reached twice (the same real path) is searched once.
int SourceDirectories(char (*directories)[kMaxSourcePath], int capacity);

// Rebuilds SourceList: loads each *.ds file of the source directories (in name
// order within a directory), looks up "DS_Entry", asks DAT_IDENTITY MSG_GET
// without an origin and unloads the module again. Modules that fail any step
// are left out; a module found twice (same real path) is listed once.
void ScanSources();

// Index in SourceList of the source whose ProductName equals the given one,
// or -1.
int FindSourceByProductName(const TW_STR32& productName);

// Index of the default source: the ProductName of "Default Source" in the
// [TWAIN] section of win.ini in the Windows directory when that source is
// listed, else the first listed source; -1 when none is listed.
int DefaultSourceIndex();

// Whole-text comparison of two TW_STR32 fields that may lack a terminator.
bool SameStr32(const TW_STR32& a, const TW_STR32& b);

// Copies an identity reported by a source and terminates its texts.
void CopyIdentity(TW_IDENTITY& to, const TW_IDENTITY& from);

void ResetSourceListState();
