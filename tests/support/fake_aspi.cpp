// The scripted ASPI manager of the unit tests.
#include "tests/support/fake_aspi.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <deque>
#include <map>
#include <set>
#include <thread>
#include <utility>

#include "platform/host/host_hooks.h"

namespace fake_aspi {
namespace {

struct Script {
    uint32_t supportInfo = (SS_COMP << 8) | 1;
    std::set<std::string> hiddenSymbols;
    std::set<uint8_t> invalidAdapters;
    std::map<std::pair<uint8_t, uint8_t>, std::vector<uint8_t>> devices;
    std::deque<Answer> answers;
    std::vector<RecordedRequest> requests;
    std::vector<SRB_ExecSCSICmd*> neverCompleting;  // aborts settle these
    uint32_t supportInfoCalls = 0;
    Responder responder = nullptr;
    bool recording = true;
};

Script& State() {
    static Script script;
    return script;
}

std::vector<std::thread>& DelayedThreads() {
    static std::vector<std::thread> threads;
    return threads;
}

void SetStatus(SRB_ExecSCSICmd* request, uint8_t status) {
    std::atomic_ref<uint8_t>(request->SRB_Status).store(status, std::memory_order_release);
}

// Writes everything but the status, which comes last (the caller may be
// polling it).
void FillResult(SRB_ExecSCSICmd* request, const Answer& answer) {
    if ((request->SRB_Flags & SRB_DIR_IN) != 0 && request->SRB_BufPointer != nullptr) {
        const size_t n = std::min<size_t>(request->SRB_BufLen, answer.reply.size());
        if (n != 0) std::memcpy(request->SRB_BufPointer, answer.reply.data(), n);
    }
    request->SRB_TargStat = answer.targetStatus;
    std::memcpy(request->SenseArea, answer.sense.data(),
                std::min<size_t>(sizeof request->SenseArea, answer.sense.size()));
}

Answer InquiryAnswer(const SRB_ExecSCSICmd& request) {
    Script& s = State();
    if (s.invalidAdapters.count(request.SRB_HaId) != 0 || request.SRB_HaId >= (s.supportInfo & 0xFF)) {
        return AspiError(SS_INVALID_HA);
    }
    auto device = s.devices.find({request.SRB_HaId, request.SRB_Target});
    if (device == s.devices.end()) return AspiError(SS_NO_DEVICE);
    return Reply(device->second);
}

uint32_t ExecScsi(SRB_ExecSCSICmd* request) {
    Script& s = State();
    RecordedRequest r;
    r.command = request->SRB_Cmd;
    r.haId = request->SRB_HaId;
    r.flags = request->SRB_Flags;
    r.target = request->SRB_Target;
    r.lun = request->SRB_Lun;
    r.bufLen = request->SRB_BufLen;
    r.bufferNull = request->SRB_BufPointer == nullptr;
    r.senseLen = request->SRB_SenseLen;
    r.cdbLen = request->SRB_CDBLen;
    r.postProc = request->SRB_PostProc;
    std::memcpy(r.cdb.data(), request->CDBByte, r.cdb.size());
    if ((request->SRB_Flags & SRB_DIR_OUT) != 0 && request->SRB_BufPointer != nullptr) {
        r.dataOut.assign(request->SRB_BufPointer, request->SRB_BufPointer + request->SRB_BufLen);
    }
    r.block = request;
    if (s.recording) s.requests.push_back(std::move(r));

    Answer answer;
    if (!s.answers.empty()) {
        answer = s.answers.front();
        s.answers.pop_front();
    } else if (s.responder == nullptr || !s.responder(*request, answer)) {
        if (request->CDBByte[0] == 0x12) answer = InquiryAnswer(*request);
    }

    switch (answer.completion) {
        case Completion::Immediate:
            FillResult(request, answer);
            SetStatus(request, answer.status);
            return answer.status;
        case Completion::Delayed:
            DelayedThreads().emplace_back([request, answer] {
                std::this_thread::sleep_for(std::chrono::milliseconds(answer.delayMs));
                FillResult(request, answer);
                SetStatus(request, answer.status);
            });
            return SS_PENDING;
        case Completion::Never:
            s.neverCompleting.push_back(request);
            return SS_PENDING;
        case Completion::Ignored:
            return SS_PENDING;
        case Completion::Completed:
            return request->SRB_Status;
    }
    return SS_PENDING;
}

uint32_t AbortRequest(SRB_Abort* abort) {
    Script& s = State();
    RecordedRequest r;
    r.command = abort->SRB_Cmd;
    r.haId = abort->SRB_HaId;
    r.aborted = abort->SRB_ToAbort;
    if (s.recording) s.requests.push_back(r);
    auto it = std::find(s.neverCompleting.begin(), s.neverCompleting.end(), abort->SRB_ToAbort);
    if (it != s.neverCompleting.end()) {
        SetStatus(*it, SS_ABORTED);
        s.neverCompleting.erase(it);
    }
    abort->SRB_Status = SS_COMP;
    return SS_COMP;
}

uint32_t ASPI_CALL FakeGetSupportInfo() {
    ++State().supportInfoCalls;
    return State().supportInfo;
}

uint32_t ASPI_CALL FakeSendCommand(void* block) {
    auto* header = static_cast<SRB_Header*>(block);
    if (header->SRB_Cmd == SC_EXEC_SCSI_CMD) return ExecScsi(static_cast<SRB_ExecSCSICmd*>(block));
    if (header->SRB_Cmd == SC_ABORT_SRB) return AbortRequest(static_cast<SRB_Abort*>(block));
    header->SRB_Status = SS_INVALID_CMD;
    return SS_INVALID_CMD;
}

void* Lookup(const char* name) {
    const std::string symbol = name;
    if (State().hiddenSymbols.count(symbol) != 0) return nullptr;
    if (symbol == "GetASPI32SupportInfo") return reinterpret_cast<void*>(&FakeGetSupportInfo);
    if (symbol == "SendASPI32Command") return reinterpret_cast<void*>(&FakeSendCommand);
    return nullptr;
}

std::string Padded(const std::string& text, size_t width) {
    std::string out = text.substr(0, width);
    out.resize(width, ' ');
    return out;
}

}  // namespace

Answer CheckCondition(uint8_t senseKey, uint8_t asc, uint8_t ascq, uint8_t status) {
    Answer a;
    a.status = status;
    a.targetStatus = STATUS_CHKCOND;
    a.sense[0] = 0x70;
    a.sense[2] = senseKey;
    a.sense[7] = 6;
    a.sense[12] = asc;
    a.sense[13] = ascq;
    return a;
}

Answer AspiError(uint8_t status) {
    Answer a;
    a.status = status;
    return a;
}

Answer Reply(std::vector<uint8_t> bytes) {
    Answer a;
    a.reply = std::move(bytes);
    return a;
}

void Install() {
    JoinDelayedCompletions();
    State() = Script{};
    plat::host::RegisterInProcessModule("WNASPI32.DLL", &Lookup);
}

void InstallWithDefaultScanner() {
    Install();
    AddDevice(0, 0, 6, "T.S.E.", "ZR-DX83");
}

void SetSupportInfo(uint32_t value) { State().supportInfo = value; }

void SetAdapterCount(uint8_t count) {
    State().supportInfo = (State().supportInfo & ~0xFFu) | count;
}

void HideSymbol(const std::string& name) { State().hiddenSymbols.insert(name); }

void MarkAdapterInvalid(uint8_t adapter) { State().invalidAdapters.insert(adapter); }

std::vector<uint8_t> InquiryReply(uint8_t deviceType, const std::string& vendor,
                                  const std::string& product, const std::string& revision) {
    std::vector<uint8_t> bytes(96, 0);
    bytes[0] = deviceType;
    bytes[4] = 91;
    const std::string texts = Padded(vendor, 8) + Padded(product, 16) + Padded(revision, 4);
    std::memcpy(bytes.data() + 8, texts.data(), texts.size());
    return bytes;
}

void AddDevice(uint8_t adapter, uint8_t target, uint8_t deviceType, const std::string& vendor,
               const std::string& product, const std::string& revision) {
    State().devices[{adapter, target}] = InquiryReply(deviceType, vendor, product, revision);
}

void AddRawDevice(uint8_t adapter, uint8_t target, std::vector<uint8_t> inquiry) {
    State().devices[{adapter, target}] = std::move(inquiry);
}

void QueueAnswer(const Answer& answer) { State().answers.push_back(answer); }

void SetResponder(Responder responder) { State().responder = responder; }

void StopRecording() { State().recording = false; }

const std::vector<RecordedRequest>& Requests() { return State().requests; }

std::vector<RecordedRequest> ScsiRequests() {
    std::vector<RecordedRequest> out;
    for (const RecordedRequest& r : State().requests) {
        if (r.command == SC_EXEC_SCSI_CMD) out.push_back(r);
    }
    return out;
}

uint32_t SupportInfoCalls() { return State().supportInfoCalls; }

void ClearRequests() { State().requests.clear(); }

void JoinDelayedCompletions() {
    for (std::thread& t : DelayedThreads()) {
        if (t.joinable()) t.join();
    }
    DelayedThreads().clear();
}

}  // namespace fake_aspi
