// The source's messages and the faults they name.
#include "apps/twain_app/scanner_faults.h"

#include <cstring>

namespace {

// The first row whose text starts the message counts.
// Columns: start of the source's text, fault.
struct MessageFault {
    const char* textStart;
    ScannerFault fault;
};
constexpr MessageFault kMessageFaults[] = {
    {"No Paper !", ScannerFault::NoPaper},
    {"Jam ocuured.", ScannerFault::Jam},
    {"Paper exists in Scanner yet.", ScannerFault::Jam},
    {"Double Feed error!!", ScannerFault::DoubleFeed},
    {"Skew error occured!!", ScannerFault::Jam},
    {"Minimum Media error!!", ScannerFault::Jam},
    {"Media Length error!!", ScannerFault::Jam},
    {"Scanner Door is open!", ScannerFault::CoverOpen},
    {"Scanner is busy.", ScannerFault::NotReady},
    {"Scanner is not ready.", ScannerFault::NotReady},
    {"Scanner is becoming ready.", ScannerFault::NotReady},
    {"Short of Memory !", ScannerFault::NoMemory},
    {"No Target Device !!", ScannerFault::DeviceGone},
};

}  // namespace

ScannerFault FaultOfMessage(const char* text) {
    if (text == nullptr) return ScannerFault::None;
    for (const MessageFault& row : kMessageFaults) {
        if (std::strncmp(text, row.textStart, std::strlen(row.textStart)) == 0) return row.fault;
    }
    return ScannerFault::None;
}
