// DG_CONTROL / DAT_ENTRYPOINT / MSG_SET: a TWAIN 2 source manager hands the
// source its DSM_Entry and memory functions before it opens the source. The
// Linux build serves it; the Win32 build is a TWAIN 1.x source without it.
#pragma once

#include "twain/dispatch.h"

// The DSM_Entry of the manager that sent DAT_ENTRYPOINT; null while none did
// (notifications then go through "TWAIN_32.DLL").
extern DSMENTRYPROC ManagerEntry;

TW_UINT16 HandleEntryPoint(TripletCall* call);

// Forgets the manager's functions (at close): the next open, from whichever
// manager, starts from the platform's blocks.
void ForgetManagerEntryPoints();

void ResetEntryPointState();
