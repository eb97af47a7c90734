// The host parser of the resource script's dialog templates. It follows what
// windres does with the same text (checked by the resource tests against the
// module that windres compiles): a control statement's own style is OR-ed into
// the statement's fixed bits and WS_CHILD | WS_VISIBLE, "NOT x" clears bits
// from what has been gathered so far, a statement without a style gets its
// default, ICON controls have no size, a DIALOG without STYLE has WS_POPUP |
// WS_BORDER | WS_SYSMENU and gets DS_SETFONT with FONT and WS_CAPTION with
// CAPTION. Preprocessor lines: #include of the two resource
// headers, #define of numeric names, #pragma; nothing else.
#include "platform/host/dialog_templates.h"

#include <cctype>
#include <cstring>
#include <map>

namespace plat::host {
namespace {

constexpr uint32_t kChildVisible = 0x50000000;  // WS_CHILD | WS_VISIBLE
constexpr uint32_t kDefaultDialogStyle = 0x80880000;  // WS_POPUP | WS_BORDER | WS_SYSMENU
constexpr uint32_t kDsSetFont = 0x00000040;
constexpr uint32_t kWsCaption = 0x00C00000;
constexpr int kMaxDefineDepth = 16;
// Parentheses, signs and definitions nested deeper than this are refused
// rather than recursed into until the stack runs out.
constexpr int kMaxExpressionDepth = 256;

// keyword, class, takes a caption, fixed style bits, default bits when the
// statement gives no style
struct ControlKeyword {
    const char* keyword;
    const char* className;
    bool hasText;
    uint32_t fixedStyle;
    uint32_t defaultStyle;
};
constexpr ControlKeyword kControlKeywords[] = {
    {"DEFPUSHBUTTON", "Button", true, 0x00010001, 0},
    {"PUSHBUTTON", "Button", true, 0x00010000, 0},
    {"AUTORADIOBUTTON", "Button", true, 0x00000009, 0x00010000},
    {"AUTOCHECKBOX", "Button", true, 0x00010003, 0},
    {"GROUPBOX", "Button", true, 0x00000007, 0},
    {"LTEXT", "Static", true, 0x00000000, 0x00020000},
    {"RTEXT", "Static", true, 0x00000002, 0x00020000},
    {"CTEXT", "Static", true, 0x00000001, 0x00020000},
    {"EDITTEXT", "Edit", false, 0x00810000, 0},
    {"COMBOBOX", "ComboBox", false, 0x00000000, 0x00010001},
    {"LISTBOX", "ListBox", false, 0x00800001, 0},
    {"SCROLLBAR", "ScrollBar", false, 0x00000000, 0},
    {"ICON", "Static", true, 0x00000003, 0},
};

// The predefined control classes a CONTROL statement may name (any case).
constexpr const char* kClassNames[] = {"Button", "Edit", "Static", "ListBox", "ScrollBar",
                                       "ComboBox"};

enum class TokenKind { End, Name, Number, String, Punct, Directive };

struct Token {
    TokenKind kind = TokenKind::End;
    std::string text;  // name, decoded string, directive line, punctuation character
    uint32_t value = 0;
    int line = 0;
};

std::string Upper(std::string_view text) {
    std::string out(text);
    for (char& c : out) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return out;
}

class Lexer {
public:
    Lexer(std::string_view text, int firstLine) : text_(text), line_(firstLine) {}

