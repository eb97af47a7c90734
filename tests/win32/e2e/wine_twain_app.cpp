// The Windows end-to-end harness (wine_twain_app.h).
#include "tests/win32/e2e/wine_twain_app.h"

#include <cstdlib>
#include <cstring>
#include <fstream>

#include "platform/win32/app_window.h"

namespace {

std::string WindowsFile(const char* name) {
    const char* windowsDirectory = std::getenv("WINDIR");
    return std::string(windowsDirectory != nullptr ? windowsDirectory : "C:\\windows") + "\\" + name;
}

void CopyText(TW_STR32& to, const char* from) {
    std::memset(to, 0, sizeof to);
    std::strncpy(to, from, sizeof to - 1);
}

}  // namespace

std::vector<uint8_t> OneValueBytes(TW_UINT16 itemType, TW_UINT32 item) {
    std::vector<uint8_t> bytes = {static_cast<uint8_t>(itemType), static_cast<uint8_t>(itemType >> 8)};
    for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<uint8_t>(item >> (8 * i)));
    return bytes;
}

void WineTwainTest::SetUp() {
    for (const char* name : {"vscanner.ini", "vscanner.log", "KORVEX32.INI"}) std::remove(WindowsFile(name).c_str());
    ASSERT_TRUE(plat::win32::AnswerMessageBoxes(&AnswerBox, this));
    window = plat::win32::CreateApplicationWindow("Korvex test application");
    ASSERT_NE(window, nullptr);

    std::memset(&app, 0, sizeof app);
    app.Version.MajorNum = 1;
    app.Version.Language = TWLG_USA;
    app.Version.Country = TWCY_USA;
    CopyText(app.Version.Info, "Windows end-to-end tests");
    app.ProtocolMajor = 1;
    app.ProtocolMinor = 5;
    app.SupportedGroups = DG_CONTROL | DG_IMAGE;
    CopyText(app.Manufacturer, "Korvex");
    CopyText(app.ProductFamily, "Tests");
    CopyText(app.ProductName, "Wine end-to-end tests");

    manager_ = plat::LoadModule("TWAIN_32.DLL");
    ASSERT_NE(manager_, nullptr);
    dsmEntry_ = reinterpret_cast<DSMENTRYPROC>(plat::FindSymbol(manager_, "DSM_Entry"));
    ASSERT_NE(dsmEntry_, nullptr);
}

void WineTwainTest::TearDown() {
    for (TW_IDENTITY& source : openSources_) Dsm(nullptr, DG_CONTROL, DAT_IDENTITY, MSG_CLOSEDS, &source);
    openSources_.clear();
    if (managerOpen_) CloseManager();
    plat::win32::PumpPendingMessages(nullptr, nullptr);
    plat::win32::DestroyApplicationWindow(window);
    window = nullptr;
    plat::win32::StopAnsweringMessageBoxes();
    // Wine's manager keeps the source loaded; the manager library stays too.
    dsmEntry_ = nullptr;
}

void WineTwainTest::WriteScenario(const std::string& manager, const std::string& devices) {
    std::remove(WindowsFile("vscanner.log").c_str());
    std::ofstream out(WindowsFile("vscanner.ini"), std::ios::binary);
    out << "[Manager]\n" << manager << "CommandLog=" << WindowsFile("vscanner.log") << "\n\n" << devices;
}

std::vector<std::string> WineTwainTest::LoggedWith(const std::string& cdbPrefix) const {
    std::vector<std::string> found;
    std::ifstream in(WindowsFile("vscanner.log"));
    for (std::string line; std::getline(in, line);) {
        if (line.find("cdb=" + cdbPrefix) != std::string::npos) found.push_back(line);
    }
    return found;
}

TW_UINT16 WineTwainTest::Dsm(TW_IDENTITY* dest, TW_UINT32 dataGroup, TW_UINT16 dat, TW_UINT16 msg,
                             TW_MEMREF data) {
    return dsmEntry_(&app, dest, dataGroup, dat, msg, data);
}

TW_UINT16 WineTwainTest::OpenManager() {
    TW_UINT16 result = Dsm(nullptr, DG_CONTROL, DAT_PARENT, MSG_OPENDSM, &window);
    managerOpen_ = result == TWRC_SUCCESS;
    return result;
}

TW_UINT16 WineTwainTest::CloseManager() {
    TW_UINT16 result = Dsm(nullptr, DG_CONTROL, DAT_PARENT, MSG_CLOSEDSM, &window);
    if (result == TWRC_SUCCESS) managerOpen_ = false;
    return result;
}

TW_UINT16 WineTwainTest::ConditionOf(TW_IDENTITY* dest) {
    TW_STATUS status{};
    if (Dsm(dest, DG_CONTROL, DAT_STATUS, MSG_GET, &status) != TWRC_SUCCESS) return 0xFFFF;
    return status.ConditionCode;
}

