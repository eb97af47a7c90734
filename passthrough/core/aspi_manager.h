// The ASPI for Win32 manager over a pass-through back end: the two entry
// points' work (GetASPI32SupportInfo, SendASPI32Command with SC_HA_INQUIRY,
// SC_GET_DEV_TYPE, SC_EXEC_SCSI_CMD, SC_ABORT_SRB and SC_RESET_DEV), shared by
// every back end. A module holds one manager and forwards its exports to it.
//
// Requests run asynchronously: SC_EXEC_SCSI_CMD answers SS_PENDING and one
// worker thread per host adapter carries out that adapter's requests in the
// order they came. Each request works on a private copy of the data and
// sense areas; only when it finishes are the results copied into the
// caller's block, and SRB_Status is written last (release order), after
// which the manager never touches the block again. A watchdog ends a request
// that outlives its deadline with SS_ERR and HASTAT_COMMAND_TIMEOUT, so no
// caller waits beyond it even when the system does not return; a late
// answer from the device then lands in the private copy and is dropped.
#pragma once

#include <cstdint>

#include "passthrough/core/backend.h"

namespace passthrough {

// ---- Host adapter status (SRB_HaStat) ------------------------------------------------
constexpr uint8_t HASTAT_OK = 0x00;
constexpr uint8_t HASTAT_TIMEOUT = 0x09;          // timed out while waiting to be carried out
constexpr uint8_t HASTAT_COMMAND_TIMEOUT = 0x0B;  // timed out while being carried out
constexpr uint8_t HASTAT_MESSAGE_REJECT = 0x0D;
constexpr uint8_t HASTAT_BUS_RESET = 0x0E;
constexpr uint8_t HASTAT_PARITY_ERROR = 0x0F;
constexpr uint8_t HASTAT_REQUEST_SENSE_FAILED = 0x10;
constexpr uint8_t HASTAT_SEL_TO = 0x11;           // selection time-out
constexpr uint8_t HASTAT_DO_DU = 0x12;            // data overrun or underrun
constexpr uint8_t HASTAT_BUS_FREE = 0x13;         // unexpected bus free
constexpr uint8_t HASTAT_PHASE_ERR = 0x14;        // target bus phase sequence failure

struct ManagerConfig {
    // Handed to the back end as each command's time-out.
    uint32_t requestTimeoutMs = 120000;
    // The watchdog ends a request this long after the back end should have.
    uint32_t watchdogGraceMs = 5000;
    // How often the watchdog looks at the pending requests.
    uint32_t watchdogPeriodMs = 10;
    // The largest SRB_BufLen taken (reported in SC_HA_INQUIRY); larger: SS_BUFFER_TO_BIG.
    uint32_t maxTransferLength = 65536;
};

struct AspiManager;

// Null when the manager record cannot be allocated. Nothing is enumerated yet.
AspiManager* CreateAspiManager(const BackendOps& backend, const OsServices& os,
                               const ManagerConfig& config);
// Waits (at most `waitMs`) for the worker threads to end, closes every opened
// device and frees the manager. Requests still pending then end as SS_ABORTED.
// Answers false when a thread was still running: the manager and its devices
// are then left as they are (a thread may still use them), and the call may be
// made again later.
bool DestroyAspiManager(AspiManager* manager, uint32_t waitMs);

// GetASPI32SupportInfo: bits 8..15 the status (SS_COMP, SS_NO_ADAPTERS,
// SS_FAILED_INIT), bits 0..7 the number of host adapters. Enumerates the
// devices again when no request is in progress, so that a device plugged in
// since is found by the next client that opens the manager.
uint32_t AspiSupportInfo(AspiManager* manager);

// SendASPI32Command: answers the request's status (SS_PENDING for a request
// that runs on); a null request answers SS_INVALID_SRB.
uint32_t AspiSendCommand(AspiManager* manager, void* request);

}  // namespace passthrough
