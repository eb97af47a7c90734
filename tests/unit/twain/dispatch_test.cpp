// DS_Entry: dispatch by data group and DAT, the condition code rule, the
// foreign-application filter, event processing and the failure text.
#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>

#include "twain/dispatch.h"
#include "twain/identity.h"
#include "twain/source_state.h"

namespace {

TW_IDENTITY MakeApp(TW_UINT32 id) {
    alignas(4) TW_IDENTITY app{};
    app.Id = id;
    std::strcpy(app.Manufacturer, "Test Maker");
    std::strcpy(app.ProductFamily, "Test Family");
    std::strcpy(app.ProductName, "Test App");
    return app;
}

TW_UINT16 Call(TW_IDENTITY* origin, TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg, void* data) {
    return DS_Entry(origin, dg, dat, msg, data);
}

TW_UINT16 Status(TW_IDENTITY* origin) {
    TW_STATUS status{};
    EXPECT_EQ(Call(origin, DG_CONTROL, DAT_STATUS, MSG_GET, &status), TWRC_SUCCESS);
    return status.ConditionCode;
}

// Opens the source for `app` as the manager would: the data argument is the
// source's identity carrying the Id that the manager assigned.
TW_UINT16 Open(TW_IDENTITY* app, TW_UINT32 sourceId) {
    alignas(4) TW_IDENTITY source{};
    Call(nullptr, DG_CONTROL, DAT_IDENTITY, MSG_GET, &source);
    source.Id = sourceId;
    return Call(app, DG_CONTROL, DAT_IDENTITY, MSG_OPENDS, &source);
}

TEST(DispatchTables, RowsAreInOrderAndUnique) {
    const TW_UINT16 control[] = {DAT_IDENTITY,     DAT_USERINTERFACE, DAT_CAPABILITY,
                                 DAT_STATUS,       DAT_PENDINGXFERS,  DAT_SETUPMEMXFER,
                                 DAT_SETUPFILEXFER, DAT_XFERGROUP,
#if !defined(_WIN32)
                                 DAT_ENTRYPOINT,  // the TWAIN 2 managers' hand-over, Linux only
#endif
    };
    const TW_UINT16 image[] = {DAT_IMAGEINFO,       DAT_IMAGELAYOUT,  DAT_IMAGEMEMXFER,
                               DAT_IMAGENATIVEXFER, DAT_IMAGEFILEXFER, DAT_PALETTE8,
                               DAT_GRAYRESPONSE,    DAT_RGBRESPONSE,  DAT_CIECOLOR,
                               DAT_JPEGCOMPRESSION};
    size_t i = 0;
    for (; ControlDispatchTable[i].handler != nullptr; ++i) {
        ASSERT_LT(i, std::size(control));
        EXPECT_EQ(ControlDispatchTable[i].dat, control[i]) << "control row " << i;
    }
    EXPECT_EQ(i, std::size(control));
    for (i = 0; ImageDispatchTable[i].handler != nullptr; ++i) {
        ASSERT_LT(i, std::size(image));
        EXPECT_EQ(ImageDispatchTable[i].dat, image[i]) << "image row " << i;
    }
    EXPECT_EQ(i, std::size(image));
}

TEST(DispatchByDat, UnknownDatFailsWithBadProtocol) {
    TW_IDENTITY app = MakeApp(7);
    struct Case {
        TW_UINT32 dg;
        TW_UINT16 dat;
        TW_UINT16 msg;
    };
    const Case cases[] = {
        {DG_CONTROL, DAT_EVENT, MSG_GET},      // DAT_EVENT is not in the table
        {DG_CONTROL, DAT_PARENT, MSG_OPENDSM},  // a manager operation
        {DG_CONTROL, 0x7777, MSG_GET},
        {DG_IMAGE, DAT_IDENTITY, MSG_GET},      // a control DAT under DG_IMAGE
        {DG_AUDIO, DAT_IDENTITY, MSG_GET},      // data group 4
        {0x8000, DAT_STATUS, MSG_GET},
    };
    for (const Case& c : cases) {
        TW_UINT8 scratch[512] = {};
        EXPECT_EQ(Call(&app, c.dg, c.dat, c.msg, scratch), TWRC_FAILURE) << c.dat;
        EXPECT_EQ(Status(&app), TWCC_BADPROTOCOL) << c.dat;
    }
}

TEST(ConditionCode, StatusReportsTheLastFailureOnce) {
    TW_IDENTITY app = MakeApp(7);
    TW_UINT8 scratch[512] = {};
    ASSERT_EQ(Call(&app, DG_CONTROL, DAT_IDENTITY, MSG_CLOSEDS, nullptr), TWRC_FAILURE);
    EXPECT_EQ(Status(&app), TWCC_SEQERROR);
    EXPECT_EQ(Status(&app), TWCC_SUCCESS);

    // A failing DG_IMAGE call leaves its own code behind for DAT_STATUS.
    ASSERT_EQ(Call(&app, DG_IMAGE, 0x01FF, MSG_GET, scratch), TWRC_FAILURE);
    EXPECT_EQ(Status(&app), TWCC_BADPROTOCOL);
}

TEST(ConditionCode, SuccessfulControlCallsKeepIt) {
    TW_IDENTITY app = MakeApp(7);
    ASSERT_EQ(Call(&app, DG_CONTROL, DAT_IDENTITY, MSG_CLOSEDS, nullptr), TWRC_FAILURE);
    alignas(4) TW_IDENTITY identity{};
    ASSERT_EQ(Call(&app, DG_CONTROL, DAT_IDENTITY, MSG_GET, &identity), TWRC_SUCCESS);
    EXPECT_EQ(ConditionCode, TWCC_SEQERROR);
}

TEST(StatusHandler, RefusesOtherMessagesAndNullData) {
    TW_IDENTITY app = MakeApp(7);
    TW_STATUS status{};
    EXPECT_EQ(Call(&app, DG_CONTROL, DAT_STATUS, MSG_SET, &status), TWRC_FAILURE);
    EXPECT_EQ(ConditionCode, TWCC_BADPROTOCOL);
    EXPECT_EQ(Call(&app, DG_CONTROL, DAT_STATUS, MSG_GET, nullptr), TWRC_FAILURE);
    EXPECT_EQ(ConditionCode, TWCC_BADVALUE);
}

TEST(ForeignApplications, CallsFromOthersAreNotDispatched) {
    TW_IDENTITY app = MakeApp(7);
    ASSERT_EQ(Open(&app, 3), TWRC_SUCCESS);
    ASSERT_EQ(SourceState, kStateOpen);

    TW_IDENTITY stranger = MakeApp(8);
    ConditionCode = TWCC_BADVALUE;
    EXPECT_EQ(Call(&stranger, DG_CONTROL, DAT_IDENTITY, MSG_CLOSEDS, nullptr), TWRC_FAILURE);
    EXPECT_EQ(SourceState, kStateOpen);
    EXPECT_EQ(ConditionCode, TWCC_BADVALUE) << "a refused call changes nothing";

    TW_STATUS status{0xAAAA, 0xBBBB};
    EXPECT_EQ(Call(&stranger, DG_CONTROL, DAT_STATUS, MSG_GET, &status), TWRC_FAILURE);
    EXPECT_EQ(status.ConditionCode, 0xAAAA);

    // The manager's identity query without an origin is still answered.
    alignas(4) TW_IDENTITY identity{};
    EXPECT_EQ(Call(nullptr, DG_CONTROL, DAT_IDENTITY, MSG_GET, &identity), TWRC_SUCCESS);
    EXPECT_EQ(identity.Id, 3u);
    // Any other call without an origin is foreign.
    EXPECT_EQ(Call(nullptr, DG_CONTROL, DAT_IDENTITY, MSG_CLOSEDS, nullptr), TWRC_FAILURE);
    EXPECT_EQ(SourceState, kStateOpen);
}

TEST(ProcessEvent, WithoutMainDialogIsNotASourceEvent) {
    TW_IDENTITY app = MakeApp(7);
    int nativeMessage = 0;
    TW_EVENT event{&nativeMessage, 0x1234};
    for (TW_UINT32 dg : {DG_CONTROL, DG_IMAGE, TW_UINT32{9}}) {
        EXPECT_EQ(Call(&app, dg, DAT_EVENT, MSG_PROCESSEVENT, &event), TWRC_NOTDSEVENT);
        EXPECT_EQ(event.TWMessage, 0x1234) << "TWMessage is left alone";
    }
    EXPECT_EQ(Call(&app, DG_CONTROL, DAT_EVENT, MSG_PROCESSEVENT, nullptr), TWRC_NOTDSEVENT);
}

TEST(FailureText, ComposesContextAndDescriptionWithin180Characters) {
    char text[kFailureTextSize];
    ComposeFailureText("General failure in response to DAT_STATUS.  ", TWCC_SEQERROR, text);
    EXPECT_STREQ(text,
                 "General failure in response to DAT_STATUS.  DG DAT MSG is out of expected "
                 "sequence.");
    const std::pair<TW_UINT16, const char*> unknown[] = {
        {7, "Unknown Error value in condition code."},
        {8, "Unknown Error value in condition code."},
        {12, "Unknown Error value in condition code."},
        {0, "Success message from detailed error request ??"},
        {TWCC_LOWMEMORY, "Low Memory Condition encountered, free up some memory and try again."},
    };
    for (const auto& [code, description] : unknown) {
        ComposeFailureText("", code, text);
        EXPECT_STREQ(text, description) << code;
    }
    const std::string longContext(300, 'x');
    ComposeFailureText(longContext.c_str(), TWCC_BUMMER, text);
    EXPECT_EQ(std::strlen(text), size_t{kFailureTextSize - 1});
    ComposeFailureText(std::string(170, 'y').c_str(), TWCC_BUMMER, text);
    EXPECT_EQ(std::string(text), std::string(170, 'y') + "Bummer er");
}

}  // namespace
