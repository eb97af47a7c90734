// The built KORVEX32.ds through Wine's TWAIN_32.DLL, as an imaging application
// with a window meets it: listed beside Wine's own source, opened with the
// sparse record an application hands over (the source still answers its own
// identity), negotiated, refused with the message the user sees, and closed.
#include <cstring>
#include <vector>

#include "tests/win32/e2e/wine_twain_app.h"

namespace {

// The source's identity as MSG_GET answers it before any open.
TW_IDENTITY ExpectedIdentity() {
    TW_IDENTITY identity{};
    identity.Version.MajorNum = 3;
    identity.Version.MinorNum = 30;
    identity.Version.Language = TWLG_USA;
    identity.Version.Country = TWCY_USA;
    std::strcpy(identity.Version.Info, "July.23.1998");
    identity.ProtocolMajor = 1;
    identity.ProtocolMinor = 5;
    identity.SupportedGroups = DG_CONTROL | DG_IMAGE;
    std::strcpy(identity.Manufacturer, "Tessaly Scanning Equipment");
    std::strcpy(identity.ProductFamily, "Orvantica High Speed Scanner");
    std::strcpy(identity.ProductName, kKorvexProductName);
    return identity;
}

// Compares everything but the Id.
bool SameIdentity(const TW_IDENTITY& a, const TW_IDENTITY& b) {
    return std::memcmp(&a.Version, &b.Version, sizeof(TW_IDENTITY) - offsetof(TW_IDENTITY, Version)) == 0;
}

class WineManager : public WineTwainTest {};

TEST_F(WineManager, ListsTheSourceWithItsIdentity) {
    ASSERT_EQ(OpenManager(), TWRC_SUCCESS);
    std::vector<TW_IDENTITY> sources = ListSources();
    ASSERT_FALSE(sources.empty());
    EXPECT_TRUE(SameIdentity(sources.front(), ExpectedIdentity())) << sources.front().ProductName;
    EXPECT_EQ(ConditionOf(nullptr), TWCC_SUCCESS);
    EXPECT_EQ(CloseManager(), TWRC_SUCCESS);
    EXPECT_TRUE(TakeMessageBoxes().empty());
}

// The application asks for the default source, for ours by name, or for a
// name Wine's manager does not know (it then opens its first source, ours).
TEST_F(WineManager, AnOpenedSourceAnswersItsOwnIdentity) {
    ASSERT_EQ(OpenManager(), TWRC_SUCCESS);
    for (const char* asked : {"", kKorvexProductName, "Nope"}) {
        SCOPED_TRACE(asked);
        TW_IDENTITY source{};
        ASSERT_EQ(OpenSource(source, asked), TWRC_SUCCESS);
        EXPECT_NE(source.Id, 0u);
        EXPECT_TRUE(SameIdentity(source, ExpectedIdentity())) << "record after open: " << source.ProductName;

        TW_IDENTITY answered{};
        ASSERT_EQ(Dsm(&source, DG_CONTROL, DAT_IDENTITY, MSG_GET, &answered), TWRC_SUCCESS);
        EXPECT_EQ(answered.Id, source.Id);
        EXPECT_TRUE(SameIdentity(answered, ExpectedIdentity())) << answered.ProductName;

        // The message loop runs with the source open; nothing is announced.
        EXPECT_FALSE(PumpUntil([] { return false; }, 100));
        EXPECT_TRUE(TakeSourceMessages().empty());
        EXPECT_EQ(CloseSource(source), TWRC_SUCCESS);
    }
    EXPECT_TRUE(TakeMessageBoxes().empty());
}

TEST_F(WineManager, NegotiatesThroughTheManager) {
    ASSERT_EQ(OpenManager(), TWRC_SUCCESS);
    TW_IDENTITY source{};
    ASSERT_EQ(OpenSource(source, kKorvexProductName), TWRC_SUCCESS);

    ASSERT_EQ(SetOneValue(source, ICAP_XRESOLUTION, TWTY_FIX32, 200), TWRC_SUCCESS);
    ASSERT_EQ(SetOneValue(source, ICAP_PIXELTYPE, TWTY_UINT16, TWPT_GRAY), TWRC_SUCCESS);
    ASSERT_EQ(SetOneValue(source, ICAP_BITDEPTH, TWTY_UINT16, 4), TWRC_SUCCESS);
    ASSERT_EQ(SetOneValue(source, ICAP_BRIGHTNESS, TWTY_FIX32, 500), TWRC_SUCCESS);
    ASSERT_EQ(SetOneValue(source, CAP_XFERCOUNT, TWTY_INT16, 2), TWRC_SUCCESS);

    EXPECT_EQ(Get(source, MSG_GETCURRENT, ICAP_XRESOLUTION), OneValueBytes(TWTY_FIX32, 200));
    EXPECT_EQ(Get(source, MSG_GETCURRENT, ICAP_YRESOLUTION), OneValueBytes(TWTY_FIX32, 200));
    EXPECT_EQ(Get(source, MSG_GETCURRENT, ICAP_PIXELTYPE), OneValueBytes(TWTY_UINT16, TWPT_GRAY));
    EXPECT_EQ(Get(source, MSG_GETCURRENT, ICAP_BITDEPTH), OneValueBytes(TWTY_UINT16, 4));
    EXPECT_EQ(Get(source, MSG_GETCURRENT, ICAP_BRIGHTNESS), OneValueBytes(TWTY_FIX32, 496));
    EXPECT_EQ(Get(source, MSG_GETCURRENT, CAP_XFERCOUNT), OneValueBytes(TWTY_INT16, 2));
    TW_UINT16 conType = 0;
    EXPECT_EQ(Get(source, MSG_GET, ICAP_BITDEPTH, &conType),
              (std::vector<uint8_t>{4, 0, 2, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 8, 0, 4, 0, 0}));
    EXPECT_EQ(conType, TWON_ENUMERATION);

    // A refusal reaches the application with the source's condition code.
    EXPECT_EQ(SetOneValue(source, CAP_XFERCOUNT, TWTY_INT16, 0), TWRC_FAILURE);
    EXPECT_EQ(ConditionOf(&source), TWCC_BADVALUE);
    EXPECT_EQ(CloseSource(source), TWRC_SUCCESS);
    EXPECT_TRUE(TakeMessageBoxes().empty());
}

TEST_F(WineManager, FailedOpensShowTheirMessageAndLeaveTheSourceClosed) {
    struct Case {
        const char* what;
        const char* manager;
        const char* devices;
        const char* message;
    };
    const Case cases[] = {
        {"no scanner", "Adapters=2\n",
         "[Device disk]\nType=Disk\nAdapter=1\nTarget=5\nVendor=DISKCO\nProduct=ZR-DX961s\n",
         "No Target Device !!"},
        {"foreign vendor", "Adapters=1\n",
         "[Device scanner]\nAdapter=0\nTarget=5\nModel=ZR-DX961s\nVendor=OTHERCO\n",
         "No Target Device !!"},
        {"manager not initialised", "Adapters=1\nState=NotInitialised\n",
         "[Device scanner]\nAdapter=0\nTarget=0\nModel=ZR-DX961s\n",
         "ASPI for Windows is not initialized !!"},
    };
    ASSERT_EQ(OpenManager(), TWRC_SUCCESS);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        WriteScenario(c.manager, c.devices);
        TW_IDENTITY source{};
        EXPECT_EQ(OpenSource(source, kKorvexProductName), TWRC_FAILURE);
        // Wine's manager reports every refused open as an operation error.
        EXPECT_EQ(ConditionOf(nullptr), TWCC_OPERATIONERROR);
        const std::vector<RecordedBox> boxes = TakeMessageBoxes();
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].text, c.message);
        EXPECT_EQ(boxes[0].caption, "Source Message");
        // MB_TASKMODAL is not visible on a shown box.
        EXPECT_EQ(boxes[0].style, plat::MB_OK | plat::MB_ICONEXCLAMATION);
    }
    // The refusals left the source closed: with a scanner on the bus it opens.
    WriteScenario("Adapters=1\n", "[Device scanner]\nAdapter=0\nTarget=3\nModel=ZR-DX961s\n");
    TW_IDENTITY source{};
    EXPECT_EQ(OpenSource(source, kKorvexProductName), TWRC_SUCCESS);
    EXPECT_EQ(CloseSource(source), TWRC_SUCCESS);
    EXPECT_TRUE(TakeMessageBoxes().empty());
}

TEST_F(WineManager, ClosingTwiceIsRefusedAndTheSourceOpensAgain) {
    ASSERT_EQ(OpenManager(), TWRC_SUCCESS);
    TW_IDENTITY source{};
    ASSERT_EQ(OpenSource(source, kKorvexProductName), TWRC_SUCCESS);
    TW_IDENTITY closed = source;
    ASSERT_EQ(CloseSource(source), TWRC_SUCCESS);
    EXPECT_EQ(CloseSource(closed), TWRC_FAILURE);
    EXPECT_EQ(ConditionOf(nullptr), TWCC_NODS);
    ASSERT_EQ(OpenSource(source, kKorvexProductName), TWRC_SUCCESS);
    EXPECT_EQ(CloseSource(source), TWRC_SUCCESS);
    EXPECT_EQ(CloseManager(), TWRC_SUCCESS);
}

}  // namespace
