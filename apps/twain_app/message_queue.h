// The thread's message queue, where a Windows source manager posts the
// notifications it hands over through MSG_PROCESSEVENT. Other systems have
// none: there a poll passes no event.
#pragma once

// Room for one window message (a Windows MSG).
struct QueuedMessage {
    alignas(8) unsigned char bytes[64];
    bool taken;
};

// The event to offer for a poll: the next queued message, or a message for
// no window (WM_NULL) when the queue is empty; null where there is no queue.
void* TakeQueuedMessage(QueuedMessage& message);
// Dispatches a taken message that the source did not claim.
void DispatchQueuedMessage(QueuedMessage& message);
