// Private-profile files on Linux with the semantics of the Windows calls:
//  - Sections and keys match without regard to case; names given by the
//    caller and names in the file are trimmed of blanks. The first section of a
//    name holds its keys, the first key of a name in it holds the value; keys
//    before the first section belong to no section and are never found.
//  - A value is the text after the first '=' with blanks trimmed at both ends;
//    one pair of matching quotes (' or ") around it is removed on reading.
//    Lines beginning with ';' are comments; lines without '=' are not keys.
//  - Reading copies at most bufferSize - 1 characters and a terminator and
//    answers the count copied. A missing section, key or file gives the default
//    (null reads as ""), trailing blanks removed. A null section lists the
//    section names, a null key the key names of the section, each followed by a
//    terminator and the list by one more; a list that does not fit is cut and
//    answers bufferSize - 2.
//  - Numbers are read from at most 29 characters of the value: leading blanks,
//    an optional sign, a lower-case "0x", "0o" or "0b" prefix for hexadecimal,
//    octal or binary, then digits up to the first other character, modulo 2^32; a
//    negative number answers its two's complement ("-5" gives 4294967291,
//    "0012abc" 12, "B12" 0). A missing key or an empty value answers the
//    default. This is what the Win32 call does in Wine's implementation and
//    conformance tests (the "0 for an empty value" rule belongs to Win16).
//  - Writing keeps every other line byte for byte: a changed key is rewritten
//    in place, a new key goes after the last non-blank line of its section, a
//    new section at the end of the file; new lines end as the file's first line
//    does (CR LF for a new file). A null value removes the key's line, a null
//    key removes the section up to the next one. Nothing is written when
//    nothing changes. Names and values holding a line break, keys holding '='
//    or starting with '[' or ';', and empty names are refused: they would
//    change the file's structure.
// Files are read whole, so lines of any length are handled; files of
// kMaxProfileBytes or more, and files that exist but cannot be read, read as
// empty and are never rewritten.
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/host/host_internal.h"

