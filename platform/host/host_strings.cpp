// LoadResString on Linux: strings come from the STRINGTABLE blocks of the
// embedded resources/korvex32.rc, whatever the resource module.
#include <cstring>

#include "platform/host/resource_script.h"
#include "platform/platform.h"

namespace plat {

int LoadResString(uint32_t id, char* buffer, int bufferSize) {
    if (buffer == nullptr || bufferSize <= 0) return 0;
    const char* text = nullptr;
    uint32_t length = 0;
    if (!rc::FindString(id, &text, &length)) length = 0;
    if (length > static_cast<uint32_t>(bufferSize - 1)) length = static_cast<uint32_t>(bufferSize - 1);
    if (length > 0) std::memcpy(buffer, text, length);
    buffer[length] = '\0';
    return static_cast<int>(length);
}

}  // namespace plat
