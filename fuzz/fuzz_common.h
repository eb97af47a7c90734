// Helpers shared by the fuzz targets: a private Windows directory for the
// profile files, the start of an input and the block check at its end, and a
// little reader over the fuzzer's bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "settings/capability_state.h"
#include "twain/twain_types.h"

namespace fuzz {

// Every capability the source negotiates.
inline constexpr TW_UINT16 kCapabilities[] = {
    CAP_XFERCOUNT,      ICAP_COMPRESSION,    ICAP_PIXELTYPE,     ICAP_UNITS,
    ICAP_XFERMECH,      ICAP_XRESOLUTION,    ICAP_YRESOLUTION,   ICAP_BITDEPTH,
    ICAP_BRIGHTNESS,    ICAP_CONTRAST,       ICAP_PHYSICALWIDTH, ICAP_PHYSICALHEIGHT,
    ICAP_CCITTKFACTOR,  ICAP_PIXELFLAVOR,    CAP_FEEDERENABLED,  CAP_FEEDERLOADED,
    CAP_AUTOFEED,       CAP_INDICATORS,      CAP_CUSTOM_8123,    CAP_CUSTOM_8124,
};
inline constexpr size_t kCapabilityCount = sizeof kCapabilities / sizeof kCapabilities[0];

// Creates (once) a fresh temporary directory, in /dev/shm when possible, and
// makes it the Windows directory of the host platform layer; answers its path.
const std::string& UseTempWindowsDirectory();

// The start of every input that opens the source: the state at load, the
// host hooks at rest, the temporary Windows directory.
void StartFromLoadState();

// Stops the run when blocks were leaked since `liveBlocksBefore` or misused,
// then drains the host's quarantine of freed blocks.
void CheckBlocks(int64_t liveBlocksBefore);

// Writes `size` bytes to `name` in the Windows directory (replacing it).
void WriteWindowsFile(const char* name, const uint8_t* data, size_t size);

// Takes little-endian values off the front of the input; zero once it runs out.
struct InputReader {
    const uint8_t* data;
    size_t size;

    uint8_t Byte() {
        if (size == 0) return 0;
        uint8_t value = *data;
        ++data;
        --size;
        return value;
    }
    uint16_t Word() {
        uint16_t low = Byte();
        return static_cast<uint16_t>(low | (Byte() << 8));
    }
};

}  // namespace fuzz
