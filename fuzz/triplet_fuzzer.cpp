// Arbitrary sequences of triplets through DS_Entry, in every state, against
// the in-process virtual scanner: any data group, argument type and message,
// data of the argument's size filled with the fuzzer's bytes or null, calls
// from the application, from nobody and from another application (which may
// be the one that opens the source), and MSG_PROCESSEVENT
// with no event, with foreign bytes and with the host's own dialog messages
// (so the main dialog's buttons are pressed too). Handles inside the data are
// the application's real blocks or null, as a working application's are. At
// the end the application resets, disables and closes; the source must then be
// closed and every block it handed over or took back accounted for.
// Input: a model choice byte, then up to 64 triplets, each: an argument type
// choice (beyond the table: data group and argument type from the next four
// bytes), a message choice (beyond the table: the next two bytes), an origin
// and data byte, then the data's bytes and the handles' choices.
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "fuzz/fuzz_common.h"
#include "platform/host/dialog_host.h"
#include "platform/host/host_hooks.h"
#include "platform/platform.h"
#include "scanner/discovery.h"
#include "settings/settings_file.h"
#include "settings/settings_model.h"
#include "twain/app_memory.h"
#include "twain/dispatch.h"
#include "twain/source_state.h"
#include "twain/user_interface.h"
#include "vscanner/vscanner.h"

namespace {

const char* const kModels[] = {"ZR-DX961", "ZR-DX83", "ZR-DX73PX", "ZR-DX960s", "ZR-DXB600"};

struct Argument {
    TW_UINT32 dataGroup;
    TW_UINT16 dat;
    size_t size;
};

// A response table holds an entry per level of the bit depth, 8 bits at most.
constexpr size_t kResponseBytes = 256 * sizeof(TW_ELEMENT8);

const Argument kArguments[] = {
    // data group  argument type         data size
    {DG_CONTROL, DAT_CAPABILITY,        sizeof(TW_CAPABILITY)},
    {DG_CONTROL, DAT_EVENT,             sizeof(TW_EVENT)},
    {DG_CONTROL, DAT_IDENTITY,          sizeof(TW_IDENTITY)},
    {DG_CONTROL, DAT_PARENT,            sizeof(void*)},
    {DG_CONTROL, DAT_PENDINGXFERS,      sizeof(TW_PENDINGXFERS)},
    {DG_CONTROL, DAT_SETUPMEMXFER,      sizeof(TW_SETUPMEMXFER)},
    {DG_CONTROL, DAT_SETUPFILEXFER,     260},
    {DG_CONTROL, DAT_STATUS,            sizeof(TW_STATUS)},
    {DG_CONTROL, DAT_USERINTERFACE,     sizeof(TW_USERINTERFACE)},
    {DG_CONTROL, DAT_XFERGROUP,         sizeof(TW_UINT32)},
    {DG_IMAGE,   DAT_IMAGEINFO,         sizeof(TW_IMAGEINFO)},
    {DG_IMAGE,   DAT_IMAGELAYOUT,       sizeof(TW_IMAGELAYOUT)},
    {DG_IMAGE,   DAT_IMAGEMEMXFER,      sizeof(TW_IMAGEMEMXFER)},
    {DG_IMAGE,   DAT_IMAGENATIVEXFER,   sizeof(plat::MemHandle)},
    {DG_IMAGE,   DAT_IMAGEFILEXFER,     0},
    {DG_IMAGE,   DAT_CIECOLOR,          sizeof(TW_CIECOLOR)},
    {DG_IMAGE,   DAT_GRAYRESPONSE,      kResponseBytes},
    {DG_IMAGE,   DAT_RGBRESPONSE,       kResponseBytes},
    {DG_IMAGE,   DAT_JPEGCOMPRESSION,   64},
    {DG_IMAGE,   DAT_PALETTE8,          1028},
};
constexpr size_t kArgumentCount = sizeof kArguments / sizeof kArguments[0];

const TW_UINT16 kMessages[] = {
    MSG_GET,        MSG_GETCURRENT,  MSG_GETDEFAULT, MSG_GETFIRST,       MSG_GETNEXT,
    MSG_SET,        MSG_RESET,       MSG_QUERYSUPPORT, MSG_OPENDS,       MSG_CLOSEDS,
    MSG_ENABLEDS,   MSG_DISABLEDS,   MSG_ENABLEDSUIONLY, MSG_PROCESSEVENT, MSG_ENDXFER,
    MSG_NULL,       MSG_XFERREADY,   MSG_CLOSEDSREQ, MSG_USERSELECT,
};
constexpr size_t kMessageCount = sizeof kMessages / sizeof kMessages[0];

constexpr size_t kMaxTriplets = 64;
constexpr uint32_t kMaxStripBytes = 65536;

TW_IDENTITY& App() {
    static TW_IDENTITY app = [] {
        TW_IDENTITY identity{};
        identity.Id = 9;
        std::strcpy(identity.ProductName, "Triplets");
        return identity;
    }();
    return app;
}

// Another application, which may be the one that opens the source.
TW_IDENTITY& Stranger() {
    static TW_IDENTITY stranger = [] {
        TW_IDENTITY identity = App();
        identity.Id = 77;
        return identity;
    }();
    return stranger;
}

// What the application owns during one input: its blocks and buffers.
struct Belongings {
    std::vector<plat::MemHandle> blocks;
    std::vector<std::vector<uint8_t>> buffers;
    std::vector<plat::host::PendingMessage> messages;

