// The application's session of the hardening tests and the hostile scanner
// fuzz target, and the helpers the long batch shares with it.
#include "tests/unit/hardening/session_driver.h"

#include <cstring>

#include "platform/dialogs.h"
#include "platform/host/dialog_host.h"
#include "platform/host/host_hooks.h"
#include "platform/platform.h"
#include "settings/capability_state.h"
#include "twain/dispatch.h"
#include "twain/source_state.h"
#include "twain/user_interface.h"
#include "vscanner/vscanner.h"

namespace hardening {

namespace {

constexpr uint32_t kStripBytes = 16384;
constexpr uint32_t kMaxStripsPerPage = 4096;
constexpr uint32_t kMaxPagesPerBatch = 64;

TW_UINT16 TW_CALLINGSTYLE ManagerEntry(TW_IDENTITY*, TW_IDENTITY*, TW_UINT32, TW_UINT16, TW_UINT16,
                                       TW_MEMREF) {
    return TWRC_SUCCESS;
}

void* LookupManagerSymbol(const char* name) {
    return std::strcmp(name, "DSM_Entry") == 0 ? reinterpret_cast<void*>(&ManagerEntry) : nullptr;
}

TW_IDENTITY& App() {
    static TW_IDENTITY app = [] {
        TW_IDENTITY identity{};
        identity.Id = 41;
        std::strcpy(identity.Manufacturer, "Hardening");
        std::strcpy(identity.ProductFamily, "Hardening");
        std::strcpy(identity.ProductName, "Hardening");
        return identity;
    }();
    return app;
}

// A block's bytes read through its header, without MemLock, so that reading
// what the source handed over does not use up an injected lock failure.
const uint8_t* BlockBytes(plat::MemHandle handle, uint32_t* size) {
    const auto* header = static_cast<const plat::host::HostBlockHeader*>(handle);
    *size = header->size;
    return reinterpret_cast<const uint8_t*>(handle) + plat::host::kBlockHeaderSize;
}

struct OneValue {
    TW_UINT16 cap;
    TW_UINT16 itemType;
    TW_UINT32 item;
};

// Gray would do as well; black and white keeps the pages small.
constexpr OneValue kNegotiation[] = {
    // capability        item type    value
    {ICAP_PIXELTYPE,     TWTY_UINT16, TWPT_BW},
    {ICAP_XRESOLUTION,   TWTY_FIX32,  100},
    {CAP_CUSTOM_8123,    TWTY_BOOL,   0},  // no side chooser
    {CAP_CUSTOM_8124,    TWTY_BOOL,   1},  // duplex
};

class Session {
public:
    Session(SessionOutcome& outcome, BatchStart start) : outcome_(outcome), start_(start) {}

    ~Session() {
        for (const Container& container : containers_) plat::MemFree(container.block);
    }

    // The application's containers, made before any fault is armed: the
    // negotiation, then the transfer count and mechanism of each batch.
    void PrepareContainers() {
        for (const OneValue& value : kNegotiation) Prepare(value);
        Prepare({CAP_XFERCOUNT, TWTY_INT16, 2});
        Prepare({ICAP_XFERMECH, TWTY_UINT16, TWSX_NATIVE});
        Prepare({CAP_XFERCOUNT, TWTY_INT16, 0xFFFF});
        Prepare({ICAP_XFERMECH, TWTY_UINT16, TWSX_MEMORY});
    }

    void Run() {
        TW_IDENTITY source{};
        DS_Entry(nullptr, DG_CONTROL, DAT_IDENTITY, MSG_GET, &source);
        source.Id = 42;
        if (!Expect(Step::Open, DS_Entry(&App(), DG_CONTROL, DAT_IDENTITY, MSG_OPENDS, &source),
                    TWRC_SUCCESS)) {
            outcome_.closed = SourceState == kStateLoaded;
            return;
        }
        size_t next = 0;
        for (; next < sizeof kNegotiation / sizeof kNegotiation[0]; ++next) {
            if (!Set(Step::Negotiate, next)) return CleanUp();
        }
        if (!SetLayout()) return CleanUp();
        if (!Query()) return CleanUp();
        // One sheet natively (two sides), then every other sheet in strips.
        for (bool memory : {false, true}) {
            if (!Set(Step::Negotiate, next++) || !Set(Step::Negotiate, next++)) return CleanUp();
            if (!StartBatch()) return CleanUp();
            if (!Batch(memory)) return CleanUp();
            TW_USERINTERFACE ui{0, 0, nullptr};
            if (!Expect(Step::Disable, Call(DAT_USERINTERFACE, MSG_DISABLEDS, &ui), TWRC_SUCCESS)) {
                return CleanUp();
            }
        }
        Expect(Step::Close, Call(DAT_IDENTITY, MSG_CLOSEDS, nullptr), TWRC_SUCCESS);
        outcome_.closed = SourceState == kStateLoaded;
    }

private:
    struct Container {
        TW_UINT16 cap;
        plat::MemHandle block;
    };

