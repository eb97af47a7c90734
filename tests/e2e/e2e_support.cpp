// The sandbox, the manager loading and the message-box hook of the end-to-end
// tests.
#include "tests/e2e/e2e_support.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>

#include "platform/host/host_hooks.h"

namespace {

std::vector<ShownMessageBox> MessageBoxesSeen;

void CopyText(TW_STR32& to, const char* from) { std::snprintf(to, sizeof to, "%s", from); }

}  // namespace

// Reached by the platform layer inside every loaded module for each message box.
extern "C" __attribute__((visibility("default"))) int KorvexHostMessageBox(void* owner, const char* text,
                                                                        const char* caption,
                                                                        uint32_t style) {
    MessageBoxesSeen.push_back({caption != nullptr ? caption : "", text != nullptr ? text : "",
                                style, owner});
    return plat::IDOK;
}

const std::vector<ShownMessageBox>& ShownMessageBoxes() { return MessageBoxesSeen; }

std::string Str32(const TW_STR32& field) { return std::string(field, strnlen(field, sizeof field)); }

void ManagerTest::SetUp() {
    MessageBoxesSeen.clear();
    std::string pattern = (std::filesystem::temp_directory_path() / "korvex-e2e-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    windowsDirectory = pattern;
    // Set before the manager (and through it the source) is loaded; the
    // platform layer of every module reads it from here on.
    ASSERT_EQ(setenv("KORVEX_WINDIR", windowsDirectory.c_str(), 1), 0);

    LoadManager();
    if (HasFatalFailure()) return;

    app.Version.MajorNum = 1;
    app.Version.Language = TWLG_USA;
    app.Version.Country = TWCY_USA;
    CopyText(app.Version.Info, "e2e");
    app.ProtocolMajor = 1;
    app.ProtocolMinor = 5;
    app.SupportedGroups = DG_CONTROL | DG_IMAGE;
    CopyText(app.Manufacturer, "Korvex");
    CopyText(app.ProductFamily, "Tests");
    CopyText(app.ProductName, "e2e_tests");
}

void ManagerTest::LoadManager() {
    managerModule = plat::LoadModule("TWAIN_32.DLL");
    ASSERT_NE(managerModule, nullptr) << "twain_32.so is not beside the test program";
    dsmEntry = reinterpret_cast<DSMENTRYPROC>(plat::FindSymbol(managerModule, "DSM_Entry"));
    memAllocate = reinterpret_cast<decltype(memAllocate)>(
        plat::FindSymbol(managerModule, "DSM_MemAllocate"));
    memFree = reinterpret_cast<decltype(memFree)>(plat::FindSymbol(managerModule, "DSM_MemFree"));
    memLock = reinterpret_cast<decltype(memLock)>(plat::FindSymbol(managerModule, "DSM_MemLock"));
    memUnlock =
        reinterpret_cast<decltype(memUnlock)>(plat::FindSymbol(managerModule, "DSM_MemUnlock"));
    setCallback = reinterpret_cast<decltype(setCallback)>(
        plat::FindSymbol(managerModule, "KorvexDsmSetCallback"));
    ASSERT_NE(dsmEntry, nullptr);
    ASSERT_NE(memAllocate, nullptr);
    ASSERT_NE(memFree, nullptr);
    ASSERT_NE(memLock, nullptr);
    ASSERT_NE(memUnlock, nullptr);
    ASSERT_NE(setCallback, nullptr);
}

void ManagerTest::ReloadManager() {
    plat::FreeModule(managerModule);
    managerModule = nullptr;
    dsmEntry = nullptr;
    openSourceIds.clear();
    managerOpen = false;
    LoadManager();
}

void ManagerTest::TearDown() {
    // Leave nothing open for the next test, whatever this one did.
    if (dsmEntry != nullptr) {
        for (TW_UINT32 id : openSourceIds) {
            alignas(4) TW_IDENTITY source{};
            source.Id = id;
            Dsm(nullptr, DG_CONTROL, DAT_IDENTITY, MSG_CLOSEDS, &source);
        }
        if (managerOpen) Dsm(nullptr, DG_CONTROL, DAT_PARENT, MSG_CLOSEDSM, &parentWindow);
    }
    if (managerModule != nullptr) plat::FreeModule(managerModule);
    unsetenv("KORVEX_WINDIR");
    std::error_code error;
    std::filesystem::remove_all(windowsDirectory, error);
}

void ManagerTest::WriteWindowsFile(const std::string& name, const std::string& text) {
    std::ofstream out(windowsDirectory / name, std::ios::binary);
    out << text;
    ASSERT_TRUE(out.good()) << name;
}

TW_UINT16 ManagerTest::Dsm(TW_IDENTITY* dest, TW_UINT32 dataGroup, TW_UINT16 dat, TW_UINT16 msg,
                           TW_MEMREF data) {
    return dsmEntry(&app, dest, dataGroup, dat, msg, data);
}

TW_UINT16 ManagerTest::DsmFrom(TW_IDENTITY* origin, TW_IDENTITY* dest, TW_UINT32 dataGroup,
                               TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data) {
    return dsmEntry(origin, dest, dataGroup, dat, msg, data);
}

TW_UINT16 ManagerTest::OpenManager() {
    TW_UINT16 result = Dsm(nullptr, DG_CONTROL, DAT_PARENT, MSG_OPENDSM, &parentWindow);
    if (result == TWRC_SUCCESS) managerOpen = true;
    return result;
}

TW_UINT16 ManagerTest::CloseManager() {
    TW_UINT16 result = Dsm(nullptr, DG_CONTROL, DAT_PARENT, MSG_CLOSEDSM, &parentWindow);
    if (result == TWRC_SUCCESS) managerOpen = false;
    return result;
}

TW_UINT16 ManagerTest::ConditionOf(TW_IDENTITY* dest) {
    TW_STATUS status{};
    status.ConditionCode = 0xFFFF;
    EXPECT_EQ(Dsm(dest, DG_CONTROL, DAT_STATUS, MSG_GET, &status), TWRC_SUCCESS);
    return status.ConditionCode;
}

std::vector<TW_IDENTITY> ManagerTest::ListSources() {
    std::vector<TW_IDENTITY> sources;
    alignas(4) TW_IDENTITY source{};
    TW_UINT16 result = Dsm(nullptr, DG_CONTROL, DAT_IDENTITY, MSG_GETFIRST, &source);
    while (result == TWRC_SUCCESS && sources.size() < 100) {
        sources.push_back(source);
        source = TW_IDENTITY{};
        result = Dsm(nullptr, DG_CONTROL, DAT_IDENTITY, MSG_GETNEXT, &source);
    }
    EXPECT_EQ(result, TWRC_ENDOFLIST);
    return sources;
}

TW_UINT16 ManagerTest::OpenSource(TW_IDENTITY& source, const char* productName) {
    source = TW_IDENTITY{};
    CopyText(source.ProductName, productName);
    TW_UINT16 result = Dsm(nullptr, DG_CONTROL, DAT_IDENTITY, MSG_OPENDS, &source);
    if (result == TWRC_SUCCESS) openSourceIds.push_back(TW_UINT32{source.Id});  // a copy: the field is packed
    return result;
}

TW_UINT16 ManagerTest::CloseSource(TW_IDENTITY& source) {
    TW_UINT16 result = Dsm(nullptr, DG_CONTROL, DAT_IDENTITY, MSG_CLOSEDS, &source);
    if (result == TWRC_SUCCESS) std::erase(openSourceIds, TW_UINT32{source.Id});
    return result;
}
