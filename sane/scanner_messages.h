// What the source tells its user, turned into SANE's terms: every message box
// the source shows reaches the backend's KorvexHostMessageBox, is written to
// standard error as a log line, answered at once, and kept until the
// operation that caused it asks for its status.
#pragma once

#include <sane/sane.h>

// A log line on standard error, "korvex: " and the text.
void LogLine(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Forgets the messages seen so far (before an operation whose failure they
// would explain).
void ClearScannerMessages();
// Whether a message came since the last clear.
bool ScannerMessageSeen();
// The status that the first message since the last clear stands for;
// `otherwise` when none came.
SANE_Status StatusOfScannerMessages(SANE_Status otherwise);
// The status a message text stands for (SANE_STATUS_IO_ERROR for a text not
// in the table).
SANE_Status StatusOfMessage(const char* text);
