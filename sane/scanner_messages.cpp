// The message-box hook of the source and the table of its messages' statuses.
#include "sane/scanner_messages.h"

#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "platform/platform.h"

namespace {

// The status of a message by the start of its text; the first row that
// matches counts. Columns: start of the source's text, status.
struct MessageStatus {
    const char* textStart;
    SANE_Status status;
};
constexpr MessageStatus kMessageStatuses[] = {
    {"No Paper !", SANE_STATUS_NO_DOCS},
    {"Jam ocuured.", SANE_STATUS_JAMMED},
    {"Paper exists in Scanner yet.", SANE_STATUS_JAMMED},
    {"Double Feed error!!", SANE_STATUS_JAMMED},
    {"Skew error occured!!", SANE_STATUS_JAMMED},
    {"Minimum Media error!!", SANE_STATUS_JAMMED},
    {"Media Length error!!", SANE_STATUS_JAMMED},
    {"Scanner Door is open!", SANE_STATUS_COVER_OPEN},
    {"Scanner is busy.", SANE_STATUS_DEVICE_BUSY},
    {"Scanner is not ready.", SANE_STATUS_DEVICE_BUSY},
    {"Scanner is becoming ready.", SANE_STATUS_DEVICE_BUSY},
    {"Short of Memory !", SANE_STATUS_NO_MEM},
};

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
    if (text == nullptr) return SANE_STATUS_IO_ERROR;
    for (const MessageStatus& row : kMessageStatuses) {
        if (std::strncmp(text, row.textStart, std::strlen(row.textStart)) == 0) return row.status;
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
