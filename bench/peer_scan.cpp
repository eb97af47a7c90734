// korvex_peer_scan: a bench-only TWAIN application for the comparison with
// another scanning stack. It loads the source manager as TWAIN_32.DLL, opens
// the default source, negotiates the pixel type, depth and resolution, runs
// one batch without the source's dialog by native transfer (or in memory
// strips of 32768 bytes) and writes every page as a PNM file (PBM for black
// and white, PGM for gray), top row first, as a frontend does. The page size
// comes from the settings file.
//
//   korvex_peer_scan native|memory bw|gray DPI PAGES OUTPUT-PATTERN
//
// OUTPUT-PATTERN holds one %d for the page number (from 1). Prints the pages
// written; exits 1 when anything fails.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "twain/twain_types.h"

namespace {

DSMENTRYPROC Dsm = nullptr;
alignas(4) TW_IDENTITY App{};
alignas(4) TW_IDENTITY Source{};

TW_UINT16 CallSource(TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data) {
    return Dsm(&App, &Source, dg, dat, msg, data);
}

bool Fail(const char* what) {
    std::fprintf(stderr, "korvex_peer_scan: %s failed\n", what);
    return false;
}

// MSG_SET of a one-value container holding `item` of `itemType`.
bool SetOneValue(TW_UINT16 cap, TW_UINT16 itemType, TW_UINT32 item) {
    TW_CAPABILITY capability{cap, TWON_ONEVALUE, plat::MemAlloc(sizeof(TW_ONEVALUE))};
    auto* one = static_cast<TW_ONEVALUE*>(plat::MemLock(capability.hContainer));
    if (one == nullptr) return Fail("a capability container");
    one->ItemType = itemType;
    one->Item = item;
    plat::MemUnlock(capability.hContainer);
    const TW_UINT16 rc = CallSource(DG_CONTROL, DAT_CAPABILITY, MSG_SET, &capability);
    plat::MemFree(capability.hContainer);
    return rc == TWRC_SUCCESS || Fail("MSG_SET of a capability");
}

// One bitmap as a PNM file: bottom-up DIB rows written top-down, 1-bit rows
// with a set bit white (palette {0, 255}) written as PBM, where a set bit is
// black.
bool WritePage(plat::MemHandle bitmap, const char* path) {
    const auto* dib = static_cast<const uint8_t*>(plat::MemLock(bitmap));
    if (dib == nullptr || plat::MemSize(bitmap) < 40) return Fail("the bitmap");
    int32_t width = 0, height = 0;
    uint16_t bits = 0;
    std::memcpy(&width, dib + 4, 4);
    std::memcpy(&height, dib + 8, 4);
    std::memcpy(&bits, dib + 14, 2);
    if (width <= 0 || height <= 0 || (bits != 1 && bits != 8)) return Fail("the bitmap's header");
    const uint32_t rowBytes = bits == 1 ? (static_cast<uint32_t>(width) + 7) / 8 : static_cast<uint32_t>(width);
    const uint32_t stride = (rowBytes + 3) / 4 * 4;
    const uint64_t pixelOffset = 40 + 4 * (uint64_t{1} << bits);
    if (pixelOffset + uint64_t{stride} * static_cast<uint32_t>(height) > plat::MemSize(bitmap)) {
        return Fail("the bitmap's size");
    }
    std::FILE* file = std::fopen(path, "wb");
    if (file == nullptr) return Fail("opening the output file");
    std::fprintf(file, "%s\n%d %d\n%s", bits == 1 ? "P4" : "P5", width, height, bits == 1 ? "" : "255\n");
    std::vector<uint8_t> row(rowBytes);
    bool written = true;
    for (int32_t y = height; y-- > 0 && written;) {
        const uint8_t* from = dib + pixelOffset + uint64_t{stride} * static_cast<uint32_t>(y);
        if (bits == 1) {
            for (uint32_t i = 0; i < rowBytes; ++i) row[i] = static_cast<uint8_t>(~from[i]);
            written = std::fwrite(row.data(), 1, rowBytes, file) == rowBytes;
        } else {
            written = std::fwrite(from, 1, rowBytes, file) == rowBytes;
        }
    }
    plat::MemUnlock(bitmap);
    return (std::fclose(file) == 0 && written) || Fail("writing the output file");
}

// One page in memory strips, each written as it arrives; the PNM header comes
// from DAT_IMAGEINFO. Black and white strips hold a set bit for black already
// (TWPF_VANILLA is negotiated for them).
bool WriteStrips(const char* path) {
    TW_IMAGEINFO info{};
    if (CallSource(DG_IMAGE, DAT_IMAGEINFO, MSG_GET, &info) != TWRC_SUCCESS) return Fail("DAT_IMAGEINFO");
    std::FILE* file = std::fopen(path, "wb");
    if (file == nullptr) return Fail("opening the output file");
    const bool bilevel = info.BitsPerPixel == 1;
    std::fprintf(file, "%s\n%d %d\n%s", bilevel ? "P4" : "P5", static_cast<int>(info.ImageWidth),
                 static_cast<int>(info.ImageLength), bilevel ? "" : "255\n");
    static uint8_t buffer[32768];
    bool ok = true;
    for (;;) {
        TW_IMAGEMEMXFER xfer{};
        xfer.Memory.Flags = TWMF_APPOWNS | TWMF_POINTER;
        xfer.Memory.Length = sizeof buffer;
        xfer.Memory.TheMem = buffer;
        const TW_UINT16 rc = CallSource(DG_IMAGE, DAT_IMAGEMEMXFER, MSG_GET, &xfer);
        if (rc != TWRC_SUCCESS && rc != TWRC_XFERDONE) {
            ok = Fail("DAT_IMAGEMEMXFER");
            break;
        }
        if (std::fwrite(buffer, 1, xfer.BytesWritten, file) != xfer.BytesWritten) {
            ok = Fail("writing the output file");
            break;
        }
        if (rc == TWRC_XFERDONE) break;
    }
    return std::fclose(file) == 0 && ok;
}

bool Scan(bool memory, bool gray, uint32_t dpi, uint32_t pages, const char* pattern) {
    void* manager = plat::LoadModule("TWAIN_32.DLL");
    if (manager == nullptr) return Fail("loading TWAIN_32.DLL");
    Dsm = reinterpret_cast<DSMENTRYPROC>(plat::FindSymbol(manager, "DSM_Entry"));
    if (Dsm == nullptr) return Fail("DSM_Entry");
    App.Version.MajorNum = 1;
    App.ProtocolMajor = 1;
    App.ProtocolMinor = 5;
    App.SupportedGroups = DG_CONTROL | DG_IMAGE;
    std::strcpy(App.ProductName, "korvex_peer_scan");
    TW_HANDLE parent = nullptr;
    if (Dsm(&App, nullptr, DG_CONTROL, DAT_PARENT, MSG_OPENDSM, &parent) != TWRC_SUCCESS) {
        return Fail("MSG_OPENDSM");
    }
    if (Dsm(&App, nullptr, DG_CONTROL, DAT_IDENTITY, MSG_OPENDS, &Source) != TWRC_SUCCESS) {
        return Fail("MSG_OPENDS");
    }
    const TW_UINT32 fixedDpi = dpi & 0xFFFF;  // TW_FIX32: Whole in the low half, Frac 0
    if (!SetOneValue(ICAP_PIXELTYPE, TWTY_UINT16, gray ? TWPT_GRAY : TWPT_BW) ||
        !SetOneValue(ICAP_BITDEPTH, TWTY_UINT16, gray ? 8 : 1) ||
        !SetOneValue(ICAP_XRESOLUTION, TWTY_FIX32, fixedDpi) ||
        !SetOneValue(ICAP_YRESOLUTION, TWTY_FIX32, fixedDpi) ||
        !SetOneValue(CAP_INDICATORS, TWTY_BOOL, 0) ||
        !SetOneValue(ICAP_XFERMECH, TWTY_UINT16, memory ? TWSX_MEMORY : TWSX_NATIVE) ||
        !SetOneValue(ICAP_PIXELFLAVOR, TWTY_UINT16, memory && !gray ? TWPF_VANILLA : TWPF_CHOCOLATE) ||
        !SetOneValue(CAP_XFERCOUNT, TWTY_INT16, static_cast<TW_UINT16>(-1))) {
        return false;
    }
    TW_USERINTERFACE ui{0, 0, nullptr};
    if (CallSource(DG_CONTROL, DAT_USERINTERFACE, MSG_ENABLEDS, &ui) != TWRC_SUCCESS) {
        return Fail("MSG_ENABLEDS");
    }
    bool ready = false;
    for (int poll = 0; poll < 100 && !ready; ++poll) {
        TW_EVENT event{nullptr, MSG_NULL};
        CallSource(DG_CONTROL, DAT_EVENT, MSG_PROCESSEVENT, &event);
        ready = event.TWMessage == MSG_XFERREADY;
    }
    if (!ready) return Fail("waiting for MSG_XFERREADY");
    uint32_t written = 0;
    TW_PENDINGXFERS pending{1, 0};
    while (written < pages && pending.Count != 0) {
        char path[4096];
        std::snprintf(path, sizeof path, pattern, static_cast<int>(written + 1));
        if (memory) {
            if (!WriteStrips(path)) return false;
        } else {
            plat::MemHandle bitmap = nullptr;
            if (CallSource(DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET, &bitmap) != TWRC_XFERDONE) {
                return Fail("DAT_IMAGENATIVEXFER");
            }
            const bool ok = WritePage(bitmap, path);
            plat::MemFree(bitmap);
            if (!ok) return false;
        }
        ++written;
        if (CallSource(DG_CONTROL, DAT_PENDINGXFERS, MSG_ENDXFER, &pending) != TWRC_SUCCESS) {
            return Fail("MSG_ENDXFER");
        }
    }
    if (pending.Count != 0) CallSource(DG_CONTROL, DAT_PENDINGXFERS, MSG_RESET, &pending);
    CallSource(DG_CONTROL, DAT_USERINTERFACE, MSG_DISABLEDS, &ui);
    Dsm(&App, nullptr, DG_CONTROL, DAT_IDENTITY, MSG_CLOSEDS, &Source);
    Dsm(&App, nullptr, DG_CONTROL, DAT_PARENT, MSG_CLOSEDSM, &parent);
    std::printf("%u pages\n", written);
    return written == pages || Fail("the batch ended early; too few sheets");
}

}  // namespace

int main(int argc, char** argv) {
    const auto is = [&](int index, const char* text) { return std::strcmp(argv[index], text) == 0; };
    if (argc != 6 || !(is(1, "native") || is(1, "memory")) || !(is(2, "bw") || is(2, "gray"))) {
        std::fprintf(stderr, "usage: korvex_peer_scan native|memory bw|gray DPI PAGES OUTPUT-PATTERN\n");
        return 2;
    }
    const auto dpi = static_cast<uint32_t>(std::strtoul(argv[3], nullptr, 10));
    const auto pages = static_cast<uint32_t>(std::strtoul(argv[4], nullptr, 10));
    return Scan(is(1, "memory"), is(2, "gray"), dpi, pages, argv[5]) ? 0 : 1;
}
