// The message-box hook of the source and the table of its messages' statuses.
#include "sane/scanner_messages.h"

#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "apps/twain_app/scanner_faults.h"
#include "platform/platform.h"

namespace {

bool MessageSeen = false;
SANE_Status FirstMessageStatus = SANE_STATUS_GOOD;

}  // namespace

void LogLine(const char* format, ...) {
    std::va_list arguments;
    va_start(arguments, format);
    std::fputs("korvex: ", stderr);
    std::vfprintf(stderr, format, arguments);
    std::fputc('\n', stderr);
    va_end(arguments);
}

void ClearScannerMessages() {
    MessageSeen = false;
    FirstMessageStatus = SANE_STATUS_GOOD;
}

bool ScannerMessageSeen() { return MessageSeen; }

SANE_Status StatusOfScannerMessages(SANE_Status otherwise) {
    return MessageSeen ? FirstMessageStatus : otherwise;
}

SANE_Status StatusOfMessage(const char* text) {
    switch (FaultOfMessage(text)) {
        case ScannerFault::NoPaper: return SANE_STATUS_NO_DOCS;
        case ScannerFault::Jam:
        case ScannerFault::DoubleFeed: return SANE_STATUS_JAMMED;
        case ScannerFault::CoverOpen: return SANE_STATUS_COVER_OPEN;
        case ScannerFault::NotReady: return SANE_STATUS_DEVICE_BUSY;
        case ScannerFault::NoMemory: return SANE_STATUS_NO_MEM;
        case ScannerFault::None:
        case ScannerFault::DeviceGone: break;
    }
    return SANE_STATUS_IO_ERROR;
}

// The source (through the platform layer inside it) finds this function in
// the process and passes every message box to it instead of waiting for a
// user; the answer is the box's only button.
extern "C" __attribute__((visibility("default"))) int KorvexHostMessageBox(void*, const char* text,
                                                                        const char* caption, uint32_t) {
    // One line per message: the source breaks long texts into lines.
    char line[1024];
    std::snprintf(line, sizeof line, "%s", text != nullptr ? text : "");
    for (char* c = line; *c != '\0'; ++c) {
        if (*c == '\n' || *c == '\r') *c = ' ';
    }
    LogLine("%s: %s", caption != nullptr ? caption : "message", line);
    if (!MessageSeen) {
        MessageSeen = true;
        FirstMessageStatus = StatusOfMessage(text);
    }
    return plat::IDOK;
}
