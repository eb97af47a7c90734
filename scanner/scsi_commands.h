// The scanner's SCSI command set: one routine per command, each filling one of
// the two process-wide ASPI request blocks, handing it to the ASPI manager and
// waiting for it; the result convention (ScsiResult), the saved sense data and
// the decoded replies. Depends on discovery (adapter, manager entry point),
// the SideMode setting and the model generation.
#pragma once

#include <cstdint>

#include "scanner/aspi_defs.h"
#include "scanner/scan_window.h"

// The answer of every command routine:
//   0                  SS_COMP and target status GOOD
//   1..255             SS_COMP with that target status
//   0x100 + SRB_Status an ASPI error without CHECK CONDITION
//   0x200 + SRB_Status CHECK CONDITION; SenseSnapshot holds the sense data
using ScsiResult = uint16_t;

constexpr ScsiResult kScsiGood = 0;
constexpr ScsiResult kAspiErrorBase = 0x100;
constexpr ScsiResult kCheckConditionBase = 0x200;

// True for a CHECK CONDITION result (bits 8..11 equal 2).
constexpr bool IsCheckCondition(ScsiResult result) { return ((result >> 8) & 0x0F) == 2; }

// The sense data of the last command that ended with CHECK CONDITION; all
// zero after any other command. The end-of-medium bit is how the scanner ends
// a page: the transfers test it after the READ that asks beyond the image.
struct SenseSnapshotRecord {
    uint8_t senseKey;     // sense byte 2 AND 0x0F
    uint8_t asc;          // sense byte 12
    uint8_t ascq;         // sense byte 13
    uint8_t endOfMedium;  // 1 when sense byte 2 has the EOM bit (0x40), else 0
    // Sense bytes 3..6 when the valid bit (byte 0, 0x80) is set, else 0: at
    // the end of a page, the bytes of the READ that the page did not fill.
    uint32_t residue = 0;
};
extern SenseSnapshotRecord SenseSnapshot;

// The scanner's paper status (READ data type 0x81).
struct ScannerStatusRecord {
    uint8_t paperPresent;   // 0x20 when paper is in the feeder, else 0
    uint8_t paperSizeCode;  // 0..15, the detected paper's size code
};
extern ScannerStatusRecord ScannerStatus;

// The two request blocks: ProbeRequest for TEST UNIT READY and INQUIRY,
// ScanRequest for every other command.
extern SRB_ExecSCSICmd ProbeRequest;
extern SRB_ExecSCSICmd ScanRequest;

constexpr uint32_t kWindowBufferSize = 88;
constexpr uint32_t kReplyBufferSize = 16;
extern uint8_t WindowBuffer[kWindowBufferSize];  // SET WINDOW and sub-area lists
extern uint8_t ReplyBuffer[kReplyBufferSize];    // replies of READ 0x80 and 0x81

// The longest transfer a READ or the imprinter command can name (24 bits).
constexpr uint32_t kMaxTransferLength = 0xFFFFFF;

// A request still pending after this much waiting (milliseconds of the tick
// count) is aborted through the manager and answered as an ASPI error, so that
// a manager that never finishes a request cannot hang the application. A READ
// feeds paper, and with manual feed by the scanner's key it may stay pending until
// the user presses the key: the bound lies well beyond the longest manual-feed
// wait the user can set (300 seconds).
constexpr uint32_t kRequestTimeoutMs = 600000;
// After the abort, how long the manager gets to settle the request.
constexpr uint32_t kAbortGraceMs = 2000;

// Waits for a request block the manager has accepted and answers its result.
ScsiResult WaitForRequest(SRB_ExecSCSICmd& request);

ScsiResult TestUnitReady(uint8_t target);
// 96 bytes into InquiryBuffer (scanner/discovery.h), cleared first.
ScsiResult Inquiry(uint8_t target);
ScsiResult SetWindow(uint8_t target, const ScanWindowRecord& window);
// SET WINDOW without a parameter list: drops the windows and stops the feed.
ScsiResult ClearWindows(uint8_t target);
ScsiResult SetSubAreaWindow(uint8_t target, const SubAreaWindowRecord& window);
// READ of image data for the scan job's current sheet and side. A length of 0
// asks whether that page can be read; the buffer, which may then be null, is
// passed on as given.
ScsiResult ReadImage(uint8_t target, uint32_t length, uint8_t* buffer);
// Sets both outputs only when the result is 0.
ScsiResult ReadImageSize(uint8_t target, uint32_t& pixelsPerLine, uint32_t& lines);
// Sets `status` only when the result is 0.
ScsiResult ReadScannerStatus(uint8_t target, ScannerStatusRecord& status);
ScsiResult SendVendorE1(uint8_t target);
ScsiResult SendEndorserData(uint8_t target, uint32_t length, const uint8_t* data);

// True when a simplex scan is to use the back-side reading unit: "Back" of
// section "Mecha" is "ON" and the side mode is "Simplex".
bool BackSideRuleHolds();

void ResetScsiCommandState();

// ---- Values owned by the scan job ---------------------------------------------
// The sheet and side that image READs name, read from the scan job's record
// (transfer/scan_job.cpp).
uint8_t CurrentSheetNumber();  // the scan job's sheetNumber
uint8_t CurrentSideCode();     // the scan job's sideCode (0x00 or 0x80)
