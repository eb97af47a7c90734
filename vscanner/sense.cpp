// The sense table of the virtual scanner and the builder of sense bytes.
#include "vscanner/sense.h"

#include <cstring>

namespace vscan {

// id, sense key, ASC, ASCQ, meaning
const SenseRow kSenseTable[kSenseRowCount] = {
    {Sense::NoSense, 0x00, 0x00, 0x00, "no sense (also the end of a page, with EOM)"},
    {Sense::NotReady, 0x02, 0x00, 0x00, "not ready"},
    {Sense::BecomingReady, 0x02, 0x04, 0x01, "becoming ready"},
    {Sense::DoorOpen, 0x02, 0x04, 0x80, "door open"},
    {Sense::NoPaper, 0x03, 0x3A, 0x00, "no paper in the feeder"},
    {Sense::Jam, 0x03, 0x80, 0x01, "paper jam"},
    {Sense::DoubleFeed, 0x03, 0x80, 0x0D, "double feed"},
    {Sense::ParameterListLength, 0x05, 0x1A, 0x00, "parameter list length error"},
    {Sense::InvalidOpcode, 0x05, 0x20, 0x00, "invalid command operation code"},
    {Sense::InvalidCdbField, 0x05, 0x24, 0x00, "invalid field in the command block"},
    {Sense::InvalidParameterField, 0x05, 0x26, 0x00, "invalid field in the parameter list"},
    {Sense::InvalidWindowCombination, 0x05, 0x2C, 0x02, "invalid combination of windows"},
    {Sense::NoBackUnit, 0x05, 0x2C, 0x81, "no back-side reading unit"},
    {Sense::NoNumberingUnit, 0x05, 0x2C, 0x82, "no imprinter"},
    {Sense::ImageTransferError, 0x0B, 0x80, 0x01, "image transfer error"},
};

const SenseRow& SenseOf(Sense id) {
    for (const SenseRow& row : kSenseTable) {
        if (row.id == id) return row;
    }
    return kSenseTable[0];
}

void BuildSenseBytes(Sense id, bool endOfMedium, uint32_t residue, uint8_t out[kSenseBytes]) {
    const SenseRow& row = SenseOf(id);
    std::memset(out, 0, kSenseBytes);
    out[0] = residue != 0 ? 0xF0 : 0x70;  // valid bit when the information field is set
    out[2] = static_cast<uint8_t>(row.key | (endOfMedium ? 0x40 : 0x00));
    out[3] = static_cast<uint8_t>(residue >> 24);
    out[4] = static_cast<uint8_t>(residue >> 16);
    out[5] = static_cast<uint8_t>(residue >> 8);
    out[6] = static_cast<uint8_t>(residue);
    out[7] = static_cast<uint8_t>(kSenseBytes - 8);
    out[12] = row.asc;
    out[13] = row.ascq;
}

}  // namespace vscan
