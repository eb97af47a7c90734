// The virtual scanner's commands: INQUIRY, TEST UNIT READY, SET WINDOW and the
// sub-area window, the three READ data types, the vendor operations and the
// command log.
#include <gtest/gtest.h>

#include "vscanner_client.h"

using namespace vstest;

namespace {

constexpr uint8_t kHa = 1;
constexpr uint8_t kTarget = 5;

vscan::Scenario OneScanner(const std::string& model, std::vector<std::string> papers = {"Letter"}) {
    vscan::Scenario scenario;
    scenario.adapterCount = 2;
    vscan::DeviceSetup scanner = vscan::MakeScanner(model, kHa, kTarget);
    for (const std::string& paper : papers) scanner.hopper.push_back(vscan::MakeSheet(paper));
    scenario.devices.push_back(scanner);
    return scenario;
}

Reply Send(const std::vector<uint8_t>& cdb, const std::vector<uint8_t>& out = {}, uint32_t in = 0) {
    return Exec(kHa, kTarget, cdb, out, in);
}

Reply SetWindow(const WindowFields& fields) { return Send(SetWindowCdb(), WindowList(fields)); }

void ExpectSense(const Reply& reply, uint8_t key, uint8_t asc, uint8_t ascq, const char* what = "") {
    EXPECT_EQ(reply.status, SS_ERR) << what;
    EXPECT_EQ(reply.targetStatus, STATUS_CHKCOND) << what;
    EXPECT_EQ(reply.senseByte2 & 0x0F, key) << what;
    EXPECT_EQ(reply.asc, asc) << what;
    EXPECT_EQ(reply.ascq, ascq) << what;
}

void ExpectGood(const Reply& reply, const char* what = "") {
    EXPECT_EQ(reply.status, SS_COMP) << what;
    EXPECT_EQ(reply.targetStatus, STATUS_GOOD) << what;
}

const std::vector<uint8_t> kTestUnitReady = {0, 0, 0, 0, 0, 0};

}  // namespace

TEST(VScannerDevice, InquiryReportsTypeVendorPaddedProductAndRevision) {
    vscan::Scenario scenario = OneScanner("ZR-DX73PX");
    scenario.devices.push_back(vscan::MakeDevice(vscan::DeviceKind::CdRom, "OPTICO", "CD-R", 0, 2));
    vscan::InstallScenario(scenario);
    const Reply scanner = Exec(kHa, kTarget, {0x12, 0, 0, 0, 96, 0}, {}, 96);
    ExpectGood(scanner);
    EXPECT_EQ(scanner.data[0], 0x06);
    EXPECT_EQ(std::string(scanner.data.begin() + 8, scanner.data.begin() + 16), "T.S.E.  ");
    EXPECT_EQ(std::string(scanner.data.begin() + 16, scanner.data.begin() + 32), "ZR-DX73PX       ");
    EXPECT_EQ(std::string(scanner.data.begin() + 32, scanner.data.begin() + 36), "1.00");

    const Reply cdrom = Exec(0, 2, {0x12, 0, 0, 0, 36, 0}, {}, 96);
    ExpectGood(cdrom);
    EXPECT_EQ(cdrom.data[0], 0x05);
    EXPECT_EQ(cdrom.data[1], 0x80);
    EXPECT_EQ(std::string(cdrom.data.begin() + 8, cdrom.data.begin() + 16), "OPTICO  ");
    EXPECT_EQ(cdrom.data[36], 0) << "only the 36 bytes asked for are written";
}

TEST(VScannerDevice, TestUnitReadySequences) {
    struct Case {
        uint32_t polls;
        vscan::NotReadyKind kind;
        bool never;
        uint8_t asc, ascq;
        int notReadyAnswers;  // -1: never ready
    };
    const Case cases[] = {
        {0, vscan::NotReadyKind::BecomingReady, false, 0, 0, 0},
        {2, vscan::NotReadyKind::BecomingReady, false, 0x04, 0x01, 2},
        {3, vscan::NotReadyKind::DoorOpen, false, 0x04, 0x80, 3},
        {0, vscan::NotReadyKind::NotReady, true, 0x00, 0x00, -1},
    };
    for (const Case& c : cases) {
        vscan::Scenario scenario = OneScanner("ZR-DX41");
        scenario.devices[0].notReadyPolls = c.polls;
        scenario.devices[0].notReadyKind = c.kind;
        scenario.devices[0].neverReady = c.never;
        vscan::InstallScenario(scenario);
        const int notReady = c.notReadyAnswers < 0 ? 6 : c.notReadyAnswers;
        for (int i = 0; i < notReady; ++i) ExpectSense(Send(kTestUnitReady), 2, c.asc, c.ascq);
        if (c.notReadyAnswers >= 0) ExpectGood(Send(kTestUnitReady));
    }
}

