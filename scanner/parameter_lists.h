// The parameter lists that travel with SET WINDOW and the sub-area window
// command, built byte by byte, big-endian, from the window records. Pure
// encoders: the caller decides the back-side rule and the model generation.
#pragma once

#include <cstdint>

#include "scanner/scan_window.h"

constexpr uint32_t kWindowListLength = 72;
constexpr uint32_t kSubAreaListLength = 88;

// Writes the 72-byte SET WINDOW list. With `backSideRule` the window
// identifier is 0x80 whatever the record holds; the double-feed and
// manual-feed bytes are sent only from generation 8 on.
void EncodeWindowList(const ScanWindowRecord& window, bool backSideRule, uint8_t generation,
                      uint8_t (&list)[kWindowListLength]);

// Writes the 88-byte sub-area window list.
void EncodeSubAreaList(const SubAreaWindowRecord& window, bool backSideRule,
                       uint8_t (&list)[kSubAreaListLength]);

// Big-endian stores used by the lists and the CDBs.
inline void PutBigEndian16(uint8_t* at, uint32_t value) {
    at[0] = static_cast<uint8_t>(value >> 8);
    at[1] = static_cast<uint8_t>(value);
}

inline void PutBigEndian24(uint8_t* at, uint32_t value) {
    at[0] = static_cast<uint8_t>(value >> 16);
    at[1] = static_cast<uint8_t>(value >> 8);
    at[2] = static_cast<uint8_t>(value);
}

inline void PutBigEndian32(uint8_t* at, uint32_t value) {
    at[0] = static_cast<uint8_t>(value >> 24);
    at[1] = static_cast<uint8_t>(value >> 16);
    at[2] = static_cast<uint8_t>(value >> 8);
    at[3] = static_cast<uint8_t>(value);
}

inline uint32_t GetBigEndian32(const uint8_t* at) {
    return (static_cast<uint32_t>(at[0]) << 24) | (static_cast<uint32_t>(at[1]) << 16) |
           (static_cast<uint32_t>(at[2]) << 8) | static_cast<uint32_t>(at[3]);
}
