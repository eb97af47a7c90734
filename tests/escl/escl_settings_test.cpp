// The ScanSettings parser against well-formed, unsupported and hostile
// requests, and the capabilities document read back as a client reads it.
#include <gtest/gtest.h>

#include <pugixml.hpp>
#include <string>

#include "escl/escl_xml.h"
#include "escl/scan_settings.h"

namespace {

using escl::SettingsResult;

std::string Settings(const std::string& inner) {
    return "<?xml version=\"1.0\"?><scan:ScanSettings xmlns:scan=\"http://schemas.hp.com/imaging/escl/2011/05/03\" "
           "xmlns:pwg=\"http://www.pwg.org/schemas/2010/12/sm\">" +
           inner + "</scan:ScanSettings>";
}

std::string Region(const std::string& width, const std::string& height) {
    return "<pwg:ScanRegions><pwg:ScanRegion><pwg:ContentRegionUnits>escl:ThreeHundredthsOfInches"
           "</pwg:ContentRegionUnits><pwg:XOffset>0</pwg:XOffset><pwg:YOffset>0</pwg:YOffset><pwg:Width>" +
           width + "</pwg:Width><pwg:Height>" + height + "</pwg:Height></pwg:ScanRegion></pwg:ScanRegions>";
}

std::string Nested(int depth) {
    std::string text;
    for (int i = 0; i < depth; ++i) text += "<a>";
    for (int i = 0; i < depth; ++i) text += "</a>";
    return text;
}

std::string Repeated(const std::string& element, int count) {
    std::string text;
    for (int i = 0; i < count; ++i) text += element;
    return text;
}

struct SettingsCase {
    const char* name;
    std::string body;
    SettingsResult expected;
};

TEST(ScanSettings, RequestsAreAcceptedOrRefusedWithTheRightAnswer) {
    const SettingsCase cases[] = {
        {"empty body", "", SettingsResult::Malformed},
        {"not XML", "scan me", SettingsResult::Malformed},
        {"unclosed", Settings("<scan:ColorMode>Grayscale8"), SettingsResult::Malformed},
        {"another document", "<scan:ScannerStatus/>", SettingsResult::Malformed},
        {"bare settings", Settings(""), SettingsResult::Ok},
        {"unknown elements passed over", Settings("<scan:Intent>Document</scan:Intent><x:Other>1</x:Other>"),
         SettingsResult::Ok},
        {"platen", Settings("<pwg:InputSource>Platen</pwg:InputSource>"), SettingsResult::Unsupported},
        {"color", Settings("<scan:ColorMode>RGB24</scan:ColorMode>"), SettingsResult::Unsupported},
        {"tiff", Settings("<pwg:DocumentFormat>image/tiff</pwg:DocumentFormat>"), SettingsResult::Unsupported},
        {"unequal resolutions", Settings("<scan:XResolution>200</scan:XResolution><scan:YResolution>300</scan:YResolution>"),
         SettingsResult::Unsupported},
        {"negative resolution", Settings("<scan:XResolution>-200</scan:XResolution>"), SettingsResult::Malformed},
        {"zero resolution", Settings("<scan:XResolution>0</scan:XResolution>"), SettingsResult::Malformed},
        {"resolution beyond 32 bits", Settings("<scan:XResolution>99999999999999999999</scan:XResolution>"),
         SettingsResult::Malformed},
        {"resolution with garbage", Settings("<scan:XResolution>300dpi</scan:XResolution>"), SettingsResult::Malformed},
        {"duplex yes", Settings("<scan:Duplex>yes</scan:Duplex>"), SettingsResult::Malformed},
        {"region", Settings(Region("2480", "3508")), SettingsResult::Ok},
        {"region without height", Settings(Region("2480", "")), SettingsResult::Malformed},
        {"region of width 0", Settings(Region("0", "3508")), SettingsResult::Malformed},
        {"region beyond 100 inches", Settings(Region("4000000", "3508")), SettingsResult::Malformed},
        {"region in millimetres",
         Settings("<pwg:ScanRegions><pwg:ScanRegion><pwg:ContentRegionUnits>mm</pwg:ContentRegionUnits>"
                  "<pwg:Width>10</pwg:Width><pwg:Height>10</pwg:Height></pwg:ScanRegion></pwg:ScanRegions>"),
         SettingsResult::Unsupported},
        {"two regions", Settings("<pwg:ScanRegions>"
                                 "<pwg:ScanRegion><pwg:Width>9</pwg:Width><pwg:Height>9</pwg:Height></pwg:ScanRegion>"
                                 "<pwg:ScanRegion><pwg:Width>9</pwg:Width><pwg:Height>9</pwg:Height></pwg:ScanRegion>"
                                 "</pwg:ScanRegions>"),
         SettingsResult::Unsupported},
        {"nested just within the bound", Settings(Nested(escl::kMaxXmlDepth - 1)), SettingsResult::Ok},
        {"nested too deep", Settings(Nested(escl::kMaxXmlDepth)), SettingsResult::Malformed},
        {"nested ten thousand deep", Settings(Nested(10000)), SettingsResult::Malformed},
        {"too many elements", Settings(Repeated("<a/>", escl::kMaxXmlElements)), SettingsResult::Malformed},
        {"too long", Settings(std::string(escl::kMaxRequestBytes, ' ')), SettingsResult::Malformed},
        {"entity expansion",
         "<!DOCTYPE s [<!ENTITY a \"aaaaaaaaaa\"><!ENTITY b \"&a;&a;&a;&a;&a;&a;&a;&a;\">]>" +
             Settings("<scan:ColorMode>&b;</scan:ColorMode>"),
         SettingsResult::Unsupported},
        {"embedded zero byte", std::string("<scan:ScanSettings>\0</scan:ScanSettings>", 40), SettingsResult::Malformed},
    };
    for (const SettingsCase& c : cases) {
        escl::ScanSettings request;
        std::string why;
        EXPECT_EQ(escl::ParseScanSettings(c.body.data(), c.body.size(), request, why), c.expected) << c.name;
        EXPECT_EQ(why.empty(), c.expected == SettingsResult::Ok) << c.name << ": " << why;
    }
}

TEST(ScanSettings, ReadsWhatAClientAsksFor) {
    const std::string body = Settings(
        "<pwg:Version>2.0</pwg:Version>" + Region(" 960 ", "1200") +
        "<pwg:InputSource>Feeder</pwg:InputSource><scan:ColorMode>BlackAndWhite1</scan:ColorMode>"
        "<pwg:DocumentFormat>image/jpeg</pwg:DocumentFormat><scan:DocumentFormatExt>image/png</scan:DocumentFormatExt>"
        "<scan:XResolution>300</scan:XResolution><scan:Duplex>true</scan:Duplex>");
    escl::ScanSettings request;
    std::string why;
    ASSERT_EQ(escl::ParseScanSettings(body.data(), body.size(), request, why), SettingsResult::Ok) << why;
    EXPECT_EQ(request.colorMode, escl::ColorMode::BlackAndWhite1);
    EXPECT_EQ(request.format, escl::DocumentFormat::Png);  // the precise DocumentFormatExt wins
    EXPECT_TRUE(request.formatGiven);
    EXPECT_EQ(request.xResolution, 300u);
    EXPECT_EQ(request.yResolution, 300u);
    EXPECT_TRUE(request.duplex);
    EXPECT_EQ(request.width, 960u);
    EXPECT_EQ(request.height, 1200u);
}

TEST(ScannerCapabilities, TextIsEscapedAndEveryResolutionListedPerSide) {
    escl::ScannerDescription scanner;
    scanner.makeAndModel = "A & B <Scanner>";
    scanner.uuid = "u";
    scanner.resolutions = {200, 300};
    scanner.duplex = true;
    scanner.maxWidth = 3507;
    scanner.maxHeight = 5090;
    scanner.formats = {escl::DocumentFormat::Png};
    pugi::xml_document document;
    ASSERT_TRUE(document.load_string(escl::CapabilitiesXml(scanner).c_str()));
    const pugi::xml_node root = document.child("scan:ScannerCapabilities");
    EXPECT_STREQ(root.child_value("pwg:MakeAndModel"), "A & B <Scanner>");
    for (const char* side : {"scan:AdfSimplexInputCaps", "scan:AdfDuplexInputCaps"}) {
        const pugi::xml_node caps = root.child("scan:Adf").child(side);
        ASSERT_TRUE(caps) << side;
        EXPECT_STREQ(caps.child_value("scan:MaxHeight"), "5090");
        EXPECT_EQ(caps.select_nodes(".//scan:DiscreteResolution").size(), 2u) << side;
        EXPECT_EQ(caps.select_nodes(".//scan:ColorMode").size(), 2u) << side;
    }
}

}  // namespace