TEST(VScannerDevice, SetWindowValidation) {
    struct Case {
        const char* what;
        const char* model;
        WindowFields fields;
        uint32_t cdbLength;
        uint8_t key, asc, ascq;  // key 0: GOOD
    };
    auto with = [](auto change) {
        WindowFields fields;
        change(fields);
        return fields;
    };
    const Case cases[] = {
        {"front window", "ZR-DX40", WindowFields{}, 72, 0, 0, 0},
        {"back window, duplex model", "ZR-DX41", with([](WindowFields& f) { f.id = 0x80; }), 72, 0, 0, 0},
        {"back window, no back unit", "ZR-DX40", with([](WindowFields& f) { f.id = 0x80; }), 72, 5, 0x2C, 0x81},
        {"unknown window id", "ZR-DX41", with([](WindowFields& f) { f.id = 0x01; }), 72, 5, 0x26, 0},
        {"descriptor length 63", "ZR-DX41", with([](WindowFields& f) { f.descriptorLength = 63; }), 72, 5, 0x26, 0},
        {"list length 71", "ZR-DX41", WindowFields{}, 71, 5, 0x1A, 0},
        {"list length 88", "ZR-DX41", WindowFields{}, 88, 5, 0x1A, 0},
        {"resolution 0", "ZR-DX41", with([](WindowFields& f) { f.resolution = 0; }), 72, 5, 0x26, 0},
        {"resolution 1200", "ZR-DX41", with([](WindowFields& f) { f.resolution = 1200; }), 72, 5, 0x26, 0},
        {"width 0", "ZR-DX41", with([](WindowFields& f) { f.width = 0; }), 72, 5, 0x26, 0},
        {"wider than letter class", "ZR-DX41", with([](WindowFields& f) { f.width = 10241; }), 72, 5, 0x26, 0},
        {"A3 width on A3 class", "ZR-DX961", with([](WindowFields& f) { f.width = 14064; }), 72, 0, 0, 0},
        {"longer than the limit", "ZR-DX83", with([](WindowFields& f) { f.length = 17281; }), 72, 5, 0x26, 0},
        {"composition 3", "ZR-DX41", with([](WindowFields& f) { f.composition = 3; }), 72, 5, 0x26, 0},
        {"bi-level with 4 bits", "ZR-DX41", with([](WindowFields& f) { f.bitsPerPixel = 4; }), 72, 5, 0x26, 0},
        {"gray with 1 bit", "ZR-DX41", with([](WindowFields& f) { f.composition = 2; }), 72, 5, 0x26, 0},
        {"gray 4 bit", "ZR-DX41", with([](WindowFields& f) { f.composition = 2; f.bitsPerPixel = 4; }), 72, 0, 0, 0},
        {"G4 bi-level", "ZR-DX41", with([](WindowFields& f) { f.compression = 3; }), 72, 0, 0, 0},
        {"compression type 4", "ZR-DX41", with([](WindowFields& f) { f.compression = 4; }), 72, 5, 0x26, 0},
        {"G3 gray", "ZR-DX41", with([](WindowFields& f) { f.composition = 2; f.bitsPerPixel = 8; f.compression = 1; }), 72, 5, 0x26, 0},
    };
    for (const Case& c : cases) {
        vscan::InstallScenario(OneScanner(c.model));
        std::vector<uint8_t> list = WindowList(c.fields);
        list.resize(std::max<size_t>(c.cdbLength, list.size()));
        const Reply reply = Send(SetWindowCdb(c.cdbLength), list);
        if (c.key == 0) {
            ExpectGood(reply, c.what);
        } else {
            ExpectSense(reply, c.key, c.asc, c.ascq, c.what);
        }
    }
}

