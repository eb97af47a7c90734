// Reading resources/korvex32.rc on Linux: a tokenizer of the resource-script
// language as windres reads it, and the string table built from its
// STRINGTABLE blocks. The dialog templates have their own reader
// (dialog_templates.cpp). Depends on nothing but the C++ standard library.
#pragma once

#include <cstdint>

// The text of resources/korvex32.rc, embedded at build time.
extern const char kResourceScript[];
extern const unsigned kResourceScriptSize;

namespace plat::rc {

enum class TokenKind {
    EndOfText,
    Word,        // a name or keyword: letters, digits, '_', '.', '$', not starting with a digit
    Number,      // decimal or 0x hexadecimal, with an optional L or U suffix
    String,      // "..." or L"..."; DecodeString gives its characters
    Comma,
    BlockBegin,  // BEGIN or {
    BlockEnd,    // END or }
    Symbol,      // any other single character: | + - ( ) ~ ! ...
    Invalid,     // a string not closed on its line, a malformed number
};

struct Token {
    TokenKind kind;
    const char* text;  // the token as it stands in the script
    uint32_t length;
    uint32_t line;      // 1-based
    uint32_t number;    // value of a Number (modulo 2^32)
    bool wide;          // an L"..." string
};

// Comments (// and /* */) and preprocessor lines (#include, #define, ...) are
// skipped between tokens.
struct Tokenizer {
    const char* text;
    uint32_t size;
    uint32_t pos;
    uint32_t line;
};

void InitTokenizer(Tokenizer& tokenizer, const char* text, uint32_t size);
Token NextToken(Tokenizer& tokenizer);
Token PeekToken(const Tokenizer& tokenizer);
// True when the token is a Word equal to `keyword` without regard to case.
bool IsKeyword(const Token& token, const char* keyword);

// The characters of a String token with its escapes resolved as windres does:
// "" is a quote; \a and \b give 8, \f 12, \n 10, \r 13, \t 9, \v 11, \\ a
// backslash, \" a quote; \ooo up to three octal digits; \x up to two hex
// digits (four in L strings; characters above 255 become '?'); any other
// escape keeps its backslash. Writes at most `size` bytes and no terminator;
// answers the full decoded length.
uint32_t DecodeString(const Token& token, char* out, uint32_t size);

// Skips tokens up to and including the end of the block whose BlockBegin has
// just been read; false when the text ends first.
bool SkipBlock(Tokenizer& tokenizer);

// ---- String table -----------------------------------------------------------------
// Finds string `id` of the embedded script's STRINGTABLE blocks (parsed once,
// on first use). Adjacent strings of an entry are joined; the comma after the
// id is optional; entries with symbolic ids are skipped. False when absent.
bool FindString(uint32_t id, const char** text, uint32_t* length);

// Parses a script's string table into the given storage for tests; answers the
// number of entries, or -1 when the storage is too small. Each entry's text is
// stored terminated in `pool`.
struct StringEntry {
    uint32_t id;
    uint32_t offset;  // into the pool
    uint32_t length;
};
int ParseStringTable(const char* text, uint32_t size, StringEntry* entries, uint32_t maxEntries,
                     char* pool, uint32_t poolSize);

}  // namespace plat::rc
