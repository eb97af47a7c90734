// The TWAIN application session shared by the Korvex applications: the source
// manager loaded as "TWAIN_32.DLL" (or an entry point standing in for it), the
// application's identity, the chosen source, enabling and disabling it, the
// notifications it sends, and the report of a failed operation by the names of
// its return and condition codes. Depends on the TWAIN types and the platform
// layer's module and memory functions only.
#pragma once

#include "twain/twain_types.h"

// The application and its connection to the manager and one source.
struct TwainSession {
    void* managerModule;
    DSMENTRYPROC dsmEntry;
    TW_IDENTITY appIdentity;
    TW_IDENTITY sourceIdentity;
    bool managerOpen;
    bool sourceOpen;
    bool sourceEnabled;
    TW_UINT16 notification;  // MSG_XFERREADY or MSG_CLOSEDSREQ not yet taken, else MSG_NULL
};

extern TwainSession Session;

// The name that prefixes every message (and the identity's ProductName).
void SetApplicationName(const char* name);
const char* ApplicationName();

// Each answers true on success; on failure it has printed what failed, with the
// return code and the condition code by name.
bool LoadSourceManager(const char* module = "TWAIN_32.DLL");
// Uses `entry` in place of the manager's DSM_Entry (a manager linked into the
// program).
void AttachSourceManager(DSMENTRYPROC entry);
bool OpenSourceManager();
// Prints every source the manager lists; false when listing failed.
bool ListSources();
// Opens the source with this ProductName, or the default source for an empty
// name. The manager's notification callback is registered when it has one.
bool OpenSource(const char* productName);
bool CloseSource();
bool CloseSourceManager();
// Closes what is still open and releases the manager; for every exit path.
void EndSession();

// MSG_ENABLEDS with or without the source's own dialog; MSG_DISABLEDS.
bool EnableSource(bool showUi);
bool DisableSource();
// Enables the source without its dialog and polls for the transfer it
// announces; false (printed) when it is refused or none is announced, the
// source then disabled again.
bool EnableUntilTransferReady();

// A notification the source sent through the callback, or else the TWMessage of
// MSG_PROCESSEVENT with `nativeEvent` (a window message, or null to poll; on
// Windows a poll passes the thread's next queued message, where the manager
// posts its notifications).
// `sourceEvent` tells whether the source took the event as its own. MSG_NULL
// when nothing is pending.
TW_UINT16 NextNotification(void* nativeEvent, bool* sourceEvent);
// Records a notification that reached the application (the callback's job).
void NoteNotification(TW_UINT16 message);

// A triplet addressed to the open source.
TW_UINT16 CallSource(TW_UINT32 dataGroup, TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data);
// The source's condition code after a failed call (DAT_STATUS).
TW_UINT16 SourceCondition();
// Prints the failed operation with the source's condition code; answers false.
bool ReportSourceFailure(const char* operation, TW_UINT16 result);
// Prints the failed operation with a condition code already read; answers false.
bool ReportFailureWithCondition(const char* operation, TW_UINT16 result, TW_UINT16 condition);

void PrintIdentity(const TW_IDENTITY& identity);
