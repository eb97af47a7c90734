// DSM_Entry: the manager's own triplets (DAT_PARENT, DAT_IDENTITY, DAT_STATUS),
// the notifications sources send through DAT_NULL, and the forwarding of every
// other triplet to the open source it is addressed to.
#include "dsm/manager.h"

#include <cstring>

TW_UINT32 ManagerState = kManagerLoaded;
TW_UINT16 ManagerCondition = TWCC_SUCCESS;
ApplicationRecord Application;
OpenSourceRecord OpenSources[kMaxOpenSources];
TW_UINT32 NextIdentityId = 1;

namespace {

// Index of the source that MSG_GETNEXT answers next; -1 before MSG_GETFIRST.
int EnumerationCursor = -1;

TW_UINT16 Refuse(TW_UINT16 conditionCode) {
    ManagerCondition = conditionCode;
    return TWRC_FAILURE;
}

TW_UINT32 AssignIdentityId() {
    if (NextIdentityId == 0) NextIdentityId = 1;
    return NextIdentityId++;
}

bool IsApplication(const TW_IDENTITY* origin) {
    return ManagerState == kManagerOpen && origin->Id != 0 && origin->Id == Application.identity.Id;
}

OpenSourceRecord* FindOpenSource(TW_UINT32 id) {
    if (id == 0) return nullptr;
    for (OpenSourceRecord& source : OpenSources) {
        if (source.inUse && source.identity.Id == id) return &source;
    }
    return nullptr;
}

bool IsOpenPath(const char* path) {
    for (const OpenSourceRecord& source : OpenSources) {
        if (source.inUse && std::strcmp(source.path, path) == 0) return true;
    }
    return false;
}

OpenSourceRecord* FreeSourceSlot() {
    for (OpenSourceRecord& source : OpenSources) {
        if (!source.inUse) return &source;
    }
    return nullptr;
}

// Calls into a source, counting the call so that a re-entrant MSG_CLOSEDS
// cannot unload the module under it.
TW_UINT16 CallSource(OpenSourceRecord& source, TW_IDENTITY* origin, TW_UINT32 dataGroup,
                     TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data) {
    ++source.callDepth;
    TW_UINT16 result = source.entry(origin, dataGroup, dat, msg, data);
    --source.callDepth;
    return result;
}

// After a source refused an operation addressed to the manager, the manager
// reports the source's condition code as its own.
void TakeSourceCondition(OpenSourceRecord& source, TW_IDENTITY* origin) {
    TW_STATUS status{};
    if (CallSource(source, origin, DG_CONTROL, DAT_STATUS, MSG_GET, &status) == TWRC_SUCCESS) {
        ManagerCondition = status.ConditionCode;
    } else {
        ManagerCondition = TWCC_BUMMER;
    }
}

void ReleaseSource(OpenSourceRecord& source) {
    dsm::CloseSourceModule(source.module);
    std::memset(&source, 0, sizeof source);
}

// DG_CONTROL / DAT_PARENT / MSG_OPENDSM: data points to the parent window.
TW_UINT16 OpenManager(TW_IDENTITY* origin, TW_MEMREF data) {
    if (ManagerState == kManagerOpen) {
        return Refuse(IsApplication(origin) ? TWCC_SEQERROR : TWCC_MAXCONNECTIONS);
    }
    if (data == nullptr) return Refuse(TWCC_BADVALUE);
    origin->Id = AssignIdentityId();
    std::memset(&Application, 0, sizeof Application);
    CopyIdentity(Application.identity, *origin);
    ManagerState = kManagerOpen;
    EnumerationCursor = -1;
    return TWRC_SUCCESS;
}

// DG_CONTROL / DAT_PARENT / MSG_CLOSEDSM: every source must be closed first.
TW_UINT16 CloseManager(TW_IDENTITY* origin) {
    if (ManagerState != kManagerOpen) return Refuse(TWCC_SEQERROR);
    if (!IsApplication(origin)) return Refuse(TWCC_BADPROTOCOL);
    for (const OpenSourceRecord& source : OpenSources) {
        if (source.inUse) return Refuse(TWCC_SEQERROR);
    }
    std::memset(&Application, 0, sizeof Application);
    ManagerState = kManagerLoaded;
    EnumerationCursor = -1;
    return TWRC_SUCCESS;
}

// The listed identity, with the Id the manager assigned when the source is open.
void AnswerListedSource(int index, TW_IDENTITY* answer) {
    CopyIdentity(*answer, SourceList[index].identity);
    answer->Id = 0;
    for (const OpenSourceRecord& source : OpenSources) {
        if (source.inUse && std::strcmp(source.path, SourceList[index].path) == 0) {
            answer->Id = source.identity.Id;
        }
    }
}

TW_UINT16 GetFirstSource(TW_IDENTITY* answer) {
    ScanSources();
    if (SourceCount == 0) {
        EnumerationCursor = -1;
        return TWRC_ENDOFLIST;
    }
    AnswerListedSource(0, answer);
    EnumerationCursor = 1;
    return TWRC_SUCCESS;
}

TW_UINT16 GetNextSource(TW_IDENTITY* answer) {
    if (EnumerationCursor < 0) return Refuse(TWCC_SEQERROR);
    if (EnumerationCursor >= SourceCount) return TWRC_ENDOFLIST;
    AnswerListedSource(EnumerationCursor++, answer);
    return TWRC_SUCCESS;
}

// MSG_GETDEFAULT, and MSG_USERSELECT, which has no chooser to show on Linux
// and selects the default source.
TW_UINT16 GetDefaultSource(TW_IDENTITY* answer) {
    ScanSources();
    EnumerationCursor = -1;
    int index = DefaultSourceIndex();
    if (index < 0) return Refuse(TWCC_NODS);
    AnswerListedSource(index, answer);
    return TWRC_SUCCESS;
}

// MSG_OPENDS: an empty ProductName asks for the default source. The manager
// assigns the Id, fills in the source's whole identity and lets the source
// open; a source that refuses is unloaded again, its condition code becomes
// the manager's and the Id is taken back from the application's record.
TW_UINT16 OpenSource(TW_IDENTITY* origin, TW_IDENTITY* wanted) {
    ScanSources();
    EnumerationCursor = -1;
    int index = wanted->ProductName[0] != '\0' ? FindSourceByProductName(wanted->ProductName)
                                               : DefaultSourceIndex();
    if (index < 0) return Refuse(TWCC_NODS);
    const SourceEntry& listed = SourceList[index];
    if (IsOpenPath(listed.path)) return Refuse(TWCC_SEQERROR);
    OpenSourceRecord* slot = FreeSourceSlot();
    if (slot == nullptr) return Refuse(TWCC_MAXCONNECTIONS);

    dsm::SourceModule module = dsm::OpenSourceModule(listed.path);
    auto entry = reinterpret_cast<DSENTRYPROC>(dsm::FindModuleSymbol(module, "DS_Entry"));
    if (entry == nullptr) {
        dsm::CloseSourceModule(module);
        return Refuse(TWCC_NODS);
    }
    std::memset(slot, 0, sizeof *slot);
    slot->module = module;
    slot->entry = entry;
    std::memcpy(slot->path, listed.path, sizeof slot->path);
    CopyIdentity(slot->identity, listed.identity);
    slot->identity.Id = AssignIdentityId();
    CopyIdentity(*wanted, slot->identity);

    TW_UINT16 result = CallSource(*slot, origin, DG_CONTROL, DAT_IDENTITY, MSG_OPENDS, wanted);
    if (result != TWRC_SUCCESS) {
        TakeSourceCondition(*slot, origin);
        ReleaseSource(*slot);
        wanted->Id = 0;
        return result;
    }
    slot->inUse = 1;
    return TWRC_SUCCESS;
}

// MSG_CLOSEDS, addressed to the manager with the source's identity as data, or
// to the source itself. A source that refuses stays open and loaded.
TW_UINT16 CloseSource(OpenSourceRecord& source, TW_IDENTITY* origin, TW_MEMREF data) {
    if (source.callDepth != 0) return Refuse(TWCC_SEQERROR);
    TW_UINT16 result = CallSource(source, origin, DG_CONTROL, DAT_IDENTITY, MSG_CLOSEDS, data);
    if (result != TWRC_SUCCESS) {
        TakeSourceCondition(source, origin);
        return result;
    }
    ReleaseSource(source);
    return TWRC_SUCCESS;
}

TW_UINT16 HandleIdentity(TW_IDENTITY* origin, TW_UINT16 msg, TW_MEMREF data) {
    if (ManagerState != kManagerOpen) return Refuse(TWCC_SEQERROR);
    if (!IsApplication(origin)) return Refuse(TWCC_BADPROTOCOL);
    auto* identity = static_cast<TW_IDENTITY*>(data);
    switch (msg) {
        case MSG_GETFIRST:
        case MSG_GETNEXT:
        case MSG_GETDEFAULT:
        case MSG_USERSELECT:
        case MSG_OPENDS:
        case MSG_CLOSEDS:
            if (identity == nullptr) return Refuse(TWCC_BADVALUE);
            break;
        default:
            return Refuse(TWCC_BADPROTOCOL);
    }
    switch (msg) {
        case MSG_GETFIRST:
            return GetFirstSource(identity);
        case MSG_GETNEXT:
            return GetNextSource(identity);
        case MSG_OPENDS:
            return OpenSource(origin, identity);
        case MSG_CLOSEDS: {
            OpenSourceRecord* source = FindOpenSource(identity->Id);
            if (source == nullptr) return Refuse(TWCC_BADDEST);
            return CloseSource(*source, origin, data);
        }
        default:
            return GetDefaultSource(identity);
    }
}

// DAT_STATUS addressed to the manager: its own condition code, then cleared.
TW_UINT16 HandleStatus(TW_UINT16 msg, TW_MEMREF data) {
    if (msg != MSG_GET) return Refuse(TWCC_BADPROTOCOL);
    auto* status = static_cast<TW_STATUS*>(data);
    if (status == nullptr) return Refuse(TWCC_BADVALUE);
    status->ConditionCode = ManagerCondition;
    status->Reserved = 0;
    ManagerCondition = TWCC_SUCCESS;
    return TWRC_SUCCESS;
}

TW_UINT16 HandleManagerTriplet(TW_IDENTITY* origin, TW_UINT32 dataGroup, TW_UINT16 dat,
                               TW_UINT16 msg, TW_MEMREF data) {
    if (dat == DAT_STATUS && dataGroup == DG_CONTROL) return HandleStatus(msg, data);
    ManagerCondition = TWCC_SUCCESS;
    if (dataGroup == DG_CONTROL && dat == DAT_PARENT) {
        if (msg == MSG_OPENDSM) return OpenManager(origin, data);
        if (msg == MSG_CLOSEDSM) return CloseManager(origin);
        return Refuse(TWCC_BADPROTOCOL);
    }
    if (ManagerState != kManagerOpen) return Refuse(TWCC_SEQERROR);
    if (dataGroup == DG_CONTROL && dat == DAT_IDENTITY) return HandleIdentity(origin, msg, data);
    return Refuse(TWCC_BADPROTOCOL);
}

// DG_CONTROL / DAT_NULL from a source: MSG_XFERREADY, MSG_CLOSEDSREQ or
// MSG_CLOSEDSOK for the application, delivered through its callback when one
// is registered, else as the TWMessage of the next MSG_PROCESSEVENT.
TW_UINT16 HandleNotification(TW_IDENTITY* origin, TW_IDENTITY* dest, TW_UINT16 msg) {
    if (ManagerState != kManagerOpen) return Refuse(TWCC_SEQERROR);
    OpenSourceRecord* source = FindOpenSource(origin->Id);
    if (source == nullptr) return Refuse(TWCC_BADPROTOCOL);
    if (dest == nullptr || dest->Id != Application.identity.Id) return Refuse(TWCC_BADDEST);
    if (msg != MSG_XFERREADY && msg != MSG_CLOSEDSREQ && msg != MSG_CLOSEDSOK) {
        return Refuse(TWCC_BADPROTOCOL);
    }
    if (Application.callback != nullptr) {
        Application.callback(&source->identity, &Application.identity, DG_CONTROL, DAT_NULL, msg,
                             Application.refCon);
    } else {
        source->pendingMessage = msg;
    }
    return TWRC_SUCCESS;
}

TW_UINT16 ForwardToSource(TW_IDENTITY* origin, TW_IDENTITY* dest, TW_UINT32 dataGroup,
                          TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data) {
    if (ManagerState != kManagerOpen) return Refuse(TWCC_SEQERROR);
    if (!IsApplication(origin)) return Refuse(TWCC_BADPROTOCOL);
    OpenSourceRecord* source = FindOpenSource(dest->Id);
    if (source == nullptr) return Refuse(TWCC_BADDEST);
    if (dataGroup == DG_CONTROL && dat == DAT_IDENTITY) {
        if (msg == MSG_CLOSEDS) return CloseSource(*source, origin, data);
        if (msg == MSG_OPENDS) return Refuse(TWCC_SEQERROR);
    }
    TW_UINT16 result = CallSource(*source, origin, dataGroup, dat, msg, data);
    // Only MSG_PROCESSEVENT carries a TW_EVENT; any other data may be smaller.
    if (msg != MSG_PROCESSEVENT || data == nullptr) return result;
    auto* event = static_cast<TW_EVENT*>(data);
    bool eventFree = result == TWRC_NOTDSEVENT ||
                     (result == TWRC_DSEVENT && event->TWMessage == MSG_NULL);
    if (eventFree && source->pendingMessage != MSG_NULL) {
        event->TWMessage = source->pendingMessage;
        source->pendingMessage = MSG_NULL;
    }
    return result;
}

}  // namespace

