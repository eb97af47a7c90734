// The feeder of a virtual scanner.
#include "vscanner/feeder.h"

namespace vscan {

void LoadFeeder(FeederState& feeder, const DeviceSetup& setup) {
    feeder = FeederState{};
    uint32_t number = 0;
    for (const SheetSetup& sheet : setup.hopper) feeder.hopper.push_back(FedSheet{sheet, number++});
    for (const SheetSetup& sheet : setup.manualSheets)
        feeder.manualSheets.push_back(FedSheet{sheet, number++});
    feeder.manualFeedPolls = setup.manualFeedPolls;
}

uint8_t PollPaperStatus(FeederState& feeder) {
    if (feeder.hopper.empty() && feeder.manualNext < feeder.manualSheets.size()) {
        if (feeder.pollsWhileEmpty >= feeder.manualFeedPolls) {
            feeder.hopper.push_back(feeder.manualSheets[feeder.manualNext++]);
            feeder.pollsWhileEmpty = 0;
        } else {
            ++feeder.pollsWhileEmpty;
        }
    }
    if (feeder.hopper.empty()) return 0x00;
    return static_cast<uint8_t>(0x20 | (feeder.hopper.front().setup.paperSizeCode & 0x0F));
}

bool HasPaper(const FeederState& feeder) { return !feeder.hopper.empty(); }

FedSheet TakeTopSheet(FeederState& feeder) {
    FedSheet sheet = feeder.hopper.front();
    feeder.hopper.pop_front();
    return sheet;
}

void PlaceInTransport(FeederState& feeder, const FedSheet& sheet, uint8_t batchNumber) {
    feeder.inTransport = true;
    feeder.transport = sheet;
    feeder.transportBatchNumber = batchNumber;
    feeder.nextBatchNumber = static_cast<uint8_t>(batchNumber + 1);
    feeder.sideOffset[0] = 0;
    feeder.sideOffset[1] = 0;
}

void StopFeed(FeederState& feeder) {
    feeder.inTransport = false;
    feeder.nextBatchNumber = 0;
    feeder.sideOffset[0] = 0;
    feeder.sideOffset[1] = 0;
}

}  // namespace vscan