    // Answers false with `error` set on malformed input.
    bool Next(Token& token, std::string& error) {
        token = Token{};
        if (!SkipBlanksAndComments(error)) return false;
        token.line = line_;
        if (pos_ >= text_.size()) return true;
        const char c = text_[pos_];
        if (c == '#' && atLineStart_) {
            size_t end = text_.find('\n', pos_);
            if (end == std::string_view::npos) end = text_.size();
            token.kind = TokenKind::Directive;
            token.text = std::string(text_.substr(pos_ + 1, end - pos_ - 1));
            pos_ = end;
            return true;
        }
        atLineStart_ = false;
        if (std::isdigit(static_cast<unsigned char>(c))) return LexNumber(token, error);
        if (std::isalpha(static_cast<unsigned char>(c)) || c == '_') {
            const size_t start = pos_;
            while (pos_ < text_.size() && (std::isalnum(static_cast<unsigned char>(text_[pos_])) ||
                                           text_[pos_] == '_'))
                ++pos_;
            token.kind = TokenKind::Name;
            token.text = std::string(text_.substr(start, pos_ - start));
            return true;
        }
        if (c == '"') return LexString(token, error);
        if (std::strchr(",|()-", c) != nullptr) {
            token.kind = TokenKind::Punct;
            token.text = std::string(1, c);
            ++pos_;
            return true;
        }
        error = std::string("unexpected character '") + c + "'";
        return false;
    }

    int Line() const { return line_; }

private:
    bool SkipBlanksAndComments(std::string& error) {
        while (pos_ < text_.size()) {
            const char c = text_[pos_];
            if (c == '\n') {
                ++line_;
                ++pos_;
                atLineStart_ = true;
            } else if (c == ' ' || c == '\t' || c == '\r' || c == '\f' || c == '\v') {
                ++pos_;
            } else if (c == '/' && pos_ + 1 < text_.size() && text_[pos_ + 1] == '/') {
                while (pos_ < text_.size() && text_[pos_] != '\n') ++pos_;
            } else if (c == '/' && pos_ + 1 < text_.size() && text_[pos_ + 1] == '*') {
                const size_t end = text_.find("*/", pos_ + 2);
                if (end == std::string_view::npos) {
                    error = "unterminated comment";
                    return false;
                }
                for (size_t i = pos_; i < end; ++i)
                    if (text_[i] == '\n') ++line_;
                pos_ = end + 2;
            } else {
                return true;
            }
        }
        return true;
    }

    bool LexNumber(Token& token, std::string& error) {
        uint64_t value = 0;
        int base = 10;
        if (text_[pos_] == '0' && pos_ + 1 < text_.size() &&
            (text_[pos_ + 1] == 'x' || text_[pos_ + 1] == 'X')) {
            base = 16;
            pos_ += 2;
        }
        size_t digits = 0;
        while (pos_ < text_.size()) {
            const char c = text_[pos_];
            int digit = -1;
            if (c >= '0' && c <= '9') digit = c - '0';
            else if (base == 16 && c >= 'a' && c <= 'f') digit = c - 'a' + 10;
            else if (base == 16 && c >= 'A' && c <= 'F') digit = c - 'A' + 10;
            if (digit < 0) break;
            value = value * static_cast<uint64_t>(base) + static_cast<uint64_t>(digit);
            if (value > 0xFFFFFFFFu) {
                error = "number does not fit in 32 bits";
                return false;
            }
            ++digits;
            ++pos_;
        }
        while (pos_ < text_.size() && text_[pos_] != 0 && std::strchr("lLuU", text_[pos_]) != nullptr)
            ++pos_;
        if (digits == 0 || (pos_ < text_.size() && (std::isalnum(static_cast<unsigned char>(
                                                        text_[pos_])) || text_[pos_] == '_'))) {
            error = "malformed number";
            return false;
        }
        token.kind = TokenKind::Number;
        token.value = static_cast<uint32_t>(value);
        return true;
    }

