// Test helpers for the virtual scanner: send one SCSI command through the ASPI
// entry points and wait for it, and build SET WINDOW and sub-area parameter
// lists byte by byte.
#pragma once

#include <cstdint>
#include <vector>

#include "scanner/aspi_defs.h"
#include "vscanner/vscanner.h"

namespace vstest {

struct Reply {
    uint8_t status = 0;        // SRB_Status
    uint8_t haStatus = 0;      // SRB_HaStat
    uint8_t targetStatus = 0;  // SRB_TargStat
    uint8_t senseByte2 = 0;    // sense key with the EOM bit
    uint8_t asc = 0;
    uint8_t ascq = 0;
    uint32_t residue = 0;      // sense information field
    std::vector<uint8_t> data;  // the whole data-in buffer
};

// Sends `cdb` to adapter/target with `dataOut` (data-out commands) or a
// buffer of `inLength` bytes (data-in commands) and waits for completion.
Reply Exec(uint8_t adapter, uint8_t target, const std::vector<uint8_t>& cdb,
           const std::vector<uint8_t>& dataOut = {}, uint32_t inLength = 0);

std::vector<uint8_t> ReadCdb(uint8_t sheet, uint8_t side, uint32_t length);
std::vector<uint8_t> SetWindowCdb(uint32_t length = 72);
std::vector<uint8_t> SubAreaCdb(uint32_t length = 88);
std::vector<uint8_t> Cdb10(uint8_t opcode, uint8_t byte2 = 0, uint8_t byte5 = 0, uint32_t length = 0);

// The window fields a test sets; the list builder writes the rest as zero.
struct WindowFields {
    uint8_t id = 0x00;
    uint16_t resolution = 300;
    uint32_t left = 0;
    uint32_t top = 0;
    uint32_t width = 9984;
    uint32_t length = 14032;
    uint8_t composition = 0;
    uint8_t bitsPerPixel = 1;
    uint8_t compression = 0;
    uint8_t compressionArgument = 0;
    uint8_t reverse = 0;
    uint8_t mirror = 0;
    uint16_t descriptorLength = 64;
};
std::vector<uint8_t> WindowList(const WindowFields& fields);
// Sub-area list with area 1 only.
std::vector<uint8_t> SubAreaList(uint8_t id, uint32_t left, uint32_t top, uint32_t width,
                                 uint32_t length, uint8_t composition = 0,
                                 uint16_t descriptorLength = 80);
// The window the scanner keeps for `fields`.
vscan::WindowState WindowStateOf(const WindowFields& fields);

}  // namespace vstest