    plat::MemHandle Block(fuzz::InputReader& input, uint32_t size) {
        plat::MemHandle block = plat::MemAlloc(size);
        if (block == nullptr) return nullptr;
        auto* bytes = static_cast<uint8_t*>(plat::MemLock(block));
        for (uint32_t i = 0; i < size && input.size != 0; ++i) bytes[i] = input.Byte();
        plat::MemUnlock(block);
        blocks.push_back(block);
        return block;
    }
    void* Buffer(fuzz::InputReader* input, size_t size) {
        buffers.emplace_back(size);
        for (size_t i = 0; input != nullptr && i < size && input->size != 0; ++i) buffers.back()[i] = input->Byte();
        return buffers.back().data();
    }
    void Keep(plat::MemHandle handedOver) {
        if (handedOver != nullptr) blocks.push_back(handedOver);
    }
    ~Belongings() {
        for (plat::MemHandle block : blocks) plat::MemFree(block);
    }
};

// The functions a working TWAIN 2 manager hands over with DAT_ENTRYPOINT:
// the platform's blocks, so that what the source hands over is kept and freed
// like any other block, and a notification sink.
TW_HANDLE ManagerAllocate(TW_UINT32 size) { return plat::MemAlloc(size); }
void ManagerFree(TW_HANDLE block) { plat::MemFree(block); }
TW_MEMREF ManagerLock(TW_HANDLE block) { return plat::MemLock(block); }
void ManagerUnlock(TW_HANDLE block) { plat::MemUnlock(block); }
TW_UINT16 ManagerNotified(TW_IDENTITY*, TW_IDENTITY*, TW_UINT32, TW_UINT16, TW_UINT16, TW_MEMREF) {
    return TWRC_SUCCESS;
}

// A block the application makes for the source: a manager's blocks do not
// tell their size, and the source then trusts the size the data declares, as
// a working application's blocks have it.
uint32_t BlockSize(uint32_t size, uint32_t declared) {
    return UsesManagerMemory() && size < declared ? declared : size;
}

// Puts real handles (or null) where the data holds them. The data of
// MSG_PROCESSEVENT is an event whatever the argument type says.
void FixHandles(TW_UINT16 dat, TW_UINT16 msg, void* data, fuzz::InputReader& input, Belongings& own) {
    const uint8_t choice = input.Byte();
    switch (msg == MSG_PROCESSEVENT ? DAT_EVENT : dat) {
        case DAT_CAPABILITY: {
            auto* cap = static_cast<TW_CAPABILITY*>(data);
            if (choice % 4 == 0) cap->Cap = fuzz::kCapabilities[choice / 4 % fuzz::kCapabilityCount];
            // The largest container a capability reads: an enumeration of eight FIX32.
            cap->hContainer =
                choice % 3 == 0 ? nullptr : own.Block(input, BlockSize(input.Byte(), 14 + 8 * 4));
            break;
        }
        case DAT_EVENT: {
            auto* event = static_cast<TW_EVENT*>(data);
            switch (choice % 4) {
                case 0: event->pEvent = nullptr; break;
                case 1: event->pEvent = own.Buffer(&input, 64); break;
                default: {
                    // A dialog message of the host's kind: to the main dialog or one of its controls.
                    const uint32_t message = input.Word();
                    const uintptr_t wParam = input.Word();
                    plat::WindowHandle target = MainDialog;
                    if (choice % 4 == 3 && MainDialog != nullptr) target = plat::GetItem(MainDialog, input.Word());
                    own.messages.emplace_back(target, message, wParam, 0);
                    event->pEvent = &own.messages.back();
                }
            }
            break;
        }
        case DAT_USERINTERFACE:
            static_cast<TW_USERINTERFACE*>(data)->hParent = nullptr;
            break;
        case DAT_PARENT:
            *static_cast<void**>(data) = nullptr;
            break;
        case DAT_IMAGEMEMXFER: {
            auto* xfer = static_cast<TW_IMAGEMEMXFER*>(data);
            xfer->Memory.Length %= kMaxStripBytes;
            // A handle buffer is a block the application made (or null): no
            // source can tell a pointer passed as a handle from a handle.
            if (choice % 5 == 1) {
                xfer->Memory.TheMem = nullptr;
            } else if ((xfer->Memory.Flags & TWMF_HANDLE) != 0) {
                xfer->Memory.TheMem = own.Block(input, BlockSize(input.Word(), xfer->Memory.Length));
            } else {
                xfer->Memory.TheMem = own.Buffer(nullptr, xfer->Memory.Length);
            }
            break;
        }
        case DAT_IMAGENATIVEXFER:
            *static_cast<plat::MemHandle*>(data) = nullptr;
            break;
        case DAT_ENTRYPOINT: {
            // Real functions or null, never the fuzzer's bytes; Size stays the fuzzer's.
            TW_ENTRYPOINT entry;
            std::memcpy(&entry, data, sizeof entry);
            entry.DSM_Entry = choice & 1 ? ManagerNotified : nullptr;
            entry.DSM_MemAllocate = choice & 2 ? ManagerAllocate : nullptr;
            entry.DSM_MemFree = choice & 4 ? ManagerFree : nullptr;
            entry.DSM_MemLock = choice & 8 ? ManagerLock : nullptr;
            entry.DSM_MemUnlock = choice & 16 ? ManagerUnlock : nullptr;
            std::memcpy(data, &entry, sizeof entry);
            break;
        }
        default:
            break;
    }
}

// Takes what the source handed over into the application's keeping.
void CollectHandles(TW_UINT16 dat, TW_UINT16 msg, void* data, void* handleBefore, Belongings& own) {
    if (data == nullptr || msg == MSG_PROCESSEVENT) return;
    if (dat == DAT_CAPABILITY) {
        void* after = static_cast<TW_CAPABILITY*>(data)->hContainer;
        if (after != handleBefore) own.Keep(after);
    } else if (dat == DAT_IMAGENATIVEXFER) {
        own.Keep(*static_cast<plat::MemHandle*>(data));
    }
}

// A settings file for small, cheap pages (business cards at 100 dpi, black
// and white), saved once by the source itself and put back before every
// input, so that no input depends on what an earlier one saved.
void UseCheapSettings() {
    static const std::string bytes = [] {
        TW_IDENTITY source{};
        DS_Entry(nullptr, DG_CONTROL, DAT_IDENTITY, MSG_GET, &source);
        if (DS_Entry(&App(), DG_CONTROL, DAT_IDENTITY, MSG_OPENDS, &source) != TWRC_SUCCESS) __builtin_trap();
        std::strcpy(Resolution.text, "100 DPI");
        std::strcpy(PaperSize.text, "Business Card");
        std::strcpy(ImageType.text, "Black & White");
        SaveSettings();
        DS_Entry(&App(), DG_CONTROL, DAT_IDENTITY, MSG_CLOSEDS, nullptr);
        RestoreLoadState();
        std::ifstream file(fuzz::UseTempWindowsDirectory() + "/KORVEX32.INI", std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(file), {});
    }();
    fuzz::WriteWindowsFile("KORVEX32.INI", reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
}

void SendOne(fuzz::InputReader& input, Belongings& own, const TW_IDENTITY& sourceIdentity) {
    const uint8_t argumentChoice = input.Byte();
    // Any other pair gets data as large as the largest argument's.
    Argument argument{DG_CONTROL, 0, sizeof(TW_CIECOLOR) + kResponseBytes};
    if (argumentChoice < kArgumentCount) {
        argument = kArguments[argumentChoice];
    } else {
        argument.dataGroup = input.Word();
        argument.dat = input.Word();
    }
    const uint8_t messageChoice = input.Byte();
    const TW_UINT16 msg = messageChoice < kMessageCount ? kMessages[messageChoice] : input.Word();
    const uint8_t flags = input.Byte();

    void* data = nullptr;
    if (msg == MSG_PROCESSEVENT && argument.size < sizeof(TW_EVENT)) argument.size = sizeof(TW_EVENT);
    if ((flags & 0x04) == 0 && argument.size != 0) {
        data = own.Buffer(&input, argument.size);
        if (argument.dat == DAT_IDENTITY && (flags & 0x08) == 0) {
            std::memcpy(data, &sourceIdentity, sizeof sourceIdentity);
        }
        FixHandles(argument.dat, msg, data, input, own);
    }
    void* handleBefore = argument.dat == DAT_CAPABILITY && msg != MSG_PROCESSEVENT && data != nullptr
                             ? static_cast<TW_CAPABILITY*>(data)->hContainer
                             : nullptr;
    TW_IDENTITY* origin = &App();
    if ((flags & 0x03) == 2) origin = nullptr;
    if ((flags & 0x03) == 3) origin = &Stranger();
    DS_Entry(origin, argument.dataGroup, argument.dat, msg, data);
    CollectHandles(argument.dat, msg, data, handleBefore, own);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::InputReader input{data, size};
    const char* model = kModels[input.Byte() % (sizeof kModels / sizeof kModels[0])];

    fuzz::StartFromLoadState();
    plat::host::UseManualClock(0, 10007);
    vscan::Scenario scenario;
    vscan::DeviceSetup scanner = vscan::MakeScanner(model, 0, 0);
    scanner.hopper.assign(2, vscan::MakeSheet("A5"));
    scanner.repeatPages = true;
    scenario.devices.push_back(scanner);
    vscan::InstallScenario(scenario);
    plat::host::RegisterInProcessModule("WNASPI32.DLL", vscan::LookupAspiSymbol);
    UseCheapSettings();

    const int64_t liveBlocks = plat::host::LiveBlockCount();
    {
        Belongings own;
        TW_IDENTITY sourceIdentity{};
        DS_Entry(nullptr, DG_CONTROL, DAT_IDENTITY, MSG_GET, &sourceIdentity);
        for (size_t count = 0; count < kMaxTriplets && input.size != 0; ++count) {
            SendOne(input, own, sourceIdentity);
        }
        // Whichever application is connected ends its session.
        for (TW_IDENTITY* application : {&App(), &Stranger()}) {
            TW_PENDINGXFERS pending{};
            TW_USERINTERFACE ui{};
            DS_Entry(application, DG_CONTROL, DAT_PENDINGXFERS, MSG_RESET, &pending);
            DS_Entry(application, DG_CONTROL, DAT_USERINTERFACE, MSG_DISABLEDS, &ui);
            DS_Entry(application, DG_CONTROL, DAT_IDENTITY, MSG_CLOSEDS, nullptr);
        }
        if (SourceState != kStateLoaded) {
            std::fprintf(stderr, "the source stays in state %u after reset, disable and close\n",
                         static_cast<unsigned>(SourceState));
            __builtin_trap();
        }
    }
    UnloadAspi();
    fuzz::CheckBlocks(liveBlocks);
    return 0;
}