TEST(VScannerDevice, SetWindowWithoutDataDropsTheWindowsAndStopsTheFeed) {
    vscan::InstallScenario(OneScanner("ZR-DX41", {"Letter", "A4"}));
    ExpectGood(SetWindow(WindowFields{}));
    ExpectGood(Send(ReadCdb(0, 0x00, 0)));  // feeds the first sheet
    ExpectGood(Send(SetWindowCdb(0)));
    ExpectSense(Send(Cdb10(0x28, 0x80, 0x00, 16), {}, 16), 5, 0x2C, 0x02);
    ExpectSense(Send(ReadCdb(0, 0x00, 100), {}, 100), 5, 0x2C, 0x02);
    // A new batch numbers its sheets from 0 again and starts with the next sheet.
    ExpectGood(SetWindow(WindowFields{}));
    ExpectGood(Send(ReadCdb(0, 0x00, 0)));
    const auto snapshot = vscan::DeviceSnapshot(kHa, kTarget);
    ASSERT_TRUE(snapshot.has_value());
    EXPECT_EQ(snapshot->scanner.feeder.transport.number, 1u);
    EXPECT_TRUE(snapshot->scanner.feeder.hopper.empty());
}

TEST(VScannerDevice, SubAreaWindow) {
    vscan::InstallScenario(OneScanner("ZR-DX41"));
    ExpectSense(Send(SubAreaCdb(), SubAreaList(0x00, 0, 0, 1200, 1200)), 5, 0x2C, 0x02, "no window yet");
    ExpectGood(SetWindow(WindowFields{}));
    ExpectGood(Send(SubAreaCdb(), SubAreaList(0x00, 1200, 1200, 2400, 2400, 1)));
    ExpectGood(Send(SubAreaCdb(), SubAreaList(0x00, 0, 0, 0, 0)), "no area at all");
    ExpectSense(Send(SubAreaCdb(80), SubAreaList(0x00, 0, 0, 10, 10)), 5, 0x1A, 0x00);
    ExpectSense(Send(SubAreaCdb(), SubAreaList(0x00, 0, 0, 10, 10, 0, 64)), 5, 0x26, 0x00);
    ExpectSense(Send(SubAreaCdb(), SubAreaList(0x00, 9000, 0, 1000, 10)), 5, 0x26, 0x00, "past the edge");
    ExpectSense(Send(SubAreaCdb(), SubAreaList(0x00, 0, 0, 10, 10, 2)), 5, 0x26, 0x00, "gray area");
    ExpectSense(Send(SubAreaCdb(), SubAreaList(0x80, 0, 0, 10, 10)), 5, 0x2C, 0x02, "no back window");
    const auto snapshot = vscan::DeviceSnapshot(kHa, kTarget);
    EXPECT_TRUE(snapshot->scanner.subAreas[0].set);
    EXPECT_EQ(snapshot->scanner.subAreas[0].areas[0][0], 0u);
}

TEST(VScannerDevice, ImageSizeReplyRoundsToTheNearestPixel) {
    struct Case {
        uint16_t resolution;
        uint32_t width, length;
        uint8_t composition, bits;
        uint32_t pixels, lines, bytesPerLine;
    };
    const Case cases[] = {
        {300, 9984, 14032, 0, 1, 2496, 3508, 312},
        {360, 106, 1200, 2, 8, 32, 360, 32},       // 32 pixels: 106.67 units sent as 106
        {200, 10176, 16800, 2, 4, 1696, 2800, 848},
        {240, 5, 5, 0, 1, 1, 1, 1},
    };
    for (const Case& c : cases) {
        vscan::InstallScenario(OneScanner("ZR-DX41"));
        WindowFields fields;
        fields.resolution = c.resolution;
        fields.width = c.width;
        fields.length = c.length;
        fields.composition = c.composition;
        fields.bitsPerPixel = c.bits;
        ExpectGood(SetWindow(fields));
        const Reply reply = Send(Cdb10(0x28, 0x80, 0x00, 16), {}, 16);
        ExpectGood(reply);
        const std::vector<uint8_t> expected = {
            uint8_t(c.pixels >> 24), uint8_t(c.pixels >> 16), uint8_t(c.pixels >> 8), uint8_t(c.pixels),
            uint8_t(c.lines >> 24),  uint8_t(c.lines >> 16),  uint8_t(c.lines >> 8),  uint8_t(c.lines),
            0, 0, uint8_t(c.bytesPerLine >> 8), uint8_t(c.bytesPerLine), 0, 0, 0, 0};
        EXPECT_EQ(reply.data, expected) << c.resolution << " dpi";
    }
}