    // windres reads "" as a quote and the escapes \n, \t, \r, \f, \v, \\,
    // \", \a and \b (both backspace, 8), \x with up to two hexadecimal digits
    // and octal \ooo; it keeps any other escape with a warning, which this
    // parser refuses.
    bool LexString(Token& token, std::string& error) {
        ++pos_;
        std::string out;
        while (true) {
            if (pos_ >= text_.size() || text_[pos_] == '\n') {
                error = "unterminated string";
                return false;
            }
            const char c = text_[pos_++];
            if (c == '"') {
                if (pos_ < text_.size() && text_[pos_] == '"') {
                    out += '"';
                    ++pos_;
                    continue;
                }
                break;
            }
            if (c != '\\') {
                out += c;
                continue;
            }
            if (pos_ >= text_.size()) {
                error = "unterminated string";
                return false;
            }
            const char e = text_[pos_++];
            switch (e) {
                case 'n': out += '\n'; break;
                case 't': out += '\t'; break;
                case 'r': out += '\r'; break;
                case 'a':
                case 'b': out += '\b'; break;
                case 'f': out += '\f'; break;
                case 'v': out += '\v'; break;
                case '\\': out += '\\'; break;
                case '"': out += '"'; break;
                case 'x':
                case 'X': {
                    unsigned value = 0;
                    int count = 0;
                    while (count < 2 && pos_ < text_.size() &&
                           std::isxdigit(static_cast<unsigned char>(text_[pos_]))) {
                        const char h = text_[pos_++];
                        value = value * 16 + static_cast<unsigned>(std::isdigit(static_cast<unsigned char>(h))
                                                                       ? h - '0'
                                                                       : std::tolower(h) - 'a' + 10);
                        ++count;
                    }
                    if (count == 0) {
                        error = "\\x without hexadecimal digits";
                        return false;
                    }
                    out += static_cast<char>(value & 0xFF);
                    break;
                }
                default:
                    if (e >= '0' && e <= '7') {
                        unsigned value = static_cast<unsigned>(e - '0');
                        for (int i = 0; i < 2 && pos_ < text_.size() && text_[pos_] >= '0' &&
                                        text_[pos_] <= '7';
                             ++i)
                            value = value * 8 + static_cast<unsigned>(text_[pos_++] - '0');
                        out += static_cast<char>(value & 0xFF);
                    } else {
                        error = std::string("unknown escape \\") + e;
                        return false;
                    }
            }
        }
        token.kind = TokenKind::String;
        token.text = std::move(out);
        return true;
    }

    std::string_view text_;
    size_t pos_ = 0;
    int line_;
    bool atLineStart_ = true;
};

class Parser {
public:
    Parser(std::string_view text, std::string_view fileName, std::map<std::string, std::string>& defines,
           const std::vector<IncludedFile>& includes, TemplateParseResult& result, int depth,
           int firstLine = 1)
        : lexer_(text, firstLine),
          fileName_(fileName),
          defines_(defines),
          includes_(includes),
          result_(result),
          depth_(depth) {}

    bool ParseScript() {
        if (!Advance()) return false;
        while (token_.kind != TokenKind::End) {
            if (token_.kind == TokenKind::Directive) {
                if (!Directive()) return false;
                if (!Advance()) return false;
                continue;
            }
            if (token_.kind == TokenKind::Name && EqualNoCase(token_.text, "STRINGTABLE")) {
                if (!Advance() || !SkipBlock()) return false;
                continue;
            }
            if (token_.kind != TokenKind::Name && token_.kind != TokenKind::Number &&
                token_.kind != TokenKind::String)
                return Fail("expected a resource statement");
            const Token nameToken = token_;
            if (!Advance()) return false;
            if (token_.kind != TokenKind::Name) return Fail("expected a resource type after the name");
            if (EqualNoCase(token_.text, "ICON")) {
                if (!Advance()) return false;
                if (token_.kind != TokenKind::String) return Fail("ICON needs a quoted file name");
                result_.icons.push_back(Upper(nameToken.text));
                if (!Advance()) return false;
            } else if (EqualNoCase(token_.text, "VERSIONINFO")) {
                while (token_.kind != TokenKind::End &&
                       !(token_.kind == TokenKind::Name && EqualNoCase(token_.text, "BEGIN")))
                    if (!Advance()) return false;
                if (!SkipBlock()) return false;
            } else if (EqualNoCase(token_.text, "DIALOG")) {
                if (nameToken.kind == TokenKind::Number) return Fail("dialogs are named, not numbered");
                if (!Dialog(nameToken.text)) return false;
            } else {
                return Fail("unknown resource statement '" + token_.text + "'");
            }
        }
        return true;
    }