    void Prepare(const OneValue& value) {
        containers_.push_back({value.cap, OneValueContainer(value.itemType, value.item)});
    }

    TW_UINT16 Call(TW_UINT16 dat, TW_UINT16 msg, void* data, TW_UINT32 dg = DG_CONTROL) {
        return DS_Entry(&App(), dg, dat, msg, data);
    }

    // Records a failure: the step, the answer and the condition code.
    bool Expect(Step step, TW_UINT16 rc, TW_UINT16 expected) {
        if (rc == expected) return true;
        TW_STATUS status{};
        DS_Entry(&App(), DG_CONTROL, DAT_STATUS, MSG_GET, &status);
        outcome_.failedAt = step;
        outcome_.rc = rc;
        outcome_.cc = status.ConditionCode;
        if (rc == TWRC_FAILURE && status.ConditionCode == TWCC_SUCCESS) {
            Wrong(std::string("a failure without a condition code at ") + StepName(step));
        }
        return false;
    }

    void Wrong(std::string what) { outcome_.wrongAnswers.push_back(std::move(what)); }

    bool Set(Step step, size_t index) {
        TW_CAPABILITY capability{containers_[index].cap, TWON_ONEVALUE, containers_[index].block};
        return Expect(step, Call(DAT_CAPABILITY, MSG_SET, &capability), TWRC_SUCCESS);
    }

    bool StartBatch() {
        const bool fromDialog = start_ == BatchStart::FromDialog;
        TW_USERINTERFACE ui{static_cast<TW_BOOL>(fromDialog ? 1 : 0), 0, nullptr};
        if (!Expect(Step::Enable, Call(DAT_USERINTERFACE, MSG_ENABLEDS, &ui), TWRC_SUCCESS)) return false;
        if (!fromDialog) return true;
        plat::host::PendingMessage scan{MainDialog, plat::WM_COMMAND, plat::IDOK, 0};  // the Scan button
        TW_EVENT event{&scan, MSG_NULL};
        const TW_UINT16 rc = Call(DAT_EVENT, MSG_PROCESSEVENT, &event);
        if (rc == TWRC_DSEVENT && SourceState == kStateXferReady) return true;
        // A scan the dialog could not start is no TWAIN failure: the user
        // learns of it from a message.
        outcome_.failedAt = Step::Enable;
        outcome_.rc = rc;
        if (plat::host::MessageBoxCount() == 0) Wrong("the dialog's scan did not start and said nothing");
        return false;
    }

    // A small frame keeps the pages cheap (three inches square; the source
    // may move it into the scanner's limits).
    bool SetLayout() {
        TW_IMAGELAYOUT layout{};
        layout.Frame.Right.Whole = 3;
        layout.Frame.Bottom.Whole = 3;
        const TW_UINT16 rc = Call(DAT_IMAGELAYOUT, MSG_SET, &layout, DG_IMAGE);
        return rc == TWRC_CHECKSTATUS || Expect(Step::Negotiate, rc, TWRC_SUCCESS);
    }

