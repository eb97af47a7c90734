// A test double of the TWAIN Working Group's Linux source manager as its
// applications and sources see it, written for these tests: it loads one
// source module by path, lists it by DAT_IDENTITY MSG_GET with the
// application's identity as origin, hands a source whose SupportedGroups
// carry DF_DS2 its DSM_Entry and memory functions (tests/support/
// counted_blocks.h) with DAT_ENTRYPOINT MSG_SET before MSG_OPENDS, forwards
// the application's triplets with a copy of the application's identity, takes
// DAT_CALLBACK MSG_REGISTER_CALLBACK, and delivers a source's DAT_NULL
// notification to the registered callback or, without one, as the answer to
// the application's next MSG_PROCESSEVENT (TWRC_DSEVENT, the message in
// TWMessage; the source is not called then).
#pragma once

#include <string>

#include "twain/twain_types.h"

namespace standard_manager {

// Loads the source module; false when it or its DS_Entry cannot be found.
bool Load(const std::string& path);
// Unloads it, with whatever the source still holds.
void Unload();

// The application's DSM_Entry. Null dest: DAT_PARENT MSG_OPENDSM and
// MSG_CLOSEDSM, DAT_IDENTITY MSG_GETFIRST, MSG_GETNEXT, MSG_OPENDS and
// MSG_CLOSEDS, DAT_STATUS; a dest: the source.
TW_UINT16 TW_CALLINGSTYLE Entry(TW_IDENTITY* origin, TW_IDENTITY* dest, TW_UINT32 dataGroup,
                                TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data);

// Registers `callback` for the open source as an application does, through
// DAT_CALLBACK MSG_REGISTER_CALLBACK; the notification arrives with the
// callback's RefCon as data.
TW_UINT16 RegisterCallback(TW_IDENTITY* app, DSMENTRYPROC callback, TW_UINT32 refCon);

// How the last DAT_ENTRYPOINT went, and the notifications the source sent.
struct Record {
    bool entryPointSent = false;
    TW_UINT16 entryPointResult = TWRC_FAILURE;
    int notifications = 0;
};
const Record& Seen();

}  // namespace standard_manager
