// The SPTI back end over a fake table of Windows calls: the units it finds in
// the ports' inquiry data (well-formed, cut short, garbage), the pass-through
// requests it builds, how it reads their answers in both forms, and the
// Win32 errors of a device that fails or goes away.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "passthrough/spti/spti_backend.h"
#include "passthrough/spti/spti_layout.h"

namespace {

using namespace passthrough;
using namespace passthrough::spti;

using Bytes = std::vector<uint8_t>;

void PutLe32(Bytes& bytes, size_t at, uint32_t value) {
    for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<uint8_t>(value >> (8 * i));
}

// ---- Inquiry data as a port reports it ---------------------------------------------

struct Unit {
    uint8_t pathId, targetId, lun;
    bool claimed;
    uint8_t firstByte;  // peripheral qualifier and device type
};
struct Bus {
    uint8_t initiatorId;
    std::vector<Unit> units;
};

// The reply of IOCTL_SCSI_GET_INQUIRY_DATA for `buses`: the bus records, then
// every unit's record (36 bytes of INQUIRY data) on a 4-byte boundary.
// `offsets` receives where each record starts, bus by bus.
Bytes InquiryReply(const std::vector<Bus>& buses,
                   std::vector<std::vector<uint32_t>>* offsets = nullptr) {
    Bytes reply(kBusInfoBusDataOffset + kBusDataSize * buses.size(), 0);
    reply[0] = static_cast<uint8_t>(buses.size());
    if (offsets != nullptr) offsets->assign(buses.size(), {});
    for (size_t b = 0; b < buses.size(); ++b) {
        const size_t busAt = kBusInfoBusDataOffset + kBusDataSize * b;
        reply[busAt + kBusDataLogicalUnits] = static_cast<uint8_t>(buses[b].units.size());
        reply[busAt + kBusDataInitiatorId] = buses[b].initiatorId;
        size_t previous = 0;
        for (const Unit& unit : buses[b].units) {
            reply.resize((reply.size() + 3) / 4 * 4, 0);
            const size_t at = reply.size();
            reply.resize(at + kInquiryData + 36, 0);
            reply[at + kInquiryPathId] = unit.pathId;
            reply[at + kInquiryTargetId] = unit.targetId;
            reply[at + kInquiryLun] = unit.lun;
            reply[at + kInquiryClaimed] = unit.claimed ? 1 : 0;
            PutLe32(reply, at + kInquiryLength, 36);
            reply[at + kInquiryData] = unit.firstByte;
            std::memcpy(&reply[at + kInquiryData + 8], "VANTO   ", 8);
            if (previous == 0) {
                PutLe32(reply, busAt + kBusDataInquiryOffset, static_cast<uint32_t>(at));
            } else {
                PutLe32(reply, previous + kInquiryNextOffset, static_cast<uint32_t>(at));
            }
            previous = at;
            if (offsets != nullptr) (*offsets)[b].push_back(static_cast<uint32_t>(at));
        }
    }
    return reply;
}

// ---- The fake Windows calls -------------------------------------------------------

struct FakePort {
    Bytes inquiry;
    // The reply is written whole but reported this long, so that reading past
    // the reported length finds units: -1 reports all of it.
    int64_t reportedLength = -1;
    bool inquiryFails = false;
    bool capabilitiesFail = false;
    uint32_t alignmentMask = 0;
};

// How the port answers the next pass-through request.
struct PortAnswer {
    uint32_t error = 0;          // non-zero: DeviceIoControl fails with it
    uint8_t scsiStatus = 0;
    int64_t transferred = -1;    // DataTransferLength on return; -1 leaves it
    Bytes sense;                 // written at SenseInfoOffset
    int senseInfoLength = -1;    // SenseInfoLength on return; -1: the sense written
    Bytes reply;                 // incoming data, as far as `transferred` goes
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
    uint32_t portsOpened = 0;
    PortAnswer answer;
    std::vector<SeenRequest> requests;
};

FakeWindows* gWindows = nullptr;

intptr_t FakeOpenPort(const char* path, uint32_t* error) {
    unsigned port = 0;
    char end = 0;
    if (std::sscanf(path, "\\\\.\\Scsi%u%c", &port, &end) != 2 || end != ':' ||
        gWindows->ports.count(port) == 0) {
        *error = kErrorFileNotFound;
        return kNoPort;
    }
    ++gWindows->portsOpened;
    gWindows->openHandles.push_back(kHandleBase + port);
    return kHandleBase + port;
}

void FakeClose(intptr_t handle) {
    auto& open = gWindows->openHandles;
    for (auto it = open.begin(); it != open.end(); ++it) {
        if (*it == handle) {
            open.erase(it);
            return;
        }
    }
    ADD_FAILURE() << "closed a handle that is not open: " << handle;
}

template <typename Record>
void AnswerPassThrough(const PortAnswer& answer, uint8_t* buffer, uint8_t* data) {
    Record record;
    std::memcpy(&record, buffer, sizeof record);
    record.ScsiStatus = answer.scsiStatus;
    const uint32_t asked = record.DataTransferLength;
    if (answer.transferred >= 0) record.DataTransferLength = static_cast<uint32_t>(answer.transferred);
    const size_t replied = std::min<size_t>(answer.reply.size(), std::min(asked, record.DataTransferLength));
    if (record.DataIn == kDataIn && replied > 0) std::memcpy(data, answer.reply.data(), replied);
    if (!answer.sense.empty()) {
        std::memcpy(buffer + record.SenseInfoOffset, answer.sense.data(), answer.sense.size());
    }
    record.SenseInfoLength = static_cast<uint8_t>(
        answer.senseInfoLength >= 0 ? answer.senseInfoLength : static_cast<int>(answer.sense.size()));
    std::memcpy(buffer, &record, sizeof record);
}

bool FakeControl(intptr_t handle, uint32_t code, void* input, uint32_t inputSize, void* output,
                 uint32_t outputSize, uint32_t* returned, uint32_t* error) {
    FakePort& port = gWindows->ports.at(static_cast<uint32_t>(handle - kHandleBase));
    auto* out = static_cast<uint8_t*>(output);
    if (code == kIoctlScsiGetInquiryData) {
        if (port.inquiryFails) {
            *error = 1117;  // ERROR_IO_DEVICE
            return false;
        }
        const size_t size = std::min<size_t>(port.inquiry.size(), outputSize);
        std::memcpy(out, port.inquiry.data(), size);
        *returned = static_cast<uint32_t>(port.reportedLength >= 0 ? port.reportedLength : size);
        return true;
    }
    if (code == kIoctlScsiGetCapabilities) {
        if (port.capabilitiesFail) {
            *error = 1;  // ERROR_INVALID_FUNCTION
            return false;
        }
        IoScsiCapabilities capabilities{};
        capabilities.Length = sizeof capabilities;
        capabilities.MaximumTransferLength = 65536;
        capabilities.AlignmentMask = port.alignmentMask;
        std::memcpy(out, &capabilities, std::min<size_t>(sizeof capabilities, outputSize));
        *returned = sizeof capabilities;
        return true;
    }
    EXPECT_TRUE(code == kIoctlScsiPassThrough || code == kIoctlScsiPassThroughDirect) << code;
    EXPECT_EQ(input, output);
    auto* in = static_cast<uint8_t*>(input);
    gWindows->requests.push_back({handle, code, Bytes(in, in + inputSize), outputSize});
    const PortAnswer& answer = gWindows->answer;
    if (answer.error != 0) {
        *error = answer.error;
        return false;
    }
    if (code == kIoctlScsiPassThrough) {
        ScsiPassThrough record;
        std::memcpy(&record, in, sizeof record);
        AnswerPassThrough<ScsiPassThrough>(answer, in, in + record.DataBufferOffset);
    } else {
        ScsiPassThroughDirect record;
        std::memcpy(&record, in, sizeof record);
        AnswerPassThrough<ScsiPassThroughDirect>(answer, in, static_cast<uint8_t*>(record.DataBuffer));
    }
    *returned = outputSize;
    return true;
}

const SptiSystemCalls kFakeCalls{FakeOpenPort, FakeControl, FakeClose};

struct Found {
    uint32_t port, path, target, lun;
    uint8_t type, initiator;
    bool operator==(const Found&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Found& f) {
    return out << "{port " << f.port << ", path " << f.path << ", target " << f.target << ", lun "
               << f.lun << ", type " << int{f.type} << ", initiator " << int{f.initiator} << "}";
}

class SptiBackendTest : public ::testing::Test {
protected:
    void SetUp() override { gWindows = &windows; }
    void TearDown() override {
        EXPECT_TRUE(windows.openHandles.empty()) << "a port handle was left open";
        gWindows = nullptr;
    }