    // What the application asks before a scan; the container is the source's.
    bool Query() {
        for (TW_UINT16 cap : {ICAP_XRESOLUTION, ICAP_PIXELTYPE}) {
            TW_CAPABILITY capability{cap, TWON_DONTCARE16, nullptr};
            const TW_UINT16 rc = Call(DAT_CAPABILITY, MSG_GET, &capability);
            const bool answered = rc != TWRC_SUCCESS || capability.hContainer != nullptr;
            if (capability.hContainer != nullptr) plat::MemFree(capability.hContainer);
            if (!Expect(Step::Query, rc, TWRC_SUCCESS)) return false;
            // A success without a container is a failure reported as success.
            if (!answered) {
                Wrong("a capability answered without its container");
                return Expect(Step::Query, TWRC_CHECKSTATUS, TWRC_SUCCESS);
            }
        }
        return true;
    }

    bool Batch(bool memory) {
        TW_PENDINGXFERS pending{0xFFFF, 0};
        for (uint32_t pages = 0; pending.Count != 0; ++pages) {
            if (pages == kMaxPagesPerBatch) return Expect(Step::EndTransfer, TWRC_CANCEL, TWRC_SUCCESS);
            TW_IMAGEINFO info{};
            if (!Expect(Step::Transfer, Call(DAT_IMAGEINFO, MSG_GET, &info, DG_IMAGE), TWRC_SUCCESS)) {
                return false;
            }
            if (!(memory ? MemoryPage(info) : NativePage(info))) return false;
            if (!Expect(Step::EndTransfer, Call(DAT_PENDINGXFERS, MSG_ENDXFER, &pending), TWRC_SUCCESS)) {
                return false;
            }
        }
        return true;
    }

    bool NativePage(const TW_IMAGEINFO& info) {
        plat::MemHandle bitmap = nullptr;
        const TW_UINT16 rc = Call(DAT_IMAGENATIVEXFER, MSG_GET, &bitmap, DG_IMAGE);
        if (bitmap != nullptr) {
            uint32_t size = 0;
            const uint8_t* bytes = BlockBytes(bitmap, &size);
            CheckBitmap(info, bytes, size);
            outcome_.pages.push_back({false, Bytes(bytes, bytes + size)});
            plat::MemFree(bitmap);
        }
        if (!Expect(Step::Transfer, rc, TWRC_XFERDONE)) return false;
        if (bitmap != nullptr) return true;
        Wrong("a native transfer done without a bitmap");
        return Expect(Step::Transfer, TWRC_CHECKSTATUS, TWRC_XFERDONE);
    }

    // The bitmap's header against the image information given for it, and
    // its block against the rows the header promises.
    void CheckBitmap(const TW_IMAGEINFO& info, const uint8_t* bytes, uint32_t size) {
        constexpr uint32_t kHeaderSize = 40;
        if (size < kHeaderSize) return Wrong("a bitmap shorter than its header");
        const auto le32 = [bytes](uint32_t at) {
            return static_cast<int32_t>(bytes[at] | bytes[at + 1] << 8 | bytes[at + 2] << 16 |
                                        static_cast<uint32_t>(bytes[at + 3]) << 24);
        };
        const int32_t width = le32(4);
        const int32_t height = le32(8);
        const uint32_t bits = bytes[14] | bytes[15] << 8;
        if (width != info.ImageWidth || height != info.ImageLength || bits != uint32_t(info.BitsPerPixel)) {
            return Wrong("a bitmap unlike its image information");
        }
        const uint64_t stride = (uint64_t(uint32_t(width)) * bits + 31) / 32 * 4;
        if (kHeaderSize + stride * uint32_t(height) > size) Wrong("a bitmap block shorter than its rows");
    }

    bool MemoryPage(const TW_IMAGEINFO& info) {
        Page page{true, {}};
        Bytes buffer(kStripBytes);
        TW_UINT16 rc = TWRC_SUCCESS;
        uint64_t rows = 0;
        for (uint32_t strips = 0; rc == TWRC_SUCCESS && strips < kMaxStripsPerPage; ++strips) {
            TW_IMAGEMEMXFER xfer{};
            xfer.Memory = {TWMF_APPOWNS | TWMF_POINTER, kStripBytes, buffer.data()};
            rc = Call(DAT_IMAGEMEMXFER, MSG_GET, &xfer, DG_IMAGE);
            if (rc != TWRC_SUCCESS && rc != TWRC_XFERDONE) break;
            if (xfer.BytesWritten > kStripBytes) {
                Wrong("a strip longer than its buffer");
                return false;
            }
            if (uint64_t{xfer.BytesPerRow} * xfer.Rows != xfer.BytesWritten ||
                xfer.YOffset != rows || rows + xfer.Rows > uint32_t(info.ImageLength)) {
                Wrong("a strip unlike its page");
            }
            rows += xfer.Rows;
            page.bytes.insert(page.bytes.end(), buffer.begin(), buffer.begin() + xfer.BytesWritten);
        }
        outcome_.pages.push_back(std::move(page));
        return Expect(Step::Transfer, rc, TWRC_XFERDONE);
    }