extern "C" TW_UINT16 DSM_Entry(TW_IDENTITY* origin, TW_IDENTITY* dest, TW_UINT32 dataGroup,
                               TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data) {
    if (origin == nullptr) return Refuse(TWCC_BADVALUE);
    if (dataGroup == DG_CONTROL && dat == DAT_NULL) return HandleNotification(origin, dest, msg);
    if (dest == nullptr) return HandleManagerTriplet(origin, dataGroup, dat, msg, data);
    return ForwardToSource(origin, dest, dataGroup, dat, msg, data);
}

extern "C" TW_UINT16 KorvexDsmSetCallback(TW_IDENTITY* app, KorvexDsmCallbackProc callback,
                                          TW_MEMREF refCon) {
    if (ManagerState != kManagerOpen) return Refuse(TWCC_SEQERROR);
    if (app == nullptr || !IsApplication(app)) return Refuse(TWCC_BADPROTOCOL);
    Application.callback = callback;
    Application.refCon = callback != nullptr ? refCon : nullptr;
    return TWRC_SUCCESS;
}

// An application that unloads the manager with sources still open leaves
// nothing loaded behind.
__attribute__((destructor)) static void UnloadManager() { ResetManagerState(); }

void ResetManagerState() {
    for (OpenSourceRecord& source : OpenSources) {
        if (source.inUse) ReleaseSource(source);
    }
    std::memset(OpenSources, 0, sizeof OpenSources);
    std::memset(&Application, 0, sizeof Application);
    ManagerState = kManagerLoaded;
    ManagerCondition = TWCC_SUCCESS;
    NextIdentityId = 1;
    EnumerationCursor = -1;
    ResetSourceListState();
}
