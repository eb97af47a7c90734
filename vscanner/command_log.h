// The record of every SCSI command the virtual devices receive: where it went,
// its command block, the data sent with it, how many bytes came back and how
// it ended. Tests assert the exact commands the source sent; the module can
// also append each record as a text line to a file named by the scenario.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vscan {

struct LoggedCommand {
    uint8_t adapter = 0;
    uint8_t target = 0;
    uint8_t lun = 0;
    std::vector<uint8_t> cdb;
    std::vector<uint8_t> dataOut;  // the bytes sent with a data-out command
    uint32_t bytesIn = 0;          // bytes delivered to the caller
    uint8_t aspiStatus = 0;        // SRB_Status
    uint8_t targetStatus = 0;      // SRB_TargStat
    uint8_t senseKey = 0;          // with the EOM bit (0x40) when set
    uint8_t asc = 0;
    uint8_t ascq = 0;
};

// One line: "ha=1 tgt=5 lun=0 cdb=28 00 ... status=04 targ=02 sense=40/00/00 in=2 out=-".
std::string FormatLoggedCommand(const LoggedCommand& entry);

// These take the bus lock; the bus calls the Append routine with it held.
void AppendLoggedCommand(const LoggedCommand& entry);
std::vector<LoggedCommand> CommandLog();
void ClearCommandLog();
// Text lines go to `path` from now on ("" for none).
void SetCommandLogFile(const std::string& path);

}  // namespace vscan
