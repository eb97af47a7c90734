// The source manager as an application meets it: listing KORVEX32.ds, opening
// and closing it, the manager's refusals, notifications and the memory
// functions.
#include <cstring>
#include <filesystem>

#include "tests/e2e/e2e_support.h"

namespace {

TW_IDENTITY WithProductName(const char* productName) {
    alignas(4) TW_IDENTITY identity{};
    std::snprintf(identity.ProductName, sizeof identity.ProductName, "%s", productName);
    return identity;
}

const TW_IDENTITY* FindKorvex(const std::vector<TW_IDENTITY>& sources) {
    for (const TW_IDENTITY& source : sources) {
        if (Str32(source.ProductName) == kKorvexProductName) return &source;
    }
    return nullptr;
}

}  // namespace

TEST_F(ManagerTest, ListsTheBuiltSourceWithItsIdentity) {
    ASSERT_EQ(OpenManager(), TWRC_SUCCESS);
    EXPECT_NE(+app.Id, 0u);

    std::vector<TW_IDENTITY> sources = ListSources();
    const TW_IDENTITY* korvex = FindKorvex(sources);
    ASSERT_NE(korvex, nullptr);
    EXPECT_EQ(+korvex->Id, 0u);
    EXPECT_EQ(Str32(korvex->Manufacturer), "Tessaly Scanning Equipment");
    EXPECT_EQ(Str32(korvex->ProductFamily), "Orvantica High Speed Scanner");
    EXPECT_EQ(korvex->Version.MajorNum, 3);
    EXPECT_EQ(korvex->Version.MinorNum, 30);
    EXPECT_EQ(Str32(korvex->Version.Info), "July.23.1998");
    // The Linux build is a TWAIN 2 source, which our manager opens as it is.
    EXPECT_EQ(korvex->ProtocolMajor, 2);
    EXPECT_EQ(korvex->ProtocolMinor, 4);
    EXPECT_EQ(+korvex->SupportedGroups, DG_CONTROL | DG_IMAGE | DF_DS2);

    // The end of the list stays the end.
    alignas(4) TW_IDENTITY past{};
    EXPECT_EQ(Dsm(nullptr, DG_CONTROL, DAT_IDENTITY, MSG_GETNEXT, &past), TWRC_ENDOFLIST);

    alignas(4) TW_IDENTITY byDefault{};
    ASSERT_EQ(Dsm(nullptr, DG_CONTROL, DAT_IDENTITY, MSG_GETDEFAULT, &byDefault), TWRC_SUCCESS);
    EXPECT_EQ(Str32(byDefault.ProductName), Str32(sources.front().ProductName));
    EXPECT_EQ(CloseManager(), TWRC_SUCCESS);
}

TEST_F(ManagerTest, OpensTheSourceWithAnAssignedIdAndClosesIt) {
    ASSERT_EQ(OpenManager(), TWRC_SUCCESS);
    alignas(4) TW_IDENTITY source{};
    ASSERT_EQ(OpenSource(source, kKorvexProductName), TWRC_SUCCESS);
    EXPECT_NE(+source.Id, 0u);
    EXPECT_NE(+source.Id, +app.Id);
    EXPECT_EQ(Str32(source.Manufacturer), "Tessaly Scanning Equipment");
    EXPECT_TRUE(ShownMessageBoxes().empty());

    // The source learned its Id at open and reports it.
    alignas(4) TW_IDENTITY reported{};
    ASSERT_EQ(Dsm(&source, DG_CONTROL, DAT_IDENTITY, MSG_GET, &reported), TWRC_SUCCESS);
    EXPECT_EQ(+reported.Id, +source.Id);
    EXPECT_EQ(Str32(reported.ProductName), kKorvexProductName);
    EXPECT_EQ(ConditionOf(&source), TWCC_SUCCESS);

    // The list shows the open source with its Id.
    const TW_IDENTITY* listed = nullptr;
    std::vector<TW_IDENTITY> sources = ListSources();
    listed = FindKorvex(sources);
    ASSERT_NE(listed, nullptr);
    EXPECT_EQ(+listed->Id, +source.Id);

    ASSERT_EQ(CloseSource(source), TWRC_SUCCESS);
    // Once closed, the source is no destination any more.
    EXPECT_EQ(Dsm(&source, DG_CONTROL, DAT_IDENTITY, MSG_GET, &reported), TWRC_FAILURE);
    EXPECT_EQ(ConditionOf(nullptr), TWCC_BADDEST);
    EXPECT_EQ(CloseManager(), TWRC_SUCCESS);

    // Reopening gives a fresh Id; the source starts again from its state at load.
    ASSERT_EQ(OpenManager(), TWRC_SUCCESS);
    alignas(4) TW_IDENTITY again{};
    ASSERT_EQ(OpenSource(again, kKorvexProductName), TWRC_SUCCESS);
    EXPECT_NE(+again.Id, +source.Id);
    EXPECT_EQ(CloseSource(again), TWRC_SUCCESS);
}