TEST(VScannerDevice, StatusReplyShowsPaperAndTheTopSheetsCode) {
    struct Case {
        std::vector<std::string> papers;
        uint8_t byte0;
    };
    const Case cases[] = {{{"A4", "Letter"}, 0x24}, {{"B4"}, 0x2C}, {{"Ledger"}, 0x20}, {{}, 0x00}};
    for (const Case& c : cases) {
        vscan::InstallScenario(OneScanner("ZR-DX961", c.papers));
        const Reply reply = Send(Cdb10(0x28, 0x81, 0, 6), {}, 6);
        ExpectGood(reply);
        EXPECT_EQ(reply.data, (std::vector<uint8_t>{c.byte0, 0, 0, 0, 0, 0}));
    }
}

TEST(VScannerDevice, RepliesAskedForWithLengthZeroNeedNoBuffer) {
    vscan::InstallScenario(OneScanner("ZR-DX41"));
    ExpectGood(SetWindow(WindowFields{}));
    const std::vector<std::vector<uint8_t>> cdbs = {
        {0x12, 0, 0, 0, 0, 0}, {0x03, 0, 0, 0, 0, 0}, Cdb10(0x28, 0x80, 0, 0), Cdb10(0x28, 0x81, 0, 0)};
    for (const std::vector<uint8_t>& cdb : cdbs) ExpectGood(Send(cdb), "no data asked for");
}

TEST(VScannerDevice, PageReadInChunksEndsWithEndOfMedium) {
    vscan::InstallScenario(OneScanner("ZR-DX41", {"Letter", "A4"}));
    WindowFields fields;
    fields.resolution = 200;
    fields.width = 10176;
    fields.length = 13200;
    fields.composition = 2;
    fields.bitsPerPixel = 8;
    ExpectGood(SetWindow(fields));
    const std::vector<uint8_t> expected =
        vscan::ExpectedPage("ZR-DX41", WindowStateOf(fields), 0, vscan::MakeSheet("Letter"), 0x00);
    ASSERT_EQ(expected.size(), 1696u * 2200u);

    // As the source reads: chunks of 32768, the last asking for 2 bytes more.
    std::vector<uint8_t> delivered;
    int64_t remaining = static_cast<int64_t>(expected.size()) + 2;
    Reply last;
    while (remaining > 0) {
        const uint32_t chunk = static_cast<uint32_t>(std::min<int64_t>(remaining, 32768));
        remaining -= chunk;
        last = Send(ReadCdb(0, 0x00, chunk), {}, chunk);
        const size_t got = last.targetStatus == STATUS_CHKCOND ? chunk - last.residue : chunk;
        delivered.insert(delivered.end(), last.data.begin(), last.data.begin() + static_cast<long>(got));
        if (last.targetStatus != STATUS_GOOD) break;
    }
    EXPECT_EQ(remaining, 0);
    ExpectSense(last, 0, 0, 0);
    EXPECT_EQ(last.senseByte2, 0x40) << "EOM";
    EXPECT_EQ(last.residue, 2u);
    EXPECT_EQ(delivered, expected);
    // Another READ of the finished side ends at once, with nothing delivered.
    const Reply again = Send(ReadCdb(0, 0x00, 0));
    EXPECT_EQ(again.senseByte2, 0x40);
}

TEST(VScannerDevice, ExactLengthReadIsGoodAndTheZeroLengthReadAfterItEndsThePage) {
    vscan::InstallScenario(OneScanner("ZR-DX41"));
    WindowFields fields;
    fields.width = 1200;
    fields.length = 400;  // 300 pixels (38 bytes) by 100 lines
    ExpectGood(SetWindow(fields));
    ExpectGood(Send(ReadCdb(0, 0x00, 3800), {}, 3800));
    const Reply end = Send(ReadCdb(0, 0x00, 0));
    EXPECT_EQ(end.targetStatus, STATUS_CHKCOND);
    EXPECT_EQ(end.senseByte2, 0x40);
}

