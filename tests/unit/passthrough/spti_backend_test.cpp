// The SPTI back end over a fake table of Windows calls: the units it finds in
// the ports' inquiry data (well-formed, cut short, garbage), the pass-through
// requests it builds, how it reads their answers in both forms, the Win32
// errors of a device that fails or goes away, and the ASPI manager over it.
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <cstring>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "passthrough/core/aspi_manager.h"
#include "passthrough/spti/spti_backend.h"
#include "passthrough/spti/spti_layout.h"
#include "scanner/aspi_defs.h"
#include "tests/unit/passthrough/fake_backend.h"

namespace {

using namespace passthrough;
using namespace passthrough::spti;
using Bytes = std::vector<uint8_t>;

void PutLe32(Bytes& bytes, size_t at, uint32_t value) {
    for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<uint8_t>(value >> (8 * i));
}

struct Unit {
    uint8_t pathId, targetId, lun, firstByte;  // firstByte: peripheral qualifier and type
};
struct Bus {
    uint8_t initiatorId;
    std::vector<Unit> units;
};

// The reply of IOCTL_SCSI_GET_INQUIRY_DATA: the bus records, then each unit's
// record with 36 bytes of INQUIRY data on a 4-byte boundary. `offsets` gets
// where each record starts, bus by bus.
Bytes InquiryReply(const std::vector<Bus>& buses,
                   std::vector<std::vector<uint32_t>>* offsets = nullptr) {
    Bytes reply(kBusInfoBusDataOffset + kBusDataSize * buses.size(), 0);
    reply[0] = static_cast<uint8_t>(buses.size());
    if (offsets != nullptr) offsets->assign(buses.size(), {});
    for (size_t b = 0; b < buses.size(); ++b) {
        const size_t busAt = kBusInfoBusDataOffset + kBusDataSize * b;
        reply[busAt + kBusDataLogicalUnits] = static_cast<uint8_t>(buses[b].units.size());
        reply[busAt + kBusDataInitiatorId] = buses[b].initiatorId;
        size_t link = busAt + kBusDataInquiryOffset;
        for (const Unit& unit : buses[b].units) {
            const size_t at = (reply.size() + 3) / 4 * 4;
            reply.resize(at + kInquiryData + 36, 0);
            reply[at + kInquiryPathId] = unit.pathId;
            reply[at + kInquiryTargetId] = unit.targetId;
            reply[at + kInquiryLun] = unit.lun;
            PutLe32(reply, at + kInquiryLength, 36);
            reply[at + kInquiryData] = unit.firstByte;
            PutLe32(reply, link, static_cast<uint32_t>(at));
            link = at + kInquiryNextOffset;
            if (offsets != nullptr) (*offsets)[b].push_back(static_cast<uint32_t>(at));
        }
    }
    return reply;
}

// ---- The fake Windows calls -------------------------------------------------------

struct FakePort {
    Bytes inquiry;
    // The reply is written whole but reported this long (-1: all of it), so
    // that reading past the reported length would find units.
    int64_t reportedLength = -1;
    bool inquiryFails = false;
    bool capabilitiesFail = false;
    bool deniesWriteAccess = false;
    uint32_t alignmentMask = 0;
};

// How the port answers a pass-through request.
struct PortAnswer {
    uint32_t error = 0;  // non-zero: DeviceIoControl fails with it
    uint8_t scsiStatus = 0;
    int64_t transferred = -1;  // DataTransferLength on return; -1 leaves it
    Bytes sense;               // written at SenseInfoOffset
    int senseInfoLength = -1;  // SenseInfoLength on return; -1: the size of `sense`
    Bytes reply;               // incoming data, as far as the transfer goes
};

PortAnswer Fails(uint32_t error) {
    PortAnswer answer;
    answer.error = error;
    return answer;
}

struct SeenRequest {
    intptr_t port;
    uint32_t code;
    Bytes input;
    uint32_t outputSize;
};

constexpr intptr_t kHandleBase = 100;

struct FakeWindows {
    std::map<uint32_t, FakePort> ports;
    std::vector<intptr_t> openHandles;
    PortAnswer answer;
    std::vector<SeenRequest> requests;
}* gWindows = nullptr;

intptr_t FakeOpenPort(const char* path, bool queryOnly, uint32_t* error) {
    unsigned port = 0;
    char end = 0;
    *error = kErrorFileNotFound;
    if (std::sscanf(path, "\\\\.\\Scsi%u%c", &port, &end) != 2 || end != ':' ||
        gWindows->ports.count(port) == 0) {
        return kNoPort;
    }
    if (!queryOnly && gWindows->ports[port].deniesWriteAccess) {
        *error = kErrorAccessDenied;
        return kNoPort;
    }
    gWindows->openHandles.push_back(kHandleBase + port);
    return kHandleBase + port;
}

void FakeClose(intptr_t handle) {
    auto& open = gWindows->openHandles;
    for (auto it = open.begin(); it != open.end(); ++it) {
        if (*it == handle) return void(open.erase(it));
    }
    ADD_FAILURE() << "closed a handle that is not open: " << handle;
}

template <typename Record>
void AnswerPassThrough(const PortAnswer& answer, uint8_t* buffer, uint8_t* data) {
    Record record;
    std::memcpy(&record, buffer, sizeof record);
    record.ScsiStatus = answer.scsiStatus;
    const uint32_t asked = record.DataTransferLength;
    if (answer.transferred >= 0)
        record.DataTransferLength = static_cast<uint32_t>(answer.transferred);
    const size_t moved =
        std::min<size_t>(answer.reply.size(), std::min(asked, record.DataTransferLength));
    if (record.DataIn == kDataIn && moved > 0) std::memcpy(data, answer.reply.data(), moved);
    std::copy(answer.sense.begin(), answer.sense.end(), buffer + record.SenseInfoOffset);
    record.SenseInfoLength =
        static_cast<uint8_t>(answer.senseInfoLength >= 0 ? answer.senseInfoLength
                                                         : static_cast<int>(answer.sense.size()));
    std::memcpy(buffer, &record, sizeof record);
}

bool FakeControl(intptr_t handle, uint32_t code, void* input, uint32_t inputSize, void* output,
                 uint32_t outputSize, uint32_t* returned, uint32_t* error) {
    FakePort& port = gWindows->ports.at(static_cast<uint32_t>(handle - kHandleBase));
    auto* out = static_cast<uint8_t*>(output);
    if (code == kIoctlScsiGetInquiryData) {
        *error = 1117;  // ERROR_IO_DEVICE
        if (port.inquiryFails) return false;
        const size_t size = std::min<size_t>(port.inquiry.size(), outputSize);
        std::memcpy(out, port.inquiry.data(), size);
        *returned = static_cast<uint32_t>(port.reportedLength >= 0 ? port.reportedLength : size);
        return true;
    }
    if (code == kIoctlScsiGetCapabilities) {
        *error = 1;  // ERROR_INVALID_FUNCTION
        if (port.capabilitiesFail) return false;
        IoScsiCapabilities capabilities{};
        capabilities.AlignmentMask = port.alignmentMask;
        std::memcpy(out, &capabilities, std::min<size_t>(sizeof capabilities, outputSize));
        *returned = sizeof capabilities;
        return true;
    }
    EXPECT_EQ(input, output);
    auto* in = static_cast<uint8_t*>(input);
    gWindows->requests.push_back({handle, code, Bytes(in, in + inputSize), outputSize});
    const PortAnswer& answer = gWindows->answer;
    *error = answer.error;
    if (answer.error != 0) return false;
    if (code == kIoctlScsiPassThrough) {
        ScsiPassThrough record;
        std::memcpy(&record, in, sizeof record);
        AnswerPassThrough<ScsiPassThrough>(answer, in, in + record.DataBufferOffset);
    } else {
        EXPECT_EQ(code, kIoctlScsiPassThroughDirect);
        ScsiPassThroughDirect record;
        std::memcpy(&record, in, sizeof record);
        AnswerPassThrough<ScsiPassThroughDirect>(answer, in,
                                                 static_cast<uint8_t*>(record.DataBuffer));
    }
    *returned = outputSize;
    return true;
}

const SptiSystemCalls kFakeCalls{FakeOpenPort, FakeControl, FakeClose};

// port, path, target, LUN, device type, initiator id
using Found = std::array<uint32_t, 6>;

class SptiBackendTest : public ::testing::Test {
protected:
    void SetUp() override { gWindows = &windows; }
    void TearDown() override {
        EXPECT_TRUE(windows.openHandles.empty()) << "a port handle was left open";
        gWindows = nullptr;
    }

