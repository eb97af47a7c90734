// The source manager's state: the connected application, the open sources with
// their pending notifications, the manager's condition code and the identity
// counter. DSM_Entry (dsm/dsm_api.h) is served from these records.
#pragma once

#include "dsm/dsm_api.h"
#include "dsm/host_modules.h"
#include "dsm/source_list.h"
#include "twain/twain_types.h"

// TWAIN states of the manager: 2 loaded, 3 open (after MSG_OPENDSM).
constexpr TW_UINT32 kManagerLoaded = 2;
constexpr TW_UINT32 kManagerOpen = 3;

// Sources one application may hold open at a time.
constexpr int kMaxOpenSources = 4;

extern TW_UINT32 ManagerState;
// The manager's own condition code; DAT_STATUS addressed to the manager reads
// and clears it.
extern TW_UINT16 ManagerCondition;

// The application that opened the manager; Id 0 while none has.
struct ApplicationRecord {
    TW_IDENTITY identity;
    KorvexDsmCallbackProc callback;
    TW_MEMREF refCon;
};
extern ApplicationRecord Application;

// One open source: its module and entry, the identity with the assigned Id,
// the notification waiting for the next MSG_PROCESSEVENT (MSG_NULL when none)
// and how many calls into the source are still running, so that a source is
// never unloaded from inside its own call.
struct OpenSourceRecord {
    TW_UINT8 inUse;
    TW_IDENTITY identity;
    dsm::SourceModule module;
    DSENTRYPROC entry;
    TW_UINT16 pendingMessage;
    TW_UINT32 callDepth;  // calls into the source still running (re-entry)
    char path[kMaxSourcePath];
};
extern OpenSourceRecord OpenSources[kMaxOpenSources];

// The Id the next application or source receives; Ids start at 1 and are not
// reused within the process.
extern TW_UINT32 NextIdentityId;

void ResetManagerState();
