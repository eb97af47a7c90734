// Scenario files and the constant tables of the virtual scanner.
#include <gtest/gtest.h>

#include <cstring>
#include <set>

#include "vscanner/model_catalog.h"
#include "vscanner/scenario_catalog.h"
#include "vscanner/scenario_file.h"
#include "vscanner/sense.h"

TEST(VScannerScenarioFile, ParsesEveryKey) {
    const std::string text =
        "; a scanner on adapter 1 and a disk\n"
        "[Manager]\n"
        "Adapters=2\n"
        "State=Ready\n"
        "DelayMs=5\n"
        "CommandLog=/tmp/vs.log\n"
        "\n"
        "[Device scanner]\n"
        "Adapter=1\n"
        "Target=5\n"
        "Model=ZR-DX961s\n"
        "NotReady=2\n"
        "NotReadySense=DoorOpen\n"
        "Hopper=Letter, A4, 9:1000:2000\n"
        "ManualFeed=B5\n"
        "ManualFeedPolls=3\n"
        "Jam=1,4\n"
        "DoubleFeed=2\n"
        "Disappear=6\n"
        "TransferError=0:back:100\n"
        "[DEVICE2]\n"
        "type=disk\n"
        "adapter=0\n"
        "target=0\n"
        "vendor=\"DISKCO \"\n"
        "product=BIG\n";
    vscan::Scenario scenario;
    std::string error;
    ASSERT_TRUE(vscan::ParseScenario(text, scenario, error)) << error;
    EXPECT_EQ(scenario.adapterCount, 2);
    EXPECT_EQ(scenario.delayMs, 5u);
    EXPECT_EQ(scenario.logFile, "/tmp/vs.log");
    ASSERT_EQ(scenario.devices.size(), 2u);
    const vscan::DeviceSetup& scanner = scenario.devices[0];
    EXPECT_EQ(scanner.vendor, "T.S.E.  ");
    EXPECT_EQ(scanner.product, "ZR-DX961s");
    EXPECT_EQ(scanner.revision, "1.00");
    EXPECT_EQ(scanner.notReadyKind, vscan::NotReadyKind::DoorOpen);
    ASSERT_EQ(scanner.hopper.size(), 3u);
    EXPECT_EQ(scanner.hopper[1].paperSizeCode, 4);
    EXPECT_EQ(scanner.hopper[2].width, 1000u);
    EXPECT_EQ(scanner.manualSheets.size(), 1u);
    ASSERT_EQ(scanner.faults.size(), 5u);
    EXPECT_EQ(scanner.faults[4].kind, vscan::FaultKind::TransferError);
    EXPECT_EQ(scanner.faults[4].side, 0x80);
    EXPECT_EQ(scanner.faults[4].byteOffset, 100u);
    EXPECT_EQ(scenario.devices[1].kind, vscan::DeviceKind::Disk);
    EXPECT_EQ(scenario.devices[1].vendor, "DISKCO ");
}

TEST(VScannerScenarioFile, FormatThenParseGivesTheSameScenario) {
    vscan::Scenario scenario = vscan::DefaultScenario();
    scenario.adapterCount = 3;
    scenario.state = vscan::ManagerState::NotInitialised;
    scenario.devices[0].hopper.push_back(vscan::SheetSetup{9, 1234, 5678});
    scenario.devices[0].faults.push_back(vscan::FaultSetup{vscan::FaultKind::TransferError, 2, 0x80, 77});
    scenario.devices[0].faults.push_back(vscan::FaultSetup{vscan::FaultKind::Jam, 1, 0, 0});
    scenario.devices[0].clock = vscan::ScannerClock{2026, 12, 8, 23, 59, 1};
    scenario.devices[0].repeatPages = true;
    scenario.devices.push_back(vscan::MakeDevice(vscan::DeviceKind::CdRom, "OPTICO  ", "CD", 2, 7));
    const std::string text = vscan::FormatScenario(scenario);
    vscan::Scenario back;
    std::string error;
    ASSERT_TRUE(vscan::ParseScenario(text, back, error)) << error << "\n" << text;
    EXPECT_EQ(vscan::FormatScenario(back), text);
    EXPECT_EQ(back.state, vscan::ManagerState::NotInitialised);
    EXPECT_EQ(back.devices[0].hopper.back().length, 5678u);
    EXPECT_TRUE(back.devices[0].clock == scenario.devices[0].clock);
    EXPECT_TRUE(back.devices[0].repeatPages);
}

