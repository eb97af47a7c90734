// Command emulation of the virtual devices: a scanner of one of the sixteen
// models (or of another vendor), a disk or a CD-ROM drive. A command arrives
// as a ScsiExchange (command block, data buffer) and leaves with a target
// status, sense data and the number of bytes delivered. The bus (bus.h) owns
// the devices and calls in with its lock held.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "vscanner/faults.h"
#include "vscanner/feeder.h"
#include "vscanner/imprinter.h"
#include "vscanner/model_catalog.h"
#include "vscanner/page_synth.h"
#include "vscanner/scenario.h"
#include "vscanner/sense.h"

namespace vscan {

// One SET WINDOW descriptor as the scanner keeps it.
struct WindowState {
    bool set = false;
    uint8_t id = 0;
    uint16_t xResolution = 0;
    uint16_t yResolution = 0;
    uint32_t left = 0;
    uint32_t top = 0;
    uint32_t width = 0;
    uint32_t length = 0;
    uint8_t brightness = 0;
    uint8_t threshold = 0;
    uint8_t contrast = 0;
    uint8_t composition = 0;
    uint8_t bitsPerPixel = 0;
    uint16_t halftonePattern = 0;
    uint8_t reverseImage = 0;
    uint16_t bitOrdering = 0;
    uint8_t compression = 0;
    uint8_t compressionArgument = 0;
    uint8_t mirror = 0;
    uint8_t emphasis = 0;
    uint8_t gamma = 0;
    uint32_t paperWidth = 0;
    uint32_t paperLength = 0;
    uint8_t doubleFeed = 0;
    uint8_t pageMode = 0;
    uint8_t autoThreshold = 0;
    uint8_t autoSeparation = 0;
    uint8_t whiteLevel = 0;
    uint8_t noiseReduction = 0;
    uint8_t manualFeed = 0;
};

struct SubAreaState {
    bool set = false;
    uint8_t id = 0;
    uint32_t areas[3][4] = {};  // left, top, width, length in 1/1200 inch
    uint8_t composition = 0;
    uint16_t halftonePattern = 0;
};

// Everything a scanner remembers between commands.
struct ScannerRuntime {
    ModelInfo model{};  // the behaviour; a generation 1 simplex scanner when the model is unknown
    bool knownModel = false;
    uint32_t notReadyLeft = 0;
    NotReadyKind notReadyKind = NotReadyKind::BecomingReady;
    bool neverReady = false;
    WindowState windows[2];  // front (0x00), back (0x80)
    SubAreaState subAreas[2];
    FeederState feeder;
    FaultList faults;
    ScannerClock clock;
    uint8_t vendorE1Mode = 0;
    uint32_t vendorE1Count = 0;
    std::vector<uint8_t> imprinterData;
    // The imprinter prints on the front of every sheet fed after its data
    // arrived, until the windows are dropped (the end of the batch).
    bool imprinterArmed = false;
    uint32_t imprinterSheets = 0;     // sheets printed since the data arrived
    bool transportImprinted = false;  // the sheet in the transport was printed on
    uint32_t transportPrintIndex = 0; // ... as the how-manieth since the data arrived
    uint8_t lastSense[kSenseBytes] = {};
    // The page each side's READs are delivering, made at the first READ of it.
    std::shared_ptr<PageStream> pages[2];
    // With DeviceSetup::repeatPages: the pages drawn so far, whole.
    std::vector<std::shared_ptr<PageStream>> drawnPages;
};

struct VirtualDevice {
    DeviceSetup setup;
    bool present = true;  // false once the device has disappeared
    ScannerRuntime scanner;
};

// A command on its way through a device.
struct ScsiExchange {
    const uint8_t* cdb = nullptr;
    uint8_t cdbLength = 0;
    uint8_t* buffer = nullptr;
    uint32_t bufferLength = 0;
    // results
    bool deviceGone = false;  // the device vanished: the request ends with SS_NO_DEVICE
    uint8_t targetStatus = 0;
    uint32_t bytesIn = 0;
    uint8_t sense[kSenseBytes] = {};
};

enum class DataDirection : uint8_t { None, In, Out };

// The data phase a command block asks for: its direction and length.
struct DataPhase {
    DataDirection direction = DataDirection::None;
    uint32_t length = 0;
};
DataPhase DataPhaseOf(const uint8_t* cdb);

void InitDevice(VirtualDevice& device, const DeviceSetup& setup);
// Drops the windows and sub-areas of both sides and stops the feed (SET WINDOW
// without data, and a device reset).
void DropWindows(ScannerRuntime& scanner);
void ExecuteCommand(VirtualDevice& device, ScsiExchange& exchange);

// The page a READ of `side` delivers for the sheet in the transport, from the
// window of that side (geometry rounded as ImageSizeFromWindow does); with
// `repeatPages` every sheet shows sheet 0's synthetic document.
PageRequest PageForWindow(const ScannerRuntime& scanner, const WindowState& window,
                       const FedSheet& sheet, uint8_t side, bool repeatPages = false);
// Pixels per line and lines of a window: width x resolution / 1200 and
// length x resolution / 1200, each rounded to the nearest whole pixel.
void ImageSizeFromWindow(const WindowState& window, uint32_t& pixelsPerLine, uint32_t& lines);

}  // namespace vscan
