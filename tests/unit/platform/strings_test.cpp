// The string table read from resources/korvex32.rc and the resource-script
// tokenizer, checked against what windres makes of the same text.
#include <cstring>
#include <string>
#include <vector>

#include "platform/host/resource_script.h"
#include "platform/platform.h"
#include "tests/unit/platform/platform_fixture.h"

namespace {

class StringsTest : public PlatformTest {};

struct Parsed {
    int count;
    std::vector<plat::rc::StringEntry> entries;
    std::vector<char> pool;
    std::string Text(uint32_t id) const {
        for (int i = 0; i < count; ++i) {
            if (entries[i].id == id) return std::string(pool.data() + entries[i].offset, entries[i].length);
        }
        return "<absent>";
    }
};

Parsed Parse(const std::string& script) {
    Parsed parsed{0, std::vector<plat::rc::StringEntry>(64), std::vector<char>(4096)};
    parsed.count = plat::rc::ParseStringTable(script.data(), static_cast<uint32_t>(script.size()),
                                              parsed.entries.data(), 64, parsed.pool.data(), 4096);
    return parsed;
}

TEST_F(StringsTest, EscapesDecodeAsWindresDoes) {
    // Expected bytes were read back from windres output of the same lines.
    const Parsed p = Parse(
        "STRINGTABLE\n"
        "BEGIN\n"
        " 10 \"a\"\"b\\\"c\"\n"
        " 11 \"tab\\there\\nnl\\\\bs\"\n"
        " 12 \"oct\\101\\60x hex\\x41\\x4a2z\"\n"
        " 13, \"comma\"\n"
        " 14 \"cat\" \"enated\"\n"
        " 15 L\"wide\"\n"
        " 16 \"\\a\\r\\q\\0end\"\n"
        " 20 \"\\b|\\f|\\v|\\e|\\x4|\\x|\\'|\\?|\\1234|\\r\\n\"\n"
        " 22 \"\"\n"
        "END\n");
    ASSERT_EQ(p.count, 9);
    EXPECT_EQ(p.Text(10), "a\"b\"c");
    EXPECT_EQ(p.Text(11), "tab\there\nnl\\bs");
    EXPECT_EQ(p.Text(12), "octA0x hexAJ2z");
    EXPECT_EQ(p.Text(13), "comma");
    EXPECT_EQ(p.Text(14), "catenated");
    EXPECT_EQ(p.Text(15), "wide");
    EXPECT_EQ(p.Text(16), std::string("\b\r\\q\0end", 8));
    EXPECT_EQ(p.Text(20), std::string("\b|\f|\v|\\e|\x04|\0|\\'|\\?|S4|\r\n", 24));
    EXPECT_EQ(p.Text(22), "");
}

TEST_F(StringsTest, OtherStatementsAreSkipped) {
    const Parsed p = Parse(
        "#include \"resource.h\"\n"
        "#define IDS_X 7 \\\n  + 1\n"
        "// STRINGTABLE in a comment\n"
        "/* STRINGTABLE\n BEGIN 1 \"no\" END */\n"
        "ICO1 ICON \"a.ico\"\n"
        "DLG DIALOG 0, 0, 100, 50\n"
        "STYLE DS_MODALFRAME | WS_POPUP\n"
        "CAPTION \"STRINGTABLE\"\n"
        "FONT 9, \"Arial\"\n"
        "{\n  LTEXT \"x\", 100, 1, 1, 10, 10\n  BEGIN END\n}\n"
        "1 VERSIONINFO\nBEGIN\n BLOCK \"a\"\n BEGIN\n VALUE \"b\", \"c\\0\"\n END\nEND\n"
        "STRINGTABLE DISCARDABLE LANGUAGE 9, 1\n"
        "{\n"
        "  IDS_SYMBOLIC \"skipped\"\n"
        "  70000 \"id too large\"\n"
        "  7 \"seven\"\n"
        "  8 \"broken\n"
        "  9 \"nine\"\n"
        "}\n"
        "stringtable BEGIN 100 \"lower-case keyword\" END\n");
    ASSERT_EQ(p.count, 3);
    EXPECT_EQ(p.Text(7), "seven");
    EXPECT_EQ(p.Text(9), "nine");
    EXPECT_EQ(p.Text(100), "lower-case keyword");
    EXPECT_EQ(p.Text(1), "<absent>");
}

TEST_F(StringsTest, SmallStorageIsReported) {
    const std::string script = "STRINGTABLE BEGIN 1 \"abcdef\" 2 \"g\" END";
    plat::rc::StringEntry entries[2];
    char pool[64];
    EXPECT_EQ(plat::rc::ParseStringTable(script.data(), static_cast<uint32_t>(script.size()), entries, 1,
                                         pool, sizeof pool), -1);
    EXPECT_EQ(plat::rc::ParseStringTable(script.data(), static_cast<uint32_t>(script.size()), entries, 2,
                                         pool, 5), -1);
    EXPECT_EQ(plat::rc::ParseStringTable(script.data(), static_cast<uint32_t>(script.size()), nullptr, 0,
                                         nullptr, 0), 2);
}

TEST_F(StringsTest, TokenizerReportsKindsAndLines) {
    const std::string script = "A DIALOG 0x10, 12L\n{ \"s\" | }\nEND 9z";
    plat::rc::Tokenizer t{};
    plat::rc::InitTokenizer(t, script.data(), static_cast<uint32_t>(script.size()));
    using K = plat::rc::TokenKind;
    const K expected[] = {K::Word, K::Word, K::Number, K::Comma, K::Number, K::BlockBegin,
                          K::String, K::Symbol, K::BlockEnd, K::BlockEnd, K::Invalid, K::EndOfText};
    const uint32_t lines[] = {1, 1, 1, 1, 1, 2, 2, 2, 2, 3, 3, 3};
    for (size_t i = 0; i < std::size(expected); ++i) {
        const plat::rc::Token token = plat::rc::NextToken(t);
        EXPECT_EQ(token.kind, expected[i]) << i;
        EXPECT_EQ(token.line, lines[i]) << i;
        if (i == 1) {
            EXPECT_TRUE(plat::rc::IsKeyword(token, "dialog"));
        } else if (i == 2) {
            EXPECT_EQ(token.number, 16u);
        } else if (i == 4) {
            EXPECT_EQ(token.number, 12u);
        }
    }
}

}  // namespace
