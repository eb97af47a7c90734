// Build-time check of the resource script: parses resources/korvex32.rc with
// the host backend's template parser and fails with the file and line of the
// first statement the parser does not understand, so that the host build never
// runs with dialogs that differ from what windres compiles.
// Usage: korvex-rc-check <resources directory> <stamp file to write>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include "platform/host/dialog_templates.h"

namespace {
bool ReadFile(const std::string& path, std::string& text) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    std::ostringstream buffer;
    buffer << in.rdbuf();
    text = buffer.str();
    return true;
}
}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s <resources directory> <stamp file>\n", argv[0]);
        return 2;
    }
    const std::string dir = argv[1];
    std::string script, styles, ids;
    if (!ReadFile(dir + "/korvex32.rc", script) || !ReadFile(dir + "/window_styles.h", styles) ||
        !ReadFile(dir + "/resource_ids.h", ids)) {
        std::fprintf(stderr, "%s: cannot read the resource script or its headers\n", dir.c_str());
        return 1;
    }
    const std::vector<plat::host::IncludedFile> includes = {{"window_styles.h", styles},
                                                            {"resource_ids.h", ids}};
    const plat::host::TemplateParseResult result =
        plat::host::ParseResourceScript(script, "korvex32.rc", includes);
    if (!result.ok) {
        std::fprintf(stderr, "%s/%s\n", dir.c_str(), result.error.c_str());
        return 1;
    }
    std::ofstream stamp(argv[2]);
    stamp << result.dialogs.size() << " dialog templates\n";
    if (!stamp) {
        std::fprintf(stderr, "%s: cannot write\n", argv[2]);
        return 1;
    }
    return 0;
}