// A triplet addressed to the source reaches it unchanged; when the source
// refuses, the condition code is the source's, and the manager's stays clear.
TEST_F(ManagerTest, ForwardsTripletsAndLeavesTheConditionWithTheSource) {
    ASSERT_EQ(OpenManager(), TWRC_SUCCESS);
    alignas(4) TW_IDENTITY source{};
    ASSERT_EQ(OpenSource(source, kKorvexProductName), TWRC_SUCCESS);
    TW_EVENT event{};
    EXPECT_EQ(Dsm(&source, DG_CONTROL, DAT_EVENT, MSG_GET, &event), TWRC_FAILURE);
    EXPECT_EQ(ConditionOf(nullptr), TWCC_SUCCESS);
    EXPECT_EQ(ConditionOf(&source), TWCC_BADPROTOCOL);
    EXPECT_EQ(Dsm(&source, DG_AUDIO, DAT_CAPABILITY, MSG_GET, nullptr), TWRC_FAILURE);
    EXPECT_EQ(ConditionOf(&source), TWCC_BADPROTOCOL);
    EXPECT_EQ(ConditionOf(&source), TWCC_SUCCESS);
    // MSG_CLOSEDS addressed to the source closes it through the manager.
    ASSERT_EQ(Dsm(&source, DG_CONTROL, DAT_IDENTITY, MSG_CLOSEDS, nullptr), TWRC_SUCCESS);
    TW_STATUS status{};
    EXPECT_EQ(Dsm(&source, DG_CONTROL, DAT_STATUS, MSG_GET, &status), TWRC_FAILURE);
    EXPECT_EQ(ConditionOf(nullptr), TWCC_BADDEST);
    EXPECT_EQ(CloseManager(), TWRC_SUCCESS);
}

// Unloading the manager with a source open unloads the source too: a manager
// loaded again opens it afresh.
TEST_F(ManagerTest, UnloadingTheManagerUnloadsOpenSources) {
    ASSERT_EQ(OpenManager(), TWRC_SUCCESS);
    alignas(4) TW_IDENTITY source{};
    ASSERT_EQ(OpenSource(source, kKorvexProductName), TWRC_SUCCESS);
    ReloadManager();
    ASSERT_EQ(OpenManager(), TWRC_SUCCESS);
    alignas(4) TW_IDENTITY again{};
    EXPECT_EQ(OpenSource(again, kKorvexProductName), TWRC_SUCCESS);
    EXPECT_EQ(CloseSource(again), TWRC_SUCCESS);
}

TEST_F(ManagerTest, EmptyProductNameOpensTheDefaultSource) {
    WriteWindowsFile("win.ini", "[TWAIN]\nDefault Source=No Such Scanner\n");
    ASSERT_EQ(OpenManager(), TWRC_SUCCESS);
    // A default naming a source that is not installed falls back to the first.
    alignas(4) TW_IDENTITY byDefault{};
    ASSERT_EQ(Dsm(nullptr, DG_CONTROL, DAT_IDENTITY, MSG_GETDEFAULT, &byDefault), TWRC_SUCCESS);
    alignas(4) TW_IDENTITY source{};
    ASSERT_EQ(OpenSource(source, ""), TWRC_SUCCESS);
    EXPECT_EQ(Str32(source.ProductName), Str32(byDefault.ProductName));
    EXPECT_NE(+source.Id, 0u);
    EXPECT_EQ(CloseSource(source), TWRC_SUCCESS);
}