    std::vector<DeviceEntry> Enumerate(int32_t* answer = nullptr) {
        std::vector<DeviceEntry> entries(64);
        const int32_t count = backend.enumerate(backend.context, entries.data(), 64);
        if (answer != nullptr) *answer = count;
        entries.resize(count > 0 ? static_cast<size_t>(count) : 0);
        return entries;
    }

    std::vector<Found> Units() {
        std::vector<Found> found;
        for (const DeviceEntry& e : Enumerate()) {
            found.push_back({e.address.host, e.address.channel, e.address.id, e.address.lun,
                             e.deviceType, e.adapterScsiId});
        }
        return found;
    }

    FakeWindows windows;
    BackendOps backend = SptiBackend(&kFakeCalls);
};

// Bus 0: a scanner, a disk (claimed by its class driver: listed all the
// same) and a unit with qualifier 3, which is no device; bus 1: a scanner.
const std::vector<Bus> kPortZero = {{7, {{0, 0, 0, 0x06}, {0, 1, 0, 0x00}, {0, 2, 1, 0x7F}}},
                                    {6, {{1, 5, 0, 0x06}}}};
const Found kScanner{0, 0, 0, 0, 6, 7};
const Found kDisk{0, 0, 1, 0, 0, 7};
const Found kBusOne{0, 1, 5, 0, 6, 6};

TEST_F(SptiBackendTest, FindsTheUnitsOfEveryPortAndClosesThem) {
    windows.ports[0].inquiry = InquiryReply(kPortZero);
    windows.ports[2].inquiry = InquiryReply({{7, {{0, 3, 0, 0x03}}}});
    windows.ports[2].deniesWriteAccess = true;
    windows.ports[3].inquiryFails = true;
    windows.ports[63].inquiry = InquiryReply({{7, {{0, 4, 0, 0x06}}}});
    windows.ports[64].inquiry = InquiryReply({{7, {{0, 4, 0, 0x06}}}});

    // Port 1 is missing and port 3 fails without ending the walk; port 2 is
    // listed for a user who may not send it commands; port 64 is past the walk.
    int32_t answer = 0;
    const std::vector<DeviceEntry> entries = Enumerate(&answer);
    EXPECT_EQ(Units(), (std::vector<Found>{
                           kScanner, kDisk, kBusOne, {2, 0, 3, 0, 3, 7}, {63, 0, 4, 0, 6, 7}}));
    ASSERT_EQ(answer, 5);
    EXPECT_STREQ(entries[0].node, "\\\\.\\Scsi0:");
    EXPECT_STREQ(entries[4].node, "\\\\.\\Scsi63:");
    EXPECT_STREQ(entries[4].adapterName, "SPTI Scsi63:");

    // That user's request cannot open the port: the core reports the device.
    DeviceHandle handle = 0;
    EXPECT_FALSE(backend.open(backend.context, entries[3], &handle));

    windows.ports.clear();
    EXPECT_TRUE(Enumerate(&answer).empty());
    EXPECT_EQ(answer, 0);
}

TEST_F(SptiBackendTest, AReplyCutShortGivesOnlyTheWholeRecordsBeforeTheCut) {
    std::vector<std::vector<uint32_t>> offsets;
    FakePort& port = windows.ports[0];
    port.inquiry = InquiryReply(kPortZero, &offsets);
    // Each listed unit with its bus and its place in the bus's chain.
    const struct {
        Found unit;
        size_t bus, place;
    } listed[] = {{kScanner, 0, 0}, {kDisk, 0, 1}, {kBusOne, 1, 0}};
    for (uint32_t cut = 0; cut <= port.inquiry.size(); ++cut) {
        port.reportedLength = cut;
        std::vector<Found> expected;
        for (const auto& u : listed) {
            bool whole = kBusInfoBusDataOffset + kBusDataSize * (u.bus + 1) <= cut;
            for (size_t p = 0; p <= u.place; ++p) {
                whole = whole && offsets[u.bus][p] + kInquiryData + 36 <= cut;
            }
            if (whole) expected.push_back(u.unit);
        }
        EXPECT_EQ(Units(), expected) << "reply cut to " << cut << " bytes";
    }
}

TEST_F(SptiBackendTest, GarbageInquiryDataEndsTheChainWithoutReadingPastTheReply) {
    std::vector<std::vector<uint32_t>> offsets;
    const Bytes good = InquiryReply(kPortZero, &offsets);
    const uint32_t first = offsets[0][0], second = offsets[0][1], last = offsets[1][0];
    const uint32_t busZero = kBusInfoBusDataOffset;
    const struct {
        const char* name;
        std::function<void(Bytes&)> spoil;
        std::vector<Found> expected;
    } cases[] = {
        {"no reply", [](Bytes& r) { r.clear(); }, {}},
        {"more buses than the reply holds",
         [](Bytes& r) { r[0] = 255; },
         {kScanner, kDisk, kBusOne}},
        {"a first record past the end",
         [&](Bytes& r) { PutLe32(r, busZero + kBusDataInquiryOffset, 0x10000); },
         {kBusOne}},
        {"an offset that wraps round",
         [&](Bytes& r) { PutLe32(r, busZero + kBusDataInquiryOffset, 0xFFFFFFF8); },
         {kBusOne}},
        {"a next offset past the end",
         [&](Bytes& r) { PutLe32(r, first + kInquiryNextOffset, 0x7FFFFFFF); },
         {kScanner, kBusOne}},
        {"inquiry data longer than the reply",
         [&](Bytes& r) { PutLe32(r, second + kInquiryLength, 0xFFFFFFFF); },
         {kScanner, kBusOne}},
        {"no inquiry data",
         [&](Bytes& r) { PutLe32(r, first + kInquiryLength, 0); },
         {kDisk, kBusOne}},
        {"a chain that loops, 255 units announced",
         [&](Bytes& r) {
             PutLe32(r, first + kInquiryNextOffset, first);
             r[busZero + kBusDataLogicalUnits] = 255;
         },
         {kScanner, kBusOne}},
        {"the last record cut in its inquiry data",
         [&](Bytes& r) { r.resize(last + kInquiryData + 10); },
         {kScanner, kDisk}},
    };
    for (const auto& c : cases) {
        windows.ports[0].inquiry = good;
        c.spoil(windows.ports[0].inquiry);
        EXPECT_EQ(Units(), c.expected) << c.name;
    }
}

// ---- Requests ---------------------------------------------------------------------

constexpr uint8_t kSenseCapacity = 14;

class SptiRequestTest : public SptiBackendTest {
protected:
    // Target 4 on port 1.
    DeviceHandle OpenScanner() {
        windows.ports[1].inquiry = InquiryReply({{7, {{0, 4, 0, 0x06}}}});
        const std::vector<DeviceEntry> entries = Enumerate();
        DeviceHandle handle = 0;
        EXPECT_TRUE(backend.open(backend.context, entries.at(0), &handle));
        return handle;
    }

