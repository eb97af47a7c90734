// Test helpers for the virtual scanner.
#include "vscanner_client.h"

#include <atomic>
#include <chrono>
#include <cstring>
#include <thread>

namespace vstest {

namespace {
void Put16(std::vector<uint8_t>& list, size_t at, uint32_t value) {
    list[at] = static_cast<uint8_t>(value >> 8);
    list[at + 1] = static_cast<uint8_t>(value);
}
void Put32(std::vector<uint8_t>& list, size_t at, uint32_t value) {
    for (size_t i = 0; i < 4; ++i) list[at + i] = static_cast<uint8_t>(value >> (24 - 8 * i));
}
}  // namespace

Reply Exec(uint8_t adapter, uint8_t target, const std::vector<uint8_t>& cdb,
           const std::vector<uint8_t>& dataOut, uint32_t inLength) {
    SRB_ExecSCSICmd request{};
    std::vector<uint8_t> buffer = dataOut.empty() ? std::vector<uint8_t>(inLength) : dataOut;
    request.SRB_Cmd = SC_EXEC_SCSI_CMD;
    request.SRB_HaId = adapter;
    request.SRB_Target = target;
    request.SRB_Flags = dataOut.empty() && inLength > 0 ? SRB_DIR_IN : SRB_DIR_OUT;
    request.SRB_BufLen = static_cast<uint32_t>(buffer.size());
    request.SRB_BufPointer = buffer.empty() ? nullptr : buffer.data();
    request.SRB_SenseLen = SENSE_LEN;
    request.SRB_CDBLen = static_cast<uint8_t>(cdb.size());
    std::memcpy(request.CDBByte, cdb.data(), cdb.size());
    vscan::VsSendASPI32Command(&request);
    while (std::atomic_ref<uint8_t>(request.SRB_Status).load() == SS_PENDING)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    Reply reply;
    reply.status = request.SRB_Status;
    reply.haStatus = request.SRB_HaStat;
    reply.targetStatus = request.SRB_TargStat;
    if (request.SRB_TargStat == STATUS_CHKCOND) {
        reply.senseByte2 = request.SenseArea[2];
        reply.asc = request.SenseArea[12];
        reply.ascq = request.SenseArea[13];
        reply.residue = (uint32_t{request.SenseArea[3]} << 24) | (uint32_t{request.SenseArea[4]} << 16) |
                        (uint32_t{request.SenseArea[5]} << 8) | request.SenseArea[6];
    }
    if (dataOut.empty()) reply.data = buffer;
    return reply;
}

std::vector<uint8_t> Cdb10(uint8_t opcode, uint8_t byte2, uint8_t byte5, uint32_t length) {
    return {opcode, 0, byte2, 0, 0, byte5, static_cast<uint8_t>(length >> 16),
            static_cast<uint8_t>(length >> 8), static_cast<uint8_t>(length), 0};
}

std::vector<uint8_t> ReadCdb(uint8_t sheet, uint8_t side, uint32_t length) {
    std::vector<uint8_t> cdb = Cdb10(0x28, 0x00, side, length);
    cdb[4] = sheet;
    return cdb;
}

std::vector<uint8_t> SetWindowCdb(uint32_t length) { return Cdb10(0x24, 0, 0, length); }
std::vector<uint8_t> SubAreaCdb(uint32_t length) { return Cdb10(0xC0, 0, 0, length); }

std::vector<uint8_t> WindowList(const WindowFields& fields) {
    std::vector<uint8_t> list(72, 0);
    Put16(list, 6, fields.descriptorLength);
    list[8] = fields.id;
    Put16(list, 10, fields.resolution);
    Put16(list, 12, fields.resolution);
    Put32(list, 14, fields.left);
    Put32(list, 18, fields.top);
    Put32(list, 22, fields.width);
    Put32(list, 26, fields.length);
    list[33] = fields.composition;
    list[34] = fields.bitsPerPixel;
    list[37] = fields.reverse;
    list[40] = fields.compression;
    list[41] = fields.compressionArgument;
    list[50] = fields.mirror;
    Put32(list, 56, fields.width);
    Put32(list, 60, fields.length);
    return list;
}

std::vector<uint8_t> SubAreaList(uint8_t id, uint32_t left, uint32_t top, uint32_t width,
                                 uint32_t length, uint8_t composition, uint16_t descriptorLength) {
    std::vector<uint8_t> list(88, 0);
    Put16(list, 6, descriptorLength);
    list[8] = id;
    Put32(list, 14, left);
    Put32(list, 18, top);
    Put32(list, 22, width);
    Put32(list, 26, length);
    list[33] = composition;
    return list;
}

vscan::WindowState WindowStateOf(const WindowFields& fields) {
    vscan::WindowState window;
    window.set = true;
    window.id = fields.id;
    window.xResolution = fields.resolution;
    window.yResolution = fields.resolution;
    window.left = fields.left;
    window.top = fields.top;
    window.width = fields.width;
    window.length = fields.length;
    window.composition = fields.composition;
    window.bitsPerPixel = fields.bitsPerPixel;
    window.compression = fields.compression;
    window.compressionArgument = fields.compressionArgument;
    window.reverseImage = fields.reverse;
    window.mirror = fields.mirror;
    return window;
}

}  // namespace vstest
