// The host resource-script readers over arbitrary text: the string table
// parser (into storage of a size taken from the input) and the dialog
// template parser, with one included header.
// Input: a choice byte (storage sizes), then the script's text; a NUL byte, if
// any, ends the script and starts the included header's text.
#include <cstring>
#include <string_view>
#include <vector>

#include "platform/host/dialog_templates.h"
#include "platform/host/resource_script.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    uint8_t choice = data[0];
    const char* text = reinterpret_cast<const char*>(data + 1);
    size_t textSize = size - 1;

    // Exactly sized heap storage, so that a write past either end is seen.
    std::vector<plat::rc::StringEntry> entries(1u + (choice & 0x0F));
    std::vector<char> pool(1u + (choice >> 4) * 16u);
    plat::rc::ParseStringTable(text, static_cast<uint32_t>(textSize), entries.data(),
                               static_cast<uint32_t>(entries.size()), pool.data(),
                               static_cast<uint32_t>(pool.size()));

    std::string_view all(text, textSize);
    size_t split = all.find('\0');
    std::string_view script = all.substr(0, split);
    std::vector<plat::host::IncludedFile> includes;
    if (split != std::string_view::npos) {
        includes.push_back({"resource_ids.h", all.substr(split + 1)});
        includes.push_back({"window_styles.h", all.substr(split + 1)});
    }
    plat::host::ParseResourceScript(script, "fuzz.rc", includes);
    return 0;
}
