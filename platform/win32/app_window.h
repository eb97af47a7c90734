// The application side of a Windows program that drives a TWAIN source: a real
// top-level window (the parent the source manager is opened with) and the
// thread's message loop, one message at a time, with each message offered to
// a filter first (MSG_PROCESSEVENT while a source is enabled). Used by the
// Windows tests and tools. Depends only on platform/platform.h.
#pragma once

#include <cstdint>

#include "platform/platform.h"

namespace plat::win32 {

// A shown, ordinary top-level window; null when it cannot be made.
WindowHandle CreateApplicationWindow(const char* title);
void DestroyApplicationWindow(WindowHandle window);

// Answers true when it consumed the message (a MSG), which is then neither
// translated nor dispatched.
using MessageFilter = bool (*)(void* nativeMessage, void* context);

// Waits at most `timeoutMs` for a message of the thread's queue, offers it to
// `filter` (may be null) and dispatches it unless the filter took it. False
// when no message came in time or WM_QUIT arrived.
bool PumpApplicationMessage(uint32_t timeoutMs, MessageFilter filter, void* context);

// Delivers every message already queued, as PumpApplicationMessage does.
void PumpPendingMessages(MessageFilter filter, void* context);

// A shown dialog of the calling thread with exactly this caption, or any when
// `caption` is null (a dialog another module of the process shows, such as the
// source's); null when there is none.
WindowHandle FindThreadDialog(const char* caption);

}  // namespace plat::win32
