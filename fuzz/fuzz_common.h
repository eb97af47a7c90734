// Helpers shared by the fuzz targets: a private Windows directory for the
// profile files and a little reader over the fuzzer's bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace fuzz {

// Creates (once) a fresh temporary directory and makes it the Windows
// directory of the host platform layer; answers its path.
const std::string& UseTempWindowsDirectory();

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
