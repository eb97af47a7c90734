// The scanner's and the source's messages: a message code of three bytes
// (sense key, ASC, ASCQ; key 0xFF for the source's own messages) shown as a
// task-modal message box with its text and caption from the string table.
#pragma once

#include <cstdint>

#include "platform/platform.h"

// One row of the message table: code (key << 16 | ASC << 8 | ASCQ) and the
// string id of its text. The table ends with a row whose string id is 0.
struct MessageRow {
    uint32_t code;
    uint32_t stringId;
};

constexpr int kMessageRowCount = 74;
extern const MessageRow MessageTable[kMessageRowCount + 1];

// Key of the source's own messages, and its groups (the ASC byte).
constexpr uint8_t kSourceMessageKey = 0xFF;
constexpr uint8_t kSourceGroup = 0x00;
constexpr uint8_t kFreeSizeGroup = 0x01;
constexpr uint8_t kSettingGroup = 0x02;

// String ids of the captions and the generic text.
constexpr uint32_t kStrScannerCaption = 3045;
constexpr uint32_t kStrSourceCaption = 3046;
constexpr uint32_t kStrFreeSizeCaption = 3047;
constexpr uint32_t kStrGenericScannerError = 3048;
constexpr uint32_t kStrSettingCaption = 3096;

constexpr int kMessageTextSize = 180;
constexpr int kMessageCaptionSize = 128;

constexpr uint32_t kMessageBoxStyle = plat::MB_OK | plat::MB_ICONEXCLAMATION | plat::MB_TASKMODAL;

constexpr uint32_t MessageCode(uint8_t key, uint8_t asc, uint8_t ascq) {
    return (static_cast<uint32_t>(key) << 16) | (static_cast<uint32_t>(asc) << 8) | ascq;
}

// Composes the text and caption of a message code without showing it.
void ComposeScannerMessage(uint8_t key, uint8_t asc, uint8_t ascq, char (&text)[kMessageTextSize],
                           char (&caption)[kMessageCaptionSize]);

// Shows the message of the code, owned by `owner` (which may be null), and
// returns when the user closes it.
void ShowScannerMessage(plat::WindowHandle owner, uint8_t key, uint8_t asc, uint8_t ascq);