    // One expression of a #define (whole text), `defineDepth` definitions deep.
    bool EvaluateWhole(uint32_t& value, int defineDepth) {
        if (!Advance()) return false;
        if (!Expression(value, false, defineDepth)) return false;
        if (token_.kind != TokenKind::End) return Fail("unexpected text after the value");
        return true;
    }

private:
    bool Fail(const std::string& message) {
        if (result_.error.empty()) {
            result_.file = std::string(fileName_);
            result_.errorLine = token_.line != 0 ? token_.line : lexer_.Line();
            result_.error = std::string(fileName_) + ":" + std::to_string(result_.errorLine) + ": error: " +
                            message;
        }
        return false;
    }

    bool Advance() {
        std::string error;
        if (!lexer_.Next(token_, error)) {
            token_.line = lexer_.Line();
            return Fail(error);
        }
        return true;
    }

    bool IsName(const char* name) const {
        return token_.kind == TokenKind::Name && EqualNoCase(token_.text, name);
    }

    bool Expect(const char* punct) {
        if (token_.kind != TokenKind::Punct || token_.text != punct)
            return Fail(std::string("expected '") + punct + "'");
        return Advance();
    }

    bool Directive() {
        std::string_view line = token_.text;
        while (!line.empty() && (line.front() == ' ' || line.front() == '\t')) line.remove_prefix(1);
        const size_t comment = line.find("//");
        if (comment != std::string_view::npos) line = line.substr(0, comment);
        while (!line.empty() && std::isspace(static_cast<unsigned char>(line.back()))) line.remove_suffix(1);
        size_t wordEnd = 0;
        while (wordEnd < line.size() && std::isalpha(static_cast<unsigned char>(line[wordEnd]))) ++wordEnd;
        const std::string_view word = line.substr(0, wordEnd);
        std::string_view rest = line.substr(wordEnd);
        while (!rest.empty() && (rest.front() == ' ' || rest.front() == '\t')) rest.remove_prefix(1);
        if (word == "pragma") return true;
        if (word == "define") {
            size_t nameEnd = 0;
            while (nameEnd < rest.size() && (std::isalnum(static_cast<unsigned char>(rest[nameEnd])) ||
                                             rest[nameEnd] == '_'))
                ++nameEnd;
            if (nameEnd == 0 || (nameEnd < rest.size() && rest[nameEnd] == '('))
                return Fail("#define needs a plain name");
            std::string_view value = rest.substr(nameEnd);
            while (!value.empty() && (value.front() == ' ' || value.front() == '\t')) value.remove_prefix(1);
            defines_[std::string(rest.substr(0, nameEnd))] = std::string(value);
            return true;
        }
        if (word == "include") {
            if (rest.size() < 2 || rest.front() != '"' || rest.back() != '"')
                return Fail("#include needs a quoted file name");
            const std::string_view name = rest.substr(1, rest.size() - 2);
            for (const IncludedFile& file : includes_) {
                if (file.name == name) {
                    if (depth_ >= kMaxDefineDepth) return Fail("#include nested too deep");
                    Parser nested(file.text, file.name, defines_, includes_, result_, depth_ + 1);
                    return nested.ParseScript();
                }
            }
            return Fail("#include of unknown file \"" + std::string(name) + "\"");
        }
        return Fail("unknown preprocessor line '#" + std::string(word) + "'");
    }

    // Skips a BEGIN ... END block with nested blocks; the current token is BEGIN.
    bool SkipBlock() {
        if (!IsName("BEGIN")) return Fail("expected BEGIN");
        int depth = 0;
        do {
            if (token_.kind == TokenKind::End) return Fail("BEGIN without END");
            if (token_.kind == TokenKind::Directive) return Fail("preprocessor line inside a block");
            if (IsName("BEGIN")) ++depth;
            if (IsName("END")) --depth;
            if (!Advance()) return false;
        } while (depth > 0);
        return true;
    }

