// Command emulation of the virtual devices. Parameter lists are read byte by
// byte, big-endian.
#include "vscanner/scanner_device.h"

#include <algorithm>
#include <cstring>

#include "vscanner/ccitt_coder.h"

namespace vscan {

namespace {

constexpr uint8_t kTestUnitReady = 0x00;
constexpr uint8_t kRequestSense = 0x03;
constexpr uint8_t kInquiry = 0x12;
constexpr uint8_t kSetWindow = 0x24;
constexpr uint8_t kRead = 0x28;
constexpr uint8_t kSubAreaWindow = 0xC0;
constexpr uint8_t kVendorE1 = 0xE1;
constexpr uint8_t kImprinterData = 0xE4;

constexpr uint8_t kReadImage = 0x00;
constexpr uint8_t kReadImageSize = 0x80;
constexpr uint8_t kReadStatus = 0x81;

constexpr uint32_t kWindowListLength = 72;
constexpr uint16_t kWindowDescriptorLength = 64;
constexpr uint32_t kSubAreaListLength = 88;
constexpr uint16_t kSubAreaDescriptorLength = 80;
constexpr uint32_t kImageSizeReplyLength = 16;
constexpr uint32_t kStatusReplyLength = 6;
constexpr uint32_t kInquiryLength = 96;
constexpr uint32_t kImprinterHeaderLength = 7;
constexpr uint32_t kImprinterMaxLength = 256;
constexpr uint16_t kMinResolution = 100;
constexpr uint16_t kMaxResolution = 400;
constexpr uint64_t kMaxPageBytes = 0x7FFFFFFFu;
constexpr size_t kDrawnPagesKept = 4;

uint16_t Get16(const uint8_t* p) { return static_cast<uint16_t>((p[0] << 8) | p[1]); }
uint32_t Get24(const uint8_t* p) {
    return (static_cast<uint32_t>(p[0]) << 16) | (static_cast<uint32_t>(p[1]) << 8) | p[2];
}
uint32_t Get32(const uint8_t* p) {
    return (static_cast<uint32_t>(p[0]) << 24) | (static_cast<uint32_t>(p[1]) << 16) |
           (static_cast<uint32_t>(p[2]) << 8) | p[3];
}
void Put32(uint8_t* p, uint32_t value) {
    p[0] = static_cast<uint8_t>(value >> 24);
    p[1] = static_cast<uint8_t>(value >> 16);
    p[2] = static_cast<uint8_t>(value >> 8);
    p[3] = static_cast<uint8_t>(value);
}

void Good(ScsiExchange& exchange) { exchange.targetStatus = 0x00; }

// Delivers the first `asked` bytes of a reply of `size` bytes (fewer when the
// reply is shorter). A command that asks for nothing may come without a buffer.
void DeliverReply(ScsiExchange& exchange, const uint8_t* reply, uint32_t size, uint32_t asked) {
    const uint32_t count = std::min(asked, size);
    if (count != 0) std::memcpy(exchange.buffer, reply, count);
    exchange.bytesIn = count;
}

void Fail(ScannerRuntime& scanner, ScsiExchange& exchange, Sense sense, bool endOfMedium = false,
          uint32_t residue = 0) {
    exchange.targetStatus = 0x02;
    BuildSenseBytes(sense, endOfMedium, residue, exchange.sense);
    std::memcpy(scanner.lastSense, exchange.sense, kSenseBytes);
}

int SideIndex(uint8_t windowId) { return windowId == 0x80 ? 1 : 0; }

void CopyPadded(uint8_t* out, const std::string& text, size_t width) {
    std::memset(out, ' ', width);
    std::memcpy(out, text.data(), std::min(text.size(), width));
}

uint8_t PeripheralType(DeviceKind kind) {
    switch (kind) {
        case DeviceKind::Disk: return 0x00;
        case DeviceKind::CdRom: return 0x05;
        case DeviceKind::Scanner: break;
    }
    return 0x06;
}

Sense NotReadySense(NotReadyKind kind) {
    switch (kind) {
        case NotReadyKind::BecomingReady: return Sense::BecomingReady;
        case NotReadyKind::DoorOpen: return Sense::DoorOpen;
        case NotReadyKind::NotReady: break;
    }
    return Sense::NotReady;
}

void Inquiry(VirtualDevice& device, ScsiExchange& exchange) {
    if ((exchange.cdb[1] & 0x01) != 0 || exchange.cdb[2] != 0) {
        Fail(device.scanner, exchange, Sense::InvalidCdbField);
        return;
    }
    uint8_t reply[kInquiryLength] = {};
    reply[0] = PeripheralType(device.setup.kind);
    reply[1] = device.setup.kind == DeviceKind::CdRom ? 0x80 : 0x00;
    reply[2] = 0x02;  // SCSI-2
    reply[3] = 0x02;  // response data format
    reply[4] = static_cast<uint8_t>(kInquiryLength - 5);
    CopyPadded(reply + 8, device.setup.vendor, 8);
    CopyPadded(reply + 16, device.setup.product, 16);
    CopyPadded(reply + 32, device.setup.revision, 4);
    DeliverReply(exchange, reply, kInquiryLength, exchange.cdb[4]);
    Good(exchange);
}

void RequestSense(VirtualDevice& device, ScsiExchange& exchange) {
    ScannerRuntime& scanner = device.scanner;
    uint8_t current[kSenseBytes];
    std::memcpy(current, scanner.lastSense, kSenseBytes);
    if (current[0] == 0) BuildSenseBytes(Sense::NoSense, false, 0, current);
    DeliverReply(exchange, current, kSenseBytes, exchange.cdb[4]);
    std::memset(scanner.lastSense, 0, kSenseBytes);
    Good(exchange);
}

void TestUnitReady(ScannerRuntime& scanner, ScsiExchange& exchange) {
    if (scanner.neverReady) {
        Fail(scanner, exchange, NotReadySense(scanner.notReadyKind));
        return;
    }
    if (scanner.notReadyLeft > 0) {
        --scanner.notReadyLeft;
        Fail(scanner, exchange, NotReadySense(scanner.notReadyKind));
        return;
    }
    Good(exchange);
}

bool WindowIdAcceptable(ScannerRuntime& scanner, ScsiExchange& exchange, uint8_t id) {
    if (id != 0x00 && id != 0x80) {
        Fail(scanner, exchange, Sense::InvalidParameterField);
        return false;
    }
    if (id == 0x80 && scanner.model.duplex == 0) {
        Fail(scanner, exchange, Sense::NoBackUnit);
        return false;
    }
    return true;
}

WindowState ParseWindow(const uint8_t* p) {
    WindowState window;
    window.set = true;
    window.id = p[8];
    window.xResolution = Get16(p + 10);
    window.yResolution = Get16(p + 12);
    window.left = Get32(p + 14);
    window.top = Get32(p + 18);
    window.width = Get32(p + 22);
    window.length = Get32(p + 26);
    window.brightness = p[30];
    window.threshold = p[31];
    window.contrast = p[32];
    window.composition = p[33];
    window.bitsPerPixel = p[34];
    window.halftonePattern = Get16(p + 35);
    window.reverseImage = p[37];
    window.bitOrdering = Get16(p + 38);
    window.compression = p[40];
    window.compressionArgument = p[41];
    window.mirror = p[50];
    window.emphasis = p[51];
    window.gamma = p[52];
    window.paperWidth = Get32(p + 56);
    window.paperLength = Get32(p + 60);
    window.doubleFeed = p[64];
    window.pageMode = p[65];
    window.autoThreshold = p[66];
    window.autoSeparation = p[67];
    window.whiteLevel = p[68];
    window.noiseReduction = p[69];
    window.manualFeed = p[70];
    return window;
}

bool WindowFieldsValid(const ScannerRuntime& scanner, const WindowState& window) {
    if (window.xResolution < kMinResolution || window.xResolution > kMaxResolution) return false;
    if (window.yResolution < kMinResolution || window.yResolution > kMaxResolution) return false;
    const WindowLimit& limit = WindowLimitFor(scanner.model);
    if (window.width == 0 || window.length == 0) return false;
    if (static_cast<uint64_t>(window.left) + window.width > limit.maxWidth) return false;
    if (static_cast<uint64_t>(window.top) + window.length > limit.maxLength) return false;
    const bool bilevel = window.composition == 0 || window.composition == 1;
    if (bilevel && window.bitsPerPixel != 1) return false;
    if (window.composition == 2 && window.bitsPerPixel != 4 && window.bitsPerPixel != 8) return false;
    if (window.composition > 2) return false;
    // The coder codes bi-level pages; a build without one refuses compression
    // rather than send raw lines that a reader would misread.
    if (window.compression != kCompressionNone) {
        if (window.compression > kCompressionGroup4 || !bilevel || !CcittCoderAvailable())
            return false;
    }
    uint32_t pixelsPerLine = 0;
    uint32_t lines = 0;
    ImageSizeFromWindow(window, pixelsPerLine, lines);
    if (pixelsPerLine == 0 || lines == 0) return false;
    PageRequest page;
    page.composition = window.composition;
    page.bitsPerPixel = window.bitsPerPixel;
    page.pixelsPerLine = pixelsPerLine;
    page.lines = lines;
    return PageBytes(page) <= kMaxPageBytes;
}

void SetWindow(ScannerRuntime& scanner, ScsiExchange& exchange) {
    const uint32_t listLength = Get24(exchange.cdb + 6);
    if (listLength == 0) {
        DropWindows(scanner);
        Good(exchange);
        return;
    }
    if (listLength != kWindowListLength) {
        Fail(scanner, exchange, Sense::ParameterListLength);
        return;
    }
    const uint8_t* list = exchange.buffer;
    if (Get16(list + 6) != kWindowDescriptorLength) {
        Fail(scanner, exchange, Sense::InvalidParameterField);
        return;
    }
    if (!WindowIdAcceptable(scanner, exchange, list[8])) return;
    const WindowState window = ParseWindow(list);
    if (!WindowFieldsValid(scanner, window)) {
        Fail(scanner, exchange, Sense::InvalidParameterField);
        return;
    }
    scanner.windows[SideIndex(window.id)] = window;
    Good(exchange);
}

void SetSubAreaWindow(ScannerRuntime& scanner, ScsiExchange& exchange) {
    if (Get24(exchange.cdb + 6) != kSubAreaListLength) {
        Fail(scanner, exchange, Sense::ParameterListLength);
        return;
    }
    const uint8_t* list = exchange.buffer;
    if (Get16(list + 6) != kSubAreaDescriptorLength) {
        Fail(scanner, exchange, Sense::InvalidParameterField);
        return;
    }
    if (!WindowIdAcceptable(scanner, exchange, list[8])) return;
    const WindowState& window = scanner.windows[SideIndex(list[8])];
    if (!window.set) {
        Fail(scanner, exchange, Sense::InvalidWindowCombination);
        return;
    }
    SubAreaState area;
    area.set = true;
    area.id = list[8];
    area.composition = list[33];
    area.halftonePattern = Get16(list + 35);
    const size_t areaOffsets[3] = {14, 50, 68};
    for (size_t i = 0; i < 3; ++i) {
        for (size_t k = 0; k < 4; ++k) area.areas[i][k] = Get32(list + areaOffsets[i] + 4 * k);
        const uint64_t right = static_cast<uint64_t>(area.areas[i][0]) + area.areas[i][2];
        const uint64_t bottom = static_cast<uint64_t>(area.areas[i][1]) + area.areas[i][3];
        if (right > window.width || bottom > window.length) {
            Fail(scanner, exchange, Sense::InvalidParameterField);
            return;
        }
    }
    if (area.composition > 1) {
        Fail(scanner, exchange, Sense::InvalidParameterField);
        return;
    }
    scanner.subAreas[SideIndex(area.id)] = area;
    Good(exchange);
}

void ReadImageSize(ScannerRuntime& scanner, ScsiExchange& exchange, uint32_t length) {
    const uint8_t side = exchange.cdb[5];
    if (side != 0x00 && side != 0x80) {
        Fail(scanner, exchange, Sense::InvalidCdbField);
        return;
    }
    const WindowState& window = scanner.windows[SideIndex(side)];
    if (!window.set) {
        Fail(scanner, exchange, Sense::InvalidWindowCombination);
        return;
    }
    uint32_t pixelsPerLine = 0;
    uint32_t lines = 0;
    ImageSizeFromWindow(window, pixelsPerLine, lines);
    PageRequest page;
    page.composition = window.composition;
    page.bitsPerPixel = window.bitsPerPixel;
    page.pixelsPerLine = pixelsPerLine;
    uint8_t reply[kImageSizeReplyLength] = {};
    Put32(reply, pixelsPerLine);
    Put32(reply + 4, lines);
    Put32(reply + 8, BytesPerLine(page));
    DeliverReply(exchange, reply, kImageSizeReplyLength, length);
    Good(exchange);
}

void ReadStatus(ScannerRuntime& scanner, ScsiExchange& exchange, uint32_t length) {
    uint8_t reply[kStatusReplyLength] = {};
    reply[0] = PollPaperStatus(scanner.feeder);
    DeliverReply(exchange, reply, kStatusReplyLength, length);
    Good(exchange);
}

// Feeds the next sheet as batch sheet `number`; false when the READ has been
// answered already (no paper, a feed fault, the device gone).
bool FeedSheet(VirtualDevice& device, ScsiExchange& exchange, uint8_t number) {
    ScannerRuntime& scanner = device.scanner;
    if (!HasPaper(scanner.feeder)) {
        Fail(scanner, exchange, Sense::NoPaper);
        return false;
    }
    const FedSheet sheet = TakeTopSheet(scanner.feeder);
    if (const FaultSetup* fault = TakeFeedFault(scanner.faults, sheet.number)) {
        scanner.feeder.inTransport = false;
        switch (fault->kind) {
            case FaultKind::Jam: Fail(scanner, exchange, Sense::Jam); return false;
            case FaultKind::DoubleFeed: Fail(scanner, exchange, Sense::DoubleFeed); return false;
            case FaultKind::Disappear:
                device.present = false;
                exchange.deviceGone = true;
                return false;
            case FaultKind::TransferError: break;
        }
    }
    PlaceInTransport(scanner.feeder, sheet, number);
    scanner.transportImprinted = scanner.imprinterArmed;
    if (scanner.imprinterArmed) scanner.transportPrintIndex = scanner.imprinterSheets++;
    return true;
}

DocumentPage BlankDocument() {
    static const DocumentPage blank = [] {
        auto image = std::make_shared<DocumentImage>();
        image->width = image->height = 1;
        image->xResolution = image->yResolution = kDefaultImageResolution;
        image->intensity.assign(1, 255);
        return image;
    }();
    return blank;
}

// The stream of a page; with repeated pages one drawn before, when the same
// page was, else a new one that is kept (the last few).
std::shared_ptr<PageStream> StreamFor(VirtualDevice& device, const PageRequest& page) {
    if (!device.setup.repeatPages) return std::make_shared<PageStream>(page);
    std::vector<std::shared_ptr<PageStream>>& drawn = device.scanner.drawnPages;
    for (const std::shared_ptr<PageStream>& stream : drawn)
        if (stream->Request() == page) return stream;
    if (drawn.size() >= kDrawnPagesKept) drawn.erase(drawn.begin());
    drawn.push_back(std::make_shared<PageStream>(page, true));
    return drawn.back();
}

void ReadImage(VirtualDevice& device, ScsiExchange& exchange, uint32_t length) {
    ScannerRuntime& scanner = device.scanner;
    const uint8_t number = exchange.cdb[4];
    const uint8_t side = exchange.cdb[5];
    if (side != 0x00 && side != 0x80) {
        Fail(scanner, exchange, Sense::InvalidCdbField);
        return;
    }
    const WindowState& window = scanner.windows[SideIndex(side)];
    if (!window.set) {
        Fail(scanner, exchange, Sense::InvalidWindowCombination);
        return;
    }
    FeederState& feeder = scanner.feeder;
    const bool current = feeder.inTransport && number == feeder.transportBatchNumber;
    if (!current) {
        if (number != feeder.nextBatchNumber) {
            Fail(scanner, exchange, Sense::InvalidCdbField);
            return;
        }
        if (!FeedSheet(device, exchange, number)) return;
    }
    const PageRequest page =
        PageForWindow(scanner, window, feeder.transport, side, device.setup.repeatPages);
    std::shared_ptr<PageStream>& stream = scanner.pages[SideIndex(side)];
    if (!stream || !(stream->Request() == page)) stream = StreamFor(device, page);
    if (!stream->Ready()) {
        Fail(scanner, exchange, Sense::ImageTransferError);
        return;
    }
    const uint64_t total = stream->Size();
    uint64_t& offset = feeder.sideOffset[SideIndex(side)];
    const uint64_t remaining = total - std::min(offset, total);
    const uint32_t deliver = static_cast<uint32_t>(std::min<uint64_t>(length, remaining));
    if (deliver > 0 && TakeTransferFault(scanner.faults, feeder.transport.number, side, offset,
                                         offset + deliver) != nullptr) {
        Fail(scanner, exchange, Sense::ImageTransferError);
        return;
    }
    stream->Copy(offset, deliver, exchange.buffer);
    offset += deliver;
    exchange.bytesIn = deliver;
    if (deliver < length || (length == 0 && remaining == 0)) {
        Fail(scanner, exchange, Sense::NoSense, true, length - deliver);
        return;
    }
    Good(exchange);
}

void Read(VirtualDevice& device, ScsiExchange& exchange) {
    const uint32_t length = Get24(exchange.cdb + 6);
    switch (exchange.cdb[2]) {
        case kReadImage: ReadImage(device, exchange, length); return;
        case kReadImageSize: ReadImageSize(device.scanner, exchange, length); return;
        case kReadStatus: ReadStatus(device.scanner, exchange, length); return;
        default: Fail(device.scanner, exchange, Sense::InvalidCdbField); return;
    }
}

void ImprinterData(ScannerRuntime& scanner, ScsiExchange& exchange) {
    if (!ModelHasImprinter(scanner.model)) {
        Fail(scanner, exchange, Sense::NoNumberingUnit);
        return;
    }
    const uint32_t length = Get24(exchange.cdb + 6);
    if (length < kImprinterHeaderLength || length > kImprinterMaxLength) {
        Fail(scanner, exchange, Sense::ParameterListLength);
        return;
    }
    scanner.imprinterData.assign(exchange.buffer, exchange.buffer + length);
    scanner.imprinterArmed = true;
    scanner.imprinterSheets = 0;
    Good(exchange);
}

void ScannerCommand(VirtualDevice& device, ScsiExchange& exchange) {
    ScannerRuntime& scanner = device.scanner;
    const uint8_t opcode = exchange.cdb[0];
    if (scanner.neverReady && opcode != kTestUnitReady) {
        Fail(scanner, exchange, NotReadySense(scanner.notReadyKind));
        return;
    }
    switch (opcode) {
        case kTestUnitReady: TestUnitReady(scanner, exchange); return;
        case kSetWindow: SetWindow(scanner, exchange); return;
        case kSubAreaWindow: SetSubAreaWindow(scanner, exchange); return;
        case kRead: Read(device, exchange); return;
        case kVendorE1:
            scanner.vendorE1Mode = exchange.cdb[2];
            ++scanner.vendorE1Count;
            Good(exchange);
            return;
        case kImprinterData: ImprinterData(scanner, exchange); return;
        default: Fail(scanner, exchange, Sense::InvalidOpcode); return;
    }
}

}  // namespace

void DropWindows(ScannerRuntime& scanner) {
    for (int side = 0; side < 2; ++side) {
        scanner.windows[side] = WindowState{};
        scanner.subAreas[side] = SubAreaState{};
        scanner.pages[side].reset();
    }
    scanner.imprinterArmed = false;
    StopFeed(scanner.feeder);
}

DataPhase DataPhaseOf(const uint8_t* cdb) {
    switch (cdb[0]) {
        case kInquiry:
        case kRequestSense: return {DataDirection::In, cdb[4]};
        case kSetWindow:
        case kSubAreaWindow:
        case kImprinterData: return {DataDirection::Out, Get24(cdb + 6)};
        case kRead: return {DataDirection::In, Get24(cdb + 6)};
        default: return {DataDirection::None, 0};
    }
}

void ImageSizeFromWindow(const WindowState& window, uint32_t& pixelsPerLine, uint32_t& lines) {
    pixelsPerLine = static_cast<uint32_t>(
        (static_cast<uint64_t>(window.width) * window.xResolution + 600) / 1200);
    lines = static_cast<uint32_t>(
        (static_cast<uint64_t>(window.length) * window.yResolution + 600) / 1200);
}

PageRequest PageForWindow(const ScannerRuntime& scanner, const WindowState& window,
                       const FedSheet& sheet, uint8_t side, bool repeatPages) {
    PageRequest page;
    page.generation = scanner.model.generation;
    page.sheet = repeatPages ? 0 : sheet.number;
    page.side = side;
    page.composition = window.composition;
    page.bitsPerPixel = window.bitsPerPixel;
    page.xResolution = window.xResolution;
    page.yResolution = window.yResolution;
    page.left = window.left;
    page.top = window.top;
    ImageSizeFromWindow(window, page.pixelsPerLine, page.lines);
    page.sheetWidth = sheet.setup.width;
    page.sheetLength = sheet.setup.length;
    page.mirror = window.mirror == 0x80;
    page.compression = window.compression;
    page.compressionArgument = window.compressionArgument;
    page.brightness = window.brightness;
    page.threshold = window.threshold;
    page.contrast = window.contrast;
    page.halftonePattern = window.halftonePattern;
    page.reverse = window.reverseImage == 0x80;
    page.gamma = window.gamma;
    page.autoThreshold = window.autoThreshold;
    page.whiteLevel = window.whiteLevel;
    page.noiseReduction = window.noiseReduction;
    page.emphasis = window.emphasis;
    const SubAreaState& subArea = scanner.subAreas[SideIndex(side)];
    if (subArea.set && window.composition != 2) {
        for (size_t i = 0; i < page.subAreas.size(); ++i)
            page.subAreas[i] = AreaRect{subArea.areas[i][0], subArea.areas[i][1], subArea.areas[i][2],
                                        subArea.areas[i][3]};
        page.subAreaComposition = subArea.composition;
        page.subAreaPattern = subArea.halftonePattern;
    }
    if (side == 0x00 && scanner.transportImprinted && ModelHasImprinter(scanner.model)) {
        page.imprint = ImprinterLine(scanner.imprinterData, scanner.transportPrintIndex, scanner.clock);
        page.imprintOffset = scanner.imprinterData.empty()
                                 ? 0
                                 : static_cast<uint32_t>(scanner.imprinterData[0] * 12000u / 254u);
    }
    page.document = side == 0x80 ? sheet.setup.back : sheet.setup.front;
    // A sheet printed from image files on one side only has a blank back.
    if (side == 0x80 && !sheet.setup.back && sheet.setup.front) page.document = BlankDocument();
    return page;
}

void InitDevice(VirtualDevice& device, const DeviceSetup& setup) {
    device.setup = setup;
    device.present = true;
    device.scanner = ScannerRuntime{};
    ScannerRuntime& scanner = device.scanner;
    if (const ModelInfo* model = FindModel(setup.model.c_str())) {
        scanner.model = *model;
        scanner.knownModel = true;
    } else {
        scanner.model = ModelInfo{"", 1, 0, 1};
    }
    scanner.clock = setup.clock;
    scanner.notReadyLeft = setup.notReadyPolls;
    scanner.notReadyKind = setup.notReadyKind;
    scanner.neverReady = setup.neverReady;
    LoadFeeder(scanner.feeder, setup);
    scanner.faults = ArmFaults(setup.faults);
}

void ExecuteCommand(VirtualDevice& device, ScsiExchange& exchange) {
    const uint8_t opcode = exchange.cdb[0];
    if (opcode == kInquiry) {
        Inquiry(device, exchange);
        return;
    }
    if (opcode == kRequestSense) {
        RequestSense(device, exchange);
        return;
    }
    if (device.setup.kind == DeviceKind::Scanner) {
        ScannerCommand(device, exchange);
        return;
    }
    if (opcode == kTestUnitReady) {
        Good(exchange);
        return;
    }
    Fail(device.scanner, exchange, Sense::InvalidOpcode);
}

}  // namespace vscan