    std::vector<DeviceEntry> Enumerate(int32_t* answer = nullptr) {
        std::vector<DeviceEntry> entries(64);
        const int32_t count = backend.enumerate(backend.context, entries.data(),
                                                static_cast<uint32_t>(entries.size()));
        if (answer != nullptr) *answer = count;
        entries.resize(count > 0 ? static_cast<size_t>(count) : 0);
        return entries;
    }

    static std::vector<Found> Summary(const std::vector<DeviceEntry>& entries) {
        std::vector<Found> found;
        for (const DeviceEntry& e : entries) {
            found.push_back({e.address.host, e.address.channel, e.address.id, e.address.lun,
                             e.deviceType, e.adapterScsiId});
        }
        return found;
    }

    FakeWindows windows;
    BackendOps backend = SptiBackend(&kFakeCalls);
};

const std::vector<Bus> kPortZero = {
    {7, {{0, 0, 0, false, 0x06}, {0, 1, 0, true, 0x00}, {0, 2, 1, false, 0x7F}}},
    {6, {{1, 5, 0, false, 0x06}}},
};

TEST_F(SptiBackendTest, FindsTheUnitsOfEveryPortAndClosesThem) {
    windows.ports[0].inquiry = InquiryReply(kPortZero);
    windows.ports[2].inquiry = InquiryReply({{7, {{0, 3, 0, false, 0x03}}}});
    windows.ports[3].inquiryFails = true;
    windows.ports[63].inquiry = InquiryReply({{7, {{0, 4, 0, false, 0x06}}}});
    windows.ports[64].inquiry = InquiryReply({{7, {{0, 4, 0, false, 0x06}}}});

    int32_t answer = 0;
    const std::vector<DeviceEntry> entries = Enumerate(&answer);
    // The unit with qualifier 3 is no device; the claimed disk stays; port 1
    // is missing and port 3 fails without ending the walk; port 64 is beyond it.
    const std::vector<Found> expected = {
        {0, 0, 0, 0, 6, 7}, {0, 0, 1, 0, 0, 7}, {0, 1, 5, 0, 6, 6}, {2, 0, 3, 0, 3, 7},
        {63, 0, 4, 0, 6, 7}};
    EXPECT_EQ(Summary(entries), expected);
    EXPECT_EQ(answer, 5);
    EXPECT_EQ(windows.portsOpened, 4u);
    ASSERT_EQ(entries.size(), 5u);
    EXPECT_STREQ(entries[0].node, "\\\\.\\Scsi0:");
    EXPECT_STREQ(entries[3].node, "\\\\.\\Scsi2:");
    EXPECT_STREQ(entries[4].adapterName, "SPTI Scsi63:");

    // No port at all: no units, and still an answer rather than a failure.
    windows.ports.clear();
    EXPECT_TRUE(Enumerate(&answer).empty());
    EXPECT_EQ(answer, 0);
}

TEST_F(SptiBackendTest, AReplyCutShortGivesOnlyTheWholeRecordsBeforeTheCut) {
    std::vector<std::vector<uint32_t>> offsets;
    FakePort& port = windows.ports[0];
    port.inquiry = InquiryReply(kPortZero, &offsets);
    const std::vector<Found> all = {{0, 0, 0, 0, 6, 7}, {0, 0, 1, 0, 0, 7}, {0, 1, 5, 0, 6, 6}};
    // The units of `all` by bus and place in the chain (the third of bus 0 is no device).
    const size_t bus[] = {0, 0, 1};
    const size_t place[] = {0, 1, 0};
    for (uint32_t cut = 0; cut <= port.inquiry.size(); ++cut) {
        port.reportedLength = cut;
        std::vector<Found> expected;
        for (size_t u = 0; u < all.size(); ++u) {
            bool whole = kBusInfoBusDataOffset + kBusDataSize * (bus[u] + 1) <= cut;
            for (size_t p = 0; p <= place[u]; ++p) {
                whole = whole && offsets[bus[u]][p] + kInquiryData + 36 <= cut;
            }
            if (whole) expected.push_back(all[u]);
        }
        EXPECT_EQ(Summary(Enumerate()), expected) << "reply cut to " << cut << " bytes";
    }
}

TEST_F(SptiBackendTest, GarbageInquiryDataEndsTheChainWithoutReadingPastTheReply) {
    std::vector<std::vector<uint32_t>> offsets;
    const Bytes good = InquiryReply(kPortZero, &offsets);
    const uint32_t first = offsets[0][0];
    const uint32_t second = offsets[0][1];
    const uint32_t busOneFirst = offsets[1][0];
    struct Case {
        const char* name;
        std::function<void(Bytes&)> spoil;
        std::vector<Found> expected;
    };
    const Found scanner{0, 0, 0, 0, 6, 7};
    const Found disk{0, 0, 1, 0, 0, 7};
    const Found busOne{0, 1, 5, 0, 6, 6};
    const std::vector<Case> cases = {
        {"no reply at all", [](Bytes& r) { r.clear(); }, {}},
        {"more buses than the reply holds", [](Bytes& r) { r[0] = 255; }, {scanner, disk, busOne}},
        {"a bus's first record past the end",
         [](Bytes& r) { PutLe32(r, kBusInfoBusDataOffset + kBusDataInquiryOffset, 0x10000); },
         {busOne}},
        {"an offset that wraps round",
         [](Bytes& r) { PutLe32(r, kBusInfoBusDataOffset + kBusDataInquiryOffset, 0xFFFFFFF8); },
         {busOne}},
        {"a next offset past the end",
         [first](Bytes& r) { PutLe32(r, first + kInquiryNextOffset, 0x7FFFFFFF); },
         {scanner, busOne}},
        {"inquiry data longer than the reply",
         [second](Bytes& r) { PutLe32(r, second + kInquiryLength, 0xFFFFFFFF); },
         {scanner, busOne}},
        {"no inquiry data", [first](Bytes& r) { PutLe32(r, first + kInquiryLength, 0); },
         {disk, busOne}},
        {"a chain that loops, with 255 units announced",
         [first](Bytes& r) {
             PutLe32(r, first + kInquiryNextOffset, first);
             r[kBusInfoBusDataOffset + kBusDataLogicalUnits] = 255;
         },
         {scanner, busOne}},
        {"fewer units announced than chained",
         [](Bytes& r) { r[kBusInfoBusDataOffset + kBusDataLogicalUnits] = 1; }, {scanner, busOne}},
        {"the last record cut in its inquiry data",
         [busOneFirst](Bytes& r) { r.resize(busOneFirst + kInquiryData + 10); }, {scanner, disk}},
    };
    for (const Case& c : cases) {
        Bytes reply = good;
        c.spoil(reply);
        windows.ports[0].inquiry = reply;
        EXPECT_EQ(Summary(Enumerate()), c.expected) << c.name;
    }
}

// ---- Requests ---------------------------------------------------------------------

constexpr uint8_t kSenseCapacity = 14;

class SptiRequestTest : public SptiBackendTest {
protected:
    DeviceHandle OpenScanner() {
        windows.ports[1].inquiry = InquiryReply({{7, {{0, 4, 0, false, 0x06}}}});
        const std::vector<DeviceEntry> entries = Enumerate();
        EXPECT_EQ(entries.size(), 1u);
        DeviceHandle handle = 0;
        EXPECT_TRUE(backend.open(backend.context, entries.at(0), &handle));
        return handle;
    }