TEST_F(ManagerTest, FindsSourcesInTheWindowsDirectoryOnceEach) {
    std::filesystem::path sources = windowsDirectory / "twain_32";
    std::filesystem::create_directories(sources);
    // A link to the built source names the same module as the copy in bin/.
    std::filesystem::create_symlink(std::filesystem::path(KORVEX_BIN_DIR) / "KORVEX32.ds",
                                    sources / "KORVEX32.ds");
    WriteWindowsFile("twain_32/broken.ds", "not a module");
    WriteWindowsFile("twain_32/readme.txt", "not a source");

    ASSERT_EQ(OpenManager(), TWRC_SUCCESS);
    int korvexCount = 0;
    for (const TW_IDENTITY& source : ListSources()) {
        korvexCount += Str32(source.ProductName) == kKorvexProductName ? 1 : 0;
    }
    EXPECT_EQ(korvexCount, 1);
    alignas(4) TW_IDENTITY source{};
    ASSERT_EQ(OpenSource(source, kKorvexProductName), TWRC_SUCCESS);
    EXPECT_EQ(CloseSource(source), TWRC_SUCCESS);
}

// A copy of the source with no ASPI manager beside it cannot find a scanner:
// the open fails with the source's own condition code, after its message, and
// the manager keeps nothing of it.
TEST_F(ManagerTest, ReportsTheConditionOfASourceThatRefusesToOpen) {
    std::filesystem::create_directories(windowsDirectory / "twain_32");
    std::filesystem::copy_file(std::filesystem::path(KORVEX_BIN_DIR) / "KORVEX32.ds",
                               windowsDirectory / "twain_32" / "KORVEX32.ds");
    ASSERT_EQ(OpenManager(), TWRC_SUCCESS);
    // Both copies are listed; the one in the Windows directory comes first.
    ASSERT_EQ(ListSources().size(), 2u);

    alignas(4) TW_IDENTITY source{};
    EXPECT_EQ(OpenSource(source, kKorvexProductName), TWRC_FAILURE);
    EXPECT_EQ(ConditionOf(nullptr), TWCC_BADPROTOCOL);
    EXPECT_EQ(+source.Id, 0u);
    ASSERT_EQ(ShownMessageBoxes().size(), 1u);
    EXPECT_EQ(ShownMessageBoxes()[0].caption, "Source Message");
    EXPECT_EQ(Dsm(&source, DG_CONTROL, DAT_STATUS, MSG_GET, nullptr), TWRC_FAILURE);
    EXPECT_EQ(ConditionOf(nullptr), TWCC_BADDEST);
    EXPECT_EQ(CloseManager(), TWRC_SUCCESS);
}

// The manager's refusals: each row is one call in one situation and the
// return and condition codes it must give; DAT_STATUS then reads the condition
// once and clears it.
enum class Stage { Loaded, ManagerOpen, SourceOpen };
enum class Dest { Manager, Unknown, Source };
enum class Data { None, Parent, KorvexIdentity, UnknownIdentity, BlankIdentity };

struct RefusalCase {
    const char* what;
    Stage stage;
    Dest dest;
    TW_UINT32 dataGroup;
    TW_UINT16 dat;
    TW_UINT16 msg;
    Data data;
    TW_UINT16 result;
    TW_UINT16 condition;
};

