// Sense data of the virtual scanner: every condition the scanner reports is a
// named row of one table (sense key, ASC, ASCQ and what it means), and one
// helper builds the fixed-format sense bytes the ASPI manager copies into a
// request's sense area. Depends on nothing but the standard library.
#pragma once

#include <cstddef>
#include <cstdint>

namespace vscan {

enum class Sense : uint8_t {
    NoSense,
    NotReady,
    BecomingReady,
    DoorOpen,
    NoPaper,
    Jam,
    DoubleFeed,
    ParameterListLength,
    InvalidOpcode,
    InvalidCdbField,
    InvalidParameterField,
    InvalidWindowCombination,
    NoBackUnit,
    NoNumberingUnit,
    ImageTransferError,
};

struct SenseRow {
    Sense id;
    uint8_t key;
    uint8_t asc;
    uint8_t ascq;
    const char* meaning;
};

constexpr size_t kSenseRowCount = 15;
extern const SenseRow kSenseTable[kSenseRowCount];

const SenseRow& SenseOf(Sense id);

// Fixed-format sense data (response code 0x70), 14 bytes. The end-of-medium
// bit (0x40 of byte 2) goes with the page's last READ; `residue` (bytes asked
// for but not delivered) fills the information field when it is not 0.
constexpr size_t kSenseBytes = 14;
void BuildSenseBytes(Sense id, bool endOfMedium, uint32_t residue, uint8_t out[kSenseBytes]);

}  // namespace vscan
