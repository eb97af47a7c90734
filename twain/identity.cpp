// DAT_IDENTITY: MSG_GET, MSG_OPENDS and MSG_CLOSEDS, and the identity records.
#include "twain/identity.h"

#include <cstring>

#include "platform/platform.h"
#include "scanner/discovery.h"
#include "scanner/model_table.h"
#include "settings/settings_file.h"
#include "settings/settings_model.h"
#include "twain/entry_point.h"
#include "twain/image_layout.h"
#include "twain/source_state.h"
#include "twain/user_interface.h"

TW_IDENTITY SourceIdentity;
TW_IDENTITY AppIdentity;
TW_UINT8 LegacyHostFlag = 0;

namespace {

constexpr const char* kIdentityContext = "General failure in response to DAT_IDENTITY.  ";
constexpr const char* kOpenContext = "General failure in response to MSG_OPENDS.  ";
constexpr const char* kCloseContext = "General failure in response to MSG_CLOSEDS.  ";

// String table ids of the identity texts.
constexpr uint32_t kStrManufacturer = 0;
constexpr uint32_t kStrProductFamily = 1;
constexpr uint32_t kStrVersionInfo = 3;
constexpr uint32_t kStrMajorVersion = 4;
constexpr uint32_t kStrMinorVersion = 5;
constexpr uint32_t kStrProductName = 3059;

constexpr const char* kLegacyManufacturer = "Wang Laboratories, Inc.";
constexpr const char* kLegacyProductFamily = "OPEN/image";

// A string table entry read as an unsigned decimal number; conversion stops
// at the first character that is not a digit.
TW_UINT16 LoadVersionNumber(uint32_t id) {
    char text[32];
    if (plat::LoadResString(id, text, sizeof text) <= 0) return 0;
    uint32_t value = 0;
    for (const char* p = text; *p >= '0' && *p <= '9'; ++p) {
        value = value * 10 + static_cast<uint32_t>(*p - '0');
    }
    return static_cast<TW_UINT16>(value);
}

// Compares a TW_STR32 field, which the application may leave unterminated,
// with a whole text.
bool Str32Equals(const TW_STR32& field, const char* text) {
    size_t length = std::strlen(text);
    if (length >= sizeof(TW_STR32)) return false;
    return std::memcmp(field, text, length) == 0 && field[length] == '\0';
}

// A refused open in state 300 releases the ASPI manager that discovery may
// have loaded: the application is free to unload the source next, and the
// manager library would otherwise stay in its process. An open source keeps it.
TW_UINT16 RefuseOpen() {
    if (SourceState == kStateLoaded) UnloadAspi();
    return FailOperation(TWCC_BADPROTOCOL, kOpenContext);
}

TW_UINT16 OpenSource(TripletCall* call) {
    plat::SetResourceModule(ModuleInstance);
    if (!DiscoverScanner()) return RefuseOpen();
    if (!ApplyModel()) return RefuseOpen();
    LoadSettings();
    SyncCapabilityIndices();
    std::memset(&ImageInfoRecord, 0, sizeof ImageInfoRecord);
    std::memset(&ImageLayoutRecord, 0, sizeof ImageLayoutRecord);
    SetDefaultPageFrame(FindPaperSizeIndex());

    if (SourceState != kStateLoaded) return FailOperation(TWCC_SEQERROR, kOpenContext);
    if (AppIdentity.Id != 0) {
        SourceState = kStateOpen;
        return FailOperation(TWCC_MAXCONNECTIONS, kOpenContext);
    }
    std::memcpy(&AppIdentity, call->origin, sizeof AppIdentity);
    // A manager may hand over little more than the Id it assigned (an empty or
    // arbitrary ProductName, version 0.0, no groups): the source takes the Id
    // and answers its own identity in the record, so that the application
    // learns whom it opened.
    auto* managerRecord = static_cast<TW_IDENTITY*>(call->data);
    SourceIdentity.Id = managerRecord->Id;
    std::memcpy(managerRecord, &SourceIdentity, sizeof SourceIdentity);
    LegacyHostFlag = IsLegacyHost(AppIdentity) ? 1 : 0;
    SourceState = kStateOpen;
    return TWRC_SUCCESS;
}

TW_UINT16 CloseSource() {
    if (SourceState < kStateOpen || SourceState > kStateTransferring) {
        return FailOperation(TWCC_SEQERROR, kCloseContext);
    }
    AppIdentity.Id = 0;
    if (MainDialog != nullptr) {
        ReleaseScanDialogs();
    }
    UnloadAspi();
    ForgetManagerEntryPoints();
    SourceState = kStateLoaded;
    return TWRC_SUCCESS;
}

}  // namespace

void FillSourceIdentity() {
    std::memset(&SourceIdentity, 0, sizeof SourceIdentity);
    SourceIdentity.Version.MajorNum = LoadVersionNumber(kStrMajorVersion);
    SourceIdentity.Version.MinorNum = LoadVersionNumber(kStrMinorVersion);
    SourceIdentity.Version.Language = TWLG_USA;
    SourceIdentity.Version.Country = TWCY_USA;
    plat::LoadResString(kStrVersionInfo, SourceIdentity.Version.Info, sizeof(TW_STR32));
#if defined(_WIN32)
    SourceIdentity.ProtocolMajor = 1;
    SourceIdentity.ProtocolMinor = 5;
    SourceIdentity.SupportedGroups = DG_CONTROL | DG_IMAGE;
#else
    // A TWAIN 2 source for the Linux managers: DF_DS2 asks for DAT_ENTRYPOINT
    // before the open. 2.4 is the version whose Linux x86-64 layout (32-bit
    // TW_UINT32, 2-byte packing) the records here have.
    SourceIdentity.ProtocolMajor = 2;
    SourceIdentity.ProtocolMinor = 4;
    SourceIdentity.SupportedGroups = DG_CONTROL | DG_IMAGE | DF_DS2;
#endif
    plat::LoadResString(kStrManufacturer, SourceIdentity.Manufacturer, sizeof(TW_STR32));
    plat::LoadResString(kStrProductFamily, SourceIdentity.ProductFamily, sizeof(TW_STR32));
    plat::LoadResString(kStrProductName, SourceIdentity.ProductName, sizeof(TW_STR32));
}

bool IsLegacyHost(const TW_IDENTITY& application) {
    return Str32Equals(application.Manufacturer, kLegacyManufacturer) &&
           Str32Equals(application.ProductFamily, kLegacyProductFamily);
}

TW_UINT16 HandleIdentity(TripletCall* call) {
    switch (call->msg) {
        case MSG_GET:
            if (call->data == nullptr) return FailOperation(TWCC_BADVALUE, kIdentityContext);
            std::memcpy(call->data, &SourceIdentity, sizeof SourceIdentity);
            return TWRC_SUCCESS;
        case MSG_OPENDS:
            if (call->data == nullptr || call->origin == nullptr) {
                return FailOperation(TWCC_BADVALUE, kOpenContext);
            }
            return OpenSource(call);
        case MSG_CLOSEDS:
            return CloseSource();
        default:
            return FailOperation(TWCC_BADPROTOCOL, kIdentityContext);
    }
}

void ResetIdentityState() {
    std::memset(&AppIdentity, 0, sizeof AppIdentity);
    LegacyHostFlag = 0;
    FillSourceIdentity();
}
