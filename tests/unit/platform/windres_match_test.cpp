// The host string table against the one windres builds from the same script:
// every id, every byte. Skipped where the cross tools are not installed.
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <map>
#include <string>

#include "platform/platform.h"
#include "tests/unit/platform/platform_fixture.h"

namespace {

class WindresMatchTest : public PlatformTest {};

uint32_t Read32(const std::string& data, size_t pos) {
    return static_cast<uint32_t>(static_cast<unsigned char>(data[pos])) |
           static_cast<uint32_t>(static_cast<unsigned char>(data[pos + 1])) << 8 |
           static_cast<uint32_t>(static_cast<unsigned char>(data[pos + 2])) << 16 |
           static_cast<uint32_t>(static_cast<unsigned char>(data[pos + 3])) << 24;
}

uint16_t Read16(const std::string& data, size_t pos) {
    return static_cast<uint16_t>(static_cast<unsigned char>(data[pos]) |
                                 static_cast<unsigned char>(data[pos + 1]) << 8);
}

// The strings of a .res file's string-table resources (type 6), each block
// of 16 named by its block number + 1. Narrowed as LoadStringA would for
// characters below 256.
std::map<uint32_t, std::string> StringsOfRes(const std::string& res) {
    std::map<uint32_t, std::string> strings;
    size_t pos = 0;
    while (pos + 8 <= res.size()) {
        const uint32_t dataSize = Read32(res, pos);
        const uint32_t headerSize = Read32(res, pos + 4);
        if (headerSize < 16 || pos + headerSize + dataSize > res.size()) break;
        const bool numericType = Read16(res, pos + 8) == 0xFFFF;
        const bool numericName = Read16(res, pos + 12) == 0xFFFF;
        if (numericType && numericName && Read16(res, pos + 10) == 6) {
            const uint32_t block = Read16(res, pos + 14);
            size_t p = pos + headerSize;
            for (uint32_t i = 0; i < 16 && p + 2 <= pos + headerSize + dataSize; ++i) {
                const uint16_t length = Read16(res, p);
                p += 2;
                std::string text;
                for (uint16_t c = 0; c < length; ++c, p += 2) {
                    const uint16_t wide = Read16(res, p);
                    text.push_back(wide < 256 ? static_cast<char>(wide) : '?');
                }
                if (length > 0) strings[(block - 1) * 16 + i] = text;
            }
        }
        pos = (pos + headerSize + dataSize + 3) & ~size_t{3};
    }
    return strings;
}

TEST_F(WindresMatchTest, EveryStringMatchesTheWindowsBuild) {
    const char* source = std::getenv("KORVEX_SOURCE_DIR");
    if (source == nullptr) GTEST_SKIP() << "KORVEX_SOURCE_DIR not set";
    if (std::system("i686-w64-mingw32-windres --version >/dev/null 2>&1") != 0) {
        GTEST_SKIP() << "windres not installed";
    }
    const std::string res = PathOf("korvex32.res");
    const std::string command = std::string("cd '") + source + "/resources' && i686-w64-mingw32-windres -I. " +
                                "-i korvex32.rc -O res -o '" + res + "' 2>/dev/null";
    ASSERT_EQ(std::system(command.c_str()), 0);
    std::ifstream in(res, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const std::map<uint32_t, std::string> expected = StringsOfRes(bytes);
    ASSERT_FALSE(expected.empty());

    uint32_t found = 0;
    for (uint32_t id = 0; id <= 0xFFFF; ++id) {
        char buffer[4096];
        const int n = plat::LoadResString(id, buffer, sizeof buffer);
        const auto it = expected.find(id);
        if (it == expected.end()) {
            EXPECT_EQ(n, 0) << "id " << id << " only in the host table";
            continue;
        }
        ++found;
        EXPECT_EQ(std::string(buffer, static_cast<size_t>(n)), it->second) << "id " << id;
    }
    EXPECT_EQ(found, expected.size());
}

}  // namespace