    ScsiOutcome Run(const Bytes& cdb, DataDirection direction, uint8_t* data, uint32_t length,
                    uint32_t timeoutMs = 120000) {
        const DeviceHandle handle = OpenScanner();
        const ScsiExchange exchange{cdb.data(),     static_cast<uint8_t>(cdb.size()),
                                    direction,      data,
                                    length,         sense,
                                    kSenseCapacity, timeoutMs};
        ScsiOutcome outcome{};
        backend.execute(backend.context, handle, exchange, outcome);
        backend.close(backend.context, handle);
        return outcome;
    }

    uint8_t sense[kSenseCapacity + 4] = {};
};

// A request's record as the port was handed it, with the checks every
// request must pass: its length, and a sense area after it and inside.
template <typename Record>
Record RecordOf(const SeenRequest& seen) {
    Record record;
    EXPECT_GE(seen.input.size(), sizeof record);
    std::memcpy(&record, seen.input.data(), sizeof record);
    EXPECT_EQ(record.Length, sizeof record);
    EXPECT_EQ(seen.outputSize, seen.input.size());
    EXPECT_GE(record.SenseInfoOffset, sizeof record);
    EXPECT_LE(record.SenseInfoOffset + uint64_t{record.SenseInfoLength}, seen.input.size());
    return record;
}

TEST_F(SptiRequestTest, RequestsCarryTheExchangeInTheFormItsBufferSuits) {
    const Bytes inquiry = {0x12, 0, 0, 0, 0x60, 0};
    const Bytes unitReady = {0, 0, 0, 0, 0, 0};
    const Bytes setWindow = {0x24, 0, 0, 0, 0, 0, 0, 0, 0x48, 0};
    const Bytes read10 = {0x28, 0, 0, 0, 1, 0, 0, 0x80, 0, 0};
    const Bytes write16 = {0x8A, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0x28, 0, 0};
    const Bytes read12 = {0xA8, 0, 0, 0, 0, 0, 0, 0, 0x40, 0, 0, 0};
    const bool direct = true;
    const struct {
        const char* name;
        Bytes cdb;
        DataDirection direction;
        uint32_t length, misalign, alignmentMask;
        bool capabilitiesFail;
        uint32_t timeoutMs;
        bool direct;
        uint8_t dataIn;
        uint32_t timeoutSeconds;
    } cases[] = {
        {"INQUIRY", inquiry, DataDirection::In, 96, 0, 3, false, 120000, !direct, kDataIn, 120},
        {"TEST UNIT READY", unitReady, DataDirection::None, 0, 0, 3, false, 1, !direct,
         kDataUnspecified, 1},
        {"SET WINDOW", setWindow, DataDirection::Out, 72, 0, 3, false, 1500, !direct, kDataOut, 2},
        {"READ of 32 KiB", read10, DataDirection::In, 32768, 0, 3, false, 120000, direct, kDataIn,
         120},
        {"READ into a buffer the adapter cannot reach", read10, DataDirection::In, 32768, 1, 3,
         false, 120000, !direct, kDataIn, 120},
        {"READ on an adapter that wants 512-byte alignment", read10, DataDirection::In, 32768, 8,
         0x1FF, false, 120000, !direct, kDataIn, 120},
        {"READ on an adapter that keeps its alignment to itself", read10, DataDirection::In, 32768,
         0, 0, true, 120000, !direct, kDataIn, 120},
        {"16-byte WRITE of 20000 bytes", write16, DataDirection::Out, 20000, 0, 3, false, 999,
         direct, kDataOut, 1},
        {"the largest buffered READ", read12, DataDirection::In, kSptiBufferedLimit, 0, 0, false, 0,
         !direct, kDataIn, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        windows = FakeWindows{};
        windows.ports[1].alignmentMask = c.alignmentMask;
        windows.ports[1].capabilitiesFail = c.capabilitiesFail;
        Bytes storage(c.length + 8);
        for (size_t i = 0; i < storage.size(); ++i) storage[i] = static_cast<uint8_t>(i * 7);
        uint8_t* data = c.length > 0 ? storage.data() + c.misalign : nullptr;
        Run(c.cdb, c.direction, data, c.length, c.timeoutMs);

        ASSERT_EQ(windows.requests.size(), 1u);
        const SeenRequest& seen = windows.requests[0];
        EXPECT_EQ(seen.port, kHandleBase + 1);
        ASSERT_EQ(seen.code, c.direct ? kIoctlScsiPassThroughDirect : kIoctlScsiPassThrough);
        auto check = [&](const auto& record) {
            EXPECT_EQ(record.PathId, 0);
            EXPECT_EQ(record.TargetId, 4);
            EXPECT_EQ(record.Lun, 0);
            EXPECT_EQ(Bytes(record.Cdb, record.Cdb + record.CdbLength), c.cdb);
            EXPECT_EQ(record.DataIn, c.dataIn);
            EXPECT_EQ(record.DataTransferLength, c.length);
            EXPECT_EQ(record.TimeOutValue, c.timeoutSeconds);
            EXPECT_EQ(record.SenseInfoLength, kSenseCapacity);
        };
        if (c.direct) {
            const auto record = RecordOf<ScsiPassThroughDirect>(seen);
            check(record);
            EXPECT_EQ(record.DataBuffer, data);
            continue;
        }
        // The data follow the sense area, inside what the port was handed.
        const auto record = RecordOf<ScsiPassThrough>(seen);
        check(record);
        EXPECT_GE(record.DataBufferOffset,
                  record.SenseInfoOffset + uint64_t{record.SenseInfoLength});
        EXPECT_EQ(record.DataBufferOffset % 16 + (record.DataBufferOffset & c.alignmentMask), 0u);
        ASSERT_LE(record.DataBufferOffset + c.length, seen.input.size());
        const auto sent = seen.input.begin() + static_cast<long>(record.DataBufferOffset);
        if (c.direction == DataDirection::Out) {
            EXPECT_EQ(Bytes(sent, sent + c.length), Bytes(data, data + c.length));
        }
    }
}

TEST_F(SptiRequestTest, AnswersReadTheSameInBothForms) {
    Bytes fullSense(18);
    for (size_t i = 0; i < fullSense.size(); ++i) fullSense[i] = static_cast<uint8_t>(0x70 + i);
    constexpr int64_t kAll = -1, kHalf = -2;  // how much of the transfer moves
    const uint8_t none = 0;
    const struct {
        const char* name;
        PortAnswer answer;
        int64_t moved;
        TransportStatus transport;
        uint8_t scsiStatus, senseLength;
    } cases[] = {
        {"GOOD, all of it", {0, 0, kAll, {}, -1, {}}, kAll, TransportStatus::Ok, 0, 0},
        {"GOOD, half of it", {0, 0, kHalf, {}, -1, {}}, kHalf, TransportStatus::Ok, 0, 0},
        {"more moved than asked", {0, 0, 1 << 20, {}, -1, {}}, kAll, TransportStatus::Ok, 0, 0},
        {"CHECK CONDITION, more sense than room",
         {0, 2, 0, fullSense, -1, {}},
         0,
         TransportStatus::Ok,
         2,
         kSenseCapacity},
        {"CHECK CONDITION, a sense length past the data",
         {0, 2, 0, fullSense, 255, {}},
         0,
         TransportStatus::Ok,
         2,
         kSenseCapacity},
        {"CHECK CONDITION, six bytes of sense",
         {0, 2, 0, fullSense, 6, {}},
         0,
         TransportStatus::Ok,
         2,
         6},
        {"GOOD with a stray sense length",
         {0, 0, kAll, fullSense, 18, {}},
         kAll,
         TransportStatus::Ok,
         0,
         none},
        {"BUSY", {0, 8, 0, {}, -1, {}}, 0, TransportStatus::Ok, 8, 0},
        {"unplugged", Fails(kErrorDeviceNotConnected), 0, TransportStatus::DeviceGone, 0, 0},
        {"the handle gone with the device", Fails(kErrorInvalidHandle), 0,
         TransportStatus::DeviceGone, 0, 0},
        {"the port's time-out", Fails(kErrorSemTimeout), 0, TransportStatus::Timeout, 0, 0},
        {"the port busy", Fails(kErrorBusy), 0, TransportStatus::Busy, 0, 0},
        {"an I/O device error", Fails(1117), 0, TransportStatus::HostError, 0, 0},
        {"refused for a claimed unit", Fails(1), 0, TransportStatus::HostError, 0, 0},
    };
    // 64 bytes travel through the system's buffer, 20000 directly.
    for (const uint32_t length : {64u, 20000u}) {
        for (const auto& c : cases) {
            SCOPED_TRACE(std::string(c.name) + ", " + std::to_string(length) + " bytes");
            windows = FakeWindows{};
            const uint32_t moved = c.moved == kAll ? length : c.moved == kHalf ? length / 2 : 0;
            windows.answer = c.answer;
            if (c.answer.transferred == kHalf) windows.answer.transferred = moved;
            Bytes& reply = windows.answer.reply;
            for (uint32_t i = 0; i < length; ++i) reply.push_back(static_cast<uint8_t>(i * 13 + 1));
            std::memset(sense, 0xEE, sizeof sense);
            Bytes data(length + 16, 0xCC);
            const ScsiOutcome outcome =
                Run({0x28, 0, 0, 0, 0, 0, 0, 0, 0x40, 0}, DataDirection::In, data.data(), length);

            EXPECT_EQ(outcome.transport, c.transport);
            EXPECT_EQ(outcome.scsiStatus, c.scsiStatus);
            EXPECT_EQ(outcome.residual, length - moved);
            EXPECT_EQ(outcome.senseLength, c.senseLength);
            // What moved arrives and nothing else is written.
            Bytes expected(reply.begin(), reply.begin() + moved);
            expected.resize(data.size(), 0xCC);
            EXPECT_EQ(data, expected);
            Bytes expectedSense(fullSense.begin(), fullSense.begin() + c.senseLength);
            expectedSense.resize(sizeof sense, 0xEE);
            EXPECT_EQ(Bytes(sense, sense + sizeof sense), expectedSense);
        }
    }
}

TEST_F(SptiRequestTest, MalformedExchangesNeverReachThePort) {
    uint8_t data[8] = {};
    const Bytes read6 = {0x08, 0, 0, 0, 8, 0};
    const struct {
        const char* name;
        Bytes cdb;
        DataDirection direction;
        uint8_t* data;
        uint32_t length;
    } cases[] = {
        {"no CDB", {}, DataDirection::None, nullptr, 0},
        {"a CDB of 17 bytes", Bytes(17, 0), DataDirection::None, nullptr, 0},
        {"data without a buffer", read6, DataDirection::In, nullptr, 8},
        {"data without a direction", read6, DataDirection::None, data, 8},
        {"a direction without data", read6, DataDirection::In, data, 0},
    };
    for (const auto& c : cases) {
        const ScsiOutcome outcome = Run(c.cdb, c.direction, c.data, c.length);
        EXPECT_EQ(outcome.transport, TransportStatus::HostError) << c.name;
        EXPECT_EQ(outcome.residual, c.length) << c.name;
    }
    EXPECT_TRUE(windows.requests.empty());
}

// The manager over the back end, as the module holds it: the second bus of
// port 0 is host adapter 1, and its target 5 is reached there; a CHECK
// CONDITION brings its sense data as far as the block has room; a scanner
// unplugged during a command is refused from then on.
TEST_F(SptiBackendTest, TheManagerReachesTheUnitsThroughTheirPortAndBus) {
    windows.ports[0].inquiry = InquiryReply(kPortZero);
    fake_passthrough::FakeSystem system;
    passthrough::AspiManager* manager =
        passthrough::CreateAspiManager(backend, system.Services(), fake_passthrough::TestConfig());
    EXPECT_EQ(passthrough::AspiSupportInfo(manager), uint32_t{SS_COMP} << 8 | 2);

    Bytes reply(96, 0x5A);
    windows.answer.reply = reply;
    uint8_t buffer[96] = {};
    auto run = [&](SRB_ExecSCSICmd& block) {
        EXPECT_EQ(passthrough::AspiSendCommand(manager, &block), SS_PENDING);
        system.Run(ThreadRole::AdapterWorker);
        return block.SRB_Status;
    };
    SRB_ExecSCSICmd inquiry =
        fake_passthrough::ExecBlock(1, 5, SRB_DIR_IN, {0x12, 0, 0, 0, 0x60, 0}, buffer, 96);
    EXPECT_EQ(run(inquiry), SS_COMP);
    EXPECT_EQ(Bytes(buffer, buffer + 96), reply);
    ASSERT_EQ(windows.requests.size(), 1u);
    const auto record = RecordOf<ScsiPassThrough>(windows.requests[0]);
    EXPECT_EQ(windows.requests[0].port, kHandleBase);
    EXPECT_EQ(record.PathId, 1);
    EXPECT_EQ(record.TargetId, 5);

    windows.answer = PortAnswer{0, STATUS_CHKCOND, 0, Bytes(18, 0x71), -1, {}};
    SRB_ExecSCSICmd checked =
        fake_passthrough::ExecBlock(1, 5, SRB_DIR_OUT, {0, 0, 0, 0, 0, 0}, nullptr, 0);
    EXPECT_EQ(run(checked), SS_ERR);
    EXPECT_EQ(checked.SRB_TargStat, STATUS_CHKCOND);
    EXPECT_EQ(Bytes(checked.SenseArea, checked.SenseArea + SENSE_LEN), Bytes(SENSE_LEN, 0x71));
    EXPECT_EQ(checked.SenseArea[SENSE_LEN], 0);

    windows.answer = Fails(kErrorDeviceNotConnected);
    SRB_ExecSCSICmd unplugged =
        fake_passthrough::ExecBlock(1, 5, SRB_DIR_OUT, {0, 0, 0, 0, 0, 0}, nullptr, 0);
    EXPECT_EQ(run(unplugged), SS_NO_DEVICE);
    EXPECT_EQ(passthrough::AspiSendCommand(manager, &unplugged), SS_NO_DEVICE);
    EXPECT_EQ(windows.requests.size(), 3u);

    system.RunAll();
    EXPECT_TRUE(passthrough::DestroyAspiManager(manager, 0));
}

}  // namespace
