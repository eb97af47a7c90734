// The application's calls into the source manager, the source's notifications
// and the failure reports.
#include "apps/twain_app/twain_session.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "apps/twain_app/message_queue.h"
#include "apps/twain_app/twain_names.h"
#include "dsm/dsm_api.h"
#include "platform/platform.h"

TwainSession Session;

namespace {

char AppName[sizeof(TW_STR32)] = "korvex-scan";

// Copies a text into a TWAIN string field, cut to fit.
void CopyText(TW_STR32& to, const char* from) {
    const size_t length = strnlen(from, sizeof to - 1);
    std::memcpy(to, from, length);
    to[length] = '\0';
}

void FillAppIdentity(TW_IDENTITY& identity) {
    std::memset(&identity, 0, sizeof identity);
    identity.Version.MajorNum = 1;
    identity.Version.MinorNum = 0;
    identity.Version.Language = TWLG_USA;
    identity.Version.Country = TWCY_USA;
    const std::string info = std::string(AppName) + " 1.0";
    CopyText(identity.Version.Info, info.c_str());
    identity.ProtocolMajor = 1;
    identity.ProtocolMinor = 5;
    identity.SupportedGroups = DG_CONTROL | DG_IMAGE;
    CopyText(identity.Manufacturer, "Korvex");
    CopyText(identity.ProductFamily, "Command-line tools");
    CopyText(identity.ProductName, AppName);
}

TW_UINT16 CallManager(TW_IDENTITY* dest, TW_UINT32 dataGroup, TW_UINT16 dat, TW_UINT16 msg,
                      TW_MEMREF data) {
    return Session.dsmEntry(&Session.appIdentity, dest, dataGroup, dat, msg, data);
}

// The condition code behind a failure: asked of the source when the failed
// call was addressed to it, else of the manager.
TW_UINT16 ConditionOf(TW_IDENTITY* dest) {
    TW_STATUS status{};
    if (CallManager(dest, DG_CONTROL, DAT_STATUS, MSG_GET, &status) != TWRC_SUCCESS) {
        return TWCC_BUMMER;
    }
    return status.ConditionCode;
}

bool ReportFailure(const char* operation, TW_UINT16 result, TW_IDENTITY* dest) {
    return ReportFailureWithCondition(operation, result, ConditionOf(dest));
}

const char* TextOf(const TW_STR32& field) {
    static char text[sizeof(TW_STR32) + 1];
    std::memcpy(text, field, sizeof field);
    text[sizeof field] = '\0';
    return text;
}

// Runs inside the source's call into the manager: only note the message.
TW_UINT16 OnNotification(TW_IDENTITY*, TW_IDENTITY*, TW_UINT32, TW_UINT16, TW_UINT16 msg,
                          TW_MEMREF) {
    NoteNotification(msg);
    return TWRC_SUCCESS;
}

// The Linux manager offers a callback; a manager without one (the Windows
// one) delivers notifications through MSG_PROCESSEVENT.
void RegisterCallback() {
    if (Session.managerModule == nullptr) return;
    void* symbol = plat::FindSymbol(Session.managerModule, "KorvexDsmSetCallback");
    if (symbol == nullptr) return;
    KorvexDsmCallbackProc callback = &OnNotification;
    auto setCallback = reinterpret_cast<decltype(&KorvexDsmSetCallback)>(symbol);
    setCallback(&Session.appIdentity, callback, nullptr);
}

TW_USERINTERFACE UserInterface(bool showUi) {
    TW_USERINTERFACE ui{};
    ui.ShowUI = showUi ? 1 : 0;
    ui.ModalUI = 0;
    ui.hParent = nullptr;
    return ui;
}

}  // namespace

void SetApplicationName(const char* name) { std::snprintf(AppName, sizeof AppName, "%s", name); }

const char* ApplicationName() { return AppName; }

bool ReportFailureWithCondition(const char* operation, TW_UINT16 result, TW_UINT16 condition) {
    std::fflush(stdout);
    std::fprintf(stderr, "%s: %s failed: %s, %s\n", AppName, operation, ReturnCodeName(result),
                 ConditionCodeName(condition));
    return false;
}