    bool Primary(uint32_t& value, int defineDepth) {
        if (defineDepth >= kMaxExpressionDepth) return Fail("expression nests too deep");
        if (token_.kind == TokenKind::Number) {
            value = token_.value;
            return Advance();
        }
        if (token_.kind == TokenKind::Punct && token_.text == "-") {
            if (!Advance() || !Primary(value, defineDepth + 1)) return false;
            value = 0u - value;
            return true;
        }
        if (token_.kind == TokenKind::Punct && token_.text == "(") {
            if (!Advance() || !Expression(value, false, defineDepth) || !Expect(")")) return false;
            return true;
        }
        if (token_.kind == TokenKind::Name) {
            const auto found = defines_.find(token_.text);
            if (found == defines_.end()) return Fail("unknown name '" + token_.text + "'");
            if (defineDepth >= kMaxDefineDepth) return Fail("definition of '" + token_.text + "' nests too deep");
            TemplateParseResult scratch;
            Parser nested(found->second, fileName_, defines_, includes_, scratch, depth_,
                          token_.line);
            if (!nested.EvaluateWhole(value, defineDepth)) return Fail("bad value of '" + token_.text + "': " + scratch.error);
            return Advance();
        }
        return Fail("expected a number or a defined name");
    }

    // Terms joined by '|'; with `allowNot`, "NOT x" clears x from the value
    // gathered so far (which starts at `value`).
    bool Expression(uint32_t& value, bool allowNot, int defineDepth) {
        uint32_t gathered = allowNot ? value : 0;
        while (true) {
            bool negate = false;
            if (IsName("NOT")) {
                if (!allowNot) return Fail("NOT is only allowed in styles");
                negate = true;
                if (!Advance()) return false;
            }
            uint32_t term = 0;
            if (!Primary(term, defineDepth + 1)) return false;
            gathered = negate ? (gathered & ~term) : (gathered | term);
            if (token_.kind == TokenKind::Punct && token_.text == "|") {
                if (!Advance()) return false;
                continue;
            }
            break;
        }
        value = gathered;
        return true;
    }

    bool Number(int& value) {
        uint32_t raw = 0;
        if (!Expression(raw, false, 0)) return false;
        value = static_cast<int32_t>(raw);
        return true;
    }

    bool Comma() { return Expect(","); }
    bool AtComma() const { return token_.kind == TokenKind::Punct && token_.text == ","; }

    bool Dialog(const std::string& name) {
        DialogTemplate dialog;
        dialog.name = Upper(name);
        dialog.style = kDefaultDialogStyle;  // replaced by a STYLE statement
        for (const DialogTemplate& other : result_.dialogs)
            if (other.name == dialog.name) return Fail("dialog " + dialog.name + " defined twice");
        if (!Advance()) return false;
        if (!Number(dialog.x) || !Comma() || !Number(dialog.y) || !Comma() || !Number(dialog.cx) ||
            !Comma() || !Number(dialog.cy))
            return false;
        bool hasFont = false;
        bool hasCaption = false;
        while (!IsName("BEGIN")) {
            if (IsName("STYLE")) {
                if (!Advance()) return false;
                dialog.style = 0;
                if (!Expression(dialog.style, true, 0)) return false;
            } else if (IsName("CAPTION")) {
                if (!Advance()) return false;
                if (token_.kind != TokenKind::String) return Fail("CAPTION needs a quoted text");
                dialog.caption = token_.text;
                hasCaption = true;
                if (!Advance()) return false;
            } else if (IsName("FONT")) {
                if (!Advance() || !Number(dialog.fontSize) || !Comma()) return false;
                if (token_.kind != TokenKind::String) return Fail("FONT needs a quoted face name");
                dialog.fontName = token_.text;
                hasFont = true;
                if (!Advance()) return false;
            } else {
                return Fail("unknown dialog statement '" + token_.text + "'");
            }
        }
        if (hasFont) dialog.style |= kDsSetFont;
        if (hasCaption) dialog.style |= kWsCaption;
        if (!Advance()) return false;
        while (!IsName("END")) {
            if (token_.kind == TokenKind::End) return Fail("dialog " + dialog.name + " has no END");
            ControlTemplate control;
            if (!Control(control)) return false;
            dialog.controls.push_back(std::move(control));
        }
        result_.dialogs.push_back(std::move(dialog));
        return Advance();
    }

