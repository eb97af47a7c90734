// The application's calls into the source manager and their failure reports.
#include "apps/korvex-scan/twain_session.h"

#include <cstdio>
#include <cstring>

#include "apps/korvex-scan/twain_names.h"
#include "platform/platform.h"

TwainSession Session;

namespace {

void CopyText(TW_STR32& to, const char* from) {
    std::snprintf(to, sizeof to, "%s", from);
}

void FillAppIdentity(TW_IDENTITY& identity) {
    std::memset(&identity, 0, sizeof identity);
    identity.Version.MajorNum = 1;
    identity.Version.MinorNum = 0;
    identity.Version.Language = TWLG_USA;
    identity.Version.Country = TWCY_USA;
    CopyText(identity.Version.Info, "korvex-scan 1.0");
    identity.ProtocolMajor = 1;
    identity.ProtocolMinor = 5;
    identity.SupportedGroups = DG_CONTROL | DG_IMAGE;
    CopyText(identity.Manufacturer, "Korvex");
    CopyText(identity.ProductFamily, "Command-line tools");
    CopyText(identity.ProductName, "korvex-scan");
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
    std::fflush(stdout);
    std::fprintf(stderr, "korvex-scan: %s failed: %s, %s\n", operation, ReturnCodeName(result),
                 ConditionCodeName(ConditionOf(dest)));
    return false;
}

const char* TextOf(const TW_STR32& field) {
    static char text[sizeof(TW_STR32) + 1];
    std::memcpy(text, field, sizeof field);
    text[sizeof field] = '\0';
    return text;
}

}  // namespace

bool LoadSourceManager() {
    Session.managerModule = plat::LoadModule("TWAIN_32.DLL");
    if (Session.managerModule != nullptr) {
        Session.dsmEntry =
            reinterpret_cast<DSMENTRYPROC>(plat::FindSymbol(Session.managerModule, "DSM_Entry"));
    }
    if (Session.dsmEntry == nullptr) {
        std::fprintf(stderr, "korvex-scan: cannot load the source manager TWAIN_32.DLL\n");
        EndSession();
        return false;
    }
    FillAppIdentity(Session.appIdentity);
    return true;
}

bool OpenSourceManager() {
    // The manager wants a parent window; a console tool has none, so it passes
    // a null handle by address.
    static TW_HANDLE parentWindow = nullptr;
    TW_UINT16 result = CallManager(nullptr, DG_CONTROL, DAT_PARENT, MSG_OPENDSM, &parentWindow);
    if (result != TWRC_SUCCESS) return ReportFailure("MSG_OPENDSM", result, nullptr);
    Session.managerOpen = true;
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
        std::fprintf(stderr, "korvex-scan: no source named \"%s\"; the manager opened \"%s\"\n",
                     productName, TextOf(Session.sourceIdentity.ProductName));
        CloseSource();
        return false;
    }
    return true;
}

bool CloseSource() {
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

TW_UINT16 CallSource(TW_UINT32 dataGroup, TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data) {
    return CallManager(&Session.sourceIdentity, dataGroup, dat, msg, data);
}

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
