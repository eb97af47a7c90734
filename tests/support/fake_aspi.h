// A scripted ASPI manager for unit tests, registered in-process as
// "WNASPI32.DLL". It records every request (the block's fields, a copy of the
// CDB and of the data sent) and answers from a script: devices that answer
// INQUIRY on (adapter, target), and a queue of scripted answers for the next
// commands (status, target status, sense bytes, reply bytes, completion after
// a delay, or never).
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "scanner/aspi_defs.h"

namespace fake_aspi {

// How a scripted answer completes the request.
enum class Completion {
    Immediate,  // status set before SendASPI32Command returns
    Delayed,    // status set by another thread after `delayMs` of real time
    Never,      // stays pending; an abort request settles it as SS_ABORTED
    Ignored,    // stays pending even when aborted
    Completed,  // a responder already completed the request itself
};

struct Answer {
    uint8_t status = SS_COMP;
    uint8_t targetStatus = STATUS_GOOD;
    std::array<uint8_t, SENSE_LEN + 2> sense{};
    std::vector<uint8_t> reply;  // copied into the buffer of an incoming transfer
    Completion completion = Completion::Immediate;
    uint32_t delayMs = 0;
};

// An answer of CHECK CONDITION with the sense key, ASC and ASCQ in place.
Answer CheckCondition(uint8_t senseKey, uint8_t asc, uint8_t ascq, uint8_t status = SS_ERR);
Answer AspiError(uint8_t status);
Answer Reply(std::vector<uint8_t> bytes);

struct RecordedRequest {
    uint8_t command = 0;  // SRB_Cmd
    uint8_t haId = 0;
    uint8_t flags = 0;
    uint8_t target = 0;
    uint8_t lun = 0;
    uint32_t bufLen = 0;
    bool bufferNull = true;
    uint8_t senseLen = 0;
    uint8_t cdbLen = 0;
    void* postProc = nullptr;
    std::array<uint8_t, 16> cdb{};
    std::vector<uint8_t> dataOut;  // the bytes sent with an outgoing transfer
    const void* block = nullptr;   // the request block's address
    const void* aborted = nullptr; // SC_ABORT_SRB: the block to abort
};

// Registers the module (replacing any earlier registration of the name) and
// clears the script and the records: no devices, one adapter, support info
// SS_COMP.
void Install();
// Registers a default scanner (vendor "T.S.E.  ", product "ZR-DX83") on
// adapter 0, target 0.
void InstallWithDefaultScanner();

// The value GetASPI32SupportInfo answers (status << 8 | adapter count).
void SetSupportInfo(uint32_t value);
void SetAdapterCount(uint8_t count);
// Makes FindSymbol answer null for the named entry point.
void HideSymbol(const std::string& name);
// Every INQUIRY on this adapter answers SS_INVALID_HA.
void MarkAdapterInvalid(uint8_t adapter);

// A device answering INQUIRY: 96 bytes with the device type, the vendor,
// product and revision texts padded with blanks to 8, 16 and 4 characters.
void AddDevice(uint8_t adapter, uint8_t target, uint8_t deviceType, const std::string& vendor,
               const std::string& product, const std::string& revision = "1.00");
// A device whose INQUIRY reply is given byte for byte (shorter replies leave
// the rest of the caller's buffer untouched).
void AddRawDevice(uint8_t adapter, uint8_t target, std::vector<uint8_t> inquiry);

// Answers for the next commands, in order; while the queue is empty INQUIRY
// answers from the devices and every other command GOOD with no reply bytes.
void QueueAnswer(const Answer& answer);

// Answers the commands the queue leaves: asked before the devices and the
// default GOOD, it fills `answer` (or completes the request itself, for
// instance through another manager, and answers Completion::Completed) and
// answers true, or answers false to leave the request to them. Install()
// removes it.
using Responder = bool (*)(SRB_ExecSCSICmd& request, Answer& answer);
void SetResponder(Responder responder);
// Stops recording requests (a long run would keep every one).
void StopRecording();

const std::vector<RecordedRequest>& Requests();
// Requests of SC_EXEC_SCSI_CMD only.
std::vector<RecordedRequest> ScsiRequests();
uint32_t SupportInfoCalls();
void ClearRequests();
// Waits until every delayed completion has been written.
void JoinDelayedCompletions();

// Builds an INQUIRY reply as AddDevice does.
std::vector<uint8_t> InquiryReply(uint8_t deviceType, const std::string& vendor,
                                  const std::string& product, const std::string& revision);

}  // namespace fake_aspi
