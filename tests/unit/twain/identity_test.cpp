// DAT_IDENTITY: the source's identity, opening and closing, the state rules
// and the legacy host test.
#include <gtest/gtest.h>

#include <cstring>

#include "scanner/discovery.h"
#include "tests/support/fake_aspi.h"
#include "twain/dispatch.h"
#include "twain/identity.h"
#include "twain/source_state.h"

namespace {

TW_IDENTITY MakeApp(TW_UINT32 id, const char* manufacturer, const char* family) {
    alignas(4) TW_IDENTITY app{};
    app.Id = id;
    std::strncpy(app.Manufacturer, manufacturer, sizeof app.Manufacturer - 1);
    std::strncpy(app.ProductFamily, family, sizeof app.ProductFamily - 1);
    return app;
}

TW_IDENTITY SourceWithId(TW_UINT32 id) {
    alignas(4) TW_IDENTITY source{};
    DS_Entry(nullptr, DG_CONTROL, DAT_IDENTITY, MSG_GET, &source);
    source.Id = id;
    return source;
}

TW_UINT16 Open(TW_IDENTITY* app, TW_UINT32 sourceId) {
    TW_IDENTITY source = SourceWithId(sourceId);
    return DS_Entry(app, DG_CONTROL, DAT_IDENTITY, MSG_OPENDS, &source);
}

TW_UINT16 Close(TW_IDENTITY* app) {
    return DS_Entry(app, DG_CONTROL, DAT_IDENTITY, MSG_CLOSEDS, nullptr);
}

TEST(SourceIdentity, ComesFromTheStringTable) {
    TW_IDENTITY identity;
    std::memset(&identity, 0x5A, sizeof identity);
    ASSERT_EQ(DS_Entry(nullptr, DG_CONTROL, DAT_IDENTITY, MSG_GET, &identity), TWRC_SUCCESS);
    EXPECT_EQ(identity.Id, 0u);
    EXPECT_EQ(identity.Version.MajorNum, 3);
    EXPECT_EQ(identity.Version.MinorNum, 30);
    EXPECT_EQ(identity.Version.Language, TWLG_USA);
    EXPECT_EQ(identity.Version.Country, TWCY_USA);
    EXPECT_STREQ(identity.Version.Info, "July.23.1998");
#if defined(_WIN32)
    EXPECT_EQ(identity.ProtocolMajor, 1);
    EXPECT_EQ(identity.ProtocolMinor, 5);
    EXPECT_EQ(TW_UINT32{identity.SupportedGroups}, DG_CONTROL | DG_IMAGE);  // a packed field: compare a copy
#else
    // The Linux build is a TWAIN 2 source: the standard managers send
    // DAT_ENTRYPOINT to sources with DF_DS2 only.
    EXPECT_EQ(identity.ProtocolMajor, 2);
    EXPECT_EQ(identity.ProtocolMinor, 4);
    EXPECT_EQ(TW_UINT32{identity.SupportedGroups}, DG_CONTROL | DG_IMAGE | DF_DS2);
#endif
    EXPECT_STREQ(identity.Manufacturer, "Tessaly Scanning Equipment");
    EXPECT_STREQ(identity.ProductFamily, "Orvantica High Speed Scanner");
    EXPECT_STREQ(identity.ProductName, "Orvantica DX Series (32 bit)");
    // The whole record is copied: the unused tail of each text is zero.
    EXPECT_EQ(identity.ProductName[33], '\0');
}

TEST(OpenClose, OpenAssignsTheIdAndCloseReturnsToState300) {
    TW_IDENTITY app = MakeApp(11, "Maker", "Family");
    ASSERT_EQ(Open(&app, 4), TWRC_SUCCESS);
    EXPECT_EQ(SourceState, kStateOpen);
    EXPECT_EQ(AppIdentity.Id, 11u);

    alignas(4) TW_IDENTITY identity{};
    ASSERT_EQ(DS_Entry(&app, DG_CONTROL, DAT_IDENTITY, MSG_GET, &identity), TWRC_SUCCESS);
    EXPECT_EQ(identity.Id, 4u);
    EXPECT_STREQ(identity.ProductName, "Orvantica DX Series (32 bit)");

    ASSERT_EQ(Close(&app), TWRC_SUCCESS);
    EXPECT_EQ(SourceState, kStateLoaded);
    EXPECT_EQ(AppIdentity.Id, 0u);

    // After close another application may open the source.
    TW_IDENTITY other = MakeApp(12, "Other", "Other");
    EXPECT_EQ(Open(&other, 5), TWRC_SUCCESS);
}

// Some managers hand MSG_OPENDS only the Id they assigned and the
// application's request: the source keeps its own identity and answers it.
TEST(OpenClose, SparseManagerRecordKeepsTheSourceIdentity) {
    const TW_IDENTITY ours = SourceWithId(0);
    for (const char* productName : {"", "Nope"}) {
        RestoreLoadState();
        TW_IDENTITY app = MakeApp(11, "Maker", "Family");
        alignas(4) TW_IDENTITY sparse{};
        sparse.Id = 9;
        std::strncpy(sparse.ProductName, productName, sizeof sparse.ProductName - 1);
        ASSERT_EQ(DS_Entry(&app, DG_CONTROL, DAT_IDENTITY, MSG_OPENDS, &sparse), TWRC_SUCCESS);

        TW_IDENTITY expected = ours;
        expected.Id = 9;
        alignas(4) TW_IDENTITY answered{};
        ASSERT_EQ(DS_Entry(&app, DG_CONTROL, DAT_IDENTITY, MSG_GET, &answered), TWRC_SUCCESS);
        EXPECT_EQ(std::memcmp(&answered, &expected, sizeof expected), 0) << productName;
        EXPECT_EQ(std::memcmp(&sparse, &expected, sizeof expected), 0)
            << "the manager's record answers the source's identity: " << productName;
    }
}

TEST(OpenClose, StateRulesAnswerSequenceErrors) {
    TW_IDENTITY app = MakeApp(11, "Maker", "Family");
    EXPECT_EQ(Close(&app), TWRC_FAILURE) << "closing in state 300";
    EXPECT_EQ(ConditionCode, TWCC_SEQERROR);
    EXPECT_EQ(SourceState, kStateLoaded);

    ASSERT_EQ(Open(&app, 4), TWRC_SUCCESS);
    EXPECT_EQ(Open(&app, 4), TWRC_FAILURE) << "opening twice";
    EXPECT_EQ(ConditionCode, TWCC_SEQERROR);
    EXPECT_EQ(SourceState, kStateOpen);

    // Every state from 400 to 700 may be closed.
    for (TW_UINT32 state : {kStateEnabled, kStateXferReady, kStateTransferring}) {
        SourceState = state;
        EXPECT_EQ(Close(&app), TWRC_SUCCESS) << state;
        EXPECT_EQ(SourceState, kStateLoaded);
        ASSERT_EQ(Open(&app, 4), TWRC_SUCCESS);
    }
}

TEST(OpenClose, RefusedOpenReleasesTheAspiManager) {
    fake_aspi::Install();  // no scanner on the bus
    TW_IDENTITY app = MakeApp(11, "Maker", "Family");
    EXPECT_EQ(Open(&app, 4), TWRC_FAILURE);
    EXPECT_EQ(ConditionCode, TWCC_BADPROTOCOL);
    EXPECT_EQ(SourceState, kStateLoaded);
    EXPECT_EQ(AspiModule, nullptr);
}

TEST(OpenClose, ConnectedApplicationInState300AnswersMaxConnections) {
    TW_IDENTITY app = MakeApp(11, "Maker", "Family");
    AppIdentity.Id = 11;  // connected, yet the state says loaded
    EXPECT_EQ(Open(&app, 4), TWRC_FAILURE);
    EXPECT_EQ(ConditionCode, TWCC_MAXCONNECTIONS);
    EXPECT_EQ(SourceState, kStateOpen);
}

TEST(OpenClose, OtherMessagesAndMissingArgumentsAreRefused) {
    TW_IDENTITY app = MakeApp(11, "Maker", "Family");
    alignas(4) TW_IDENTITY identity{};
    for (TW_UINT16 msg : {MSG_GETFIRST, MSG_GETNEXT, MSG_USERSELECT, MSG_SET}) {
        EXPECT_EQ(DS_Entry(&app, DG_CONTROL, DAT_IDENTITY, msg, &identity), TWRC_FAILURE);
        EXPECT_EQ(ConditionCode, TWCC_BADPROTOCOL);
    }
    EXPECT_EQ(DS_Entry(&app, DG_CONTROL, DAT_IDENTITY, MSG_GET, nullptr), TWRC_FAILURE);
    EXPECT_EQ(ConditionCode, TWCC_BADVALUE);
    EXPECT_EQ(DS_Entry(&app, DG_CONTROL, DAT_IDENTITY, MSG_OPENDS, nullptr), TWRC_FAILURE);
    EXPECT_EQ(ConditionCode, TWCC_BADVALUE);
    EXPECT_EQ(SourceState, kStateLoaded);
}

TEST(LegacyHost, RecognisedOnlyByBothWholeTexts) {
    struct Case {
        const char* manufacturer;
        const char* family;
        TW_UINT8 expected;
    };
    const Case cases[] = {
        {"Wang Laboratories, Inc.", "OPEN/image", 1},
        {"Wang Laboratories, Inc.", "OPEN/image 2", 0},
        {"Wang Laboratories, Inc.", "open/image", 0},
        {"Wang Laboratories", "OPEN/image", 0},
        {"Other Maker", "OPEN/image", 0},
    };
    for (const Case& c : cases) {
        RestoreLoadState();
        TW_IDENTITY app = MakeApp(21, c.manufacturer, c.family);
        ASSERT_EQ(Open(&app, 2), TWRC_SUCCESS);
        EXPECT_EQ(LegacyHostFlag, c.expected) << c.manufacturer << " / " << c.family;
    }
}

TEST(LegacyHost, UnterminatedTextsAreReadWithinTheirField) {
    alignas(4) TW_IDENTITY app{};
    std::memset(app.Manufacturer, 'W', sizeof app.Manufacturer);
    std::memset(app.ProductFamily, 'O', sizeof app.ProductFamily);
    EXPECT_FALSE(IsLegacyHost(app));
}

}  // namespace
