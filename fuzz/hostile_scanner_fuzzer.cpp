// A hostile scanner: a whole application session (open, negotiate duplex,
// capabilities, enable without the dialog, one sheet natively, the rest in
// memory strips, close) over the scripted ASPI manager, which answers each
// SCSI request as the fuzzer's bytes say: as the virtual scanner would, or
// with a reply of any length, sense data of any length and content, an ASPI
// or target status of any value, or a request that stays pending (settled by
// the abort, or not even then). Whatever the scanner does, the source must not
// crash, read or write out of bounds, hang, leak a block, give an answer no
// source may give (a transfer done without its image, a strip past its
// buffer, a failure without a condition code) or stay open.
// Input: a model choice byte, then control bytes: the high five bits count
// the requests the virtual scanner answers first, the low three the kind of
// answer the next one gets, whose bytes follow; once the input runs out the
// virtual scanner answers.
#include <cstdio>
#include <cstring>

#include "fuzz/fuzz_common.h"
#include "platform/host/host_hooks.h"
#include "scanner/aspi_defs.h"
#include "scanner/discovery.h"
#include "tests/support/fake_aspi.h"
#include "tests/unit/hardening/session_driver.h"
#include "twain/source_state.h"
#include "vscanner/vscanner.h"

namespace {

// Duplex models of each generation and paper class.
const char* const kModels[] = {"ZR-DX961", "ZR-DX83", "ZR-DX73PX", "ZR-DXB600", "ZR-DX41"};

enum AnswerKind : uint8_t {
    kNatural,          // the virtual scanner answers
    kShortOrLongReply, // GOOD with a reply of the given length (capped at the buffer)
    kCheckCondition,   // CHECK CONDITION, sense bytes from the input, a reply as above
    kEndOfMedium,      // CHECK CONDITION with the end-of-medium bit, a reply as above
    kAspiStatus,       // any ASPI status, nothing else
    kPendingUntilAborted,
    kPendingForever,
    kTargetStatus,     // SS_COMP or SS_ERR with any target status
};

fuzz::InputReader Input{nullptr, 0};

void ReplyFromInput(const SRB_ExecSCSICmd& request, fake_aspi::Answer& answer) {
    const uint32_t length = Input.Word();
    const uint8_t fill = Input.Byte();
    if ((request.SRB_Flags & SRB_DIR_IN) != 0) answer.reply.assign(length, fill);
}

// Requests still to be answered by the virtual scanner before the answer
// the last control byte chose.
uint32_t NaturalAnswersLeft = 0;
uint8_t ChosenKind = kNatural;

bool Respond(SRB_ExecSCSICmd& request, fake_aspi::Answer& answer) {
    if (NaturalAnswersLeft == 0 && Input.size != 0) {
        const uint8_t control = Input.Byte();
        ChosenKind = control & 7;
        NaturalAnswersLeft = control >> 3;
    }
    if (NaturalAnswersLeft != 0 || ChosenKind == kNatural) {
        if (NaturalAnswersLeft != 0) --NaturalAnswersLeft;
        vscan::VsSendASPI32Command(&request);
        answer.completion = fake_aspi::Completion::Completed;
        return true;
    }
    const uint8_t kind = ChosenKind;
    ChosenKind = kNatural;
    switch (static_cast<AnswerKind>(kind)) {
        case kNatural:
            break;
        case kShortOrLongReply:
            ReplyFromInput(request, answer);
            break;
        case kCheckCondition: {
            answer = fake_aspi::CheckCondition(0, 0, 0, Input.Byte() % 2 == 0 ? SS_ERR : SS_COMP);
            const size_t senseLength = Input.Byte() % (answer.sense.size() + 1);
            for (size_t i = 0; i < senseLength; ++i) answer.sense[i] = Input.Byte();
            ReplyFromInput(request, answer);
            break;
        }
        case kEndOfMedium:
            answer = fake_aspi::CheckCondition(0, 0, 0);
            answer.sense[2] = static_cast<uint8_t>(0x40 | (Input.Byte() & 0xAF));
            ReplyFromInput(request, answer);
            break;
        case kAspiStatus:
            answer = fake_aspi::AspiError(Input.Byte());
            break;
        case kPendingUntilAborted:
            answer.completion = fake_aspi::Completion::Never;
            break;
        case kPendingForever:
            answer.completion = fake_aspi::Completion::Ignored;
            break;
        case kTargetStatus:
            answer.status = Input.Byte() % 2 == 0 ? SS_COMP : SS_ERR;
            answer.targetStatus = Input.Byte();
            break;
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Input = {data, size};
    NaturalAnswersLeft = 0;
    ChosenKind = kNatural;
    const char* model = kModels[Input.Byte() % (sizeof kModels / sizeof kModels[0])];

    fuzz::StartFromLoadState();
    // Request timeouts and the wait for paper pass in a few polls.
    plat::host::UseManualClock(0, 10007);
    vscan::Scenario scenario;
    vscan::DeviceSetup scanner = hardening::SessionScanner(3);
    scanner.model = model;
    scenario.devices.push_back(scanner);
    vscan::InstallScenario(scenario);
    fake_aspi::Install();
    fake_aspi::StopRecording();
    fake_aspi::SetResponder(Respond);

    const int64_t liveBlocks = plat::host::LiveBlockCount();
    const hardening::SessionOutcome outcome = hardening::RunSessionOnInstalledBus();
    UnloadAspi();
    for (const std::string& what : outcome.wrongAnswers) std::fprintf(stderr, "wrong answer: %s\n", what.c_str());
    if (!outcome.wrongAnswers.empty()) __builtin_trap();
    fuzz::CheckBlocks(liveBlocks);
    return 0;
}