// Columns: what, stage, dest, DG, DAT, MSG, data, result, condition.
const RefusalCase kRefusals[] = {
    {"list before open", Stage::Loaded, Dest::Manager, DG_CONTROL, DAT_IDENTITY, MSG_GETFIRST, Data::BlankIdentity, TWRC_FAILURE, TWCC_SEQERROR},
    {"open source before open", Stage::Loaded, Dest::Manager, DG_CONTROL, DAT_IDENTITY, MSG_OPENDS, Data::KorvexIdentity, TWRC_FAILURE, TWCC_SEQERROR},
    {"close before open", Stage::Loaded, Dest::Manager, DG_CONTROL, DAT_PARENT, MSG_CLOSEDSM, Data::Parent, TWRC_FAILURE, TWCC_SEQERROR},
    {"forward before open", Stage::Loaded, Dest::Unknown, DG_CONTROL, DAT_STATUS, MSG_GET, Data::None, TWRC_FAILURE, TWCC_SEQERROR},
    {"open without parent", Stage::Loaded, Dest::Manager, DG_CONTROL, DAT_PARENT, MSG_OPENDSM, Data::None, TWRC_FAILURE, TWCC_BADVALUE},
    {"open twice", Stage::ManagerOpen, Dest::Manager, DG_CONTROL, DAT_PARENT, MSG_OPENDSM, Data::Parent, TWRC_FAILURE, TWCC_SEQERROR},
    {"next before first", Stage::ManagerOpen, Dest::Manager, DG_CONTROL, DAT_IDENTITY, MSG_GETNEXT, Data::BlankIdentity, TWRC_FAILURE, TWCC_SEQERROR},
    {"list into null", Stage::ManagerOpen, Dest::Manager, DG_CONTROL, DAT_IDENTITY, MSG_GETFIRST, Data::None, TWRC_FAILURE, TWCC_BADVALUE},
    {"open unknown product", Stage::ManagerOpen, Dest::Manager, DG_CONTROL, DAT_IDENTITY, MSG_OPENDS, Data::UnknownIdentity, TWRC_FAILURE, TWCC_NODS},
    {"close unknown source", Stage::ManagerOpen, Dest::Manager, DG_CONTROL, DAT_IDENTITY, MSG_CLOSEDS, Data::UnknownIdentity, TWRC_FAILURE, TWCC_BADDEST},
    {"triplet to unknown source", Stage::ManagerOpen, Dest::Unknown, DG_CONTROL, DAT_STATUS, MSG_GET, Data::None, TWRC_FAILURE, TWCC_BADDEST},
    {"image triplet to unknown source", Stage::SourceOpen, Dest::Unknown, DG_IMAGE, DAT_IMAGEINFO, MSG_GET, Data::None, TWRC_FAILURE, TWCC_BADDEST},
    {"identity get to manager", Stage::ManagerOpen, Dest::Manager, DG_CONTROL, DAT_IDENTITY, MSG_GET, Data::BlankIdentity, TWRC_FAILURE, TWCC_BADPROTOCOL},
    {"image group to manager", Stage::ManagerOpen, Dest::Manager, DG_IMAGE, DAT_IMAGEINFO, MSG_GET, Data::None, TWRC_FAILURE, TWCC_BADPROTOCOL},
    {"capability to manager", Stage::ManagerOpen, Dest::Manager, DG_CONTROL, DAT_CAPABILITY, MSG_GET, Data::None, TWRC_FAILURE, TWCC_BADPROTOCOL},
    {"close with a source open", Stage::SourceOpen, Dest::Manager, DG_CONTROL, DAT_PARENT, MSG_CLOSEDSM, Data::Parent, TWRC_FAILURE, TWCC_SEQERROR},
    {"open the open source again", Stage::SourceOpen, Dest::Manager, DG_CONTROL, DAT_IDENTITY, MSG_OPENDS, Data::KorvexIdentity, TWRC_FAILURE, TWCC_SEQERROR},
    {"open through the source", Stage::SourceOpen, Dest::Source, DG_CONTROL, DAT_IDENTITY, MSG_OPENDS, Data::KorvexIdentity, TWRC_FAILURE, TWCC_SEQERROR},
};