    bool Control(ControlTemplate& control) {
        control.line = token_.line;
        if (token_.kind != TokenKind::Name) return Fail("expected a control statement");
        if (IsName("CONTROL")) return GenericControl(control);
        const ControlKeyword* keyword = nullptr;
        for (const ControlKeyword& row : kControlKeywords)
            if (EqualNoCase(token_.text, row.keyword)) keyword = &row;
        if (keyword == nullptr) return Fail("unknown control statement '" + token_.text + "'");
        const bool isIcon = std::strcmp(keyword->keyword, "ICON") == 0;
        control.className = keyword->className;
        if (!Advance()) return false;
        if (keyword->hasText) {
            if (token_.kind != TokenKind::String) return Fail(std::string(keyword->keyword) + " needs a quoted text");
            control.text = token_.text;
            if (!Advance() || !Comma()) return false;
        }
        int id = 0;
        if (!Number(id) || !Comma() || !Number(control.x) || !Comma() || !Number(control.y)) return false;
        control.id = id & 0xFFFF;
        if (isIcon) {
            // windres stores no size for an icon control; one given is read and dropped.
            if (AtComma()) {
                int ignored = 0;
                if (!Advance() || !Number(ignored) || !Comma() || !Number(ignored)) return false;
            }
        } else if (!Comma() || !Number(control.cx) || !Comma() || !Number(control.cy)) {
            return false;
        }
        control.style = kChildVisible | keyword->fixedStyle;
        if (AtComma()) {
            if (!Advance() || !Expression(control.style, true, 0)) return false;
            if (AtComma()) return Fail("extended styles are not supported");
        } else {
            control.style |= keyword->defaultStyle;
        }
        return true;
    }

    bool GenericControl(ControlTemplate& control) {
        if (!Advance()) return false;
        if (token_.kind != TokenKind::String) return Fail("CONTROL needs a quoted text");
        control.text = token_.text;
        int id = 0;
        if (!Advance() || !Comma() || !Number(id) || !Comma()) return false;
        control.id = id & 0xFFFF;
        if (token_.kind != TokenKind::String && token_.kind != TokenKind::Name)
            return Fail("CONTROL needs a class name");
        for (const char* name : kClassNames)
            if (EqualNoCase(token_.text, name)) control.className = name;
        if (control.className.empty()) return Fail("unknown control class '" + token_.text + "'");
        control.style = kChildVisible;
        if (!Advance() || !Comma() || !Expression(control.style, true, 0) || !Comma() ||
            !Number(control.x) || !Comma() || !Number(control.y) || !Comma() ||
            !Number(control.cx) || !Comma() || !Number(control.cy))
            return false;
        if (AtComma()) return Fail("extended styles are not supported");
        return true;
    }

    Lexer lexer_;
    std::string_view fileName_;
    std::map<std::string, std::string>& defines_;
    const std::vector<IncludedFile>& includes_;
    TemplateParseResult& result_;
    int depth_;
    Token token_;
};

}  // namespace

bool EqualNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (std::toupper(static_cast<unsigned char>(a[i])) !=
            std::toupper(static_cast<unsigned char>(b[i])))
            return false;
    }
    return true;
}

TemplateParseResult ParseResourceScript(std::string_view script, std::string_view scriptName,
                                        const std::vector<IncludedFile>& includes) {
    TemplateParseResult result;
    std::map<std::string, std::string> defines;
    Parser parser(script, scriptName, defines, includes, result, 0);
    result.ok = parser.ParseScript();
    if (!result.ok) result.dialogs.clear();
    return result;
}

}  // namespace plat::host
