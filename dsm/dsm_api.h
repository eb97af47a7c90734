// The exported interface of the Linux source manager twain_32.so: the TWAIN 1.x
// entry point, the memory functions with which an application handles the
// blocks a source hands over, and the notification callback. Applications and
// sources include this header; it depends only on the TWAIN types.
#pragma once

#include "twain/twain_types.h"

#if defined(_WIN32)
#define KORVEX_DSM_EXPORT
#else
#define KORVEX_DSM_EXPORT __attribute__((visibility("default")))
#endif

// A notification callback: origin is the source that notifies, dest the
// application, DG_CONTROL / DAT_NULL with MSG_XFERREADY or MSG_CLOSEDSREQ, and
// the refCon given at registration. It runs inside the source's own call, so it
// should only note the message and let the application's loop act on it.
typedef TW_UINT16 (*KorvexDsmCallbackProc)(TW_IDENTITY* origin, TW_IDENTITY* dest,
                                           TW_UINT32 dataGroup, TW_UINT16 dat, TW_UINT16 msg,
                                           TW_MEMREF refCon);

extern "C" {

KORVEX_DSM_EXPORT TW_UINT16 DSM_Entry(TW_IDENTITY* origin, TW_IDENTITY* dest, TW_UINT32 dataGroup,
                                      TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data);

// Movable blocks shared with the sources (capability containers, native
// bitmaps): the same blocks as the platform layer's, whichever module made them.
KORVEX_DSM_EXPORT TW_HANDLE DSM_MemAllocate(TW_UINT32 size);
KORVEX_DSM_EXPORT void DSM_MemFree(TW_HANDLE block);
KORVEX_DSM_EXPORT TW_MEMREF DSM_MemLock(TW_HANDLE block);
KORVEX_DSM_EXPORT void DSM_MemUnlock(TW_HANDLE block);

// Registers (or, with a null callback, removes) the callback through which the
// open application receives its sources' notifications instead of the
// TWMessage of MSG_PROCESSEVENT. TWRC_FAILURE with TWCC_SEQERROR before
// MSG_OPENDSM, TWCC_BADPROTOCOL for an identity that is not the open application.
KORVEX_DSM_EXPORT TW_UINT16 KorvexDsmSetCallback(TW_IDENTITY* app, KorvexDsmCallbackProc callback,
                                                 TW_MEMREF refCon);
}
