// EncodeEndorserString and the table of the date and time sequences.
#include "transfer/imprinter_text.h"

#include <cstring>

#include "settings/settings_model.h"

namespace {

constexpr int32_t kMostPrintedPositions = 72;
constexpr int kMostSequences = 3;
constexpr uint8_t kEscape = 0x1B;
constexpr uint8_t kCounterCode = 0x00;
constexpr int32_t kCounterPositions = 7;
constexpr int kCounterDigits = 7;
constexpr uint32_t kCounterBytes = 10;

// Columns: the two characters after "%", code byte, printed positions.
struct StampSequence {
    char first;
    char second;
    uint8_t code;
    int32_t positions;
};
constexpr StampSequence kStampSequences[] = {
    {'1', 'd', 0x10, 8},
    {'2', 'd', 0x11, 10},
    {'3', 'd', 0x12, 8},
    {'4', 'd', 0x13, 13},
    {'1', 't', 0x20, 5},
    {'2', 't', 0x21, 8},
};

bool IsPrintable(unsigned char c) { return (c >= 0x20 && c <= 0x5F) || (c >= 0x61 && c <= 0x7E); }

const StampSequence* FindStamp(const char* afterPercent) {
    if (afterPercent[0] == '\0') return nullptr;
    for (const StampSequence& stamp : kStampSequences) {
        if (afterPercent[0] == stamp.first && afterPercent[1] == stamp.second) return &stamp;
    }
    return nullptr;
}

// The coded bytes go through this writer, which never passes the buffer's end.
struct CodedBytes {
    uint8_t* bytes;
    uint32_t count;

    bool Fits(uint32_t more) const { return count + more <= kEndorserCodedBufferSize; }
    void Put(uint8_t byte) { bytes[count++] = byte; }
};

// The counter: escape, code, seven digits of the starting number, the step.
// A stored starting number or step that does not fit its digits (a settings
// file edited by hand) cannot be printed, so the counter is refused.
bool PutCounter(CodedBytes& out) {
    const uint32_t start = ScanValues.endorserStart;
    const int32_t step = ScanValues.endorserStep;
    if (start > kLargestStartingNumber || step < 0 || step > kLargestStep) return false;
    if (!out.Fits(kCounterBytes)) return false;
    out.Put(kEscape);
    out.Put(kCounterCode);
    uint32_t rest = start;
    uint8_t digits[kCounterDigits];
    for (int i = kCounterDigits - 1; i >= 0; --i) {
        digits[i] = static_cast<uint8_t>('0' + rest % 10);
        rest /= 10;
    }
    for (uint8_t digit : digits) out.Put(digit);
    out.Put(static_cast<uint8_t>('0' + step));
    return true;
}

}  // namespace

void EncodeEndorserString(const char* text, uint8_t* coded, int32_t* printedCount, uint32_t* codedByteCount,
                          uint32_t* success) {
    if (printedCount == nullptr || codedByteCount == nullptr || success == nullptr) return;
    *printedCount = 0;
    *codedByteCount = 0;
    *success = 0;
    if (text == nullptr || coded == nullptr || text[0] == '\0') return;

    CodedBytes out{coded, 0};
    int32_t printed = 0;
    int sequences = 0;
    bool counterUsed = false;
    bool accepted = false;
    const char* at = text;
    for (;;) {
        if (printed > kMostPrintedPositions) {
            printed = -1;
            break;
        }
        if (sequences > kMostSequences) break;
        if (*at == '\0') {
            accepted = out.Fits(1);
            if (accepted) coded[out.count] = '\0';
            break;
        }
        if (!IsPrintable(static_cast<unsigned char>(*at))) break;

        if (at[0] == '#' && at[1] == '#') {
            if (!out.Fits(1)) break;
            out.Put('#');
            printed += 1;
            at += 2;
        } else if (at[0] == '#') {
            if (counterUsed || !PutCounter(out)) break;
            counterUsed = true;
            printed += kCounterPositions;
            ++sequences;
            at += 1;
        } else if (const StampSequence* stamp = at[0] == '%' ? FindStamp(at + 1) : nullptr) {
            if (!out.Fits(2)) break;
            out.Put(kEscape);
            out.Put(stamp->code);
            printed += stamp->positions;
            ++sequences;
            at += 3;
        } else {
            if (!out.Fits(1)) break;
            out.Put(static_cast<uint8_t>(*at));
            printed += 1;
            at += 1;
        }
    }
    *printedCount = printed;
    *codedByteCount = out.count;
    *success = accepted ? 1 : 0;
}
