// What the end-to-end tests share: each test runs as a TWAIN application in a
// sandbox of its own (a fresh Windows directory), loads the source manager
// twain_32.so from the build's bin directory as "TWAIN_32.DLL" and talks to
// the built KORVEX32.ds through it. Message boxes the source shows are recorded.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "dsm/dsm_api.h"
#include "platform/platform.h"
#include "twain/twain_types.h"

inline constexpr char kKorvexProductName[] = "Orvantica DX Series (32 bit)";

// A message box the source showed; every one is answered OK.
struct ShownMessageBox {
    std::string caption;
    std::string text;
    uint32_t style;
    void* owner;
};
// The message boxes shown since the running test started, oldest first.
const std::vector<ShownMessageBox>& ShownMessageBoxes();

class ManagerTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Loads the manager and finds its exports (SetUp does this).
    void LoadManager();
    // Unloads the manager as it stands, with whatever is open, and loads it
    // afresh.
    void ReloadManager();

    // Writes a file into the sandboxed Windows directory.
    void WriteWindowsFile(const std::string& name, const std::string& text);

    // DSM_Entry with the test application as origin, or with another origin.
    TW_UINT16 Dsm(TW_IDENTITY* dest, TW_UINT32 dataGroup, TW_UINT16 dat, TW_UINT16 msg,
                  TW_MEMREF data);
    TW_UINT16 DsmFrom(TW_IDENTITY* origin, TW_IDENTITY* dest, TW_UINT32 dataGroup, TW_UINT16 dat,
                      TW_UINT16 msg, TW_MEMREF data);

    TW_UINT16 OpenManager();
    TW_UINT16 CloseManager();
    // DAT_STATUS MSG_GET addressed to the manager (null dest) or to a source.
    TW_UINT16 ConditionOf(TW_IDENTITY* dest);
    // Every source GETFIRST/GETNEXT lists, up to TWRC_ENDOFLIST.
    std::vector<TW_IDENTITY> ListSources();
    // MSG_OPENDS for a ProductName ("" for the default source); the source's
    // identity as the manager filled it is left in `source`.
    TW_UINT16 OpenSource(TW_IDENTITY& source, const char* productName);
    TW_UINT16 CloseSource(TW_IDENTITY& source);

    std::filesystem::path windowsDirectory;
    plat::ModuleHandle managerModule = nullptr;
    DSMENTRYPROC dsmEntry = nullptr;
    TW_HANDLE (*memAllocate)(TW_UINT32) = nullptr;
    void (*memFree)(TW_HANDLE) = nullptr;
    TW_MEMREF (*memLock)(TW_HANDLE) = nullptr;
    void (*memUnlock)(TW_HANDLE) = nullptr;
    TW_UINT16 (*setCallback)(TW_IDENTITY*, KorvexDsmCallbackProc, TW_MEMREF) = nullptr;
    alignas(4) TW_IDENTITY app{};
    TW_HANDLE parentWindow = nullptr;

private:
    std::vector<TW_UINT32> openSourceIds;
    bool managerOpen = false;
};

// The text of a TW_STR32 field.
std::string Str32(const TW_STR32& field);