TEST_F(ManagerTest, RefusesCallsOutOfSequenceAndUnknownDestinations) {
    for (const RefusalCase& row : kRefusals) {
        SCOPED_TRACE(row.what);
        alignas(4) TW_IDENTITY source{};
        if (row.stage != Stage::Loaded) {
            ASSERT_EQ(OpenManager(), TWRC_SUCCESS);
        }
        if (row.stage == Stage::SourceOpen) {
            ASSERT_EQ(OpenSource(source, kKorvexProductName), TWRC_SUCCESS);
        }

        TW_IDENTITY unknown = WithProductName("No Such Scanner");
        unknown.Id = 0x7777;
        TW_IDENTITY* dest = row.dest == Dest::Manager ? nullptr
                            : row.dest == Dest::Unknown ? &unknown
                                                        : &source;
        alignas(4) TW_IDENTITY identity{};
        TW_MEMREF data = nullptr;
        switch (row.data) {
            case Data::None: break;
            case Data::Parent: data = &parentWindow; break;
            case Data::KorvexIdentity: identity = WithProductName(kKorvexProductName); data = &identity; break;
            case Data::UnknownIdentity: identity = unknown; data = &identity; break;
            case Data::BlankIdentity: data = &identity; break;
        }
        EXPECT_EQ(Dsm(dest, row.dataGroup, row.dat, row.msg, data), row.result);
        EXPECT_EQ(ConditionOf(nullptr), row.condition);
        EXPECT_EQ(ConditionOf(nullptr), TWCC_SUCCESS);

        if (row.stage == Stage::SourceOpen) {
            EXPECT_EQ(CloseSource(source), TWRC_SUCCESS);
        }
        if (row.stage != Stage::Loaded) {
            EXPECT_EQ(CloseManager(), TWRC_SUCCESS);
        }
    }
}

TEST_F(ManagerTest, ServesOneApplication) {
    ASSERT_EQ(OpenManager(), TWRC_SUCCESS);
    TW_IDENTITY other = WithProductName("Another application");
    EXPECT_EQ(DsmFrom(&other, nullptr, DG_CONTROL, DAT_PARENT, MSG_OPENDSM, &parentWindow),
              TWRC_FAILURE);
    EXPECT_EQ(ConditionOf(nullptr), TWCC_MAXCONNECTIONS);

    alignas(4) TW_IDENTITY listed{};
    other.Id = app.Id + 100;
    EXPECT_EQ(DsmFrom(&other, nullptr, DG_CONTROL, DAT_IDENTITY, MSG_GETFIRST, &listed),
              TWRC_FAILURE);
    EXPECT_EQ(ConditionOf(nullptr), TWCC_BADPROTOCOL);
    EXPECT_EQ(DsmFrom(nullptr, nullptr, DG_CONTROL, DAT_IDENTITY, MSG_GETFIRST, &listed),
              TWRC_FAILURE);
    EXPECT_EQ(ConditionOf(nullptr), TWCC_BADVALUE);
}

// The source announces through DAT_NULL; the application sees the message as
// the TWMessage of its next MSG_PROCESSEVENT, exactly once.
TEST_F(ManagerTest, DeliversNotificationsThroughProcessEvent) {
    ASSERT_EQ(OpenManager(), TWRC_SUCCESS);
    alignas(4) TW_IDENTITY source{};
    ASSERT_EQ(OpenSource(source, kKorvexProductName), TWRC_SUCCESS);

    for (TW_UINT16 notification : {MSG_XFERREADY, MSG_CLOSEDSREQ}) {
        SCOPED_TRACE(notification);
        ASSERT_EQ(DsmFrom(&source, &app, DG_CONTROL, DAT_NULL, notification, nullptr),
                  TWRC_SUCCESS);
        int windowMessage = 0;
        TW_EVENT event{&windowMessage, MSG_NULL};
        EXPECT_EQ(Dsm(&source, DG_CONTROL, DAT_EVENT, MSG_PROCESSEVENT, &event), TWRC_NOTDSEVENT);
        EXPECT_EQ(event.TWMessage, notification);
        event.TWMessage = MSG_NULL;
        EXPECT_EQ(Dsm(&source, DG_CONTROL, DAT_EVENT, MSG_PROCESSEVENT, &event), TWRC_NOTDSEVENT);
        EXPECT_EQ(event.TWMessage, MSG_NULL);
    }

    // Notifications must come from an open source and go to the application.
    alignas(4) TW_IDENTITY stranger{};
    stranger.Id = 0x7777;
    EXPECT_EQ(DsmFrom(&stranger, &app, DG_CONTROL, DAT_NULL, MSG_XFERREADY, nullptr), TWRC_FAILURE);
    EXPECT_EQ(ConditionOf(nullptr), TWCC_BADPROTOCOL);
    EXPECT_EQ(DsmFrom(&source, &stranger, DG_CONTROL, DAT_NULL, MSG_XFERREADY, nullptr),
              TWRC_FAILURE);
    EXPECT_EQ(ConditionOf(nullptr), TWCC_BADDEST);
    EXPECT_EQ(DsmFrom(&source, &app, DG_CONTROL, DAT_NULL, MSG_ENDXFER, nullptr), TWRC_FAILURE);
    EXPECT_EQ(ConditionOf(nullptr), TWCC_BADPROTOCOL);
}