TEST(VScannerDevice, ZeroLengthReadOfTheNextSheetTellsWhetherPaperIsThere) {
    vscan::InstallScenario(OneScanner("ZR-DX41", {"Letter", "Letter"}));
    WindowFields fields;
    fields.width = 1200;
    fields.length = 400;
    ExpectGood(SetWindow(fields));
    EXPECT_EQ(Send(ReadCdb(0, 0x00, 3802), {}, 3802).senseByte2, 0x40) << "first page read";
    ExpectGood(Send(ReadCdb(1, 0x00, 0)), "second sheet fed");
    ExpectSense(Send(ReadCdb(3, 0x00, 0)), 5, 0x24, 0x00, "sheets cannot be skipped");
    ExpectSense(Send(ReadCdb(2, 0x00, 0)), 3, 0x3A, 0x00, "feeder empty");
}

TEST(VScannerDevice, DuplexSheetHasDifferentFrontAndBack) {
    vscan::InstallScenario(OneScanner("ZR-DX961", {"A4"}));
    WindowFields front;
    front.width = 1600;
    front.length = 1200;
    WindowFields back = front;
    back.id = 0x80;
    ExpectGood(SetWindow(front));
    ExpectGood(SetWindow(back));
    // 400 pixels (50 bytes) by 300 lines: 15000 bytes a side.
    const Reply frontPage = Send(ReadCdb(0, 0x00, 15002), {}, 15002);
    const Reply backPage = Send(ReadCdb(0, 0x80, 15002), {}, 15002);
    for (const Reply* page : {&frontPage, &backPage}) {
        EXPECT_EQ(page->senseByte2, 0x40);
        EXPECT_EQ(page->residue, 2u);
    }
    EXPECT_NE(frontPage.data, backPage.data);
    const auto expectedBack =
        vscan::ExpectedPage("ZR-DX961", WindowStateOf(back), 0, vscan::MakeSheet("A4"), 0x80);
    ASSERT_EQ(expectedBack.size(), 15000u);
    EXPECT_TRUE(std::equal(expectedBack.begin(), expectedBack.end(), backPage.data.begin()));
}

TEST(VScannerDevice, FeedFaults) {
    struct Case {
        vscan::FaultKind kind;
        uint8_t key, asc, ascq;
    };
    const Case cases[] = {
        {vscan::FaultKind::Jam, 3, 0x80, 0x01},
        {vscan::FaultKind::DoubleFeed, 3, 0x80, 0x0D},
    };
    for (const Case& c : cases) {
        vscan::Scenario scenario = OneScanner("ZR-DX961", {"A4", "A4", "A4"});
        scenario.devices[0].faults.push_back(vscan::FaultSetup{c.kind, 1, 0, 0});
        vscan::InstallScenario(scenario);
        ExpectGood(SetWindow(WindowFields{}));
        ExpectGood(Send(ReadCdb(0, 0x00, 0)));
        ExpectSense(Send(ReadCdb(1, 0x00, 32768), {}, 32768), c.key, c.asc, c.ascq);
        // The sheet is out of the feeder; a new batch goes on with the third.
        ExpectGood(Send(SetWindowCdb(0)));
        ExpectGood(SetWindow(WindowFields{}));
        ExpectGood(Send(ReadCdb(0, 0x00, 0)));
        EXPECT_EQ(vscan::DeviceSnapshot(kHa, kTarget)->scanner.feeder.transport.number, 2u);
    }
}

TEST(VScannerDevice, TransferErrorInTheMiddleOfAPage) {
    vscan::Scenario scenario = OneScanner("ZR-DX41", {"Letter"});
    scenario.devices[0].faults.push_back(vscan::FaultSetup{vscan::FaultKind::TransferError, 0, 0x00, 40000});
    vscan::InstallScenario(scenario);
    ExpectGood(SetWindow(WindowFields{}));
    ExpectGood(Send(ReadCdb(0, 0x00, 32768), {}, 32768));
    ExpectSense(Send(ReadCdb(0, 0x00, 32768), {}, 32768), 0x0B, 0x80, 0x01);
    // The fault fires once: the page goes on where it stopped.
    ExpectGood(Send(ReadCdb(0, 0x00, 32768), {}, 32768));
}

TEST(VScannerDevice, DeviceDisappearsWhenItsSheetIsFed) {
    vscan::Scenario scenario = OneScanner("ZR-DX41", {"Letter", "Letter"});
    scenario.devices[0].faults.push_back(vscan::FaultSetup{vscan::FaultKind::Disappear, 1, 0, 0});
    vscan::InstallScenario(scenario);
    ExpectGood(SetWindow(WindowFields{}));
    ExpectGood(Send(ReadCdb(0, 0x00, 0)));
    EXPECT_EQ(Send(ReadCdb(1, 0x00, 0)).status, SS_NO_DEVICE);
    EXPECT_EQ(Send(kTestUnitReady).status, SS_NO_DEVICE);
    EXPECT_EQ(Exec(kHa, kTarget, {0x12, 0, 0, 0, 96, 0}, {}, 96).status, SS_NO_DEVICE);
}

