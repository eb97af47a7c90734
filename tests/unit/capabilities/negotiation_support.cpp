// The application's side of DAT_CAPABILITY for the negotiation tests.
#include "negotiation_support.h"

#include <cstring>

#include "platform/host/host_hooks.h"
#include "platform/platform.h"
#include "scanner/discovery.h"
#include "scanner/model_table.h"
#include "settings/capability_negotiation.h"
#include "settings/settings_model.h"
#include "twain/source_state.h"

namespace captest {

namespace {

void Put(Bytes& bytes, TW_UINT32 value, int width) {
    for (int i = 0; i < width; ++i) bytes.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

TW_UINT32 Fix(TW_INT16 whole, TW_UINT16 frac = 0) {
    return static_cast<TW_UINT16>(whole) | (static_cast<TW_UINT32>(frac) << 16);
}

TW_UINT16 Call(TW_UINT16 msg, TW_CAPABILITY* cap) {
    alignas(4) TW_IDENTITY app{};
    TripletCall call{&app, DG_CONTROL, DAT_CAPABILITY, msg, cap};
    ConditionCode = TWCC_SUCCESS;
    return NegotiateCapability(&call);
}

}  // namespace

Bytes OneValue(TW_UINT16 itemType, TW_UINT32 item) {
    Bytes bytes;
    Put(bytes, itemType, 2);
    Put(bytes, item, 4);
    return bytes;
}

Bytes OneValueFix32(TW_INT16 whole, TW_UINT16 frac) { return OneValue(TWTY_FIX32, Fix(whole, frac)); }

Bytes Enum16(TW_UINT16 itemType, std::initializer_list<TW_UINT16> items, TW_UINT32 current,
             TW_UINT32 defaultIndex, TW_UINT32 numItems) {
    Bytes bytes;
    Put(bytes, itemType, 2);
    Put(bytes, numItems == 0xFFFFFFFF ? static_cast<TW_UINT32>(items.size()) : numItems, 4);
    Put(bytes, current, 4);
    Put(bytes, defaultIndex, 4);
    for (TW_UINT16 item : items) Put(bytes, item, 2);
    return bytes;
}

Bytes EnumFix32(std::initializer_list<TW_INT16> wholes, TW_UINT32 current,
                TW_UINT32 defaultIndex) {
    Bytes bytes;
    Put(bytes, TWTY_FIX32, 2);
    Put(bytes, static_cast<TW_UINT32>(wholes.size()), 4);
    Put(bytes, current, 4);
    Put(bytes, defaultIndex, 4);
    for (TW_INT16 whole : wholes) Put(bytes, Fix(whole), 4);
    return bytes;
}

Bytes Range(TW_UINT16 itemType, TW_INT32 min, TW_INT32 max, TW_INT32 step, TW_INT32 def,
            TW_INT32 current) {
    Bytes bytes;
    Put(bytes, itemType, 2);
    for (TW_INT32 value : {min, max, step, def, current}) {
        Put(bytes, Fix(static_cast<TW_INT16>(value)), 4);
    }
    return bytes;
}

Bytes Spare(Bytes enumeration) {
    enumeration.push_back(0);
    return enumeration;
}

Outcome Ask(TW_UINT16 msg, TW_UINT16 capId) {
    TW_CAPABILITY cap{capId, TWON_DONTCARE16, nullptr};
    Outcome outcome;
    outcome.rc = Call(msg, &cap);
    outcome.cc = ConditionCode;
    outcome.conType = cap.ConType;
    if (cap.hContainer != nullptr) {
        outcome.hasContainer = true;
        uint32_t size = plat::MemSize(cap.hContainer);
        auto* data = static_cast<const uint8_t*>(plat::MemLock(cap.hContainer));
        if (data != nullptr) outcome.bytes.assign(data, data + size);
        plat::MemUnlock(cap.hContainer);
        plat::MemFree(cap.hContainer);
    }
    return outcome;
}

Outcome Set(TW_UINT16 capId, TW_UINT16 conType, const Bytes& container) {
    plat::MemHandle block = plat::MemAlloc(static_cast<uint32_t>(container.size()));
    if (block != nullptr && !container.empty()) {
        std::memcpy(plat::MemLock(block), container.data(), container.size());
        plat::MemUnlock(block);
    }
    TW_CAPABILITY cap{capId, conType, block};
    Outcome outcome;
    outcome.rc = Call(MSG_SET, &cap);
    outcome.cc = ConditionCode;
    outcome.conType = cap.ConType;
    EXPECT_EQ(static_cast<TW_HANDLE>(cap.hContainer), block) << "the application's handle was replaced";
    EXPECT_EQ(cap.ConType, conType);
    if (block != nullptr) {
        EXPECT_EQ(static_cast<plat::host::HostBlockHeader*>(block)->lockCount, 0u)
            << "container left locked";
        auto* data = static_cast<const uint8_t*>(plat::MemLock(block));
        EXPECT_EQ(Bytes(data, data + container.size()), container) << "container written";
        plat::MemUnlock(block);
        plat::MemFree(block);
    }
    return outcome;
}

void UseModel(const char* name) {
    std::strncpy(ModelName, name, sizeof ModelName - 1);
    ModelName[sizeof ModelName - 1] = '\0';
    ASSERT_EQ(ApplyModel(), 1) << name;
}

void NegotiationTest::SetUp() {
    plat::host::ResetHostHooks();
    for (int32_t& level : ScanValues.levels) level = 128;
    liveBlocksAtStart_ = plat::host::LiveBlockCount();
    misusesAtStart_ = plat::host::BlockMisuseCount();
}

void NegotiationTest::TearDown() {
    plat::host::DrainBlockQuarantine();
    EXPECT_EQ(plat::host::LiveBlockCount(), liveBlocksAtStart_);
    EXPECT_EQ(plat::host::BlockMisuseCount(), misusesAtStart_);
    plat::host::ResetHostHooks();
}

}  // namespace captest
