// korvex-scan's side of the TWAIN conversation: the source manager loaded as
// "TWAIN_32.DLL", the application's identity, the chosen source, and the report
// of a failed operation by the names of its return and condition codes.
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
};

extern TwainSession Session;

// Each answers true on success; on failure it has printed what failed, with the
// return code and the condition code by name.
bool LoadSourceManager();
bool OpenSourceManager();
// Prints every source the manager lists; false when listing failed.
bool ListSources();
// Opens the source with this ProductName, or the default source for an empty
// name.
bool OpenSource(const char* productName);
bool CloseSource();
bool CloseSourceManager();
// Closes what is still open and releases the manager; for every exit path.
void EndSession();

// A triplet addressed to the open source.
TW_UINT16 CallSource(TW_UINT32 dataGroup, TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data);
// Prints the failed operation with the source's condition code; answers false.
bool ReportSourceFailure(const char* operation, TW_UINT16 result);

void PrintIdentity(const TW_IDENTITY& identity);
