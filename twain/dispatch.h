// The front door: DS_Entry, the triplet record handed to handlers, and the two
// dispatch tables (one per data group).
#pragma once

#include "platform/platform.h"
#include "twain/twain_types.h"

// The five arguments of one DS_Entry call.
struct TripletCall {
    TW_IDENTITY* origin;
    TW_UINT32 dataGroup;
    TW_UINT16 dat;
    TW_UINT16 msg;
    TW_MEMREF data;
};

using TripletHandler = TW_UINT16 (*)(TripletCall* call);

// One dispatch table row; a table ends with a row whose handler is null.
struct DispatchEntry {
    TW_UINT16 dat;
    TripletHandler handler;
};

extern const DispatchEntry ControlDispatchTable[];
extern const DispatchEntry ImageDispatchTable[];

TW_UINT16 DispatchByDat(TripletCall* call, const DispatchEntry* table, TW_UINT16 dat);

// The module the source was loaded from, kept for its resources.
extern plat::ModuleHandle ModuleInstance;

// Load-time initialisation (DllMain's process attach); false for a null handle.
bool OnModuleLoad(plat::ModuleHandle instance);

#if defined(_WIN32)
#define KORVEX_EXPORT
#else
#define KORVEX_EXPORT __attribute__((visibility("default")))
#endif

extern "C" KORVEX_EXPORT TW_UINT16 TW_CALLINGSTYLE DS_Entry(TW_IDENTITY* origin, TW_UINT32 dataGroup,
                                                            TW_UINT16 dat, TW_UINT16 msg,
                                                            TW_MEMREF data);
