// The host reading of korvex32.rc against what windres makes of the same file:
// every dialog template (styles, positions, ids, classes, captions, font) and
// every string of the string table must come out the same, byte for byte. The
// test compiles the script with the cross toolchain's windres and is skipped
// on machines without it.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

#include "platform/host/dialog_templates.h"
#include "platform/platform.h"

namespace {

std::string SourceDir() {
    if (const char* dir = std::getenv("KORVEX_SOURCE_DIR")) return dir;
    std::string file = __FILE__;
    return file.substr(0, file.rfind("/tests/unit/resources/"));
}

struct Reader {
    const std::vector<uint8_t>& bytes;
    size_t pos;
    bool ok = true;
    uint16_t Word() {
        if (pos + 2 > bytes.size()) { ok = false; return 0; }
        const uint16_t v = static_cast<uint16_t>(bytes[pos] | (bytes[pos + 1] << 8));
        pos += 2;
        return v;
    }
    uint32_t Dword() {
        const uint32_t low = Word();
        return low | (static_cast<uint32_t>(Word()) << 16);
    }
    std::string WideString() {
        std::string out;
        for (uint16_t c = Word(); ok && c != 0; c = Word()) out += static_cast<char>(c);
        return out;
    }
    // A name or an ordinal: "#n" for an ordinal.
    std::string NameOrOrdinal() {
        const uint16_t first = Word();
        if (first == 0xFFFF) return "#" + std::to_string(Word());
        if (first == 0) return std::string();
        std::string out(1, static_cast<char>(first));
        return out + WideString();
    }
    void Align() { pos = (pos + 3) & ~size_t{3}; }
};

struct Resource {
    std::string type, name;
    std::vector<uint8_t> data;
};

bool CompileWithWindres(std::vector<Resource>& resources) {
    if (std::system("command -v i686-w64-mingw32-windres > /dev/null 2>&1") != 0) return false;
    const std::string out = "/tmp/korvex_windres_" + std::to_string(getpid()) + ".res";
    const std::string dir = SourceDir() + "/resources";
    const std::string command = "cd '" + dir + "' && i686-w64-mingw32-windres -i korvex32.rc -O res -o '" + out + "'";
    if (std::system(command.c_str()) != 0) return false;
    std::ifstream in(out, std::ios::binary);
    std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::remove(out.c_str());
    Reader r{bytes, 0};
    while (r.ok && r.pos + 8 <= bytes.size()) {
        const size_t start = r.pos;
        const uint32_t dataSize = r.Dword();
        const uint32_t headerSize = r.Dword();
        Resource resource;
        resource.type = r.NameOrOrdinal();
        resource.name = r.NameOrOrdinal();
        r.pos = start + headerSize;
        if (r.pos + dataSize > bytes.size()) return false;
        resource.data.assign(bytes.begin() + static_cast<std::ptrdiff_t>(r.pos),
                             bytes.begin() + static_cast<std::ptrdiff_t>(r.pos + dataSize));
        r.pos += dataSize;
        r.Align();
        if (dataSize != 0) resources.push_back(std::move(resource));
    }
    return r.ok;
}

const char* ClassOfAtom(const std::string& ordinal) {
    static const std::map<std::string, const char*> names = {
        {"#128", "Button"}, {"#129", "Edit"}, {"#130", "Static"},
        {"#131", "ListBox"}, {"#132", "ScrollBar"}, {"#133", "ComboBox"}};
    const auto found = names.find(ordinal);
    return found != names.end() ? found->second : "?";
}

class WindresMatch : public ::testing::Test {
protected:
    void SetUp() override {
        if (!CompileWithWindres(resources_)) GTEST_SKIP() << "i686-w64-mingw32-windres is not available";
    }
    std::vector<Resource> resources_;
};

TEST_F(WindresMatch, DialogTemplatesAreTheSame) {
    size_t dialogs = 0;
    for (const Resource& resource : resources_) {
        if (resource.type != "#5") continue;
        ++dialogs;
        SCOPED_TRACE(resource.name);
        const plat::host::DialogTemplate* host = plat::host::FindDialogTemplate(resource.name.c_str());
        ASSERT_NE(host, nullptr);
        Reader r{resource.data, 0};
        EXPECT_EQ(r.Dword(), host->style);
        EXPECT_EQ(r.Dword(), 0u);
        const uint16_t count = r.Word();
        EXPECT_EQ(static_cast<int16_t>(r.Word()), host->x);
        EXPECT_EQ(static_cast<int16_t>(r.Word()), host->y);
        EXPECT_EQ(static_cast<int16_t>(r.Word()), host->cx);
        EXPECT_EQ(static_cast<int16_t>(r.Word()), host->cy);
        EXPECT_EQ(r.NameOrOrdinal(), "");  // menu
        EXPECT_EQ(r.NameOrOrdinal(), "");  // class
        EXPECT_EQ(r.WideString(), host->caption);
        EXPECT_EQ(r.Word(), host->fontSize);
        EXPECT_EQ(r.WideString(), host->fontName);
        ASSERT_EQ(count, host->controls.size());
        for (const plat::host::ControlTemplate& control : host->controls) {
            SCOPED_TRACE("line " + std::to_string(control.line));
            r.Align();
            EXPECT_EQ(r.Dword(), control.style);
            EXPECT_EQ(r.Dword(), 0u);
            EXPECT_EQ(static_cast<int16_t>(r.Word()), control.x);
            EXPECT_EQ(static_cast<int16_t>(r.Word()), control.y);
            EXPECT_EQ(static_cast<int16_t>(r.Word()), control.cx);
            EXPECT_EQ(static_cast<int16_t>(r.Word()), control.cy);
            EXPECT_EQ(r.Word(), control.id);
            EXPECT_EQ(ClassOfAtom(r.NameOrOrdinal()), control.className);
            EXPECT_EQ(r.NameOrOrdinal(), control.text);
            EXPECT_EQ(r.Word(), 0u);  // no creation data
        }
        EXPECT_TRUE(r.ok);
    }
    EXPECT_EQ(dialogs, plat::host::ModuleDialogTemplates().size());
}

TEST_F(WindresMatch, StringTableIsTheSame) {
    size_t strings = 0;
    for (const Resource& resource : resources_) {
        if (resource.type != "#6") continue;
        const uint32_t block = static_cast<uint32_t>(std::stoul(resource.name.substr(1)));
        Reader r{resource.data, 0};
        for (uint32_t i = 0; i < 16; ++i) {
            const uint32_t id = (block - 1) * 16 + i;
            const uint16_t length = r.Word();
            std::string text;
            for (uint16_t k = 0; k < length; ++k) text += static_cast<char>(r.Word());
            char buffer[1024];
            const int loaded = plat::LoadResString(id, buffer, static_cast<int>(sizeof buffer));
            EXPECT_EQ(std::string(buffer, static_cast<size_t>(loaded > 0 ? loaded : 0)), text) << "string " << id;
            if (length != 0) ++strings;
        }
        EXPECT_TRUE(r.ok);
    }
    EXPECT_EQ(strings, 141u);
}

}  // namespace
