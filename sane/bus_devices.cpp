// The INQUIRY walk over an ASPI manager's adapters and targets.
#include "sane/bus_devices.h"

#include <cstring>

#include "platform/platform.h"
#include "sane/scanner_messages.h"
#include "scanner/aspi_defs.h"

namespace {

constexpr uint8_t kTargetsPerAdapter = 8;
constexpr uint8_t kInquiryLength = 96;
constexpr uint8_t kScannerDeviceType = 6;
// A request still pending after this long is given up (the target is passed
// over); the manager keeps no reference to it once it has completed.
constexpr uint32_t kInquiryTimeoutMs = 5000;

std::string Text(const uint8_t* bytes, size_t length) {
    std::string text(reinterpret_cast<const char*>(bytes), length);
    const size_t end = text.find_last_not_of(' ');
    text.resize(end == std::string::npos ? 0 : end + 1);
    return text;
}

// SRB status of an INQUIRY of one target, with the reply in `reply`.
uint8_t Inquire(SendASPI32CommandProc send, uint8_t adapter, uint8_t target, uint8_t (&reply)[kInquiryLength]) {
    static SRB_ExecSCSICmd request;  // outlives a request given up while pending
    std::memset(&request, 0, sizeof request);
    std::memset(reply, 0, sizeof reply);
    request.SRB_Cmd = SC_EXEC_SCSI_CMD;
    request.SRB_HaId = adapter;
    request.SRB_Flags = SRB_DIR_IN;
    request.SRB_Target = target;
    request.SRB_BufLen = kInquiryLength;
    request.SRB_BufPointer = reply;
    request.SRB_SenseLen = SENSE_LEN;
    request.SRB_CDBLen = 6;
    request.CDBByte[0] = 0x12;  // INQUIRY
    request.CDBByte[4] = kInquiryLength;
    send(&request);
    const uint32_t start = plat::TickCount();
    while (request.SRB_Status == SS_PENDING && plat::TickCount() - start < kInquiryTimeoutMs) plat::SleepMs(1);
    return request.SRB_Status;
}

}  // namespace

std::vector<BusScanner> FindBusScanners(const std::string& aspiManager) {
    std::vector<BusScanner> found;
    plat::ModuleHandle module = plat::LoadModule(aspiManager.c_str());
    if (module == nullptr) {
        LogLine("cannot load the ASPI manager %s", aspiManager.c_str());
        return found;
    }
    auto supportInfo = reinterpret_cast<GetASPI32SupportInfoProc>(plat::FindSymbol(module, "GetASPI32SupportInfo"));
    auto send = reinterpret_cast<SendASPI32CommandProc>(plat::FindSymbol(module, "SendASPI32Command"));
    const uint32_t support = supportInfo != nullptr ? supportInfo() : 0;
    if (send == nullptr || ((support >> 8) & 0xFF) != SS_COMP) {
        LogLine("the ASPI manager %s is not ready", aspiManager.c_str());
        plat::FreeModule(module);
        return found;
    }
    const uint8_t adapters = static_cast<uint8_t>(support & 0xFF);
    for (uint8_t adapter = 0; adapter < adapters; ++adapter) {
        for (uint8_t target = 0; target < kTargetsPerAdapter; ++target) {
            uint8_t reply[kInquiryLength];
            const uint8_t status = Inquire(send, adapter, target, reply);
            if (status == SS_INVALID_HA) break;
            if (status != SS_COMP || (reply[0] & 0x1F) != kScannerDeviceType) continue;
            found.push_back({adapter, target, Text(reply + 8, 8), Text(reply + 16, 16)});
        }
    }
    plat::FreeModule(module);
    return found;
}