std::vector<TW_IDENTITY> WineTwainTest::ListSources() {
    std::vector<TW_IDENTITY> sources;
    TW_IDENTITY source{};
    for (TW_UINT16 msg = MSG_GETFIRST; Dsm(nullptr, DG_CONTROL, DAT_IDENTITY, msg, &source) == TWRC_SUCCESS;
         msg = MSG_GETNEXT) {
        sources.push_back(source);
    }
    return sources;
}

TW_UINT16 WineTwainTest::OpenSource(TW_IDENTITY& source, const char* productName) {
    std::memset(&source, 0, sizeof source);
    CopyText(source.ProductName, productName);
    const TW_UINT16 result = Dsm(nullptr, DG_CONTROL, DAT_IDENTITY, MSG_OPENDS, &source);
    if (result == TWRC_SUCCESS) openSources_.push_back(source);
    return result;
}

TW_UINT16 WineTwainTest::CloseSource(TW_IDENTITY& source) {
    const TW_UINT16 result = Dsm(nullptr, DG_CONTROL, DAT_IDENTITY, MSG_CLOSEDS, &source);
    if (result == TWRC_SUCCESS) {
        std::erase_if(openSources_, [&](const TW_IDENTITY& open) { return open.Id == source.Id; });
    }
    return result;
}

TW_UINT16 WineTwainTest::SetOneValue(TW_IDENTITY& source, TW_UINT16 cap, TW_UINT16 itemType,
                                     TW_UINT32 raw) {
    TW_CAPABILITY capability{cap, TWON_ONEVALUE, plat::MemAlloc(sizeof(TW_ONEVALUE))};
    auto* one = static_cast<TW_ONEVALUE*>(plat::MemLock(capability.hContainer));
    if (one == nullptr) return TWRC_FAILURE;
    one->ItemType = itemType;
    one->Item = raw;
    plat::MemUnlock(capability.hContainer);
    const TW_UINT16 result = Dsm(&source, DG_CONTROL, DAT_CAPABILITY, MSG_SET, &capability);
    plat::MemFree(capability.hContainer);
    return result;
}

std::vector<uint8_t> WineTwainTest::Get(TW_IDENTITY& source, TW_UINT16 msg, TW_UINT16 cap,
                                        TW_UINT16* conType) {
    TW_CAPABILITY capability{cap, TWON_DONTCARE16, nullptr};
    std::vector<uint8_t> bytes;
    if (Dsm(&source, DG_CONTROL, DAT_CAPABILITY, msg, &capability) != TWRC_SUCCESS) return bytes;
    if (conType != nullptr) *conType = capability.ConType;
    const auto* data = static_cast<const uint8_t*>(plat::MemLock(capability.hContainer));
    if (data != nullptr) bytes.assign(data, data + plat::MemSize(capability.hContainer));
    plat::MemUnlock(capability.hContainer);
    plat::MemFree(capability.hContainer);
    return bytes;
}

bool WineTwainTest::OfferToSource(void* nativeMessage, void* context) {
    auto* self = static_cast<WineTwainTest*>(context);
    if (self->openSources_.empty()) return false;
    TW_EVENT event{nativeMessage, MSG_NULL};
    const TW_UINT16 result =
        self->Dsm(&self->openSources_.front(), DG_CONTROL, DAT_EVENT, MSG_PROCESSEVENT, &event);
    if (event.TWMessage != MSG_NULL) self->sourceMessages_.push_back(event.TWMessage);
    return result == TWRC_DSEVENT;
}

bool WineTwainTest::PumpUntil(const std::function<bool()>& done, uint32_t timeoutMs) {
    const uint32_t start = plat::TickCount();
    while (!done()) {
        const uint32_t elapsed = plat::TickCount() - start;
        if (elapsed >= timeoutMs) return false;
        plat::win32::PumpApplicationMessage(timeoutMs - elapsed, &OfferToSource, this);
    }
    return true;
}

std::vector<TW_UINT16> WineTwainTest::TakeSourceMessages() {
    std::vector<TW_UINT16> messages;
    messages.swap(sourceMessages_);
    return messages;
}

int WineTwainTest::AnswerBox(const plat::win32::SeenMessageBox& box, void* context) {
    auto* self = static_cast<WineTwainTest*>(context);
    self->boxes_.push_back({box.text, box.caption, box.style});
    if (self->boxAnswers.empty()) return 0;
    const int answer = self->boxAnswers.front();
    self->boxAnswers.pop_front();
    return answer;
}

std::vector<RecordedBox> WineTwainTest::TakeMessageBoxes() {
    std::vector<RecordedBox> boxes;
    boxes.swap(boxes_);
    return boxes;
}
