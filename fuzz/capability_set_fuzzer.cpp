// DAT_CAPABILITY MSG_SET through DS_Entry with application containers of
// arbitrary bytes, on a source opened over the scripted ASPI manager; each
// value set is then read back with MSG_GETCURRENT and MSG_GET.
// Input: a model choice byte, then up to four MSG_SETs, each: capability (2
// bytes; values below 0x100 pick one of the capabilities the source knows),
// container type (2), container length (1), the container block's bytes.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "fuzz/fuzz_common.h"
#include "platform/host/host_hooks.h"
#include "platform/platform.h"
#include "scanner/discovery.h"
#include "tests/support/fake_aspi.h"
#include "twain/dispatch.h"
#include "twain/source_state.h"

namespace {

// Models of each generation and duplex kind.
const char* const kModels[] = {"ZR-DX961", "ZR-DX83", "ZR-DX73PX", "ZR-DX960s", "ZR-DXB600"};

TW_IDENTITY App() {
    TW_IDENTITY app{};
    app.Id = 1;
    app.SupportedGroups = DG_CONTROL | DG_IMAGE;
    std::strcpy(app.Manufacturer, "Fuzz");
    std::strcpy(app.ProductFamily, "Fuzz");
    std::strcpy(app.ProductName, "Fuzz");
    return app;
}

void FreeReturned(TW_CAPABILITY& cap) {
    if (cap.hContainer != nullptr) plat::MemFree(static_cast<plat::MemHandle>(cap.hContainer));
    cap.hContainer = nullptr;
}

void SetOne(TW_IDENTITY& app, fuzz::InputReader& input) {
    TW_UINT16 capId = input.Word();
    if (capId < 0x100) capId = fuzz::kCapabilities[capId % fuzz::kCapabilityCount];
    TW_UINT16 conType = input.Word();
    size_t length = input.Byte();
    if (length > input.size) length = input.size;

    plat::MemHandle block = plat::MemAlloc(static_cast<uint32_t>(length));
    if (block != nullptr && length != 0) {
        std::memcpy(plat::MemLock(block), input.data, length);
        plat::MemUnlock(block);
    }
    input.data += length;
    input.size -= length;
    TW_CAPABILITY cap{capId, conType, block};
    TW_UINT16 rc = DS_Entry(&app, DG_CONTROL, DAT_CAPABILITY, MSG_SET, &cap);
    if (std::getenv("KORVEX_FUZZ_TRACE") != nullptr) {
        TW_STATUS status{};
        DS_Entry(&app, DG_CONTROL, DAT_STATUS, MSG_GET, &status);
        std::fprintf(stderr, "cap 0x%04x type %u: rc %u cc %u\n", capId, conType, rc,
                     status.ConditionCode);
    }
    if (cap.hContainer != block) std::abort();  // the application's handle stays its own
    if (block != nullptr) plat::MemFree(block);

    for (TW_UINT16 msg : {MSG_GETCURRENT, MSG_GET}) {
        TW_CAPABILITY asked{capId, TWON_DONTCARE16, nullptr};
        DS_Entry(&app, DG_CONTROL, DAT_CAPABILITY, msg, &asked);
        FreeReturned(asked);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::InputReader input{data, size};
    const char* model = kModels[input.Byte() % (sizeof kModels / sizeof kModels[0])];

    fuzz::StartFromLoadState();
    fake_aspi::Install();
    fake_aspi::AddDevice(0, 0, 6, "T.S.E.", model);

    TW_IDENTITY app = App();
    alignas(4) TW_IDENTITY source{};
    DS_Entry(nullptr, DG_CONTROL, DAT_IDENTITY, MSG_GET, &source);
    source.Id = 2;
    if (DS_Entry(&app, DG_CONTROL, DAT_IDENTITY, MSG_OPENDS, &source) != TWRC_SUCCESS) std::abort();
    for (int count = 0; count < 4 && input.size != 0; ++count) SetOne(app, input);
    DS_Entry(&app, DG_CONTROL, DAT_IDENTITY, MSG_CLOSEDS, nullptr);
    UnloadAspi();
    plat::host::DrainBlockQuarantine();
    return 0;
}
