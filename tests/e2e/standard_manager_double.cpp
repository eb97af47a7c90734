// The standard manager's test double: one application, one source.
#include "tests/e2e/standard_manager_double.h"

#include <cstring>

#include "platform/platform.h"
#include "tests/support/counted_blocks.h"

namespace standard_manager {

namespace {

constexpr TW_UINT32 kApplicationId = 1;
constexpr TW_UINT32 kSourceId = 2;

struct State {
    plat::ModuleHandle module = nullptr;
    DSENTRYPROC dsEntry = nullptr;
    bool managerOpen = false;
    bool sourceOpen = false;
    TW_IDENTITY application{};
    TW_IDENTITY source{};  // as the source answered MSG_GET, with the Id assigned
    TW_UINT16 condition = TWCC_SUCCESS;
    DSMENTRYPROC callback = nullptr;
    TW_UINT32 refCon = 0;
    TW_UINT16 waitingMessage = MSG_NULL;
    int listed = 0;
    Record record;
};

State Manager;

TW_UINT16 Refuse(TW_UINT16 condition) {
    Manager.condition = condition;
    return TWRC_FAILURE;
}

// Every call into the source carries a copy of the application's identity.
TW_UINT16 CallSource(TW_UINT32 dataGroup, TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data) {
    TW_IDENTITY application = Manager.application;
    return Manager.dsEntry(&application, dataGroup, dat, msg, data);
}

TW_UINT16 TW_CALLINGSTYLE FromSource(TW_IDENTITY* origin, TW_IDENTITY* dest, TW_UINT32 dataGroup,
                                     TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF);

bool Identify() {
    alignas(4) TW_IDENTITY answer{};
    answer.Id = kSourceId;
    TW_IDENTITY application = Manager.application;
    if (Manager.dsEntry(&application, DG_CONTROL, DAT_IDENTITY, MSG_GET, &answer) != TWRC_SUCCESS) {
        return false;
    }
    Manager.source = answer;
    Manager.source.Id = kSourceId;
    return true;
}

TW_UINT16 OpenSource(TW_IDENTITY* wanted) {
    if (Manager.sourceOpen) return Refuse(TWCC_SEQERROR);
    if (!Identify()) return Refuse(TWCC_NODS);
    if (wanted->ProductName[0] != '\0' &&
        std::strncmp(wanted->ProductName, Manager.source.ProductName, sizeof(TW_STR32)) != 0) {
        return Refuse(TWCC_NODS);
    }
    if ((Manager.source.SupportedGroups & DF_DS2) != 0) {
        TW_ENTRYPOINT entryPoint{};
        entryPoint.Size = sizeof entryPoint;
        entryPoint.DSM_Entry = FromSource;
        entryPoint.DSM_MemAllocate = counted_blocks::Allocate;
        entryPoint.DSM_MemFree = counted_blocks::Free;
        entryPoint.DSM_MemLock = counted_blocks::Lock;
        entryPoint.DSM_MemUnlock = counted_blocks::Unlock;
        Manager.record.entryPointSent = true;
        Manager.record.entryPointResult =
            CallSource(DG_CONTROL, DAT_ENTRYPOINT, MSG_SET, &entryPoint);
        if (Manager.record.entryPointResult != TWRC_SUCCESS) return Refuse(TWCC_OPERATIONERROR);
    }
    *wanted = Manager.source;
    const TW_UINT16 result = CallSource(DG_CONTROL, DAT_IDENTITY, MSG_OPENDS, wanted);
    if (result != TWRC_SUCCESS) {
        TW_STATUS status{};
        CallSource(DG_CONTROL, DAT_STATUS, MSG_GET, &status);
        return Refuse(status.ConditionCode);
    }
    Manager.sourceOpen = true;
    return TWRC_SUCCESS;
}

TW_UINT16 CloseSource() {
    if (!Manager.sourceOpen) return Refuse(TWCC_BADDEST);
    const TW_UINT16 result = CallSource(DG_CONTROL, DAT_IDENTITY, MSG_CLOSEDS, &Manager.source);
    if (result != TWRC_SUCCESS) return Refuse(TWCC_OPERATIONERROR);
    Manager.sourceOpen = false;
    Manager.callback = nullptr;
    Manager.waitingMessage = MSG_NULL;
    return TWRC_SUCCESS;
}

TW_UINT16 ManagerTriplet(TW_IDENTITY* origin, TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data) {
    if (dat == DAT_STATUS) {
        static_cast<TW_STATUS*>(data)->ConditionCode = Manager.condition;
        Manager.condition = TWCC_SUCCESS;
        return TWRC_SUCCESS;
    }
    if (dat == DAT_PARENT && msg == MSG_OPENDSM) {
        origin->Id = kApplicationId;
        origin->SupportedGroups |= DF_DSM2;
        Manager.application = *origin;
        Manager.managerOpen = true;
        return TWRC_SUCCESS;
    }
    if (!Manager.managerOpen || origin->Id != kApplicationId) return Refuse(TWCC_SEQERROR);
    if (dat == DAT_PARENT && msg == MSG_CLOSEDSM) {
        if (Manager.sourceOpen) return Refuse(TWCC_SEQERROR);
        Manager.managerOpen = false;
        return TWRC_SUCCESS;
    }
    if (dat != DAT_IDENTITY || data == nullptr) return Refuse(TWCC_BADPROTOCOL);
    auto* identity = static_cast<TW_IDENTITY*>(data);
    switch (msg) {
        case MSG_GETFIRST:
            Manager.listed = 0;
            [[fallthrough]];
        case MSG_GETNEXT:
            if (Manager.listed++ > 0 || !Identify()) return TWRC_ENDOFLIST;
            *identity = Manager.source;
            return TWRC_SUCCESS;
        case MSG_OPENDS:
            return OpenSource(identity);
        case MSG_CLOSEDS:
            return CloseSource();
        default:
            return Refuse(TWCC_BADPROTOCOL);
    }
}

// DAT_NULL from the source: origin the source, dest the application.
TW_UINT16 TW_CALLINGSTYLE FromSource(TW_IDENTITY* origin, TW_IDENTITY* dest, TW_UINT32 dataGroup,
                                     TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF) {
    if (dataGroup != DG_CONTROL || dat != DAT_NULL || origin == nullptr || dest == nullptr ||
        origin->Id != kSourceId || dest->Id != kApplicationId || !Manager.sourceOpen) {
        return Refuse(TWCC_BADPROTOCOL);
    }
    if (msg != MSG_XFERREADY && msg != MSG_CLOSEDSREQ && msg != MSG_CLOSEDSOK) {
        return Refuse(TWCC_BADPROTOCOL);
    }
    ++Manager.record.notifications;
    if (Manager.callback != nullptr) {
        TW_IDENTITY application = Manager.application;
        return Manager.callback(&Manager.source, &application, DG_CONTROL, DAT_NULL, msg,
                                reinterpret_cast<TW_MEMREF>(uintptr_t{Manager.refCon}));
    }
    Manager.waitingMessage = msg;
    return TWRC_SUCCESS;
}

}  // namespace

bool Load(const std::string& path) {
    Unload();
    Manager = State{};
    Manager.module = plat::LoadModule(path.c_str());
    if (Manager.module == nullptr) return false;
    Manager.dsEntry = reinterpret_cast<DSENTRYPROC>(plat::FindSymbol(Manager.module, "DS_Entry"));
    return Manager.dsEntry != nullptr;
}

void Unload() {
    if (Manager.module != nullptr) plat::FreeModule(Manager.module);
    Manager.module = nullptr;
    Manager.dsEntry = nullptr;
}

TW_UINT16 TW_CALLINGSTYLE Entry(TW_IDENTITY* origin, TW_IDENTITY* dest, TW_UINT32 dataGroup,
                                TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data) {
    if (origin == nullptr || Manager.dsEntry == nullptr) return TWRC_FAILURE;
    if (dest == nullptr) return ManagerTriplet(origin, dat, msg, data);
    if (!Manager.sourceOpen || dest->Id != kSourceId) return Refuse(TWCC_BADDEST);
    if (dataGroup == DG_CONTROL && dat == DAT_IDENTITY && msg == MSG_CLOSEDS) return CloseSource();
    if (dataGroup == DG_CONTROL && dat == DAT_CALLBACK) {
        if (msg != MSG_REGISTER_CALLBACK || data == nullptr) return Refuse(TWCC_BADPROTOCOL);
        const auto* callback = static_cast<const TW_CALLBACK*>(data);
        Manager.callback = reinterpret_cast<DSMENTRYPROC>(callback->CallBackProc);
        Manager.refCon = callback->RefCon;
        return TWRC_SUCCESS;
    }
    if (msg == MSG_PROCESSEVENT && Manager.waitingMessage != MSG_NULL) {
        static_cast<TW_EVENT*>(data)->TWMessage = Manager.waitingMessage;
        Manager.waitingMessage = MSG_NULL;
        return TWRC_DSEVENT;
    }
    return CallSource(dataGroup, dat, msg, data);
}

TW_UINT16 RegisterCallback(TW_IDENTITY* app, DSMENTRYPROC callback, TW_UINT32 refCon) {
    TW_CALLBACK registration{reinterpret_cast<TW_MEMREF>(callback), refCon, 0};
    return Entry(app, &Manager.source, DG_CONTROL, DAT_CALLBACK, MSG_REGISTER_CALLBACK,
                 &registration);
}

const Record& Seen() { return Manager.record; }

}  // namespace standard_manager
