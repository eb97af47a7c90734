// A scenario of the virtual scanner: the host adapters, the devices on them
// (scanners of the sixteen models, foreign scanners, disks, CD-ROM drives),
// each scanner's feeder and the faults it is to show. Plain records built in
// code by tests, or read from a scenario file (scenario_file.h).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "vscanner/document_image.h"
#include "vscanner/imprinter.h"

namespace vscan {

enum class DeviceKind : uint8_t { Scanner, Disk, CdRom };

// The sense a scanner reports while it is not ready.
enum class NotReadyKind : uint8_t { BecomingReady, DoorOpen, NotReady };

struct SheetSetup {
    SheetSetup() = default;
    SheetSetup(uint8_t code, uint32_t sheetWidth, uint32_t sheetLength)
        : paperSizeCode(code), width(sheetWidth), length(sheetLength) {}

    uint8_t paperSizeCode = 7;  // the code READ type 0x81 reports for it
    uint32_t width = 10200;     // 1/1200 inch
    uint32_t length = 13200;    // 1/1200 inch
    // Documents from image files, stretched over the sheet; null: the
    // synthetic document. The texts name them as the scenario file does
    // ("path#page").
    DocumentPage front;
    DocumentPage back;
    std::string frontFile;
    std::string backFile;
};

enum class FaultKind : uint8_t {
    Jam,            // feeding the sheet answers 03/80/01
    DoubleFeed,     // feeding the sheet answers 03/80/0D
    TransferError,  // a READ of the page crossing `byteOffset` answers 0B/80/01
    Disappear,      // feeding the sheet finds the device gone: SS_NO_DEVICE from then on
};

// Sheets are numbered from 0 in the order they leave the feeder over the whole
// scenario (hopper first, then the manual-feed sheets); each fault fires once.
struct FaultSetup {
    FaultKind kind = FaultKind::Jam;
    uint32_t sheet = 0;
    uint8_t side = 0x00;      // TransferError: 0x00 front, 0x80 back
    uint32_t byteOffset = 0;  // TransferError: first byte that cannot be delivered
};

struct DeviceSetup {
    uint8_t adapter = 0;
    uint8_t target = 0;
    DeviceKind kind = DeviceKind::Scanner;
    std::string vendor;    // INQUIRY bytes 8..15, blank-padded
    std::string product;   // INQUIRY bytes 16..31, blank-padded
    std::string revision;  // INQUIRY bytes 32..35, blank-padded
    std::string model;     // a model name of the table: how the scanner behaves
    uint32_t notReadyPolls = 0;  // TEST UNIT READY answers not ready this many times
    NotReadyKind notReadyKind = NotReadyKind::BecomingReady;
    bool neverReady = false;
    std::vector<SheetSetup> hopper;
    std::vector<SheetSetup> manualSheets;  // put on the feeder one by one when it is empty
    uint32_t manualFeedPolls = 1;         // status polls (READ type 0x81) per manual sheet
    std::vector<FaultSetup> faults;
    ScannerClock clock;                   // the imprinter's date and time stamps
    // Every sheet shows the first sheet's synthetic document (or its own image
    // file), and each distinct page is drawn once and then copied: page reads
    // cost no drawing, for benchmarks of what reads them.
    bool repeatPages = false;
};

// What GetASPI32SupportInfo reports as its status.
enum class ManagerState : uint8_t { Ready, NotInitialised, NoAdapters };

struct Scenario {
    uint8_t adapterCount = 1;
    ManagerState state = ManagerState::Ready;
    uint32_t delayMs = 0;    // requests stay pending this long (0: complete in the call)
    std::string logFile;     // every SCSI command is appended here as a text line
    std::vector<DeviceSetup> devices;
};

// A scanner of `model` (a name of the model table, or any text for a scanner
// that no model matches) with the first accepted vendor identification.
DeviceSetup MakeScanner(const std::string& model, uint8_t adapter, uint8_t target);
// A device of another vendor or type.
DeviceSetup MakeDevice(DeviceKind kind, const std::string& vendor, const std::string& product,
                      uint8_t adapter, uint8_t target);
// A sheet of a named standard paper ("Letter", "A4", ...); Letter for an unknown name.
SheetSetup MakeSheet(const std::string& paperName);

// One generation 8 duplex scanner (ZR-DX961s) on adapter 0, target 0, with
// three Letter sheets in its hopper.
Scenario DefaultScenario();

}  // namespace vscan
