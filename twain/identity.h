// DG_CONTROL / DAT_IDENTITY: who the source is, and opening and closing it for
// one application.
#pragma once

#include "twain/dispatch.h"
#include "twain/twain_types.h"

// The source's own identity, filled at load; its Id is assigned at open.
extern TW_IDENTITY SourceIdentity;
// The connected application's identity; Id 0 while none is connected.
extern TW_IDENTITY AppIdentity;
// 1 while the connected application is the legacy imaging host.
extern TW_UINT8 LegacyHostFlag;

// Fills SourceIdentity from the module's string table (load time).
void FillSourceIdentity();
// True for the legacy imaging host's identity (whole texts, case-sensitive).
bool IsLegacyHost(const TW_IDENTITY& application);

TW_UINT16 HandleIdentity(TripletCall* call);

void ResetIdentityState();