    // What an application does after a failure: end the transfers, disable
    // and close, whatever each answers.
    void CleanUp() {
        TW_PENDINGXFERS pending{0, 0};
        TW_USERINTERFACE ui{0, 0, nullptr};
        Call(DAT_PENDINGXFERS, MSG_RESET, &pending);
        Call(DAT_USERINTERFACE, MSG_DISABLEDS, &ui);
        Call(DAT_IDENTITY, MSG_CLOSEDS, nullptr);
        outcome_.closed = SourceState == kStateLoaded;
    }

    SessionOutcome& outcome_;
    const BatchStart start_;
    std::vector<Container> containers_;
};

}  // namespace

const char* StepName(Step step) {
    static const char* const kNames[] = {"open",         "negotiate", "query", "enable", "transfer",
                                         "end transfer", "disable",   "close", "done"};
    return kNames[static_cast<uint32_t>(step)];
}

vscan::DeviceSetup SessionScanner(uint32_t sheets, bool repeatPages) {
    vscan::DeviceSetup scanner = vscan::MakeScanner("ZR-DX961", 0, 0);
    scanner.hopper.assign(sheets, vscan::MakeSheet("Letter"));
    scanner.repeatPages = repeatPages;
    return scanner;
}

void RegisterManagerStandIn() { plat::host::RegisterInProcessModule("TWAIN_32.DLL", LookupManagerSymbol); }

plat::MemHandle OneValueContainer(TW_UINT16 itemType, TW_UINT32 item) {
    plat::MemHandle block = plat::MemAlloc(6);
    auto* bytes = static_cast<uint8_t*>(plat::MemLock(block));
    if (bytes == nullptr) return block;
    bytes[0] = static_cast<uint8_t>(itemType);
    bytes[1] = static_cast<uint8_t>(itemType >> 8);
    for (int i = 0; i < 4; ++i) bytes[2 + i] = static_cast<uint8_t>(item >> (8 * i));
    plat::MemUnlock(block);
    return block;
}

SessionOutcome RunSessionOnInstalledBus(void (*arm)(), BatchStart start) {
    RegisterManagerStandIn();
    plat::host::ClearRecordedMessageBoxes();
    SessionOutcome outcome;
    {
        Session session(outcome, start);
        session.PrepareContainers();
        if (arm != nullptr) arm();
        session.Run();
        // No fault reaches the application's own frees.
        for (uint32_t service = 0; service < static_cast<uint32_t>(plat::host::HostService::Count); ++service) {
            plat::host::FailNextCalls(static_cast<plat::host::HostService>(service), 0);
        }
    }
    if (!outcome.closed) outcome.wrongAnswers.emplace_back("the source did not close");
    for (uint32_t i = 0; i < plat::host::MessageBoxCount(); ++i) {
        if (const plat::host::RecordedMessageBox* box = plat::host::RecordedMessageBoxAt(i)) {
            outcome.messages.emplace_back(box->text);
        }
    }
    plat::host::ClearRecordedMessageBoxes();
    plat::host::UnregisterInProcessModule("TWAIN_32.DLL");
    return outcome;
}

SessionOutcome RunSession(const vscan::DeviceSetup& scanner, void (*arm)(), BatchStart start) {
    vscan::Scenario scenario;
    scenario.devices.push_back(scanner);
    vscan::InstallScenario(scenario);
    plat::host::RegisterInProcessModule("WNASPI32.DLL", vscan::LookupAspiSymbol);
    SessionOutcome outcome = RunSessionOnInstalledBus(arm, start);
    plat::host::UnregisterInProcessModule("WNASPI32.DLL");
    return outcome;
}

}  // namespace hardening