TEST(VScannerScenarioFile, ALongModelWithoutProductReadsBackFromItsFile) {
    vscan::Scenario scenario;
    std::string error;
    ASSERT_TRUE(vscan::ParseScenario("[Device1]\nModel=ZR-DX961s-PROTOTYPE-B\n", scenario, error))
        << error;
    EXPECT_EQ(scenario.devices[0].model, "ZR-DX961s-PROTOTYPE-B");
    EXPECT_EQ(scenario.devices[0].product, "ZR-DX961s-PROTOT");
    const std::string text = vscan::FormatScenario(scenario);
    vscan::Scenario back;
    ASSERT_TRUE(vscan::ParseScenario(text, back, error)) << error << "\n" << text;
    EXPECT_EQ(vscan::FormatScenario(back), text);
}

TEST(VScannerScenarioFile, RejectsMistakesWithTheLine) {
    struct Case {
        const char* text;
        const char* error;
    };
    const Case cases[] = {
        {"[Manager]\nAdapterz=1\n", "line 2"},
        {"[Manager]\nAdapters=256\n", "line 2"},
        {"[Dev]\n", "line 1"},
        {"[Device1]\nTarget=8\n", "line 2"},
        {"[Device1]\nHopper=A4,Tabloid\n", "line 2"},
        {"[Device1]\nTransferError=1:left:3\n", "line 2"},
        {"[Device1]\nVendor=TOOLONGVENDOR\n", "line 2"},
        {"[Manager\n", "line 1"},
        {"Adapters=1\n", "line 1"},
        {"[Device1]\nAdapter=0\n[Device2]\nAdapter=0\n", "two devices at adapter 0, target 0"},
        {"[Device1]\nClock=2026-13-01 00:00:00\n", "line 2"},
        {"[Device1]\nClock=2026-12-01\n", "line 2"},
    };
    for (const Case& c : cases) {
        vscan::Scenario scenario;
        std::string error;
        EXPECT_FALSE(vscan::ParseScenario(c.text, scenario, error)) << c.text;
        EXPECT_NE(error.find(c.error), std::string::npos) << error;
    }
}

TEST(VScannerTables, ModelsVendorsPapersAndSenseRowsAreWellFormed) {
    std::set<std::string> names;
    for (const vscan::ModelInfo& model : vscan::kModels) {
        EXPECT_TRUE(names.insert(model.name).second) << model.name;
        EXPECT_LE(std::strlen(model.name), 16u);
        EXPECT_LE(model.family, 2);
        EXPECT_TRUE(model.generation == 0 || model.generation == 1 || model.generation == 8);
    }
    EXPECT_EQ(names.size(), 16u);
    EXPECT_STREQ(vscan::kModels[0].name, "ZR-DX41");
    EXPECT_STREQ(vscan::kModels[15].name, "ZR-DXB600");
    for (const char* vendor : vscan::kScannerVendors) EXPECT_EQ(std::strlen(vendor), 8u);
    std::set<uint8_t> codes;
    for (const vscan::PaperInfo& paper : vscan::kPapers) EXPECT_TRUE(codes.insert(paper.code).second);
    for (size_t i = 0; i < vscan::kSenseRowCount; ++i) {
        EXPECT_EQ(static_cast<size_t>(vscan::kSenseTable[i].id), i) << "rows in the order of the ids";
        EXPECT_EQ(&vscan::SenseOf(vscan::kSenseTable[i].id), &vscan::kSenseTable[i]);
    }
    EXPECT_TRUE(vscan::ModelHasImprinter(*vscan::FindModel("ZR-DX960s")));
    EXPECT_FALSE(vscan::ModelHasImprinter(*vscan::FindModel("ZR-DX960")));
    EXPECT_EQ(vscan::WindowLimitFor(*vscan::FindModel("ZR-DX83")).maxWidth, 12094u);
    EXPECT_EQ(vscan::WindowLimitFor(*vscan::FindModel("ZR-DX72")).maxWidth, 10240u);
    EXPECT_EQ(vscan::WindowLimitFor(*vscan::FindModel("ZR-DX961s")).maxLength, 786420u);
}

TEST(VScannerScenarioFile, EveryNamedScenarioSurvivesItsFile) {
    std::set<std::string> names;
    for (const vscan::NamedScenario& entry : vscan::kNamedScenarios) {
        EXPECT_TRUE(names.insert(entry.name).second) << entry.name;
        const std::string text = vscan::FormatScenario(entry.build());
        vscan::Scenario back;
        std::string error;
        ASSERT_TRUE(vscan::ParseScenario(text, back, error)) << entry.name << ": " << error;
        EXPECT_EQ(vscan::FormatScenario(back), text) << entry.name;
    }
    EXPECT_EQ(vscan::FindNamedScenario("jam"), &vscan::kNamedScenarios[5]);
    EXPECT_EQ(vscan::FindNamedScenario("Jam"), nullptr);
}