TEST(VScannerDevice, ManualSheetsArriveAfterStatusPolls) {
    vscan::Scenario scenario = OneScanner("ZR-DX961", {});
    scenario.devices[0].manualSheets = {vscan::MakeSheet("A5"), vscan::MakeSheet("B5")};
    scenario.devices[0].manualFeedPolls = 2;
    vscan::InstallScenario(scenario);
    std::vector<uint8_t> seen;
    for (int i = 0; i < 4; ++i) seen.push_back(Send(Cdb10(0x28, 0x81, 0, 6), {}, 6).data[0]);
    EXPECT_EQ(seen, (std::vector<uint8_t>{0x00, 0x00, 0x25, 0x25}));
    ExpectGood(SetWindow(WindowFields{}));
    ExpectGood(Send(ReadCdb(0, 0x00, 0)));
    ExpectSense(Send(ReadCdb(1, 0x00, 0)), 3, 0x3A, 0x00);
    for (int i = 0; i < 3; ++i) seen.push_back(Send(Cdb10(0x28, 0x81, 0, 6), {}, 6).data[0]);
    EXPECT_EQ(seen.back(), 0x2D);
}

TEST(VScannerDevice, VendorOperations) {
    vscan::InstallScenario(OneScanner("ZR-DX961s"));
    ExpectGood(Send({0xE1, 0, 7, 0, 0, 0, 0, 0, 0, 0}));
    std::vector<uint8_t> imprinter = {0x10, 0, 0, 0, 0, 0, 0, 'A', 'B'};
    ExpectGood(Send(Cdb10(0xE4, 0, 0, 9), imprinter));
    ExpectSense(Send(Cdb10(0xE4, 0, 0, 6), std::vector<uint8_t>(6)), 5, 0x1A, 0x00);
    auto snapshot = vscan::DeviceSnapshot(kHa, kTarget);
    EXPECT_EQ(snapshot->scanner.vendorE1Mode, 7);
    EXPECT_EQ(snapshot->scanner.imprinterData, imprinter);

    vscan::InstallScenario(OneScanner("ZR-DX961"));
    ExpectSense(Send(Cdb10(0xE4, 0, 0, 9), imprinter), 5, 0x2C, 0x82, "no imprinter");
    ExpectSense(Send({0xD5, 0, 0, 0, 0, 0, 0, 0, 0, 0}), 5, 0x20, 0x00, "unknown operation");
}

TEST(VScannerDevice, CommandLogHoldsEveryCommandWithItsDataAndResult) {
    vscan::InstallScenario(OneScanner("ZR-DX41", {}));
    ExpectGood(Send(kTestUnitReady));
    const std::vector<uint8_t> list = WindowList(WindowFields{});
    ExpectGood(Send(SetWindowCdb(), list));
    ExpectSense(Send(ReadCdb(0, 0x00, 0)), 3, 0x3A, 0x00);
    Exec(kHa, 2, kTestUnitReady);
    const std::vector<vscan::LoggedCommand> log = vscan::CommandLog();
    ASSERT_EQ(log.size(), 4u);
    EXPECT_EQ(log[0].cdb, kTestUnitReady);
    EXPECT_EQ(log[1].cdb, SetWindowCdb());
    EXPECT_EQ(log[1].dataOut, list);
    EXPECT_EQ(log[2].aspiStatus, SS_ERR);
    EXPECT_EQ(log[2].targetStatus, STATUS_CHKCOND);
    EXPECT_EQ(log[2].senseKey, 3);
    EXPECT_EQ(log[2].asc, 0x3A);
    EXPECT_EQ(log[3].target, 2);
    EXPECT_EQ(log[3].aspiStatus, SS_NO_DEVICE);
    EXPECT_EQ(vscan::FormatLoggedCommand(log[2]),
              "ha=1 tgt=5 lun=0 cdb=28 00 00 00 00 00 00 00 00 00 status=04 targ=02 "
              "sense=03/3A/00 in=0 out=-");
    vscan::ClearCommandLog();
    EXPECT_TRUE(vscan::CommandLog().empty());
}
