// The fixture of the profile tests: TEST.INI in the test's Windows directory
// and a reader of one value.
#pragma once

#include <cstdint>
#include <string>

#include "platform/platform.h"
#include "tests/unit/platform/platform_fixture.h"

inline constexpr const char* kIni = "TEST.INI";

class ProfileTest : public PlatformTest {
protected:
    void SetUp() override {
        PlatformTest::SetUp();
        RemoveAfterwards(kIni);
    }

    // The value as ProfileGetString answers it into a buffer of `size`.
    static std::string Get(const char* section, const char* key, const char* def = "default",
                           uint32_t size = 256, uint32_t* count = nullptr) {
        char buffer[256];
        const uint32_t answered = plat::ProfileGetString(section, key, def, buffer, size, kIni);
        if (count != nullptr) *count = answered;
        return std::string(buffer, answered);
    }
};