namespace plat {

namespace {

constexpr size_t kMaxProfileBytes = 16u * 1024u * 1024u;
constexpr uint32_t kIntegerTextSize = 30;

struct Span {
    const char* text;
    size_t length;
};

// A file's bytes; data is null for an empty or missing file.
struct FileText {
    char* data;
    size_t size;
};

enum class LineKind { Blank, Section, Comment, Key, Other };

struct Line {
    size_t start;  // first byte of the line
    size_t end;    // end of its content, before the terminator
    size_t next;   // start of the next line
    LineKind kind;
    Span name;   // section or key name, trimmed
    Span value;  // key value, trimmed
};

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\v' || c == '\f'; }

Span Trim(const char* text, size_t length) {
    while (length > 0 && IsBlank(*text)) {
        ++text;
        --length;
    }
    while (length > 0 && IsBlank(text[length - 1])) --length;
    return Span{text, length};
}

Span TrimmedArgument(const char* text) { return Trim(text, std::strlen(text)); }

char LowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool SameName(Span a, Span b) {
    if (a.length != b.length) return false;
    for (size_t i = 0; i < a.length; ++i) {
        if (LowerAscii(a.text[i]) != LowerAscii(b.text[i])) return false;
    }
    return true;
}

bool HasLineBreak(const char* text) { return std::strpbrk(text, "\r\n") != nullptr; }

void ClassifyLine(const FileText& file, Line& line) {
    Span content = Trim(file.data + line.start, line.end - line.start);
    line.name = Span{content.text, 0};
    line.value = Span{content.text, 0};
    if (content.length == 0) {
        line.kind = LineKind::Blank;
    } else if (content.text[0] == '[') {
        const char* close = nullptr;
        for (size_t i = content.length; i-- > 1;) {
            if (content.text[i] == ']') {
                close = content.text + i;
                break;
            }
        }
        if (close != nullptr) {
            line.kind = LineKind::Section;
            line.name = Trim(content.text + 1, static_cast<size_t>(close - content.text - 1));
        } else {
            line.kind = LineKind::Other;
        }
    } else if (content.text[0] == ';') {
        line.kind = LineKind::Comment;
    } else if (const void* equals = std::memchr(content.text, '=', content.length)) {
        const size_t nameLength = static_cast<size_t>(static_cast<const char*>(equals) - content.text);
        line.kind = LineKind::Key;
        line.name = Trim(content.text, nameLength);
        line.value = Trim(content.text + nameLength + 1, content.length - nameLength - 1);
    } else {
        line.kind = LineKind::Other;
    }
}

// Reads the line that starts at `start`; false at the end of the file. A line
// ends at CR LF, LF or a lone CR.
bool ReadLine(const FileText& file, size_t start, Line& line) {
    if (start >= file.size) return false;
    size_t end = start;
    while (end < file.size && file.data[end] != '\n' && file.data[end] != '\r') ++end;
    size_t next = end;
    if (next < file.size && file.data[next] == '\r') ++next;
    if (next < file.size && file.data[next] == '\n' && (next == end || file.data[end] == '\r')) {
        ++next;
    }
    line.start = start;
    line.end = end;
    line.next = next;
    ClassifyLine(file, line);
    return true;
}

void ReleaseFile(FileText& file) {
    std::free(file.data);
    file = FileText{nullptr, 0};
}

enum class ReadResult { Read, Missing, Unreadable };

ReadResult ReadWholeFile(const char* path, FileText& file) {
    file = FileText{nullptr, 0};
    FILE* stream = std::fopen(path, "rb");
    // Only a file that is not there reads as empty: one that cannot be opened
    // must not be replaced by a write.
    if (stream == nullptr) return errno == ENOENT ? ReadResult::Missing : ReadResult::Unreadable;
    size_t capacity = 0;
    ReadResult result = ReadResult::Read;
    for (;;) {
        if (file.size == capacity) {
            if (capacity >= kMaxProfileBytes) {
                result = ReadResult::Unreadable;
                break;
            }
            const size_t grown = capacity == 0 ? 4096 : capacity * 2;
            char* bigger = static_cast<char*>(std::realloc(file.data, grown));
            if (bigger == nullptr) {
                result = ReadResult::Unreadable;
                break;
            }
            file.data = bigger;
            capacity = grown;
        }
        const size_t got = std::fread(file.data + file.size, 1, capacity - file.size, stream);
        file.size += got;
        if (got == 0) {
            if (std::ferror(stream)) result = ReadResult::Unreadable;
            break;
        }
    }
    std::fclose(stream);
    if (result != ReadResult::Read) ReleaseFile(file);
    return result;
}

// Where a section and a key were found.
struct Location {
    bool sectionFound;
    Line header;
    size_t sectionEnd;    // start of the next section header, or the file's end
    Line lastContent;     // last non-blank line of the section (the header if none)
    bool keyFound;
    Line key;
};

Location Locate(const FileText& file, Span section, const Span* key) {
    Location where{};
    bool inSection = false;
    Line line{};
    for (size_t pos = 0; ReadLine(file, pos, line); pos = line.next) {
        if (line.kind == LineKind::Section) {
            if (inSection) {
                where.sectionEnd = line.start;
                return where;
            }
            if (!where.sectionFound && SameName(line.name, section)) {
                inSection = true;
                where.sectionFound = true;
                where.header = line;
                where.lastContent = line;
            }
            continue;
        }
        if (!inSection) continue;
        if (line.kind != LineKind::Blank) where.lastContent = line;
        if (key != nullptr && !where.keyFound && line.kind == LineKind::Key &&
            SameName(line.name, *key)) {
            where.keyFound = true;
            where.key = line;
        }
    }
    where.sectionEnd = file.size;
    return where;
}

// The value without one pair of matching quotes around it.
Span Unquoted(Span value) {
    if (value.length >= 2 && (value.text[0] == '"' || value.text[0] == '\'') &&
        value.text[value.length - 1] == value.text[0]) {
        return Span{value.text + 1, value.length - 2};
    }
    return value;
}

uint32_t CopyValue(Span value, char* buffer, uint32_t bufferSize) {
    size_t length = value.length;
    if (length > bufferSize - 1) length = bufferSize - 1;
    if (length > 0) std::memcpy(buffer, value.text, length);
    buffer[length] = '\0';
    return static_cast<uint32_t>(length);
}

uint32_t CopyDefault(const char* defaultValue, char* buffer, uint32_t bufferSize) {
    if (defaultValue == nullptr) defaultValue = "";
    size_t length = std::strlen(defaultValue);
    while (length > 0 && defaultValue[length - 1] == ' ') --length;
    return CopyValue(Span{defaultValue, length}, buffer, bufferSize);
}

// Appends names to a list of terminated names ending in one more terminator.
struct NameList {
    char* buffer;
    uint32_t size;
    uint32_t used;
    bool cut;
};

void AddName(NameList& list, Span name) {
    if (list.cut) return;
    if (list.used + name.length + 2 <= list.size) {
        std::memcpy(list.buffer + list.used, name.text, name.length);
        list.used += static_cast<uint32_t>(name.length);
        list.buffer[list.used++] = '\0';
        return;
    }
    // Cut the name so that it and the list still end in terminators.
    const uint32_t room = list.size >= list.used + 2 ? list.size - list.used - 2 : 0;
    std::memcpy(list.buffer + list.used, name.text, room);
    list.buffer[list.used + room] = '\0';
    list.buffer[list.used + room + 1] = '\0';
    list.cut = true;
}

uint32_t FinishList(NameList& list) {
    if (list.cut) return list.size - 2;
    list.buffer[list.used] = '\0';
    return list.used;
}

uint32_t ListNames(const FileText& file, const Span* section, char* buffer, uint32_t bufferSize) {
    if (bufferSize < 2) {
        buffer[0] = '\0';
        return 0;
    }
    NameList list{buffer, bufferSize, 0, false};
    bool inSection = false;
    bool sectionSeen = false;
    Line line{};
    for (size_t pos = 0; ReadLine(file, pos, line); pos = line.next) {
        if (line.kind == LineKind::Section) {
            if (section == nullptr) {
                AddName(list, line.name);
            } else {
                inSection = !sectionSeen && SameName(line.name, *section);
                sectionSeen = sectionSeen || inSection;
            }
        } else if (section != nullptr && inSection && line.kind == LineKind::Key) {
            AddName(list, line.name);
        }
    }
    return FinishList(list);
}

// ---- Writing ------------------------------------------------------------------------

// A new file content assembled from pieces.
struct Assembly {
    char* data;
    size_t size;
    size_t capacity;
    bool failed;
};

void Append(Assembly& out, const char* text, size_t length) {
    if (out.failed || length == 0) return;
    if (out.size + length > out.capacity) {
        size_t grown = out.capacity == 0 ? 256 : out.capacity;
        while (grown < out.size + length) grown *= 2;
        char* bigger = static_cast<char*>(std::realloc(out.data, grown));
        if (bigger == nullptr) {
            out.failed = true;
            return;
        }
        out.data = bigger;
        out.capacity = grown;
    }
    std::memcpy(out.data + out.size, text, length);
    out.size += length;
}

void Append(Assembly& out, Span span) { Append(out, span.text, span.length); }

void Append(Assembly& out, const char* text) { Append(out, text, std::strlen(text)); }

// The terminator of the file's first line, CR LF when it has none.
Span LineEnding(const FileText& file) {
    for (size_t i = 0; i < file.size; ++i) {
        if (file.data[i] == '\n') return Span{"\n", 1};
        if (file.data[i] == '\r') {
            return i + 1 < file.size && file.data[i + 1] == '\n' ? Span{"\r\n", 2} : Span{"\r", 1};
        }
    }
    return Span{"\r\n", 2};
}

bool WriteWholeFile(const char* path, const Assembly& content) {
    char temporary[host::kMaxPath];
    const int written = std::snprintf(temporary, sizeof temporary, "%s.korvex-new", path);
    if (written <= 0 || static_cast<size_t>(written) >= sizeof temporary) return false;
    const int descriptor = open(temporary, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (descriptor < 0) return false;
    size_t done = 0;
    while (done < content.size) {
        const ssize_t wrote = write(descriptor, content.data + done, content.size - done);
        if (wrote <= 0) break;
        done += static_cast<size_t>(wrote);
    }
    const bool complete = done == content.size && close(descriptor) == 0;
    if (!complete || std::rename(temporary, path) != 0) {
        unlink(temporary);
        return false;
    }
    return true;
}

bool ProfilePath(const char* file, char* path) {
    return host::WindowsFilePath(file, path, host::kMaxPath);
}

bool ValidName(Span name, bool isKey) {
    if (name.length == 0) return false;
    if (isKey && (name.text[0] == '[' || name.text[0] == ';' ||
                  std::memchr(name.text, '=', name.length) != nullptr)) {
        return false;
    }
    return true;
}

}  // namespace

uint32_t ProfileGetString(const char* section, const char* key, const char* defaultValue,
                          char* buffer, uint32_t bufferSize, const char* file) {
    if (buffer == nullptr || bufferSize == 0) return 0;
    char path[host::kMaxPath];
    FileText text{nullptr, 0};
    if (ProfilePath(file, path) && ReadWholeFile(path, text) != ReadResult::Read) {
        text = FileText{nullptr, 0};
    }
    uint32_t answer;
    if (section == nullptr) {
        answer = ListNames(text, nullptr, buffer, bufferSize);
    } else {
        const Span sectionName = TrimmedArgument(section);
        if (key == nullptr) {
            answer = ListNames(text, &sectionName, buffer, bufferSize);
        } else {
            const Span keyName = TrimmedArgument(key);
            const Location where = Locate(text, sectionName, &keyName);
            answer = where.keyFound ? CopyValue(Unquoted(where.key.value), buffer, bufferSize)
                                    : CopyDefault(defaultValue, buffer, bufferSize);
        }
    }
    ReleaseFile(text);
    return answer;
}

uint32_t ProfileGetInt(const char* section, const char* key, int32_t defaultValue,
                       const char* file) {
    char text[kIntegerTextSize];
    if (section == nullptr || key == nullptr ||
        ProfileGetString(section, key, "", text, sizeof text, file) == 0) {
        return static_cast<uint32_t>(defaultValue);
    }
    const char* p = text;
    while (*p != '\0' && static_cast<unsigned char>(*p) <= ' ') ++p;
    bool negative = false;
    if (*p == '+' || *p == '-') negative = *p++ == '-';
    // Only lower-case prefixes count: "0X1F" reads as 0, as on Windows.
    uint32_t base = 10;
    if (p[0] == '0' && p[1] == 'x') {
        base = 16;
        p += 2;
    } else if (p[0] == '0' && p[1] == 'o') {
        base = 8;
        p += 2;
    } else if (p[0] == '0' && p[1] == 'b') {
        base = 2;
        p += 2;
    }
    uint32_t value = 0;
    for (;; ++p) {
        uint32_t digit;
        if (*p >= '0' && *p <= '9') {
            digit = static_cast<uint32_t>(*p - '0');
        } else if (*p >= 'a' && *p <= 'f') {
            digit = static_cast<uint32_t>(*p - 'a' + 10);
        } else if (*p >= 'A' && *p <= 'F') {
            digit = static_cast<uint32_t>(*p - 'A' + 10);
        } else {
            break;
        }
        if (digit >= base) break;
        value = value * base + digit;  // unsigned: modulo 2^32
    }
    return negative ? 0u - value : value;
}

bool ProfileWriteString(const char* section, const char* key, const char* value,
                        const char* file) {
    if (section == nullptr || HasLineBreak(section)) return false;
    if ((key != nullptr && HasLineBreak(key)) || (value != nullptr && HasLineBreak(value))) {
        return false;
    }
    const Span sectionName = TrimmedArgument(section);
    const Span keyName = key != nullptr ? TrimmedArgument(key) : Span{"", 0};
    if (!ValidName(sectionName, false) || (key != nullptr && !ValidName(keyName, true))) {
        return false;
    }
    if (host::InjectedFailureDue(host::HostService::ProfileWrite)) return false;

    char path[host::kMaxPath];
    if (!ProfilePath(file, path)) return false;
    FileText text{nullptr, 0};
    const ReadResult read = ReadWholeFile(path, text);
    if (read == ReadResult::Unreadable) return false;

    const Location where = Locate(text, sectionName, key != nullptr ? &keyName : nullptr);
    const Span eol = LineEnding(text);
    Assembly out{nullptr, 0, 0, false};
    bool changed = true;
    if (key == nullptr) {
        // Remove the section up to the next one.
        if (where.sectionFound) {
            Append(out, text.data, where.header.start);
            Append(out, text.data + where.sectionEnd, text.size - where.sectionEnd);
        } else {
            changed = false;
        }
    } else if (value == nullptr) {
        if (where.keyFound) {
            Append(out, text.data, where.key.start);
            Append(out, text.data + where.key.next, text.size - where.key.next);
        } else {
            changed = false;
        }
    } else if (where.keyFound) {
        const Span old = where.key.value;
        if (old.length == std::strlen(value) && std::memcmp(old.text, value, old.length) == 0) {
            changed = false;
        } else {
            // Rewrite from the key's name to the line's end; indentation and
            // the terminator stay.
            const size_t nameStart = static_cast<size_t>(where.key.name.text - text.data);
            Append(out, text.data, nameStart);
            Append(out, where.key.name);
            Append(out, "=");
            Append(out, value);
            Append(out, text.data + where.key.end, text.size - where.key.end);
        }
    } else if (where.sectionFound) {
        const Line& last = where.lastContent;
        Append(out, text.data, last.next);
        if (last.next == last.end) Append(out, eol);  // the line had no terminator
        Append(out, keyName);
        Append(out, "=");
        Append(out, value);
        Append(out, eol);
        Append(out, text.data + last.next, text.size - last.next);
    } else {
        Append(out, text.data, text.size);
        if (text.size > 0 && text.data[text.size - 1] != '\n' && text.data[text.size - 1] != '\r') {
            Append(out, eol);
        }
        Append(out, "[");
        Append(out, sectionName);
        Append(out, "]");
        Append(out, eol);
        Append(out, keyName);
        Append(out, "=");
        Append(out, value);
        Append(out, eol);
    }
    ReleaseFile(text);

    bool ok = !out.failed;
    if (ok && changed) {
        // The Windows directory is created on the first write into it.
        const bool bareName = std::strchr(file, '/') == nullptr;
        ok = (read == ReadResult::Read || !bareName || host::CreateWindowsDirectory()) &&
             WriteWholeFile(path, out);
    }
    std::free(out.data);
    return ok;
}

}  // namespace plat