bool LoadSourceManager(const char* module) {
    Session.managerModule = plat::LoadModule(module);
    if (Session.managerModule != nullptr) {
        Session.dsmEntry =
            reinterpret_cast<DSMENTRYPROC>(plat::FindSymbol(Session.managerModule, "DSM_Entry"));
    }
    if (Session.dsmEntry == nullptr) {
        std::fprintf(stderr, "%s: cannot load the source manager %s\n", AppName, module);
        EndSession();
        return false;
    }
    FillAppIdentity(Session.appIdentity);
    return true;
}

void AttachSourceManager(DSMENTRYPROC entry) {
    Session.dsmEntry = entry;
    FillAppIdentity(Session.appIdentity);
}

bool OpenSourceManager() {
    // The manager wants a parent window; a console tool has none, so it passes
    // a null handle by address.
    static TW_HANDLE parentWindow = nullptr;
    TW_UINT16 result = CallManager(nullptr, DG_CONTROL, DAT_PARENT, MSG_OPENDSM, &parentWindow);
    if (result != TWRC_SUCCESS) return ReportFailure("MSG_OPENDSM", result, nullptr);
    Session.managerOpen = true;
    RegisterCallback();
    return true;
}

bool ListSources() {
    TW_IDENTITY source{};
    TW_UINT16 result = CallManager(nullptr, DG_CONTROL, DAT_IDENTITY, MSG_GETFIRST, &source);
    int listed = 0;
    while (result == TWRC_SUCCESS) {
        if (listed > 0) std::printf("\n");
        PrintIdentity(source);
        ++listed;
        std::memset(&source, 0, sizeof source);
        result = CallManager(nullptr, DG_CONTROL, DAT_IDENTITY, MSG_GETNEXT, &source);
    }
    if (result != TWRC_ENDOFLIST) {
        return ReportFailure(listed == 0 ? "MSG_GETFIRST" : "MSG_GETNEXT", result, nullptr);
    }
    if (listed == 0) std::printf("No TWAIN sources found.\n");
    return true;
}

bool OpenSource(const char* productName) {
    std::memset(&Session.sourceIdentity, 0, sizeof Session.sourceIdentity);
    CopyText(Session.sourceIdentity.ProductName, productName);
    TW_UINT16 result =
        CallManager(nullptr, DG_CONTROL, DAT_IDENTITY, MSG_OPENDS, &Session.sourceIdentity);
    if (result != TWRC_SUCCESS) return ReportFailure("MSG_OPENDS", result, nullptr);
    Session.sourceOpen = true;
    // Some managers open their first source for a name they do not know.
    if (productName[0] != '\0' && std::strcmp(TextOf(Session.sourceIdentity.ProductName), productName) != 0) {
        std::fflush(stdout);
        std::fprintf(stderr, "%s: no source named \"%s\"; the manager opened \"%s\"\n", AppName,
                     productName, TextOf(Session.sourceIdentity.ProductName));
        CloseSource();
        return false;
    }
    return true;
}

bool CloseSource() {
    if (Session.sourceEnabled) DisableSource();
    TW_UINT16 result =
        CallManager(nullptr, DG_CONTROL, DAT_IDENTITY, MSG_CLOSEDS, &Session.sourceIdentity);
    if (result != TWRC_SUCCESS) return ReportFailure("MSG_CLOSEDS", result, nullptr);
    Session.sourceOpen = false;
    return true;
}

bool CloseSourceManager() {
    static TW_HANDLE parentWindow = nullptr;
    TW_UINT16 result = CallManager(nullptr, DG_CONTROL, DAT_PARENT, MSG_CLOSEDSM, &parentWindow);
    if (result != TWRC_SUCCESS) return ReportFailure("MSG_CLOSEDSM", result, nullptr);
    Session.managerOpen = false;
    return true;
}

void EndSession() {
    if (Session.sourceOpen) CloseSource();
    if (Session.managerOpen) CloseSourceManager();
    if (Session.managerModule != nullptr) plat::FreeModule(Session.managerModule);
    std::memset(&Session, 0, sizeof Session);
}

