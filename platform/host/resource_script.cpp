// The resource-script tokenizer and the string table of the embedded
// resources/korvex32.rc (see resource_script.h).
#include "platform/host/resource_script.h"

#include <cstdlib>
#include <cstring>

namespace plat::rc {

namespace {

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsHexDigit(char c) { return IsDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }
bool IsWordStart(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_'; }
bool IsWordChar(char c) { return IsWordStart(c) || IsDigit(c) || c == '.' || c == '$'; }

uint32_t HexValue(char c) {
    if (IsDigit(c)) return static_cast<uint32_t>(c - '0');
    if (c >= 'a' && c <= 'f') return static_cast<uint32_t>(c - 'a' + 10);
    return static_cast<uint32_t>(c - 'A' + 10);
}

char At(const Tokenizer& t, uint32_t pos) { return pos < t.size ? t.text[pos] : '\0'; }

// True when only blanks stand between the start of the line and `pos`.
bool AtLineStart(const Tokenizer& t, uint32_t pos) {
    while (pos > 0) {
        const char c = t.text[pos - 1];
        if (c == '\n') return true;
        if (c != ' ' && c != '\t') return false;
        --pos;
    }
    return true;
}

void SkipToLineEnd(Tokenizer& t, bool continuations) {
    while (t.pos < t.size && t.text[t.pos] != '\n') {
        if (continuations && t.text[t.pos] == '\\' && At(t, t.pos + 1) == '\n') {
            ++t.line;
            t.pos += 2;
            continue;
        }
        ++t.pos;
    }
}

void SkipSpaceAndComments(Tokenizer& t) {
    while (t.pos < t.size) {
        const char c = t.text[t.pos];
        if (c == '\n') {
            ++t.line;
            ++t.pos;
        } else if (IsSpace(c)) {
            ++t.pos;
        } else if (c == '/' && At(t, t.pos + 1) == '/') {
            SkipToLineEnd(t, false);
        } else if (c == '/' && At(t, t.pos + 1) == '*') {
            t.pos += 2;
            while (t.pos < t.size && !(t.text[t.pos] == '*' && At(t, t.pos + 1) == '/')) {
                if (t.text[t.pos] == '\n') ++t.line;
                ++t.pos;
            }
            t.pos = t.pos + 2 <= t.size ? t.pos + 2 : t.size;
        } else if (c == '#' && AtLineStart(t, t.pos)) {
            SkipToLineEnd(t, true);
        } else {
            return;
        }
    }
}

// Scans a string whose opening quote is at t.pos; false when the line or the
// text ends before the closing quote.
bool ScanString(Tokenizer& t) {
    ++t.pos;
    while (t.pos < t.size) {
        const char c = t.text[t.pos];
        if (c == '\n') return false;
        if (c == '\\') {
            if (At(t, t.pos + 1) == '\n' || t.pos + 1 >= t.size) return false;
            t.pos += 2;
        } else if (c == '"') {
            if (At(t, t.pos + 1) != '"') {
                ++t.pos;
                return true;
            }
            t.pos += 2;
        } else {
            ++t.pos;
        }
    }
    return false;
}

}  // namespace

void InitTokenizer(Tokenizer& tokenizer, const char* text, uint32_t size) {
    tokenizer = Tokenizer{text, text != nullptr ? size : 0, 0, 1};
}

Token NextToken(Tokenizer& t) {
    SkipSpaceAndComments(t);
    Token token{TokenKind::EndOfText, t.text + t.pos, 0, t.line, 0, false};
    if (t.pos >= t.size) return token;
    const uint32_t start = t.pos;
    const char c = t.text[t.pos];
    if (c == '"' || ((c == 'L' || c == 'l') && At(t, t.pos + 1) == '"')) {
        token.wide = c != '"';
        if (token.wide) ++t.pos;
        token.kind = ScanString(t) ? TokenKind::String : TokenKind::Invalid;
    } else if (IsDigit(c)) {
        uint32_t value = 0;
        bool valid = true;
        if (c == '0' && (At(t, t.pos + 1) == 'x' || At(t, t.pos + 1) == 'X')) {
            t.pos += 2;
            valid = IsHexDigit(At(t, t.pos));
            while (IsHexDigit(At(t, t.pos))) value = value * 16 + HexValue(t.text[t.pos++]);
        } else {
            while (IsDigit(At(t, t.pos))) value = value * 10 + HexValue(t.text[t.pos++]);
        }
        while (At(t, t.pos) == 'L' || At(t, t.pos) == 'l' || At(t, t.pos) == 'U' ||
               At(t, t.pos) == 'u') {
            ++t.pos;
        }
        if (IsWordChar(At(t, t.pos))) {
            valid = false;
            while (IsWordChar(At(t, t.pos))) ++t.pos;
        }
        token.kind = valid ? TokenKind::Number : TokenKind::Invalid;
        token.number = value;
    } else if (IsWordStart(c)) {
        while (IsWordChar(At(t, t.pos))) ++t.pos;
        token.kind = TokenKind::Word;
    } else {
        ++t.pos;
        token.kind = c == ',' ? TokenKind::Comma
                   : c == '{' ? TokenKind::BlockBegin
                   : c == '}' ? TokenKind::BlockEnd
                              : TokenKind::Symbol;
    }
    token.length = t.pos - start;
    if (token.kind == TokenKind::Word) {
        if (IsKeyword(token, "BEGIN")) token.kind = TokenKind::BlockBegin;
        if (IsKeyword(token, "END")) token.kind = TokenKind::BlockEnd;
    }
    if (token.kind == TokenKind::Invalid) {
        // Resume on the next line.
        SkipToLineEnd(t, false);
        token.length = t.pos - start;
    }
    return token;
}

Token PeekToken(const Tokenizer& tokenizer) {
    Tokenizer copy = tokenizer;
    return NextToken(copy);
}

bool IsKeyword(const Token& token, const char* keyword) {
    if (token.kind != TokenKind::Word && token.kind != TokenKind::BlockBegin &&
        token.kind != TokenKind::BlockEnd) {
        return false;
    }
    const size_t length = std::strlen(keyword);
    if (token.length != length) return false;
    for (size_t i = 0; i < length; ++i) {
        char a = token.text[i];
        char b = keyword[i];
        if (a >= 'a' && a <= 'z') a = static_cast<char>(a - 'a' + 'A');
        if (b >= 'a' && b <= 'z') b = static_cast<char>(b - 'a' + 'A');
        if (a != b) return false;
    }
    return true;
}

uint32_t DecodeString(const Token& token, char* out, uint32_t size) {
    if (token.kind != TokenKind::String) return 0;
    // Between the quotes (after the L of a wide string).
    const char* p = token.text + (token.wide ? 2 : 1);
    const char* end = token.text + token.length - 1;
    uint32_t length = 0;
    auto put = [&](uint32_t value) {
        if (out != nullptr && length < size) out[length] = static_cast<char>(value > 255 ? '?' : value);
        ++length;
    };
    while (p < end) {
        const char c = *p++;
        if (c == '"') {
            ++p;  // the second quote of ""
            put('"');
            continue;
        }
        if (c != '\\' || p >= end) {
            put(static_cast<unsigned char>(c));
            continue;
        }
        const char e = *p++;
        switch (e) {
            case 'a':
            case 'b': put(8); break;
            case 'f': put(12); break;
            case 'n': put(10); break;
            case 'r': put(13); break;
            case 't': put(9); break;
            case 'v': put(11); break;
            case '\\': put('\\'); break;
            case '"': put('"'); break;
            case 'x':
            case 'X': {
                const int maxDigits = token.wide ? 4 : 2;
                uint32_t value = 0;
                for (int i = 0; i < maxDigits && p < end && IsHexDigit(*p); ++i) {
                    value = value * 16 + HexValue(*p++);
                }
                put(value);
                break;
            }
            default:
                if (e >= '0' && e <= '7') {
                    uint32_t value = static_cast<uint32_t>(e - '0');
                    for (int i = 1; i < 3 && p < end && *p >= '0' && *p <= '7'; ++i) {
                        value = value * 8 + static_cast<uint32_t>(*p++ - '0');
                    }
                    put(value);
                } else {
                    put('\\');
                    put(static_cast<unsigned char>(e));
                }
                break;
        }
    }
    return length;
}

bool SkipBlock(Tokenizer& tokenizer) {
    uint32_t depth = 1;
    for (;;) {
        const Token token = NextToken(tokenizer);
        if (token.kind == TokenKind::EndOfText) return false;
        if (token.kind == TokenKind::BlockBegin) ++depth;
        if (token.kind == TokenKind::BlockEnd && --depth == 0) return true;
    }
}

namespace {

// Reads the entries of one STRINGTABLE block after its keyword. Counts every
// entry; stores those that fit.
struct TableSink {
    StringEntry* entries;
    uint32_t maxEntries;
    char* pool;
    uint32_t poolSize;
    uint32_t count;
    uint32_t poolUsed;
    bool overflow;
};

void ReadEntryStrings(Tokenizer& t, uint32_t id, bool store, TableSink& sink) {
    uint32_t length = 0;
    const uint32_t offset = sink.poolUsed;
    bool any = false;
    while (PeekToken(t).kind == TokenKind::String) {
        const Token text = NextToken(t);
        any = true;
        if (!store) continue;
        const uint32_t room = sink.poolUsed + length < sink.poolSize ? sink.poolSize - sink.poolUsed - length : 0;
        const uint32_t got = DecodeString(text, sink.pool != nullptr ? sink.pool + sink.poolUsed + length : nullptr, room);
        if (got > room) sink.overflow = true;
        length += got;
    }
    if (!any || !store) return;
    if (sink.entries != nullptr) {
        if (sink.count >= sink.maxEntries || sink.poolUsed + length + 1 > sink.poolSize) {
            sink.overflow = true;
        } else {
            sink.pool[sink.poolUsed + length] = '\0';
            sink.entries[sink.count] = StringEntry{id, offset, length};
            sink.poolUsed += length + 1;
        }
    }
    ++sink.count;
}

void ReadStringTable(Tokenizer& t, TableSink& sink) {
    // Options (LANGUAGE, DISCARDABLE, CHARACTERISTICS ...) up to the block.
    Token token = NextToken(t);
    while (token.kind != TokenKind::BlockBegin) {
        if (token.kind == TokenKind::EndOfText) return;
        token = NextToken(t);
    }
    for (;;) {
        token = NextToken(t);
        switch (token.kind) {
            case TokenKind::EndOfText:
            case TokenKind::BlockEnd: return;
            case TokenKind::Number:
            case TokenKind::Word: {
                const bool numeric = token.kind == TokenKind::Number && token.number <= 0xFFFF;
                if (PeekToken(t).kind == TokenKind::Comma) NextToken(t);
                ReadEntryStrings(t, token.number, numeric, sink);
                break;
            }
            case TokenKind::BlockBegin:
                if (!SkipBlock(t)) return;
                break;
            default: break;
        }
    }
}

}  // namespace

int ParseStringTable(const char* text, uint32_t size, StringEntry* entries, uint32_t maxEntries,
                     char* pool, uint32_t poolSize) {
    if (entries != nullptr && pool == nullptr) return -1;  // entries need text storage
    Tokenizer t{};
    InitTokenizer(t, text, size);
    TableSink sink{entries, maxEntries, pool, poolSize, 0, 0, false};
    uint32_t depth = 0;
    for (;;) {
        const Token token = NextToken(t);
        if (token.kind == TokenKind::EndOfText) break;
        if (token.kind == TokenKind::BlockBegin) ++depth;
        if (token.kind == TokenKind::BlockEnd && depth > 0) --depth;
        if (depth == 0 && IsKeyword(token, "STRINGTABLE")) ReadStringTable(t, sink);
    }
    if (entries != nullptr && sink.overflow) return -1;
    return static_cast<int>(sink.count);
}

namespace {

// Released when the module that holds this copy of the platform library is
// unloaded, so a source loaded and unloaded again leaks nothing.
struct LoadedTable {
    bool parsed;
    StringEntry* entries;
    uint32_t count;
    char* pool;
    ~LoadedTable() {
        std::free(entries);
        std::free(pool);
        entries = nullptr;
        pool = nullptr;
        count = 0;
    }
};

LoadedTable Table;

void ParseEmbeddedTable() {
    Table.parsed = true;
    const int count = ParseStringTable(kResourceScript, kResourceScriptSize, nullptr, 0, nullptr, 0);
    if (count <= 0) return;
    // Decoded texts are never longer than their quoted form.
    const uint32_t poolSize = kResourceScriptSize + static_cast<uint32_t>(count) + 1;
    auto* entries = static_cast<StringEntry*>(std::calloc(static_cast<size_t>(count), sizeof(StringEntry)));
    auto* pool = static_cast<char*>(std::malloc(poolSize));
    if (entries == nullptr || pool == nullptr ||
        ParseStringTable(kResourceScript, kResourceScriptSize, entries, static_cast<uint32_t>(count), pool,
                         poolSize) != count) {
        std::free(entries);
        std::free(pool);
        return;
    }
    Table.entries = entries;
    Table.pool = pool;
    Table.count = static_cast<uint32_t>(count);
}

}  // namespace

bool FindString(uint32_t id, const char** text, uint32_t* length) {
    if (!Table.parsed) ParseEmbeddedTable();
    for (uint32_t i = 0; i < Table.count; ++i) {
        if (Table.entries[i].id == id) {
            if (text != nullptr) *text = Table.pool + Table.entries[i].offset;
            if (length != nullptr) *length = Table.entries[i].length;
            return true;
        }
    }
    return false;
}

}  // namespace plat::rc