    ScsiOutcome Run(DeviceHandle handle, const Bytes& cdb, DataDirection direction, uint8_t* data,
                    uint32_t length, uint32_t timeoutMs = 120000) {
        ScsiExchange exchange{cdb.data(), static_cast<uint8_t>(cdb.size()), direction, data, length,
                              sense, kSenseCapacity, timeoutMs};
        ScsiOutcome outcome{};
        backend.execute(backend.context, handle, exchange, outcome);
        return outcome;
    }

    uint8_t sense[kSenseCapacity + 4] = {};
};

// What a request must say, read back from the bytes the port was handed.
template <typename Record>
Record RecordOf(const SeenRequest& seen) {
    Record record;
    EXPECT_GE(seen.input.size(), sizeof record);
    std::memcpy(&record, seen.input.data(), sizeof record);
    EXPECT_EQ(record.Length, sizeof record);
    EXPECT_EQ(seen.outputSize, seen.input.size());
    // The sense area lies after the record and inside what the port was handed.
    EXPECT_GE(record.SenseInfoOffset, sizeof record);
    EXPECT_LE(record.SenseInfoOffset + uint64_t{record.SenseInfoLength}, seen.input.size());
    return record;
}

TEST_F(SptiRequestTest, RequestsCarryTheExchangeInTheFormItsBufferSuits) {
    struct Case {
        const char* name;
        Bytes cdb;
        DataDirection direction;
        uint32_t length;
        uint32_t misalign;
        uint32_t alignmentMask;
        bool capabilitiesFail;
        uint32_t timeoutMs;
        uint32_t code;
        uint8_t dataIn;
        uint32_t timeoutSeconds;
    };
    const Bytes inquiry = {0x12, 0, 0, 0, 0x60, 0};
    const Bytes unitReady = {0, 0, 0, 0, 0, 0};
    const Bytes setWindow = {0x24, 0, 0, 0, 0, 0, 0, 0, 0x48, 0};
    const Bytes read10 = {0x28, 0, 0, 0, 1, 0, 0, 0x80, 0, 0};
    const Bytes write16 = {0x8A, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0x28, 0, 0};
    const Bytes read12 = {0xA8, 0, 0, 0, 0, 0, 0, 0, 0x40, 0, 0, 0};
    const std::vector<Case> cases = {
        {"INQUIRY", inquiry, DataDirection::In, 96, 0, 3, false, 120000,
         kIoctlScsiPassThrough, kDataIn, 120},
        {"TEST UNIT READY", unitReady, DataDirection::None, 0, 0, 3, false, 1,
         kIoctlScsiPassThrough, kDataUnspecified, 1},
        {"SET WINDOW", setWindow, DataDirection::Out, 72, 0, 3, false, 1500,
         kIoctlScsiPassThrough, kDataOut, 2},
        {"a READ of 32 KiB", read10, DataDirection::In, 32768, 0, 3, false, 120000,
         kIoctlScsiPassThroughDirect, kDataIn, 120},
        {"a READ into a buffer the adapter cannot reach", read10, DataDirection::In, 32768, 1, 3,
         false, 120000, kIoctlScsiPassThrough, kDataIn, 120},
        {"a READ on an adapter that keeps its alignment to itself", read10, DataDirection::In,
         32768, 0, 0, true, 120000, kIoctlScsiPassThrough, kDataIn, 120},
        {"a 16-byte WRITE of 20000 bytes", write16, DataDirection::Out, 20000, 0, 3, false, 999,
         kIoctlScsiPassThroughDirect, kDataOut, 1},
        {"the largest buffered READ", read12, DataDirection::In, kSptiBufferedLimit, 0, 0, false, 0,
         kIoctlScsiPassThrough, kDataIn, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        windows = FakeWindows{};
        windows.ports[1].alignmentMask = c.alignmentMask;
        windows.ports[1].capabilitiesFail = c.capabilitiesFail;
        const DeviceHandle handle = OpenScanner();
        std::vector<uint8_t> storage(c.length + 8);
        for (size_t i = 0; i < storage.size(); ++i) storage[i] = static_cast<uint8_t>(i * 7);
        uint8_t* data = c.length > 0 ? storage.data() + c.misalign : nullptr;
        Run(handle, c.cdb, c.direction, data, c.length, c.timeoutMs);
        backend.close(backend.context, handle);

        ASSERT_EQ(windows.requests.size(), 1u);
        const SeenRequest& seen = windows.requests[0];
        EXPECT_EQ(seen.port, kHandleBase + 1);
        ASSERT_EQ(seen.code, c.code);
        auto check = [&](const auto& record) {
            EXPECT_EQ(record.PathId, 0);
            EXPECT_EQ(record.TargetId, 4);
            EXPECT_EQ(record.Lun, 0);
            EXPECT_EQ(record.CdbLength, c.cdb.size());
            EXPECT_EQ(Bytes(record.Cdb, record.Cdb + c.cdb.size()), c.cdb);
            EXPECT_EQ(record.DataIn, c.dataIn);
            EXPECT_EQ(record.DataTransferLength, c.length);
            EXPECT_EQ(record.TimeOutValue, c.timeoutSeconds);
            EXPECT_EQ(record.SenseInfoLength, kSenseCapacity);
        };
        if (c.code == kIoctlScsiPassThroughDirect) {
            const auto record = RecordOf<ScsiPassThroughDirect>(seen);
            check(record);
            EXPECT_EQ(record.DataBuffer, data);
        } else {
            const auto record = RecordOf<ScsiPassThrough>(seen);
            check(record);
            // The data follow the sense area, inside what the port was handed.
            EXPECT_GE(record.DataBufferOffset, record.SenseInfoOffset + uint64_t{record.SenseInfoLength});
            ASSERT_LE(record.DataBufferOffset + c.length, seen.input.size());
            if (c.direction == DataDirection::Out) {
                EXPECT_EQ(Bytes(seen.input.begin() + static_cast<long>(record.DataBufferOffset),
                                seen.input.begin() + static_cast<long>(record.DataBufferOffset + c.length)),
                          Bytes(data, data + c.length));
            }
        }
    }
}

TEST_F(SptiRequestTest, AnswersReadTheSameInBothForms) {
    Bytes fullSense(18);
    for (size_t i = 0; i < fullSense.size(); ++i) fullSense[i] = static_cast<uint8_t>(0x70 + i);
    fullSense[2] = 0x03;
    struct Case {
        const char* name;
        PortAnswer answer;
        int64_t moved;  // -1: the whole length
        ScsiOutcome expected;  // residual as the part not moved, when moved >= 0
    };
    const uint8_t none = 0;
    const std::vector<Case> cases = {
        {"GOOD, all of it", {0, 0, -1, {}, -1, {}}, -1, {TransportStatus::Ok, 0, 0, 0}},
        {"GOOD, half of it", {0, 0, -2, {}, -1, {}}, -2, {TransportStatus::Ok, 0, 0, 0}},
        {"a port that says it moved more than asked", {0, 0, 1 << 20, {}, -1, {}}, -1,
         {TransportStatus::Ok, 0, 0, 0}},
        {"CHECK CONDITION with more sense than the caller has room for",
         {0, 2, 0, fullSense, -1, {}}, 0, {TransportStatus::Ok, 2, 0, kSenseCapacity}},
        {"CHECK CONDITION with a sense length past the data",
         {0, 2, 0, fullSense, 255, {}}, 0, {TransportStatus::Ok, 2, 0, kSenseCapacity}},
        {"CHECK CONDITION with six bytes of sense", {0, 2, 0, fullSense, 6, {}}, 0,
         {TransportStatus::Ok, 2, 0, 6}},
        {"GOOD with a stray sense length", {0, 0, -1, fullSense, 18, {}}, -1,
         {TransportStatus::Ok, 0, 0, none}},
        {"BUSY", {0, 8, 0, {}, -1, {}}, 0, {TransportStatus::Ok, 8, 0, 0}},
        {"the device unplugged", Fails(kErrorDeviceNotConnected), 0, {TransportStatus::DeviceGone, 0, 0, 0}},
        {"the handle gone with the device", Fails(kErrorInvalidHandle), 0, {TransportStatus::DeviceGone, 0, 0, 0}},
        {"the device removed", Fails(kErrorDeviceRemoved), 0, {TransportStatus::DeviceGone, 0, 0, 0}},
        {"the port's time-out", Fails(kErrorSemTimeout), 0, {TransportStatus::Timeout, 0, 0, 0}},
        {"aborted", Fails(kErrorOperationAborted), 0, {TransportStatus::Aborted, 0, 0, 0}},
        {"a bus reset", Fails(kErrorBusReset), 0, {TransportStatus::BusReset, 0, 0, 0}},
        {"the port busy", Fails(kErrorBusy), 0, {TransportStatus::Busy, 0, 0, 0}},
        {"no resources for the request", Fails(kErrorNoSystemResources), 0, {TransportStatus::Busy, 0, 0, 0}},
        {"a data error", Fails(kErrorCrc), 0, {TransportStatus::ParityError, 0, 0, 0}},
        {"an I/O device error", Fails(1117), 0, {TransportStatus::HostError, 0, 0, 0}},
        {"a request a port refuses for a claimed unit", Fails(1), 0, {TransportStatus::HostError, 0, 0, 0}},
    };
    // 64 bytes travel through the system's buffer, 20000 directly.
    for (const uint32_t length : {64u, 20000u}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(c.name) + ", " + std::to_string(length) + " bytes");
            windows = FakeWindows{};
            const DeviceHandle handle = OpenScanner();
            PortAnswer answer = c.answer;
            const uint32_t moved = c.moved == -1 ? length : c.moved == -2 ? length / 2 : 0;
            if (answer.transferred == -2) answer.transferred = moved;
            answer.reply.resize(length);
            for (uint32_t i = 0; i < length; ++i) answer.reply[i] = static_cast<uint8_t>(i * 13 + 1);
            windows.answer = answer;
            std::memset(sense, 0xEE, sizeof sense);
            Bytes data(length + 16, 0xCC);
            const ScsiOutcome outcome =
                Run(handle, {0x28, 0, 0, 0, 0, 0, 0, 0, 0x40, 0}, DataDirection::In, data.data(), length);
            backend.close(backend.context, handle);

            EXPECT_EQ(outcome.transport, c.expected.transport);
            EXPECT_EQ(outcome.scsiStatus, c.expected.scsiStatus);
            EXPECT_EQ(outcome.residual, length - moved);
            EXPECT_EQ(outcome.senseLength, c.expected.senseLength);
            // The moved bytes arrive; the caller's bytes past them stay.
            EXPECT_EQ(Bytes(data.begin(), data.begin() + moved),
                      Bytes(answer.reply.begin(), answer.reply.begin() + moved));
            EXPECT_EQ(Bytes(data.begin() + moved, data.end()), Bytes(data.size() - moved, 0xCC));
            EXPECT_EQ(Bytes(sense, sense + outcome.senseLength),
                      Bytes(fullSense.begin(), fullSense.begin() + outcome.senseLength));
            EXPECT_EQ(Bytes(sense + outcome.senseLength, sense + sizeof sense),
                      Bytes(sizeof sense - outcome.senseLength, 0xEE));
        }
    }
}

TEST_F(SptiRequestTest, MalformedExchangesNeverReachThePort) {
    const DeviceHandle handle = OpenScanner();
    uint8_t data[8] = {};
    const Bytes read6 = {0x08, 0, 0, 0, 8, 0};
    struct Case {
        const char* name;
        Bytes cdb;
        DataDirection direction;
        uint8_t* data;
        uint32_t length;
    };
    const std::vector<Case> cases = {
        {"no CDB", {}, DataDirection::None, nullptr, 0},
        {"a CDB of 17 bytes", Bytes(17, 0), DataDirection::None, nullptr, 0},
        {"data without a buffer", read6, DataDirection::In, nullptr, 8},
        {"data without a direction", read6, DataDirection::None, data, 8},
        {"a direction without data", read6, DataDirection::In, data, 0},
    };
    for (const Case& c : cases) {
        const ScsiOutcome outcome = Run(handle, c.cdb, c.direction, c.data, c.length);
        EXPECT_EQ(outcome.transport, TransportStatus::HostError) << c.name;
        EXPECT_EQ(outcome.residual, c.length) << c.name;
    }
    EXPECT_TRUE(windows.requests.empty());
    backend.close(backend.context, handle);

    // A unit whose port is gone by the time it is opened.
    DeviceEntry entry{};
    std::snprintf(entry.node, sizeof entry.node, "\\\\.\\Scsi9:");
    DeviceHandle unopened = 0;
    EXPECT_FALSE(backend.open(backend.context, entry, &unopened));
}

}  // namespace
