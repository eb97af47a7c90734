// Polling the thread's message queue on Windows; nothing elsewhere.
#include "apps/twain_app/message_queue.h"

#if defined(_WIN32)
#include <windows.h>

#include <cstring>

static_assert(sizeof(MSG) <= sizeof(QueuedMessage::bytes));

void* TakeQueuedMessage(QueuedMessage& message) {
    MSG queued{};
    message.taken = PeekMessageA(&queued, nullptr, 0, 0, PM_REMOVE) != FALSE;
    if (!message.taken) queued = MSG{};
    std::memcpy(message.bytes, &queued, sizeof queued);
    return message.bytes;
}

void DispatchQueuedMessage(QueuedMessage& message) {
    if (!message.taken) return;
    MSG queued;
    std::memcpy(&queued, message.bytes, sizeof queued);
    TranslateMessage(&queued);
    DispatchMessageA(&queued);
    message.taken = false;
}
#else
void* TakeQueuedMessage(QueuedMessage& message) {
    message.taken = false;
    return nullptr;
}

void DispatchQueuedMessage(QueuedMessage&) {}
#endif
