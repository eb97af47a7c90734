// The end-to-end harness of the Windows build: each test is a TWAIN application
// with a real window and message loop that talks to the built KORVEX32.ds
// through Wine's own TWAIN_32.DLL. Wine's manager lists only sources named
// sane.ds or gphoto2.ds in the Windows directory's twain_32 folder, so the
// test session installs ours as sane.ds; the virtual scanner's WNASPI32.DLL
// stands beside the test and reads its scenario from vscanner.ini in the
// Windows directory. Every message box is recorded and answered here.
//
// The loop (PumpUntil) offers each message to an open source with
// MSG_PROCESSEVENT and collects the source's notifications, so that enabling
// the source and transferring pages run the way an imaging application does.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "platform/win32/message_box_hook.h"
#include "twain/twain_types.h"

inline constexpr char kKorvexProductName[] = "Orvantica DX Series (32 bit)";

struct RecordedBox {
    std::string text;
    std::string caption;
    uint32_t style;
};

class WineTwainTest : public ::testing::Test {
protected:
    // A fresh application window, the manager loaded, no scenario file (the
    // virtual scanner's default bus), message boxes recorded.
    void SetUp() override;
    // Closes whatever the test left open, then the manager and the window.
    void TearDown() override;

    // vscanner.ini in the Windows directory: a [Manager] section with
    // `manager` and a command log beside it, then `devices`.
    void WriteScenario(const std::string& manager, const std::string& devices);
    // The logged SCSI commands whose command block starts with `cdbPrefix`
    // ("24 00"), one line each as the virtual scanner logs them.
    std::vector<std::string> LoggedWith(const std::string& cdbPrefix) const;

    TW_UINT16 Dsm(TW_IDENTITY* dest, TW_UINT32 dataGroup, TW_UINT16 dat, TW_UINT16 msg,
                  TW_MEMREF data);
    TW_UINT16 OpenManager();
    TW_UINT16 CloseManager();
    // DAT_STATUS MSG_GET addressed to the manager (null) or an open source.
    TW_UINT16 ConditionOf(TW_IDENTITY* dest);
    // Every source GETFIRST/GETNEXT lists, up to TWRC_ENDOFLIST.
    std::vector<TW_IDENTITY> ListSources();
    // MSG_OPENDS for a ProductName (as the application asks: the rest of the
    // record empty); the record is left as the manager and source filled it.
    TW_UINT16 OpenSource(TW_IDENTITY& source, const char* productName);
    TW_UINT16 CloseSource(TW_IDENTITY& source);

    // DAT_CAPABILITY MSG_SET with a one-value container of `raw` bits.
    TW_UINT16 SetOneValue(TW_IDENTITY& source, TW_UINT16 cap, TW_UINT16 itemType, TW_UINT32 raw);
    // The bytes of the container a GET message answers (empty on failure);
    // the block is freed.
    std::vector<uint8_t> Get(TW_IDENTITY& source, TW_UINT16 msg, TW_UINT16 cap,
                             TW_UINT16* conType = nullptr);

    // Runs the message loop until `done` answers true or `timeoutMs` passes;
    // false on time-out.
    bool PumpUntil(const std::function<bool()>& done, uint32_t timeoutMs);
    // The notifications (MSG_XFERREADY, MSG_CLOSEDSREQ) MSG_PROCESSEVENT has
    // returned since the last call.
    std::vector<TW_UINT16> TakeSourceMessages();

    // The message boxes shown since the last call, oldest first. Boxes are
    // answered from `boxAnswers` in order, then with their default button.
    std::vector<RecordedBox> TakeMessageBoxes();
    std::deque<int> boxAnswers;

    TW_IDENTITY app{};
    plat::WindowHandle window = nullptr;

private:
    static bool OfferToSource(void* nativeMessage, void* context);
    static int AnswerBox(const plat::win32::SeenMessageBox& box, void* context);

    plat::ModuleHandle manager_ = nullptr;
    DSMENTRYPROC dsmEntry_ = nullptr;
    bool managerOpen_ = false;
    std::vector<TW_IDENTITY> openSources_;  // copies, closed by Id at tear-down
    std::vector<RecordedBox> boxes_;
    std::vector<TW_UINT16> sourceMessages_;
};

// A TW_ONEVALUE as its six bytes.
std::vector<uint8_t> OneValueBytes(TW_UINT16 itemType, TW_UINT32 item);
