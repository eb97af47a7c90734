// A scripted pass-through back end and a deterministic stand-in for the
// operating-system services, for tests of the ASPI core on every build.
// Threads the core starts are only recorded and run when a test says so, on
// the test's thread; sleeping advances a fake clock. An answer can run a step
// while the device "works" (a watchdog pass, an abort), which is how a
// request that hangs or is aborted mid-way is played.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "passthrough/core/aspi_manager.h"
#include "scanner/aspi_defs.h"

namespace fake_passthrough {

using passthrough::DataDirection;
using passthrough::DeviceEntry;
using passthrough::ThreadRole;
using passthrough::TransportStatus;

class FakeSystem {
public:
    passthrough::OsServices Services();
    // Runs the recorded threads of `role`, and those they start, until none is left.
    void Run(ThreadRole role);
    void RunAll();
    size_t Waiting(ThreadRole role) const;

    uint64_t now = 1000;
    bool refuseThreads = false;
    bool eventSupport = true;
    std::vector<void*> signalledEvents;
    int lockDepth = 0;
    int maxLockDepth = 0;

private:
    struct Thread {
        ThreadRole role;
        void (*body)(void*);
        void* argument;
    };
    std::vector<Thread> threads_;
    friend struct SystemCalls;
};

struct Answer {
    TransportStatus transport = TransportStatus::Ok;
    uint8_t scsiStatus = STATUS_GOOD;
    std::vector<uint8_t> reply;   // written into an incoming data area, as far as it fits
    int64_t residual = -1;        // -1: the bytes of the area that the reply leaves
    std::vector<uint8_t> sense;   // written into the sense area, as far as it fits
    std::function<void()> during; // runs while the device works
};

Answer CheckCondition(std::vector<uint8_t> sense);

struct Exchange {
    std::vector<uint8_t> cdb;
    DataDirection direction;
    uint32_t dataLength;
    std::vector<uint8_t> dataOut;
    uint8_t senseCapacity;
    uint32_t timeoutMs;
};

class FakeBackend {
public:
    passthrough::BackendOps Ops();
    void AddDevice(uint32_t host, uint32_t channel, uint32_t id, uint32_t lun, uint8_t type = 6,
                   const char* adapterName = "fakehba");

    std::vector<DeviceEntry> devices;
    int32_t enumerateFailure = 0;  // non-zero: enumerate answers -1
    std::vector<std::string> refusedNodes;
    std::deque<Answer> answers;    // the next exchanges' answers; GOOD with no data when empty
    std::vector<TransportStatus> resetAnswers;

    std::vector<Exchange> exchanges;
    std::vector<std::string> opened;
    uint32_t resets = 0;
    uint32_t closes = 0;
};

// A manager over the two fakes with short time-outs: 100 ms for the device,
// 50 ms of grace, a 10 ms watchdog period, 64 KiB transfers.
passthrough::ManagerConfig TestConfig();

// An execute block with the fields the source sets, and the CDB given.
SRB_ExecSCSICmd ExecBlock(uint8_t adapter, uint8_t target, uint8_t flags,
                          std::vector<uint8_t> cdb, uint8_t* buffer, uint32_t length);

}  // namespace fake_passthrough