bool EnableSource(bool showUi) {
    Session.notification = MSG_NULL;
    TW_USERINTERFACE ui = UserInterface(showUi);
    TW_UINT16 result = CallSource(DG_CONTROL, DAT_USERINTERFACE, MSG_ENABLEDS, &ui);
    if (result != TWRC_SUCCESS) return ReportSourceFailure("MSG_ENABLEDS", result);
    Session.sourceEnabled = true;
    return true;
}

bool DisableSource() {
    TW_USERINTERFACE ui = UserInterface(false);
    TW_UINT16 result = CallSource(DG_CONTROL, DAT_USERINTERFACE, MSG_DISABLEDS, &ui);
    Session.sourceEnabled = false;
    if (result != TWRC_SUCCESS) return ReportSourceFailure("MSG_DISABLEDS", result);
    return true;
}

bool EnableUntilTransferReady() {
    if (!EnableSource(false)) return false;
    // The source announces the transfer while it is enabled; a few polls are
    // plenty, and a source that never announces one must not keep us here.
    constexpr int kPolls = 100;
    TW_UINT16 message = MSG_NULL;
    for (int poll = 0; poll < kPolls && message != MSG_XFERREADY; ++poll) {
        message = NextNotification(nullptr, nullptr);
    }
    if (message == MSG_XFERREADY) return true;
    std::fprintf(stderr, "%s: the source announced no transfer\n", AppName);
    DisableSource();
    return false;
}

void NoteNotification(TW_UINT16 message) { Session.notification = message; }

TW_UINT16 NextNotification(void* nativeEvent, bool* sourceEvent) {
    if (sourceEvent != nullptr) *sourceEvent = false;
    // A Windows manager posts its notification to the thread's queue and
    // hands it over when that message comes through MSG_PROCESSEVENT.
    QueuedMessage queued{};
    if (nativeEvent == nullptr) nativeEvent = TakeQueuedMessage(queued);
    if (Session.notification == MSG_NULL) {
        TW_EVENT event{nativeEvent, MSG_NULL};
        const TW_UINT16 result = CallSource(DG_CONTROL, DAT_EVENT, MSG_PROCESSEVENT, &event);
        if (sourceEvent != nullptr) *sourceEvent = result == TWRC_DSEVENT;
        if (result != TWRC_DSEVENT) DispatchQueuedMessage(queued);
        if (event.TWMessage == MSG_XFERREADY || event.TWMessage == MSG_CLOSEDSREQ) {
            Session.notification = event.TWMessage;
        }
    }
    const TW_UINT16 message = Session.notification;
    Session.notification = MSG_NULL;
    return message;
}

TW_UINT16 CallSource(TW_UINT32 dataGroup, TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data) {
    return CallManager(&Session.sourceIdentity, dataGroup, dat, msg, data);
}

TW_UINT16 SourceCondition() { return ConditionOf(&Session.sourceIdentity); }

bool ReportSourceFailure(const char* operation, TW_UINT16 result) {
    return ReportFailure(operation, result, &Session.sourceIdentity);
}

void PrintIdentity(const TW_IDENTITY& identity) {
    std::printf("%s\n", TextOf(identity.ProductName));
    std::printf("  Manufacturer:    %s\n", TextOf(identity.Manufacturer));
    std::printf("  Product family:  %s\n", TextOf(identity.ProductFamily));
    std::printf("  Version:         %u.%u (%s), language %u, country %u\n",
                static_cast<unsigned>(identity.Version.MajorNum),
                static_cast<unsigned>(identity.Version.MinorNum), TextOf(identity.Version.Info),
                static_cast<unsigned>(identity.Version.Language),
                static_cast<unsigned>(identity.Version.Country));
    std::printf("  Protocol:        %u.%u\n", static_cast<unsigned>(identity.ProtocolMajor),
                static_cast<unsigned>(identity.ProtocolMinor));
    std::printf("  Groups:          0x%08X\n", static_cast<unsigned>(identity.SupportedGroups));
    if (identity.Id != 0) std::printf("  Id:              %u\n", static_cast<unsigned>(identity.Id));
}
