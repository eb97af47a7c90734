// DiscoverScanner, IdentifyModel and UnloadAspi, and the discovery records.
#include "scanner/discovery.h"

#include <cstdint>
#include <cstring>

#include "scanner/model_table.h"
#include "scanner/scanner_messages.h"
#include "scanner/scsi_commands.h"

plat::ModuleHandle AspiModule = nullptr;
GetASPI32SupportInfoProc GetSupportInfoEntry = nullptr;
SendASPI32CommandProc SendCommandEntry = nullptr;

uint8_t ScsiAdapter = 0;
uint8_t ScsiTarget = 0;
int16_t ScannerCount = 0;
uint8_t InquiryBuffer[96];
char InquiryVendor[8 + 1];
char InquiryProduct[16 + 1];
char InquiryRevision[4 + 1];
char MechaName[18] = "None";
char MechaGray[18] = "OFF";
char MechaBack[18] = "OFF";
char ModelName[16 + 1];

namespace {

constexpr const char* kAspiModuleName = "WNASPI32.DLL";
constexpr const char* kSupportInfoSymbol = "GetASPI32SupportInfo";
constexpr const char* kSendCommandSymbol = "SendASPI32Command";
constexpr const char* kSettingsFile = "KORVEX32.INI";
constexpr const char* kMechaSection = "Mecha";

// Module handle values below this count as a failed load.
constexpr uintptr_t kFirstValidModuleHandle = 32;

constexpr uint8_t kTargetsPerAdapter = 8;
constexpr uint8_t kScannerDeviceType = 6;
constexpr uint8_t kDeviceTypeMask = 0x1F;

// Codes (group 0x00 of the source's messages) of the discovery failures.
constexpr uint8_t kMsgLoadLibrary = 0x02;
constexpr uint8_t kMsgSupportInfoMissing = 0x03;
constexpr uint8_t kMsgSendCommandMissing = 0x04;
constexpr uint8_t kMsgNotInitialized = 0x08;
constexpr uint8_t kMsgNoTargetDevice = 0x09;

constexpr int kVendorLength = 8;
constexpr int kProductLength = 16;
constexpr int kRevisionLength = 4;

// Accepted INQUIRY vendor identifications, exactly 8 characters each.
constexpr const char* kAcceptedVendors[] = {
    "T.S.E.  ",
    "HOLMGARD",
    "VANTO   ",
};

// Models that section "Mecha" may force, with the check the product
// identification must pass.
// Columns: forced name, product cut compared with the name (0: no check),
// 9-character product the cut must not be (null: none).
struct ForcedModelRow {
    const char* name;
    int cut;
    const char* excludedProduct;
};

constexpr ForcedModelRow kForcedModels[] = {
    {"ZR-DX41", 7, nullptr},
    {"ZR-DX40", 7, nullptr},
    {"ZR-DX73PX", 9, nullptr},
    {"ZR-DX72PX", 9, nullptr},
    {"ZR-DX83PX", 9, nullptr},
    {"ZR-DX82PX", 9, nullptr},
    {"ZR-DX961s", 9, nullptr},
    {"ZR-DX960s", 9, nullptr},
    {"ZR-DX73", 7, "ZR-DX73PX"},
    {"ZR-DX72", 7, "ZR-DX72PX"},
    {"ZR-DX83", 7, "ZR-DX83PX"},
    {"ZR-DX82", 7, "ZR-DX82PX"},
    {"ZR-DX961", 8, "ZR-DX961s"},
    {"ZR-DX960", 8, "ZR-DX960s"},
    {"ZR-DXB700", 0, nullptr},
    {"ZR-DXB600", 0, nullptr},
};

// Product cuts tried, longest first, when the model is searched by product.
constexpr int kSearchCuts[] = {9, 8, 7};

void ShowDiscoveryMessage(uint8_t code) {
    ShowScannerMessage(nullptr, kSourceMessageKey, kSourceGroup, code);
}

// The first `cut` characters of InquiryProduct, terminated.
void CutProduct(int cut, char (&piece)[kProductLength + 1]) {
    std::memset(piece, 0, sizeof piece);
    std::memcpy(piece, InquiryProduct, static_cast<size_t>(cut));
}

bool ProductCutEquals(int cut, const char* text) {
    char piece[kProductLength + 1];
    CutProduct(cut, piece);
    return std::strcmp(piece, text) == 0;
}

// Copies a name of at most 16 characters (a model table name need not be
// terminated) into ModelName.
void SetModelName(const char* name, size_t room) {
    std::memset(ModelName, 0, sizeof ModelName);
    std::strncpy(ModelName, name, room < sizeof ModelName - 1 ? room : sizeof ModelName - 1);
}

// The model table in table order, for each cut of the product identification.
int SearchModelByProduct() {
    for (int cut : kSearchCuts) {
        char piece[kProductLength + 1];
        CutProduct(cut, piece);
        if (const ModelRow* row = FindModelRow(piece)) {
            SetModelName(row->name, sizeof row->name);
            return 1;
        }
    }
    return 0;
}

int CheckForcedModel() {
    for (const ForcedModelRow& row : kForcedModels) {
        if (std::strcmp(MechaName, row.name) != 0) continue;
        SetModelName(row.name, std::strlen(row.name));
        if (row.excludedProduct != nullptr && ProductCutEquals(9, row.excludedProduct)) return 0;
        if (row.cut != 0 && !ProductCutEquals(row.cut, row.name)) return 0;
    }
    return 1;
}

bool IsAcceptedVendor() {
    for (const char* vendor : kAcceptedVendors) {
        if (std::memcmp(InquiryVendor, vendor, kVendorLength) == 0) return true;
    }
    return false;
}

void CopyInquiryTexts() {
    std::memcpy(InquiryVendor, InquiryBuffer + 8, kVendorLength);
    InquiryVendor[kVendorLength] = '\0';
    std::memcpy(InquiryProduct, InquiryBuffer + 16, kProductLength);
    InquiryProduct[kProductLength] = '\0';
    std::memcpy(InquiryRevision, InquiryBuffer + 32, kRevisionLength);
    InquiryRevision[kRevisionLength] = '\0';
}

// Loads the manager and looks up its two entry points; 0 after a message.
int LoadAspi() {
    plat::ModuleHandle module = plat::LoadModule(kAspiModuleName);
    if (reinterpret_cast<uintptr_t>(module) < kFirstValidModuleHandle) {
        ShowDiscoveryMessage(kMsgLoadLibrary);
        return 0;
    }
    void* supportInfo = plat::FindSymbol(module, kSupportInfoSymbol);
    if (supportInfo == nullptr) {
        ShowDiscoveryMessage(kMsgSupportInfoMissing);
        plat::FreeModule(module);
        return 0;
    }
    void* sendCommand = plat::FindSymbol(module, kSendCommandSymbol);
    if (sendCommand == nullptr) {
        ShowDiscoveryMessage(kMsgSendCommandMissing);
        plat::FreeModule(module);
        return 0;
    }
    AspiModule = module;
    GetSupportInfoEntry = reinterpret_cast<GetASPI32SupportInfoProc>(supportInfo);
    SendCommandEntry = reinterpret_cast<SendASPI32CommandProc>(sendCommand);
    return 1;
}

// Probes the targets of the adapter in ScsiAdapter; true when a scanner was
// accepted, with its target in `found`.
bool WalkAdapter(uint8_t& found) {
    for (uint8_t target = 0; target < kTargetsPerAdapter; ++target) {
        const ScsiResult result = Inquiry(target);
        if (result == kAspiErrorBase + SS_INVALID_HA) return false;
        if (result != kScsiGood) continue;
        CopyInquiryTexts();
        if ((InquiryBuffer[0] & kDeviceTypeMask) != kScannerDeviceType) continue;
        if (!IsAcceptedVendor()) continue;
        if (IdentifyModel() == 1) {
            found = target;
            return true;
        }
    }
    return false;
}

}  // namespace

