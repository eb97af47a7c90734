// The source's two calls back into the source manager: a transfer is ready,
// and the user asks for the source to be closed.
#pragma once

// State 600, then MSG_XFERREADY to the application through the manager.
void NotifyXferReady();
// MSG_CLOSEDSREQ to the application through the manager; the state stays.
void NotifyCloseDSReq();
