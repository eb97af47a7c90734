// The scanner's feeder: the hopper of sheets, the sheets a user lays on it
// later (manual feed), and the sheet in the transport with how far each side
// has been read. Sheets keep the number they got when the scenario was
// loaded, which names their synthetic content and their faults.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <vector>

#include "vscanner/scenario.h"

namespace vscan {

struct FedSheet {
    SheetSetup setup;
    uint32_t number = 0;  // over the whole scenario, from 0
};

struct FeederState {
    std::deque<FedSheet> hopper;
    std::vector<FedSheet> manualSheets;
    size_t manualNext = 0;
    uint32_t manualFeedPolls = 1;
    uint32_t pollsWhileEmpty = 0;

    bool inTransport = false;
    FedSheet transport;
    uint8_t transportBatchNumber = 0;  // the sheet number READ commands use for it
    uint8_t nextBatchNumber = 0;       // the number the next sheet fed will get
    uint64_t sideOffset[2] = {0, 0};   // bytes of the front and back already delivered
};

void LoadFeeder(FeederState& feeder, const DeviceSetup& setup);
// One status poll: a manual sheet arrives after manualFeedPolls polls of an
// empty hopper. Answers READ type 0x81 byte 0: 0x20 with paper, and the top
// sheet's size code in the low 4 bits.
uint8_t PollPaperStatus(FeederState& feeder);
bool HasPaper(const FeederState& feeder);
// Takes the top sheet off the hopper (the caller has checked HasPaper).
FedSheet TakeTopSheet(FeederState& feeder);
// Moves `sheet` into the transport as batch sheet `batchNumber`.
void PlaceInTransport(FeederState& feeder, const FedSheet& sheet, uint8_t batchNumber);
// Stops the feed: the sheet in the transport goes out, numbering restarts at 0.
void StopFeed(FeederState& feeder);

}  // namespace vscan