int DiscoverScanner() {
    if (AspiModule == nullptr && LoadAspi() == 0) return 0;

    const uint32_t supportInfo = GetSupportInfoEntry();
    if (((supportInfo >> 8) & 0xFF) != SS_COMP) {
        ShowDiscoveryMessage(kMsgNotInitialized);
        return 0;
    }
    const uint32_t adapterCount = supportInfo & 0xFF;

    ScannerCount = 0;
    uint8_t foundTarget = 0;
    for (uint32_t adapter = 0; adapter < adapterCount && ScannerCount == 0; ++adapter) {
        ScsiAdapter = static_cast<uint8_t>(adapter);
        if (WalkAdapter(foundTarget)) ScannerCount = 1;
    }
    if (ScannerCount == 0) {
        ShowDiscoveryMessage(kMsgNoTargetDevice);
        return 0;
    }
    ScsiTarget = foundTarget;
    return 1;
}

int IdentifyModel() {
    plat::ProfileGetString(kMechaSection, "Name", "None", MechaName, sizeof MechaName, kSettingsFile);
    plat::ProfileGetString(kMechaSection, "Gray", "OFF", MechaGray, sizeof MechaGray, kSettingsFile);
    plat::ProfileGetString(kMechaSection, "Back", "OFF", MechaBack, sizeof MechaBack, kSettingsFile);
    if (std::strcmp(MechaName, "None") == 0 || std::strcmp(MechaName, "Search") == 0) {
        return SearchModelByProduct();
    }
    return CheckForcedModel();
}

void UnloadAspi() {
    if (AspiModule == nullptr) return;
    plat::FreeModule(AspiModule);
    AspiModule = nullptr;
    GetSupportInfoEntry = nullptr;
    SendCommandEntry = nullptr;
}

void ResetDiscoveryState() {
    AspiModule = nullptr;
    GetSupportInfoEntry = nullptr;
    SendCommandEntry = nullptr;
    ScsiAdapter = 0;
    ScsiTarget = 0;
    ScannerCount = 0;
    std::memset(InquiryBuffer, 0, sizeof InquiryBuffer);
    std::memset(InquiryVendor, 0, sizeof InquiryVendor);
    std::memset(InquiryProduct, 0, sizeof InquiryProduct);
    std::memset(InquiryRevision, 0, sizeof InquiryRevision);
    std::strcpy(MechaName, "None");
    std::strcpy(MechaGray, "OFF");
    std::strcpy(MechaBack, "OFF");
    std::memset(ModelName, 0, sizeof ModelName);
}