namespace {

struct CallbackLog {
    int calls = 0;
    TW_UINT32 originId = 0;
    TW_UINT32 destId = 0;
    TW_UINT16 msg = MSG_NULL;
};

TW_UINT16 RecordNotification(TW_IDENTITY* origin, TW_IDENTITY* dest, TW_UINT32, TW_UINT16,
                             TW_UINT16 msg, TW_MEMREF refCon) {
    auto* log = static_cast<CallbackLog*>(refCon);
    ++log->calls;
    log->originId = origin->Id;
    log->destId = dest->Id;
    log->msg = msg;
    return TWRC_SUCCESS;
}

}  // namespace

TEST_F(ManagerTest, DeliversNotificationsThroughTheCallback) {
    CallbackLog log;
    EXPECT_EQ(setCallback(&app, RecordNotification, &log), TWRC_FAILURE);  // manager not open
    ASSERT_EQ(OpenManager(), TWRC_SUCCESS);
    alignas(4) TW_IDENTITY stranger{};
    stranger.Id = app.Id + 100;
    EXPECT_EQ(setCallback(&stranger, RecordNotification, &log), TWRC_FAILURE);
    ASSERT_EQ(setCallback(&app, RecordNotification, &log), TWRC_SUCCESS);

    alignas(4) TW_IDENTITY source{};
    ASSERT_EQ(OpenSource(source, kKorvexProductName), TWRC_SUCCESS);
    ASSERT_EQ(DsmFrom(&source, &app, DG_CONTROL, DAT_NULL, MSG_XFERREADY, nullptr), TWRC_SUCCESS);
    EXPECT_EQ(log.calls, 1);
    EXPECT_EQ(log.originId, +source.Id);
    EXPECT_EQ(log.destId, +app.Id);
    EXPECT_EQ(log.msg, MSG_XFERREADY);

    // Delivered once: not again through MSG_PROCESSEVENT.
    int windowMessage = 0;
    TW_EVENT event{&windowMessage, MSG_NULL};
    EXPECT_EQ(Dsm(&source, DG_CONTROL, DAT_EVENT, MSG_PROCESSEVENT, &event), TWRC_NOTDSEVENT);
    EXPECT_EQ(event.TWMessage, MSG_NULL);
}

// Blocks are the platform layer's: one module allocates, another locks or frees.
TEST_F(ManagerTest, MemoryFunctionsShareBlocksWithThePlatformLayer) {
    TW_HANDLE block = memAllocate(64);
    ASSERT_NE(block, nullptr);
    auto* bytes = static_cast<unsigned char*>(memLock(block));
    ASSERT_NE(bytes, nullptr);
    for (int i = 0; i < 64; ++i) ASSERT_EQ(bytes[i], 0) << i;
    std::memset(bytes, 0x5A, 64);
    memUnlock(block);
    EXPECT_EQ(plat::MemSize(block), 64u);
    auto* again = static_cast<unsigned char*>(plat::MemLock(block));
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(again[63], 0x5A);
    plat::MemUnlock(block);
    memFree(block);

    plat::MemHandle ours = plat::MemAlloc(16);
    ASSERT_NE(ours, nullptr);
    EXPECT_NE(memLock(ours), nullptr);
    memUnlock(ours);
    memFree(ours);

    EXPECT_EQ(memLock(nullptr), nullptr);
    memUnlock(nullptr);
    memFree(nullptr);
}
